// The example sessions in the benchmarks: their text, the cavity example run
// on the stand-in host and the list cursor at its moves (shared with the
// tests), and the box a stock over its tool path takes.
#pragma once

#include <algorithm>
#include <vector>

#include "core/host.h"
#include "core/records.h"
#include "platform/norak/norak.h"
#include "stock/movecur.h"
#include "stock/stkgrid.h"
#include "stock/stkrun.h"
#include "stock/tppoints.h"
#include "tests/common/examplerun.h"

namespace benchex {

using exrun::at_moves;
using exrun::example;
using exrun::run_cavity;

// The tool's shape as the stock takes it.
struct ToolShape {
    f32 D = 0, R = 0, L = 0, T = 0;
};

// With the cursor at the moves: the box of the path's points grown by the
// tool's diameter in X and Y (box[5] the path's highest point), the tool's
// shape, and the stock's cell record "DX79" set to `cell` with the stock
// shown.
inline void stock_box(i32 tool, f32 cell, f32* box, ToolShape& shape)
{
    i32 ph = -1, bh = -1, n = 0, st = 0;
    tp_to_points(3, MV_LIST, ph, bh, n, st);
    void* pb = nullptr;
    mmcptr(ph, pb);
    const f32* p = static_cast<const f32*>(pb);
    f32 lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    for (i32 i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) lo[c] = std::min(lo[c], p[3 * i + c]), hi[c] = std::max(hi[c], p[3 * i + c]);
    MM_CLOSE(ph, st);
    MM_CLOSE(bh, st);
    stk_tool_shape(tool, shape.D, shape.R, shape.L, shape.T);
    std::vector<i32> dx(STK_DX79_N, r2wrd(-1.0f));
    dx[0] = r2wrd(cell);
    norak::set_record("DX79", 4, dx);
    norak::settings().nc["disp_stock"] = 1;
    const f32 D = shape.D;
    const f32 b[6] = {lo[0] - D, lo[1] - D, lo[2], hi[0] + D, hi[1] + D, hi[2]};
    std::copy(b, b + 6, box);
}

}  // namespace benchex
