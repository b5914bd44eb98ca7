// The hatch fill inside a loop: one straight line from a start towards a
// target across loops held as float polylines, its crossings with the loop
// edges found, ordered and cleaned, and the crossings between the start and
// the target written out as a lane of points.
#pragma once

#include "core/words.h"

// Crossings listed at most (the fill reports reaching this bound).
constexpr i32 HATCH_MAX = 2000;

// The lane output of the fill: host array handle (-1 not open yet), its
// capacity in doubles and the write offset (doubles) of this call.
struct HatchOut {
    i32 handle = -1;
    i32 capacity = 0;
    i32 offset = 0;
};

// Lays the line from `start` towards `target` over the loops of set A (each
// loop: its point count, then x, y float pairs, the last repeating the
// first) and writes the crossings as (x, y) doubles from the write offset
// on. Kind 6: the crossings from the start to the target; 4: also those
// before the start; 5: as 6. Kinds 1 to 3 (lanes detouring along the
// boundary through entry moves) answer status -1 with "LAN_HATCH_FILL, KIND
// NOT AVAILABLE". out count: points written; flag: kept 0. Status 0, the
// host's status of a failed array operation, or 12 when the crossings pass
// HATCH_MAX ("LAN_HATCH_FILL, NUMBER OF CROSSINGS IS LIMITED TO 2000").
void lan_hatch_fill(const i32& kind, const f32* setb, const i32& nb, const f32* seta, const i32& na,
                    const f64* start, const f64* target, i32& count, HatchOut& out, i32& flag, i32& status);
// Base of the fill's lane output array (null when not open).
const f64* hatch_points(const HatchOut& out);
// Closes the lane output array (handle back to -1).
void hatch_close(HatchOut& out);

// Removes hatch point i (0-based) by moving the k entries after it down one
// place in all five columns; count drops by one.
void pkhatch_drop(i32 k, i32 i, f32* uv, i32* sides, i32* loops, i32* edges, i32& count);

// The contour-cleaning pass word (1 at load): set and read.
void ccl_pass_set(i32 value);
void ccl_pass_get(i32& value);
