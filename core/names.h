// Procedure names, status-line fields, menu layout and menu helpers, and the
// space-key poll with its forced break.
#pragma once

#include "core/words.h"

void FNCNAM(const i32& code, char* name);   // 8 characters, blank-padded
void PRCNAM(const i32& code, char* name);   // 8 characters
void PRCNMC(const i32& code, char* text);   // NUL-terminated, at most 8 characters

void MUTBLN(const i32& window, const i32& block);  // the block-number field (blank for a negative block)
// The procedure field: label, '=' and the number (blank unless number > 0).
void MUTTXT(const i32& window, const char* label, const i32& number);
void MUTTX8(const i32& window, const char* text, const i32& number);  // MUTTXT of at most 8 characters of text
// The position and axis fields, relative to the origin, at the host's unit
// and precision.
void MUTPOS(const i32& window, const f32* position, const f32* axis, const f32* origin);

// Menu layout words handed to the host's menu interaction.
struct MenuLayout {
    i32 rows;        // 22, or 28 on screens higher than 1000
    i32 columns;     // 6, or 7 on screens higher than 1000
    i32 fixed_rows;  // 22
    i32 consts[4];   // 4, 3, 12, 13
    i32 clear_change, clear_area;  // clear modes 1 and 0
    i32 zeros[3];
    i32 minus1;
    i32 interact[2];  // -1, -1
};
extern MenuLayout MNULYW;

void MNULAY();  // sets the layout words for the screen's height
// Starts a menu of the columns (mode 0 interactive; current: the menu shown,
// below 1 the area cleared first).
void MNUINT(const i32& mode, const i32& menu, i32& current, i32& status);
void MNUIN2(const i32& mode, const i32& width, const i32& menu, i32& current, i32& status);  // MNUINT of a width
void MNUIN3(const char* menu_text, i32& status);  // starts the standard menu (the text is not used)
void MNUMOD(const i32& on, i32& status);  // ends the menu's interaction (on: the output mode restored)
void MNUCLR();  // clears the menu area
// Redisplays the menu when the screen was cleared and no macro runs.
void REDSPL();

void SPCHIT(i32& hit);  // hit 1 when the space key was hit or the armed countdown ran out
void SPCARM(const i32& count);  // arms a forced break after count polls (0 or less disarms)
