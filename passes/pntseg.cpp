#include "passes/pntseg.h"

#include <cmath>
#include <initializer_list>

#include "core/host.h"

namespace {

// The host's geometric epsilon scaled by the segment length l: as it is up
// to a length of 1, growing with the length up to 10 and more slowly beyond.
f64 scaled(f64 l)
{
    const f64 e = gseps(1, 2);
    if (l <= 1.0) return e;
    if (l <= 10.0) return e * l;
    return e * (0.1 * l + 9.0);
}

// The common core: position s of x along a-b (0 when within the scaled
// tolerance of a), the distance and the parameter. factor gives the
// tolerance t from the scaled one; narrow divides t by 10 (at most twice)
// while the segment is shorter than a tenth of it. False when the segment
// has no direction or the point is not beside it.
bool core(const f32* x, const f32* a, const f32* b, f64 factor, bool narrow, f64& t, f32* dir, f32& par, f32& dist)
{
    f32 d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, len = 0;
    i32 st = 0;
    v3unit(d, len, st);
    if (st < 0) return false;
    for (int k = 0; k < 3; ++k) dir[k] = d[k];
    const f64 l = len, e = scaled(l);
    t = factor * e;
    for (int k = 0; k < 2 && narrow && l / t < 0.1; ++k) t /= 10.0;
    f64 s = 0;
    for (int k = 0; k < 3; ++k) s += (f64(x[k]) - a[k]) * d[k];
    if (std::fabs(s) < e) s = 0;
    if (!(-t <= s && s - t <= l)) return false;
    auto from = [&](const f64* p) {
        f64 q = 0;
        for (int k = 0; k < 3; ++k) q += (f64(x[k]) - p[k]) * (f64(x[k]) - p[k]);
        return std::sqrt(q);
    };
    const f64 pa[3] = {a[0], a[1], a[2]}, pb[3] = {b[0], b[1], b[2]};
    const f32 sf = static_cast<f32>(s), lf = static_cast<f32>(l);
    // A point before A (s < 0, within t of it) or past B is measured to that
    // end, not to A + s d: the foot would lie off the segment and make the
    // point look nearer to it than it is.
    if (s <= 0 || eqval(sf, 0.0f)) {
        dist = static_cast<f32>(from(pa));
    } else if (s >= l || eqval(sf, lf)) {
        dist = static_cast<f32>(from(pb));
    } else {
        const f64 foot[3] = {a[0] + s * d[0], a[1] + s * d[1], a[2] + s * d[2]};
        const f32 ff[3] = {static_cast<f32>(foot[0]), static_cast<f32>(foot[1]), static_cast<f32>(foot[2])};
        dist = eqpt3(ff, x) ? 0.0f : static_cast<f32>(from(foot));
    }
    par = t <= l ? static_cast<f32>(s / l) : 0.0f;
    return true;
}

}  // namespace

void PNSEG1(const f32* x, const f32* a, const f32* b, f32& par, f32& dist, i32& status)
{
    f64 t = 0;
    f32 dir[3];
    if (!core(x, a, b, 1000.0, false, t, dir, par, dist)) {
        status = -1;
        return;
    }
    status = dist < t ? 0 : 1;
}

i32 PNSEG2(const f32* x, const f32* d1, const f32* d2, const f32* a, const f32* b, f32& par, f32& dist)
{
    f64 t = 0;
    f32 dir[3];
    if (!core(x, a, b, 1000.0, true, t, dir, par, dist)) return 0;
    // The two directions are made unit vectors before the 0.9 test: given
    // at any length, their dot with the segment's unit direction would not
    // be the cosine the test means (about 26 degrees), and a long vector
    // would pass at any angle.
    bool along = false;
    for (const f32* g : {d1, d2}) {
        f32 u[3] = {g[0], g[1], g[2]}, len = 0;
        i32 st = 0;
        v3unit(u, len, st);
        if (st == 0 && std::fabs(f64(u[0]) * dir[0] + f64(u[1]) * dir[1] + f64(u[2]) * dir[2]) >= 0.9) along = true;
    }
    return along && dist < t ? 1 : 0;
}

i32 PNSEG3(const f32* x, const f32* a, const f32* b, f32& par)
{
    f64 t = 0;
    f32 dir[3], dist = 0;
    if (!core(x, a, b, 10.0, false, t, dir, par, dist)) return 0;
    return dist < t ? 1 : 0;
}
