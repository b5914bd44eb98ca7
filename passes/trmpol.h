// Trim boundaries of surfaces as polygons in their (u, v) plane: densified,
// oriented and turned so that pass lines become lines of constant second
// coordinate; the trimming tolerance of a surface, the polygon of an
// untrimmed parameter rectangle, the crossings of a parameter line with a
// boundary for the limits, and walkers over closed polylines in space.
//
// A polygon set is a host array of reals: for each loop the count of its
// stored points (its vertices and the first one again, closing it), then the
// points (x, y). Every loop runs counter-clockwise (its sum of
// (x2 - x1)(y2 + y1) over the edges is negative). Vertices are numbered from
// 1; segment j runs from vertex j to vertex j + 1, the last one closing the
// loop.
#pragma once

#include "core/words.h"

// Stored points of the loop that begins at l (its count word).
inline i32 plcnt(const f32* l) { return static_cast<i32>(l[0]); }
// Vertex j (from 1) of the loop that begins at l.
inline f32* plvtx(f32* l, i32 j) { return l + 1 + 2 * (j - 1); }
inline const f32* plvtx(const f32* l, i32 j) { return l + 1 + 2 * (j - 1); }  // read-only
// The loop after the one that begins at l.
inline const f32* plnext(const f32* l) { return l + 1 + 2 * plcnt(l); }
inline f32* plnext(f32* l) { return l + 1 + 2 * plcnt(l); }  // writable
// The loop numbered k (from 1) of a polygon set.
const f32* plloop(const f32* set, i32 k);

// Densifies the host's loops (counts per loop, raw (u, v) pairs in the array
// huv, with flag3d 1 their 3D points in hxyz for the first loop) and writes
// the polygon set into a new array hpol. The raw arrays grow by the points
// inserted (counts and total follow). Status 0, or -1 with its message.
void chnpol(const i32& flag3d, const i32& id, const i32& nloops, i32* counts, i32& huv, i32& hxyz, i32& total,
            i32& hpol, i32& status);
// Closes a polygon set (user error on failure).
void clspb(i32& handle, i32& status);
// Turns every point of a polygon set by (cos, sin); the smallest and largest
// turned second coordinate out; grid mode 2 moves the smallest down onto the
// grid of the given step through the turned reference point.
void ROTPOL(const f32& cs, const f32& sn, const i32& nloops, const i32& hpol, const i32& grid, const f32* ref,
            const f32& step, f32& ymin, f32& ymax);
// The polygon set of trimmed surface id from the host's loops, not turned
// (the host's trim tolerance set to the part tolerance); the loop count.
// Status 0, or -1 without a message (the caller names itself).
void TRMPLY(const i32& id, i32& hpol, i32& nloops, i32& status);
// The polygon set of trimmed surface id, turned by 90 degrees when turn is
// 1; the sine and cosine used, the loop count. Status 0 or -1 (reported).
// The surface is named by its entity id alone: a caller that holds the
// surface's place in the procedure takes its id first (TRMSRF, which knows
// where machining type 14 keeps it), so no place number, and no negated id
// to say that an id is given instead, is handed in.
void TRMRT1(const i32& id, const i32& turn, f32& sn, f32& cs, i32& hpol, i32& nloops, i32& status);
// The same from the host's double-precision loops, with the 3D points of the
// first loop in h3d.
void TRMRT2(const i32& id, const i32& turn, f32& sn, f32& cs, i32& hpol, i32& nloops, i32& h3d, i32& status);
// Trimming tolerance of surface i (from 1) of the pass table.
void TRMTOL(const i32& i, f32& tol);
// The parameter rectangle of an untrimmed surface as a polygon set of one
// loop of 117 points; count out 1.
void RCTPOL(const i32& id, i32& count, i32& handle, i32& status);
// count (u, v) pairs from (u, v), the step added to u (direction 1) or v (2).
void GRDLIN(const i32& dir, const i32& count, const f32& u, const f32& v, const f32& step, f32* out);
// First and last crossing, in (u, v) and in the order of the second range,
// of the line at the first-range value p of surface i (from 1) with its trim
// boundary; p moves when the line had to be moved. Status 0 or -1.
void trmpar(const i32& i, f32& p, f32* first, f32* last, i32& status);
// Entity id of trimmed surface i (from 1) of the procedure; machining type
// 14 takes it from the host's list (list 2 when the first corner record is
// held). Status 0 or -1.
void TRMSRF(const i32& i, const i32& list, i32& id, i32& status);

// Walkers over a closed polyline of n points in space (segment j from point
// j to point j + 1, from 1; segment n closes it). Each answers 1 with the
// segment found, or 0.
// The segment nearest to x within one tool diameter; at once a segment x
// lies on. Parameter and distance out.
i32 PLYNRS(const f32* x, const f32* poly, const i32& n, i32& seg, f32& par, f32& dist);
// From segment first to segment last (on past the end), the first one that
// x lies on running along d1 or d2.
i32 PLYDIR(const f32* x, const f32* d1, const f32* d2, const f32* poly, const i32& n, const i32& first,
           const i32& last, i32& seg, f32& par, f32& dist);
// The first segment that x lies on within the close tolerance.
i32 PLYHIT(const f32* x, const f32* poly, const i32& n, i32& seg);
