#include "stock/stkwin.h"

#include <cmath>
#include <cstring>

#include "core/host.h"
#include "stock/stkgrid.h"
#include "stock/stkimage.h"

StkWindow stk_win[STK_WINDOWS] = {{-1, 0, 0, 0, 0, 0, {0, -1, 0, -1}, 0, 0, -1, 0.0f, 0.0f, 0.0f},
                                  {-1, 0, 0, 0, 0, 0, {0, -1, 0, -1}, 0, 0, -1, 0.0f, 0.0f, 0.0f},
                                  {-1, 0, 0, 0, 0, 0, {0, -1, 0, -1}, 0, 0, -1, 0.0f, 0.0f, 0.0f}};

namespace {

StkWindow* slot_of(i32 slot) { return slot >= 1 && slot <= STK_WINDOWS ? &stk_win[slot - 1] : nullptr; }

i32 bound(f64 v, i32 top)
{
    const i32 k = v < 0.0 ? 0 : (v > f64(top) ? top : static_cast<i32>(v));
    return k < 0 ? 0 : k;
}

}  // namespace

void stk_arr_init(i32& status)
{
    status = 0;
    for (StkWindow& w : stk_win) w = StkWindow{-1, 0, 0, 0, 0, 0, {0, -1, 0, -1}, 0, 0, -1, 0.0f, 0.0f, 0.0f};
}

void stk_arr_window(const i32& slot, const f32* p1, const f32* p2)
{
    StkWindow* w = slot_of(slot);
    if (!w) return;
    const StkGrid& g = stk_grid;
    // The current image's outer radius: a cut reaches the cells whose
    // centres lie within it of the move, whatever the tool's shape (a
    // taper's flank, a widened tool or a holder section reach past the
    // tool's diameter). A cell more on every side: the tool placed at a
    // point takes each cell's height from the image at the cell's offset
    // truncated to whole image steps, so a cell whose centre lies up to one
    // image step beyond the outer radius is cut as well, and a window cut
    // off at the radius would leave it out of the save and the restore.
    const f64 cell = g.cell > 0.0f ? g.cell : 1.0;
    const f64 r = f64(stk_img.diam) * 0.5 + cell;
    const f64 lx = std::fmin(p1[0], p2[0]) - r, hx = std::fmax(p1[0], p2[0]) + r;
    const f64 ly = std::fmin(p1[1], p2[1]) - r, hy = std::fmax(p1[1], p2[1]) + r;
    const i32 tx = g.nx - 1, ty = g.ny - 1;
    w->c0 = bound((lx - g.box[0]) / cell, tx), w->c1 = bound((hx - g.box[0]) / cell, tx);
    w->r0 = bound((ly - g.box[1]) / cell, ty), w->r1 = bound((hy - g.box[1]) / cell, ty);
}

void save_array_aside(const i32& slot, const f32* p1, const f32* p2, i32& status)
{
    status = 0;
    StkWindow* w = slot_of(slot);
    if (!w) return;
    stk_arr_window(slot, p1, p2);
    const StkCell* cells = stk_cells();
    if (!cells) {
        eroutc("save_array_aside, NO STOCK GRID", 0);
        status = -1;
        return;
    }
    // Two words a cell, the first height and the move number, where the
    // height alone would restore the stock's shape: a trial cut also writes
    // its move number into every cell it lowers, and the cells go to the
    // host's stock simulation with the number of the block that last cut
    // each. A height put back under the trial's number would name a block
    // that never cut the cell.
    const i32 need = 2 * (w->c1 - w->c0 + 1) * (w->r1 - w->r0 + 1);
    void* base = nullptr;
    i32 st = 0;
    if (w->cap == 0) {
        i32 h = -1;
        MM_OPEN_ARRAY(4, 2 * need, h, base, st);
        if (st == 0) w->hdl = h, w->cap = 2 * need;
    } else if (w->cap < need) {
        const i32 add = 2 * (need - w->cap);
        MM_RESIZE_ARRAY(w->hdl, add, base, st);
        if (st == 0) w->cap += add;
    } else {
        mmcptr(w->hdl, base);
    }
    if (st != 0 || !base) {
        eroutc("save_array_aside, OPEN DYNAMIC MEMORY ERROR", 0);
        status = -1;
        return;
    }
    i32* out = static_cast<i32*>(base);
    const i32 nx = stk_grid.nx;
    for (i32 j = w->r0; j <= w->r1; ++j)
        for (i32 i = w->c0; i <= w->c1; ++i) {
            const StkCell& c = cells[static_cast<size_t>(j) * nx + i];
            std::memcpy(out++, &c.h1, 4);
            *out++ = c.move;
        }
    w->s[0] = w->c0, w->s[1] = w->c1, w->s[2] = w->r0, w->s[3] = w->r1;
    w->snx = nx, w->sny = stk_grid.ny, w->shdl = stk_grid.hdl;
    w->sx0 = stk_grid.box[0], w->sy0 = stk_grid.box[1], w->scell = stk_grid.cell;
}

void restore_array(const i32& slot, i32& status)
{
    status = 0;
    StkWindow* w = slot_of(slot);
    if (!w) return;
    StkCell* cells = stk_cells();
    if (w->cap == 0 || w->s[1] < w->s[0] || !cells) {
        eroutc("restore_array, NOTHING SAVED", 0);
        status = -1;
        return;
    }
    // The cells saved are written back; a grid enlarged or made anew since
    // has moved them. The handle alone does not tell: a grid made anew gets
    // the handle its closed predecessor freed, and one of as many columns
    // over another box (or of fewer rows, past whose end the saved rows
    // would be written) would take the words at other places.
    const StkGrid& g = stk_grid;
    if (w->snx != g.nx || w->sny != g.ny || w->shdl != g.hdl || w->sx0 != g.box[0] || w->sy0 != g.box[1] ||
        w->scell != g.cell) {
        eroutc("restore_array, THE STOCK GRID CHANGED SINCE THE SAVE", 0);
        status = -1;
        return;
    }
    void* base = nullptr;
    mmcptr(w->hdl, base);
    if (!base) {
        eroutc("restore_array, NOTHING SAVED", 0);
        status = -1;
        return;
    }
    // The words go back into the window they were saved from, not the one
    // last set: a window set on the slot after the save (for the next trial)
    // would place the saved words on other cells.
    const i32* in = static_cast<const i32*>(base);
    const i32 nx = stk_grid.nx;
    for (i32 j = w->s[2]; j <= w->s[3]; ++j)
        for (i32 i = w->s[0]; i <= w->s[1]; ++i) {
            StkCell& c = cells[static_cast<size_t>(j) * nx + i];
            std::memcpy(&c.h1, in++, 4);
            c.move = *in++;  // the trial's move number undone with its cut
        }
}

void stk_arr_rels(i32& status)
{
    status = 0;
    for (StkWindow& w : stk_win) {
        if (w.cap <= 0) continue;
        i32 st = 0;
        MM_CLOSE(w.hdl, st);
        if (st != 0) {
            eroutc("stk_arr_rels, CLOSE DYNAMIC MEMORY ERROR", 0);
            status = -1;
            return;
        }
        w = StkWindow{-1, 0, 0, 0, 0, 0, {0, -1, 0, -1}, 0, 0, -1, 0.0f, 0.0f, 0.0f};
    }
}

void stk_save_h1()
{
    StkCell* c = stk_cells();
    if (!c) return;
    for (i32 k = 0; k < stk_grid.ncells; ++k) c[k].h2 = c[k].h1;
}

void stk_restore_h1()
{
    StkCell* c = stk_cells();
    if (!c) return;
    for (i32 k = 0; k < stk_grid.ncells; ++k) c[k].h1 = c[k].h2;
}
