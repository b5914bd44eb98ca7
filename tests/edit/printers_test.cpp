// The block printers and the formatted fields of the listings: codes outside
// the printers' tables, counts, technology values, the table rows of the
// procedure lists, and the blocks the dispatcher passes over or refuses.
#include <algorithm>

#include "core/entity.h"
#include "core/listname.h"
#include "edit/proctab.h"
#include "edit/report/printers.h"
#include "edit/report/procinfo.h"
#include "tests/edit/fixture.h"

using fix::printed;

namespace {
std::string blk(i32 proc, i32 number)
{
    FMTBLK(proc, number);
    return std::string(LSTST.blk, 11);
}

// Appends an element of these words after the cursor of the current list.
void element(std::vector<i32> words)
{
    i32 answer = 0, st = 0;
    lacces(1, answer);
    lcreat(answer == -1 ? 0 : -1, st);
    lputd(st, static_cast<i32>(words.size()), words.data());
    lclos();
}

// The cursor on element k (from 0) of the main list, or on element j of its
// sub-list.
void at(i32 k, i32 j = -1)
{
    i32 answer = 0, st = 0;
    lclos();
    ltop();
    lacces(2, answer);
    for (i32 n = 0; n < k; ++n) lacces(1, answer);
    if (j < 0) return;
    lsubop(st);
    lacces(2, answer);
    for (i32 n = 0; n < j; ++n) lacces(1, answer);
}

std::vector<std::string> print_at(i32 mode, i32 k, i32 j = -1, i32* type = nullptr, i32* status = nullptr)
{
    return printed([&] {
        at(k, j);
        i32 t = 0, st = 0;
        PRTBLK(mode, LST_UNIT, AM_LIST, -1, 1.0f, t, st);
        if (type) *type = t;
        if (status) *status = st;
    });
}
}  // namespace

TEST(Printers, CodesOutsideTheirTablesPrintTheirNumber)
{
    fix::fresh();
    LSTST.proc = 2;
    f32 s[3] = {0, 0, 0}, e[3] = {0, 0, 0}, c[2] = {0, 0}, v[3] = {0, 0, 1};
    const f32 six[6] = {0, 0, 0, 0, 0, 0};
    i32 st = 0;
    auto lines = printed([&] {
        PRBT99(1, LST_UNIT, 7, 9, 1.0f, 0, 14, st);   // approach type 14
        PRBT99(1, LST_UNIT, 8, 61, 1.0f, 0, -3, st);  // retract type -3
        PRBT34(1, LST_UNIT, 9, 3, 0);                // retract modes 3 and 0
        PRBT14(1, LST_UNIT, 10, 7, s, e, six, 1.0f, st);  // groove type 7
    });
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(lines[1], blk(2, 7) + "  OPEN  APPROACH (TYPE=14      )");
    EXPECT_EQ(lines[3], blk(2, 8) + "  OPEN  RETRACT (TYPE=-3      )");
    EXPECT_EQ(lines[6], "                 OLD = 3            NEW = 0           ");
    EXPECT_EQ(lines[8], "                       GROOVE TYPE: 7               ");

    // The other tables of the printers answer a code outside them the same way.
    lines = printed([&] {
        PRBT10(1, LST_UNIT, 3, 0, 1.0f, s, e);
        PRBT10(2, LST_UNIT, 3, 9, 1.0f, s, e);
        PRBT09(1, LST_UNIT, 4, 5, s, 0.5f, e, 1.0f);
        PRBT11(1, LST_UNIT, 5, 0, 1.0f, s, 2, 0.0f);
        PRBT03(1, LST_UNIT, 3, 6, 7, 1.0f, c, 1.0f, e, v);
        PRTBT1(1, LST_UNIT, 11, 99, 5, 2.5f, st);
    });
    ASSERT_EQ(lines.size(), 24u);
    EXPECT_EQ(lines[2], "            ROTATION AXES: 0");
    EXPECT_EQ(lines[6], "| ROTATION= 9" + std::string(31, ' ') + std::string(30, ' ') + " |");
    EXPECT_EQ(lines[8], std::string(24, ' ') + "ROTATION AXES   = 5     ");
    EXPECT_EQ(lines[14], std::string(16, ' ') + "DRILL TYPE    = 0" + std::string(23, ' '));
    EXPECT_EQ(lines[19], std::string(14, ' ') + "ARC PLANE = YZ ");  // plane codes beyond 2 are YZ
    EXPECT_EQ(lines.back(), "      UNKNOWN PARAMETER---------UN KNOWN       5          2.5000");
    EXPECT_TRUE(norak::transcript_has("internal: DEFPNM: WRONG PARAMETER99"));
    char name[10];
    MCHTNM(64, name);
    EXPECT_EQ(std::string(name, 10), "UNKNOWN   ");
}

TEST(Printers, ACountPrintsWholeAndMarkersOutsideTheTableAreRefused)
{
    fix::fresh();
    LSTST.proc = 1;
    i32 st = 0;
    auto lines = printed([&] {
        PRBT99(1, LST_UNIT, 1, 33, 1.0f, 0, 1234, st);
        PRBT99(1, LST_UNIT, 2, 45, 1.0f, 0, 1234567, st);
        PRBT99(1, LST_UNIT, 3, 53, 1.0f, 0, 7, st);
        PRBT99(1, LST_UNIT, 4, 37, 1.0f, 0, -5, st);
        PRBT99(1, LST_UNIT, 5, 34, 1.0f, 0, 99, st);
    });
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[1], blk(1, 1) + "  OPEN  PATH BY X (1234)");
    EXPECT_EQ(lines[3], blk(1, 2) + "  OPEN  THREAD CYCLE,PASS NUMBER: (1234567)");
    EXPECT_EQ(lines[5], blk(1, 3) + "  OPEN  THREAD - START NUMBER: (7)  ");
    EXPECT_EQ(lines[7], blk(1, 4) + "  OPEN  PATH BY RADIUS (-5) ");
    EXPECT_EQ(lines[8], blk(1, 5) + "  CLOSE PATH BY X      ");
    EXPECT_EQ(LSTST.last, 933);  // 900 + 2 x 16, one more after a closing marker

    for (i32 kind : {0, 67, -1}) {
        st = 0;
        lines = printed([&] { PRBT99(1, LST_UNIT, 6, kind, 1.0f, 0, 0, st); });
        EXPECT_EQ(st, -1) << kind;
        EXPECT_TRUE(lines.empty()) << kind;
    }
    EXPECT_EQ(norak::transcript_count("internal: PRBT99 - UNEXPECTED MARKER TYPE"), 3u);
    EXPECT_EQ(LSTST.last, 933);
}

TEST(Printers, TechnologyValuesReadAsTheirParameter)
{
    fix::fresh();
    LSTST.proc = 1;
    PRM9[PRM9_COMP] = 1;  // parameter 54 set, the machine without compensation
    i32 st = 0;
    const std::string head = blk(1, 1) + "      MACHINE PARAMS: ";
    struct Case {
        i32 code, iv;
        f32 rv;
        const char* rest;  // after the label; null: no line
        i32 last;          // the last kind it leaves
    } cases[] = {
        {10, 0, 0.0f, "VC      = STOP", 106},
        {10, 0, -50.0f, "VC      = 50.0000 CCW", 104},
        {2, 0, 0, "SPIN    = STOP", 105},
        {2, 1200, 0, "SPIN    = 1200 CW", 105},
        {2, -800, 0, "SPIN    = 800 CCW", 105},
        {2, INT32_MIN, 0, "SPIN    = 2147483648 CCW", 105},  // a corrupt word: no overflow
        {3, 6, 0, nullptr, 106},
        {3, 2, 0, "COOL    = FLOOD  ", 106},
        {5, -1, 0, "CUT.COM_= NOT IN USE", 106},
        {59, 0, 1500.0f, "FEED    = 1500.0000 ", 101},
        {57, 0, -2.0f, "FEED    = MAX_FEED", 106},
        {51, 0, -500.0f, "RAP.FEED= 500.0000 ", 101},
        {58, 0, 2.5f, "STP INCR= 2.5000 ", 101},
        {58, 0, -3.0f, "RAP.FEED= 3.0000 ", 101},
        {1, 0, -1.0f, "FEED    = FAST", 106},
        {54, 0, 1.5707964f, "INDEX   = 90.0000 ", 101},
        {21, 0, 0, "G28       ", 103},
        {36, 0, 2.5f, "G32:   K= 2.5000 ", 106},
        {4, 3, 0, "DWEL    = 3 ", 102},
        {56, 3, 0, "STEP BY : THREAD PER INCH", 106},
        {100, fix::TOOL, 0, "TOOL    = BALL 10             ", 1106},
        {55, 0, 0, "UCS     =       ", 106},
        {55, 999, 0, nullptr, 106},
        {99, 0, 0, "", 120},
    };
    for (const Case& c : cases) {
        auto lines = printed([&] { PRTBT1(1, LST_UNIT, 1, c.code, c.iv, c.rv, st); });
        EXPECT_EQ(LSTST.last, c.last) << c.code;
        if (c.code == 99) continue;
        if (!c.rest) {
            EXPECT_TRUE(lines.empty()) << c.code << " " << c.iv;
            continue;
        }
        ASSERT_EQ(lines.size(), 1u) << c.code;
        EXPECT_EQ(lines[0], head + c.rest) << c.code;
    }
    EXPECT_TRUE(norak::transcript_has("internal: PRTBT1,ERRORS IN OPENING UCS"));
    EXPECT_EQ(LSTST.origin[0], 0.0f);  // a UCS that cannot be read leaves the origin

    // The compensation in use names its side; a units code above 3 gives the
    // cutting speed in feet.
    PRM9[12] = 1;
    norak::set_record("USUN", 4, {4});
    auto lines = printed([&] {
        PRTBT1(1, LST_UNIT, 1, 5, -1, 0, st);
        PRTBT1(1, LST_UNIT, 1, 10, 0, 100.0f, st);
    });
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], head + "CUT.COM_= LEFT");
    EXPECT_EQ(lines[1], head + "VC      = 328.0840 CW");
}

TEST(Printers, FieldsFollowTheirFormatsAndOverflowIntoAsterisks)
{
    fix::fresh();
    EXPECT_EQ(blk(1000, 1000000), " ***-******");
    EXPECT_EQ(blk(-5, -12345), "  -5--12345");
    EXPECT_EQ(blk(999, 999999), " 999-999999");
    FMTPRC(12);
    EXPECT_EQ(std::string(LSTST.num, 6), "  12  ");
    // Truncated to four decimals, not rounded, and the caller's vector keeps
    // the truncated values.
    f32 n[3] = {-0.12345f, 0.5f, 0.99999f};
    FMTVAL(2, n, 1.0f);
    EXPECT_EQ(std::string(LSTST.val, 48), "i =    -0.1234   j =     0.5000   k =     0.9999");
    EXPECT_FLOAT_EQ(n[0], -0.1234f);
    EXPECT_FLOAT_EQ(n[2], 0.9999f);
    f32 p[3] = {1.0e7f, 25.4f, -99999.9f};
    FMTVAL(1, p, 1.0f / 25.4f);
    EXPECT_EQ(std::string(LSTST.val, 48), "X =393700.7812   Y =     1.0000   Z = -3937.0039");
    FMTVAL(1, p, 1.0f);
    EXPECT_EQ(std::string(LSTST.val, 48), "X =***********   Y =    25.4000   Z =-99999.8984");
    f32 k[4] = {0.25f, 1, 2, 3};
    FMTVAL(6, k, 1.0f);
    EXPECT_EQ(std::string(LSTST.lval, 80),
              "K =  0.2500   X =     1.0000   Y =     2.0000   Z =     3.0000" + std::string(18, ' '));
    FMTVAL(4, k, 2.0f);
    EXPECT_EQ(std::string(LSTST.val, 48), "X =     0.5000   Y =     2.0000" + std::string(17, ' '));
}

TEST(Printers, ProcedureListAndHeaderListRows)
{
    fix::fresh();
    fix::build();
    LSTRST();
    auto lines = print_at(LM_PROCS, 0);
    EXPECT_EQ(lines, (std::vector<std::string>{"  MACSYS NAME     : \"MACSYS1   \" ", "  TOOL PATH LEVEL : \"L1    \" ",
                                               "  TOOL PATH NAME  : \"TP-A      \" ", "  MACHINE TYPE    : \"MILL 3X   \" ",
                                               "  UCS NAME        : \"UCSTOP\" ", " ", " "}));
    lines = print_at(LM_HEADS, 0);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "|" + std::string(74, '=') + "|");
    EXPECT_EQ(lines[1], "| TOOL PATH   NAME= TP-A      LEVEL= L1      UCS= UCSTOP  TYPE= MILL 3X    |");

    lines = print_at(LM_HEADS, 3);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "| -----(TR01)SRF MIL= 3  | DOME FINISH            | -- TOOL= BALL 10       |");
    lines = print_at(LM_HEADS, 4);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "| S----      STOCK  = 4  | RAW STOCK              | -- TOOL= BALL 10       |");
    lines = print_at(LM_PROCS, 3);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[3], "  PROCEDURE NUMBER = 3");
    EXPECT_EQ(lines[4], "  CREATION DATE: 2024-05-17 09:30:00");
    EXPECT_EQ(lines[8], "  TRANSFORM    : \"TR01\" ");

    // The rows of text and rotation blocks, and the item details of a
    // technology block in the procedure lists.
    lines = print_at(LM_HEADS, 2);
    EXPECT_EQ(lines, std::vector<std::string>{"| SCD= N0010" + std::string(62, ' ') + " |"});
    lines = print_at(LM_HEADS, 1);
    EXPECT_EQ(lines, std::vector<std::string>{"| ROTATION= X AND Y AXIS, X IS A FIXED AXIS " + std::string(30, ' ') + " |"});
    lines = print_at(LM_PROCS, 3, 1);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], blk(3, 1) + "      MACHINE PARAMS: FEED    = 600.0000 ");
    EXPECT_EQ(lines[1], "            BLOCK SIZE = 5");
    EXPECT_EQ(lines[2], "            PARAM TYPE = 1");
    EXPECT_EQ(lines[3], "            DEF. TYPE  = 0");
    EXPECT_EQ(lines[4], "            VAL. TYPE  = 1");
    EXPECT_EQ(lines[5], "            PARAMETER  = 600.0000");
    lines = print_at(LM_HEADS, 3, 0);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[5], "            PARAMETER  = 101");
}

TEST(Printers, TheDispatcherPassesOverOldBlocksAndRefusesBrokenOnes)
{
    fix::fresh();
    i32 answer = 0, type = 0, st = 0;
    lacces(3, answer);
    element({8, 4, 1, 2, 3});                       // an old drill block
    element({32, 5, r2wrd(1.0f), r2wrd(2.0f)});     // a setting block without a printer
    element({2, 6, r2wrd(1.0f)});                   // a line block cut short
    element({5, 7, 3, 100, r2wrd(1.0f), 0, 0, 0});  // a NURBS block whose counts do not fit it
    auto lines = print_at(LM_TPLIST, 1, -1, &type, &st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(type, 8);
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(norak::transcript_has("message: WARNING! OLD DRILL FORMAT NO LONGER EXISTS!"));
    lines = print_at(LM_TPLIST, 2, -1, &type, &st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(norak::transcript_has("internal: PRTBLK - ERROR IN BLOCK. BTYPE =32"));
    lines = print_at(LM_TPLIST, 3, -1, &type, &st);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("internal: PRTBLK - ERROR IN BLOCK. BTYPE =2"));
    lines = print_at(LM_TPLIST, 4, -1, &type, &st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(norak::transcript_has("internal: PRBT05, NURBS LARGER THAN ITS BLOCK, ORDER AND POINTS = 3 100"));

    // A listing stops at the broken block and still ends its file.
    NCLIST(-1, 1);
    const std::string text = fix::listing();
    EXPECT_TRUE(norak::transcript_has("internal: NCLIST, ERRORS IN CREATING TOOL PATH LIST"));
    EXPECT_NE(text.find("\n \n \nEND OF TOOL PATH\n"), std::string::npos);
    EXPECT_TRUE(norak::transcript_has("message: OUTPUT TO FILE FIXPART_TP-A.TP_LIST"));
}

TEST(Printers, AssociationsMarkEditedProceduresSuspended)
{
    for (bool own : {true, false}) {
        fix::fresh();
        fix::build();
        PRCTAB.count = 2;  // the association tree walks both procedure blocks
        norak::Assoc a;
        a.kind = 20;
        a.edited = true;
        if (own) {
            a.proc = -1, a.element = 3;  // an element of the current tool path, by procedure number
        } else {
            a.proc = 55, a.element = 600, a.kind = 4, a.sub = 1, a.users = {3};  // geometry procedure 3 uses
        }
        norak::associations().push_back(a);
        NCLIST(-1, 1);
        const std::string text = fix::listing();
        EXPECT_NE(text.find("\"DOME FINISH         \" \n           SUSPENDED\n"), std::string::npos) << own;
        // Only an edited element of the procedure's own marks it as changed by the user.
        auto lines = print_at(LM_HEADS, 3);
        EXPECT_EQ(lines, std::vector<std::string>{std::string("| S----(TR01)SRF MIL= 3  | DOME FINISH            | ") +
                                                  (own ? "-U" : "--") + " TOOL= BALL 10       |"});
        PRCTAB.count = 0;
    }
}

TEST(Printers, ProcedureFlagsMarksAndTypes)
{
    // Procedure types without a tool; the message kinds fill exactly their fields.
    for (i32 t : {8, 17, 24, 25, 10, 42}) EXPECT_TRUE(NOTLPR(t)) << t;
    for (i32 t : {9, 16, 18, 23, 26 - 3, 52}) EXPECT_FALSE(NOTLPR(t)) << t;
    i32 kind = 0;
    char marker = '@', label[5] = "zzzz", prompt[19], menu[20];
    prompt[18] = menu[19] = 'Z';
    MSGENT(kind, marker, label, prompt, menu);
    EXPECT_EQ(kind, 4);
    EXPECT_EQ(std::string(menu, 20), "USER DEF.BLOCK NAMEZ");
    EXPECT_EQ(std::string(prompt, 19), "ENTER NAME        Z");

    // A procedure is marked when its first flag is set, its sixth is not and
    // the host's debugging asks for it.
    fix::fresh();
    fix::build();
    norak::settings().nc["debug"] = 1;
    i32 st = 0;
    const i32 five = 5, zero = 0;
    at(3);
    TPCHNN(AM_LIST, GR_FLAGS, 51, DT_INT, &five, st);
    lclos();
    auto lines = print_at(LM_TPLIST, 3);
    ASSERT_GT(lines.size(), 3u);
    EXPECT_EQ(lines[3], "   3  PROCEDURE NUMBER = 3");
    at(3);
    TPCHNN(AM_LIST, GR_FLAGS, 82, DT_INT, &zero, st);
    lclos();
    lines = print_at(LM_TPLIST, 3);
    ASSERT_GT(lines.size(), 3u);
    EXPECT_EQ(lines[3], "   3  *** PROCEDURE NUMBER = 3");

    // Flag B from code 35, flag A from code 21 of a procedure of its own
    // movements, taken only by a procedure of status 2 (code 44).
    at(3);
    const i32 one = 1, two = 2;
    TPCHNN(AM_LIST, GR_GLOBAL, 35, DT_INT, &one, st);
    TPCHNN(AM_LIST, GR_GLOBAL, 21, DT_INT, &two, st);
    TPCHNN(AM_LIST, GR_GLOBAL, 44, DT_INT, &one, st);
    i32 c47 = 0, date[6];
    PRCINF.flaga[5] = 0;
    PRCINB(1, -1, -1, 5, c47, date, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(PRCINF.flagb[5], 1);
    EXPECT_EQ(PRCINF.flaga[5], 0);
    at(3);
    TPCHNN(AM_LIST, GR_GLOBAL, 44, DT_INT, &two, st);
    ASSERT_EQ(st, 0);
    PRCINB(1, -1, -1, 5, c47, date, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(PRCINF.flaga[5], 1);
    EXPECT_EQ(PRCINF.number[5], 3);
    EXPECT_EQ(date[0], 2024);
    lclos();
}

TEST(Printers, ANurbsBlockReadThroughTheConvertingListAccess)
{
    // As stored in the procedure lists the first point is the origin; with
    // the list's conversion shifted by (1, 2, 3) it is shown there.
    const f32 ident[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, none[3] = {0, 0, 0}, shift[3] = {1, 2, 3};
    const struct {
        const f32* shift;
        const char* first;
    } cases[] = {{none, "K =  0.0000   X =    25.4000   Y =   -50.8000   Z =    12.7000"},
                 {shift, "K =  0.0000   X =    26.4000   Y =   -48.8000   Z =    15.7000"}};
    for (const auto& c : cases) {
        fix::fresh();
        fix::build();
        auto lines = printed([&] {
            at(3, 17);  // the NURBS block: the sub-list's 18th element
            if (c.shift != none) norak::set_list_transform(ident, c.shift);
            i32 size = 0, type = 0, cls = 0, st = 0;
            TPBLKH(AM_LIST, size, type, cls, st);
            ASSERT_EQ(type, 5);
            PRBT05(LM_PROCS, LST_UNIT, AM_LISTCNV, size, type, 1.0f, st);
            EXPECT_EQ(st, 0);
        });
        ASSERT_EQ(lines.size(), 11u);
        EXPECT_EQ(lines[3], std::string(21, ' ') + c.first + std::string(18, ' '));
    }
}

TEST(Printers, TheAssociationTreeOfTheCurrentToolPath)
{
    fix::fresh();
    norak::Entity g;
    g.cls = 9;
    g.type = norak::GEOM_TYPE;
    g.words = {-1, 0, 0, 0, 10002, 0};
    const i32 geometry = norak::add_entity(g);
    GSLOTS[2 * 3 + 1] = geometry;  // a geometry slot of both procedures
    GSLOTS[2 * 5 + 1] = 0;         // a slot without an entity
    fix::build();
    i32 st = 0;
    ASCTRE(2, st);
    EXPECT_EQ(st, 0);
    const auto& nodes = norak::assoc_nodes();
    ASSERT_EQ(nodes.size(), 5u);
    EXPECT_EQ(nodes[0], (std::array<i32, 4>{1, -1, 0, -1}));  // the root
    EXPECT_EQ(nodes[1], (std::array<i32, 4>{2, 1, 3, -1}));   // procedure 3 under it
    EXPECT_EQ(nodes[2], (std::array<i32, 4>{4, 2, 0, geometry}));
    EXPECT_EQ(nodes[3], (std::array<i32, 4>{2, 1, 4, -1}));
    EXPECT_EQ(nodes[4], (std::array<i32, 4>{4, 4, 0, geometry}));
}

TEST(Printers, AMacsysRotationTurnsTheListingOriginAboutItsAxis)
{
    // Axes 3 name the X axis as 1 does, 4 the Y axis as 2.
    for (auto [axes, want] : {std::pair{3, std::array<f32, 3>{0, 0, 10}}, std::pair{4, std::array<f32, 3>{0, 10, 0}},
                              std::pair{1, std::array<f32, 3>{0, 0, 10}}}) {
        fix::fresh();
        i32 answer = 0;
        lacces(3, answer);
        const f32 c[3] = {0, 0, 0}, e[3] = {0, 0, 0};
        i32 st = 0;
        PTBT9(AM_APPEND, axes, c, 1.5707964f, 0, 0.0f, 1, 0.0f, e, 0, st);
        LSTST.origin[0] = 0, LSTST.origin[1] = 10, LSTST.origin[2] = 0;
        print_at(LM_TPLIST, 1);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(LSTST.origin[k], want[k], 1e-5) << axes << " " << k;
    }
}

TEST(Printers, PositionsInAListAndTheLastKindOfEverySettingPrinter)
{
    const i32 list[3] = {4, 5, 6};
    EXPECT_EQ(LSTPOS(3, list, 5), 2);
    EXPECT_EQ(LSTPOS(3, list, 4), 1);
    EXPECT_EQ(LSTPOS(3, list, 9), 4);
    EXPECT_EQ(LSTPOS(0, list, 4), 1);

    fix::fresh();
    f32 p[3] = {0, 0, 0}, d[3] = {0, 0, 1};
    const f32 m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, six[6] = {0, 0, 0, 0, 0, 0};
    i32 st = 0;
    printed([&] {
        PRBT40(1, LST_UNIT, 1, m, p, 1.0f);
        EXPECT_EQ(LSTST.last, 40);
        PRBT36(1, LST_UNIT, 1, 1.0f, 2.0f);
        EXPECT_EQ(LSTST.last, 36);
        PRBT35(1, LST_UNIT, 1, 81);
        EXPECT_EQ(LSTST.last, 35);
        PRBT34(1, LST_UNIT, 1, 1, 2);
        EXPECT_EQ(LSTST.last, 34);
        PRBT33(1, LST_UNIT, 1, 1.0f);
        EXPECT_EQ(LSTST.last, 33);
        PRBT31(1, LST_UNIT, 1, p, d, 1.0f);
        EXPECT_EQ(LSTST.last, 31);
        PRBT30(1, LST_UNIT, 1, 81, 0, 0, 0, 1, 0);
        EXPECT_EQ(LSTST.last, 30);
        PRBT14(1, LST_UNIT, 1, 1, p, p, six, 1.0f, st);
        EXPECT_EQ(LSTST.last, 14);
        PRBT13(1, LST_UNIT, 1, p, p, 1, 1, 1.0f);
        EXPECT_EQ(LSTST.last, 13);
        PRBT11(1, LST_UNIT, 1, 1, 0, p, 1, 0);
        EXPECT_EQ(LSTST.last, 11);
        PRBT10(1, LST_UNIT, 1, 1, 1.0f, p, p);
        EXPECT_EQ(LSTST.last, 10);
        PRBT09(1, LST_UNIT, 1, 1, p, 0, p, 1.0f);
        EXPECT_EQ(LSTST.last, 9);
        PRBT06(1, LST_UNIT, 1, 1.0f, p);
        EXPECT_EQ(LSTST.last, 6);
        char text[80];
        std::memset(text, ' ', 80);
        PRBT04(1, LST_UNIT, 1, 4, text);
        EXPECT_EQ(LSTST.last, 4);
    });
}

TEST(Printers, BrokenProcedureAndRotationBlocksPrintNothing)
{
    fix::fresh();
    i32 answer = 0, type = 0, st = 0;
    lacces(3, answer);
    element({12, 9, 9});          // a procedure block without its groups
    element({9, 3, 1, r2wrd(0)});  // a rotation block cut short
    auto lines = print_at(LM_TPLIST, 1, -1, &type, &st);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(lines.empty());
    lines = print_at(LM_TPLIST, 2, -1, &type, &st);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(norak::transcript_has("internal: PRTBLK - ERROR IN BLOCK. BTYPE =12"));
    EXPECT_TRUE(norak::transcript_has("internal: PRTBLK - ERROR IN BLOCK. BTYPE =9"));
}

TEST(Printers, TheHostAsksWhetherAProcedureHasMovements)
{
    fix::fresh();
    fix::build();
    norak::settings().nc["check_movmnt"] = 1;
    print_at(LM_TPLIST, 3);
    EXPECT_EQ(PRCINF.moves[PI_LIST], 1);
    print_at(LM_TPLIST, 4);  // the stock procedure's sub-list is empty
    EXPECT_EQ(PRCINF.moves[PI_LIST], 0);
    // Movements in an entity: the first movement block answers.
    norak::Entity m;
    m.cls = 9;
    m.type = norak::MOVMNT_TYPE;
    m.words = {0, 0, 0, 2, 0, 5, 1, 0, 1, 0, r2wrd(250.0f), 5, 2, 1, 0, 0, 0};
    norak::movement_entities()[900] = norak::add_entity(m);
    i32 st = 0;
    const i32 zero = 0, proc = 900;
    at(4);
    TPCHNN(AM_LIST, GR_FLAGS, 82, DT_INT, &zero, st);
    TPCHNN(AM_LIST, GR_FLAGS, 51, DT_INT, &proc, st);
    lclos();
    print_at(LM_TPLIST, 4);
    EXPECT_EQ(PRCINF.moves[PI_LIST], 1);
    EXPECT_EQ(is_open_proc(), 0);
    // And the whole listing is unchanged by the look.
    NCLIST(-1, 1);
    EXPECT_FALSE(norak::transcript_has("internal:"));
}

TEST(Printers, EveryNamedValueOfTheTechnologyParameters)
{
    fix::fresh();
    LSTST.proc = 1;
    PRM9[12] = 1;  // the machine compensates
    struct Row {
        i32 code, value;
        const char* text;
    } rows[] = {
        {3, 1, "OFF"}, {3, 2, "FLOOD  "}, {3, 3, "MIST   "}, {3, 4, "THROUGH"}, {3, 5, "AIR    "},
        {5, -1, "LEFT"}, {5, 1, "RIGHT"}, {5, 0, "OFF"}, {9, 1, "Vc"}, {9, 2, "SPIN"},
        {52, 2, "ON"}, {52, 1, "OFF"}, {53, 2, "ON"}, {53, 1, "OFF"},
        {56, 1, "PITCH"}, {56, 2, "LEAD"}, {56, 3, "THREAD PER INCH"}, {56, 4, "VARIABLE PITCH"},
        {56, 5, "VARIABLE LEAD"}, {56, 6, "VARIABLE THREAD PER INCH"}, {15, 1, "THREAD"}, {15, 2, "CUT"},
        {16, 0, ""}, {20, 0, ""}, {33, 0, ""},
    };
    i32 st = 0;
    for (const Row& r : rows) {
        auto lines = printed([&] { PRTBT1(1, LST_UNIT, 1, r.code, r.value, 0.0f, st); });
        char name[10];
        DEFPNM(r.code, name);
        ASSERT_EQ(lines.size(), 1u) << r.code << " " << r.value;
        EXPECT_EQ(lines[0], blk(1, 1) + "      MACHINE PARAMS: " + std::string(name, 10) + r.text) << r.code;
    }
    for (i32 v : {0, 6}) EXPECT_TRUE(printed([&] { PRTBT1(1, LST_UNIT, 1, 3, v, 0.0f, st); }).empty()) << v;
    EXPECT_TRUE(printed([&] { PRTBT1(1, LST_UNIT, 1, 56, 7, 0.0f, st); }).empty());

    // The approach and retract types at both ends of their table.
    auto lines = printed([&] {
        PRBT99(1, LST_UNIT, 2, 9, 1.0f, 0, 1, st);
        PRBT99(1, LST_UNIT, 3, 61, 1.0f, 0, 13, st);
    });
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], blk(1, 2) + "  OPEN  APPROACH (TYPE=NOR.    )");
    EXPECT_EQ(lines[3], blk(1, 3) + "  OPEN  RETRACT (             )");
    // A quoted field never takes more than its width.
    char field[6] = {'x', 'x', 'x', 'x', 'x', 'Z'};
    quoted(field, 5, "ABCDEFGH", 8);
    EXPECT_EQ(std::string(field, 6), "\"ABC\"Z");
}

TEST(Printers, ANurbsBlockInAnEntityStream)
{
    // Every NURBS type, k = 1, n = 2: size 13; entries: K, point, K, point,
    // K. Only the plain curve has the START, count and degree lines; each
    // is read to its end, so the line block behind it is read whole.
    for (const i32 nurbs : {5, 25, 225}) {
        fix::fresh();
        norak::Entity m;
        m.cls = 9;
        m.type = norak::MOVMNT_TYPE;
        m.words = {13, nurbs, 4, 1, 2, r2wrd(0.0f), r2wrd(1.0f), r2wrd(2.0f), r2wrd(3.0f), r2wrd(0.5f),
                   r2wrd(4.0f), r2wrd(5.0f), r2wrd(6.0f), r2wrd(1.0f), 5, 2, 9, r2wrd(7.0f), r2wrd(8.0f), r2wrd(9.0f)};
        const i32 id = norak::add_entity(m);
        i32 cls = 0, type = 0, len = 0, st = 0, second = 0, t = 0;
        auto lines = printed([&] {
            eopen(id, cls, type, len, st);
            eskipn(0);
            PRTBLK(LM_PROCS, LST_UNIT, AM_ENTITY, -1, 1.0f, t, st);
            PRTBLK(LM_PROCS, LST_UNIT, AM_ENTITY, -1, 1.0f, second, st);
            eclose();
        });
        EXPECT_EQ(st, 0) << nurbs;
        EXPECT_EQ(t, nurbs);
        EXPECT_EQ(second, 2) << nurbs;
        const size_t head = nurbs == 5 ? 3 : 0;
        ASSERT_EQ(lines.size(), head + 6) << nurbs;
        EXPECT_EQ(lines[head], std::string(21, ' ') + "K =  0.0000   X =     1.0000   Y =     2.0000   Z =     3.0000" +
                                   std::string(18, ' '));
        EXPECT_EQ(lines[head + 2], std::string(21, ' ') + "K =  1.0000" + std::string(37, ' '));
        EXPECT_EQ(lines[head + 3], std::string(16, ' ') + "SIMPLE NURBS:END");
        EXPECT_EQ(lines[head + 5].substr(32), "X =     7.0000   Y =     8.0000   Z =     9.0000") << nurbs;
    }
}

TEST(Printers, TheParameterNamesAndTheCodesBetweenThem)
{
    fix::fresh();
    // Codes 1-5, 9-16, 20-40, 51-59, 100 in that order.
    const std::string want =
        "FEED    = SPIN    = COOL    = DWEL    = CUT.COM_= "
        "SPIN_BY : VC      = GENERTR = ANGLE   = OFFSET  = FLUSH   = WIRE    : STOP PT   "
        "G27       G28       G29       G30       G28G29    G29G30    G32       G38       G39       "
        "G45       G46       G60       G61       G62       G63       G32:   C= G32:   K= G32:   X= "
        "G32:   Y= G32:   R= G38/39:A= "
        "NPITCH  = NIBBL_  = PUNCH_  = INDEX   = UCS     = STEP BY : STEP VAL= STP INCR= RAP.FEED= "
        "TOOL    = ";
    std::string got;
    for (i32 code = 0; code <= 101; ++code) {
        const bool known = (code >= 1 && code <= 5) || (code >= 9 && code <= 16) || (code >= 20 && code <= 40) ||
                           (code >= 51 && code <= 59) || code == 100;
        char name[10];
        DEFPNM(code, name);
        if (known)
            got.append(name, 10);
        else
            EXPECT_EQ(std::string(name, 10), "UN KNOWN  ") << code;
    }
    EXPECT_EQ(got, want);
    EXPECT_EQ(norak::transcript_count("internal: DEFPNM: WRONG PARAMETER"), 102u - 44u);
}

TEST(Printers, TheAssociationRulesTakeModesOneToThreeAndManyProceduresOnlyInModeOne)
{
    fix::fresh();
    fix::build();
    i32 numbers[2] = {3, 4}, c47[2] = {0, 0}, flagb[2] = {0, 0}, status[2] = {1, 1}, uflag[2] = {9, 9};
    for (i32 mode : {0, 4}) {
        PRCASC(mode, -1, 1, numbers, c47, flagb, status, uflag);
        EXPECT_EQ(uflag[0], 9) << mode;
    }
    PRCASC(2, -1, 2, numbers, c47, flagb, status, uflag);
    EXPECT_EQ(uflag[0], 9);
    PRCASC(1, -1, 2, numbers, c47, flagb, status, uflag);
    EXPECT_EQ(uflag[0], 0);
    EXPECT_EQ(uflag[1], 0);
}

TEST(Printers, AProcedureBlockLeavesTheCursorOnItWhenTheCurrentToolPathIsListed)
{
    // The current tool path, named by -1 or by its own id (0, or 77 as
    // "CLP1" word 2 says): the association tree built for it walks the list,
    // and the cursor must come back to the procedure block, or a walker
    // stepping on from there meets the same block again.
    fix::fresh();
    fix::build();
    LSTRST();
    for (const auto& [current, tp] : std::vector<std::pair<i32, i32>>{{0, -1}, {0, 0}, {77, 77}, {77, -1}}) {
        CLP1[CLP1_TOOLPATH] = current;
        for (const i32 mode : {LM_PROCS, LM_HEADS}) {
            at(3);
            i32 before = 0, after = 0, t = 0, st = 0;
            lgtpos(before);
            printed([&] { PRTBLK(mode, LST_UNIT, AM_LIST, tp, 1.0f, t, st); });
            lgtpos(after);
            EXPECT_EQ(st, 0);
            EXPECT_EQ(t, 12);
            EXPECT_EQ(after, before) << "current " << current << " listed " << tp << " mode " << mode;
        }
    }
    CLP1[CLP1_TOOLPATH] = 0;

    // A procedure's block read from its entity with -1: the tree of the
    // current tool path walks the list all the same, and the cursor comes
    // back to where it stood.
    i32 proc = 0, number = 7, code = 9, ng = 0, st = 0;
    std::vector<i32> global = {41, 4, 0, 2022, 2, 3, 42, 4, 0, 4, 5, 6};
    i32 nw = static_cast<i32>(global.size());
    dbd_proc(3, proc, number, code, global.data(), nw, nullptr, ng, st);
    ASSERT_EQ(st, 0);
    i32 mch = 0, words[4] = {10, 2, 0, fix::TOOL}, count = 4;
    dbd_mchprm(3, proc, mch, words, count, st);
    ASSERT_EQ(st, 0);
    for (const i32 mode : {LM_PROCS, LM_HEADS}) {
        at(2);
        i32 before = 0, after = 0, t = 0, cls = 0, type = 0, len = 0;
        lgtpos(before);
        eopen(proc, cls, type, len, st);
        set_open_proc(proc);
        gs_proc_id(2, proc);
        printed([&] { PRTBLK(mode, LST_UNIT, AM_ENTITY, -1, 1.0f, t, st); });
        close_entity();
        lgtpos(after);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(t, 12);
        EXPECT_EQ(PRCINF.number[PI_LIST], 7);
        EXPECT_EQ(after, before) << "entity, mode " << mode;
    }
}

TEST(Printers, AnEmptyMessageShowsItsClosingMarkAloneAndANurbsThroughTheConversionIsPlaced)
{
    // A message of no characters: ">" alone after the label; of three: "<"
    // with the characters after the marker and ">".
    fix::fresh();
    LSTRST();
    for (const auto& [length, shown] : std::vector<std::pair<i32, std::string>>{{0, ">"}, {3, "<AB>"}}) {
        char text[80];
        std::memset(text, ' ', 80);
        std::memcpy(text, " AB", 3);
        const auto lines = printed([&, length = length] { PRBT04(1, LST_UNIT, 1, length, text); });
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].substr(lines[0].size() - shown.size()), shown) << length;
        EXPECT_EQ(lines[0].find('<'), shown[0] == '<' ? lines[0].size() - shown.size() : std::string::npos);
    }
}

TEST(Printers, AnEditedGeometryElementSuspendsByItsKindAndANurbsOfWrongCountsIsRefused)
{
    // An edited element that procedure 3 uses: points and the curves of
    // sub-kind 15 suspend it; other kinds only set flag B (its code 47 is
    // not 1).
    struct Case {
        i32 kind, sub;
        bool suspended;
    };
    for (const Case c : {Case{4, 1, true}, Case{1, 15, true}, Case{2, 15, true}, Case{3, 15, false}, Case{4, 2, false}}) {
        fix::fresh();
        fix::build();
        PRCTAB.count = 2;
        norak::Assoc a;
        a.edited = true;
        a.proc = 55, a.element = 600, a.kind = c.kind, a.sub = c.sub, a.users = {3};
        norak::associations().push_back(a);
        NCLIST(-1, 1);
        const std::string text = fix::listing();
        EXPECT_EQ(text.find("\"DOME FINISH         \" \n           SUSPENDED\n") != std::string::npos, c.suspended)
            << c.kind << " " << c.sub;
        PRCTAB.count = 0;
    }
    // A NURBS whose counts do not fill its block exactly is refused before
    // anything is read.
    fix::fresh();
    i32 answer = 0, type = 0, st = 0;
    lacces(3, answer);
    element({5, 7, 2, 1, 0, 0, 0, 0, 0, 0, 0});  // order 2, one point: 11 words, not 13
    auto lines = printed([&] {
        at(1);
        PRTBLK(LM_PROCS, LST_UNIT, AM_LIST, -1, 1.0f, type, st);
    });
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("internal: PRBT05, NURBS LARGER THAN ITS BLOCK, ORDER AND POINTS = 2 1"));
    EXPECT_TRUE(lines.empty());
}

TEST(Printers, AnInterruptedProcedureAndATildeSeparatedRow)
{
    // Status 3 (code 44) reads INTERRUPTED in the procedure list and "I" in
    // the header list's column; code 57 of 2 separates the first two
    // columns of the row with "~ ".
    fix::fresh();
    fix::build();
    LSTRST();
    const i32 three = 3, two = 2;
    i32 st = 0;
    at(3);
    TPCHNN(AM_LIST, GR_GLOBAL, 44, DT_INT, &three, st);
    TPCHNN(AM_LIST, GR_GLOBAL, 57, DT_INT, &two, st);
    lclos();
    auto lines = print_at(LM_PROCS, 3);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "  INTERRUPTED"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "  SUSPENDED"), 0);
    lines = print_at(LM_HEADS, 3);
    EXPECT_EQ(lines, std::vector<std::string>{"| I----(TR01)SRF MIL~ 3  | DOME FINISH            | -- TOOL= BALL 10       |"});
}

TEST(Printers, AUcsThatCannotBeReadOrFitsNoViewLeavesNameOrOrigin)
{
    // A header whose UCS cannot be read is still written, its UCS name blank.
    fix::fresh();
    f32 origin[3] = {0, 0, 0}, home[3] = {0, 0, 0};
    auto lines = printed([&] { PRTBT0(LM_PROCS, 0, LST_UNIT, 1, "TP-B    ", 1, origin, home, 1.0f, 999); });
    EXPECT_TRUE(norak::transcript_has("internal: PRTBT0, ERRORS IN OPENING UCS"));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[4], "  UCS NAME        : \"      \" ");
    // A UCS read whole whose axes fit no view (rows not of unit length)
    // names the line and leaves the listing origin as it was.
    norak::Entity u;
    u.cls = EC_UCS;
    u.type = ET_UCS;
    u.words = {0, 0, 0, r2wrd(0.0f), r2wrd(5.0f), r2wrd(6.0f), r2wrd(7.0f)};
    for (const f32 w : {2.0f, 0.0f, 0.0f, 0.0f, 2.0f, 0.0f, 0.0f, 0.0f, 2.0f}) u.words.push_back(r2wrd(w));
    i32 name[2];
    std::memcpy(name, "SKEW    ", 8);
    u.words.insert(u.words.end(), {name[0], name[1], 0});
    const i32 id = norak::add_entity(u);
    LSTST.origin[0] = 1.0f, LSTST.origin[1] = 2.0f, LSTST.origin[2] = 3.0f;
    i32 st = 0;
    lines = printed([&] { PRTBT1(LM_TPLIST, LST_UNIT, 1, 55, id, 0.0f, st); });
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 16), "UCS     = SKEW  ");
    EXPECT_EQ(LSTST.origin[0], 1.0f);
    EXPECT_EQ(LSTST.origin[1], 2.0f);
    EXPECT_EQ(LSTST.origin[2], 3.0f);
}

TEST(Printers, ACycleCountsItsDelZOnlyWhenFlaggedAndADelZOfOneValueTakesItWhole)
{
    // A cycle activation's del-Z surface value shows only with its flag
    // word set; a del-Z setting of one value shows that value, of two
    // their difference.
    struct Case {
        std::vector<i32> words;
        size_t line;
        const char* shown;
    } cases[] = {
        {{30, 9, 0, 0, 0, r2wrd(2.5f), r2wrd(1.0f), r2wrd(3.0f), 1, r2wrd(4.0f)}, 1, "DEL-ZSURF = 0.0000 "},
        {{30, 9, 0, 0, 1, r2wrd(2.5f), r2wrd(1.0f), r2wrd(3.0f), 1, r2wrd(4.0f)}, 1, "DEL-ZSURF = 2.5000 "},
        {{33, 9, r2wrd(5.0f)}, 2, "DIS-NEW = 5.0000 "},
        {{33, 9, r2wrd(5.0f), r2wrd(1.5f)}, 2, "DIS-NEW = 3.5000 "},
    };
    for (const Case& c : cases) {
        fix::fresh();
        i32 answer = 0, type = 0, st = 0;
        lacces(3, answer);
        element(c.words);
        const auto lines = print_at(LM_TPLIST, 1, -1, &type, &st);
        EXPECT_EQ(st, 0) << c.shown;
        ASSERT_GT(lines.size(), c.line) << c.shown;
        const std::string& l = lines[c.line];
        EXPECT_EQ(l.substr(l.size() - std::strlen(c.shown)), c.shown);
    }
}
