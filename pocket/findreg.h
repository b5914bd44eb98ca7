// Regions of a level: the current level's region record (closed contours,
// which polygon directly contains which, contour directions) turned into
// machinable regions, each an outer polygon with its direct islands, innermost
// first; and the building of a region record from host contours.
#pragma once

#include "core/words.h"
#include "pocket/region.h"

// Most searches of one call that may be made before the next one is
// refused; the region list holds one region more than this.
constexpr i32 FR_MAX = 700;

// Reads the current level's polygon count and finds its regions; the running
// total of polygons grows by the count.
void find_regions_total(i32& status);
// Finds the regions of the current level (building its region record from the
// contour list when that has not been done): 0 done, -1 failure, or a called
// routine's failing status. The region list of an earlier call is given back
// first.
i32 FIND_REGIONS(const f32& tol);
// The next region: its polygon numbers (1-based, offset by the running total;
// outer first, its islands in son-list order) and their number (0 when none).
void find_next_region(i32* list, i32& count, i32& status);
// Marks polygon i taken and removes it from the son lists of the others.
void region_take_poly(const i32& i, const i32& n, i32& status);
// Appends `count` polygons built from the contour definitions (one after the
// other) to the region; status 1 for no contour, -1 on failure.
void crtpol(const f64& tol, const i32& count, const i32* contours, Region* r, i32& status);

// The contour definitions (element runs) FIND_REGIONS builds the level's
// region record from, and whether that record is built already.
void find_regions_set(const i32& count, const i32* contours, const i32& built);
// Regions found by the last call, and region k (from 0): its polygon
// numbers into `list` (room for FR_MAX) and their number.
i32 find_regions_count();
void find_regions_get(const i32& k, i32* list, i32& n);  // region k's polygons
// The running total of polygons of the levels already processed, and its reset.
i32 find_regions_running();
void find_regions_reset();  // resets the running total
