// DELETE LOOP: the loops a run of lines and arcs makes between two motions
// are cut out where the path, seen in its best-fitting plane, crosses itself;
// the path goes straight through the crossing point.
#pragma once

#include "core/words.h"

// One point of a run: the point, its tool vector, the type (2, 222, 3, 223)
// and number of the block it belongs to.
struct LoopPoint {
    f32 p[3], v[3];
    i32 type, number;
};
// One loop: the two crossing blocks (numbers and types), the crossing point
// and the unit tool vector there.
struct Loop {
    i32 number1, type1, number2, type2;
    f32 p[3], v[3];
};
constexpr i32 LOOP_POINTS = 1000, LOOP_MAX = 10;

// DELETE LOOP between the start and end keys after "OK TO TRIM ?": changed 1
// when a loop was removed; status 0, -2 declined, -3 list failure.
void EDTLOP(i32* start, i32* end, i32& type, i32& changed, i32& request, i32& status);
// The loops of a run of n points (at most maxloops), in path order. Status
// 0; -1 for fewer than three points or points that define no plane.
void find_loops(LoopPoint* points, i32 n, i32 maxloops, Loop* loops, i32& nloops, i32& status);
// Cuts one loop out, from the run's start (list mark 5): the blocks from the
// first crossing block to the second are removed or cut at the crossing.
void trim_one_loop(const Loop& loop, i32* key, i32& changed, i32& status);
// Appends the polygon of one arc (chordal tolerance tol) to the points,
// from its start point (with first set, the start itself first); status -1
// when it does not fit in room.
void ARC2PL(i32 first, i32 plane, f32 sweep, const f32* centre, const f32* start, const f32* end, const f32* svec,
            const f32* evec, f32 tol, i32 room, LoopPoint* out, i32& added, i32& status);
// The sweep of an arc from start to end about the centre in its plane (1 XY,
// 2 XZ, 3 YZ), in the sense of the given sweep and below a full turn.
void arc_sweep(i32 plane, const f32* centre, const f32* start, const f32* end, f32 sense, f32& sweep, i32& status);
