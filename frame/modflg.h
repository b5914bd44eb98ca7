// Module flags and the one-block display hook.
#pragma once

#include <vector>

#include "frame/words.h"

// Shows the block at the list position (display modes 0-3); flag is set to
// 1 when the user asked for a pause while it was shown.
void DISPLB(const i32& mode, i32& flag, i32& status);
// Hold state of the retract-on-stop switch.
void HFLGET(i32& state);

// What the display hook saw: one entry per block shown.
struct ShownBlock {
    i32 mode;
    i32 type;  // type word of the element under the cursor, -1 none
    i32 code;  // element code
};
extern std::vector<ShownBlock> DSPLOG;
// Set to 1 to have the next display report a pause request.
extern i32 DSPPAU;
