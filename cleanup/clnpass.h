// What the surface-milling pass loops hand to the clean-up: the bucket grid
// over the part, the comparison of the passes, the regions and their
// release, and the store of written pass strings.
#pragma once

#include "core/words.h"

void CLNGRD(const f32* box, i32& status);
void clnpas(const f32& tol, const f32& value, i32& status);
void clndsp(i32& status);
void clnrst();
void clndrv(i32& work1, i32& work2, i32& status);
void clnrls(i32& status);
// Stores the points of a written string (n points, three reals each).
void storps(const f32& tol, const i32& mode, const f32* pts, const i32& n, i32& status);
void strrel(i32& status);
// Strings stored since the last release.
i32 strcnt();
