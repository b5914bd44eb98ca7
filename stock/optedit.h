// What the optimizer's path edits share: the working clearance height, the
// safety distance, the holder stage's remembered points and block, the feed
// forms written in front of moves, and the edit of the tool path list that
// writes the new blocks before it deletes the old ones, so that a failed
// write leaves the tool path as it was.
#pragma once

#include <vector>

#include "blocks/movement.h"
#include "blocks/tech.h"
#include "core/words.h"

// The working clearance height of an optimizer run: set from the heights
// record at the run's start, raised by every link that passes above it.
extern f32 rapid_top;
// Raises the working clearance height to z when z is above it.
void rapid_top_raise(const f32& z);

// The safety distance of the links: word 1 of CMPBLK, or, while that is
// not set (negative), max(0.2 x clear length, clear length - cut length) of
// the current tool as the optimizer screen works it out. Status -1 with a
// message when neither gives a positive distance.
f32 optim_safety(i32& status);

// The clearance height C1 (first value of "HEI8") and the link clearance C2
// (its second item's first value when the record's switch word is set).
f32 hei8_clear();
f32 hei8_link_clear();  // C2 (C1 while the switch word is off)

// Plain stores of the holder stage: its last point, its reference point and
// the block number it remembers.
void optim_set_last_point(const f32* p);
void optim_set_ref_point(const f32* p);  // stores the reference point
void optim_set_mark_block(const i32& number);  // stores the block number
i32 optim_get_mark_block();  // the block number stored
// The points stored last (for the holder stage and the tests).
const f32* optim_last_point();
const f32* optim_ref_point();  // the reference point stored

// Writes the feed form of a feed in front of what follows (machine state
// with technology parameter 1): -1.0 rapid (form 4), other negatives the
// maximum feed (27), a named feed of the machine values by its code (3, 26,
// 25, 2, in that order of test), any other value in its explicit form (the
// value itself, never the base feed's code). `shown`: the machine state is
// written as the movement writers write theirs, the block drawn (PTAMCH);
// else only written, the fields refreshed (PTAMC1).
void write_feed_form(const f32& feed, i32& status, bool shown = false);
// Writes the feed as an explicit value (form 1), whatever named feed it equals.
void write_feed_value(const f32& feed, i32& status, bool shown = false);
// Writes technology parameter 1 as the code of a named form (3, 4, 27, ...).
void write_feed_code(const i32& code, i32& status, bool shown = false);
// A straight move of the optimizer to a point (tool axis vertical).
void optim_line(const f32* point, i32& status);

// Keeps the base feed word ("PRM9" word 0) and puts it back when it goes.
struct BaseFeedKeep {
    i32 word;
    BaseFeedKeep();
    ~BaseFeedKeep();
    BaseFeedKeep(const BaseFeedKeep&) = delete;
    BaseFeedKeep& operator=(const BaseFeedKeep&) = delete;
};

// One edit of the tool path list. New blocks are written behind the element
// the cursor stands on at begin(); the old elements noted with doom() are
// deleted only by commit(), after every new block was written. rollback()
// deletes what was written and puts the movement writers' and technology
// state back, so the list is as it was before begin().
class PathEdit {
public:
    // Starts the edit at the element under the cursor.
    void begin();
    // Notes the element under the cursor for deletion at commit().
    void doom();
    // Notes the element at position k for deletion at commit().
    void doom_at(const i32& k);
    // Number of elements written since begin().
    i32 written() const;
    // Deletes the doomed elements; the cursor is left on the last new
    // block (or where the old ones were when nothing was written).
    void commit(i32& status);
    // Deletes every element written since begin(); the cursor is left on
    // the element it stood on at begin().
    void rollback();
    // Ends with status: commit when status >= 0, else rollback.
    void finish(i32& status);

private:
    i32 anchor_ = 0;              // position of the element the new blocks follow
    i32 length_ = 0;              // elements of the list at begin()
    std::vector<i32> doomed_;     // positions of the old elements
    MoveState moves_{};           // writers' state at begin()
    TechState tech_{};            // technology state at begin()
    i32 moved_ = 0;               // the writers' move-written flag at begin()
    i32 deleted_ = 0;             // old elements commit() has deleted so far
    i32 shifted_ = 0;             // of those, the ones at or in front of the anchor
};

// Element count of the current list (-1 when the list cannot be put at its
// end); the cursor is left where it was.
i32 list_length();
// Moves the cursor to position k of the current list (1 the first element).
void list_goto(const i32& k, i32& status);
