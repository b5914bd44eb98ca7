// Listings of the procedures, procedure headers and tools of a tool path.
#pragma once

#include "core/words.h"

// The procedure list "PROC_LIST": mode 2 the current tool path, 1 the stored
// tool path entity of the selector. Inside a stored tool path's listing (a
// sub-tool-path entry) it lists into the output already open.
void PROCTL(const i32& selector, const i32& mode);
// The procedures of a stored tool path entity on the listing unit, each with
// its own type's listing; status 0, -1, or the host's when it cannot be opened.
void PROCT2(const i32& selector, const i32& unit, i32& status);
// The procedure header list "PROC_HDR" of the current tool path (a selector
// below 1 or the current tool path's id) or of a stored one.
void PROCHD(const i32& selector);
// The header lines of a tool path, procedure by procedure, with the rules
// between them and four blank lines after: the current tool path's list for
// an id below 1 or its own id, else the stored entity's.
void PRCHLW(const i32& id, const i32& unit, const f32& scale, i32& status);
// The header lines of a stored tool path entity and its entries.
void proch1_ent(const i32& tp, const i32& unit, const f32& scale, i32& status);
// The tool list "TOOLS_LIST": mode 1 a stored tool path, any other the
// current one. Status 0, -1 on a file failure.
void TOLTBL(const i32& selector, const i32& mode, i32& status);
// Adds the tools of a stored tool path's movement entities to a tool-list
// slot, each technology block's own tool id.
void nclist_mvent(const i32& tp, const i32& slot, i32& status);
