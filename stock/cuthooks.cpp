// The stock's part of the cutter location's hooks (cutter/uphooks.h).
#include "cutter/uphooks.h"
#include "stock/netgrid.h"
#include "stock/stkgrid.h"
#include "stock/stkstamp.h"

namespace {

i32 net_rec() { return stk_net.rec; }

[[maybe_unused]] const bool HANDED_DOWN =
    (CUTHKS.grid = &stk_grid, CUTHKS.cells = stk_cells, CUTHKS.tool_at = stk_tool_at, CUTHKS.tool_drop = stk_tool_drop,
     CUTHKS.move_cross = stk_move_cross, CUTHKS.net_hdl = stk_net_hdl, CUTHKS.net_prof = stk_net_prof,
     CUTHKS.net_rec = net_rec, CUTHKS.net_open = stk_net_open, true);

}  // namespace
