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

// Strings of tool positions along the line start-end (3-D line when line3d)
// within the tolerance, allowances A and B on the surface classes that take
// them: points into pntxyz (at most capacity / 3 values' worth), tool
// normals into pntnrm, surface normals into pntsnm, contact codes into
// pntflg; pntnst strings of pntlen[k] points, pnttot points in all, at
// most pntmxs strings. restart 0 continues the last string when the line
// starts where it ended. The mode packs three switches: + 100 surface
// normals are written; + 10 the tool is dropped from the start's height
// (a position above it ends the call, status 0); the rest: 2 no tool
// normals, 4 and 5 contact codes written (negated where the normals part
// in axis mode 1), 6 raw (the records only: pnttot = their count), 7 raw
// keeping the positions of the records. Status 1 when the line ends over
// empty space and the height mode keeps such records, negative on failure.
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
// Foot of Q on the segment A-B and its distance from Q; code -1 for a
// degenerate segment (foot A), 1 and 2 at A and B (host tolerance), 3 and 4
// before A and beyond B (foot at that end), 0 between.
f64 segfoot(const f32* Q, const f32* A, const f32* B, f32* foot, i32& code);

// Whether three consecutive positions P0, P1, P2 may stand as the straight
// piece P0-P2 within the tolerance: the deviation of P1 and the sag of the
// triple (measured at P0 when at_first, else at P2) stay within it (0.48 x
// tolerance when flat_end and P1 rises above the chord).
bool net_fits(const f32* P0, const f32* P1, const f32* P2, f32 tol, bool flat_end, bool at_first);
