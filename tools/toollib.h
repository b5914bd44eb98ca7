// The tool library of the part: the record table of each tool type (tool ids
// and names, from the tool-table entities named by the index record "SYT2"),
// the cycle names, the tool-type filter and the tool-list slots.
#pragma once

#include "core/words.h"

// Library index "SYT2": per tool type (1 to 10) three words, its tool-table
// entity, its symbol master and its technology count; then the cycle-name
// entity.
constexpr i32 SYT2_N = 32, SY_TABLE = 0, SY_SYMB = 1, SY_NTEC = 2, SY_CYCLES = 30;
// Rows of the tool-table and cycle-name entities: a count word, then rows of
// an id (or cycle code) and a 20-character name.
constexpr i32 TBROW_N = 6;

// Type names, 11 characters, blank-padded.
extern const char TLTNAM[10][12];
// Per type: tool-table entity (0 none), symbol master, technology count.
extern i32 TLTBID[10], TLSYMB[10], TLNTEC[10];

// Builds the record table of a tool type from its table entity; status -1
// when the type has no table.
void CRTTAB(const i32& type, i32& status);
// Adds the tools of a type's record table to a slot.
void LSTTLB(const i32& type, const i32& slot, i32& status);
// Finds a tool by its 20-character name (case ignored) in the table of the
// type, or in every table when the type is not 1 to 10.
void FNDTNM(const char* name, const i32& type, i32& id, i32& found);
// The 20-character name (upper case, blank-padded) of a tool from the record
// tables; blank and status -1 when the id is not a listed tool.
void GTTNMI(const i32& id, char* name, i32& status, const i32& length);
// The name of a drill cycle, 20 characters upper case; blank when unnamed.
void GTCYNM(const i32& code, char* name);
// Adds a row to the table of a type, making the table when there is none.
void TLTADD(const i32& type, const i32& id, const char* name, i32& status);

// Tool-type filter: ten flags, one per type.
extern i32 TLFILT[10];
// Sets the filter to the type alone, or with family nonzero to its family
// (drill and mill; the lathe types).
void TYPFLT(const i32& family, const i32& type);

// Tool-list slots 1 to TLSMAX: tool ids with their names, in order of first
// addition, in host dynamic memory.
constexpr i32 TLSMAX = 10;
void TLSRST(const i32& slot);  // empties the slot (its memory kept)
void TLSFIL(const i32& slot, i32& count, i32& status);  // status 1: no tool type applies
void TLSADD(const i32& slot, const i32& id, i32& status);  // status 1: already there
void TLSCNT(const i32& slot, i32& count);  // tools in the slot
void TLSGET(const i32& slot, const i32& n, i32& id, i32& status);  // n from 1; -5 past the end
void TLSCHK(const i32& id, i32& status);  // 0 a tool passing the filter, 1 otherwise
void reltol(const i32& slot, i32& status);  // releases the slot's memory; -5 when the host refuses
// Forgets every slot without releasing it (after the host was reset).
void TLSINI();
