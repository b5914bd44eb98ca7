// The holder clearance stage of the optimizer: while the tool path is cut
// into the stock, every move is checked for each holder section, which
// must stay the safety distance above the stock; the stage reports the
// sections that come closer (mode 2) or also cuts the lines at the borders
// of the contact and rebuilds the contact stretches as links over the
// stock (mode 3), machining them with a longer tool (modes 4 and 5).
#pragma once

#include <vector>

#include "core/words.h"

constexpr i32 HOLDER_SECTIONS_MAX = 15;  // holder sections the stage keeps state for

// One line Q to P checked for every holder section (slots 1 to N, each
// lifted by its start Z less the safety distance; widths: the sections'
// enlarged upper diameters). mask (the line's samples, 0 at Q and `steps`
// at P; steps 0 for a move along Z, measured at its ends) receives the
// contact of all sections, borders refined by bisection and gaps closed that
// are shorter than 1.5 tool diameters along the move (the free length before
// the move counted with a leading gap); required is raised to each section's
// deepest reach below its clearance. Answers 1 when any section comes too
// close.
i32 optim_holder_line_check(const f32* Q, const f32* P, const f32* widths, const f32& free_before, f32* required,
                            std::vector<char>& mask, i32& steps, i32& status);
// out = A + (B - A) t, per coordinate.
void optim_lerp3(const f32* A, const f32* B, const f32& t, f32* out);
// Handles the next move of the tool path list (or the next piece of a line
// cut before) for every holder section and leaves the cursor one block past
// it. list: the list read (the tool path). widths: the sections' enlarged
// upper diameters. block: -1 on the first call of a run, -2 to start behind
// the move at the cursor (the tool at its end); out the number of the move
// or piece handled, 0 when none was left. contact out: 1 when a section came
// closer than the safety distance on it (a zero-length move keeps the value
// given). code_end: in the pass code (mode 4: 100 reduces the feed of a
// contact piece; mode 5: the tool row of the pass; -1 none), out 1 at the
// list's end. required: raised to each section's reach below its
// clearance. length out: the handled length, negative for a rapid move.
// free_before: the clear length before the move. A string of lines is
// broken into its lines, in mode 2 measured in place. Outside mode 2 a line is
// cut at the contact borders (one piece a call), an arc or a curve at its
// first border that counts, a plunge where the holder enters the stock; in
// modes 4 and 5 a contact piece runs at the pass code's feed. The handled
// piece is cut into the stock with the cutter unless the tool leaves it (a
// contact piece outside mode 2). Status below 0 on a failed read or edit.
void optim_holder_move(const i32& list, const f32* widths, i32& block, i32& contact, i32& code_end, f32* required,
                       f32& length, const f32& free_before, i32& status);
// Along the straight piece P0 to P1, the clear point next to the first
// contact run of the current section image: before the run when one of the
// trial points there is clear, else after it (half, three quarters or the
// whole width on); P0 when it finds no stock, P1 when no trial is clear.
void optim_holder_scan(const f32* P0, const f32* P1, const f32& width, f32* border, i32& status);
// Bisection of the arc's angle bracket from 0 to `angle` (start rotated
// about the centre in the plane: 1 XY, 2 XZ, 3 YZ) for the border of the
// current section image's contact: direction 1 clear at the start, -1 in
// contact there. Answers 1 with the border's angle and point; 0 when the
// border lies within the tolerance of an end (angle 0 and the start, or the
// end point).
i32 optim_arc_border(const i32& direction, const f32* start, const f32* end, const i32& plane, const f32* centre,
                     f32& angle, f32* point);
// Rewrites the line block `block` (from prev to end) in pieces to the split
// start (when apart), to the split point and to the old end: the handled
// piece at the feed of pass code k (k out: the feed written), the rest at
// the move's own feed. end becomes the handled piece's end, block its
// number, and the cursor is left on it.
void optim_holder_line(const f32* prev, f32* end, const f32* split_start, const f32* split, i32& block, i32& k,
                       i32& status);
// The same for the arc block `block` from prev: its first a1 of angle at
// the feed of pass code k, the rest about the same centre at its own feed.
void optim_holder_arc(const f32* prev, f32* end, const f32& a1, i32& block, i32& k, i32& status);
// Writes a feed change at the list position in the form put_feed chooses
// (a feed of 0 writes nothing: the feed in force stays); the cursor is not
// moved.
void optim_feed_here(const f32& feed, i32& status);
// The holder stage over the tool path list. Mode 2 reports; 3 links over
// the contact stretches; 4 machines them at the path's end with a library
// tool that stays clear or a lengthened copy of the tool (word 4 % of the
// feeds, word 5 % of the spindle value), 5 with the tools of the tool rows,
// pass by pass, each taking what the holder of the one before reaches.
// Status 1000 when the user stopped, -1 for a holder whose record counts
// more sections than it holds (with a message) or a failure.
void optim_holder_stage(i32& status);
