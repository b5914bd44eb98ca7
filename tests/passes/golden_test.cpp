// The tool paths of the example sessions, and of variants of them that reach
// the other tool shapes, link kinds, side-step modes and offsets, compared
// block by block with the digests kept in tests/data/golden: any change of a
// written move shows here, with the first block that differs; so does a
// change of what the run showed, of the picture the block display drew and
// of the tool path listing. So are the roads of failure of a run when the
// host refuses one thing. The other
// tests bound the moves against the exact surfaces; these pin them down, so
// that a change within the tolerances is seen too. When a change is meant,
// look at the blocks the test names, then run the test with
// TAVREK_GOLDEN=renew to write the digests anew.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tests/session_util.h"

namespace {

using json = nlohmann::json;

json example(const char* name)
{
    return json::parse(read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/" + name + ".json"));
}

// The session's one tool takes another shape and name.
void tool(json& d, const std::string& name, double dia, double corner, double taper = 0)
{
    for (auto& e : d["entities"])
        if (e["kind"] == "tool") {
            e["name"] = name;
            e["diameter"] = dia;
            e["corner_radius"] = corner;
            if (taper > 0) e["taper"] = taper;
        }
    for (auto& r : d["replies"])
        if (r.contains("menu") && r["menu"] == "BALL 10") r["menu"] = name;
}

// Menu replies set after the gouge check.
void set(json& d, const std::vector<std::pair<std::string, double>>& items)
{
    auto& r = d["replies"];
    size_t at = 0;
    while (at < r.size() && !(r[at].contains("menu") && r[at]["menu"] == "GOUGE CHECK")) ++at;
    for (const auto& [menu, value] : items) r.insert(r.begin() + static_cast<long>(++at), json{{"menu", menu}, {"value", value}});
}

// One line a tool path element: its number among the elements, its type, its
// word count and a 64-bit digest of its words. The date and time of the
// procedure block (segments 41 and 42 of three integers) count as zeros.
std::string digests(const std::string& dump)
{
    std::istringstream in(dump);
    std::ostringstream out;
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        const std::vector<long long> w = dump_words(dump_line_stamps_out(line));
        if (w.empty()) continue;
        std::uint64_t h = 1469598103934665603ull;
        for (long long v : w)
            for (int b = 0; b < 4; ++b) h = (h ^ ((static_cast<std::uint64_t>(v) >> (8 * b)) & 0xFF)) * 1099511628211ull;
        out << n++ << " " << w[0] << " " << w.size() << " " << std::hex << h << std::dec << "\n";
    }
    return out.str();
}

// The date and time of every procedure block (segments 41 and 42 of three
// integers): the local time between `from` and `to`.
void stamped_between(const std::string& dump, std::time_t from, std::time_t to)
{
    std::istringstream in(dump);
    std::string line;
    int stamps = 0;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::vector<long long> w;
        long long x;
        while (ls >> x) w.push_back(x);
        if (w.empty() || w[0] != 12) continue;
        for (size_t k = 0; k + 12 <= w.size(); ++k)
            if (w[k] == 41 && w[k + 1] == 4 && w[k + 2] == 0 && w[k + 6] == 42 && w[k + 7] == 4 && w[k + 8] == 0) {
                std::tm t{};
                t.tm_year = int(w[k + 3]) - 1900, t.tm_mon = int(w[k + 4]) - 1, t.tm_mday = int(w[k + 5]);
                t.tm_hour = int(w[k + 9]), t.tm_min = int(w[k + 10]), t.tm_sec = int(w[k + 11]);
                t.tm_isdst = -1;
                const std::time_t at = std::mktime(&t);
                EXPECT_GE(at, from);
                EXPECT_LE(at, to);
                ++stamps;
                break;
            }
    }
    EXPECT_EQ(stamps, 1);
}

void golden(const std::string& name, const json& session)
{
    const std::time_t from = std::time(nullptr);
    RunResult r = run_session(session.dump(1), "golden_" + name);
    ASSERT_EQ(r.rc, 0) << r.err;
    stamped_between(r.toolpath, from, std::time(nullptr));
    EXPECT_EQ(r.transcript.find("internal:"), std::string::npos) << name;
    // The tool path block by block; then what the run showed (the
    // transcript), the picture of what the block display drew, and the
    // tool path listing, each whole.
    std::string listing;
    for (const char* f : {"/out/dome_TOOLPATH.TP_LIST", "/out/cavity_TOOLPATH.TP_LIST", "/out/dome5x_TOOLPATH.TP_LIST",
                          "/out/session_TOOLPATH.TP_LIST"})
        if (listing.empty()) listing = read_file(r.dir + f);
    const std::string got = digests(r.toolpath) + text_digest("transcript", r.transcript) +
                            text_digest("picture", read_file(r.dir + "/out/toolpath.svg")) +
                            text_digest("listing", listing);
    const std::string path = std::string(TAVREK_SOURCE_DIR) + "/tests/data/golden/" + name + ".txt";
    const char* renew = std::getenv("TAVREK_GOLDEN");
    if (renew && std::string(renew) == "renew") {
        std::ofstream(path) << got;
        GTEST_SKIP() << "renewed " << path;
    }
    const std::string want = read_file(path);
    ASSERT_FALSE(want.empty()) << "no digests in " << path << " (TAVREK_GOLDEN=renew writes them)";
    if (got == want) return;
    std::istringstream a(want), b(got);
    std::string la, lb;
    int line = 0;
    while (true) {
        const bool ha = static_cast<bool>(std::getline(a, la)), hb = static_cast<bool>(std::getline(b, lb));
        if (!ha && !hb) break;
        if (la != lb || ha != hb) {
            ADD_FAILURE() << name << ": the tool path differs from block " << line << " on (kept: \"" << (ha ? la : "end")
                          << "\", written: \"" << (hb ? lb : "end") << "\"); the written tool path is "
                          << r.dir << "/out/toolpath.txt";
            return;
        }
        ++line;
    }
}

// A run in which the host refuses one thing: the n-th allocation, or the
// tool path's growth past a number of words. Kept: what the run said from
// the refusal on (messages, internal and user errors, questions), whether
// the procedure was created, and what it left open.
std::string failure_road(const std::string& name, const json& session, const char* setting, int value)
{
    json d = session;
    d["settings"][setting] = value;
    RunResult r = run_session(d.dump(1), "road_" + name);
    std::ostringstream out;
    out << setting << " " << value << ":";
    std::istringstream in(r.transcript);
    std::string line;
    bool on = std::string(setting) == "list_capacity", refused = false, said = false, created = false;
    while (std::getline(in, line)) {
        if (line == "memory: allocation refused") on = refused = true;
        if (!on) continue;
        for (const char* k : {"memory:", "internal:", "user:", "error:", "message:", "question:", "host: left open"})
            if (line.rfind(k, 0) == 0) out << " | " << line;
        for (const char* k : {"internal:", "user:", "error:"}) said = said || line.rfind(k, 0) == 0;
        created = created || line.find("IS CREATED") != std::string::npos;
    }
    // A refusal that costs the procedure is said.
    if (refused && !created) { EXPECT_TRUE(said) << name << " " << setting << " " << value << ": dropped without a word"; }
    // A run that stops before its end (replies left unasked) says so on its
    // error stream; a run that ends leaves nothing open.
    if (r.transcript.find("host: left open:") != std::string::npos) {
        EXPECT_NE(r.transcript.find("host: left open: arrays 0, blocks 0, elements 0, entity 0, list level 1"),
                  std::string::npos)
            << name << " " << setting << " " << value;
    }
    std::string err = r.err;
    while (!err.empty() && err.back() == '\n') err.pop_back();
    out << " | rc " << r.rc << (err.empty() ? "" : ": " + err) << "\n";
    return out.str();
}

// The roads of failure of a whole run, kept like the tool paths.
void roads(const std::string& name, const json& session, const std::vector<std::pair<const char*, int>>& refusals)
{
    std::string got;
    for (const auto& [setting, value] : refusals) got += failure_road(name, session, setting, value);
    const std::string path = std::string(TAVREK_SOURCE_DIR) + "/tests/data/golden/" + name + ".txt";
    const char* renew = std::getenv("TAVREK_GOLDEN");
    if (renew && std::string(renew) == "renew") {
        std::ofstream(path) << got;
        GTEST_SKIP() << "renewed " << path;
    }
    const std::string want = read_file(path);
    ASSERT_FALSE(want.empty()) << "nothing kept in " << path << " (TAVREK_GOLDEN=renew writes it)";
    std::istringstream a(want), b(got);
    std::string la, lb;
    while (std::getline(a, la) && std::getline(b, lb)) EXPECT_EQ(lb, la);
    EXPECT_EQ(got, want);
}

// The dome at a coarse tolerance and a large scallop (few passes, about
// 200 allocations in all).
json small_dome()
{
    json d = example("dome");
    for (auto& r : d["replies"]) {
        if (r.contains("menu") && r["menu"] == "TOLERANCE") r["value"] = 0.5;
        if (r.contains("menu") && r["menu"] == "SCALLOP HEIGHT") r["value"] = 3.0;
    }
    return d;
}

std::vector<std::pair<const char*, int>> refusals(int from, int to)
{
    std::vector<std::pair<const char*, int>> v;
    for (int n = from; n <= to; ++n) v.push_back({"fail_alloc_after", n});
    return v;
}

// The small dome's run with the host refusing its n-th allocation, for
// every n: the procedure start's own arrays (each refusal said once, none
// left open), the procedure's set-up (tool technology, point and tool
// entities, the tool table, the tool shown at the start point, the
// procedure block and its segments, the saved approximation, the
// surface's triangles and the model's arrays), ...
TEST(FailureRoads, SetUpAndModel) { roads("roads_setup", small_dome(), refusals(1, 60)); }

// ... the quadtree's last nodes, the marker stack, the block writers of the
// passes and their links, the gathering of the gouge check, ...
TEST(FailureRoads, FirstPasses) { roads("roads_passes", small_dome(), refusals(61, 130)); }

// ... the last passes, the retract and the end; and the tool path full at
// four places.
TEST(FailureRoads, LastPassesAndAFullToolPath)
{
    auto v = refusals(131, 200);
    for (int cap : {1500, 2500, 3500, 5000}) v.push_back({"list_capacity", cap});
    roads("roads_end", small_dome(), v);
}

TEST(Golden, DomeOfTheExample) { golden("dome", example("dome")); }

TEST(Golden, CavityOfTheExample) { golden("cavity", example("cavity")); }

TEST(Golden, FiveAxisDomeOfTheExample) { golden("dome5x", example("dome5x")); }

// A torus over the cavity, one way, with vertical-arc approaches, an offset
// and a larger safety distance.
TEST(Golden, TorusOneWayWithArcApproachesAndOffset)
{
    json d = example("cavity");
    tool(d, "TORUS 10 R2", 10, 2);
    set(d, {{"DIRECTION", 2}, {"APPROACH", 3}, {"PART OFFSET", 0.5}, {"SAFETY DISTANCE", 2}});
    golden("cavity_torus", d);
}

// A tapered tool over the dome, one way, with horizontal-arc approaches and
// up/down milling.
TEST(Golden, TaperOneWayWithHorizontalArcsAndUpDownMilling)
{
    json d = example("dome");
    tool(d, "TAPER 10 R1", 10, 1, 10);
    set(d, {{"DIRECTION", 2}, {"APPROACH", 7}, {"UP/DOWN MILLING", 2}});
    golden("dome_taper", d);
}

// A flat tool over the cavity, a number of passes, approaches along the axis.
TEST(Golden, FlatByNumberOfPassesWithAxisApproaches)
{
    json d = example("cavity");
    tool(d, "FLAT 10", 10, 0);
    set(d, {{"SIDE STEP", 2}, {"APPROACH", 2}});
    golden("cavity_flat", d);
}

// The five-axis dome with a torus, one way, straight approaches, a leading
// and a tilting angle.
TEST(Golden, FiveAxisTorusOneWayWithLeadAndTilt)
{
    json d = example("dome5x");
    tool(d, "TORUS 10 R2", 10, 2);
    set(d, {{"APPROACH 5X", 2}, {"DIRECTION", 2}, {"LEADING ANGLE", 5}, {"TILTING ANGLE", 3}});
    golden("dome5x_torus", d);
}

}  // namespace
