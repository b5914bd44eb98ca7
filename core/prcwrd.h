// Module words of the procedure frame that the procedure block records, and
// the machining-parameter block with its backup.
#pragma once

#include "core/words.h"

extern i32 MOTKND;     // motion kind set by the parameter and GO menus (3, 4 or 5)
extern i32 MCHSTW[2];  // the two machine-state words, cleared at procedure start
// SAVE APPROX. FILE switch of the SERVICE menu: 1 off, 2 on. It is kept with
// the machine-state words above: like them it belongs to one procedure, is
// set afresh (to 1) at the start of every procedure and by GO TO POINT, which
// makes a new one, and is saved and restored with the machine state (SAVSTA);
// no record or block stores it.
extern i32 SVAPRX;

// The 92-word machining-parameter block (optimizer switches, feed tables,
// safety values) and its backup taken at the start of every define cycle.
constexpr i32 CMPBLK_N = 92;
extern i32 CMPBLK[CMPBLK_N];
extern i32 CMPBKP[CMPBLK_N];
// Rerun level of the last comparison (0 none); the procedure block writer
// marks a suspended run in it. The optimizer's other words: stock/optwords.h.
constexpr i32 CMP_RERUN = 25;
