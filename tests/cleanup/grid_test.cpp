// The pass store and the pass comparison: how written strings join into
// pieces, the grid's size and its refusals, the spots of analytic passes
// (a flat tool over a flat, a ball across a V-groove), the clamping of
// spots, the bounds chosen for pieces and pairs, and the nearest point of
// a pass through the index against the full scan.
#include <random>

#include "cutter/frames.h"
#include "tests/cleanup/common.h"

namespace {

size_t filed()
{
    size_t n = 0;
    for (const ClnCell& c : CLNGRD.cells) n += size_t(c.count);
    return n;
}

// One pass as storps takes it: all points as one piece each string.
void store(i32 key, const std::vector<f32>& p, const std::vector<f32>& n, f32 step = 0.02f)
{
    const i32 np = i32(p.size() / 3), one = 1, skip = 0;
    i32 st = -9;
    storps(step, key, p.data(), n.data(), one, &np, np, skip, st);
    ASSERT_EQ(st, 0);
}

// Tool tips of a ball of radius r across the V-groove z = k |x - x0| along
// y (the tip path of a ball in a concave V is the V raised by
// r (sqrt(1 + k^2) - 1)), with the wall normals.
void vpass(f32 y, f32 r, f32 k, f32 x0, std::vector<f32>& p, std::vector<f32>& n)
{
    const f32 s = std::sqrt(1 + k * k), lift = r * (s - 1);
    p.clear(), n.clear();
    for (int i = 0; i <= 80; ++i) {
        const f32 x = x0 - 20.25f + 0.5f * f32(i);
        p.insert(p.end(), {x, y, k * std::fabs(x - x0) + lift});
        const f32 side = x < x0 ? 1.0f : -1.0f;
        n.insert(n.end(), {side * k / s, 0, 1 / s});
    }
}

}  // namespace

TEST(PassStore, StringsJoinIntoPiecesAndANewPassComparesTheLastOne)
{
    cl::grid(10.0f, 5.0f, 0, 0, 100, 100);
    const std::vector<f32> up = {0, 0, 1, 0, 0, 1};
    // The first string of the first pass starts piece 1 of buffer 0.
    store(0, {0, 0, 0, 1, 0, 0}, up);
    EXPECT_EQ(CLNBUF.cur, 0);
    EXPECT_EQ(CLNBUF.npass, 1);
    EXPECT_EQ(CLNBUF.lens[0], std::vector<i32>({2}));
    // Within one tool diameter of the last point: the last piece grows.
    store(0, {9, 0, 0, 10, 0, 0}, up);
    EXPECT_EQ(CLNBUF.lens[0], std::vector<i32>({4}));
    // The same point with the same normal: the repeated point is dropped.
    store(0, {10, 0, 0, 11, 0, 0}, up);
    EXPECT_EQ(CLNBUF.lens[0], std::vector<i32>({5}));
    EXPECT_EQ(CLNBUF.npnt[0], 5);
    // The same point with a normal turned away: both points kept.
    store(0, {11, 0, 0, 12, 0, 0}, {0.5f, 0, 0.866f, 0, 0, 1});
    EXPECT_EQ(CLNBUF.lens[0], std::vector<i32>({7}));
    // Farther than a diameter: a new piece.
    store(0, {30, 0, 0, 31, 0, 0}, up);
    EXPECT_EQ(CLNBUF.lens[0], std::vector<i32>({7, 2}));
    EXPECT_EQ(CLNBUF.npnt[0], 9);
    ASSERT_EQ(CLNBUF.pts[0].size(), 27u);
    EXPECT_EQ(CLNBUF.nrms[0].size(), 27u);
    // A new pass number: the next buffer, never joined to the old one.
    store(1, {31, 0, 0, 32, 0, 0}, up);
    EXPECT_EQ(CLNBUF.cur, 1);
    EXPECT_EQ(CLNBUF.npass, 2);
    EXPECT_EQ(CLNBUF.lens[1], std::vector<i32>({2}));
    EXPECT_EQ(CLNBUF.npnt[0], 9);
    // Sixty pieces in one string of one pass: the table grows, nothing lost.
    std::vector<f32> p, n;
    std::vector<i32> lens(60, 2);
    for (int k = 0; k < 60; ++k) {
        p.insert(p.end(), {0, 50.0f + 20 * k, 0, 1, 50.0f + 20 * k, 0});
        n.insert(n.end(), {0, 0, 1, 0, 0, 1});
    }
    i32 st = -9;
    const i32 pcs = 60, pts = 120, skip = 0;
    storps(0.02f, 2, p.data(), n.data(), pcs, lens.data(), pts, skip, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(CLNBUF.cur, 0);
    EXPECT_EQ(CLNBUF.lens[0].size(), 60u);
    EXPECT_EQ(CLNBUF.npnt[0], 120);
    strrel(st);
    EXPECT_EQ(CLNBUF.npass, 0);
    EXPECT_TRUE(CLNBUF.pts[0].empty() && CLNBUF.pts[1].empty());
}

TEST(CleanUpGrid, SizedByTheToolOrNotOpened)
{
    // Extents that are multiples of D give no extra cell: 80 + 4 D = 120.
    cl::grid(10.0f, 5.0f, 0, 0, 80, 30);
    EXPECT_EQ(CLNGRD.ncol, 12);
    EXPECT_EQ(CLNGRD.nrow, 7);
    EXPECT_FLOAT_EQ(CLNGRD.lo[0], -20);
    EXPECT_FLOAT_EQ(CLNGRD.hi[0], 100);
    EXPECT_FLOAT_EQ(CLNGRD.hi[1], 50);
    // One more: the upper corner follows the cells.
    cl::grid(10.0f, 5.0f, 0, 0, 81, 30);
    EXPECT_EQ(CLNGRD.ncol, 13);
    EXPECT_FLOAT_EQ(CLNGRD.hi[0], 110);
    // A box given upside down (its enlarged width -10) takes the cells of
    // its extent and one more.
    cl::grid(10.0f, 5.0f, 0, 0, -50, 30);
    EXPECT_EQ(CLNGRD.ncol, 2);

    // A tool that is not a mill (its grid open, silently), a mill of no
    // diameter (no grid, silently), and a part too large for the grid (no
    // grid, one warning): status 0; every later call accepts the grid as it
    // is and finds nothing.
    const f32 box[6] = {0, 0, 0, 100, 100, 10}, huge[6] = {0, 0, 0, 1e5f, 1e5f, 10};
    for (int road = 0; road < 3; ++road) {
        norak::reset();
        if (road == 0) tooldefs::use_mill(10.0f, 5.0f, 30.0f, -5.0f);  // a negative taper: not a mill
        if (road == 1) tooldefs::use_mill(0.0f, 0.0f);
        if (road == 2) tooldefs::use_mill(10.0f, 5.0f);
        i32 st = -9;
        clnini(road == 2 ? huge : box, st);
        EXPECT_EQ(st, 0) << road;
        EXPECT_EQ(CLNGRD.open, road == 0) << road;
        EXPECT_EQ(CLNGRD.cells.empty(), road != 0) << road;
        size_t warnings = 0;
        for (const std::string& l : norak::transcript()) warnings += l.find("WARNING") != std::string::npos;
        EXPECT_EQ(warnings, road == 2 ? 1u : 0u) << road;
        std::vector<f32> p, n;
        vpass(0, 5, 1, 50, p, n);
        store(0, p, n);
        store(1, p, n);
        clnpas(0.02f, 0, st);
        EXPECT_EQ(st, 0);
        cl::spot(1, 1);
        clnrst();
        clndrv(0, 0, st);
        EXPECT_EQ(st, 0);
        EXPECT_TRUE(clntrc_outlines().empty());
        clnrls(st);
        EXPECT_EQ(st, 0);
        strrel(st);
    }
    // The cell limit itself: 2000 x 1000 cells are opened, one column more
    // is refused with the warning.
    for (const f32 w : {1996.0f, 1997.0f}) {
        norak::reset();
        tooldefs::use_mill(1.0f, 0.5f);
        const f32 big[6] = {0, 0, 0, w, 996, 10};
        i32 st = -9;
        clnini(big, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(CLNGRD.open, w < 1997) << w;
        EXPECT_EQ(CLNGRD.cells.size(), w < 1997 ? size_t(CLN_MAXCELLS) : 0u) << w;
        size_t warnings = 0;
        for (const std::string& l : norak::transcript()) warnings += l.find("TOO LARGE FOR THE CLEAN-UP GRID") != std::string::npos;
        EXPECT_EQ(warnings, w < 1997 ? 0u : 1u) << w;
        clnrls(st);
    }
}

TEST(CleanUpGrid, SpotsOutsideTheGridAreClampedIntoItsBorderCells)
{
    cl::grid(2.0f, 1.0f, 10, 10, 20, 20);
    cl::spot(-100, -100);
    cl::spot(500, 5);
    cl::spot(15, 1e9f);
    cl::spot(std::nanf(""), 15);
    const i32 nc = CLNGRD.ncol, nr = CLNGRD.nrow;
    EXPECT_EQ(CLNGRD.cells[0].count, 1);
    EXPECT_EQ(CLNGRD.cells[size_t(nc - 1)].count, 1);
    EXPECT_EQ(filed(), 4u);
    // 15 lies in column (15 - 6) / 2 = 4 of the top row.
    EXPECT_EQ(CLNGRD.cells[size_t((nr - 1) * nc + 4)].count, 1);
}

TEST(PassComparison, FlatToolOverAFlatLeavesNoSpot)
{
    cl::grid(10.0f, 0.0f, 0, 0, 100, 100);
    std::vector<f32> n;
    for (int pass = 0; pass < 6; ++pass) {
        std::vector<f32> p;
        n.clear();
        for (int i = 0; i <= 100; ++i) {
            p.insert(p.end(), {f32(i), 8.0f * pass, 3});
            n.insert(n.end(), {0, 0, 1});
        }
        store(pass, p, n);
    }
    i32 st = -9;
    clnpas(0.02f, 0, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(filed(), 0u);
}

TEST(PassComparison, BallAcrossAVGrooveLeavesSpotsAlongTheGroove)
{
    // A raster of 11 passes 2 apart across a groove along y at x = 50, walls
    // at 45 degrees, ball of radius 5.
    cl::grid(10.0f, 5.0f, 0, 0, 100, 40);
    const f32 r = 5, k = 1;
    std::vector<f32> p, n;
    for (int pass = 0; pass <= 10; ++pass) {
        vpass(2.0f * pass, r, k, 50, p, n);
        store(pass, p, n);
    }
    i32 st = -9;
    clnpas(0.02f, 0, st);
    ASSERT_EQ(st, 0);
    const auto s = cl::spots();
    ASSERT_EQ(s.size(), 11u);  // one a pass, where the tips cross the groove's bottom
    for (const cl::Spot& q : s) {
        EXPECT_NEAR(q.x, 50, 1e-4);
        EXPECT_NEAR(std::fmod(q.y, 2.0f), 0, 1e-4);
        // The pair: where the ball touches each wall at the two tips 0.25
        // either side of the bottom: the centre (tip + r up) less r along
        // the wall normal, on the walls z = |x - 50|.
        const double c = r / std::sqrt(2.0), lift = r * (std::sqrt(2.0) - 1);
        const double b[3] = {49.75 - c, q.y, 0.25 + lift + r - c}, a[3] = {50.25 + c, q.y, 0.25 + lift + r - c};
        EXPECT_NEAR(std::fabs(a[0] - 50), a[2], 1e-4);  // on the wall
        const f32* lo = q.p1[0] < q.p2[0] ? q.p1 : q.p2;
        const f32* hi = q.p1[0] < q.p2[0] ? q.p2 : q.p1;
        for (int m = 0; m < 3; ++m) {
            EXPECT_NEAR(lo[m], b[m], 1e-4);
            EXPECT_NEAR(hi[m], a[m], 1e-4);
        }
    }
    // The spots of the groove make one thin outline.
    const auto& out = cl::trace();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_NEAR(out[0].box[1], 0, 1e-4);
    EXPECT_NEAR(out[0].box[3], 20, 1e-4);
}

TEST(PassComparison, AClosedPassComparesItsLastPointWithItsFirst)
{
    // One pass across the groove taken from the right of its bottom round
    // to the left of it: the only step across the bottom is the closing one
    // (the jump back from the far right is beyond the reach limit).
    cl::grid(10.0f, 5.0f, 0, 0, 100, 40);
    std::vector<f32> p, n, q, m;
    vpass(10, 5, 1, 50, p, n);
    for (int i = 41; i != 41 + 81; ++i) {
        const size_t k = size_t(i % 81);
        q.insert(q.end(), p.begin() + 3 * k, p.begin() + 3 * k + 3);
        m.insert(m.end(), n.begin() + 3 * k, n.begin() + 3 * k + 3);
    }
    store(0, q, m);
    i32 st = -9;
    clnpas(0.02f, 0, st);
    ASSERT_EQ(st, 0);
    const auto s = cl::spots();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_NEAR(s[0].x, 50, 1e-4);
    EXPECT_NEAR(s[0].y, 10, 1e-4);
}

TEST(PassComparison, AStepBetweenPassesIsASpotOnlyByItsHeight)
{
    // Two level passes 2 apart in y and 5 apart in height, ball of radius 5:
    // the tips' plane spread is too small for the first test, and the
    // second chance on the height difference decides. Normals leaning into
    // the corner between them (the lower pass towards the higher, the
    // higher back over the lower) make a spot; leaning the same way, the
    // other way, or level, none.
    struct Case {
        f32 ny_prev, ny_cur;
        bool spots;
    } cases[] = {{0.1f, -0.1f, true}, {-0.1f, 0.1f, false}, {0.1f, 0.1f, false}, {0.0f, 0.0f, false}};
    for (const Case& c : cases) {
        cl::grid(10.0f, 5.0f, 0, 0, 100, 40);
        for (int pass = 0; pass < 2; ++pass) {
            std::vector<f32> p, n;
            const f32 ny = pass == 0 ? c.ny_prev : c.ny_cur, nz = std::sqrt(1 - ny * ny);
            for (int i = 0; i <= 40; ++i) {
                p.insert(p.end(), {10 + 0.5f * f32(i), 10 + 2.0f * f32(pass), 5.0f * f32(pass)});
                n.insert(n.end(), {0, ny, nz});
            }
            store(pass, p, n);
        }
        i32 st = -9;
        clnpas(0.02f, 0, st);
        ASSERT_EQ(st, 0);
        EXPECT_EQ(filed() > 0, c.spots) << c.ny_prev << " " << c.ny_cur;
    }
}

TEST(PassComparison, SpotsBeyondThePairArrayAreAllFiled)
{
    // 1,500 short V-steps in one pass, each a spot: the pair array is filed
    // and filled again three times.
    cl::grid(10.0f, 5.0f, 0, 0, 30000, 10);
    std::vector<f32> p, n;
    const f32 s = std::sqrt(2.0f);
    for (int i = 0; i < 1500; ++i) {
        const f32 x = 20.0f * i;
        p.insert(p.end(), {x, 5, 0, x + 0.2f, 5, 0});
        n.insert(n.end(), {1 / s, 0, 1 / s, -1 / s, 0, 1 / s});
    }
    store(0, p, n);
    i32 st = -9;
    clnpas(0.02f, 0, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(filed(), 1500u);
}

TEST(NearestPoint, IndexAnswersAsTheFullScanOnRandomPasses)
{
    std::mt19937 rng(31);
    std::uniform_real_distribution<f32> u(0, 1);
    int ties = 0, found = 0;
    for (int trial = 0; trial < 1000; ++trial) {
        const int n = 2 + int(u(rng) * 60);
        std::vector<f32> p, nr;
        std::vector<i32> lens;
        const bool grid = trial % 3 == 0;  // lattice points: many equal distances
        for (int i = 0; i < n; ++i) {
            f32 x = u(rng) * 50, y = u(rng) * 50, z = u(rng) * 5;
            if (grid) x = std::floor(x / 5) * 5, y = std::floor(y / 5) * 5, z = 0;
            p.insert(p.end(), {x, y, z});
            nr.insert(nr.end(), {u(rng), u(rng), 1});
        }
        // Pieces, one-point pieces among them; a repeated segment for ties.
        if (grid && n >= 4) {
            for (int m = 0; m < 6; ++m) p[size_t(6 + m)] = p[size_t(m)];
        }
        for (int left = n; left > 0;) {
            const int l = std::min(left, 1 + int(u(rng) * 12));
            lens.push_back(l);
            left -= l;
        }
        const ClnPass pass{p.data(), nr.data(), n, lens.data(), i32(lens.size())};
        const f32 d = 1 + u(rng) * 9;
        ClnIndex index;
        index.build(pass, d);
        for (int q = 0; q < 20; ++q) {
            f32 x[3] = {u(rng) * 60 - 5, u(rng) * 60 - 5, u(rng) * 5};
            if (grid) x[0] = std::round(x[0] / 2.5f) * 2.5f, x[1] = std::round(x[1] / 2.5f) * 2.5f, x[2] = 0;
            f32 a[3] = {0, 0, 0}, an[3] = {0, 0, 0}, b[3] = {0, 0, 0}, bn[3] = {0, 0, 0};
            i32 sa = -9, sb = -9;
            clnnpt(pass, x, d, a, an, sa);
            index.nearest(x, b, bn, sb);
            ASSERT_EQ(sa, sb) << trial << " " << q;
            if (sa != 0) continue;
            ++found;
            ties += grid;
            for (int m = 0; m < 3; ++m) {
                ASSERT_EQ(a[m], b[m]) << trial << " " << q;
                ASSERT_EQ(an[m], bn[m]) << trial << " " << q;
            }
        }
    }
    EXPECT_GT(found, 5000);
    EXPECT_GT(ties, 1000);
}

TEST(PassComparison, NeighbouringPassesOnFacingWallsLeaveSpotsBetweenThem)
{
    // Two passes along x, 0.5 apart, the ball on either wall of a V-groove
    // along x (walls at 45 degrees): the tips are close, the contacts apart.
    const f32 r = 5, s = std::sqrt(2.0f), lift = r * (s - 1);
    auto pass = [&](f32 y, std::vector<f32>& p, std::vector<f32>& n) {
        p.clear(), n.clear();
        for (int i = 0; i <= 40; ++i) {
            p.insert(p.end(), {0.5f * f32(i), y, std::fabs(y - 20) + lift});
            n.insert(n.end(), {0, (y < 20 ? 1.0f : -1.0f) / s, 1 / s});
        }
    };
    for (i32 skip : {0, 1}) {
        cl::grid(10.0f, 5.0f, 0, 0, 40, 40);
        std::vector<f32> p, n;
        pass(19.75f, p, n);
        store(0, p, n);
        pass(20.25f, p, n);
        store(1, p, n);
        i32 st = -9;
        clnpas(0.02f, skip, st);
        ASSERT_EQ(st, 0);
        if (skip) {
            EXPECT_EQ(filed(), 0u);
            continue;
        }
        // Two spots at the start of each segment of the current pass: the
        // sample itself and its nearest point on the pass before.
        const auto sp = cl::spots();
        ASSERT_EQ(sp.size(), 80u);
        for (const cl::Spot& q : sp) {
            ASSERT_TRUE(q.y == 19.75f || q.y == 20.25f) << q.y;
            // The pair: the contact point on the spot's own wall, the spot.
            EXPECT_FLOAT_EQ(q.p2[0], q.x);
            EXPECT_FLOAT_EQ(q.p2[1], q.y);
            EXPECT_NEAR(std::fabs(q.p1[1] - 20), q.p1[2], 1e-4);  // on a wall
            EXPECT_NEAR(std::fabs(q.p1[1] - q.y), r / s, 1e-4);
        }
    }
}

TEST(PassComparison, LongSegmentsAreSampledWithBlendedNormals)
{
    // The facing walls again, each pass three points 20 apart with the wall
    // steepening from 45 to 50 and 55 degrees: every segment (longer than
    // half the diameter) is sampled at k + 1 = 6 parameters, and each
    // sample's contact comes from the blend of its segment's end normals.
    const f32 r = 5, deg = 3.14159265f / 180;
    const f32 tilt[3] = {45 * deg, 50 * deg, 55 * deg};
    cl::grid(10.0f, 5.0f, 0, 0, 40, 40);
    for (int k = 0; k < 2; ++k) {
        const f32 y = k == 0 ? 19.75f : 20.25f, side = k == 0 ? 1.0f : -1.0f;
        std::vector<f32> p, n;
        for (int i = 0; i < 3; ++i) {
            p.insert(p.end(), {20.0f * f32(i), y, 3});
            n.insert(n.end(), {0, side * std::sin(tilt[i]), std::cos(tilt[i])});
        }
        store(k, p, n);
    }
    i32 st = -9;
    clnpas(0.02f, 0, st);
    ASSERT_EQ(st, 0);
    const auto sp = cl::spots();
    ASSERT_EQ(sp.size(), 24u);
    int mine = 0;
    for (const cl::Spot& q : sp) {
        if (q.y != 20.25f) continue;
        ++mine;
        // The blend of the end normals at the sample (not renormalised).
        const int seg = q.x < 20 ? 0 : 1;
        const f32 t0 = tilt[seg], t1 = tilt[seg + 1], uu = (q.x - 20.0f * f32(seg)) / 20.0f;
        const f32 ny = -(std::sin(t0) + uu * (std::sin(t1) - std::sin(t0)));
        const f32 nz = std::cos(t0) + uu * (std::cos(t1) - std::cos(t0));
        EXPECT_NEAR(q.p1[0], q.x, 1e-4);
        EXPECT_NEAR(q.p1[1], 20.25f - r * ny, 1e-4) << q.x;
        EXPECT_NEAR(q.p1[2], 3 + r - r * nz, 1e-4) << q.x;
    }
    EXPECT_EQ(mine, 12);
}

TEST(PassComparison, AShortStepTakesItsDirectionFromTheLongerNeighbour)
{
    // A jump back over the bottom of a V-groove (walls 1 in 2): the tool
    // steps 0.2 to -x between the walls, shorter than max(D / 20, 0.05) = 0.5.
    // Along -x the side test would reject the pair; the neighbouring step
    // (+x) gives the direction and the pair is a spot. Without a neighbour
    // the step's own direction stays, and so does the rejection.
    const f32 s = std::sqrt(1.25f);
    const std::vector<f32> nl = {0.5f / s, 0, 1 / s}, nr = {-0.5f / s, 0, 1 / s};
    for (int road = 0; road < 3; ++road) {
        cl::grid(10.0f, 5.0f, 0, 0, 100, 20);
        std::vector<f32> p, n;
        if (road == 0) p.insert(p.end(), {38, 5, 6}), n.insert(n.end(), nl.begin(), nl.end());
        p.insert(p.end(), {50.1f, 5, 0.5f}), n.insert(n.end(), nl.begin(), nl.end());
        p.insert(p.end(), {49.9f, 5, 0.5f}), n.insert(n.end(), nr.begin(), nr.end());
        if (road == 1) p.insert(p.end(), {62, 5, 6}), n.insert(n.end(), nr.begin(), nr.end());
        store(0, p, n);
        i32 st = -9;
        clnpas(0.02f, 0, st);
        ASSERT_EQ(st, 0);
        EXPECT_EQ(filed(), road == 2 ? 0u : 1u) << road;
    }
}

// The direction of a short pair is taken from a neighbouring step within
// its piece, never from the gap to the next piece: a short step across a
// V-groove's axis after a step along the wall is no spot, where the long
// gap along the axis to the next piece would have made it one.
TEST(CleanUpGrid, AShortPairTakesItsDirectionWithinItsPiece)
{
    cl::grid(10.0f, 5.0f, -20, -20, 40, 20);
    const f32 s = 0.5f, c = std::sqrt(1 - s * s);
    store(0, {0, -1, 0, 0, 0, 0, 0.1f, 0, 0}, {0, -s, c, 0, -s, c, 0, s, c});
    store(0, {20, 0, 0, 21, 0, 0}, {0, s, c, 0, s, c});
    ASSERT_EQ(CLNBUF.lens[CLNBUF.cur], std::vector<i32>({3, 2}));
    i32 st = -9;
    clnpas(0.02f, 0, st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(cl::spots().empty());
}
