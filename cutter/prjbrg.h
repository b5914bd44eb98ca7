// Switches of the bridge to the closed projection library.
#pragma once

#include "core/words.h"

// Availability of the projection library: 0 after every procedure start.
void prj_set_avail(i32 value);
i32 prj_get_avail();
