// Limits of the surfaces: set at a point, restored, widths fitted along the
// chain and the width point.
#include <cmath>

#include "surfaces/srfbuf.h"
#include "tests/passes/geodef_util.h"

using namespace gdt;

namespace {

const std::string EXIT = "{\"pick\":0,\"exit\":true}";
const std::string ESC = "{\"pick\":0,\"escape\":true}";
const std::string SIDE_YES = "{\"question\":\"MILLING SIDE OK?\",\"answer\":\"yes\"}";

// Three strips picked as a chain, then the replies of the test.
void chain3(const std::string& more)
{
    start({strip(11, 0), strip(12, 1), strip(13, 2)},
          "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + pk(13, 5, 25) + "," + EXIT + "," + SIDE_YES +
              (more.empty() ? "" : "," + more) + "]");
    i32 defined = 0, status = 9;
    PCKSRS(1, 0, 0.01f, defined, status);
    ASSERT_EQ(status, 0);
}

TEST(GeoLimits, AtStartAndAtEndChangeTheFirstAndTheLastSurface)
{
    chain3("{\"menu\":\"AT END\"}," + pk(13, 6, 20) + ",{\"menu\":\"AT START\"}," + pk(12, 1, 1) + "," + pk(11, 3, 20) +
           ",{\"menu\":1,\"escape\":true}");
    i32 status = 9;
    SETLIM(status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(lim(0), "2 0 50 3 10");
    EXPECT_EQ(lim(1), "2 0 50 0 10");
    EXPECT_EQ(lim(2), "2 0 50 0 6");
    EXPECT_TRUE(norak::transcript_has("prompt: SET LIMITS & EXIT"));
    EXPECT_TRUE(norak::transcript_has("user: THE POINT IS NOT ON THE SURFACE. PICK AGAIN"));
    // The markers of the third surface moved with its end.
    i32 c = 0, t = 0, len = 0;
    f64 p[3];
    eopen(SRFGEO.SRFFIG[2][2], c, t, len, status);
    egetd(3, p);
    eclose();
    EXPECT_DOUBLE_EQ(p[0], 26.0);

    // Escape at the point goes back to the menu; a leave at the point leaves.
    chain3("{\"menu\":\"AT END\"}," + ESC + ",{\"menu\":\"AT END\"},{\"pick\":0,\"exit\":true}");
    SETLIM(status);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(lim(2), "2 0 50 0 10");
}

TEST(GeoLimits, RestoringLimitsAndWidths)
{
    chain3("");
    // Start on the first surface and end on the last; a second range running
    // downwards is restored downwards.
    i32* r = SRFGEO.LIMREC[0];
    limput(r, LR_SST, 8);
    limput(r, LR_SEND, 2);
    limput(SRFGEO.LIMREC[2], LR_SEND, 4);
    i32 status = 9;
    PARLIM(status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(lim(0), "2 0 50 10 2");
    EXPECT_EQ(lim(2), "2 0 50 0 10");

    for (int i = 0; i < 3; ++i) {
        limput(SRFGEO.LIMREC[i], LR_FST, 12);
        limput(SRFGEO.LIMREC[i], LR_FEND, 30);
    }
    ALLLIM(status);
    ASSERT_EQ(status, 0);
    // Whole widths again; the directions of the ranges are kept.
    EXPECT_EQ(lim(0), "2 0 50 10 0");
    EXPECT_EQ(lim(1), "2 0 50 0 10");
    EXPECT_EQ(lim(2), "2 0 50 0 10");
    EXPECT_EQ(SRFGEO.SRFLNK[0], 1);
    EXPECT_EQ(SRFGEO.SRFLNK[1], 0);
    EXPECT_EQ(SRFGEO.SRFLNK[2], 0);
    // The first surface gone from the host: the reset fails with its status
    // and leaves the later surfaces and the connection flags as they are.
    SRFGEO.SRFLNK[1] = SRFGEO.SRFLNK[2] = 1;
    limput(SRFGEO.LIMREC[2], LR_FST, 12);
    const i32 keep = SRFGEO.SRFIDS[0];
    SRFGEO.SRFIDS[0] = 99;
    ALLLIM(status);
    SRFGEO.SRFIDS[0] = keep;
    EXPECT_LT(status, 0);
    EXPECT_EQ(SRFGEO.SRFLNK[1], 1);
    EXPECT_EQ(w(SRFGEO.LIMREC[2], LR_FST), 12.0f);

    // A single surface: both ends of a downward range.
    start({strip(11, 0)}, "[" + pk(11, 5, 25) + "," + EXIT + "," + SIDE_YES + "]");
    i32 defined = 0;
    PCKSRS(1, 0, 0.01f, defined, status);
    limput(SRFGEO.LIMREC[0], LR_SST, 40);
    limput(SRFGEO.LIMREC[0], LR_SEND, 5);
    PARLIM(status);
    EXPECT_EQ(lim(0), "1 0 10 50 0");
}

// A chain of a plain and a trimmed surface turned by the start corner: a
// reset gives both their whole widths and leaves both turned, the trimmed
// one's held corners with them.
TEST(GeoLimits, ResetKeepsTheTurnOfPlainAndTrimmedSurfacesAlike)
{
    start({strip(11, 0), trimmed(22, 10, 0, 10, 50, "[[0,0],[10,0],[10,50],[0,50]]")},
          "[" + pk(11, 5, 25) + "," + pk(22, 5, 25) + "," + EXIT + "," + SIDE_YES + "," + pk(11, 1, 49) + "]");
    i32 defined = 0, changed = 0, status = 9;
    PCKSRS(1, 0, 0.01f, defined, status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(SRFGEO.CRNREC[1][CR_HELD], 1);
    STCORN(changed, status);
    ASSERT_EQ(changed, 1);
    ASSERT_EQ(lim(1), "2 50 0 0 10");
    limput(SRFGEO.LIMREC[1], LR_FEND, 20);
    ALLLIM(status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(lim(0), "2 50 0 0 10");
    EXPECT_EQ(lim(1), "2 50 0 0 10");
    EXPECT_EQ(w(SRFGEO.CRNREC[1], 2), 50.0f);  // v of corner 0, where the first pass starts
    EXPECT_EQ(w(SRFGEO.CRNREC[1], 4), 0.0f);   // v of corner 1, where the last pass starts
}

TEST(GeoLimits, NeighboursMeetAtTheirLimitsWithinTheTolerance)
{
    chain3("");
    i32 connected = 9, status = 9;
    SRFCRN(2, 0, 1, 0.0f, connected, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(connected, 0);
    SRFCRN(2, 0, 1, 0.1f, connected, status);
    EXPECT_EQ(connected, 1);
    SRFCRN(1, 1, 0, 0.1f, connected, status);
    EXPECT_EQ(connected, 1);
    limput(SRFGEO.LIMREC[1], LR_FEND, 40);
    SRFCRN(2, 0, 1, 0.1f, connected, status);
    EXPECT_EQ(connected, 0);
}

// First range of surface i (the chain fitting finds its ends by sampling).
void expect_width(int i, f32 a, f32 b)
{
    EXPECT_EQ(SRFGEO.LIMREC[i][LR_CODE], 2) << i;
    EXPECT_NEAR(w(SRFGEO.LIMREC[i], LR_FST), a, 0.01) << i;
    EXPECT_NEAR(w(SRFGEO.LIMREC[i], LR_FEND), b, 0.01) << i;
    EXPECT_EQ(w(SRFGEO.LIMREC[i], LR_SST), 0.0f) << i;
    EXPECT_EQ(w(SRFGEO.LIMREC[i], LR_SEND), 10.0f) << i;
}

TEST(GeoWidth, WidthOnTheMiddleSurfaceFitsTheThirdThenTheFirst)
{
    chain3("{\"pick\":12}," + pk(12, 3, 10) + "," + pk(12, 7, 40));
    i32 widdef = 0, status = 9;
    PCKWID(widdef, 0.01f, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(widdef, 2);
    EXPECT_EQ(lim(1), "2 10 40 0 10");
    expect_width(0, 10, 40);
    expect_width(2, 10, 40);
    auto t = transcript_text();
    size_t width = t.find("reply: entity 12 at (7");
    size_t third = t.find("arrow from 20 ", width), first = t.find("arrow from 0 ", width);
    EXPECT_NE(third, std::string::npos);
    EXPECT_LT(third, first);

    // Points against the set-up direction turn every surface.
    chain3("{\"pick\":13}," + pk(13, 3, 45) + "," + pk(13, 7, 5));
    PCKWID(widdef, 0.01f, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(lim(2), "2 45 5 0 10");
    expect_width(0, 45, 5);
    expect_width(1, 45, 5);
}

TEST(GeoWidth, ChainTurnedByTheStartCornerFollowsTheWidthPoints)
{
    chain3(pk(11, 1, 49) + ",{\"pick\":12}," + pk(12, 3, 10) + "," + pk(12, 7, 40));
    i32 changed = 0, status = 9, widdef = 0;
    STCORN(changed, status);
    ASSERT_EQ(lim(2), "2 50 0 0 10");
    PCKWID(widdef, 0.01f, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(lim(1), "2 10 40 0 10");
    expect_width(0, 10, 40);
    expect_width(2, 10, 40);
}

TEST(GeoWidth, TheAdjustOptionIsShownBesideThePicksOfPickedSurfaces)
{
    // Picked part surfaces: "ADJUST ALL SURFACES" beside each pick, the
    // adjust word 2; the option taken instead of a point asks again.
    start({strip(11, 0)}, "[{\"menu\":\"ADJUST ALL SURFACES\"}," + pk(11, 3, 10) + "," + pk(11, 8, 10) + "]");
    f32 p1[3], p2[3], uv1[2], uv2[2];
    i32 adjust = 0, m1 = 12, m2 = 12, status = 9;
    WIDPNT(11, p1, p2, adjust, uv1, m1, uv2, m2, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(adjust, 2);
    EXPECT_NEAR(uv1[0], 3.0f, 1e-5f);
    EXPECT_NEAR(uv2[0], 8.0f, 1e-5f);
    EXPECT_EQ(norak::transcript_count("menu: ADJUST ALL SURFACES"), 2u);
    EXPECT_EQ(norak::transcript_count("prompt: IND. WIDTH POINT 1"), 1u);
    // One trimmed surface: no option, the word untouched.
    start({strip(11, 0)}, "[" + pk(11, 3, 10) + "," + pk(11, 8, 10) + "]");
    MACTYP = MACTYP_TRIMMED;
    adjust = 0;
    WIDPNT(11, p1, p2, adjust, uv1, m1, uv2, m2, status);
    MACTYP = MACTYP_SURFACES;
    ASSERT_EQ(status, 0);
    EXPECT_EQ(adjust, 0);
    EXPECT_FALSE(norak::transcript_has("ADJUST ALL SURFACES"));
}

TEST(GeoWidth, EscapeAtTheSecondPointAsksTheFirstAgain)
{
    start({strip(11, 0)}, "[" + pk(11, 5, 25) + "," + EXIT + "," + SIDE_YES + "," + pk(11, 2, 10) + "," + ESC + "," +
                              pk(11, 3, 10) + "," + pk(11, 8, 10) + "]");
    i32 defined = 0, status = 9, widdef = 0;
    PCKSRS(1, 0, 0.01f, defined, status);
    ASSERT_EQ(status, 0);
    const size_t stack = norak::pick_stack().size();
    PCKWID(widdef, 0.01f, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(lim(0), "1 3 8 0 50");
    EXPECT_EQ(norak::pick_stack().size(), stack);  // the width picks are taken off
    EXPECT_EQ(norak::transcript_count("prompt: IND. WIDTH POINT 1"), 2u);

    // Escape at the first point leaves with -2; the limits stay.
    start({strip(11, 0)}, "[" + pk(11, 5, 25) + "," + EXIT + "," + SIDE_YES + "," + ESC + "]");
    PCKSRS(1, 0, 0.01f, defined, status);
    PCKWID(widdef, 0.01f, status);
    EXPECT_EQ(status, -2);
    EXPECT_EQ(lim(0), "1 0 10 0 50");
}

}  // namespace

namespace {

// The trimmed neighbour's edge: the boundary's points on the edge line
// itself (crossings, and corners lying on it), not the nearest boundary
// point elsewhere; a line that meets no boundary gives no candidate.
TEST(GeoWidth, TrimmedEdgePointLiesOnTheEdgeLine)
{
    // Trimmed patch at x = 10: on its edge u = 0 the boundary runs from
    // v = 20 to v = 30; elsewhere it reaches v = 0 at u = 1.
    start({trimmed(12, 10, 0, 10, 50, "[[0,20],[1,0],[10,0],[10,50],[1,50],[0,30]]")});
    static f64 buf[SB_CAP];
    i32 st = 0;
    LDSRFB(12, buf, st);
    ASSERT_EQ(st, 0);
    const f32 corner[3] = {10.5f, 0, 0};
    f32 best = -1, dist = 0;
    EDGTRM(corner, 12, buf, 2, 0.0f, best, dist, st);
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(best, 20.0f, 1e-4);
    EXPECT_NEAR(dist, std::hypot(0.5, 20.0), 1e-3);
    // Across the far end (u = 10) the boundary is a side lying on the line.
    const f32 far[3] = {20, 47, 0};
    EDGTRM(far, 12, buf, 2, 10.0f, best, dist, st);
    EXPECT_NEAR(best, 50.0f, 1e-4);
    EXPECT_NEAR(dist, 3.0f, 1e-3);
    // Beyond the boundary the line meets nothing.
    EDGTRM(corner, 12, buf, 2, 15.0f, best, dist, st);
    EXPECT_GT(dist, 1.0e14f);
}

// The width fitted to a trimmed neighbour ends where its boundary meets the
// edge line, not at nearer points of the line outside the trimmed region; a
// neighbour whose edge line cannot be evaluated fails the fit with the
// evaluation's status and keeps its width.
TEST(GeoWidth, FitToATrimmedNeighbourStaysOnItsBoundaryAndFailuresLeave)
{
    // The trimmed patch at x = 10 meets its edge u = 0 from v = 20 to v = 30.
    start({strip(11, 0), trimmed(12, 10, 0, 10, 50, "[[0,20],[1,0],[10,0],[10,50],[1,50],[0,30]]")},
          "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + EXIT + "," + SIDE_YES + "]");
    i32 defined = 0, status = 9;
    PCKSRS(1, 0, 0.01f, defined, status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(SRFGEO.NSRF, 2);
    LIMRST(1, 0, status);
    ASSERT_EQ(status, 0);
    WIDFIT(2, 0, 1, 0.01f, status);
    ASSERT_EQ(status, 0);
    EXPECT_NEAR(w(SRFGEO.LIMREC[1], LR_FST), 20.0f, 1e-3);
    EXPECT_NEAR(w(SRFGEO.LIMREC[1], LR_FEND), 30.0f, 1e-3);

    chain3("");
    limput(SRFGEO.LIMREC[1], LR_SST, std::nanf(""));
    limput(SRFGEO.LIMREC[1], LR_FEND, 40);
    WIDFIT(2, 0, 1, 0.01f, status);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(w(SRFGEO.LIMREC[1], LR_FST), 0.0f);
    EXPECT_EQ(w(SRFGEO.LIMREC[1], LR_FEND), 40.0f);
    // A buffer the host cannot evaluate: no point, the host's status.
    static f64 none[SB_CAP];
    const f32 at[3] = {0, 0, 0};
    f32 best = -7, pt[3] = {-7, -7, -7};
    EDGNRS(at, none, 2, 0.0f, 0.0f, 50.0f, best, pt, status);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(best, -7.0f);
    EXPECT_EQ(pt[0], -7.0f);
}

// A width is fitted to the corners of the neighbour's common edge: its far
// edge (mode 2, the next surface) or its near edge (mode 1, the one before).
// The trimmed neighbour spans 10 .. 40 along the common edge and 0 .. 50 along
// its other edge; the trimmed corners are found within the tolerance.
TEST(GeoWidth, AWidthIsFittedToTheCornersOnTheCommonEdge)
{
    for (i32 mode : {2, 1}) {
        const std::string ents[2] = {
            mode == 2 ? trimmed(11, 0, 0, 10, 50, "[[0,0],[10,10],[10,40],[0,50]]") : strip(11, 0),
            mode == 2 ? strip(12, 1) : trimmed(12, 10, 0, 10, 50, "[[0,10],[10,0],[10,50],[0,40]]")};
        start({ents[0], ents[1]}, "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + EXIT + "," + SIDE_YES + "]");
        i32 defined = 0, status = 9;
        PCKSRS(1, 0, 0.01f, defined, status);
        ASSERT_EQ(status, 0) << mode;
        ASSERT_EQ(SRFGEO.NSRF, 2) << mode;
        const i32 i = mode == 2 ? 0 : 1, j = mode == 2 ? 1 : 0;
        LIMRST(j, 0, status);
        WIDFIT(mode, i, j, 0.01f, status);
        ASSERT_EQ(status, 0) << mode;
        EXPECT_NEAR(std::fmin(w(SRFGEO.LIMREC[j], LR_FST), w(SRFGEO.LIMREC[j], LR_FEND)), 10.0f, 0.01) << mode;
        EXPECT_NEAR(std::fmax(w(SRFGEO.LIMREC[j], LR_FST), w(SRFGEO.LIMREC[j], LR_FEND)), 40.0f, 0.01) << mode;
    }
}

// Machining type 14: a refused call of the host's surface list leaves with
// its status before any surface is chosen, the work arrays released.
TEST(GeoWidth, RefusedSurfaceListLeavesWithTheHostsStatus)
{
    const std::pair<const char*, i32> refusals[] = {{"nc_surf_ids", 1}, {"nc_surf_count", 2}, {"nc_surf_uids", 1}};
    for (const auto& [routine, nth] : refusals) {
        start({strip(11, 0), strip(12, 1)});
        MACTYP = MACTYP_ONESURF;
        i32 n = 2, st = 0;
        const i32 ids[2] = {11, 12}, nrm[2] = {1, 1};
        nc_surf_count(2, 2, n, st);
        nc_surf_put(2, ids, nrm, st);
        ASSERT_EQ(st, 0);
        norak::fail_list_call(routine, nth);
        i32 widdef = 0, status = 9;
        PCKWID(widdef, 0.01f, status);
        MACTYP = MACTYP_SURFACES;
        EXPECT_EQ(status, -1) << routine;
        EXPECT_EQ(widdef, 0) << routine;
        EXPECT_EQ(norak::open_blocks(), 0) << routine;
        EXPECT_FALSE(norak::transcript_has("PICK SURFACE")) << routine;
    }
}

}  // namespace
