// Least form of the pocket offset driver (its levels, merges and cutting
// are not built yet): every run fails as an internal failure.
#include "pocket/rrpock.h"

void rrpock(PokPar&, f64*, const f64&, i32&, const i32&, const i32&, const f64&, const f64&, i32& status)
{
    status = 11;
}
