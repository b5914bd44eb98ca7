// Small helpers of the geometry definition: surface buffers, the surface of
// a chain index, trimmed-surface test, vectors and the trim loops of a
// surface.
#pragma once

#include <cmath>
#include <vector>

#include "core/host.h"
#include "core/vec.h"
#include "core/words.h"

namespace gd {

// Surface buffers of the definition: two for pairs of surfaces, one for the
// markers.
f64* buf(int which);
constexpr int BA = 0, BB = 1, BDSP = 2;

// Entity id of chain surface i (machining type 14: of the host's list 2).
i32 srfid(i32 i);
// Count of the chain (machining type 14: 1).
i32 nchain();
// 1 trimmed surface, 0 plain, negative: the entity cannot be opened.
i32 trimmed(i32 id, i32& status);
// Loads a surface and its ranges; status as the host's.
void load(i32 id, f64* b, f32& umin, f32& umax, f32& vmin, f32& vmax, i32& status);

// Point (and tangents) of a loaded surface at (u, v); what as evsrf.
inline i32 eval(const f64* b, f32 u, f32 v, i32 what, f32* out)
{
    i32 st = 0;
    evsrf(b, u, v, what, out, st);
    return st;
}

// Points equal within the host's tolerance in every coordinate.
inline bool eqpt(const f32* a, const f32* b) { return eqval(a[0], b[0]) && eqval(a[1], b[1]) && eqval(a[2], b[2]); }

// Trim loops of a surface (outer first) as (u, v) pairs, read with the trim
// tolerance of the host; a plain surface gives its parameter rectangle.
// Status as trsgdp.
void loops(i32 id, std::vector<std::vector<f32>>& out, i32& status);

}  // namespace gd
