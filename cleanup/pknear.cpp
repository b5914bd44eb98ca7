// The link string along the nearest contour.
#include "cleanup/pknear.h"

#include <cmath>

#include "cleanup/clrset.h"
#include "core/host.h"
#include "pocket/pokmain.h"

namespace {

i32 g_last = 0;  // the contour taken at the previous call

// Points of input contour k (from 1) of the main arrays.
std::vector<f64> contour_points(i32 k)
{
    std::vector<f64> v;
    for (i32 i = clr_contab.start[k]; i < clr_contab.start[k + 1]; ++i) {
        f64 p[3] = {0.0, 0.0, 0.0};
        pokmain_point(i, p);
        v.insert(v.end(), p, p + 3);
    }
    return v;
}

}  // namespace

f64 pkseg_z(const f64* a, const f64* b, f64 x, f64 y)
{
    f64 t = 0.0;
    if (eqvald(a[0], b[0]) == 0)
        t = (x - a[0]) / (b[0] - a[0]);
    else if (eqvald(a[1], b[1]) == 0)
        t = (y - a[1]) / (b[1] - a[1]);
    return a[2] + t * (b[2] - a[2]);
}

void pknear_on_contour(const std::vector<f64>& pts, const f64* p, i32& seg, f64* q, f64& dist)
{
    const i32 n = static_cast<i32>(pts.size() / 3);
    dist = 1.0e30;
    seg = 0;
    for (i32 s = 0; s + 1 < n; ++s) {
        const f64* a = &pts[3 * static_cast<size_t>(s)];
        const f64* b = a + 3;
        const f64 ux = b[0] - a[0], uy = b[1] - a[1], uu = ux * ux + uy * uy;
        f64 t = uu > 0.0 ? ((p[0] - a[0]) * ux + (p[1] - a[1]) * uy) / uu : 0.0;
        t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
        const f64 x = a[0] + t * ux, y = a[1] + t * uy, d = std::hypot(p[0] - x, p[1] - y);
        if (d < dist) {
            dist = d;
            seg = s;
            q[0] = x;
            q[1] = y;
            q[2] = pkseg_z(a, b, x, y);
        }
    }
}

void pknear_contour(const f64* A, const f64* B, std::vector<f32>& link, i32& status)
{
    status = 0;
    link.clear();
    i32 taken = 0, sa = 0, sb = 0;
    f64 qa[3] = {0, 0, 0}, qb[3] = {0, 0, 0}, da = 0.0, db = 0.0;
    std::vector<f64> pts;
    for (i32 k = 1; k <= clr_contab.count; ++k) {
        std::vector<f64> c = contour_points(k);
        if (c.size() < 6) continue;
        i32 s1 = 0, s2 = 0;
        f64 p1[3], p2[3], d1 = 0.0, d2 = 0.0;
        pknear_on_contour(c, A, s1, p1, d1);
        pknear_on_contour(c, B, s2, p2, d2);
        const bool a_nearer = ltvald(d1, da) != 0, b_nearer = ltvald(d2, db) != 0;
        if (taken == 0 || (a_nearer && b_nearer) || ((a_nearer || b_nearer) && k == g_last)) {
            taken = k;
            sa = s1;
            sb = s2;
            da = d1;
            db = d2;
            for (i32 m = 0; m < 3; ++m) {
                qa[m] = p1[m];
                qb[m] = p2[m];
            }
            pts.swap(c);
        }
    }
    if (taken == 0) {
        status = -1;
        return;
    }
    g_last = taken;
    auto put = [&](const f64* p) {
        for (i32 m = 0; m < 3; ++m) link.push_back(static_cast<f32>(p[m]));
    };
    put(qa);
    if (eqvl0d(qa[0] - qb[0]) != 0 && eqvl0d(qa[1] - qb[1]) != 0) return;
    // forward from the point after A's segment to the one that starts B's,
    // wrapping past the last point (the first's repetition), at most once round
    const i32 n = static_cast<i32>(pts.size() / 3) - 1;
    const f64* a0 = &pts[3 * static_cast<size_t>(sa)];
    const bool same_ahead = sa == sb && std::hypot(qa[0] - a0[0], qa[1] - a0[1]) <= std::hypot(qb[0] - a0[0], qb[1] - a0[1]);
    if (!same_ahead) {
        for (i32 i = (sa + 1) % n, steps = 0; steps < n; i = (i + 1) % n, ++steps) {
            if (static_cast<i32>(link.size() / 3) + 1 >= PK_LINK_MAX) {
                eroutc("[pknear_contour] LINK STRING TOO LONG", 0);
                link.clear();
                status = -1;
                return;
            }
            put(&pts[3 * static_cast<size_t>(i)]);
            if (i == sb) break;
        }
    }
    put(qb);
}
