// The stock before a procedure and the stock it leaves, and the gouge run
// of a procedure against the reference surface of its stock.
#pragma once

#include "core/words.h"

// Fills the machining-parameter block from the procedure block at the list
// cursor (set by the procedure frame when it is loaded); status below 0 on
// failure.
using StkProcParFn = void (*)(i32& status);
extern StkProcParFn STKGTP;
// Hands the host the common arguments from the records (set by the
// procedure frame when it is loaded).
using StkArgFn = void (*)();
extern StkArgFn STKARG;
// Reads the current commands (the common words of "NPT1", handed to the
// host, the machine values and the heights) back from the procedure block
// at the list cursor; status below 0 on failure (set by the procedure frame
// when it is loaded).
extern StkProcParFn STKCOM;

// The last procedure of `code` before procedure `proc` (code 999: of code
// 53 in any state) that is computed, unchanged and in the current
// coordinate system, searched back through the tool path levels from the
// current one; found 1 with its level, index and host id. When none,
// reason: 1 one not computed was met, 2 one changed, 3 one in another
// coordinate system, 0 none at all.
void stk_find_proc(const i32& code, const i32& proc, i32& found, i32& level, i32& index, i32& id, i32& reason);
// Sets the stock up for procedure `proc` from the stock procedure of `code`
// before it; found 1 when there is one. Without a displayed stock the
// zoomed stock is asked for, which is not available (status -1).
void stk_setup_from_proc(const i32& code, const i32& proc, i32& found, i32& status);
// The rows of a table of procedures to process, one per stock-simulation
// counter, as the procedure driver keeps it.
constexpr i32 STK_PROC_ROWS = 201;
// The stock of the procedures up to `proc` (mode 0 to 4; flags: one word per
// procedure, at most STK_PROC_ROWS, nonzero to optimize it). Status 0, -1,
// -2 (no stock), 1000 when the user stopped.
void stk_calc_procs(const i32& mode, const i32& proc, const i32* flags, i32& status);
// Checks procedure `proc`'s tool path for gouges against its stock's
// reference surface and writes the gouge report. Status 0 when checked,
// below 0 when the path could not be checked (no stock, or a tool that
// leaves no check tool), 1000 when the user stopped.
void stk_gouge_run(const i32& proc, i32& status);
