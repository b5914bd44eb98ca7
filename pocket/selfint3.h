// The self-intersection run of loops with heights (3-D pocket arrays): walks
// from crossing to crossing, recording each crossing once, so that a loop
// that crosses itself in plan becomes loops free of crossings.
#pragma once

#include "core/words.h"
#include "pocket/pokarr.h"
#include "pocket/selfint.h"

// Cuts a 3-D loop into loops (into store[0..made-1]); status as DELUPS's.
i32 delups3d(const pokarr& src, pokarr* store, i32& made);
