// Output of the pass strings of one pass as tool path blocks.
#pragma once

#include "frame/words.h"

void BSURAL(const i32& revflag, i32& status);
