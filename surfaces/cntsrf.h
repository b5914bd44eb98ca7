// What the contour lists and the drawings use of the part-surface services:
// the surfaces a contour's loop bounds, the contours a geometry entity
// stands for, the vector of a curve entity in a frame, and the arc entity
// of the clean-up's debug drawing.
#pragma once

#include "core/words.h"

// Gathers the surfaces bounded by the loop of the contour definition into
// the host's surface list (mode 1): every surface of the part, in id order,
// whose border (its trim loops, or its parameter rectangle's edges) lies
// within the contour's closed polygon in plan (border included, within
// 0.01), that the list does not hold yet. An open contour bounds nothing.
// `position` is the contour's place in its list. Another mode gathers
// nothing: "LOPSRF, WRONG MODE".
void LOPSRF(const i32* def, const i32& mode, const i32& position);
// Opens geometry entity id and checks its class and type; count: the
// contours it stands for, the step of the contour order numbers (1 for a
// curve, the number of its loops for a surface). Status -1 for no such
// entity, -2 for an entity that is no curve or surface (count 0 and a
// message either way).
void PLFGNG(const i32& id, i32& count, i32& status);
// Three-double vector of a curve entity (its placement point: a line's
// start, an arc's centre, a B-spline curve's first control point) in a
// frame: 1 the model coordinates it is stored in, 2 the current work plane
// (the world frame of the model-to-world map). Mode 1 gets it, mode 2 puts
// it (the curve moves with it). Status -1, with a message, for a mode or
// frame other than 1 and 2 or an entity that is no curve.
void DBDPTW(const i32& mode, const i32& id, const i32& frame, f64* vec, i32& status);
// An arc entity from a single-precision arc record: centre x, y, z, radius,
// start and end angle (degrees, counter-clockwise about +z from +x). id 0
// and status -1, with a message, for a radius not above 0 or an angle that
// is not finite.
void DBSARC(const f32* rec, i32& id, i32& status);
