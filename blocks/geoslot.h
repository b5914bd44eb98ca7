// Procedure flags and geometry slots of the current procedure, geometry
// entities and their working copies, and the procedure's movement sub-list.
#pragma once

#include "core/words.h"

constexpr i32 NSLOTS = 12;
// Procedure flags 1 to 6 (index 0 to 5) and the slot table: {flag, id} for
// the geometry kinds 10001-10011 and 10013.
extern i32 PRCFLG[6];
extern i32 GSLOTS[2 * NSLOTS];

i32 slot_of(i32 kind);  // 0-11, -1 for a kind without a slot
i32 kind_of(i32 slot);

void set_geom_slot(i32 mode, i32 kind, i32 id, i32* table);
void get_geom_slot(i32 kind, const i32* table, i32& id, i32& flag);
void init_geom_slots(i32* table);
void reset_geom_slots(i32& status);
void mark_geom_version();
void mark_local_geom(i32 kind);
void update_geom_slot(i32 kind, i32 newid, i32 oldid, i32 words, i32& status);
void find_geom_buf(const i32* table, i32& count, i32* ids, i32& status);
void create_geom_ent(i32 kind, const char* name, i32& newid, i32& slotid, i32& status);
void copy_geom_assoc(const i32& mode, i32& status);
void geom_slots_io(const i32& mode, i32* table, i32* flags);
void OPNMVL(const i32& mode, i32& status);
void open_sub_list(const i32& mode, const i32& id, i32& status);
