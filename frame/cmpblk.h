// The 92-word machining-parameter block and its backup.
#pragma once

#include "frame/words.h"

constexpr i32 CMPBLK_N = 92;
extern i32 CMPBLK[CMPBLK_N];
extern i32 CMPBKP[CMPBLK_N];
