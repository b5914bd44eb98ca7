// The pass loops over the picked surfaces: all surfaces stepped together, or
// one surface after the other; the step to the next pass and the backup.
#pragma once

#include "core/words.h"

// Status 0 a next pass exists, 1 the pass about to be made is the last, 2 no
// progress, negative failure.
void newtc(const i32& npass, i32& status);
// Steps surface i (from 1) to its next pass value: by its fixed delta in the fixed-count step mode, else by the step
// proposal on the surface in buf; status negative failure.
void SRFSTP(const i32& i, const f64* buf, i32& status);
// Writes the records back, says that count passes are completed and has the host back up the tool path's work area;
// status negative when the records could not be written.
void BKUPNC(const i32& count, i32& status);
// The clean-up grid over the part box when the procedure asks for the
// clean-up; false, with the status negative, when it cannot be built.
// listmsg, when given, is said when the one surface of machining type 14
// cannot be read from the host's list.
bool CLNGON(i32& status, const char* listmsg = nullptr);
// The clean-up of what the passes left (run set and the status not
// negative) and the release of its arrays, when the procedure asks for it;
// cleanup is the driver's clean-up value.
void CLNEND(const i32& status, const bool& run, const f32& cleanup);
