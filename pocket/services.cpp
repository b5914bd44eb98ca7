// Least forms of the pocket services that the procedure frame calls; the
// pocket issues replace them.
#include "pocket/services.h"

ContourList CNTLST = {};

namespace {
i32 PKFLAG = 0;
i32 PASBUF = 0;
i32 LEVELS = 0;
}  // namespace

void polbuf_init(const i32& mode, const i32& capacity, i32& status)
{
    (void)mode;
    (void)capacity;
    status = 0;
}

void polbuf_release_all(const i32& mode, i32& status)
{
    (void)mode;
    status = 0;
}

void pasbuf_init(const i32& a, const i32& b, i32& status)
{
    (void)a;
    (void)b;
    PASBUF = 0;
    status = 0;
}

void n0_lvls_init(const i32& mode)
{
    (void)mode;
    LEVELS = 0;
}

void pkflag_reset() { PKFLAG = 0; }

void POKREL(const i32&, i32& status) { status = 0; }
void cntset_keep(const i32&) {}
void cntset_load(const i32&, const i32&) {}
