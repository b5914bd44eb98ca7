// The host rules the manual editor depends on: where the cursor lands after
// a deletion or a write, the editor's menu columns and their replies, the
// pick of a tool path block and a pick answered from the menu.
#include <gtest/gtest.h>

#include <cmath>
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

TEST_F(Editing, ThePlaneFitAndTheCrossingOfTwoSegments)
{
    // Points of the plane z = x + 1: the normal is (-1, 0, 1) made unit
    // (its two components equal in size, of opposite signs).
    const f64 pts[12] = {0, 0, 1, 4, 0, 5, 4, 3, 5, 1, 7, 2};
    f64 plane[4];
    i32 st = 99;
    lsqrpl(4, pts, plane, st);
    ASSERT_EQ(st, 0);
    const f64 r = 1.0 / std::sqrt(2.0);
    EXPECT_NEAR(std::fabs(plane[0]), r, 1e-9);
    EXPECT_NEAR(plane[1], 0.0, 1e-9);
    EXPECT_NEAR(std::fabs(plane[2]), r, 1e-9);
    EXPECT_LT(plane[0] * plane[2], 0.0);
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(plane[0] * pts[3 * k] + plane[1] * pts[3 * k + 1] + plane[2] * pts[3 * k + 2] + plane[3], 0.0,
                    1e-9);
    // Too few points, or points on one line: no plane.
    lsqrpl(2, pts, plane, st);
    EXPECT_EQ(st, -1);
    const f64 line[9] = {0, 0, 0, 1, 1, 1, 3, 3, 3};
    lsqrpl(3, line, plane, st);
    EXPECT_EQ(st, -1);

    const f32 a1[3] = {0, 0, 7}, a2[3] = {10, 10, 7}, b1[3] = {10, 0, 0}, b2[3] = {0, 10, 0};
    f32 x[3] = {9, 9, 9};
    int2l(a1, a2, b1, b2, x, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(x[0], 5.0f, 1e-5f);
    EXPECT_NEAR(x[1], 5.0f, 1e-5f);
    // Meeting at an end counts; apart, or parallel, does not.
    const f32 c1[3] = {10, 10, 0}, c2[3] = {20, 0, 0};
    int2l(a1, a2, c1, c2, x, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(x[0], 10.0f, 1e-5f);
    const f32 d1[3] = {11, 0, 0}, d2[3] = {20, -5, 0};
    int2l(a1, a2, d1, d2, x, st);
    EXPECT_EQ(st, 1);
    const f32 e1[3] = {1, 0, 0}, e2[3] = {11, 10, 0};
    int2l(a1, a2, e1, e2, x, st);
    EXPECT_EQ(st, 1);
}

TEST_F(Editing, TheWorkingViewIsSetAndSavedOnTheDisplay)
{
    i32 view = 0;
    setwv(3);
    gsvnum(view);
    EXPECT_EQ(view, 3);
    wvsave();
    EXPECT_TRUE(norak::transcript_has("display: working view 3"));
    EXPECT_TRUE(norak::transcript_has("display: working view 3 saved"));
    const i32 key[3] = {2, 1, 4}, last[3] = {2, 1, 6};
    ncd_set_blocks_attention(-1, key, last, 1);
    EXPECT_TRUE(norak::transcript_has("display: attention on list 1 block 4 to 6"));
}
