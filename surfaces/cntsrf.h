// What the contour lists and the polygon drawing use of the part-surface
// services: the surfaces a contour's loop bounds, geometry entities of a
// contour, and a curve's vector in a frame (least forms until the contour
// services of the part surfaces are built).
#pragma once

#include "core/words.h"

// Gathers the surfaces bounded by the loop of the contour definition into
// the host's surface list (mode 1). Least form: gathers none.
void LOPSRF(const i32* def, const i32& mode, const i32& position);
// Opens geometry entity id and checks its class and type; count: the step of
// the contour order numbers it stands for. Least form: 1 for an entity of
// the part, status -1 for none.
void PLFGNG(const i32& id, i32& count, i32& status);
// Three-double vector of a curve entity in a frame (frame 2: the current work
// plane); mode 1 gets, mode 2 puts. Least form: gets a zero vector and puts
// nothing; status -1 when there is no such entity.
void DBDPTW(const i32& mode, const i32& id, const i32& frame, f64* vec, i32& status);
