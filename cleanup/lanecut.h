// What the loop kernel uses of the cutting of lanes (least form until the
// area clearing is built): the crossings of a straight lane with a loop.
#pragma once

#include "core/words.h"
#include "pocket/pokarr.h"

// Crossings of the segment from-to with the loop (mode 3: a crossing far
// above or below both ends in 3-D is passed over); found: 0 none, else the
// number of crossings (1 with the first-only flag), the first in `pt`.
// Least form: finds none.
void lup_seg_cross(const i32& mode, const f64* from, const f64* to, const pokarr& loop, f64* pt, i32& found);
