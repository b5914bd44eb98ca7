// The crossings of a straight lane with a loop, used by the loop kernel's
// lane test and the cutting.
#pragma once

#include "core/words.h"
#include "pocket/pokarr.h"

// Crossings of the segment from-to with the loop, found in plan; found: 0
// none, else the number of crossings (mode 1: only the first, found 1), the
// one nearest `from` in `pt`. Mode 3 is the lane test's: on a loop with
// heights (from and to then hold x, y, z) a crossing is passed over when
// both ends lie more than 1e6 above or both more than 1e6 below the loop's
// height there; on a plane loop it acts as 0.
// When given, seg and frac receive the loop segment of that crossing (its
// closing entry) and the fraction along it.
void lup_seg_cross(const i32& mode, const f64* from, const f64* to, const pokarr& loop, f64* pt, i32& found,
                   i32* seg = nullptr, f64* frac = nullptr);
// Unit direction of a plane loop (X, Y arrays of n entries, arcs inline) on
// segment `seg` (its closing entry) at parameter t: a line's direction or
// the arc's tangent. A segment number before the first or after the last
// wraps round the closed loop. Status 0, 11 no segment there.
void pk_seg_dir_at(const f64* x, const f64* y, const i32& n, i32 seg, const f64& t, f64* dir, i32& status);
// Unit directions of the segment arriving at entry `index` of a closed
// plane loop and of the segment leaving it (arcs by their tangents).
void pk_corner_nrm(i32 index, const f64* x, const f64* y, const i32& n, f64* dir_in, f64* dir_out);
// 1 when the entry point is free for an entry move. The module keeps no
// table of used entry points, so every point is free.
void entry_pt_unused(const f64* point, i32& answer);
