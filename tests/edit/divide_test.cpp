// DIVIDE BY TOOL over procedures written at the top level of the fixture:
// the blocks each resulting procedure keeps, the scaled technology in the
// two tool-factor modes, the labels, the renumbering, the procedure after
// them, and the limit of ten procedures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/procblk.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "edit/alter/divide.h"
#include "edit/alter/trimtp.h"
#include "tests/edit/editor_common.h"
#include "tests/edit/fixture.h"

namespace {

constexpr i32 DT[6] = {2026, 1, 2, 3, 4, 5};
constexpr i32 KEY = 7, OTHER_KEY = 99;

void fresh()
{
    fix::fresh();
    NPT1[NPT1_MACHINE] = 22;
    PRM9[0] = r2wrd(1000.0f);  // feed: parameter 1 of group 23
    PRM9[7] = 3000;            // parameter 6 of group 23
    PRM9[PRM9_TOOL] = fix::TOOL;
    CMPBLK[56] = KEY;
    CMPBLK[57] = 1;  // the running number of the first procedure
    split_by_tool_get_set(2, 0);
}

void close_procedure()
{
    i32 st = 0;
    CLSSBL(st);
    ASSERT_EQ(st, 0);
}

// A procedure whose sub-list changes the tool to each of tools, a feed and
// a line after each change, and a message after the first tool's lines.
void tooled(const char* name, const std::vector<i32>& tools)
{
    fix::procedure(9, name, DT);
    f32 x = 0;
    for (size_t k = 0; k < tools.size(); ++k) {
        fix::tech(100, 0, tools[k]);
        fix::tech(1, 100.0f + static_cast<f32>(k));
        fix::line(2, {x, 0, 0});
        x += 10;
        fix::line(2, {x, 0, 0});
        if (k == 0) fix::message("AFTER FIRST TOOL");
    }
    close_procedure();
}

// A plain procedure of one tool under the key.
void plain(const char* name, i32 key)
{
    CMPBLK[56] = key;
    fix::procedure(9, name, DT);
    fix::tech(100, 0, fix::TOOL);
    fix::line(2, {0, 5, 0});
    close_procedure();
    CMPBLK[56] = KEY;
}

// The procedure blocks of the main list.
std::vector<const norak::Element*> procs()
{
    std::vector<const norak::Element*> out;
    for (const auto& e : norak::main_list().elems)
        if (!e.words.empty() && e.words[0] == 12) out.push_back(&e);
    return out;
}

// A procedure's sub-list as a text: "T<tool>" a tool change, "F" a feed, "L"
// a line, "M" a message, one letter group per block.
std::string blocks_of(const norak::Element* p)
{
    std::string s;
    if (!p->sub) return s;
    for (const auto& e : p->sub->elems) {
        const auto& w = e.words;
        if (w[0] == 1 && w[2] == 100) s += "T" + std::to_string(w[4]) + " ";
        else if (w[0] == 1) s += "F ";
        else if (w[0] == 2) s += "L ";
        else if (w[0] == 4) s += "M ";
        else s += "? ";
    }
    return s;
}

// Reads a procedure's values from its block (the cursor on it).
struct Values {
    f32 feed = 0;
    i32 p6 = 0, tool = 0, number = 0, code21 = 0, code126 = 0;
    i32 table[3][10] = {};
    std::string label;
};
Values values_of(i32 procedure)
{
    Values v;
    ltop();
    i32 answer = 0, seen = 0;
    lacces(2, answer);
    while (answer >= 0) {
        i32 size = 0, type = 0, cls = 0, st = 0;
        TPBLKH(AM_LIST, size, type, cls, st);
        lclos();
        if (type == 12 && ++seen == procedure) break;
        lacces(1, answer);
    }
    EXPECT_GE(answer, 0);
    i32 n = 1, st = 0;
    TPGETN(AM_LIST, GR_MACHINE, 1, n, DT_REAL, &v.feed, st);
    n = 1;
    TPGETN(AM_LIST, GR_MACHINE, 6, n, DT_INT, &v.p6, st);
    n = 1;
    TPGETN(AM_LIST, GR_MACHINE, 10, n, DT_INT, &v.tool, st);
    n = 1;
    TPGETN(AM_LIST, GR_GLOBAL, 121, n, DT_INT, &v.number, st);
    n = 1;
    TPGETN(AM_LIST, GR_GLOBAL, 21, n, DT_INT, &v.code21, st);
    n = 1;
    TPGETN(AM_LIST, GR_GLOBAL, 126, n, DT_INT, &v.code126, st);
    for (i32 t = 0; t < 3; ++t) {
        n = 10;
        TPGETN(AM_LIST, GR_GLOBAL, t == 0 ? 125 : t == 1 ? 127 : 128, n, DT_INT, v.table[t], st);
    }
    char text[21] = {0};
    i32 length = 0, textlen = 0;
    GTTEXT(AM_LIST, 0, GR_GLOBAL, 29, 20, length, text, st, textlen);
    v.label = std::string(text, 20);
    lclos();
    return v;
}

std::vector<std::vector<i32>> words_of(const norak::Element* p)
{
    std::vector<std::vector<i32>> out{p->words};
    if (p->sub)
        for (const auto& e : p->sub->elems) out.push_back(e.words);
    return out;
}

// A procedure stored in another tool path of the part: its key and running
// number (group-24 items 120 and 121); answers its entity id.
i32 stored_procedure(i32 key, i32 type = 9, i32 state = 0)
{
    norak::Entity p;
    p.cls = 9;
    p.type = norak::PROC_TYPE;
    // three zeros, number, type, the group-24 items; no machine or local
    // parameters, no header, eleven item words and no geometry
    p.words = {0, 0, 0, 1, type, 12, 120, 2, 0, key, 121, 2, 0, 1, 81, 2, 0, state, -1, -1, 0};
    p.words.insert(p.words.end(), 12, 0);
    const i32 id = norak::add_entity(p);
    norak::add_toolpath_entity({}, {{1, id}});
    return id;
}

i32 stored_number(i32 id)
{
    i32 value = 0, st = 0;
    gs_param(3, id, 9, 4, 121, &value, st);
    return value;
}

i32 LATER_SAME = 0, LATER_OTHER = 0;
std::vector<i32> LATER_LEFT;

// The three-tool procedure, a procedure of another key and one of the same
// key after it; two procedures in another tool path of the part.
void three_tools()
{
    fresh();
    tooled("PART A", {101, 102, 103});
    plain("OTHER", OTHER_KEY);
    plain("SAME KEY", KEY);
    LATER_OTHER = stored_procedure(OTHER_KEY);
    LATER_LEFT = {stored_procedure(KEY, 9, 2), stored_procedure(KEY, 53), stored_procedure(KEY),
                  stored_procedure(KEY)};
    norak::set_stored_proc_flags(LATER_LEFT[2], 1, 0);
    norak::set_stored_proc_flags(LATER_LEFT[3], 0, 1);
    LATER_SAME = stored_procedure(KEY);
}

void check_three(f32 feed2, i32 p62, f32 feed3, i32 p63)
{
    const auto p = procs();
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(blocks_of(p[0]), "T101 F L L M ");
    // A message before the split survives in the copies; the feeds and the
    // first tools' changes and lines do not.
    EXPECT_EQ(blocks_of(p[1]), "M T102 F L L ");
    EXPECT_EQ(blocks_of(p[2]), "M T103 F L L ");
    const Values a = values_of(1), b = values_of(2), c = values_of(3);
    EXPECT_EQ(a.label, "1 of 3 PART A       ");
    EXPECT_EQ(b.label, "2 of 3 PART A       ");
    EXPECT_EQ(c.label, "3 of 3 PART A       ");
    EXPECT_FLOAT_EQ(a.feed, 1000.0f);
    EXPECT_EQ(a.p6, 3000);
    EXPECT_EQ(a.tool, fix::TOOL);
    EXPECT_FLOAT_EQ(b.feed, feed2);
    EXPECT_EQ(b.p6, p62);
    EXPECT_EQ(b.tool, 102);
    EXPECT_FLOAT_EQ(c.feed, feed3);
    EXPECT_EQ(c.p6, p63);
    EXPECT_EQ(c.tool, 103);
    for (const Values* v : {&a, &b, &c}) EXPECT_EQ(v->code21, 2);
    // The later ones: the optimizer's per-tool table reset.
    EXPECT_EQ(b.code126, 1);
    for (i32 k = 0; k < 10; ++k) {
        EXPECT_EQ(c.table[0][k], -1);
        EXPECT_EQ(c.table[1][k], 100);
        EXPECT_EQ(c.table[2][k], 100);
    }
    // Renumbered: the two copies after the first (1), then the procedure of
    // the same key; the other key keeps its number.
    EXPECT_EQ(a.number, 1);
    EXPECT_EQ(b.number, 2);
    EXPECT_EQ(c.number, 3);
    EXPECT_EQ(values_of(5).number, 4);
    EXPECT_EQ(values_of(4).number, 1);
    EXPECT_EQ(stored_number(LATER_SAME), 5);
    EXPECT_EQ(stored_number(LATER_OTHER), 1);
    // Suspended, of procedure type 53, with a "G" flag or a sub-procedure in
    // the tables of their tool path: not numbered.
    for (const i32 id : LATER_LEFT) EXPECT_EQ(stored_number(id), 1);
    EXPECT_EQ(split_by_tool_get_set(1, 0), 1);
}

TEST(DivideByTool, ThreeToolsWithOnePairOfPercentages)
{
    three_tools();
    CMPBLK[3] = 4;
    CMPBLK[4] = r2wrd(50.0f);
    CMPBLK[5] = r2wrd(80.0f);
    const auto other = words_of(procs()[1]);
    i32 st = 0;
    divide_by_tool(1, st);
    EXPECT_EQ(st, 1);
    check_three(500.0f, 2400, 500.0f, 2400);
    // The procedure after them is untouched.
    EXPECT_EQ(words_of(procs()[3]), other);
    // The tools of removed tool changes are no longer the procedures', each
    // named by its id: the copies are numbered as new blocks (5 and 6), not
    // by their places.
    EXPECT_TRUE(norak::transcript_has("host: tool 103 detached from procedure 1"));
    EXPECT_TRUE(norak::transcript_has("host: tool 101 detached from procedure 5"));
    EXPECT_TRUE(norak::transcript_has("host: tool 102 detached from procedure 6"));
}

TEST(DivideByTool, ThreeToolsWithThePerToolTable)
{
    three_tools();
    CMPBLK[3] = 5;
    for (i32 k = 0; k < 10; ++k) CMPBLK[58 + k] = -1, CMPBLK[69 + k] = CMPBLK[79 + k] = 100;
    CMPBLK[58 + 4] = 103, CMPBLK[69 + 4] = 25, CMPBLK[79 + 4] = 10;
    CMPBLK[58 + 7] = 102, CMPBLK[69 + 7] = 50, CMPBLK[79 + 7] = 80;
    i32 st = 0;
    divide_by_tool(1, st);
    EXPECT_EQ(st, 1);
    check_three(500.0f, 2400, 250.0f, 300);
    EXPECT_EQ(DIVTFT[0].tool, 102);
    EXPECT_EQ(DIVTFT[1].tool, 103);
    EXPECT_EQ(DIVTFT[2].tool, -1);
}

TEST(DivideByTool, NothingToDivideOrAToolMissingFromTheTable)
{
    fresh();
    tooled("ONE TOOL", {101});
    CMPBLK[3] = 4;
    const auto before = words_of(procs()[0]);
    i32 st = 0;
    divide_by_tool(1, st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(norak::transcript_has("host message 317/33"));
    EXPECT_EQ(words_of(procs()[0]), before);
    // Mode 5 without the tool: nothing is split.
    three_tools();
    CMPBLK[3] = 5;
    for (i32 k = 0; k < 10; ++k) CMPBLK[58 + k] = -1;
    divide_by_tool(1, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("host message 317/34"));
    EXPECT_EQ(procs().size(), 3u);
}

TEST(DivideByTool, StopsAtTenProcedures)
{
    // Twelve tools: nine divisions give ten procedures; the tenth keeps the
    // tenth tool's blocks and the two tool changes after it, whole.
    fresh();
    std::vector<i32> tools;
    for (i32 t = 0; t < 12; ++t) tools.push_back(101 + t);
    tooled("MANY", tools);
    plain("OTHER", OTHER_KEY);
    CMPBLK[3] = 4;
    CMPBLK[4] = r2wrd(100.0f);
    CMPBLK[5] = r2wrd(100.0f);
    const auto other = words_of(procs()[1]);
    i32 st = 0;
    divide_by_tool(1, st);
    EXPECT_EQ(st, 1);
    const auto p = procs();
    ASSERT_EQ(p.size(), 11u);
    EXPECT_EQ(blocks_of(p[8]), "M T109 F L L ");
    EXPECT_EQ(blocks_of(p[9]), "M T110 F L L T111 F L L T112 F L L ");
    EXPECT_EQ(words_of(p[10]), other);
    EXPECT_EQ(values_of(10).label, "10 of 10 MANY       ");
    EXPECT_EQ(values_of(10).tool, 110);
    for (i32 k = 0; k < DIVISION_MAX - 1; ++k) EXPECT_EQ(DIVTFT[k].tool, 102 + k);
    EXPECT_EQ(DIVTFT[DIVISION_MAX - 1].tool, -1);
}

}  // namespace

TEST(DivideByTool, AlterationsAskFirstAndCountTheDivisionInTheReplyWord)
{
    three_tools();
    CMPBLK[3] = 4;
    CMPBLK[4] = r2wrd(50.0f);
    CMPBLK[5] = r2wrd(80.0f);
    ed::menu("DIVIDE BY TOOL");
    norak::Reply yes;
    yes.kind = "question";
    yes.answer = "YES";
    norak::add_reply(yes);
    i32 reply = -7;
    ASSERT_NO_THROW(trim_tp(1, 0, reply));
    EXPECT_EQ(reply, 1);
    check_three(500.0f, 2400, 500.0f, 2400);
    CMPBLK[3] = 0;
}

TEST(DivideByTool, ASourceValueThatCannotBeReadIsPassedOnAndNotScaled)
{
    // Parameter 1 or parameter 6 of group 23 missing from the divided
    // procedure: the other is still read and scaled, the missing one is
    // not written as 0, and the division answers the read's failure.
    for (const i32 missing : {1, 6}) {
        three_tools();
        CMPBLK[3] = 4;
        CMPBLK[4] = r2wrd(50.0f);
        CMPBLK[5] = r2wrd(80.0f);
        auto& elems = norak::main_list().elems;
        auto& w = std::find_if(elems.begin(), elems.end(), [](const auto& e) { return e.words[0] == 12; })->words;
        const i32 value = missing == 1 ? r2wrd(1000.0f) : 3000;
        bool renamed = false;
        for (size_t k = 3; k < w.size() && !renamed; ++k)
            if (w[k] == value && w[k - 3] == missing && w[k - 2] == 2) w[k - 3] = 990, renamed = true;
        ASSERT_TRUE(renamed);
        i32 st = 0;
        divide_by_tool(1, st);
        EXPECT_LT(st, 0) << missing;
        ASSERT_EQ(procs().size(), 5u);
        const Values b = values_of(2);
        EXPECT_EQ(b.tool, 102);
        if (missing == 1) {
            EXPECT_EQ(b.p6, 2400);
        } else {
            EXPECT_FLOAT_EQ(b.feed, 500.0f);
            EXPECT_EQ(b.p6, 0) << "no parameter 6 written";
        }
    }
}

TEST(DivideByTool, AProcedureWithSubProceduresKeepsItsNumber)
{
    // The procedure of the same key after the divided one keeps its blocks
    // in a movement entity (flag 6 cleared, flag 1 naming the entity): it
    // has a sub-procedure and is not renumbered. With the blocks back in its
    // sub-list it is.
    for (const i32 in_sublist : {0, 1}) {
        SCOPED_TRACE(in_sublist);
        three_tools();
        CMPBLK[3] = 4;
        CMPBLK[4] = CMPBLK[5] = r2wrd(100.0f);
        const i32 movement = 5;
        i32 st = 0;
        values_of(3);
        TPCHNN(AM_LIST, GR_FLAGS, 51, DT_INT, &movement, st);
        TPCHNN(AM_LIST, GR_FLAGS, 82, DT_INT, &in_sublist, st);
        lclos();
        ASSERT_EQ(st, 0);
        divide_by_tool(1, st);
        EXPECT_EQ(st, 1);
        ASSERT_EQ(procs().size(), 5u);
        EXPECT_EQ(values_of(5).number, in_sublist == 0 ? 1 : 4);
        EXPECT_EQ(stored_number(LATER_SAME), in_sublist == 0 ? 4 : 5);
    }
}

TEST(DivideByTool, AProcedureWithoutAKeyRenumbersNoOther)
{
    // Neither the divided procedure nor the one after it has code 120: the
    // one after keeps its running number.
    three_tools();
    CMPBLK[3] = 4;
    CMPBLK[4] = CMPBLK[5] = r2wrd(100.0f);
    auto& elems = norak::main_list().elems;
    i32 renamed = 0;
    for (auto& e : elems) {
        if (e.words[0] != 12) continue;
        for (size_t k = 3; k < e.words.size(); ++k)
            if (e.words[k - 3] == 120 && e.words[k - 2] == 2 && (e.words[k] == KEY || e.words[k] == OTHER_KEY)) {
                e.words[k - 3] = 990;
                ++renamed;
                break;
            }
    }
    ASSERT_EQ(renamed, 3);
    i32 st = 0;
    divide_by_tool(1, st);
    EXPECT_EQ(st, 1);
    ASSERT_EQ(procs().size(), 5u);
    EXPECT_EQ(values_of(4).number, 1);
    EXPECT_EQ(values_of(5).number, 1);
    EXPECT_EQ(stored_number(LATER_SAME), 1);
}

namespace {
// An item of the divided procedure stored one value longer than the area
// the division writes it from (group, code, values the division writes).
struct LongItem {
    i32 group, code, area;
};
class DivideLongItem : public testing::TestWithParam<LongItem> {};

// The cursor on the procedure block of the number (from 1).
void at_proc(i32 procedure)
{
    ltop();
    i32 answer = 0, seen = 0, st = 0;
    for (lacces(2, answer); answer >= 0; lacces(1, answer)) {
        i32 size = 0, type = 0, cls = 0;
        TPBLKH(AM_LIST, size, type, cls, st);
        lclos();
        if (type == 12 && ++seen == procedure) return;
    }
    FAIL() << "no procedure " << procedure;
}
}  // namespace

TEST_P(DivideLongItem, IsRefusedAndKeepsItsValues)
{
    // The longer item is put before the stored one, which it hides; the
    // copies inherit it. Writing it from the division's area would take
    // words from past that area.
    const LongItem item = GetParam();
    three_tools();
    CMPBLK[3] = 4;
    CMPBLK[4] = CMPBLK[5] = r2wrd(100.0f);
    std::vector<i32> stored(static_cast<size_t>(item.area) + 1);
    for (size_t k = 0; k < stored.size(); ++k) stored[k] = 4000 + static_cast<i32>(k);
    i32 st = 0;
    at_proc(1);
    TPINSC(item.group, item.code, item.code, DT_INT, item.area + 1, stored.data(), st);
    lclos();
    ASSERT_EQ(st, 0);
    divide_by_tool(1, st);
    EXPECT_TRUE(norak::transcript_has("TPCHNN, ITEM LONGER THAN ITS AREA, CODE = " + std::to_string(item.code)));
    // The running numbers are written without a status of their own.
    EXPECT_EQ(st, item.code == 121 ? 1 : -1);
    ASSERT_EQ(procs().size(), 5u);
    for (const i32 p : {1, 2, 3}) {
        at_proc(p);
        std::vector<i32> back(stored.size() + 1, 0);
        i32 n = static_cast<i32>(back.size());
        TPGETN(AM_LIST, item.group, item.code, n, DT_INT, back.data(), st);
        lclos();
        ASSERT_EQ(n, item.area + 1) << p;
        back.resize(stored.size());
        EXPECT_EQ(back, stored) << "procedure " << p;
    }
}

INSTANTIATE_TEST_SUITE_P(Items, DivideLongItem,
                         testing::Values(LongItem{GR_GLOBAL, 125, 10}, LongItem{GR_GLOBAL, 127, 10},
                                         LongItem{GR_GLOBAL, 128, 10}, LongItem{GR_GLOBAL, 126, 1},
                                         LongItem{GR_GLOBAL, 21, 1}, LongItem{GR_GLOBAL, 121, 1},
                                         LongItem{GR_MACHINE, 10, 1}));

TEST(DivideByTool, PercentagesThatNoIntegerHoldsAreRefused)
{
    // Mode 4: a percentage beyond any integer is taken as a tool not found.
    // Mode 5: parameter 6 scaled beyond a 32-bit value is refused for that
    // procedure; the product itself is taken in 64 bits.
    for (const f32 bad : {3.0e9f, -3.0e9f}) {
        three_tools();
        CMPBLK[3] = 4;
        CMPBLK[4] = r2wrd(100.0f);
        CMPBLK[5] = r2wrd(bad);
        i32 st = 0;
        divide_by_tool(1, st);
        EXPECT_EQ(st, -1) << bad;
        EXPECT_TRUE(norak::transcript_has("host message 317/34")) << bad;
        EXPECT_EQ(procs().size(), 3u) << bad;
    }
    three_tools();
    CMPBLK[3] = 5;
    for (i32 k = 0; k < 10; ++k) CMPBLK[58 + k] = -1, CMPBLK[69 + k] = CMPBLK[79 + k] = 100;
    CMPBLK[58] = 102, CMPBLK[79] = 2000000;      // 3000 x 2,000,000 x 0.01 = 60,000,000
    CMPBLK[59] = 103, CMPBLK[79 + 1] = 900000000;  // 3000 x 900,000,000 x 0.01: beyond 32 bits
    i32 st = 0;
    divide_by_tool(1, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("set_division_technology, PARAMETER 6 OUT OF RANGE. TOOL = 103"));
    ASSERT_EQ(procs().size(), 5u);
    EXPECT_EQ(values_of(2).p6, 60000000);
    EXPECT_EQ(values_of(3).p6, 3000) << "the copy keeps its own value";
}

TEST(DivideByTool, EveryProcedureOfALargeToolPathIsRenumbered)
{
    // A later tool path of 250 procedures under the key: each gets its
    // running number, the last one too.
    fresh();
    tooled("PART A", {101, 102});
    CMPBLK[3] = 4;
    CMPBLK[4] = CMPBLK[5] = r2wrd(100.0f);
    std::vector<std::array<i32, 2>> entries;
    for (i32 k = 0; k < 250; ++k) {
        norak::Entity p;
        p.cls = 9;
        p.type = norak::PROC_TYPE;
        p.words = {0, 0, 0, 1, 9, 12, 120, 2, 0, KEY, 121, 2, 0, 1, 81, 2, 0, 0, -1, -1, 0};
        p.words.insert(p.words.end(), 12, 0);
        entries.push_back({1, norak::add_entity(p)});
    }
    norak::add_toolpath_entity({}, entries);
    i32 st = 0;
    divide_by_tool(1, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(values_of(2).number, 2);
    EXPECT_EQ(stored_number(entries.front()[1]), 3);
    EXPECT_EQ(stored_number(entries.back()[1]), 252);
}

TEST(DivideByTool, AProcedureWhoseGeometryChangedKeepsItsNumber)
{
    // The procedure of the same key after the divided one has a geometry
    // slot whose entity changed since the block was stored (its "G" flag):
    // it is not renumbered; the copies still are.
    fresh();
    tooled("PART A", {101, 102});
    GSLOTS[0] = 1;
    GSLOTS[1] = 77;
    plain("CHANGED", KEY);
    init_geom_slots(GSLOTS);
    CMPBLK[3] = 4;
    CMPBLK[4] = CMPBLK[5] = r2wrd(100.0f);
    i32 st = 0;
    divide_by_tool(1, st);
    EXPECT_EQ(st, 1);
    ASSERT_EQ(procs().size(), 3u);
    EXPECT_EQ(values_of(2).number, 2);
    EXPECT_EQ(values_of(3).number, 1);
}
