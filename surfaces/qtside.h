// An index kept beside the triangle quadtree for the gathering under the
// tool: per node, in the node's own entry order, copies of each entry's
// integer box, top (highest vertex Z) and surface record number, the
// boxes of the node and of runs of QS_RUN consecutive entries, the
// highest top of each run and the surface its entries share. It is
// rebuilt from the node arrays whenever the model has changed since it
// was built; the tree and its entry order stay as they are.
#pragma once

#include <vector>

#include "core/words.h"

constexpr i32 QS_RUN = 16;  // entries per run

struct QtSide {
    std::vector<i32> first;      // per node: its first entry in the arrays below (QT_NODES + 1 values)
    std::vector<i32> runs;       // per node: its first run (QT_NODES + 1 values)
    std::vector<i32> x0, y0, x1, y1;  // entry boxes, thousandths
    std::vector<f32> top;        // entry tops
    std::vector<i32> srf;        // entry surface record numbers (from 1)
    std::vector<i32> rbox;       // per run: xmin ymin xmax ymax of its entries
    std::vector<f32> rtop;       // per run: the highest top (+infinity when a top is not a number)
    std::vector<i32> rsrf;       // per run: the surface record number of all its entries, 0 when they differ
    std::vector<i32> nbox;       // per node: xmin ymin xmax ymax of its entries (4 values)
};

// The index of the current model, built when missing or out of date; null
// when the model has no node coordinates.
const QtSide* qt_side();
// Drops the index (the model changed or went away).
void qt_side_drop();
