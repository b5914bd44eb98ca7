// MACH.PARAMS and the drill edits over a tool path at the top level of the
// fixture: where the technology blocks land, what a cancelled menu leaves,
// the machine values taken from the modal state, the drill tip allowance.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "blocks/listacc.h"
#include "blocks/tech.h"
#include "blocks/writers.h"
#include "core/records.h"
#include "edit/framehk.h"
#include "edit/prmedt.h"
#include "tests/edit/editor_common.h"

namespace {

// Lines to x = 0, 10 and 20 (blocks 1 to 3) under a feed of 100, the cursor
// on the second line and the modal state of that place.
void path(i32 at = 2)
{
    ed::fresh();
    ed::line(0);
    ed::line(10);
    ed::line(20);
    i32 answer = 0, st = 0;
    lacces(2, answer);
    TPJUMP(at, st);
    DSM4[0] = r2wrd(100.0f);
    DSM4[1] = 3000;
    DSM4[5] = fix::TOOL;
    DSM4[6] = r2wrd(-120.0f);
    PRM9[PRM9_TOOL] = fix::TOOL;
}

std::vector<std::vector<i32>> words()
{
    std::vector<std::vector<i32>> out;
    for (const auto& e : norak::main_list().elems) out.push_back(e.words);
    return out;
}

// The technology blocks of parameter 1 in the list: their place (element
// index) and value.
struct Feed {
    size_t at;
    f32 value;
};
std::vector<Feed> feeds()
{
    std::vector<Feed> out;
    const auto& e = norak::main_list().elems;
    for (size_t k = 0; k < e.size(); ++k)
        if (e[k].words.size() >= 5 && e[k].words[0] == 1 && e[k].words[2] == 1)
            out.push_back({k, wrd2r(e[k].words[4])});
    return out;
}

// The element index of the line block of number n.
size_t line_at(i32 n)
{
    const auto& e = norak::main_list().elems;
    for (size_t k = 0; k < e.size(); ++k)
        if (e[k].words.size() >= 2 && e[k].words[0] == 2 && e[k].words[1] == n) return k;
    return 0;
}

TEST(MachParams, AnAcceptedFeedGoesBeforeTheNextMotion)
{
    path();
    ed::menu("FEED", "250");
    ed::menu("0");
    i32 key[KEY_N] = {}, changed = 0, request = 5, st = -9;
    EDTPRM(key, changed, request, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(changed, 1);
    const auto f = feeds();
    ASSERT_FALSE(f.empty());
    EXPECT_FLOAT_EQ(f.back().value, 250.0f);
    // After the second line, before the third.
    EXPECT_GT(f.back().at, line_at(2));
    EXPECT_EQ(f.back().at + 1, line_at(3));
    // The machine values of the editor are back.
    EXPECT_EQ(PRM9[PRM9_TOOL], fix::TOOL);
}

TEST(MachParams, AtTheLastMotionTheBlockEndsTheList)
{
    path(3);
    ed::menu("FEED", "300");
    ed::menu("0");
    i32 key[KEY_N] = {}, changed = 0, request = 0, st = 0;
    EDTPRM(key, changed, request, st);
    EXPECT_EQ(changed, 1);
    const auto f = feeds();
    ASSERT_FALSE(f.empty());
    EXPECT_FLOAT_EQ(f.back().value, 300.0f);
    EXPECT_EQ(f.back().at, norak::main_list().elems.size() - 1);
}

TEST(MachParams, AnUnchangedMenuLeavesTheListExactlyAsItWas)
{
    // The machine state written before the menu restates the feed (the
    // editor's write flags); with no change it goes again.
    path();
    PRM9[0] = r2wrd(55.0f);
    const auto before = words();
    ed::menu("0");
    i32 key[KEY_N] = {}, changed = 7, request = 1, st = 0;
    EDTPRM(key, changed, request, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(request, 0);
    EXPECT_EQ(words(), before);
    EXPECT_FLOAT_EQ(wrd2r(PRM9[0]), 55.0f);  // the editor's machine values back
}

TEST(MachParams, TheFeedKindChosenInTheMenuGivesTheFeedCode)
{
    // FEED to RAPID and RAPID to FEED in the tool menu: the technology block
    // written after it asks for the code of the kind chosen (1 feed, 4 rapid).
    for (const f32 modal : {100.0f, -1.0f}) {
        SCOPED_TRACE(modal);
        path();
        DSM4[0] = r2wrd(modal);
        ed::menu("MOTION", modal >= 0.0f ? "RAPID" : "FEED");
        ed::menu("SPINDLE SPEED", "4000");
        ed::menu("0");
        i32 key[KEY_N] = {}, changed = 0, request = 0, st = 0;
        EDTPRM(key, changed, request, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(changed, 1);
        EXPECT_EQ(TECHST.requested[1], modal >= 0.0f ? 4 : 1);
    }
}

TEST(MachParams, MachineValuesComeFromTheModalStateByKind)
{
    ed::fresh();
    DSM4[0] = r2wrd(-1.0f);  // rapid: the feed word stays
    DSM4[1] = -2500;
    DSM4[2] = 7;
    DSM4[5] = 42;
    DSM4[6] = r2wrd(-80.0f);
    for (i32 k = 7; k <= 10; ++k) DSM4[k] = 100 + k;
    DSP8[34] = 9;
    PRM9[0] = r2wrd(12.0f);
    i32 st = 0;
    MDLPRM(st);
    EXPECT_FLOAT_EQ(wrd2r(PRM9[0]), 12.0f);
    EXPECT_FLOAT_EQ(wrd2r(PRM9[1]), 80.0f);
    EXPECT_EQ(PRM9[7], 2500);
    EXPECT_EQ(PRM9[8], 2);
    EXPECT_EQ(PRM9[9], 7);
    EXPECT_EQ(PRM9[11], 42);
    EXPECT_EQ(PRM9[17], 9);
    DSM4[0] = r2wrd(150.0f);
    DSM4[1] = 0;
    MDLPRM(st);
    EXPECT_FLOAT_EQ(wrd2r(PRM9[0]), 150.0f);
    EXPECT_EQ(PRM9[8], 3);
    // A lathe kind: the tool and the words 14 to 17 only.
    NPT1[NPT1_MACHINE] = 12;
    PRM9[7] = 1;
    MDLPRM(st);
    EXPECT_EQ(PRM9[7], 1);
    for (i32 k = 0; k < 4; ++k) EXPECT_EQ(PRM9[13 + k], 107 + k);
    // A multi-axis kind: the tool only.
    NPT1[NPT1_MACHINE] = 70;
    PRM9[13] = 0;
    DSM4[5] = 43;
    MDLPRM(st);
    EXPECT_EQ(PRM9[13], 0);
    EXPECT_EQ(PRM9[11], 43);
}

TEST(MachParams, ItemListsFollowTheKind)
{
    path();
    ed::menu("0");
    i32 key[KEY_N] = {}, changed = 0, request = 0, st = 0;
    EDTPRM(key, changed, request, st);
    const std::vector<i32> mill(PRMITM, PRMITM + 30);
    std::vector<i32> want(30, 0);
    for (i32 k : {4, 5, 6, 9}) want[k - 1] = 1;
    EXPECT_EQ(mill, want);
    // An unknown kind keeps the last list.
    path();
    NPT1[NPT1_MACHINE] = 5;
    ed::menu("0");
    EDTPRM(key, changed, request, st);
    EXPECT_EQ(std::vector<i32>(PRMITM, PRMITM + 30), want);
}

TEST(MachParams, TheMachineStateWrittenIsCountedAndRemovedAgain)
{
    // Two requested codes that differ from the last written: two blocks.
    path();
    const auto before = words();
    TECHST.status[1] = TECHST.status[3] = 1;
    TECHST.requested[1] = 4;
    TECHST.requested[3] = 7;
    TECHST.lastcode[1] = TECHST.lastcode[3] = 0;
    i32 st = 0;
    const i32 n = write_state_counted(12, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(words().size(), before.size() + 2);
    // The cursor may stand anywhere: the slot finds the blocks.
    i32 answer = 0;
    lacces(2, answer);
    remove_written(12, n, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(words(), before);
    // Nothing written: nothing removed.
    EXPECT_EQ(write_state_counted(12, st), 0);
    remove_written(12, 0, st);
    EXPECT_EQ(words(), before);
}

// A list refusal on the walk to the next motion (the mark of the block
// before it) fails the command with the list message; the list is kept.
TEST(MachParams, AListFailureBeforeTheNextMotionIsReported)
{
    path();
    const auto before = words();
    ed::menu("FEED", "250");
    ed::menu("0");
    norak::fail_list_call("lmark", 2);
    i32 key[KEY_N] = {}, changed = 0, request = 0, st = 0;
    EDTPRM(key, changed, request, st);
    norak::fail_list_call("lmark", 0);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(changed, 0);
    EXPECT_TRUE(norak::transcript_has("EDTPRM, ERRORS IN LIST"));
    EXPECT_FALSE(norak::transcript_has("ERRORS IN THE DISPLAY FILE"));
    EXPECT_EQ(words(), before);
}

TEST(DrillEdits, TipAllowance)
{
    norak::reset();
    norak::load_session_text(R"({"entities": [
      {"kind": "tool", "id": 7, "type": "DRILL", "name": "D10", "diameter": 10, "tip_angle": 90},
      {"kind": "tool", "id": 8, "type": "DRILL", "name": "D180", "diameter": 10, "tip_angle": 180},
      {"kind": "tool", "id": 9, "type": "MILL", "name": "M10", "diameter": 10}]})",
                             "drill");
    PRM9[PRM9_TOOL] = 7;
    EXPECT_NEAR(DRLTIP("ZERO"), 5.0f, 1e-4f);
    PRM9[PRM9_TOOL] = 8;
    EXPECT_FLOAT_EQ(DRLTIP("ZERO"), 0.0f);
    PRM9[PRM9_TOOL] = 9;
    EXPECT_FLOAT_EQ(DRLTIP("ZERO"), 0.0f);
}

// The types of the blocks after the header.
std::vector<i32> types()
{
    std::vector<i32> out;
    const auto& e = norak::main_list().elems;
    for (size_t k = 1; k < e.size(); ++k) out.push_back(e[k].words[0]);
    return out;
}

// A drill path: a cycle of the depth on the drill of tip angle 90 and
// diameter 10 (tip allowance 5) and a first drill location at the origin.
void drill_path(f32 depth)
{
    norak::reset();
    norak::load_session_text(R"({"entities": [
      {"kind": "tool", "id": 7, "type": "DRILL", "name": "D10", "diameter": 10, "tip_angle": 90},
      {"kind": "ucs", "id": 60, "origin": [0, 0, 0], "x_axis": [1, 0, 0], "z_axis": [0, 0, 1], "name": "UCS"}]})",
                             "drill");
    norak::start_toolpath();
    fresh_block_state();
    NPT1[NPT1_MACHINE] = 22;
    PRM9[PRM9_TOOL] = 7;
    i32 answer = 0, st = 0;
    lacces(3, answer);
    PTBT30(AM_APPEND, 81, 0, 1.0f, depth, 2.0f, 1, 10.0f, 0, st);
    const f32 p0[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    PTBT31(AM_APPEND, p0, z, 0, 0, st);
    ASSERT_EQ(st, 0);
}

TEST(DrillEdits, DrillPointsTakeTheDepthInForceAndANewOneIsSetAndSetBack)
{
    // A cycle of depth 12 on a drill of tip angle 90 and diameter 10 (tip
    // allowance 5: the field shows 7), a first drill location.
    drill_path(12.0f);
    i32 st = 0;
    norak::Reply pt;
    pt.kind = "point";
    pt.point[0] = 5;
    norak::add_reply(pt);  // a point at the depth in force
    ed::menu("DEPTH", "20");
    pt.point[0] = 9;
    norak::add_reply(pt);  // a point at the new depth
    pt = norak::Reply{};
    pt.kind = "point";
    pt.escape = true;
    norak::add_reply(pt);
    i32 key[KEY_N] = {}, changed = 0, request = 0;
    EDTDRL(key, changed, request, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_TRUE(norak::transcript_has("DEPTH = 7"));
    // The first point at depth 12; then 25 (20 + 5) before the second, and
    // 12 again after it.
    EXPECT_EQ(types(), (std::vector<i32>{30, 31, 31, 36, 31, 36}));
    const auto& e = norak::main_list().elems;
    EXPECT_FLOAT_EQ(wrd2r(e[4].words[2]), 25.0f);
    EXPECT_FLOAT_EQ(wrd2r(e[6].words[2]), 12.0f);
    EXPECT_FLOAT_EQ(wrd2r(e[5].words[2]), 9.0f);
}

TEST(DrillEdits, ADepthTakenWithoutAnEditIsKeptWhateverTheTipAllowance)
{
    // A drill of tip allowance 5 under cycles of depth 5 (the field shows
    // 0), 3 (shallower than the tip: -2) and -3 (2): a point taken without
    // an edit keeps the depth in force, and so does a range accepted as it
    // was shown.
    for (const f32 depth : {5.0f, 3.0f, -3.0f}) {
        drill_path(depth);
        i32 st = 0;
        norak::Reply pt;
        pt.kind = "point";
        pt.point[0] = 5;
        norak::add_reply(pt);
        pt = norak::Reply{};
        pt.kind = "point";
        pt.escape = true;
        norak::add_reply(pt);
        i32 key[KEY_N] = {}, changed = 0, request = 0;
        EDTDRL(key, changed, request, st);
        EXPECT_EQ(st, 0) << depth;
        EXPECT_EQ(norak::replies_left(), 0u) << depth;
        EXPECT_EQ(types(), (std::vector<i32>{30, 31, 31})) << depth;

        drill_path(depth);
        ed::menu("ACCEPT");
        i32 start[KEY_N] = {2, 1, 2}, end[KEY_N] = {2, 1, 2};
        changed = 0;
        EDTDPT(start, end, changed, request, st);
        EXPECT_EQ(st, 0) << depth;
        EXPECT_EQ(changed, 0) << depth;
        EXPECT_EQ(norak::replies_left(), 0u) << depth;
        EXPECT_EQ(types(), (std::vector<i32>{30, 31})) << depth;
    }
}

TEST(DrillEdits, TheEndOfTheIndicationEndsIt)
{
    // The host's "end" of a point indication (-3) ends it as exit and escape
    // do: no further point is asked for.
    drill_path(12.0f);
    norak::Reply pt;
    pt.kind = "point";
    pt.point[0] = 5;
    norak::add_reply(pt);
    pt = norak::Reply{};
    pt.kind = "point";
    pt.end = true;
    norak::add_reply(pt);
    i32 key[KEY_N] = {}, changed = 0, request = 0, st = 0;
    EDTDRL(key, changed, request, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(types(), (std::vector<i32>{30, 31, 31}));
}

// The value typed into the form's DEPTH field.
void depth_reply(const char* value)
{
    norak::Reply r;
    r.kind = "prompt";
    r.expect = "DEPTH";
    r.answer = value;
    norak::add_reply(r);
}

TEST(DrillEdits, ADepthSetForARangeOfDrillPointsIsSetBackAfterIt)
{
    // A cycle of depth 12 (the field shows 7), drill points 2 to 4; the
    // range's depth becomes 25 (20 + the tip allowance 5).
    drill_path(12.0f);
    i32 st = 0;
    const f32 p[3] = {10, 0, 0}, q[3] = {20, 0, 0}, z[3] = {0, 0, 1};
    PTBT31(AM_APPEND, p, z, 0, 0, st);
    PTBT31(AM_APPEND, q, z, 0, 0, st);
    depth_reply("20");
    ed::menu("ACCEPT");
    i32 start[KEY_N] = {2, 1, 2}, end[KEY_N] = {2, 1, 4}, changed = 0, request = 0;
    EDTDPT(start, end, changed, request, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_TRUE(norak::transcript_has("DEPTH = 7"));
    ASSERT_EQ(types(), (std::vector<i32>{30, 36, 31, 31, 31, 36}));
    const auto& e = norak::main_list().elems;
    EXPECT_FLOAT_EQ(wrd2r(e[2].words[2]), 25.0f);
    EXPECT_FLOAT_EQ(wrd2r(e[6].words[2]), 12.0f);
    // the depth left as it was: nothing written
    drill_path(12.0f);
    PTBT31(AM_APPEND, p, z, 0, 0, st);
    depth_reply("7");
    ed::menu("ACCEPT");
    i32 end2[KEY_N] = {2, 1, 3};
    changed = 0;
    EDTDPT(start, end2, changed, request, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(types(), (std::vector<i32>{30, 31, 31}));
}

TEST(DrillEdits, TheDepthEditRefusesRangesWithoutDrillPointsAndMissingBlocks)
{
    path();
    i32 start[KEY_N] = {2, 1, 1}, end[KEY_N] = {2, 1, 3}, changed = 0, request = 0, st = 0;
    const auto before = words();
    EDTDPT(start, end, changed, request, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("EDTDPT, DEPTH UPDATE POSSIBLE ONLY FOR DRILL"));
    i32 far[KEY_N] = {2, 1, 99};
    EDTDPT(start, far, changed, request, st);
    EXPECT_EQ(st, -2);
    EXPECT_TRUE(norak::transcript_has("FNDRNG, THE INDICATED REGION WAS NOT FOUND WITHIN THE CURRENT PROCEDURE"));
    EXPECT_FALSE(norak::transcript_has("EDTDPT,ERRORS IN LIST"));
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(words(), before);
}

}  // namespace
