// Walking the list, sub-lists under a procedure block, and block parameters
// by group and code.
#include "tests/blocks/common.h"

using dump::R;
using dump::Words;

namespace {
// A procedure-like block: groups 24, 27, 23 and 25, then the closing item.
// Code 10 stands only in group 23; code 20 of group 24 holds `blocks`.
Words proc_words(i32 number, i32 blocks)
{
    Words g24{20, 2, 0, blocks, 31, 2, 0, 1, 5, 4, 1, R(1.0f), R(2.0f), R(3.0f)};
    Words g27{51, 2, 0, 77, 82, 2, 0, 1};
    Words g23{0, 2, 0, 22, 10, 2, 0, 3};
    Words w{12, number, 9, 24, static_cast<i32>(g24.size())};
    w.insert(w.end(), g24.begin(), g24.end());
    w.push_back(27);
    w.push_back(static_cast<i32>(g27.size()));
    w.insert(w.end(), g27.begin(), g27.end());
    w.push_back(23);
    w.push_back(static_cast<i32>(g23.size()));
    w.insert(w.end(), g23.begin(), g23.end());
    w.insert(w.end(), {25, 0, 1, 9, 2, 0, 0, 0, 0, 0, 0, 0, 0});
    return w;
}

void lines(i32 n)
{
    for (i32 k = 0; k < n; ++k) {
        const f32 p[3] = {static_cast<f32>(k), 0, 0}, v[3] = {0, 0, 1};
        i32 st = 0;
        PTBT2(AM_APPEND, 2, p, v, 0, st);
        ASSERT_EQ(st, 0);
    }
}

i32 pos()
{
    i32 p = 0;
    lgtpos(p);
    return p;
}
}  // namespace

TEST_F(BlocksTest, WalkingForwardAndBackWithMarks)
{
    lines(4);  // numbers 0..3, cursor on the last
    i32 st = 0;
    EXPECT_EQ(TPJUMP(1, st), 4);
    EXPECT_EQ(st, -2);  // the end: the cursor stays
    EXPECT_EQ(TPJUMP(-2, st), 2);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(TPJUMP(-1, st), 1);
    EXPECT_EQ(st, 1);  // the first block
    EXPECT_EQ(TPJUMP(-1, st), 1);
    EXPECT_EQ(st, -2);

    // A failed access in the middle of a jump is an error, not the list's
    // end, whichever step of the jump fails.
    for (const i32 at : {1, 2}) {
        norak::fail_list_call("lacces", at);
        TPJUMP(2, st);
        EXPECT_EQ(st, -1) << at;
        norak::fail_list_call("lacces", 0);
        TPJUMP(-4, st);
    }

    // A mark survives an insert before it and a move to the end.
    i32 answer = 0;
    EXPECT_EQ(TPJUMP(1, st), 2);
    lmark(1, 4, answer);
    ASSERT_EQ(answer, 1);
    lacces(2, answer);
    lacces(-1, answer);  // stays on the first: there is no element before it
    const f32 p[3] = {9, 9, 9}, v[3] = {0, 0, 1};
    PTBT2(AM_LIST, 2, p, v, 50, st);  // inserted after the first
    JMPEND(st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(pos(), 5);
    TPTOP(4, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(pos(), 3);
    i32 number = -1, count = 1;
    TPGETN(AM_LIST, GR_LEAD, 33, count, DT_INT, &number, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(number, 1);
    TPGETN(AM_LIST, GR_LEAD, 35, count, DT_INT, &number, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("TPGETN, ERROR IN CODE"));

    // FNDTYP walks to the next block of a type; at the end it answers -2.
    PUTMRK(1, 5, 7, 0, 0, st);
    lacces(2, answer);
    FNDTYP(99, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(pos(), 4);
    lacces(2, answer);
    FNDTYP(4, st);
    EXPECT_EQ(st, -2);

    // A deleted element loses its mark.
    lacces(2, answer);
    lacces(1, answer);
    lacces(1, answer);
    lmark(1, 5, answer);
    TPDELB(1, st);
    EXPECT_EQ(st, 0);
    TPTOP(5, st);
    EXPECT_EQ(st, -1);
}

// A cursor before the first block (a list just opened, or its first block
// deleted) has a position: a move forward reaches the first block, a move
// back stays and answers -1.
TEST_F(BlocksTest, BeforeTheFirstBlockAMoveForwardReachesIt)
{
    lines(3);
    i32 answer = 0, st = 0;
    lacces(2, answer);
    ldelet(1, st);  // the first block gone: the cursor before the new first
    ASSERT_EQ(st, 0);
    ASSERT_EQ(pos(), 0);
    EXPECT_EQ(TPJUMP(-1, st), 0);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(TPJUMP(1, st), 1);
    EXPECT_EQ(st, 1);
    i32 size = 0, type = 0, cls = 0, number = -1;
    TPBLKH(AM_LIST, size, type, cls, st);
    tpget(AM_LIST, 1, DT_INT, &number, st);
    lclos();
    EXPECT_EQ(number, 1);
}

TEST_F(BlocksTest, EmptyListAnswersAtItsEnds)
{
    i32 st = 0;
    EXPECT_EQ(TPJUMP(1, st), 0);
    EXPECT_EQ(st, -1);  // no position
    JMPEND(st);
    EXPECT_EQ(st, 0);
    i32 size = 0, type = 0, cls = 0;
    TPBLKH(AM_LIST, size, type, cls, st);
    EXPECT_EQ(st, -1);
    norak::settings().tp_open = 0;
    JMPEND(st);
    EXPECT_EQ(st, -2);
    EXPECT_TRUE(norak::transcript_has("JMPEND,LIST ERRORS"));
    i32 bst = 0;
    const f32 p[3] = {0, 0, 0};
    PTBT2(AM_APPEND, 2, p, p, 0, bst);
    EXPECT_EQ(bst, -1);
    EXPECT_TRUE(norak::transcript_has("BLKOPN - ERROR IN OPENNING BLOCK"));
}

TEST_F(BlocksTest, SubListsOpenAndCloseWithTheirCounter)
{
    lines(1);
    put_block(proc_words(4, 12));
    i32 st = 0;
    OPNSBL(st);
    ASSERT_EQ(st, 0);
    i32 level = 0;
    gtlstn(1, level);
    EXPECT_EQ(level, 2);
    EXPECT_EQ(BLSK[0], 1);
    EXPECT_EQ(BLSK[1], 4);
    lines(3);  // numbered 12, 13, 14 in the sub-list
    CLSSBL(st);
    ASSERT_EQ(st, 0);
    gtlstn(1, level);
    EXPECT_EQ(level, 1);
    auto sub = dump::sub_list(1);
    ASSERT_EQ(sub.size(), 3u);
    EXPECT_EQ(sub[0][1], 12);
    EXPECT_EQ(sub[2][1], 14);
    EXPECT_EQ(dump::main_list()[1][8], 15);  // group 24 code 20 now counts 15 blocks

    // A block whose counter item is missing cannot open its sub-list.
    Words w = proc_words(5, 0);
    w[5] = 21;
    put_block(w);
    OPNSBL(st);
    EXPECT_EQ(st, -1);
    gtlstn(1, level);
    EXPECT_EQ(level, 1);
}

TEST_F(BlocksTest, ParametersByGroupAndCodeStopAtTheGroupEnd)
{
    put_block(proc_words(4, 0));
    const Words before = dump::main_list()[0];
    i32 st = 0, count = 1, v = -1;
    TPGETN(AM_LIST, GR_MACHINE, 10, count, DT_INT, &v, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(v, 3);
    // Code 10 is not in group 24: the search stops at the group's end.
    count = 1;
    TPGETC(AM_LIST, GR_GLOBAL, 10, count, DT_INT, &v, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(norak::transcript().size(), 0u);
    TPGETN(AM_LIST, GR_GLOBAL, 10, count, DT_INT, &v, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("PLFIND, INFINITE LOOP, GROUP = 24"));
    EXPECT_TRUE(norak::transcript_has("CODE = 10"));
    // The top level (group 26) sees the groups as items.
    count = 1;
    TPGETN(AM_LIST, GR_TOP, 1, count, DT_INT, &v, st);
    EXPECT_EQ(st, -1);  // 8 values do not fit one word
    EXPECT_EQ(dump::main_list()[0], before);
    i32 header[8];
    count = 8;
    TPGETN(AM_LIST, GR_TOP, 1, count, DT_INT, header, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(count, 8);

    // Change: the values of the segment, in place.
    f32 pt[3] = {7, 8, 9};
    TPCHNN(AM_LIST, GR_GLOBAL, 5, DT_REAL, pt, st);
    EXPECT_EQ(st, 0);
    f32 back[3];
    count = 3;
    TPGETN(AM_LIST, GR_GLOBAL, 5, count, DT_REAL, back, st);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(std::memcmp(back, pt, 12), 0);
    i32 n = 42;
    TPCHNN(AM_LIST, GR_LEAD, 34, DT_INT, &n, st);
    EXPECT_EQ(dump::main_list()[0][2], 42);
    TPCHNN(AM_LIST, GR_GLOBAL, 29, DT_INT, &n, st);
    EXPECT_EQ(st, -1);
    TPGETN(AM_ENTITY, GR_GLOBAL, 5, count, DT_REAL, back, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("TPGETN, WHERE=1 IS NOT PERMITTED"));
    // The change and the quiet read refuse in the reader's words.
    const size_t where1 = norak::transcript_count("TPGETN, WHERE=1 IS NOT PERMITTED");
    const size_t code35 = norak::transcript_count("TPGETN, ERROR IN CODE");
    TPCHNN(AM_ENTITY, GR_GLOBAL, 5, DT_REAL, back, st);
    EXPECT_EQ(st, -1);
    count = 1;
    TPGETC(AM_LIST, GR_LEAD, 35, count, DT_INT, &n, st);
    EXPECT_EQ(st, -1);
    TPCHNN(AM_LIST, GR_LEAD, 35, DT_INT, &n, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(norak::transcript_count("TPGETN, WHERE=1 IS NOT PERMITTED"), where1 + 1);
    EXPECT_EQ(norak::transcript_count("TPGETN, ERROR IN CODE"), code35 + 2);

    // Insert before an anchor: the group grows and later items still answer.
    const i32 colour[1] = {6};
    TPINSC(GR_GLOBAL, 31, 116, DT_INT, 1, colour, st);
    EXPECT_EQ(st, 0);
    Words w = dump::main_list()[0];
    EXPECT_EQ(w[4], 14 + 4);
    EXPECT_EQ(Words(w.begin() + 9, w.begin() + 13), (Words{116, 2, 0, 6}));
    count = 1;
    TPGETN(AM_LIST, GR_GLOBAL, 116, count, DT_INT, &v, st);
    EXPECT_EQ(v, 6);
    count = 1;
    TPGETN(AM_LIST, GR_FLAGS, 82, count, DT_INT, &v, st);
    EXPECT_EQ(v, 1);
    count = 1;
    TPGETN(AM_LIST, GR_MACHINE, 0, count, DT_INT, &v, st);
    EXPECT_EQ(v, 22);
}

// Group 28 is nested like 23, 24, 25 and 27: its code is found inside it,
// not the same code of another group.
TEST_F(BlocksTest, GroupTwentyEightIsSearchedInsideItself)
{
    Words w = proc_words(4, 0);
    const Words g28{10, 2, 0, 7};
    const size_t at = 5 + 14 + 2 + 8;  // after the header, group 24 and group 27
    w.insert(w.begin() + static_cast<std::ptrdiff_t>(at), {28, static_cast<i32>(g28.size())});
    w.insert(w.begin() + static_cast<std::ptrdiff_t>(at + 2), g28.begin(), g28.end());
    put_block(w);
    i32 st = 0, count = 1, v = -1;
    TPGETN(AM_LIST, 28, 10, count, DT_INT, &v, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(v, 7);
    count = 1;
    TPGETN(AM_LIST, GR_MACHINE, 10, count, DT_INT, &v, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(v, 3);
}

TEST_F(BlocksTest, SearchWithAWordBudget)
{
    put_block(proc_words(4, 0));
    i32 answer = 0, st = 0;
    lacces(0, answer);
    TPSKIP(AM_LIST, 3, DT_INT, st);
    i32 budget = 6;  // group 24's code and length, then code 20's segment
    PLFNDG(3, budget, GR_GLOBAL, 31, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("PLFNDG, REQUESTED CODE WAS NOT FOUND"));
    lacces(0, answer);
    TPSKIP(AM_LIST, 3, DT_INT, st);
    budget = 7;
    PLFNDG(3, budget, GR_GLOBAL, 31, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(budget, 0);
    i32 where = 0;
    PLFNDH(GR_FLAGS, 82, where, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(dump::main_list()[0][static_cast<size_t>(where)], 82);
}

// A list that cannot be read is a failure of the search, not a code that
// is missing: none of the searches says "not found" for it.
TEST_F(BlocksTest, FailedListReadIsNoMissingCode)
{
    put_block(proc_words(4, 0));
    for (int which : {0, 1, 2}) {
        i32 st = 0, where = 0, budget = 100;
        if (which == 2) {
            norak::settings().tp_open = 0;  // no list to read from
            PLFNDG(3, budget, GR_GLOBAL, 31, st);
            norak::settings().tp_open = 1;
        } else {
            norak::fail_list_call("lacces", 1);
            if (which == 0) PLFIND(GR_GLOBAL, 31, st);
            if (which == 1) PLFNDH(GR_GLOBAL, 31, where, st);
        }
        EXPECT_EQ(st, -1) << which;
        EXPECT_FALSE(norak::transcript_has("PLFIND, INFINITE LOOP, GROUP = ")) << which;
        EXPECT_FALSE(norak::transcript_has("PLFNDG, REQUESTED CODE WAS NOT FOUND")) << which;
    }
}

TEST_F(BlocksTest, BreakingAStringIntoLines)
{
    for (i32 mode : {1, 2}) {
        SCOPED_TRACE(mode);
        norak::reset();
        i32 st = 0;
        BLKOPN(AM_APPEND, 7, 0, st);
        for (i32 k = 0; k < 3; ++k) {
            const f32 p[3] = {static_cast<f32>(k), 1, 2};
            i32 number = 0;
            NXTBLN(number);
            PTSTRP(AM_APPEND, 7, number, p, nullptr, st);
        }
        BLKCLS(AM_APPEND);
        BRKSTR(mode, st);
        ASSERT_EQ(st, 0);
        auto l = dump::main_list();
        ASSERT_EQ(l.size(), 5u);
        EXPECT_EQ(l[0], (Words{99, 3, 19}));
        for (i32 k = 0; k < 3; ++k) EXPECT_EQ(l[static_cast<size_t>(k) + 1], (Words{2, k, R(static_cast<f32>(k)), R(1), R(2)}));
        EXPECT_EQ(l[4], (Words{99, 4, 20}));
        EXPECT_EQ(pos(), mode == 1 ? 2 : 4);
    }
    i32 st = 0;
    i32 answer = 0;
    lacces(2, answer);
    BRKSTR(1, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("BRKSTR,THE CURRENT BLOCK IS NOT A STRING"));
}

TEST_F(BlocksTest, BadInputIsRefusedAndTheListIsKept)
{
    // A truncated element: the reader stops with -2.
    put_block(Words{2, 0, R(1.0f), R(2.0f)});
    i32 st = 0, size = 0, type = 0, cls = 0, number = 0, recs = 0;
    TPBLKH(AM_LIST, size, type, cls, st);
    ASSERT_EQ(st, 0);
    f32 p[3] = {-1, -1, -1}, v[3];
    RDBT2(AM_LIST, type, 5, recs, number, p, v, st);
    EXPECT_EQ(st, -2);
    EXPECT_EQ(p[2], -1.0f);  // nothing past what the element held

    // An unknown type.
    put_block(Words{15, 0, 1, 2});
    TPBLKH(AM_LIST, size, type, cls, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(cls, BC_ILLEGAL);
    EXPECT_TRUE(norak::transcript_has("PLSUPR - ILLEGAL BLOCK TYPE15"));

    // A text count larger than the reader's 80 characters.
    put_block(Words{4, 0, 200, 1, 2, 3});
    TPBLKH(AM_LIST, size, type, cls, st);
    char text[80];
    std::memset(text, '#', sizeof text);
    i32 len = 0;
    RDBT4(AM_LIST, 0, number, len, text, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(text[0], '#');
    // A NURBS larger than the reader's area.
    put_block(Words{5, 0, 4, 100});
    TPBLKH(AM_LIST, size, type, cls, st);
    i32 k = 0, n = 0;
    f32 knots[8], pts[12];
    RDBT5(AM_LIST, 8, 4, number, k, n, knots, pts, st);
    EXPECT_EQ(st, -1);

    // Mode 7 reads nothing and changes nothing.
    const auto before = dump::main_list();
    number = 77;
    p[0] = 5;
    RDBT2(AM_NONE, 2, 5, recs, number, p, v, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(number, 77);
    EXPECT_EQ(p[0], 5.0f);
    TPBLKH(AM_NONE, size, type, cls, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(dump::main_list(), before);

    // A writer in a mode that takes no block writes nothing.
    PTBT2(AM_NONE, 2, p, v, 0, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(dump::main_list(), before);
}
