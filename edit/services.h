// What the procedure frame uses of the manual editor.
#pragma once

#include "core/words.h"

void manedt(const i32& start, const i32& flags, const i32& a, const i32& b, const i32& c, i32& reply);
void EDTMRK(const i32& mode, i32& reply);
void EDTRDF();
