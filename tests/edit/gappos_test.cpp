// The on-surface test of a gap's ends: the point is dropped onto the
// reconnection model and lies on it only when the tool touches the model there
// and the point is not above the dropped height.
#include <gtest/gtest.h>

#include "core/mactyp.h"
#include "core/records.h"
#include "edit/gapcon.h"
#include "edit/support.h"
#include "surfaces/allsrf.h"
#include "surfaces/trimodel.h"
#include "tests/edit/editor_common.h"
#include "tools/toolcache.h"

namespace {

// A plane at z = 5 over x 0..100, y 0..80 as the reconnection model, with a
// ball tool of diameter 10.
void plane_model()
{
    fix::fresh_session(
        R"({"entities": [{"kind":"tool","id":101,"type":"MILL","name":"BALL 10","diameter":10,"corner_radius":5},)"
        R"({"kind":"plane_patch","id":1,"origin":[0,0,5],"u_axis":[1,0,0],"v_axis":[0,1,0],"u":[0,100],"v":[0,80]}]})");
    MDLDRP(0);
    MDLDRP(1);
    FRETRI();
    i32 st = 0;
    SGTOOL(3, fix::TOOL, st);
    CURTOL = PRM9[PRM9_TOOL] = fix::TOOL;
    EDTCX.linktol = 0.01f;
    EDTCX.linka = EDTCX.linkb = 0.0;
    const i32 ids[1] = {1}, flags[1] = {1};
    SRFSNW(1, 0, ids, flags, nullptr, nullptr);
    ASSERT_EQ(GAPMDL(), 1);
}

// The answers for points on, near, above, under and beside the plane.
void expect_answers()
{
    i32 flag = 0;
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 5.0f, flag), 1);
    EXPECT_NE(flag, 0);  // the tool touches a surface there
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 5.02f, flag), 1);  // within 0.03
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 5.05f, flag), 0);  // just above it
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 15.0f, flag), 0);  // 10 above the plane
    EXPECT_NE(flag, 0);  // dropped with contact, but far below the point
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 3.0f, flag), 1);  // under the plane
    flag = -1;
    EXPECT_EQ(GAPPOS(200.0f, 40.0f, 5.0f, flag), 0);  // beside the model
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(GAPPOS(-50.0f, -50.0f, 15.0f, flag), 0);
}

}  // namespace

TEST(GapEnds, APointLiesOnTheModelOnlyWhereTheToolTouchesItAtItsHeight)
{
    plane_model();
    const i32 oldtype = MACTYP;
    MACTYP = MACTYP_TYPE1;
    expect_answers();
    // Surface milling keeps the ends of three-dimensional lines; the dropped
    // height is still the one compared.
    MACTYP = MACTYP_SURFACES;
    expect_answers();
    MACTYP = oldtype;
    MDLDRP(1);
    FRETRI();
}
