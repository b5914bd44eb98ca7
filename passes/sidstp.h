// The side step between passes: by scallop height and by a distance in space.
#pragma once

#include "core/words.h"

// Next pass value by scallop height: 12 places across the pass, the most
// restrictive step; the metric is the surface distance at the along end.
void SCLSTP(const f64* buf, const f32& sclhgt, const f32& astart, const f32& aend, const f32& guess, const f32& pcur,
            const f32& pend, const f32& whole, const i32& pcode, const i32& side, const i32& axsmod, const i32& cutsgn,
            const f32& a1, const f32& a2, f32& next, f32& metric);
// The step from p0 at one sample place that meets the scallop target
// (status 0), only exceeds it (1, the smallest scallop) or nothing (-1).
void SCLPOS(const f64* buf, const f32& p0, f32& step, const f32& x, const f32& limit, const f32& x2, const i32& side,
            const i32& pcode, const f32& target, const i32& axsmod, const f32& a1, const f32& a2, f32& dist,
            i32& status);
// The safeguarded next trial step between the largest good and smallest bad step.
void SCLBRK(const f32& good, const f32& bad, const f32& range, const f32& prevsize, const f32& proposed, f32& step,
            i32& status);
// The tool of the scallop measure: its tip t0, its unit axis, radius R,
// corner r and flat ring R - r.
struct ScallopTool {
    const f32* tip;
    const f32* axis;
    f64 R, r, flat;
};
// Whether the point q + t n lies in the tool (within its radius, on or above
// its end).
bool scallop_in_tool(const ScallopTool& tool, const f64* q, const f64* n, f64 t);
// A distance along the ray q + t n before which no point of it lies in the
// tool (0 when the ray may start in it): the ray runs at least the
// distance from q to the tool first, which a point of the end reaches
// within the corner of the flat ring's disc, a point above the end within
// the radius of the axis. Margins far beyond the rounding of the test.
f64 scallop_entry_floor(const ScallopTool& tool, const f64* q, const f64* n);

// Next pass value by a side-step distance in space over 10 places; status
// 1 when no place could be evaluated.
void SPCSTP(const f64* buf, const f32& sidstp, const f32& tol, const f32& pcur, const f32& pend, f32& guess,
            const f32& astart, const f32& aend, const i32& pcode, const i32& side, const i32& axsmod, f32& next,
            f32& metric, i32& status);
