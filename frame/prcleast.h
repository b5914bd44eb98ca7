// Procedure menus of the frame whose own issues come later, in the least
// form the parameter page needs: the tool menu and the SERVICE menu.
#pragma once

#include "core/words.h"

// The tool menu: shows the current tool and lets the user choose another
// from the tool library.
void TOLMNU(i32& printcell, const i32* options, const i32& kind, i32& status);
// The SERVICE menu.
void SRVMNU(const i32& context, const i32& whole, i32& printcell, const i32& machine, const i32* options,
            const i32& alternate, i32& status);
