// The procedure definition block (type 12): its writer with the groups of
// coded segments (24 global parameters, 27 flags and geometry slots, 23
// machine values, 25 local parameters), the header update after execution,
// the copy between the database and the list, and its reader.
#pragma once

#include <vector>

#include "core/words.h"

// A procedure callback: (mode or procedure code, medium or flag, word counter
// or work word, status).
using PrcCallback = void (*)(const i32& a, const i32& b, i32& c, i32& status);

constexpr i32 PROC_LIMIT = 199;

// Module words the global group reads back.
extern i32 BLKDSW;   // code 107: the word shown with the block display
extern i32 CLTVAL;   // code 45: the value handed to the host's transformation
extern i32 CLT46;    // code 46
extern i32 PRCENT;   // the module's current procedure entity

// Writes the procedure definition block of code: its groups through the
// callbacks (surface, params, geometry) and the machine table; status 1 when
// the tool path already holds the most procedures. assoc and source as the
// host's association of the block.
void PTBT12(const i32& code, const i32& assoc, const i32& source, PrcCallback surface, PrcCallback params,
            PrcCallback geometry, const i32& machine, i32& status);
void wglprm(const i32& medium, i32& count, i32& status);  // writes the global group 24
void wflags(i32& status);  // writes the flags group 27 from PRCFLG and the slots
void wmchtb(const i32& medium, const i32& machine, i32& count, i32& status);  // writes the machine group 23
void wlcprm(const i32& code, PrcCallback params, i32& status);  // writes the local group 25 through params
void wgeom(const i32& code, PrcCallback geometry, i32& status);  // writes the geometry to the entity

// Reads the flags group at the word position: the six flags and the slots.
void get_flags(i32& flag2, i32& flag1, i32& flag3, i32& flag4, i32& flag5, i32& flag6, i32* slots, i32& count,
               i32& status);
void get_proc_flags(i32& status);  // PRCFLG and the slots from the current procedure block
void update_flags(i32& status);  // the current procedure block's flags group rewritten from PRCFLG and the slots
// Writes the flags group 27 from the values given.
void wflags_values(i32 flag2, i32 flag1, i32 flag3, i32 flag4, i32 flag5, i32 flag6, const i32* slots, i32& status);
// Updates the procedure block after execution: its first and last
// positions (first nonzero), its sub-list's block count and item 31.
void PTUB12(const i32& first, const i32& quiet, const i32& set31, const i32& value31, i32& status);
// The header update of the sub-list after execution (or its suspension).
void WUPDSL(const i32& suspended);
// Copies the procedure block from the entity to the list or back.
void cpbt12(const i32& source, const i32& target, const i32& record, i32& status);
// The record of a procedure entity: its block number, procedure code,
// global words and geometry ids.
void read_proc_record(const i32& proc, i32& number, i32& code, std::vector<i32>& global, std::vector<i32>& geoms,
                      i32& status);
// The ids of the slots' geometry entities, working copies made permanent.
void save_geom_entities(const i32* slots, i32& count, i32* ids, i32& status);

// Reads a procedure block: its number and code, the machine table, the
// flags and the sub-list head (a medium above 7 also registers it).
void RDBT12(const i32& medium, i32& remaining, i32& number, i32& status);
void rmchtb(const i32& medium, i32& count, i32& status);  // reads the global group's machine words
void RDSBLH(const i32& medium, i32& count, i32& status);  // reads past the sub-list head, count its items

void PRCTX1(const i32& mode, const i32& proc, char* text);  // text 1 of a procedure: mode 1 get, else set
void PRCTX2(const i32& mode, const i32& proc, char* text);  // text 2 of a procedure: mode 1 get, else set
void PRCTRF(const i32& mode, const i32& proc, char* text);  // transformation name of a procedure: mode 1 get, else set
void PRCUCS(const i32& mode, const i32& proc, char* name);  // mode 1: the procedure's UCS name, "NO_UCS" when none
extern i32 PRCUID[200];  // UCS entity id of each procedure, below 1 none
