// Trim loops of surfaces, boxes of trimmed regions, point-in-polygon tests
// and curve evaluation.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/norak/geometry.h"
#include "platform/norak/state.h"

namespace norak {

namespace {
struct TrimState {
    f64 tol = 0.01;
    bool set = false;                       // gstrmtol mode 2 was called
    std::vector<std::vector<f64>> loops;    // trsgdp_ini: (u, v) per loop
    std::vector<std::vector<f64>> points;   // and the 3D points
    bool polygons = false;                  // the polygon store is open (opnpol)
};
TrimState& T() { return ext_state<TrimState>("trim"); }

// Circle as a polygon whose chords stay within tol of the arc.
void circle_poly(f64 cu, f64 cv, f64 r, f64 dir, f64 tol, std::vector<f64>& out)
{
    f64 c = std::clamp(1.0 - tol / r, -1.0, 1.0);
    f64 half = std::acos(c);  // half the angle of one chord
    int n = half > 0 ? static_cast<int>(std::ceil(M_PI / half)) : 4096;
    n = std::clamp(n, 8, 4096);
    for (int k = 0; k < n; ++k) {
        f64 a = dir * 2.0 * M_PI * k / n;
        out.push_back(cu + r * std::cos(a));
        out.push_back(cv + r * std::sin(a));
    }
}
}  // namespace

f64& trim_tolerance() { return T().tol; }

std::vector<std::vector<f64>> trim_polygons(const f64* b, f64 tol)
{
    std::vector<std::vector<f64>> out;
    if (!buffer_sound(b)) return out;
    size_t len = static_cast<size_t>(b[SB_LEN]);
    size_t t = static_cast<size_t>(b[SB_TRIM]);
    if (t == 0) {
        f64 u0 = b[SB_LIM], u1 = u0 + b[SB_LIM + 1], v0 = b[SB_LIM + 3], v1 = v0 + b[SB_LIM + 4];
        out.push_back({u0, v0, u1, v0, u1, v1, u0, v1});
        return out;
    }
    if (t + 2 > len) return out;
    size_t nl = static_cast<size_t>(b[t + 1]);
    size_t k = t + 2;
    for (size_t l = 0; l < nl && k < len; ++l) {
        std::vector<f64> poly;
        if (b[k] == TL_CIRCLE && k + 5 <= len) {
            circle_poly(b[k + 1], b[k + 2], b[k + 3], b[k + 4], tol, poly);
            k += 5;
        } else if (b[k] == TL_POLY && k + 2 <= len) {
            size_t n = static_cast<size_t>(b[k + 1]);
            if (k + 2 + 2 * n > len) break;
            poly.assign(b + k + 2, b + k + 2 + 2 * n);
            k += 2 + 2 * n;
        } else {
            break;
        }
        out.push_back(std::move(poly));
    }
    return out;
}

i32 point_in_poly(const f64* xy, size_t n, size_t stride, f64 px, f64 py, f64 tol)
{
    if (n == 0) return 3;
    bool in = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        f64 xi = xy[i * stride], yi = xy[i * stride + 1], xj = xy[j * stride], yj = xy[j * stride + 1];
        // distance to the edge
        f64 dx = xi - xj, dy = yi - yj, l2 = dx * dx + dy * dy;
        f64 s = l2 > 0 ? std::clamp(((px - xj) * dx + (py - yj) * dy) / l2, 0.0, 1.0) : 0.0;
        f64 ex = xj + s * dx - px, ey = yj + s * dy - py;
        if (ex * ex + ey * ey <= tol * tol) return 2;
        if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) in = !in;
    }
    return in ? 1 : 3;
}

}  // namespace norak

using namespace norak;

void gstrmtol(const i32& mode, f32& tol)
{
    if (mode == 2) {
        if (tol > 0.0f) {
            T().tol = tol;
            T().set = true;
        }
    } else {
        tol = static_cast<f32>(T().tol);
    }
}

void gt_tolvars(const i32& id, f32& tol, i32& status)
{
    auto b = surface_doubles(id);
    status = -1;
    if (b.empty() || !buffer_sound(b.data()) || b[SB_TRIM] == 0.0) return;
    tol = static_cast<f32>(b[static_cast<size_t>(b[SB_TRIM])]);
    status = 0;
}

namespace {
// The tolerance the loops are cut with: the host's once set, else the surface's own.
f64 loop_tol(const std::vector<f64>& b)
{
    if (T().set || b[SB_TRIM] == 0.0) return T().tol;
    return b[static_cast<size_t>(b[SB_TRIM])];
}
}  // namespace

void trsgdp(const i32& id, i32& handle, i32& nloops, i32& total, i32& status)
{
    nloops = total = 0;
    status = -1;
    auto b = surface_doubles(id);
    if (b.empty() || !buffer_sound(b.data())) return;
    auto loops = trim_polygons(b.data(), loop_tol(b));
    if (loops.empty()) return;
    size_t pts = 0;
    for (auto& l : loops) pts += l.size() / 2;
    i32 words = static_cast<i32>(loops.size() + 2 * pts);
    void* base = nullptr;
    if (handle >= 0) MM_CLOSE(handle, status);  // the caller's array is renewed
    MM_OPEN_ARRAY(4, words, handle, base, status);
    if (status != 0) return;
    i32* w = static_cast<i32*>(base);
    f32* f = reinterpret_cast<f32*>(w + loops.size());
    size_t k = 0;
    for (size_t l = 0; l < loops.size(); ++l) {
        w[l] = static_cast<i32>(loops[l].size() / 2);
        for (f64 x : loops[l]) f[k++] = static_cast<f32>(x);
    }
    nloops = static_cast<i32>(loops.size());
    total = static_cast<i32>(pts);
    status = 0;
}

void trsgdp_ini(const i32& id, i32& nloops, i32& total, i32& status)
{
    TrimState& t = T();
    t.loops.clear();
    t.points.clear();
    nloops = total = 0;
    status = -1;
    auto b = surface_doubles(id);
    if (b.empty() || !buffer_sound(b.data())) return;
    t.loops = trim_polygons(b.data(), loop_tol(b));
    for (auto& l : t.loops) {
        std::vector<f64> xyz;
        for (size_t k = 0; k + 1 < l.size(); k += 2) {
            SrfEval e;
            if (eval_full(b.data(), l[k], l[k + 1], e) < 0) {
                t.loops.clear();
                t.points.clear();
                return;
            }
            xyz.insert(xyz.end(), e.p, e.p + 3);
        }
        t.points.push_back(std::move(xyz));
        total += static_cast<i32>(l.size() / 2);
    }
    nloops = static_cast<i32>(t.loops.size());
    status = nloops > 0 ? 0 : -1;
}

void trsgdp2(const i32& loop, const i32& capacity, i32& count, f64* uv, f64* xyz, i32& status)
{
    TrimState& t = T();
    count = 0;
    status = -1;
    if (loop < 0 || loop >= static_cast<i32>(t.loops.size())) return;
    const auto& l = t.loops[static_cast<size_t>(loop)];
    i32 n = static_cast<i32>(l.size() / 2);
    count = n;
    if (n > capacity) return;
    if (uv) std::memcpy(uv, l.data(), l.size() * 8);
    if (xyz) std::memcpy(xyz, t.points[static_cast<size_t>(loop)].data(), t.points[static_cast<size_t>(loop)].size() * 8);
    status = 0;
}

void trsgdp_free()
{
    T().loops.clear();
    T().points.clear();
}

void opnpol(i32& status)
{
    status = T().polygons ? -1 : 0;
    T().polygons = true;
}

void clspol(i32& status)
{
    status = T().polygons ? 0 : -1;
    T().polygons = false;
}

namespace {
// Parameter ranges of a buffer: lower and upper u, lower and upper v.
void ranges(const f64* b, f64* r)
{
    const f64 u0 = b[SB_LIM], u1 = u0 + b[SB_LIM + 1], v0 = b[SB_LIM + 3], v1 = v0 + b[SB_LIM + 4];
    r[0] = std::min(u0, u1), r[1] = std::max(u0, u1), r[2] = std::min(v0, v1), r[3] = std::max(v0, v1);
}
}  // namespace

void srfcds(const f64* buf, const f32& tol, f32* lengths, i32& status)
{
    status = -1;
    if (!buffer_sound(buf) || !(tol > 0.0f)) return;
    f64 r[4];
    ranges(buf, r);
    f64 lu = 0, lv = 0;
    for (int i = 0; i <= 8; ++i)
        for (int j = 0; j <= 8; ++j) {
            SrfEval e;
            if (!eval_base(buf, r[0] + (r[1] - r[0]) * i / 8.0, r[2] + (r[3] - r[2]) * j / 8.0, e)) return;
            lu = std::max(lu, std::sqrt(e.su[0] * e.su[0] + e.su[1] * e.su[1] + e.su[2] * e.su[2]));
            lv = std::max(lv, std::sqrt(e.sv[0] * e.sv[0] + e.sv[1] * e.sv[1] + e.sv[2] * e.sv[2]));
        }
    lengths[0] = static_cast<f32>(lu);
    lengths[1] = static_cast<f32>(lv);
    status = 0;
}

void srfdgf(const f64* buf, const f32& u0, const f32& u1, const f32& v0, const f32& v1, i32* flags, i32& status)
{
    status = -1;
    if (!buffer_sound(buf)) return;
    // Edge k: u fixed (k 0, 1) or v fixed (k 2, 3), the other running over its bounds.
    for (int k = 0; k < 4; ++k) {
        flags[k] = 1;
        f64 first[3] = {0, 0, 0};
        for (int i = 0; i <= 8; ++i) {
            const f64 t = i / 8.0;
            const f64 u = k < 2 ? f64(k == 0 ? u0 : u1) : f64(u0) + (f64(u1) - u0) * t;
            const f64 v = k < 2 ? f64(v0) + (f64(v1) - v0) * t : f64(k == 2 ? v0 : v1);
            SrfEval e;
            if (eval_full(buf, u, v, e) < 0) {
                for (int j = 0; j < 4; ++j) flags[j] = 0;
                return;
            }
            if (i == 0)
                for (int a = 0; a < 3; ++a) first[a] = e.p[a];
            else if (std::hypot(e.p[0] - first[0], e.p[1] - first[1], e.p[2] - first[2]) > 1.0e-6)
                flags[k] = 0;
        }
    }
    status = 0;
}

void nrmsrd(const f64* buf, const f64* point, f64& u, f64& v, i32& status)
{
    status = -1;
    if (!buffer_sound(buf) || !std::isfinite(u) || !std::isfinite(v)) return;
    f64 r[4];
    ranges(buf, r);
    f64 cu = std::clamp(u, r[0], r[1]), cv = std::clamp(v, r[2], r[3]);
    const f64 eps = 1e-12 * std::max({r[1] - r[0], r[3] - r[2], 1e-300});
    // Gauss-Newton on |point - S(u, v)|: the point lies on the normal where
    // the difference is orthogonal to both tangents.
    for (int it = 0; it < 60; ++it) {
        SrfEval e;
        if (eval_full(buf, cu, cv, e) < 0) return;
        f64 d[3] = {point[0] - e.p[0], point[1] - e.p[1], point[2] - e.p[2]};
        const f64 a = e.su[0] * e.su[0] + e.su[1] * e.su[1] + e.su[2] * e.su[2];
        const f64 bb = e.su[0] * e.sv[0] + e.su[1] * e.sv[1] + e.su[2] * e.sv[2];
        const f64 c = e.sv[0] * e.sv[0] + e.sv[1] * e.sv[1] + e.sv[2] * e.sv[2];
        const f64 g1 = d[0] * e.su[0] + d[1] * e.su[1] + d[2] * e.su[2];
        const f64 g2 = d[0] * e.sv[0] + d[1] * e.sv[1] + d[2] * e.sv[2];
        const f64 det = a * c - bb * bb;
        if (!(std::fabs(det) > 0)) return;
        const f64 du = (c * g1 - bb * g2) / det, dv = (a * g2 - bb * g1) / det;
        const f64 nu = std::clamp(cu + du, r[0], r[1]), nv = std::clamp(cv + dv, r[2], r[3]);
        const bool settled = std::fabs(nu - cu) <= eps && std::fabs(nv - cv) <= eps;
        cu = nu, cv = nv;
        if (settled) {
            u = cu, v = cv;
            status = 0;
            return;
        }
    }
}

void trsbox(const i32& id, f32* box, i32& status)
{
    status = -1;
    auto b = surface_doubles(id);
    if (b.empty() || !buffer_sound(b.data())) return;
    auto loops = trim_polygons(b.data(), loop_tol(b));
    if (loops.empty()) return;
    f64 lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
    auto take = [&](f64 u, f64 v) {
        SrfEval e;
        if (eval_full(b.data(), u, v, e) < 0) return;
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], e.p[a]);
            hi[a] = std::max(hi[a], e.p[a]);
        }
    };
    // the borders, each edge cut in 16, and a 65 x 65 grid inside the outer loop
    f64 umin = 1e300, umax = -1e300, vmin = 1e300, vmax = -1e300;
    for (auto& l : loops) {
        size_t n = l.size() / 2;
        for (size_t i = 0; i < n; ++i) {
            size_t j = (i + 1) % n;
            for (int s = 0; s < 16; ++s) take(l[2 * i] + (l[2 * j] - l[2 * i]) * s / 16.0, l[2 * i + 1] + (l[2 * j + 1] - l[2 * i + 1]) * s / 16.0);
            umin = std::min(umin, l[2 * i]);
            umax = std::max(umax, l[2 * i]);
            vmin = std::min(vmin, l[2 * i + 1]);
            vmax = std::max(vmax, l[2 * i + 1]);
        }
    }
    for (int i = 0; i <= 64; ++i)
        for (int j = 0; j <= 64; ++j) {
            f64 u = umin + (umax - umin) * i / 64.0, v = vmin + (vmax - vmin) * j / 64.0;
            bool inside = point_in_poly(loops[0].data(), loops[0].size() / 2, 2, u, v, 0.0) != 3;
            for (size_t h = 1; inside && h < loops.size(); ++h)
                if (point_in_poly(loops[h].data(), loops[h].size() / 2, 2, u, v, 0.0) == 1) inside = false;
            if (inside) take(u, v);
        }
    if (lo[0] > hi[0]) return;
    for (int a = 0; a < 3; ++a) {
        box[a] = static_cast<f32>(lo[a]);
        box[3 + a] = static_cast<f32>(hi[a]);
    }
    status = 0;
}

void inpol(const f32* pts, const i32& n, const i32& kind, const f32* p, i32& answer)
{
    size_t stride = kind == 2 ? 3 : 2;
    std::vector<f64> xy(static_cast<size_t>(std::max(n, 0)) * stride);
    for (size_t k = 0; k < xy.size(); ++k) xy[k] = pts[k];
    answer = point_in_poly(xy.data(), static_cast<size_t>(std::max(n, 0)), stride, p[0], p[1], 1e-6);
}

void inpold(const f64& tol, const f64* pts, const i32& n, const i32& kind, const f64* p, i32& answer)
{
    answer = point_in_poly(pts, static_cast<size_t>(std::max(n, 0)), kind == 2 ? 3 : 2, p[0], p[1], std::fabs(tol));
}

void inpolr(const f32& tol, const f32* pts, const i32* counts, const i32& nloops, const f32* p, i32& answer)
{
    answer = 3;
    size_t at = 0;
    for (i32 l = 0; l < nloops; ++l) {
        size_t n = static_cast<size_t>(std::max(counts[l], 0));
        std::vector<f64> xy(pts + 2 * at, pts + 2 * (at + n));
        i32 a = point_in_poly(xy.data(), n, 2, p[0], p[1], std::fabs(tol));
        at += n;
        if (a == 2) {
            answer = 2;
            return;
        }
        if (l == 0 && a == 3) return;
        if (l == 0) answer = 1;
        else if (a == 1) answer = 3;
    }
}

void crvrng(const i32& id, f64& t0, f64& t1, i32& status)
{
    status = -1;
    auto it = H().entities.find(id);
    if (it == H().entities.end() || it->second.cls != CRV_CLASS) return;
    const auto& w = it->second.words;
    std::vector<f64> d(w.size() / 2);
    std::memcpy(d.data(), w.data(), d.size() * 8);
    switch (it->second.type) {
    case CRV_LINE: t0 = 0; t1 = 1; break;
    case CRV_ARC: t0 = d[10]; t1 = d[11]; break;
    case CRV_BSPLINE: {
        int p = static_cast<int>(d[0]), n = static_cast<int>(d[1]);
        t0 = d[2 + static_cast<size_t>(p)];
        t1 = d[2 + static_cast<size_t>(n)];
        break;
    }
    default: return;
    }
    status = 0;
}

void evcrv(const i32& id, const f64& t, f64* out, i32& status)
{
    status = -1;
    auto it = H().entities.find(id);
    if (it == H().entities.end() || it->second.cls != CRV_CLASS || !std::isfinite(t)) return;
    const auto& w = it->second.words;
    std::vector<f64> d(w.size() / 2);
    std::memcpy(d.data(), w.data(), d.size() * 8);
    switch (it->second.type) {
    case CRV_LINE:
        for (int a = 0; a < 3; ++a) {
            out[a] = d[a] + t * (d[3 + a] - d[a]);
            out[3 + a] = d[3 + a] - d[a];
        }
        break;
    case CRV_ARC: {
        f64 r = d[9], a = t * M_PI / 180.0, k = M_PI / 180.0;
        for (int c = 0; c < 3; ++c) {
            out[c] = d[c] + r * (std::cos(a) * d[3 + c] + std::sin(a) * d[6 + c]);
            out[3 + c] = r * k * (-std::sin(a) * d[3 + c] + std::cos(a) * d[6 + c]);
        }
        break;
    }
    case CRV_BSPLINE: {
        // a B-spline curve is evaluated as the profile of a surface of revolution at angle 0
        int p = static_cast<int>(d[0]), n = static_cast<int>(d[1]);
        std::vector<f64> b(SB_DATA, 0.0);
        b[SB_TAG] = SB_MAGIC;
        b[SB_KIND] = 3;
        b[SB_SCALE] = 1.0;
        b[SB_MATRIX] = b[SB_MATRIX + 4] = b[SB_MATRIX + 8] = 1.0;
        b[SB_LIM + 2] = b[SB_LIM + 5] = 1.0;
        b.insert(b.end(), d.begin(), d.end());
        b[SB_LEN] = static_cast<f64>(b.size());
        (void)p;
        (void)n;
        SrfEval e;
        if (!eval_base(b.data(), t, 0.0, e)) return;
        for (int c = 0; c < 3; ++c) {
            out[c] = e.p[c];
            out[3 + c] = e.su[c];
        }
        break;
    }
    default: return;
    }
    status = 0;
}

i32 euid(const i32& id) { return H().entities.count(id) ? id + 1000000 : 0; }
i32 euid2id(const i32& uid)
{
    i32 id = uid - 1000000;
    return uid > 1000000 && H().entities.count(id) ? id : 0;
}
