// ADD:GO in scripted sessions over a tool path at the top level of the
// fixture: GO motions inserted after the tool's block, the path joined again
// at a picked block, a pick before the insertion refused, the pick left.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "blocks/listacc.h"
#include "blocks/movement.h"
#include "core/records.h"
#include "edit/framehk.h"
#include "edit/goedt.h"
#include "frame/gomenu.h"
#include "tests/edit/editor_common.h"
#include "tools/toolcache.h"

namespace {

void reply(const std::string& kind, std::initializer_list<f64> point = {}, i32 entity = 0, bool escape = false)
{
    norak::Reply r;
    r.kind = kind;
    r.entity = entity;
    r.escape = escape;
    size_t k = 0;
    for (f64 v : point) r.point[k++] = v;
    norak::add_reply(r);
}

// Lines to x = 0, 10, 20, 30, 40 (blocks 1 to 5); the tool on block 2.
void path(i32 machine = 22)
{
    ed::fresh();
    NPT1[NPT1_MACHINE] = machine;
    for (i32 k = 0; k < 5; ++k) ed::line(10.0f * static_cast<f32>(k));
    i32 answer = 0, st = 0;
    lacces(2, answer);
    TPJUMP(2, st);
    PRM9[PRM9_TOOL] = DSM4[5] = fix::TOOL;
    SGTOOL(3, fix::TOOL, st);
    DSM4[0] = r2wrd(100.0f);
    DSP8[34] = fix::UCS;  // the coordinate system the technology blocks name
    GOST = GoState{};
}

struct Line {
    i32 number;
    f32 p[3];
};
// The line blocks of the main list in order, points relative to the origin.
std::vector<Line> lines()
{
    std::vector<Line> out;
    for (const auto& e : norak::main_list().elems) {
        const auto& w = e.words;
        if (w.size() >= 5 && (w[0] == 2 || w[0] == 22 || w[0] == 222)) {
            Line l{w[1], {}};
            for (int c = 0; c < 3; ++c) l.p[c] = wrd2r(w[2 + c]) - fix::ORIGIN[c];
            out.push_back(l);
        }
    }
    return out;
}

bool has_number(i32 n)
{
    for (const Line& l : lines())
        if (l.number == n) return true;
    return false;
}

// Index in lines() of the line to the point (relative), -1 when none.
i32 line_to(f32 x, f32 y, f32 z)
{
    const auto l = lines();
    for (size_t k = 0; k < l.size(); ++k)
        if (std::fabs(l[k].p[0] - x) < 1e-3f && std::fabs(l[k].p[1] - y) < 1e-3f && std::fabs(l[k].p[2] - z) < 1e-3f)
            return static_cast<i32>(k);
    return -1;
}

constexpr f32 GO[3] = {10.0f, 50.0f, 20.0f};  // relative to the origin

void go_point()
{
    reply("point", {fix::ORIGIN[0] + GO[0], fix::ORIGIN[1] + GO[1], fix::ORIGIN[2] + GO[2]});
    reply("point", {}, 0, true);  // leaves the GO menu
}

TEST(AddGo, InsertsTheMotionsAndJoinsAtThePickedBlock)
{
    path();
    go_point();
    reply("pick", {}, 4);
    ed::menu("DIRECTLY");
    i32 key[KEY_N] = {2, 1, 2}, type = 2, inserted = 0, changed = 0, st = -9;
    EDTGO(key, type, inserted, changed, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(changed, 1);  // blocks were deleted by the joining
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(std::vector<i32>(key, key + 3), (std::vector<i32>{2, 1, 2}));  // still the editor's block
    // The GO motion follows block 2; blocks 3 and 4 are gone; 5 stays and
    // is reached from the GO point.
    const i32 go = line_to(GO[0], GO[1], GO[2]);
    ASSERT_GE(go, 1);
    EXPECT_EQ(lines()[static_cast<size_t>(go) - 1].number, 2);
    EXPECT_FALSE(has_number(3));
    EXPECT_FALSE(has_number(4));
    EXPECT_TRUE(has_number(5));
    EXPECT_EQ(lines().back().number, 5);
}

TEST(AddGo, APickBeforeTheInsertionIsRefusedAndLeavingReturnsToThePath)
{
    path();
    go_point();
    reply("pick", {}, 1);
    reply("pick", {}, 0, true);
    i32 key[KEY_N] = {2, 1, 2}, type = 2, inserted = 0, changed = 0, st = -9;
    EDTGO(key, type, inserted, changed, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(norak::transcript_count("THE CONNECTION POINT SHOULD BE|      AFTER THE INSERTED MOVMENTS"), 1u);
    EXPECT_TRUE(norak::transcript_has("prompt: PICK RE-ENTRY BLOCK"));
    // Straight back from the GO point to the end of block 2; all blocks stay.
    const i32 go = line_to(GO[0], GO[1], GO[2]);
    ASSERT_GE(go, 0);
    const auto l = lines();
    ASSERT_GT(l.size(), static_cast<size_t>(go) + 1);
    const Line& back = l[static_cast<size_t>(go) + 1];
    EXPECT_NEAR(back.p[0], 10.0f, 1e-3f);
    EXPECT_NEAR(back.p[1], 0.0f, 1e-3f);
    EXPECT_NEAR(back.p[2], 0.0f, 1e-3f);
    EXPECT_EQ(l[static_cast<size_t>(go) + 2].number, 3);
    for (i32 n = 1; n <= 5; ++n) EXPECT_TRUE(has_number(n)) << n;
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(changed, 0);
}

TEST(AddGo, WrongMachiningTypeAndNoMotionChangeNothing)
{
    path(5);
    const auto before = norak::main_list().elems.size();
    i32 key[KEY_N] = {2, 1, 2}, type = 2, inserted = 0, changed = 0, st = 0;
    EDTGO(key, type, inserted, changed, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("WRONG TYPE OF MACHINING TYPE"));
    EXPECT_EQ(norak::main_list().elems.size(), before);
    // The GO menu left at once: the list stays as it was.
    path();
    std::vector<std::vector<i32>> words;
    for (const auto& e : norak::main_list().elems) words.push_back(e.words);
    reply("point", {}, 0, true);
    EDTGO(key, type, inserted, changed, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(inserted, 0);
    std::vector<std::vector<i32>> after;
    for (const auto& e : norak::main_list().elems) after.push_back(e.words);
    EXPECT_EQ(after, words);
    // The list refuses to take the insertion's technology blocks out again:
    // a list error, and the caller is told the path changed.
    path();
    reply("point", {}, 0, true);
    norak::fail_list_call("ldelet", 1);
    EDTGO(key, type, inserted, changed, st);
    norak::fail_list_call("ldelet", 0);
    EXPECT_EQ(st, -3);
    EXPECT_EQ(inserted, 0);
    EXPECT_EQ(changed, 1);
    EXPECT_TRUE(norak::transcript_has("EDTGO, ERRORS IN LIST"));
}

// A list failure on the way back to the insertion point still registers
// the display position again, and a failed registration is told beside it.
TEST(AddGo, AListFailureAtTheEndStillTellsAFailedDisplayRegistration)
{
    // The last list mark the insertion sets is the one its way back uses.
    bool reached = false;
    for (i32 n = 30; n >= 1 && !reached; --n) {
        path();
        reply("point", {}, 0, true);
        i32 key[KEY_N] = {2, 1, 2}, type = 2, inserted = 0, changed = 0, st = 0;
        norak::fail_list_call("ncd_set_block_position", 2);  // the insertion's first
        norak::fail_list_call("lmark", n);
        EDTGO(key, type, inserted, changed, st);
        norak::fail_list_call("lmark", 0);
        norak::fail_list_call("ncd_set_block_position", 0);
        if (!norak::transcript_has("EDTGOI, ERRORS IN LIST")) continue;
        reached = true;
        EXPECT_LT(st, 0);
        EXPECT_TRUE(norak::transcript_has("EDTOGI, ERRORS IN THE DISPLAY FILE")) << n;
    }
    EXPECT_TRUE(reached);
}

// A failed insertion, or a GO menu that fails, puts back the machine values
// saved for it: the modal copy taken for the insertion does not stay.
TEST(AddGo, AFailedInsertionPutsTheMachineValuesBack)
{
    for (i32 road : {0, 1}) {
        SCOPED_TRACE(road);
        path();
        PRM9[PRM9_FEED] = r2wrd(55.0f);  // not the modal feed, 100
        go_point();
        const auto hook = FRMHKS.go_menu;
        if (road == 0) norak::fail_list_call("ncd_set_block_position", 2);  // the insertion's first
        if (road == 1)
            FRMHKS.go_menu = [](const i32&, const i32*, const i32*, const i32*, i32&, i32& status) { status = 1; };
        i32 key[KEY_N] = {2, 1, 2}, type = 2, inserted = 0, changed = 0, st = 0;
        EDTGO(key, type, inserted, changed, st);
        FRMHKS.go_menu = hook;
        norak::fail_list_call("ncd_set_block_position", 0);
        EXPECT_LT(st, 0);
        EXPECT_EQ(wrd2r(PRM9[PRM9_FEED]), 55.0f);
    }
}

TEST(AddGo, BlockSearchFromTheCursor)
{
    path();
    i32 st = 0;
    EXPECT_EQ(LGLKEY(4, st), 1);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(LGLKEY(2, st), 1);  // the block at the cursor counts
    EXPECT_EQ(LGLKEY(1, st), 0);
    EXPECT_EQ(LGLKEY(99, st), 0);
    // The cursor is kept.
    i32 pos = 0;
    lgtpos(pos);
    EXPECT_EQ(pos, 3);
}

}  // namespace

namespace {
// A GO menu standing in for the frame's: one GO line (or none) at the list
// position, and the list's block counter put back to the insertion's block,
// as when the insertion point is the editor's current block.
bool GO_WRITES = true;
std::vector<i32> OFFERED;  // the 30, 20 and 11 option words handed, one after another
void go_at_current(const i32&, const i32* tool, const i32* display, const i32* options, i32& inserted, i32& status)
{
    OFFERED.assign(tool, tool + 30);
    OFFERED.insert(OFFERED.end(), display, display + 20);
    OFFERED.insert(OFFERED.end(), options, options + 11);
    status = 0;
    inserted = 0;
    if (GO_WRITES) {
        const f32 p[3] = {fix::ORIGIN[0] + GO[0], fix::ORIGIN[1] + GO[1], fix::ORIGIN[2] + GO[2]}, v[3] = {0, 0, 1};
        PTBT2(AM_LIST, 2, p, v, 0, status);
        inserted = 1;
    }
    i32 list = 0, found = 2;
    gtlstn(1, list);
    gsblkn(2, list, found);
}
}  // namespace

TEST(AddGo, AtTheCurrentBlockNoReEntryIsAskedAndTheStateBlocksStayWithTheMotions)
{
    const auto hook = FRMHKS.go_menu;
    FRMHKS.go_menu = go_at_current;
    for (const bool writes : {true, false}) {
        GO_WRITES = writes;
        path();
        std::vector<std::vector<i32>> before;
        for (const auto& e : norak::main_list().elems) before.push_back(e.words);
        i32 key[KEY_N] = {2, 1, 2}, type = 2, inserted = 0, changed = 0, st = -9;
        EDTGO(key, type, inserted, changed, st);
        EXPECT_EQ(st, 0);
        EXPECT_FALSE(norak::transcript_has("prompt: PICK RE-ENTRY BLOCK"));
        // Machining type 22: tool entries 4, 5, 6, 8, 9 and 11, display
        // entries 1 and 4, option 3.
        std::vector<i32> want(61, 0);
        for (const i32 k : {4, 5, 6, 8, 9, 11}) want[static_cast<size_t>(k - 1)] = 1;
        for (const i32 k : {1, 4}) want[static_cast<size_t>(30 + k - 1)] = 1;
        want[50 + 3 - 1] = 1;
        EXPECT_EQ(OFFERED, want);
        std::vector<std::vector<i32>> after;
        for (const auto& e : norak::main_list().elems) after.push_back(e.words);
        if (!writes) {
            EXPECT_EQ(inserted, 0);
            EXPECT_EQ(changed, 0);
            EXPECT_EQ(after, before);
            continue;
        }
        EXPECT_EQ(inserted, 1);
        EXPECT_EQ(changed, 1);
        // Between block 2 and block 3: the GO line and the restated state
        // (technology blocks), kept.
        size_t at = 0, tech = 0;
        while (at < after.size() && !(after[at][0] == 2 && after[at][1] == 2)) ++at;
        for (++at; at < after.size() && !(after[at][0] == 2 && after[at][1] == 3); ++at) tech += after[at][0] == 1;
        EXPECT_GT(tech, 0u) << "the state blocks of the insertion stay";
        ASSERT_GE(line_to(GO[0], GO[1], GO[2]), 1);
    }
    FRMHKS.go_menu = hook;
}

// ADD:GO from the SERVICE menu: GO motions inserted mark the path changed
// for the caller, whether the path is joined at the insertion point or at a
// picked block; the code-22 mark is asked only when the join deleted blocks.
TEST(AddGo, TheServiceMenuTellsTheCallerOfInsertedMotions)
{
    for (const bool picked : {false, true}) {
        path();
        ed::menu("ADD:GO");
        go_point();
        if (picked) {
            reply("pick", {}, 4);
            ed::menu("DIRECTLY");
        } else {
            reply("pick", {}, 0, true);  // straight back to the insertion point
        }
        ed::escape();  // leaves the SERVICE menu
        const i32 flags[EDF_N] = {1, 1, 1, 0, 0, 0};
        i32 key[KEY_N] = {2, 1, 2}, type = 2, changed = 0, code22 = 0, pathchg = 0, callers = 0, request = 0,
            subchg = 0, count = 0, st = -9;
        EDTSRV(flags, changed, code22, pathchg, callers, request, subchg, type, key, count, st);
        EXPECT_EQ(st, 0) << picked;
        EXPECT_EQ(norak::replies_left(), 0u) << picked;
        EXPECT_EQ(changed, 1) << picked;
        EXPECT_EQ(pathchg, 1) << picked;
        EXPECT_EQ(callers, 1) << picked;
        EXPECT_EQ(subchg, 1) << picked;
        EXPECT_EQ(code22, picked ? 1 : 0) << picked;
    }
}
