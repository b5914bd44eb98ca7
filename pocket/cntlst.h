// The procedure's contour list (the contour set): module-wide storage of up to
// 700 contours that the host's contour-selection services fill and read
// through the columns the module hands over; the operations that load it from
// the procedure's geometry, refill it by criteria, keep one contour, classify
// and count the contours and find a contour's orientation; and the 2-D line
// intersection `lin2x2`.
#pragma once

#include "core/words.h"

constexpr i32 CNT_MAX = 700;
// Elements the element buffers hold (two words each).
constexpr i32 CNT_ELEMS = 20000;
// Elements a solid's loop may explode into.
constexpr i32 CNT_LOOP_MAX = 4500;

// Contour kinds.
constexpr i32 CNT_OPEN = 1, CNT_CLOSED = 2, CNT_SOLID_LOOP = 3, CNT_SOLID = 4;

struct ContourList {
    i32 count;
    i32 first[CNT_MAX];     // range of the contour's bounded surfaces in the host's
    i32 last[CNT_MAX];      // surface list (last below first: none gathered)
    i32 pos[CNT_MAX];       // position (from 1) of the first element in `elems`
    i32 host[CNT_MAX][4];   // columns only the host reads and writes
    i32 kind[CNT_MAX];
    i32 order[CNT_MAX];
    i32 selected[CNT_MAX];
    i32 elems[2 * CNT_ELEMS];  // contour definitions, two words an element
    i32 geom[2 * CNT_ELEMS];   // the procedure's geometry
    i32 work[2 * CNT_LOOP_MAX];  // one contour's elements
};
extern ContourList CNTLST;

// The contour definition of list contour k (from 0) in the element buffer.
const i32* cnt_def(i32 k);

// Refills the list from the selection criteria (kind 2 closed, other open).
void get_crit_contours(const i32& kind, i32& changed);
// Recomputes every contour's element position and kind.
void set_contour_kinds();
// Contours of kind 2, of kind 1.
i32 num_closed_contours();
i32 num_open_contours();  // contours of kind 1
// Orientation (+1 or -1) of a contour definition; status 1 when a solid's
// loop was exploded and the definition rewritten.
void copy_contour_def(i32* def, i32& orientation, i32& status);
// Loads the procedure's contour entities into the list.
void cntset_load(const i32& mode, i32& changed);
// Removes the bounded surfaces of every contour except contour k.
void cntset_keep(const i32& k);
// As get_crit_contours for closed contours; the second explodes solids first.
void cntset_by_crit(i32& changed);
void cntset_by_crit_sol(i32& changed);  // cntset_by_crit with the solids exploded first
// Recomputes the element positions, sets every kind to 1 and renumbers.
void cntset_locs();
// Intersection parameters of two 2-D lines (P1 + t1 D1 = P2 + t2 D2):
// status 0, -2 collinear, -1 parallel.
void lin2x2(const f64* p1, const f64* d1, const f64* p2, const f64* d2, f64& t1, f64& t2, i32& status);
