// Drawing the tool: its symbol at a point along an axis, the exclusive-or
// tool display around an execution, symbol masters and dialog input.
#pragma once

#include "core/words.h"

// Exclusive-or mode of the tool display (0 off) and the figure of the tool
// last drawn (-1: none shown).
extern i32 TLXMOD;
extern i32 TLSHOW;

// Shows the tool at a point with its axis (a zero axis: the default
// orientation); the figure id serves to delete it later. Status -1 when
// the tool cannot be drawn.
void SHOWTL(const i32& tool, const f32* point, const f32* axis, i32& figure, i32& status);
// Draws the tool in its default orientation (axis along Z).
void DISPT0(const i32& tool, const f32* point, i32& figure);
// Draws the tool at the point along the axis; figure -1 when nothing was
// drawn (a degenerate axis is reported).
void DISPT1(const i32& tool, const f32* point, const f32* axis, i32& figure);
void TLXON1();  // exclusive-or drawing of the tool on, mode 1
void TLXON2();  // exclusive-or drawing of the tool on, mode 2
void TLXOFF();  // also forgets that the tool is shown

// One reply of the host's dialog input on the dialog, from its first row.
i32 DMINP1(const i32& dialog);
// Groups entities into a host symbol master with one instance.
void SIMAST(const i32& unit, const i32& colour, const i32& pen, const i32& count, const i32* ids, i32& status);
