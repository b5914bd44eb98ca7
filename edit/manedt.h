// The manual editor of a stored tool path: MOVE TOOL and the entries of the
// other editing commands, the SERVICE sub-menu and the way out.
#pragma once

#include "core/words.h"

// Words of the command flag array (from 0): DELETE, DELETE TO END (also
// needed by ALTERATIONS and SERVICE), ALTERATIONS and SERVICE (with ADD:GO),
// not read, MACH.PARAMS, the message items of SERVICE.
constexpr i32 EDF_DELETE = 0, EDF_TOEND = 1, EDF_ALTER = 2, EDF_PARAMS = 4, EDF_MESSAGE = 5, EDF_N = 6;

// Set while a DELETE range is being marked or a JUMP BLOCK pick was made;
// read by the trimming.
extern i32 EDTACT;

// The procedure frame's services the editor needs in single-procedure mode,
// handed down when the module is loaded (the frame lies above the editor):
// take the procedure over as the current commands (status 0 or negative),
// add the procedure's tools to the menu (answers the items added),
// redisplay the procedure list.
struct EdtHooks {
    void (*take)(const i32& procedure, i32& status);
    i32 (*tools)(const i32& procedure);
    void (*display)(const i32& mode, i32& status);
};
extern EdtHooks EDTHKS;

// The manual editor over one procedure's movement list (procedure > 0) or
// the whole current list. flags: six words, nonzero offered. start_at_end:
// the tool starts on the last motion. blank_outside: SHOW BLOCK from the
// start, the list left blanked at the end. changed (out) is set to 1 when
// the tool path changed. Status 0, -3 after a list failure.
void manedt(const i32& procedure, const i32* flags, const i32& start_at_end, const i32& blank_outside,
            i32& changed, i32& status);
// The SERVICE sub-menu of the editor (block list, ADD:GO, messages, time
// estimate) until the user leaves it. Named apart from the frame's SRVMNU,
// the procedure frame's own service menu. It takes no display handle: the
// GO insertion connects the tool path display again itself.
void EDTSRV(const i32* flags, i32& changed, i32& code22, i32& pathchg, i32& callers, i32& request, i32& subchg,
            i32& type, i32* key, i32& count, i32& status);
