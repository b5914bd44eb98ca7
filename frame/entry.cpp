#include "frame/entry.h"

#include "blocks/dipblk.h"
#include "core/params.h"
#include "edit/report/listing.h"
#include "frame/callbacks.h"
#include "frame/driver.h"
#include "surfaces/srfbuf.h"

namespace {
// The block display's reading of a coordinate system entity, handed down
// when the module is loaded.
void ucs_data(const i32& id, f32* origin, f32* matrix, i32& status)
{
    f32 real = 0;
    i32 name[2] = {0, 0}, integer = 0;
    DBDUCS(1, id, origin, matrix, real, name, integer, status);
}

[[maybe_unused]] const bool HANDED_DOWN = (DSPUCS = ucs_data, true);
}  // namespace

// The host's call: the procedure driver carries a surface-milling procedure
// (type 9) with its callbacks, its parameter record "TV27" and its block.
extern "C" void tavrek()
{
    PRCDRV(9, PRCDEF, PRCEXE, PRCPRM, PRCGEO, block_read_tavrek, PRCCHG, PRCINI, PRCSRF, PRCNRM, PRCTRN, PRCUPD,
           "TV27", PRCPAR_N, PRCPAR, PRCCPY);
}

// The host's tool path listing of the open tool path ("TP LIST" outside a
// procedure): TP_LIST in the part's unit.
extern "C" void tavrek_tplist()
{
    const i32 current = -1, units = 1;
    NCLIST(current, units);
}
