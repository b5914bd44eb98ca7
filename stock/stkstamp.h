// The current tool image placed on the stock grid: at a point, dropped from
// far below, or swept along a straight move. Each measures how deep the tool
// would cut and how much it would remove; the point and move forms can cut
// (lower the first height of the cells to the tool surface and record the
// move's block number there).
#pragma once

#include "core/words.h"

class StkPeaks;

constexpr i32 STK_STEPS_MAX = 32767;  // steps of a move whose engagement is recorded

// Engagement of the last sweep of mode 1 or 2: one flag a step along the
// move's major axis (a step a cell), set where the tool found stock.
struct StkSweep {
    i32 steps;       // step count of the last sweep (at most 32,767)
    f32 top;         // highest stock top seen by the last sweep (-100000.0 when none)
    char flags[STK_STEPS_MAX + 1];
};
extern StkSweep stk_sweep;

// The tool at a point (X, Y, tip Z). Mode 0 measures against the first
// height, 1 measures and cuts it (writing `move` into the cells cut), 4
// measures against the second height; max_depth, sum_depth: the deepest cut
// and the sum of the cuts over the cells. Modes 2 and 3 lift Z to the first
// contact with the first or second height (max_depth: start Z less the
// lifted Z) and answer 1; the others answer 0.
i32 stk_tool_at(const i32& mode, f32* point, const i32& move, f32& max_depth, f32& sum_depth);
// The tool dropped at (X, Y) from Z = -100000.0 onto the first height; point
// receives X, Y and the contact Z. Status 1 when no stock lies under the tool.
void stk_tool_drop(const f32* xy, f32* point, i32& status);
// The sweep of the tool from p0 to p1. cut 1 cuts the first height along the
// move and at its end, 0 measures only. mode 0 measures against the first
// height, 3 against the second; 1 and 2 against the first, recording the
// engagement per step (stk_sweep). Outputs: deepest cut over the move and at
// its end, the highest stock top seen, the volume removed over the move and
// at its end, the reported point (mode 1: where the tool first meets stock;
// mode 2: where the first free stretch begins) and the free stretch's length
// (mode 2). Status -1 without a grid or a current image.
void stk_move_sweep(const i32& cut, const i32& mode, const f32* p0, const f32* p1, const i32& move, f32& max_depth,
                    f32& end_depth, f32& top, f32& volume, f32& end_volume, f32* point, f32& length, i32& status);
// The sweep of the tool from p0 to p1 without the highest top (stk_move_sweep).
void stk_move(const i32& cut, const i32& mode, const f32* p0, const f32* p1, const i32& move, f32& max_depth,
              f32& end_depth, f32& volume, f32& end_volume, f32* point, f32& length, i32& status);
// The measures of stk_tool_at (mode 0) and stk_move (cut 0, any mode) with
// the same answers, engagement flags included, that pass over the blocks of
// cells whose peaks show no stock above the tool: fast while the tool stays
// high above most of the stock. The highest top seen (stk_sweep.top) is not
// kept. The peaks must hold for the grid as it stands (stock/stkpeak.h).
// The tool at a point, as stk_tool_at in mode 0, measured by the peaks.
void stk_tool_depth(const f32* point, StkPeaks& peaks, f32& max_depth, f32& sum_depth);
// The sweep of stk_move (cut 0, mode as there) measured by the peaks.
void stk_move_depth(const i32& mode, const f32* p0, const f32* p1, StkPeaks& peaks, f32& max_depth, f32& end_depth,
                    f32& volume, f32& end_volume, f32* point, f32& length, i32& status);
// The heights at which the tool moved in XY from p0 to p1 clears the stock:
// over the whole move (the tool at p0 included) and at its end. Status 1
// when no stock lies under the move.
void stk_move_top(const f32* p0, const f32* p1, f32& top_move, f32& top_end, i32& status);
// On the move between pa and pb, the XY where the stock top under the dropped
// tool reaches z (point: X, Y, z). Status 1 when it stays at or below z up to
// the higher end.
void stk_move_cross(const f32* pa, const f32* pb, const f32& z, f32* point, i32& status);
// A tool change inside a stamped polyline: record words 0-2 the point, 4-7
// the new tool's diameter, corner radius, length and taper. Stamps the point
// (cutting when `cut`), builds the new tool in slot 0 and its enlarged copy,
// selects slot 0 and stamps the point again with the new tool.
void stk_tool_change(const i32& cut, const f32* record, i32& status);
