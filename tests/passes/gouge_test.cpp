// Pass strings written with gouge check: the steps between pass points and
// the short hops between strings follow the triangle model, checked against
// the reference drop over the same triangles.
#include <gtest/gtest.h>

#include "cleanup/clnstore.h"

#include "common/dropref.h"
#include "common/meshes.h"
#include "cutter/line5x.h"
#include "cutter/linnetn.h"
#include "cutter/loccom.h"
#include "passes/bsural.h"
#include "surfaces/allsrf.h"
#include "tests/passes/loop_common.h"

namespace {

using lp::Pt;

// A floor at z 0 with a tent ridge along y at x = 50 (height h, half width w).
struct Ridge {
    meshes::Mesh m;
    dropref::Buckets ref;
    Ridge(double h, double w)
    {
        m = meshes::grid(0, 0, 100, 80, 200, 20, [=](f64 x, f64) { return h * std::max(0.0, 1 - std::fabs(x - 50) / w); });
        m.id = 7;
        ref.build(meshes::soup({m}), 5.0);
    }
    // The deepest cut of the written moves below the reference drop, every
    // move sampled every 0.05.
    double deepest(const std::vector<Pt>& mv) const
    {
        const dropref::Tool ball{1, 5.0, 5.0};
        double worst = -1e9;
        for (size_t k = 1; k < mv.size(); ++k) {
            const Pt a = mv[k - 1], b = mv[k];
            const double len = std::hypot(std::hypot(b.x - a.x, b.y - a.y), b.z - a.z);
            const int n = std::max(1, int(len / 0.05));
            for (int i = 0; i <= n; ++i) {
                const double t = double(i) / n, p[2] = {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
                const double z = a.z + t * (b.z - a.z), r = ref.drop_all(ball, p);
                if (r > -1e30) worst = std::max(worst, r - z);
            }
        }
        return worst;
    }
};

// The model of the ridge, the ball, the procedure at tolerance 0.01 with
// the gouge check of mode `gch`, the tool standing at `at`.
void setup(const Ridge& r, i32 gch, const f32* at)
{
    i32 st = 0;
    allfre(st);  // the positioning's work arrays of the last run
    pt::host({});
    pt::params(1, 0.01f);
    pw(GCHMOD) = gch;
    pw(ZIGZAG) = 1;
    CURTOL = pt::BALL;
    FRETRI();
    ASSERT_EQ(meshes::build({r.m}), 0);
    STPFLG(0x3F);
    lp::fresh_run();
    std::memset(&SRFGEO, 0, sizeof SRFGEO);
    SRFGEO.NSRF = 1;
    SRFGEO.SRFIDS[0] = 7;
    MOVLIN(2, at, nullptr, st);
    lp::clearlist();
    std::memcpy(PASOUT.last, at, sizeof PASOUT.last);
    std::memcpy(PASOUT.prev, at, sizeof PASOUT.prev);
    PASOUT.axis[2] = 1;
    PASOUT.npnts = 1;
}

// One surface of pass kind `kind` with strings of points along y = 40 at z
// 0; the normal at x points up, or down where `down` says so.
void pass(i32 kind, const std::vector<std::vector<f32>>& strings, bool (*down)(f32) = nullptr)
{
    RSTPAS();
    PasStr& s = PASSTR;
    s.PSNSRF = 1;
    s.PSMODE[0] = 1;
    s.PSKIND[0] = kind;
    s.PSSURF[0] = 1;
    s.PSSCNT[0] = static_cast<i32>(strings.size());
    i32 k = 0;
    for (size_t j = 0; j < strings.size(); ++j) {
        s.PSSLEN[j] = static_cast<i32>(strings[j].size());
        for (f32 x : strings[j]) {
            const f32 nz = down && down(x) ? -1.0f : 1.0f;
            const f32 p[3] = {x, 40, 0}, v[6] = {0, 0, nz, 0, 0, nz};
            std::memcpy(s.PSPNTS[k], p, sizeof p);
            std::memcpy(s.PSVECS[k], v, sizeof v);
            ++k;
        }
    }
    s.PSNSTR = static_cast<i32>(strings.size());
    s.PSNPNT = k;
}

double top(const std::vector<Pt>& mv)
{
    double z = -1e9;
    for (const Pt& p : mv) z = std::max(z, p.z);
    return z;
}

TEST(GougeCheck, StepsBetweenPassPointsFollowTheModel)
{
    const Ridge r(12, 10);
    const f32 at[3] = {10, 40, 0};
    // Two pass points on either side of the ridge: the step between them
    // goes over it.
    setup(r, 2, at);
    pass(1, {{10, 30, 70, 90}});
    i32 st = 0;
    BSURAL(0, st);
    ASSERT_EQ(st, 0);
    auto mv = lp::moves();
    const double cut = r.deepest(mv);
    std::printf("MEASURE gouge-checked steps over a ridge: %zu moves, deepest cut %.5f\n", mv.size(), cut);
    EXPECT_LE(cut, 0.01 + 1e-4);
    EXPECT_NEAR(top(mv), 12.0, 0.2);  // over the ridge, not above it
    EXPECT_NEAR(mv.back().x, 90, 1e-4);
    // Reversed, the same path the other way.
    setup(r, 2, at);
    pass(1, {{10, 30, 70, 90}});
    BSURAL(1, st);
    ASSERT_EQ(st, 0);
    EXPECT_LE(r.deepest(lp::moves()), 0.01 + 1e-4);
    // Without the check the step cuts through the ridge.
    setup(r, 1, at);
    pass(1, {{10, 30, 70, 90}});
    BSURAL(0, st);
    EXPECT_GT(r.deepest(lp::moves()), 5.0);
    // Against all part surfaces with the normals at 30 and 70 facing down:
    // the middle step gives no positions, the steps beside it end where the
    // normal turns horizontal (20 and 80), and the string goes on behind the
    // gap with a link over the ridge at the clearance plane.
    setup(r, 3, at);
    pass(1, {{10, 30, 70, 90}}, [](f32 x) { return x > 20 && x < 80; });
    BSURAL(0, st);
    ASSERT_EQ(st, 0);
    mv = lp::moves();
    ASSERT_FALSE(mv.empty());
    EXPECT_LE(r.deepest(mv), 0.01 + 1e-4);
    EXPECT_NEAR(top(mv), 100.0, 1e-4);
    EXPECT_NEAR(mv.back().x, 90, 1e-4);
    bool at20 = false, at80 = false;
    for (const Pt& q : mv) at20 |= std::fabs(q.x - 20) < 1e-3 && q.z < 1e-3, at80 |= std::fabs(q.x - 80) < 1e-3 && q.z < 1e-3;
    EXPECT_TRUE(at20 && at80);
}

// With the clean-up asked for, a gouge-checked string is stored with the
// surface normals of its thinned points: here the pass's own, straight up.
TEST(GougeCheck, AThinnedStringIsStoredWithItsNormals)
{
    const Ridge r(12, 10);
    const f32 at[3] = {10, 40, 0};
    setup(r, 2, at);
    pw(CLNFLG) = 1;
    i32 st = 0;
    strrel(st);
    std::vector<f32> xs;
    for (int k = 0; k <= 16; ++k) xs.push_back(10.0f + 5.0f * static_cast<f32>(k));
    pass(1, {xs});
    BSURAL(0, st);
    pw(CLNFLG) = 0;
    ASSERT_EQ(st, 0);
    const i32 b = CLNBUF.cur, n = CLNBUF.npnt[b];
    ASSERT_GT(n, 2);
    for (i32 k = 0; k < n; ++k) {
        EXPECT_NEAR(CLNBUF.nrms[b][3 * static_cast<size_t>(k) + 2], 1.0f, 1e-5) << k;
        EXPECT_NEAR(std::hypot(CLNBUF.nrms[b][3 * static_cast<size_t>(k)], CLNBUF.nrms[b][3 * static_cast<size_t>(k) + 1]), 0.0, 1e-5) << k;
    }
    strrel(st);
}

// Under machining type 14 the approach normal of a collection is the first
// normal the positioning finds over the model (on the ridge's flank, tilted),
// not one interpolated between the pass's own normals (straight up here).
TEST(GougeCheck, TheApproachNormalOfTypeFourteenIsThePositionings)
{
    const Ridge r(12, 10);
    const f32 at[3] = {44, 40, 30};
    setup(r, 2, at);
    const i32 ids[1] = {7}, nrms[1] = {1};
    i32 count = 1, st = 0;
    nc_surf_count(2, 1, count, st);
    nc_surf_put(1, ids, nrms, st);
    MACTYP = MACTYP_ONESURF;
    pass(1, {{44, 46, 48}});
    BSURAL(0, st);
    MACTYP = MACTYP_SURFACES;
    ASSERT_EQ(st, 0);
    EXPECT_GT(std::hypot(PASOUT.appnrm[0], PASOUT.appnrm[1]), 0.3);
}

TEST(GougeCheck, AShortHopToTheNextStringGoesOverTheBump)
{
    // The tool stands 16 before the first string of a surface with a bump
    // between: with zigzag passes the hop is merged into the string as
    // gouge-free positions; one-way passes come in from the clearance plane.
    const Ridge r(6, 3);
    const f32 at[3] = {40, 40, 0};
    setup(r, 2, at);
    pass(2, {{56, 70, 90}});
    i32 st = 0;
    BSURAL(0, st);
    ASSERT_EQ(st, 0);
    auto mv = lp::moves();
    const double cut = r.deepest(mv);
    std::printf("MEASURE short hop over a bump: %zu moves, deepest cut %.5f, highest %.3f\n", mv.size(), cut, top(mv));
    EXPECT_LE(cut, 0.01 + 1e-4);
    EXPECT_LT(top(mv), 8.0);  // along the bump, not up to a clearance height
    EXPECT_GT(top(mv), 5.0);
    EXPECT_NEAR(mv.back().x, 90, 1e-4);
    setup(r, 2, at);
    pw(ZIGZAG) = 0;
    pass(2, {{56, 70, 90}});
    BSURAL(0, st);
    ASSERT_EQ(st, 0);
    mv = lp::moves();
    EXPECT_LE(r.deepest(mv), 0.01 + 1e-4);
    EXPECT_NEAR(top(mv), 100.0, 1e-4);
}

TEST(GougeCheck, MultiAxisStepsFollowTheModel)
{
    // Multi-axis output (the tool axis upright at every pass point) under
    // the machining type of the surface passes: the step over the ridge is
    // positioned along the link in the tool-axis frame and follows it.
    const Ridge r(12, 10);
    const f32 at[3] = {10, 40, 0};
    setup(r, 2, at);
    pw(AXSMOD) = 2;
    ASSERT_EQ(MACTYP, 2);
    LN5INI();
    pass(1, {{10, 30, 70, 90}});
    i32 st = 0;
    BSURAL(0, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(MACTYP, 2);
    size_t axis_points = 0;
    for (const auto& e : norak::main_list().elems)
        if (!e.words.empty() && e.words[0] == 27) axis_points += (e.words.size() - 1) / 7;
    const auto mv = lp::moves();
    EXPECT_EQ(axis_points, mv.size());
    const double cut = r.deepest(mv);
    std::printf("MEASURE multi-axis steps over a ridge: %zu moves, deepest cut %.5f\n", mv.size(), cut);
    EXPECT_LE(cut, 0.01 + 1e-4);
    EXPECT_NEAR(top(mv), 12.0, 0.2);
    EXPECT_NEAR(mv.back().x, 90, 1e-4);
    LN5FRE(st);
    LOCAXM = 0;
}

TEST(GougeCheck, DeviationOfPositionsFromASegment)
{
    const f32 a[3] = {0, 0, 0}, b[3] = {10, 0, 10};
    const f32 pts[9] = {2, 0, 2, 5, 0, 8, 8, 0, 7.5f};
    f32 dev = 0;
    i32 st = 0;
    MAXDZS(a, b, pts, 3, dev, st);
    EXPECT_NEAR(dev, 3.0, 1e-5);
    MAXDZS(a, b, pts, 0, dev, st);
    EXPECT_EQ(dev, -1.0e10f);
}

// A string that turns straight back at its first point, its axis upright,
// starts one point later. Not trimmed when the string goes on the same way, when its first
// axis leans, or when it has only one step. Rows: the second string, its
// first axis upright, whether its first point is left out.
TEST(GougeCheck, AStringTurningBackAtItsFirstPointStartsOneLater)
{
    struct Row {
        std::vector<f32> second;
        bool upright, trimmed;
    };
    const Row rows[] = {{{30, 20, 10}, true, true}, {{30, 35, 38}, true, false}, {{30, 20, 10}, false, false}, {{30, 20}, true, false}};
    const Ridge r(12, 5);
    const f32 at[3] = {5, 40, 0};
    for (const Row& w : rows) {
        setup(r, 2, at);
        pass(1, {{5, 15, 30}, w.second});
        if (!w.upright) PASSTR.PSVECS[3][0] = 0.6f, PASSTR.PSVECS[3][2] = 0.8f;
        i32 st = 0;
        BSURAL(0, st);
        ASSERT_EQ(st, 0);
        // Left out, the turning point no longer lies at the tool: the string
        // is entered afresh over the clearance plane; kept, it goes on from
        // the tool along the floor.
        const auto mv = lp::moves();
        ASSERT_FALSE(mv.empty());
        EXPECT_EQ(top(mv) > 50, w.trimmed) << w.second.size() << w.upright << w.second[1];
        EXPECT_NEAR(mv.back().x, w.second.back(), 1e-4);
    }
}

}  // namespace
