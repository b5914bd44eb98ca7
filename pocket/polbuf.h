// Polygon buffers: six module-wide buffers of closed 2-D single-precision
// polygons (boundaries read from contours, clean-up regions, clipping
// boundaries), one of them current; a point test against the polygons of a
// buffer; and the drawing of polygons and point strings. A buffer is a run
// of 32-bit words: per polygon its point count, then its points as float x,
// y. Polygons and points count from 1; status 0 or -1.
#pragma once

#include "core/words.h"

constexpr i32 POLBUF_N = 6;
constexpr i32 PB_GET = 1;  // polbuf_select: answer the current buffer

// One polygon buffer taken out of the package (it then counts as never
// opened) and put back (what the slot holds then is closed first).
struct PolbufSlot {
    i32 capacity = 0, handle = -99, npol = 0, inuse = 0, cur = 0;
};
void polbuf_take(i32 n, PolbufSlot& s);  // takes buffer n out
void polbuf_give(i32 n, const PolbufSlot& s, i32& status);  // puts buffer n back
// Opens an array of `capacity` words for buffer n when it holds none (a
// buffer taken out for a nested clearing gets its own); status -1 failure.
void polbuf_open(i32 n, i32 capacity, i32& status);
// Mode 1 closes every open buffer and forgets them all; else opens each of
// capacity words (none left open on failure).
void polbuf_init(const i32& mode, const i32& capacity, i32& status);
// Mode 1 closes buffer n's array; every mode marks it not in use.
void polbuf_release_pol(const i32& n, const i32& mode, i32& status);
void polbuf_release_all(const i32& mode, i32& status);  // polbuf_release_pol over every buffer ever opened
// PB_GET answers the current buffer in n; other modes make buffer n current.
void polbuf_select(const i32& mode, i32& n, i32& status);
// Marks buffer n in use and makes it current.
void POLB_PKG(const i32& n, i32& status);
// Address of polygon k of the current buffer: its count word (mode 1) or its
// first point; null on failure.
void* polbuf_get_pol(const i32& mode, const i32& k, i32& status);
// Point count of polygon k (stored when the buffer can hold it).
void polbuf_set_np(const i32& k, const i32& n, i32& status);
void polbuf_get_np(const i32& k, i32& n, i32& status);  // the point count of polygon k
// Number of polygons of the current buffer.
void polbuf_set_npol(const i32& n, i32& status);
void polbuf_get_npol(i32& n, i32& status);  // the number of polygons of the current buffer
// The two package values.
void polbuf_set_vals(const f32& a, const f32& b, i32& status);
void polbuf_get_vals(f64& a, f64& b, i32& status);  // the two package values
// Point j of polygon k (the buffer grows to hold it). Points are written in
// place: a polygon is filled whole before the next one is begun, for the
// words behind its count belong to the polygon that follows.
void polbuf_put_point(const i32& k, const i32& j, const f32& x, const f32& y, i32& status);
void polbuf_get_point(const i32& k, const i32& j, f32& x, f32& y, i32& status);  // point j of polygon k
// Enlarges the current buffer by m x 1000 words.
void polbuf_set_point(const i32& m, i32& status);
// Fills polygon k from a contour definition (tolerance `arg`).
void polbuf_from_contour(const i32& k, const i32* contour, const f64& arg, i32& status);
// Draws every polygon of the current buffer at height z.
void polbuf_draw(const f32& z, i32& status);
// Copies buffer `from` into buffer `to`, which becomes current.
void polbuf_copy(const i32& from, const i32& to, i32& status);
// Number of the polygon of largest absolute area (-1 none) into k.
void polbuf_outer(i32& k, i32& status);
// 1 when the point lies in the region of buffer 1 (inside its outer
// polygon, outside its islands, a boundary within the tolerance counting as
// inside), 0 when not, -1 when buffer 1 holds no polygon.
void polbuf_inpol(const f32* p, const f32& tol, i32& status);
// Capacity in words of buffer n (for checks).
i32 polbuf_capacity(i32 n);

// Draws closed polygons as one figure (the colour cycling 1 to 15).
void DRWPOL(const i32& npol, const i32* counts, const f32* pts, const f32& z, i32& status);
// Draws a point string as a figure (figure flag set) or stores it as a curve
// entity (at most 1000 points, else status -2); dimension 3 uses each
// point's z, else z is `height`.
void DRWCRV(const i32& dim, const i32& cycle, const i32& figure, const i32& n, const f32* pts, const f32& height,
            i32& id, i32& status);
// String colour counter; string pen value (-1 none).
void DRWSCC(const i32& value);
void DRWSFC(const i32& value);  // sets the string pen value
