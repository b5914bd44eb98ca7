// Picking the chain of part surfaces: order, limits of the chain, the side,
// take-backs and leaves, and the markers the picks leave on the display.
#include <algorithm>
#include <cstring>

#include "tests/passes/geodef_util.h"

using namespace gdt;

namespace {

const std::string EXIT = "{\"pick\":0,\"exit\":true}";
const std::string END = "{\"pick\":0,\"end\":true}";
const std::string ESC = "{\"pick\":0,\"escape\":true}";
const std::string SIDE_YES = "{\"question\":\"MILLING SIDE OK?\",\"answer\":\"yes\"}";

std::vector<std::string> strips(int n, int first_id = 11)
{
    std::vector<std::string> e;
    for (int i = 0; i < n; ++i) e.push_back(strip(first_id + i, i));
    return e;
}

std::vector<i32> stack_ids()
{
    std::vector<i32> ids;
    for (const auto& e : norak::pick_stack()) ids.push_back(e.entity);
    return ids;
}

void pick_chain(i32& status, i32 repick = 1)
{
    i32 defined = 0;
    PCKSRS(repick, 0, 0.01f, defined, status);
}

TEST(GeoPick, ChainPickedOneByOneIsSetUpFittedAndMarked)
{
    start(strips(3), "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + pk(13, 5, 25) + "," + EXIT + "," + SIDE_YES + "]");
    i32 defined = 0, status = 9;
    PCKSRS(1, 0, 0.01f, defined, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(defined, 1);
    EXPECT_EQ(SRFGEO.GEODEF, 1);
    EXPECT_EQ(SRFGEO.NSRF, 3);
    EXPECT_EQ(SRFGEO.CUTFLP, 1);
    // Passes run along x over all three strips, stepped along y.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(lim(i), "2 0 50 0 10") << i;
        EXPECT_EQ(SRFGEO.SRFLNK[i], 1);
        EXPECT_EQ(SRFGEO.SRFSID[i], 1);
        EXPECT_FLOAT_EQ(SRFGEO.SRFNRM[i][2], 1.0f);
        EXPECT_FLOAT_EQ(SRFGEO.SRFPNT[i][0], 10.0f * i + 5);
    }
    EXPECT_EQ(SRFGEO.PCKRNG[0][0], 0);
    EXPECT_EQ(SRFGEO.PCKRNG[0][1], 2);
    EXPECT_TRUE(norak::transcript_has("message: NOTE : 3 SURFACES WERE PICKED"));
    // Four corner points and two arrows per surface, one side-arrow figure.
    EXPECT_EQ(norak::shown_entities().size(), 12u);
    EXPECT_EQ(live_arrow_figures(), 7);
    EXPECT_NE(SRFGEO.SIDFIG, 0);
    i32 colour = 0;
    eattc(SRFGEO.SRFFIG[1][0], 1, "CO", colour);
    EXPECT_EQ(colour, 3);

    // The dialog ends: every marker and arrow is deleted.
    FIGDAL();
    DELGEO();
    EXPECT_TRUE(norak::shown_entities().empty());
    EXPECT_EQ(live_arrow_figures(), 0);
    for (const auto& s : SRFGEO.SRFFIG)
        for (i32 id : s) EXPECT_EQ(id, 0);
}

TEST(GeoPick, ShuffledMultiPickIsOrderedAlongTheChain)
{
    auto e = strips(5);
    e.push_back(patch(19, 0, 200, 0, 10, 50));  // continues nothing
    start(e, "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + END +
                 ",{\"picks\":[{\"pick\":15,\"u\":5,\"v\":5},19,{\"pick\":13,\"u\":5,\"v\":5},{\"pick\":14,\"u\":1,\"v\":1}]}," +
                 EXIT + "," + SIDE_YES + "]");
    i32 status = 9;
    pick_chain(status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(SRFGEO.NSRF, 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(SRFGEO.SRFIDS[i], 11 + i);
        EXPECT_EQ(lim(i), "2 0 50 0 10") << i;
    }
    EXPECT_TRUE(norak::transcript_has("pick: PICK SRF. & EXIT"));
    // The surface that continues nothing left the pick stack.
    auto ids = stack_ids();
    EXPECT_EQ(ids.size(), 5u);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 19), 0);
    EXPECT_EQ(SRFGEO.PCKRNG[0][1], 4);
    // Reference points from each surface's own pick.
    EXPECT_FLOAT_EQ(SRFGEO.SRFPNT[4][0], 45.0f);
    EXPECT_FLOAT_EQ(SRFGEO.SRFPNT[3][1], 1.0f);
}

TEST(GeoPick, PickEndsAtOneHundredTwentySurfaces)
{
    // Two single picks, then one multi-pick of the other 119: only 118 fit.
    std::string r = "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + END + ",{\"picks\":[";
    for (int id = 13; id <= 131; ++id) r += (id > 13 ? "," : "") + std::to_string(id);
    start(strips(121), r + "]}," + SIDE_YES + "]");
    i32 status = 9;
    pick_chain(status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(SRFGEO.NSRF, 120);
    EXPECT_EQ(SRFGEO.SRFIDS[119], 130);
    EXPECT_TRUE(norak::transcript_has("user: END OF PICKING OF SURFACES. MAX NO =120."));
    auto ids = stack_ids();
    EXPECT_EQ(ids.size(), 120u);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 131), 0);
    EXPECT_EQ(lim(119), "2 0 50 0 10");
    EXPECT_EQ(norak::replies_left(), 0u);
}

TEST(GeoPick, EscapeTakesBackTheLastSurfaceOnly)
{
    start(strips(3), "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + pk(13, 5, 25) + "," + ESC + "," + EXIT + "," +
                         SIDE_YES + "]");
    i32 status = 9;
    pick_chain(status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(SRFGEO.NSRF, 2);
    EXPECT_EQ(stack_ids(), (std::vector<i32>{11, 12}));
    EXPECT_EQ(SRFGEO.SRFFIG[2][0], 0);
    EXPECT_EQ(SRFGEO.SRFFIG[2][4], 0);
    EXPECT_NE(SRFGEO.SRFFIG[1][0], 0);
    EXPECT_EQ(norak::shown_entities().size(), 8u);

    // One surface picked: escape takes it back with the markers of slot 0;
    // escape with none leaves.
    start(strips(2), "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + ESC + "," + ESC + "," + ESC + "]");
    pick_chain(status);
    EXPECT_EQ(status, -2);
    EXPECT_TRUE(norak::shown_entities().empty());
    EXPECT_EQ(live_arrow_figures(), 0);
    EXPECT_TRUE(stack_ids().empty());
}

TEST(GeoPick, EscapedRepickKeepsTheGeometryItHad)
{
    start(strips(3), "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + EXIT + "," + SIDE_YES + "," + pk(13, 5, 25) +
                         "," + pk(12, 5, 25) + "," + ESC + "," + ESC + "," + ESC + "]");
    i32 status = 9;
    pick_chain(status);
    ASSERT_EQ(status, 0);
    const SrfGeo before = SRFGEO;
    pick_chain(status);
    EXPECT_EQ(status, -2);
    EXPECT_EQ(SRFGEO.NSRF, 2);
    EXPECT_EQ(SRFGEO.SRFIDS[0], 11);
    EXPECT_EQ(SRFGEO.SRFIDS[1], 12);
    EXPECT_EQ(std::memcmp(SRFGEO.LIMREC, before.LIMREC, sizeof before.LIMREC), 0);
    EXPECT_EQ(std::memcmp(SRFGEO.SRFPNT, before.SRFPNT, sizeof before.SRFPNT), 0);
    // The picks of the procedure go back on the stack at the next entry.
    EXPECT_TRUE(stack_ids().empty());
    pick_chain(status, 0);
    EXPECT_EQ(stack_ids(), (std::vector<i32>{11, 12}));
}

TEST(GeoPick, MultiPickEscapeAndExit)
{
    // Escape in the multi-pick takes back the last surface and the picks of
    // the multi-pick; an exit with nothing picked clears the markers.
    start(strips(4), "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + pk(13, 5, 25) + "," + END +
                         ",{\"picks\":[14],\"escape\":true}," + EXIT + "," + SIDE_YES + "]");
    i32 status = 9;
    pick_chain(status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(SRFGEO.NSRF, 2);
    EXPECT_EQ(stack_ids(), (std::vector<i32>{11, 12}));

    start(strips(3), "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + END + ",{\"picks\":[],\"exit\":true}," + EXIT +
                         "," + SIDE_YES + "]");
    pick_chain(status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(SRFGEO.NSRF, 2);
}

TEST(GeoPick, ExitBeforeAnyPickLeavesWithNothingShown)
{
    start(strips(2), "[" + EXIT + "]");
    SRFGEO.NSRF = 2;
    i32 defined = 0, status = 0;
    PCKSRS(1, 0, 0.01f, defined, status);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(SRFGEO.NSRF, 0);
    EXPECT_EQ(SRFGEO.GEODEF, 1);
    EXPECT_EQ(defined, 0);
    EXPECT_TRUE(norak::figures().empty());
    EXPECT_TRUE(norak::shown_entities().empty());
}

TEST(GeoPick, ASingleSurfaceIsSetUpAtTheEndOfPicking)
{
    start(strips(1), "[" + pk(11, 5, 25) + "," + EXIT + "," + SIDE_YES + "]");
    i32 status = 9;
    pick_chain(status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(lim(0), "1 0 10 0 50");
    EXPECT_TRUE(norak::transcript_has("message: NOTE : 1 SURFACE WAS PICKED"));
    // No marker before the exit from the pick.
    auto t = transcript_text();
    EXPECT_LT(t.find("reply: -1"), t.find("figure 1: arrow"));
}

TEST(GeoPick, SidesOfTheChainAgreeWithTheFirstSurface)
{
    // The second strip's normal points down; it continues the first.
    start({strip(11, 0), patch(12, 10, 50, 0, 10, 50, "[1,0,0]", "[0,-1,0]"), strip(13, 2)},
          "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + pk(13, 5, 25) + "," + EXIT + "," + SIDE_YES + "]");
    i32 status = 9;
    pick_chain(status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(SRFGEO.SRFSID[0], 1);
    EXPECT_EQ(SRFGEO.SRFSID[1], -1);
    EXPECT_EQ(SRFGEO.SRFSID[2], 1);
    EXPECT_FLOAT_EQ(SRFGEO.SRFNRM[1][2], 1.0f);  // the oriented normal follows the side

    // The flip turns the whole chain over.
    i32 defined = 0;
    PCKSRS(0, 1, 0.01f, defined, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(SRFGEO.SRFSID[0], -1);
    EXPECT_EQ(SRFGEO.SRFSID[1], 1);
    EXPECT_EQ(SRFGEO.SRFSID[2], -1);
    EXPECT_FLOAT_EQ(SRFGEO.SRFNRM[0][2], -1.0f);
}

TEST(GeoPick, SideQuestionNoTurnsTheChainAndLeaveClearsTheMarkers)
{
    start(strips(2), "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + EXIT +
                         ",{\"question\":\"MILLING SIDE OK?\",\"answer\":\"no\"}," + SIDE_YES + "]");
    i32 status = 9;
    pick_chain(status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(SRFGEO.SRFSID[0], -1);
    EXPECT_EQ(SRFGEO.SRFSID[1], -1);

    start(strips(2), "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + EXIT +
                         ",{\"question\":\"MILLING SIDE OK?\",\"exit\":true}]");
    pick_chain(status);
    EXPECT_EQ(status, -1);
    EXPECT_TRUE(norak::shown_entities().empty());

    // Escape at the side question picks further surfaces.
    start(strips(3), "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + EXIT +
                         ",{\"question\":\"MILLING SIDE OK?\",\"escape\":true}," + pk(13, 5, 25) + "," + EXIT + "," +
                         SIDE_YES + "]");
    pick_chain(status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(SRFGEO.NSRF, 3);
    EXPECT_EQ(SRFGEO.PCKRNG[0][1], 2);
}

TEST(GeoPick, ReentryWithoutRepickShowsTheSideArrowsOnly)
{
    start(strips(2), "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + EXIT + "," + SIDE_YES + "]");
    i32 status = 9;
    pick_chain(status);
    ASSERT_EQ(status, 0);
    const std::string before = lim(0) + lim(1);
    const i32 side = SRFGEO.SIDFIG;
    pick_chain(status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_NE(SRFGEO.SIDFIG, side);
    EXPECT_EQ(lim(0) + lim(1), before);
    EXPECT_EQ(norak::replies_left(), 0u);
}

}  // namespace
