// Execution of the procedure: what it changes for its run is put back on
// every road, the one-surface-at-a-time loop, and the new procedure's
// defaults and relations.
#include <cmath>
#include <stdexcept>
#include <utility>
#include <vector>

#include "core/proc.h"
#include "frame/defrel.h"
#include "blocks/movement.h"
#include "edit/support.h"
#include "passes/milbf.h"
#include "passes/pasdat.h"
#include "passes/retract.h"
#include "tests/frame/proc_common.h"

using namespace proct;

namespace {

struct Run {
    i32 loop, nsrf, first, mactyp;
    f32 w405, diameter;
    f32 stock[2];   // the positioning's part and check stock during the run
    PasTab table;  // the pass table as the run found it
    LnkPar link;   // the link parameters the run links by
};
std::vector<Run> runs;
i32 fail_at = -1;     // the run that fails
i32 stop_at = -1;     // the run that is stopped

struct Stop : std::runtime_error {
    Stop() : std::runtime_error("stop") {}
};

void hook(i32 loop, i32& status)
{
    f32 d = 0;
    GTDIAM(PRM9[PRM9_TOOL], d);
    STDIAM(d + 100.0f);  // the run changes the cached tool
    runs.push_back({loop, SRFGEO.NSRF, SRFGEO.SRFIDS[0], MACTYP, pwr(CLNMIN), d, {PRCSTK, PRCCHK}, PASTAB, LNKPAR});
    PASTAB.PCUR[0] = PASTAB.PEND[0];  // the run steps its surface to the end
    const i32 n = static_cast<i32>(runs.size());
    if (n == fail_at) status = -1;
    if (n == stop_at) throw Stop();
}

void prepare()
{
    fresh();
    new_procedure();
    two_surfaces();
    pw(GCHMOD) = 1;
    pws(CLNMIN, 0.0f);
    runs.clear();
    fail_at = stop_at = -1;
    SRMHOOK = hook;
}

f32 diameter()
{
    f32 d = 0;
    GTDIAM(PRM9[PRM9_TOOL], d);
    return d;
}


// Surface 12, on side 1, as the one surface of the check list.
void one_check_surface(i32& st)
{
    const i32 check[1] = {12}, side[1] = {1};
    i32 one = 1;
    nc_surf_list_count(2, 1, one, st);
    nc_surf_put(1, check, side, st);
}
}  // namespace

TEST(ProcExec, RunValuesArePutBackOnEveryRoad)
{
    // A plain run over both surfaces together, which positions with the
    // procedure's part and check stock.
    prepare();
    pws(PRTOFS, 0.3f);
    pws(CHKOFS, 0.4f);
    PRCSTK = PRCCHK = 0.0f;
    // The link parameters the editor left behind are not the run's: the
    // run links by the procedure's own.
    pw(LNKKND) = 3;
    pws(APRLEN, 6.0f);
    const f32 dists[2] = {0, 0};
    const i32 hmode = 0, hinc = 0;
    SETMOC(7, 99.0f, 1.0f, dists, 1.0f, 0.5f, 0.0f, 0.0f, 0, 1, 0, &hmode, &hinc);
    LNKPAR.clrA = LNKPAR.clrB = 1;
    i32 st = 0;
    PRCEXE(1, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].stock[0], 0.3f);
    EXPECT_EQ(runs[0].stock[1], 0.4f);
    EXPECT_EQ(runs[0].link.kind, 3);
    EXPECT_EQ(runs[0].link.length, 6.0f);
    EXPECT_EQ(runs[0].link.tol, pwr(PRTTOL));
    EXPECT_EQ(runs[0].link.pofs, 0.3f);
    EXPECT_EQ(runs[0].link.clrA + runs[0].link.clrB, 0);
    pws(PRTOFS, 0.0f);
    pws(CHKOFS, 0.0f);
    EXPECT_EQ(runs[0].nsrf, 2);
    EXPECT_EQ(runs[0].w405, 0.001f);
    EXPECT_EQ(pwr(CLNMIN), 0.0f);
    EXPECT_EQ(MACTYP, 2);
    EXPECT_EQ(diameter(), 10.0f);
    EXPECT_EQ(PRCCST.rebuild, 0);  // the part box was computed
    EXPECT_FLOAT_EQ(PRTBOX[3], 100.0f);

    // A failing pass loop.
    prepare();
    fail_at = 1;
    PRCEXE(1, st);
    EXPECT_LT(st, 0);
    EXPECT_EQ(pwr(CLNMIN), 0.0f);
    EXPECT_EQ(diameter(), 10.0f);

    // A stop unwinds through the execution; the closing call in mode 2
    // finds everything as it was before the run.
    prepare();
    stop_at = 1;
    EXPECT_THROW(PRCEXE(1, st), Stop);
    EXPECT_EQ(pwr(CLNMIN), 0.0f);
    EXPECT_EQ(MACTYP, 2);
    EXPECT_EQ(diameter(), 10.0f);
    PRCEXE(2, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(pwr(CLNMIN), 0.0f);
    EXPECT_EQ(diameter(), 10.0f);

    // One surface whose corner record is held: machined as one trimmed
    // surface, machining type 2 again afterwards.
    prepare();
    SRFGEO.NSRF = 1;
    SRFGEO.CRNREC[0][CR_HELD] = 1;
    PRCEXE(1, st);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].loop, 3);
    EXPECT_EQ(runs[0].mactyp, 3);
    EXPECT_EQ(MACTYP, 2);

    // Another cut direction steps the surface parameter.
    prepare();
    SRFGEO.CUTFLP = 2;
    PRCEXE(1, st);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].loop, 2);
}

TEST(ProcExec, OneSurfaceAtATimeKeepsTheGeometry)
{
    prepare();
    pw(SPLMOD) = 2;
    const SrfGeo before = SRFGEO;
    i32 st = 0;
    PRCEXE(1, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].nsrf, 1);
    EXPECT_EQ(runs[0].first, 11);
    EXPECT_EQ(runs[1].nsrf, 1);
    EXPECT_EQ(runs[1].first, 12);
    EXPECT_EQ(0, std::memcmp(&SRFGEO, &before, sizeof SRFGEO));
    // Each surface runs over its own pass table entries, moved into the
    // first slot, and the table is whole again afterwards.
    const PasTab& all = runs[0].table;
    const PasTab& two = runs[1].table;
    EXPECT_EQ(two.PCODE[0], all.PCODE[1]);
    for (const auto f : {&PasTab::PSTART, &PasTab::PEND, &PasTab::ASTART, &PasTab::AEND, &PasTab::PCUR,
                         &PasTab::USTEP, &PasTab::VSTEP, &PasTab::PDELTA})
        EXPECT_EQ((two.*f)[0], (all.*f)[1]);
    EXPECT_NE(all.PEND[0], all.PEND[1]);
    EXPECT_EQ(0, std::memcmp(&PASTAB, &all, sizeof PASTAB));

    // The second surface fails: the geometry is whole all the same.
    prepare();
    pw(SPLMOD) = 2;
    fail_at = 2;
    PRCEXE(1, st);
    EXPECT_LT(st, 0);
    EXPECT_EQ(0, std::memcmp(&SRFGEO, &before, sizeof SRFGEO));

    // A stop on the first surface.
    prepare();
    pw(SPLMOD) = 2;
    stop_at = 1;
    EXPECT_THROW(PRCEXE(1, st), Stop);
    EXPECT_EQ(0, std::memcmp(&SRFGEO, &before, sizeof SRFGEO));
    EXPECT_EQ(0, std::memcmp(&PASTAB, &runs[0].table, sizeof PASTAB));
    EXPECT_EQ(pwr(CLNMIN), 0.0f);
    PRCEXE(2, st);
    EXPECT_EQ(0, std::memcmp(&SRFGEO, &before, sizeof SRFGEO));
}

namespace {

// Each run links one one-point string by a code-2 link and stores one by a
// code-3 link, at a place of its own: what the string writer holds when the
// run starts, and where the code-2 link left the tool.
std::vector<std::pair<i32, bool>> linked;
void link_hook(i32, i32& status)
{
    f32 bp[3], bx[3];
    i32 bn = -1;
    MSTGET(bp, bx, bn);
    const f32 at = 10.0f * static_cast<f32>(linked.size() + 1);
    const f32 p[3] = {at, at, 5.0f};
    const i32 one = 1;
    MILBF2(2, 1, 0, p, nullptr, nullptr, 1, &one, 0, 0, 0, 0, status);
    const bool reached = MOVST.point[0] == p[0] && MOVST.point[1] == p[1];
    if (status >= 0) MILBF2(3, 1, 0, p, nullptr, nullptr, 1, &one, 0, 0, 0, 0, status);
    linked.emplace_back(bn, reached);
    PASTAB.PCUR[0] = PASTAB.PEND[0];
}

}  // namespace

TEST(ProcExec, EveryRunStartsTheStringWriterAfresh)
{
    // Without the fresh start the second run's code-2 link was taken as done
    // already (its string entered with no move to it), and its retract would
    // start from the first run's last string.
    linked.clear();
    for (int run = 0; run < 2; ++run) {
        prepare();
        SRMHOOK = link_hook;
        i32 st = 0;
        PRCEXE(1, st);
        ASSERT_EQ(st, 0) << run;
    }
    ASSERT_EQ(linked.size(), 2u);
    for (const auto& [count, reached] : linked) {
        EXPECT_EQ(count, 0);
        EXPECT_TRUE(reached);
    }
}

TEST(ProcExec, GougeCheckBuildsTheTriangleModelOrSaysWhy)
{
    prepare();
    pw(GCHMOD) = 3;
    i32 st = 0;
    PRCEXE(1, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(PRCCST.rebuild, 0);

    prepare();
    pw(GCHMOD) = 3;
    pw(APXMOD) = 4;  // no such approximation mode: the model cannot be built
    PRCEXE(1, st);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("user: PROBLEMS WITH GOUGE CHECK. PLEASE CHANGE OPTION"));
    EXPECT_EQ(PRCCST.rebuild, 1);
    EXPECT_TRUE(runs.empty());

    // The check-surface buffers come from the host's memory: when it refuses
    // them the run ends the same way, with nothing left taken.
    prepare();
    pw(GCHMOD) = 3;
    one_check_surface(st);
    ASSERT_EQ(st, 0);
    const i32 held = norak::open_blocks();
    norak::fail_alloc_after(1);
    PRCEXE(1, st);
    norak::fail_alloc_after(0);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("user: PROBLEMS WITH GOUGE CHECK. PLEASE CHANGE OPTION"));
    EXPECT_EQ(norak::open_blocks(), held);
    EXPECT_TRUE(runs.empty());

    // A model the editor freed is built again, and the second model flag
    // goes with the request, as with every other.
    prepare();
    PRCCST.rebuild = 0;
    PRCCST.second = 1;
    PRCCST.freed = MDLFRE - 1;
    i32 changed = 0, geo = 0;
    PRCCHG(changed, geo, st);
    EXPECT_EQ(PRCCST.rebuild, 1);
    EXPECT_EQ(PRCCST.second, 0);
}

TEST(ProcDefaults, NewProcedureWordsAndRelations)
{
    fresh();
    // What an earlier procedure's run left in the pass state.
    NPASS = 5;
    NBKUP = 7;
    SRFEVL = 0;
    new_procedure();
    EXPECT_EQ(NPASS, 0);
    EXPECT_EQ(NBKUP, 0);
    EXPECT_EQ(SRFEVL, 1);
    EXPECT_EQ(pw(NPSREQ), 10);
    EXPECT_EQ(pw(PASEXE), 3);
    EXPECT_EQ(pwr(LNKDS1), 1.0f);
    EXPECT_EQ(pwr(LNKDS2), 1.0f);
    EXPECT_EQ(pw(STPMOD), 1);
    EXPECT_EQ(pw(APXKND), 2);
    EXPECT_EQ(pw(WIDDEF), 2);
    // Values of the default relations over the ball tool of diameter 10.
    EXPECT_FLOAT_EQ(pwr(PRTTOL), 0.1f);
    EXPECT_FLOAT_EQ(pwr(SCLHGT), 0.2f);
    EXPECT_FLOAT_EQ(pwr(APRRAD), 5.0f);
    EXPECT_FLOAT_EQ(pwr(SIDSTP), 8.0f);
    EXPECT_FLOAT_EQ(pwr(APXTL3), 10.0f / 3.0f);
    EXPECT_FLOAT_EQ(pwr(CHKTOL), 0.1f);
    EXPECT_FLOAT_EQ(pwr(AXSTRN), 8.0f);
    EXPECT_EQ(pw(WRKTOL), pw(PRTTOL));
    // A changed tolerance carries into the relations over it.
    i32 st = 0;
    valex_setp(57, 0.03f, st);
    EXPECT_FLOAT_EQ(pwr(CHKTOL), 0.03f);
    EXPECT_FLOAT_EQ(pwr(APXTL1), 0.03f);
    // Each expression item is known to the host's relations by its code: a
    // value set there by the code lands in the item's word.
    const std::pair<i32, i32> symbols[] = {{57, PRTTOL}, {218, CHKTOL}, {48, APRLEN}, {49, APRRAD},
                                           {16, SAFDST}, {217, AXSTRN}, {54, SCLHGT}, {55, PRTOFS},
                                           {56, CHKOFS}, {425, LEADAN}, {26, SIDSTP}, {58, APXTL1},
                                           {59, APXTL2}, {298, APXTL3}, {258, CLNMIN}, {275, UDSLOP},
                                           {214, TILTAN}};
    for (const auto& [code, word] : symbols) {
        valex_setp(code, 0.375f, st);
        EXPECT_EQ(pwr(word), 0.375f) << code;
    }
    // Limits of the offsets follow the corner radius.
    const rel_entry* e = rel_nc_cptr() + rel_nc_find(55);
    EXPECT_EQ(e->limits, 1);
    EXPECT_DOUBLE_EQ(e->lo, -5.0);
    // Every entry the defaults handle is marked: the relations and the
    // height symbols alike.
    for (i32 code : {57, 366, 3303, 3304}) {
        ASSERT_GE(rel_nc_find(code), 0) << code;
        EXPECT_EQ(rel_nc_cptr()[rel_nc_find(code)].dflt, 1) << code;
    }
    EXPECT_FALSE(norak::transcript_has("INIT RELATION VALUES ERROR"));
}

TEST(ProcDefaults, ScallopCompanionAndHeightShift)
{
    fresh();
    new_procedure();
    f32 out = 0;
    RELPAS(5.0f, out);  // h = R
    EXPECT_FLOAT_EQ(out, 15.0f);
    RELPAS(2.5f, out);  // h = R/2
    EXPECT_FLOAT_EQ(out, static_cast<f32>(std::sqrt(3.0) * 5.0));
    EXPECT_FLOAT_EQ(pwr(CLNMIN), out);
    RELPAS(6.0f, out);
    EXPECT_FLOAT_EQ(out, 18.0f);

    // Shifts to relative heights round at the shown digits.
    norak::settings().digits = 2;
    i32 st = 0;
    HEI8[HEI8_CLEARANCE] = r2wrd(10.004f);
    rel_nc_init_expr(&HEI8[HEI8_CLEARANCE]);
    rel_nc_add_symbol(366, 2, &HEI8[HEI8_CLEARANCE], st);
    RELSHF(1, 366, 10.0f, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(wrd2r(HEI8[HEI8_CLEARANCE]), 0.0f);
    HEI8[HEI8_CLEARANCE] = r2wrd(10.02f);
    rel_nc_init_expr(&HEI8[HEI8_CLEARANCE]);
    RELSHF(1, 366, 10.0f, st);
    EXPECT_NEAR(wrd2r(HEI8[HEI8_CLEARANCE]), 0.02f, 1e-6);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&HEI8[2])), "0.02");
    RELSHF(2, 366, 10.0f, st);
    EXPECT_NEAR(wrd2r(HEI8[HEI8_CLEARANCE]), 10.02f, 1e-5);
}

// Relations of other procedure kinds that the host may hold in the same
// table get their defaults and limits too; none is refused.
TEST(ProcDefaults, EveryCodeOfTheDefaultTableIsKnown)
{
    fresh();
    static i32 items[4][24];
    const i32 codes[4] = {384, 389, 392, 398};
    i32 st = 0;
    for (int k = 0; k < 4; ++k) {
        items[k][0] = r2wrd(7.0f);
        rel_nc_add_symbol(codes[k], 3, items[k], st);
        ASSERT_EQ(st, 0);
    }
    DEFREL(st);
    EXPECT_EQ(st, 0);
    EXPECT_FALSE(norak::transcript_has("INIT RELATION VALUES ERROR"));
    for (int k = 0; k < 4; ++k) {
        const rel_entry& e = rel_nc_cptr()[rel_nc_find(codes[k])];
        EXPECT_EQ(wrd2r(items[k][0]), 0.0f) << codes[k];
        EXPECT_EQ(e.limits, 1) << codes[k];
        EXPECT_DOUBLE_EQ(e.hi, k < 2 ? 9999.9 : 999.9) << codes[k];
        EXPECT_DOUBLE_EQ(e.lo, -e.hi) << codes[k];
    }
}

TEST(ProcDefaults, TranslationRowsStopAtTheFirstRefusal)
{
    fresh();
    i32 st = 0;
    PRCTRN(st);
    EXPECT_EQ(st, 0);
    // The six rows of the up/down items come first.
    ASSERT_EQ(norak::translation_rows().size(), 29u);
    EXPECT_EQ(norak::translation_rows()[0][0], 525);
    EXPECT_EQ(norak::translation_rows()[0][3], 529);
    EXPECT_EQ(norak::translation_rows()[5][1], 278);
    EXPECT_EQ(norak::translation_rows()[8][1], 54);
    EXPECT_EQ(norak::translation_rows()[28][0], 581);
}

// The procedure's start normal is the tool's: in three-axis work the tool
// stands on the plane's start corner with its axis up; in five-axis work
// with a leading angle its axis leans along the pass by that angle.
TEST(ProcNormal, StartsWithTheToolAtTheFirstCorner)
{
    fresh();
    new_procedure();
    two_surfaces();
    i32 st = 0;
    SGTOOL(3, 101, st);
    ASSERT_EQ(st, 0);
    f32 pt[3] = {0, 0, 0}, dir[3] = {0, 0, 0}, nrm[3] = {9, 9, 9};
    i32 count = 0, dirs = 0, nrms = 0;
    pw(AXSMOD) = 1;
    PRCNRM(1, count, pt, dirs, dir, nrms, nrm, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(count, 1);
    EXPECT_NEAR(pt[0], 12.5f, 1e-4);
    EXPECT_NEAR(pt[1], 30.0f, 1e-4);
    EXPECT_NEAR(pt[2], 0.0f, 1e-4);
    EXPECT_NEAR(dir[1], 1.0f, 1e-6);
    EXPECT_NEAR(nrm[2], 1.0f, 1e-6);
    // The cut direction turned (code 155 = 2): the same start corner, the
    // pass along the other parameter.
    const i32 flip = SRFGEO.CUTFLP;
    SRFGEO.CUTFLP = 2;
    PRCNRM(1, count, pt, dirs, dir, nrms, nrm, st);
    SRFGEO.CUTFLP = flip;
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(pt[0], 12.5f, 1e-4);
    EXPECT_NEAR(pt[1], 30.0f, 1e-4);
    EXPECT_NEAR(std::fabs(dir[0]), 1.0f, 1e-6);
    pw(AXSMOD) = 2;
    pws(LEADAN, 20.0f);
    pws(TLTCMP, 0.0f);
    nrms = 0;
    PRCNRM(1, count, pt, dirs, dir, nrms, nrm, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(nrms, 1);
    EXPECT_NEAR(nrm[2], std::cos(20.0 * M_PI / 180.0), 1e-4);
    EXPECT_NEAR(std::fabs(nrm[1]), std::sin(20.0 * M_PI / 180.0), 1e-4);
    EXPECT_NEAR(nrm[0], 0.0f, 1e-4);

    // The surface clean-up's one surface is the one its passes machine, the
    // first of the check list, not the first part surface.
    MACTYP = MACTYP_ONESURF;
    pw(AXSMOD) = 1;
    one_check_surface(st);
    ASSERT_EQ(st, 0);
    PRCNRM(1, count, pt, dirs, dir, nrms, nrm, st);
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(pt[0], 62.5f, 1e-4);
    EXPECT_NEAR(pt[1], 30.0f, 1e-4);
    // Zigzag over an odd count of passes ends on the last surface; the one
    // surface of the clean-up holds no part surface of its own, and its
    // first record stays the one to start from.
    SRFGEO.NSRF = 0;
    pw(ZIGZAG) = 1;
    NPASS = 3;
    PRCNRM(1, count, pt, dirs, dir, nrms, nrm, st);
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(pt[0], 62.5f, 1e-4);
    EXPECT_NEAR(pt[1], 30.0f, 1e-4);
}
