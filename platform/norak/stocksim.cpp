// Stock-simulation services of the stand-in host: the handle of the stock
// grid's cell array, the place where the stock was last marked valid, the
// grid handed over for display, the current stock's number; and the array
// marking, polyline thinning in doubles and the trigonometric equation the
// stock's tool images use (README, "Stock simulation").
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/host.h"
#include "platform/norak/state.h"

namespace norak {

StockSim& stock_sim() { return H().nc.stock; }

}  // namespace norak

using namespace norak;

void sim_get_valid(i32& valid, i32& level, i32& ucs)
{
    const StockSim& s = stock_sim();
    valid = s.valid;
    level = s.level;
    ucs = s.ucs;
}

void sim_stk_key_get(i32& handle) { handle = stock_sim().key; }

void sim_stk_key_set(const i32& handle) { stock_sim().key = handle < 0 ? -1 : handle; }

void sim_mark_valid(i32 proc, i32 level, i32 ucs)
{
    StockSim& s = stock_sim();
    s.valid = proc < 0 ? 0 : proc;
    s.level = level;
    s.ucs = ucs;
}

void init_nc_df_stk_vars(i32 not_display, const void* base, i32 handle, i32 nx, i32 ny, const f32* box, f32 cell,
                         const i32* flags)
{
    StockSim& s = stock_sim();
    ++s.handed;
    s.not_display = not_display;
    s.base = base;
    s.handle = handle;
    s.nx = nx;
    s.ny = ny;
    for (int k = 0; k < 6; ++k) s.box[k] = box ? box[k] : 0.0f;
    s.cell = cell;
    for (int k = 0; k < 4; ++k) s.flags[k] = flags ? flags[k] : 0;
    char line[160];
    std::snprintf(line, sizeof line, "stock: %s grid %d x %d cell %g from (%g, %g) to (%g, %g)",
                  not_display ? "working" : "display", nx, ny, static_cast<double>(cell),
                  static_cast<double>(s.box[0]), static_cast<double>(s.box[1]), static_cast<double>(s.box[3]),
                  static_cast<double>(s.box[4]));
    note(line);
}

void gsvnum(i32 mode, i32& value)
{
    if (mode != 1) return;
    value = static_cast<i32>(nc_value("stock_number"));
}

void MM_SYSTEM(i32 handle, i32& status)
{
    void* base = nullptr;
    mmcptr(handle, base);
    status = base ? 0 : -1;
}

namespace {
// Distance of point p from the segment a-b, in dim dimensions.
f64 segdistd(const f64* a, const f64* b, const f64* p, i32 dim)
{
    f64 ab = 0, ap = 0;
    for (i32 c = 0; c < dim; ++c) {
        ab += (b[c] - a[c]) * (b[c] - a[c]);
        ap += (p[c] - a[c]) * (b[c] - a[c]);
    }
    f64 t = ab > 0 ? ap / ab : 0.0;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    f64 s = 0;
    for (i32 c = 0; c < dim; ++c) {
        const f64 d = p[c] - (a[c] + t * (b[c] - a[c]));
        s += d * d;
    }
    return std::sqrt(s);
}
}  // namespace

void diluld(const i32& dim, const f64& tol, f64* pts, i32& n)
{
    if (n <= 2 || dim < 2 || dim > 3 || !pts) return;
    std::vector<char> keep(static_cast<size_t>(n), 0);
    keep[0] = keep[static_cast<size_t>(n - 1)] = 1;
    std::vector<std::pair<i32, i32>> stack{{0, n - 1}};
    while (!stack.empty()) {
        auto [i, j] = stack.back();
        stack.pop_back();
        f64 worst = -1;
        i32 w = -1;
        for (i32 k = i + 1; k < j; ++k) {
            const f64 d = segdistd(pts + i * dim, pts + j * dim, pts + k * dim, dim);
            if (d > worst) worst = d, w = k;
        }
        if (w >= 0 && worst > tol) {
            keep[static_cast<size_t>(w)] = 1;
            stack.push_back({i, w});
            stack.push_back({w, j});
        }
    }
    i32 m = 0;
    for (i32 k = 0; k < n; ++k) {
        if (!keep[static_cast<size_t>(k)]) continue;
        for (i32 c = 0; c < dim; ++c) pts[m * dim + c] = pts[k * dim + c];
        ++m;
    }
    n = m;
}

void trigo_abc(const f64& a, const f64& b, const f64& c, f64* roots, i32& count)
{
    count = 0;
    const f64 r = std::hypot(a, b);
    if (!(r > 0.0) || std::fabs(c) > r) return;
    const f64 base = std::atan2(b, a), half = std::acos(c / r);
    for (int k = 0; k < 2; ++k) {
        f64 phi = base + (k == 0 ? -half : half);
        if (phi > M_PI) phi -= 2.0 * M_PI;
        if (phi <= -M_PI) phi += 2.0 * M_PI;
        roots[k] = phi;
    }
    count = 2;
}
