// Triangulation of one surface: the patches of its parameter steps (or of
// its trim loops), then a conforming mesh refined by longest-edge bisection
// until every triangle lies within the chordal tolerance of the surface and,
// when asked, no edge is longer than the side limit.
#pragma once

#include <vector>

#include "core/words.h"

struct SrfMesh {
    std::vector<f64> uv;   // 2 per node
    std::vector<f32> xyz;  // 3 per node
    std::vector<f32> nrm;  // 3 per node, unit (zero where the surface has none)
    std::vector<i32> tri;  // 3 node numbers per triangle, from 1, counter-clockwise in (u, v)
    i32 patches = 0;
};

// Largest number of triangles one surface may give; the triangle model as a
// whole holds at most ALL_MAXTRG.
constexpr i32 MSH_MAXTRG = 2000000;
constexpr i32 ALL_MAXTRG = 4000000;

// Stage 1: the patches of the surface in buf (entity id for its trim loops).
// Stage 2: the refined mesh. tol above 0; maxside 0 for no side limit.
// A callback is called every 256 triangles checked (the interrupt poll and
// the progress). Status 0; 1 a degenerate surface (no normal anywhere, or no
// area); -1 failure (reported).
void SRFMSH(const f64* buf, const i32& id, const f64& tol, const f64& maxside, SrfMesh& out, void (*poll)(), i32& status);

// The largest square whose root, as the machine rounds it, does not exceed
// lim: std::sqrt(d) > lim holds exactly when d > root_limit(lim), for every
// d (the rounded root never falls as d rises). For a lim that is not a
// number or negative there is none: not a number then.
f64 root_limit(f64 lim);

// Ear-clipping triangulation of a polygon with holes in the plane: the outer
// loop counter-clockwise first, holes after it; triangles as index triples
// into the concatenated loops, counter-clockwise. False when it fails.
bool POLTRI(const std::vector<std::vector<f64>>& loops, std::vector<i32>& tri);
