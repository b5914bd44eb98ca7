// The entry move of a new piece of cut: the tool arrives at the piece's
// point by a straight move, by a rounded descent from a raised point, or by
// a full approach from the clearance side; the list of entry points, the
// entry-mode word and the rounded descent's points.
#pragma once

#include <vector>

#include "core/words.h"

// Entry-notice word: 1 after a full approach while the pocket entry state
// was set, until the next spline string posts the notice.
extern i32 pk_note;
// 1 after an entry link was written.
extern i32 pk_link_done;
// The entry-mode word shared with the procedure frame: 9, 10 or 11.
extern i32 pk_entry_mode;

// The entry move from P to Q (value: the kind, 11..19 with the rounded and
// marker forms, 21.. with the rounded form for kind 1; stage 2 from the
// hatch fill): the plain entry. status: 0, or the negative status of a move
// writer.
void pkentry(i32& value, const i32& stage, const f64* P, const f64* Q, i32& status);
// The plain entry (straight moves, rounded descent, full approach).
void pkentry_plain(i32& value, const i32& stage, const f64* P, const f64* Q, i32& status);
// The rounded descent from H above `to` at from's x, y down to `to` on a
// quarter-circle profile: 10 points (3 when the two points coincide in x, y).
void pkentry_ramp(const f64* from, const f64* to, i32& count, f64* points, i32& status);
// Entry-mode word := 9 for -1, 10 for 1, 11 otherwise.
void ENTMOD(const i32& value);
// Adds an entry point (one per x, y: a second one only lowers the stored z).
void nc_entr_add(const f32* point, i32& status);
// The entry list's points, three floats each.
const std::vector<f32>& nc_entr_list();
