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

void PRGINI();
void PRGCNT(const i32& op, const i32& n);
void PRGSHW(const i32& kind);
void PRGCLR();
void PRGRST();
void PRGEND();
void PRGRDW();
void PRGPCT(const i32& kind);
void PRGSTG(const i32& kind, const i32& stage);
void PRGTXT(const i32& mode, const char* text, const i32& value);
void PRGLOP(const i32& mode, const i32& count, const i32& value);
