// Tool-shape positioning helpers: where the tool stands on a straight move,
// where it first stands moving from one point towards another at a height,
// where it stands at one point through the string road, and whether a lane
// point may be used. Each picks its road by the positioning flag word: bits
// outside 0xC0 the triangle model, 0x40 the grid lines, 0x80 the stock grid.
#pragma once

#include "core/words.h"

// Selects LINNETH for every straight move (1, as loaded); at 0 vertical and
// horizontal moves are answered by LOCSEG and LOCDIR.
extern i32 MVWTRV;
// At 1 LOCDIR's grid road uses the stock grid's move search (0 as loaded).
extern i32 DIRSTK;
// At 1 LOCPTD stores and shows each flagged point (0 as loaded).
extern i32 PTDSHW;

// The tool on the straight move from `from` to `to` in the caller's context:
// position and normal; status 0 met, 1 nothing met, -1 failure.
void LOCMVW(const f32* from, const f32* to, f32* position, f32* normal, i32& status);
// As LOCMVW, with the contact on the part.
void LOCMV2(const f32* from, const f32* to, f32* position, f32* normal, f32* contact, i32& status);
// The tool moved from `from` towards `to` at `height`: position (`to` when
// it meets nothing) and contact; status 0 found, 1 nothing met, -1 failure.
void LOCDIR(const f32* from, const f32* to, const f32& height, f32* position, f32* contact, i32& status);
// The triangle road of LOCDIR: the horizontal travel over the triangle model.
void LOCDRT(const f32* from, const f32* to, const f32& height, f32* position, f32* contact, i32& status);
// The grid-line road of LOCDIR: the first touch of the tool with the grid
// lines within 1.0 beyond `to`; status 0 found, 1 none.
void LOCDRG(const f32* from, const f32* to, const f32& height, f32* position, i32& status);
// The tool at point's XY through the string road and the grid or stock
// roads: position and normal; status 0, 1 nothing under the tool (position.z
// -1.0e10), negative a failed positioning (position.z -1.0e10).
void LOCSEG(const f32* point, f32* position, f32* normal, i32& status);
// The point road of LOCSEG: road 2 positions with PNTNET, another road with
// a one-point string (line3d when the road is 1).
void LOCSGP(const f32* point, i32 road, f32* position, f32* contact, f32* normal, i32& status);
// Whether a lane point may be used: flag 1 when the stock or the part lies
// too deep under the tool; status 0 usable, 1 not usable, negative failure.
void LOCPTD(f32* point, i32& flag, i32& status);
