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
// The block is found by the key the finish step saved for that counter, not
// by counting procedure blocks: the counter numbers the host's procedure
// rows, which begin with a row for the level's start and hold the stock
// procedures, and neither keeps a procedure block in this list. Counted,
// the run would land on another procedure's block and stamp that one's
// moves into the stock. A counter with no saved key (a procedure not run in
// this session) is not found, and the series ends as failed instead.
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
// The current commands of the procedure block at the cursor: the common
// words (handed to the host), the machine values, the heights and the
// backup words, as the display of a procedure reads them.
void current_commands(i32& status) { CURCOM(1, 1, 0, 1, 1, 1, status); }
// Shows the procedure of stock counter `proc` again, its blocks drawn anew
// from its saved block. The driver keeps one saved key per procedure and
// writes it into the procedure's block also when the procedure is run again
// after a change (the run that asks for the second saved block): the
// second saved block is that same key.
void show_proc(const i32& proc, const i32& second, i32& status)
{
    (void)second;
    position_at_proc(proc, status);
    if (status < 0) return;
    DSPROC(1000 + DRVBKT[proc], status);
}
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
     STKDSP = show_proc, OPTDEF = CMPDEF, OPTPUT = optim_changed, true);
}  // namespace
