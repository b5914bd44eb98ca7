// What the procedure frame uses of the cutter location: the five-axis line
// work array.
#pragma once

#include "frame/words.h"

void LN5INI();
void LN5FRE(i32& status);
