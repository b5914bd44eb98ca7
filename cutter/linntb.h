// Strings of positions along a line, clipped at the machining boundary.
#pragma once

#include "core/words.h"

// The arguments of the string positioning (spare is not read); no surface
// normals are handed back.
void LINNTB(const i32& restart, const i32& line3d, const f32* start, const f32* end, const f32& tolerance,
            const f32& allowance_a, const f32& allowance_b, const i32& capacity, const i32& spare, const i32& mode,
            f32* pntxyz, f32* pntnrm, i32* pntflg, i32& pntnst, const i32& pntmxs, i32* pntlen, i32& pnttot,
            i32& status);
// The clipping switches: 1 the first switch, otherwise whether clipping is on.
i32 GTCLPM(i32 which);
