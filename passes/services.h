// What the procedure frame uses of the surface-milling passes.
#pragma once

#include "frame/words.h"

// Spiral-entry mode of the passes (2 at the start of every procedure).
extern i32 SPIMOD;
// The link value kept between procedures: mode 1 get, 2 set.
void LNKVAL(const i32& mode, i32& value);
// Up/down motion state: start, release, forget the buffered points.
void UDINIT(const i32& w429, const i32* item431, const i32& w455, const i32& w456, const i32& w457);
void UDRELS(i32& status);
void UDRSTN();
