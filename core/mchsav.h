// A save area for the machine values of the "PRM9" record.
#pragma once

#include "core/words.h"

void MCHSWP(const i32& mode, i32& status);  // mode 1 restores the machine values, else saves them
