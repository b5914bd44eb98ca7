// The editor's SERVICE reports (the time estimate, the block list) and the
// entry that prepares them: the editor's current procedure and the list
// position the reports start from.
#pragma once

#include "core/words.h"

// The procedure the editor works in.
struct CurProc {
    i32 number;  // procedure number (the reports' headings and file names)
    i32 code;    // function code (for PRCNAM)
    i32 list;    // position of the procedure's block in the main list
};
extern CurProc CURPRC;

// The SERVICE entry: makes the procedure of that number of the current tool
// path the editor's current procedure and puts the list cursor on the block
// of that number in its movement list (its first block for a block number of
// 0 or below), as the editor stands when SERVICE is chosen. Status 0; -1
// (reported) when there is no such procedure, no movement list or no such
// block: the cursor is then at the top of the main list.
void SRVPOS(const i32& proc, const i32& block, i32& status);
// Writes the blocks of the current procedure from the current block to the
// end of its list into "BLOCK_<procedure number>"; the list position stays.
// Status 0 when the file was written and closed, else -1.
void BLKLST(i32& status);
