// Common edge of trimmed surfaces in a chain.
#include <cmath>

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

TEST(GeoCommonEdge, AShortEdgeBesideALargeSurfaceAndACurvedEdgeAreShared)
{
    // A patch of 10 x 5 along a side of one of 100 x 100: their shared edge
    // is shorter than two of the large outline's samples.
    start({trimmed(21, 0, 0, 100, 100, "[[0,0],[100,0],[100,100],[0,100]]"),
           trimmed(22, 100, 40, 10, 5, "[[0,0],[10,0],[10,5],[0,5]]")},
          "[" + pk(21, 50, 50) + "," + pk(22, 5, 2) + "," + EXIT + "," + SIDE_YES + "]");
    i32 defined = 0, status = 9;
    PCKSRS(1, 0, 0.01f, defined, status);
    ASSERT_EQ(status, 0);
    EXPECT_FALSE(norak::transcript_has("SELECTED SURFACES DO NOT HAVE A COMMON EDGE"));
    EXPECT_EQ(SRFGEO.NSRF, 2);
    EXPECT_EQ(norak::open_arrays(), 0);

    // A 20 x 20 patch cut in two along an arc from (0, 10) to (20, 10)
    // bulging up by b: the passes of the lower part end on the arc (their
    // second range rising to its top), those of the upper part start on it.
    for (double bulge : {0.0, 0.5, 2.0, 5.0}) {
        SCOPED_TRACE(bulge);
        std::string arc_up, arc_down;
        for (int k = 0; k <= 20; ++k) {
            const std::string p = "[" + std::to_string(k) + "," + std::to_string(10 + bulge * std::sin(M_PI * k / 20)) + "]";
            arc_up += "," + p;
            arc_down = "," + p + arc_down;
        }
        const std::string lower = "[[0,0],[20,0]" + arc_down + "]", upper = "[[0,20]" + arc_up + ",[20,20]]";
        start({trimmed(21, 0, 0, 20, 20, lower), trimmed(22, 0, 0, 20, 20, upper)},
              "[" + pk(21, 10, 3) + "," + pk(22, 10, 18) + "," + EXIT + "," + SIDE_YES + "]");
        PCKSRS(1, 0, 0.01f, defined, status);
        ASSERT_EQ(status, 0);
        ASSERT_EQ(SRFGEO.NSRF, 2);
        const f32 top = static_cast<f32>(10 + bulge);
        EXPECT_EQ(SRFGEO.LIMREC[0][LR_CODE], 1);
        EXPECT_NEAR(w(SRFGEO.LIMREC[0], LR_SST), 0.0f, 1e-4f);
        EXPECT_NEAR(w(SRFGEO.LIMREC[0], LR_SEND), top, 1e-3f);
        EXPECT_NEAR(w(SRFGEO.LIMREC[1], LR_SST), 10.0f, 1e-3f);
        EXPECT_NEAR(w(SRFGEO.LIMREC[1], LR_SEND), 20.0f, 1e-4f);
        EXPECT_EQ(norak::open_arrays(), 0);
    }
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
