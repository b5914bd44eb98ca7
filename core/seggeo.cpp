#include "core/seggeo.h"

#include <cmath>

#include "core/host.h"

namespace {
template <typename T, typename Ne>
void segprm(const T* p1, const T* p2, const T* v1, const T* v2, const T* q, T& z, T* v, i32& flat, Ne nonzero)
{
    const T dx = p2[0] - p1[0], dy = p2[1] - p1[1], dz = p2[2] - p1[2];
    flat = 0;
    const T adx = std::fabs(dx), ady = std::fabs(dy);
    if (adx > ady && nonzero(dx)) {
        z = p1[2] + (q[0] - p1[0]) / dx * dz;
    } else if (nonzero(dy) && (adx < ady || nonzero(dx))) {
        z = p1[2] + (q[1] - p1[1]) / dy * dz;
    } else {
        z = p1[2] < p2[2] ? p1[2] : p2[2];
        flat = 1;
    }
    // dz is "zero" by the host's tolerant test, as dx and dy are: a rise
    // within the tolerance is no rise, and dividing by it would turn the
    // rounding of z into a weight far outside 0 to 1; V is then V2.
    const T t = nonzero(dz) ? std::fabs(z - p1[2]) / std::fabs(p2[2] - p1[2]) : T(1);
    for (i32 k = 0; k < 3; ++k) v[k] = t * v2[k] + (T(1) - t) * v1[k];
}
}  // namespace

void SEGPRM(const f32* p1, const f32* p2, const f32* v1, const f32* v2, const f32* q, f32& z, f32* v, i32& flat)
{
    segprm(p1, p2, v1, v2, q, z, v, flat, [](f32 a) { return eqval0(a) == 0; });
}

void SEGPRD(const f64* p1, const f64* p2, const f64* v1, const f64* v2, const f64* q, f64& z, f64* v, i32& flat)
{
    segprm(p1, p2, v1, v2, q, z, v, flat, [](f64 a) { return eqvl0d(a) == 0; });
}

void ARCSTP(const f32& length, f32& step, i32& n)
{
    if (std::fabs(step) <= 1e-6f * std::fabs(length)) {
        n = 4;
        step = length * 0.25f;
        return;
    }
    n = static_cast<i32>(std::fabs(length / step) + 0.5f);
    if (n < 4) n = 4;
    step = length / static_cast<f32>(n);
}
