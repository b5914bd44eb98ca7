// What the cutter location needs of the floors above it, handed down when
// the module is loaded: the Z-map stock grid and the tool placed on it, the
// tool-profile tables of the string positioning (all kept by the stock), and
// the point test and drawing of the polygon buffers (kept by the pocket
// geometry). The stock sets its part in stock/cuthooks.cpp, the pocket
// geometry its part in pocket/cuthooks.cpp.
#pragma once

#include "core/words.h"
#include "cutter/zgrid.h"

struct CutHooks {
    // The grid in force and its cells (null cells: no grid).
    const StkGrid* grid;
    StkCell* (*cells)();
    // The tool at a point, dropped onto the stock, and where a move between
    // two points reaches a height over the stock (stock/stkstamp.h: stk_tool_at,
    // stk_tool_drop, stk_move_cross).
    i32 (*tool_at)(const i32& mode, f32* point, const i32& move, f32& max_depth, f32& sum_depth);
    void (*tool_drop)(const f32* xy, f32* point, i32& status);
    void (*move_cross)(const f32* pa, const f32* pb, const f32& z, f32* point, i32& status);
    // The string positioning's profile tables and record array
    // (stock/netgrid.h: stk_net_hdl, stk_net_prof, stk_net_open, and the
    // record array's handle).
    void (*net_hdl)(const i32& mode, i32& handle);
    void (*net_prof)(const f32& tol, const f32& S, const f32& R, const f32& L, const f32& T, const i32& index,
                     const f32& allowance, const i32& count, i32& rec_handle, void*& rec_base, i32& status);
    i32 (*net_rec)();
    void (*net_open)(const i32& count, i32& handle, void*& base, i32& status);
    // The point test against polygon buffer 1 and the drawing of closed
    // polygons (pocket/polbuf.h: polbuf_inpol, DRWPOL).
    void (*inpol)(const f32* p, const f32& tol, i32& status);
    void (*drwpol)(const i32& npol, const i32* counts, const f32* pts, const f32& z, i32& status);
};
extern CutHooks CUTHKS;
