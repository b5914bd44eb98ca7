// Module words of the procedure frame that the procedure block records.
#pragma once

#include "core/words.h"

extern i32 FBKSW;      // frequent backup on
extern i32 FBKPAS;     // passes between backups
extern i32 MOTKND;     // motion kind set by the parameter and GO menus (3, 4 or 5)
extern i32 MCHSTW[2];  // the two machine-state words, cleared at procedure start
