// The pass table from the limit records, and the meeting of the passes of
// neighbouring surfaces at their common boundary.
#pragma once

#include "core/words.h"

// Loads surface i (from 1) of the chain with the part offset on its side.
void LDPSRF(const i32& i, f64* buf, i32& status);
void CLIMIT(i32& status);
void adjlim(i32& status);
// Pair (i - 1, i): mode 0 surface i moves, mode 1 surface i - 1 moves.
void PASLIM(const i32& mode, const i32& i, f32& prev, f32& cur, const f32& dist, const f32& start, i32& status);
void ADJNXT(const i32& mode, const i32& i, f32& prev, f32& cur, const f32& ofs, f32& start, f32& prevend,
            f32& curstart, i32& status);
void RSTSID();
void GETWID(f32* first, f32* second);
