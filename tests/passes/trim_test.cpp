// Trim boundaries: the point and segment tests and the walkers over
// polylines, the boundary polygons (densified, oriented, turned), the
// crossings of hatch lines with them (vertices, touching lines, edges along
// the line, nesting), the inside pieces of a pass, the side step along the
// boundary, the limits' crossings and the hatch-segment store.
#include <gtest/gtest.h>

#include <functional>

#include "passes/hatch.h"
#include "passes/pntseg.h"
#include "passes/trmlin.h"
#include "passes/trmpol.h"
#include "tests/passes/common.h"
#include "tests/passes/trim_common.h"

namespace {

using namespace pt;
using trm::Loop;

// A plane patch of 100 x 100 over u, v in [0, 1] (x = 100 u, y = 100 v) with
// the given loops.
std::string patch(int id, const std::vector<Loop>& loops)
{
    std::ostringstream s;
    s << R"({"kind":"plane_patch","id":)" << id << R"(,"origin":[0,0,0],"u_axis":[100,0,0],"v_axis":[0,100,0]})";
    return loops.empty() ? s.str() : trm::trimmed(s.str(), loops);
}

// The chain of one trimmed surface, its pass table from its ranges.
void single(i32 id, f32 tol = 0.01f)
{
    params(1, tol);
    chain({id}, {1}, 4);
    SRFGEO.CRNREC[0][CR_HELD] = 1;
    CURTOL = BALL;
}

// Signed area of loop k of a polygon set (positive counter-clockwise).
double area(const f32* l)
{
    double s = 0;
    for (i32 j = 1; j < plcnt(l); ++j) {
        const f32 *p = plvtx(l, j), *q = plvtx(l, j + 1);
        s += double(p[0]) * q[1] - double(q[0]) * p[1];
    }
    return 0.5 * s;
}

const f32* polygon(i32 h)
{
    void* base = nullptr;
    mmcptr(h, base);
    return static_cast<const f32*>(base);
}

TEST(PointOnSegment, TolerancesGrowWithTheLengthAndDirectionsMustAgree)
{
    norak::reset();  // host tolerance 1e-5
    const f32 a[3] = {0, 0, 0}, b[3] = {100, 0, 0};
    f32 par = -1, dist = -1;
    i32 st = 9;
    PNSEG1(a, a, b, par, dist, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(par, 0.0f);
    EXPECT_EQ(dist, 0.0f);
    // Length 100: a thousand scaled tolerances are 0.19.
    const f32 past[3] = {100.1f, 0, 0.05f};
    PNSEG1(past, a, b, par, dist, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(dist, std::hypot(0.1, 0.05), 1e-5);  // measured to b
    EXPECT_NEAR(par, 1.001f, 1e-5);
    const f32 far[3] = {100.3f, 0, 0};
    PNSEG1(far, a, b, par, dist, st);
    EXPECT_EQ(st, -1);
    const f32 beside[3] = {50, 0.5f, 0};
    PNSEG1(beside, a, b, par, dist, st);
    EXPECT_EQ(st, 1);
    EXPECT_NEAR(par, 0.5f, 1e-6);
    EXPECT_NEAR(dist, 0.5f, 1e-6);
    PNSEG1(a, a, a, par, dist, st);
    EXPECT_EQ(st, -1);  // no direction
    // A segment shorter than the tolerance: parameter 0 beside it.
    const f32 c[3] = {0.001f, 0, 0}, mid[3] = {0.0005f, 0.001f, 0};
    PNSEG1(mid, a, c, par, dist, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(par, 0.0f);
    // The close test: ten scaled tolerances (0.0019 at length 100).
    const f32 near1[3] = {50, 0.001f, 0}, near3[3] = {50, 0.003f, 0};
    EXPECT_EQ(PNSEG3(near1, a, b, par), 1);
    EXPECT_EQ(PNSEG3(near3, a, b, par), 0);
    // Directions: within about 26 degrees of either, either sense.
    auto dir = [](double deg, f32* d) {
        d[0] = static_cast<f32>(std::cos(deg * M_PI / 180)), d[1] = static_cast<f32>(std::sin(deg * M_PI / 180)), d[2] = 0;
    };
    f32 d25[3], d27[3], back[3] = {-1, 0, 0}, up[3] = {0, 1, 0};
    dir(25, d25);
    dir(27, d27);
    EXPECT_EQ(PNSEG2(beside, d25, up, a, b, par, dist), 0);  // 0.5 off the segment
    EXPECT_EQ(PNSEG2(near3, d25, up, a, b, par, dist), 1);
    EXPECT_EQ(PNSEG2(near3, d27, up, a, b, par, dist), 0);
    EXPECT_EQ(PNSEG2(near3, up, back, a, b, par, dist), 1);
    // A segment far shorter than the tolerance narrows it: 0.002 off a
    // segment of 0.0005 is on it for the first test only.
    const f32 e[3] = {0.0005f, 0, 0}, off[3] = {0.00025f, 0.002f, 0}, x[3] = {1, 0, 0};
    PNSEG1(off, a, e, par, dist, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(PNSEG2(off, x, x, a, e, par, dist), 0);
}

TEST(PointOnSegment, WalkersOverAClosedPolyline)
{
    host({});
    CURTOL = BALL;  // diameter 10
    const f32 sq[12] = {0, 0, 0, 10, 0, 0, 10, 10, 0, 0, 10, 0};
    i32 seg = 0;
    f32 par = 0, dist = 0;
    const f32 onright[3] = {10, 5, 0}, onbottom[3] = {5, 0, 0};
    EXPECT_EQ(PLYHIT(onright, sq, 4, seg), 1);
    EXPECT_EQ(seg, 2);
    const f32 above[3] = {5, 11, 0}, centre[3] = {5, 5, 0}, away[3] = {5, 30, 0};
    EXPECT_EQ(PLYHIT(above, sq, 4, seg), 0);
    EXPECT_EQ(PLYNRS(above, sq, 4, seg, par, dist), 1);
    EXPECT_EQ(seg, 3);
    EXPECT_NEAR(dist, 1.0f, 1e-5);
    EXPECT_NEAR(par, 0.5f, 1e-5);
    EXPECT_EQ(PLYNRS(centre, sq, 4, seg, par, dist), 1);
    EXPECT_EQ(seg, 1);  // all at 5: the first
    EXPECT_EQ(PLYNRS(away, sq, 4, seg, par, dist), 0);  // beyond one diameter
    const f32 x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    EXPECT_EQ(PLYDIR(onright, x, y, sq, 4, 1, 4, seg, par, dist), 1);
    EXPECT_EQ(seg, 2);
    EXPECT_EQ(PLYDIR(onright, x, x, sq, 4, 1, 4, seg, par, dist), 0);
    EXPECT_EQ(PLYDIR(onbottom, x, x, sq, 4, 3, 1, seg, par, dist), 1);  // past the end
    EXPECT_EQ(seg, 1);
    EXPECT_EQ(PLYDIR(onbottom, x, x, sq, 4, 2, 3, seg, par, dist), 0);
}

TEST(TrimPolygons, DensifiedOrientedTurnedWithTheirPointsInSpace)
{
    // A square loop whose edges span a third of the u and v ranges, and a
    // hole: the outer edges are cut into 10 pieces each, the hole is kept.
    std::ostringstream s;
    s << R"({"kind":"plane_patch","id":5,"origin":[0,0,2],"u_axis":[10,0,0],"v_axis":[0,10,0],"u":[0,3],"v":[0,3]})";
    host({trm::trimmed(s.str(), {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}, trm::circle(0.5, 0.5, 0.2, 12)})});
    single(5);
    const i32 arrays = norak::open_arrays();
    f32 sn = 0, cs = 0;
    i32 h = -1, nl = 0, st = 0;
    TRMRT1(5, 0, sn, cs, h, nl, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(nl, 2);
    EXPECT_EQ(norak::open_arrays(), arrays + 1);  // the raw arrays are closed
    const f32* l = polygon(h);
    ASSERT_EQ(plcnt(l), 41);
    for (i32 j = 1; j < plcnt(l); ++j) {
        const f32 *p = plvtx(l, j), *q = plvtx(l, j + 1);
        EXPECT_NEAR(std::hypot(q[0] - p[0], q[1] - p[1]), 0.1, 1e-5);
    }
    EXPECT_EQ(plvtx(l, 41)[0], plvtx(l, 1)[0]);  // closed
    EXPECT_EQ(plvtx(l, 41)[1], plvtx(l, 1)[1]);
    EXPECT_NEAR(area(l), 1.0, 1e-5);  // counter-clockwise
    const f32* hole = plnext(l);
    EXPECT_EQ(plcnt(hole), 13);
    EXPECT_NEAR(area(hole), 0.5 * 12 * 0.04 * std::sin(2 * M_PI / 12), 1e-5);  // turned counter-clockwise too
    std::vector<f32> plain(l, l + 1 + 2 * 41);
    clspb(h, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::open_arrays(), arrays);

    // Turned a quarter: (u, v) becomes (-v, u); the hatch lines of constant u.
    TRMRT1(5, 1, sn, cs, h, nl, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(cs, 0.0f);
    EXPECT_EQ(sn, 1.0f);
    l = polygon(h);
    for (i32 j = 1; j <= 41; ++j) {
        EXPECT_EQ(plvtx(l, j)[0], -plain[size_t(2 * j)]);
        EXPECT_EQ(plvtx(l, j)[1], plain[size_t(2 * j - 1)]);
    }
    clspb(h, st);

    // The double-precision twin with the points in space of the first loop.
    i32 h3 = -1;
    nl = 0;
    TRMRT2(5, 0, sn, cs, h, nl, h3, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(nl, 2);
    l = polygon(h);
    const f32* xyz = polygon(h3);
    ASSERT_EQ(plcnt(l), 41);
    for (i32 j = 1; j <= 41; ++j) {
        EXPECT_NEAR(xyz[3 * (j - 1)], 10 * plvtx(l, j)[0], 1e-4);
        EXPECT_NEAR(xyz[3 * (j - 1) + 1], 10 * plvtx(l, j)[1], 1e-4);
        EXPECT_NEAR(xyz[3 * (j - 1) + 2], 2.0, 1e-5);
    }
    clspb(h, st);
    clspb(h3, st);
    EXPECT_EQ(norak::open_arrays(), arrays);

    // A surface that is no surface: the data base message.
    TRMRT1(77, 0, sn, cs, h, nl, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(norak::transcript_count("internal: TRMRT1, ERRORS IN DATA BASE"), 1u);
    EXPECT_EQ(norak::open_arrays(), arrays);
}

TEST(TrimPolygons, LoopsArrivingTheWrongWayAreTurnedWithTheirPointsAndEmptyLoopsRefused)
{
    // The outline given clockwise: turned, with its points in space.
    const Loop cw = {{0.1, 0.1}, {0.1, 0.9}, {0.9, 0.9}, {0.9, 0.1}};
    host({trm::trimmed(R"({"kind":"plane_patch","id":5,"origin":[0,0,2],"u_axis":[10,0,0],"v_axis":[0,10,0]})", {cw})});
    single(5);
    const i32 arrays = norak::open_arrays();
    f32 sn = 0, cs = 0;
    i32 h = -1, h3 = -1, nl = 0, st = 0;
    TRMRT2(5, 0, sn, cs, h, nl, h3, st);
    ASSERT_EQ(st, 0);
    const f32* l = polygon(h);
    const f32* xyz = polygon(h3);
    EXPECT_GT(area(l), 0.6);  // counter-clockwise now
    for (i32 j = 1; j <= plcnt(l); ++j) {  // each point in space still with its (u, v)
        EXPECT_NEAR(xyz[3 * (j - 1)], 10 * plvtx(l, j)[0], 1e-4) << j;
        EXPECT_NEAR(xyz[3 * (j - 1) + 1], 10 * plvtx(l, j)[1], 1e-4) << j;
    }
    clspb(h, st);
    clspb(h3, st);

    // Raw loops as the host's reads hand them over: the outline, then a
    // hole of no area (three points on a line), which arrives reversed as
    // every hole does, (0.3, 0.4, 0.2), and is turned round once more.
    auto raw = [&](const std::vector<f32>& uv, i32& handle) {
        void* b = nullptr;
        MM_OPEN_ARRAY(4, static_cast<i32>(uv.size()), handle, b, st);
        std::memcpy(b, uv.data(), uv.size() * sizeof(f32));
    };
    i32 huv = -1, hxyz = -1;
    raw({0.1f, 0.1f, 0.9f, 0.1f, 0.9f, 0.9f, 0.1f, 0.9f, 0.2f, 0.5f, 0.4f, 0.5f, 0.3f, 0.5f}, huv);
    i32 counts[2] = {4, 3}, total = 7;
    chnpol(0, 5, 2, counts, huv, hxyz, total, h, st);
    ASSERT_EQ(st, 0);
    const f32* hole = plnext(polygon(h));
    ASSERT_EQ(plcnt(hole), 4);
    const f32 want[4] = {0.3f, 0.2f, 0.4f, 0.3f};
    for (i32 j = 1; j <= 4; ++j) EXPECT_FLOAT_EQ(plvtx(hole, j)[0], want[j - 1]) << j;
    clspb(h, st);
    MM_CLOSE(huv, st);

    // A last loop without a vertex: refused, nothing read beyond the raw
    // array, the raw arrays closed.
    raw({0.1f, 0.1f, 0.9f, 0.1f, 0.9f, 0.9f, 0.1f, 0.9f}, huv);
    i32 empty[2] = {4, 0};
    total = 4;
    chnpol(0, 5, 2, empty, huv, hxyz, total, h, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(h, -1);
    EXPECT_EQ(norak::open_arrays(), arrays);
    // No loop at all: refused the same way. Neither is a want of memory.
    raw({0.1f, 0.1f}, huv);
    chnpol(0, 5, 0, empty, huv, hxyz, total, h, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(h, -1);
    EXPECT_EQ(norak::open_arrays(), arrays);
    EXPECT_FALSE(norak::transcript_has("chnpol, not enough memory"));
}

TEST(TrimPolygons, TolerancesRectanglesAndGridLines)
{
    host({R"({"kind":"plane_patch","id":6,"origin":[0,0,0],"u_axis":[1,0,0],"v_axis":[0,1,0],"u":[2,5],"v":[1,4]})"});
    std::memset(&PASTAB, 0, sizeof PASTAB);
    f32 t = 0;
    PASTAB.PEND[0] = 30;
    TRMTOL(1, t);
    EXPECT_FLOAT_EQ(t, 0.001f);
    PASTAB.PEND[0] = -0.003f;
    TRMTOL(1, t);
    EXPECT_FLOAT_EQ(t, 1.0e-5f);
    PASTAB.PSTART[0] = 0.5f, PASTAB.PEND[0] = 0.503f;  // the range, not where it lies
    TRMTOL(1, t);
    EXPECT_NEAR(t, 1.0e-5f, 1e-9f);
    PASTAB.PSTART[0] = 0;
    PASTAB.PEND[0] = 0;
    TRMTOL(1, t);
    EXPECT_FLOAT_EQ(t, 1.0e-4f);

    i32 n = 0, h = -1, st = 0;
    RCTPOL(6, n, h, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(n, 1);
    const f32* l = polygon(h);
    ASSERT_EQ(plcnt(l), 117);
    const f32 corners[5][2] = {{2, 1}, {5, 1}, {5, 4}, {2, 4}, {2, 1}};
    for (i32 c = 0; c < 5; ++c) {
        EXPECT_FLOAT_EQ(plvtx(l, 1 + 29 * c)[0], corners[c][0]);
        EXPECT_FLOAT_EQ(plvtx(l, 1 + 29 * c)[1], corners[c][1]);
    }
    EXPECT_NEAR(area(l), 9.0, 1e-4);
    clspb(h, st);
    f32 g[6];
    GRDLIN(2, 3, 1.0f, 2.0f, 0.5f, g);
    const f32 want[6] = {1, 2, 1, 2.5f, 1, 3};
    for (int k = 0; k < 6; ++k) EXPECT_FLOAT_EQ(g[k], want[k]);
    GRDLIN(1, 2, 1.0f, 2.0f, -0.5f, g);
    EXPECT_FLOAT_EQ(g[2], 0.5f);
    EXPECT_FLOAT_EQ(g[3], 2.0f);
}

// The crossings of the line y with a polygon set.
struct Crs {
    std::vector<f32> x;
    std::vector<i32> loop, dir;
};
Crs crossings(const std::vector<f32>& set, i32 nl, f32 y, i32 sense = 1, i32 cap = NCRMAX)
{
    std::vector<f32> p(2 * size_t(cap) + 2);
    std::vector<i32> l(size_t(cap) + 1), s(size_t(cap) + 1), k(size_t(cap) + 1), d(size_t(cap) + 1);
    i32 n = 0;
    NCRLIN(set.data(), nl, y, sense, cap, n, p.data(), l.data(), s.data(), k.data(), d.data());
    Crs c;
    for (i32 i = 0; i < n; ++i) {
        c.x.push_back(p[size_t(2 * i)]);
        c.loop.push_back(l[size_t(i)]);
        c.dir.push_back(d[size_t(i)]);
        EXPECT_EQ(p[size_t(2 * i + 1)], y);
        EXPECT_EQ(k[size_t(i)], 1);
    }
    return c;
}

TEST(HatchCrossings, VerticesTouchingLinesAndEdgesAlongTheLine)
{
    norak::reset();
    // Through two vertices where the boundary goes on: one crossing each.
    const auto diamond = trm::polset({{{0, -1}, {1, 0}, {0, 1}, {-1, 0}}});
    Crs c = crossings(diamond, 1, 0.0f);
    ASSERT_EQ(c.x.size(), 2u);
    EXPECT_EQ(c.x[0], -1.0f);
    EXPECT_EQ(c.x[1], 1.0f);
    c = crossings(diamond, 1, 0.0f, 2);  // decreasing
    ASSERT_EQ(c.x.size(), 2u);
    EXPECT_EQ(c.x[0], 1.0f);
    // Touching the apex: two crossings of opposite directions, kept.
    const auto tri = trm::polset({{{-1, 0}, {1, 0}, {0, 1}}});
    c = crossings(tri, 1, 1.0f);
    ASSERT_EQ(c.x.size(), 2u);
    EXPECT_EQ(c.x[0], 0.0f);
    EXPECT_EQ(c.x[1], 0.0f);
    EXPECT_EQ(c.dir[0] + c.dir[1], 0);
    // Along the top and the bottom edge of a rectangle: its two corners.
    const auto rect = trm::polset({{{0, 0}, {2, 0}, {2, 1}, {0, 1}}});
    for (f32 y : {0.0f, 1.0f}) {
        c = crossings(rect, 1, y);
        ASSERT_EQ(c.x.size(), 2u) << y;
        EXPECT_EQ(c.x[0], 0.0f);
        EXPECT_EQ(c.x[1], 2.0f);
    }
    // A step of the boundary lying on the line, the boundary going on
    // through it: counted once, the parity kept.
    const auto step = trm::polset({{{0, 0}, {4, 0}, {4, 1}, {2, 1}, {2, 2}, {0, 2}}});
    c = crossings(step, 1, 1.0f);
    ASSERT_EQ(c.x.size(), 2u);
    EXPECT_EQ(c.x[0], 0.0f);
    EXPECT_EQ(c.x[1], 4.0f);
    // A plateau on the line (the boundary turns back): both ends stay.
    const auto plateau = trm::polset({{{0, 0}, {4, 0}, {3, 1}, {1, 1}}});
    c = crossings(plateau, 1, 1.0f);
    ASSERT_EQ(c.x.size(), 2u);
    EXPECT_EQ(c.x[0], 1.0f);
    EXPECT_EQ(c.x[1], 3.0f);
    // Points repeated in a loop change nothing.
    const auto rep = trm::polset({{{0, -1}, {1, 0}, {1, 0}, {0, 1}, {-1, 0}, {-1, 0}}});
    EXPECT_EQ(crossings(rep, 1, 0.0f).x.size(), 2u);
}

TEST(HatchCrossings, EveryLineSplitsTheRegionAsItsOwnTestDoes)
{
    norak::reset();
    // A star with a hole holding an island, all vertices on a grid of
    // levels; lines through every vertex level and between them.
    Loop star, hole = trm::circle(0, 0, 0.4, 8), island;
    for (int k = 0; k < 14; ++k) {
        const double r = k % 2 ? 1.0 : 0.55, a = 2 * M_PI * k / 14;
        star.push_back({std::round(r * std::cos(a) * 64) / 64, std::round(r * std::sin(a) * 64) / 64});
    }
    for (auto& p : hole) p = {std::round(p.first * 64) / 64, std::round(p.second * 64) / 64};
    island = {{-0.125, -0.125}, {0.125, -0.0625}, {0.0625, 0.125}, {-0.125, 0.0625}};
    const std::vector<Loop> loops = {star, hole, island};
    const auto set = trm::polset(loops);
    int lines = 0;
    for (int k = -70; k <= 70; ++k) {
        const f32 y = static_cast<f32>(k / 64.0);
        const Crs c = crossings(set, 3, y);
        ASSERT_EQ(c.x.size() % 2, 0u) << y;
        std::vector<i32> flags(c.x.size());
        HATPAR(static_cast<i32>(c.x.size()), c.loop.data(), flags.data());
        for (size_t i = 0; i + 1 < c.x.size(); ++i) {
            EXPECT_LE(c.x[i], c.x[i + 1]);
            if (c.x[i + 1] - c.x[i] < 1e-4) continue;
            const double mx = 0.5 * (c.x[i] + c.x[i + 1]);
            // Pieces inside (or along the boundary), gaps outside.
            if (i % 2 == 0)
                EXPECT_TRUE(trm::within(loops, mx, y, 1e-6)) << y << " " << mx;
            else
                EXPECT_TRUE(!trm::inside(loops, mx, y) || trm::within({star}, mx, y, 0) != trm::within({hole}, mx, y, 1e-6))
                    << y << " " << mx;
        }
        for (size_t i = 0; i < c.x.size(); ++i) EXPECT_EQ(flags[i], c.loop[i] == 2 ? -1 : 1) << y;
        ++lines;
    }
    EXPECT_EQ(lines, 141);
}

TEST(HatchCrossings, PairingFlagsFollowTheNesting)
{
    const i32 loops[6] = {1, 2, 3, 3, 2, 1};
    i32 flags[6];
    HATPAR(6, loops, flags);
    const i32 want[6] = {1, -1, 1, 1, -1, 1};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(flags[k], want[k]);
    const i32 side[4] = {1, 1, 2, 2};  // two loops side by side
    HATPAR(4, side, flags);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(flags[k], 1);
}

TEST(HatchCrossings, TablesAreBoundedWithTheirMessages)
{
    norak::reset();
    // A comb of 3,600 teeth: 7,200 crossings on one line.
    Loop comb = {{0, 0}};
    for (int k = 0; k < 3600; ++k) {
        comb.push_back({2 * k + 0.5, 0});
        comb.push_back({2 * k + 0.5, 2});
        comb.push_back({2 * k + 1.5, 2});
        comb.push_back({2 * k + 1.5, 0});
    }
    comb.push_back({7200, 0});
    comb.push_back({7200, -1});
    comb.push_back({0, -1});
    const auto set = trm::polset({comb});
    const Crs c = crossings(set, 1, 1.0f, 1, 100);
    EXPECT_EQ(c.x.size(), 100u);
    EXPECT_EQ(norak::transcript_count("internal: NCRLIN, ARRAY OF HATCH POINTS IS NOT LARGE ENOUGH"), 1u);
    EXPECT_EQ(crossings(set, 1, 1.0f, 1, 7200).x.size(), 7200u);

    std::memset(&PASTAB, 0, sizeof PASTAB);
    f64 y = 1.0;
    i32 n = 0;
    EXPECT_EQ(CLR_MAKE_HATCH(set.data(), 1, 1.5, 1, n, y), -1);
    EXPECT_EQ(norak::transcript_count("internal:  CLR_MAKE_HATCH,BUFFER OF HATCHING POINT IS TOO SMALL! "), 1u);
    // The last-line search never finding a line above its lower level.
    const auto square = trm::polset({{{0, 0}, {1, 0}, {1, 1}, {0, 1}}});
    f64 level = 0;
    EXPECT_EQ(NCR_CRE(square.data(), 1, 3.0, level, 1, n, 3.5, 2.0), -1);
    EXPECT_EQ(norak::transcript_count("user: [NCR_CRE]HATCH LINE PRECEEDED YMIN! "), 1u);
    // Stepping down onto the previous line finds nothing further.
    EXPECT_EQ(NCR_CRE(square.data(), 1, 0.5, level, 1, n, 1.5, 1.2), 0);
    EXPECT_EQ(level, 1.2);
    EXPECT_EQ(NCR_CRE(square.data(), 1, 0.5, level, 1, n, 1.0, 0.7), 0);
    EXPECT_EQ(level, 1.0);  // the top edge itself
    EXPECT_EQ(n, 2);
}

// A trimmed patch: a rounded rectangle with a round hole, on the plane of
// 100 x 100.
const std::vector<Loop> REGION = {trm::rounded(0.2, 0.8, 0.15, 0.85, 0.1), trm::circle(0.45, 0.5, 0.12)};

TEST(PassPieces, InsidePiecesInBothDirectionsAndLinesThatMissOrTouch)
{
    host({patch(7, REGION)});
    single(7);
    f32 pts[3 * 400];
    i32 n = 0, st = 0;
    auto pieces = [&](f32 u, f32 v0, f32 v1, i32 rev) {
        const f32 on[2] = {u, v0}, a[2] = {u, v0}, b[2] = {u, v1};
        trmpas(0, 400, n, pts, 1, rev, on, a, b, st);
        std::vector<std::pair<f32, f32>> out;
        for (i32 k = 0; k + 1 < n; k += 2) {
            EXPECT_EQ(pts[3 * k], 1.0f);
            EXPECT_NEAR(pts[3 * k + 1], u, 0.001f);
            out.push_back({pts[3 * k + 2], pts[3 * k + 5]});
        }
        return out;
    };
    // Along v at u = 0.45: below and above the hole.
    auto p = pieces(0.45f, 0, 1, 0);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_NEAR(p[0].first, 0.15, 1e-5);
    EXPECT_NEAR(p[0].second, 0.38, 1e-3);
    EXPECT_NEAR(p[1].first, 0.62, 1e-3);
    EXPECT_NEAR(p[1].second, 0.85, 1e-5);
    // The reverse flag: the same pieces, in the opposite order, each reversed.
    auto r = pieces(0.45f, 0, 1, 1);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].first, p[1].second);
    EXPECT_EQ(r[0].second, p[1].first);
    EXPECT_EQ(r[1].first, p[0].second);
    // Along points the other way round: from v = 1 down.
    auto d = pieces(0.45f, 1, 0, 0);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].first, p[1].second);
    // A line that misses the region: nothing, no failure.
    EXPECT_TRUE(pieces(0.1f, 0, 1, 0).empty());
    EXPECT_EQ(st, 0);
    // A line through the top of the hole's polygon touches it: the pieces
    // come from a line nudged by half a trim tolerance.
    f32 t = 0;
    TRMTOL(1, t);
    auto top = pieces(0.45f + 0.12f, 0, 1, 0);
    EXPECT_GE(top.size(), 1u);
    EXPECT_NEAR(pts[1], 0.57f, 0.5f * t + 1e-6);
}

TEST(PassPieces, SideStepsFollowTheBoundaryWhereTheEdgeLineLeavesTheRegion)
{
    host({patch(8, {trm::circle(0.5, 0.5, 0.3, 64)})});
    single(8);
    f32 pts[3 * 400];
    i32 n = 0, st = 0;
    // Passes along v at u = 0.4 and 0.45 ending at the edge v = 1, outside
    // the disc: the step runs along its arc from exit to exit.
    const f32 ref[2] = {0.4f, 0.0f}, e1[2] = {0.4f, 1.0f}, e2[2] = {0.45f, 1.0f};
    trmcnt(0, 400, n, pts, 1, ref, e1, e2, st);
    ASSERT_EQ(st, 0);
    ASSERT_GE(n, 3);
    const std::vector<Loop> disc = {trm::circle(0.5, 0.5, 0.3, 64)};
    for (i32 k = 0; k < n; ++k) {
        EXPECT_LT(trm::border(disc[0], pts[3 * k + 1], pts[3 * k + 2]), 1e-5);
        EXPECT_GT(pts[3 * k + 2], 0.5f);  // the upper arc, not round the bottom
    }
    EXPECT_NEAR(pts[1], 0.4f, 1e-6);
    EXPECT_NEAR(pts[3 * (n - 1) + 1], 0.45f, 1e-6);
    // The other way across: from 0.45 to 0.4.
    trmcnt(0, 400, n, pts, 1, ref, e2, e1, st);
    ASSERT_EQ(st, 0);
    for (i32 k = 0; k < n; ++k) EXPECT_GT(pts[3 * k + 2], 0.5f);
    // Both ends inside: one straight step even though the boundary is elsewhere.
    const f32 i1[2] = {0.4f, 0.6f}, i2[2] = {0.5f, 0.6f};
    trmcnt(0, 400, n, pts, 1, ref, i1, i2, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(pts[1], 0.4f);
    EXPECT_EQ(pts[4], 0.5f);
    // A line that misses the disc gives no step.
    const f32 m1[2] = {0.1f, 1.0f};
    trmcnt(0, 400, n, pts, 1, ref, m1, e2, st);
    EXPECT_EQ(st, -1);
    // Passes along u (direction code 2) at v = 0.4 and 0.45 ending at the
    // edge u = 1: the step runs along the right arc, with the loop's order.
    const f32 rref[2] = {0.0f, 0.4f}, r1[2] = {1.0f, 0.4f}, r2[2] = {1.0f, 0.45f};
    trmcnt(0, 400, n, pts, 2, rref, r1, r2, st);
    ASSERT_EQ(st, 0);
    ASSERT_GE(n, 3);
    for (i32 k = 0; k < n; ++k) {
        EXPECT_LT(trm::border(disc[0], pts[3 * k + 1], pts[3 * k + 2]), 1e-5);
        EXPECT_GT(pts[3 * k + 1], 0.5f);  // the right arc
    }
    EXPECT_NEAR(pts[2], 0.4f, 1e-6);
    EXPECT_NEAR(pts[3 * (n - 1) + 2], 0.45f, 1e-6);

    // Two islands: ends whose lines meet different loops have no stretch
    // of one loop between them: no step.
    host({patch(8, {{{0.1, 0.1}, {0.4, 0.1}, {0.4, 0.9}, {0.1, 0.9}}, {{0.6, 0.1}, {0.9, 0.1}, {0.9, 0.9}, {0.6, 0.9}}})});
    single(8);
    const f32 a1[2] = {0.3f, 1.0f}, a2[2] = {0.7f, 1.0f};
    trmcnt(0, 400, n, pts, 1, ref, a1, a2, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(n, 0);
}

TEST(PassPieces, BoundaryWalksWrapPastTheEndOfTheLoop)
{
    // A hexagon of vertices 1 to 6 (segment 6 closes it): walks between
    // boundary points on its segments, both ways, over its first vertex.
    std::vector<f32> hex = trm::polset({{{0, 0}, {1, 0}, {2, 1}, {1, 2}, {0, 2}, {-1, 1}}});
    const f32 p1[2] = {0.5f, 0.0f}, p2[2] = {-0.5f, 1.5f};
    f32 pts[3 * 20];
    i32 n = 0, st = 0;
    auto walk = [&](i32 a, i32 b, i32 sense, const f32* q1, const f32* q2) {
        BNDWLK(hex.data(), a, b, sense, q1, q2, 20, n, pts, st);
        std::vector<std::pair<f32, f32>> out;
        for (i32 k = 0; k < n; ++k) out.push_back({pts[3 * k + 1], pts[3 * k + 2]});
        return out;
    };
    using V = std::vector<std::pair<f32, f32>>;
    // Against the order from segment 1 to segment 5: vertex 1, then 6.
    EXPECT_EQ(walk(1, 5, -1, p1, p2), (V{{0.5f, 0.0f}, {0, 0}, {-1, 1}, {-0.5f, 1.5f}}));
    // With the order from segment 5 over the end to segment 1.
    EXPECT_EQ(walk(5, 1, 1, p2, p1), (V{{-0.5f, 1.5f}, {-1, 1}, {0, 0}, {0.5f, 0.0f}}));
    // To the closing segment 6 with the order: vertex 6 alone; a last point
    // on the last vertex is not repeated.
    const f32 on6[2] = {-1.0f, 1.0f};
    EXPECT_EQ(walk(5, 6, 1, p2, on6), (V{{-0.5f, 1.5f}, {-1, 1}}));
    // Against the order from segment 2 down to the closing segment 6:
    // vertices 2 and 1.
    const f32 q2[2] = {1.5f, 0.5f}, q6[2] = {-0.5f, 0.5f};
    EXPECT_EQ(walk(2, 6, -1, q2, q6), (V{{1.5f, 0.5f}, {1, 0}, {0, 0}, {-0.5f, 0.5f}}));
    // The same segment: the two points.
    EXPECT_EQ(walk(3, 3, 1, q2, p2).size(), 2u);
    EXPECT_EQ(st, 0);
    // No room: a failure.
    BNDWLK(hex.data(), 1, 5, -1, p1, p2, 2, n, pts, st);
    EXPECT_EQ(st, -1);
}

TEST(PassPieces, LimitCrossingsOrderedAlongTheSecondRangeAndMovedInward)
{
    // A diamond: its left vertex lies on the start of the first range.
    host({patch(9, {{{0.5, 0.1}, {0.9, 0.5}, {0.5, 0.9}, {0.1, 0.5}}})});
    single(9);
    LIMSET(4, 0.1f, 0.9f, 0.1f, 0.9f, SRFGEO.LIMREC[0], SRFGEO.CRNREC[0]);
    SRFGEO.CRNREC[0][CR_HELD] = 1;
    PASTAB.PSTART[0] = 0.1f, PASTAB.PEND[0] = 0.9f, PASTAB.PDELTA[0] = 0.05f;
    f32 first[2], last[2], p = 0.5f;
    i32 st = 0;
    trmpar(1, p, first, last, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(p, 0.5f);
    EXPECT_NEAR(first[1], 0.1f, 1e-6);
    EXPECT_NEAR(last[1], 0.9f, 1e-6);
    // The second range running down: the crossings come the other way.
    LIMSET(6, 0.1f, 0.9f, 0.1f, 0.9f, SRFGEO.LIMREC[0], SRFGEO.CRNREC[0]);
    SRFGEO.CRNREC[0][CR_HELD] = 1;
    trmpar(1, p, first, last, st);
    EXPECT_NEAR(first[1], 0.9f, 1e-6);
    EXPECT_NEAR(last[1], 0.1f, 1e-6);
    LIMSET(4, 0.1f, 0.9f, 0.1f, 0.9f, SRFGEO.LIMREC[0], SRFGEO.CRNREC[0]);
    SRFGEO.CRNREC[0][CR_HELD] = 1;
    // At the start of the range the line only touches the vertex: the line
    // moved inward by the trimming tolerance spans more and is taken.
    f32 t = 0;
    TRMTOL(1, t);
    p = 0.1f;
    trmpar(1, p, first, last, st);
    ASSERT_EQ(st, 0);
    EXPECT_FLOAT_EQ(p, 0.1f + t);
    EXPECT_LT(first[1], last[1]);
    EXPECT_NEAR(last[1] - first[1], 2 * t, 1e-5);
    // A line beyond the region in every retry: failure (a retry touching
    // the right vertex at 0.9 would be taken).
    p = 1.2f;
    trmpar(1, p, first, last, st);
    EXPECT_EQ(st, -1);
}

TEST(HatchSegments, RecordsAreLinkedInOrderAndTheStoreCloses)
{
    norak::reset();
    const i32 arrays = norak::open_arrays();
    ASSERT_EQ(HSGOPN(), 0);
    const f32 pts[8] = {1, 5, 2, 5, 4, 5, 7, 5};
    const i32 kinds[4] = {1, 1, 1, 1}, loops[4] = {1, 2, 2, 1}, segs[4] = {3, 9, 12, 20}, flags[4] = {1, -1, -1, 1};
    i32 head = 0, st = 0;
    HSGSTO(4.5, pts, kinds, loops, segs, flags, 4, head, st);
    ASSERT_EQ(st, 0);
    HSGSTO(5.5, pts, kinds, loops, segs, flags, 0, head, st);  // nothing
    HSGSTO(5.5, pts, kinds, loops, segs, flags, 2, head, st);
    const i32* a = HSGREC(head);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(wrd2r(a[HSG_LEVEL]), 4.5f);
    EXPECT_EQ(wrd2r(a[HSG_X1]), 1.0f);
    EXPECT_EQ(wrd2r(a[HSG_X2]), 2.0f);
    EXPECT_EQ(wrd2r(a[HSG_Y1]), 5.0f);
    EXPECT_EQ(a[HSG_LOOP + 1], 2);
    EXPECT_EQ(a[HSG_SEG + 1], 9);
    EXPECT_EQ(a[HSG_FLAG + 1], -1);
    EXPECT_EQ(a[HSG_PREV], 0);
    const i32* b = HSGREC(a[HSG_NEXT]);
    EXPECT_EQ(wrd2r(b[HSG_X1]), 4.0f);
    EXPECT_EQ(b[HSG_SEG], 12);
    const i32* c = HSGREC(b[HSG_NEXT]);
    EXPECT_EQ(wrd2r(c[HSG_LEVEL]), 5.5f);
    EXPECT_EQ(c[HSG_NEXT], 0);
    EXPECT_EQ(HSGREC(c[HSG_PREV]), b);
    CLSLNS(st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::open_arrays(), arrays);
    EXPECT_EQ(HSGREC(1), nullptr);
}

TEST(TrimPolygons, RoundHolesAreCutWithinThePartTolerance)
{
    // The host cuts a circle of the trim loops into chords within the
    // tolerance the boundary is read with: the part tolerance.
    auto hole = [](f32 tol, double& sag) {
        host({R"({"kind":"plane_patch","id":5,"origin":[0,0,0],"u_axis":[1,0,0],"v_axis":[0,1,0],"u":[0,100],)"
              R"("v":[0,100],"loops":[{"points":[[0,0],[100,0],[100,100],[0,100]]},)"
              R"({"circle":{"center":[50,50],"radius":10}}]})"});
        single(5, tol);
        f32 sn = 0, cs = 0;
        i32 h = -1, nl = 0, st = 0;
        TRMRT1(5, 0, sn, cs, h, nl, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(nl, 2);
        const f32* l = plloop(polygon(h), 2);
        sag = 0;
        for (i32 j = 1; j < plcnt(l); ++j) {
            const f32 *p = plvtx(l, j), *q = plvtx(l, j + 1);
            sag = std::max(sag, 10.0 - std::hypot(0.5 * (p[0] + q[0]) - 50.0, 0.5 * (p[1] + q[1]) - 50.0));
        }
        const i32 n = plcnt(l) - 1;
        clspb(h, st);
        return n;
    };
    double fine = 0, coarse = 0;
    const i32 nf = hole(0.001f, fine), nc = hole(0.1f, coarse);
    EXPECT_LE(fine, 0.001 + 1e-5);
    EXPECT_LE(coarse, 0.1 + 1e-5);
    EXPECT_GT(coarse, 0.02);  // not cut finer than asked
    EXPECT_GT(nf, 5 * nc);
}

}  // namespace
