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
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
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

// The stock picture holds a stock that the path cut: every cell covered
// (no black), the uncut top white, the deepest cut dark grey, and many
// levels of grey between them.
void stock_is_cut(const std::string& name, const std::string& png)
{
    std::uint32_t w = 0, h = 0;
    std::vector<unsigned char> pix;
    ASSERT_TRUE(pngread::decode(png, w, h, pix)) << name << ": stock.png";
    std::set<unsigned char> levels(pix.begin(), pix.end());
    const size_t black = size_t(std::count(pix.begin(), pix.end(), 0));
    EXPECT_EQ(black, 0u) << name << ": cells without stock in the picture";
    EXPECT_TRUE(levels.count(255) && levels.count(40)) << name << ": no uncut top or no cut";
    EXPECT_GE(levels.size(), 20u) << name << ": grey levels of the stock";
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
    if (stock) {
        stock_is_cut(name, read_file(r.dir + "/out/stock.png"));
        if (session.value("settings", json::object()).value("verify", 0) == 2) planted_gouges_found(name, session);
        const json* tool = session_tool(session);
        rapids_above_stock(name, session, r.toolpath, tool ? 0.5 * (*tool)["diameter"].get<double>() : 0.0);
    }

    const std::vector<Pos> path = positions(r.toolpath);
    const Part part = part_of(session);
    const json* tool = session_tool(session);
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
