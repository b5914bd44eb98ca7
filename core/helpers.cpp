#include "core/helpers.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/host.h"
#include "core/records.h"

f32 WRNORG[3] = {0.0f, 0.0f, 0.0f};

namespace {
i32 PRMSAV[PRM9_N];
}

void WRNPNT(const char* text1, const i32& n, const f32* point, const char* text2)
{
    char l1[161], l2[161] = {0}, l3[161];
    i32 len1 = 0, len2 = 0, len3 = 0;
    char t1[160], t3[160];
    std::snprintf(t1, sizeof t1, "%.159s", text1 ? text1 : "");
    std::snprintf(t3, sizeof t3, "%.159s", text2 ? text2 : "");
    mktxtc(t1, l1, 160, len1);
    mktxtc(t3, l3, 160, len3);
    const f32* org = lopnls() != 0 ? reinterpret_cast<const f32*>(NPT1 + NPT1_ORIGIN) : WRNORG;
    f32 rel[3];
    for (i32 k = 0; k < 3; ++k) rel[k] = point[k] - org[k];
    if (n == 1)
        maktx1(l2, 160, len2, "X = ", rel[0]);
    else if (n == 2)
        maktx2(l2, 160, len2, "X = ", rel[0], "Y = ", rel[1]);
    else if (n == 3)
        maktx3(l2, 160, len2, "X = ", rel[0], "Y = ", rel[1], "Z = ", rel[2]);
    trfoff();
    usrer5(l1, len1, l2, len2, l3, len3);
    trfon();
}

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

void MCHSWP(const i32& mode, i32& status)
{
    status = 0;
    if (mode == 1)
        std::memcpy(PRM9, PRMSAV, sizeof PRMSAV);
    else
        std::memcpy(PRMSAV, PRM9, sizeof PRMSAV);
}

void HGTTRN(i32& status)
{
    static constexpr i32 ROWS[8][4] = {{870, 366, 1, -1},   {873, 367, 2, 874},   {878, 368, 2, 879},
                                       {880, 3303, 1, -1},  {881, 3304, 1, -1},   {1340, 3325, 2, 1343},
                                       {1047, 3302, 1, -1}, {1048, 3301, 1, -1}};
    status = 0;
    for (const auto& r : ROWS) {
        nu_trns_add(r[0], r[1], r[2], r[3], status);
        if (status != 0) return;
    }
}
