// Saved windows of the stock grid: up to three rectangles of cells, each the
// cells a move of the current tool image can touch, saved aside (first
// height and move number) so that a trial cut can be undone; and the
// whole-grid copy of the first height into the second and back.
#pragma once

#include "core/words.h"

constexpr i32 STK_WINDOWS = 3;  // slots 1 to 3

// One slot: its host array (two words a cell: the first height's bits and
// the move number), the window last set and the window saved.
struct StkWindow {
    i32 hdl, cap;          // array (-1: closed) and its capacity in words
    i32 c0, c1, r0, r1;    // window last set: columns and rows, inclusive
    i32 s[4];              // window saved: columns and rows
    i32 snx, sny, shdl;    // grid the save was taken from: columns, rows, cell array
    f32 sx0, sy0, scell;   // and its min corner and cell
};
extern StkWindow stk_win[STK_WINDOWS];

// Status 0; every slot closed (handle -1, capacity 0, empty windows).
void stk_arr_init(i32& status);
// Sets the slot's window: the cells the current image can touch on the move
// from p1 to p2 (XY), clamped to the grid.
void stk_arr_window(const i32& slot, const f32* p1, const f32* p2);
// Sets the window and saves the first height and move number of its cells.
void save_array_aside(const i32& slot, const f32* p1, const f32* p2, i32& status);
// Writes the slot's saved cells back.
void restore_array(const i32& slot, i32& status);
// Closes every slot's array.
void stk_arr_rels(i32& status);
// Second height := first height, every cell.
void stk_save_h1();
// First height := second height, every cell.
void stk_restore_h1();
