// Pieces carried onto the part surfaces.
#include "cleanup/mapgrid.h"

void lan_on_srf(const i32&, const i32&, const i32&, const i32&, const pokarr&, pokarr&, pokarr&, i32& status)
{
    status = -1;
}
