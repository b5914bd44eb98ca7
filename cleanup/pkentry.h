// The entry move of a new piece of cut (least form): each call is recorded
// with its entry value, stage and two points, and the shown tool position
// moves to the target, as the final straight move of every entry kind does.
// The moves themselves (straight, rounded descent, full approach, spline
// link) are not written yet.
#pragma once

#include <vector>

#include "core/words.h"

// One recorded entry move.
struct PkEntryCall {
    i32 value;   // entry value (kind, with the rounded and marker forms)
    i32 stage;   // 2 from the hatch fill
    f64 from[3];
    f64 to[3];
};

// The entry move from P to Q: recorded, the "DSP8" tool point set to Q;
// status := the answer set by pkentry_answer (0 at load).
void pkentry(i32& value, const i32& stage, const f64* P, const f64* Q, i32& status);
// The calls recorded since the last clear, oldest first.
const std::vector<PkEntryCall>& pkentry_calls();
// Forgets the recorded calls and sets the answer back to 0.
void pkentry_clear();
// The status every later call answers (a negative one moves nothing).
void pkentry_answer(i32 status);
