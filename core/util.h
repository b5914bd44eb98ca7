// Small utilities every layer leans on: error texts, entity opening with a
// check, date and time, single/double array copies, 16-bit identifiers and
// array shifting, the test of a kept array handle.
#pragma once

#include "core/words.h"

void ERRMSG(const char* text, const i32& code);  // an error line of at most 80 characters with its code
void MDGETK(const char* key, void* data, i32& count, i32& status);  // mdgetn of a key blank-padded to 4
// Opens the entity; status -1 with a message unless it is of the class and
// type and not empty.
void EOPCH(const i32& id, const i32& cls, const i32& type, i32& status);
void GETDTM(i32* dt);  // year, month, day, hour, minute, second
void R4TOR8(const f32* a, const i32& i1, const i32& i2, f64* b, const i32& j);  // a[i1..i2] to b from j (from 1)
void R8TOR4(const f64* a, const i32& i1, const i32& i2, f32* b, const i32& j);  // a[i1..i2] to b from j (from 1)
void I2COPY(const u16& from, u16& to);  // copies a 16-bit identifier
i32 I2TOI4(const u16& id);  // a 16-bit identifier widened, 65535 becoming -1
void I4TOI2(const i32& id, u16& to);  // an identifier narrowed, -1 becoming 65535
void GTSZ20(i32& size);  // the size 20
// Moves words 1..n up by k places (status -1 when they do not fit capacity).
void SHFTUP(i32* words, const i32& capacity, const i32& n, const i32& k, i32& status);
// True when the handle names an array the host still holds open (a handle
// kept between procedures may outlive its array).
bool array_open(const i32& handle);
