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
void RDBT1(const i32& mode, i32& number, i32& ptype, i32& kind, i32& ivalue, f32& rvalue, i32& status);
// One record of a line (2, 22, 222) or string (7, 27, 227) block per call;
// records is the number of records of the block.
void RDBT2(const i32& mode, const i32& type, const i32& size, i32& records, i32& number, f32* point, f32* vector,
           i32& status);
void RDBT3(const i32& mode, const i32& type, i32& number, i32& plane, f32& angle, f32& step, f32* centre, f32* end,
           f32* vector, i32& status);
void RDBT4(const i32& mode, const i32& unused, i32& number, i32& length, char* text, i32& status);
// NURBS: knots holds kcap values and points pcap points; a block that does
// not fit is refused.
void RDBT5(const i32& mode, const i32& kcap, const i32& pcap, i32& number, i32& k, i32& n, f32* knots, f32* points,
           i32& status);
void RDBT6(const i32& mode, i32& number, f32* first, f32* second, i32& status);
void RDBT9(const i32& mode, i32& number, i32& axes, f32* centre, f32& angle, i32& i2, f32& r2, i32& view,
           f32& vvalue, f32* point, i32& status);
void RDBT10(const i32& mode, i32& number, i32& i1, f32* first, f32* second, i32& i2, f32& r, i32& status);
void RDBT11(const i32& mode, i32& number, i32& i1, f32& r1, f32* point, i32& i2, f32& r2, i32& status);
void RDBT13(const i32& mode, i32& number, f32* start, f32* end, i32& total, i32& current, i32& status);
void RDBT14(const i32& mode, i32& number, i32& gtype, f32* start, f32* end, f32* six, i32& status);
void RDBT30(const i32& mode, i32& number, i32& code, i32& i1, f32& r1, f32& r2, f32& r3, i32& i2, f32& r4,
            i32& status);
void RDBT35(const i32& mode, i32& number, i32& code, i32& i1, f32& r1, f32& r2, f32& r3, i32& i2, f32& r4,
            i32& status);
void RDBT31(const i32& mode, const i32& size, i32& number, f32* point, f32* direction, i32& i1, i32& status);
void RDBT32(const i32& mode, i32& number, f32& r1, f32& r2, i32& status);
void RDBT33(const i32& mode, const i32& size, i32& number, f32& r1, f32& r2, i32& status);
void RDBT34(const i32& mode, i32& number, i32& i1, i32& i2, i32& status);
void RDBT36(const i32& mode, i32& number, f32& r1, f32& r2, i32& status);
void RDBT40(const i32& mode, i32& number, f32* matrix, f32* translation, i32& status);
