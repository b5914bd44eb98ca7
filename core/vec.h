// Small vector helpers of the module: points and directions of three (or
// two) coordinates, single or double precision, computed in double precision.
#pragma once

#include <cmath>

#include "core/words.h"

// a . b.
inline f64 dot3(const f64* a, const f64* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
// a . b of single-precision vectors, in double.
inline f64 dot3f(const f32* a, const f32* b) { return f64(a[0]) * b[0] + f64(a[1]) * b[1] + f64(a[2]) * b[2]; }
// c = a x b (c may be a or b).
inline void cross3(const f64* a, const f64* b, f64* c)
{
    f64 x = a[1] * b[2] - a[2] * b[1], y = a[2] * b[0] - a[0] * b[2], z = a[0] * b[1] - a[1] * b[0];
    c[0] = x, c[1] = y, c[2] = z;
}
// cross3 of single-precision vectors.
inline void cross3f(const f32* a, const f32* b, f32* c)
{
    f64 x = f64(a[1]) * b[2] - f64(a[2]) * b[1];
    f64 y = f64(a[2]) * b[0] - f64(a[0]) * b[2];
    f64 z = f64(a[0]) * b[1] - f64(a[1]) * b[0];
    c[0] = static_cast<f32>(x), c[1] = static_cast<f32>(y), c[2] = static_cast<f32>(z);
}
// Unit 2-D vector in place; -1 for a zero vector.
inline i32 v2unit(f32* v)
{
    f64 l = std::sqrt(f64(v[0]) * v[0] + f64(v[1]) * v[1]);
    if (l == 0.0) return -1;
    v[0] = static_cast<f32>(v[0] / l);
    v[1] = static_cast<f32>(v[1] / l);
    return 0;
}
// Unit 3-D vector in place; -1 for a zero vector.
inline i32 v3unitd(f64* v)
{
    f64 l = std::sqrt(dot3(v, v));
    if (l == 0.0) return -1;
    v[0] /= l, v[1] /= l, v[2] /= l;
    return 0;
}
// Unit 3-D vector in place; false (the vector left as it is) when shorter than 1e-12.
inline bool unit3f(f32* v)
{
    f64 l = std::sqrt(dot3f(v, v));
    if (!(l > 1e-12)) return false;
    for (int k = 0; k < 3; ++k) v[k] = static_cast<f32>(v[k] / l);
    return true;
}
// Distance of two points seen from above (X and Y only).
inline f32 dist_xy(const f32* a, const f32* b)
{
    f64 dx = f64(a[0]) - b[0], dy = f64(a[1]) - b[1];
    return static_cast<f32>(std::sqrt(dx * dx + dy * dy));
}
// Distance of two points in space.
inline f32 dist3(const f32* a, const f32* b)
{
    f64 dx = f64(a[0]) - b[0], dy = f64(a[1]) - b[1], dz = f64(a[2]) - b[2];
    return static_cast<f32>(std::sqrt(dx * dx + dy * dy + dz * dz));
}
// Squared distance of two points in space.
inline f64 dist3_sq(const f32* a, const f32* b)
{
    f64 s = 0;
    for (int k = 0; k < 3; ++k) s += (f64(a[k]) - b[k]) * (f64(a[k]) - b[k]);
    return s;
}
