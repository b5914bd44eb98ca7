// Stand-in of the closed projection library: not available on this machine.
#include "cutter/projection.h"

int vant_available() { return 0; }
