// Set-up shared by the clean-up tests: a fresh host with a milling tool, an
// open grid over a box, spots filed straight into the grid, and the spots
// and outlines read back.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "cleanup/clngrid.h"
#include "cleanup/clnstore.h"
#include "cleanup/clntrace.h"
#include "core/host.h"
#include "platform/norak/norak.h"
#include "tests/common/tooldefs.h"
#include "tests/common/hostreset.h"

namespace cl {

// A fresh host with a mill of diameter d and corner radius r, and a grid
// over the box (x0, y0)-(x1, y1).
inline void grid(f32 d, f32 r, f32 x0, f32 y0, f32 x1, f32 y1)
{
    hostreset::empty_host();
    tooldefs::use_mill(d, r);
    const f32 box[6] = {x0, y0, 0, x1, y1, 1};
    i32 st = -9;
    clnini(box, st);
    ASSERT_EQ(st, 0);
    ASSERT_TRUE(CLNGRD.open);
}

// Files one spot at (x, y) with its pair points a and b.
inline void spot(f32 x, f32 y, const f32* a = nullptr, const f32* b = nullptr)
{
    const f32 s[3] = {x, y, 0};
    f32 p[6] = {x, y, 0, x, y, 0};
    if (a)
        for (int k = 0; k < 3; ++k) p[k] = a[k];
    if (b)
        for (int k = 0; k < 3; ++k) p[3 + k] = b[k];
    i32 st = -9;
    clnins(0.0f, 1, p, s, st);
    ASSERT_EQ(st, 0);
}

struct Spot {
    f32 x, y;
    f32 p1[3], p2[3];
};

// Every spot of the grid.
inline std::vector<Spot> spots()
{
    std::vector<Spot> out;
    for (const ClnCell& c : CLNGRD.cells)
        for (i32 i = 0; i < c.count; ++i) {
            const ClnSpot& s = CLNGRD.recs[c.rec][i];
            out.push_back({s.spot[0], s.spot[1], {s.p1[0], s.p1[1], s.p1[2]}, {s.p2[0], s.p2[1], s.p2[2]}});
        }
    return out;
}

// Traces (mode 0 unless said) after the grid's reset.
inline const std::vector<ClnOutline>& trace(i32 mode = 0, i32 option = 0)
{
    clnrst();
    i32 st = -9;
    clndrv(mode, option, st);
    EXPECT_EQ(st, 0);
    return clntrc_outlines();
}

// Plane distance from p to the closed polyline.
inline double dist_to(const std::vector<f32>& xy, double x, double y)
{
    const size_t n = xy.size() / 2;
    double best = 1e30;
    for (size_t i = 0; i < n; ++i) {
        const double ax = xy[2 * i], ay = xy[2 * i + 1];
        const double bx = xy[2 * ((i + 1) % n)], by = xy[2 * ((i + 1) % n) + 1];
        const double dx = bx - ax, dy = by - ay, l = dx * dx + dy * dy;
        double t = l > 0 ? ((x - ax) * dx + (y - ay) * dy) / l : 0;
        t = std::fmax(0, std::fmin(1, t));
        best = std::fmin(best, std::hypot(x - ax - t * dx, y - ay - t * dy));
    }
    return best;
}

// Point in the closed polyline (even-odd), independent of the host.
inline bool inside(const std::vector<f32>& xy, double x, double y)
{
    const size_t n = xy.size() / 2;
    bool in = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const double xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
    }
    return in;
}

inline double area(const std::vector<f32>& xy)
{
    const size_t n = xy.size() / 2;
    double a = 0;
    for (size_t i = 0; i < n; ++i) {
        const size_t j = (i + 1) % n;
        a += double(xy[2 * i]) * xy[2 * j + 1] - double(xy[2 * j]) * xy[2 * i + 1];
    }
    return 0.5 * a;
}

}  // namespace cl
