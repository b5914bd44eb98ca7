// Curve moves cut at a height or a line: the found parameter checked by the
// test's own de Boor evaluation, the halving that keeps the target between
// its ends, a curve that never reaches the target; the host's trim of a
// B-spline; a NURBS move replaced by its pieces, each with the move's own
// feed, and left whole when a write fails.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "blocks/writers.h"
#include "common.h"
#include "core/host.h"
#include "optpath.h"
#include "path.h"
#include "stock/crvtrim.h"
#include "stock/movecur.h"
#include "stock/optedit.h"
#include "stock/optwords.h"
#include "stock/tppoints.h"

namespace {

// De Boor's evaluation of a B-spline of order k at t (n control points of
// three coordinates, n + k knots).
std::array<double, 3> deboor(int k, const std::vector<double>& U, const std::vector<double>& P, double t)
{
    const int n = static_cast<int>(P.size() / 3), p = k - 1;
    int s = p;
    while (s < n - 1 && U[static_cast<size_t>(s + 1)] <= t) ++s;
    std::vector<std::array<double, 3>> d(static_cast<size_t>(k));
    for (int j = 0; j <= p; ++j)
        for (int c = 0; c < 3; ++c) d[static_cast<size_t>(j)][static_cast<size_t>(c)] = P[static_cast<size_t>(3 * (j + s - p) + c)];
    for (int r = 1; r <= p; ++r)
        for (int j = p; j >= r; --j) {
            const double lo = U[static_cast<size_t>(j + s - p)], hi = U[static_cast<size_t>(j + 1 + s - r)];
            const double a = hi > lo ? (t - lo) / (hi - lo) : 0.0;
            for (int c = 0; c < 3; ++c)
                d[static_cast<size_t>(j)][static_cast<size_t>(c)] =
                    (1 - a) * d[static_cast<size_t>(j - 1)][static_cast<size_t>(c)] + a * d[static_cast<size_t>(j)][static_cast<size_t>(c)];
        }
    return d[static_cast<size_t>(p)];
}

struct Curve {
    int k;
    std::vector<double> U, P;
    i32 handle = 0;
    void make()
    {
        i32 st = 0;
        const i32 n = static_cast<i32>(P.size() / 3);
        evbcre_bsp(k, n, U.data(), P.data(), 0, 0, handle, st);
        ASSERT_EQ(st, 0);
    }
};

// A cubic over (0..10) in X whose Z rises from 0 to 6 and falls to 2.
Curve cubic()
{
    return Curve{4, {0, 0, 0, 0, 0.3, 0.6, 1, 1, 1, 1}, {0, 0, 0, 2, 0, 3, 4, 1, 6, 6, 0, 5, 8, 1, 3, 10, 0, 2}};
}

struct CurveTrim : ::testing::Test {
    void SetUp() override
    {
        stocktest::fresh(0.25f);
        norak::settings().tolerance = 1e-9;
    }
    void TearDown() override { norak::settings().tolerance = 1e-5; }
};

TEST_F(CurveTrim, TheParameterFoundGivesTheTargetHeightOrLineByAnIndependentEvaluation)
{
    Curve c = cubic();
    c.make();
    for (double z : {0.5, 2.5, 4.0, 5.0})
        for (double t0 : {0.05, 0.35, 0.9}) {
            f64 p[3], t = t0;
            i32 st = 0;
            bcrv_par_at_z(p, t, c.handle, z, st);
            ASSERT_EQ(st, 0) << z << " from " << t0;
            EXPECT_NEAR(deboor(c.k, c.U, c.P, t)[2], z, 1e-9);
            EXPECT_NEAR(p[2], z, 1e-9);
        }
    // The line X = 4 (from (4, -1) to (4, 1)): the curve's distance to it.
    const f64 a[3] = {4, -1, 0}, b[3] = {4, 1, 0};
    f64 p[3], t = 0.5;
    i32 st = 0;
    bcrv_par_at_line(0, p, t, c.handle, a, b, st);
    ASSERT_EQ(st, 0);
    const auto q = deboor(c.k, c.U, c.P, t);
    const f64 qq[3] = {q[0], q[1], q[2]};
    EXPECT_NEAR(dist_pt_line(qq, a, b), 0.0, 1e-9);
    // Never reached: above the curve's highest point, or a line beside it.
    t = 0.5;
    bcrv_par_at_z(p, t, c.handle, 7.0, st);
    EXPECT_EQ(st, -1);
    const f64 c0[3] = {20, -1, 0}, c1[3] = {20, 1, 0};
    t = 0.5;
    bcrv_par_at_line(0, p, t, c.handle, c0, c1, st);
    EXPECT_EQ(st, -1);
}

TEST_F(CurveTrim, TheHalvingKeepsTheTargetBetweenItsEnds)
{
    // Over the bracket 0..0.2: Z 0 at its start, 1.25 at its end and 1.1 in
    // the middle. Replacing the end farther from 1 (the start) by the middle
    // would leave 1 outside the bracket.
    Curve c{3, {0, 0, 0, 0.2, 0.2, 0.2}, {0, 0, 0, 5, 0, 1.575, 10, 0, 1.25}};
    c.make();
    EXPECT_NEAR(deboor(3, c.U, c.P, 0.1)[2], 1.1, 1e-12);
    f64 p[3], t = 0.1;
    i32 st = 0;
    bcrv_par_at_z(p, t, c.handle, 1.0, st);
    ASSERT_EQ(st, 0);
    EXPECT_LT(t, 0.1);
    EXPECT_NEAR(deboor(3, c.U, c.P, t)[2], 1.0, 1e-9);
}

TEST_F(CurveTrim, ABracketEndOnTheTargetIsTheParameterFound)
{
    // Straight curves whose bracket, clamped at the curve's start or end,
    // ends exactly on the height sought: Z falling from 10 to 0 sought at 10
    // from 0.05, and rising from 0 to 10 sought at 10 from 0.95.
    struct Case {
        f64 z0, z1, t0, want;
    };
    for (const Case& k : {Case{10, 0, 0.05, 0.0}, Case{0, 10, 0.95, 1.0}}) {
        SCOPED_TRACE(k.t0);
        Curve c{2, {0, 0, 1, 1}, {0, 0, k.z0, 10, 0, k.z1}};
        c.make();
        f64 p[3], t = k.t0;
        i32 st = 0;
        bcrv_par_at_z(p, t, c.handle, 10.0, st);
        ASSERT_EQ(st, 0);
        EXPECT_EQ(t, k.want);
        EXPECT_NEAR(p[2], 10.0, 1e-9);
        EXPECT_NEAR(p[0], 10.0 * k.want, 1e-9);
    }
}

TEST_F(CurveTrim, TheHostTrimKeepsThePieceOnTheCurve)
{
    const Curve c = cubic();
    for (auto [t0, t1] : {std::pair{0.2, 0.7}, {0.0, 0.3}, {0.6, 1.0}, {0.3, 0.6}}) {
        std::vector<double> U(c.U), P(c.P);
        U.resize(U.size() + 2 * 4);
        P.resize(P.size() + 3 * 2 * 4);
        i32 n = 6, st = 0;
        bcrtrme(4, n, U.data(), P.data(), 3, t0, t1, st);
        ASSERT_EQ(st, 0);
        U.resize(static_cast<size_t>(n + 4));
        P.resize(static_cast<size_t>(3 * n));
        EXPECT_EQ(U.front(), t0);
        EXPECT_EQ(U.back(), t1);
        for (int j = 0; j <= 10; ++j) {
            const double t = t0 + (t1 - t0) * j / 10.0;
            const auto a = deboor(4, U, P, t), b = deboor(4, c.U, c.P, t);
            for (int q = 0; q < 3; ++q) EXPECT_NEAR(a[static_cast<size_t>(q)], b[static_cast<size_t>(q)], 1e-12);
        }
    }
    std::vector<double> U(c.U), P(c.P);
    i32 n = 6, st = 0;
    bcrtrme(4, n, U.data(), P.data(), 3, 0.5, 0.4, st);
    EXPECT_EQ(st, -1);
}

struct NurbsMove : CurveTrim {
    Curve c = cubic();
    i32 block = 0;
    f32 feed = 300.0f;
    void path()
    {
        stocktest::fresh(0.25f);
        norak::settings().tolerance = 1e-9;
        opttest::machine();
        if (feed == 112.5f) PRM9[0] = r2wrd(250.0f), PRM9[3] = 45;  // the named feed of 45 %
        i32 a = 0;
        norak::start_toolpath();
        lacces(3, a);
        stocktest::Path p;
        p.feed(feed);
        p.line(0, 0, 0);
        i32 st = 0;
        PTBT5(AM_LIST, 5, 4, 6, c.U.data(), c.P.data(), p.next, st);
        block = p.next++;
        p.feed(-1.0f);
        p.line(10, 0, 20);
        opttest::counter_past(p.next);
        lacces(2, a);
        goto_block(1, block, st);
    }
    i32 trim(double t1, double t2, i32& b1, i32& b2)
    {
        const auto s = deboor(4, c.U, c.P, t1), e = deboor(4, c.U, c.P, t2);
        const f64 p1[3] = {s[0], s[1], s[2]}, p2[3] = {e[0], e[1], e[2]};
        const f64 start[3] = {0, 0, 0}, end[3] = {10, 0, 2};
        i32 n = 6, st = 0;
        trim_nurbs_move(p1, p2, start, end, t1, t2, n, c.U.data(), c.P.data(), 4, 3, b1, b2, st);
        return st;
    }
};

TEST_F(NurbsMove, AMoveCutInThreeKeepsItsFeedOnEveryPieceAndAFailedWriteKeepsItWhole)
{
    // Each piece at the move's own feed, never the base feed nor the feed
    // cut to a whole number; written again as a value, or by its code when
    // it is a named feed (112.5 = 45 % of 250).
    for (f32 f : {300.0f, 112.5f}) {
        SCOPED_TRACE(f);
        feed = f;
        path();
        i32 b1 = 0, b2 = 0;
        ASSERT_EQ(trim(0.3, 0.6, b1, b2), 0);
        std::vector<opttest::Move> m = opttest::moves();
        ASSERT_EQ(m.size(), 5u);  // the line, three pieces, the rapid
        const double at[3] = {0.3, 0.6, 1.0};
        for (int i = 0; i < 3; ++i) {
            const auto q = deboor(4, c.U, c.P, at[i]);
            EXPECT_EQ(m[static_cast<size_t>(i + 1)].type, 5);
            for (int a = 0; a < 3; ++a) EXPECT_NEAR(m[static_cast<size_t>(i + 1)].p[a], q[static_cast<size_t>(a)], 1e-5);
            EXPECT_FLOAT_EQ(m[static_cast<size_t>(i + 1)].feed, f);
        }
        EXPECT_EQ(b1, m[1].number);
        EXPECT_EQ(b2, m[2].number);
        // The feed blocks: the path's own, the two written in front of the
        // middle and last pieces (value, or code 2), the rapid's.
        std::vector<std::pair<i32, i32>> written;
        for (const auto& e : norak::main_list().elems)
            if (e.words.size() >= 5 && e.words[0] == 1 && e.words[2] == 1) written.emplace_back(e.words[3], e.words[4]);
        const std::pair<i32, i32> form = f == 300.0f ? std::pair{0, r2wrd(300.0f)} : std::pair{1, 2};
        ASSERT_EQ(written.size(), 4u);
        EXPECT_EQ(written[1], form);
        EXPECT_EQ(written[2], form);
    }
    feed = 300.0f;
    // Cut at its own ends: only the middle piece is written.
    path();
    i32 b1 = 0, b2 = 0;
    ASSERT_EQ(trim(0.0, 1.0, b1, b2), 0);
    EXPECT_EQ(opttest::moves().size(), 3u);
    const i32 failed = opttest::every_failure([&] { path(); },
                                              [&] {
                                                  i32 x = 0, y = 0;
                                                  return trim(0.3, 0.6, x, y);
                                              });
    EXPECT_GT(failed, 20);
}

TEST_F(NurbsMove, ACutAtAnEndOfTheCurveLeavesTheMoveWholeAndOneInsideMakesTwoPieces)
{
    // The move as the stages read it, cut at a parameter: its ends, and
    // parameters whose points lie on its ends, change nothing; 0.45 gives
    // the piece up to there and the rest.
    for (double t : {0.0, 1.0, 1e-12, 1.0 - 1e-12, 0.45}) {
        SCOPED_TRACE(t);
        path();
        i32 number = 0, type = 0, size = 0, tc = 0, st = 0;
        f32 feed = 0, end[3];
        find_move(MV_LIST, 1, number, type, size, feed, tc, st);
        ASSERT_EQ(number, block);
        ::NurbsMove nm;
        std::vector<f32> pts;
        const i32 curve = nurbs_move_open(size, nm, pts, end, st);
        ASSERT_EQ(st, 0);
        if (curve != 0) evbfre(curve);
        const auto q = deboor(4, c.U, c.P, t);
        const f64 at[3] = {q[0], q[1], q[2]};
        const f32 start[3] = {0, 0, 0};
        CMPBLK[CMP_CHANGED] = 0;
        i32 b = block;
        const i32 cut = crv_cut_at(nm, t, at, start, b, st);
        EXPECT_EQ(st, 0);
        const std::vector<opttest::Move> m = opttest::moves();
        if (t == 0.45) {
            EXPECT_EQ(cut, 1);
            EXPECT_EQ(CMPBLK[CMP_CHANGED], 1);
            ASSERT_EQ(m.size(), 4u);
            EXPECT_EQ(b, m[1].number);
            for (int a = 0; a < 3; ++a) EXPECT_NEAR(m[1].p[a], q[static_cast<size_t>(a)], 1e-5);
            EXPECT_NEAR(m[2].p[0], 10.0f, 1e-5);
        } else {
            EXPECT_EQ(cut, 0);
            EXPECT_EQ(m.size(), 3u);
            EXPECT_EQ(b, block);
        }
    }
}

TEST(PlungeTest, OnlyAStraightDescentIsAPlunge)
{
    const f32 P[3] = {1, 2, 5}, below[3] = {1, 2, 3}, above[3] = {1, 2, 7}, aside[3] = {1.5f, 2, 3};
    EXPECT_EQ(is_plunge(P, below), 1);
    EXPECT_EQ(is_plunge(P, P), 0);
    EXPECT_EQ(is_plunge(P, above), 0);
    EXPECT_EQ(is_plunge(P, aside), 0);
}

}  // namespace
