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
// out of reach. Edges that cannot lift the tip above `floor` are skipped, so
// the result is exact wherever it exceeds the floor.
inline double drop(const Tool& t, const double* p, const double v[3][3], double floor = NONE)
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
        // The edge lifts the tip at most to its higher end less the tool's
        // surface at the edge's nearest XY distance.
        double sn = A < 1e-30 ? lo : std::clamp(-Bq / A, lo, hi);
        double rmin = std::sqrt(std::max(0.0, A * sn * sn + 2 * Bq * sn + w[0] * w[0] + w[1] * w[1]));
        double top = a[2] + std::max(lo * d[2], hi * d[2]);
        if (top - t.h(std::min(rmin, rmax)) <= std::max(best, floor)) continue;
        best = std::max({best, g(lo), g(hi)});
        if (A < 1e-30 || t.shape == 2) continue;  // g is linear along the edge
        if (t.shape == 1) {
            // A ball: g' = 0 where d.z sqrt(R^2 - rho^2) = Bq + s A, a
            // quadratic in s; g is concave, so its maximum over [lo, hi] is
            // at an end or at a root.
            double dz2 = d[2] * d[2];
            double K = (Bq * Bq - dz2 * (t.R * t.R - w[0] * w[0] - w[1] * w[1])) / (A + dz2);
            // A level edge has a double root; a negative discriminant from
            // rounding counts as zero (g at any s is a lower bound anyway).
            double q = std::sqrt(std::max(0.0, Bq * Bq - A * K));
            for (double s : {(-Bq - q) / A, (-Bq + q) / A})
                if (s > lo && s < hi) best = std::max(best, g(s));
            continue;
        }
        if (t.shape == 3) {
            // A corner radius: g' falls along the edge (g is concave); its
            // root by false position (Illinois), halving where it stalls.
            auto gp = [&](double s) {
                double x = w[0] + s * d[0], y = w[1] + s * d[1];
                double rho = std::sqrt(x * x + y * y), f = t.R - t.r;
                if (rho <= f) return d[2];
                double u = rho - f, q = t.r * t.r - u * u;
                double hp = q > 0 ? u / std::sqrt(q) : std::numeric_limits<double>::infinity();
                return d[2] - hp * (Bq + s * A) / rho;
            };
            double a0 = lo, b0 = hi, fa = gp(a0), fb = gp(b0);
            if (!(fa > 0) || !(fb < 0)) continue;  // the maximum lies at an end
            int last = 0;
            for (int it = 0; it < 200 && b0 - a0 > 1e-13; ++it) {
                double m = 0.5 * (a0 + b0);
                if (it % 4 != 3 && std::isfinite(fa) && std::isfinite(fb)) {
                    double q = b0 - fb * (b0 - a0) / (fb - fa);
                    if (q > a0 && q < b0) m = q;
                }
                double fm = gp(m);
                if (fm == 0) {
                    a0 = b0 = m;
                    break;
                }
                if (fm > 0) {
                    a0 = m, fa = fm;
                    if (last == 1) fb *= 0.5;
                    last = 1;
                } else {
                    b0 = m, fb = fm;
                    if (last == 2) fa *= 0.5;
                    last = 2;
                }
            }
            best = std::max({best, g(a0), g(b0)});
            continue;
        }
        double x0 = lo, x1 = hi;
        const double gr = 0.6180339887498949;
        double c = x1 - gr * (x1 - x0), e = x0 + gr * (x1 - x0);
        double gc = g(c), ge = g(e);
        for (int it = 0; it < 90 && x1 - x0 > 1e-9; ++it) {
            if (gc < ge) {
                x0 = c, c = e, gc = ge, e = x0 + gr * (x1 - x0), ge = g(e);
            } else {
                x1 = e, e = c, ge = gc, c = x1 - gr * (x1 - x0), gc = g(c);
            }
        }
        best = std::max({best, gc, ge});
    }
    return best;
}

// Triangles bucketed on a uniform XY grid by their boxes, for dropping over
// many of them. A triangle never lifts the tip above its highest vertex
// lowered by the tool's surface at the nearest XY distance of its box: the
// candidates are walked by that bound and the walk stops below the best.
struct Buckets {
    double x0, y0, cell;
    int nx, ny;
    std::vector<std::vector<int>> cells;
    std::vector<double> tri;  // nine values per triangle
    std::vector<double> box;  // xl, yl, xh, yh, top per triangle
    mutable std::vector<int> mark;
    mutable int stamp = 0;

    void build(const std::vector<double>& t, double c)
    {
        tri = t;
        cell = c;
        size_t n = tri.size() / 9;
        box.assign(5 * n, 0.0);
        double xl = 1e300, yl = 1e300, xh = -1e300, yh = -1e300;
        for (size_t i = 0; i < n; ++i) {
            const double* v = &tri[9 * i];
            double* b = &box[5 * i];
            b[0] = std::min({v[0], v[3], v[6]}), b[2] = std::max({v[0], v[3], v[6]});
            b[1] = std::min({v[1], v[4], v[7]}), b[3] = std::max({v[1], v[4], v[7]});
            b[4] = std::max({v[2], v[5], v[8]});
            xl = std::min(xl, b[0]), xh = std::max(xh, b[2]), yl = std::min(yl, b[1]), yh = std::max(yh, b[3]);
        }
        x0 = xl, y0 = yl;
        nx = static_cast<int>((xh - xl) / c) + 1;
        ny = static_cast<int>((yh - yl) / c) + 1;
        cells.assign(static_cast<size_t>(nx) * ny, {});
        for (size_t i = 0; i < n; ++i) {
            const double* b = &box[5 * i];
            for (int j = cy(b[1]); j <= cy(b[3]); ++j)
                for (int k = cx(b[0]); k <= cx(b[2]); ++k) cells[static_cast<size_t>(j) * nx + k].push_back(static_cast<int>(i));
        }
    }
    int cx(double x) const { return std::clamp(static_cast<int>((x - x0) / cell), 0, nx - 1); }
    int cy(double y) const { return std::clamp(static_cast<int>((y - y0) / cell), 0, ny - 1); }

    // Triangles whose boxes may meet the XY box grown by reach.
    std::vector<int> near(double xl, double yl, double xh, double yh, double reach) const
    {
        reach += 1e-6;
        std::vector<int> seen;
        ++stamp;
        if (mark.size() != tri.size() / 9) mark.assign(tri.size() / 9, 0);
        for (int j = cy(yl - reach); j <= cy(yh + reach); ++j)
            for (int k = cx(xl - reach); k <= cx(xh + reach); ++k)
                for (int i : cells[static_cast<size_t>(j) * nx + k])
                    if (mark[i] != stamp) mark[i] = stamp, seen.push_back(i);
        return seen;
    }
    std::vector<int> near(const double* p, double rmax) const { return near(p[0], p[1], p[0], p[1], rmax); }

    // Nearest XY distance from p to the box of triangle i.
    double box_distance(const double* p, int i) const
    {
        const double* b = &box[5 * i];
        double gx = std::max({b[0] - p[0], 0.0, p[0] - b[2]}), gy = std::max({b[1] - p[1], 0.0, p[1] - b[3]});
        return std::sqrt(gx * gx + gy * gy);
    }
    // Raises best by triangle i where its bound allows.
    void try_triangle(const Tool& t, const double* p, int i, double& best) const
    {
        double dmin = box_distance(p, i);
        if (dmin > t.rmax() || box[5 * i + 4] - t.h(dmin) <= best) return;
        double v[3][3];
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b) v[a][b] = tri[9 * i + 3 * a + b];
        best = std::max(best, drop(t, p, v, best));
    }

    // Highest tip over every triangle within reach; NONE when none.
    double drop_all(const Tool& t, const double* p) const
    {
        double best = NONE;
        std::vector<std::pair<double, int>> order;
        for (int i : near(p, t.rmax())) {
            double dmin = box_distance(p, i);
            if (dmin <= t.rmax()) order.push_back({box[5 * i + 4] - t.h(dmin), i});
        }
        std::sort(order.begin(), order.end(), [](auto& a, auto& b) { return a.first > b.first; });
        for (auto [bound, i] : order) {
            if (bound <= best) break;
            try_triangle(t, p, i, best);
        }
        return best;
    }

    // The triangles near a stretch of XY points, highest vertex first, and
    // the one that carried the tip last (tried first at the next point).
    struct Stretch {
        std::vector<std::pair<double, int>> by_top;
        int last = -1;
    };
    Stretch stretch(const Tool& t, const double* p, const double* q, double margin = 0.0) const
    {
        Stretch s;
        for (int i : near(std::min(p[0], q[0]), std::min(p[1], q[1]), std::max(p[0], q[0]), std::max(p[1], q[1]),
                          t.rmax() + margin))
            s.by_top.push_back({box[5 * i + 4], i});
        std::sort(s.by_top.begin(), s.by_top.end(), [](auto& a, auto& b) { return a.first > b.first; });
        return s;
    }
    // Highest tip at p, a point of the stretch (or within its margin).
    double drop_along(const Tool& t, const double* p, Stretch& s) const
    {
        double best = NONE;
        if (s.last >= 0) try_triangle(t, p, s.last, best);
        for (auto [top, i] : s.by_top) {
            if (top <= best) break;
            double before = best;
            try_triangle(t, p, i, best);
            if (best > before) s.last = i;
        }
        return best;
    }
};

}  // namespace dropref
