// Up/down milling: the move strings are collected in the up/down buffers
// until a pass or a link ends, then split into runs where their slope class
// changes; runs that go the wrong way are reversed and every run is written
// with its own approach and retract.
#pragma once

#include "core/words.h"

// The up/down state: options, the four parallel buffers and their counts.
struct UdBuf {
    i32 mode = 1;        // 1 off, 2 up, 3 down
    f32 angle = 0;       // slope angle, degrees
    i32 split = 1;       // split option: 1 midpoints allowed, 2 direction test (up mode)
    i32 opt2 = 1, opt3 = 1;  // further option words, stored only
    i32 hpts = -1, haxs = -1, hmrk = -1, hrun = -1;  // array handles, -1 closed
    i32 cap = 0;         // capacity of each array
    i32 count = 0;       // buffered points
    f32 last[3] = {1.0e10f, 1.0e10f, 1.0e10f};  // last point handed in
    i32 link = 3, dim = 1;  // kept link code (absolute) and dimension code
    i32 mcls = 0, mcode = 0;  // deferred marker class and code
    i32 firstw = 1;      // first write since UDINIT
    i32 written = 0;     // stretches written since UDINIT
};
extern UdBuf UDBUF;

// Opens the four arrays (20,000 entries) when closed.
void UDALLC(i32& status);
// A move string of the writers: buffered when up/down is on, else passed to
// MILBF2 unchanged (arguments as MILBF2).
void UDMILB(const i32& link, const i32& dim, const i32& first, const f32* pts, const f32* axes, const i32* feeds,
            const i32& nstr, const i32* cnt, const i32& apponly, const i32& scode, const i32& ecode, const i32& cls,
            i32& status);
// A move to one point: MOVSTR when off, else a one-point buffered string.
void UDMOVE(const i32& dim, const f32* point, const f32* axis, i32& status);
// A marker: written at once when off, else kept for the next one-point move.
void UDMRK(const i32& action, const i32& cls, const i32& code, const f32& rvalue, const i32& ivalue, i32& status);
// The tool's last point (see the up/down state and the spline writer).
void UDLAST(const f32* current, f32* result);
// Slope class of the segment j to j+1 of the buffer under the sign s:
// 3 the wanted way, 2 level, 1 against but shallow, 0 against and steep.
i32 UDCLAS(const f32* pts, i32 j, i32 s);
// Splits the buffered chain into runs (reversing those run backwards);
// answers the number of runs, their lengths in the run array.
i32 UDSPLT(i32& status);
