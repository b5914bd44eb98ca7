// Services of the stand-in host for the alterations of the manual editor:
// the user's contour definition and its offset, the crossings of a
// polyline with a polygon, and the angle of a point about a centre.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"
#include "platform/norak/state.h"

using namespace norak;

namespace {
// The contour definition's polygon (x, y pairs), the closing point dropped.
std::vector<f64> def_polygon(const i32* def)
{
    std::vector<f32> p(2 * 20000);
    i32 n = 0;
    dfcpol(def, 0.01, 20000, p.data(), n);
    std::vector<f64> out;
    for (i32 k = 0; k < n; ++k) out.insert(out.end(), {p[2 * k], p[2 * k + 1]});
    if (out.size() >= 4 && out[0] == out[out.size() - 2] && out[1] == out[out.size() - 1]) out.resize(out.size() - 2);
    return out;
}
}  // namespace

namespace {
// The view the next contour definitions lie in, 0 the XY plane.
i32& contour_view() { return ext_state<i32>("contour view"); }
// The work plane, 0 until one is set: the top view.
i32& work_plane() { return ext_state<i32>("work plane"); }
}  // namespace

// A new definition starts in the XY plane.
void dfdini()
{
    contour_view() = 0;
    note("contour: definition started");
}
void dfdtol(const i32& mode, const f64& tol) { note("contour: tolerance " + std::to_string(mode) + " " + std::to_string(tol)); }

void gscntv(const i32& mode, const i32& on)
{
    (void)mode;
    // The view's plane becomes the work plane while the contour is defined
    // in it.
    contour_view() = on != 0 ? std::max(H().settings.view, 1) : 0;
    if (on != 0) work_plane() = contour_view();
    note("contour: defined in " + (on != 0 ? "view " + std::to_string(contour_view()) : std::string("the XY plane")));
}

void gswpld(const i32& mode, const i32& which, i32& plane)
{
    (void)which;
    if (mode == 1) {
        plane = std::max(work_plane(), 1);
    } else if (mode == 2) {
        work_plane() = plane;
        note("display: work plane " + std::to_string(plane));
    }
}

void gtvrot(f32* rotation) { trget(std::max(H().settings.view, 1), rotation); }

void trchkd(const i32& mode, const f64* rotation, i32& plane, i32& status)
{
    (void)mode;
    f32 m[9];
    for (int k = 0; k < 9; ++k) m[k] = static_cast<f32>(rotation[k]);
    trchk(m, plane);
    status = plane > 0 ? 0 : -1;
    if (plane < 0) plane = 0;
}

void trgetd(const i32& plane, f64* matrix, i32& status)
{
    status = -1;
    if (plane < 1 || plane > view_count()) return;
    f32 r[9];
    trget(plane, r);
    // The view's axes are its rows: they are the columns of the matrix
    // that carries the plane's coordinates into the world's.
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) matrix[4 * i + j] = r[3 * j + i];
        matrix[4 * i + 3] = 0.0;
    }
    status = 0;
}

void m3crtd(const f64* a, const f64* b, f64* c)
{
    f64 out[12];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j) {
            f64 s = j == 3 ? a[4 * i + 3] : 0.0;
            for (int k = 0; k < 3; ++k) s += a[4 * i + k] * b[4 * k + j];
            out[4 * i + j] = s;
        }
    std::copy(out, out + 12, c);
}

void dfdc(const i32& mode, const i32& flag, const i32& limit, i32* def, i32& status)
{
    (void)mode;
    (void)flag;
    note("pick: DEFINE CONTOUR");
    std::vector<i32> ids;
    status = 0;
    while (true) {
        Host& h = H();
        if (h.next_reply >= h.replies.size()) throw session_error("reply script exhausted: the module asks a contour");
        const Reply& r = next_reply("pick", "DEFINE CONTOUR");
        if (r.escape) {
            status = -2;
            break;
        }
        if (r.exit || r.end) {
            status = ids.empty() ? -1 : 0;
            break;
        }
        if (h.entities.find(r.entity) == h.entities.end())
            throw session_error("reply " + std::to_string(r.index + 1) + " picks no entity " + std::to_string(r.entity));
        if (static_cast<i32>(ids.size()) + 1 > limit) continue;
        ids.push_back(r.entity);
    }
    if (status < 0) {
        note("reply: contour " + std::to_string(status));
        return;
    }
    def[0] = static_cast<i32>(ids.size());
    def[1] = contour_view();  // the view the contour lies in, 0 the XY plane
    for (size_t k = 0; k < ids.size(); ++k) {
        def[2 + 2 * k] = ids[k];
        def[3 + 2 * k] = 0;
    }
    note("reply: contour of " + std::to_string(ids.size()) + " curves");
}

// A contour definition names the curves picked for it and the stand-in
// makes no contour entity of them: a definition of one curve has that
// curve's id, one of several curves none.
void dfdgid(const i32* def, i32& id) { id = def[0] == 1 ? def[2] : 0; }

void dfcof2(const i32* def, const i32& zero, const f64& dist, const i32& limit, i32* out, i32& status)
{
    (void)zero;
    status = -1;
    out[0] = out[1] = 0;
    const std::vector<f64> p = def_polygon(def);
    const size_t n = p.size() / 2;
    if (n < 3 || limit < 1) return;
    // Each edge moved dist to its left; neighbouring edges met at their
    // lines' crossing (parallel neighbours: the moved point itself).
    std::vector<f64> q(3 * (n + 1), 0.0);
    for (size_t k = 0; k < n; ++k) {
        const size_t a = (k + n - 1) % n, b = (k + 1) % n;
        f64 d1[2] = {p[2 * k] - p[2 * a], p[2 * k + 1] - p[2 * a + 1]}, d2[2] = {p[2 * b] - p[2 * k], p[2 * b + 1] - p[2 * k + 1]};
        const f64 l1 = std::hypot(d1[0], d1[1]), l2 = std::hypot(d2[0], d2[1]);
        if (l1 == 0 || l2 == 0) return;
        const f64 n1[2] = {-d1[1] / l1, d1[0] / l1}, n2[2] = {-d2[1] / l2, d2[0] / l2};
        const f64 s[2] = {n1[0] + n2[0], n1[1] + n2[1]};
        const f64 dot = 1.0 + n1[0] * n2[0] + n1[1] * n2[1];
        const f64 f = dot > 1e-9 ? dist / (dot) : dist;
        q[3 * k] = p[2 * k] + s[0] * f;
        q[3 * k + 1] = p[2 * k + 1] + s[1] * f;
    }
    q[3 * n] = q[0];
    q[3 * n + 1] = q[1];
    i32 id = 0;
    crcmpl(static_cast<i32>(n + 1), q.data(), id, status);
    if (status != 0) return;
    out[0] = 1;
    out[2] = id;
    out[3] = 0;
    note("contour: offset by " + std::to_string(dist));
}

void dfcgnr(const i32& a, const i32& b, const i32& c, i32* def)
{
    (void)a;
    (void)b;
    (void)c;
    for (i32 k = 0; k < def[0]; ++k) {
        i32 st = 0;
        edelet(def[2 + 2 * k], st);
    }
    def[0] = 0;
}

void ind2po(const i32& n1, const f64* line, const i32& n2, const f64* poly, const i32& cap, i32& count, f64* xy,
            f64* fracs, i32* segs, i32& status)
{
    count = 0;
    status = 0;
    struct Hit {
        f64 x, y, f1, f2;
        i32 s1, s2;
    };
    std::vector<Hit> hits;
    for (i32 i = 0; i + 1 < n1; ++i) {
        const f64 *a = line + 2 * i, *b = line + 2 * i + 2;
        for (i32 j = 0; j + 1 < n2; ++j) {
            const f64 *c = poly + 2 * j, *d = poly + 2 * j + 2;
            const f64 r[2] = {b[0] - a[0], b[1] - a[1]}, s[2] = {d[0] - c[0], d[1] - c[1]};
            const f64 den = r[0] * s[1] - r[1] * s[0];
            if (std::fabs(den) < 1e-12) continue;  // parallel: no single crossing
            const f64 w[2] = {c[0] - a[0], c[1] - a[1]};
            const f64 t = (w[0] * s[1] - w[1] * s[0]) / den, u = (w[0] * r[1] - w[1] * r[0]) / den;
            const f64 e = 1e-9;
            if (t < -e || t > 1 + e || u < -e || u > 1 + e) continue;
            const f64 tt = std::clamp(t, 0.0, 1.0), uu = std::clamp(u, 0.0, 1.0);
            // A crossing at a vertex is counted once: on the polygon's
            // segment that starts there (the closing vertex is the first),
            // on the polyline's segment that ends there.
            if (uu >= 1.0 - e) continue;
            if (tt <= e && i > 0) continue;
            hits.push_back({a[0] + r[0] * tt, a[1] + r[1] * tt, tt, uu, i + 1, j + 1});
        }
    }
    std::sort(hits.begin(), hits.end(), [](const Hit& p, const Hit& q) {
        return p.s1 != q.s1 ? p.s1 < q.s1 : p.f1 < q.f1;
    });
    for (const Hit& h : hits) {
        if (count >= cap) break;
        xy[2 * count] = h.x;
        xy[2 * count + 1] = h.y;
        fracs[2 * count] = h.f1;
        fracs[2 * count + 1] = h.f2;
        segs[2 * count] = h.s1;
        segs[2 * count + 1] = h.s2;
        ++count;
    }
}

void angpnt(const i32& mode, const f32* centre, const f32* from, const f32* to, f32& angle)
{
    const f64 a = std::atan2(static_cast<f64>(from[1]) - centre[1], static_cast<f64>(from[0]) - centre[0]);
    const f64 b = std::atan2(static_cast<f64>(to[1]) - centre[1], static_cast<f64>(to[0]) - centre[0]);
    f64 d = b - a;
    if (mode == 3) {
        while (d < 0) d += 2 * M_PI;
        while (d >= 2 * M_PI) d -= 2 * M_PI;
    } else {
        while (d <= -M_PI) d += 2 * M_PI;
        while (d > M_PI) d -= 2 * M_PI;
    }
    angle = static_cast<f32>(d);
}
