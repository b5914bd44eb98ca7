#include "stock/stkgrid.h"

#include <cstring>

#include "core/prcwrd.h"
#include "core/host.h"
#include "core/records.h"
#include "stock/stkimage.h"

StkGrid stk_grid = {-1, 0, 0, 0, 0.0f, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, 0.25f};

namespace {

constexpr f64 BOX_LIMIT = 1.0e8;

void init_cells(StkCell* c, i64 n)
{
    for (i64 k = 0; k < n; ++k) c[k] = StkCell{0, 0, 0, STK_NONE, STK_NONE};
}

// The cell sizes of "DX79", -1.0 where the record has none.
void read_dx79(f32* dx)
{
    for (i32 k = 0; k < STK_DX79_N; ++k) dx[k] = -1.0f;
    i32 count = STK_DX79_N, st = 0;
    mdgetn("DX79", dx, count, st);
    if (st != 0)
        for (i32 k = 0; k < STK_DX79_N; ++k) dx[k] = -1.0f;
}

// Cells of a count along one axis: extent / h truncated, kept finite.
i64 cells_along(f64 extent, f64 h)
{
    const f64 n = std::floor(extent / h);
    if (!(n >= 0.0)) return 0;
    return n > 4.0e15 ? static_cast<i64>(4.0e15) : static_cast<i64>(n);
}

// Forgets the grid; its array is closed when the host still holds it as ours.
void drop_grid(bool close)
{
    if (close && stk_grid.hdl >= 0) {
        i32 h = stk_grid.hdl, st = 0;
        MM_CLOSE(h, st);
    }
    stk_grid.hdl = -1;
    stk_grid.nx = stk_grid.ny = stk_grid.ncells = 0;
}

}  // namespace

void stk_grid_vars(const i32& mode)
{
    StkGrid& g = stk_grid;
    set_get_stock_vars(mode, g.hdl, g.nx, g.ny, g.ncells, g.box, g.cell);
}

StkCell* stk_cells()
{
    if (stk_grid.hdl < 0) return nullptr;
    void* b = nullptr;
    mmcptr(stk_grid.hdl, b);
    return static_cast<StkCell*>(b);
}

i32 stk_cell_valid(const f32& cell)
{
    // Sizes down to 2^-20 are storable: below the host's comparison
    // tolerance, so the test for a size above zero is exact.
    static const f32 one = 1.0f, top = 1024.0f;
    if (!(cell > 0.0f)) return 0;
    f32 v = cell;
    for (i32 k = 0; k < 20; ++k) {
        v *= 2.0f;
        if (eqval(v, top) || eqval(v, one)) return 1;
        if (v > top) return 0;
    }
    return 0;
}

namespace {

// A new grid over the local box: the cell chosen (the stored cell, or one
// that gives between 10^5 and 10^6 cells), the old grid dropped, the cells
// opened and cleared. False, with its message, when it cannot be opened.
bool open_new_grid(const f32* local, const i32 k, const bool display, const i32 many)
{
    // A new grid: choose the cell.
    f32 dx[STK_DX79_N];
    read_dx79(dx);
    if (stk_cell_valid(dx[k]) == 0) dx[k] = -1.0f;
    const bool set = dx[k] > 0.0f;
    stk_grid.base_cell = set ? dx[k] : 0.25f;
    f64 factor = 4.0;
    i64 nx = 0, ny = 0;
    f32 cell = 0.0f;
    for (;;) {
        f64 h = display ? stk_grid.base_cell : stk_grid.base_cell / factor;
        i64 nx0 = cells_along(f64(local[3]) - local[0], h), ny0 = cells_along(f64(local[4]) - local[1], h);
        f64 scale = 1.0;
        if (!set) {
            // A box narrower than one cell (a flat box) counts no cell:
            // taken as one, or the refinement's target sqrt(1e5 / n) would
            // be infinite and the scale loop would never end.
            const f64 n = std::fmax(1.0, f64(nx0) * f64(ny0));
            if (n < 100000.0) {
                const f64 s = std::sqrt(100000.0 / n);
                scale = 2.0;
                while (scale < s) scale *= 2.0;
            } else if (n > 1000000.0) {
                const f64 s = std::sqrt(1000000.0 / n);
                scale = 0.5;
                while (scale > s) scale *= 0.5;
            }
        }
        if (scale != 1.0) {
            nx0 = static_cast<i64>(std::floor(f64(nx0) * scale));
            ny0 = static_cast<i64>(std::floor(f64(ny0) * scale));
            h /= scale;
        }
        nx = nx0 + 1, ny = ny0 + 1;
        cell = static_cast<f32>(h);
        // Counts in 64 bits (the product of two large counts leaves 32).
        if (f64(nx) * f64(ny) <= f64(STK_MAXCELLS)) break;
        if (display || factor <= 2.0) {
            msg_mdls(339, many);
            return false;
        }
        factor -= 1.0;
    }
    const i32 ncells = static_cast<i32>(nx * ny);
    // The host marked its stock invalid (a stock set up anew) but still holds
    // the handle of our array, so that array is open and ours: the handle is
    // overwritten below, and the array and the images sampled on its cell
    // would stay open with nothing left to close them. They are closed
    // before the new array is asked for, which then has their memory too.
    if (stk_grid.hdl >= 0) {
        drop_grid(true);
        stk_image_clear(1);
    }
    i32 hdl = -1, st = 0;
    void* base = nullptr;
    MM_OPEN_ARRAY(static_cast<i32>(sizeof(StkCell)), ncells, hdl, base, st);
    // The grid replaced is closed already: the host forgets its handle
    // rather than keep one that names a closed array (or, after a failed
    // MM_SYSTEM, the new array, closed here so it is not lost).
    if (st != 0 || !base) {
        msg_mdls(339, many);
        sim_stk_key_set(-1);
        return false;
    }
    MM_SYSTEM(hdl, st);
    if (st != 0) {
        MM_CLOSE(hdl, st);
        sim_stk_key_set(-1);
        return false;
    }
    sim_stk_key_set(hdl);
    init_cells(static_cast<StkCell*>(base), ncells);
    stk_image_clear(1);
    stk_grid.hdl = hdl;
    stk_grid.nx = static_cast<i32>(nx), stk_grid.ny = static_cast<i32>(ny), stk_grid.ncells = ncells;
    stk_grid.cell = cell;
    stk_grid.box[0] = local[0], stk_grid.box[1] = local[1], stk_grid.box[3] = local[3],
    stk_grid.box[4] = local[4];
    stk_grid.box[2] = stk_grid.box[5] = 0.0f;
    return true;
}

// The grid grown to the union of its box and the local one, the old cells
// kept whole. False, with its message, when the cells cannot be had.
bool enlarge_grid(const f32* local, const i32 many)
{
    // Enlarge: the union of the two boxes, the old cells kept whole. The new
    // minimum is taken on the old grid's lattice (at or below the local
    // box's): with a cell that does not divide the distance between the two
    // minima (a display cell of 2 or more), the union's own minimum would
    // place every old cell half a cell off by the rounding of its offset.
    // The lattice point is never kept above the local minimum: the
    // millionth of a cell allowed in the count, or the float32 rounding,
    // can leave it a hair above (a cell of 2 from 99.999 down to -0.001
    // lands on -0.00099945), and then the same box would find itself
    // outside the grid on every later open and have the whole grid copied
    // into an array of the same size each time. The local minimum itself
    // is taken instead, within a millionth of a cell of the lattice, which
    // the rounded offsets of the old cells absorb.
    const f64 cell = stk_grid.cell;
    auto on_lattice = [&](f32 lo, f32 old) {
        if (!(lo < old)) return old;
        const f32 m = static_cast<f32>(old - std::ceil((f64(old) - lo) / cell - 1e-6) * cell);
        return m > lo ? lo : m;
    };
    const f32 nb[6] = {on_lattice(local[0], stk_grid.box[0]), on_lattice(local[1], stk_grid.box[1]), 0.0f,
                       std::fmax(local[3], stk_grid.box[3]), std::fmax(local[4], stk_grid.box[4]), 0.0f};
    const i64 nx = static_cast<i64>(std::floor((f64(nb[3]) - nb[0]) / cell + 1.0));
    const i64 ny = static_cast<i64>(std::floor((f64(nb[4]) - nb[1]) / cell + 1.0));
    if (!(f64(nx) * f64(ny) <= f64(STK_MAXCELLS))) {
        msg_mdls(339, 70);
        return false;
    }
    const i32 ncells = static_cast<i32>(nx * ny);
    i32 hdl = -1, st = 0;
    void* base = nullptr;
    MM_OPEN_ARRAY(static_cast<i32>(sizeof(StkCell)), ncells, hdl, base, st);
    if (st != 0 || !base) {
        msg_mdls(339, many);
        return false;
    }
    sim_stk_key_set(hdl);
    StkCell* nw = static_cast<StkCell*>(base);
    const StkCell* old = stk_cells();
    const i32 ox = stk_cell_round((f64(stk_grid.box[0]) - nb[0]) / cell);
    const i32 oy = stk_cell_round((f64(stk_grid.box[1]) - nb[1]) / cell);
    const i32 onx = stk_grid.nx, ony = stk_grid.ny;
    for (i64 j = 0; j < ny; ++j)
        for (i64 i = 0; i < nx; ++i) {
            const i64 oi = i - ox, oj = j - oy;
            StkCell& c = nw[j * nx + i];
            if (oi >= 0 && oi < onx && oj >= 0 && oj < ony)
                c = old[oj * onx + oi];
            else
                c = StkCell{0, 0, 0, STK_NONE, STK_NONE};
        }
    i32 oh = stk_grid.hdl;
    MM_CLOSE(oh, st);
    stk_grid.hdl = hdl;
    stk_grid.nx = static_cast<i32>(nx), stk_grid.ny = static_cast<i32>(ny), stk_grid.ncells = ncells;
    stk_grid.box[0] = nb[0], stk_grid.box[1] = nb[1], stk_grid.box[3] = nb[3], stk_grid.box[4] = nb[4];
    return true;
}

}  // namespace

void stk_grid_open(const f32* box, i32& shift_x, i32& shift_y, i32& status)
{
    shift_x = shift_y = 0;
    status = STK_GRID_FAIL;
    i32 k = 0;
    gsvnum(1, k);
    // The stock's entry in "DX79": an index the record does not have would
    // read and write past its 48 values; the first entry stands for it.
    if (k < 0 || k >= STK_DX79_N) k = 0;
    i32 valid = -1, level = 0, ucs = 0, key = -1;
    sim_get_valid(valid, level, ucs);
    sim_stk_key_get(key);
    const bool display = get_disp_stock() != 0;
    const i32 many = display ? 160 : 74;

    for (i32 c = 0; c < 6; ++c)
        if (!(box[c] <= BOX_LIMIT && box[c] >= -BOX_LIMIT)) {
            msg_mdls(301, 10);
            return;
        }

    // The host keeps the handle of our cells: when it no longer knows it,
    // the arrays went with the host and are forgotten, not closed.
    const bool ours = stk_grid.hdl >= 0 && key == stk_grid.hdl && stk_cells() != nullptr;
    if (!ours && stk_grid.hdl >= 0) {
        drop_grid(false);
        stk_image_clear(0);
    }
    const bool exists = valid >= 0 && ours;

    std::memcpy(stk_grid.stock, box, sizeof stk_grid.stock);
    f32 local[6];
    std::memcpy(local, box, sizeof local);
    if (exists && !display) {
        local[0] = stk_grid.box[0], local[1] = stk_grid.box[1];
        local[3] = stk_grid.box[3], local[4] = stk_grid.box[4];
    } else {
        local[0] = std::floor(box[0]) - 0.001f, local[1] = std::floor(box[1]) - 0.001f;
        local[3] = std::ceil(box[3]), local[4] = std::ceil(box[4]);
    }

    if (!exists) {
        if (!open_new_grid(local, k, display, many)) return;
    } else if (local[0] < stk_grid.box[0] || local[1] < stk_grid.box[1] || local[3] > stk_grid.box[3] ||
               local[4] > stk_grid.box[4]) {
        if (!enlarge_grid(local, many)) return;
    }
    if (exists) {
        // Where the box's corner lies in the grid (zero or negative), rounded
        // to the nearest cell on either side: adding 0.5 and truncating
        // toward zero rounds a negative offset up, a cell short of its
        // nearest one from -0.5 down.
        shift_x = stk_cell_round((f64(stk_grid.box[0]) - local[0]) / stk_grid.cell);
        shift_y = stk_cell_round((f64(stk_grid.box[1]) - local[1]) / stk_grid.cell);
    }

    const i32 not_display = display ? 0 : 1;
    sim_mark_valid(0, CLP1[0], 0);
    // The four flag words handed with the grid. Three values are known for
    // them, -1, -2 and 0, in that order: the -1 is taken for the first two.
    // Reading: the list names the distinct values of four words, so one of
    // them stands twice; the leading -1 is repeated because the order keeps
    // -2 before the closing 0, and a trailing 0 is what a word left unset
    // would hold. The host keeps the words without reading them into the
    // grid, so no stored stock depends on the choice.
    static const i32 FLAGS[4] = {-1, -1, -2, 0};
    init_nc_df_stk_vars(not_display, stk_cells(), stk_grid.hdl, stk_grid.nx, stk_grid.ny, stk_grid.box,
                        stk_grid.cell, FLAGS);
    if (display) {
        f32 dx[STK_DX79_N];
        read_dx79(dx);
        dx[k] = stk_grid.cell;
        i32 st = 0;
        mdputn("DX79", 4, STK_DX79_N, dx, st);
    }
    i32 nd = not_display;
    // The host keeps the grid's counts, box and cell with its handle between
    // procedures: the next procedure takes the grid from there (mode 1).
    stk_grid_vars(2);
    sim_get_set(2, nd, CMPBLK);
    status = 0;
}
