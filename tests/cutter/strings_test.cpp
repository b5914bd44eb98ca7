// Strings of positions along lines: chordal tolerance against the reference,
// spacing on flat ground, strings split and lifted at check surfaces, limits.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "common/chords.h"
#include "common/dropref.h"
#include "common/meshes.h"
#include "common/positioning.h"
#include "common/tooldefs.h"
#include "cutter/congeo.h"
#include "cutter/linnetn.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "core/host.h"
#include "core/params.h"
#include "core/records.h"
#include "platform/norak/norak.h"
#include "stock/netgrid.h"
#include "surfaces/trimodel.h"

namespace {

constexpr int LINES = 5;

class Strings : public ::testing::Test {
protected:
    void SetUp() override
    {
        positioning::reset();
        stk_net_rels();
        LOCCST = 0;
        NETAXM = 0;
        NETFLG(0);
        for (i32& w : HEI8) w = 0;
    }
    void TearDown() override
    {
        FRETRI();
        stk_net_rels();
        LOCCST = 0;
        NETAXM = 0;
        MACTYP = MACTYP_SURFACES;
    }
    // Points the contact and positioning routines at the model just built,
    // with no tolerance and no allowance; false when that is refused.
    static bool on_model()
    {
        i32 st = 0;
        CNTPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
        LOCPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
        return LOCTOL(0.0f, 0.0f);
    }
    // The work records of the last call.
    static const f32* work()
    {
        const i32 h = stk_net.rec;
        void* base = nullptr;
        if (h >= 0) mmcptr(h, base);
        return static_cast<const f32*>(base);
    }
    static i32 code(const f32* r) { return reinterpret_cast<const i32*>(r)[NRCOD]; }
    struct Out {
        std::vector<f32> xyz, nrm;
        std::vector<i32> flg, len;
        i32 nst = 0, tot = 0, status = 0;
    };
    Out line(const f32* a, const f32* b, f32 tol, i32 cap = 9000, i32 maxs = 50, i32 restart = 1, i32 mode = 5,
             f32* snm = nullptr)
    {
        Out o;
        o.xyz.resize(cap), o.nrm.resize(cap), o.flg.resize(cap / 3 + 1), o.len.resize(maxs + 1);
        const i32 line3d = 0;
        LINNETN(restart, line3d, a, b, tol, 0.0f, 0.0f, cap, mode, o.xyz.data(), o.nrm.data(), snm, o.flg.data(),
                o.nst, maxs, o.len.data(), o.tot, o.status);
        return o;
    }
};

// Lines across the hemisphere on a plate for a ball and a corner-radius tool:
// the chords sampled every tol, the first line's every tol / 10 (the
// measurement program in bench/ samples 200 lines every tol / 10). The
// refinement's criteria are three-dimensional: the gap is bounded across the
// reference surface; vertically it grows on the steep foot of the hemisphere.
TEST_F(Strings, ChordsStayWithinTheTolerance)
{
    MACTYP = MACTYP_SURFACES;  // surface milling
    auto ms = chords::model();
    ASSERT_EQ(meshes::build(ms), 0);
    dropref::Buckets bk;
    bk.build(meshes::soup(ms), 3.0);
    const f32 tol = 0.01f;
    struct T {
        const char* name;
        f32 d, r;
        dropref::Tool ref;
    } tools[] = {{"ball D6", 6.0f, 3.0f, {1, 3.0, 3.0}}, {"corner D6 r1", 6.0f, 1.0f, {3, 3.0, 1.0}}};
    for (const T& t : tools) {
        tooldefs::use_mill(t.d, t.r);
        chords::Figures all;
        for (int k = 0; k < LINES; ++k) {
            f32 a[3], b[3];
            chords::line(8, k, a, b);
            chords::Figures f;
            ASSERT_TRUE(chords::measure(bk, t.ref, a, b, tol, f, k == 0 ? 10.0 : 1.0)) << t.name << " line " << k;
            ASSERT_LE(f.above_n, tol) << t.name << " line " << k;
            ASSERT_LE(f.below_n, tol) << t.name << " line " << k;
            all.merge(f);
        }
        chords::print(t.name, all);
    }
}

// Over a smooth bowl, finely triangulated (its facets turn by well under a
// degree, so the normal test asks for nothing, and no straight move between
// two positions cuts it, so the span check asks for nothing either), the
// refinement follows from the triple test alone: the ball's path there has a
// radius of about 40, so a triple of two first steps (1.0) would leave its
// middle 0.0125 off its chord, above the tolerance, and is refined: every
// triple of consecutive output points keeps its middle within the
// tolerance of the chord of the other two, and each segment within a third
// of it of the path.
TEST_F(Strings, ChordsOverASmoothBowlFollowTheTripleTest)
{
    MACTYP = 0;  // no floor at the lines' height
    const double rho = 43.0;
    auto cap = meshes::grid(-15, -15, 15, 15, 120, 120, [&](f64 x, f64 y) { return (x * x + y * y) / (2 * rho); });
    ASSERT_EQ(meshes::build({cap}), 0);
    dropref::Buckets bk;
    bk.build(meshes::soup({cap}), 2.0);
    const f32 tol = 0.01f;
    tooldefs::use_mill(6.0f, 3.0f);
    const dropref::Tool ref{1, 3.0, 3.0};
    chords::Figures all;
    double worst = 0;
    for (f32 y : {-6.0f, -2.5f, 0.5f, 4.0f, 7.5f}) {
        const f32 a[3] = {-10, y, 0}, b[3] = {10, y, 0};
        chords::Figures f;
        ASSERT_TRUE(chords::measure(bk, ref, a, b, tol, f, 2.0)) << y;
        all.merge(f);
        const Out o = line(a, b, tol);
        ASSERT_EQ(o.nst, 1);
        for (i32 k = 1; k + 1 < o.tot; ++k) {
            const f32 *p0 = &o.xyz[3 * (k - 1)], *p1 = &o.xyz[3 * k], *p2 = &o.xyz[3 * (k + 1)];
            f64 u[3], w[3];
            for (int c = 0; c < 3; ++c) u[c] = f64(p2[c]) - p0[c], w[c] = f64(p1[c]) - p0[c];
            const f64 t = (u[0] * w[0] + u[1] * w[1] + u[2] * w[2]) / (u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
            worst = std::max(worst, std::hypot(std::hypot(w[0] - t * u[0], w[1] - t * u[1]), w[2] - t * u[2]));
        }
    }
    chords::print("bowl of radius 43, ball D6", all);
    std::printf("MEASURE bowl: largest deviation of a middle point from the chord of its neighbours %.5f\n", worst);
    EXPECT_GE(all.points, 100);
    EXPECT_LE(worst, tol);
    EXPECT_LE(all.above_n, 0.35 * tol);  // measured 0.32 x tol
    EXPECT_LE(all.above, 0.35 * tol);    // vertically too, on a slope of at most 14 degrees
    EXPECT_LE(all.below_n, 1e-5);        // the chords of a bowl lie above it
}

TEST_F(Strings, FlatGroundAndCheckSurfaces)
{
    // A plate, and a check-surface block standing on it across the line.
    auto plate = meshes::grid(-30, -30, 30, 30, 4, 4, [](f64, f64) { return 0.0; });
    meshes::Mesh block = meshes::grid(-2, -10, 2, 10, 2, 2, [](f64, f64) { return 3.0; });
    block.cls = 2, block.id = 7;
    ASSERT_EQ(meshes::build({plate, block}), 0);
    tooldefs::use_mill(2.0f, 1.0f);
    const f32 tol = 0.01f;
    HEI8[49 - 1] = r2wrd(1.5f);  // lift of check-surface runs
    f32 a[3] = {-20, 0, 0}, b[3] = {20, 0, 0};
    Out o = line(a, b, tol);
    ASSERT_EQ(o.status, 0);
    // The part before the block, the lifted run over it, the part after.
    ASSERT_EQ(o.nst, 3);
    EXPECT_EQ(o.flg[0], 1);
    // Mode 4 gives the contact codes as mode 5 does.
    const Out m4 = line(a, b, tol, 9000, 50, 1, 4);
    ASSERT_EQ(m4.tot, o.tot);
    EXPECT_TRUE(std::equal(o.flg.begin(), o.flg.begin() + o.tot, m4.flg.begin()));
    // The first point of the first string is the line's start.
    EXPECT_NEAR(o.xyz[0], -20.0f, 1e-5);
    EXPECT_NEAR(o.xyz[2], 0.0f, 1e-5);
    // The middle string: its first point where the run began, then over the
    // block at the run's highest point plus the lift.
    i32 s1 = o.len[0];
    EXPECT_LE(o.xyz[3 * s1 + 2], 3.0f + 1e-4f);
    for (i32 k = s1 + 1; k < s1 + o.len[1]; ++k) EXPECT_NEAR(o.xyz[3 * k + 2], 3.0f + 1.5f, 1e-4);
    EXPECT_EQ(o.flg[s1], 7);
    // With word 77 set the runs keep their heights and signs.
    HEI8[77 - 1] = 1;
    Out o2 = line(a, b, tol);
    bool negative = false;
    for (i32 k = 0; k < o2.tot; ++k) negative |= o2.flg[k] < 0;
    EXPECT_FALSE(negative);  // only positive runs become strings
    HEI8[77 - 1] = 0;
    // Flat ground, a line over the plate only: the positioning's own spacing,
    // thinned to its ends.
    f32 c[3] = {-20, 20, 0}, d[3] = {20, 20, 0};
    Out o3 = line(c, d, tol);
    ASSERT_EQ(o3.nst, 1);
    EXPECT_EQ(o3.tot, 2);
    EXPECT_NEAR(o3.xyz[0], -20.0f, 1e-5);
    EXPECT_NEAR(o3.xyz[3], 20.0f, 1e-5);
    // Limits: too few strings, too few points.
    Out o4 = line(a, b, tol, 9000, 1);
    EXPECT_EQ(o4.status, -1);
    EXPECT_EQ(o4.nst, 1);
    EXPECT_TRUE(norak::transcript_has("[LINNETN] ONLY "));
    EXPECT_TRUE(norak::transcript_has(" STRINGS ARE AVAILABLE"));
    Out o5 = line(a, b, tol, 6, 50);
    EXPECT_EQ(o5.status, -1);
    EXPECT_TRUE(norak::transcript_has("[LINNETN] MAXIMUM NUMBER OF POINTS IN A STRING :"));
    // Zero tolerance.
    Out o6 = line(a, b, 0.0f);
    EXPECT_EQ(o6.status, -1);
    EXPECT_TRUE(norak::transcript_has("[LINNET]ALGORITHM CANNOT WORK WITH ZERO TOLERANCE"));
}

// The words of the heights record the string positioning reads (counted
// from 0 here): 48 the lift of a run over a check surface, 76 the height
// mode (set: runs are not lifted, codes keep their signs, and a line that
// ends without contact gives status 1), 77 the clamp of the output heights
// into the range of words 74 and 75. Each word is set alone and drives its
// own behaviour; the neighbouring words drive nothing here.
TEST_F(Strings, HeightsRecordWordsDriveTheirBehaviour)
{
    auto plate = meshes::grid(-30, -30, 30, 30, 4, 4, [](f64, f64) { return 0.0; });
    meshes::Mesh block = meshes::grid(-2, -10, 2, 10, 2, 2, [](f64, f64) { return 3.0; });
    block.cls = 2, block.id = 7;
    ASSERT_EQ(meshes::build({plate, block}), 0);
    tooldefs::use_mill(2.0f, 1.0f);
    const f32 tol = 0.01f;
    const f32 a[3] = {-20, 0, 0}, b[3] = {20, 0, 0};
    const Out plain = line(a, b, tol);
    ASSERT_EQ(plain.status, 0);
    ASSERT_EQ(plain.nst, 3);
    f32 top = -1e9f, low = 1e9f;
    for (i32 k = 0; k < plain.tot; ++k) top = std::max(top, plain.xyz[3 * k + 2]), low = std::min(low, plain.xyz[3 * k + 2]);
    EXPECT_EQ(top, 3.0f);  // no lift without word 48
    EXPECT_EQ(low, 0.0f);
    // From the start's height (mode 10 or more): a drop above it ends the
    // call at once with no strings; started above the block, the line gives
    // its strings.
    for (const f32 z : {1.0f, 5.0f}) {
        const f32 s0[3] = {-20, 0, z}, s1[3] = {20, 0, z};
        const Out h = line(s0, s1, tol, 9000, 50, 1, 15);
        EXPECT_EQ(h.status, 0) << z;
        EXPECT_EQ(h.nst, z < 3.0f ? 0 : plain.nst) << z;
    }
    // Word 48: the lifted run stands that much above the block.
    HEI8[48] = r2wrd(2.5f);
    Out o = line(a, b, tol);
    top = -1e9f;
    for (i32 k = 0; k < o.tot; ++k) top = std::max(top, o.xyz[3 * k + 2]);
    EXPECT_NEAR(top, 5.5f, 1e-5f);
    // Words 74 and 75 alone clamp nothing.
    HEI8[74] = r2wrd(1.0f);
    HEI8[75] = r2wrd(2.0f);
    Out o2 = line(a, b, tol);
    EXPECT_EQ(o2.xyz, o.xyz);
    // Word 77 clamps every output height into [word 74, word 75].
    HEI8[77] = 1;
    Out o3 = line(a, b, tol);
    ASSERT_EQ(o3.tot, o.tot);
    for (i32 k = 0; k < o3.tot; ++k)
        EXPECT_EQ(o3.xyz[3 * k + 2], std::min(std::max(o.xyz[3 * k + 2], 1.0f), 2.0f)) << k;
    HEI8[77] = 0;
    // Word 76: the run over the check surface is not lifted and does not
    // become a string; the line over empty space ends without contact:
    // status 1.
    HEI8[76] = 1;
    Out o4 = line(a, b, tol);
    EXPECT_EQ(o4.status, 0);
    EXPECT_EQ(o4.nst, 2);
    for (i32 k = 0; k < o4.tot; ++k) EXPECT_EQ(o4.xyz[3 * k + 2], 0.0f) << k;
    const f32 c[3] = {20, 0, 0}, d[3] = {40, 0, 0};  // runs off the plate
    EXPECT_EQ(line(c, d, tol).status, 1);
    // The procedure's code carried negated (-54) makes that end -2.
    for (const i32 sgcd : {54, -54, -53}) {
        nu_sgcd_set_code(sgcd);
        EXPECT_EQ(line(c, d, tol).status, sgcd == -54 ? -2 : 1) << sgcd;
    }
    nu_sgcd_set_code(0);
    HEI8[76] = 0;
    EXPECT_EQ(line(c, d, tol).status, 0);
}

// Flat ground is walked a step apart (2 x tol, at least a sixth of the
// diameter, at most the longest segment while that is asked for); the output
// keeps the longest segment when it is asked for.
TEST_F(Strings, FlatStretchesKeepTheStep)
{
    auto plate = meshes::grid(-30, -30, 30, 30, 4, 4, [](f64, f64) { return 0.0; });
    ASSERT_EQ(meshes::build({plate}), 0);
    const f32 tol = 0.01f;
    struct Case {
        f32 d, r, length, slm;
        f32 step;
    } cases[] = {{6.0f, 0.0f, 40.0f, 0.0f, 1.0f}, {0.06f, 0.03f, 1.0f, 0.0f, 0.02f}, {6.0f, 1.0f, 40.0f, 0.5f, 0.5f}};
    for (const Case& c : cases) {
        stk_net_rels();
        tooldefs::use_mill(c.d, c.r);
        LOCCST = c.slm > 0 ? 3 : 0;
        LOCSLM = c.slm;
        f32 a[3] = {-c.length / 2, 5, 0}, b[3] = {c.length / 2, 5, 0};
        Out o = line(a, b, tol);
        ASSERT_EQ(o.status, 0);
        ASSERT_EQ(o.nst, 1);
        // Records 0 and 1 carry the continuation; the walk's records from 2
        // on lie a step apart, on the plate, up to the line's end.
        const f32* w = work();
        ASSERT_NE(w, nullptr);
        const i32 last = static_cast<i32>(std::lround(c.length / c.step)) + 1;
        for (i32 k = 2; k <= last; ++k) {
            const f32* r = w + static_cast<size_t>(k) * NR_WORDS;
            ASSERT_NEAR(r[NRPAR], (k - 1) * c.step, 1e-4f * c.length) << "d " << c.d << " record " << k;
            EXPECT_NEAR(r[NRPNT + 2], 0.0f, 1e-5f);
            EXPECT_EQ(code(r), 1);
        }
        EXPECT_NEAR(w[static_cast<size_t>(last) * NR_WORDS + NRPAR], c.length, 1e-4f * c.length);
        // The output: the line's ends, and no segment longer than asked.
        EXPECT_NEAR(o.xyz[0], a[0], 1e-5f);
        EXPECT_NEAR(o.xyz[3 * (o.tot - 1)], b[0], 1e-4f);
        if (c.slm > 0) {
            EXPECT_GE(o.tot, static_cast<i32>(c.length / c.slm) + 1);
            for (i32 k = 0; k + 1 < o.tot; ++k) EXPECT_LE(o.xyz[3 * k + 3] - o.xyz[3 * k], c.slm + 1e-4f);
        } else {
            EXPECT_EQ(o.tot, 2);
        }
    }
}

// The work array grows past its first 10,000 records on a long line at a
// fine tolerance; released with the model and opened afresh, it holds
// 10,000 again, and the next long line grows it again instead of writing
// past its end.
TEST_F(Strings, WorkArrayGrowsAgainAfterItsRelease)
{
    auto plate = meshes::grid(-20, -20, 20, 20, 2, 2, [](f64, f64) { return 0.0; });
    ASSERT_EQ(meshes::build({plate}), 0);
    tooldefs::use_mill(0.01f, 0.0f);
    const f32 tol = 0.001f;  // a step of 0.002: 15,000 records on 30 units
    f32 a[3] = {-15, 1, 0}, b[3] = {15, 1, 0};
    for (int run = 0; run < 2; ++run) {
        stk_net_rels();
        Out o = line(a, b, tol);
        ASSERT_EQ(o.status, 0) << run;
        ASSERT_EQ(o.nst, 1) << run;
        EXPECT_NEAR(o.xyz[3 * (o.tot - 1)], 15.0f, 1e-4f) << run;
    }
}

// Tables whose host arrays were released behind the stock's back are built
// again, not written through their old handles: the same string comes out.
TEST_F(Strings, TablesWhoseArraysAreGoneAreBuiltAgain)
{
    auto plate = meshes::grid(-20, -20, 20, 20, 2, 2, [](f64, f64) { return 0.0; });
    ASSERT_EQ(meshes::build({plate}), 0);
    tooldefs::use_mill(6.0f, 3.0f);
    const f32 a[3] = {-15, 1, 0}, b[3] = {15, 1, 0};
    const Out first = line(a, b, 0.01f);
    ASSERT_EQ(first.status, 0);
    ASSERT_GE(stk_net.rec, 0);
    for (i32 h : {stk_net.prof[0], stk_net.rec}) {
        i32 gone = h, st = 0;
        MM_CLOSE(gone, st);
        ASSERT_EQ(st, 0);
    }
    const Out again = line(a, b, 0.01f);
    EXPECT_EQ(again.status, 0);
    ASSERT_EQ(again.tot, first.tot);
    for (i32 k = 0; k < 3 * first.tot; ++k) EXPECT_EQ(again.xyz[k], first.xyz[k]) << k;
    ASSERT_NE(work(), nullptr);
}

// A vertical line in surface milling gives one string of two points in its
// direction, the upper end added with its normal and the machined surface's
// code; the point is the drop's, floored at the lower end.
TEST_F(Strings, VerticalLinesGiveTwoPoints)
{
    auto plate = meshes::grid(-20, -20, 20, 20, 2, 2, [](f64, f64) { return 0.0; });
    ASSERT_EQ(meshes::build({plate}), 0);
    tooldefs::use_mill(6.0f, 0.0f);
    MACTYP = MACTYP_SURFACES;
    const f32 tol = 0.01f;
    const f32 n1[3] = {0.6f, 0.0f, 0.8f}, n2[3] = {0.0f, 0.6f, 0.8f};
    struct Case {
        f32 z0, z1;  // heights of the start and the end
        f32 p0, p1;  // heights of the output, in order
    } cases[] = {{10, -5, 10, 0}, {-5, 10, 0, 10}, {10, 2, 10, 2}, {2, 10, 2, 10}};
    for (const Case& c : cases) {
        LOCSET(9, n1, n2, 1, 0.0f, tol);
        f32 a[3] = {1, 1, c.z0}, b[3] = {1, 1, c.z1};
        Out o = line(a, b, tol);
        ASSERT_EQ(o.status, 0) << c.z0 << " " << c.z1;
        ASSERT_EQ(o.nst, 1);
        ASSERT_EQ(o.tot, 2);
        EXPECT_EQ(o.len[0], 2);
        EXPECT_FLOAT_EQ(o.xyz[2], c.p0) << c.z0 << " " << c.z1;
        EXPECT_FLOAT_EQ(o.xyz[5], c.p1) << c.z0 << " " << c.z1;
        for (i32 k = 0; k < 2; ++k) {
            EXPECT_FLOAT_EQ(o.xyz[3 * k], 1.0f);
            EXPECT_FLOAT_EQ(o.xyz[3 * k + 1], 1.0f);
        }
        // The upper end carries its own normal and the machined surface;
        // the point, the plate's.
        const i32 up = c.z0 > c.z1 ? 0 : 1;
        const f32* un = c.z0 > c.z1 ? n1 : n2;
        for (i32 k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(o.nrm[3 * up + k], un[k]);
        EXPECT_EQ(o.flg[up], 9);
        EXPECT_EQ(o.flg[1 - up], 1);
    }
    // Continuing it is the line's end.
    EXPECT_EQ(NETCNT, 2);
    // A line continuing the upright string begins with its two points, not
    // with a point that an earlier line left in the work array.
    f32 e0[3] = {-10, -10, 0}, e1[3] = {-5, -10, 0};
    ASSERT_EQ(line(e0, e1, tol).status, 0);
    f32 a[3] = {1, 1, 2}, b[3] = {1, 1, 10}, far[3] = {6, 1, 10};
    Out v = line(a, b, tol);
    ASSERT_EQ(v.tot, 2);
    ASSERT_EQ(NETCNT, 2);
    // Records 0 and 1: the string's two points with their codes.
    EXPECT_EQ(v.flg[1], 9);
    for (i32 j = 0; j < 2; ++j) {
        EXPECT_EQ(code(work() + static_cast<size_t>(j) * NR_WORDS), v.flg[j]) << j;
        EXPECT_EQ(work()[static_cast<size_t>(j) * NR_WORDS + NRPNT + 2], v.xyz[3 * j + 2]) << j;
    }
    Out c = line(b, far, tol, 9000, 50, 0);
    ASSERT_EQ(c.status, 0);
    ASSERT_GE(c.tot, 2);
    // (Its first point, at the line's start XY, is raised to the start.)
    for (i32 k : {0, 1, 3, 4, 5}) EXPECT_EQ(c.xyz[k], v.xyz[k]) << k;
    // A negative tolerance is refused as a zero one is.
    Out neg = line(e0, e1, -tol);
    EXPECT_EQ(neg.status, -1);
    EXPECT_EQ(neg.tot, 0);
    EXPECT_TRUE(norak::transcript_has("[LINNET]ALGORITHM CANNOT WORK WITH NEGATIVE TOLERANCE"));
    // Over a sloping face, going down or up, records 0 and 1 carry each
    // point's own normal: the upper end's written after the point's leaves
    // the point's whole.
    auto slope = meshes::grid(-20, -20, 20, 20, 2, 2, [](f64 x, f64) { return 0.5 * x; });
    ASSERT_EQ(meshes::build({slope}), 0);
    for (const f32 dz : {-15.0f, 15.0f}) {
        LOCSET(9, n1, n2, 1, 0.0f, tol);
        f32 s0[3] = {1, 1, dz < 0 ? 10.0f : -5.0f}, s1[3] = {1, 1, s0[2] + dz};
        Out o = line(s0, s1, tol);
        ASSERT_EQ(o.status, 0) << dz;
        ASSERT_EQ(o.tot, 2) << dz;
        ASSERT_GT(std::fabs(o.nrm[dz < 0 ? 3 : 0]), 0.1f) << dz;  // the point's normal leans
        for (i32 j = 0; j < 2; ++j)
            for (i32 k = 0; k < 3; ++k)
                EXPECT_EQ(work()[static_cast<size_t>(j) * NR_WORDS + NRTNM + k], o.nrm[3 * j + k]) << dz << " " << j;
    }
}

// After a string the work array's records 0 and 1 hold its last two points
// with their normals, codes and surface normals, so that a line continuing
// it refines and cuts its strings across the joint as along one line.
TEST_F(Strings, ContinuationCarriesTheLastTwoPoints)
{
    auto ms = meshes::hemisphere_on_plate(20.0, 30.0, 4000);
    for (auto& m : ms) m.id = 4;
    ASSERT_EQ(meshes::build(ms), 0);
    tooldefs::use_mill(6.0f, 3.0f);
    const f32 tol = 0.01f;
    f32 a[3] = {-25, 3, 0}, m[3] = {-2, 3, 0}, b[3] = {25, 3, 0};
    std::vector<f32> snm(9000);
    Out o = line(a, m, tol, 9000, 50, 1, 105, snm.data());
    ASSERT_EQ(o.status, 0);
    ASSERT_EQ(o.nst, 1);
    ASSERT_EQ(NETCNT, 3);
    const f32* w = work();
    for (i32 j = 0; j < 2; ++j) {
        const f32* r = w + static_cast<size_t>(j) * NR_WORDS;
        const i32 q = o.tot - 2 + j;
        EXPECT_EQ(code(r), o.flg[q]) << j;
        for (i32 c = 0; c < 3; ++c) {
            EXPECT_EQ(r[NRPNT + c], o.xyz[3 * q + c]) << j;
            EXPECT_EQ(r[NRTNM + c], o.nrm[3 * q + c]) << j;
            EXPECT_EQ(r[NRSNM + c], snm[3 * q + c]) << j;
        }
    }
    EXPECT_EQ(w[NRPAR + NR_WORDS], 0.0f);
    EXPECT_LT(w[NRPAR], 0.0f);
    // The continued line: one string that begins with the previous string's
    // last two points, and no more positions at the joint than a fresh line
    // needs at its start.
    const f64 before = NETPOS;
    Out c = line(m, b, tol, 9000, 50, 0, 105, snm.data());
    const f64 continued = NETPOS - before;
    ASSERT_EQ(c.status, 0);
    ASSERT_EQ(c.nst, 1);
    EXPECT_EQ(c.flg[0], 4);
    EXPECT_EQ(c.xyz[0], o.xyz[3 * (o.tot - 2)]);
    EXPECT_EQ(c.xyz[3], o.xyz[3 * (o.tot - 1)]);
    const f64 at = NETPOS;
    Out f = line(m, b, tol, 9000, 50, 1, 105, snm.data());
    ASSERT_EQ(f.status, 0);
    EXPECT_LE(continued, NETPOS - at + 2);
}

// The span check looks at the triangles whose corners lie along the move,
// the window grown toward the move's higher end by the tool's reach: a
// descending move cuts with its trailing side into a step behind its start,
// and the far part of the move stays checked.
TEST_F(Strings, SpanCheckWindowLeansToTheHigherEnd)
{
    auto step = meshes::grid(-2, -1, -0.5, 1, 1, 1, [](f64, f64) { return 0.5; });
    ASSERT_EQ(meshes::build({step}), 0);
    tooldefs::use_mill(6.0f, 0.0f);
    i32 st = 0;
    ASSERT_TRUE(on_model());
    const f32 tol = 0.01f;
    const f32 A[3] = {0, 0, 1}, B[3] = {4, 0, 0}, C[3] = {-4, 0, 1};
    EXPECT_EQ(NETSPN(A, B, tol, st), 1);  // descending: it cuts the step
    EXPECT_EQ(st, 0);
    EXPECT_EQ(NETSPN(B, A, tol, st), 1);  // the same move, the other way
    // A level move high above it does not.
    const f32 D[3] = {0, 0, 2}, E[3] = {4, 0, 2};
    EXPECT_EQ(NETSPN(D, E, tol, st), 0);
    // Rising from far behind it up to its height: the tool reaches it at the
    // move's end, where it stands on it.
    EXPECT_EQ(NETSPN(C, A, tol, st), 0);
    // A move of no length has no span to check, even standing in the step.
    const f32 P[3] = {-1.5f, 0, 0};
    EXPECT_EQ(NETSPN(P, P, tol, st), 0);
    EXPECT_EQ(st, 0);
    LOCRST();
    // A long thin triangle pointing into the track from far beyond its end:
    // two of its corners lie away from the track, its tip under it; the
    // descending move cuts the tip.
    FRETRI();
    meshes::Mesh spike;
    spike.node(20, -1, 0.6);
    spike.node(2, 0, 0.6);
    spike.node(20, 1, 0.6);
    spike.add(1, 2, 3);
    ASSERT_EQ(meshes::build({spike}), 0);
    ASSERT_TRUE(on_model());
    EXPECT_EQ(NETSPN(A, B, tol, st), 1);
    LOCRST();
}

// A level move travels as handed in, from its first end to its second: a
// wall standing within the tolerance ahead of the first end is taken for the
// contact the tool stands at there, while the move handed the other way
// round meets that wall far along its travel.
TEST_F(Strings, LevelSpanCheckTravelsFromItsFirstEnd)
{
    meshes::Mesh wall;
    const f64 x = 0.505;  // the tool's side at x = 0.5 from the first end
    wall.node(x, -5, -5);
    wall.node(x, 5, -5);
    wall.node(x, 5, 5);
    wall.node(x, -5, 5);
    wall.add(1, 2, 3);
    wall.add(1, 3, 4);
    ASSERT_EQ(meshes::build({wall}), 0);
    tooldefs::use_mill(1.0f, 0.0f);
    i32 st = 0;
    ASSERT_TRUE(on_model());
    const f32 tol = 0.01f;
    const f32 A[3] = {0, 0, 0}, B[3] = {10, 0, 0};
    EXPECT_EQ(NETSPN(A, B, tol, st), 0);
    EXPECT_EQ(NETSPN(B, A, tol, st), 1);
    EXPECT_EQ(st, 0);
    LOCRST();
}

// Raw positions: mode 6 leaves the records a half apart at most; mode 7 walks
// the line without positioning, the records keep points they held; surface
// normals come out only when asked for.
TEST_F(Strings, RawModesAndSurfaceNormals)
{
    auto ms = meshes::hemisphere_on_plate(20.0, 30.0, 4000);
    ASSERT_EQ(meshes::build(ms), 0);
    tooldefs::use_mill(6.0f, 3.0f);
    const f32 tol = 0.01f;
    f32 a[3] = {-25, 3, 0}, b[3] = {25, 3, 0};
    Out raw = line(a, b, tol, 9000, 50, 1, 6);
    ASSERT_EQ(raw.status, 0);
    EXPECT_EQ(raw.nst, 0);
    ASSERT_GT(raw.tot, 100);
    const f32* w = work();
    for (i32 k = 2; k < raw.tot; ++k) {
        const f32* r = w + static_cast<size_t>(k) * NR_WORDS;
        const f32 dt = r[NRPAR] - r[NRPAR - NR_WORDS];
        ASSERT_GT(dt, 0.0f) << k;
        ASSERT_LE(dt, 0.5f + 1e-5f) << k;
        EXPECT_NEAR(r[NRPNT], a[0] + r[NRPAR], 1e-4f);
    }
    EXPECT_NEAR(w[static_cast<size_t>(raw.tot - 1) * NR_WORDS + NRPAR], 50.0f, 1e-4f);
    // Mode 7 over what mode 6 left.
    std::vector<std::array<f32, 3>> held;
    for (i32 k = 0; k < 10000; ++k) {
        const f32* p = w + static_cast<size_t>(k) * NR_WORDS + NRPNT;
        held.push_back({p[0], p[1], p[2]});
    }
    std::sort(held.begin(), held.end());
    const f64 before = NETPOS;
    Out walk = line(a, b, tol, 9000, 50, 1, 7);
    EXPECT_EQ(walk.status, 0);
    EXPECT_EQ(NETPOS, before);
    ASSERT_GT(walk.tot, 1);
    w = work();
    for (i32 k = 1; k < walk.tot; ++k) {
        const f32* r = w + static_cast<size_t>(k) * NR_WORDS;
        ASSERT_GE(r[NRPAR], r[NRPAR - NR_WORDS]) << k;
        std::array<f32, 3> p = {r[NRPNT], r[NRPNT + 1], r[NRPNT + 2]};
        ASSERT_TRUE(std::binary_search(held.begin(), held.end(), p)) << k;
    }
    EXPECT_NEAR(w[static_cast<size_t>(walk.tot - 1) * NR_WORDS + NRPAR], 50.0f, 1e-4f);
    // Surface normals: on the cap they point from the sphere's centre to the
    // ball's, and agree with the tool normals there.
    std::vector<f32> snm(9000, 7.0f);
    Out o = line(a, b, tol, 9000, 50, 1, 5, snm.data());
    ASSERT_EQ(o.status, 0);
    EXPECT_TRUE(std::all_of(snm.begin(), snm.end(), [](f32 v) { return v == 7.0f; }));
    // Mode 102 (no tool normals) thins the same points and keeps each
    // surface normal with its point.
    for (const i32 mode : {105, 102}) {
        o = line(a, b, tol, 9000, 50, 1, mode, snm.data());
        ASSERT_EQ(o.status, 0);
        i32 on_cap = 0, on_plate = 0;
        for (i32 k = 0; k < o.tot; ++k) {
            const f32* n = &snm[3 * k];
            const f32* t = &o.nrm[3 * k];
            EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-4f) << mode << " " << k;
            const f32* p = &o.xyz[3 * k];
            if (std::fabs(p[0]) > 24.0f) {
                ++on_plate;
                EXPECT_GT(n[2], 0.9999f) << mode << " " << k;
            }
            const f64 c[3] = {p[0], p[1], p[2] + 3.0};
            const f64 l = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
            if (p[2] < 2.0f || std::fabs(l - 23.0) > 0.05) continue;
            ++on_cap;
            EXPECT_GT((n[0] * c[0] + n[1] * c[1] + n[2] * c[2]) / l, 0.99) << mode << " " << k;
            if (mode == 105) {
                EXPECT_GT(n[0] * t[0] + n[1] * t[1] + n[2] * t[2], 0.99f) << k;
            }
        }
        EXPECT_GT(on_cap, 10) << mode;
        EXPECT_GE(on_plate, 2) << mode;
    }
}

// Notches: two points close together below the straight line of their
// neighbours, which rise steeply away from them, go; a deep one, one whose
// tool normals part and a wide one stay. Normals, surface normals and codes
// move with the points.
TEST_F(Strings, NotchesGo)
{
    const f32 e = 0.002f;  // thinning tolerance of a chordal tolerance of 0.01
    // A string around a notch of depth `dz`, its bottom points `gap` apart.
    auto notch = [](f32 x, f32 dz, f32 gap) {
        return std::vector<f32>{x - 0.02f, 0, 0.02f,  x - 0.004f, 0, dz, x,     0, 0,
                                x + gap,   0, 0,      x + gap + 0.004f, 0, dz, x + 0.02f, 0, 0.02f};
    };
    std::vector<f32> xyz;
    for (auto v : {notch(0, 0.004f, 0.0005f), notch(1, 0.012f, 0.0005f), notch(2, 0.004f, 0.0005f),
                   notch(3, 0.004f, 0.0015f)})
        xyz.insert(xyz.end(), v.begin(), v.end());
    const i32 n = 24;
    std::vector<f32> nrm(3 * n), snm(3 * n);
    std::vector<i32> flg(n);
    for (i32 k = 0; k < n; ++k) {
        nrm[3 * k + 2] = 1.0f, snm[3 * k] = static_cast<f32>(k), flg[k] = k;
    }
    nrm[3 * 14] = 0.6f, nrm[3 * 14 + 2] = 0.8f;  // the third string's P1 leans
    std::vector<i32> len = {6, 6, 6, 6};
    i32 tot = n;
    NETNCH(e, xyz.data(), nrm.data(), snm.data(), flg.data(), 4, len.data(), tot);
    EXPECT_EQ(tot, n - 2);
    EXPECT_EQ(len, (std::vector<i32>{4, 6, 6, 6}));
    const std::vector<i32> kept = {0, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23};
    const std::vector<f32> first = notch(0, 0.004f, 0.0005f);
    for (i32 k = 0; k < tot; ++k) {
        EXPECT_EQ(flg[k], kept[k]) << k;
        EXPECT_EQ(snm[3 * k], static_cast<f32>(kept[k])) << k;
        // Every point kept is the point it was, moved down in the arrays.
        const std::vector<f32> was = notch(static_cast<f32>(kept[k] / 6), kept[k] / 6 == 1 ? 0.012f : 0.004f,
                                           kept[k] / 6 == 3 ? 0.0015f : 0.0005f);
        for (i32 c = 0; c < 3; ++c) EXPECT_EQ(xyz[3 * k + c], was[3 * (kept[k] % 6) + c]) << k << " " << c;
    }
    EXPECT_EQ(xyz[3 * 1 + 2], first[3 * 1 + 2]);
    EXPECT_NEAR(xyz[3 * 2], 0.0045f, 1e-7f);  // the notch's far side follows its near one
    EXPECT_EQ(nrm[3 * 12], 0.6f);             // the leaning normal moved with its point
    // Without codes and surface normals the points go all the same.
    std::vector<f32> xyz2 = notch(0, 0.004f, 0.0005f), nrm2(18, 0.0f);
    for (i32 k = 0; k < 6; ++k) nrm2[3 * k + 2] = 1.0f;
    std::vector<i32> len2 = {6};
    i32 tot2 = 6;
    NETNCH(e, xyz2.data(), nrm2.data(), nullptr, nullptr, 1, len2.data(), tot2);
    EXPECT_EQ(tot2, 4);
    EXPECT_EQ(len2[0], 4);
    // A notch at the very ends of a four-point string goes; one whose last
    // neighbour begins the next string stays, and so does that string.
    const std::vector<f32> full = notch(5, 0.004f, 0.0005f);
    std::vector<f32> xyz3(full.begin() + 3, full.begin() + 15);  // the notch and its two neighbours
    xyz3.insert(xyz3.end(), full.begin(), full.begin() + 12);    // three points before a notch...
    xyz3.insert(xyz3.end(), full.begin() + 12, full.end());      // ...its far neighbour in the next string
    const i32 n3 = static_cast<i32>(xyz3.size() / 3);
    std::vector<f32> nrm3(3 * n3, 0.0f);
    for (i32 k = 0; k < n3; ++k) nrm3[3 * k + 2] = 1.0f;
    std::vector<i32> len3 = {4, 4, 2};
    i32 tot3 = n3;
    NETNCH(e, xyz3.data(), nrm3.data(), nullptr, nullptr, 3, len3.data(), tot3);
    EXPECT_EQ(len3, (std::vector<i32>{2, 4, 2}));
    EXPECT_EQ(tot3, n3 - 2);
    EXPECT_EQ(xyz3[0], full[3]);
    EXPECT_EQ(xyz3[3], full[12]);
    for (i32 k = 2; k < tot3; ++k) EXPECT_EQ(xyz3[3 * k], full[3 * (k - 2)]) << k;
    // A notch that comes back to the very point it left: the segment it is
    // measured against has no length, so its depth (here 6e) does not keep
    // it; the same notch landing 0.001 aside is measured and stays.
    for (const f32 back : {0.0f, 0.001f}) {
        std::vector<f32> xyz4 = {0, 0, 0.02f, 0.0005f, 0, 0.008f, 0.0008f, 0, 0.008f, back, 0, 0.02f};
        std::vector<f32> nrm4(12, 0.0f);
        for (i32 k = 0; k < 4; ++k) nrm4[3 * k + 2] = 1.0f;
        std::vector<i32> len4 = {4};
        i32 tot4 = 4;
        NETNCH(e, xyz4.data(), nrm4.data(), nullptr, nullptr, 1, len4.data(), tot4);
        EXPECT_EQ(tot4, back == 0.0f ? 2 : 4) << back;
        EXPECT_EQ(len4[0], tot4) << back;
    }
    // Either bottom point deeper than 4e below its neighbours' line keeps
    // the notch: here the second (8.5e-3), the first within it (5e-3).
    std::vector<f32> xyz5 = notch(7, 0.005f, 0.0005f), nrm5(18, 0.0f);
    xyz5[3 * 3 + 2] = -0.0035f;
    for (i32 k = 0; k < 6; ++k) nrm5[3 * k + 2] = 1.0f;
    std::vector<i32> len5 = {6};
    i32 tot5 = 6;
    NETNCH(e, xyz5.data(), nrm5.data(), nullptr, nullptr, 1, len5.data(), tot5);
    EXPECT_EQ(tot5, 6);
}

}  // namespace

namespace {

// With the string switch on, each position is taken against the stored 3-D
// line from its side, travelling along the line's normal. Over a plane rising
// 0.5 in x, with the line on it and the plane's normal, the ball stands on the
// plane at every point: its centre a radius from the plane, both ways.
TEST_F(Strings, NormalApproachStandsTheToolOnTheLinesSurface)
{
    MACTYP = MACTYP_SURFACES;
    const std::vector<meshes::Mesh> ms = {meshes::grid(0, 0, 40, 40, 8, 8, [](f64 x, f64) { return 0.5 * x; })};
    ASSERT_EQ(meshes::build(ms), 0);
    tooldefs::use_mill(6.0f, 3.0f);
    const f32 n[3] = {-0.4472136f, 0.0f, 0.8944272f};
    LOCSET(0, n, n, 0, 0.0f, 0.0f);
    NETFLG(1);
    const f32 a[3] = {10, 5, 5}, b[3] = {30, 35, 15}, tol = 0.01f;
    Out o;
    const i32 cap = 9000, maxs = 50;
    o.xyz.resize(cap), o.nrm.resize(cap), o.flg.resize(cap / 3 + 1), o.len.resize(maxs + 1);
    LINNETN(1, 1, a, b, tol, 0.0f, 0.0f, cap, 5, o.xyz.data(), o.nrm.data(), nullptr, o.flg.data(), o.nst, maxs,
            o.len.data(), o.tot, o.status);
    NETFLG(0);
    ASSERT_GE(o.status, 0);
    ASSERT_GE(o.tot, 2);
    // The line's last approach point lies at its end, on the plane: a
    // continuation may follow. A refused tolerance clears the mark.
    EXPECT_EQ(NETCNT, o.len[static_cast<size_t>(o.nst) - 1] > 2 ? 3 : 2);
    LINNETN(1, 1, a, b, 0.0f, 0.0f, 0.0f, cap, 5, o.xyz.data(), o.nrm.data(), nullptr, o.flg.data(), o.nst, maxs,
            o.len.data(), o.tot, o.status);
    EXPECT_EQ(o.status, -1);
    EXPECT_EQ(NETCNT, 0);
    NETFLG(1);
    LINNETN(1, 1, a, b, tol, 0.0f, 0.0f, cap, 5, o.xyz.data(), o.nrm.data(), nullptr, o.flg.data(), o.nst, maxs,
            o.len.data(), o.tot, o.status);
    NETFLG(0);
    for (i32 k = 0; k < o.tot; ++k) {
        const f32* p = &o.xyz[3 * static_cast<size_t>(k)];
        const f64 c[3] = {p[0], p[1], f64(p[2]) + 3.0};
        EXPECT_NEAR((c[2] - 0.5 * c[0]) / std::sqrt(1.25), 3.0, tol) << k;
        // The tip lies on the line's normal through the line's point of its Y.
        const f64 s = (f64(p[1]) - a[1]) / (f64(b[1]) - a[1]);
        const f64 q[3] = {a[0] + s * (b[0] - a[0]), f64(p[1]), a[2] + s * (b[2] - a[2])};
        EXPECT_NEAR((p[0] - q[0]) * n[2] - (p[2] - q[2]) * n[0], 0.0, 1e-4) << k;
        EXPECT_NE(o.flg[k], -1) << k;  // not the fallback of a failed approach
    }
    EXPECT_NEAR(o.xyz[1], a[1], 1e-5);
    EXPECT_NEAR(o.xyz[3 * static_cast<size_t>(o.tot) - 2], b[1], 1e-5);
}

}  // namespace
