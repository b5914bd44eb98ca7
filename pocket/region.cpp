// Regions of polygons, the level store and the pass buffer table.
#include "pocket/region.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "core/host.h"

namespace {

// Host array helpers: element pointer of a handle.
template <class T>
T* at(i32 handle)
{
    void* b = nullptr;
    if (handle < 0) return nullptr;
    mmcptr(handle, b);
    return static_cast<T*>(b);
}

bool open_array(i32 elsize, i32 count, i32& handle)
{
    void* b = nullptr;
    i32 st = 0;
    MM_OPEN_ARRAY(elsize, count > 0 ? count : 1, handle, b, st);
    if (st != 0) {
        handle = -1;
        return false;
    }
    return true;
}

bool close_array(i32& handle)
{
    if (handle < 0) return true;
    i32 st = 0;
    MM_CLOSE(handle, st);
    handle = -1;
    return st == 0;
}

// Closes and reopens a derived array at n entries of 4 bytes.
bool reopen(i32& handle, i32 n, const char* close_msg, const char* open_msg, i32& status)
{
    if (!close_array(handle)) {
        eroutc(close_msg, 0);
        status = -1;
        return false;
    }
    if (!open_array(4, n, handle)) {
        eroutc(open_msg, 0);
        status = -1;
        return false;
    }
    return true;
}

i32 floats_of(const Region& r) { return regw(r, REG_MODE) == 3 ? 3 : 2; }

void clear_flags(Region& r)
{
    regw(r, REG_LOCSOK) = regw(r, REG_SONSOK) = regw(r, REG_TSONSOK) = regw(r, REG_CDIROK) = 0;
    regw(r, REG_W17) = regw(r, REG_W20) = 0;
}

// The host's nesting of polygons inside one region (points as x, y floats).
void nesting(Region& r, const f32* xy, i32& status)
{
    i32 n = regw(r, REG_NPOL), work = 0;
    polson(n, at<i32>(regw(r, REG_CNTS)), xy, at<i32>(regw(r, REG_SONS)), work, status);
}

}  // namespace

void reg_init(const i32& mode, Region* r, i32& status)
{
    status = 0;
    if (!r) {
        eroutc("reg_init, WRONG REGION VALUE", 0);
        status = -1;
        return;
    }
    if (mode != 2 && mode != 3) {
        eroutc("reg_init, WRONG MODE VALUE", 0);
        status = -1;
        return;
    }
    std::memset(r->w, 0, sizeof r->w);
    for (i32 h : {REG_PTS, REG_CNTS, REG_LOCS, REG_SONS, REG_TSONS, REG_FC, REG_CDIR, REG_H16, REG_H19}) regw(*r, h) = -1;
    i32 psize = mode == 2 ? 8 : 12;
    bool ok = open_array(psize, 10, regw(*r, REG_PTS)) && open_array(4, 10, regw(*r, REG_CNTS));
    for (i32 h : {REG_LOCS, REG_SONS, REG_TSONS, REG_FC, REG_CDIR, REG_H16, REG_H19}) ok = ok && open_array(4, 1, regw(*r, h));
    if (!ok) {
        eroutc("reg_init,MEMORY ALLOCATION ERROR", 0);
        i32 st = 0;
        reg_release(r, st);
        status = -1;
        return;
    }
    regw(*r, REG_PCAP) = 10;
    regw(*r, REG_LCAP) = 10;
    regw(*r, REG_MODE) = mode;
    regw(*r, REG_PSIZE) = psize;
    regw(*r, REG_F23) = r2wrd(-1.0e10f);
}

void reg_release(Region* r, i32& status)
{
    status = 0;
    if (!r) {
        eroutc("reg_release, WRONG REGION VALUE", 0);
        status = -1;
        return;
    }
    for (i32 h : {REG_PTS, REG_CNTS, REG_LOCS, REG_SONS, REG_TSONS, REG_FC, REG_CDIR, REG_H16, REG_H19}) {
        if (!close_array(regw(*r, h))) {
            eroutc("reg_release, MEMORY RELEASE ERROR", 0);
            status = -1;
            return;
        }
    }
    for (i32 w = 1; w <= REG_WORDS; ++w) regw(*r, w) = 0;
    for (i32 h : {REG_PTS, REG_CNTS, REG_LOCS, REG_SONS, REG_TSONS, REG_FC, REG_CDIR, REG_H16, REG_H19}) regw(*r, h) = -1;
}

void reg_resize_points(const i32& n, Region* r, i32& status)
{
    status = 0;
    if (!r || n <= 0 || regw(*r, REG_PTS) < 0) return;
    i32 add = n < 500 ? 500 : n;
    void* b = nullptr;
    MM_RESIZE_ARRAY(regw(*r, REG_PTS), add, b, status);
    if (status != 0) {
        eroutc("reg_resize_points, MEMORY RESIZE ERROR", 0);
        status = -1;
        return;
    }
    regw(*r, REG_PCAP) += add;
}

void reg_resize_pol(const i32& n, Region* r, i32& status)
{
    status = 0;
    if (!r || n <= 0) {
        status = -1;
        return;
    }
    if (regw(*r, REG_CNTS) < 0) return;
    i32 add = n < 10 ? 10 : n;
    void* b = nullptr;
    MM_RESIZE_ARRAY(regw(*r, REG_CNTS), add, b, status);
    if (status != 0) {
        eroutc("reg_resize_pol, MEMORY RESIZE ERROR", 0);
        status = -1;
        return;
    }
    i32* c = at<i32>(regw(*r, REG_CNTS));
    for (i32 k = 0; k < add; ++k) c[regw(*r, REG_LCAP) + k] = 0;
    regw(*r, REG_LCAP) += add;
}

void reg_add_poly(const i32& mode, const f32* pts, const i32& n, const i32& pos, Region* r, i32& status)
{
    status = 0;
    if (!r || regw(*r, REG_PTS) < 0) {
        eroutc("reg_add_poly, WRONG REGION VALUE", 0);
        status = -1;
        return;
    }
    if (mode != regw(*r, REG_MODE)) {
        eroutc("reg_add_poly, WRONG MODE VALUE", 0);
        status = -1;
        return;
    }
    if (n <= 0) {
        eroutc("reg_add_poly, WRONG NUMBER OF POINTS", 0);
        status = -1;
        return;
    }
    i32 np = regw(*r, REG_NPOL);
    if (pos < 0 || pos > np) {
        eroutc("reg_add_poly, WRONG POLYGON NUMBER", 0);
        status = -1;
        return;
    }
    i32 total = regw(*r, REG_NPT);
    if (total + n > regw(*r, REG_PCAP)) {
        reg_resize_points(total + n - regw(*r, REG_PCAP), r, status);
        if (status != 0) return;
    }
    if (np == regw(*r, REG_LCAP)) {
        reg_resize_pol(10, r, status);
        if (status != 0) return;
    }
    i32* c = at<i32>(regw(*r, REG_CNTS));
    f32* p = at<f32>(regw(*r, REG_PTS));
    i32 fl = floats_of(*r), start = 0;
    for (i32 k = 0; k < pos; ++k) start += c[k];
    // The counts at and behind the position, then the points behind the new
    // polygon's start, go out to a temporary host array and come back one
    // place (n points) further on.
    auto shift = [&](void* base, i32 bytes, i32 by) {
        if (bytes <= 0) return true;
        i32 h = -1, st = 0;
        void* tmp = nullptr;
        MM_OPEN_ARRAY(1, bytes, h, tmp, st);
        if (st != 0) {
            eroutc("reg_add_poly, MEMORY ALLOCATION ERROR", 0);
            status = st;
            return false;
        }
        std::memcpy(tmp, base, static_cast<size_t>(bytes));
        std::memcpy(static_cast<char*>(base) + by, tmp, static_cast<size_t>(bytes));
        MM_CLOSE(h, st);
        if (st != 0) {
            // The move itself worked, but the insertion is not finished: the
            // data goes back to where it was, so that a refused close leaves
            // the counts and points as they were, as every other failure here
            // does.
            std::memmove(base, static_cast<char*>(base) + by, static_cast<size_t>(bytes));
            eroutc("reg_add_poly, MEMORY CLOSE ERROR", 0);
            status = st;
            return false;
        }
        return true;
    };
    if (!shift(c + pos, (np - pos) * 4, 4)) return;
    if (!shift(p + fl * start, fl * (total - start) * 4, fl * n * 4)) {
        // the counts go back to their places: the region stays as it was
        std::memmove(c + pos, c + pos + 1, static_cast<size_t>(np - pos) * sizeof(i32));
        return;
    }
    std::memcpy(p + fl * start, pts, static_cast<size_t>(fl * n) * sizeof(f32));
    c[pos] = n;
    regw(*r, REG_NPOL) = np + 1;
    regw(*r, REG_NPT) = total + n;
    clear_flags(*r);
}

void reg_replace_end(const i32& mode, const f32* pts, const i32& n, Region* r, i32& status)
{
    if (!r) {
        eroutc("reg_replace_end, WRONG REGION VALUE", 0);
        status = -1;
        return;
    }
    reg_add_poly(mode, pts, n, regw(*r, REG_NPOL), r, status);
}

void reg_get_npbuf(const i32& i, Region* r, i32& n, i32& status)
{
    status = 0;
    n = 0;
    if (!r) {
        status = -1;
        return;
    }
    if (regw(*r, REG_NPOL) == 0) return;
    if (i < 0 || i >= regw(*r, REG_NPOL)) {
        eroutc("reg_get_npbuf, WRONG INDEX", 0);
        status = -1;
        return;
    }
    n = at<i32>(regw(*r, REG_CNTS))[i];
}

void reg_adjust_locs(Region* r, i32& status)
{
    status = 0;
    reopen(regw(*r, REG_LOCS), regw(*r, REG_NPOL), "reg_adjust_locs, MEMORY CLOSE ERROR",
           "reg_adjust_locs, MEMORY ALLOCATION ERROR", status);
}

void reg_calc_locs(Region* r, i32& status)
{
    status = 0;
    reg_adjust_locs(r, status);
    if (status != 0) return;
    i32* l = at<i32>(regw(*r, REG_LOCS));
    const i32* c = at<i32>(regw(*r, REG_CNTS));
    i32 s = 0;
    for (i32 k = 0; k < regw(*r, REG_NPOL); ++k) {
        l[k] = s;
        s += c[k];
    }
}

void reg_get_locs(const i32& i, Region* r, i32& loc, i32& status)
{
    status = 0;
    loc = -1;
    if (!r) {
        eroutc("reg_get_locs, WRONG REGION VALUE", 0);
        status = -1;
        return;
    }
    if (regw(*r, REG_NPOL) == 0) return;
    if (i < 0 || i >= regw(*r, REG_NPOL)) {
        eroutc("reg_get_locs, WRONG INDEX", 0);
        status = -1;
        return;
    }
    if (!regw(*r, REG_LOCSOK)) {
        reg_calc_locs(r, status);
        if (status != 0) return;
        regw(*r, REG_LOCSOK) = 1;
    }
    loc = at<i32>(regw(*r, REG_LOCS))[i];
}

void reg_adjust_sons(Region* r, i32& status)
{
    status = 0;
    i32 n = regw(*r, REG_NPOL);
    reopen(regw(*r, REG_SONS), n * (n + 1), "reg_adjust_sons, MEMORY CLOSE ERROR",
           "reg_adjust_sons, MEMORY ALLOCATION ERROR", status);
}

void reg_update_sons(Region* r, i32& status)
{
    status = 0;
    i32 n = regw(*r, REG_NPOL);
    if (!regw(*r, REG_SONSOK)) {
        reg_adjust_sons(r, status);
        if (status != 0) return;
        if (regw(*r, REG_MODE) == 2) {
            nesting(*r, at<f32>(regw(*r, REG_PTS)), status);
        } else {
            i32 h = -1, total = regw(*r, REG_NPT);
            if (!open_array(8, total, h)) {
                eroutc("reg_update_sons, MEMORY ALLOCATION ERROR", 0);
                status = -1;
                return;
            }
            f32* xy = at<f32>(h);
            const f32* p = at<f32>(regw(*r, REG_PTS));
            for (i32 k = 0; k < total; ++k) {
                xy[2 * k] = p[3 * k];
                xy[2 * k + 1] = p[3 * k + 1];
            }
            nesting(*r, xy, status);
            if (!close_array(h)) {
                eroutc("reg_update_sons, MEMORY CLOSE ERROR", 0);
                status = -1;
                return;
            }
        }
        if (status != 0) {
            status = -1;
            return;
        }
        regw(*r, REG_SONSOK) = 1;
    }
    if (!regw(*r, REG_TSONSOK)) {
        if (!reopen(regw(*r, REG_TSONS), n * (n + 1), "reg_update_sons, MEMORY CLOSE ERROR",
                    "reg_update_sons, MEMORY ALLOCATION ERROR", status))
            return;
        std::memcpy(at<i32>(regw(*r, REG_TSONS)), at<i32>(regw(*r, REG_SONS)),
                    static_cast<size_t>(n * (n + 1)) * sizeof(i32));
        regw(*r, REG_TSONSOK) = 1;
    }
}

void reg_adjust_fc(Region* r, i32& status)
{
    status = 0;
    i32 n = regw(*r, REG_NPOL);
    if (!reopen(regw(*r, REG_FC), n, "reg_adjust_fc, MEMORY CLOSE ERROR", "reg_adjust_fc, MEMORY ALLOCATION ERROR",
                status))
        return;
    reopen(regw(*r, REG_CDIR), n, "reg_adjust_fc, MEMORY CLOSE ERROR", "reg_adjust_fc, MEMORY ALLOCATION ERROR",
           status);
}

void reg_calc_cdir(Region* r, i32& status)
{
    status = 0;
    reg_update_sons(r, status);
    if (status != 0) return;
    reg_adjust_fc(r, status);
    if (status != 0) return;
    i32 n = regw(*r, REG_NPOL);
    const i32* s = at<i32>(regw(*r, REG_SONS));
    i32* fc = at<i32>(regw(*r, REG_FC));
    i32* cd = at<i32>(regw(*r, REG_CDIR));
    for (i32 i = 0; i < n; ++i) {
        fc[i] = 0;
        for (i32 k = 0; k < n; ++k) {
            if (k == i) continue;
            const i32* row = s + k * (n + 1);
            for (i32 m = 1; m <= row[0] && m <= n; ++m)
                if (row[m] == i) {
                    ++fc[i];
                    break;
                }
        }
        cd[i] = fc[i] % 2 == 0 ? 1 : 2;
    }
}

void reg_get_cdir(const i32& i, Region* r, i32& cdir, i32& status)
{
    status = 0;
    cdir = 0;
    if (!r) {
        eroutc("reg_get_cdir, WRONG REGION VALUE", 0);
        status = -1;
        return;
    }
    if (regw(*r, REG_NPOL) == 0) return;
    if (i < 0 || i >= regw(*r, REG_NPOL)) {
        eroutc("reg_get_cdir, WRONG INDEX", 0);
        status = -1;
        return;
    }
    if (!regw(*r, REG_CDIROK)) {
        reg_calc_cdir(r, status);
        if (status != 0) return;
        regw(*r, REG_CDIROK) = 1;
    }
    cdir = at<i32>(regw(*r, REG_CDIR))[i];
}

void reg_get_tmp_sons(const i32& i, const i32& j, Region* r, i32& value, i32& status)
{
    status = 0;
    value = -1;
    if (!r) {
        eroutc("reg_get_tmp_sons, WRONG REGION VALUE", 0);
        status = -1;
        return;
    }
    i32 n = regw(*r, REG_NPOL);
    if (n == 0) return;
    if (i < 0 || i >= n || j < 0 || j > n) {
        eroutc("reg_get_tmp_sons, WRONG INDEXES", 0);
        status = -1;
        return;
    }
    reg_update_sons(r, status);
    if (status != 0) return;
    value = at<i32>(regw(*r, REG_TSONS))[i * (n + 1) + j];
}

void reg_set_tmp_sons(const i32& i, const i32& j, const i32& value, Region* r, i32& status)
{
    status = 0;
    if (!r) {
        status = -1;
        return;
    }
    i32 n = regw(*r, REG_NPOL);
    if (n == 0) return;
    if (i < 0 || i >= n || j < 0 || j > n) {
        eroutc("reg_set_tmp_sons, WRONG INDEXES", 0);
        status = -1;
        return;
    }
    // The matrix is brought up to date before the store: after a polygon was
    // added it still has its old size (one entry after the start), so a
    // plain store at row i would land outside it, and the next rebuild would
    // throw the value away all the same.
    reg_update_sons(r, status);
    if (status != 0) return;
    at<i32>(regw(*r, REG_TSONS))[i * (n + 1) + j] = value;
}

const f32* reg_points(Region* r, const i32& i, i32& n)
{
    i32 st = 0, loc = 0;
    n = 0;
    reg_get_npbuf(i, r, n, st);
    if (st != 0 || n == 0) return nullptr;
    reg_get_locs(i, r, loc, st);
    if (st != 0) return nullptr;
    return at<f32>(regw(*r, REG_PTS)) + floats_of(*r) * loc;
}

// ------------------------------------------------------------ level store

namespace {

struct LevelStore {
    i32 init = 0;
    i32 nlev = 0;
    i32 handle = -1;  // level records of LVL_WORDS words
    i32 cur = -1;
} lv;

i32* level_rec(i32 k) { return at<i32>(lv.handle) + LVL_WORDS * k; }

bool current(const char* who, i32*& level, Region*& regs, i32& status)
{
    char text[80];
    if (!lv.init) {
        std::snprintf(text, sizeof text, "%s, USING BEFORE INIT", who);
        eroutc(text, 0);
        status = -1;
        return false;
    }
    if (lv.cur < 0 || lv.cur >= lv.nlev || lv.handle < 0) {
        std::snprintf(text, sizeof text, "%s, CURRENT LEVEL IS WRONG", who);
        eroutc(text, 0);
        status = -1;
        return false;
    }
    level = level_rec(lv.cur);
    regs = at<Region>(level[LVL_REGS - 1]);
    return true;
}

}  // namespace

void n0_lvls_init(const i32& mode)
{
    if (lv.handle >= 0) {
        for (i32 k = 0; k < lv.nlev; ++k) {
            i32* l = level_rec(k);
            Region* regs = at<Region>(l[LVL_REGS - 1]);
            for (i32 j = 0; regs && j < l[LVL_RCAP - 1]; ++j) {
                i32 st = 0;
                reg_release(&regs[j], st);
            }
            close_array(l[LVL_REGS - 1]);
            close_array(l[LVL_FS1 - 1]);
            close_array(l[LVL_FS2 - 1]);
        }
        close_array(lv.handle);
    }
    lv.init = mode == 2 ? 1 : 0;
    lv.nlev = 0;
    lv.handle = -1;
    lv.cur = -1;
}

void n0_lvls_open_level(const i32& mode, i32& status)
{
    status = 0;
    if (!lv.init) {
        eroutc("n0_lvls_open_level, USING BEFORE INIT", 0);
        status = -1;
        return;
    }
    void* b = nullptr;
    if (lv.handle < 0)
        MM_OPEN_ARRAY(LVL_WORDS * 4, 1, lv.handle, b, status);
    else
        MM_RESIZE_ARRAY(lv.handle, 1, b, status);
    if (status != 0) {
        eroutc("n0_lvls_open_level, MEMORY ALLOCATION ERROR", 0);
        status = -1;
        return;
    }
    i32* l = level_rec(lv.nlev);
    for (i32 w = 0; w < LVL_WORDS; ++w) l[w] = 0;
    l[LVL_REGS - 1] = l[LVL_FS1 - 1] = l[LVL_FS2 - 1] = -1;
    l[LVL_MODE - 1] = mode;
    l[LVL_CUR - 1] = -1;
    lv.cur = lv.nlev++;
}

void n0_lvls_get_cur(Region*& r, i32& status)
{
    status = 0;
    r = nullptr;
    i32* level = nullptr;
    Region* regs = nullptr;
    if (!current("n0_lvls_get_cur", level, regs, status)) return;
    i32 c = level[LVL_CUR - 1];
    if (c < 0 || c >= level[LVL_NREG - 1]) {
        eroutc("n0_lvls_get_cur, CURRENT REGION IS WRONG", 0);
        status = -1;
        return;
    }
    if (!regs) {
        eroutc("n0_lvls_get_cur, DYNAMIC MEMORY ERROR", 0);
        status = -1;
        return;
    }
    r = &regs[c];
}

void n0_lvls_adjust_fs(const i32& n, i32* level, i32& status)
{
    status = 0;
    for (i32 w : {LVL_FS1, LVL_FS2}) {
        void* b = nullptr;
        i32& h = level[w - 1];
        i32 have = level[LVL_RCAP - 1];
        if (h < 0)
            MM_OPEN_ARRAY(16, n, h, b, status);
        else
            MM_RESIZE_ARRAY(h, n, b, status);
        if (status != 0) {
            eroutc(h < 0 ? "n0_lvls_adjust_fs, MEMORY ALLOCATION ERROR" : "n0_lvls_adjust_fs, MEMORY RESIZE ERROR", 0);
            status = -1;
            return;
        }
        i32* rec = at<i32>(h);
        if (!rec) {
            eroutc("n0_lvls_adjust_fs, DYNAMIC MEMORY ERROR", 0);
            status = -1;
            return;
        }
        for (i32 k = have; k < have + n; ++k) {
            rec[4 * k] = rec[4 * k + 1] = 0;
            rec[4 * k + 2] = -1;
            rec[4 * k + 3] = 0;
        }
    }
}

i32* n0_lvls_next_region(const i32& mode, i32& status)
{
    status = 0;
    if (!lv.init) {
        eroutc("n0_lvls_next_region, USING BEFORE INIT", 0);
        status = -1;
        return nullptr;
    }
    if (lv.cur < 0 || lv.cur >= lv.nlev || lv.handle < 0) {
        eroutc("n0_lvls_next_region, CURRENT LEVEL IS WRONG", 0);
        status = -1;
        return nullptr;
    }
    i32* level = level_rec(lv.cur);
    i32 c = level[LVL_CUR - 1];
    if (c >= level[LVL_NREG - 1] && c != -1) {
        eroutc("n0_lvls_next_region, CURRENT REGION IS WRONG", 0);
        status = -1;
        return nullptr;
    }
    if (mode != level[LVL_MODE - 1]) {
        eroutc("n0_lvls_next_region, WRONG MODE VALUE", 0);
        status = -1;
        return nullptr;
    }
    if (c + 1 == level[LVL_RCAP - 1]) {
        void* b = nullptr;
        i32& h = level[LVL_REGS - 1];
        bool fresh = level[LVL_RCAP - 1] == 0;
        if (fresh)
            MM_OPEN_ARRAY(REG_WORDS * 4, 5, h, b, status);
        else
            MM_RESIZE_ARRAY(h, 5, b, status);
        if (status != 0) {
            eroutc(fresh ? "n0_lvls_next_region, MEMORY ALLOCATION ERROR" : "n0_lvls_next_region, MEMORY RESIZE ERROR",
                   0);
            status = -1;
            return nullptr;
        }
        level = level_rec(lv.cur);
        n0_lvls_adjust_fs(5, level, status);
        if (status != 0) return nullptr;
        Region* regs = at<Region>(level[LVL_REGS - 1]);
        if (!regs) {
            eroutc("n0_lvls_next_region, DYNAMIC MEMORY ERROR", 0);
            status = -1;
            return nullptr;
        }
        i32 cap = level[LVL_RCAP - 1];
        for (i32 k = cap; k < cap + 5; ++k) {
            reg_init(level[LVL_MODE - 1], &regs[k], status);
            if (status != 0) {
                // The capacity stays where it was, so the records made in
                // this growth are given back here: nothing else would ever
                // close their arrays.
                for (i32 j = cap; j < k; ++j) {
                    i32 st = 0;
                    reg_release(&regs[j], st);
                }
                return nullptr;
            }
        }
        level[LVL_RCAP - 1] += 5;
    }
    level[LVL_CUR - 1] = c + 1;
    if (c + 1 >= level[LVL_NREG - 1]) level[LVL_NREG - 1] = c + 2;
    return level;
}

void n0_lvls_add_region(const i32& mode, const Region& r, i32& status)
{
    status = 0;
    i32* level = nullptr;
    Region* regs = nullptr;
    if (!lv.init) {
        eroutc("n0_lvls_add_region, USING BEFORE INIT", 0);
        status = -1;
        return;
    }
    // Without a current level there is no region record to store over:
    // that is the store's memory error, as for a missing record.
    if (lv.cur < 0 || lv.cur >= lv.nlev || lv.handle < 0) {
        eroutc("n0_lvls_add_region, DYNAMIC MEMORY ERROR", 0);
        status = -1;
        return;
    }
    level = level_rec(lv.cur);
    regs = at<Region>(level[LVL_REGS - 1]);
    if (mode != level[LVL_MODE - 1]) {
        eroutc("n0_lvls_add_region, WRONG MODE VALUE", 0);
        status = -1;
        return;
    }
    i32 c = level[LVL_CUR - 1];
    if (!regs || c < 0 || c >= level[LVL_NREG - 1]) {
        eroutc("n0_lvls_add_region, DYNAMIC MEMORY ERROR", 0);
        status = -1;
        return;
    }
    // The current record given back to the store (a caller that filled it
    // in place) is there already: releasing it first would empty it.
    if (&r == &regs[c]) return;
    reg_release(&regs[c], status);
    if (status != 0) return;
    regs[c] = r;  // the store takes over the handles
}

void n0_lvls_get_ng(i32& n, i32& status)
{
    n = 0;
    if (!lv.init) {
        eroutc("n0_lvls_get_ng, USING BEFORE INIT", 0);
        status = -1;
        return;
    }
    Region* r = nullptr;
    n0_lvls_get_cur(r, status);
    if (status != 0) return;
    n = regw(*r, REG_NPOL);
}

void n0_lvls_set_tmp_sons(const i32& i, const i32& j, const i32& value, i32& status)
{
    if (!lv.init) {
        eroutc("n0_lvls_set_tmp_sons, USING BEFORE INIT", 0);
        status = -1;
        return;
    }
    Region* r = nullptr;
    n0_lvls_get_cur(r, status);
    if (status != 0) return;
    reg_set_tmp_sons(i, j, value, r, status);
}

void n0_lvls_get_tmp_sons(const i32& i, const i32& j, i32& value, i32& status)
{
    if (!lv.init) {
        status = -1;
        return;
    }
    Region* r = nullptr;
    n0_lvls_get_cur(r, status);
    if (status != 0) return;
    reg_get_tmp_sons(i, j, r, value, status);
}

void n0_lvls_get_cdir(const i32& i, i32& cdir, i32& status)
{
    if (!lv.init) {
        eroutc("n0_lvls_get_cdir, USING BEFORE INIT", 0);
        status = -1;
        return;
    }
    Region* r = nullptr;
    n0_lvls_get_cur(r, status);
    if (status != 0) return;
    reg_get_cdir(i, r, cdir, status);
}

// ------------------------------------------------------------ pass buffer

namespace {

struct PassBuffer {
    i32 on = 0;
    i32 count = 0;
    i32 entries[2][26];
} pasbuf;

}  // namespace

void pasbuf_init(const i32& mode, const i32& n, i32& status)
{
    status = 0;
    if (mode == 1) {
        pasbuf.on = 0;
        return;
    }
    pasbuf.on = 1;
    pasbuf.count = 0;
    if (n > 2) {
        eroutc("pasbuf_init, to many entries in pasbuf array", 0);
        status = -1;
        return;
    }
    for (i32 k = 0; k < n; ++k) {
        for (i32 g = 0; g < 5; ++g) {
            pasbuf.entries[k][5 * g] = -1;
            for (i32 w = 1; w < 5; ++w) pasbuf.entries[k][5 * g + w] = 0;
        }
        pasbuf.entries[k][25] = 0;
    }
}

i32 pasbuf_on() { return pasbuf.on; }
