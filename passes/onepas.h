// One pass over one surface: how the pass is entered, the side sign of the
// surface's passes, and the pass line at the current pass value.
#pragma once

#include "core/words.h"

// Link mode 1 first pass of the procedure, 2 first pass of a later surface,
// 3 any later pass. Pass kind out: 1 continue from the side step along the
// surface, 2 continue from the previous surface, 3 enter by an approach.
void PASLNK(const i32& linkmode, const i32& i, const f64* buf, i32& kind, i32& linked, i32& status);
// Side sign (+1 or -1, also in CUTSGN) of the passes of surface i from its normal and its two directions at the start
// corner of its limits; status negative when it cannot be loaded or evaluated.
void PASSGN(const i32& i, i32& sign, i32& status);
// Status 0 the pass line was built, 1 a circular pass was built or the line
// is degenerate, negative failure.
void SURPAS(const i32& kind, const i32& i, const f64* buf, i32& nearflag, i32& revflag, i32& status);
// A pass around a surface of revolution as one circle entry.
void SURCRC(const i32& kind, const i32& mode, const f64* buf, const i32& side, const i32& k, const i32& revflg,
            const i32& revflag, const f32& pcur, const f32& astart, const f32& aend, const i32& pcode, i32& status);
