// The boundary-following kinds of the hatch fill: the crossings that bound
// the outermost stretches inside a loop, the detour along the loop between
// them (as points, or reached by entry moves), the choice of the way round,
// and the clearance test of a lane over the part.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "cleanup/hatch.h"
#include "blocks/marker.h"
#include "blocks/movement.h"
#include "blocks/tech.h"
#include "cleanup/pkentry.h"
#include "cleanup/twlst.h"
#include "core/params.h"
#include "core/proc.h"
#include "core/records.h"
#include "tests/common/meshes.h"
#include "tests/common/positioning.h"
#include "tests/common/tooldefs.h"
#include "tests/pocket/common.h"
#include "tests/pocket/surface.h"
#include "surfaces/trimodel.h"
#include "tools/toolcache.h"

using namespace pk;
using pksrf::empty_path;
using pksrf::lines_written;

namespace {

// Float loops one after another: count word, x, y pairs (closed).
void add_loop(std::vector<f32>& b, const std::vector<P>& p)
{
    f32 w = 0.0f;
    const i32 n = static_cast<i32>(p.size());
    std::memcpy(&w, &n, sizeof w);
    b.push_back(w);
    for (const P& q : p) {
        b.push_back(static_cast<f32>(q.x));
        b.push_back(static_cast<f32>(q.y));
    }
}

// A pocket 0..20 square (counter-clockwise) with a clockwise island
// 8..12 x 8..12.
std::vector<f32> pocket_with_island()
{
    std::vector<f32> b;
    add_loop(b, {{0, 0}, {20, 0}, {20, 20}, {0, 20}, {0, 0}});
    add_loop(b, {{8, 8}, {8, 12}, {12, 12}, {12, 8}, {8, 8}});
    return b;
}

struct Lane {
    std::vector<P> pts;
    i32 count = 0, flag = 0, status = 0;
};

Lane fill(i32 kind, const std::vector<f32>& b, i32 nloops, P s, P t)
{
    Lane r;
    HatchOut out;
    const f64 S[2] = {s.x, s.y}, T[2] = {t.x, t.y};
    lan_hatch_fill(kind, b.data(), nloops, b.data(), nloops, S, T, r.count, out, r.flag, r.status);
    if (kind != 1 && kind != 3 && r.status == 0) {
        const f64* o = hatch_points(out);
        for (i32 k = 0; k < r.count; ++k) r.pts.push_back({o[2 * k], o[2 * k + 1]});
    }
    hatch_close(out);
    return r;
}

void start_fresh()
{
    fresh();
    empty_path();
    pokpar.side = 0.5;
    pokpar.direction = 1;
    pokpar.small_val = 0.0;
    pokpar.retry_sw_a = 0;
}

void expect_points(const std::vector<P>& got, const std::vector<P>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < got.size(); ++k) {
        EXPECT_NEAR(got[k].x, want[k].x, 1e-5) << k;
        EXPECT_NEAR(got[k].y, want[k].y, 1e-5) << k;
    }
}

// A walk's output array opened with room for n doubles.
HatchOut opened(i32 n)
{
    HatchOut out;
    i32 st = 0;
    void* base = nullptr;
    MM_OPEN_ARRAY(8, n, out.handle, base, st);
    out.capacity = n;
    return out;
}

}  // namespace

TEST(HatchBoundary, KindsOneToThreeDetourAlongTheIslandTheyMeet)
{
    start_fresh();
    const std::vector<f32> b = pocket_with_island();
    // kind 3: only the island's entry and exit stay (the outer walls lie
    // before the start and beyond the target)
    Lane l = fill(3, b, 2, {1, 10}, {19, 10});
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(l.count, 2);
    EXPECT_EQ(l.flag, 0);
    // kind 2: the entry, the island's boundary the short way, the exit
    l = fill(2, b, 2, {1, 10}, {19, 10});
    EXPECT_EQ(l.status, 0);
    expect_points(l.pts, {{8, 10}, {8, 12}, {12, 12}, {12, 10}});
    // the other way along the line: from the last crossing back, round the
    // island's lower side (the loop's own sense)
    l = fill(2, b, 2, {19, 10}, {1, 10});
    expect_points(l.pts, {{12, 10}, {12, 8}, {8, 8}, {8, 10}});
    // kind 1: the same points, each reached by an entry move of kind 1
    // (one straight move), stage 2, at the height small_val
    pokpar.small_val = 0.25;
    for (i32 k = 0; k < 3; ++k) DSP8[DSP8_POS + k] = r2wrd(-1.0f);
    l = fill(1, b, 2, {1, 10}, {19, 10});
    EXPECT_EQ(l.status, 0);
    const std::vector<P> want = {{8, 10}, {8, 12}, {12, 12}, {12, 10}};
    const auto moves = lines_written();
    ASSERT_EQ(moves.size(), want.size());
    for (size_t k = 0; k < moves.size(); ++k) {
        EXPECT_NEAR(moves[k][0], want[k].x, 1e-5);
        EXPECT_NEAR(moves[k][1], want[k].y, 1e-5);
        EXPECT_NEAR(moves[k][2], 0.25, 1e-6);
    }
    EXPECT_NEAR(pk_last_pos[0], 12.0, 1e-5);  // refreshed before the last point
    // a failing entry move ends the fill with its status
    empty_path();
    norak::fail_alloc_after(1);
    l = fill(1, b, 2, {1, 10}, {19, 10});
    norak::fail_alloc_after(0);
    EXPECT_LT(l.status, 0);
    EXPECT_LE(lines_written().size(), 1u);
}

TEST(HatchBoundary, LanesEndingInsideAnIslandOrOutsideAreRefused)
{
    start_fresh();
    const std::vector<f32> b = pocket_with_island();
    // the target inside the island: the island is entered and never left
    Lane l = fill(2, b, 2, {1, 10}, {10, 10});
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(l.flag, 1);
    EXPECT_EQ(l.count, 0);
    // a start outside the area: kind 3 gives up at once
    l = fill(3, b, 2, {-5, 10}, {19, 10});
    EXPECT_EQ(l.flag, 1);
    EXPECT_EQ(l.count, 0);
    // past a first island into the last one: the target is refused (flag),
    // the entering end in the last island dropped, the first one followed
    std::vector<f32> b2;
    add_loop(b2, {{0, 0}, {40, 0}, {40, 20}, {0, 20}, {0, 0}});
    add_loop(b2, {{8, 8}, {8, 12}, {12, 12}, {12, 8}, {8, 8}});
    add_loop(b2, {{20, 5}, {20, 15}, {30, 15}, {30, 5}, {20, 5}});
    l = fill(2, b2, 3, {1, 10}, {25, 10});
    EXPECT_EQ(l.flag, 1);
    expect_points(l.pts, {{8, 10}, {8, 12}, {12, 12}, {12, 10}});
    // a lane that meets no island keeps nothing to follow
    l = fill(2, b, 2, {1, 4}, {19, 4});
    EXPECT_EQ(l.flag, 0);
    EXPECT_EQ(l.count, 0);
    // two islands on the line: each followed round, the stretch between
    // them lies inside the area (no flag)
    std::vector<f32> two;
    add_loop(two, {{0, 0}, {30, 0}, {30, 20}, {0, 20}, {0, 0}});
    add_loop(two, {{5, 8}, {5, 12}, {9, 12}, {9, 8}, {5, 8}});
    add_loop(two, {{15, 8}, {15, 12}, {19, 12}, {19, 8}, {15, 8}});
    l = fill(2, two, 3, {1, 10}, {29, 10});
    EXPECT_EQ(l.flag, 0);
    expect_points(l.pts, {{5, 10}, {5, 12}, {9, 12}, {9, 10}, {15, 10}, {15, 12}, {19, 12}, {19, 10}});
    l = fill(3, two, 3, {1, 10}, {29, 10});
    EXPECT_EQ(l.count, 4);
}

TEST(HatchBoundary, TheBoundaryWalkKeepsItsSenseUnlessTheOtherWayIsShorter)
{
    start_fresh();
    // from the crossing on edge 1 to the one on edge 3: forward the points
    // 2..3 (10 long), backward 6, 5, 4 (12 long, or 7 with the last point
    // moved): 12 > 0.8 x 10 keeps the sense, 7 does not
    for (const auto& [p4, sense_after, first] :
         {std::tuple<P, i32, P>{{10, -2}, 1, {0, 1}}, std::tuple<P, i32, P>{{5, -2}, -1, {0, 0}}}) {
        std::vector<f32> b;
        add_loop(b, {{0, 0}, {0, 1}, {10, 1}, p4, {0, -2}, {0, 0}});
        HatchOut out = opened(4);
        i32 st = 0, kind = 2, sense = 1, count = 0;
        pkbound_walk(kind, b.data(), 1, 1, 3, sense, 1, count, out, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(sense, sense_after);
        EXPECT_EQ(count, sense_after == 1 ? 2 : 3);
        const f64* o = hatch_points(out);
        EXPECT_EQ(o[0], first.x);
        EXPECT_EQ(o[1], first.y);
        EXPECT_GE(out.capacity, 2 * count);  // grown past the 4 doubles opened
        // an edge number beyond the loop (either end) gathers nothing
        for (const i32 eb : {1, 3}) {
            i32 s2 = 1, c2 = 0;
            const i32 ea = eb == 1 ? 7 : 1, ec = eb == 1 ? 1 : 7;
            pkbound_walk(kind, b.data(), 1, ea, ec, s2, 1, c2, out, st);
            EXPECT_EQ(st, 0);
            EXPECT_EQ(c2, 0) << ea << " " << ec;
        }
        hatch_close(out);
    }
    // A line across the corner of a square (crossings on edges 1 and 2): the
    // way forward is the corner point alone, a trial of no length, so the
    // walk goes round the other three sides. A loop number outside the set,
    // or both crossings on one edge, gathers nothing.
    std::vector<f32> sq;
    add_loop(sq, {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}});
    for (const auto& [k, a, b, n_after, sense_after] :
         {std::tuple<i32, i32, i32, i32, i32>{1, 1, 2, 3, -1}, {0, 1, 2, 0, 1}, {2, 1, 2, 0, 1}, {1, 2, 2, 0, 1}}) {
        HatchOut out = opened(1000);
        i32 st = 0, kind = 2, sense = 1, count = 0;
        pkbound_walk(kind, sq.data(), 1, a, b, sense, k, count, out, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(count, n_after) << k << " " << a << " " << b;
        EXPECT_EQ(sense, sense_after) << k << " " << a << " " << b;
        if (count == 3) {
            const f64* o = hatch_points(out);
            const f64 want[6] = {0, 0, 0, 10, 10, 10};
            for (int q = 0; q < 6; ++q) EXPECT_EQ(o[q], want[q]) << q;
        }
        hatch_close(out);
    }
}

TEST(HatchBoundary, ClearanceOfALaneOverThePart)
{
    start_fresh();
    positioning::reset();
    pwrs(PRCPAR, PRTTOL, 0.01f);
    PRCSTK = 0.0f, PRCCHK = 0.0f;
    // a plate at z = 0 and a block over 10 <= x <= 30 up to z = 30
    meshes::Mesh plate, top, wall;
    plate.id = 1, top.id = 2, wall.id = 3;
    auto quad = [](meshes::Mesh& m, f64 x0, f64 x1, f64 y0, f64 y1, f64 z) {
        i32 a = m.node(x0, y0, z), b = m.node(x1, y0, z), c = m.node(x1, y1, z), d = m.node(x0, y1, z);
        m.add(a, b, c);
        m.add(a, c, d);
    };
    quad(plate, -60, 60, -60, 60, 0.0);
    quad(top, 10, 30, -60, 60, 30.0);
    for (f64 x : {10.0, 30.0}) {
        i32 a = wall.node(x, -60, 0), b = wall.node(x, 60, 0), c = wall.node(x, 60, 30), d = wall.node(x, -60, 30);
        wall.add(a, b, c);
        wall.add(a, c, d);
    }
    ASSERT_EQ(meshes::build({plate, top, wall}), 0);
    tooldefs::use_mill(10.0f, 1.0f);
    pokpar.side = 0.5;
    i32 hit = -1, st = -1;
    // over the plate away from the block: clear
    const f32 a[2] = {-20, 0}, b[2] = {0, 0};
    pkhatch_segment(a, b, nullptr, nullptr, 0, hit, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(hit, 0);
    // starting on the block: the tool stands above the lane's height
    const f32 e[2] = {20, 0}, f[2] = {25, 0};
    pkhatch_segment(e, f, nullptr, nullptr, 0, hit, st);
    EXPECT_EQ(hit, 1);
    // the tool keeps its own diameter and corner radius
    f32 D = 0.0f, r = 0.0f;
    GTDIAM(CURTOL, D);
    GTCRNR(CURTOL, r);
    EXPECT_EQ(D, 10.0f);
    EXPECT_EQ(r, 1.0f);
    // the fill's own check (kind 4, procedure code 34): the loop's crossings
    // before the start and past the target (x = 40, beyond the block) are
    // no stretches of the lane from -20 to 0 over the plate
    nu_sgcd_set_code(34);
    std::vector<f32> sq;
    add_loop(sq, {{-40, -40}, {40, -40}, {40, 40}, {-40, 40}, {-40, -40}});
    const Lane l = fill(4, sq, 1, {-20, 0}, {0, 0});
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(l.flag, 0);
    EXPECT_EQ(l.count, 1);  // kind 4 writes the crossing before the start too
    // a lane on the block, where the tool stands above it: flagged
    const Lane on = fill(4, sq, 1, {20, 0}, {25, 0});
    EXPECT_EQ(on.status, 0);
    EXPECT_EQ(on.flag, 1);
    nu_sgcd_set_code(0);
    FRETRI();
}

TEST(HatchBoundary, DebugViewTransposesOnceAndAddsTheOrigin)
{
    PkDbgView& v = pkdbg_view_state();
    v = PkDbgView{};
    const f64 p[3] = {1, 2, 3};
    f32 q[3];
    pkdbg_view(p, q);  // state 0: copied
    EXPECT_EQ(q[0], 1.0f);
    EXPECT_EQ(q[2], 3.0f);
    const f64 m[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    std::memcpy(v.m, m, sizeof m);
    v.origin[0] = 10.0;
    v.state = 1;
    pkdbg_view(p, q);  // transposed: rows (0,-1,0), (1,0,0), (0,0,1)
    EXPECT_EQ(v.state, 2);
    EXPECT_EQ(q[0], 8.0f);
    EXPECT_EQ(q[1], 1.0f);
    EXPECT_EQ(q[2], 3.0f);
    pkdbg_view(p, q);  // not transposed again
    EXPECT_EQ(q[0], 8.0f);
    v = PkDbgView{};
}

// Dropping an entry of the crossing list moves the k entries after it down;
// a drop that would read past the list leaves it as it is (the arrays are
// exactly as long as the list, so a read past it is seen).
TEST(HatchFill, DroppingACrossingStaysWithinTheList)
{
    struct Row {
        i32 k, i, count, left, first;
    } rows[] = {{1, 0, 2, 1, 1}, {0, 1, 2, 1, 0}, {1, 1, 2, 2, 0}, {2, 0, 2, 2, 0}, {0, 2, 2, 2, 0},
                {-1, 0, 2, 2, 0}, {0, -1, 2, 2, 0}, {2, 0, 3, 2, 1}};
    for (const Row& r : rows) {
        const auto n = static_cast<size_t>(r.count);
        std::vector<f32> uv(2 * n);
        std::vector<i32> sides(n), loops(n), edges(n);
        for (size_t j = 0; j < n; ++j) uv[2 * j] = static_cast<f32>(j), sides[j] = loops[j] = edges[j] = static_cast<i32>(j);
        i32 count = r.count;
        pkhatch_drop(r.k, r.i, uv.data(), sides.data(), loops.data(), edges.data(), count);
        EXPECT_EQ(count, r.left) << r.k << " " << r.i;
        EXPECT_EQ(sides[0], r.first) << r.k << " " << r.i;
        EXPECT_EQ(uv[0], static_cast<f32>(r.first)) << r.k << " " << r.i;
    }
}
