// Walking the tool path list, sub-lists under blocks, and block parameters
// addressed by group and code.
#pragma once

#include "core/words.h"

// Groups of the procedure block.
constexpr i32 GR_MACHINE = 23, GR_GLOBAL = 24, GR_LOCAL = 25, GR_TOP = 26, GR_FLAGS = 27, GR_LEAD = 32;

// Moves the cursor n blocks (negative: backwards); answers the new position.
i32 TPJUMP(const i32& n, i32& status);
void JMPEND(i32& status);
void TPTOP(const i32& slot, i32& status);
void FNDTYP(const i32& type, i32& status);
void TPDELB(const i32& count, i32& status);

void OPNSBL(i32& status);
void CLSSBL(i32& status);
void TPNEWL(i32& list, i32& status);
void TPDNLV(const i32& value);

// Values of the segment (group, code) of the block at the cursor; count holds
// the capacity of value in words on entry and the number of values on return.
void TPGETN(const i32& mode, const i32& group, const i32& code, i32& count, const i32& itype, void* value,
            i32& status);
void TPGETC(const i32& mode, const i32& group, const i32& code, i32& count, const i32& itype, void* value,
            i32& status);
void TPCHNN(const i32& mode, const i32& group, const i32& code, const i32& itype, const void* value, i32& status);
void TPCHNG(const i32& count, const void* value, i32& status);
void PLFIND(const i32& group, const i32& code, i32& status);
void PLFND2(const i32& group, const i32& code, i32& status);
void PLFNDH(const i32& group, const i32& code, i32& position, i32& status);
void PLFNDG(const i32& mode, i32& budget, const i32& group, const i32& code, i32& status);
void TPINSC(const i32& group, const i32& anchor, const i32& code, const i32& itype, const i32& count,
            const void* values, i32& status);
void GTTEXT(const i32& mode, const i32& proc, const i32& group, const i32& code, const i32& buflen, i32& length,
            char* text, i32& status, i32& textlen);
void GTTXTC(const i32& mode, const i32& proc, const i32& group, const i32& code, char* text, i32& status);

void BRKSTR(const i32& mode, i32& status);
