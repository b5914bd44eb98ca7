// The remembered choices of ALTERATIONS ("ZQA1"), the reset of its working
// state, and the point routines on a line.
#include <gtest/gtest.h>

#include <cmath>

#include "core/host.h"
#include "core/params.h"
#include "core/records.h"
#include "edit/alter/state.h"
#include "edit/alter/zmove.h"
#include "platform/norak/norak.h"

namespace {
void stored(const i32* words, i32 count)
{
    i32 st = 0;
    mdputn("ZQA1", RK_WORDS, count, words, st);
}
}  // namespace

TEST(AlterDefaults, DefaultsRoundTripAndBadWordsFallBack)
{
    norak::reset();
    zqa1_defaults();
    EXPECT_EQ(zqa(ZQA_CONNECT), CON_CLEAR);
    EXPECT_EQ(zqa(ZQA_ACTION), ACT_DELETE);
    EXPECT_EQ(zqa(ZQA_DELOPT), 1);
    EXPECT_EQ(zqa(ZQA_PROJOPT), PRJ_BELOW_Z);
    EXPECT_EQ(zqa(ZQA_SIDE), 1);
    EXPECT_FLOAT_EQ(zqar(ZQA_INCCLR), 10.0f);
    EXPECT_FLOAT_EQ(zqar(ZQA_OFFSET), 0.0f);
    EXPECT_FLOAT_EQ(zqar(ZQA_SRFOFF), 0.0f);
    EXPECT_FLOAT_EQ(zqar(ZQA_ZPLANE), 10.0f);
    EXPECT_FLOAT_EQ(zqar(ZQA_DELTAZ), 50.0f);

    // No record yet: the words stay as they are.
    alteration_defaults[ZQA_ACTION] = ACT_MOVE;
    zqa1_read();
    EXPECT_EQ(zqa(ZQA_ACTION), ACT_MOVE);

    // Written and read back whole.
    alteration_defaults[ZQA_CONNECT] = CON_ALONG;
    alteration_defaults[ZQA_SIDE] = 2;
    zqas(ZQA_DELTAZ, -7.5f);
    zqa1_write();
    zqa1_defaults();
    zqa1_read();
    EXPECT_EQ(zqa(ZQA_CONNECT), CON_ALONG);
    EXPECT_EQ(zqa(ZQA_ACTION), ACT_MOVE);
    EXPECT_EQ(zqa(ZQA_SIDE), 2);
    EXPECT_FLOAT_EQ(zqar(ZQA_DELTAZ), -7.5f);

    i32 w[ZQA1_N];
    // An old record's delete option is kept for the menu to mend; words out
    // of their ranges and a non-finite real take their defaults.
    for (i32 k = 0; k < ZQA1_N; ++k) w[k] = alteration_defaults[k];
    w[ZQA_DELOPT] = 4;
    w[ZQA_PROJOPT] = 6;
    w[ZQA_SIDE] = 0;
    w[ZQA_ZPLANE] = r2wrd(NAN);
    w[ZQA_INCCLR] = r2wrd(1000.0f);
    w[ZQA_OFFSET] = r2wrd(-999.999f);
    stored(w, ZQA1_N);
    zqa1_read();
    EXPECT_EQ(zqa(ZQA_DELOPT), 4);
    EXPECT_EQ(zqa(ZQA_PROJOPT), PRJ_BELOW_Z);
    EXPECT_EQ(zqa(ZQA_SIDE), 1);
    EXPECT_FLOAT_EQ(zqar(ZQA_ZPLANE), 10.0f);
    EXPECT_FLOAT_EQ(zqar(ZQA_INCCLR), 10.0f);
    EXPECT_FLOAT_EQ(zqar(ZQA_OFFSET), -999.999f);
    EXPECT_EQ(zqa(ZQA_CONNECT), CON_ALONG);

    // A record of another size: every word takes its default.
    stored(w, 4);
    zqa1_read();
    EXPECT_EQ(zqa(ZQA_CONNECT), CON_CLEAR);
    EXPECT_EQ(zqa(ZQA_ACTION), ACT_DELETE);
    EXPECT_FLOAT_EQ(zqar(ZQA_DELTAZ), 50.0f);
}

// A stored surface offset deeper than the current tool's corner (kept from
// a tool with a larger one) takes its default; one within it stays.
// Each choice word keeps both ends of its range, and goes to its default one
// past either end.
TEST(AlterDefaults, EachChoiceKeepsTheEndsOfItsRange)
{
    norak::reset();
    i32 w[ZQA1_N];
    const i32 ends[][3] = {{ZQA_CONNECT, 1, 4}, {ZQA_ACTION, 1, 3}, {ZQA_PROJOPT, 1, 5}, {ZQA_SIDE, 1, 2}};
    for (const auto& e : ends) {
        for (i32 v : {e[1], e[2], e[1] - 1, e[2] + 1}) {
            zqa1_defaults();
            const i32 fallback = alteration_defaults[e[0]];
            for (i32 k = 0; k < ZQA1_N; ++k) w[k] = alteration_defaults[k];
            w[e[0]] = v;
            stored(w, ZQA1_N);
            alteration_defaults[e[0]] = -99;
            zqa1_read();
            EXPECT_EQ(zqa(e[0]), v >= e[1] && v <= e[2] ? v : fallback) << e[0] << " " << v;
        }
    }
}

TEST(AlterDefaults, ASurfaceOffsetDeeperThanTheToolsCornerFallsBack)
{
    struct Case {
        i32 tool;
        f32 stored, read;
    };
    const Case cases[] = {{101, -5.0f, -5.0f}, {101, -5.5f, 0.0f}, {102, -0.5f, 0.0f}, {102, 2.0f, 2.0f}};
    for (const Case& c : cases) {
        norak::reset();
        norak::load_session_text(R"({"entities": [
          {"kind": "tool", "id": 101, "type": "MILL", "name": "BALL 10", "diameter": 10, "corner_radius": 5},
          {"kind": "tool", "id": 102, "type": "MILL", "name": "FLAT 10", "diameter": 10}]})",
                                 "offsets");
        PRM9[PRM9_TOOL] = c.tool;
        zqa1_defaults();
        zqas(ZQA_SRFOFF, c.stored);
        zqa1_write();
        zqa1_read();
        EXPECT_FLOAT_EQ(zqar(ZQA_SRFOFF), c.read) << c.tool << " " << c.stored;
    }
    norak::reset();
}

TEST(AlterDefaults, HeightsAreRelativeToTheZBase)
{
    zqa1_defaults();
    ZBASE = 100.0f;
    ALTPDF.clear = 25.0f;
    EXPECT_FLOAT_EQ(alt_clearance(), 125.0f);
    EXPECT_FLOAT_EQ(alt_zplane(), 110.0f);
    ZBASE = 0.0f;
}

TEST(AlterState, ResetClosesTheWorkersArraysAndClearsTheCall)
{
    norak::reset();
    TrimState& t = trim_state;
    void* base = nullptr;
    i32 st = 0;
    MM_OPEN_ARRAY(12, 50, t.arrays[TA_POINTS], base, st);
    ASSERT_EQ(st, 0);
    MM_OPEN_ARRAY(12, 50, t.arrays[TA_OUTVEC], base, st);
    const i32 h = t.arrays[TA_POINTS];
    t.npoints = 7;
    t.ops = 3;
    t.walk_side = 1;
    t.restart = 0;
    t.model_needed = 0;
    t.nsurf = 2;
    t.surf_ids = {4, 5};
    t.polygon = {0, 0, 1, 0, 0, 0};
    t.npoly = 3;
    t.must_end = 1;
    trim_state_reset();
    for (i32 k = 0; k < TA_N; ++k) EXPECT_EQ(t.arrays[k], -1);
    mmcptr(h, base);
    EXPECT_EQ(base, nullptr);  // really closed
    EXPECT_EQ(t.npoints, 0);
    EXPECT_EQ(t.ops, 0);
    EXPECT_EQ(t.walk_side, 3);
    EXPECT_EQ(t.restart, 1);
    EXPECT_EQ(t.model_needed, 1);
    EXPECT_EQ(t.nsurf, 0);
    EXPECT_TRUE(t.surf_ids.empty());
    EXPECT_EQ(t.npoly, 0);
    EXPECT_TRUE(t.polygon.empty());
    EXPECT_EQ(t.must_end, 0);
    EXPECT_EQ(t.first_rapid, -1);
}

TEST(LinePoints, HeightAtAnXYPointAndPointAtAHeight)
{
    norak::reset();
    f64 t = 0;
    // Mostly along x: the parameter comes from x.
    const f32 a[3] = {0, 0, 10}, b[3] = {10, 2, 0};
    f32 q[3] = {2.5f, 0.5f, -99};
    line_z_at_xy(a, b, q, t);
    EXPECT_DOUBLE_EQ(t, 0.25);
    EXPECT_FLOAT_EQ(q[2], 7.5f);
    // Mostly along y, running backwards in y.
    const f32 c[3] = {1, 8, 2}, d[3] = {0, 0, 6};
    f32 r[3] = {0.5f, 2.0f, 0};
    line_z_at_xy(c, d, r, t);
    EXPECT_DOUBLE_EQ(t, 0.75);
    EXPECT_FLOAT_EQ(r[2], 5.0f);
    // Beyond the end the line is extended.
    f32 s[3] = {20, 4, 0};
    line_z_at_xy(a, b, s, t);
    EXPECT_DOUBLE_EQ(t, 2.0);
    EXPECT_FLOAT_EQ(s[2], -10.0f);
    // A vertical line has no XY extent: t = 1, the end's height.
    const f32 v1[3] = {3, 3, 0}, v2[3] = {3, 3, 9};
    f32 u[3] = {3, 3, 0};
    line_z_at_xy(v1, v2, u, t);
    EXPECT_DOUBLE_EQ(t, 1.0);
    EXPECT_FLOAT_EQ(u[2], 9.0f);

    // The point at a height.
    f32 p[3] = {0, 0, 5};
    line_point_at_z(a, b, p, t);
    EXPECT_FLOAT_EQ(p[0], 5.0f);
    EXPECT_FLOAT_EQ(p[1], 1.0f);
    EXPECT_DOUBLE_EQ(t, 0.5);
    // A horizontal line leaves x, y as they were.
    const f32 h1[3] = {0, 0, 1}, h2[3] = {4, 0, 1};
    f32 w[3] = {1, 7, 1};
    line_point_at_z(h1, h2, w, t);
    EXPECT_FLOAT_EQ(w[0], 1.0f);
    EXPECT_FLOAT_EQ(w[1], 7.0f);
    EXPECT_DOUBLE_EQ(t, 0.25);
    // A vertical line: t = 1.
    f32 m[3] = {3, 3, 4};
    line_point_at_z(v1, v2, m, t);
    EXPECT_DOUBLE_EQ(t, 1.0);
}

TEST(LinePoints, PointsDifferBeyondAThousandthInAll)
{
    const f32 a[3] = {1, 2, 3};
    const f32 b[3] = {1.0004f, 2.0004f, 3};
    const f32 c[3] = {1.0004f, 2.0004f, 3.0004f};
    EXPECT_EQ(points_differ(a, a), 0);
    EXPECT_EQ(points_differ(a, b), 0);
    EXPECT_EQ(points_differ(a, c), 1);
    EXPECT_EQ(points_differ(c, a), 1);
}
