// Polygon buffers and the drawing of polygons and point strings.
#include "pocket/polbuf.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "core/host.h"
#include "surfaces/cntsrf.h"

namespace {

struct Buffer {
    i32 capacity = 0;  // words
    i32 handle = -99;  // -99 never opened, -1 released
    i32 npol = 0;
};

struct Package {
    Buffer buf[POLBUF_N];
    i32 cur = 0;
    i32 inuse[POLBUF_N] = {0, 0, 0, 0, 0, 0};
    f32 vals[2] = {0.0f, 0.0f};
    i32 words[2] = {0, 0};
    i32 figure = -2;
    i32 pcolour = 0;
    i32 scolour = 1;
    i32 spen = -1;
} pkg;

i32* words_of(const Buffer& b)
{
    void* p = nullptr;
    if (b.handle < 0) return nullptr;
    mmcptr(b.handle, p);
    return static_cast<i32*>(p);
}

// The current buffer, opened at least once.
Buffer* current(i32& status)
{
    Buffer& b = pkg.buf[pkg.cur];
    if (b.handle == -99) {
        eroutc("[POLBUF_PKG] USED BEFORE INITIALIZED", 0);
        status = -1;
        return nullptr;
    }
    return &b;
}

// Word offset of polygon k (from 1) of a buffer; -1 past its words. A
// writer (at_end) may also start a new polygon exactly at the end of the
// words, when the polygons before it fill the buffer to the last word: it
// enlarges the buffer before writing there. A reader needs the count word
// and finds no polygon there.
i32 offset_of(const Buffer& b, i32 k, bool at_end = false)
{
    const i32* w = words_of(b);
    if (!w || k < 1) return -1;
    i32 off = 0;
    for (i32 m = 1; m < k; ++m) {
        if (off >= b.capacity) return -1;
        i32 n = w[off];
        off += n < 1 ? 1 : 1 + 2 * n;
    }
    return off < b.capacity || (at_end && off == b.capacity) ? off : -1;
}

bool enlarge(Buffer& b, i32 m, i32& status)
{
    void* p = nullptr;
    MM_RESIZE_ARRAY(b.handle, 1000 * m, p, status);
    if (status != 0 || b.handle < 0) {
        eroutc("[polbuf_set_point] DYNAMIC MEMORY ERROR - CANNOT ALLOCATE", 0);
        status = -1;
        return false;
    }
    b.capacity += 1000 * m;
    return true;
}

}  // namespace

void polbuf_take(i32 n, PolbufSlot& s)
{
    if (n < 0 || n >= POLBUF_N) return;
    Buffer& b = pkg.buf[n];
    s = PolbufSlot{b.capacity, b.handle, b.npol, pkg.inuse[n], pkg.cur};
    b = Buffer{};
    pkg.inuse[n] = 0;
}

void polbuf_give(i32 n, const PolbufSlot& s, i32& status)
{
    status = 0;
    if (n < 0 || n >= POLBUF_N) return;
    Buffer& b = pkg.buf[n];
    if (b.handle >= 0) MM_CLOSE(b.handle, status);
    b.capacity = s.capacity;
    b.handle = s.handle;
    b.npol = s.npol;
    pkg.inuse[n] = s.inuse;
    pkg.cur = s.cur;
}

void polbuf_open(i32 n, i32 capacity, i32& status)
{
    status = 0;
    if (n < 0 || n >= POLBUF_N || pkg.buf[n].handle >= 0) return;
    Buffer& b = pkg.buf[n];
    void* p = nullptr;
    i32 h = -1;
    MM_OPEN_ARRAY(4, capacity > 0 ? capacity : 1, h, p, status);
    if (status != 0) {
        eroutc("[polbuf_open] DYNAMIC MEMORY ERROR - CANNOT ALLOCATE", 0);
        status = -1;
        return;
    }
    b = Buffer{};
    b.handle = h;
    b.capacity = capacity > 0 ? capacity : 1;
}

void polbuf_init(const i32& mode, const i32& capacity, i32& status)
{
    status = 0;
    pkg.cur = 0;
    pkg.inuse[0] = 1;
    if (mode == 1) {
        // A procedure that ended early may have left its buffers open: they
        // are given back, not forgotten, so their arrays do not pile up in
        // the host from one procedure to the next.
        for (Buffer& b : pkg.buf) {
            if (words_of(b)) {
                i32 st = 0;
                MM_CLOSE(b.handle, st);
            }
            b = Buffer{};
        }
        return;
    }
    for (i32 k = 0; k < POLBUF_N; ++k) {
        Buffer& b = pkg.buf[k];
        if (b.handle >= 0) {  // an array still open is given back first
            i32 st = 0;
            MM_CLOSE(b.handle, st);
        }
        // A buffer has at least one word: one of no words would hold an
        // open array that its release, which closes only a buffer with
        // room, never gives back.
        void* p = nullptr;
        MM_OPEN_ARRAY(4, capacity > 0 ? capacity : 1, b.handle, p, status);
        if (status != 0) {
            // The buffers opened before this one are given back: a refused
            // start leaves no array open. They count as never opened again,
            // so that every operation on them answers that the package is
            // used before it is initialised, rather than find an empty
            // buffer. The refusal is said, not left to the caller alone,
            // and the call ends with the host's status.
            for (i32 j = 0; j <= k; ++j) {
                Buffer& o = pkg.buf[j];
                if (j < k && o.handle >= 0) {
                    i32 st = 0;
                    MM_CLOSE(o.handle, st);
                }
                o = Buffer{};
            }
            eroutc("[polbuf_init] DYNAMIC MEMORY ERROR - CANNOT ALLOCATE", 0);
            return;
        }
        b.capacity = capacity > 0 ? capacity : 1;
        b.npol = 0;
        if (k > 0) pkg.inuse[k] = 0;
    }
    if (mode == 2) {
        pkg.vals[0] = pkg.vals[1] = 0.0f;
        pkg.words[0] = pkg.words[1] = 0;
    }
}

// The operations that name a buffer (release, select, mark in use, the
// copy's two buffers) check that buffer, not the current one: it is the one
// they act on, and a buffer never opened has no array to release or fill,
// whatever buffer is current.
void polbuf_release_pol(const i32& n, const i32& mode, i32& status)
{
    status = 0;
    if (n < 0 || n >= POLBUF_N || pkg.buf[n].handle == -99) {
        eroutc("[POLBUF_PKG] USED BEFORE INITIALIZED", 0);
        status = -1;
        return;
    }
    Buffer& b = pkg.buf[n];
    if (mode == 1 && b.capacity > 0) {
        MM_CLOSE(b.handle, status);
        if (status != 0) {
            eroutc("[polbuf_release_pol] CLOSE DYNAMIC MEMORY ERROR", 0);
            status = -1;
            return;
        }
        b.handle = -1;
        b.capacity = 0;
        b.npol = 0;
    }
    pkg.inuse[n] = 0;
}

void polbuf_release_all(const i32& mode, i32& status)
{
    status = 0;
    for (i32 n = 0; n < POLBUF_N && status == 0; ++n) {
        if (pkg.buf[n].handle == -99) continue;  // never opened: nothing to give back
        polbuf_release_pol(n, mode, status);
    }
}

void POLB_PKG(const i32& n, i32& status)
{
    status = 0;
    if (n < 0 || n >= POLBUF_N || pkg.buf[n].handle == -99) {
        eroutc("[POLBUF_PKG] USED BEFORE INITIALIZED", 0);
        status = -1;
        return;
    }
    if (pkg.inuse[n]) {
        eroutc("[POLB_PKG] POLBUF IS ALLREADY IN USE", 0);
        status = -1;
    }
    pkg.inuse[n] = 1;
    pkg.cur = n;
}

void polbuf_select(const i32& mode, i32& n, i32& status)
{
    status = 0;
    if (mode == PB_GET) {
        if (current(status)) n = pkg.cur;
        return;
    }
    if (n < 0 || n >= POLBUF_N || pkg.buf[n].handle == -99) {
        eroutc("[POLBUF_PKG] USED BEFORE INITIALIZED", 0);
        status = -1;
        return;
    }
    if (!pkg.inuse[n])
        POLB_PKG(n, status);
    else
        pkg.cur = n;
}

void* polbuf_get_pol(const i32& mode, const i32& k, i32& status)
{
    status = 0;
    Buffer* b = current(status);
    if (!b) return nullptr;
    i32 off = offset_of(*b, k);
    if (off < 0) {
        status = -1;
        return nullptr;
    }
    i32* w = words_of(*b);
    return mode == 1 ? static_cast<void*>(w + off) : static_cast<void*>(w + off + 1);
}

void polbuf_set_np(const i32& k, const i32& n, i32& status)
{
    status = 0;
    Buffer* b = current(status);
    if (!b) return;
    i32 off = offset_of(*b, k);
    // The count word and the n points must lie within the buffer. A count
    // below 1 is a polygon of its count word alone, as the buffer's walk
    // reads it, and is stored like any other.
    const long long pts = n > 0 ? 2LL * n : 0;
    if (off < 0 || static_cast<long long>(off) + 1 + pts > b->capacity) {
        eroutc("[polbuf_set_np] BUFFER IS NOT LARGE ENOUGH", 0);
        status = -1;
        return;
    }
    words_of(*b)[off] = n;
}

void polbuf_get_np(const i32& k, i32& n, i32& status)
{
    status = 0;
    n = 0;
    Buffer* b = current(status);
    if (!b) return;
    i32 off = offset_of(*b, k);
    if (off < 0) {
        status = -1;
        return;
    }
    n = words_of(*b)[off];
}

void polbuf_set_npol(const i32& n, i32& status)
{
    status = 0;
    Buffer* b = current(status);
    if (b) b->npol = n;
}

void polbuf_get_npol(i32& n, i32& status)
{
    status = 0;
    n = 0;
    Buffer* b = current(status);
    if (b) n = b->npol;
}

void polbuf_set_vals(const f32& a, const f32& b, i32& status)
{
    status = 0;
    if (!current(status)) return;
    pkg.vals[0] = a;
    pkg.vals[1] = b;
}

void polbuf_get_vals(f64& a, f64& b, i32& status)
{
    status = 0;
    if (!current(status)) return;
    a = pkg.vals[0];
    b = pkg.vals[1];
}

void polbuf_set_point(const i32& m, i32& status)
{
    status = 0;
    Buffer* b = current(status);
    if (b) enlarge(*b, m, status);
}

void polbuf_put_point(const i32& k, const i32& j, const f32& x, const f32& y, i32& status)
{
    status = 0;
    Buffer* b = current(status);
    if (!b) return;
    i32 off = offset_of(*b, k, true);
    // No polygon k (a released buffer has none) or no point j: the point is
    // dropped, and that is no success.
    if (off < 0 || j < 1) {
        status = -1;
        return;
    }
    // The polygons lie one after the other, so only the last one can take
    // points past its count: in a polygon before it they would land on the
    // next one's words. The writers fill the polygons in order, each the
    // last when its points are put and its count set after them (the count
    // is 0 while it is filled), so no limit by the count is set here.
    // Grow by whole thousands of words until the point's two words fit: one
    // thousand at a time would leave a point far beyond the end (j larger
    // than the room a thousand words add) to be written past the array.
    long long need = static_cast<long long>(off) + 1 + 2LL * j;
    if (need > b->capacity) {
        long long m = (need - b->capacity + 999) / 1000;
        if (m > 1000000 || !enlarge(*b, static_cast<i32>(m), status)) {
            status = -1;
            return;
        }
    }
    f32* p = reinterpret_cast<f32*>(words_of(*b) + off + 1);
    p[2 * (j - 1)] = x;
    p[2 * (j - 1) + 1] = y;
}

void polbuf_get_point(const i32& k, const i32& j, f32& x, f32& y, i32& status)
{
    status = 0;
    Buffer* b = current(status);
    if (!b) return;
    i32 off = offset_of(*b, k);
    if (off < 0 || j < 1 || static_cast<long long>(off) + 1 + 2LL * j > b->capacity) {
        status = -1;
        return;
    }
    const f32* p = reinterpret_cast<const f32*>(words_of(*b) + off + 1);
    x = p[2 * (j - 1)];
    y = p[2 * (j - 1) + 1];
}

void polbuf_from_contour(const i32& k, const i32* contour, const f64& arg, i32& status)
{
    status = 0;
    Buffer* b = current(status);
    if (!b) return;
    for (i32 tries = 0;; ++tries) {
        i32 off = offset_of(*b, k, true);
        if (off < 0) {
            status = -1;
            return;
        }
        // A polygon starting at the very end has not even its count word:
        // the buffer is too small, as when the host answers -2.
        if (off >= b->capacity) {
            if (tries >= 10) {
                status = -1;
                return;
            }
            if (!enlarge(*b, 1, status)) return;
            continue;
        }
        // The host writes from polygon k's first point and takes its limit
        // in points: the room left behind polygon k's count word, not the
        // buffer's whole capacity, which would let it write past the buffer
        // for any polygon after the first.
        i32 room = (b->capacity - off - 1) / 2;
        i32* w = words_of(*b);
        i32 n = 0;
        dfcpol(contour, arg, room, reinterpret_cast<f32*>(w + off + 1), n);
        if (n == -2 && tries < 10) {
            if (!enlarge(*b, 1, status)) return;
            continue;
        }
        // Still too small after the tenth enlargement (-2), or no points
        // (0): the contour is refused, nothing is counted.
        if (n <= 0) {
            status = -1;
            return;
        }
        words_of(*b)[off] = n;
        return;
    }
}

void polbuf_draw(const f32& z, i32& status)
{
    status = 0;
    Buffer* b = current(status);
    if (!b) return;
    std::vector<i32> counts;
    std::vector<f32> pts;
    const i32* w = words_of(*b);
    i32 off = 0;
    for (i32 k = 0; k < b->npol && off < b->capacity; ++k) {
        i32 n = w[off];
        if (n < 1) {
            counts.push_back(0);
            ++off;
            continue;
        }
        if (off + 1 + 2 * n > b->capacity) break;
        counts.push_back(n);
        const f32* p = reinterpret_cast<const f32*>(w + off + 1);
        pts.insert(pts.end(), p, p + 2 * n);
        off += 1 + 2 * n;
    }
    DRWPOL(static_cast<i32>(counts.size()), counts.data(), pts.data(), z, status);
}

void polbuf_copy(const i32& from, const i32& to, i32& status)
{
    status = 0;
    // A source released since it was opened is no error: it holds no
    // polygon, and the copy leaves the target empty and current.
    if (from < 0 || from >= POLBUF_N || to < 0 || to >= POLBUF_N || pkg.buf[from].handle == -99 ||
        pkg.buf[to].handle == -99) {
        eroutc("[POLBUF_PKG] USED BEFORE INITIALIZED", 0);
        status = -1;
        return;
    }
    Buffer& s = pkg.buf[from];
    Buffer& t = pkg.buf[to];
    i32 used = 0;
    const i32* w = words_of(s);
    for (i32 k = 0; w && k < s.npol && used < s.capacity; ++k) used += w[used] < 1 ? 1 : 1 + 2 * w[used];
    if (used > s.capacity) used = s.capacity;
    if (t.handle < 0) {
        void* p = nullptr;
        MM_OPEN_ARRAY(4, used > 0 ? used : 1, t.handle, p, status);
        if (status != 0) {
            t.handle = -1;
            status = -1;
            return;
        }
        t.capacity = used > 0 ? used : 1;
    } else if (t.capacity < used) {
        if (!enlarge(t, (used - t.capacity + 999) / 1000, status)) return;
    }
    if (used > 0) std::memmove(words_of(t), w, static_cast<size_t>(used) * sizeof(i32));
    t.npol = w ? s.npol : 0;
    pkg.cur = to;
}

void polbuf_outer(i32& k, i32& status)
{
    status = 0;
    k = -1;
    Buffer* b = current(status);
    if (!b) return;
    const i32* w = words_of(*b);
    i32 off = 0;
    f32 best = 0.0f;
    for (i32 m = 1; m <= b->npol && off < b->capacity; ++m) {
        i32 n = w[off];
        // A polygon of fewer than three points encloses nothing and is no
        // outer boundary: a buffer holding only such polygons answers -1,
        // which the clipping reads as no boundary at all, rather than a
        // point on a stray segment counting as inside.
        if (n >= 3 && off + 1 + 2 * n <= b->capacity) {
            f32 a = 0.0f;
            plarea(reinterpret_cast<const f32*>(w + off + 1), n, a);
            a = std::fabs(a);
            if (k < 0 || gtval(a, best)) {
                best = a;
                k = m;
            }
        }
        off += n < 1 ? 1 : 1 + 2 * n;
    }
}

void polbuf_inpol(const f32* p, const f32& tol, i32& status)
{
    i32 keep = pkg.cur;
    pkg.cur = 1;
    i32 st = 0;
    Buffer* b = current(st);
    i32 outer = -1;
    if (b) polbuf_outer(outer, st);
    if (!b || outer < 0) {
        pkg.cur = keep;
        status = -1;
        return;
    }
    const i32* w = words_of(*b);
    auto touches = [&](const f32* pts, i32 n) {
        f64* d = static_cast<f64*>(DM_ALLOC(16 * n));
        if (!d) return false;
        for (i32 k = 0; k < 2 * n; ++k) d[k] = pts[k];
        const f64 q[2] = {p[0], p[1]};
        i32 ans = 0;
        tchptpol(2, static_cast<f64>(tol), d, n, q, ans);
        DM_FREE(d, 16 * n);
        return ans == 1;
    };
    i32 result = 1, off = 0;
    for (i32 m = 1; m <= b->npol && off < b->capacity; ++m) {
        i32 n = w[off];
        if (n >= 1 && off + 1 + 2 * n <= b->capacity) {
            const f32* pts = reinterpret_cast<const f32*>(w + off + 1);
            i32 ans = 3;
            inpol(pts, n, 1, p, ans);
            if (m == outer) {
                if (ans == 3 && touches(pts, n)) ans = 2;
                if (ans > 2) {
                    result = 0;
                    break;
                }
            } else if (ans == 1 && !touches(pts, n)) {
                result = 0;
                break;
            }
        }
        off += n < 1 ? 1 : 1 + 2 * n;
    }
    pkg.cur = keep;
    status = result;
}

i32 polbuf_capacity(i32 n) { return n >= 0 && n < POLBUF_N ? pkg.buf[n].capacity : 0; }

void DRWPOL(const i32& npol, const i32* counts, const f32* pts, const f32& z, i32& status)
{
    status = 0;
    --pkg.figure;
    pkg.pcolour = pkg.pcolour % 15 + 1;
    figopa(pkg.figure, pkg.pcolour);
    i32 at = 0;
    for (i32 k = 0; k < npol; ++k) {
        i32 n = counts[k];
        if (n < 1) continue;
        const f32* p = pts + 2 * at;
        moveto(p[0], p[1], z);
        for (i32 j = 1; j < n; ++j) drawto(p[2 * j], p[2 * j + 1], z);
        drawto(p[0], p[1], z);
        at += n;
    }
    figcls();
}

void DRWCRV(const i32& dim, const i32& cycle, const i32& figure, const i32& n, const f32* pts, const f32& height,
            i32& id, i32& status)
{
    status = 0;
    id = 0;
    if (cycle) pkg.scolour = pkg.scolour % 15 + 1;
    i32 s = dim == 3 ? 3 : 2;
    auto zof = [&](i32 k) { return s == 3 ? pts[3 * k + 2] : height; };
    if (figure) {
        i32 f = 0;
        gfgtmp(f);
        figopa(f, pkg.scolour);
        if (n > 0) moveto(pts[0], pts[1], zof(0));
        for (i32 k = 1; k < n; ++k) drawto(pts[s * k], pts[s * k + 1], zof(k));
        figcls();
        return;
    }
    if (n > 1000) {
        status = -2;
        return;
    }
    f64* d = static_cast<f64*>(DM_ALLOC(24 * (n > 0 ? n : 1)));
    if (!d) {
        status = -1;
        return;
    }
    for (i32 k = 0; k < n; ++k) {
        d[3 * k] = pts[s * k];
        d[3 * k + 1] = pts[s * k + 1];
        d[3 * k + 2] = zof(k);
    }
    crcmpl(n, d, id, status);
    DM_FREE(d, 24 * (n > 0 ? n : 1));
    if (status != 0 || id == 0) return;
    // The curve's vector is read as stored (frame 1) and written back in
    // the work-plane frame (frame 2); read and written in the same frame it
    // would come back as it was.
    f64 v[3];
    i32 st = 0;
    DBDPTW(1, id, 1, v, st);
    if (st == 0) DBDPTW(2, id, 2, v, st);
    i32 c = pkg.scolour, pen = pkg.spen;
    eattc(id, 2, "CO", c);
    eattc(id, 2, "PE", pen);
    edisp(id, 1);
}

void DRWSCC(const i32& value) { pkg.scolour = value; }
void DRWSFC(const i32& value) { pkg.spen = value; }
