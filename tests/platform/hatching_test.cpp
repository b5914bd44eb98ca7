// The stand-in host's services of the hatching of trimmed surfaces: turning
// points, crossing segments with lines, fixed-size stores, the polygon
// store, parameter-to-length data and the projection along the normal.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"
#include "surfaces/srfbuf.h"

namespace {

TEST(HostHatching, TurnsAndCrossings)
{
    norak::reset();
    f32 p[2] = {2.0f, 1.0f};
    hatchx(0.0f, 1.0f, p);  // a quarter turn counter-clockwise
    EXPECT_FLOAT_EQ(p[0], -1.0f);
    EXPECT_FLOAT_EQ(p[1], 2.0f);
    const f32 c = std::cos(0.3f), s = std::sin(0.3f);
    hatchx(c, s, p);
    hatchx(c, -s, p);  // and back
    EXPECT_NEAR(p[0], -1.0f, 1e-6);
    EXPECT_NEAR(p[1], 2.0f, 1e-6);

    const f32 a[2] = {0, 0}, b[2] = {4, 2};
    f32 x = 0, t = 0;
    i32 ans = 0;
    hatint(a, b, 1.0f, x, t, ans);
    EXPECT_EQ(ans, 1);
    EXPECT_FLOAT_EQ(x, 2.0f);
    EXPECT_FLOAT_EQ(t, 0.5f);
    hatint(b, a, 2.0f, x, t, ans);  // an end on the line crosses
    EXPECT_EQ(ans, 1);
    EXPECT_FLOAT_EQ(x, 4.0f);
    EXPECT_FLOAT_EQ(t, 0.0f);
    hatint(a, b, 2.5f, x, t, ans);
    EXPECT_EQ(ans, 0);
    hatint(a, b, -0.1f, x, t, ans);
    EXPECT_EQ(ans, 0);
    const f32 c1[2] = {3, 1}, c2[2] = {7, 1};
    hatint(c2, c1, 1.0f, x, t, ans);  // along the line: its start
    EXPECT_EQ(ans, 1);
    EXPECT_FLOAT_EQ(x, 7.0f);
}

TEST(HostHatching, FixedSizeStoreAndPolygonStore)
{
    norak::reset();
    const i32 before = norak::open_arrays();
    i32 h = -1, st = 0;
    MM_OPEN_FDS(12, h, st);
    ASSERT_EQ(st, 0);
    for (i32 k = 1; k <= 40; ++k) {
        i32 el = 0;
        MM_FALLOC(h, el, st);
        ASSERT_EQ(st, 0);
        EXPECT_EQ(el, k);
        void* base = nullptr;
        mmcptr(h, base);
        i32* w = static_cast<i32*>(base) + 3 * (el - 1);
        EXPECT_EQ(w[0] | w[1] | w[2], 0);  // zeroed
        w[0] = k, w[2] = -k;
    }
    norak::fail_alloc_after(1);
    i32 el = 0;
    MM_FALLOC(h, el, st);
    EXPECT_LT(st, 0);
    void* base = nullptr;
    mmcptr(h, base);
    for (i32 k = 1; k <= 40; ++k) {
        const i32* w = static_cast<const i32*>(base) + 3 * (k - 1);
        EXPECT_EQ(w[0], k);
        EXPECT_EQ(w[2], -k);
    }
    MM_CLOSE(h, st);
    EXPECT_EQ(h, -1);
    EXPECT_EQ(norak::open_arrays(), before);

    opnpol(st);
    EXPECT_EQ(st, 0);
    opnpol(st);
    EXPECT_EQ(st, -1);
    clspol(st);
    EXPECT_EQ(st, 0);
    clspol(st);
    EXPECT_EQ(st, -1);
}

TEST(HostHatching, LengthsOfTheParametersAndProjectionAlongTheNormal)
{
    norak::reset();
    norak::load_session_text(R"({"entities":[
      {"kind":"plane_patch","id":1,"origin":[0,0,5],"u_axis":[3,0,4],"v_axis":[0,2,0],"u":[0,2],"v":[0,10]},
      {"kind":"revolution","id":2,"origin":[0,0,0],"axis":[1,0,0],"ref":[0,0,1],"angle":[-60,60],
       "profile":{"degree":1,"count":2,"knots":[0,0,1,1],"points":[[20,0,0],[20,0,100]]}}]})");
    std::vector<f64> b(SB_CAP);
    i32 st = 0;
    LDSRFB(1, b.data(), st);
    ASSERT_EQ(st, 0);
    f32 len[2] = {0, 0};
    srfcds(b.data(), 0.01f, len, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(len[0], 5.0f, 1e-5);
    EXPECT_NEAR(len[1], 2.0f, 1e-5);
    srfcds(b.data(), 0.0f, len, st);
    EXPECT_EQ(st, -1);

    // The foot of a point on the normal of the plane, from a far start.
    const f64 n[3] = {-0.8, 0, 0.6};
    const f64 foot[3] = {3.0, 8.0, 9.0};  // u = 1, v = 4
    const f64 pt[3] = {foot[0] + 2.5 * n[0], foot[1] + 2.5 * n[1], foot[2] + 2.5 * n[2]};
    f64 u = 0, v = 0;
    nrmsrd(b.data(), pt, u, v, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(u, 1.0, 1e-9);
    EXPECT_NEAR(v, 4.0, 1e-9);
    // Beyond the ranges the parameters stay on them.
    const f64 far[3] = {3.0, 30.0, 9.0};
    u = 1, v = 1;
    nrmsrd(b.data(), far, u, v, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(v, 10.0, 1e-9);

    // On the cylinder of radius 20 about x: the point at 30 from the axis
    // at 40 degrees lies on the normal of (x, 40 degrees).
    LDSRFB(2, b.data(), st);
    const f64 a = 40.0 * M_PI / 180.0;
    const f64 q[3] = {37.0, -30.0 * std::sin(a), 30.0 * std::cos(a)};
    u = 0.5, v = 0.0;
    nrmsrd(b.data(), q, u, v, st);
    ASSERT_EQ(st, 0);
    f64 e[12];
    evsrfd(b.data(), u, v, 2, e, st);
    const f64 d[3] = {q[0] - e[0], q[1] - e[1], q[2] - e[2]};
    const f64 len2 = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    EXPECT_NEAR(len2, 10.0, 1e-6);
    EXPECT_NEAR(std::fabs(d[0] * e[9] + d[1] * e[10] + d[2] * e[11]), 10.0, 1e-6);  // along the normal
    b[SB_TAG] = 0.0;
    nrmsrd(b.data(), q, u, v, st);
    EXPECT_EQ(st, -1);
}

}  // namespace

// The degenerate-edge query: a cone's apex is its collapsed edge u = 0; the
// flags follow the bounds as given, and a patch away from the apex or a
// plane has none.
TEST(HostHatching, DegenerateEdgesOfAPatch)
{
    norak::reset();
    norak::load_session_text(R"({"entities":[
      {"kind":"plane_patch","id":1,"origin":[0,0,5],"u_axis":[3,0,4],"v_axis":[0,2,0],"u":[0,2],"v":[0,10]},
      {"kind":"revolution","id":2,"origin":[0,0,0],"axis":[0,0,1],"ref":[1,0,0],"angle":[0,360],
       "profile":{"degree":1,"count":2,"knots":[0,0,1,1],"points":[[0,0,0],[20,0,50]]}}]})");
    std::vector<f64> b(SB_CAP);
    i32 st = 0, f[4] = {9, 9, 9, 9};
    LDSRFB(2, b.data(), st);
    ASSERT_EQ(st, 0);
    auto flags = [&](f32 u0, f32 u1, f32 v0, f32 v1) {
        srfdgf(b.data(), u0, u1, v0, v1, f, st);
        EXPECT_EQ(st, 0);
        return std::vector<i32>(f, f + 4);
    };
    EXPECT_EQ(flags(0, 1, 0, 360), (std::vector<i32>{1, 0, 0, 0}));
    EXPECT_EQ(flags(1, 0, 90, 30), (std::vector<i32>{0, 1, 0, 0}));
    // A v edge over a stretch of u of no length is a point too.
    EXPECT_EQ(flags(0.5f, 0.5f, 0, 360), (std::vector<i32>{0, 0, 1, 1}));
    EXPECT_EQ(flags(0.001f, 1, 0, 360), (std::vector<i32>{0, 0, 0, 0}));
    LDSRFB(1, b.data(), st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(flags(0, 2, 0, 10), (std::vector<i32>{0, 0, 0, 0}));
    b[SB_KIND] = -7;
    srfdgf(b.data(), 0, 1, 0, 1, f, st);
    EXPECT_EQ(st, -1);
}
