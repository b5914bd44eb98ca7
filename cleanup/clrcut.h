// The cutting of a pocket's offset loops: each chain of loops followed from
// its end row and every loop cut once round as a tour, registered as new
// rows of the loop table in cutting order, each chain closed by a row of
// key 9999.
#pragma once

#include "core/words.h"

// Cuts the offset loops of the table (select: the driver's selection word,
// 0; radius: the distance between levels; direction +1 or -1). Status 0,
// or the failing status of a cut.
void clr_cut(i32 select, const f64& radius, const i32& direction, const i32& cut_mode, i32& status);
// Cuts the loop of `row` once round from its start as a new row (tags 1, 1,
// parent `row`); status 11 on a failure.
void lup_cut_step(i32 row, const i32& direction, i32& status);
