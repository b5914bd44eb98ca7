// Tool positioning over the lines of the stock grid.
#pragma once

#include "frame/words.h"

// Height of the tool at point's XY over the grid lines: status 0 found, 1
// nothing under the tool, -1 failure.
void LINNET_ON_GRID_LINES(const f32* point, const f32& tolerance, f32* result, i32& status);
