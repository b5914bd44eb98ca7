// ADD:GO of the manual editor's SERVICE menu: GO motions inserted at the
// tool's position, then the tool path joined again at a picked block.
#pragma once

#include "core/words.h"

// ADD:GO. key: the editor's display record (word 2 its block, -1 none);
// type: the editor's word handed to the stepping and the deletion. inserted
// is 1 when GO motions were inserted, changed when the path around them
// changed. Status 0, -1 wrong machining type, -3 list error.
void EDTGO(i32* key, i32& type, i32& inserted, i32& changed, i32& status);
// Prepares the insertion: the previous tool point, its direction and block
// number (into "LSP2" and the movement writers), the layer flag, the state
// saved and the technology parameters restated by the flags. Status 0, -1.
void EDTGOI(const i32* flags, const i32* values, f32* point, f32* direction, i32& number, i32& layer,
            i32& status);
// Joins the path again after the GO motions at a picked re-entry block (the
// motions up to it deleted and the gap closed), or straight back to the
// insertion point when the pick is left. Status 0, -3 on a list failure.
void EDTGOF(const f32* point, const f32* direction, const i32& number, i32* key, i32& type, i32& deleted,
            i32& status);
// 1 when a block of that number lies at or after the cursor, else 0; the
// cursor is kept. Status 0, -3 on a list failure.
i32 LGLKEY(const i32& number, i32& status);
