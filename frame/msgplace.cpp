// The place of a message insertion chosen by its target procedure: before
// the chosen procedure's block, or after the last one. The editor's message
// insertion reaches it through MSGPLC, filled here at load.
#include <cstring>

#include "blocks/listacc.h"
#include "core/host.h"
#include "edit/msgblk.h"
#include "edit/proctab.h"
#include "frame/bookkeep.h"
#include "frame/trgprc.h"

namespace {

constexpr i32 PROC_CLASS = 8;

void place_by_target(i32& status)
{
    status = 0;
    i32 chosen = -1, st = 0;
    TRGPRC(chosen, 0, st);
    if (st < 0 || chosen < 1) {
        status = -2;
        return;
    }
    const i32 count = PRCTAB.count;
    lclos();
    ltop();
    if (count < 1) {
        // No procedures: the end of the list is the one place, taken
        // without a question, so the insertion runs once.
        JMPEND(st);
        if (st >= 0) status = 1;
    } else {
        i32 answer = 0;
        lacces(2, answer);
        if (answer < 1) st = -1;
        if (st >= 0 && count < chosen) {
            NXTCNT(PROC_CLASS, count, st);
        } else if (st >= 0) {
            NXTCNT(PROC_CLASS, chosen, st);
            if (st >= 0) TPJUMP(-1, st);
        }
    }
    if (st < 0) {
        const char* text = "INSMSG, ERRORS IN LIST";
        errout(text, 0, static_cast<i32>(std::strlen(text)));
        status = -3;
    }
}

[[maybe_unused]] const bool PLACE_HANDED_DOWN = (MSGPLC = place_by_target, true);

}  // namespace
