// The editor's entries whose commands come with later work: each changes
// nothing, says so in one user message and answers "nothing changed".
// mnedup, which every editing road ends with, is whole.
#pragma once

#include "core/words.h"

// Brings the procedure's definition block and the status line up to date
// after the editor: closes the open sub-list, marks a changed path (code 21
// of group 24, the first and last positions) and the code-22 request, clears
// word 5 of the modal state, refreshes the status line, redraws on request.
void mnedup(i32& open, const i32& changed, const i32& code22, const i32& redraw, i32& status);

// DELETE: the motions between the delete start and the current block.
void EDTDLT(i32* start, i32* key, i32& type, i32& changed, i32& request, i32& status);
// DELETE TO END: the motions from the current block to the last one.
void EDTTRM(i32* key, i32& type, i32& changed, i32& request, i32& status);
// MACH.PARAMS: machining parameters of blocks.
void EDTPRM(i32* key, i32& changed, i32& request, i32& status);
// ALTERATIONS: the trimming of regions of motions.
void trim_tp(const i32& procedure, const i32& surfaces, i32& reply);
// ADD:GO: GO motions at the current position.
void EDTGO(i32* key, i32& type, i32& inserted, i32& changed, i32& status);
// Whether the current position lies inside an open layer (1) or not (0).
i32 CHKLYR(i32& status);
// Marks the block left current after the message edit.
void MSGMRK(i32* key, i32& status);
// ADD MESSAGE and EDIT.MESSAGE: insertion, count and edit of message blocks.
void INSMSG(i32& state, i32& changed, i32& status);
void CNTMSG(i32& count, i32& status);
void EDTMSG(i32& status);
