// Message blocks in scripted dialogs: insertion after the messages that
// follow the cursor, an empty text refused, stepping, deletion and
// replacement, each read back from the list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "edit/manedt.h"
#include "edit/stepping.h"
#include "edit/msgblk.h"
#include "fixture.h"

namespace {

norak::Reply menu(const std::string& answer, bool escape = false)
{
    norak::Reply r;
    r.kind = "menu";
    r.answer = answer;
    r.escape = escape;
    return r;
}

norak::Reply text(const std::string& answer)
{
    norak::Reply r;
    r.kind = "prompt";
    r.answer = answer;
    return r;
}

std::vector<std::string> blocks() { return fix::list_blocks(); }

i32 number_of(size_t index) { return norak::main_list().elems[index].words[1]; }

// Header, a line, " FIRST", a line, "$N10", "*M08", a line; the cursor on
// the element at the position given (1 the header).
void tool_path(i32 at)
{
    fix::fresh();
    i32 answer = 0;
    lacces(3, answer);
    fix::line(2, {0, 0, 10});
    fix::message(" FIRST");
    fix::line(2, {10, 0, 10});
    fix::message("$N10");
    fix::message("*M08");
    fix::line(2, {20, 0, 10});
    lacces(2, answer);
    for (i32 k = 1; k < at; ++k) lacces(1, answer);
}

bool has(const std::string& line) { return norak::transcript_has(line); }

TEST(MessageBlocks, InsertedAfterTheFollowingMessagesAndAnEmptyTextIsRefused)
{
    tool_path(2);
    for (const auto& r : {menu("MESSAGE"), text("HELLO"), menu("SEQ. CODE"), text(""), menu("USER DEF."),
                          text("TOOL1"), menu("", true)})
        norak::add_reply(r);
    i32 inserted = 0, st = 0;
    INSMSG(0, inserted, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(blocks(), (std::vector<std::string>{"H", "L", " FIRST", " HELLO", "@TOOL1", "L", "$N10", "*M08", "L"}));
    EXPECT_TRUE(has("prompt: SEL. INSERT OPTION"));
    EXPECT_TRUE(has("menu: MESSAGE@SEQ. CODE@NO SEQ.CODE@USER DEF."));
    EXPECT_TRUE(has("prompt: DIALOG 1.4 MSG="));
    EXPECT_TRUE(has("prompt: DIALOG 1.4 SCD="));
    EXPECT_EQ(norak::transcript_count("dialog 1.1: (ENTERED)"), 2u);
    EXPECT_EQ(norak::replies_left(), 0u);

    // Nothing typed at all: nothing inserted, the answer says so.
    tool_path(2);
    for (const auto& r : {menu("NO SEQ.CODE"), text(""), menu("", true)}) norak::add_reply(r);
    INSMSG(0, inserted, st);
    EXPECT_EQ(inserted, 0);
    EXPECT_EQ(blocks().size(), 7u);
}

TEST(MessageBlocks, EditStepsDeletesAndReplacesInThePlaceOfTheOld)
{
    tool_path(1);
    i32 count = 0, st = 0;
    CNTMSG(count, st);
    EXPECT_EQ(count, 3);
    i32 pos = 0;
    lgtpos(pos);
    EXPECT_EQ(pos, 1);  // back where it counted from
    const i32 old = number_of(5);
    for (const auto& r : {menu("GET NEXT"), menu("GET NEXT"), menu("DELETE"), menu("GET NEXT"), menu("REPLACE"),
                          menu("SEQ. CODE"), text("N20"), menu("GET NEXT"), menu("GET PREV"), menu("GET PREV"),
                          menu("GET PREV"), menu("GET PREV"), menu("", true)})
        norak::add_reply(r);
    EDTMSG(st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(blocks(), (std::vector<std::string>{"H", "L", " FIRST", "L", "$N20", "L"}));
    EXPECT_EQ(number_of(4), old);  // the new block keeps the old one's number
    EXPECT_TRUE(has("prompt: SEL. EDIT OPTION"));
    EXPECT_TRUE(has("prompt: SEL. REPLACE OPTION"));
    EXPECT_TRUE(has("menu: GET NEXT@GET PREV@DELETE@REPLACE*@MESSAGE@SEQ. CODE@NO SEQ.CODE@USER DEF."));
    EXPECT_TRUE(has("dialog 1.1: 2 MSG=FIRST"));
    EXPECT_TRUE(has("dialog 1.1: 4 SCD=N10"));
    EXPECT_TRUE(has("dialog 1.1: 5 COD=M08"));
    // After the replacement of the last message no message follows; the
    // next GET NEXT does nothing, GET PREV finds the new text, then the first,
    // then the beginning, and again nothing.
    EXPECT_EQ(norak::transcript_count("dialog 1.1: LAST MESSAGE EXCEEDED"), 1u);
    EXPECT_EQ(norak::transcript_count("dialog 1.1: " + std::to_string(old) + " SCD=N20"), 1u);
    EXPECT_EQ(norak::transcript_count("dialog 1.1: 2 MSG=FIRST"), 2u);
    EXPECT_EQ(norak::transcript_count("dialog 1.1: FIRST MESSAGE EXCEEDED"), 1u);
    EXPECT_EQ(norak::replies_left(), 0u);
}

// An empty entry while replacing writes nothing and leaves the message and
// the replace mode as they were: the menu comes back with REPLACE marked.
TEST(MessageBlocks, AnEmptyReplacementKeepsTheMessageAndTheReplaceMode)
{
    tool_path(1);
    for (const auto& r : {menu("GET NEXT"), menu("REPLACE"), menu("SEQ. CODE"), text(""), menu("", true)})
        norak::add_reply(r);
    i32 st = 0;
    EDTMSG(st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(blocks(), (std::vector<std::string>{"H", "L", " FIRST", "L", "$N10", "*M08", "L"}));
    EXPECT_GE(norak::transcript_count("menu: GET NEXT@GET PREV@DELETE@REPLACE*@MESSAGE@SEQ. CODE@NO SEQ.CODE@USER DEF."), 2u);
    EXPECT_EQ(norak::replies_left(), 0u);
}

TEST(MessageBlocks, NoMessagesAndTheLastOneDeleted)
{
    fix::fresh();
    i32 answer = 0, st = 0;
    lacces(3, answer);
    fix::line(2, {0, 0, 10});
    EDTMSG(st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(has("user: NO MESSAGES FOUND"));

    // Deleted in both directions: after a backward deletion GET NEXT shows
    // the message that followed; the last deletion ends the dialog.
    tool_path(7);
    fix::message("@X");
    lacces(2, answer);
    for (const auto& r : {menu("GET NEXT"), menu("DELETE"), menu("GET NEXT"), menu("GET NEXT"), menu("GET PREV"),
                          menu("DELETE"), menu("GET NEXT"), menu("DELETE"), menu("GET NEXT"), menu("DELETE")})
        norak::add_reply(r);
    EDTMSG(st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(blocks(), (std::vector<std::string>{"H", "L", "L", "L"}));
    EXPECT_EQ(norak::transcript_count("dialog 1.1: 5 COD=M08"), 2u);
    EXPECT_EQ(norak::transcript_count("dialog 1.1: 4 SCD=N10"), 2u);
    EXPECT_TRUE(has("user: NO MORE MESSAGES OR CODES FOUND"));
    EXPECT_EQ(norak::replies_left(), 0u);
}

// A deletion or a count the list refuses ends the dialog as a list error,
// the message kept; a message deleted at the head of its list leaves
// nothing before it, which is no error.
TEST(MessageBlocks, ListFailuresAreListErrorsAndTheHeadOfTheListIsNone)
{
    struct Case {
        const char* what;
        const char* refused;  // list routine refused, the call number
        i32 call;
    };
    for (const Case& c : {Case{"delete refused", "ldelet", 1}, Case{"count mark refused", "lmark", 1}}) {
        tool_path(1);
        for (const auto& r : {menu("GET NEXT"), menu("DELETE")}) norak::add_reply(r);
        norak::fail_list_call(c.refused, c.call);
        i32 st = 0;
        EDTMSG(st);
        EXPECT_EQ(st, -1) << c.what;
        EXPECT_TRUE(has("error: EDTMSG, ERRORS IN LIST")) << c.what;
        EXPECT_FALSE(has("NO MORE MESSAGES OR CODES FOUND")) << c.what;
        EXPECT_FALSE(has("NO MESSAGES FOUND")) << c.what;
        EXPECT_EQ(blocks().size(), 7u) << c.what;
    }

    // A procedure's sub-list that begins with a message: deleted moving
    // forward, nothing lies before it; GET NEXT finds the next message.
    fix::fresh();
    i32 answer = 0, st = 0;
    lacces(3, answer);
    const i32 dt[6] = {2024, 1, 2, 3, 4, 5};
    fix::procedure(9, "P", dt);
    i32 level = 0, four = 4;
    gtlstn(1, level);
    gsblkn(2, level, four);  // the sub-list's blocks numbered above 0
    fix::message(" A");
    fix::line(2, {0, 0, 10});
    fix::message(" B");
    ASSERT_EQ(norak::current_list().elems[0].words[0], 4);
    ASSERT_GT(norak::current_list().elems[0].words[1], 0);
    lacces(2, answer);
    for (const auto& r : {menu("GET NEXT"), menu("DELETE"), menu("GET PREV"), menu("GET NEXT"), menu("", true)})
        norak::add_reply(r);
    EDTMSG(st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(has("dialog 1.1: FIRST MESSAGE EXCEEDED"));
    EXPECT_FALSE(has("ERRORS IN LIST"));
    EXPECT_EQ(norak::transcript_count("MSG=B"), 1u);
    EXPECT_EQ(norak::replies_left(), 0u);

    // An insertion whose block the list refuses ends as a list error, said.
    tool_path(2);
    for (const auto& r : {menu("MESSAGE"), text("HELLO")}) norak::add_reply(r);
    norak::fail_alloc_after(1);
    i32 inserted = -1;
    INSMSG(0, inserted, st);
    EXPECT_EQ(st, -3);
    EXPECT_EQ(inserted, 0);
    EXPECT_TRUE(has("error: INSMSG, ERRORS IN LIST"));
    EXPECT_EQ(blocks().size(), 7u);
    EXPECT_EQ(norak::replies_left(), 0u);
}

// The list ends in two messages; the last, reached moving backward, is
// deleted: nothing follows it, so GET NEXT finds no message and GET PREV
// the one before it.
TEST(MessageBlocks, TheTailOfTheListIsNoneAfterABackwardDeletion)
{
    fix::fresh();
    i32 answer = 0, st = 0;
    lacces(3, answer);
    fix::line(2, {0, 0, 10});
    fix::message(" A");
    fix::message(" B");
    lacces(2, answer);
    for (const auto& r : {menu("GET NEXT"), menu("GET NEXT"), menu("GET NEXT"), menu("GET PREV"), menu("DELETE"),
                          menu("GET NEXT"), menu("GET PREV"), menu("", true)})
        norak::add_reply(r);
    EDTMSG(st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(blocks(), (std::vector<std::string>{"H", "L", " A"}));
    EXPECT_EQ(norak::transcript_count("dialog 1.1: LAST MESSAGE EXCEEDED"), 2u);
    EXPECT_EQ(norak::transcript_count("MSG=A"), 2u);
    EXPECT_FALSE(has("FIRST MESSAGE EXCEEDED"));
    EXPECT_EQ(norak::replies_left(), 0u);
}

TEST(MessageBlocks, MessagesRunningToTheEndOfTheListAreSkippedWithoutError)
{
    // The list ends in two messages: the cursor lands on the last of them
    // and the end of the list is no list error.
    fix::fresh();
    i32 answer = 0, st = -9;
    lacces(3, answer);
    fix::line(2, {0, 0, 10});
    fix::message(" A");
    fix::message(" B");
    lacces(2, answer);
    lacces(1, answer);  // on the line
    MSGTOP(st);
    EXPECT_EQ(st, 0);
    i32 pos = 0;
    lgtpos(pos);
    EXPECT_EQ(pos, 4);
}

TEST(MessageBlocks, ALongTextIsShownWithinTheDialogWidth)
{
    fix::fresh();
    i32 answer = 0, st = 0;
    lacces(3, answer);
    const std::string body(79, 'A');
    fix::message((" " + body).c_str());
    lacces(2, answer);
    i32 current = 0;
    MSGSTP(1, MSG_ROW, 20, current, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(current, 1);
    // 20 columns less one digit less the label and its blank: 14 characters.
    EXPECT_TRUE(has("dialog 1.1: 1 MSG=" + std::string(14, 'A')));
    EXPECT_EQ(msg_width(), 80);
}

TEST(MessageBlocks, TheSourceProcedureIsBlankedOnce)
{
    fix::fresh();
    EDA2[EDA2_OPENED] = 1;
    EDA2[EDA2_PROC] = 4;
    i32 st = 0;
    WRREC("EDA2", RK_TEXT, EDA2, EDA2_N, st);
    i32 flag = 1, second = 7;
    EDA2BL(flag, second);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(EDA2[EDA2_BLANK], 1);
    EXPECT_TRUE(has("display: blank list 4"));
    flag = 1;
    EDA2BL(flag, second);
    EXPECT_EQ(norak::transcript_count("display: blank list 4"), 1u);
    // A zero flag blanks nothing.
    EDA2[EDA2_BLANK] = 0;
    WRREC("EDA2", RK_TEXT, EDA2, EDA2_N, st);
    flag = 0;
    EDA2BL(flag, second);
    EXPECT_EQ(norak::transcript_count("display: blank list 4"), 1u);
}

}  // namespace

// A message added from the SERVICE menu outside a layer keeps a code-22
// request an earlier edit of the session made.
TEST(MessageBlocks, AMessageAddedOutsideALayerKeepsAnEarlierLayerRequest)
{
    tool_path(2);
    for (const auto& r : {menu("ADD MESSAGE"), menu("MESSAGE"), text("HELLO"), menu("", true), menu("", true)})
        norak::add_reply(r);
    const i32 flags[EDF_N] = {1, 1, 1, 1, 1, 1};
    i32 key[KEY_N] = {2, 1, 2}, type = 2, changed = 0, code22 = 1, pathchg = 0, callers = 0, request = 0,
        subchg = 0, count = 0, st = -9;
    EDTSRV(flags, changed, code22, pathchg, callers, request, subchg, type, key, count, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(pathchg, 1);
    EXPECT_EQ(code22, 1);
}
