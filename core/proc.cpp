#include "core/proc.h"

f32 PRCSTK = 0.0f, PRCCHK = 0.0f;
