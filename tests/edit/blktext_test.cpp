// The layer check around the current block, the mark after the message edit,
// the rewrite of a procedure's text items, and the technology parameters the
// editor's next technology block restates.
#include <gtest/gtest.h>

#include <string>

#include "blocks/listacc.h"
#include "blocks/tech.h"
#include "core/codedio.h"
#include "edit/blktext.h"
#include "edit/prmflg.h"
#include "tests/edit/editor_common.h"

namespace {
// Stands on the n-th block of the main list (from 1, after the header).
void stand_on(i32 n)
{
    i32 answer = 0, st = 0;
    lacces(2, answer);
    TPJUMP(n, st);
    ASSERT_GE(st, 0);
}

i32 current_number()
{
    i32 size = 0, type = 0, cls = 0, number = 0, st = 0;
    TPBLKH(AM_LIST, size, type, cls, st);
    tpget(AM_LIST, 1, DT_INT, &number, st);
    lclos();
    return number;
}
}  // namespace

TEST(LayerCheck, AnswersWhetherTheNearestLayerMarkerBeforeOpensALayer)
{
    ed::fresh();
    ed::line(0);         // 1
    fix::marker(3, 5);   // 2 a layer opens
    ed::line(10);        // 3
    fix::message("HI");  // 4
    fix::marker(4);      // 5 the layer closes
    ed::line(20);        // 6
    const i32 want[7] = {0, 0, 1, 1, 1, 0, 0};
    for (i32 n = 1; n <= 6; ++n) {
        stand_on(n);
        const i32 before = current_number();
        i32 st = 99;
        EXPECT_EQ(CHKLYR(st), want[n]) << "block " << n;
        EXPECT_EQ(st, 0);
        EXPECT_EQ(current_number(), before) << "the position is kept";
    }
    // A block whose header cannot be read between the current block and
    // the marker: a list failure, and the position is still kept.
    i32 answer = 0, st = 0;
    stand_on(3);
    lcreat(-1, st);  // an element of no words after block 3
    lclos();
    ASSERT_EQ(st, 0);
    stand_on(5);
    const i32 before = current_number();
    EXPECT_EQ(CHKLYR(st), 0);
    EXPECT_EQ(st, -3);
    EXPECT_TRUE(norak::transcript_has("internal: CHKLYR,ERRORS IN LIST"));
    EXPECT_EQ(current_number(), before);
    (void)answer;
}

TEST(MessageMark, AMotionIsMarkedItselfAnotherBlockMarksTheNextMotion)
{
    ed::fresh();
    ed::line(0);         // 1
    fix::message("HI");  // 2
    ed::line(10);        // 3
    i32 key[KEY_N], st = 99;
    blkkey(key, -1);
    stand_on(1);
    MSGMRK(key, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(key[2], 1);
    EXPECT_TRUE(norak::transcript_has("display: attention on list 1 block 1 to 1"));
    stand_on(2);
    MSGMRK(key, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(key[2], 3);
    // A message that ends the list has no motion after it: nothing is
    // marked, and that is no failure.
    fix::message("LAST");  // 4
    stand_on(4);
    MSGMRK(key, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(key[2], -1);
}

TEST(BlockTexts, ItemsAreRewrittenInPlaceAndWhatDoesNotFitIsRefused)
{
    ed::fresh();
    const i32 date[6] = {2024, 1, 2, 3, 4, 5};
    fix::procedure(9, "OLD NAME", date);
    i32 st = 0;
    CLSSBL(st);
    ASSERT_EQ(st, 0);
    auto text = [](i32 code) {
        char t[24] = {0};
        i32 length = 0, st2 = 0, tl = 0;
        GTTEXT(AM_LIST, 0, GR_GLOBAL, code, 20, length, t, st2, tl);
        return std::string(t, static_cast<size_t>(std::max(0, std::min<i32>(length, 20))));
    };
    CHTEXT(AM_LIST, GR_GLOBAL, 29, "2 of 3 FINISH", st, 13);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(text(29).substr(0, 13), "2 of 3 FINISH");
    // A text longer than the item is cut to it.
    CHTEXT(AM_LIST, GR_GLOBAL, 29, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", st, 26);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(text(29), "ABCDEFGHIJKLMNOPQRST");
    // An entity, another group or another code: nothing changes.
    CHTEXT(AM_ENTITY, GR_GLOBAL, 29, "X", st, 1);
    EXPECT_EQ(st, -1);
    CHTEXT(AM_LIST, GR_MACHINE, 29, "X", st, 1);
    EXPECT_EQ(st, -1);
    CHTEXT(AM_LIST, GR_GLOBAL, 31, "X", st, 1);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(text(29), "ABCDEFGHIJKLMNOPQRST");
    // An item claiming six words: refused, the words after it untouched.
    const auto words = norak::main_list().elems[1].words;
    PLFIND(GR_GLOBAL, 29, st);
    ASSERT_EQ(st, 0);
    i32 six = 7;
    lchang(1, &six, st);
    lclos();
    auto claimed = norak::main_list().elems[1].words;
    CHTEXT(AM_LIST, GR_GLOBAL, 29, "ZZZZZZZZZZZZZZZZZZZZZZZZ", st, 24);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(norak::main_list().elems[1].words, claimed);
    EXPECT_EQ(words.size(), claimed.size());
    // An item of no words: nothing to replace, and no refusal.
    PLFIND(GR_GLOBAL, 29, st);
    i32 none = 1;
    lchang(1, &none, st);
    lclos();
    claimed = norak::main_list().elems[1].words;
    CHTEXT(AM_LIST, GR_GLOBAL, 29, "Z", st, 1);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::main_list().elems[1].words, claimed);
    EXPECT_EQ(norak::transcript_count("internal: CHTEXT, TEXT ITEM LONGER THAN ITS CODE ALLOWS"), 1u);
}

TEST(EditFlags, TheRestatedParametersFollowTheNcKind)
{
    struct Row {
        i32 kind;
        std::vector<std::pair<i32, i32>> restated;  // parameter, requested value
        std::vector<i32> written;                   // write flag of the call
    };
    std::vector<std::pair<i32, i32>> wire;
    for (i32 p : {11, 12, 13, 14, 15, 16}) wire.push_back({p, 0});
    for (i32 p = 20; p <= 40; ++p) wire.push_back({p, 0});
    wire.push_back({55, 0});
    wire.push_back({100, 0});
    const std::vector<std::pair<i32, i32>> mill = {{1, 1}, {2, 5}, {3, 6}, {10, 7}, {55, 21}, {100, 12}};
    const std::vector<std::pair<i32, i32>> other = {{51, 0}, {52, 14}, {53, 16}, {54, 0}, {55, 21}, {100, 12}};
    const std::vector<Row> rows = {
        {22, mill, {1, 2, 3, 10, 55, 100}}, {26, mill, {1, 2, 3, 10, 55, 100}}, {31, mill, {1, 2, 3, 10, 55, 100}},
        {61, wire, {15, 55, 100}},          {80, wire, {15, 55, 100}},          {21, other, {52, 53, 55, 100}},
        {27, other, {52, 53, 55, 100}},     {32, other, {52, 53, 55, 100}},     {81, other, {52, 53, 55, 100}},
    };
    for (const Row& r : rows)
        for (i32 flag : {0, 5}) {
            NPT1[NPT1_MACHINE] = r.kind;
            for (i32 p = 1; p <= NTPAR; ++p) {
                TECHST.status[p] = 9;
                TECHST.lastcode[p] = TECHST.requested[p] = TECHST.wflag[p] = 9;
            }
            i32 st = 99;
            PRMFLG(flag, st);
            EXPECT_EQ(st, 0);
            for (i32 p = 1; p <= NTPAR; ++p) {
                i32 status = 0, requested = 0, wflag = 1;
                for (const auto& [q, v] : r.restated)
                    if (q == p) status = 2, requested = v;
                for (i32 q : r.written)
                    if (q == p) wflag = flag != 0 ? 2 : 1;
                EXPECT_EQ(TECHST.status[p], status) << r.kind << " parameter " << p;
                EXPECT_EQ(TECHST.requested[p], requested) << r.kind << " parameter " << p;
                EXPECT_EQ(TECHST.wflag[p], wflag) << r.kind << " flag " << flag << " parameter " << p;
                EXPECT_EQ(TECHST.lastcode[p], 0);
            }
        }
}
