// The crossings of a straight lane with a loop, used by the loop kernel's
// lane test and the cutting.
#pragma once

#include "core/words.h"
#include "pocket/pokarr.h"

// Crossings of the segment from-to with the plane loop; found: 0 none,
// else the number of crossings (mode 1: only the first, found 1), the one
// nearest `from` in `pt`. Mode 3 is the lane test's (plane loops: as 0).
void lup_seg_cross(const i32& mode, const f64* from, const f64* to, const pokarr& loop, f64* pt, i32& found);
