// Offsets of random loops with arcs, inward and outward, registered by the
// one-offset engine, against Clipper's round offsets of the same loops: the
// number of loops, the area between the two, and the arcs' centres.
#include <gtest/gtest.h>
#include <polyclipping/clipper.hpp>

#include <cmath>
#include <vector>

#include "pocket/oneoff.h"
#include "tests/pocket/common.h"

using namespace pk;

namespace {

constexpr f64 SCALE = 1.0e4;

ClipperLib::Path path(const std::vector<P>& p)
{
    ClipperLib::Path r;
    for (size_t k = 0; k + 1 < p.size(); ++k)
        r.push_back({static_cast<ClipperLib::cInt>(std::llround(p[k].x * SCALE)),
                     static_cast<ClipperLib::cInt>(std::llround(p[k].y * SCALE))});
    return r;
}

f64 area(const ClipperLib::Paths& ps)
{
    f64 a = 0.0;
    for (const auto& p : ps) a += ClipperLib::Area(p);
    return std::fabs(a) / (SCALE * SCALE);
}

// Every arc of the offset keeps the centre of an arc of the loop with its
// radius moved by d, or is a round join of radius d about a vertex.
bool arcs_kept(const pokarr& off, const pokarr& loop, f64 d)
{
    for (i32 k = 0; k + 3 < off.count; ++k) {
        if (!pk_arc_at(off.x[k])) continue;
        const f64 r = off.x[k + 1], cx = off.x[k + 2], cy = off.y[k + 2];
        bool found = false;
        for (i32 j = 0; j < loop.count && !found; ++j) {
            if (pk_arc_at(loop.x[j]) && j + 3 < loop.count) {
                const f64 r0 = loop.x[j + 1];
                if (std::hypot(cx - loop.x[j + 2], cy - loop.y[j + 2]) < 1e-5 &&
                    (std::fabs(r - (r0 + d)) < 1e-5 || std::fabs(r - (r0 - d)) < 1e-5))
                    found = true;
                j += 2;
                continue;
            }
            if (std::hypot(cx - loop.x[j], cy - loop.y[j]) < 1e-9 && std::fabs(r - d) < 1e-9) found = true;
        }
        if (!found) return false;
        k += 3;
    }
    return true;
}

}  // namespace

// Whether the loop is a pocket contour at all: its chords do not cross.
bool simple(const pokarr& a)
{
    Geos geo;
    GEOSGeometry* ring = geo.ring(dense(a, 0.01));
    const bool ok = GEOSisSimple_r(geo.h, ring) == 1;
    geo.free(ring);
    return ok;
}

TEST(OffsetsAgainstClipper, RandomLoopsWithArcsInwardAndOutward)
{
    std::mt19937 rng(3030);
    i32 compared = 0, crossing = 0, differ[2] = {0, 0};
    for (i32 it = 0; it < 1000; ++it) {
        for (i32 side : {0, 1}) {  // 0 a pocket offset inward, 1 an island offset outward
            fresh();
            pk_round_corner = 1;
            pkoff.side = 0.01;
            pkoff.seg_tol = 0.01;
            std::mt19937 g(static_cast<unsigned>(it));
            Loop l = random_star(g, 5 + static_cast<i32>(g() % 12), 20.0, 40.0, 0.3, 0.2);
            pokarr a = make(l);
            const f64 d = 0.5 + static_cast<f64>(rng() % 100) * 0.03;
            // Two concave arcs that meet at a vertex may cross again before
            // it (a thin curved horn whose walls cross): such a loop is no
            // pocket contour, and the engine rightly drops an offset that
            // crosses the loop it came from. Those loops are not compared.
            if (!simple(a)) {
                crossing += side;
                pokarr_free(a);
                continue;
            }
            if (side == 1) pokarr_reverse(a);
            pokarr ref;
            pokarr_init(2, ref);
            i32 st = 0, start = 0;
            pokarr_copy(a, ref, st);
            lup_add(side ? 1 : 1, side ? 10001 : 1, 0, 0, 0, 0.0, 1, a, start, st);
            i32 keys = 1;
            oneoff_pokarr(0, a, side, -1, 5.0, d, d, 1, 1, side ? 10001 : 1, keys, 0, 0, st);
            // Clipper's round offset of the same loop
            ClipperLib::ClipperOffset co(2.0, 0.002 * SCALE);
            co.AddPath(path(dense(ref, 0.01)), ClipperLib::jtRound, ClipperLib::etClosedPolygon);
            ClipperLib::Paths theirs;
            co.Execute(theirs, (side ? d : -d) * SCALE);
            const f64 A = side ? 0.009 : 0.001;
            size_t want = 0;
            for (const auto& p : theirs) want += std::fabs(ClipperLib::Area(p)) / (SCALE * SCALE) > A ? 1 : 0;
            ClipperLib::Paths ours;
            f64 perim = 0.0;
            for (i32 r = 2; r <= lup_count; ++r) {
                pokarr o;
                pokarr_init(2, o);
                lup_get_pokarr(r, o, st);
                EXPECT_TRUE(arcs_kept(o, ref, d)) << it << " " << side;
                std::vector<P> q = dense(o, 0.01);
                for (size_t k = 0; k + 1 < q.size(); ++k) perim += std::hypot(q[k + 1].x - q[k].x, q[k + 1].y - q[k].y);
                ours.push_back(path(q));
                pokarr_free(o);
            }
            ++compared;
            bool same = ours.size() == want;
            // the area between the two offsets: what dense chords and the
            // short segments and narrow spikes the engine may cut leave
            ClipperLib::Clipper c;
            c.AddPaths(ours, ClipperLib::ptSubject, true);
            c.AddPaths(theirs, ClipperLib::ptClip, true);
            ClipperLib::Paths x;
            c.Execute(ClipperLib::ctXor, x, ClipperLib::pftEvenOdd, ClipperLib::pftEvenOdd);
            const f64 between = area(x), bound = 0.004 * perim + 16.0 * pk_offset_tol * pk_offset_tol + 0.01;
            same = same && between <= bound;
            if (!same) {
                ++differ[side];
                std::printf("loop %d %s by %g: %zu loops (Clipper %zu), %g between (bound %g)\n", it,
                            side ? "outward" : "inward", d, ours.size(), want, between, bound);
            }
            pokarr_free(a);
            pokarr_free(ref);
        }
    }
    EXPECT_LE(crossing, 5);
    EXPECT_EQ(compared, 2 * (1000 - crossing));
    EXPECT_EQ(differ[0], 0);
    EXPECT_EQ(differ[1], 0);
}
