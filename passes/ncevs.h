// A point of a pass on a surface, given by its (u, v), turned into a tool
// position: evaluation, the normal turned to the machined side, the
// movement direction for four- and five-axis milling, and the placing of the
// tool for the axis mode.
#pragma once

#include "core/words.h"

// evrec: point, Su, Sv (9 reals). out: tool position, tool axis (three-axis:
// the working normal), the normal turned to the side (9 reals). Status 0, -1
// when the tool cannot be placed, or the negative status of the evaluation.
// A tool that is not a mill leaves everything untouched.
void NCEVS1(const f64* buf, const f32& u, const f32& v, const f32& wu, const f32& wv, const i32& side,
            const i32& axmode, i32& flag3, const f32& lead, const f32& tilt, const i32& onmodel, f32* evrec, f32* out,
            i32& status);
