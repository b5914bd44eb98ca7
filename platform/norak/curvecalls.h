// The host's curve objects: the one space of their handles, and the B-spline
// calls of the tool path display (evbcre_bsp and crvpld2 of ncdisplay.cpp) as
// a test can steer them.
#pragma once

#include <string>

#include "core/words.h"

namespace norak {

// The host has one space of curve handles, shared by the curves of both
// forms of evbcre_bsp: the display's curves are numbered from 1 in a session,
// the cubic curve objects of the spline services from above this bound. So
// evbfre frees the curve its handle names, whichever form made it.
constexpr i32 CUBIC_CURVES = 1 << 30;

// The n-th call from now of "evbcre_bsp" or "crvpld2" is refused (0: none):
// it notes "curve: <routine> refused", makes no curve (no point) and answers
// status -1.
void refuse_curve_call(const std::string& routine, i32 n);
// Curves made by evbcre_bsp and not freed yet.
i32 live_curves();

}  // namespace norak
