// The procedure driver through the runner: sessions run by norak-run over
// a test module whose entry hands the driver a test callback table.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/words.h"

#include "session_util.h"

namespace {
struct ModRun {
    RunResult r;
    std::string records, toolpath;
};

// A plain part: a 3-axis milling tool path, one mill with three technology
// cases, the tool in "PRM9", the display position with a vertical axis.
std::string session(const std::string& calls, const std::string& replies, const std::string& settings = "",
                    const std::string& records = "")
{
    return R"({"settings": {"machine_type": 23, "tp_version": 1100, "prg_version": 1100, "user_names": ["TAVREK"],
                 "user_map": [0, 0, 0, 0, 0, 0, 0, 0, 1])" +
           settings + R"(},
  "records": {"PRM9": {"kind": 4, "words": [0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 101]},
              "DSP8": {"kind": 4, "words": [0, 0, 0, 0, 0, 1.0]},
              "HEI8": {"kind": 1, "words": [50.0]})" +
           records + R"(},
  "entities": [{"kind": "tool", "id": 101, "type": "MILL", "name": "FLAT 10", "diameter": 10, "cutting_length": 25,
     "technology": [{"spindle": 3000, "cutting_speed": 94.2, "feed": 600},
                    {"spindle": 3000, "cutting_speed": 94.2, "feed": 600},
                    {"spindle": 3000, "cutting_speed": 94.2, "feed": 600}]}],
  "calls": [)" + calls + R"(],
  "replies": [)" + replies + "]}";
}

ModRun run_module(const std::string& json, const std::string& name)
{
    ModRun m;
    m.r = run_session(json, "drv_" + name, "libdrvtest.so");
    m.records = m.r.records;
    m.toolpath = m.r.toolpath;
    return m;
}

// Lines of the transcript that contain `what`, in order.
std::vector<std::string> lines_with(const std::string& text, const std::vector<std::string>& what)
{
    std::vector<std::string> out;
    std::istringstream s(text);
    std::string line;
    while (std::getline(s, line))
        for (const auto& w : what)
            if (line.find(w) != std::string::npos) {
                out.push_back(line);
                break;
            }
    return out;
}

// The record line of a key in records.txt.
std::string record(const std::string& records, const std::string& key)
{
    std::istringstream s(records);
    std::string line;
    while (std::getline(s, line))
        if (line.rfind(key + " ", 0) == 0) return line;
    return "";
}

// Words of a record line.
std::vector<std::string> record_words(const std::string& line)
{
    std::vector<std::string> w;
    size_t at = line.find(':');
    if (at == std::string::npos) return w;
    std::istringstream s(line.substr(at + 1));
    std::string x;
    while (s >> x) w.push_back(x);
    return w;
}

i32 first_word(const std::string& line) { return std::stoi(line.substr(0, line.find(' '))); }

// Elements of the tool path: top-level lines and the lines of each
// element's sub-list (indented).
struct Path {
    std::vector<std::string> top;
    std::vector<std::vector<std::string>> sub;
};
Path path_of(const std::string& dump)
{
    Path p;
    std::istringstream s(dump);
    std::string line;
    while (std::getline(s, line)) {
        if (line.rfind("  ", 0) == 0) {
            if (!p.sub.empty()) p.sub.back().push_back(line.substr(2));
        } else if (p.top.empty() && first_word(line) == 0 && p.sub.empty()) {
            continue;  // the tool path's own header block
        } else {
            p.top.push_back(line);
            p.sub.emplace_back();
        }
    }
    return p;
}

const char* const CLEAN = "host: left open: arrays 0, blocks 0, elements 0, entity 0, list level 1";
}  // namespace

TEST(Driver, NewProceduresAreDefinedSavedExecutedUntilCancel)
{
    ModRun m = run_module(session(R"("drvtest")", R"(
        {"menu": "DEFINE"}, {"question": "OK TO EXECUTE?", "answer": "yes"},
        {"menu": "DEFINE"}, {"question": "OK TO EXECUTE?", "answer": "yes"},
        {"menu": "CANCEL"})"),
                          "new");
    ASSERT_EQ(m.r.rc, 0) << m.r.err << m.r.transcript;
    // The road of the two cycles and the cancel.
    auto road = lines_with(m.r.transcript, {"test:", "question:", "CREATED", "CREATING"});
    const std::vector<std::string> want = {
        "user: CREATING TAVREK PROCEDURES",
        "test: define procedure 1",
        "question: OK TO EXECUTE?",
        "test: execute mode 1",
        "test: UITR 1",
        "test: define procedure 1 copied",
        "question: OK TO EXECUTE?",
        "test: execute mode 1",
        "test: UITR 1",
        "test: define procedure 1 copied",
        "window: PROCEDURES NUMBER 1  2 ARE CREATED",
        "test: driver status -1, executions 2",
    };
    EXPECT_EQ(road, want) << m.r.transcript;
    EXPECT_NE(m.r.transcript.find(CLEAN), std::string::npos) << m.r.transcript;

    // Two procedure blocks, each with its three lines in its sub-list.
    Path p = path_of(m.toolpath);
    ASSERT_EQ(p.top.size(), 2u) << m.toolpath;
    for (size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(first_word(p.top[k]), 12);
        int lines = 0;
        for (const auto& e : p.sub[k]) lines += first_word(e) == 2 ? 1 : 0;
        EXPECT_EQ(lines, 3) << m.toolpath;
    }
    // The parameters and the request record are stored.
    auto tv = record_words(record(m.records, "TV27"));
    ASSERT_EQ(tv.size(), 478u);
    EXPECT_EQ(tv[0], "101");  // the parameter of the last procedure
    auto eda = record_words(record(m.records, "EDA2"));
    ASSERT_EQ(eda.size(), 20u);
    EXPECT_EQ(eda[16], "1");  // parameters changed
    EXPECT_EQ(eda[17], "1");  // geometry changed
    EXPECT_EQ(eda[0], "0");
    EXPECT_EQ(record_words(record(m.records, "NPRC")), std::vector<std::string>{"2"});
    EXPECT_EQ(record_words(record(m.records, "UITR")), std::vector<std::string>{"0"});
}

TEST(Driver, ExistingProcedureIsReopenedRewrittenAndFinished)
{
    ModRun m = run_module(session(R"("drvtest", "open 1", "drvtest")", R"(
        {"menu": "DEFINE"}, {"question": "OK TO EXECUTE?", "answer": "yes"}, {"menu": "CANCEL"},
        {"menu": "CHANGE"}, {"question": "OK TO EXECUTE?", "answer": "yes"})"),
                          "existing");
    ASSERT_EQ(m.r.rc, 0) << m.r.err << m.r.transcript;
    size_t second = m.r.transcript.find("host: open procedure 1");
    ASSERT_NE(second, std::string::npos);
    auto road = lines_with(m.r.transcript.substr(second), {"test:", "question:", "CREATED", "removed"});
    const std::vector<std::string> want = {
        "test: read procedure parameter 101",
        "test: define procedure 1",
        "question: OK TO EXECUTE?",
        "test: execute mode 1",
        "test: UITR 1",
        "test: driver status -1, executions 2",
        "host: the old block of the procedure is removed",
    };
    EXPECT_EQ(road, want) << m.r.transcript;
    // An existing procedure ends after one finish: no next cycle.
    Path p = path_of(m.toolpath);
    ASSERT_EQ(p.top.size(), 1u) << m.toolpath;
    auto tv = record_words(record(m.records, "TV27"));
    ASSERT_EQ(tv.size(), 478u);
    EXPECT_EQ(tv[0], "1101");
    EXPECT_EQ(std::count(m.r.transcript.begin(), m.r.transcript.end(), '\n') > 0, true);
    EXPECT_NE(m.r.transcript.rfind(CLEAN), std::string::npos);
}

TEST(Driver, UnchangedExistingProcedureAsksAndGoesBackOnNo)
{
    // Nothing changed: the host's nothing-to-do question; no goes back to the
    // definition, which then ends the procedure.
    ModRun m = run_module(session(R"("drvtest", "open 1", "drvtest")", R"(
        {"menu": "DEFINE"}, {"question": "OK TO EXECUTE?", "answer": "yes"}, {"menu": "CANCEL"},
        {"menu": "DEFINE"}, {"question": "NOTHING TO EXECUTE", "answer": "no"},
        {"menu": "END"})"),
                          "unchanged");
    ASSERT_EQ(m.r.rc, 0) << m.r.err << m.r.transcript;
    std::string t = m.r.transcript.substr(m.r.transcript.find("host: open procedure 1"));
    EXPECT_NE(t.find("message: NOTE: NO CHANGES IN PROCEDURE'S PARAMETERS"), std::string::npos) << t;
    EXPECT_NE(t.find("test: define procedure 1 back"), std::string::npos) << t;
    EXPECT_NE(t.find("test: driver status -1, executions 1"), std::string::npos) << t;
    // Nothing was written: the old block stays alone.
    EXPECT_EQ(path_of(m.toolpath).top.size(), 1u);
    EXPECT_EQ(t.find("removed"), std::string::npos);
}

TEST(Driver, SuspendedProcedureIsSavedButNotExecuted)
{
    ModRun m = run_module(session(R"("drvtest")", R"(
        {"menu": "DEFINE"}, {"question": "OK TO EXECUTE?", "answer": "SUSPEND"},
        {"menu": "CANCEL"})"),
                          "suspend");
    ASSERT_EQ(m.r.rc, 0) << m.r.err << m.r.transcript;
    EXPECT_EQ(m.r.transcript.find("test: execute"), std::string::npos) << m.r.transcript;
    EXPECT_NE(m.r.transcript.find("prompt: S U S P E N D I N G"), std::string::npos);
    EXPECT_NE(m.r.transcript.find("test: driver status -1, executions 0"), std::string::npos);
    Path p = path_of(m.toolpath);
    ASSERT_EQ(p.top.size(), 1u) << m.toolpath;
    EXPECT_EQ(first_word(p.top[0]), 12);
    EXPECT_TRUE(p.sub[0].empty()) << m.toolpath;
    EXPECT_NE(m.r.transcript.find(CLEAN), std::string::npos);
}

TEST(Driver, SolidUpdateAsksToUpdateTheProcedure)
{
    ModRun m = run_module(session(R"("drvtest")", R"(
        {"menu": "DEFINE"}, {"question": "UPDATE PROCEDURE?", "answer": "yes"},
        {"menu": "DEFINE"}, {"question": "UPDATE PROCEDURE?", "answer": "no"})",
                                  R"(, "solid_updated": 1)"),
                          "solid");
    ASSERT_EQ(m.r.rc, 0) << m.r.err << m.r.transcript;
    auto road = lines_with(m.r.transcript, {"test:", "question:", "ATTENTION"});
    const std::vector<std::string> want = {
        "test: define procedure 1",
        "message: ATTENTION: SOLID GEOMETRY IS UPDATED FOR THIS PROCEDURE.",
        "question: UPDATE PROCEDURE?",
        "test: surface lists updated",
        "test: define procedure 1",
        "message: ATTENTION: SOLID GEOMETRY IS UPDATED FOR THIS PROCEDURE.",
        "question: UPDATE PROCEDURE?",
        "test: driver status -1, executions 0",
    };
    EXPECT_EQ(road, want) << m.r.transcript;
    EXPECT_TRUE(path_of(m.toolpath).top.empty()) << m.toolpath;
    EXPECT_NE(m.r.transcript.find(CLEAN), std::string::npos);
}

TEST(Driver, DefinitionOnlyRequestSavesAndExecutesNothing)
{
    ModRun m = run_module(session(R"("set EDA2 4=1", "drvtest")", R"({"menu": "DEFINE"})"), "defonly");
    ASSERT_EQ(m.r.rc, 0) << m.r.err << m.r.transcript;
    EXPECT_EQ(m.r.transcript.find("question:"), std::string::npos) << m.r.transcript;
    EXPECT_NE(m.r.transcript.find("test: driver status -1, executions 0"), std::string::npos);
    EXPECT_TRUE(path_of(m.toolpath).top.empty()) << m.toolpath;
    EXPECT_EQ(record(m.records, "NPRC"), "");
    // The common exit still saves the parameters; the request word is cleared.
    EXPECT_EQ(record_words(record(m.records, "TV27"))[0], "101");
    EXPECT_EQ(record_words(record(m.records, "EDA2"))[4], "0");
    EXPECT_NE(m.r.transcript.find(CLEAN), std::string::npos);
    // The host holds the procedure: its status line is left as it was.
    EXPECT_EQ(m.r.transcript.find("field 2.13"), std::string::npos) << m.r.transcript;
}

TEST(Driver, EscapeAtTheQuestionReturnsToTheDefinition)
{
    ModRun m = run_module(session(R"("drvtest")", R"(
        {"menu": "DEFINE"}, {"question": "OK TO EXECUTE?", "escape": true},
        {"menu": "DEFINE"}, {"question": "OK TO EXECUTE?", "answer": "no"},
        {"menu": "CANCEL"})"),
                          "escape");
    ASSERT_EQ(m.r.rc, 0) << m.r.err << m.r.transcript;
    auto road = lines_with(m.r.transcript, {"test:", "question:"});
    const std::vector<std::string> want = {
        "test: define procedure 1",
        "question: OK TO EXECUTE?",
        "test: define procedure 1 back",
        "question: OK TO EXECUTE?",
        "test: define procedure 1 back",
        "test: driver status -1, executions 0",
    };
    EXPECT_EQ(road, want) << m.r.transcript;
    EXPECT_TRUE(path_of(m.toolpath).top.empty());
    EXPECT_NE(m.r.transcript.find(CLEAN), std::string::npos);
}

TEST(Driver, FailuresRunTheCommonExitAndLeaveNothingOpen)
{
    // The procedure limit refuses the block: the common exit, no block.
    ModRun m = run_module(session(R"("drvtest")", R"({"menu": "DEFINE"}, {"question": "OK TO EXECUTE?", "answer": "yes"})",
                                  "", R"(, "NPRC": {"kind": 3, "words": [200]})"),
                          "limit");
    ASSERT_EQ(m.r.rc, 0) << m.r.err << m.r.transcript;
    EXPECT_NE(m.r.transcript.find("NUMBER OF PROCEDURES IN TOOL PATH EXCEEDED"), std::string::npos);
    EXPECT_NE(m.r.transcript.find("test: driver status -1, executions 0"), std::string::npos);
    EXPECT_TRUE(path_of(m.toolpath).top.empty());
    EXPECT_NE(m.r.transcript.find(CLEAN), std::string::npos) << m.r.transcript;

    // A full tool path list: the block cannot be written, "EDA2" word 18 says so.
    m = run_module(session(R"("drvtest")", R"({"menu": "DEFINE"}, {"question": "OK TO EXECUTE?", "answer": "yes"})",
                           R"(, "list_capacity": 40)"),
                   "full");
    ASSERT_EQ(m.r.rc, 0) << m.r.err << m.r.transcript;
    EXPECT_EQ(record_words(record(m.records, "EDA2"))[18], "1") << m.records;
    EXPECT_NE(m.r.transcript.find(CLEAN), std::string::npos) << m.r.transcript;

    // An existing procedure whose block cannot be rewritten: the common exit
    // sees the failure and clears the changed flags of the last save.
    m = run_module(session(R"("drvtest", "open 1", "drvtest")", R"(
        {"menu": "DEFINE"}, {"question": "OK TO EXECUTE?", "answer": "yes"}, {"menu": "CANCEL"},
        {"menu": "CHANGE"}, {"question": "OK TO EXECUTE?", "answer": "yes"})",
                           R"(, "list_capacity": 1000)"),
                   "rewrite");
    ASSERT_EQ(m.r.rc, 0) << m.r.err << m.r.transcript;
    auto eda = record_words(record(m.records, "EDA2"));
    ASSERT_GT(eda.size(), 18u);
    EXPECT_EQ(eda[18], "1");
    EXPECT_EQ(eda[16], "0");
    EXPECT_EQ(eda[17], "0");
    EXPECT_EQ(m.r.transcript.find("executions 2"), std::string::npos);

    // No tool path open: the start-up refuses and the release runs.
    m = run_module(session(R"("drvtest")", "", R"(, "tp_open": 0)"), "closed");
    ASSERT_EQ(m.r.rc, 0) << m.r.err << m.r.transcript;
    EXPECT_NE(m.r.transcript.find("user: TOOL PATH IS NOT OPEN"), std::string::npos);
    EXPECT_NE(m.r.transcript.find("test: driver status -1, executions 0"), std::string::npos);
    EXPECT_NE(m.r.transcript.find("host: left open: arrays 0, blocks 0, elements 0, entity 0"), std::string::npos)
        << m.r.transcript;
}

TEST(Driver, AnExecutionThatWritesNoMotionSaysSoAndIsNotAnnouncedCreated)
{
    const char* const NONE = "user: DRVEXE, THE EXECUTION WROTE NO MOTION";
    // Alone: the procedure block stays, empty; no creation report, no next cycle.
    ModRun m = run_module(session(R"("drvnone")", R"({"menu": "DEFINE"}, {"question": "OK TO EXECUTE?", "answer": "yes"})"),
                          "none");
    ASSERT_EQ(m.r.rc, 0) << m.r.err << m.r.transcript;
    EXPECT_EQ(count_lines_with(m.r.transcript, NONE), 1) << m.r.transcript;
    EXPECT_EQ(m.r.transcript.find("CREATED"), std::string::npos) << m.r.transcript;
    EXPECT_NE(m.r.transcript.find("test: driver status -1, executions 1"), std::string::npos);
    Path p = path_of(m.toolpath);
    ASSERT_EQ(p.top.size(), 1u) << m.toolpath;
    EXPECT_TRUE(p.sub[0].empty()) << m.toolpath;
    EXPECT_NE(m.r.transcript.find(CLEAN), std::string::npos) << m.r.transcript;

    // After a procedure that was made: only that one is reported.
    m = run_module(session(R"("drvempty")", R"(
        {"menu": "DEFINE"}, {"question": "OK TO EXECUTE?", "answer": "yes"},
        {"menu": "DEFINE"}, {"question": "OK TO EXECUTE?", "answer": "yes"})"),
                   "empty");
    ASSERT_EQ(m.r.rc, 0) << m.r.err << m.r.transcript;
    auto road = lines_with(m.r.transcript, {"test:", "CREATED", "DRVEXE"});
    const std::vector<std::string> want = {
        "test: define procedure 1",
        "test: execute mode 1",
        "test: UITR 1",
        "test: define procedure 1 copied",
        "test: execute mode 1",
        NONE,
        "window: PROCEDURE NUMBER 1 IS CREATED",
        "test: driver status -1, executions 2",
    };
    EXPECT_EQ(road, want) << m.r.transcript;
    EXPECT_EQ(path_of(m.toolpath).top.size(), 2u) << m.toolpath;
}

TEST(Driver, AFailedExecutionKeepsItsBlocksClosesItsMarkersAndIsNotAnnounced)
{
    ModRun m = run_module(session(R"("drvfail")", R"({"menu": "DEFINE"}, {"question": "OK TO EXECUTE?", "answer": "yes"})"),
                          "fail");
    ASSERT_EQ(m.r.rc, 0) << m.r.err << m.r.transcript;
    auto road = lines_with(m.r.transcript, {"test:", "CREATED", "DRVEXE", "FAILURE", "MARKER"});
    const std::vector<std::string> want = {
        "test: define procedure 1",
        "test: execute mode 1",
        "test: UITR 1",
        "internal: EXE, TEST FAILURE",
        "user: DRVEXE, THE EXECUTION FAILED: THE TOOL PATH IS CUT SHORT",
        "test: driver status -1, executions 1",
    };
    EXPECT_EQ(road, want) << m.r.transcript;
    // The three lines stay between the marker the execution opened and the
    // end marker written for it.
    Path p = path_of(m.toolpath);
    ASSERT_EQ(p.top.size(), 1u) << m.toolpath;
    std::vector<std::string> kinds;
    for (const auto& e : p.sub[0]) {
        std::istringstream ws(e);
        long long type = 0, number = 0, kind = 0;
        ws >> type >> number >> kind;
        if (type == 99 || type == 2) kinds.push_back(type == 99 ? "marker " + std::to_string(kind) : "line");
    }
    const std::vector<std::string> blocks = {"marker 5", "line", "line", "line", "marker 6"};
    EXPECT_EQ(kinds, blocks) << m.toolpath;
    EXPECT_NE(m.r.transcript.find(CLEAN), std::string::npos) << m.r.transcript;
}

namespace {

// The status line shows the procedure label with the procedure's block.
TEST(Driver, StatusLineShowsTheProcedureLabel)
{
    ModRun m = run_module(session(R"("drvtest")", R"({"menu": "DEFINE"}, {"question": "OK TO EXECUTE?", "answer": "yes"},
        {"menu": "CANCEL"})"),
                          "label");
    ASSERT_EQ(m.r.rc, 0) << m.r.err << m.r.transcript;
    EXPECT_NE(m.r.transcript.find("field 2.13: [-----   =1  ]"), std::string::npos) << m.r.transcript;
}

}  // namespace
