// Surface markers: corner points and pass arrows in the display slots.
#include "tests/passes/geodef_util.h"

using namespace gdt;

namespace {

TEST(GeoMarkers, RedisplayReplacesPointsAndArrows)
{
    start({strip(11, 0)});
    i32* l = SRFGEO.LIMREC[0];
    i32* c = SRFGEO.CRNREC[0];
    LIMSET(4, 0, 10, 0, 50, l, c);
    i32 status = 9;
    SRFDSP(11, 3, l, c, status);
    ASSERT_EQ(status, 0);
    const i32 first = SRFGEO.SRFFIG[3][0];
    SRFDSP(11, 3, l, c, status);
    EXPECT_EQ(norak::shown_entities().size(), 4u);
    EXPECT_EQ(live_arrow_figures(), 2);
    EXPECT_EQ(norak::entities().count(first), 0u);
    EXPECT_NE(SRFGEO.SRFFIG[3][0], first);

    // A second range running downwards: the arrows point towards lower v.
    LIMSET(6, 0, 10, 0, 50, l, c);
    SRFDSP(11, 3, l, c, status);
    const auto& f = norak::figures()[static_cast<size_t>(SRFGEO.SRFFIG[3][4] - 1)];
    EXPECT_FLOAT_EQ(f.arrows[0].dir[1], -1.0f);
    EXPECT_FLOAT_EQ(f.arrows[0].from[1], 50.0f);
    EXPECT_FLOAT_EQ(f.arrows[0].length, 70.0f);

    // Slots outside 0..119 are refused; deleting them does nothing.
    SRFDSP(11, 120, l, c, status);
    EXPECT_LT(status, 0);
    FIGDEL(120);
    FIGDEL(-1);
    EXPECT_EQ(norak::shown_entities().size(), 4u);
    FIGDEL(3);
    EXPECT_TRUE(norak::shown_entities().empty());
    EXPECT_EQ(live_arrow_figures(), 0);
}

TEST(GeoMarkers, AnArrowAtAPoleIsLeftOut)
{
    // A patch whose edge u = 0 is one point: at corner 0 the tangent along
    // v has no length and that arrow is left out; the other is drawn.
    start({R"({"kind":"nurbs_surface","id":31,"degree":[1,1],"counts":[2,2],"u_knots":[0,0,1,1],"v_knots":[0,0,1,1],)"
           R"("points":[[0,0,0],[10,0,0],[0,0,0],[10,10,0]]})"});
    i32* l = SRFGEO.LIMREC[0];
    i32* c = SRFGEO.CRNREC[0];
    LIMSET(4, 0, 1, 0, 1, l, c);
    i32 status = 9;
    SRFDSP(31, 2, l, c, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(SRFGEO.SRFFIG[2][4], 0);
    EXPECT_NE(SRFGEO.SRFFIG[2][5], 0);
    EXPECT_EQ(live_arrow_figures(), 1);
    FIGDEL(2);
}

TEST(GeoMarkers, SlotZeroFillsTheStartCornerBlock)
{
    start({strip(11, 2)});
    i32* l = SRFGEO.LIMREC[0];
    i32* c = SRFGEO.CRNREC[0];
    LIMSET(0, 0, 10, 0, 50, l, c);
    i32 status = 9;
    SRFDSP(11, 0, l, c, status);
    ASSERT_EQ(status, 0);
    // Corner 1: first range end (v = 50), second range start (u = 0).
    EXPECT_FLOAT_EQ(SRFGEO.STCBLK[3], 20.0f);
    EXPECT_FLOAT_EQ(SRFGEO.STCBLK[4], 50.0f);
    EXPECT_FLOAT_EQ(SRFGEO.STCBLK[14], 0.0f);
    EXPECT_FLOAT_EQ(SRFGEO.STCBLK[15], 50.0f);
}

}  // namespace
