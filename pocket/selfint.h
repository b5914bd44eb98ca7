// Loop self-intersections and the search structures of the loop kernel: the
// box table of a pocket array, the first crossing of one segment with a loop,
// the crossing table of a self-intersection run and the cut of a loop that
// crosses itself into loops free of crossings, handed out one per call.
#pragma once

#include "core/words.h"
#include "pocket/pokarr.h"

// Box table of one pocket array: chunks of consecutive segments with their
// boxes (arcs with their bulge). start[k] is the entry position (from 1) of
// chunk k's first point (k from 0); start[count] closes the last chunk.
constexpr i32 PKBOX_MAX = 750;
struct PkBox {
    f64 xmin[PKBOX_MAX], ymin[PKBOX_MAX], xmax[PKBOX_MAX], ymax[PKBOX_MAX];
    i32 start[PKBOX_MAX];
    i32 count;
};
// Fills the box table of a pocket array of at least one entry.
void pkbox_make(const pokarr& a, PkBox& box);

// One segment of a loop: a straight piece from s to e, or an arc from s to e
// about c with radius r and direction dir.
struct PkSegDesc {
    i32 arc = 0;
    f64 s[2] = {0, 0}, e[2] = {0, 0}, c[2] = {0, 0};
    f64 r = 0.0;
    i32 dir = 1;
};
// Segment `seg` (numbered by its closing entry) of a loop; false when there
// is no such segment.
bool pk_seg_desc(const pokarr& a, i32 seg, PkSegDesc& d);
// Segment after (mode 1) or before (mode 2) `seg` on a closed loop, wrapping
// at its ends; 0 when the loop has no segments.
i32 pk_seg_step(const pokarr& a, i32 seg, i32 mode);
// Number of the last segment of a loop (0 when none).
i32 pk_seg_last(const pokarr& a);
// Unit direction of a segment at its start (which 1), its end (2), or at
// the point p on it (0).
void pk_seg_dir(const pokarr& a, i32 seg, i32 which, const f64* p, f64* d);
// Box of a described segment from its start to its end (an arc's bulge
// included).
void pk_desc_box(const PkSegDesc& d, f64& xl, f64& yl, f64& xh, f64& yh);
// Unit directions of a closed loop just before and just after the point p of
// segment `seg` (d its description): at a joint those of the two segments
// meeting there, elsewhere the segment's own, twice.
void pk_dirs_at(const pokarr& a, i32 seg, const PkSegDesc& d, const f64* p, f64* before, f64* after);

// The crossings (at most two) of two segments, each with a touch flag (1 for
// a tangent contact); `a_first`: A is passed first to the straight-segment
// intersection; `neighbour`: the two meet at a joint, which is no crossing.
// lc_mode is the LINCIRC mode of a straight/arc pair (1: a tangent point is
// no crossing, 2: it is one, 3: as 1); line_snap the snap code when `a` is
// the straight one.
i32 pk_pair_cross(const PkSegDesc& a, const PkSegDesc& b, bool a_first, bool neighbour, f64 pts[2][2], i32 touch[2],
                  i32 lc_mode = 1, i32 line_snap = 1);

// A crossing of one segment with a loop, as LUPSEG answers it: found 0 none,
// 1 a crossing, 2 a touching contact; B's segment, the chunk it lies in, the
// point and its position along the segment (distance for a straight one,
// fraction for an arc).
struct LupsegHit {
    i32 found = 0;
    i32 bseg = 0;
    i32 chunk = 0;
    f64 x = 0.0, y = 0.0;
    f64 pos = -1.0;
};
// The first crossing of segment `seg` (A's segment number `aseg`) with loop
// B beyond the crossing `prev` (prev.found 0: from the segment's start),
// searching B chunk by chunk from `chunk0` through its box table. `self`: A
// and B are one loop (only B's segments numbered above aseg are searched,
// and none that meets aseg only at their shared joint).
void LUPSEG(const PkSegDesc& seg, i32 aseg, const pokarr& b, const PkBox& box, i32 chunk0, bool self,
            const LupsegHit& prev, LupsegHit& hit);

// The crossing table of a self-intersection run (7000 slots).
constexpr i32 PKINGO_MAX = 7000;
struct PkIngo {
    i32 ingo[PKINGO_MAX];   // segment on the first branch (negative once walked, 3-D)
    i32 ingo1[PKINGO_MAX];  // segment on the second branch
    f64 u1[PKINGO_MAX], u2[PKINGO_MAX];  // positions along both segments (2-D) or kinds (3-D)
    f64 xing[PKINGO_MAX], ying[PKINGO_MAX];
    f64 zing[PKINGO_MAX], z2[PKINGO_MAX];  // heights on the walked and the other branch (3-D)
    i32 left1[PKINGO_MAX], left2[PKINGO_MAX];  // first and second side left (2-D)
    i32 count;
};
extern PkIngo pkingo;

// Cuts a loop that crosses itself into loops free of crossings. With `more`
// 0 the cut is made, the first loop is moved into `result` and `more` gets
// the number of loops less one; each later call (more not 0) moves the next
// loop and keeps `more`. Status 0; 1 too many crossings; 2 an inconsistent
// crossing, an unfinished walk or a nested run; 11 storage failure. On a
// nonzero status nothing is handed out and the store is emptied.
void DELUPS(const pokarr& src, pokarr& result, i32& more, i32& status);
// Frees the loops DELUPS still holds; its count and position become 0.
void DELREL();
// The run state word: 1 idle, 3 while a cut is being made (a cut asked for
// then is refused).
i32& delups_state();
// Loops made by the last cut and those handed out (for checks).
i32 delups_made();
i32 delups_given();  // the loops handed out
