#include <gtest/gtest.h>
#include <cmath>
#include <utility>

#include "core/host.h"
#include "core/ptwarn.h"
#include "core/records.h"
#include "core/util.h"
#include "platform/norak/norak.h"

TEST(Util, ErrmsgCutsAt80)
{
    norak::reset();
    std::string t(100, 'A');
    t[79] = 'Z';
    ERRMSG(t.c_str(), 3);
    ERRMSG("SHORT", 3);
    const auto& tr = norak::transcript();
    ASSERT_EQ(tr.size(), 2u);
    EXPECT_EQ(tr[0], "error: " + t.substr(0, 80));
    EXPECT_EQ(tr[1], "error: SHORT");
}

TEST(Util, ArrayCopiesGuardTheirRanges)
{
    f32 a[5] = {1, 2, 3, 4, 5};
    f64 b[4] = {-1, -1, -1, -1};
    R4TOR8(a, 3, 2, b, 1);
    EXPECT_EQ(b[0], -1);
    R4TOR8(a, 2, 4, b, 1);
    EXPECT_EQ(b[0], 2);
    EXPECT_EQ(b[2], 4);
    EXPECT_EQ(b[3], -1);
    R4TOR8(a, 0, 2, b, 1);  // i1 below 1: nothing
    EXPECT_EQ(b[0], 2);
    f64 d[3] = {0.1, 1e40, -2.5};
    f32 s[4] = {9, 9, 9, 9};
    R8TOR4(d, 1, 3, s, 2);
    EXPECT_EQ(s[0], 9);
    EXPECT_EQ(s[1], 0.1f);
    EXPECT_TRUE(std::isinf(s[2]));
    EXPECT_EQ(s[3], -2.5f);
    R8TOR4(d, 1, 3, s, 0);  // j below 1: nothing
    EXPECT_EQ(s[0], 9);
}

TEST(Util, SixteenBitIdentifiers)
{
    EXPECT_EQ(I2TOI4(65535), -1);
    EXPECT_EQ(I2TOI4(65534), 65534);
    EXPECT_EQ(I2TOI4(0), 0);
    u16 t = 0;
    I4TOI2(-1, t);
    EXPECT_EQ(t, 65535);
    I4TOI2(70000, t);
    EXPECT_EQ(t, 70000 & 0xFFFF);
    u16 c = 0;
    I2COPY(t, c);
    EXPECT_EQ(c, t);
    i32 sz = 0;
    GTSZ20(sz);
    EXPECT_EQ(sz, 20);
}

TEST(Util, ShiftUpRefusesOverflowAndHandlesOverlap)
{
    i32 w[10] = {1, 2, 3, 4, 5, 6, 0, 0, 0, 0};
    i32 st = 0;
    SHFTUP(w, 10, 6, 5, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(w[5], 6);
    EXPECT_EQ(w[9], 0);
    SHFTUP(w, 10, 6, 4, st);
    EXPECT_EQ(st, 0);
    const i32 want[10] = {1, 2, 3, 4, 1, 2, 3, 4, 5, 6};
    for (int k = 0; k < 10; ++k) EXPECT_EQ(w[k], want[k]) << k;
    // A negative count or shift is refused and moves nothing.
    for (auto [n, k] : {std::pair{-1, 2}, std::pair{3, -1}}) {
        SHFTUP(w, 10, n, k, st);
        EXPECT_EQ(st, -1) << n << " " << k;
        for (int j = 0; j < 10; ++j) EXPECT_EQ(w[j], want[j]) << j;
    }
}

TEST(Util, EopchChecksClassTypeAndLength)
{
    norak::reset();
    norak::Entity e;
    e.cls = 9;
    e.type = 3;
    e.words = {1, 2};
    i32 id = norak::add_entity(e);
    norak::Entity empty;
    empty.cls = 9;
    empty.type = 3;
    i32 id2 = norak::add_entity(empty);
    i32 st = 0;
    EOPCH(id, 9, 3, st);
    EXPECT_EQ(st, 0);
    EOPCH(id, 9, 4, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(norak::open_entity(), id);  // stays open after a successful open
    EOPCH(id2, 9, 3, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(norak::transcript_count("EOPCH-ERROR IN OPEN ENTITY"), 2u);
    EOPCH(id + 100, 9, 3, st);
    EXPECT_LT(st, 0);
    eclose();
}

TEST(Util, DateAndTimeAreInRange)
{
    i32 dt[6];
    GETDTM(dt);
    EXPECT_GE(dt[0], 2000);
    EXPECT_GE(dt[1], 1);
    EXPECT_LE(dt[1], 12);
    EXPECT_LE(dt[3], 23);
    EXPECT_LE(dt[5], 60);
}

TEST(Util, PointWarningShowsTheCoordinatesFromTheToolPathsOriginAsLengths)
{
    // Inches: the lengths are shown in the part's unit, from the open tool
    // path's origin, else from the module's own origin; as many as asked.
    struct Case {
        i32 open, n;
        const char* line;
    };
    const Case cases[] = {{1, 3, "user: AT: X = 1.000  Y = 2.000  Z = 3.000 |BELOW"},
                          {1, 2, "user: AT: X = 1.000  Y = 2.000 |BELOW"},
                          {0, 1, "user: AT: X = 2.000 |BELOW"},
                          {1, 4, "user: AT: |BELOW"}};
    for (const Case& c : cases) {
        norak::reset();
        norak::settings().unit = 25.4f;
        norak::settings().tp_open = c.open;
        const f32 origin[3] = {25.4f, 0.0f, -25.4f};
        for (i32 k = 0; k < 3; ++k) NPT1[NPT1_ORIGIN + k] = r2wrd(origin[k]);
        const f32 point[3] = {50.8f, 50.8f, 50.8f};
        WRNPNT("AT:", c.n, point, "|BELOW");
        EXPECT_TRUE(norak::transcript_has(c.line)) << c.n << " " << norak::transcript().back();
    }
}
