// Definition of the surface-milling geometry: picking the chain of part
// surfaces or the trimmed surface, their set-up and the cut direction, the
// limits, the start corner and the width point, the surface markers, the
// common edge of trimmed surfaces and the final retract. Surfaces are
// counted from 0 in chain order unless said otherwise. Status 0 success,
// -1 leave, -2 escape (one step back), other negative values failures
// already reported.
#pragma once

#include "core/words.h"

// ----------------------------------------------------------------- picking
// Pick of the chain of part surfaces. repick starts a new pick; flip turns
// the milling side of the chain over; tol is the machining tolerance;
// defined becomes 1 on every way out past the pick.
void PCKSRS(const i32& repick, const i32& flip, const f32& tol, i32& defined, i32& status);
// Pick of one trimmed surface.
void PCKTRM(i32& status);
// Orders count new surfaces so that those that continue the chain from the
// previous surface come first, in chain order; count becomes their number.
void CHNORD(const i32& previd, const i32& prevuid, const i32* prevlim, const i32* prevcrn, i32* ids, i32* uids,
            i32* entries, i32& count, i32& status);
void SIDFLP(i32& status);  // turns the milling side of the chain over
void SIDPRP(i32& status);  // side flags of the chain agree with the first surface

// ---------------------------------------------------- set-up, cut direction
// Set-up of surface i: -1 the single trimmed surface, 0 the first, 1 the
// first two, 2 or more surface i after surface i-1.
void SRFSET(const i32& i, i32& status);
// Limit records of the first two surfaces (ids id0, id1): the boundary line of id0 that best matches one of id1
// becomes their common edge, the second range of id0 ending there and that of id1 starting there.
void DIR_TWO_SURF(const i32& id0, const i32& id1, i32* lim0, i32* lim1, i32* crn0, i32* crn1, i32& status);
// Limit record of surface id after surface previd: its second range starts on its boundary line that best matches the
// edge where the previous surface's passes end.
void DIR_NEXT_SURF(const i32& previd, const i32* prevlim, const i32* prevcrn, const i32& id, i32* lim, i32* crn,
                   i32& status);
// n points (xyz) along a parameter line of the loaded surface from (u0, v0),
// the parameter (1 u, 2 v) advancing by step.
void SMPLIN(const f64* buf, const f32& u0, const f32& v0, const f32& step, const i32& code, const i32& n, f32* pts);
// Sums of squared distances of ten points to ten reference points, in the
// same and in the reversed order (1.0e10 both for a degenerate line).
void SMPCMP(const f32* ref, const f32* pts, f32& same, f32& reversed);
// The boundary line of the loaded surface that matches the ten reference
// points best, as the limit mode that starts the second range there.
void EDGMTC(const f32* ref, const f64* buf, const f32& umin, const f32& umax, const f32& vmin, const f32& vmax,
            f32& best, i32& index);
// Shows the cut direction of surface 0 and, when ask is set, lets the user
// confirm or turn it; changed becomes 1 when it was turned.
void CUTDIR(const i32& ask, i32& changed, i32& status);
// Arrows (kept in slots) of the cut direction of surface index for parameter code (1 or 2), the other shown in turn:
// with ask below 0 shown only, else asks "CUT DIRECTION OK?" until accepted; chosen is the code accepted.
void CUTASK(const i32& index, const i32& code, const i32& ask, i32& chosen, i32* slots, i32& status);
void SRFALL(i32& status);  // markers of every surface again

// ------------------------------------------------------------------ limits
void SETLIM(i32& status);
// Sets the start (end 1) or end (end 2) of surface k's second range to the value of the point (u, v); on a trimmed
// surface only within its held corners (else said and left).
void LIMPNT(const i32& k, const i32& end, const f32& u, const f32& v, i32& status);
// The second range of the chain's first surface starts, and that of its last surface ends, on their bounds again
// (LIMPRM).
void PARLIM(i32& status);
// Sets the start (end 1) or end (end 2) of surface k's second range back on the surface's bound (a trimmed surface's:
// its boundary's), the range keeping its direction, and shows its markers.
void LIMPRM(const i32& k, const i32& end, i32& status);
// Resets and shows the limits of every surface of the chain, and unlinks its surfaces.
void ALLLIM(i32& status);
// Resets surface i's limit record to its whole ranges in its set-up's direction (a trimmed surface from its trim
// analysis); show 1 shows its markers.
void LIMRST(const i32& i, const i32& show, i32& status);
// First range from (first lo, first hi) and second range from (second lo,
// second hi), each turned the way the set-up of surface i runs.
void LIMFRM(const i32& i, const f64* ranges, i32& status);
// Surface i's first range from two points (p0, p1) and (p2, p3) given as (u, v), running as its original record runs
// (fitted to the trim boundary on a trimmed surface); all turns the rest of the chain to run the way the points were
// picked.
void LIMFIT(const i32& i, const f32& p0, const f32& p1, const f32& p2, const f32& p3, const i32& all, i32& status);
// Surface j's first range fitted to surface i: mode 2 meets i's corners at the end of its second range on j's start
// edge, else i's corners at the start on j's end edge (nearest points; on a trimmed j the points where its boundary
// meets the edge line, the whole line only when it meets none); tol is not read.
void WIDFIT(const i32& mode, const i32& i, const i32& j, const f32& tol, i32& status);
// Nearest point to a point in space on the parameter line at the edge value
// of the second parameter, the first parameter running from..to. When no
// point of the line can be evaluated: the evaluation's status, best and
// bestpt untouched.
void EDGNRS(const f32* point, const f64* buf, const i32& code, const f32& edge, const f32& from, const f32& to,
            f32& best, f32* bestpt, i32& status);
// The trim boundary's point on the parameter line at the edge value of the
// second parameter nearest to a point in space: its first parameter (code)
// and the distance (1.0e15 when the line meets no boundary).
void EDGTRM(const f32* point, const i32& id, const f64* buf, const i32& code, const f32& edge, f32& best, f32& dist,
            i32& status);
// Trimmed-surface analysis TRMANA[i] of the boundary pts (count (u, v) pairs): its box and the u-first and v-first
// points of each box corner; id is not read.
void TRMBND(const i32& i, const f32* pts, const i32& count, const i32& id);
// Fits the points (p0, p1) and (p2, p3), as (u, v), of trimmed surface i to its trim boundary: the pieces of the
// first-parameter lines through them that hold them (else the nearest) give the held corners in crn; a line that only
// grazes is moved a little inward.
void width_trm(const i32& i, f32& p0, f32& p1, f32& p2, f32& p3, i32* lim, i32* crn);
// With redo, the trimmed-surface analysis again of every trimmed surface (every surface for machining type 3) from
// its outer loop; then the markers of every surface. Status nonzero only when a boundary cannot be had.
void TRMLIM(const i32& redo, i32& status);
// connected 1 where the two corners of surface i at the end (kind 2; else the start) of its second range lie within
// tol of surface j's two corners at the other end; status nonzero on failure.
void SRFCRN(const i32& kind, const i32& i, const i32& j, const f32& tol, i32& connected, i32& status);

// ----------------------------------------------- start corner, width point
void STCORN(i32& changed, i32& status);
// The start corner nearest to (x, y, z): its point into corner; its (u, v), that of the corner at the other end of
// the first pass and that of the last pass's start become the start-corner block's; status 0.
void CRNNEAR(const f32& x, const f32& y, const f32& z, f32* corner, i32& status);
// Turns the ranges so that the passes start at the chosen corner: the first ranges of every surface of the chain, and
// for a single surface its second range; changed 1 when something was turned.
void STCSET(i32& changed, i32& status);
// True where surface 0's first range runs against the way from the start corner to the last pass's start.
bool STCREV1();
// True where surface 0's second range runs against the way from the start corner to the other end of the first pass.
bool STCREV2();
// Keeps the four corner points (the first three values of each evaluation) and their (u, v) in the start-corner
// block.
void CRNSTO(f32 (*evals)[9], f32 (*uvs)[2]);
// The (u, v) of corners 0 and 2 of the start-corner block.
void GETCRN(f32& u0, f32& v0, f32& u2, f32& v2);
// Width point: the user picks a surface (when there are several) and two points on it; its first range is fitted to
// them and every other surface's to its neighbour's along the chain (WIDFIT); widdef becomes 2.
void PCKWID(i32& widdef, const f32& tol, i32& status);
// Width-point dialog: two points picked on surface id with their (u, v).
void WIDPNT(const i32& id, f32* pt1, f32* pt2, i32& adjust, f32* uv1, i32& mode1, f32* uv2, i32& mode2,
            i32& status);

// ----------------------------------------------------------------- markers
constexpr i32 SLOT_PNT = 0;  // first of the four corner point ids of a slot
constexpr i32 SLOT_ARW = 4;  // first of its two arrow figures
// Shows the markers of surface id in slot: its four corner points (the first coloured) and two arrows along the
// passes; slot 0 also keeps the corners for the start corner. Status -1 for a bad slot, negative on failure.
void SRFDSP(const i32& id, const i32& slot, const i32* lim, const i32* crn, i32& status);
// Forgets the marker ids of every slot and the surfaces' normal arrows, the display untouched.
void FIGCLR();
// Erases and deletes the markers of slot.
void FIGDEL(const i32& slot);
// FIGDEL for every slot; the surfaces' normal arrows erased.
void FIGDAL();
// Final retract after the passes of an execution.
void ENDRET(i32& status);

// ------------------------------------------------ common edge of surfaces
void CMNEDG(const i32& mode, const i32& ida, const i32& idb, const i32& ia, const i32& ib, i32* lima, i32* limb,
            i32* crna, i32* crnb, i32& status);
// Closes the host array of handle (a negative handle counts as closed) and sets handle to -1; status nonzero (said)
// when the host cannot close it.
void dir_close_dm(i32& handle, i32& status);
// Opens a host array (handle) of the count points of surface id at the (u, v) pairs in uv; status nonzero on failure.
void PLY3D(const i32& id, const f32* uv, const i32& count, i32& handle, i32& status);
// Limit mode (0..7) for the piece `which` (1 or 2) of surface id at point, running along dir: 4 for code 1 (u first),
// +1 where dir runs down the first parameter, +2 where the second range is turned (which 1: point nearer the upper
// bound of the other parameter; which 2: nearer the lower).
void DIRPLN(const i32& which, const i32& id, const i32& code, const f32* point, const f32* dir, i32& mode,
            i32& status);
