// The execution menu opened when the user asked for a pause.
#pragma once

#include "frame/words.h"

void INTMNU(const i32& mode);
extern i32 INTCNT;  // times the menu was opened
