// The tool over the lines of the stock grid.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "common/meshes.h"
#include "common/tooldefs.h"
#include "cutter/gridln.h"
#include "cutter/linnet.h"
#include "cutter/loccom.h"
#include "platform/norak/norak.h"
#include "stock/stkgrid.h"
#include "surfaces/trimodel.h"

namespace {

class GridLines : public ::testing::Test {
protected:
    void SetUp() override
    {
        norak::reset();
        // A display stock of unit cells over 0..40 in X and Y: 41 x 41 cells.
        std::vector<i32> dx(48, r2wrd(-1.0f));
        dx[0] = r2wrd(1.0f);
        norak::set_record("DX79", 4, dx);
        const f32 box[6] = {0.0f, 0.0f, 0.0f, 40.0f, 40.0f, 0.0f};
        i32 sx = 0, sy = 0, st = 0;
        stk_grid_open(box, sx, sy, st);
        ASSERT_EQ(st, 0);
        ASSERT_EQ(stk_grid.nx, 41);
        ASSERT_EQ(stk_grid.ny, 41);
        for (i32 k = 0; k < 41 * 41; ++k) stk_cells()[k].h2 = 2.5f;
    }
};

// The grid's origin: cell centres lie at origin + whole numbers.
f32 origin() { return stk_grid.box[0]; }

// Distance from (x, y) to the nearest grid line the positioning takes (unit
// cells from the origin, the tool's window i0..i1 x j0..j1): rows, columns,
// the diagonals walked down-right from the top row (i + j from i0 + 1 + j1 to
// i1 + j1) and down-left from it (i - j from i0 - j1 to i1 - 1 - j1).
double nearest_line(double x, double y, double R)
{
    int i0 = static_cast<int>(x - R), j0 = static_cast<int>(y - R);
    int i1 = std::min(40, static_cast<int>(x + R) + 1), j1 = std::min(40, static_cast<int>(y + R) + 1);
    double d = 1e300;
    for (int i = i0; i <= i1; ++i) d = std::min(d, std::fabs(x - i));
    for (int j = j0; j <= j1; ++j) d = std::min(d, std::fabs(y - j));
    for (int c = i0 + 1 + j1; c <= i1 + j1; ++c) d = std::min(d, std::fabs(x + y - c) / std::sqrt(2.0));
    for (int c = i0 - j1; c <= i1 - 1 - j1; ++c) d = std::min(d, std::fabs(x - y - c) / std::sqrt(2.0));
    return d;
}

TEST_F(GridLines, PlanarGridGivesTheClosedForm)
{
    std::mt19937 g(4);
    std::uniform_real_distribution<double> u(5.0, 35.0);
    for (int k = 0; k < 300; ++k) {
        f32 p[3] = {static_cast<f32>(u(g)), static_cast<f32>(u(g)), 0}, res[3];
        i32 st = 0;
        tooldefs::use_mill(6.0f, 0.0f);  // flat: the bottom lies on the grid
        LINNET_ON_GRID_LINES(p, 0.01f, res, st);
        ASSERT_EQ(st, 0);
        EXPECT_NEAR(res[2], 2.5f, 1e-5);
        tooldefs::use_mill(6.0f, 1.0f);  // flat part of radius 2 covers the cell
        LINNET_ON_GRID_LINES(p, 0.01f, res, st);
        EXPECT_NEAR(res[2], 2.5f, 1e-5);
        tooldefs::use_mill(6.0f, 3.0f);  // ball: the nearest line under it
        LINNET_ON_GRID_LINES(p, 0.01f, res, st);
        double dl = nearest_line(p[0] - origin(), p[1] - origin(), 3.0);
        EXPECT_NEAR(res[2], 2.5 - (3.0 - std::sqrt(9.0 - dl * dl)), 1e-5) << p[0] << " " << p[1];
    }
}

TEST_F(GridLines, EmptyCellsAndOutside)
{
    tooldefs::use_mill(6.0f, 3.0f);
    f32 res[3];
    i32 st = 0;
    f32 far[3] = {-10.0f, 20.0f, 0.0f};
    LINNET_ON_GRID_LINES(far, 0.01f, res, st);
    EXPECT_EQ(st, 1);
    StkCell* c = stk_cells();
    for (i32 k = 0; k < 41 * 41; ++k) c[k].h2 = 1.0e10f;
    f32 p[3] = {20.0f + origin(), 20.0f + origin(), 0.0f};
    LINNET_ON_GRID_LINES(p, 0.01f, res, st);
    EXPECT_EQ(st, 1);
    // One raised cell: the tool stands on it as on a peak.
    c[20 + 41 * 20].h2 = 4.0f;
    for (i32 k : {19, 21}) c[k + 41 * 20].h2 = 4.0f;
    c[20 + 41 * 21].h1 = 9.0f;  // the stock top is not read
    LINNET_ON_GRID_LINES(p, 0.01f, res, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(res[2], 4.0f, 1e-5);  // the ball rests on the row under its axis
    LINNET_ON_GRID_LINES(p, 0.0f, res, st);
    EXPECT_EQ(st, -1);
    // Under the diagnostics switch the same drop prints its counts and draws
    // each kept segment, as a figure and as a line entity at its place.
    const size_t figs = norak::figures().size(), ents = norak::entities().size();
    GRDDBG = 1;
    testing::internal::CaptureStdout();
    LINNET_ON_GRID_LINES(p, 0.01f, res, st);
    const std::string out = testing::internal::GetCapturedStdout();
    GRDDBG = 0;
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(res[2], 4.0f, 1e-5);
    int measured = 0, given = 0;
    ASSERT_EQ(std::sscanf(out.c_str(), "trigt on %d from %d\n", &measured, &given), 2) << out;
    EXPECT_EQ(out.back(), '\n');
    EXPECT_GT(measured, 0);
    EXPECT_LE(measured, given);
    ASSERT_EQ(norak::figures().size() - figs, static_cast<size_t>(given));
    EXPECT_EQ(norak::entities().size() - ents, static_cast<size_t>(given));
    for (size_t k = figs; k < norak::figures().size(); ++k) {
        const auto& f = norak::figures()[k];
        ASSERT_EQ(f.strokes.size(), 1u);
        for (const f32* q : {f.strokes[0].from, f.strokes[0].to}) EXPECT_LE(std::hypot(q[0] - p[0], q[1] - p[1]), 6.0f);
    }
}

// The front end with the grid lines: the grid alone leaves the status at -1
// beside the grid's position; with the triangles the grid's height replaces
// theirs only when strictly higher.
TEST_F(GridLines, FrontEndKeepsTheHigherOfTrianglesAndGrid)
{
    tooldefs::use_mill(6.0f, 0.0f);
    const f32 up[3] = {0, 0, 1};
    LOCSET(-1, up, up, 1, 0.0f, 0.01f);
    const f32 x = 20.0f + origin();
    struct Case {
        i32 flags;
        f64 plate;  // the plate's height; none below -1e9
        i32 status;
        f32 z;
        bool grid;
    } cases[] = {{0x40, -1e30, -1, 2.5f, true}, {0x80, -1e30, -1, 2.5f, true}, {0x41, 2.5, 0, 2.5f, false},
                 {0x41, 2.0, 0, 2.5f, true},    {0xC1, 3.0, 0, 3.0f, false}};
    for (const Case& c : cases) {
        FRETRI();
        if (c.plate > -1e9) {
            meshes::Mesh plate;
            const i32 a = plate.node(0, 0, c.plate), b = plate.node(40, 0, c.plate), d = plate.node(40, 40, c.plate),
                      e = plate.node(0, 40, c.plate);
            plate.add(a, b, d);
            plate.add(a, d, e);
            plate.id = 9;
            ASSERT_EQ(meshes::build({plate}), 0);
        }
        STPFLG(c.flags);
        f32 p[3] = {x, x, 0}, res[3], con[3], nrm[3];
        i32 srf = 0, st = 5;
        PNTNET(0, p, 0.01f, 0.0f, 0.0f, res, con, nrm, srf, st);
        EXPECT_EQ(st, c.status) << c.flags << " " << c.plate;
        EXPECT_NEAR(res[2], c.z, 1e-5) << c.flags << " " << c.plate;
        EXPECT_EQ(srf, c.grid ? -1 : 9) << c.flags << " " << c.plate;
    }
    STPFLG(0x3F);
    FRETRI();
}

}  // namespace
