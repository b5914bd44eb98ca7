// Strings of tool positions along a line, refined to the chordal tolerance,
// split by contact and thinned; points along a link string.
#pragma once

#include "core/words.h"

// Work record of the string positioning (12 words).
constexpr i32 NR_WORDS = 12;
constexpr i32 NRPAR = 0, NRCOD = 1, NRPNT = 2, NRTNM = 5, NRSNM = 8, NRDOT = 11;

extern i32 NETCNT;  // continuation marker of the last string
extern i32 NETAXM;  // axis mode of the string positioning (1 compare normals, 2 remove notches)
extern f64 NETPOS;  // tool positions computed by the string positioning since the load (measurements)

void LINNETN(const i32& restart, const i32& line3d, const f32* start, const f32* end, const f32& tolerance,
             const f32& allowance_a, const f32& allowance_b, const i32& capacity, const i32& mode, f32* pntxyz,
             f32* pntnrm, f32* pntsnm, i32* pntflg, i32& pntnst, const i32& pntmxs, i32* pntlen, i32& pnttot,
             i32& status);

// The span check of the string positioning: 1 when the straight move of the
// loaded tool between the positioned points A and B would cut into a
// triangle of the model, else 0; status negative when the gathering fails.
i32 NETSPN(const f32* A, const f32* B, const f32& tol, i32& status);

// Removes notches from strings of positions: two points close together whose
// neighbours rise steeply away from them and that lie below the straight
// line of those neighbours (within 4 x e of it) go. The arrays of normals,
// surface normals and codes (each may be null) move with the points.
void NETNCH(const f32& e, f32* xyz, f32* nrm, f32* snm, i32* flg, const i32& nst, i32* len, i32& tot);

void LINE5X(const i32& unused, const f32* start, const f32* end, const f32& tolerance, const f32& allowance_a,
            const f32& allowance_b, const i32& maxpoints, const i32& maxstrings, f32* points, f32* axes,
            i32& nstrings, i32* counts, i32& total, i32& status);
void LN5INI();
void LN5FRE(i32& status);
