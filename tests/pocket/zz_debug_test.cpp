#include <gtest/gtest.h>
#include <cstdio>
#include "pocket/comlup.h"
#include "tests/pocket/common.h"
using namespace pk;
TEST(ZDebug, Dump)
{
    fresh();
    pkoff.side = 0.01;
    Loop lp;
    lp.pt(0, 0).pt(10, 0).pt(10, 6).pt(0, 6).close();
    Loop li;
    f64 cx=9, cy=3, r=2.5;
    li.pt(cx + r, cy).arc(cx, cy + r, cx, cy, 1).arc(cx - r, cy, cx, cy, 1).arc(cx, cy - r, cx, cy, 1).arc(cx + r, cy, cx, cy, 1);
    pokarr p = make(lp), islr = make(li);
    pokarr_reverse(islr);
    i32 st=0, start=0;
    lup_add(1, 1, 0,0,0,0.0,0,p,start,st);
    lup_add(1, 10001, 0,0,0,0.0,0,islr,start,st);
    i32 counter=100, out=0, last=0;
    comlup_pokarr(0, p, islr, 1, 0.5, 1, 1, 2, 0, 0, counter, out, last, st);
    printf("status %d rows %d\n", st, lup_count);
    for (i32 k = 3; k <= lup_count; ++k) {
        pokarr w; pokarr_init(2, w); lup_get_pokarr(k, w, st);
        printf("row %d key %d area %g\n", k, lup_row(k).key, signed_area(w));
        for (i32 i = 0; i < w.count; ++i) printf("  %d: %.9g %.9g\n", i, w.x[i], w.y[i]);
    }
}
