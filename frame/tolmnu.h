// The tool menu of a procedure: the current tool and the machining values
// that go with it, and the spindle-speed rule.
#pragma once

#include "core/words.h"

// Feed mode of the tool menu: 1 feed, 2 rapid; set by the caller.
extern i32 FEEDMD;

// Runs the tool menu; options: 13 words (nonzero offers the item); kind 1
// drops the word-23 choice.
void TOLMNU(i32& printcell, const i32* options, const i32& kind, i32& status);
// Spindle speed of a cutting speed v (m/min) at diameter D: 999999 for D = 0
// or a result of 999,999 or more.
void SPNSPD(const f32& diameter, const f32& speed, i32& spindle);
