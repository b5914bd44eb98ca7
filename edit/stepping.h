// MOVE TOOL of the manual editor: the stepping state and the movers that
// walk the tool along the motion blocks of the current list (forward,
// backward, to the first or last motion, to a block, by layers or passes,
// to the layer of a Z value), with the marks and blanking of what is shown
// and the technology state restored after a move.
#pragma once

#include "core/words.h"

// Block key handed to the host's display-block routines: a depth, then the
// numbers from the outermost list down (here the list and the block; -1 no
// block).
constexpr i32 KEY_N = 11;

// The stepping state, kept from one editing run to the next.
struct StepState {
    i32 direction;   // 1 FORWARD, 2 BACKWARD, 3 JUMP
    i32 jump;        // 1 JUMP START, 2 JUMP END, 3 JUMP LAYER/Z, 4 JUMP BLOCK
    i32 count;       // COUNT, 1 .. 9999
    i32 show;        // 1 SHOW ALL, 2 SHOW BLOCK, 3 SHOW LAYER (PASS)
    i32 blank;       // 1 none, 2 BLANK ALL, 3 BLANK 2STRT, 4 BLANK 2END, 5 UNBLANK ALL
    i32 follow;      // 1 normal, 2 trace
    i32 layering;    // -1 none, 4 Z layers, 6 passes (3 during a search)
    i32 step;        // 1 BLOCK STEP, 2 LAYER STEP or PASS STEP
    i32 first[KEY_N];  // key of the first motion block
    i32 last[KEY_N];   // key of the last motion block
    i32 shown[2];      // first and last shown block, -1 when not set
    f32 layerz;        // Z of the current layer
};
extern StepState MOVSTA;
// Re-state words of technology parameters 1, 2, 3, 5, 10, 55 and 100: set by
// the backward walk, cleared for each parameter whose block it passed.
extern i32 MOVRST[7];
// The block numbers before and after a JUMP BLOCK move.
extern i32 MOVJMP[2];

// A key of depth 2 on the current list and the block.
void blkkey(i32* key, const i32& block);

// One MOVE TOOL action by the stepping state; the current key ends on the
// new block. DELAY -1 means none. Status 0, 1 at an end of the list,
// negative on failure (-3 a refused display).
void STEPTL(const i32& target, const i32& delstart, const i32& mode, i32* key, i32& type, const f32& delay,
            const f32& z, i32& status);
// Forward by count motions (out: the motions made).
void MVFRWD(const i32& trace, i32& count, i32& number, i32& type, i32& status);
// Backward by count motions; status 2 when a layer end was passed.
void MVBCWD(i32& count, i32& number, i32& type, i32& status);
// To the first motion of the list, showing the blocks passed.
void JPSTRP(i32& number, i32& type, i32& status);
// To the last motion of the list.
void JPENDP(i32& number, i32& type, i32& status);
// To the motion of the target number (in/out); -2 when it is not found.
void JPINDP(const i32& current, i32& target, i32& type, i32& forward, i32& status);
// The motion n layers (passes) away, or at the layer of Z (counts 0); the
// list position is kept. Status 1 when an end of the list was reached.
void LYRSTP(const i32& n1, const i32& n2, const f32& z, i32& number, i32& status);
// Sets the stepping state for a new editing run.
void STPINI(const i32& single, i32& at_end, i32& status);
// Finds the first and last motion keys of the list.
void PRCRNG(i32& status);
// Shows only the current layer.
void SHWLYR();
// Marks the current block and unblanks what the step passed.
void STPSHW(const i32* key, const i32& forward, const i32* previous, const i32& blank);
// Removes the previous mark and copies the key.
void ATNOFF(i32* key, const i32& delstart, const i32& mode, i32* previous);
// One motion forward (1) or backward (2), marked and displayed.
void MRKSTP(const i32& direction, i32* key, i32& type, i32& status);
// Restores the technology state in force at the current block.
void UPDBOT(i32& status);
