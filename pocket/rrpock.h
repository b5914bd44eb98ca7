// The pocket offset driver: the contours of one pocket offset level by
// level, merged with the islands' offsets, and cut.
#pragma once

#include "core/words.h"
#include "pocket/pokvals.h"

struct pokarr;

// Reads the contours registered in the loop table, offsets them level by
// level (one level for cut modes -1, -11, -2 and 1), merges pocket and
// island offsets and cuts the loops. Status 0, 17 nothing left to machine,
// 14 every contour lies in an island, else the failing stage's status (any
// negative status ends the run with it).
void rrpock(PokPar& par, f64* allow, const f64& radius, i32& cut_mode, const i32& direction, const i32& f,
            const f64& side, const f64& e, i32& status);
// Smallest distance between the island loops (keys 10001 on, last row of
// sub-key isub) and the pocket loops (keys 1 .. keys, sub-key psub), each
// taken as a polyline of its points; 1.0e10 with no island or no distance
// within 2 d2 + side. With more than 20 keys, pairs whose boxes lie farther
// apart than the distance found are passed over.
void lup_min_isl_dist(i32 psub, i32 isub, i32 keys, i32 islands, const f64& d2, f64& dist);

// Least and greatest height of a loop's points, widening zmin and zmax.
void pk_z_range(const pokarr& loop, f64& zmin, f64& zmax);
// The cutting direction of a 3-D pocket: when the first offset of the outer
// contour lies wholly above the last loops, the upward flag (drv_sw3[1]) is
// cleared and the vertical step (drv_val[1]) turned round; wholly below
// them, the upward flag is set. Status 11 when a loop cannot be read.
void pock_dir(i32& status);
