// Least forms of the contour services of the part surfaces.
#include "surfaces/cntsrf.h"

#include "core/host.h"

void LOPSRF(const i32*, const i32&, const i32&) {}

void PLFGNG(const i32& id, i32& count, i32& status)
{
    i32 cls = 0, type = 0, len = 0;
    status = 0;
    count = 1;
    eopen(id, cls, type, len, status);
    if (status == 0) eclose();
    if (status != 0) {
        count = 0;
        status = -1;
    }
}

void DBDPTW(const i32& mode, const i32& id, const i32&, f64* vec, i32& status)
{
    i32 cls = 0, type = 0, len = 0;
    eopen(id, cls, type, len, status);
    if (status != 0) {
        status = -1;
        return;
    }
    if (mode == 1)
        for (int k = 0; k < 3; ++k) vec[k] = 0.0;
    eclose();
    status = 0;
}
