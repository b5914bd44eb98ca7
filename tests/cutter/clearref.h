// Reference clearance between a tool of revolution and a triangle, from the
// geometry alone, in double precision. The tool is a convex solid (flat,
// corner-radius or ball end on an endless shank, or a tapered tool whose
// flank meets the shank), grown by an allowance e >= 0 all round; its signed
// distance function sdf (negative inside) is the distance in the meridian
// half-plane to the boundary of its profile. The clearance of a triangle is
// the smallest sdf over the triangle's points. sdf is convex and 1-Lipschitz,
// so that minimum is the minimum over the triangle's plane when the plane's
// minimiser lies in the triangle, else the smallest over the three edges;
// each is a one-dimensional convex search (golden section), the plane's on
// the line where the plane meets the vertical plane of symmetry through the
// axis and the plane's fall line.
#pragma once

#include <algorithm>
#include <cmath>

namespace clearref {

struct Tool {
    bool tapered = false;
    // Untapered: radius and corner radius after growing (0 <= r <= R).
    double R = 0, r = 0;
    // Tapered: diameter at the sharp profile's tip, corner radius, cut
    // length, flank angle (radians) and the allowance grown all round.
    double D = 0, rc = 0, L = 0, a = 0, e = 0;
    double sa = 0, ca = 1;  // sine and cosine of a
};

// Untapered tool of radius R and corner r, both grown by e.
inline Tool mill(double R, double r, double e)
{
    Tool t;
    t.R = R + e;
    t.r = std::min(std::max(r + e, 0.0), t.R);
    return t;
}

inline Tool taper(double D, double rc, double L, double a, double e)
{
    Tool t;
    t.tapered = true;
    t.D = D, t.rc = rc, t.L = L, t.a = a, t.e = e;
    t.sa = std::sin(a), t.ca = std::cos(a);
    return t;
}

namespace detail {

inline double seg(double px, double pz, double ax, double az, double bx, double bz)
{
    double dx = bx - ax, dz = bz - az, l = dx * dx + dz * dz;
    double t = l > 0 ? ((px - ax) * dx + (pz - az) * dz) / l : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - ax - t * dx, pz - az - t * dz);
}

// Tapered profile without the allowance, tip at height 0: its signed
// distance at (rho, z), rho >= 0.
inline double sdf_taper(const Tool& t, double rho, double z)
{
    const double sa = t.sa, ca = t.ca, ta = sa / ca;
    const double R = t.D / 2, r = t.rc;
    const double f = R - r * (1 - sa) / ca;     // corner centres' radius
    const double zt = r * (1 - sa);             // where the corner meets the flank
    const double top = R + t.L * ta;            // flank's top radius
    double d = 1e300;
    if (f > 0) d = std::min(d, seg(rho, z, 0, 0, f, 0));
    // corner arc from straight down to the flank's normal (cos a, -sin a)
    {
        double px = rho - f, pz = z - r;
        double ang = std::atan2(pz, px);
        if (ang >= -M_PI / 2 && ang <= -t.a)
            d = std::min(d, std::fabs(std::hypot(px, pz) - r));
        else
            d = std::min(d, std::min(std::hypot(rho - f, z), std::hypot(rho - f - r * ca, z - zt)));
    }
    d = std::min(d, seg(rho, z, f + r * ca, zt, top, t.L));
    if (z >= t.L)
        d = std::min(d, std::fabs(rho - top));
    else
        d = std::min(d, std::hypot(rho - top, z - t.L));
    bool in = z >= 0;
    if (in) {
        double lim;
        if (z < zt) {
            double q = r * r - (r - z) * (r - z);
            lim = f + std::sqrt(q > 0 ? q : 0);
        } else if (z <= t.L) {
            lim = R + z * ta;
        } else {
            lim = top;
        }
        in = rho <= lim;
    }
    return in ? -d : d;
}

}  // namespace detail

// Signed distance of point p from the tool with its lowest point at tip.
inline double sdf(const Tool& t, const double* tip, const double* p)
{
    const double rho = std::hypot(p[0] - tip[0], p[1] - tip[1]);
    const double z = p[2] - tip[2];
    if (t.tapered) return detail::sdf_taper(t, rho, z - t.e) - t.e;
    // rounded strip: the strip rho <= R - r, z >= r, grown by r
    const double dx = rho - (t.R - t.r), dz = t.r - z;
    double k;
    if (dx > 0 || dz > 0)
        k = std::hypot(std::max(dx, 0.0), std::max(dz, 0.0));
    else
        k = std::max(dx, dz);
    return k - t.r;
}

// Distance of p from the triangle v (nine values).
inline double off_triangle(const double* v, const double* p)
{
    double e1[3], e2[3], d[3];
    for (int c = 0; c < 3; ++c) e1[c] = v[3 + c] - v[c], e2[c] = v[6 + c] - v[c], d[c] = p[c] - v[c];
    double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0;
    for (int c = 0; c < 3; ++c) {
        a11 += e1[c] * e1[c], a12 += e1[c] * e2[c], a22 += e2[c] * e2[c];
        b1 += d[c] * e1[c], b2 += d[c] * e2[c];
    }
    const double det = a11 * a22 - a12 * a12;
    double best = 1e300;
    if (det > 1e-300) {
        const double u = (b1 * a22 - b2 * a12) / det, w = (b2 * a11 - b1 * a12) / det;
        if (u >= 0 && w >= 0 && u + w <= 1) {
            double f[3];
            for (int c = 0; c < 3; ++c) f[c] = v[c] + u * e1[c] + w * e2[c] - p[c];
            best = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
        }
    }
    for (int j = 0; j < 3; ++j) {
        const double* A = v + 3 * j;
        const double* B = v + 3 * ((j + 1) % 3);
        double ab[3], ap[3], l = 0, t = 0;
        for (int c = 0; c < 3; ++c) ab[c] = B[c] - A[c], ap[c] = p[c] - A[c], l += ab[c] * ab[c], t += ab[c] * ap[c];
        t = l > 0 ? std::clamp(t / l, 0.0, 1.0) : 0.0;
        double f = 0;
        for (int c = 0; c < 3; ++c) f += (ap[c] - t * ab[c]) * (ap[c] - t * ab[c]);
        best = std::min(best, std::sqrt(f));
    }
    return best;
}

// Minimum of a convex function on [lo, hi] by golden section; x receives
// the minimiser.
template <class F>
inline double golden(F f, double lo, double hi, double& x, int iters = 90)
{
    const double g = 0.3819660112501051;
    double a = lo, b = hi;
    double c = a + g * (b - a), d = b - g * (b - a);
    double fc = f(c), fd = f(d);
    for (int i = 0; i < iters && b - a > 1e-14 * (1 + std::fabs(a) + std::fabs(b)); ++i) {
        if (fc <= fd) {
            b = d, d = c, fd = fc;
            c = a + g * (b - a), fc = f(c);
        } else {
            a = c, c = d, fc = fd;
            d = b - g * (b - a), fd = f(d);
        }
    }
    double fa = f(lo), fb = f(hi), best = fc;
    x = c;
    if (fd < best) best = fd, x = d;
    if (fa < best) best = fa, x = lo;
    if (fb < best) best = fb, x = hi;
    return best;
}

// Smallest signed distance between the tool (lowest point at tip) and the
// triangle v (nine values); where receives a point that realises it.
inline double clearance(const Tool& t, const double* tip, const double* v, double* where = nullptr)
{
    auto f = [&](const double* p) { return sdf(t, tip, p); };
    double best = 1e300, at[3] = {0, 0, 0};
    for (int j = 0; j < 3; ++j) {
        const double* A = v + 3 * j;
        const double* B = v + 3 * ((j + 1) % 3);
        auto g = [&](double s) {
            double p[3] = {A[0] + s * (B[0] - A[0]), A[1] + s * (B[1] - A[1]), A[2] + s * (B[2] - A[2])};
            return f(p);
        };
        double s = 0, m = golden(g, 0.0, 1.0, s);
        if (m < best) {
            best = m;
            for (int c = 0; c < 3; ++c) at[c] = A[c] + s * (B[c] - A[c]);
        }
    }
    // The plane: its minimiser along the line of symmetry, kept when it lies
    // inside the triangle.
    double e1[3], e2[3], n[3];
    for (int c = 0; c < 3; ++c) e1[c] = v[3 + c] - v[c], e2[c] = v[6 + c] - v[c];
    n[0] = e1[1] * e2[2] - e1[2] * e2[1];
    n[1] = e1[2] * e2[0] - e1[0] * e2[2];
    n[2] = e1[0] * e2[1] - e1[1] * e2[0];
    double nl = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    double size = std::max({std::sqrt(e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2]),
                            std::sqrt(e2[0] * e2[0] + e2[1] * e2[1] + e2[2] * e2[2])});
    if (nl > 1e-12 * size * size) {
        for (double& c : n) c /= nl;
        double hl = std::hypot(n[0], n[1]);
        double u[3] = {1, 0, 0};
        if (hl > 1e-12) u[0] = n[0] / hl, u[1] = n[1] / hl;
        const double nu = n[0] * u[0] + n[1] * u[1];
        // direction of the line: in the plane and in the vertical plane of u
        double dir[3] = {n[2] * u[0], n[2] * u[1], -nu};
        double dl = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
        for (double& c : dir) c /= dl;
        // a point of the line: from the axis point at the tip, vertically, or
        // along u for a vertical plane
        double p0[3] = {tip[0], tip[1], tip[2]};
        double s0 = (p0[0] - v[0]) * n[0] + (p0[1] - v[1]) * n[1] + (p0[2] - v[2]) * n[2];
        if (std::fabs(n[2]) > 1e-9) {
            p0[2] -= s0 / n[2];
        } else {
            for (int c = 0; c < 3; ++c) p0[c] -= s0 / nu * u[c];
        }
        // the search covers the triangle's extent along the line
        double lo = 1e300, hi = -1e300;
        for (int j = 0; j < 3; ++j) {
            double s = 0;
            for (int c = 0; c < 3; ++c) s += (v[3 * j + c] - p0[c]) * dir[c];
            lo = std::min(lo, s), hi = std::max(hi, s);
        }
        lo -= 1e-3 * size, hi += 1e-3 * size;
        auto g = [&](double s) {
            double p[3] = {p0[0] + s * dir[0], p0[1] + s * dir[1], p0[2] + s * dir[2]};
            return f(p);
        };
        double s = 0, m = golden(g, lo, hi, s);
        double x[3] = {p0[0] + s * dir[0], p0[1] + s * dir[1], p0[2] + s * dir[2]};
        // inside the triangle: orthogonal barycentrics
        double d[3] = {x[0] - v[0], x[1] - v[1], x[2] - v[2]};
        double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0;
        for (int c = 0; c < 3; ++c) {
            a11 += e1[c] * e1[c], a12 += e1[c] * e2[c], a22 += e2[c] * e2[c];
            b1 += d[c] * e1[c], b2 += d[c] * e2[c];
        }
        double det = a11 * a22 - a12 * a12;
        double bu = (b1 * a22 - b2 * a12) / det, bv = (b2 * a11 - b1 * a12) / det;
        if (bu >= 0 && bv >= 0 && bu + bv <= 1 && m < best) {
            best = m;
            for (int c = 0; c < 3; ++c) at[c] = x[c];
        }
    }
    if (where)
        for (int c = 0; c < 3; ++c) where[c] = at[c];
    return best;
}

}  // namespace clearref
