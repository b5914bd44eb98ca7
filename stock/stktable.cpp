#include "stock/stktable.h"

#include <algorithm>
#include <vector>

#include "core/host.h"
#include "stock/stkgrid.h"

namespace {
// The table being read and the grid written.
struct TableRead {
    i32 status = 0;
    bool ok() const { return status >= 0; }
    void ints(i32* v, i32 n)
    {
        if (ok()) gen_table_get_int(v, n, status);
    }
    void reals(f32* v, i32 n)
    {
        if (ok()) gen_table_get_real(v, n, status);
    }
};

struct Writer {
    StkCell* c = nullptr;
    i32 nx = 0, ny = 0, cx = 0, cy = 0;
    bool h1 = true;
    // Table cell (row j, column i) at grid cell (j + cy, i + cx); outside: dropped.
    void put(i64 j, i64 i, f32 h) const
    {
        const i64 gi = i + cx, gj = j + cy;
        if (gi < 0 || gj < 0 || gi >= nx || gj >= ny) return;
        StkCell& e = c[gj * nx + gi];
        (h1 ? e.h1 : e.h2) = h;
    }
};

// Sets the grid up over the box and clears the chosen height of every cell.
bool grid_for(const f32* box, i32 kind, Writer& w, i32& status)
{
    i32 sx = 0, sy = 0;
    stk_grid_open(box, sx, sy, status);
    if (status != 0) return false;
    w.c = stk_cells();
    if (!w.c) {
        status = -1;
        return false;
    }
    w.nx = stk_grid.nx;
    w.ny = stk_grid.ny;
    w.cx = sx < 0 ? -sx : 0;
    w.cy = sy < 0 ? -sy : 0;
    w.h1 = kind == 52;
    for (i32 k = 0; k < stk_grid.ncells; ++k) (w.h1 ? w.c[k].h1 : w.c[k].h2) = STK_NONE;
    return true;
}

// A table of no columns or rows sets the grid up and writes nothing. A
// negative count, or one past the cells a grid can hold, is refused: for the
// formats read row by row it asks for a scratch row that cannot be had (the
// grid is set up and cleared first, as for any scratch that fails), and the
// runs of format 2 would fill rows of a negative length, whose cells left in
// a row never drop below a run's length.
bool sizes_ok(i32 cols, i32 rows)
{
    if (cols >= 0 && rows >= 0 && cols <= STK_MAXCELLS && rows <= STK_MAXCELLS) return true;
    erou2c("stk_init_table, WRONG SIZE OF THE STOCK TABLE: ", cols, rows);
    return false;
}
}  // namespace

void stk_init_table(i32 table, i32 kind, i32& status)
{
    status = 0;
    gen_table_open(table, 1, status);
    if (status < 0) {
        eroutc("stk_init_table, THE STOCK TABLE CANNOT BE OPENED", 0);
        return;
    }
    TableRead in;
    i32 head[5] = {0, 0, 0, 0, 0};
    in.ints(head, 5);
    const i32 format = head[0];
    i32 cr[2] = {0, 0};
    f32 box[6];
    Writer w;
    bool bad = false;
    if (in.ok() && (format == STK_TAB_BLOCK || format == STK_TAB_BLOCK4)) {
        i32 f[6];
        f32 h = 0;
        in.ints(cr, 2);
        in.ints(f, 4);
        in.reals(&h, 1);
        in.reals(box, 6);
        if (in.ok() && grid_for(box, kind, w, status)) {
            const i32 je = std::min(cr[1] - f[3], w.ny - w.cy), ie = std::min(cr[0] - f[1], w.nx - w.cx);
            for (i32 j = std::max(f[2], 0); j < je; ++j)
                for (i32 i = std::max(f[0], 0); i < ie; ++i) w.put(j, i, h);
        }
    } else if (in.ok() && format == STK_TAB_MAP) {
        in.ints(cr, 2);
        in.reals(box, 6);
        if (in.ok() && grid_for(box, kind, w, status) && (bad = !sizes_ok(cr[0], cr[1])) == false) {
            const f64 cell = stk_grid.cell;
            w.cx = stk_cell_round((f64(box[0]) - stk_grid.box[0]) / cell);
            w.cy = stk_cell_round((f64(box[1]) - stk_grid.box[1]) / cell);
            // The scratch row is the routine's own vector, not a host array:
            // it lives for this read alone, no word or other routine holds it,
            // and it goes on every return without a handle to close. Its count
            // is checked first (sizes_ok): a row longer than a grid has cells
            // is the row that cannot be had, refused with status -1 after the
            // table is closed; a shorter one is small beside the grid of cells
            // just set up.
            std::vector<f32> row(static_cast<size_t>(cr[0]));
            for (i32 k = 0; k < cr[1] && in.ok(); ++k) {
                in.reals(row.data(), cr[0]);
                for (i32 i = 0; in.ok() && i < cr[0]; ++i) w.put(k, i, row[static_cast<size_t>(i)]);
            }
        }
    } else if (in.ok() && format == STK_TAB_RUNS) {
        in.ints(cr, 2);
        in.reals(box, 6);
        i32 runs = 0;
        in.ints(&runs, 1);
        if (in.ok() && (bad = !sizes_ok(cr[0], cr[1])) == false && grid_for(box, kind, w, status)) {
            // A run shorter than 1 writes nothing (a negative length would
            // move the column back before the row's start), and the runs
            // past the table's last row have no cells to fill: the walk ends
            // there, also for a table of no columns, whose rows take nothing
            // of a run's length.
            i64 row = 0, col = 0;
            for (i32 r = 0; r < runs && in.ok() && row < cr[1]; ++r) {
                i32 len = 0;
                f32 h = 0;
                in.ints(&len, 1);
                in.reals(&h, 1);
                i64 L = len;
                while (in.ok() && L >= 1 && row < cr[1]) {
                    const i64 left = cr[0] - col;
                    if (left <= L) {
                        for (i64 i = col; i < cr[0]; ++i) w.put(row, i, h);
                        L -= left;
                        ++row;
                        col = 0;
                    } else {
                        for (i64 i = col; i < col + L; ++i) w.put(row, i, h);
                        col += L;
                        L = 0;
                    }
                }
            }
        }
    } else if (in.ok() && format == STK_TAB_ROWS) {
        in.ints(cr, 2);
        in.reals(box, 6);
        if (in.ok() && grid_for(box, kind, w, status) && (bad = !sizes_ok(cr[0], cr[1])) == false) {
            // The scratch row as for the height map above.
            std::vector<f32> row(static_cast<size_t>(cr[0]));
            for (i32 j = 0; j < cr[1] && in.ok(); ++j) {
                in.reals(row.data(), cr[0]);
                for (i32 i = 0; in.ok() && i < cr[0]; ++i) w.put(j, i, row[static_cast<size_t>(i)]);
            }
            f32 two[2];
            in.reals(two, 2);
        }
    }
    gen_table_close();
    if (status != 0) return;
    if (bad) {
        status = -1;
    } else if (!in.ok()) {
        eroutc("stk_init_table, THE STOCK TABLE ENDS TOO EARLY", 0);
        status = -1;
    }
}

void RUN_ZOOMED_STOCK(const i32& a, const i32& b, const i32& c, i32& status)
{
    (void)a, (void)b, (void)c;
    eroutc("RUN_ZOOMED_STOCK, DUMMY ROUTINE", 0);
    status = -1;
}
