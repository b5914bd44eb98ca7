// Independent check of tool positions against the exact surfaces: the tool
// is a solid of revolution (a core swept by a ball of the corner radius),
// its signed distance to sampled surface points is measured, and the
// smallest distance is refined on the exact surface by a pattern search.
// The surfaces are evaluated by the tests' own evaluator from the
// descriptions the host was given (not by the module's surface buffer).
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <vector>

#include "common/surfeval.h"

namespace chk {

struct Tool {
    double D, R, A;  // diameter, corner radius, taper angle in degrees
};

// Signed distance of q to the tool with its tip at p and unit axis a
// (negative inside the tool).
inline double tooldist(const Tool& t, const double* p, const double* a, const double* q)
{
    const double ar = t.A * M_PI / 180.0;
    const double d = t.A != 0 ? t.R * (1 - std::sin(ar)) / std::cos(ar) : t.R;
    const double f = t.D / 2 - d, ta = std::tan(ar);
    double w[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
    const double h = w[0] * a[0] + w[1] * a[1] + w[2] * a[2];
    const double r = std::sqrt(std::max(0.0, w[0] * w[0] + w[1] * w[1] + w[2] * w[2] - h * h));
    // The core: h >= R, r <= f + (h - R) tan A.
    const double edge = f + (h - t.R) * ta;
    if (h >= t.R && r <= edge) return -std::min(h - t.R, (edge - r) * std::cos(ar)) - t.R;
    // Distance to the bottom segment (0..f at h = R) and to the flank ray.
    double best = std::numeric_limits<double>::infinity();
    {
        const double x = std::clamp(r, 0.0, std::max(f, 0.0));
        best = std::hypot(r - x, h - t.R);
    }
    {
        const double dx = std::sin(ar), dz = std::cos(ar);
        const double s = std::max(0.0, (r - f) * dx + (h - t.R) * dz);
        best = std::min(best, std::hypot(r - (f + s * dx), h - (t.R + s * dz)));
    }
    return best - t.R;
}

// The descriptions of the surfaces the host holds, by id (set when the
// host is loaded).
inline std::map<int, nlohmann::json>& described()
{
    static std::map<int, nlohmann::json> d;
    return d;
}

// Dense samples of one surface.
struct Surface {
    surfeval::Surface exact;
    double u0, u1, v0, v1;
    int nu, nv;
    std::vector<double> pts;  // nu * nv points
    double cell = 10;
    std::map<std::pair<int, int>, std::vector<int>> grid;

    Surface(int id, int nu_ = 240, int nv_ = 240) : Surface(described().at(id), nu_, nv_) {}
    Surface(const nlohmann::json& d, int nu_ = 240, int nv_ = 240) : exact(d), nu(nu_), nv(nv_)
    {
        u0 = exact.u0, u1 = exact.u1, v0 = exact.v0, v1 = exact.v1;
        pts.resize(size_t(3 * nu * nv));
        for (int j = 0; j < nv; ++j)
            for (int i = 0; i < nu; ++i) eval(par(i, nu, u0, u1), par(j, nv, v0, v1), &pts[size_t(3 * (j * nu + i))]);
        for (int k = 0; k < nu * nv; ++k) grid[key(pts[size_t(3 * k)], pts[size_t(3 * k + 1)])].push_back(k);
    }
    static double par(int i, int n, double a, double b) { return a + (b - a) * i / (n - 1); }
    std::pair<int, int> key(double x, double y) const
    {
        return {int(std::floor(x / cell)), int(std::floor(y / cell))};
    }
    void eval(double u, double v, double* p) const { exact.eval(u, v, p); }
    // Samples whose XY lies within rad of (x, y).
    template <class F>
    void near(double x, double y, double rad, F fn) const
    {
        auto lo = key(x - rad, y - rad), hi = key(x + rad, y + rad);
        for (int a = lo.first; a <= hi.first; ++a)
            for (int b = lo.second; b <= hi.second; ++b) {
                auto it = grid.find({a, b});
                if (it == grid.end()) continue;
                for (int k : it->second) fn(k);
            }
    }
};

// Smallest signed distance of the surface to the tool: over the samples
// near the tool, then refined on the exact surface.
inline double mindist(const Surface& s, const Tool& t, const double* p, const double* a)
{
    const double reach = t.D / 2 + 2 * t.D * std::tan(t.A * M_PI / 180.0) + 1.0;
    double best = std::numeric_limits<double>::infinity();
    int bk = -1;
    s.near(p[0], p[1], reach + t.D * std::hypot(a[0], a[1]), [&](int k) {
        const double* q = &s.pts[size_t(3 * k)];
        // Multi-axis: only the cutting part, a tool length D, is looked at.
        if (std::fabs(a[2]) < 0.9999 && std::hypot(std::hypot(q[0] - p[0], q[1] - p[1]), q[2] - p[2]) > 1.5 * t.D) return;
        const double d = tooldist(t, p, a, q);
        if (d < best) best = d, bk = k;
    });
    if (bk < 0) return best;
    double u = Surface::par(bk % s.nu, s.nu, s.u0, s.u1), v = Surface::par(bk / s.nu, s.nv, s.v0, s.v1);
    double hu = (s.u1 - s.u0) / (s.nu - 1), hv = (s.v1 - s.v0) / (s.nv - 1);
    auto f = [&](double uu, double vv) {
        uu = std::clamp(uu, s.u0, s.u1);
        vv = std::clamp(vv, s.v0, s.v1);
        double q[3];
        s.eval(uu, vv, q);
        return tooldist(t, p, a, q);
    };
    // A compass search in 16 directions finishes narrow curved valleys.
    // Rounds from the best point so far, while a round still improves it.
    for (int round = 0; round < 10; ++round) {
    const double start = best;
    hu = (s.u1 - s.u0) / (s.nu - 1), hv = (s.v1 - s.v0) / (s.nv - 1);
    for (int it = 0; it < 2000 && hu > 1e-13 * (s.u1 - s.u0); ++it) {
        bool moved = false;
        for (int k = 0; k < 16 && !moved; ++k) {
            const double an = k * M_PI / 8;
            const double nu = std::clamp(u + hu * std::cos(an), s.u0, s.u1), nv = std::clamp(v + hv * std::sin(an), s.v0, s.v1);
            const double d = f(nu, nv);
            if (d < best) best = d, u = nu, v = nv, moved = true;
        }
        if (!moved) hu *= 0.5, hv *= 0.5;
        else hu *= 1.5, hv *= 1.5;
    }
    if (round >= 2 && start - best < 1e-9) break;
    }
    return best;
}

}  // namespace chk
