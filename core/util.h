// Small utilities every layer leans on: error texts, entity opening with a
// check, date and time, single/double array copies, 16-bit identifiers and
// array shifting.
#pragma once

#include "core/words.h"

void ERRMSG(const char* text, const i32& code);
void MDGETK(const char* key, void* data, i32& count, i32& status);
void EOPCH(const i32& id, const i32& cls, const i32& type, i32& status);
void GETDTM(i32* dt);  // year, month, day, hour, minute, second
void R4TOR8(const f32* a, const i32& i1, const i32& i2, f64* b, const i32& j);
void R8TOR4(const f64* a, const i32& i1, const i32& i2, f32* b, const i32& j);
void I2COPY(const u16& from, u16& to);
i32 I2TOI4(const u16& id);
void I4TOI2(const i32& id, u16& to);
void GTSZ20(i32& size);
void SHFTUP(i32* words, const i32& capacity, const i32& n, const i32& k, i32& status);
