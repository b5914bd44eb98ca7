// The move cursor: steps over the blocks of a tool path (the current list,
// or the blocks of a stored movement entity read forward), passes everything
// that is not a motion, picks up feed and tool changes on the way, finds a
// move again by its block number and writes a feed in front of a move.
#pragma once

#include <vector>

#include "core/words.h"

// Reading modes: the blocks of the open movement entity, or the tool path list.
constexpr i32 MV_ENTITY = 1, MV_LIST = 2;

// Blocks still unread in the movement entity (reading mode 1).
extern i32 MVLEFT;

// Move families by block type.
inline bool mv_line(i32 t) { return t == 2 || t == 22 || t == 222; }  // a linear move
inline bool mv_arc(i32 t) { return t == 3 || t == 23 || t == 223; }  // a circular move
inline bool mv_nurbs(i32 t) { return t == 5 || t == 25 || t == 225; }  // a NURBS move
inline bool mv_string(i32 t) { return t == 7 || t == 27 || t == 227; }  // a point string

// Reading mode 1: reads the entity's block count into MVLEFT; others nothing.
void ent_blk_count(const i32& mode);
// Steps to the next block; status -2 at the end of the entity's blocks.
void next_block(const i32& mode, i32& status);
// Leaves the current block (header read, the block number not consumed) by
// `step` blocks; an entity is read forward only. Status -2 at its end.
void next_move(const i32& mode, const i32& step, const i32& cls, const i32& size, i32& status);
// Advances to the next motion block (or cycle block 30, 34, 36) and leaves
// the cursor on its block number; feed: the last technology feed passed
// (0.0 when none), tool_changed 1 when a tool block was passed (the tool
// cache then holds the new tool). Status -2 at the end of the blocks, another
// negative status (-1 for a short block) when a block cannot be read.
void find_move(const i32& mode, const i32& step, i32& number, i32& type, i32& size, f32& feed, i32& tool_changed,
               i32& status);
// 1 when the last find_move passed a feed block (its feed may be 0: a feed
// move whose feed is not set), 0 when the move has no feed of its own.
extern i32 move_feed_read;
// The point where the motion block at the cursor (list) ends; status -1 for
// a block without an end point.
void move_end_point(f32* point, i32& status);
// Appends the points of the string of lines at the cursor (the list), in
// order, its header read again first.
void string_move_points(std::vector<f32>& pts, i32& status);
// Raises z to the highest Z of the move at the cursor (arcs not looked at).
void move_top_z(const i32& type, f32& z, i32& status);
// Searches the list block by block in the step's direction (+1 or -1) for
// the move numbered |number|: a positive number leaves the cursor on the
// block, a negative one just behind its number. Status -1 when not found.
void goto_block(const i32& step, const i32& number, i32& status);
// The block number of the move `count` moves away (99: the last move, -99:
// the first); the list position is left where it was.
void jump_moves(const i32& count, i32& number, i32& status);
// The feed in force at a move (the nearest technology feed before it); the
// cursor is left on the move.
void feed_at_move(const i32& step, const i32& number, f32& feed, i32& status);
// Writes a technology block setting the feed in front of a move (a named
// feed of the machine table in its named form).
void put_feed(const f32& feed, const i32& number, i32& status);
// Grows the XY box (box_min in/out from the start point, box_max out) over
// the moves ahead of the current one until their length reaches twice the
// tool's diameter; the list position is left where it was.
void path_ahead_box(const f32* start, f32* box_min, f32* box_max, i32& status);
