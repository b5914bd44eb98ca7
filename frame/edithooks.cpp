// The frame's menus handed down to the editing commands (edit/framehk.h):
// the tool menu of MACH.PARAMS, the GO menu of ADD:GO and the procedure's
// surface-change flag.
#include "core/records.h"
#include "edit/framehk.h"
#include "frame/callbacks.h"
#include "frame/cmpblk.h"
#include "frame/gomenu.h"
#include "frame/tolmnu.h"

namespace {

// The tool menu between two snapshots of the machine values: changed when
// the second reports a value that differs from the first. The feed kind goes
// into the menu's FEED/RAPID item and comes back as the user left it there.
void tool_menu(i32& feed_kind, const i32* items, i32& changed, i32& status)
{
    i32 recompute = 0, update = 0, feedchg = 0;
    CPYROT(1, recompute, update, feedchg);
    FEEDMD = feed_kind;
    i32 printcell = 0;
    TOLMNU(printcell, items, 0, status);
    feed_kind = FEEDMD;
    if (status < 0) return;
    CPYROT(2, recompute, update, feedchg);
    changed = recompute != 0 || update != 0 || feedchg != 0 ? 1 : 0;
}

// The GO menu inside the procedure's list (no procedure block is opened).
void go_menu(const i32& mode, const i32* tool, const i32* display, const i32* options, i32& inserted, i32& status)
{
    i32 moved = 0;
    GOMENU(mode, 0, tool, display, options, moved, inserted, status);
}

// The reference surfaces of the procedure changed: its part surfaces are
// stored anew with it.
void surfaces_changed(const i32& changed)
{
    if (changed != 0) PRCGUS[0] = 1;
}

[[maybe_unused]] const bool HANDED_DOWN = (FRMHKS = FrameHooks{tool_menu, go_menu, surfaces_changed}, true);

}  // namespace
