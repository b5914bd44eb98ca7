#include "edit/least.h"

#include "blocks/dspblk.h"
#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/navig.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/records.h"

namespace {
void later(const char* text) { usmsgc(text); }
}  // namespace

void mnedup(i32& open, const i32& changed, const i32& code22, const i32& redraw, i32& status)
{
    status = 0;
    auto fail = [&]() {
        eroutc("[mnedup, ]ERRORS IN UPDATE AFTER MANUAL EDIT", 0);
        status = -1;
    };
    if (open != 0) {
        CLSSBL(status);
        if (status < 0) return fail();
        open = 0;
        if (changed != 0) {
            const i32 two = 2;
            TPCHNN(AM_LIST, GR_GLOBAL, 21, DT_INT, &two, status);
            if (status < 0) return fail();
            f32 first[3], fdir[3], last[3], ldir[3];
            i32 none = 1;
            FSTLST(first, fdir, last, ldir, none, status);
            if (status < 0) return fail();
            if (none == 0) {
                const f32* values[4] = {first, fdir, last, ldir};
                const i32 codes[4] = {6, 28, 5, 27};
                for (i32 k = 0; k < 4 && status >= 0; ++k) TPCHNN(AM_LIST, GR_GLOBAL, codes[k], DT_REAL, values[k], status);
                if (status < 0) return fail();
            }
        }
        if (code22 != 0) {
            const i32 two = 2;
            TPCHNN(AM_LIST, GR_GLOBAL, 22, DT_INT, &two, status);
            if (status < 0) return fail();
        }
    }
    DSM4[4] = 0;
    MUTOOL(2);
    status = 0;
    if (redraw != 0) updtwa(1);
}

void EDTDLT(i32*, i32*, i32&, i32& changed, i32& request, i32& status)
{
    changed = request = status = 0;
    later("DELETE IS NOT AVAILABLE IN THIS VERSION");
}

void EDTTRM(i32*, i32&, i32& changed, i32& request, i32& status)
{
    changed = request = status = 0;
    later("DELETE TO END IS NOT AVAILABLE IN THIS VERSION");
}

void EDTPRM(i32*, i32& changed, i32& request, i32& status)
{
    changed = request = status = 0;
    later("MACH.PARAMS IS NOT AVAILABLE IN THIS VERSION");
}

void trim_tp(const i32&, const i32&, i32& reply)
{
    reply = 0;
    later("ALTERATIONS IS NOT AVAILABLE IN THIS VERSION");
}

void EDTGO(i32*, i32&, i32& inserted, i32& changed, i32& status)
{
    inserted = changed = status = 0;
    later("ADD:GO IS NOT AVAILABLE IN THIS VERSION");
}

i32 CHKLYR(i32& status)
{
    status = 0;
    later("CHKLYR, THE LAYER CHECK IS NOT AVAILABLE IN THIS VERSION");
    return 0;
}

void MSGMRK(i32*, i32& status)
{
    status = 0;
    later("MSGMRK, THE MESSAGE MARK IS NOT AVAILABLE IN THIS VERSION");
}

void INSMSG(i32&, i32& changed, i32& status)
{
    changed = status = 0;
    later("ADD MESSAGE IS NOT AVAILABLE IN THIS VERSION");
}

void CNTMSG(i32& count, i32& status)
{
    count = status = 0;
    later("EDIT.MESSAGE IS NOT AVAILABLE IN THIS VERSION");
}

void EDTMSG(i32& status)
{
    status = 0;
    later("EDIT.MESSAGE IS NOT AVAILABLE IN THIS VERSION");
}
