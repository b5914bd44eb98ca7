// The host's spline services: interpolation of points by a cubic B-spline,
// its approximation within a tolerance and the closest point of a curve.
#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "core/host.h"
#include "platform/norak/curvecalls.h"
#include "platform/norak/state.h"

namespace {

struct Curve {
    std::vector<f64> knots, ctrl;
    i32 n = 0;
};
std::map<i32, Curve> CURVES;
i32 NEXT = norak::CUBIC_CURVES + 1;

// The four non-zero cubic basis values at t in span s (knots[s] <= t < knots[s+1]).
void basis(const std::vector<f64>& U, i32 s, f64 t, f64* N)
{
    f64 left[4], right[4];
    N[0] = 1.0;
    for (i32 j = 1; j <= 3; ++j) {
        left[j] = t - U[static_cast<size_t>(s + 1 - j)];
        right[j] = U[static_cast<size_t>(s + j)] - t;
        f64 saved = 0.0;
        for (i32 r = 0; r < j; ++r) {
            const f64 den = right[r + 1] + left[j - r];
            const f64 tmp = den != 0.0 ? N[r] / den : 0.0;
            N[r] = saved + right[r + 1] * tmp;
            saved = left[j - r] * tmp;
        }
        N[j] = saved;
    }
}

i32 span(const std::vector<f64>& U, i32 n, f64 t)
{
    if (t >= U[static_cast<size_t>(n)]) return n - 1;
    i32 s = 3;
    while (s < n - 1 && t >= U[static_cast<size_t>(s + 1)]) ++s;
    return s;
}

void eval(const Curve& c, f64 t, f64* p)
{
    const i32 s = span(c.knots, c.n, t);
    f64 N[4];
    basis(c.knots, s, t, N);
    p[0] = p[1] = p[2] = 0.0;
    for (i32 j = 0; j < 4; ++j)
        for (i32 k = 0; k < 3; ++k) p[k] += N[j] * c.ctrl[static_cast<size_t>(3 * (s - 3 + j) + k)];
}

std::vector<f64> params(i32 n, const f64* pts, bool& ok)
{
    std::vector<f64> t(static_cast<size_t>(n), 0.0);
    f64 total = 0.0;
    ok = true;
    for (i32 i = 1; i < n; ++i) {
        const f64 d = std::sqrt(std::pow(pts[3 * i] - pts[3 * i - 3], 2) + std::pow(pts[3 * i + 1] - pts[3 * i - 2], 2) +
                                std::pow(pts[3 * i + 2] - pts[3 * i - 1], 2));
        if (d <= 1e-12) ok = false;
        total += d;
        t[static_cast<size_t>(i)] = total;
    }
    if (total <= 0) ok = false;
    for (auto& v : t) v = total > 0 ? v / total : 0.0;
    return t;
}

}  // namespace

void cal_i_knt(const i32& n, const f64* pts, f64* knots, i32& status)
{
    status = -1;
    if (norak::call_fails("cal_i_knt")) return;
    if (n < 2) return;
    bool ok = true;
    const auto t = params(n, pts, ok);
    if (!ok) return;
    // Fewer than four points: a cubic Bezier span.
    const i32 m = std::max(n, 4);
    for (i32 k = 0; k < 4; ++k) {
        knots[k] = 0.0;
        knots[m + k] = 1.0;
    }
    // Interior knots by averaging the parameters.
    for (i32 j = 1; j <= m - 4; ++j)
        knots[j + 3] = (t[static_cast<size_t>(j)] + t[static_cast<size_t>(j + 1)] + t[static_cast<size_t>(j + 2)]) / 3.0;
    status = 0;
}

void calbsp(const i32& n, const f64* pts, const f64* knots, f64* ctrl, i32& status)
{
    status = -1;
    if (norak::call_fails("calbsp")) return;
    if (n < 2) return;
    bool ok = true;
    const auto t = params(n, pts, ok);
    if (!ok) return;
    if (n < 4) {
        // Two points: the straight line; three: the quadratic through them,
        // raised to degree 3.
        const f64* A = pts;
        const f64* C = pts + 3 * (n - 1);
        f64 Q[3];
        if (n == 2) {
            for (i32 k = 0; k < 3; ++k) Q[k] = 0.5 * (A[k] + C[k]);
        } else {
            const f64 s = t[1];
            for (i32 k = 0; k < 3; ++k)
                Q[k] = (pts[3 + k] - (1 - s) * (1 - s) * A[k] - s * s * C[k]) / (2 * s * (1 - s));
        }
        for (i32 k = 0; k < 3; ++k) {
            ctrl[k] = A[k];
            ctrl[3 + k] = A[k] / 3 + 2 * Q[k] / 3;
            ctrl[6 + k] = 2 * Q[k] / 3 + C[k] / 3;
            ctrl[9 + k] = C[k];
        }
        status = 0;
        return;
    }
    // The collocation system, banded: solved by elimination with partial
    // pivoting on the dense matrix (the point sets are small).
    const size_t N = static_cast<size_t>(n);
    std::vector<f64> U(knots, knots + n + 4), A(N * N, 0.0), B(N * 3);
    for (i32 i = 0; i < n; ++i) {
        const i32 s = span(U, n, t[static_cast<size_t>(i)]);
        f64 b[4];
        basis(U, s, t[static_cast<size_t>(i)], b);
        for (i32 j = 0; j < 4; ++j) A[static_cast<size_t>(i) * N + static_cast<size_t>(s - 3 + j)] = b[j];
        for (i32 k = 0; k < 3; ++k) B[3 * static_cast<size_t>(i) + static_cast<size_t>(k)] = pts[3 * i + k];
    }
    for (size_t c = 0; c < N; ++c) {
        size_t piv = c;
        for (size_t r = c + 1; r < N; ++r)
            if (std::fabs(A[r * N + c]) > std::fabs(A[piv * N + c])) piv = r;
        if (std::fabs(A[piv * N + c]) < 1e-14) return;
        if (piv != c) {
            for (size_t k = 0; k < N; ++k) std::swap(A[c * N + k], A[piv * N + k]);
            for (size_t k = 0; k < 3; ++k) std::swap(B[3 * c + k], B[3 * piv + k]);
        }
        for (size_t r = c + 1; r < N; ++r) {
            const f64 f = A[r * N + c] / A[c * N + c];
            if (f == 0.0) continue;
            for (size_t k = c; k < N; ++k) A[r * N + k] -= f * A[c * N + k];
            for (size_t k = 0; k < 3; ++k) B[3 * r + k] -= f * B[3 * c + k];
        }
    }
    for (size_t c = N; c-- > 0;) {
        for (size_t k = 0; k < 3; ++k) {
            f64 v = B[3 * c + k];
            for (size_t j = c + 1; j < N; ++j) v -= A[c * N + j] * ctrl[3 * j + k];
            ctrl[3 * c + k] = v / A[c * N + c];
        }
    }
    for (size_t k = 0; k < 3 * N; ++k)
        if (!std::isfinite(ctrl[k])) return;
    status = 0;
}

void itrnrpt(const i32& n, const f64* pts, const f64& tol, const i32& cap, i32& nctrl, f64* knots, f64* ctrl,
             i32& status)
{
    status = -1;
    nctrl = 0;
    if (n < 2) return;
    // The points the thinning keeps (a subsequence of the input), then the
    // point farthest from the curve through them added while any lies
    // beyond the tolerance: the curve keeps within it of every point.
    std::vector<f64> thin(pts, pts + 3 * n);
    i32 m = n;
    diluld(3, tol, thin.data(), m);
    std::vector<bool> keep(static_cast<size_t>(n), false);
    for (i32 i = 0, j = 0; i < n && j < m; ++i)
        if (pts[3 * i] == thin[3 * j] && pts[3 * i + 1] == thin[3 * j + 1] && pts[3 * i + 2] == thin[3 * j + 2])
            keep[static_cast<size_t>(i)] = true, ++j;
    keep.front() = keep.back() = true;
    // A point repeating the one kept before it adds nothing the curve could
    // miss, and interpolation cannot take it.
    for (i32 i = 1, last = 0; i < n; ++i) {
        if (!keep[static_cast<size_t>(i)]) continue;
        if (pts[3 * i] == pts[3 * last] && pts[3 * i + 1] == pts[3 * last + 1] && pts[3 * i + 2] == pts[3 * last + 2] &&
            i != n - 1)
            keep[static_cast<size_t>(i)] = false;
        else
            last = i;
    }
    while (true) {
        std::vector<f64> kept;
        for (i32 i = 0; i < n; ++i)
            if (keep[static_cast<size_t>(i)]) kept.insert(kept.end(), pts + 3 * i, pts + 3 * i + 3);
        m = static_cast<i32>(kept.size() / 3);
        if (m > cap) {
            status = -1;
            return;
        }
        cal_i_knt(m, kept.data(), knots, status);
        if (status >= 0) calbsp(m, kept.data(), knots, ctrl, status);
        if (status < 0) return;
        const i32 nc = std::max(m, 4);
        CURVES[0] = Curve{std::vector<f64>(knots, knots + nc + 4), std::vector<f64>(ctrl, ctrl + 3 * nc), nc};
        f64 worst = tol * tol;
        i32 wi = -1;
        for (i32 i = 0; i < n; ++i) {
            if (keep[static_cast<size_t>(i)]) continue;
            f64 c[3], d2 = 0;
            i32 st = 0;
            cptcrv2(0, pts + 3 * i, c, d2, st);
            if (st == 0 && d2 > worst) worst = d2, wi = i;
        }
        CURVES.erase(0);
        if (wi < 0) {
            nctrl = nc;
            return;
        }
        keep[static_cast<size_t>(wi)] = true;
    }
}

void evbcre_bsp(const i32& degree, const i32& nctrl, const f64* knots, const f64* ctrl, i32& handle, i32& status)
{
    status = -1;
    handle = 0;
    if (degree != 3 || nctrl < 4) return;
    Curve c;
    c.n = nctrl;
    c.knots.assign(knots, knots + nctrl + 4);
    c.ctrl.assign(ctrl, ctrl + 3 * nctrl);
    handle = NEXT++;
    CURVES[handle] = std::move(c);
    status = 0;
}

void evbfre(i32& handle)
{
    if (handle > 0 && handle <= norak::CUBIC_CURVES)
        evbfre(std::as_const(handle));  // one of the display's curves
    else
        CURVES.erase(handle);
    handle = 0;
}

void evbpnt(const i32& handle, const f64& t, f64* point, i32& status)
{
    const auto it = CURVES.find(handle);
    status = it == CURVES.end() ? -1 : 0;
    if (status == 0) eval(it->second, std::clamp(t, 0.0, 1.0), point);
}

void cptcrv2(const i32& handle, const f64* p, f64* closest, f64& dist2, i32& status)
{
    const auto it = CURVES.find(handle);
    status = -1;
    if (it == CURVES.end()) return;
    const Curve& c = it->second;
    auto d2 = [&](f64 t, f64* q) {
        eval(c, t, q);
        return std::pow(q[0] - p[0], 2) + std::pow(q[1] - p[1], 2) + std::pow(q[2] - p[2], 2);
    };
    // Every span sampled, then the best bracket narrowed by golden section.
    f64 q[3], best = 1e300, bt = 0;
    std::vector<f64> ts;
    for (i32 s = 3; s < c.n; ++s) {
        const f64 a = c.knots[static_cast<size_t>(s)], b = c.knots[static_cast<size_t>(s + 1)];
        if (b <= a) continue;
        for (i32 k = 0; k < 16; ++k) ts.push_back(a + (b - a) * k / 16.0);
    }
    ts.push_back(1.0);
    for (size_t i = 0; i < ts.size(); ++i) {
        const f64 v = d2(ts[i], q);
        if (v < best) {
            best = v;
            bt = static_cast<f64>(i);
        }
    }
    const size_t bi = static_cast<size_t>(bt);
    f64 lo = ts[bi > 0 ? bi - 1 : 0], hi = ts[std::min(bi + 1, ts.size() - 1)];
    const f64 g = 0.5 * (std::sqrt(5.0) - 1);
    f64 x1 = hi - g * (hi - lo), x2 = lo + g * (hi - lo), f1 = d2(x1, q), f2 = d2(x2, q);
    for (i32 k = 0; k < 60 && hi - lo > 1e-14; ++k) {
        if (f1 < f2) {
            hi = x2;
            x2 = x1;
            f2 = f1;
            x1 = hi - g * (hi - lo);
            f1 = d2(x1, q);
        } else {
            lo = x1;
            x1 = x2;
            f1 = f2;
            x2 = lo + g * (hi - lo);
            f2 = d2(x2, q);
        }
    }
    const f64 t = 0.5 * (lo + hi);
    dist2 = std::min(best, d2(t, q));
    if (dist2 == best) eval(c, ts[bi], q);
    else eval(c, t, q);
    for (i32 k = 0; k < 3; ++k) closest[k] = q[k];
    status = 0;
}
