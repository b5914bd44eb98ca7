// Block copy between the entity stream and the list, block by block through
// the readers and writers, with the transformation that a type-40 block of a
// movement entity carries; the transformation helpers; the procedure block's
// coordinates and display codes; the save and restore of the machine state.
#pragma once

#include "core/words.h"

// The copy's transformation: set by a type-40 block read from the entity
// stream into the list, cleared by a reset and by every header block.
struct CopyTransform {
    i32 active;
    f32 m[9];  // rows, as the type-40 block stores them
    f32 t[3];
};
extern CopyTransform CPYTRF;

// Copies the block at the source cursor (1 entity, 2 or 3 list) to the
// destination (1 entity, 2 list with the block's number, 3 list with the
// list's next numbers); a source of -1 only resets the transformation.
// Returns the block's type and size. A copy into the list also updates the
// display state from the block written.
void CPYBLK(const i32& source, const i32& target, i32& type, i32& size, i32& status);

// point = M point + t; vector = M vector.
void TRMPTV(f32* point, f32* vector, const f32* matrix, const f32* translation);
// Both points transformed as points.
void TRMPT2(f32* first, f32* second, const f32* matrix, const f32* translation);
// An arc: its vector turned, its centre (two coordinates of the plane,
// completed from the end point) and end point transformed, its angle
// reversed by a mirror.
void TRMARC(const i32& plane, f32& angle, f32* centre, f32* end, f32* vector, const f32* matrix,
            const f32* translation);
// Depth values raised by the translation's z.
void TRMZZ(f32& z1, f32& z2, const f32* translation);
// A point as a point, a vector by the matrix alone.
void TRMPTW(f32* point, f32* vector, const f32* matrix, const f32* translation);
// Technology parameter 5 under a mirror: codes 9 and 10 swap.
void TRMSWP(const i32& param, i32& code, const f32* matrix);
// The coordinate parameters of the procedure block at the cursor (group 24
// codes 5 and 27, 6 and 28) transformed; code 35 set to 1.
void TRPRCB(const i32& mode, const f32* matrix, const f32* translation, i32& status);
// Codes 116, 117 (and 107 when absent) of group 24 from the procedure's
// colour and pen ("CLP1"), inserted when missing; mode 3 first sets code 31
// to 2.
void TPRCTC(const i32& mode, i32& status);
// Machine state of a procedure around an operation: nothing when skip is
// positive; mode 1 or 3 restores it, any other mode saves it.
void SAVSTA(const i32& skip, const i32& mode, i32& status);
// The current procedure block updated in mode 1.
void PTUB1(i32& status);
// The bytes of a stored tool path entity and of every entity it refers to:
// its procedures with their movements and geometry, its movements, its
// sub-tool-paths counted whole. Status 0, -1 when an entity cannot be read.
void get_tp_size_bytes(const i32& tp, i32& size, i32& status);
