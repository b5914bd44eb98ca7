// The pocket entry's state of the twirl (spiral) entry: the end pair of the
// string that was entered last, the start pair of the next one, the phase
// and twirl-wanted flags, and the values the twirl reads of the pocket
// entry (the stored entry point, the twirl radius, the middle-piece mode,
// the one-leg switch, the stock step and the twirl link's value).
#pragma once

#include "core/words.h"

// The twirl-entry record in its word order: P1, Q1 (the last-but-one and
// last point of an entry string) and their flag; T2, P2 (the first and
// second point of the next string) and their flag; phase and wanted flags.
struct TwlSt {
    f32 p1[3], q1[3];
    i32 endflag;
    f32 t2[3], p2[3];
    i32 startflag;
    i32 phase;
    i32 wanted;
};
extern TwlSt TWLST;

// The stored entry point: the last point of the latest entry string.
extern f64 pk_last_pos[3];
// Twirl radius (0: no twirl), middle-piece mode (1 or 2, else the second
// middle piece), one-leg switch, stock step, and the twirl link's value.
extern f64 TWLRAD;
extern i32 TWLMMD, TWLONE;
extern f64 TWLSTK, TWLLKV;

// Clears the start-pair, end-pair, twirl-wanted and phase flags.
void TWLRST();
