// Stock values of the procedure that the positioning reads, until the
// procedure's machining values carry them: part stock and check stock.
#pragma once

#include "core/words.h"

extern f32 PRCSTK, PRCCHK;
