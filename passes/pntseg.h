// Whether a point lies on a segment in space, with the host's geometric
// tolerance scaled by the segment's length: three variants of one test.
#pragma once

#include "core/words.h"

// Status -1 the point is not beside the segment a-b, 0 it lies on it
// (closer than a thousand scaled tolerances), 1 it lies beside it; the
// segment parameter (0 at a, 1 at b) and the distance out.
void PNSEG1(const f32* x, const f32* a, const f32* b, f32& par, f32& dist, i32& status);
// 1 when the point lies on the segment a-b and the segment runs within about
// 26 degrees of one of the two directions d1, d2 (either sense), else 0.
i32 PNSEG2(const f32* x, const f32* d1, const f32* d2, const f32* a, const f32* b, f32& par, f32& dist);
// 1 when the point lies within ten scaled tolerances of the segment, else 0.
i32 PNSEG3(const f32* x, const f32* a, const f32* b, f32& par);
