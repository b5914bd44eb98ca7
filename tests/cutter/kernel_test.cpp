// The cutter-on-triangle contact kernel against the reference drop and a
// bisection of the tool's overlap along the move.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "common/dropref.h"
#include "common/tooldefs.h"
#include "cutter/congeo.h"
#include "cutter/frames.h"
#include "cutter/kernel.h"

namespace {

struct Cyl {
    const char* name;
    double R, r;
    dropref::Tool ref;
};
const Cyl CYLS[] = {{"flat", 3.0, 0.0, {2, 3.0, 0.0}}, {"ball", 3.0, 3.0, {1, 3.0, 3.0}}, {"corner", 3.0, 1.0, {3, 3.0, 1.0}}};

void random_triangle(std::mt19937& g, double v[3][3], double spread)
{
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    double c[3] = {u(g) * 4, u(g) * 4, u(g) * 2};
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) v[a][b] = c[b] + u(g) * spread;
}

// Does the tool with its tip at T overlap the triangle?
double lift(const dropref::Tool& t, const double* T, const double v[3][3])
{
    double h = dropref::drop(t, T, v);
    return h == dropref::NONE ? -1e300 : h - T[2];
}

TEST(Kernel, DownwardMoveIsTheDrop)
{
    std::mt19937 g(17);
    for (const Cyl& c : CYLS) {
        int contacts = 0;
        for (int i = 0; i < 10000; ++i) {
            double v[3][3];
            random_triangle(g, v, 3.0);
            const double P[3] = {0.0, 0.0, 20.0}, dir[3] = {0.0, 0.0, -1.0};
            double travel = 0, con[3], pos[3];
            int st = 0;
            TRICNB(&v[0][0], P, c.R, c.r, dir, travel, con, pos, st);
            double ref = dropref::drop(c.ref, P, v);
            if (st == 3) continue;
            if (ref == dropref::NONE) {
                EXPECT_EQ(st, 1) << c.name << " " << i;
                continue;
            }
            ASSERT_EQ(st, 0) << c.name << " triangle " << i << " ref " << ref;
            ASSERT_NEAR(P[2] - travel, ref, 1e-9 * (1 + std::fabs(ref))) << c.name << " triangle " << i;
            ASSERT_NEAR(pos[2], ref, 1e-9 * (1 + std::fabs(ref)));
            ++contacts;
        }
        EXPECT_GT(contacts, 3000) << c.name;
    }
}

struct Variant {
    const char* name;
    dropref::Tool ref;
    // Runs the kernel: tapered (D, rc, a, h, off) or cylindrical (R, r).
    bool tapered;
    double D, rc, a, h, off;
    void run(const double* v, const double* P, const double* d, double& travel, double* con, double* pos, int& st) const
    {
        if (tapered)
            TRICNA(v, P, D, rc, a, h, off, d, travel, con, pos, st);
        else
            TRICNB(v, P, ref.R, ref.r, d, travel, con, pos, st);
    }
};

std::vector<Variant> variants()
{
    const double a = 10.0 * 3.141592653589793 / 180.0;
    std::vector<Variant> out;
    for (const Cyl& c : CYLS) out.push_back({c.name, c.ref, false, 0, 0, 0, 0, 0});
    dropref::Tool taper{4, 2.0, 0.5, a, 3.0};
    out.push_back({"taper", taper, true, 4.0, 0.5, a, 3.0, 0.0});
    out.push_back({"taper+0.3", taper.grown(0.3), true, 4.0, 0.5, a, 3.0, 0.3});
    out.push_back({"taper flat", dropref::Tool{4, 2.0, 0.0, a, 3.0}, true, 4.0, 0.0, a, 3.0, 0.0});
    out.push_back({"no cone+0.2", dropref::Tool{3, 2.2, 0.7}, true, 4.0, 0.5, 0.00005, 3.0, 0.2});
    out.push_back({"no cone ball", dropref::Tool{1, 2.0, 2.0}, true, 4.0, 2.0, 0.00005, 3.0, 0.0});
    return out;
}

// Runs the kernel for the tool from P along d against the triangle and checks
// its travel against the reference: the start of the overlap along the line,
// found by sampling and bisection. False when the line meets nothing or
// overlaps over the whole range (nothing measured).
bool travel_matches(const Variant& c, const double v[3][3], const double* P, const double* d, const char* what, int i)
{
    double travel = 0, con[3], pos[3];
    int st = 0;
    c.run(&v[0][0], P, d, travel, con, pos, st);
    auto at = [&](double s) {
        double T[3] = {P[0] + s * d[0], P[1] + s * d[1], P[2] + s * d[2]};
        return lift(c.ref, T, v);
    };
    double best = -1e300, sb = 0;
    for (int k = -400; k <= 400; ++k) {
        double s = k * 0.1, o = at(s);
        if (o > best) best = o, sb = s;
    }
    // The overlap along the line is unimodal: refine its peak.
    if (best > -1e299) {
        double x0 = sb - 0.1, x1 = sb + 0.1;
        for (int it = 0; it < 60; ++it) {
            double c1 = x1 - 0.618034 * (x1 - x0), c2 = x0 + 0.618034 * (x1 - x0);
            if (at(c1) < at(c2)) x0 = c1;
            else x1 = c2;
        }
        if (at(0.5 * (x0 + x1)) > best) sb = 0.5 * (x0 + x1), best = at(sb);
    }
    if (best <= 1e-6) {
        // No overlap anywhere along the line (or a graze).
        if (best < -1e-6 && !(st == 0 && std::fabs(travel) > 35.0)) {
            EXPECT_NE(st, 0) << c.name << " " << what << " " << i << " travel " << travel << " best " << best;
        }
        return false;
    }
    EXPECT_EQ(st, 0) << c.name << " " << what << " " << i;
    if (st != 0) return false;
    double lo = sb, hi = sb;
    for (int k = 0; k < 4000 && at(lo) > 0; ++k) lo -= 0.05;
    if (at(lo) > 0) return false;  // overlaps over the whole range
    for (int it = 0; it < 200; ++it) {
        double mid = 0.5 * (lo + hi);
        (at(mid) > 0 ? hi : lo) = mid;
    }
    EXPECT_NEAR(travel, hi, 1e-7) << c.name << " " << what << " " << i;
    return true;
}

TEST(Kernel, TravelAlongRandomDirections)
{
    std::mt19937 g(23);
    std::normal_distribution<double> nd(0.0, 1.0);
    for (const Variant& c : variants()) {
        int checked = 0;
        for (int i = 0; i < 1000; ++i) {
            double v[3][3];
            random_triangle(g, v, 3.0);
            double d[3] = {nd(g), nd(g), nd(g)};
            double l = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
            for (double& x : d) x /= l;
            if (d[2] > 0.999) continue;
            const double P[3] = {nd(g), nd(g), nd(g)};
            if (travel_matches(c, v, P, d, "triangle", i)) ++checked;
        }
        EXPECT_GT(checked, 150) << c.name;
    }
}

// Moves whose XY runs along a horizontal edge of the triangle (a tool moving
// along X over a mesh with edges along X): the sweep plane of that edge is
// vertical, a case random directions never meet. Climbing, level and
// descending moves, the edge ahead of the tool, beside it and behind it.
// Every fourth move crosses the edge at a slant instead, whose sweep plane
// is inclined (the corner spheres' sections and the bottom's edge).
TEST(Kernel, TravelAlongAHorizontalEdge)
{
    std::mt19937 g(29);
    std::normal_distribution<double> nd(0.0, 1.0);
    std::uniform_real_distribution<double> u(-0.8, 0.8);
    for (const Variant& c : variants()) {
        int checked = 0;
        for (int i = 0; i < 600; ++i) {
            double v[3][3];
            random_triangle(g, v, 3.0);
            v[1][2] = v[0][2];  // edge 0-1 horizontal
            const double ex = v[1][0] - v[0][0], ey = v[1][1] - v[0][1], el = std::hypot(ex, ey);
            if (el < 0.1) continue;
            const double sz = i % 3 == 0 ? 0.0 : u(g), sh = std::sqrt(1.0 - sz * sz), sgn = i % 2 ? 1.0 : -1.0;
            const double turn = i % 4 == 3 ? u(g) * 1.5 : 0.0, ct = std::cos(turn), st = std::sin(turn);
            const double d[3] = {sgn * sh * (ct * ex - st * ey) / el, sgn * sh * (st * ex + ct * ey) / el, sz};
            const double P[3] = {nd(g), nd(g), nd(g)};
            if (travel_matches(c, v, P, d, "edge-parallel", i)) ++checked;
        }
        EXPECT_GT(checked, 100) << c.name;
    }
}

// Faces exactly upright (every vertex at one x or one y), met from either
// side along level and inclined moves: the face's own contact, which a ball
// meets at its equator inside the face, away from every edge.
TEST(Kernel, TravelAgainstAnUprightFace)
{
    std::mt19937 g(31);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (const Variant& c : variants()) {
        int checked = 0;
        for (int i = 0; i < 200; ++i) {
            const double side = i % 2 ? 4.0 : -4.0, rise = i % 4 < 2 ? 0.0 : 0.3 * u(g);
            double v[3][3];
            for (auto& p : v) p[0] = side, p[1] = 6.0 * u(g), p[2] = 4.0 * u(g);
            if (i % 8 >= 4)
                for (auto& p : v) std::swap(p[0], p[1]);
            const double P[3] = {u(g), u(g), u(g) - 2.0};
            const double a = i % 8 >= 4 ? 1.0 : 0.0, sgn = side > 0 ? 1.0 : -1.0, h = std::sqrt(1.0 - rise * rise);
            const double d[3] = {sgn * h * (1.0 - a), sgn * h * a, rise};
            if (travel_matches(c, v, P, d, "upright", i)) ++checked;
        }
        EXPECT_GT(checked, 50) << c.name;
    }
}

TEST(Kernel, EdgeCases)
{
    const double flat[9] = {-5, -5, 1, 5, -5, 1, 0, 5, 1};
    double travel = 0, con[3], pos[3];
    int st = 0;
    const double P[3] = {0, 0, 4}, down[3] = {0, 0, -1};
    TRICNB(flat, P, 2.0, 0.0, down, travel, con, pos, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(travel, 3.0, 1e-12);
    const double below[3] = {0, 0, -2};
    TRICNB(flat, below, 2.0, 0.0, down, travel, con, pos, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(travel, -3.0, 1e-12);
    EXPECT_NEAR(pos[2], 1.0, 1e-12);
    const double line[9] = {0, 0, 0, 1, 1, 1, 2, 2, 2};
    TRICNB(line, P, 2.0, 0.0, down, travel, con, pos, st);
    EXPECT_EQ(st, 3);
    const double up[3] = {0, 0, 1};
    TRICNB(flat, P, 2.0, 0.0, up, travel, con, pos, st);
    EXPECT_EQ(st, 1);
    const double down5[3] = {0, 0, -5};
    TRICNB(flat, P, 2.0, 0.5, down5, travel, con, pos, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(travel, 3.0, 1e-12);
    // A climb whose horizontal part is below 1e-8 is straight up in both
    // variants (flat, torus and cone): it meets nothing, and never the
    // triangle under the tool.
    for (const double across : {0.0, 5e-11, 2e-9, 6e-9}) {
        const double climb[3] = {across, -0.5 * across, 1.0};
        TRICNB(flat, P, 2.0, 0.0, climb, travel, con, pos, st);
        EXPECT_EQ(st, 1) << across;
        TRICNA(flat, P, 4.0, 0.5, 0.0, 3.0, 0.2, climb, travel, con, pos, st);
        EXPECT_EQ(st, 1) << across;
        TRICNA(flat, P, 4.0, 0.5, 0.2, 3.0, 0.0, climb, travel, con, pos, st);
        EXPECT_EQ(st, 1) << across;
    }
    // The root search.
    int calls = 0;
    EXPECT_EQ(SRCH1D(0.0, 1.0, [&](double t) { ++calls; return t; }), 0.0);
    EXPECT_EQ(calls, 1);
    EXPECT_NEAR(SRCH1D(0.0, 3.0, [](double t) { return t * t - 2.0; }), std::sqrt(2.0), 1e-10);
}

// A level edge met by the bottom's chord where the chord reaches back past
// the edge's end vertex B: the contact is at B, and the tool moves along the
// move's line onto it. The third corner stands 5e-11 above the edge: enough
// for the vertex test (slack 1e-11) to refuse B, within the edge test's
// (1e-10), so the edge itself is taken. Straight drops and moves along the
// edge, flat and torus ends.
TEST(Kernel, ALevelEdgeTakenPastItsEndIsMetOnTheMoveLine)
{
    struct Case {
        double r, bx, d[3];
    };
    // B beside the line of the bottom's centre, so that no face contact holds.
    const Case cases[] = {{0.0, 0.2, {0, 0, -1}},     {0.0, 0.9, {0, 0, -1}},     {0.5, 0.2, {0, 0, -1}},
                          {0.5, 0.45, {0, 0, -1}},    {0.5, 1.0, {0.6, 0, -0.8}}, {0.0, 1.0, {0.6, 0, -0.8}}};
    for (const Case& c : cases) {
        const double tri[9] = {3, 0, -1, c.bx, 0, -1, 3, -3, -1 + 5e-11};
        const double P[3] = {0, 0, 0};
        double travel = 0, con[3], pos[3];
        int st = 0;
        TRICNB(tri, P, 1.0, c.r, c.d, travel, con, pos, st);
        ASSERT_EQ(st, 0) << c.r << " " << c.bx << " " << c.d[0];
        EXPECT_NEAR(con[0], c.bx, 1e-12);
        // The shift from P is along the move.
        const double w[3] = {pos[0] - P[0], pos[1] - P[1], pos[2] - P[2]};
        const double x[3] = {w[1] * c.d[2] - w[2] * c.d[1], w[2] * c.d[0] - w[0] * c.d[2], w[0] * c.d[1] - w[1] * c.d[0]};
        EXPECT_NEAR(std::hypot(x[0], x[1], x[2]), 0.0, 1e-12) << c.r << " " << c.bx << " " << c.d[0];
        EXPECT_NEAR(pos[2], -1.0, 1e-12);
    }
}

// The span check leaves out a triangle lying, in XY, farther than the
// tool's radius (with its allowance) plus 0.01 from the whole track of the
// move: the contact kernel never reports such a triangle met within the
// span, so leaving it out changes no answer. Random moves as the span check
// makes them (from the higher end, the direction's z within [-0.999,
// -0.001]) and random triangles just beyond that distance.
TEST(Kernel, TrianglesAwayFromTheTrackAreNeverMet)
{
    std::mt19937 g(11);
    std::uniform_real_distribution<f64> u(-1.0, 1.0);
    const f64 R = 3.0, r = 1.0, e = 0.2;
    i32 checked = 0;
    for (i32 n = 0; n < 4000; ++n) {
        // The move from P (the higher end) along dv for `span`.
        f64 P[3] = {10 * u(g), 10 * u(g), 5 + 5 * u(g)};
        f64 dv[3] = {u(g), u(g), -std::fabs(u(g))};
        f64 l = std::sqrt(dv[0] * dv[0] + dv[1] * dv[1] + dv[2] * dv[2]);
        for (f64& c : dv) c /= l;
        if (dv[2] > -0.001) dv[2] = -0.001;
        if (dv[2] < -0.999) dv[2] = -0.999;
        const f64 hz = std::sqrt(1.0 - dv[2] * dv[2]), hl = std::hypot(dv[0], dv[1]);
        if (hl > 0.0) dv[0] *= hz / hl, dv[1] *= hz / hl;
        const f64 span = 1.0 + 20.0 * std::fabs(u(g));
        // XY track: from P along (ux, uy) for hz * span.
        const f64 ux = hl > 0 ? dv[0] / hz : 1.0, uy = hl > 0 ? dv[1] / hz : 0.0, len = hz * span;
        // A triangle beyond R + e + 0.01 of the track: on one side of it, or
        // before its start, or past its end.
        const f64 far = R + e + 0.01 + 0.5 * std::fabs(u(g));
        f64 tri[9];
        const i32 where = n % 3;
        for (i32 j = 0; j < 3; ++j) {
            f64 s, t;
            if (where == 0) s = len * (0.5 + 0.7 * u(g)), t = far + 3 * std::fabs(u(g));
            else if (where == 1) s = -far - 3 * std::fabs(u(g)), t = 3 * u(g);
            else s = len + far + 3 * std::fabs(u(g)), t = 3 * u(g);
            tri[3 * j] = P[0] + s * ux - t * uy;
            tri[3 * j + 1] = P[1] + s * uy + t * ux;
            tri[3 * j + 2] = P[2] + 10 * u(g);
        }
        f64 travel = 0, con[3], pos[3];
        i32 ks = 0;
        const f64 Rr = R + e, rr = r + e;
        TRICNB(tri, P, Rr, rr, dv, travel, con, pos, ks);
        ++checked;
        const bool met = ks == 0 && travel >= 0.0 && travel <= span;
        ASSERT_FALSE(met) << n << " travel " << travel << " of " << span;
    }
    EXPECT_EQ(checked, 4000);
}

// The floor of the tool swept along a move clears only triangles the kernel
// finds no contact on at all, for each end shape (a corner within the
// kernel's rounding of flat or of a ball too, an allowance on both radii)
// and triangles strewn about the tool's track from well under it to above.
TEST(Kernel, TrianglesTheSweptFloorClearsAreNeverMet)
{
    struct Shape {
        f64 R, r;
    };
    const Shape shapes[] = {{3.0, 0.0}, {3.0, 3.0}, {3.0, 1.0}, {3.2, 1.2}, {3.0, 2.99998}, {3.0, 1e-7}, {0.5, 0.5}};
    std::mt19937 g(29);
    std::uniform_real_distribution<f64> u(-1.0, 1.0);
    for (const Shape& sh : shapes) {
        i32 cleared = 0, met = 0;
        for (i32 n = 0; n < 3000; ++n) {
            f64 P[3] = {10 * u(g), 10 * u(g), 5 * u(g)};
            f64 dv[3] = {u(g), u(g), -std::fabs(u(g))};
            if (n % 7 == 0) dv[2] = -0.001;  // the flattest move the span check makes
            f64 l = std::sqrt(dv[0] * dv[0] + dv[1] * dv[1] + dv[2] * dv[2]);
            for (f64& c : dv) c /= l;
            const SweepFloor fl = TRICNB_floor(P, sh.R, sh.r, dv);
            if (!fl.on) continue;
            const f64 hl = std::hypot(dv[0], dv[1]), ux = dv[0] / hl, uy = dv[1] / hl, fall = -dv[2] / hl;
            f64 tri[9];
            const f64 s0 = 8 * u(g), t0 = (sh.R + 1) * u(g), spread = n % 2 ? 0.3 : 3.0;
            for (i32 j = 0; j < 3; ++j) {
                const f64 s = s0 + spread * u(g), t = t0 + spread * u(g);
                tri[3 * j] = P[0] + s * ux - t * uy;
                tri[3 * j + 1] = P[1] + s * uy + t * ux;
                tri[3 * j + 2] = P[2] - fall * s + 1.5 * sh.R * u(g);
            }
            f64 travel = 0, con[3], pos[3];
            i32 ks = 0;
            TRICNB(tri, P, sh.R, sh.r, dv, travel, con, pos, ks);
            if (ks == 0) ++met;
            if (!fl.clears(tri)) continue;
            ++cleared;
            ASSERT_NE(ks, 0) << "R " << sh.R << " r " << sh.r << " case " << n << " travel " << travel;
        }
        EXPECT_GT(cleared, 300) << sh.R << " " << sh.r;
        EXPECT_GT(met, 300) << sh.R << " " << sh.r;
    }
    // A corner that is not a number, far under the track: left to the kernel.
    const f64 P[3] = {0, 0, 0}, dv[3] = {0.6, 0, -0.8};
    const f64 tri[9] = {0, 0, -50, 1, 0, -50, 0, std::nan(""), -50};
    EXPECT_FALSE(TRICNB_floor(P, 3.0, 1.0, dv).clears(tri));
}

// Over a bounded travel the floor also clears triangles below the far end's
// tip, beyond either end's rim, or with the whole sweep above their plane:
// the kernel must never meet one of them within that travel. Triangles are
// scattered around the move and its ends, many of them close under the
// cutter at the far end, where the bounds are tightest.
class SpanFloor : public ::testing::TestWithParam<std::pair<f64, f64>> {};

TEST_P(SpanFloor, ClearsOnlyWhatTheKernelMeetsOutsideTheTravel)
{
    const f64 R = GetParam().first, r = GetParam().second;
    std::mt19937 g(static_cast<unsigned>(R * 1000 + r * 100));
    std::uniform_real_distribution<f64> u(-1.0, 1.0);
    i32 cleared = 0, within = 0, beyond = 0;
    for (i32 n = 0; n < 6000; ++n) {
        const f64 P[3] = {10 * u(g), 10 * u(g), 5 * u(g)};
        f64 dv[3] = {u(g), u(g), -std::fabs(u(g))};
        if (n % 7 == 0) dv[2] = -0.001;  // the flattest move the span check makes
        const f64 l = std::sqrt(dv[0] * dv[0] + dv[1] * dv[1] + dv[2] * dv[2]);
        for (f64& c : dv) c /= l;
        const f64 span = 0.2 + 6 * std::fabs(u(g));
        const SweepFloor fl = TRICNB_floor(P, R, r, dv, span);
        if (!fl.on) continue;
        const f64 hl = std::hypot(dv[0], dv[1]), ux = dv[0] / hl, uy = dv[1] / hl;
        // Around a point of the line a little before, along or after the
        // travel, beside it and below it; every fourth one near the far end,
        // and every fifth a steep one about the rim ahead of the far end or
        // behind the start.
        const i32 kind = n % 5 == 0 ? 2 : (n % 4 == 0 ? 1 : 0);
        f64 t = kind == 1 ? span + 0.2 * R * u(g) : span * (0.5 + 0.9 * u(g));
        f64 run = 0, drop = kind == 1 ? 0.05 * R * std::fabs(u(g)) : R * std::fabs(u(g));
        if (kind == 2) {
            t = n % 2 ? span : 0.0;
            run = (n % 2 ? 1 : -1) * R * (1.0 + 0.1 * u(g));
            drop = R * u(g);
        }
        const f64 side = (R + 0.5) * u(g);
        const f64 c[3] = {P[0] + t * dv[0] + run * ux - side * uy, P[1] + t * dv[1] + run * uy + side * ux,
                          P[2] + t * dv[2] - drop};
        const f64 spread = n % 3 == 0 ? 0.2 : (n % 3 == 1 ? 1.5 : 4.0), tilt = kind == 2 ? 20 * u(g) : u(g);
        f64 tri[9];
        for (i32 j = 0; j < 3; ++j) {
            const f64 a = spread * u(g), b = spread * u(g);
            tri[3 * j] = c[0] + a;
            tri[3 * j + 1] = c[1] + b;
            tri[3 * j + 2] = c[2] + tilt * (a * ux + b * uy) + 0.1 * spread * u(g);
        }
        f64 travel = 0, con[3], pos[3];
        i32 ks = 0;
        TRICNB(tri, P, R, r, dv, travel, con, pos, ks);
        const bool in = ks == 0 && travel >= 0.0 && travel <= span;
        within += in;
        if (!fl.clears(tri)) continue;
        ++cleared;
        beyond += ks == 0;
        ASSERT_FALSE(in) << "R " << R << " r " << r << " case " << n << " travel " << travel << " of " << span;
    }
    // Not vacuous: many cleared, many met within the travel, and cleared
    // ones the kernel does meet, past the travel.
    EXPECT_GT(cleared, 1000);
    EXPECT_GT(within, 500);
    EXPECT_GT(beyond, 100);
}

INSTANTIATE_TEST_SUITE_P(Cutters, SpanFloor,
                         ::testing::Values(std::make_pair(3.0, 0.0), std::make_pair(3.0, 3.0), std::make_pair(3.0, 1.0),
                                           std::make_pair(3.2, 1.2), std::make_pair(3.0, 2.99998),
                                           std::make_pair(0.5, 0.5)));

}  // namespace

namespace {

// The contact geometry the drops share: the surface normal seen from the
// tool on each part of it, the frame along a direction, and the height at
// which a cone's flank touches a level edge.
TEST(ContactGeometry, NormalsFramesAndTheFlankOnAnEdge)
{
    f32 n[3];
    i32 st = -1;
    auto near = [&](f32 x, f32 y, f32 z, i32 status) {
        EXPECT_NEAR(n[0], x, 1e-6);
        EXPECT_NEAR(n[1], y, 1e-6);
        EXPECT_NEAR(n[2], z, 1e-6);
        EXPECT_EQ(st, status);
    };
    const f32 tp[3] = {1, 2, 3};
    // Under the axis, and on the flat bottom: straight up, status 2.
    const f32 under[3] = {1, 2, 3}, bottom[3] = {2, 3, 3};
    CNTNRM(10, 0, 0, 0, 30, tp, under, n, st);
    near(0, 0, 1, 2);
    CNTNRM(10, 2, 0, 0, 30, tp, bottom, n, st);
    near(0, 0, 1, 2);
    // A ball: towards its centre, 5 above the tip.
    const f32 ball[3] = {4, 2, 4};
    CNTNRM(10, 5, 0, 0, 30, tp, ball, n, st);
    near(-0.6f, 0, 0.8f, 0);
    // A flat end's rim: from the contact to the tip.
    const f32 rim[3] = {4, 6, 2};
    CNTNRM(10, 0, 0, 0, 30, tp, rim, n, st);
    const f32 s = static_cast<f32>(std::sqrt(26.0));
    near(-3 / s, -4 / s, 1 / s, 0);
    // A tapered flank (30 degrees): towards the axis, tilted up.
    const f32 flank[3] = {1, 7, 5};
    const f32 a = static_cast<f32>(M_PI / 6);
    CNTNRM(4, 0, a, 0, 20, tp, flank, n, st);
    near(0, -std::cos(a), std::sin(a), 0);

    // Frames: along the axis (both ways) and along a slope.
    f32 f[9];
    const f32 o[3] = {0, 0, 0}, up[3] = {0, 0, 2}, down[3] = {0, 0, -2}, slope[3] = {1, 2, 3};
    DIRFRM(o, up, f, st);
    EXPECT_EQ(st, 0);
    for (int k = 0; k < 9; ++k) EXPECT_EQ(f[k], (k == 0 || k == 4 || k == 8) ? 1.0f : 0.0f) << k;
    DIRFRM(o, down, f, st);
    for (int k = 0; k < 9; ++k) EXPECT_EQ(f[k], (k == 0 || k == 4 || k == 8) ? -1.0f : 0.0f) << k;
    DIRFRM(o, slope, f, st);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(f[3 * i] * f[3 * j] + f[3 * i + 1] * f[3 * j + 1] + f[3 * i + 2] * f[3 * j + 2], i == j ? 1 : 0,
                        1e-6);
    EXPECT_NEAR(f[6], 1 / std::sqrt(14.0), 1e-6);
    EXPECT_NEAR(f[2], 0, 1e-6);  // the side axis lies level
    // v = w x u.
    EXPECT_NEAR(f[3], f[7] * f[2] - f[8] * f[1], 1e-6);
    DIRFRM(o, o, f, st);
    EXPECT_LT(st, 0);

    // A cone of 30 degrees, tip radius 1, over the level edge y = 3, z = 1:
    // the flank touches at the edge's point nearest the axis.
    tooldefs::use_mill(2.0f, 0.0f, 20.0f, 30.0f);
    TAPSET(CURTOL);
    const f32 p0[3] = {-5, 3, 1}, p1[3] = {5, 3, 1};
    f32 c[3], z = 0, z2 = 0;
    CONSEG(p0, p1, 1.0f, c, z, z2, st);
    const f64 cot = 1.0 / std::tan(M_PI / 6);
    EXPECT_NEAR(z, 1 - 3 * cot + cot, 1e-5);
    EXPECT_NEAR(c[0], 0, 1e-5);
    EXPECT_NEAR(c[1], 3, 1e-6);
}

}  // namespace
