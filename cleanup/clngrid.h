// The clean-up bucket grid over the part and the comparison of the passes:
// spots where the tool leaves material, inside one pass or between two
// neighbouring passes, are filed into cells of one tool diameter.
#pragma once

#include <vector>

#include "core/words.h"

// States of a spot record.
constexpr i32 CLN_FREE = 0, CLN_TAKEN = 1, CLN_SEEN = 3, CLN_SAME = 4, CLN_DONE = 5;
// Most cells a grid may have; a larger grid is not opened (no clean-up):
// the whole grid is allocated at once, and this keeps it near 48 MB.
constexpr i32 CLN_MAXCELLS = 2000000;
// Float triples of the pair array; a full array is filed and filled again.
constexpr i32 CLN_PAIRS = 1000;

// A spot left by the tool: its point in the plane (z = 0) and the pair of
// points whose comparison found it.
struct ClnSpot {
    i32 state;
    i32 wflag;   // window flag of the tracing
    i32 visits;  // times appended to a chain
    f32 spot[3], p1[3], p2[3];
};
// A cell: its spot count, region label, type (below 10 open; 10 added when
// its records are finished) and the handle of its record array (-1 none).
struct ClnCell {
    i32 count, label, type, rec;
};
struct ClnGrd {
    bool open = false;
    f32 lo[2] = {0, 0}, hi[2] = {0, 0}, z[2] = {0, 0};
    i32 ncol = 0, nrow = 0;
    f32 cw = 0, ch = 0;
    std::vector<ClnCell> cells;               // row x ncol + column
    std::vector<std::vector<ClnSpot>> recs;   // record arrays, by handle
    std::vector<i32> stack;                   // flood-fill stack: row, column
};
extern ClnGrd CLNGRD;

// The tool of the clean-up: diameter, corner radius, taper (radians), and
// whether it is a mill with a diameter (every comparison needs one).
struct ClnTool {
    f32 d, r, a;
    bool mill;
};
ClnTool clntool();  // the current tool as the clean-up sees it

// Opens the grid over the part box (lower x, y, z, upper x, y, z) enlarged by
// two tool diameters, and empties the pass store and the polyline store. A
// tool of no diameter opens no grid (status 0, the comparisons find
// nothing); a grid over CLN_MAXCELLS cells is not opened either: one
// warning, status 0 (the passes are made without the clean-up).
void clnini(const f32* box, i32& status);
// Compares the finished pass with itself and, unless skip is set, with the
// pass before it; the spots found are filed into the grid.
void clnpas(const f32& step, const i32& skip, i32& status);
// Files npair pairs (pair points 2k, 2k + 1, spot point k) into the grid with
// the spot height z; status negative on a memory failure.
void clnins(const f32& z, const i32& npair, const f32* pairs, const f32* spots, i32& status);
// Opens every finished cell again and clears labels, states, window flags and
// visit counts; the polyline store is emptied.
void clnrst();
// Shows the debug entities of the spots (none unless the debug drawing is on).
void clndsp(i32& status);
// Releases the grid, its record arrays, the stack, the chain and the polylines.
void clnrls(i32& status);

// One stored pass: points and normals (float triples), pieces.
struct ClnPass {
    const f32* pts;
    const f32* nrms;
    i32 npnt;
    const i32* lens;
    i32 npcs;
};
// The nearest point of a pass to q (3-D, over every segment of every piece of
// two or more points): status 0 with the point and its interpolated normal
// when it lies closer than d, else 1. The first segment met wins a tie.
void clnnpt(const ClnPass& pass, const f32* q, const f32& d, f32* point, f32* normal, i32& status);
// The same answer through a bucket index over the pass's segments.
class ClnIndex {
public:
    void build(const ClnPass& pass, f32 d);
    void nearest(const f32* q, f32* point, f32* normal, i32& status);

private:
    ClnPass pass_{};
    f32 d_ = 0;
    f64 x0_ = 0, y0_ = 0, s_ = 1;
    i32 nx_ = 0, ny_ = 0;
    std::vector<i32> seg_;    // first point of each segment, in scan order
    std::vector<i32> start_;  // cell -> first entry in ids_
    std::vector<i32> ids_;    // segment numbers by cell
    std::vector<i32> wide_;   // segments checked at every query
    std::vector<i32> cand_;
};
