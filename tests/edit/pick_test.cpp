// Picked blocks grouped into chains of neighbours, the vertical test, and
// the picking itself: a block picked twice, a picked entry taken back.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "blocks/format.h"
#include "blocks/writers.h"
#include "edit/alter/pick.h"
#include "tests/edit/alter_common.h"

namespace {
void pick_reply(i32 block, bool exit = false, bool escape = false)
{
    norak::Reply r;
    r.kind = "pick";
    r.entity = block;
    r.exit = exit;
    r.escape = escape;
    norak::add_reply(r);
}
// The answer to the mode menu, then the mode chosen.
void pick_mode(const char* mode)
{
    norak::Reply r;
    r.kind = "pick";
    r.end = true;
    norak::add_reply(r);
    ed::menu(mode);
}
// What the picking gave: the entries' number, their memory and the status.
struct Picked {
    i32 count = 0, handle = -1, st = 9;
    const PickEntry* e = nullptr;
    // The picked blocks in the entries' order.
    std::vector<i32> blocks() const
    {
        std::vector<i32> got;
        for (i32 k = 0; k < count; ++k) got.push_back(e[k].block);
        return got;
    }
};
// Runs the picking on the replies given and reaches its entries.
Picked pick_all()
{
    Picked p;
    pick_blocks(p.count, p.handle, p.st);
    void* base = nullptr;
    mmcptr(p.handle, base);
    p.e = static_cast<const PickEntry*>(base);
    return p;
}
std::vector<i32> pairs(PickEntry* e, i32 n)
{
    i32 words = 0, st = 0;
    const i32 h = get_chains(e, n, words, st);
    EXPECT_EQ(st, 0);
    void* base = nullptr;
    mmcptr(h, base);
    std::vector<i32> out(static_cast<const i32*>(base), static_cast<const i32*>(base) + words);
    i32 hh = h;
    MM_CLOSE(hh, st);
    return out;
}
}  // namespace

TEST(Picks, NeighboursFormOneChainAGapTwoInTheOrderOfThePicks)
{
    norak::reset();
    // Picked 5, 3, 4 and 9: the chain 3..5 (met from its last pick), then 9.
    PickEntry e[4] = {{5, 4, 6, 0}, {3, 2, 4, 0}, {4, 3, 5, 0}, {9, 8, 10, 0}};
    EXPECT_EQ(pairs(e, 4), (std::vector<i32>{3, 5, 9, 9}));
    // A neighbour in another list (0) links nothing: two chains.
    PickEntry f[2] = {{7, 0, 0, 0}, {8, 7, 0, 0}};
    EXPECT_EQ(pairs(f, 2), (std::vector<i32>{7, 7, 8, 8}));
    // An entry already taken (a second pick of a block) starts no chain.
    PickEntry g[3] = {{2, 1, 3, 0}, {3, 2, 4, 0}, {3, 2, 4, 1}};
    EXPECT_EQ(pairs(g, 3), (std::vector<i32>{2, 3}));
    // Many chains: the pair array grows.
    std::vector<PickEntry> many;
    for (i32 k = 0; k < 60; ++k) many.push_back({10 * k + 1, 10 * k, 10 * k + 2, 0});
    const auto p = pairs(many.data(), 60);
    ASSERT_EQ(p.size(), 120u);
    EXPECT_EQ(p[118], 591);
}

TEST(Picks, FindSwapAndTheChainEnds)
{
    PickEntry e[3] = {{4, 3, 5, 0}, {5, 4, 6, 1}, {5, 4, 6, 0}};
    i32 at = 9;
    EXPECT_EQ(find_pick(0, 5, e, 3, at), 1);
    EXPECT_EQ(at, 2);  // the flagged one is passed
    EXPECT_EQ(find_pick(0, 7, e, 3, at), 0);
    EXPECT_EQ(at, -1);
    EXPECT_EQ(find_pick(1, 4, e, 3, at), 0);  // from the start index on
    swap_picks(e[0], e[2]);
    EXPECT_EQ(e[0].block, 5);
    EXPECT_EQ(e[2].block, 4);
    // From entry 0 (block 5) back to block 4: its first; the first is flagged.
    const PickEntry first = chain_first(0, e, 3);
    EXPECT_EQ(first.block, 4);
    EXPECT_EQ(e[2].chained, 1);
    EXPECT_EQ(e[0].chained, 0);  // the starting entry is not marked
    PickEntry g[3] = {{1, 0, 2, 0}, {2, 1, 3, 0}, {3, 2, 0, 0}};
    const PickEntry last = chain_last(0, g[0], g, 3);
    EXPECT_EQ(last.block, 3);
    EXPECT_EQ(g[1].chained, 1);
    EXPECT_EQ(g[2].chained, 1);
}

TEST(Picks, VerticalWithinTwoDegreesOrOfNoLength)
{
    const f32 o[3] = {0, 0, 0};
    const f32 up[3] = {0.03f, 0, 1}, steep[3] = {0.04f, 0, 1}, down[3] = {0, 0.01f, -1};
    EXPECT_EQ(is_vertical(up, o, 2.0f), 1);      // 1.7 degrees off the axis
    EXPECT_EQ(is_vertical(steep, o, 2.0f), 0);   // 2.3 degrees
    EXPECT_EQ(is_vertical(down, o, 2.0f), 1);    // downwards counts too
    EXPECT_EQ(is_vertical(o, o, 2.0f), 1);       // no length
    const f32 flat[3] = {1, 0, 0};
    EXPECT_EQ(is_vertical(flat, o, 2.0f), 0);
}

TEST(Picks, SingleAddsABlockOnceAndEscapeTakesTheLastBack)
{
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);  // 1
    for (f32 x : {10.0f, 20.0f, 30.0f}) alt::line(x, 0, 0);  // 2 .. 4
    pick_reply(2);
    pick_reply(2);           // again: not added
    pick_reply(3);
    pick_reply(0, false, true);  // escape: 3 taken back
    pick_reply(4);
    pick_reply(0, true);
    i32 count = 0, handle = -1, st = 9;
    pick_blocks(count, handle, st);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(count, 2);
    void* base = nullptr;
    mmcptr(handle, base);
    const PickEntry* e = static_cast<const PickEntry*>(base);
    EXPECT_EQ(e[0].block, 2);
    EXPECT_EQ(e[0].next, 3);
    EXPECT_EQ(e[1].block, 4);
    EXPECT_EQ(e[1].prev, 3);
    EXPECT_TRUE(norak::transcript_has("display: attention off list 1 block 3"));
    MM_CLOSE(handle, st);
    // Leaving without a pick.
    pick_reply(0, true);
    pick_blocks(count, handle, st);
    EXPECT_EQ(st, -2);
    EXPECT_EQ(count, 0);
    MM_CLOSE(handle, st);
}

// The list refused at each access in turn while a pick is read: the pick
// is taken, or the picking ends with the list failure; never a pick passed
// over as if the list had ended before it.
TEST(Picks, AListRefusedWhileAPickIsReadFailsThePickingOrTakesThePick)
{
    i32 failed = 0;
    for (i32 n = 1; n <= 40; ++n) {
        alt::fresh({0, 0, 0});
        alt::feed(100.0f);  // 1
        for (f32 x : {10.0f, 20.0f, 30.0f}) alt::line(x, 0, 0);  // 2 .. 4
        pick_reply(4);
        pick_reply(0, true);
        norak::fail_list_call("lacces", n);
        i32 count = 0, handle = -1, st = 9;
        pick_blocks(count, handle, st);
        norak::fail_list_call("lacces", 0);
        if (st == -3) ++failed;
        EXPECT_TRUE(st == -3 || (st == 0 && count == 1)) << n << ": status " << st << ", " << count << " picked";
        if (handle >= 0) MM_CLOSE(handle, st);
    }
    EXPECT_GT(failed, 0);
}

TEST(Picks, AVerticalPickTakesTheRunBetweenVerticalMotions)
{
    alt::fresh({0, 0, 10});
    alt::feed(100.0f);         // 1
    alt::line(0, 0, 0);        // 2 down
    alt::line(10, 0, 0);       // 3
    alt::line(20, 0, 0);       // 4
    alt::line(20, 0, 10);      // 5 up
    alt::line(30, 0, 10);      // 6
    pick_mode("VERTICAL");
    pick_reply(3);
    pick_reply(0, true);
    Picked p = pick_all();
    EXPECT_EQ(p.st, 0);
    EXPECT_EQ(p.blocks(), (std::vector<i32>{2, 3, 4, 5}));
    MM_CLOSE(p.handle, p.st);
}

// The motions after a string are judged from its last point: the run goes
// through the string's points up to the rise after it, each point an entry
// and a line of its own; the string is broken only when a walk takes it.
TEST(Picks, AVerticalWalkTakesAStringPointByPoint)
{
    alt::fresh({0, 0, 10});
    alt::feed(100.0f);                                    // 1
    alt::line(0, 0, 0);                                   // 2 down
    alt::line(5, 0, 0);                                   // 3
    alt::string({{10, 0, 0}, {20, 0, 0}, {30, 0, 0}});      // 4 .. 6
    alt::line(30, 0, 10);                                 // 7 up
    alt::line(40, 0, 10);                                 // 8: ends the walk
    alt::string({{50, 0, 10}, {60, 0, 10}});                // 9, 10: after the walk's end
    pick_mode("VERTICAL");
    pick_reply(3);
    pick_reply(0, true);
    Picked p = pick_all();
    EXPECT_EQ(p.st, 0);
    EXPECT_EQ(p.blocks(), (std::vector<i32>{2, 3, 4, 5, 6, 7}));
    std::vector<i32> types;
    for (const alt::Move& m : alt::moves()) types.push_back(m.type);
    EXPECT_EQ(types, (std::vector<i32>{2, 2, 2, 2, 2, 2, 2, 7, 7}));
    MM_CLOSE(p.handle, p.st);
}

// A CHAIN from a block picked before in SINGLE: the block stays one entry
// of a free chain, the chains are the blocks once each; a SINGLE pick on a
// string leaves it whole.
TEST(Picks, AChainFromABlockPickedBeforeTakesItOnce)
{
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);                                                     // 1
    for (f32 x : {10.0f, 20.0f, 30.0f, 40.0f, 50.0f}) alt::line(x, 0, 0);  // 2 .. 6
    alt::string({{60, 0, 0}, {70, 0, 0}, {80, 0, 0}});                       // 7 .. 9
    pick_reply(3);
    pick_reply(8);
    pick_mode("CHAIN");
    pick_reply(3);
    pick_reply(5);
    pick_reply(0, true);
    Picked p = pick_all();
    EXPECT_EQ(p.st, 0);
    ASSERT_EQ(p.blocks(), (std::vector<i32>{3, 8, 3, 4, 5}));
    EXPECT_EQ(p.e[1].prev, 7);
    EXPECT_EQ(p.e[1].next, 9);
    EXPECT_EQ(alt::moves()[6].type, 7);
    std::vector<PickEntry> e(p.e, p.e + p.count);
    EXPECT_EQ(pairs(e.data(), p.count), (std::vector<i32>{3, 5, 8, 8}));
    MM_CLOSE(p.handle, p.st);
}

// A picked motion located from the list's start: inside a string the string
// is broken there; the point before it goes into the shown and written
// positions. A number no motion has is a failure.
TEST(Picks, APickedMotionIsLocatedAndItsStringBroken)
{
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);                                // 1
    alt::line(10, 0, 0, 22);                          // 2
    alt::string({{20, 0, 0}, {30, 0, 5}, {40, 0, 0}});  // 3 .. 5
    f32 p[3], n[3], before[3];
    i32 dim = 0, st = 9;
    locate_picked_motion(4, p, n, before, dim, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(p[0], 30.0f);
    EXPECT_EQ(p[2], 5.0f);
    EXPECT_EQ(before[0], 20.0f);
    EXPECT_EQ(dim, 1);
    EXPECT_EQ(wrd2r(LSP2[LSP2_POS]), 20.0f);
    EXPECT_EQ(wrd2r(DSP8[DSP8_POS]), 20.0f);
    std::vector<i32> types;
    for (const alt::Move& m : alt::moves()) types.push_back(m.type);
    EXPECT_EQ(types, (std::vector<i32>{22, 2, 2, 2}));
    locate_picked_motion(2, p, n, before, dim, st);
    EXPECT_EQ(dim, 3);
    locate_picked_motion(99, p, n, before, dim, st);
    EXPECT_EQ(st, -1);
}

TEST(Picks, AChainTakesEveryBlockBetweenItsTwoPicksWithTheirNeighboursUnderItsLabel)
{
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);                                         // 1
    for (f32 x : {10.0f, 20.0f, 30.0f, 40.0f, 50.0f}) alt::line(x, 0, 0);  // 2 .. 6
    pick_mode("CHAIN");
    pick_reply(5);  // picked backwards
    pick_reply(3);
    pick_reply(0, true);
    Picked p = pick_all();
    EXPECT_EQ(p.st, 0);
    EXPECT_EQ(p.blocks(), (std::vector<i32>{3, 4, 5}));
    // Each entry knows the motions before and after it.
    for (i32 k = 0; k < p.count; ++k) {
        EXPECT_EQ(p.e[k].prev, p.e[k].block - 1) << k;
        EXPECT_EQ(p.e[k].next, p.e[k].block + 1) << k;
    }
    // The mode in force stood in status field 2 while picking, and the
    // field is cleared at the end.
    EXPECT_TRUE(norak::transcript_has("field 0.2: [ SINGLE  ]"));
    EXPECT_TRUE(norak::transcript_has("field 0.2: [  CHAIN  ]"));
    EXPECT_EQ(norak::status_field(0, 2), "");
    MM_CLOSE(p.handle, p.st);
}
