#include "core/params.h"

#include <algorithm>

i32 PRCPAR[PRCPAR_N];
i32 PRCCPY[PRCPAR_N];
i32 MACTYP = MACTYP_SURFACES;
f32 ZBASE = 0.0f;

void PRCCLR()
{
    std::fill(PRCPAR, PRCPAR + PRCPAR_N, 0);
    std::fill(PRCCPY, PRCCPY + PRCPAR_N, 0);
}
