// Progress display of long computations in the three-field status window.
#pragma once

#include "core/words.h"

struct PrgState {
    char title[41];
    i32 ltitle;
    char label[41];
    i32 llabel;
    char value[41];
    i32 lvalue;
    i32 total, done;
    i32 last;  // last value shown, -1 none
};
extern PrgState PRGSTA;

// Paints the status window: mode 1 all three fields, 2 the second and third,
// 3 the third, 4 the first alone; mode 0 clears it. Field lengths l1 to l3.
void STWPNT(const i32& mode, const char* t1, const char* t2, const char* t3, const i32& l1, const i32& l2,
            const i32& l3);

void PRGINI();  // zero counts, empty texts, the first field painted
// The counts: op 1 sets the total, 2 the done, 3 and 4 count one more of each.
void PRGCNT(const i32& op, const i32& n);
void PRGSHW(const i32& kind);  // the title of the kind painted
void PRGCLR();  // empty texts, the first field painted
void PRGRST();  // empty texts
void PRGEND();  // clears the window and the texts
void PRGRDW();  // repaints all three fields
// "PERCENT DONE=" in steps of 5, after the pause poll (its menu when the
// user paused).
void PRGPCT(const i32& kind);
// The stage line: patches counted (stage 1) or done, every tenth.
void PRGSTG(const i32& kind, const i32& stage);
// A title and a value: mode 0 sets and paints the title, 1 paints the
// value, 2 sets the title and clears the window.
void PRGTXT(const i32& mode, const char* text, const i32& value);
// The loop, execution and offset counts as PRGTXT lines (modes 0 to 4).
void PRGLOP(const i32& mode, const i32& count, const i32& value);
