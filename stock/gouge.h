// The gouge run: a procedure's tool path measured against the reference
// surface kept in the second height of the stock cells, each gouging block
// reported once in the gouge report file.
#pragma once

#include <string>

#include "core/words.h"

// The report file: its name, whether it is open, the gouges written.
struct GougeReport {
    std::string name;  // file name, empty when none
    i32 open = 0;
    i32 count = 0;     // gouges found
    i32 first = -1;    // block of the first gouge
};
extern GougeReport GOUGRP;

// The report's name for procedure number `number` of procedure code
// `code`: part name without its directory, ".", the first eight characters
// of "NPT1" up to a blank, "-", the procedure type name up to a blank, the
// number, ".gr" (lower case). Characters that would name another directory
// become "_". Empty when the parts reach 257 characters.
std::string gouge_rep_name(const i32& code, const i32& number);
// Opens the report and writes its two heading lines; a failure shows
// message 339/121 with the name and leaves no file.
void gouge_rep_open(const i32& code, const i32& number);
// Writes one gouge line (number from 1, block, X, Y) when the report is open;
// a line the file refuses shows message 339/122 with the name.
void gouge_rep_line(const i32& number, const i32& block, const f32& x, const f32& y);
// Shows message 339/123 with the name and closes the report.
void gouge_rep_close();
// Counts a segment; every n calls shows the count and polls the keyboard
// ("STOP EXECUTION?" on a space key). 1 when the user stopped.
i32 gouge_progress(i32& counter, const i32& n);
// Measures the points (tp_to_points' arrays; raised by one cell here)
// against the second height with the check tool of slot 0, a tool record
// making its tool the check tool as it is recorded; reports each gouging
// block once at its last segment. Status 0, 1000 when stopped, -1 on
// failure.
void stk_gouge_points(const i32& code, const i32& number, const i32& points, const i32& blocks, const i32& count,
                      i32& status);
// The check tool for tool `id`, built in slot 0: a mill two cells narrower;
// a drill, or a mill no wider than two cells, by the drill's shape (a mill
// has no drill diameter, so the build is refused). Status -1 when refused.
void gouge_check_tool(const i32& id, i32& status);
