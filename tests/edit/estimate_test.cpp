// The machining-time estimate, the block timer and the SERVICE entry.
#include <unistd.h>

#include <cmath>
#include <cstdlib>

#include "edit/report/estimate.h"
#include "edit/report/service.h"
#include "edit/report/timing.h"
#include "tests/edit/fixture.h"

namespace {
constexpr i32 T1 = 101, T2 = 102;

// Runs each test in a folder of its own: the time report is written with
// the standard file calls under a bare name.
class Estimate : public ::testing::Test {
protected:
    void SetUp() override
    {
        char here[4096];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        home = here;
        char tmpl[] = "/tmp/tavrek-estimate-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        ASSERT_EQ(chdir(dir.c_str()), 0);
        set_estimate_mode(2);
    }
    void TearDown() override
    {
        set_estimate_mode(3);
        ASSERT_EQ(chdir(home.c_str()), 0);
        std::system(("rm -rf " + dir).c_str());
    }
    std::string home, dir;
};

// The fixture's host with two milling tools of given lives (hours).
void fresh_two_tools(const char* life1 = "0.0125", const char* life2 = "1.0")
{
    fix::fresh();
    std::string s = fix::session(1.0);
    const std::string one = R"({"kind": "tool", "id": 101, "type": "MILL", "name": "BALL 10", "diameter": 10, "corner_radius": 5})";
    const size_t at = s.find(one);
    ASSERT_NE(at, std::string::npos);
    s.replace(at, one.size(),
              std::string(R"({"kind": "tool", "id": 101, "type": "MILL", "name": "FLAT 8", "diameter": 8, "life": )") +
                  life1 + R"(}, {"kind": "tool", "id": 102, "type": "MILL", "name": "BALL 6", "diameter": 6, "corner_radius": 3, "life": )" +
                  life2 + "}");
    norak::reset();
    norak::load_session_text(s, "estimate");
    norak::start_toolpath();
    gtncfn(NCFNAM, NCFCNT, NCFMAP);
    TLTINI();
    fresh_block_state();
    std::memset(NPT1, 0, sizeof NPT1);
    std::memcpy(NPT1, "TP-A    ", 8);
    i32 answer = 0;
    lacces(3, answer);
}

void line(f32 x, f32 y, f32 z)
{
    const f32 p[3] = {x, y, z}, v[3] = {0, 0, 1};
    i32 st = 0;
    PTBT2(AM_APPEND, 2, p, v, 0, st);
    ASSERT_EQ(st, 0);
}

void arc(i32 plane, f32 sweep, f32 c0, f32 c1, f32 x, f32 y, f32 z)
{
    const f32 c[2] = {c0, c1}, e[3] = {x, y, z}, v[3] = {0, 0, 1};
    i32 st = 0;
    PTBT3(AM_APPEND, 3, plane, sweep, 0.1f, c, e, v, 0, st);
    ASSERT_EQ(st, 0);
}

void string(std::vector<std::array<f32, 3>> points)
{
    i32 st = 0;
    BLKOPN(AM_APPEND, 7, 1, st);
    ASSERT_EQ(st, 0);
    for (auto& p : points) {
        const f32 v[3] = {0, 0, 1};
        i32 number = 0;
        NXTBLN(number);
        PTSTRP(AM_APPEND, 7, number, p.data(), v, st);
        ASSERT_EQ(st, 0);
    }
    BLKCLS(AM_APPEND);
}

// Whether a line from the n-th of the transcript on holds the text.
bool noted_since(size_t n, const std::string& text)
{
    const auto& t = norak::transcript();
    for (size_t k = n; k < t.size(); ++k)
        if (t[k].find(text) != std::string::npos) return true;
    return false;
}

const i32 DATE[6] = {2024, 5, 17, 9, 30, 0};

// The hand-worked procedure of the golden report, its blocks numbered from 0
// as in its list, each with its length and feed. Worked by hand: FLAT 8
// (life 0.0125 h = 0.75 min) mills 10 + 50 + 15.708 = 75.708 in 0.75708 min,
// past its life at block 5 (46 s); BALL 6 mills 85 + 31.416 + 10 = 126.416 in
// 0.425 + 0.15708 + 0.05 = 0.63208 min (38 s); feed 1.38916 min (84 s), maximum
// feed 0.01 min (1 s), rapid 0.005 min (1 s), one tool change 0.25 min (15 s),
// total 1.65416 min (100 s); the XZ arc reaches Z = -5 - 10 = -15.
void worked_path()
{
    fix::procedure(9, "WORKED", DATE);
    fix::tech(100, 0, T1);                     // 0 first tool
    fix::tech(1, 100.0f);                      // 1 feed 100
    line(0, 0, 10);                            // 2 first line: no time
    line(0, 0, 0);                             // 3 10 at 100
    line(30, 40, 0);                           // 4 50 at 100
    arc(1, -1.5707964f, 30, 30, 40, 30, 0);    // 5 radius 10, quarter turn clockwise
    fix::tech(1, -1.0f);                       // 6 rapid
    line(40, 30, 50);                          // 7 50 at 10000
    fix::tech(100, 0, T2);                     // 8 tool change
    fix::tech(1, 200.0f);                      // 9 feed 200
    string({{40, 30, 20}, {40, 30, -5}, {70, 30, -5}});  // 10 30 + 25 + 30 at 200
    arc(2, 3.1415927f, 80, -5, 90, 30, -5);    // 11 XZ half turn through its bottom: 31.4159
    fix::tech(1, -2500.0f);                    // 12 maximum feed 2500
    line(90, 30, 20);                          // 13 25 at 2500
    fix::tech(1, 0.0f);                        // 14 no feed named: 200 stays
    line(90, 30, 30);                          // 15 10 at 200
    i32 st = 0;
    CLSSBL(st);
    ASSERT_EQ(st, 0);
}

std::string file_text(const std::string& name)
{
    return fix::read_file(name);
}
}  // namespace

TEST_F(Estimate, TheWorkedToolPathMatchesItsGoldenReport)
{
    fresh_two_tools();
    worked_path();
    i32 st = 0, first = 1;
    SRVPOS(1, 0, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(CURPRC.number, 1);
    EXPECT_EQ(CURPRC.code, 9);
    estimate_time(first, 2, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(first, 0);
    const std::string want = fix::golden("time_worked.txt");
    ASSERT_FALSE(want.empty());
    EXPECT_TRUE(fix::same_lines(file_text("FIXPART_TP-A.TIME_1"), want));
    EXPECT_TRUE(norak::transcript_has("message: OUTPUT TO FILE FIXPART_TP-A.TIME_1"));
    EXPECT_TRUE(norak::transcript_has("prompt: W R I T I N G"));
    EXPECT_FALSE(norak::transcript_has("internal:"));

    // A second estimate starts from the same state; mode 1 shows the lines
    // and writes no file.
    std::remove("FIXPART_TP-A.TIME_1");
    const size_t mark = norak::transcript().size();
    set_estimate_mode(1);
    first = 1;
    SRVPOS(1, 0, st);
    estimate_time(first, 2, st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(file_text("FIXPART_TP-A.TIME_1").empty());
    EXPECT_FALSE(noted_since(mark, "message: OUTPUT TO FILE"));
    EXPECT_FALSE(noted_since(mark, "prompt: W R I T I N G"));
    EXPECT_TRUE(noted_since(mark, "status: TOOL LIFE VALUE IS: 0.0125HOURS"));
    EXPECT_TRUE(noted_since(mark, "status: BEFORE BLOCK #5"));
    EXPECT_EQ(ESTST.used, 2);
    EXPECT_FLOAT_EQ(ESTST.table[0].time, 0.1f + 0.5f + 0.15707964f);
}

namespace {
struct Timed {
    i32 kind, number;
    f32 time;
};

// Times every block of procedure 1's list from its first block.
std::vector<Timed> time_all(f32& mlength, f32& minz)
{
    std::vector<Timed> out;
    i32 st = 0, answer = 0, tool = 0;
    SRVPOS(1, 0, st);
    EXPECT_EQ(st, 0);
    f32 time = -1.0f;
    for (answer = 0; answer >= 0; lacces(1, answer)) {
        Timed t{0, -1, 0};
        t.time = time;
        t.kind = TIMEBLK(0, AM_LIST, t.number, t.time, tool, mlength, minz, st);
        EXPECT_GE(st, 0);
        out.push_back(t);
        time = 0;
    }
    return out;
}
}  // namespace

TEST(BlockTiming, FeedsAreNeverZeroOrNegativeAndToolBlocksAnswerFirstThenChange)
{
    fresh_two_tools();
    fix::procedure(9, "FEEDS", DATE);
    line(0, 0, 0);              // 0 first line: no time
    line(35, 0, 0);             // 1 35 at the first feed 350
    fix::tech(1, 500.0f);       // 2
    line(35, 50, 0);            // 3 50 at 500
    fix::tech(1, 0.0f);         // 4 names no feed
    line(35, 100, 0);           // 5 50 at 500
    fix::tech(1, -0.5f);        // 6 names no feed
    line(35, 150, 0);           // 7 50 at 500
    fix::tech(1, -1.0f);        // 8 rapid
    line(35, 250, 0);           // 9 100 at 10000
    fix::tech(1, -2.0f);        // 10 maximum feed
    line(35, 350, 0);           // 11 100 at 2000
    fix::tech(1, -300.0f);      // 12 maximum feed 300
    line(35, 380, 0);           // 13 30 at 300
    fix::tech(1, -2.0f);        // 14 the new maximum feed
    line(35, 410, 0);           // 15 30 at 300
    fix::tech(1, 0.0f);         // 16 back to the programmed 500
    line(35, 460, 0);           // 17 50 at 500
    fix::tech(100, 0, T1);      // 18 first tool
    fix::tech(100, 0, T1);      // 19 the same tool again
    fix::tech(100, 0, T2);      // 20
    i32 st = 0;
    CLSSBL(st);
    f32 ml = 0, minz = 1e8f;
    const auto t = time_all(ml, minz);
    ASSERT_EQ(t.size(), 21u);
    const struct {
        i32 block, kind;
        f32 time;
    } want[] = {{0, MK_NONE, 0},          {1, MK_FEED, 0.1f},       {3, MK_FEED, 0.1f},    {5, MK_FEED, 0.1f},
                {7, MK_FEED, 0.1f},       {9, MK_RAPID, 0.01f},     {11, MK_MAXFEED, 0.05f}, {13, MK_MAXFEED, 0.1f},
                {15, MK_MAXFEED, 0.1f},   {17, MK_FEED, 0.1f}};
    for (auto& w : want) {
        EXPECT_EQ(t[size_t(w.block)].kind, w.kind) << w.block;
        EXPECT_NEAR(t[size_t(w.block)].time, w.time, 1e-6) << w.block;
    }
    EXPECT_EQ(t[0].time, 0.0f);
    for (i32 b : {2, 4, 6, 8, 10, 12, 14, 16}) EXPECT_EQ(t[size_t(b)].kind, MK_NONE) << b;
    EXPECT_EQ(t[18].kind, MK_FIRSTTOOL);
    EXPECT_EQ(t[19].kind, MK_TOOLCHG);
    EXPECT_EQ(t[20].kind, MK_TOOLCHG);
    EXPECT_NEAR(ml, 35 + 50 + 50 + 50 + 50, 1e-3);  // feed motions only
    EXPECT_EQ(minz, 0.0f);
}

TEST(BlockTiming, StringsArcsAndNurbsAreMeasuredAlongTheirPath)
{
    fresh_two_tools();
    fix::procedure(9, "SHAPES", DATE);
    string({{100, 0, 70}, {110, 0, 70}, {110, 20, 70}});       // 0 first motion: 30 from its first point
    line(110, 20, 65);                                      // 1 5: timed after the string
    arc(1, -1.5707964f, 100, 20, 100, 10, 65);               // 2 XY, negative sweep: 15.708
    arc(2, 3.1415927f, 0, 50, -10, 0, 50);                  // 3 XZ upper half from (10, 50) over the top
    arc(3, 3.8397244f, 0, 50, 0, 5, 50 - 8.6602540f);       // 4 YZ 220 degrees through the bottom, ends right of the centre
    {
        // 5 order 2 over three points: a polyline of 3 + 4 = 7.
        const f64 knots[5] = {0, 0, 1, 2, 2}, pts[9] = {0, 0, 60, 3, 0, 60, 3, 4, 60};
        i32 st = 0;
        PTBT5(AM_APPEND, 5, 2, 3, knots, pts, 0, st);
        ASSERT_EQ(st, 0);
    }
    {
        // 6 cubic with its control points evenly on a line: 30 long.
        const f64 knots[8] = {0, 0, 0, 0, 1, 1, 1, 1}, pts[12] = {3, 4, 60, 13, 4, 60, 23, 4, 60, 33, 4, 60};
        i32 st = 0;
        PTBT5(AM_APPEND, 5, 4, 4, knots, pts, 0, st);
        ASSERT_EQ(st, 0);
    }
    line(33, 4, 70);  // 7 10 from the last control point
    {
        // 8 home block: the position moves without time.
        const f32 h[3] = {0, 0, 80}, second[3] = {1, 2, 3};
        i32 st = 0;
        PTBT6(AM_APPEND, 6, h, second, 0, st);
    }
    line(0, 0, 60);  // 9 20 from the home point
    i32 st = 0;
    CLSSBL(st);
    f32 ml = 0, minz = 1e8f;
    const auto t = time_all(ml, minz);
    ASSERT_EQ(t.size(), 10u);
    const f32 r = 350.0f;
    EXPECT_EQ(t[0].kind, MK_FEED);
    EXPECT_NEAR(t[0].time, 30 / r, 1e-6);
    EXPECT_NEAR(t[1].time, 5 / r, 1e-6);
    EXPECT_NEAR(t[2].time, 15.707964f / r, 1e-6);
    EXPECT_NEAR(t[3].time, 31.415927f / r, 1e-6);
    EXPECT_NEAR(t[4].time, 38.397244f / r, 1e-5);
    EXPECT_NEAR(t[5].time, 7 / r, 1e-6);
    EXPECT_NEAR(t[6].time, 30 / r, 1e-6);
    EXPECT_NEAR(t[7].time, 10 / r, 1e-6);
    EXPECT_EQ(t[8].kind, MK_NONE);
    EXPECT_NEAR(t[9].time, 20 / r, 1e-6);
    EXPECT_NEAR(ml, 30 + 5 + 15.707964f + 31.415927f + 38.397244f + 7 + 30 + 10 + 20, 1e-3);
    EXPECT_NEAR(minz, 40.0f, 1e-4);  // the YZ arc's bottom; the XZ arc over the top leaves its ends' 50
    EXPECT_EQ(BTMST.home[1], 2.0f);
}

// A walk that starts at a home block: a string is measured from the home
// point, a line only takes its point.
TEST(BlockTiming, AfterAHomeBlockAStringIsMeasuredFromItAndALineTakesItsPoint)
{
    for (bool str : {true, false}) {
        fresh_two_tools();
        fix::procedure(9, "HOMED", DATE);
        const f32 h[3] = {0, 0, 80}, second[3] = {1, 2, 3};
        i32 st = 0;
        PTBT6(AM_APPEND, 6, h, second, 0, st);
        if (str)
            string({{0, 0, 70}, {10, 0, 70}});
        else
            line(0, 0, 70);
        line(0, 0, 60);
        CLSSBL(st);
        f32 ml = 0, minz = 1e8f;
        const auto t = time_all(ml, minz);
        ASSERT_EQ(t.size(), 3u);
        EXPECT_NEAR(t[1].time, (str ? 20.0f : 0.0f) / 350.0f, 1e-6) << str;
        EXPECT_NEAR(t[2].time, (str ? std::hypot(10.0f, 10.0f) : 10.0f) / 350.0f, 1e-6) << str;
    }
}

TEST(BlockTiming, AnArcLowersTheMinimumOnlyWhenItPassesItsBottom)
{
    const f32 c[2] = {0, 50}, pi = 3.1415927f;
    auto lowest = [&](f32 end_angle, f32 sweep) {
        const f32 e[2] = {10 * std::cos(end_angle), 50 + 10 * std::sin(end_angle)};
        f32 minz = 1e8f;
        ARCMNZ(c, e, sweep, minz);
        return minz;
    };
    // Upper half, ends straddling the centre: its ends' Z either way round.
    EXPECT_NEAR(lowest(pi, pi), 50.0f, 1e-4);
    EXPECT_NEAR(lowest(0, -pi), 50.0f, 1e-4);
    // Lower half: its bottom.
    EXPECT_NEAR(lowest(0, pi), 40.0f, 1e-4);
    EXPECT_NEAR(lowest(pi, -pi), 40.0f, 1e-4);
    // 220 degrees through the bottom with both ends right of the centre.
    EXPECT_NEAR(lowest(-pi / 3, 220 * pi / 180), 40.0f, 1e-4);
    EXPECT_NEAR(lowest(4 * pi / 9, -220 * pi / 180), 40.0f, 1e-4);
    // A short arc beside the bottom: its lower end.
    EXPECT_NEAR(lowest(0, pi / 3), 50 - 8.660254f, 1e-4);
    EXPECT_NEAR(lowest(-pi / 3, -pi / 3), 50 - 8.660254f, 1e-4);
    // A whole turn always passes it.
    EXPECT_NEAR(lowest(pi / 2, 2 * pi + 0.01f), 40.0f, 1e-4);
    // The minimum never rises.
    f32 minz = -7;
    const f32 e[2] = {10, 50};
    ARCMNZ(c, e, pi, minz);
    EXPECT_EQ(minz, -7.0f);
}

TEST(BlockTiming, ABlockThatCannotBeReadIsReportedAndItsNurbsCountsChecked)
{
    fresh_two_tools();
    fix::procedure(9, "BAD", DATE);
    const f64 knots[5] = {0, 0, 1, 2, 2}, pts[9] = {0, 0, 0, 3, 0, 0, 3, 4, 0};
    i32 st = 0, answer = 0;
    PTBT5(AM_APPEND, 5, 2, 3, knots, pts, 0, st);
    // The count of control points made larger than the block holds.
    lacces(3, answer);
    const i32 big = 1000;
    lskip(st, 4);
    lchang(1, &big, st);
    ASSERT_GE(st, 0);
    lclos();
    CLSSBL(st);
    SRVPOS(1, 0, st);
    ASSERT_EQ(st, 0);
    i32 number = 0, tool = 0;
    f32 time = -1, ml = 0, minz = 1e8f;
    EXPECT_EQ(TIMEBLK(0, AM_LIST, number, time, tool, ml, minz, st), MK_NONE);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("internal: TIMEBLK - ERROR IN BLOCK. BTYPE =5"));
    EXPECT_EQ(norak::open_blocks(), 0);

    // A home block cut short after its home point: refused, and the next
    // line is timed from where the line before it ended.
    fresh_two_tools();
    fix::procedure(9, "HOME", DATE);
    line(0, 0, 0);
    BLKOPN(AM_APPEND, 6, 1, st);
    const i32 none = 0;
    const f32 high[3] = {0, 0, 500};
    TPPUT(AM_APPEND, 1, DT_INT, &none, st);
    TPPUT(AM_APPEND, 3, DT_REAL, high, st);
    BLKCLS(AM_APPEND);
    line(35, 0, 0);
    CLSSBL(st);
    SRVPOS(1, 0, st);
    ASSERT_EQ(st, 0);
    time = -1;
    EXPECT_EQ(TIMEBLK(0, AM_LIST, number, time, tool, ml, minz, st), MK_NONE);
    lacces(1, answer);
    EXPECT_EQ(TIMEBLK(0, AM_LIST, number, time, tool, ml, minz, st), MK_NONE);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("internal: TIMEBLK - ERROR IN BLOCK. BTYPE =6"));
    lacces(1, answer);
    EXPECT_EQ(TIMEBLK(0, AM_LIST, number, time, tool, ml, minz, st), MK_FEED);
    EXPECT_NEAR(time, 35.0f / 350.0f, 1e-6f);
}

TEST_F(Estimate, AFailedWalkIsReportedAsFailedAndItsFileStillClosed)
{
    fresh_two_tools();
    fix::procedure(9, "BAD", DATE);
    fix::tech(100, 0, T1);
    fix::tech(1, 100.0f);
    line(0, 0, 0);
    line(10, 0, 0);
    // A line block without its point.
    i32 st = 0;
    BLKOPN(AM_APPEND, 2, 1, st);
    BLKCLS(AM_APPEND);
    line(20, 0, 0);
    CLSSBL(st);
    i32 first = 1;
    SRVPOS(1, 0, st);
    ASSERT_EQ(st, 0);
    estimate_time(first, 2, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: TIMEBLK - ERROR IN BLOCK. BTYPE =2"));
    EXPECT_FALSE(norak::transcript_has("message: OUTPUT TO FILE"));
    // The summary of what was timed, and the closing rule: the file was
    // ended and closed.
    const std::string text = file_text("FIXPART_TP-A.TIME_1");
    EXPECT_NE(text.find("MILLING LENGTH IS: 10MM\n"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 62), "\t===========================================================\n\n");
}

TEST_F(Estimate, AnEmptyListHasNoMovementsAndTheOutputModesHoldTheirLines)
{
    // With a tool block only, and with no block at all (no current block):
    // the file is whole and announced either way.
    for (bool blocks : {false, true}) {
        fresh_two_tools();
        fix::procedure(9, "EMPTY", DATE);
        if (blocks) fix::tech(100, 0, T1);
        i32 st = 0;
        CLSSBL(st);
        i32 first = 1;
        SRVPOS(1, 0, st);
        estimate_time(first, 2, st);
        EXPECT_EQ(st, 0) << blocks;
        EXPECT_TRUE(norak::transcript_has("message: OUTPUT TO FILE FIXPART_TP-A.TIME_1")) << blocks;
        const std::string text = file_text("FIXPART_TP-A.TIME_1");
        EXPECT_NE(text.find("\n\n\t\tTHERE ARE NO MOVEMENTS IN THIS PROCEDURE.\n\t====="), std::string::npos) << text;
        EXPECT_EQ(text.find("TOOL \""), std::string::npos);
    }
    i32 st = 0, first = 1;

    // An unknown mode is refused and the old one kept; mode 0 writes and
    // shows nothing.
    set_estimate_mode(7);
    EXPECT_EQ(get_estimate_mode(), 2);
    set_estimate_mode(0);
    std::remove("FIXPART_TP-A.TIME_1");
    const size_t mark = norak::transcript().size();
    first = 1;
    SRVPOS(1, 0, st);
    estimate_time(first, 2, st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(file_text("FIXPART_TP-A.TIME_1").empty());
    EXPECT_FALSE(noted_since(mark, "status:"));
    // Mode 3: the file, and each line shown.
    set_estimate_mode(3);
    first = 1;
    SRVPOS(1, 0, st);
    estimate_time(first, 2, st);
    EXPECT_FALSE(file_text("FIXPART_TP-A.TIME_1").empty());
    EXPECT_TRUE(noted_since(mark, "status: \t\tPROCEDURE TIME ESTIMATE"));
}

TEST(TimeText, SecondsRoundUpIntoMinutesAndHours)
{
    char t[64];
    format_time(1.4917f, t);
    EXPECT_STREQ(t, "\t 1 MINUTES 30 SECONDS");
    format_time(60.0f, t);
    EXPECT_STREQ(t, "\t 1 HOURS 0 MINUTES 0 SECONDS");
    format_time(0.2f / 60.0f, t);
    EXPECT_STREQ(t, "\t 1 SECONDS");
    format_time(0, t);
    EXPECT_STREQ(t, "\t 0 SECONDS");
    format_time(125.5f, t);
    EXPECT_STREQ(t, "\t 2 HOURS 5 MINUTES 30 SECONDS");
    format_time(1e30f, t);  // no overflow
    EXPECT_EQ(std::string(t).find("\t "), 0u);
}

#include "tests/session_util.h"

namespace {
f32 bits(long w)
{
    const i32 i = static_cast<i32>(w);
    f32 f;
    std::memcpy(&f, &i, sizeof f);
    return f;
}

// Seconds of a time text " H HOURS M MINUTES S SECONDS" (hours and minutes
// optional).
long seconds_of(const std::string& text)
{
    std::istringstream in(text);
    long total = 0, v = 0;
    std::string unit;
    while (in >> v >> unit) total = total * 60 + v;
    return total;
}
}  // namespace

// The demo's time estimate against the path length over the feed, worked
// independently from the host's dump of the tool path: the first single
// line of the walk has no time, the feed is 350 until a technology block
// names one, a feed value naming no feed keeps the feed, a string is
// measured from its first point.
TEST(EstimateDemo, TheDomesFeedTimeIsItsPathLengthOverTheFeed)
{
    const std::string text = read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/dome.json");
    RunResult r = run_session(text, "estimate_demo");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(count_lines_with(r.transcript, "host: call tavrek_estimate"), 1);
    EXPECT_EQ(count_lines_with(r.transcript, "message: OUTPUT TO FILE session_TOOLPATH.TIME_1"), 1);
    const std::string report = read_file(r.dir + "/out/session_TOOLPATH.TIME_1");
    ASSERT_FALSE(report.empty());

    // The feed words of "PRM9" as the run left them: feed codes other than
    // rapid (4) name the feed, its percentages or the maximum feed, all 0 in
    // the dome's session.
    std::istringstream recs(r.records);
    std::vector<f64> prm9;
    for (std::string l; std::getline(recs, l);)
        if (l.rfind("PRM9 ", 0) == 0) {
            std::istringstream w(l.substr(l.find(':') + 1));
            for (f64 v; w >> v;) prm9.push_back(v);
        }
    ASSERT_EQ(prm9.size(), 23u);
    for (int k : {0, 3, 4, 5, 6, 21}) ASSERT_EQ(prm9[size_t(k)], 0.0) << k;

    f64 feed = 350, rate = 350, length = 0, time = 0, pos[3] = {0, 0, 0};
    bool first = true, feeding = true, inproc = false;
    int motions = 0;
    auto move = [&](const f64* p) {
        if (first) {
            first = false;
        } else {
            const f64 d = std::sqrt((p[0] - pos[0]) * (p[0] - pos[0]) + (p[1] - pos[1]) * (p[1] - pos[1]) +
                                    (p[2] - pos[2]) * (p[2] - pos[2]));
            if (feeding) length += d, time += d / rate;
        }
        std::memcpy(pos, p, sizeof pos);
    };
    std::istringstream dump(r.toolpath);
    for (std::string l; std::getline(dump, l);) {
        const bool sub = l.rfind("  ", 0) == 0;
        std::istringstream w(l);
        std::vector<long> words;
        for (long v; w >> v;) words.push_back(v);
        if (words.empty()) continue;
        if (!sub) {
            inproc = words[0] == 12;
            continue;
        }
        if (!inproc) continue;
        const long t = words[0];
        ASSERT_TRUE(t != 3 && t != 23 && t != 223 && t != 5 && t != 25 && t != 225) << l;
        if (t == 1 && (words[2] == 1 || words[2] == 59)) {
            const f64 v = words[3] == 0 ? bits(words[4]) : words[4] == 4 ? -1.0 : 0.0;
            const bool max = words[2] == 59;
            if (!max && v == -1) {
                rate = 10000, feeding = false;
            } else if (v == -2 || v < -2) {
                rate = 2000, feeding = false;
            } else {
                if (v > 0) feed = v;
                rate = feed, feeding = true;
            }
        } else if (t == 2 || t == 22 || t == 222) {
            const f64 p[3] = {bits(words[2]), bits(words[3]), bits(words[4])};
            move(p);
            ++motions;
        } else if (t == 7 || t == 27 || t == 227) {
            const size_t rec = t == 7 ? 4 : 7;
            for (size_t k = 1; k + 3 < words.size(); k += rec) {
                const f64 p[3] = {bits(words[k + 1]), bits(words[k + 2]), bits(words[k + 3])};
                move(p);
                ++motions;
            }
        }
    }
    ASSERT_GT(motions, 500);
    const size_t at = report.find("\t\tFEED TIME          :\t");
    ASSERT_NE(at, std::string::npos) << report;
    const long got = seconds_of(report.substr(at + 22, report.find('\n', at) - at - 22));
    const f64 want = time * 60.0;
    EXPECT_GT(want, 60.0);
    EXPECT_NEAR(static_cast<f64>(got), want, want * 0.01) << report;
    // The milling length of the one tool's account, in whole millimetres.
    EXPECT_NE(report.find("MILLING LENGTH IS: " + std::to_string(static_cast<long>(length)) + "MM\n"), std::string::npos)
        << length << "\n" << report;
}

TEST_F(Estimate, WithoutAPartFileNameNothingIsShownOrWritten)
{
    fresh_two_tools();
    fix::procedure(9, "NONAME", DATE);
    line(0, 0, 0);
    line(10, 0, 0);
    i32 st = 0;
    CLSSBL(st);
    norak::settings().part_file = "";
    for (i32 mode : {1, 2}) {
        set_estimate_mode(mode);
        const size_t mark = norak::transcript().size();
        i32 first = 1;
        SRVPOS(1, 0, st);
        ASSERT_EQ(st, 0);
        estimate_time(first, 2, st);
        EXPECT_EQ(st, -1) << mode;
        EXPECT_EQ(first, 1) << mode;  // no walk
        EXPECT_FALSE(noted_since(mark, "status:")) << mode;
        EXPECT_FALSE(noted_since(mark, "message: OUTPUT TO FILE")) << mode;
    }
}

TEST_F(Estimate, AToolUsedAgainAddsToItsLifeAndAChangeToTheSameToolChangesNothing)
{
    // FLAT 8 (life 0.75 min, or 0) mills 60 at 100, BALL 6 30, FLAT 8 again
    // 30, then a change to FLAT 8 while it is in use, and 30 more.
    for (const char* life : {"0.0125", "0"}) {
        fresh_two_tools(life);
        fix::procedure(9, "AGAIN", DATE);
        fix::tech(100, 0, T1);
        fix::tech(1, 100.0f);
        line(0, 0, 0);
        line(60, 0, 0);
        fix::tech(100, 0, T2);
        line(60, 30, 0);
        fix::tech(100, 0, T1);
        line(90, 30, 0);
        fix::tech(100, 0, T1);
        line(120, 30, 0);
        i32 st = 0;
        CLSSBL(st);
        i32 first = 1;
        SRVPOS(1, 0, st);
        estimate_time(first, 2, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(ESTST.used, 2);
        EXPECT_EQ(ESTST.ntools, 3) << "two changes of tool, not three";
        EXPECT_NEAR(ESTST.table[0].time, 1.2f, 1e-5f);
        const std::string text = file_text("FIXPART_TP-A.TIME_1");
        size_t warnings = 0;
        for (size_t at = text.find("BEFORE BLOCK #"); at != std::string::npos; at = text.find("BEFORE BLOCK #", at + 1))
            ++warnings;
        // Life 0.75 min: past it only once the second use is added to the
        // first (0.6 + 0.3). Life 0: before every timed feed block of it.
        EXPECT_EQ(warnings, std::string(life) == "0" ? 3u : 1u) << text;
        std::remove("FIXPART_TP-A.TIME_1");
    }
}

TEST_F(Estimate, AWalkEndedByTheListAccessStillAnnouncesItsFile)
{
    // The n-th list access of the walk refused: wherever that ends the walk
    // with status 2, the file was written whole and is announced.
    bool ended = false;
    for (i32 n = 1; n <= 12; ++n) {
        fresh_two_tools();
        fix::procedure(9, "CUT", DATE);
        fix::tech(100, 0, T1);
        line(0, 0, 0);
        line(10, 0, 0);
        i32 st = 0;
        CLSSBL(st);
        i32 first = 1;
        SRVPOS(1, 0, st);
        norak::fail_list_call("lacces", n);
        estimate_time(first, 2, st);
        norak::fail_list_call("lacces", 0);
        if (st != 2) continue;
        ended = true;
        EXPECT_TRUE(norak::transcript_has("message: OUTPUT TO FILE FIXPART_TP-A.TIME_1")) << n;
        const std::string text = file_text("FIXPART_TP-A.TIME_1");
        EXPECT_EQ(text.substr(text.size() - 62), "\t===========================================================\n\n");
    }
    EXPECT_TRUE(ended);
}

TEST(BlockTiming, BlocksOfOtherTypesAnswerNothingAndLeaveThePosition)
{
    // A message (4), blocks of types 8, 9 and 21, and a marker between two
    // lines: none is timed, and the second line is timed from the first.
    fresh_two_tools();
    fix::procedure(9, "OTHERS", DATE);
    fix::tech(1, 100.0f);
    line(0, 0, 0);
    fix::message("NOT A MOTION");
    i32 st = 0;
    for (const i32 type : {8, 9, 21}) {
        BLKOPN(AM_APPEND, type, 1, st);
        ASSERT_EQ(st, 0);
        BLKCLS(AM_APPEND);
    }
    fix::marker(3, 5.0f);
    line(10, 0, 0);
    CLSSBL(st);
    f32 ml = 0, minz = 1e8f;
    const auto t = time_all(ml, minz);
    ASSERT_EQ(t.size(), 8u);
    for (size_t k = 2; k < 7; ++k) {
        EXPECT_EQ(t[k].kind, MK_NONE) << k;
        EXPECT_EQ(t[k].time, 0.0f) << k;
    }
    EXPECT_EQ(t[7].kind, MK_FEED);
    EXPECT_NEAR(t[7].time, 0.1f, 1e-6f);
    EXPECT_NEAR(ml, 10.0f, 1e-4f);
}

TEST_F(Estimate, FeedBeforeAnyToolAndAFullToolTable)
{
    // Feed lines before any tool block: timed, but no tool is accounted for
    // them (no life rule, no tool lines), and the totals are still printed.
    fresh_two_tools();
    fix::procedure(9, "NOTOOL", DATE);
    fix::tech(1, 100.0f);
    line(0, 0, 0);
    line(50, 0, 0);
    i32 st = 0;
    CLSSBL(st);
    i32 first = 1;
    SRVPOS(1, 0, st);
    estimate_time(first, 2, st);
    EXPECT_EQ(st, 0);
    std::string text = file_text("FIXPART_TP-A.TIME_1");
    EXPECT_EQ(text.find("TOOL \""), std::string::npos) << text;
    EXPECT_EQ(text.find("BEFORE BLOCK"), std::string::npos) << text;
    EXPECT_NE(text.find("FEED TIME          :\t\t 30 SECONDS"), std::string::npos) << text;
    EXPECT_NE(text.find("MINIMUM Z IN PROCEDURE IS:0.0000MM"), std::string::npos) << text;
    std::remove("FIXPART_TP-A.TIME_1");

    // 499 tools fill the table; the 500th ends the walk, named, with the
    // summary still written and no "OUTPUT TO FILE".
    for (const i32 tools : {499, 500}) {
        fresh_two_tools();
        fix::procedure(9, "MANY", DATE);
        fix::tech(1, 100.0f);
        for (i32 t = 0; t < tools; ++t) fix::tech(100, 0, 1000 + t);
        line(0, 0, 0);
        line(10, 0, 0);
        CLSSBL(st);
        first = 1;
        SRVPOS(1, 0, st);
        estimate_time(first, 2, st);
        EXPECT_EQ(st, tools == 499 ? 0 : -1) << tools;
        EXPECT_EQ(ESTST.used, 499) << tools;
        EXPECT_EQ(norak::transcript_has("internal: estimate_time, TOO MANY TOOLS. TOOL = 1499"), tools == 500);
        EXPECT_EQ(norak::transcript_has("message: OUTPUT TO FILE"), tools == 499) << tools;
        text = file_text("FIXPART_TP-A.TIME_1");
        EXPECT_EQ(text.substr(text.size() - 62), "\t===========================================================\n\n");
        std::remove("FIXPART_TP-A.TIME_1");
    }
}
