// Loop tests of the pocket engine (plane pockets): whether a point or a loop
// lies inside, outside or on another loop, the searches of those tests over
// the islands and loops of the offset loop table, and the nearest points and
// distances of loops of lines and arcs.
//
// Containment codes: 0 outside, 1 inside, 2 on the loop (searches use 2 for
// a crossing too). Status 0; 11 when a pool array or a called test failed.
#pragma once

#include "core/words.h"
#include "pocket/pokarr.h"

// ----------------------------------------------------------- containment
// Containment of (x, y) in the loop's XY projection.
void lup_inside(const f64& x, const f64& y, const pokarr& loop, i32& result, i32& status);
// Containment of the first vertex of `piece` (arc data passed over) that
// lup_inside places off `loop`: 0 outside, 1 inside, 2 when every vertex
// lies on it; status nonzero when a test fails.
void lup_first_side(const pokarr& piece, const pokarr& loop, i32& answer, i32& status);
// The arc as points whose chords deviate at most `tol` (start, n - 1 inner
// points, end; 3 to 90 chords); out arrays hold at most 91 points.
void lup_arc_chords(const f64& tol, const f64& r, const i32& dir, const f64& cx, const f64& cy, const f64& sx,
                    const f64& sy, const f64& ex, const f64& ey, f64* ox, f64* oy, i32& n);
// Sweep from start to end in the arc's direction, in [0, 2 pi) (2 pi in
// single precision).
void lup_arc_sweep(const f64& r, const i32& dir, const f64& cx, const f64& cy, const f64& sx, const f64& sy,
                   const f64& ex, const f64& ey, f64& sweep);
// Side of B against A: B's points tested in turn until one is not on A.
void lup_side(const pokarr& a, const pokarr& b, i32 sign, const f64& distance, i32& result, i32& status);
// First island that holds (1) or crosses (2) the loop.
void lup_vs_islands(i32 mode, i32 skip, i32 ownrow, const pokarr& loop, i32& result, i32& status);
// Whether the new loop falls on one of the pocket loops with keys 1..count
// (stop 1 inside one, 2 crossing one in a contour of kind 2).
void lup_vs_loops(i32 count, const pokarr& loop, i32& stop, i32& status);
// The loop against every island except keys a and b.
void lup_vs_loops3d(const pokarr& loop, const i32& keya, const i32& keyb, i32& result, i32& status);
// The same for the common-loop builder.
void lup_vs_comlup(const pokarr& loop, const i32& keya, const i32& keyb, i32& result, i32& status);
// Makes the loop nearest the offset driver's start point the first
// contour's loop among rows i..j.
void lup_pick_first(const i32& i, const i32& j, i32& status);
// First loop (its row) that a lane crosses, other than rows a and b; status
// the answer of the crossing test, 0 when nothing is crossed.
void lane_cross_find(i32 rowa, i32 rowb, const pokarr& lane, const f64* lanedata, i32& row, i32& status);

// -------------------------------------------------------- nearest points
// Nearest segment of a 2-D loop to the offset driver's start point (foot
// given back in absolute coordinates); status 9 when there is none.
void lup_nearest_seg(const f64& distance, const f64* x, const f64* y, const i32& n, i32& seg, f64& t, f64& fx,
                     f64& fy, i32& status);
// Nearest point of a 2-D point list to (x, y). A segment above 0 on entry
// with its parameter and distance is the previous answer: the next nearest
// point is found.
void pk_near_point(const f64& px, const f64& py, const f64* x, const f64* y, const i32& n, i32& seg, f64& t,
                   f64& fx, f64& fy, f64& dist);
// Nearest point of a pocket array to a point, in the plane (dim 2 or a plane
// loop) or in 3-D; the same previous-answer rule. A segment below -1 on
// entry makes the incoming distance a reference: in 3-D a nearest point
// within it is measured by the way over the surfaces.
void pk_seg_locate(i32 dim, const f64* p, const pokarr& loop, i32& seg, f64& t, f64* foot, f64& dist);
// Farthest vertex of a pocket array from a point; in 3-D its distance is
// the way over the surfaces.
void pk_far_vertex(i32 dim, const f64* p, const pokarr& loop, i32& vertex, f64& t, f64* foot, f64& dist);
// Length of the way over the map grid's surface from a to b (3-D points,
// pocket coordinates): 0 for coincident points. Status -1 when the way
// cannot be found (no grid, a point off it, no memory); the length is then
// the straight distance, never 0.
i32 pk_surf_dist(const f64* a, const f64* b, f64& length);
// Smallest distance from the vertices of loop 2 to the segments of loop 1.
void lup_min_dist(const f64& margin, const f64* x2, const f64* y2, const i32& n2, const f64* x1, const f64* y1,
                  const i32& n1, i32& seg, f64& t, f64& fx, f64& fy, f64& dist, i32& word);
// Closest approach of two stretches of pocket arrays; kind 0 start
// vertices, 1 B's start to A's segment, 2 B's end, 3 A's start to B's
// segment, 4 A's end. Measured in space when A is not 2-D (arcs by their
// chords); the point then has three coordinates, else two.
void pk_nearest_pair(f64 margin, const pokarr& a, i32 a0, i32 a1, const pokarr& b, i32 b0, i32 b1, i32& sega,
                     f64& ta, i32& segb, f64& tb, f64& dist, f64* point, i32& kind);
// Largest distance from the vertices of loop 2 to loop 1, stopping above
// the limit (flag 1).
void oneoff_max_dist(const f64* x1, const f64* y1, const i32& n1, const f64* x2, const f64* y2, const i32& n2,
                     const f64& limit, f64& dist, i32& flag);

// The corner query of the nearest-segment rule: kind of the offset corner at
// vertex v of a 2-D point list between the incoming and outgoing segments
// (2 when the corner gives two offset points).
i32 lup_corner_kind(const f64* x, const f64* y, const i32& n, i32 v, const f64& distance);
