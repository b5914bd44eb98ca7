// The machining-time estimate of the editor's SERVICE menu: the blocks of
// the current list from the current one to its end, timed per motion kind and
// per tool against the tool's life, reported to the message window, to the
// file "TIME_<procedure number>" or to both.
#pragma once

#include "core/words.h"

constexpr i32 EST_TOOLS = 500;  // tool table entries, 499 of them usable

// One tool met by an estimate.
struct EstimateTool {
    i32 id;
    char name[20];  // the first 19 characters of the tool's name and an end byte
    f32 time;       // minutes at feed of the accounts closed so far
    f32 life;       // hours; below 0 no limit (not a milling tool)
    i32 replaced;   // replacement warnings given
};

// The state of one estimate (tool table, previous tool) and of its walk.
struct EstimateState {
    f32 feed, maxfeed, fast;  // minutes per motion kind
    f32 tooltime;             // minutes at feed of the tool in use since its last account
    f32 mlength;              // length milled since the last account
    f32 minz;                 // lowest Z reached
    char tool[20];            // name of the tool in use
    i32 ntools;               // 1 and the tool changes met
    i32 current;              // 1-based table index of the tool in use, 0 none
    i32 open;                 // 1 while no replacement warning was given for the tool in use
    i32 toolid;               // tool of the last tool block read
    i32 previous;             // previous tool id, -1 none
    i32 used;                 // table entries used
    EstimateTool table[EST_TOOLS];
};
extern EstimateState ESTST;  // the estimate's state (estimate_state)

// The output mode (0 nothing, 1 message window, 2 file, 3 file and message
// window); another value is refused with a line on the standard output.
void set_estimate_mode(const i32& mode);
i32 get_estimate_mode();  // the output mode set last
// Estimates the current procedure (CURPRC) from the current block of the
// list to the list's end; first is cleared. Status 0, 2 when no tool path is
// open, negative on failure (the report is still ended and its file closed).
void estimate_time(i32& first, const i32& scope, i32& status);
// The time text of a number of minutes: a tab and the hours, minutes and
// seconds, the seconds rounded up.
void format_time(const f32& minutes, char* text);
