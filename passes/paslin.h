// The pass line on one surface: segments in the parameter plane sampled into
// tool points within the working tolerance, thinned and stored in the pass
// strings; the side step along the surface between two passes.
#pragma once

#include "core/words.h"

// Segment points: triples (w, u, v). Segment mode 1: one chain; 2: pairs
// (pieces inside a trim boundary). The reverse flag may be flipped when the
// nearest-end flag is set.
void surlin(const i32& cutflp, const i32& kind, const i32& segmode, i32& nearflag, i32& revflag, const f64* buf,
            const i32& side, const i32& k, const i32& n, const f32* segpts, const i32& npts, const f32& ustep,
            const f32& vstep, i32& status);
// One adaptive step from the previous point record (9 reals) towards (ue, ve).
// seg: 1 the segment runs along v, 2 along u, 0 general.
void surstp(const i32& seg, const f64* buf, const i32& side, f32& u, const f32& ue, f32& v, const f32& ve,
            const f32& dus, const f32& dvs, const f32& a1, const f32& a2, f32& ustep, f32& vstep, const f32* prev,
            f32& dev, f32* mid, f32* next, i32& endflag, i32& status);
// The side step of kind 6 along the surface at the edge b, from the previous
// pass value to the current one.
void SIDLIN(const f64* buf, const i32& side, const i32& k, const i32& n, const i32& trimmed, const i32& dircode,
            const f32& cur, const f32& a, const f32& b, const f32& prev, const f32& ustep, const f32& vstep,
            const i32& cutflp, i32& status);
