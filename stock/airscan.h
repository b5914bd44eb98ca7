// The air-cut stage of the optimizer: the tool path is walked and cut into
// the stock move by move; runs of feed moves that remove no stock, at least
// twice the tool's diameter long, are found (moves partly in the air cut
// where the cutter enters or leaves the stock) and rebuilt as rapid links
// over the stock.
#pragma once

#include "core/words.h"

// 1 once the scan found a feed move that cuts no stock (cleared by the run).
extern i32 air_found;

// Finds the next run of air moves. first: in -1 at the start of the path,
// else the move to go on from; out the cutting move before the run (-1 at
// the path's start). last: the run's last move. at_end 1 when the list
// ended (a run then still open is left to the stage). long_run: out 1 for a
// run at least 2 D long; in, set with first >= 0, the scan goes on behind
// the cutting move that ended the run. Status below 0 on failure.
void optim_air_scan(i32& first, i32& last, i32& at_end, i32& long_run, i32& status);
// 1 when the straight move S to E is to be cut at A and B (pieces S-A, A-B,
// B-E, ends that coincide dropped): the air at its start (with the air
// length collected before it) at least 2 D past the corner radius, or at
// its end at least 1.5 D; a plunge from the air cut at the safety distance
// above the stock. depth: the deepest cut measured (1.0 or 0 for a
// plunge); state 1 in the air, 2 cutting.
i32 optim_air_entry(const f32* S, const f32* E, i32& state, const f32& air, f32* A, f32* B, f32& depth,
                    i32& status);
// The point the scan stands on.
void optim_air_point(const f32* p);
void optim_air_from_set(const i32& n);  // sets the candidate move
i32 optim_air_from_get();               // the candidate move: the last move looked at
// The air-cut stage over the tool path list from its start: each long run
// rebuilt by the air link, and the air after the last cut replaced by a
// retract. Status 1000 when the user stopped, below 0 on failure.
void optim_aircut_stage(i32& status);
