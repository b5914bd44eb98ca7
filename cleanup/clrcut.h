// The cutting of a pocket's offset loops: the loops of each chain linked
// (the tool passes from one to the next by a short straight move), then cut
// in order as new rows of the loop table: loop chains, each loop once round
// from its link point, or lanes between the link points; each chain closed
// by a row of key 9999.
#pragma once

#include "core/words.h"

struct ClrLinks;

// Cuts the offset loops of the table (select: the driver's selection word,
// 0; radius: the distance between levels; direction +1 or -1). Status 0, 100
// (done, and the start was moved to the offset parameters' start point), or
// the failing status. The driver's work word is not taken: the cutting has no
// use for it.
void clr_cut(i32 select, const f64& radius, const i32& direction, const i32& cut_mode, i32& status);
// Cuts the loop of `row` once round from its link point (from its start when
// it has none) as a new row (tags 1, 1, parent `row`); status 11 on a failure.
void lup_cut_step(const ClrLinks& l, i32 row, const i32& direction, i32& status);

// The progress of the cutting: shown (loop progress display) or the
// interrupt poll, every `step` pieces.
struct CutProgress {
    bool shown = false;
    i32 step = 15, total = 0, done = 0;
};
// One piece cut.
void cut_progress(CutProgress& pg);
// Appends a chain's terminator row (key 9999).
void cut_terminator(i32& status);
