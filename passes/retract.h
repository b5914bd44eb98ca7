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

void ZRET(const i32& dim, const f32* point, const f32* axis, i32& status);
void ZAPR(const i32& dim, const f32* point, const f32* axis, i32& status);
void PLNZUP(const i32& dim, const f32* point, const f32* axis, const f32& offset, i32& status);
void STREND(const i32& dim, const f32* point, const f32* axis, const i32& mode, const f32& offset, i32& status);
void FAST2M(const i32& dim, const f32* point, const f32* axis, const i32& feed, const f32& offset, i32& status);
void SRFAPR(const i32& dim, const f32* target, const f32* dirpt, const f32* axis, const f32* axis2, const i32& count,
            i32& status);
// Retract from the current point (start), the point before it and its axis.
void SRFRET(const i32& dim, const f32* start, const f32* before, const f32* axis, const f32* axis2, const i32& count,
            i32& status);
// The link at the end of a pass, before an approach.
void ENDPLK(i32& status);
// The retract at the last pass point of four- and five-axis passes.
void MXFINL(i32& status);
void MOVLN3(const i32& dim, const f32* point, const f32* axis, i32& status);
// Straight move; with the rapid flag 1 at rapid feed.
void MOVRPD(const i32& dim, const f32* point, const f32* axis, const i32& rapid, i32& status);
// PLNZUP, STREND and FAST2M for double-precision points, axis and offset
// (taken to single precision first).
void PLNZPD(const i32& dim, const f64* point, const f64* axis, const f64& offset, i32& status);
void STRNDD(const i32& dim, const f64* point, const f64* axis, const i32& mode, const f64& offset, i32& status);
void FST2MD(const i32& dim, const f64* point, const f64* axis, const i32& feed, const f64& offset, i32& status);
