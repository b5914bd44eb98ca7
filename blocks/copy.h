// Block copy between the entity stream and the list.
#pragma once

#include "core/words.h"

// Copies the block at the source cursor: from the entity stream (source 1)
// into the list (target 2 keeps its numbers, 3 takes the list's), word for
// word; returns the block's type and size.
void CPYBLK(const i32& source, const i32& target, i32& type, i32& size, i32& status);
