// The procedure list's rows, the procedure of a pick, the highlighting of a
// procedure and the choice of a target procedure.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "blocks/procblk.h"
#include "core/records.h"
#include "edit/msgblk.h"
#include "edit/proctab.h"
#include "frame/crit.h"
#include "frame/prcrows.h"
#include "frame/trgprc.h"
#include "proc_common.h"
#include "tests/edit/fixture.h"

namespace {
// n procedures numbered 10, 20, ... of the surface-milling type, with
// comments "C1", "C2", ...
void procedures(i32 n, const std::string& replies = "[]")
{
    proct::fresh(replies);
    std::memset(&PRCTAB, 0, sizeof PRCTAB);
    std::memcpy(NPT1, "TP-T    ", 8);
    CLP1[CLP1_NUMBER] = 1;          // the open tool path is the table's first
    norak::settings().extflag = 1;  // procedure-type names
    PRCTAB.count = n;
    for (i32 k = 1; k <= n && k <= PRT_MAX; ++k) {
        PRCTAB.type[k] = 9;
        PRCTAB.number[k] = 10 * k;
        PRCTAB.state[k] = 1;
        PRCTAB.blank[k] = 1;
        std::snprintf(PRCTAB.comment[k], 21, "C%d", k);
    }
}

std::string column(i32 k)
{
    char c[20] = {0};
    PRCCLW(k, c);
    return std::string(c, 19);
}

std::string last_menu()
{
    std::string m;
    for (const auto& l : norak::transcript())
        if (l.rfind("menu: ", 0) == 0) m = l.substr(6);
    return m;
}
}  // namespace

TEST(ProcRows, TheStatusColumnHasALetterPerStateAndTheTypeName)
{
    procedures(3);
    EXPECT_EQ(column(1), "-----      TAVREK  ");
    PRCTAB.state[1] = 4;
    EXPECT_EQ(column(1)[0], 's');
    PRCTAB.state[1] = 1;
    PRCTAB.state2[1] = 2;
    EXPECT_EQ(column(1)[0], 's');
    PRCTAB.state[1] = 2;  // a later rule wins
    EXPECT_EQ(column(1)[0], 'S');
    PRCTAB.state[1] = 3;
    EXPECT_EQ(column(1)[0], 'I');
    PRCTAB.gflag[2] = PRCTAB.mflag[2] = 1;
    PRCTAB.blank[2] = 3;
    PRCTAB.optim[2] = 4;
    EXPECT_EQ(column(2).substr(0, 5), "-GMbR");
    PRCTAB.blank[2] = 2;
    PRCTAB.optim[2] = 3;
    EXPECT_EQ(column(2).substr(0, 5), "-GMBr");
    PRCTAB.optim[2] = 1;
    EXPECT_EQ(column(2)[4], 'O');
    // A transformation: its name, in parentheses unless hidden.
    char t[4] = {'T', 'R', '0', '1'};
    PRCTRF(2, 3, t);
    PRCTAB.ntrans[3] = 1;
    EXPECT_EQ(column(3).substr(5, 6), "(TR01)");
    PRCTAB.trhide[3] = 1;
    EXPECT_EQ(column(3).substr(5, 6), " TR01 ");
    // Code 0: no name; a row outside the table: the dashes alone.
    PRCTAB.type[3] = 0;
    EXPECT_EQ(column(3).substr(11), "        ");
    EXPECT_EQ(column(4), "-----              ");
    EXPECT_EQ(column(0), "-----              ");
}

TEST(ProcRows, APickNamesAProcedureAndItsBlock)
{
    procedures(5);
    i32 index = 0, block = 0;
    // A list of one row per entry, procedure 3 shown on row 7.
    PCKPGT(9, 1, 3, 7, index, block);
    EXPECT_EQ(index, 5);
    EXPECT_EQ(block, -1);
    PCKPGT(12, 1, 3, 7, index, block);
    EXPECT_EQ(index, 6);  // below the last: the append position
    PCKPGT(20, 2, 1, 7, index, block);
    EXPECT_EQ(index, 6);
    PCKPGT(5, 1, 1, 7, index, block);
    EXPECT_EQ(index, -1);  // above the first
    // A pick in the graphics: the key of the picked block.
    norak::entities()[11].attrs["PN"] = 40;
    norak::entities()[11].attrs["BN"] = 17;
    pkspsh(11);
    PCKPGT(0, 1, 1, 7, index, block);
    EXPECT_EQ(index, 4);
    EXPECT_EQ(block, 17);
    norak::entities()[11].attrs.erase("BN");
    pkspsh(11);
    PCKPGT(0, 1, 1, 7, index, block);
    EXPECT_EQ(index, 4);
    EXPECT_EQ(block, -1);
    norak::entities()[11].attrs["PN"] = 45;  // no such procedure
    pkspsh(11);
    PCKPGT(0, 1, 1, 7, index, block);
    EXPECT_EQ(index, -1);
    pkspsh(12);  // no key at all
    PCKPGT(0, 1, 1, 7, index, block);
    EXPECT_EQ(index, -1);
    EXPECT_TRUE(norak::transcript_has("internal: PCKPGT, ILLEGAL KEY BLOCK"));
}

TEST(ProcRows, RowsShowToolsCommentsAndMarksAndHighlightingSkipsBlanked)
{
    procedures(3, R"([{"menu": 0}])");
    PRCTAB.tool[1] = 101;
    std::strcpy(PRCTAB.toolname[1], "BALL 10");
    PRCTAB.tool[2] = 101;
    PRCTAB.ntools[2] = 2;
    PRCTAB.cflag[2] = 1;
    PRCTAB.state[2] = 2;
    PRCTAB.uflag[2] = 1;
    PRCTAB.mark[3] = 2;
    PRCTAB.uflag[1] = 1;  // the U flag shows only while suspended
    modinz();
    i32 ids[5] = {-9, -9, -9, -9, -9};
    MLTTLS(1, 5, ids, 0);
    modrpl(ids[4]);
    const std::string m = last_menu();
    EXPECT_NE(m.find("-----      TAVREK  =10 | -- TOOL = BALL 10 | C1 | NO_UCS"), std::string::npos) << m;
    EXPECT_NE(m.find("S----      TAVREK  =20 | CU TOOL = MULTI TOOLS | C2 | "), std::string::npos) << m;
    EXPECT_NE(m.find("-----      TAVREK  *30 |  | C3 | "), std::string::npos) << m;
    PRCTAB.state[1] = 4;
    // The rows again, read back by a leave reply.
    const auto rows_again = [&ids](i32 colour) {
        norak::add_reply([] {
            norak::Reply r;
            r.kind = "menu";
            r.answer = "0";
            return r;
        }());
        modinz();
        MLTTLS(1, 1, ids, colour);
        modrpl(ids[4]);
    };
    rows_again(0);
    EXPECT_EQ(last_menu().rfind("s----      TAVREK  =10 | -U TOOL = BALL 10 | C1 | ", 0), 0u) << last_menu();
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[3], 4);  // past the count: a blank row with its entry id
    // With colour: the procedure's colour cell after its row.
    i32 colour = 5, pen = 2, a = 0, b = 0;
    gs_proc_color_pen(3, colour, pen, a, b);
    rows_again(1);
    EXPECT_NE(last_menu().find("-U TOOL = BALL 10 | C1 | NO_UCS | COLOUR 5"), std::string::npos) << last_menu();

    PRCATT(1, 2, 0, 0);
    PRCATT(1, 3, 0, 12);
    PRCTAB.blank[1] = 2;
    PRCATT(1, 1, 0, 0);
    PRCATT(1, 4, 0, 0);
    EXPECT_TRUE(norak::transcript_has("display: attention 50 on procedure 20, all blocks"));
    EXPECT_TRUE(norak::transcript_has("display: attention 50 on procedure 30, 12 blocks"));
    EXPECT_FALSE(norak::transcript_has("on procedure 10"));
}

TEST(TargetProcedure, ListPagesTwentyLinesAndMovesByTenAndTwenty)
{
    // 25 procedures: 26 entries, paged; down by 10 shows 11 to 26.
    procedures(25, R"([{"menu": "Pg Dn"}, {"menu": 9}, {"menu": "CONTINUE"}])");
    i32 chosen = 0, st = 0;
    TRGPRC(chosen, 1, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(chosen, 13);  // row 9 of the page that starts at 11
    const auto& t = norak::transcript();
    std::vector<std::string> pages;
    for (const auto& l : t)
        if (l.rfind("menu: ", 0) == 0) pages.push_back(l.substr(6));
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].rfind("TP=TP-T    @ @CANCEL@ @Pg Up@Pg Dn@-----      TAVREK  =10", 0), 0u) << pages[0];
    EXPECT_NE(pages[1].find("=110 |"), std::string::npos);
    EXPECT_EQ(pages[1].find("=100 |"), std::string::npos);
    EXPECT_EQ(pages[2].rfind("TP=TP-T    @CONTINUE@CANCEL@", 0), 0u);
    EXPECT_TRUE(norak::transcript_has("message: MORE STR"));
    EXPECT_TRUE(norak::transcript_has("message: MORE END"));
    EXPECT_TRUE(norak::transcript_has("display: attention 50 on procedure 130, all blocks"));
}

TEST(TargetProcedure, ACancelledTargetInsertsNoMessage)
{
    // The message insertion asks the target first: cancelled there, no
    // insertion menu is offered and nothing is inserted.
    procedures(3, R"([{"menu": "SELECT FROM LIST"}, {"menu": 0, "escape": true}])");
    i32 inserted = 7, st = 5;
    INSMSG(1, inserted, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(inserted, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_TRUE(norak::transcript_has("prompt: TARGET:SELECT PROC."));
    EXPECT_FALSE(norak::transcript_has("prompt: SEL. INSERT OPTION"));
}

TEST(TargetProcedure, WithoutProceduresTheInsertionRunsOnceAtTheEnd)
{
    // No procedure to choose: the target is the end of the list, taken
    // without a question, and leaving the insertion menu ends the insertion
    // instead of offering the same menu again.
    procedures(0, R"([{"menu": 0, "escape": true}])");
    i32 inserted = 7, st = 5;
    INSMSG(1, inserted, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(inserted, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(norak::transcript_count("prompt: SEL. INSERT OPTION"), 1u);
    EXPECT_FALSE(norak::transcript_has("prompt: TARGET:SELECT PROC."));
}

TEST(TargetProcedure, EscapeCancelsAndThePickModeOffersTheList)
{
    procedures(3, R"([{"menu": 7}, {"menu": 0, "escape": true}])");
    i32 chosen = 0, st = 0;
    TRGPRC(chosen, 2, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(chosen, -1);
    // Pick mode: a pick in the graphics, an end reply (nothing: it pages only
    // the list), then the list by the offered row and the line below the last.
    procedures(3, R"([{"pick": 11}, {"pick": 0, "end": true}, {"menu": "SELECT FROM LIST"}, {"menu": 10},
                      {"menu": "CONTINUE"}])");
    norak::entities()[11].attrs["PN"] = 20;
    TRGPRC(chosen, 0, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(chosen, 4);  // the line below the last: after procedure 3
    EXPECT_TRUE(norak::transcript_has("display: attention 50 on procedure 20, all blocks"));
    EXPECT_TRUE(norak::transcript_has("display: attention 0 on procedure 20, all blocks"));  // no longer the choice
    EXPECT_EQ(norak::transcript_count("prompt: TARGET:PICK PROC."), 3u);
    EXPECT_TRUE(norak::transcript_has("prompt: TARGET:SELECT PROC."));
    EXPECT_EQ(norak::replies_left(), 0u);
    // One procedure is asked for like any other count.
    procedures(1, R"([{"menu": 8}, {"menu": "CONTINUE"}])");
    TRGPRC(chosen, 1, st);
    EXPECT_EQ(chosen, 2);
    EXPECT_EQ(st, 0);
    // No procedures: the first, without a question.
    procedures(0);
    TRGPRC(chosen, 0, st);
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(st, 0);
}

TEST(TargetProcedure, AChoiceReplacedOrWithdrawnLosesItsHighlight)
{
    // A, then B by a pick in the graphics, then CONTINUE: only B stays
    // highlighted. A choice, then escape: its highlight goes with it.
    procedures(3, R"([{"menu": 7}, {"pick": 11}, {"menu": "CONTINUE"}])");
    norak::entities()[11].attrs["PN"] = 30;
    i32 chosen = 0, st = 0;
    TRGPRC(chosen, 1, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(chosen, 3);
    EXPECT_TRUE(norak::transcript_has("display: attention 50 on procedure 10, all blocks"));
    EXPECT_TRUE(norak::transcript_has("display: attention 0 on procedure 10, all blocks"));
    EXPECT_TRUE(norak::transcript_has("display: attention 50 on procedure 30, all blocks"));
    EXPECT_FALSE(norak::transcript_has("display: attention 0 on procedure 30"));
    procedures(3, R"([{"menu": 8}, {"menu": 0, "escape": true}])");
    TRGPRC(chosen, 1, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(chosen, -1);
    EXPECT_TRUE(norak::transcript_has("display: attention 0 on procedure 20, all blocks"));
}

TEST(TargetProcedure, PagingStartsAtTwentyOneEntriesAndTheHeaderNamesTheToolPath)
{
    // procedures, replies, the procedure chosen, whether the list pages.
    struct Case {
        i32 count;
        const char* replies;
        i32 chosen;
        bool paged;
    } cases[] = {
        {19, R"([{"menu": 26}, {"menu": "CONTINUE"}])", 20, false},  // 20 entries: one page
        {20, R"([{"menu": "Pg Dn"}, {"menu": 7}, {"menu": "CONTINUE"}])", 11, true},
        // Down to 11, up by 20 back to 1.
        {20, R"([{"menu": "Pg Dn"}, {"menu": "Pg Up"}, {"menu": 7}, {"menu": "CONTINUE"}])", 1, true},
        {20, R"([{"menu": 0, "end": true}, {"menu": 8}, {"menu": "CONTINUE"}])", 12, true},  // the end pages down
        // Down to 11, to 21 (the last entry alone), no further.
        {20, R"([{"menu": 0, "end": true}, {"menu": 0, "end": true}, {"menu": 0, "end": true}, {"menu": 7},
                 {"menu": "CONTINUE"}])", 21, true},
    };
    for (const Case& c : cases) {
        procedures(c.count, c.replies);
        i32 chosen = 0, st = 0;
        TRGPRC(chosen, 1, st);
        EXPECT_EQ(st, 0) << c.replies;
        EXPECT_EQ(chosen, c.chosen) << c.replies;
        EXPECT_EQ(norak::transcript_has("message: MORE STR"), c.paged) << c.replies;
        EXPECT_EQ(norak::replies_left(), 0u) << c.replies;
        EXPECT_TRUE(norak::transcript_has("menu: TP=TP-T    @")) << c.replies;
    }
    // Another tool path of the part's table: its own name.
    procedures(2, R"([{"menu": "CANCEL"}])");
    std::vector<i32> header(24, 0);
    std::memcpy(header.data(), "OTHER", 5);
    norak::add_toolpath_entity(header, {});
    i32 chosen = 0, st = 0;
    TRGPRC(chosen, 1, st);  // the open tool path
    EXPECT_TRUE(norak::transcript_has("menu: TP=TP-T    @"));
    procedures(2, R"([{"menu": "CANCEL"}])");
    norak::add_toolpath_entity(header, {});
    norak::add_toolpath_entity(header, {});
    CLP1[CLP1_NUMBER] = 1;
    TRGPRC(chosen, 2, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("menu: TP=OTHER   @"));
}

TEST(CriteriaItems, PrefixesTellDefinitionAndCriteriaState)
{
    proct::fresh(R"([{"menu": 0}])");
    modinz();
    CRTEDT(0, 2, "PART SURFACES", 0);
    CRTEDT(1, 13, "A LABEL OF TWENTY-SIX CHARS", -1);
    CRTEDT(1, 9, "NO SUCH ACTION", -1);
    CRTED2(1, 0, "CHECK SURFACES", -1);
    // Closed contours by active, changed criteria with entries.
    const i32 mask[5] = {0, -1, 3, -1, -1};
    i32 st = 0, on = 1;
    nc_geomsk_lst_add(2, mask, st);
    active_mask_gs(2, 2, on);
    crit_gs_change(2, 2, on);
    CRTEDT(1, 1, "CONTOURS", 2);
    CRTEDT(0, 1, "CONTOURS", 2);
    CRTED2(1, 3, "CONTOURS", 2);
    CRTED2(0, 3, "CONTOURS", 2);
    i32 reply = 0;
    modrpl(reply);
    EXPECT_EQ(last_menu(),
              "G-DEFINE PART SURFACES@--MODIFY A LABEL OF TWEN@ @E-EDIT   CHECK SURFACES@sc REDEF. CONTOURS@"
              "Gc REDEF. CONTOURS@sc EDIT   CONTOURS@Gc EDIT   CONTOURS");
    EXPECT_TRUE(norak::transcript_has("internal: CRTEDT, ILLEGAL ACTION CODE 9"));
}

TEST(CriteriaItems, MasksAreWrittenAsCodedTextItems)
{
    fix::fresh();
    i32 st = 0, answer = 0;
    lacces(3, answer);
    const i32 a[5] = {10, 11, 2, 33, 4}, b[5] = {0, 1, 2, 3, 4};  // texts of 12 and 9 characters
    nc_geomsk_lst_add(2, a, st);
    nc_geomsk_lst_add(2, b, st);
    BLKOPN(AM_APPEND, 4, 1, st);
    ASSERT_EQ(st, 0);
    CRTPUT(AM_LIST, 2, st);
    EXPECT_EQ(st, 0);
    CRTPUT(AM_LIST, 4, st);  // no such kind: nothing
    BLKCLS(AM_APPEND);
    const std::vector<i32>& w = norak::main_list().elems.back().words;
    ASSERT_EQ(w.size(), 13u);
    // After the element's type word: code 408, count + 1, type 8, the text's
    // words (4 characters each, the last padded with zero bytes).
    const size_t at = 1;
    EXPECT_EQ((std::vector<i32>(w.begin() + static_cast<long>(at), w.begin() + static_cast<long>(at) + 3)),
              (std::vector<i32>{408, 4, 8}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&w[at + 3]), 12), "10 11 2 33 4");
    EXPECT_EQ((std::vector<i32>(w.begin() + static_cast<long>(at) + 6, w.begin() + static_cast<long>(at) + 9)),
              (std::vector<i32>{408, 4, 8}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&w[at + 9]), 9), "0 1 2 3 4");
}
