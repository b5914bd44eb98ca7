#include "cutter/prjbrg.h"

namespace {
i32 avail = 0;
}

void prj_set_avail(i32 value) { avail = value; }
i32 prj_get_avail() { return avail; }
