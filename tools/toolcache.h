// The current tool: its id word, and loading a tool entity into the cache.
#pragma once

#include "frame/words.h"

// The one word that names the current tool (-1: none).
extern i32 CURTOL;

// Loads the tool-type tables of the procedure at its start.
void TLTINI();
// Loads the tool entity into the cache and makes it current; mode 3 plain
// load, mode 6 reload after editing. Status nonzero on failure.
void SGTOOL(const i32& mode, const i32& id, i32& status);
