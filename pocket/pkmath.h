// Small double-precision vector helpers of the loop kernel and the host's
// tolerant comparisons in the forms the kernel uses.
#pragma once

#include <cmath>

#include "core/host.h"
#include "core/words.h"

constexpr f64 PK_PI = 3.141592653589793;
constexpr f64 PK_2PI = 6.283185307179586;

// a - b, a . b, a x b of 2-vectors.
inline f64 pk_cross2(f64 ax, f64 ay, f64 bx, f64 by) { return ax * by - ay * bx; }
inline f64 pk_dot2(f64 ax, f64 ay, f64 bx, f64 by) { return ax * bx + ay * by; }  // a . b

// Makes (x, y) a unit vector and gives its length; false (vector left as
// it is) for a vector shorter than 1e-12.
inline bool pk_unit2(f64& x, f64& y, f64& len)
{
    len = std::sqrt(x * x + y * y);
    if (len < 1e-12) return false;
    x /= len;
    y /= len;
    return true;
}

// The same for a 3-vector.
inline bool pk_unit3(f64* v, f64& len)
{
    len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len < 1e-12) return false;
    v[0] /= len;
    v[1] /= len;
    v[2] /= len;
    return true;
}

// Arc cosine of a value clamped to [-1, 1].
inline f64 pk_arcos(f64 c) { return std::acos(c < -1.0 ? -1.0 : (c > 1.0 ? 1.0 : c)); }

// Brings an angle into [0, 2 pi) with the given full turn.
inline f64 pk_turn(f64 a, f64 full = PK_2PI)
{
    while (a < 0.0) a += full;
    while (a >= full) a -= full;
    return a;
}

// Host tolerant comparisons against zero.
// At least zero within the host's tolerance.
inline bool pk_ge0(f64 a)
{
    f64 z = 0.0;
    return gevald(a, z) != 0;
}
// At most zero within the host's tolerance.
inline bool pk_le0(f64 a)
{
    f64 z = 0.0;
    return levald(a, z) != 0;
}
// Zero within the host's tolerance.
inline bool pk_zero(f64 a) { return eqvl0d(a) != 0; }
// Equal within the host's tolerance.
inline bool pk_eq(f64 a, f64 b) { return eqvald(a, b) != 0; }
