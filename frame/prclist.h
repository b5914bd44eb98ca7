// Listings of the procedures, procedure headers and tools of a tool path.
#pragma once

#include "core/words.h"

// The procedure list "PROC_LIST": mode 2 the current tool path, 1 a stored one.
void PROCTL(const i32& selector, const i32& mode);
// The procedure header list "PROC_HDR".
void PROCHD(const i32& selector);
// The tool list "TOOLS_LIST": mode 1 a stored tool path, any other the current one.
void TOLTBL(const i32& selector, const i32& mode, i32& status);
