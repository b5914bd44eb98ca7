// Tool-shape positioning along a move: where the tool first stands when it
// moves from one point towards another at a given height.
#pragma once

#include "core/words.h"

// The tool moved from `from` towards `to` at `height`: position (`to` when
// it meets nothing) and contact; status 0 found, 1 nothing met, -1 failure.
void LOCDIR(const f32* from, const f32* to, const f32& height, f32* position, f32* contact, i32& status);
// The triangle road of LOCDIR: the horizontal travel over the triangle model.
void LOCDRT(const f32* from, const f32* to, const f32& height, f32* position, f32* contact, i32& status);
// The grid-line road of LOCDIR (least form: nothing met, status 1).
void LOCDRG(const f32* from, const f32* to, const f32& height, f32* position, i32& status);
