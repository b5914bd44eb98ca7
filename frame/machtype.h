// Machining type of the procedure, the wrapper of the execute callback and
// the choice of a suitable tool.
#pragma once

#include "frame/driver.h"
#include "core/params.h"
#include "core/words.h"

void MCHTYP(const i32& type, i32& set, i32& pausable, i32& status);
void NCFTAB();
void EXETOL(PrcExeFn cb, const i32& mode, i32& status);
void TLDREC();
void TMINST(const i32& id, const f32* point, const f32* axis, i32& status);
void FNDTOL(i32& status);
void SUITOL(const i32& ask, i32& status);
