// The stock runs reach a procedure's blocks through the procedure frame:
// the procedure block whose saved key is that of the procedure's stock
// counter, and the machining parameters stored with it.
#include <algorithm>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "core/codedio.h"
#include "core/host.h"
#include "frame/bookkeep.h"
#include "frame/cmpblk.h"
#include "frame/driver.h"
#include "frame/gocomp.h"
#include "stock/optim.h"
#include "stock/stkrun.h"
#include "stock/stkseries.h"

namespace {
// Puts the list cursor on the procedure block of stock counter `proc`.
void position_at_proc(const i32& proc, i32& status)
{
    status = -1;
    if (proc < 0 || proc >= DRV_KEYS) return;
    i32 a = 0;
    lacces(2, a);
    if (a < 0) return;
    while (true) {
        i32 st = 0;
        FNDTYP(12, st);
        if (st < 0) return;
        i32 key = 0, count = 1;
        TPGETN(AM_LIST, GR_LEAD, 33, count, DT_INT, &key, st);
        if (st == 0 && key == DRVBKT[proc]) {
            status = 0;
            return;
        }
        TPJUMP(1, st);
        if (st < 0) return;
    }
}
// Fills the machining-parameter block from the procedure block at the cursor.
void params_of_proc(i32& status) { CMPGTP(status); }
// The host's common arguments from the records.
void common_arguments() { GSCARG(0, 0); }
// The common words of the procedure block at the cursor, handed to the host.
void current_commands(i32& status) { CURCOM(1, 0, 0, 0, 0, 1, status); }
// The optimizer screen's change check: changed when any word differs from
// the copy taken on entry. The rerun level is no such test: it takes no
// notice of an edit that needs no rerun (a volume threshold while the feed
// tables are off), and a level left in word 25 by an earlier change would
// report an edit where there was none. The words are stored all the same.
void optim_changed(const i32* old, i32& changed)
{
    changed = std::equal(old, old + CMPBLK_N, CMPBLK) ? 0 : 1;
    i32 level = 0;
    CMPPUT(old, level);
}
[[maybe_unused]] const bool HANDED_DOWN =
    (STKPOS = position_at_proc, STKGTP = params_of_proc, STKARG = common_arguments, STKCOM = current_commands,
     OPTDEF = CMPDEF, OPTPUT = optim_changed, true);
}  // namespace
