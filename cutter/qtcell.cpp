#include "cutter/qtcell.h"

#include <cmath>
#include <cstring>

#include "cutter/loccom.h"
#include "core/host.h"
#include "surfaces/trimodel.h"

namespace {

void append_row(i32 node, i32& count, i32* rows)
{
    i32* r = rows + count * QC_ROW;
    std::memcpy(r, qtrow(node), QT_ROW * sizeof(i32));
    r[QC_NODE] = node;
    ++count;
}

// The children of a cell that the box touches, in the order (1,1), (2,1),
// (1,2), (2,2), each followed down its sub-tree.
void collect_children(const i32* box, i32 node, const i32* cell, i32& count, i32* rows)
{
    i32 first = 4 * node + 1;
    if (first >= QT_NODES) return;
    i32 w2 = (cell[2] - cell[0]) >> 1, h2 = (cell[3] - cell[1]) >> 1;
    i32 ixl, iyl, ixh, iyh;
    qt_box_halves(box, w2, h2, cell, ixl, iyl, ixh, iyh);
    const i32 cx[4] = {1, 2, 1, 2}, cy[4] = {1, 1, 2, 2};
    const bool touched[4] = {ixl == 1 && iyl == 1, ixh == 2 && iyl == 1, ixl == 1 && iyh == 2, ixh == 2 && iyh == 2};
    for (i32 k = 0; k < 4; ++k) {
        if (!touched[k]) continue;
        i32 c[4] = {cell[0], cell[1], cell[2], cell[3]};
        qt_child_box(c, cx[k], cy[k], cx[k], cy[k], w2, h2);
        qt_collect_below(box, first + k, c, count, rows);
    }
}

}  // namespace

void qt_box_halves(const i32* box, const i32& w2, const i32& h2, const i32* cell, i32& ix_lo, i32& iy_lo,
                   i32& ix_hi, i32& iy_hi)
{
    ix_lo = box[0] - cell[0] >= w2 ? 2 : 1;
    iy_lo = box[1] - cell[1] >= h2 ? 2 : 1;
    ix_hi = box[2] - cell[0] > w2 ? 2 : 1;
    iy_hi = box[3] - cell[1] > h2 ? 2 : 1;
    if (ix_hi < ix_lo) ix_hi = ix_lo;
    if (iy_hi < iy_lo) iy_hi = iy_lo;
}

void qt_child_box(i32* cell, const i32& ix1, const i32& iy1, const i32& ix2, const i32& iy2, const i32& w2,
                  const i32& h2)
{
    i32 x0 = cell[0], y0 = cell[1];
    cell[0] = x0 + (ix1 - 1) * w2;
    cell[2] = x0 + ix2 * w2;
    cell[1] = y0 + (iy1 - 1) * h2;
    cell[3] = y0 + iy2 * h2;
}

void qt_find_cell(const i32* box, const f32* point, i32& node, const i32& collect, i32& count, i32* rows,
                  i32* cell)
{
    if (collect) count = 0;
    for (i32 k = 0; k < 4; ++k) cell[k] = QTBOX[k];
    i32 w = cell[2] - cell[0], h = cell[3] - cell[1];
    i32 cur = 0, last = 0;
    i32 ixl = 0, iyl = 0, ixh = 0, iyh = 0;
    i32 descend = 0;
    const bool axis = collect && point && LOCAXM;
    if (axis) qt_node_reach(point, qtrow(0), descend);
    bool first = true;
    for (;;) {
        if (!first) {
            bool agree = ixl == ixh && iyl == iyh;
            if (!agree && !descend) {
                node = last;
                return;
            }
        }
        first = false;
        // Step 3: past the leaves, or list the node.
        if (cur > QT_NODES - 1) {
            node = last;
            return;
        }
        if (collect && qtrow(cur)[QT_COUNT] > 0) append_row(cur, count, rows);
        // Step 4: halve and choose the child of the box's low corner.
        w >>= 1;
        h >>= 1;
        last = cur;
        qt_box_halves(box, w, h, cell, ixl, iyl, ixh, iyh);
        cur = 4 * cur + (ixl - 1) + 2 * (iyl - 1) + 1;
        if (axis && cur < QT_NODES) {
            if (qtrow(cur)[QT_COUNT] == 0)
                descend = 1;
            else
                qt_node_reach(point, qtrow(cur), descend);
        }
        // Step 5: follow the child's cell while the box lies in one child.
        if (ixl != ixh) continue;
        if (iyl == iyh && cur < QT_NODES) qt_child_box(cell, ixl, iyl, ixl, iyl, w, h);
    }
}

void qt_collect_cells(const i32* box, i32& count, i32* rows, i32& status)
{
    status = 0;
    // A triangle box whose high side lies on a mid-line sits in the low half,
    // one whose low side lies on it in the high half: a box touching the
    // mid-line from either side must see both, so the descent runs with the
    // box grown by one thousandth.
    const i32 grown[4] = {box[0] - 1, box[1] - 1, box[2] + 1, box[3] + 1};
    i32 node = 0, cell[4];
    qt_find_cell(grown, nullptr, node, 1, count, rows, cell);
    collect_children(grown, node, cell, count, rows);
}

void qt_collect_below(const i32* box, const i32& node, const i32* cell, i32& count, i32* rows)
{
    if (qtrow(node)[QT_COUNT] > 0) append_row(node, count, rows);
    collect_children(box, node, cell, count, rows);
}

void qt_collect_axis(const i32* box, const f32* point, i32& count, i32* rows, i32& status)
{
    count = 0;
    status = 0;
    for (i32 n = 0; n < QT_NODES; ++n) {
        if (qtrow(n)[QT_COUNT] == 0) continue;
        i32 touched = 0;
        qt_node_reach(point, qtrow(n), touched);
        if (touched) append_row(n, count, rows);
    }
}

void qt_node_reach(const f32* point, const i32* row, i32& touched)
{
    touched = 0;
    const f32 R = LOCRCH, a = LOCTAX[0], b = LOCTAX[1];
    const f32 xmax = wrd2r(row[QT_XMAX]), xmin = wrd2r(row[QT_XMIN]);
    const f32 ymax = wrd2r(row[QT_YMAX]), ymin = wrd2r(row[QT_YMIN]);
    if (eqval0(a) && eqval0(b)) {
        if (gtval(point[0] - xmax, R) || gtval(xmin - point[0], R) || gtval(point[1] - ymax, R) ||
            gtval(ymin - point[1], R))
            return;
        touched = 1;
        return;
    }
    const f32 zero = 0.0f;
    f32 s = b * point[0] - a * point[1];
    f32 c[4] = {b * xmin - a * ymin - s, b * xmax - a * ymin - s, b * xmax - a * ymax - s, b * xmin - a * ymax - s};
    i32 pos = 0;
    f32 m = std::fabs(c[0]);
    for (i32 k = 0; k < 4; ++k) {
        if (gtval(c[k], zero)) ++pos;
        if (std::fabs(c[k]) < m) m = std::fabs(c[k]);
    }
    if (pos == 4 || pos == 0)
        touched = leval(m, R) ? 1 : 0;
    else
        touched = 1;
}
