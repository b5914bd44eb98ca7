// Loop chains of the cutting, from the end rows inward.
#include "cleanup/clrcut.h"

#include <vector>

#include "cleanup/clrout.h"
#include "core/intchk.h"
#include "pocket/luptab.h"
#include "pocket/pkclean.h"
#include "pocket/pkgeom.h"
#include "pocket/pokvals.h"

void lup_cut_step(i32 row, const i32& direction, i32& status)
{
    status = 0;
    pokarr loop;
    pokarr_init(2, loop);
    lup_get_pokarr(row, loop, status);
    if (status == 0 && loop.count > 1) {
        if (direction == -1) pokarr_reverse(loop);
        pk_del_short(loop);
        const LupRow r = lup_row(row);
        if (r.subkey > 1) {
            pk_arc_to_pts(loop);
            pk_flat_arcs(loop);
        }
        i32 start = 0;
        lup_add(r.subkey, r.key, row, 1, 1, r.value, 0, loop, start, status);
        if (status == 0) lup_row(lup_count).inherited = r.inherited;
    }
    pokarr_free(loop);
    if (status != 0) status = 11;
}

void clr_cut(i32 select, const f64& radius, const i32& direction, const i32& cut_mode, i32& status)
{
    (void)select;
    (void)radius;
    status = 0;
    if (pokpar.keep_isl_dir == 0 && cut_mode != 1)
        for (i32 r = 1; r <= lup_count && status == 0; ++r)
            if (lup_row(r).key > 10000 && lup_row(r).subkey == 1) lup_reverse(r, status);
    if (status != 0) return;
    clr_cut_mark = lup_count + 1;
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
    i32 pieces = 0;
    const i32 last = lup_count;
    for (size_t l = 0; l < levels.size() && status == 0; ++l) {
        const i32 key = levels[l];
        for (;;) {
            i32 end = 0;
            for (i32 r = last; r >= 1 && end == 0; --r)
                if (lup_row(r).key == key && lup_row(r).subkey < 0 && lup_row(r).parent > 0) end = r;
            if (end == 0) break;
            i32 cur = lup_row(end).parent;
            lup_row(end).parent = -cur;
            while (cur >= 1 && cur <= last && cur != end && lup_row(cur).key == key && lup_row(cur).subkey != 0) {
                if (lup_row(cur).subkey > 0) {
                    lup_cut_step(cur, direction, status);
                    if (status != 0) return;
                    if (++pieces % 15 == 0) CHKINT();
                }
                const i32 next = lup_row(cur).parent;
                lup_row(cur).parent = -next;
                if (next <= 0) break;
                cur = next;
            }
            i32 start = 0;
            pokarr none;
            pokarr_init(2, none);
            lup_add(0, 9999, 0, 0, 0, 0.0, 0, none, start, status);
            if (status != 0) return;
        }
    }
}
