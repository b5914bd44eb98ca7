// Debug aids of the pocket kernel: numbered text dumps of a pocket array
// ("pokarr%03d.txt") and of an intersection table ("pkingo%03d.txt") in the
// current directory, and drawings of pocket arrays and offset loops. The
// switches are off (the dump counter -1) until a debugging session sets them
// with pkdbg_set and pkdbg_switches; nothing else turns them on.
#pragma once

#include "core/words.h"
#include "pocket/pokarr.h"

// Writes the array's dump file (id: the file number is |id| mod 1000, a
// negative id appends) with the entries from `first` to `last`.
void pokarr_dump(const pokarr* a, i32 id, i32 first, i32 last);
// Trace switch of the dumps, 0 at load: when set, every dump is written to
// file 0 from its start (the id is taken as 0).
extern i32 pkdbg_trace;
// Writes the intersection file; u1 and u2 may be null.
void ingos(const i32& id, const i32& count, const i32* ingo, const i32* ingo1, const f64* xing, const f64* ying,
           const f64* u1, const f64* u2);
// Display switch (value not 0: drawings become curve entities) and colour.
void pkdbg_set(const i32& value);
// Colour of drawn entities: the value when it lies in 1..15, else 0.
void pkdbg_colour(const i32& value);
// The dump counter (0 or more: every drawing is dumped first to that file)
// and the normals switch (4-D arrays drawn with their vectors).
void pkdbg_switches(const i32& dump_counter, const i32& normals);
// Draws an array in pocket coordinates.
i32 pokarr_draw(const pokarr& a);
// Draws an array (world 1: the points are world coordinates, no origin is
// added); the curve entity's id with the display switch on, 0 else, -1 for an
// empty array, and the failing status when the points do not fit the curve's
// collection.
i32 pokarr_draw_body(const pokarr& a, const i32& world);
// Packed points (dims 2 or 3) drawn in world (draw1) or pocket coordinates.
i32 pkdbg_draw1(const i32& dims, const f64* pts, const i32& n);
i32 pkdbg_draw0(const i32& dims, const f64* pts, const i32& n);  // packed points drawn in pocket coordinates
// Packed single-precision points drawn in world coordinates.
i32 pkdbg_drawf(const i32& dims, const f32* pts, const i32& n);
// Draws the loop of a row of the offset loop table; -1 for no such row.
i32 lup_draw(i32 row);
// The colour in force (for checks).
i32 pkdbg_colour_now();
// The dump counter: -1 while dumps are off.
i32 pkdbg_dump_counter();
