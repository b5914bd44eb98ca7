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
#include "platform/norak/thin.h"

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

void diluld(const i32& dim, const f64& tol, f64* pts, i32& n)
{
    if (n <= 2 || dim < 2 || dim > 3 || !pts) return;
    const std::vector<char> keep = norak::thin_keep(pts, n, dim, tol);
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

// ---- generic tables: a stock handed over as ints and reals read in order

namespace norak {
namespace {
struct GenTables {
    std::vector<std::vector<GenValue>> tables;
    i32 open = -1;  // table being read, -1 none
    size_t at = 0;  // next value
};
GenTables& GT() { return ext_state<GenTables>("gen_tables"); }

// Reads count values of the given kind (1 int, 2 real) into dest.
void gen_read(i32 kind, void* dest, i32 count, i32& status)
{
    GenTables& g = GT();
    status = -1;
    if (g.open < 0 || count < 0) return;
    const std::vector<GenValue>& t = g.tables[static_cast<size_t>(g.open)];
    if (g.at + static_cast<size_t>(count) > t.size()) return;
    for (i32 k = 0; k < count; ++k)
        if (t[g.at + static_cast<size_t>(k)].kind != kind) return;
    for (i32 k = 0; k < count; ++k) {
        const GenValue& v = t[g.at + static_cast<size_t>(k)];
        if (kind == 1)
            static_cast<i32*>(dest)[k] = static_cast<i32>(v.value);
        else
            static_cast<f32*>(dest)[k] = static_cast<f32>(v.value);
    }
    g.at += static_cast<size_t>(count);
    status = 0;
}
}  // namespace

i32 add_gen_table(const std::vector<GenValue>& values)
{
    GT().tables.push_back(values);
    return static_cast<i32>(GT().tables.size());
}
}  // namespace norak

void gen_table_open(i32 table, i32 mode, i32& status)
{
    GenTables& g = GT();
    status = -1;
    if (mode != 1 || table < 1 || table > static_cast<i32>(g.tables.size())) return;
    g.open = table - 1;
    g.at = 0;
    status = 0;
}

void gen_table_get_int(i32* dest, i32 count, i32& status) { gen_read(1, dest, count, status); }
void gen_table_get_real(f32* dest, i32 count, i32& status) { gen_read(2, dest, count, status); }
void gen_table_close() { GT().open = -1; }
