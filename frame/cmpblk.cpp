#include "frame/cmpblk.h"

i32 CMPBLK[CMPBLK_N];
i32 CMPBKP[CMPBLK_N];
