// Least forms of the surface map grid's mode switch and set-up; the
// surface-road issue replaces them.
#include "cleanup/mapgrid.h"

void set_grid_mode(const i32&) {}

void map_setup(const f64*, i32& status) { status = 0; }

void lan_on_grid(const i32&, const pokarr&, pokarr&, i32& status) { status = -1; }

void lan_on_srf(const i32&, const i32&, const i32&, const i32&, const pokarr&, pokarr&, pokarr&, i32& status)
{
    status = -1;
}
