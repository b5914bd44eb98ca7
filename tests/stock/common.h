// What the stock tests share: a fresh host with a stock grid of a chosen
// cell, the tool shapes with their analytic height profiles, and the
// analytic lower envelope of a tool swept along a straight move.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"
#include "stock/stkgrid.h"
#include "stock/stkimage.h"
#include "tests/common/hostreset.h"

namespace stocktest {

constexpr double INF = std::numeric_limits<double>::infinity();

// A fresh host; stock number 0 with the cell size `cell` in "DX79"; the
// stock shown (the cell is taken as it is) unless `working`.
inline void fresh(float cell, bool working = false)
{
    hostreset::empty_host();
    std::vector<i32> dx(STK_DX79_N, r2wrd(-1.0f));
    if (cell > 0.0f) dx[0] = r2wrd(cell);
    norak::set_record("DX79", 4, dx);
    norak::settings().nc["disp_stock"] = working ? 0 : 1;
    stk_img = StkCurrent{-2, -1, -1, 0, 0, 0.0f, nullptr, nullptr};
}

// Opens the grid over a box in XY; status out.
inline i32 open(double x0, double y0, double x1, double y1, i32* sx = nullptr, i32* sy = nullptr)
{
    const f32 box[6] = {f32(x0), f32(y0), 0.0f, f32(x1), f32(y1), 0.0f};
    i32 a = 0, b = 0, st = 0;
    stk_grid_open(box, a, b, st);
    if (sx) *sx = a;
    if (sy) *sy = b;
    return st;
}

// Every cell: first height h, move 0.
inline void fill(f32 h)
{
    StkCell* c = stk_cells();
    for (i32 k = 0; k < stk_grid.ncells; ++k) c[k].h1 = h, c[k].move = 0;
}

inline double cx(i32 i) { return double(stk_grid.box[0]) + i * double(stk_grid.cell); }
inline double cy(i32 j) { return double(stk_grid.box[1]) + j * double(stk_grid.cell); }

// A tool: diameter, corner radius, length, taper angle in degrees.
struct Tool {
    const char* name;
    double D, R, L, T;
    // Outer radius: the nominal radius, or the flank's top for a taper.
    double ro() const { return T > 0 ? D / 2 + std::tan(T * M_PI / 180) * L : D / 2; }
    // Height of the cutting surface above the tip at radius rho (INF
    // outside): flat bottom, corner arc, flank. The corner arc's centre sits
    // at height R, at the radius where the arc meets the flank tangentially.
    double H(double rho) const
    {
        const double r = D / 2;
        rho = std::fabs(rho);
        if (rho >= ro()) return INF;
        if (T <= 0) {
            const double rc = r - R;
            if (rho <= rc) return 0.0;
            const double d = rho - rc;
            return R - std::sqrt(std::max(0.0, R * R - d * d));
        }
        const double t = T * M_PI / 180;
        const double rc = r - R * (1 - std::sin(t)) / std::cos(t);  // centre of the corner arc
        const double rt = rc + R * std::cos(t);                     // where the flank begins
        if (rho <= rc) return 0.0;
        if (rho <= rt) {
            const double d = rho - rc;
            return R - std::sqrt(std::max(0.0, R * R - d * d));
        }
        return (rho - r) / std::tan(t);
    }
    void make_current(i32 slot = 0) const
    {
        i32 st = 0;
        stk_tool_image(slot, f32(D), f32(R), f32(L), f32(T), st);
        stk_image_select(slot, st);
    }
};

inline const std::vector<Tool>& tools()
{
    static const std::vector<Tool> t = {
        {"flat D6.1", 6.1, 0.0, 20.0, 0.0},     // outer radius 24.4 cells of 0.125
        {"ball D6", 6.0, 3.0, 20.0, 0.0},
        {"torus D6 r1", 6.0, 1.0, 20.0, 0.0},
        {"taper D3 r0.5 10deg", 3.0, 0.5, 8.0, 10.0},
        {"cone D2 20deg", 2.0, 0.0, 5.0, 20.0},
    };
    return t;
}

// The lowest tip height minus the surface: the analytic lower envelope of
// the tool swept from p0 to p1 at the XY point q (INF when the tool never
// covers q). The height over the move is convex in the move's parameter, so
// a golden-section search over the covering interval finds its least value.
inline double envelope(const Tool& t, const double* p0, const double* p1, double qx, double qy,
                       double* where = nullptr)
{
    const double ro = t.ro();
    const double dx = p1[0] - p0[0], dy = p1[1] - p0[1], dz = p1[2] - p0[2];
    const double ex = qx - p0[0], ey = qy - p0[1];
    auto f = [&](double s) { return p0[2] + s * dz + t.H(std::hypot(ex - s * dx, ey - s * dy)); };
    const double a = dx * dx + dy * dy;
    if (a == 0.0) {
        const double h = t.H(std::hypot(ex, ey));
        if (where) *where = p1[2] <= p0[2] ? 1.0 : 0.0;
        return h == INF ? INF : h + std::min(p0[2], p1[2]);
    }
    // |e - s d|^2 < ro^2: s within sc -+ w.
    const double sc = (ex * dx + ey * dy) / a;
    const double c = ex * ex + ey * ey - ro * ro;
    const double disc = sc * sc - c / a;
    if (disc <= 0.0) return INF;
    double lo = std::max(0.0, sc - std::sqrt(disc)), hi = std::min(1.0, sc + std::sqrt(disc));
    if (lo >= hi) return INF;
    const double shrink = (hi - lo) * 1e-12;
    lo += shrink, hi -= shrink;
    const double g = (std::sqrt(5.0) - 1) / 2;
    double x1 = hi - g * (hi - lo), x2 = lo + g * (hi - lo), f1 = f(x1), f2 = f(x2);
    for (int k = 0; k < 45 && hi - lo > 1e-9; ++k) {
        if (f1 <= f2) {
            hi = x2, x2 = x1, f2 = f1;
            x1 = hi - g * (hi - lo), f1 = f(x1);
        } else {
            lo = x1, x1 = x2, f1 = f2;
            x2 = lo + g * (hi - lo), f2 = f(x2);
        }
    }
    const double best = std::min({f(lo), f(hi), f1, f2});
    if (where) *where = best == f(lo) ? lo : (best == f(hi) ? hi : (best == f1 ? x1 : x2));
    return best;
}

}  // namespace stocktest
