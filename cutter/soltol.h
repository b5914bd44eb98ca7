// The tolerances of the contact solvers, each named by what it bounds. All
// are double precision; lengths and heights are in model units.
#pragma once

#include "core/words.h"

// A length, a direction's component, a sum of coordinate magnitudes, a
// determinant or a denominator below this counts as zero: the vector or the
// component is absent, the system has no single solution.
constexpr f64 TOL_ZERO = 1e-10;

// Heights or signed distances closer than this count as one level: a point
// on the boundary between two parts of the tool, on the plane of a tool
// part, or on the inner side of a face or a sweep.
constexpr f64 TOL_LEVEL = 1e-8;

// A contact of a tapered tool within this height of a tangency height lies
// on the crossing of the two parts of the tool that meet there.
constexpr f64 TOL_CROSS = 1e-7;

// Residual at which a root search stops, and the slack of an inclusive
// bound on a parameter, a radius or a sweep's side.
constexpr f64 TOL_ROOT = 1e-11;

// A corner radius below this fraction of the tool's radius leaves a
// flat-ended tool.
constexpr f64 TOL_FLAT = 1e-5;

// The relative precision of single-precision tool values: a flat radius
// below this fraction of the tool's size is a ball tip.
constexpr f64 TOL_SINGLE = 1e-6;

// A taper angle (radians) this small (below it, or up to it in the
// contact set-up) counts as no taper.
constexpr f64 TOL_TAPER = 0.0001;
