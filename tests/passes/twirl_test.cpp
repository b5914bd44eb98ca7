// The spiral (twirl) entry from a pocket entry record: over a plane and into
// a bowl the curve leaves the first lane along it and enters the next along
// it, never under the tool's drop; blocked, it falls back to the polyline
// road of two legs and a middle piece; nothing is written for a record whose
// end is not the stored entry point, or without a twirl radius.
#include <gtest/gtest.h>

#include "common/dropref.h"
#include "common/meshes.h"
#include "core/records.h"
#include "cutter/loccom.h"
#include "passes/milbf.h"
#include "passes/services.h"
#include "passes/spline.h"
#include "passes/twirl.h"
#include "passes/updown.h"
#include "surfaces/allsrf.h"
#include "tests/passes/loop_common.h"
#include "tests/passes/nurbs_read.h"

namespace {

using lp::Pt;

// A surface model with its reference drop for the ball of radius 5.
struct Model {
    meshes::Mesh m;
    dropref::Buckets ref;
    explicit Model(meshes::Mesh mesh) : m(std::move(mesh))
    {
        m.id = 7;
        m.cls = 1;  // the machined surface
        ref.build(meshes::soup({m}), 5.0);
    }
    double drop(double x, double y) const
    {
        const double p[2] = {x, y};
        return ref.drop_all(dropref::Tool{1, 5.0, 5.0}, p);
    }
};

// The floor z = 0 over 100 x 100.
const Model& plane()
{
    static const Model m(meshes::grid(0, 0, 100, 100, 20, 20, [](f64, f64) { return 0.0; }));
    return m;
}

// The bowl of the bicubic patch z = 40(u - 1/2)^2 + 30(v - 1/2)^2 over
// 100 x 100, meshed finely.
const Model& bowl()
{
    static const Model m(meshes::grid(0, 0, 100, 100, 100, 100, [](f64 x, f64 y) {
        const double u = x / 100 - 0.5, v = y / 100 - 0.5;
        return 40 * u * u + 30 * v * v;
    }));
    return m;
}

// The model, the ball, tolerance 0.01, the tool standing at `at`.
void setup(const Model& model, const f32* at)
{
    // The buffers of the last test are closed in the host that opened them.
    i32 st = 0;
    allfre(st);
    TWLREL();
    i32 w[28] = {};
    UDINIT(w[0], w + 1, w[25], w[26], w[27]);
    FRETRI();
    pt::host({});
    pt::params(1, 0.01f);
    CURTOL = pt::BALL;
    lp::fresh_run();
    ASSERT_EQ(meshes::build({model.m}), 0);
    // No class kept aside: the check surfaces' switch leaves the class alone.
    i32 rec = 0;
    SRKFND(7, rec);
    ASSERT_GT(rec, 0);
    srfbas()[(rec - 1) * SRF_WORDS + SRF_SAVCLS] = -1;
    STPFLG(0x3F);
    LNKPAR.kind = 3;
    MSTRST();
    const f32 up[3] = {0, 0, 1};
    LOCSET(-1, up, up, 1, 0.0f, 0.01f);
    lp::clearlist();
    RSTMOV();
    MOVLIN(2, at, up, st);
    lp::clearlist();
}

// The entry record of two opposed lanes: lane 1 from p1 to q1, lane 2 from
// t2 on through p2.
TwlSt record(const f32* p1, const f32* q1, const f32* t2, const f32* p2)
{
    TwlSt r{};
    for (int k = 0; k < 3; ++k) r.p1[k] = p1[k], r.q1[k] = q1[k], r.t2[k] = t2[k], r.p2[k] = p2[k];
    r.endflag = r.startflag = r.phase = r.wanted = 1;
    return r;
}

// The pocket entry's values: the stored entry point and the twirl radius.
void entry(const f32* stored, f64 rt)
{
    for (int k = 0; k < 3; ++k) pk_last_pos[k] = stored[k];
    TWLRAD = rt;
    TWLMMD = 0;
    TWLONE = 0;
    TWLSTK = 0.0;
}

double unit_dot(const Pt& a, const Pt& b)
{
    const double la = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z), lb = std::sqrt(b.x * b.x + b.y * b.y + b.z * b.z);
    return (a.x * b.x + a.y * b.y + a.z * b.z) / (la * lb);
}

Pt diff(const f32* a, const f32* b) { return {f64(a[0]) - b[0], f64(a[1]) - b[1], f64(a[2]) - b[2]}; }

// The marker blocks of the list with the given code.
int markers(i32 code)
{
    int n = 0;
    for (const auto& e : norak::main_list().elems)
        if (e.words.size() > 2 && e.words[0] == 99 && e.words[2] == code) ++n;
    return n;
}

TEST(Twirl, SplineRoadLeavesAlongTheLaneAndEntersTheNext)
{
    // Over the floor, lanes at a level 1 above it; in the bowl, lanes at the
    // level 4 about its middle.
    struct Case {
        const Model& m;
        f32 p1[3], q1[3], t2[3], p2[3];
        f64 rt;
    } cases[] = {{plane(), {10, 20, 1}, {50, 20, 1}, {50, 30, 1}, {10, 30, 1}, 5.0},
                 {bowl(), {30, 47, 4}, {55, 47, 4}, {55, 53, 4}, {30, 53, 4}, 3.0},
                 {bowl(), {40, 60, 4}, {50, 48, 3.5f}, {53, 47, 3.5f}, {62, 60, 4}, 4.0}};
    for (const Case& c : cases) {
        setup(c.m, c.q1);
        entry(c.q1, c.rt);
        TWLENT(record(c.p1, c.q1, c.t2, c.p2));
        const auto b = nr::nurbs();
        ASSERT_EQ(b.size(), 1u) << c.q1[0];
        EXPECT_EQ(lp::moves().size(), 0u);
        const nr::Nurbs& n = b[0];
        EXPECT_NEAR(n.first().x, c.q1[0], 1e-5);
        EXPECT_NEAR(n.first().y, c.q1[1], 1e-5);
        EXPECT_NEAR(n.first().z, c.q1[2], 1e-5);
        EXPECT_NEAR(n.last().x, c.t2[0], 1e-5);
        EXPECT_NEAR(n.last().y, c.t2[1], 1e-5);
        EXPECT_NEAR(n.last().z, c.t2[2], 1e-5);
        // The clamped curve's end tangents are its first and last legs.
        const size_t m = size_t(n.n);
        const Pt d0{n.p[3] - n.p[0], n.p[4] - n.p[1], n.p[5] - n.p[2]};
        const Pt d1{n.p[3 * m - 3] - n.p[3 * m - 6], n.p[3 * m - 2] - n.p[3 * m - 5], n.p[3 * m - 1] - n.p[3 * m - 4]};
        EXPECT_GT(unit_dot(d0, diff(c.q1, c.p1)), 1 - 1e-6);
        EXPECT_GT(unit_dot(d1, diff(c.p2, c.t2)), 1 - 1e-6);
        // Never under the tool's drop.
        for (int i = 0; i <= 400; ++i) {
            const Pt q = n.at(i / 400.0);
            EXPECT_GE(q.z, c.m.drop(q.x, q.y) - 1e-4) << i;
        }
        // The pocket entry's twirl state is reset.
        EXPECT_EQ(TWLST.endflag + TWLST.startflag + TWLST.phase + TWLST.wanted, 0);
    }
}

TEST(Twirl, NothingForAnotherEntryPointOrWithoutARadius)
{
    const f32 p1[3] = {10, 20, 1}, q1[3] = {50, 20, 1}, t2[3] = {50, 30, 1}, p2[3] = {10, 30, 1};
    const f32 other[3] = {50, 20.5f, 1};
    for (int k = 0; k < 2; ++k) {
        setup(plane(), q1);
        entry(k == 0 ? other : q1, k == 0 ? 5.0 : 0.0);
        TWLENT(record(p1, q1, t2, p2));
        EXPECT_TRUE(norak::main_list().elems.empty()) << k;
        EXPECT_EQ(TWLST.endflag + TWLST.wanted, 0);
    }
    // The stored point is compared in x and y only.
    setup(plane(), q1);
    const f32 higher[3] = {50, 20, 7};
    entry(higher, 5.0);
    TWLENT(record(p1, q1, t2, p2));
    EXPECT_EQ(nr::nurbs().size(), 1u);
}

// The written moves (lines and string points) in order.
std::vector<Pt> written_points() { return lp::moves(); }

TEST(Twirl, BlockedCurveFallsBackToLegsAndAMiddlePiece)
{
    // Lanes ending near the bowl's wall: the curve would run into it.
    const f32 p1[3] = {50, 47, 4}, q1[3] = {78, 47, 4}, t2[3] = {78, 53, 4}, p2[3] = {50, 53, 4};
    setup(bowl(), q1);
    entry(q1, 5.0);
    TWLENT(record(p1, q1, t2, p2));
    EXPECT_TRUE(nr::nurbs().empty());
    const auto mv = written_points();
    ASSERT_GE(mv.size(), 8u);
    const double r = 0.01;
    for (const Pt& q : mv) EXPECT_GE(q.z, bowl().drop(q.x, q.y) - r - 1e-4) << q.x << " " << q.y;
    // Three strings, each between its own markers, ending at T2.
    EXPECT_EQ(markers(15), 3);
    EXPECT_EQ(markers(16), 3);
    EXPECT_NEAR(mv.back().x, t2[0], 1e-4);
    EXPECT_NEAR(mv.back().y, t2[1], 1e-4);
    EXPECT_NEAR(mv.back().z, t2[2], 1e-4);
    EXPECT_EQ(LNKPAR.kind, 3);
    // The first leg shrank where it met the wall: none of its points lies
    // as far out as the full quarter circle of radius 5.
    for (const Pt& q : mv) EXPECT_LT(q.x, 83.0 - 1e-3);
}

TEST(Twirl, ARidgeBetweenTheLanesLiftsTheMiddlePieceOrGivesUpInThePocket)
{
    // A tent ridge 4 high between two lanes 18 apart, at the level 1: the
    // curve crosses it and is refused; with a twirl radius under the
    // tolerance the legs are the lane ends alone, and the middle piece is
    // lifted over the ridge by the tool radius and twice the tolerance. In
    // the clean-up pocketing the road gives up and nothing is written.
    static const Model ridge(meshes::grid(0, 0, 100, 60, 100, 120, [](f64, f64 y) {
        return 4.0 * std::max(0.0, 1 - std::fabs(y - 25) / 2);
    }));
    const f32 p1[3] = {10, 16, 1}, q1[3] = {50, 16, 1}, t2[3] = {50, 34, 1}, p2[3] = {10, 34, 1};
    for (i32 code : {0, 34}) {
        setup(ridge, q1);
        nu_sgcd_set_code(code);
        entry(q1, 0.005);
        TWLENT(record(p1, q1, t2, p2));
        EXPECT_TRUE(nr::nurbs().empty());
        if (code == 34) {
            EXPECT_TRUE(norak::main_list().elems.empty());
            continue;
        }
        EXPECT_EQ(markers(15), 3);
        const auto mv = written_points();
        // The piece is lifted whole: its ends as high as its middle.
        double H = 0, top = 0;
        for (double y = 16; y <= 34; y += 0.05) H = std::max(H, ridge.drop(50, y));
        for (const Pt& q : mv) top = std::max(top, q.z);
        EXPECT_NEAR(top, H + 5 + 0.02, 0.02);
        EXPECT_NEAR(mv.back().z, 1, 1e-5);
        EXPECT_TRUE(norak::transcript_has("TWIRL RADIUS SMALLER THAN THE TOLERANCE: NO ARC AT"));
    }
    nu_sgcd_set_code(0);
}

TEST(Twirl, LegsAndMiddlePieces)
{
    const f32 at[3] = {50, 20, 1};
    setup(plane(), at);
    entry(at, 100.0);
    // A leg of radius 100 at a tolerance of 0.0001 has over 1,000 points:
    // its buffer grows from 500 by steps of 300.
    LNKPAR.tol = 0.0001f;
    const f32 p[3] = {0, 20, 1}, q[3] = {50, 20, 1}, side[3] = {50, 90, 1};
    i32 n = 0, st = 0;
    TWLLEG(1, p, q, side, n, st);
    ASSERT_EQ(st, 0);
    EXPECT_GT(n, 1000);
    EXPECT_EQ(twlcap(0), 500 + 300 * ((n - 500 + 299) / 300));
    const f32* l = twlbuf(0);
    // A quarter circle about (50, 120) leaving q along +x.
    EXPECT_FLOAT_EQ(l[0], 50);
    EXPECT_FLOAT_EQ(l[1], 20);
    EXPECT_GT(l[3], 50);
    for (i32 k = 0; k < n; ++k) EXPECT_NEAR(std::hypot(l[3 * k] - 50.0, l[3 * k + 1] - 120.0), 100.0, 1e-3) << k;
    EXPECT_NEAR(l[3 * n - 3], 150, 1e-3);
    EXPECT_NEAR(l[3 * n - 2], 120, 1e-3);
    // Mode 2 arrives at q.
    TWLLEG(2, p, q, side, n, st);
    EXPECT_FLOAT_EQ(twlbuf(1)[3 * n - 3], 50);
    EXPECT_FLOAT_EQ(twlbuf(1)[3 * n - 2], 20);
    // A radius under the tolerance: the leg is its end point alone.
    LNKPAR.tol = 0.01f;
    TWLRAD = 0.005;
    TWLLEG(1, p, q, side, n, st);
    EXPECT_EQ(n, 1);
    // Lanes under the floor: a leg exactly the tolerance under the tool's
    // height is kept whole; a little deeper its first step runs under, and
    // the leg is the lane's end alone.
    TWLRAD = 5.0;
    for (f32 z : {-0.01f, -0.0102f}) {
        const f32 pd[3] = {0, 20, z}, qd[3] = {50, 20, z}, sd[3] = {50, 90, z};
        TWLLEG(1, pd, qd, sd, n, st);
        ASSERT_EQ(st, 0);
        if (z == -0.01f) {
            EXPECT_GT(n, 4);
            EXPECT_NEAR(twlbuf(0)[3 * n - 3], 55, 1e-3);
        } else {
            EXPECT_EQ(n, 1);
        }
    }
    // Middle pieces start at a and end at b, rising in between.
    TWLRAD = 4.0;
    const f32 a[3] = {20, 20, 1}, b[3] = {20, 28, 2};
    for (int piece = 0; piece < 4; ++piece) {
        if (piece < 3)
            TWLMID(piece, a, b, n, st);
        else
            TWLMD2(1, a, b, n, st);
        ASSERT_EQ(st, 0) << piece;
        const f32* m = twlbuf(2);
        EXPECT_TRUE(eqpt3(m, a)) << piece;
        EXPECT_TRUE(eqpt3(m + 3 * n - 3, b)) << piece;
        double top = 0;
        for (i32 k = 0; k < n; ++k) top = std::max(top, f64(m[3 * k + 2]));
        EXPECT_NEAR(top, piece == 0 ? 2 + 4 : piece < 3 ? 2 + 4 + 4 : 2 + 12, 1e-3) << piece;
    }
    // The looping piece either way, its higher end first: it stays in the
    // vertical plane of its ends, at most a loop (2R) behind its start and
    // never past its end, and tops out 3R over the higher end.
    const f32 ends[6] = {20, 28, 2, 20, 20, 1};
    for (i32 md : {1, 2}) {
        const f32 *ea = ends, *eb = ends + 3;
        TWLMD2(md, ea, eb, n, st);
        ASSERT_EQ(st, 0) << md;
        const f32* m = twlbuf(2);
        EXPECT_TRUE(eqpt3(m, ea)) << md;
        EXPECT_TRUE(eqpt3(m + 3 * n - 3, eb)) << md;
        const f32* s0 = md == 2 ? eb : ea;
        const f64 dy = md == 2 ? 1.0 : -1.0;  // along from s0 towards the other end
        double top = 0;
        for (i32 k = 0; k < n; ++k) {
            EXPECT_NEAR(m[3 * k], 20, 1e-4) << md << " " << k;
            const double x = (m[3 * k + 1] - s0[1]) * dy;
            EXPECT_GE(x, -8 - 1e-3) << md << " " << k;
            EXPECT_LE(x, 8 + 1e-3) << md << " " << k;
            top = std::max(top, f64(m[3 * k + 2]));
        }
        EXPECT_NEAR(top, 2 + 12, 1e-3) << md;
    }
    // Legs far apart are joined directly: two strings, no middle piece.
    lp::clearlist();
    RSTMOV();
    const f32 up[3] = {0, 0, 1};
    MOVLIN(2, q, up, st);
    lp::clearlist();
    TWLRAD = 5.0;
    const f32 far2[3] = {50, 60, 1}, far3[3] = {10, 60, 1};
    i32 flag = 0;
    TWLPTS(p, q, far3, far2, 2, 2, flag, st);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(markers(15), 2);
}

TEST(Twirl, TheLinkDrawsNothingAndClosesTheWorkArea)
{
    const f32 at[3] = {50, 20, 1};
    setup(plane(), at);
    TWLLKV = 2.5;
    for (i32 mode : {1, 2}) {
        f64 value = -1;
        i32 st = 7;
        TWLDST(1);
        TWLLNK(mode, value, st);
        EXPECT_EQ(value, mode == 1 ? 2.5 : 0.0);
        EXPECT_EQ(st, 7);
        EXPECT_EQ(TWLDON(), 1);
    }
    EXPECT_TRUE(norak::main_list().elems.empty());
    nbcrv c{3, 4, 4, 0, 0};
    i32 st = 0;
    dam_nrc(1, 0, c, st);
    EXPECT_EQ(st, -1);
}

TEST(HostCurves, TwirlCurveItsApproximationAndItsSamples)
{
    norak::reset();
    dam_ini();
    // Between opposed lanes two radii apart: close to the half circle.
    const f64 s[3] = {0, 0, 0}, t1[3] = {2, 0, 0}, e[3] = {0, 10, 0}, t2[3] = {-1, 0, 0};
    nbcrv c{3, 4, 10, 0, 0}, a{3, 4, 10, 0, 0}, small{3, 4, 4, 0, 0};
    i32 st = 0;
    dam_nrc(1, 0, c, st);
    get_twirl_spline(1, s, t1, e, t2, 5.0, c, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(c.count, 4);
    const f64* P = dam_ptr(c.points);
    EXPECT_DOUBLE_EQ(P[3], 20.0 / 3);
    EXPECT_DOUBLE_EQ(P[6], 20.0 / 3);
    EXPECT_DOUBLE_EQ(P[7], 10.0);
    // The approximation of a cubic is the cubic; it needs room for it.
    dam_nrc(1, 0, a, st);
    nb_c0approx(c, 0.01, a, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(a.count, 4);
    EXPECT_DOUBLE_EQ(dam_ptr(a.points)[7], 10.0);
    // The samples: ends included, every chord within the tolerance of the
    // curve, and more than the cap refused.
    std::vector<f64> pts(3 * 400);
    i32 n = 0;
    for (f64 tol : {0.1, 0.001}) {
        nb_appbypol2(c, tol, 400, n, pts.data(), st);
        ASSERT_EQ(st, 0) << tol;
        EXPECT_DOUBLE_EQ(pts[0], 0.0);
        EXPECT_NEAR(pts[3 * n - 2], 10.0, 1e-12);
        for (int i = 0; i <= 2000; ++i) {
            const double u = i / 2000.0, b0 = (1 - u) * (1 - u) * (1 - u), b1 = 3 * u * (1 - u) * (1 - u),
                         b2 = 3 * u * u * (1 - u), b3 = u * u * u;
            const double x = b1 * P[3] + b2 * P[6] + b3 * P[9] + b0 * P[0];
            const double y = b1 * P[4] + b2 * P[7] + b3 * P[10] + b0 * P[1];
            double best = 1e9;
            for (i32 k = 0; k + 1 < n; ++k) {
                const double dx = pts[3 * k + 3] - pts[3 * k], dy = pts[3 * k + 4] - pts[3 * k + 1];
                double t = ((x - pts[3 * k]) * dx + (y - pts[3 * k + 1]) * dy) / (dx * dx + dy * dy);
                t = std::clamp(t, 0.0, 1.0);
                best = std::min(best, std::hypot(x - pts[3 * k] - t * dx, y - pts[3 * k + 1] - t * dy));
            }
            EXPECT_LE(best, tol * 1.05) << tol << " at " << u;
        }
    }
    const i32 few = n - 1;
    nb_appbypol2(c, 0.001, few, n, pts.data(), st);
    EXPECT_EQ(st, -1);
    // Refusals: another mode, no radius, a record without room.
    dam_nrc(1, 0, small, st);
    get_twirl_spline(2, s, t1, e, t2, 5.0, small, st);
    EXPECT_EQ(st, -1);
    get_twirl_spline(1, s, t1, e, t2, 0.0, small, st);
    EXPECT_EQ(st, -1);
    small.count = 3;
    nb_c0approx(c, 0.01, small, st);
    EXPECT_EQ(st, -1);
    // The height-bound check: the curve at z 0 passes under a bound at 0 or
    // above (the higher of the two planes), and is rejected under one below.
    for (const f32 planes : {-1.0f, 0.0f, 10.0f}) {
        HEI8[HEI8_CLEARANCE] = r2wrd(planes);
        HEI8[HEI8_PLANE2] = r2wrd(planes - 5.0f);
        i32 reject = -1;
        TWLCHK(1, c, reject, st);
        EXPECT_EQ(st, 0) << planes;
        EXPECT_EQ(reject, planes < 0.0f ? 1 : 0) << planes;
    }
    dam_end();
    // Points compared on their first coordinates only.
    const f64 p[3] = {1, 2, 3}, q[3] = {1, 2 + 1e-7, 9};
    EXPECT_EQ(eqptd(2, p, q), 1);
    EXPECT_EQ(eqptd(3, p, q), 0);
}

}  // namespace
