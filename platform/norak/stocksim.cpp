// Stock-simulation services of the stand-in host: the handle of the stock
// grid's cell array, the place where the stock was last marked valid, the
// grid handed over for display, the current stock's number; and the array
// marking, polyline thinning in doubles and the trigonometric equation the
// stock's tool images use (README, "Stock simulation").
#include <cmath>
#include <cstdio>
#include <string>
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
    if (s.valid > s.reached) s.reached = s.valid;
    note("stock: valid at procedure " + std::to_string(s.valid) + " of level " + std::to_string(level));
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

void gsvnum(const i32& mode, i32& value)
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

// ---- procedure tables and the grid kept between procedures

namespace norak {
namespace {
struct ProcTables {
    std::vector<std::vector<ProcRow>> levels;  // level k at k - 1
};
ProcTables& PT() { return ext_state<ProcTables>("proc_tables"); }

const ProcRow* row_at(i32 level, i32 index)
{
    const ProcTables& t = PT();
    if (level < 1 || level > static_cast<i32>(t.levels.size()) || index < 0) return nullptr;
    const std::vector<ProcRow>& rows = t.levels[static_cast<size_t>(level - 1)];
    return index < static_cast<i32>(rows.size()) ? &rows[static_cast<size_t>(index)] : nullptr;
}

struct KeptGrid {
    i32 handle = -1, nx = 0, ny = 0, ncells = 0;
    f32 box[6] = {}, cell = 0.0f;
};
KeptGrid& KG() { return ext_state<KeptGrid>("stock_vars"); }

// Holds the row, the rows skipped over made procedures of code 0.
void put_row(i32 level, i32 index, const ProcRow& row)
{
    ProcTables& t = PT();
    if (static_cast<i32>(t.levels.size()) < level) t.levels.resize(static_cast<size_t>(level));
    std::vector<ProcRow>& rows = t.levels[static_cast<size_t>(level - 1)];
    if (static_cast<i32>(rows.size()) <= index) rows.resize(static_cast<size_t>(index) + 1);
    rows[static_cast<size_t>(index)] = row;
}

// The row of the procedure being worked on (the stock-simulation counter)
// while the session has stock procedures: computed, unlinked, in coordinate
// system 0, of the current procedure code, tool 0 (the one in use).
ProcRow worked_row()
{
    ProcRow r;
    r.code = nu_sgcd_get_code();
    return r;
}
}  // namespace

void set_proc_row(i32 level, i32 index, const ProcRow& row)
{
    if (level < 1 || index < 0) return;
    put_row(level, index, row);
    // The procedures of the first level are numbered after the rows held.
    if (level == 1 && H().nc.counter <= index) H().nc.counter = index + 1;
}

bool stock_left_uncomputed()
{
    return session_stock_procedures() && stock_sim().reached < H().nc.counter - 1;
}

void keep_worked_row()
{
    const i32 index = H().nc.counter;
    if (index < 0 || !session_stock_procedures() || row_at(1, index)) return;
    // The procedure's tool: the one the host last drew as a tool figure.
    ProcRow r = worked_row();
    for (auto f = H().figures.rbegin(); f != H().figures.rend() && r.tool == 0; ++f)
        if (f->kind == "tool") r.tool = f->tool;
    put_row(1, index, r);
}
}  // namespace norak

void get_proc_table(i32 level, i32 index, i32* row, i32& status)
{
    const ProcRow* r = row_at(level, index);
    ProcRow current;
    if (!r && level == 1 && index == H().nc.counter && session_stock_procedures()) {
        current = worked_row();
        r = &current;
    }
    status = r ? 0 : -1;
    if (!r || !row) return;
    const i32 w[PTAB_N] = {r->code, r->calc, r->exec, r->changed, r->link, r->tool, r->ucs, r->id, r->movement};
    for (i32 k = 0; k < PTAB_N; ++k) row[k] = w[k];
}

void get_stockid_and_minmax(i32 level, i32 index, i32& table, f32* box, i32& kind, f32* heights, f32* npt,
                            i32& status)
{
    const ProcRow* r = row_at(level, index);
    status = -1;
    if (!r || (r->code != 52 && r->code != 53)) return;
    table = r->table;
    kind = r->kind;
    for (int k = 0; k < 6; ++k) box[k] = r->box[k];
    for (int k = 0; k < 2; ++k) heights[k] = r->heights[k];
    for (int k = 0; k < 3; ++k) npt[k] = r->npt[k];
    status = 0;
}

void set_get_stock_vars(i32 mode, i32& handle, i32& nx, i32& ny, i32& ncells, f32* box, f32& cell)
{
    KeptGrid& g = KG();
    if (mode == 2) {
        g.handle = handle < 0 ? -1 : handle;
        g.nx = nx, g.ny = ny, g.ncells = ncells, g.cell = cell;
        for (int k = 0; k < 6; ++k) g.box[k] = box[k];
    } else if (mode == 1) {
        handle = g.handle, nx = g.nx, ny = g.ny, ncells = g.ncells, cell = g.cell;
        for (int k = 0; k < 6; ++k) box[k] = g.box[k];
    }
}
