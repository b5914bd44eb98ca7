// Per-surface reference records: a switch, and for each surface of the
// procedure (numbered from 1 by its index) two records of a point and a unit
// normal. The pass computation writes them; the tool drop only reads them.
#pragma once

#include "core/words.h"

extern i32 REFSWT;  // nonzero while the records are in force

// Record k (1 or 2) of the surface with the given index: point and normal;
// false when there is none.
bool REFGET(const i32& index, const i32& k, f32* point, f32* normal);
