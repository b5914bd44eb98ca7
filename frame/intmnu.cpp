#include "frame/intmnu.h"

i32 INTCNT = 0;

// The menu itself comes with the execution control; until then a request
// is counted and the run goes on.
void INTMNU(const i32& mode) { ++INTCNT; }
