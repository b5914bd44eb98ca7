// Per-type block readers: each reads the words of its block type after the
// block header (TPBLKH) in access mode 1 (entity), 2 or 3 (list), 4 (list,
// through the list transformation and the block coordinate conversion),
// 5 (entity, the same) or 7 (nothing is read). The first failing read ends
// the reader with its status; the values read so far stay set.
#pragma once

#include "core/words.h"

// The reading medium of an access mode: 4 reads the list, 5 the entity.
i32 rdmode(const i32& mode);

// Header of `size` words (27, 28, 29 or 49); the 47 words after the block
// number as PTBT0 takes them, absent words 0.
void RDBT0(const i32& mode, const i32& size, i32& number, i32* header, i32& status);
// Technology block (1): the parameter and its value (kind 1 real, else integer), a machine value by its subtype.
void RDBT1(const i32& mode, i32& number, i32& ptype, i32& kind, i32& ivalue, f32& rvalue, i32& status);
// One record of a line (2, 22, 222) or string (7, 27, 227) block per call;
// records is the number of records of the block.
void RDBT2(const i32& mode, const i32& type, const i32& size, i32& records, i32& number, f32* point, f32* vector,
           i32& status);
// Arc (3, 23, 223): plane, angle, step, the centre's two coordinates, the end and its vector.
void RDBT3(const i32& mode, const i32& type, i32& number, i32& plane, f32& angle, f32& step, f32* centre, f32* end,
           f32* vector, i32& status);
// Text message (4): its length (at most 80) and text.
void RDBT4(const i32& mode, const i32& unused, i32& number, i32& length, char* text, i32& status);
// NURBS: knots holds kcap values and points pcap points; a block that does
// not fit is refused.
void RDBT5(const i32& mode, const i32& kcap, const i32& pcap, i32& number, i32& k, i32& n, f32* knots, f32* points,
           i32& status);
// Home definition (6): two points.
void RDBT6(const i32& mode, i32& number, f32* first, f32* second, i32& status);
// MACSYS rotation (9): axes, centre, angle, the view words and the end point.
void RDBT9(const i32& mode, i32& number, i32& axes, f32* centre, f32& angle, i32& i2, f32& r2, i32& view,
           f32& vvalue, f32* point, i32& status);
// Rotation axes definition (10): two points and their words.
void RDBT10(const i32& mode, i32& number, i32& i1, f32* first, f32* second, i32& i2, f32& r, i32& status);
// Lathe drill cycle (11): its words and start point.
void RDBT11(const i32& mode, i32& number, i32& i1, f32& r1, f32* point, i32& i2, f32& r2, i32& status);
// Thread cycle (13): start, end, the number of starts and the current one.
void RDBT13(const i32& mode, i32& number, f32* start, f32* end, i32& total, i32& current, i32& status);
// Groove cycle (14): type, start, end and the six cycle values.
void RDBT14(const i32& mode, i32& number, i32& gtype, f32* start, f32* end, f32* six, i32& status);
// Cycle activation (30): code and the cycle values.
void RDBT30(const i32& mode, i32& number, i32& code, i32& i1, f32& r1, f32& r2, f32& r3, i32& i2, f32& r4,
            i32& status);
// Cycle cancel (35): code and the cycle values.
void RDBT35(const i32& mode, i32& number, i32& code, i32& i1, f32& r1, f32& r2, f32& r3, i32& i2, f32& r4,
            i32& status);
// Drill location (31): point, direction (Z for a short block) and its word.
void RDBT31(const i32& mode, const i32& size, i32& number, f32* point, f32* direction, i32& i1, i32& status);
// Two heights (32), raised by the list's Z in mode 4.
void RDBT32(const i32& mode, i32& number, f32& r1, f32& r2, i32& status);
// Del-Z surface setting (33): one or two values (the second when size is 4).
void RDBT33(const i32& mode, const i32& size, i32& number, f32& r1, f32& r2, i32& status);
// Retract mode (34): old and new mode.
void RDBT34(const i32& mode, i32& number, i32& i1, i32& i2, i32& status);
// Depth setting (36): two Z values.
void RDBT36(const i32& mode, i32& number, f32& r1, f32& r2, i32& status);
// Transformation (40): the matrix and the translation.
void RDBT40(const i32& mode, i32& number, f32* matrix, f32* translation, i32& status);
