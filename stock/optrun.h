// The stages of an optimizer run over the tool path of one procedure, in
// their order: the Z-band stage, the enlarged-tool stage (rapid links
// rebuilt over the stock with a widened tool), the air-cut stage, the
// holder stage and the feed stage; the stock is left as the rewritten tool path cuts it.
#pragma once

#include "core/words.h"

// Runs the stages that the switches of the machining-parameter block turn
// on over the tool path list, with the procedure's tool in image slot 0;
// code: the code of the procedure run. Status 1000 when the user stopped, below 0 on failure.
void optim_run_stages(const i32& code, i32& status);
// The enlarged-tool stage: the path stamped with the cutter, each run of
// rapid moves rebuilt as a link measured with the tool widened by the
// enlargement percentage (and every holder section).
void optim_enlarged_stage(i32& status);
// The pass width and depth of the procedure of code `code` whose block is
// at the cursor: 0 each when the procedure gives none.
void optim_pass_size(const i32& code, f32& width, f32& depth);
// The reference volume per unit of length of the feed stage: the pass width
// x the pass depth (0.8 D and 0.25 D for a size of 0), the width at most D
// and the depth at most the cut length L, at least 0.025 D^2.
f32 optim_reference_volume(const f32& width, const f32& depth, const f32& D, const f32& L);
// The reference volume the run read for its procedure (0: none read, the
// defaults hold).
extern f32 optim_ref_volume;
