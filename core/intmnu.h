// The execution menu opened when the user asks for a pause.
#pragma once

#include "core/words.h"

void INTMNU(const i32& mode);
extern i32 INTCNT;  // times the menu was asked for
