// The example session end to end through the runner: the procedure defined
// through the menus and executed; every written move checked against the
// exact surface; markers balanced; the picture and the STL written.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/session_util.h"
#include "tests/passes/common.h"

namespace {

struct Move {
    double a[3], b[3];
    int feed;
};

// Moves of the host's tool path dump (one element a line, words as integers).
std::vector<Move> read_moves(const std::string& dump, int& starts, int& ends)
{
    std::vector<Move> out;
    std::istringstream in(dump);
    std::string line;
    double cur[3] = {0, 0, 0};
    bool have = false;
    int feed = 1;
    starts = ends = 0;
    auto to = [&](const double* p) {
        if (have) out.push_back({{cur[0], cur[1], cur[2]}, {p[0], p[1], p[2]}, feed});
        for (int c = 0; c < 3; ++c) cur[c] = p[c];
        have = true;
    };
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::vector<long long> w;
        long long x;
        while (ls >> x) w.push_back(x);
        if (w.empty()) continue;
        auto r = [&](size_t k) { return double(wrd2r(static_cast<i32>(w[k]))); };
        const long long t = w[0];
        if (t == 1 && w.size() >= 5 && w[2] == 1) feed = int(w[4]);
        if (t == 99 && w.size() >= 3) (w[2] % 2 == 1 ? starts : ends)++;
        if ((t == 2 || t == 22 || t == 222) && w.size() >= 5) {
            const double p[3] = {r(2), r(3), r(4)};
            to(p);
        }
        if (t == 7 || t == 27 || t == 227) {
            const size_t rec = t == 7 ? 4 : 7;
            for (size_t k = 1; k + rec <= w.size(); k += rec) {
                const double p[3] = {r(k + 1), r(k + 2), r(k + 3)};
                to(p);
            }
        }
    }
    return out;
}

void example(const char* name, double tol)
{
    SCOPED_TRACE(name);
    const std::string text = read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/" + name + ".json");
    ASSERT_FALSE(text.empty());
    RunResult r = run_session(text, name);
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.transcript.find("internal:"), std::string::npos) << r.transcript;
    int starts = 0, ends = 0;
    const auto moves = read_moves(read_file(r.dir + "/out/toolpath.txt"), starts, ends);
    ASSERT_GT(moves.size(), 100u);
    EXPECT_EQ(starts, ends);  // markers balanced
    const std::string svg = read_file(r.dir + "/out/toolpath.svg");
    for (const char* c : {"class=\"feed\"", "class=\"rapid\"", "class=\"link\"", "class=\"surface\""})
        EXPECT_NE(svg.find(c), std::string::npos) << c;
    EXPECT_NE(read_file(r.dir + "/out/model.stl").find("facet normal"), std::string::npos);

    // Every move, sampled, keeps the ball off the surface (within the
    // tolerance 0.02 of the example).
    norak::reset();
    norak::load_session_text(text);
    chk::Surface s(11, 120, 120);
    const chk::Tool ball{10, 5, 0};
    const double up[3] = {0, 0, 1};
    double worst = 0;
    for (const Move& m : moves) {
        const double len = std::sqrt(std::pow(m.b[0] - m.a[0], 2) + std::pow(m.b[1] - m.a[1], 2) + std::pow(m.b[2] - m.a[2], 2));
        const int n = std::max(1, int(len / 2.0));
        for (int k = 0; k <= n; ++k) {
            double p[3];
            for (int c = 0; c < 3; ++c) p[c] = m.a[c] + (m.b[c] - m.a[c]) * k / n;
            worst = std::max(worst, -chk::mindist(s, ball, p, up));
        }
    }
    std::printf("MEASURE example %s: %zu moves, deepest cut of any move %.5f (tolerance %.3f)\n", name, moves.size(),
                worst, tol);
    EXPECT_LE(worst, tol + 1e-4);
}

TEST(Demo, FiveAxisRunOfTheDomeCompletes)
{
    const std::string text = read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/dome5x.json");
    RunResult r = run_session(text, "dome5x");
    ASSERT_EQ(r.rc, 0) << r.err;
    const std::string dump = read_file(r.dir + "/out/toolpath.txt");
    int starts = 0, ends = 0;
    const auto moves = read_moves(dump, starts, ends);
    EXPECT_GT(moves.size(), 100u);
    EXPECT_EQ(starts, ends);
    EXPECT_NE(dump.find("\n  27 "), std::string::npos);  // strings with the tool axis
}

TEST(Demo, ExamplesRunEndToEndWithoutCuttingThePart)
{
    example("dome", 0.02);
    example("cavity", 0.01);
}

}  // namespace
