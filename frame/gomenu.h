// GO procedures: the GO menu of the five machine families, the points the
// user indicates, the motions written into the tool path, and the part
// plane of the "Z ON PLANE" option with the tool's height on it.
#pragma once

#include "core/words.h"

// GO kinds, Z modes and the GO types (machine families).
enum GoKind : i32 { GO_POINT = 1, GO_DELTA, GO_HOME, GO_CLEAR, GO_ZPLANE, GO_AXIS };
enum GoZMode : i32 { Z_FREE = 1, Z_SAME, Z_ONLY, Z_PLANE };
enum GoType : i32 { GT_MILL = 1, GT_MULTI, GT_TWOAXIS, GT_TURN, GT_WIRE };

// The GO menu's state, kept between calls as module words.
struct GoState {
    i32 kind = GO_POINT;
    i32 zmode = Z_FREE;
    i32 plane_choice = 1;   // 1 current plane, 2 define part plane
    i32 speed = 1;          // 1 at feed, 2 fast (the parameter menu sets 1, the GO menu 2)
    i32 wire = 1;           // 1 thread, 2 cut (the module's wire word)
    f32 delta[3] = {0, 0, 0};
    f32 plane[4] = {0, 0, 1, 0};  // Nx x + Ny y + Nz z + d = 0
    i32 plane_defined = -1; // -1 none yet, 0 defined
    i32 axis_mode = 1;      // 1 vertical axis, 3 the indicated or current axis
    i32 two_point = 0;      // a tool axis is indicated as well as the point
    i32 pick = 0;           // the kind needs an indicated point
    i32 turn_side = 1;      // turning: 2 the reversed side
    f32 stored_normal[3] = {0, 0, 0};  // the normal of the plane defined last
};
extern GoState GOST;

// The GO menu of the GO type (1 to 5): in a tool path (intp nonzero) the
// first motion opens the procedure block; moved is set then, changed after
// every motion. toolflags go to the tool menu, display/options to the
// display options. Status 0, -3 when a motion could not be written, or the
// negative status of a refused machining type or menu start.
void GOMENU(const i32& type, const i32& intp, const i32* toolflags, const i32* display, const i32* options,
            i32& moved, i32& changed, i32& status);
// Reads the point (and with two_point the tool axis) of the kind. Status 0,
// else the host's answer (-1 exit, -2 escape, -3 end).
void GOPICK(const i32& two_point, const i32& kind, i32& axis_mode, f32* point, f32* axis, i32& status);
// Writes the GO motion of the kind to the target (the indicated point, or
// the delta). Status 0, -1 on a failure.
void GOMOVE(const i32& type, const i32& intp, const i32& kind, const i32& axis_mode, const i32& zmode,
            const f32* plane, i32& moved, f32* target, const f32* delta, f32* axis, i32& status);
// The part plane under a title of at most 25 characters: PLNDEF.
void PLNMNU(const char* title, i32& way, f32* plane, i32& status);
// Defines the part plane in one of seven ways (way outside 1-7: asked).
// Status 0, or the negative choice.
void PLNDEF(const char* title, i32& way, f32* plane, i32& status);
// Sets the point's z to the height where the current tool touches the plane
// above (x, y). Answers 0, -1 for a vertical plane, -2 for a tool with a
// negative diameter or corner radius (z kept; both reported).
i32 PLNZ(f32* point, const f32* plane);
