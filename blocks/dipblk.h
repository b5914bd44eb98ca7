// Per-type block displayers: each shows the values its reader unpacked,
// through the registered display blocks, and updates the display record
// "DSP8", the modal state, the cycle state and the header record "NPT1".
// Arguments: the display source (or access mode), the display mode (0 erase,
// 1 draw, 2 update the state only; the technology displayer also 3), the
// block's values, the machine type of the tool path and the show-tool flag.
#pragma once

#include "core/words.h"

// Cycle state kept between blocks for the drill display.
struct CycleState {
    i32 active, kind;
    f32 first;      // the activation's first real, or a del-Z value
    f32 depth;      // the activation's second real, or a depth block's
    f32 clearance;  // the activation's third real
    i32 retract;    // retract mode
    f32 height;     // retract height
    f32 running;    // running height
};
extern CycleState CYCST;

// Reads the UCS entity's origin and frame (rows); set by the module at load.
using UcsReader = void (*)(const i32& id, f32* origin, f32* matrix, i32& status);
extern UcsReader DSPUCS;

// Tool path header: header holds the 47 words after the block number.
void DIPBT0(const i32& source, const i32& mode, const i32& number, const i32* header, i32& status);
// Technology parameter code with its value (integer or real by its type).
void DIPBT1(const i32& source, const i32& mode, const i32& number, const i32& code, const i32& ivalue,
            const f32& rvalue, const i32& machine, const i32& showtool, i32& status);
// One line or string record of type 2, 22, 222, 7, 27 or 227.
void DIPBT2(const i32& source, const i32& mode, const i32& type, const i32& number, const f32* point,
            const f32* vector, const i32& machine, const i32& showtool, i32& status);
// Arc of type 3, 23 or 223.
void DIPBT3(const i32& source, const i32& mode, const i32& type, const i32& number, const i32& plane,
            const f32& angle, const f32& step, const f32* centre, const f32* end, const f32* vector,
            const i32& machine, const i32& showtool, i32& status);
// NURBS block, read here (size from the head) and shown; the list
// transformation (matrix, translation) is applied to its control points.
void DIPBT5(const i32& source, const i32& mode, const i32& size, const f32* matrix, const f32* translation,
            const i32& showtool, i32& status);
// Home: the header's home point, the current position and the heights.
void DIPBT6(const i32& source, const i32& mode, const i32& number, const f32* home, const i32& showtool,
            i32& status);
// Machine-system rotation about a centre by an angle (axis code), with the
// view words and the end point.
void DIPBT9(const i32& source, const i32& mode, const i32& number, const i32& axes, const f32* centre,
            const f32& angle, const i32& view, const f32& vvalue, const f32* point, const i32& showtool,
            i32& status);
// Rotation axes: kept as the record "RAXN".
void DIPB10(const i32& i1, const f32* first, const f32* second, const i32& i2, const f32& r);
// Lathe drill: a drill move lowered by the value in X and back.
void DIPB11(const i32& source, const i32& mode, const i32& number, const f32& value, const i32& showtool,
            i32& status);
// Procedure block: level table, default attributes and blank state; opens
// the sub-list (status 0) or answers 1 when the blocks lie elsewhere.
void DIPB12(const i32& source, const i32& mode, const i32& number, const i32& blank, i32& status);
// The level table and blank state of DIPB12 alone, for the block copier.
void DIPB1C(const i32& source, const i32& mode, const i32& number, const i32& blank);
// Thread cycle: its end point becomes the current position.
void DIPB13(const i32& source, const i32& mode, const i32& number, const f32* end, i32& status);
// Groove cycle: to its end point and back to its start.
void DIPB14(const i32& source, const i32& mode, const i32& number, const f32* start, const f32* end,
            const f32* six, const i32& machine, const i32& showtool, i32& status);
// Cycle activation: the cycle state set from its values.
void DIPB30(const i32& kind, const f32& first, const f32& depth, const f32& clearance, const i32& retract,
            const f32& height);
// Drill location: the moves of the active cycle in the drill direction's frame.
void DIPB31(const i32& source, const i32& mode, const i32& number, const f32* point, const f32* direction,
            const i32& machine, const i32& showtool, i32& status);
void DIPB32(const f32& height);   // setting: the retract height
void DIPB33(const f32& value);    // del-Z: the running height lowered
void DIPB34(const i32& retract);  // retract mode
void DIPB35();                    // cycle cancel
void DIPB36(const f32& depth);    // depth setting
// Tool path transformation: "TRS1" active with the matrix and translation.
void DIPB40(const f32* matrix, const f32* translation);

// Half the current tool's size: the step of the tool figure along moves.
f32 figstp();
