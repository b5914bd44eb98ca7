// Messages inserted at a place chosen by the target procedure: before the
// chosen procedure's block, after the last one when the choice lies past
// it, and a list that does not hold the procedures counted reported.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "edit/msgblk.h"
#include "edit/proctab.h"
#include "tests/edit/fixture.h"

namespace {

// A tool path of three procedures at the top level, counted (count) in
// the procedure table, the cursor on the header.
void three_procedures(i32 count, const std::string& replies)
{
    std::string text = fix::session(1.0);
    text.pop_back();  // the closing brace: the replies go in before it
    fix::fresh_session(text + ", \"replies\": " + replies + "}");
    const i32 dt[6] = {2024, 1, 2, 3, 4, 5};
    for (int k = 0; k < 3; ++k) {
        fix::procedure(9, "P", dt);
        i32 st = 0;
        CLSSBL(st);
        ASSERT_EQ(st, 0);
    }
    i32 answer = 0;
    lacces(2, answer);
    std::memset(&PRCTAB, 0, sizeof PRCTAB);
    std::memcpy(NPT1, "TP-T    ", 8);
    norak::settings().extflag = 1;
    PRCTAB.count = count;
    for (i32 k = 1; k <= count; ++k) {
        PRCTAB.type[k] = 9;
        PRCTAB.number[k] = k;
        PRCTAB.state[k] = 1;
        PRCTAB.blank[k] = 1;
        std::snprintf(PRCTAB.comment[k], 21, "C%d", k);
    }
}

std::vector<std::string> blocks() { return fix::list_blocks(); }

// The list of targets (offered in the pick mode), the rows chosen (the
// procedure lines start at row 7), one message typed, the insertion menu
// left, the next target cancelled.
std::string insert_at(std::initializer_list<i32> rows, const char* text)
{
    std::string r = R"([{"menu": "SELECT FROM LIST"})";
    for (i32 row : rows) r += R"(, {"menu": )" + std::to_string(row) + "}";
    return r + R"(, {"menu": "CONTINUE"}, {"menu": "MESSAGE"}, {"answer": ")" + text +
           R"("}, {"menu": 0, "escape": true}, {"menu": 0, "escape": true}])";
}

TEST(MessagePlace, BeforeTheChosenProcedureOrAfterTheLast)
{
    // The second procedure: the message goes before its block.
    three_procedures(3, insert_at({8}, "TWO"));
    i32 inserted = 0, st = 9;
    INSMSG(1, inserted, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(blocks(), (std::vector<std::string>{"H", "P", " TWO", "P", "P"}));
    // The first, chosen after the second: right after the header.
    three_procedures(3, insert_at({8, 7}, "ONE"));
    INSMSG(1, inserted, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(blocks(), (std::vector<std::string>{"H", " ONE", "P", "P", "P"}));
    // The line below the last: after the last procedure.
    three_procedures(3, insert_at({10}, "END"));
    INSMSG(1, inserted, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(blocks(), (std::vector<std::string>{"H", "P", "P", "P", " END"}));
}

TEST(MessagePlace, AListWithoutTheProcedureCountedIsAnError)
{
    // Five procedures counted, three in the list: the fourth is not found.
    three_procedures(5, R"([{"menu": "SELECT FROM LIST"}, {"menu": 10}, {"menu": "CONTINUE"}])");
    // (row 10: the fourth procedure)
    i32 inserted = 0, st = 0;
    INSMSG(1, inserted, st);
    EXPECT_EQ(st, -3);
    EXPECT_EQ(inserted, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_TRUE(norak::transcript_has("INSMSG, ERRORS IN LIST"));
    EXPECT_FALSE(norak::transcript_has("prompt: SEL. INSERT OPTION"));
    EXPECT_EQ(blocks(), (std::vector<std::string>{"H", "P", "P", "P"}));
}

}  // namespace
