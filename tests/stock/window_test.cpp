// Saved windows: a trial cut undone leaves every cell as it was, for every
// tool shape and image; windows clamped to the grid, grown, released; the
// whole-grid copy of the first height.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "common.h"
#include "core/prcwrd.h"
#include "stock/optwords.h"
#include "stock/stkstamp.h"
#include "stock/stkwin.h"

namespace {

class Windows : public ::testing::Test {
protected:
    void SetUp() override
    {
        stocktest::fresh(0.125f);
        ASSERT_EQ(stocktest::open(-15, -15, 15, 15), 0);
        i32 st = 0;
        stk_arr_init(st);
        std::mt19937 rng(11);
        std::uniform_real_distribution<float> h(-3.0f, 1.0f);
        StkCell* c = stk_cells();
        for (i32 k = 0; k < stk_grid.ncells; ++k) {
            c[k].h1 = h(rng);
            c[k].h2 = h(rng);
            c[k].move = static_cast<i32>(rng() % 1000);
        }
    }
    void TearDown() override
    {
        i32 st = 0;
        stk_arr_rels(st);
    }
    static std::vector<StkCell> snapshot()
    {
        return std::vector<StkCell>(stk_cells(), stk_cells() + stk_grid.ncells);
    }
    static bool same(const std::vector<StkCell>& a)
    {
        return std::memcmp(a.data(), stk_cells(), a.size() * sizeof(StkCell)) == 0;
    }
};

TEST_F(Windows, ATrialCutUndoneLeavesEveryCellBitForBit)
{
    struct Image {
        i32 slot;
        f32 D, R, L, T;
    };
    std::vector<Image> images;
    for (const stocktest::Tool& t : stocktest::tools()) images.push_back({0, f32(t.D), f32(t.R), f32(t.L), f32(t.T)});
    images.push_back({1, 7.4f, 1.23f, 20.0f, 0.0f});   // an enlarged copy
    images.push_back({2, 12.0f, 0.0f, 6.0f, 14.0f});   // a holder section: a wide cone
    images.push_back({3, 3.0f, 0.5f, 30.0f, 25.0f});   // a long taper, far wider than its diameter
    std::vector<std::array<f32, 6>> moves = {
        {-6.0f, -2.0f, -1.0f, 5.0f, 3.0f, -1.0f}, {2.0f, 6.0f, 0.5f, 1.5f, -7.0f, -2.0f},
        {0.0f, 0.0f, 2.0f, 0.0f, 0.0f, -4.0f},    {-3.0f, 4.0f, -2.0f, -2.9f, 4.05f, -2.0f},
        {4.0f, -4.0f, -3.0f, -4.0f, 4.0f, 1.0f},
    };
    // Ends anywhere within a cell, so that the image's rim and the rows'
    // outer cells fall at every offset from the cell centres.
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> xy(-6.0f, 6.0f), z(-3.0f, -0.5f);
    for (int k = 0; k < 12; ++k) moves.push_back({xy(rng), xy(rng), z(rng), xy(rng), xy(rng), z(rng)});
    for (const Image& im : images) {
        i32 st = 0;
        stk_tool_image(im.slot, im.D, im.R, im.L, im.T, st);
        ASSERT_EQ(st, 0);
        stk_image_select(im.slot, st);
        for (const auto& mv : moves) {
            const f32* m = mv.data();
            const std::vector<StkCell> before = snapshot();
            save_array_aside(2, m, m + 3, st);
            ASSERT_EQ(st, 0);
            f32 p[3] = {m[0], m[1], m[2]}, mx = 0, sum = 0;
            stk_tool_at(1, p, 501, mx, sum);
            f32 ed = 0, vol = 0, evol = 0, len = 0, pt[3];
            stk_move(1, 0, m, m + 3, 502, mx, ed, vol, evol, pt, len, st);
            ASSERT_FALSE(same(before));  // the trial cut did cut
            restore_array(2, st);
            ASSERT_EQ(st, 0);
            ASSERT_TRUE(same(before)) << im.D << " " << im.T << " move " << m[0] << " " << m[1];
        }
    }
}

TEST_F(Windows, WindowsAreClampedGrownAndReleased)
{
    stocktest::tools()[2].make_current();
    // Wholly outside the grid: the border cells.
    const f32 a[2] = {40.0f, 50.0f}, b[2] = {45.0f, 60.0f};
    stk_arr_window(1, a, b);
    EXPECT_EQ(stk_win[0].c0, stk_grid.nx - 1);
    EXPECT_EQ(stk_win[0].c1, stk_grid.nx - 1);
    EXPECT_EQ(stk_win[0].r0, stk_grid.ny - 1);
    EXPECT_EQ(stk_win[0].r1, stk_grid.ny - 1);
    const f32 c[2] = {-40.0f, -50.0f};
    stk_arr_window(3, c, c);
    EXPECT_EQ(stk_win[2].c0, 0);
    EXPECT_EQ(stk_win[2].c1, 0);
    // A small window, then a larger one in the same slot; both undo.
    const f32 p0[3] = {0.0f, 0.0f, -1.0f}, p1[3] = {1.0f, 0.5f, -1.0f}, q1[3] = {9.0f, -6.0f, -2.0f};
    i32 st = 0;
    save_array_aside(1, p0, p1, st);
    const i32 cap = stk_win[0].cap;
    EXPECT_GT(cap, 0);
    const std::vector<StkCell> before = snapshot();
    save_array_aside(1, p0, q1, st);
    EXPECT_GT(stk_win[0].cap, cap);
    f32 mx = 0, ed = 0, vol = 0, evol = 0, len = 0, pt[3];
    stk_move(1, 0, p0, q1, 9, mx, ed, vol, evol, pt, len, st);
    stk_arr_window(1, p0, p1);  // a window set later does not narrow the saved one
    restore_array(1, st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(same(before));
    const i32 arrays = norak::open_arrays();
    stk_arr_rels(st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::open_arrays(), arrays - 1);
    EXPECT_EQ(stk_win[0].hdl, -1);
    EXPECT_EQ(stk_win[0].cap, 0);
    stk_arr_rels(st);  // nothing left: nothing done
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::open_arrays(), arrays - 1);
    // Slots other than 1 to 3 do nothing.
    save_array_aside(4, p0, p1, st);
    EXPECT_EQ(st, 0);
    save_array_aside(0, p0, p1, st);
    EXPECT_EQ(norak::open_arrays(), arrays - 1);
}

TEST_F(Windows, RestoringWhatCannotBeRestored)
{
    stocktest::tools()[0].make_current();
    i32 st = 0;
    restore_array(2, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("restore_array, NOTHING SAVED"));
    const f32 p0[3] = {0.0f, 0.0f, 0.0f}, p1[3] = {2.0f, 0.0f, 0.0f};
    save_array_aside(2, p0, p1, st);
    ASSERT_EQ(st, 0);
    // A grid made anew over another box of as many columns and rows, whose
    // cells the host gives the same handle: the saved words belong to other
    // places, and nothing is written back.
    const i32 hdl = stk_grid.hdl, nx = stk_grid.nx, ny = stk_grid.ny;
    norak::stock_sim().valid = -1;
    ASSERT_EQ(stocktest::open(-15, -10, 15, 20), 0);
    ASSERT_EQ(stk_grid.hdl, hdl);
    ASSERT_EQ(stk_grid.nx, nx);
    ASSERT_EQ(stk_grid.ny, ny);
    stocktest::fill(5.0f);
    restore_array(2, st);
    EXPECT_EQ(st, -1);
    for (i32 k = 0; k < stk_grid.ncells; ++k) ASSERT_EQ(stk_cells()[k].h1, 5.0f) << k;
    stocktest::tools()[0].make_current();
    save_array_aside(2, p0, p1, st);
    ASSERT_EQ(st, 0);
    // The grid enlarged since: its cells moved.
    ASSERT_EQ(stocktest::open(-20, -15, 15, 15), 0);
    restore_array(2, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("restore_array, THE STOCK GRID CHANGED SINCE THE SAVE"));
    // A slot that cannot be opened keeps what it had.
    save_array_aside(3, p0, p1, st);
    ASSERT_EQ(st, 0);
    const i32 h = stk_win[2].hdl, cap = stk_win[2].cap;
    norak::fail_alloc_after(1);
    const f32 far[3] = {14.0f, 14.0f, 0.0f};
    const f32 start[3] = {-19.0f, -14.0f, 0.0f};
    save_array_aside(3, start, far, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("save_array_aside, OPEN DYNAMIC MEMORY ERROR"));
    EXPECT_EQ(stk_win[2].hdl, h);
    EXPECT_EQ(stk_win[2].cap, cap);
}

TEST_F(Windows, TheWholeGridsFirstHeightSavedAndBack)
{
    const std::vector<StkCell> before = snapshot();
    stk_save_h1();
    for (i32 k = 0; k < stk_grid.ncells; ++k) {
        ASSERT_EQ(stk_cells()[k].h2, before[k].h1);
        ASSERT_EQ(stk_cells()[k].h1, before[k].h1);
        stk_cells()[k].h1 = -50.0f;
    }
    stk_restore_h1();
    for (i32 k = 0; k < stk_grid.ncells; ++k) ASSERT_EQ(stk_cells()[k].h1, before[k].h1);
}

TEST_F(Windows, AToolChangeBuildsTheToolAndItsEnlargedCopy)
{
    CMPBLK[CMP_ENLARGE_PCT] = r2wrd(20.0f);
    stocktest::fill(0.0f);
    stocktest::tools()[1].make_current();  // a ball of 6 before the change
    // At (1, 2, -2) to a corner-radius tool of 4 with corner 0.5.
    const f32 rec[8] = {1.0f, 2.0f, -2.0f, 1.0e8f, 4.0f, 0.5f, 25.0f, 0.0f};
    const i32 i = stk_cell_round((1.0 - stk_grid.box[0]) / 0.125), j = stk_cell_round((2.0 - stk_grid.box[1]) / 0.125);
    const StkCell* row = stk_cells() + j * stk_grid.nx + i;
    i32 st = 0;
    stk_tool_change(0, rec, st);  // measuring: nothing cut
    ASSERT_EQ(st, 0);
    EXPECT_EQ(row[0].h1, 0.0f);
    stk_image_select(1, st);
    stk_tool_image(0, 6.0f, 3.0f, 20.0f, 0.0f, st);  // the ball again
    stk_tool_change(1, rec, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(stk_img.slot, 0);
    EXPECT_EQ(stk_img.diam, 4.0f);
    // The new tool's flat end at the point; 2.25 away only the ball reached.
    EXPECT_EQ(row[0].h1, -2.0f);
    EXPECT_NEAR(row[18].h1, -2.0 + 3.0 - std::sqrt(9.0 - std::pow(18 * 0.125 + (stocktest::cx(i) - 1.0), 2)), 0.02);
    // 1.9 away: the new tool's corner, lower than the ball there.
    const double r = 1.9;
    const i32 k = stk_cell_round(r / 0.125);
    const double rr = k * 0.125 + (stocktest::cx(i) - 1.0);
    EXPECT_NEAR(row[k].h1, -2.0 + 0.5 - std::sqrt(0.25 - (rr - 1.5) * (rr - 1.5)), 0.02);
    // The enlarged copy: the grid's 200 cell / D percent (6.25) is below the
    // least percentage, 20: D x 1.2 and R x 1.1, in the slot after the
    // holder sections.
    EXPECT_EQ(stk_enlarged_slot(), 1);
    stk_image_select(1, st);
    ASSERT_EQ(st, 0);
    EXPECT_FLOAT_EQ(stk_img.diam, 4.8f);
    stk_sections = 3;
    EXPECT_EQ(stk_enlarged_slot(), 4);
    stk_tool_change(1, rec, st);
    stk_image_select(4, st);
    EXPECT_EQ(st, 0);
    stk_sections = 0;
    // A tool record that is no mill: the change fails.
    const f32 drill[8] = {0, 0, 0, 1.0e8f, 0.0f, 0.0f, 0.0f, 0.0f};
    stk_tool_change(0, drill, st);
    EXPECT_EQ(st, -1);
}

}  // namespace
