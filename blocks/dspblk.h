// The block display: one block at the list or entity cursor read, passed
// through the list transformation and shown by its type's displayer, with the
// keyboard poll after each movement block; the display state of a walk; the
// sub-procedures of a procedure; the tool figure and the status line's tool
// field and repaint.
#pragma once

#include "core/words.h"

// What the dispatcher keeps between blocks: the type of the block shown last,
// the first real, flag word and last real of the last cycle activation or
// cancel, and the count of sub-procedures shown.
struct DispatchState {
    i32 lasttype;
    f32 cyfirst;
    i32 cyflag;
    f32 cylast;
    i32 subprocs;
};
extern DispatchState DSPKPT;

// Shows the block at the cursor. Display mode: 0 erase, 1 draw, 2 update the
// state, 3 as 2 keeping the tool figure; above 10 the same without the
// block-number field. Source: 1 entity, 2 list, 3 list (just written), 8 to
// 11 the recording road. Returns the type; hit 1 when the user asked for a
// pause at a movement block in display mode 1; status 0 shown, 3 a procedure
// whose blocks lie in its sub-procedures, -1 failure.
void DSPBLK(const i32& mode, const i32& source, i32& type, i32& hit, i32& status);
// Display state of a walk: blank, move-to and fast-blank set, default
// attributes from "DSP8", attributes kept unless the mode is 3.
void DSPINI(const i32& mode);
// The entry of a row of the procedure visibility table (1 shown), handed
// down by the procedure tables when the module is loaded.
using ProcVisibility = i32 (*)(i32 row);
extern ProcVisibility DSPVIS;
// The words of that table (row r at index r, rows 1 to DSP_ROWS, index 0
// unused), handed down with it; null until then.
constexpr i32 DSP_ROWS = 200;
extern const i32* DSPVTB;
// Shows the blocks of a procedure's movement entity (procedure entity id).
// Mode 4 shows them as mode 1 when the procedure's parameter 107 is set,
// handing the host 0 for it, blanked unless the sub-procedure's row of the
// visibility table is 1.
void DSPPRC(const i32& source, const i32& mode, const i32& index, i32& status);
// Moves the tool figure to a point with its axis.
void TOLMOV(const i32& figure, const f32* point, const f32* axis, const i32& mode);
// The tool field of the status line (and the state handed to the host).
void MUTOOL(const i32& mode);
// Repaints the whole status line.
void MUALL(const i32& mode);
