// Closest points of two lines in space (the rule is in
// platform/norak/README.md).
#include <cmath>

#include "core/host.h"

void dminll(const f64* a1, const f64* a2, const f64* b1, const f64* b2, f64* pa, f64* pb, f64& distance,
            i32& status)
{
    f64 u[3], v[3], w[3];
    for (int k = 0; k < 3; ++k) {
        u[k] = a2[k] - a1[k];
        v[k] = b2[k] - b1[k];
        w[k] = a1[k] - b1[k];
    }
    auto dot = [](const f64* p, const f64* q) { return p[0] * q[0] + p[1] * q[1] + p[2] * q[2]; };
    const f64 a = dot(u, u), b = dot(u, v), c = dot(v, v), d = dot(u, w), e = dot(v, w);
    distance = 0.0;
    if (a <= 1e-24 || c <= 1e-24) {
        status = -1;
        return;
    }
    const f64 den = a * c - b * b;
    f64 s = 0.0, t = 0.0;
    status = 0;
    if (den <= 1e-12 * a * c) {
        status = 1;  // parallel: a1 and its foot on the second line
        t = e / c;
    } else {
        s = (b * e - c * d) / den;
        t = (a * e - b * d) / den;
    }
    f64 sq = 0.0;
    for (int k = 0; k < 3; ++k) {
        pa[k] = a1[k] + s * u[k];
        pb[k] = b1[k] + t * v[k];
        sq += (pa[k] - pb[k]) * (pa[k] - pb[k]);
    }
    distance = std::sqrt(sq);
}
