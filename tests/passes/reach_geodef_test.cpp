// Geometry definition roads few sessions take: a plain surface oriented at
// the edge it shares with a trimmed one, and the width of a trimmed surface
// read off its trim boundary.
#include "core/mactyp.h"
#include "tests/passes/geodef_util.h"

using namespace gdt;

namespace {

const std::string EXIT = "{\"pick\":0,\"exit\":true}";
const std::string SIDE_YES = "{\"question\":\"MILLING SIDE OK?\",\"answer\":\"yes\"}";
const std::string HALF = "[[0,0],[10,0],[10,20],[0,20]]";  // the left half of a 20 x 20 patch

TEST(GeoReach, PlainSurfaceAfterATrimmedOneStartsAtTheSharedEdge)
{
    start({trimmed(21, 0, 0, 20, 20, HALF), strip(12, 1)},
          "[" + pk(21, 5, 5) + "," + pk(12, 5, 5) + "," + EXIT + "," + SIDE_YES + "]");
    i32 defined = 0, status = 9;
    PCKSRS(1, 0, 0.01f, defined, status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(SRFGEO.NSRF, 2);
    // The trimmed half ends at its u = 10; the strip's passes run along v
    // the same way and its steps start at its u = 0, the shared edge.
    EXPECT_EQ(lim(0), "2 0 20 0 10");
    const i32* l1 = SRFGEO.LIMREC[1];
    EXPECT_EQ(l1[LR_CODE], 2);
    EXPECT_EQ(w(l1, LR_FST), 0.0f);
    EXPECT_NEAR(w(l1, LR_FEND), 20.0f, 0.01f);  // fitted to the shared piece
    EXPECT_EQ(w(l1, LR_SST), 0.0f);
    EXPECT_EQ(w(l1, LR_SEND), 10.0f);
    EXPECT_EQ(SRFGEO.CRNREC[0][0], 1);
    EXPECT_EQ(SRFGEO.CRNREC[1][0], 0);
    EXPECT_EQ(norak::open_arrays(), 0);
}

TEST(GeoReach, WidthOfATrimmedSurfaceFollowsItsBoundary)
{
    // On the line u = 0.5 the boundary holds v from 10 to 40; on u = 7 from
    // 0 to 50.
    start({trimmed(12, 0, 0, 10, 50, "[[0,20],[1,0],[10,0],[10,50],[1,50],[0,30]]")},
          "[" + pk(12, 5, 25) + "," + EXIT + "," + SIDE_YES + "," + pk(12, 0.5, 25) + "," + pk(12, 7, 25) + "]");
    MACTYP = MACTYP_TRIMMED;
    i32 defined = 0, status = 9, widdef = 0;
    PCKSRS(1, 0, 0.01f, defined, status);
    ASSERT_EQ(status, 0);
    PCKWID(widdef, 0.01f, status);
    ASSERT_EQ(status, 0);
    const i32* crn = SRFGEO.CRNREC[0];
    EXPECT_EQ(crn[CR_HELD], 1);
    std::ostringstream corners;
    for (int k = 1; k <= 8; ++k) corners << w(crn, k) << " ";
    EXPECT_EQ(corners.str(), "0.5 10 7 0 0.5 40 7 50 ") << lim(0);
    // The width runs from the first line to the second.
    EXPECT_EQ(SRFGEO.LIMREC[0][LR_CODE], 1);
    EXPECT_EQ(w(SRFGEO.LIMREC[0], LR_FST), 0.5f);
    EXPECT_EQ(w(SRFGEO.LIMREC[0], LR_FEND), 7.0f);
}

}  // namespace

namespace {

// A surface of the chain gone from the database when the width is fitted
// along it: the width fails, and the arrows shown on the picked surface go.
TEST(GeoReach, WidthFailsWhenASurfaceOfTheChainIsGone)
{
    start({strip(11, 0), strip(12, 1), strip(13, 2)},
          "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + pk(13, 5, 25) + "," + EXIT + "," + SIDE_YES +
              ",{\"pick\":12}," + pk(12, 3, 10) + "," + pk(12, 7, 40) + "]");
    i32 defined = 0, status = 9, widdef = 0;
    PCKSRS(1, 0, 0.01f, defined, status);
    ASSERT_EQ(status, 0);
    const int arrows = live_arrow_figures();
    norak::entities().erase(13);
    PCKWID(widdef, 0.01f, status);
    EXPECT_LT(status, 0);
    EXPECT_EQ(widdef, 0);
    EXPECT_EQ(live_arrow_figures(), arrows);
}

}  // namespace
