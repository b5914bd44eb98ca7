#include "edit/services.h"

namespace {
i32 REDRAW = 0;
}

void manedt(const i32& start, const i32& flags, const i32& a, const i32& b, const i32& c, i32& reply)
{
    (void)start;
    (void)flags;
    (void)a;
    (void)b;
    (void)c;
    reply = 0;
}

void EDTMRK(const i32& mode, i32& reply)
{
    (void)mode;
    reply = 0;
}

void EDTRDF() { REDRAW = 1; }
