// Least forms of the offset engine's entries that the common-loop builder
// calls; the offset issue replaces them.
#include "pocket/oneoff.h"

void oneoff_pokarr(const i32&, pokarr&, const i32&, const i32&, const f64&, const f64&, const f64&, const i32&,
                   const i32&, const i32&, i32&, const i32&, i32, i32& status)
{
    status = 11;
}

i32 lup_tree_find(i32, i32, i32) { return 0; }
