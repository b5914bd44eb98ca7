// Edits refused on a tool path that is not there or a range not found, the
// list position kept around the editor, the reconnection model and the
// on-surface test of its links (a point dropped onto the model), the tool
// display and the service menu of the manual editor.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "blocks/listacc.h"
#include "core/intchk.h"
#include "core/mactyp.h"
#include "cutter/loccom.h"
#include "edit/gapcon.h"
#include "edit/goedt.h"
#include "edit/loops.h"
#include "edit/support.h"
#include "surfaces/allsrf.h"
#include "surfaces/trimodel.h"
#include "tests/edit/editor_common.h"
#include "tools/toolcache.h"
#include "tools/tooldsp.h"

namespace {

// Lines at x = 0, 10, 20 (blocks 1 to 3).
void path()
{
    ed::fresh();
    ed::line(0);
    ed::line(10);
    ed::line(20);
}

// The number of the block under the cursor.
i32 here()
{
    i32 size = 0, type = 0, cls = 0, number = -1, st = 0;
    TPBLKH(AM_LIST, size, type, cls, st);
    tpget(AM_LIST, 1, DT_INT, &number, st);
    lclos();
    return number;
}

// A plane at z = 5 over x 0..100, y 0..80 as the procedure's one surface, a
// ball tool of diameter 10, no model built yet. The session also holds a
// plane at z = 20 over the same area (surface 2), outside the set.
void plane_surfaces()
{
    fix::fresh_session(
        R"({"entities": [{"kind":"tool","id":101,"type":"MILL","name":"BALL 10","diameter":10,"corner_radius":5},)"
        R"({"kind":"plane_patch","id":1,"origin":[0,0,5],"u_axis":[1,0,0],"v_axis":[0,1,0],"u":[0,100],"v":[0,80]},)"
        R"({"kind":"plane_patch","id":2,"origin":[0,0,20],"u_axis":[1,0,0],"v_axis":[0,1,0],"u":[0,100],"v":[0,80]}]})");
    MDLDRP(0);
    MDLDRP(1);
    FRETRI();
    i32 st = 0;
    SGTOOL(3, fix::TOOL, st);
    CURTOL = PRM9[PRM9_TOOL] = fix::TOOL;
    EDTCX.linktol = 0.01f;
    EDTCX.linka = EDTCX.linkb = 0.0f;
    const i32 ids[1] = {1}, flags[1] = {1};
    SRFSNW(1, 0, ids, flags, nullptr, nullptr);
}

// As plane_surfaces, every positioning array released; answers the arrays
// then open.
i32 plane_surfaces_freed()
{
    plane_surfaces();
    i32 st = 0;
    allfre(st);
    return norak::open_arrays();
}

// The on-surface answers for points on, near, above, under and beside the
// plane.
void expect_plane_answers()
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

TEST(EditRefusals, AClosedToolPathOrAMissingBlockIsAnErrorInTheList)
{
    path();
    // a range whose end is not in the list
    i32 start[KEY_N] = {2, 1, 1}, end[KEY_N] = {2, 1, 99}, type = 0, changed = 9, request = 9, st = 0;
    EDTLOP(start, end, type, changed, request, st);
    EXPECT_EQ(st, -3);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(request, 0);
    EXPECT_TRUE(norak::transcript_has("EDTLOP, ERRORS IN LIST"));
    EXPECT_EQ(ed::blocks().size(), 3u);
    // a block looked for from the first block on is found, in a closed list
    // it is an error
    i32 answer = 0;
    lacces(2, answer);
    EXPECT_EQ(LGLKEY(2, st), 1);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(LGLKEY(7, st), 0);
    EXPECT_EQ(st, 0);
    norak::settings().tp_open = 0;
    EXPECT_EQ(LGLKEY(2, st), 0);
    EXPECT_EQ(st, -3);
    EXPECT_TRUE(norak::transcript_has("LGLKEY,ERRORS IN LIST"));
    i32 count = 2, number = 0;
    MVFRWD(0, count, number, type, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(number, -1);
    EXPECT_TRUE(norak::transcript_has("MVFRWD, ERRORS IN LIST"));
    count = 1;
    MVBCWD(count, number, type, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("MVBCWD, ERRORS IN LIST"));
    // A JUMP LAYER/Z whose search fails is a failed move, not a call for a pick.
    MOVSTA.direction = 3, MOVSTA.jump = 3, MOVSTA.layering = 4, MOVSTA.layerz = 10.0f;
    i32 key[KEY_N] = {2, 1, 2};
    STEPTL(-1, -1, 1, key, type, 0.0f, 5.0f, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("LYRSTP, ERRORS IN LIST"));
    EXPECT_FALSE(norak::transcript_has("PLEASE INDICATE ON ONE OF THE PROCEDURE BLOCKS"));
    norak::settings().tp_open = 1;
}

// JUMP END stands on the last motion of the list as it is: a string at the
// end stays whole.
TEST(EditorMark, JumpEndLeavesAStringAtTheEndWhole)
{
    path();
    fix::string(7, {{30, 0, 0}, {40, 0, 0}, {50, 0, 0}}, {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}});
    const size_t blocks = ed::blocks().size();
    i32 number = -1, type = 0, st = 0;
    JPENDP(number, type, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(type, 7);
    EXPECT_EQ(number, 4);
    EXPECT_EQ(here(), 4);
    EXPECT_EQ(ed::blocks().size(), blocks);
}

// JUMP LAYER/Z from the tool in the layer at Z 5 stands on the first motion
// of the layer found, above the tool's layer as well as below it: a Z above
// goes up to the nearest layer at or above it, a Z between layers below the
// tool down to the nearest one at or below it. At the tool's own layer with
// a DELAY the tool stays; without one it goes to that layer's first motion.
TEST(EditorMark, JumpLayerZStandsOnTheFirstMotionOfTheLayerFoundEitherWay)
{
    struct Case {
        f32 z, delay;
        i32 at;
    };
    for (const Case c : {Case{10, 0, 6}, Case{7, 0, 6}, Case{15, 0, 2}, Case{5, -1, 10}, Case{5, 0, 11},
                         Case{3, 0, 14}, Case{0, 0, 14}}) {
        ed::fresh();
        for (i32 k = 0; k < 4; ++k) {
            const f32 z = 15.0f - 5.0f * static_cast<f32>(k);
            fix::marker(3, z);     // 1, 5, 9, 13
            ed::line(0, 0, z);     // 2, 6, 10, 14
            ed::line(10, 0, z);    // 3, 7, 11, 15
            fix::marker(4);        // 4, 8, 12, 16
        }
        i32 answer = 0, st = 0, type = 0;
        lacces(2, answer);
        TPJUMP(11, st);
        MOVSTA.direction = 3, MOVSTA.jump = 3, MOVSTA.layering = 4, MOVSTA.layerz = 5.0f;
        i32 key[KEY_N];
        blkkey(key, 11);
        STEPTL(-1, -1, 1, key, type, c.delay, c.z, st);
        EXPECT_GE(st, 0) << c.z;
        EXPECT_EQ(key[2], c.at) << c.z << " " << c.delay;
        EXPECT_EQ(here(), c.at) << c.z << " " << c.delay;
    }
}

// A typed block below half the current number is searched from the start
// of the list, so the current block is not passed (moved-forward flag 0);
// from half up it is searched backward from here (flag 1). Half of an odd
// number is not rounded down: block 3 from block 7 is below it.
TEST(EditorMark, JumpBlockBelowHalfTheCurrentNumberSearchesFromTheStart)
{
    struct Case {
        i32 current, target, forward;
    };
    for (const Case c : {Case{7, 3, 0}, Case{7, 4, 1}, Case{6, 3, 1}, Case{6, 2, 0}}) {
        ed::fresh();
        for (i32 k = 0; k < c.current; ++k) ed::line(10.0f * static_cast<f32>(k));
        i32 answer = 0, st = 0;
        lacces(2, answer);
        TPJUMP(c.current, st);
        i32 target = c.target, type = 0, forward = -1;
        JPINDP(c.current, target, type, forward, st);
        EXPECT_EQ(st, 0) << c.current << " " << c.target;
        EXPECT_EQ(here(), c.target) << c.current << " " << c.target;
        EXPECT_EQ(forward, c.forward) << c.current << " " << c.target;
    }
}

// A COUNT that ends on a string's last point leaves the tool on the string
// whole; SHOW LAYER then finds the layer (here the string alone) without
// breaking the string under the tool: no list error, the tool stays on it.
TEST(EditorMark, ShowLayerAroundAStringTheToolStandsOnLeavesItWhole)
{
    ed::fresh();
    fix::marker(3, 0.0f);    // 1
    ed::line(0);             // 2
    ed::line(10);            // 3
    fix::marker(4);          // 4
    fix::marker(3, -5.0f);   // 5
    ed::string(3, 5);        // 6 .. 8
    fix::marker(4);          // 9
    fix::marker(3, -10.0f);  // 10
    ed::line(60);            // 11
    fix::marker(4);          // 12
    i32 answer = 0, st = 0, single = 1, at_end = 0, type = 0;
    lacces(2, answer);
    STPINI(single, at_end, st);
    ASSERT_EQ(st, 0);
    MOVSTA.count = 5, MOVSTA.show = 3;
    i32 key[KEY_N];
    blkkey(key, -1);
    STEPTL(-1, -1, 1, key, type, 0.0f, 0.0f, st);
    EXPECT_EQ(st, 0);
    EXPECT_FALSE(norak::transcript_has("LYRSTP, ERRORS IN LIST"));
    EXPECT_EQ(key[2], 6);
    EXPECT_EQ(here(), 6);
    EXPECT_EQ(ed::blocks().size(), 10u);
    EXPECT_EQ(ed::blocks()[5].type, 7);
    EXPECT_TRUE(norak::transcript_has("display: unblank list 1 block 6 to 8"));
    EXPECT_TRUE(norak::transcript_has("display: blank list 1 block 9 to 11"));
}

// A step past a tool change replaces the shown tool image by the new tool
// and says so.
TEST(EditorMark, AStepPastAToolChangeShowsTheNewTool)
{
    ed::fresh();
    ed::line(0);                   // 1
    fix::tech(100, 0, fix::TOOL);  // 2
    ed::line(10);                  // 3
    ed::line(20);                  // 4
    DSM4[DSM4_TOOL] = 0;
    i32 answer = 0, st = 0, single = 0, at_end = 0, type = 0;
    lacces(2, answer);
    STPINI(single, at_end, st);
    SGTOOL(3, fix::TOOL, st);
    i32 fig = 0;
    DISPT0(fix::TOOL, MOVST.point, fig);
    ASSERT_NE(fig, 0);
    tm_inst_id(2, fig);  // a tool image shown
    MOVSTA.direction = 1, MOVSTA.count = 2;
    i32 key[KEY_N];
    blkkey(key, 1);
    STEPTL(-1, -1, 1, key, type, -1.0f, 0.0f, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(key[2], 3);
    EXPECT_EQ(DSM4[DSM4_TOOL], fix::TOOL);
    EXPECT_EQ(norak::transcript_count("host message 317/11"), 1u);
    tm_inst_id(1, fig);
    EXPECT_NE(fig, 0);
    // A slow step back that passes no layer end keeps the layer Z.
    MOVSTA.layerz = 123.0f;
    MOVSTA.direction = 2, MOVSTA.count = 1;
    STEPTL(-1, -1, 1, key, type, 0.001f, 0.0f, st);
    EXPECT_GE(st, 0);
    EXPECT_EQ(MOVSTA.layerz, 123.0f);
}

// JUMP END past a tool change tells the user once, whether a tool image is
// shown (and replaced by the new tool) or not.
TEST(EditorMark, JumpEndPastAToolChangeSaysSoOnce)
{
    for (bool image : {false, true}) {
        ed::fresh();
        ed::line(0);                   // 1
        fix::tech(100, 0, fix::TOOL);  // 2
        ed::line(10);                  // 3
        DSM4[DSM4_TOOL] = 0;
        i32 answer = 0, st = 0, single = 0, at_end = 0, type = 0;
        lacces(2, answer);
        STPINI(single, at_end, st);
        lacces(2, answer);
        SGTOOL(3, fix::TOOL, st);
        i32 fig = 0;
        if (image) {
            DISPT0(fix::TOOL, MOVST.point, fig);
            tm_inst_id(2, fig);
        }
        MOVSTA.direction = 3, MOVSTA.jump = 2;
        i32 key[KEY_N];
        blkkey(key, 1);
        STEPTL(-1, -1, 1, key, type, -1.0f, 0.0f, st);
        EXPECT_EQ(st, 0) << image;
        EXPECT_EQ(key[2], 3) << image;
        EXPECT_EQ(norak::transcript_count("host message 317/11"), 1u) << image;
    }
}

TEST(EditorMark, ThePositionBeforeTheEditorIsFoundAgain)
{
    path();
    i32 answer = 0, st = 0;
    lacces(2, answer);
    TPJUMP(2, st);
    ASSERT_EQ(here(), 2);
    EDTMRK(2, st);
    EXPECT_EQ(st, 0);
    TPJUMP(1, st);
    ASSERT_EQ(here(), 3);
    EDTMRK(1, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(here(), 2);
}

TEST(ReconnectionModel, BuiltOnceFromTheSurfaceSetAndPointsTestedOnIt)
{
    plane_surfaces();
    EDTRDW = 0;
    ASSERT_FALSE(MDLHAS(1));
    EXPECT_EQ(GAPMDL(), 1);
    EXPECT_TRUE(MDLHAS(1));
    EXPECT_EQ(EDTRDW, 1);  // the trimming redraws after a new model
    // a point on the plane lies on the model
    i32 flag = -1;
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 5.0f, flag), 1);
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 5.02f, flag), 1);  // within 0.03
    // the model kept in slot 1 is taken again, not built anew
    EDTRDW = 0;
    EXPECT_EQ(GAPMDL(), 1);
    EXPECT_EQ(EDTRDW, 0);
    EXPECT_EQ(GAPPOS(20.0f, 20.0f, 5.0f, flag), 1);
    MDLDRP(1);
    FRETRI();
}

TEST(ReconnectionModel, APointLiesOnTheModelOnlyWhereTheToolTouchesItAtItsHeight)
{
    plane_surfaces();
    ASSERT_EQ(GAPMDL(), 1);
    const i32 oldtype = MACTYP;
    MACTYP = MACTYP_TYPE1;
    expect_plane_answers();
    // Surface milling keeps the ends of three-dimensional lines; the dropped
    // height is still the one compared.
    MACTYP = MACTYP_SURFACES;
    expect_plane_answers();
    MACTYP = oldtype;
    MDLDRP(1);
    FRETRI();
}

namespace {

// Builds model A over the plane at z = 5 and leaves it live, saved in slot 0
// when `saved`, named by no slot otherwise; gives A's surface and node
// handles; then builds model B over the plane at z = 20. Answers the arrays
// open before A.
i32 build_a_then_b(bool saved, i32* ahandles)
{
    const i32 base = plane_surfaces_freed();
    EXPECT_EQ(GAPMDL(), 1);
    if (saved) MDLSAV();
    MDLREL(1);
    ahandles[0] = TRIMDL[TM_SRFHDL];
    ahandles[1] = TRIMDL[TM_NODHDL];
    EXPECT_GE(ahandles[0], 0);
    const i32 ids[1] = {2}, flags[1] = {1};
    SRFSNW(1, 0, ids, flags, nullptr, nullptr);
    EXPECT_EQ(GAPMDL(), 1);
    return base;
}

}  // namespace

TEST(ReconnectionModel, ABuildOverOtherSurfacesLeavesTheEditorsSavedModelWhole)
{
    const i32 freed = MDLFRE;
    i32 ahandles[2] = {-1, -1};
    const i32 base = build_a_then_b(true, ahandles);
    EXPECT_EQ(MDLFRE, freed);
    i32 flag = 0;
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 20.0f, flag), 1);
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 25.0f, flag), 0);
    // Slot 0 gives back A whole: its arrays still open, its heights answered.
    ASSERT_EQ(MDLGET(0), 1);
    EXPECT_EQ(TRIMDL[TM_SRFHDL], ahandles[0]);
    EXPECT_EQ(TRIMDL[TM_NODHDL], ahandles[1]);
    EXPECT_NE(srfbas(), nullptr);
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 5.0f, flag), 1);
    EXPECT_NE(flag, 0);
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 10.0f, flag), 0);
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 20.0f, flag), 0);
    // Slot 1 gives back B, on arrays of its own.
    ASSERT_EQ(MDLGET(1), 1);
    EXPECT_NE(TRIMDL[TM_SRFHDL], ahandles[0]);
    EXPECT_NE(TRIMDL[TM_NODHDL], ahandles[1]);
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 20.0f, flag), 1);
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 25.0f, flag), 0);
    // Each model is released once.
    MDLDRP(1);
    MDLDRP(0);
    EXPECT_EQ(MDLFRE, freed + 2);
    FRETRI();
    i32 st = 0;
    allfre(st);
    EXPECT_EQ(norak::open_arrays(), base);
}

TEST(ReconnectionModel, ALinkLeavesTheModelToTheStoreWholeSoLeavingFreesItOnce)
{
    // After a link the live model is left to the store, quadtree and all:
    // the next link takes slot 1 back without parking a half-closed state,
    // and leaving the editor frees the model once and leaves nothing live.
    const i32 base = plane_surfaces_freed();
    i32 st = 0;
    const i32 freed = MDLFRE;
    EXPECT_EQ(GAPMDL(), 1);
    model_leave_live();
    EXPECT_EQ(TRIMDL[TM_SRFHDL], -1);
    for (i32 n = 0; n < QT_NODES; ++n) EXPECT_EQ(qtrow(n)[QT_HANDLE], -1) << "node " << n;
    EXPECT_EQ(GAPMDL(), 1);
    i32 flag = 0;
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 5.0f, flag), 1);
    model_leave_live();
    MDLDRP(1);
    EXPECT_EQ(MDLFRE, freed + 1);
    for (i32 n = 0; n < QT_NODES; ++n) EXPECT_EQ(qtrow(n)[QT_HANDLE], -1) << "node " << n;
    FRETRI();  // nothing of the model is live: this releases nothing more
    EXPECT_EQ(MDLFRE, freed + 1);
    allfre(st);
    EXPECT_EQ(norak::open_arrays(), base);
}

TEST(ReconnectionModel, ABuildReleasesALiveModelNoSlotNames)
{
    i32 ahandles[2] = {-1, -1};
    const i32 base = build_a_then_b(false, ahandles);
    i32 flag = 0;
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 20.0f, flag), 1);
    MDLDRP(1);
    FRETRI();
    i32 st = 0;
    allfre(st);
    EXPECT_EQ(norak::open_arrays(), base);  // A went with the build of B
}

TEST(ManualEditor, TheToolTracedAndTheServiceMenuWithoutMessages)
{
    path();
    // the tool traced along the steps; the editor waits on its menu as it
    // stands, which the stand-in asks as a form (LEAVE); then EXIT
    ed::menu("TOOL:TRACE  >");
    ed::menu("LEAVE");
    ed::menu("EXIT");
    EXPECT_EQ(ed::run(), 0);
    const auto m = ed::menus();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_NE(m[0].find("@TOOL:DISPLAY>@"), std::string::npos);
    EXPECT_NE(m[1].find("@TOOL:TRACE  >@"), std::string::npos);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_TRUE(norak::transcript_has("display: tool exclusive-or off"));  // traced, not redrawn
    // with the alteration commands offered: SERVICE, EDIT.MESSAGE on a path
    // without messages, then back and out
    path();
    ed::menu("SERVICE");
    ed::menu("EDIT.MESSAGE");
    ed::escape();
    ed::menu("EXIT");
    const i32 flags[EDF_N] = {1, 1, 1, 0, 0, 1};
    i32 changed = 0, st = 99;
    manedt(-1, flags, 1, 0, changed, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_TRUE(norak::transcript_has("NO MESSAGES FOUND"));
    EXPECT_TRUE(norak::transcript_has("menu: BLOCK LIST@ADD:GO@ADD MESSAGE@EDIT.MESSAGE"));
    EXPECT_EQ(ed::blocks().size(), 3u);
}

TEST(ReconnectionModel, ABuildWithNothingLiveLeavesTheSavedModelWhole)
{
    // Model A saved in slot 0 and left to the store; a build over other
    // surfaces makes B live and leaves A to be taken back whole.
    const i32 base = plane_surfaces_freed();
    i32 st = 0;
    const i32 freed = MDLFRE;
    ASSERT_EQ(GAPMDL(), 1);
    MDLSAV();
    MDLREL(1);
    model_leave_live();
    const i32 ids[1] = {2}, flags[1] = {1};
    SRFSNW(1, 0, ids, flags, nullptr, nullptr);
    ASSERT_EQ(GAPMDL(), 1);
    i32 flag = 0;
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 20.0f, flag), 1);
    ASSERT_EQ(MDLGET(0), 1);
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 5.0f, flag), 1);
    EXPECT_EQ(GAPPOS(50.0f, 40.0f, 20.0f, flag), 0);
    MDLDRP(1);
    MDLDRP(0);
    EXPECT_EQ(MDLFRE, freed + 2);
    FRETRI();
    allfre(st);
    EXPECT_EQ(norak::open_arrays(), base);
}

namespace {
using P = std::array<f32, 3>;

// The points of the line blocks and the kinds of the markers of the list.
struct Written {
    std::vector<P> points;
    std::vector<i32> markers;
    bool context_back = false;  // the positioning context as before the link
};

// Lines at x = 10, 20, 60, 70 along y = 40 on the plane at z = 5, the cursor
// on the second: the gap lies between x = 20 and x = 60. A link of the kind
// given between them, reconnection on surfaces allowed, with clearance 30
// and Z-up 2 (heights above the points).
Written link_on_plane(i32 kind)
{
    plane_surfaces();
    i32 answer = 0, st = 0;
    lacces(3, answer);
    const f32 v[3] = {0, 0, 1};
    for (const f32 x : {10.0f, 20.0f, 60.0f, 70.0f}) {
        const f32 p[3] = {x, 40, 5};
        PTBT2(AM_APPEND, 2, p, v, 0, st);
    }
    EDTCX.linkkind = kind;
    EDTCX.onsurf = 1;
    // The approach length (the link factor's item) 10, the arc radius 1.
    EDTCX.linkfac = 10.0f;
    EDTCX.linklen = 1.0f;
    EDTCX.side = 3.3f;
    lacces(2, answer);
    TPJUMP(2, st);
    MOVST.point[0] = 20, MOVST.point[1] = 40, MOVST.point[2] = 5;
    TECHST.feed = 500.0f;
    const i32 oldtype = MACTYP;
    MACTYP = MACTYP_ALTER;  // the editor's machining type
    // A positioning context of some other caller's, to be found again.
    LOCSRF = 3, LOCTL2 = 7.5f, LOCOFA = 0.25f, LOCOFB = 0.75f;
    GAPCON(30.0f, 2.0f, 20, 40, 5, 60, 40, 5);
    MACTYP = oldtype;
    Written w;
    w.context_back = LOCSRF == 3 && LOCTL2 == 7.5f && LOCOFA == 0.25f && LOCOFB == 0.75f;
    for (const auto& e : norak::main_list().elems) {
        // A point repeated (a move of no length) is counted once.
        const P p = e.words.size() >= 5 ? P{wrd2r(e.words[2]), wrd2r(e.words[3]), wrd2r(e.words[4])} : P{};
        if (e.words[0] == 2 && e.words.size() >= 5 && (w.points.empty() || w.points.back() != p)) w.points.push_back(p);
        if (e.words.size() >= 3 && e.words[0] == 99) w.markers.push_back(e.words[2]);
    }
    return w;
}
}  // namespace

// Both ends lie on the surfaces: a surface retract (its markers 11 and 12)
// along the tool axis by the approach length, over, and a surface approach (9
// and 10) down the axis to Z-up and to the point; the model built for it
// stays in slot 1 only.
TEST(ReconnectionModel, ALinkBetweenPointsOnTheSurfacesIsASurfaceRetractAndApproach)
{
    const i32 freed = MDLFRE;
    const Written w = link_on_plane(2);
    EXPECT_EQ(w.markers, (std::vector<i32>{11, 12, 9, 10}));
    EXPECT_EQ(w.points,
              (std::vector<P>{{10, 40, 5}, {20, 40, 5}, {20, 40, 15}, {60, 40, 15}, {60, 40, 7}, {60, 40, 5}, {70, 40, 5}}));
    EXPECT_FALSE(norak::transcript_has("GOUGING"));
    EXPECT_TRUE(w.context_back);
    EXPECT_TRUE(MDLHAS(1));
    EXPECT_EQ(TRIMDL[TM_SRFHDL], -1);
    MDLDRP(1);
    EXPECT_EQ(MDLFRE, freed + 1);
    FRETRI();
}

// Vertical links (kind 1) build no model and write no surface markers, even
// where reconnection on surfaces is allowed.
TEST(ReconnectionModel, VerticalLinksBuildNoModel)
{
    const Written w = link_on_plane(1);
    EXPECT_FALSE(MDLHAS(1));
    EXPECT_TRUE(w.markers.empty());
    EXPECT_EQ(w.points.back(), (P{70, 40, 5}));
    FRETRI();
}

// A link shaped by the move (arcs, in line) has only the end point to go by:
// it rises straight up as a Z-up link does, and the retract says it had no
// direction (host message 250); the approach, asked for by one point, says
// nothing.
TEST(ReconnectionModel, ALinkShapedByTheMoveRisesStraightUpFromTheOnePoint)
{
    for (const i32 kind : {3, 4, 5}) {
        const Written w = link_on_plane(kind);
        EXPECT_EQ(w.points, (std::vector<P>{{10, 40, 5}, {20, 40, 5}, {20, 40, 7}, {60, 40, 7}, {60, 40, 5}, {70, 40, 5}}))
            << kind;
        EXPECT_EQ(norak::transcript_count("host message 320/250"), 1u) << kind;
        EXPECT_FALSE(norak::transcript_has("host message 320/240")) << kind;
        MDLDRP(1);
        FRETRI();
    }
}

// The surface kind of the edit context is the model's approximation: kind 3
// limits every triangle side to the side offset.
TEST(ReconnectionModel, TheSurfaceKindIsTheApproximationOfTheModel)
{
    const EditContext keep = EDTCX;
    i32 triangles[2] = {0, 0};
    for (const i32 kind : {1, 3}) {
        plane_surfaces();
        EDTCX.srfkind = kind;
        EDTCX.side = 5.0f;
        ASSERT_EQ(GAPMDL(), 1);
        triangles[kind == 3] = ALLSTA.triangles;
        i32 flag = 0;
        EXPECT_EQ(GAPPOS(50.0f, 40.0f, 5.0f, flag), 1) << kind;
        MDLDRP(1);
        FRETRI();
    }
    EXPECT_GT(triangles[0], 0);
    // 100 by 80 in sides of at most 5: 320 triangles at the least.
    EXPECT_GE(triangles[1], 320);
    EDTCX = keep;
}

// A stop of the trimming that comes while a reconnection builds its model
// unwinds through it: the clearance, the Z-up, the positioning and the
// segment code are as they were, and no half-built model is left live.
TEST(ReconnectionModel, AStopDuringTheBuildPutsBackWhatTheLinkChanged)
{
    const i32 base = plane_surfaces_freed();
    EDTCX.linkkind = 2;
    EDTCX.onsurf = 1;
    EDTCX.srfkind = 1;
    EDTCX.side = 1.0f;  // small triangles: the build polls the keys
    EDTCX.zup = 2.0f;
    HEI8[HEI8_CLEARANCE] = r2wrd(77.0f);
    LOCTL2 = 3.0f;
    LOCOFA = 0.25f;
    LOCOFB = 0.5f;
    nu_sgcd_set_code(6);
    norak::Reply key;
    key.kind = "key";
    norak::add_reply(key);
    const IntHooks saved = INTHKS;
    INTHKS.menu = [](const i32&) { throw ExecStop{2}; };
    i32 target = 0;
    try {
        GAPCON(50.0f, 1.0f, 10, 10, 5, 60, 40, 5);
    } catch (const ExecStop& stop) {
        target = stop.target;
    }
    INTHKS = saved;
    ASSERT_EQ(target, 2);
    EXPECT_EQ(wrd2r(HEI8[HEI8_CLEARANCE]), 77.0f);
    EXPECT_EQ(EDTCX.zup, 2.0f);
    EXPECT_EQ(LOCTL2, 3.0f);
    EXPECT_EQ(LOCOFA, 0.25f);
    EXPECT_EQ(LOCOFB, 0.5f);
    EXPECT_EQ(nu_sgcd_get_code(), 6);
    EXPECT_EQ(TRIMDL[TM_SRFHDL], -1);
    EXPECT_FALSE(MDLHAS(1));
    i32 st = 0;
    allfre(st);
    EXPECT_EQ(norak::open_arrays(), base);
}
