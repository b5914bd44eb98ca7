// The part stock and the check stock of the machining in force, as the
// positioning helpers, the clean-up's offsets and the clearance path hand
// them to the drop: filled from the procedure's machining values where a
// procedure starts its run, and from an engine's own values where the editor
// or the projection sets its link values. The clearance path raises them by
// its margin while it runs.
#pragma once

#include "core/words.h"

extern f32 PRCSTK, PRCCHK;
