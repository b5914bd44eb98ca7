// The pass meeting of two surfaces of a three-axis chain: a plane followed
// by a plane rising 30 degrees (a concave corner) and by a concave fillet
// (a tangent seam); the tools at the seam meet within the acceptance, the
// passes written over the chain pass the reference drop, and an overhang at
// the seam gives the under-cut warning.
#include <gtest/gtest.h>

#include "passes/pasmet.h"
#include "cutter/loccom.h"
#include "surfaces/allsrf.h"
#include "surfaces/trimodel.h"
#include "tests/passes/drop_common.h"
#include "tests/passes/loop_common.h"

namespace {

using namespace pt;

// The plane z = 0, x from 0 to 50, y from 0 to 40 (u along x, v along y).
std::string floor_of(int id)
{
    return R"({"kind":"plane_patch","id":)" + std::to_string(id) +
           R"(,"origin":[0,0,0],"u_axis":[1,0,0],"v_axis":[0,1,0],"u":[0,50],"v":[0,40]})";
}
const std::string FLOOR = floor_of(1);
// A plane rising 30 degrees from the floor's edge x = 50.
const char* RAMP =
    R"({"kind":"plane_patch","id":2,"origin":[50,0,0],"u_axis":[0.8660254,0,0.5],"v_axis":[0,1,0],"u":[0,40],"v":[0,40]})";

// A concave fillet of radius 20 rising from the floor's edge: centre line
// (50, y, 20); u along y (0 to 1 over 40), v the angle from the bottom
// towards +x, from 0 to `a1` degrees (beyond 90 it hangs over).
std::string fillet(int id, double a1)
{
    std::ostringstream s;
    s << R"({"kind":"revolution","id":)" << id
      << R"(,"origin":[50,0,20],"axis":[0,-1,0],"ref":[0,0,-1],"angle":[0,)" << a1
      << R"(],"profile":{"degree":1,"count":2,"knots":[0,0,1,1],"points":[[20,0,0],[20,0,-40]]}})";
    return s.str();
}

const f32 D = 10.0f;  // the ball's diameter

// The floor then the second surface as a chain of passes along x (the
// floor's passes hold v, the fillet's hold u), connected, three-axis.
void two(i32 fillet_second)
{
    params(1, 0.01f);
    CURTOL = BALL;
    pw(STPMOD) = 2;
    pw(NPSREQ) = 5;
    chain({1, 2}, {upside(1), upside(2)}, 0);
    SRFGEO.SRFLNK[1] = 1;
    if (fillet_second) {
        i32 st = 0;
        LDSRFB(2, buf().data(), st);
        f32 u0, u1, v0, v1;
        SBFUVR(1, buf().data(), u0, u1, v0, v1, st);
        LIMSET(4, u0, u1, v0, v1, SRFGEO.LIMREC[1], SRFGEO.CRNREC[1]);
        std::memcpy(SRFGEO.LIMORG[1], SRFGEO.LIMREC[1], sizeof SRFGEO.LIMREC[1]);
    }
}

std::vector<f64> loaded(i32 id)
{
    std::vector<f64> b(SB_CAP);
    i32 st = 0;
    LDSRFB(id, b.data(), st);
    return b;
}

f64 dist(const f32* a, const f32* b) { return std::hypot(std::hypot(f64(a[0]) - b[0], f64(a[1]) - b[1]), f64(a[2]) - b[2]); }

// The ball's tip on a surface point with its normal (up).
void tip_on(const std::vector<f64>& b, f32 u, f32 v, f32* tip)
{
    f32 e[9], n[3];
    i32 st = 0;
    evsrfn(b.data(), u, v, 2, e, n, st);
    if (n[2] < 0)
        for (f32& c : n) c = -c;
    for (int k = 0; k < 3; ++k) tip[k] = e[k] + 0.5f * D * n[k] - (k == 2 ? 0.5f * D : 0.0f);
}

TEST(PassMeeting, TheSolverFindsWhereTheToolsOfBothSurfacesMeet)
{
    struct Case {
        const char* name;
        std::string second;
        i32 pcode;       // of the second surface
        f32 pass, a0, a1;  // its pass value (the floor's y = 20) and along range
        f64 salong, malong;  // where the tools meet: along the floor, along the second
    };
    // The ball in the 150-degree corner touches both planes: its centre 5
    // above the floor at x = 50 - 5 tan 15; on the ramp 5 tan 15 from the
    // edge. On the fillet the seam is tangent: the tools meet at the edge.
    const f64 t15 = 5.0 * std::tan(15.0 * M_PI / 180.0);
    const Case cases[] = {{"plane and 30-degree plane", RAMP, 2, 20.0f, 0.0f, 40.0f, 50.0 - t15, t15},
                          {"plane and fillet", fillet(2, 60), 1, 0.5f, 0.0f, 60.0f, 50.0, 0.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host({FLOOR, c.second});
        two(c.pcode == 1);
        const std::vector<f64> ba = loaded(1), bb = loaded(2);
        // The second surface starts off its meeting value: it is moved.
        for (i32 mode : {0, 1}) {
            MetSrf fl{ba.data(), 2, 20.0f, 1, {0.0f, 50.0f, 50.0f}};
            MetSrf sc{bb.data(), c.pcode, c.pcode == 1 ? 0.4f : 16.0f, upside(2), {c.a0, c.a1, c.a1 - c.a0}};
            if (mode == 1) fl.pass = 24.0f, sc.pass = c.pass;
            MetSrf& s = mode == 0 ? fl : sc;
            MetSrf& m = mode == 0 ? sc : fl;
            f32 sa = 0, ma = 0, best = 0;
            MetRes res{};
            i32 st = 9;
            METSLV(mode, s, m, sa, ma, res, best, st);
            const f32* tool = res.tool;
            ASSERT_EQ(st, 0) << mode;
            // The moving surface's pass lies where the fixed one's does.
            EXPECT_NEAR(m.pass, mode == 0 ? c.pass : 20.0f, 0.01f) << mode;
            const f64 fa = mode == 0 ? sa : ma, sca = mode == 0 ? ma : sa;
            EXPECT_NEAR(fa, c.salong, 0.05) << mode;
            EXPECT_NEAR(sca, c.malong, c.pcode == 1 ? 0.2 : 0.05) << mode;
            // Both tools at the meeting, as placed from the surfaces.
            f32 t1[3], t2[3];
            tip_on(ba, static_cast<f32>(fa), 20.0f, t1);
            tip_on(bb, c.pcode == 1 ? c.pass : static_cast<f32>(sca), c.pcode == 1 ? static_cast<f32>(sca) : c.pass,
                   t2);
            EXPECT_LT(dist(t1, t2), 0.1 * D) << mode;
            EXPECT_LT(best, 0.1 * D) << mode;
            EXPECT_LT(dist(tool, mode == 0 ? t1 : t2), 0.01) << mode;
            // The points of both surfaces there, the tool on the sampled one
            // standing along Z.
            EXPECT_EQ(res.axis[2], 1.0f);
            f32 e[9], n[3];
            evsrfn(ba.data(), static_cast<f32>(fa), 20.0f, 2, e, n, st);
            EXPECT_LT(dist(mode == 0 ? res.spnt : res.mpnt, e), 0.01) << mode;
            EXPECT_NEAR((mode == 0 ? res.snrm : res.mnrm)[2], 1.0f, 1e-5f) << mode;
            std::printf("MEASURE meeting %s, mode %d: along %.4f on the floor, %.4f on the second, the tools %.5f "
                        "apart (acceptance %.3f, preferred %.3f)\n",
                        c.name, mode, fa, sca, best, std::sqrt(2.0) * 0.5 * D, 0.1 * D);
        }
    }
}

// A plane z = `z` from x = `x0` on, 50 long and 40 wide (u along x).
std::string floor_at(int id, double x0, double z)
{
    std::ostringstream s;
    s << R"({"kind":"plane_patch","id":)" << id << R"(,"origin":[)" << x0 << ",0," << z
      << R"(],"u_axis":[1,0,0],"v_axis":[0,1,0],"u":[0,50],"v":[0,40]})";
    return s.str();
}

struct Met {
    i32 st;
    f32 sa, ma, best, pass;
};

// The solver between the floor (pass y = 20) and a second plane along x
// (its pass y = 16 to start with), in the mode given.
Met meet(i32 mode, i32 tool)
{
    params(1, 0.01f);
    CURTOL = tool;
    const std::vector<f64> ba = loaded(1), bb = loaded(2);
    MetSrf fl{ba.data(), 2, 20.0f, 1, {0.0f, 50.0f, 50.0f}};
    MetSrf sc{bb.data(), 2, 16.0f, 1, {0.0f, 50.0f, 50.0f}};
    if (mode == 1) std::swap(fl.pass, sc.pass);
    MetSrf& s = mode == 0 ? fl : sc;
    MetSrf& m = mode == 0 ? sc : fl;
    Met r{9, -1, -1, 0, 0};
    MetRes res{};
    METSLV(mode, s, m, r.sa, r.ma, res, r.best, r.st);
    r.pass = m.pass;
    return r;
}

TEST(PassMeeting, OnFlatGroundTheToolsMeetBeyondTheEdge)
{
    // Two level faces with a 2 mm slot between them: the flat bottom of
    // the end mill bridges it, so the tools meet with the tool on the
    // sampled face's plane 2 mm (a twenty-fifth of its range) beyond its
    // edge.
    host({FLOOR, floor_at(2, 52, 0)});
    for (i32 mode : {0, 1}) {
        SCOPED_TRACE(mode);
        const Met f = meet(mode, FLAT);
        ASSERT_EQ(f.st, 0);
        EXPECT_NEAR(f.pass, 20.0f, 1e-4f);
        EXPECT_NEAR(f.best, 0.0f, 1e-4f);
        // The sampled face reaches 2 mm beyond its edge: the first face to
        // x = 52 where the second begins, or the second back to x = 50.
        EXPECT_NEAR(f.sa, mode == 0 ? 52.0f : -2.0f, 1e-3f);
        EXPECT_NEAR(f.ma, mode == 0 ? 0.0f : 50.0f, 1e-3f);
        // A ball is no bridge: it reaches the second face too, stepping
        // outwards from the edge, but no nearer than where it begins.
        const Met b = meet(mode, BALL);
        ASSERT_EQ(b.st, 0);
        EXPECT_LT(b.best, 0.1f * D);
        std::printf("MEASURE flat ground, mode %d: the flat end mill meets at %.4f along the sampled face (tools %.5f apart), ball at %.4f "
                    "(%.5f apart)\n",
                    mode, f.sa, f.best, b.sa, b.best);
    }
    // Faces 30 mm apart in height never meet: the moving pass is kept.
    host({FLOOR, floor_at(2, 50, 30)});
    for (i32 mode : {0, 1}) {
        const Met r = meet(mode, BALL);
        EXPECT_EQ(r.st, -1) << mode;
        EXPECT_EQ(r.pass, 16.0f) << mode;
        EXPECT_EQ(r.sa, -1.0f) << mode;
    }
}

TEST(PassMeeting, FlatGroundFarOffDoesNotHideANearerMeeting)
{
    // A floor that rises 45 degrees over its last 5 mm to the height of a
    // level face beyond it: over the convex edge the tools come within the
    // acceptance. Back on the floor's level part, both faces level, the
    // tools lie farther apart than the acceptance: flat ground, but no
    // meeting to take, and the nearer meeting is accepted.
    const std::string step =
        R"({"kind":"nurbs_surface","id":1,"degree":[1,1],"counts":[3,2],"u_knots":[0,0,0.9,1,1],"v_knots":[0,0,1,1],)"
        R"("points":[[0,0,0],[45,0,0],[50,0,5],[0,40,0],[45,40,0],[50,40,5]]})";
    host({step, floor_at(2, 50, 5)});
    params(1, 0.01f);
    CURTOL = BALL;
    const std::vector<f64> ba = loaded(1), bb = loaded(2);
    MetSrf st1{ba.data(), 2, 0.5f, 1, {0.0f, 1.0f, 1.0f}};
    MetSrf lv{bb.data(), 2, 16.0f, 1, {0.0f, 50.0f, 50.0f}};
    f32 sa = 0, ma = 0, best = 0;
    MetRes res{};
    i32 st = 9;
    METSLV(0, st1, lv, sa, ma, res, best, st);
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(lv.pass, 20.0f, 1e-3f);
    // The nearest pair the floor gives (it cannot be evaluated beyond its
    // end): the ball on the ramp's top end and the one at the level face's
    // start, (3.536, 1.464) apart.
    EXPECT_NEAR(best, std::hypot(2.5 * std::sqrt(2.0), 5.0 - 2.5 * std::sqrt(2.0)), 0.01);
    EXPECT_NEAR(sa, 1.0f, 1e-3f);
    EXPECT_NEAR(ma, 0.0f, 0.01f);
}

TEST(PassMeeting, OverAConvexEdgeTheNearestToolsAreAccepted)
{
    // The floor, then a plane falling 30 or 60 degrees from its edge: the
    // ball rolls over the edge and the tools never coincide. The nearest
    // pair: the tool at the falling plane's start, its ball resting on the
    // edge, and the tool on the floor's plane D/2 sin a beyond the edge,
    // D/2 (1 - cos a) above it.
    for (f64 deg : {30.0, 60.0}) {
        const f64 a = deg * M_PI / 180.0;
        std::ostringstream s;
        s << R"({"kind":"plane_patch","id":2,"origin":[50,0,0],"u_axis":[)" << std::cos(a) << ",0," << -std::sin(a)
          << R"(],"v_axis":[0,1,0],"u":[0,40],"v":[0,40]})";
        host({FLOOR, s.str()});
        for (i32 mode : {0, 1}) {
            SCOPED_TRACE(testing::Message() << deg << " degrees, mode " << mode);
            const Met r = meet(mode, BALL);
            ASSERT_EQ(r.st, 0);
            EXPECT_NEAR(r.pass, 20.0f, 1e-3f);
            EXPECT_NEAR(r.best, 0.5 * D * (1.0 - std::cos(a)), 0.01);
            const f64 beyond = 0.5 * D * std::sin(a);
            EXPECT_NEAR(r.sa, mode == 0 ? 50.0 + beyond : -beyond, 0.01);
            EXPECT_NEAR(r.ma, mode == 0 ? 0.0f : 50.0f, 0.01f);
            std::printf("MEASURE convex edge of %.0f degrees, mode %d: along %.4f and %.4f, the tools %.5f apart\n",
                        deg, mode, r.sa, r.ma, r.best);
        }
    }
}

TEST(PassMeeting, ChainsOfThreeAxisPassesMeetAtTheSeamAndPassTheDrop)
{
    for (i32 kind : {0, 1}) {
        SCOPED_TRACE(kind);
        host({FLOOR, kind == 0 ? std::string(RAMP) : fillet(2, 60)});
        two(kind);
        // The passes' steps over the triangle model of both surfaces.
        init_badsrf();
        FRETRI();
        allrst();
        STPFLG(0);
        const i32 ids[2] = {1, 2}, nrm[2] = {SRFGEO.SRFSID[0], SRFGEO.SRFSID[1]};
        i32 work = 0, st = 0;
        allsrf(1, 2, ids, nrm, 0, nullptr, nullptr, 1, 0.01f, 0.0f, 2, work, st);
        ASSERT_EQ(st, 0);
        // Pass ends checked too (mode 3): at the corner the ball on the
        // floor's last point would reach into the ramp.
        pw(GCHMOD) = 3;
        lp::fresh_run();
        lp::clearlist();
        ASSERT_GE(lp::run_surm1(), 0);
        EXPECT_FALSE(norak::transcript_has("internal:"));
        const lp::Path p = lp::written();
        ASSERT_EQ(p.strings.size(), 10u);
        // Each pass: one string on the floor, one on the second surface.
        double worst = 0;
        for (size_t k = 0; k + 1 < p.strings.size(); k += 2) {
            const lp::Pt a = p.strings[k].back(), b = p.strings[k + 1].front();
            worst = std::max(worst, std::hypot(std::hypot(a.x - b.x, a.y - b.y), a.z - b.z));
            EXPECT_NEAR(a.y, b.y, 0.01);
        }
        EXPECT_LT(worst, std::sqrt(2.0) * 0.5 * D);
        const std::vector<drp::Move> mv = drp::moves();
        const drp::Result r = drp::check(mv, {1, 2}, dropref::Tool{1, 5.0, 5.0}, 1.0, 0.25);
        std::printf("MEASURE seam of the %s: tools at most %.5f apart; %d samples (%d cutting): deepest below the "
                    "reference drop %.5f, cutting highest above it %.5f at %.3f %.3f %.3f (reference's own distance "
                    "%.5f)\n",
                    kind == 0 ? "floor and 30-degree ramp" : "floor and fillet", worst, r.samples, r.cutting,
                    r.deepest, r.highest, r.at[0], r.at[1], r.at[2], r.sag);
        EXPECT_LE(r.deepest, 0.01 + r.sag);
        // In the corner the gouge check lifts the ramp's first steps of the
        // edge pass over the floor's last point; the tangent seam stays on
        // the surfaces.
        if (kind == 1) {
            EXPECT_LE(r.highest, 0.01 + r.sag);
        }
        EXPECT_GT(r.cutting, 200);
        FRETRI();
        allfre(st);
    }
}

TEST(PassMeeting, AnOverhangAtTheSeamGivesTheUnderCutWarning)
{
    // The fillet turned past the vertical ends hanging over: its normal at
    // the pass end points down, and a three-axis tool cannot stand there.
    host({fillet(1, 150), floor_of(2)});
    params(1, 0.01f);
    CURTOL = BALL;
    const std::vector<f64> ba = loaded(1), bb = loaded(2);
    MetSrf over{ba.data(), 1, 0.5f, upside(1), {0.0f, 150.0f, 150.0f}};
    MetSrf fl{bb.data(), 2, 16.0f, 1, {0.0f, 50.0f, 50.0f}};
    f32 a1 = -1, a2 = -1;
    i32 st = 9;
    PASMET(0, over, fl, a1, a2, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::transcript_count("WARNING :THERE IS AN UNDER-CUT:"), 1u);
    EXPECT_EQ(fl.pass, 16.0f);  // nothing moves
    EXPECT_EQ(a1, -1.0f);
    // Up to 60 degrees there is no overhang: no warning, and the floor's
    // pass moves onto the fillet's (u 0.4 = y 16).
    host({FLOOR, fillet(2, 60)});
    params(1, 0.01f);
    CURTOL = BALL;
    const std::vector<f64> bc = loaded(1), bd = loaded(2);
    MetSrf flr{bc.data(), 2, 24.0f, 1, {0.0f, 50.0f, 50.0f}};
    MetSrf up{bd.data(), 1, 0.4f, upside(2), {0.0f, 60.0f, 60.0f}};
    PASMET(1, flr, up, a1, a2, st);
    EXPECT_EQ(st, 0);
    EXPECT_FALSE(norak::transcript_has("UNDER-CUT"));
    EXPECT_NEAR(flr.pass, 16.0f, 0.01f);
    EXPECT_NEAR(a1, 50.0f, 0.01f);
    const f32 before = flr.pass;
    // A surface that cannot be evaluated next to the edge (its buffer
    // spoilt) gets the warning too, and nothing moves.
    std::vector<f64> spoilt(SB_CAP, 0.0);
    MetSrf gone{spoilt.data(), 2, 16.0f, 1, {0.0f, 50.0f, 50.0f}};
    a1 = a2 = -1;
    PASMET(1, flr, gone, a1, a2, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::transcript_count("WARNING :THERE IS AN UNDER-CUT:"), 1u);
    EXPECT_EQ(flr.pass, before);
    EXPECT_EQ(a1, -1.0f);
}

}  // namespace
