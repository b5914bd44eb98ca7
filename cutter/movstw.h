// The motion state word shared by the cutter location, the approach and
// retract links, the clean-up entry and the tool path trim.
#pragma once

#include "core/words.h"

extern i32 MOVSTW;
