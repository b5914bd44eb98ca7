// Self-intersections: box tables, the cut of a self-crossing loop into
// simple loops, and the hand-out of the loops.
#include <gtest/gtest.h>

#include <array>
#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/host.h"
#include "pocket/selfint.h"
#include "pocket/selfint3.h"
#include "tests/pocket/common.h"

using namespace pk;

namespace {

// The loops of a cut, all handed out; status of the first call.
i32 cut(const pokarr& src, std::vector<pokarr>& out)
{
    out.clear();
    pokarr r;
    pokarr_init(src.dims, r);
    i32 more = 0, st = 0;
    DELUPS(src, r, more, st);
    if (st != 0) return st;
    out.push_back(r);
    for (i32 k = 0; k < more; ++k) {
        pokarr n;
        pokarr_init(src.dims, n);
        i32 m = more;
        DELUPS(src, n, m, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(m, more);
        out.push_back(n);
    }
    return 0;
}

void free_all(std::vector<pokarr>& v)
{
    for (pokarr& a : v) pokarr_free(a);
    v.clear();
}

// Whether a loop is simple (its dense ring, by GEOS).
bool simple(Geos& g, const pokarr& a)
{
    std::vector<P> d;
    for (const P& p : dense(a, 0.002, 1, 16))  // a vertical step stands twice in plan
        if (d.empty() || p.x != d.back().x || p.y != d.back().y) d.push_back(p);
    if (d.size() < 4) return false;
    GEOSGeometry* r = g.ring(d);
    bool ok = GEOSisSimple_r(g.h, r) == 1;
    g.free(r);
    return ok;
}

}  // namespace

TEST(BoxTables, ChunksCountArcsAsOneSegmentAndCoverTheirBulge)
{
    fresh();
    Loop one;
    one.pt(3, 4);
    pokarr a = make(one);
    PkBox box;
    pkbox_make(a, box);
    EXPECT_EQ(box.count, 1);
    EXPECT_EQ(box.xmin[0], 3.0);
    Loop big;
    for (i32 k = 0; k <= 10000; ++k) big.pt(k, (k % 2) * 0.5);
    pokarr b = make(big);
    pkbox_make(b, box);
    EXPECT_EQ(box.count, 100);
    EXPECT_EQ(box.start[1] - box.start[0], 100);
    EXPECT_EQ(box.start[100], 10001);
    Loop arcs;
    arcs.pt(1, 0).arc(-1, 0, 0, 0, 1).pt(-1, -1).pt(1, -1).close();
    pokarr c = make(arcs);
    pkbox_make(c, box);
    EXPECT_EQ(box.count, 2);  // four segments: chunks of two
    EXPECT_EQ(box.start[1], 6);
    EXPECT_EQ(box.ymax[0], 1.0);  // the bulge, not only the ends
    // an arc that starts at the next chunk's first point widens that chunk
    // only
    Loop late;
    late.pt(0, -2).pt(1, -1).pt(1, 0).arc(-1, 0, 0, 0, 1).pt(0, -2);
    pokarr d = make(late);
    pkbox_make(d, box);
    ASSERT_EQ(box.count, 2);
    EXPECT_EQ(box.start[1], 3);
    EXPECT_EQ(box.ymax[0], 0.0);
    EXPECT_EQ(box.ymax[1], 1.0);
    for (pokarr* p : {&a, &b, &c, &d}) pokarr_free(*p);
    pkdm_rel_all();
}

TEST(SelfIntersections, AFigureEightGivesTwoLoopsEachClosedOnTheCrossing)
{
    fresh();
    Loop l;
    l.pt(0, 0).pt(2, 2).pt(2, 0).pt(0, 2).close();
    pokarr a = make(l);
    std::vector<pokarr> out;
    ASSERT_EQ(cut(a, out), 0);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].x[0], 0.0);  // loop 0 holds the start
    for (pokarr& o : out) {
        EXPECT_EQ(o.x[0], o.x[o.count - 1]);
        EXPECT_EQ(o.y[0], o.y[o.count - 1]);
    }
    EXPECT_EQ(out[1].x[0], 1.0);
    EXPECT_EQ(out[1].y[0], 1.0);
    f64 s0 = signed_area(out[0]), s1 = signed_area(out[1]);
    EXPECT_NEAR(s0 + s1, signed_area(a), 1e-12);
    EXPECT_NEAR(std::fabs(s0), 1.0, 1e-12);
    // a loop without crossings comes back whole
    pokarr sq = make(square(0, 0, 1));
    std::vector<pokarr> one;
    ASSERT_EQ(cut(sq, one), 0);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].count, 5);
    // crossings on an arc keep the arc up to, between and from them
    Loop c;
    c.pt(-2, 0.5).pt(2, 0.5).pt(1, 0).arc(-1, 0, 0, 0, 1).close();
    pokarr ca = make(c);
    std::vector<pokarr> arcs;
    ASSERT_EQ(cut(ca, arcs), 0);
    ASSERT_EQ(arcs.size(), 3u);
    i32 markers = 0;
    for (pokarr& o : arcs)
        for (i32 k = 0; k < o.count; ++k)
            if (pk_arc_at(o.x[k])) {
                ++markers;
                EXPECT_EQ(o.x[k + 1], 1.0);
                EXPECT_EQ(o.y[k + 1], 1.0);
                EXPECT_EQ(o.x[k + 2], 0.0);
            }
    EXPECT_EQ(markers, 3);
    EXPECT_NEAR(signed_area(arcs[0]) + signed_area(arcs[1]) + signed_area(arcs[2]), signed_area(ca), 1e-12);
    free_all(out);
    free_all(one);
    free_all(arcs);
    for (pokarr* p : {&a, &sq, &ca}) pokarr_free(*p);
    pkdm_rel_all();
}

TEST(SelfIntersections, ThousandRandomLoopsWithArcsBecomeSimpleLoopsOfTheSameArea)
{
    fresh();
    Geos geos;
    std::mt19937 g(2024);
    i32 refused = 0, pieces = 0;
    for (int k = 0; k < 1000; ++k) {
        Loop l = random_loop(g, 4 + k % 9, 10.0);
        pokarr a = make(l);
        f64 want = signed_area(a);
        std::vector<pokarr> out;
        i32 st = cut(a, out);
        if (st != 0) {
            ++refused;
            EXPECT_TRUE(out.empty());
            EXPECT_EQ(delups_made(), 0);
            pokarr_free(a);
            continue;
        }
        f64 sum = 0.0;
        for (pokarr& o : out) {
            sum += signed_area(o);
            EXPECT_TRUE(simple(geos, o)) << "loop " << k << " piece of " << o.count;
            ++pieces;
        }
        EXPECT_NEAR(sum, want, 1e-9 * 400.0) << k;
        free_all(out);
        pokarr_free(a);
    }
    EXPECT_LT(refused, 10);
    EXPECT_GT(pieces, 3000);
    pkdm_rel_all();
}

// Star polygons of n points joining every m-th cross themselves n (m - 1)
// times and wind m times round their centre. 121 / 58 makes 6,897
// crossings and 58 nested simple loops; 125 / 57 makes 7,000, more than the
// crossing table holds: refused, nothing handed out.
TEST(SelfIntersections, StarsUpToTheCrossingTableAndBeyondIt)
{
    fresh();
    Geos geos;
    auto star = [](i32 n, i32 m) {
        Loop l;
        for (i32 k = 0; k <= n; ++k) {
            f64 t = 2 * M_PI * m * (k % n) / n;
            l.pt(10 * std::cos(t), 10 * std::sin(t));
        }
        return make(l);
    };
    pokarr a = star(121, 58);
    f64 want = signed_area(a);
    std::vector<pokarr> out;
    ASSERT_EQ(cut(a, out), 0);
    EXPECT_EQ(out.size(), 58u);
    f64 sum = 0.0;
    for (pokarr& o : out) {
        sum += signed_area(o);
        EXPECT_TRUE(simple(geos, o));
    }
    EXPECT_NEAR(sum, want, 1e-9 * std::fabs(want));
    free_all(out);
    pokarr b = star(125, 57), r;
    pokarr_init(2, r);
    i32 more = 0, st = 0;
    DELUPS(b, r, more, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(delups_made(), 0);
    for (pokarr* p : {&a, &b, &r}) pokarr_free(*p);
    pkdm_rel_all();
}

TEST(SelfIntersections, HandOutAndReleaseOfTheLoops)
{
    fresh();
    Loop l;
    l.pt(0, 0).pt(4, 4).pt(4, 0).pt(2, 3).pt(0, 4).pt(2, -1).close();
    pokarr a = make(l), r;
    pokarr_init(2, r);
    i32 more = 0, st = 0;
    DELUPS(a, r, more, st);
    ASSERT_EQ(st, 0);
    ASSERT_GT(more, 1);
    EXPECT_EQ(delups_made(), more + 1);
    EXPECT_EQ(delups_given(), 1);
    DELREL();  // the rest are dropped
    EXPECT_EQ(delups_made(), 0);
    i32 m = more;
    DELUPS(a, r, m, st);
    EXPECT_EQ(st, 2);  // nothing left to hand out
    pokarr_free(r);
    pokarr_free(a);
    pkdm_rel_all();
    EXPECT_EQ(norak::open_blocks(), 0);
}

TEST(SelfIntersections, ANestedRunIsRefused)
{
    fresh();
    pokarr a = make(square(0, 0, 1)), r;
    pokarr_init(2, r);
    delups_state() = 3;
    i32 more = 0, st = 0;
    DELUPS(a, r, more, st);
    EXPECT_EQ(st, 2);
    EXPECT_EQ(r.count, 0);
    EXPECT_TRUE(norak::transcript_has("internal: [DELUPS] We shouldnt be meeting like this!"));
    delups_state() = 1;
    DELUPS(a, r, more, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(r.count, 5);
    pokarr_free(a);
    pokarr_free(r);
    pkdm_rel_all();
}

namespace {

// The loop with heights: z by the entry's place.
pokarr with_heights(const Loop& l, f64 step)
{
    pokarr a = make(l, 3);
    for (i32 k = 0; k < a.count; ++k) a.z[k] = step * k;
    a.z[a.count - 1] = a.z[0];
    for (i32 k = 1; k + 3 < a.count; ++k)
        if (pk_arc_at(a.x[k])) {  // an arc keeps one height
            for (i32 m = 0; m < 3; ++m) a.z[k + m] = a.z[k - 1];
            a.z[k + 3] = a.z[k - 1];
            k += 3;
        }
    return a;
}

}  // namespace

TEST(SelfIntersections, LoopsWithHeightsAreWalkedFromCrossingToCrossing)
{
    fresh();
    Loop l;
    l.pt(0, 0).pt(2, 2).pt(2, 0).pt(0, 2).close();
    pokarr a = with_heights(l, 1.0);
    // in a pocket on the surfaces (dimension mode 3 or 4) the branches cross
    // in plan whatever their heights; a loop with normals keeps each
    // vertex's normal
    pokarr n4 = make(l, 4);
    for (i32 k = 0; k < n4.count; ++k) {
        n4.z[k] = a.z[k];
        const f64 t = k == n4.count - 1 ? 0.0 : 0.1 * k, len = std::sqrt(1.0 + t * t);
        n4.vec[3 * k] = t / len;
        n4.vec[3 * k + 1] = 0.0;
        n4.vec[3 * k + 2] = 1.0 / len;
    }
    std::vector<pokarr> out;
    for (i32 dim : {3, 4})
        for (pokarr* src : {&a, &n4}) {
            pokdim = dim;
            ASSERT_EQ(cut(*src, out), 0) << dim << " " << src->dims;
            ASSERT_EQ(out.size(), 2u) << dim << " " << src->dims;
            f64 s = 0;
            for (pokarr& o : out) {
                EXPECT_EQ(o.dims, src->dims);
                s += signed_area(o);
                for (i32 k = 0; k < o.count && o.dims == 4; ++k)
                    for (i32 m = 0; m < src->count; ++m)
                        if (o.x[k] == src->x[m] && o.y[k] == src->y[m] && o.z[k] == src->z[m]) {
                            EXPECT_EQ(o.vec[3 * k], src->vec[3 * m]) << "vertex " << m;
                            EXPECT_EQ(o.vec[3 * k + 2], src->vec[3 * m + 2]) << "vertex " << m;
                        }
            }
            EXPECT_NEAR(s, signed_area(*src), 1e-12);
            free_all(out);
        }
    pokarr_free(n4);
    // a vertical step of the source stays a step: both its ends are kept;
    // an array of one entry comes back whole
    Loop st, one;
    st.pt(0, 0).pt(2, 0).pt(2, 0).pt(2, 2).pt(0, 2).close();
    one.pt(3, 4);
    pokarr stp = make(st, 3), pt1 = make(one, 3);
    for (i32 k = 0; k < stp.count; ++k) stp.z[k] = k >= 2 && k <= 4 ? 1.0 : 0.0;
    pokdim = 3;
    ASSERT_EQ(cut(stp, out), 0);
    ASSERT_EQ(out.size(), 1u);
    i32 ends = 0;
    for (i32 k = 0; k < out[0].count; ++k)
        if (out[0].x[k] == 2.0 && out[0].y[k] == 0.0) ends += out[0].z[k] == 1.0 ? 2 : 1;
    EXPECT_EQ(ends, 3);
    free_all(out);
    ASSERT_EQ(cut(pt1, out), 0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].count, 1);
    free_all(out);
    pokarr_free(stp);
    pokarr_free(pt1);
    // in a plane pocket the crossing of two branches at different heights
    // stands twice in the loop, once at each height
    pokdim = 2;
    std::vector<pokarr> flat;
    ASSERT_EQ(cut(a, flat), 0);
    ASSERT_EQ(flat.size(), 2u);
    i32 doubled = 0;
    for (pokarr& o : flat)
        for (i32 k = 1; k < o.count; ++k)
            if (o.x[k] == 1.0 && o.y[k] == 1.0 && o.x[k - 1] == 1.0 && o.y[k - 1] == 1.0 && o.z[k] != o.z[k - 1]) ++doubled;
    EXPECT_EQ(doubled, 2);
    free_all(out);
    free_all(flat);
    pokarr_free(a);
    pkdm_rel_all();
}

TEST(SelfIntersections, RandomLoopsWithHeightsBecomeSimpleLoopsOfTheSameArea)
{
    fresh();
    pokdim = 3;
    Geos geos;
    std::mt19937 g(808);
    i32 refused = 0, pieces = 0;
    i32 compared = 0;
    for (int k = 0; k < 300; ++k) {
        const Loop l = random_loop(g, 4 + k % 7, 10.0, 0.25);
        pokarr a = with_heights(l, 0.1);
        f64 want = signed_area(a);
        std::vector<pokarr> out;
        i32 st = cut(a, out);
        if (st != 0) {
            ++refused;
            pokarr_free(a);
            continue;
        }
        f64 sum = 0.0;
        std::vector<f64> areas, plan_areas;
        for (pokarr& o : out) {
            sum += signed_area(o);
            areas.push_back(signed_area(o));
            EXPECT_TRUE(simple(geos, o)) << "loop " << k;
            ++pieces;
        }
        EXPECT_NEAR(sum, want, 1e-9 * 400.0) << k;
        // the walk from crossing to crossing cuts the same loops as the cut
        // of the plane array does: loop by loop, the same areas
        pokarr flat = make(l);
        std::vector<pokarr> plan;
        if (cut(flat, plan) == 0) {
            for (pokarr& o : plan) plan_areas.push_back(signed_area(o));
            std::sort(areas.begin(), areas.end());
            std::sort(plan_areas.begin(), plan_areas.end());
            ASSERT_EQ(areas.size(), plan_areas.size()) << "loop " << k;
            for (size_t m = 0; m < areas.size(); ++m) EXPECT_NEAR(areas[m], plan_areas[m], 1e-6) << "loop " << k;
            ++compared;
        }
        free_all(plan);
        pokarr_free(flat);
        free_all(out);
        pokarr_free(a);
    }
    EXPECT_GT(compared, 280);
    EXPECT_LT(refused, 10);
    EXPECT_GT(pieces, 600);
    pkdm_rel_all();
}

// Loops with heights that touch themselves: at a vertex, a vertex on a
// segment, the start point on a later segment. The walk steps past a touch
// it does not take: no loop is lost (the areas add up to the source's),
// every vertex of the source stands in a loop, and no loop goes round twice.
struct Touching {
    const char* name;
    std::vector<P> pts;
};

class TouchingLoops : public ::testing::TestWithParam<Touching> {};

TEST_P(TouchingLoops, AreWalkedPastTheTouchWithNothingLost)
{
    fresh();
    Loop l;
    for (const P& p : GetParam().pts) l.pt(p.x, p.y);
    for (i32 dim : {2, 3}) {
        pokdim = dim;
        pokarr a = with_heights(l, 0.0);
        f64 want = signed_area(a);
        std::vector<pokarr> out;
        ASSERT_EQ(cut(a, out), 0) << GetParam().name << " pokdim " << dim;
        f64 sum = 0.0;
        for (pokarr& o : out) {
            sum += signed_area(o);
            EXPECT_LE(o.count, a.count + 2) << GetParam().name;
        }
        EXPECT_NEAR(sum, want, 1e-12) << GetParam().name << " pokdim " << dim;
        for (i32 k = 0; k < a.count; ++k) {
            bool seen = false;
            for (pokarr& o : out)
                for (i32 m = 0; m < o.count && !seen; ++m) seen = o.x[m] == a.x[k] && o.y[m] == a.y[k];
            EXPECT_TRUE(seen) << GetParam().name << " vertex " << k;
        }
        free_all(out);
        pokarr_free(a);
    }
    pokdim = 2;
    pkdm_rel_all();
}

INSTANTIATE_TEST_SUITE_P(
    SelfIntersections, TouchingLoops,
    ::testing::Values(Touching{"TwoTrianglesAtAVertex", {{0, 0}, {4, 0}, {2, 2}, {4, 4}, {0, 4}, {2, 2}, {0, 0}}},
                      Touching{"AVertexOnASegment", {{0, 0}, {4, 0}, {4, 3}, {2, 0}, {0, 3}, {0, 0}}},
                      Touching{"TheStartOnALaterSegment",
                               {{2, 0}, {3, 2}, {5, 2}, {4, 0}, {0, 0}, {0, -2}, {2, -2}, {2, 0}}}),
    [](const ::testing::TestParamInfo<Touching>& i) { return std::string(i.param.name); });

// A walk that neither reaches its end segment nor comes back to its start
// runs into its guard: that is a failure (status 2), not a loop.
TEST(SelfIntersections, AWalkThatNeverEndsFails)
{
    fresh();
    pokdim = 3;
    pokarr a = with_heights(square(0, 0, 1), 0.0), r;
    pokarr_init(3, r);
    PkBox box;
    pkbox_make(a, box);
    const f64 start[2] = {0.5, 0.0};
    i32 st = 0;
    delups(1, 99, start, 0.0, 0.0, a, box, r, st);
    EXPECT_EQ(st, 2);
    pokdim = 2;
    for (pokarr* p : {&a, &r}) pokarr_free(*p);
    pkdm_rel_all();
}

namespace {

// A loop with heights: the point list, z rising by `step` an entry.
pokarr loop3(const std::vector<P>& pts, f64 step)
{
    Loop l;
    for (const P& p : pts) l.pt(p.x, p.y);
    return with_heights(l, step);
}

// The next crossing along segment `seg` of `a` from P to the segment's end.
struct Next {
    i32 found, other, chunk;
    f64 x[3];
};
Next next_cross(i32 mode, i32 seg, const pokarr& a, const PkBox& box, const f64* p, i32 other = 0, i32 chunk = 0)
{
    PkSegDesc d;
    EXPECT_TRUE(pk_seg_desc(a, seg, d));
    Next n{0, other, chunk, {0, 0, 0}};
    pk_next_cross3(mode, seg, 0, d, p, d.e, nullptr, a, seg, pk_seg_last(a), nullptr, box, n.other, n.chunk, n.x,
                   n.found);
    return n;
}

}  // namespace

// The next crossing of a walk on a loop with heights: the nearest along the
// walked piece, never at a joint of its own segment, the later one on a tie,
// later chunks searched only where their box meets the piece's, the skip
// limit and the checks of crossings already recorded at the piece's start.
TEST(NextCrossing, NearestAlongThePieceWithTheRecordedOnesLeftOut)
{
    fresh();
    pokdim = 3;
    pkcross.count = 0;
    // a comb: its teeth (segments 4, 6, 8, 10) cross segment 1 at x 8, 6, 4, 2
    pokarr comb = loop3({{0, 0}, {10, 0}, {10, 1}, {8, 1}, {8, -1}, {6, -1}, {6, 1}, {4, 1}, {4, -1}, {2, -1}, {2, 1},
                         {0, 1}, {0, 0}},
                        0.0);
    comb.z[1] = 1.0;  // segment 1 rises from 0 to 1
    PkBox box;
    pkbox_make(comb, box);
    const f64 o[3] = {0, 0, 0}, at2[3] = {2, 0, 0.2};
    Next n = next_cross(3, 1, comb, box, o);
    EXPECT_EQ(n.found, 1);
    EXPECT_EQ(n.other, 10);
    EXPECT_EQ(n.x[0], 2.0);
    EXPECT_EQ(n.x[1], 0.0);
    EXPECT_NEAR(n.x[2], 0.2, 1e-12);  // the walked branch's height
    // the skip flag: no segment up to the limit
    EXPECT_EQ(next_cross(13, 1, comb, box, o, 0, 10).found, 0);
    EXPECT_EQ(next_cross(13, 1, comb, box, o, 0, 9).other, 10);
    // a crossing at the start recorded for the pair is known and left out
    pkcross.count = 1;
    pkcross.seg1[0] = 1;
    pkcross.seg2[0] = -10;
    pkcross.x[0] = 2.0;
    pkcross.y[0] = 0.0;
    n = next_cross(3, 1, comb, box, at2);
    EXPECT_EQ(n.other, 8);
    EXPECT_EQ(n.x[0], 4.0);
    i32 known = -1;
    // the pair in either order; a crossing of only one of the two is not the
    // pair's, whichever of them comes first
    for (auto [sa, sb, want] : {std::array{10, 1, 1}, {1, 10, 1}, {1, 8, 0}, {8, 1, 0}, {10, 8, 0}, {8, 10, 0}}) {
        pk_known_cross3(comb, sa, sb, at2, known);
        EXPECT_EQ(known, want) << sa << " " << sb;
    }
    for (i32 seg : {1, -1, 10, 8}) {  // the one-segment form
        pk_known_cross1(seg, at2, known);
        EXPECT_EQ(known, seg == 8 ? 0 : 1) << seg;
    }
    pk_known_cross1(1, o, known);
    EXPECT_EQ(known, 0);
    // at a vertex the segment is taken as its neighbour: (0, 0) starts 1
    // and ends 12
    pkcross.seg1[0] = 12;
    pkcross.seg2[0] = 5;
    pkcross.x[0] = 0.0;
    pk_known_cross3(comb, 1, 5, o, known);
    EXPECT_EQ(known, 1);
    // the special flag (mode 4): a crossing at the start counts only where a
    // recorded crossing has both branches walked
    pkcross.seg1[0] = 4;
    pkcross.seg2[0] = 6;
    pkcross.x[0] = 2.0;
    EXPECT_EQ(next_cross(4, 1, comb, box, at2).other, 8);
    pkcross.seg1[0] = -4;
    pkcross.seg2[0] = -6;
    EXPECT_EQ(next_cross(4, 1, comb, box, at2).other, 10);
    EXPECT_EQ(next_cross(3, 1, comb, box, at2).other, 10);  // a crossing at P, not recorded for the pair
    pkcross.count = 0;
    pk_known_cross3(comb, 1, 10, at2, known);
    EXPECT_EQ(known, 0);  // an empty copy knows nothing
    pk_known_cross1(1, at2, known);
    EXPECT_EQ(known, 0);

    // two crossings at one point of the piece (segments 4 and 8 at (5, 0)):
    // the later one in the chunk order; a later chunk whose box misses the
    // piece is not searched, the first chunk always is
    pokarr x = loop3({{0, 0}, {10, 0}, {10, 2}, {5, 2}, {5, -2}, {-1, -2}, {-1, 4}, {5, 4}, {5, -3}, {0, -3}, {0, 0}},
                     0.1);
    PkBox xb;
    pkbox_make(x, xb);
    ASSERT_EQ(xb.count, 3);
    n = next_cross(3, 1, x, xb, o);
    EXPECT_EQ(n.other, 8);
    EXPECT_EQ(n.chunk, 2);
    EXPECT_EQ(n.x[0], 5.0);
    for (i32 c : {0, 2}) {
        xb.xmin[c] = xb.xmax[c] = 100.0;
        xb.ymin[c] = xb.ymax[c] = 100.0;
    }
    n = next_cross(3, 1, x, xb, o);
    EXPECT_EQ(n.other, 4);
    EXPECT_EQ(n.chunk, 0);

    // a walk that sets out on a middle segment meets the array's last
    // segment like any other: segment 5 crosses it at (0, -1)
    pokarr m = loop3({{0, 0}, {4, 0}, {4, 2}, {1, 2}, {1, -1}, {-1, -1}, {-1, -3}, {0, -3}, {0, 0}}, 0.1);
    PkBox mb;
    pkbox_make(m, mb);
    const f64 m5[3] = {1, -1, 0.4};
    n = next_cross(3, 5, m, mb, m5);
    EXPECT_EQ(n.found, 1);
    EXPECT_EQ(n.other, 8);
    EXPECT_EQ(n.x[0], 0.0);
    EXPECT_EQ(n.x[1], -1.0);
    pokarr_free(m);

    // an arc next to the piece meets it at their joint only: no crossing
    Loop j;
    j.pt(0, 0).pt(10, 0).arc(11, 1, 11, 0, -1).pt(11, 3).pt(0, 3).close();
    pokarr ja = with_heights(j, 0.0);
    PkBox jb;
    pkbox_make(ja, jb);
    EXPECT_EQ(next_cross(3, 1, ja, jb, o).found, 0);
    // the arc before segment 5 crosses it again at (2, 0), away from their
    // joint at (0, 0): a crossing at P when the walk stands there
    Loop ba;
    ba.pt(1, -1).arc(0, 0, 1, 0, 1).pt(4, 0).pt(4, -3).pt(1, -3).close();
    pokarr bk = with_heights(ba, 0.0);
    PkBox bb;
    pkbox_make(bk, bb);
    const f64 o5[3] = {0, 0, 0}, x5[3] = {2, 0, 0};
    for (const f64* p5 : {o5, x5}) {
        n = next_cross(3, 5, bk, bb, p5);
        EXPECT_EQ(n.found, 1) << p5[0];
        EXPECT_EQ(n.other, 1) << p5[0];
        EXPECT_NEAR(n.x[0], 2.0, 1e-9) << p5[0];
    }
    for (pokarr* p : {&comb, &x, &ja, &bk}) pokarr_free(*p);
    pokdim = 2;
    pkdm_rel_all();
}

// A straight piece touching an arc of the loop: the touch is a crossing only
// in the mode the special segment gives (k or seg the special one), and
// it is found at the tangent point.
TEST(NextCrossing, ATangentArcCountsOnlyAtTheSpecialSegment)
{
    fresh();
    pokdim = 3;
    pkcross.count = 0;
    // the arc (entries 5 .. 8) about (5, 1) touches segment 1 at (5, 0)
    Loop l;
    l.pt(0, 0).pt(10, 0).pt(10, 3).pt(6, 3).pt(6, 1).arc(4, 1, 5, 1, -1).pt(4, 3).pt(0, 3).close();
    pokarr a = make(l, 3);
    PkBox box;
    pkbox_make(a, box);
    const f64 o[3] = {0, 0, 0};
    struct Case {
        i32 mode, special, found;
    } cases[] = {{1, 0, 0}, {2, 0, 0}, {2, 3, 0}, {2, 5, 1}, {2, 1, 1}};
    for (const Case& c : cases) {
        const Next n = next_cross(c.mode, 1, a, box, o, c.special);
        EXPECT_EQ(n.found, c.found) << c.mode << " " << c.special;
        if (n.found == 0) continue;
        EXPECT_EQ(n.other, 5);
        EXPECT_NEAR(n.x[0], 5.0, 1e-9);
        EXPECT_NEAR(n.x[1], 0.0, 1e-9);
    }
    // The walk passes over a contact where the branches run tangent the same
    // way: the loop comes back whole, and where its small arc touches its
    // large one from inside (at (2, 0)) only the crossing at (2/3, 0) cuts
    // it. Two arcs that touch running opposite ways meet there: two loops.
    Loop t, u;
    t.pt(1, -1).arc(1, 1, 1, 0, 1).pt(3, 1).arc(3, -1, 3, 0, 1).close();
    u.pt(0, -2).arc(0, 2, 0, 0, 1).pt(1, -1).arc(1, 1, 1, 0, 1).close();
    pokarr ta = make(t, 3), ua = make(u, 3);
    Geos geos;
    const std::pair<pokarr*, size_t> tangent[] = {{&a, 1}, {&ta, 2}, {&ua, 2}};
    for (const auto& [src, loops] : tangent) {
        std::vector<pokarr> out;
        ASSERT_EQ(cut(*src, out), 0);
        EXPECT_EQ(out.size(), loops) << src->count;
        f64 sum = 0.0;
        for (pokarr& o : out) {
            sum += signed_area(o);
            EXPECT_TRUE(simple(geos, o)) << src->count;
        }
        EXPECT_NEAR(sum, signed_area(*src), 1e-9);
        free_all(out);
    }
    pokarr_free(ta);
    pokarr_free(ua);
    pokdim = 2;
    pokarr_free(a);
    pkdm_rel_all();
}
