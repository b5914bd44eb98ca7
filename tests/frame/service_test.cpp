// The SERVICE menu and the tool menu in scripted sessions: slots and their
// texts, the records each leaves, the actions, and the spindle-speed rule.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "frame/srvmnu.h"
#include "frame/tolmnu.h"
#include "frame/crit.h"
#include "frame/driver.h"
#include "frame/intctl.h"
#include "proc_common.h"
#include "tests/edit/fixture.h"
#include "tools/toolcache.h"
#include "tools/toollib.h"

namespace {

constexpr i32 ALL[9] = {1, 1, 1, 1, 0, 1, 1, 1, 1};

std::string last_menu()
{
    std::string m;
    for (const auto& l : norak::transcript())
        if (l.rfind("menu: ", 0) == 0) m = l.substr(6);
    return m;
}

// Runs the SERVICE menu over the replies; answers its status.
i32 service(const std::string& replies, const i32* options = ALL, i32 editing = 0, i32 printcell = 0,
            i32* flags = nullptr)
{
    proct::fresh(replies);
    i32 f[7] = {1, 1, 1, 1, 1, 1, 0};
    i32 st = 0, whole = 1;
    SRVMNU(editing, whole, printcell, 1, options, flags ? flags : f, st);
    return st;
}


bool has(const std::string& line) { return norak::transcript_has(line); }

TEST(ServiceMenu, SlotsOfEveryColumnInTheirOrder)
{
    service(R"([{"menu": 0}])");
    EXPECT_EQ(last_menu(),
              "TP NAME =@TYPE = MILL 3X@BLANK PROCEDURE@TOOL: DISPLAY@TP SIZE = 0 BYTES@BYTES LEFT = 8000000@"
              "MACSYS = MACSYS1@LEVEL = L0@TP LIST@PROCEDURE HEADER LIST@TOOL LIST@ @SAVE APPROX. FILE:OFF@ @ @"
              "CHANGE ORIGIN@ @ @INSERT MESSAGE / CODE@GO TO POINT@ @ @CALCULATE PARTBOX@CRITERIA LIST@"
              "CLEARANCE HEIGHT = 0@HEIGHT RELATIVE : NO@CLEARANCE MODE : DISTANCE@CLEARANCE DISTANCE = 0");
    // The editing context: PROCEDURE LIST and EDIT MESSAGE, no CRITERIA LIST.
    service(R"([{"menu": 0}])", ALL, 1);
    std::string m = last_menu();
    EXPECT_NE(m.find("TOOL LIST@PROCEDURE LIST@"), std::string::npos) << m;
    EXPECT_NE(m.find("INSERT MESSAGE / CODE@EDIT MESSAGE@"), std::string::npos) << m;
    EXPECT_NE(m.find("CALCULATE PARTBOX@ @CLEARANCE HEIGHT"), std::string::npos) << m;
    // Print mode drops columns 1 to 5 and returns without a reply.
    service("[]", ALL, 0, 1);
    EXPECT_EQ(last_menu(), "");
    EXPECT_EQ(wrd2r(UPW2[0]), 1.0f);
}

TEST(ServiceMenu, FrequentBackupIsOffAfterEveryExit)
{
    for (const char* r : {R"([{"menu": 0}])", R"([{"menu": 1, "escape": true}])", "[]"}) {
        proct::fresh(r);
        UPW2[0] = r2wrd(2.0f);
        UPW2[1] = r2wrd(5.0f);
        i32 f[7] = {1, 1, 1, 1, 0, 1, 0}, st = 0, whole = 1, pc = std::string(r) == "[]" ? 1 : 0;
        SRVMNU(0, whole, pc, 1, ALL, f, st);
        EXPECT_EQ(wrd2r(UPW2[0]), 1.0f) << r;
        EXPECT_EQ(wrd2r(UPW2[1]), 5.0f) << r;
        EXPECT_EQ(f[2], 1) << r;
    }
    // Nothing offered at all still leaves through the common exit.
    proct::fresh("[]");
    UPW2[0] = r2wrd(2.0f);
    i32 none[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0}, f[7] = {0, 0, 0, 0, 0, 0, 0}, st = 0, pc = 1, whole = 1;
    SRVMNU(0, whole, pc, 1, none, f, st);
    EXPECT_EQ(wrd2r(UPW2[0]), 1.0f);
}

TEST(ServiceMenu, FiveWayToolDisplayStoresTheRecordAndTheFastFlag)
{
    const i32 want[6] = {0, 0, 1, 2, 4, 3};
    for (i32 c = 1; c <= 5; ++c) {
        service(R"([{"menu": 4, "value": )" + std::to_string(c) + R"(}, {"menu": 0}])");
        EXPECT_EQ(TLER[0], want[c]) << c;
        EXPECT_EQ(get_fdflg(), c == 4 ? 1 : 0) << c;
        EXPECT_EQ(DSPMOD, want[c]) << c;
    }
    // A stored 4 without the fast flag shows TOOL: NO DISPLAY and stores 2;
    // the fast flag shows NO FAST DISP.; a value out of the table is refused.
    for (i32 stored : {4, 7, -1}) {
        proct::fresh(R"([{"menu": 0}])");
        TLER[0] = stored;
        i32 f[7] = {1, 1, 1, 1, 1, 1, 0}, st = 0, pc = 0, whole = 1;
        SRVMNU(0, whole, pc, 1, ALL, f, st);
        EXPECT_NE(last_menu().find("@TOOL: NO DISPLAY@"), std::string::npos) << stored;
        EXPECT_EQ(TLER[0], 2) << stored;
    }
    proct::fresh(R"([{"menu": 0}])");
    set_fdflg_on();
    TLER[0] = 0;
    i32 f[7] = {1, 1, 1, 1, 1, 1, 0}, st = 0, pc = 0, whole = 1;
    SRVMNU(0, whole, pc, 1, ALL, f, st);
    EXPECT_NE(last_menu().find("@MOTION: NO FAST DISP.@"), std::string::npos);
    EXPECT_EQ(TLER[0], 4);
    EXPECT_EQ(get_fdflg(), 1);
}

TEST(ServiceMenu, HeightsRecordWords)
{
    // The toggle is stored on leaving; the clearance height is a value row.
    service(R"([{"menu": 26, "value": 1}, {"menu": 25, "value": 12.5}, {"menu": 0}])");
    EXPECT_EQ(HEI8[HEI8_ZMIN], 1);
    EXPECT_FLOAT_EQ(wrd2r(HEI8[HEI8_CLEARANCE]), 12.5f);
    // Clearance mode 1 (a point Z) sets word 77; back to distance clears it.
    service(R"([{"menu": 27, "value": 1}, {"menu": 28, "value": 40}, {"menu": 0}])");
    EXPECT_EQ(HEI8[HEI8_ABSOLUTE], 1);
    EXPECT_FLOAT_EQ(wrd2r(HEI8[HEI8_PLANE2]), 40.0f);
    // An indicated point: its Z less the origin's becomes word 25.
    service(R"([{"menu": 27, "value": 2}, {"point": [1, 2, 33]}, {"menu": 0}])");
    EXPECT_FLOAT_EQ(wrd2r(HEI8[HEI8_PLANE2]), 33.0f);
    EXPECT_EQ(HEI8[HEI8_ABSOLUTE], 1);
    EXPECT_TRUE(has("prompt: IND. CLEAR POINT"));
    // A cancelled point keeps the mode it had.
    service(R"([{"menu": 27, "value": 2}, {"point": [0, 0, 0], "escape": true}, {"menu": 0}])");
    EXPECT_EQ(HEI8[HEI8_ABSOLUTE], 0);
    EXPECT_FLOAT_EQ(wrd2r(HEI8[HEI8_PLANE2]), 0.0f);
    // A point where the clearance point already is changes nothing; the
    // menu built again shows the mode chosen.
    service(R"([{"menu": 27, "value": 2}, {"point": [0, 0, 0]}, {"menu": 0}])");
    EXPECT_EQ(HEI8[HEI8_ABSOLUTE], 0);
    EXPECT_NE(last_menu().find("CLEARANCE MODE : IND. POINT"), std::string::npos) << last_menu();
    // The mode chosen as it was: the menu is not built again (every build
    // reads the procedure's coordinate system, which these tests lack).
    service(R"([{"menu": 27, "value": 3}, {"menu": 0}])");
    EXPECT_EQ(norak::transcript_count("host message 319/30"), 1u);
    // Print mode: the menu is written once, nothing is asked.
    service("[]", ALL, 0, 1);
    EXPECT_EQ(norak::transcript_count("listing:  "), 2u);  // the menu's head and end, once
    EXPECT_EQ(norak::transcript_count("menu: "), 0u);
}

// The menu area is cleared whole (0) at the first build, after most actions
// and on leaving; the rebuilds after the heights items and a clearance-mode
// choice clear only the rows and redraw the menu in place (1).
TEST(ServiceMenu, HeightRebuildsRedrawInPlace)
{
    struct Case {
        const char* replies;
        std::vector<i32> clears;
    };
    const Case cases[] = {
        {R"([{"menu": 25, "value": 12.5}, {"menu": 0}])", {0, 1, 0}},
        {R"([{"menu": 28, "value": 4}, {"menu": 0}])", {0, 1, 0}},
        {R"([{"menu": 27, "value": 1}, {"menu": 0}])", {0, 1, 0}},
        // The point indication clears the area for its prompt.
        {R"([{"menu": 27, "value": 2}, {"point": [0, 0, 0], "escape": true}, {"menu": 0}])", {0, 0, 1, 0}},
        {R"([{"menu": 27, "value": 2}, {"point": [0, 0, 0]}, {"menu": 0}])", {0, 0, 1, 0}},
        {R"([{"menu": 27, "value": 2}, {"point": [0, 0, 9]}, {"menu": 0}])", {0, 0, 1, 0}},
        {R"([{"menu": "CALCULATE PARTBOX"}, {"menu": 0}])", {0, 0, 0}},
        {R"([{"menu": 25, "value": 1}, {"menu": "CALCULATE PARTBOX"}, {"menu": 28, "value": 2}, {"menu": 0}])",
         {0, 1, 0, 1, 0}},
    };
    MNULAY();  // the clear modes, as the procedure start sets them
    for (const Case& c : cases) {
        service(c.replies);
        EXPECT_EQ(norak::menu_clears(), c.clears) << c.replies;
    }
}

TEST(ServiceMenu, ActionsReachTheirServices)
{
    service(R"([{"menu": "TP LIST"}, {"menu": 0}])");
    EXPECT_TRUE(has("host message 322/10: WRITING THE TOOL PATH LISTING") || norak::transcript_count("TP_LIST") > 0);
    // GO TO POINT runs the GO menu (left at its first point); BLANK
    // PROCEDURE blanks once and is no longer offered.
    SVAPRX = 2;
    service(R"([{"menu": "GO TO POINT"}, {"escape": true}, {"menu": "BLANK PROCEDURE"}, {"menu": 0}])");
    EXPECT_TRUE(has("prompt: INDICATE POINT"));
    EXPECT_EQ(SVAPRX, 1);
    // So does the start of every procedure.
    SVAPRX = 2;
    i32 machtype = 0, pausable = 0, st = -9;
    MODSTR(-1, machtype, pausable, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(SVAPRX, 1);
    EXPECT_NE(last_menu().find("TYPE = MILL 3X@ @TOOL: DISPLAY"), std::string::npos) << last_menu();
    // EDIT MESSAGE in the editing context: no message in the list.
    service(R"([{"menu": "EDIT MESSAGE"}, {"menu": 0}])", ALL, 1);
    EXPECT_TRUE(has("user: NO MESSAGES FOUND"));
    service(R"([{"menu": "CALCULATE PARTBOX"}, {"menu": 0}])");
    EXPECT_TRUE(has("host: part box calculated"));
    EXPECT_TRUE(has("host: part heights updated"));
    // Info rows and blanks cannot be chosen; a reply past the rows is refused
    // by the host and the menu indexes nothing past its tables.
    EXPECT_THROW(service(R"([{"menu": 14}])"), std::exception);
}

TEST(ToolMenu, SpindleSpeedRule)
{
    i32 n = 0;
    SPNSPD(10.0f, 100.0f, n);
    EXPECT_EQ(n, 3183);
    SPNSPD(10.0f, 0.0f, n);
    EXPECT_EQ(n, 0);
    SPNSPD(0.0f, 100.0f, n);
    EXPECT_EQ(n, 999999);
    SPNSPD(0.001f, 9999.0f, n);
    EXPECT_EQ(n, 999999);
    SPNSPD(10.0f, -100.0f, n);
    EXPECT_EQ(n, 3183);
    SPNSPD(10.0f, 101.0f, n);  // 3214.9: rounded to the nearest
    EXPECT_EQ(n, 3215);
}

// The main menu's option table for the tool menu.
constexpr i32 TOOLOPTS[13] = {1, 1, 0, 1, 1, 1, 0, 1, 0, 0, 1, 1, 0};

TEST(ToolMenu, ValuesGoToTheToolCacheAndTheWarningsAreShown)
{
    proct::fresh(R"([{"menu": "FEED", "value": 250}, {"menu": 8, "value": 2}, {"menu": 0}])");
    PRM9[0] = r2wrd(100.0f);
    PRM9[1] = r2wrd(120.0f);
    PRM9[7] = 4000;
    PRM9[8] = 1;
    PRM9[21] = r2wrd(-2.0f);
    i32 st = 0, pc = 0;
    MNULAY();  // the clear modes, as the procedure start sets them
    TOLMNU(pc, TOOLOPTS, 0, st);
    EXPECT_EQ(st, 0);
    // The menu of several columns is cleared whole when it starts and when
    // it is left (0); shown again after the choice that rebuilds it, its
    // rows are cleared in place (1).
    const std::vector<i32>& clears = norak::menu_clears();
    EXPECT_EQ(clears, (std::vector<i32>{0, 1, 0}));
    EXPECT_FLOAT_EQ(wrd2r(PRM9[0]), 250.0f);
    EXPECT_TRUE(has("message: WARNING: SPINDLE IS CCW!"));
    EXPECT_FLOAT_EQ(wrd2r(PRM9[21]), -2.0f);  // the machine's maximum feed kept
    f32 feed = 0;
    GTFEED(CURTOL, feed);
    EXPECT_FLOAT_EQ(feed, 250.0f);
}

TEST(ToolMenu, CuttingSpeedSetsTheSpindleAndImperialSpeedsAreStoredInMetres)
{
    // Metric: a cutting speed of 100 at the ball of 10 gives 3183.
    proct::fresh(R"([{"menu": "CUTTING SPEED", "value": 100}, {"menu": 0}])");
    PRM9[8] = 1;
    i32 st = 0, pc = 0;
    TOLMNU(pc, TOOLOPTS, 0, st);
    EXPECT_FLOAT_EQ(wrd2r(PRM9[1]), 100.0f);
    EXPECT_EQ(PRM9[7], 3183);
    i32 spin = 0;
    GTSPIN(CURTOL, spin);
    EXPECT_EQ(spin, 3183);
    // Inches: the speed is shown and entered in feet a minute.
    norak::reset();
    norak::load_session_text(std::string("{\"settings\": {\"unit\": 25.4}, \"entities\": [") + proct::ENTITIES +
                             R"x(], "replies": [{"menu": "CUTTING SPEED (FT/MIN)", "value": 328.084}, {"menu": 0}]})x");
    PRM9[1] = r2wrd(50.0f);
    PRM9[8] = 1;
    TOLMNU(pc, TOOLOPTS, 0, st);
    EXPECT_NEAR(wrd2r(PRM9[1]), 100.0f, 1e-3f);
    EXPECT_NE(norak::transcript_has("CUTTING SPEED (FT/MIN) = 164"), false);
}

TEST(ToolMenu, SpindleOffHidesTheSpeedsAndNoToolSkipsTheMenu)
{
    proct::fresh(R"([{"menu": 0}])");
    PRM9[8] = 3;
    i32 st = 0, pc = 0;
    TOLMNU(pc, TOOLOPTS, 0, st);
    EXPECT_EQ(last_menu().find("CUTTING SPEED"), std::string::npos);
    EXPECT_EQ(last_menu().find("SPINDLE SPEED"), std::string::npos);
    EXPECT_TRUE(norak::transcript_has("message: WARNING: SPINDLE IS OFF!"));
    // No current tool: nothing is shown and nothing asked.
    proct::fresh("[]");
    PRM9[PRM9_TOOL] = 999;
    TOLMNU(pc, TOOLOPTS, 0, st);
    EXPECT_EQ(last_menu(), "");
}

TEST(ToolMenu, AfterSelectNewToolTheOptionIsUnpadded)
{
    // The library offers nothing for this filter: the tool stays, the
    // option is rebuilt unpadded all the same.
    proct::fresh(R"([{"menu": "SELECT NEW TOOL"}, {"menu": 0}])");
    TYPFLT(0, 0);  // no tool type passes: earlier tests may have left one
    i32 st = 0, pc = 0;
    TOLMNU(pc, TOOLOPTS, 0, st);
    EXPECT_EQ(PRM9[PRM9_TOOL], 101);
    EXPECT_TRUE(norak::transcript_has("menu: TOOL=BALL 10         >@"));
    EXPECT_TRUE(norak::transcript_has("menu: TOOL=BALL 10@ @"));
}

TEST(ServiceMenu, ColumnsFollowTheirOwnOptionsAndTheRedisplayRule)
{
    // Column 4 without column 5; PROCEDURE LIST wants option 7 as well as
    // the editing context.
    const i32 some[9] = {0, 0, 0, 0, 0, 1, 0, 1, 0};
    service(R"([{"menu": 0}])", some, 1);
    const std::string m = last_menu();
    EXPECT_NE(m.find("CHANGE ORIGIN"), std::string::npos) << m;
    EXPECT_EQ(m.find("INSERT MESSAGE"), std::string::npos) << m;
    EXPECT_EQ(m.find("PROCEDURE LIST"), std::string::npos) << m;
    EXPECT_NE(m.find("TOOL LIST"), std::string::npos) << m;
    // The menu is redisplayed only after the screen was cleared.
    proct::fresh("[]");
    REDSPL();
    EXPECT_FALSE(norak::transcript_has("host: menu redisplayed"));
    i32 one = 1, state = 0;
    gsclr(2, one);
    REDSPL();
    EXPECT_TRUE(norak::transcript_has("host: menu redisplayed"));
    gsclr(1, state);
    EXPECT_EQ(state, 0);
}

TEST(ToolMenu, ColumnsFollowTheirOptionsAndTheMaximumFeedChoice)
{
    const i32 feed_only[13] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const i32 value4_only[13] = {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    i32 st = 0, pc = 0;
    proct::fresh(R"([{"menu": 0}])");
    TOLMNU(pc, feed_only, 0, st);
    EXPECT_NE(last_menu().find("@FEED = "), std::string::npos) << last_menu();
    proct::fresh(R"([{"menu": 0}])");
    TOLMNU(pc, value4_only, 0, st);
    EXPECT_NE(last_menu().find("@MACHINE VALUE 4 = "), std::string::npos) << last_menu();
    // Option 9 alone: the motion column; option 10 alone: the mode 19 column.
    const i32 motion_only[13] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
    const i32 mode19_only[13] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    proct::fresh(R"([{"menu": 0}])");
    TOLMNU(pc, motion_only, 0, st);
    EXPECT_NE(last_menu().find("MOTION"), std::string::npos) << last_menu();
    EXPECT_EQ(last_menu().find("MODE 19"), std::string::npos) << last_menu();
    proct::fresh(R"([{"menu": 0}])");
    TOLMNU(pc, mode19_only, 0, st);
    EXPECT_NE(last_menu().find("MODE 19"), std::string::npos) << last_menu();
    EXPECT_EQ(last_menu().find("MOTION"), std::string::npos) << last_menu();
    // Machining type 14 offers the word-23 choice; the menu's kind 1 drops it.
    proct::fresh(R"([{"menu": 0}])");
    MACTYP = 14;
    TOLMNU(pc, TOOLOPTS, 0, st);
    EXPECT_NE(last_menu().find("VALUE 23"), std::string::npos);
    proct::fresh(R"([{"menu": 0}])");
    MACTYP = 14;
    TOLMNU(pc, TOOLOPTS, 1, st);
    EXPECT_EQ(last_menu().find("VALUE 23"), std::string::npos);
    // The machine's maximum feed (-2) changed to a given one starts at the
    // default maximum feed.
    proct::fresh(R"([{"menu": "MAX FEED", "value": 2}, {"menu": 0}])");
    PRM9[21] = r2wrd(-2.0f);
    TOLMNU(pc, TOOLOPTS, 0, st);
    EXPECT_FLOAT_EQ(wrd2r(PRM9[21]), -15000.0f);
    proct::fresh(R"([{"menu": "MAX FEED", "value": 1}, {"menu": 0}])");
    PRM9[21] = r2wrd(-900.0f);
    TOLMNU(pc, TOOLOPTS, 0, st);
    EXPECT_FLOAT_EQ(wrd2r(PRM9[21]), -2.0f);
}

// Writes over the stack below the caller, where the locals of a routine
// that has returned lay.
[[gnu::noinline]] void scribble()
{
    volatile unsigned char junk[1 << 16];
    for (size_t k = 0; k < sizeof junk; ++k) junk[k] = 0x7f;
}

// The word-13 choice follows word 13 at every build (the word-23 choice
// clears it); driven by the host, the menu shows the tool and leaves its
// items on words that outlive the call.
TEST(ToolMenu, TheToolCheckShowsWordThirteenAsItIsAndHostItemsOutliveTheCall)
{
    i32 opts[13];
    std::memcpy(opts, TOOLOPTS, sizeof opts);
    opts[6] = 1;  // the word-13 choice
    proct::fresh(R"([{"menu": "VALUE 23", "value": 1}, {"menu": 0}])");
    MACTYP = 2;
    PRM9[PRM9_SHOWTOOL] = 1;
    PRM9[PRM9_FIT] = 2;
    i32 st = 0, pc = 0;
    TOLMNU(pc, opts, 0, st);
    EXPECT_EQ(PRM9[PRM9_SHOWTOOL], 0);
    EXPECT_NE(last_menu().find("TOOL CHECK : NO"), std::string::npos) << last_menu();

    proct::fresh(R"([{"menu": 0}])");
    MACTYP = 2;
    PRM9[PRM9_SHOWTOOL] = 1;
    nu_mod_set_flag(1);
    TOLMNU(pc, opts, 0, st);
    EXPECT_TRUE(has("TOOL NAME"));  // the tool's parameters shown
    scribble();
    i32 reply = 0;
    modrpl(reply);  // the host runs the items
    nu_mod_set_flag(0);
    EXPECT_NE(last_menu().find("TOOL CHECK : YES"), std::string::npos) << last_menu();

    // The SERVICE menu likewise: its height items stay on live words.
    proct::fresh(R"([{"menu": 0}])");
    HEI8[HEI8_ZMIN] = 1;
    nu_mod_set_flag(1);
    i32 f[7] = {1, 1, 1, 1, 1, 1, 0}, whole = 1;
    SRVMNU(0, whole, pc, 1, ALL, f, st);
    scribble();
    modrpl(reply);
    nu_mod_set_flag(0);
    EXPECT_NE(last_menu().find("HEIGHT RELATIVE : YES@CLEARANCE MODE : DISTANCE"), std::string::npos) << last_menu();
}

// A lathe's speed mode chooses which speed is edited; a punch's two choices
// set their modal codes; a tool without a size refuses a cutting speed and
// the menu is left without storing.
TEST(ToolMenu, LatheSpeedModePunchChoicesAndAToolWithoutASize)
{
    i32 st = 0, pc = 0;
    // The tool menu of a lathe procedure in speed mode 1, spindle at 500.
    const auto lathe = [&](const char* replies) {
        proct::fresh(replies, MACH_LATHE);
        MACTYP = 5;
        PRM9[PRM9_SPMODE] = 1;
        PRM9[PRM9_DIR] = 1;
        PRM9[PRM9_SPIN] = 500;
        TOLMNU(pc, TOOLOPTS, 0, st);
    };
    lathe(R"([{"menu": "SPEED MODE", "value": 2}, {"menu": "SPINDLE SPEED", "value": 1200}, {"menu": 0}])");
    EXPECT_EQ(PRM9[PRM9_SPMODE], 2);
    EXPECT_EQ(PRM9[PRM9_SPIN], 1200);
    EXPECT_EQ(DSM4[DSM4_SPIN], 1200);
    EXPECT_NE(last_menu().find("SPINDLE SPEED = 1200"), std::string::npos) << last_menu();
    EXPECT_EQ(last_menu().find("CUTTING SPEED"), std::string::npos) << last_menu();
    // Speed mode 1: a cutting speed sets modal code 10 alone.
    lathe(R"([{"menu": "CUTTING SPEED", "value": 80}, {"menu": 0}])");
    EXPECT_FLOAT_EQ(wrd2r(DSM4[DSM4_SPEED]), 80.0f);
    EXPECT_EQ(PRM9[PRM9_SPIN], 500);

    proct::fresh(R"([{"menu": "PUNCH VALUE 16", "value": 2}, {"menu": "PUNCH VALUE 15", "value": 2},
                     {"menu": 0}])", MACH_PUNCH);
    MACTYP = 19;
    PRM9[PRM9_P53] = PRM9[PRM9_P52] = 1;
    TOLMNU(pc, TOOLOPTS, 0, st);
    EXPECT_EQ(DSM4[DSM4_PUNCH], 2);
    EXPECT_EQ(DSM4[DSM4_NIBBLE], 2);

    norak::reset();
    norak::load_session_text(R"({"entities": [{"kind": "tool", "id": 140, "type": "LATHE", "name": "TURN 0.8",
        "nose_radius": 0.8}], "replies": [{"menu": "FEED", "value": 333}, {"menu": "CUTTING SPEED", "value": 90}]})");
    std::memset(PRM9, 0, sizeof PRM9);
    NPT1[NPT1_MACHINE] = 23;
    MACTYP = 2;
    PRM9[PRM9_TOOL] = 140;
    PRM9[PRM9_DIR] = 1;
    PRM9[PRM9_SPIN] = 700;
    TOLMNU(pc, TOOLOPTS, 0, st);
    EXPECT_EQ(PRM9[PRM9_SPIN], 700);
    f32 feed = 0;
    GTFEED(140, feed);
    EXPECT_LT(feed, 0.0f);  // nothing stored into the tool
    EXPECT_EQ(norak::replies_left(), 0u);
}

// Machining type 38: the host's ten machine-table words in three columns,
// the first word's choice building them again.
TEST(ToolMenu, MachineTableColumns)
{
    i32 st = 0, pc = 0;
    proct::fresh(R"([{"menu": "TABLE MODE", "value": 2}, {"menu": "TABLE VALUE 3", "value": 4.5}, {"menu": 0}])");
    MACTYP = 38;
    std::memset(MCHTBL, 0, sizeof(i32) * MCHT_N);
    MCHTBL[0] = 1;
    MCHTBL[6] = 12;
    TOLMNU(pc, TOOLOPTS, 0, st);
    EXPECT_TRUE(has("TABLE MODE : 1@TABLE VALUE 7 = 12@ @ @TABLE VALUE 4 = 0@TABLE VALUE 8 = 0@ @FEED = "));
    EXPECT_TRUE(has("TABLE MODE : 2@TABLE ANGLE = 0@TABLE VALUE 3 = 4.5@ @"));
    EXPECT_EQ(MCHTBL[0], 2);
    EXPECT_FLOAT_EQ(wrd2r(MCHTBL[2]), 4.5f);
    EXPECT_EQ(norak::replies_left(), 0u);
    // Option 13: the first word is shown, not offered.
    i32 opts[13];
    std::memcpy(opts, TOOLOPTS, sizeof opts);
    opts[12] = 1;
    proct::fresh(R"([{"menu": 0}])");
    MACTYP = 38;
    TOLMNU(pc, opts, 0, st);
    EXPECT_NE(last_menu().find("@TABLE MODE@TABLE ANGLE = 0@"), std::string::npos) << last_menu();
    MACTYP = 2;
}

}  // namespace

TEST(ServiceMenu, TheRotaryAxisOfAFourAxisMachineTheOriginAndTheCriteriaList)
{
    // a 4-axis mill: the machine's name with its rotary axis
    for (i32 axis : {1, 2, 3}) {
        proct::fresh(R"([{"menu": 0}])", MACH_MILL4);
        RAXN[RAXN_AXIS] = axis;
        i32 f[7] = {1, 1, 1, 1, 1, 1, 0}, st = 0, pc = 0, whole = 1;
        SRVMNU(0, whole, pc, 1, ALL, f, st);
        const char* want = axis == 1 ? "@TYPE = MILL 4X(A-AXIS)@" : axis == 2 ? "@TYPE = MILL 4X(Y-AXIS)@"
                                                                            : "@TYPE = MILL 4X(Z-AXIS)@";
        EXPECT_NE(last_menu().find(want), std::string::npos) << last_menu();
    }
    // CHANGE ORIGIN: the procedure placed again, the heights shifted around it
    service(R"([{"menu": "CHANGE ORIGIN"}, {"menu": 0}])");
    EXPECT_TRUE(has("host: part heights updated"));
    EXPECT_TRUE(has("host: part box message 1"));
    // the criteria list of a procedure with criteria, named by its type,
    // written where the part is; with no class flagged, the whole tool
    // path's criteria list
    fix::InTempDir tmp;
    ASSERT_FALSE(tmp.dir.empty());
    proct::fresh(R"([{"menu": "CRITERIA LIST"}, {"menu": 0}])");
    nu_sgcd_set_code(9);
    DRVST.proc = 3;
    CRTCLS[0] = 1;
    i32 f[7] = {1, 1, 1, 1, 1, 1, 0}, st = 0, pc = 0, whole = 1;
    SRVMNU(0, whole, pc, 1, ALL, f, st);
    EXPECT_TRUE(has("PART.tavrek03.crit_list"));
    EXPECT_FALSE(tmp.file("PART.tavrek03.crit_list").empty());
    proct::fresh(R"([{"menu": "CRITERIA LIST"}, {"menu": 0}])");
    const i32 none[5] = {0, 0, 0, 0, 0}, standard[5] = {0, 1, 0, 0, 0};
    CRTFLG(none);
    SRVMNU(0, whole, pc, 1, ALL, f, st);
    CRTFLG(standard);
    EXPECT_NE(tmp.file("PART.CRIT_LIST").find("--- CRITERIA LIST FOR TOOLPATH ---"), std::string::npos);
}

// The information texts of a stored tool path: its header's name and
// machine, the axis of its rotation-axes entry, its size over the entities
// it holds, its own view and level.
TEST(ServiceMenu, InformationTextsOfAStoredToolPath)
{
    proct::fresh();
    std::vector<i32> header(47, 0);
    std::memcpy(header.data(), "OTHER   ", 8);
    header[2] = MACH_MILL4;
    norak::Entity axes;
    axes.cls = 9;
    axes.type = norak::MOVMNT_TYPE;
    axes.words = {0, 0, 0, 1, 0, 11, 10, 1, 2, 0, 0, 0, r2wrd(1.0f), 0, 0, 0, 0};
    const i32 raxes = norak::add_entity(axes);
    const i32 tp = norak::add_toolpath_entity(header, {{10, raxes}});
    norak::entities()[tp].attrs["VN"] = 2;
    norak::entities()[tp].attrs["LE"] = 3;
    char name[22], size[22], left[22], type[22], level[22], macsys[22];
    TPHDRF(tp, 0, name, size, left, type, level, macsys);
    auto text = [](const char* t) { return std::string(t, 22); };
    auto pad = [](std::string s) {
        s.resize(22, ' ');
        return s;
    };
    EXPECT_EQ(text(name), pad("TP NAME = OTHER"));
    EXPECT_EQ(text(type), pad("TYPE = MILL 4X(Y-AXIS)"));
    const size_t words = norak::entities()[tp].words.size() + axes.words.size();
    EXPECT_EQ(text(size), pad("TP SIZE = " + std::to_string(4 * words) + " BYTES"));
    EXPECT_EQ(text(macsys), pad("MACSYS = MACSYS2"));
    EXPECT_EQ(text(level), pad("LEVEL = L3"));
    EXPECT_EQ(norak::open_entity(), 0);
    // An entry the host cannot open: no size.
    const i32 broken = norak::add_toolpath_entity(header, {{10, raxes}, {4, 99999}});
    TPHDRF(broken, 0, name, size, left, type, level, macsys);
    EXPECT_EQ(text(size), pad(""));
    // A tool path that holds itself is not counted without end.
    const i32 next = norak::add_toolpath_entity(header, {});
    const i32 loop = norak::add_toolpath_entity(header, {{2, next + 1}});
    ASSERT_EQ(loop, next + 1);
    TPHDRF(loop, 0, name, size, left, type, level, macsys);
    EXPECT_EQ(text(size), pad(""));
    // A sub-tool-path is counted whole, a procedure with its geometry, and
    // its movement entity as the tool path's entry it is.
    i32 proc = 0, number = 3, code = 9, nw = 0, ng = 0, st = 0;
    dbd_proc(3, proc, number, code, nullptr, nw, nullptr, ng, st);
    ASSERT_EQ(st, 0);
    norak::Entity moves = axes;
    const i32 movement = norak::add_entity(moves);
    norak::movement_entities()[proc] = movement;
    const i32 outer = norak::add_toolpath_entity(header, {{2, tp}, {1, proc}, {4, movement}});
    TPHDRF(outer, 0, name, size, left, type, level, macsys);
    const size_t all = words + norak::entities()[outer].words.size() + norak::entities()[proc].words.size() +
                       moves.words.size();
    EXPECT_EQ(text(size), pad("TP SIZE = " + std::to_string(4 * all) + " BYTES"));
    // Named by its procedure alone, the movement entity is no entry: not
    // counted.
    const i32 bare = norak::add_toolpath_entity(header, {{2, tp}, {1, proc}});
    TPHDRF(bare, 0, name, size, left, type, level, macsys);
    EXPECT_EQ(text(size), pad("TP SIZE = " + std::to_string(4 * (all - moves.words.size())) + " BYTES"));
}

TEST(ProcedureText, TheOldTextIsShownUnderscoredAndANewOneReplacesIt)
{
    proct::fresh(R"([{"prompt": "NEW TEXT= ", "answer": "FINISH A"}, {"prompt": "NEW TEXT= ", "escape": true}])");
    char text[24] = "ROUGH";
    std::memset(text + 5, ' ', 15);
    GSTXT1(2, text);
    i32 st = 9;
    TXTEDT(st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(has("OLD TEXT=ROUGH_______________"));
    char now[24] = {0};
    GSTXT1(1, now);
    EXPECT_EQ(std::string(now, 20), "FINISH A            ");
    // nothing typed: the text stays
    TXTEDT(st);
    GSTXT1(1, now);
    EXPECT_EQ(std::string(now, 20), "FINISH A            ");
    EXPECT_EQ(norak::replies_left(), 0u);
}
