// The pocket array record, its operations and the buffer pool.
#include "pocket/pokarr.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/host.h"

namespace {

// One buffer of the pool.
struct PkdmEntry {
    void* buffer;   // the host block, null when none
    i32 use;        // 0 free; -1 taken and not yet claimed; 8 held by a pocket array
    i32 bytes;      // size of the block
    i32 dims;       // dimension of the array that holds it
    i32 capacity;   // points the block holds
};

PkdmEntry* pool = nullptr;  // table from the host's block allocator
i32 pool_size = 0;          // entries in the table

bool pool_grow()
{
    i32 n = pool_size + 20;
    auto* t = static_cast<PkdmEntry*>(DM_ALLOC(n * static_cast<i32>(sizeof(PkdmEntry))));
    if (!t) return false;
    std::memset(static_cast<void*>(t), 0, static_cast<size_t>(n) * sizeof(PkdmEntry));
    if (pool) {
        std::memcpy(static_cast<void*>(t), pool, static_cast<size_t>(pool_size) * sizeof(PkdmEntry));
        DM_FREE(pool, pool_size * static_cast<i32>(sizeof(PkdmEntry)));
    }
    pool = t;
    pool_size = n;
    return true;
}

void free_memory(PkdmEntry& e)
{
    if (e.buffer) DM_FREE(e.buffer, e.bytes);
    e.buffer = nullptr;
    e.bytes = 0;
    e.capacity = 0;
    e.use = 0;
}

}  // namespace

// ------------------------------------------------------------------ pool

void pkdm_alloc(i32 bytes, i32& index)
{
    index = -1;
    if (!pool && !pool_grow()) {
        eroutc("[pkdm_alloc] UNABLE TO INITIALIZE DYNAMIC ARRAY PACKAGE", 0);
        return;
    }
    if (bytes < 0) bytes = 0;
    i32 best = -1, small = -1, empty = -1;
    for (i32 k = 0; k < pool_size; ++k) {
        const PkdmEntry& e = pool[k];
        if (e.use != 0) continue;
        if (e.buffer) {
            if (e.bytes >= bytes) {
                if (best < 0 || e.bytes < pool[best].bytes) best = k;
            } else if (small < 0 || e.bytes > pool[small].bytes) {
                small = k;
            }
        } else if (empty < 0) {
            empty = k;
        }
    }
    if (best >= 0) {
        pool[best].use = -1;
        index = best;
        return;
    }
    i32 slot = empty;
    if (slot < 0 && small < 0) {
        i32 first = pool_size;
        if (!pool_grow()) {
            eroutc("[pkdm_alloc] UNABLE TO RESIZE POCKET DYNAMIC ARRAY PACKAGE", 0);
            return;
        }
        slot = first;
    } else if (slot < 0) {
        free_memory(pool[small]);
        slot = small;
    }
    // Whole kilobytes, always one more than the request needs. A request
    // whose rounded size no longer fits the host's 32-bit size word fails as
    // a refused allocation does, instead of asking for a wrapped size.
    long long want = static_cast<long long>(bytes / 1024) * 1024 + 1024;
    if (want > 0x7fffffff) {
        eroutc("[pkdm_alloc] UNABLE TO ALLOCATE MEMORY\n", 0);
        index = -2;
        return;
    }
    void* p = DM_ALLOC(static_cast<i32>(want));
    if (!p) {
        pkdm_free(-1, 1);
        p = DM_ALLOC(static_cast<i32>(want));
        if (!p) {
            eroutc("[pkdm_alloc] UNABLE TO ALLOCATE MEMORY\n", 0);
            index = -2;
            return;
        }
    }
    pool[slot].buffer = p;
    pool[slot].bytes = static_cast<i32>(want);
    pool[slot].use = -1;
    pool[slot].dims = 0;
    pool[slot].capacity = 0;
    index = slot;
}

i32 pkdm_free(i32 index, i32 mode)
{
    if (!pool) {
        eroutc("[pkdm_free] POCKET DYNAMIC ARRAYS NOT INITIALIZED YET", 0);
        return -1;
    }
    if (index < 0) {
        if (mode == 1)
            for (i32 k = 0; k < pool_size; ++k)
                if (pool[k].use <= 0 && pool[k].buffer) free_memory(pool[k]);
        return 0;
    }
    if (index >= pool_size) {
        eroutc("[pkdm_free] INDEX TOO LARGE", 0);
        return -1;
    }
    PkdmEntry& e = pool[index];
    if (!e.buffer) {
        eroutc("[pkdm_free] REQUESTED BUFFER NOT ALLOCATED YET", 0);
        return -1;
    }
    if (e.use > 0) {
        e.use = 0;
        if (mode == 1) free_memory(e);
        return 0;
    }
    if (mode == 1) {
        free_memory(e);
        return 0;
    }
    eroutc("[pkdm_free] REQUESTED BUFFER NOT IN USE", 0);
    return -1;
}

void pkdm_rel_all()
{
    if (!pool) return;
    for (i32 k = 0; k < pool_size; ++k) free_memory(pool[k]);
    DM_FREE(pool, pool_size * static_cast<i32>(sizeof(PkdmEntry)));
    pool = nullptr;
    pool_size = 0;
}

i32 pkdm_entries() { return pool_size; }

i32 pkdm_in_use()
{
    i32 n = 0;
    for (i32 k = 0; k < pool_size; ++k) n += pool[k].use != 0 ? 1 : 0;
    return n;
}

i32 pkdm_bytes(i32 index) { return index >= 0 && index < pool_size ? pool[index].bytes : 0; }

void pkdm_mark(std::vector<char>& taken)
{
    taken.assign(static_cast<size_t>(pool_size), 0);
    for (i32 k = 0; k < pool_size; ++k) taken[static_cast<size_t>(k)] = pool[k].use != 0 ? 1 : 0;
}

void pkdm_release_since(const std::vector<char>& taken)
{
    for (i32 k = 0; k < pool_size; ++k) {
        const bool before = k < static_cast<i32>(taken.size()) && taken[static_cast<size_t>(k)];
        if (!before && pool[k].buffer) {
            free_memory(pool[k]);
            pool[k].use = 0;
        }
    }
}

// -------------------------------------------------------------- records

namespace {

void clear_attrs(pokarr& r)
{
    r.area = 0.0;
    r.direction = 0;
    r.indicator = 0;
}

// Entries the record's storage holds.
i32 room_of(const pokarr& r)
{
    if (r.storage >= 0 && r.storage < pool_size) return pool[r.storage].capacity;
    if (r.storage == PKS_STATIC) return r.room;
    if (r.storage == PKS_CHILD) return r.count;
    return 0;
}

// Makes room for `add` more entries behind the count.
bool grow(pokarr& r, i32 add, i32& ierr)
{
    pokarr_resize1(r, r.count + add, 1, ierr);
    if (ierr != 0) return false;
    if (room_of(r) < r.count + add) {
        ierr = -1;
        return false;
    }
    return true;
}

// Entry k of a 2-D to 4-D record set from a point, a Z and a vector.
void put_entry(pokarr& r, i32 k, f64 x, f64 y, f64 z, const f64* v)
{
    r.x[k] = x;
    if (r.dims >= 2) r.y[k] = y;
    if (r.dims >= 3) r.z[k] = z;
    if (r.dims == 4) {
        r.vec[3 * k] = v ? v[0] : 0.0;
        r.vec[3 * k + 1] = v ? v[1] : 0.0;
        r.vec[3 * k + 2] = v ? v[2] : 1.0;
    }
}

// Moves entries from..count-1 up by `by` places (room already made).
void shift_up(pokarr& r, i32 from, i32 by)
{
    i32 n = r.count - from;
    if (n <= 0) return;
    std::memmove(r.x + from + by, r.x + from, static_cast<size_t>(n) * sizeof(f64));
    if (r.dims >= 2) std::memmove(r.y + from + by, r.y + from, static_cast<size_t>(n) * sizeof(f64));
    if (r.dims >= 3) std::memmove(r.z + from + by, r.z + from, static_cast<size_t>(n) * sizeof(f64));
    if (r.dims == 4)
        std::memmove(r.vec + 3 * (from + by), r.vec + 3 * from, static_cast<size_t>(3 * n) * sizeof(f64));
}

// Moves entries from+by..count-1 down by `by` places.
void shift_down(pokarr& r, i32 from, i32 by)
{
    i32 n = r.count - from - by;
    if (n > 0) {
        std::memmove(r.x + from, r.x + from + by, static_cast<size_t>(n) * sizeof(f64));
        if (r.dims >= 2) std::memmove(r.y + from, r.y + from + by, static_cast<size_t>(n) * sizeof(f64));
        if (r.dims >= 3) std::memmove(r.z + from, r.z + from + by, static_cast<size_t>(n) * sizeof(f64));
        if (r.dims == 4)
            std::memmove(r.vec + 3 * from, r.vec + 3 * (from + by), static_cast<size_t>(3 * n) * sizeof(f64));
    }
    r.count -= by;
}

// Copies entry k to entry j of the same record.
void copy_entry(pokarr& r, i32 j, i32 k)
{
    r.x[j] = r.x[k];
    if (r.dims >= 2) r.y[j] = r.y[k];
    if (r.dims >= 3) r.z[j] = r.z[k];
    if (r.dims == 4)
        for (int c = 0; c < 3; ++c) r.vec[3 * j + c] = r.vec[3 * k + c];
}

// Numbers a point of a dimension takes in a 1-D array.
i32 nums_per_point(i32 dims) { return dims == 2 ? 2 : 3; }

// Entries the target receives for n entries of the source; -1 for a pair
// that cannot be converted.
i32 converted_count(i32 sd, i32 td, i32 n)
{
    if (sd == td || (sd >= 2 && td >= 2)) return n;
    if (td == 1) return sd == 4 ? -1 : n * nums_per_point(sd);
    if (td == 4) return -1;
    return n / nums_per_point(td);
}

// Writes n source entries from i as target entries from j (room made).
void convert_into(const pokarr& s, i32 i, i32 n, pokarr& t, i32 j)
{
    if (s.dims == t.dims || (s.dims >= 2 && t.dims >= 2)) {
        for (i32 k = 0; k < n; ++k) {
            i32 a = i + k, b = j + k;
            t.x[b] = s.x[a];
            if (t.dims >= 2) t.y[b] = s.y[a];
            if (t.dims >= 3) t.z[b] = s.dims >= 3 ? s.z[a] : 0.0;
            if (t.dims == 4)
                for (int c = 0; c < 3; ++c)
                    t.vec[3 * b + c] = s.dims == 4 ? s.vec[3 * a + c] : (c == 2 ? 1.0 : 0.0);
        }
        return;
    }
    if (t.dims == 1) {
        i32 m = nums_per_point(s.dims), b = j;
        for (i32 k = 0; k < n; ++k) {
            t.x[b++] = s.x[i + k];
            t.x[b++] = s.y[i + k];
            if (m == 3) t.x[b++] = s.z[i + k];
        }
        return;
    }
    i32 m = nums_per_point(t.dims);
    for (i32 k = 0; k < n / m; ++k) {
        i32 a = i + m * k;
        t.x[j + k] = s.x[a];
        t.y[j + k] = s.x[a + 1];
        if (m == 3) t.z[j + k] = s.x[a + 2];
    }
}

}  // namespace

i32 pokarr_dpp(i32 dims)
{
    static const i32 d[4] = {1, 2, 3, 6};
    return dims >= 1 && dims <= 4 ? d[dims - 1] : 0;
}

pokarr& pokarr_init(i32 dims, pokarr& rec)
{
    clear_attrs(rec);
    if (dims < 1 || dims > 4) eroutc("[pokarr_init] ILLEGAL NUMBER OF DIMENSIONS", 0);
    // The record is emptied whatever the dimension: after a bad one it holds
    // no stale pointers or count that a later call could read through.
    rec.dims = dims;
    rec.x = rec.y = rec.z = rec.vec = nullptr;
    rec.count = 0;
    rec.storage = PKS_EMPTY;
    rec.room = 0;
    return rec;
}

void pokarr_init_dyn(i32 dims, i32 n, pokarr& rec, i32& ierr)
{
    ierr = 0;
    pokarr_init(dims, rec);
    if (n < 0) {
        eroutc("[pokarr_init_dyn], ATTEMPTING TO CREATE A NEGATIVE SIZE ARRAY", 0);
        ierr = -1;
        return;
    }
    if (dims < 1 || dims > 4) {
        eroutc("[pokarr_init_dyn], UNSUPPORTED DYNAMIC ARRAY SIZE", 0);
        ierr = -1;
        return;
    }
    if (n == 0) return;
    i32 dpp = pokarr_dpp(dims);
    // Points past what a 32-bit byte count can hold (with the pool's
    // rounding to whole kilobytes) are refused here: the product would wrap
    // and the block would be smaller than the arrays carved from it.
    long long bytes = 8LL * dpp * n;
    if (bytes > 0x7ffff000) {
        ierr = -1;
        return;
    }
    i32 idx = -1;
    pkdm_alloc(static_cast<i32>(bytes), idx);
    if (idx < 0) {
        ierr = -1;
        return;
    }
    PkdmEntry& e = pool[idx];
    e.use = 8;
    e.dims = dims;
    e.capacity = e.bytes / (8 * dpp);
    f64* base = static_cast<f64*>(e.buffer);
    i32 cap = e.capacity;
    rec.x = base;
    if (dims >= 2) rec.y = base + cap;
    if (dims >= 3) rec.z = base + 2 * cap;
    if (dims == 4) rec.vec = base + 3 * cap;
    rec.storage = idx;
}

void pokarr_init_static(i32 dims, f64* x, f64* y, f64* z, f64* vec, i32 count, pokarr& rec, i32 room)
{
    pokarr_init(dims, rec);
    rec.x = x;
    rec.y = y;
    rec.z = z;
    rec.vec = vec;
    rec.count = count;
    rec.storage = PKS_STATIC;
    // The window holds what the caller's arrays hold (its room, at most
    // PK_STATIC_MAX), not a fixed maximum: growing past the caller's arrays
    // would write past them.
    i32 r = room > 0 ? room : count;
    rec.room = r < PK_STATIC_MAX ? r : PK_STATIC_MAX;
    if (rec.room < count) rec.room = count;
}

void pokarr_init_child(const pokarr& src, i32 i, i32 n, pokarr& rec)
{
    if (src.count <= 0 || src.storage == PKS_EMPTY) return;
    // A negative start or length is taken as 0, so the window never starts
    // before the source's storage nor gets a negative count.
    if (i < 0) i = 0;
    if (i >= src.count) i = src.count - 1;
    if (n < 0) n = 0;
    if (i + n > src.count) n = src.count - i;
    bool whole = i == 0 && n == src.count;
    rec.dims = src.dims;
    rec.storage = PKS_CHILD;
    rec.count = n;
    rec.room = 0;
    rec.x = src.x + i;
    rec.y = src.y ? src.y + i : nullptr;
    rec.z = src.z ? src.z + i : nullptr;
    rec.vec = src.vec ? src.vec + 3 * i : nullptr;
    if (whole) {
        rec.area = src.area;
        rec.direction = src.direction;
        rec.indicator = src.indicator;
    } else {
        clear_attrs(rec);
    }
}

void pokarr_clear(pokarr& rec, i32 n, i32& ierr)
{
    clear_attrs(rec);
    pokarr_resize1(rec, n, 0, ierr);
    if (ierr == 0 && room_of(rec) < n) ierr = -1;
    // A child cannot be given room (the resize refuses it), yet it ends empty
    // like any other record: its window only shrinks, nothing of the array
    // it looks into is touched.
    rec.count = 0;
}

void pokarr_resize(pokarr& rec, i32 n, i32& ierr) { pokarr_resize1(rec, n, 1, ierr); }

void pokarr_resize1(pokarr& rec, i32 n, i32 keep, i32& ierr)
{
    ierr = 0;
    if (n > (rec.dims == 1 ? PK_MAXVALS : PK_MAXPTS)) {
        ierr = -1;
        return;
    }
    if (rec.storage == PKS_CHILD) {
        eroutc("[pokarr_resize1] ATTEMPT TO RESIZE CHILD ARRAY", 0);
        ierr = -1;
        return;
    }
    if (rec.storage == PKS_STATIC) {
        if (n > rec.room) ierr = -1;
        return;
    }
    if (rec.storage == PKS_EMPTY) {
        pokarr_init_dyn(rec.dims, n, rec, ierr);
        return;
    }
    // A pool index past the pool's table (left over after the pool was
    // released) names no array either: the same message, rather than a
    // read past the table.
    if (rec.storage < 0 || rec.storage >= pool_size) {
        eroutc("[pokarr_resize] UNKNOWN POINTER", 0);
        ierr = -1;
        return;
    }
    if (n < pool[rec.storage].capacity) return;
    pokarr t;
    pokarr_init_dyn(rec.dims, n, t, ierr);
    if (ierr != 0) return;
    i32 cnt = rec.count;
    if (keep && cnt >= 1) {
        size_t b = static_cast<size_t>(cnt) * sizeof(f64);
        std::memcpy(t.x, rec.x, b);
        if (rec.dims >= 2) std::memcpy(t.y, rec.y, b);
        if (rec.dims >= 3) std::memcpy(t.z, rec.z, b);
        if (rec.dims == 4) std::memcpy(t.vec, rec.vec, 3 * b);
    }
    pokarr_free(rec);
    rec = t;
    rec.count = keep ? cnt : 0;
}

// Appends an arc's marker, radius and turning, and centre (and its end
// point when `end` is given); `who` names the routine in the message.
static void put_arc(const char* who, const f64* end, const f64* z, const f64& cx, const f64& cy, const f64& r,
                    const i32& dir, pokarr& rec, i32& ierr)
{
    ierr = 0;
    if (rec.dims == 1) {
        eroutc((std::string("[") + who + "] ARCS NOT SUPPORTED FOR 1D ARRAYS").c_str(), 0);
        ierr = -1;
        return;
    }
    i32 n = end ? 4 : 3;
    if (!grow(rec, n, ierr)) return;
    f64 h = z ? *z : 0.0;
    i32 k = rec.count;
    put_entry(rec, k, PK_ARC_MARK, 0.0, h, nullptr);
    put_entry(rec, k + 1, r, static_cast<f64>(dir), h, nullptr);
    put_entry(rec, k + 2, cx, cy, h, nullptr);
    if (end) put_entry(rec, k + 3, end[0], end[1], h, nullptr);
    rec.count += n;
}

void pokarr_add_arc(const f64& ex, const f64& ey, const f64* z, const f64& cx, const f64& cy, const f64& r,
                    const i32& dir, pokarr& rec, i32& ierr)
{
    const f64 end[2] = {ex, ey};
    put_arc("pokarr_add_arc", end, z, cx, cy, r, dir, rec, ierr);
}

void pokarr_add_arcpart(const f64& cx, const f64& cy, const f64* z, const f64& r, const i32& dir, pokarr& rec,
                        i32& ierr)
{
    put_arc("pokarr_add_arcpart", nullptr, z, cx, cy, r, dir, rec, ierr);
}

void pokarr_add_pnt(const f64* p, pokarr& rec, i32& ierr)
{
    ierr = 0;
    if (rec.dims != 2 && rec.dims != 3) {
        eroutc("[pokarr_add_pnt] POCKET ARRAY IS NOT 2D OR 3D", 0);
        ierr = -1;
        return;
    }
    if (!grow(rec, 1, ierr)) return;
    put_entry(rec, rec.count, p[0], p[1], rec.dims == 3 ? p[2] : 0.0, nullptr);
    ++rec.count;
}

void pokarr_add_pnt_at(const f64* p, pokarr& rec, i32 i, i32& ierr)
{
    ierr = 0;
    if (rec.dims != 2 && rec.dims != 3) {
        eroutc("[pokarr_add_pnt] POCKET ARRAY IS NOT 2D OR 3D", 0);
        ierr = -1;
        return;
    }
    if (!grow(rec, 1, ierr)) return;
    if (i < 0) i = 0;
    if (i > rec.count) i = rec.count;
    shift_up(rec, i, 1);
    put_entry(rec, i, p[0], p[1], rec.dims == 3 ? p[2] : 0.0, nullptr);
    ++rec.count;
}

void pokarr_insert_pnt(const f64* p, const f64* v, pokarr& rec, i32 i, i32& ierr)
{
    ierr = 0;
    if (rec.dims < 2 || rec.dims > 4) {
        ierr = -1;
        return;
    }
    if (!grow(rec, 1, ierr)) return;
    if (i < 0) i = 0;
    if (i > rec.count) i = rec.count;
    shift_up(rec, i, 1);
    put_entry(rec, i, p[0], p[1], p[2], v);
    ++rec.count;
}

void pokarr_add_pnt_nrm(const f64* p, const f64* v, pokarr& rec, i32& ierr)
{
    pokarr_insert_pnt(p, v, rec, rec.count, ierr);
}

void pokarr_add_vals(const f64& a, const f64* b, const f64* c, const f64* v, pokarr& rec, i32& ierr)
{
    ierr = 0;
    if (rec.dims == 1) {
        f64 vals[6];
        i32 n = 0;
        vals[n++] = a;
        if (b) {
            vals[n++] = *b;
            if (c) {
                vals[n++] = *c;
                if (v)
                    for (int k = 0; k < 3; ++k) vals[n++] = v[k];
            }
        }
        if (!grow(rec, n, ierr)) return;
        for (i32 k = 0; k < n; ++k) rec.x[rec.count + k] = vals[k];
        rec.count += n;
        return;
    }
    if (rec.dims < 2 || rec.dims > 4) {
        ierr = -1;
        return;
    }
    if (!grow(rec, 1, ierr)) return;
    put_entry(rec, rec.count, a, b ? *b : 0.0, c ? *c : 0.0, v);
    ++rec.count;
}

void pokarr_copy(const pokarr& src, pokarr& tgt, i32& ierr)
{
    ierr = 0;
    if (&src == &tgt) return;
    // The target takes the source's area, direction and indicator first,
    // whether or not the entries can then be copied.
    const i32 n = src.count;
    tgt.area = src.area;
    tgt.direction = src.direction;
    tgt.indicator = src.indicator;
    // Whatever could not be copied leaves the target empty, a child window
    // too (its window shrinks, the array it looks into is not touched), so
    // that it never shows entries the source does not have.
    if (n <= 0 || src.storage == PKS_EMPTY) {
        tgt.count = 0;
        return;
    }
    i32 m = converted_count(src.dims, tgt.dims, n);
    if (m < 0) {
        eroutc("[pokarr_copy] UNABLE TO CONVERT 1D ARRAYS", 0);
        ierr = -1;
        // count 0, not n: nothing was copied, and n entries would show what
        // the target held before (or lie past its storage)
        tgt.count = 0;
        return;
    }
    pokarr_resize1(tgt, m, 0, ierr);
    if (ierr == 0 && room_of(tgt) < m) ierr = -1;
    // Sizing a fresh or too small target makes its record anew, which
    // clears these three: they are set again, so that a copy that succeeds
    // carries them as one that fails does.
    tgt.area = src.area;
    tgt.direction = src.direction;
    tgt.indicator = src.indicator;
    if (ierr != 0) {
        tgt.count = 0;
        return;
    }
    convert_into(src, 0, n, tgt, 0);
    tgt.count = m;
}

void pokarr_move(pokarr& src, pokarr& tgt, i32& ierr)
{
    ierr = 0;
    if (&src != &tgt && src.storage != PKS_CHILD && src.storage != PKS_STATIC && tgt.storage != PKS_STATIC) {
        pokarr_free(tgt);
        tgt = src;
        src.storage = PKS_CHILD;
        return;
    }
    pokarr_copy(src, tgt, ierr);
}

void pokarr_swap(pokarr& a, pokarr& b, i32& ierr)
{
    ierr = 0;
    if (a.storage == PKS_STATIC || b.storage == PKS_STATIC) {
        ierr = -1;
        return;
    }
    pokarr t = a;
    a = b;
    b = t;
}

// Copies n entries of src from i into tgt at j: inserted before the entries
// from j (insert), or replacing them all.
static void place_part(i32 n, const pokarr& src, i32 i, pokarr& tgt, i32 j, bool insert, i32& ierr)
{
    ierr = 0;
    if (n < 1) return;
    if (i < 0 || i + n > src.count) {
        ierr = -1;
        return;
    }
    i32 m = converted_count(src.dims, tgt.dims, n);
    if (m < 0) {
        eroutc("[pokarr_copy] UNABLE TO CONVERT 1D ARRAYS", 0);
        ierr = -1;
        return;
    }
    // j is clamped to 0 .. the target's count for the part copy as well as
    // for the insert: a j past the count would leave entries inside the new
    // count that were never set.
    if (j < 0) j = 0;
    if (j > tgt.count) j = tgt.count;
    if (&src == &tgt) {
        // A stretch of the record into itself: copied aside first.
        pokarr t;
        pokarr_init(src.dims, t);
        pokarr_copy_range(n, src, i, t, ierr);
        if (ierr == 0) place_part(n, t, 0, tgt, j, insert, ierr);
        pokarr_free(t);
        return;
    }
    i32 keep = tgt.count;
    if (!insert) tgt.count = j;
    if (!grow(tgt, m, ierr)) {
        tgt.count = keep;
        return;
    }
    if (insert) shift_up(tgt, j, m);
    convert_into(src, i, n, tgt, j);
    tgt.count += m;
}

void pokarr_copy_ins(i32 n, const pokarr& src, i32 i, pokarr& tgt, i32 j, i32& ierr)
{
    place_part(n, src, i, tgt, j, true, ierr);
}

void pokarr_copy_part(i32 n, const pokarr& src, i32 i, pokarr& tgt, i32 j, i32& ierr)
{
    place_part(n, src, i, tgt, j, false, ierr);
}

void pokarr_append_part(i32 n, const pokarr& src, i32 i, pokarr& tgt, i32& ierr)
{
    pokarr_copy_part(n, src, i, tgt, tgt.count, ierr);
}

void pokarr_copy_range(i32 n, const pokarr& src, i32 i, pokarr& tgt, i32& ierr)
{
    clear_attrs(tgt);
    // The target holds the n entries and nothing else: a range of none
    // leaves it empty (placing a part of no entries would change nothing
    // and leave what the target held before).
    if (n < 1) {
        ierr = 0;
        tgt.count = 0;
        return;
    }
    pokarr_copy_part(n, src, i, tgt, 0, ierr);
}

void pokarr_remove_pnts(pokarr& rec, i32 closed, i32 i, i32 n, i32& ierr)
{
    ierr = 0;
    if (i < 0 || i >= rec.count) {
        eroutc("[pokarr_remove_pnts] Index is larger than array", 0);
        ierr = -1;
        return;
    }
    if (n < 0) n = 0;
    i32 old = rec.count;
    if (n > old - i) n = old - i;
    shift_down(rec, i, n);
    // nothing removed: a closed loop is still closed on its first point
    if (!closed || n == 0) return;
    bool to_end = i + n == old;
    if (to_end) {
        if (i <= 1) {
            rec.count = 0;
            return;
        }
        // The old last entry repeated the first one: the first goes too, and
        // the loop is closed on its new first entry.
        shift_down(rec, 0, 1);
        if (!grow(rec, 1, ierr)) return;
        copy_entry(rec, rec.count, 0);
        ++rec.count;
    } else if (i == 0 && rec.count > 0) {
        // The last entry repeated the removed first one: it now repeats the
        // new first entry. It is overwritten rather than a copy appended
        // behind it, for the removed first point is the same vertex as that
        // closing entry: kept, the vertex the caller removed would stay in
        // the loop (as it goes when the stretch reaches the end).
        copy_entry(rec, rec.count - 1, 0);
    }
}

void pokarr_drop(pokarr& rec, i32 i, i32 m)
{
    if (m <= 0 || i < 0 || i >= rec.count) return;
    if (i + m > rec.count) m = rec.count - i;
    shift_down(rec, i, m);
}

void pokarr_copy_entry(pokarr& rec, i32 to, i32 from) { copy_entry(rec, to, from); }

void pokarr_from_flat(i32 dims_in, const f64* pts, const f64* vecs, i32 n, pokarr& rec, i32& ierr)
{
    ierr = 0;
    // A 1-D record has no Y (nor Z) array to fill, and a negative count no
    // entries: both are refused like a bad dims in.
    if (dims_in < 2 || dims_in > 4 || rec.dims < 2 || n < 0) {
        ierr = -1;
        return;
    }
    pokarr_clear(rec, n, ierr);
    if (ierr != 0) return;
    i32 s = dims_in == 2 ? 2 : 3;
    for (i32 k = 0; k < n; ++k)
        put_entry(rec, k, pts[s * k], pts[s * k + 1], s == 3 ? pts[s * k + 2] : 0.0,
                  dims_in == 4 && vecs ? vecs + 3 * k : nullptr);
    rec.count = n;
}

void pokarr_to_flat(i32 dims_out, f64* pts, f64* vecs, i32& n, const pokarr& rec, i32& ierr)
{
    ierr = 0;
    n = 0;
    // A 1-D record holds numbers, not points: it has no Y array to read.
    if (dims_out < 2 || dims_out > 4 || rec.dims < 2) {
        ierr = -1;
        return;
    }
    i32 s = dims_out == 2 ? 2 : 3;
    for (i32 k = 0; k < rec.count; ++k) {
        pts[s * k] = rec.x[k];
        pts[s * k + 1] = rec.y[k];
        if (s == 3) pts[s * k + 2] = rec.dims >= 3 ? rec.z[k] : 0.0;
        if (dims_out == 4 && vecs)
            for (int c = 0; c < 3; ++c) vecs[3 * k + c] = rec.dims == 4 ? rec.vec[3 * k + c] : (c == 2 ? 1.0 : 0.0);
    }
    n = rec.count;
}

void pokarr_area(pokarr& rec)
{
    if (rec.direction != 0) return;
    f64 sum = 0.0;
    if (rec.dims >= 2 && rec.count > 1) {
        f64 x0 = rec.x[0], y0 = rec.y[0], qx = 0.0, qy = 0.0;
        for (i32 k = 1; k < rec.count; ++k) {
            if (pk_arc_at(rec.x[k])) {
                // an arc block cut short by the array's end has no end
                // point: the sum stops there rather than read past the count
                if (k + 3 >= rec.count) break;
                f64 ax = rec.x[k - 1], ay = rec.y[k - 1];
                f64 r = rec.x[k + 1], d = rec.y[k + 1] < 0.0 ? -1.0 : 1.0;
                f64 cx = rec.x[k + 2], cy = rec.y[k + 2];
                f64 ex = rec.x[k + 3], ey = rec.y[k + 3];
                // a radius of 0 or below is no arc: only its chord (the end
                // point below) counts, instead of a division by 0
                if (r > 0.0) {
                    f64 a1 = (ax - cx) / r, a2 = (ay - cy) / r, e1 = (ex - cx) / r, e2 = (ey - cy) / r;
                    f64 s = a1 * e2 - a2 * e1, c = a1 * e1 + a2 * e2;
                    // The sweep in the arc's own direction, a half turn or more
                    // included: contours carry arcs of more than a half turn
                    // until they are split, and an angle folded to a half turn
                    // would count such an arc's area on the wrong side of its
                    // chord.
                    // An end less than a sine of 1e-6 behind the start is
                    // round-off of a null arc, as the arc split and flattening
                    // take it too: its sweep stays a hair below 0 instead of
                    // becoming a full turn that adds the whole circle.
                    f64 t = std::atan2(d * s, c);
                    if (t < 0.0 && !(d * s >= -1e-6 && c > 0.0)) t += 2.0 * M_PI;
                    sum += (d * t - s) * r * r / 2.0;
                }
                k += 3;
            }
            f64 dx = rec.x[k] - x0, dy = rec.y[k] - y0;
            sum += (qx * dy - dx * qy) / 2.0;
            qx = dx;
            qy = dy;
        }
    }
    rec.area = std::fabs(sum);
    rec.direction = sum > 0.0 ? 1 : -1;
}

namespace {

// Squared distance of point k from the chord a-b over the packed values.
f64 chord_dev2(const std::vector<f64>& p, i32 s, i32 a, i32 b, i32 k)
{
    f64 d[3] = {0, 0, 0}, q[3] = {0, 0, 0};
    f64 dd = 0.0, qd = 0.0;
    for (i32 c = 0; c < s; ++c) {
        d[c] = p[s * b + c] - p[s * a + c];
        q[c] = p[s * k + c] - p[s * a + c];
        dd += d[c] * d[c];
        qd += q[c] * d[c];
    }
    f64 t = dd > 0.0 ? qd / dd : 0.0;
    if (t < 0.0) t = 0.0;
    if (t > 1.0) t = 1.0;
    f64 e = 0.0;
    for (i32 c = 0; c < s; ++c) {
        f64 w = q[c] - t * d[c];
        e += w * w;
    }
    return e;
}

// Keeps the points that a chord from the last kept point cannot pass within
// the tolerance (first and last always kept).
void thin(const std::vector<f64>& p, i32 s, i32 n, f64 tol, std::vector<char>& keep)
{
    keep.assign(static_cast<size_t>(n), 0);
    if (n == 0) return;
    keep[0] = 1;
    keep[static_cast<size_t>(n - 1)] = 1;
    std::vector<std::pair<i32, i32>> stack{{0, n - 1}};
    f64 t2 = tol * tol;
    while (!stack.empty()) {
        auto [a, b] = stack.back();
        stack.pop_back();
        i32 far = -1;
        f64 worst = t2;
        for (i32 k = a + 1; k < b; ++k) {
            f64 e = chord_dev2(p, s, a, b, k);
            if (e > worst) {
                worst = e;
                far = k;
            }
        }
        if (far < 0) continue;
        keep[static_cast<size_t>(far)] = 1;
        stack.push_back({a, far});
        stack.push_back({far, b});
    }
}

}  // namespace

void pokarr_dilul(pokarr& rec, const f64& tol, pokarr* out, i32& ierr)
{
    ierr = 0;
    if (rec.dims == 1) {
        eroutc("[pokarr_dilul] UNABLE TO DILUL A ONE DIMENSIONAL ARRAY", 0);
        ierr = -1;
        return;
    }
    i32 n = rec.count, s = rec.dims == 2 ? 2 : 3;
    std::vector<f64> p(static_cast<size_t>(s * n));
    for (i32 k = 0; k < n; ++k) {
        p[static_cast<size_t>(s * k)] = rec.x[k];
        p[static_cast<size_t>(s * k + 1)] = rec.y[k];
        if (s == 3) p[static_cast<size_t>(s * k + 2)] = rec.z[k];
    }
    std::vector<char> keep;
    thin(p, s, n, tol, keep);
    i32 m = 0;
    for (char c : keep) m += c;
    pokarr& o = out ? *out : rec;
    if (m == n) {
        if (out) pokarr_copy(rec, *out, ierr);
        return;
    }
    // The output keeps its own dimension and is refilled from the packed
    // results: a 1-D output takes the packed numbers (2 or 3 a point), one
    // of points a Z of 0.0 from a plane record and (0, 0, 1) vectors from a
    // record without them.
    const i32 dims = rec.dims;
    std::vector<f64> v;
    if (dims == 4) v.assign(rec.vec, rec.vec + 3 * n);
    pokarr_clear(o, o.dims == 1 ? s * m : m, ierr);
    if (ierr != 0) return;
    i32 j = 0;
    for (i32 k = 0; k < n; ++k) {
        if (!keep[static_cast<size_t>(k)]) continue;
        const f64* q = p.data() + s * k;
        if (o.dims == 1) {
            for (i32 c = 0; c < s; ++c) o.x[s * j + c] = q[c];
        } else {
            put_entry(o, j, q[0], q[1], s == 3 ? q[2] : 0.0, dims == 4 ? v.data() + 3 * k : nullptr);
        }
        ++j;
    }
    o.count = o.dims == 1 ? s * m : m;
}

i32 pokarr_free(pokarr& rec)
{
    i32 ans;
    if (rec.storage >= 0) {
        if (pool && rec.storage < pool_size) {
            pkdm_free(rec.storage, 0);
            ans = 0;
        } else {
            // An index the pool does not hold is not handed to the pool
            // (which would read past its table): the failure is reported and
            // answered here rather than given back as a release.
            eroutc("[pokarr_free] UNABLE TO FIND DYNAMIC ARRAY", 0);
            ans = -1;
        }
    } else if (rec.storage == PKS_STATIC || rec.storage == PKS_CHILD) {
        ans = 1;
    } else if (rec.storage == PKS_EMPTY) {
        ans = 2;
    } else {
        eroutc("[pokarr_free] UNABLE TO FIND DYNAMIC ARRAY", 0);
        ans = -1;
    }
    pokarr_init(rec.dims >= 1 && rec.dims <= 4 ? rec.dims : 2, rec);
    return ans;
}
