// The manual editor over one procedure's movement list: the frame's services
// it calls there (taking the procedure over, its tools in the menu, the list
// redisplayed after a change) and the procedure's name in the status line;
// none of them over the whole tool path.
#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "edit/support.h"
#include "frame/entry.h"
#include "tests/edit/editor_common.h"

namespace {
const i32 DATE[6] = {2024, 5, 17, 9, 30, 0};

std::vector<std::string> calls;

// The take-over shows the tool before the procedure at (1, 2, 3).
void take(const i32& procedure, i32& status)
{
    calls.push_back("take " + std::to_string(procedure));
    const f32 before[6] = {1, 2, 3, 0, 0, 1};
    for (i32 k = 0; k < 6; ++k) DSP8[DSP8_POS + k] = r2wrd(before[k]);
    status = 0;
}
i32 tools(const i32& procedure)
{
    calls.push_back("tools " + std::to_string(procedure));
    return 1;
}
void display(const i32& mode, i32& status)
{
    calls.push_back("display " + std::to_string(mode));
    status = 0;
}

// The frame's table put back whatever the test does.
struct FakeHooks {
    EdtHooks saved = EDTHKS;
    FakeHooks()
    {
        calls.clear();
        EDTHKS = EdtHooks{take, tools, display};
    }
    ~FakeHooks() { EDTHKS = saved; }
};

// A fresh editor over one procedure named SINGLE of lines to the x given;
// the status of closing it.
i32 single_procedure(std::initializer_list<f32> xs)
{
    ed::fresh();
    fix::procedure(9, "SINGLE", DATE);
    for (const f32 x : xs) ed::line(x);
    i32 st = 0;
    CLSSBL(st);
    return st;
}

std::string script()
{
    std::string s;
    for (const std::string& l : norak::transcript()) s += l + "\n";
    for (const std::string& c : calls) s += "call: " + c + "\n";
    return s;
}
}  // namespace

TEST(EditorHooks, OneProcedureTakesItOverShowsItsToolsAndNameAndRedisplaysAfterAChange)
{
    i32 st = single_procedure({0, 10, 20});
    ASSERT_EQ(st, 0);
    char name[20] = "ROUGHING";
    PPNGS(2, name);
    PPNPUT(st);
    std::memset(PPN4, 0, sizeof PPN4);

    FakeHooks hooks;
    // DELETE, then EXIT deletes (a change of mode 2: back to the start-up),
    // then escape leaves.
    ed::menu("DELETE");
    ed::menu("EXIT");
    ed::escape();
    const i32 flags[EDF_N] = {1, 0, 0, 0, 0, 0};
    i32 changed = 0, status = 99;
    manedt(1, flags, 1, 0, changed, status);
    EXPECT_EQ(status, 0) << script();
    // The take-over before each start-up, the tools behind EXIT at every
    // menu, the list redisplayed with 2 after the deletion.
    const std::vector<std::string> want = {"take 1", "tools 1", "tools 1", "display 2", "take 1", "tools 1"};
    EXPECT_EQ(calls, want) << script();
    // The name in the status line once, on the first pass.
    size_t named = 0;
    for (const std::string& l : norak::transcript())
        if (l.find("ROUGHING=1") != std::string::npos) ++named;
    EXPECT_EQ(named, 1u) << script();
    // The tool behind EXIT keeps the colour -2; the default comes back after it.
    const auto& colours = norak::colours_set();
    ASSERT_GE(colours.size(), 3u);
    EXPECT_EQ((std::vector<std::array<i32, 2>>(colours.begin(), colours.begin() + 3)),
              (std::vector<std::array<i32, 2>>{{-1, 24}, {-2, 25}, {-1, 26}}));
}

// The tool starts on the last motion once: after a deletion the editor
// starts again with the tool where the deletion left it.
TEST(EditorHooks, AfterADeletionTheToolIsNotSentToTheEndAgain)
{
    ASSERT_EQ(single_procedure({0, 10, 20, 30, 40, 50}), 0);
    FakeHooks hooks;
    ed::menu("JUMP START");
    ed::menu("JUMP BLOCK");
    ed::menu("L:BLK", "2");
    ed::menu("DELETE");
    ed::menu("L:BLK", "3");
    ed::menu("EXIT");
    ed::menu("DIRECTLY");
    ed::escape();
    const i32 flags[EDF_N] = {1, 0, 0, 0, 0, 0};
    i32 changed = 0, status = 99;
    manedt(1, flags, 1, 0, changed, status);
    EXPECT_EQ(status, 0) << script();
    EXPECT_EQ(ed::marked_before_menu(1), 5) << script();  // the last motion (numbers from 0)
    EXPECT_EQ(ed::marked_before_menu(7), 0) << script();  // the list opened again: its first motion
    // The changed path is shown again from the procedure's start.
    EXPECT_EQ(wrd2r(DSP8[DSP8_POS]), 1.0f);
    EXPECT_EQ(wrd2r(DSP8[DSP8_POS + 2]), 3.0f);
}

TEST(EditorHooks, TheWholeToolPathCallsNoneOfThem)
{
    ed::fresh();
    ed::line(0);
    ed::line(10);
    FakeHooks hooks;
    ed::menu("EXIT");
    const i32 none[EDF_N] = {0, 0, 0, 0, 0, 0};
    i32 changed = 0, status = 99;
    manedt(-1, none, 1, 0, changed, status);
    EXPECT_EQ(status, 0) << script();
    EXPECT_TRUE(calls.empty()) << script();
}

// A procedure changed by hand before warns at the start-up of an editor that
// offers deletion; a procedure as computed, or an editor that only moves the
// tool, does not.
TEST(EditorHooks, AProcedureChangedByHandIsWarnedAboutWhenDeletionIsOffered)
{
    auto session = [](bool manual, i32 state, const i32* flags) {
        i32 st = single_procedure({0, 10});
        EXPECT_EQ(st, 0);
        if (manual) {
            const i32 two = 2;
            TPCHNN(AM_LIST, GR_GLOBAL, 21, DT_INT, &two, st);
            EXPECT_EQ(st, 0);
        }
        if (state != 0) {
            TPCHNN(AM_LIST, GR_GLOBAL, 81, DT_INT, &state, st);
            EXPECT_EQ(st, 0);
        }
        FakeHooks hooks;
        ed::escape();
        i32 changed = 0, status = 99;
        manedt(1, flags, 1, 0, changed, status);
        EXPECT_EQ(status, 0) << script();
        size_t warned = 0;
        for (const std::string& l : norak::transcript())
            if (l.find("host message 317/36") != std::string::npos) ++warned;
        return warned;
    };
    const i32 del[EDF_N] = {1, 0, 0, 0, 0, 0};
    const i32 toend[EDF_N] = {0, 1, 0, 0, 0, 0};
    const i32 none[EDF_N] = {0, 0, 0, 0, 0, 0};
    EXPECT_EQ(session(true, 0, del), 1u);
    EXPECT_EQ(session(true, 0, toend), 1u);
    EXPECT_EQ(session(false, 4, del), 1u);
    EXPECT_EQ(session(false, 0, del), 0u);
    EXPECT_EQ(session(false, 2, del), 0u);
    EXPECT_EQ(session(true, 0, none), 0u);
    // The reconnection of such a procedure goes by vertical moves only.
    EXPECT_EQ(session(true, 0, del), 1u);
    EXPECT_EQ(EDTCX.linkkind, 1);
    EXPECT_EQ(EDTCX.onsurf, 0);
}

// An editor over one procedure started without start-at-end stands on the
// procedure's first motion: the list just opened has its cursor before the
// first block, and the first step forward reaches it.
TEST(EditorHooks, StartedAtTheStartTheToolStandsOnTheFirstMotion)
{
    ASSERT_EQ(single_procedure({0, 10, 20}), 0);
    FakeHooks hooks;
    ed::escape();
    const i32 flags[EDF_N] = {1, 0, 0, 0, 0, 0};
    i32 changed = 0, status = 99;
    manedt(1, flags, 0, 0, changed, status);
    EXPECT_EQ(status, 0) << script();
    EXPECT_FALSE(norak::transcript_has("internal:")) << script();
    EXPECT_TRUE(norak::transcript_has("display: attention on list 2 block 0")) << script();
    EXPECT_TRUE(norak::transcript_has("L:BLK = 0")) << script();
}

// The host's editor call takes the procedure block under the cursor, else
// the last procedure block of the tool path.
TEST(EditorHooks, TheHostsEditorCallTakesTheProcedureUnderTheCursorElseTheLast)
{
    auto session = [](bool on_first) {
        ed::fresh();
        for (const char* name : {"ONE", "TWO"}) {
            fix::procedure(9, name, DATE);
            ed::line(0);
            ed::line(10);
            i32 st = 0;
            CLSSBL(st);
            EXPECT_EQ(st, 0);
        }
        ltop();
        i32 answer = 0;
        lacces(2, answer);  // the header block
        if (on_first) lacces(1, answer);
        FakeHooks hooks;
        ed::escape();
        tavrek_edit();
        EXPECT_FALSE(norak::transcript_has("internal:")) << script();
        return calls.empty() ? std::string() : calls[0];
    };
    EXPECT_EQ(session(true), "take 1");
    EXPECT_EQ(session(false), "take 2");
}

// ALTERATIONS picks with faces of solids allowed and the whole database not,
// and gives the host's two picking permissions back as they were.
TEST(EditorHooks, AlterationsTakeTheirOwnPickingPermissionsAndGiveThemBack)
{
    ASSERT_EQ(single_procedure({0, 10, 20}), 0);
    FakeHooks hooks;
    ps_perm_set(0, 1);
    ed::menu("ALTERATIONS");
    ed::escape();  // the selection menu shown again
    ed::escape();  // and left: the editor starts again
    ed::escape();
    const i32 flags[EDF_N] = {1, 1, 1, 0, 0, 0};
    i32 changed = 0, status = 99;
    manedt(1, flags, 1, 0, changed, status);
    EXPECT_EQ(status, 0) << script();
    EXPECT_EQ(norak::replies_left(), 0u) << script();
    EXPECT_EQ(norak::permissions_set(), (std::vector<std::array<i32, 2>>{{0, 1}, {1, 0}, {0, 1}}));
    i32 solids = -1, whole = -1;
    ps_perm_get(solids, whole);
    EXPECT_EQ(solids, 0);
    EXPECT_EQ(whole, 1);
}

// Over any of the tool path's procedures the editor shows the list in the
// host's procedure colour and pen, and leaves that colour as it was.
TEST(EditorHooks, TheProcedureColourIsReadAndLeftAloneWhateverTheProcedureNumber)
{
    for (const i32 procedure : {1, 2, 3, 4}) {
        ed::fresh();
        for (const char* name : {"ONE", "TWO", "THREE", "FOUR"}) {
            fix::procedure(9, name, DATE);
            ed::line(0);
            ed::line(10);
            i32 st = 0;
            CLSSBL(st);
            ASSERT_EQ(st, 0);
        }
        i32 colour = 5, pen = 2, a = 0, b = 0;
        gs_proc_color_pen(3, colour, pen, a, b);
        FakeHooks hooks;
        ed::escape();
        const i32 flags[EDF_N] = {1, 0, 0, 0, 0, 0};
        i32 changed = 0, status = 99;
        DSP8[DSP8_COLOUR] = DSP8[DSP8_PEN] = -1;
        manedt(procedure, flags, 1, 0, changed, status);
        EXPECT_EQ(status, 0) << procedure << "\n" << script();
        EXPECT_EQ(DSP8[DSP8_COLOUR], 5) << procedure;
        EXPECT_EQ(DSP8[DSP8_PEN], 2) << procedure;
        colour = pen = 0;
        gs_proc_color_pen(1, colour, pen, a, b);
        EXPECT_EQ(colour, 5) << procedure;
        EXPECT_EQ(pen, 2) << procedure;
    }
}

// ALTERATIONS that change nothing give the start-up after them the show
// option chosen before: SHOW BLOCK stays.
TEST(EditorHooks, TheShowOptionChosenBeforeAlterationsStays)
{
    ASSERT_EQ(single_procedure({0, 10, 20}), 0);
    FakeHooks hooks;
    ed::menu("SHOW BLOCK");
    ed::menu("ALTERATIONS");
    ed::escape();  // the selection menu shown again
    ed::escape();  // and left: the editor starts again
    ed::escape();
    const i32 flags[EDF_N] = {1, 1, 1, 0, 0, 0};
    i32 changed = 0, status = 99;
    manedt(1, flags, 1, 0, changed, status);
    EXPECT_EQ(status, 0) << script();
    const auto m = ed::menus();
    ASSERT_EQ(m.size(), 3u) << script();
    EXPECT_EQ(m[2].find("@SHOW ALL    >"), std::string::npos) << m[2];
    EXPECT_NE(m[2].find("@SHOW BLOCK  >"), std::string::npos) << m[2];
}
