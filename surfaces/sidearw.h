// The arrows that show the sides of the part surfaces: the milling side
// confirmed with arrows, the normal of a picked surface, side arrows and the
// normal arrow of one surface.
#pragma once

#include "core/words.h"

// Shows the side arrows of the surfaces and asks for the milling side; a no
// turns every surface over (side flags and normals). Status 0, -1 leave, -2
// pick further.
void SIDEOK(const i32& first, const i32& zero, const i32& present, const i32& count, const i32* ids, f32 (*refs)[9],
            f32 (*nrms)[3], i32* sides, i32& slot, const i32& v4, const i32& v1, i32 (*ranges)[2], i32& status);
// Normal of surface id at (u, v) into its side flag, reference evaluation
// and normal; a surface with no normal there is reported by its ordinal
// (index from 0) and gives status -1.
void WRGNRM(const i32& index, const i32& id, const f32& u, const f32& v, i32& side, f32* ref, f32* nrm, i32& status);
// Side arrows of count surfaces in one figure kept in slot (replaced);
// ARWSH2 is the same. ARWDEL deletes count figures and sets their ids to 0.
void ARWSHW(const i32& mode, const i32& count, f32 (*refs)[9], f32 (*nrms)[3], i32& slot);
// The same as ARWSHW.
void ARWSH2(const i32& mode, const i32& count, f32 (*refs)[9], f32 (*nrms)[3], i32& slot);
// Deletes the count figures of ids (those not 0) and sets their ids to 0.
void ARWDEL(const i32& count, i32* ids);
// Normal arrow of surface id at the middle of its ranges; mode 2 shows it
// until the next call of mode 2 on that surface takes it away again.
void SRFARW(const i32& mode, const i32& id, f64* work, i32& status);
// The normal arrows shown: erase 1 takes them away, 0 only forgets them (a
// new procedure; the display is not touched).
void ARWCLR(const i32& erase);
