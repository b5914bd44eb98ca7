// The block display: one block shown at the cursor, the block-display state,
// the tool figure and the status-line fields it refreshes. Until the full
// display is built, showing a block records it and takes the tool position
// from line blocks.
#pragma once

#include <vector>

#include "core/words.h"

void DSPBLK(const i32& mode, const i32& source, i32& type, i32& hit, i32& status);
void DSPINI(const i32& mode);
void DSPPRC(const i32& source, const i32& mode, const i32& index, i32& status);
void TOLMOV(const i32& figure, const f32* point, const f32* axis, const i32& mode);
void MUTOOL(const i32& mode);
void MUALL(const i32& mode);

// What the display saw: one entry per block shown.
struct ShownBlock {
    i32 mode;
    i32 type;  // type word of the element under the cursor, -1 none
    i32 code;  // element code
};
extern std::vector<ShownBlock> DSPLOG;
// Set to 1 to have the next display report a pause request.
extern i32 DSPPAU;
