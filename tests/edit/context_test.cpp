// The editor's support words: the edit context read from a procedure's
// definition block, the in-progress record, and the end vectors that the gap
// reconnection reads from the motions beside a gap.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "blocks/listacc.h"
#include "blocks/procblk.h"
#include "blocks/writers.h"
#include "core/codedio.h"
#include "edit/alter/motion.h"
#include "edit/gapcon.h"
#include "edit/proctab.h"
#include "edit/support.h"
#include "tests/edit/fixture.h"
#include "tools/toolcache.h"

namespace {

// One local item of the definition block: its code and one word, an
// integer or a real.
struct Item {
    i32 code;
    bool real;
    f32 r;
    i32 i;
};
Item ival(i32 code, i32 v) { return {code, false, 0.0f, v}; }
Item rval(i32 code, f32 v) { return {code, true, v, 0}; }

std::vector<Item> ITEMS;

void local_items(const i32&, const i32& medium, i32& counter, i32& status)
{
    for (const Item& it : ITEMS) {
        if (status < 0) return;
        if (it.real) tpptntl(medium, it.code, 1, DT_REAL, &it.r, counter, status);
        else tpptntl(medium, it.code, 1, DT_INT, &it.i, counter, status);
    }
}

// A fresh tool path with one procedure of the code whose local group holds
// the items; the procedure's tool is the fixture's ball of diameter 10. The
// cursor stands on the definition block; the procedure tables know it.
void procedure(i32 code, std::vector<Item> items)
{
    fix::fresh();
    PRM9[PRM9_TOOL] = fix::TOOL;
    i32 st = 0;
    ITEMS = std::move(items);
    i32 answer = 0;
    lacces(3, answer);
    PTBT12(code, 1, -1, fix::nothing, local_items, fix::nothing, 22, st);
    ASSERT_EQ(st, 0);
    CLSSBL(st);
    ASSERT_EQ(st, 0);
    i32 before = 0;
    lgtpos(before);
    PRCTBF(st);
    ASSERT_EQ(st, 0);
    i32 after = 0;
    lgtpos(after);
    ASSERT_EQ(after, before);
}

// The module words a context read changes, put back after each test.
struct KeepContext {
    EditContext context = EDTCX;
    i32 word = PRCKWD;
    ProcTables tables = PRCTAB;
    i32 tool = PRM9[PRM9_TOOL];
    ~KeepContext()
    {
        EDTCX = context;
        PRCKWD = word;
        PRCTAB = tables;
        PRM9[PRM9_TOOL] = tool;
    }
};

EditContext context(i32 code, std::vector<Item> items)
{
    procedure(code, std::move(items));
    EDTCX = EditContext{};
    EDTCX.srfkind = 99;  // the read must set every field
    i32 st = 99;
    EDTCTX(1, st);
    EXPECT_EQ(st, 0);
    return EDTCX;
}

}  // namespace

// Every field of the context read against the one wanted.
void expect_context(const EditContext& c, const EditContext& want)
{
    EXPECT_EQ(c.code, want.code);
    EXPECT_FLOAT_EQ(c.zup, want.zup);
    EXPECT_FLOAT_EQ(c.linktol, want.linktol);
    EXPECT_FLOAT_EQ(c.tol2, want.tol2);
    EXPECT_FLOAT_EQ(c.diameter, want.diameter);
    EXPECT_FLOAT_EQ(c.side, want.side);
    EXPECT_FLOAT_EQ(c.side2, want.side2);
    EXPECT_EQ(c.srfkind, want.srfkind);
    EXPECT_FLOAT_EQ(c.linka, want.linka);
    EXPECT_FLOAT_EQ(c.linkb, want.linkb);
    EXPECT_EQ(c.linkkind, want.linkkind);
    EXPECT_FLOAT_EQ(c.linkfac, want.linkfac);
    EXPECT_FLOAT_EQ(c.linklen, want.linklen);
    EXPECT_EQ(c.onsurf, want.onsurf);
}

TEST(EditContext, EveryFieldComesFromItsItem)
{
    KeepContext keep;
    // Item 58 goes before item 57 for the link tolerance; the part and check
    // offsets (items 55, 56) are reals.
    expect_context(context(27, {rval(16, 3.5f), rval(57, 0.2f), rval(58, 0.05f), rval(25, 0.02f), rval(298, 1.5f),
                                rval(59, 2.5f), ival(63, 2), rval(55, 0.5f), rval(56, 7.25f), ival(230, 3), rval(266, 0.5f),
                                rval(234, 6.0f)}),
                   {27, 3.5f, 0.05f, 0.02f, 10.0f, 1.5f, 2.5f, 2, 0.5f, 7.25f, 3, 0.5f, 6.0f, 1});
}

TEST(EditContext, MissingItemsLeaveTheDefaults)
{
    KeepContext keep;
    // Item 57 gives the link tolerance when item 58 is missing; the link
    // items of another family are not read for the code.
    const f32 third = 10.0f * 0.33333334f;
    expect_context(context(5, {rval(57, 0.2f), ival(230, 3), ival(349, 4)}),
                   {5, 2.0f, 0.2f, 0.1f, 10.0f, third, third, 1, 0, 0, 1, 1.0f, 10.0f, 1});
    // The side offset given, the second one follows it.
    expect_context(context(34, {rval(298, 2.0f), ival(349, 2), rval(353, 0.25f), rval(354, 4.0f)}),
                   {34, 2.0f, 0.1f, 0.1f, 10.0f, 2.0f, 2.0f, 1, 0, 0, 2, 0.25f, 4.0f, 1});
    // Each code reads the link kind of its family and no other.
    const std::vector<Item> kinds = {ival(17, 4), ival(230, 3), ival(349, 2), ival(82, 1)};
    for (const i32 code : {5, 9, 14, 35, 36, 37}) EXPECT_EQ(context(code, kinds).linkkind, 4) << code;
    const EditContext c = context(14, {ival(17, 2), rval(48, 0.75f), rval(49, 8.0f)});
    EXPECT_FLOAT_EQ(c.linkfac, 0.75f);
    EXPECT_FLOAT_EQ(c.linklen, 8.0f);
    for (const i32 code : {27, 48, 56}) EXPECT_EQ(context(code, kinds).linkkind, 3) << code;
    for (const i32 code : {34, 38}) EXPECT_EQ(context(code, kinds).linkkind, 2) << code;
}

TEST(EditContext, OnlyTheSurfaceProceduresAllowLinksOnSurfaces)
{
    KeepContext keep;
    // Codes 9, 35, 36 and 37 as item 82 says; the others of the classes
    // always; any other code never.
    for (const i32 code : {5, 14, 27, 34, 38, 48, 56}) EXPECT_EQ(context(code, {ival(82, 0)}).onsurf, 1) << code;
    for (const i32 code : {9, 35, 36, 37}) {
        EXPECT_EQ(context(code, {ival(82, 1)}).onsurf, 1) << code;
        EXPECT_EQ(context(code, {ival(82, 0)}).onsurf, 0) << code;
    }
    for (const i32 code : {4, 6, 15, 26, 28, 47, 49, 55, 57}) EXPECT_EQ(context(code, {ival(82, 1)}).onsurf, 0) << code;
}

TEST(EditContext, AProcedureWithoutSurfaceLinksGoesByVerticalMoves)
{
    KeepContext keep;
    // Code 9 allows surfaces only while item 82 is 1; a code outside the
    // classes never does. Either way the link kind read is overruled.
    PRCKWD = 1;
    EXPECT_EQ(context(9, {ival(17, 3), ival(82, 1)}).linkkind, 3);
    EXPECT_EQ(EDTCX.onsurf, 1);
    const EditContext c = context(9, {ival(17, 3), ival(82, 0)});
    EXPECT_EQ(c.linkkind, 1);
    EXPECT_EQ(c.onsurf, 0);
    EXPECT_EQ(PRCKWD, 0);
    PRCKWD = 1;
    const EditContext d = context(52, {ival(17, 3), ival(63, 2)});
    EXPECT_EQ(d.linkkind, 1);
    EXPECT_EQ(d.onsurf, 0);
    EXPECT_EQ(d.srfkind, 2);
}

TEST(InProgressRecord, HoldsOneOnlyForOne)
{
    norak::reset();
    auto word = [](i32 value) {
        UITSET(value);
        const auto& r = norak::records();
        const auto it = r.find("UITR");
        EXPECT_NE(it, r.end());
        if (it == r.end()) return -99;
        EXPECT_EQ(it->second.kind, 3);
        EXPECT_EQ(it->second.words.size(), 1u);
        return it->second.words.empty() ? -99 : it->second.words[0];
    };
    EXPECT_EQ(word(1), 1);
    EXPECT_EQ(word(0), 0);
    EXPECT_EQ(word(1), 1);
    EXPECT_EQ(word(2), 0);
    EXPECT_EQ(word(-1), 0);
    norak::reset();
}

namespace {

// A tool path of: a line with a tilted vector (block 1), a NURBS curve of
// order 3 over four control points (2), a string of three points (3), a
// marker (4), an arc in the XY plane turning left (5), a line (6). The
// vector that each motion gives at either end is distinct.
void gap_path()
{
    fix::fresh();
    i32 answer = 0, st = 0;
    lacces(3, answer);
    const f32 p1[3] = {0, 0, 0}, v1[3] = {0, 0.6f, 0.8f};
    PTBT2(AM_APPEND, 22, p1, v1, 0, st);
    const f64 knots[7] = {0, 0, 0, 0.5, 1, 1, 1};
    const f64 pts[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    PTBT5(AM_APPEND, 5, 3, 4, knots, pts, 0, st);
    fix::string(27, {{20, 0, 0}, {21, 0, 0}, {22, 0, 0}}, {{1, 0, 0}, {0, 1, 0}, {0.6f, 0, 0.8f}});
    fix::marker(5);
    const f32 centre[2] = {30, 10}, end[3] = {40, 10, 4}, zaxis[3] = {0, 0, 1};
    PTBT3(AM_APPEND, 3, 1, 1.5f, 0.1f, centre, end, zaxis, 0, st);
    const f32 p6[3] = {50, 0, 0};
    PTBT2(AM_APPEND, 2, p6, zaxis, 0, st);
    ASSERT_EQ(st, 0);
}

// The cursor on the block of the path (list position block + 1).
void stand_on(i32 block)
{
    i32 answer = 0, st = 0;
    lacces(2, answer);
    TPJUMP(block, st);
}

using V = std::vector<f32>;

// A read of the vector on one side of the block the cursor stands on.
struct Case {
    i32 block, side;
    V given;
    i32 found;
    V vector;
    const char* what;
};

}  // namespace

TEST(GapEnds, EachMotionKindGivesItsVectorOnTheSideOfTheGap)
{
    gap_path();
    const Case cases[] = {
        // Walking back the block under the cursor comes first: the gap
        // follows it.
        {0, 1, {0, 0, 0}, 0, {0, 0, 1}, "only the header before the first line"},
        {1, 1, {0, 0, 0}, 1, {0, 0.6f, 0.8f}, "the line the gap follows: its vector"},
        {1, 0, {0, 0, 0}, 1, {1, 2, 3}, "the NURBS after it: its first control point"},
        {2, 1, {0, 0, 0}, 1, {10, 11, 12}, "the NURBS the gap follows: its last control point"},
        {2, 0, {0, 0, 0}, 1, {1, 0, 0}, "the string after it: its first point's vector"},
        {3, 1, {0, 0, 0}, 1, {0.6f, 0, 0.8f}, "the string the gap follows: its last point's vector"},
        // The marker is passed over; the arc gives the point beside its end,
        // square to the radius on the side it turns to, at the end's height.
        {3, 0, {0, 0, 0}, 1, {40, 20, 4}, "the arc after the string, past the marker"},
        {4, 1, {0, 0, 0}, 1, {0.6f, 0, 0.8f}, "the string before the marker: its last point's vector"},
        // Walking backward the arc takes the given point as its end.
        {5, 1, {30, 0, 2}, 1, {40, 0, 2}, "the arc the gap follows"},
        {6, 0, {0, 0, 0}, 0, {0, 0, 1}, "nothing after the last line"},
    };
    for (const Case& c : cases) {
        stand_on(c.block);
        i32 before = 0, after = 0;
        lgtpos(before);
        f32 v[3] = {-7, -7, -7};
        EXPECT_EQ(GAPDIR(c.side, c.given[0], c.given[1], c.given[2], v), c.found) << c.what;
        EXPECT_EQ(V(v, v + 3), c.vector) << c.what;
        lgtpos(after);
        EXPECT_EQ(after, before) << c.what;  // the position is kept
    }
}

TEST(BlockCount, IsAMenuItemOfThirtyOneCharacters)
{
    for (const i32 count : {7, -2147483647 - 1}) {
        norak::reset();
        norak::Reply r;
        r.kind = "menu";
        r.escape = true;
        norak::add_reply(r);
        BLKCNT(count);
        std::string item;
        for (const std::string& l : norak::transcript())
            if (l.rfind("menu: ", 0) == 0) item = l.substr(6);
        const std::string text = "NUMBER OF BLOCKS =" + std::to_string(count);
        EXPECT_EQ(item, text + std::string(31 - text.size(), ' '));
    }
    norak::reset();
}

// Blocks of the movement class that are no motion (a drill location, a
// rotation of the axes) are passed over.
TEST(GapEnds, AMovementBlockThatIsNoMotionIsPassedOver)
{
    fix::fresh();
    i32 answer = 0, st = 0;
    lacces(3, answer);
    const f32 p1[3] = {0, 0, 0}, v1[3] = {0, 0.6f, 0.8f}, down[3] = {0, 0, -1}, centre[3] = {0, 0, 0};
    PTBT2(AM_APPEND, 22, p1, v1, 0, st);
    PTBT31(AM_APPEND, p1, down, 0, 0, st);
    PTBT9(AM_APPEND, 2, centre, 1.5707964f, 0, 0.0f, 1, 0.0f, p1, 0, st);
    PTBT2(AM_APPEND, 2, p1, v1, 0, st);
    ASSERT_EQ(st, 0);
    stand_on(3);
    f32 v[3] = {-7, -7, -7};
    EXPECT_EQ(GAPDIR(1, 0, 0, 0, v), 1);
    EXPECT_EQ(V(v, v + 3), (V{0, 0.6f, 0.8f}));
}

// A NURBS block whose point count exceeds the block is not read: the walk
// stops there (the internal error said) and no motion behind it is taken.
TEST(GapEnds, AMotionThatCannotBeReadEndsTheSearch)
{
    gap_path();
    norak::main_list().elems[2].words[3] = 1000;
    stand_on(2);
    f32 v[3] = {-7, -7, -7};
    EXPECT_EQ(GAPDIR(1, 0, 0, 0, v), 0);
    EXPECT_EQ(V(v, v + 3), (V{0, 0, 1}));
    EXPECT_TRUE(norak::transcript_has("NURBS LARGER THAN ITS AREA"));
    i32 position = 0;
    lgtpos(position);
    EXPECT_EQ(position, 3);
}

// The entry run of a procedure: from its first motion to the first motion
// read at the procedure's feed; the list position is kept. Without a tool
// path there is no run.
TEST(FeedRange, RunsFromTheFirstMotionToTheFirstAtTheProcedureFeed)
{
    const f32 keep = EDTFED;
    struct Run {
        std::vector<f32> feeds;  // a feed block (above 0) or a line (0) each
        i32 first, last;
    };
    for (const Run& r : {Run{{100, 0, 0, 600, 0, 0}, 2, 5}, Run{{100, 0, 600, 0, 0}, 2, 4}}) {
        fix::fresh();
        i32 answer = 0, st = 0;
        lacces(3, answer);
        f32 x = 0;
        for (const f32 f : r.feeds) {
            if (f > 0) fix::tech(1, f);
            else fix::line(2, {x++, 0, 0});
        }
        PRM9[PRM9_FEED] = r2wrd(600.0f);
        EDTFED = -1.0f;
        lacces(2, answer);
        TPJUMP(2, st);
        i32 first = 0, last = 0, position = 0;
        st = 99;
        FEDRNG(first, last, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(first, r.first);
        EXPECT_EQ(last, r.last);
        lgtpos(position);
        EXPECT_EQ(position, 3);
    }
    norak::reset();
    i32 first = 0, last = 0, st = 0;
    FEDRNG(first, last, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(first, -1);
    EXPECT_EQ(last, -1);
    EDTFED = keep;
}

TEST(EditContext, WithoutAToolPathTheReadFailsAndLeavesTheDefaults)
{
    KeepContext keep;
    norak::reset();
    EDTCX.linkkind = 3;
    EDTCX.onsurf = 1;
    i32 st = 0;
    EDTCTX(1, st);
    EXPECT_LT(st, 0);
    expect_context(EDTCX, {0, 2.0f, 0.1f, 0.1f, 0.0f, 0.0f, 0.0f, 1, 0, 0, 1, 1.0f, 0.0f, 0});
    norak::reset();
}
