// The procedure block printer and the procedure information it gathers:
// per-procedure tables that the listings and the frame's procedure lists
// read, filled from a procedure block of the list or from a stored
// procedure entity and corrected by the geometry associations.
#pragma once

#include "core/words.h"

constexpr i32 PI_SLOTS = 201;  // procedure slots 1 to 201
constexpr i32 PI_LIST = 201;   // the listing's scratch slot

// Per-procedure information, indexed by slot 1 to PI_SLOTS (index 0 unused).
// The slot's three texts (comment, tool name, transformation name) are kept
// by the procedure texts of the block layer (PRCTX1, PRCTX2, PRCTRF).
struct ProcInfo {
    i32 number[PI_SLOTS + 1];
    i32 type[PI_SLOTS + 1];       // function type: the procedure-type code
    i32 tool[PI_SLOTS + 1];       // tool id, -1 none
    i32 trans[PI_SLOTS + 1];      // transformation id, -1 none
    i32 transown[PI_SLOTS + 1];   // the transformation's own flag
    i32 status[PI_SLOTS + 1];     // 1 plain, 2 suspended, 3 interrupted, -1 not read
    i32 flagb[PI_SLOTS + 1];
    i32 flaga[PI_SLOTS + 1];
    i32 cflag[PI_SLOTS + 1];
    i32 uflag[PI_SLOTS + 1];
    i32 subs[PI_SLOTS + 1];       // has subroutines
    i32 c31[PI_SLOTS + 1];        // value of code 31, -1 absent
    i32 c57[PI_SLOTS + 1];        // row separator: 2 prints "~"
    i32 c58[PI_SLOTS + 1];
    i32 c81[PI_SLOTS + 1];
    i32 c47m[PI_SLOTS + 1];       // code 47 of the machine group
    i32 deleted[PI_SLOTS + 1];    // -1: deleted geometry (function type 48)
    i32 moves[PI_SLOTS + 1];      // has movements, when the host asks for it
};
extern ProcInfo PRCINF;

// Prints a procedure block (medium 1: an open procedure entity, 2: the list)
// in the listing mode and makes its number the listing's current procedure
// number; tool path id -1 the current tool path; entity id -1 unless known.
// The block's size and type are not passed: it reads its values itself.
void PRBT12(const i32& medium, const i32& tp, const i32& entity, const i32& mode, const i32& unit, i32& number,
            i32& status);
// Reads the current procedure block into a slot (a stored entity's own
// values when the entity belongs to another tool path); code 47 and the
// creation date (year, month, day, hour, minute, second) out.
void PRCINB(const i32& reset, const i32& tp, const i32& entity, const i32& slot, i32& c47, i32* date,
            i32& status);
// Reads a stored procedure entity into a slot.
void PRCINE(const i32& reset, const i32& entity, const i32& slot, i32& c47, i32* date, i32& status);
// Corrects states and flags of listed procedures from the geometry
// associations (mode 1 to 3; a count above 1 only in mode 1).
void PRCASC(const i32& mode, const i32& tp, const i32& count, const i32* numbers, const i32* c47, i32* flagb,
            i32* status, i32* uflag);
// Builds the association tree of the current tool path's procedures.
void ASCTRE(const i32& count, i32& status);
// The 1-based position of value among n integers; n + 1 when absent, 1 when n is below 1.
i32 LSTPOS(const i32& n, const i32* list, const i32& value);
// True for the procedure types that carry no tool.
bool NOTLPR(const i32& type);
// True when the procedure whose block is current has a movement block.
bool is_there_movmnt(i32& status);
// The 19-character status column of a procedure in the procedure lists,
// from what a slot holds: the state letter, the transformation's name in
// parentheses and the procedure-type name (least form: the frame's
// procedure tables add their letters later).
void PRCCOL(const i32& slot, char* column);
