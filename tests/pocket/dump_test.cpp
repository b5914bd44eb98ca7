// Pocket debug dumps against hand-written files, and the drawings.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/norak/norak.h"
#include "pocket/pkdebug.h"
#include "tests/pocket/common.h"

using namespace pk;

namespace {

std::string read(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string golden(const char* name) { return read(std::string(TAVREK_SOURCE_DIR) + "/tests/pocket/golden/" + name); }

// Runs the body in a fresh folder (the dumps go to the current directory).
struct InTemp {
    std::filesystem::path old, dir;
    InTemp()
    {
        old = std::filesystem::current_path();
        dir = std::filesystem::path(::testing::TempDir()) / ("pkdump" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
    }
    ~InTemp()
    {
        std::filesystem::current_path(old);
        std::filesystem::remove_all(dir);
    }
};

}  // namespace

TEST(PocketDumps, MatchTheHandWrittenFiles)
{
    fresh();
    InTemp tmp;
    pokorigin[0] = 100.0;
    pokorigin[1] = 200.0;
    pokorigin[2] = 5.0;
    pokarr e;
    pokarr_init(2, e);
    pokarr_dump(&e, 1001, 0, -1);
    EXPECT_EQ(read("pokarr001.txt"), golden("pokarr_empty.txt"));
    Loop l;
    l.pt(0, 0).pt(1.5, -2).arc(3, 4, 0.25, 0.125, -1);
    l.y[3] = -1;
    l.x[3] = 2.5;
    pokarr a = make(l);
    a.indicator = 3;
    a.direction = 1;
    a.area = 2.75;
    pokarr_dump(&a, 2, 0, 99);
    EXPECT_EQ(read("pokarr002.txt"), golden("pokarr_arc2d.txt"));
    f64 x[3] = {1, -0.5, 1e-7}, y[3] = {2, 0.5, 123456789.5}, z[3] = {3, 7.25, -3};
    pokarr s;
    pokarr_init_static(3, x, y, z, nullptr, 3, s);
    s.direction = -1;
    pokarr_dump(&s, 3, 1, 2);
    EXPECT_EQ(read("pokarr003.txt"), golden("pokarr_3d.txt"));
    Loop m;
    m.pt(1, 2).pt(4, 5).pt(9, 9);
    pokarr four = make(m, 4), child;
    four.z[0] = 3;
    four.z[1] = 6;
    four.vec[3] = 0.6;
    four.vec[5] = 0.8;
    pokarr_init_child(four, 0, 2, child);
    pokarr_dump(&child, 1004, 0, 7);
    EXPECT_EQ(read("pokarr004.txt"), golden("pokarr_4d.txt"));
    // a negative id appends to the file of its number
    pokarr_dump(&e, -1, 0, -1);
    EXPECT_EQ(read("pokarr001.txt"), golden("pokarr_empty.txt") + golden("pokarr_empty.txt"));
    const i32 ingo[2] = {3, 12}, ingo1[2] = {-9, 40};
    const f64 xi[2] = {1.25, 1e6}, yi[2] = {-0.5, 2.0 / 3.0}, u1[2] = {0.125, 0.5}, u2[2] = {0.9999, 0.0};
    ingos(-1007, 2, ingo, ingo1, xi, yi, u1, u2);
    EXPECT_EQ(read("pkingo007.txt"), golden("pkingo_7.txt"));
    ingos(7, 2, ingo, ingo1, xi, yi, nullptr, nullptr);
    std::string plain = read("pkingo007.txt");
    EXPECT_NE(plain.find("    0 |     3 |    -9 |       1.25 |       -0.5 \n"), std::string::npos);
    // a list of numbers under id 1234 (file 234), then appended to by id -234
    pokarr nums;
    i32 st = 0;
    pokarr_init_dyn(1, 2, nums, st);
    nums.x[0] = 0.5;
    nums.x[1] = -3.0;
    nums.count = 2;
    pokarr_dump(&nums, 1234, 0, -1);
    const std::string want = "Dimensions: 1\nNo of Points: 2\nIndex ,      N     \n======,============\n"
                             "    0 ,        0.5 \n    1 ,         -3 \n\n\n";
    const std::string one = read("pokarr234.txt");
    EXPECT_NE(one.find(want), std::string::npos) << one;
    EXPECT_EQ(one.find("Origin"), std::string::npos);
    pokarr_dump(&nums, -234, 0, -1);
    EXPECT_EQ(read("pokarr234.txt"), one + one);
    // the farthest negative id still names a file of three digits (648),
    // appended to; an intersection table under it as well
    pokarr_dump(&nums, INT32_MIN, 0, -1);
    EXPECT_NE(read("pokarr648.txt").find("File id: 648\n"), std::string::npos);
    ingos(INT32_MIN, 2, ingo, ingo1, xi, yi, u1, u2);
    EXPECT_NE(read("pkingo648.txt").find("File id: 648\n"), std::string::npos);
    // under the trace switch every dump goes to file 0, written anew
    pkdbg_trace = 1;
    pokarr_dump(&nums, -5, 0, -1);
    pokarr_dump(&e, 17, 0, -1);
    pkdbg_trace = 0;
    EXPECT_EQ(read("pokarr000.txt"), std::string("Pocket array\n~~~~~~~~~~~~\n\nFile id: 0\n\nType: Empty\n"));
    EXPECT_FALSE(std::filesystem::exists("pokarr005.txt"));
    pokarr_free(nums);
    pokarr_free(a);
    pokarr_free(four);
    pkdm_rel_all();
}

TEST(PocketDumps, DrawingsChordArcsAndColourEntities)
{
    fresh();
    InTemp tmp;
    pkdbg_colour(20);
    EXPECT_EQ(pkdbg_colour_now(), 0);
    pkdbg_colour(-3);
    EXPECT_EQ(pkdbg_colour_now(), 0);
    pkdbg_colour(5);
    EXPECT_EQ(pkdbg_colour_now(), 5);
    // a half circle drawn clockwise: 40 chords of 4.5 degrees
    Loop h;
    h.pt(1, 0).arc(-1, 0, 0, 0, -1);
    pokarr a = make(h);
    EXPECT_EQ(pokarr_draw_body(a, 1), 0);
    const auto& figs = norak::figures();
    ASSERT_FALSE(figs.empty());
    const auto& st = figs.back().strokes;
    ASSERT_EQ(st.size(), 40u);
    for (const auto& s : st) {
        f64 a0 = std::atan2(s.from[1], s.from[0]), a1 = std::atan2(s.to[1], s.to[0]);
        f64 d = a0 - a1;
        if (d < -M_PI) d += 2 * M_PI;
        EXPECT_NEAR(d, 4.5 * M_PI / 180, 1e-6);
    }
    // with the display switch the drawing becomes a coloured curve entity
    pkdbg_set(9);
    pkdbg_switches(12, 0);
    i32 id = pokarr_draw_body(a, 0);
    ASSERT_GT(id, 0);
    EXPECT_EQ(norak::entities().at(id).attrs.at("CO"), 9);
    EXPECT_NE(read("pokarr012.txt").find("No of Points: 5"), std::string::npos);
    // a loop with heights: one point of the curve an entry, heights kept
    Loop t3;
    t3.pt(0, 0).pt(1, 0).pt(1, 1);
    pokarr h3 = make(t3, 3);
    for (i32 k = 0; k < 3; ++k) h3.z[k] = 2.0 + k;
    i32 id3 = pokarr_draw_body(h3, 1);
    ASSERT_GT(id3, 0);
    const auto& w3 = norak::entities().at(id3).words;
    std::vector<f64> d3(w3.size() / 2);
    std::memcpy(d3.data(), w3.data(), d3.size() * sizeof(f64));
    ASSERT_GE(d3.size(), 2u);
    EXPECT_EQ(d3[1], 3.0);
    EXPECT_EQ(d3[d3.size() - 2], 4.0);  // the last point's height
    pokarr_free(h3);
    pokarr e;
    pokarr_init(2, e);
    EXPECT_EQ(pokarr_draw(e), -1);
    EXPECT_EQ(pkdbg_draw1(4, nullptr, 0), -1);
    EXPECT_EQ(lup_draw(1), -1);
    i32 start = 0, st2 = 0;
    lup_add(1, 1, 0, 0, 0, 0.0, 1, a, start, st2);
    EXPECT_GE(lup_draw(1), 0);
    POKREL(1, st2);
    const f32 fp[4] = {0, 0, 1, 1};
    EXPECT_GT(pkdbg_drawf(2, fp, 2), 0);
    // with the dump counter set, a plane self-intersection run writes its
    // crossing table
    Loop eight;
    eight.pt(0, 0).pt(2, 2).pt(2, 0).pt(0, 2).close();
    pokarr e8 = make(eight), r8;
    pokarr_init(2, r8);
    i32 more = 0;
    DELUPS(e8, r8, more, st2);
    EXPECT_EQ(st2, 0);
    DELREL();
    std::string table = read("pkingo012.txt");
    EXPECT_NE(table.find("ingos: 1\n"), std::string::npos);
    EXPECT_NE(table.find("|          1 |          1 | "), std::string::npos) << table;
    pokarr_free(e8);
    pokarr_free(r8);
    // with the normals switch a point of an array with vectors is drawn to
    // the point plus its vector and back, in a figure and in a curve alike
    Loop two;
    two.pt(0, 0).pt(2, 0);
    pokarr n4 = make(two, 4);
    n4.vec[0] = 0.6;
    n4.vec[2] = 0.8;
    pkdbg_switches(-1, 1);
    pkdbg_set(0);
    EXPECT_EQ(pokarr_draw_body(n4, 1), 0);
    const auto& s4 = norak::figures().back().strokes;
    ASSERT_EQ(s4.size(), 5u);  // up and back at the first point, across, up and back
    EXPECT_NEAR(s4[0].to[0], 0.6, 1e-6);
    EXPECT_NEAR(s4[0].to[2], 0.8, 1e-6);
    pkdbg_set(1);
    i32 id4 = pokarr_draw_body(n4, 1);
    ASSERT_GT(id4, 0);
    const auto& w4 = norak::entities().at(id4).words;
    std::vector<f64> c4(w4.size() / 2);
    std::memcpy(c4.data(), w4.data(), c4.size() * sizeof(f64));
    ASSERT_GE(c4.size(), 2u);
    EXPECT_EQ(c4[1], 6.0);  // six curve points
    pokarr_free(n4);
    pkdbg_set(0);
    pkdbg_switches(-1, 0);
    pokarr_free(a);
    pkdm_rel_all();
}

// A drawing is made only of points it could collect: past the room of the
// collection (three numbers a curve point, nine with the normals) the call
// fails and adds no entity; an arc's chord points take the arc's height and
// vector; an arc of direction 0 keeps its plain sweep.
TEST(PocketDumps, DrawingsPastTheirRoomFailAndArcsKeepTheirHeightsAndVectors)
{
    fresh();
    InTemp tmp;
    pkdbg_set(1);
    struct Case {
        i32 arcs, straight, dims;
        bool fits;
    };
    // 40 points an arc: 3,749 arcs fit in 150,000 points, 3,751 do not;
    // 4-D with the normals takes three curve points a point
    for (const Case c : {Case{3749, 0, 2, true}, Case{3751, 0, 2, false}, Case{0, 49999, 4, true},
                         Case{0, 50001, 4, false}}) {
        Loop l;
        l.pt(0, 0);
        for (i32 k = 0; k < c.arcs; ++k) l.arc(2.0 * (k + 1), 0, 2.0 * k + 1, 0, k % 2 ? 1 : -1);
        for (i32 k = 1; k < c.straight; ++k) l.pt(k, k % 2);
        pokarr a = make(l, c.dims);
        pkdbg_switches(-1, c.dims == 4 ? 1 : 0);
        const size_t before = norak::entities().size();
        i32 id = pokarr_draw_body(a, 1);
        EXPECT_EQ(id > 0, c.fits) << c.arcs << " " << c.straight << " " << id;
        EXPECT_EQ(norak::entities().size(), before + (c.fits ? 1u : 0u));
        pokarr_free(a);
    }
    pkdbg_set(0);
    // a quarter circle with heights and vectors, drawn as a figure
    Loop q;
    q.pt(1, 0).arc(0, 1, 0, 0, 1);
    pokarr a4 = make(q, 4);
    for (i32 k = 0; k < a4.count; ++k) a4.z[k] = 10.0 + k;
    a4.vec[3 * 3] = 0.6;  // the centre entry's vector
    a4.vec[3 * 3 + 2] = 0.8;
    pkdbg_switches(-1, 1);
    EXPECT_EQ(pokarr_draw_body(a4, 1), 0);
    const auto& s4 = norak::figures().back().strokes;
    ASSERT_GE(s4.size(), 5u);  // up and back at the start, then to the first chord point
    EXPECT_NEAR(s4[2].to[2], 13.0, 1e-5);  // the centre entry's height
    EXPECT_NEAR(s4[3].to[0] - s4[2].to[0], 0.6, 1e-5);
    EXPECT_NEAR(s4[3].to[2] - s4[2].to[2], 0.8, 1e-5);
    pokarr_free(a4);
    pkdbg_switches(-1, 0);
    // direction 0 from (1, 0) to (0, -1): a quarter turn clockwise
    Loop d0;
    d0.pt(1, 0).arc(0, -1, 0, 0, 0);
    pokarr a0 = make(d0);
    EXPECT_EQ(pokarr_draw_body(a0, 1), 0);
    const auto& s0 = norak::figures().back().strokes;
    ASSERT_EQ(s0.size(), 40u);
    EXPECT_LT(s0[0].to[1], 0.0);
    EXPECT_GT(s0[0].to[0], 0.99);
    pokarr_free(a0);
    pkdm_rel_all();
}
