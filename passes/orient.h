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
// TLTIPO, warning once (warn set to 0 after) of an under-cut, or of a gouge by the taper.
void TL3POS(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, f32* normal, f32* pos,
            i32& status, i32& warn);
// Positions of six reals: tip, unit tool axis.
void TL5POS(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, const f32* dir, f32* normal,
            const f32& lead, const f32& tilt, f32* pos, i32& status);
// Four-axis position (six reals): TOL4PT, or TOL4P1B when a leading or tilting angle (degrees, along dir) is given.
void TL4SPO(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, const f32* dir, f32* normal,
            const f32& lead, const f32& tilt, f32* pos, i32& status);
// Four-axis position (six reals): TOL4P1, or TL4PN1 when a leading or tilting angle (degrees, along dir) is given.
void TL4APO(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, const f32* dir, f32* normal,
            const f32& lead, const f32& tilt, f32* pos, i32& status);
// Five-axis position of six reals for a given normal: the normal turned by lead and tilt (degrees) along dir is the
// tool axis.
void TL5PN1(const f32& d, const f32& r, const f32& a, const f32* sp, const f32* dir, const f32* normal,
            const f32& lead, const f32& tilt, f32* pos, i32& status);
// TL5PN1 with the axis brought across the rotary axis (its component along it removed).
void TL4PN1(const f32& d, const f32& r, const f32& a, const f32* sp, const f32* dir, const f32* normal,
            const f32& lead, const f32& tilt, f32* pos, i32& status);
// Four-axis position whose axis runs from the rotary axis's origin to the point (or corner centre), turned by lead
// and tilt (degrees) along dir and brought across the rotary axis.
void TOL4P1B(const f32& d, const f32& r, const f32& a, const f32* sp, const f32* dir, const f32* normal,
             const f32& lead, const f32& tilt, f32* pos, i32& status);
// Four-axis position whose axis runs from the rotary axis's origin to the point (or corner centre), across the rotary
// axis and on the normal's side.
void TOL4PT(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, f32* normal, f32* pos,
            i32& status);
// Four-axis position whose axis is the normal with its component along the rotary axis removed.
void TOL4P1(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, f32* normal, f32* pos,
            i32& status);
// a plus the step a - b turned a quarter in XY (anticlockwise for side > 0, else clockwise), at a's height.
void PRPPNT(const f32* a, const f32* b, const f32& side, f32* result);

// Scallop height between two tool positions (status -1, height 1000, when
// they lie farther apart in XY than the diameter).
void SCLHT3(const f32& d, const f32& r, const i32& flag1, const i32& flag2, const f32* p1, const f32* p2,
            const f32* dir, f32& height, i32& status);
// SCLHT3 of a ball of diameter d with p1 and p2 seen along the mean axis; r, axis1 and axis2 are not read.
void SCLHTA(const f32& d, const f32& r, const i32& flag1, const i32& flag2, const f32* p1, const f32* p2,
            const f32* axis1, const f32* axis2, const f32* mean, f32& height, i32& status);

// The value at fraction t of range.
void RNGVAL(const f32& t, const f32* range, f32& result);
// v as a fraction of the range's length.
void RNGFRC(const f32& v, const f32* range, f32& result);
