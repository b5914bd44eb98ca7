// Execution control: the module start-up of a procedure, the runner of the
// execute callback, the execution menu, the position mark and the stop that
// it hands down to the interrupt poll (core/intchk.h), and the question with
// a default answer.
#pragma once

#include "frame/driver.h"
#include "core/intchk.h"
#include "core/words.h"

// The host's display mode: 0 tool display, 1 tool trace, 2 no tool display,
// 3 no motion display, 4 no fast motion display (fast-display flag on).
extern i32 DSPMOD;
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

// Starts the module for a procedure of the type: the tool path open at its
// top list, the module's state reset, the machine type and pausability set.
void MODSTR(const i32& type, i32& machtype, i32& pausable, i32& status);
// A yes/no question (the default without questions), the prompt restored.
void PRMRPL(const char* question, const i32& dflt, i32& reply);
// Runs the execution (callback cb, mode 1) under the interrupt control; a
// stop unwinds to it and the callback closes its work in mode 2 (stopped 1);
// changed and change_word tell how the display was changed meanwhile.
void INTSTA(PrcExeFn cb, const i32& pausable, const i32& reentry, i32& stopped, i32& changed, i32& change_word,
            i32& status);
void tool_at_display();  // draws the current tool at the "DSP8" position and registers it
