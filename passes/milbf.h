// The move-string entry through which the engines write their cutting
// strings: each string is entered by its link (continue, retract and
// approach, approach alone or a straight move) and written between its
// markers; the link distance and the state kept between strings.
#pragma once

#include "core/words.h"

// Continuation mode word: 3 lets a negative link code mark a continuation.
extern i32 MILCMD;
// Link distance of the up/down layer (0 when unset): every string point is
// raised by it while written.
extern f32 UDLDIS;

// Writes n strings (points and axes one after another, cnt points each) with
// their links; link code, dimension code (1 or 2), first-string word, the
// per-point feed words (or none), the approach-only switch and the start
// code, end code and class of the markers around every string.
void MILBF2(const i32& link, const i32& dim, const i32& first, const f32* pts, const f32* axes, const i32* feeds,
            const i32& nstr, const i32* cnt, const i32& apponly, const i32& scode, const i32& ecode, const i32& cls,
            i32& status);
// One string of n points: its link, the string itself and its markers.
void MILST2(i32 link, i32 dim, const i32& first, const i32& cont, const f32* pts, const f32* axes, const i32* feeds,
            const i32& n, const i32& firststr, const i32& apponly, const i32& total, const f32* second,
            const i32& scode, const i32& ecode, const i32& cls, i32& status);
// The link distance when nonzero, else 0.
void LNKDST(f32& dist);
// The string-join flag: got when mode is 1, set to value otherwise.
void MSTJGS(const i32& mode, i32& value);
// Stores, or fetches, the last string's last-but-one point, last axis and count.
void MSTPUT(const f32* point, const f32* axis, const i32& count);
// Fetches what MSTPUT stored.
void MSTGET(f32* point, f32* axis, i32& count);
// Forgets the link state of a run: no code-2 link done, no stored string.
void MSTRST();
// Spline mode of the machine values: 1 spline output, 2 straight moves.
i32 SPLOUT();
