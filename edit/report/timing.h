// The timing of single tool path blocks for the machining-time estimate:
// the feed in force, the position reached and the motion kind of each block.
#pragma once

#include "core/words.h"

// Motion kinds answered by TIMEBLK.
constexpr i32 MK_NONE = 0, MK_FEED = 1, MK_MAXFEED = 2, MK_RAPID = 3, MK_TOOLCHG = 4, MK_FIRSTTOOL = 5;

// What runs from block to block of one walk.
struct BlockTiming {
    f32 pos[3];     // end of the last motion
    f32 feed;       // programmed feed
    f32 maxfeed;    // machine's maximum feed
    f32 rapid;      // rapid feed
    f32 rate;       // the feed lengths are divided by
    i32 kind;       // motion kind in force: 1 feed, 2 maximum feed, 3 rapid
    i32 first;      // 1 until the walk's first motion has set the position (2: at a home point)
    i32 firsttool;  // 1 until the walk's first tool block
    f32 home[3];    // second point of the last home block
};
extern BlockTiming BTMST;  // the block timing state (block_timing_state)

// Times the block at the position of the access medium (2 the current tool
// path list, 1 the open entity): answers its motion kind (MK_*), its number,
// its time in minutes for a motion (a time of exactly -1.0 on entry resets the
// walk's state first), the tool of a tool block; adds a feed motion's length
// to the milling length and lowers the minimum Z to the lowest point reached.
// Status negative (reported) when the block cannot be read.
i32 TIMEBLK(const i32& file, const i32& access, i32& number, f32& time, i32& tool, f32& mlength, f32& minz,
            i32& status);
// Lowers the minimum Z by an arc of a vertical plane given as (horizontal,
// Z) pairs of its centre and its end and its sweep (radians, positive
// counter-clockwise from the horizontal axis to Z): to the centre's Z less
// the radius when the arc passes its lowest point, else to its ends' Z.
void ARCMNZ(const f32* centre, const f32* end, const f32& sweep, f32& minz);
