// The pass table from the limit records, and the meeting of the passes of
// neighbouring surfaces at their common boundary.
#pragma once

#include "core/words.h"

// Id and side of surface i (from 1) of the chain; machining type 14 takes its one surface and its side from the
// procedure's surface list 1. False when that list cannot be read.
bool idside(i32 i, i32& id, i32& side);
// Loads surface i (from 1) of the chain with the part offset on its side.
void LDPSRF(const i32& i, f64* buf, i32& status);
// Fills the pass table from the limit records: pass and across ranges, parameter steps, revolution flags, the current
// pass at the start and the fixed-count deltas; status -1 on a bad surface.
void CLIMIT(i32& status);
// Moves the start and then the end pass values of each linked surface to meet its predecessor's at their common
// boundary; status negative (said) when they cannot be adjusted.
void adjlim(i32& status);
// Pair (i - 1, i): mode 0 surface i moves, mode 1 surface i - 1 moves.
void PASLIM(const i32& mode, const i32& i, f32& prev, f32& cur, const f32& dist, const f32& start, i32& status);
// Pair (i - 1, i) in tool-axis mode: the moving pass (mode 0 cur, 1 prev) meets the other at the boundary
// prevend/curstart, kept inside its limits (status 1 where held back); ofs is not read.
void ADJNXT(const i32& mode, const i32& i, f32& prev, f32& cur, const f32& ofs, f32& start, f32& prevend,
            f32& curstart, i32& status);
// Unlinks every surface of the chain and sets the pass direction flag CUTFLP back to 1.
void RSTSID();
// The (u, v) of the two points PASLIM last matched: on the fixed surface (first) and on the moving one (second).
void GETWID(f32* first, f32* second);
