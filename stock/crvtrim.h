// Curve moves cut where they reach a height or cross a line: the parameter
// search on a B-spline curve, the NURBS move replaced by its pieces, the
// plunge test, and the clean-up of a rewritten tool path (down-and-up
// excursions between traverses removed, runs of rapid moves lifted to the
// working clearance height).
#pragma once

#include "core/words.h"
#include "stock/tppoints.h"

// 1 when Q lies straight below P (same X and Y by the host's zero test).
i32 is_plunge(const f32* P, const f32* Q);
// The parameter near t where the curve's world Z equals z, and the point
// there: the bracket of t -+ 0.1 is moved until it holds z (kept within the
// curve's range), then halved at most 100 times keeping z between its
// ends. Status 0, or -1 when the curve never reaches z.
void bcrv_par_at_z(f64* point, f64& t, const i32& curve, const f64& z, i32& status);
// The same where the curve crosses the line a-b (in XY); flag 0 turns the
// curve's points into world coordinates.
void bcrv_par_at_line(const i32& flag, f64* point, f64& t, const i32& curve, const f64* a, const f64* b,
                      i32& status);
// Distance of p from the line through a and b in XY.
f64 dist_pt_line(const f64* p, const f64* a, const f64* b);
// Replaces the NURBS move at the cursor (order k, n control points of dim
// coordinates, n + k knots) by its pieces before t1, between t1 and t2 and
// after t2 (ends that coincide with the move's own dropped), each with the
// move's feed. block: the first piece's number, block2 the middle's. A
// failed write leaves the tool path as it was.
void trim_nurbs_move(const f64* trim1, const f64* trim2, const f64* start, const f64* end, const f64& t1,
                     const f64& t2, i32& n, const f64* knots, const f64* points, const i32& k, const i32& dim,
                     i32& block, i32& block2, i32& status);
// The parameter t of the curve point nearest to `at` (world coordinates)
// and that point (world). Status -1 when the host finds none.
void crv_nearest(const i32& curve, const f32* at, f64& t, f64* point, i32& status);
// Cuts the NURBS move `block` (read as c, starting at `start`) at the curve
// parameter t whose point is `cut` (world): the piece up to t keeps the
// cursor and its number goes into block, the rest follows as the next move,
// each with the move's feed. 1 when cut; 0 when t lies at an end of the
// curve (the move stays whole). Status below 0 on a failed edit.
i32 crv_cut_at(const NurbsMove& c, const f64& t, const f64* cut, const f32* start, i32& block, i32& status);
// Runs tp_drop_verticals then tp_join_rapids over the tool path list.
void tp_clean_moves(const i32& mode, i32& status);
// Deletes the moves of a vertical descent and rapid ascent between two
// traverses. Status 0 at the end of the tool path, a read or edit error's
// status otherwise.
void tp_drop_verticals(i32& status);
// Lifts runs of rapid moves after a move at feed, of two or more moves in
// X or Y, to the working clearance height. Status as tp_drop_verticals.
void tp_join_rapids(i32& status);
