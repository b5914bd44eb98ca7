// Execution control: pause, step and stop of a running execution through the
// runner, the execution menu's forms, the procedure display and the display
// options.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "blocks/format.h"
#include "frame/dspopt.h"
#include "core/host.h"
#include "core/intchk.h"
#include "frame/intctl.h"
#include "core/modflg.h"
#include "core/mactyp.h"
#include "core/progress.h"
#include "core/records.h"
#include "platform/norak/norak.h"
#include "session_util.h"

namespace {
// A 3-axis tool path, one mill, the clearance height 50 and the switch that
// retracts to it on a stop (word 73 of "HEI8").
std::string session(const std::string& call, const std::string& replies, i32 retract)
{
    std::string hei = "50.0";
    for (int k = 1; k < 73; ++k) hei += ", 0";
    hei += ", " + std::to_string(retract);
    return R"({"settings": {"machine_type": 23, "tp_version": 1100, "prg_version": 1100},
  "records": {"PRM9": {"kind": 4, "words": [0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 101]},
              "DSP8": {"kind": 4, "words": [0, 0, 0, 0, 0, 1.0]},
              "HEI8": {"kind": 1, "words": [)" +
           hei + R"(]}},
  "entities": [{"kind": "tool", "id": 101, "type": "MILL", "name": "FLAT 10", "diameter": 10, "cutting_length": 25,
     "technology": [{"spindle": 3000, "cutting_speed": 94.2, "feed": 600},
                    {"spindle": 3000, "cutting_speed": 94.2, "feed": 600},
                    {"spindle": 3000, "cutting_speed": 94.2, "feed": 600}]}],
  "calls": [")" + call +
           R"("],
  "replies": [{"menu": "DEFINE"}, {"question": "OK TO EXECUTE?", "answer": "yes"}, )" +
           (replies.empty() ? std::string() : replies + ", ") + R"({"menu": "CANCEL"}]})";
}

struct Out {
    RunResult r;
    std::string toolpath, records;
};

Out run(const std::string& json, const std::string& name)
{
    Out o;
    o.r = run_session(json, "exe_" + name, "libdrvtest.so");
    o.toolpath = o.r.toolpath;
    o.records = o.r.records;
    return o;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream s(text);
    std::string l;
    while (std::getline(s, l)) out.push_back(l);
    return out;
}

std::vector<std::string> with(const std::string& text, const std::vector<std::string>& what)
{
    std::vector<std::string> out;
    for (const auto& l : lines(text))
        for (const auto& w : what)
            if (l.find(w) != std::string::npos) {
                out.push_back(l);
                break;
            }
    return out;
}

// Words of the sub-list elements of the first procedure block.
std::vector<std::vector<i32>> sublist(const std::string& dump)
{
    std::vector<std::vector<i32>> out;
    for (const auto& l : lines(dump)) {
        if (l.rfind("  ", 0) != 0) {
            if (!out.empty()) break;
            continue;
        }
        std::istringstream s(l);
        std::vector<i32> w;
        long long x;
        while (s >> x) w.push_back(static_cast<i32>(x));
        out.push_back(w);
    }
    return out;
}

f32 real(i32 w) { return wrd2r(w); }

const char* const MENU3 = "menu: EXECUTION:RESUME@EXECUTION:BY STEP@EXECUTION:STOP";
const char* const CLEAN = "host: left open: arrays 0, blocks 0, elements 0, entity 0, list level 1";
}  // namespace

TEST(ExecControl, PauseStepAndStopWithRetract)
{
    // Every line is polled twice: by the display of the movement block and
    // by the procedure's own interrupt check after it.
    Out o = run(session("drvtest20", R"(
        {"key": "space", "after_polls": 10},
        {"menu": "EXECUTION:BY STEP", "expect": "EXECUTION:RESUME@EXECUTION:BY STEP@EXECUTION:STOP"},
        {"prompt": "COUNT", "answer": 6},
        {"menu": "ACCEPT"},
        {"menu": "EXECUTION:STOP", "expect": "EXECUTION:RESUME@EXECUTION:BY STEP@EXECUTION:STOP"},
        {"menu": "ACCEPT"},
        {"question": "STOP EXECUTION?", "answer": "yes"})",
                        1),
                "stop");
    ASSERT_EQ(o.r.rc, 0) << o.r.err << o.r.transcript;
    auto road = with(o.r.transcript, {"test:", MENU3, "STOP EXECUTION?", "<SPACE> TO PAUSE"});
    const std::vector<std::string> want = {
        "test: define procedure 1",
        "prompt: <SPACE> TO PAUSE",
        "test: execute mode 1",
        "test: block 1",
        "test: UITR 1",
        "test: block 2",
        "test: block 3",
        "test: block 4",
        "test: block 5",
        std::string(MENU3) + " [1]",
        "prompt: <SPACE> TO PAUSE",  // the prompt comes back after the menu
        "test: block 6",
        "test: block 7",
        "test: block 8",
        std::string(MENU3) + " [2]",  // BY STEP is preselected
        "question: STOP EXECUTION?",
        "prompt: <SPACE> TO PAUSE",  // put back on the stop's road too
        "test: execute mode 2",
        "test: define procedure 1 copied",
        "test: driver status -1, executions 2",
    };
    EXPECT_EQ(road, want) << o.r.transcript;
    EXPECT_NE(o.r.transcript.find(CLEAN), std::string::npos);
    EXPECT_NE(o.records.find("UITR kind 3 words 1: 0\n"), std::string::npos) << o.records;

    // The tool path: the blocks written before the stop, then the retract:
    // the rapid code and a line up to the clearance height.
    auto sub = sublist(o.toolpath);
    std::vector<std::vector<i32>> moves;
    for (const auto& e : sub)
        if (e[0] == 2) moves.push_back(e);
    ASSERT_EQ(moves.size(), 9u) << o.toolpath;
    for (int k = 0; k < 8; ++k) EXPECT_EQ(real(moves[static_cast<size_t>(k)][2]), 10.0f * (k + 1));
    const auto& up = moves.back();
    EXPECT_EQ(real(up[2]), 80.0f);
    EXPECT_EQ(real(up[3]), 8.0f);
    EXPECT_EQ(real(up[4]), 50.0f);
    ASSERT_GE(sub.size(), 2u);
    const auto& rapid = sub[sub.size() - 2];
    EXPECT_EQ(rapid[0], 1);
    EXPECT_EQ(rapid[2], 1);  // technology parameter 1
    EXPECT_EQ(rapid[4], 4);  // its code 4
}

TEST(ExecControl, NoKeepsTheMenuOpenAndCancelStopsAtOnce)
{
    Out o = run(session("drvtest20", R"(
        {"key": "space", "after_polls": 4},
        {"menu": "EXECUTION:STOP", "expect": "EXECUTION:RESUME@"},
        {"menu": "ACCEPT"},
        {"question": "STOP EXECUTION?", "answer": "no"},
        {"menu": "ACCEPT", "escape": true})",
                        0),
                "cancel");
    ASSERT_EQ(o.r.rc, 0) << o.r.err << o.r.transcript;
    EXPECT_EQ(count_lines_with(o.r.transcript, "question: STOP EXECUTION?"), 1);
    EXPECT_EQ(count_lines_with(o.r.transcript, MENU3), 2);  // shown again after the no
    EXPECT_NE(o.r.transcript.find("test: execute mode 2"), std::string::npos);
    EXPECT_EQ(o.r.transcript.find("test: block 3"), std::string::npos);
    // Without the retract switch the stop adds no move.
    auto sub = sublist(o.toolpath);
    int moves = 0;
    for (const auto& e : sub) moves += e[0] == 2 ? 1 : 0;
    EXPECT_EQ(moves, 2) << o.toolpath;
    EXPECT_EQ(sub.back()[0], 2);
    EXPECT_NE(o.r.transcript.find(CLEAN), std::string::npos);
}

TEST(ExecControl, ProcedureIsDisplayedAgain)
{
    Out o = run(session("drvshow", "", 0), "show");
    ASSERT_EQ(o.r.rc, 0) << o.r.err << o.r.transcript;
    // Three line blocks and the technology blocks before them.
    EXPECT_NE(o.r.transcript.find("test: display status 0, blocks shown 10"), std::string::npos) << o.r.transcript;
    EXPECT_NE(o.r.transcript.find("display: blocks of procedure 1 deleted"), std::string::npos);
    EXPECT_NE(o.r.transcript.find("internal: DSPROC,INVALID DMODE TYPE. DMODE = 5"), std::string::npos);
    EXPECT_NE(o.r.transcript.find(CLEAN), std::string::npos);
}

// ------------------------------------------------------------- in process

namespace {
struct Menu : ::testing::Test {
    void SetUp() override
    {
        norak::reset();
        DSPMOD = 0;
        std::memset(HEI8, 0, sizeof HEI8);
        std::memset(NPT1, 0, sizeof NPT1);
        std::memset(DSP8, 0, sizeof DSP8);
        DSP8[DSP8_AXIS + 2] = r2wrd(1.0f);
    }
    void uitr(i32 v)
    {
        i32 st = 0;
        mdputn("UITR", 3, 1, &v, st);
    }
};
}  // namespace

TEST_F(Menu, EmptyListOffersResumeAndStopOnly)
{
    norak::load_session_text(R"({"replies": [{"key": "space"}, {"menu": "ACCEPT"}]})");
    uitr(1);
    CHKINT();
    const auto& t = norak::transcript();
    EXPECT_TRUE(norak::transcript_has("menu: EXECUTION:RESUME@EXECUTION:STOP [1]"));
    EXPECT_FALSE(norak::transcript_has("BY STEP"));
    EXPECT_FALSE(norak::transcript_has("MANUAL EDIT"));
    EXPECT_TRUE(norak::transcript_has("reply: 0"));
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(norak::menu_layout()[2], 3);  // three menu lines
    // Menu mode 1 in the editor's trim: no BY STEP, but MANUAL EDIT makes
    // the fourth line the host is told of.
    norak::load_session_text(R"({"replies": [{"menu": "ACCEPT", "expect": "MANUAL EDIT"}]})");
    uitr(1);
    const i32 keep = MACTYP;
    MACTYP = MACTYP_ALTER;
    INTMNU(1);
    MACTYP = keep;
    EXPECT_EQ(norak::menu_layout()[2], 4);
    EXPECT_EQ(norak::replies_left(), 0u);
    // Without an interruptible execution the menu does nothing.
    uitr(0);
    size_t n = t.size();
    INTMNU(1);
    EXPECT_EQ(norak::transcript().size(), n);
}

TEST_F(Menu, MotionLookUpCountsTheBlockUnderTheCursorAndKeepsThePosition)
{
    // Each case: the blocks of the list (their types), the cursor (0 before
    // the first, k on block k), the direction mode and the answer.
    struct Case {
        std::vector<i32> types;
        i32 cursor, mode, nomotion;
    } cases[] = {
        {{BT_HEADER, BT_LINE}, 2, 2, 0},  // the one motion is the block last written
        {{BT_HEADER, BT_LINE, BT_TEXT}, 3, 2, 0},
        {{BT_HEADER, BT_TEXT}, 2, 2, 1},
        {{BT_LINE, BT_HEADER}, 0, 1, 0},  // forward from a list just opened
        {{BT_HEADER, BT_TEXT}, 0, 1, 1},
        {{BT_HEADER, BT_TEXT, BT_LINE}, 1, 1, 0},
        {{BT_LINE, BT_HEADER}, 0, 2, 1},  // nothing precedes the first block
        {{BT_HEADER, BT_LINE}, 2, 1, 1},  // looking forward, the block under the cursor does not follow
        {{BT_LINE, BT_TEXT}, 1, 1, 1},
    };
    for (const Case& c : cases) {
        norak::reset();
        i32 st = 0, ans = 0;
        // Before the first: a block put in front and deleted again.
        std::vector<i32> types = c.types;
        if (c.cursor == 0) types.insert(types.begin(), BT_TEXT);
        for (size_t k = 0; k < types.size(); ++k) {
            i32 words[5] = {types[k], static_cast<i32>(k + 1), r2wrd(1.0f), r2wrd(2.0f), r2wrd(3.0f)};
            lacces(1, ans);
            lcreat(ans == -1 ? 0 : -1, st);
            lputd(st, 5, words);
        }
        lclos();
        lacces(2, ans);
        if (c.cursor == 0) ldelet(1, st);
        for (i32 k = 1; k < c.cursor; ++k) lacces(1, ans);
        i32 before = 0, after = 0, nomotion = -1;
        lgtpos(before);
        MRKPOS(c.mode, nomotion, st);
        lgtpos(after);
        EXPECT_EQ(st, 0) << c.cursor;
        EXPECT_EQ(nomotion, c.nomotion) << c.types.size() << " blocks, cursor " << c.cursor << " mode " << c.mode;
        EXPECT_EQ(after, before);
    }
}

TEST_F(Menu, DisplayOptionChangesOnlyWhenDifferent)
{
    norak::load_session_text(R"({"replies": [
        {"menu": "MOTION:NO FAST DSP", "expect": "TOOL:  DISPLAY"}, {"menu": "ACCEPT"},
        {"menu": "TOOL:  TRACE", "expect": "TOOL:  DISPLAY"}, {"menu": "LEAVE"}]})");
    uitr(1);
    set_fdflg_on();
    DSPMOD = 4;
    INTST.disp_changed = 0;
    INTMNU(2);
    EXPECT_EQ(INTST.disp_changed, 0);
    EXPECT_EQ(DSPMOD, 4);
    INTMNU(2);
    EXPECT_EQ(INTST.disp_changed, 1);
    EXPECT_EQ(DSPMOD, 1);
    EXPECT_EQ(get_fdflg(), 0);
    EXPECT_EQ(INTST.keep, 1);
}

TEST_F(Menu, DisplayOptionChosenSetsModeAndDisplayClassFlags)
{
    // Each case: menu mode, the option chosen, the display-class flags on
    // entry, then the display mode, fast-display flag and flags after.
    struct Case {
        i32 mode;
        const char* option;
        i32 keep, other, dspmod, fast, keep_after, other_after;
    } cases[] = {
        {2, "MOTION:NO DISPLAY", 0, 1, 3, 0, 1, 0},   // menu mode 2 clears the opposite flag
        {1, "MOTION:NO DISPLAY", 0, 1, 3, 0, 1, 1},   // menu mode 1 keeps it
        {2, "MOTION:NO FAST DSP", 1, 0, 4, 1, 0, 1},  // menu mode 2 clears the display-kept flag
        {1, "MOTION:NO FAST DSP", 1, 0, 4, 1, 1, 1},
    };
    for (const Case& c : cases) {
        norak::reset();
        norak::load_session_text(std::string(R"({"replies": [{"menu": ")") + c.option +
                                 R"(", "expect": "TOOL:"}, {"menu": "ACCEPT"}]})");
        uitr(1);
        set_fdflg_off();
        DSPMOD = 0;
        INTST.keep = c.keep;
        INTST.other = c.other;
        INTMNU(c.mode);
        EXPECT_EQ(DSPMOD, c.dspmod) << c.mode << c.option;
        EXPECT_EQ(get_fdflg(), c.fast) << c.mode << c.option;
        EXPECT_EQ(INTST.keep, c.keep_after) << c.mode << c.option;
        EXPECT_EQ(INTST.other, c.other_after) << c.mode << c.option;
        EXPECT_EQ(norak::replies_left(), 0u) << c.mode << c.option;
    }
}

TEST_F(Menu, AStopFromTheMenuPutsBackWhatTheMenuSuspended)
{
    // STOP answered yes, and the host's cancel: either unwinds to the runner,
    // and the menu still gives back the relation table and the prompt, drops
    // the BY STEP countdown and keeps the display option chosen before.
    for (const char* stop : {R"({"menu": "EXECUTION:STOP", "expect": "EXECUTION:"},
                                {"menu": "TOOL:  TRACE", "expect": "TOOL:"}, {"menu": "ACCEPT"},
                                {"question": "STOP EXECUTION?", "answer": "yes"})",
                             R"({"menu": "TOOL:  TRACE", "expect": "TOOL:"}, {"menu": "ACCEPT", "escape": true})"}) {
        norak::reset();
        norak::load_session_text(std::string(R"({"replies": [)") + stop + "]}");
        uitr(1);
        prmptc("<SPACE> TO PAUSE");
        DSPMOD = 0;
        INTST.bystep = 1;
        INTST.disp_changed = 0;
        INTST.running = 1;
        ASSERT_EQ(rel_table_init_get(), 1);
        EXPECT_THROW(INTMNU(2), ExecStop) << stop;
        INTST.running = 0;
        EXPECT_EQ(rel_table_init_get(), 1) << stop;
        const auto& t = norak::transcript();
        EXPECT_EQ(std::count(t.begin(), t.end(), "prompt: <SPACE> TO PAUSE"), 2) << stop;  // shown, then put back
        // A stopped execution is not logged as resumed.
        EXPECT_EQ(std::count_if(t.begin(), t.end(),
                                [](const std::string& l) { return l.find("RESUME TIME") != std::string::npos; }),
                  0)
            << stop;
        EXPECT_EQ(INTST.bystep, 0) << stop;
        EXPECT_EQ(DSPMOD, 1) << stop;
        EXPECT_EQ(INTST.disp_changed, 1) << stop;
        EXPECT_EQ(norak::replies_left(), 0u) << stop;
    }
}

TEST_F(Menu, StatusWindowFieldsAndTheDefaultAnswer)
{
    STWPNT(1, "TITLE", "LABEL", "7", 5, 5, 1);
    STWPNT(3, "TITLE", "LABEL", "8", 5, 5, 1);
    STWPNT(1, "", "LABEL", "9", 0, 5, 1);
    const std::vector<std::string> want = {"progress 1: [TITLE]", "progress 6: [LABEL]", "progress 11: [7]",
                                           "progress 11: [8]"};
    EXPECT_EQ(norak::transcript(), want);
    EDA2[EDA2_NOQUEST] = 1;
    i32 reply = -5;
    PRMRPL("OK TO CONTINUE ?", 0, reply);
    EXPECT_EQ(reply, 0);
    EDA2[EDA2_NOQUEST] = 0;
}

TEST_F(Menu, DisplayOptionsSetModeClearanceAndOrigin)
{
    norak::load_session_text(R"({"replies": [
        {"menu": "MOTION: NO FAST DISP.", "expect": "TOOL: DISPLAY@"},
        {"prompt": "CLEAR", "answer": 20},
        {"menu": "CHANGE ORIGIN"},
        {"menu": "ACCEPT"}]})");
    NPT1[NPT1_ORIGIN + 2] = r2wrd(5.0f);
    HEI8[HEI8_CLEARANCE] = r2wrd(55.0f);
    const i32 options[3] = {1, 1, 1}, display[4] = {0, 0, 0, 1};
    i32 inserted = -1, st = -1;
    DSPOPT(0, options, display, inserted, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(inserted, 0);
    EXPECT_TRUE(norak::transcript_has("field: CLEAR = 50.000"));
    EXPECT_TRUE(norak::transcript_has("host: change of origin"));
    EXPECT_FALSE(norak::transcript_has("field: TP NAME"));
    EXPECT_EQ(wrd2r(HEI8[HEI8_CLEARANCE]), 25.0f);
    EXPECT_EQ(DSPMOD, 4);
    EXPECT_EQ(get_fdflg(), 1);
    EXPECT_EQ(norak::replies_left(), 0u);

    // As the GO menu of a milling machine opens it (display items 1 and 4,
    // option items 2 and 3): the six tool path texts, the tool display and
    // the clearance row with the action group.
    norak::reset();
    norak::load_session_text(R"({"replies": [{"menu": "TOOL: NO DISPLAY", "expect": "TOOL: DISPLAY@"}, {"menu": "ACCEPT"}]})");
    std::memcpy(NPT1, "DOME    ", 8);
    NPT1[NPT1_MACHINE] = 23;
    set_fdflg_off();
    DSPMOD = 2;
    const i32 go_options[3] = {0, 1, 1}, go_display[4] = {1, 0, 0, 1};
    DSPOPT(0, go_options, go_display, inserted, st);
    EXPECT_EQ(st, 0);
    for (const char* text : {"field: TP NAME = DOME", "field: TYPE = MILL 3X", "field: TP SIZE = ",
                             "field: BYTES LEFT = ", "field: MACSYS = ", "field: LEVEL = ", "field: CLEAR = 20.000",
                             "field: INSERT MESSAGE / CODE", "field: CHANGE ORIGIN"})
        EXPECT_TRUE(norak::transcript_has(text)) << text;
    EXPECT_EQ(wrd2r(HEI8[HEI8_CLEARANCE]), 25.0f);
    EXPECT_EQ(DSPMOD, 2);
    EXPECT_EQ(norak::replies_left(), 0u);
    // The leave reply ends the menu as accept does.
    norak::reset();
    norak::load_session_text(R"({"replies": [{"menu": "LEAVE", "exit": true}]})");
    const i32 clear_only[3] = {1, 0, 0}, none[4] = {0, 0, 0, 0};
    DSPOPT(0, clear_only, none, inserted, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::replies_left(), 0u);

    // The clearance is kept relative to the origin: after the host moved the
    // origin by 10, the unchanged clearance of 50 stands 50 above the new one.
    norak::reset();
    norak::load_session_text(R"({"replies": [{"menu": "CHANGE ORIGIN"}, {"menu": "ACCEPT"}]})");
    norak::settings().nc["origin_dz"] = 10;
    NPT1[NPT1_ORIGIN + 2] = r2wrd(5.0f);
    HEI8[HEI8_CLEARANCE] = r2wrd(55.0f);
    DSPOPT(0, options, none, inserted, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(wrd2r(NPT1[NPT1_ORIGIN + 2]), 15.0f);
    EXPECT_EQ(wrd2r(HEI8[HEI8_CLEARANCE]), 65.0f);
    EXPECT_EQ(norak::replies_left(), 0u);
}
