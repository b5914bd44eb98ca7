// The pocket offset driver: the contours read in, the pocket loops offset
// inward level by level, the islands outward, pocket and island offsets
// merged into common loops, end rows for the cutting, and the cutting.
#include "pocket/rrpock.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "cleanup/clrcut.h"
#include "cleanup/mapgrid.h"
#include "core/host.h"
#include "pocket/cntload.h"
#include "pocket/comlup.h"
#include "pocket/looptest.h"
#include "pocket/luptab.h"
#include "pocket/oneoff.h"
#include "pocket/pkgeom.h"
#include "tools/toolcache.h"

namespace {

// A merge record: island row, pocket row, state (0, or -2 once retired).
struct Record {
    i32 island, pocket, state;
};

// What one run keeps between its stages.
struct Run {
    f64 r0 = 0.0, r = 0.0, s = 0.0;
    i32 keys = 1;      // contour keys K
    i32 islands = 0;   // live islands
    bool flag_ils = true, flag_lan = true, flag_rev = false;
    bool retry = false;
    std::vector<Record> records;
    std::vector<i32> marks;
};

// The last row of a key and sub-key (searched backwards) with its loop.
i32 last_row(i32 key, i32 subkey, pokarr& loop, i32& status)
{
    i32 row = 0, st = 0;
    pokarr_free(loop);
    pokarr_init(2, loop);
    lup_find(0, 0, key, subkey, row, loop, st);
    if (st != 0) status = 11;
    return row;
}

f64 merge_distance(i32 a, i32 b)
{
    const f64 va = lup_row(a).value, vb = lup_row(b).value;
    if (va > 0.0 && vb > 0.0) return std::min(va, vb);
    return va > 0.0 ? va : vb;
}

i32 mark(Run& run, i32 row)
{
    if (row >= static_cast<i32>(run.marks.size())) run.marks.resize(static_cast<size_t>(row) + 1, 0);
    return run.marks[static_cast<size_t>(row)];
}

void set_mark(Run& run, i32 row, i32 v)
{
    mark(run, row);
    run.marks[static_cast<size_t>(row)] = v;
}

// "lanpok": the pocket loops of level i - 1 offset by d.
void lanpok(Run& run, f64 d, i32 i, bool& made, i32& status)
{
    status = 0;
    made = false;
    bool area_test = true, outward = false;
    f64 limit = i == 1 ? d * d : pkoff.min_area;
    if (i == 1 && d < 0.0) {
        area_test = false;
        outward = true;
        d = -d;
    }
    const i32 K = run.keys;
    pokarr loop;
    pokarr_init(2, loop);
    for (i32 k = 1; k <= K && status == 0; ++k) {
        const i32 row = last_row(k, i - 1, loop, status);
        if (status != 0 || row == 0) continue;
        const f64 prev = i == 1 ? d : lup_row(row).value;
        loop.direction = 0;
        pokarr_area(loop);
        i32 st = 0;
        if (area_test && loop.area <= limit) {
            lup_add_ref(i, k, row, st);
            if (st != 0) status = st;
            continue;
        }
        const i32 out = outward ? 1 : 0;
        oneoff_pokarr(0, loop, 0, -1, run.r, d, prev, row, i, k, run.keys, out, run.retry ? 1 : 0, st);
        if (st == 13) st = 1;
        if (st == 9 || st == 10 || st == 11 || st == 15 || st == 21) {
            status = st;
            break;
        }
        if (st == 1 && run.retry && i >= 2) {
            std::vector<f64> tries;
            if (d < run.r)
                tries = {0.6 * d};
            else
                tries = {std::max(0.6 * std::min(d, prev), 0.98 * run.r), 0.98 * run.r};
            for (f64 t : tries) {
                if (st != 1) break;
                pokarr_free(loop);
                pokarr_init(2, loop);
                lup_get_pokarr(row, loop, st);
                if (st != 0) {
                    st = 11;
                    break;
                }
                oneoff_pokarr(0, loop, 0, -1, run.r, t, prev, row, i, k, run.keys, out, 0, st);
                if (st == 13) st = 1;
            }
            if (st > 1 && st != 1) {
                if (st == 9 || st == 10 || st == 11 || st == 15 || st == 21) {
                    status = st;
                    break;
                }
            }
        }
        if (st != 1) {
            made = true;
            continue;
        }
        lup_add_ref(i, k, row, st);
        if (st > 1) status = st;
    }
    pokarr_free(loop);
}

// "lanile": the islands' loops of pass j - 1 offset outward by d.
void lanile(Run& run, f64 d, i32 j, i32& status)
{
    status = 0;
    pokarr loop;
    pokarr_init(2, loop);
    for (i32 n = 1; n <= pk_nisland && status == 0; ++n) {
        const i32 key = 10000 + n;
        const i32 row = last_row(key, j - 1, loop, status);
        if (status != 0) break;
        if (row == 0) continue;
        f64 dist = d + (j == 1 && key - 1 < PK_NALLOW ? pokpar.allow[key - 1] : 0.0);
        const i32 out = dist < 0.0 ? 1 : 0;
        dist = std::fabs(dist);
        lup_row(row).value = dist;
        i32 st = 0;
        oneoff_pokarr(0, loop, 1, -1, run.r, dist, dist, row, j, key, run.keys, out, 0, st);
        if (st == 1 && j == 1) {
            if (clr_kind == 0)
                usmsgc("ATTENTION : ONE ISLAND WAS IGNORED PROBABLY BECAUSE IT IS TOO SMALL | TO THE CURRENT OFFSET "
                       "AND TOOL DIAMETER.");
            continue;
        }
        if (st == 1) {
            eroutc("[lanile] SECOND ISLAND OFFSET HAS FAILED. THIS ISLAND WILL BE GOUGED", 0);
            status = 11;
            break;
        }
        if (st != 0) status = st;
    }
    pokarr_free(loop);
}

// An earlier row of the key with sub-key -2.
bool earlier_minus2(i32 key, i32 before)
{
    for (i32 k = 1; k < before; ++k)
        if (lup_row(k).key == key && lup_row(k).subkey == -2) return true;
    return false;
}

// "ilscom": island offsets of pass p that meet are merged into one.
void ilscom(Run& run, i32 p, i32& status)
{
    status = 0;
    pokarr la, lb;
    pokarr_init(2, la);
    pokarr_init(2, lb);
    const i32 last = 10000 + pk_nisland;
    for (i32 a = 10001; a < last && run.islands > 0 && status == 0; ++a) {
        for (i32 b = a + 1; b <= last && run.islands > 0 && status == 0; ++b) {
            const i32 ra = last_row(a, p, la, status), rb = last_row(b, p, lb, status);
            if (status != 0) break;
            if (ra == 0) break;
            if (rb == 0) continue;
            const f64 D = merge_distance(ra, rb);
            const bool input = a <= 10000 + pk_isl_skip + 1 && b <= 10000 + pk_isl_skip + 1;
            // the islands' loops turned to run counter-clockwise for the union
            pokarr_reverse(la);
            pokarr_reverse(lb);
            i32 K = run.keys, outrow = 0, lastrow = 0, st = 0;
            comlup_pokarr(0, la, lb, lup_row(ra).parent, D, p, ra, rb, input ? 1 : 2, 0, K, outrow, lastrow, st);
            if (st == 2) st = 0;
            if (st == 10 || st == 11 || st == 15) {
                status = st;
                break;
            }
            if (st == 0) continue;
            lup_row(ra).subkey = 0;
            lup_row(rb).subkey = 0;
            run.islands -= st == 3 ? 2 : 1;
            if (p == 2) {
                if (!earlier_minus2(a, ra)) lup_row(ra).subkey = -2;
                if (!earlier_minus2(b, rb)) lup_row(rb).subkey = -2;
            }
            if (st == 1) {
                // the merged loop runs clockwise again, as an island's offset
                i32 e = 0;
                for (i32 k = outrow; k <= lastrow && k >= 1; ++k)
                    if (lup_row(k).key == a) lup_reverse(k, e);
                --b;  // the same pair of keys again: the merged island with the next
            }
        }
    }
    pokarr_free(la);
    pokarr_free(lb);
}

// "lancom": the pocket loops of level i merged with the islands' offsets of
// pass p.
void lancom(Run& run, i32 i, i32 p, i32& status)
{
    status = 0;
    run.records.clear();
    run.marks.assign(static_cast<size_t>(lup_count) + 2, 0);
    i32 m = 0;
    pokarr pa, pb;
    pokarr_init(2, pa);
    pokarr_init(2, pb);
    for (i32 k = 1; k <= run.keys && run.islands > 0 && status == 0; ++k) {
        i32 ra = last_row(k, i, pa, status);
        if (status != 0 || ra == 0) continue;
        for (i32 n = 1; n <= pk_nisland && status == 0; ++n) {
            const i32 j = 10000 + n;
            const i32 rb = last_row(j, p, pb, status);
            if (status != 0 || rb == 0) continue;
            bool seen = false;
            for (const Record& r : run.records) seen = seen || (r.island == rb && r.pocket == ra);
            if (seen) continue;
            const f64 D = merge_distance(ra, rb);
            if (run.flag_rev) pokarr_reverse(pb);
            i32 K = run.keys, outrow = 0, lastrow = 0, st = 0;
            const i32 first = lup_count + 1;
            comlup_pokarr(0, pa, pb, lup_row(ra).parent, D, i, ra, rb, 0, run.retry ? 1 : 0, K, outrow, lastrow, st);
            run.keys = K;
            if (st == 10 || st == 11 || st == 15) {
                status = st;
                break;
            }
            if (st == 1) {
                const i32 inh = lup_row(ra).inherited;
                for (i32 r = first; r <= lup_count; ++r) {
                    if (inh) lup_row(r).inherited = inh;
                    run.records.push_back({rb, r, 0});
                    // a clockwise common loop is a piece of the island's
                    // offset outside the pocket loop: nothing to cut there
                    pokarr q;
                    pokarr_init(2, q);
                    i32 e = 0;
                    lup_get_pokarr(r, q, e);
                    q.direction = 0;
                    pokarr_area(q);
                    if (e == 0 && q.direction == -1) lup_row(r).subkey = 0;
                    pokarr_free(q);
                }
                lup_row(ra).subkey = 0;
                set_mark(run, rb, 1);
                ra = last_row(k, i, pa, status);
                if (status != 0 || ra == 0) break;
                n = 0;  // the islands again from the first
                continue;
            }
            if (st == 3) {
                const i32 sk = lup_row(ra).subkey;
                lup_row(ra).subkey = sk >= 2 && !earlier_minus2(k, ra) ? -2 : 0;
                set_mark(run, rb, 1);
                if (i == 1 && p == 1) ++m;
                continue;
            }
            // nothing in common: the pocket loop may lie in the island's offset
            i32 side = 0, ss = 0;
            lup_side(pb, pa, -1, D, side, ss);
            if (ss != 0 && ss != 2) {
                status = 11;
                break;
            }
            if (!(ss == 2 || side == 1 || side == 2)) continue;
            bool other = false;
            if (i == 1)
                for (i32 r = pk_nisland + 1; r <= lup_count; ++r)
                    if (r != ra && r != rb && lup_row(r).subkey > 0 && lup_row(r).key <= 10000) other = true;
            set_mark(run, rb, 1);
            if (i == 1 && !other) {
                i32 e = 0;
                lup_add_ref(1, k, ra, e);
                if (e != 0) {
                    status = e;
                    break;
                }
            } else {
                lup_row(ra).subkey = -lup_row(ra).subkey;
                if (lup_row(ra).parent == 1)
                    lup_row(ra).parent = -1;
                else
                    set_mark(run, ra, 2);
            }
            if (i == 1 && p == 1) ++m;
            break;  // the pocket loop is retired: next key
        }
    }
    pokarr_free(pa);
    pokarr_free(pb);
    for (const Record& r : run.records) {
        if (lup_row(r.island).subkey > 0) --run.islands;
        lup_row(r.island).subkey = r.state;
    }
    if (status != 0) return;
    if (m >= run.keys) {
        status = 14;
        return;
    }
    for (i32 r = 1; r <= lup_count && r < static_cast<i32>(run.marks.size()); ++r) {
        if (run.marks[static_cast<size_t>(r)] == 1 && lup_row(r).subkey >= 1) {
            bool neg = false;
            for (i32 q = 1; q < r; ++q) neg = neg || (lup_row(q).key == lup_row(r).key && lup_row(q).subkey < 0);
            lup_row(r).subkey = neg ? 0 : -lup_row(r).subkey;
            --run.islands;
        }
    }
}

}  // namespace

void rrpock(PokPar& par, f64* allow, const f64& radius, i32& cut_mode, const i32& direction, const i32& f,
            const f64& side, const f64& e, i32& status)
{
    status = 0;
    const i32 mode_in = cut_mode, loops_in = pkoff.loops_on;
    Run run;
    run.s = radius;
    run.r0 = par.extra;
    i32 levels = 9999;
    if (cut_mode == -1 || cut_mode == -11 || cut_mode == -2 || cut_mode == 1) levels = 1;
    run.flag_ils = cut_mode != -1;
    run.flag_lan = cut_mode != -11;
    run.flag_rev = cut_mode == -2;
    f64 D = 0.0;
    f32 Df = 0.0f, cr = 0.0f;
    GTDIAD(CURTOL, D);
    GTDIAM(CURTOL, Df);
    GTCRNR(CURTOL, cr);
    run.r = run.r0 != 0.0 ? run.r0 : D / 2.0;
    const f64 F = static_cast<f64>(Df) - 2.0 * static_cast<f64>(cr);
    if (run.s < F && run.r <= F && F / 2.0 < run.r) run.r = F / 2.0;
    // the offset parameters
    const f64 ex = par.extra;
    pkoff.min_area = ex != 0.0 ? std::min(run.s * run.s, 2.0 * ex * ex) : run.s * run.s;
    pkoff.min_area = std::max(pkoff.min_area, side);
    pkoff.second_area = std::max(ex != 0.0 ? 2.0 * ex * ex : run.s * run.s, pkoff.min_area);
    pkoff.side = side;
    pkoff.step = run.s;
    pkoff.seg_tol = std::max(std::min(side, 0.01 * (ex != 0.0 ? ex : run.s)), 0.001);
    pkoff.end_val = e;
    pkoff.tool_half = D / 2.0;
    pkoff.several = levels > 1 ? 1 : 0;
    if (levels == 1) pkoff.loops_on = 1;
    run.retry = f == 1 && run.r != 0.0 && run.s <= 2.0 * run.r && e + run.s > run.r;
    i32 st = 0;
    map_setup(allow, st);
    if (st != 0) {
        status = st;
        cut_mode = mode_in;
        pkoff.loops_on = loops_in;
        return;
    }
    // the contours read in
    pk_load_contours(par.extra, status);
    pk_nisland = lup_count - 1;
    run.islands = pk_nisland;
    run.keys = 1;
    bool all_levels = status == 0, islands_done = false;
    for (i32 i = 1; i <= levels && status == 0; ++i) {
        const f64 d = i == 1 ? run.r0 + allow[0] : run.s;
        bool made = false;
        lanpok(run, d, i, made, status);
        if (status != 0) break;
        if (!made) {
            all_levels = false;
            break;
        }
        if (i == 1) run.islands = pk_nisland;
        if (run.islands <= 0) continue;
        if (i > 1 && run.flag_lan) {
            lancom(run, i, 2, status);
            if (status != 0) break;
        }
        if (!islands_done) {
            islands_done = true;
            lanile(run, run.r0, 1, status);
            if (status != 0) break;
            if (run.islands >= 2 && run.flag_ils) {
                ilscom(run, 1, status);
                if (status != 0) break;  // a negative status ends the run as well
            }
            if (run.flag_lan) {
                lancom(run, i, 1, status);
                if (status != 0) break;
            }
            if (levels > 1) {
                f64 d2 = 0.2 * (run.r != 0.0 ? std::min(run.s, run.r) : run.s);
                d2 = std::max(d2, 0.013);
                lanile(run, d2, 2, status);
                if (status != 0) break;
                if (run.islands >= 2 && run.flag_ils) ilscom(run, 2, status);
                if (status != 0) break;
                if (run.flag_lan) lancom(run, i, 2, status);
                if (status != 0) break;
            }
        }
    }
    if (status == 0 && all_levels) {
        // an end row for every live loop of every contour key
        for (i32 k = 1; k <= run.keys; ++k)
            for (i32 r = lup_count; r >= 1; --r) {
                const LupRow& row = lup_row(r);
                if (row.key != k || row.subkey <= 0) continue;
                i32 start = 0, e2 = 0;
                pokarr none;
                pokarr_init(2, none);
                lup_add(-(row.subkey + 1), k, r, r, 0, 0.0, 0, none, start, e2);
                if (e2 != 0) {
                    status = e2;
                    break;
                }
            }
    }
    if (status == 0 && all_levels) {
        // an island's first offset whose parent went: the next live row of that key
        for (i32 r = 1; r <= lup_count; ++r) {
            LupRow& row = lup_row(r);
            if (row.key <= 10000 || row.key == 9999 || row.subkey != 1) continue;
            const i32 p = row.parent;
            if (p < 1 || p > lup_count || lup_row(p).subkey != 0) continue;
            for (i32 q = p + 1; q <= lup_count; ++q)
                if (lup_row(q).key == lup_row(p).key && lup_row(q).subkey > 0) {
                    row.parent = q;
                    break;
                }
        }
    }
    if (status == 0 && levels == 1) {
        // one level: the islands' first offsets hang under the first outer offset
        i32 outer = 0;
        for (i32 r = 1; r <= lup_count && outer == 0; ++r)
            if (lup_row(r).key <= 10000 && lup_row(r).subkey == 1) outer = r;
        const i32 last = lup_count;
        for (i32 r = 1; r <= last && status == 0; ++r) {
            LupRow& row = lup_row(r);
            if (row.key > 10000 && row.key != 9999 && row.subkey == 1) {
                row.parent = outer;
                lup_add_ref(2, row.key, r, status);
            } else if (row.key > 10000 && row.subkey == 2) {
                row.subkey = -2;
            }
        }
    }
    if (status == 0) {
        i32 count = 0;
        bool left = false;
        for (i32 r = 1; r <= lup_count; ++r) {
            const LupRow& row = lup_row(r);
            if (row.subkey <= 0) continue;
            if (row.key > 10000 && row.subkey == 2) {
                left = true;
                if (row.parent >= 1 && lup_row(row.parent).subkey > 0) --count;
                continue;
            }
            ++count;
        }
        if (left && gncalw() != 0) eroutc("[rrpock] NOT ALL ISLANDS WILL BE MACHINED", 0);
        if (count != 0 && lup_count > 0)
            clr_cut(0, run.s, direction, cut_mode, status);
        else
            status = 17;
    }
    lup_box_close();
    cut_mode = mode_in;
    pkoff.loops_on = loops_in;
}
