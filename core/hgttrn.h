// The translation rows of the height codes.
#pragma once

#include "core/words.h"

void HGTTRN(i32& status);  // registers the translation rows of the height items
