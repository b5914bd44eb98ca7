// Which technology parameters the next technology block written by the
// manual editor restates, and with which requested value, by the NC kind of
// the procedure.
#pragma once

#include "core/words.h"

// Clears the decision: every parameter 1 to 100 gets status 0, last written
// and requested value 0, write flag 1. Status 0.
void PRMFL0(i32& status);
// Sets the decision by the NC kind (word 3 of "NPT1") after a clear; the
// parameters restated are written unconditionally (write flag 2) when flag
// is nonzero. Status 0.
void PRMFLG(const i32& flag, i32& status);
