#include "cutter/refrec.h"

i32 REFSWT = 0;

bool REFGET(const i32& index, const i32& k, f32* point, f32* normal) { return false; }
