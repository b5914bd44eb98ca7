// Tapered-tool geometry, the element addresses of the triangle model used by
// the drops, and the small vector helpers of the cutter location.
#pragma once

#include <cmath>

#include "core/vec.h"
#include "core/words.h"

// ---------------------------------------------------------------- CONGEO
extern f64 CGCOTA;  // cot a
extern f64 CGRCRN;  // radius where the corner meets the flank
extern f64 CGRTP2;  // radius where the flank meets the top rounding
extern f64 CGZAPX;  // R / tan a
extern f64 CGCOT2;  // cot^2 a
extern f64 CGRTOP;  // largest radius of the top
extern f64 CGTANA;  // tan a
extern f32 CGAXIS[3];  // cos a, 0, sin a
extern f64 CGANGL;  // a, radians
extern f64 CGALLW;  // allowance in force (0 when not positive)
extern f64 CGCOMP;  // 90 degrees - a, radians
extern f64 CGLENE;  // height where the flank ends
extern f64 CGLENG;  // cut length
extern f64 CGRFLT;  // radius of the circle of the corner centres
extern f64 CGSINA;
extern f64 CGCOSA;

constexpr f64 PI = 3.141592653589793;
// Degrees to radians as the host turns them.
inline f64 radian(f64 deg) { return deg * PI * 0.005555555555555556; }

// Reads the tapered tool's diameter, corner, cut length and taper angle and sets the CONGEO values, no allowance.
void TAPSET(const i32& tool_id);
// Resets the CONGEO radii and lengths for diameter d, cut length l, allowance e (negative taken as 0), corner r.
void TAPOFS(const f32& d, const f32& l, const f32& e, const f32& r);
// Copies the flank direction (cos a, 0, sin a) into axis.
void TAPAXS(f32* axis);
// Gives the largest radius of the top (CGRTOP).
void TAPRTP(f32& value);
// Gives the radius of the circle of the corner centres (CGRFLT).
void TAPRFL(f32& value);
// Gives the allowance in force (CGALLW).
void TAPALW(f32& value);
// Gives the height where the flank ends (CGLENE).
void TAPLEN(f32& value);

// ------------------------------------------------------ model addresses
// Element addresses of SRFKEY and NODKEY for the drops (LOCPTR) and for the
// gathering (CNTPTR); status 0 (null bases while no model is open).
void LOCPTR(const i32& surface_handle, const i32& node_handle, i32& status);
// Same as LOCPTR, for the gathering's bases CNTSRB and CNTNDB.
void CNTPTR(const i32& surface_handle, const i32& node_handle, i32& status);
extern const i32* LOCSRB;  // SRFKEY base for the drops
extern const f32* LOCNDB;  // NODKEY base for the drops
extern const i32* CNTSRB;  // SRFKEY base for the gathering
extern const f32* CNTNDB;  // NODKEY base for the gathering

// Coordinates of node k (from 1) of the NODKEY base.
inline const f32* nodept(const f32* base, i32 k) { return base + 3 * static_cast<size_t>(k - 1); }
// The 20-word entry of triangle k (from 1) of the SRFKEY base.
inline const i32* srfrec(const i32* base, i32 k) { return base + 20 * static_cast<size_t>(k - 1); }

// std::fmax without the library call where the order is plain; equal values
// (signed zeros) and NaN take the library's answer.
inline f32 maxf(f32 a, f32 b) { return a > b ? a : (b > a ? b : std::fmax(a, b)); }
// maxf in double precision.
inline f64 maxd(f64 a, f64 b) { return a > b ? a : (b > a ? b : std::fmax(a, b)); }

