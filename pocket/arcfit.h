// Arc fitting of pocket contours: runs of points that lie on a circle within
// a tolerance are replaced by arcs (in the pocket arrays' inline arc form).
#pragma once

#include "core/words.h"
#include "pocket/pokarr.h"

// Circle through the ends of a window of n points (x, y) whose centre lies on
// the chord's bisector, placed by the mean of the middle points' estimates.
// Gives the centre, radius, direction (+1 counter-clockwise, -1 clockwise)
// and the largest radial deviation of the window's points; false when the
// window has fewer than 3 points, a chord shorter than tol in X and in Y, or
// no usable middle point.
bool pk_arc_fit(const f64* x, const f64* y, i32 n, const f64& tol, f64* centre, f64& radius, i32& dir, f64& value);
// Check of a fitted circle against the window's points and the midpoints of
// their chords (band factors f1, f2 of the tolerance; pass 1 keeps the points
// within R + f2 tol, pass 2 above R - f2 tol). 0 accepted, 2 rejected by a
// point outside R + tol, 1 rejected otherwise. The deviation, when asked for,
// is the largest radial distance from the circle of the points and chord
// midpoints checked, or
// 10 tol for an arc rejected by its size or sweep.
i32 pk_arc_check(const f64* x, const f64* y, i32 n, const f64& tol, i32 pass, const f64* centre, const f64& radius,
                 i32 dir, f64* deviation = nullptr);
// Fits arcs to the 2-D list `pts` made of `npieces` consecutive pieces of
// sizes[k] entries, passes start_pass .. 2, and splits arcs of 178.1 degrees
// or more. A piece whose fitted form crosses itself keeps its points; `keep`
// (in: nonzero to ask) comes back 1 when the last piece examined (one of 6
// entries or more; shorter ones are copied through) was kept so in the last
// pass run (a pass 2 that fits it cleanly clears what pass 1 set).
// Status 0, 11 storage failure (the list unchanged).
void pk_fit_arcs(const f64& tol, pokarr& pts, const i32& npieces, i32* sizes, const i32& start_pass, i32& keep,
                 i32& status);
