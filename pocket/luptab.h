// The offset loop table `luptab`: one row per loop of a pocket run (contour,
// offset, island offset, cut piece), pointing into the pocket main arrays
// where the loops lie one after the other. Rows count from 1; row 0 is not
// used. Islands carry keys from 10001 up; a reference row carries the
// negated sub-key of a live loop. ierr 0, 10 when the table is full.
#pragma once

#include <vector>

#include "core/words.h"
#include "pocket/pokarr.h"

// Rows the columns hold (row 0 unused); the last row a loop may take.
constexpr i32 LUP_ROWS = 50000;
constexpr i32 LUP_LAST = 49998;
// The last contour key: 9999 ends a chain of cut pieces, islands take 10001 on.
constexpr i32 LUP_KEY_LAST = 9998;

// Column words of one row.
struct LupRow {
    i32 key;        // contour the loop belongs to (islands 10000 + n)
    i32 subkey;     // above 0 for a live loop; a reference row has it negated
    i32 parent;     // row the loop was made from, 0 none
    i32 tag1;       // the caller's first word
    i32 tag2;       // the caller's second word
    i32 inherited;  // copied from the parent row
    f64 value;      // distance of the offset the loop was made by
    i32 level;      // level word
    i32 start;      // index (from 1) of its first entry in the main arrays
    i32 box;        // place of its cached box, -1 none
};

// Rows in use (set to 0 before a pocket run; lowered to drop failed rows).
extern i32 lup_count;
// Row k (1 .. LUP_ROWS - 1); the start column of row count + 1 is the next
// free index of the main arrays.
LupRow& lup_row(i32 k);
// Empties the table: no rows, the first loop starts at index 1.
void lup_reset();

// Registers a row and stores the loop's entries in the main arrays; out
// start: its first index.
void lup_add(const i32& subkey, const i32& key, const i32& parent, const i32& tag1, const i32& tag2,
             const f64& value, const i32& level, const pokarr& loop, i32& start, i32& ierr);
// Registers a row without points that refers to the parent row.
void lup_add_ref(i32 subkey, i32 key, i32 parent, i32& ierr);
// Finds a row by its keys (filter mode 0 every match, 1 inherited 0 only, 2
// inherited set only; search mode 0 backwards, 1 forwards, 2 backwards with
// the stricter empty-key rule) and loads its points; row 0 when none.
void lup_find(i32 filter, const i32& mode, const i32& key, const i32& subkey, i32& row, pokarr& loop, i32& ierr);
// Entries of the row in the main arrays.
void lup_np(const i32& row, i32& n);
// The row's points into the caller's X and Y arrays (room for lup_np points).
void lup_get_pts(const i32& row, f64* x, f64* y, i32& n);
// The row's points into a pocket array.
void lup_get_pokarr(const i32& row, pokarr& loop, i32& ierr);
// Reverses the row's points in place in the main arrays.
void lup_reverse(const i32& row, i32& ierr);
// The row's box (x low, y low, x high, y high), cached. With sub-key -1 the
// first argument is the row and `loop` holds its points; otherwise the
// first row with that key and sub-key is found (its points into `loop`).
void lup_box(i32 rowkey, i32 subkey, pokarr& loop, f64* box, i32& ierr);
// The table's rows and count, taken out (the table is then empty) and put
// back (cached boxes forgotten).
struct LupSaved {
    i32 count = 0;
    std::vector<LupRow> rows;
};
void lup_take(LupSaved& s);  // takes the rows out
void lup_give(const LupSaved& s);  // puts the rows back
// Closes the box cache.
void lup_box_close();
// The same, answering the host's status of the close (0 when no cache was open).
void lup_box_close(i32& status);
// Boxes computed into the cache since it was opened (for checks).
i32 lup_box_computed();
