#include "stock/optrun.h"

#include <algorithm>
#include <cmath>

#include "blocks/listacc.h"
#include "core/codedio.h"
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
// Places the cursor behind the move numbered `number`: 0; -2 when that move
// ends the list; -1 when the list fails or the move is not found.
i32 behind(i32 number)
{
    i32 a = 0, st = 0;
    lacces(2, a);
    if (a == -2) return -1;
    goto_block(1, number, st);
    if (st < 0) return -1;
    TPJUMP(1, st);
    return st == 0 ? 0 : st == -2 ? -2 : -1;
}

// The stock of the rewritten path: the first height put back as it was
// before the stages and the path stamped into it (see optim_run_stages for
// why the last stage's own stock is not kept). A path that the stages left
// without a move has nothing to stamp: the stock before them stands.
void restamp_path(i32& status)
{
    stk_restore_h1();
    i32 ph = -1, bh = -1, n = 0, st = 0;
    optim_open_list(2, status);
    if (status < 0) return;
    tp_to_points(0, MV_LIST, ph, bh, n, status);
    if (status == 0) stk_stamp_points(ph, bh, n, status);
    // A close that fails after a stamping that went well is the status.
    if (ph >= 0) MM_CLOSE(ph, st);
    if (status == 0 && st < 0) status = st;
    if (bh >= 0) MM_CLOSE(bh, st);
    if (status == 0 && st < 0) status = st;
}
}  // namespace

f32 optim_ref_volume = 0.0f;

void optim_pass_size(const i32& code, f32& width, f32& depth)
{
    width = depth = 0.0f;
    // Procedures of the surface types keep their pass sizes under code 81,
    // those of types 1 and 7 under code 3305; one item holds both: the pass
    // width first and, when it has a second value, the pass depth. Other procedures give
    // none: the defaults of the reference volume stand in.
    const i32 item = code == 34 || code == 38 ? 81 : code == 1 || code == 7 ? 3305 : 0;
    if (item == 0) return;
    f32 v[2] = {0.0f, 0.0f};
    i32 n = 2, st = 0;
    TPGETC(MED_LIST, GR_LOCAL, item, n, DT_REAL, v, st);
    if (st != 0) return;
    if (n >= 1 && v[0] > 0.0f) width = v[0];
    if (n >= 2 && v[1] > 0.0f) depth = v[1];
}

f32 optim_reference_volume(const f32& width, const f32& depth, const f32& D, const f32& L)
{
    // A pass cannot be wider than the tool nor deeper than its cut length:
    // both limits hold for the values read as for the defaults (0.8 D and
    // 0.25 D) that replace a size of 0.
    f32 w = width > 0.0f ? width : 0.8f * D;
    f32 d = depth > 0.0f ? depth : 0.25f * D;
    w = std::min(w, D);
    // A cut length of 0 is a tool whose cut length was never given, not a
    // tool that cuts no depth: held to it, every pass would fall to the
    // floor of 0.025 D^2 and every move would count many passes.
    if (L > 0.0f) d = std::min(d, L);
    return std::max(w * d, 0.025f * D * D);
}

// The enlarged-tool stage walks the path with the tool widened and, instead
// of handing each run of touching moves to a worker, relinks every run of
// rapids before a feed move over the stock (optim_relink): a rapid run is
// the only place where a widened tool's touch is a gouge, and the relink
// measures the stock under the widened tool and every holder section, which
// is the touch test and its mend in one. A run that touches nothing is
// rebuilt too, at the height the stock asks for: that is the rapid the
// stage stands for (down to a safety distance over the stock, not left at
// the clearance), and the path counts as changed for it; testing the touch
// first would walk every run twice for the same link.
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
    // Set after another motion (a drill location and the like) until the
    // next feed move: such a block has no end point, so a link from it
    // cannot be laid and the rapids that leave it stay as they are.
    bool unplaced = false;
    // Every run of rapids is relinked once, so there are never more
    // relinks than blocks in the list at the start. A walk that keeps
    // finding rapids in front of the same move (a link that the walk then
    // takes for rapids to relink again) would otherwise never end: it fails.
    const i32 most = list_length() + 1;
    i32 relinks = 0;
    while (true) {
        if (optim_progress(1, counter, 200) != 0) {
            status = 1000;
            return;
        }
        i32 rapid = 0, st = 0;
        stk_stamp_move(move, rapid, 0, st);
        // -2: no move left. Any other negative answer is a failed read or
        // step: the stage fails there and relinks nothing, since the rapids
        // before it are not known to end the path, and a relink to the path's
        // end would delete every move after them. A positive answer is the
        // list's last move, handled and counted before the walk stops.
        if (st == -2) break;
        if (st < 0) {
            status = st;
            return;
        }
        if (rapid != 0) {
            rapids = !unplaced;
            last_rapid = move;
        } else {
            if (rapids) {
                if (++relinks > most) {
                    erou1c("optim_enlarged_stage, THE WALK DOES NOT GET PAST BLOCK ", move);
                    status = -1;
                    return;
                }
                // The rapids before this feed move: one link over the stock.
                optim_relink(last_feed, last_rapid, status);
                if (status < 0) return;
                stk_image_select(0, status);
                if (status != 0) return;
                rapids = false;
                // The walk goes on behind this move; when it is the list's
                // last, it ends (the list stays where the relink left it).
                st = behind(move);
                if (st == -1) {
                    status = -1;
                    return;
                }
            }
            unplaced = stk_stamp_shaped() == 0;
            if (!unplaced) last_feed = move;
        }
        if (st != 0) break;
    }
    if (rapids && last_feed > 0) optim_relink(last_feed, -1, status);
}

// The stages keep no technology state of their own across a run: every
// feed they write is written with its state set (write_feed_code,
// write_feed_value), and the tool changes of the holder stage set theirs.
// So no technology word is reset at the start: a reset would force the
// machine state of parameters that no stage writes into the first block
// written.
void optim_run_stages(const i32& code, i32& status)
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
    // The stock before the procedure is kept once; every stage starts from
    // it and it is put back after each, whatever stages follow, and the
    // path the stages leave is stamped afresh at the end. The last stage's
    // own stock is not kept as the final one, as the switches of the later
    // stages would have it: not every stage stamps the path it leaves. The
    // Z-band stage rewrites its runs without stamping anything, and the
    // enlarged-tool walk passes over the feed move after each rapid, so the
    // stock each of them leaves lacks cuts of the path. One more pass over
    // the path costs the stamping of its moves, and gives the stock of the
    // path as it stands whichever stages ran.
    stk_save_h1();
    // `code` is the code of the procedure run (its row's in a series, which
    // runs procedures other than the one in hand): a rapid clean-up is for
    // every procedure but those of code 54.
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
        // The procedure's own pass sizes (read by the run at its block), so
        // that a cut of the procedure's step-over counts as the nominal one.
        const f32 ref = optim_ref_volume > 0.0f ? optim_ref_volume : optim_reference_volume(0.0f, 0.0f, D, L);
        optim_feed_stage(ref, status);
        stk_restore_h1();
    }
    if (status == 0) restamp_path(status);
}
