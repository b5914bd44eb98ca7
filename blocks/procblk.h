// The procedure definition block (type 12): its writer with the groups of
// coded segments (24 global parameters, 27 flags and geometry slots, 23
// machine values, 25 local parameters), the header update after execution,
// the copy between the database and the list, and its reader.
#pragma once

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

void PTBT12(const i32& code, const i32& assoc, const i32& source, PrcCallback surface, PrcCallback params,
            PrcCallback geometry, const i32& machine, i32& status);
void wglprm(const i32& medium, i32& count, i32& status);
void wflags(i32& status);
void wmchtb(const i32& medium, const i32& machine, i32& count, i32& status);
void wlcprm(const i32& code, PrcCallback params, i32& status);
void wgeom(const i32& code, PrcCallback geometry, i32& status);

void get_flags(i32& flag2, i32& flag1, i32& flag3, i32& flag4, i32& flag5, i32& flag6, i32* slots, i32& count,
               i32& status);
void get_proc_flags(i32& status);
void update_flags(i32& status);
void wflags_values(i32 flag2, i32 flag1, i32 flag3, i32 flag4, i32 flag5, i32 flag6, const i32* slots, i32& status);
void PTUB12(const i32& first, const i32& quiet, const i32& set31, const i32& value31, i32& status);
void WUPDSL(const i32& suspended);
void cpbt12(const i32& source, const i32& target, const i32& record, i32& status);
void save_geom_entities(const i32* slots, i32& count, i32* ids, i32& status);

void RDBT12(const i32& medium, i32& remaining, i32& number, i32& status);
void rmchtb(const i32& medium, i32& count, i32& status);
void RDSBLH(const i32& medium, i32& count, i32& status);

void PRCTX1(const i32& mode, const i32& proc, char* text);
void PRCTX2(const i32& mode, const i32& proc, char* text);
void PRCTRF(const i32& mode, const i32& proc, char* text);
void PRCUCS(const i32& mode, const i32& proc, char* name);
extern i32 PRCUID[200];  // UCS entity id of each procedure, below 1 none
