// Surfaces of the part: loading from the session file and exact evaluation
// (plane patches, rational B-spline surfaces, surfaces of revolution, each
// possibly trimmed and offset).
#include "platform/norak/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/norak/session.h"
#include "platform/norak/state.h"

namespace norak {

namespace {

constexpr int MAX_DEGREE = 15;

// ------------------------------------------------------------ B-spline basis

// Knot span index of u in knots[0 .. n+p+1], n + 1 control points.
int find_span(int n, int p, f64 u, const f64* U)
{
    if (u >= U[n + 1]) {
        // the last non-empty span
        int k = n;
        while (k > p && U[k] >= U[k + 1]) --k;
        return k;
    }
    if (u <= U[p]) {
        int k = p;
        while (k < n && U[k] >= U[k + 1]) ++k;
        return k;
    }
    int lo = p, hi = n + 1, mid = (lo + hi) / 2;
    while (u < U[mid] || u >= U[mid + 1]) {
        if (u < U[mid]) hi = mid;
        else lo = mid;
        mid = (lo + hi) / 2;
    }
    return mid;
}

// Basis functions N[0..p] and their first derivatives D[0..p] at u.
void basis_ders(int i, f64 u, int p, const f64* U, f64* N, f64* D)
{
    f64 ndu[MAX_DEGREE + 1][MAX_DEGREE + 1];
    f64 left[MAX_DEGREE + 1], right[MAX_DEGREE + 1];
    ndu[0][0] = 1.0;
    for (int j = 1; j <= p; ++j) {
        left[j] = u - U[i + 1 - j];
        right[j] = U[i + j] - u;
        f64 saved = 0.0;
        for (int r = 0; r < j; ++r) {
            ndu[j][r] = right[r + 1] + left[j - r];
            f64 t = ndu[j][r] != 0.0 ? ndu[r][j - 1] / ndu[j][r] : 0.0;
            ndu[r][j] = saved + right[r + 1] * t;
            saved = left[j - r] * t;
        }
        ndu[j][j] = saved;
    }
    for (int j = 0; j <= p; ++j) N[j] = ndu[j][p];
    if (p == 0) {
        D[0] = 0.0;
        return;
    }
    for (int r = 0; r <= p; ++r) {
        f64 d = 0.0;
        if (r >= 1 && ndu[p][r - 1] != 0.0) d += ndu[r - 1][p - 1] / ndu[p][r - 1];
        if (r <= p - 1 && ndu[p][r] != 0.0) d -= ndu[r][p - 1] / ndu[p][r];
        D[r] = d * p;
    }
}

// Rational curve point and derivative from homogeneous sums.
void nurbs_curve(int p, int n, const f64* U, const f64* P /* x y z w */, f64 u, f64* c, f64* dc)
{
    int span = find_span(n - 1, p, u, U);
    f64 N[MAX_DEGREE + 1], D[MAX_DEGREE + 1];
    basis_ders(span, u, p, U, N, D);
    f64 A[3] = {0, 0, 0}, Ad[3] = {0, 0, 0}, W = 0, Wd = 0;
    for (int k = 0; k <= p; ++k) {
        const f64* q = P + 4 * (span - p + k);
        f64 w = q[3];
        for (int a = 0; a < 3; ++a) {
            A[a] += N[k] * w * q[a];
            Ad[a] += D[k] * w * q[a];
        }
        W += N[k] * w;
        Wd += D[k] * w;
    }
    for (int a = 0; a < 3; ++a) {
        c[a] = A[a] / W;
        dc[a] = (Ad[a] - Wd * c[a]) / W;
    }
}

void cross(const f64* a, const f64* b, f64* c)
{
    c[0] = a[1] * b[2] - a[2] * b[1];
    c[1] = a[2] * b[0] - a[0] * b[2];
    c[2] = a[0] * b[1] - a[1] * b[0];
}
f64 norm(const f64* a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }

// World vector of a local one through the frame's axes.
void to_world(const f64* b, const f64* l, f64* w, bool point)
{
    const f64* M = b + SB_MATRIX;
    for (int a = 0; a < 3; ++a) w[a] = M[a] * l[0] + M[3 + a] * l[1] + M[6 + a] * l[2] + (point ? b[SB_ORIGIN + a] : 0.0);
}

}  // namespace

bool bspline_point(int order, int n, const f64* U, const f64* P, f64 u, f64* c)
{
    const int p = order - 1;
    if (p < 1 || p > MAX_DEGREE || n < order) return false;
    std::vector<f64> h(static_cast<size_t>(4 * n));
    for (int k = 0; k < n; ++k) {
        for (int a = 0; a < 3; ++a) h[static_cast<size_t>(4 * k + a)] = P[3 * k + a];
        h[static_cast<size_t>(4 * k + 3)] = 1.0;
    }
    f64 d[3];
    nurbs_curve(p, n, U, h.data(), u, c, d);
    return true;
}

bool buffer_sound(const f64* b)
{
    if (!b || b[SB_TAG] != SB_MAGIC) return false;
    f64 k = b[SB_KIND], len = b[SB_LEN];
    if (k != SK_PLANE && k != SK_NURBS && k != SK_REVOL) return false;
    if (!(len >= SB_DATA && len <= SB_CAP)) return false;
    if (!(b[SB_LIM + 2] > 0.0) || !(b[SB_LIM + 5] > 0.0)) return false;
    return true;
}

bool eval_base(const f64* b, f64 u, f64 v, SrfEval& e)
{
    if (!buffer_sound(b) || !std::isfinite(u) || !std::isfinite(v)) return false;
    const f64* d = b + SB_DATA;
    switch (static_cast<int>(b[SB_KIND])) {
    case SK_PLANE:
        for (int a = 0; a < 3; ++a) {
            e.su[a] = d[3 + a];
            e.sv[a] = d[6 + a];
            e.p[a] = d[a] + u * d[3 + a] + v * d[6 + a];
        }
        return true;
    case SK_NURBS: {
        int p = static_cast<int>(d[0]), q = static_cast<int>(d[1]);
        int nu = static_cast<int>(d[2]), nv = static_cast<int>(d[3]);
        const f64* U = d + 4;
        const f64* V = U + nu + p + 1;
        const f64* P = V + nv + q + 1;
        u = std::clamp(u, U[p], U[nu]);
        v = std::clamp(v, V[q], V[nv]);
        int su = find_span(nu - 1, p, u, U), sv = find_span(nv - 1, q, v, V);
        f64 Nu[MAX_DEGREE + 1], Du[MAX_DEGREE + 1], Nv[MAX_DEGREE + 1], Dv[MAX_DEGREE + 1];
        basis_ders(su, u, p, U, Nu, Du);
        basis_ders(sv, v, q, V, Nv, Dv);
        f64 A[3] = {0, 0, 0}, Au[3] = {0, 0, 0}, Av[3] = {0, 0, 0}, W = 0, Wu = 0, Wv = 0;
        for (int l = 0; l <= q; ++l) {
            int j = sv - q + l;
            for (int k = 0; k <= p; ++k) {
                int i = su - p + k;
                const f64* c = P + 4 * (static_cast<size_t>(j) * nu + i);
                f64 w = c[3];
                f64 nn = Nu[k] * Nv[l] * w, nu_ = Du[k] * Nv[l] * w, nv_ = Nu[k] * Dv[l] * w;
                for (int a = 0; a < 3; ++a) {
                    A[a] += nn * c[a];
                    Au[a] += nu_ * c[a];
                    Av[a] += nv_ * c[a];
                }
                W += nn;
                Wu += nu_;
                Wv += nv_;
            }
        }
        if (!(W > 0.0)) return false;
        for (int a = 0; a < 3; ++a) {
            e.p[a] = A[a] / W;
            e.su[a] = (Au[a] - Wu * e.p[a]) / W;
            e.sv[a] = (Av[a] - Wv * e.p[a]) / W;
        }
        return true;
    }
    case SK_REVOL: {
        int p = static_cast<int>(d[0]), n = static_cast<int>(d[1]);
        const f64* U = d + 2;
        const f64* P = U + n + p + 1;
        u = std::clamp(u, U[p], U[n]);
        f64 c[3], dc[3];
        nurbs_curve(p, n, U, P, u, c, dc);
        f64 t = v * M_PI / 180.0, cs = std::cos(t), sn = std::sin(t);
        f64 lp[3] = {cs * c[0] - sn * c[1], sn * c[0] + cs * c[1], c[2]};
        f64 lu[3] = {cs * dc[0] - sn * dc[1], sn * dc[0] + cs * dc[1], dc[2]};
        f64 k = M_PI / 180.0;
        f64 lv[3] = {k * (-sn * c[0] - cs * c[1]), k * (cs * c[0] - sn * c[1]), 0.0};
        to_world(b, lp, e.p, true);
        to_world(b, lu, e.su, false);
        to_world(b, lv, e.sv, false);
        return true;
    }
    default:
        return false;
    }
}

namespace {
// Unit normal of the base surface; false where it is undefined.
bool base_normal(const SrfEval& e, f64* n)
{
    cross(e.su, e.sv, n);
    f64 l = norm(n), a = norm(e.su), c = norm(e.sv);
    // a vanishing derivative (pole) or parallel derivatives leave it undefined
    if (!(std::min(a, c) > 1e-9 * std::max(a, c)) || !(l > 1e-9 * a * c)) return false;
    for (int k = 0; k < 3; ++k) n[k] /= l;
    return true;
}

// The normal met nearest to (u, v) inside the parameter range.
bool nearby_normal(const f64* b, f64 u, f64 v, f64* n)
{
    f64 us = b[SB_LIM], uw = b[SB_LIM + 1], vs = b[SB_LIM + 3], vw = b[SB_LIM + 4];
    f64 du = std::max(std::fabs(uw), 1e-9), dv = std::max(std::fabs(vw), 1e-9);
    f64 uc = us + 0.5 * uw, vc = vs + 0.5 * vw;
    for (f64 f = 1e-7; f < 0.2; f *= 10.0) {
        f64 u2 = u + (uc > u ? f * du : -f * du), v2 = v + (vc > v ? f * dv : -f * dv);
        const f64 tries[3][2] = {{u2, v}, {u, v2}, {u2, v2}};
        for (const auto& t : tries) {
            SrfEval e;
            if (eval_base(b, t[0], t[1], e) && base_normal(e, n)) return true;
        }
    }
    return false;
}
}  // namespace

i32 eval_full(const f64* b, f64 u, f64 v, SrfEval& e)
{
    if (!eval_base(b, u, v, e)) return -1;
    i32 status = 0;
    if (!base_normal(e, e.n)) {
        status = 1;
        if (!nearby_normal(b, u, v, e.n)) e.n[0] = e.n[1] = e.n[2] = 0.0;
    }
    f64 off = b[SB_OFFSET] * b[SB_SCALE];
    if (off != 0.0) {
        // the offset surface: P + d N, its derivatives through the normal's
        // change over a small step
        f64 hu = 1e-6 * std::max(std::fabs(b[SB_LIM + 1]), 1e-6), hv = 1e-6 * std::max(std::fabs(b[SB_LIM + 4]), 1e-6);
        SrfEval a, c;
        f64 na[3], nc[3];
        bool ok = true;
        ok = ok && eval_base(b, u + hu, v, a) && base_normal(a, na) && eval_base(b, u - hu, v, c) && base_normal(c, nc);
        if (ok)
            for (int k = 0; k < 3; ++k) e.su[k] += off * (na[k] - nc[k]) / (2 * hu);
        ok = eval_base(b, u, v + hv, a) && base_normal(a, na) && eval_base(b, u, v - hv, c) && base_normal(c, nc);
        if (ok)
            for (int k = 0; k < 3; ++k) e.sv[k] += off * (na[k] - nc[k]) / (2 * hv);
        for (int k = 0; k < 3; ++k) e.p[k] += off * e.n[k];
    }
    return status;
}

std::vector<f64> surface_doubles(i32 id)
{
    auto it = H().entities.find(id);
    if (it == H().entities.end() || it->second.cls != ESRF_CLASS) return {};
    const auto& w = it->second.words;
    std::vector<f64> d(w.size() / 2);
    std::memcpy(d.data(), w.data(), d.size() * 8);
    return d;
}

// ------------------------------------------------------------ loading

namespace {

struct Bad {
    std::string where;
    [[noreturn]] void operator()(const std::string& what) const { throw session_error(where + ": " + what); }
};

std::vector<f64> nums(const json& a, const Bad& bad, const char* what)
{
    if (!a.is_array()) bad(std::string(what) + ": a list of numbers was expected");
    std::vector<f64> out;
    for (const auto& x : a) {
        if (!x.is_number() || !std::isfinite(x.get<f64>())) bad(std::string(what) + ": a list of numbers was expected");
        out.push_back(x.get<f64>());
    }
    return out;
}

std::vector<f64> vec3(const json& d, const char* f, const Bad& bad, std::vector<f64> dflt = {})
{
    if (!d.contains(f)) {
        if (dflt.empty()) bad(std::string("field \"") + f + "\" is missing");
        return dflt;
    }
    auto v = nums(d[f], bad, f);
    if (v.size() != 3) bad(std::string(f) + ": three numbers were expected");
    return v;
}

std::vector<f64> range2(const json& d, const char* f, const Bad& bad, f64 a, f64 b)
{
    if (!d.contains(f)) return {a, b};
    auto v = nums(d[f], bad, f);
    if (v.size() != 2 || !(v[1] > v[0])) bad(std::string(f) + ": a range [start, end] with end above start was expected");
    return v;
}

void unit(std::vector<f64>& v, const Bad& bad, const char* what)
{
    f64 l = norm(v.data());
    if (!(l > 1e-12)) bad(std::string(what) + ": a vector of length zero");
    for (auto& x : v) x /= l;
}

// Axis frame from an origin, a z axis and a reference x direction.
void put_frame(std::vector<f64>& b, const std::vector<f64>& o, std::vector<f64> z, std::vector<f64> x, const Bad& bad)
{
    unit(z, bad, "axis");
    f64 dz = x[0] * z[0] + x[1] * z[1] + x[2] * z[2];
    for (int a = 0; a < 3; ++a) x[a] -= dz * z[a];
    unit(x, bad, "reference direction (along the axis)");
    f64 y[3];
    cross(z.data(), x.data(), y);
    b[SB_FRAME] = 1.0;
    for (int a = 0; a < 3; ++a) {
        b[SB_ORIGIN + a] = o[a];
        b[SB_MATRIX + a] = x[a];
        b[SB_MATRIX + 3 + a] = y[a];
        b[SB_MATRIX + 6 + a] = z[a];
    }
}

// Number of non-empty knot intervals between knots p and n.
int intervals(const std::vector<f64>& U, int p, int n)
{
    int k = 0;
    for (int i = p; i < n; ++i)
        if (U[i + 1] > U[i]) ++k;
    return std::max(k, 1);
}

void check_knots(const std::vector<f64>& U, int p, int n, const Bad& bad, const char* what)
{
    if (static_cast<int>(U.size()) != n + p + 1)
        bad(std::string(what) + ": " + std::to_string(n + p + 1) + " knots were expected, " + std::to_string(U.size()) + " given");
    for (size_t i = 1; i < U.size(); ++i)
        if (U[i] < U[i - 1]) bad(std::string(what) + ": knots are not non-decreasing");
    if (!(U[n] > U[p])) bad(std::string(what) + ": the knots span no parameter range");
}

// Control points with weights (x, y, z, w): from "points" of 3 or 4 numbers
// and an optional "weights" list.
std::vector<f64> control_points(const json& d, size_t count, const Bad& bad)
{
    const json& pts = need(d, "points", bad.where);
    if (!pts.is_array()) bad("points: a list of points was expected");
    if (pts.size() != count)
        bad("too few control points: " + std::to_string(count) + " were expected, " + std::to_string(pts.size()) + " given");
    std::vector<f64> w;
    if (d.contains("weights")) {
        w = nums(d["weights"], bad, "weights");
        if (w.size() != count) bad("weights: one weight per control point was expected");
    }
    std::vector<f64> out;
    out.reserve(count * 4);
    for (size_t i = 0; i < count; ++i) {
        auto p = nums(pts[i], bad, "points");
        if (p.size() != 3 && p.size() != 4) bad("points: a point has 3 numbers, or 4 with its weight");
        f64 wt = p.size() == 4 ? p[3] : (w.empty() ? 1.0 : w[i]);
        if (!(wt > 0.0)) bad("weights are not positive (control point " + std::to_string(i) + ")");
        out.insert(out.end(), {p[0], p[1], p[2], wt});
    }
    return out;
}

std::vector<f64> new_buffer(i32 kind)
{
    std::vector<f64> b(SB_DATA, 0.0);
    b[SB_TAG] = SB_MAGIC;
    b[SB_KIND] = kind;
    b[SB_SCALE] = 1.0;
    // identity frame, unused until SB_FRAME is set
    b[SB_MATRIX] = b[SB_MATRIX + 4] = b[SB_MATRIX + 8] = 1.0;
    return b;
}

void set_limits(std::vector<f64>& b, f64 u0, f64 u1, int nu, f64 v0, f64 v1, int nv)
{
    b[SB_LIM] = u0;
    b[SB_LIM + 1] = u1 - u0;
    b[SB_LIM + 2] = u1 > u0 ? (u1 - u0) / std::max(nu, 1) : 1.0;
    b[SB_LIM + 3] = v0;
    b[SB_LIM + 4] = v1 - v0;
    b[SB_LIM + 5] = v1 > v0 ? (v1 - v0) / std::max(nv, 1) : 1.0;
}

int degree(const json& d, const char* f, const Bad& bad, int k = -1)
{
    const json& v = need(d, f, bad.where);
    const json& x = k < 0 ? v : (v.is_array() && static_cast<int>(v.size()) == 2 ? v[static_cast<size_t>(k)] : json());
    if (!x.is_number_integer() || x.get<int>() < 1 || x.get<int>() > MAX_DEGREE)
        bad(std::string(f) + ": degrees from 1 to " + std::to_string(MAX_DEGREE) + " were expected");
    return x.get<int>();
}

int count_of(const json& d, const char* f, const Bad& bad, int k = -1)
{
    const json& v = need(d, f, bad.where);
    const json& x = k < 0 ? v : (v.is_array() && static_cast<int>(v.size()) == 2 ? v[static_cast<size_t>(k)] : json());
    if (!x.is_number_integer() || x.get<int>() < 1 || x.get<int>() > 100000) bad(std::string(f) + ": counts of control points were expected");
    return x.get<int>();
}

std::vector<f64> build_surface(const json& d, const Bad& bad)
{
    std::string kind = need(d, "kind", bad.where).is_string() ? d["kind"].get<std::string>() : "";
    std::vector<f64> b;
    if (kind == "plane_patch") {
        b = new_buffer(SK_PLANE);
        auto o = vec3(d, "origin", bad), U = vec3(d, "u_axis", bad), V = vec3(d, "v_axis", bad);
        auto ur = range2(d, "u", bad, 0.0, 1.0), vr = range2(d, "v", bad, 0.0, 1.0);
        b.insert(b.end(), o.begin(), o.end());
        b.insert(b.end(), U.begin(), U.end());
        b.insert(b.end(), V.begin(), V.end());
        set_limits(b, ur[0], ur[1], 1, vr[0], vr[1], 1);
        // its frame: origin, u direction, normal (left out for a degenerate patch)
        f64 n[3];
        cross(U.data(), V.data(), n);
        if (norm(n) > 1e-12 && norm(U.data()) > 1e-12) {
            std::vector<f64> z(n, n + 3);
            put_frame(b, o, z, U, bad);
        }
    } else if (kind == "nurbs_surface") {
        b = new_buffer(SK_NURBS);
        int p = degree(d, "degree", bad, 0), q = degree(d, "degree", bad, 1);
        int nu = count_of(d, "counts", bad, 0), nv = count_of(d, "counts", bad, 1);
        if (nu < p + 1 || nv < q + 1)
            bad("too few control points: degree " + std::to_string(p) + " x " + std::to_string(q) + " needs at least " +
                std::to_string(p + 1) + " x " + std::to_string(q + 1));
        auto U = nums(need(d, "u_knots", bad.where), bad, "u_knots");
        auto V = nums(need(d, "v_knots", bad.where), bad, "v_knots");
        check_knots(U, p, nu, bad, "u_knots");
        check_knots(V, q, nv, bad, "v_knots");
        auto P = control_points(d, static_cast<size_t>(nu) * nv, bad);
        b.insert(b.end(), {f64(p), f64(q), f64(nu), f64(nv)});
        b.insert(b.end(), U.begin(), U.end());
        b.insert(b.end(), V.begin(), V.end());
        b.insert(b.end(), P.begin(), P.end());
        set_limits(b, U[p], U[nu], intervals(U, p, nu), V[q], V[nv], intervals(V, q, nv));
        if (d.contains("frame")) {
            const json& f = d["frame"];
            put_frame(b, vec3(f, "origin", bad), vec3(f, "axis", bad), vec3(f, "ref", bad), bad);
        }
    } else if (kind == "revolution") {
        b = new_buffer(SK_REVOL);
        const json& pr = need(d, "profile", bad.where);
        Bad pbad{bad.where + ".profile"};
        int p = degree(pr, "degree", pbad);
        int n = count_of(pr, "count", pbad);
        if (n < p + 1) pbad("too few control points: degree " + std::to_string(p) + " needs at least " + std::to_string(p + 1));
        auto U = nums(need(pr, "knots", pbad.where), pbad, "knots");
        check_knots(U, p, n, pbad, "knots");
        auto P = control_points(pr, static_cast<size_t>(n), pbad);
        auto axis = vec3(d, "axis", bad, {0, 0, 1});
        // a reference direction across the axis when none is given
        std::vector<f64> ref = std::fabs(axis[0]) < 0.9 * norm(axis.data()) ? std::vector<f64>{1, 0, 0} : std::vector<f64>{0, 1, 0};
        put_frame(b, vec3(d, "origin", bad, {0, 0, 0}), axis, vec3(d, "ref", bad, ref), bad);
        auto ang = range2(d, "angle", bad, 0.0, 360.0);
        if (ang[1] - ang[0] > 360.0 + 1e-9) bad("angle: at most a full turn");
        b[SB_VDEG] = 1.0;
        b.insert(b.end(), {f64(p), f64(n)});
        b.insert(b.end(), U.begin(), U.end());
        b.insert(b.end(), P.begin(), P.end());
        set_limits(b, U[p], U[n], intervals(U, p, n), ang[0], ang[1], static_cast<int>(std::ceil((ang[1] - ang[0]) / 90.0 - 1e-9)));
    } else {
        bad("unknown surface kind \"" + kind + "\"");
    }
    if (d.contains("offset")) {
        const json& o = d["offset"];
        if (!o.is_number()) bad("offset: a number was expected");
        b[SB_OFFSET] = o.get<f64>();
    }
    b[SB_LEN] = static_cast<f64>(b.size());
    return b;
}

void add_trim(std::vector<f64>& b, const json& d, const Bad& bad)
{
    f64 tol = 0.01;
    if (d.contains("tolerance")) {
        if (!d["tolerance"].is_number() || !(d["tolerance"].get<f64>() > 0.0)) bad("tolerance: a number above 0 was expected");
        tol = d["tolerance"].get<f64>();
    }
    const json& loops = need(d, "loops", bad.where);
    if (!loops.is_array() || loops.empty()) bad("loops: at least the outer loop was expected");
    b[SB_TRIM] = static_cast<f64>(b.size());
    b.push_back(tol);
    b.push_back(static_cast<f64>(loops.size()));
    for (size_t k = 0; k < loops.size(); ++k) {
        const json& l = loops[k];
        std::string lw = "loops[" + std::to_string(k) + "]";
        bool hole = k > 0;
        if (l.is_object() && l.contains("circle")) {
            const json& c = l["circle"];
            auto cen = nums(need(c, "center", bad.where + "." + lw), bad, "center");
            f64 r = need_num(c, "radius", bad.where + "." + lw);
            if (cen.size() != 2 || !(r > 0.0)) bad(lw + ": a circle needs a center (u, v) and a radius above 0");
            b.insert(b.end(), {TL_CIRCLE, cen[0], cen[1], r, hole ? -1.0 : 1.0});
        } else if (l.is_object() && l.contains("points")) {
            const json& pts = l["points"];
            if (!pts.is_array() || pts.empty()) bad(lw + ": the trim loop is empty");
            std::vector<f64> uv;
            for (const auto& p : pts) {
                auto q = nums(p, bad, "points");
                if (q.size() != 2) bad(lw + ": points of a trim loop are (u, v) pairs");
                uv.insert(uv.end(), q.begin(), q.end());
            }
            size_t n = uv.size() / 2;
            if (n > 1 && uv[0] == uv[2 * n - 2] && uv[1] == uv[2 * n - 1]) --n;  // closed with its first point
            if (n < 3) bad(lw + ": a trim loop needs at least 3 points");
            // outer loop counter-clockwise, holes clockwise
            f64 a = 0;
            for (size_t i = 0; i < n; ++i) {
                size_t j = (i + 1) % n;
                a += uv[2 * i] * uv[2 * j + 1] - uv[2 * j] * uv[2 * i + 1];
            }
            if (a == 0.0) bad(lw + ": the trim loop encloses no area");
            if ((a < 0) != hole) {
                for (size_t i = 0; i < n / 2; ++i) {
                    std::swap(uv[2 * i], uv[2 * (n - 1 - i)]);
                    std::swap(uv[2 * i + 1], uv[2 * (n - 1 - i) + 1]);
                }
            }
            b.push_back(TL_POLY);
            b.push_back(static_cast<f64>(n));
            b.insert(b.end(), uv.begin(), uv.begin() + static_cast<long>(2 * n));
        } else {
            bad(lw + ": a loop has \"points\" or a \"circle\"");
        }
    }
    b[SB_LEN] = static_cast<f64>(b.size());
}

i32 entity_id(const json& d, const Bad& bad)
{
    i32 id = d.contains("id") ? need_int(d, "id", bad.where) : 0;
    if (id < 0) bad("id: ids are positive");
    if (id > 0 && H().entities.count(id)) bad("id " + std::to_string(id) + " is used twice");
    return id;
}

Bad naming(const json& d, const std::string& w)
{
    if (d.contains("id") && d["id"].is_number_integer()) return Bad{w + " (id " + std::to_string(d["id"].get<i32>()) + ")"};
    return Bad{w};
}

void attrs(Entity& e, const json& d, const Bad& bad)
{
    if (!d.contains("attrs")) return;
    const json& a = d["attrs"];
    if (!a.is_object()) bad("attrs: an object of two-letter attributes was expected");
    for (auto it = a.begin(); it != a.end(); ++it) {
        if (it.key().size() != 2 || !it.value().is_number_integer()) bad("attrs: two-letter keys with integer values were expected");
        e.attrs[it.key()] = it.value().get<i32>();
    }
}

// An entity of the given class and type with the id and attributes of its description.
Entity new_entity(const json& d, const Bad& bad, i32 cls, i32 type)
{
    Entity e;
    e.id = entity_id(d, bad);
    e.cls = cls;
    e.type = type;
    attrs(e, d, bad);
    return e;
}

i32 store(Entity e, const std::vector<f64>& dbl)
{
    e.words.resize(dbl.size() * 2);
    std::memcpy(e.words.data(), dbl.data(), dbl.size() * 8);
    return add_entity(std::move(e));
}

void add_words_f(std::vector<i32>& w, std::initializer_list<f64> v)
{
    for (f64 x : v) w.push_back(r2wrd(static_cast<f32>(x)));
}

// A surface is evaluated from one buffer of SB_CAP numbers: a larger one is
// refused here, with its size, rather than by the module's load.
void fits(const std::vector<f64>& b, const Bad& bad)
{
    if (b.size() > static_cast<size_t>(SB_CAP))
        bad("the surface takes " + std::to_string(b.size()) + " numbers (control points, knots and trim loops); a surface holds at most " +
            std::to_string(SB_CAP));
}

struct GeometryKinds {
    GeometryKinds()
    {
        for (const char* k : {"plane_patch", "nurbs_surface", "revolution"})
            register_entity_kind(k, [](const json& d, const std::string& w) {
                Bad bad = naming(d, w);
                Entity e = new_entity(d, bad, ESRF_CLASS, ESRF_PLAIN);
                auto b = build_surface(d, bad);
                if (d.contains("loops")) {
                    add_trim(b, d, bad);
                    e.type = ESRF_TRIMMED;
                }
                fits(b, bad);
                i32 id = store(std::move(e), b);
                auto& ent = H().entities[id];
                f64 idd = id;
                std::memcpy(&ent.words[2 * SB_ID], &idd, 8);
            });
        register_entity_kind("trimmed_surface", [](const json& d, const std::string& w) {
            Bad bad = naming(d, w);
            Entity e = new_entity(d, bad, ESRF_CLASS, ESRF_TRIMMED);
            const json& base = need(d, "base", bad.where);
            if (!base.is_object()) bad("base: a surface was expected");
            auto b = build_surface(base, Bad{bad.where + ".base"});
            add_trim(b, d, bad);
            fits(b, bad);
            i32 id = store(std::move(e), b);
            f64 idd = id;
            std::memcpy(&H().entities[id].words[2 * SB_ID], &idd, 8);
        });
        register_entity_kind("point", [](const json& d, const std::string& w) {
            Bad bad = naming(d, w);
            Entity e = new_entity(d, bad, PNT_CLASS, 1);
            store(std::move(e), vec3(d, "at", bad));
        });
        register_entity_kind("line", [](const json& d, const std::string& w) {
            Bad bad = naming(d, w);
            Entity e = new_entity(d, bad, CRV_CLASS, CRV_LINE);
            auto a = vec3(d, "from", bad), c = vec3(d, "to", bad);
            a.insert(a.end(), c.begin(), c.end());
            store(std::move(e), a);
        });
        register_entity_kind("arc", [](const json& d, const std::string& w) {
            Bad bad = naming(d, w);
            Entity e = new_entity(d, bad, CRV_CLASS, CRV_ARC);
            f64 r = need_num(d, "radius", bad.where);
            if (!(r > 0.0)) bad("radius: a number above 0 was expected");
            auto ang = range2(d, "angles", bad, 0.0, 360.0);
            std::vector<f64> fb(SB_DATA, 0.0);
            put_frame(fb, vec3(d, "center", bad), vec3(d, "normal", bad, {0, 0, 1}), vec3(d, "ref", bad, {1, 0, 0}), bad);
            // center, x axis, y axis, radius, start and end angle (degrees)
            std::vector<f64> a(fb.begin() + SB_ORIGIN, fb.begin() + SB_ORIGIN + 9);
            a.insert(a.end(), {r, ang[0], ang[1]});
            store(std::move(e), a);
        });
        register_entity_kind("bspline_curve", [](const json& d, const std::string& w) {
            Bad bad = naming(d, w);
            Entity e = new_entity(d, bad, CRV_CLASS, CRV_BSPLINE);
            int p = degree(d, "degree", bad);
            int n = count_of(d, "count", bad);
            if (n < p + 1) bad("too few control points: degree " + std::to_string(p) + " needs at least " + std::to_string(p + 1));
            auto U = nums(need(d, "knots", bad.where), bad, "knots");
            check_knots(U, p, n, bad, "knots");
            auto P = control_points(d, static_cast<size_t>(n), bad);
            std::vector<f64> a{f64(p), f64(n)};
            a.insert(a.end(), U.begin(), U.end());
            a.insert(a.end(), P.begin(), P.end());
            store(std::move(e), a);
        });
        // Coordinate system: three integer words, a real, origin, matrix (rows
        // x, y, z axes), name (8 characters) and an integer; reals single.
        register_entity_kind("ucs", [](const json& d, const std::string& w) {
            Bad bad = naming(d, w);
            Entity e = new_entity(d, bad, UCS_CLASS, 1);
            std::vector<f64> fb(SB_DATA, 0.0);
            put_frame(fb, vec3(d, "origin", bad, {0, 0, 0}), vec3(d, "z_axis", bad, {0, 0, 1}), vec3(d, "x_axis", bad, {1, 0, 0}), bad);
            e.words = {0, 0, 0};
            add_words_f(e.words, {d.contains("value") ? need_num(d, "value", bad.where) : 0.0});
            for (int k = 0; k < 12; ++k) e.words.push_back(r2wrd(static_cast<f32>(fb[SB_ORIGIN + k])));
            std::string name = d.contains("name") && d["name"].is_string() ? d["name"].get<std::string>() : "";
            char nm[8];
            fixtxt(nm, 8, name.c_str());
            i32 nw[2];
            std::memcpy(nw, nm, 8);
            e.words.push_back(nw[0]);
            e.words.push_back(nw[1]);
            e.words.push_back(d.contains("number") ? need_int(d, "number", bad.where) : 0);
            add_entity(std::move(e));
        });
        // Plane entity: unit normal and offset (single reals): n . p = offset.
        register_entity_kind("plane", [](const json& d, const std::string& w) {
            Bad bad = naming(d, w);
            Entity e = new_entity(d, bad, PLN_CLASS, 1);
            auto n = vec3(d, "normal", bad, {0, 0, 1});
            unit(n, bad, "normal");
            add_words_f(e.words, {n[0], n[1], n[2], d.contains("offset") ? need_num(d, "offset", bad.where) : 0.0});
            add_entity(std::move(e));
        });
    }
} geometry_kinds;

}  // namespace

}  // namespace norak

using namespace norak;

void evsrfd(const f64* buf, const f64& u, const f64& v, const i32& what, f64* out, i32& status)
{
    SrfEval e;
    status = eval_full(buf, u, v, e);
    if (status < 0) return;
    for (int a = 0; a < 3; ++a) {
        out[a] = e.p[a];
        if (what >= 1) {
            out[3 + a] = e.su[a];
            out[6 + a] = e.sv[a];
        }
        if (what >= 2) out[9 + a] = e.n[a];
    }
}

void evsrf(const f64* buf, const f32& u, const f32& v, const i32& what, f32* out, i32& status)
{
    f64 o[12];
    evsrfd(buf, f64(u), f64(v), what >= 1 ? 1 : 0, o, status);
    if (status < 0) return;
    for (int a = 0; a < (what >= 1 ? 9 : 3); ++a) out[a] = static_cast<f32>(o[a]);
}

void evsrfn(const f64* buf, const f32& u, const f32& v, const i32& what, f32* out, f32* normal, i32& status)
{
    f64 o[12];
    evsrfd(buf, f64(u), f64(v), 2, o, status);
    if (status < 0) return;
    for (int a = 0; a < (what >= 2 ? 9 : 3); ++a) out[a] = static_cast<f32>(o[a]);
    for (int a = 0; a < 3; ++a) normal[a] = static_cast<f32>(o[9 + a]);
}

void srfbox(const f64* b, f64* box, i32& status)
{
    status = -1;
    if (!buffer_sound(b)) return;
    for (int a = 0; a < 3; ++a) {
        box[a] = 1e300;
        box[3 + a] = -1e300;
    }
    auto take = [&](const f64* p) {
        for (int a = 0; a < 3; ++a) {
            box[a] = std::min(box[a], p[a]);
            box[3 + a] = std::max(box[3 + a], p[a]);
        }
    };
    const f64* d = b + SB_DATA;
    switch (static_cast<int>(b[SB_KIND])) {
    case SK_PLANE: {
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                SrfEval e;
                eval_base(b, b[SB_LIM] + i * b[SB_LIM + 1], b[SB_LIM + 3] + j * b[SB_LIM + 4], e);
                take(e.p);
            }
        break;
    }
    case SK_NURBS: {
        int p = static_cast<int>(d[0]), q = static_cast<int>(d[1]), nu = static_cast<int>(d[2]), nv = static_cast<int>(d[3]);
        const f64* P = d + 4 + nu + p + 1 + nv + q + 1;
        for (int k = 0; k < nu * nv; ++k) take(P + 4 * k);  // the control hull holds the surface
        break;
    }
    case SK_REVOL: {
        int p = static_cast<int>(d[0]), n = static_cast<int>(d[1]);
        const f64* P = d + 2 + n + p + 1;
        f64 r = 0, z0 = 1e300, z1 = -1e300;
        for (int k = 0; k < n; ++k) {
            r = std::max(r, std::hypot(P[4 * k], P[4 * k + 1]));
            z0 = std::min(z0, P[4 * k + 2]);
            z1 = std::max(z1, P[4 * k + 2]);
        }
        for (int k = 0; k < 8; ++k) {
            f64 l[3] = {k & 1 ? r : -r, k & 2 ? r : -r, k & 4 ? z1 : z0}, w[3];
            to_world(b, l, w, true);
            take(w);
        }
        break;
    }
    }
    f64 off = std::fabs(b[SB_OFFSET] * b[SB_SCALE]);
    for (int a = 0; a < 3; ++a) {
        box[a] -= off;
        box[3 + a] += off;
    }
    status = 0;
}
