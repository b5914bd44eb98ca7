// Making tools and the tool library dialogs: tool headers, creation in the
// tool table, numbered copies of the current tool, choosing a tool, showing
// and listing its parameters, defining a new one.
#pragma once

#include "core/words.h"
#include "tools/toolcache.h"

// A blank header of the current record version.
void INTHDR(i32* header);
// The header of the current tool; status -1 when there is none.
void GTTHDR(i32* header, i32& status);
// The holder record that the next created tool takes (a new holder entity).
void HLDUSE(const i32* record);
// Creates a tool from a header and its per-type record words (the header
// says how many): new technology entities copied from the header's, the
// holder in use, the row in the type's tool table. id -1 on failure.
void CHKTTB(const i32* header, const i32* values, i32& id, i32& status);
// Copies the current tool under the first free name "<name>_nnn" (its first
// 15 characters, 001 to 998), with the given MILL values and holder record
// when they are given (null keeps the current tool's).
void CPYTOL(const f32* mill, const i32* holder, i32& id, i32& status);

// Lets the user choose a tool of the filter's types; it becomes current and
// its name is returned (NUL-terminated, at most 19 characters).
void CHSTLC(const i32& mode, char* name, i32& status);
// Tool definition dialog over the cached tool: mode 10 shows its parameters
// in the message window, mode 11 writes them into the listing output; mode 1
// asks for a new tool of the type into the definition area.
void DEFTOL(const i32& type, const i32& mode, const i32& flag, i32& status);
extern i32 TLDHDR[TLHDR_N];
extern i32 TLDVAL[TLREC_N];
// Creates a tool of the type through the dialog, adds it to the slot (when
// one is given) and makes it current; id -1 on failure.
void CPLTOL(const i32& type, const i32& slot, i32& id, i32& status);
