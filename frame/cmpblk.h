// The machining-parameter block of the procedure with its defaults and its
// backup, the rerun rule that compares them, the snapshot of the settings
// taken at the start of every define cycle, and the reading of a stored
// procedure's information.
#pragma once

#include "frame/driver.h"
#include "core/prcwrd.h"
#include "core/words.h"

// The block itself, CMPBLK with its backup CMPBKP, is in core/prcwrd.h.

// Motion-mode word (set to 2 by the GO motions) and modal-state reset word.
extern i32 MOTMOD;
extern i32 MODRST;
// Tool-orientation state word compared with the heights.
extern i32 TORSTW;
// Stored by a tool path version below 1001.
extern i32 OLDVER;
// Rerun levels.
constexpr i32 RR_NONE = 0, RR_OPT = 3, RR_EXEC = 4, RR_UPDATE = 5;

void CMPDEF();
void CMPGTP(i32& status);
i32 CMPACT();
void CMPPUT(const i32* old, i32& result);
void CHGSNP(const i32& mode, const i32& size, const i32* block, PrcChgFn cb6, i32* copy, i32& recompute,
            i32& update, const i32& append, i32& level);
void CPYROT(const i32& mode, i32& recompute, i32& update, i32& feedchg);
void TXTDEF(const i32& read);
i32 TXTCHG();
void RDPINF(PrcReadFn cb5, const i32& opened, i32& oldver, i32& status);
void RDPFLG(i32& status);
void GSLOT2();
void RPSPRC(const i32& a, const i32& b, const i32& c);
