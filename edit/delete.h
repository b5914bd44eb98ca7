// The deletion commands of the manual editor and the update of the
// procedure after any change of the editor.
#pragma once

#include "core/words.h"

// DELETE: the motions between the delete start and the current block, the
// gap closed by the connect option the user chooses. The current key ends on
// the block left current. Status 0, 17 when the range began at the first
// motion, -2 declined, -3 list failure.
void EDTDLT(i32* start, i32* key, i32& type, i32& changed, i32& request, i32& status);
// DELETE TO END: the motions from the current block to the last one, the gap
// closed through the clearance plane (only the retract: nothing follows).
void EDTTRM(i32* key, i32& type, i32& changed, i32& request, i32& status);
// Removes the motion blocks from the start key's block to the end key's and
// closes the gap. reconnect 0 none, 1 by the connect option asked, 2 through
// the clearance plane without asking; keep nonzero leaves the position on
// the result key. Non-motion blocks of the range stay. Status 0, 17 (range
// at the first motion), -2 declined, -3 list or display failure.
void DLTBLK(const i32& reconnect, const i32& keep, i32* result, i32& type, i32* start, i32* end, i32& changed,
            i32& request, i32& status);
// Brings the procedure's definition block and the status line up to date
// after the editor: closes the open sub-list, marks a changed path (code 21
// of group 24, the first and last positions) and the code-22 request, clears
// word 5 of the modal state, refreshes the status line, redraws on request.
void mnedup(i32& open, const i32& changed, const i32& code22, const i32& redraw, i32& status);
// The procedure's point and axis before its first motion as its take-over
// left them in "DSP8" (words 1-6), and whether they are kept: a changed path
// is shown from there again.
extern i32 MNDSAV[6];
extern bool MNDKPT;
