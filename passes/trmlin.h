// Pass lines against the trim boundary of a trimmed surface: the crossings
// of a hatch line with the boundary, the inside pieces of a pass, the side
// step between two passes along the boundary, the store of hatch segments,
// the orientation of a loop and the hatch range of a boundary.
#pragma once

#include "core/words.h"

// Crossings a caller's table holds for the pass and limit routines.
constexpr i32 NCRMAX = 2000;

// Crossings of the line y of the turned frame with the loops of a polygon
// set, sorted by x (sense 1 increasing, else decreasing), a crossing at a
// vertex where the boundary goes on counted once; at most cap are kept
// (then a message). Per crossing: point (x, y), loop and segment number, kind
// 1, and in dirs (may be null) +1 for a rising segment, else -1.
void NCRLIN(const f32* pol, const i32& nloops, const f32& y, const i32& sense, const i32& cap, i32& count, f32* pts,
            i32* loops, i32* segs, i32* kinds, i32* dirs);
// The inside pieces of the pass line of surface x (counted from 0: the
// surface number less 1, as the pass table's entries) through the (u, v)
// point online, as pairs of (1.0, u, v) triples from the along point first
// towards last (the other way with revflag); at most maxpts points. Status
// 0 (count 0: the line misses the region) or negative.
void trmpas(const i32& x, const i32& maxpts, i32& count, f32* pts, const i32& pcode, const i32& revflag,
            const f32* online, const f32* first, const f32* last, i32& status);
// The side step of surface x (counted from 0, as trmpas) from the end e1
// of one pass to the end e2 of the next, both (u, v) on one edge line, ref
// the other end of the first pass: straight when both lie inside, else
// along the boundary; (1.0, u, v) triples. Status 0, -1 when no crossing set is found.
void trmcnt(const i32& x, const i32& maxpts, i32& count, f32* pts, const i32& pcode, const f32* ref, const f32* e1,
            const f32* e2, i32& status);
// The chain along one closed loop l (count word first) from point p1 on
// segment a to point p2 on segment b, walking in sense (1 with the vertex
// order, -1 against it); (1.0, x, y) triples, at most maxpts.
void BNDWLK(const f32* l, const i32& a, const i32& b, const i32& sense, const f32* p1, const f32* p2,
            const i32& maxpts, i32& count, f32* pts, i32& status);

// Hatch-segment records (15 words) in a host store: word 0 the level, words
// 1-4 x1, x2, y1, y2, words 5-6 the kinds (reals), 7-8 the loops, 9-10 the
// segments, 11-12 the pairing flags of the two ends, 13 the previous record,
// 14 the next (0 none).
constexpr i32 HSG_WORDS = 15;
constexpr i32 HSG_LEVEL = 0, HSG_X1 = 1, HSG_X2 = 2, HSG_Y1 = 3, HSG_Y2 = 4, HSG_KIND = 5, HSG_LOOP = 7,
              HSG_SEG = 9, HSG_FLAG = 11, HSG_PREV = 13, HSG_NEXT = 14;
// Opens the store with an empty list; 0 or -1.
i32 HSGOPN();
// One record per crossing pair (1-2, 3-4, ...) linked at the end of the
// list; head out (0 while empty). Status 0 or -1 when the store cannot grow.
void HSGSTO(const f64& level, const f32* pts, const i32* kinds, const i32* loops, const i32* segs,
            const i32* flags, const i32& count, i32& head, i32& status);
// Fills record r from crossings k and k + 1.
void HSGSET(i32* r, const f64& level, const f32* pts, const i32* kinds, const i32* loops, const i32* segs,
            const i32* flags, const i32& k);
// Record number n of the store (null when the store is closed or n is out
// of range).
i32* HSGREC(i32 n);
// Closes the store.
void CLSLNS(i32& status);

// The sum of (x2 - x1)(y2 + y1) over the edges of loop l (count word
// first): negative for a loop that runs counter-clockwise.
f64 LOOPSM(const f32* l);
// Orients loop l (count word first) counter-clockwise; its id and area
// become the best when its area is the largest so far.
void LOOPOR(const i32& id, f32* l, i32& best, f32& area);
// Turns every point of nloops loops by (cos, sin); the smallest and largest
// turned y; mode 2 moves the smallest onto the grid through the reference.
void HATRNG(const f32& cs, const f32& sn, const i32& nloops, const i32& mode, const f32* ref, const f32& step,
            f32* loops, f32& ymin, f32& ymax);

// The vertices met walking along a loop of n vertices from a point on
// segment a to a point on segment b, in sense (1 with the vertex order, -1
// against it), handed to fn in order; none when a equals b.
template <class F>
void walkvtx(i32 n, i32 a, i32 b, i32 sense, F fn)
{
    if (a == b || n < 1) return;
    if (sense == 1) {
        for (i32 v = a % n + 1, k = 0; k < n; ++k, v = v % n + 1) {
            fn(v);
            if (v == b) break;
        }
    } else {
        for (i32 v = a, k = 0; k < n; ++k, v = v == 1 ? n : v - 1) {
            if (v == b) break;
            fn(v);
        }
    }
}
