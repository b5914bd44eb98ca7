// Reference tool drop in double precision, from the geometry alone: the tool
// is a solid of revolution whose lower surface is z = tip + h(rho), h convex
// and rising; over one triangle the tip height is the maximum of
// z(Q) - h(|Q - P|) over the triangle's points within the tool's reach, a
// concave function, so its maximum is the face's stationary point when it
// lies inside, else a maximum along an edge (found by golden section).
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace dropref {

constexpr double NONE = -std::numeric_limits<double>::infinity();

struct Tool {
    int shape;  // 1 ball, 2 flat, 3 corner radius, 4 tapered
    double R;   // outer radius (nominal radius at the tip for a tapered tool)
    double r;   // corner radius
    double a = 0;  // taper angle, radians
    double L = 0;  // cut length (tapered)
    double e = 0;  // tapered: radius of the rounding of the flank's top edge
    double R0 = 0; // tapered with e: nominal radius of the tool before it grew

    double rf() const
    {
        if (shape == 1) return 0.0;
        if (shape == 4) return R - r * (1 - std::sin(a)) / std::cos(a);
        return R - r;
    }
    // Tapered: centre radius and height of the top rounding.
    double rtop() const { return (e > 0 ? R0 : R) + (L - e) * std::tan(a); }
    double rmax() const { return shape == 4 ? rtop() + e : R; }
    double rc() const { return R + r * (1 - std::sin(a)) * std::tan(a); }  // corner meets flank
    // Height of the lower surface above the tip at radius rho (<= rmax).
    double h(double rho) const
    {
        double f = rf();
        if (rho <= f) return 0.0;
        if (shape == 4 && e > 0 && rho > rtop() + e * std::cos(a)) {
            double x = rho - rtop(), q = e * e - x * x;
            return L - std::sqrt(q > 0 ? q : 0);
        }
        if (shape == 4 && rho > rc()) return (rho - R) / std::tan(a);
        double rr = shape == 1 ? R : r;
        double x = rho - f;
        double q = rr * rr - x * x;
        return rr - std::sqrt(q > 0 ? q : 0);
    }
    // Radius whose surface slope equals that of a face with unit normal
    // (nxy, nz): where the face touches.
    double contact_radius(double nxy) const
    {
        if (nxy < 1e-15) return 0.0;
        if (shape == 2) return R;
        if (shape == 4 && nxy > std::cos(a) + 1e-15) return e > 0 ? rtop() + e * nxy : rmax();
        double rr = shape == 1 ? R : r;
        return rf() + rr * nxy;
    }
    // The tool grown by g all round; its tip lies g lower. A tapered tool
    // keeps its corner centres and cone; its cut length counts from the new
    // tip and its flank's top edge becomes a rounding of radius g.
    Tool grown(double g) const
    {
        if (shape == 1) return Tool{1, R + g, R + g};
        if (shape == 4) {
            Tool t{4, R + g * (1 - std::sin(a)) / std::cos(a), r + g, a, L + g, g, R};
            return t;
        }
        return Tool{3, R + g, r + g};
    }
};

// Tip height over one triangle (vertices v[3][3]) at XY point p; NONE when
// out of reach.
inline double drop(const Tool& t, const double* p, const double v[3][3])
{
    const double rmax = t.rmax();
    double best = NONE;
    // Face.
    double e1[3] = {v[1][0] - v[0][0], v[1][1] - v[0][1], v[1][2] - v[0][2]};
    double e2[3] = {v[2][0] - v[0][0], v[2][1] - v[0][1], v[2][2] - v[0][2]};
    double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    double ln = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (ln > 0) {
        for (double& c : n) c /= ln;
        if (n[2] < 0)
            for (double& c : n) c = -c;
        if (n[2] > 1e-9) {
            double nxy = std::sqrt(n[0] * n[0] + n[1] * n[1]);
            double rho = t.contact_radius(nxy);
            double q[2] = {p[0], p[1]};
            if (nxy >= 1e-15) q[0] -= rho * n[0] / nxy, q[1] -= rho * n[1] / nxy;
            // Inside the triangle's XY outline (barycentric).
            double det = e1[0] * e2[1] - e1[1] * e2[0];
            if (std::fabs(det) > 0) {
                double dx = q[0] - v[0][0], dy = q[1] - v[0][1];
                double b1 = (dx * e2[1] - dy * e2[0]) / det, b2 = (e1[0] * dy - e1[1] * dx) / det;
                if (b1 >= 0 && b2 >= 0 && b1 + b2 <= 1) {
                    double z = v[0][2] + b1 * e1[2] + b2 * e2[2];
                    best = z - t.h(rho);
                }
            }
        }
    }
    // Edges, vertices included.
    for (int k = 0; k < 3; ++k) {
        const double* a = v[k];
        const double* b = v[(k + 1) % 3];
        double d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        double w[2] = {a[0] - p[0], a[1] - p[1]};
        // rho(s)^2 = |w + s d|^2 <= rmax^2: the reachable interval.
        double A = d[0] * d[0] + d[1] * d[1], Bq = w[0] * d[0] + w[1] * d[1], C = w[0] * w[0] + w[1] * w[1] - rmax * rmax;
        double lo = 0, hi = 1;
        if (A < 1e-30) {
            if (C > 0) continue;
        } else {
            double disc = Bq * Bq - A * C;
            if (disc < 0) continue;
            double s = std::sqrt(disc);
            lo = std::max(0.0, (-Bq - s) / A);
            hi = std::min(1.0, (-Bq + s) / A);
            if (lo > hi) continue;
        }
        auto g = [&](double s) {
            double x = w[0] + s * d[0], y = w[1] + s * d[1];
            double rho = std::min(std::sqrt(x * x + y * y), rmax);
            return a[2] + s * d[2] - t.h(rho);
        };
        double x0 = lo, x1 = hi;
        const double gr = 0.6180339887498949;
        double c = x1 - gr * (x1 - x0), e = x0 + gr * (x1 - x0);
        double gc = g(c), ge = g(e);
        for (int it = 0; it < 90 && x1 - x0 > 1e-15; ++it) {
            if (gc < ge) {
                x0 = c, c = e, gc = ge, e = x0 + gr * (x1 - x0), ge = g(e);
            } else {
                x1 = e, e = c, ge = gc, c = x1 - gr * (x1 - x0), gc = g(c);
            }
        }
        best = std::max({best, g(lo), g(hi), gc, ge});
    }
    return best;
}

// Triangles bucketed on a uniform XY grid by their boxes, for dropping over
// many of them.
struct Buckets {
    double x0, y0, cell;
    int nx, ny;
    std::vector<std::vector<int>> cells;
    std::vector<double> tri;  // nine values per triangle
    mutable std::vector<int> mark;
    mutable int stamp = 0;

    void build(const std::vector<double>& t, double c)
    {
        tri = t;
        cell = c;
        size_t n = tri.size() / 9;
        double xl = 1e300, yl = 1e300, xh = -1e300, yh = -1e300;
        for (size_t i = 0; i < n; ++i)
            for (int k = 0; k < 3; ++k) {
                xl = std::min(xl, tri[9 * i + 3 * k]);
                xh = std::max(xh, tri[9 * i + 3 * k]);
                yl = std::min(yl, tri[9 * i + 3 * k + 1]);
                yh = std::max(yh, tri[9 * i + 3 * k + 1]);
            }
        x0 = xl, y0 = yl;
        nx = static_cast<int>((xh - xl) / c) + 1;
        ny = static_cast<int>((yh - yl) / c) + 1;
        cells.assign(static_cast<size_t>(nx) * ny, {});
        for (size_t i = 0; i < n; ++i) {
            double bx0 = 1e300, by0 = 1e300, bx1 = -1e300, by1 = -1e300;
            for (int k = 0; k < 3; ++k) {
                bx0 = std::min(bx0, tri[9 * i + 3 * k]);
                bx1 = std::max(bx1, tri[9 * i + 3 * k]);
                by0 = std::min(by0, tri[9 * i + 3 * k + 1]);
                by1 = std::max(by1, tri[9 * i + 3 * k + 1]);
            }
            for (int j = cy(by0); j <= cy(by1); ++j)
                for (int k = cx(bx0); k <= cx(bx1); ++k) cells[static_cast<size_t>(j) * nx + k].push_back(static_cast<int>(i));
        }
    }
    int cx(double x) const { return std::clamp(static_cast<int>((x - x0) / cell), 0, nx - 1); }
    int cy(double y) const { return std::clamp(static_cast<int>((y - y0) / cell), 0, ny - 1); }

    // Triangles whose boxes may lie within reach of p.
    std::vector<int> near(const double* p, double rmax) const
    {
        double reach = rmax + 1e-6;
        std::vector<int> seen;
        ++stamp;
        if (mark.size() != tri.size() / 9) mark.assign(tri.size() / 9, 0);
        for (int j = cy(p[1] - reach); j <= cy(p[1] + reach); ++j)
            for (int k = cx(p[0] - reach); k <= cx(p[0] + reach); ++k)
                for (int i : cells[static_cast<size_t>(j) * nx + k])
                    if (mark[i] != stamp) mark[i] = stamp, seen.push_back(i);
        return seen;
    }

    // Highest tip over every triangle within reach; NONE when none.
    double drop_all(const Tool& t, const double* p) const
    {
        double best = NONE;
        // A triangle never lifts the tip above its highest vertex lowered by
        // the tool's surface at the triangle's nearest XY distance: the
        // candidates go by that bound and the walk stops below the best.
        std::vector<std::pair<double, int>> order;
        for (int i : near(p, t.rmax())) {
            const double* v = &tri[9 * i];
            double dmin = 1e300;
            bool inside = true;
            double sgn = 0;
            for (int k = 0; k < 3; ++k) {
                const double* a = v + 3 * k;
                const double* b = v + 3 * ((k + 1) % 3);
                double dx = b[0] - a[0], dy = b[1] - a[1], wx = p[0] - a[0], wy = p[1] - a[1];
                double l2 = dx * dx + dy * dy;
                double u = l2 > 0 ? std::clamp((wx * dx + wy * dy) / l2, 0.0, 1.0) : 0.0;
                dmin = std::min(dmin, std::hypot(wx - u * dx, wy - u * dy));
                double c = dx * wy - dy * wx;
                if (c != 0) {
                    if (sgn == 0) sgn = c;
                    else if ((c > 0) != (sgn > 0)) inside = false;
                }
            }
            if (inside) dmin = 0;
            if (dmin > t.rmax()) continue;
            double top = std::max({v[2], v[5], v[8]});
            order.push_back({top - t.h(dmin) + 1e-9, i});
        }
        std::sort(order.begin(), order.end(), [](auto& a, auto& b) { return a.first > b.first; });
        for (auto [top, i] : order) {
            if (top <= best) break;
            double v[3][3];
            for (int a = 0; a < 3; ++a)
                for (int b = 0; b < 3; ++b) v[a][b] = tri[9 * i + 3 * a + b];
            best = std::max(best, drop(t, p, v));
        }
        return best;
    }
};

}  // namespace dropref
