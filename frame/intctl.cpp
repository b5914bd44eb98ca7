// Least form of the interrupt poll: a pause offers RESUME and STOP.
#include "frame/intctl.h"

#include "frame/host.h"

void CHKINT()
{
    i32 key = -1;
    gupdat(key);
    if (key != 32) return;
    modinz();
    i32 c = 0;
    modmc("EXECUTION:RESUME@EXECUTION:BY STEP@EXECUTION:STOP", c);
    if (c == 3) throw ExecStop{1};
}
