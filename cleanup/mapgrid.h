// What the pocket engine uses of the surface map grid (least forms until the
// surface road is built).
#pragma once

#include "core/words.h"

// Sets the grid's projection mode word. Least form: does nothing.
void set_grid_mode(const i32& value);
// Sets up the pocket's map grid over the contours with their allowances.
// Least form: answers 0 and fills nothing (no set-up asks for the grid).
void map_setup(const f64* allow, i32& status);
