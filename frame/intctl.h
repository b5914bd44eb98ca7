// Execution control: the interrupt poll and the stop of a running execution.
#pragma once

#include "frame/words.h"

// Thrown by the stop of a running execution; caught by the runner around
// the execute callback, or by the manual editor's trim (target 2).
struct ExecStop {
    i32 target;  // 1 the runner, 2 the editor's trim
};

// Polls the keyboard: the space key opens the execution menu, whose STOP
// unwinds the running computation (ExecStop).
void CHKINT();
