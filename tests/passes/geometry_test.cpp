// The geometry record: limit layouts, corners, change detection; and the box
// of the part surfaces.
#include <gtest/gtest.h>

#include "surfaces/svap.h"

#include "passes/srfbox.h"
#include "tests/passes/common.h"

namespace {

using namespace pt;

std::vector<f32> lim(const i32* l)
{
    return {static_cast<f32>(l[0]), limr(l, 1), limr(l, 2), limr(l, 3), limr(l, 4)};
}

TEST(GeometryRecord, LimitLayoutsCornersAndTrimmedCorners)
{
    host({});
    MACTYP = 2;
    i32 l[LIMR_N], c[CRNR_N];
    const std::vector<std::vector<f32>> want = {{2, 3, 4, 1, 2}, {2, 4, 3, 1, 2}, {2, 3, 4, 2, 1}, {2, 4, 3, 2, 1},
                                                {1, 1, 2, 3, 4}, {1, 2, 1, 3, 4}, {1, 1, 2, 4, 3}, {1, 2, 1, 4, 3}};
    for (i32 m = 0; m < 8; ++m) {
        c[CR_HELD] = 7;
        LIMSET(m, 1, 2, 3, 4, l, c);
        EXPECT_EQ(lim(l), want[static_cast<size_t>(m)]) << "mode " << m;
        EXPECT_EQ(c[CR_HELD], 0);
    }
    LIMSET(9, 5, 6, 7, 8, l, c);  // out of range: unchanged
    EXPECT_EQ(lim(l), want[7]);
    // Corners of mode 5 (u first, reversed): 0 = (2, 3), 1 = (1, 3), 2 = (2, 4), 3 = (1, 4).
    LIMSET(5, 1, 2, 3, 4, l, c);
    const f32 corners[4][2] = {{2, 3}, {1, 3}, {2, 4}, {1, 4}};
    for (i32 k = 0; k < 4; ++k) {
        f32 uv[2];
        SRFCNR(1, l, c, k, uv);
        EXPECT_EQ(uv[0], corners[k][0]);
        EXPECT_EQ(uv[1], corners[k][1]);
    }
    // v first swaps the pair.
    LIMSET(0, 1, 2, 3, 4, l, c);
    f32 uv[2];
    SRFCNR(2, l, c, 3, uv);
    EXPECT_EQ(uv[0], 2.0f);
    EXPECT_EQ(uv[1], 4.0f);
    // A trimmed surface (numbered from 0 here): corners from the boundary
    // points of its box corners.
    TrmBox& t = TRMANA[0];
    t = {{0, 10, 0, 20}, {{1, 0}, {9, 0}, {1, 20}, {9, 20}}, {{0, 1}, {10, 1}, {0, 19}, {10, 19}}};
    TRMSET(0, 4, l, c);
    EXPECT_EQ(c[CR_HELD], 1);
    EXPECT_EQ(lim(l), (std::vector<f32>{1, 0, 10, 0, 20}));
    SRFCNR(1, l, c, 1, uv);  // held corners win even for machining type 2
    EXPECT_EQ(uv[0], 9.0f);
    EXPECT_EQ(uv[1], 0.0f);
    TRMSET(0, 0, l, c);  // v first: the v-first points
    SRFCNR(2, l, c, 1, uv);
    EXPECT_EQ(uv[0], 0.0f);
    EXPECT_EQ(uv[1], 19.0f);
    // TRMORI turns the record back to the original's directions.
    std::memset(&SRFGEO, 0, sizeof SRFGEO);
    LIMSET(7, 0, 10, 0, 20, SRFGEO.LIMORG[0], c);
    l[LR_CODE] = 1;
    TRMORI(0, l, c);
    EXPECT_EQ(lim(l), (std::vector<f32>{1, 10, 0, 20, 0}));
    SRFCNR(1, l, c, 0, uv);  // corner 0 is now the box corner (umax, vmax)
    EXPECT_EQ(uv[0], 9.0f);
    EXPECT_EQ(uv[1], 20.0f);
}

// A limit set on a trimmed surface moves the second parameter of the two
// held corners at that end, and nothing else; beyond the boundary's corners
// it is refused with its text and nothing moves.
TEST(GeometryRecord, LimitOnATrimmedSurfaceMovesItsEndsCorners)
{
    host({});
    MACTYP = 2;
    std::memset(&SRFGEO, 0, sizeof SRFGEO);
    TRMANA[0] = {{0, 10, 0, 20}, {{1, 0}, {9, 0}, {1, 20}, {9, 20}}, {{0, 1}, {10, 1}, {0, 19}, {10, 19}}};
    i32* l = SRFGEO.LIMREC[0];
    i32* c = SRFGEO.CRNREC[0];
    TRMSET(0, 4, l, c);  // u first: the second parameter is v
    i32 st = 0;
    LIMPNT(0, 1, 3.0f, 5.0f, st);
    LIMPNT(0, 2, 3.0f, 15.0f, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(lim(l), (std::vector<f32>{1, 0, 10, 5, 15}));
    EXPECT_EQ(c[CR_HELD], 1);
    const f32 want[4][2] = {{1, 5}, {9, 5}, {1, 15}, {9, 15}};
    for (i32 k = 0; k < 4; ++k) {
        EXPECT_EQ(wrd2r(c[1 + 2 * k]), want[k][0]) << k;
        EXPECT_EQ(wrd2r(c[2 + 2 * k]), want[k][1]) << k;
    }
    i32 keep[CRNR_N];
    std::memcpy(keep, c, sizeof keep);
    LIMPNT(0, 1, 3.0f, 25.0f, st);
    EXPECT_TRUE(norak::transcript_has("LENGTH OF THIS TRIMMED SURFACE CANNOT BE CHANGED|PLEASE TRIM THE SURFACE INSTEAD"));
    EXPECT_EQ(lim(l), (std::vector<f32>{1, 0, 10, 5, 15}));
    EXPECT_EQ(0, std::memcmp(keep, c, sizeof keep));
}

TEST(GeometryRecord, ChangeDetectionKindsAndKey)
{
    host({tilted_plane(1), tilted_plane(2)});
    MACTYP = 2;
    chain({1, 2}, {1, -1});
    SRFGEO.SRFUID[0] = 11;
    SAVGEO();
    i32 changed = 0;
    CHGGEO(changed);
    EXPECT_EQ(changed, 0);
    SRFGEO.SRFUID[0] = 12;  // a unique id alone is no change
    CHGGEO(changed);
    EXPECT_EQ(changed, 0);
    std::swap(SRFGEO.LIMREC[1][LR_FST], SRFGEO.LIMREC[1][LR_FEND]);  // one range reversed
    CHGGEO(changed);
    EXPECT_EQ(changed, 1);
    SAVGEO();
    changed = 0;
    SRFGEO.SRFSID[1] = 1;
    CHGGEO(changed);
    EXPECT_EQ(changed, 1);
    // Machining type 14: no count, ids or sides are kept or compared, only
    // the first surface's limit record and connection flag.
    MACTYP = MACTYP_ONESURF;
    SAVGEO();
    changed = 0;
    SRFGEO.NSRF = 5;
    SRFGEO.SRFIDS[0] = 77;
    SRFGEO.LIMREC[1][LR_CODE] = 2;
    CHGGEO(changed);
    EXPECT_EQ(changed, 0);
    SRFGEO.SRFLNK[0] = 1 - SRFGEO.SRFLNK[0];
    CHGGEO(changed);
    EXPECT_EQ(changed, 1);
    SRFGEO.SRFLNK[0] = 1 - SRFGEO.SRFLNK[0];
    changed = 0;
    limput(SRFGEO.LIMREC[0], LR_SEND, limr(SRFGEO.LIMREC[0], LR_SEND) + 1.0f);
    CHGGEO(changed);
    EXPECT_EQ(changed, 1);
    MACTYP = MACTYP_SURFACES;
    chain({1, 2}, {1, -1});
    // Start and end on the same pass.
    i32 kind = 9;
    LIMKND(kind);
    EXPECT_EQ(kind, 0);
    limput(SRFGEO.LIMREC[0], LR_FEND, limr(SRFGEO.LIMREC[0], LR_FST));
    LIMKND(kind);
    EXPECT_EQ(kind, -1);
    limput(SRFGEO.LIMREC[1], LR_FEND, limr(SRFGEO.LIMREC[1], LR_FST) + 1e-6f);
    LIMKND(kind);
    EXPECT_EQ(kind, 1);
    i32 code = 0;
    f32 vals[4];
    GLMDIR(2, code);
    GLMVAL(2, vals);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(vals[2], 0.0f);
    EXPECT_EQ(vals[3], 80.0f);
    i32 key = 42;
    GEOKEY(2, key);
    key = 0;
    GEOKEY(1, key);
    EXPECT_EQ(key, 42);
    INIGEO();
    EXPECT_EQ(SRFGEO.PCKRNG[2][0], 0);
    EXPECT_EQ(SRFGEO.PCKRNG[2][1], -1);
}

TEST(PartSurfaceBox, UnionSkipsAndFailures)
{
    host({tilted_plane(1), top_cylinder(2), dome(3),
          R"({"kind":"plane_patch","id":4,"origin":[0,0,2e9],"u_axis":[1,0,0],"v_axis":[0,1,0]})",
          R"({"kind":"point","id":5,"at":[1,2,3]})"});
    const i32 ids[] = {0, 1, 2, 3};
    f64 box[6];
    i32 st = 0;
    SURFSBOX(ids, 4, box, st);
    ASSERT_EQ(st, 0);
    f64 want[6] = {1e300, 1e300, 1e300, -1e300, -1e300, -1e300};
    for (i32 id : {1, 2, 3}) {
        f64 b[6];
        DBDSRX(1, id, b, st);
        for (int k = 0; k < 3; ++k) {
            want[k] = std::min(want[k], b[k]);
            want[3 + k] = std::max(want[3 + k], b[3 + k]);
        }
    }
    for (int k = 0; k < 6; ++k) EXPECT_DOUBLE_EQ(box[k], want[k]) << k;
    // A list whose first id is 0 takes the next surface's box, not the origin.
    const i32 one[] = {0, 2};
    SURFSBOX(one, 2, box, st);
    f64 b2[6];
    DBDSRX(1, 2, b2, st);
    for (int k = 0; k < 6; ++k) EXPECT_DOUBLE_EQ(box[k], b2[k]);
    // An implausible box is warned about and left out; when none is left
    // the routine fails.
    const i32 bad[] = {4};
    SURFSBOX(bad, 1, box, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(norak::transcript_count("WARNING: SURFACE ID NUMBER : "), 1u);
    const i32 mix[] = {4, 1};
    SURFSBOX(mix, 2, box, st);
    EXPECT_EQ(st, 0);
    EXPECT_DOUBLE_EQ(box[0], 0.0);
    const i32 none[] = {0, -3};
    SURFSBOX(none, 2, box, st);
    EXPECT_EQ(st, -1);
    SURFSBOX(ids, 0, box, st);
    EXPECT_EQ(st, -1);
    const i32 pt[] = {5};
    SURFSBOX(pt, 1, box, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("SURFSBOX : UNKNOWN SURFACE TYPE "));
    const i32 missing[] = {99};
    SURFSBOX(missing, 1, box, st);
    EXPECT_LT(st, 0);

    // A saved approximation: the box of its header, mapped into the world.
    SvapMesh m;
    m.xyz = {1, 2, 3, 4, 5, 6, 2, 8, 1};
    m.nrm = {0, 0, 1, 0, 0, 1, 0, 0, 1};
    m.tri = {1, 2, 3};
    i32 eid = 0;
    lin_svap_save(0, 1, 0.01f, 0.0f, 0, m, eid, st);
    ASSERT_EQ(st, 0);
    const f64 turn[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, shift[3] = {10, 0, 0};
    norak::set_model_to_world(turn, shift);
    const i32 apx[] = {eid};
    SURFSBOX(apx, 1, box, st);
    const f64 zero[3] = {0, 0, 0};
    norak::set_model_to_world(turn, zero);
    ASSERT_EQ(st, 0);
    const f64 wbox[6] = {11, 2, 1, 14, 8, 6};
    for (int k = 0; k < 6; ++k) EXPECT_DOUBLE_EQ(box[k], wbox[k]) << k;
}

}  // namespace
