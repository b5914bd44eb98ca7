// Cell arithmetic of the triangle quadtree: node numbering, halving of
// cells, the smallest node that holds a box and the gathering of the
// non-empty nodes under a box; the release of the nodes' arrays. Boxes and
// cells are i32 in thousandths.
#pragma once

#include "core/words.h"

// Rows gathered under a box: the node's 9-word row followed by its number.
constexpr i32 QC_ROW = 10;
constexpr i32 QC_NODE = 9;

// The halves (1 low, 2 high) of cell, by half-width w2 and half-height h2, in which box's low and high corners lie,
// in x and in y.
void qt_box_halves(const i32* box, const i32& w2, const i32& h2, const i32* cell, i32& ix_lo, i32& iy_lo,
                   i32& ix_hi, i32& iy_hi);
// Narrows cell in place to its halves ix1..ix2 by iy1..iy2 (1 low, 2 high) of half-width w2 and half-height h2.
void qt_child_box(i32* cell, const i32& ix1, const i32& iy1, const i32& ix2, const i32& iy2, const i32& w2,
                  const i32& h2);
// rows may be null when collect is 0.
void qt_find_cell(const i32* box, const f32* point, i32& node, const i32& collect, i32& count, i32* rows,
                  i32* cell);
// Rows (count) of every non-empty node whose cell meets box grown by one thousandth: those on the way down to the
// smallest node holding it and all under it; status 0.
void qt_collect_cells(const i32* box, i32& count, i32* rows, i32& status);
// Appends node (when it holds triangles) and every non-empty node under it whose cell meets box; cell is node's cell.
void qt_collect_below(const i32* box, const i32& node, const i32* cell, i32& count, i32* rows);
// Appends the node's row and its number to rows.
void qt_append_row(i32 node, i32& count, i32* rows);

// The tool's reach test of the descent with a point, handed down by the
// cutter location: false when no tool axis is in force, else touched set as
// its reach test over the node's row sets it.
extern bool (*QTAXIS)(const f32* point, const i32* row, i32& touched);

// Releases the arrays of every quadtree node (of the node and its subtree).
void qt_release_mem(i32& status);
// Closes and empties the arrays of node and of every node under it; status nonzero (said) when one cannot be closed.
void qt_release_mem1(const i32& node, i32& status);
