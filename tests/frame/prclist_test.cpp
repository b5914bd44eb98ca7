// The procedure list, the procedure-header list, the tool list and the
// criteria lists of a tool path with three procedures and two tools.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>

#include "edit/proctab.h"
#include "frame/bookkeep.h"
#include "frame/cmpblk.h"
#include "frame/crit.h"
#include "frame/driver.h"
#include "frame/prclist.h"
#include "frame/prctake.h"
#include "frame/prcrows.h"
#include "frame/prmmnu.h"
#include "core/host.h"
#include "core/records.h"
#include "platform/norak/recordcalls.h"
#include "tests/edit/fixture.h"

namespace {
constexpr i32 BALL = 101, FLAT = 102;

std::string session()
{
    std::string map = "[";
    for (int k = 1; k <= 52; ++k) map += std::string(k > 1 ? "," : "") + (k == 9 || k == 28 ? "1" : k == 10 ? "3" : "0");
    map += "]";
    return R"({"settings": {"part_file": "shop/CAVITY", "user_names": ["SRF MILL", "STOCK", "GO"], "user_map": )" +
           map + R"(},
 "entities": [
  {"kind": "tool", "id": 101, "type": "MILL", "name": "ball 10", "diameter": 10, "corner_radius": 5},
  {"kind": "tool", "id": 102, "type": "MILL", "name": "FLAT 8", "diameter": 8}
 ]})";
}

// The list cursor on the second procedure block.
void second_block()
{
    i32 answer = 0;
    lclos();
    ltop();
    lacces(2, answer);
    lacces(1, answer);
    lacces(1, answer);
}

// A fresh host with an open tool path of three procedures: a surface
// milling with the ball tool, a second one with the flat tool and a GO
// procedure back with the ball tool.
void three_procedures()
{
    fix::fresh_session(session());
    i32 st = 0;
    std::memcpy(NPT1, "CAV-1   ", 8);
    auto& h = norak::main_list().elems[0].words;
    std::memcpy(&h[2], "CAV-1   ", 8);
    h[4] = 23;
    i32 answer = 0;
    lacces(3, answer);
    const i32 d1[6] = {2025, 1, 2, 8, 0, 0}, d2[6] = {2025, 1, 2, 9, 15, 0}, d3[6] = {2025, 1, 2, 9, 40, 30};
    PRM9[PRM9_TOOL] = BALL;
    fix::procedure(9, "ROUGHING", d1);
    fix::tech(100, 0, BALL);
    fix::tech(1, 800.0f);
    fix::line(2, {0, 0, 5});
    fix::line(2, {10, 0, 5});
    CLSSBL(st);
    PRM9[PRM9_TOOL] = FLAT;
    fix::procedure(28, "FLOOR", d2);
    fix::tech(100, 0, FLAT);
    fix::line(2, {0, 10, 0});
    CLSSBL(st);
    PRM9[PRM9_TOOL] = BALL;
    fix::procedure(10, "HOME", d3);
    fix::tech(100, 0, BALL);
    fix::line(2, {0, 0, 50});
    CLSSBL(st);
    PRCTAB.count = 3;
    const i32 codes[4] = {0, 9, 28, 10};
    for (i32 k = 1; k <= 3; ++k) {
        PRCTAB.type[k] = codes[k];
        PRCTAB.number[k] = k;
    }
}

// What the surface-milling module writes of itself in print mode.
void print_module(i32 code)
{
    const std::string l = "  MODULE " + std::to_string(code) + " PRINT MODE " + std::to_string(EDA2[EDA2_HELD]);
    ofwric(l.c_str());
}

// A stored procedure entity of the code with its movement entity holding
// technology blocks of the given tool ids; answers the procedure's id.
i32 stored_procedure(i32 number, i32 code, const char* comment, std::initializer_list<i32> tools)
{
    i32 proc = 0, nw = 0, ng = 0, st = 0;
    std::vector<i32> global = {41, 4, 0, 2024, 6, 1, 42, 4, 0, 7, 0, 0, 29, 6, 0};
    char text[20];
    std::memset(text, ' ', 20);
    std::memcpy(text, comment, std::strlen(comment));
    i32 words[5];
    std::memcpy(words, text, 20);
    global.insert(global.end(), words, words + 5);
    nw = static_cast<i32>(global.size());
    dbd_proc(3, proc, number, code, global.data(), nw, nullptr, ng, st);
    EXPECT_EQ(st, 0);
    norak::Entity m;
    m.cls = 9;
    m.type = norak::MOVMNT_TYPE;
    m.words = {0, 0, 0, static_cast<i32>(tools.size()) + 1, 0};
    i32 n = 0;
    for (i32 t : tools) m.words.insert(m.words.end(), {5, 1, n++, 100, 0, t});
    m.words.insert(m.words.end(), {5, 2, n, r2wrd(1.0f), r2wrd(2.0f), r2wrd(3.0f)});
    norak::movement_entities()[proc] = norak::add_entity(m);
    return proc;
}

std::vector<i32> stored_header(const char* name)
{
    std::vector<i32> header(47, 0);
    char n[8];
    std::memset(n, ' ', 8);
    std::memcpy(n, name, std::strlen(name));
    std::memcpy(header.data(), n, 8);
    header[2] = 23;
    return header;
}

using fix::yes_to;

// Transcript lines holding a text from a line on.
size_t since(size_t from, const std::string& text)
{
    size_t n = 0;
    const auto& t = norak::transcript();
    for (size_t k = from; k < t.size(); ++k)
        if (t[k].find(text) != std::string::npos) ++n;
    return n;
}

// The lines of a text.
std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

std::string golden(const char* name)
{
    return fix::read_file(std::string(TAVREK_SOURCE_DIR) + "/tests/frame/data/" + name);
}

using fix::InTempDir;
}  // namespace

TEST(ProcList, ThreeProceduresAndTwoToolsMatchTheGoldenFiles)
{
    three_procedures();
    norak::set_segrun(9, print_module);
    norak::set_segrun(28, print_module);
    second_block();
    const i32 dsp8[6] = {r2wrd(1.0f), r2wrd(2.0f), r2wrd(3.0f), r2wrd(0.0f), r2wrd(0.6f), r2wrd(0.8f)};
    std::memcpy(DSP8, dsp8, sizeof dsp8);
    i32 before = 0, after = 0;
    lgtpos(before);

    PROCTL(-1, 2);
    EXPECT_TRUE(fix::same_lines(fix::listing("CAVITY_CAV-1.PROC_LIST"), golden("proc_list.txt")));
    EXPECT_EQ(norak::transcript_count("host: segrun 9"), 1u);  // the GO procedure has no listing of its own
    EXPECT_EQ(norak::transcript_count("host: segrun 28"), 1u);
    EXPECT_FALSE(norak::transcript_has("host: segrun 10"));
    EXPECT_TRUE(norak::transcript_has("message: OUTPUT TO FILE CAVITY_CAV-1.PROC_LIST"));
    EXPECT_EQ(std::memcmp(DSP8, dsp8, sizeof dsp8), 0);
    EXPECT_EQ(EDA2[EDA2_HELD], 0);  // reset after each procedure's listing
    lgtpos(after);
    EXPECT_EQ(after, before);

    PROCHD(-1);
    EXPECT_TRUE(fix::same_lines(fix::listing("CAVITY_CAV-1.PROC_HDR"), golden("proc_hdr.txt")));
    lgtpos(after);
    EXPECT_EQ(after, before);
    // The current tool path named by its own id: the walk ends, with the
    // same rows (its level is then the tool path entity's own).
    CLP1[CLP1_TOOLPATH] = 77;
    norak::add_reply(yes_to("FILE CAVITY_CAV-1.PROC_HDR EXISTS. OVERWRITE?"));
    PROCHD(77);
    const auto by_id = lines_of(fix::listing("CAVITY_CAV-1.PROC_HDR")), want = lines_of(golden("proc_hdr.txt"));
    ASSERT_EQ(by_id.size(), want.size());
    for (size_t k = 0; k < want.size(); ++k)
        if (want[k].find("LEVEL=") == std::string::npos) {
            EXPECT_EQ(by_id[k], want[k]) << k;
        }
    CLP1[CLP1_TOOLPATH] = 0;
    lgtpos(after);
    EXPECT_EQ(after, before);

    i32 st = 0;
    TOLTBL(-1, 2, st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(fix::same_lines(fix::listing("CAVITY_CAV-1.TOOLS_LIST"), golden("tools_list.txt")));
    lgtpos(after);
    EXPECT_EQ(after, before);
    for (const auto& l : norak::transcript()) EXPECT_EQ(l.find("internal:"), std::string::npos) << l;
    // The slot is released: a second list names the same tools once each.
    norak::add_reply(yes_to("FILE CAVITY_CAV-1.TOOLS_LIST EXISTS. OVERWRITE?"));
    TOLTBL(-1, 2, st);
    EXPECT_TRUE(fix::same_lines(fix::listing("CAVITY_CAV-1.TOOLS_LIST"), golden("tools_list.txt")));
}

TEST(ProcList, FailuresAreReportedAndLeaveNoFileOpen)
{
    three_procedures();
    // More procedure blocks than the tool path counts: the walk stops there.
    PRCTAB.count = 2;
    PROCTL(-1, 2);
    EXPECT_TRUE(norak::transcript_has("internal: PROCTL, ERRORS IN LIST"));
    EXPECT_EQ(norak::transcript_count("host: segrun"), 2u);  // procedures 1 and 2
    i32 unit = -1;
    ofgunt(unit);
    EXPECT_EQ(unit, 0);  // closed
    const auto lines = lines_of(fix::listing("CAVITY_CAV-1.PROC_LIST"));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "  PROCEDURE NUMBER = 2"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "  PROCEDURE NUMBER = 3"), 1);
    EXPECT_NE(lines.back(), "END OF TOOL PATH");

    // The user does not let the old listing be overwritten: it stays as it
    // was, and no listing is given out.
    {
        const std::string old = fix::listing("CAVITY_CAV-1.PROC_LIST");
        norak::Reply no = yes_to("FILE CAVITY_CAV-1.PROC_LIST EXISTS. OVERWRITE?");
        no.answer = "no";
        norak::add_reply(no);
        PRCTAB.count = 3;
        PROCTL(-1, 2);
        EXPECT_EQ(norak::replies_left(), 0u);
        EXPECT_EQ(fix::listing("CAVITY_CAV-1.PROC_LIST"), old);
        EXPECT_FALSE(norak::transcript_has("OUTPUT TO FILE"));
    }

    // A file that cannot be opened.
    PRCTAB.count = 3;
    norak::settings().nc["file_open_fails"] = 1;
    norak::add_reply(yes_to("FILE CAVITY_CAV-1.PROC_LIST EXISTS. OVERWRITE?"));
    PROCTL(-1, 2);
    EXPECT_TRUE(norak::transcript_has("internal: PROCLT, CANNOT OPEN THE FILE"));
    i32 st = 0;
    TOLTBL(-1, 2, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: TOLTBL, CANNOT OPEN THE FILE"));
    PROCHD(-1);
    EXPECT_TRUE(norak::transcript_has("internal: PROCHD, CANNOT OPEN FILE CAVITY_CAV-1.PROC_HDR"));
    norak::settings().nc["file_open_fails"] = 0;

    // Not in a MACSYS view: no file (the header list says so through the
    // error routine).
    norak::settings().view = 0;
    PROCHD(-1);
    TOLTBL(-1, 2, st);
    EXPECT_EQ(norak::transcript_count("internal: NOT IN MACSYS"), 1u);
    EXPECT_EQ(norak::transcript_count("message: NOT IN MACSYS"), 1u);
    EXPECT_EQ(fix::listing("CAVITY_CAV-1.PROC_HDR"), "");
    EXPECT_EQ(fix::listing("CAVITY_CAV-1.TOOLS_LIST"), "");

    // A list position the host will not keep: no list is written.
    three_procedures();
    norak::fail_list_call("lmark", 1);
    TOLTBL(-1, 2, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(fix::listing("CAVITY_CAV-1.TOOLS_LIST"), "");

    // An element of an unknown block type ends the walk as a failed read:
    // the list names the tools found before it, none here.
    three_procedures();
    {
        i32 ans = 0;
        lclos();
        ltop();
        lacces(2, ans);
        lcreat(0, st);
        const i32 odd[2] = {999, 0};
        TPPUT(MED_LIST, 2, DT_INT, odd, st);
        lclos();
        ASSERT_EQ(st, 0);
    }
    TOLTBL(-1, 2, st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(norak::transcript_has("internal: PLSUPR - ILLEGAL BLOCK TYPE999"));
    EXPECT_NE(fix::listing("CAVITY_CAV-1.TOOLS_LIST").find("NUMBER OF TOOLS = 0"), std::string::npos);

    // A block between the procedures that cannot be read is a list error,
    // not the end of the list: the listing is not given out as complete.
    // (A motion first, where the search for the tool's next position stops.)
    three_procedures();
    {
        auto& main = norak::main_list().elems;
        norak::Element motion;
        motion.code = main[1].sub->elems.back().code;
        motion.words = main[1].sub->elems.back().words;
        main.insert(main.begin() + 2, norak::Element{});
        main.insert(main.begin() + 2, std::move(motion));
    }
    PROCTL(-1, 2);
    EXPECT_TRUE(norak::transcript_has("internal: PROCTL, ERRORS IN LIST"));
    EXPECT_FALSE(norak::transcript_has("OUTPUT TO FILE"));
    EXPECT_EQ(norak::transcript_count("host: segrun"), 1u);

    // A list without its header block is in error.
    three_procedures();
    i32 answer = 0;
    lclos();
    lacces(2, answer);
    ldelet(1, st);
    ASSERT_EQ(st, 0);
    PROCTL(-1, 2);
    EXPECT_TRUE(norak::transcript_has("internal: PROCTL, ERRORS IN LIST"));
    EXPECT_FALSE(norak::transcript_has("host: segrun"));

    // A list access refused anywhere: a listing given out ("OUTPUT TO
    // FILE") holds every procedure; the walk's first access and its step on
    // from a listed procedure fail it as a list error, never as an empty
    // list or the list's end.
    for (i32 n = 1; n < 1000; ++n) {
        three_procedures();
        norak::fail_list_call("lacces", n);
        PROCTL(-1, 2);
        norak::fail_list_call("lacces", 0);
        if (!norak::transcript_has("list: lacces refused")) break;
        if (!norak::transcript_has("OUTPUT TO FILE")) continue;
        const auto lines = lines_of(fix::listing("CAVITY_CAV-1.PROC_LIST"));
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const std::string& l) { return l.find("PROCEDURE NUMBER = ") != std::string::npos; }),
                  3)
            << n;
    }
}

TEST(ProcList, AStoredToolPathListsItsOwnProcedureTypesAndNestsSubToolPaths)
{
    three_procedures();
    norak::set_segrun(9, print_module);
    norak::set_segrun(10, print_module);
    norak::set_segrun(28, print_module);
    // The current tool path's table says GO (listless) at position 1 and
    // surface milling at 2: the stored tool path's own types are the other
    // way round.
    const i32 a = stored_procedure(4, 10, "BACK", {FLAT});
    const i32 b = stored_procedure(5, 28, "FINISH", {BALL});
    const i32 inner = norak::add_toolpath_entity(stored_header("INNER"), {{1, b}});
    const i32 tp = norak::add_toolpath_entity(stored_header("OUTER"), {{1, a}, {1, b}, {2, inner}});
    norak::entities()[tp].attrs["VN"] = 1;
    PRCTAB.type[1] = 9;
    PRCTAB.type[2] = 10;
    const size_t from = norak::transcript().size();
    PROCTL(tp, 1);
    EXPECT_EQ(since(from, "host: segrun 9"), 0u);
    EXPECT_EQ(since(from, "host: segrun 10"), 0u);
    // Procedure 5 in the outer tool path and again in the inner one, both
    // in the one file: the nested listing opens nothing.
    EXPECT_EQ(since(from, "host: segrun 28"), 2u);
    EXPECT_EQ(since(from, "prompt: W R I T I N G"), 1u);
    EXPECT_EQ(since(from, "message: OUTPUT TO FILE"), 1u);
    EXPECT_EQ(since(from, "internal:"), 0u);
    const auto lines = lines_of(fix::listing("CAVITY_CAV-1.PROC_LIST"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "  MODULE 28 PRINT MODE 1"), 2);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "  TOOL PATH NAME  : \"INNER     \" "), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "END OF TOOL PATH"), 1);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "END OF TOOL PATH");

    // A tool path that names itself as its sub-tool-path ends, with the
    // file closed.
    norak::add_reply(yes_to("FILE CAVITY_CAV-1.PROC_LIST EXISTS. OVERWRITE?"));
    const i32 self = norak::add_toolpath_entity(stored_header("SELF"), {{1, b}});
    norak::add_toolpath_entity(stored_header("SELF"), {});
    // (the entries of an entity are fixed at its creation: make it name itself)
    const i32 loop = norak::add_toolpath_entity(stored_header("LOOP"), {{1, b}, {2, self + 2}});
    ASSERT_EQ(loop, self + 2);
    PROCTL(loop, 1);
    i32 unit = -1;
    ofgunt(unit);
    EXPECT_EQ(unit, 0);
    EXPECT_TRUE(norak::transcript_has("internal: PROCTL, ERRORS  IN OPENNING ENTITY"));

    // Not a tool path entity.
    norak::add_reply(yes_to("FILE CAVITY_CAV-1.PROC_LIST EXISTS. OVERWRITE?"));
    const size_t again = norak::transcript().size();
    PROCTL(a, 1);
    EXPECT_EQ(since(again, "internal: PROCTL, ERRORS  IN OPENNING ENTITY"), 1u);
}

TEST(ToolList, AStoredToolPathNamesTheToolsOfItsTechnologyBlocks)
{
    three_procedures();
    // The current tool path's table would name tool ids 9 and 10 at these
    // positions: the list names the blocks' own tools.
    const i32 a = stored_procedure(1, 9, "ONE", {FLAT, FLAT});
    const i32 b = stored_procedure(2, 9, "TWO", {BALL, FLAT});
    const i32 tp = norak::add_toolpath_entity(stored_header("STORED"), {{1, a}, {4, 999}, {1, b}});
    norak::entities()[tp].attrs["VN"] = 1;
    i32 st = 0;
    TOLTBL(tp, 1, st);
    EXPECT_EQ(st, 0);
    const auto lines = lines_of(fix::listing("CAVITY_CAV-1.TOOLS_LIST"));
    auto at = std::find(lines.begin(), lines.end(), "             ----------");
    ASSERT_NE(at, lines.end());
    ASSERT_GT(lines.end() - at, 3);
    EXPECT_EQ(at[1], "             FLAT 8              ");
    EXPECT_EQ(at[2], "             BALL 10             ");
    EXPECT_EQ(at[3], " ");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "             TOOL PATH NAME: \"STORED  \""), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "             NUMBER OF TOOLS = 2"), lines.end());

    // A movement that is not a movement entity ends the collection.
    i32 slot = 1;
    TLSRST(slot);
    const i32 c = stored_procedure(3, 9, "BAD", {BALL});
    norak::entities()[norak::movement_entities()[c]].type = 5;
    const i32 bad = norak::add_toolpath_entity(stored_header("BAD"), {{1, a}, {1, c}});
    nclist_mvent(bad, slot, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: nclist_ent, NOT A MOVEMENT ENTITY. id = " +
                                      std::to_string(norak::movement_entities()[c])));
    i32 n = 0;
    TLSCNT(slot, n);
    EXPECT_EQ(n, 1);  // FLAT from the first procedure
    reltol(slot, st);
}

TEST(ToolList, StockProceduresAddNoToolsAndAToolPathWithoutToolsHasNone)
{
    three_procedures();
    // A stock procedure whose movements carry a technology block of a third tool.
    i32 st = 0;
    fix::procedure(52, "STOCK", std::array<i32, 6>{2025, 1, 3, 0, 0, 0}.data());
    fix::tech(100, 0, 777);
    CLSSBL(st);
    PRCTAB.count = 4;
    TOLTBL(-1, 2, st);
    auto lines = lines_of(fix::listing("CAVITY_CAV-1.TOOLS_LIST"));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "             NUMBER OF TOOLS = 2"), lines.end());

    // No technology blocks at all.
    norak::reset();
    norak::load_session_text(session(), "prclist");
    norak::start_toolpath();
    std::memcpy(NPT1, "EMPTY   ", 8);
    TOLTBL(-1, 2, st);
    lines = lines_of(fix::listing("CAVITY_EMPTY.TOOLS_LIST"));
    auto at = std::find(lines.begin(), lines.end(), "             NUMBER OF TOOLS = 0");
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(at[3], "             TOOL NAMES");
    EXPECT_EQ(at[5], " ");
}

// The walk of the current tool path: a procedure whose movement lies in a
// procedure entity adds the entity's tools; a procedure block within a
// sub-list that opens nothing is passed (started again, the sub-list would
// be walked without end); a name that cannot be made is the status.
TEST(ToolList, MovementEntitiesAndProceduresWithinSubLists)
{
    three_procedures();
    i32 st = 0;
    // The second procedure's movement held by a procedure entity with a
    // technology block of tool 777.
    const i32 stored = stored_procedure(8, 28, "HELD", {777});
    second_block();
    const i32 zero = 0;
    TPCHNN(AM_LIST, GR_FLAGS, 82, DT_INT, &zero, st);
    ASSERT_EQ(st, 0);
    TPCHNN(AM_LIST, GR_FLAGS, 51, DT_INT, &stored, st);
    ASSERT_EQ(st, 0);
    // A fourth procedure whose sub-list holds a procedure block without a
    // movement of its own.
    i32 answer = 0;
    lclos();
    lacces(3, answer);
    const i32 dt[6] = {2025, 1, 3, 0, 0, 0};
    fix::procedure(9, "OUTER", dt);
    fix::procedure(9, "INNER", dt);
    fix::tech(100, 0, 778);  // in the inner block's sub-list: not reached
    CLSSBL(st);
    TPCHNN(AM_LIST, GR_FLAGS, 82, DT_INT, &zero, st);
    TPCHNN(AM_LIST, GR_FLAGS, 51, DT_INT, &zero, st);
    fix::tech(100, 0, 779);
    CLSSBL(st);
    PRCTAB.count = 4;
    TOLTBL(-1, 2, st);
    EXPECT_EQ(st, 0);
    const auto lines = lines_of(fix::listing("CAVITY_CAV-1.TOOLS_LIST"));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "             NUMBER OF TOOLS = 3"), lines.end());
    i32 n = 0;
    TLSCNT(1, n);
    EXPECT_EQ(n, 0);  // the slot released

    norak::settings().part_file = "";
    TOLTBL(-1, 2, st);
    EXPECT_EQ(st, -3);
}

// A stored entity that is no tool path is not listed as one.
TEST(ProcList, AProcedureEntityIsNoToolPathToList)
{
    three_procedures();
    const i32 proc = stored_procedure(7, 28, "NOT A TP", {BALL});
    PROCTL(proc, 1);
    EXPECT_TRUE(norak::transcript_has("internal: PROCTL, ERRORS  IN OPENNING ENTITY"));
    EXPECT_FALSE(norak::transcript_has("host: segrun"));
}

// The n-th procedure block forward: found, or past the end with a message
// only when n was positive; n = 0 stays.
TEST(ProcDisplay, TheNthBlockOfAClassIsCountedForward)
{
    struct Case {
        i32 n, status;
        bool message;
    };
    for (const Case c : {Case{0, 0, false}, Case{2, 0, false}, Case{3, 0, false}, Case{-4, -1, false},
                         Case{4, -1, true}}) {
        three_procedures();
        i32 answer = 0;
        lclos();
        ltop();
        lacces(2, answer);
        i32 st = 9;
        NXTCNT(BC_PROC, c.n, st);
        EXPECT_EQ(st, c.status) << c.n;
        EXPECT_EQ(norak::transcript_has("internal: NXTCNT, ERROR IN LIST"), c.message) << c.n;
        if (c.status == 0 && c.n > 0) {
            i32 size = 0, type = 0, cls = 0;
            TPBLKH(3, size, type, cls, st);
            EXPECT_EQ(type, BT_PROC) << c.n;
        }
    }
}

// The routines that read the procedure block under the cursor refuse any
// other block, each with its own message.
TEST(ProcDisplay, BlocksThatAreNoProcedureAreRefused)
{
    three_procedures();
    i32 answer = 0;
    lclos();
    ltop();
    lacces(2, answer);  // the tool path's header
    f32 p[3], a[3], np[3], na[3];
    i32 top = 0, end = 0;
    const std::pair<const char*, std::function<void(i32&)>> calls[] = {
        {"PRCPOS, CURRENT BLOCK IS NOT A PROCEDURE DEFINITION BLOCK", [&](i32& s) { PRCPOS(p, a, np, na, s); }},
        {"GETPOS, THE CURRENT BLOCK IS NOT A PROCEDURE DEFINITION BLOCK",
         [&](i32& s) { GETPOS(p, a, top, np, na, end, s); }},
        {"UPDCMC-THE CURRENT BLOCK IS NOT A PROCEDURE", [&](i32& s) { UPDCMC(s); }},
        {"DSPROC,THE CURRENT BLOCK IS NOT A PROCEDURE", [&](i32& s) { DSPROC(2, s); }},
    };
    for (const auto& [message, call] : calls) {
        i32 st = 0;
        call(st);
        EXPECT_EQ(st, -1) << message;
        EXPECT_TRUE(norak::transcript_has(std::string("internal: ") + message)) << message;
    }
}

// The frequent-backup switch and the passes between backups go into the
// procedure block as integers and come back into "UPW2" as its reals; a
// block written before the switch was kept (0) reads as off.
TEST(ProcDisplay, TheFrequentBackupWordsComeBackFromTheProcedureBlock)
{
    struct Case {
        f32 written, passes, read;
    };
    for (const Case c : {Case{2.0f, 7.0f, 2.0f}, Case{1.0f, 3.0f, 1.0f}, Case{0.0f, 0.0f, 1.0f}}) {
        fix::fresh_session(session());
        i32 st = 0, answer = 0;
        lacces(3, answer);
        UPW2[UPW2_SWITCH] = r2wrd(c.written);
        UPW2[UPW2_PASSES] = r2wrd(c.passes);
        HEI8[HEI8_AXIS] = 3;
        const i32 dt[6] = {2025, 1, 3, 0, 0, 0};
        fix::procedure(9, "BACKUP", dt);
        CLSSBL(st);
        UPW2[UPW2_SWITCH] = UPW2[UPW2_PASSES] = r2wrd(9.0f);
        HEI8[HEI8_AXIS] = 0;
        CURCOM(0, 0, 0, 1, 1, 1, st);
        EXPECT_EQ(st, 0) << c.written;
        EXPECT_EQ(wrd2r(UPW2[UPW2_SWITCH]), c.read) << c.written;
        EXPECT_EQ(wrd2r(UPW2[UPW2_PASSES]), c.passes) << c.written;
        EXPECT_EQ(HEI8[HEI8_AXIS], 3) << c.written;  // with the heights
    }
}

// A procedure redrawn: the sub-lists within it are entered by the display
// of their procedure blocks and left at their end, every block shown, and
// the list is back at the procedure's level.
TEST(ProcDisplay, SubListsWithinAProcedureAreShownAndLeft)
{
    three_procedures();
    i32 st = 0, answer = 0;
    lclos();
    lacces(3, answer);
    const i32 dt[6] = {2025, 1, 3, 0, 0, 0};
    fix::procedure(9, "OUTER", dt);
    fix::line(2, {0, 0, 5});
    fix::procedure(9, "INNER", dt);
    fix::line(2, {5, 0, 5});
    fix::line(2, {5, 5, 5});
    CLSSBL(st);
    fix::line(2, {0, 5, 5});
    CLSSBL(st);
    i32 level = 0;
    gtlstn(1, level);
    ASSERT_EQ(level, 1);
    PRCTAB.count = 4;
    PRCTAB.type[4] = 9;
    PRCTAB.number[4] = 4;
    const i32 before = norak::blocks_displayed();
    DSPROC(1, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::blocks_displayed() - before, 5);  // two lines, the inner block and its two lines
    gtlstn(1, level);
    EXPECT_EQ(level, 1);
    EXPECT_FALSE(norak::transcript_has("ERROR IN LIST"));

    // The position before a procedure: a place the host will not keep is
    // a failure said.
    second_block();
    norak::fail_list_call("lmark", 1);
    f32 p[3], a[3], np[3], na[3];
    i32 top = 0, end = 0;
    GETPOS(p, a, top, np, na, end, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: GETPOS, CANNOT SET A MARKER"));

    // A list access refused anywhere on the way, in either walk, is a
    // failure, never the top or the end of the list; after a refusal within
    // the walks the list is back on the procedure.
    i32 walks = 0;
    for (i32 n = 1; n <= 64; ++n) {
        second_block();
        const size_t seen = norak::transcript_count("list: lacces refused");
        const size_t said = norak::transcript_count("internal: GETPOS, ERRORS IN LIST");
        norak::fail_list_call("lacces", n);
        GETPOS(p, a, top, np, na, end, st);
        norak::fail_list_call("lacces", 0);
        if (norak::transcript_count("list: lacces refused") == seen) {  // past GETPOS's last access
            EXPECT_EQ(st, 0) << n;
            EXPECT_EQ(top + end, 0) << n;
            break;
        }
        EXPECT_EQ(st, -1) << n;
        if (norak::transcript_count("internal: GETPOS, ERRORS IN LIST") > said) {
            ++walks;
            i32 at = 0;
            lgtpos(at);
            EXPECT_EQ(at, 3) << n;
        }
    }
    EXPECT_GE(walks, 2);
}

// A procedure redrawn after a display that ended on a rapid (the display
// record holding the rapid's font, colour and pen): its two cuts are drawn
// with the feed font and the procedure's colour, its rapids with the
// rapid's font, as when it was first shown; drawn again, alike.
TEST(ProcDisplay, ARedrawAfterARapidDrawsTheCutsAsCuts)
{
    three_procedures();
    i32 st = 0, answer = 0;
    lclos();
    lacces(3, answer);
    const i32 dt[6] = {2025, 1, 3, 0, 0, 0};
    fix::procedure(9, "REDRAWN", dt);
    fix::tech(1, -1.0f);
    fix::line(2, {0, 0, 5});
    fix::tech(1, 800.0f);
    fix::line(2, {10, 0, 5});
    fix::line(2, {10, 10, 5});
    fix::tech(1, -1.0f);
    fix::line(2, {10, 10, 20});
    CLSSBL(st);
    PRCTAB.count = 4;
    PRCTAB.type[4] = 9;
    PRCTAB.number[4] = 4;
    for (i32 pass = 0; pass < 2; ++pass) {
        DSP8[DSP8_FONT] = 5, DSP8[DSP8_COLOUR] = 2, DSP8[DSP8_PEN] = 3;
        DSPROC(1, st);
        ASSERT_EQ(st, 0);
        i32 cuts = 0, rapids = 0;
        for (const auto& b : norak::display_blocks()) {
            if (b.strokes.empty()) continue;  // the first rapid of the first pass places the pen
            if (b.font == 4) {
                ++cuts;
                EXPECT_NE(b.colour, 2) << pass;
            } else {
                ++rapids;
                EXPECT_EQ(b.font, 5) << pass;
            }
        }
        EXPECT_EQ(cuts, 2) << pass;
        EXPECT_GE(rapids, 1) << pass;
        lacces(0, answer);
    }
}

// The parameters of a procedure kept by the host come with its tool: a tool
// that cannot be loaded fails the load with the loader's own status, or -11
// when a template is read.
TEST(ProcDisplay, AToolThatCannotBeLoadedFailsTheParameterLoad)
{
    three_procedures();
    norak::Entity bad;
    bad.id = 300;
    bad.cls = 20;
    bad.type = 2;
    bad.words = {700, 2};  // a tool entity without its header
    norak::add_entity(bad);
    i32 st = 0, block[478] = {};
    EDA2[EDA2_HELD] = 1;
    WRREC("EDA2", RK_TEXT, EDA2, EDA2_N, st);
    struct Case {
        i32 tool, mode, status;
    };
    for (const Case c : {Case{300, 1, -2}, Case{300, 3, -11}, Case{999, 1, -1}, Case{BALL, 1, 0}}) {
        PRM9[PRM9_TOOL] = c.tool;
        EDA2IO(c.mode, "TV27", 478, block, nullptr, st);
        EXPECT_EQ(st, c.status) << c.tool << " " << c.mode;
    }
}

namespace {
i32 READ[5];  // medium, type, version, below-515 flag and count the block reader was given
void reader(const i32& medium, const i32& type, const i32& version, const i32& old515, i32& remaining, i32& status)
{
    const i32 got[5] = {medium, type, version, old515, remaining};
    std::memcpy(READ, got, sizeof got);
    status = 0;
}
}  // namespace

// A stored procedure opened: read from the list, or from the host's
// entities when the host keeps it for another tool path; a procedure the
// host cannot read stops the reading.
TEST(ProcInfo, AStoredProcedureIsReadFromItsMedium)
{
    three_procedures();
    second_block();
    EDA2[EDA2_HELD] = 0;
    i32 oldver = -1, st = 5;
    std::fill(std::begin(READ), std::end(READ), -9);
    RDPINF(reader, 1, oldver, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(READ[0], 2);
    EXPECT_EQ(READ[1], 28);

    // Kept by the host for a stored tool path only: its entity.
    const i32 held = stored_procedure(6, 28, "HELD", {BALL});
    const i32 params[3] = {7, 8, 9};
    i32 lid = 0, n = 3;
    dbd_lclprm(3, held, lid, const_cast<i32*>(params), n, st);
    ASSERT_EQ(st, 0);
    norak::add_toolpath_entity(stored_header("OTHER"), {{1, held}});
    i32 id = held;
    gs_proc_id(2, id);
    EDA2[EDA2_HELD] = 1;
    std::fill(std::begin(READ), std::end(READ), -9);
    RDPINF(reader, 1, oldver, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(READ[0], 1);
    EXPECT_EQ(READ[4], 3);
    EXPECT_EQ(norak::open_entity(), 0);  // closed after the reading

    const i32 gone = 99999;
    norak::add_toolpath_entity(stored_header("GONE"), {{1, gone}});
    id = gone;
    gs_proc_id(2, id);
    std::fill(std::begin(READ), std::end(READ), -9);
    RDPINF(reader, 1, oldver, st);
    EXPECT_LT(st, 0);
    EXPECT_EQ(READ[0], -9);  // the block reader never ran
    EDA2[EDA2_HELD] = 0;
}

namespace {
void add_mask(i32 kind, i32 level, i32 colour, i32 font, i32 pen)
{
    const i32 mask[5] = {0, level, colour, font, pen};
    i32 st = 0;
    nc_geomsk_lst_add(kind, mask, st);
    ASSERT_EQ(st, 0);
}

// The module run in criteria-list mode: its procedure number from "EDA2",
// as the driver takes it.
void criteria_module(i32 code)
{
    DRVST.proc = EDA2[EDA2_PROC];
    proc_criteria_list(code);
}

// The criteria report of procedure `proc` named `name` with the class flags.
void report(const i32 (&flags)[5], i32 proc, const char* name)
{
    CRTFLG(flags);
    DRVST.proc = proc;
    i32 st = 0;
    criteria_list(name, st);
    EXPECT_EQ(st, 0);
}
}  // namespace

TEST(CriteriaList, TheProcedureAndTheToolPathReportsMatchTheGoldenFiles)
{
    three_procedures();
    InTempDir tmp;
    ASSERT_FALSE(tmp.dir.empty());
    // Part surfaces by two masks, active; check surfaces by none and none
    // picked; closed contours flagged, picked by hand.
    add_mask(0, -1, -1, -1, -1);
    add_mask(0, 3, 5, -1, 2);
    i32 on = 1;
    active_mask_gs(0, 2, on);
    add_mask(2, 7, -1, 1, -1);
    report({1, 1, 1, 0, 0}, 7, "SrfMil");
    i32 st = 0;
    EXPECT_TRUE(fix::same_lines(tmp.file("CAVITY_CAV-1.srfmil07.crit_list"), golden("crit_proc.txt")));
    EXPECT_TRUE(norak::transcript_has("CAVITY_CAV-1.srfmil07.crit_list"));
    DRVST.proc = 12;
    criteria_list("ab", st);
    EXPECT_FALSE(tmp.file("CAVITY_CAV-1.ab12.crit_list").empty());

    // The whole tool path: each procedure's module appends its block.
    norak::set_segrun(9, criteria_module);
    norak::set_segrun(28, criteria_module);
    DRVST.proc = 3;
    tp_criteria_list(st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(fix::same_lines(tmp.file("CAVITY_CAV-1.CRIT_LIST"), golden("crit_tp.txt")));
    i32 mode = -1;
    tp_crit_list_gs(1, mode);
    EXPECT_EQ(mode, 0);
    // Each procedure's run had the open file while it appended; after each
    // run the request record is reset and stored (the walk here ending on
    // one that runs).
    EXPECT_EQ(norak::transcript_count("host: criteria list file open"), 2u);
    EXPECT_EQ(norak::transcript_count("host: criteria list file closed"), 2u);
    PRCTAB.count = 2;
    tp_criteria_list(st);
    EXPECT_EQ(st, 0);
    i32 eda2[EDA2_N], n = EDA2_N;
    mdgetn("EDA2", eda2, n, st);
    ASSERT_EQ(st, 0);
    for (i32 k = 0; k < EDA2_N; ++k) {
        EXPECT_EQ(EDA2[k], k == 1 || k == 2 || k == 5 ? -1 : 0) << k;
        EXPECT_EQ(eda2[k], EDA2[k]) << k;
    }

    // Nothing flagged: no file.
    const i32 none[5] = {0, 0, 0, 0, 0};
    CRTFLG(none);
    DRVST.proc = 8;
    criteria_list("ab", st);
    EXPECT_TRUE(tmp.file("CAVITY_CAV-1.ab08.crit_list").empty());
    // No running report: its append is refused.
    proc_criteria_list(9);
    EXPECT_TRUE(norak::transcript_has("internal: proc_criteria_list, CANNOT OPEN THE FILE"));
}

TEST(CriteriaList, DrillPointsWithoutAMaskAreManualWhenTheHostKeepsSome)
{
    for (i32 points : {0, 3}) {
        three_procedures();
        InTempDir tmp;
        ASSERT_FALSE(tmp.dir.empty());
        norak::settings().nc["drill_points"] = points;
        report({0, 0, 0, 0, 1}, 7, "ab");
        EXPECT_NE(tmp.file("CAVITY_CAV-1.ab07.crit_list")
                      .find(points > 0 ? "| DRILL POINTS |    MANUAL" : "| DRILL POINTS |    NOT DEFINED"),
                  std::string::npos)
            << points;
    }
}

TEST(CriteriaList, EntryRowsShowAllActiveOrTheValues)
{
    struct Case {
        i32 colour, font, pen, mode;
        const char* level;
        const char* row;
    };
    const Case cases[] = {
        {17, 9, 9, 1, "", "    ENTIRE MODEL"},
        {3, 1, 2, 4, "L3", " ACTIVE|   3   |   1   |   2   |"},  // the active level
        {17, 9, 2, 1, "", "  ALL  |  ALL  |  ALL  |   2   |"},
        {12, 9, 9, 0, "TOP", "    TOP|  12   |  ALL  |  ALL  |"},
    };
    for (const Case& c : cases) EXPECT_EQ(CRTROW(c.colour, c.font, c.pen, c.level, c.mode), c.row) << c.row;
}

TEST(ProcList, TheHeaderListOfAStoredToolPathRulesEachEntry)
{
    three_procedures();
    const i32 a = stored_procedure(4, 9, "STORED", {FLAT});
    const i32 movement = norak::movement_entities()[a];
    const i32 inner = norak::add_toolpath_entity(stored_header("INNER"), {{1, a}});
    const i32 tp = norak::add_toolpath_entity(stored_header("OUTER"),
                                              {{1, a}, {4, movement}, {10, movement}, {2, inner}, {7, 5}});
    norak::entities()[tp].attrs["VN"] = 1;
    PROCHD(tp);
    auto lines = lines_of(fix::listing("CAVITY_CAV-1.PROC_HDR"));
    const std::string dbl = "|" + std::string(74, '=') + "|", sgl = "|" + std::string(74, '-') + "|",
                      col = "|------------------------|------------------------|------------------------|";
    std::vector<std::string> rules;
    for (const auto& l : lines)
        if (l == dbl || l == sgl || l == col) rules.push_back(l == dbl ? "=" : l == sgl ? "-" : "c");
    // Outer header (the printer's rule above its row, the walker's below),
    // procedure, movement, movement of the second kind, the inner tool
    // path's header and its procedure.
    EXPECT_EQ(rules, (std::vector<std::string>{"=", "=", "c", "-", "=", "=", "=", "c"}));
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()), std::vector<std::string>(4, " "));
    EXPECT_FALSE(norak::transcript_has("internal:"));

    // An entity that is not a tool path: the head lines and nothing of it.
    norak::add_reply(yes_to("FILE CAVITY_CAV-1.PROC_HDR EXISTS. OVERWRITE?"));
    const i32 other = norak::add_toolpath_entity(stored_header("OTHER"), {{1, a}});
    norak::entities()[other].type = 8;
    norak::entities()[other].attrs["VN"] = 1;
    PROCHD(other);
    EXPECT_TRUE(norak::transcript_has("internal: proch1_ent, NOT A TOOL PATH ENTITY. id = " + std::to_string(other)));
    lines = lines_of(fix::listing("CAVITY_CAV-1.PROC_HDR"));
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l[0] == '|'; }), 0);
    // An entry that is not a procedure stops the walk.
    norak::add_reply(yes_to("FILE CAVITY_CAV-1.PROC_HDR EXISTS. OVERWRITE?"));
    const i32 bad = norak::add_toolpath_entity(stored_header("BAD"), {{1, movement}, {1, a}});
    norak::entities()[bad].attrs["VN"] = 1;
    PROCHD(bad);
    EXPECT_TRUE(norak::transcript_has("internal: proch1_ent, NOT A PROCEDURE ENTITY. id = " + std::to_string(movement)));
    // A movement that cannot be opened ends the walk too: the procedure after
    // it is not listed. The walker still ends with status 0.
    norak::add_reply(yes_to("FILE CAVITY_CAV-1.PROC_HDR EXISTS. OVERWRITE?"));
    const i32 lost = norak::add_toolpath_entity(stored_header("LOST"), {{4, a}, {1, a}});
    norak::entities()[lost].attrs["VN"] = 1;
    PROCHD(lost);
    EXPECT_TRUE(norak::transcript_has("internal: proch1_ent, PROBLEMS IN OPENNING ENTITY"));
    lines = lines_of(fix::listing("CAVITY_CAV-1.PROC_HDR"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), col), 0);
    for (const i32 id : {lost, bad, other}) {
        i32 st = 5;
        PRCHLW(id, 77, 1.0f, st);
        EXPECT_EQ(st, 0) << id;
    }
}

// A stored tool path's procedure is taken over from its own entity: the
// current tool path's row at its position (here an interrupted, blanked,
// commented procedure) lends it nothing.
struct TakenOver {
    i32 eda2[EDA2_N];
    char comment[24];
    char column[20];
};
std::vector<TakenOver>& taken() { static std::vector<TakenOver> t; return t; }

TEST(ProcList, AStoredProcedureTakesNothingFromTheCurrentTables)
{
    three_procedures();
    taken().clear();
    norak::set_segrun(28, [](i32) {
        TakenOver t{};
        std::memcpy(t.eda2, EDA2, sizeof t.eda2);
        GSTXT1(1, t.comment);
        std::memcpy(t.column, PRCSTT, 19);
        taken().push_back(t);
    });
    std::strcpy(PRCTAB.comment[1], "ROUGHING AGAIN");
    PRCTAB.state[1] = 3;
    PRCTAB.blank[1] = 2;
    PRCTAB.table[1] = 77;
    PRCTAB.gflag[1] = 1;
    const i32 b = stored_procedure(5, 28, "FINISH", {BALL});
    const i32 tp = norak::add_toolpath_entity(stored_header("OUTER"), {{1, b}});
    norak::entities()[tp].attrs["VN"] = 1;
    PROCTL(tp, 1);
    ASSERT_EQ(taken().size(), 1u);
    const TakenOver& t = taken()[0];
    EXPECT_EQ(t.eda2[EDA2_PROC], b);  // the host knows a stored procedure by its id
    EXPECT_EQ(t.eda2[EDA2_TABLE], -1);
    for (i32 k = EDA2_SUSPST; k <= EDA2_BLANK; ++k) EXPECT_EQ(t.eda2[k], 0) << k;
    EXPECT_EQ(std::string(t.comment, 20), "FINISH              ");
    EXPECT_EQ(std::string(t.column, 19), "-----              ");
}

TEST(ProcList, TheTakeOverOfAProcedureFillsTheRequestRecord)
{
    three_procedures();
    i32 st = 0;
    second_block();
    PRCTAB.state[2] = 4;
    PRCTAB.blank[2] = 2;
    PRCTAB.table[2] = 77;
    std::strcpy(PRCTAB.comment[2], "FLOOR AGAIN");
    updtcm(1, -1, 2, 2, 1, 1, 0, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(EDA2[EDA2_OPENED], 1);
    EXPECT_EQ(EDA2[EDA2_PROC], 2);
    EXPECT_EQ(EDA2[EDA2_LIST], 1);
    EXPECT_EQ(EDA2[EDA2_HELD], 1);
    EXPECT_EQ(EDA2[EDA2_TABLE], 77);
    EXPECT_EQ(EDA2[EDA2_SUSPST], 1);  // state 4: suspended
    EXPECT_EQ(EDA2[EDA2_INTR], 0);
    EXPECT_EQ(EDA2[EDA2_BLANK], 1);
    EXPECT_EQ(EDA2[EDA2_SUSP], 1);
    EXPECT_EQ(EDA2[EDA2_NOQUEST], 0);
    char text[24] = {0};
    GSTXT1(1, text);
    EXPECT_EQ(std::string(text), "FLOOR AGAIN         ");
    // The tool axis before the procedure, twice.
    EXPECT_EQ(std::memcmp(DSP8 + 3, DSP8 + 6, 3 * sizeof(i32)), 0);
    i32 stored[EDA2_N] = {0};
    RDREC("EDA2", stored, EDA2_N, st);
    EXPECT_EQ(stored[EDA2_SUSPST], 1);
    PRCTAB.state[2] = 2;
    updtcm(1, -1, 2, 2, 1, 0, 1, st);
    EXPECT_EQ(EDA2[EDA2_SUSPST], 1);
    EXPECT_EQ(EDA2[EDA2_NOQUEST], 1);
    PRCTAB.state[2] = 3;
    updtcm(1, -1, 2, 2, 1, 0, 0, st);
    EXPECT_EQ(EDA2[EDA2_SUSPST], 0);
    EXPECT_EQ(EDA2[EDA2_INTR], 1);
    // The menus' status text is the procedure's list column, terminated.
    PRCTAB.gflag[2] = 1;
    std::memset(PRCSTT, 'x', sizeof PRCSTT);
    updtcm(1, -1, 2, 2, 1, 0, 0, st);
    char column[20] = {0};
    PRCCLW(2, column);
    EXPECT_EQ(std::string(PRCSTT), std::string(column, 19));
    EXPECT_EQ(PRCSTT[1], 'G');
}

// The take-over stops at the first read that fails, with its status, and
// takes nothing over; outside the tables the number is the block's own.
TEST(ProcList, TheTakeOverStopsAtAFailingReadAndNumbersFromTheBlock)
{
    three_procedures();
    i32 st = 0;
    second_block();
    i32 number = 0, count = 1;
    TPGETN(AM_LIST, GR_LEAD, 33, count, DT_INT, &number, st);
    ASSERT_EQ(st, 0);
    EDA2[EDA2_OPENED] = 0;
    // The state words of a procedure taken over before it do not stay.
    for (i32 k = EDA2_TABLE; k <= EDA2_BLANK; ++k) EDA2[k] = 1;
    updtcm(1, -1, 0, 2, 1, 0, 0, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(EDA2[EDA2_PROC], number);
    EXPECT_EQ(EDA2[EDA2_TABLE], -1);
    for (i32 k = EDA2_SUSPST; k <= EDA2_BLANK; ++k) EXPECT_EQ(EDA2[k], 0) << k;

    // The block loses its item 35.
    second_block();
    i32 pos = 0;
    PLFNDH(GR_GLOBAL, 35, pos, st);
    ASSERT_EQ(st, 0);
    auto& l = norak::current_list();
    l.elems[l.cur - 1].words[static_cast<size_t>(pos)] = 9935;
    EDA2[EDA2_OPENED] = 0;
    updtcm(1, -1, 2, 2, 1, 0, 0, st);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("PLFIND, INFINITE LOOP"));
    EXPECT_EQ(EDA2[EDA2_OPENED], 0);
}

// A refused store of the request record or a machining-parameter block that
// cannot be read ends the take-over with a failure, not with status 0.
TEST(ProcList, TheTakeOverFailsWhenTheRequestRecordOrTheMachiningParametersFail)
{
    three_procedures();
    i32 st = 0;
    second_block();
    // The record set stores "EDA2" first; the second store is the filled one.
    norak::refuse_record_store("EDA2", 2);
    updtcm(1, -1, 2, 2, 1, 0, 0, st);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("record: mdputn EDA2 refused"));

    // Item 59, the first word of the machining parameters, claims more words
    // than it holds.
    second_block();
    i32 pos = 0;
    PLFNDH(GR_GLOBAL, 59, pos, st);
    ASSERT_EQ(st, 0);
    auto& l = norak::current_list();
    auto& words = l.elems[l.cur - 1].words;
    words[static_cast<size_t>(pos) + 1] = 99;
    updtcm(1, -1, 2, 2, 1, 0, 0, st);
    EXPECT_EQ(st, 0);  // host-kept: the machining parameters are not read
    second_block();
    updtcm(1, -1, 2, 2, 0, 0, 0, st);
    EXPECT_LT(st, 0);
}

TEST(ProcList, TheTakeOverSavesTheRecordSetOnlyWhileItsSwitchIsOn)
{
    three_procedures();
    i32 st = 0;
    second_block();
    PRM9[5] = 4321;
    UPDFLG(0);
    updtcm(1, -1, 2, 2, 1, 0, 0, st);
    EXPECT_EQ(st, 0);
    i32 stored[PRM9_N] = {0};
    RDREC("PRM9", stored, PRM9_N, st);
    EXPECT_NE(stored[5], 4321);
    i32 eda2[EDA2_N] = {0};
    RDREC("EDA2", eda2, EDA2_N, st);
    EXPECT_EQ(eda2[EDA2_OPENED], 1);  // the request record is written all the same
    UPDFLG(1);
    second_block();
    updtcm(1, -1, 2, 2, 1, 0, 0, st);
    RDREC("PRM9", stored, PRM9_N, st);
    EXPECT_EQ(stored[5], 4321);
}

TEST(ProcList, TheTakeOverRefreshesTheMachineFrameAndTheMachineFields)
{
    three_procedures();
    i32 st = 0;
    second_block();
    // Not host-kept: the feed, coolant and tool fields take the machine
    // table the procedure block gave.
    DSM4[0] = r2wrd(-7.0f);
    DSM4[2] = 99;
    DSM4[5] = -99;
    updtcm(1, -1, 2, 2, 0, 0, 0, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(DSM4[2], PRM9[9]);
    EXPECT_EQ(DSM4[5], PRM9[11]);
    EXPECT_EQ(wrd2r(DSM4[0]), wrd2r(PRM9[0]));
    // Host-kept (a listing in print mode): the fields stay.
    DSM4[2] = 99;
    updtcm(1, -1, 2, 2, 1, 0, 0, st);
    EXPECT_EQ(DSM4[2], 99);

    // The frame of the common arguments is the transposed matrix of their
    // view, also in the entity medium, and is saved with the record set.
    const f32 c = 0.6f, s = 0.8f;
    const f32 turned[9] = {c, s, 0, -s, c, 0, 0, 0, 1};
    i32 view = 0;
    trchk(turned, view);
    ASSERT_GT(view, 1);
    NPT1[NPT1_VIEW] = view;
    for (i32 k = 0; k < 9; ++k) NPT1[NPT1_FRAME + k] = r2wrd(5.0f);
    const i32 held = stored_procedure(6, 28, "HELD", {BALL});
    updtcm(1, held, 2, 1, 1, 0, 0, st);
    EXPECT_EQ(st, 0);
    const f32 expect[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
    i32 stored[NPT1_N] = {0};
    RDREC("NPT1", stored, NPT1_N, st);
    for (i32 k = 0; k < 9; ++k) {
        EXPECT_FLOAT_EQ(wrd2r(NPT1[NPT1_FRAME + k]), expect[k]) << k;
        EXPECT_FLOAT_EQ(wrd2r(stored[NPT1_FRAME + k]), expect[k]) << k;
    }
}
