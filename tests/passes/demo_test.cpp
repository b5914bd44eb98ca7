// The example sessions end to end through the runner: the procedure defined
// through the menus and executed; every written move checked against the
// reference drop of the tool over the exact surfaces (evaluated by the
// tests' own evaluator from the session, not over the module's own
// triangles), both ways for the cutting moves; link heights; the five-axis
// run's tool axes, touch and clearance along the axis; markers balanced;
// feed codes in their places; the picture and the STL written.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "common/dropref.h"
#include "common/surfeval.h"
#include "tests/inprocess.h"
#include "tests/session_util.h"
#include "tests/passes/common.h"

namespace {

struct Move {
    double a[3], b[3];
    int feed;
    int marker;  // innermost open marker code (0 none)
    double aa[3], ab[3];  // tool axes at the two ends ((0, 0, 1) for a move without one)
};

// Moves of the host's tool path dump (one element a line, words as
// integers), with the feed code and the open marker of each; the start and
// end markers are counted.
std::vector<Move> read_moves(const std::string& dump, int& starts, int& ends)
{
    std::vector<Move> out;
    std::istringstream in(dump);
    std::string line;
    double cur[3] = {0, 0, 0}, cax[3] = {0, 0, 1};
    bool have = false;
    int feed = 1;
    std::vector<int> open;
    starts = ends = 0;
    auto to = [&](const double* p, const double* ax) {
        if (have)
            out.push_back({{cur[0], cur[1], cur[2]}, {p[0], p[1], p[2]}, feed, open.empty() ? 0 : open.back(),
                           {cax[0], cax[1], cax[2]}, {ax[0], ax[1], ax[2]}});
        for (int c = 0; c < 3; ++c) cur[c] = p[c], cax[c] = ax[c];
        have = true;
    };
    const double up[3] = {0, 0, 1};
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
            const double a[3] = {t == 2 ? 0.0 : r(5), t == 2 ? 0.0 : r(6), t == 2 ? 1.0 : r(7)};
            to(p, t == 2 ? up : a);
        }
        if (t == 7 || t == 27 || t == 227) {
            const size_t rec = t == 7 ? 4 : 7;
            for (size_t k = 1; k + rec <= w.size(); k += rec) {
                const double p[3] = {r(k + 1), r(k + 2), r(k + 3)};
                const double a[3] = {rec == 7 ? r(k + 4) : 0.0, rec == 7 ? r(k + 5) : 0.0, rec == 7 ? r(k + 6) : 1.0};
                to(p, a);
            }
        }
    }
    return out;
}

// The reference over the exact surfaces of a session.
std::unique_ptr<surfeval::Reference> exact_of(const std::string& session, double cell)
{
    std::vector<surfeval::Surface> srf;
    for (const auto& [id, s] : surfeval::surfaces_of(nlohmann::json::parse(session))) srf.push_back(s);
    return std::make_unique<surfeval::Reference>(srf, cell);
}

// The session text with words of the heights record replaced (counted
// from 0; an integer stays an integer word, a real a real word).
std::string with_heights(const std::string& text, const std::vector<std::pair<int, nlohmann::json>>& words)
{
    nlohmann::json d = nlohmann::json::parse(text);
    for (const auto& [k, v] : words) d["records"]["HEI8"]["words"][size_t(k)] = v;
    return d.dump(1);
}

// The words of the heights record as the session left them (records.txt).
std::vector<std::string> heights_left(const std::string& records)
{
    std::istringstream in(records);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("HEI8 ", 0) == 0) {
            std::istringstream w(line.substr(line.find(':') + 1));
            std::vector<std::string> out;
            std::string t;
            while (w >> t) out.push_back(t);
            return out;
        }
    return {};
}

// One run of an example: completes, markers balanced, feed codes in their
// places, the picture and the model written; every move of any kind sampled
// at least every 0.25 and never below the reference drop of the ball over
// the exact surfaces by more than the tolerance (plus the measured distance
// of the reference's triangles from the surfaces), the cutting moves never
// above it by more than that either; every horizontal rapid at the
// clearance plane. The moves are returned.
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
    EXPECT_NE(read_file(r.dir + "/out/model.stl").find("endsolid"), std::string::npos);

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

    // Link heights: the three-axis passes hold the clearance switch, so every
    // horizontal rapid runs at the clearance plane (word 0), whatever the
    // height mode; the first approach starts there and the last move ends
    // there.
    const nlohmann::json session = nlohmann::json::parse(text);
    const double clear = session["records"]["HEI8"]["words"][0].get<double>();
    for (const Move& m : moves) {
        if (m.feed == 4 && std::hypot(m.b[0] - m.a[0], m.b[1] - m.a[1]) > 1.0 && std::fabs(m.b[2] - m.a[2]) < 1e-4) {
            EXPECT_FLOAT_EQ(m.b[2], clear) << m.a[0] << " " << m.a[1];
        }
    }
    EXPECT_FLOAT_EQ(moves.front().a[2], clear);
    EXPECT_FLOAT_EQ(moves.back().b[2], clear);

    // The moves alone (the procedure block keeps the heights record).
    std::ostringstream path;
    path.precision(9);
    for (const Move& m : moves)
        path << m.a[0] << " " << m.a[1] << " " << m.a[2] << " " << m.b[0] << " " << m.b[1] << " " << m.b[2] << " "
             << m.feed << " " << m.marker << "\n";
    if (path.str() == same_as) {
        std::printf("MEASURE example %s, %s heights: the same moves\n", name, heights);
        return path.str();
    }

    // Cells small enough that the triangles lie within a tenth of the
    // tolerance of the surfaces on the examples.
    const std::unique_ptr<surfeval::Reference> ex = exact_of(text, 0.4 * std::sqrt(tol / 0.02));
    EXPECT_GT(ex->triangles, 50000);
    const dropref::Tool ball{1, 5.0, 5.0};
    const double bound = tol + ex->sag;
    double deepest = -1e9, highest = -1e9, wp[3] = {0, 0, 0}, hp[3] = {0, 0, 0};
    int samples = 0, cutting = 0;
    for (const Move& m : moves) {
        const double len = std::sqrt(std::pow(m.b[0] - m.a[0], 2) + std::pow(m.b[1] - m.a[1], 2) + std::pow(m.b[2] - m.a[2], 2));
        const int n = std::max(4, int(len / 0.25));
        const bool cuts = m.marker == 5 && (m.feed == 1 || m.feed == 26);
        for (int k = 0; k <= n; ++k) {
            double p[3];
            for (int c = 0; c < 3; ++c) p[c] = m.a[c] + (m.b[c] - m.a[c]) * k / n;
            const double ref = ex->bk.drop_all(ball, p);
            ++samples;
            if (ref == dropref::NONE) {
                EXPECT_FALSE(cuts) << "a cutting move beyond the part at " << p[0] << " " << p[1];
                continue;
            }
            if (ref - p[2] > deepest) deepest = ref - p[2], std::memcpy(wp, p, sizeof wp);
            if (cuts) {
                ++cutting;
                if (p[2] - ref > highest) highest = p[2] - ref, std::memcpy(hp, p, sizeof hp);
            }
        }
    }
    std::printf("MEASURE example %s, %s heights: %zu moves, %d samples (%d cutting) against %d triangles of the exact "
                "surfaces (their distance %.5f): deepest below the reference drop %.5f at %.3f %.3f %.3f, cutting "
                "moves highest above it %.5f at %.3f %.3f %.3f (tolerance %.3f)\n",
                name, heights, moves.size(), samples, cutting, ex->triangles, ex->sag, deepest, wp[0], wp[1], wp[2],
                highest, hp[0], hp[1], hp[2], tol);
    EXPECT_LE(deepest, bound);
    EXPECT_LE(highest, bound);
    EXPECT_GT(cutting, 5000);
    return path.str();
}

void examples(const char* name, double tol, double absolute)
{
    const std::string text = read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/" + name + ".json");
    const std::string first = example(name, tol, "clearance", text);
    // Absolute link heights: the height mode (word 76, counted from 0) and
    // its plane (word 24). The clamp of the positioning (word 77, with the
    // range of words 74 and 75 below the part) is set too: the start-up
    // clears it, so it crushes nothing, while the height mode stays.
    const std::string abs = with_heights(text, {{76, 1}, {24, absolute}, {77, 1}, {74, -100.0}, {75, 1.0}});
    // The same moves: the three-axis passes hold the clearance switch, and
    // nothing is clamped.
    EXPECT_EQ(example(name, tol, "absolute", abs, first), first);
    RunResult r = run_session(abs, std::string(name) + "_records");
    const std::vector<std::string> w = heights_left(r.records);
    ASSERT_EQ(w.size(), 79u);
    EXPECT_EQ(w[76], "1");
    EXPECT_EQ(std::stod(w[24]), absolute);
    EXPECT_EQ(w[77], "0");
}

// The five-axis run of the dome: every cutting position carries a unit tool
// axis leaning off the vertical as the surface does; the ball touches the
// exact surface there (within the tolerance), and nowhere along a cutting
// move, with the axis carried along, does it cut the surface by more than
// the tolerance.
TEST(Demo, FiveAxisRunOfTheDomeTouchesAndNeverCutsAlongItsAxes)
{
    // A feed of 600 and a down-feed of half of it: a down-feed the machine
    // would take, were it a three-axis path.
    nlohmann::json session = nlohmann::json::parse(read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/dome5x.json"));
    session["records"]["PRM9"]["words"][0] = 600.0;
    session["records"]["PRM9"]["words"][6] = 50;
    const std::string text = session.dump();
    RunResult r = run_session(text, "dome5x");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.transcript.find("internal:"), std::string::npos);
    EXPECT_EQ(r.transcript.find("GOUGING"), std::string::npos);
    const std::string dump = read_file(r.dir + "/out/toolpath.txt");
    int starts = 0, ends = 0;
    const auto moves = read_moves(dump, starts, ends);
    EXPECT_GT(moves.size(), 100u);
    EXPECT_EQ(starts, ends);
    EXPECT_NE(dump.find("\n  27 "), std::string::npos);  // strings with the tool axis
    // The down-feed code belongs to three-axis strings: a descending five-axis
    // string keeps the cutting feed.
    EXPECT_EQ(std::count_if(moves.begin(), moves.end(), [](const Move& m) { return m.feed == 26; }), 0);

    const double tol = 0.02;
    const chk::Surface s(nlohmann::json::parse(text)["entities"][0]);
    const chk::Tool ball{10, 5, 0};
    double touch = 0, deepest = -1e9, tilt = 0, worst_unit = 0;
    int positions = 0, chords = 0;
    for (const Move& m : moves) {
        if (m.marker != 5 || !(m.feed == 1 || m.feed == 26)) continue;
        double a[3] = {m.ab[0], m.ab[1], m.ab[2]};
        const double la = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
        worst_unit = std::max(worst_unit, std::fabs(la - 1.0));
        tilt = std::max(tilt, std::acos(std::clamp(a[2] / la, -1.0, 1.0)));
        pt::unit(a);
        const double d = chk::mindist(s, ball, m.b, a);
        touch = std::max(touch, std::fabs(d));
        deepest = std::max(deepest, -d);
        ++positions;
        for (double w : {0.25, 0.5, 0.75}) {
            double c[3], ca[3];
            for (int q = 0; q < 3; ++q) c[q] = m.a[q] + w * (m.b[q] - m.a[q]), ca[q] = m.aa[q] + w * (m.ab[q] - m.aa[q]);
            pt::unit(ca);
            deepest = std::max(deepest, -chk::mindist(s, ball, c, ca));
            ++chords;
        }
    }
    std::printf("MEASURE example dome5x: %d cutting positions, %d chord samples: touch %.5f, deepest cut %.5f, "
                "largest tilt %.1f deg, axis length error %.2e (tolerance %.3f)\n",
                positions, chords, touch, deepest, tilt * 180 / M_PI, worst_unit, tol);
    EXPECT_GT(positions, 1000);
    EXPECT_LE(worst_unit, 2e-4);  // single-precision axes, measured 1.04e-4
    EXPECT_GT(tilt * 180 / M_PI, 10.0);  // the axes do lean
    EXPECT_LE(touch, tol);
    EXPECT_LE(deepest, tol);
}

// A run that creates its one procedure without an internal error, with
// more than `least` moves and balanced markers: its moves.
std::vector<Move> created_run(const std::string& text, const char* name, size_t least)
{
    RunResult r = run_session(text, name);
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(count_lines_with(r.transcript, "IS CREATED"), 1);
    EXPECT_EQ(r.transcript.find("internal:"), std::string::npos) << r.transcript;
    int starts = 0, ends = 0;
    auto moves = read_moves(read_file(r.dir + "/out/toolpath.txt"), starts, ends);
    EXPECT_GT(moves.size(), least);
    EXPECT_EQ(starts, ends);
    return moves;
}

TEST(Demo, ExamplesRunEndToEndWithoutCuttingThePart)
{
    examples("dome", 0.02, 45.0);
    examples("cavity", 0.01, 28.0);
}

TEST(Demo, ABallFarLargerThanThePartStandsOnItWithoutCuttingIt)
{
    // A ball of diameter 1,000 over the 100 x 80 dome: every move stays on or
    // above the reference drop of that ball over the exact surface (less the
    // tolerance), and the strings of the surface touch it.
    std::string text = read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/dome.json");
    const std::string tool = "\"diameter\": 10,\n   \"corner_radius\": 5";
    const size_t at = text.find(tool);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, tool.size(), "\"diameter\": 1000, \"corner_radius\": 500");
    const auto moves = created_run(text, "bigball", 100);
    // The whole part lies under the ball: coarser cells keep the reference
    // quick, their measured distance from the surface goes into the bound.
    const std::unique_ptr<surfeval::Reference> ex = exact_of(text, 1.0);
    const dropref::Buckets& bk = ex->bk;
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
                "it by at most %.5f (the reference's distance from the surface %.5f)\n", moves.size(), below, off, ex->sag);
    EXPECT_LE(below, 0.02 + ex->sag);
    EXPECT_LE(off, 0.02 + ex->sag);
}

// One-way passes over the dome with the clearance switch off (word 73,
// counted from 0): the retracts are left out and the links stay low, yet no
// link, retract or approach runs below the reference drop of the ball over
// the exact surface by more than the tolerance (every link across the dome
// would cut it: they go over the clearance plane).
TEST(Demo, OneWayLinksWithoutTheClearanceSwitchNeverCutThePart)
{
    nlohmann::json s = nlohmann::json::parse(read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/dome.json"));
    s["records"]["HEI8"]["words"][73] = 0;
    auto& rep = s["replies"];
    for (size_t k = 0; k < rep.size(); ++k)
        if (rep[k].contains("menu") && rep[k]["menu"] == "GOUGE CHECK") {
            rep.insert(rep.begin() + static_cast<long>(k) + 1, nlohmann::json{{"menu", "DIRECTION"}, {"value", 2}});
            break;
        }
    const std::string text = s.dump(1);
    const auto moves = created_run(text, "oneway_noclear", 1000);
    const double tol = 0.02, clear = s["records"]["HEI8"]["words"][0].get<double>();
    const std::unique_ptr<surfeval::Reference> ex = exact_of(text, 0.4);
    const dropref::Tool ball{1, 5.0, 5.0};
    double deepest = -1e9, wp[3] = {0, 0, 0};
    int links = 0, low = 0;
    for (const Move& m : moves) {
        if (m.marker == 5 && (m.feed == 1 || m.feed == 26)) continue;  // cutting: the other tests bound it
        if (std::hypot(m.b[0] - m.a[0], m.b[1] - m.a[1]) > 20.0) {
            ++links;
            if (std::max(m.a[2], m.b[2]) < clear - 1.0) ++low;  // counted for the measure
        }
        const double len = std::sqrt(std::pow(m.b[0] - m.a[0], 2) + std::pow(m.b[1] - m.a[1], 2) + std::pow(m.b[2] - m.a[2], 2));
        const int n = std::max(4, int(len / 0.25));
        for (int k = 0; k <= n; ++k) {
            double p[3];
            for (int c = 0; c < 3; ++c) p[c] = m.a[c] + (m.b[c] - m.a[c]) * k / n;
            const double ref = ex->bk.drop_all(ball, p);
            if (ref == dropref::NONE) continue;
            if (ref - p[2] > deepest) deepest = ref - p[2], std::memcpy(wp, p, sizeof wp);
        }
    }
    std::printf("MEASURE one way, clearance switch off: %d links across the part, %d below the clearance plane; "
                "deepest below the reference drop %.5f at %.3f %.3f %.3f\n", links, low, deepest, wp[0], wp[1], wp[2]);
    EXPECT_GT(links, 20);
    EXPECT_LE(deepest, tol + ex->sag);
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

// The distance from a point to the exact surfaces of a session, each within
// its trim loops when it has them: the nearest of a grid of samples inside
// the loops, the surface's nearest point by Newton steps from there (taken
// when it lies within the loops), and the nearest of dense samples of the
// loops' edges in space (a twentieth of a millimetre apart).
class ExactDistance {
public:
    explicit ExactDistance(const nlohmann::json& session)
    {
        for (const auto& e : session["entities"]) {
            const std::string k = e["kind"].get<std::string>();
            if (k != "plane_patch" && k != "nurbs_surface" && k != "revolution") continue;
            pieces.push_back(Piece{surfeval::Surface(e), {}, {}, {}});
            Piece& pc = pieces.back();
            if (e.contains("loops"))
                for (const auto& l : e["loops"]) {
                    std::vector<double> ring;
                    for (const auto& q : l["points"]) ring.insert(ring.end(), {q[0].get<double>(), q[1].get<double>()});
                    pc.loops.push_back(std::move(ring));
                }
            const surfeval::Surface& s = pc.s;
            const int n = 400;
            for (int j = 0; j <= n; ++j)
                for (int i = 0; i <= n; ++i) {
                    const double u = s.u0 + (s.u1 - s.u0) * i / n, v = s.v0 + (s.v1 - s.v0) * j / n;
                    if (pc.inside(u, v)) pc.inner.add(s, u, v);
                }
            for (const auto& l : pc.loops)
                for (size_t a = 0; a < l.size(); a += 2) {
                    const size_t b = (a + 2) % l.size();
                    double p[3], q[3];
                    s.eval(l[a], l[a + 1], p), s.eval(l[b], l[b + 1], q);
                    const int m = std::max(1, int(20 * dist(p, q)));
                    for (int k = 0; k < m; ++k)
                        pc.edges.add(s, l[a] + (l[b] - l[a]) * k / m, l[a + 1] + (l[b + 1] - l[a + 1]) * k / m);
                }
        }
    }

    // The distance from c to the surfaces that lie within reach of it in XY
    // (1e9 when none does).
    double from(const double* c, double reach) const
    {
        double best = 1e9;
        for (const Piece& pc : pieces) {
            if (const Sample* g = pc.inner.nearest(c, reach)) {
                best = std::min(best, dist(g->p, c));
                double u = g->u, v = g->v, p[3];
                if (newton(pc.s, c, u, v) && pc.inside(u, v)) {
                    pc.s.eval(u, v, p);
                    best = std::min(best, dist(p, c));
                }
            }
            if (const Sample* e = pc.edges.nearest(c, reach)) best = std::min(best, dist(e->p, c));
        }
        return best;
    }

private:
    static double dist(const double* p, const double* q) { return std::hypot(std::hypot(p[0] - q[0], p[1] - q[1]), p[2] - q[2]); }

    struct Sample {
        double u, v, p[3];
    };
    // Samples kept by cells of 2 x 2 in XY.
    struct Samples {
        std::vector<Sample> all;
        std::map<std::pair<int, int>, std::vector<size_t>> cells;
        static std::pair<int, int> key(double x, double y) { return {int(std::floor(x / 2.0)), int(std::floor(y / 2.0))}; }
        void add(const surfeval::Surface& s, double u, double v)
        {
            Sample x{u, v, {0, 0, 0}};
            s.eval(u, v, x.p);
            cells[key(x.p[0], x.p[1])].push_back(all.size());
            all.push_back(x);
        }
        const Sample* nearest(const double* c, double reach) const
        {
            const Sample* best = nullptr;
            double bd = 1e300;
            const auto lo = key(c[0] - reach, c[1] - reach), hi = key(c[0] + reach, c[1] + reach);
            for (int a = lo.first; a <= hi.first; ++a)
                for (int b = lo.second; b <= hi.second; ++b) {
                    const auto it = cells.find({a, b});
                    if (it == cells.end()) continue;
                    for (size_t k : it->second)
                        if (dist(all[k].p, c) < bd) bd = dist(all[k].p, c), best = &all[k];
                }
            return best;
        }
    };
    struct Piece {
        surfeval::Surface s;
        std::vector<std::vector<double>> loops;  // (u, v) pairs, each loop closing on its first point
        Samples inner, edges;
        // Within the loops (all loops counted: the holes lie inside the outline).
        bool inside(double u, double v) const
        {
            bool in = loops.empty();
            for (const auto& l : loops)
                for (size_t i = 0, j = l.size() - 2; i < l.size(); j = i, i += 2)
                    if ((l[i + 1] > v) != (l[j + 1] > v) && u < (l[j] - l[i]) * (v - l[i + 1]) / (l[j + 1] - l[i + 1]) + l[i])
                        in = !in;
            return in;
        }
    };
    std::vector<Piece> pieces;

    // The foot of c on the surface by Gauss-Newton steps from (u, v), within
    // the parameter ranges; false when the steps cannot be formed.
    static bool newton(const surfeval::Surface& s, const double* c, double& u, double& v)
    {
        const double hu = 1e-6 * (s.u1 - s.u0), hv = 1e-6 * (s.v1 - s.v0);
        for (int it = 0; it < 30; ++it) {
            double p[3], a[3], b[3], su[3], sv[3];
            s.eval(u, v, p);
            const double ua = std::min(s.u1, u + hu), ub = std::max(s.u0, u - hu);
            const double va = std::min(s.v1, v + hv), vb = std::max(s.v0, v - hv);
            s.eval(ua, v, a), s.eval(ub, v, b);
            for (int k = 0; k < 3; ++k) su[k] = (a[k] - b[k]) / (ua - ub);
            s.eval(u, va, a), s.eval(u, vb, b);
            for (int k = 0; k < 3; ++k) sv[k] = (a[k] - b[k]) / (va - vb);
            const double r[3] = {p[0] - c[0], p[1] - c[1], p[2] - c[2]};
            const double A = su[0] * su[0] + su[1] * su[1] + su[2] * su[2];
            const double B = su[0] * sv[0] + su[1] * sv[1] + su[2] * sv[2];
            const double C = sv[0] * sv[0] + sv[1] * sv[1] + sv[2] * sv[2];
            const double gu = su[0] * r[0] + su[1] * r[1] + su[2] * r[2], gv = sv[0] * r[0] + sv[1] * r[1] + sv[2] * r[2];
            const double det = A * C - B * B;
            if (!(std::fabs(det) > 0)) return false;
            const double xu = -(C * gu - B * gv) / det, xv = -(A * gv - B * gu) / det;
            u = std::clamp(u + xu, s.u0, s.u1), v = std::clamp(v + xv, s.v0, s.v1);
            if (std::fabs(xu) < 1e-12 * (s.u1 - s.u0) && std::fabs(xv) < 1e-12 * (s.v1 - s.v0)) break;
        }
        return true;
    }
};

// The cutting moves (every move at a feed other than rapid and travel) of
// the examples milled with the ball 10, sampled every 0.25: the ball's centre
// (the tip raised by the radius) never nearer to the exact surfaces than the
// radius less the tolerance. The trimmed dome counts within its trim loops
// only: a ball beyond them cuts nothing.
struct ExactCut : ::testing::TestWithParam<std::pair<const char*, double>> {};

TEST_P(ExactCut, CuttingMovesStayWithinTheToleranceOfTheExactSurfaces)
{
    const auto [name, tol] = GetParam();
    const std::string text = read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/" + name + ".json");
    RunResult r = run_session(text, std::string("exact_") + name);
    ASSERT_EQ(r.rc, 0) << r.err;
    int starts = 0, ends = 0;
    const auto moves = read_moves(r.toolpath, starts, ends);
    const ExactDistance ex(nlohmann::json::parse(text));
    const double R = 5.0;
    double deepest = -1e9, at[3] = {0, 0, 0};
    int samples = 0, deep = 0;
    for (const Move& m : moves) {
        if (m.feed == 4 || m.feed == 27) continue;
        const double len = std::hypot(std::hypot(m.b[0] - m.a[0], m.b[1] - m.a[1]), m.b[2] - m.a[2]);
        const int n = std::max(1, int(std::ceil(len / 0.25)));
        for (int k = 0; k <= n; ++k) {
            double c[3];
            for (int q = 0; q < 3; ++q) c[q] = m.a[q] + (m.b[q] - m.a[q]) * k / n;
            c[2] += R;
            const double d = R - ex.from(c, R + 1.0);
            ++samples;
            if (d > tol) ++deep;
            if (d > deepest) deepest = d, std::memcpy(at, c, sizeof at);
        }
    }
    std::printf("MEASURE exact %s: %d samples of cutting moves, deepest %.5f at %.3f %.3f %.3f, %d deeper than the "
                "tolerance %.3f\n", name, samples, deepest, at[0], at[1], at[2] - R, deep, tol);
    EXPECT_GT(samples, 10000);
    EXPECT_LE(deepest, tol);
}

INSTANTIATE_TEST_SUITE_P(Examples, ExactCut,
                         ::testing::Values(std::make_pair("dome", 0.02), std::make_pair("cavity", 0.01),
                                           std::make_pair("trimmed", 0.02)),
                         [](const auto& i) { return std::string(i.param.first); });

}  // namespace
