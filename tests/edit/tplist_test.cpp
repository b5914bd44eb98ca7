// The tool path listing "TP_LIST".
#include <algorithm>

#include "edit/report/procinfo.h"
#include "tests/edit/fixture.h"
#include "tests/session_util.h"

TEST(TpList, MatchesTheGoldenFilesInMillimetresAndInches)
{
    for (auto [unit, name] : {std::pair{1.0, "tplist_mm.txt"}, std::pair{25.4, "tplist_in.txt"}}) {
        fix::fresh(unit);
        fix::build();
        NCLIST(-1, 1);
        const std::string got = fix::listing(), want = fix::golden(name);
        ASSERT_FALSE(want.empty()) << name;
        EXPECT_TRUE(fix::same_lines(got, want)) << name;
        EXPECT_TRUE(norak::transcript_has("message: OUTPUT TO FILE FIXPART_TP-A.TP_LIST"));
        EXPECT_FALSE(norak::transcript_has("internal:")) << norak::transcript().back();
    }
}

namespace {
using fix::yes_to;

const char* const OVERWRITE = "FILE FIXPART_TP-A.TP_LIST EXISTS. OVERWRITE?";

// A second tool path: its header with another origin, then a feed and a
// line before any procedure.
void other_toolpath()
{
    auto& h = norak::main_list().elems[0].words;
    for (int k = 0; k < 3; ++k) h[5 + k] = r2wrd(1.0f + k);
    i32 answer = 0, st = 0;
    lacces(3, answer);
    PTBT1V(AM_APPEND, 1, DT_REAL, 0, 450.0f, 0, st);
    const f32 p[3] = {11, 12, 13}, v[3] = {0, 0, 1};
    PTBT2(AM_APPEND, 2, p, v, 0, st);
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}
}  // namespace

TEST(TpList, EachListingStartsFreshAndTwoListingsInARowAreTheSame)
{
    // The second tool path listed alone.
    fix::fresh();
    other_toolpath();
    NCLIST(-1, 1);
    const std::string alone = fix::listing();
    const auto lines = lines_of(alone);
    ASSERT_GT(lines.size(), 25u);
    EXPECT_EQ(lines[22], "   0-     1      MACHINE PARAMS: FEED    = 450.0000 ");
    EXPECT_EQ(lines[24], "   0-     2                     X =    10.0000   Y =    10.0000   Z =    10.0000");

    // The fixture listed twice, then the second tool path after it: the
    // procedure number of the fixture's last procedure is not carried over.
    fix::fresh();
    fix::build();
    norak::add_reply(yes_to(OVERWRITE));
    norak::add_reply(yes_to(OVERWRITE));
    NCLIST(-1, 1);
    const std::string first = fix::listing();
    NCLIST(-1, 1);
    EXPECT_TRUE(fix::same_lines(fix::listing(), first));
    EXPECT_EQ(LSTST.proc, 4);
    fix::fresh();
    other_toolpath();
    LSTST.proc = 4;  // as the fixture's listing left it
    NCLIST(-1, 1);
    EXPECT_TRUE(fix::same_lines(fix::listing(), alone));
    EXPECT_EQ(norak::replies_left(), 0u);
}

TEST(TpList, TheFreshStateTakesTheCurrentHeadersOrigin)
{
    fix::fresh();
    fix::build();
    NCLIST(-1, 1);
    // The UCS block near the end moved the listing origin.
    EXPECT_FLOAT_EQ(LSTST.origin[0], 50.8f);
    EXPECT_NE(LSTST.last, LK_NONE);
    LSTRST();
    EXPECT_EQ(LSTST.proc, 0);
    EXPECT_EQ(LSTST.last, LK_NONE);
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(LSTST.origin[k], fix::ORIGIN[k]) << k;
    // Without a tool path the origin is 0.
    norak::reset();
    norak::settings().tp_open = 0;
    LSTST.origin[1] = 7;
    LSTRST();
    EXPECT_EQ(LSTST.origin[1], 0.0f);
}

TEST(TpList, TheListLeavesTheListPositionAndTheLevelWordsAsTheyWere)
{
    fix::fresh();
    fix::build();
    // The cursor on the tenth block of the first procedure's sub-list.
    i32 answer = 0, st = 0;
    lclos();
    ltop();
    lacces(2, answer);
    for (int k = 0; k < 3; ++k) lacces(1, answer);
    OPNSBL(st);
    lacces(2, answer);
    for (int k = 0; k < 9; ++k) lacces(1, answer);
    i32 level = 0, pos = 0, counter = 0;
    gtlstn(1, level);
    lgtpos(pos);
    gsblkn(1, 2, counter);
    i32 blsk[BLSK_N];
    std::memcpy(blsk, BLSK, sizeof blsk);
    NCLIST(-1, 1);
    i32 level2 = 0, pos2 = 0, counter2 = 0;
    gtlstn(1, level2);
    lgtpos(pos2);
    gsblkn(1, 2, counter2);
    EXPECT_EQ(level2, level);
    EXPECT_EQ(pos2, pos);
    EXPECT_EQ(counter2, counter);
    EXPECT_EQ(std::memcmp(blsk, BLSK, sizeof blsk), 0);
    EXPECT_TRUE(fix::same_lines(fix::listing(), fix::golden("tplist_mm.txt")));
}

TEST(TpList, FailuresLeaveNoFileOrAFileWithItsHeading)
{
    // The file cannot be opened.
    fix::fresh();
    fix::build();
    norak::settings().nc["file_open_fails"] = 1;
    NCLIST(-1, 1);
    EXPECT_TRUE(norak::transcript_has("internal: NCLIST, CANNOT OPEN FILE FIXPART_TP-A.TP_LIST"));
    EXPECT_EQ(norak::text_file("FIXPART_TP-A.TP_LIST"), nullptr);
    EXPECT_FALSE(norak::transcript_has("OUTPUT TO FILE"));

    // The user keeps the file written before.
    norak::settings().nc["file_open_fails"] = 0;
    NCLIST(-1, 1);
    const std::string first = fix::listing();
    norak::Reply no = yes_to(OVERWRITE);
    no.answer = "no";
    norak::add_reply(no);
    LSTST.proc = 77;
    NCLIST(-1, 1);
    EXPECT_EQ(fix::listing(), first);
    EXPECT_EQ(norak::transcript_count("message: OUTPUT TO FILE FIXPART_TP-A.TP_LIST"), 1u);

    // An empty tool path list: the heading, then the file is closed.
    norak::reset();
    norak::load_session_text(fix::session(1.0), "listing");
    std::memcpy(NPT1, "TP-A    ", 8);
    NCLIST(-1, 1);
    EXPECT_TRUE(norak::transcript_has("message: TOOL PATH LIST IS EMPTY"));
    const auto lines = lines_of(fix::listing());
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[6], "   ------           -----------------");
    EXPECT_TRUE(norak::transcript_has("message: OUTPUT TO FILE FIXPART_TP-A.TP_LIST"));

    // No tool path open: nothing at all.
    norak::reset();
    norak::settings().tp_open = 0;
    NCLIST(-1, 1);
    EXPECT_TRUE(norak::transcript().empty());
}

TEST(TpList, ProceduresWithTheirMovementsInAnEntity)
{
    fix::fresh();
    fix::build();
    // The stock procedure's movements moved into a movement entity: the
    // listing prints them from the entity, then the procedure end.
    norak::Entity m;
    m.cls = 9;
    m.type = norak::MOVMNT_TYPE;
    const f32 x = fix::ORIGIN[0] + 2.54f, y = fix::ORIGIN[1], z = fix::ORIGIN[2];
    m.words = {0, 0, 0, 2, 0, 5, 1, 0, 1, 0, r2wrd(250.0f), 5, 2, 1, r2wrd(x), r2wrd(y), r2wrd(z)};
    const i32 movement = norak::add_entity(m);
    norak::movement_entities()[900] = movement;
    i32 answer = 0, st = 0;
    lclos();
    ltop();
    lacces(2, answer);
    for (int k = 0; k < 3; ++k) lacces(1, answer);
    const i32 zero = 0, proc = 900;
    TPCHNN(AM_LIST, GR_FLAGS, 82, DT_INT, &zero, st);
    ASSERT_EQ(st, 0);
    TPCHNN(AM_LIST, GR_FLAGS, 51, DT_INT, &proc, st);
    ASSERT_EQ(st, 0);
    lclos();
    const auto before = norak::main_list().elems[3].words;
    const size_t blocks = norak::main_list().elems[3].sub->elems.size();
    NCLIST(-1, 1);
    // The listing changes nothing in the tool path.
    EXPECT_EQ(norak::main_list().elems[3].words, before);
    EXPECT_EQ(norak::main_list().elems[3].sub->elems.size(), blocks);
    const auto lines = lines_of(fix::listing());
    const auto head = std::find(lines.begin(), lines.end(), "           TRANSFORM    : \"TR01\" ");
    ASSERT_NE(head, lines.end());
    EXPECT_EQ(*(head + 1), "   3-     0      MACHINE PARAMS: FEED    = 250.0000 ");
    EXPECT_EQ(*(head + 2), "                SIMPLE LINES:");
    EXPECT_EQ(*(head + 3), "   3-     1                     X =     2.5400   Y =     0.0000   Z =     0.0000");
    EXPECT_EQ(*(head + 4), " ");
    EXPECT_EQ(*(head + 5), "END PROCEDURE NUMBER 3 ");
    EXPECT_FALSE(norak::transcript_has("internal:"));
    EXPECT_EQ(is_open_proc(), 0);
}

TEST(TpList, AStoredToolPathEntityAndItsEntries)
{
    fix::fresh();
    // A procedure entity with its machine parameters and its movement
    // entity, which changes the coordinate system between two blocks.
    i32 proc = 0, number = 7, code = 9, nw = 0, ng = 0, st = 0;
    char comment[20];
    std::memset(comment, ' ', 20);
    std::memcpy(comment, "STORED PROC", 11);
    std::vector<i32> global = {41, 4, 0, 2022, 2, 3, 42, 4, 0, 4, 5, 6, 44, 2, 0, 1, 29, 6, 0};
    i32 text[5];
    std::memcpy(text, comment, 20);
    global.insert(global.end(), text, text + 5);
    nw = static_cast<i32>(global.size());
    dbd_proc(3, proc, number, code, global.data(), nw, nullptr, ng, st);
    ASSERT_EQ(st, 0);
    i32 mch = 0, words[4] = {10, 2, 0, fix::TOOL}, count = 4;
    dbd_mchprm(3, proc, mch, words, count, st);
    ASSERT_EQ(st, 0);
    norak::Entity m;
    m.cls = 9;
    m.type = norak::MOVMNT_TYPE;
    m.words = {0, 0, 0, 3, 0, 5, 1, 0, 1, 0, r2wrd(300.0f), 5, 1, 1, 55, 0, fix::UCS,
               5, 2, 2, r2wrd(50.8f + 2.54f), r2wrd(25.4f), r2wrd(0.0f)};
    norak::movement_entities()[proc] = norak::add_entity(m);
    m.words = {0, 0, 0, 1, 0, 5, 2, 0, r2wrd(50.8f), r2wrd(25.4f), r2wrd(5.08f)};
    const i32 second = norak::add_entity(m);
    std::vector<i32> header(47, 0);
    std::memcpy(header.data(), "STORED  ", 8);
    header[2] = 23;
    for (int k = 0; k < 3; ++k) header[3 + k] = r2wrd(10.0f * (k + 1)), header[6 + k] = header[3 + k];
    header[8] = r2wrd(130.0f);
    const i32 tp = norak::add_toolpath_entity(header, {{1, proc}, {4, second}, {7, 12345}});
    norak::entities()[tp].attrs["LE"] = 2;
    norak::entities()[tp].attrs["VN"] = 1;

    NCLIST(tp, 1);
    const std::string want =
        "           TOOL PATH LISTING\n"
        "           =================\n"
        "           PART FILE NAME: \"FIXPART\" \n"
        " \n"
        "   BLOCK\n"
        "   NUMBER           BLOCK DESCRIPTION\n"
        "   ------           -----------------\n"
        " \n"
        "   0  HEADER\n"
        "           MACSYS NAME     : \"MACSYS1   \" \n"
        "           TOOL PATH LEVEL : \"L2    \" \n"
        "           TOOL PATH NAME  : \"STORED    \" \n"
        "           MACHINE TYPE    : \"MILL 3X   \" \n"
        " \n"
        "      (NOTE: The Tool Path origin is expressed in the MACSYS\n"
        "             coordinate system!  All other points are expressed\n"
        "             relative to the active origin.)\n"
        " \n"
        "           TOOL PATH ORIGIN: X =    10.0000   Y =    20.0000   Z =    30.0000\n"
        "           HOME            : X =     0.0000   Y =     0.0000   Z =   100.0000\n"
        "           UCS NAME        : \"      \" \n"
        " \n"
        " \n"
        " \n"
        " \n"
        "   7  PROCEDURE NUMBER = 7\n"
        "           CREATION DATE: 2022-02-03 04:05:06\n"
        "           FUNCTION NAME: \"SRF MILL\" \n"
        "           COMMENT      : \"STORED PROC         \" \n"
        "   7-     0      MACHINE PARAMS: FEED    = 300.0000 \n"
        "   7-     1      MACHINE PARAMS: UCS     = UCSTOP\n"
        "                SIMPLE LINES:\n"
        "   7-     2                     X =     2.5400   Y =     0.0000   Z =     0.0000\n"
        " \n"
        "END PROCEDURE NUMBER 7 \n"
        "------------------------------------------------------------\n"
        "   7-     0                     X =     0.0000   Y =     0.0000   Z =     5.0800\n"
        " \n"
        " \n"
        "END OF TOOL PATH\n";
    EXPECT_TRUE(fix::same_lines(fix::listing(), want));
    EXPECT_FALSE(norak::transcript_has("internal:"));
    i32 open = 0, position = 0, id = 0;
    eginfo(open, position, id);
    EXPECT_EQ(open, 0);
    EXPECT_EQ(gs_proc_id(), second);  // the host's current procedure: the last entry listed
    EXPECT_EQ(PRCINF.number[PI_LIST], 7);
    EXPECT_EQ(PRCINF.tool[PI_LIST], fix::TOOL);
    EXPECT_EQ(PRCINF.c31[PI_LIST], -1);  // absent
    EXPECT_EQ(PRCINF.status[PI_LIST], 1);
    EXPECT_EQ(PRCINF.flagb[PI_LIST], 0) << "no code 119 stored: its preset 1 sets nothing";

    // An entry that is no procedure ends the entries; the file still ends.
    norak::add_reply(yes_to(OVERWRITE));
    const i32 bad = norak::add_toolpath_entity(header, {{1, fix::UCS}});
    NCLIST(bad, 1);
    EXPECT_TRUE(norak::transcript_has("internal: nclist_ent, NOT A PROCEDURE ENTITY. id = 60"));
    eginfo(open, position, id);
    EXPECT_EQ(open, 0) << "the entry opened is closed again";
    EXPECT_NE(fix::listing().find("   0  HEADER\n"), std::string::npos);
    EXPECT_EQ(fix::listing().substr(fix::listing().size() - 17), "END OF TOOL PATH\n");
    // An entry of the tool path class but not of the procedure type.
    norak::add_reply(yes_to(OVERWRITE));
    const i32 nested = norak::add_toolpath_entity(header, {{1, bad}});
    NCLIST(nested, 1);
    EXPECT_TRUE(norak::transcript_has("internal: nclist_ent, NOT A PROCEDURE ENTITY. id = " + std::to_string(bad)));
    // Entries kept for an entity that is no tool path; an id without entries.
    norak::add_reply(yes_to(OVERWRITE));
    norak::entities()[bad].type = 8;
    NCLIST(bad, 1);
    EXPECT_TRUE(norak::transcript_has("internal: nclist_ent, NOT A TOOL PATH ENTITY. id = " + std::to_string(bad)));
    norak::add_reply(yes_to(OVERWRITE));
    norak::entities()[bad].cls = 5;  // the type of a tool path, another class
    norak::entities()[bad].type = 3;
    NCLIST(bad, 1);
    EXPECT_EQ(norak::transcript_count("internal: nclist_ent, NOT A TOOL PATH ENTITY. id = " + std::to_string(bad)), 2u);
    norak::add_reply(yes_to(OVERWRITE));
    NCLIST(fix::UCS, 1);
    EXPECT_TRUE(norak::transcript_has("internal: nclist_ent, PROBLEMS IN OPENNING ENTITY"));
    EXPECT_EQ(lines_of(fix::listing()).size(), 10u);
    // No room for the entries of a good tool path: the same error, the
    // heading alone, and no entry read from the missing table.
    norak::add_reply(yes_to(OVERWRITE));
    const long long asked = norak::allocations();
    norak::fail_alloc_after(1);
    NCLIST(tp, 1);
    EXPECT_EQ(norak::allocations(), asked + 1);
    EXPECT_EQ(norak::transcript_count("internal: nclist_ent, PROBLEMS IN OPENNING ENTITY"), 2u);
    EXPECT_EQ(lines_of(fix::listing()).size(), 10u);
}

TEST(TpList, StoredItemsLongerThanTheirValuesWriteNothingPastThem)
{
    fix::fresh();
    // A creation time of six words, a status of three, a comment longer than
    // the host delivers, and a tool item of two words.
    std::vector<i32> global = {41, 4, 0, 2021, 7, 8, 42, 7, 0, 9, 10, 11, 12, 13, 14, 44, 4, 0, 1, 77, 77};
    global.insert(global.end(), {29, GS_PARAM_MAX + 2, 0});
    global.insert(global.end(), static_cast<size_t>(GS_PARAM_MAX + 1), 0x41414141);
    i32 proc = 0, number = 8, code = 9, ng = 0, st = 0, nw = static_cast<i32>(global.size());
    dbd_proc(3, proc, number, code, global.data(), nw, nullptr, ng, st);
    ASSERT_EQ(st, 0);
    i32 mch = 0, words[5] = {10, 3, 0, fix::TOOL, 99}, count = 5;
    dbd_mchprm(3, proc, mch, words, count, st);
    ASSERT_EQ(st, 0);
    i32 c47 = 0, date[8] = {0, 0, 0, 0, 0, 0, -7, -7};
    PRCINE(1, proc, PI_LIST, c47, date, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(std::vector<i32>(date, date + 8), (std::vector<i32>{2021, 7, 8, 9, 10, 11, -7, -7}));
    EXPECT_EQ(PRCINF.status[PI_LIST], 1);
    EXPECT_EQ(PRCINF.tool[PI_LIST], fix::TOOL);
    char comment[20];
    PRCTX1(1, PI_LIST, comment);
    EXPECT_EQ(std::string(comment, 20), std::string(20, ' '));  // refused: blank
    i32 v[GS_PARAM_MAX + 1];
    gs_param(3, proc, 9, 4, 29, v, st);
    EXPECT_EQ(st, -1);
}

// A stored procedure of the deleted-geometry function is marked by its
// local value 320: 1 marks it, any other value leaves it unmarked.
TEST(TpList, AStoredDeletedGeometryProcedureIsMarkedByItsLocalValue)
{
    for (i32 flag : {1, 2, 0}) {
        SCOPED_TRACE(flag);
        fix::fresh();
        std::vector<i32> global = {41, 4, 0, 2021, 7, 8};
        i32 proc = 0, number = 8, code = 48, ng = 0, st = 0, nw = static_cast<i32>(global.size());
        dbd_proc(3, proc, number, code, global.data(), nw, nullptr, ng, st);
        ASSERT_EQ(st, 0);
        i32 local = 0, words[4] = {320, 2, 0, flag}, count = 4;
        dbd_lclprm(3, proc, local, words, count, st);
        ASSERT_EQ(st, 0);
        i32 c47 = 0, date[8] = {};
        PRCINE(1, proc, PI_LIST, c47, date, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(PRCINF.deleted[PI_LIST], flag == 1 ? -1 : 0);
    }
}

TEST(TpList, TheDemoWritesItsListingBesideTheOtherOutputs)
{
    const std::string text = read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/dome.json");
    RunResult r = run_session(text, "listing_demo");
    ASSERT_EQ(r.rc, 0) << r.err;
    const std::string listing = read_file(r.dir + "/out/session_TOOLPATH.TP_LIST");
    ASSERT_FALSE(listing.empty());
    EXPECT_EQ(count_lines_with(r.transcript, "host: call tavrek_tplist"), 1);
    EXPECT_EQ(count_lines_with(r.transcript, "message: OUTPUT TO FILE session_TOOLPATH.TP_LIST"), 1);
    EXPECT_EQ(count_lines_with(r.transcript, "internal:"), 0);
    // Every point of the tool path's motion blocks has its line: the host's
    // dump counts them independently (one for a line block, the records of
    // a string block).
    int points = 0;
    std::istringstream dump(r.toolpath);
    for (std::string l; std::getline(dump, l);) {
        std::istringstream w(l);
        std::vector<long> words;
        for (long v; w >> v;) words.push_back(v);
        if (words.empty()) continue;
        const long t = words[0];
        if (t == 2 || t == 22 || t == 222) points += 1;
        if (t == 7) points += static_cast<int>((words.size() - 1) / 4);
        if (t == 27 || t == 227) points += static_cast<int>((words.size() - 1) / 7);
    }
    EXPECT_GT(points, 500);
    int listed = 0;
    for (const auto& l : lines_of(listing))
        if (l.size() == 80 && l[4] == '-' && l.compare(11, 24, std::string(21, ' ') + "X =") == 0) ++listed;
    EXPECT_EQ(listed, points);
    EXPECT_EQ(lines_of(listing).back(), "END OF TOOL PATH");
}

TEST(TpList, AnyListingModeAndAnyCursorListTheWholeToolPathInThePartsUnit)
{
    // In inches, with the cursor in the empty movement list of a procedure
    // added at the end: mode 0 lists as mode 1 does, and the tool path is
    // not taken for empty.
    fix::fresh(25.4);
    fix::build();
    norak::add_reply(yes_to(OVERWRITE));
    NCLIST(-1, 1);
    const std::string one = fix::listing();
    const i32 dt[6] = {2024, 1, 1, 0, 0, 0};
    fix::procedure(9, "EMPTY", dt);
    NCLIST(-1, 0);
    const std::string zero = fix::listing();
    EXPECT_FALSE(norak::transcript_has("message: TOOL PATH LIST IS EMPTY"));
    EXPECT_EQ(zero.substr(0, one.rfind("END OF TOOL PATH") - 30), one.substr(0, one.rfind("END OF TOOL PATH") - 30));
    EXPECT_NE(zero.find("\"EMPTY"), std::string::npos) << zero;
}
