// Tool positions at a surface point: the tip of a tool of diameter D, corner
// radius R and taper angle A (degrees) that touches the point, for a vertical
// axis and for four- and five-axis axes chosen from the normal, the leading
// and tilting angles and the rotary axis; scallop height between two tool
// positions; small range helpers.
#pragma once

#include "core/words.h"

// Surface point record: point, first tangent, second tangent (9 reals).
// Normal source: 0 given, 1 first x second tangent, other second x first.
// Position status of TLTIPO: 0 ordinary, 1 nearly vertical wall, 2 normal
// vertical, -1 no normal or the taper gouges, -2 under-cut.
void TLTIPO(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, f32* normal, f32* pos,
            i32& status);
void TL3POS(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, f32* normal, f32* pos,
            i32& status, i32& warn);
// Positions of six reals: tip, unit tool axis.
void TL5POS(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, const f32* dir, f32* normal,
            const f32& lead, const f32& tilt, f32* pos, i32& status);
void TL4SPO(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, const f32* dir, f32* normal,
            const f32& lead, const f32& tilt, f32* pos, i32& status);
void TL4APO(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, const f32* dir, f32* normal,
            const f32& lead, const f32& tilt, f32* pos, i32& status);
void TL5PN1(const f32& d, const f32& r, const f32& a, const f32* sp, const f32* dir, const f32* normal,
            const f32& lead, const f32& tilt, f32* pos, i32& status);
void TL4PN1(const f32& d, const f32& r, const f32& a, const f32* sp, const f32* dir, const f32* normal,
            const f32& lead, const f32& tilt, f32* pos, i32& status);
void TOL4P1B(const f32& d, const f32& r, const f32& a, const f32* sp, const f32* dir, const f32* normal,
             const f32& lead, const f32& tilt, f32* pos, i32& status);
void TOL4PT(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, f32* normal, f32* pos,
            i32& status);
void TOL4P1(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, f32* normal, f32* pos,
            i32& status);
void PRPPNT(const f32* a, const f32* b, const f32& side, f32* result);

// Scallop height between two tool positions (status -1, height 1000, when
// they lie farther apart in XY than the diameter).
void SCLHT3(const f32& d, const f32& r, const i32& flag1, const i32& flag2, const f32* p1, const f32* p2,
            const f32* dir, f32& height, i32& status);
void SCLHTA(const f32& d, const f32& r, const i32& flag1, const i32& flag2, const f32* p1, const f32* p2,
            const f32* axis1, const f32* axis2, const f32* mean, f32& height, i32& status);

void RNGVAL(const f32& t, const f32* range, f32& result);
void RNGFRC(const f32& v, const f32* range, f32& result);
