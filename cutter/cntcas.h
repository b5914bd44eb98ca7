// The cases of the exact clearance that share the solver's state block: the
// face case, the edge and vertex loop, the element recorders, the edge and
// point cases and the geometry they share. Only the solver's own files use
// them; every routine works on CNTSOL.
#pragma once

#include "cutter/cntsol.h"

// Face case for the current triangle: 1 when it recorded a result.
i32 CNTFCE();
// Face set-up of a tapered tool of sub-shape 6, then the tapered face case.
i32 CNTFC6();
// Face set-up of a tapered tool of sub-shape 7 or 8, then the face case.
i32 CNTFC7();
// Face case of a tapered tool from the face set-up.
i32 CNTFCT();
// Edges of the triangle, then the vertices that no edge accounted for.
void CNTEVL();

// Recorders: each measures the signed distance from triangle point T to one
// element and keeps it when it is the element's smallest so far.
// The shank: plan distance from the axis less the shank's radius.
void RECCYL(const f64* T);
// The rounding of the flank's top around the circle point CRNCTR.
void RECOFS(const f64* T);
// The flank cone, along its outward normal.
void RECCON(const f64* T);
// The corner torus around the circle point CRNCTR.
void RECTOR(const f64* T);
// The flat bottom: height below the bottom plane.
void RECBOT(const f64* T);
// The ball around the lowest element's centre.
void RECSPH(const f64* T);
// Records T with the recorder of region code 1 to 6.
void RECORD(i32 code, const f64* T);

// Derivative condition of the circle-to-line distance, from RTCOEF.
f64 CNTFNC(f64 t);

// Edge dispatcher by shape and sub-shape (EDGLO, EDGHI).
void CNTEDG();
// Point case of sub-shapes 5 and 6: P recorded against the element whose
// region holds it, the bottom by default.
void CNTVT5(const f64* P);
// Point case of sub-shapes 7 and 8: as CNTVT5, the ball by default.
void CNTVT7(const f64* P);
// 1 when P lies in separating cone k with lo - TOL_ZERO < P.z < hi + TOL_ZERO.
i32 CNINCN(const f64* P, i32 k, f64 lo, f64 hi);
// 1 when P lies in separating cone k with P.z < hi + TOL_ZERO.
i32 CNINCU(const f64* P, i32 k, f64 hi);
// 1 when P lies in the region of element code k for the current sub-shape.
i32 CNREGN(const f64* P, i32 k);
// Crossings of the edge's line with separating cone CONIDX.
void CNLNCN();
// Point of the circle (CIRCTR, CIRRAD) in EDGPNT's plan direction: CRNCTR.
void CNCIRP();
// Foot of the axis through CIRCTR on the edge's line, in plan: EDGPNT, EDGPAR.
void CNAXFT();
// Point of the circle (CIRCTR, CIRRAD) nearest the edge's line (CRNCTR) and
// its foot on the line (EDGPNT, EDGPAR).
void CNLNCR();
// Point of the edge's line nearest the flank cone: EDGPNT, EDGPAR (-1: none).
void CNLNTP();

// Edge case of a tapered tool with a flat bottom (sub-shape 5).
void CNTE05();
// Edge case of a short tapered tool whose bisectors cross (sub-shape 6).
void CNTE06();
// Edge case of a ball tip below the flank's top (sub-shape 7).
void CNTE07();
// Edge case of a ball tip above the flank's top (sub-shape 8).
void CNTE08();
