// The stages of an optimizer run over the tool path of one procedure, in
// their order: the Z-band stage, the enlarged-tool stage (rapid links
// rebuilt over the stock with a widened tool), the air-cut stage, the
// holder stage and the feed stage; the stock is left as the rewritten tool path cuts it.
#pragma once

#include "core/words.h"

// Runs the stages that the switches of the machining-parameter block turn
// on over the tool path list, with the procedure's tool in image slot 0.
// Status 1000 when the user stopped, below 0 on failure.
void optim_run_stages(i32& status);
// The enlarged-tool stage: the path stamped with the cutter, each run of
// rapid moves rebuilt as a link measured with the tool widened by the
// enlargement percentage (and every holder section).
void optim_enlarged_stage(i32& status);
