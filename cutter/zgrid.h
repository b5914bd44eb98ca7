// The layout of the Z-map stock grid: its 16-byte cells and the grid that
// holds them. The stock (stock/stkgrid.h) builds and keeps the grid; the
// grid-line positioning reads it through the hooks of cutter/uphooks.h.
#pragma once

#include "core/words.h"

// One cell, 16 bytes. A height of STK_EMPTY or more means no stock there.
struct StkCell {
    u16 w1, w2;  // kept for the host's stock simulation, never read here
    i32 move;    // block number of the move that last cut the cell
    f32 h1;      // current stock top
    f32 h2;      // second height: a saved copy or the reference surface
};
static_assert(sizeof(StkCell) == 16, "a stock cell is 16 bytes");

constexpr f32 STK_EMPTY = 1.0e9f;     // heights at or above mean no stock
constexpr f32 STK_NONE = 1.0e10f;     // the height of an empty cell
// The grid. Cell (i, j), column i from 0 at the grid's min X and row j from
// 0 at its min Y, is element j * nx + i; its centre lies at (min X + i *
// cell, min Y + j * cell).
struct StkGrid {
    // Host array of StkCell; -1 when there is none: the host's array
    // handles start at 0, so 0 is a grid's handle like any other.
    i32 hdl;
    i32 nx, ny;      // cells along X and Y
    i32 ncells;      // nx * ny
    f32 cell;        // cell size
    f32 box[6];      // grid box: min X, min Y, (Z), max X, max Y, (Z); only X and Y are kept
    f32 stock[6];    // the box last given to stk_grid_open
    f32 base_cell;   // the cell size of "DX79", or 0.25
};
