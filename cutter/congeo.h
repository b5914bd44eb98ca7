// Tapered-tool geometry, the element addresses of the triangle model used by
// the drops, and the small vector helpers of the cutter location.
#pragma once

#include <cmath>

#include "core/words.h"

// ---------------------------------------------------------------- CONGEO
extern f64 CGCOTA;  // cot a
extern f64 CGRCRN;  // radius where the corner meets the flank
extern f64 CGRTP2;  // radius where the flank meets the top rounding
extern f64 CGZAPX;  // R / tan a
extern f64 CGCOT2;  // cot^2 a
extern f64 CGRTOP;  // largest radius of the top
extern f64 CGTANA;  // tan a
extern f32 CGAXIS[3];  // cos a, 0, sin a
extern f64 CGANGL;  // a, radians
extern f64 CGALLW;  // allowance in force (0 when not positive)
extern f64 CGCOMP;  // 90 degrees - a, radians
extern f64 CGLENE;  // height where the flank ends
extern f64 CGLENG;  // cut length
extern f64 CGRFLT;  // radius of the circle of the corner centres
extern f64 CGSINA;
extern f64 CGCOSA;

constexpr f64 PI = 3.141592653589793;
// Degrees to radians as the host turns them.
inline f64 radian(f64 deg) { return deg * PI * 0.005555555555555556; }

void TAPSET(const i32& tool_id);
void TAPOFS(const f32& d, const f32& l, const f32& e, const f32& r);
void TAPAXS(f32* axis);
void TAPRTP(f32& value);
void TAPRFL(f32& value);
void TAPALW(f32& value);
void TAPLEN(f32& value);

// ------------------------------------------------------ model addresses
// Element addresses of SRFKEY and NODKEY for the drops (LOCPTR) and for the
// gathering (CNTPTR); status 0 (null bases while no model is open).
void LOCPTR(const i32& surface_handle, const i32& node_handle, i32& status);
void CNTPTR(const i32& surface_handle, const i32& node_handle, i32& status);
extern const i32* LOCSRB;  // SRFKEY base for the drops
extern const f32* LOCNDB;  // NODKEY base for the drops
extern const i32* CNTSRB;  // SRFKEY base for the gathering
extern const f32* CNTNDB;  // NODKEY base for the gathering

inline const f32* nodept(const f32* base, i32 k) { return base + 3 * static_cast<size_t>(k - 1); }
inline const i32* srfrec(const i32* base, i32 k) { return base + 20 * static_cast<size_t>(k - 1); }

// std::fmax without the library call where the order is plain; equal values
// (signed zeros) and NaN take the library's answer.
inline f32 maxf(f32 a, f32 b) { return a > b ? a : (b > a ? b : std::fmax(a, b)); }
inline f64 maxd(f64 a, f64 b) { return a > b ? a : (b > a ? b : std::fmax(a, b)); }

// ------------------------------------------------------- vector helpers
inline f64 dot3(const f64* a, const f64* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline void cross3(const f64* a, const f64* b, f64* c)
{
    f64 x = a[1] * b[2] - a[2] * b[1], y = a[2] * b[0] - a[0] * b[2], z = a[0] * b[1] - a[1] * b[0];
    c[0] = x, c[1] = y, c[2] = z;
}
// Unit 2-D vector in place; status -1 for a zero vector.
inline i32 v2unit(f32* v)
{
    f64 l = std::sqrt(f64(v[0]) * v[0] + f64(v[1]) * v[1]);
    if (l == 0.0) return -1;
    v[0] = static_cast<f32>(v[0] / l);
    v[1] = static_cast<f32>(v[1] / l);
    return 0;
}
inline i32 v3unitd(f64* v)
{
    f64 l = std::sqrt(dot3(v, v));
    if (l == 0.0) return -1;
    v[0] /= l, v[1] /= l, v[2] /= l;
    return 0;
}
inline f32 dist2(const f32* a, const f32* b)
{
    f64 dx = f64(a[0]) - b[0], dy = f64(a[1]) - b[1];
    return static_cast<f32>(std::sqrt(dx * dx + dy * dy));
}
inline f32 dist3(const f32* a, const f32* b)
{
    f64 dx = f64(a[0]) - b[0], dy = f64(a[1]) - b[1], dz = f64(a[2]) - b[2];
    return static_cast<f32>(std::sqrt(dx * dx + dy * dy + dz * dz));
}
