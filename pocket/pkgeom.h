// Segment geometry of pocket loops: points, lengths, tangents and nearest
// points of straight and circular segments, the intersections of two
// segments, arc conditioning, loop boxes and the restart of a loop at a point.
//
// Segment model: every entry is a point unless its X is above 1e20 (an arc
// marker). A straight segment runs between two consecutive points; an arc
// starts at the point before its marker, then come the radius and direction
// (+1.0 counter-clockwise, -1.0 clockwise), the centre and the end point. A
// segment is numbered by the entry (from 0) that closes it: the end point of
// a straight segment, the marker of an arc. An arc runs from its start in its
// direction to its end: its sweep lies in [0, 2 pi), a half turn or more
// included.
//
// Tolerances of the kernel (fixed, not the host's): points coincide when the
// squared distance is below 1e-12, values when they differ by less than 1e-6.
#pragma once

#include "core/words.h"
#include "pocket/pokarr.h"

// ------------------------------------------------------------ comparisons
// Two XY points coincide (squared distance below 1e-12): 1 or 0.
i32 pk_eqpt2(const f64* a, const f64* b);
// As pk_eqpt2 in a plane pocket, else in three coordinates.
i32 pk_eqpt(const f64* a, const f64* b);
// Three coordinates; a null b tests a against the origin.
i32 pk_eqpt3(const f64* a, const f64* b);
// |a - b| below 1e-6; |a| below 1e-6.
i32 pk_eqval(const f64& a, const f64& b);
i32 pk_eqval0(const f64& a);  // |a| below 1e-6

// ------------------------------------------------------- segment geometry
// Point of segment i at parameter t (x, y and z); i moves back to the arc's
// start entry when it points into an arc block of an XY array.
void pokarr_point_at(const pokarr& a, i32& i, const f64& t, f64* p);
// Z of the point p on segment i (written to p[2]) and the two further
// values of the segment-height routine.
void pk_get_seg(const pokarr& a, const i32& i, f64* p, f64* v, i32& flat, i32& status);
// Length of every segment (an arc followed by three zeros) into the 1-D
// output when given, and their sum; mode 2 leaves Z out.
void pokarr_seg_lengths(i32 mode, const pokarr& a, pokarr* out, f64& total, i32& status);
// Start entry of the longest segment (arcs by 1.5 times the squared chord).
void pk_longest_seg(const pokarr& a, i32& index);
// Area and direction of a closed XY loop over caller arrays.
void pk_area_xy(f64* x, f64* y, const i32& n, f64& area, i32& dir);
// Reverses a loop in place, arcs included; the direction word is negated.
void pokarr_reverse(pokarr& a);
// Reverses the caller's interleaved points (kind 2: x, y; 3 and 4: x, y, z,
// kind 4 followed by a normal a point); answers the status before a
// negative one is stored as 11.
i32 pk_reverse_pts(i32 kind, f64* pts, const i32& n, i32& status);
// Point at t on a straight segment.
void pk_lin_point(const f64& x1, const f64& y1, const f64& x2, const f64& y2, const f64& t, f64& x, f64& y);
// Point at t on an arc (radius, direction, centre, start, end).
void pk_arc_point(const f64& r, const i32& dir, const f64& cx, const f64& cy, const f64& sx, const f64& sy,
                  const f64& ex, const f64& ey, const f64& t, f64& x, f64& y);
// Point at t on an arc by angles.
void pk_arc_point_ang(const f64& r, const i32& dir, const f64& cx, const f64& cy, const f64& sx, const f64& sy,
                      const f64& ex, const f64& ey, const f64& t, f64& x, f64& y);
// Unit tangent of an arc at its start (which = 1) or end.
void pk_seg_normal(const i32& which, const f64& cx, const f64& cy, const f64& unused, const i32& dir,
                   const f64& sx, const f64& sy, const f64& ex, const f64& ey, f64& tx, f64& ty);
// Nearest point of an arc to (px, py): distance, foot and arc parameter;
// mode 2 also takes the nearer end point when the foot is off the arc.
void pk_pnt_arc(const i32& mode, const f64& px, const f64& py, const f64& r, const i32& dir, const f64& cx,
                const f64& cy, const f64& sx, const f64& sy, const f64& ex, const f64& ey, f64& dist, f64& fx,
                f64& fy, f64& t);
// Fraction of an arc's sweep at a point of its circle (above 1 beyond its end).
void pk_arc_range(const f64& r, const i32& dir, const f64& cx, const f64& cy, const f64& sx, const f64& sy,
                  const f64& ex, const f64& ey, const f64& fx, const f64& fy, f64& t);
// Fraction of the arc's sweep at a point and the unit tangent there.
void pk_angle(const f64& unused, const i32& dir, const f64& cx, const f64& cy, const f64& sx, const f64& sy,
              const f64& ex, const f64& ey, const f64& px, const f64& py, f64& frac, f64& tx, f64& ty);
// Side of direction OC against the wedge from OA to OB: 0 inside, 2 or -2.
void pk_wedge_side(const i32& dir, const f64* o, const f64* a, const f64* b, const f64* c, i32& code);
// Parameter of a point along a 2-D segment (1.5 off a degenerate one).
void pk_lin_int(const f64& x1, const f64& y1, const f64& x2, const f64& y2, const f64& px, const f64& py, f64& t);
// Parameter of a point along an n-dimensional segment.
void pk_max_axis(i32 n, const f64* a, const f64* b, const f64* p, f64& t);
// Signed magnitude of a x b (the XY cross in a plane pocket).
f64 pk_cross_mag(const i32& dimword, const f64* a, const f64* b);
// Whether a closed XY loop over caller arrays crosses itself (1), 0, or a
// negative failure.
void pk_self_int_xy(f64* x, f64* y, const i32& n, i32& status);
// Whether two loops cross (1) or not (0); negative on failure. Mode 100 two
// loops, 111 a loop with itself.
void pk_arr_int(i32 mode, const pokarr& a, const pokarr& b, i32& status);
// Directed sweep of an arc from start to end in its direction, in [0, 2 pi).
f64 pk_arc_sweep(const i32& dir, const f64& cx, const f64& cy, const f64& sx, const f64& sy, const f64& ex,
                 const f64& ey);

// ------------------------------------------------------ arc intersections
// Position of a point against an arc: 0 off its span, 1 within, 2 at the
// start, 3 at the end.
void pk_pnt_on_arc(const f64& cx, const f64& cy, const f64& r, const i32& dir, const f64& sx, const f64& sy,
                   const f64& ex, const f64& ey, const f64& px, const f64& py, i32& code);
// Fraction of the arc's sweep from S at P (points as pairs; the direction
// of the arc is given).
void pk_arc_frac(const f64& r, const i32& dir, const f64* c, const f64* s, const f64* e, const f64* p, f64& frac);
// pk_arc_frac with separate values.
void pk_arc_frac_xy(const f64& r, const i32& dir, const f64& cx, const f64& cy, const f64& sx, const f64& sy,
                    const f64& ex, const f64& ey, const f64& px, const f64& py, f64& frac);
// Line P1P2 and circle (C, r): count -1 degenerate line, 0, 1, 2.
void pk_lin_circ(const f64* p1, const f64* p2, const f64* c, f64 r, f64& t1, f64& t2, f64* x1, f64* x2, i32& n);
// Two circles: count -1 coinciding, 0, 1, 2; points as four doubles.
void pk_circ_circ(const f64* c1, const f64& r1, const f64* c2, const f64& r2, f64* pts, i32& n);
// pk_circ_circ with separate values.
void pk_circ_circ_xy(const f64& c1x, const f64& c1y, const f64& r1, const f64& c2x, const f64& c2y, const f64& r2,
                     i32& n, f64& x1, f64& y1, f64& x2, f64& y2);
// Distance of a point from a straight segment and the foot.
void pk_dist_seg(const i32& flag, const f64& px, const f64& py, const f64& x1, const f64& y1, const f64& x2,
                 const f64& y2, f64& dist, f64& fx, f64& fy);

// Selection codes of a straight segment against an arc.
struct LinCirc {
    i32 snap = 1;   // 2: a joint candidate takes the straight segment's end point
    i32 order = 1;  // 2: candidates ordered along the straight segment, else along the arc
    i32 pick = 1;   // which of two candidates (1 first unless at the start, 2 and 3 last, 0 first)
};
// Straight segment P1P2 (with its reference copy Q1Q2) against the arc (C,
// r, dir, S, E): count 0 or 1 and the point. Mode 1: a tangent point is none;
// 2: it is one; 3: as 1, and the mode cell becomes 2.
void LINCIRC(i32& mode, const LinCirc& sel, const f64& cx, const f64& cy, const f64& r, const i32& dir,
             const f64* p1, const f64* p2, const f64* s, const f64* e, const f64* q1, const f64* q2, f64& x,
             f64& y, i32& n);
// Two arcs: count 0, 1, or 2 for coinciding circles. Pick 1 decides along
// the first arc; exclude 1 drops candidates at end points, 2 (with pick 1)
// takes the other candidate for one at a start point.
void pk_arc_arc(const i32& pick, const i32& exclude, const f64& c1x, const f64& c1y, const f64& r1, const i32& d1,
                const f64* s1, const f64* e1, const f64& c2x, const f64& c2y, const f64& r2, const i32& d2,
                const f64* s2, const f64* e2, f64& x, f64& y, i32& n);

// ------------------------------------------------ straight intersections
// Guide directions are absent when their first value is 1e20 or more.
constexpr f64 PK_NOGUIDE = 1.0e25;
// Two 2-D segments, working (a1, a2, b1, b2) and reference copies (bounds
// and snapping targets); status 0 none, 1 found, 2 degenerate or parallel,
// 3 found through the nearly parallel branch. Modes 1 and 3: lines.
void pk_lnln_off(i32 mode, const f64* a1, const f64* a2, const f64* b1, const f64* b2, const f64* ra1,
                 const f64* ra2, const f64* rb1, const f64* rb2, const f64* ga, const f64* gb, f64& x, f64& y,
                 i32& status);
// The same over points of three doubles, 2-D or 3-D by the dimension word.
void pk_lnln_dim(i32 mode, const f64* a1, const f64* a2, const f64* b1, const f64* b2, const f64* ra1,
                 const f64* ra2, const f64* rb1, const f64* rb2, const f64* ga, const f64* gb, f64* x, i32& status);
// Two 2-D segments: status 0, 1, 2.
void pk_lnln2(const f64* p1, const f64* p2, const f64* q1, const f64* q2, f64* x, i32& status);
// Two 3-D segments (twelve doubles), optional boxes (least x, y, z then
// greatest, for each segment): point, fractions, status -2 .. 2.
void pk_lnln3(const f64* pts, const f64* boxes, f64* x, f64& ta, f64& tb, i32& status);
// Two 3-D lines that share a plane: point, parameters, status 0, -2 the
// same line, -3 not in one plane, or the line intersection's.
void pk_ln3_plane(const f64* p, const f64* u, const f64* q, const f64* v, f64* x, f64& tp, f64& tq, i32& status);
// Host-style line intersection of two 2-D lines through points with unit
// directions: point, distances along each; -2 parallel.
void pk_intvv2(const f64* p, const f64* u, const f64* q, const f64* v, f64* x, f64& sp, f64& sq, i32& status);

// -------------------------------------------------------- arc conditioning
// Splits every arc of a half turn or more (XY arrays).
void pk_split_arcs(pokarr& a, i32& status);
// Replaces nearly flat arcs by straight segments (XY arrays).
void pk_flat_arcs(pokarr& a);
// Replaces short arcs by three points on them (XY arrays).
void pk_arc_to_pts(pokarr& a);
// Merges consecutive arcs of one circle (XY arrays).
void pk_merge_arcs(pokarr& a);
// Bounding box of an arc, its bulge included.
void pk_arc_box(const f64& cx, const f64& cy, const f64& r, const i32& dir, const f64& sx, const f64& sy,
                const f64& ex, const f64& ey, f64& xmin, f64& ymin, f64& xmax, f64& ymax);

// ---------------------------------------------------- boxes and restart
// Restarts a closed loop at a point of segment i: mode 0 the given point
// (px, py), other modes the point at parameter t (given back in px, py).
// Status 0, 11 storage failure (the loop unchanged).
void pokarr_start_at(pokarr& a, i32 i, i32 mode, const f64& t, f64& px, f64& py, i32& status);
// Bounding box of a 2-D loop, arcs included.
void pk_arr_box(const pokarr& a, f64& xl, f64& yl, f64& xh, f64& yh);
// Two boxes overlap (touching counts), with the host's tolerant compares.
i32 pk_box_ovl2(const f64& xl1, const f64& yl1, const f64& xh1, const f64& yh1, const f64& xl2, const f64& yl2,
                const f64& xh2, const f64& yh2);
// Two boxes of m coordinates overlap within the tolerance.
i32 pk_box_ovln(i32 m, const f64& tol, const f64* lo1, const f64* hi1, const f64* lo2, const f64* hi2);
