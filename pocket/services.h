// What the procedure frame uses of the pocket geometry.
#pragma once

#include "core/words.h"

// The contour list: three tables of 700 entries.
constexpr i32 CNT_MAX = 700;
struct ContourList {
    i32 a[CNT_MAX], b[CNT_MAX], c[CNT_MAX];
};
extern ContourList CNTLST;

void polbuf_init(const i32& mode, const i32& capacity, i32& status);
void polbuf_release_all(const i32& mode, i32& status);
void pasbuf_init(const i32& a, const i32& b, i32& status);
void n0_lvls_init(const i32& mode);
void pkflag_reset();
// Releases the pocket main arrays.
void POKREL(const i32& mode, i32& status);
// The contour set: keep only contour 0; reload after a re-selection.
void cntset_keep(const i32& first);
void cntset_load(const i32& mode, const i32& value);
