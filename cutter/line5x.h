// The five-axis link walk of the string positioning.
#pragma once

#include "core/words.h"

// The tool walked from start to end over the triangle model with its axis
// turning from LOCSN1 to LOCSN2 (the first argument is not read): the
// positions and axes of the walk cut into strings of at most maxpoints
// points in all and maxstrings strings (counts per string, total), the
// allowances as for the string positioning. Status negative on failure.
void LINE5X(const i32& unused, const f32* start, const f32* end, const f32& tolerance, const f32& allowance_a,
            const f32& allowance_b, const i32& maxpoints, const i32& maxstrings, f32* points, f32* axes,
            i32& nstrings, i32* counts, i32& total, i32& status);
// Forgets the walk's work array and its carried record (the module's load).
void LN5INI();
// Closes the walk's work array and forgets it as LN5INI does. The host's
// close status is handed back so that a caller can tell a close the host
// refused; the state is forgotten either way, and callers that need no
// answer leave it unread.
void LN5FRE(i32& status);
