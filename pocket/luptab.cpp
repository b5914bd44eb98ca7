// The offset loop table and its box cache.
#include "pocket/luptab.h"

#include <cstdio>

#include "core/host.h"
#include "core/intchk.h"
#include "pocket/pkgeom.h"
#include "pocket/pokmain.h"
#include "pocket/pokvals.h"

i32 lup_count = 0;

namespace {

LupRow rows[LUP_ROWS + 1];  // row LUP_ROWS only ever holds a start index
i32 cache_handle = -1;
f64* cache = nullptr;
i32 cache_size = 0;  // doubles the cache holds
i32 cache_used = 0;
i32 computed = 0;

struct Init {
    Init() { rows[1].start = 1; }
} init;

// Entries a loop of n points takes in the main arrays.
i32 entries_of(i32 n) { return pokdim == 4 ? 2 * n : n; }

// Both adders refuse a row past LUP_LAST (49,998). lup_add_ref takes the
// same limit as lup_add rather than 50,000: a row writes the next row's
// start, and a reference row at 50,000 would write it past the columns.
// The refusal says nothing itself: its status 10 ends the offset run, whose
// caller tells the user ("[cmtpk1] TOO MANY LOOPS").
bool table_full() { return lup_count + 1 > LUP_LAST; }

void poll(i32 k)
{
    if (pokdim != 2 || k % 15 == 0) CHKINT();
}

}  // namespace

LupRow& lup_row(i32 k)
{
    static LupRow none;
    if (k < 0 || k > LUP_ROWS) {
        none = LupRow{};
        return none;
    }
    return rows[k];
}

void lup_reset()
{
    lup_count = 0;
    rows[1] = LupRow{};
    rows[1].start = 1;
}

void lup_take(LupSaved& s)
{
    s.count = lup_count;
    s.rows.assign(&rows[1], &rows[1] + lup_count + 1);
    lup_box_close();
    lup_reset();
}

void lup_give(const LupSaved& s)
{
    lup_box_close();
    lup_count = s.count;
    for (i32 k = 0; k <= s.count; ++k) {
        rows[k + 1] = s.rows[static_cast<size_t>(k)];
        rows[k + 1].box = -1;
    }
}

void lup_add(const i32& subkey, const i32& key, const i32& parent, const i32& tag1, const i32& tag2,
             const f64& value, const i32& level, const pokarr& loop, i32& start, i32& ierr)
{
    ierr = 0;
    if (table_full()) {
        ierr = 10;
        return;
    }
    i32 k = lup_count + 1;
    LupRow& r = rows[k];
    i32 first = r.start >= 1 ? r.start : 1;
    // The points first: a failed store leaves the table as it was. In
    // dimension mode 4 a loop without vectors is stored with (0, 0, 1) ones,
    // so that the row's second half holds normals and not what was there.
    if (loop.count > 0) {
        if (pokdim == 4 && loop.dims != 4) {
            pokarr w;
            pokarr_init(4, w);
            pokarr_copy(loop, w, ierr);
            if (ierr == 0) POKPUT(w, first, ierr);
            pokarr_free(w);
        } else {
            POKPUT(loop, first, ierr);
        }
        if (ierr != 0) return;
    }
    lup_count = k;
    poll(k);
    r.key = key;
    r.subkey = subkey;
    r.parent = parent;
    r.tag1 = tag1;
    r.tag2 = tag2;
    r.inherited = parent > 0 && parent <= lup_count ? rows[parent].inherited : 0;
    r.value = value;
    r.level = level;
    r.start = first;
    r.box = -1;
    rows[k + 1] = LupRow{};
    rows[k + 1].start = first + entries_of(loop.count > 0 ? loop.count : 0);
    start = first;
}

void lup_add_ref(i32 subkey, i32 key, i32 parent, i32& ierr)
{
    ierr = 0;
    if (table_full()) {
        ierr = 10;
        return;
    }
    i32 k = lup_count + 1;
    LupRow& r = rows[k];
    i32 first = r.start >= 1 ? r.start : 1;
    lup_count = k;
    if (k % 15 == 0) CHKINT();
    bool has = parent > 0 && parent < k;
    r.key = key;
    r.subkey = -subkey;
    r.parent = parent;
    r.tag1 = parent;
    r.tag2 = 0;
    r.inherited = has ? rows[parent].inherited : 0;
    r.level = has ? rows[parent].level : 0;
    r.value = 0.0;
    r.start = first;
    r.box = -1;
    rows[k + 1] = LupRow{};
    rows[k + 1].start = first;
}

void lup_find(i32 filter, const i32& mode, const i32& key, const i32& subkey, i32& row, pokarr& loop, i32& ierr)
{
    ierr = 0;
    row = 0;
    if (mode < 0 || mode > 2) return;
    i32 limit = mode == 2 ? 1 : 0;
    i32 from = mode == 1 ? 1 : lup_count, to = mode == 1 ? lup_count + 1 : 0, step = mode == 1 ? 1 : -1;
    for (i32 k = from; k != to; k += step) {
        const LupRow& r = rows[k];
        if (r.key != key) continue;
        if (subkey == 0 && r.subkey < limit) return;
        bool match = r.subkey == subkey || (subkey <= 0 && r.subkey > 0);
        if (!match) continue;
        if ((filter == 1 && r.inherited != 0) || (filter == 2 && r.inherited == 0)) return;
        row = k;
        lup_get_pokarr(k, loop, ierr);
        return;
    }
}

void lup_np(const i32& row, i32& n)
{
    n = 0;
    if (row < 1 || row > lup_count) return;
    n = rows[row + 1].start - rows[row].start;
}

void lup_get_pts(const i32& row, f64* x, f64* y, i32& n)
{
    i32 m = 0, st = 0;
    lup_np(row, m);
    n = 0;
    if (m <= 0) return;
    // The copy has no status of its own: a row the caller's arrays cannot
    // take (more points than the kernel's static arrays hold) comes back
    // as an empty loop, nothing written, which the callers read as no loop.
    POKGPX(m, rows[row].start, x, y, st);
    if (st == 0) n = pokdim == 4 ? m / 2 : m;
}

void lup_get_pokarr(const i32& row, pokarr& loop, i32& ierr)
{
    ierr = 0;
    i32 m = 0;
    lup_np(row, m);
    if (row < 1 || row > lup_count) {
        ierr = -1;
        return;
    }
    POKGPA(m, rows[row].start, loop, ierr);
}

void lup_reverse(const i32& row, i32& ierr)
{
    ierr = 0;
    i32 m = 0;
    lup_np(row, m);
    if (row < 1 || row > lup_count) {
        ierr = -1;
        return;
    }
    POKRVS(m, rows[row].start, ierr);
}

void lup_box(i32 rowkey, i32 subkey, pokarr& loop, f64* box, i32& ierr)
{
    ierr = 0;
    i32 row = rowkey;
    if (subkey != -1) {
        lup_find(0, 1, rowkey, subkey, row, loop, ierr);
        if (ierr != 0) return;
        // No row of that key: -1 and no box, rather than row 0's box column
        // (which holds no loop).
        if (row == 0) {
            ierr = -1;
            return;
        }
    }
    if (row < 1 || row > lup_count) {
        ierr = -1;
        return;
    }
    LupRow& r = rows[row];
    if (r.box < 0) {
        if (cache_handle < 0) {
            void* b = nullptr;
            i32 n = 2 * lup_count > 4 ? 2 * lup_count : 4;
            MM_OPEN_ARRAY(static_cast<i32>(sizeof(f64)), n, cache_handle, b, ierr);
            if (ierr != 0) return;
            cache = static_cast<f64*>(b);
            cache_size = n;
            cache_used = 0;
        }
        if (cache_size - cache_used < 4) {
            void* b = nullptr;
            MM_RESIZE_ARRAY(cache_handle, 1000, b, ierr);
            if (ierr != 0) return;
            mmcptr(cache_handle, b);
            cache = static_cast<f64*>(b);
            cache_size += 1000;
        }
        f64* c = cache + cache_used;
        pk_arr_box(loop, c[0], c[1], c[2], c[3]);
        r.box = cache_used;
        cache_used += 4;
        ++computed;
    }
    for (int k = 0; k < 4; ++k) box[k] = cache[r.box + k];
}

void lup_box_close()
{
    i32 st = 0;
    lup_box_close(st);
}

void lup_box_close(i32& status)
{
    status = 0;
    // the host's status of the close is answered; the cache is forgotten
    // either way, so that no row reads a box of a store given up
    if (cache_handle >= 0) MM_CLOSE(cache_handle, status);
    cache_handle = -1;
    cache = nullptr;
    cache_size = cache_used = 0;
    // The rows forget their places in the closed cache: a row kept pointing
    // into it would read freed memory, or after a reopen another row's box.
    for (i32 k = 1; k <= lup_count; ++k) rows[k].box = -1;
}

i32 lup_box_computed() { return computed; }
