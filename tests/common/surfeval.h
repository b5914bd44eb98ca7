// The tests' own evaluation of the part surfaces from their descriptions in
// a session (plane patches, B-spline and rational B-spline surfaces with an
// optional frame, surfaces of revolution, each possibly offset along its
// normal), written from the description alone: the module's surface buffer
// and the stand-in host's evaluator are not used. A dense triangulation of
// a surface, with the largest distance measured between it and the exact
// surface, carries the reference drop of a tool over the exact surfaces.
#pragma once

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "dropref.h"

namespace surfeval {

using json = nlohmann::json;

// B-spline basis functions of degree p at t (Cox-de Boor), the span found
// in the clamped knot vector U with n control points.
inline int span(const std::vector<double>& U, int p, int n, double t)
{
    if (t >= U[size_t(n)]) {
        int k = n - 1;
        while (k > p && U[size_t(k)] >= U[size_t(k) + 1]) --k;
        return k;
    }
    if (t <= U[size_t(p)]) {
        int k = p;
        while (k < n - 1 && U[size_t(k) + 1] <= U[size_t(p)]) ++k;
        return k;
    }
    int k = p;
    while (k < n - 1 && !(t >= U[size_t(k)] && t < U[size_t(k) + 1])) ++k;
    return k;
}

// Degrees up to 15.
struct Basis {
    double N[16];
    double operator[](size_t i) const { return N[i]; }
};

inline Basis basis(const std::vector<double>& U, int p, int k, double t)
{
    Basis b{};
    double left[16], right[16];
    b.N[0] = 1.0;
    for (int j = 1; j <= p; ++j) {
        left[j] = t - U[size_t(k + 1 - j)];
        right[j] = U[size_t(k + j)] - t;
        double saved = 0.0;
        for (int r = 0; r < j; ++r) {
            const double den = right[r + 1] + left[j - r];
            const double tmp = den != 0.0 ? b.N[r] / den : 0.0;
            b.N[r] = saved + right[r + 1] * tmp;
            saved = left[j - r] * tmp;
        }
        b.N[j] = saved;
    }
    return b;
}

struct Frame {
    double o[3] = {0, 0, 0}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0}, z[3] = {0, 0, 1};
    void to_world(const double* l, double* w) const
    {
        for (int a = 0; a < 3; ++a) w[a] = o[a] + l[0] * x[a] + l[1] * y[a] + l[2] * z[a];
    }
};

inline void unit(double* v)
{
    const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (l > 0) v[0] /= l, v[1] /= l, v[2] /= l;
}

inline Frame frame_of(const std::vector<double>& o, std::vector<double> z, std::vector<double> x)
{
    Frame f;
    unit(z.data());
    const double d = x[0] * z[0] + x[1] * z[1] + x[2] * z[2];
    for (int a = 0; a < 3; ++a) x[a] -= d * z[a];
    unit(x.data());
    for (int a = 0; a < 3; ++a) f.o[a] = o[a], f.x[a] = x[a], f.z[a] = z[a];
    f.y[0] = z[1] * x[2] - z[2] * x[1];
    f.y[1] = z[2] * x[0] - z[0] * x[2];
    f.y[2] = z[0] * x[1] - z[1] * x[0];
    return f;
}

// One surface of a session, evaluated at (u, v) of its own parameter ranges.
struct Surface {
    enum Kind { PLANE, NURBS, REVOLUTION } kind = PLANE;
    double u0 = 0, u1 = 1, v0 = 0, v1 = 1;
    double offset = 0;
    // plane
    double O[3] = {0, 0, 0}, U[3] = {1, 0, 0}, V[3] = {0, 1, 0};
    // B-spline (the profile of a revolution in its u)
    int p = 1, q = 1, nu = 2, nv = 2;
    std::vector<double> ku, kv;
    std::vector<double> pts;  // x y z w, u running fastest
    bool framed = false;
    Frame fr;

    static std::vector<double> nums(const json& a)
    {
        std::vector<double> v;
        for (const auto& x : a) v.push_back(x.get<double>());
        return v;
    }
    static std::vector<double> points(const json& d, size_t n)
    {
        std::vector<double> w;
        if (d.contains("weights")) w = nums(d["weights"]);
        std::vector<double> out;
        const json& ps = d["points"];
        if (ps.size() != n) throw std::runtime_error("surfeval: wrong number of control points");
        for (size_t i = 0; i < n; ++i) {
            auto c = nums(ps[i]);
            const double wt = c.size() == 4 ? c[3] : (w.empty() ? 1.0 : w[i]);
            out.insert(out.end(), {c[0], c[1], c[2], wt});
        }
        return out;
    }

    explicit Surface(const json& d)
    {
        const std::string k = d["kind"].get<std::string>();
        if (k == "plane_patch") {
            kind = PLANE;
            auto o = nums(d["origin"]), a = nums(d["u_axis"]), b = nums(d["v_axis"]);
            for (int c = 0; c < 3; ++c) O[c] = o[size_t(c)], U[c] = a[size_t(c)], V[c] = b[size_t(c)];
            if (d.contains("u")) u0 = d["u"][0].get<double>(), u1 = d["u"][1].get<double>();
            if (d.contains("v")) v0 = d["v"][0].get<double>(), v1 = d["v"][1].get<double>();
        } else if (k == "nurbs_surface") {
            kind = NURBS;
            p = d["degree"][0].get<int>(), q = d["degree"][1].get<int>();
            nu = d["counts"][0].get<int>(), nv = d["counts"][1].get<int>();
            ku = nums(d["u_knots"]), kv = nums(d["v_knots"]);
            pts = points(d, size_t(nu) * size_t(nv));
            u0 = ku[size_t(p)], u1 = ku[size_t(nu)], v0 = kv[size_t(q)], v1 = kv[size_t(nv)];
            if (d.contains("frame")) {
                const json& f = d["frame"];
                framed = true;
                fr = frame_of(nums(f["origin"]), nums(f["axis"]), nums(f["ref"]));
            }
        } else if (k == "revolution") {
            kind = REVOLUTION;
            const json& pr = d["profile"];
            p = pr["degree"].get<int>(), nu = pr["count"].get<int>();
            ku = nums(pr["knots"]);
            pts = points(pr, size_t(nu));
            u0 = ku[size_t(p)], u1 = ku[size_t(nu)];
            v0 = 0, v1 = 360;
            if (d.contains("angle")) v0 = d["angle"][0].get<double>(), v1 = d["angle"][1].get<double>();
            std::vector<double> axis = d.contains("axis") ? nums(d["axis"]) : std::vector<double>{0, 0, 1};
            std::vector<double> ref = std::fabs(axis[0]) < 0.9 * std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2])
                                          ? std::vector<double>{1, 0, 0}
                                          : std::vector<double>{0, 1, 0};
            if (d.contains("ref")) ref = nums(d["ref"]);
            fr = frame_of(d.contains("origin") ? nums(d["origin"]) : std::vector<double>{0, 0, 0}, axis, ref);
        } else {
            throw std::runtime_error("surfeval: not a surface: " + k);
        }
        if (d.contains("offset")) offset = d["offset"].get<double>();
    }

    // The base surface's point (no offset).
    void base(double u, double v, double* P) const
    {
        if (kind == PLANE) {
            for (int c = 0; c < 3; ++c) P[c] = O[c] + u * U[c] + v * V[c];
            return;
        }
        if (kind == REVOLUTION) {
            const int k = span(ku, p, nu, u);
            const auto N = basis(ku, p, k, u);
            double h[4] = {0, 0, 0, 0};
            for (int i = 0; i <= p; ++i) {
                const double* c = &pts[size_t(4 * (k - p + i))];
                for (int a = 0; a < 3; ++a) h[a] += N[size_t(i)] * c[3] * c[a];
                h[3] += N[size_t(i)] * c[3];
            }
            const double l[3] = {h[0] / h[3], h[1] / h[3], h[2] / h[3]};
            const double an = v * M_PI / 180.0, cs = std::cos(an), sn = std::sin(an);
            const double r[3] = {l[0] * cs - l[1] * sn, l[0] * sn + l[1] * cs, l[2]};
            fr.to_world(r, P);
            return;
        }
        const int ks = span(ku, p, nu, u), ls = span(kv, q, nv, v);
        const auto Nu = basis(ku, p, ks, u), Nv = basis(kv, q, ls, v);
        double h[4] = {0, 0, 0, 0};
        for (int j = 0; j <= q; ++j)
            for (int i = 0; i <= p; ++i) {
                const double* c = &pts[size_t(4 * ((ls - q + j) * nu + (ks - p + i)))];
                const double w = Nu[size_t(i)] * Nv[size_t(j)] * c[3];
                for (int a = 0; a < 3; ++a) h[a] += w * c[a];
                h[3] += w;
            }
        const double l[3] = {h[0] / h[3], h[1] / h[3], h[2] / h[3]};
        if (framed)
            fr.to_world(l, P);
        else
            P[0] = l[0], P[1] = l[1], P[2] = l[2];
    }

    // Unit normal of the base surface (du x dv), by central differences
    // kept inside the ranges; false where it is not defined.
    bool normal(double u, double v, double* n) const
    {
        const double hu = 1e-6 * std::max(1.0, std::fabs(u1 - u0)), hv = 1e-6 * std::max(1.0, std::fabs(v1 - v0));
        const double ua = std::max(u0, u - hu), ub = std::min(u1, u + hu);
        const double va = std::max(v0, v - hv), vb = std::min(v1, v + hv);
        double a[3], b[3], c[3], d[3];
        base(ub, v, a), base(ua, v, b), base(u, vb, c), base(u, va, d);
        const double su[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]}, sv[3] = {c[0] - d[0], c[1] - d[1], c[2] - d[2]};
        n[0] = su[1] * sv[2] - su[2] * sv[1];
        n[1] = su[2] * sv[0] - su[0] * sv[2];
        n[2] = su[0] * sv[1] - su[1] * sv[0];
        const double l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (!(l > 0)) return false;
        for (int k = 0; k < 3; ++k) n[k] /= l;
        return true;
    }

    // The surface's point, offset along its normal when it has an offset.
    void eval(double u, double v, double* P) const
    {
        base(u, v, P);
        if (offset == 0.0) return;
        double n[3];
        if (normal(u, v, n))
            for (int k = 0; k < 3; ++k) P[k] += offset * n[k];
    }
};

// The surfaces among a session's entities, by id.
inline std::vector<std::pair<int, Surface>> surfaces_of(const json& session)
{
    std::vector<std::pair<int, Surface>> out;
    for (const auto& e : session["entities"]) {
        const std::string k = e["kind"].get<std::string>();
        if (k == "plane_patch" || k == "nurbs_surface" || k == "revolution")
            out.emplace_back(e.contains("id") ? e["id"].get<int>() : 0, Surface(e));
    }
    return out;
}

// A triangulation of a surface on an n x m grid of its parameters (nine
// values a triangle, appended to tri), and the largest distance between the
// triangles and the exact surface, measured at the middle of each edge and
// of each triangle against the exact point of the same parameters and along
// the vertical (the larger of the two kept).
inline double triangulate(const Surface& s, int n, int m, std::vector<double>& tri)
{
    std::vector<double> g(size_t(3 * (n + 1) * (m + 1)));
    auto par = [](double a, double b, int i, int k) { return a + (b - a) * i / k; };
    for (int j = 0; j <= m; ++j)
        for (int i = 0; i <= n; ++i) s.eval(par(s.u0, s.u1, i, n), par(s.v0, s.v1, j, m), &g[size_t(3 * (j * (n + 1) + i))]);
    double sag = 0;
    auto at = [&](int i, int j) { return &g[size_t(3 * (j * (n + 1) + i))]; };
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < n; ++i) {
            const double *a = at(i, j), *b = at(i + 1, j), *c = at(i + 1, j + 1), *d = at(i, j + 1);
            for (const double* t : {a, b, c, a, c, d}) tri.insert(tri.end(), t, t + 3);
            // Middles: the cell's centre on the diagonal a-c, the edges a-b and a-d.
            const double ui = par(s.u0, s.u1, i, n), uj = par(s.u0, s.u1, i + 1, n);
            const double vi = par(s.v0, s.v1, j, m), vj = par(s.v0, s.v1, j + 1, m);
            const struct {
                double u, v;
                const double *p, *q;
            } mids[] = {{0.5 * (ui + uj), 0.5 * (vi + vj), a, c}, {0.5 * (ui + uj), vi, a, b}, {ui, 0.5 * (vi + vj), a, d}};
            for (const auto& md : mids) {
                double e[3];
                s.eval(md.u, md.v, e);
                const double mx[3] = {0.5 * (md.p[0] + md.q[0]), 0.5 * (md.p[1] + md.q[1]), 0.5 * (md.p[2] + md.q[2])};
                sag = std::max(sag, std::sqrt((e[0] - mx[0]) * (e[0] - mx[0]) + (e[1] - mx[1]) * (e[1] - mx[1]) +
                                              (e[2] - mx[2]) * (e[2] - mx[2])));
            }
            // A third of the way in each triangle.
            for (int t = 0; t < 2; ++t) {
                const double* o = t == 0 ? b : d;
                const double uo = t == 0 ? uj : ui, vo = t == 0 ? vi : vj;
                double e[3];
                s.eval((ui + uj + uo) / 3, (vi + vj + vo) / 3, e);
                const double mx[3] = {(a[0] + c[0] + o[0]) / 3, (a[1] + c[1] + o[1]) / 3, (a[2] + c[2] + o[2]) / 3};
                sag = std::max(sag, std::sqrt((e[0] - mx[0]) * (e[0] - mx[0]) + (e[1] - mx[1]) * (e[1] - mx[1]) +
                                              (e[2] - mx[2]) * (e[2] - mx[2])));
            }
        }
    return sag;
}

// The reference drop over exact surfaces: each surface triangulated with
// cells of about `cell` along its parameter lines, and the largest distance
// measured between those triangles and the surfaces (`sag`).
struct Reference {
    dropref::Buckets bk;
    double sag = 0;
    int triangles = 0;

    Reference(const std::vector<Surface>& surfaces, double cell)
    {
        std::vector<double> tri;
        for (const Surface& srf : surfaces) {
            double a[3], b[3], c[3];
            srf.eval(srf.u0, srf.v0, a), srf.eval(srf.u1, srf.v0, b), srf.eval(srf.u0, srf.v1, c);
            const double lu = std::hypot(std::hypot(b[0] - a[0], b[1] - a[1]), b[2] - a[2]);
            const double lv = std::hypot(std::hypot(c[0] - a[0], c[1] - a[1]), c[2] - a[2]);
            const int n = std::max(8, int(lu / cell)), m = std::max(8, int(lv / cell));
            sag = std::max(sag, triangulate(srf, n, m, tri));
        }
        triangles = int(tri.size() / 9);
        bk.build(tri, 2.0);
    }
};

}  // namespace surfeval
