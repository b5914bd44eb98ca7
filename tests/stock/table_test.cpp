// The initial stock from the host's table: each format's cell heights worked
// out by hand on unit cells, tables larger than the grid clipped, a grid that
// already reaches further (table columns shifted), kind 52 against the others,
// and tables that end too early.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common.h"
#include "stock/stktable.h"

namespace {

using GV = norak::GenValue;

std::vector<GV> head(i32 format)
{
    return {{1, double(format)}, {1, 0}, {1, 0}, {1, 0}, {1, 0}};
}
void ints(std::vector<GV>& t, std::initializer_list<double> v)
{
    for (double x : v) t.push_back({1, x});
}
void reals(std::vector<GV>& t, std::initializer_list<double> v)
{
    for (double x : v) t.push_back({2, x});
}

struct StockTable : ::testing::Test {
    void SetUp() override { stocktest::fresh(1.0f); }
    // The height of the cell whose centre lies at (x, y); kind 52 reads h1.
    f32 at(double x, double y, bool h1 = true) const
    {
        const i32 i = stk_cell_round((x - stk_grid.box[0]) / stk_grid.cell);
        const i32 j = stk_cell_round((y - stk_grid.box[1]) / stk_grid.cell);
        EXPECT_TRUE(i >= 0 && j >= 0 && i < stk_grid.nx && j < stk_grid.ny) << x << "," << y;
        const StkCell& c = stk_cells()[j * stk_grid.nx + i];
        return h1 ? c.h1 : c.h2;
    }
    i32 run(const std::vector<GV>& t, i32 kind = 52)
    {
        i32 st = 0;
        stk_init_table(norak::add_gen_table(t), kind, st);
        return st;
    }
    // Cells of the grid whose chosen height is not empty.
    i32 filled(bool h1 = true) const
    {
        i32 n = 0;
        for (i32 k = 0; k < stk_grid.ncells; ++k) n += (h1 ? stk_cells()[k].h1 : stk_cells()[k].h2) < STK_EMPTY;
        return n;
    }
};

TEST_F(StockTable, EachFormatGivesTheHeightsWorkedOutByHand)
{
    // Block: 5 x 4 table, first column 1, one column cut, first row 1, no row cut.
    auto t = head(3);
    ints(t, {5, 4, 1, 1, 1, 0});
    reals(t, {7.5, 0, 0, 0, 4, 3, 10});
    ASSERT_EQ(run(t), 0);
    ASSERT_GE(stk_grid.nx, 5);
    ASSERT_GE(stk_grid.ny, 4);
    for (i32 j = 0; j < 4; ++j)
        for (i32 i = 0; i < 5; ++i)
            EXPECT_EQ(at(i, j), (i >= 1 && i < 4 && j >= 1) ? 7.5f : STK_NONE) << i << "," << j;
    EXPECT_EQ(filled(), 9);

    // Runs over a 3 x 2 table: 2 at 1, a run of 0, 3 at 2 (crossing into row
    // 1), then 1 at 3; the last cell stays empty.
    stocktest::fresh(1.0f);
    t = head(2);
    ints(t, {3, 2});
    reals(t, {0, 0, 0, 2, 1, 5});
    ints(t, {4});
    ints(t, {2}), reals(t, {1});
    ints(t, {0}), reals(t, {9});
    ints(t, {3}), reals(t, {2});
    ints(t, {1}), reals(t, {3});
    ASSERT_EQ(run(t), 0);
    const f32 runs[2][3] = {{1, 1, 2}, {2, 2, 3}};
    for (i32 j = 0; j < 2; ++j)
        for (i32 i = 0; i < 3; ++i) EXPECT_EQ(at(i, j), runs[j][i]) << i << "," << j;

    // Full rows, 3 x 2, into the second height (kind 53), then the two trailing reals.
    stocktest::fresh(1.0f);
    t = head(1);
    ints(t, {3, 2});
    reals(t, {0, 0, 0, 2, 1, 5});
    reals(t, {1, 2, 3, 4, 5, 6, 0, 0});
    ASSERT_EQ(run(t, 53), 0);
    for (i32 j = 0; j < 2; ++j)
        for (i32 i = 0; i < 3; ++i) EXPECT_EQ(at(i, j, false), f32(1 + i + 3 * j));
    EXPECT_EQ(filled(true), 0);  // the first height untouched by kind 53

    // A placed map: a grid already over (-3, -2)..(6, 5), the map's box from (1, 2).
    stocktest::fresh(1.0f);
    ASSERT_EQ(stocktest::open(-3, -2, 6, 5), 0);
    t = head(5);
    ints(t, {2, 2});
    reals(t, {1, 2, 0, 2, 3, 5});
    reals(t, {11, 12, 13, 14});
    ASSERT_EQ(run(t), 0);
    EXPECT_EQ(at(1, 2), 11.0f);
    EXPECT_EQ(at(2, 2), 12.0f);
    EXPECT_EQ(at(1, 3), 13.0f);
    EXPECT_EQ(at(2, 3), 14.0f);
    EXPECT_EQ(filled(), 4);
}

TEST_F(StockTable, AGridReachingFurtherShiftsTheTableAndLargerTablesAreClipped)
{
    // The grid reaches 3 columns and 2 rows below the table's box: table cell
    // (0, 0) lies at the box's corner (0, 0), not at the grid's.
    ASSERT_EQ(stocktest::open(-3, -2, 4, 3), 0);
    const i32 nx = stk_grid.nx;
    auto t = head(1);
    ints(t, {3, 2});
    reals(t, {0, 0, 0, 2, 1, 5});
    reals(t, {1, 2, 3, 4, 5, 6, 0, 0});
    ASSERT_EQ(run(t), 0);
    EXPECT_EQ(stk_grid.nx, nx);
    for (i32 j = 0; j < 2; ++j)
        for (i32 i = 0; i < 3; ++i) EXPECT_EQ(at(i, j), f32(1 + i + 3 * j));
    EXPECT_EQ(filled(), 6);

    // Tables of every format larger than the grid (the box is that of a 3 x 2
    // grid, the table 40 x 30): only the grid's cells are written.
    for (i32 format : {1, 2, 3, 5}) {
        stocktest::fresh(1.0f);
        t = head(format);
        if (format == 3) ints(t, {40, 30, 0, 0, 0, 0}), reals(t, {4.0});
        if (format != 3) ints(t, {40, 30});
        reals(t, {0, 0, 0, 2, 1, 5});
        if (format == 2) {
            ints(t, {1, 1200});
            reals(t, {4.0});
        }
        if (format == 1 || format == 5)
            for (i32 k = 0; k < 1200; ++k) reals(t, {4.0});
        if (format == 1) reals(t, {0, 0});
        ASSERT_EQ(run(t), 0) << format;
        EXPECT_EQ(filled(), stk_grid.ncells) << format;
        EXPECT_LE(stk_grid.nx * stk_grid.ny, 24) << format;
    }
}

TEST_F(StockTable, ShortOrBadTablesFailWithAMessageAndTheZoomedStockIsNotAvailable)
{
    auto t = head(1);
    ints(t, {3, 2});
    reals(t, {0, 0, 0, 2, 1, 5});
    reals(t, {1, 2, 3});  // a row and a half
    EXPECT_EQ(run(t), -1);
    EXPECT_TRUE(norak::transcript_has("stk_init_table, THE STOCK TABLE ENDS TOO EARLY"));

    // A table of no columns or no rows sets the grid up, clears it and
    // fills nothing (the runs of format 2 end with its rows); a negative
    // count is refused: its scratch row of formats 1 and 5 cannot be had
    // once the grid is set up and cleared, and format 2 is refused at once.
    for (i32 format : {1, 2, 5})
        for (auto [cols, rows] : {std::pair{0.0, 2.0}, {2.0, 0.0}, {-1.0, 2.0}}) {
            SCOPED_TRACE(std::to_string(format) + ": " + std::to_string(cols) + " x " + std::to_string(rows));
            t = head(format);
            ints(t, {cols, rows});
            reals(t, {0, 0, 0, 2, 1, 5});
            if (format == 2) ints(t, {1}), ints(t, {5}), reals(t, {1});
            if (format == 1) reals(t, {0, 0});
            if (stk_cells()) stocktest::fill(1.0f);
            EXPECT_EQ(run(t), cols < 0 ? -1 : 0);
            if (stk_cells()) {
                EXPECT_EQ(filled(), cols < 0 && format == 2 ? stk_grid.ncells : 0);
            }
        }

    i32 st = 0;
    stk_init_table(999, 52, st);
    EXPECT_LT(st, 0);
    RUN_ZOOMED_STOCK(0, 0, 0, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("RUN_ZOOMED_STOCK, DUMMY ROUTINE"));
    // A format that is none of the five fills nothing and fails nothing.
    EXPECT_EQ(run(head(9)), 0);
}

}  // namespace
