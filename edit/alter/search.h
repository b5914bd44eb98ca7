// Two list searches the editing commands share: the range of blocks between
// two picked motions, and the technology state in force at a block.
#pragma once

#include "core/words.h"

// Finds, from the start of the current list, the range between the blocks of
// the two picked motion records (11 words each; the third word is the block
// number; on return pick_a is the one met first) and remembers its first and
// last block in the two list-mark slots. Strings that hold a picked number are
// broken into lines (inside the range too when break_strings is set).
// in_marker: 1 when the range lies inside a layer; prev_*: the motion before
// the range (block -1 and the writers' last point when none). Status 0, -2
// not found, -3 list error.
void FNDRNG(const i32& start_slot, const i32& end_slot, i32* pick_a, i32* pick_b, const i32& break_strings,
            i32& in_marker, i32& prev_block, f32* prev_point, f32* prev_dir, i32& status);
// Looks back from the current block for the technology blocks that last set
// the given parameter codes and shows each (display mode 1 to 3), so that the
// modal state is the one in force here; the cursor is kept. Status 0, -1 on a
// list error.
void PRVMCH(const i32& display_mode, const i32& count, const i32* codes, i32& status);
