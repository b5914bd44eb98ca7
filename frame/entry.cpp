#include "frame/entry.h"

#include "blocks/dipblk.h"
#include "core/params.h"
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
