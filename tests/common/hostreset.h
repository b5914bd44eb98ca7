// Emptying the stand-in host between cases that run in one process. The
// module keeps some host arrays from one procedure to the next (the triangle
// model and its quadtree, the approximation and positioning work arrays, the
// marker stack, the polygon buffers and pocket arrays, the up/down buffers,
// the spiral entry's work area, the stock's tool images); they are
// released before the host forgets them, so that no handle kept from the last case
// names an array of the next one.
#pragma once

#include "blocks/marker.h"
#include "passes/services.h"
#include "passes/twirl.h"
#include "passes/updown.h"
#include "platform/norak/norak.h"
#include "pocket/luptab.h"
#include "pocket/pokmain.h"
#include "pocket/polbuf.h"
#include "stock/netgrid.h"
#include "stock/stkimage.h"
#include "surfaces/allsrf.h"
#include "surfaces/trimodel.h"

namespace hostreset {

// Releases the host arrays the module keeps between procedures; the up/down
// state goes back to its start (mode off, buffers closed).
inline void release_module_arrays()
{
    i32 st = 0;
    allfre(st);
    FRETRI();
    TWLREL();
    tp_mrkr_fin(1);
    stk_net_rels();
    polbuf_release_all(1, st);
    POKREL(1, st);
    lup_box_close();
    stk_image_clear(1);
    i32 w[28] = {};
    UDINIT(w[0], w + 1, w[25], w[26], w[27]);
}

// The module's kept arrays released, then an empty host.
inline void empty_host()
{
    release_module_arrays();
    norak::reset();
}

}  // namespace hostreset
