// The pocket offset driver: the contours of one pocket offset level by
// level, merged with the islands' offsets, and cut.
#pragma once

#include "core/words.h"
#include "pocket/pokvals.h"

// Offsets and cuts the pocket registered in the loop table. Status 0, 17
// nothing left to machine, else the failing stage's status. Least form
// until the driver is built: answers 11.
void rrpock(PokPar& par, f64* allow, const f64& radius, i32& cut_mode, const i32& direction, const i32& f,
            const f64& side, const f64& e, i32& status);
