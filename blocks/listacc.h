// Walking the tool path list, sub-lists under blocks, and block parameters
// addressed by group and code.
#pragma once

#include "core/words.h"

// Groups of the procedure block.
constexpr i32 GR_MACHINE = 23, GR_GLOBAL = 24, GR_LOCAL = 25, GR_TOP = 26, GR_FLAGS = 27, GR_LEAD = 32;

// Moves the cursor n blocks (negative: backwards); answers the new position.
i32 TPJUMP(const i32& n, i32& status);
void JMPEND(i32& status);  // the cursor to the list's last block (-2 on a list failure)
void TPTOP(const i32& slot, i32& status);  // the list closed to its top, back at the marker of slot
void FNDTYP(const i32& type, i32& status);  // forward to the next block of the type
void TPDELB(const i32& count, i32& status);  // deletes count blocks at the cursor

// Descends into the sub-list of the procedure block at the cursor, its
// block counter and number kept for the level.
void OPNSBL(i32& status);
// Back to the parent list; the sub-list's block count written into its block.
void CLSSBL(i32& status);
void TPNEWL(i32& list, i32& status);  // opens a new sub-list under the current block, its counter at 0
void TPDNLV(const i32& value);  // the next level's counter at 0 and its block number value

// Values of the segment (group, code) of the block at the cursor; count holds
// the capacity of value in words on entry and the number of values on return.
void TPGETN(const i32& mode, const i32& group, const i32& code, i32& count, const i32& itype, void* value,
            i32& status);
// As TPGETN; a missing code answers status 1 without a message.
void TPGETC(const i32& mode, const i32& group, const i32& code, i32& count, const i32& itype, void* value,
            i32& status);
// Overwrites the values of the segment (group, code) of the block at the
// cursor in place (not on an entity, not the texts 29 and 30).
void TPCHNN(const i32& mode, const i32& group, const i32& code, const i32& itype, const void* value, i32& status);
// As TPCHNN from count words: a segment holding more than count words is
// refused, so that its words are never taken from past the caller's values.
void change_values(const i32& mode, const i32& group, const i32& code, const i32& itype, const i32& count,
                   const void* value, i32& status);
void TPCHNG(const i32& count, const void* value, i32& status);  // overwrites count words at the word position
// Puts the word position after the segment (group, code) of the block at
// the cursor; a missing one is reported.
void PLFIND(const i32& group, const i32& code, i32& status);
void PLFND2(const i32& group, const i32& code, i32& status);  // as PLFIND, status 1 without a message
void PLFNDH(const i32& group, const i32& code, i32& position, i32& status);  // as PLFIND, answering the position
// As PLFIND from the word position as it stands, within budget words.
void PLFNDG(const i32& mode, i32& budget, const i32& group, const i32& code, i32& status);
// Inserts the segment (code, count values) before the segment anchor of the
// group in the block at the cursor; the group's length grows with it.
void TPINSC(const i32& group, const i32& anchor, const i32& code, const i32& itype, const i32& count,
            const void* values, i32& status);
// Text 29 (20 characters) or 30 (12) of the procedure block, from the list
// or (mode 1) from the procedure entity; length and textlen in characters.
void GTTEXT(const i32& mode, const i32& proc, const i32& group, const i32& code, const i32& buflen, i32& length,
            char* text, i32& status, i32& textlen);
// GTTEXT into 12 characters and a NUL.
void GTTXTC(const i32& mode, const i32& proc, const i32& group, const i32& code, char* text, i32& status);

// Breaks the point string at the cursor into line blocks between a start
// and an end marker; the string is deleted.
void BRKSTR(const i32& mode, i32& status);
