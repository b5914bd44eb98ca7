// Take-over of a stored procedure of the tool path as the current commands.
#pragma once

#include "core/words.h"

// Takes the procedure whose block is current (list media 2, 3) or whose
// entity is open (medium 1) over: the current commands and the tool position
// before it, its texts, "SONH", the machine-system frame of its view, the
// saved record set, the machine status fields (not host-kept), "EDA2" (word
// 4 the host-kept flag: 1 for a listing in print mode; words 11, 12 the
// flags given) and the menus' status text (its list column). index: the
// procedure's row in the procedure tables. Status 0, or the first failing
// read's or store's.
void updtcm(const i32& list, const i32& proc, const i32& index, const i32& medium, const i32& held,
            const i32& flag12, const i32& flag11, i32& status);
// Switches the saving of the record set by updtcm (1 on, the default).
void UPDFLG(const i32& value);
