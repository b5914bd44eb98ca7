// The clean-up's outline tracing: each connected patch of spots of the grid
// gets its outer outline and the outlines of its holes, traced by pivoting a
// disc of half the tool diameter round the spots; in mode 1 each traced
// patch is cleared through the pocket engine.
#pragma once

#include <vector>

#include "core/words.h"

// Traces the outlines of every patch of spots (mode 1: and clears each patch
// with the pocket engine; other modes only trace). Status negative on a
// memory failure. The grid may be closed: nothing is traced.
void clndrv(const i32& mode, const i32& option, i32& status);

// Empties the polyline store (the grid's reset).
void clntrc_clear();
// Releases the chain and the polyline store.
void clntrc_release();

// A traced outline as the tests read it: the patch it belongs to (counted
// from 0 in tracing order), its points (x, y), width, area, box (lower x,
// lower y, upper x, upper y) and direction (1 counter-clockwise, -1
// clockwise, 0 degenerate).
struct ClnOutline {
    i32 patch;
    std::vector<f32> xy;
    f32 width, area, box[4];
    i32 dir;
};
// The outlines the last clndrv left (kept after the release), the spots it
// found in the grid, and the pocket clearings it asked for.
const std::vector<ClnOutline>& clntrc_outlines();
i32 clntrc_spots();  // the spots found in the grid
i32 clntrc_clearings();  // the pocket clearings asked for
