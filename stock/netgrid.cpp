#include "stock/netgrid.h"

#include <cmath>

#include "core/host.h"
#include "stock/stkgrid.h"
#include "stock/stkimage.h"
#include "surfaces/allsrf.h"

StkNet stk_net = {{-1, -1}, -1, {0, 0}, {}};

namespace {

constexpr f64 DEG = M_PI / 180.0;

// Released with the triangle model at the end of every execution.
void net_release(i32& status)
{
    status = 0;
    stk_net_rels();
}

void close_table(i32 index)
{
    if (stk_net.prof[index] >= 0) {
        i32 st = 0;
        MM_CLOSE(stk_net.prof[index], st);
    }
    stk_net.prof[index] = -1;
    stk_net.cap[index] = 0;
}

}  // namespace

void stk_net_hdl(const i32& mode, i32& handle)
{
    if (mode == 1) {
        handle = stk_net.prof[0];
        return;
    }
    stk_net.prof[0] = stk_net.prof[1] = stk_net.rec = handle;
    if (handle < 0) stk_net.cap[0] = stk_net.cap[1] = 0;
}

void stk_net_open(const i32& count, i32& handle, void*& base, i32& status)
{
    status = 0;
    // Already open: the array is kept, but its handle and base are handed
    // out all the same. The positioning asks for the record array through
    // here whether it is open or not (the projection, and the second table
    // built while the first one's array is open) and binds to what it gets;
    // outputs left untouched would give it the -1 and null it passed in.
    if (stk_net.rec >= 0) {
        handle = stk_net.rec;
        mmcptr(handle, base);
        return;
    }
    i32 h = -1;
    MM_OPEN_ARRAY(STK_NET_RECORD, count, h, base, status);
    if (status != 0) return;
    stk_net.rec = handle = h;
    allhook(net_release);
}

void stk_net_prof(const f32& tol, const f32& S, const f32& R, const f32& L, const f32& T, const i32& index,
                  const f32& allowance, const i32& count, i32& rec_handle, void*& rec_base, i32& status)
{
    stk_net_open(count, rec_handle, rec_base, status);
    if (status != 0) return;
    // Only tables 0 and 1 exist: any other index would write the handle and
    // row ends past their two entries.
    if (index < 0 || index > 1) {
        eroutc("stk_net_prof, WRONG TABLE INDEX", 0);
        status = -1;
        return;
    }
    const f32 D = std::fmax(0.01f, S - 2.0f * tol + allowance);
    const f32 Rc = std::fmax(0.0f, R - tol + allowance);

    // The temporary image, on a cell that gives it 100 to 300 steps across.
    const f32 kept = stk_grid.cell;
    const i32 was = stk_img.slot;
    f32 cell = 20.0f * tol;
    // A tolerance of 0 or less gives no cell of its own (20 tol is none, and
    // D'/cell no step count): it asks for no loss, so the finest cell of the
    // range is taken. A zero tolerance would reach it anyway (D'/0 runs past
    // 300), but a negative one would give a step count below 0 and so the
    // coarsest cell, the opposite of what was asked, and a division by zero
    // is not left to the floating point.
    const f64 kk = cell > 0.0f ? std::floor(f64(D) / cell * 8.0) : 1.0e9;
    if (kk < 100.0)
        cell = D * 8.0f * 0.01f;
    else if (kk > 300.0)
        cell = D * 8.0f / 300.0f;
    stk_grid.cell = cell;
    static const i32 TEMP = -1;
    stk_tool_image(TEMP, D, Rc, L, T, status);
    stk_grid.cell = kept;
    // The temporary image is freed at once rather than left until the next
    // temporary build: it is of no use past this table. Freeing it leaves no
    // slot current; the slot current before is selected again, and when
    // there was none, none is current afterwards, as before the build (a
    // stamping that follows selects its own slot).
    auto finish = [&]() {
        stk_image_free(TEMP);
        i32 st = 0;
        if (was >= 0 && was < STK_SLOTS) stk_image_select(was, st);
    };
    if (status != 0) return finish();

    const i32 k8 = stk_img.k8, n = k8 + 1;
    const f32* prof = stk_img.profile;
    // A table of this index built before (a rebuild after the allowance or
    // the tool changed) is closed first, or its array would be lost.
    close_table(index);
    const i32 chunk = (5 * n + 10) * 18;
    i32 h = -1;
    void* base = nullptr;
    MM_OPEN_ARRAY(16, chunk, h, base, status);
    if (status != 0) return finish();
    stk_net.prof[index] = h;
    stk_net.cap[index] = chunk;
    f64* pairs = static_cast<f64*>(base);
    i32 used = 0;
    // One row of the slope profile as (x, y), thinned in place.
    i32 rh = -1;
    void* rb = nullptr;
    MM_OPEN_ARRAY(16, n, rh, rb, status);
    if (status != 0) {
        close_table(index);
        return finish();
    }
    f64* pts = static_cast<f64*>(rb);
    auto done = [&]() {
        i32 st = 0;
        MM_CLOSE(rh, st);
        finish();
    };
    // Column j of the slope profile lies j steps of ro/8k from the axis,
    // ro the image's outer radius (half the image diameter). For a tapered
    // tool ro = D'/2 + tan(T) L reaches past D'/2: steps of (D'/2)/8k would
    // squeeze the profile sideways by (D'/2)/ro, narrower than the tool, and
    // the positioning would let the flank go into walls beside the path.
    const f64 xs = (f64(stk_img.diam) * 0.5) / k8, thin = f64(tol) * 0.5;
    for (i32 a = 0; a < STK_NET_ROWS; ++a) {
        if (stk_net.cap[index] - used < 4 * n + 8) {
            i32 st = 0;
            MM_RESIZE_ARRAY(h, chunk, base, st);
            if (st != 0) {
                close_table(index);
                status = -1;
                return done();
            }
            stk_net.cap[index] += chunk;
            pairs = static_cast<f64*>(base);
        }
        const f32* pr = prof + 2 * static_cast<size_t>(a) * n;
        for (i32 j = 0; j < n; ++j) {
            const f64 f = pr[2 * j], hh = f64(pr[2 * j + 1]) + 2.0 * tol - allowance;
            pts[2 * j] = j * xs;
            pts[2 * j + 1] = std::sin(std::atan2(hh, f) - a * DEG) * std::sqrt(hh * hh + f * f);
        }
        i32 m = n;
        static const i32 DIM = 2;
        diluld(DIM, thin, pts, m);
        f64* out = pairs + 2 * static_cast<size_t>(used);
        i32 w = 0;
        auto put = [&](f64 x, f64 y) { out[2 * w] = x, out[2 * w + 1] = y, ++w; };
        for (i32 q = 0; q < m; ++q) put(pts[2 * q], pts[2 * q + 1]);
        put(pts[2 * (m - 1)], 100000.0);
        put(-pts[2 * (m - 1)], 100000.0);
        for (i32 q = m - 1; q >= 0; --q) put(-pts[2 * q], pts[2 * q + 1]);
        put(pts[0], pts[1]);
        used += w;
        stk_net.ends[index][a] = used;
    }
    stk_net.ends[index][STK_NET_ROWS] = used;
    status = 0;
    done();
}

void stk_net_rels()
{
    for (i32 k = 0; k < 2; ++k) close_table(k);
    if (stk_net.rec >= 0) {
        i32 st = 0;
        MM_CLOSE(stk_net.rec, st);
    }
    stk_net.rec = -1;
}
