#include "core/helpers.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/host.h"
#include "blocks/movement.h"
#include "tools/toolcache.h"
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

namespace {
bool same(const f32* a, const f32* b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

// Points of A with their optional vectors and integers.
struct PtSet {
    f32* pts;
    f32* vec;
    i32* ints;
};

// Shifts A's first `total` points up by k and copies B's points from `from`
// into the front; vectors and integers as asked.
void put_front(PtSet a, i32 total, const PtSet& b, i32 from, i32 k, bool vec, bool ints)
{
    std::memmove(a.pts + 3 * k, a.pts, static_cast<size_t>(3 * total) * sizeof(f32));
    std::memcpy(a.pts, b.pts + 3 * from, static_cast<size_t>(3 * k) * sizeof(f32));
    if (vec && a.vec && b.vec) {
        std::memmove(a.vec + 3 * k, a.vec, static_cast<size_t>(3 * total) * sizeof(f32));
        std::memcpy(a.vec, b.vec + 3 * from, static_cast<size_t>(3 * k) * sizeof(f32));
    }
    if (ints && a.ints && b.ints) {
        std::memmove(a.ints + k, a.ints, static_cast<size_t>(total) * sizeof(i32));
        std::memcpy(a.ints, b.ints + from, static_cast<size_t>(k) * sizeof(i32));
    }
}
}  // namespace

void MRGGST(const i32& join, const i32& attr, const i32& acap, f32* apts, f32* avec, i32* aint, const i32& ascap,
            i32& ascount, i32* alens, const i32& bcap, f32* bpts, f32* bvec, i32* bint, const i32& spare,
            i32& bscount, i32* blens, i32& status)
{
    (void)spare;
    status = 0;
    i32 atot = 0, btot = 0;
    for (i32 k = 0; k < ascount; ++k) atot += alens[k];
    for (i32 k = 0; k < bscount; ++k) btot += blens[k];
    if (btot == 0) return;
    if (ascount + bscount > ascap) {
        erou1c("MRGGST - ONLY ", ascap, " NUMBER OF STRINGS ARE AVAILABLE");
        status = -1;
        return;
    }
    if (3 * (atot + btot) > acap) {
        erou1c("MRGGST - MAXIMUM NUMBER OF POINTS  IN A STRING :", acap / 3);
        status = -1;
        return;
    }
    if (3 * btot > bcap) {
        erou1c("MRGGST - MAXIMUM NUMBER OF POINTS  IN SECOND STRING:", bcap / 3);
        status = -1;
        return;
    }
    PtSet A{apts, avec, aint}, B{bpts, bvec, bint};
    i32 bfirst = 0;  // first point of B still to be placed
    if (join == 1 && ascount > 0) {
        f32 cur[3];
        std::memcpy(cur, MOVST.point, sizeof cur);
        const bool jvec = attr == 1;
        const f32* bend = bpts + 3 * (btot - 1);
        if (bscount == 1 && same(bend, apts)) {
            const i32 n = blens[0];
            if (same(bpts, cur)) {
                if (n > 2) {
                    put_front(A, atot, B, 1, n - 2, jvec, false);
                    alens[0] += n - 2;
                }
            } else {
                put_front(A, atot, B, 0, n - 1, jvec, false);
                alens[0] += n - 1;
            }
            bscount = 0;
            return;
        }
        if (same(bpts, cur) && blens[0] > 1) {
            bfirst = 1;
            --blens[0];
            --btot;
        }
        if (btot > 0 && same(bpts + 3 * (bfirst + btot - 1), apts)) {
            const i32 last = blens[bscount - 1];
            const i32 k = last - 1;
            const i32 from = bfirst + btot - last;
            if (k > 0) put_front(A, atot, B, from, k, jvec, false);
            alens[0] += k;
            atot += k;
            btot -= last;
            --bscount;
        }
    }
    if (bscount > 0 && btot > 0) {
        const bool vec = attr == 1 || attr == 3, ints = attr == 3;
        put_front(A, atot, B, bfirst, btot, vec, ints);
        std::memmove(alens + bscount, alens, static_cast<size_t>(ascount) * sizeof(i32));
        std::memcpy(alens, blens, static_cast<size_t>(bscount) * sizeof(i32));
        ascount += bscount;
    }
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

void SETTLN(const i32& id) { CURTOL = id; }

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
