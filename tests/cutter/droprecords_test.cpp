// What the drop writes for its caller: each recorded contact's own point,
// the contact point lifted with the allowance, the limited modes read by
// their last digit, and the near-outline filter of check surfaces.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/meshes.h"
#include "common/positioning.h"
#include "common/tooldefs.h"
#include "cutter/congeo.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "core/params.h"
#include "surfaces/trimodel.h"

namespace {

constexpr i32 CAP = 8;

class DropRecords : public ::testing::Test {
protected:
    f32 cz[CAP], cpt[3 * CAP];
    i32 ck[CAP], cp[CAP];
    f32 z = 0, n[3] = {0, 0, 1};
    i32 ntri = 0, count = 0, st = 0;

    void SetUp() override
    {
        positioning::reset();
        LOCNRM = 1;
        LOCSGM = 0;
    }
    void TearDown() override { FRETRI(); }
    // The drop's context as the height routine sets it, with allowances a
    // and b.
    void context(f32 a, f32 b)
    {
        i32 s = 0;
        CNTPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], s);
        LOCPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], s);
        ASSERT_TRUE(LOCTOL(a, b));
        for (int k = 0; k < 3; ++k) LOCSP1[k] = LOCSP2[k] = 0.0f;
    }
    // One drop at (x, y, from); the contact arrays filled with NaN first.
    void drop(i32 mode, f32 x, f32 y, f32 from = 0.0f, f32 tol = 0.01f)
    {
        const f32 nan = std::numeric_limits<f32>::quiet_NaN();
        for (f32& v : cpt) v = nan;
        for (f32& v : cz) v = nan;
        const LocRes res{cz, ck, cp, cpt};
        f32 p[3] = {x, y, from};
        n[0] = n[1] = 0, n[2] = 1;
        LOCPNT(mode, 0, p, tol, ntri, z, n, CAP, count, res, st);
        LOCRST();  // the tool's own values back, as the string positioning does
    }
};

using meshes::triangle;

TEST_F(DropRecords, EachContactKeepsItsOwnPoint)
{
    // Two ramps mirrored about the axis, met by the flat tool's rim at
    // x = +5 and x = -5 at the same height: both recorded, each with its own
    // contact point on its ramp.
    const auto a = triangle({3, -1, 0, 3, 1, 0, 6, 0, 5});
    const auto b = triangle({-3, 1, 0, -3, -1, 0, -6, 0, 5}, 1, 2);
    ASSERT_EQ(meshes::build({a, b}), 0);
    tooldefs::use_mill(10.0f, 0.0f);
    context(0.0f, 0.0f);
    drop(1, 0.0f, 0.0f);
    EXPECT_EQ(st % 10, 0);
    ASSERT_EQ(count, 2);
    f32 side = 0;
    for (i32 k = 0; k < count; ++k) {
        EXPECT_NEAR(cz[k], 10.0 / 3.0, 1e-4) << k;
        EXPECT_NEAR(std::fabs(cpt[3 * k]), 5.0, 1e-4) << k;
        EXPECT_NEAR(cpt[3 * k + 1], 0.0, 1e-4) << k;
        EXPECT_NEAR(cpt[3 * k + 2], 10.0 / 3.0, 1e-4) << k;
        side += cpt[3 * k];
    }
    EXPECT_NEAR(side, 0.0, 1e-4);  // one on each ramp
    EXPECT_TRUE(std::isnan(cpt[3 * count]));  // nothing written past the last
}

TEST_F(DropRecords, AllowanceLiftsTheContactPoint)
{
    // A ball over a level face with allowance 0.5 stands 0.5 higher, and its
    // contact point, on the tool's own shape, with it.
    ASSERT_EQ(meshes::build({triangle({-20, -20, 1, 20, -20, 1, 0, 20, 1})}), 0);
    tooldefs::use_mill(10.0f, 5.0f);
    context(0.5f, 0.5f);
    drop(0, 0.0f, 0.0f);
    EXPECT_EQ(st % 10, 0);
    ASSERT_EQ(count, 1);
    EXPECT_NEAR(z, 1.5f, 1e-5);
    EXPECT_NEAR(cz[0], 1.5f, 1e-5);
    EXPECT_NEAR(cpt[0], 0.0f, 1e-5);
    EXPECT_NEAR(cpt[1], 0.0f, 1e-5);
    EXPECT_NEAR(cpt[2], 1.5f, 1e-5);
    // On a tilted face the contact point sits on the ball, 5 from its
    // centre, where the face's normal points.
    FRETRI();
    ASSERT_EQ(meshes::build({triangle({-20, -20, 0, 20, -20, 0, 0, 20, 10})}), 0);
    context(0.5f, 0.5f);
    drop(0, 0.0f, 0.0f);
    ASSERT_EQ(count, 1);
    const f32 c[3] = {0.0f, 0.0f, z + 5.0f};
    const f32 dx = cpt[0] - c[0], dy = cpt[1] - c[1], dz = cpt[2] - c[2];
    EXPECT_NEAR(std::sqrt(dx * dx + dy * dy + dz * dz), 5.0f, 1e-4);
    EXPECT_NEAR(cpt[1], 5.0f * 0.24253562f, 1e-4);
    EXPECT_NEAR(z, 5.0f + 5.5f / 0.9701425f - 5.0f, 1e-4);
}

TEST_F(DropRecords, LimitedModesReadTheLastDigit)
{
    const auto a = triangle({-20, -20, 1, 20, -20, 1, 0, 20, 1});
    const auto b = triangle({-3, -3, 2, 3, -3, 2, 0, 3, 2}, 1, 2);
    ASSERT_EQ(meshes::build({a, b}), 0);
    tooldefs::use_mill(4.0f, 2.0f);
    context(0.0f, 0.0f);
    // Mode 13 found nothing above the point with triangles under the tool.
    drop(13, 0.0f, 0.0f, 5.0f);
    EXPECT_EQ(st, 4);
    EXPECT_NEAR(z, 5.0f - 0.01f, 1e-6);
    // Mode 11 from the same point: nothing above, status 1.
    drop(11, 0.0f, 0.0f, 5.0f);
    EXPECT_EQ(st, 1);
    // Mode 12 looks for other part surfaces only: the part's triangles
    // under the point are not examined.
    drop(12, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(st, 1);
    EXPECT_NEAR(z, 1.0f - 0.01f, 1e-6);
    drop(11, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(st % 10, 0);
    EXPECT_NEAR(z, 2.0f, 1e-5);
}


// A check surface met at its edge, or on its face near an edge, within the
// check tolerance of the tool's outline is no contact: the part below wins.
// Beyond that tolerance the same contact stands and lifts the tool.
TEST_F(DropRecords, ChecksMetAtTheOutlineAreDropped)
{
    auto plate = triangle({-20, -20, 0, 20, -20, 0, 0, 20, 0}, 1, 1);
    // A level check face whose edge lies 0.005 inside the outline of the
    // flat D10, and a rising one whose low edge lies there.
    auto level = triangle({4.995, -20, 1, 30, 0, 1, 4.995, 20, 1}, 2, 2);
    auto rising = triangle({4.995, -20, 1, 30, 0, 3, 4.995, 20, 1}, 2, 2);
    const f32 inside = 5.0f - 4.995f;  // how far inside, as the drop measures it
    struct Case {
        const meshes::Mesh* check;
        f32 tu, z;
    } cases[] = {
        {&level, 0.01f, 0.0f},
        {&level, 0.004f, 1.0f},
        {&level, inside, 0.0f},
        {&level, std::nextafter(inside, 0.0f), 1.0f},
        {&rising, 0.01f, 0.0f},
        {&rising, 0.004f, 1.0004f},
    };
    for (const Case& c : cases) {
        FRETRI();
        ASSERT_EQ(meshes::build({plate, *c.check}), 0);
        tooldefs::use_mill(10.0f, 0.0f);
        context(0.0f, 0.0f);
        LOCTL2 = c.tu;
        drop(1, 0.0f, 0.0f);
        EXPECT_EQ(st % 10, 0);
        EXPECT_NEAR(z, c.z, 1e-4) << c.tu;
        EXPECT_EQ(count, c.z == 0.0f ? 1 : 2) << c.tu;
    }
}

}  // namespace
