// Module-wide values of the pocket engine that the loop kernel reads: the
// pocket's dimension word and origin, its box, tolerances, the parameter
// record `pokpar`, the offset driver's parameter block and the clearing
// kind. They start with the values the area-clearing set-up gives them; the
// set-up and the offset driver fill them for each pocket.
#pragma once

#include "core/words.h"

// Pocket dimension mode: 2 plane pocket (x, y), 3 x, y, z, 4 x, y, z and a
// normal per point.
extern i32 pokdim;
// Dimension of the pocket's loops: 2 in a plane pocket, else 3 (4 with
// normals).
inline i32 pk_dims() { return pokdim == 2 ? 2 : (pokdim == 4 ? 4 : 3); }

// Local origin of the pocket (lower corner of the outer contour's box); the
// main arrays hold points relative to it.
extern f64 pokorigin[3];

// The pocket's box: minimum (a second copy of the origin) and maximum, and
// its extent (the larger of the x and y spans).
extern f64 pk_boxmin[3];
extern f64 pk_boxmax[3];
extern f64 pk_extent;

// Pocket tolerance (set from the clearing's tolerance) and the offset
// tolerance of the loop kernel, 0.001 at every reset (the crossing walk's
// repair after a nudge, the offset's joins and the spike removal use it).
extern f64 pk_tol;
extern f64 pk_offset_tol;

// The offset driver's radius value of the current pocket (read by the short
// arc rule).
extern f64 pk_radius;

// Corner-rounding word: nonzero joins the offset segments at convex corners
// by arcs instead of squaring the corners off.
extern i32 pk_round_corner;

// Copy of the main arrays' capacity in points (the point limit of a run).
extern i32 pk_capacity;

// Per-contour tables are indexed by key - 1: the outer contour at 0, island
// 10001 + j at 10000 + j. The allowance table of the parameter record holds
// 100,010 entries (the record with its box fills 200,084 words of the saved
// state), so it has room for every island the input contour table takes.
constexpr i32 PK_NALLOW = 100010;

// Number of islands of the pocket and the islands to pass over (counted
// from the first).
extern i32 pk_nisland;
extern i32 pk_isl_skip;
// Contour kind of the contour with that key (1 outer; 2 and 3 take no part
// in the offset); keys outside the table answer 0.
i32 pk_cnt_kind(const i32& key);
// Sets the contour kind of the contour with that key.
void pk_set_cnt_kind(const i32& key, const i32& kind);

// The pocket engine's parameter record (fields in their order).
struct PokPar {
    f64 entry_base;
    f64 entry_height;
    f64 extra;
    f64 radius;
    f64 lift;
    f64 side;
    f64 allow[PK_NALLOW];
    f64 retry_allow;
    f64 npt_val[2];
    f64 clear_extra;
    f64 approach_dist;
    f64 small_val;
    f64 drv_val[3];
    f64 angle;
    f64 end_val;
    i32 keep_isl_dir;
    i32 retry_sw_a;
    i32 drv_sw1;
    i32 retry_sw_b;
    i32 retry_sw_c;
    i32 drv_sw2[2];
    i32 direction;
    i32 end_flag;
    i32 cut_mode;
    i32 drv_sw3[3];
    i32 progress_mode;
    i32 pokdim;
    i32 run_count;
};
extern PokPar pokpar;

// The offset driver's parameter block: 28 words.
struct PkOffPar {
    f64 min_area;      // minimum area of a loop
    f64 second_area;   // second area
    f64 side;          // side value
    f64 step;          // distance between offset levels
    f64 seg_tol;       // segment tolerance
    f64 end_val;       // end value
    f64 tool_half;     // half the current tool's diameter
    f64 start[3];      // start point x, y and its parameter
    i32 several;       // 1 when more than one offset level is made
    i32 loops_prev;    // the word before `loops_on`
    i32 loops_on;      // 1: the cutting runs its loop-chain stage
    i32 phase;         // 1: overshoot mode of the one-offset engine when the end value is set
    i32 end_mode;      // 0 none; 1, 2 the cut ends at a given point
    i32 first_loop;    // first-loop switch: the loop nearest the start point becomes key 1
    i32 small_loop;    // small-loop switch: common loops smaller than their sources are dropped
    i32 last;          // the last word
};
static_assert(sizeof(PkOffPar) == 28 * 4, "the offset parameters are 28 words");
extern PkOffPar pkoff;

// The clearing kind decoded from the clearing code (code less 10 or 20); the
// offset engine keeps quiet about several failures when it is nonzero.
extern i32 clr_kind;
// Answers the clearing kind.
void clr_get_kind(i32& kind);

// Puts every value above back to its set-up value.
void pkvals_reset();
