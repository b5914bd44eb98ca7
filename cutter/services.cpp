// Least forms of the cutter-location services the procedure frame calls;
// the cutter issues replace them.
#include "cutter/services.h"

void LN5INI() {}
void LN5FRE(i32& status) { status = 0; }
