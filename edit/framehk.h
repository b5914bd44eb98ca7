// The procedure frame's menus that the editing commands run, handed down
// when the module is loaded (the frame lies above the editor): the tool menu
// of MACH.PARAMS, the GO menu of ADD:GO and the procedure's surface-change
// flag that ALTERATIONS raises. frame/edithooks.cpp sets them.
#pragma once

#include "core/words.h"

struct FrameHooks {
    // The tool menu over the machine values "PRM9" with the item list (30
    // words, 1 offers the item) and the feed kind (1 feed, 2 rapid), which
    // comes back as the menu left it (its FEED/RAPID item); changed is set to
    // 1 when the menu changed a machine value. Status 0 or negative.
    void (*tool_menu)(i32& feed_kind, const i32* items, i32& changed, i32& status);
    // The GO menu of the GO mode (1 to 5) with its three option arrays (30,
    // 20 and 11 words) writing GO motions at the list position; inserted is
    // set to 1 when it wrote any. Status nonzero on a list failure.
    void (*go_menu)(const i32& mode, const i32* tool, const i32* display, const i32* options, i32& inserted,
                    i32& status);
    // Sets the procedure's surface-change flag from the answer of the
    // surface-selection menu (nonzero: the surfaces changed).
    void (*surfaces_changed)(const i32& changed);
};
extern FrameHooks FRMHKS;
