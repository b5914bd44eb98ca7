#include "surfaces/qtcell.h"

#include <cstring>

#include "core/host.h"
#include "surfaces/trimodel.h"

bool (*QTAXIS)(const f32* point, const i32* row, i32& touched) = nullptr;

void qt_append_row(i32 node, i32& count, i32* rows)
{
    i32* r = rows + count * QC_ROW;
    std::memcpy(r, qtrow(node), QT_ROW * sizeof(i32));
    r[QC_NODE] = node;
    ++count;
}

namespace {

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
    const bool axis = collect && point && QTAXIS && QTAXIS(point, qtrow(0), descend);
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
        if (collect && qtrow(cur)[QT_COUNT] > 0) qt_append_row(cur, count, rows);
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
                QTAXIS(point, qtrow(cur), descend);
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
    if (qtrow(node)[QT_COUNT] > 0) qt_append_row(node, count, rows);
    collect_children(box, node, cell, count, rows);
}

void qt_release_mem(i32& status)
{
    status = 0;
    qt_release_mem1(0, status);
}

void qt_release_mem1(const i32& node, i32& status)
{
    status = 0;
    i32* row = qtrow(node);
    // Handle 0 is a valid host handle: every open array is closed.
    if (row[QT_HANDLE] >= 0) {
        MM_CLOSE(row[QT_HANDLE], status);
        if (status != 0) {
            eroutc("qt_release_mem1,Close dynamic memory error", 0);
            return;
        }
        // The closed array's handle is not kept: a second release would
        // close it again, or close an array that has taken its number since.
        row[QT_HANDLE] = -1;
        row[QT_CHECK] = 0;
        row[QT_COUNT] = 0;
    }
    // The walk goes on past a failed close, and the first failure met below
    // the node is its status: the status of the last node alone would tell
    // the model's release that all went well.
    if (4 * node + 1 < QT_NODES)
        for (i32 c = 4 * node + 1; c <= 4 * node + 4; ++c) {
            i32 st = 0;
            qt_release_mem1(c, st);
            if (status == 0) status = st;
        }
}
