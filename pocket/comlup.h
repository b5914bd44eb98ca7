// Common loops of two loops: where an offset loop crosses an island's offset
// (or two offsets of one pocket cross), the loops bounded by a piece of each,
// found from the crossings ordered along both loops, cleaned, tested against
// the islands and earlier loops, and registered in the offset loop table or
// collected for one further offset.
#pragma once

#include <vector>

#include "core/words.h"
#include "pocket/crossing.h"
#include "pocket/pokarr.h"

// The crossings of A and B in A's order (A segment, B segment, point, heights
// on A and B) and in B's order (segments as absolute numbers, point), with
// the rank of each A-ordered crossing in B's order (1-based; negative for a
// touch, -9999 when not found).
struct ComlupLists {
    CrossTable a;
    std::vector<i32> baseg, bbseg, rank;
    std::vector<f64> bx, by;
    pokarr loop;  // mode 10 and above: A as the walk left it
    bool refused = false;  // count -1 because the pool refused the copy of A
    ComlupLists();
};
// Fills the A-ordered list and, for mode below 10, the B-ordered list and
// the ranks, touches removed; mode 10 and above keep the crossings with a
// positive B segment in A's order only, and `loop` holds A as the closed
// walk left it (nudged where the loops run along each other): the table's
// segments and points are that loop's, and the caller frees it. A and B may
// be one loop (mode 11: the self-crossings of a loop). Count -1 on failure;
// `refused` then tells a copy the pool refused from a failed search.
void cre_comlups_array(i32 mode, const pokarr& a, const pokarr& b, const f64& distance, i32& count, ComlupLists& l);
// Orders n crossings along B: by B segment, then by the distance from that
// segment's start (an arc by its angle); outputs hold absolute numbers.
void comlup_sort(i32 n, const i32* aseg, const i32* bseg, const f64* x, const f64* y, const pokarr& b, i32* oaseg,
                 i32* obseg, f64* ox, f64* oy);
// Builds and registers (or collects) the common loops of A and B. Status 0
// none found, 1 loops found, 2 or 3 after a one-more-offset pass, 10 the loop
// table is full, 15 from the table's store, 11 a pool, lookup or test failure.
void comlup_pokarr(const i32& collect, const pokarr& a, const pokarr& b, const i32& parent, const f64& distance,
                   const i32& subkey, i32 rowa, i32 rowb, const i32& kind, i32 island, i32& counter, i32& outrow,
                   i32& lastrow, i32& status);

// The collection store of the common-loop builder and its second
// collection: loops one after the other in one pocket array, with the point
// count and direction of each.
struct ComlupStore {
    pokarr pts;
    std::vector<i32> counts, dirs;
};
ComlupStore& comlup_collection();  // the first collection
ComlupStore& comlup_second();  // the second collection
// Set by the one-offset engine when its result bears on the builder's final
// status (2 or 3).
extern i32 comlup_offset_flag;
