// The tool-shape helpers: the tool on a straight move, at a point through the
// string road, moving towards a wall over the triangles or the grid lines, a
// lane point's use; and the projection bridge in front of each caller.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "common/meshes.h"
#include "common/positioning.h"
#include "common/tooldefs.h"
#include "core/params.h"
#include "core/proc.h"
#include "cutter/gridln.h"
#include "cutter/linnetn.h"
#include "cutter/locdir.h"
#include "cutter/loccom.h"
#include "cutter/prjbrg.h"
#include "cutter/projection.h"
#include "stock/netgrid.h"
#include "stock/stkgrid.h"
#include "stock/stkstamp.h"
#include "surfaces/allsrf.h"

namespace {

class Helpers : public ::testing::Test {
protected:
    void SetUp() override
    {
        positioning::reset();
        pwrs(PRCPAR, PRTTOL, 0.01f);
        PRCSTK = 0.0f, PRCCHK = 0.0f;
        MVWTRV = 1;
        DIRSTK = 0;
        prj_set_library(nullptr);
        stk_net_rels();
    }
    void TearDown() override
    {
        prj_set_library(nullptr);
        MVWTRV = 1;
        FRETRI();
        stk_net_rels();
    }
};

void quad(meshes::Mesh& m, f64 x0, f64 x1, f64 y0, f64 y1, f64 z)
{
    i32 a = m.node(x0, y0, z), b = m.node(x1, y0, z), c = m.node(x1, y1, z), d = m.node(x0, y1, z);
    m.add(a, b, c);
    m.add(a, c, d);
}

// A plate at z = 0 and a block over 10 <= x <= 30 whose top is at z = 10,
// with vertical walls at x = 10 and x = 30.
std::vector<meshes::Mesh> plate_and_block()
{
    meshes::Mesh plate, top, wall;
    plate.id = 1, top.id = 2, wall.id = 3;
    quad(plate, -60, 60, -60, 60, 0.0);
    quad(top, 10, 30, -60, 60, 10.0);
    for (f64 x : {10.0, 30.0}) {
        i32 a = wall.node(x, -60, 0), b = wall.node(x, 60, 0), c = wall.node(x, 60, 10), d = wall.node(x, -60, 10);
        wall.add(a, b, c);
        wall.add(a, c, d);
    }
    return {plate, top, wall};
}

TEST_F(Helpers, StraightMovesStopWhereTheToolFirstTouches)
{
    ASSERT_EQ(meshes::build(plate_and_block()), 0);
    for (const auto& k : positioning::KINDS) {
        if (k.taper > 0) continue;
        tooldefs::use_mill(k.d, k.r, k.l);
        const f32 R = 0.5f * k.d;
        f32 pos[3], nrm[3], con[3];
        i32 st = -5;
        // straight down onto the block's top: the lower end is the limit
        const f32 a[3] = {20, 0, 30}, b[3] = {20, 0, -5};
        LOCMVW(a, b, pos, nrm, st);
        ASSERT_EQ(st, 0) << k.name;
        EXPECT_NEAR(pos[2], 10.0f, 1e-4) << k.name;
        EXPECT_NEAR(pos[0], 20.0f, 1e-5);
        // horizontally into the wall at x = 10 at height 1
        const f32 c[3] = {-20, 0, 1}, d[3] = {40, 0, 1};
        LOCMV2(c, d, pos, nrm, con, st);
        ASSERT_EQ(st, 0) << k.name;
        EXPECT_NEAR(pos[0], 10.0f - R, 1e-3) << k.name;
        EXPECT_NEAR(con[0], 10.0f, 1e-3) << k.name;
        // a move that stays clear of everything meets nothing
        const f32 e[3] = {-20, 0, 40}, f[3] = {40, 0, 45};
        LOCMVW(e, f, pos, nrm, st);
        EXPECT_EQ(st, 1) << k.name;
    }
    // a descending diagonal: the flat bottom lands on the top at x = 10
    tooldefs::use_mill(10.0f, 0.0f);
    f32 pos[3], nrm[3];
    i32 st = -5;
    const f32 a[3] = {0, 0, 20}, b[3] = {20, 0, 0};
    LOCMVW(a, b, pos, nrm, st);
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(pos[0], 10.0f, 1e-3);
    EXPECT_NEAR(pos[2], 10.0f, 1e-3);
    // with the travel switch off the vertical move is the point road at
    // `from`, the horizontal one LOCDIR from below `from` at from's height
    MVWTRV = 0;
    const f32 c[3] = {20, 0, 30}, d[3] = {20, 0, 50};
    LOCMVW(c, d, pos, nrm, st);
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(pos[2], 10.0f, 1e-4);  // the drop at (20, 0): above the move
    const f32 e[3] = {-20, 0, 1}, f[3] = {40, 0, 1};
    LOCMVW(e, f, pos, nrm, st);
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(pos[0], 5.0f, 1e-3);
    EXPECT_NEAR(nrm[0] * nrm[0] + nrm[1] * nrm[1] + nrm[2] * nrm[2], 1.0f, 1e-5);
}

TEST_F(Helpers, PointRoadEqualsAOnePointString)
{
    auto ms = meshes::hemisphere_on_plate(20.0, 30.0, 3000);
    ASSERT_EQ(meshes::build(ms), 0);
    std::mt19937 g(7);
    std::uniform_real_distribution<f64> u(-35.0, 35.0);
    for (const auto& k : positioning::KINDS) {
        tooldefs::use_mill(k.d, k.r, k.l, k.taper);
        for (int i = 0; i < 25; ++i) {
            const f32 p[3] = {static_cast<f32>(u(g)), static_cast<f32>(u(g)), 0.0f};
            f32 pos[3], nrm[3];
            i32 st = -5;
            LOCSEG(p, pos, nrm, st);
            // the string entry on its own, one point from start = end
            f32 xyz[3], n[3];
            i32 nst = 0, len[1], tot = 0, ls = 0;
            LINNETN(1, 0, p, p, 0.01f, 0.0f, 0.0f, 3, 1, xyz, n, nullptr, nullptr, nst, 1, len, tot, ls);
            ASSERT_EQ(ls, 0);
            ASSERT_EQ(nst, 1);
            ASSERT_EQ(st, 0) << k.name;
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(pos[c], xyz[c]) << k.name << " " << i;
                EXPECT_EQ(nrm[c], n[c]) << k.name << " " << i;
            }
            // and the point road through PNTNET stands at the same height
            f32 pp[3], con[3] = {0, 0, -7.0f}, pn[3];
            i32 ps = -5;
            LOCSGP(p, 2, pp, con, pn, ps);
            EXPECT_EQ(ps, 0);
            EXPECT_NEAR(pp[2], pos[2], 1e-4) << k.name << " " << i;
            EXPECT_NE(con[2], -7.0f);
            // the string roads of LOCSGP copy the one point back and leave
            // the contact alone
            f32 sp[3], sn[3];
            con[2] = -7.0f;
            LOCSGP(p, 0, sp, con, sn, ps);
            EXPECT_EQ(ps, 0);
            EXPECT_EQ(sp[2], pos[2]);
            EXPECT_EQ(con[2], -7.0f);
        }
    }
    // nothing under the tool
    tooldefs::use_mill(10.0f, 5.0f);
    const f32 far[3] = {500, 500, 0};
    f32 pos[3], nrm[3];
    i32 st = -5;
    LOCSEG(far, pos, nrm, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(pos[2], -1.0e10f);
    // a turning tool gives no string: nothing found, height -1.0e10
    CURTOL = tooldefs::make_tool(1, 10.0f, 0.0f, 30.0f, 0.0f);
    const f32 in[3] = {0, 0, 0};
    LOCSEG(in, pos, nrm, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(pos[2], -1.0e10f);
    // A failed string (the zero tolerance refused) is a failure, not nothing
    // under the tool; the string roads of LOCSGP answer 1 after it.
    tooldefs::use_mill(10.0f, 5.0f);
    pwrs(PRCPAR, PRTTOL, 0.0f);
    LOCSEG(in, pos, nrm, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(pos[2], -1.0e10f);
    f32 con[3];
    LOCSGP(in, 0, pos, con, nrm, st);
    EXPECT_EQ(st, 1);
}

// A display stock of unit cells over 0..40 (41 x 41 cells), second heights
// 2.5, raised to 10 from column `step` on.
void grid_with_step(i32 step)
{
    std::vector<i32> dx(48, r2wrd(-1.0f));
    dx[0] = r2wrd(1.0f);
    norak::set_record("DX79", 4, dx);
    const f32 box[6] = {0.0f, 0.0f, 0.0f, 40.0f, 40.0f, 0.0f};
    i32 sx = 0, sy = 0, st = 0;
    stk_grid_open(box, sx, sy, st);
    ASSERT_EQ(st, 0);
    for (i32 j = 0; j < 41; ++j)
        for (i32 i = 0; i < 41; ++i) stk_cells()[i + 41 * j].h2 = i >= step ? 10.0f : 2.5f;
}

TEST_F(Helpers, GridAndStockRoadsOfThePointRoad)
{
    grid_with_step(100);
    ASSERT_EQ(meshes::build(plate_and_block()), 0);
    tooldefs::use_mill(6.0f, 0.0f);
    const f32 p[3] = {20.5f, 20.5f, 0.0f};
    f32 pos[3], nrm[3], g[3];
    i32 st = -5, gs = -5;
    // grid lines alone
    STPFLG(0x40);
    LOCSEG(p, pos, nrm, st);
    LINNET_ON_GRID_LINES(p, 0.01f, g, gs);
    ASSERT_EQ(gs, 0);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(pos[2], g[2]);
    EXPECT_EQ(nrm[2], 1.0f);
    // the triangles stand higher (the block's top at 10 against 2.5)
    STPFLG(0x3F | 0x40);
    LOCSEG(p, pos, nrm, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(pos[2], 10.0f, 1e-4);
    // off the block the grid is higher than the plate
    const f32 q[3] = {40.5f - 3.0f, 20.5f, 0.0f};
    LOCSEG(q, pos, nrm, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(pos[2], 2.5f, 1e-5);
    // the stock grid's drop alone: no stock yet under the tool
    STPFLG(0x80);
    LOCSEG(p, pos, nrm, st);
    f32 s[3];
    i32 ss = -5;
    stk_tool_drop(p, s, ss);
    if (ss == 0) {
        EXPECT_EQ(st, 0);
        EXPECT_EQ(pos[2], s[2]);
    } else {
        EXPECT_EQ(st, 1);
        EXPECT_EQ(pos[2], -1.0e10f);
    }
}

TEST_F(Helpers, MovesTowardsAWallStopAtTheClosedForm)
{
    ASSERT_EQ(meshes::build(plate_and_block()), 0);
    for (const auto& k : positioning::KINDS) {
        if (k.taper > 0) continue;
        tooldefs::use_mill(k.d, k.r, k.l);
        const f32 R = 0.5f * k.d;
        f32 pos[3], con[3];
        i32 st = -5;
        for (f32 y : {-7.0f, 0.0f, 13.0f}) {
            const f32 a[3] = {-20, y, 3}, b[3] = {50, y, 3};
            LOCDIR(a, b, 3.0f, pos, con, st);
            ASSERT_EQ(st, 0) << k.name;
            EXPECT_NEAR(pos[0], 10.0f - R, 1e-4) << k.name;
            EXPECT_NEAR(pos[1], y, 1e-5);
            EXPECT_NEAR(con[0], 10.0f, 1e-4) << k.name;
            // from the other side
            const f32 c[3] = {70, y, 3}, d[3] = {0, y, 3};
            LOCDIR(c, d, 3.0f, pos, con, st);
            ASSERT_EQ(st, 0);
            EXPECT_NEAR(pos[0], 30.0f + R, 1e-4) << k.name;
        }
        // over the block's top nothing is met: position is `to`
        const f32 a[3] = {-20, 0, 11}, b[3] = {50, 0, 11};
        LOCDIR(a, b, 11.0f, pos, con, st);
        EXPECT_EQ(st, 1);
        EXPECT_EQ(pos[0], 50.0f);
    }
}

TEST_F(Helpers, GridRoadOfTheMoveMatchesItsClosedForm)
{
    // the second heights rise from 2.5 to 10 between columns 19 and 20
    grid_with_step(20);
    STPFLG(0x40);
    tooldefs::use_mill(6.0f, 0.0f);
    const f32 o = stk_grid.box[0];
    // a flat tool at height 5 meets the row under its axis where the rising
    // segment reaches 5, a third of a cell past column 19
    const f32 touch = o + 19.0f + 1.0f / 3.0f - 3.0f;
    f32 pos[3], con[3];
    i32 st = -5;
    for (f32 y : {10.0f, 17.0f}) {
        const f32 yy = o + y;
        const f32 a[3] = {o + 2.0f, yy, 5}, b[3] = {o + 38.0f, yy, 5};
        LOCDIR(a, b, 5.0f, pos, con, st);
        ASSERT_EQ(st, 0);
        EXPECT_NEAR(pos[0], touch, 1e-4);
        EXPECT_EQ(pos[1], yy);
        EXPECT_EQ(pos[2], 5.0f);
        // the contact stays as the triangle road left it: none
        EXPECT_EQ(con[2], 1.0f);
        // accepted up to 1.0 beyond the end of the move, not further
        const f32 near[3] = {touch - 0.3f, yy, 5}, away[3] = {touch - 1.1f, yy, 5};
        LOCDRG(a, near, 5.0f, pos, st);
        EXPECT_EQ(st, 0);
        EXPECT_NEAR(pos[0], touch, 1e-4);
        LOCDRG(a, away, 5.0f, pos, st);
        EXPECT_EQ(st, 1);
        // standing in the step already: travel 0, the start itself
        const f32 in[3] = {o + 25.0f, yy, 5};
        LOCDRG(in, b, 5.0f, pos, st);
        EXPECT_EQ(st, 0);
        EXPECT_NEAR(pos[0], in[0], 1e-6);
        // above the step nothing is met
        LOCDRG(a, b, 10.5f, pos, st);
        EXPECT_EQ(st, 1);
    }
    // backwards along -x from beyond the step: already inside, travel 0
    // for the start; a move away from the step meets nothing
    const f32 c[3] = {o + 15.0f, o + 10.0f, 5}, d[3] = {o + 2.0f, o + 10.0f, 5};
    LOCDRG(c, d, 5.0f, pos, st);
    EXPECT_EQ(st, 1);
    // a tool that is no milling cutter
    CURTOL = tooldefs::make_tool(1, 6.0f, 0.0f, 30.0f, 0.0f);
    const f32 a[3] = {o + 2.0f, o + 10.0f, 5}, b[3] = {o + 38.0f, o + 10.0f, 5};
    LOCDRG(a, b, 5.0f, pos, st);
    EXPECT_EQ(st, 1);
}

TEST_F(Helpers, LanePointsAboveOnAndBelowThePlate)
{
    meshes::Mesh plate;
    quad(plate, -60, 60, -60, 60, 0.0);
    ASSERT_EQ(meshes::build({plate}), 0);
    tooldefs::use_mill(10.0f, 2.0f);
    struct Case {
        f32 z;
        i32 status, flag;
    } cases[] = {{1.0f, 0, 0}, {0.0f, 0, 0}, {-0.02f, 0, 0}, {-1.0f, 0, 1}};
    for (const Case& c : cases) {
        f32 p[3] = {0, 0, c.z};
        i32 flag = -5, st = -5;
        LOCPTD(p, flag, st);
        EXPECT_EQ(st, c.status) << c.z;
        EXPECT_EQ(flag, c.flag) << c.z;
        EXPECT_EQ(p[2], c.z);
    }
    // a flagged point is stored as a point entity only under its switch
    const size_t before = norak::entities().size();
    f32 deep[3] = {0, 0, -1.0f};
    i32 flag = 0, st = 0;
    LOCPTD(deep, flag, st);
    EXPECT_EQ(norak::entities().size(), before);
    PTDSHW = 1;
    LOCPTD(deep, flag, st);
    PTDSHW = 0;
    EXPECT_EQ(norak::entities().size(), before + 1);
}

// A projection library of the test: every projection answers and is counted.
class FakeLib : public ProjectionLibrary {
public:
    int calls[5] = {0, 0, 0, 0, 0};
    int last_index = -1;
    int available() override { return 1; }
    void prepare(int) override { ++calls[4]; }
    int vertical(int index, const float* p, PrjVert& v) override
    {
        ++calls[0];
        last_index = index;
        v = PrjVert{};
        v.height = 7.0f;
        for (int k = 0; k < 3; ++k) v.contact[k] = p[k];
        v.contact[2] = 7.0f;
        v.normal[2] = 1.0f;
        v.kind = p[0] > 0 ? 2 : 0;
        v.code = 42;
        return 0;
    }
    int diagonal(int index, const float* from, const float* d, PrjDiag& g) override
    {
        ++calls[1];
        last_index = index;
        g = PrjDiag{};
        g.travel = 2.0f;
        for (int k = 0; k < 3; ++k) g.contact[k] = from[k] + 2.0f * d[k];
        g.normal[2] = 1.0f;
        return d[2] > 0.5f ? 1 : 0;
    }
    // Two pieces along the segment: three points of code 5, then two of
    // code 6 carrying the marker 1; one deleted point.
    void segment(int, const float* a, const float* b, PrjSegResult& r) override
    {
        ++calls[2];
        r.pieces.assign(2, {});
        const int counts[2] = {4, 2};
        for (int piece = 0; piece < 2; ++piece)
            for (int k = 0; k < counts[piece]; ++k) {
                PrjPoint q{};
                const float t = piece == 0 ? 0.1f * k : 0.6f + 0.4f * k;
                for (int c = 0; c < 3; ++c) q.pos[c] = a[c] + t * (b[c] - a[c]);
                q.pos[2] = 7.0f;
                q.v1[2] = q.v2[2] = 1.0f;
                q.code1 = piece == 0 ? 5 : 6;
                q.code2 = piece;
                q.valid = true;
                q.deleted = piece == 0 && k == 1;
                r.pieces[piece].push_back(q);
            }
    }
    int lane(int, float, const float*, const float*, int n, std::vector<float>& out) override
    {
        ++calls[3];
        out = {0, 0, 0, 0, 0, 0, 1, 0, 0, 2, 0, 0};
        if (n == 3) out = {0, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 1, 0};
        if (n == 0) out.clear();
        return 0;
    }
};

TEST_F(Helpers, ProjectionRoadIsTakenOnlyWhenTheLibraryAnswers)
{
    ASSERT_EQ(meshes::build(plate_and_block()), 0);
    tooldefs::use_mill(10.0f, 2.0f);
    f32 pos[3], con[3], nrm[3];
    i32 srf = 0, st = -5;
    f32 p[3] = {20, 0, 0};
    const f32 a[3] = {-20, 0, 3}, b[3] = {50, 0, 3};
    // the stand-in library: availability stays 0 and every caller takes
    // its own road
    prj_set_avail(1);
    prj_set_use(1);
    EXPECT_EQ(prj_get_avail(), 0);
    EXPECT_EQ(prj_get_use(), 0);
    PNTNET(0, p, 0.01f, 0.0f, 0.0f, pos, con, nrm, srf, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(pos[2], 10.0f, 1e-4);
    LOCDIR(a, b, 3.0f, pos, con, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(pos[0], 5.0f, 1e-4);

    FakeLib fake;
    prj_set_library(&fake);
    prj_set_avail(1);
    ASSERT_EQ(prj_get_avail(), 1);
    prj_set_use(1);
    EXPECT_EQ(prj_get_use(), 1);
    // no projector prepared for the tool: every caller fails
    PNTNET(0, p, 0.01f, 0.0f, 0.0f, pos, con, nrm, srf, st);
    EXPECT_EQ(st, -1);
    LOCMV2(a, b, pos, nrm, con, st);
    EXPECT_EQ(st, -1);
    LOCDIR(a, b, 3.0f, pos, con, st);
    EXPECT_EQ(st, -1);
    LOCSEG(p, pos, nrm, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(pos[2], -1.0e10f);
    i32 ts = 0;
    prj_add_tool(3, 10.5f, 2.0f, ts);  // too far off in diameter
    prj_add_tool(5, 10.005f, 2.005f, ts);
    prj_add_tool(6, 10.005f, 2.005f, ts);  // as near: the first wins
    prj_add_tool(8, 10.008f, 1.999f, ts);  // nearer in one value only
    EXPECT_EQ(prj_tool_index(), 5);
    // each caller now routes through the library with projector 5
    PNTNET(0, p, 0.01f, 0.0f, 0.0f, pos, con, nrm, srf, st);
    EXPECT_EQ(st, 4);  // kind 2: a protected surface
    EXPECT_EQ(pos[2], 7.0f);
    EXPECT_EQ(srf, 42);
    EXPECT_EQ(fake.last_index, 5);
    f32 q[3] = {-20, 0, 0};
    PNTNET(0, q, 0.01f, 0.0f, 0.0f, pos, con, nrm, srf, st);
    EXPECT_EQ(st, 0);
    LOCSEG(q, pos, nrm, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(pos[2], 7.0f);
    EXPECT_EQ(fake.calls[0], 3);
    LOCMV2(a, b, pos, nrm, con, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(pos[0], -18.0f, 1e-5);
    const f32 up[3] = {-20, 0, 30};
    LOCMV2(a, up, pos, nrm, con, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(pos[2], 30.0f);
    LOCDIR(a, b, 3.0f, pos, con, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(pos[0], 50.0f);  // the position stays `to`
    EXPECT_NEAR(con[0], -18.0f, 1e-5);
    EXPECT_EQ(fake.calls[1], 3);
    // the second form gives the travel alone
    f32 tr = -1.0f;
    EXPECT_EQ(prj_diagonal(5, a, b, tr), 0);
    EXPECT_EQ(tr, 2.0f);
    tr = -1.0f;
    EXPECT_EQ(prj_diagonal(5, a, up, tr), 1);
    EXPECT_EQ(tr, -1.0f);
    EXPECT_EQ(fake.calls[1], 5);
    // the segment projection prepares its projector once; the walk skips
    // the deleted point
    prj_segment(5, a, b);
    prj_segment(5, a, b);
    EXPECT_EQ(fake.calls[4], 1);
    EXPECT_EQ(prj_seg_first(), 1);
    i32 walked = 0;
    while (prj_pt_next()) ++walked;
    EXPECT_EQ(walked, 3);
    EXPECT_EQ(prj_seg_next(), 1);
    EXPECT_EQ(prj_seg_next(), 0);
    // the string positioning takes the library's pieces: the use flag off,
    // the marked piece's code turns negative and is lifted into a string of
    // its own; the pieces break between them
    {
        std::vector<f32> xyz(600), nrm(600);
        std::vector<i32> flg(200), len(20);
        i32 nst = 0, tot = 0, ls = 0;
        const f32 s0[3] = {0, 0, 0}, s1[3] = {10, 0, 0};
        prj_set_use(0);
        stk_net_rels();
        LINNETN(1, 0, s0, s1, 0.01f, 0.0f, 0.0f, 600, 5, xyz.data(), nrm.data(), nullptr, flg.data(), nst, 20,
                len.data(), tot, ls);
        EXPECT_EQ(ls, 0);
        // the work array alone: the projector needs no profile tables
        EXPECT_GE(stk_net.rec, 0);
        i32 tables = 0;
        stk_net_hdl(1, tables);
        EXPECT_EQ(tables, -1);
        EXPECT_EQ(fake.calls[2], 3);
        ASSERT_EQ(nst, 2);
        EXPECT_EQ(len[0], 2);  // a straight run: thinned to its ends
        EXPECT_EQ(flg[0], 5);
        EXPECT_EQ(xyz[2], 7.0f);
        EXPECT_EQ(xyz[3], 3.0f);
        EXPECT_EQ(flg[len[0]], 6);
        prj_set_use(1);
        // no projector for the tool: the string positioning fails too
        tooldefs::use_mill(12.0f, 2.0f);
        LINNETN(1, 0, s0, s1, 0.01f, 0.0f, 0.0f, 600, 5, xyz.data(), nrm.data(), nullptr, flg.data(), nst, 20,
                len.data(), tot, ls);
        EXPECT_EQ(ls, -1);
        EXPECT_EQ(nst, 0);
        tooldefs::use_mill(10.0f, 2.0f);
    }
    // the lane: the repeat goes, the straight run thins to its ends
    i32 n = 0, h = -1;
    prj_lane_on_srf(a, b, 2, 5, 0.01f, n, h, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(n, 2);
    i32 cs = 0;
    if (h >= 0) MM_CLOSE(h, cs);
    // only exact repeats go: a lane that turns keeps its corner
    prj_lane_on_srf(a, b, 3, 5, 0.01f, n, h, st);
    ASSERT_EQ(n, 3);
    {
        void* base = nullptr;
        mmcptr(h, base);
        const f32* q = static_cast<const f32*>(base);
        const f32 want[9] = {0, 0, 0, 1, 0, 0, 1, 1, 0};
        for (i32 k = 0; q && k < 9; ++k) EXPECT_EQ(q[k], want[k]) << k;
    }
    MM_CLOSE(h, cs);
    // a lane of no points still comes back in an array, which the caller closes
    h = -1;
    prj_lane_on_srf(a, b, 0, 5, 0.01f, n, h, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(n, 0);
    cs = -1;
    MM_CLOSE(h, cs);
    EXPECT_EQ(cs, 0);
    // a tapered tool never gets a projector
    tooldefs::use_mill(10.0f, 2.0f, 30.0f, 5.0f);
    EXPECT_EQ(prj_tool_index(), -1);
    // the surface switches of the model set the use flag
    i32 ks = 0;
    SRKOFF(ks);
    EXPECT_EQ(prj_get_use(), 0);
    SRKON(ks);
    EXPECT_EQ(prj_get_use(), 1);
    // the procedure start clears the availability
    prj_set_avail(0);
    EXPECT_EQ(prj_get_avail(), 0);
    SRKON(ks);
    EXPECT_EQ(prj_get_use(), 0);
}

}  // namespace

// The tool grown by an allowance is the offset of the tool's surface: a
// tapered tool shrunk by a negative allowance keeps the top of its flank on
// the flank's offset line, so its cut length (from the raised tip) loses
// (1 - sin a) |e|, not |e|; grown by a positive allowance its tip drops by
// e and the cut length gains e. Every positioning road takes this one rule.
TEST(GrownTool, ShrunkTaperedFlankMovesAlongItsNormal)
{
    const f32 a = static_cast<f32>(10.0 * M_PI / 180.0);
    LOCDIA = 10.0f, LOCCRN = 1.0f, LOCCUT = 30.0f, LOCTAP = a;
    for (f32 e : {-0.5f, -0.2f, 0.0f, 0.3f}) {
        const GrownTool g = loc_grown(e);
        EXPECT_NEAR(g.r, 1.0f + e, 1e-6f);
        // The flank's top point (radius at the top, height L from the tip)
        // offset by e along the outward flank normal (cos a, -sin a), with
        // heights taken from the offset tip (the tip moves down by e).
        const f64 top_z = 30.0 - e * std::sin(f64(a)) + e;
        if (e < 0.0f) {
            EXPECT_NEAR(g.l, top_z, 1e-5);
        }
        else EXPECT_NEAR(g.l, 30.0 + e, 1e-5);
        // The grown diameter at the tip's level: the flat bottom's edge
        // moves out by e along the corner's bisector.
        EXPECT_NEAR(g.d, 10.0 + 2.0 * e * (1.0 - std::sin(f64(a))) / std::cos(f64(a)), 1e-5);
    }
}

// A projector whose segment answers one piece of `count` points.
class LongLib : public FakeLib {
public:
    int count = 0;
    void segment(int, const float* a, const float* b, PrjSegResult& r) override
    {
        r.pieces.assign(1, {});
        for (int k = 0; k < count; ++k) {
            PrjPoint q{};
            const float t = float(k) / float(count);
            for (int c = 0; c < 3; ++c) q.pos[c] = a[c] + t * (b[c] - a[c]);
            q.v1[2] = q.v2[2] = 1.0f;
            q.code1 = 5;
            q.valid = true;
            r.pieces[0].push_back(q);
        }
    }
};

// The work array grown on one run and released with it is opened again at
// its first size, under the same host number: the next long line grows it
// again before it writes past it.
TEST_F(Helpers, ReopenedWorkArrayIsGrownAgainOnTheProjectionRoad)
{
    tooldefs::use_mill(10.0f, 2.0f);
    LongLib lib;
    prj_set_library(&lib);
    prj_set_avail(1);
    ASSERT_EQ(prj_get_avail(), 1);
    i32 ts = 0;
    prj_add_tool(5, 10.0f, 2.0f, ts);
    const f32 s0[3] = {0, 0, 0}, s1[3] = {10, 0, 0};
    std::vector<f32> xyz(30), nrm(30);
    std::vector<i32> flg(10), len(4);
    i32 handle = -1;
    for (int count : {12000, 15000}) {
        stk_net_rels();
        lib.count = count;
        i32 nst = 0, tot = 0, ls = 0;
        LINNETN(1, 0, s0, s1, 0.01f, 0.0f, 0.0f, 30, 6, xyz.data(), nrm.data(), nullptr, flg.data(), nst, 4,
                len.data(), tot, ls);
        EXPECT_EQ(ls, 0) << count;
        EXPECT_EQ(tot, count + 1) << count;  // the guard record and the points
        if (handle >= 0) {
            EXPECT_EQ(stk_net.rec, handle);
        }
        handle = stk_net.rec;
    }
}

TEST_F(Helpers, MoveTowardsAWallTakesTheNearerOfTheTrianglesAndTheGrid)
{
    // The wall at x = 10 stops a flat tool of diameter 6 at x = 7; the grid
    // stops it where its rising row reaches height 5, a third of a cell past
    // the last low column, less the radius.
    ASSERT_EQ(meshes::build(plate_and_block()), 0);
    tooldefs::use_mill(6.0f, 0.0f);
    STPFLG(0x3F | 0x40);
    f32 pos[3], con[3];
    i32 st = -5;
    const f32 a[3] = {2.0f, 20.0f, 5.0f}, b[3] = {38.0f, 20.0f, 5.0f};
    grid_with_step(20);  // the grid's touch at 16.33: the wall is nearer
    LOCDIR(a, b, 5.0f, pos, con, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(pos[0], 7.0f, 1e-3);
    stk_net_rels();
    grid_with_step(8);  // the grid's touch at 4.33: the grid is nearer
    LOCDIR(a, b, 5.0f, pos, con, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(pos[0], stk_grid.box[0] + 7.0f + 1.0f / 3.0f - 3.0f, 1e-4);
    EXPECT_NEAR(pos[1], 20.0f, 1e-5);
}
