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
