// The host's curve work area (curve records whose knot and control-point
// arrays the host provides), the length of such a curve, and the part's
// length unit with its name; the twirl curve, its approximation and its
// sampling.
#include <cmath>
#include <cstring>
#include <vector>

#include "core/host.h"
#include "platform/norak/geometry.h"
#include "platform/norak/state.h"

namespace norak {
namespace {
struct WorkArea {
    bool open = false;
    std::vector<std::vector<f64>> arrays;  // handle k - 1
};
WorkArea& W() { return ext_state<WorkArea>("curve_work_area"); }

constexpr i32 MAX_ORDER = 16, MAX_POINTS = 100000;

// Length of the chord polygon through m + 1 even steps of [a, b].
f64 chords(const nbcrv& c, const f64* U, const f64* P, f64 a, f64 b, i32 m)
{
    f64 sum = 0, prev[3], cur[3];
    bspline_point(c.order, c.count, U, P, a, prev);
    for (i32 j = 1; j <= m; ++j) {
        bspline_point(c.order, c.count, U, P, a + (b - a) * j / m, cur);
        sum += std::sqrt((cur[0] - prev[0]) * (cur[0] - prev[0]) + (cur[1] - prev[1]) * (cur[1] - prev[1]) +
                         (cur[2] - prev[2]) * (cur[2] - prev[2]));
        std::memcpy(prev, cur, sizeof prev);
    }
    return sum;
}
}  // namespace
}  // namespace norak

using namespace norak;

void dam_ini()
{
    W().arrays.clear();
    W().open = true;
}

void dam_nrc(const i32& kind, const i32& flag, nbcrv& rec, i32& status)
{
    (void)kind;
    (void)flag;
    status = -1;
    rec.knots = rec.points = 0;
    if (!W().open || rec.order < 2 || rec.order > MAX_ORDER || rec.count < rec.order || rec.count > MAX_POINTS)
        return;
    rec.dim = 3;
    auto& a = W().arrays;
    a.emplace_back(static_cast<size_t>(rec.order + rec.count), 0.0);
    rec.knots = static_cast<i32>(a.size());
    a.emplace_back(static_cast<size_t>(3 * rec.count), 0.0);
    rec.points = static_cast<i32>(a.size());
    status = 0;
}

f64* dam_ptr(const i32& handle)
{
    auto& a = W().arrays;
    if (!W().open || handle < 1 || handle > static_cast<i32>(a.size())) return nullptr;
    return a[static_cast<size_t>(handle - 1)].data();
}

void dam_end()
{
    W().arrays.clear();
    W().open = false;
}

void nb_lng(const nbcrv& rec, const f64& tol, const i32& flag, f64& length, i32& status)
{
    (void)flag;
    length = 0;
    status = -1;
    const f64 *U = dam_ptr(rec.knots), *P = dam_ptr(rec.points);
    if (!U || !P || rec.order < 2 || rec.order > MAX_ORDER || rec.count < rec.order ||
        W().arrays[static_cast<size_t>(rec.knots - 1)].size() != static_cast<size_t>(rec.order + rec.count) ||
        W().arrays[static_cast<size_t>(rec.points - 1)].size() != static_cast<size_t>(3 * rec.count))
        return;
    for (i32 i = 1; i < rec.order + rec.count; ++i)
        if (!(U[i] >= U[i - 1])) return;
    // Span by span, chord polygons of doubling density until two agree to
    // 1e-7 of the span's length: far finer than any tolerance asked.
    (void)tol;
    const f64 eps = 1e-7;
    for (i32 s = rec.order - 1; s < rec.count; ++s) {
        const f64 a = U[s], b = U[s + 1];
        if (!(b > a)) continue;
        f64 last = chords(rec, U, P, a, b, 8);
        for (i32 m = 16; m <= 8192; m *= 2) {
            const f64 next = chords(rec, U, P, a, b, m);
            const bool done = std::fabs(next - last) <= eps * std::max(1.0, next);
            last = next;
            if (done) break;
        }
        length += last;
    }
    status = 0;
}

namespace {
// The record's arrays when they are in the work area with room for its order
// and count.
bool room(const nbcrv& rec, f64*& U, f64*& P)
{
    U = dam_ptr(rec.knots);
    P = dam_ptr(rec.points);
    if (!U || !P || rec.order < 2 || rec.order > MAX_ORDER || rec.count < rec.order) return false;
    const auto& a = W().arrays;
    return a[static_cast<size_t>(rec.knots - 1)].size() >= static_cast<size_t>(rec.order + rec.count) &&
           a[static_cast<size_t>(rec.points - 1)].size() >= static_cast<size_t>(3 * rec.count);
}

f64 dist3(const f64* a, const f64* b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

// Distance of p from the chord a-b.
f64 chord_dist(const f64* a, const f64* b, const f64* p)
{
    f64 d[3], w[3];
    for (int k = 0; k < 3; ++k) d[k] = b[k] - a[k], w[k] = p[k] - a[k];
    const f64 dd = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    f64 t = dd > 0 ? (w[0] * d[0] + w[1] * d[1] + w[2] * d[2]) / dd : 0.0;
    t = std::fmin(1.0, std::fmax(0.0, t));
    f64 q[3];
    for (int k = 0; k < 3; ++k) q[k] = a[k] + t * d[k];
    return dist3(p, q);
}
}  // namespace

void get_twirl_spline(const i32& mode, const f64* start, const f64* t1, const f64* end, const f64* t2,
                      const f64& radius, nbcrv& rec, i32& status)
{
    status = -1;
    f64 *U = nullptr, *P = nullptr;
    if (mode != 1 || rec.order != 4 || !room(rec, U, P) || !(radius > 0.0)) return;
    const f64 l1 = std::sqrt(t1[0] * t1[0] + t1[1] * t1[1] + t1[2] * t1[2]);
    const f64 l2 = std::sqrt(t2[0] * t2[0] + t2[1] * t2[1] + t2[2] * t2[2]);
    if (!(l1 > 0.0) || !(l2 > 0.0)) return;
    // The Bezier cubic whose inner control points lie 4/3 of the radius along
    // the tangents: between two opposed lanes two radii apart it draws the
    // half circle of that radius.
    const f64 a = 4.0 / 3.0 * radius;
    for (int k = 0; k < 3; ++k) {
        P[k] = start[k];
        P[3 + k] = start[k] + a * t1[k] / l1;
        P[6 + k] = end[k] - a * t2[k] / l2;
        P[9 + k] = end[k];
    }
    rec.dim = 3;
    rec.count = 4;
    for (int k = 0; k < 8; ++k) U[k] = k < 4 ? 0.0 : 1.0;
    status = 0;
}

void nb_c0approx(const nbcrv& in, const f64& tol, nbcrv& out, i32& status)
{
    (void)tol;
    status = -1;
    f64 *Ui = nullptr, *Pi = nullptr, *Uo = nullptr, *Po = nullptr;
    if (!room(in, Ui, Pi) || out.order != 4 || !room(out, Uo, Po)) return;
    // A cubic is its own approximation; the stand-in approximates nothing else.
    if (in.order != 4 || in.count > out.count) return;
    for (i32 k = 1; k < in.order + in.count; ++k)
        if (!(Ui[k] >= Ui[k - 1])) return;
    std::memcpy(Uo, Ui, sizeof(f64) * static_cast<size_t>(in.order + in.count));
    std::memcpy(Po, Pi, sizeof(f64) * static_cast<size_t>(3 * in.count));
    out.dim = 3;
    out.count = in.count;
    status = 0;
}

void nb_appbypol2(const nbcrv& rec, const f64& tol, const i32& cap, i32& count, f64* pts, i32& status)
{
    count = 0;
    status = -1;
    f64 *U = nullptr, *P = nullptr;
    if (!room(rec, U, P) || !(tol > 0.0) || cap < 2) return;
    for (i32 i = 1; i < rec.order + rec.count; ++i)
        if (!(U[i] >= U[i - 1])) return;
    // Span by span, each parameter interval is halved until the chord lies
    // within tol of the curve at five interior samples.
    struct Iv {
        f64 a, b;
        f64 pa[3], pb[3];
    };
    std::vector<f64> out;
    auto at = [&](f64 u, f64* c) { bspline_point(rec.order, rec.count, U, P, u, c); };
    f64 p0[3];
    at(U[rec.order - 1], p0);
    out.insert(out.end(), p0, p0 + 3);
    for (i32 s = rec.order - 1; s < rec.count; ++s) {
        if (!(U[s + 1] > U[s])) continue;
        std::vector<Iv> stack(1);
        stack[0].a = U[s], stack[0].b = U[s + 1];
        at(U[s], stack[0].pa);
        at(U[s + 1], stack[0].pb);
        while (!stack.empty()) {
            Iv v = stack.back();
            stack.pop_back();
            bool ok = true;
            for (int j = 1; j <= 5 && ok; ++j) {
                f64 c[3];
                at(v.a + (v.b - v.a) * j / 6.0, c);
                ok = chord_dist(v.pa, v.pb, c) <= tol;
            }
            if (ok || v.b - v.a < 1e-12) {
                out.insert(out.end(), v.pb, v.pb + 3);
                if (static_cast<i32>(out.size() / 3) > cap) return;
                continue;
            }
            Iv lo = v, hi = v;
            const f64 m = 0.5 * (v.a + v.b);
            at(m, lo.pb);
            lo.b = m;
            std::memcpy(hi.pa, lo.pb, sizeof hi.pa);
            hi.a = m;
            stack.push_back(hi);
            stack.push_back(lo);
        }
    }
    count = static_cast<i32>(out.size() / 3);
    std::memcpy(pts, out.data(), sizeof(f64) * out.size());
    status = 0;
}

void getunt(i32& code, f32& factor)
{
    factor = H().settings.unit;
    code = std::fabs(factor - 1.0f) < 1e-6f ? 1 : std::fabs(factor - 25.4f) < 1e-4f ? 2 : 0;
}

void nu_sgcd_find_unit(const i32& kind, const i32& code, char* name)
{
    (void)kind;
    std::memset(name, 0, 9);
    std::strcpy(name, code == 1 ? "MM" : code == 2 ? "INCH" : "UNITS");
}
