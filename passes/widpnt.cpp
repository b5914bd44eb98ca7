// Width-point dialog: two points picked on one surface.
#include "core/host.h"
#include "core/params.h"
#include "passes/geodef.h"
#include "surfaces/srfbuf.h"

namespace {
// One width point: picked until the pick is neither rejected nor ended.
void width_point(const i32& id, i32 index, bool offer, i32& adjust, f32* pt, f32* uv, i32& mode, i32& status)
{
    modinz();
    // The prompt is "WIDTH POINT" after "IND." and before the index, the
    // order of the module's other indicate prompts ("IND. CLEAR POINT"):
    // "IND. WIDTH POINT 1".
    prmp1c("IND. WIDTH POINT", index, "I", "");
    if (offer) {
        // The option shown beside the pick; the host answers it through the
        // pick's status, which picks again.
        setir();
        i32 choice = 0;
        modmc("ADJUST ALL SURFACES", choice);
        adjust = 2;
    }
    i32 npk = 0;
    do PCKPSR(id, npk, pt, uv, mode, nullptr, nullptr, status);
    while (status > 0 || status == -3);
}
}  // namespace

void WIDPNT(const i32& id, f32* pt1, f32* pt2, i32& adjust, f32* uv1, i32& mode1, f32* uv2, i32& mode2,
            i32& status)
{
    const bool offer = MACTYP == MACTYP_SURFACES || MACTYP == MACTYP_ONESURF;
    i32 l0 = 0;
    sllen(l0);
    while (true) {
        width_point(id, 1, offer, adjust, pt1, uv1, mode1, status);
        if (status < 0) break;
        width_point(id, 2, offer, adjust, pt2, uv2, mode2, status);
        if (status != -2) break;
    }
    i32 l1 = 0;
    sllen(l1);
    if (l1 > l0) {
        i32 n = l1 - l0;
        REJPCK(1, n);
    }
}
