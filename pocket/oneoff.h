// One offset of a loop of the offset loop table: the loop cleaned and
// started, offset by one distance, cut into pieces free of crossings, the
// valid pieces kept and registered as new rows (or collected for the
// common-loop builder); with the overshoot mode (out by the distance plus
// the end value and back) and the lane mode (loops of a radius sweep where
// the step offset leaves material).
#pragma once

#include "core/words.h"
#include "pocket/lanes.h"
#include "pocket/pokarr.h"

// Offsets one loop by one distance and registers (kind 0) or collects (kind
// 1, 2, into the common-loop builder's second collection) the pieces. The
// loop is cleaned and restarted in place. nkeys: the number of contour keys,
// raised for each new key. Status 0 a piece kept, 1 the offset vanished, 9
// no segment reaches the start point, 10 the loop table is full, too many
// pieces or the split failed ten times, 11 an internal failure; other
// statuses of the offset and the tests are passed on.
void oneoff_pokarr(const i32& kind, pokarr& loop, const i32& inward, const i32& side, const f64& radius,
                   const f64& distance, const f64& prevdist, const i32& row, const i32& level, const i32& key,
                   i32& nkeys, const i32& outward, i32 lanemode, i32& status);
// Releases the engine's lists (every call ends with it).
void oneoff_release();
