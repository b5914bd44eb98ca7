// Geometry criteria of the procedure: the class flags, the masks written as
// coded items, and the criteria-style menu items.
#pragma once

#include <string>

#include "core/words.h"

// Five class flags: part, check, closed contour, open contour, drill points.
extern i32 CRTCLS[5];
void CRTFLG(const i32* flags);  // sets the five class flags
i32 CRTNON();                   // 1 when no class flag is set
// Writes every entry of one mask list as a coded text item.
void CRTPUT(const i32& medium, const i32& kind, i32& status);
// Menu items of a geometry: with an action word (1-8 or 11-18; another code
// is reported and leaves a blank row), or "EDIT".
void CRTEDT(const i32& defined, const i32& action, const char* label, const i32& kind);
// The EDIT item of a surface list: 'G' not defined, 'E' empty, 's' its
// mask changed, 'c' criteria with entries.
void CRTED2(const i32& defined, const i32& count, const char* label, const i32& kind);
// One mask entry's row of the criteria report: "    ENTIRE MODEL" for all
// levels (mode 1), colours (17), fonts and pens (9); otherwise the level,
// colour, font and pen columns, "ALL" or "ACTIVE" (mode 4) written over them.
std::string CRTROW(const i32& colour, const i32& font, const i32& pen, const char* level, const i32& mode);
// The criteria report of the current procedure into its own file
// "<name><number>.crit_list" (lower case); status -1 when it cannot be opened.
void criteria_list(const char* name, i32& status);
// The criteria report of the whole tool path into "CRIT_LIST": each
// procedure's module is run in criteria-list mode and appends its block.
void tp_criteria_list(i32& status);
// Appends the current procedure's block (named by its type's name and
// number) to the file of a running whole-tool-path report.
void proc_criteria_list(const i32& code);
