#include "core/prcwrd.h"

i32 MOTKND = 3;
i32 MCHSTW[2] = {0, 0};
i32 SVAPRX = 1;
i32 CMPBLK[CMPBLK_N];
i32 CMPBKP[CMPBLK_N];
