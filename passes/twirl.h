// The flags of the spiral (twirl) entry that the clearance path reads and
// sets, and the twirl link it offers. Least forms: the entry itself comes
// with the spiral entry's own work.
#pragma once

#include "core/words.h"

// The twirl request flag: read and set.
i32 TWLGET();
void TWLSET(i32 value);
// The twirl-done flag (1 at load): read and set.
i32 TWLDON();
void TWLDST(i32 value);
// Clears the two twirl-link switches.
void TWLOFF();
// The twirl link of the clearance path: the switches are never both set,
// so it writes nothing and leaves the status and the done flag as they are.
void TWLLNK(const i32& mode, f64& value, i32& status);
