// The host's plane rotation and 3x3 matrix inverse, which the frame
// transforms of the cutter location build a tilted tool's frame with.
#pragma once

#include "core/words.h"

// Rows u, v, w of the rotation that turns the normal of the plane (its first
// three values; the fourth, its constant, is not used) onto +Z; the rows
// chosen are given in the stand-in's README.
void plrot(const f32* plane, f32* m);
// out = the inverse of m (rows); status -1 (out untouched) when m is singular.
void m3inv(const f32* m, f32* out, i32& status);
