// The contour-cleaning pass between runs of the pocket computation: the
// first offsets that the last run cut, collected into the current polygon
// buffer as plain polygons, and, behind the nesting switch, each of them
// cleared by an area clearing nested inside the running one.
#pragma once

#include <vector>

#include "core/words.h"

// The nesting switch: 1 (at load) skips the core; the core sets 1 while a
// nested clearing runs and 3 after it; at 3 the core clears every polygon.
extern i32 clr_nest_mode;

// Collects the cut first offsets (rows from the last down to the cutting's
// mark, sub-key 1, not empty) into the current polygon buffer, each from its
// last point back, arcs as chords within `dist`; the buffer's values become
// 1.0 and 0.0. With the height-limit switch on, the tool narrowed by `dist`
// stands at each loop's first point, and one standing above the limit makes
// status 2. Status 0 polygons left, 1 none, 2 above the limit, negative a
// failure of a called routine. The tool's diameter and corner are kept.
void clr_clean_contours(const f32& dist, i32& status);

// The cleaning core (runs when clr_nest_mode is not 1): the polygons of the
// current buffer oriented (the largest one counter-clockwise, the others
// clockwise) and, at clr_nest_mode 3, each cleared by clr_nest_clear.
void clr_clean_core(const f32& dist, i32& status);

// One nested area clearing of polygon k of the current buffer with the
// running clearing's side value and cut mode, `extra` kept around it; its
// tours are added to the nested results.
void clr_nest_clear(i32 k, i32& status);

// The tours of the nested clearings since the last clear: point counts and
// float x, y pairs one tour after another.
struct ClrNestResult {
    std::vector<i32> counts;
    std::vector<f32> points;
};
const ClrNestResult& clr_nest_result();  // the nested results
void clr_nest_result_clear();  // empties the nested results
