// The road of the tool height at a point for a mode code of 10 or more: the
// exact clearance of the tool standing with its tip at the point.
#pragma once

#include "core/words.h"

// Measures the current tool (loaded into the positioning context), tip at
// point, against the triangles under it; false, with nothing written, for a
// tool the exact road cannot measure. result receives the tool-surface point
// and contact the part point that realise the smallest signed distance;
// normal receives FOUR values: the signed distance (positive clearance,
// negative penetration; 1000.0 when nothing is nearer) and the unit direction
// from the part point to the tool point, z not negative (zero when the two
// points coincide or nothing was found). surface = -1; status 0, or the
// negative status of the triangle search.
bool linnet_general(const f32* point, const f32& tolerance, f32* result, f32* contact, f32* normal, i32& surface,
                    i32& status);
