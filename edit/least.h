// The editor's entries whose commands come with later work: each changes
// nothing, says so in one user message and answers "nothing changed".
#pragma once

#include "core/words.h"

// MACH.PARAMS: machining parameters of blocks.
void EDTPRM(i32* key, i32& changed, i32& request, i32& status);
// ALTERATIONS: the trimming of regions of motions.
void trim_tp(const i32& procedure, const i32& surfaces, i32& reply);
// ADD:GO: GO motions at the current position.
void EDTGO(i32* key, i32& type, i32& inserted, i32& changed, i32& status);
