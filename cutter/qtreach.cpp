#include "cutter/qtreach.h"

#include <cmath>

#include "core/host.h"
#include "cutter/loccom.h"
#include "surfaces/qtcell.h"
#include "surfaces/trimodel.h"

void qt_collect_axis(const i32* box, const f32* point, i32& count, i32* rows, i32& status)
{
    count = 0;
    status = 0;
    for (i32 n = 0; n < QT_NODES; ++n) {
        if (qtrow(n)[QT_COUNT] == 0) continue;
        i32 touched = 0;
        qt_node_reach(point, qtrow(n), touched);
        if (touched) qt_append_row(n, count, rows);
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

// The descent of qt_find_cell with a point consults the tool's reach while
// a tool axis is in force; handed down when the module is loaded.
namespace {
bool axis_reach(const f32* point, const i32* row, i32& touched)
{
    if (!LOCAXM) return false;
    qt_node_reach(point, row, touched);
    return true;
}
[[maybe_unused]] const bool HANDED_DOWN = (QTAXIS = axis_reach, true);
}  // namespace
