#include "stock/optrun.h"

#include <algorithm>
#include <cmath>

#include "blocks/listacc.h"
#include "core/host.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "stock/airlink.h"
#include "stock/airscan.h"
#include "stock/crvtrim.h"
#include "stock/holder.h"
#include "stock/movecur.h"
#include "stock/optedit.h"
#include "stock/optfeed.h"
#include "stock/optholder.h"
#include "stock/optim.h"
#include "stock/optwords.h"
#include "stock/stkgrid.h"
#include "stock/stkimage.h"
#include "stock/stkrun.h"
#include "stock/stkwin.h"
#include "stock/tppoints.h"
#include "stock/zband.h"
#include "tools/toolcache.h"

namespace {
// Places the cursor behind the move numbered `number`; false at the list's end.
bool behind(i32 number)
{
    i32 a = 0, st = 0;
    lacces(2, a);
    goto_block(1, number, st);
    if (st < 0) return false;
    TPJUMP(1, st);
    return st == 0;
}

// The reference volume per unit of length of the feed stage: the pass
// width x the pass depth of the procedure (0.8 D and 0.25 D, within D and
// the cut length, when the procedure gives none), at least 0.025 D^2.
f32 reference_volume(f32 D, f32 L)
{
    const f32 depth = std::min(0.25f * D, L > 0.0f ? L : 0.25f * D), width = 0.8f * D;
    return std::max(width * depth, 0.025f * D * D);
}

// The stock of the rewritten path: the first height put back as it was
// before the stages and the path stamped into it.
void restamp_path(i32& status)
{
    stk_restore_h1();
    i32 ph = -1, bh = -1, n = 0, st = 0;
    optim_open_list(2, status);
    if (status < 0) return;
    tp_to_points(0, MV_LIST, ph, bh, n, status);
    if (status == 0) stk_stamp_points(ph, bh, n, status);
    if (ph >= 0) MM_CLOSE(ph, st);
    if (bh >= 0) MM_CLOSE(bh, st);
}
}  // namespace

void optim_enlarged_stage(i32& status)
{
    status = 0;
    f32 D = 0, R = 0, L = 0, T = 0;
    stk_tool_shape(CURTOL, D, R, L, T);
    const f32 cell = stk_grid.cell;
    const f32 p = std::max(std::sqrt(2.0f * cell * cell) * 200.0f / D, wrd2r(CMPBLK[CMP_ENLARGE_PCT]));
    stk_tool_image(stk_enlarged_slot(), D * (1.0f + 0.01f * p), R * (1.0f + 0.005f * p), L, T, status);
    if (status != 0) return;
    stk_image_select(0, status);
    if (status != 0) return;
    i32 a = 0, move = -1, counter = 0, last_feed = -1, last_rapid = -1;
    lacces(2, a);
    bool rapids = false;
    while (true) {
        if (optim_progress(1, counter, 200) != 0) {
            status = 1000;
            return;
        }
        i32 rapid = 0, st = 0;
        stk_stamp_move(move, rapid, 0, st);
        if (st < 0) break;  // the list's end
        if (rapid != 0) {
            rapids = true;
            last_rapid = move;
        } else {
            if (rapids) {
                // The rapids before this feed move: one link over the stock.
                optim_relink(last_feed, last_rapid, status);
                if (status < 0) return;
                stk_image_select(0, status);
                rapids = false;
                if (!behind(move)) break;
                st = 0;
            }
            last_feed = move;
        }
        if (st != 0) break;
    }
    if (rapids && last_feed > 0) optim_relink(last_feed, -1, status);
}

void optim_run_stages(i32& status)
{
    status = 0;
    rapid_top = hei8_clear();
    air_found = 0;
    f32 lengths[HD_MAXS], upper[HD_MAXS];
    i32 flag = 0;
    optim_holder_images(CURTOL, lengths, upper, flag, status);
    if (status != 0) return;
    f32 D = 0, R = 0, L = 0, T = 0;
    stk_tool_shape(CURTOL, D, R, L, T);
    stk_save_h1();  // the stock before the procedure: each stage starts from it
    const i32 code = nu_sgcd_get_code();
    const i32 band = CMPBLK[CMP_ZRANGE];
    if (band == 2 || band == 3 || band == 4) optim_zband_stage(status);
    if (status == 0 && CMPBLK[CMP_ENLARGE] == 2) {
        optim_enlarged_stage(status);
        stk_restore_h1();
    }
    if (status == 0 && CMPBLK[CMP_LINK] == 2) {
        stk_image_select(0, status);
        if (status == 0) optim_aircut_stage(status);
        if (air_found != 0) CMPBLK[CMP_CHANGED] = 1;
        if (status == 0 && code != 54) tp_clean_moves(0, status);
        stk_restore_h1();
    }
    const i32 holder = CMPBLK[CMP_HOLDER];
    if (status == 0 && holder >= 2 && holder <= 5 && holder_steps.n > 0) {
        optim_holder_stage(status);
        if (status == 0 && code != 54 && holder != 2) tp_clean_moves(0, status);
        stk_restore_h1();
    }
    const i32 feed = CMPBLK[CMP_FEED];
    if (status == 0 && (feed == 2 || feed == 3)) {
        optim_feed_stage(reference_volume(D, L), status);
        stk_restore_h1();
    }
    if (status == 0) restamp_path(status);
    if (rapid_top > hei8_clear())
        usms1c("WARNING : DUE TO GOUGING - FAST MOTION EXCEEDS CLEAR HEIGHT Z = ",
               rapid_top - wrd2r(NPT1[5]));
}
