// The clean-up's store of written pass strings: the current pass and the one
// before it, point by point with the surface normal at each point, so that a
// finished pass can be compared with itself and with its neighbour.
#pragma once

#include <vector>

#include "core/words.h"

// The double buffer of the pass store (one a run).
struct ClnBuf {
    i32 npass = 0;  // passes begun since the grid was opened
    i32 cur = 1;    // buffer receiving the current pass (0 or 1)
    i32 key = -1;   // pass number of the pass being stored
    // The store keeps the tool points the passes write (the strings they
    // hand over are tool positions), with the surface normal under each;
    // the comparisons take the contact point of each from it (CNTTIP goes
    // from a tool tip to its contact), so a spot is where the contact jumps
    // while the tool barely moves.
    std::vector<f32> pts[2];   // tool points of each buffer, x, y, z
    std::vector<f32> nrms[2];  // unit surface normal at each point
    i32 npnt[2] = {0, 0};      // points held
    std::vector<i32> lens[2];  // points of each piece (grows as needed)
};
extern ClnBuf CLNBUF;

// Stores one written string (npcs pieces of lens[k] points, npts points in
// all, with their normals) under the pass number `key`; a new key first
// compares the finished pass (side step and skip flag go to clnpas).
// Status negative on a memory failure or a failed comparison.
void storps(const f32& step, const i32& key, const f32* pts, const f32* nrms, const i32& npcs, const i32* lens,
            const i32& npts, const i32& skip, i32& status);
// Releases both buffers; the pass count becomes 0.
void strrel(i32& status);
