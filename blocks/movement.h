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
    i32 link;      // link flag: 2 once the alterations start the first chain picked
};
extern MoveState MOVST;

// Machine type of the current tool path (set by the procedure start-up).
extern i32 TPMACH;

// Clears the last-move state (points at the origin, axes vertical).
void MOVCLR();
// Normals flag of the machine values: 0 writes moves with normals as simple
// moves.
i32 NORMFL();
bool multax(i32 machine);  // a multi-axis machine (25, 26, 61 to 79)

// Appends a line to point (kind 1 simple, 2 with normals, else with axes),
// a repeat dropped, split as three-axis moves ask, after the vertical start
// line of a multi-axis procedure; display 1 or 2 is the display mode.
void PLINE(const i32& kind, const f32* point, const f32* vector, const i32& display, i32& status);
void MOVLIN(const i32& kind, const f32* point, const f32* vector, i32& status);  // PLINE shown, normals as NORMFL allows
void MOVLNS(const i32& kind, const f64* point, const f64* vector, i32& status);  // MOVLIN of a double point
void MOVLN2(const i32& kind, const f32* point, const f32* vector, i32& status);  // PLINE in display mode 2
// Appends a point to the open string block of its kind (a new string block
// when none is open or a new one is asked for).
void MOVSTR(const i32& kind, const f32* point, const f32* vector, i32& status);
// Appends an arc in the plane (1 XY, 2 XZ, 3 YZ) by its angle and step about
// the centre's two coordinates to end.
void PCIRC(const i32& kind, const i32& plane, const f32& angle, const f32& step, const f32* centre, const f32* end,
           const f32* vector, const i32& display, i32& status);
// PCIRC with the step for the chord tolerance (nothing for a zero angle or radius).
void PARCPT(const i32& kind, const f32& tolerance, const i32& plane, const f32& angle, const f32* centre,
            const f32* end, const f32* vector, i32& status);
// PARCPT at tolerance 0.1.
void PARCLK(const i32& kind, const i32& plane, const f32& angle, const f32* centre, const f32* end,
            const f32* vector, i32& status);
// PCIRC at the step of tolerance 0.1 in display mode 2.
void PARCOP(const i32& kind, const i32& plane, const f32& angle, const f32* centre, const f32* end,
            const f32* vector, i32& status);
// Angular step of an arc of radius r for a chord tolerance, capped at 36
// degrees; 0 for a zero radius.
f32 arc_step_angle(const f32& tolerance, const f32& radius, const f32& angle);
// Appends a NURBS block of order k over n points and shows it in the display mode.
void PNURBS(const i32& unused, const i32& display, const i32& k, const i32& n, const f64* knots,
            const f64* points, i32& status);
void PNURB1(const i32& k, const i32& n, const f64* knots, const f64* points, i32& status);  // PNURBS, display 1
void PNURB2(const i32& k, const i32& n, const f64* knots, const f64* points, i32& status);  // PNURBS, display 2
void PCLSRQ(i32& status);  // the next string point opens a new string block
void PCLST1();             // PCLSST in mode 1

// Writes a marker block of the kind; action 1 opens (pushes) the code, 2
// closes it (a close without its open is warned about); a negative kind
// writes the changed technology first. The stack is restored on failure.
void PUTMRK(const i32& action, const i32& code, const i32& kind, const f32& rvalue, const i32& ivalue,
            i32& status);
// The marker block as the engines write it: action 1 opens, 2 closes a
// marker of the class (its code on the open-marker stack) and kind.
void tp_marker(const i32& action, const i32& cls, const i32& kind, const f32& rvalue, const i32& ivalue,
               i32& status);

// Closing of the movement output and the first-movement flag.
void PCLSST(const i32& mode);
void RSTMOV();  // clears the move-written flag
void CURBLK(i32& number);  // the current list level's block counter
