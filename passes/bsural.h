// Output of the pass strings of one pass as tool path blocks: strings of
// points entered by their links (approach, jump along the surface or none),
// circles as arcs, the pass-output state kept current.
#pragma once

#include "core/words.h"

// Writes the pass strings of one pass, entry by entry (revflag handed on, except to the entries of pass kind 6), and
// keeps the exit vector; the up/down buffers are flushed after.
void BSURAL(const i32& revflag, i32& status);
// Writes entry e of the pass strings between its markers: its strings (straight or gouge-checked) or its circle; str,
// pnt and cir are the running string, point and circle counts, advanced past the entry.
void BSURPS(const i32& e, i32& str, i32& pnt, i32& cir, const i32& revflag, i32& status);
// Writes string j of entry e (its first string str, first point pnt) unchecked, piece by piece, entered by the link
// its kind and jump distance call for; stores its points for the clean-up when asked.
void BLNREG(const i32& e, const i32& j, const i32& str, const i32& pnt, i32& status);
// One string with every step between two points replaced by the gouge-free
// positions over the triangle model.
void BLNGUG(const i32& e, const i32& j, const i32& str, const i32& pnt, const i32& revflag, i32& status);
// At most GG_CAP coordinates and GG_STR strings in the results of GUGLNK.
constexpr i32 GG_CAP = 40002, GG_STR = 50;
// The gouge-free positions from a to b (normals na, nb; tool axes ta, tb):
// points, tool normals (or axes), surface normals and contact codes, split
// into strings. mode 0 a merge link, 2 a step of a string, 3 a step of a
// string of pass kind 6 (kept for the callers: not read).
void GUGLNK(const f32& tol, const f32& pofs, const f32& cofs, const f32* a, const f32* b, const f32* na,
            const f32* nb, const f32* ta, const f32* tb, f32* pts, f32* vecs, f32* nrms, i32* flags, i32& nstr,
            i32* lens, i32& total, const i32& srf, const i32& mode, const i32& revflag, i32& status);
// Largest vertical deviation of n positions from the segment a-b; -1.0e10
// without positions.
void MAXDZS(const f32* a, const f32* b, const f32* pts, const i32& n, f32& dev, i32& status);
// Writes circle cir of entry e as an arc, entered by the jump, approach or vertical approach its kind (or a pending
// approach) calls for.
void BSURCR(const i32& e, const i32& cir, i32& status);
// Points (pts, vecs: tool axis and normal per point) behind the link of the
// link code; a new string block when asked; open tells whether a string is open.
void BPNTWR(const f32 (*pts)[3], const f32 (*vecs)[6], const i32& n, i32 code, const i32& newstr, i32& open,
            i32& status);
// Jump of the tool to p (v: tool axis and normal) along the surface: in three axes a short move, a lifted jump within
// a tool diameter, else a vertical approach; in four and five axes a straight or linked move.
void BJMPWR(const f32* p, const f32* v, i32& status);
// Switches to the down-feed (code 26) for a descending step q to p where it is slower than the feed in force, and
// back to the cutting feed when the steps stop descending; open: whether a string is open.
void PLGFED(const f32* q, const f32* p, i32& open);
// The down-feed taken as off (after a move that has set the feed itself, an
// approach); no feed is requested.
void PLGRST();
