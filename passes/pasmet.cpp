#include "passes/pasmet.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "core/helpers.h"
#include "core/host.h"
#include "passes/orient.h"
#include "tools/toolcache.h"

namespace {

constexpr f64 NONE = std::numeric_limits<f64>::infinity();

// (u, v) of a pass value and an along value.
void uvof(i32 pcode, f64 pass, f64 along, f64* uv)
{
    uv[0] = pcode == 1 ? pass : along;
    uv[1] = pcode == 1 ? along : pass;
}

f64 alongat(const MetSrf& s, f64 t) { return s.along[0] + t * (f64(s.along[1]) - s.along[0]); }

// Point (with its tangents) and normal turned to the side at (u, v).
bool evalat(const MetSrf& s, f64 u, f64 v, f32* sp, f32* n)
{
    i32 st = 0;
    evsrfn(s.buf, static_cast<f32>(u), static_cast<f32>(v), 2, sp, n, st);
    if (st < 0) return false;
    if (s.side != 1)
        for (i32 k = 0; k < 3; ++k) n[k] = -n[k];
    return true;
}

struct Tool {
    f32 d, r, a;  // diameter, corner radius, taper angle in degrees
    i32 warn;     // the tool placing's warnings not yet shown
};

// The three-axis tool on a surface point; false when it cannot stand there.
bool place(Tool& t, const f32* sp, const f32* n, f32* tip)
{
    f32 nn[3] = {n[0], n[1], n[2]};
    i32 st = 0;
    TL3POS(t.d, t.r, t.a, sp, 0, nn, tip, st, t.warn);
    return st != -1 && st != -2;
}

f64 dist(const f32* a, const f32* b)
{
    return std::sqrt((f64(a[0]) - b[0]) * (f64(a[0]) - b[0]) + (f64(a[1]) - b[1]) * (f64(a[1]) - b[1]) +
                     (f64(a[2]) - b[2]) * (f64(a[2]) - b[2]));
}

}  // namespace

void METSLV(const i32& mode, const MetSrf& s, MetSrf& m, f32& salong, f32& malong, f32* tool, f32& best,
            i32& status)
{
    status = -1;
    best = 1.0e10f;
    Tool tl{0, 0, 0, 1};
    GTDIAM(CURTOL, tl.d);
    GTCRNR(CURTOL, tl.r);
    GTTAPA(CURTOL, tl.a);
    if (tl.d < 0.0f || tl.r < 0.0f) return;
    if (tl.a < 0.0f) tl.a = 0.0f;
    const f64 accept = tl.d > 0.0f ? std::sqrt(2.0) * 0.5 * tl.d : 1.0e10;
    // The pass end (mode 0, t from 1 down) or its start (mode 1, t from 0 up)
    // of the sampled surface; the probe step towards the inside.
    const f64 edge = mode == 0 ? 1.0 : 0.0, inward = mode == 0 ? -1.0 : 1.0, probe = 0.001 * inward;
    // The target's parameters: where its pass starts (ends), then where the
    // last projection landed.
    f64 start[2];
    uvof(m.pcode, m.pass, mode == 0 ? m.along[0] : m.along[1], start);
    f64 cu = start[0], cv = start[1];
    f64 bu = cu, bv = cv, bt = edge, bestd = NONE;
    f32 btip[3] = {0, 0, 0};
    // The tool at the along fraction t of s and at the projection of its
    // contact reference onto m: the distance of the two tool positions.
    auto trial = [&](f64 t) -> f64 {
        f64 uv[2], uv2[2];
        uvof(s.pcode, s.pass, alongat(s, t), uv);
        uvof(s.pcode, s.pass, alongat(s, t + 2.0 * probe), uv2);
        f32 sp[9], n[3], back[9], nb[3], tips[3];
        if (!evalat(s, uv[0], uv[1], sp, n) || !evalat(s, uv2[0], uv2[1], back, nb)) return NONE;
        // The tangent along the pass, towards the edge.
        f32 tan[3] = {sp[0] - back[0], sp[1] - back[1], sp[2] - back[2]}, len = 0;
        i32 st = 0;
        v3unit(tan, len, st);
        if (st < 0 || !place(tl, sp, n, tips)) return NONE;
        // The contact reference: the centre of the tool's corner at the contact.
        f32 ref[3], refm[3];
        for (i32 k = 0; k < 3; ++k) ref[k] = sp[k] + tl.r * n[k];
        mapw2m(ref, refm);
        const f64 pt[3] = {refm[0], refm[1], refm[2]};
        const f64 u0 = cu, v0 = cv;
        f64 u = cu, v = cv;
        nrmsrd(m.buf, pt, u, v, st);
        if (st < 0) return NONE;
        f32 mp[9], mn[3], tipm[3];
        if (!evalat(m, u, v, mp, mn) || !place(tl, mp, mn, tipm)) return NONE;
        // A tool on m behind the one on s is drawn back towards where m's
        // parameters were, at most five times.
        for (i32 k = 0; k < 5; ++k) {
            const f64 ahead = (f64(tipm[0]) - tips[0]) * tan[0] + (f64(tipm[1]) - tips[1]) * tan[1];
            if (ahead >= 0.0 || eqpt3(tipm, tips)) break;
            const f64 hu = 0.5 * (u + u0), hv = 0.5 * (v + v0);
            f32 hp[9], hn[3], ht[3];
            if (!evalat(m, hu, hv, hp, hn) || !place(tl, hp, hn, ht)) break;
            u = hu, v = hv;
            std::memcpy(tipm, ht, sizeof ht);
        }
        cu = u, cv = v;
        const f64 d = dist(tips, tipm);
        if (d < bestd) {
            bestd = d, bt = t, bu = u, bv = v;
            std::memcpy(btip, tips, sizeof btip);
        }
        return d;
    };
    // A search over the along range from the edge inwards, given up once the
    // tools have drawn apart by more than two diameters for a while.
    constexpr i32 NS = 32;
    i32 worse = 0;
    f64 prev = NONE;
    for (i32 k = 0; k < NS; ++k) {
        const f64 d = trial(edge + inward * static_cast<f64>(k) / NS);
        worse = d > prev && d > 2.0 * tl.d ? worse + 1 : 0;
        if (worse >= 3) break;
        prev = d;
    }
    // Then stepping from the best place, the step reversed and halved
    // whenever the distance grows, t kept within the range.
    if (bestd < NONE) {
        f64 t = bt, dcur = bestd, step = inward / NS / 5.0;
        cu = bu, cv = bv;
        for (i32 it = 0; it < 200 && std::fabs(step) > 1.0e-7; ++it) {
            const f64 tn = t + step;
            const f64 d = tn < 0.0 || tn > 1.0 ? NONE : trial(tn);
            if (d < dcur) {
                t = tn, dcur = d;
            } else {
                step = -0.5 * step;
                cu = bu, cv = bv;
            }
        }
    }
    if (!(bestd < accept)) return;
    best = static_cast<f32>(bestd);
    m.pass = static_cast<f32>(m.pcode == 1 ? bu : bv);
    malong = static_cast<f32>(m.pcode == 1 ? bv : bu);
    salong = static_cast<f32>(alongat(s, bt));
    std::memcpy(tool, btip, sizeof btip);
    status = 0;
}

void PASMET(const i32& mode, MetSrf& first, MetSrf& second, f32& along1, f32& along2, i32& status)
{
    status = 0;
    // Both surfaces next to their common edge: the first near the end of
    // its pass, the second near its start; a normal turned down is an
    // under-cut a three-axis tool cannot reach.
    const MetSrf* srf[2] = {&first, &second};
    const f64 at[2] = {0.999, 0.001};
    for (i32 k = 0; k < 2; ++k) {
        f64 uv[2];
        uvof(srf[k]->pcode, srf[k]->pass, alongat(*srf[k], at[k]), uv);
        f32 sp[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0}, n[3] = {0, 0, 1};
        const bool ok = evalat(*srf[k], uv[0], uv[1], sp, n);
        if (!ok || n[2] < -0.0001f) {
            WRNPNT("WARNING :THERE IS AN UNDER-CUT:", 3, sp, " ");
            return;
        }
    }
    if (eqval(first.along[0], first.along[1]) || eqval(second.along[0], second.along[1])) return;
    MetSrf& s = mode == 0 ? first : second;
    MetSrf& m = mode == 0 ? second : first;
    f32 sa = 0, ma = 0, tool[3], best = 0;
    i32 st = 0;
    METSLV(mode, s, m, sa, ma, tool, best, st);
    if (st < 0) return;
    along1 = mode == 0 ? sa : ma;
    along2 = mode == 0 ? ma : sa;
}
