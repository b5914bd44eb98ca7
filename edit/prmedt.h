// MACH.PARAMS of the manual editor (the machining parameters from the tool's
// position on) and the drill edits: drill points after the current position
// and the drilling depth of a range of drill blocks.
#pragma once

#include "core/words.h"

// The tool-menu item list of MACH.PARAMS (30 words, 1 offers the item),
// chosen by the NC kind; other kinds keep the list as it was last.
extern i32 PRMITM[30];

// Writes the machine state (PTAMCH) at the cursor and answers the number
// of blocks written; the last of them is remembered in the list-mark slot.
i32 write_state_counted(const i32& slot, i32& status);
// Removes the n blocks that write_state_counted wrote (the last one in slot).
void remove_written(const i32& slot, const i32& n, i32& status);
// Copies the modal state at the current block into the machine values
// "PRM9" by the NC kind (word 3 of "NPT1"). Status 0.
void MDLPRM(i32& status);
// MACH.PARAMS: the tool menu over the machine values in force at the current
// block; an accepted change writes the machine state before the menu and the
// new technology block before the next motion (or at the end of the list).
// A cancelled or unchanged menu leaves the list as it was. changed is 1 when
// the list changed; request (the code-22 request) is cleared when nothing
// changed. Status 0, -1 on a list or display failure.
void EDTPRM(i32* key, i32& changed, i32& request, i32& status);
// The drill-tip allowance of the current tool: (D / 2) / tan(A / 2) for a
// drill of diameter D and tip angle A, 0 for a tip angle of 180 and for
// other tools; a tip angle of 0 reports the message and gives 0.
f32 DRLTIP(const char* zero_angle_message);
// Drill points after the current position: the user indicates points with
// the drilling depth shown in a field; each gets its depth, del-Z surface
// and drill-location blocks. changed is 1 when a point was written. Status
// 0, -1 on a list failure.
void EDTDRL(i32* key, i32& changed, i32& request, i32& status);
// The drilling depth of the drill blocks between the two picked keys: a
// depth-setting block with the new depth before the range and one with the
// old depth after it. Only for a drilling procedure (status -1 otherwise);
// -3 on a list failure.
void EDTDPT(i32* start, i32* end, i32& changed, i32& request, i32& status);
