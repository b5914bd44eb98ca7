// The host's curve work area (curve records whose knot and control-point
// arrays the host provides), the length of such a curve, and the part's
// length unit with its name.
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
