#include "edit/alter/zmove.h"

#include <cmath>

#include "core/host.h"

namespace {
// The parameter of q on the line p1-p2 from the larger of its XY extents.
f64 xy_parameter(const f32* p1, const f32* p2, const f32* q)
{
    const f64 dx = static_cast<f64>(p2[0]) - p1[0], dy = static_cast<f64>(p2[1]) - p1[1];
    if (std::fabs(dx) <= std::fabs(dy) && eqvl0d(dy) == 0) return (q[1] - static_cast<f64>(p1[1])) / dy;
    if (std::fabs(dx) > std::fabs(dy) && eqvl0d(dx) == 0) return (q[0] - static_cast<f64>(p1[0])) / dx;
    return 1.0;
}
}  // namespace

void line_point_at_z(const f32* p1, const f32* p2, f32* q, f64& t)
{
    if (p1[2] != p2[2]) {
        const f32 r = (p1[2] - q[2]) / (p1[2] - p2[2]);
        q[0] = p1[0] - r * (p1[0] - p2[0]);
        q[1] = p1[1] - r * (p1[1] - p2[1]);
    }
    t = xy_parameter(p1, p2, q);
}

void line_z_at_xy(const f32* p1, const f32* p2, f32* q, f64& t)
{
    t = xy_parameter(p1, p2, q);
    q[2] = static_cast<f32>(p1[2] + t * (static_cast<f64>(p2[2]) - p1[2]));
}

i32 points_differ(const f32* p1, const f32* p2)
{
    const f32 sum = std::fabs(p1[0] - p2[0]) + std::fabs(p1[1] - p2[1]) + std::fabs(p1[2] - p2[2]);
    return sum > 0.001f ? 1 : 0;
}
