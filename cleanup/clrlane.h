// The lane stage of the pocket cutting: each loop of a chain cut from the
// link point where the tool arrives to the link point of the loop it leaves
// for, the next loop named after each lane, and in 3-D pockets the
// connecting moves between lanes.
#pragma once

#include "core/words.h"
#include "pocket/pokarr.h"

struct ClrLinks;
struct CutProgress;

// 1 when the lanes of a 3-D pocket are carried onto the surfaces, 0 when
// they are taken over as drawn; set at the start of every lane.
extern i32 lane_proj;
// Switch of the lane projection (1 at load).
extern i32 lane_proj_on;

// The projection word's value for a piece now: 0 when the switch is off or
// the height record asks for lanes as drawn, else 1.
i32 lane_proj_now();

// Cuts one lane of the entry row `row` (mode 0, plus 10 for the first lane
// of a run): from the row's link point (the middle of its first segment when
// it has none) along the loop in the cutting direction to the link point of
// the nearest exit row (a row made from it), once round when there is none,
// registered as a new row (tags: the number of exit candidates). next_row:
// in, a row the entry must descend from; out, the exit row (9999 none), -10
// when the entry's parents cycle, -11 on a failure. count: exit candidates.
void notlif(i32 select, i32 mode, const f64& radius, ClrLinks& l, i32 row, const i32& direction, i32& next_row,
            i32& count);
// The next row to cut after the lane of `cur` (prev: the entry before it;
// level: the key level being cut, advanced when a level is done): the loop
// the current one was made from, another chain of the same key, or the
// first chain of a later level after a terminator row; 9999 when nothing is
// left. new_chain is set when a terminator row was appended.
void notlf2(i32 select, i32& new_chain, ClrLinks& l, i32 cur, i32 prev, i32& level, i32& next_row, i32 n_chains);
// The connecting move from the end p1 of one lane (normal n1) to the start
// p2 of the next (normal n2), put in front of `piece`; q1, q2 the projected
// end and start. Status 0, -1 a projection failure.
void connect_lanes(const f64* p1, const f64* n1, const f64* p2, const f64* n2, const f64* q1, const f64* q2,
                   pokarr& piece, i32& status);
// The lane stage of the cutting, from the first chain of level 1 on.
void cut_lanes(CutProgress& pg, i32 select, const f64& radius, const i32& direction, i32& status);
