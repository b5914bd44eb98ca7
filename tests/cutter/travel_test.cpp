// Travel of the tool along a segment: the free stretch along a 3-D segment
// against a scan of the reference drop, walls, the horizontal travel, and the
// list of blocked and free stretches.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <vector>

#include "common/dropref.h"
#include "common/meshes.h"
#include "common/positioning.h"
#include "common/tooldefs.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/travel.h"
#include "core/params.h"
#include "platform/norak/norak.h"
#include "surfaces/trimodel.h"

namespace {

class Travel : public ::testing::Test {
protected:
    void SetUp() override
    {
        positioning::reset();
    }
    void TearDown() override { FRETRI(); }
};

// Reference: the first s along a move of length len where the tool, free at
// s = 0, meets the part (over(s) > 0), sampled 400 times and then bisected;
// -1 when it never does.
template <class F>
double first_meeting(const F& over, double len)
{
    const int n = 400;
    for (int k = 1; k <= n; ++k)
        if (over(len * k / n) > 0) {
            double lo = len * (k - 1) / n, hi = len * k / n;
            for (int it = 0; it < 60; ++it) {
                double m = 0.5 * (lo + hi);
                (over(m) > 0 ? hi : lo) = m;
            }
            return hi;
        }
    return -1;
}

TEST_F(Travel, FirstFreeStretchOverTheHemisphere)
{
    auto ms = meshes::hemisphere_on_plate(20.0, 30.0, 8000);
    ASSERT_EQ(meshes::build(ms), 0);
    dropref::Buckets bk;
    bk.build(meshes::soup(ms), 3.0);
    struct T {
        f32 d, r;
        dropref::Tool ref;
    } tools[] = {{6.0f, 3.0f, {1, 3.0, 3.0}}, {6.0f, 0.0f, {2, 3.0, 0.0}}, {6.0f, 1.0f, {3, 3.0, 1.0}}};
    std::mt19937 g(3);
    std::uniform_real_distribution<f64> u(-26.0, 26.0), h(0.5, 30.0);
    for (const T& t : tools) {
        tooldefs::use_mill(t.d, t.r);
        int blocked = 0;
        for (int i = 0; i < 60; ++i) {
            f32 p1[3] = {static_cast<f32>(u(g)), static_cast<f32>(u(g)), static_cast<f32>(h(g))};
            f32 p2[3] = {static_cast<f32>(u(g)), static_cast<f32>(u(g)), static_cast<f32>(h(g))};
            double dp[3] = {f64(p2[0]) - p1[0], f64(p2[1]) - p1[1], f64(p2[2]) - p1[2]};
            double len = std::sqrt(dp[0] * dp[0] + dp[1] * dp[1] + dp[2] * dp[2]);
            auto over = [&](double s) {
                double P[3] = {p1[0] + s * dp[0] / len, p1[1] + s * dp[1] / len, p1[2] + s * dp[2] / len};
                return bk.drop_all(t.ref, P) - P[2];
            };
            // Only starts where the tool stands free.
            if (over(0.0) > -1e-3) continue;
            f32 pos[3], con[3], nrm[3];
            i32 st = 0;
            LINNETH(4, p1, p2, 0.0f, 0.01f, 0.0f, 0.0f, pos, con, nrm, st);
            const double s0 = first_meeting(over, len);
            if (s0 < 0) {
                EXPECT_EQ(st, 1) << i;
                continue;
            }
            ASSERT_EQ(st, 0) << t.ref.shape << " segment " << i;
            double got = std::sqrt((pos[0] - p1[0]) * (pos[0] - p1[0]) + (pos[1] - p1[1]) * (pos[1] - p1[1]) +
                                   (pos[2] - p1[2]) * (pos[2] - p1[2]));
            ASSERT_NEAR(got, s0, 1e-4 * (1 + len)) << t.ref.shape << " segment " << i;
            ++blocked;
        }
        EXPECT_GT(blocked, 10);
    }
}

TEST_F(Travel, HorizontalTravelOverTheHemisphere)
{
    auto ms = meshes::hemisphere_on_plate(20.0, 30.0, 8000);
    ASSERT_EQ(meshes::build(ms), 0);
    dropref::Buckets bk;
    bk.build(meshes::soup(ms), 3.0);
    const double a10 = 10.0 * 3.141592653589793 / 180.0;
    struct T {
        f32 d, r, taper;
        dropref::Tool ref;
    } tools[] = {{6.0f, 3.0f, 0.0f, {1, 3.0, 3.0}},
                 {6.0f, 0.0f, 0.0f, {2, 3.0, 0.0}},
                 {6.0f, 1.0f, 0.0f, {3, 3.0, 1.0}},
                 {4.0f, 0.5f, 10.0f, {4, 2.0, 0.5, a10, 30.0}}};
    std::mt19937 g(5);
    std::uniform_real_distribution<f64> u(-28.0, 28.0), h(0.2, 22.0);
    for (const T& t : tools) {
        tooldefs::use_mill(t.d, t.r, 30.0f, t.taper);
        int met = 0;
        for (int i = 0; i < 60; ++i) {
            const f32 z = static_cast<f32>(h(g));
            f32 p1[3] = {static_cast<f32>(u(g)), static_cast<f32>(u(g)), z};
            f32 p2[3] = {static_cast<f32>(u(g)), static_cast<f32>(u(g)), z};
            double dx = f64(p2[0]) - p1[0], dy = f64(p2[1]) - p1[1], len = std::hypot(dx, dy);
            auto over = [&](double s) {
                double P[3] = {p1[0] + s * dx / len, p1[1] + s * dy / len, z};
                return bk.drop_all(t.ref, P) - z;
            };
            if (over(0.0) > -1e-3) continue;
            f32 pos[3], con[3], nrm[3];
            i32 st = 0;
            LINNETH(1, p1, p2, z, 0.01f, 0.0f, 0.0f, pos, con, nrm, st);
            // The move at height z between ends of any heights (the clean-up
            // hands its moves falling, from z + 10 to z - 10) is the same
            // travel from p1 toward p2.
            for (const f32 fall : {10.0f, -10.0f}) {
                const f32 q1[3] = {p1[0], p1[1], z + fall}, q2[3] = {p2[0], p2[1], z - fall};
                f32 qpos[3], qcon[3], qnrm[3];
                i32 qst = 0;
                LINNETH(0, q1, q2, z, 0.01f, 0.0f, 0.0f, qpos, qcon, qnrm, qst);
                ASSERT_EQ(qst, st) << t.ref.shape << " segment " << i << " falling " << fall;
                if (st == 0) {
                    for (int c = 0; c < 3; ++c) {
                        ASSERT_EQ(qpos[c], pos[c]) << t.ref.shape << " segment " << i;
                    }
                }
            }
            const double s0 = first_meeting(over, len);
            if (s0 < 0) {
                EXPECT_EQ(st, 1) << t.ref.shape << " segment " << i;
                continue;
            }
            ASSERT_EQ(st, 0) << t.ref.shape << " segment " << i;
            double got = std::hypot(pos[0] - p1[0], pos[1] - p1[1]);
            ASSERT_NEAR(got, s0, 1e-4 * (1 + len)) << t.ref.shape << " segment " << i;
            ASSERT_NEAR(pos[2], z, 1e-6);
            ++met;
        }
        EXPECT_GT(met, 10) << t.ref.shape;
    }
}

TEST_F(Travel, IntoAVerticalWall)
{
    // A wall at x = 10, from z 0 to 20, facing -x.
    meshes::Mesh w;
    w.node(10, -50, 0);
    w.node(10, 50, 0);
    w.node(10, 50, 20);
    w.node(10, -50, 20);
    w.add(1, 2, 3);
    w.add(1, 3, 4);
    ASSERT_EQ(meshes::build({w}), 0);
    struct C {
        f32 d, r, z;
        double want;
    } cases[] = {
        {6.0f, 0.0f, 5.0f, 10.0 - 3.0},                        // flat: distance less the radius
        {6.0f, 3.0f, 5.0f, 10.0 - 3.0},                        // ball above the wall's foot
        {6.0f, 1.0f, 5.0f, 10.0 - 3.0},                        // corner radius
        {6.0f, 3.0f, 18.0f, 10.0 - std::sqrt(8.0)},            // ball: the top edge, 1 below its centre
        {6.0f, 1.0f, 19.5f, 10.0 - (2.0 + std::sqrt(0.75))},   // corner: the top edge 0.5 above the tip
    };
    for (const C& c : cases) {
        tooldefs::use_mill(c.d, c.r);
        f32 p1[3] = {0, 0, c.z}, p2[3] = {20, 0, c.z}, pos[3], con[3], nrm[3];
        i32 st = 0;
        LINNETH(4, p1, p2, 0.0f, 0.01f, 0.0f, 0.0f, pos, con, nrm, st);
        ASSERT_EQ(st, 0) << c.d << " " << c.r << " at " << c.z;
        EXPECT_NEAR(pos[0], c.want, 1e-5) << c.d << " " << c.r << " at " << c.z;
        // Horizontal travel at the same height.
        LINNETH(1, p1, p2, c.z, 0.01f, 0.0f, 0.0f, pos, con, nrm, st);
        ASSERT_EQ(st, 0) << "horizontal " << c.d << " " << c.r << " at " << c.z;
        EXPECT_NEAR(pos[0], c.want, 1e-5) << "horizontal " << c.d << " " << c.r << " at " << c.z;
    }
    // A move that passes a spike in the corner of its square is free to
    // its end.
    FRETRI();
    meshes::Mesh spike;
    spike.node(7.5, 2.5, 0);
    spike.node(7.9, 2.5, 30);
    spike.node(7.9, 2.9, 30);
    spike.add(1, 2, 3);
    ASSERT_EQ(meshes::build({spike}), 0);
    tooldefs::use_mill(6.0f, 0.0f);
    f32 p1[3] = {0, 0, 19.9f}, p2[3] = {5, 0, 19.9f}, pos[3], con[3], nrm[3];
    i32 st = 0;
    LINNETH(4, p1, p2, 0.0f, 0.01f, 0.0f, 0.0f, pos, con, nrm, st);
    EXPECT_EQ(st, 1);
    EXPECT_NEAR(pos[0], 5.0f, 1e-5);
    // Mode 3 is refused.
    LOCPNTH(3, 0, p1, p2, p1[2], 0.01f, st, pos, con, nrm, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("[LOCPNTH] MODE 3 NOT SOPPORTED"));
    // A zero tolerance (with the host's message) and a tool that is not a
    // milling tool give no travel and write no position, in both modes.
    for (const i32 mode : {1, 4})
        for (const bool mill : {true, false}) {
            CURTOL = tooldefs::make_tool(mill ? 2 : 1, 6.0f, 0.0f, 30.0f, 0.0f);
            f32 q[3] = {7, 7, 7};
            st = 0;
            LINNETH(mode, p1, p2, p1[2], mill ? 0.0f : 0.01f, 0.0f, 0.0f, q, con, nrm, st);
            EXPECT_EQ(st, -1) << mode << mill;
            EXPECT_EQ(q[0], 7.0f) << mode << mill;
        }
    EXPECT_TRUE(norak::transcript_has("TOLERANCE MUST BE ABOVE ZERO"));
}

TEST(TravelList, MergesIntervalsAsASet)
{
    norak::reset();
    std::mt19937 g(99);
    std::uniform_real_distribution<double> u(-5.0, 105.0), w(0.0, 8.0);
    for (int round = 0; round < 200; ++round) {
        i32 st = 0;
        TRVOPN(st);
        ASSERT_EQ(st, 0);
        TRVINI(-1.0, 100.0);
        // The blocked set, sampled on a fine grid.
        std::vector<bool> blocked(2201, false);
        auto cell = [](double t) { return static_cast<int>(std::floor((t + 10.0) * 10.0)); };
        for (int c = 0; c < 2201; ++c) {
            double t = -10.0 + (c + 0.5) / 10.0;
            blocked[c] = t < -1.0 || t > 100.0;
        }
        int n = 1 + static_cast<int>(g() % 60);
        for (int k = 0; k < n; ++k) {
            double lo = u(g), hi = lo + w(g);
            lo = std::round(lo * 10.0) / 10.0;
            hi = std::round(hi * 10.0) / 10.0;
            const double p[3] = {lo, 0, 0};
            TRVADD(lo, hi, p, p, k, k, st);
            ASSERT_EQ(st, 0);
            for (int c = std::max(0, cell(lo)); c < std::min(2201, cell(hi)); ++c) blocked[c] = true;
        }
        // The list: sorted, alternating, and equal to the set.
        const TrvEnt* b = trvbas();
        ASSERT_EQ(TRVCNT_N % 2, 0);
        for (i32 k = 1; k < TRVCNT_N; ++k) ASSERT_LE(b[k - 1].t, b[k].t);
        for (int c = 0; c < 2201; ++c) {
            double t = -10.0 + (c + 0.5) / 10.0;
            bool in = false;
            for (i32 k = 0; k + 1 < TRVCNT_N; k += 2)
                if (t >= b[k].t && t <= b[k + 1].t) in = true;
            ASSERT_EQ(in, static_cast<bool>(blocked[c])) << "round " << round << " t " << t;
        }
        // The first free stretch at or after 0.
        f64 lo, hi, pl[3], ph[3];
        TRVFST(lo, hi, pl, ph, st);
        ASSERT_EQ(st, 0);
        ASSERT_GE(hi, 0.0);
        ASSERT_FALSE(blocked[cell(0.5 * (lo + hi))]);
        TRVCLS(st);
    }
    // A full list (its hundred entries) that merges its last blocked
    // intervals: the entries after them move down within the list.
    {
        i32 st = 0;
        TRVOPN(st);
        TRVINI(0.0, 1000.0);
        const double p[3] = {0, 0, 0};
        for (int k = 0; k < 48; ++k) TRVADD(1.0 + 10 * k, 5.0 + 10 * k, p, p, 0, 0, st);
        ASSERT_EQ(TRVCNT_N, 100);
        TRVADD(403.0, 473.0, p, p, 0, 0, st);
        ASSERT_EQ(st, 0);
        ASSERT_EQ(TRVCNT_N, 86);
        const TrvEnt* b = trvbas();
        EXPECT_EQ(b[81].t, 395.0);
        EXPECT_EQ(b[82].t, 401.0);
        EXPECT_EQ(b[83].t, 475.0);
        EXPECT_EQ(b[84].t, 1000.0);
        EXPECT_EQ(b[85].t, 1.0e10);
        TRVCLS(st);
    }
    // Growth that the host refuses is reported, not ignored.
    i32 st = 0;
    TRVOPN(st);
    TRVINI(0.0, 1000.0);
    const double p[3] = {0, 0, 0};
    norak::fail_alloc_after(1);
    for (int k = 0; k < 60 && st == 0; ++k) TRVADD(1.0 + 10 * k, 5.0 + 10 * k, p, p, 0, 0, st);
    EXPECT_EQ(st, -1);
    norak::fail_alloc_after(0);
    TRVCLS(st);
    EXPECT_EQ(norak::open_arrays(), 0);
}

}  // namespace
