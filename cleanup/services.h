// What the procedure frame uses of the clean-up machining.
#pragma once

#include "core/words.h"

// Entry-move mode of the clean-up (2 at the start of every procedure).
extern i32 CLNEMD;
