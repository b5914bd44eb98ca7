#include "core/intchk.h"

#include "core/host.h"
#include "core/names.h"
#include "core/params.h"

i32 TRMJMP = 0;
i32 INTCNT = 0;
IntHooks INTHKS = {nullptr, nullptr, nullptr};

void CHKINT()
{
    if (MACTYP == MACTYP_KEYPOLL) {
        i32 key = -1;
        gupdat(key);
        if (key != 32) return;
        modinz();
        i32 reply = 0;
        irepyc("CONTINUE?", reply);
        if (reply == 1) {
            modinz();
            prmptc(" E X E C U T I N G... ");
            return;
        }
        // Any answer but yes abandons the computation as the execution
        // menu's STOP does: nothing sets a point of its own to return to,
        // and the runner's (or the editor trim's) is the one that closes the
        // work (execute mode 2). Escape counts as no, as it stops there too.
        INTSTP();
        return;
    }
    i32 hit = 0;
    SPCHIT(hit);
    if (hit == 0) return;
    i32 n = 0;
    llines(n);
    i32 nomotion = 1;
    if (n > 0) {
        i32 st = 0;
        MRKPOS(2, nomotion, st);
        if (st < 0) return;
    }
    INTMNU(n > 0 && nomotion == 0 ? 1 : 2);
}

void INTMNU(const i32& mode)
{
    ++INTCNT;
    if (INTHKS.menu) INTHKS.menu(mode);
}

void MRKPOS(const i32& mode, i32& nomotion, i32& status)
{
    nomotion = 1;
    status = 0;
    if (INTHKS.mark) INTHKS.mark(mode, nomotion, status);
}

void INTSTP()
{
    if (INTHKS.stop) INTHKS.stop();
}
