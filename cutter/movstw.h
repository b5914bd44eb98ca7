// The motion state word (the mode word) shared by the cutter location, the
// approach and retract links, the clean-up entry and the tool path trim. The
// procedure start sets it to 0 and no routine of the module sets it
// otherwise; at 3, under the host's segment codes 34, 38 and 48, the tool
// drop takes its smoothed-normal road.
#pragma once

#include "core/words.h"

extern i32 MOVSTW;
