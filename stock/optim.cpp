// Least forms of the stock and optimizer services the procedure frame
// calls; the stock issue replaces them.
#include "stock/optim.h"

#include "core/prcwrd.h"

i32 SIMPAR[SIMPAR_N];

i32 optim_all_off()
{
    static constexpr i32 W[] = {0, 3, 6, 10, 13, 15, 18, 21};
    if (CMPBLK[55] == 1) return 1;
    for (i32 w : W)
        if (CMPBLK[w] != 1) return 0;
    return 1;
}

void stk_calc_procs(const i32& mode, const i32& counter, const i32* table, i32& result)
{
    (void)mode;
    (void)counter;
    (void)table;
    result = 0;
}

void stk_gouge_run(const i32& counter, i32& status)
{
    (void)counter;
    status = 0;
}

void optim_menu(const i32& mode, const i32& tool, i32& status)
{
    (void)mode;
    (void)tool;
    status = 0;
}
