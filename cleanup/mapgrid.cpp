// Least form of the surface map grid's mode switch; the surface-road issue
// replaces it.
#include "cleanup/mapgrid.h"

void set_grid_mode(const i32&) {}
