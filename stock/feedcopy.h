// Moves rewritten with other feeds: a run of moves copied to the end of the
// tool path with its feeds carried over or scaled, a straight move or an
// arc cut into pieces each written with the feed code of the move, and the
// feed code itself.
#pragma once

#include "core/words.h"

// The last feed of the optimizer's scans, which the line split writes.
extern f32 optim_scan_feed;

// Writes the feed code of feed value v in front of what follows: named
// feeds by their codes, -1 rapid (4), other negatives 27, 0 nothing, any
// other value in its explicit form (the piece keeps its own feed).
void optim_feed_code(const i32& v, i32& status);
// Copies the moves after block `from` up to block `to` to the end of the
// list behind a straight move to the end of `from`; the feed argument
// (10000 and above: word 4 %, 1000 to 9999: a row of the feed percentage
// table, below 1000: none) scales the feeds. new_start: the block number of
// the copy's first move (with hand_on, of its last, after the rapid link
// rebuilt in front of it). A failure leaves the list as it was.
void optim_feed_copy(const i32& from, const i32& to, const i32& feed_arg, const i32& hand_on, i32& new_start,
                     i32& status);
// The rapid link of a run rebuilt with the forced-link flag set.
void optim_air_rapid(const i32& from, const i32& to, const i32& feed_arg, i32& status);
// Replaces the straight move at the cursor (from P to Q) by the pieces
// P-A, A-B and B-Q (ends that coincide dropped), each with the scans' feed
// code (none when the scans' feed is 0); piece: block number of the first
// piece; Q becomes its end.
void optim_split_line(const f32* P, f32* Q, const f32* A, const f32* B, i32& piece, i32& status);
// The same for the arc move after the cursor: pieces of angles a1, a2 and
// the rest about the same centre; piece (in: the arc's number) and piece2
// the first and the middle piece.
void optim_split_arc(const f32* P, f32* Q, const f32* A, const f32* B, const f32& a1, const f32& a2, i32& piece,
                     i32& piece2, i32& status);
// Block number of the block under the cursor (-1 when it has none).
i32 optim_block_here();
