// Output of the pass strings of one pass as tool path blocks: strings of
// points entered by their links (approach, jump along the surface or none),
// circles as arcs, the pass-output state kept current.
#pragma once

#include "frame/words.h"

void BSURAL(const i32& revflag, i32& status);
void BSURPS(const i32& e, i32& str, i32& pnt, i32& cir, const i32& revflag, i32& status);
void BLNREG(const i32& e, const i32& j, const i32& str, const i32& pnt, i32& status);
void BSURCR(const i32& e, const i32& cir, i32& status);
// Points (pts, vecs: tool axis and normal per point) behind the link of the
// link code; a new string block when asked; open tells whether a string is open.
void BPNTWR(const f32 (*pts)[3], const f32 (*vecs)[6], const i32& n, i32 code, const i32& newstr, i32& open,
            i32& status);
void BJMPWR(const f32* p, const f32* v, i32& status);
void PLGFED(const f32* q, const f32* p, i32& open);
