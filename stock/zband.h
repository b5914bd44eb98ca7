// The Z-band stage of the optimizer: runs of feed moves above the band's
// upper limit, below its lower limit, or both (by the stage's mode), cut at
// the limit where they cross it, taken out and replaced by a link over the
// stock.
#pragma once

#include "core/words.h"

// Finds the next run of feed moves out of the band. first: in -1 at the
// start of the list, else the move to go on after (from its end); out the
// move before the run (-1 at the path's start). last: the run's last move
// (the move that ends on the limit); side 2 above the band, 1 below; length
// the XY length of the run; at_end 1 when the list ended (a run then open
// is handed over with last -1). Status -1 for an arc in the XZ or YZ plane
// or a cycle's block that a run would take out (each with a message), a
// failing read or list step, or a first that is no move.
void optim_zband_scan(i32& first, i32& last, i32& side, f32& length, i32& at_end, i32& status);
// Cuts the straight move at the cursor (P to Q) where it meets the level za
// and then zb (zb the end's Z for one cut); Q becomes the end of the first
// piece. Status -1, nothing changed, when it does not reach them in turn.
void optim_zband_clip(const f32* P, f32* Q, const f32& za, const f32& zb, i32& piece, i32& status);
// The point of the segment P to Q at the height z.
void optim_pt_at_z(const f64* P, const f64* Q, const f64& z, f64* R);
// Removes the move at the cursor of the list (reading mode `mode`) from a
// run out of the band; a run below the band (side 1) under floor mode 2
// stays in place instead, a move of it that ends below the lower limit, or
// a curve, put onto the limit.
void optim_zband_drop(const i32& mode, const i32& side, i32& status);
// Takes the run after move `first` up to move `last` out of the path and
// writes the link in its place: up from the run's start S to the clearance
// level, across above its end E, down to the safety distance over it and
// the plunge onto it (E straight above S: the moves after the run that stay
// over S taken out and the tool brought there by rapid). A run from the
// path's start (first below 1) gets an approach from the clearance level, a
// run to its end (last below 1) a retract, the whole path one rapid to its
// end and host message 10 of module 339 with `message`. A short run below
// the band (floor mode 1, side 1, length at most twice the tool's size) or
// floor mode 2 keeps it in place. safety: the distance when word 1 is 0.
void optim_zband_link(const i32& first, const i32& last, const i32& message, f32& safety, const i32& side,
                      f32& length, i32& status);
// The Z-band stage over the tool path list: each run out of the band
// removed and linked over (optim_zband_link). Status 1000 when the user
// stopped, -1 when the run must end.
void optim_zband_stage(i32& status);
