// Small services the editing commands share: the procedure's edit context,
// the procedure classes, the in-progress record "UITR", the editor's list
// mark and redisplay flag, a count item for menus, a feed-bounded block
// range, and the store of triangle models and of the procedure's surface set.
#pragma once

#include <vector>

#include "core/words.h"

// The values the gap reconnection needs, read from the procedure's
// definition block by EDTCTX.
struct EditContext {
    i32 code;         // procedure code
    f32 zup;          // Z-up
    f32 linktol;      // link tolerance
    f32 tol2;         // second tolerance
    f32 diameter;     // tool diameter
    f32 side;         // side offset
    f32 side2;        // second side offset
    i32 srfkind;      // surface kind
    f32 linka, linkb; // link values A and B: the part and check offsets
    i32 linkkind;     // 1 vertical moves only
    f32 linkfac, linklen;
    i32 onsurf;       // reconnection on surfaces allowed
};
extern EditContext EDTCX;
// The module word of PRCKND for codes 9, 35, 36 and 37 (initially 1).
extern i32 PRCKWD;
// Redisplay flag read by the trimming (EDTRDF raises it).
extern i32 EDTRDW;

// Fills the edit context of the procedure whose definition block is current.
void EDTCTX(const i32& procedure, i32& status);
// Link kind, factor and length of the procedure code from its items.
void EDTLNK();
// 1 when the procedure code allows reconnection on surfaces; with query
// nonzero the module word is read first from item 82.
i32 PRCKND(const i32& query);
// Writes "UITR" with 1 when value is 1, else 0.
void UITSET(const i32& value);
// Mode 2 remembers the list position in list slot 9; another mode returns
// there and shows the last added display block.
void EDTMRK(const i32& mode, i32& status);
// Raises the redisplay flag read by the trimming.
void EDTRDF();
// Adds the menu item "NUMBER OF BLOCKS =" with the count, 31 characters.
void BLKCNT(const i32& count);
// The first motion of the list and the last one read while the machine
// feed is above the current feed; the position is kept.
void FEDRNG(i32& first, i32& last, i32& status);

// A copy of the live triangle-model state: the block of model handles and
// counts, the quadtree header and the quadtree.
struct ModelSnapshot {
    std::vector<i32> block, header, tree;
};
// The procedure's surface set: part surfaces (group 1) and check surfaces
// (group 2), their ids and side flags.
struct SurfaceSet {
    i32 count1 = 0, count2 = 0;
    std::vector<i32> ids2, ids1, flags1, flags2;
};

// Model store operations (the one store, made on first use).
void MDLPUT(const i32& slot);                   // saves the live model into the slot
i32 MDLGET(const i32& slot);                    // gets the slot into the live model; 1 when it held one
void MDLREL(const i32& slot);                   // releases the slot (the model's arrays stay)
bool MDLHAS(const i32& slot);                   // the slot holds a model
void SRFSNW(const i32& n1, const i32& n2, const i32* ids1, const i32* flags1, const i32* ids2,
            const i32* flags2);                 // creates the surface set (replacing the old one)
// Makes the surface set from the current procedure's part and check surface
// geometry (ids and side flags as the host stores them).
void SRFSET();
void SRFCNT(i32& n1, i32& n2);                  // the two counts, 0 without a set
void SRFGT1(i32* ids, i32* flags);              // copies group 1 out
void SRFGT2(i32* ids, i32* flags);              // copies group 2 out
void MDLSAV();                                  // saves into slot 0
i32 MDLRST();                                   // gets slot 0
void MDLDRP(const i32& slot);                   // frees the slot's model and releases the slot
// Models the store freed so far: the frame builds its model again when this
// changed since it built it.
extern i32 MDLFRE;
// Makes the reconnection model live (slot 1, built and saved when empty);
// answers 1.
i32 GAPMDL();
// Leaves the live model to the model store: every live handle of the model and
// of its quadtree is closed without releasing its arrays (a model no slot
// holds is released).
void model_leave_live();
// Makes room for another live model: one a slot or parked state holds is
// left to the store, another is freed and counted in MDLFRE.
void model_free_live();
