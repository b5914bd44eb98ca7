// What the pocket engine uses of the surface map grid (least form until the
// surface road is built).
#pragma once

#include "core/words.h"

// Sets the grid's projection mode word. Least form: does nothing.
void set_grid_mode(const i32& value);
