// Travel of the tool along a segment over the triangle model: horizontal
// travel at a fixed height (mode 1) and travel along the 3-D segment
// (mode 4) with the list of blocked and free stretches.
#pragma once

#include "core/words.h"

// ------------------------------------------------------------ TRVLST
// Entry: T (f64, travel parameter), P (f64[3], contact on the part), the
// triangle's quadtree node and index (i32 each; -1 for the sentinels).
struct TrvEnt {
    f64 t;
    f64 p[3];
    i32 node, index;
};
constexpr i32 TRV_STEP = 100;
extern i32 TRVHDL, TRVCHK, TRVCNT_N, TRVCAP;  // array handle, check word, count, capacity

void TRVOPN(i32& status);
void TRVCLS(i32& status);
void TRVINI(f64 t0, f64 t1);
// Merges the blocked interval [lo, hi]; status -1 when the list cannot grow.
void TRVADD(f64 lo, f64 hi, const f64* p_lo, const f64* p_hi, i32 node, i32 index, i32& status);
void TRVFST(f64& t_lo, f64& t_hi, f64* p_lo, f64* p_hi, i32& status);
void TRVRNG(f64& t_first, f64& t_last, i32& status);
void TRVGET(f64& t_lo, f64& t_hi, i32& found);
void TRVTRI(i32& node, i32& index);
// The entries in use (null while closed).
const TrvEnt* trvbas();

void LINNETH(i32 mode, const f32* p1, const f32* p2, const f32& z, const f32& tolerance, const f32& allowance_a,
             const f32& allowance_b, f32* position, f32* contact, f32* normal, i32& status);
void LOCPNTH(const i32& mode, const i32& gather, const f32* p1, const f32* p2, const f32& z, const f32& tolerance,
             i32& count, f32* position, f32* contact, f32* normal, i32& status);
