// The links between the offset loops of a pocket: every loop of a chain gets
// one point at which the tool arrives from the loop inside it and leaves for
// the loop it was made from, so that the chain is cut as one series of
// tours joined by short straight moves. A chain whose loops cannot be linked
// is split into two chains, the inner part under a new key.
#pragma once

#include <vector>

#include "core/words.h"
#include "pocket/pokarr.h"

// Rows the link arrays hold at most (rows 1 .. LNK_ROWS); a pocket of more
// rows is refused with status 10.
constexpr i32 LNK_ROWS = 33333;

// The link arrays, indexed by loop-table row. A link point is kept in plan
// only, also in a 3-D pocket: every piece that starts or ends at it splits
// its loop at the plan point on segment `index` and takes the height (and
// normal) there from the loop, so a stored height would only repeat that
// value, and no reader would take it.
struct ClrLinks {
    std::vector<i32> index;  // segment (closing entry) of the link point; 0 none; negated once used
    std::vector<f64> x, y;   // the link point on the row's loop
    std::vector<f64> frac;   // fraction along segment `index` at which the point lies
    std::vector<i32> from;   // the row whose link ends at this row's point (0 none)
    i32 n_chains = 0;        // outer chains: the largest key up to 10000, one more for every split
};
// The module's link arrays (cleared by the first stage of the cutting).
extern ClrLinks clr_links;

// The segments of a loop (their closing entries), first to last.
std::vector<i32> lup_link_segs(const pokarr& loop);
// Empties the arrays and gives them rows 1 .. rows (at most LNK_ROWS);
// false (the arrays emptied) when the memory cannot be had.
bool lnk_clear(ClrLinks& l, i32 rows);
// Whether the arrays hold row `row`.
bool lnk_has(const ClrLinks& l, i32 row);
// Segment of the row's link point (0: none, or a row beyond the arrays).
i32 lnk_seg(const ClrLinks& l, i32 row);
// Stores the row's link: segment, fraction and point (ignored beyond the arrays).
void lnk_set(ClrLinks& l, i32 row, i32 seg, f64 frac, const f64* p);
// Records that the link from row `from` ends at the row's link point (0: none).
void lnk_landed(ClrLinks& l, i32 row, i32 from);

// The point at fraction `frac` of segment `index` of the row's loop, the
// ray of 10,000 units from it square to the loop towards the loop it was
// made from (outward for contour keys, inward for islands), and a point a
// quarter radius on the other side. Mode 2 averages the direction with the
// preceding segment's. Status 0; 1 the segment is too short to carry a link;
// 11 no such segment.
void lup_link_dir(i32 mode, i32 row, i32 index, f64 frac, pokarr& loop, const f64& radius, f64* out_pt,
                  f64* out_far, f64* out_in, i32& status);
// Where the ray from-to first meets `loop` (the loop of `row`): found 1 with
// the point, its segment and fraction; 0 no crossing (point zero); -1 the
// angle test (when asked) refuses it: a straight segment must be met square
// (sine at least 0.999), an arc along its radius.
void lup_link_cross(i32 row, const pokarr& loop, const f64* from, const f64* to, i32 angle_test, i32& found,
                    f64* out_pt, i32& out_seg, f64& out_frac);
// First stage of the cutting: links every offset loop of each chain to the
// loop it was made from; a chain that cannot be linked is split (reference
// row, new key). Status 0; 10 too many rows; 11 a failure of the loop kernel;
// -1 no memory for the link arrays.
void clr_link_loops(i32 select, const f64& radius, const i32& direction, const i32& cut_mode, ClrLinks& l,
                    i32& status);
// Nearest point of a plane loop to p: its segment (closing entry), the
// fraction along it and the point; false when the loop has no segment.
bool lup_link_locate(const pokarr& loop, const f64* p, i32& seg, f64& frac, f64* foot);
// Moves the start of the first contour's chain to the loop point nearest the
// offset parameters' start point and re-links the chain outward from it.
// Status 100 when the start moved; 0 when a link would cross an island (the
// links are then as they were); 10 too many rows; -1 in a 3-D pocket or
// with no memory for the copy of the links; a negative status of the
// crossing search.
void cutluk(const f64& radius, const i32& direction, ClrLinks& l, i32& status);
