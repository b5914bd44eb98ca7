// Pass-output state: what the pass writer last wrote.
#pragma once

#include "core/words.h"

struct PasOut {
    f32 last[3];    // last point written
    f32 prev[3];    // the point written before it
    f32 axis[3];    // tool axis (or normal) at the last point
    f32 appnrm[3];  // approach normal: surface normal at the first point of the string
    f32 appvec[3];  // second approach vector (circular links)
    i32 npnts;      // points written in the current pass
    i32 retknd;     // retract kind: 1 plain retract, else the multi-axis final link
    f32 pasrec[6];  // surface normals at the start and the end of the pass
    f32 exitv[3];   // end normal of the previous pass
    f32 staxis[3];  // tool axis at the start of the pass
    f32 enaxis[3];  // tool axis at the last point of the pass
    f32 sidept[3];  // point beside the end of a circular pass
    f32 apaxis[3];  // approach axis of a circle
    i32 recsw;      // pass-record switch: set as a pass is entered, cleared by the multi-axis link after use
};
extern PasOut PASOUT;
