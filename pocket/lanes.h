// The sub-loops of one offset and their lanes: sub-loops that need no offset
// path of their own (nested in another, small and close to a larger one, or
// reached by a short lane from the loop being offset) are dropped, the rest
// ordered by size and tag; helpers over split pocket arrays and the loop
// tree.
#pragma once

#include <vector>

#include "core/words.h"
#include "pocket/pokarr.h"

// Sub-loops held one after the other in one pocket array, with the point
// count, tag (direction), signed area and kind of each. The routines below
// take the whole set as one argument instead of the number of sub-loops,
// counts, split array, tags, areas and kinds one by one: the six always
// travel together, and held as one they cannot fall out of step (a count
// dropped without its tag, an area left for a removed sub-loop).
// lup_drop_sub works out the start of the sub-loop it removes from the
// counts, so it needs no start index; lup_lane_poly takes the loop as a
// pocket array and gives its count as the first word of the buffer the
// hatch fill reads. All callers are inside the module.
struct PkPieces {
    pokarr pts;
    std::vector<i32> counts, tags, kinds;
    std::vector<f64> areas;
    i32 n() const { return static_cast<i32>(counts.size()); }
    // First entry of sub-loop i (0-based).
    i32 start(i32 i) const;
    // Empties the list (the points' buffer kept).
    void clear();
    // Appends entries [i, i + n) of the source as one sub-loop; ierr -1 on a
    // pool failure.
    void add(const pokarr& src, i32 i, i32 n, i32 tag, f64 area, i32 kind, i32& ierr);
};
// Sub-loops of one offset at most (a split giving more is refused).
constexpr i32 PK_PIECES_MAX = 7000;

// Drops the sub-loops that need no path of their own and orders the rest
// (lane mode 0: the largest and its tag's sub-loops first; other modes: the
// other tags first). b: small-loop base area; nest: nesting limit; d: the
// offset distance; r: the engine's radius; t: the tag of pocket loops.
// Status 0, 11 a pool or test failure.
void oneoff_lanes(i32 lanemode, const pokarr& loop, const f64& b, const f64& nest, const f64& d, const f64& r,
                  const i32& t, PkPieces& s, i32& status);
// The same work with its stages arranged differently: the nested test over
// every sub-loop (every entry tested), then the near test; no ordering
// before the lanes; after a lane the pass goes on at the same place; at the
// end the order of lup_sort_sub with the lane mode as its mode.
void oneoff_lanes_alt(i32 lanemode, const pokarr& loop, const f64& b, const f64& nest, const f64& d, const f64& r,
                      const i32& t, PkPieces& s, i32& status);
// Switch that hands oneoff_lanes' work to oneoff_lanes_alt (0 at load; no
// set-up changes it).
extern i32 oneoff_lanes_alt_on;
// Debug drawing switches (0 at load; nothing sets them): oneoff_lanes_alt
// draws the sub-loop under test in its nested and near stages [0], the
// other sub-loop it is tested against [1], and the sub-loop of its lane
// pass [2]; lup_sort_sub draws the reordered array and each sub-loop.
extern i32 lanes_alt_draw[3];
extern i32 sort_sub_draw;
// Removes sub-loop i (0-based) with its table entries; ierr -1 on failure.
void lup_drop_sub(i32 i, PkPieces& s, i32& ierr);
// Orders the sub-loops round the largest (first of equal) and its tag T:
// mode 0 the largest, then tag T, then the rest; other modes the other tags
// first, then tag T; each group in its old order. Status 11 beyond 7,000
// sub-loops or on a pool failure.
void lup_sort_sub(i32 mode, PkPieces& s, i32& status);
// Status 1 when two sub-loops cross each other, 11 on a failure, else 0.
void lup_split_cross(const PkPieces& s, i32& status);
// For each sub-loop: its first point against the other loop (answer not 0
// given back at once), then a crossing of the two gives 2. Result 0 when
// none is inside, on or crossing.
void lup_chk_sub(const PkPieces& s, const pokarr& other, i32& result, i32& status);
// A 2-D loop as a polyline: straight entries as they are, each arc by its
// points at the chord tolerance 0.01, the loop closed on its first point;
// status 11 when the polyline's array cannot be sized.
void lup_poly_arcs(const pokarr& loop, pokarr& poly, i32& status);
// lup_poly_arcs over caller arrays (n entries in; `room` entries out at
// most, status 11 when the polyline needs more).
void lup_poly_xy(const f64* x, const f64* y, const i32& n, f64* ox, f64* oy, const i32& room, i32& on, i32& status);
// A loop of the table as a polyline: its vertices (arcs by their end
// points), the closing point dropped when it repeats the first.
void lup_polyline(const pokarr& l, std::vector<f64>& x, std::vector<f64>& y);
// The smallest distance between the loops of rows a and b: both as
// polylines thinned within 10 x max(0.01, the side value), each vertex of
// one to the segments of the other; 1.0e10 when none. Status 11 when a row
// cannot be loaded.
void lup_dilute(const i32& rowa, const i32& rowb, f64& dist, i32& status);
// Float polyline of a 2-D loop for the hatch fill (count word, then x, y
// pairs; the first point repeated): arcs by chords at 0.01, or at the side
// value when that passes 7,000 points. Status 11 when the side value is
// not above 0.01, 1 when the polyline still passes 7,000 points.
void lup_lane_poly(const pokarr& loop, std::vector<f32>& buf, i32& status);
// 1 when row b is row a's relative in the loop tree (tags 1 and 2 as first
// son and next sibling), else 0; `deep` follows first sons as well.
i32 lup_tree_find(i32 rowa, i32 rowb, i32 deep);
