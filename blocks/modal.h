// Modal machine state by technology parameter code ("DSM4", "DSP8", "WRMB"),
// the block coordinate conversion of access modes 4 and 5, and the marker and
// technology item readers.
#pragma once

#include "core/records.h"
#include "core/words.h"

// Sets the modal word of a technology parameter code (DSM4, WRMB, the
// display UCS); an unknown code is reported.
void SETMOD(const i32& code, const i32& ivalue, const f32& rvalue);

// Block coordinate conversion: p -> M p + t in double precision. It starts
// as the identity; CNVSET sets it.
struct BlockConversion {
    f64 m[9];
    f64 t[3];
    f64 ref[2];
};
extern BlockConversion BLKCNV;
void CNVSET(const f64* matrix, const f64* offset, const f64* reference);  // sets M, t and the XY reference
void CNVPNT(const f32* in, f32* out);  // a point converted
void CNVVEC(const f32* in, f32* out);  // a vector turned by M
void CNVZVL(f32& height);  // a height converted as the point at the reference XY
void CNVPTD(const f64* in, f64* out);  // a point converted in double precision
void UPDRAX(const f32* origin, const f32* matrix);  // draws the rotated Z axis at a world origin

// Reads a marker block: number, kind and the kind's real or integer value.
void RDBHED(const i32& mode, i32& number, i32& kind, f32& rvalue, i32& ivalue, i32& status);
// Reads a technology item: number, parameter, value status and the value,
// real when the parameter's type (vtype) is 1.
void RDBHD2(const i32& mode, i32& number, i32& param, i32& vstatus, i32& vtype, i32& ivalue, f32& rvalue,
            i32& status);
