// A procedure's tool path read move by move and as a point list, and the
// stock it leaves: the point-list road and the move-by-move walk against each
// other and against straight sweeps; arcs flattened in their own plane.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/writers.h"
#include "common.h"
#include "path.h"
#include "core/codedio.h"
#include "core/names.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "stock/movecur.h"
#include "stock/optwords.h"
#include "stock/stkrun.h"
#include "stock/stkstamp.h"
#include "stock/tppoints.h"
#include "tests/common/tooldefs.h"
#include "tools/toolcache.h"

namespace {

using stocktest::Path;

struct ToolPathStock : ::testing::Test {
    Path path;
    void SetUp() override
    {
        stocktest::fresh(0.25f);
        std::memset(CMPBLK, 0, sizeof(i32) * CMPBLK_N);
        CMPBLK[CMP_ENLARGE_PCT] = r2wrd(20.0f);
        CMPBLK[CMP_ENLARGE] = CMPBLK[CMP_MASTER] = 1;
        norak::start_toolpath();
        i32 a = 0;
        lacces(3, a);
    }
    void grid(f32 x0, f32 y0, f32 x1, f32 y1, f32 top)
    {
        ASSERT_EQ(stocktest::open(x0, y0, x1, y1), 0);
        stocktest::fill(top);
    }
    std::vector<f32> heights() const
    {
        std::vector<f32> h;
        const StkCell* c = stk_cells();
        for (i32 k = 0; k < stk_grid.ncells; ++k) h.push_back(c[k].h1);
        return h;
    }
    // The point list of the whole list.
    std::vector<f32> points(std::vector<i32>& blocks, i32 purpose = 0)
    {
        i32 a = 0;
        lacces(2, a);
        i32 ph = -1, bh = -1, n = 0, st = 0;
        tp_to_points(purpose, MV_LIST, ph, bh, n, st);
        EXPECT_EQ(st, 0);
        void *pb = nullptr, *bb = nullptr;
        mmcptr(ph, pb);
        mmcptr(bh, bb);
        std::vector<f32> p(static_cast<const f32*>(pb), static_cast<const f32*>(pb) + 3 * n);
        blocks.assign(static_cast<const i32*>(bb), static_cast<const i32*>(bb) + n);
        MM_CLOSE(ph, st);
        MM_CLOSE(bh, st);
        return p;
    }
    // Stamps the points in order with stk_move (cut 1, mode 0), a tool record
    // through stk_tool_change, as the test's own reading of the list.
    void stamp_by_hand(const std::vector<f32>& p, const std::vector<i32>& b)
    {
        const i32 n = static_cast<i32>(b.size());
        i32 st = 0;
        f32 dm, de, v, ve, q[3], len;
        for (i32 i = tp_is_tool(p.data()) ? 2 : 0; i + 1 < n; ++i) {
            if (tp_is_tool(&p[3 * (i + 1)])) {
                stk_tool_change(1, &p[3 * i], st);
                stk_move(1, 0, &p[3 * i], &p[3 * (i + 3)], b[i + 1], dm, de, v, ve, q, len, st);
                i += 2;
            } else {
                stk_move(1, 0, &p[3 * i], &p[3 * (i + 1)], b[i + 1], dm, de, v, ve, q, len, st);
            }
            ASSERT_GE(st, 0);
        }
    }
    // The walk of stk_stamp_move over the whole list: these lists end on a
    // move, which is handled and answered 1 (-2 would be no move found).
    void walk(i32 cont = 0)
    {
        i32 move = -1, rapid = 0, st = 0, guard = 0;
        do {
            stk_stamp_move(move, rapid, cont, st);
        } while (st == 0 && ++guard < 10000);
        EXPECT_EQ(st, 1);
    }
    // A rapid to above the start, a plunge into the stock, a cut along X, an
    // XZ half circle under the cut's end and a climb out.
    void rapid_plunge_cut(i32 tool)
    {
        path.tool(tool);
        path.feed(-1.0f);
        path.line(0.0f, 0.0f, 20.0f);
        path.feed(300.0f);
        path.line(0.0f, 0.0f, 8.0f);
        path.line(10.0f, 0.0f, 8.0f);
        path.arc(2, static_cast<f32>(M_PI), 15.0f, 8.0f, 20.0f, 0.0f, 8.0f);
        path.line(20.0f, 3.0f, 12.0f);
        // A rapid across and a second plunge where it ended.
        path.feed(-1.0f);
        path.line(2.0f, -3.0f, 20.0f);
        path.feed(300.0f);
        path.line(2.0f, -3.0f, 9.0f);
    }
};

TEST_F(ToolPathStock, ThePointListGivesEndsChordsToolRecordsAndBlockNumbers)
{
    const i32 t1 = tooldefs::use_mill(2.0f, 1.0f);
    const i32 t2 = tooldefs::make_tool(2, 4.0f, 0.5f, 25.0f, 3.0f);
    CURTOL = t1;
    grid(-5, -5, 30, 5, 10.0f);
    path.feed(-1.0f);
    const i32 b1 = path.line(1.0f, 2.0f, 20.0f);
    path.tool(t2);
    path.feed(100.0f);
    const i32 b2 = path.line(1.0f, 2.0f, 5.0f);
    // A quarter circle in XY from (1, 2) about (1, 0) to (3, 0); then an XZ
    // half circle about (x 6, z 5) from (3, 0, 5) to (9, 0, 5) through z -1.
    const i32 b3 = path.arc(1, static_cast<f32>(-M_PI / 2), 1.0f, 0.0f, 3.0f, 0.0f, 5.0f);
    const i32 b4 = path.arc(2, static_cast<f32>(M_PI), 6.0f, 5.0f, 9.0f, 0.0f, 5.0f);
    std::vector<i32> b;
    const std::vector<f32> p = points(b);
    const size_t n = b.size();
    ASSERT_GE(n, 6u);
    EXPECT_EQ(p[0], 1.0f);
    EXPECT_EQ(b[0], b1);
    // The tool record, carrying the new tool whole and the next move's number.
    ASSERT_TRUE(tp_is_tool(&p[3]));
    EXPECT_FLOAT_EQ(p[4], 4.0f);
    EXPECT_FLOAT_EQ(p[5], 0.5f);
    EXPECT_FLOAT_EQ(p[6], 25.0f);
    EXPECT_FLOAT_EQ(p[7], 3.0f);
    EXPECT_EQ(b[1], b2);
    EXPECT_EQ(b[2], b2);
    EXPECT_EQ(p[11], 5.0f);
    EXPECT_EQ(b[3], b2);
    // The XY arc starts from the plunge's end (not the record): its points on
    // the circle of radius 2, at the end's Z, each with the arc's number.
    size_t i = 4, arc_xy = 0, arc_xz = 0;
    for (; i < n && b[i] == b3; ++i, ++arc_xy) {
        EXPECT_NEAR(std::hypot(p[3 * i] - 1.0, p[3 * i + 1] - 0.0), 2.0, 1e-4);
        EXPECT_EQ(p[3 * i + 2], 5.0f);
    }
    EXPECT_GE(arc_xy, 4u);
    // The XZ arc in its own plane: radius 3 about (6, 5), Y that of its end.
    double lowest = 99;
    for (; i < n && b[i] == b4; ++i, ++arc_xz) {
        EXPECT_NEAR(std::hypot(p[3 * i] - 6.0, p[3 * i + 2] - 5.0), 3.0, 1e-4);
        EXPECT_EQ(p[3 * i + 1], 0.0f);
        lowest = std::min(lowest, double(p[3 * i + 2]));
    }
    EXPECT_EQ(i, n);
    EXPECT_NEAR(lowest, 2.0, 0.01);
    // Chord error within a quarter cell.
    EXPECT_GE(arc_xz, static_cast<size_t>(M_PI / std::acos(1.0 - 0.0625 / 3.0)));

    // Purpose 3 writes no tool record.
    CURTOL = t1;
    std::vector<i32> b_3;
    const std::vector<f32> p3 = points(b_3, 3);
    EXPECT_EQ(b_3.size(), n - 2);
    for (size_t k = 0; k < b_3.size(); ++k) EXPECT_FALSE(tp_is_tool(&p3[3 * k]));
}

TEST_F(ToolPathStock, TheWalkAndThePointListLeaveTheStockOfTheSweepsInOrder)
{
    const i32 t1 = tooldefs::use_mill(2.0f, 1.0f, 30.0f);
    grid(-5, -5, 25, 5, 10.0f);
    rapid_plunge_cut(t1);
    std::vector<i32> b;
    const std::vector<f32> p = points(b);
    i32 st = 0;
    stk_tool_image(0, 2.0f, 1.0f, 30.0f, 0.0f, st);
    ASSERT_EQ(st, 0);
    stamp_by_hand(p, b);
    const std::vector<f32> by_hand = heights();

    // The stock run's road.
    stocktest::fill(10.0f);
    i32 ph = -1, bh = -1, n = 0;
    i32 a = 0;
    lacces(2, a);
    tp_to_points(0, MV_LIST, ph, bh, n, st);
    ASSERT_EQ(st, 0);
    stk_stamp_points(ph, bh, n, st);
    ASSERT_EQ(st, 0);
    MM_CLOSE(ph, st);
    MM_CLOSE(bh, st);
    EXPECT_EQ(heights(), by_hand);

    // The move-by-move walk passes over the plunge after each rapid and cuts
    // the move after it from the rapid's end: never deeper than the point
    // list, the plunges left whole, the cut after the first one a ramp down
    // from z 20, the arc at its radius as before.
    stocktest::fill(10.0f);
    walk();
    const std::vector<f32> walked = heights();
    for (size_t k = 0; k < walked.size(); ++k) ASSERT_GE(walked[k], by_hand[k] - 1e-4f) << k;
    auto at = [&](const std::vector<f32>& h, double x, double y) {
        const i32 i = stk_cell_round((x - stk_grid.box[0]) / stk_grid.cell);
        const i32 j = stk_cell_round((y - stk_grid.box[1]) / stk_grid.cell);
        return h[size_t(j * stk_grid.nx + i)];
    };
    // The point list's stock: the plunge's hole and the cut, a ball of
    // radius 1 with its tip at 8; the plunge after the rapid across to 9.
    EXPECT_NEAR(at(by_hand, 0, 0), 8.0f, 1e-3);
    EXPECT_NEAR(at(by_hand, 5, 0), 8.0f, 1e-3);
    EXPECT_NEAR(at(by_hand, 2, -3), 9.0f, 1e-3);
    EXPECT_EQ(at(by_hand, 8, -3), 10.0f);
    EXPECT_EQ(at(walked, 0, 0), 10.0f);
    EXPECT_EQ(at(walked, 5, 0), 10.0f);  // the ramp's tip at 14 there
    EXPECT_GT(at(walked, 8.5, 0), 9.0f);  // the ramp's tip at 9.8 there
    EXPECT_LT(at(walked, 8.5, 0), 9.5f);
    EXPECT_EQ(at(walked, 2, -3), 10.0f);
    // The XZ half circle of radius 5 about (15, 8): its tip down to 3 at x 15,
    // 8 - 4 = 4 at x 12 (ball tip within a chord's sag and the ball's width).
    for (const std::vector<f32>* h : {&by_hand, &walked}) {
        EXPECT_NEAR(at(*h, 15, 0), 3.0f, 0.02);
        EXPECT_NEAR(at(*h, 12, 0), 8.0f - 4.0f - 0.0f, 0.35);
        EXPECT_GT(at(*h, 12, 0), 8.0f - 5.0f);
    }
}

TEST_F(ToolPathStock, AWalkThatStartsOnAFeedArcOnlyTakesItsEndAsThePoint)
{
    // No position is known before the half circle about (5, 0) to (10, 0):
    // in an ordinary walk (the first feed move passed over) as in one that
    // continues from no point, it leaves the stock whole and only places
    // the tool at its end, from where the line after it is cut.
    for (i32 cont : {0, 1}) {
        SCOPED_TRACE(cont);
        SetUp();
        path = Path{};
        tooldefs::use_mill(2.0f, 1.0f, 30.0f);
        grid(-5, -7, 25, 7, 10.0f);
        i32 st = 0, none = -1, rapid = 0;
        stk_stamp_move(none, rapid, 0, st);  // an empty list: no point known
        path.feed(300.0f);
        path.arc(1, static_cast<f32>(M_PI), 5.0f, 0.0f, 10.0f, 0.0f, 8.0f);
        path.line(14.0f, 0.0f, 8.0f);
        stk_tool_image(0, 2.0f, 1.0f, 30.0f, 0.0f, st);
        ASSERT_EQ(st, 0);
        walk(cont);
        const StkCell* c = stk_cells();
        auto at = [&](double x, double y) {
            const i32 i = stk_cell_round((x - stk_grid.box[0]) / stk_grid.cell);
            const i32 j = stk_cell_round((y - stk_grid.box[1]) / stk_grid.cell);
            return c[j * stk_grid.nx + i].h1;
        };
        for (const auto& q : {std::array<double, 2>{5, 5}, {5, -5}, {0, 0}, {8, 0}}) EXPECT_EQ(at(q[0], q[1]), 10.0f);
        EXPECT_NEAR(at(12, 0), 8.0f, 1e-3);
    }
}

// A point list whose first move is a quarter circle about (0, 0) from
// (5, 0) to (0, 5): no point lies before it, so the arc gives its end alone,
// not chords turned on from a start it does not have.
TEST_F(ToolPathStock, ThePointListOfAPathThatStartsOnAnArcTakesItsEndAlone)
{
    tooldefs::use_mill(2.0f, 1.0f, 30.0f);
    grid(-7, -7, 7, 12, 10.0f);
    path.feed(300.0f);
    const i32 arc = path.arc(1, static_cast<f32>(M_PI) / 2.0f, 0.0f, 0.0f, 0.0f, 5.0f, 8.0f);
    const i32 line = path.line(0.0f, 10.0f, 8.0f);
    std::vector<i32> b;
    const std::vector<f32> p = points(b);
    EXPECT_EQ(p, (std::vector<f32>{0, 5, 8, 0, 10, 8}));
    EXPECT_EQ(b, (std::vector<i32>{arc, line}));
}

TEST_F(ToolPathStock, AWalkStepsOverCycleBlocksAndDrillLocationsAndGoesOn)
{
    // A rapid, then under its feed a drilling cycle's activation, a drill
    // location away at x 20 and a retract mode; a plunge and a cut at feed,
    // then a cut whose feed block holds 0 (the feed in force goes on). The
    // walk steps over the cycle's blocks, never stamps at the drill
    // location and cuts the moves after it, in an ordinary walk and in one
    // that continues from a point (where the feed of 0 is looked for
    // before the move).
    for (i32 cont : {0, 1}) {
        SCOPED_TRACE(cont);
        SetUp();
        path = Path{};
        tooldefs::use_mill(2.0f, 1.0f, 30.0f);
        grid(-5, -7, 25, 7, 10.0f);
        i32 st = 0;
        path.feed(-1.0f);
        path.line(0.0f, 0.0f, 20.0f);
        const f32 z[3] = {0, 0, 1}, hole[3] = {20, 0, 0};
        PTBT30(AM_LIST, 81, 0, 1.0f, 4.0f, 2.0f, 1, 10.0f, path.next++, st);
        PTBT31(AM_LIST, hole, z, 0, path.next++, st);
        PTBT34(AM_LIST, 2, 0, path.next++, st);
        ASSERT_EQ(st, 0);
        path.feed(300.0f);
        path.line(0.0f, 0.0f, 8.0f);
        path.line(10.0f, 0.0f, 8.0f);
        path.feed(0.0f);
        path.line(10.0f, 4.0f, 8.0f);
        stk_tool_image(0, 2.0f, 1.0f, 30.0f, 0.0f, st);
        ASSERT_EQ(st, 0);
        const f32 above[3] = {0.0f, 0.0f, 20.0f};
        stk_stamp_point(above);
        walk(cont);
        const StkCell* c = stk_cells();
        auto at = [&](double x, double y) {
            const i32 i = stk_cell_round((x - stk_grid.box[0]) / stk_grid.cell);
            const i32 j = stk_cell_round((y - stk_grid.box[1]) / stk_grid.cell);
            return c[j * stk_grid.nx + i].h1;
        };
        EXPECT_NEAR(at(5, 0), 8.0f, 1e-3);
        EXPECT_NEAR(at(10, 2), 8.0f, 1e-3);
        EXPECT_EQ(at(20, 0), 10.0f);
        EXPECT_EQ(at(5, -3), 10.0f);
        EXPECT_EQ(at(15, 2), 10.0f);
    }
}

TEST_F(ToolPathStock, ThePointListOfAMovementEntityReadsTheBlocksItCounts)
{
    // A movement entity of four blocks (a feed, a string of two points, a
    // motion of another kind, a line) and a fifth line past its count:
    // every counted block is read, the one past the count never.
    tooldefs::use_mill(2.0f, 1.0f, 30.0f);
    norak::Entity m;
    m.cls = 9;
    m.type = norak::MOVMNT_TYPE;
    auto f = [](f32 v) { return r2wrd(v); };
    m.words = {0, 0, 0, 4, 0,
               5, 1, 1, 1, 0, f(250.0f),
               9, 7, 2, f(1), f(0), f(0), 2, f(2), f(0), f(0),
               5, 8, 3, f(7), f(7), f(7),
               5, 2, 4, f(3), f(0), f(0),
               5, 2, 5, f(9), f(9), f(9)};
    i32 st = 0;
    open_sub_list(1, norak::add_entity(m), st);
    ASSERT_EQ(st, 0);
    i32 ph = -1, bh = -1, n = 0;
    tp_to_points(0, MV_ENTITY, ph, bh, n, st);
    eclose();
    reset_open_proc();
    EXPECT_EQ(st, 0);
    ASSERT_EQ(n, 3);
    void *pb = nullptr, *bb = nullptr;
    mmcptr(ph, pb);
    mmcptr(bh, bb);
    const std::vector<f32> p(static_cast<const f32*>(pb), static_cast<const f32*>(pb) + 9);
    const std::vector<i32> b(static_cast<const i32*>(bb), static_cast<const i32*>(bb) + 3);
    EXPECT_EQ(p, (std::vector<f32>{1, 0, 0, 2, 0, 0, 3, 0, 0}));
    EXPECT_EQ(b, (std::vector<i32>{2, 2, 4}));
    MM_CLOSE(ph, st);
    MM_CLOSE(bh, st);
}

TEST_F(ToolPathStock, AToolChangeInsideThePathStampsWithTheNewToolFromWhereTheOldOneStood)
{
    const i32 t1 = tooldefs::use_mill(2.0f, 1.0f, 30.0f);
    const i32 t2 = tooldefs::make_tool(2, 5.0f, 0.0f, 30.0f, 0.0f);
    grid(-5, -5, 25, 5, 10.0f);
    path.tool(t1);
    path.feed(200.0f);
    path.line(0, 0, 8);
    path.line(6, 0, 8);
    path.tool(t2);
    path.line(12, 0, 7);
    path.line(18, 0, 7);
    std::vector<i32> b;
    const std::vector<f32> p = points(b);
    ASSERT_TRUE(tp_is_tool(&p[3 * 2]));
    i32 st = 0;
    stk_tool_image(0, 2.0f, 1.0f, 30.0f, 0.0f, st);
    stamp_by_hand(p, b);
    const std::vector<f32> by_hand = heights();
    stocktest::fill(10.0f);
    stk_tool_image(0, 2.0f, 1.0f, 30.0f, 0.0f, st);
    i32 ph = -1, bh = -1, n = 0, a = 0;
    lacces(2, a);
    tp_to_points(0, MV_LIST, ph, bh, n, st);
    stk_stamp_points(ph, bh, n, st);
    EXPECT_EQ(st, 0);
    MM_CLOSE(ph, st);
    MM_CLOSE(bh, st);
    EXPECT_EQ(heights(), by_hand);
    // The flat D5 from (6, 0, 8) down to (12, 0, 7): a cell 2.25 off the path
    // at x 9 is last under the tool's rim with the axis at x 9 + 1.09.
    const StkCell* c = stk_cells();
    const i32 i = stk_cell_round((9.0 - stk_grid.box[0]) / stk_grid.cell);
    const i32 j = stk_cell_round((2.25 - stk_grid.box[1]) / stk_grid.cell);
    EXPECT_NEAR(c[j * stk_grid.nx + i].h1, 8.0 - (3.0 + std::sqrt(2.5 * 2.5 - 2.25 * 2.25)) / 6.0, 0.01);
}

TEST_F(ToolPathStock, ADrillingCycleGivesPlungesFromItsInitialPlaneToTheRetractPlaneItsModeNames)
{
    // Del-Z surface 1, depth 4, clearance 2, retract to the R-plane (mode 1),
    // initial distance 10 above the first point; then mode 2 (the initial
    // plane) for the third point.
    tooldefs::use_mill(2.0f, 1.0f);
    i32 st = 0;
    PTBT30(AM_LIST, 81, 0, 1.0f, 4.0f, 2.0f, 1, 10.0f, path.next++, st);
    const f32 z[3] = {0, 0, 1}, a[3] = {0, 0, 0}, b[3] = {10, 0, -1}, c[3] = {20, 0, 0};
    PTBT31(AM_LIST, a, z, 0, path.next++, st);
    PTBT31(AM_LIST, b, z, 0, path.next++, st);
    PTBT34(AM_LIST, 2, 0, path.next++, st);
    PTBT31(AM_LIST, c, z, 0, path.next++, st);
    ASSERT_EQ(st, 0);
    std::vector<i32> blocks;
    const std::vector<f32> p = points(blocks, 3);
    // The second point's retract stays at its R-plane (1) until the third
    // point, which starts from the initial plane, raises it there.
    const std::vector<f32> want = {0,  0, 10, 0,  0, -4, 0,  0, 2,  10, 0, 1,  10, 0, -5,
                                   10, 0, 10, 20, 0, 10, 20, 0, -4, 20, 0, 10};
    EXPECT_EQ(p, want);
}

TEST_F(ToolPathStock, AToolOfABrokenShapeStopsTheStampingWithTheToolsMessage)
{
    // A corner radius below 0 goes into the tool record as it is; the stamping
    // refuses that shape, keeping what it cut before the change.
    const i32 t1 = tooldefs::use_mill(2.0f, 1.0f, 30.0f);
    const i32 t2 = tooldefs::make_tool(2, 4.0f, -0.5f, 30.0f, 0.0f);
    grid(-5, -5, 25, 5, 10.0f);
    path.tool(t1);
    path.feed(200.0f);
    path.line(0, 0, 8);
    path.line(6, 0, 8);
    path.tool(t2);
    path.line(12, 0, 8);
    std::vector<i32> b;
    const std::vector<f32> p = points(b);
    ASSERT_TRUE(tp_is_tool(&p[3 * 2]));
    EXPECT_EQ(p[3 * 2 + 2], -0.5f);
    i32 st = 0, ph = -1, bh = -1, n = 0, acc = 0;
    stk_tool_image(0, 2.0f, 1.0f, 30.0f, 0.0f, st);
    lacces(2, acc);
    tp_to_points(0, MV_LIST, ph, bh, n, st);
    stk_stamp_points(ph, bh, n, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("stk_tool_image, WRONG TOOL SHAPE"));
    MM_CLOSE(ph, st);
    MM_CLOSE(bh, st);
    const StkCell* cells = stk_cells();
    const i32 i = stk_cell_round((3.0 - stk_grid.box[0]) / stk_grid.cell);
    const i32 j = stk_cell_round((0.0 - stk_grid.box[1]) / stk_grid.cell);
    EXPECT_NEAR(cells[j * stk_grid.nx + i].h1, 8.0f, 1e-3);
}

// The tool record by the tool's type: a mill's own values, even of no
// diameter; a drill's tip cone, or its cylinder when the tip is flat; any
// other tool, a lathe drill too, and a drill of no diameter the first X
// alone. The stamping stops at a record that carries no shape, with a message.
TEST_F(ToolPathStock, AToolRecordCarriesTheShapeItsToolTypeGives)
{
    const f32 cone = static_cast<f32>(5.99 * 0.5 / std::tan(59.0 * M_PI / 180.0));
    struct Case {
        i32 type;
        f32 d, r, l, t;     // the tool (a drill: d, clearance, cut, tip angle cut + 10)
        f32 want[5];        // Y, Z of the first point; X, Y, Z of the second
    } cases[] = {{2, 4.0f, 0.5f, 25.0f, 3.0f, {4.0f, 0.5f, 25.0f, 3.0f, 0}},
                 {2, 0.0f, 0.5f, 25.0f, 3.0f, {0.0f, 0.5f, 25.0f, 3.0f, 0}},
                 {1, 6.0f, 0.0f, 108.0f, 0.0f, {0.01f, 0, cone, 59.0f, 0}},
                 {1, 6.0f, 0.0f, 170.0f, 0.0f, {6.0f, 0, 170.0f, 0, 0}},
                 {1, 0.0f, 0.0f, 108.0f, 0.0f, {0, 0, 0, 0, 0}},
                 {8, 6.0f, 0.0f, 108.0f, 0.0f, {0, 0, 0, 0, 0}},
                 {3, 6.0f, 0.5f, 20.0f, 0.0f, {0, 0, 0, 0, 0}},
                 {4, 6.0f, 0.5f, 20.0f, 0.0f, {0, 0, 0, 0, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        SCOPED_TRACE(c.d);
        SetUp();
        path = Path{};
        const i32 t1 = tooldefs::use_mill(2.0f, 1.0f, 30.0f);
        const i32 t2 = tooldefs::make_tool(c.type, c.d, c.r, c.l, c.t);
        grid(-5, -5, 25, 5, 10.0f);
        path.tool(t1);
        path.feed(200.0f);
        path.line(0, 0, 8);
        path.line(6, 0, 8);
        path.tool(t2);
        path.line(12, 0, 8);
        std::vector<i32> b;
        const std::vector<f32> p = points(b);
        ASSERT_EQ(b.size(), 5u);
        ASSERT_TRUE(tp_is_tool(&p[3 * 2]));
        for (i32 k = 0; k < 5; ++k) EXPECT_NEAR(p[3 * 2 + 1 + k], c.want[k], 1e-4f * (1.0f + c.want[k])) << k;
        i32 st = 0, ph = -1, bh = -1, n = 0, acc = 0;
        stk_tool_image(0, 2.0f, 1.0f, 30.0f, 0.0f, st);
        lacces(2, acc);
        tp_to_points(0, MV_LIST, ph, bh, n, st);
        stk_stamp_points(ph, bh, n, st);
        EXPECT_EQ(st, c.want[0] > 0.0f ? 0 : -1);
        EXPECT_EQ(norak::transcript_has("stk_tool_change, THE TOOL HAS NO SHAPE"), !(c.want[0] > 0.0f));
        MM_CLOSE(ph, st);
        MM_CLOSE(bh, st);
    }
}

// The feed in force at a move: a block the walk back cannot read fails the
// search with a failure status and no feed (an unknown machine value in a
// feed block, a block of no known type), where walking on would give the
// feed set before it or none; with no feed set before the move, 0.0.
TEST_F(ToolPathStock, TheFeedInForceFailsOnABlockItCannotRead)
{
    struct Case {
        std::vector<i32> bad;  // the block between the feed and the move, none when empty
        i32 status;
        f32 feed;
    } cases[] = {{{}, 0, 300.0f}, {{1, 0, 1, 1, 99}, -1, 0.0f}, {{77, 0, 5}, -1, 0.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bad.size());
        SetUp();
        path = Path{};
        tooldefs::use_mill(2.0f, 1.0f);
        path.line(0, 0, 20);
        path.feed(300.0f);
        if (!c.bad.empty()) {
            std::vector<i32> w = c.bad;
            w[1] = path.next++;
            path.raw(w);
        }
        const i32 m = path.line(0, 0, 5);
        i32 a = 0, st = 0;
        f32 feed = -5.0f;
        lacces(3, a);
        feed_at_move(-1, m, feed, st);
        EXPECT_EQ(st, c.status);
        EXPECT_EQ(feed, c.feed);
    }
    // No feed before the move: the list's start ends the walk.
    SetUp();
    path = Path{};
    const i32 m = path.line(0, 0, 5);
    i32 a = 0, st = 9;
    f32 feed = -5.0f;
    lacces(3, a);
    feed_at_move(-1, m, feed, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(feed, 0.0f);
}

TEST_F(ToolPathStock, TheCursorFindsMovesByNumberTheFeedInForceAndTheFirstAndLastMove)
{
    const i32 t1 = tooldefs::use_mill(2.0f, 1.0f);
    const i32 t2 = tooldefs::make_tool(2, 4.0f, 0.5f, 25.0f, 0.0f);
    CURTOL = t1;
    path.feed(-1.0f);
    const i32 m1 = path.line(0, 0, 20);
    path.feed(250.0f);
    path.tool(t2);
    const i32 m2 = path.line(0, 0, 5);
    const i32 m3 = path.arc(1, static_cast<f32>(M_PI), 5.0f, 0.0f, 10.0f, 0.0f, 5.0f);
    const i32 m4 = path.string({{{11, 0, 5}}, {{12, 1, 7}}, {{13, 0, 6}}});
    i32 a = 0, st = 0, number = 0, type = 0, size = 0, tc = 0;
    f32 feed = 0;
    lacces(2, a);
    find_move(MV_LIST, 1, number, type, size, feed, tc, st);
    EXPECT_EQ(number, m1);
    EXPECT_EQ(feed, -1.0f);
    EXPECT_EQ(tc, 0);
    TPJUMP(1, st);
    find_move(MV_LIST, 1, number, type, size, feed, tc, st);
    EXPECT_EQ(number, m2);
    EXPECT_EQ(feed, 250.0f);  // the feed passed; the tool block after it changes the tool
    EXPECT_EQ(tc, 1);
    EXPECT_EQ(CURTOL, t2);
    // Moves found again by number, their end points and the feed in force.
    goto_block(1, m4, st);
    ASSERT_EQ(st, 0);
    f32 e[3];
    move_end_point(e, st);
    EXPECT_EQ(e[0], 13.0f);
    f32 top = 0.0f;
    goto_block(-1, m4, st);
    move_top_z(7, top, st);
    EXPECT_EQ(top, 7.0f);
    goto_block(-1, m3, st);
    ASSERT_EQ(st, 0);
    move_end_point(e, st);
    EXPECT_EQ(e[0], 10.0f);
    feed_at_move(-1, m3, feed, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(feed, 250.0f);
    goto_block(1, 999, st);
    EXPECT_EQ(st, -1);
    goto_block(2, m1, st);
    EXPECT_EQ(st, -1);
    // The first and last moves, the list left where it was.
    goto_block(-1, m2, st);
    i32 pos = 0, after = 0;
    lgtpos(pos);
    jump_moves(99, number, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(number, m4);
    lgtpos(after);
    EXPECT_EQ(after, pos);
    jump_moves(-99, number, st);
    EXPECT_EQ(number, m1);
    jump_moves(1, number, st);
    EXPECT_EQ(number, m3);
    // A list that refuses to go to its end, or back to the start of the
    // block found, fails the search instead of answering from elsewhere.
    norak::fail_list_call("lacces", 1);
    jump_moves(99, number, st);
    EXPECT_EQ(st, -1);
    goto_block(1, m3, st);
    ASSERT_EQ(st, 0);
    norak::fail_list_call("lacces", 3);
    goto_block(1, m3, st);
    EXPECT_EQ(st, -1);
    norak::fail_list_call("lacces", 0);
    // The box ahead of the plunge: twice the diameter of the tool (D4) is
    // reached within the half circle (length 15.7); from the rapid's end the
    // plunge alone (15) reaches it.
    lacces(2, a);
    CURTOL = t2;
    goto_block(1, m1, st);
    const f32 high[3] = {0, 0, 20};
    f32 lo1[2] = {0, 0}, hi1[2];
    path_ahead_box(high, lo1, hi1, st);
    EXPECT_EQ(hi1[0], 0.0f);
    EXPECT_EQ(lo1[1], 0.0f);
    goto_block(1, m2, st);
    const f32 start[3] = {0, 0, 5};
    f32 lo[2] = {0, 0}, hi[2];
    path_ahead_box(start, lo, hi, st);
    EXPECT_EQ(lo[0], 0.0f);
    EXPECT_EQ(lo[1], -5.0f);
    EXPECT_EQ(hi[0], 10.0f);
    EXPECT_EQ(hi[1], 5.0f);
}

// The box ahead over a half circle in each plane: the centre's two values lie
// on the plane's own axes, the axis across the plane keeps the arc's height,
// and the arc's length (15.7) stays below twice the D8 so the next line joins
// the box and the one after it does not.
TEST_F(ToolPathStock, TheBoxAheadOfAnArcFollowsTheArcsPlane)
{
    for (i32 plane = 1; plane <= 3; ++plane) {
        SCOPED_TRACE(plane);
        SetUp();
        tooldefs::use_mill(8.0f, 1.0f);
        i32 a = 0, st = 0;
        path = Path{};
        Path& p = path;
        int u = 0, v = 0, w = 0;
        plane_axes(plane, u, v, w);
        f32 s[3], e[3];
        s[u] = 0, s[v] = 0, s[w] = 3;
        e[u] = 10, e[v] = 0, e[w] = 3;
        const i32 m = p.line(s[0], s[1], s[2]);
        p.arc(plane, static_cast<f32>(M_PI), 5.0f, 0.0f, e[0], e[1], e[2]);
        p.line(e[0] + 1, e[1] + 1, e[2]);
        p.line(-50, -50, e[2]);
        lacces(2, a);
        goto_block(1, m, st);
        ASSERT_EQ(st, 0);
        f32 lo[2] = {s[0], s[1]}, hi[2];
        path_ahead_box(s, lo, hi, st);
        f32 want_lo[3] = {0, 0, 0}, want_hi[3] = {0, 0, 0};
        want_lo[u] = 0, want_hi[u] = 10;
        want_lo[v] = -5, want_hi[v] = 5;
        want_lo[w] = want_hi[w] = 3;
        for (int c = 0; c < 2; ++c) {
            EXPECT_NEAR(lo[c], want_lo[c], 1e-4);
            EXPECT_NEAR(hi[c], std::max(want_hi[c], e[c] + 1), 1e-4);
        }
    }
}

// A feed written in front of a move takes the code of the named feed it
// equals (base 1000: plunge 20 %, then 80, 70 and 50 %), the rapid codes for
// negative feeds, and its value otherwise.
TEST_F(ToolPathStock, AFeedPutInFrontOfAMoveIsWrittenInTheFormOfTheNamedFeedItEquals)
{
    struct Case {
        f32 feed;
        i32 kind, word;  // kind 1: the code in word; 0: the value's bits
    } cases[] = {{200.0f, 1, 3}, {800.0f, 1, 26}, {700.0f, 1, 25}, {500.0f, 1, 2},
                 {300.0f, 0, r2wrd(300.0f)}, {-5.0f, 1, 27}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.feed);
        SetUp();
        PRM9[0] = r2wrd(1000.0f);
        PRM9[3] = 50, PRM9[4] = 20, PRM9[5] = 70, PRM9[6] = 80;
        path = Path{};
        path.feed(100.0f);
        path.line(0, 0, 0);
        const i32 m = path.line(5, 0, 0);
        i32 a = 0, st = 0;
        lacces(3, a);
        put_feed(c.feed, m, st);
        ASSERT_EQ(st, 0);
        const auto& list = norak::main_list().elems;
        size_t at = 0;
        for (size_t k = 0; k < list.size(); ++k)
            if (list[k].words.size() > 1 && list[k].words[0] == 2 && list[k].words[1] == m) at = k;
        ASSERT_GT(at, 0u);
        const std::vector<i32>& w = list[at - 1].words;
        ASSERT_GE(w.size(), 5u);
        EXPECT_EQ(w[0], 1);
        EXPECT_EQ(w[2], 1);
        EXPECT_EQ(w[3], c.kind);
        EXPECT_EQ(w[4], c.word);
    }
}

TEST_F(ToolPathStock, ASpaceKeyStopsTheRunWith1000AndLeavesTheGridWhole)
{
    tooldefs::use_mill(2.0f, 1.0f, 30.0f);
    grid(-5, -5, 25, 5, 10.0f);
    path.feed(300.0f);
    for (i32 k = 0; k < 500; ++k) path.line(0.04f * k, (k % 2) * 1.0f, 8.0f);
    const std::vector<f32> before = heights();
    STKPOS = nullptr;  // the list in force is the procedure's

    // A key while the points are gathered: nothing is stamped.
    norak::Reply key;
    key.kind = "key";
    key.after_polls = 3;
    norak::add_reply(key);
    i32 st = 0;
    stk_optim_run(0, 0, st);
    EXPECT_EQ(st, 1000);
    EXPECT_EQ(heights(), before);

    // A key while stamping, the stop confirmed: what was stamped stays, the
    // cells are those of the first 200 segments.
    std::vector<i32> b;
    const std::vector<f32> p = points(b);
    ASSERT_EQ(b.size(), 500u);
    key.after_polls = 501;  // the points' 501 polls, then the first poll of the stamping
    norak::add_reply(key);
    norak::Reply yes;
    yes.kind = "question";
    yes.answer = "yes";
    norak::add_reply(yes);
    stk_optim_run(0, 0, st);
    EXPECT_EQ(st, 1000);
    const std::vector<f32> stopped = heights();
    stocktest::fill(10.0f);
    i32 s2 = 0;
    stk_tool_image(0, 2.0f, 1.0f, 30.0f, 0.0f, s2);
    f32 dm, de, v, ve, q[3], len;
    i32 done = -1;
    for (i32 i = 0; i < 499 && done < 0; ++i) {
        stk_move(1, 0, &p[3 * i], &p[3 * i + 3], b[i + 1], dm, de, v, ve, q, len, s2);
        if (heights() == stopped) done = i + 1;
    }
    EXPECT_EQ(done, 199);
    EXPECT_NE(stopped, before);
}

}  // namespace

namespace {
// A point turned about an arc's centre in each plane: the start itself at no
// angle, a quarter turn counterclockwise on the plane's own axes, the third
// coordinate that of the end.
TEST(ArcPoint, TheStartTurnedAboutTheCentreOnThePlanesAxes)
{
    const f32 centre[2] = {1.0f, 2.0f};
    for (i32 plane : {1, 2, 3}) {
        SCOPED_TRACE(plane);
        int u = 0, v = 1, w = 2;
        plane_axes(plane, u, v, w);
        f32 start[3] = {0, 0, 0}, end[3] = {0, 0, 0};
        start[u] = 1.0f, start[v] = 7.0f, start[w] = 3.0f;  // 5 from the centre along v
        end[w] = 9.0f;
        for (const f32 a : {0.0f, f32(M_PI / 2)}) {
            f32 p[3];
            arc_point_at(start, plane, centre, end, a, p);
            EXPECT_NEAR(p[u], a == 0.0f ? 1.0f : -4.0f, 1e-5f);
            EXPECT_NEAR(p[v], a == 0.0f ? 7.0f : 2.0f, 1e-5f);
            EXPECT_EQ(p[w], 9.0f);
        }
    }
}
}  // namespace
