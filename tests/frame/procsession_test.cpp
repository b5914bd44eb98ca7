// The surface-milling procedure through the entry with reply scripts: a new
// procedure defined through the menus, saved, executed and reopened; a
// template saved and applied; the parameter page's refusals.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstring>
#include <string>
#include <vector>

#include "frame/entry.h"
#include "core/host.h"
#include "core/load.h"
#include "core/params.h"
#include "core/records.h"
#include "passes/srfgeo.h"
#include "platform/norak/norak.h"
#include "inprocess.h"
#include "session_util.h"

namespace {

const char* ENTITIES = R"(
  {"kind":"plane_patch","id":11,"origin":[0,0,0],"u_axis":[1,0,0],"v_axis":[0,1,0],"u":[0,10],"v":[0,50]},
  {"kind":"plane_patch","id":12,"origin":[10,0,0],"u_axis":[1,0,0],"v_axis":[0,1,0],"u":[0,10],"v":[0,50]},
  {"kind":"tool","id":101,"type":"MILL","name":"BALL 10","diameter":10,"corner_radius":5},
  {"kind":"tool","id":102,"type":"MILL","name":"CONE 8","diameter":8,"corner_radius":1,"taper":10})";

std::string session(const std::string& calls, const std::string& replies)
{
    return std::string(R"({"settings": {"machine_type": 23, "tp_version": 1100, "prg_version": 1100},
  "records": {"PRM9": {"kind": 4, "words": [0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 101]},
              "DSP8": {"kind": 4, "words": [0, 0, 0, 0, 0, 1.0]},
              "HEI8": {"kind": 1, "words": [50.0]}},
  "entities": [)") +
           ENTITIES + "],\n  \"calls\": [" + calls + "],\n  \"replies\": [" + replies + "]}";
}

// A new procedure: two surfaces picked, their side and cut direction
// confirmed, no start corner; the parameter page sets the tolerance and
// the scallop height and picks the tool; then it is executed.
const std::string DEFINE = R"(
  {"pick":11,"u":5,"v":25}, {"pick":12,"u":5,"v":25}, {"pick":0,"exit":true},
  {"question":"MILLING SIDE OK?","answer":"yes"}, {"question":"CUT DIRECTION OK?","answer":"yes"},
  {"pick":0,"exit":true},
  {"menu":"ACCEPT"},
  {"menu":"MACHINING PARAMS ..."}, {"menu":"SELECT NEW TOOL"}, {"menu":"BALL 10"}, {"menu":0},
  {"menu":"TOLERANCE","value":0.02}, {"menu":"SCALLOP HEIGHT","value":0.05}, {"menu":0})";
const std::string EXECUTE = R"(, {"menu":"YES","note":"OK TO EXECUTE?"})";
// The next new procedure of the driver's second cycle is left at once.
const std::string LEAVE = R"(, {"menu":-1})";
// An existing procedure reopened: its surfaces kept, its parameters accepted.
const std::string REOPEN = R"(, {"menu":"ACCEPT"}, {"menu":0,"expect":"TOLERANCE = 0.02"})";

// The persistent fields of the geometry, for comparisons.
std::vector<i32> geometry_words()
{
    const SrfGeo& g = SRFGEO;
    std::vector<i32> w{g.NSRF, g.CUTFLP};
    for (i32 i = 0; i < g.NSRF; ++i) {
        w.insert(w.end(), {g.SRFIDS[i], g.SRFUID[i], g.SRFSID[i], g.SRFLNK[i]});
        w.insert(w.end(), g.LIMREC[i], g.LIMREC[i] + LIMR_N);
        w.insert(w.end(), g.LIMORG[i], g.LIMORG[i] + LIMR_N);
        w.insert(w.end(), g.CRNREC[i], g.CRNREC[i] + CRNR_N);
    }
    return w;
}

}  // namespace

TEST(ProcSession, NewProcedureIsSavedAndReopenedWithAllItsWords)
{
    // Through the runner: defined, executed, then reopened with the values
    // it was given.
    RunResult r = run_session(session(R"("tavrek", "open 1", "tavrek")", DEFINE + EXECUTE + LEAVE + REOPEN +
                                                                           R"(, {"menu":"YES","note":"OK TO EXECUTE?"})"),
                              "procreopen");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.transcript.find("reply: 11 (SCALLOP HEIGHT) = 0.05"), std::string::npos);
    size_t reopened = r.transcript.find("host: open procedure 1");
    ASSERT_NE(reopened, std::string::npos);
    EXPECT_NE(r.transcript.find("SCALLOP HEIGHT = 0.05", reopened), std::string::npos);
    EXPECT_NE(r.transcript.find("TOLERANCE = 0.02", reopened), std::string::npos);
    const std::string recs = read_file(r.dir + "/out/records.txt");
    EXPECT_NE(recs.find("TV27 kind 1 words 478: 1 1 1 1 1 2 3 1 10 1 1 2 2 0 0.02"), std::string::npos) << recs;

    // In this process, with the module's memory wiped before the reopening:
    // every word and the geometry come back.
    InProcess p(session(R"("tavrek")", DEFINE + EXECUTE + LEAVE + REOPEN +
                                           R"(, {"menu":"YES","note":"OK TO EXECUTE?"})"));
    p.call("tavrek");
    const std::vector<i32> block(PRCPAR, PRCPAR + PRCPAR_N);
    const std::vector<i32> geo = geometry_words();
    ASSERT_EQ(SRFGEO.NSRF, 2);
    EXPECT_EQ(pwr(PRTTOL), 0.02f);
    EXPECT_EQ(pwr(SCLHGT), 0.05f);
    PRCCLR();
    std::memset(&SRFGEO, 0, sizeof SRFGEO);
    i32 zero = 0, st = 0;
    nc_surf_count(2, 0, zero, st);
    p.call("open 1");
    p.call("tavrek");
    for (i32 w = 1; w <= PRCPAR_N; ++w) EXPECT_EQ(pw(w), block[w - 1]) << "word " << w;
    EXPECT_EQ(geometry_words(), geo);
    EXPECT_EQ(norak::replies_left(), 0u);
}

TEST(ProcSession, TemplateCarriesTheParametersAndNoGeometry)
{
    // The first procedure saves its parameters as the template; a second
    // one, defined later with other values and no surfaces, applies it.
    const std::string first = DEFINE.substr(0, DEFINE.rfind("{\"menu\":0}")) +
                              R"({"menu":"TEMPLATE:SAVE"}, {"menu":0})" + EXECUTE + LEAVE;
    const std::string second = R"(, {"pick":0,"exit":true}, {"pick":0,"end":true}, {"menu":"ACCEPT"},
        {"menu":"TOLERANCE","value":0.07}, {"menu":"SIDE STEP","value":3},
        {"menu":"TEMPLATE:APPLY","expect":"SIDE STEP VALUE"},
        {"menu":0,"expect":"TOLERANCE = 0.02"})";
    InProcess p(session(R"("tavrek", "tavrek")", first + second));
    p.call("tavrek");
    EXPECT_TRUE(norak::transcript_has("host: template procedure data written for type 9"));
    const std::vector<i32> saved(PRCPAR, PRCPAR + PRCPAR_N);
    p.call("tavrek");
    EXPECT_EQ(norak::replies_left(), 0u);
    // Every word the template carries is the first procedure's again.
    for (i32 w = 1; w <= 12; ++w) EXPECT_EQ(pw(w), saved[w - 1]) << "word " << w;
    for (i32 first_word : {PRTTOL, APRLEN, APRRAD, SAFDST, APXTL1, APXTL2, APXTL3, LEADAN, TILTAN, SCLHGT, PRTOFS,
                           CHKOFS, SIDSTP, CHKTOL, CLNMIN, AXSTRN, UDSLOP})
        for (i32 w = first_word; w < first_word + 24; ++w) EXPECT_EQ(pw(w), saved[w - 1]) << "word " << w;
    EXPECT_EQ(pwr(PRTTOL), 0.02f);
    EXPECT_EQ(pw(STPMOD), 1);
    // No surfaces came with it.
    EXPECT_EQ(SRFGEO.NSRF, 0);
    i32 n = -1, st = 0;
    nc_surf_count(1, 0, n, st);
    EXPECT_EQ(n, 0);
}

TEST(ProcSession, ParameterPageRefusesAConicToolWithANegativeOffset)
{
    const std::string replies = DEFINE.substr(0, DEFINE.find("{\"menu\":\"BALL 10\"}")) +
                                R"({"menu":"CONE 8"}, {"menu":0},
                                   {"menu":"PART OFFSET","value":-0.5}, {"menu":0},
                                   {"menu":"PART OFFSET","value":0,"expect":"PART OFFSET = -0.5"}, {"menu":0})" +
                                EXECUTE + LEAVE;
    InProcess p(session(R"("tavrek")", replies));
    p.call("tavrek");
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(norak::transcript_count("error: ERROR    : NOT ALLOWED NEGTIVE OFFSET FOR CONIC TOOL"), 1u);
    EXPECT_EQ(pwr(PRTOFS), 0.0f);
}

TEST(ProcSession, BlankRowsKeepTheReplyNumbers)
{
    // The same page with a scallop side step and with a side step by
    // count: the rows after the side step keep their numbers.
    auto rows_of = [](const std::string& transcript, size_t from) {
        size_t at = transcript.find("menu: -", from);
        size_t end = transcript.find('\n', at);
        std::string line = transcript.substr(at, end - at);
        std::vector<std::string> rows;
        size_t k = 6;
        while (true) {
            size_t a = line.find('@', k);
            rows.push_back(line.substr(k, a == std::string::npos ? std::string::npos : a - k));
            if (a == std::string::npos) break;
            k = a + 1;
        }
        return std::pair<std::vector<std::string>, size_t>(rows, end);
    };
    const std::string replies = DEFINE.substr(0, DEFINE.find("{\"menu\":\"MACHINING")) +
                                R"({"menu":"SIDE STEP","value":2}, {"menu":-1})";
    InProcess p(session(R"("tavrek")", replies));
    p.call("tavrek");
    std::string t;
    for (const auto& l : norak::transcript()) t += l + "\n";
    auto [scallop, end] = rows_of(t, 0);
    auto [count, end2] = rows_of(t, end);
    ASSERT_EQ(scallop.size(), count.size());
    for (size_t k = 0; k < scallop.size(); ++k) {
        if (scallop[k].rfind("SCALLOP", 0) == 0 || scallop[k].rfind("CLEAN-UP", 0) == 0 ||
            scallop[k].rfind("SIDE STEP", 0) == 0)
            continue;
        EXPECT_EQ(scallop[k], count[k]) << "row " << k + 1;
    }
    EXPECT_EQ(count[10], "NUMBER OF PASSES = 10");
    EXPECT_EQ(count[11], " ");
}

TEST(ProcSession, GeometryRowsOfThePageAskForTheirGeometryAgain)
{
    // REDEF. START CORNER on the parameter page asks the corner again, and only
    // the corner: no surface is picked anew and no side is asked again.
    const std::string replies = DEFINE.substr(0, DEFINE.find("{\"menu\":\"MACHINING")) +
                                R"({"menu":"--REDEF. START CORNER"}, {"pick":0,"exit":true}, {"menu":"ACCEPT"}, {"menu":-1})";
    RunResult r = run_session(session(R"("tavrek")", replies), "pagecorner");
    ASSERT_EQ(r.rc, 0) << r.err;
    const size_t page = r.transcript.find("reply: ", r.transcript.find("REDEF. START CORNER"));
    ASSERT_NE(page, std::string::npos) << r.transcript;
    const std::string after = r.transcript.substr(page);
    EXPECT_EQ(count_lines_with(after, "prompt: IND.START CORNR/EXIT"), 1) << after;
    EXPECT_EQ(count_lines_with(after, "MILLING SIDE OK?"), 0) << after;
}

TEST(ProcSession, ChangeDetectionDecidesTheQuestions)
{
    // Reopened and accepted unchanged: no re-execution is offered; the
    // scallop height changed: the procedure is executed again.
    RunResult r = run_session(session(R"("tavrek", "open 1", "tavrek")",
                                      DEFINE + EXECUTE + LEAVE + R"(, {"menu":"ACCEPT"}, {"menu":0},
          {"menu":"NO","note":"no changes"}, {"menu":"SCALLOP HEIGHT","value":0.04}, {"menu":0},
          {"menu":"YES","note":"OK TO EXECUTE?"})"),
                              "procchange");
    ASSERT_EQ(r.rc, 0) << r.err;
    size_t reopened = r.transcript.find("host: open procedure 1");
    ASSERT_NE(reopened, std::string::npos);
    size_t unchanged = r.transcript.find("message: NOTE: NO CHANGES IN PROCEDURE'S PARAMETERS", reopened);
    size_t changed = r.transcript.find("reply: 11 (SCALLOP HEIGHT) = 0.04", reopened);
    size_t again = r.transcript.find("question: OK TO EXECUTE?", reopened);
    EXPECT_NE(unchanged, std::string::npos);
    EXPECT_LT(unchanged, changed);
    EXPECT_LT(changed, again);
    EXPECT_EQ(count_lines_with(r.transcript.substr(changed), "NO CHANGES"), 0);
}

TEST(ProcSession, StopWhileTheModelIsBuiltPutsTheRunValuesBack)
{
    // Gouge check against all surfaces builds the triangle model; a space
    // key during it stops the execution. The clean-up value went to 0.001
    // for the run and is stored as 0 again. Nothing was written: the
    // procedure is not announced, and no next one is defined.
    const std::string define = DEFINE.substr(0, DEFINE.rfind("{\"menu\":0}")) +
                               R"({"menu":"GOUGE CHECK","value":2}, {"menu":0}, {"menu":"YES"},
          {"key":"space","after_polls":1}, {"menu":"EXECUTION:STOP","expect":"EXECUTION:RESUME@"}, {"menu":"ACCEPT"},
          {"question":"STOP EXECUTION?","answer":"yes"})";
    RunResult r = run_session(session(R"("tavrek")", define), "procstop");
    ASSERT_EQ(r.rc, 0) << r.err;
    size_t stop = r.transcript.find("question: STOP EXECUTION?");
    ASSERT_NE(stop, std::string::npos);
    EXPECT_NE(r.transcript.find("progress 1: [APPROXIMATING SURF.]"), std::string::npos);
    EXPECT_EQ(r.transcript.find("0.001", stop), std::string::npos);
    EXPECT_EQ(count_lines_with(r.transcript, "user: DRVEXE, THE EXECUTION WROTE NO MOTION"), 1);
    EXPECT_EQ(r.transcript.find("CREATED"), std::string::npos);
    const std::string recs = read_file(r.dir + "/out/records.txt");
    std::istringstream tv(recs.substr(recs.find("TV27 ")));
    std::string word;
    tv >> word >> word >> word >> word >> word;  // key, "kind", kind, "words", count
    for (i32 n = 1; n <= CLNMIN && tv >> word; ++n) {
        if (n == CLNMIN) {
            EXPECT_EQ(word, "0");
        }
    }
}

namespace {

// NURBS blocks (type 5) anywhere in a list tree.
int nurbs_blocks(const norak::List& l)
{
    int n = 0;
    for (const auto& e : l.elems) {
        if (!e.words.empty() && e.words[0] == 5) ++n;
        if (e.sub) n += nurbs_blocks(*e.sub);
    }
    return n;
}

// The NURBS blocks the example writes in a process where `first` ran before
// it (in its own emptied host).
int dome_after(const std::string& first)
{
    if (!first.empty()) {
        InProcess p(first);
        for (const auto& c : norak::calls()) p.call(c);
        EXPECT_GT(nurbs_blocks(norak::main_list()), 0);
    }
    InProcess p(read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/dome.json"));
    norak::start_toolpath();
    for (const auto& c : norak::calls()) p.call(c);
    return nurbs_blocks(norak::main_list());
}

}  // namespace

// Two parts in one loaded module: the first one's machine-values record
// asks for spline output; the second one's record is shorter and holds no
// such word, so its procedure writes what it writes in a module of its own.
TEST(ProcSession, AShorterMachineValuesRecordKeepsNothingOfThePartBefore)
{
    nlohmann::json fitted = nlohmann::json::parse(read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/dome.json"));
    auto& w = fitted["records"]["PRM9"]["words"];
    ASSERT_LT(w.size(), static_cast<size_t>(PRM9_N));
    while (w.size() < static_cast<size_t>(PRM9_N)) w.push_back(0);
    w[PRM9_FIT] = 1;
    const int alone = dome_after("");
    EXPECT_EQ(dome_after(fitted.dump()), alone);
}
