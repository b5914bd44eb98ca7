#include "cutter/movstw.h"

i32 MOVSTW = 0;
