// Strings of positions along a line, clipped at the machining boundary held
// in polygon buffer 1 when boundary clipping is on.
#pragma once

#include "core/words.h"

// ------------------------------------------------------------ BNDSET
// The clipping settings; zero at load and set by no routine of the module.
extern i32 BNDSW1;  // a switch GTCLPM answers for argument 1
extern i32 BNDACT;  // boundary clipping on
extern i32 BNDSHW;  // draw every line positioned
extern i32 BNDRPS;  // test points by positioning the tool again
extern f32 BNDTOL;  // boundary tolerance

// The arguments of the string positioning (spare is not read). With clipping
// on the strings are cut to their pieces inside the boundary, the crossings
// inserted; the tool normals follow the clipped points.
void LINNTB(const i32& restart, const i32& line3d, const f32* start, const f32* end, const f32& tolerance,
            const f32& allowance_a, const f32& allowance_b, const i32& capacity, const i32& spare, const i32& mode,
            f32* pntxyz, f32* pntnrm, i32* pntflg, i32& pntnst, const i32& pntmxs, i32* pntlen, i32& pnttot,
            i32& status);
// The clipping switches: 1 the first switch, otherwise whether clipping is on.
i32 GTCLPM(i32 which);

// The status of BNDSTR when its work arrays cannot be had: the clipping is
// then given up.
constexpr i32 BND_NOROOM = -1000;
// Clips one string of n points (surface normals, tool normals, codes may be
// null) into pieces; the outputs hold at least 3n points. Status nonzero
// from a failed positioning or boundary test, BND_NOROOM without room.
void BNDSTR(const f32* points, const f32* normals, const f32* tnormals, const i32* codes, i32 n, f32* out_points,
            f32* out_normals, f32* out_tnormals, i32* out_codes, i32& out_nstr, i32* out_lengths, i32& out_npts,
            i32& status);
// The boundary crossing between an outside and an inside point, by halving:
// the position, normal and code of the tool at it.
void BNDCRS(const f32* outside, const f32* inside, f32* crossing, f32* normal, i32& code, i32& status);
// The first and last index of a piece to keep; status 1: drop the piece.
void BNDTRM(const f32* points, const f32* normals, i32 n, i32* range, i32& status);
// The first index of each interior run of outside points; ngaps -1 when no
// point is inside.
void BNDGAP(i32 n, const i32* flags, i32* gaps, i32& ngaps, i32& status);
// Splits a string in place at the gaps (each gap's first point written
// twice): npts updated, nstr and lengths set. codes may be null.
void BNDSPL(const i32* gaps, i32 ngaps, f32* points, f32* normals, f32* tnormals, i32* codes, f32* test_points,
            i32* flags, i32& npts, i32& nstr, i32* lengths, i32& status);
