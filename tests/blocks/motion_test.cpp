// Motion output: a scripted engine sequence written through the movement
// writers, technology blocks, markers and arcs.
#include <cmath>

#include "tests/blocks/common.h"

using dump::R;
using dump::Words;

namespace {
// Machine values of the scripted runs: feed 200, spindle 1000 forward,
// coolant 2, percentages 50 for the feed modes 2, 3, 25, 26.
void machine()
{
    PRM9[0] = R(200.0f);
    PRM9[3] = PRM9[4] = PRM9[5] = PRM9[6] = 50;
    PRM9[7] = 1000;
    PRM9[8] = 1;
    PRM9[9] = 2;
    PRM9[21] = R(-2.0f);
    for (i32 p : {1, 2, 3}) {
        TECHST.status[p] = 2;
        TECHST.wflag[p] = 2;
    }
    TECHST.requested[1] = 1;
}

std::vector<i32> types()
{
    std::vector<i32> t;
    for (const auto& e : dump::main_list()) t.push_back(e[0]);
    return t;
}

void line(f32 x, f32 y, f32 z, i32 kind = 1)
{
    const f32 p[3] = {x, y, z}, v[3] = {0, 0, 1};
    i32 st = 0;
    PLINE(kind, p, v, 1, st);
    ASSERT_EQ(st, 0);
}
}  // namespace

TEST_F(BlocksTest, ScriptedSequenceOnAThreeAxisSplittingMachine)
{
    machine();
    i32 st = 0;
    line(0, 0, 10);
    line(5, 5, 0);   // three axes at once: over at the old height, then down
    line(5, 5, 0);   // a repeat: nothing
    line(0, 5, 0);   // two axes: one line
    STPV01(3);       // feed mode 3: 50 % of the feed
    line(0, 0, 0);
    line(1, 0, 0);   // feed unchanged: no technology block
    TECHST.wflag[1] = 2;  // forced rewrite
    line(2, 0, 0);
    PUTMRK(1, 7, 9, 0.0f, 33, st);
    PCLSRQ(st);
    const f32 v[3] = {0, 0, 1};
    for (i32 k = 3; k < 6; ++k) {
        const f32 p[3] = {static_cast<f32>(k), 0, 0};
        MOVSTR(1, p, v, st);
    }
    PCLST1();
    const f32 centre[2] = {5, 1}, end[3] = {6, 1, 0};
    PARCPT(1, 0.01f, 1, static_cast<f32>(M_PI / 2), centre, end, v, st);
    PUTMRK(2, 7, 9, 0.0f, 33, st);
    const f64 kn[6] = {0, 0, 0, 1, 1, 1}, pt[9] = {6, 1, 0, 7, 2, 0, 8, 1, 0};
    PNURB1(3, 3, kn, pt, st);
    PUTBT4(AM_APPEND, 4, 5, "DONE.", 0, st);
    ASSERT_EQ(st, 0);

    EXPECT_EQ(types(), (std::vector<i32>{1, 1, 1, 2, 2, 2, 2, 1, 2, 2, 1, 2, 99, 7, 3, 99, 5, 4}));
    auto l = dump::main_list();
    EXPECT_EQ(l[0], (Words{1, 0, 1, 0, R(200.0f)}));
    EXPECT_EQ(l[1], (Words{1, 1, 2, 0, 1000}));
    EXPECT_EQ(l[2], (Words{1, 2, 3, 0, 2}));
    EXPECT_EQ(l[3], (Words{2, 3, R(0), R(0), R(10)}));
    EXPECT_EQ(l[4], (Words{2, 4, R(5), R(5), R(10)}));
    EXPECT_EQ(l[5], (Words{2, 5, R(5), R(5), R(0)}));
    EXPECT_EQ(l[6], (Words{2, 6, R(0), R(5), R(0)}));
    EXPECT_EQ(l[7], (Words{1, 7, 1, 0, R(100.0f)}));
    EXPECT_EQ(l[10], (Words{1, 10, 1, 0, R(100.0f)}));
    EXPECT_EQ(l[12], (Words{99, 12, 9, 33}));
    EXPECT_EQ(l[13], (Words{7, 13, R(3), R(0), R(0), 14, R(4), R(0), R(0), 15, R(5), R(0), R(0)}));
    EXPECT_EQ(l[14][1], 16);
    EXPECT_EQ(l[14][2], 1);
    EXPECT_NEAR(wrd2r(l[14][4]), 2 * std::acos(1 - 0.01 / 1.0), 1e-6);
    EXPECT_EQ(l[16][1], 18);
    EXPECT_EQ(l[17], (Words{4, 19, 5, 0x454e4f44, 0x2020202e}));
    EXPECT_EQ(MOVST.point[0], 8.0f);
    EXPECT_EQ(MRKSTK.top, -1);
    EXPECT_FALSE(norak::transcript_has("MISSING MARKER"));
    // Every block but the string points was shown once, in order.
    EXPECT_EQ(norak::blocks_displayed(), 17);
}

TEST_F(BlocksTest, MultiAxisMachineStartsWithAVerticalLine)
{
    TPMACH = 25;
    MOVST.newproc = 1;
    line(1, 2, 3);
    line(4, 5, 6);
    EXPECT_EQ(types(), (std::vector<i32>{22, 2}));
    EXPECT_EQ(dump::main_list()[0], (Words{22, 0, R(1), R(2), R(3), R(0), R(0), R(1)}));
    EXPECT_EQ(MOVST.newproc, 0);

    // A multi-axis move keeps its own direction and needs no start line.
    norak::reset();
    MOVCLR();
    MOVST.newproc = 1;
    const f32 p[3] = {1, 1, 1}, d[3] = {0, 0.6f, 0.8f};
    i32 st = 0;
    PLINE(3, p, d, 2, st);
    EXPECT_EQ(types(), (std::vector<i32>{22}));
    PLINE(3, p, d, 2, st);  // the same point and direction: dropped
    const f32 d2[3] = {0.6f, 0, 0.8f};
    PLINE(3, p, d2, 2, st);  // a new direction: written
    EXPECT_EQ(types(), (std::vector<i32>{22, 22}));
    EXPECT_EQ(norak::blocks_displayed(), 0);  // display mode 2 shows nothing

    // On machine 23 the three-axis move is one line; a move with normals
    // becomes a simple move when the machine values say so.
    norak::reset();
    MOVCLR();
    TPMACH = 23;
    const f32 q[3] = {5, 5, 5};
    MOVLIN(2, q, d, st);
    EXPECT_EQ(types(), (std::vector<i32>{2}));
    PRM9[12] = 1;
    const f32 q2[3] = {6, 5, 5};
    MOVLIN(2, q2, d, st);
    EXPECT_EQ(types(), (std::vector<i32>{2, 222}));
    PLINE(1, q2, d, 7, st);
    EXPECT_TRUE(norak::transcript_has("PLINE, WRONG MODE"));
}

TEST_F(BlocksTest, PauseRequestOpensTheExecutionMenu)
{
    norak::Reply key;
    key.kind = "key";
    key.after_polls = 1;
    norak::add_reply(key);
    line(1, 0, 0);
    EXPECT_EQ(INTCNT, 1);
    line(2, 0, 0);
    EXPECT_EQ(INTCNT, 1);
    // Closing the movement output runs once.
    PCLSST(1);
    const i32 shown = norak::blocks_displayed();
    PCLSST(1);
    EXPECT_EQ(norak::blocks_displayed(), shown);
    PCLSST(5);
    EXPECT_TRUE(norak::transcript_has("PCLSST, WRONG MODE"));
}

TEST_F(BlocksTest, MarkersNestAndWarnExactly)
{
    i32 st = 0;
    PUTMRK(1, 5, 1, 0, 0, st);
    PUTMRK(1, 6, 1, 0, 0, st);
    PUTMRK(2, 6, 2, 0, 0, st);
    PUTMRK(2, 5, 2, 0, 0, st);
    EXPECT_EQ(MRKSTK.top, -1);
    PUTMRK(2, 8, 2, 0, 0, st);  // no start marker
    const std::string warning =
        "message: WARNING: MISSING MARKER - MAY CAUSE POST PROCESSING PROBLEMS. CHECK TOOLPATH VALIDITY - AND IF  "
        "SUCCESSFULL - DISREGARD THE MESSAGE";
    EXPECT_EQ(norak::transcript_count(warning), 1u);
    i32 k = 0, c = 0;
    EXPECT_EQ(MRKSTK.top, 1);
    PUTMRK(0, 9, 0, 0, 0, st);  // kind 0: nothing at all
    EXPECT_EQ(MRKSTK.top, 1);
    tp_mrkr_fin(0);
    EXPECT_EQ(norak::transcript_count(warning), 2u);
    EXPECT_EQ(norak::open_arrays(), 0);
    tp_mrkr_pop(k, c);
    EXPECT_EQ(k, -1);
    EXPECT_EQ(c, -1);

    // A closing marker under another open one: the popped pair goes back.
    tp_mrkr_init();
    PUTMRK(1, 5, 1, 0, 0, st);
    PUTMRK(2, 6, 2, 0, 0, st);
    EXPECT_EQ(MRKSTK.top, 1);
    tp_mrkr_pop(k, c);
    EXPECT_EQ(k, 2);
    EXPECT_EQ(c, 6);
    tp_mrkr_pop(k, c);
    EXPECT_EQ(k, 1);
    EXPECT_EQ(c, 5);

    // The 101st entry grows the array; quiet finish releases it silently.
    for (i32 n = 0; n < 101; ++n) tp_mrkr_push(1, n);
    EXPECT_EQ(MRKSTK.capacity, 200);
    size_t said = norak::transcript_count(warning);
    tp_mrkr_fin(1);
    EXPECT_EQ(norak::transcript_count(warning), said);
    EXPECT_EQ(norak::open_arrays(), 0);
    // A failed growth loses the entry and says so.
    tp_mrkr_init();
    tp_mrkr_push(1, 1);
    norak::fail_alloc_after(1);
    tp_mrkr_init();
    tp_mrkr_push(1, 2);
    EXPECT_TRUE(norak::transcript_has("tp_mrkr_push,DYNAMIC MEMORY PROBLEM, CHECK DISK SPACE"));
    EXPECT_EQ(MRKSTK.top, -1);
    EXPECT_EQ(norak::open_arrays(), 0);
    // A negative kind writes the changed technology first.
    machine();
    PUTMRK(1, 3, -1, 0, 0, st);
    auto t = types();
    EXPECT_EQ(std::vector<i32>(t.end() - 4, t.end()), (std::vector<i32>{1, 1, 1, 99}));
}

// The stack's array closed behind it: the finish says so and forgets its
// number, which then goes to another array; the next procedures' starts and
// finishes leave that array open.
TEST_F(BlocksTest, AMarkerArrayTheHostNoLongerHoldsIsForgottenNotClosedAgain)
{
    tp_mrkr_init();
    tp_mrkr_push(1, 4);
    i32 lost = MRKSTK.handle, st = 0;
    MM_CLOSE(lost, st);
    ASSERT_EQ(st, 0);
    const i32 number = MRKSTK.handle;
    tp_mrkr_fin(1);
    EXPECT_TRUE(norak::transcript_has("tp_mrkr_fin,DYNAMIC MEMORY PROBLEM, CHECK DISK SPACE"));
    EXPECT_EQ(MRKSTK.capacity, 0);
    EXPECT_EQ(MRKSTK.top, -1);
    i32 other = -1;
    void* base = nullptr;
    MM_OPEN_ARRAY(4, 10, other, base, st);
    ASSERT_EQ(other, number);
    for (i32 round = 0; round < 2; ++round) {
        tp_mrkr_fin(1);
        tp_mrkr_init();
    }
    void* still = nullptr;
    mmcptr(other, still);
    EXPECT_EQ(still, base);
    tp_mrkr_push(1, 5);
    EXPECT_NE(MRKSTK.handle, other);
    tp_mrkr_fin(1);
    mmcptr(other, still);
    EXPECT_EQ(still, base);
    MM_CLOSE(other, st);
}

TEST_F(BlocksTest, MarkersLeftOpenAreClosedInnermostFirst)
{
    i32 st = 0;
    PUTMRK(1, 3, 5, 0, 0, st);   // the strings of a surface
    PUTMRK(1, 5, 9, 0, 12, st);  // a multi-axis approach inside them
    line(1, 0, 0);
    tp_mrkr_close(st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(MRKSTK.top, -1);
    std::vector<i32> kinds;
    for (const auto& e : dump::main_list())
        if (e[0] == 99) kinds.push_back(e[2]);
    EXPECT_EQ(kinds, (std::vector<i32>{5, 9, 10, 6}));
    tp_mrkr_fin(0);
    EXPECT_FALSE(norak::transcript_has("MISSING MARKER"));

    // An end marker without its start stops the closing: what lies under it
    // stays for the finish check's warning.
    tp_mrkr_init();
    PUTMRK(1, 3, 5, 0, 0, st);
    PUTMRK(2, 8, 16, 0, 0, st);
    tp_mrkr_close(st);
    EXPECT_EQ(MRKSTK.top, 1);
    tp_mrkr_fin(0);
    EXPECT_EQ(norak::transcript_count("MISSING MARKER"), 2u);

    // A marker that cannot be written leaves the stack as it was.
    tp_mrkr_init();
    PUTMRK(1, 3, 5, 0, 0, st);
    norak::fail_alloc_after(1);
    PUTMRK(1, 5, 9, 0, 0, st);
    EXPECT_LT(st, 0);
    EXPECT_EQ(MRKSTK.top, 0);
    norak::fail_alloc_after(1);
    PUTMRK(2, 3, 6, 0, 0, st);
    EXPECT_LT(st, 0);
    EXPECT_EQ(MRKSTK.top, 0);
    norak::fail_alloc_after(1);
    PUTMRK(2, 7, 14, 0, 0, st);  // a stray end marker, not written either
    EXPECT_EQ(MRKSTK.top, 0);
    i32 k = 0, c = 0;
    tp_mrkr_pop(k, c);
    EXPECT_EQ(k, 1);
    EXPECT_EQ(c, 3);
    tp_mrkr_fin(0);
}

TEST_F(BlocksTest, ArcStepsForEveryToleranceAndRadius)
{
    const f32 cap = static_cast<f32>(36.0 * M_PI / 180.0);
    for (f32 tol = 0.001f; tol <= 1.0001f; tol *= 10.0f / 3.0f)
        for (f32 r = 0.01f; r <= 1000.1f; r *= 10.0f) {
            f32 step = arc_step_angle(tol, r, 6.0f);
            ASSERT_TRUE(std::isfinite(step)) << tol << " " << r;
            ASSERT_GT(step, 0.0f);
            ASSERT_LE(step, cap);
            f32 count = std::ceil(6.0f / step);
            ASSERT_TRUE(std::isfinite(count));
            ASSERT_GE(count, 10.0f);
        }
    EXPECT_NEAR(arc_step_angle(0.01f, 10.0f, 1.0f) * 180.0 / M_PI, 5.126, 0.01);
    EXPECT_FLOAT_EQ(arc_step_angle(0.5f, 1.0f, 1.0f), cap);
    EXPECT_FLOAT_EQ(arc_step_angle(5.0f, 1.0f, 1.0f), cap);  // past twice the radius: the cosine is clamped
    // Zero angle or zero radius write nothing.
    i32 st = 0;
    const f32 c[2] = {0, 0}, e[3] = {0, 0, 0}, v[3] = {0, 0, 1};
    PARCPT(1, 0.1f, 1, 0.0f, c, e, v, st);
    PARCPT(1, 0.1f, 1, 1.0f, c, e, v, st);
    EXPECT_TRUE(dump::main_list().empty());
}

TEST_F(BlocksTest, FeedModesAndTheSecondFeed)
{
    machine();
    i32 st = 0;
    PT1MCH(1, 1, st);
    STPV01(3);
    PT1MCH(1, 1, st);
    PT1MCH(1, 1, st);  // the same value again: nothing
    TECHST.wflag[1] = 2;
    PT1MCH(1, 1, st);
    STPV01(4);
    PT1MCH(1, 1, st);
    auto l = dump::main_list();
    ASSERT_EQ(l.size(), 4u);
    EXPECT_EQ(l[0][4], R(200.0f));
    EXPECT_EQ(l[1][4], R(100.0f));
    EXPECT_EQ(l[2][4], R(100.0f));
    EXPECT_EQ(l[3][4], R(-1.0f));
    // The second feed, a negative maximum feed (parameter 59, and the fast
    // feed mode turned 27 while the hold is released): written unless the
    // feed slot holds such a feed already, and again after a cutting feed.
    TECHST.status[59] = 2;
    PRM9[21] = R(-5000.0f);
    PT1MCH(1, 59, st);
    PT1MCH(1, 59, st);
    STPV01(1);
    PT1MCH(1, 1, st);
    HFLSET(0);
    for (int k = 0; k < 2; ++k) {
        STPV01(4);
        PT1MCH(1, 1, st);
    }
    HFLINI();
    l = dump::main_list();
    ASSERT_EQ(l.size(), 7u);
    EXPECT_EQ(l[4], (Words{1, 4, 59, 0, R(-5000.0f)}));
    EXPECT_EQ(l[5][4], R(200.0f));
    EXPECT_EQ(l[6], (Words{1, 6, 1, 0, R(-5000.0f)}));
    // A status-1 parameter writes its code when it changes.
    TECHST.status[5] = 1;
    TECHST.requested[5] = 9;
    PT1MCH(1, 5, st);
    PT1MCH(1, 5, st);
    EXPECT_EQ(dump::main_list().back(), (Words{1, 7, 5, 1, 9}));
    EXPECT_EQ(dump::main_list().size(), 8u);
    TECHST.status[6] = 3;
    PT1MCH(1, 6, st);
    EXPECT_TRUE(norak::transcript_has("PUTMCH, ERROR IN PARAMETER STATUS"));
    // The tool number must be positive to be associated.
    TECHST.status[100] = 2;
    TECHST.wflag[100] = 2;
    PRM9[11] = 0;
    PT1MCH(1, 100, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("PT1MCH, ERRORS IN WRITTING ASSOCIATION"));
    EXPECT_FALSE(norak::transcript_has("PT1MCH, ERRORS IN LIST"));  // the block itself was written
}

// Each parameter written from the machine values takes its own word, and the
// coordinate system's parameter 55 is associated but not shown.
TEST_F(BlocksTest, MachineValueParametersTakeTheirWords)
{
    i32 st = 0;
    for (i32 w = 0; w < PRM9_N; ++w) PRM9[w] = 40 + w;
    const i32 ints[][2] = {{3, 9}, {52, 14}, {53, 15}, {55, 17}, {56, 18}, {100, 11}};
    for (const auto& pw : ints) {
        TECHST.status[pw[0]] = 2;
        const i32 shown = norak::blocks_displayed();
        PT1MCH(0, pw[0], st);
        EXPECT_EQ(st, 0) << pw[0];
        EXPECT_EQ(dump::main_list().back(), (Words{1, dump::main_list().back()[1], pw[0], 0, 40 + pw[1]})) << pw[0];
        EXPECT_EQ(norak::blocks_displayed(), shown + (pw[0] == 55 ? 0 : 1)) << pw[0];
    }
    // The requests of parameters 1, 52 and 53 land on their own parameter.
    STPV01(11);
    STPV52(12);
    STPV53(13);
    EXPECT_EQ(TECHST.requested[1], 11);
    EXPECT_EQ(TECHST.requested[52], 12);
    EXPECT_EQ(TECHST.requested[53], 13);
    EXPECT_EQ(TECHST.requested[51] + TECHST.requested[54], 0);
}

// What each movement writer leaves as the last move: the end point, the tool
// direction of a multi-axis move and the normal of a move with normals, and
// (0, 0, 1) in their place after any other move.
TEST_F(BlocksTest, EachMoveLeavesItsOwnDirectionAndNormal)
{
    PRM9[12] = 1;  // moves with normals are kept
    const f32 v[3] = {0, 0.6f, 0.8f}, other[3] = {1, 0, 0}, z[3] = {0, 0, 1};
    const f32 centre[2] = {0, 0};
    enum Writer { LINE, STRING, ARC };
    struct Case {
        Writer writer;
        i32 kind, type;
        bool axis, normal;
    };
    const Case cases[] = {{LINE, 1, 2, false, false},   {LINE, 2, 222, false, true},  {LINE, 3, 22, true, false},
                          {STRING, 1, 7, false, false}, {STRING, 2, 227, false, true}, {STRING, 3, 27, true, false},
                          {ARC, 1, 3, false, false},    {ARC, 2, 223, false, true},    {ARC, 3, 23, true, false}};
    f32 x = 1;
    for (const Case& c : cases) {
        std::memcpy(MOVST.axis, other, sizeof other);
        std::memcpy(MOVST.normal, other, sizeof other);
        const f32 p[3] = {x, 0, 0};
        x += 1;
        i32 st = 0;
        if (c.writer == LINE) PLINE(c.kind, p, v, 2, st);
        if (c.writer == STRING) MOVSTR(c.kind, p, v, st);
        if (c.writer == ARC) PCIRC(c.kind, 1, 1.0f, 0.5f, centre, p, v, 2, st);
        ASSERT_EQ(st, 0) << c.type;
        PCLSST(2);
        EXPECT_EQ(dump::main_list().back()[0], c.type);
        EXPECT_EQ(std::memcmp(MOVST.point, p, sizeof p), 0) << c.type;
        EXPECT_EQ(std::memcmp(MOVST.axis, c.axis ? v : z, sizeof v), 0) << c.type;
        EXPECT_EQ(std::memcmp(MOVST.normal, c.normal ? v : z, sizeof v), 0) << c.type;
    }
}

// An arc that starts a procedure on a multi-axis machine is preceded by a
// vertical line to the tool position shown; a multi-axis arc is not.
TEST_F(BlocksTest, ArcStartingAProcedureGoesUprightToTheShownPosition)
{
    TPMACH = 26;
    for (i32 k = 0; k < 3; ++k) DSP8[DSP8_POS + k] = R(static_cast<f32>(k + 7));
    const f32 centre[2] = {0, 0}, end[3] = {1, 0, 0}, v[3] = {0, 0.6f, 0.8f};
    i32 st = 0;
    MOVST.newproc = 1;
    PCIRC(1, 1, 1.0f, 0.5f, centre, end, v, 1, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(MOVST.newproc, 0);
    EXPECT_EQ(types(), (std::vector<i32>{22, 3}));
    EXPECT_EQ(dump::main_list()[0], (Words{22, 0, R(7), R(8), R(9), R(0), R(0), R(1)}));
    EXPECT_EQ(norak::blocks_displayed(), 2);

    norak::reset();
    MOVCLR();
    MOVST.newproc = 1;
    PCIRC(3, 1, 1.0f, 0.5f, centre, end, v, 2, st);
    EXPECT_EQ(types(), (std::vector<i32>{23}));
    EXPECT_EQ(MOVST.newproc, 0);
    // On a three-axis machine no line either.
    norak::reset();
    MOVCLR();
    TPMACH = 22;
    MOVST.newproc = 1;
    PCIRC(1, 1, 1.0f, 0.5f, centre, end, v, 2, st);
    EXPECT_EQ(types(), (std::vector<i32>{3}));
}
