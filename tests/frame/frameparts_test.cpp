// The rerun rule, the machining-type table, the execute dialog's answer
// sets and notes, the finish step's list failure, and small frame services.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "blocks/movement.h"
#include "blocks/tech.h"
#include "edit/proctab.h"
#include "frame/bookkeep.h"
#include "core/params.h"
#include "tools/toolcache.h"
#include "frame/cmpblk.h"
#include "frame/driver.h"
#include "frame/exedlg.h"
#include "blocks/listdsp.h"
#include "blocks/merge.h"
#include "core/seggeo.h"
#include "core/host.h"
#include "frame/gocomp.h"
#include "frame/machtype.h"
#include "frame/prmmnu.h"
#include "core/mactyp.h"
#include "core/modflg.h"
#include "core/prcwrd.h"
#include "core/progress.h"
#include "core/records.h"
#include "platform/norak/norak.h"
#include "tools/toollib.h"

namespace {
struct Frame : ::testing::Test {
    void SetUp() override
    {
        norak::reset();
        std::memset(EDA2, 0, sizeof EDA2);
        std::memset(NPT1, 0, sizeof NPT1);
        std::memset(PRM9, 0, sizeof PRM9);
        std::memset(HEI8, 0, sizeof HEI8);
        MOTKND = 3;
    }
    std::vector<std::string> tail(size_t from) const
    {
        const auto& t = norak::transcript();
        return std::vector<std::string>(t.begin() + static_cast<long>(std::min(from, t.size())), t.end());
    }
};

i32 rerun(const i32* old)
{
    i32 r = -1;
    CMPPUT(old, r);
    return r;
}

void setr(i32* b, i32 w, f32 v) { b[w] = r2wrd(v); }
}  // namespace

// ------------------------------------------------------------ rerun rule

TEST_F(Frame, RerunRuleTable)
{
    i32 old[CMPBLK_N];
    struct Case {
        const char* what;
        void (*change)(i32* n, i32* o);
        i32 level;
    };
    const Case cases[] = {
        {"identical blocks give word 25", [](i32*, i32*) {}, 0},
        {"identical blocks with a stored state", [](i32* n, i32* o) { n[25] = o[25] = 3; }, 3},
        {"word 0 raised: optimization only", [](i32* n, i32*) { n[0] = 2; }, RR_OPT},
        {"word 0 lowered: re-execution", [](i32* n, i32* o) { o[0] = 2; n[0] = 1; }, RR_EXEC},
        {"word 9 changed: re-execution", [](i32* n, i32*) { n[9] = 2; }, RR_EXEC},
        {"word 18 raised to 3 on both sides", [](i32* n, i32* o) { o[18] = 3; n[18] = 3; n[0] = 2; }, RR_OPT + 1},
        {"word 2 lowered with word 0 at 1: update", [](i32* n, i32*) { setr(n, 2, 10.0f); }, RR_UPDATE},
        {"word 2 lowered with word 0 at 2", [](i32* n, i32* o) { o[0] = n[0] = 2; setr(n, 2, 10.0f); }, RR_EXEC},
        {"word 20 changed: update", [](i32* n, i32*) { n[20] = 11; }, RR_UPDATE},
        {"word 48 changed with word 0 at 2", [](i32* n, i32* o) { o[0] = n[0] = 2; n[48] = 4; }, RR_OPT},
        {"a factor of the volume row changed after an update",
         [](i32* n, i32*) {
             n[20] = 11;
             n[33] = 81;
         },
         RR_UPDATE},
        {"a factor changed with word 18 at 2",
         [](i32* n, i32* o) {
             o[18] = n[18] = 2;
             n[20] = 11;
             n[33] = 81;
         },
         RR_OPT},
        {"word 3 at 5: the table of ten values", [](i32* n, i32* o) { o[3] = n[3] = 5; n[60] = 7; }, RR_EXEC},
        {"word 3 at 5: rows beyond the count do not count",
         [](i32* n, i32* o) {
             o[3] = n[3] = 5;
             n[70] = 5;  // count 1: no entry of the rows is used
         },
         0},
        {"upper limit raised with mode 2", [](i32* n, i32* o) { o[6] = n[6] = 2; setr(n, 8, 100000.0f); }, RR_EXEC},
        {"lower limit lowered with mode 4", [](i32* n, i32* o) { o[6] = n[6] = 4; setr(n, 7, -100000.0f); }, RR_EXEC},
        {"upper limit lowered with mode 4", [](i32* n, i32* o) { o[6] = n[6] = 4; setr(n, 8, 5.0f); }, RR_OPT},
        {"limit mode changed from 2 to 4", [](i32* n, i32* o) { o[6] = 2; n[6] = 4; }, RR_OPT},
        {"optimizer switched off from 2 to 1", [](i32* n, i32* o) { o[55] = 2; n[55] = 1; }, RR_UPDATE},
        {"optimizer off after an optimization", [](i32* n, i32* o) { o[55] = 2; n[55] = 1; o[25] = n[25] = 2; }, RR_EXEC},
        {"optimizer switched on with every stage off", [](i32* n, i32* o) { o[55] = 1; n[55] = 2; }, RR_UPDATE},
        {"optimizer switched on with a stage on",
         [](i32* n, i32* o) {
             o[55] = 1;
             n[55] = 2;
             n[0] = o[0] = 2;
         },
         RR_OPT},
    };
    for (const auto& c : cases) {
        CMPDEF();
        std::memcpy(old, CMPBLK, sizeof old);
        c.change(CMPBLK, old);
        EXPECT_EQ(rerun(old), c.level) << c.what;
    }
    // Optimizer switched off: a state of 3 is cleared.
    CMPDEF();
    std::memcpy(old, CMPBLK, sizeof old);
    old[55] = 2;
    old[25] = 3;
    CMPBLK[55] = 1;
    CMPBLK[25] = 3;
    EXPECT_EQ(rerun(old), RR_UPDATE);
    EXPECT_EQ(CMPBLK[25], 0);
    // Output kinds 4 and 5 make every level 0 and clear the state.
    CMPDEF();
    std::memcpy(old, CMPBLK, sizeof old);
    CMPBLK[9] = 2;
    CMPBLK[25] = 3;
    MOTKND = 5;
    EXPECT_EQ(rerun(old), 0);
    EXPECT_EQ(CMPBLK[25], 0);
}

TEST_F(Frame, MachineParameterDefaults)
{
    std::memset(CMPBLK, 0x55, sizeof CMPBLK);
    CMPDEF();
    // Every default of the block's table: integers, then reals.
    const i32 ints[][2] = {{0, 1},   {3, 1},   {6, 1},   {9, 1},   {10, 1},  {13, 1},  {14, 23}, {15, 1},
                           {18, 1},  {20, 10}, {21, 1},  {25, 0},  {31, 110}, {36, 30}, {42, 110}, {47, 30},
                           {48, 3},  {55, 2},  {56, 0},  {57, 0},  {58, -1}, {67, -1}, {68, 1},  {69, 100},
                           {88, 100}};
    for (const auto& w : ints) EXPECT_EQ(CMPBLK[w[0]], w[1]) << w[0];
    const std::pair<i32, f32> reals[] = {{1, -0.5f},      {2, 20.0f},  {4, 100.0f}, {5, 100.0f}, {7, -99999.99f},
                                         {8, 99999.99f},  {11, 0.0f},  {12, 90.0f}, {16, 90.0f}, {17, 90.0f},
                                         {19, 10.0f},     {22, 10.0f}, {23, 10.0f}, {26, 0.5f},  {30, 3.0f},
                                         {37, 30.0f},     {41, -75.0f}};
    for (const auto& w : reals) EXPECT_EQ(wrd2r(CMPBLK[w.first]), w.second) << w.first;
    // Words without a default are left alone.
    EXPECT_EQ(CMPBLK[24], 0x55555555);
    EXPECT_EQ(CMPBLK[89], 0x55555555);
    EXPECT_EQ(CMPACT(), 0);
    CMPBLK[13] = 2;
    EXPECT_EQ(CMPACT(), 1);
}

// ------------------------------------------------------- machining type

TEST_F(Frame, MachiningTypeTable)
{
    struct Case {
        i32 machine, type;
        i32 status, mactyp, set, pausable;
        const char* message;
    };
    const Case cases[] = {
        {22, 9, -1, -7, -7, -7, "PATH NOT FIT FOR CURRENT MACHINING TYPE"},
        {23, 9, 0, 2, 2, 1, nullptr},
        {26, 28, 0, 2, 2, 1, nullptr},
        {25, 49, -1, -7, -7, -7, "PATH NOT FIT FOR CURRENT MACHINING TYPE"},
        {26, 49, 0, 30, 1, 1, nullptr},
        {22, 6, 0, 16, 6, 1, nullptr},
        {22, 10, 0, -7, 3, 0, nullptr},  // MACTYP kept
        {24, 8, 0, 21, 4, 0, nullptr},
        {23, 8, -1, -7, -7, -7, "PATH NOT FIT FOR CURRENT MACHINING TYPE"},
        {22, 54, -1, -7, -7, -7, "PATH NOT FIT FOR CURRENT MACHINING TYPE"},
        {23, 54, 0, 38, 26, 1, nullptr},
        {23, 21, -1, -7, -7, -7, "SEGMENT NOT FIT FOR CURRENT MACHINING TYPE"},
        {31, 21, 0, 5, 21, 1, nullptr},
        {31, 29, 0, 26, 24, 1, nullptr},
        {31, 9, -1, -7, -7, -7, "SEGMENT NOT FIT FOR CURRENT MACHINING TYPE"},
        {62, 50, 0, 31, 19, 1, nullptr},
        {65, 26, 0, -7, 19, 0, nullptr},
        {12, 17, 0, 18, 17, 1, nullptr},
        {12, 9, -1, -7, -7, -7, "SEGMENT NOT FIT FOR CURRENT MACHINING TYPE"},
        {13, 13, -1, -7, -7, -7, nullptr},  // punch with indexing: no message
    };
    for (const auto& c : cases) {
        size_t from = norak::transcript().size();
        NPT1[NPT1_MACHINE] = c.machine;
        MACTYP = -7;
        i32 set = -7, pausable = -7, st = 5;
        MCHTYP(c.type, set, pausable, st);
        std::string what = "machine " + std::to_string(c.machine) + " type " + std::to_string(c.type);
        EXPECT_EQ(st, c.status) << what;
        EXPECT_EQ(MACTYP, c.mactyp) << what;
        EXPECT_EQ(set, c.set) << what;
        EXPECT_EQ(pausable, c.pausable) << what;
        auto t = tail(from);
        if (c.message)
            EXPECT_EQ(t, std::vector<std::string>{std::string("user: ") + c.message}) << what;
        else
            EXPECT_TRUE(t.empty()) << what;
    }
    // The tool filter and the technology case follow the table.
    NPT1[NPT1_MACHINE] = 23;
    PRM9[22] = 0;
    i32 set = 0, pausable = 0, st = 0;
    MCHTYP(9, set, pausable, st);
    EXPECT_EQ(TLTCAS, 3);
    EXPECT_EQ(TLFILT[1], 1);  // MILL
    EXPECT_EQ(TLFILT[0], 0);
    EXPECT_EQ(PRM9[22], 0);   // machine value 22 untouched for type 9
    MCHTYP(10, set, pausable, st);
    EXPECT_EQ(TLFILT[0], 1);  // DRILL with its family
    EXPECT_EQ(TLFILT[1], 1);
    EXPECT_EQ(PRM9[22], 2);
}

// A procedure kept by the host takes the machine type from the header of the
// stored tool path that holds it (the header word of "NPT1"'s machine type),
// unless the current tool path holds it too.
TEST_F(Frame, KeptProcedureTakesTheStoredToolPathsMachineType)
{
    std::vector<i32> header(47, 0);
    header[NPT1_MACHINE] = 23;  // MILL 3X
    header[4] = 12;             // a punch in the word after it
    const i32 proc = 4321;
    const i32 tp = norak::add_toolpath_entity(header, {{2, 77}, {1, proc}});
    i32 id = proc;
    gs_proc_id(2, id);
    EDA2[EDA2_HELD] = 1;
    NPT1[NPT1_MACHINE] = 31;  // the current tool path: a lathe
    CLP1[1] = tp + 1;
    i32 set = -7, pausable = -7, st = 5;
    MACTYP = -7;
    size_t from = norak::transcript().size();
    MCHTYP(9, set, pausable, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(TPMACH, 23);
    EXPECT_EQ(MACTYP, 2);
    EXPECT_EQ(set, 2);
    EXPECT_TRUE(tail(from).empty());
    // Held by the current tool path as well: its own machine type holds.
    CLP1[1] = tp;
    MCHTYP(9, set, pausable, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(TPMACH, 31);
    EXPECT_EQ(tail(from), std::vector<std::string>{"user: SEGMENT NOT FIT FOR CURRENT MACHINING TYPE"});
    // Not kept by the host: the current tool path's, whatever the stored one says.
    EDA2[EDA2_HELD] = 0;
    CLP1[1] = tp + 1;
    MCHTYP(9, set, pausable, st);
    EXPECT_EQ(TPMACH, 31);
    CLP1[1] = 0;
}

// ------------------------------------------------------- execute dialog

TEST_F(Frame, ExecuteQuestionAnswerSets)
{
    struct Case {
        i32 ready, pausable, recompute, update, suspended, level, debug;
        const char* question;
        const char* options;
    };
    const Case cases[] = {
        {1, 0, 1, 0, 0, 0, 0, "OK TO EXECUTE?", "YES    @NO     "},
        {1, 0, 1, 0, 0, 0, 1, "OK TO EXECUTE?", "YES    @NO     @force  "},
        {1, 1, 1, 0, 0, 0, 0, "OK TO EXECUTE?", "YES    @NO     @SUSPEND"},
        {1, 1, 1, 0, 0, 0, 1, "OK TO EXECUTE?", "YES    @NO     @SUSPEND@force  "},
        {1, 1, 0, 0, 0, 1, 0, "ONLY OPTIMIZATION IS NEEDED. OK TO EXECUTE?", "YES   @NO    @UPDATE"},
        {1, 1, 0, 1, 0, 0, 0, "OK TO UPDATE?", "YES    @NO     "},
        {1, 1, 0, 0, 0, 0, 0, "NOTHING TO EXECUTE. LEAVE THE PROCEDURE?", "YES    @NO     "},
        {0, 1, 1, 0, 0, 0, 0, "OK TO SUSPEND?", "YES    @NO     "},
        {1, 1, 1, 0, 1, 2, 0, "OK TO SUSPEND?", "YES    @NO     "},
    };
    for (const auto& c : cases) {
        norak::reset();
        norak::load_session_text(std::string(R"({"settings": {"debug": )") + std::to_string(c.debug) +
                                 R"(}, "replies": [{"menu": 2}]})");
        i32 answer = 0;
        EXEASK(c.ready, c.pausable, c.recompute, c.update, c.suspended, 0, c.level, 0, 0, answer);
        const auto& t = norak::transcript();
        ASSERT_GE(t.size(), 2u) << c.question;
        EXPECT_EQ(t[0], std::string("question: ") + c.question);
        EXPECT_EQ(t[1], std::string("menu: ") + c.options);
        EXPECT_EQ(answer, ANS_NO) << c.question;
    }
    // A suspended procedure that is not pausable leaves without a question.
    norak::reset();
    i32 answer = 0;
    EXEASK(1, 0, 1, 0, 1, 0, 0, 0, 0, answer);
    EXPECT_EQ(answer, -1);
    EXPECT_TRUE(norak::transcript().empty());
    // The third entry of an answer set without SUSPEND is force; yes to the
    // nothing-to-do question leaves.
    norak::reset();
    norak::load_session_text(R"({"settings": {"debug": 1}, "replies": [{"menu": 3}, {"question": "NOTHING TO EXECUTE", "answer": "yes"}]})");
    EXEASK(1, 0, 1, 0, 0, 0, 0, 0, 0, answer);
    EXPECT_EQ(answer, ANS_FORCE);
    EXEASK(1, 1, 0, 0, 0, 0, 0, 0, 0, answer);
    EXPECT_EQ(answer, -1);

    // The dialog's status is its answer alone: whatever the caller's cell
    // held, the question is asked.
    norak::reset();
    norak::load_session_text(R"({"replies": [{"menu": 2}]})");
    GEODEF = 1;
    i32 pausable = 0, update = 0, w6 = 0, w7 = 0, option = 0, w9 = 0, recompute = 1, suspended = 0, level = 0;
    i32 st = -5;
    EXEDLG(nullptr, pausable, update, 1, w6, 0, w7, option, w9, recompute, suspended, level, 0, 0, st);
    EXPECT_TRUE(norak::transcript_has("question: OK TO EXECUTE?"));
    EXPECT_EQ(st, -2);  // NO
    GEODEF = 0;
}

// "REDEFINE GEOMETRY?" after an escaped parameter menu of a stored
// procedure: yes or escape redefine (1), leave keeps the escape (-2), no
// and end go back to the parameters (2); the question is asked only for a
// stored procedure with unchanged part surfaces.
TEST_F(Frame, RedefineGeometryAnswers)
{
    auto asked = [](const char* answer) {
        norak::reset();
        norak::load_session_text(std::string(R"({"replies": [{"question": "REDEFINE GEOMETRY?", )") + answer + "}]}");
        EDA2[0] = 1;
        PSCHGW = 0;
        i32 status = -2;
        REDGEO(0, status);
        return status;
    };
    EXPECT_EQ(asked(R"("answer": "yes")"), 1);
    EXPECT_EQ(asked(R"("escape": true)"), 1);
    EXPECT_EQ(asked(R"("exit": true)"), -2);
    EXPECT_EQ(asked(R"("answer": "no")"), 2);
    EXPECT_EQ(asked(R"("end": true)"), 2);
    norak::reset();
    EDA2[0] = 0;
    i32 status = -2;
    REDGEO(0, status);
    EXPECT_EQ(status, -2);
    EXPECT_FALSE(norak::transcript_has("question: REDEFINE GEOMETRY?"));
    status = 3;
    REDGEO(1, status);
    EXPECT_EQ(status, 2);
    // Accepted without a redefinition: the note that the geometry is kept,
    // unless the part surfaces were changed.
    for (const i32 changed : {0, 1}) {
        norak::reset();
        PSCHGW = changed;
        status = 0;
        REDGEO(0, status);
        EXPECT_EQ(norak::transcript_has("319/560"), changed == 0) << changed;
    }
    PSCHGW = 0;
    EDA2[4] = 1;
    status = 0;
    REDGEO(0, status);
    EXPECT_EQ(status, -1);
}

TEST_F(Frame, NotesExplainTheRerun)
{
    auto notes = [](DlgFlags f, i32 suspended) {
        norak::reset();
        RRNOTE(f, suspended);
        return norak::transcript();
    };
    DlgFlags base{1, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(notes(base, 0), std::vector<std::string>{"message: NOTE: NO CHANGES IN PROCEDURE'S PARAMETERS"});
    DlgFlags upd = base;
    upd.update = 1;
    EXPECT_EQ(notes(upd, 0), std::vector<std::string>{"message: NOTE: CHANGES DO NOT REQUIRE RE-EXECUTION"});
    DlgFlags lost = base;
    lost.geom_kept = 0;
    lost.recompute = 1;
    EXPECT_EQ(notes(lost, 0),
              std::vector<std::string>{"message: WARNING: GEOMETRIC ENTITIES WILL NOT BE AVAILABLE FOR RERUN"});
    // The reasons share the second line with that warning: the line ends at
    // column 80, and no reason passes it.
    EDA2[EDA2_SUSPST] = 1;
    EXPECT_EQ(notes(lost, 0), std::vector<std::string>{"message: WARNING: GEOMETRIC ENTITIES WILL NOT BE AVAILABLE "
                                                       "FOR RERUN RE-EXECUTION WILL BE"});
    EDA2[EDA2_SUSPST] = 0;
    // Reasons raise the recompute flag and are listed on the second line.
    DlgFlags old = base;
    old.oldver = 1;
    EDA2[EDA2_MANUAL] = 1;
    auto t = notes(old, 0);
    EXPECT_EQ(t, std::vector<std::string>{"message: NOTE: NO CHANGES IN PROCEDURE'S PARAMETERS|RE-EXECUTION WILL BE "
                                          "DUE TO PROCEDURE BEING FROM OLD VERSION, MANUALLY CHANGED"});
    RRNOTE(old, 0);
    EXPECT_EQ(old.recompute, 1);
    EDA2[EDA2_MANUAL] = 0;
    DlgFlags three = base;
    three.level = 3;
    EXPECT_EQ(notes(three, 0), std::vector<std::string>{"message: NOTE: FEED CHANGED, ONLY OPTIMIZATION WILL BE CALCULATED"});
    RRNOTE(three, 0);
    EXPECT_EQ(three.level, 1);
    // A reason raises the recompute flag also where nothing is noted: at
    // the optimization-only level, and for a procedure not ready with
    // changed parameters (which is then asked to be suspended).
    DlgFlags opt = base;
    opt.level = 1;
    opt.oldver = 1;
    RRNOTE(opt, 0);
    EXPECT_EQ(opt.recompute, 1);
    DlgFlags unready = base;
    unready.ready = 0;
    unready.update = 1;
    EDA2[EDA2_INTR] = 1;
    RRNOTE(unready, 0);
    EXPECT_EQ(unready.recompute, 1);
    EDA2[EDA2_INTR] = 0;
    DlgFlags none = base;
    none.level = 1;
    RRNOTE(none, 0);
    EXPECT_EQ(none.recompute, 0);
}

TEST_F(Frame, StateLinesCreationAndTimes)
{
    PRCTAB.count = 1;
    PRCTAB.type[1] = 9;
    PRCTAB.number[1] = 7;
    PRCTAB.manual[1] = 1;
    STLINE(1, 10, 0);
    STLINE(1, 31, 1);
    PRCTAB.manual[1] = 0;
    STLINE(1, 99, 1);
    CRTCNT(5, 5, 1);
    CRTCNT(5, 7, 3);
    CRTCNT(5, 8, 3);
    CRTCNT(6, 5, 1);
    EXTIME(9, 0, 0);
    EXTIME(3, 1, 0);
    const std::vector<std::string> want = {
        "message: EXECUTING PROCEDURE =7|NOTE: MANUAL CHANGES WILL BE CANCELLED,FOR UPDATE ONLY USE 'MODIFY'",
        "message: OPTIMIZING PROCEDURE =7|NOTE: WORK AREA HAS BEEN UPDATED. MANUAL CHANGES WILL BE CANCELLED",
        "message: RE_RUNNING PROCEDURE =7|NOTE: WORK AREA HAS BEEN UPDATED",
        "window: PROCEDURE NUMBER 5 IS CREATED",
        "window:  ",
        "window: PROCEDURES NUMBER 5  7 ARE CREATED",
        "window:  ",
        "window: PROCEDURES/MESSAGES NUMBER 5  8 ARE CREATED",
        "window:  ",
        "window: PROCEDURE EXECUTION IS SUSPENDED",
        "window:  ",
    };
    EXPECT_EQ(norak::transcript(), want);
    PRCTAB.count = 0;

    // A procedure not in the tables yet (index below 0) is named by the
    // type code given, not by the driver's: the GO motions of a
    // surface-milling procedure's GO menu name the GO type.
    norak::reset();
    norak::settings().extflag = 1;
    norak::settings().nc["user_code"] = 1;
    DRVARG.type = 9;
    STLINE(-1, 10, 0);
    STLINE(-1, 9, 0);
    const std::vector<std::string> named = {"window: PROCEDURE GO=0", "window: PROCEDURE TAVREK=0 FROM USER"};
    EXPECT_EQ(norak::transcript(), named);
    DRVARG.type = 0;
}

// ------------------------------------------------ finish with a list failure

namespace {
i32 RELEASES = 0;
void ini(const i32& mode, i32& status)
{
    if (mode != 1) ++RELEASES;
    status = 0;
}
}  // namespace

TEST_F(Frame, ListFailureInTheFinishStillRunsTheCommonExit)
{
    // A procedure block whose global group lacks the state item.
    norak::load_session_text(R"({"settings": {"machine_type": 23}})");
    i32 st = 0, words[11] = {12, 1, 9, 24, 0, 27, 0, 23, 0, 25, 0};
    lcreat(0, st);
    lputd(st, 11, words);
    lclos();
    i32 block[478] = {0}, copy[478] = {0};
    block[0] = 42;
    DRVSET(9, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, ini, nullptr, nullptr, nullptr, nullptr, "TV27",
           478, block, copy);
    std::memset(&DRVST, 0, sizeof DRVST);
    DRVST.exenow = 1;
    DRVST.backup = 1;
    DRVST.initialised = 1;
    RELEASES = 0;
    i32 status = 0;
    DRVFIN(status);
    EXPECT_EQ(status, -1);
    EXPECT_TRUE(norak::transcript_has("internal: DRVFIN, ERRORS IN LIST"));
    EXPECT_EQ(RELEASES, 1);  // the save of the common exit releases the working state
    ASSERT_EQ(norak::records().count("TV27"), 1u);
    EXPECT_EQ(norak::records()["TV27"].words[0], 42);
    EXPECT_EQ(norak::open_arrays(), 0);

    // The block-key table: the second procedure of a call (the procedure
    // number still the first one's, its own block 9) is keyed by its own
    // block in the row the host gives for its execution; a finish with
    // nothing executed keys no row, whatever counter an earlier cycle left.
    for (const i32 exe : {1, 0}) {
        norak::load_session_text(R"({"settings": {"machine_type": 23}})");
        lcreat(0, st);
        lputd(st, 11, words);
        lclos();
        std::memset(&DRVST, 0, sizeof DRVST);
        DRVST.exenow = exe;
        DRVST.initialised = 1;
        DRVST.proc = 1, DRVST.proc_block = 9, DRVST.counter = 3;
        std::fill(DRVBKT, DRVBKT + DRV_KEYS, 77);
        status = 0;
        DRVFIN(status);
        if (exe) {
            EXPECT_EQ(DRVBKT[DRVST.counter], 9);
        } else {
            EXPECT_EQ(std::count(DRVBKT, DRVBKT + DRV_KEYS, 77), DRV_KEYS);
        }
    }
}

TEST_F(Frame, ACreateThatFailsBeforeTheSaveLeavesTheSolidPermissions)
{
    // The start-up refuses (no tool path open), or the translation table
    // fails: the release runs before the solid permissions were saved, and
    // leaves the host's as they were.
    for (const bool open : {false, true}) {
        norak::reset();
        norak::load_session_text(std::string(R"({"settings": {"machine_type": 23, "tp_open": )") +
                                 (open ? "1" : "0") + "}}");
        i32 block[478] = {0}, copy[478] = {0};
        DRVSET(9, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, ini, nullptr, nullptr,
               [](i32& status) { status = -1; }, nullptr, "TV27", 478, block, copy);
        ps_perm_set(1, 1);
        i32 status = 0, solids = -1, whole = -1;
        DRVCRE(1, status);
        EXPECT_EQ(status, -1) << open;
        EXPECT_EQ(norak::transcript_has("user: TOOL PATH IS NOT OPEN"), !open);
        ps_perm_get(solids, whole);
        EXPECT_EQ(solids, 1) << open;
        EXPECT_EQ(whole, 1) << open;
    }
}

// ------------------------------------------------------- small services

TEST_F(Frame, MessageBoxAndRetractHold)
{
    MSGBXT(0, 0, "");
    MSGBXT(2, 0, "");
    EXPECT_TRUE(norak::transcript().empty());  // nothing to show
    MSGBXT(1, 1, "FIRST");
    MSGBXT(1, 2, "SECOND");
    MSGBXT(1, 3, "THIRD");
    MSGBXT(2, 0, "");
    const auto& t = norak::transcript();
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(t[0], "status:  ");
    EXPECT_EQ(t[3], "error: ATTENTION: THIRD");
    EXPECT_EQ(t[4].substr(0, 39), "message: ERROR    : FIRST|WARNING  : SE");
    EXPECT_EQ(t[4].substr(t[4].size() - 8), "MORE ...");

    HEI8[HEI8_RETRACT] = 0;
    HFLINI();
    HFLSET(0);  // hold: the switch is forced on
    EXPECT_EQ(HEI8[HEI8_RETRACT], 1);
    HFLSET(0);
    HFLSET(1);  // one release restores it
    EXPECT_EQ(HEI8[HEI8_RETRACT], 0);
    i32 h = 0;
    HFLGET(h);
    EXPECT_EQ(h, 1);
}

TEST_F(Frame, BlockDisplayCountsAndRefusesBadModes)
{
    i32 flag = 0, st = 0;
    DISPLB(4, flag, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: DISPLB, INVALID MODE TYPE. MODE = 4"));
    i32 words[5] = {2, 1, r2wrd(1.0f), r2wrd(2.0f), r2wrd(3.0f)};
    lcreat(0, st);
    lputd(st, 5, words);
    lclos();
    MFLST1(99);
    DISPLB(1, flag, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(MFLGT0(), 0);  // 99 wraps to 0 without a repaint
    EXPECT_EQ(wrd2r(DSP8[DSP8_POS + 2]), 3.0f);
    size_t before = norak::transcript_count("field 1.1:");
    DISPLB(1, flag, st);
    EXPECT_EQ(norak::transcript_count("field 1.1:"), before + 1);  // repainted at 0
    EXPECT_EQ(MFLGT0(), 1);
    MFLST1(-1);
    DISPLB(2, flag, st);
    EXPECT_EQ(MFLGT0(), -1);  // a negative counter never advances
    EXPECT_EQ(flag, 0);
}

TEST_F(Frame, ProgressPercentSteps)
{
    PRGINI();
    PRGCNT(1, 0);
    size_t before = norak::transcript().size();
    PRGPCT(5);
    EXPECT_EQ(norak::transcript().size(), before);  // total 0 shows nothing
    PRGCNT(1, 9);
    PRGCNT(2, 7);
    PRGPCT(5);
    EXPECT_TRUE(norak::transcript_has("PERCENT DONE="));
    EXPECT_EQ(PRGSTA.last, 75);
    before = norak::transcript().size();
    PRGPCT(5);
    EXPECT_EQ(norak::transcript().size(), before);  // same percentage: no paint
    PRGCNT(2, 9);
    PRGPCT(5);
    EXPECT_EQ(PRGSTA.last, 100);
    // Counts past 21,474,836 (done x 100 beyond 32 bits) still give the
    // percentage: 29,000,000 of 30,000,000 is 96, shown as 95.
    PRGINI();
    PRGCNT(1, 30000000);
    PRGCNT(2, 29000000);
    PRGPCT(5);
    EXPECT_EQ(PRGSTA.last, 95);
    EXPECT_EQ(std::string(PRGSTA.value, static_cast<size_t>(PRGSTA.lvalue)), "95");
    PRGSHW(99);
    EXPECT_EQ(std::string(PRGSTA.title, 17), "M A C H I N I N G");
    EXPECT_EQ(PRGSTA.ltitle, 20);
}

TEST_F(Frame, ProgressStagesTextsAndLoops)
{
    // The stage display: what each call paints (the progress fields written),
    // for the stage, total and done given; "" paints nothing.
    struct Case {
        i32 stage, total, done;
        bool fresh;  // nothing shown yet
        std::string label, value;
    } cases[] = {
        {1, 15, 0, true, "", ""},  // stage 1: only a total on the step of 10
        {1, 20, 0, true, "1 STAGE. PATCHES=", "20"},
        {2, 23, 15, true, "", ""},
        {2, 23, 20, true, "2 STAGE. PATCHES=23 DONE=", "20"},
        {2, 23, 23, true, "2 STAGE. PATCHES=23 DONE=", "23"},  // the last, off the step
        {2, 23, 20, false, "", "20"},                            // shown before: the value alone
        {2, 0, 0, true, "", ""},                                 // no total
    };
    for (const Case& c : cases) {
        PRGINI();
        if (!c.fresh) PRGSTA.last = 10;
        PRGCNT(1, c.total);
        PRGCNT(2, c.done);
        const size_t before = norak::transcript().size();
        PRGSTG(6, c.stage);
        std::string painted;
        for (size_t k = before; k < norak::transcript().size(); ++k) painted += norak::transcript()[k] + "|";
        const std::string what = std::to_string(c.stage) + "/" + std::to_string(c.total) + "/" + std::to_string(c.done);
        if (c.value.empty()) {
            EXPECT_EQ(painted, "") << what;
            continue;
        }
        EXPECT_EQ(std::string(PRGSTA.value, static_cast<size_t>(PRGSTA.lvalue)), c.value) << what;
        EXPECT_EQ(PRGSTA.last, std::stoi(c.value)) << what;
        if (!c.label.empty()) {
            EXPECT_EQ(std::string(PRGSTA.label, static_cast<size_t>(PRGSTA.llabel)), c.label) << what;
            EXPECT_NE(painted.find("[" + c.label + "]"), std::string::npos) << painted;
        }
    }
    // A free text: mode 0 sets the title and paints all; mode 1 takes the
    // text's length as the title's but keeps its text; loops and offsets.
    PRGTXT(0, "FIRST TITLE", 5);
    EXPECT_EQ(std::string(PRGSTA.title, static_cast<size_t>(PRGSTA.ltitle)), "FIRST TITLE");
    EXPECT_EQ(std::string(PRGSTA.label, static_cast<size_t>(PRGSTA.llabel)), " ");
    PRGTXT(1, "ABC", 6);
    EXPECT_EQ(PRGSTA.ltitle, 3);
    EXPECT_EQ(std::string(PRGSTA.title, 3), "FIR");
    EXPECT_EQ(std::string(PRGSTA.value, static_cast<size_t>(PRGSTA.lvalue)), "6");
    PRGLOP(3, 0, 4);
    EXPECT_EQ(std::string(PRGSTA.title, static_cast<size_t>(PRGSTA.ltitle)), "NUMBER OF OFFSETS DONE:");
    PRGLOP(4, 0, 9);
    EXPECT_EQ(std::string(PRGSTA.title, static_cast<size_t>(PRGSTA.ltitle)), "NUMBER OF OFFSETS DONE:");
    EXPECT_EQ(std::string(PRGSTA.value, static_cast<size_t>(PRGSTA.lvalue)), "9");
    PRGLOP(0, 12, 1);
    EXPECT_EQ(std::string(PRGSTA.title, static_cast<size_t>(PRGSTA.ltitle)), "TOTAL NUMBER OF LOOPS 12. DONE:");
    // Machining type 36: the percentage step is the key poll alone.
    const i32 keep = MACTYP;
    MACTYP = 36;
    PRGINI();
    PRGCNT(1, 10);
    PRGCNT(2, 10);
    PRGPCT(5);
    MACTYP = keep;
    EXPECT_EQ(PRGSTA.last, -1);
}

TEST_F(Frame, SegmentsStepsAndTheTechnologyInitialisation)
{
    f32 s = 4.0f;
    i32 n = 0;
    ARCSTP(10.0f, s, n);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(s, 2.5f);
    s = 0.0f;
    ARCSTP(10.0f, s, n);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(s, 2.5f);
    s = 1.0f;
    ARCSTP(10.4f, s, n);
    EXPECT_EQ(n, 10);

    const f32 p1[3] = {0, 0, 5}, p2[3] = {0, 0, 1}, v1[3] = {1, 0, 0}, v2[3] = {0, 1, 0}, q[3] = {0, 0, 0};
    f32 z = 0, v[3];
    i32 flat = 0;
    SEGPRM(p1, p2, v1, v2, q, z, v, flat);
    EXPECT_EQ(flat, 1);
    EXPECT_EQ(z, 1.0f);
    const f32 r1[3] = {0, 0, 2}, r2[3] = {10, 0, 2};
    SEGPRM(r1, r2, v1, v2, q, z, v, flat);
    EXPECT_EQ(flat, 0);
    EXPECT_EQ(v[1], 1.0f);  // dz zero: t = 1, v = v2
    // A rise within the host's tolerance is none: v = v2 at the middle too.
    const f32 s1[3] = {0, 0, 2}, s2[3] = {10, 0, 2.000004f}, mid[3] = {5, 0, 0};
    SEGPRM(s1, s2, v1, v2, mid, z, v, flat);
    EXPECT_EQ(v[0], 0.0f);
    EXPECT_EQ(v[1], 1.0f);
    const f64 d1[3] = {0, 0, 0}, d2[3] = {10, 0, 10}, w1[3] = {1, 0, 0}, w2[3] = {0, 0, 1}, dq[3] = {5, 0, 0};
    f64 dz = 0, dv[3];
    SEGPRD(d1, d2, w1, w2, dq, dz, dv, flat);
    EXPECT_DOUBLE_EQ(dz, 5.0);
    EXPECT_DOUBLE_EQ(dv[0], 0.5);
    const f64 e2[3] = {10, 0, 4e-6};
    SEGPRD(d1, e2, w1, w2, dq, dz, dv, flat);
    EXPECT_DOUBLE_EQ(dv[0], 0.0);
    EXPECT_DOUBLE_EQ(dv[2], 1.0);

    // Parameter 5 by its own sets; parameter 1 of the GO sets from the
    // machine values.
    for (i32 set : {1, 2, 4, 21, 22, 23, 25, 26}) {
        MACTYP = 0;
        INITMC(set);
        EXPECT_EQ(TECHST.status[5], set == 2 || set == 4 || set == 23 ? 0 : 1) << set;
    }
    MACTYP = MACTYP_CLEARAREA;
    INITMC(2);
    EXPECT_EQ(TECHST.status[5], 1);
    MACTYP = 0;
    for (i32 set : {3, 20}) {
        INITMC(set);
        EXPECT_EQ(TECHST.status[1], 2) << set;
        EXPECT_EQ(TECHST.requested[1], 1) << set;
    }
    PRM9[2] = 1;
    INITMC(5);
    EXPECT_TRUE(norak::transcript_has("internal: INITMC, FOR CODE=5 NO INITIALIZATION IS DONE"));
    INITMC(2);
    EXPECT_EQ(TECHST.status[1], 1);
    EXPECT_EQ(TECHST.requested[10], 7);
    EXPECT_EQ(TECHST.status[9], 0);
    INITMC(21);
    EXPECT_EQ(TECHST.requested[9], 18);
    EXPECT_EQ(TECHST.status[2], 0);  // machine value 2 is 1: no spindle by speed
}

TEST_F(Frame, PointStringsAreMergedInFront)
{
    // A: one string of three points; B: two strings; joined where they meet.
    f32 apts[30] = {10, 0, 0, 11, 0, 0, 12, 0, 0};
    i32 alens[4] = {3}, acount = 1;
    f32 bpts[12] = {0, 0, 0, 1, 0, 0, 5, 0, 0, 10, 0, 0};
    i32 blens[2] = {2, 2}, bcount = 2, st = 0;
    MOVST.point[0] = -1.0f;  // the tool is elsewhere
    MRGGST(1, 0, 30, apts, nullptr, nullptr, 4, acount, alens, 12, bpts, nullptr, nullptr, 0, bcount, blens, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(acount, 2);
    EXPECT_EQ(alens[0], 2);
    EXPECT_EQ(alens[1], 4);  // B's last string joined A's first
    const f32 want[18] = {0, 0, 0, 1, 0, 0, 5, 0, 0, 10, 0, 0, 11, 0, 0, 12, 0, 0};
    for (int k = 0; k < 18; ++k) EXPECT_EQ(apts[k], want[k]) << k;

    // One two-point string matching both neighbours adds nothing.
    f32 a2[12] = {3, 0, 0, 4, 0, 0};
    i32 l2[2] = {2}, c2 = 1;
    f32 b2[6] = {0, 0, 0, 3, 0, 0};
    i32 bl2[1] = {2}, bc2 = 1;
    MOVST.point[0] = 0.0f;
    MRGGST(1, 0, 12, a2, nullptr, nullptr, 2, c2, l2, 6, b2, nullptr, nullptr, 0, bc2, bl2, st);
    EXPECT_EQ(c2, 1);
    EXPECT_EQ(l2[0], 2);
    EXPECT_EQ(a2[0], 3.0f);

    // Too many strings: refused, A unchanged.
    i32 full = 2, more = 1, ml[1] = {2};
    MRGGST(0, 0, 30, apts, nullptr, nullptr, 2, full, alens, 12, bpts, nullptr, nullptr, 0, more, ml, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("MRGGST - ONLY 2 NUMBER OF STRINGS ARE AVAILABLE"));
    EXPECT_EQ(full, 2);
    EXPECT_EQ(apts[0], 0.0f);
}
