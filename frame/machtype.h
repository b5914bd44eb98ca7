// Machining type of the procedure, the wrapper of the execute callback and
// the choice of a suitable tool.
#pragma once

#include "frame/driver.h"
#include "core/params.h"
#include "core/words.h"

// The machine set, the tool type and the pausability of a procedure type on
// the current machine; status -1 when the type does not fit the machine.
void MCHTYP(const i32& type, i32& set, i32& pausable, i32& status);
void NCFTAB();  // reads the host's NC function table
// Runs the execution callback with the milling tool's values kept and
// restored around it (mode 2 also resets the up/down state first).
void EXETOL(PrcExeFn cb, const i32& mode, i32& status);
void TLDREC();  // the machine words of a wire tool (types 5 to 7) from the tool
// Draws the tool at the point along the axis as the registered tool image
// (id < 0: a suitable tool is found first and the image moved).
void TMINST(const i32& id, const f32* point, const f32* axis, i32& status);
void FNDTOL(i32& status);  // the current tool's technology (spindle, speed, feed) into the machine words
// Finds a tool that passes the type filter (the current one when it does);
// with ask, offers to make one when none exists.
void SUITOL(const i32& ask, i32& status);
// The machine change of the SERVICE menu's GO TO POINT: machine kind 1 or 2
// milling, 3 punch, 4 lathe, 5 wire; runs the GO menu of the kind's GO type
// with its items; keep leaves the list position alone. Status as MCHTYP's.
void MCHSET(const i32& kind, const i32& keep, i32& status);
