// The procedure's menus: the common head of every procedure menu and its
// reply handling, the parameter page with its validation, and the question
// whether the geometry is to be redefined.
#pragma once

#include "core/words.h"

using PrcPutCb = void (*)(const i32&, const i32&, i32&, i32&);
using PrcReadCb = void (*)(const i32&, const i32&, const i32&, const i32&, i32&, i32&);

// Item numbers of the common items (0 inactive): title, name, machining
// parameters, SERVICE, TEMPLATE:APPLY, TEMPLATE:SAVE, optimizer toggle,
// OPTIMIZER.
constexpr i32 IX_TITLE = 0, IX_NAME = 1, IX_MACH = 2, IX_SERVICE = 3, IX_APPLY = 4, IX_SAVE = 5, IX_TOGGLE = 6,
              IX_OPTIM = 7;

// Template sub-menu state (1 plain apply, 2 technology, 3 geometry, 4 all)
// and the optimizer toggle state (1 off, 2 on).
extern i32 TPLSUB, OPTTGL;
// The procedure's 19-character status text shown in the title.
extern char PRCSTT[20];
// Part-surface change word: set while the part surfaces changed and are not saved.
extern i32 PSCHGW;

// Opens the procedure menu and builds its common head (status title, name,
// machining parameters, SERVICE, template and optimizer items); m packs the
// menu kind (units) and hides the optimizer (+10) or the template (+100);
// index answers the common items' numbers, item the next free one.
void PRCMNU(i32& m, i32& shown, const i32* groups, i32* index, i32& item, i32& status);
// Waits for the menu's reply and acts on the common items (side menus,
// template apply and save, tool and SERVICE menus); reply is the item left
// for the caller (0 done, -1 or -2 out), toolchanged 1 after a new tool.
void PRCMND(const i32& m, const i32& error, const i32* toolflags, const i32* srvflags, i32* index, PrcPutCb prm,
            PrcPutCb geo, PrcReadCb reader, i32& reply, i32& toolchanged, i32& status);
// After the parameter page: asks whether the geometry is to be redefined
// after an escape (status 1 redefine, -2 escape, 2 again).
void REDGEO(const i32& flag, i32& status);

// The link parameters (SETMOC) from the procedure's words, with the count of
// second part surfaces.
void PRMLNK(const i32& npart2);
// Parameter page: out-flags are redefine part surfaces, first and second
// geometry request, start corner, (unused), part-2 edit, (unused).
void PRMMNU(const i32& strict, const i32& spare, i32& error, i32* outflags, i32& status);
// Checks the parameters against the tool and the surfaces into the message
// box; error 1 for a value that is refused.
void PRMCHK(const i32& strict, i32& error);
