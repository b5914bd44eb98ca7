// Progress display of long computations in the three-field status window.
#pragma once

#include "frame/words.h"

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
void PRGEND();
void PRGSTG(const i32& kind, const i32& stage);
