// Tool shapes sampled for the stock grid: the height image of a tool (its
// cutting surface over a quarter of its footprint at an eighth of a cell)
// and its slope profile table (for each slope of a straight move from 0 to
// 90 degrees, the lowest envelope of the tool across the move), kept in a
// cache of 21 slots.
//
// Slot layout: 0 the tool in use; 1 to N the holder sections (N =
// stk_sections, 0 until the holder images are built); N + 1 the enlarged
// (widened) tool, which a tool change inside a path also builds. Slot -1 is
// a temporary profile table that is never cached.
#pragma once

#include "core/words.h"
#include "stock/stkgrid.h"

constexpr i32 STK_SLOTS = 21;     // cache slots 0 to 20
constexpr i32 STK_ROWS = 91;      // slope rows of a profile table, 0 to 90 degrees
// Memory all the images together may hold (height images and profile
// tables): a build that would pass it is refused with a message.
constexpr i64 STK_IMAGE_CAP = 256LL * 1024 * 1024;

// One image: its two host arrays and what it was built for.
struct StkImage {
    i32 img;     // height image, (8k+1) x (8k+1) reals (-1: none)
    i32 prof;    // profile table, 91 rows of 8k+1 pairs (f, h) (-1: none)
    i32 rows;    // 91
    i32 k8;      // 8k: image steps across the outer radius
    f32 diam;    // image diameter, twice the outer radius
    f32 key[4];  // diameter, corner radius, taper angle, length it was built for
};

// The image in force, as the stamping reads it.
struct StkCurrent {
    i32 slot;            // slot last built, selected or freed (-1 temporary, -2 none)
    i32 img, prof;       // its arrays
    i32 k8, n;           // 8k and 8k + 1
    f32 diam;            // image diameter
    const f32* image;    // height image entry (i, j) at image[j * n + i]; null when none
    const f32* profile;  // pair (f, h) of row a, column j at profile[2 * (a * n + j)]
};
extern StkCurrent stk_img;
// Holder sections in slots 1 to N; set by the holder images, 0 otherwise.
extern i32 stk_sections;
// The slot of the enlarged tool: N + 1.
i32 stk_enlarged_slot();

// Height of the cutting surface above the tip at radius |rho| of a tool of
// diameter D, corner radius R, taper angle T (degrees) and length L; normal
// (radial, axial, 0); c_out the radius where the flat bottom ends. Status -1
// outside the tool.
void stk_tool_height(const f32& rho, const f32& D, const f32& R, const f32& T, const f32& L, f32& height,
                     f32* normal, f32& c_out, i32& status);
// Builds the image of a tool in a slot (-1 to 19) and makes it current; a
// slot already built for the same tool is kept and not selected. Status -1
// for a bad slot or shape, no grid, or images past the memory cap; the
// host's status when an array cannot be opened.
void stk_tool_image(const i32& slot, const f32& D, const f32& R, const f32& L, const f32& T, i32& status);
// Makes the image of a slot (0 to 20) current; status -1 when the slot is empty.
void stk_image_select(const i32& slot, i32& status);
// Frees a slot (0 to 20; the current slot becomes -2), or with -1 the temporary image.
void stk_image_free(const i32& slot);
// Points of a torus (centre circle radius A, tube radius Rt) where its
// normal is perpendicular to the direction n, for the angle beta of its
// cone of normals (pi/2: the whole lower half); count (odd) points of three
// reals, ordered across the direction. Status -1 when n gives no silhouette.
void torus_silhouette(const f64& A, const f64& Rt, const f64& beta, const f64* n, const i32& count, f64* points,
                      i32& status);
// Empties the cache (a new grid): the arrays are closed when `close`,
// forgotten otherwise (they went with the host).
void stk_image_clear(i32 close);
// Bytes held by the images of the cache and the temporary image.
i64 stk_image_bytes();
