// The Z-map stock grid as the cutter location reads it, and the work tables
// that the string positioning keeps with the stock's tool-profile nets.
#pragma once

#include "core/words.h"

// The grid: lowest corner, highest corner, cell size, cell counts, and per
// cell (index i + nx * j) its second height (1e10 for an empty cell) in a
// host array.
struct StkGrid {
    f32 x0, y0, x1, y1, cell;
    i32 nx, ny;
    i32 hdl, chk;  // host array of the heights, check word
};
extern StkGrid stk_grid;

// Opens a grid of nx x ny empty cells; an open one is closed first.
void stk_grid_open(f32 x0, f32 y0, f32 cell, i32 nx, i32 ny, i32& status);
void stk_grid_close();
// The heights of the cells (null while closed).
f32* stk_grid_heights();

// Handle of the tool-profile tables (mode 1: get, negative when none; other
// modes: set the handle cells).
void stk_net_hdl(i32 mode, i32& handle);
// Opens, once, the work array of `count` records of `words` words.
void stk_net_open(i32 count, i32 words, i32& handle, void*& base, i32& status);
// Builds the profile table `index` of the tool grown by the allowance and
// opens the work array through stk_net_open.
void stk_net_prof(const f32& tolerance, const f32& diameter, const f32& corner, const f32& cut, const f32& taper,
                  i32 index, const f32& allowance, i32 count, i32 words, i32& handle, void*& base, i32& status);
// Releases the tables and the work array.
void stk_net_rels();
