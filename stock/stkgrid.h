// The Z-map stock: a regular grid of square cells over the XY box of the
// stock, each cell holding the stock top there. Tool images are stamped
// into it (stock/stkstamp.h); the host's stock simulation keeps the handle
// of its cell array and shows it.
#pragma once

#include <cmath>
#include <cstdint>

#include "core/words.h"
#include "cutter/zgrid.h"

using i64 = std::int64_t;

constexpr i32 STK_MAXCELLS = 2000001; // cells a grid may have
constexpr i32 STK_DX79_N = 48;        // cell sizes of "DX79", one per stock

// Failure status of the grid set-up.
constexpr i32 STK_GRID_FAIL = -555;

extern StkGrid stk_grid;

// Opens the grid for a box (min X, Y, Z, max X, Y, Z), or enlarges the one
// in force so that it covers the box; shift_x, shift_y: the grid's min
// corner less the box's, in cells (0 for a new grid). Status 0 or -555.
void stk_grid_open(const f32* box, i32& shift_x, i32& shift_y, i32& status);
// 1 when the value is a power of two from 2^-20 to 512 (a storable cell size), else 0.
i32 stk_cell_valid(const f32& cell);
// Mode 1 takes the grid the host keeps between procedures (none: handle
// -1); mode 2 hands the grid in force to the host.
void stk_grid_vars(const i32& mode);
// The cells of the grid, fetched from the host; null when there is no grid.
StkCell* stk_cells();
// Index of the cell nearest to a coordinate (offset from the grid's min, in
// cells, rounded to the nearest whole number on either side of the minimum).
inline i32 stk_cell_round(f64 cells)
{
    if (!(cells > -1.0e9)) return -1000000000;  // far below, or not a number
    if (cells > 1.0e9) return 1000000000;
    return static_cast<i32>(std::floor(cells + 0.5));
}
