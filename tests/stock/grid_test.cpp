// The stock grid: its cell size from "DX79" or chosen for the box, the
// limits, enlargement keeping the old cells whole, the offsets of a box in
// the grid on either side of its minimum, and what the host is handed.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "common.h"
#include "core/records.h"
#include "stock/stkstamp.h"

namespace {

std::vector<f32> dx79()
{
    const auto& r = norak::records().at("DX79");
    std::vector<f32> v;
    for (i32 w : r.words) v.push_back(wrd2r(w));
    return v;
}

TEST(StockGrid, StorableCellSizesArePowersOfTwoUpTo512)
{
    for (f32 ok : {0.5f, 1.0f, 512.0f, 0.125f, 0.0625f, std::ldexp(1.0f, -20)}) EXPECT_EQ(stk_cell_valid(ok), 1) << ok;
    for (f32 bad : {3.0f, 1024.0f, 0.0f, -0.5f, 0.3f, std::ldexp(1.0f, -21), 2048.0f}) EXPECT_EQ(stk_cell_valid(bad), 0) << bad;
}

TEST(StockGrid, WorkingStockChoosesItsCellForTheBox)
{
    // "DX79" unset, a 100 by 100 box: h starts at 0.0625 (2,560,000 cells),
    // the scale halves once: cell 0.125, 801 by 801.
    stocktest::fresh(0.0f, true);
    i32 sx = 9, sy = 9;
    ASSERT_EQ(stocktest::open(0, 0, 100, 100, &sx, &sy), 0);
    EXPECT_EQ(stk_grid.cell, 0.125f);
    EXPECT_EQ(stk_grid.nx, 801);
    EXPECT_EQ(stk_grid.ny, 801);
    EXPECT_EQ(stk_grid.ncells, 801 * 801);
    EXPECT_EQ(sx, 0);
    EXPECT_EQ(sy, 0);
    EXPECT_FLOAT_EQ(stk_grid.box[0], -0.001f);
    EXPECT_FLOAT_EQ(stk_grid.box[4], 100.0f);
    EXPECT_EQ(stk_grid.base_cell, 0.25f);
    const StkCell* c = stk_cells();
    ASSERT_NE(c, nullptr);
    for (i32 k : {0, 400 * 801 + 400, 801 * 801 - 1}) {
        EXPECT_EQ(c[k].h1, STK_NONE);
        EXPECT_EQ(c[k].h2, STK_NONE);
        EXPECT_EQ(c[k].move, 0);
        EXPECT_EQ(c[k].w1, 0);
    }
    // What the host keeps.
    const norak::StockSim& s = norak::stock_sim();
    EXPECT_EQ(s.key, stk_grid.hdl);
    EXPECT_EQ(s.valid, 0);
    EXPECT_EQ(s.level, CLP1[0]);
    EXPECT_EQ(s.handed, 1);
    EXPECT_EQ(s.not_display, 1);
    EXPECT_EQ(s.nx, 801);
    EXPECT_EQ(s.base, static_cast<const void*>(c));
    EXPECT_TRUE(norak::transcript_has("stock: working grid 801 x 801 cell 0.125"));
    // A small box: the scale doubles until about 100,000 cells.
    stocktest::fresh(0.0f, true);
    ASSERT_EQ(stocktest::open(0, 0, 10, 10), 0);
    EXPECT_EQ(stk_grid.cell, 0.03125f);  // 160 x 160 cells at 0.0625: s = 1.98, the scale 2
    EXPECT_EQ(stk_grid.nx, 321);
    // The working stock never writes its cell to "DX79".
    EXPECT_EQ(dx79()[0], -1.0f);
}

TEST(StockGrid, WorkingStockWithAValidGridKeepsIt)
{
    stocktest::fresh(0.5f, true);
    ASSERT_EQ(stocktest::open(0, 0, 20, 20), 0);
    const i32 h = stk_grid.hdl, nx = stk_grid.nx;
    stocktest::fill(3.0f);
    i32 sx = 7, sy = 7;
    ASSERT_EQ(stocktest::open(-40, -40, 60, 70, &sx, &sy), 0);
    EXPECT_EQ(stk_grid.hdl, h);
    EXPECT_EQ(stk_grid.nx, nx);
    EXPECT_EQ(sx, 0);
    EXPECT_EQ(sy, 0);
    EXPECT_EQ(stk_cells()[5].h1, 3.0f);
    EXPECT_EQ(stk_grid.stock[3], 60.0f);  // the box given is kept
    EXPECT_EQ(norak::stock_sim().handed, 2);
}

TEST(StockGrid, SetCellsAreTriedCoarserBeforeFailing)
{
    // 0.5 for the working stock over 200 x 200: 0.125 gives 1601^2 cells,
    // too many; 0.5/3 gives 1201^2.
    stocktest::fresh(0.5f, true);
    ASSERT_EQ(stocktest::open(0, 0, 200, 200), 0);
    EXPECT_FLOAT_EQ(stk_grid.cell, 0.5f / 3);
    EXPECT_EQ(stk_grid.nx, 1201);
    // 0.0625 over 300 x 300: 4,800, 3,600 and 2,400 cells a side are all too many.
    stocktest::fresh(0.0625f, true);
    EXPECT_EQ(stocktest::open(0, 0, 300, 300), STK_GRID_FAIL);
    EXPECT_TRUE(norak::transcript_has("host message 339/74"));
    EXPECT_EQ(stk_cells(), nullptr);
    EXPECT_EQ(norak::stock_sim().key, -1);
    EXPECT_EQ(norak::stock_sim().valid, -1);
    EXPECT_EQ(norak::open_arrays(), 0);
    // A rejected entry (3.0) is replaced by the automatic choice.
    stocktest::fresh(3.0f, true);
    ASSERT_EQ(stocktest::open(0, 0, 100, 100), 0);
    EXPECT_EQ(stk_grid.cell, 0.125f);
}

TEST(StockGrid, DisplayStockTakesItsCellAndKeepsIt)
{
    stocktest::fresh(1.0f);
    ASSERT_EQ(stocktest::open(0, 0, 40, 30), 0);
    EXPECT_EQ(stk_grid.cell, 1.0f);
    EXPECT_EQ(stk_grid.nx, 41);
    EXPECT_EQ(stk_grid.ny, 31);
    EXPECT_EQ(norak::stock_sim().not_display, 0);
    EXPECT_EQ(dx79()[0], 1.0f);
    // Unset: chosen for the box, then written to the stock's entry.
    stocktest::fresh(0.0f);
    norak::settings().nc["stock_number"] = 5;
    ASSERT_EQ(stocktest::open(0, 0, 10, 10), 0);
    EXPECT_EQ(stk_grid.cell, 0.25f / 8);  // 40 x 40 at 0.25: s = 7.9, scale 8
    const std::vector<f32> d = dx79();
    ASSERT_EQ(d.size(), 48u);
    EXPECT_EQ(d[5], 0.25f / 8);
    EXPECT_EQ(d[0], -1.0f);
    // Too many cells for the display stock: no retry.
    stocktest::fresh(0.0625f);
    EXPECT_EQ(stocktest::open(0, 0, 100, 100), STK_GRID_FAIL);
    EXPECT_TRUE(norak::transcript_has("host message 339/160: TOO MANY CELLS IN THE STOCK DISPLAY"));
}

TEST(StockGrid, CellCountsAreComputedInSixtyFourBits)
{
    // 65,537 x 65,537 cells: the product passes 2^32 and would wrap to
    // 131,073 in 32 bits.
    stocktest::fresh(std::ldexp(1.0f, -9));
    EXPECT_EQ(stocktest::open(0, 0, 128, 128), STK_GRID_FAIL);
    EXPECT_TRUE(norak::transcript_has("host message 339/160"));
    EXPECT_EQ(norak::open_arrays(), 0);
    // The finest cell over the widest box: each count alone leaves 32 bits.
    stocktest::fresh(std::ldexp(1.0f, -20), true);
    EXPECT_EQ(stocktest::open(-9.9e7, -9.9e7, 9.9e7, 9.9e7), STK_GRID_FAIL);
    EXPECT_TRUE(norak::transcript_has("host message 339/74"));
    EXPECT_EQ(norak::open_arrays(), 0);
}

TEST(StockGrid, BoxesOutOfRangeAreRefused)
{
    stocktest::fresh(1.0f);
    EXPECT_EQ(stocktest::open(0, 0, 1.5e8, 10), STK_GRID_FAIL);
    EXPECT_TRUE(norak::transcript_has("host message 301/10: COORDINATE OUT OF RANGE"));
    const f32 nan_box[6] = {0, 0, std::nanf(""), 10, 10, 0};
    i32 a = 0, b = 0, st = 0;
    stk_grid_open(nan_box, a, b, st);
    EXPECT_EQ(st, STK_GRID_FAIL);
    EXPECT_EQ(norak::transcript_count("host message 301/10"), 2u);
    EXPECT_EQ(stk_cells(), nullptr);
}

TEST(StockGrid, EnlargingKeepsEveryOldCellWhole)
{
    // A cell of 0.25, and one of 2 that does not divide the 5 and 3 units
    // the box grows by: the new corner is taken on the old lattice, so every
    // old cell keeps its place (a whole number of cells from the new corner).
    // From 99.999 down to -0.001 by cells of 2 the lattice point falls a
    // hair above the box's corner: the corner is taken, and the box, opened
    // again, finds itself inside and changes nothing.
    struct Case {
        f32 cell, box0;
        i32 di, dj;
        std::array<double, 4> first, grown;
    } cases[] = {{0.25f, -5.001f, 20, 12, {0, 0, 10, 8}, {-5, -3, 12, 9}},
                 {2.0f, -6.001f, 3, 2, {0, 0, 10, 8}, {-5, -3, 12, 9}},
                 {2.0f, -0.001f, 50, 2, {100.3, 0, 110, 8}, {0.2, -3, 112, 9}}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.cell);
        SCOPED_TRACE(k.first[0]);
        stocktest::fresh(k.cell);
        ASSERT_EQ(stocktest::open(k.first[0], k.first[1], k.first[2], k.first[3]), 0);
        ASSERT_EQ(stk_grid.cell, k.cell);
        const i32 onx = stk_grid.nx, ony = stk_grid.ny;
        const f32 ox = stk_grid.box[0], oy = stk_grid.box[1];
        std::mt19937 rng(3);
        std::vector<StkCell> old(static_cast<size_t>(stk_grid.ncells));
        StkCell* c = stk_cells();
        for (i32 n = 0; n < stk_grid.ncells; ++n) {
            c[n] = StkCell{static_cast<u16>(rng()), static_cast<u16>(rng()), static_cast<i32>(rng()),
                           std::ldexp(static_cast<f32>(rng() % 1000), -7), -static_cast<f32>(rng() % 1000)};
            old[n] = c[n];
        }
        const i32 oldh = stk_grid.hdl;
        i32 sx = 1, sy = 1;
        ASSERT_EQ(stocktest::open(k.grown[0], k.grown[1], k.grown[2], k.grown[3], &sx, &sy), 0);
        EXPECT_NE(stk_grid.hdl, oldh);
        EXPECT_EQ(norak::open_arrays(), 1);  // the old array is closed
        EXPECT_EQ(norak::stock_sim().key, stk_grid.hdl);
        EXPECT_FLOAT_EQ(stk_grid.box[0], k.box0);
        EXPECT_GE(stk_grid.box[3], 12.0f);
        const f64 fi = (f64(ox) - stk_grid.box[0]) / k.cell, fj = (f64(oy) - stk_grid.box[1]) / k.cell;
        EXPECT_NEAR(fi, std::round(fi), 1e-4);
        EXPECT_NEAR(fj, std::round(fj), 1e-4);
        const i32 di = static_cast<i32>(std::lround(fi)), dj = static_cast<i32>(std::lround(fj));
        EXPECT_EQ(di, k.di);
        EXPECT_EQ(dj, k.dj);
        if (k.cell == 0.25f) {
            EXPECT_EQ(sx, 0);  // the grid's corner is the box's now
            EXPECT_EQ(sy, 0);
            EXPECT_EQ(stk_grid.nx, 69);
            EXPECT_EQ(stk_grid.ny, 49);
        }
        c = stk_cells();
        i32 kept = 0, fresh_cells = 0;
        for (i32 j = 0; j < stk_grid.ny; ++j)
            for (i32 i = 0; i < stk_grid.nx; ++i) {
                const StkCell& n = c[j * stk_grid.nx + i];
                const i32 oi = i - di, oj = j - dj;
                if (oi >= 0 && oi < onx && oj >= 0 && oj < ony) {
                    ASSERT_EQ(std::memcmp(&n, &old[oj * onx + oi], sizeof n), 0) << i << " " << j;
                    ++kept;
                } else {
                    ASSERT_EQ(n.h1, STK_NONE);
                    ASSERT_EQ(n.h2, STK_NONE);
                    ASSERT_EQ(n.move, 0);
                    ASSERT_EQ(n.w1 | n.w2, 0);
                    ++fresh_cells;
                }
            }
        EXPECT_EQ(kept, onx * ony);
        EXPECT_GT(fresh_cells, 0);
        // The grown box again: inside, the same cells, its corner's offset.
        const i32 grown = stk_grid.hdl, gnx = stk_grid.nx, gsx = sx, gsy = sy;
        const f32 gx = stk_grid.box[0];
        ASSERT_EQ(stocktest::open(k.grown[0], k.grown[1], k.grown[2], k.grown[3], &sx, &sy), 0);
        EXPECT_EQ(stk_grid.hdl, grown);
        EXPECT_EQ(stk_grid.nx, gnx);
        EXPECT_EQ(stk_grid.box[0], gx);
        EXPECT_EQ(sx, gsx);
        EXPECT_EQ(sy, gsy);
    }
}

TEST(StockGrid, AFlatWorkingBoxCountsAsOneCellForItsRefinement)
{
    // A working stock with no cell given, over a box no wider than a cell:
    // opened with a finite cell, not refined without end.
    for (const std::array<double, 4>& b : {std::array<double, 4>{0, 0, 0, 10}, {0, 0, 0, 0}}) {
        stocktest::fresh(0.0f, true);
        ASSERT_EQ(stocktest::open(b[0], b[1], b[2], b[3]), 0) << b[3];
        EXPECT_GT(stk_grid.cell, 0.0f);
        EXPECT_TRUE(std::isfinite(stk_grid.cell));
        EXPECT_GE(stk_grid.nx, 1);
        EXPECT_GE(stk_grid.ny, 1);
    }
}

TEST(StockGrid, ABoxInsideGivesTheOffsetOfItsCornerOnEitherSide)
{
    stocktest::fresh(0.125f);
    ASSERT_EQ(stocktest::open(-5, -5, 5, 5), 0);
    const i32 h = stk_grid.hdl, nx = stk_grid.nx;
    i32 sx = 0, sy = 0;
    // Local corner (1.999, -3.001): 7 and 2 units above the grid's (-5.001,
    // -5.001), so the grid's corner lies -56 and -16 cells from the box's.
    ASSERT_EQ(stocktest::open(2.5, -2.5, 4, 3, &sx, &sy), 0);
    EXPECT_EQ(stk_grid.hdl, h);
    EXPECT_EQ(stk_grid.nx, nx);
    EXPECT_EQ(sx, -56);
    EXPECT_EQ(sy, -16);
    // The box's own corner cell is the grid's cell -sx, -sy.
    EXPECT_NEAR(stocktest::cx(-sx), 1.999, 1e-4);
    EXPECT_NEAR(stocktest::cy(-sy), -3.001, 1e-4);
    // At the corner itself: 0.
    ASSERT_EQ(stocktest::open(-4.5, -4.2, 3, 3, &sx, &sy), 0);
    EXPECT_EQ(sx, 0);
    EXPECT_EQ(sy, 0);
}

TEST(StockGrid, EnlargingPastTheLimitKeepsTheOldGrid)
{
    stocktest::fresh(0.0625f);
    ASSERT_EQ(stocktest::open(0, 0, 10, 10), 0);
    stocktest::fill(1.5f);
    const i32 h = stk_grid.hdl;
    const f32 box3 = stk_grid.box[3];
    EXPECT_EQ(stocktest::open(0, 0, 100, 100), STK_GRID_FAIL);
    EXPECT_TRUE(norak::transcript_has("host message 339/70"));
    EXPECT_EQ(stk_grid.hdl, h);
    EXPECT_EQ(stk_grid.box[3], box3);
    EXPECT_EQ(norak::stock_sim().key, h);
    EXPECT_EQ(stk_cells()[17].h1, 1.5f);
    // Still enlargeable within the limit.
    EXPECT_EQ(stocktest::open(0, 0, 12, 10), 0);
}

TEST(StockGrid, ANewGridReplacesTheOldOneAndItsImages)
{
    stocktest::fresh(0.25f);
    ASSERT_EQ(stocktest::open(0, 0, 10, 10), 0);
    stocktest::tools()[1].make_current();
    ASSERT_NE(stk_img.image, nullptr);
    EXPECT_EQ(norak::open_arrays(), 3);
    // The host's stock becomes invalid: the next open makes a new grid.
    norak::stock_sim().valid = -1;
    ASSERT_EQ(stocktest::open(0, 0, 10, 10), 0);
    EXPECT_EQ(norak::open_arrays(), 1);
    EXPECT_EQ(stk_img.image, nullptr);
    i32 st = 0;
    stk_image_select(0, st);
    EXPECT_EQ(st, -1);
    // After a host reset the old arrays (the grid, an image) went with it:
    // nothing of the new host's is closed, whatever handles it gave out.
    stocktest::tools()[1].make_current();
    norak::reset();
    i32 other[4] = {-1, -1, -1, -1};
    void* b = nullptr;
    for (i32& h : other) MM_OPEN_ARRAY(4, 10, h, b, st);
    std::vector<i32> dx(STK_DX79_N, r2wrd(0.25f));
    norak::set_record("DX79", 4, dx);
    ASSERT_EQ(stocktest::open(0, 0, 10, 10), 0);
    EXPECT_EQ(norak::open_arrays(), 5);
    for (i32 h : other) {
        void* still = nullptr;
        mmcptr(h, still);
        EXPECT_NE(still, nullptr) << h;
    }
}

TEST(StockGrid, CellsAreAddressedByTheNearestCentreOnEitherSideOfTheMinimum)
{
    // A flat tool of diameter 0.3 on cells of 0.125: it covers the cells
    // whose centres lie within 0.15 of its axis.
    stocktest::fresh(0.125f);
    ASSERT_EQ(stocktest::open(0, 0, 4, 4), 0);
    const stocktest::Tool t{"flat D0.3", 0.3, 0.0, 5.0, 0.0};
    t.make_current();
    for (double off : {-0.3, -0.7, -0.9, -1.3, 0.4, 0.6, 2.45, 2.55}) {
        stocktest::fill(0.0f);
        const double x = stk_grid.box[0] + off * stk_grid.cell, y = stk_grid.box[1] + 3.3 * stk_grid.cell;
        f32 p[3] = {f32(x), f32(y), -1.0f}, mx = 0, sum = 0;
        stk_tool_at(1, p, 4, mx, sum);
        for (i32 j = 0; j < 8; ++j)
            for (i32 i = 0; i < 8; ++i) {
                const double r = std::hypot(stocktest::cx(i) - p[0], stocktest::cy(j) - p[1]);
                const StkCell& c = stk_cells()[j * stk_grid.nx + i];
                if (r < 0.14) {
                    EXPECT_EQ(c.h1, -1.0f) << off << ": " << i << " " << j;
                } else if (r > 0.16) {
                    EXPECT_EQ(c.h1, 0.0f) << off << ": " << i << " " << j;
                }
            }
    }
}

}  // namespace
