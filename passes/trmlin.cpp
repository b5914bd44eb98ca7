#include "passes/trmlin.h"

// The whole line is taken as inside: the trim boundary is not yet applied.
void trmpas(const i32& i, const i32& maxpts, const i32& pcode, const f32& pcur, const i32& revflag, const f32* along,
            f32* pts, i32& count, i32& status)
{
    status = 0;
    count = 0;
    if (maxpts < 2) return;
    for (i32 e = 0; e < 2; ++e) {
        pts[3 * e] = 1.0f;
        pts[3 * e + 1] = pcode == 1 ? pcur : along[e];
        pts[3 * e + 2] = pcode == 1 ? along[e] : pcur;
    }
    count = 2;
}

void trmcnt(const i32& i, const f32* three, const i32& maxpts, f32* pts, i32& count, i32& status)
{
    status = 0;
    count = 0;
    if (maxpts < 2) return;
    for (i32 e = 0; e < 2; ++e) {
        pts[3 * e] = 1.0f;
        pts[3 * e + 1] = three[2 * (e + 1)];
        pts[3 * e + 2] = three[2 * (e + 1) + 1];
    }
    count = 2;
}
