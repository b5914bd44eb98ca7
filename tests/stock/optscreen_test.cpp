// The optimizer screen in scripted sessions: an accepted change, a cancel
// that puts every one of the 92 words back (the feed tables edited on the
// sub-screen too), the safety distance and Z range filled on entry, and the
// order checks of the volume and angle rows with their messages; the rows
// of further tools picked, inserted and removed.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common.h"
#include "frame/cmpblk.h"
#include "optpath.h"
#include "stock/optim.h"

namespace {

norak::Reply menu(const std::string& expect, const std::string& answer)
{
    norak::Reply r;
    r.kind = "menu";
    r.expect = expect;
    r.answer = answer;
    return r;
}

norak::Reply prompt(const std::string& expect, const std::string& answer)
{
    norak::Reply r;
    r.kind = "prompt";
    r.expect = expect;
    r.answer = answer;
    return r;
}

struct Screen : ::testing::Test {
    void SetUp() override
    {
        stocktest::fresh(0.25f);
        CMPDEF();
        opttest::machine();
        HEI8[24] = r2wrd(50.0f);
        CURTOL = opttest::tool("SCREENED", 10.0f, 0.0f, 20.0f, 30.0f, {});
    }
    std::vector<i32> words() const { return std::vector<i32>(CMPBLK, CMPBLK + CMPBLK_N); }
    i32 open()
    {
        i32 st = 0;
        optim_menu(0, CURTOL, st);
        EXPECT_EQ(norak::replies_left(), 0u);
        return st;
    }
};

TEST_F(Screen, AnAcceptedFeedStageForcesTheEnlargedToolAndFillsTheSafetyDistance)
{
    // The host's menu module released before: the screen sets it up again.
    i32 area1[64], area2[64];
    nu_modl_rels(area1, area2);
    const i32 fills = norak::description_fills();
    norak::add_reply(menu("FEED OPTIMIZATION", "2"));
    norak::add_reply(menu("ACCEPT", "1"));
    EXPECT_EQ(open(), 0);
    EXPECT_EQ(norak::description_fills(), fills + 1);
    EXPECT_EQ(nu_modl_get_did_init(), 1);
    EXPECT_EQ(CMPBLK[CMP_FEED], 2);
    EXPECT_EQ(CMPBLK[CMP_ENLARGE], 2);
    // max(0.2 x 30, 30 - 20) = 10; the range from H = 50 down.
    EXPECT_EQ(wrd2r(CMPBLK[CMP_SAFETY]), 10.0f);
    EXPECT_EQ(wrd2r(CMPBLK[CMP_ZHIGH]), 40.0f);
    EXPECT_EQ(wrd2r(CMPBLK[CMP_ZLOW]), 30.0f);
}

TEST_F(Screen, AcceptedIsChangedExactlyWhenAWordDiffersFromTheEntryCopy)
{
    // A volume threshold edited while the optimizer is off needs no rerun
    // but is an edit; a rerun level left in word 25 with nothing edited is
    // none.
    ASSERT_NE(OPTPUT, nullptr);
    struct Case {
        i32 word, value, changed;
    };
    for (const Case c : {Case{26, r2wrd(7.5f), 1}, Case{25, 3, 0}, Case{-1, 0, 0}}) {
        SetUp();
        CMPBLK[55] = 1;
        if (c.word == 25) CMPBLK[25] = c.value;
        const std::vector<i32> copy = words();
        if (c.word == 26) CMPBLK[26] = c.value;
        i32 changed = -1;
        OPTPUT(copy.data(), changed);
        EXPECT_EQ(changed, c.changed) << c.word;
    }
}

TEST_F(Screen, ACancelPutsBackEveryWordTheTablesToo)
{
    const std::vector<i32> before = words();
    norak::add_reply(menu("FEED OPTIMIZATION", "2"));
    norak::add_reply(menu("ACCEPT", "FEED TABLES"));
    norak::add_reply(prompt("VOLUME ROW 1", "0.25"));
    norak::add_reply(prompt("ANGLE ROW % 6", "20"));
    norak::add_reply(menu("ACCEPT", "1"));  // the tables accepted
    norak::add_reply(menu("TOOL HOLDER", "3"));
    norak::add_reply(menu("ACCEPT", "2"));  // the screen left
    EXPECT_EQ(open(), -1);
    EXPECT_EQ(words(), before);
}

TEST_F(Screen, AZRangeAboveTheBandAsksForItsUpperZFromAPickedPoint)
{
    for (bool cancel : {false, true}) {
        SetUp();
        norak::add_reply(menu("Z RANGE", "2"));
        norak::add_reply(menu("ACCEPT", "1"));
        norak::add_reply(menu("YES", "1"));
        norak::Reply pick;
        pick.kind = "point";
        pick.point[0] = 3.0, pick.point[1] = 4.0, pick.point[2] = 12.5;
        pick.escape = cancel;
        norak::add_reply(pick);
        EXPECT_EQ(open(), 0);
        EXPECT_TRUE(norak::transcript_has("339/116"));
        if (cancel) {
            EXPECT_EQ(CMPBLK[CMP_ZRANGE], 1);  // put back as it was on entry
        } else {
            EXPECT_EQ(CMPBLK[CMP_ZRANGE], 2);
            EXPECT_EQ(wrd2r(CMPBLK[CMP_ZHIGH]), 12.5f);
        }
    }
}

TEST_F(Screen, AnUpperZEditedBelowTheLowerZInTheBandKeepsTheEditAndPutsTheLowerZBack)
{
    // Mode 4 with the range filled on entry (40 / 30): the upper Z edited to
    // 25 stays, the lower Z goes back to its entry value (-99999.99) and from
    // there to 25 - 10.
    CMPBLK[CMP_ZRANGE] = 4;
    norak::add_reply(prompt("UPPER Z", "25"));
    norak::add_reply(menu("ACCEPT", "1"));
    EXPECT_EQ(open(), 0);
    EXPECT_TRUE(norak::transcript_has("339/115"));
    EXPECT_EQ(wrd2r(CMPBLK[CMP_ZHIGH]), 25.0f);
    EXPECT_EQ(wrd2r(CMPBLK[CMP_ZLOW]), 15.0f);
}

TEST_F(Screen, TheZRowsAgainstAZReferenceChangeOnlyTheZEdited)
{
    // Z reference 0.1, upper Z -2 and lower Z -12, which -2.1 + 0.1 does
    // not give back in single precision. The lower Z edited above the upper
    // Z stays as typed and the upper Z is put back from the entry as it
    // was; then a lower Z below it closes the screen.
    NPT1[5] = r2wrd(0.1f);
    CMPBLK[CMP_SAFETY] = r2wrd(10.0f);
    CMPBLK[CMP_ZRANGE] = 4;
    CMPBLK[CMP_ZHIGH] = r2wrd(-2.0f), CMPBLK[CMP_ZLOW] = r2wrd(-12.0f);
    norak::add_reply(prompt("LOWER Z", "0"));
    norak::add_reply(menu("ACCEPT", "ACCEPT"));  // refused: no room
    norak::add_reply(prompt("LOWER Z", "-5"));
    norak::add_reply(menu("ACCEPT", "ACCEPT"));
    EXPECT_EQ(open(), 0);
    EXPECT_TRUE(norak::transcript_has("field: LOWER Z = 0.000"));
    EXPECT_EQ(norak::transcript_count("339/115"), 2u);
    EXPECT_EQ(CMPBLK[CMP_ZHIGH], r2wrd(-2.0f));
    EXPECT_EQ(wrd2r(CMPBLK[CMP_ZLOW]), -5.0f + 0.1f);
}

TEST_F(Screen, TheResetActionPutsTheDefaultsBackInEveryFeedMode)
{
    const OptDefFn saved = OPTDEF;
    OPTDEF = CMPDEF;
    for (i32 feed : {1, 2, 3}) {
        SCOPED_TRACE(feed);
        SetUp();
        CMPBLK[CMP_FEED] = feed;
        CMPBLK[CMP_LINK] = 2;
        norak::add_reply(menu("ACCEPT", "Reset Optimizer Parameters"));
        norak::add_reply(menu("ACCEPT", "ACCEPT"));
        EXPECT_EQ(open(), 0);
        EXPECT_EQ(CMPBLK[CMP_LINK], 1);
        EXPECT_EQ(CMPBLK[CMP_FEED], 1);
    }
    OPTDEF = saved;
}

TEST_F(Screen, TheVolumeAndAngleRowsMustKeepTheirOrder)
{
    // The volume row with 1.0 as its first threshold, then mended; the
    // angle row with 0.0 as its first angle, then mended.
    norak::add_reply(prompt("VOLUME ROW 1", "1.0"));
    norak::add_reply(menu("ACCEPT", "1"));
    norak::add_reply(prompt("VOLUME ROW 1", "0.5"));
    norak::add_reply(prompt("VOLUME ROW 2", "1.5"));
    norak::add_reply(prompt("VOLUME ROW 3", "2"));
    norak::add_reply(prompt("VOLUME ROW 4", "3"));
    norak::add_reply(prompt("VOLUME ROW 5", "4"));
    norak::add_reply(prompt("ANGLE ROW 1", "0"));
    norak::add_reply(menu("ACCEPT", "1"));
    norak::add_reply(prompt("ANGLE ROW 1", "10"));
    norak::add_reply(prompt("ANGLE ROW 2", "-5"));
    norak::add_reply(prompt("ANGLE ROW 3", "-10"));
    norak::add_reply(prompt("ANGLE ROW 4", "-20"));
    norak::add_reply(prompt("ANGLE ROW 5", "-30"));
    norak::add_reply(menu("ACCEPT", "1"));
    i32 st = 0;
    optim_tables(st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_TRUE(norak::transcript_has("ERROR : PARAMETERS IN VOLUME ROW SHOULD BE IN INCREASING ORDER"));
    EXPECT_TRUE(norak::transcript_has("ERROR : PARAMETERS IN ANGLE ROW SHOULD BE IN DECREASING ORDER"));
    const f32 vol[5] = {0.5f, 1.5f, 2.0f, 3.0f, 4.0f}, ang[5] = {10.0f, -5.0f, -10.0f, -20.0f, -30.0f};
    for (i32 k = 0; k < 5; ++k) {
        EXPECT_EQ(wrd2r(CMPBLK[CMP_VOLUME_ROW + k]), vol[k]);
        EXPECT_EQ(wrd2r(CMPBLK[CMP_ANGLE_ROW + k]), ang[k]);
    }
    // The defaults pass both checks at once.
    CMPDEF();
    norak::add_reply(menu("ACCEPT", "1"));
    optim_tables(st);
    EXPECT_EQ(st, 0);
    // Out of order in the middle of the angle row only: -20 before -10.
    norak::add_reply(prompt("ANGLE ROW 3", "-20"));
    norak::add_reply(prompt("ANGLE ROW 4", "-10"));
    norak::add_reply(menu("ACCEPT", "1"));
    norak::add_reply(prompt("ANGLE ROW 3", "-10"));
    norak::add_reply(prompt("ANGLE ROW 4", "-20"));
    norak::add_reply(menu("ACCEPT", "1"));
    const size_t before = norak::transcript_count("ANGLE ROW SHOULD BE IN DECREASING ORDER");
    optim_tables(st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(norak::transcript_count("ANGLE ROW SHOULD BE IN DECREASING ORDER"), before + 1);
}

}  // namespace

namespace {

norak::Reply escape(const std::string& expect)
{
    norak::Reply r = menu(expect, "");
    r.escape = true;
    return r;
}

TEST_F(Screen, ToolRowsArePickedInsertedAndRemovedAndAnAbandonedInsertLeavesNoRow)
{
    const i32 a = opttest::tool("ALIKE", 10.0f, 0.0f, 20.0f, 40.0f, {});
    const i32 b = opttest::tool("OTHER", 12.0f, 0.0f, 20.0f, 40.0f, {});
    CMPBLK[CMP_FEED] = 2;  // its tables row: an action that only redraws the screen here
    norak::add_reply(menu("TOOL HOLDER", "TOOL HOLDER: FURTHER TOOLS"));
    norak::add_reply(menu("ACCEPT", "FEED TABLES"));
    norak::add_reply(menu("ACCEPT", "LEAVE"));  // the tables left as they were
    // The list is shown: a tool for the first row opens a second, empty one.
    norak::add_reply(menu("ACCEPT", " 2... PICK A TOOL"));
    norak::add_reply(menu("= ALIKE", "= ALIKE"));
    norak::add_reply(menu("ACCEPT", " 3... PICK A TOOL"));
    norak::add_reply(menu("OTHER", "OTHER"));
    // A row inserted before the second: it takes the tool picked.
    norak::add_reply(menu("ACCEPT", " 3... INSERT A ROW"));
    norak::add_reply(menu("ALIKE", "= ALIKE"));
    // An insert whose pick is abandoned leaves no row.
    norak::add_reply(menu("ACCEPT", " 2... INSERT A ROW"));
    norak::add_reply(escape("ALIKE"));
    // The first row removed: the others move up; the empty last row stays.
    norak::add_reply(menu("ACCEPT", " 2... REMOVE THE ROW"));
    norak::add_reply(menu("ACCEPT", " 4... REMOVE THE ROW"));
    norak::add_reply(menu("ACCEPT", "ACCEPT"));
    EXPECT_EQ(open(), 0);
    EXPECT_TRUE(norak::transcript_has("339/147"));
    EXPECT_EQ(CMPBLK[CMP_HOLDER], 5);
    EXPECT_EQ(CMPBLK[CMP_TOOL_ROWS], 3);
    EXPECT_EQ(CMPBLK[CMP_TOOLS], a);
    EXPECT_EQ(CMPBLK[CMP_TOOLS + 1], b);
    for (i32 k = 2; k < 10; ++k) EXPECT_EQ(CMPBLK[CMP_TOOLS + k], -1) << k;
}

TEST_F(Screen, ShowingTheToolListDropsTheRowOfAToolGoneAndWarnsOfOneThatCutsOtherwise)
{
    // Rows: a tool no longer in the library, one of another diameter and the
    // empty last row. Shown, the first goes (the count of rows in use with
    // it) and the second is named by 339/158. Empty rows inside the rows in
    // use go the same way: a tool and three empty rows leave the tool and
    // the empty last row.
    struct Case {
        std::vector<i32> rows;  // 0 stands for the tool of another diameter
        std::vector<i32> after;
    };
    const Case cases[] = {{{9999, 0, -1}, {0, -1}}, {{0, -1, -1, -1}, {0, -1}}, {{-1, 0, -1}, {0, -1}}};
    for (const Case& c : cases) {
        SetUp();
        const i32 b = opttest::tool("OTHER", 12.0f, 0.0f, 20.0f, 40.0f, {});
        CMPBLK[CMP_HOLDER] = 5;
        for (size_t k = 0; k < c.rows.size(); ++k) CMPBLK[CMP_TOOLS + k] = c.rows[k] == 0 ? b : c.rows[k];
        CMPBLK[CMP_TOOL_ROWS] = static_cast<i32>(c.rows.size());
        norak::add_reply(menu("TOOL LIST", "TOOL LIST: SHOWN"));
        norak::add_reply(menu("ACCEPT", "ACCEPT"));
        EXPECT_EQ(open(), 0);
        EXPECT_TRUE(norak::transcript_has("339/158"));
        ASSERT_EQ(CMPBLK[CMP_TOOL_ROWS], static_cast<i32>(c.after.size())) << c.rows.size();
        for (size_t k = 0; k < 10; ++k)
            EXPECT_EQ(CMPBLK[CMP_TOOLS + k], k < c.after.size() && c.after[k] == 0 ? b : -1) << k;
    }
}

TEST_F(Screen, TheToolPickIsPagedAndMarksToolsOfOneCutterGeometryAlike)
{
    // The current tool and 24 more, two pages of 20: T01 and T02 (diameter
    // 12) share a letter, T03 cuts like the current tool, the others (each
    // of a diameter of its own) carry no mark. Paging up on the first page
    // and down on the last stays there.
    std::vector<i32> ids;
    for (i32 k = 1; k <= 24; ++k) {
        const std::string name = (k < 10 ? "T0" : "T") + std::to_string(k);
        const f32 d = k <= 2 ? 12.0f : k == 3 ? 10.0f : 12.0f + f32(k);
        ids.push_back(opttest::tool(name.c_str(), d, 0.0f, 20.0f, 40.0f, {}));
    }
    CMPBLK[CMP_HOLDER] = 5;
    norak::add_reply(menu("TOOL LIST", "TOOL LIST: SHOWN"));
    norak::add_reply(menu("ACCEPT", " 2... PICK A TOOL"));
    norak::add_reply(menu("= SCREENED@A T01@A T02@= T03@  T04@", "Pg Up"));
    norak::add_reply(menu("= SCREENED@A T01@", "Pg Dn"));
    norak::add_reply(menu("  T20@  T21@  T22@  T23@  T24@Pg Up@Pg Dn", "Pg Dn"));
    norak::add_reply(menu("  T20@", "Pg Up"));
    norak::add_reply(menu("  T19@Pg Up@Pg Dn", "Pg Dn"));
    norak::add_reply(menu("  T20@", "T23"));
    norak::add_reply(menu("ACCEPT", "ACCEPT"));
    EXPECT_EQ(open(), 0);
    EXPECT_EQ(CMPBLK[CMP_TOOLS], ids[22]);
    EXPECT_EQ(CMPBLK[CMP_TOOL_ROWS], 2);
}

TEST_F(Screen, TheRowCountStaysWithinTenOnInsertAndPick)
{
    // Nine rows in use, the ninth holding a tool: no row is inserted in
    // front of it. Ten in use (nine tools and the empty row): not even in
    // front of the first. A pick on the last, empty row of nine opens the
    // tenth; a pick on the ninth of ten replaces its tool, the count stays.
    struct Case {
        i32 tools, rows;
        const char* action;
        bool picks;
        i32 after;
    };
    const Case cases[] = {{9, 9, "10... INSERT A ROW", false, 9},
                          {9, 10, " 2... INSERT A ROW", false, 10},
                          {8, 9, "10... PICK A TOOL", true, 10},
                          {9, 10, "10... PICK A TOOL", true, 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        SetUp();
        const i32 a = opttest::tool("ALIKE", 10.0f, 0.0f, 20.0f, 40.0f, {});
        const i32 b = opttest::tool("OTHER", 12.0f, 0.0f, 20.0f, 40.0f, {});
        CMPBLK[CMP_HOLDER] = 5;
        CMPBLK[CMP_FEED] = 2;
        for (i32 k = 0; k < c.tools; ++k) CMPBLK[CMP_TOOLS + k] = a;
        CMPBLK[CMP_TOOL_ROWS] = c.rows;
        norak::add_reply(menu("TOOL LIST", "TOOL LIST: SHOWN"));
        norak::add_reply(menu("ACCEPT", "FEED TABLES"));
        norak::add_reply(menu("ACCEPT", "LEAVE"));
        norak::add_reply(menu("ACCEPT", c.action));
        if (c.picks) norak::add_reply(menu("OTHER", "OTHER"));
        norak::add_reply(menu("ACCEPT", "ACCEPT"));
        EXPECT_EQ(open(), 0);
        EXPECT_EQ(CMPBLK[CMP_TOOL_ROWS], c.after);
        EXPECT_EQ(CMPBLK[CMP_TOOLS + 8], c.picks ? b : a);
        EXPECT_EQ(CMPBLK[CMP_TOOLS + 9], -1);
        EXPECT_EQ(norak::transcript_has("339/147"), c.picks);
    }
}

}  // namespace
