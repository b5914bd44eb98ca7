// Picking of the motion blocks that ALTERATIONS works on (SINGLE, CHAIN,
// VERTICAL), and the grouping of the picked blocks into chains of blocks
// that follow each other in the list.
#pragma once

#include "core/words.h"

// One picked block: its number, the numbers of the motions before and after
// it in the list (0 none), and the chain flag (1 taken into a chain, or a
// second entry of a block picked before).
struct PickEntry {
    i32 block, prev, next, chained;
};

// Lets the user pick blocks into a host array of PickEntry (handle, count).
// Status 0 finished with picks, -2 left without one, -3 a list call failed.
void pick_blocks(i32& count, i32& handle, i32& status);
// The chains of the picked blocks as a host array of word pairs (first and
// last block of each chain, in the order of the entries); words: twice the
// number of chains. Status -1 when the array cannot be had.
i32 get_chains(PickEntry* entries, const i32& count, i32& words, i32& status);
// 1 and the index of the first entry at or after start with the block and a
// clear chain flag; else 0 and index -1.
i32 find_pick(const i32& start, const i32& block, const PickEntry* entries, const i32& count, i32& index);
// Exchanges two entries.
void swap_picks(PickEntry& a, PickEntry& b);
// Follows the previous-block words back from the entry; the first entry so
// reached (not the starting one) is flagged; a copy of it is returned.
PickEntry chain_first(const i32& index, PickEntry* entries, const i32& count);
// Follows the next-block words on from the chain's first entry, flagging
// each entry reached; a copy of the last one is returned.
PickEntry chain_last(const i32& index, const PickEntry& first, PickEntry* entries, const i32& count);
// Goes to the motion of the block number from the start of the list (a
// string holding it is broken into lines, the point a block of its own, the
// cursor left on it): its end point and normal, the point before it (also
// put into the first words of "LSP2" and "DSP8") and its dimension kind.
// Status -1 when the list holds no such motion. The "other point data" of
// the picked motion are read as these: its end, normal and the point before.
void locate_picked_motion(const i32& block, f32* point, f32* normal, f32* previous, i32& dim_kind, i32& status);
// 1 when the motion from the previous point to the end is within the angle
// (degrees) of the Z axis, or has no length.
i32 is_vertical(const f32* end, const f32* prev, const f32& angle);
