// Working state of the surface-milling passes: the pass table (one entry per
// surface of the chain, numbered from 1), the pass state, the pass strings of
// one pass and the pass-output state.
#pragma once

#include "core/words.h"
#include "passes/pasout.h"
#include "passes/services.h"
#include "passes/srfgeo.h"

// ------------------------------------------------------------ pass table
struct PasTab {
    f32 PSTART[MAXSRF];  // start of the stepping range
    f32 PEND[MAXSRF];    // end of the stepping range (the last pass)
    f32 ASTART[MAXSRF];  // start of the along range
    f32 AEND[MAXSRF];    // end of the along range
    f32 PCUR[MAXSRF];    // stepping parameter of the current pass
    f32 USTEP[MAXSRF];   // first-guess steps in u and in v
    f32 VSTEP[MAXSRF];
    i32 PCODE[MAXSRF];   // stepped parameter: 1 u, 2 v
    i32 REVFLG[MAXSRF];  // surface of revolution about z: 1 or -1
    f32 PDELTA[MAXSRF];  // step of the surface for the next pass
};
extern PasTab PASTAB;
// Surface i of the chain, counted from 1.
inline i32 six(i32 i) { return i - 1; }

// ------------------------------------------------------------ pass state
// NPASS, LSTPAR and LSTEND (kept with the procedure) are declared with the
// frame's services.
extern i32 NBKUP;    // passes (or surfaces) counted for the backup rhythm
extern i32 PASFST;   // surface at which the current pass starts
extern f32 LSTBEG;   // along value where the last pass began
extern i32 CLSFLG;   // the passes of the chain end where they start
constexpr i32 DIRMAX = 90;  // surfaces with pass-end directions
extern i32 DIRVLD;
extern f32 DIRTAB[4][DIRMAX][3];  // start points, start directions, end points, end directions
extern i32 SRFEVL;   // three-axis warning flag of the tool placing
extern i32 PNDAPP;   // the next string is entered by an approach
extern i32 CUTSGN;   // side sign of the current surface's passes

// ------------------------------------------------------------ pass strings
// The entry table: one entry per surface of the procedure (at most 120),
// and one more for the side-step link a pass opens with, which takes an
// entry of its own before the surfaces' entries (a 120-surface zigzag
// would otherwise stop on its second pass).
constexpr i32 PS_SRF = 121, PS_STR = 605, PS_PNT = 100000, PS_CIR = 120;
struct PasStr {
    i32 PSNSRF, PSNSTR, PSNPNT, PSNCIR;
    i32 PSMODE[PS_SRF];   // 1 strings of points, 2 one circle
    i32 PSKIND[PS_SRF];   // pass kind: the link code of the entry's strings
    i32 PSSURF[PS_SRF];   // surface number in the procedure's list, from 1
    i32 PSSCNT[PS_SRF];   // strings of the entry
    i32 PSSLEN[PS_STR];   // points of each string
    // Tool points, always xyz: the tool axis of every point is kept beside
    // it in PSVECS, so the values-per-point word (468) is not read; the
    // parameter page sets it to 3 on every accept, and a 6 left in an old
    // record changes nothing (the axis would be read from PSVECS anyway).
    f32 PSPNTS[PS_PNT][3];
    f32 PSVECS[PS_PNT][6];  // tool axis (three-axis: the placing normal), surface normal
    // circles
    i32 PSCFLG[PS_CIR];
    f32 PSCANG[PS_CIR];
    f32 PSCCEN[PS_CIR][2];
    f32 PSCEND[PS_CIR][3];
    f32 PSCBEG[PS_CIR][3];
};
extern PasStr PASSTR;

// Marks the next string to be entered by an approach (PNDAPP).
void SETFST();
// Empties the pass strings of one pass.
void RSTPAS();
