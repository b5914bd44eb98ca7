// Crossings of two loops: where two closed loops of lines and arcs cross, in
// which order along the first, and whether a common point is a crossing or
// only a touch.
//
// Mode word (decimal digits): hundreds 1 stop after the first crossing;
// tens 1 a closed walk of B (the clean-up pass and the merge of neighbouring
// crossings run, the larger capacity applies); units 0 plain, 2 heights of
// both loops, 3 plain with the clean-up pass, 4 the height difference.
#pragma once

#include <vector>

#include "core/words.h"
#include "pocket/pokarr.h"
#include "pocket/selfint.h"

// Capacities of a crossing table without and with the tens digit.
constexpr i32 LUP_CROSS_MAX = 740;
constexpr i32 LUP_CROSS_MAX10 = 6990;

// The caller's crossing table: A's segment, B's segment (negative for a
// touch), the point, and with the units digit 2 the heights on A and on B
// (4: A's less B's in h1).
struct CrossTable {
    std::vector<i32> aseg, bseg;
    std::vector<f64> x, y, h1, h2;
    CrossTable();
};

// Fills the crossing table of A against B (B's box table built by the
// caller; A and B may be one loop); count -1 when the capacity was
// exceeded. Status as LUPLUP's. A closed walk may nudge A where the loops
// run along each other.
void lup_intersect(i32 mode, pokarr& a, const pokarr& b, const PkBox& boxb, CrossTable& t, i32& count,
                   i32& status);
// lup_intersect with A left as it is (the walk nudges a copy) and B's box
// table built here; A and B may be one loop. Status -1 when the copy
// cannot be made (count -1 then).
void lup_intersect_kept(i32 mode, const pokarr& a, const pokarr& b, CrossTable& t, i32& count, i32& status);
// The crossing finder. Status 0, or 1 when crossings were found and all
// were removed as touches.
void LUPLUP(i32 mode, pokarr& a, const pokarr& b, const PkBox& boxb, CrossTable& t, i32& count, i32& status);
// Moves one straight segment (of i and j) of a 2-D loop 0.0005 to its right.
// Status 0 done, 1 both segments arcs, other values from the pool.
void luplup_cut(pokarr& loop, i32 i, i32 j, i32& status);
// Whether two loops only touch at a common point (1) or cross there (0),
// from the incoming and outgoing directions of both; flag set: 2-D, made unit.
void chkjunc(i32 flag, const f64* ain, const f64* aout, const f64* bin, const f64* bout, i32& result);
// 1 when B's two directions lie on different sides of A's about the
// reversed reference direction, else 0.
void luplup_angles(const f64* a1, const f64* a2, const f64* b1, const f64* b2, const f64* ref, i32& result);
// 1 when angle b lies farther counter-clockwise from r than angle a.
void angle_ccw_greater(const f64& r, const f64& a, const f64& b, i32& result);

// Working data of the last LUPLUP call, per crossing: positions along A and
// B from their segments' starts, touch kind (2 a touch) and the clean-up
// pass's mark. Whether the point is a vertex of A's or B's segment, and the
// segment that follows on each loop, are not kept: the clean-up pass and the
// nudge find them again from the point where they need them, and nothing
// after the call reads them.
struct LupWork {
    std::vector<f64> adist, bdist;
    std::vector<i32> touch, mark;
    std::vector<f64> ain, aout, bin, bout;  // unit directions, 2 a crossing
};
const LupWork& luplup_work();  // the working data of the last call
// Walks restarted by nudges in the last call (for checks).
i32 luplup_restarts();
