// The geometry definition through the procedure's entry with reply scripts:
// in the runner, and in this process where the records are looked at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "frame/entry.h"
#include "core/host.h"
#include "core/load.h"
#include "core/params.h"
#include "passes/services.h"
#include "passes/srfgeo.h"
#include "platform/norak/norak.h"
#include "inprocess.h"
#include "session_util.h"

namespace {

std::string strip_json(int id, int i)
{
    std::ostringstream s;
    s << R"({"kind":"plane_patch","id":)" << id << R"(,"origin":[)" << 10 * i
      << R"(,0,0],"u_axis":[1,0,0],"v_axis":[0,1,0],"u":[0,10],"v":[0,50]})";
    return s.str();
}

std::string half_json(int id, double x, double y)
{
    std::ostringstream s;
    s << R"({"kind":"plane_patch","id":)" << id << R"(,"origin":[)" << x << "," << y
      << R"(,0],"u_axis":[1,0,0],"v_axis":[0,1,0],"u":[0,20],"v":[0,20],"loops":[{"points":[[0,0],[10,0],[10,20],[0,20]]}]})";
    return s.str();
}

std::string session(const std::vector<std::string>& ents, const std::string& calls, const std::string& replies)
{
    std::string e = R"({"kind":"tool","id":101,"type":"MILL","name":"BALL 10","diameter":10,"corner_radius":5})";
    for (const auto& x : ents) e += ",\n  " + x;
    return std::string(R"({"settings": {"machine_type": 23, "tp_version": 1100, "prg_version": 1100},
  "records": {"PRM9": {"kind": 4, "words": [0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 101]},
              "DSP8": {"kind": 4, "words": [0, 0, 0, 0, 0, 1.0]},
              "HEI8": {"kind": 1, "words": [50.0]}},
  "entities": [)") +
           e + "],\n  \"calls\": [" + calls + "],\n  \"replies\": [" + replies + "]}";
}

// Every arrow figure that was drawn was deleted again.
void expect_arrows_gone(const std::string& transcript)
{
    std::set<std::string> drawn, deleted;
    std::istringstream s(transcript);
    std::string line;
    // "figure N: arrow ..." and "figure N: deleted": the number N of each.
    auto figure = [&](const char* what) {
        const size_t at = line.find("figure "), colon = line.find(": ", at == std::string::npos ? 0 : at);
        if (at == std::string::npos || colon == std::string::npos || line.compare(colon + 2, std::strlen(what), what) != 0)
            return std::string();
        const std::string n = line.substr(at + 7, colon - at - 7);
        return !n.empty() && n.find_first_not_of("0123456789") == std::string::npos ? n : std::string();
    };
    while (std::getline(s, line)) {
        if (const std::string n = figure("arrow"); !n.empty()) drawn.insert(n);
        if (const std::string n = figure("deleted"); !n.empty()) deleted.insert(n);
    }
    EXPECT_FALSE(drawn.empty());
    for (const auto& f : drawn) EXPECT_TRUE(deleted.count(f)) << "figure " << f;
}

std::string limtext(int i)
{
    const i32* r = SRFGEO.LIMREC[i];
    std::ostringstream s;
    s << r[0] << " " << wrd2r(r[1]) << " " << wrd2r(r[2]) << " " << wrd2r(r[3]) << " " << wrd2r(r[4]);
    return s.str();
}

const std::string PICK2 = R"({"pick":11,"u":5,"v":25}, {"pick":12,"u":5,"v":25}, {"pick":0,"exit":true},
  {"question":"MILLING SIDE OK?","answer":"yes"}, {"question":"CUT DIRECTION OK?","answer":"yes"})";

// Width set on the second strip against the set-up, then the start corner
// indicated again near (0, 10): the passes start there.
const std::string WIDTH_AND_CORNER = PICK2 + R"(, {"pick":0,"exit":true}, {"menu":"ACCEPT"},
  {"menu":"--LIMIT MILLING WIDTH"}, {"pick":12}, {"pick":12,"u":5,"v":40}, {"pick":12,"u":5,"v":10},
  {"menu":"--REDEF. START CORNER"}, {"pick":11,"u":1,"v":12}, {"menu":"ACCEPT"},
  {"menu":0}, {"menu":"YES","note":"OK TO EXECUTE?"}, {"menu":-1})";

// What the pass loop was handed.
std::vector<std::string> g_handed;
void hook(i32, i32& status)
{
    g_handed = {limtext(0), limtext(1)};
    status = 0;
}

TEST(GeoSession, WidthAndStartCornerChangedThenExecutedFromThatCorner)
{
    const std::vector<std::string> ents = {strip_json(11, 0), strip_json(12, 1)};
    RunResult r = run_session(session(ents, R"("tavrek")", WIDTH_AND_CORNER), "geowidth");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.transcript.find("prompt: IND. WIDTH POINT 2"), std::string::npos);
    EXPECT_NE(r.transcript.find("prompt: IND.START CORNR/EXIT"), std::string::npos);
    // The start of the procedure shown before the question is the corner.
    const size_t ask = r.transcript.find("question: OK TO EXECUTE?");
    const size_t tool = r.transcript.rfind("tool 101 symbol 0 at 0 9.9", ask);
    EXPECT_NE(tool, std::string::npos);
    // Markers and arrows are gone when the dialog ends.
    expect_arrows_gone(r.transcript);
    // The first move written goes to the corner indicated, at the width point's v.
    std::istringstream dump(r.toolpath);
    std::string line;
    std::vector<f32> first;
    while (first.empty() && std::getline(dump, line)) {
        std::istringstream ws(line);
        std::vector<long long> w;
        for (long long x; ws >> x;) w.push_back(x);
        if (w.size() >= 5 && (w[0] == 2 || w[0] == 7 || w[0] == 22 || w[0] == 27))
            for (int k = 2; k < 5; ++k) first.push_back(wrd2r(static_cast<i32>(w[static_cast<size_t>(k)])));
    }
    ASSERT_EQ(first.size(), 3u) << r.toolpath;
    EXPECT_NEAR(first[0], 0.0f, 1e-4);
    EXPECT_NEAR(first[1], 10.0f, 1e-4);

    InProcess p(session(ents, R"("tavrek")", WIDTH_AND_CORNER));
    g_handed.clear();
    SRMHOOK = hook;
    p.call("tavrek");
    // The hooked pass loop writes no motion: the driver ends without asking
    // for a next procedure.
    EXPECT_EQ(norak::replies_left(), 1u);
    ASSERT_EQ(g_handed.size(), 2u);
    // First ranges from v = 10 up to 40 on both strips: the first pass runs
    // at v = 10 from u = 0 of the first strip, the corner indicated.
    EXPECT_EQ(g_handed[0].substr(0, 4), "2 9.");
    EXPECT_EQ(g_handed[1], "2 10 40 0 10");
    EXPECT_TRUE(norak::shown_entities().empty());
}

TEST(GeoSession, ShuffledChainOfOneHundredTwentyOneStrips)
{
    std::vector<std::string> ents;
    for (int i = 0; i < 121; ++i) ents.push_back(strip_json(1001 + i, i));
    // Two single picks, then the other 119 at once in shuffled order; the
    // last of them finds no room.
    std::vector<int> rest;
    for (int id = 1003; id <= 1120; ++id) rest.push_back(id);
    std::reverse(rest.begin(), rest.begin() + 60);
    std::rotate(rest.begin(), rest.begin() + 37, rest.end());
    rest.push_back(1121);
    std::string many;
    for (size_t k = 0; k < rest.size(); ++k) many += (k ? "," : "") + std::to_string(rest[k]);
    const std::string replies = R"({"pick":1001,"u":5,"v":25}, {"pick":1002,"u":5,"v":25}, {"pick":0,"end":true},
      {"picks":[)" + many + R"(]}, {"question":"MILLING SIDE OK?","answer":"yes"},
      {"question":"CUT DIRECTION OK?","answer":"yes"}, {"pick":0,"exit":true}, {"menu":"ACCEPT"}, {"menu":-1})";
    RunResult r = run_session(session(ents, R"("tavrek")", replies), "geo121");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(count_lines_with(r.transcript, "user: END OF PICKING OF SURFACES. MAX NO =120."), 1);

    InProcess p(session(ents, R"("tavrek")", replies));
    p.call("tavrek");
    ASSERT_EQ(SRFGEO.NSRF, 120);
    for (int i = 0; i < 120; ++i) {
        EXPECT_EQ(SRFGEO.SRFIDS[i], 1001 + i);
        EXPECT_EQ(SRFGEO.SRFLNK[i], 1);
    }
    EXPECT_EQ(limtext(119), "2 0 50 0 10");
}

TEST(GeoSession, SideAndCutDirectionTurnedOnTrimmedPatchesWithACommonEdge)
{
    // The third patch only touches the first at a corner and is refused.
    const std::vector<std::string> ents = {half_json(21, 0, 0), half_json(22, 10, 0), half_json(23, 10, 20)};
    const std::string replies = R"({"pick":21,"u":5,"v":5}, {"pick":23,"u":5,"v":5}, {"pick":22,"u":5,"v":5},
      {"pick":0,"exit":true},
      {"question":"MILLING SIDE OK?","answer":"no"}, {"question":"MILLING SIDE OK?","answer":"yes"},
      {"question":"CUT DIRECTION OK?","answer":"no"}, {"question":"CUT DIRECTION OK?","answer":"yes"},
      {"point":[0,0,0],"exit":true}, {"menu":"ACCEPT"}, {"menu":-1})";
    RunResult r = run_session(session(ents, R"("tavrek")", replies), "geotrim");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(count_lines_with(r.transcript, "user: SELECTED SURFACES DO NOT HAVE A COMMON EDGE"), 1);
    EXPECT_EQ(count_lines_with(r.transcript, "message: NOTE : 2 SURFACES WERE PICKED"), 1);

    InProcess p(session(ents, R"("tavrek")", replies));
    p.call("tavrek");
    ASSERT_EQ(SRFGEO.NSRF, 2);
    EXPECT_EQ(SRFGEO.SRFIDS[1], 22);
    EXPECT_EQ(SRFGEO.SRFSID[0], -1);
    EXPECT_EQ(SRFGEO.SRFSID[1], -1);
    EXPECT_EQ(SRFGEO.CUTFLP, 2);
    EXPECT_EQ(limtext(0), "2 0 20 0 10");
    EXPECT_EQ(limtext(1), "2 0 20 0 10");
}

// The persistent fields of the geometry.
std::vector<i32> geometry_words()
{
    const SrfGeo& g = SRFGEO;
    std::vector<i32> w{g.NSRF, g.CUTFLP};
    for (i32 i = 0; i < g.NSRF; ++i) {
        w.insert(w.end(), {g.SRFIDS[i], g.SRFUID[i], g.SRFSID[i], g.SRFLNK[i]});
        w.insert(w.end(), g.LIMREC[i], g.LIMREC[i] + LIMR_N);
        w.insert(w.end(), g.CRNREC[i], g.CRNREC[i] + CRNR_N);
    }
    return w;
}

TEST(GeoSession, EscapesAndLeavesInTheLimitDialogsKeepTheGeometry)
{
    // A procedure defined and executed, reopened; every limit dialog is
    // escaped or left.
    const std::string replies = PICK2 + R"(, {"pick":0,"exit":true}, {"menu":"ACCEPT"}, {"menu":0},
      {"menu":"YES","note":"OK TO EXECUTE?"}, {"menu":-1},
      {"menu":"ACCEPT"},
      {"menu":"--LIMIT MILLING WIDTH"}, {"pick":0,"escape":true},
      {"menu":"--LIMIT MILLING WIDTH"}, {"pick":11}, {"pick":11,"u":2,"v":2}, {"pick":0,"escape":true},
      {"pick":0,"exit":true},
      {"menu":"--LIMIT MILLING LENGTH"}, {"menu":"AT END"}, {"pick":0,"escape":true},
      {"menu":"AT START","expect":"AT START@AT END"}, {"pick":0,"exit":true},
      {"menu":"--LIMIT MILLING LENGTH"}, {"menu":"AT END","escape":true},
      {"menu":0}, {"menu":"YES","note":"OK TO EXECUTE?"})";
    const std::vector<std::string> ents = {strip_json(11, 0), strip_json(12, 1)};
    RunResult r = run_session(session(ents, R"("tavrek", "open 1", "tavrek")", replies), "geokeep");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(count_lines_with(r.transcript, "prompt: SET LIMITS & EXIT"), 3);
    EXPECT_EQ(count_lines_with(r.transcript, "prompt: IND. WIDTH POINT 1"), 2);

    InProcess p(session(ents, R"("tavrek", "open 1", "tavrek")", replies));
    p.call("tavrek");
    const std::vector<i32> before = geometry_words();
    ASSERT_EQ(SRFGEO.NSRF, 2);
    p.call("open 1");
    p.call("tavrek");
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(geometry_words(), before);
}

}  // namespace

namespace {

// The sides and normals of the chain as the pass loop gets them.
std::vector<i32> g_sides;
void side_hook(i32, i32& status)
{
    g_sides.clear();
    for (i32 i = 0; i < SRFGEO.NSRF; ++i) {
        g_sides.push_back(SRFGEO.SRFSID[i]);
        for (int c = 0; c < 3; ++c) g_sides.push_back(r2wrd(SRFGEO.SRFNRM[i][c]));
    }
    status = 0;
}

// An escape from the start corner of a new procedure goes back to the cut
// direction; the chain keeps the side the user confirmed.
TEST(GeoSession, AnEscapeFromTheStartCornerKeepsTheSide)
{
    const std::vector<std::string> ents = {strip_json(11, 0), strip_json(12, 1)};
    const std::string tail = R"(, {"pick":0,"exit":true}, {"menu":"ACCEPT"}, {"menu":0},
      {"menu":"YES","note":"OK TO EXECUTE?"}, {"menu":-1})";
    auto sides = [&](const std::string& replies) {
        InProcess p(session(ents, R"("tavrek")", replies));
        g_sides.clear();
        SRMHOOK = side_hook;
        p.call("tavrek");
        SRMHOOK = nullptr;
        return g_sides;
    };
    const std::vector<i32> plain = sides(PICK2 + tail);
    ASSERT_EQ(plain.size(), 8u);
    const std::vector<i32> escaped =
        sides(PICK2 + R"(, {"pick":0,"escape":true}, {"question":"CUT DIRECTION OK?","answer":"yes"})" + tail);
    EXPECT_EQ(escaped, plain);
}

}  // namespace
