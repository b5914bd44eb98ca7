// Start corner of the passes, on plain and trimmed surfaces.
#include "tests/passes/geodef_util.h"

using namespace gdt;

namespace {

const std::string EXIT = "{\"pick\":0,\"exit\":true}";
const std::string SIDE_YES = "{\"question\":\"MILLING SIDE OK?\",\"answer\":\"yes\"}";

void picked(const std::vector<std::string>& ents, const std::string& picks, const std::string& more)
{
    start(ents, "[" + picks + EXIT + "," + SIDE_YES + (more.empty() ? "" : "," + more) + "]");
    i32 defined = 0, status = 9;
    PCKSRS(1, 0, 0.01f, defined, status);
    ASSERT_EQ(status, 0);
}

TEST(GeoCorner, StartNearCornerOneTurnsTheFirstRangeOnly)
{
    picked({strip(11, 0)}, pk(11, 5, 25) + ",", pk(11, 9, 1));
    i32 changed = 0, status = 9;
    STCORN(changed, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(lim(0), "1 10 0 0 50");
    EXPECT_TRUE(norak::transcript_has("prompt: IND.START CORNR/EXIT"));

    // Equally far from both ends: nothing changes.
    picked({strip(11, 0)}, pk(11, 5, 25) + ",", pk(11, 5, 25));
    STCORN(changed, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(lim(0), "1 0 10 0 50");

    // Near corner 3: both ranges turn.
    picked({strip(11, 0)}, pk(11, 5, 25) + ",", pk(11, 9.5, 48));
    STCORN(changed, status);
    EXPECT_EQ(lim(0), "1 10 0 50 0");
}

TEST(GeoCorner, ChainTurnsTheFirstRangeOfEverySurface)
{
    picked({strip(11, 0), strip(12, 1), strip(13, 2)}, pk(11, 5, 25) + "," + pk(12, 5, 25) + "," + pk(13, 5, 25) + ",",
           pk(11, 1, 49));
    i32 changed = 0, status = 9;
    STCORN(changed, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(changed, 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(lim(i), "2 50 0 0 10") << i;
}

TEST(GeoCorner, EscapeAndLeaveKeepTheRecords)
{
    picked({strip(11, 0)}, pk(11, 5, 25) + ",", "{\"pick\":0,\"escape\":true}");
    i32 changed = 9, status = 9;
    STCORN(changed, status);
    EXPECT_EQ(status, -2);
    EXPECT_EQ(changed, 0);
    picked({strip(11, 0)}, pk(11, 5, 25) + ",", "{\"pick\":0,\"end\":true}," + EXIT);
    STCORN(changed, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(lim(0), "1 0 10 0 50");
}

TEST(GeoCorner, TrimmedSurfaceTakesTheCornerNearestToAPoint)
{
    start({trimmed(21, 0, 0, 20, 60, "[[0,0],[10,0],[10,50],[0,50]]")},
          "[" + pk(21, 5, 25) + "," + SIDE_YES + ",{\"point\":[9.5,49,3]}]");
    i32 status = 9, changed = 0;
    PCKTRM(status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(SRFGEO.NSRF, 1);
    EXPECT_EQ(lim(0), "1 0 10 0 50");
    const i32* c = SRFGEO.CRNREC[0];
    EXPECT_EQ(c[0], 1);
    EXPECT_EQ(w(c, 7), 10.0f);  // corner 3 at (10, 50)
    EXPECT_EQ(w(c, 8), 50.0f);
    STCORN(changed, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(lim(0), "1 10 0 50 0");
    EXPECT_EQ(w(c, 1), 10.0f);  // corner 0 is the chosen one now
    EXPECT_EQ(w(c, 2), 50.0f);
    EXPECT_EQ(w(c, 7), 0.0f);
    EXPECT_EQ(w(c, 8), 0.0f);
    f32 u0, v0, u2, v2;
    GETCRN(u0, v0, u2, v2);
    EXPECT_EQ(u0, 0.0f);  // from the markers shown before the change
    EXPECT_EQ(v2, 50.0f);
}

TEST(GeoCorner, TrimmedPickLeavesAndEscapes)
{
    start({trimmed(21, 0, 0, 20, 60, "[[0,0],[10,0],[10,50],[0,50]]")}, "[{\"pick\":0,\"exit\":true}]");
    i32 status = 9;
    SRFGEO.NSRF = 1;
    PCKTRM(status);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(SRFGEO.NSRF, 0);
    EXPECT_EQ(SRFGEO.GEODEF, 1);
    start({trimmed(21, 0, 0, 20, 60, "[[0,0],[10,0],[10,50],[0,50]]")}, "[{\"pick\":0,\"escape\":true}]");
    PCKTRM(status);
    EXPECT_EQ(status, -2);

    // Another surface picked, the side escaped, the pick escaped: the first
    // surface stays the geometry.
    start({trimmed(21, 0, 0, 20, 60, "[[0,0],[10,0],[10,50],[0,50]]"), trimmed(22, 30, 0, 20, 60, "[[0,0],[5,0],[5,5]]")},
          "[" + pk(21, 5, 25) + "," + SIDE_YES + "," + pk(22, 1, 1) +
              ",{\"question\":\"MILLING SIDE OK?\",\"escape\":true},{\"pick\":0,\"escape\":true}]");
    PCKTRM(status);
    ASSERT_EQ(status, 0);
    const std::string before = lim(0);
    const f32 umax = TRMANA[0].box[1];
    PCKTRM(status);
    EXPECT_EQ(status, -2);
    EXPECT_EQ(TRMANA[0].box[1], umax);
    EXPECT_EQ(SRFGEO.SRFIDS[0], 21);
    EXPECT_EQ(SRFGEO.NSRF, 1);
    EXPECT_EQ(lim(0), before);
}

// Whether a range runs against the start corner, each range in its own
// parameter: the first in u (code 1) or in v (code 2), the second in the
// other. Corner j has the first parameter high when bit 0 is set and the
// second when bit 1 is: a start there turns that range.
TEST(GeoCorner, ARangeRunsAgainstTheStartInItsOwnParameter)
{
    const f32 hi[2] = {10, 50};
    for (i32 code : {1, 2}) {
        const int first = code == 1 ? 0 : 1;
        for (i32 k = 0; k < 4; ++k) {
            f32 uvs[4][2], ev[4][9] = {};
            for (i32 j = 0; j < 4; ++j) {
                uvs[j][first] = (j & 1) ? hi[first] : 0;
                uvs[j][1 - first] = (j & 2) ? hi[1 - first] : 0;
                ev[j][0] = uvs[j][0], ev[j][1] = uvs[j][1];
            }
            CRNSTO(ev, uvs);
            i32* r = SRFGEO.LIMREC[0];
            r[LR_CODE] = code;
            limput(r, LR_FST, 0);
            limput(r, LR_FEND, hi[first]);
            limput(r, LR_SST, 0);
            limput(r, LR_SEND, hi[1 - first]);
            f32 corner[3];
            i32 st = 9;
            CRNNEAR(uvs[k][0], uvs[k][1], 0.0f, corner, st);
            ASSERT_EQ(st, 0);
            EXPECT_EQ(STCREV1(), (k & 1) != 0) << code << " " << k;
            EXPECT_EQ(STCREV2(), (k & 2) != 0) << code << " " << k;
        }
    }
}

}  // namespace
