// The machining-type word and the values of it that the engines tell apart.
// The procedure start sets it from the procedure type; values the engines do
// not describe are named after the procedure type that sets them.
#pragma once

#include "core/words.h"

// Machining type of the current tool path or segment.
extern i32 MACTYP;

constexpr i32 MACTYP_SURFACES = 2;   // surface milling over surfaces picked from the part
constexpr i32 MACTYP_TRIMMED = 3;    // surface milling over one trimmed surface picked
constexpr i32 MACTYP_TYPE1 = 6;      // procedure type 1
constexpr i32 MACTYP_TYPE2 = 9;      // procedure types 2, 3 and 33
constexpr i32 MACTYP_TYPE4 = 11;     // procedure type 4
constexpr i32 MACTYP_TYPE5 = 12;     // procedure type 5: its own up/down menu text and split option
constexpr i32 MACTYP_CLEARAREA = 13; // area clearing (procedure types 34 and 38)
constexpr i32 MACTYP_ONESURF = 14;   // one surface of the procedure's surface lists (the clean-up type, 35)
constexpr i32 MACTYP_TYPE27 = 15;    // procedure type 27
constexpr i32 MACTYP_TYPE6 = 16;     // procedure type 6
constexpr i32 MACTYP_TYPE23 = 17;    // procedure type 23
constexpr i32 MACTYP_TYPE7 = 25;     // procedure type 7
constexpr i32 MACTYP_TYPE13 = 27;    // procedure types 13, 14 and 37
constexpr i32 MACTYP_TYPE15 = 28;    // procedure types 15 and 36
constexpr i32 MACTYP_TYPE48 = 29;    // procedure type 48
constexpr i32 MACTYP_ALTER = 33;     // the editor's trim runs (a stop returns to it)
constexpr i32 MACTYP_TYPE52 = 34;    // procedure type 52: no tool
constexpr i32 MACTYP_TYPE53 = 35;    // procedure type 53: no tool
constexpr i32 MACTYP_KEYPOLL = 36;   // the progress display takes the key poll of its own
constexpr i32 MACTYP_MCHTBL = 38;    // procedure type 54, with the host's machine-table words
constexpr i32 MACTYP_TYPE56 = 39;    // procedure type 56

// Surface milling over picked surfaces or one trimmed surface.
inline bool mactyp_surfaces(i32 m) { return m == MACTYP_SURFACES || m == MACTYP_TRIMMED; }
// Machining without a tool: no tool data kept or drawn.
inline bool mactyp_toolless(i32 m) { return m == MACTYP_TYPE52 || m == MACTYP_TYPE53; }
// Machining whose tool is shown while it runs (the machine value that shows
// the tool counts for them among the values that call for a recompute).
inline bool mactyp_shows_tool(i32 m)
{
    return m == MACTYP_SURFACES || m == MACTYP_TRIMMED || m == MACTYP_TYPE4 || m == MACTYP_ONESURF ||
           m == MACTYP_TYPE27 || m == MACTYP_TYPE48 || m == MACTYP_TYPE56;
}
