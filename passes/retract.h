// Approach and retract motions between the strings of cutting motion: the
// link parameters, vertical and shaped approaches and retracts tested for
// gouging, the fast move over the part and the end-of-pass links.
#pragma once

#include "core/words.h"

// The link parameters, filled once per execution.
struct LnkPar {
    i32 kind;       // 1 vertical, 2 along the axis, 3/4 vertical arcs, 5 in line, 6 along the normal, 7 horizontal arc
    f32 length;     // approach length
    f32 radius;     // arc radius
    f32 dist[2];    // two link distances (kept)
    f32 safety;     // safety distance above the target
    f32 tol;        // tolerance
    f32 pofs, cofs; // part and check offsets of the gouge tests
    i32 gouge;      // 1: shaped motions are tested for gouging
    i32 nsrf, count, hmode;  // kept
    f32 hinc;       // kept
    i32 clrA, clrB; // clearance-move flags
};
extern LnkPar LNKPAR;

// The stock values of the clearance path (FAST2M and STREND of the stepped
// procedures, codes 34, 38 and 48). They belong to the calling engine's
// positioning parameters: the engine that runs such a procedure with a stock
// of its own sets them before its links, and zero means unset (no stock
// grid, no stock lift, no spiral entry, short travels as usual). No engine
// of this module sets them today, so they stay zero in its own runs.
// CLRSTK: stock top, stock step and stock lift. Codes 34 and 38 snap the
// travel height onto the grid of the step from the top down (a step not
// above 0 gives no grid) and widen the short-travel limit by 1.4142135 x the
// step; a long travel rises by the larger of the incremental height and the
// lift.
extern f32 CLRSTK[3];
// Spiral switch: 2 makes a short travel of codes 34 and 38 ask for the spiral
// entry (request 1); other values ask for none.
extern i32 CLRSPR;
// Code 48's stock switch: nonzero, no travel of code 48 counts as short.
extern i32 CLRS48;

// Rapid retract above point to its retract height (clearance plane, second plane or point plus the increment; never
// below the point); none while held at the clearance plane with no retract asked. dim 3 is refused with a message.
void ZRET(const i32& dim, const f32* point, const f32* axis, i32& status);
// Approach down to point: in the stepped procedures the end-of-string link and the plunge of PLNZUP; else a fast move
// to the safety distance above it and down at the reduced feed.
void ZAPR(const i32& dim, const f32* point, const f32* axis, i32& status);
// Plunge to point: to offset above it (where the tool is higher) and down at the reduced feed, or at rapid where
// offset is 0; then the cutting feed is requested. Nothing at the point itself.
void PLNZUP(const i32& dim, const f32* point, const f32* axis, const f32& offset, i32& status);
// Link from the end of a string to above point at feed code 27: up to the retract height and across, or in the
// stepped procedures the clearance path; modes 1 to 3 (others do nothing); held at the clearance plane with no
// retract asked, only up to offset above the point.
void STREND(const i32& dim, const f32* point, const f32* axis, const i32& mode, const f32& offset, i32& status);
// Fast move to point over the part: up to the travel height (clearance or second plane, else the current height plus
// the increment, at least offset above point), across and down; the clearance path in the pocketing procedures. A
// dim above 10 requests rapid again after the crossing; feed nonzero the cutting feed for the last move down.
void FAST2M(const i32& dim, const f32* point, const f32* axis, const i32& feed, const f32& offset, i32& status);
// Approach to target by the link kind: vertical (kind 1 or count 1), along axis, in line from dirpt's side, along the
// horizontal part of axis, or an arc; a shape that cannot be built, or gouges, falls back to the vertical approach;
// axis2 is the tool axis of the moves; count 0 does nothing.
void SRFAPR(const i32& dim, const f32* target, const f32* dirpt, const f32* axis, const f32* axis2, const i32& count,
            i32& status);
// Retract from the current point (start), the point before it and its axis.
void SRFRET(const i32& dim, const f32* start, const f32* before, const f32* axis, const f32* axis2, const i32& count,
            i32& status);
// The angular step of a horizontal arc link of radius r (degrees, 0.01 to
// 11.25) at the link tolerance.
f32 harc_step(f32 r);
// The link at the end of a pass, before an approach.
void ENDPLK(i32& status);
// The retract at the last pass point of four- and five-axis passes.
void MXFINL(i32& status);
// Straight move to point at the reduced feed, the cutting feed requested after; dim is not read.
void MOVLN3(const i32& dim, const f32* point, const f32* axis, i32& status);
// Straight move; with the rapid flag 1 at rapid feed.
void MOVRPD(const i32& dim, const f32* point, const f32* axis, const i32& rapid, i32& status);
// PLNZUP, STREND and FAST2M for double-precision points, axis and offset
// (taken to single precision first).
void PLNZPD(const i32& dim, const f64* point, const f64* axis, const f64& offset, i32& status);
// STREND in double precision.
void STRNDD(const i32& dim, const f64* point, const f64* axis, const i32& mode, const f64& offset, i32& status);
// FAST2M in double precision.
void FST2MD(const i32& dim, const f64* point, const f64* axis, const i32& feed, const f64& offset, i32& status);
