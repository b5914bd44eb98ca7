// What the procedure frame uses of the stock and the optimizer.
#pragma once

#include "core/words.h"

// Stock parameters exchanged with the host's stock simulation.
constexpr i32 SIMPAR_N = 16;
extern i32 SIMPAR[SIMPAR_N];

// 1 when every optimizer stage of the machining-parameter block is off.
i32 optim_all_off();
void stk_calc_procs(const i32& mode, const i32& counter, const i32* table, i32& result);
void stk_gouge_run(const i32& counter, i32& status);
// The optimizer parameter screens.
void optim_menu(const i32& mode, const i32& tool, i32& status);
