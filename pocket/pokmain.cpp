// The pocket main point arrays and the entry-move state word.
#include "pocket/pokmain.h"

#include <climits>
#include <cstring>

#include "core/host.h"
#include "pocket/pkgeom.h"
#include "pocket/pokvals.h"

namespace {

i32 dimmode = -1;                   // -1 undefined, 0 2-D, 1 3-D
f64 origin[3] = {0.0, 0.0, 0.0};
i32 main_handle = -1;
f64* main_base = nullptr;           // x, y[, z] per point
i32 main_cap = 0;
i32 cpt_handle = -1;
f64* cpt_base = nullptr;
i32 cpt_cap = 0;
i32 entry_state = 0;

// Doubles a point takes in the arrays.
i32 stride() { return dimmode == 1 ? 3 : 2; }

void refetch_main()
{
    void* b = nullptr;
    mmcptr(main_handle, b);
    main_base = static_cast<f64*>(b);
}

void refetch_cpt()
{
    void* b = nullptr;
    mmcptr(cpt_handle, b);
    cpt_base = static_cast<f64*>(b);
}

// The pocket dimension mode is 4: every loop is followed by its normals.
bool with_normals() { return pokdim == 4; }

bool defined_or_report()
{
    if (dimmode >= 0) return true;
    eroutc("[pokinitdim] UNABLE TO OPEN POCKET ARRAYS - DIMENSIONS NOT DEFINED", 0);
    return false;
}

}  // namespace

void pokmain_take(PokMainState& s)
{
    s.dimmode = dimmode;
    for (i32 k = 0; k < 3; ++k) s.origin[k] = origin[k];
    s.main_handle = main_handle;
    s.main_cap = main_cap;
    s.cpt_handle = cpt_handle;
    s.cpt_cap = cpt_cap;
    s.entry_state = entry_state;
    dimmode = -1;
    main_handle = cpt_handle = -1;
    main_base = cpt_base = nullptr;
    main_cap = cpt_cap = 0;
}

void pokmain_give(const PokMainState& s, i32& status)
{
    POKREL(1, status);
    dimmode = s.dimmode;
    for (i32 k = 0; k < 3; ++k) origin[k] = s.origin[k];
    main_handle = s.main_handle;
    main_cap = s.main_cap;
    cpt_handle = s.cpt_handle;
    cpt_cap = s.cpt_cap;
    entry_state = s.entry_state;
    main_base = cpt_base = nullptr;
    if (main_handle >= 0) refetch_main();
    if (cpt_handle >= 0) refetch_cpt();
}

void POKORG(const f64& x, const f64& y, const f64& z, i32& n)
{
    origin[0] = x;
    origin[1] = y;
    origin[2] = z;
    n = main_cap;
}

void pokinitdim(i32& status)
{
    status = 0;
    if (pokdim == 2) {
        dimmode = 0;
    } else if (pokdim == 3 || pokdim == 4) {
        dimmode = 1;
    } else {
        eroutc("[pokinitdim] UNABLE TO OPEN POCKET ARRAYS - DIMENSIONS NOT DEFINED", 0);
        status = -1;
    }
}

void POKCPT(const f64* p, i32& n, i32& status)
{
    status = 0;
    if (dimmode < 0) {
        pokinitdim(status);
        if (status < 0) return;
    }
    if (n < 1) {
        status = -1;
        return;
    }
    if (n - 1 >= cpt_cap) {
        i32 size = stride() * static_cast<i32>(sizeof(f64));
        void* b = nullptr;
        // Positions are filled one after the other: one growth of 5000
        // points makes room for position n only when n is the next one past
        // the capacity, on a fresh array as on a grown one. A position
        // farther on is refused instead of written past the array.
        if (n - 1 > cpt_cap) {
            status = -1;
            return;
        }
        if (cpt_cap > 0)
            MM_RESIZE_ARRAY(cpt_handle, 5000, b, status);
        else
            MM_OPEN_ARRAY(size, 5000, cpt_handle, b, status);
        if (status != 0) {
            if (indbug()) eroutc("POKCPT, DYNAMIC MEMORY ERROR - CANNOT ALLOCATE", 0);
            i32 st = 0;
            POKREL(1, st);
            status = -1;
            return;
        }
        cpt_cap += 5000;
        refetch_cpt();
    }
    i32 s = stride(), k = n - 1;
    for (i32 c = 0; c < s; ++c) cpt_base[s * k + c] = p[c] - origin[c];
    ++n;
}

void PokAllocMainArray(i32& wanted, i32& status)
{
    status = 0;
    if (dimmode < 0) {
        pokinitdim(status);
        if (status < 0) return;
    }
    i32 size = stride() * static_cast<i32>(sizeof(f64));
    if (wanted <= main_cap) return;
    i32 cut = (INT_MAX / size) / 4;
    if (wanted > cut) wanted = cut;
    i32 growth = wanted - main_cap;
    void* b = nullptr;
    if (growth >= 1) {
        if (main_cap > 0)
            MM_RESIZE_ARRAY(main_handle, growth, b, status);
        else
            MM_OPEN_ARRAY(size, growth, main_handle, b, status);
    }
    if (growth < 1 || status != 0) {
        // indbug is the host's call that answers whether it runs in debug mode
        if (indbug() || growth == 0) eroutc("[PokAllocMainArray] DYNAMIC MEMORY ERROR - CANNOT ALLOCATE", 0);
        i32 st = 0;
        POKREL(1, st);
        status = -1;
        return;
    }
    refetch_main();
    main_cap = wanted;
}

void POKCPY(const i32& capacity, const i32& attempt, const i32& n, i32& status)
{
    status = 0;
    if (attempt > 10) {
        eroutc("POKCPY, DYNAMIC MEMORY ERROR - TOO MANY REALLOCATIONS", 0);
        status = -1;
        return;
    }
    i32 want = capacity;
    PokAllocMainArray(want, status);
    if (status < 0) return;
    // Only points both arrays hold are copied: a count beyond either
    // capacity would read or write past an array.
    if (n < 0 || n > cpt_cap || n > main_cap) {
        status = -1;
        return;
    }
    if (n > 0) std::memcpy(main_base, cpt_base, static_cast<size_t>(n * stride()) * sizeof(f64));
}

void POKGRW(const i32& wanted, i32& status)
{
    status = 0;
    if (wanted <= main_cap) return;
    i32 c = main_cap;
    long long cap = c + (static_cast<long long>(wanted - c) / 7000 + 1) * 7000;
    i32 want = cap > INT_MAX ? INT_MAX : static_cast<i32>(cap);
    PokAllocMainArray(want, status);
    // A capacity cut down to the largest count a word holds can stay below
    // the wanted number: that is a failure too, or the caller would write
    // past the array's end.
    if (status < 0 || want < wanted) {
        status = 15;
        return;
    }
    pk_capacity = main_cap;
}

void POKGPT(const i32& n, const i32& i, i32& status)
{
    status = 0;
    if (!defined_or_report() || n < 0 || i < 0 || n > main_cap || i > main_cap - n) {
        status = -1;
        return;
    }
    if (n == 0 || i == 0) return;
    std::memmove(main_base + stride() * i, main_base, static_cast<size_t>(n * stride()) * sizeof(f64));
}

void POKGPA(const i32& n, const i32& i, pokarr& arr, i32& status)
{
    status = 0;
    if (!defined_or_report() || n < 0) {
        status = -1;
        return;
    }
    i32 npts = with_normals() ? n / 2 : n;
    if (i < 1 || i - 1 > main_cap - n) {
        status = -1;
        return;
    }
    pokarr_clear(arr, npts, status);
    if (status != 0) {
        status = -1;
        return;
    }
    i32 s = stride(), k0 = i - 1;
    for (i32 k = 0; k < npts; ++k) {
        const f64* p = main_base + s * (k0 + k);
        arr.x[k] = p[0];
        if (arr.dims >= 2) arr.y[k] = p[1];
        if (arr.dims >= 3) arr.z[k] = s == 3 ? p[2] : 0.0;
        if (arr.dims == 4) {
            // Only rows of dimension mode 4 hold normals behind their points;
            // elsewhere the words there are the next row's points, and the
            // array gets upright normals instead.
            const f64* v = main_base + s * (k0 + npts + k);
            for (i32 c = 0; c < 3; ++c) arr.vec[3 * k + c] = with_normals() && s == 3 ? v[c] : (c == 2 ? 1.0 : 0.0);
        }
    }
    arr.count = npts;
}

void POKGPX(const i32& n, const i32& i, f64* x, f64* y, i32& status)
{
    pokarr a;
    i32 room = with_normals() ? n / 2 : n;
    pokarr_init_static(2, x, y, nullptr, nullptr, 0, a, room > 0 ? room : 1);
    // A static window holds at most PK_STATIC_MAX entries (the caller's
    // arrays are the size of the static arrays of the kernel); more is
    // refused rather than written past them.
    if (room > PK_STATIC_MAX) {
        status = -1;
        return;
    }
    POKGPA(n, i, a, status);
}

void POKPUT(const pokarr& arr, const i32& i, i32& status)
{
    status = 0;
    if (arr.dims < 2) {
        status = -1;
        return;
    }
    if (arr.count <= 0) return;  // nothing to store
    // Normals are stored behind the points only in a pocket of dimension
    // mode 4: only there are the rows of the main array laid out with room
    // for them (twice the count) and read back with them; elsewhere they
    // would be written over the next row.
    bool nrm = arr.dims == 4 && with_normals();
    i32 need = i + arr.count + (nrm ? arr.count : 0);
    if (i < 1) {
        status = -1;
        return;
    }
    POKGRW(need, status);
    if (status != 0) return;
    i32 s = stride(), k0 = i - 1;
    for (i32 k = 0; k < arr.count; ++k) {
        f64* p = main_base + s * (k0 + k);
        p[0] = arr.x[k];
        p[1] = arr.y[k];
        // A plane loop stored in a main array with heights gets height 0,
        // not whatever an earlier loop left at these places.
        if (s == 3) p[2] = arr.dims >= 3 ? arr.z[k] : 0.0;
    }
    if (nrm && s == 3)
        for (i32 k = 0; k < arr.count; ++k)
            for (i32 c = 0; c < 3; ++c) main_base[s * (k0 + arr.count + k) + c] = arr.vec[3 * k + c];
}

void POKRVS(const i32& n, const i32& i, i32& status)
{
    status = 0;
    if (!defined_or_report() || n < 0) {
        status = -1;
        return;
    }
    if (n == 0) return;
    i32 npts = with_normals() ? n / 2 : n;
    if (i < 1 || i - 1 > main_cap - n) {
        status = -1;
        return;
    }
    pokarr a;
    pokarr_init(with_normals() && stride() == 3 ? 4 : (stride() == 3 ? 3 : 2), a);
    POKGPA(n, i, a, status);
    if (status != 0) {
        pokarr_free(a);
        return;
    }
    pokarr_reverse(a);
    i32 s = stride(), k0 = i - 1;
    for (i32 k = 0; k < npts; ++k) {
        f64* p = main_base + s * (k0 + k);
        p[0] = a.x[k];
        p[1] = a.y[k];
        if (s == 3) p[2] = a.z[k];
        if (a.dims == 4)
            for (i32 c = 0; c < 3; ++c) main_base[s * (k0 + npts + k) + c] = a.vec[3 * k + c];
    }
    pokarr_free(a);
}

namespace {

// Entries i .. j-1 (from 1) of the main array in world coordinates, forward
// or backward, handed one by one to `put` (position from 0, x, y, z).
template <class Put>
bool world_copy(i32 flag, i32 i, i32 j, Put put)
{
    if (dimmode < 0 || i < 1 || j - 1 > main_cap) return false;
    i32 s = stride(), n = j - i;
    for (i32 k = 0; k < n;) {
        const f64* p = main_base + s * (i - 1 + k);
        f64 z = s == 3 ? p[2] : 0.0;
        // A marker is "above 1e20", as every reader of the arc blocks has it;
        // no coordinate of a model comes near that value, so the limit
        // itself (exactly 1e20) decides nothing.
        if (pk_arc_at(p[0]) && k + 2 < n) {
            const f64* r = p + s;
            const f64* c = p + 2 * s;
            f64 zc = s == 3 ? c[2] : 0.0;
            if (flag) {
                put(k, PK_ARC_MARK, 0.0, z + origin[2]);
                put(k + 1, r[0], r[1], s == 3 ? r[2] + origin[2] : origin[2]);
                put(k + 2, c[0] + origin[0], c[1] + origin[1], zc + origin[2]);
            } else {
                // Mirrored: the arc runs from its old end back to the point before it.
                put(n - 1 - (k + 2), PK_ARC_MARK, 0.0, z + origin[2]);
                put(n - 1 - (k + 1), r[0], -r[1], s == 3 ? r[2] + origin[2] : origin[2]);
                put(n - 1 - k, c[0] + origin[0], c[1] + origin[1], zc + origin[2]);
            }
            k += 3;
            continue;
        }
        put(flag ? k : n - 1 - k, p[0] + origin[0], p[1] + origin[1], z + origin[2]);
        ++k;
    }
    return true;
}

}  // namespace

void POKSEG(const i32& flag, const i32& i, const i32& j, f64* out, const i32& room, i32& n, i32& status)
{
    status = 0;
    n = 0;
    if (j - 1 < i) return;
    // The caller's array holds `room` points: a longer copy is refused, not
    // written past it.
    if (j - i > room) {
        status = -1;
        return;
    }
    if (!world_copy(flag, i, j, [&](i32 k, f64 x, f64 y, f64) {
            out[2 * k] = x;
            out[2 * k + 1] = y;
        })) {
        status = -1;
        return;
    }
    n = j - i;
}

void POKSGA(const i32& flag, const i32& i, const i32& j, pokarr& arr, i32& status)
{
    status = 0;
    i32 n = j - i;
    if (n < 0) n = 0;
    pokarr_clear(arr, n, status);
    if (status != 0) return;
    if (n == 0) return;
    if (arr.dims < 2) {
        status = -1;
        return;
    }
    if (!world_copy(flag, i, j, [&](i32 k, f64 x, f64 y, f64 z) {
            arr.x[k] = x;
            arr.y[k] = y;
            if (arr.dims >= 3) arr.z[k] = z;
            if (arr.dims == 4) {
                arr.vec[3 * k] = arr.vec[3 * k + 1] = 0.0;
                arr.vec[3 * k + 2] = 1.0;
            }
        })) {
        status = -1;
        return;
    }
    arr.count = n;
}

void POKREL(const i32& mode, i32& status)
{
    status = 0;
    if (mode == 1) {
        if (main_cap > 0 && main_handle >= 0) {
            MM_CLOSE(main_handle, status);
            if (status != 0) {
                eroutc("POKREL, CLOSE DYNAMIC MEMORY ERROR", 0);
                status = -1;
                return;
            }
            // Closed: forgotten at once, so that a failing close of the
            // contour-point array below leaves no view of freed storage to
            // read from and no handle to close a second time.
            main_handle = -1;
            main_base = nullptr;
            main_cap = 0;
        }
        if (cpt_cap > 0 && cpt_handle >= 0) {
            MM_CLOSE(cpt_handle, status);
            if (status != 0) {
                eroutc("POKREL, CLOSE DYNAMIC MEMORY ERROR", 0);
                status = -1;
                return;
            }
        }
    }
    dimmode = -1;
    main_handle = cpt_handle = -1;
    main_base = cpt_base = nullptr;
    main_cap = cpt_cap = 0;
}

void pkflag_reset() { entry_state = 0; }

void pkflag_gs(const i32& mode, i32& value)
{
    if (mode == PK_GET)
        value = entry_state;
    else
        entry_state = value;
}

i32 pokmain_capacity() { return main_cap; }
i32 pokmain_cpt_capacity() { return cpt_cap; }
i32 pokmain_dim() { return dimmode; }

void pokmain_point(const i32& i, f64* p)
{
    p[0] = p[1] = p[2] = 0.0;
    if (i < 1 || i > main_cap) return;
    for (i32 c = 0; c < stride(); ++c) p[c] = main_base[stride() * (i - 1) + c];
}
