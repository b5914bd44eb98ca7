// Tool positions of one pass: touching without cutting, chords within the
// tolerance, multi-axis tool axes, scallop heights.
#include <gtest/gtest.h>

#include "cutter/loccom.h"
#include "passes/orient.h"
#include "passes/paslin.h"
#include "passes/sidstp.h"

#include <array>
#include <cmath>
#include <random>
#include <sstream>
#include "surfaces/allsrf.h"
#include "surfaces/trimodel.h"
#include "tests/passes/common.h"

namespace {

using namespace pt;

struct Case {
    const char* name;
    std::string surface;
    i32 mode;  // limit layout: 4 steps u and runs along v, 0 the other way
};

std::vector<Case> surfaces()
{
    return {{"plane", tilted_plane(1), 4}, {"cylinder", top_cylinder(1), 4}, {"freeform", dome(1), 4}};
}

TEST(PassPositions, ThreeAxisToolsTouchAndNeverCutOnPlaneCylinderAndFreeForm)
{
    const f32 tol = 0.01f;
    for (const Case& c : surfaces()) {
        host({c.surface});
        chk::Surface s(1);
        for (i32 tool : {BALL, FLAT, TORUS, TAPER}) {
            params(1, tol);
            CURTOL = tool;
            chain({1}, {upside(1)}, c.mode);
            Findings worst;
            for (f32 t : {0.25f, 0.7f}) {
                ASSERT_EQ(onepass(1, t), 0) << c.name << " tool " << tool;
                ASSERT_GE(PASSTR.PSNPNT, 2);
                const Findings f = check_passes(s, tool_of(tool), true);
                worst.touch = std::max(worst.touch, f.touch);
                worst.gouge = std::max(worst.gouge, f.gouge);
                worst.chord_air = std::max(worst.chord_air, f.chord_air);
                worst.chord_cut = std::max(worst.chord_cut, f.chord_cut);
                worst.points += f.points;
            }
            std::printf("MEASURE 3-axis %-8s tool %d: %4d points, touch %.2e, chord air %.4f cut %.4f (tol %.3f)\n", c.name,
                        tool, worst.points, worst.touch, worst.chord_air, worst.chord_cut, tol);
            EXPECT_LE(worst.touch, 1e-4) << c.name << " tool " << tool;
            EXPECT_LE(worst.gouge, 1e-4) << c.name << " tool " << tool;
            EXPECT_LE(std::max(worst.chord_air, worst.chord_cut), 2.0 * tol) << c.name << " tool " << tool;
        }
    }
}

// Lead and tilt of the tool axis measured from the normal and the direction
// of travel at each position.
void angles(double* lead, double* tilt, int k)
{
    const PasStr& p = PASSTR;
    const int j = k + 1 < p.PSNPNT ? k + 1 : k - 1;
    double a[3], n[3], f[3];
    for (int c = 0; c < 3; ++c) {
        a[c] = p.PSVECS[k][c];
        n[c] = p.PSVECS[k][3 + c];
        f[c] = (j > k ? 1 : -1) * (p.PSPNTS[j][c] - p.PSPNTS[k][c]);
    }
    const double fn = f[0] * n[0] + f[1] * n[1] + f[2] * n[2];
    for (int c = 0; c < 3; ++c) f[c] -= fn * n[c];
    unit(f);
    const double s[3] = {n[1] * f[2] - n[2] * f[1], n[2] * f[0] - n[0] * f[2], n[0] * f[1] - n[1] * f[0]};
    auto dot = [](const double* x, const double* y) { return x[0] * y[0] + x[1] * y[1] + x[2] * y[2]; };
    *lead = std::atan2(dot(a, f), dot(a, n)) * 180 / M_PI;
    *tilt = std::asin(std::clamp(dot(a, s), -1.0, 1.0)) * 180 / M_PI;
}

TEST(PassPositions, FiveAxisLeadAndTiltMakeTheirAnglesAndTheToolTouches)
{
    const f32 tol = 0.01f;
    // The plane along v, the cylinder along its generator.
    for (const Case& c : {Case{"plane", tilted_plane(1), 4}, Case{"cylinder", top_cylinder(1), 0}}) {
        host({c.surface});
        chk::Surface s(1);
        for (i32 tool : {BALL, TORUS}) {
            params(2, tol, 10.0f, 5.0f);
            CURTOL = tool;
            chain({1}, {upside(1)}, c.mode);
            ASSERT_EQ(onepass(1, 0.5f), 0) << c.name;
            double maxlead = 0, maxtilt = 0;
            for (int k = 0; k < PASSTR.PSNPNT; ++k) {
                double l, t;
                angles(&l, &t, k);
                maxlead = std::max(maxlead, std::fabs(l - 10.0));
                maxtilt = std::max(maxtilt, std::fabs(t - 5.0 * CUTSGN));
            }
            EXPECT_LE(maxlead, 0.05) << c.name;
            EXPECT_LE(maxtilt, 0.05) << c.name;
            const Findings f = check_passes(s, tool_of(tool), false);
            std::printf("MEASURE 5-axis %-8s tool %d: lead err %.4f deg, tilt err %.4f deg, touch %.2e, chord %.4f/%.4f\n",
                        c.name, tool, maxlead, maxtilt, f.touch, f.chord_air, f.chord_cut);
            EXPECT_LE(f.touch, 1e-4) << c.name;
            EXPECT_LE(f.gouge, 1e-4) << c.name;
        }
    }
}

// About X the axis has no x component; about Y none in y (on the cylinder
// about X that makes it vertical, its lean taken out).
TEST(PassPositions, FourAxisKeepsTheAxisAcrossTheRotaryAxis)
{
    each_four_axis_case([](i32 rotary, i32 across, i32 sub, i32 id) {
        chk::Surface s(id);
        params(3, 0.01f, sub == 1 ? 8.0f : 0.0f, sub == 1 ? 4.0f : 0.0f);
        pw(AXSSUB) = sub;
        CURTOL = TORUS;
        chain({id}, {upside(id)}, 4);
        ASSERT_EQ(onepass(1, 0.5f), 0) << "axis " << rotary << " variant " << sub << " surface " << id << "\n"
                                       << [] {
                                              std::string t;
                                              for (const auto& l : norak::transcript()) t += l + "\n";
                                              return t;
                                          }();
        EXPECT_LE(largest_axis_component(across), 1e-6)
            << "axis " << rotary << " variant " << sub << " surface " << id;
        const Findings f = check_passes(s, tool_of(TORUS), false);
        EXPECT_LE(f.touch, 1e-4) << "axis " << rotary << " variant " << sub << " surface " << id;
        EXPECT_LE(f.gouge, 1e-4) << "axis " << rotary << " variant " << sub << " surface " << id;
    });
}

// A rotary axis of a kind not served leaves no axis across it: each
// four-axis placing reports the position impossible in its own name.
TEST(PassPositions, FourAxisWithoutAServedRotaryAxisIsReportedByEachPlacing)
{
    host({top_cylinder(1)});
    for (i32 k = 0; k < 3; ++k) NPT1[NPT1_ORIGIN + k] = r2wrd(0.0f);
    RAXN[RAXN_AXIS] = 3;
    const f32 sp[9] = {5, 6, 7, 1, 0, 0, 0, 1, 0};
    f32 normal[3] = {0, 0, 1};
    const f32 dir[3] = {1, 0, 0};
    const f32 d = 10, r = 2, a = 0, lead = 10, tilt = 0;
    f32 pos[6];
    const std::string tail = ",CALCULATING THE TOOL POSITION ACCORDING TO THE SURFACE ORIENTATION|       IS NOT POSSIBLE";
    auto reported = [&](const char* who, auto place) {
        const size_t from = norak::transcript().size();
        i32 st = 0;
        place(st);
        EXPECT_LT(st, 0) << who;
        const auto& t = norak::transcript();
        ASSERT_EQ(t.size(), from + 1) << who;
        EXPECT_EQ(t.back(), "internal: " + std::string(who) + tail);
    };
    reported("TOL4PT", [&](i32& st) { TOL4PT(d, r, a, sp, 0, normal, pos, st); });
    reported("TOL4PT", [&](i32& st) { TOL4P1(d, r, a, sp, 0, normal, pos, st); });
    reported("TOL4N1", [&](i32& st) { TL4PN1(d, r, a, sp, dir, normal, lead, tilt, pos, st); });
    reported("TOL4P1B", [&](i32& st) { TOL4P1B(d, r, a, sp, dir, normal, lead, tilt, pos, st); });
    RAXN[RAXN_AXIS] = 0;
}

// Leaned past the surface (a lead of 120 degrees), the four-axis axis
// places the tool under the surface: the under-cut is kept as a position.
TEST(PassPositions, FourAxisUnderCutIsKeptAsAPosition)
{
    host({top_cylinder(1)});
    for (i32 k = 0; k < 3; ++k) NPT1[NPT1_ORIGIN + k] = r2wrd(0.0f);
    RAXN[RAXN_AXIS] = 1;
    const f32 sp[9] = {5, 6, 7, 1, 0, 0, 0, 1, 0};
    const f32 normal[3] = {0, 0, 1}, dir[3] = {0, 1, 0};
    f32 pos[6] = {0, 0, 0, 0, 0, 0};
    i32 st = 1;
    TL4PN1(10, 2, 0, sp, dir, normal, 120, 0, pos, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(pos[3], 0.0f, 1e-6);  // across the rotary axis
    EXPECT_LT(pos[5], 0.0f);          // the axis points below the surface's plane
    EXPECT_NEAR(std::hypot(pos[4], pos[5]), 1.0, 1e-5);
    RAXN[RAXN_AXIS] = 0;
}

// Parallel tangents give no normal: the position is refused with the
// warning and the point's three coordinates.
TEST(PassPositions, AnUndefinedNormalIsReportedWithThePoint)
{
    host({top_cylinder(1)});
    const f32 sp[9] = {5, 6, 7, 1, 0, 0, 2, 0, 0};
    f32 normal[3] = {0, 0, 1}, pos[6];
    i32 st = 0;
    const size_t from = norak::transcript().size();
    TLTIPO(10, 2, 0, sp, 1, normal, pos, st);
    EXPECT_EQ(st, -1);
    std::string said;
    for (size_t k = from; k < norak::transcript().size(); ++k) said += norak::transcript()[k] + "\n";
    EXPECT_NE(said.find("WARNING: NORMAL TO SURFACE IS UNDEFINED AT:"), std::string::npos) << said;
    EXPECT_NE(said.find("Z ="), std::string::npos) << said;
}

TEST(PassPositions, ZeroStepsEndAndAZeroIncrementIsReported)
{
    host({tilted_plane(1)});
    params(1, 0.01f);
    CURTOL = BALL;
    chain({1}, {1}, 4);
    i32 st = 0;
    LDSRFB(1, buf().data(), st);
    const f32 seg[6] = {1, 50, 0, 1, 50, 80};
    i32 nearf = 0, rev = 0;
    // First steps of zero: the line is still walked to its end.
    RSTPAS();
    surlin(1, 3, 1, nearf, rev, buf().data(), 1, 1, 1, seg, 2, 0.0f, 0.0f, st);
    ASSERT_EQ(st, 0);
    EXPECT_FLOAT_EQ(PASSTR.PSPNTS[PASSTR.PSNPNT - 1][1], 80.0f);
    // A surface without a parameter increment.
    buf()[SB_LIM + 5] = 0.0;
    RSTPAS();
    surlin(1, 3, 1, nearf, rev, buf().data(), 1, 1, 1, seg, 2, PASTAB.USTEP[0], PASTAB.VSTEP[0], st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("surlin,THE SURFACE CANNOT BE EVALUATED"));
    EXPECT_FLOAT_EQ(pwr(WRKTOL), 0.01f);  // the working tolerance is restored
    // A tool that cannot be placed (four axes without a rotary axis) is named
    // by the placing alone.
    LDSRFB(1, buf().data(), st);
    params(3, 0.01f);
    RAXN[0] = 0;
    const size_t from = norak::transcript().size();
    RSTPAS();
    surlin(1, 3, 1, nearf, rev, buf().data(), 1, 1, 1, seg, 2, PASTAB.USTEP[0], PASTAB.VSTEP[0], st);
    EXPECT_EQ(st, -1);
    std::string said;
    for (size_t k = from; k < norak::transcript().size(); ++k) said += norak::transcript()[k] + "\n";
    EXPECT_NE(said.find("IS NOT POSSIBLE"), std::string::npos) << said;
    EXPECT_EQ(said.find("surlin,"), std::string::npos) << said;
}

// Under machining type 14 with the gouge check against all part surfaces, a
// flat stretch steps at the medium tolerance (a sixth of the working one),
// as steep stretches step at finer ones.
TEST(PassPositions, SurfaceCleanUpStepsFlatStretchesAtTheMediumTolerance)
{
    host({top_cylinder(1)});
    const f32 T = 0.06f;
    const i32 mactyp[2] = {14, 2};
    f64 seen[2] = {0, 0};
    for (i32 c = 0; c < 2; ++c) {
        params(2, T);
        pws(AXSTRN, 80.0f);  // the axis may turn: the tolerance decides the step
        pw(GCHMOD) = 3;
        CURTOL = BALL;
        chain({1}, {upside(1)}, 4);
        MACTYP = mactyp[c];
        i32 st = 0;
        LDSRFB(1, buf().data(), st);
        f32 u0, u1, v0, v1;
        SBFUVR(1, buf().data(), u0, u1, v0, v1, st);
        const f32 um = 0.5f * (u0 + u1);
        const f32 seg[6] = {1, um, v0 + 0.2f * (v1 - v0), 1, um, v0 + 0.8f * (v1 - v0)};
        i32 nearf = 0, rev = 0;
        RSTPAS();
        surlin(1, 3, 1, nearf, rev, buf().data(), 1, 1, 1, seg, 2, 0.05f * (u1 - u0), 0.05f * (v1 - v0), st);
        ASSERT_EQ(st, 0);
        seen[c] = PASSTR.PSSLEN[0];
    }
    MACTYP = 2;
    // Finer steps under machining type 14: more points over the same line.
    EXPECT_GT(seen[0], 1.5 * seen[1]);
}

TEST(PassPositions, FourAxisAxisAlongTheNormalLiesFlat)
{
    // A cylinder about the rotary axis: the four-axis axis is the normal, and
    // the torus sits with its flat bottom on each point.
    host({top_cylinder(1)});
    RAXN[0] = 1;
    for (i32 k = 0; k < 3; ++k) NPT1[NPT1_ORIGIN + k] = r2wrd(0.0f);
    params(3, 0.01f);
    pw(AXSSUB) = 4;
    CURTOL = TORUS;
    chain({1}, {upside(1)}, 4);
    ASSERT_EQ(onepass(1, 0.5f), 0);
    EXPECT_LT(PASSTR.PSNPNT, 200);
    for (int k = 0; k < PASSTR.PSNPNT; ++k)
        EXPECT_NEAR(std::hypot(PASSTR.PSPNTS[k][1], PASSTR.PSPNTS[k][2]), 40.0, 1e-4);
    RAXN[0] = 0;
}

TEST(PassPositions, ReversedPassAndDegenerateLine)
{
    host({shapes::freeform(1, 8.0)});
    params(1, 0.01f);
    CURTOL = BALL;
    chain({1}, {1}, 4);
    ASSERT_EQ(onepass(1, 0.4f, 0), 0);
    std::vector<std::array<f32, 3>> fwd;
    for (int k = 0; k < PASSTR.PSNPNT; ++k) fwd.push_back({PASSTR.PSPNTS[k][0], PASSTR.PSPNTS[k][1], PASSTR.PSPNTS[k][2]});
    ASSERT_EQ(onepass(1, 0.4f, 1), 0);
    ASSERT_EQ(PASSTR.PSNPNT, static_cast<i32>(fwd.size()));
    for (size_t k = 0; k < fwd.size(); ++k)
        for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(PASSTR.PSPNTS[k][c], fwd[fwd.size() - 1 - k][c]);
    // A pass whose along range is empty builds nothing.
    PASTAB.AEND[0] = PASTAB.ASTART[0];
    EXPECT_EQ(onepass(1, 0.4f), 1);
    EXPECT_EQ(PASSTR.PSNPNT, 0);
}

// The tilted plane in the surface buffer, the ball, three axes at 0.01;
// the status of the load.
i32 plane_loaded()
{
    host({tilted_plane(1)});
    params(1, 0.01f);
    CURTOL = BALL;
    i32 st = 0;
    LDSRFB(1, buf().data(), st);
    return st;
}

TEST(PassPositions, SideAndToolKindOfTheSurfacePoint)
{
    i32 st = plane_loaded();
    f32 ev[9], up[9], dn[9];
    NCEVS1(buf().data(), 50, 40, 0, 1, 1, 1, SRFEVL, 0, 0, 0, ev, up, st);
    ASSERT_EQ(st, 0);
    NCEVS1(buf().data(), 50, 40, 0, 1, -1, 1, SRFEVL, 0, 0, 0, ev, dn, st);
    for (int c = 3; c < 9; ++c) EXPECT_FLOAT_EQ(dn[c], -up[c]);
    // On the other side the ball's tip lies below the point.
    EXPECT_LT(dn[2], up[2] - 9.0f);
    // A drill is no mill: nothing is touched.
    CURTOL = -5;
    f32 out[9] = {7, 7, 7, 7, 7, 7, 7, 7, 7};
    st = 3;
    NCEVS1(buf().data(), 50, 40, 0, 1, 1, 1, SRFEVL, 0, 0, 0, ev, out, st);
    EXPECT_EQ(st, 3);
    EXPECT_EQ(out[0], 7.0f);
}

// Surface clean-up on the model: the tool's axis is the normal of the
// triangle model where the tool stands, not the vertical of the clean-up;
// a point where the model has nothing under the tool fails.
TEST(PassPositions, CleanUpOnTheModelTakesTheModelsNormal)
{
    host({tilted_plane(1)});
    params(1, 0.01f);
    CURTOL = BALL;
    init_badsrf();
    FRETRI();
    allrst();
    STPFLG(0);
    const i32 ids[1] = {1}, nrm[1] = {1};
    i32 work = 0, st = 0;
    allsrf(1, 1, ids, nrm, 0, nullptr, nullptr, 1, 0.01f, 0.0f, 2, work, st);
    ASSERT_EQ(st, 0);
    LDSRFB(1, buf().data(), st);
    f32 ev[9], plain[9], on[9];
    MACTYP = 14;
    NCEVS1(buf().data(), 50, 40, 0, 1, 1, 1, SRFEVL, 0, 0, 0, ev, plain, st);
    ASSERT_EQ(st, 0);
    EXPECT_FLOAT_EQ(plain[5], 1.0f);
    NCEVS1(buf().data(), 50, 40, 0, 1, 1, 1, SRFEVL, 0, 0, 1, ev, on, st);
    ASSERT_EQ(st, 0);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(on[3 + c], plain[6 + c], 1e-4) << c;
    EXPECT_LT(on[5], 0.95f);
    // And it stands there: over the point, its tip where the ball rests on
    // the tilted plane, R (1 / nz - 1) above the point (the clean-up's
    // vertical placing leaves the tip on the point itself).
    EXPECT_FLOAT_EQ(on[0], plain[0]);
    EXPECT_FLOAT_EQ(on[1], plain[1]);
    EXPECT_NEAR(on[2], ev[2] + 5.0f * (1.0f / plain[8] - 1.0f), 2e-3f);
    EXPECT_NEAR(plain[2], ev[2], 1e-4f);
    // Beyond the model (the plane is 100 long) nothing is under the tool.
    NCEVS1(buf().data(), 130, 40, 0, 1, 1, 1, SRFEVL, 0, 0, 1, ev, on, st);
    EXPECT_EQ(st, -1);
    MACTYP = 2;
    FRETRI();
    allfre(st);
}

// A bicubic patch whose edge u = 0 is collapsed to one point (a pole).
std::string collapsed_patch()
{
    std::ostringstream s;
    s << R"({"kind":"nurbs_surface","id":1,"degree":[3,3],"counts":[4,4],"u_knots":[0,0,0,0,1,1,1,1],)"
      << R"("v_knots":[0,0,0,0,1,1,1,1],"points":[)";
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            s << (i + j ? "," : "") << "[" << (i == 0 ? 0.0 : 30.0 * i) << "," << (i == 0 ? 40.0 : 80.0 * j / 3) << ","
              << (i == 0 ? 10.0 : 10.0 + 3.0 * i) << "]";
    s << "]}";
    return s.str();
}

// Five-axis placing needs both surface derivatives: on a patch whose edge
// u = 0 is collapsed to one point the v derivative vanishes there, and with
// a leading angle the movement direction cannot be had: the failure comes
// back, whatever the weights.
TEST(PassPositions, FiveAxisDirectionNeedsBothDerivatives)
{
    host({collapsed_patch()});
    params(2, 0.01f, 10.0f, 0.0f);
    CURTOL = BALL;
    i32 st = 0;
    LDSRFB(1, buf().data(), st);
    ASSERT_EQ(st, 0);
    f32 ev[9], out[9];
    // Away from the collapsed edge the tool is placed.
    NCEVS1(buf().data(), 0.5f, 0.5f, 1.0f, 0.0f, 1, 2, SRFEVL, 10.0f, 0.0f, 0, ev, out, st);
    EXPECT_EQ(st, 0);
    // On it the v derivative is zero.
    NCEVS1(buf().data(), 0.0f, 0.5f, 1.0f, 0.0f, 1, 2, SRFEVL, 10.0f, 0.0f, 0, ev, out, st);
    EXPECT_LT(st, 0);
}

// The side step samples away from a collapsed edge. Five-axis placing
// fails on the pole u = 0 of the patch above: a pass lying on it is moved
// off by a twentieth of the first step, so the space step is measured
// (status 0, not the "nothing evaluated" 1), and an along start on it moves
// inwards, so the scallop step's first place (the one that sets the step)
// is solved and the step grows from a small guess to the scallop's.
TEST(SideStep, SamplesAwayFromACollapsedEdge)
{
    host({collapsed_patch()});
    params(2, 0.01f, 10.0f, 0.0f);
    CURTOL = BALL;
    i32 st = 0;
    LDSRFB(1, buf().data(), st);
    ASSERT_EQ(st, 0);
    // Space step, passes of constant u from the pole.
    f32 guess = 0.05f, next = 0, metric = 0;
    SPCSTP(buf().data(), 2.0f, 0.01f, 0.0f, 1.0f, guess, 0.0f, 1.0f, 1, 1, 2, next, metric, st);
    EXPECT_EQ(st, 0);
    EXPECT_GT(next, 0.0025f);
    EXPECT_NEAR(metric, 2.0f, 0.05f);
    EXPECT_NEAR(guess, next, 1e-6);
    // The same passes from a pass value away from the pole are not moved.
    guess = 0.05f;
    f32 next2 = 0;
    SPCSTP(buf().data(), 2.0f, 0.01f, 0.5f, 1.0f, guess, 0.0f, 1.0f, 1, 1, 2, next2, metric, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(metric, 2.0f, 0.05f);
    // Scallop step, passes of constant v, the along range starting on the
    // pole: the first place sets the step.
    pws(CLNMIN, 0.0f);
    const f32 h = 0.01f;
    SCLSTP(buf().data(), h, 0.0f, 1.0f, 0.001f, 0.2f, 1.0f, 1.0f, 2, 1, 2, 1, 10.0f, 0.0f, next, metric);
    EXPECT_GT(next - 0.2f, 0.003f);
    EXPECT_LT(next - 0.2f, 0.05f);
}

// The space step's metric is the largest distance of the value it returns,
// wherever its search ended: at a converged trial, at the range's end, at the
// iteration limit after a bad trial, or moved by the guard.  On a plane the
// distance is the step times the u axis's length.
TEST(SideStep, SpaceStepMetricIsTheDistanceOfTheResult)
{
    i32 st = plane_loaded();
    ASSERT_EQ(st, 0);
    const f32 ulen = std::sqrt(1.0f + 0.36397f * 0.36397f);
    struct Case { f32 guess, sidstp, tol, pcur, pend; };
    for (const Case c : {Case{0.05f, 2.0f, 0.01f, 0.0f, 100.0f}, Case{1e-6f, 2.0f, 1e-12f, 0.0f, 100.0f},
                         Case{1e-5f, 3.0f, 1e-12f, 10.0f, 100.0f}, Case{0.05f, 2.0f, 0.01f, 99.0f, 100.0f}}) {
        f32 guess = c.guess, next = 0, metric = -1;
        SPCSTP(buf().data(), c.sidstp, c.tol, c.pcur, c.pend, guess, 0.0f, 80.0f, 1, 1, 1, next, metric, st);
        EXPECT_EQ(st, 0);
        EXPECT_NEAR(metric, (next - c.pcur) * ulen, 2e-4f) << c.guess << " " << c.tol << " " << c.pcur;
    }
}

// A surface that cannot be evaluated at any place: status 1, the result is
// the current value plus the step, and the guess comes back as that step
// (a zero guess steps by a thirtieth of what remains of the range).
TEST(SideStep, SpaceStepNowhereEvaluatedGivesBackTheStepTaken)
{
    i32 st = plane_loaded();
    ASSERT_EQ(st, 0);
    const std::vector<f64> none(buf().size(), 0.0);
    for (const f32 g : {0.5f, 0.0f, -2.0f}) {
        f32 guess = g, next = 0, metric = -1;
        SPCSTP(none.data(), 2.0f, 0.01f, 10.0f, 100.0f, guess, 0.0f, 80.0f, 1, 1, 1, next, metric, st);
        EXPECT_EQ(st, 1) << g;
        EXPECT_FLOAT_EQ(next, 10.0f + (g == 0.0f ? 3.0f : g)) << g;
        EXPECT_FLOAT_EQ(guess, next - 10.0f) << g;
    }
}

TEST(ScallopHeight, MatchesTheClosedFormsOnAPlaneAndACylinder)
{
    host({});
    const f32 z[3] = {0, 0, 1};
    i32 st = 0;
    f32 h = 0;
    // Ball D10 on a plane: R - sqrt(R^2 - d^2/4).
    for (f32 d : {0.5f, 2.0f, 4.0f, 8.0f}) {
        const f32 p1[3] = {0, 0, 0}, p2[3] = {0, d, 0};
        SCLHT3(10, 5, 0, 0, p1, p2, z, h, st);
        EXPECT_EQ(st, 0);
        EXPECT_NEAR(h, 5.0 - std::sqrt(25.0 - d * d / 4.0), 1e-5) << d;
    }
    // Torus D10 R2 on a plane: nothing while the flats overlap, then the
    // corner circles' cusp.
    for (f32 d : {4.0f, 6.0f, 7.0f, 9.0f}) {
        const f32 p1[3] = {0, 0, 0}, p2[3] = {d, 0, 0};
        SCLHT3(10, 2, 0, 0, p1, p2, z, h, st);
        const double e = std::max(0.0, d - 6.0);
        EXPECT_NEAR(h, 2.0 - std::sqrt(4.0 - e * e / 4.0), 1e-5) << d;
    }
    // Ball positions on a cylinder of radius 40 about x, an angle th apart:
    // the cusp over the chord of the centres, and the true scallop below it
    // by the sagitta.
    for (double th : {0.05, 0.1, 0.2}) {
        const double rho = 45.0;
        f32 p1[3], p2[3], n[3];
        p1[0] = p2[0] = 10;
        p1[1] = static_cast<f32>(rho * std::sin(-th / 2));
        p2[1] = static_cast<f32>(rho * std::sin(th / 2));
        p1[2] = p2[2] = static_cast<f32>(rho * std::cos(th / 2) - 5.0);
        n[0] = 0, n[1] = 0, n[2] = 1;
        SCLHT3(10, 5, 0, 0, p1, p2, n, h, st);
        const double c = 2 * rho * std::sin(th / 2);
        const double chord = 5.0 - std::sqrt(25.0 - c * c / 4.0);
        const double truth = rho * std::cos(th / 2) - std::sqrt(25.0 - rho * rho * std::pow(std::sin(th / 2), 2)) - 40.0;
        EXPECT_NEAR(h, chord, 2e-5) << th;
        EXPECT_NEAR(h - truth, rho * (1 - std::cos(th / 2)), 1e-4) << th;
        std::printf("MEASURE scallop cylinder th %.2f: computed %.5f, true %.5f\n", th, h, truth);
    }
    // Farther apart than the diameter.
    const f32 a[3] = {0, 0, 0}, b[3] = {11, 0, 0};
    SCLHT3(10, 5, 0, 0, a, b, z, h, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(h, 1000.0f);
}

}  // namespace

// The scallop measure's entry floor: along rays from all about a ball,
// corner-radius and flat tool, upright and tilted, with unit and longer
// directions, no point nearer than the floor lies in the tool, and rays
// aimed at the tool come within a hair of reaching it there.
TEST(SideStep, NoPointOfARayBeforeTheEntryFloorLiesInTheTool)
{
    std::mt19937 rng(1210);
    std::uniform_real_distribution<f64> u(-1.0, 1.0), frac(0.0, 1.0);
    const f32 up[3] = {0.0f, 0.0f, 1.0f}, tilt[3] = {0.6f, 0.0f, 0.8f};
    const f32 tip[3] = {1.0f, -2.0f, 3.0f};
    i32 near = 0;
    for (const f32* axis : {up, tilt})
        for (const f64 cr : {5.0, 1.0, 0.0}) {
            const ScallopTool tool{tip, axis, 5.0, cr, 5.0 - cr};
            for (i32 k = 0; k < 4000; ++k) {
                f64 q[3], n[3];
                for (i32 j = 0; j < 3; ++j) q[j] = tip[j] + 8.0 * u(rng);
                if (k % 2) {
                    // Aimed at a point of the tool's end or flank.
                    const f64 a[3] = {tip[0] + 2.0 * u(rng) * (1 - axis[0]), tip[1] + 2.0 * u(rng), tip[2] + 3.0 * frac(rng)};
                    for (i32 j = 0; j < 3; ++j) n[j] = a[j] - q[j];
                } else {
                    for (f64& c : n) c = u(rng);
                }
                const f64 scale = k % 3 == 0 ? 2.5 : 1.0 / std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
                for (f64& c : n) c *= scale;
                const f64 floor = scallop_entry_floor(tool, q, n);
                ASSERT_GE(floor, 0.0);
                for (i32 s = 0; s <= 64; ++s) {
                    const f64 t = s < 64 ? floor * s / 64.0 : std::nextafter(floor, 0.0);
                    ASSERT_FALSE(t < floor && scallop_in_tool(tool, q, n, t))
                        << "ray " << k << " at " << t << " of floor " << floor;
                }
                // A floor far short of the entry saves nothing: where the
                // ray meets the tool, it is met soon after the floor.
                if (floor > 0.0 && scallop_in_tool(tool, q, n, floor * 1.02 + 1e-4)) ++near;
            }
        }
    EXPECT_GT(near, 100);
}
