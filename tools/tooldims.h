// Milling-tool values of the current-tool cache, as the positioning reads
// and overrides them. Each getter answers -1.0 unless the tool is a milling
// tool; a tool id other than the cached one reloads the cache; the setters
// change the cache only, until the next reload.
#pragma once

#include "frame/words.h"

void GTDIAM(const i32& id, f32& value);
void GTCRNR(const i32& id, f32& value);
void GTCUTL(const i32& id, f32& value);
void GTTAPA(const i32& id, f32& value);  // degrees; 0 for records of version 591 or older
void GTTTYP(const i32& id, i32& type);   // -1 when it cannot be loaded
void STDIAM(const f32& value);
void STCRNR(const f32& value);
void STCUTL(const f32& value);
// Empties the cache (the library may have changed under it).
void TLCCLR();
