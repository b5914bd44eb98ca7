// Vector and matrix routines of the host.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/host.h"
#include "core/hostmat.h"
#include "platform/norak/thin.h"

namespace {
constexpr f64 PI = 3.14159265358979323846;
f64 dot3(const f32* a, const f32* b) { return f64(a[0]) * b[0] + f64(a[1]) * b[1] + f64(a[2]) * b[2]; }
}  // namespace

f32 radian(const f32& degrees) { return static_cast<f32>(f64(degrees) * PI / 180.0); }

void v3unit(f32* v, f32& length, i32& status)
{
    const f64 l = std::sqrt(dot3(v, v));
    length = static_cast<f32>(l);
    if (!(l > 1e-12)) {
        status = -1;
        return;
    }
    for (int k = 0; k < 3; ++k) v[k] = static_cast<f32>(v[k] / l);
    status = 0;
}

void v2unit(f32* v, f32& length, i32& status)
{
    const f64 l = std::hypot(f64(v[0]), f64(v[1]));
    length = static_cast<f32>(l);
    if (!(l > 1e-12)) {
        status = -1;
        return;
    }
    v[0] = static_cast<f32>(v[0] / l);
    v[1] = static_cast<f32>(v[1] / l);
    status = 0;
}

void v2scal(const f32* v, const f32& s, f32* out)
{
    out[0] = v[0] * s;
    out[1] = v[1] * s;
    out[2] = v[2];
}

void v3cros(const f32* a, const f32* b, f32* c)
{
    const f64 x = f64(a[1]) * b[2] - f64(a[2]) * b[1];
    const f64 y = f64(a[2]) * b[0] - f64(a[0]) * b[2];
    const f64 z = f64(a[0]) * b[1] - f64(a[1]) * b[0];
    c[0] = static_cast<f32>(x);
    c[1] = static_cast<f32>(y);
    c[2] = static_cast<f32>(z);
}

void v3add(const f32* a, const f32& s, const f32* b, f32* c)
{
    for (int k = 0; k < 3; ++k) c[k] = a[k] + s * b[k];
}

void movr(const i32& n, const f32* from, f32* to)
{
    for (i32 k = 0; k < n; ++k) to[k] = from[k];
}

void zsys3(const f32* p1, const f32* p2, f32* m, i32& status)
{
    f64 z[3] = {f64(p2[0]) - p1[0], f64(p2[1]) - p1[1], f64(p2[2]) - p1[2]};
    const f64 l = std::sqrt(z[0] * z[0] + z[1] * z[1] + z[2] * z[2]);
    if (!(l > 1e-12)) {
        status = -1;
        return;
    }
    for (f64& c : z) c /= l;
    // x axis: the world axis least along z, made perpendicular.
    f64 r[3] = {0, 0, 0};
    const int k = std::fabs(z[0]) <= std::fabs(z[1]) && std::fabs(z[0]) <= std::fabs(z[2]) ? 0
                  : std::fabs(z[1]) <= std::fabs(z[2])                                    ? 1
                                                                                           : 2;
    r[k] = 1;
    const f64 d = r[0] * z[0] + r[1] * z[1] + r[2] * z[2];
    f64 x[3] = {r[0] - d * z[0], r[1] - d * z[1], r[2] - d * z[2]};
    const f64 lx = std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
    for (f64& c : x) c /= lx;
    const f64 y[3] = {z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2], z[0] * x[1] - z[1] * x[0]};
    for (int c = 0; c < 3; ++c) {
        m[c] = static_cast<f32>(x[c]);
        m[3 + c] = static_cast<f32>(y[c]);
        m[6 + c] = static_cast<f32>(z[c]);
    }
    status = 0;
}

void m3vec(const f32* m, const f32* v, f32* out)
{
    f32 r[3];
    for (int i = 0; i < 3; ++i) r[i] = static_cast<f32>(dot3(m + 3 * i, v));
    out[0] = r[0];
    out[1] = r[1];
    out[2] = r[2];
}

void plrot(const f32* plane, f32* m)
{
    // unit length in place; false for a vector of no length
    auto unit = [](f64* a) {
        const f64 l = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
        if (l == 0.0) return false;
        a[0] /= l, a[1] /= l, a[2] /= l;
        return true;
    };
    auto cross = [](const f64* a, const f64* b, f64* c) {
        c[0] = a[1] * b[2] - a[2] * b[1], c[1] = a[2] * b[0] - a[0] * b[2], c[2] = a[0] * b[1] - a[1] * b[0];
    };
    f64 w[3] = {plane[0], plane[1], plane[2]};
    if (!unit(w)) w[0] = 0, w[1] = 0, w[2] = 1;
    f64 u[3];
    if (std::fabs(w[0]) < 1e-12 && std::fabs(w[1]) < 1e-12) {
        u[0] = 1, u[1] = 0, u[2] = 0;
    } else {
        f64 t[3] = {-w[1], w[0], 0.0};  // horizontal, across the tilt
        unit(t);
        cross(t, w, u);
        unit(u);
    }
    f64 v[3];
    cross(w, u, v);
    for (int k = 0; k < 3; ++k) {
        m[k] = static_cast<f32>(u[k]);
        m[3 + k] = static_cast<f32>(v[k]);
        m[6 + k] = static_cast<f32>(w[k]);
    }
}

void m3inv(const f32* m, f32* out, i32& status)
{
    const f64 a = m[0], b = m[1], c = m[2], d = m[3], e = m[4], f = m[5], g = m[6], h = m[7], i = m[8];
    const f64 det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    if (std::fabs(det) < 1e-20) {
        status = -1;
        return;
    }
    const f64 r[9] = {e * i - f * h, c * h - b * i, b * f - c * e, f * g - d * i, a * i - c * g,
                      c * d - a * f, d * h - e * g, b * g - a * h, a * e - b * d};
    for (int k = 0; k < 9; ++k) out[k] = static_cast<f32>(r[k] / det);
    status = 0;
}

void m3tpos(const f32* m, f32* out)
{
    f32 t[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t[3 * j + i] = m[3 * i + j];
    std::copy(t, t + 9, out);
}

f32 m3det(const f32* m)
{
    const f64 d = f64(m[0]) * (f64(m[4]) * m[8] - f64(m[5]) * m[7]) - f64(m[1]) * (f64(m[3]) * m[8] - f64(m[5]) * m[6]) +
                  f64(m[2]) * (f64(m[3]) * m[7] - f64(m[4]) * m[6]);
    return static_cast<f32>(d);
}

void rot_2rang(const f32* v, const f32* dir, const f32& lead, const f32& tilt, f32* out, i32& status)
{
    f64 n[3] = {v[0], v[1], v[2]};
    f64 ln = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    status = -1;
    if (!(ln > 1e-12)) return;
    for (f64& c : n) c /= ln;
    const f64 dn = n[0] * dir[0] + n[1] * dir[1] + n[2] * dir[2];
    f64 f[3] = {dir[0] - dn * n[0], dir[1] - dn * n[1], dir[2] - dn * n[2]};
    const f64 lf = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    if (!(lf > 1e-9)) return;
    for (f64& c : f) c /= lf;
    const f64 s[3] = {n[1] * f[2] - n[2] * f[1], n[2] * f[0] - n[0] * f[2], n[0] * f[1] - n[1] * f[0]};
    const f64 cl = std::cos(f64(lead)), sl = std::sin(f64(lead)), ct = std::cos(f64(tilt)), st = std::sin(f64(tilt));
    for (int k = 0; k < 3; ++k) out[k] = static_cast<f32>(ct * (cl * n[k] + sl * f[k]) + st * s[k]);
    status = 0;
}

i32 eqpt2(const f32* a, const f32* b) { return eqval(a[0], b[0]) && eqval(a[1], b[1]); }
i32 eqpt3(const f32* a, const f32* b) { return eqval(a[0], b[0]) && eqval(a[1], b[1]) && eqval(a[2], b[2]); }
i32 eqptd(const i32& n, const f64* a, const f64* b)
{
    for (i32 k = 0; k < n; ++k)
        if (!eqvald(a[k], b[k])) return 0;
    return 1;
}

void hatchx(const f32& c, const f32& s, f32* p)
{
    const f64 x = p[0], y = p[1];
    p[0] = static_cast<f32>(f64(c) * x - f64(s) * y);
    p[1] = static_cast<f32>(f64(s) * x + f64(c) * y);
}

void hatint(const f32* p, const f32* q, const f32& y, f32& x, f32& t, i32& answer)
{
    answer = 0;
    const f64 py = p[1], qy = q[1], h = y;
    if ((py < h && qy < h) || (py > h && qy > h)) return;
    answer = 1;
    if (py == qy) {  // along the line
        x = p[0];
        t = 0.0f;
        return;
    }
    const f64 s = (h - py) / (qy - py);
    t = static_cast<f32>(s);
    x = static_cast<f32>(f64(p[0]) + s * (f64(q[0]) - p[0]));
}

void p3tol(const f32* a, const f32* b, const f32* p, f32& dist, i32& status)
{
    if (eqpt3(a, b)) {
        status = -1;
        return;
    }
    dist = static_cast<f32>(norak::seg_distance(a, b, p, 3));
    status = 0;
}

void dilula(i32& n, f32* pts, const i32& dim, f32* par, const i32& pardim, const f32& tol)
{
    if (n <= 2 || dim < 1) return;
    const std::vector<char> keep = norak::thin_keep(pts, n, dim, f64(tol));
    i32 m = 0;
    for (i32 k = 0; k < n; ++k) {
        if (!keep[static_cast<size_t>(k)]) continue;
        if (m != k) {
            std::copy(pts + k * dim, pts + (k + 1) * dim, pts + m * dim);
            if (par) std::copy(par + k * pardim, par + (k + 1) * pardim, par + m * pardim);
        }
        ++m;
    }
    n = m;
}

void revdim(const i32& n, const i32& dim, f32* values)
{
    for (i32 i = 0, j = n - 1; i < j; ++i, --j)
        for (i32 k = 0; k < dim; ++k) std::swap(values[i * dim + k], values[j * dim + k]);
}

void revi(const i32& n, i32* values) { std::reverse(values, values + std::max<i32>(n, 0)); }

void updbxd(f64* box, const f64* point)
{
    for (int k = 0; k < 3; ++k) {
        box[k] = std::min(box[k], point[k]);
        box[3 + k] = std::max(box[3 + k], point[k]);
    }
}

void lsqrpl(const i32& n, const f64* points, f64* plane, i32& status)
{
    status = -1;
    for (int k = 0; k < 4; ++k) plane[k] = 0.0;
    if (n < 3) return;
    f64 c[3] = {0, 0, 0};
    for (i32 i = 0; i < n; ++i)
        for (int k = 0; k < 3; ++k) c[k] += points[3 * i + k] / n;
    f64 a[3][3] = {};
    for (i32 i = 0; i < n; ++i)
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 3; ++k) a[r][k] += (points[3 * i + r] - c[r]) * (points[3 * i + k] - c[k]);
    // Jacobi rotations: the eigenvector of the smallest eigenvalue is the
    // normal.
    f64 v[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int sweep = 0; sweep < 50; ++sweep) {
        const f64 off = a[0][1] * a[0][1] + a[0][2] * a[0][2] + a[1][2] * a[1][2];
        if (off < 1e-30) break;
        for (int p = 0; p < 2; ++p)
            for (int q = p + 1; q < 3; ++q) {
                if (std::fabs(a[p][q]) < 1e-300) continue;
                const f64 th = (a[q][q] - a[p][p]) / (2 * a[p][q]);
                const f64 t = (th >= 0 ? 1.0 : -1.0) / (std::fabs(th) + std::sqrt(th * th + 1));
                const f64 cs = 1 / std::sqrt(t * t + 1), sn = t * cs;
                for (int k = 0; k < 3; ++k) {
                    const f64 akp = a[k][p], akq = a[k][q];
                    a[k][p] = cs * akp - sn * akq;
                    a[k][q] = sn * akp + cs * akq;
                }
                for (int k = 0; k < 3; ++k) {
                    const f64 apk = a[p][k], aqk = a[q][k];
                    a[p][k] = cs * apk - sn * aqk;
                    a[q][k] = sn * apk + cs * aqk;
                }
                for (int k = 0; k < 3; ++k) {
                    const f64 vkp = v[k][p], vkq = v[k][q];
                    v[k][p] = cs * vkp - sn * vkq;
                    v[k][q] = sn * vkp + cs * vkq;
                }
            }
    }
    int lo = 0, mid = 1, hi = 2;
    if (a[mid][mid] < a[lo][lo]) std::swap(lo, mid);
    if (a[hi][hi] < a[lo][lo]) std::swap(lo, hi);
    if (a[hi][hi] < a[mid][mid]) std::swap(mid, hi);
    // Points on one line leave two eigenvalues at zero.
    const f64 scale = std::max(a[hi][hi], 1e-300);
    if (a[mid][mid] <= 1e-12 * scale || a[hi][hi] <= 0.0) return;
    f64 nrm[3] = {v[0][lo], v[1][lo], v[2][lo]};
    int big = 0;
    for (int k = 1; k < 3; ++k)
        if (std::fabs(nrm[k]) > std::fabs(nrm[big]) + 1e-12) big = k;
    if (nrm[big] < 0)
        for (f64& x : nrm) x = -x;
    for (int k = 0; k < 3; ++k) plane[k] = nrm[k];
    plane[3] = -(nrm[0] * c[0] + nrm[1] * c[1] + nrm[2] * c[2]);
    status = 0;
}

void int2l(const f32* a1, const f32* a2, const f32* b1, const f32* b2, f32* point, i32& status)
{
    status = 1;
    const f64 rx = f64(a2[0]) - a1[0], ry = f64(a2[1]) - a1[1];
    const f64 sx = f64(b2[0]) - b1[0], sy = f64(b2[1]) - b1[1];
    const f64 den = rx * sy - ry * sx;
    const f64 scale = std::sqrt((rx * rx + ry * ry) * (sx * sx + sy * sy));
    if (!(scale > 0.0) || std::fabs(den) <= 1e-9 * scale) return;
    const f64 qx = f64(b1[0]) - a1[0], qy = f64(b1[1]) - a1[1];
    const f64 t = (qx * sy - qy * sx) / den, u = (qx * ry - qy * rx) / den;
    const f64 e = 1e-7;
    if (t < -e || t > 1 + e || u < -e || u > 1 + e) return;
    point[0] = static_cast<f32>(a1[0] + t * rx);
    point[1] = static_cast<f32>(a1[1] + t * ry);
    point[2] = 0.0f;
    status = 0;
}
