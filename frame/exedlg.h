// The execute dialog ("OK TO EXECUTE?" and its relatives), the notes that
// explain a rerun, the state lines, the created-procedures message and the
// execution-time lines.
#pragma once

#include "frame/driver.h"
#include "core/words.h"

// The last parameter check issued "WARNING" lines: set by that check
// (PRMCHK), read by the execute dialog's notes.
extern i32 PRMWRN;

// Answers of the dialog.
constexpr i32 ANS_YES = 1, ANS_NO = 2, ANS_SUSPEND = 3, ANS_FORCE = 4;

struct DlgFlags {
    i32 ready;      // the definition is complete
    i32 pausable;
    i32 recompute;  // geometry changed: re-execution
    i32 update;     // parameters changed
    i32 geom_kept;  // the geometric entities are kept for a rerun
    i32 criteria;   // geometry by criteria
    i32 warnings;   // the parameter check issued warnings
    i32 oldver;     // stored by an old version
    i32 level;      // change level
    i32 stockproc;
    i32 tplmode;
};

// The execute dialog: the start of machining shown (callback 9), the rerun
// notes, the question; status 0 to execute (suspended 1 to suspend, recompute
// 1 when forced), -2 for NO, -1 in a template write or on failure.
void EXEDLG(PrcNrmFn cb9, i32& pausable, i32& update, const i32& geom_kept, i32& w6, const i32& w11, i32& w7,
            i32& option, i32& w9, i32& recompute, i32& suspended, i32& level, const i32& stockproc,
            const i32& criteria, i32& status);
// The notes that explain a rerun; raises f.recompute for a reason to re-execute.
void RRNOTE(DlgFlags& f, const i32& suspended);
// Asks "OK TO EXECUTE?" or its relatives; answer ANS_*, or negative.
void EXEASK(const i32& ready, const i32& pausable, const i32& recompute, const i32& update, const i32& suspended,
            const i32& tplmode, const i32& level, const i32& stockproc, const i32& criteria, i32& answer);
// The state line of a procedure of the table with the notes on manual
// changes and an updated work area; index < 0: the procedure at the current
// block, whose procedure-type code is given in place of the state.
void STLINE(const i32& index, const i32& state, const i32& updated);
// The message naming the procedures first to last just created.
void CRTCNT(const i32& first, const i32& last, const i32& count);
// An execution-time line (index of its label), the suspended line or a blank.
void EXTIME(const i32& index, const i32& suspended, const i32& blank);
