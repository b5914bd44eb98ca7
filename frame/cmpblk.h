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

void CMPDEF();  // the block's default values
// The block read from the current procedure block's items over its defaults.
void CMPGTP(i32& status);
i32 CMPACT();  // 1 when any optimization is switched on, else 0
// The rerun level (RR_*) the block's changes against old need.
void CMPPUT(const i32* old, i32& result);
// Mode 1 takes the snapshot of the settings (texts, heights, UCS, machine
// words, the block); mode 2 compares the settings with it and raises
// recompute, update and the optimization level (1 or 2 optimize, 3 feed only).
void CHGSNP(const i32& mode, const i32& size, const i32* block, PrcChgFn cb6, i32* copy, i32& recompute,
            i32& update, const i32& append, i32& level);
// Mode 1 keeps the tool and machine words; mode 2 raises recompute or
// update for the words changed since, feedchg for a changed feed.
void CPYROT(const i32& mode, i32& recompute, i32& update, i32& feedchg);
void TXTDEF(const i32& read);  // default texts; read nonzero also reads "TXT2"
i32 TXTCHG();  // 1 when the texts changed since the snapshot
// Reads the current procedure's stored information (from the list or its
// entity) through callback 5, with its version (oldver 1 below 1001).
void RDPINF(PrcReadFn cb5, const i32& opened, i32& oldver, i32& status);
void RDPFLG(i32& status);  // the procedure's flags from the host
void GSLOT2();  // marks the second slot when the first is taken
// Repositions the procedure through the host with the common words handed over.
void RPSPRC(const i32& a, const i32& b, const i32& c);
