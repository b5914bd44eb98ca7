// Procedure records of the old fixed layout and their limit conversion, the
// old criteria text, the template flags, the template transfer of the
// driver, the block keys it goes back to, the surface-list update and the
// save switch of the record set.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "frame/cmpblk.h"
#include "frame/driver.h"
#include "frame/exedlg.h"
#include "frame/prctake.h"
#include "frame/prmmnu.h"
#include "passes/srfgeo.h"
#include "tests/frame/proc_common.h"

using namespace proct;

namespace {

// Writes groups of the old fixed layout: a tag word, a count word, values.
struct Groups {
    i32 tag = 1;
    void ints(std::vector<i32> v)
    {
        i32 st = 0, n = static_cast<i32>(v.size());
        TPPUT(MED_LIST, 1, DT_INT, &tag, st);
        TPPUT(MED_LIST, 1, DT_INT, &n, st);
        if (n > 0) TPPUT(MED_LIST, n, DT_INT, v.data(), st);
        ASSERT_GE(st, 0);
        ++tag;
    }
    void real(f32 v)
    {
        i32 st = 0, n = 1;
        TPPUT(MED_LIST, 1, DT_INT, &tag, st);
        TPPUT(MED_LIST, 1, DT_INT, &n, st);
        TPPUT(MED_LIST, 1, DT_REAL, &v, st);
        ++tag;
    }
};

// A fresh procedure and a new list element to write old groups into.
void new_element()
{
    fresh();
    new_procedure();
    i32 st = 0;
    ltop();
    lcreat(0, st);
}

// The element closed and read back as a record of the old layout.
i32 read_element()
{
    lclos();
    i32 ans = 0, rem = 1 << 20, st = 0;
    ltop();
    lacces(2, ans);
    block_read_tavrek(MED_LIST, 9, -1, 0, rem, st);
    return st;
}

// One procedure element of the old layout for surface `id` with the old
// direction word and the four old limit values; read back from the list.
i32 read_old(i32 id, i32 dir, const f32* old, i32 nsurf = 1)
{
    new_element();
    Groups g;
    g.ints({nsurf});
    g.ints({id});
    g.ints({1});       // side
    g.ints({0, 0});    // passed over
    g.ints({0});       // first per-surface word
    g.ints({dir});
    for (i32 k = 0; k < 4; ++k) g.real(old[k]);
    g.ints({});
    g.ints({7});       // passes
    g.real(2.5f);      // last end
    g.real(-1.5f);     // last parameter
    for (i32 k = 0; k < 3; ++k) g.ints({});
    for (i32 w : {1, 2, 4, 5}) g.ints({100 + w});
    g.ints({});
    for (i32 w = 6; w <= 10; ++w) g.ints({100 + w});
    g.ints({});
    g.ints({1});
    for (i32 k = 0; k < 11; ++k) g.real(0.5f + k);
    g.real(3.0f);
    g.real(4.0f);
    return read_element();
}

f32 lim(i32 w) { return wrd2r(SRFGEO.LIMREC[0][w]); }

}  // namespace

TEST(OldProcedureRecords, TheFixedLayoutIsReadAndItsLimitsTurnedIntoParameterRanges)
{
    fresh();
    new_procedure();
    // plane 11 runs over parameters 0 to 1 both ways; a nonzero old direction
    // keeps the first two values and runs the second range from its end
    // nearer the third value
    const f32 a[4] = {0.2f, 0.7f, 0.9f, 0.1f};
    ASSERT_EQ(read_old(11, 3, a), 0);
    ASSERT_EQ(SRFGEO.NSRF, 1);
    EXPECT_EQ(SRFGEO.SRFIDS[0], 11);
    EXPECT_EQ(SRFGEO.LIMREC[0][LR_CODE], 1);
    EXPECT_FLOAT_EQ(lim(1), 0.2f);
    EXPECT_FLOAT_EQ(lim(2), 0.7f);
    EXPECT_FLOAT_EQ(lim(3), 1.0f);
    EXPECT_FLOAT_EQ(lim(4), 0.0f);
    EXPECT_EQ(NPASS, 7);
    EXPECT_FLOAT_EQ(LSTEND, 2.5f);
    EXPECT_FLOAT_EQ(LSTPAR, -1.5f);
    EXPECT_EQ(pw(1), 101);
    EXPECT_EQ(pw(10), 110);
    EXPECT_EQ(pw(ALLPAS), 1);
    EXPECT_FLOAT_EQ(pwr(PRTTOL), 0.5f);
    EXPECT_FLOAT_EQ(pwr(SIDSTP), 10.5f);
    EXPECT_FLOAT_EQ(pwr(JMPLF2), 4.0f);
    // a zero old direction: the last two values, then the first range from
    // its end nearer the first value
    const f32 b[4] = {0.4f, 0.6f, 0.3f, 0.8f};
    ASSERT_EQ(read_old(11, 0, b), 0);
    EXPECT_EQ(SRFGEO.LIMREC[0][LR_CODE], 2);
    EXPECT_FLOAT_EQ(lim(1), 0.3f);
    EXPECT_FLOAT_EQ(lim(2), 0.8f);
    EXPECT_FLOAT_EQ(lim(3), 0.0f);
    EXPECT_FLOAT_EQ(lim(4), 1.0f);
}

TEST(OldProcedureRecords, BadCountsAndAMissingSurfaceAreRefused)
{
    fresh();
    new_procedure();
    const f32 a[4] = {0, 1, 0, 1};
    EXPECT_EQ(read_old(999, 1, a), -1);
    EXPECT_TRUE(norak::transcript_has("[area50] ERRORS IN LIST"));
    EXPECT_EQ(read_old(11, 1, a, MAXSRF + 1), -1);
    EXPECT_TRUE(norak::transcript_has("blkrd_area, WRONG NUMBER OF SURFACES"));
    // a group longer than its area
    new_element();
    Groups g;
    g.ints({1});
    g.ints({11, 12});
    EXPECT_LT(read_element(), 0);  // two ids fit the id area, but the record ends early
    EXPECT_FALSE(norak::transcript_has("GROUP LONGER THAN ITS AREA"));
    new_element();
    Groups h;
    h.ints({1});
    h.ints(std::vector<i32>(MAXSRF + 1, 11));
    EXPECT_EQ(read_element(), -1);
    EXPECT_TRUE(norak::transcript_has("blkrd_area, GROUP LONGER THAN ITS AREA. tag, count="));
}

TEST(OldProcedureRecords, AnOldCriteriaTextIsReadIntoItsArea)
{
    fresh();
    new_procedure();
    std::memset(CRTTXT, 0, sizeof CRTTXT);
    i32 st = 0, pos = 0;
    ltop();
    lcreat(0, st);
    const char text[12] = "SURFACES 12";
    tpptntl(MED_LIST, 20211, 3, DT_TEXT, text, pos, st);
    lclos();
    ASSERT_EQ(st, 0);
    i32 ans = 0;
    ltop();
    lacces(2, ans);
    block_read_tavrek(MED_LIST, 9, 1100, 0, pos, st);
    EXPECT_EQ(st, 0);
    EXPECT_STREQ(CRTTXT[3], "SURFACES 12");
    EXPECT_EQ(CRTTXT[0][0], '\0');
    // a count past the area is refused before anything is read
    CRTTXR(MED_LIST, 20212, CRTTXL / 4, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("CRTTXR, TEXT LONGER THAN ITS AREA. code, count="));
}

TEST(TemplateFlags, ReadFlagsAreClearedAndReportedDuringATemplateOperation)
{
    fresh();
    TPLFCL();
    TPLFST(0, 1);
    TPLFST(1, 1);
    TPLFST(3, 5);
    EXPECT_EQ(TPLFGT(0), 1);
    EXPECT_EQ(TPLFGT(3), 5);
    EXPECT_EQ(TPLFGT(4), 0);
    EXPECT_EQ(TPLFGT(-1), 0);
    i32 any = 0, part = 0, part2 = 0, st = 9;
    TPLRDF(any, part, part2, st);  // no template operation: cleared, nothing said
    EXPECT_EQ(st, 0);
    EXPECT_EQ(any + part + part2, 0);
    EXPECT_EQ(TPLFGT(0), 0);
    EXPECT_EQ(TPLFGT(1), 0);
    EXPECT_EQ(TPLFGT(3), 5);  // kinds 2 and 3 are not read flags
    norak::settings().nc["template_create_read"] = 1;
    TPLFST(1, 1);
    TPLRDF(any, part, part2, st);
    EXPECT_EQ(any, 1);
    EXPECT_EQ(part, 0);
    EXPECT_EQ(part2, 1);
    EXPECT_EQ(TPLFGT(1), 0);
    norak::settings().nc.erase("template_create_read");
}

TEST(TemplateTransfer, WrittenThenReadBackWithTheParametersOfTheHost)
{
    fresh();
    new_procedure();
    auto put = [](const i32& type, const i32& medium, i32& position, i32& status) {
        PRCPRM(type, medium, position, status);
    };
    auto geo = [](const i32& type, const i32& medium, i32& position, i32& status) {
        PRCGEO(type, medium, position, status);
    };
    i32 defined = -1, st = 0;
    // a template being made: the procedure's data and the globals go to the host
    norak::settings().nc["template_manage"] = 2;
    GEODEF = 0;
    PRM9[PRM9_TOOL] = 101;
    DRVTMR(9, put, geo, block_read_tavrek, defined, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(defined, 1);
    EXPECT_TRUE(norak::transcript_has("host: template procedure data written for type 9"));
    // a managed read of a type without a template: a read is still needed
    norak::settings().nc["template_manage"] = 1;
    DRVTMR(7, put, geo, block_read_tavrek, defined, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(DRVST.tplread_needed, 1);
    // a tool path template read: the parameters read, the tool of the host's globals taken
    norak::settings().nc["template_manage"] = 0;
    norak::settings().nc["template_tp"] = 4;
    PRM9[PRM9_TOOL] = 102;
    DRVTMR(9, put, geo, block_read_tavrek, defined, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(PRM9[PRM9_TOOL], 101);
    norak::settings().nc.erase("template_manage");
    norak::settings().nc.erase("template_tp");
}

// The template step leaves the driver on any status of the transfer but 0:
// a template write whose parameter writer answered 1 wrote no procedure.
TEST(TemplateTransfer, AnyStatusButZeroFailsTheTemplateStep)
{
    static i32 answer = 0;
    for (i32 a : {1, -1, 0}) {
        fresh();
        new_procedure();
        norak::settings().nc["template_manage"] = 2;
        const DrvArg keep = DRVARG;
        answer = a;
        DRVARG.cb3 = [](const i32&, const i32&, i32&, i32& status) { status = answer; };
        DRVARG.cb4 = nullptr;
        i32 st = 0;
        DRVTPL(st);
        DRVARG = keep;
        norak::settings().nc.erase("template_manage");
        EXPECT_EQ(st, a == 0 ? 0 : -1) << a;
    }
}

TEST(BlockKeys, AGoBackPastTheKeyTableStaysInsideIt)
{
    fresh();
    for (i32 k = 0; k < DRV_KEYS; ++k) DRVBKT[k] = 40 + k;
    i32 st = 9;
    POSLBK(1, 3, st);
    EXPECT_EQ(st, 0);
    // a count beyond the table starts from its last key (no read past it)
    POSLBK(0, DRV_KEYS + 50, st);
    EXPECT_EQ(st, 0);
    POSLBK(1, 0, st);  // no key: nothing to go back to
    EXPECT_EQ(st, 0);
}

TEST(SurfaceLists, TheUpdateRecomputesTheIdsOfBothLists)
{
    fresh();
    new_procedure();
    two_surfaces();
    SRFGEO.SRFIDS[0] = SRFGEO.SRFIDS[1] = 0;  // ids lost: the unique ids find them again
    i32 st = 9;
    PRCUPD(1, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(SRFGEO.SRFIDS[0], 11);
    EXPECT_EQ(SRFGEO.SRFIDS[1], 12);
    i32 n = 0;
    nc_surf_list_count(1, 0, n, st);
    EXPECT_EQ(n, 2);
}

TEST(SurfaceLists, TheAssociationLinksPartAndFreeCheckSurfacesAndKeepsTheCheckRows)
{
    fresh();
    new_procedure();
    two_surfaces();
    // Check list: surface 13 (attribute 0, linked) and 12 (attribute 1, not).
    i32 st = 0, m = 2;
    const i32 ids[2] = {13, 12}, atrs[2] = {0, 1};
    nc_surf_list_count(2, 1, m, st);
    nc_surf_put(m, ids, nullptr, st);
    nc_surf_put_atrs(m, atrs, st);
    PRCGUS[0] = PRCGUS[1] = 1;
    for (const i32 id : {11, 12, 13}) {
        i32 v = 0;
        eattc(id, 2, "AS", v);
    }
    i32 flag = 0;
    PRCSRF(2, 77, flag, st);
    EXPECT_EQ(st, 0);
    for (const auto& [id, want] : {std::pair{11, 77}, std::pair{12, 77}, std::pair{13, 77}}) {
        i32 v = -1;
        eattc(id, 1, "AS", v);
        EXPECT_EQ(v, want) << id;
    }
    // The part list keeps its rows, their unique ids written into them.
    i32 n0 = 0;
    nc_surf_list_count(1, 0, n0, st);
    ASSERT_EQ(n0, SRFGEO.NSRF);
    std::vector<i32> puids(static_cast<size_t>(n0));
    nc_surf_uids(puids.data(), n0, st);
    for (i32 k = 0; k < n0; ++k) EXPECT_EQ(puids[static_cast<size_t>(k)], SRFGEO.SRFUID[k]) << k;
    // Only the linked check surface: without the part surfaces 12 stays.
    PRCGUS[0] = 0;
    i32 zero = 0;
    eattc(12, 2, "AS", zero);
    PRCSRF(2, 55, flag, st);
    i32 v12 = -1, v13 = -1;
    eattc(12, 1, "AS", v12);
    eattc(13, 1, "AS", v13);
    EXPECT_EQ(v12, 0);
    EXPECT_EQ(v13, 55);
    // Check surfaces not newly defined are not linked either.
    PRCGUS[1] = 0;
    eattc(13, 2, "AS", zero);
    PRCSRF(2, 66, flag, st);
    eattc(13, 1, "AS", v13);
    EXPECT_EQ(v13, 0);
    i32 uids[2] = {0, 0};
    nc_surf_list_count(1, 1, m, st);
    EXPECT_EQ(m, 2);
    nc_surf_uids(uids, 2, st);
    EXPECT_EQ(uids[0], euid(13));
    EXPECT_EQ(uids[1], euid(12));
}

TEST(ChangeSnapshot, AnotherUcsIsComputedAgainWhenItRotatesElseUpdated)
{
    for (i32 rotates : {0, 1}) {
        fresh();
        new_procedure();
        CMPDEF();
        NPT1[NPT1_UCS] = 60;
        i32 rc = 0, up = 0, level = 0;
        CHGSNP(1, 0, nullptr, nullptr, nullptr, rc, up, 0, level);
        norak::settings().nc["rotate_ucs"] = rotates;
        CHGSNP(2, 0, nullptr, nullptr, nullptr, rc, up, 0, level);
        EXPECT_EQ(rc, 0) << rotates;  // nothing changed yet
        EXPECT_EQ(up, 0) << rotates;
        NPT1[NPT1_UCS] = 61;
        CHGSNP(2, 0, nullptr, nullptr, nullptr, rc, up, 0, level);
        EXPECT_EQ(rc, rotates) << rotates;
        EXPECT_EQ(up, 1 - rotates) << rotates;
        norak::settings().nc.erase("rotate_ucs");
    }
}

// One setting changed after the snapshot: the heights and the modal-state
// reset word call for a recompute, frequent backup for an update, another
// coordinate system (word 17) for the triangle model again and an update.
TEST(ChangeSnapshot, EachSettingCallsForItsOwnRerun)
{
    struct Case {
        const char* what;
        void (*change)();
        i32 rc, up;
    };
    const Case cases[] = {
        {"clearance", [] { HEI8[HEI8_CLEARANCE] = r2wrd(wrd2r(HEI8[HEI8_CLEARANCE]) + 5.0f); }, 1, 0},
        {"modal-state reset", [] { MODRST = 1 - MODRST; }, 1, 0},
        {"height mode", [] { HEI8[HEI8_ABSOLUTE] = 1 - HEI8[HEI8_ABSOLUTE]; }, 1, 0},
        {"frequent backup", [] { UPW2[UPW2_SWITCH] = r2wrd(2.0f); }, 0, 1},
        {"machine value 17", [] { PRM9[PRM9_UCS] += 1; }, 0, 1},
        {"tool", [] { PRM9[PRM9_TOOL] += 1; }, 1, 0},
    };
    for (const Case& c : cases) {
        fresh();
        new_procedure();
        CMPDEF();
        UPW2[UPW2_SWITCH] = r2wrd(1.0f);
        i32 rc = 0, up = 0, level = 0;
        CHGSNP(1, 0, nullptr, nullptr, nullptr, rc, up, 0, level);
        PRCCST.rebuild = 0;
        c.change();
        CHGSNP(2, 0, nullptr, nullptr, nullptr, rc, up, 0, level);
        EXPECT_EQ(rc, c.rc) << c.what;
        EXPECT_EQ(up, c.up) << c.what;
        EXPECT_EQ(PRCCST.rebuild, std::string(c.what) == "machine value 17" ? 1 : 0) << c.what;
    }
}

TEST(ParameterPage, TheApproximationToleranceFollowsThePartToleranceWhileItIsAPlainNumber)
{
    for (bool expression : {false, true}) {
        fresh(R"([{"menu": 0}])");
        new_procedure();
        ASSERT_GE(rel_nc_find(58), 0);  // a relation item of the procedure
        i32 st = 0, error = 0, out[7];
        pws(PRTTOL, 0.02f);
        pws(APXTL1, 0.5f);
        // typed as a plain number, or as an expression of the same value
        rel_nc_set_text(58, expression ? "0.1*5" : "0.5", 1, st);
        ASSERT_EQ(st, 0);
        EXPECT_EQ(rel_nc_is_number(58), expression ? 0 : 1);
        PRMMNU(0, 0, error, out, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(norak::replies_left(), 0u);
        EXPECT_FLOAT_EQ(pwr(APXTL1), expression ? 0.5f : 0.02f) << expression;
        f32 v = 0;
        rel_nc_get_value(58, v, st);
        EXPECT_FLOAT_EQ(v, expression ? 0.5f : 0.02f);
    }
}

// A "WARNING" line of the parameter check is noted again at the execute
// question; a check without one (after one with) notes nothing of it.
TEST(ParameterPage, AWarningOfTheCheckIsNotedAtTheExecuteQuestion)
{
    for (bool warned : {true, false}) {
        fresh();
        new_procedure();
        pw(STPMOD) = 3;
        pws(SIDSTP, warned ? 12.0f : 5.0f);  // a side step wider than the 10 mm tool warns
        PRMWRN = warned ? 0 : 1;
        i32 error = 0;
        PRMCHK(0, error);
        EXPECT_EQ(error, 0) << warned;
        EXPECT_EQ(PRMWRN, warned ? 1 : 0);
        DlgFlags f{1, 1, 0, 0, 1, 0, PRMWRN, 0, 0, 0, 0};
        RRNOTE(f, 0);
        EXPECT_EQ(norak::transcript_has("PROCEDURE'S PARAMETERS. ATTENTION: WARNINGS ISSUED"), warned) << warned;
    }
}

TEST(ParameterPage, TheApproximationByMaxSideIsModeThree)
{
    // Offered while every surface is checked, with no check surfaces.
    fresh(R"([{"menu": "APPROXIMATION", "value": 2}, {"menu": 0}])");
    new_procedure();
    pw(GCHMOD) = 3;
    i32 st = 0, error = 0, out[7];
    PRMMNU(0, 0, error, out, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(pw(APXMOD), 3);
}

TEST(ParameterPage, AGougeCheckOfSecondPartSurfacesWithoutThemShowsThePartSurfaces)
{
    // Gouge-check mode 2 names the second part surfaces; with none there it
    // is the part surfaces' check, shown and kept as mode 1.
    fresh(R"([{"menu": 0}])");
    new_procedure();
    pw(GCHMOD) = 2;
    i32 st = 0, error = 0, out[7];
    PRMMNU(0, 0, error, out, st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(norak::transcript_has("GOUGE CHECK : PART SURFACES"));
    EXPECT_FALSE(norak::transcript_has("GOUGE CHECK : ALL SURFACES"));
    EXPECT_EQ(pw(GCHMOD), 1);
}

TEST(ParameterPage, InPrintModeTheToolAndServiceMenusFollowByThePageKind)
{
    // page kinds 0 and 2 print the tool menu and the service menu, kind 1 the
    // service menu alone, kinds 3 and 5 neither; the page itself asks once
    const size_t want[6] = {5, 3, 5, 1, 5, 1};
    for (i32 m = 0; m < 6; ++m) {
        fresh(R"([{"menu": 0}])");
        new_procedure();
        EDA2[4] = 1;
        i32 st = 0, reply = 0, changed = 0, index[40] = {0};
        PRCMND(m, 0, nullptr, nullptr, index, nullptr, nullptr, nullptr, reply, changed, st);
        EXPECT_EQ(st, 1) << m;
        EXPECT_EQ(reply, -1) << m;
        EXPECT_EQ(norak::transcript_count("listing:"), want[m]) << m;
    }
}

TEST(ParameterPage, TheClearanceHeightsLeaveThePageAbsoluteWhateverEndsIt)
{
    // The page shows the clearance heights relative to the origin's Z and
    // hands them back absolute: when accepted, after a template saved and
    // applied here, when its menu cannot even be started, and after a
    // geometry item refused for want of surfaces kept the page open.
    struct Case {
        const char* what;
        const char* replies;
        const char* refused;  // the host call that fails
        i32 status;
    };
    const Case cases[] = {
        {"accepted", R"([{"menu": 0}])", "", 0},
        {"template applied", R"([{"menu": "TEMPLATE:SAVE"}, {"menu": "TEMPLATE:APPLY"}, {"menu": 0}])", "", 0},
        {"menu start refused", "[]", "modint", -1},
        {"item refused", "[]", "nu_mod_exec", -1},
        {"cancelled", R"([{"menu": -2}])", "", -2},
        {"second part surfaces asked", R"([{"menu": "E-EDIT   SECOND PART SURFACES"}])", "", 0},
        {"start corner refused before any surface", R"([{"menu": "G-REDEF. START CORNER"}, {"menu": 0}])", "", 0},
    };
    for (const Case& c : cases) {
        fresh(c.replies);
        new_procedure();
        NPT1[NPT1_ORIGIN + 2] = r2wrd(10.0f);
        norak::settings().nc["template_z"] = 10;
        i32 st = 0, error = 0, out[7];
        rel_nc_set_text(366, "50", 1, st);
        rel_nc_set_text(3303, "30", 1, st);
        ASSERT_EQ(st, 0);
        if (*c.refused) norak::fail_list_call(c.refused, 1);
        PRMMNU(0, 0, error, out, st);
        EXPECT_EQ(st, c.status) << c.what;
        EXPECT_EQ(norak::replies_left(), 0u) << c.what;
        EXPECT_EQ(wrd2r(HEI8[HEI8_CLEARANCE]), 50.0f) << c.what;
        EXPECT_EQ(wrd2r(HEI8[HEI8_PLANE2]), 30.0f) << c.what;
    }
}
