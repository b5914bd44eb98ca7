// The action of ALTERATIONS on one region of motion blocks: move by delta
// Z, projection onto the Z plane, or deletion with the connection of the
// gap, with the vertical moves and feed requests around the region.
#pragma once

#include "core/words.h"

// Carries out the action of "ZQA1" on the region first_block..last_block of
// the current list: move by delta Z, projection onto the Z plane or onto the
// reference surfaces, or deletion with the connection of the gap. The region
// is found by its first block's number. With continuing 0 the point before
// the region is that of the block before it; with continuing set (the region
// begins where the contour walk split a motion) it is the writers' last
// point, the direction there (0, 0, 1). start_point and start_dir: the point
// before the region and the direction there (out); clear_level: the highest
// level a move may reach; surf_word: the reference-surface word; dim_kind:
// 1 simple, 2 with normals, 3 with axes; at_end: the region runs to the end
// of the procedure; z_level: the absolute Z plane. first_block and
// last_block follow the rewrites; continuing is cleared once the region is
// joined. The cursor is left after the last block written. Status 0 or
// negative; -2 when the list holds no block first_block.
void delete_trimed_blocks(i32& first_block, i32& last_block, f32* start_point, f32* start_dir,
                          const f32& clear_level, const i32& surf_word, i32& continuing, const i32& dim_kind,
                          const i32& at_end, const f32& z_level, i32& status);
// Writes the connection of a deleted region from the writers' last point
// to the resume point: mode 3 a straight move, 4 along the contour (both
// ends on it; the shorter way), other modes nothing. start_feed: the feed
// in force before the region; gap_start: the point before the region.
void connect_trim_gap(const i32& mode, const f32& clear_level, const f32& start_feed, const f32* resume_point,
                      const f32* gap_start, const i32& dim_kind, const i32& at_end, const f32& z_up, i32& status);
// 1 when a motion follows the cursor; the position is kept.
i32 next_block_exists();
// The feed in force at the next motion after the cursor (its machine state
// shown); the cursor and the current feed are kept.
void next_mach_state(f32& next_feed, i32& status);
// The feed code of a vertical move by the current feed: 4 rapid, 27 the
// maximum feed, 1 the machine feed, 3 the plunge feed, and 1 for any other
// feed value.
i32 feed_code(const f32& feed);
