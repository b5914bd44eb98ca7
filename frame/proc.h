// Procedure state read across the engines: the machining type and the
// interrupt poll of long computations.
#pragma once

#include "frame/words.h"

// Machining type of the current tool path or segment (2 surface milling,
// 3 one trimmed surface, 14 surface clean-up).
extern i32 MACTYP;
// Mode word of the procedure's state (0 from the procedure start).
extern i32 PRCMOD;

// Polls for a user interrupt; returns when the computation goes on.
void CHKINT();

// Machining values of the procedure that the positioning reads: chordal
// tolerance, part stock and check stock.
extern f32 PRCTOL, PRCSTK, PRCCHK;
