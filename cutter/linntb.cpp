#include "cutter/linntb.h"

#include "cutter/linnetn.h"

namespace {

// Clipping at the machining boundary stays off: no routine switches it on.
i32 BNDSW1 = 0, BNDACT = 0;

}  // namespace

i32 GTCLPM(i32 which) { return which == 1 ? BNDSW1 : BNDACT; }

void LINNTB(const i32& restart, const i32& line3d, const f32* start, const f32* end, const f32& tolerance,
            const f32& allowance_a, const f32& allowance_b, const i32& capacity, const i32& spare, const i32& mode,
            f32* pntxyz, f32* pntnrm, i32* pntflg, i32& pntnst, const i32& pntmxs, i32* pntlen, i32& pnttot,
            i32& status)
{
    (void)spare;
    LINNETN(restart, line3d, start, end, tolerance, allowance_a, allowance_b, capacity, mode, pntxyz, pntnrm, nullptr,
            pntflg, pntnst, pntmxs, pntlen, pnttot, status);
}
