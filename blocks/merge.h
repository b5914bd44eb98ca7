// Point strings put in front of others, joined where they meet the current
// tool position.
#pragma once

#include "core/words.h"

// Puts the point strings of B in front of those of A, joining where they
// meet. Capacities of points count floats (three per point).
void MRGGST(const i32& join, const i32& attr, const i32& acap, f32* apts, f32* avec, i32* aint, const i32& ascap,
            i32& ascount, i32* alens, const i32& bcap, f32* bpts, f32* bvec, i32* bint, const i32& spare,
            i32& bscount, i32* blens, i32& status);
