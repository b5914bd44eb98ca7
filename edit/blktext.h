// Small services around the editor's current block: the layer check, the
// mark after the message edit and the rewrite of a block's text items.
#pragma once

#include "core/words.h"

// 1 when the nearest layer marker at or before the current block opens a
// layer, 0 when it closes one or none comes before the start of the list.
// Status 0, -3 on a list failure. The list position is kept.
i32 CHKLYR(i32& status);
// Marks the block left current after the message edit: a motion is marked
// itself (its number into the key), any other block marks the next motion.
// Status 0, negative when the list cannot be read.
void MSGMRK(i32* key, i32& status);
// Rewrites text item 29 (at most 5 words) or 30 (at most 3) of group 24 of
// the current block in place with the text of the given length, in as many
// words as the item holds. An entity (access 1), another item, or an item
// claiming more words than its code allows is refused. Status 0, -1 refused
// or failed.
void CHTEXT(const i32& access, const i32& group, const i32& code, const char* text, i32& status, const i32& length);
