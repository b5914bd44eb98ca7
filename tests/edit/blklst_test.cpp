// The procedure block list "BLOCK_n" and the SERVICE entry.
#include <algorithm>

#include "edit/report/service.h"
#include "tests/edit/fixture.h"

namespace {
// The cursor: its list level, position and the number of the block there.
struct Where {
    i32 level, position, number;
    bool operator==(const Where&) const = default;
};
Where where()
{
    Where w{0, 0, -1};
    gtlstn(1, w.level);
    lgtpos(w.position);
    i32 size = 0, type = 0, cls = 0, st = 0;
    TPBLKH(AM_LIST, size, type, cls, st);
    if (st >= 0) tpget(AM_LIST, 1, DT_INT, &w.number, st);
    lclos();
    return w;
}

const char* const NAME = "FIXPART_TP-A.BLOCK_3";
}  // namespace

TEST(BlockList, FromAGivenBlockMatchesItsGoldenFileAndKeepsThePosition)
{
    fix::fresh();
    fix::build();
    i32 st = 0;
    SRVPOS(3, 10, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(CURPRC.number, 3);
    EXPECT_EQ(CURPRC.code, 9);
    const Where before = where();
    EXPECT_EQ(before.number, 10);
    EXPECT_EQ(before.level, 2);
    BLKLST(st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(where() == before);
    const std::string got = fix::listing(NAME), want = fix::golden("blklst_3.txt");
    ASSERT_FALSE(want.empty());
    EXPECT_TRUE(fix::same_lines(got, want));
    EXPECT_TRUE(norak::transcript_has(std::string("message: OUTPUT TO FILE ") + NAME));
    EXPECT_FALSE(norak::transcript_has("internal:"));
}

TEST(BlockList, StartsFreshAfterAnotherListingAndFromTheLastBlockListsOne)
{
    fix::fresh();
    fix::build();
    i32 st = 0;
    SRVPOS(3, 10, st);
    BLKLST(st);
    const std::string first = fix::listing(NAME);
    // What a listing of another tool path leaves: another origin, procedure
    // and last kind.
    LSTST.origin[0] = 1, LSTST.origin[1] = 2, LSTST.origin[2] = 3;
    LSTST.proc = 7;
    LSTST.last = 99;
    norak::Reply yes;
    yes.kind = "question";
    yes.expect = std::string("FILE ") + NAME + " EXISTS. OVERWRITE?";
    yes.answer = "yes";
    norak::add_reply(yes);
    SRVPOS(3, 10, st);
    BLKLST(st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(fix::same_lines(fix::listing(NAME), first));

    // From the procedure's last block: that block and the end lines, its
    // point shifted by the header's origin (the UCS block before it is not
    // listed).
    norak::add_reply(yes);
    SRVPOS(3, 108, st);
    ASSERT_EQ(st, 0);
    BLKLST(st);
    EXPECT_EQ(st, 0);
    const std::string one = fix::listing(NAME);
    const std::string tail = "                SIMPLE LINES:\n   3-   108                     X =    50.8000   Y =   101.6000   Z =   -10.1600\n \nEND PROCEDURE NUMBER = 3 \n" +
                             std::string(59, '-') + "\n \n";
    ASSERT_GT(one.size(), tail.size());
    EXPECT_EQ(one.substr(one.size() - tail.size()), tail);
    EXPECT_EQ(std::count(one.begin(), one.end(), '\n'), 11 + 2 + 4);
}

TEST(BlockList, RefusalsLeaveThePositionAndWriteNothing)
{
    fix::fresh();
    fix::build();
    i32 st = 0;
    SRVPOS(9, 0, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: SRVPOS, NO PROCEDURE NUMBER 9"));
    SRVPOS(3, 5000, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: SRVPOS, NO BLOCK NUMBER IN PROCEDURE 5000 3"));
    i32 level = 0;
    gtlstn(1, level);
    EXPECT_EQ(level, 1);

    SRVPOS(3, 12, st);
    ASSERT_EQ(st, 0);
    const Where before = where();
    norak::settings().nc["file_open_fails"] = 1;
    BLKLST(st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has(std::string("internal: BLKLST, CANNOT OPEN FILE ") + NAME));
    EXPECT_FALSE(norak::transcript_has("message: OUTPUT TO FILE"));
    EXPECT_TRUE(where() == before);
}

TEST(BlockList, NoCurrentBlockOrARefusedBlockEndsWithoutEndLinesAndAFiveDigitNumberKeepsFour)
{
    fix::fresh();
    fix::build();
    i32 st = 0;
    // The cursor before the first block of the procedure's list, as its
    // list stands when just opened: nothing to list.
    SRVPOS(3, 10, st);
    ASSERT_EQ(st, 0);
    lclos();
    ltop();
    lsubop(st);
    ASSERT_EQ(st, 0);
    BLKLST(st);
    EXPECT_EQ(st, -1);
    std::string text = fix::listing(NAME);
    EXPECT_EQ(text.find("END PROCEDURE NUMBER"), std::string::npos) << text;
    EXPECT_FALSE(norak::transcript_has("message: OUTPUT TO FILE"));

    // A block the printer cannot read after the current one.
    norak::Reply yes;
    yes.kind = "question";
    yes.expect = std::string("FILE ") + NAME + " EXISTS. OVERWRITE?";
    yes.answer = "yes";
    norak::add_reply(yes);
    SRVPOS(3, 10, st);
    const std::vector<i32> broken = {2, 999};
    i32 answer = 0;
    lacces(1, answer);
    lcreat(-1, st);  // before block 11
    lputd(st, 2, broken.data());
    lclos();
    SRVPOS(3, 10, st);
    ASSERT_EQ(st, 0);
    BLKLST(st);
    EXPECT_EQ(st, -1);
    text = fix::listing(NAME);
    EXPECT_NE(text.find("   3-    10"), std::string::npos) << text;
    EXPECT_EQ(text.find("END PROCEDURE NUMBER"), std::string::npos) << text;
    EXPECT_FALSE(norak::transcript_has("message: OUTPUT TO FILE"));

    // Procedure 12345: the name keeps the number's first four digits.
    fix::fresh();
    fix::build();
    SRVPOS(3, 10, st);
    CURPRC.number = 12345;
    BLKLST(st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(norak::transcript_has("message: OUTPUT TO FILE FIXPART_TP-A.BLOCK_1234"));
}
