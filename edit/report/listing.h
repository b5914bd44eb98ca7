// The tool path listing "TP_LIST" and the block dispatcher that prints one
// block of a tool path in any listing.
//
// One form serves every listing: the tool path listing (listing mode 1),
// the frame's procedure list (mode 2) and procedure-header list (mode 3),
// the block list (mode 1) and the editor. Callers start each listing with
// LSTRST (lstate.h), which NCLIST does itself. The callers' arguments
// (mode, medium, tool path id, scale):
//   tool path listing, current tool path   1, 2, -1, 1 / unit factor
//   tool path listing, stored tool path    1, 1, its entity id, 1 / unit factor
//   block list                             1, 2, -1, 1 / unit factor
//   procedure list, current tool path      2, 2, the list's selector, 1.0
//   procedure list, stored tool path       2, 1, the entity's id, 1.0
//   procedure-header list walk             3, 2, the listed id, the caller's scale
//   procedure-header list, stored entity   3, 1, the entity's id, the caller's scale
// The procedure-header list tells the blocks it draws rules after by the
// type answered (4, 10 and 12); the entity heads (a tool path's header, a
// procedure's block) are found by their place at the entity's start.
#pragma once

#include "core/words.h"

constexpr i32 LST_UNIT = 19;  // the unit of the tool path listing

// Lists a tool path into "TP_LIST": the current one for an id of 0 or below
// or the current tool path's id ("CLP1" word 2), else the stored tool path
// entity of that id. Lengths are written in the part's unit (divided by the
// host's measuring unit factor). The listing mode is handed on to the
// stored tool path's listing; the tool path listing itself is mode 1.
void NCLIST(const i32& tp, const i32& mode);
// Closes the open entity, if any, and forgets the open procedure.
void close_entity();
// Lists the stored tool path entity of that id into "TP_LIST".
void nclist_ent(const i32& id, const i32& mode);
// Prints the block at the current position of the medium (2 the current
// tool path list; 1 the open entity: at its start a tool path entity's
// header or a procedure entity's block, else the block there) in the listing
// mode given, with the scale of its lengths; tool path id -1 the current
// one. Answers the block type read. Status 0, also for a block the listing
// passes over with a report (types 8 and 32, a type without a printer);
// negative when the block could not be read or printed.
void PRTBLK(const i32& mode, const i32& unit, const i32& medium, const i32& tp, const f32& scale, i32& type,
            i32& status);
