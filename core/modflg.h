// Module flags that live for one procedure, the hold of the retract-on-stop
// switch and the message box that gathers up to two lines of messages. The
// display of the block at the list position is in blocks/listdsp.h.
#pragma once

#include "core/records.h"
#include "core/words.h"


i32* MFLBLK();  // the five lane words
void MFLST1(i32 value);  // sets the block-display counter
i32 MFLGT0();  // the block-display counter
void MFLCNT(i32 value);  // the display's own advance of the counter
void MFLGT1(i32& result);  // the second flag word
void MFLGT3(i32& result);  // the first flag word: the contour loader's arc-fitting mode (0 off, 1 or 2 the first pass)
void MFLST3(i32 value);     // sets the first flag word (the procedure start clears it; no operation of the module sets it)
void MFLGT2(i32& iresult, f32& rresult);  // the integer and real pair
void MFLGS1(i32 mode, i32& value);  // the stored integer: mode 1 get, 2 set
void MFLGS2(i32 mode, f32& value);  // the stored real: mode 1 get, 2 set
void MFLGS3(const i32& mode, i32& value);  // the link word (armed: the clearance-plane warning may show): mode 1 get, else set
void HFLINI();  // hold state 1 (released), the retract switch kept, the link word 1
// A state other than the one held is stored: state 0 holds the retract
// switch (its value saved and forced to 1), any other state releases it
// (the saved value put back).
void HFLSET(const i32& state);
void HFLGET(i32& result);  // the hold state
// Resets the flags at the start of a procedure.
void MFLRST();

// The message box: mode 0 empties it, 1 adds a line of the severity (1
// ERROR, 2 WARNING, 3 ATTENTION) to the message window, the first two kept
// and "MORE ..." marking the rest, 2 shows the lines kept.
void MSGBOX(const i32& mode, const i32& severity, const i32& length, const char* text);
// MSGBOX of a NUL-terminated text of at most 80 characters.
void MSGBXT(const i32& mode, const i32& severity, const char* text);
