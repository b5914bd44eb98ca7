#include "surfaces/srfchk.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/host.h"
#include "surfaces/allsrf.h"
#include "surfaces/srfbuf.h"
#include "surfaces/trimodel.h"

i32 SRFCHK(const f64* buf)
{
    f64 u0 = 0, u1 = 0, v0 = 0, v1 = 0;
    i32 st = 0;
    SBDUVR(1, buf, u0, u1, v0, v1, st);
    if (st != 0 || !std::isfinite(u0) || !std::isfinite(u1) || !std::isfinite(v0) || !std::isfinite(v1))
        return SCK_NOEVAL;
    constexpr i32 N = SCK_GRID;
    std::vector<f64> p(static_cast<size_t>(3 * N * N));
    f64 lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    for (i32 j = 0; j < N; ++j)
        for (i32 i = 0; i < N; ++i) {
            const f64 u = u0 + (u1 - u0) * i / (N - 1), v = v0 + (v1 - v0) * j / (N - 1);
            f64 e[12];
            evsrfd(buf, u, v, 0, e, st);
            if (st < 0) return SCK_NOEVAL;
            f64* q = &p[static_cast<size_t>(3 * (j * N + i))];
            for (i32 a = 0; a < 3; ++a) {
                if (!std::isfinite(e[a])) return SCK_NOEVAL;
                if (!(std::fabs(e[a]) <= TRM_MAXC)) return SCK_FAR;
                q[a] = e[a];
                lo[a] = i + j == 0 ? e[a] : std::min(lo[a], e[a]);
                hi[a] = i + j == 0 ? e[a] : std::max(hi[a], e[a]);
            }
        }
    if (std::hypot(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]) < SCK_MINSIZE) return SCK_TINY;
    // The steps between neighbouring samples: a sound parametrization spreads
    // its samples; extreme weights pile most of them onto a few points.
    struct Step {
        f64 len;
        i32 i, j, di, dj;
    };
    std::vector<Step> steps;
    steps.reserve(static_cast<size_t>(2 * N * (N - 1)));
    auto at = [&](i32 i, i32 j) { return &p[static_cast<size_t>(3 * (j * N + i))]; };
    auto dist = [](const f64* q, const f64* r) { return std::hypot(r[0] - q[0], r[1] - q[1], r[2] - q[2]); };
    for (i32 j = 0; j < N; ++j)
        for (i32 i = 0; i < N; ++i) {
            if (i + 1 < N) steps.push_back({dist(at(i, j), at(i + 1, j)), i, j, 1, 0});
            if (j + 1 < N) steps.push_back({dist(at(i, j), at(i, j + 1)), i, j, 0, 1});
        }
    auto longer = [](const Step& a, const Step& b) { return a.len > b.len; };
    std::sort(steps.begin(), steps.end(), longer);
    const f64 longest = steps.front().len;
    if (steps[steps.size() / 2].len < SCK_COLLAPSE * longest) return SCK_COLLAPSED;
    // The longest steps halved again and again: on a continuous surface they
    // shrink with the parameter step; one that keeps its length is a jump
    // that no triangulation can follow.
    const f64 du = (u1 - u0) / (N - 1), dv = (v1 - v0) / (N - 1);
    for (size_t k = 0; k < steps.size() && k < 8 && steps[k].len > 0.5 * longest; ++k) {
        const Step& s = steps[k];
        f64 a[2] = {u0 + du * s.i, v0 + dv * s.j}, b[2] = {a[0] + du * s.di, a[1] + dv * s.dj};
        f64 pa[3], pb[3];
        std::copy(at(s.i, s.j), at(s.i, s.j) + 3, pa);
        std::copy(at(s.i + s.di, s.j + s.dj), at(s.i + s.di, s.j + s.dj) + 3, pb);
        for (i32 n = 0; n < 30; ++n) {
            const f64 m[2] = {0.5 * (a[0] + b[0]), 0.5 * (a[1] + b[1])};
            f64 e[12];
            evsrfd(buf, m[0], m[1], 0, e, st);
            if (st < 0 || !std::isfinite(e[0]) || !std::isfinite(e[1]) || !std::isfinite(e[2])) return SCK_NOEVAL;
            if (dist(pa, e) >= dist(e, pb)) {
                b[0] = m[0], b[1] = m[1];
                std::copy(e, e + 3, pb);
            } else {
                a[0] = m[0], a[1] = m[1];
                std::copy(e, e + 3, pa);
            }
        }
        if (dist(pa, pb) > SCK_COLLAPSE * s.len) return SCK_COLLAPSED;
    }
    return SCK_SOUND;
}

void SRFCKL(const i32* ids, const i32& count, i32& status)
{
    status = 0;
    std::vector<f64> buf(static_cast<size_t>(SB_CAP));
    for (i32 k = 0; k < count; ++k) {
        i32 st = 0;
        LDSRFB(ids[k], buf.data(), st);
        if (st != 0) {
            status = -1;
            continue;
        }
        if (SRFCHK(buf.data()) != SCK_SOUND) {
            allbad(ids[k]);
            status = -1;
        }
    }
    if (status < 0) redraw_badsrf();
}
