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
    EXPECT_TRUE(noted_since(mark, "status: TOOL LIFE VALUE IS: 0.0125 HOURS"));
    EXPECT_TRUE(noted_since(mark, "status: BEFORE BLOCK #5"));
    EXPECT_EQ(ESTST.used, 2);
    EXPECT_FLOAT_EQ(ESTST.table[0].time, 0.1f + 0.5f + 0.15707964f);
}
