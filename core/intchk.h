// The interrupt poll of long computations, the execution menu it opens, the
// mark of the list position at the last motion, and the stop that unwinds a
// running execution. The execution control of the procedure frame hands its
// menu, its mark and its stop down through INTHKS when the module is loaded;
// without them a pause opens nothing and a stop returns.
#pragma once

#include "core/words.h"

// Thrown by the stop of a running execution; caught by the runner around
// the execute callback, or by the manual editor's trim (target 2).
struct ExecStop {
    i32 target;  // 1 the runner, 2 the editor's trim
};

// Set by the manual editor's trim while it can catch a stop.
extern i32 TRMJMP;

// The handlers of the execution control.
struct IntHooks {
    void (*menu)(const i32& mode);                               // the execution menu
    void (*mark)(const i32& mode, i32& nomotion, i32& status);   // the list position at the last motion
    void (*stop)();                                              // the stop of the running computation
};
extern IntHooks INTHKS;

// The interrupt poll: a pressed space key opens the execution menu (in
// machining type 36, whose progress display polls the keys itself, the
// question "CONTINUE?").
void CHKINT();
// The execution menu opened when the user asks for a pause: mode 1 with the
// list at a motion block (RESUME, BY STEP, STOP), 2 without (RESUME, STOP).
void INTMNU(const i32& mode);
extern i32 INTCNT;  // times the menu was asked for
// Looks for a motion block from the list position, backwards (mode 2) or
// forwards (mode 1), and leaves the position where it was; nomotion is 1
// when there is none.
void MRKPOS(const i32& mode, i32& nomotion, i32& status);
// Stops the running computation: unwinds to the runner (or to the editor's
// trim while it waits, TRMJMP set). Returns only when nothing runs.
void INTSTP();
