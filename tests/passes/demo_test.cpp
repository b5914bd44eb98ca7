// The example sessions end to end through the runner: the procedure defined
// through the menus and executed; every written move checked against the
// reference drop of the tool over the triangle model; markers balanced; feed
// codes in their places; the picture and the STL written.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

#include "common/dropref.h"
#include "tests/inprocess.h"
#include "tests/session_util.h"
#include "tests/passes/common.h"

namespace {

struct Move {
    double a[3], b[3];
    int feed;
    int marker;  // innermost open marker code (0 none)
};

// Moves of the host's tool path dump (one element a line, words as
// integers), with the feed code and the open marker of each; the start and
// end markers are counted.
std::vector<Move> read_moves(const std::string& dump, int& starts, int& ends)
{
    std::vector<Move> out;
    std::istringstream in(dump);
    std::string line;
    double cur[3] = {0, 0, 0};
    bool have = false;
    int feed = 1;
    std::vector<int> open;
    starts = ends = 0;
    auto to = [&](const double* p) {
        if (have) out.push_back({{cur[0], cur[1], cur[2]}, {p[0], p[1], p[2]}, feed, open.empty() ? 0 : open.back()});
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
        if (t == 99 && w.size() >= 3) {
            const int code = int(w[2]);
            if (code % 2 == 1) {
                ++starts;
                open.push_back(code);
            } else {
                ++ends;
                if (!open.empty() && open.back() == code - 1) open.pop_back();
            }
        }
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

// The triangles of the saved approximations (ASCII STL).
std::vector<double> read_stl(const std::string& text)
{
    std::vector<double> t;
    std::istringstream in(text);
    std::string word;
    while (in >> word)
        if (word == "vertex")
            for (int c = 0; c < 3; ++c) {
                double v = 0;
                in >> v;
                t.push_back(v);
            }
    return t;
}

// The session text with words of the heights record replaced (counted
// from 1).
std::string with_heights(std::string text, const std::vector<std::pair<int, double>>& words)
{
    const size_t h = text.find("\"HEI8\"");
    const size_t a = text.find('[', h), b = text.find(']', a);
    std::vector<std::string> w;
    std::istringstream in(text.substr(a + 1, b - a - 1));
    std::string item;
    while (std::getline(in, item, ',')) w.push_back(item);
    for (auto [k, v] : words) w[size_t(k - 1)] = std::to_string(v);
    std::string list;
    for (size_t k = 0; k < w.size(); ++k) list += (k ? "," : "") + w[k];
    return text.replace(a + 1, b - a - 1, list);
}

// One run of an example: completes, markers balanced, feed codes in their
// places, the picture and the model written, and no move of any kind below
// the reference drop of the ball over the triangle model (minus the
// tolerance), every move sampled at least every 0.25. The tool path is
// returned.
std::string example(const char* name, double tol, const char* heights, const std::string& text,
                    const std::string& same_as = "")
{
    SCOPED_TRACE(std::string(name) + " " + heights);
    EXPECT_FALSE(text.empty());
    RunResult r = run_session(text, name);
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.transcript.find("internal:"), std::string::npos) << r.transcript;
    EXPECT_EQ(r.transcript.find("GOUGING"), std::string::npos);
    EXPECT_NE(r.transcript.find("left open: arrays 0, blocks 0"), std::string::npos);
    int starts = 0, ends = 0;
    const std::string dump = read_file(r.dir + "/out/toolpath.txt");
    const auto moves = read_moves(dump, starts, ends);
    EXPECT_GT(moves.size(), 100u);
    EXPECT_EQ(starts, ends);  // markers balanced
    const std::string svg = read_file(r.dir + "/out/toolpath.svg");
    for (const char* c : {"class=\"feed\"", "class=\"rapid\"", "class=\"surface\""})
        EXPECT_NE(svg.find(c), std::string::npos) << c;

    // Feed codes: cutting within the strings of a surface (down-feed when
    // descending), the pass-kind-6 feed within its strings, the approach feed
    // for the last move of every approach, rapid or travel elsewhere.
    int approaches = 0;
    for (size_t k = 0; k < moves.size(); ++k) {
        const Move& m = moves[k];
        EXPECT_TRUE(m.feed == 1 || m.feed == 3 || m.feed == 4 || m.feed == 25 || m.feed == 26 || m.feed == 27) << m.feed;
        if (m.marker == 5) {
            EXPECT_TRUE(m.feed == 1 || m.feed == 26) << k;
        }
        if (m.marker == 15) {
            EXPECT_EQ(m.feed, 25) << k;
        }
        if (m.marker == 9 && (k + 1 == moves.size() || moves[k + 1].marker != 9)) {
            EXPECT_EQ(m.feed, 3) << k;
            ++approaches;
        }
        // A retract never goes down.
        if (m.marker == 11) {
            EXPECT_GE(m.b[2], m.a[2] - 1e-4) << k;
        }
    }
    EXPECT_GT(approaches, 0);
    if (dump == same_as) {
        std::printf("MEASURE example %s, %s heights: the same tool path\n", name, heights);
        return dump;
    }

    const std::vector<double> tri = read_stl(read_file(r.dir + "/out/model.stl"));
    EXPECT_GT(tri.size(), 900u);
    dropref::Buckets bk;
    bk.build(tri, 5.0);
    const dropref::Tool ball{1, 5.0, 5.0};
    double worst = -1e9, wp[3] = {0, 0, 0};
    int samples = 0;
    for (const Move& m : moves) {
        const double len = std::sqrt(std::pow(m.b[0] - m.a[0], 2) + std::pow(m.b[1] - m.a[1], 2) + std::pow(m.b[2] - m.a[2], 2));
        const int n = std::max(4, int(len / 0.25));
        for (int k = 0; k <= n; ++k) {
            double p[3];
            for (int c = 0; c < 3; ++c) p[c] = m.a[c] + (m.b[c] - m.a[c]) * k / n;
            const double ref = bk.drop_all(ball, p);
            ++samples;
            if (ref > -1e30 && ref - p[2] > worst) worst = ref - p[2], std::memcpy(wp, p, sizeof wp);
        }
    }
    std::printf("MEASURE example %s, %s heights: %zu moves, %d samples, deepest below the reference drop %.5f at %.3f "
                "%.3f %.3f (tolerance %.3f)\n",
                name, heights, moves.size(), samples, worst, wp[0], wp[1], wp[2], tol);
    EXPECT_LE(worst, tol + 1e-4);
    return dump;
}

void examples(const char* name, double tol, double absolute)
{
    const std::string text = read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/" + name + ".json");
    const std::string first = example(name, tol, "clearance", text);
    // Absolute link heights: the height mode and its plane.
    example(name, tol, "absolute", with_heights(text, {{77, 1}, {25, absolute}}), first);
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
    examples("dome", 0.02, 45.0);
    examples("cavity", 0.01, 28.0);
}

TEST(Demo, ABallFarLargerThanThePartStandsOnItWithoutCuttingIt)
{
    // A ball of diameter 1,000 over the 100 x 80 dome: every move stays on or
    // above the reference drop of that ball over the triangle model, and the
    // strings of the surface touch it.
    std::string text = read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/dome.json");
    const std::string tool = "\"diameter\": 10,\n   \"corner_radius\": 5";
    const size_t at = text.find(tool);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, tool.size(), "\"diameter\": 1000, \"corner_radius\": 500");
    RunResult r = run_session(text, "bigball");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(count_lines_with(r.transcript, "IS CREATED"), 1);
    EXPECT_EQ(r.transcript.find("internal:"), std::string::npos) << r.transcript;
    int starts = 0, ends = 0;
    const auto moves = read_moves(read_file(r.dir + "/out/toolpath.txt"), starts, ends);
    EXPECT_GT(moves.size(), 100u);
    EXPECT_EQ(starts, ends);
    const std::vector<double> tri = read_stl(read_file(r.dir + "/out/model.stl"));
    dropref::Buckets bk;
    bk.build(tri, 20.0);
    const dropref::Tool ball{1, 500.0, 500.0};
    double below = -1e9, off = 0;
    for (const Move& m : moves) {
        const double len = std::sqrt(std::pow(m.b[0] - m.a[0], 2) + std::pow(m.b[1] - m.a[1], 2) + std::pow(m.b[2] - m.a[2], 2));
        const int n = std::max(1, int(len / 2.5));
        for (int k = 0; k <= n; ++k) {
            double p[3];
            for (int c = 0; c < 3; ++c) p[c] = m.a[c] + (m.b[c] - m.a[c]) * k / n;
            const double ref = bk.drop_all(ball, p);
            if (ref <= -1e30) continue;
            below = std::max(below, ref - p[2]);
            if (m.marker == 5 && (k == 0 || k == n)) off = std::max(off, std::fabs(ref - p[2]));
        }
    }
    std::printf("MEASURE ball 1000 over the dome: %zu moves, deepest below the reference drop %.5f, string points off "
                "it by at most %.5f\n", moves.size(), below, off);
    EXPECT_LE(below, 0.02 + 1e-4);
    EXPECT_LE(off, 0.02 + 1e-4);
}

// The points of the string blocks of a list tree (without the numbers of
// their elements).
void strings(const norak::List& l, std::vector<std::vector<i32>>& out)
{
    for (const auto& e : l.elems) {
        const auto& w = e.words;
        if (!w.empty() && (w[0] == 7 || w[0] == 27)) {
            const size_t rec = w[0] == 7 ? 4 : 7;
            out.emplace_back();
            for (size_t k = 1; k + rec <= w.size(); k += rec) out.back().insert(out.back().end(), &w[k + 1], &w[k + rec]);
        }
        if (e.sub) strings(*e.sub, out);
    }
}

TEST(Demo, ASecondSessionInTheSameProcessWritesTheSamePasses)
{
    // The module stays loaded while the host starts a new session: nothing
    // of the first execution (the work arrays of the positioning among
    // them) may be taken over by its handle into the next.
    const std::string text = read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/dome.json");
    std::vector<std::vector<i32>> first;
    for (int run = 0; run < 2; ++run) {
        InProcess s(text);
        tavrek();
        norak::nc_after_call();
        EXPECT_FALSE(norak::transcript_has("internal:"));
        std::vector<std::vector<i32>> now;
        strings(norak::main_list(), now);
        EXPECT_GT(now.size(), 20u);
        if (run == 0)
            first = now;
        else
            EXPECT_TRUE(now == first);

    }
}

// A session that executes twice, the second time with a long line at a
// fine tolerance: a narrow flat strip 20 long milled with a ball of 0.01,
// each pass one straight step that the gouge check positions at a few
// thousandths: the string positioning's work array grows past its first
// 10,000 records in both executions and is released between them.
TEST(Demo, ASessionExecutingTwiceGrowsTheWorkArrayAgain)
{
    nlohmann::json s = nlohmann::json::parse(read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/dome.json"));
    for (auto& e : s["entities"]) {
        if (e["kind"] == "nurbs_surface") {
            for (auto& p : e["points"]) {
                p[0] = p[0].get<double>() * 0.0004;
                p[1] = p[1].get<double>() * 0.25;
                p[2] = 5.0;
            }
        } else if (e["kind"] == "tool") {
            e["diameter"] = 0.01;
            e["corner_radius"] = 0.005;
        }
    }
    nlohmann::json replies = nlohmann::json::array();
    for (const auto& r : s["replies"]) {
        if (r.contains("menu") && r["menu"] == -1) break;
        nlohmann::json q = r;
        if (q.contains("menu") && q["menu"] == "TOLERANCE") q["value"] = 0.0008;
        if (q.contains("menu") && q["menu"] == "SCALLOP HEIGHT") q["value"] = 0.004;
        replies.push_back(q);
    }
    // The next procedure, finer still.
    replies.push_back({{"menu", "TOLERANCE"}, {"value", 0.0006}});
    replies.push_back({{"menu", 0}});
    replies.push_back({{"menu", "YES"}, {"note", "OK TO EXECUTE?"}});
    replies.push_back({{"menu", -1}});
    s["replies"] = replies;
    RunResult r = run_session(s.dump(), "twice");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(count_lines_with(r.transcript, "question: OK TO EXECUTE?"), 2) << r.transcript;
    EXPECT_EQ(count_lines_with(r.transcript, "PROCEDURE EXECUTION END TIME"), 2) << r.transcript;
    EXPECT_EQ(r.transcript.find("internal:"), std::string::npos) << r.transcript;
}

}  // namespace
