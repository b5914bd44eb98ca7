// Movement writers: lines, arcs, strings of lines and NURBS appended to the
// tool path list, with dropped repeats, split three-axis moves, the vertical
// start line of a multi-axis procedure and the technology blocks that changed;
// markers and texts; closing the movement output of a procedure.
#pragma once

#include "core/words.h"

// Last-move state of the movement writers. The move-written flag is word 11
// of "LSP2".
struct MoveState {
    f32 point[3];
    f32 axis[3];
    f32 normal[3];
    i32 newproc;   // a procedure block was just written
    i32 restart;   // the next string point opens a new string block
    i32 closed;    // the movement output is closed (PCLSST ran)
    i32 strtype;   // type of the open string block, 0 none
    i32 strcode;   // its list element
};
extern MoveState MOVST;

// Machine type of the current tool path (set by the procedure start-up).
extern i32 TPMACH;

// Clears the last-move state (points at the origin, axes vertical).
void MOVCLR();
// Normals flag of the machine values: 0 writes moves with normals as simple
// moves.
i32 NORMFL();
bool multax(i32 machine);

void PLINE(const i32& kind, const f32* point, const f32* vector, const i32& display, i32& status);
void MOVLIN(const i32& kind, const f32* point, const f32* vector, i32& status);
void MOVLNS(const i32& kind, const f64* point, const f64* vector, i32& status);
void MOVLN2(const i32& kind, const f32* point, const f32* vector, i32& status);
void MOVSTR(const i32& kind, const f32* point, const f32* vector, i32& status);
void PCIRC(const i32& kind, const i32& plane, const f32& angle, const f32& step, const f32* centre, const f32* end,
           const f32* vector, const i32& display, i32& status);
void PARCPT(const i32& kind, const f32& tolerance, const i32& plane, const f32& angle, const f32* centre,
            const f32* end, const f32* vector, i32& status);
void PARCLK(const i32& kind, const i32& plane, const f32& angle, const f32* centre, const f32* end,
            const f32* vector, i32& status);
void PARCOP(const i32& kind, const i32& plane, const f32& angle, const f32* centre, const f32* end,
            const f32* vector, i32& status);
// Angular step of an arc of radius r for a chord tolerance, capped at 36
// degrees; 0 for a zero radius.
f32 ARCSTP(const f32& tolerance, const f32& radius, const f32& angle);
void PNURBS(const i32& unused, const i32& display, const i32& k, const i32& n, const f64* knots,
            const f64* points, i32& status);
void PNURB1(const i32& k, const i32& n, const f64* knots, const f64* points, i32& status);
void PNURB2(const i32& k, const i32& n, const f64* knots, const f64* points, i32& status);
void PCLSRQ(i32& status);
void PCLST1();

void PUTMRK(const i32& action, const i32& code, const i32& kind, const f32& rvalue, const i32& ivalue,
            i32& status);
// The marker block as the engines write it: action 1 opens, 2 closes a
// marker of the class (its code on the open-marker stack) and kind.
void tp_marker(const i32& action, const i32& cls, const i32& kind, const f32& rvalue, const i32& ivalue,
               i32& status);

// Closing of the movement output and the first-movement flag.
void PCLSST(const i32& mode);
void RSTMOV();
void CURBLK(i32& number);
