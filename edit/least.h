// The editor's entries whose commands come with later work: each changes
// nothing, says so in one user message and answers "nothing changed".
#pragma once

#include "core/words.h"

// ALTERATIONS: the trimming of regions of motions.
void trim_tp(const i32& procedure, const i32& surfaces, i32& reply);
