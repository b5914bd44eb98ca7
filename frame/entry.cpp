#include "frame/entry.h"

#include "frame/callbacks.h"
#include "frame/driver.h"
#include "core/params.h"

// The host's call: the procedure driver carries a surface-milling procedure
// (type 9) with its callbacks, its parameter record "TV27" and its block.
extern "C" void tavrek()
{
    PRCDRV(9, PRCDEF, PRCEXE, PRCPRM, PRCGEO, block_read_tavrek, PRCCHG, PRCINI, PRCSRF, PRCNRM, PRCTRN, PRCUPD,
           "TV27", PRCPAR_N, PRCPAR, PRCCPY);
}
