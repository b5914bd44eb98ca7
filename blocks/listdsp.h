// The display of the block at the list position with the tool symbol moved
// there, and the move to the clearance height of the retract-on-stop hold.
#pragma once

#include "core/words.h"

// Releases the hold of the retract switch and, when the retract on a stop is
// asked for ("HEI8"), moves up to the clearance height over the shown
// position.
void HLDDSP(const i32& mode, i32& status);

// Shows the block at the list position (display modes 0-3) and moves the
// tool symbol there; flag is set to 1 when the user asked for a pause while
// it was shown.
void DISPLB(const i32& mode, i32& flag, i32& status);
