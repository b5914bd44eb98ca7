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

// Opens the travel list (room for 100 entries); status the host's.
void TRVOPN(i32& status);
// Closes the travel list.
void TRVCLS(i32& status);
// The travel list holds one free stretch, t0 to t1, between its sentinels.
void TRVINI(f64 t0, f64 t1);
// Merges the blocked interval [lo, hi]; status -1 when the list cannot grow.
void TRVADD(f64 lo, f64 hi, const f64* p_lo, const f64* p_hi, i32 node, i32 index, i32& status);
// The first free stretch at or after parameter 0 (t_lo to t_hi, its end
// contacts), kept for TRVGET and TRVTRI; status -1 when there is none.
void TRVFST(f64& t_lo, f64& t_hi, f64* p_lo, f64* p_hi, i32& status);
// The first and the last free parameter of the list; status -1 while it is not set up.
void TRVRNG(f64& t_first, f64& t_last, i32& status);
// The free stretch TRVFST found last and whether it found one.
void TRVGET(f64& t_lo, f64& t_hi, i32& found);
// The triangle (quadtree node and index) that ends the free stretch found last (-1 none).
void TRVTRI(i32& node, i32& index);
// The entries in use (null while closed).
const TrvEnt* trvbas();

// The tool travelling from p1 towards p2 over the triangle model with the
// allowances: mode 1 horizontally at height z (the first contact), mode 4
// along the 3-D segment (the first free stretch, TRVGET); the tool loaded
// and restored around it. Status 0 contact, 1 none, negative on failure.
void LINNETH(i32 mode, const f32* p1, const f32* p2, const f32& z, const f32& tolerance, const f32& allowance_a,
             const f32& allowance_b, f32* position, f32* contact, f32* normal, i32& status);
// The travel of the loaded tool against the gathered triangles (LINNETH
// without the tool set-up): mode 1 the nearest contact along p1-p2 at
// height z, mode 4 the blocked stretches of the segment; count the
// triangles gathered. Status 0 contact, 1 none, negative on failure.
// The gathering's list, index and capacity are not handed in: they are the
// gathering's own module arrays (ELMLST, ELMIDX, ELMCAP), the only ones it
// fills, and this walk reads them where the gathering left them.
void LOCPNTH(const i32& mode, const i32& gather, const f32* p1, const f32* p2, const f32& z, const f32& tolerance,
             i32& count, f32* position, f32* contact, f32* normal, i32& status);
