// The optimizer on the cavity example's tool path: the procedure computed
// on the stand-in host, a block of stock over the path's box, the stages
// run twice from the same start (the same moves both times), feed moves
// in the air turned into rapids, feeds that follow the stock the moves
// remove, and the rewritten path, stamped into a fresh stock, cutting what
// the original cut within one cell and never below it; with the Z band on,
// what lies inside the band.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "blocks/format.h"
#include "common.h"
#include "common/examplerun.h"
#include "frame/cmpblk.h"
#include "optpath.h"
#include "stock/airscan.h"
#include "stock/holder.h"
#include "stock/stkrun.h"
#include "stock/stkstamp.h"
#include "stock/stkwin.h"
#include "stock/tppoints.h"

namespace {

using exrun::at_moves;
using opttest::Move;

struct Cavity : ::testing::Test {
    f32 box[6] = {0, 0, 0, 0, 0, 0};
    f32 top = 0;
    // The example run, the cursor at the start of its procedure's moves.
    void SetUp() override
    {
        exrun::run_cavity();
        STKPOS = nullptr;
        // The example's machine names no feeds: a base feed of 1000, named
        // feeds of half of it.
        PRM9[0] = r2wrd(1000.0f);
        for (i32 w = 3; w <= 6; ++w) PRM9[w] = 50;
        PRM9[21] = r2wrd(-2.0f);
        ASSERT_TRUE(at_moves());
        f32 lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
        for (const Move& m : opttest::moves()) {
            for (int c = 0; c < 3; ++c) lo[c] = std::min(lo[c], m.p[c]), hi[c] = std::max(hi[c], m.p[c]);
            if (m.feed > 0.0f) top = std::max(top, m.p[2]);
        }
        f32 D = 0;
        GTDIAM(CURTOL, D);
        const f32 b[6] = {lo[0] - D, lo[1] - D, lo[2], hi[0] + D, hi[1] + D, hi[2]};
        std::copy(b, b + 6, box);
    }
    // A fresh block of stock up to 1 below the highest cutting point.
    void stock()
    {
        std::vector<i32> dx(STK_DX79_N, r2wrd(-1.0f));
        dx[0] = r2wrd(0.5f);
        norak::set_record("DX79", 4, dx);
        norak::settings().nc["disp_stock"] = 1;
        stk_grid.hdl = -1;
        i32 sx = 0, sy = 0, st = 0;
        stk_grid_open(box, sx, sy, st);
        ASSERT_EQ(st, 0);
        stocktest::fill(top - 1.0f);  // its first passes run in the air
        StkCell* c = stk_cells();
        for (i32 k = 0; k < stk_grid.ncells; ++k) c[k].h2 = STK_NONE;
    }
    std::vector<f32> heights() const
    {
        std::vector<f32> h;
        const StkCell* c = stk_cells();
        for (i32 k = 0; k < stk_grid.ncells; ++k) h.push_back(c[k].h1);
        return h;
    }
    // Cells of `optimized` that no neighbour of `original` matches, and
    // cells cut deeper than every neighbour, both heights taken at most
    // `limit` (the material above it left out).
    std::pair<i32, i32> compare(const std::vector<f32>& original, const std::vector<f32>& optimized, f32 limit) const
    {
        const i32 nx = stk_grid.nx, ny = stk_grid.ny;
        i32 differ = 0, deeper = 0;
        for (i32 j = 0; j < ny; ++j)
            for (i32 i = 0; i < nx; ++i) {
                const f32 h = std::min(optimized[j * nx + i], limit);
                bool near = false;
                f32 lowest = 1e30f;
                for (i32 dj = -1; dj <= 1; ++dj)
                    for (i32 di = -1; di <= 1; ++di) {
                        const i32 a = i + di, b = j + dj;
                        if (a < 0 || b < 0 || a >= nx || b >= ny) continue;
                        const f32 o = std::min(original[b * nx + a], limit);
                        near = near || std::fabs(o - h) < 1e-3f;
                        lowest = std::min(lowest, o);
                    }
                differ += near ? 0 : 1;
                deeper += h < lowest - 1e-3f ? 1 : 0;
            }
        return {differ, deeper};
    }
    void optimizer(bool on)
    {
        CMPDEF();
        CMPBLK[CMP_SAFETY] = r2wrd(1.0f);
        CMPBLK[CMP_ENLARGE] = on ? 2 : 1;
        CMPBLK[CMP_LINK] = on ? 2 : 1;
        CMPBLK[CMP_HOLDER] = on ? 2 : 1;
        CMPBLK[CMP_FEED] = on ? 2 : 1;
        CMPBLK[CMP_ZRANGE] = 1;
    }
    i32 run()
    {
        stock();
        EXPECT_TRUE(at_moves());
        i32 st = 0;
        stk_optim_run(1, 0, st);
        return st;
    }
};

TEST_F(Cavity, TheOptimizedPathIsRepeatableAndCutsWhatTheOriginalCut)
{
    optimizer(false);
    ASSERT_EQ(run(), 0);
    const std::vector<f32> original = heights();
    at_moves();
    const std::vector<Move> before = opttest::moves();

    optimizer(true);
    ASSERT_EQ(run(), 0);
    at_moves();
    const std::vector<Move> after = opttest::moves();
    EXPECT_EQ(CMPBLK[CMP_CHANGED], 1);
    EXPECT_EQ(air_found, 1);
    // Fewer moves at a feed; feeds of more than one value.
    auto fed = [](const std::vector<Move>& m) {
        return std::count_if(m.begin(), m.end(), [](const Move& k) { return k.feed > 0.0f; });
    };
    EXPECT_LT(fed(after), fed(before));
    std::vector<f32> feeds;
    for (const Move& k : after)
        if (k.feed > 0.0f && std::find(feeds.begin(), feeds.end(), k.feed) == feeds.end()) feeds.push_back(k.feed);
    EXPECT_GE(feeds.size(), 2u);

    // The stock of the rewritten path against the original's: equal within
    // one cell, and nowhere cut deeper than a neighbour of the original.
    EXPECT_EQ(compare(original, heights(), 1e30f), (std::pair<i32, i32>(0, 0)));

    // The same path gives the same moves from its first cut across on (the
    // example's own run numbers its blocks on from where the module's
    // counter stood, so the numbers are not compared; its first rapid starts
    // where the tool was left, which the moves before that cut follow).
    SetUp();
    optimizer(false);
    ASSERT_EQ(run(), 0);
    optimizer(true);
    ASSERT_EQ(run(), 0);
    at_moves();
    const std::vector<Move> again = opttest::moves();
    auto cut = [](const std::vector<Move>& m) {
        size_t k = 1;
        while (k < m.size() && !(m[k].feed > 0.0f && (m[k].p[0] != m[k - 1].p[0] || m[k].p[1] != m[k - 1].p[1]))) ++k;
        return k;
    };
    const size_t a0 = cut(after), g0 = cut(again);
    ASSERT_EQ(again.size() - g0, after.size() - a0);
    for (size_t k = 0; k + a0 < after.size(); ++k) {
        EXPECT_EQ(again[k + g0].type, after[k + a0].type);
        EXPECT_EQ(again[k + g0].feed, after[k + a0].feed);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(again[k + g0].p[c], after[k + a0].p[c]);
    }
}

TEST_F(Cavity, WithTheZBandOnTheMaterialInsideItIsCutAsByTheOriginalAndAHolderThatClearsChangesNothing)
{
    optimizer(false);
    ASSERT_EQ(run(), 0);
    const std::vector<f32> original = heights();
    // The same ball with a holder far above the cavity; the band's upper
    // limit 4 below the stock top: the passes above it are relinked.
    f32 D = 0, R = 0, L = 0, T = 0;
    stk_tool_shape(CURTOL, D, R, L, T);
    const i32 ball = CURTOL, held = opttest::tool("BALL HELD", D, R, L, 60.0f, {{20, 20, 0, 30}});
    norak::entities()[ball].words = norak::entities()[held].words;  // the path's tool gets the holder
    TLCCLR();
    CURTOL = ball;
    optimizer(true);
    CMPBLK[CMP_HOLDER] = 3;
    CMPBLK[CMP_ZRANGE] = 2;
    const f32 limit = top - 1.0f - 4.0f;
    CMPBLK[CMP_ZHIGH] = r2wrd(limit);
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(holder_steps.n, 1);
    EXPECT_EQ(compare(original, heights(), limit), (std::pair<i32, i32>(0, 0)));
    // Above the band the rewritten path leaves stock the original took.
    EXPECT_NE(compare(original, heights(), 1e30f).first, 0);
}

}  // namespace
