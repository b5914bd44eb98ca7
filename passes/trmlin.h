// Pass lines against the trim boundary of a trimmed surface.
#pragma once

#include "core/words.h"

// Inside pieces of the line at the pass value (pairs of (w, u, v) points, in
// the pass direction from along[0] to along[1]); at most maxpts points.
void trmpas(const i32& i, const i32& maxpts, const i32& pcode, const f32& pcur, const i32& revflag, const f32* along,
            f32* pts, i32& count, i32& status);
// The chain from the second of three (u, v) points to the third, along the
// edge line inside the trimmed region and along the boundary outside it.
void trmcnt(const i32& i, const f32* three, const i32& maxpts, f32* pts, i32& count, i32& status);
