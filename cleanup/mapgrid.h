// What the pocket engine uses of the surface map grid (least forms until the
// surface road is built).
#pragma once

#include "core/words.h"

// Sets the grid's projection mode word. Least form: does nothing.
void set_grid_mode(const i32& value);
// Sets up the pocket's map grid over the contours with their allowances.
// Least form: answers 0 and fills nothing (no set-up asks for the grid).
void map_setup(const f64* allow, i32& status);

struct pokarr;
// Carries a move across the map grid (mode 0). Least form: status -1, the
// output untouched (a plane pocket never asks).
void lan_on_grid(const i32& mode, const pokarr& in, pokarr& out, i32& status);
// Carries a piece onto the part surfaces. Least form: status -1, nothing
// written (a plane pocket never asks).
void lan_on_srf(const i32& local, const i32& smooth, const i32& raw_out, const i32& no_bridge, const pokarr& in,
                pokarr& out, pokarr& raw, i32& status);
