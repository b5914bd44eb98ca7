// The common box of the part surfaces, in world coordinates.
#pragma once

#include "core/words.h"

// box: lower corner then upper corner. Status 0, -1 when the list holds no
// positive id, when no surface gave a credible box, on an unknown entity
// kind, or the host's status of a failed open.
void SURFSBOX(const i32* ids, const i32& count, f64* box, i32& status);
