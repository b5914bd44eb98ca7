// The choice of the procedure before or at which something is inserted.
#pragma once

#include "core/words.h"

// Lets the user choose a procedure of the tool path (number tp, below 1 the
// current one) by a pick in the graphics or from the list; chosen: its index,
// the count + 1 for after the last, -1 none. Status 0, -1 cancelled.
void TRGPRC(i32& chosen, const i32& tp, i32& status);
