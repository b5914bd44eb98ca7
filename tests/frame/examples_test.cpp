// Every session of examples/ through the runner (in the sanitized build of
// the tests): it completes without a stop or an internal error; every tool
// position it wrote, and the middle of every move, keeps the tool out of the
// part by the independent check of the exact surfaces (trimmed surfaces:
// their samples inside the trim loops); everything it wrote (tool path,
// transcript, records, reports, stock picture) matches its golden file,
// wall-clock stamps aside.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/words.h"
#include "tests/common/pngread.h"
#include "tests/passes/checker.h"
#include "tests/session_util.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

// Outputs too large to keep whole, views of what the other outputs hold (the
// triangle model, the picture of the tool path): kept as digests.
const std::set<std::string> DIGESTED = {"model.stl", "toolpath.svg"};

struct Pos {
    double p[3], a[3];
};

// The tool positions of the host's dump, in tool path order: lines (types
// 2, 22, 222) and the points of strings (7, 27, 227), with their axes.
std::vector<Pos> positions(const std::string& dump)
{
    std::vector<Pos> out;
    std::istringstream in(dump);
    for (std::string line; std::getline(in, line);) {
        const std::vector<long long> w = dump_words(line);
        if (w.empty()) continue;
        auto r = [&](size_t k) { return double(wrd2r(static_cast<i32>(w[k]))); };
        const long long t = w[0];
        const bool axis = t >= 20;
        if ((t == 2 || t == 22 || t == 222) && w.size() >= (axis ? 8u : 5u))
            out.push_back({{r(2), r(3), r(4)}, {axis ? r(5) : 0.0, axis ? r(6) : 0.0, axis ? r(7) : 1.0}});
        if (t == 7 || t == 27 || t == 227) {
            const size_t rec = t == 7 ? 4 : 7;
            for (size_t k = 1; k + rec <= w.size(); k += rec)
                out.push_back({{r(k + 1), r(k + 2), r(k + 3)},
                               {axis ? r(k + 4) : 0.0, axis ? r(k + 5) : 0.0, axis ? r(k + 6) : 1.0}});
        }
    }
    return out;
}

// The entities of a session (none: an empty list).
const json& entities(const json& s)
{
    static const json none = json::array();
    return s.contains("entities") ? s["entities"] : none;
}

// The tool the session's procedure mills with: the one its tool menu
// selects by name, else the one of "PRM9".
const json* session_tool(const json& s)
{
    std::string name;
    const json& replies = s.value("replies", json::array());
    for (size_t k = 0; k + 1 < replies.size(); ++k)
        if (replies[k].value("menu", json()) == "SELECT NEW TOOL") name = replies[k + 1]["menu"].get<std::string>();
    long long id = -1;
    if (s.contains("records") && s["records"].contains("PRM9")) id = s["records"]["PRM9"]["words"][11].get<long long>();
    for (const json& e : entities(s))
        if (e["kind"] == "tool" && (name.empty() ? e.value("id", -2LL) == id : e.value("name", "") == name)) return &e;
    return nullptr;
}

// The tolerance the session's replies give its procedures (the largest).
double session_tolerance(const json& s)
{
    double tol = 0.1;  // the parameter page's default
    bool set = false;
    for (const json& r : s.value("replies", json::array()))
        if (r.value("menu", json()) == "TOLERANCE") tol = set ? std::max(tol, r["value"].get<double>()) : r["value"].get<double>(), set = true;
    return tol;
}

// The exact surfaces of the session, sampled; a trimmed surface keeps the
// samples inside its loops and is measured on them alone.
struct Part {
    std::vector<chk::Surface> plain, trimmed;
};

bool inside_loops(const json& loops, double u, double v)
{
    for (size_t l = 0; l < loops.size(); ++l) {
        const json& p = loops[l]["points"];
        bool in = false;
        for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
            const double ui = p[i][0], vi = p[i][1], uj = p[j][0], vj = p[j][1];
            if ((vi > v) != (vj > v) && u < (uj - ui) * (v - vi) / (vj - vi) + ui) in = !in;
        }
        if ((l == 0) != in) return false;
    }
    return true;
}

Part part_of(const json& s)
{
    Part part;
    for (const json& e : entities(s)) {
        const std::string k = e["kind"];
        if (k != "plane_patch" && k != "nurbs_surface" && k != "revolution") continue;
        if (!e.contains("loops")) {
            part.plain.emplace_back(e);
            continue;
        }
        chk::Surface t(e, 400, 400);
        for (auto& [key, list] : t.grid)
            list.erase(std::remove_if(list.begin(), list.end(),
                                      [&](int k) {
                                          return !inside_loops(e["loops"], chk::Surface::par(k % t.nu, t.nu, t.u0, t.u1),
                                                               chk::Surface::par(k / t.nu, t.nv, t.v0, t.v1));
                                      }),
                       list.end());
        part.trimmed.push_back(std::move(t));
    }
    return part;
}

// The deepest the tool with its tip at p reaches into the part (0 or less:
// clear of it).
double depth(const Part& part, const chk::Tool& tool, const Pos& at)
{
    double d = -1e9;
    for (const chk::Surface& s : part.plain) d = std::max(d, -chk::mindist(s, tool, at.p, at.a));
    for (const chk::Surface& s : part.trimmed)
        s.near(at.p[0], at.p[1], tool.D, [&](int k) { d = std::max(d, -chk::tooldist(tool, at.p, at.a, &s.pts[size_t(3 * k)])); });
    return d;
}

// A banner line of the module's load with its build date ("Mmm dd hh:mm:ss
// yyyy", the compiler's clock) as letters: it changes with every build.
std::string build_date_out(const std::string& line)
{
    for (const char* label : {"Program build date : ", "Module build date  : "})
        if (const size_t at = line.find(label); at != std::string::npos)
            return line.substr(0, at + std::strlen(label)) + "Mmm dd hh:mm:ss yyyy";
    return line;
}

// A text output as kept: wall-clock stamps and build dates as letters, and in
// the tool path dump the procedure blocks' dates and times as zeros.
std::string as_kept(const std::string& file, const std::string& text)
{
    std::istringstream in(stamps_out(text, "YYYY-MM-DD hh:mm:ss"));
    std::string kept;
    for (std::string line; std::getline(in, line);)
        kept += (file == "toolpath.txt" ? dump_line_stamps_out(line) : build_date_out(line)) + "\n";
    return kept;
}

// The stock pictures cell by cell: how many cells differ and the first.
void same_stock(const std::string& name, const std::string& want, const std::string& got)
{
    std::uint32_t w0 = 0, h0 = 0, w1 = 0, h1 = 0;
    std::vector<unsigned char> a, b;
    ASSERT_TRUE(pngread::decode(want, w0, h0, a)) << name << ": the golden stock.png";
    ASSERT_TRUE(pngread::decode(got, w1, h1, b)) << name << ": stock.png";
    ASSERT_EQ(std::make_pair(w0, h0), std::make_pair(w1, h1)) << name << ": the stock picture's size";
    size_t differ = 0, first = 0;
    for (size_t k = 0; k < a.size() && k < b.size(); ++k)
        if (a[k] != b[k] && differ++ == 0) first = k;
    EXPECT_EQ(differ, 0u) << name << ": stock cells differ from the golden picture, the first at column " << first % w0
                          << " row " << first / w0 << " (kept " << int(a[first]) << ", written " << int(b[first]) << ")";
}

// Every output of the session against its golden file (TAVREK_GOLDEN=renew
// writes them): the texts whole, the stock picture cell by cell, the large
// views by their digests (in "digests.txt").
void outputs_match(const std::string& name, const std::string& out)
{
    const fs::path golden = fs::path(TAVREK_SOURCE_DIR) / "tests/data/golden/examples" / name;
    const char* renew = std::getenv("TAVREK_GOLDEN");
    const bool write = renew && std::string(renew) == "renew";
    if (write) {
        fs::remove_all(golden);
        fs::create_directories(golden);
    }
    std::set<std::string> got, want;
    std::string digests;
    std::vector<std::string> files;
    for (const auto& f : fs::directory_iterator(out)) files.push_back(f.path().filename().string());
    std::sort(files.begin(), files.end());
    for (const std::string& file : files) {
        const std::string text = read_file(out + "/" + file);
        if (DIGESTED.count(file)) {
            digests += text_digest(file, text);
            continue;
        }
        got.insert(file);
        const std::string kept = file == "stock.png" ? text : as_kept(file, text);
        if (write) {
            std::ofstream(golden / file, std::ios::binary) << kept;
            continue;
        }
        const std::string want_text = read_file((golden / file).string());
        if (file == "stock.png")
            same_stock(name, want_text, kept);
        else if (const std::string d = first_difference(want_text, kept); !d.empty())
            ADD_FAILURE() << name << ": " << file << " differs from its golden file at " << d << " (written: " << out << "/"
                          << file << ")";
    }
    if (write) {
        std::ofstream(golden / "digests.txt", std::ios::binary) << digests;
        return;
    }
    const std::string d = first_difference(read_file((golden / "digests.txt").string()), digests);
    EXPECT_TRUE(d.empty()) << name << ": the digests of the model and picture differ at " << d;
    got.insert("digests.txt");
    for (const auto& f : fs::directory_iterator(golden)) want.insert(f.path().filename().string());
    EXPECT_EQ(got, want) << name << ": the outputs written and the golden files";
}

// The raw block of a session (stock procedure 52): its box; null when none.
const json* raw_block(const json& session)
{
    for (const json& e : entities(session))
        if (e["kind"] == "stock_procedure" && e["code"] == 52) return &e["box"];
    return nullptr;
}

// The stock picture holds a stock that the path cut: the uncut top white,
// the deepest cut dark grey, many levels of grey between them, and black
// (no stock) only where the tool went through the raw block's bottom: each
// black pixel within the tool's radius and a cell of a tool position below
// that bottom.
void stock_is_cut(const std::string& name, const json& session, const std::string& png, const std::vector<Pos>& path,
                  double radius)
{
    std::uint32_t w = 0, h = 0;
    std::vector<unsigned char> pix;
    ASSERT_TRUE(pngread::decode(png, w, h, pix)) << name << ": stock.png";
    std::set<unsigned char> levels(pix.begin(), pix.end());
    EXPECT_TRUE(levels.count(255) && levels.count(40)) << name << ": no uncut top or no cut";
    EXPECT_GE(levels.size(), 20u) << name << ": grey levels of the stock";
    const json* box = raw_block(session);
    ASSERT_TRUE(box) << name;
    const json& b = *box;
    double cell = 0.5;  // the picture's cells: as the session's first stock cell size
    if (session.contains("records") && session["records"].contains("DX79")) cell = session["records"]["DX79"]["words"][0].get<double>();
    std::vector<const Pos*> through;
    for (const Pos& p : path)
        if (p.p[2] < b[2].get<double>()) through.push_back(&p);
    size_t black = 0, stray = 0;
    const double x0 = b[0].get<double>() - cell / 2, y1 = b[4].get<double>() + cell / 2;
    const double sx = (b[3].get<double>() - b[0].get<double>() + cell) / w, sy = (b[4].get<double>() - b[1].get<double>() + cell) / h;
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x) {
            if (pix[size_t(y) * w + x] != 0) continue;
            ++black;
            const double px = x0 + (x + 0.5) * sx, py = y1 - (y + 0.5) * sy;
            const bool near = std::any_of(through.begin(), through.end(), [&](const Pos* p) {
                return std::hypot(p->p[0] - px, p->p[1] - py) <= radius + 2 * cell;
            });
            if (!near) ++stray;
        }
    EXPECT_EQ(stray, 0u) << name << ": pixels without stock away from where the tool went through the block's bottom";
    EXPECT_EQ(black > 0, !through.empty()) << name << ": " << black << " pixels without stock, "
                                           << through.size() << " tool positions below the block's bottom";
}

// The session again with the reference of its gouge check made a block as
// high as the raw stock's top: every cutting move below it gouges, so the
// check must find and report gouges (it compares the path with the cells).
void planted_gouges_found(const std::string& name, json session)
{
    double top = 0.0;
    for (const json& e : entities(session))
        if (e["kind"] == "stock_procedure" && e["code"] == 52) top = e["box"][5].get<double>();
    for (json& e : session["entities"])
        if (e["kind"] == "stock_procedure" && e["code"] == 53) {
            e.erase("surfaces");
            e.erase("cell");
            e["top"] = top;
        }
    const RunResult r = run_session(session.dump(), "planted_" + name);
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(count_lines_with(r.transcript, "host message 339/120"), 1) << name << ": no gouge reported";
    std::string all;
    for (const auto& f : fs::directory_iterator(r.dir + "/out"))
        if (f.path().extension() == ".gr") all += read_file(f.path().string());
    EXPECT_GT(std::count(all.begin(), all.end(), '\n'), 10) << name << ": gouge lines in the report";
}

// No rapid move of the session comes down into its raw block: every point a
// rapid (feed code 4 or 27, or a negative feed) goes to over the block, the
// tool's radius around it, stays at or above the block's top. (The examples'
// rapids run from and to the clearance height, above the block.)
void rapids_above_stock(const std::string& name, const json& session, const std::string& dump, double radius)
{
    const json* block = nullptr;
    for (const json& e : entities(session))
        if (e["kind"] == "stock_procedure" && e["code"] == 52) block = &e["box"];
    if (!block) return;
    const json& b = *block;
    bool rapid = false;
    size_t seen = 0;
    std::istringstream in(dump);
    for (std::string line; std::getline(in, line);) {
        const std::vector<long long> w = dump_words(line);
        if (w.empty()) continue;
        const long long t = w[0];
        if (t == 1 && w.size() >= 5 && w[2] == 1)
            rapid = w[3] == 1 ? (w[4] == 4 || w[4] == 27) : wrd2r(static_cast<i32>(w[4])) < 0.0f;
        if (!rapid || (t != 2 && t != 22 && t != 222)) continue;
        const double x = wrd2r(static_cast<i32>(w[2])), y = wrd2r(static_cast<i32>(w[3])), z = wrd2r(static_cast<i32>(w[4]));
        ++seen;
        const bool over = x > b[0].get<double>() - radius && x < b[3].get<double>() + radius &&
                          y > b[1].get<double>() - radius && y < b[4].get<double>() + radius;
        if (over) {
            EXPECT_GE(z, b[5].get<double>() - 1e-3) << name << ": a rapid into the raw block at " << x << " " << y << " " << z;
        }
    }
    EXPECT_GT(seen, 0u) << name << ": no rapid found";
}

struct Examples : ::testing::TestWithParam<std::string> {};

TEST_P(Examples, CompletesClearOfThePartWithItsGoldenOutputs)
{
    const std::string name = GetParam();
    const std::string text = read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/" + name + ".json");
    const json session = json::parse(text);
    const RunResult r = run_session(text, "example_" + name);
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.transcript.find("internal:"), std::string::npos) << name;
    EXPECT_EQ(r.transcript.find("session stopped"), std::string::npos) << name;
    outputs_match(name, r.dir + "/out");
    // A session with a stock leaves its picture: a PNG of the Z-map.
    const bool stock = std::any_of(entities(session).begin(), entities(session).end(),
                                   [](const json& e) { return e["kind"] == "stock_procedure"; });
    const std::vector<Pos> path = positions(r.toolpath);
    const json* tool = session_tool(session);
    if (stock) {
        const double radius = tool ? 0.5 * (*tool)["diameter"].get<double>() : 0.0;
        stock_is_cut(name, session, read_file(r.dir + "/out/stock.png"), path, radius);
        if (session.value("settings", json::object()).value("verify", 0) == 2) planted_gouges_found(name, session);
        rapids_above_stock(name, session, r.toolpath, radius);
    }

    const Part part = part_of(session);
    if (path.empty() || !tool) return;
    ASSERT_FALSE(part.plain.empty() && part.trimmed.empty());
    const chk::Tool t{(*tool)["diameter"].get<double>(), tool->value("corner_radius", 0.0), tool->value("taper", 0.0)};
    const double tol = session_tolerance(session);
    double deepest = -1e9;
    size_t worst = 0, checked = 0;
    bool middle = false;
    // Each position, and each move at its middle; the plain, trimmed and
    // cavity parts' moves sampled at most 0.25 apart along them.
    const bool dense = name == "dome" || name == "trimmed" || name == "cavity";
    for (size_t k = 0; k < path.size(); ++k) {
        std::vector<Pos> at{path[k]};
        if (k > 0) {
            const double len = std::hypot(path[k].p[0] - path[k - 1].p[0], path[k].p[1] - path[k - 1].p[1],
                                          path[k].p[2] - path[k - 1].p[2]);
            const int n = dense ? std::max(2, static_cast<int>(std::ceil(len / 0.25))) : 2;
            for (int j = 1; j < n; ++j) {
                const double f = static_cast<double>(j) / n;
                Pos mid;
                for (int c = 0; c < 3; ++c) {
                    mid.p[c] = path[k - 1].p[c] + f * (path[k].p[c] - path[k - 1].p[c]);
                    mid.a[c] = path[k - 1].a[c] + f * (path[k].a[c] - path[k - 1].a[c]);
                }
                const double na = std::hypot(mid.a[0], mid.a[1], mid.a[2]);
                for (double& c : mid.a) c /= na;
                at.push_back(mid);
            }
        }
        for (size_t m = 0; m < at.size(); ++m) {
            const double d = depth(part, t, at[m]);
            ++checked;
            if (d > deepest) deepest = d, worst = k, middle = m >= 1;
        }
    }
    std::printf("MEASURE example %s: %zu positions and move samples, deepest %.5f at %s %zu (tolerance %.3f)\n",
                name.c_str(), checked, deepest, middle ? "the move to position" : "position", worst, tol);
    // A position, and every sample of a move, within the tolerance.
    EXPECT_LE(deepest, tol) << name << ": " << (middle ? "the move to position " : "position ") << worst << " at " << path[worst].p[0] << " " << path[worst].p[1]
                            << " " << path[worst].p[2];
}

// ---- the optimizer's effect on the cavity, measured

// The programmed feed a session's replies set (FEED on the tool page); 0
// when none.
double programmed_feed(const json& s)
{
    double f = 0.0;
    for (const json& r : s.value("replies", json::array()))
        if (r.value("menu", json()) == "FEED") f = r["value"].get<double>();
    return f;
}

// A tool path dump measured apart from the module's estimate: each straight
// move (lines, and the points of strings one after the other) runs at the
// feed in force, set by the feed technology blocks (parameter 1): a real
// feed as given, a negative one or code 4 or 27 a rapid, any other code the
// programmed feed (the sessions name no other feed).
struct Walk {
    double minutes = 0.0;                   // feed moves: the sum of length over feed
    double length = 0.0, rapid = 0.0;       // length of the feed moves, of the rapids
    double faster = 0.0, slower = 0.0;      // feed length above, below the programmed feed
    double lowest = 1e30, highest = 0.0;    // the lowest and highest feed of a feed move
};

Walk walk(const std::string& dump, double programmed)
{
    Walk m;
    double feed = programmed, at[3] = {0, 0, 0};
    bool rapid = false, started = false;
    auto go = [&](double x, double y, double z) {
        const double len = started ? std::hypot(x - at[0], y - at[1], z - at[2]) : 0.0;
        at[0] = x, at[1] = y, at[2] = z, started = true;
        if (len <= 0.0) return;
        if (rapid) {
            m.rapid += len;
            return;
        }
        m.length += len;
        m.minutes += len / feed;
        if (feed > programmed * (1 + 1e-6)) m.faster += len;
        if (feed < programmed * (1 - 1e-6)) m.slower += len;
        m.lowest = std::min(m.lowest, feed), m.highest = std::max(m.highest, feed);
    };
    std::istringstream in(dump);
    for (std::string line; std::getline(in, line);) {
        const std::vector<long long> w = dump_words(line);
        if (w.empty()) continue;
        auto r = [&](size_t k) { return double(wrd2r(static_cast<i32>(w[k]))); };
        const long long t = w[0];
        if (t == 1 && w.size() >= 5 && w[2] == 1) {
            const double v = w[3] == 1 ? 0.0 : r(4);
            rapid = w[3] == 1 ? (w[4] == 4 || w[4] == 27) : v < 0.0;
            feed = w[3] == 1 || v <= 0.0 ? programmed : v;
        }
        if ((t == 2 || t == 22 || t == 222) && w.size() >= 5) go(r(2), r(3), r(4));
        if (t == 7 || t == 27 || t == 227)
            for (size_t k = 1, rec = t == 7 ? 4 : 7; k + rec <= w.size(); k += rec) go(r(k + 1), r(k + 2), r(k + 3));
    }
    return m;
}

// The module's estimate of procedure 1 as its TIME_1 report gives it: the
// total ("M MINUTES S SECONDS", as "M min S s") and the milling length.
std::pair<std::string, std::string> estimate(const std::string& report)
{
    std::string total, length;
    std::istringstream in(report);
    for (std::string line; std::getline(in, line);) {
        int mi = 0, se = 0;
        if (const size_t k = line.find("TOTAL ESTIMATED TIME"); k != std::string::npos) {
            const size_t c = line.find(':', k);
            if (c != std::string::npos && std::sscanf(line.c_str() + c + 1, " %d MINUTES %d SECONDS", &mi, &se) == 2)
                total = std::to_string(mi) + " min " + std::to_string(se) + " s";
        }
        if (const size_t k = line.find("MILLING LENGTH IS:"); k != std::string::npos) length = line.substr(k + 19);
    }
    return {total, length};
}

// The optimized cavity (cavity_optim.json) against the same path without the
// optimizer (cavity_stock.json): both program the same feed; the stock each
// leaves is the same cell by cell (their pictures equal pixel for pixel:
// the heights agree within one grey step); the README quotes both time
// estimates. The numbers are printed as MEASURE lines: this case is the one
// command that measures them again,
//   ./build/asan/bin/test_frame --gtest_filter='OptimizedCavity.*'
TEST(OptimizedCavity, ProgramsTheSameFeedAndLeavesTheSameStockAsWithoutTheOptimizer)
{
    const std::string dir = std::string(TAVREK_SOURCE_DIR) + "/examples/";
    struct Side {
        std::string name;
        json session;
        RunResult run;
        Walk walk;
        std::pair<std::string, std::string> est;
    } side[2] = {{"cavity_stock", {}, {}, {}, {}}, {"cavity_optim", {}, {}, {}, {}}};
    for (Side& s : side) {
        const std::string text = read_file(dir + s.name + ".json");
        s.session = json::parse(text);
        s.run = run_session(text, "measure_" + s.name);
        ASSERT_EQ(s.run.rc, 0) << s.name << ": " << s.run.err;
        const double f = programmed_feed(s.session);
        ASSERT_GT(f, 0.0) << s.name << ": no programmed feed";
        s.walk = walk(s.run.toolpath, f);
        s.est = estimate(read_file(s.run.dir + "/out/session_TOOLPATH.TIME_1"));
        ASSERT_FALSE(s.est.first.empty()) << s.name << ": no time estimate";
        const Walk& m = s.walk;
        std::printf("MEASURE %s: feed %.0f; the module's estimate %s, milling length %s; length over feed %.2f min "
                    "over %.0f mm of feed moves (%.0f mm of rapids); %.0f %% of it faster than programmed, %.0f %% "
                    "slower; feeds %.0f %% to %.0f %% of the programmed\n",
                    s.name.c_str(), f, s.est.first.c_str(), s.est.second.c_str(), m.minutes, m.length, m.rapid,
                    100 * m.faster / m.length, 100 * m.slower / m.length, 100 * m.lowest / f, 100 * m.highest / f);
    }
    EXPECT_EQ(programmed_feed(side[0].session), programmed_feed(side[1].session)) << "the two sessions' feeds";
    // The stock left: the two pictures cell by cell.
    std::uint32_t w[2] = {}, h[2] = {};
    std::vector<unsigned char> pix[2];
    for (int k = 0; k < 2; ++k)
        ASSERT_TRUE(pngread::decode(read_file(side[k].run.dir + "/out/stock.png"), w[k], h[k], pix[k])) << side[k].name;
    ASSERT_EQ(std::make_pair(w[0], h[0]), std::make_pair(w[1], h[1])) << "the stock pictures' sizes";
    size_t differ = 0;
    for (size_t k = 0; k < pix[0].size(); ++k) differ += pix[0][k] != pix[1][k];
    std::printf("MEASURE stock: %zu of %zu pixels of the two stock pictures differ\n", differ, pix[0].size());
    EXPECT_EQ(differ, 0u) << "the optimizer changed the stock the path leaves";
    // The README quotes both estimates; re-measure and quote them when they move.
    const std::string readme = read_file(std::string(TAVREK_SOURCE_DIR) + "/README.md");
    for (const Side& s : side)
        EXPECT_NE(readme.find(s.est.first + " for `" + s.name + ".json`"), std::string::npos)
            << "README.md does not quote the estimate of " << s.name << ".json, " << s.est.first;
}

std::vector<std::string> example_names()
{
    std::vector<std::string> names;
    for (const auto& f : fs::directory_iterator(fs::path(TAVREK_SOURCE_DIR) / "examples"))
        if (f.path().extension() == ".json") names.push_back(f.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(All, Examples, ::testing::ValuesIn(example_names()),
                         [](const ::testing::TestParamInfo<std::string>& i) {
                             std::string n = i.param;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

}  // namespace
