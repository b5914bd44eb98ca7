// Regions of a level and the region record built from host contours.
#include "pocket/findreg.h"

#include <vector>

#include "core/host.h"

namespace {

struct State {
    i32 npol = 0;                // polygons of the current level
    i32 total = 0;               // polygons of the levels already processed
    i32 ncont = 0;               // contour definitions to build from
    const i32* contours = nullptr;
    i32 built = 0;               // the level's region record is built
    i32* entries[FR_MAX + 1] = {};  // region list: blocks of (count + 1) words
    i32 nentries = 0;
} fr;

void free_entries()
{
    for (i32 k = 0; k < fr.nentries; ++k) {
        if (fr.entries[k]) DM_FREE(fr.entries[k], 4 * (fr.entries[k][0] + 1));
        fr.entries[k] = nullptr;
    }
    fr.nentries = 0;
}

}  // namespace

void find_regions_set(const i32& count, const i32* contours, const i32& built)
{
    fr.ncont = count;
    fr.contours = contours;
    fr.built = built;
    if (!built) fr.npol = count;
}

i32 find_regions_count() { return fr.nentries; }

void find_regions_get(const i32& k, i32* list, i32& n)
{
    n = 0;
    if (k < 0 || k >= fr.nentries || !fr.entries[k]) return;
    n = fr.entries[k][0];
    for (i32 m = 0; m < n && m < FR_MAX; ++m) list[m] = fr.entries[k][m + 1];
}

i32 find_regions_running() { return fr.total; }

void find_regions_reset()
{
    free_entries();
    fr = State{};
}

void crtpol(const f64& tol, const i32& count, const i32* contours, Region* r, i32& status)
{
    status = 0;
    if (count < 1) {
        status = 1;
        return;
    }
    i32 handle = -1, cap = 4500;
    void* base = nullptr;
    MM_OPEN_ARRAY(8, cap, handle, base, status);
    if (status != 0) {
        eroutc("crtpol,Unable to create the polygon", 0);
        status = -1;
        return;
    }
    const i32* def = contours;
    for (i32 k = 0; k < count && status == 0; ++k) {
        i32 n = 0;
        mmcptr(handle, base);
        dfcpol(def, tol, cap, static_cast<f32*>(base), n);
        if (n <= 0) {
            i32 st = 0;
            MM_RESIZE_ARRAY(handle, cap, base, st);
            if (st == 0) {
                cap *= 2;
                mmcptr(handle, base);
                dfcpol(def, tol, cap, static_cast<f32*>(base), n);
            }
            if (st != 0 || n <= 0) {
                eroutc("crtpol,Unable to create the polygon", 0);
                status = -1;
                break;
            }
        }
        f32* p = static_cast<f32*>(base);
        if (n > 1 && eqpt2(p, p + 2 * (n - 1))) --n;
        reg_add_poly(2, p, n, k, r, status);
        if (status != 0) break;
        def += 2 * dfcgld(def);
    }
    i32 st = 0;
    MM_CLOSE(handle, st);
    // A buffer that cannot be closed is a failure of the host's memory: it
    // is reported with status -1, not passed off as success, so that the
    // level's region record is not taken as built. It is reported after an
    // earlier failure too (that failure's status is kept).
    if (st != 0) {
        eroutc("crtpol,Close dynamic memory error", 0);
        if (status == 0) status = -1;
    }
}

void region_take_poly(const i32& i, const i32& n, i32& status)
{
    status = 0;
    n0_lvls_set_tmp_sons(i, 0, -1, status);
    if (status != 0) return;
    for (i32 k = 0; k < n; ++k) {
        if (k == i) continue;
        i32 cnt = 0;
        n0_lvls_get_tmp_sons(k, 0, cnt, status);
        if (status != 0) return;
        for (i32 m = 1; m <= cnt; ++m) {
            i32 son = 0;
            n0_lvls_get_tmp_sons(k, m, son, status);
            if (status != 0) return;
            if (son != i) continue;
            if (m != cnt) {
                i32 lastson = 0;
                n0_lvls_get_tmp_sons(k, cnt, lastson, status);
                if (status == 0) n0_lvls_set_tmp_sons(k, m, lastson, status);
            }
            if (status == 0) n0_lvls_set_tmp_sons(k, 0, cnt - 1, status);
            if (status != 0) return;
            break;
        }
    }
}

void find_next_region(i32* list, i32& count, i32& status)
{
    status = 0;
    count = 0;
    i32 n = 0;
    n0_lvls_get_ng(n, status);
    if (status != 0) return;
    auto sons = [&](i32 i, i32 j, i32& v) {
        n0_lvls_get_tmp_sons(i, j, v, status);
        return status == 0;
    };
    for (i32 i = 0; i < n; ++i) {
        i32 s0 = 0, cd = 0;
        if (!sons(i, 0, s0)) return;
        n0_lvls_get_cdir(i, cd, status);
        if (status != 0) return;
        if (s0 == 0 && cd == 1) {
            region_take_poly(i, n, status);
            if (status != 0) return;
            list[0] = fr.total + i + 1;
            count = 1;
            return;
        }
    }
    for (i32 i = 0; i < n; ++i) {
        i32 s0 = 0, cd = 0;
        if (!sons(i, 0, s0)) return;
        if (s0 < 0) continue;
        n0_lvls_get_cdir(i, cd, status);
        if (status != 0) return;
        if (cd != 1) continue;
        std::vector<i32> own(static_cast<size_t>(s0));
        bool ok = true;
        for (i32 m = 1; m <= s0 && ok; ++m) {
            i32 j = 0, sj = 0;
            if (!sons(i, m, j) || !sons(j, 0, sj)) return;
            own[static_cast<size_t>(m - 1)] = j;
            if (sj > 0) ok = false;
        }
        if (!ok) continue;
        region_take_poly(i, n, status);
        if (status != 0) return;
        list[0] = fr.total + i + 1;
        count = 1;
        for (i32 j : own) {
            region_take_poly(j, n, status);
            if (status != 0) return;
            list[count++] = fr.total + j + 1;
        }
        return;
    }
}

i32 FIND_REGIONS(const f32& tol)
{
    f64 ctol = 10.0 * tol;
    if (ctol > 0.1) ctol = 0.1;
    // The list of an earlier call is given back: it does not grow from one
    // call to the next, so that the table of FR_MAX + 1 entries a call may fill
    // is never overrun by the calls after it.
    free_entries();
    if (fr.npol < 1 && !fr.built) return -1;
    i32 status = 0;
    if (fr.npol >= 1 && !fr.built) {
        Region reg;
        reg_init(2, &reg, status);
        if (status != 0) return status;
        crtpol(ctol, fr.ncont, fr.contours, &reg, status);
        if (status == 0) n0_lvls_next_region(2, status);
        if (status == 0) n0_lvls_add_region(2, reg, status);  // the store takes the handles
        if (status != 0) {
            i32 st = 0;
            reg_release(&reg, st);
            return status;
        }
        fr.built = 1;
        i32 ng = 0;
        n0_lvls_get_ng(ng, status);
        if (status == 0) fr.npol = ng;
        status = 0;
    }
    i32 remaining = fr.npol;
    if (remaining < 1) return 0;
    std::vector<i32> list(static_cast<size_t>(fr.npol) + 1);
    for (i32 searches = 0;;) {
        i32 count = 0;
        find_next_region(list.data(), count, status);
        if (status != 0) return status;
        // The limit is met once more than FR_MAX searches have been counted:
        // up to FR_MAX + 1 regions are stored, and the list holds FR_MAX + 1
        // entries, so the last of them still has a place.
        if (searches > FR_MAX) {
            if (fr.nentries == 0) {
                msg_mdls(320, 10);
                return -1;
            }
            msg_mdls(320, 20);
            return 0;
        }
        if (count >= 1) {
            i32* e = static_cast<i32*>(DM_ALLOC(count * 4 + 4));
            if (!e) {
                eroutc("FIND_REGIONS ERROR  ALLOCATING MEMORY", 0);
                return -1;
            }
            e[0] = count;
            for (i32 m = 0; m < count; ++m) e[m + 1] = list[static_cast<size_t>(m)];
            fr.entries[fr.nentries++] = e;
        }
        remaining -= count;
        ++searches;
        if (remaining < 1) return 0;
    }
}

void find_regions_total(i32& status)
{
    i32 n = 0;
    n0_lvls_get_ng(n, status);
    if (status != 0) return;
    // A level still to be built from contours has as many polygons as contours.
    if (!fr.built && fr.ncont > 0) n = fr.ncont;
    fr.npol = n;
    FIND_REGIONS(0.0f);
    fr.total += n;
}
