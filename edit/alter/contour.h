// The contour of the contour selections of ALTERATIONS: lengths along its
// offset polygon.
#pragma once

#include "core/words.h"

// The length along the closed polygon of n double x,y points (the last
// repeating the first; segment k joins points k and k + 1, from 1) from the
// first fraction of the first segment forward to the last fraction of the
// last segment, wrapping from segment n - 1 to 1 (a segment n counts as 1).
// Both on one segment: (last - first) times its length when first < last,
// else the perimeter less (first - last) times its length. -1.0 for a
// segment outside 1 to n.
f64 contour_length(const f64* points, const i32& n, const i32& first_seg, const i32& last_seg,
                   const f64& first_frac, const f64& last_frac);

// The contour definition buffers: the contour the user defined and its
// offset (at most 4500 items each).
constexpr i32 CNT_ITEMS = 4500;
extern i32 CNTDEF[2 * (CNT_ITEMS + 1)], CNTOFF[2 * (CNT_ITEMS + 1)];

// Mode 1 sets value to 0.1 and reads "CGP1" over it when the record
// exists; mode 2 writes the value as "CGP1". Other modes do nothing.
void cgp1_io(const i32& mode, f64& value);
// Lets the user define the contour (select 1; 0 reuses the one defined
// before) and builds its offset by the tool radius plus the contour offset
// to the side (1 inside, else outside) as the offset polygon of trim_state,
// closed, drawn as a figure; n its points and length its perimeter. False
// with the warning when no polygon could be made; status: the contour
// definition's status when selecting (below 0: nothing defined).
bool offset_contour(const f32& contour_offset, const i32& side, const i32& select, i32& n, f64& length,
                    i32& status);
// Deletes the figure of the offset polygon.
void contour_figure_delete();
// Deletes the contour's entity when the host made it for this selection
// (the user's own contour stays), and forgets the contour.
void contour_entity_release();
