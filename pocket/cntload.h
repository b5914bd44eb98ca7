// Loading of the pocket's contours before the first offset: the outer
// contour and the islands registered in the offset loop table are read,
// cleaned, oriented (outer counter-clockwise, islands clockwise), fitted with
// arcs when the arc-fitting word asks, and registered again as the first
// loops of the table.
#pragma once

#include "core/words.h"

// Loads the contours. `value` below 0 keeps an outer contour of 3 entries.
// Status 0; 2 the outer contour or 3 an island could not be read; 8 the
// points do not fit the main arrays; 11 a work array failed; 15 the set
// could not be made; 16 the outer contour has too few points.
void pk_load_contours(const f64& value, i32& status);
// Arc fitting of every contour of the set; a fitted contour that crosses
// another gets its points back. Status 0, 16 the outer contour lost its
// points, 11 a storage failure.
void pk_fit_contour_arcs(const i32& mode, i32& status);
// Makes the contour set for the table's rows (status 15 on failure) and
// frees it again.
void pk_contours_alloc(i32& status);
void pk_contours_free();  // frees the contour set
