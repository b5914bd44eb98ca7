// The tool profile tables of the string positioning over the triangle net:
// for each slope of a move from 0 to 89 degrees, the tool's lowest envelope
// seen from the side as a closed polyline; and the record array that the
// positioning keeps its strings in. Built once per execution, released with
// the triangle model.
#pragma once

#include "core/words.h"

constexpr i32 STK_NET_ROWS = 90;     // slopes 0 to 89 degrees
constexpr i32 STK_NET_RECORD = 48;   // bytes of a record of the string positioning

// The three host arrays (-1: closed) and the row ends of the two tables.
struct StkNet {
    i32 prof[2];       // profile tables of index 0 and 1: pairs (x, y) of doubles
    i32 rec;           // the record array
    i32 cap[2];        // pairs each table has room for
    i32 ends[2][91];   // per row, the pair one past its last (row a starts where a - 1 ends)
};
extern StkNet stk_net;

// Opens the record array of `count` records once; when it is open already,
// hands out its handle and base. Status 0 or the host's.
void stk_net_open(const i32& count, i32& handle, void*& base, i32& status);
// Mode 1: handle receives the handle of the profile table of index 0 (-1
// when the tables are not built). Other modes: the three handles are set to
// the given value (-1 marks them closed without closing them).
void stk_net_hdl(const i32& mode, i32& handle);
// Builds the profile table `index` (0 or 1) for the positioning's tool (S,
// R, L: its first, second and third values, T the taper in degrees) grown by
// the allowance, within the tolerance, after opening the record array
// (stk_net_open). Status 0, or negative on failure.
void stk_net_prof(const f32& tol, const f32& S, const f32& R, const f32& L, const f32& T, const i32& index,
                  const f32& allowance, const i32& count, i32& rec_handle, void*& rec_base, i32& status);
// Closes every open one of the three arrays.
void stk_net_rels();
