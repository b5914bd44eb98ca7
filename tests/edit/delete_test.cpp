// DELETE and DELETE TO END in scripted editor sessions: the connect options,
// the questions declined, ranges at either end of the list, and the list
// read back after each.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "blocks/navig.h"
#include "blocks/listacc.h"
#include "blocks/movement.h"
#include "blocks/tech.h"
#include "core/modflg.h"
#include "edit/alter/motion.h"
#include "edit/delete.h"
#include "edit/gapcon.h"
#include "edit/support.h"
#include "tests/edit/editor_common.h"

namespace {
std::string script()
{
    std::string s;
    for (const std::string& l : norak::transcript()) s += l + "\n";
    return s;
}

void question(const std::string& answer)
{
    norak::Reply r;
    r.kind = "question";
    r.answer = answer;
    norak::add_reply(r);
}

// Lines to x = 0, 10 (blocks 1, 2), a feed (3), lines to 20, 30, 40 (4..6).
void path()
{
    ed::line(0);
    ed::line(10);
    fix::tech(1, 800.0f);
    ed::line(20);
    ed::line(30);
    ed::line(40);
}

struct Motion {
    i32 type;
    f32 p[3];
};
// The motions and technology blocks of the list in order (points relative to
// the fixture's origin).
std::string shown(const std::vector<Motion>& b)
{
    std::string s;
    for (const Motion& m : b)
        s += std::to_string(m.type) + " " + std::to_string(m.p[0]) + " " + std::to_string(m.p[1]) + " " +
             std::to_string(m.p[2]) + "\n";
    return s;
}

std::vector<Motion> read_back()
{
    std::vector<Motion> out;
    for (size_t k = 1; k < norak::main_list().elems.size(); ++k) {
        const auto& w = norak::main_list().elems[k].words;
        Motion m{w[0], {0, 0, 0}};
        if ((w[0] == 2 || w[0] == 22 || w[0] == 222) && w.size() >= 5)
            for (int c = 0; c < 3; ++c) m.p[c] = wrd2r(w[2 + c]) - fix::ORIGIN[c];
        out.push_back(m);
    }
    return out;
}

std::vector<Motion> motions(const std::vector<Motion>& b)
{
    std::vector<Motion> out;
    for (const Motion& m : b)
        if (m.type != 1) out.push_back(m);
    return out;
}

// DELETE from block `from` to block `to` by the editor with the replies the
// caller queued in between; the editor leaves with EXIT.
i32 delete_range(i32 from, i32 to, const std::function<void()>& answers, i32* changed = nullptr)
{
    ed::menu("JUMP START");
    ed::menu("JUMP BLOCK");
    ed::menu("L:BLK", std::to_string(from));
    ed::menu("DELETE");
    ed::menu("L:BLK", std::to_string(to));
    ed::menu("EXIT");
    answers();
    ed::menu("EXIT");
    const i32 flags[EDF_N] = {1, 1, 0, 0, 0, 0};
    i32 c = 0, st = 99;
    manedt(-1, flags, 1, 0, c, st);
    if (changed) *changed = c;
    return st;
}

void vertical_links()
{
    EDTCX = EditContext{0, 2.0f, 0.1f, 0.1f, 0.0f, 0.0f, 0.0f, 1, 0, 0, 1, 1.0f, 0.0f, 0};
    HEI8[0] = r2wrd(fix::ORIGIN[2] + 50.0f);
}

// DELETE of blocks from .. to of the fixture path with vertical links,
// THROUGH CLEAR, by the deletion alone; the n-th list mark from the start
// refused when refuse is above 0. The deletion's status.
i32 through_clear(i32 from, i32 to, i32 refuse = 0)
{
    ed::fresh();
    path();
    vertical_links();
    ed::menu("THROUGH CLEAR");
    ed::menu("ACCEPT");
    i32 start[KEY_N], key[KEY_N], type = 0, changed = 0, request = 0, st = 0;
    blkkey(start, from);
    blkkey(key, to);
    norak::fail_list_call("lmark", refuse);
    EDTDLT(start, key, type, changed, request, st);
    norak::fail_list_call("lmark", 0);
    return st;
}

// The machine feed and the current feed, put back after a test.
struct KeepFeeds {
    i32 machine = PRM9[PRM9_FEED];
    f32 current = EDTFED;
    ~KeepFeeds()
    {
        PRM9[PRM9_FEED] = machine;
        EDTFED = current;
    }
};

// Lines to x = 0, 10, 20 with vertical links, the cursor on block 2: motions
// before and after it.
// feed: the feed block in force before the gap (none when NaN).
void on_a_gap(f32 feed = std::nanf(""))
{
    ed::fresh();
    vertical_links();
    if (!std::isnan(feed)) fix::tech(1, feed);
    ed::line(0);
    ed::line(10);
    ed::line(20);
    i32 answer = 0, st = 0;
    lacces(2, answer);
    TPJUMP(std::isnan(feed) ? 2 : 3, st);
}
}  // namespace

TEST(Delete, DirectlyWritesOneJoiningLineAndKeepsTheTechnologyBlocks)
{
    ed::fresh();
    path();
    i32 changed = 0;
    ASSERT_EQ(delete_range(2, 5, [] { ed::menu("DIRECTLY"); }, &changed), 0) << script();
    EXPECT_EQ(changed, 1);
    EXPECT_TRUE(norak::transcript_has("prompt: SEL. CONNECT OPTION")) << script();
    const auto b = read_back();
    // Block 1, the feed, the joining line to the point after the range, block 6.
    ASSERT_EQ(b.size(), 4u) << script();
    EXPECT_EQ(b[0].type, 2);
    EXPECT_EQ(b[1].type, 1);
    EXPECT_EQ(b[2].type, 2);
    EXPECT_NEAR(b[2].p[0], 40.0f, 1e-4f);
    EXPECT_EQ(b[3].type, 2);
    EXPECT_NEAR(b[3].p[0], 40.0f, 1e-4f);
    EXPECT_EQ(norak::replies_left(), 0u) << script();
}

// Two deletions in a row: the second join goes into its own gap, whatever
// the first one left marked.
TEST(Delete, ASecondDeletionJoinsItsOwnGap)
{
    ed::fresh();
    path();
    for (f32 x : {50.0f, 60.0f, 70.0f}) ed::line(x);  // blocks 7 to 9
    ASSERT_EQ(delete_range(4, 5, [] { ed::menu("DIRECTLY"); }), 0) << script();
    ASSERT_EQ(delete_range(7, 8, [] { ed::menu("DIRECTLY"); }), 0) << script();
    const auto m = motions(read_back());
    ASSERT_EQ(m.size(), 6u) << shown(read_back());  // 0, 10, join to 40, 40, join to 70, 70
    for (size_t k = 1; k < m.size(); ++k) EXPECT_LE(m[k - 1].p[0], m[k].p[0]) << shown(read_back());
}

// The moves kept after the link run at the feed in force before the gap
// (800), not at the machine feed (500).
TEST(Delete, ThroughClearWithVerticalLinksRetractsAndApproaches)
{
    KeepFeeds keep;
    ed::fresh();
    path();
    vertical_links();
    PRM9[PRM9_FEED] = r2wrd(500.0f);
    ASSERT_EQ(delete_range(2, 5, [] {
                  ed::menu("THROUGH CLEAR");
                  ed::menu("ACCEPT");
              }),
              0)
        << script();
    const auto b = read_back();
    // Block 1, the feed, a rise over block 1's end, the approach down to
    // the point after the range, block 6.
    ASSERT_GE(b.size(), 5u) << script();
    EXPECT_EQ(b.front().type, 2);
    EXPECT_EQ(b[1].type, 1);
    std::vector<Motion> link;
    for (size_t k = 2; k + 1 < b.size(); ++k)
        if (b[k].type == 2 || b[k].type == 22 || b[k].type == 222) link.push_back(b[k]);
    ASSERT_GE(link.size(), 2u) << script();

    EXPECT_NEAR(link.front().p[0], 0.0f, 1e-4f);
    EXPECT_GT(link.front().p[2], 0.5f);
    EXPECT_NEAR(link.back().p[0], 40.0f, 1e-4f);
    EXPECT_NEAR(link.back().p[2], 0.0f, 1e-4f);
    for (const Motion& m : link) EXPECT_GE(m.p[2], -1e-4f);
    EXPECT_NEAR(b.back().p[0], 40.0f, 1e-4f);
    f32 feed = 0.0f;
    for (const auto& e : norak::main_list().elems)
        if (e.words.size() >= 5 && e.words[0] == 1 && e.words[2] == 1) feed = wrd2r(e.words[4]);
    EXPECT_EQ(feed, 800.0f) << shown(b);
}

TEST(Delete, DecliningLeavesTheListUnchanged)
{
    // The connect option escaped (NC kind 22), "OK TO DELETE ?" answered no
    // (another NC kind),
    // DELETE TO END answered no, DELETE left by escape, and a DELETE whose
    // range is the one block the tool stands on (nothing asked).
    for (int road = 0; road < 5; ++road) {
        ed::fresh();
        if (road == 1) NPT1[NPT1_MACHINE] = 12;
        path();
        const auto before = read_back();
        i32 changed = 0;
        if (road >= 3) {
            ed::menu("JUMP START");
            ed::menu("JUMP BLOCK");
            ed::menu("L:BLK", "2");
            ed::menu("DELETE");
            if (road == 3) {
                ed::menu("L:BLK", "5");
                ed::escape();
            }
            ed::menu("EXIT");
            if (road == 4) ed::menu("EXIT");  // the deletion of nothing starts the editor again
            const i32 flags[EDF_N] = {1, 1, 0, 0, 0, 0};
            i32 st = 99;
            manedt(-1, flags, 1, 0, changed, st);
            ASSERT_EQ(st, 0) << script();
            EXPECT_FALSE(norak::transcript_has("SEL. CONNECT OPTION")) << road;
        } else if (road < 2) {
            ASSERT_EQ(delete_range(2, 5, [road] {
                          if (road == 0) ed::escape();
                          else question("no");
                      }, &changed),
                      0)
                << script();
            // Declined: the tool goes back to the range's end and one motion on.
            if (road == 1) {
                EXPECT_EQ(ed::marked_before_menu(7), 6) << script();
            }
        } else {
            ed::menu("JUMP START");
            ed::menu("DELETE TO END");
            question("no");
            ed::menu("EXIT");
            const i32 flags[EDF_N] = {1, 1, 0, 0, 0, 0};
            i32 st = 99;
            manedt(-1, flags, 1, 0, changed, st);
            ASSERT_EQ(st, 0) << script();
        }
        EXPECT_EQ(changed, 0) << road;
        const auto after = read_back();
        ASSERT_EQ(after.size(), before.size()) << road << script();
        for (size_t k = 0; k < after.size(); ++k) {
            EXPECT_EQ(after[k].type, before[k].type);
            EXPECT_EQ(after[k].p[0], before[k].p[0]);
        }
        EXPECT_EQ(norak::replies_left(), 0u) << road << script();
    }
}

// DELETE TO END declined leaves the tool one motion after its block
// (block 4, then 5) whatever the move options stand at, and puts them back:
// no step by COUNT after JUMP START or JUMP END, no layer step, no jump to
// the layer at Z 0.0 after JUMP LAYER/Z.
TEST(Delete, ToEndDeclinedMovesNothingWhateverTheMoveOptions)
{
    struct Options {
        i32 direction, jump, step;
    };
    for (const Options o : {Options{3, 4, 1}, Options{3, 1, 1}, Options{3, 2, 1}, Options{3, 3, 1}, Options{1, 4, 2}}) {
        ed::fresh();
        path();
        MOVSTA.direction = o.direction, MOVSTA.jump = o.jump, MOVSTA.step = o.step, MOVSTA.count = 1;
        MOVSTA.layering = 4, MOVSTA.layerz = 10.0f;
        i32 answer = 0, st = 0;
        lacces(2, answer);
        TPJUMP(4, st);
        question("no");
        i32 key[KEY_N], type = 0, changed = 0, request = 0;
        blkkey(key, 4);
        EDTTRM(key, type, changed, request, st);
        const std::string at = std::to_string(o.jump) + " " + std::to_string(o.step);
        EXPECT_EQ(key[2], 5) << at << "\n" << script();
        EXPECT_EQ(changed, 0) << at;
        EXPECT_EQ(MOVSTA.direction, o.direction) << at;
        EXPECT_EQ(MOVSTA.jump, o.jump) << at;
        EXPECT_EQ(read_back().size(), 6u) << at;
    }
}

// DELETE TO END declined, or escaped, shows the feed in force where the tool
// then stands (100), not the one of the last motion (800) the search for the
// end of the list passed.
TEST(Delete, ToEndDeclinedShowsTheStateWhereTheToolStands)
{
    for (const bool escape : {false, true}) {
        ed::fresh();
        fix::tech(1, 100.0f);  // 1
        ed::line(0);           // 2
        ed::line(10);          // 3: the tool
        ed::line(20);          // 4
        fix::tech(1, 800.0f);  // 5
        ed::line(30);          // 6
        MOVSTA.direction = 3, MOVSTA.jump = 4, MOVSTA.step = 1, MOVSTA.count = 1;
        i32 answer = 0, st = 0;
        lacces(2, answer);
        TPJUMP(3, st);
        norak::Reply r;
        r.kind = "question";
        r.answer = "no";
        r.escape = escape;
        norak::add_reply(r);
        i32 key[KEY_N], type = 0, changed = 0, request = 0;
        blkkey(key, 3);
        EDTTRM(key, type, changed, request, st);
        std::string feed;
        for (const std::string& l : norak::transcript())
            if (l.find("FEED=") != std::string::npos) feed = l;
        EXPECT_EQ(key[2], 4) << script();
        EXPECT_NE(feed.find("FEED=100"), std::string::npos) << escape << ": " << feed << "\n" << script();
        EXPECT_EQ(changed, 0);
    }
}

TEST(Delete, TheConnectOptionEscapedAnswersCancelled)
{
    ed::fresh();
    path();
    ed::escape();
    i32 start[KEY_N], key[KEY_N], type = 0, changed = 0, request = 0, st = 0;
    blkkey(start, 2);
    blkkey(key, 4);
    EDTDLT(start, key, type, changed, request, st);
    EXPECT_EQ(st, -2);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(read_back().size(), 6u);
}

TEST(Delete, RangesAtEitherEndWriteOnlyTheSideThatExists)
{
    // From the first motion: status 17, only the approach to the point after
    // the range.
    {
        EXPECT_EQ(through_clear(1, 4), 17) << script();
        const auto b = read_back();
        ASSERT_GE(b.size(), 4u) << script();
        EXPECT_EQ(b[0].type, 1);  // the feed stays
        // No rise from a point before the range: the tool comes down over
        // the point after it (x 30) to it, then blocks 5 and 6.
        const auto m = motions(b);
        ASSERT_GE(m.size(), 3u) << shown(b);
        for (size_t k = 0; k + 1 < m.size(); ++k) EXPECT_NEAR(m[k].p[0], 30.0f, 1e-4f) << k << shown(b);
        EXPECT_GT(m.front().p[2], 0.5f);
        EXPECT_NEAR(m[m.size() - 2].p[2], 0.0f, 1e-4f);
        EXPECT_NEAR(m.back().p[0], 40.0f, 1e-4f);
    }
    // To the last motion, by DELETE and by DELETE TO END: only the rise.
    for (bool toend : {false, true}) {
        ed::fresh();
        path();
        vertical_links();
        i32 st = 0;
        if (toend) {
            ed::menu("JUMP START");
            ed::menu("JUMP BLOCK");
            ed::menu("L:BLK", "4");
            ed::menu("DELETE TO END");
            question("yes");
            ed::menu("EXIT");
            const i32 flags[EDF_N] = {1, 1, 0, 0, 0, 0};
            i32 changed = 0;
            manedt(-1, flags, 1, 0, changed, st);
        } else {
            st = delete_range(4, 6, [] {
                ed::menu("THROUGH CLEAR");
                ed::menu("ACCEPT");
            });
        }
        ASSERT_EQ(st, 0) << script();
        const auto m = motions(read_back());
        // Blocks 1 and 2, then one rise over block 2's end to the clearance.
        ASSERT_EQ(m.size(), 3u) << shown(read_back());
        EXPECT_NEAR(m[1].p[0], 10.0f, 1e-4f);
        EXPECT_NEAR(m[2].p[0], 10.0f, 1e-4f);
        EXPECT_NEAR(m[2].p[2], 50.0f, 1e-3f);
    }
}

// DELETE TO END over a list that ends in a string of lines (whole, as JUMP
// END finds it) removes every point of the string: lines to x = 0, 10, the
// feed, a line to 20 (block 4), then a string of 2 or 3 points (x 30, ...).
TEST(Delete, ToEndRemovesEveryPointOfAStringAtTheEnd)
{
    for (i32 points : {2, 3}) {
        ed::fresh();
        vertical_links();
        ed::line(0);
        ed::line(10);
        fix::tech(1, 800.0f);
        ed::line(20);
        std::vector<std::array<f32, 3>> p, v;
        for (i32 k = 0; k < points; ++k) {
            p.push_back({30.0f + 10.0f * static_cast<f32>(k), 0, 0});
            v.push_back({0, 0, 1});
        }
        fix::string(7, p, v);
        i32 answer = 0, st = 0;
        lacces(2, answer);
        TPJUMP(4, st);
        question("yes");
        i32 key[KEY_N], type = 0, changed = 0, request = 0;
        blkkey(key, 4);
        EDTTRM(key, type, changed, request, st);
        EXPECT_EQ(st, 0) << script();
        EXPECT_EQ(changed, 1);
        // Blocks 1 and 2, then the rise over block 2's end: nothing of the
        // string is left.
        std::vector<Motion> m;
        for (const Motion& k : motions(read_back()))
            if (k.type != 99) m.push_back(k);
        ASSERT_EQ(m.size(), 3u) << points << "\n" << shown(read_back());
        EXPECT_NEAR(m[2].p[0], 10.0f, 1e-4f);
        EXPECT_NEAR(m[2].p[2], 50.0f, 1e-3f);
    }
}

// A display list that will not take its position fails a deletion that has
// no motion before the gap (the display would go on from nowhere): status -3
// with the display message, the motions already removed stay removed and
// no link is written. With a motion before the gap the deletion goes on.
TEST(Delete, ARefusedDisplayPositionFailsOnlyAGapAtTheStart)
{
    for (i32 from : {1, 2}) {
        ed::fresh();
        path();
        ed::menu("DIRECTLY");
        i32 start[KEY_N], key[KEY_N], type = 0, changed = 0, request = 0, st = 0;
        blkkey(start, from);
        blkkey(key, 4);
        norak::fail_list_call("ncd_set_block_position", 1);
        EDTDLT(start, key, type, changed, request, st);
        norak::fail_list_call("ncd_set_block_position", 0);
        const auto m = motions(read_back());
        if (from == 1) {
            EXPECT_EQ(st, -3) << script();
            EXPECT_TRUE(norak::transcript_has("DLTBLK, ERRORS IN THE DISPLAY FILE"));
            ASSERT_EQ(m.size(), 2u) << shown(read_back());
        } else {
            EXPECT_EQ(st, 0) << script();
            EXPECT_FALSE(norak::transcript_has("ERRORS IN THE DISPLAY FILE"));
            ASSERT_EQ(m.size(), 4u) << shown(read_back());  // 0, the joining line, 30, 40
            EXPECT_NEAR(m[1].p[0], 30.0f, 1e-4f);
        }
        EXPECT_EQ(changed, 1);
        EXPECT_NEAR(m.back().p[0], 40.0f, 1e-4f);
    }
}

// A list mark refused anywhere in a deletion (the n-th one from its start,
// setting or going back to one) never costs a block the user kept and is
// never reported as success: either the deletion fails with a message, or
// no message is shown and the list is the one a deletion without the
// refusal gives.
TEST(Delete, AListMarkRefusedAnywhereFailsOrLeavesTheSameList)
{
    std::string clean;
    for (i32 n = 0;; ++n) {
        ed::fresh();
        path();
        ed::menu("DIRECTLY");
        i32 start[KEY_N], key[KEY_N], type = 0, changed = 0, request = 0, st = 0;
        blkkey(start, 2);
        blkkey(key, 4);
        norak::fail_list_call("lmark", n);
        EDTDLT(start, key, type, changed, request, st);
        norak::fail_list_call("lmark", 0);
        const std::string now = shown(read_back());
        if (n > 0 && !norak::transcript_has("list: lmark refused")) break;  // past the last mark
        if (n == 0) {
            clean = now;
            ASSERT_EQ(st, 0);
            ASSERT_EQ(motions(read_back()).size(), 4u) << now;
        } else if (st < 0) {
            EXPECT_FALSE(ed::lines("internal: ").empty()) << n << "\n" << script();
        } else {
            EXPECT_TRUE(ed::lines("internal: ").empty()) << n << "\n" << script();
            EXPECT_EQ(now, clean) << n << "\n" << script();
        }
    }
}

// THROUGH CLEAR: a list failure while the state before the gap is searched
// still gets the link written, and the deletion answers a list error.
TEST(Delete, AFailedStateSearchOfTheLinkIsAListError)
{
    bool reached = false;
    size_t clean = 0;
    for (i32 n = 0; n <= 40 && !reached; ++n) {
        const i32 st = through_clear(2, 4, n);
        if (n == 0) clean = motions(read_back()).size();
        if (!norak::transcript_has("PRVMCH, ERRORS IN LIST")) continue;
        reached = true;  // the first state search: the link's
        EXPECT_EQ(st, -3) << n << "\n" << script();
        EXPECT_EQ(motions(read_back()).size(), clean) << n << "\n" << script();  // the link is there
    }
    EXPECT_TRUE(reached);
}

TEST(Delete, AGapWithCoincidingEndsGetsNothingAndARapidGapAtTheClearanceOneStraightMove)
{
    for (bool rapid : {false, true}) {
        on_a_gap(rapid ? -1.0f : std::nanf(""));
        const size_t before = norak::main_list().elems.size();
        const f32 clear = fix::ORIGIN[2] + 50.0f, zup = 1.0f;
        if (!rapid) {
            GAPCON(clear, zup, 5, 5, 5, 5, 5, 5);
            EXPECT_EQ(norak::main_list().elems.size(), before);
        } else {
            TECHST.feed = -1.0f;
            // The writers stand at the first end, as the deletion leaves them.
            MOVST.point[0] = 5, MOVST.point[1] = 5, MOVST.point[2] = clear;
            GAPCON(clear, zup, 5, 5, clear, 9, 7, clear);
            // One motion more: a straight line to the second end, after
            // block 2 (a technology block may come with it).
            const auto m = motions(read_back());
            ASSERT_EQ(m.size(), 4u) << shown(read_back());
            EXPECT_NEAR(m[2].p[0] + fix::ORIGIN[0], 9.0f, 1e-4f);
            EXPECT_NEAR(m[2].p[1] + fix::ORIGIN[1], 7.0f, 1e-4f);
            EXPECT_NEAR(m[2].p[2] + fix::ORIGIN[2], clear, 1e-4f);
            EXPECT_NEAR(m[3].p[0], 20.0f, 1e-4f);
        }
    }
}

// Only a rapid gap whose both ends lie at the clearance height is closed by
// one straight move; a gap at feed (or at feed 0), or one whose first end
// lies under the clearance, rises over the clearance first.
TEST(Delete, AGapThatIsNotRapidAtTheClearanceGoesUpAndOver)
{
    KeepFeeds keep;
    const f32 clear = fix::ORIGIN[2] + 50.0f, zup = 1.0f;
    struct Gap {
        f32 feed, z1;
        size_t added;
    };
    for (const Gap& g : {Gap{-1.0f, clear, 1}, Gap{0.0f, clear, 4}, Gap{800.0f, clear, 4}, Gap{-1.0f, clear - 10, 4}}) {
        // The feed in force before the gap is the list's; the writers' last
        // feed says the opposite, and is not what the test reads.
        on_a_gap(g.feed);
        TECHST.feed = g.feed < 0.0f ? 800.0f : -1.0f;
        MOVST.point[0] = 5, MOVST.point[1] = 5, MOVST.point[2] = g.z1;
        PRM9[PRM9_FEED] = r2wrd(700.0f);
        EDTFED = 5.0f;
        GAPCON(clear, zup, 5, 5, g.z1, 9, 7, clear);
        // After a link the current feed is the machine feed; the straight
        // move leaves it.
        EXPECT_EQ(EDTFED, g.added > 1 ? 700.0f : 5.0f);
        if (g.added > 1) {
            i32 hold = -1;
            HFLGET(hold);
            EXPECT_EQ(hold, 0);  // both ends: the hold released
        }
        const auto m = motions(read_back());
        const std::string at = "feed " + std::to_string(g.feed) + " z1 " + std::to_string(g.z1) + "\n" + shown(read_back());
        ASSERT_EQ(m.size(), 3 + g.added) << at;
        // Simple lines on a three-axis path; the last one added ends at p2.
        for (const Motion& k : m) EXPECT_EQ(k.type, 2) << at;
        const Motion& last = m[m.size() - 2];
        EXPECT_NEAR(last.p[0] + fix::ORIGIN[0], 9.0f, 1e-4f) << at;
        EXPECT_NEAR(last.p[1] + fix::ORIGIN[1], 7.0f, 1e-4f) << at;
        EXPECT_NEAR(last.p[2] + fix::ORIGIN[2], clear, 1e-4f) << at;
        if (g.added > 1) {
            // Up from p1 to Z-up over the clearance, over, and down to p2.
            EXPECT_NEAR(m[3].p[2] + fix::ORIGIN[2], clear + zup, 1e-4f) << at;
            EXPECT_NEAR(m[4].p[0] + fix::ORIGIN[0], 9.0f, 1e-4f) << at;
            EXPECT_NEAR(m[4].p[2] + fix::ORIGIN[2], clear + zup, 1e-4f) << at;
        }
    }
}

// With nothing after the gap the tool rises over the last point at rapid;
// the machine feed is in force after it.
TEST(Delete, ARiseAloneIsRapidAndTheMachineFeedFollows)
{
    KeepFeeds keep;
    ed::fresh();
    vertical_links();
    ed::line(0);
    ed::line(10);
    i32 st = 0;
    JMPEND(st);
    const f32 clear = fix::ORIGIN[2] + 50.0f, zup = 1.0f;
    MOVST.point[0] = 5, MOVST.point[1] = 5, MOVST.point[2] = 0;
    PRM9[PRM9_FEED] = r2wrd(700.0f);
    EDTFED = 5.0f;
    GAPCON(clear, zup, 5, 5, 0, 9, 7, 0);
    EXPECT_EQ(EDTFED, 700.0f);
    i32 hold = -1;
    HFLGET(hold);
    EXPECT_EQ(hold, 1);  // one end only: the hold stays on
    // The feed block before the rise is the rapid one, the machine feed
    // comes back after it.
    std::vector<f32> feeds;
    for (const auto& e : norak::main_list().elems)
        if (e.words.size() >= 5 && e.words[0] == 1 && e.words[2] == 1) feeds.push_back(wrd2r(e.words[4]));
    EXPECT_EQ(feeds, (std::vector<f32>{-1.0f, 700.0f})) << shown(read_back());
    const auto m = motions(read_back());
    ASSERT_GE(m.size(), 3u) << shown(read_back());
    EXPECT_NEAR(m.back().p[0] + fix::ORIGIN[0], 5.0f, 1e-4f);
    EXPECT_NEAR(m.back().p[2] + fix::ORIGIN[2], clear, 1e-4f);

    // Already at the clearance height: no motion at all.
    ed::fresh();
    vertical_links();
    ed::line(0);
    ed::line(10);
    JMPEND(st);
    MOVST.point[0] = 5, MOVST.point[1] = 5, MOVST.point[2] = clear;
    GAPCON(clear, zup, 5, 5, clear, 9, 7, clear);
    EXPECT_EQ(motions(read_back()).size(), 2u) << shown(read_back());
}

// The machine state before the gap is put back first: the feed in force
// there (800, not the 300 after the gap) is the one shown as the link starts.
TEST(Delete, TheLinkStartsFromTheFeedInForceBeforeTheGap)
{
    KeepFeeds keep;
    ed::fresh();
    vertical_links();
    fix::tech(1, 800.0f);
    ed::line(0);
    ed::line(10);
    fix::tech(1, 300.0f);
    ed::line(20);
    i32 answer = 0, st = 0;
    lacces(2, answer);
    TPJUMP(3, st);  // on the line to 10
    PRM9[PRM9_FEED] = r2wrd(500.0f);
    const size_t from = norak::transcript().size();
    GAPCON(fix::ORIGIN[2] + 50.0f, 1.0f, 5, 5, 0, 9, 7, 0);
    std::string first;
    for (size_t k = from; k < norak::transcript().size() && first.empty(); ++k)
        if (norak::transcript()[k].find("FEED=") != std::string::npos) first = norak::transcript()[k];
    EXPECT_NE(first.find("FEED=800"), std::string::npos) << first;
}

TEST(Delete, OnlyExitOrTheConfirmEndsAMarkedRange)
{
    // While DELETE marks a range, moving the tool to another block does not
    // delete; MOVE TOOL gives the marking up and EXIT then leaves the list as
    // it was.
    ed::fresh();
    path();
    const auto before = read_back();
    ed::menu("JUMP START");
    ed::menu("JUMP BLOCK");
    ed::menu("L:BLK", "2");
    ed::menu("DELETE");
    ed::menu("L:BLK", "5");
    ed::menu("MOVE TOOL");
    ed::menu("EXIT");
    const i32 flags[EDF_N] = {1, 1, 0, 0, 0, 0};
    i32 changed = 0, st = 99;
    manedt(-1, flags, 1, 0, changed, st);
    ASSERT_EQ(st, 0) << script();
    EXPECT_EQ(changed, 0);
    EXPECT_FALSE(norak::transcript_has("prompt: SEL. CONNECT OPTION")) << script();
    EXPECT_EQ(read_back().size(), before.size()) << script();
    // The tool went to block 5 (the marking did not end at the jump).
    EXPECT_TRUE(norak::transcript_has("display: attention on list 1 block 5")) << script();
    EXPECT_EQ(norak::replies_left(), 0u) << script();
}

// A stored position item longer than its three values is refused, not
// filled from past them: the update fails with its message.
TEST(Delete, ALongerStoredPositionIsRefused)
{
    ed::fresh();
    const i32 dt[6] = {2024, 1, 2, 3, 4, 5};
    fix::procedure(9, "EDITED", dt);
    fix::line(22, {1, 2, 3}, {0, 0, 1});
    i32 st = 0;
    CLSSBL(st);  // on the procedure block
    const f32 six[6] = {1, 2, 3, 4, 5, 6};
    TPINSC(GR_GLOBAL, 6, 6, DT_REAL, 6, six, st);
    lclos();
    ASSERT_EQ(st, 0);
    OPNSBL(st);
    i32 open = 1;
    mnedup(open, 1, 0, 0, st);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("ERRORS IN UPDATE AFTER MANUAL EDIT")) << script();
}

// After a change the procedure block takes its first position and direction
// as its start (codes 5 and 27) and its last as its end (6 and 28), where
// the header update stores them and the take-over reads them.
TEST(Delete, AfterAnEditTheFirstPositionIsTheStartAndTheLastTheEnd)
{
    ed::fresh();
    const i32 dt[6] = {2024, 1, 2, 3, 4, 5};
    fix::procedure(9, "EDITED", dt);
    fix::line(22, {1, 2, 3}, {0, 0, 1});
    fix::line(22, {4, 5, 6}, {0, 0.6f, 0.8f});
    i32 open = 1, st = 0;
    mnedup(open, 1, 0, 0, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(open, 0);
    const f32 want[4][3] = {{fix::ORIGIN[0] + 1, fix::ORIGIN[1] + 2, fix::ORIGIN[2] + 3},
                            {0, 0, 1},
                            {fix::ORIGIN[0] + 4, fix::ORIGIN[1] + 5, fix::ORIGIN[2] + 6},
                            {0, 0.6f, 0.8f}};
    const i32 codes[4] = {5, 27, 6, 28};
    for (i32 k = 0; k < 4; ++k) {
        f32 v[3] = {-1, -1, -1};
        i32 count = 3;
        TPGETN(AM_LIST, GR_GLOBAL, codes[k], count, DT_REAL, v, st);
        ASSERT_EQ(st, 0) << codes[k];
        for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(v[c], want[k][c]) << "code " << codes[k] << " word " << c;
    }
}

// The approach closes the gap even when the retract could not be written
// (the first two blocks of the link, its feed and its move, each refused in
// turn); a gap with no motion on either side still gets the machine state.
TEST(Delete, AFailedRetractStillGetsItsApproachAndAGapWithoutMotionsItsMachineState)
{
    const f32 clear = fix::ORIGIN[2] + 50.0f, zup = 1.0f;
    for (const i32 refused : {1, 2}) {
        on_a_gap();
        MOVST.point[0] = 5, MOVST.point[1] = 5, MOVST.point[2] = 0;
        norak::fail_alloc_after(refused);
        GAPCON(clear, zup, 5, 5, 0, 9, 7, 0);
        norak::fail_alloc_after(0);
        EXPECT_TRUE(norak::transcript_has("memory: allocation refused")) << refused;
        bool closed = false;
        for (const Motion& m : motions(read_back()))
            closed |= std::fabs(m.p[0] + fix::ORIGIN[0] - 9.0f) < 1e-4f && std::fabs(m.p[1] + fix::ORIGIN[1] - 7.0f) < 1e-4f &&
                      std::fabs(m.p[2] + fix::ORIGIN[2]) < 1e-4f;
        EXPECT_TRUE(closed) << refused << "\n" << shown(read_back());
    }
    ed::fresh();
    vertical_links();
    fix::tech(1, 800.0f);
    i32 answer = 0;
    lacces(2, answer);
    const size_t before = norak::main_list().elems.size();
    GAPCON(clear, zup, 5, 5, 0, 5, 5, 0);
    EXPECT_EQ(norak::main_list().elems.size(), before + 1) << shown(read_back());
    EXPECT_TRUE(motions(read_back()).empty());
}

namespace {
// The fixture path, and DELETE TO END from its first motion, confirmed.
void to_end_from_the_start()
{
    ed::fresh();
    path();
    ed::menu("JUMP START");
    ed::menu("DELETE TO END");
    question("yes");
}
}  // namespace

// DELETE TO END whose link state cannot be searched ends the editor with its
// list error, as a failed DELETE does.
TEST(Delete, AListErrorOfDeleteToEndEndsTheEditor)
{
    bool reached = false;
    for (i32 n = 1; n <= 60 && !reached; ++n) {
        to_end_from_the_start();
        const i32 flags[EDF_N] = {1, 1, 0, 0, 0, 0};
        i32 changed = 0, st = 99;
        norak::fail_list_call("lmark", n);
        try {
            manedt(-1, flags, 1, 0, changed, st);
        } catch (...) {
        }
        norak::fail_list_call("lmark", 0);
        // The refusal wanted is the link's state search, after the command.
        const auto& t = norak::transcript();
        size_t chosen = t.size(), failed = t.size();
        for (size_t k = 0; k < t.size(); ++k) {
            if (chosen == t.size() && t[k].find("(DELETE TO END)") != std::string::npos) chosen = k;
            if (chosen < k && failed == t.size() && t[k].find("PRVMCH, ERRORS IN LIST") != std::string::npos) failed = k;
        }
        if (failed == t.size()) continue;
        reached = true;
        EXPECT_EQ(st, -3) << n << "\n" << script();
        EXPECT_TRUE(norak::transcript_has("manedt,ERRORS IN LIST")) << n << "\n" << script();
    }
    EXPECT_TRUE(reached);
}

// DELETE TO END from the first motion leaves no motion: the editor ends with
// the note and reports the change.
TEST(Delete, ToEndFromTheFirstMotionEndsTheEditorWithTheNote)
{
    to_end_from_the_start();
    const i32 flags[EDF_N] = {1, 1, 0, 0, 0, 0};
    i32 changed = 0, st = 99;
    manedt(-1, flags, 1, 0, changed, st);
    EXPECT_EQ(st, 0) << script();
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(norak::replies_left(), 0u) << script();
    EXPECT_TRUE(norak::transcript_has("NOTE: NO MOVEMENTS IN PROCEDURE LIST")) << script();
    EXPECT_TRUE(motions(read_back()).empty()) << shown(read_back());
}
