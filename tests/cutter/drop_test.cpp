// The tool dropped onto the triangle model: gathering, heights against an
// independent double-precision reference, allowances, limits, floors, ties.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <vector>

#include "common/dropref.h"
#include "common/meshes.h"
#include "common/positioning.h"
#include "common/tooldefs.h"
#include "cutter/congeo.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/under.h"
#include "core/params.h"
#include "core/proc.h"
#include "platform/norak/norak.h"
#include "surfaces/trimodel.h"
#include "tools/toolcache.h"

namespace {

using Shape = positioning::Kind;
const auto& SHAPES = positioning::KINDS;

class Drop : public ::testing::Test {
protected:
    void SetUp() override
    {
        positioning::reset();
        LOCNRM = 1;
    }
    void TearDown() override { FRETRI(); }

    // Positions the current tool at (x, y); status out.
    f32 at(f32 x, f32 y, i32& status, f32 ea = 0.0f, f32 eb = 0.0f, f32 tol = 0.01f)
    {
        f32 p[3] = {x, y, 0.0f}, res[3], con[3], nrm[3];
        i32 srf = 0;
        PNTLC1(0, p, tol, ea, eb, res, con, nrm, srf, status);
        return res[2];
    }
};

TEST_F(Drop, HemisphereOnPlateMatchesTheReference)
{
    const double Rs = 30.0, half = 50.0;
    i32 nlat = 0, nlon = 0;
    auto ms = meshes::hemisphere_on_plate(Rs, half, 50000, &nlat, &nlon);
    ASSERT_EQ(meshes::build(ms), 0);
    EXPECT_GE(TRIMDL[TM_NTRG], 45000);
    const double sag = meshes::hemisphere_sag(Rs, nlat, nlon);
    dropref::Buckets bk;
    bk.build(meshes::soup(ms), 4.0);
    std::vector<i32> rows(QT_NODES * QC_ROW);
    for (const Shape& s : SHAPES) {
        tooldefs::use_mill(s.d, s.r, s.l, s.taper);
        std::mt19937 g(42);
        std::uniform_real_distribution<f64> u(-half + 6, half - 6);
        const i32 npts = 10000;
        i32 worst_i = -1;
        double worst = 0;
        for (i32 i = 0; i < npts; ++i) {
            f32 x = static_cast<f32>(u(g)), y = static_cast<f32>(u(g));
            i32 st = 0;
            f32 z = at(x, y, st);
            ASSERT_TRUE(st == 0) << s.name << " status " << st;
            double p[2] = {x, y};
            double ref = bk.drop_all(s.ref, p);
            double err = std::fabs(ref - z);
            ASSERT_NEAR(z, ref, 1e-5 * (1 + std::fabs(ref))) << s.name << " at " << x << " " << y;
            if (s.ref.shape <= 2) {
                // Between the sphere and the sphere shrunk by the facets' sag.
                double rho = std::sqrt(double(x) * x + double(y) * y);
                auto sphere = [&](double Rr) {
                    if (s.ref.shape == 1) {
                        double c = (Rr + 5.0) * (Rr + 5.0) - rho * rho;
                        return std::max(0.0, c > 0 ? std::sqrt(c) - 5.0 : 0.0);
                    }
                    if (rho <= 5.0) return Rr;
                    double d = rho - 5.0;
                    return std::max(0.0, d < Rr ? std::sqrt(Rr * Rr - d * d) : 0.0);
                };
                ASSERT_LE(z, sphere(Rs) + 1e-4);
                ASSERT_GE(z, sphere(Rs - sag) - 1e-4);
            }
            if (err > worst) worst = err, worst_i = i;
        }
        std::printf("%-7s largest difference from the exact height %.3g (point %d)\n", s.name, worst, worst_i);
    }
}

TEST_F(Drop, AllowanceGrowsTheTool)
{
    auto ms = meshes::hemisphere_on_plate(20.0, 30.0, 6000);
    ASSERT_EQ(meshes::build(ms), 0);
    dropref::Buckets bk;
    bk.build(meshes::soup(ms), 3.0);
    const f32 e = 0.3f;
    for (const Shape& s : SHAPES) {
        tooldefs::use_mill(s.d, s.r, s.l, s.taper);
        const dropref::Tool grown = s.ref.grown(e);
        std::mt19937 g(5);
        std::uniform_real_distribution<f64> u(-25.0, 25.0);
        for (i32 i = 0; i < 500; ++i) {
            f32 x = static_cast<f32>(u(g)), y = static_cast<f32>(u(g));
            i32 st = 0;
            f32 z = at(x, y, st, e, e);
            ASSERT_EQ(st, 0);
            double p[2] = {x, y};
            double ref = bk.drop_all(grown, p) + e;
            // The tool's own values are back in the cache.
            f32 d = 0, r = 0;
            GTDIAM(CURTOL, d);
            GTCRNR(CURTOL, r);
            ASSERT_EQ(d, s.d);
            ASSERT_EQ(r, s.r);
            ASSERT_NEAR(z, ref, 1e-5 * (1 + std::fabs(ref))) << s.name;
            // The wrapper without stock arguments leaves the procedure's
            // part and check stock, not the module's stock cells.
            pwrs(PRCPAR, PRTTOL, 0.01f);
            pwrs(PRCPAR, PRTOFS, e);
            pwrs(PRCPAR, CHKOFS, 2.0f * e);  // the model holds machined surfaces alone
            PRCSTK = PRCCHK = 0.0f;
            f32 pt[3] = {x, y, 0.0f}, res[3], con[3], nrm[3];
            i32 srf = 0;
            PNTLC2(0, pt, res, con, nrm, srf, st);
            ASSERT_EQ(st, 0);
            ASSERT_EQ(res[2], z) << s.name;
        }
    }
    pwrs(PRCPAR, PRTOFS, 0.0f);
    pwrs(PRCPAR, CHKOFS, 0.0f);
}

TEST_F(Drop, TaperedRimOnASteepFace)
{
    // A face steeper than the flank: the top of the flank touches it. A
    // vertical wall whose sloping edges rise above the flank's top: the
    // top touches an edge (the edge road's rim), its height lowered to the
    // tip as on the face.
    const f64 zt = 3.0 * std::tan(84.26 * 3.141592653589793 / 180.0);
    const double faces[2][3][3] = {{{4, -40, 0}, {4, 40, 0}, {7, 0, zt}}, {{6.6, -12, 0}, {6.6, 12, 0}, {6.6, 0, 60}}};
    for (const auto& v : faces) {
        FRETRI();
        meshes::Mesh m;
        for (const auto& c : v) m.node(c[0], c[1], c[2]);
        m.add(1, 3, 2);
        ASSERT_EQ(meshes::build({m}), 0);
        const Shape& s = SHAPES[3];
        tooldefs::use_mill(s.d, s.r, s.l, s.taper);
        for (f32 e : {0.0f, 0.3f, 0.8f})
            for (f32 y : {-2.0f, 0.0f, 1.5f}) {
                i32 st = 0;
                f32 z = at(0.0f, y, st, e, e);
                double p[2] = {0.0, y};
                const double top = dropref::drop(e > 0 ? s.ref.grown(e) : s.ref, p, v);
                if (top == dropref::NONE) {  // the wall beyond the tool's reach
                    EXPECT_EQ(st, 1);
                    continue;
                }
                ASSERT_EQ(st, 0);
                EXPECT_NEAR(z, top + e, 1e-4) << "allowance " << e << " face " << v[2][2] << " y " << y;
            }
    }
}

TEST_F(Drop, AnEdgeWithinAThousandthOfTheReachIsGathered)
{
    // A plate 20 high beyond x = 100 beside a floor: a ball of radius 5 whose
    // axis stands 4.9991 from the plate's edge rests on that edge. The grid
    // truncates the axis to 95.000: only the window's margin keeps the
    // edge's triangles in reach, at a point and along a move.
    meshes::Mesh floor = meshes::grid(0, 0, 100, 100, 2, 2, [](f64, f64) { return 0.0; });
    meshes::Mesh plate = meshes::grid(100, 0, 200, 100, 2, 2, [](f64, f64) { return 20.0; });
    plate.id = 2;
    ASSERT_EQ(meshes::build({floor, plate}), 0);
    tooldefs::use_mill(10.0f, 5.0f, 30.0f, 0.0f);
    const f32 x = 95.0009f;
    const f64 rest = 15.0 + std::sqrt(25.0 - std::pow(100.0 - f64(x), 2));
    i32 st = 0;
    EXPECT_NEAR(at(x, 50, st), rest, 1e-3);
    EXPECT_EQ(st, 0);
    const f32 a[2] = {x, 20}, b[2] = {x, 80};
    i32 cap = ELMCAP, count = 0, p = 0, c = 0, o = 0;
    elm2n2(0, a, b, -1.0f, cap, count, p, c, o, st);
    ASSERT_EQ(st, 0);
    const i32* lst = elmlst();
    i32 high = 0;
    for (i32 k = 0; k < count; ++k) high += wrd2r(lst[k * ELM_WORDS + ELM_TOP]) > 19.0f ? 1 : 0;
    EXPECT_GT(high, 0);
}

}  // namespace

TEST_F(Drop, TheIntegerGridRefusesWhatItCannotHold)
{
    // A plate near the grid's edge: a tool or point beyond the grid is
    // refused with a message before any of it goes into the grid's words.
    meshes::Mesh m = meshes::grid(TRM_MAXC - 100, 0, TRM_MAXC, 100, 4, 4, [](f64, f64) { return 0.0; });
    ASSERT_EQ(meshes::build({m}), 0);
    tooldefs::use_mill(10.0f, 5.0f, 30.0f, 0.0f);
    i32 st = 0;
    const f32 x = static_cast<f32>(TRM_MAXC - 50);
    EXPECT_NEAR(at(x, 50, st), 0.0f, 1e-3);
    EXPECT_EQ(st, 0);
    EXPECT_FALSE(norak::transcript_has("TRIANGLE GRID"));
    // The reach of a tool of diameter 2.2e6 passes the grid at that point,
    // and so does one of 1e30 anywhere.
    for (f32 d : {2.2e6f, 1.0e30f}) {
        tooldefs::use_mill(d, d / 2, 30.0f, 0.0f);
        at(x, 50, st);
        EXPECT_LT(st, 0);
    }
    EXPECT_EQ(norak::transcript_count("internal: elm2nd, POINT OR TOOL BEYOND THE TRIANGLE GRID"), 2u);
    // Points far out, or not numbers at all.
    tooldefs::use_mill(10.0f, 5.0f, 30.0f, 0.0f);
    for (f32 bad : {1.0e30f, -3.0e6f, std::nanf("")}) {
        at(bad, 50, st);
        EXPECT_LT(st, 0) << bad;
    }
    EXPECT_EQ(norak::transcript_count("internal: LOCPNT, POINT BEYOND THE TRIANGLE GRID"), 3u);
    // The same on the exact road (mode code 10).
    for (f32 bad : {1.0e30f, -3.0e6f, std::nanf("")}) {
        f32 p[3] = {bad, 50, 0}, res[3], con[3], nrm[4];
        i32 srf = 0;
        PNTLC1(10, p, 0.01f, 0.0f, 0.0f, res, con, nrm, srf, st);
        EXPECT_LT(st, 0) << bad;
    }
    EXPECT_EQ(norak::transcript_count("internal: LOCGEN, POINT BEYOND THE TRIANGLE GRID"), 3u);
    // Along a move.
    const f32 a[2] = {x, 50}, b[2] = {5.0e6f, 50};
    i32 cap = ELMCAP, count = 0, p = 0, c = 0, o = 0;
    elm2n2(0, a, b, -1.0f, cap, count, p, c, o, st);
    EXPECT_LT(st, 0);
    EXPECT_EQ(count, 0);

    // The tool with its allowances is refused once, up front, as a user error.
    ELMTOL(0.0f, 0.0f, st);
    EXPECT_EQ(st, 0);
    tooldefs::use_mill(1.0e30f, 0.0f, 30.0f, 0.0f);
    ELMTOL(0.0f, 0.0f, st);
    EXPECT_EQ(st, -1);
    tooldefs::use_mill(10.0f, 5.0f, 30.0f, 0.0f);
    ELMTOL(2.0e6f, 0.0f, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(norak::transcript_count("user: ELMTOL, THE TOOL AND ITS ALLOWANCES REACH BEYOND THE TRIANGLE GRID. "
                                      "LARGEST REACH 1000000"),
              2u);
}
