// What the procedure frame uses of the stock and the optimizer, and the
// feed tables of the optimizer.
#pragma once

#include "core/words.h"

// 1 when every optimizer stage of the machining-parameter block is off.
i32 optim_all_off();
// The optimizer parameter screens.
void optim_menu(const i32& mode, const i32& tool, i32& status);
// The feed factor of the optimizer's tables for a removed volume (mode 1)
// or the slope of a move as its tangent (mode 2); 1.0 for another mode.
f32 feed_factor(const i32& mode, const f32& value);
