// The hatch fill inside a loop: one straight line from a start towards a
// target across loops held as float polylines, its crossings with the loop
// edges found, ordered and cleaned, and the crossings between the start and
// the target written out as a lane of points.
#pragma once

#include "core/words.h"

// Crossings listed at most (the fill reports reaching this bound).
constexpr i32 HATCH_MAX = 2000;

// The lane output of the fill: host array handle (-1 not open yet), its
// capacity in doubles and the write offset (doubles) of this call.
struct HatchOut {
    i32 handle = -1;
    i32 capacity = 0;
    i32 offset = 0;
};

// Lays the line from `start` towards `target` over the loops of set A and,
// for kinds 1 to 3, set B (each loop: its point count, then x, y float
// pairs, the last repeating the first) and writes a lane from the write
// offset on. Kind 6: the crossings from the start to the target as (x, y)
// doubles; 4: also those before the start; 5: as 6. Kinds 1 to 3 keep the
// crossings that bound the outermost stretches inside a loop: 3 counts them,
// 2 writes them with the boundary between the two crossings of each loop,
// 1 reaches the same points by entry moves. A kind of 10 or more is that
// kind less 10 with the alternate flag (a start just inside the area snaps
// the first crossing to it). out count: points written (kinds 2, 4, 5, 6)
// or crossings kept (3); flag 1: the lane passes a place outside the area
// or that the tool would not clear. Status 0, the host's status of a failed
// array operation, a negative status of an entry move or of the clearance
// test, -1 for an unknown kind ("LAN_HATCH_FILL, KIND NOT AVAILABLE"), or 12
// when the crossings pass HATCH_MAX ("LAN_HATCH_FILL, NUMBER OF CROSSINGS IS
// LIMITED TO 2000"; nothing written).
void lan_hatch_fill(const i32& kind, const f32* setb, const i32& nb, const f32* seta, const i32& na,
                    const f64* start, const f64* target, i32& count, HatchOut& out, i32& flag, i32& status);
// Base of the fill's lane output array (null when not open).
const f64* hatch_points(const HatchOut& out);
// Closes the lane output array (handle back to -1).
void hatch_close(HatchOut& out);

// Removes hatch point i (0-based) by moving the k entries after it down one
// place in all five columns; count drops by one.
void pkhatch_drop(i32 k, i32 i, f32* uv, i32* sides, i32* loops, i32* edges, i32& count);

// The boundary of loop k of a set between the crossings on edges a and b
// (edge j runs from point j to j + 1): the points walked in `sense` (1 with
// the loop's order), unless the other way is shorter than 0.8 of it or it is
// under 0.1 long; the sense taken is written back. Kind 1 reaches each point
// by an entry move, other kinds append it to the lane (count raised).
void pkbound_walk(i32& kind, const f32* loops, const i32& nloops, const i32& a, const i32& b, i32& sense,
                  const i32& k, i32& count, HatchOut& out, i32& status);

// Clearance of a lane over the part surfaces with the tool narrowed by
// 2 x side: hit 1 when the tool stands above small_val + side at the start
// or meets the part on a stretch between the start, the crossings (u, v in
// the frame of the line start-target, ordered from the start) that pass
// from one loop to another, and the target. Status -1 when a positioning fails. The tool's diameter
// and corner radius are put back.
void pkhatch_segment(const f32* start, const f32* target, const f32* uv, const i32* loops, i32 m, i32& hit,
                     i32& status);

// The view of the pocket debug display: a 3 x 3 matrix (row by row), an
// origin and a state (0 points copied, 1 the matrix still to be transposed,
// 2 ready). All zero at load.
struct PkDbgView {
    f64 m[9];
    f64 origin[3];
    i32 state;
};
// The view record, for the debug display to set.
PkDbgView& pkdbg_view_state();
// Transposes the view matrix in place; state 2.
void pkdbg_view_init();
// A point seen through the view: copied in state 0, else matrix times the
// point plus the origin (the matrix transposed first in state 1).
void pkdbg_view(const f64* point, f32* out);

// The contour-cleaning pass word (clr_nest_mode, 1 at load): set and read.
void ccl_pass_set(i32 value);
void ccl_pass_get(i32& value);  // reads the pass word
