// Geometry of a straight segment at a point, and the division of a length
// into equal steps.
#pragma once

#include "core/words.h"

// The Z of the segment p1-p2 at q's X or Y (the steeper of the two), and the
// vector blended between v1 and v2 there; flat 1 when the segment is vertical
// in XY (z the lower end).
void SEGPRM(const f32* p1, const f32* p2, const f32* v1, const f32* v2, const f32* q, f32& z, f32* v, i32& flat);
void SEGPRD(const f64* p1, const f64* p2, const f64* v1, const f64* v2, const f64* q, f64& z, f64* v, i32& flat);  // SEGPRM in double
// Divides a length into n (at least 4) equal steps near step.
void ARCSTP(const f32& length, f32& step, i32& n);
