// Combined offsets: the plane offset distance of a loop that moves the tool,
// positioned on the part surfaces, by a wanted step. The loop is sampled,
// the tool is positioned at each sample and at the sample moved along the
// loop's normal, and the distance is searched by growing and halving.
#pragma once

#include "core/words.h"

// Positions the tool at the point moved by `dist` along the plane vector
// `vec`: out_pt the tool point, out_nrm the surface normal there. Status 0,
// or the positioning's failure.
void comb_pos(const f64& tol, const f64* point, const f64* vec, const f64& dist, f64* out_pt, f64* out_nrm,
              i32& status);
// The distance d along the samples' normals (points: x, y, z a sample;
// normals: x, y a sample) at which the largest 3-D move of the positioned
// tool comes to `target`: grown from the start distance (the target, or
// `start` when above 0 and not above the target; at least `lower`) until the
// move passes the target or d passes `ref`, then halved between brackets, at
// most 20 rounds. Status 0; 11 when no sample can be positioned.
void combcont(const f64& v, const i32& n, const f64* points, const f64* normals, const f64& target,
              const f64& lower, const f64& ref, const f64& start, f64& out, i32& status);
// The combined offset distance of a plane loop (X, Y of n entries, arcs
// inline; pocket coordinates): the loop is sampled at its points and at most
// 5 max(a, b) apart along its segments (at most 7,000 samples), each with the
// loop's outward normal (mode 2: blended with the neighbouring segment's at
// the ends), and handed to combcont with the tolerance max(side, 1).
// Status 0; -1 when combcont fails.
void comb_offsets(const i32& mode, const f64& side, const f64& a, const f64* x, const f64* y, const i32& n,
                  const f64& b, const f64& start, const f64& target, const f64& lower, const f64& ref, f64& out,
                  i32& status);
