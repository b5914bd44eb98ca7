// What the procedure frame uses of the cutter location: the five-axis line
// work array.
#pragma once

#include "cutter/line5x.h"
#include "cutter/linnetn.h"
