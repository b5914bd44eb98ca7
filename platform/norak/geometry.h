// The host's exact geometry: surface buffers built from session entities,
// their evaluation, trim loops and the polygon tests. Shared by the host's
// geometry files.
#pragma once

#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"

namespace norak {

// Entity classes and types of the geometry.
constexpr i32 PNT_CLASS = 1, CRV_CLASS = 2, PLN_CLASS = 5, UCS_CLASS = 8;
constexpr i32 CRV_LINE = 1, CRV_ARC = 2, CRV_BSPLINE = 3;

// Kinds of the surface buffer (word SB_KIND).
constexpr i32 SK_PLANE = 1, SK_NURBS = 2, SK_REVOL = 3;

// Trim loop kinds in the buffer's trim data.
constexpr f64 TL_POLY = 1.0, TL_CIRCLE = 2.0;

struct SrfEval {
    f64 p[3], su[3], sv[3], n[3];
};

// Evaluates the base surface (no offset) with first derivatives; false on a
// bad buffer.
bool eval_base(const f64* b, f64 u, f64 v, SrfEval& e);
// Full evaluation with the offset and the normal; status as evsrfd.
i32 eval_full(const f64* b, f64 u, f64 v, SrfEval& e);
// A buffer that passes the structural checks (tag, kind, length).
bool buffer_sound(const f64* b);

// The surface buffer of an entity (its words as doubles); empty when the
// entity is no surface.
std::vector<f64> surface_doubles(i32 id);

// Trim loops as polygons in (u, v), outer first, each without its first point
// repeated; a circle is cut into chords within `tol`.
std::vector<std::vector<f64>> trim_polygons(const f64* b, f64 tol);

// Point in polygon over (x, y) pairs: 1 inside, 2 within tol of the border, 3 outside.
i32 point_in_poly(const f64* xy, size_t n, size_t stride, f64 px, f64 py, f64 tol);

// Point of a B-spline curve of the given order and n control points (x, y,
// z each) at u; false for an order the host does not evaluate.
bool bspline_point(int order, int n, const f64* U, const f64* P, f64 u, f64* c);

// Host trim tolerance (gstrmtol).
f64& trim_tolerance();

}  // namespace norak
