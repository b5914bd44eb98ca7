// The area-clearing entry of the pocket engine: an outer contour with its
// islands in, the tours that clear it out; the engine's state is saved on
// entry and given back on exit, so that a clearing may run inside another.
#pragma once

#include "core/words.h"

// Clears the area of n contours (counts[k] points each, x, y float pairs
// one contour after another, the outer one first), with one allowance a
// contour. a1: the cut mode (0, 1, 2), a2: 1 when a3 is an end value, a3:
// the end value, a4: the side value and chord tolerance. nloops in: the
// room for loops, out: the loops written; loop points at most 7000. Status
// 0 (also for a pocket too small to clear, with no loops), negative failure.
void clrpok(i32 a1, i32 a2, const f32& a3, const f32& a4, i32 n, const i32* counts, const f32* points,
            const f32* allow, i32& nloops, i32* loopcounts, f32* looppoints, i32& status);
