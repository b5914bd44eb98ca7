#include <gtest/gtest.h>

#include <cstring>

#include "core/host.h"
#include "library.h"
#include "tools/tooldlg.h"

namespace {

void menu(const std::string& answer, const std::string& expect = "")
{
    norak::Reply r;
    r.kind = "menu";
    r.answer = answer;
    r.expect = expect;
    norak::add_reply(r);
}

void prompt(const std::string& asked, const std::string& answer, bool escape = false)
{
    norak::Reply r;
    r.kind = "prompt";
    r.expect = asked;
    r.answer = answer;
    r.escape = escape;
    norak::add_reply(r);
}

TEST(ToolDialogs, ChooseAToolFromTheLibrary)
{
    fresh();
    TYPFLT(0, TT_MILL);
    menu("BALL 8", "FLAT 10             @BALL 8              @TORUS 12 R2");
    char name[20] = "X";
    i32 st = 0;
    CHSTLC(1, name, st);
    EXPECT_EQ(st, 0);
    EXPECT_STREQ(name, "BALL 8");
    EXPECT_EQ(CURTOL, 102);
    EXPECT_EQ(TLCBLK.id, 102);
    EXPECT_FALSE(norak::transcript_has("DRILL 8.5"));  // the filter keeps the drills out
    EXPECT_EQ(norak::open_arrays(), 0);

    norak::Reply esc;
    esc.kind = "menu";
    esc.escape = true;
    norak::add_reply(esc);
    CHSTLC(1, name, st);
    EXPECT_EQ(st, -2);
    EXPECT_EQ(CURTOL, 102);
    EXPECT_STREQ(name, "");

    TYPFLT(0, TT_THREAD);
    CHSTLC(1, name, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("user: CHSTLC, NO SUITABLE TOOL IN THE TOOL LIBRARY"));
    EXPECT_EQ(norak::replies_left(), 0u);
}

TEST(ToolDialogs, CreateAMillThroughTheDialog)
{
    fresh();
    prompt("TOOL NAME", "ball 8");  // taken: asked again
    prompt("TOOL NAME", "new cutter");
    prompt("TOOL TEXT", "");
    prompt("DIAMETER", "16");
    prompt("CORNER RADIUS", "9");  // above half the diameter: asked again
    prompt("CORNER RADIUS", "2");
    prompt("TAPER ANGLE", "95");  // out of range: asked again
    prompt("TAPER ANGLE", "0");
    prompt("CUTTING LENGTH", "30");
    prompt("CLEARANCE LENGTH", "50");
    prompt("TOOL LIFE", "3");
    i32 id = 0, st = 0;
    TLSRST(4);
    CPLTOL(TT_MILL, 4, id, st);
    ASSERT_EQ(st, 0);
    ASSERT_GT(id, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_TRUE(norak::transcript_has("DEFTOL, TOOL NAME EXISTS ALREADY: BALL 8"));
    EXPECT_TRUE(norak::transcript_has("DEFTOL, CORNER RADIUS ABOVE HALF THE DIAMETER"));
    EXPECT_TRUE(norak::transcript_has("DEFTOL, TAPER ANGLE OUT OF RANGE 0.000 TO 89.999"));
    EXPECT_EQ(CURTOL, id);
    i32 slot0 = 0;
    TLSGET(4, 1, slot0, st);
    EXPECT_EQ(slot0, id);
    reltol(4, st);

    // The new tool lives in the part: a fresh start still finds it.
    TLTINI();
    f32 v = 0;
    GTDIAM(id, v); EXPECT_FLOAT_EQ(v, 16);
    GTCRNR(id, v); EXPECT_FLOAT_EQ(v, 2);
    GTCLRL(id, v); EXPECT_FLOAT_EQ(v, 50);
    EXPECT_FLOAT_EQ(TLCBLK.LIFLNG, 3);
    EXPECT_EQ(name20(id), pad20("NEW CUTTER"));
    char text[20];
    GTTTXT(id, text);
    EXPECT_EQ(std::string(text, 20), pad20("NO TEXT"));
    i32 found = 0, other = 0;
    FNDTNM("NEW CUTTER          ", TT_MILL, other, found);
    EXPECT_EQ(found, 1); EXPECT_EQ(other, id);
    i32 ty = 0;
    eattc(id, 1, "TY", ty);
    EXPECT_EQ(ty, TT_MILL);
    GTFEED(id, v); EXPECT_LT(v, 0.0f);  // technology not set yet
    EXPECT_EQ(TLCBLK.hdr[TH_NTEC], 1);
    EXPECT_EQ(TLCBLK.hdr[TH_VERS], TLVERS);
}

TEST(ToolDialogs, AToolTypeWithoutTableGetsOne)
{
    fresh();
    prompt("TOOL NAME", "m8 thread");
    prompt("TOOL TEXT", "tap");
    prompt("NOSE RADIUS", "0.2");
    prompt("WIDTH", "1.25");
    prompt("LENGTH", "12");
    i32 id = 0, st = 0;
    CPLTOL(TT_THREAD, 0, id, st);
    ASSERT_EQ(st, 0);
    EXPECT_GT(norak::records()["SYT2"].words[3 * (TT_THREAD - 1) + SY_TABLE], 0);
    TLTINI();
    TYPFLT(0, TT_THREAD);
    i32 n = 0;
    TLSFIL(5, n, st);
    EXPECT_EQ(st, 0); EXPECT_EQ(n, 1);
    reltol(5, st);
    i32 t = 0;
    GTTTYP(id, t); EXPECT_EQ(t, TT_THREAD);
}

TEST(ToolDialogs, EscapeCreatesNothing)
{
    fresh();
    size_t before = norak::entities().size();
    prompt("TOOL NAME", "HALF DONE");
    prompt("TOOL TEXT", "");
    prompt("DIAMETER", "", true);
    i32 id = 0, st = 0;
    CPLTOL(TT_MILL, 0, id, st);
    EXPECT_EQ(st, -2); EXPECT_EQ(id, -1);
    EXPECT_EQ(norak::entities().size(), before);
    CPLTOL(12, 0, id, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("CPLTOL, WRONG TOOL TYPE 12"));
}

TEST(ToolDialogs, CopiesGetNumberedNames)
{
    std::string s = LIBRARY;
    s.insert(s.find("{\"kind\": \"cycle\""),
             R"({"kind": "tool", "id": 60, "type": "MILL", "name": "ROUGHING CUTTER 12", "diameter": 12,
                 "corner_radius": 1, "clearance_length": 40, "holder": 50, "technology": [{"spindle": 900, "feed": 250}]},
                {"kind": "tool", "id": 61, "type": "MILL", "name": "ROUGHING CUTTER_002", "diameter": 12},)");
    fresh(s);
    i32 st = 0, a = 0, b = 0;
    SGTOOL(3, 60, st);
    CPYTOL(nullptr, nullptr, a, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(name20(a), pad20("ROUGHING CUTTER_001"));
    EXPECT_TRUE(norak::transcript_has("host message 339/86: TOOL CREATED: ROUGHING CUTTER_001"));
    f32 v = 0;
    GTCRNR(a, v); EXPECT_FLOAT_EQ(v, 1);
    i32 hdr[TLHDR_N], holder = 0, hmode = 0;
    RDTOOL(a, hdr, holder, hmode, st);
    EXPECT_EQ(holder, 50);  // the holder is shared when unchanged

    // The next copy skips the name taken; it gets new values and a new holder.
    f32 mill[12];
    GTMREC(60, mill);
    mill[ML_CLRLNG] = 55;
    mill[ML_LNGTHN] = 1;
    i32 hold[HLDREC_N];
    HLDREC(1, 50, hold, st);
    hold[HD_STEP] = r2wrd(80.0f);
    CPYTOL(mill, hold, b, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(name20(b), pad20("ROUGHING CUTTER_003"));
    GTCLRL(b, v); EXPECT_FLOAT_EQ(v, 55);
    GTCLRL(60, v); EXPECT_FLOAT_EQ(v, 40);
    RDTOOL(b, hdr, holder, hmode, st);
    EXPECT_NE(holder, 50);
    i32 got[HLDREC_N];
    HLDREC(1, holder, got, st);
    EXPECT_FLOAT_EQ(wrd2r(got[HD_STEP]), 80);
    HLDREC(1, 50, got, st);
    EXPECT_FLOAT_EQ(wrd2r(got[HD_STEP]), 50);

    // The copy's technology is its own: editing it leaves the original alone.
    TLTCAS = 1;
    GTFEED(a, v); EXPECT_FLOAT_EQ(v, 250);
    SGTOOL(3, a, st);
    STFEED(111.0f);
    SGTOOL(6, a, st);
    TLTINI();
    GTFEED(a, v); EXPECT_FLOAT_EQ(v, 111);
    GTFEED(60, v); EXPECT_FLOAT_EQ(v, 250);

    // A short name keeps its whole text; a long one its first 15 characters.
    SGTOOL(3, 102, st);
    CPYTOL(nullptr, nullptr, a, st);
    EXPECT_EQ(name20(a), pad20("BALL 8_001"));
}

TEST(ToolDialogs, NoFreeNumberedNameCreatesNothing)
{
    std::string tools;
    for (int n = 1; n <= 998; ++n) {
        char b[32];
        std::snprintf(b, sizeof b, "C_%03d", n);
        tools += R"({"kind": "tool", "type": "MILL", "diameter": 1, "name": ")" + std::string(b) + "\"},";
    }
    std::string s = LIBRARY;
    s.insert(s.find("\"entities\": [") + 13, tools + R"({"kind": "tool", "id": 9000, "type": "MILL", "diameter": 1, "name": "C"},)");
    fresh(s);
    i32 st = 0, id = 0;
    SGTOOL(3, 9000, st);
    size_t before = norak::entities().size();
    CPYTOL(nullptr, nullptr, id, st);
    EXPECT_EQ(st, -1); EXPECT_EQ(id, -1);
    EXPECT_TRUE(norak::transcript_has("host message 339/87: NO FREE NAME FOR A COPY OF C"));
    EXPECT_EQ(norak::entities().size(), before);
}

TEST(ToolDialogs, ShowAndListTheToolParameters)
{
    fresh();
    i32 st = 0;
    DEFTOL(TT_MILL, 10, 1, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("user: DEFTOL, NO TOOL IS LOADED"));
    f32 v = 0;
    GTDIAM(101, v);
    DEFTOL(TT_MILL, 10, 1, st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(norak::transcript_has("window: TOOL NAME        : FLAT 10"));
    EXPECT_TRUE(norak::transcript_has("window: DIAMETER         : 10.000"));
    EXPECT_TRUE(norak::transcript_has("window: HOLDER STEPS     : 2"));
    EXPECT_TRUE(norak::transcript_has("window: STEP 1           : 30.000 40.000 10.000 50.000"));
    EXPECT_TRUE(norak::transcript_has("window: TECHNOLOGY 3     : SPINDLE 1000 CUTTING SPEED 31.400 FEED NOT SET"));
    GTDRDI(110, v);
    DEFTOL(TT_DRILL, 11, 1, st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(norak::transcript_has("listing: TOOL TYPE        : DRILL"));
    EXPECT_TRUE(norak::transcript_has("listing: TIP ANGLE        : 118.000"));
}

}  // namespace
