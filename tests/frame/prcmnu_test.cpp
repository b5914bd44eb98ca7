// The common head of the procedure menus: the items each menu mode shows on
// each machine, and what the common items do when chosen (the name edit,
// the template save and apply, the optimizer screens, the accept).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "blocks/movement.h"
#include "frame/callbacks.h"
#include "frame/gomenu.h"
#include "frame/prmmnu.h"
#include "frame/tolmnu.h"
#include "stock/optwords.h"
#include "tests/frame/proc_common.h"

namespace {

// The rows of the last menu shown.
std::vector<std::string> last_menu_rows()
{
    std::string line;
    for (const auto& l : norak::transcript())
        if (l.rfind("menu: ", 0) == 0) line = l.substr(6);
    std::vector<std::string> rows;
    for (size_t k = 0;;) {
        const size_t a = line.find('@', k);
        rows.push_back(line.substr(k, a == std::string::npos ? std::string::npos : a - k));
        if (a == std::string::npos) break;
        k = a + 1;
    }
    return rows;
}

// A new procedure on the machine with its procedure name, the menu head of
// mode m built; the replies answer PRCMND.
struct Menu {
    i32 index[8] = {};
    // The head is built at once unless the caller first changes the state
    // it shows (then it calls build itself).
    Menu(i32 m, const std::string& replies, i32 machine = 23, bool now = true)
    {
        proct::fresh(replies, machine);
        proct::new_procedure();
        char name[24] = "OLDNAME";
        GSTXT1(2, name);
        if (now) build(m);
    }
    void build(i32 m)
    {
        i32 shown = 0, groups[20] = {}, item = 0, st = 0;
        PRCMNU(m, shown, groups, index, item, st);
        EXPECT_EQ(st, 0);
    }
    // PRCMND with the procedure's own callbacks; answers the reply.
    i32 answer(i32 m, i32& toolchanged, i32& status)
    {
        i32 reply = 0;
        PRCMND(m, 0, nullptr, nullptr, index, PRCPRM, PRCGEO, block_read_tavrek, reply, toolchanged, status);
        return reply;
    }
    i32 answer(i32 m = 0)
    {
        i32 changed = 0, st = 0;
        return answer(m, changed, st);
    }
};

std::string name()
{
    char n[24] = {0};
    GSTXT1(1, n);
    std::string s(n, strnlen(n, 20));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

}  // namespace

TEST(MainMenu, EachModeShowsItsCommonItemsOnEachMachine)
{
    const std::string mach = "MACHINING PARAMS ...", srv = "SERVICE ...", sub = "TEMPLATE:APPLY     -->",
                      save = "TEMPLATE:SAVE", off = "USE OPTIMIZER : OFF  >", on = "USE OPTIMIZER : ON   >";
    struct Case {
        i32 m, machine, master;
        std::vector<std::string> rows;  // after the title and the name
    };
    const Case cases[] = {
        {0, 23, 1, {mach, srv, sub, save, off, " "}},
        {0, 23, 2, {mach, srv, sub, save, on, "OPTIMIZER ..."}},
        {0, 25, 1, {mach, srv, sub, save, off, " "}},
        {0, 24, 1, {mach, srv, "TEMPLATE:APPLY", save, off, " "}},  // MILL+POS: the plain apply
        {1, 23, 1, {"AUTO MACHINE PARAM ..", srv, sub, save, off, " "}},
        {3, 23, 1, {" ", " ", sub, save, off, " "}},
        {5, 23, 1, {" ", srv, sub, save, off, " "}},
        {13, 23, 2, {" ", " ", sub, save, " ", " "}},  // the optimizer hidden, on or not
        {110, 23, 2, {mach, srv}},                     // templates and optimizer hidden
    };
    for (const Case& c : cases) {
        Menu menu(c.m, R"([{"menu": -1}])", c.machine, false);
        CMPBLK[CMP_MASTER] = c.master;
        menu.build(c.m);
        i32 reply = 0;
        modrpl(reply);
        std::vector<std::string> rows = last_menu_rows();
        ASSERT_GE(rows.size(), 2u) << c.m;
        EXPECT_EQ(rows[1], "OLDNAME             ") << c.m;
        rows.erase(rows.begin(), rows.begin() + 2);
        EXPECT_EQ(rows, c.rows) << c.m << " on " << c.machine;
        // Only the items shown can be chosen.
        EXPECT_EQ(menu.index[IX_MACH] != 0, c.m % 10 != 1 && c.m % 10 != 3 && c.m % 10 != 5) << c.m;
        EXPECT_EQ(menu.index[IX_SERVICE] != 0, c.m % 10 != 3) << c.m;
        EXPECT_EQ(menu.index[IX_TOGGLE] != 0, c.m < 10) << c.m;
        EXPECT_EQ(menu.index[IX_OPTIM] != 0, c.m < 10 && c.master == 2) << c.m;
    }
}

TEST(MainMenu, TheNameIsEditedAndKeptWhenNothingIsTyped)
{
    struct Case {
        const char* reply;
        const char* name;
    };
    const Case cases[] = {{R"({"prompt": "NEW TEXT= ", "answer": "NEWNAME"})", "NEWNAME"},
                          {R"({"prompt": "NEW TEXT= ", "answer": "TWENTY CHARACTERS 20"})", "TWENTY CHARACTERS 20"},
                          {R"({"prompt": "NEW TEXT= ", "answer": "TWENTY CHARACTERS 20 AND MORE"})",
                           "TWENTY CHARACTERS 20"},
                          {R"({"prompt": "NEW TEXT= ", "answer": ""})", "OLDNAME"},
                          {R"({"prompt": "NEW TEXT= ", "exit": true})", "OLDNAME"},
                          {R"({"prompt": "NEW TEXT= ", "escape": true})", "OLDNAME"}};
    for (const Case& c : cases) {
        Menu menu(0, std::string(R"([{"menu": 2}, )") + c.reply + "]");
        i32 changed = 0, st = 9;
        EXPECT_EQ(menu.answer(0, changed, st), 2);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(norak::replies_left(), 0u) << c.reply;
        EXPECT_TRUE(norak::transcript_has("OLD TEXT=OLDNAME_____________")) << c.reply;
        EXPECT_EQ(name(), c.name) << c.reply;
    }
}

TEST(MainMenu, EveryMenuStartsAtFeedWithTheWarningsClearedAndAnAcceptRecalculatesThePartBox)
{
    for (i32 reply : {0, -1}) {
        Menu menu(0, R"([{"menu": )" + std::to_string(reply) + "}]");
        norak::settings().nc["minmax_warned"] = 1;
        norak::settings().nc["partbox_warned"] = 1;
        norak::settings().nc["min_surface_offset"] = -7;
        GOST.speed = 2;
        EXPECT_EQ(menu.answer(), reply);
        i32 table = 9, partbox = 9;
        gs_minmax_warn(1, table, partbox);
        EXPECT_EQ(table, 0);
        EXPECT_EQ(partbox, 0);
        EXPECT_EQ(GOST.speed, 1);
        EXPECT_EQ(norak::transcript_has("host: part box recalculated"), reply == 0) << reply;
        f32 offset = 0;
        gs_min_srf_offset(1, offset);
        EXPECT_EQ(offset, -7.0f);  // no new tool: the offset stays
    }
}

TEST(MainMenu, TemplateSaveShowsTheBlockAndApplyBringsTheTemplatesGlobalsBack)
{
    // Saved from a new procedure: the BLK= field shows the current block,
    // not the tool path's id; from a stored one, its number.
    for (i32 opened : {0, 1}) {
        Menu menu(0, R"([{"menu": "TEMPLATE:SAVE"}])");
        EDA2[EDA2_OPENED] = opened;
        EDA2[EDA2_PROC] = 3;
        CLP1[CLP1_TOOLPATH] = 77;
        i32 list = 0;
        gtlstn(1, list);
        i32 five = 5;
        gsblkn(2, list, five);
        EXPECT_EQ(menu.answer(), menu.index[IX_SAVE]);
        EXPECT_EQ(norak::status_field(1, 14), opened ? "BLK=3       " : "BLK=5       ") << opened;
    }

    // Saved with the ball, a clearance of 40, the optimizer on and a
    // geometry mask of twenty characters on the check surfaces.
    Menu menu(0, R"([{"menu": "TEMPLATE:SAVE"}, {"menu": "TEMPLATE:APPLY"}])");
    HEI8[HEI8_CLEARANCE] = r2wrd(40.0f);
    CMPBLK[CMP_MASTER] = 2;
    const i32 mask[5] = {1000, 2000, 300, 40, 500};
    i32 st = 0;
    nc_geomsk_lst_add(1, mask, st);
    EXPECT_EQ(menu.answer(), menu.index[IX_SAVE]);
    // Changed since, then the template applied: all of it comes back.
    PRM9[PRM9_TOOL] = 102;
    HEI8[HEI8_CLEARANCE] = r2wrd(60.0f);
    CMPBLK[CMP_MASTER] = 1;
    nc_geomsk_lst_empty(1);
    const size_t from = norak::transcript().size();
    menu.build(0);
    i32 changed = 0;
    EXPECT_EQ(menu.answer(0, changed, st), menu.index[IX_APPLY]);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(PRM9[PRM9_TOOL], 101);
    EXPECT_EQ(changed, 1);
    // A new tool: the minimum surface offset is minus its corner radius.
    f32 offset = 0;
    gs_min_srf_offset(1, offset);
    EXPECT_EQ(offset, -5.0f);
    EXPECT_EQ(wrd2r(HEI8[HEI8_CLEARANCE]), 40.0f);
    EXPECT_EQ(CMPBLK[CMP_MASTER], 2);
    ASSERT_EQ(nc_geomsk_lst_count(1), 1);
    char text[24] = {0};
    nc_geomsk_lst_get_text(1, 0, text, 24, st);
    EXPECT_EQ(std::string(text), "1000 2000 300 40 500");
    // In the template directory for the read, back after it.
    std::vector<std::string> steps;
    for (size_t k = from; k < norak::transcript().size(); ++k) {
        const std::string& l = norak::transcript()[k];
        if (l.rfind("host: template", 0) == 0 || l == "host: current directory") steps.push_back(l);
    }
    const std::vector<std::string> want = {"host: template directory", "host: template parameter load started",
                                           "host: current directory"};
    EXPECT_EQ(steps, want);
}

TEST(MainMenu, LeavingTheOptimizerScreensIsNoFailureOfTheMenu)
{
    for (const char* leave : {R"({"menu": "LEAVE"})", R"({"menu": 0, "escape": true})"}) {
        Menu menu(0, std::string(R"([{"menu": "OPTIMIZER ..."}, )") + leave + "]", 23, false);
        CMPBLK[CMP_MASTER] = 2;
        menu.build(0);
        i32 changed = 0, st = 9;
        EXPECT_EQ(menu.answer(0, changed, st), menu.index[IX_OPTIM]);
        EXPECT_EQ(norak::replies_left(), 0u) << leave;
        EXPECT_EQ(st, 0) << leave;
    }
}

// The SERVICE menu offers what the caller's option table offers (the mode
// then takes off what it decides); without a table, the page's own.
TEST(MainMenu, TheServiceMenuOffersTheOptionsOfTheCallersTable)
{
    const i32 page[9] = {1, 1, 1, 1, 0, 1, 1, 1, 1};
    const i32 fewer[9] = {0, 1, 1, 1, 0, 0, 1, 1, 1};
    for (const i32* table : {page, fewer, static_cast<const i32*>(nullptr)}) {
        Menu menu(0, R"([{"menu": "SERVICE ..."}, {"menu": -1}])");
        i32 reply = 0, changed = 0, st = 0;
        PRCMND(0, 0, nullptr, table, menu.index, PRCPRM, PRCGEO, block_read_tavrek, reply, changed, st);
        EXPECT_EQ(reply, menu.index[IX_SERVICE]);
        EXPECT_EQ(norak::replies_left(), 0u);
        const std::vector<std::string> rows = last_menu_rows();
        const bool all = table != fewer;
        EXPECT_EQ(std::count(rows.begin(), rows.end(), "TOOL LIST"), all ? 1 : 0);
        EXPECT_EQ(std::count(rows.begin(), rows.end(), "TP LIST"), all ? 1 : 0);
        EXPECT_EQ(std::count(rows.begin(), rows.end(), "PROCEDURE HEADER LIST"), 1);
    }
    // The tool menu likewise: option 6 is the coolant row.
    const i32 tools[13] = {1, 1, 0, 1, 1, 1, 0, 1, 0, 0, 1, 1, 0};
    const i32 no_coolant[13] = {1, 1, 0, 1, 1, 0, 0, 1, 0, 0, 1, 1, 0};
    for (const i32* table : {tools, no_coolant}) {
        Menu menu(0, R"([{"menu": "MACHINING PARAMS ..."}, {"menu": -1}])");
        i32 reply = 0, changed = 0, st = 0;
        PRCMND(0, 0, table, nullptr, menu.index, PRCPRM, PRCGEO, block_read_tavrek, reply, changed, st);
        EXPECT_EQ(reply, menu.index[IX_MACH]);
        EXPECT_EQ(norak::replies_left(), 0u);
        const std::vector<std::string> rows = last_menu_rows();
        const bool coolant = std::any_of(rows.begin(), rows.end(),
                                         [](const std::string& r) { return r.find("COOLANT") != std::string::npos; });
        EXPECT_EQ(coolant, table == tools);
    }
}

// The main menu's tool menu starts at feed whatever the editor's tool menu
// on a rapid motion left: its feed item sets the modal feed.
TEST(MainMenu, ItsToolMenuStartsAtFeed)
{
    Menu menu(0, R"([{"menu": "MACHINING PARAMS ..."}, {"menu": "FEED", "value": 250}, {"menu": -1}])");
    FEEDMD = 2;
    DSM4[DSM4_FEED] = r2wrd(-1.0f);
    menu.answer(0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_FLOAT_EQ(wrd2r(PRM9[PRM9_FEED]), 250.0f);
    EXPECT_FLOAT_EQ(wrd2r(DSM4[DSM4_FEED]), 250.0f);
}
