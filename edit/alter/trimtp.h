// ALTERATIONS of the manual editor: the blocks of the current procedure
// selected by a contour, by picking or all of them, then moved by a delta Z,
// projected onto a Z plane, or deleted with their gaps joined, region by
// region, until the user leaves.
#pragma once

#include "core/words.h"

// Runs ALTERATIONS over the current procedure list. procedure: handed on to
// the division by tool; surfaces: nonzero offers the surface options of the
// projection; reply: on return the number of operations that succeeded.
// The machining type is 33 while it runs (a STOP of the interrupt menu then
// returns to its parameter menu) and is restored on every way out.
void trim_tp(const i32& procedure, const i32& surfaces, i32& reply);
// The first and last motion of the current list and the dimension kind of
// the first; the point becomes the writers' last point and the first words
// of "DSP8" and "LSP2". Status 0 or the reader's negative status.
void proc_motion_range(i32& first, i32& last, const f32* point, const f32* normal, i32& dim_kind, i32& status);
