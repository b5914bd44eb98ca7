// What the loop kernel uses of the offset engine (least forms until the
// offsets are built): one offset of a loop and the loop-tree search.
#pragma once

#include "core/words.h"
#include "pocket/pokarr.h"

// Offsets one loop by one distance and registers (kind 0) or collects (kind
// 1, 2) the pieces. Status 0 a piece kept, 1 the offset vanished, 9 no
// segment reaches the start point, 10 the loop table is full, 11 an internal
// failure. Least form: answers 11.
void oneoff_pokarr(const i32& kind, pokarr& loop, const i32& inward, const i32& side, const f64& radius,
                   const f64& distance, const f64& prevdist, const i32& row, const i32& level, const i32& key,
                   i32& nkeys, const i32& outward, i32 lanemode, i32& status);
// 1 when row b is row a's relative in the loop tree, else 0. Least form:
// answers 0.
i32 lup_tree_find(i32 rowa, i32 rowb, i32 deep);
