// Per-type block writers: each writes one block of its type in the given
// access mode (1 entity stream, 2 list with the caller's block number, 3 list
// with the list's next number) and ends the block even after a failed word.
#pragma once

#include "core/words.h"

constexpr i32 HDR_WORDS = 47;  // header words after the block number

// The 47 header words after the block number; words 26-27 (from 0 here) are
// the reserved pair and are written as 0.
void PTBT0(const i32& mode, const i32* header, const i32& number, i32& status);
// Technology block (1) of a parameter's value (itype: integer or real).
void PTBT1V(const i32& mode, const i32& param, const i32& itype, const i32& ivalue, const f32& rvalue,
            const i32& number, i32& status);
// Technology block (1) of a parameter's code.
void PTBT1C(const i32& mode, const i32& param, const i32& code, const i32& number, i32& status);
// Line (2, 22, 222): the point, with its vector for 22 and 222.
void PTBT2(const i32& mode, const i32& type, const f32* point, const f32* vector, const i32& number, i32& status);
// Arc (3, 23, 223): plane, angle, step, centre, end, and the vector for 23 and 223.
void PTBT3(const i32& mode, const i32& type, const i32& plane, const f32& angle, const f32& step, const f32* centre,
           const f32* end, const f32* vector, const i32& number, i32& status);
// Text message (4) of at most 80 characters (a longer one is reported, not written, and fails).
void PUTBT4(const i32& mode, const i32& type, const i32& length, const char* text, const i32& number, i32& status);
// NURBS (5, 25, 225): order k, n points and the knots.
void PTBT5(const i32& mode, const i32& type, const i32& k, const i32& n, const f64* knots, const f64* points,
           const i32& number, i32& status);
// Home definition (6): two points.
void PTBT6(const i32& mode, const i32& type, const f32* first, const f32* second, const i32& number, i32& status);
// MACSYS rotation (9): axes, centre, angle, the view words and the end point.
void PTBT9(const i32& mode, const i32& axes, const f32* centre, const f32& angle, const i32& i2, const f32& r2,
           const i32& view, const f32& vvalue, const f32* point, const i32& number, i32& status);
// Rotation axes definition (10): two points and their words.
void PTBT10(const i32& mode, const i32& i1, const f32* first, const f32* second, const i32& i2, const f32& r,
            const i32& number, i32& status);
// Lathe drill cycle (11): its words and start point.
void PTBT11(const i32& mode, const i32& i1, const f32& r1, const f32* point, const i32& i2, const f32& r2,
            const i32& number, i32& status);
// Thread cycle (13): start, end, the number of starts and the current one.
void PTBT13(const i32& mode, const f32* start, const f32* end, const i32& total, const i32& current,
            const i32& number, i32& status);
// Groove cycle (14): type, start, end and the six cycle values.
void PTBT14(const i32& mode, const i32& gtype, const f32* start, const f32* end, const f32* six, const i32& number,
            i32& status);
// Cycle activation (30): code and the cycle values.
void PTBT30(const i32& mode, const i32& code, const i32& i1, const f32& r1, const f32& r2, const f32& r3,
            const i32& i2, const f32& r4, const i32& number, i32& status);
// Cycle cancel (35): code and the cycle values.
void PTBT35(const i32& mode, const i32& code, const i32& i1, const f32& r1, const f32& r2, const f32& r3,
            const i32& i2, const f32& r4, const i32& number, i32& status);
// Drill location (31): point, direction and its word.
void PTBT31(const i32& mode, const f32* point, const f32* direction, const i32& i1, const i32& number, i32& status);
// Two heights (32).
void PTBT32(const i32& mode, const f32& r1, const f32& r2, const i32& number, i32& status);
// Del-Z surface setting (33): two values.
void PTBT33(const i32& mode, const f32& r1, const f32& r2, const i32& number, i32& status);
// Retract mode (34): two words.
void PTBT34(const i32& mode, const i32& i1, const i32& i2, const i32& number, i32& status);
// Depth setting (36): two Z values.
void PTBT36(const i32& mode, const f32& r1, const f32& r2, const i32& number, i32& status);
// Transformation (40): the matrix and the translation.
void PTBT40(const i32& mode, const f32* matrix, const f32* translation, const i32& number, i32& status);
// Marker (99): the kind, with its value where the kind carries one.
void PTBT99(const i32& mode, const i32& kind, const f32& rvalue, const i32& ivalue, const i32& number, i32& status);

// Marker kinds that carry one integer after the kind.
bool mrkint(i32 kind);

// String of lines: PTSTRO opens the block (technology first), PTSTRP appends
// one point record (number, point, and the vector for 22, 222, 27, 227).
void PTSTRO(const i32& kind, i32& status);
// Appends one point record to the open string block.
void PTSTRP(const i32& mode, const i32& type, const i32& number, const f32* point, const f32* vector,
            i32& status);
