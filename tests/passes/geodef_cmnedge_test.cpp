// Common edge of trimmed surfaces in a chain.
#include "tests/passes/geodef_util.h"

using namespace gdt;

namespace {

const std::string EXIT = "{\"pick\":0,\"exit\":true}";
const std::string SIDE_YES = "{\"question\":\"MILLING SIDE OK?\",\"answer\":\"yes\"}";
const std::string HALF = "[[0,0],[10,0],[10,20],[0,20]]";  // the left half of a 20 x 20 patch

TEST(GeoCommonEdge, TwoTrimmedPatchesMeetAtTheirSharedEdge)
{
    start({trimmed(21, 0, 0, 20, 20, HALF), trimmed(22, 10, 0, 20, 20, HALF)},
          "[" + pk(21, 5, 5) + "," + pk(22, 5, 5) + "," + EXIT + "," + SIDE_YES + "]");
    i32 defined = 0, status = 9;
    PCKSRS(1, 0, 0.01f, defined, status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(SRFGEO.NSRF, 2);
    // Passes along u: those of the first end at its u = 10, those of the
    // second start at its u = 0; both stepped the same way along v.
    EXPECT_EQ(lim(0), "2 0 20 0 10");
    EXPECT_EQ(lim(1), "2 0 20 0 10");
    EXPECT_EQ(SRFGEO.CRNREC[0][0], 1);
    EXPECT_EQ(SRFGEO.CRNREC[1][0], 1);
    i32 connected = 0;
    SRFCRN(2, 0, 1, 0.01f, connected, status);
    EXPECT_EQ(connected, 1);
    EXPECT_EQ(norak::open_arrays(), 0);
}

TEST(GeoCommonEdge, ACornerTouchIsNoCommonEdge)
{
    start({trimmed(21, 0, 0, 20, 20, HALF), trimmed(22, 10, 20, 20, 20, HALF)},
          "[" + pk(21, 5, 5) + "," + pk(22, 5, 5) + "," + EXIT + "," + SIDE_YES + "]");
    i32 defined = 0, status = 9;
    PCKSRS(1, 0, 0.01f, defined, status);
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(norak::transcript_has("user: SELECTED SURFACES DO NOT HAVE A COMMON EDGE"));
    EXPECT_EQ(SRFGEO.NSRF, 1);
    EXPECT_EQ(norak::pick_stack().size(), 1u);
    EXPECT_EQ(norak::open_arrays(), 0);
}

TEST(GeoCommonEdge, TrimmedSurfaceAfterPlainOnesKeepsTheirRecords)
{
    start({strip(11, 0), strip(12, 1), trimmed(23, 20, 0, 20, 60, "[[0,0],[10,0],[10,50],[0,50]]")},
          "[" + pk(11, 5, 5) + "," + pk(12, 5, 5) + "," + pk(23, 5, 5) + "," + EXIT + "," + SIDE_YES + "]");
    i32 defined = 0, status = 9;
    PCKSRS(1, 0, 0.01f, defined, status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(SRFGEO.NSRF, 3);
    EXPECT_EQ(lim(1), "2 0 50 0 10");
    EXPECT_EQ(lim(2), "2 0 50 0 10");
    EXPECT_EQ(SRFGEO.CRNREC[1][0], 0);
    EXPECT_EQ(SRFGEO.CRNREC[2][0], 1);
    EXPECT_EQ(SRFGEO.SRFLNK[2], 1);
}

TEST(GeoCommonEdge, BoundsOfATrimLoopThatTouchesItsBoxInPoints)
{
    // A diamond: each side of its box is touched in one point, so each side
    // takes the two boundary points beside it.
    const f32 pts[] = {5, 0, 10, 5, 5, 10, 0, 5};
    TRMBND(0, pts, 4, 0);
    const TrmBox& t = TRMANA[0];
    EXPECT_EQ(t.box[0], 0.0f);
    EXPECT_EQ(t.box[1], 10.0f);
    EXPECT_EQ(t.box[2], 0.0f);
    EXPECT_EQ(t.box[3], 10.0f);
    // Side u = umin: from (5, 0) to (5, 10); side v = vmin: (0, 5) to (10, 5).
    EXPECT_EQ(t.ufirst[0][1], 0.0f);
    EXPECT_EQ(t.ufirst[2][1], 10.0f);
    EXPECT_EQ(t.vfirst[0][0], 0.0f);
    EXPECT_EQ(t.vfirst[1][0], 10.0f);
}

}  // namespace

namespace {

// The boundary arrays are released whatever handle the host gave them, the
// first one (0) too; a closed handle stays closed.
TEST(GeoCommonEdge, BoundaryArraysAreReleasedFromHandleZeroOn)
{
    gdt::start({gdt::strip(11, 0)});
    const i32 before = norak::open_arrays();
    i32 h = -1, st = 0;
    void* base = nullptr;
    MM_OPEN_ARRAY(8, 4, h, base, st);
    ASSERT_EQ(st, 0);
    ASSERT_GE(h, 0);
    dir_close_dm(h, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(h, -1);
    EXPECT_EQ(norak::open_arrays(), before);
    dir_close_dm(h, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(h, -1);
}

}  // namespace
