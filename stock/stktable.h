// The stock a host table describes, written into the Z-map grid before a
// procedure's tool path is stamped: a block of one height, a height map
// placed by its box, run-length coded rows or full rows of heights.
#pragma once

#include "core/words.h"

// Table formats.
constexpr i32 STK_TAB_ROWS = 1, STK_TAB_RUNS = 2, STK_TAB_BLOCK = 3, STK_TAB_BLOCK4 = 4, STK_TAB_MAP = 5;

// Sets the grid up over the table's box and writes its heights: kind 52
// into the first height of the cells, any other kind into the second; cells
// the table does not reach are empty. Values beyond the grid are dropped.
// Status 0, the grid set-up's status, or -1 for a table that cannot be read.
void stk_init_table(i32 table, i32 kind, i32& status);
// The zoomed stock is not available here: an internal error and status -1.
void RUN_ZOOMED_STOCK(const i32& a, const i32& b, const i32& c, i32& status);
