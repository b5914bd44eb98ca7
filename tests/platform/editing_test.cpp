// The host rules the manual editor depends on: where the cursor lands after
// a deletion or a write, the editor's menu columns and their replies, the
// pick of a tool path block and a pick answered from the menu.
#include <gtest/gtest.h>

#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"

namespace {
class Editing : public ::testing::Test {
protected:
    void SetUp() override { norak::reset(); }
};

// A fresh main list of elements whose first words are the values.
void fill(std::initializer_list<i32> values)
{
    for (i32 v : values) {
        i32 st = 0;
        lcreat(0, st);
        ASSERT_EQ(st, 0);
        lputd(st, 1, &v);
        lclos();
    }
}

std::vector<i32> firsts()
{
    std::vector<i32> out;
    for (size_t k = 0; k < norak::element_count(); ++k) out.push_back(norak::element_words_at(k)[0]);
    return out;
}

i32 here()
{
    i32 w = -1, st = 0;
    lclos();
    lgetd(st, 1, &w);
    lclos();
    return st == 1 ? w : -1;
}

void reply(const std::string& answer, const std::string& value = "", bool escape = false)
{
    norak::Reply r;
    r.kind = "menu";
    r.answer = answer;
    r.value = value;
    r.escape = escape;
    norak::add_reply(r);
}
}  // namespace

TEST_F(Editing, DeletingForwardStandsBeforeAndBackwardAfterTheDeletedBlock)
{
    fill({1, 2, 3, 4});
    i32 ans = 0, st = 0;
    lacces(2, ans);
    lacces(1, ans);  // on 2
    ldelet(1, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(here(), 1);  // a forward walk goes on with "next"
    lacces(1, ans);        // on 3
    ldelet(-1, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(firsts(), (std::vector<i32>{1, 4}));
    EXPECT_EQ(here(), 4);  // a backward walk goes on with "previous"
    ldelet(-1, st);        // the last one: the cursor on the one before
    EXPECT_EQ(here(), 1);
    EXPECT_EQ(firsts(), (std::vector<i32>{1}));
    for (i32 bad : {0, -2}) {
        ldelet(bad, st);
        EXPECT_EQ(st, -1);
    }
    EXPECT_EQ(firsts(), (std::vector<i32>{1}));
}

TEST_F(Editing, AWriterInsertsAfterTheCurrentBlockAndStandsOnIt)
{
    fill({1, 4});
    i32 ans = 0;
    lacces(2, ans);
    fill({2, 3});  // two writes after "1"
    EXPECT_EQ(firsts(), (std::vector<i32>{1, 2, 3, 4}));
    EXPECT_EQ(here(), 3);
    i32 pos = 0;
    lgtpos(pos);
    EXPECT_EQ(pos, 3);
}

TEST_F(Editing, MenuColumnsAnswerByPositionAlternativeOrFieldValue)
{
    auto build = [](i32& state, i32& count, f32& delay, i32& fixed) {
        const i32 attrs[6] = {2, 2, 2, 2, 2, 2};
        modcls(6, attrs);
        i32 one = 1, none = 0;
        modmc2("MOVE TOOL", one, 1);
        modumc(" ", none);
        modcls(6, attrs);
        modmc2("JUMP START  >@JUMP END    >@JUMP BLOCK  >", state, 0);
        modic2("COUNT", count, 1, 9999, 1);
        modrc2("DELAY", delay, 0.0f, 10.0f, 0);
        modic2("L:BLK", fixed, fixed, fixed, 0);
        prcont();
        i32 r = 99;
        modif1(r);
        return r;
    };
    i32 state = 3, count = 1, fixed = 7;
    f32 delay = 0.001f;
    reply("JUMP END");
    reply("COUNT", "12");
    reply("DELAY", "0.5");
    reply("L:BLK", "8");
    reply("0");
    reply("", "", true);
    EXPECT_EQ(build(state, count, delay, fixed), 3);
    EXPECT_EQ(state, 2);  // the alternative named, not the next one
    EXPECT_TRUE(norak::transcript_has("menu: MOVE TOOL*@ @JUMP BLOCK  >@COUNT = 1*@DELAY = 0.001@L:BLK = 7"));
    EXPECT_EQ(build(state, count, delay, fixed), 4);
    EXPECT_EQ(count, 12);
    EXPECT_EQ(build(state, count, delay, fixed), 5);
    EXPECT_EQ(delay, 0.5f);
    EXPECT_EQ(build(state, count, delay, fixed), 6);  // a fixed field keeps its value
    EXPECT_EQ(fixed, 7);
    EXPECT_EQ(build(state, count, delay, fixed), 0);
    EXPECT_EQ(build(state, count, delay, fixed), -2);
    // Outside the columns the execution form is unchanged: no row numbers.
    prcont();
    i32 sel = 1;
    modmc2("EXECUTION:RESUME@EXECUTION:STOP", sel, 0);
    reply("ACCEPT");
    i32 action = 9;
    modif1(action);
    EXPECT_EQ(action, 0);
}

TEST_F(Editing, APickTakesAToolPathBlockOrAChoiceOfTheMenuShown)
{
    norak::Reply p;
    p.kind = "pick";
    p.entity = 42;
    norak::add_reply(p);
    enatpo();
    i32 st = 9;
    pick(st);
    EXPECT_EQ(st, 0);
    i32 id = 0, key[2] = {0, 0}, count = 0;
    slpopb(id);
    ASSERT_NE(id, 0);
    ncd_get_picked(id, key, 2, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(key[0], 1);   // the list level
    EXPECT_EQ(key[1], 42);  // the block
    // With the editor's menu shown, the user may choose from it instead.
    const i32 attrs[6] = {2, 2, 2, 2, 2, 2};
    modcls(6, attrs);
    i32 one = 1;
    modmc2("EXIT", one, 0);
    reply("EXIT");
    enatpo();
    pick(st);
    EXPECT_EQ(st, 1);
    setatn(1);
}
