// Moves written again with their feeds: a run copied to the end of the
// path with its feeds carried over or scaled by the feed argument, a line
// and an arc cut into pieces that keep their own feed; each edit left whole
// when a write fails.
#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <cstring>

#include "common.h"
#include "optpath.h"
#include "path.h"
#include "stock/feedcopy.h"
#include "stock/holder.h"
#include "stock/optedit.h"

namespace {

using opttest::Move;

struct FeedCopy : ::testing::Test {
    i32 from = 0, to = 0, arc = 0, line = 0;
    void fresh()
    {
        stocktest::fresh(0.25f);
        std::memset(CMPBLK, 0, sizeof(i32) * CMPBLK_N);
        CMPBLK[CMP_HOLDER_FEED] = r2wrd(50.0f);
        CMPBLK[CMP_ROW_FEED] = 50;
        CMPBLK[CMP_ROW_FEED + 1] = 80;
        opttest::machine();
        i32 a = 0;
        norak::start_toolpath();
        lacces(3, a);
        stocktest::Path p;
        p.feed(300.0f);
        from = p.line(0, 0, 0);
        p.feed(100.0f);  // the plunge feed of row 0 (20 % of 1000 x 50 %)
        p.line(0, 0, -2);
        p.feed(300.0f);
        line = p.line(10, 0, -2);
        arc = p.arc(1, static_cast<f32>(M_PI / 2), 10, 5, 15, 5, -2);
        p.feed(-1.0f);
        to = p.line(15, 5, 10);
        p.line(30, 5, 10);
        opttest::counter_past(p.next);
    }
    void SetUp() override { fresh(); }
    // The moves of the copy: the move to the run's start (the writer may
    // have split it in two, from where the path ended) and the run.
    std::vector<Move> copy()
    {
        std::vector<Move> m = opttest::moves();
        EXPECT_GE(m.size(), 11u);
        return std::vector<Move>(m.end() - 5, m.end());
    }
};

// Mode 4 at 50 %, the copy linked on from where the path ended: its cuts
// keep the 500 the copy gave them; the link writes that feed again in front
// of the move it keeps, not the holder's share of it once more.
TEST_F(FeedCopy, ACopyLinkedOnKeepsTheFeedsItScaled)
{
    // The link measures the stock under the tool and its holder.
    CURTOL = opttest::tool("COPIED", 4.0f, 0.0f, 12.0f, 20.0f, {{10, 14, 5, 8}});
    CMPBLK[CMP_SAFETY] = r2wrd(2.0f);
    CMPBLK[CMP_LINK_HEIGHT] = 2;
    PRM9[4] = 50;  // the named feed is 500: the copy's own feed equals it
    ASSERT_EQ(stocktest::open(-10, -16, 50, 16), 0);
    f32 lengths[HD_MAXS], upper[HD_MAXS];
    i32 flag = 0, start = 0, st = 0;
    optim_holder_images(CURTOL, lengths, upper, flag, st);
    ASSERT_EQ(st, 0);
    optim_feed_copy(from, to, 10000, 1, start, st);
    ASSERT_EQ(st, 0);
    const std::vector<Move> m = opttest::moves();
    auto arc_of_copy = std::find_if(m.rbegin(), m.rend(), [](const Move& k) { return k.type == 3; });
    ASSERT_NE(arc_of_copy, m.rend());
    EXPECT_FLOAT_EQ(arc_of_copy->feed, 500.0f);
    EXPECT_FLOAT_EQ((arc_of_copy + 1)->feed, 500.0f);  // the line before it
    EXPECT_FLOAT_EQ((arc_of_copy + 2)->feed, 500.0f);  // the plunge the link keeps
}

TEST_F(FeedCopy, TheCopyCarriesTheFeedsOverOrScalesThemByTheArgument)
{
    const f32 plain[5] = {100, 300, 300, -1, -1};
    const f32 holder[5] = {500, 500, 500, -1, -1};  // 50 % of the base feed
    const f32 row1[5] = {160, 800, 800, -1, -1};    // row 1 (80 %) after row 0 (50 %)
    for (auto [arg, want] : {std::pair{500, plain}, {10000, holder}, {2500, row1}}) {
        fresh();
        i32 start = 0, st = 0;
        optim_feed_copy(from, to, arg, 0, start, st);
        ASSERT_EQ(st, 0) << arg;
        const std::vector<Move> c = copy();
        ASSERT_EQ(c.size(), 5u) << arg;  // the line to the start, then the run
        EXPECT_EQ(start, c[0].number);
        EXPECT_FLOAT_EQ(c[0].p[0], 0.0f);
        for (int i = 0; i < 4; ++i) {
            if (arg != 10000 || i != 0) {
                EXPECT_FLOAT_EQ(c[static_cast<size_t>(i + 1)].feed, want[i]) << arg << " move " << i;
            }
        }
        EXPECT_EQ(c[3].type, 3);
        EXPECT_FLOAT_EQ(c[3].p[0], 15.0f);
        EXPECT_EQ(PRM9[0], r2wrd(1000.0f));
        // The copy's feeds are written as values, also the 500 that equals
        // the named feed of 50 %: codes only for the plunge and the rapids.
        const auto& list = norak::main_list().elems;
        bool in_copy = false;
        for (const auto& e : list) {
            if (e.words.size() > 1 && e.words[0] == 2 && e.words[1] == start) in_copy = true;
            if (in_copy && e.words.size() >= 5 && e.words[0] == 1 && e.words[2] == 1 && e.words[3] == 1) {
                EXPECT_TRUE(e.words[4] == 3 || e.words[4] == 4 || e.words[4] == 27) << arg << " code " << e.words[4];
            }
        }
    }
    const i32 failed = opttest::every_failure([&] { fresh(); },
                                              [&] {
                                                  i32 start = 0, st = 0;
                                                  optim_feed_copy(from, to, 10000, 0, start, st);
                                                  return st;
                                              });
    EXPECT_GT(failed, 10);
    // A refused list access or list mark, the n-th of the copy of one move
    // for every n: the copy fails and leaves the path as it was, or it is
    // written at the path's end and ends with that move; never is a failure
    // taken for success with the copy written into the path or copied from
    // another move.
    for (const char* call : {"lacces", "lmark"}) {
        i32 refused = 0;
        for (i32 n = 1; n < 200; ++n) {
            fresh();
            const auto before = opttest::snapshot();
            i32 start = 0, st = 0;
            norak::fail_list_call(call, n);
            optim_feed_copy(from, from + 2, 500, 0, start, st);  // the plunge at 100 alone
            norak::fail_list_call(call, 0);
            const auto after = opttest::snapshot();
            if (st < 0) {
                ++refused;
                EXPECT_EQ(after, before) << call << n;
                continue;
            }
            ASSERT_GT(after.size(), before.size()) << call << n;
            EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin())) << call << n;
            const Move last = opttest::moves().back();
            EXPECT_EQ(std::vector<f32>(last.p, last.p + 3), (std::vector<f32>{0, 0, -2})) << call << n;
        }
        EXPECT_GT(refused, 2) << call;
    }
}

TEST_F(FeedCopy, SplitPiecesKeepTheirOwnFeed)
{
    // The line from (0, 0, -2) to (10, 0, -2) at 300, cut at 3 and 6.
    const f32 P[3] = {0, 0, -2}, A[3] = {3, 0, -2}, B[3] = {6, 0, -2};
    auto split = [&](f32 feed, const f32* a, const f32* b) {
        f32 Q[3] = {10, 0, -2};
        i32 piece = 0, st = 0;
        optim_scan_feed = feed;
        i32 x = 0;
        lacces(2, x);
        goto_block(1, line, st);
        optim_split_line(P, Q, a, b, piece, st);
        return st;
    };
    ASSERT_EQ(split(300.0f, A, B), 0);
    std::vector<Move> m = opttest::moves();
    ASSERT_EQ(m.size(), 8u);
    for (int i = 2; i <= 4; ++i) EXPECT_FLOAT_EQ(m[static_cast<size_t>(i)].feed, 300.0f);
    EXPECT_FLOAT_EQ(m[2].p[0], 3.0f);
    EXPECT_FLOAT_EQ(m[3].p[0], 6.0f);
    EXPECT_FLOAT_EQ(m[4].p[0], 10.0f);
    // The plunge feed is written by its code and reads back as 200; the
    // ends of the move as split points give the move again.
    fresh();
    const f32 Q0[3] = {10, 0, -2};
    ASSERT_EQ(split(200.0f, P, Q0), 0);
    m = opttest::moves();
    ASSERT_EQ(m.size(), 6u);
    EXPECT_FLOAT_EQ(m[2].feed, 200.0f);
    const i32 failed = opttest::every_failure([&] { fresh(); }, [&] { return split(300.0f, A, B); });
    EXPECT_GT(failed, 5);
}

TEST_F(FeedCopy, AnArcSplitInThreeKeepsItsCentreAndFeed)
{
    auto split = [&]() {
        // From (10, 0) about (10, 5) to (15, 5): pieces of 22.5, 45 and 22.5 degrees.
        const f32 P[3] = {10, 0, -2};
        f32 Q[3] = {15, 5, -2};
        const f64 q = M_PI / 8;
        const f32 A[3] = {static_cast<f32>(10 + 5 * std::sin(q)), static_cast<f32>(5 - 5 * std::cos(q)), -2};
        const f32 B[3] = {static_cast<f32>(10 + 5 * std::sin(3 * q)), static_cast<f32>(5 - 5 * std::cos(3 * q)), -2};
        i32 piece = arc, piece2 = 0, st = 0, x = 0;
        lacces(2, x);
        goto_block(1, line, st);
        optim_split_arc(P, Q, A, B, static_cast<f32>(q), static_cast<f32>(2 * q), piece, piece2, st);
        return st;
    };
    ASSERT_EQ(split(), 0);
    const std::vector<Move> m = opttest::moves();
    ASSERT_EQ(m.size(), 8u);
    for (int i = 3; i <= 5; ++i) {
        EXPECT_EQ(m[static_cast<size_t>(i)].type, 3);
        EXPECT_FLOAT_EQ(m[static_cast<size_t>(i)].feed, 300.0f);
        EXPECT_NEAR(std::hypot(m[static_cast<size_t>(i)].p[0] - 10.0f, m[static_cast<size_t>(i)].p[1] - 5.0f), 5.0f, 1e-4);
    }
    EXPECT_FLOAT_EQ(m[5].p[0], 15.0f);
    const i32 failed = opttest::every_failure([&] { fresh(); }, [&] { return split(); });
    EXPECT_GT(failed, 5);
}

// An edit whose old blocks are refused deletion part-way is taken back: the
// new blocks go, wherever the deletions before the refusal moved them, and
// nothing of the path but the one old block already deleted.
TEST_F(FeedCopy, AnEditRefusedPartWayThroughItsDeletionsTakesOutExactlyItsNewBlocks)
{
    for (i32 refused = 1; refused <= 3; ++refused) {
        fresh();
        std::vector<std::vector<i32>> want = opttest::snapshot();
        i32 st = 0;
        list_goto(5, st);
        ASSERT_EQ(st, 0);
        PathEdit e;
        e.begin();
        for (i32 k : {2, 3, 4}) e.doom_at(k);
        stocktest::Path p;
        p.next = 40;
        p.line(1, 1, 1);
        p.line(2, 2, 2);
        norak::fail_list_call("ldelet", refused);
        e.finish(st);
        norak::fail_list_call("ldelet", 0);
        EXPECT_LT(st, 0) << refused;
        // Deleted from the back: the refusal at n leaves 4, 3, ... n-1 gone.
        want.erase(want.begin() + 4 - refused + 1, want.begin() + 4);
        EXPECT_EQ(opttest::snapshot(), want) << refused;
    }
}

}  // namespace
