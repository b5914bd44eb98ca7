// The area-clearing set-up: the pocket engine's parameters from the tool
// and the caller's values, the contours stored into the main arrays with
// their input table, the pocket's box and origin, and a stack of saved
// engine states so that one area clearing may run inside another.
#pragma once

#include "core/words.h"
#include "pocket/pokvals.h"

// Contours an area clearing takes: as many as the input contour table has
// rows for. The table fills 83,340 words of the saved state: five header
// words and 16,667 rows of five words, the row after the last contour
// holding the next free index, so 16,666 contours; the 16,667th is refused
// with a message. Their allowances all lie within the parameter record's
// table (the last island's at 10000 + 16,664).
constexpr i32 PK_MAXCONT = 16666;
static_assert(10000 + PK_MAXCONT - 1 <= PK_NALLOW, "every contour's allowance lies within the table");

// The input contour table: rows from 1, one a contour, in the columns of
// the loop table they become; row count + 1 holds the next free index.
struct ClrContab {
    i32 key[PK_MAXCONT + 2];
    i32 subkey[PK_MAXCONT + 2];
    i32 start[PK_MAXCONT + 2];
    i32 parent[PK_MAXCONT + 2];
    i32 level[PK_MAXCONT + 2];
    i32 count;       // contours stored
    i32 islands;     // contours less one
    i32 header[3];   // 0, islands, 1
};
extern ClrContab clr_contab;

// Sets the engine's parameters: cut mode 0, 1, 2 (cut_mode -1, 1, -2), the
// end value when has_end, the side value, one allowance a contour (outer
// first). Status 0.
void clr_set_params(const i32& mode, i32 has_end, const f32& end_val, const f32& side, const i32& count,
                    const f32* allowances, i32& status);
// Stores one contour of `count` points (2 floats a point in a plane pocket,
// else 3); the outer one first sets the box and the origin. Status 0 or the
// main arrays' failing status.
void clr_add_contour(const i32& outer, const i32& count, const f32* points, i32& status);
// Clears the origin, the box and the extent, and turns the pocket's drawings
// off.
void clr_reset_box();
// Mode 1 pushes the engine's state (parameters, box, input table, main
// arrays, loop table, polygon buffer 1, the pool's taken buffers) and hands
// the nested clearing empty ones; any other mode pops it back, freeing only
// what the nested clearing took.
void clr_save_state(i32 mode);
// Frees the pool buffers the current clearing took (every buffer when no
// state is saved).
void clr_release_own();
// Saved states on the stack.
i32 clr_save_depth();
