// The self-intersection run of loops with heights (3-D pocket arrays): walks
// from crossing to crossing found on the way, each crossing recorded once, so
// that a loop that crosses itself in plan becomes loops free of crossings. In
// a plane pocket a crossing of two branches at different heights stands twice
// in a loop, once at each height.
#pragma once

#include "core/words.h"
#include "pocket/pokarr.h"
#include "pocket/selfint.h"

// Crossings one 3-D run records at most.
constexpr i32 PK3_MAX = 750;

// The crossing copy of the loop table: the crossings recorded so far, each
// with its two segments (negative: that branch walked) and its point;
// published by the run before each step of a walk, read by the searches
// below.
struct PkCrossCopy {
    i32 count = 0;
    i32 seg1[PKINGO_MAX], seg2[PKINGO_MAX];
    f64 x[PKINGO_MAX], y[PKINGO_MAX], z[PKINGO_MAX];
};
extern PkCrossCopy pkcross;

// Cuts a 3-D loop into loops (into store[0..made-1]); status as DELUPS's.
i32 delups3d(const pokarr& src, pokarr* store, i32& made);
// One walk from `start` (heights z1 on the first branch, z2 on the other)
// along segment start_seg: to the end of end_seg for the walk from the
// loop's start, else back to `start`; the loop into `result`. Status 0, 1
// too many crossings, 2 a crossing met again away from the start or a walk
// that reaches neither its end nor its start, 11 storage.
void delups(i32 start_seg, i32 end_seg, const f64* start, f64 z1, f64 z2, const pokarr& src, const PkBox& box,
            pokarr& result, i32& status);
// Records a crossing met by a walk (segments i walked, j the other, the
// point, its heights and kinds on both, the walk's start): 0 go on along j,
// 1 met again away from the start, -1 the table is full; entry: its place.
i32 ckintr(i32 i, i32 j, const f64* x, f64 zi, f64 zj, f64 ki, f64 kj, const f64* start, i32& entry);
// The nearest crossing along the piece W (segment `seg`, from P to Q) with
// another segment of the array: its point (with W's height), the crossed
// segment and its chunk; found 0 or 1. Mode: 6 and above skip the segments up
// to the limit given in `chunk`; -3 or above 2 check crossings at P against
// the recorded ones (and drop those the current walk passed over); then a
// value above 1 keeps a crossing at P only where a recorded crossing has
// both branches walked; a remaining 0 starts after `seg` in the first chunk.
// There is no earlier-loop argument: the run never passes one, and nothing
// says what an earlier loop would change in the search.
void pk_next_cross3(i32 mode, i32 seg, i32 first_chunk, const PkSegDesc& w, const f64* p, const f64* q,
                    const f64* guide, const pokarr& a, i32 start_seg, i32 end_seg, const f64* r, const PkBox& box,
                    i32& other, i32& chunk, f64* x, i32& found);
// Whether P is a crossing already recorded for segments a and b (either
// taken as its neighbour when P lies at its end).
void pk_known_cross3(const pokarr& a, i32 sa, i32 sb, const f64* p, i32& known);
// Whether P is a crossing already recorded on segment s.
void pk_known_cross1(i32 s, const f64* p, i32& known);
