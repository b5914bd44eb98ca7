// Set-up of the surfaces of a chain and the cut direction.
#include "tests/passes/geodef_util.h"

using namespace gdt;

namespace {

const std::string EXIT = "{\"pick\":0,\"exit\":true}";
const std::string SIDE_YES = "{\"question\":\"MILLING SIDE OK?\",\"answer\":\"yes\"}";
const std::string OK_NO = "{\"question\":\"CUT DIRECTION OK?\",\"answer\":\"no\"}";
const std::string OK_YES = "{\"question\":\"CUT DIRECTION OK?\",\"answer\":\"yes\"}";

// Directions of the two live cut-direction arrows as text.
std::string cut_arrows()
{
    std::string s;
    for (i32 id : SRFGEO.CUTFIG) {
        const auto& f = norak::figures()[static_cast<size_t>(id - 1)];
        char b[64];
        std::snprintf(b, sizeof b, "(%g %g %g)", f.arrows[0].dir[0] + 0.0, f.arrows[0].dir[1] + 0.0, f.arrows[0].dir[2] + 0.0);
        s += b;
    }
    return s;
}

void setup(const std::vector<std::string>& ents, const std::string& replies)
{
    start(ents, replies);
    for (size_t i = 0; i < ents.size(); ++i) SRFGEO.SRFIDS[i] = 11 + static_cast<i32>(i);
    SRFGEO.NSRF = static_cast<i32>(ents.size());
}

TEST(GeoSetUp, TwoSurfacesMeetAtTheirBestEdge)
{
    // B's edge v = vmin runs along A's edge u = umax in the same direction.
    setup({strip(11, 0), patch(12, 10, 0, 0, 50, 10, "[0,1,0]", "[1,0,0]")}, "[]");
    i32 status = 9;
    SRFSET(1, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(lim(0), "2 0 50 0 10");  // mode 0
    EXPECT_EQ(lim(1), "1 0 50 0 10");  // mode 4
    EXPECT_EQ(SRFGEO.LIMORG[1][0], 1);
    EXPECT_FLOAT_EQ(SRFGEO.SRFDLT[0], -0.5f);

    // The same edge running against A: the first range of B is turned.
    setup({strip(11, 0), patch(12, 10, 50, 0, 50, 10, "[0,-1,0]", "[1,0,0]")}, "[]");
    SRFSET(1, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(lim(0), "2 0 50 0 10");
    EXPECT_EQ(lim(1), "1 50 0 0 10");  // mode 5
}

TEST(GeoSetUp, AFarThirdSurfaceIsStillTakenWithItsBestEdge)
{
    setup({strip(11, 0), strip(12, 1), patch(13, 300, 40, 0, 10, 50)}, "[]");
    i32 status = 9;
    SRFSET(1, status);
    SRFSET(2, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(lim(2), "2 0 50 0 10");
    EXPECT_NE(SRFGEO.SRFFIG[2][0], 0);
}

TEST(GeoSetUp, BadSurfaceIsReportedAndRefused)
{
    setup({strip(11, 0), strip(12, 1)}, "[]");
    SRFGEO.SRFIDS[1] = 77;  // no such entity
    i32 status = 0;
    SRFSET(1, status);
    EXPECT_LT(status, 0);
}

TEST(GeoCutDir, NoTwiceShowsTheFirstArrowAgainAndYesAfterNoTurnsASingleSurface)
{
    start({strip(11, 0)}, "[" + pk(11, 5, 25) + "," + EXIT + "," + SIDE_YES + "," + OK_NO + "," + OK_NO + "," + OK_NO +
                              "," + OK_YES + "]");
    i32 defined = 0, status = 9, changed = 0;
    PCKSRS(1, 0, 0.01f, defined, status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(lim(0), "1 0 10 0 50");
    // Passes along v: the arrows show v first, then u, then v again.
    CUTDIR(1, changed, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(SRFGEO.CUTFLP, 1);
    EXPECT_EQ(lim(0), "2 0 50 0 10");
    auto t = transcript_text();
    size_t a = t.find("along 0 1 0"), b = t.find("along 1 0 0", a), c = t.find("along 0 1 0", b);
    EXPECT_NE(c, std::string::npos);
    EXPECT_EQ(cut_arrows(), "(1 0 0)(-1 0 0)");
    EXPECT_EQ(live_arrow_figures(), 2 + 2 + 1);  // cut arrows, markers, side arrows
}

TEST(GeoCutDir, YesAfterNoRebuildsASingleTrimmedSurfacesRecords)
{
    // The records of the trimmed surface made again with v first: the
    // limits from the trim boundary's box, the corners held.
    start({trimmed(21, 0, 0, 20, 60, "[[0,0],[10,0],[10,50],[0,50]]")},
          "[" + pk(21, 5, 25) + "," + SIDE_YES + "," + OK_NO + "," + OK_YES + "]");
    i32 status = 9, changed = 0;
    PCKTRM(status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(lim(0), "1 0 10 0 50");
    CUTDIR(1, changed, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(lim(0), "2 0 50 0 10");
    const i32* c = SRFGEO.CRNREC[0];
    EXPECT_EQ(c[0], 1);
    EXPECT_EQ(w(c, 3), 0.0f);  // corner 1 at (0, 50): the end of the first range, v
    EXPECT_EQ(w(c, 4), 50.0f);
}

TEST(GeoCutDir, ChainTogglesItsCutWordAndKeepsTheRecords)
{
    start({strip(11, 0), strip(12, 1)},
          "[" + pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + EXIT + "," + SIDE_YES + "," + OK_NO + "," + OK_YES + "]");
    i32 defined = 0, status = 9, changed = 0;
    PCKSRS(1, 0, 0.01f, defined, status);
    ASSERT_EQ(status, 0);
    CUTDIR(1, changed, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(SRFGEO.CUTFLP, 2);
    EXPECT_EQ(lim(0), "2 0 50 0 10");
    EXPECT_EQ(lim(1), "2 0 50 0 10");
    // Shown without asking: the arrows of the other parameter now.
    CUTDIR(0, changed, status);
    EXPECT_EQ(cut_arrows(), "(0 1 0)(0 -1 0)");
}

TEST(GeoCutDir, TheSurfaceOfTheCleanUpShowsItsArrowsFromTheHostsRecord)
{
    // Machining type 14: the reference point and tangents are the record
    // the host keeps with the surface of the procedure's list.
    start({strip(11, 0)});
    MACTYP = MACTYP_ONESURF;
    i32 n = 1, st = 0;
    const i32 id = 11, nrm = 1;
    nc_surf_count(2, 2, n, st);
    nc_surf_put(1, &id, &nrm, st);
    const f32 rec[9] = {1, 2, 3, 1, 0, 0, 0, 1, 0};
    nc_surf_psrf(1, rec, st);
    ASSERT_EQ(st, 0);
    i32 chosen = 0;
    CUTASK(0, 1, -1, chosen, SRFGEO.CUTFIG, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(cut_arrows(), "(0 1 0)(0 -1 0)");
    const auto& f = norak::figures()[static_cast<size_t>(SRFGEO.CUTFIG[0] - 1)];
    EXPECT_EQ(f.arrows[0].from[0], 1.0f);
    EXPECT_EQ(f.arrows[0].from[2], 3.0f);
    // A list without the surface asked for: a failure.
    CUTASK(1, 1, -1, chosen, SRFGEO.CUTFIG, st);
    EXPECT_LT(st, 0);
    MACTYP = MACTYP_SURFACES;
}

TEST(GeoCutDir, EscapeAndLeaveKeepTheDirection)
{
    for (const char* how : {"escape", "exit"}) {
        start({strip(11, 0)}, "[" + pk(11, 5, 25) + "," + EXIT + "," + SIDE_YES + "," + OK_NO +
                                  ",{\"question\":\"CUT DIRECTION OK?\",\"" + how + "\":true}]");
        i32 defined = 0, status = 9, changed = 0;
        PCKSRS(1, 0, 0.01f, defined, status);
        ASSERT_EQ(status, 0);
        CUTDIR(1, changed, status);
        EXPECT_EQ(status, std::string(how) == "escape" ? -2 : -1);
        EXPECT_EQ(changed, 0);
        EXPECT_EQ(lim(0), "1 0 10 0 50");
        EXPECT_EQ(SRFGEO.CUTFLP, 1);
    }
}

}  // namespace
