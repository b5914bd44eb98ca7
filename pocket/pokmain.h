// The pocket main point arrays: the contour-point array, which receives the
// contour points of a pocket one by one, and the main array, which holds every
// loop of the computation one after the other. Both are host dynamic arrays of
// 2-D (x, y) or 3-D (x, y, z) double points, chosen once per computation
// from the pocket dimension mode, with coordinates relative to the pocket's
// origin. In dimension mode 4 a stretch of n entries is followed by its n
// normals. Indexes count from 1 unless said; status 0 or negative.
#pragma once

#include "core/words.h"
#include "pocket/pokarr.h"

// Modes of the one-word state routines.
constexpr i32 PK_GET = 1, PK_PUT = 2;

// Sets the origin; n receives the main array's capacity in points.
void POKORG(const f64& x, const f64& y, const f64& z, i32& n);
// Chooses the arrays' dimension from the pocket dimension mode.
void pokinitdim(i32& status);
// Stores the point (x, y, z) minus the origin at position n of the
// contour-point array and adds 1 to n, opening or growing the array.
void POKCPT(const f64* p, i32& n, i32& status);
// Grows the main array to the capacity and copies the first n contour points
// into it; more than 10 reallocations fail.
void POKCPY(const i32& capacity, const i32& attempt, const i32& n, i32& status);
// Opens or grows the main array to the wanted capacity (cut to what a host
// array can hold; the cut value comes back).
void PokAllocMainArray(i32& wanted, i32& status);
// Grows the main array in steps of 7000 points to at least `wanted`; 15 on failure.
void POKGRW(const i32& wanted, i32& status);
// Copies the first n points of the main array onto the points from index i
// (from 0) on, in the same array.
void POKGPT(const i32& n, const i32& i, i32& status);
// Copies n entries (n/2 points in dimension mode 4) from index i of the main
// array into the pocket array.
void POKGPA(const i32& n, const i32& i, pokarr& arr, i32& status);
// POKGPA into the caller's x and y arrays (room for n points).
void POKGPX(const i32& n, const i32& i, f64* x, f64* y, i32& status);
// Stores the array's entries at index i of the main array, growing it.
void POKPUT(const pokarr& arr, const i32& i, i32& status);
// Reverses the n entries (n/2 points in dimension mode 4) at index i in
// place, arcs included.
void POKRVS(const i32& n, const i32& i, i32& status);
// Copies entries i .. j-1 with the origin added into the caller's 2-D points
// (x, y pairs, room for `room` points), forward (flag not 0) or backward;
// n receives the points written.
void POKSEG(const i32& flag, const i32& i, const i32& j, f64* out, const i32& room, i32& n, i32& status);
// As POKSEG, into a pocket array sized for j - i entries.
void POKSGA(const i32& flag, const i32& i, const i32& j, pokarr& arr, i32& status);
// Mode 1 closes both arrays; any mode forgets them and the dimension.
void POKREL(const i32& mode, i32& status);
// Clears the entry-move state word.
void pkflag_reset();
// PK_GET answers the entry-move state word, any other mode stores it.
void pkflag_gs(const i32& mode, i32& value);

// Capacity of the main array and of the contour-point array in points, the
// dimension mode (-1 undefined, 0 2-D, 1 3-D) and one stored point (for
// checks; index from 1).
i32 pokmain_capacity();
// The main arrays as one record: taken out (the live arrays are then
// empty, their dimension undefined) and put back (the arrays live then are
// closed first).
struct PokMainState {
    i32 dimmode = -1;
    f64 origin[3] = {0.0, 0.0, 0.0};
    i32 main_handle = -1, main_cap = 0, cpt_handle = -1, cpt_cap = 0, entry_state = 0;
};
void pokmain_take(PokMainState& s);  // takes the main arrays out
void pokmain_give(const PokMainState& s, i32& status);  // puts the main arrays back
i32 pokmain_cpt_capacity();  // the capacity of the contour-point array
i32 pokmain_dim();  // the dimension mode of the main arrays
void pokmain_point(const i32& i, f64* p);  // point i (from 1) of the main arrays, zero out of range
