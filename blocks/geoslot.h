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

// A kind's slot of the table: mode 1 sets the id, 2 clears the flag, 3 both.
void set_geom_slot(i32 mode, i32 kind, i32 id, i32* table);
void get_geom_slot(i32 kind, const i32* table, i32& id, i32& flag);  // the kind's flag and id
void init_geom_slots(i32* table);  // every slot empty: flag 0, id -1
void reset_geom_slots(i32& status);  // every slot and flags 3 to 6 marked for a new geometry
void mark_geom_version();  // flags 3 to 5 and every used slot marked changed
void mark_local_geom(i32 kind);  // flag 5 for the local geometry kinds
// A geometry entity rewritten: its length, and the working copy of the old
// id pointed at the new one (a slot without an old id takes the new id).
void update_geom_slot(i32 kind, i32 newid, i32 oldid, i32 words, i32& status);
// The ids of the slots' current geometry (a working copy in place of its
// original; none of kind 10012).
void find_geom_buf(const i32* table, i32& count, i32* ids, i32& status);
// Creates the geometry entity of a kind (class 9 type 7) with its head;
// slotid answers the slot's id.
void create_geom_ent(i32 kind, const char* name, i32& newid, i32& slotid, i32& status);
// Mode 1: each flagged slot's second working copy takes the first's place
// (the first deleted); the flags cleared.
void copy_geom_assoc(const i32& mode, i32& status);
// Mode 1 copies the slot table and flags out, mode 2 back in.
void geom_slots_io(const i32& mode, i32* table, i32* flags);
// Opens the procedure's movement sub-list, copied in from its movement
// entity first when the list does not hold it; mode 1 only tells (status 1
// or 0 from the entity, 2 when the sub-list is open).
void OPNMVL(const i32& mode, i32& status);
// Mode 1 marks the movement entity as the open procedure; else copies its
// blocks into a new sub-list of the list.
void open_sub_list(const i32& mode, const i32& id, i32& status);
