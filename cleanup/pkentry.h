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

// The host's twirl switch as the entry moves test it: 1 lets the spline
// entry keep the twirl state and run the twirl entry (nothing sets it).
extern i32 pk_twirl_switch;

// The entry move from P to Q (value: the kind, 11..19 with the rounded and
// marker forms, 21.. with the rounded form for kind 1; stage 2 from the
// hatch fill): the spline entry when the pocket's retry_sw_a is set, else
// the plain entry. status: 0, or the negative status of a move writer.
void pkentry(i32& value, const i32& stage, const f64* P, const f64* Q, i32& status);
// The spline entry: a link string positioned on the part from P to Q (along
// the nearest contour when both module flags ask for it), joined to where
// the tool stands by a second string when the straight link stays inside
// the area, else entered by a full approach; lifted never to dip under the
// path and written as cutting moves; the twirl state kept, the notice of a
// full approach posted. status: 0, or a negative status of the surface
// list, the merge or the writer.
void pkentry_spline(i32& value, const i32& stage, const f64* P, const f64* Q, i32& status);
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

// Hatch points one line list at most.
constexpr i32 ZCLRLN_MAX = 2000;
// The hatch points of the line through start and end (2 floats each) with
// the npol polygons of a polygon buffer (buf: the first polygon's count
// word, then its x, y floats, and so on): their parameters along the line
// in order, each inside stretch widened by margin at both ends, in hits,
// the polygon of each in pols (room for ZCLRLN_MAX each); ia and ib the
// intervals of the two points taken in their order along the line (i: from
// hit i to hit i + 1, count + 1 outside them all). The line is moved across
// itself by up to 0.1 either way while it grazes a vertex (an odd count).
// Status 0; -1 when every offset grazes, or with "ZCLRLN,ARRAY OF HATCH
// POINTS IS NOT LARGE ENOUGH" past ZCLRLN_MAX hits.
void ZCLRLN(const i32* buf, const i32& npol, const f32& margin, const f32* start, const f32* end, i32& ia,
            i32& ib, i32& count, f32* hits, i32* pols, i32& status);
// 1 when the straight link from one point to the other (x, y) stays inside
// the area of the current polygon buffer: both in the same odd interval of
// the line's hatch points, widened by 1.5 x the retry allowance; 0 also
// when the buffer or the line cannot be had.
i32 pkline_inside(const f32* from, const f32* to);
