#include "passes/twirl.h"

namespace {
i32 request = 0;
i32 done = 1;
i32 switches[2] = {0, 0};
}  // namespace

i32 TWLGET() { return request; }
void TWLSET(i32 value) { request = value; }
i32 TWLDON() { return done; }
void TWLDST(i32 value) { done = value; }
void TWLOFF() { switches[0] = switches[1] = 0; }

void TWLLNK(const i32& mode, f64& value, i32& status)
{
    // Mode 1 would take the pocket entry's value; the others a module value
    // that nothing sets.
    if (mode != 1) value = 0.0;
    if (!(switches[0] && switches[1])) return;
    (void)status;
}
