// Spline output of point strings: three-axis cutting points are collected
// into chains while the chain stays smooth; each chain is fitted by a cubic
// B-spline refined until every point lies within the tolerance and written
// as one NURBS block, or, when it cannot be fitted, as a thinned polyline.
#pragma once

#include "core/words.h"

// Resets the fit state with tolerance t (the mode word has no effect).
void FITINI(const i32& mode, const f32& tol);
// The last point handed to SPLWRT; status -1 when there is none since the
// last flush.
void FITLST(f32* point, i32& status);
// Mode 1 answers the tolerance, mode 2 sets it (the squares are kept).
void FITTOL(const i32& mode, f32& value);
// Adds a string of n points (axes and marker words may be null).
void SPLWRT(const i32& n, const f32* pts, const f32* axes, const i32* marks, i32& status);
// Fits and writes the buffered chain and empties it.
void SPLFLS(i32& status);
// The first choice of fit points of a chain of m points: indices out, count.
i32 FITPTS(i32 m, i32* chosen);
// Refinement of a fit: between every two chosen points the chain point
// (points: the chain's xyz) farthest from the curve, when its squared
// distance exceeds t*t/4, joins the chosen set (chosen: xyz; index: each
// one's place along the chain, a fraction for a sample between two chain
// points; count in/out) in chain order. room: the entries chosen and index
// hold; no insertion goes past it. changed: whether any point joined.
void FITREF(i32 curve, const f64* points, f64* chosen, f64* index, i32& count, i32 room, bool& changed);
// Chains and blocks written since FITINI: NURBS blocks, polyline chains.
void FITCNT(i32& nurbs, i32& polylines);
// Test hook: when set, the host spline routines are taken as failing.
extern i32 FITFAIL;
