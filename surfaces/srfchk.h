// The surface checks made before a surface is approximated or machined: a
// surface the module cannot hold or whose parametrization has collapsed is
// refused and goes to the bad surfaces.
#pragma once

#include "core/words.h"

// Samples of the check in each parameter direction.
constexpr i32 SCK_GRID = 33;
// Smallest extent (units) of a surface: below it the surface lies within one
// step of the triangle grid.
constexpr f64 SCK_MINSIZE = 1.0e-3;
// A parametrization has collapsed when half of the steps between neighbouring
// samples are shorter than this fraction of the longest, or when one of the
// longest steps, halved 30 times, keeps more than this fraction of its length.
constexpr f64 SCK_COLLAPSE = 1.0e-6;

// Verdicts of SRFCHK.
constexpr i32 SCK_SOUND = 0, SCK_NOEVAL = 1, SCK_FAR = 2, SCK_TINY = 3, SCK_COLLAPSED = 4;

// Checks the surface in buf (loaded by LDSRFB) on a grid of SCK_GRID x
// SCK_GRID samples of its parameter range: every sample can be evaluated to
// finite coordinates within the triangle model's coordinate limit, the
// samples span at least SCK_MINSIZE, and the parametrization has neither
// collapsed nor jumps (extreme weights). Answers one of the verdicts.
i32 SRFCHK(const f64* buf);

// The part surfaces of a procedure (ids): each loaded and checked; a surface
// refused goes to the bad surfaces with the bad-surface message. Status -1
// when any was refused or could not be loaded, else 0.
void SRFCKL(const i32* ids, const i32& count, i32& status);
