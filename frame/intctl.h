// Execution control: the module start-up of a procedure, the runner of the
// execute callback, the execution menu, the interrupt poll and the stop; the
// status window and the question with a default answer.
#pragma once

#include "frame/driver.h"
#include "core/intmnu.h"
#include "core/words.h"

// Thrown by the stop of a running execution; caught by the runner around
// the execute callback, or by the manual editor's trim (target 2).
struct ExecStop {
    i32 target;  // 1 the runner, 2 the editor's trim
};

// The host's display mode: 0 tool display, 1 tool trace, 2 no tool display,
// 3 no motion display, 4 no fast motion display (fast-display flag on).
extern i32 DSPMOD;
// Set by the manual editor's trim while it can catch a stop.
extern i32 TRMJMP;
// The procedure's parameters were read (set at the start of a procedure).
extern i32 PRMRED;

// Execution state of the runner.
struct IntState {
    i32 running;        // the runner is inside the execute callback
    i32 pause;          // BY STEP count, 1 to 10000
    i32 bystep;         // BY STEP is active
    i32 disp_changed;   // the user changed the display in the menu
    i32 keep, other;    // display-class flags
    i32 movstate_open;  // the movement state is open
    i32 tool_shown;
    i32 last_key;       // the host's last block key when the menu opened
    i32 rel_on;         // the relation table was enabled
};
extern IntState INTST;

void MODSTR(const i32& type, i32& machtype, i32& pausable, i32& status);
void STWPNT(const i32& mode, const char* t1, const char* t2, const char* t3, const i32& l1, const i32& l2,
            const i32& l3);
void PRMRPL(const char* question, const i32& dflt, i32& reply);
void INTSTA(PrcExeFn cb, const i32& pausable, const i32& reentry, i32& stopped, i32& changed, i32& change_word,
            i32& status);
void CHKINT();
void tool_at_display();  // draws the current tool at the "DSP8" position and registers it
void MRKPOS(const i32& mode, i32& nomotion, i32& status);
// Stops the running computation: unwinds to the runner (or to the editor's
// trim while it waits, TRMJMP set). Returns only when nothing runs.
void INTSTP();
