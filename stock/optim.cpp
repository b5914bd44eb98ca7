// The optimizer's switches and the feed factor of its tables.
#include "stock/optim.h"

#include <cmath>

#include "core/prcwrd.h"
#include "stock/optwords.h"

i32 optim_all_off()
{
    static constexpr i32 W[] = {CMP_ENLARGE, CMP_HOLDER, CMP_ZRANGE, CMP_STAGE10,
                                CMP_LINK,    CMP_STAGE15, CMP_FEED,  CMP_STAGE21};
    if (CMPBLK[CMP_MASTER] == 1) return 1;
    for (i32 w : W)
        if (CMPBLK[w] != 1) return 0;
    return 1;
}

f32 feed_factor(const i32& mode, const f32& value)
{
    const i32* b = CMPBLK;
    auto factor = [&](i32 first, i32 k) { return static_cast<f32>(b[first + k]) * 0.01f; };
    if (mode == 1) {
        const i32 t = CMP_VOLUME_ROW, f = CMP_VOLUME_FAC;
        if (value == wrd2r(b[t])) return 1.0f;
        if (value > wrd2r(b[t + 4])) return factor(f, 5);
        for (i32 k = 3; k >= 0; --k)
            if (value > wrd2r(b[t + k]) && value <= wrd2r(b[t + k + 1])) return factor(f, k + 1);
        return factor(f, 0);
    }
    if (mode == 2) {
        const i32 t = CMP_ANGLE_ROW, f = CMP_ANGLE_FAC;
        f32 tn[CMP_TABLE_N];
        for (i32 k = 0; k < CMP_TABLE_N; ++k)
            tn[k] = static_cast<f32>(std::tan(f64(wrd2r(b[t + k])) * M_PI / 180.0));
        if (value == tn[0]) return 1.0f;
        if (value < tn[4]) return factor(f, 5);
        for (i32 k = 3; k >= 0; --k)
            if (value >= tn[k + 1] && value < tn[k]) return factor(f, k + 1);
        return factor(f, 0);
    }
    return 1.0f;
}
