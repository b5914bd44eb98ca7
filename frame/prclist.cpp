// Least forms of the procedure, procedure-header and tool listings: each
// says in one message that the listing is not available and writes nothing.
#include "frame/prclist.h"

#include "core/host.h"

void PROCTL(const i32&, const i32&) { usmsgc("PROCTL, PROCEDURE LIST IS NOT AVAILABLE"); }
void PROCHD(const i32&) { usmsgc("PROCHD, PROCEDURE HEADER LIST IS NOT AVAILABLE"); }
void TOLTBL(const i32&, const i32&, i32& status)
{
    usmsgc("TOLTBL, TOOL LIST IS NOT AVAILABLE");
    status = -1;
}
