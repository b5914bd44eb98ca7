// The link string along the nearest contour of the pocket between two
// points: the entry moves' way round a contour from one point to another.
#pragma once

#include <vector>

#include "core/words.h"

// Points a link string holds at most.
constexpr i32 PK_LINK_MAX = 9000;

// The nearest point (plane distance) of contour points `pts` (x, y, z a
// point, closed: the last repeats the first) to p: its segment (from
// point seg to seg + 1), the point with its z on the segment, the distance.
void pknear_on_contour(const std::vector<f64>& pts, const f64* p, i32& seg, f64* q, f64& dist);
// The z of (x, y) on the segment a-b: its parameter from x when the x
// values differ, else from y, else 0.
f64 pkseg_z(const f64* a, const f64* b, f64 x, f64 y);
// The link string (x, y, z floats) from A to B along the pocket's input
// contour nearest to both (the one taken at the previous call keeps it when
// it is nearer to one of them): A's nearest point, the contour's points
// forward between, B's nearest point; one point when the two coincide.
// Status 0; -1 with "[pknear_contour] LINK STRING TOO LONG" when the string
// would pass PK_LINK_MAX points (nothing is kept), or with no contour.
void pknear_contour(const f64* A, const f64* B, std::vector<f32>& link, i32& status);
