#include "core/hgttrn.h"

#include "core/host.h"

void HGTTRN(i32& status)
{
    static constexpr i32 ROWS[8][4] = {{870, 366, 1, -1},   {873, 367, 2, 874},   {878, 368, 2, 879},
                                       {880, 3303, 1, -1},  {881, 3304, 1, -1},   {1340, 3325, 2, 1343},
                                       {1047, 3302, 1, -1}, {1048, 3301, 1, -1}};
    status = 0;
    for (const auto& r : ROWS) {
        nu_trns_add(r[0], r[1], r[2], r[3], status);
        if (status != 0) return;
    }
}
