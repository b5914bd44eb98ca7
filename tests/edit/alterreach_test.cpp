// Small paths of ALTERATIONS: the list's block counter, a CHAIN pick
// across a string that breaks it into lines, and a Z plane taken from an
// indicated point.
#include <gtest/gtest.h>

#include "edit/alter/motion.h"
#include "edit/alter/pick.h"
#include "edit/alter/state.h"
#include "edit/alter/trimtp.h"
#include "tests/edit/alter_common.h"

namespace {

norak::Reply pick_of(i32 block, bool exit = false)
{
    norak::Reply r;
    r.kind = "pick";
    r.entity = block;
    r.exit = exit;
    return r;
}

TEST(AlterReach, TheCurrentBlockNumberIsTheListsBlockCounter)
{
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);  // 1
    for (f32 x : {10.0f, 20.0f, 30.0f}) alt::line(x, 0, 0);  // 2 .. 4
    EXPECT_EQ(cur_block_no(), 5);  // the number the next block gets
    alt::line(40, 0, 0);
    EXPECT_EQ(cur_block_no(), 6);
    EXPECT_EQ(alt::moves().back().number, 5);
}

TEST(AlterReach, AChainAcrossAStringBreaksItIntoLinesAndTakesEachOne)
{
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);          // 1
    alt::line(10, 0, 0);        // 2
    fix::string(7, {{20, 0, 0}, {30, 0, 0}, {40, 0, 0}}, {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}});
    alt::line(50, 0, 0);
    const std::vector<alt::Move> before = alt::moves();
    ASSERT_EQ(before.size(), 5u);
    ASSERT_EQ(before[1].type, 7);
    const i32 last = before.back().number;
    norak::Reply mode;
    mode.kind = "pick";
    mode.end = true;
    norak::add_reply(mode);
    ed::menu("CHAIN");
    norak::add_reply(pick_of(2));
    norak::add_reply(pick_of(last));
    norak::add_reply(pick_of(0, true));
    i32 count = 0, handle = -1, st = 9;
    pick_blocks(count, handle, st);
    EXPECT_EQ(st, 0);
    // No string is left: its three points are three lines, in place.
    const std::vector<alt::Move> after = alt::moves();
    ASSERT_EQ(after.size(), 5u);
    for (size_t k = 0; k < after.size(); ++k) {
        EXPECT_EQ(after[k].type, 2) << k;
        EXPECT_EQ(after[k].x, before[k].x) << k;
    }
    // Every motion from the first pick to the last is an entry.
    ASSERT_EQ(count, 5);
    void* base = nullptr;
    mmcptr(handle, base);
    const PickEntry* e = static_cast<const PickEntry*>(base);
    for (i32 k = 0; k < count; ++k) EXPECT_EQ(e[k].block, after[static_cast<size_t>(k)].number) << k;
    MM_CLOSE(handle, st);
}

TEST(AlterReach, AZPlaneIndicatedIsTakenRelativeToTheZBase)
{
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);
    for (f32 x : {10.0f, 20.0f}) alt::line(x, 0, 0);
    ZBASE = 2.0f;
    ed::menu("ALL PROCEDURE BLOCKS");
    ed::menu("PROJECT MOTIONS");
    ed::menu("PROJ.:ALL BLK ON Z PLN");
    ed::menu("IND. Z PLANE");
    norak::Reply r;
    r.kind = "point";
    r.point[2] = 7.5;
    norak::add_reply(r);
    ed::menu("EXIT");
    i32 reply = -7;
    trim_tp(0, 0, reply);
    EXPECT_TRUE(norak::transcript_has("IND. PNT AT Z PLANE"));
    EXPECT_FLOAT_EQ(zqar(ZQA_ZPLANE), 5.5f);
}

}  // namespace
