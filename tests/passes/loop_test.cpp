// The pass loops: scallop, count and side-step modes, chains of surfaces,
// resumed runs, circular passes and the bounds of the pass strings.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <map>
#include <sstream>

#include "cutter/loccom.h"
#include "passes/bsural.h"
#include "tests/passes/loop_common.h"

namespace {

using namespace pt;
using lp::Pt;

// Height of the surface over (x, y) for the test surfaces whose parameters
// follow x and y simply.
using Height = std::function<double(double, double)>;

double evz(double u, double v)
{
    f64 o[12];
    i32 st = 0;
    evsrfd(buf().data(), u, v, 0, o, st);
    return o[2];
}

// Largest scallop left inside a window: a Z-map of the ball swept along the
// written strings, less the surface height.
double scallop(const lp::Path& p, double R, const Height& s, double x0, double x1, double y0, double y1)
{
    const double g = 0.05;
    const int nx = int((x1 - x0) / g) + 1, ny = int((y1 - y0) / g) + 1;
    std::vector<double> z(size_t(nx * ny), 1e300);
    auto stamp = [&](const Pt& c) {
        const int i0 = std::max(0, int(std::floor((c.x - R - x0) / g))), i1 = std::min(nx - 1, int(std::ceil((c.x + R - x0) / g)));
        const int j0 = std::max(0, int(std::floor((c.y - R - y0) / g))), j1 = std::min(ny - 1, int(std::ceil((c.y + R - y0) / g)));
        for (int j = j0; j <= j1; ++j)
            for (int i = i0; i <= i1; ++i) {
                const double dx = x0 + i * g - c.x, dy = y0 + j * g - c.y, r2 = dx * dx + dy * dy;
                if (r2 > R * R) continue;
                double& cell = z[size_t(j * nx + i)];
                cell = std::min(cell, c.z + R - std::sqrt(R * R - r2));
            }
    };
    for (const auto& str : p.strings)
        for (size_t k = 0; k + 1 < str.size(); ++k) {
            const Pt a = str[k], b = str[k + 1];
            const double len = std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y) + (b.z - a.z) * (b.z - a.z));
            const int n = std::max(1, int(len / (g / 2)));
            for (int t = 0; t <= n; ++t) {
                const double w = double(t) / n;
                stamp({a.x + w * (b.x - a.x), a.y + w * (b.y - a.y), a.z + w * (b.z - a.z)});
            }
        }
    double worst = -1e300;
    int wi = 0, wj = 0;
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            const double c = z[size_t(j * nx + i)];
            if (c > 1e299) return 1e300;  // a cell no pass reached
            const double d = c - s(x0 + i * g, y0 + j * g);
            if (d > worst) worst = d, wi = i, wj = j;
        }
    if (getenv("SCALLOP_DEBUG")) printf("worst at %f %f\n", x0 + wi * g, y0 + wj * g);
    return worst;
}

// Largest height of the written strings above the ball's drop over the
// exact surface, sampled along every segment: what the positions and chords
// add to a scallop.
double chord_error(const lp::Path& p, const surfeval::Reference& ref)
{
    const dropref::Tool ball{1, 5.0, 5.0};
    double worst = 0;
    for (const auto& str : p.strings)
        for (size_t k = 0; k + 1 < str.size(); ++k)
            for (double w : {0.0, 0.25, 0.5, 0.75}) {
                const double q[3] = {str[k].x + w * (str[k + 1].x - str[k].x), str[k].y + w * (str[k + 1].y - str[k].y),
                                     str[k].z + w * (str[k + 1].z - str[k].z)};
                const double z = ref.bk.drop_all(ball, q);
                if (z != dropref::NONE) worst = std::max(worst, q[2] - z);
            }
    return worst + ref.sag;
}

// The scallop left between passes is at most 10 % over the requested height
// (the side step's own acceptance) plus what the positions and chords add,
// and at least 20 % under it less that (the passes are not needlessly
// close).
TEST(PassLoop, ScallopModeLeavesTheRequestedHeight)
{
    const f32 h = 0.05f, tol = 0.01f;
    struct Case {
        const char* name;
        std::string surface;
        i32 mode;
        Height height;
        double x0, x1, y0, y1;
    };
    const std::vector<Case> cases = {
        {"plane", tilted_plane(1), 4, [](double x, double y) { return evz(x, y); }, 40, 52, 30, 42},
        {"cylinder", top_cylinder(1), 0,
         [](double x, double y) { return std::sqrt(1600.0 - y * y); }, 40, 52, -8, 4},
        {"cap", dome(1), 4, [](double x, double y) { return evz(x / 100, y / 80); }, 40, 52, 30, 42},
    };
    for (const Case& c : cases) {
        host({c.surface});
        params(1, tol);
        pws(SCLHGT, h);
        pws(CLNMIN, 0.001f);
        CURTOL = BALL;
        chain({1}, {upside(1)}, c.mode);
        i32 st = 0;
        LDSRFB(1, buf().data(), st);
        lp::fresh_run();
        ASSERT_GE(lp::run_surm1(), 0) << c.name;
        const lp::Path p = lp::written();
        const double worst = scallop(p, 5.0, c.height, c.x0, c.x1, c.y0, c.y1);
        const surfeval::Reference ref({surfeval::Surface(chk::described().at(1))}, 0.25);
        const double ce = chord_error(p, ref);
        std::printf("MEASURE scallop %-8s: %zu passes, largest scallop %.4f (asked %.3f, positions and chords add "
                    "%.4f, bound %.4f)\n",
                    c.name, p.strings.size(), worst, h, ce, 1.1 * h + ce);
        EXPECT_LE(worst, 1.1 * h + ce) << c.name;
        EXPECT_GE(worst, 0.8 * h - ce) << c.name;
        EXPECT_LT(ce, tol) << c.name;
    }
}

// The cavity of the example: a plate with a pocket of steep walls, one
// bicubic patch 100 x 80, 40 deep at its control points.
std::string cavity(int id)
{
    std::ostringstream s;
    s << R"({"kind":"nurbs_surface","id":)" << id
      << R"(,"degree":[3,3],"counts":[6,6],"u_knots":[0,0,0,0,0.33,0.67,1,1,1,1],)"
      << R"("v_knots":[0,0,0,0,0.33,0.67,1,1,1,1],"points":[)";
    const double depth[6][6] = {{0, 0, 0, 0, 0, 0},      {0, -6, -6, -6, -6, 0},  {0, -6, -40, -40, -6, 0},
                                {0, -6, -40, -40, -6, 0}, {0, -6, -6, -6, -6, 0}, {0, 0, 0, 0, 0, 0}};
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i) s << (i + j ? "," : "") << "[" << 20 * i << "," << 16 * j << "," << depth[j][i] << "]";
    s << "]}";
    return s.str();
}

// The dome of the example: one bicubic patch 100 x 80, 13.6 to 38.4 high.
std::string example_dome(int id)
{
    const double z[4][4] = {{13.6, 29.666667, 32.4, 21.8},
                            {21.066667, 36.422222, 38.444444, 27.133333},
                            {22.133333, 36.777778, 38.088889, 26.066667},
                            {16.8, 30.733333, 31.333333, 20.2}};
    std::ostringstream s;
    s.precision(9);
    s << R"({"kind":"nurbs_surface","id":)" << id
      << R"(,"degree":[3,3],"counts":[4,4],"u_knots":[0,0,0,0,1,1,1,1],"v_knots":[0,0,0,0,1,1,1,1],"points":[)";
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) s << (i + j ? "," : "") << "[" << 100.0 * i / 3 << "," << 80.0 * j / 3 << "," << z[j][i] << "]";
    s << "]}";
    return s.str();
}

// Largest scallop of a run in scallop mode, measured on a Z-map (cells of
// 0.05) of the ball swept along the written strings: at the surface points
// of the twelve sample places of every step (lines of the along value
// across the whole stepping range, a point every 0.05 or closer), the
// material over the point along the surface normal up to the Z-map's top.
double sampled_scallop(const std::string& surface, f32 h, f32 tol, size_t& passes, double& wx, double& wy, double& ce)
{
    const double R = 5.0;
    host({surface});
    params(1, tol);
    pws(SCLHGT, h);
    pws(CLNMIN, 0.001f);
    CURTOL = BALL;
    const i32 side = upside(1);
    chain({1}, {side}, 4);
    const i32 pcode = PASTAB.PCODE[0];
    const f32 p0 = PASTAB.PSTART[0], p1 = PASTAB.PEND[0], a0 = PASTAB.ASTART[0], a1 = PASTAB.AEND[0];
    i32 st = 0;
    LDSRFB(1, buf().data(), st);
    lp::fresh_run();
    if (lp::run_surm1() < 0) return 1e300;
    const lp::Path path = lp::written();
    passes = path.strings.size();
    ce = chord_error(path, surfeval::Reference({surfeval::Surface(chk::described().at(1))}, 0.25));
    // The written strings as points 0.1 apart, bucketed by unit cells.
    std::map<std::pair<int, int>, std::vector<Pt>> pts;
    for (const auto& str : path.strings)
        for (size_t k = 0; k + 1 < str.size(); ++k) {
            const Pt a = str[k], b = str[k + 1];
            const double len = std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y) + (b.z - a.z) * (b.z - a.z));
            const int n = std::max(1, int(len / 0.1));
            for (int t = 0; t <= n; ++t) {
                const double w = double(t) / n;
                const Pt c{a.x + w * (b.x - a.x), a.y + w * (b.y - a.y), a.z + w * (b.z - a.z)};
                pts[{int(std::floor(c.x)), int(std::floor(c.y))}].push_back(c);
            }
        }
    // The Z-map: the lowest ball over each cell's centre, cells computed
    // when first read.
    const double g = 0.05;
    std::map<std::pair<int, int>, double> zcell;
    auto cell = [&](int i, int j) {
        auto it = zcell.find({i, j});
        if (it != zcell.end()) return it->second;
        const double x = (i + 0.5) * g, y = (j + 0.5) * g;
        double z = 1e300;
        for (int bj = int(std::floor(y - R)); bj <= int(std::floor(y + R)); ++bj)
            for (int bi = int(std::floor(x - R)); bi <= int(std::floor(x + R)); ++bi) {
                auto b = pts.find({bi, bj});
                if (b == pts.end()) continue;
                for (const Pt& c : b->second) {
                    const double r2 = (x - c.x) * (x - c.x) + (y - c.y) * (y - c.y);
                    if (r2 <= R * R) z = std::min(z, c.z + R - std::sqrt(R * R - r2));
                }
            }
        zcell[{i, j}] = z;
        return z;
    };
    // The Z-map's top at (x, y), bilinear between cell centres.
    auto zmap = [&](double x, double y) {
        const double fx = x / g - 0.5, fy = y / g - 0.5;
        const int i = int(std::floor(fx)), j = int(std::floor(fy));
        const double tx = fx - i, ty = fy - j;
        return (1 - ty) * ((1 - tx) * cell(i, j) + tx * cell(i + 1, j)) + ty * ((1 - tx) * cell(i, j + 1) + tx * cell(i + 1, j + 1));
    };
    // The twelve sample places; TAVREK_SCALLOP_LINES asks for more lines
    // spread alike (the measurement anywhere).
    const char* env = std::getenv("TAVREK_SCALLOP_LINES");
    const int lines = env && std::atoi(env) > 12 ? std::atoi(env) : 12;
    double worst = -1e300;
    for (int k = 0; k < lines; ++k) {
        const f32 a = k == lines - 1 ? a1 : a0 + static_cast<f32>(k) * (a1 - a0) / static_cast<f32>(lines - 1);
        const int n = 2000;
        for (int m = 0; m <= n; ++m) {
            const f32 p = p0 + (p1 - p0) * static_cast<f32>(m) / n;
            f32 ev[9], nrm[3];
            evsrfn(buf().data(), pcode == 1 ? p : a, pcode == 1 ? a : p, 2, ev, nrm, st);
            if (st < 0) return 1e300;
            double nv[3] = {nrm[0] * side, nrm[1] * side, nrm[2] * side};
            if (nv[2] < 0)
                for (double& c : nv) c = -c;
            // Along the normal to the Z-map's top: steps of 0.005, then halving.
            auto above = [&](double t) { return ev[2] + t * nv[2] >= zmap(ev[0] + t * nv[0], ev[1] + t * nv[1]); };
            if (zmap(ev[0], ev[1]) > 1e299) return 1e300;  // a point no pass reached
            double lo = 0.0, hi = 0.005;
            while (!above(hi) && hi < 2.0) lo = hi, hi += 0.005;
            for (int it = 0; it < 30; ++it) {
                const double mid = 0.5 * (lo + hi);
                (above(mid) ? hi : lo) = mid;
            }
            if (hi > worst) worst = hi, wx = ev[0], wy = ev[1];
        }
    }
    return worst;
}

// The cavity's concave flanks leave at most 1.1 x the request plus what the
// positions and chords add; so does the dome of the example.
TEST(PassLoop, ScallopOnTheConcaveFlanksOfTheCavity)
{
    const f32 h = 0.1f;
    struct Case {
        const char* name;
        std::string surface;
        f32 tol;
    } cases[] = {{"cavity", cavity(1), 0.01f}, {"dome", example_dome(1), 0.02f}};
    for (const Case& c : cases) {
        size_t passes = 0;
        double wx = 0, wy = 0, ce = 0;
        const double worst = sampled_scallop(c.surface, h, c.tol, passes, wx, wy, ce);
        std::printf("MEASURE scallop %-8s: %zu passes, largest scallop %.4f at %.2f %.2f (asked %.3f, positions and "
                    "chords add %.4f, bound %.4f)\n",
                    c.name, passes, worst, wx, wy, h, ce, 1.1 * h + ce);
        EXPECT_LE(worst, 1.1 * h + ce) << c.name;
    }
}

TEST(PassLoop, CountModeGivesEquallySpacedPassesAndSideStepKeepsTheGap)
{
    host({tilted_plane(1), dome(2)});
    params(1, 0.01f);
    pw(STPMOD) = 2;
    pw(NPSREQ) = 7;
    CURTOL = BALL;
    chain({1}, {1}, 4);
    lp::fresh_run();
    ASSERT_GE(lp::run_surm1(), 0);
    lp::Path p = lp::written();
    ASSERT_EQ(p.strings.size(), 7u);
    for (size_t k = 1; k < 7; ++k) EXPECT_NEAR(p.strings[k][0].x - p.strings[k - 1][0].x, 100.0 / 6, 1e-3) << k;

    // The same passes over executions of at most three passes each: a
    // resumed run writes what one execution writes, one way and zigzag (whose
    // side-step links along the surface read as strings of their own: 7
    // passes and 6 links).
    for (i32 zig : {0, 1}) {
        std::vector<std::vector<Pt>> whole;
        for (i32 most : {99999, 3}) {
            {
                i32 cst = 0;
                ltop();
                lclrnw(cst);
            }
            params(1, 0.01f);
            pw(STPMOD) = 2;
            pw(NPSREQ) = 7;
            pw(ZIGZAG) = zig;
            chain({1}, {1}, 4);
            lp::fresh_run();
            pw(MAXPAS) = most;
            for (int run = 0; run < (most == 3 ? 3 : 1); ++run) ASSERT_GE(lp::run_surm1(), 0) << zig << run;
            p = lp::written();
            ASSERT_EQ(p.strings.size(), zig ? 13u : 7u) << zig << most;
            if (most != 3) {
                whole = p.strings;
                continue;
            }
            for (size_t k = 0; k < whole.size(); ++k) {
                ASSERT_EQ(p.strings[k].size(), whole[k].size()) << zig << k;
                for (size_t m = 0; m < whole[k].size(); ++m)
                    EXPECT_LT(std::hypot(p.strings[k][m].x - whole[k][m].x, p.strings[k][m].y - whole[k][m].y), 1e-3)
                        << zig << k << m;
            }
        }
    }

    // Side step in space over the cap: no point of a pass lies farther than
    // the side step from the pass before it.
    params(1, 0.01f);
    pw(STPMOD) = 3;
    pws(SIDSTP, 4.0f);
    chain({2}, {1}, 4);
    {
        i32 cst = 0;
        ltop();
        lclrnw(cst);
    }
    lp::fresh_run();
    ASSERT_GE(lp::run_surm1(), 0);
    p = lp::written();
    ASSERT_GE(p.strings.size(), 20u);
    double worst = 0;
    for (size_t k = 1; k < p.strings.size(); ++k)
        for (const Pt& q : p.strings[k]) {
            double best = 1e300;
            const auto& s = p.strings[k - 1];
            for (size_t m = 0; m + 1 < s.size(); ++m) {
                const double ax = s[m + 1].x - s[m].x, ay = s[m + 1].y - s[m].y, az = s[m + 1].z - s[m].z;
                const double l2 = ax * ax + ay * ay + az * az;
                double t = l2 > 0 ? ((q.x - s[m].x) * ax + (q.y - s[m].y) * ay + (q.z - s[m].z) * az) / l2 : 0;
                t = std::clamp(t, 0.0, 1.0);
                best = std::min(best, std::hypot(std::hypot(s[m].x + t * ax - q.x, s[m].y + t * ay - q.y), s[m].z + t * az - q.z));
            }
            worst = std::max(worst, best);
        }
    std::printf("MEASURE side step 4.0 on the cap: %zu passes, largest gap %.4f\n", p.strings.size(), worst);
    EXPECT_LE(worst, 4.0 * 1.01);
    EXPECT_GT(worst, 3.0);
}

TEST(PassLoop, ChainOfThreePatchesMeetsAtTheSeams)
{
    // Three strips of the cylinder's top, the middle one parametrised the
    // other way along x.
    auto strip = [](int id, double a0, double a1, bool flip) {
        std::ostringstream s;
        s << R"({"kind":"revolution","id":)" << id << R"(,"origin":[0,0,0],"axis":[1,0,0],"ref":[0,0,1],"angle":[)" << a0
          << "," << a1 << R"(],"profile":{"degree":1,"count":2,"knots":[0,0,1,1],"points":[)"
          << (flip ? "[40,0,100],[40,0,0]" : "[40,0,0],[40,0,100]") << "]}}";
        return s.str();
    };
    host({strip(1, -50, -15, false), strip(2, -15, 20, true), strip(3, 20, 50, false)});
    const f32 tol = 0.01f;
    params(1, tol);
    pw(STPMOD) = 2;
    pw(NPSREQ) = 9;
    CURTOL = BALL;
    chain({1, 2, 3}, {upside(1), upside(2), upside(3)}, 4);
    SRFGEO.SRFLNK[1] = SRFGEO.SRFLNK[2] = 1;
    // The middle strip runs its first range the other way.
    LIMSET(5, 0, 1, -15, 20, SRFGEO.LIMREC[1], SRFGEO.CRNREC[1]);
    lp::fresh_run();
    ASSERT_GE(lp::run_surm1(), 0);
    const lp::Path p = lp::written();
    // Each pass is written as one string per surface: 9 passes, 27 strings.
    ASSERT_EQ(p.strings.size(), 27u);
    double worst = 0;
    for (size_t k = 0; k + 1 < p.strings.size(); ++k) {
        if (k % 3 == 2) continue;
        const Pt a = p.strings[k].back(), b = p.strings[k + 1].front();
        worst = std::max(worst, std::hypot(std::hypot(a.x - b.x, a.y - b.y), a.z - b.z));
    }
    std::printf("MEASURE seams of three strips: largest gap %.5f (bound %.3f)\n", worst, 2 * tol);
    EXPECT_LE(worst, 2 * tol);
}

TEST(PassLoop, OnePassPerExecutionRepeatsNoPass)
{
    host({dome(1)});
    auto setup = [] {
        params(1, 0.01f);
        pws(SCLHGT, 0.2f);
        pws(CLNMIN, 0.001f);
        CURTOL = BALL;
        chain({1}, {1}, 4);
    };
    setup();
    lp::fresh_run();
    ASSERT_GE(lp::run_surm1(), 0);
    const lp::Path full = lp::written();
    ASSERT_GE(full.strings.size(), 6u);

    {
        i32 cst = 0;
        ltop();
        lclrnw(cst);
    }
    setup();
    lp::fresh_run();
    pw(MAXPAS) = 1;
    for (int run = 0; run < 5; ++run) {
        const i32 st = lp::run_surm1();
        EXPECT_EQ(st, 2) << run;
        EXPECT_EQ(NPASS, run + 1);
    }
    const lp::Path five = lp::written();
    ASSERT_EQ(five.strings.size(), 5u);
    for (size_t k = 0; k < 5; ++k) {
        ASSERT_EQ(five.strings[k].size(), full.strings[k].size()) << k;
        for (size_t m = 0; m < five.strings[k].size(); ++m) {
            EXPECT_NEAR(five.strings[k][m].x, full.strings[k][m].x, 1e-3) << k;
            EXPECT_NEAR(five.strings[k][m].y, full.strings[k][m].y, 1e-3) << k;
        }
    }
}

TEST(PassLoop, SurfaceOfRevolutionGivesOneArcPerPass)
{
    // A cone frustum about z: its passes run around the axis.
    const char* cap = R"({"kind":"revolution","id":1,"origin":[50,40,0],"axis":[0,0,1],"ref":[1,0,0],"angle":[0,360],)"
                      R"("profile":{"degree":1,"count":2,"knots":[0,0,1,1],"points":[[30,0,0],[10,0,20]]}})";
    host({cap});
    params(1, 0.01f);
    pw(STPMOD) = 2;
    pw(NPSREQ) = 6;
    CURTOL = BALL;
    chain({1}, {upside(1)}, 4);
    lp::fresh_run();
    ASSERT_GE(lp::run_surm1(), 0);
    EXPECT_EQ(PASTAB.REVFLG[0] != 0, true);
    const lp::Path p = lp::written();
    EXPECT_EQ(p.arcs, 6);
    // Between the arcs only the moves to the next circle's start.
    for (const auto& str : p.strings) EXPECT_LE(str.size(), 2u);
}

// A plain tool takes the exact surface evaluation only without a gouge
// check; a gouge check of the machined surface leaves it to the positions.
TEST(PassLoop, TheEvaluationSwitchFollowsTheGougeCheckForAPlainTool)
{
    host({tilted_plane(1)});
    params(1, 0.01f);
    pw(STPMOD) = 2;
    pw(NPSREQ) = 2;
    CURTOL = BALL;
    chain({1}, {upside(1)}, 4);
    for (i32 check : {1, 2}) {
        lp::fresh_run();
        pw(GCHMOD) = check;
        SRFEVL = -1;
        ASSERT_GE(lp::run_surm1(), 0) << check;
        EXPECT_EQ(SRFEVL, check == 1 ? 1 : 0) << check;
    }
}

TEST(PassLoop, SurfaceAfterSurfaceMakesAllPassesOfEach)
{
    host({tilted_plane(1), dome(2)});
    params(1, 0.01f);
    pw(STPMOD) = 2;
    pw(NPSREQ) = 4;
    UPW2[0] = r2wrd(2.0f);
    UPW2[1] = r2wrd(1.0f);
    CURTOL = BALL;
    chain({1, 2}, {1, 1}, 4);
    SRFGEO.CUTFLP = 2;
    lp::fresh_run();
    UPW2[0] = r2wrd(2.0f);
    UPW2[1] = r2wrd(1.0f);  // a backup before every surface begun
    i32 st = 0, work = 0;
    CLIMIT(st);
    ASSERT_EQ(st, 0);
    SURMP1(work, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(NPASS, 8);
    EXPECT_EQ(lp::written().strings.size(), 8u);
    EXPECT_EQ(norak::transcript_count("host: backup 2"), 2u);
}

TEST(PassStrings, TablesAreBoundedWithTheirMessage)
{
    host({tilted_plane(1)});
    params(1, 0.01f);
    CURTOL = BALL;
    chain({1}, {1}, 4);
    i32 st = 0;
    LDSRFB(1, buf().data(), st);
    // 700 pieces in pair mode: more strings than one pass holds.
    std::vector<f32> pieces;
    for (int k = 0; k < 700; ++k)
        for (f32 v : {0.1f * k, 0.1f * k + 0.05f}) pieces.insert(pieces.end(), {1.0f, 50.0f, v});
    RSTPAS();
    i32 nearf = 0, rev = 0;
    surlin(1, 3, 2, nearf, rev, buf().data(), 1, 1, 1, pieces.data(), 1400, 100.0f, 80.0f, st);
    EXPECT_EQ(st, -1);
    EXPECT_LE(PASSTR.PSNSTR, PS_STR);
    EXPECT_TRUE(norak::transcript_has("surlin,BUFFER IS NOT LARGE ENOUGH"));
    // One entry more than the table holds (a surface's each and the
    // side-step link's) in one pass.
    RSTPAS();
    const f32 seg[6] = {1, 50, 0, 1, 50, 80};
    for (int k = 0; k < PS_SRF; ++k) {
        surlin(1, 3, 1, nearf, rev, buf().data(), 1, 1, 1, seg, 2, 100.0f, 80.0f, st);
        ASSERT_EQ(st, 0) << k;
    }
    surlin(1, 3, 1, nearf, rev, buf().data(), 1, 1, 1, seg, 2, 100.0f, 80.0f, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(PASSTR.PSNSRF, PS_SRF);
}

}  // namespace

// With the clean-up asked for, a part whose box cannot be taken has no grid
// to lay: no loop makes a pass, and each fails (the trimmed driver with -1).
TEST(PassLoop, NoCleanUpGridMakesNoPass)
{
    host({R"({"kind":"plane_patch","id":1,"origin":[2e9,0,0],"u_axis":[1,0,0],"v_axis":[0,1,0],"u":[0,100],"v":[0,80]})"});
    for (i32 loop : {1, 2, 3}) {
        params(1, 0.01f);
        pw(STPMOD) = 2;
        pw(NPSREQ) = 3;
        pw(CLNFLG) = 1;
        CURTOL = BALL;
        chain({1}, {1}, 4);
        lp::fresh_run();
        i32 st = 0, work = 0;
        CLIMIT(st);
        ASSERT_EQ(st, 0);
        if (loop == 1) SURM1(work, st);
        else if (loop == 2) SURMP1(work, st);
        else SURM1T(work, st);
        EXPECT_LT(st, 0) << loop;
        if (loop == 3) {
            EXPECT_EQ(st, -1);
        }
        EXPECT_TRUE(lp::written().strings.empty()) << loop;
        EXPECT_TRUE(norak::transcript_has("MAY HAVE A WRONG BOUNDING BOX")) << loop;
    }
}

// A surface that cannot be loaded for the pass ends is a failure of the
// step, said, not a pass made without its ends.
TEST(PassLoop, ThePassEndsOfAMissingSurfaceFailTheStep)
{
    host({dome(1)});
    params(1, 0.01f);
    CURTOL = BALL;
    chain({1}, {1}, 4);
    i32 st = 0;
    CLIMIT(st);
    ASSERT_EQ(st, 0);
    SRFGEO.SRFIDS[0] = 99;
    newtc(0, st);
    EXPECT_LT(st, 0);
    EXPECT_EQ(DIRVLD, 0);
    EXPECT_TRUE(norak::transcript_has("newtc,ERRORS IN DATA BASE"));
}

// A step keeps in PDELTA the step its surface proposed, one way and the
// other (the set-back rule of the adjustments reads its sign); with the
// fixed step a surface reaching its end says so, whichever surface it is.
TEST(PassLoop, TheStepKeepsItsDeltaAndSaysWhenASurfaceEnds)
{
    host({tilted_plane(1), dome(2)});
    for (i32 mode : {1, 3})
        for (i32 layout : {4, 5}) {
            const std::string name = std::to_string(mode) + "/" + std::to_string(layout);
            params(1, 0.01f);
            pw(STPMOD) = mode;
            pws(SIDSTP, 4.0f);
            pws(SCLHGT, 0.05f);
            pws(CLNMIN, 0.001f);
            CURTOL = BALL;
            chain({1}, {upside(1)}, layout);
            i32 st = 0;
            CLIMIT(st);
            ASSERT_EQ(st, 0) << name;
            newtc(0, st);
            ASSERT_EQ(st, 0) << name;
            const f32 was = PASTAB.PCUR[0];
            newtc(1, st);
            ASSERT_EQ(st, 0) << name;
            const f32 moved = PASTAB.PCUR[0] - was;
            EXPECT_GT(std::fabs(moved), 0.1f) << name;
            EXPECT_NEAR(PASTAB.PDELTA[0], moved, 1e-3f) << name;
        }
    // Fixed steps: the second surface is half a step from its end, the
    // first far from its own; the step ends the stepping all the same.
    params(1, 0.01f);
    pw(STPMOD) = 2;
    pw(NPSREQ) = 5;
    CURTOL = BALL;
    chain({1, 2}, {1, 1}, 4);
    i32 st = 0;
    CLIMIT(st);
    ASSERT_EQ(st, 0);
    PASTAB.PCUR[1] = PASTAB.PEND[1] - 0.5f * PASTAB.PDELTA[1];
    newtc(1, st);
    EXPECT_EQ(st, 1);
    EXPECT_FALSE(eqval(PASTAB.PCUR[0], PASTAB.PEND[0]));
}

// The loop ends normally (status 1) when a step fails or goes back: the
// first step, whose surface cannot be loaded, leaves no pass made; a later
// step that takes the pass back behind the last one (a negative fixed step
// from the middle of the range) leaves the pass made before it alone.
TEST(PassLoop, AStepThatFailsOrGoesBackEndsTheLoop)
{
    host({tilted_plane(1)});
    for (i32 fault : {1, 2}) {
        lp::clearlist();
        params(1, 0.01f);
        pw(STPMOD) = 2;
        pw(NPSREQ) = 5;
        pw(MAXPAS) = 4;
        CURTOL = BALL;
        chain({1}, {1}, 4);
        lp::fresh_run();
        i32 st = 0, work = 0;
        CLIMIT(st);
        ASSERT_EQ(st, 0) << fault;
        if (fault == 1) {
            SRFGEO.SRFIDS[0] = 99;
        } else {
            PASTAB.PCUR[0] = 0.5f * (PASTAB.PSTART[0] + PASTAB.PEND[0]);
            PASTAB.PDELTA[0] = -PASTAB.PDELTA[0];
        }
        SURM1(work, st);
        EXPECT_EQ(st, 1) << fault;
        EXPECT_EQ(NPASS, fault - 1) << fault;
        EXPECT_EQ(lp::written().strings.size(), size_t(fault - 1)) << fault;
    }
}

// A circular pass whose end cannot be evaluated, or whose tool cannot be
// placed, has no circle: it fails and leaves no surface entry that would be
// written with another circle's data.
TEST(PassLoop, ACircleWithoutItsSecondEndLeavesNoEntry)
{
    const char* cap = R"({"kind":"revolution","id":1,"origin":[50,40,0],"axis":[0,0,1],"ref":[1,0,0],"angle":[0,360],)"
                      R"("profile":{"degree":1,"count":2,"knots":[0,0,1,1],"points":[[30,0,0],[10,0,20]]}})";
    host({cap});
    params(1, 0.01f);
    CURTOL = BALL;
    chain({1}, {upside(1)}, 4);
    i32 st = 0;
    CLIMIT(st);
    ASSERT_EQ(st, 0);
    LDSRFB(1, buf().data(), st);
    RSTPAS();
    const PasTab& p = PASTAB;
    SURCRC(3, 1, buf().data(), 1, 1, p.REVFLG[0], 0, p.PCUR[0], std::nanf(""), p.AEND[0], p.PCODE[0], st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(PASSTR.PSNSRF, 0);
    EXPECT_EQ(PASSTR.PSNCIR, 0);
    // A tool that is not a mill cannot be placed at either end: no circle
    // from points never computed, and no entry left.
    CURTOL = -5;
    SURCRC(3, 1, buf().data(), 1, 1, p.REVFLG[0], 0, p.PCUR[0], p.ASTART[0], p.AEND[0], p.PCODE[0], st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(PASSTR.PSNSRF, 0);
    EXPECT_EQ(PASSTR.PSNCIR, 0);
    CURTOL = BALL;
    // A full circle table is refused in the routine's own name.
    PASSTR.PSNCIR = PS_CIR;
    SURCRC(3, 1, buf().data(), 1, 1, p.REVFLG[0], 0, p.PCUR[0], p.ASTART[0], p.AEND[0], p.PCODE[0], st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(PASSTR.PSNSRF, 0);
    EXPECT_TRUE(norak::transcript_has("SURCRC,BUFFER IS NOT LARGE ENOUGH"));
}

// Under machining type 14 the one surface and its side are those of the
// host's list 1, for the pass sign and the clean-up box as for the passes:
// the geometry record is not filled for that type, and may hold no surface
// (0) or a surface and side left from an earlier procedure. Either must
// neither fail the passes nor turn the side sign (the lead and tilt).
TEST(PassLoop, TheOneSurfaceOfTypeFourteenComesFromTheHostList)
{
    host({tilted_plane(1)});
    const i32 side = upside(1);
    params(1, 0.01f);
    CURTOL = BALL;
    chain({1}, {side}, 4);
    i32 st = 0, want = 0;
    PASSGN(1, want, st);
    ASSERT_EQ(st, 0);
    for (i32 loop : {1, 2})
        for (i32 clean : {2, 1})
            for (i32 stale : {0, 1}) {
                const std::string name = std::to_string(loop) + "/" + std::to_string(clean) + "/" + std::to_string(stale);
                lp::clearlist();
                params(1, 0.01f);
                pw(STPMOD) = 2;
                pw(NPSREQ) = 3;
                pw(CLNFLG) = clean;
                pws(CLNMIN, 0.001f);
                CURTOL = BALL;
                chain({1}, {side}, 4);
                MACTYP = MACTYP_ONESURF;
                const i32 ids[1] = {1}, nrms[1] = {side};
                i32 count = 1;
                nc_surf_count(2, 1, count, st);
                nc_surf_put(1, ids, nrms, st);
                SRFGEO.SRFIDS[0] = stale;
                SRFGEO.SRFSID[0] = stale == 0 ? 0 : -side;
                lp::fresh_run();
                CUTSGN = 0;
                i32 work = 0;
                CLIMIT(st);
                ASSERT_EQ(st, 0) << name;
                EXPECT_FALSE(norak::transcript_has("NOT A SURFACE ENTITY")) << name;  // the record's slot is not read
                if (loop == 1) SURM1(work, st);
                else SURMP1(work, st);
                EXPECT_EQ(st, 1) << name;
                EXPECT_EQ(lp::written().strings.size(), 3u) << name;
                EXPECT_EQ(CUTSGN, want) << name;
            }
    // A step's gouge check is positioned for the list's surface too, not
    // for the record's slot (0 here).
    static f32 pts[GG_CAP], vecs[GG_CAP], nrms[GG_CAP];
    static i32 flags[GG_CAP / 3], lens[GG_STR];
    const f32 a[3] = {20, 30, 20}, b[3] = {40, 30, 20}, n[3] = {0, 0, 1};
    i32 nstr = 0, total = 0;
    LOCSRF = -1;
    SRFGEO.SRFIDS[0] = 0;
    GUGLNK(0.01f, 0.0f, 0.0f, a, b, n, n, n, n, pts, vecs, nrms, flags, nstr, lens, total, 1, 0, 0, st);
    EXPECT_EQ(LOCSRF, 1);
    MACTYP = MACTYP_SURFACES;
}
