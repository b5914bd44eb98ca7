// The cutting of a pocket's offset loops: the loops linked chain by chain,
// then the chains cut from their inner loops outward (loop chains) or lane
// by lane.
#include "cleanup/clrcut.h"

#include <cstdlib>
#include <vector>

#include "cleanup/clrlane.h"
#include "cleanup/clrlink.h"
#include "cleanup/clrout.h"
#include "cleanup/lansrf.h"
#include "cleanup/mapgrid.h"
#include "core/host.h"
#include "core/intchk.h"
#include "core/progress.h"
#include "core/util.h"
#include "pocket/luptab.h"
#include "pocket/pkclean.h"
#include "pocket/pkgeom.h"
#include "pocket/pokvals.h"

void lup_cut_step(const ClrLinks& l, i32 row, const i32& direction, i32& status)
{
    status = 0;
    pokarr loop;
    pokarr_init(pokdim == 2 ? 2 : pokdim, loop);
    lup_get_pokarr(row, loop, status);
    const i32 seg = std::abs(lnk_seg(l, row));
    if (status == 0 && loop.count > 1 && seg != 0) {
        // the tour starts where the tool arrives on the loop
        f64 px = l.x[static_cast<size_t>(row)], py = l.y[static_cast<size_t>(row)];
        pokarr_start_at(loop, seg, 0, 0.0, px, py, status);
    }
    if (status == 0 && loop.count > 1) {
        if (direction == -1) pokarr_reverse(loop);
        pk_del_short(loop);
        const LupRow r = lup_row(row);
        if (r.subkey > 1) {
            pk_arc_to_pts(loop);
            pk_flat_arcs(loop);
        }
        // The projection rule is evaluated here rather than read from the
        // word `lane_proj`: that word is set at the start of each lane, and
        // a run of loop steps alone would find it at its load value 0 or
        // left over from an earlier cutting under other height settings.
        if (pokdim != 2 && lane_proj_now() == 1) {
            // carried onto the part surfaces
            lan_onto_srf(loop, 0, status);
        }
        i32 start = 0;
        if (status == 0) lup_add(r.subkey, r.key, row, 1, 1, r.value, 0, loop, start, status);
        if (status == 0) lup_row(lup_count).inherited = r.inherited;
    }
    pokarr_free(loop);
    // Any failure is 11, handed back as the status word rather than written
    // negated into the link row: the cutting ends on it either way, and the
    // link arrays keep only links.
    if (status != 0) status = 11;
}

namespace {

// The status line's timing of the cutting stages (3-D pockets, host flag set).
void cut_time(const char* what)
{
    i32 dt[6] = {0, 0, 0, 0, 0, 0};
    GETDTM(dt);
    shms1c(what, dt, 6, "C");
}

// Pieces to cut: the live loops, each once. A loop made into several loops
// is the parent of several chains, but both stages cut it once (see
// cut_chains), so it is counted once and the count shown reaches the total.
i32 count_pieces(i32 last)
{
    i32 n = 0;
    for (i32 r = 1; r <= last; ++r)
        if (lup_row(r).subkey > 0) ++n;
    return n;
}

// Loop chains: key levels downward, islands first; each chain from its end
// row inward-out, every loop cut once round from its link point.
void cut_chains(CutProgress& pg, const i32& direction, i32& status)
{
    i32 top = 0, topc = 0;
    for (i32 r = 1; r <= lup_count; ++r) {
        const i32 k = lup_row(r).key;
        if (k != 9999 && k > top) top = k;
        if (k <= 10000 && k != 9999 && k > topc) topc = k;
    }
    std::vector<i32> levels;
    if (top > 10000)
        for (i32 k = top; k >= 10001; --k) levels.push_back(k);
    for (i32 k = topc; k >= 1; --k) levels.push_back(k);
    const i32 last = lup_count;
    for (size_t lv = 0; lv < levels.size() && status == 0; ++lv) {
        const i32 key = levels[lv];
        for (;;) {
            i32 end = 0;
            for (i32 r = last; r >= 1 && end == 0; --r)
                if (lup_row(r).key == key && lup_row(r).subkey < 0 && lup_row(r).parent > 0) end = r;
            if (end == 0) break;
            i32 cur = lup_row(end).parent;
            lup_row(end).parent = -cur;
            // A loop is cut once. The walk stops at a row whose parent is
            // negated: that loop was cut by an earlier chain of this key (a
            // loop made into several loops of one key is the parent of
            // several chains), and so were the loops outside it. Following
            // this chain on would run the tool round all of them again over
            // material already taken, each tour entered by a move that no
            // link search has checked (their link points serve the first
            // chain). A row of negative sub-key (a reference row, without
            // points) is passed over rather than cut, should a chain lead
            // through one.
            while (cur >= 1 && cur <= last && cur != end && lup_row(cur).key == key && lup_row(cur).subkey != 0 &&
                   lup_row(cur).parent > 0) {
                if (lup_row(cur).subkey > 0) {
                    lup_cut_step(clr_links, cur, direction, status);
                    if (status != 0) return;
                    cut_progress(pg);
                }
                const i32 next = lup_row(cur).parent;
                lup_row(cur).parent = -next;
                cur = next;
            }
            cut_terminator(status);
            if (status != 0) return;
        }
    }
}

}  // namespace

void cut_progress(CutProgress& pg)
{
    if (++pg.done % pg.step != 0) return;
    if (pg.shown)
        PRGLOP(1, pg.total, pg.done);
    else
        CHKINT();
}

// The terminator is added like any row, so its start is the next free index
// and it holds no points. A row's points run from its start to the next
// row's start less one: a terminator that took the previous row's start
// would end that row where it begins, and the chain's last cut piece would
// be read back empty and left out of the output.
void cut_terminator(i32& status)
{
    i32 start = 0;
    pokarr none;
    pokarr_init(2, none);
    lup_add(0, 9999, 0, 0, 0, 0.0, 0, none, start, status);
}

void clr_cut(i32 select, const f64& radius, const i32& direction, const i32& cut_mode, i32& status)
{
    status = 0;
    const bool d3 = pokdim != 2;
    const bool timed = d3 && gncalw() != 0;
    if (timed) cut_time("start cutting pocket 1st stage: ");
    if (pokpar.keep_isl_dir == 0 && cut_mode != 1)
        for (i32 r = 1; r <= lup_count && status == 0; ++r)
            if (lup_row(r).key > 10000 && lup_row(r).subkey == 1) lup_reverse(r, status);
    if (status != 0) return;
    clr_link_loops(select, radius, direction, cut_mode, clr_links, status);
    if (status != 0) return;
    clr_cut_mark = lup_count + 1;
    bool moved = false;
    if (pkoff.end_mode >= 1) {
        cutluk(radius, direction, clr_links, status);
        moved = status == 100;
        if (moved) status = 0;
        if (status != 0) return;
    }
    CutProgress pg;
    pg.shown = cut_mode > 1 && d3;
    pg.step = d3 ? 1 : 15;
    if (pg.shown) {
        pg.total = count_pieces(lup_count);
        PRGLOP(0, pg.total, 0);
    }
    if (timed) cut_time("start cutting pocket 2nd stage: ");
    if (pkoff.loops_on == 1)
        cut_chains(pg, direction, status);
    else
        cut_lanes(pg, select, radius, direction, status);
    if (pg.shown) PRGLOP(2, pg.total, pg.done);
    if (status == 0 && moved) status = 100;
    if (timed) cut_time("end cutting pocket 2nd stage: ");
}
