// Start of a tool path segment: the procedure's record set read at the
// start of a procedure, the current tool loaded, the view and the
// coordinate-system record set up.
#pragma once

#include "core/words.h"

// Mode 1: start of a procedure (fails without a current view, "SEGSTR, NO
// MACSYS IS CURRENTLY SELECTED"); mode 3: the records and the tool only.
void SEGSTR(const i32& mode, i32& status);
