// The display-options menu (tool display mode, clearance, message insertion,
// change of origin) and the change of origin.
#pragma once

#include "core/words.h"

// options: clearance, insert and origin flags; display: texts and
// tool-display flags. inserted: a message or code was inserted.
void DSPOPT(const i32& relations, const i32* options, const i32* display, i32& inserted, i32& status);
void CHGORG(i32& status);  // the host's change of origin, the common words handed over
