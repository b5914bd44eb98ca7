// Clean-up of closed pocket loops in place: short segments, points on
// straight runs, the refit of an arc to a new end, and the removal of spikes
// and zig-zags. The routines only shorten a loop (nothing is reallocated),
// report no failure and leave its area and direction words alone.
#pragma once

#include "core/words.h"
#include "pocket/pokarr.h"

// Removes segments shorter than the pocket's short-segment tolerance (arcs
// next to them refitted), then merges arcs of one circle.
void pk_del_short(pokarr& a);
// Removes points where the loop goes on straight; `closed` allows the test
// of the closing point, `zflag` lets Z count in a 3-D array; removed points
// go to the collector when one is given.
void pk_del_colin(const i32& closed, i32 zflag, pokarr& a, pokarr* collector);
// pk_del_colin over the caller's X and Y arrays; n becomes the new count.
void pk_del_colin_xy(const i32& closed, f64* x, f64* y, i32& n);
// Refits the arc that starts at entry a: mode 0 to end at entry b, mode 1
// to start at entry b (a = n - 1 read as 0); joints with neighbouring arcs
// are re-made. A refused refit changes nothing.
void pk_loop_fix(i32 a, i32 b, i32 mode, pokarr& arr);
// Takes spikes and zig-zags out of a closed loop (mode 0 and 1 first drop
// degenerate straight segments; mode 0 and 2 cut reversals beyond a cosine
// of -0.01, mode 1 beyond -0.85); `keep` protects the joints at entry 0 and
// at the middle entry. Ends with the short-segment removal.
void OFFSEG(i32 mode, i32 keep, const f64& tol, pokarr& a);
// Tolerances the clean-up uses in the current pocket: the short-segment
// length, the straight-run distance and sine.
f64 pk_short_tol();
f64 pk_colin_dist_tol();  // the straight-run distance
f64 pk_colin_sin_tol();  // the straight-run sine
