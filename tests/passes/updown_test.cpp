// Up/down milling over a ridge: the written cutting stretches run one way
// only, the material left is that of the same passes written plainly, and
// the writer's direction test drops the stretches that start on a flank.
#include <gtest/gtest.h>

#include "common/dropref.h"
#include "common/meshes.h"
#include "cutter/loccom.h"
#include "passes/bsural.h"
#include "passes/milbf.h"
#include "passes/services.h"
#include "passes/updown.h"
#include "surfaces/allsrf.h"
#include "tests/passes/loop_common.h"

namespace {

using lp::Pt;

// A floor at z 0 with a tent ridge along y at x = 50, 12 high, 20 wide each side.
struct Ridge {
    meshes::Mesh m;
    dropref::Buckets ref;
    Ridge()
    {
        m = meshes::grid(0, 0, 100, 80, 200, 20, [](f64 x, f64) { return 12.0 * std::max(0.0, 1 - std::fabs(x - 50) / 20); });
        m.id = 7;
        ref.build(meshes::soup({m}), 5.0);
    }
    double drop(double x, double y) const
    {
        const double p[2] = {x, y};
        return ref.drop_all(dropref::Tool{1, 5.0, 5.0}, p);
    }
};

const Ridge& ridge()
{
    static const Ridge r;
    return r;
}

// The ridge model, the ball, tolerance 0.01, up/down mode `mode` with the
// slope angle and split option; the tool at the first point.
void setup(i32 mode, f32 angle, i32 split)
{
    i32 st = 0;
    allfre(st);
    pt::host({});
    pt::params(1, 0.01f);
    pw(ZIGZAG) = 1;
    CURTOL = pt::BALL;
    FRETRI();
    ASSERT_EQ(meshes::build({ridge().m}), 0);
    STPFLG(0x3F);
    lp::fresh_run();
    std::memset(&SRFGEO, 0, sizeof SRFGEO);
    SRFGEO.NSRF = 1;
    SRFGEO.SRFIDS[0] = 7;
    i32 w[28] = {};
    UDINIT(w[0], w + 1, w[25], w[26], w[27]);
    i32 item[24] = {};
    item[0] = r2wrd(angle);
    UDSETP(mode, item, split, 1, 1, 0);
    MSTRST();
    lp::clearlist();
}

// One pass along y of the points at x (tool positions over the ridge).
void pass(const std::vector<double>& xs, double y)
{
    RSTPAS();
    PasStr& s = PASSTR;
    s.PSNSRF = 1;
    s.PSMODE[0] = 1;
    s.PSKIND[0] = 1;
    s.PSSURF[0] = 1;
    s.PSSCNT[0] = 1;
    s.PSSLEN[0] = static_cast<i32>(xs.size());
    for (size_t k = 0; k < xs.size(); ++k) {
        const f32 p[3] = {f32(xs[k]), f32(y), f32(ridge().drop(xs[k], y))}, v[6] = {0, 0, 1, 0, 0, 1};
        std::memcpy(s.PSPNTS[k], p, sizeof p);
        std::memcpy(s.PSVECS[k], v, sizeof v);
    }
    s.PSNSTR = 1;
    s.PSNPNT = static_cast<i32>(xs.size());
}

std::vector<double> across(double a, double b, double step)
{
    std::vector<double> x;
    const int n = int(std::lround(std::fabs(b - a) / step));
    for (int k = 0; k <= n; ++k) x.push_back(a + (b - a) * k / n);
    return x;
}

// Five zigzag passes across the ridge, then the buffers flushed.
void run_passes()
{
    for (int k = 0; k < 5; ++k) {
        pass(k % 2 ? across(100, 0, 1.0) : across(0, 100, 1.0), 20 + 10 * k);
        i32 st = 0;
        BSURAL(0, st);
        ASSERT_EQ(st, 0);
    }
    i32 st = 0;
    UDFLSH(st);
    ASSERT_EQ(st, 0);
}

// The cutting stretches of the list: the moves inside a surface-string
// marker (codes 5/6) after its approach, each from the point the approach
// reached.
std::vector<std::vector<Pt>> stretches()
{
    std::vector<std::vector<Pt>> out;
    std::vector<Pt> cur;
    Pt last{0, 0, 0};
    bool in = false;
    int link = 0;
    for (const auto& e : norak::main_list().elems) {
        const auto& w = e.words;
        if (w.empty()) continue;
        auto pt3 = [&](size_t k) { return Pt{wrd2r(w[k]), wrd2r(w[k + 1]), wrd2r(w[k + 2])}; };
        const i32 t = w[0];
        if (t == 99) {
            const i32 code = w[2];
            if (code == 5) in = true, cur.assign(1, last);
            if (code == 9 || code == 11) ++link;
            if (code == 10 || code == 12) --link;
            if (code == 10) cur.assign(1, last);
            if (code == 6) {
                in = false;
                if (cur.size() > 1) out.push_back(cur);
            }
            continue;
        }
        std::vector<Pt> pts;
        if (t == 2 || t == 22 || t == 222) pts.push_back(pt3(2));
        if (t == 7 || t == 27 || t == 227) {
            const size_t rec = t == 7 ? 4 : 7;
            for (size_t k = 1; k + rec <= w.size(); k += rec) pts.push_back(pt3(k + 1));
        }
        for (const Pt& p : pts) {
            if (in && link == 0) cur.push_back(p);
            last = p;
        }
    }
    return out;
}

// The material left: on a grid of 0.5 over the passes, the lowest point of
// the ball over every written position.
std::vector<double> zmap()
{
    const auto mv = lp::moves();
    std::vector<double> z;
    for (double x = 0; x <= 100; x += 0.5)
        for (double y = 20; y <= 60; y += 0.5) {
            double lo = 1e9;
            for (const Pt& p : mv) {
                const double d2 = (p.x - x) * (p.x - x) + (p.y - y) * (p.y - y);
                if (d2 < 25) lo = std::min(lo, p.z + 5 - std::sqrt(25 - d2));
            }
            z.push_back(lo);
        }
    return z;
}

TEST(UpDown, UpModeOnARidgeCutsOnlyRisingStretchesAndLeavesTheSameMaterial)
{
    setup(1, 0, 1);
    run_passes();
    const auto plain = zmap();
    const double r = 0.01;
    for (i32 mode : {2, 3}) {
        for (f32 angle : {0.0f, 10.0f}) {
            setup(mode, angle, 1);
            run_passes();
            const auto st = stretches();
            // Each pass crosses the ridge once: a rising and a falling run.
            EXPECT_GE(st.size(), 10u) << mode;
            const double s = mode == 2 ? 1 : -1, t = std::tan(angle * M_PI / 180);
            size_t climbs = 0;
            for (const auto& p : st) {
                for (size_t k = 1; k < p.size(); ++k) {
                    const double dz = s * (p[k].z - p[k - 1].z), d = std::hypot(p[k].x - p[k - 1].x, p[k].y - p[k - 1].y);
                    EXPECT_TRUE(dz >= -2 * r || std::fabs(dz) <= t * d + 1e-6)
                        << "mode " << mode << " angle " << angle << " drop " << dz << " over " << d;
                    if (dz > 0.5) ++climbs;
                }
            }
            EXPECT_GT(climbs, 100u);
            // The same positions, reversed in places: the same material.
            const auto z = zmap();
            ASSERT_EQ(z.size(), plain.size());
            double worst = 0;
            for (size_t k = 0; k < z.size(); ++k) worst = std::max(worst, std::fabs(z[k] - plain[k]));
            EXPECT_LE(worst, 0.01) << mode;
        }
    }
}

TEST(UpDown, ShallowFallsStayInTheRisingRun)
{
    // A chain that rises, falls gently (5 degrees) and rises again: one run
    // at an angle of 10 degrees, three at 0 (the fall reversed).
    for (f32 angle : {10.0f, 0.0f}) {
        setup(2, angle, 1);
        const f32 pts[] = {0, 0, 0, 10, 0, 5, 20, 0, 4.125f, 30, 0, 9};
        const i32 n = 4;
        i32 st = 0;
        UDMILB(3, 1, 0, pts, nullptr, nullptr, 1, &n, 0, 5, 6, 3, st);
        ASSERT_EQ(st, 0);
        i32 nrun = UDSPLT(st);
        EXPECT_EQ(nrun, angle > 0 ? 1 : 3) << angle;
        UDRSTN();
    }
}

TEST(UpDown, OnePointMovesAndGrowth)
{
    setup(2, 0, 1);
    const f32 a[3] = {0, 0, 0}, b[3] = {5, 0, 1};
    i32 st = 0;
    const i32 one = 1;
    UDMILB(3, 1, 0, a, nullptr, nullptr, 1, &one, 0, 5, 6, 3, st);
    UDMILB(3, 1, 0, b, nullptr, nullptr, 1, &one, 0, 5, 6, 3, st);
    // The lone point becomes a stretch from the last buffered one.
    EXPECT_EQ(UDBUF.count, 3);
    UDRSTN();
    // 25,000 points grow the buffers by 10,000.
    std::vector<f32> many(3 * 25000);
    for (size_t k = 0; k < 25000; ++k) many[3 * k] = f32(k) * 0.01f;
    const i32 n = 25000;
    UDMILB(3, 1, 0, many.data(), nullptr, nullptr, 1, &n, 0, 5, 6, 3, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(UDBUF.cap, 30000);
    EXPECT_EQ(UDBUF.count, 25000);
    UDRELS(st);
    EXPECT_EQ(UDBUF.hpts, -1);
}

// A write that fails partway empties the buffer (the release at the end of
// the execution writes nothing twice); a join marker that cannot be written
// fails the call, which then buffers nothing; a dimension code 3 is refused
// with the writer's own message and taken as 1.
TEST(UpDown, FailuresEndTheWriteAndWriteNothingTwice)
{
    // Up, then a steep fall, then up: three runs, the middle one reversed.
    const f32 pts[] = {0, 0, 0, 10, 0, 5, 12, 0, 0, 22, 0, 5, 32, 0, 9};
    const i32 n = 5;
    auto buffered = [&]() {
        setup(2, 0, 1);
        i32 st = 0;
        UDMILB(3, 1, 0, pts, nullptr, nullptr, 1, &n, 0, 5, 6, 3, st);
        ASSERT_EQ(st, 0);
    };
    buffered();
    long long before = norak::allocations();
    i32 st = 0;
    UDFLSH(st);
    ASSERT_EQ(st, 0);
    const long long total = norak::allocations() - before;
    const size_t whole = norak::main_list().elems.size();
    ASSERT_GT(total, 3);
    i32 failed = 0;
    for (long long k = 1; k <= total; ++k) {
        buffered();
        norak::fail_alloc_after(static_cast<i32>(k));
        UDFLSH(st);
        norak::fail_alloc_after(0);
        if (st < 0) ++failed;
        EXPECT_EQ(UDBUF.count, 0) << k;
        const size_t written = norak::main_list().elems.size();
        UDRELS(st);
        EXPECT_EQ(norak::main_list().elems.size(), written) << k;
        EXPECT_LE(written, whole) << k;
        tp_mrkr_fin(1);
    }
    EXPECT_GT(failed, 0);

    // The join markers of a continuation: the first that cannot be written
    // ends the call.
    buffered();
    UDFLSH(st);
    MILCMD = 3;
    norak::fail_alloc_after(1);
    UDMILB(-3, 1, 0, pts, nullptr, nullptr, 1, &n, 0, 5, 6, 3, st);
    norak::fail_alloc_after(0);
    MILCMD = 0;
    EXPECT_LT(st, 0);
    EXPECT_EQ(UDBUF.count, 0);
    tp_mrkr_fin(1);

    // The string writer's own join markers likewise: a host refusal from
    // the second allocation of the call on fails the continuation.
    MILCMD = 3;
    for (long long k = 2; k <= 12; ++k) {
        setup(2, 0, 1);
        const size_t refused = norak::transcript_count("memory: allocation refused");
        norak::fail_alloc_after(k);
        MILBF2(-3, 1, 0, pts, nullptr, nullptr, 1, &n, 0, 5, 6, 3, st);
        norak::fail_alloc_after(0);
        if (norak::transcript_count("memory: allocation refused") > refused) {
            EXPECT_LT(st, 0) << k;
        }
        tp_mrkr_fin(1);
    }
    MILCMD = 0;

    // Dimension code 3.
    buffered();
    UDMILB(3, 3, 0, pts, nullptr, nullptr, 1, &n, 0, 5, 6, 3, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(UDBUF.dim, 1);
    EXPECT_EQ(norak::transcript_count("internal: UDMILB, ONLY DIM2/3 IS PERMITTED "), 1u);
    UDRELS(st);
}

// Buffers whose host arrays were released behind the up/down state are not
// written through their old handles: they are opened afresh.
TEST(UpDown, BuffersWhoseArraysAreGoneAreOpenedAfresh)
{
    setup(2, 0, 1);
    const f32 pts[] = {0, 0, 0, 10, 0, 5, 20, 0, 9};
    const i32 n = 3;
    i32 st = 0;
    UDMILB(3, 1, 0, pts, nullptr, nullptr, 1, &n, 0, 5, 6, 3, st);
    ASSERT_EQ(st, 0);
    for (i32 h : {UDBUF.hpts, UDBUF.haxs, UDBUF.hmrk, UDBUF.hrun}) {
        i32 gone = h;
        MM_CLOSE(gone, st);
        ASSERT_EQ(st, 0);
    }
    UDMILB(3, 1, 0, pts, nullptr, nullptr, 1, &n, 0, 5, 6, 3, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(UDBUF.count, 3);  // the points kept with the lost arrays are gone
    EXPECT_EQ(UDBUF.cap, 20000);
    UDFLSH(st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(stretches().size(), 1u);
    UDRELS(st);
    EXPECT_EQ(UDBUF.hpts, -1);
}

TEST(UpDown, DirectionTestDropsStretchesThatStartOnAFlank)
{
    // A pass from the middle of the left flank over the top to the floor on
    // the right: its rising run starts on the flank, the falling one
    // (reversed) on the floor.
    for (i32 split : {1, 2}) {
        setup(2, 0, split);
        pass(across(40, 90, 1.0), 40);
        i32 st = 0;
        BSURAL(0, st);
        ASSERT_EQ(st, 0);
        UDFLSH(st);
        ASSERT_EQ(st, 0);
        const auto s = stretches();
        if (split == 1) {
            ASSERT_EQ(s.size(), 2u);
        } else {
            // Only the run from the floor is left, whole.
            ASSERT_EQ(s.size(), 1u);
            EXPECT_NEAR(s[0].front().x, 90, 1e-3);
            EXPECT_GT(s[0].back().z, 11.0);
        }
    }
}

TEST(MoveString, LinkDistanceLiftsTheWrittenPointsOnly)
{
    // Up/down off: straight to MILBF2. A string of three points entered by a
    // straight move (first-string word 0), with a link distance of 2.
    setup(1, 0, 1);
    PRM9[22] = 2;
    f32 pts[9] = {10, 40, 1, 20, 40, 2, 30, 40, 3};
    const i32 n = 3;
    i32 st = 0;
    for (f32 lift : {0.0f, 2.0f}) {
        lp::clearlist();
        UDLDIS = lift;
        MILBF2(1, 1, 0, pts, nullptr, nullptr, 1, &n, 0, 5, 6, 3, st);
        UDLDIS = 0;
        ASSERT_EQ(st, 0);
        const auto mv = lp::moves();
        ASSERT_GE(mv.size(), 3u);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(mv[mv.size() - 3 + size_t(k)].z, 1 + k + lift, 1e-5) << lift;
        EXPECT_EQ(pts[2], 1.0f);
        EXPECT_EQ(pts[8], 3.0f);
    }
    f32 d = -1;
    LNKDST(d);
    EXPECT_EQ(d, 0.0f);
}

}  // namespace

namespace {

TEST(UpDown, OptionMenuAsksForTheDirectionTestOnlyForUpMillingUnderType12)
{
    for (i32 type : {2, 12}) {
        for (i32 mode : {1, 2, 3}) {
            norak::reset();
            MACTYP = type;
            modinz();
            i32 w429 = mode, w455 = 7, item = 10, numbers[4] = {};
            i32 angle[24] = {};
            UDOPTM(w429, angle, w455, item, numbers);
            EXPECT_EQ(w455, mode == 2 ? (type == 12 ? 2 : 1) : 7) << type << " " << mode;
            EXPECT_EQ(item, 14);
            EXPECT_EQ(numbers[0], 10);
            EXPECT_EQ(numbers[1], mode == 1 ? 0 : 11);
        }
    }
    MACTYP = 2;
}

}  // namespace
