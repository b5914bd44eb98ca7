// ALTERATIONS as the user runs it: the selection and parameter menus, the
// choices kept in "ZQA1" after every reply, the operation count, the
// machining type while it runs and after it returns, and a STOP that comes
// back to the parameter menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/intchk.h"
#include "core/params.h"
#include "core/records.h"
#include "edit/alter/contour.h"
#include "edit/alter/trimtp.h"
#include "edit/support.h"
#include "tests/edit/alter_common.h"

namespace {
void answer(const std::string& kind, const std::string& text)
{
    norak::Reply r;
    r.kind = kind;
    r.answer = text;
    norak::add_reply(r);
}
void key_after(i32 polls)
{
    norak::Reply r;
    r.kind = "key";
    r.after_polls = polls;
    norak::add_reply(r);
}
// The interrupt menu's answer (RESUME or STOP).
void interrupt_answer(const char* answer)
{
    norak::Reply r;
    r.kind = "menu";
    r.answer = answer;
    r.expect = "EXECUTION:RESUME@";
    norak::add_reply(r);
}
std::vector<i32> zqa1()
{
    auto it = norak::records().find("ZQA1");
    return it == norak::records().end() ? std::vector<i32>{} : it->second.words;
}
// Lines at z 0 to x = 10, 20, 30, 40 after a feed block.
void path()
{
    alt::feed(100.0f);
    for (f32 x : {10.0f, 20.0f, 30.0f, 40.0f}) alt::line(x, 0, 0);
}
i32 run(i32& reply)
{
    reply = -7;
    trim_tp(0, 0, reply);
    return reply;
}
std::string script()
{
    std::string s;
    for (const auto& l : norak::transcript()) s += l + "\n";
    return s;
}
}  // namespace

TEST(Alterations, AllBlocksMoveByDeltaZCountsOneAndKeepsTheChoices)
{
    alt::fresh({0, 0, 0});
    path();
    HEI8[HEI8_CLEARANCE] = r2wrd(100.0f);
    MACTYP = 2;
    ed::menu("ALL PROCEDURE BLOCKS");
    ed::menu("MOVE BY DELTA Z");       // the action row
    ed::menu("DELTA Z", "15");
    ed::menu("FORWARD: TO END");
    answer("question", "YES");
    ed::menu("EXIT");
    i32 reply = 0;
    ASSERT_NO_THROW(run(reply)) << script();
    EXPECT_EQ(reply, 1) << script();
    EXPECT_EQ(MACTYP, 2);
    EXPECT_EQ(TRMJMP, 0);
    // The whole procedure continues from its start, the end of its first
    // motion: that motion only repeats the start and is deleted, the string
    // ends there with the DEL Z-UP link (up 2), then every motion raised.
    const auto m = alt::moves();
    ASSERT_EQ(m.size(), 4u);
    EXPECT_NEAR(m[0].x, 10.0f, 1e-4f);
    EXPECT_NEAR(m[0].z, 2.0f, 1e-4f);
    for (size_t k = 1; k < m.size(); ++k) EXPECT_NEAR(m[k].z, 15.0f, 1e-4f) << m[k].number;
    // The choices are stored.
    const auto w = zqa1();
    ASSERT_EQ(w.size(), 10u);
    EXPECT_EQ(w[ZQA_ACTION], ACT_MOVE);
    EXPECT_FLOAT_EQ(wrd2r(w[ZQA_DELTAZ]), 15.0f);
}

TEST(Alterations, AProjectionOntoAZPlaneOffersTheZPlaneToBeIndicated)
{
    alt::fresh({0, 0, 0});
    path();
    ed::menu("ALL PROCEDURE BLOCKS");
    ed::menu("PROJECT MOTIONS");
    ed::menu("PROJ.:ALL BLK ON Z PLN");
    ed::menu("EXIT");
    i32 reply = 0;
    run(reply);
    // Both Z-plane options offer it in row 5.
    EXPECT_EQ(alt::count("@PROJ.:BLK BELOW Z PLN@ENTER Z VALUES@"), 2u) << script();
    EXPECT_EQ(alt::count("@PROJ.:ALL BLK ON Z PLN@ENTER Z VALUES@"), 1u) << script();
}

TEST(Alterations, ZQA1IsStoredAfterEachReply)
{
    alt::fresh({0, 0, 0});
    path();
    ed::menu("ALL PROCEDURE BLOCKS");
    ed::menu("MOVE BY DELTA Z");
    ed::menu("DELTA Z", "7");
    ed::menu("EXIT");
    // The script ends here: the call must have written the record on the
    // value's reply, before EXIT was read.
    i32 reply = 0;
    run(reply);
    EXPECT_EQ(reply, 0);
    EXPECT_FLOAT_EQ(wrd2r(zqa1()[ZQA_DELTAZ]), 7.0f);
}

TEST(Alterations, AStopComesBackToTheMenuOfTheSameModeAndTheTypeIsPutBack)
{
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);
    for (i32 k = 1; k <= 8; ++k) alt::line(static_cast<f32>(10 * k), 0, 0);
    HEI8[HEI8_CLEARANCE] = r2wrd(100.0f);
    MACTYP = 14;
    ed::menu("ALL PROCEDURE BLOCKS");
    ed::menu("MOVE BY DELTA Z");
    ed::menu("DELTA Z", "5");
    ed::menu("FORWARD: TO END");
    answer("question", "YES");
    key_after(2);                     // during the region
    interrupt_answer("EXECUTION:STOP");
    ed::menu("ACCEPT");
    answer("question", "YES");        // STOP EXECUTION?
    ed::menu("EXIT");                 // the same mode's menu again
    i32 reply = 0;
    ASSERT_NO_THROW(run(reply)) << script();
    EXPECT_EQ(reply, 0) << script();
    EXPECT_EQ(MACTYP, 14);
    EXPECT_EQ(TRMJMP, 0);
    // The path as far as it was changed: the first motions raised, the rest not.
    const auto m = alt::moves();
    ASSERT_EQ(m.size(), 8u);
    EXPECT_NEAR(m.front().z, 2.0f, 1e-4f);  // the DEL Z-UP link at the start
    EXPECT_NEAR(m[1].z, 5.0f, 1e-4f);
    EXPECT_NEAR(m.back().z, 0.0f, 1e-4f);
    // Two menus of ALL PROCEDURE BLOCKS were shown: before and after the stop.
    EXPECT_GE(alt::count("menu: ALL PROCEDURE BLOCKS"), 2u) << script();
    // After the call a stop goes to the runner, not to ALTERATIONS (no
    // runner waits here: the stop says so and returns).
    EXPECT_NO_THROW(INTSTP());
    EXPECT_TRUE(norak::transcript_has("INTSTP, NO EXECUTION TO STOP"));
}

namespace {
void pick_block(i32 block)
{
    norak::Reply r;
    r.kind = "pick";
    r.entity = block;
    norak::add_reply(r);
}
void pick_end(bool exit)
{
    norak::Reply r;
    r.kind = "pick";
    if (exit)
        r.exit = true;
    else
        r.end = true;
    norak::add_reply(r);
}
// SELECT MOTIONS, one CHAIN picked from the first block to the second.
void pick_chain(i32 first, i32 second)
{
    ed::menu("BY SELECT MOTIONS");
    pick_end(false);  // the mode menu
    ed::menu("CHAIN");
    pick_block(first);
    pick_block(second);
    pick_end(true);
}
}  // namespace

TEST(Alterations, AChainDeletedThroughClearIsJoinedOverTheGap)
{
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);  // 1
    for (f32 x : {5.0f, 10.0f, 20.0f, 30.0f, 40.0f, 50.0f}) alt::line(x, 0, 0);  // 2 .. 7
    HEI8[HEI8_CLEARANCE] = r2wrd(50.0f);
    EDTCX = EditContext{0, 2.0f, 0.1f, 0.1f, 0.0f, 0.0f, 0.0f, 1, 0, 0, 1, 1.0f, 0.0f, 0};  // vertical links
    pick_chain(6, 4);
    ed::menu("FORWARD: TO END");  // DELETE, THROUGH CLEAR by default
    answer("question", "YES");
    ed::menu("EXIT");
    i32 reply = 0;
    ASSERT_NO_THROW(run(reply)) << script();
    EXPECT_EQ(reply, 1) << script();
    const auto m = alt::moves();
    ASSERT_GE(m.size(), 5u) << script();
    EXPECT_NEAR(m[0].x, 5, 1e-4);
    EXPECT_NEAR(m[1].x, 10, 1e-4);
    EXPECT_NEAR(m.back().x, 50, 1e-4);
    // The blocks picked are gone; the gap from x 10 to 40 is crossed at
    // the clearance height.
    bool high = false;
    for (size_t k = 2; k + 1 < m.size(); ++k) {
        EXPECT_FALSE(m[k].z < 1.0f && m[k].x > 10.5f && m[k].x < 39.5f) << k;
        high = high || std::fabs(m[k].z - 50.0f) < 1e-3f;
    }
    EXPECT_TRUE(high) << script();
    EXPECT_NEAR(m[m.size() - 2].x, 40, 1e-4);
    EXPECT_NEAR(m[m.size() - 2].z, 0, 1e-4);
    // The BLOCKS row is marked defined while blocks are picked, and no
    // longer once the run has used them.
    EXPECT_EQ(alt::count("@BLOCKS*@"), 1u) << script();
    EXPECT_EQ(alt::count("@BLOCKS@"), 1u) << script();
}

// A STOP inside a region puts the machine feeds back as they were before
// it: the region's own plunge feed does not stay for the edits after it.
TEST(Alterations, AStopInsideARegionPutsTheMachineFeedsBack)
{
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);  // 1
    for (f32 x : {5.0f, 10.0f, 20.0f, 30.0f, 40.0f, 50.0f}) alt::line(x, 0, 0);  // 2 .. 7
    HEI8[HEI8_CLEARANCE] = r2wrd(50.0f);
    PRM9[4] = 50;  // the machine's plunge percentage
    pick_chain(4, 6);
    ed::menu("MOVE BY DELTA Z");
    ed::menu("DELTA Z", "5");
    ed::menu("HIDE PROC DEFAULTS");  // the defaults rows shown
    ed::menu("PLUNGE FEED %", "80");
    ed::menu("FORWARD: TO END");
    answer("question", "YES");
    key_after(1);  // during the region, after its lift at the plunge feed
    interrupt_answer("EXECUTION:STOP");
    ed::menu("ACCEPT");
    answer("question", "YES");  // STOP EXECUTION?
    ed::menu("EXIT");
    i32 reply = 0;
    ASSERT_NO_THROW(run(reply)) << script();
    EXPECT_EQ(PRM9[4], 50) << script();
}

// A refused close of the chain array still closes the pick array: no array
// of the call is left open without a handle.
TEST(Alterations, ARefusedChainCloseStillClosesThePicks)
{
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);  // 1
    for (f32 x : {5.0f, 10.0f, 20.0f, 30.0f}) alt::line(x, 0, 0);  // 2 .. 5
    const size_t before = norak::open_arrays();
    pick_chain(3, 4);
    ed::menu("EXIT");
    norak::fail_list_call("MM_CLOSE", 1);
    i32 reply = 0;
    ASSERT_NO_THROW(run(reply)) << script();
    EXPECT_TRUE(norak::transcript_has("trim_tp, CLOSE DYNAMIC MEMORY ERROR")) << script();
    EXPECT_EQ(norak::open_arrays(), before + 1) << script();  // the refused one alone
}

// A list failure while the procedure's start is read ends the operation
// before anything is changed: the range is not worked on from no start.
TEST(Alterations, AFailedStartReadChangesNothing)
{
    bool reached = false;
    for (i32 n = 1; n <= 40 && !reached; ++n) {
        alt::fresh({0, 0, 0});
        alt::feed(100.0f);
        for (i32 k = 1; k <= 4; ++k) alt::line(static_cast<f32>(10 * k), 0, 0);
        HEI8[HEI8_CLEARANCE] = r2wrd(100.0f);
        ed::menu("ALL PROCEDURE BLOCKS");
        ed::menu("MOVE BY DELTA Z");
        ed::menu("DELTA Z", "5");
        ed::menu("FORWARD: TO END");
        answer("question", "YES");
        ed::menu("EXIT");
        norak::fail_list_call("lmark", n);
        i32 reply = 0;
        try {
            run(reply);
        } catch (...) {
            continue;  // a failure elsewhere that leaves no menu to answer
        }
        if (!norak::transcript_has("PRVPNT, CANNOT SET A MARKER")) continue;
        reached = true;
        for (const auto& m : alt::moves()) EXPECT_EQ(m.z, 0.0f) << n << script();
    }
    EXPECT_TRUE(reached);
}

// The row after the approach kind: the approach length for the kinds that
// go straight in, the arc radius for those that turn in, none for Z up.
TEST(Alterations, TheApproachKindChoosesItsValueRow)
{
    const char* const kinds[] = {"SRF. Z UP APP.", "SRF. NOR. APP.", "SRF. TAN. APP.", "SRF. TAN. OPP. APP.",
                                 "SRF. HOR. APP.", "SRF. HOR. NOR. APP.", "SRF. HOR. TAN. APP."};
    const char* const rows[] = {"", "SRF. APPROACH", "SRF. ARC RADIUS", "SRF. ARC RADIUS",
                                "SRF. APPROACH", "SRF. APPROACH", "SRF. ARC RADIUS"};
    for (i32 k = 0; k < 7; ++k) {
        SCOPED_TRACE(k);
        alt::fresh({0, 0, 0});
        alt::feed(100.0f);
        for (f32 x : {5.0f, 10.0f, 20.0f, 30.0f}) alt::line(x, 0, 0);
        EDTCX.code = 5;  // a procedure that offers surface approaches
        pick_chain(3, 4);
        ed::menu("HIDE PROC DEFAULTS");  // the defaults rows shown
        if (k > 0) ed::menu(kinds[k]);
        ed::menu("EXIT");
        i32 reply = 0;
        ASSERT_NO_THROW(run(reply)) << script();
        const auto& t = norak::transcript();
        std::string last;
        for (const auto& line : t)
            if (line.rfind("menu: BY SELECT MOTIONS", 0) == 0) last = line;
        for (const char* row : {"SRF. APPROACH", "SRF. ARC RADIUS"})
            EXPECT_EQ(last.find(std::string("@") + row) != std::string::npos, std::string(rows[k]) == row) << last;
    }
}

// A chain of a five-axis path deleted and joined directly: the joining
// line is of the path's kind too.
TEST(Alterations, AChainIsJoinedWithLinesOfThePathsKind)
{
    alt::fresh({0, 0, 0});
    alt::feed(100.0f);  // 1
    for (f32 x : {5.0f, 10.0f, 20.0f, 30.0f, 40.0f, 50.0f}) alt::line(x, 0, 0, 222);  // 2 .. 7
    EDTCX = EditContext{0, 2.0f, 0.1f, 0.1f, 0.0f, 0.0f, 0.0f, 1, 0, 0, 1, 1.0f, 0.0f, 0};
    pick_chain(4, 6);
    ed::menu("CONNECT: DIRECTLY");
    ed::menu("FORWARD: TO END");
    answer("question", "YES");
    ed::menu("EXIT");
    PRM9[PRM9_SHOWTOOL] = 1;  // the procedure writes normals
    i32 reply = 0;
    ASSERT_NO_THROW(run(reply)) << script();
    PRM9[PRM9_SHOWTOOL] = 0;
    EXPECT_EQ(reply, 1) << script();
    const auto m = alt::moves();
    ASSERT_GE(m.size(), 3u) << script();
    EXPECT_NEAR(m[1].x, 10, 1e-4);
    EXPECT_NEAR(m.back().x, 50, 1e-4);
    for (const auto& move : m) EXPECT_EQ(move.type, 222) << move.x << script();
}

namespace {
// The square 10..30 (or from `at` on) as four line entities,
// counter-clockwise (else clockwise).
std::array<i32, 4> square_contour(bool counter_clockwise = true, f64 at = 10)
{
    f64 c[5][2] = {{at, at}, {at + 20, at}, {at + 20, at + 20}, {at, at + 20}, {at, at}};
    if (!counter_clockwise) std::swap(c[1], c[3]);
    std::array<i32, 4> sides{};
    for (size_t k = 0; k < 4; ++k) {
        norak::Entity e;
        e.cls = 2;
        e.type = 1;
        const f64 d[6] = {c[k][0], c[k][1], 0, c[k + 1][0], c[k + 1][1], 0};
        e.words.resize(12);
        std::memcpy(e.words.data(), d, sizeof d);
        sides[k] = norak::add_entity(e);
    }
    return sides;
}
std::array<i32, 4> SIDES{};
// The user picks the square's sides as the contour.
void pick_square()
{
    for (i32 id : SIDES) pick_block(id);
    norak::Reply r;
    r.kind = "pick";
    r.exit = true;
    norak::add_reply(r);
}
// DELETE inside the square with the connect row, every region at once;
// the reply word.
i32 delete_in_square(const std::string& connect)
{
    ed::menu("BY CONTOUR:XY PLANE");
    pick_square();
    ed::menu(connect);
    ed::menu("FORWARD: TO END");
    answer("question", "YES");
    ed::menu("EXIT");
    i32 reply = 0;
    EXPECT_NO_THROW(run(reply)) << script();
    return reply;
}
// The motions' end points are the points wanted, all of the type.
void expect_moves(const std::vector<std::array<f32, 3>>& want, i32 type = 2)
{
    const auto m = alt::moves();
    ASSERT_EQ(m.size(), want.size()) << script();
    for (size_t k = 0; k < m.size(); ++k) {
        EXPECT_NEAR(m[k].x, want[k][0], 1e-3) << k;
        EXPECT_NEAR(m[k].y, want[k][1], 1e-3) << k;
        EXPECT_NEAR(m[k].z, want[k][2], 1e-3) << k;
        EXPECT_EQ(m[k].type, type) << k;  // the path's kind of line
    }
}
}  // namespace

TEST(Alterations, AContourOverAZigzagDeletesItsRegionsInOrderJoinedAlongTheContour)
{
    alt::fresh({0, 0, 0});
    SIDES = square_contour();
    alt::feed(100.0f);        // 1
    alt::line(0, 15, 0);      // 2
    alt::line(40, 15, 4);     // 3: in at x 10 (z 1), out at x 30 (z 3)
    alt::line(40, 25, 4);     // 4
    alt::line(0, 25, 0);      // 5: in at x 30 (z 3), out at x 10 (z 1)
    alt::line(0, 35, 0);      // 6
    EXPECT_EQ(delete_in_square("CONNECT: ALONG CONT."), 2);
    const std::vector<std::array<f32, 3>> want = {
        {0, 15, 0},  {10, 15, 1}, {10, 10, 1.0f + 2.0f * 5 / 30}, {30, 10, 1.0f + 2.0f * 25 / 30}, {30, 15, 3},
        {40, 15, 4}, {40, 25, 4}, {30, 25, 3}, {30, 30, 3.0f - 2.0f * 5 / 30}, {10, 30, 3.0f - 2.0f * 25 / 30},
        {10, 25, 1}, {0, 25, 0},  {0, 35, 0}};
    expect_moves(want);
}

// A path that starts inside the square: its region begins at the
// procedure's start and ends where the path leaves the square.
TEST(Alterations, APathStartingInsideDeletesFromItsStartToWhereItLeaves)
{
    alt::fresh({20, 20, 0});
    SIDES = square_contour();
    alt::feed(100.0f);        // 1
    alt::line(25, 20, 0);     // 2: inside
    alt::line(40, 20, 0);     // 3: out at x 30
    alt::line(50, 20, 0);     // 4
    EXPECT_EQ(delete_in_square("CONNECT: DIRECTLY"), 1);
    expect_moves({{30, 20, 0}, {40, 20, 0}, {50, 20, 0}});
}

// Outside wanted, a path going in from the contour. A first motion that
// ends on it gives no region from the start; the region outside begins
// where the path leaves. A region outside that a motion ends a hair short of
// the contour (within the point tolerance), followed by a motion in that
// crosses only at its start, ends with the motion before it: the path
// inside stays.
TEST(Alterations, OutsideWantedAPathGoingInFromTheContourBoundsTheRegionThere)
{
    struct Case {
        std::array<f32, 3> start;
        std::vector<std::array<f32, 3>> path, want;
    } cases[] = {
        {{0, 0, 0}, {{10, 20, 0}, {20, 20, 0}, {40, 20, 0}, {40, 40, 0}}, {{10, 20, 0}, {20, 20, 0}, {30, 20, 0}}},
        {{20, 20, 0},
         {{25, 20, 0}, {40, 20, 0}, {40, 40, 0}, {0, 40, 0}, {9.9995f, 25, 0}, {20, 25, 0}, {20, 28, 0}},
         {{25, 20, 0}, {30, 20, 0}, {9.9995f, 25, 0}, {20, 25, 0}, {20, 28, 0}}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.start[0]);
        alt::fresh(k.start);
        SIDES = square_contour();
        alt::feed(100.0f);
        for (const auto& p : k.path) alt::line(p[0], p[1], p[2]);
        ed::menu("BY CONTOUR:XY PLANE");
        pick_square();
        ed::menu("DEL.: OUTSIDE CONTOUR");
        ed::menu("CONNECT: DIRECTLY");
        ed::menu("FORWARD: TO END");
        answer("question", "YES");
        ed::menu("EXIT");
        i32 reply = 0;
        EXPECT_NO_THROW(run(reply)) << script();
        EXPECT_EQ(reply, 1) << script();
        expect_moves(k.want);
    }
}

TEST(Alterations, ARegionEnteredAndLeftByRapidsIsDeletedFromTheFirstFeedMotionOverTheRapidsOut)
{
    for (const f32 fast : {-1.0f}) {
        alt::fresh({0, 0, 0});
        SIDES = square_contour();
        alt::feed(100.0f);       // 1
        alt::line(0, 20, 0);     // 2
        alt::feed(fast);         // 3
        alt::line(20, 20, 0);    // 4: rapid in at x 10
        alt::feed(100.0f);       // 5
        alt::line(25, 20, 0);    // 6
        alt::line(25, 25, 0);    // 7
        alt::feed(fast);         // 8
        alt::line(40, 25, 0);    // 9: rapid out at x 30
        alt::feed(100.0f);       // 10
        alt::line(50, 25, 0);    // 11
        EXPECT_EQ(delete_in_square("CONNECT: DIRECTLY"), 1) << fast;
        // The rapid in stays (cut where it crossed); the region runs from the
        // first feed motion inside to the end of the rapid out, joined directly.
        const std::vector<std::array<f32, 3>> want = {{0, 20, 0}, {10, 20, 0}, {20, 20, 0}, {40, 25, 0}, {50, 25, 0}};
        expect_moves(want);
    }
}

TEST(Alterations, AFirstMotionEndingOnTheContourGivesNoRegionFromTheStart)
{
    alt::fresh({0, 0, 0});
    SIDES = square_contour();
    alt::feed(100.0f);     // 1
    alt::line(10, 20, 0);  // 2: ends on the left side
    alt::line(20, 20, 0);  // 3: in
    alt::line(40, 20, 0);  // 4: out at x 30
    EXPECT_EQ(delete_in_square("CONNECT: DIRECTLY"), 1);
    // The first motion stays; the region inside, from the side to x 30, is
    // joined directly.
    const std::vector<std::array<f32, 3>> want = {{10, 20, 0}, {30, 20, 0}, {40, 20, 0}};
    expect_moves(want);
}

TEST(Alterations, AContourRegionIsJoinedWithLinesOfThePathsKind)
{
    alt::fresh({0, 0, 0});
    SIDES = square_contour();
    alt::feed(100.0f);          // 1
    alt::line(0, 20, 0, 222);   // 2
    alt::line(40, 20, 0, 222);  // 3: in at x 10, out at x 30
    PRM9[PRM9_SHOWTOOL] = 1;    // the procedure writes normals
    EXPECT_EQ(delete_in_square("CONNECT: DIRECTLY"), 1);
    PRM9[PRM9_SHOWTOOL] = 0;
    expect_moves({{0, 20, 0}, {10, 20, 0}, {30, 20, 0}, {40, 20, 0}}, 222);
}

TEST(Alterations, DivideByToolIsOfferedByTheToolFactorModeAndAskedFirst)
{
    alt::fresh({0, 0, 0});
    path();
    CMPBLK[3] = 4;
    CMPBLK[55] = 2;
    ed::menu("DIVIDE BY TOOL");
    answer("question", "no");
    i32 reply = 0;
    ASSERT_NO_THROW(run(reply)) << script();
    EXPECT_EQ(reply, 0);
    EXPECT_TRUE(norak::transcript_has("@ALL PROCEDURE BLOCKS@DIVIDE BY TOOL")) << script();
    EXPECT_EQ(alt::count("menu: BY CONTOUR:XY PLANE@"), 1u);  // no parameter menu, no second selection
    EXPECT_EQ(alt::moves().size(), 4u);
    // With the optimizer's stages all off it is not offered.
    const size_t before = norak::transcript_count("DIVIDE BY TOOL");
    CMPBLK[55] = 1;
    ed::menu("ALL PROCEDURE BLOCKS");
    ed::menu("EXIT");
    ASSERT_NO_THROW(run(reply)) << script();
    EXPECT_EQ(norak::transcript_count("DIVIDE BY TOOL"), before);
    CMPBLK[3] = CMPBLK[55] = 0;
}

// The contour is offset by the tool's radius into the side wanted, so that
// the tool's side respects it, whichever way round it was defined: side 1
// (inside) shrinks the square, the other side grows it.
TEST(Alterations, TheContourIsOffsetByTheToolRadiusWhicheverWayItRuns)
{
    for (const bool ccw : {true, false}) {
        for (const i32 side : {1, 2}) {
            alt::fresh({0, 0, 0});
            SIDES = square_contour(ccw);
            PRM9[PRM9_TOOL] = fix::TOOL;  // diameter 10
            trim_state.mode = SEL_XY;
            pick_square();
            i32 n = 0, st = 0;
            f64 length = 0;
            ASSERT_TRUE(offset_contour(0.0f, side, 1, n, length, st)) << script();
            f64 lo = 1e9, hi = -1e9;
            for (size_t k = 0; k < trim_state.polygon.size(); ++k) {
                lo = std::min(lo, trim_state.polygon[k]);
                hi = std::max(hi, trim_state.polygon[k]);
            }
            EXPECT_NEAR(lo, side == 1 ? 15.0 : 5.0, 1e-3) << ccw << " " << side;
            EXPECT_NEAR(hi, side == 1 ? 25.0 : 35.0, 1e-3) << ccw << " " << side;
        }
    }
}

// The contour keeps its entity: one the user picked whole stays when the
// selection goes, one the host made for the selection goes with it.
TEST(Alterations, AContourEntityMadeForTheSelectionGoesWithIt)
{
    alt::fresh({0, 0, 0});
    const f64 q[15] = {10, 10, 0, 30, 10, 0, 30, 30, 0, 10, 30, 0, 10, 10, 0};
    i32 id = 0, st = 0;
    crcmpl(5, q, id, st);
    ASSERT_EQ(st, 0);
    PRM9[PRM9_TOOL] = fix::TOOL;
    trim_state.mode = SEL_XY;
    pick_block(id);
    norak::Reply r;
    r.kind = "pick";
    r.exit = true;
    norak::add_reply(r);
    i32 n = 0;
    f64 length = 0;
    ASSERT_TRUE(offset_contour(0.0f, 1, 1, n, length, st)) << script();
    EXPECT_EQ(trim_state.contour, id);
    EXPECT_EQ(trim_state.contour_made, 0);
    contour_entity_release();
    EXPECT_EQ(norak::entities().count(id), 1u);
    trim_state.contour = id;
    trim_state.contour_made = 1;  // as the host answers for a contour it made
    contour_entity_release();
    EXPECT_EQ(norak::entities().count(id), 0u);
    EXPECT_EQ(trim_state.contour, 0);
}

// A contour in any plane is defined in the plane of the view: in the front
// view a square standing in the XZ plane is offset there, a path point is
// carried into that plane by its x and z, and the work plane is put back.
// A work plane whose matrix cannot be read gives the warning and no polygon.
TEST(Alterations, AContourInAnyPlaneLiesInThePlaneOfTheView)
{
    alt::fresh({0, 0, 0});
    const f32 front[9] = {1, 0, 0, 0, 0, 1, 0, -1, 0};
    i32 view = 0, st = 0;
    trchk(front, view);
    setwv(view);
    // The square's sides: x 10 to 30 and z 10 to 30 at y 0.
    const f64 c[5][2] = {{10, 10}, {30, 10}, {30, 30}, {10, 30}, {10, 10}};
    std::array<i32, 4> sides{};
    for (size_t k = 0; k < 4; ++k) {
        norak::Entity e;
        e.cls = 2;
        e.type = 1;
        const f64 d[6] = {c[k][0], 0, c[k][1], c[k + 1][0], 0, c[k + 1][1]};
        e.words.resize(12);
        std::memcpy(e.words.data(), d, sizeof d);
        sides[k] = norak::add_entity(e);
    }
    PRM9[PRM9_TOOL] = fix::TOOL;  // diameter 10
    trim_state.mode = SEL_PLANE;
    auto define = [&] {
        for (i32 side : sides) pick_block(side);
        norak::Reply r;
        r.kind = "pick";
        r.exit = true;
        norak::add_reply(r);
        i32 n = 0;
        f64 length = 0;
        return offset_contour(0.0f, 1, 1, n, length, st);
    };
    ASSERT_TRUE(define()) << script();
    EXPECT_EQ(trim_state.inplane, 1);
    for (size_t k = 0; k < trim_state.polygon.size(); ++k) {
        EXPECT_GT(trim_state.polygon[k], 15.0 - 1e-3) << k;
        EXPECT_LT(trim_state.polygon[k], 25.0 + 1e-3) << k;
    }
    const f64* m = trim_state.plane;
    const f64 p[3] = {20, 7, 22};
    EXPECT_NEAR(m[0] * p[0] + m[1] * p[1] + m[2] * p[2] + m[3], 20.0, 1e-9);
    EXPECT_NEAR(m[4] * p[0] + m[5] * p[1] + m[6] * p[2] + m[7], 22.0, 1e-9);
    i32 work = 0;
    gswpld(1, 1, work);
    EXPECT_EQ(work, 1);
    work = 99;
    gswpld(2, 1, work);
    EXPECT_FALSE(define());
    EXPECT_TRUE(norak::transcript_has("WARNING: CANNOT CALCULATE OFFSET FOR THE SELECTED CONTOUR."));
    setwv(1);
}

// A contour definition given up (escape at the pick) leads back to the
// selection menu, not on to the parameters with no contour.
TEST(Alterations, AContourGivenUpLeadsBackToTheSelection)
{
    alt::fresh({0, 0, 0});
    SIDES = square_contour();
    path();
    ed::menu("BY CONTOUR:XY PLANE");
    norak::Reply r;
    r.kind = "pick";
    r.escape = true;
    norak::add_reply(r);
    ed::escape();
    ed::escape();
    i32 reply = 0;
    EXPECT_NO_THROW(run(reply)) << script();
    std::vector<std::string> prompts;
    for (const std::string& l : norak::transcript())
        if (l.rfind("prompt: ", 0) == 0 || l.rfind("pick: ", 0) == 0) prompts.push_back(l);
    const std::vector<std::string> want = {"prompt: BLOCKS SELECTION OP.:", "pick: DEFINE CONTOUR",
                                           "prompt: BLOCKS SELECTION OP.:", "prompt: BLOCKS SELECTION OP.:"};
    EXPECT_EQ(prompts, want) << script();
    EXPECT_EQ(norak::replies_left(), 0u);
}

// The title row gives up the region shown with the contour: a new contour
// that no motion crosses finds nothing, and nothing is deleted.
TEST(Alterations, TheTitleRowGivesUpTheRegionShown)
{
    alt::fresh({0, 0, 0});
    SIDES = square_contour();
    alt::feed(100.0f);     // 1
    alt::line(0, 15, 0);   // 2
    alt::line(40, 15, 0);  // 3: through the square
    alt::line(40, 35, 0);  // 4
    ed::menu("BY CONTOUR:XY PLANE");
    pick_square();
    ed::menu("FORWARD: SINGLE");  // the region in line 3 is shown
    ed::menu("BY CONTOUR:XY PLANE");  // the title row
    ed::menu("BY CONTOUR:XY PLANE");
    SIDES = square_contour(true, 100);
    pick_square();
    ed::menu("FORWARD: SINGLE");
    ed::menu("EXIT");
    i32 reply = 0;
    EXPECT_NO_THROW(run(reply)) << script();
    EXPECT_EQ(reply, 0) << script();
    // Line 3 stays whole in its place, only cut where the first walk met the
    // old contour.
    expect_moves({{0, 15, 0}, {10, 15, 0}, {30, 15, 0}, {40, 15, 0}, {40, 35, 0}});
}

// A key pressed while FORWARD: TO END runs asks it to stop after the round
// it came in: in the walk to the first region nothing is worked on (the
// region is only shown); while the first region is deleted, that one only.
TEST(Alterations, AKeyDuringToEndStopsAfterTheRegion)
{
    for (const auto& [polls, regions] : {std::pair<i32, i32>{0, 0}, {5, 1}}) {
        alt::fresh({0, 0, 0});
        SIDES = square_contour();
        alt::feed(100.0f);     // 1
        alt::line(0, 15, 0);   // 2
        alt::line(15, 15, 0);  // 3: in at x 10
        alt::line(20, 15, 0);  // 4
        alt::line(40, 15, 0);  // 5: out at x 30
        alt::line(40, 25, 0);  // 6
        alt::line(0, 25, 0);   // 7: in and out again
        ed::menu("BY CONTOUR:XY PLANE");
        pick_square();
        ed::menu("CONNECT: DIRECTLY");
        ed::menu("FORWARD: TO END");
        answer("question", "YES");
        key_after(polls);
        interrupt_answer("EXECUTION:RESUME");
        ed::menu("ACCEPT");
        ed::menu("EXIT");
        i32 reply = 0;
        EXPECT_NO_THROW(run(reply)) << script();
        EXPECT_EQ(reply, regions) << polls << script();
    }
}

// ALL PROCEDURE BLOCKS offers no DELETE: the stored action DELETE (the
// default) is shown as PROJECT.
TEST(Alterations, AllProcedureBlocksShowsAStoredDeleteAsProject)
{
    alt::fresh({0, 0, 0});
    path();
    ASSERT_EQ(alteration_defaults[ZQA_ACTION], ACT_DELETE);
    ed::menu("ALL PROCEDURE BLOCKS");
    ed::menu("EXIT");
    i32 reply = 0;
    EXPECT_NO_THROW(run(reply)) << script();
    std::string shown;
    for (const std::string& l : norak::transcript())
        if (l.rfind("menu: ALL PROCEDURE BLOCKS@", 0) == 0) shown = l;
    EXPECT_NE(shown.find("@PROJECT MOTIONS@"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("DELETE"), std::string::npos) << shown;
    EXPECT_EQ(zqa1()[ZQA_ACTION], ACT_PROJECT);
}

// FORWARD: SINGLE first only shows the first region; the next FORWARD:
// SINGLE deletes it and shows the second.
TEST(Alterations, ForwardSingleShowsARegionAndTheNextOneDeletesIt)
{
    for (const i32 forwards : {1, 2}) {
        alt::fresh({0, 0, 0});
        SIDES = square_contour();
        alt::feed(100.0f);     // 1
        alt::line(0, 15, 0);   // 2
        alt::line(40, 15, 0);  // 3: through the square
        alt::line(40, 25, 0);  // 4
        alt::line(0, 25, 0);   // 5: through it again
        ed::menu("BY CONTOUR:XY PLANE");
        pick_square();
        ed::menu("CONNECT: DIRECTLY");
        for (i32 k = 0; k < forwards; ++k) ed::menu("FORWARD: SINGLE");
        ed::menu("EXIT");
        i32 reply = 0;
        EXPECT_NO_THROW(run(reply)) << script();
        EXPECT_EQ(reply, forwards - 1) << forwards << script();
    }
}

// A changed CONT. OFFSET builds the polygon again at once, in either plane:
// the tool radius plus 2 is offset, and at minus the tool radius the
// polygon is the contour itself (no offset is made).
TEST(Alterations, AChangedContourOffsetRebuildsThePolygonAtOnce)
{
    for (const char* mode : {"BY CONTOUR:XY PLANE", "BY CONTOUR:ANY PLANE"}) {
        alt::fresh({0, 0, 0});
        SIDES = square_contour();
        path();
        PRM9[PRM9_TOOL] = fix::TOOL;  // diameter 10
        ed::menu(mode);
        pick_square();
        ed::menu("CONT. OFFSET", "2");
        ed::menu("CONT. OFFSET", "-5");
        ed::menu("EXIT");
        i32 reply = 0;
        EXPECT_NO_THROW(run(reply)) << script();
        EXPECT_TRUE(norak::transcript_has("contour: offset by 5.000000")) << mode << script();
        EXPECT_TRUE(norak::transcript_has("contour: offset by 7.000000")) << mode << script();
        EXPECT_EQ(norak::transcript_count("contour: offset by"), 2u) << mode;
        EXPECT_EQ(norak::replies_left(), 0u) << mode;
    }
}

// A region that runs to the procedure's end, from its start or entered
// later, is shown by the first FORWARD: SINGLE and deleted by the next one.
TEST(Alterations, ARegionRunningToTheEndIsDeletedByTheNextForwardSingle)
{
    for (const bool from_start : {true, false}) {
        alt::fresh(from_start ? std::array<f32, 3>{20, 20, 0} : std::array<f32, 3>{0, 0, 0});
        SIDES = square_contour();
        alt::feed(100.0f);  // 1
        if (from_start) {
            alt::line(25, 20, 0);  // 2: inside
            alt::line(28, 20, 0);  // 3: inside to the end
        } else {
            alt::line(0, 15, 0);   // 2
            alt::line(20, 15, 0);  // 3: in at x 10, ends inside
        }
        ed::menu("BY CONTOUR:XY PLANE");
        pick_square();
        ed::menu("CONNECT: DIRECTLY");
        ed::menu("FORWARD: SINGLE");
        ed::menu("FORWARD: SINGLE");
        ed::menu("EXIT");
        i32 reply = 0;
        EXPECT_NO_THROW(run(reply)) << script();
        EXPECT_EQ(reply, 1) << from_start << script();
    }
}

// After a run the blocks are picked again at the next FORWARD; escaping
// that picking leads back to the selection menu, as at the mode's set-up.
TEST(Alterations, EscapingThePickingAgainLeadsBackToTheSelection)
{
    alt::fresh({0, 0, 0});
    path();
    ed::menu("BY SELECT MOTIONS");
    pick_block(3);
    pick_end(true);
    ed::menu("FORWARD: TO END");
    answer("question", "YES");
    ed::menu("FORWARD: TO END");
    answer("question", "YES");
    for (const char* kind : {"pick", "menu"}) {  // the picking, then its mode menu
        norak::Reply esc;
        esc.kind = kind;
        esc.escape = true;
        norak::add_reply(esc);
    }
    ed::menu("ALL PROCEDURE BLOCKS");
    ed::menu("EXIT");
    i32 reply = 0;
    EXPECT_NO_THROW(run(reply)) << script();
    EXPECT_EQ(norak::transcript_count("prompt: BLOCKS SELECTION OP.:"), 2u) << script();
    EXPECT_EQ(norak::replies_left(), 0u) << script();
}
