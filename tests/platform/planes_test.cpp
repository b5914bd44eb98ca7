// The stand-in's plane through two lines and its model-to-world map.
#include <gtest/gtest.h>

#include <cmath>

#include "core/host.h"
#include "core/hostmat.h"
#include "platform/norak/norak.h"

namespace {

// Lines 1-2 cross at (0, 0, 1) in the plane z = x + 1; 3-4 run parallel in
// z = 2; 5-6 are skew; 7 lies on the line of 3; 8 has no length; 9 is a point.
void lines()
{
    norak::reset();
    norak::load_session_text(R"({"entities": [
      {"kind": "line", "id": 1, "from": [0, 0, 1], "to": [1, 0, 2]},
      {"kind": "line", "id": 2, "from": [0, 0, 1], "to": [0, 5, 1]},
      {"kind": "line", "id": 3, "from": [0, 0, 2], "to": [5, 0, 2]},
      {"kind": "line", "id": 4, "from": [0, 3, 2], "to": [5, 3, 2]},
      {"kind": "line", "id": 5, "from": [0, 0, 0], "to": [1, 0, 0]},
      {"kind": "line", "id": 6, "from": [0, 0, 1], "to": [0, 1, 1]},
      {"kind": "line", "id": 7, "from": [7, 0, 2], "to": [9, 0, 2]},
      {"kind": "line", "id": 8, "from": [1, 1, 1], "to": [1, 1, 1]},
      {"kind": "point", "id": 9, "at": [1, 2, 3]}]})");
}

TEST(Planes, ThePlaneThroughTwoLines)
{
    lines();
    const f32 r = 1.0f / std::sqrt(2.0f);
    f32 p[4] = {9, 9, 9, 9};
    i32 st = 5;
    // Crossing: the cross product of the directions, turned upward.
    plan2l(2, 1, p, st);
    ASSERT_EQ(st, 0);
    const f32 want[4] = {-r, 0, r, -r};
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(p[k], want[k], 1e-6f) << k;
    // Parallel: the plane that holds both.
    plan2l(3, 4, p, st);
    ASSERT_EQ(st, 0);
    const f32 flat[4] = {0, 0, 1, -2};
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(p[k], flat[k], 1e-6f) << k;
    // Refused: skew lines, one line twice over, a line of no length, a point.
    for (auto [a, b] : {std::pair{5, 6}, {3, 7}, {3, 3}, {8, 1}, {1, 9}, {1, 99}}) {
        st = 0;
        plan2l(a, b, p, st);
        EXPECT_EQ(st, -1) << a << " " << b;
    }
}

TEST(Planes, TheModelToWorldMapAndBack)
{
    lines();
    const f64 m[3] = {1, 2, 3};
    f64 w[3], back[3];
    madm2w(m, w);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(w[k], m[k]);
    // A quarter turn about z (x goes to y) and a shift by (1, -2, 5).
    const f64 turn[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1}, shift[3] = {1, -2, 5};
    norak::set_model_to_world(turn, shift);
    madm2w(m, w);
    EXPECT_NEAR(w[0], -1, 1e-12);
    EXPECT_NEAR(w[1], -1, 1e-12);
    EXPECT_NEAR(w[2], 8, 1e-12);
    madw2m(w, back);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(back[k], m[k], 1e-12);
    const f32 mf[3] = {1, 2, 3};
    f32 wf[3];
    mapm2w(mf, wf);
    EXPECT_NEAR(wf[0], -1.0f, 1e-6f);
    EXPECT_NEAR(wf[1], -1.0f, 1e-6f);
    EXPECT_NEAR(wf[2], 8.0f, 1e-6f);
    // World to model in single precision is the same map's inverse: there
    // and back is the identity.
    f32 mb[3];
    mapw2m(wf, mb);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(mb[k], mf[k], 1e-5f);
    // A reset brings the identity back.
    lines();
    madm2w(m, w);
    EXPECT_EQ(w[1], 2.0);
}

}  // namespace

// The plane rotation turns the plane's normal onto +Z with the rows the
// stand-in's README gives; the inverse undoes a matrix, and a singular one
// is refused with its output untouched.
TEST(Planes, PlaneRotationAndMatrixInverse)
{
    const f32 b = 0.3f, sb = std::sin(b), cb = std::cos(b);
    struct Case {
        f32 n[3];
        f32 u[3];  // the first row the README gives
    };
    const Case cases[] = {
        {{0, 0, 1}, {1, 0, 0}},
        {{0, 0, -2}, {1, 0, 0}},
        {{0, 0, 0}, {1, 0, 0}},
        {{sb, 0, cb}, {cb, 0, -sb}},
        {{0, 3 * sb, 3 * cb}, {0, cb, -sb}},
    };
    for (const Case& c : cases) {
        const f32 plane[4] = {c.n[0], c.n[1], c.n[2], 7.0f};
        f32 m[9];
        plrot(plane, m);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(m[k], c.u[k], 1e-6) << k;
        // orthonormal rows, and the normal turned onto +Z
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                EXPECT_NEAR(m[3 * i] * m[3 * j] + m[3 * i + 1] * m[3 * j + 1] + m[3 * i + 2] * m[3 * j + 2],
                            i == j ? 1.0 : 0.0, 1e-6);
        const f64 ln = std::sqrt(f64(c.n[0]) * c.n[0] + f64(c.n[1]) * c.n[1] + f64(c.n[2]) * c.n[2]);
        if (ln > 0.0) {
            f32 w[3] = {c.n[0], c.n[1], c.n[2]};
            m3vec(m, w, w);
            EXPECT_NEAR(w[0], 0.0, 1e-6);
            EXPECT_NEAR(w[1], 0.0, 1e-6);
            EXPECT_NEAR(w[2], ln, 1e-6);
        }
        f32 mi[9];
        i32 st = -5;
        m3inv(m, mi, st);
        EXPECT_EQ(st, 0);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                EXPECT_NEAR(mi[3 * i] * m[j] + mi[3 * i + 1] * m[3 + j] + mi[3 * i + 2] * m[6 + j], i == j ? 1.0 : 0.0,
                            1e-6);
    }
    const f32 flat[9] = {1, 2, 3, 2, 4, 6, 0, 1, 0};
    f32 out[9] = {9, 9, 9, 9, 9, 9, 9, 9, 9};
    i32 st = 0;
    m3inv(flat, out, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(out[0], 9.0f);
}
