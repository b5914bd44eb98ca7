// The feed stage of the optimizer: every cutting move of the tool path is
// cut into the stock in turn and given a feed factor from the stock it
// removes and its slope (feed mode 2), or the number of passes it would
// need (feed mode 3); a line whose factor changes part-way is cut there.
#pragma once

#include "core/words.h"

// Handles the next move of the tool path list and leaves the cursor one
// block past it. block: -1 on the first call of a run, then the number of
// the move handled (0 when none was left); end 1 when the cursor reached
// the list's end; plunge 1 for a vertical move down; ref the reference
// volume per unit of length; length the move's length (4 D for a rapid);
// factor in: the previous move's, out: the move's factor (mode 2), pass
// count (mode 3) or -1.0 for a rapid; depth the deepest cut; pass_flag
// (mode 3) 1 nearly full, -1 last pass nearly empty; point in: the previous
// tool position, out: the end of what was handled; top the highest stock
// top seen. Status below 0 when a block cannot be read or rewritten.
void optim_feed_move(i32& block, i32& end, i32& plunge, const f32& ref, f32& length, f32& factor, f32& depth,
                     i32& pass_flag, f32* point, f32& top, i32& status);
// Stamps the line Q to P sample by sample (half a tool diameter each) and
// answers 1 when the factor (mode 2) or the pass count (mode 3) changes
// along it: split is where the new factor begins and the trial stamping is
// undone; 0 when it does not change (the line is then stamped). volume,
// depth and top are summed and raised over the samples.
i32 optim_feed_split(const f32* Q, const f32* P, f32* first_start, f32* split, const f32& ref, f32& volume,
                     f32& depth, f32& top, i32& status);
// Rewrites the line at the cursor (from prev to end) in pieces ending at
// first_start (when it differs from prev), at split and at the old end;
// end becomes the end of the first piece and block its number, and the
// cursor is left on it. No feed is written: the pieces run at the feed in
// force.
void optim_line_split(const f32* prev, f32* end, const f32* first_start, const f32* split, i32& block,
                      i32& status);
// 1 when A and B differ in Z only, else 0.
i32 optim_is_vertical(const f32* A, const f32* B);
// The feed stage over the tool path list from its start with the reference
// volume per unit of length: a feed written in front of every move (mode
// 2), or runs of moves that need several passes stepped down (mode 3).
// Status 1000 when the user stopped, below 0 on failure.
void optim_feed_stage(const f32& ref, i32& status);
