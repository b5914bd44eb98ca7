// The hatch fill of lanes: crossings of one line with float loops, in the
// line's own frame (position u along it, offset v across it).
#include "cleanup/hatch.h"

#include <cstring>
#include <utility>

#include "core/host.h"
#include "pocket/pokvals.h"

namespace {

// The hatch-point table: position and offset, side flag, loop and edge.
struct HatchTable {
    f32 uv[2 * HATCH_MAX];
    i32 side[HATCH_MAX];
    i32 loop[HATCH_MAX];
    i32 edge[HATCH_MAX];
    i32 n;
};
HatchTable g_tab;

i32 g_ccl_pass = 1;

void swap_entries(HatchTable& t, i32 i, i32 j)
{
    std::swap(t.uv[2 * i], t.uv[2 * j]);
    std::swap(t.uv[2 * i + 1], t.uv[2 * j + 1]);
    std::swap(t.side[i], t.side[j]);
    std::swap(t.loop[i], t.loop[j]);
    std::swap(t.edge[i], t.edge[j]);
}

void drop(HatchTable& t, i32 i) { pkhatch_drop(t.n - i - 1, i, t.uv, t.side, t.loop, t.edge, t.n); }

}  // namespace

void pkhatch_drop(i32 k, i32 i, f32* uv, i32* sides, i32* loops, i32* edges, i32& count)
{
    if (i < 0 || k < 0 || i + k >= count + 1) return;
    std::memmove(uv + 2 * i, uv + 2 * i + 2, sizeof(f32) * 2 * static_cast<size_t>(k));
    std::memmove(sides + i, sides + i + 1, sizeof(i32) * static_cast<size_t>(k));
    std::memmove(loops + i, loops + i + 1, sizeof(i32) * static_cast<size_t>(k));
    std::memmove(edges + i, edges + i + 1, sizeof(i32) * static_cast<size_t>(k));
    --count;
}

const f64* hatch_points(const HatchOut& out)
{
    if (out.handle < 0) return nullptr;
    void* base = nullptr;
    mmcptr(out.handle, base);
    return static_cast<const f64*>(base);
}

void hatch_close(HatchOut& out)
{
    i32 st = 0;
    if (out.handle >= 0) MM_CLOSE(out.handle, st);
    out.handle = -1;
    out.capacity = 0;
    out.offset = 0;
}

void lan_hatch_fill(const i32& kind, const f32* setb, const i32& nb, const f32* seta, const i32& na,
                    const f64* start, const f64* target, i32& count, HatchOut& out, i32& flag, i32& status)
{
    (void)setb;
    (void)nb;
    status = 0;
    count = 0;
    flag = 0;
    const i32 k = kind >= 10 ? kind - 10 : kind;
    if (k < 4 || k > 6) {
        eroutc("LAN_HATCH_FILL, KIND NOT AVAILABLE", 0);
        status = -1;
        return;
    }
    void* base = nullptr;
    if (out.handle != -1) mmcptr(out.handle, base);
    if (base == nullptr) {
        out.capacity = 200;
        MM_OPEN_ARRAY(8, out.capacity, out.handle, base, status);
        if (status != 0) {
            out.handle = -1;
            return;
        }
        out.offset = 0;
    }
    const i32 dir = pokpar.direction;
    f32 S[2] = {static_cast<f32>(start[0]), static_cast<f32>(start[1])};
    f32 T[2] = {static_cast<f32>(target[0]), static_cast<f32>(target[1])};
    f32 d[2] = {T[0] - S[0], T[1] - S[1]}, len = 0.0f;
    i32 st = 0;
    v2unit(d, len, st);
    if (st != 0) return;
    // into the frame of the line: u = d . p, v = d x p
    const f32 c = d[0], sn = -d[1];
    hatchx(c, sn, S);
    hatchx(c, sn, T);
    const f32 w = S[1];
    HatchTable& t = g_tab;
    t.n = 0;
    bool full = false;
    const f32* lp = seta;
    for (i32 L = 1; L <= na && !full; ++L) {
        i32 m = 0;
        std::memcpy(&m, lp, sizeof(i32));
        const f32* pts = lp + 1;
        for (i32 j = 2; j <= m && !full; ++j) {
            f32 P[2] = {pts[2 * (j - 2)], pts[2 * (j - 2) + 1]}, Q[2] = {pts[2 * (j - 1)], pts[2 * (j - 1) + 1]};
            hatchx(c, sn, P);
            hatchx(c, sn, Q);
            const bool pon = eqval(P[1], w) != 0, qon = eqval(Q[1], w) != 0;
            f32 u = 0.0f;
            i32 side = 0;
            if (pon && qon) {
                u = (P[0] + Q[0]) * 0.5f;
            } else {
                if (pon)
                    u = P[0];
                else if (qon)
                    u = Q[0];
                else {
                    f32 tt = 0.0f;
                    i32 ans = 0;
                    hatint(P, Q, w, u, tt, ans);
                    if (ans != 1) continue;
                }
                side = Q[1] > P[1] ? dir : -dir;
            }
            if (t.n == HATCH_MAX) {
                full = true;
                break;
            }
            t.uv[2 * t.n] = u;
            t.uv[2 * t.n + 1] = w;
            t.side[t.n] = side;
            t.loop[t.n] = L;
            t.edge[t.n] = j - 1;
            ++t.n;
        }
        lp += 1 + 2 * m;
    }
    if (full) {
        // the lane would be built from a part of the crossings: refused
        eroutc("LAN_HATCH_FILL, NUMBER OF CROSSINGS IS LIMITED TO 2000", 0);
        status = 12;
        return;
    }
    if (t.n == 0) return;
    if (S[0] > T[0]) std::swap(S[0], T[0]);
    // order along the line
    for (bool moved = true; moved;) {
        moved = false;
        for (i32 i = 0; i + 1 < t.n; ++i)
            if (t.uv[2 * i] > t.uv[2 * i + 2]) {
                swap_entries(t, i, i + 1);
                moved = true;
            }
    }
    // edges on the line: through the line one crossing, touching none extra
    for (i32 i = 1; i + 1 < t.n;) {
        if (t.side[i] != 0) {
            ++i;
            continue;
        }
        if (t.side[i - 1] == t.side[i + 1]) {
            const bool later = t.side[i - 1] == -1;
            drop(t, i);
            drop(t, later ? i : i - 1);
        } else {
            drop(t, i);
        }
        i += 2;
    }
    // doubles: one position, one side, one loop
    for (bool again = true; again;) {
        again = false;
        for (i32 i = 1; i < t.n; ++i)
            if (eqval(t.uv[2 * i - 2], t.uv[2 * i]) && t.side[i - 1] == t.side[i] && t.loop[i - 1] == t.loop[i]) {
                drop(t, i);
                again = true;
                break;
            }
    }
    if (t.n < 2) return;
    const i32 need = out.offset + 2 * t.n - out.capacity;
    if (need > 0) {
        const i32 more = (need / 200 + 1) * 200;
        MM_RESIZE_ARRAY(out.handle, more, base, status);
        if (status != 0) return;
        out.capacity += more;
    }
    f64* o = static_cast<f64*>(base);
    for (i32 i = 0; i < t.n; ++i) {
        const f32 u = t.uv[2 * i];
        if (!leval(u, T[0])) continue;
        if (k != 4 && !geval(u, S[0])) continue;
        f32 p[2] = {u, t.uv[2 * i + 1]};
        hatchx(c, -sn, p);
        o[out.offset + 2 * count] = p[0];
        o[out.offset + 2 * count + 1] = p[1];
        ++count;
    }
}

void ccl_pass_set(i32 value) { g_ccl_pass = value; }
void ccl_pass_get(i32& value) { value = g_ccl_pass; }
