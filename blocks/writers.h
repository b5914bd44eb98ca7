// Per-type block writers: each writes one block of its type in the given
// access mode (1 entity stream, 2 list with the caller's block number, 3 list
// with the list's next number) and ends the block even after a failed word.
#pragma once

#include "core/words.h"

constexpr i32 HDR_WORDS = 47;  // header words after the block number

// The 47 header words after the block number; words 26-27 (from 0 here) are
// the reserved pair and are written as 0.
void PTBT0(const i32& mode, const i32* header, const i32& number, i32& status);
void PTBT1V(const i32& mode, const i32& param, const i32& itype, const i32& ivalue, const f32& rvalue,
            const i32& number, i32& status);
void PTBT1C(const i32& mode, const i32& param, const i32& code, const i32& number, i32& status);
void PTBT2(const i32& mode, const i32& type, const f32* point, const f32* vector, const i32& number, i32& status);
void PTBT3(const i32& mode, const i32& type, const i32& plane, const f32& angle, const f32& step, const f32* centre,
           const f32* end, const f32* vector, const i32& number, i32& status);
void PUTBT4(const i32& mode, const i32& type, const i32& length, const char* text, const i32& number, i32& status);
void PTBT5(const i32& mode, const i32& type, const i32& k, const i32& n, const f64* knots, const f64* points,
           const i32& number, i32& status);
void PTBT6(const i32& mode, const i32& type, const f32* first, const f32* second, const i32& number, i32& status);
void PTBT9(const i32& mode, const i32& axes, const f32* centre, const f32& angle, const i32& i2, const f32& r2,
           const i32& view, const f32& vvalue, const f32* point, const i32& number, i32& status);
void PTBT10(const i32& mode, const i32& i1, const f32* first, const f32* second, const i32& i2, const f32& r,
            const i32& number, i32& status);
void PTBT11(const i32& mode, const i32& i1, const f32& r1, const f32* point, const i32& i2, const f32& r2,
            const i32& number, i32& status);
void PTBT13(const i32& mode, const f32* start, const f32* end, const i32& total, const i32& current,
            const i32& number, i32& status);
void PTBT14(const i32& mode, const i32& gtype, const f32* start, const f32* end, const f32* six, const i32& number,
            i32& status);
void PTBT30(const i32& mode, const i32& code, const i32& i1, const f32& r1, const f32& r2, const f32& r3,
            const i32& i2, const f32& r4, const i32& number, i32& status);
void PTBT35(const i32& mode, const i32& code, const i32& i1, const f32& r1, const f32& r2, const f32& r3,
            const i32& i2, const f32& r4, const i32& number, i32& status);
void PTBT31(const i32& mode, const f32* point, const f32* direction, const i32& i1, const i32& number, i32& status);
void PTBT32(const i32& mode, const f32& r1, const f32& r2, const i32& number, i32& status);
void PTBT33(const i32& mode, const f32& r1, const f32& r2, const i32& number, i32& status);
void PTBT34(const i32& mode, const i32& i1, const i32& i2, const i32& number, i32& status);
void PTBT36(const i32& mode, const f32& r1, const f32& r2, const i32& number, i32& status);
void PTBT40(const i32& mode, const f32* matrix, const f32* translation, const i32& number, i32& status);
void PTBT99(const i32& mode, const i32& kind, const f32& rvalue, const i32& ivalue, const i32& number, i32& status);

// Marker kinds that carry one integer after the kind.
bool mrkint(i32 kind);

// String of lines: PTSTRO opens the block (technology first), PTSTRP appends
// one point record (number, point, and the vector for 22, 222, 27, 227).
void PTSTRO(const i32& kind, i32& status);
void PTSTRP(const i32& mode, const i32& type, const i32& number, const f32* point, const f32* vector,
            i32& status);
