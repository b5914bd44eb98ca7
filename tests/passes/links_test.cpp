// Approaches, retracts and links: their shapes, the gouging fallback, and
// retracts that never go down.
#include <gtest/gtest.h>

#include <array>

#include "blocks/format.h"
#include "common/meshes.h"
#include "core/proc.h"
#include "cutter/linntb.h"
#include "cutter/locdir.h"
#include "cutter/loccom.h"
#include "core/modflg.h"
#include "passes/bsural.h"
#include "passes/milbf.h"
#include "passes/mxlink.h"
#include "passes/retract.h"
#include "passes/services.h"
#include "passes/twirl.h"
#include "pocket/polbuf.h"
#include "surfaces/allsrf.h"
#include "surfaces/trimodel.h"
#include "tests/passes/loop_common.h"

namespace {

using namespace pt;
using lp::Pt;
using lp::clearlist;
using lp::moves;

const f32 ZUP3[3] = {0, 0, 1};

double dist(const Pt& a, const f32* b) { return std::sqrt(std::pow(a.x - b[0], 2) + std::pow(a.y - b[1], 2) + std::pow(a.z - b[2], 2)); }

// A tool standing at `from`, incremental heights 20 above, safety 2,
// approach length 6, arc radius 4.
void stand(const f32* from, i32 kind)
{
    lp::fresh_run();
    clearlist();
    std::memset(HEI8, 0, sizeof HEI8);
    HEI8[HEI8_CLEARANCE] = r2wrd(100.0f);
    HEI8[HEI8_INCR] = r2wrd(20.0f);
    HFLINI();
    HFLSET(0);
    LNKPAR = LnkPar{kind, 6.0f, 4.0f, {1, 1}, 2.0f, 0.01f, 0, 0, 0, 1, 0, 0, 20.0f, 0, 0};
    i32 st = 0;
    MOVLIN(2, from, nullptr, st);
    clearlist();
}

TEST(Approach, EachKindIsWrittenAsItIsDrawn)
{
    host({tilted_plane(1)});
    params(1, 0.01f);
    CURTOL = BALL;
    MACTYP = MACTYP_TRIMMED;  // no end-of-pass link before the approach
    const f32 from[3] = {0, 0, 30}, p[3] = {50, 40, 10}, q[3] = {50, 50, 10}, axis[3] = {0.6f, 0, 0.8f}, up[3] = {0, 0, 1};
    for (i32 kind = 1; kind <= 7; ++kind) {
        stand(from, kind);
        i32 st = 0;
        SRFAPR(2, p, q, axis, up, 3, st);
        ASSERT_EQ(st, 0) << kind;
        const auto m = moves();
        ASSERT_GE(m.size(), 2u) << kind;
        EXPECT_LT(dist(m.back(), p), 1e-4) << kind;  // it ends on the target
        const Pt b = m[m.size() - 2];
        switch (kind) {
        case 1:  // straight down from the safety height
            EXPECT_NEAR(b.x, 50, 1e-4);
            EXPECT_NEAR(b.y, 40, 1e-4);
            EXPECT_NEAR(b.z, 12, 1e-4);
            break;
        case 2:  // along the axis
            EXPECT_NEAR(b.x, 50 + 6 * 0.6, 1e-4);
            EXPECT_NEAR(b.z, 10 + 6 * 0.8, 1e-4);
            break;
        case 3:
        case 4:  // the last points lie on the vertical circle through p
            for (size_t k = m.size() - 5; k < m.size(); ++k) {
                const double r = std::hypot(m[k].y - 40, m[k].z - 14);
                EXPECT_NEAR(r, 4.0, 1e-3) << kind;
                EXPECT_NEAR(m[k].x, 50, 1e-4) << kind;
            }
            // Kind 3 starts on the direction point's side, kind 4 behind p.
            EXPECT_TRUE(kind == 3 ? m[m.size() - 5].y > 40 : m[m.size() - 5].y < 40) << kind;
            break;
        case 5:  // in line with the first move, behind p
            EXPECT_NEAR(b.y, 40 - 6, 1e-4);
            EXPECT_NEAR(b.z, 10, 1e-4);
            break;
        case 6:  // along the horizontal normal
            EXPECT_NEAR(b.x, 56, 1e-4);
            EXPECT_NEAR(b.z, 10, 1e-4);
            break;
        case 7: {  // a horizontal arc: its start lies R from the centre beside p, 45 degrees round
            EXPECT_NEAR(b.z, 10, 1e-4);
            EXPECT_NEAR(std::hypot(b.x - 50, b.y - 40), 2 * 4 * std::sin(M_PI / 8), 1e-3);
            f32 sweep = 0;
            for (const auto& e : norak::main_list().elems)
                if (e.words.size() > 4 && (e.words[0] == 3 || e.words[0] == 23 || e.words[0] == 223)) sweep = wrd2r(e.words[3]);
            EXPECT_NEAR(std::fabs(sweep), M_PI / 4, 1e-5);
            break;
        }
        }
        std::printf("MEASURE approach kind %d: %zu moves\n", kind, m.size());
    }
}

// A floor at z 0 and a wall x = 40 rising to 30, approximated by the
// surface gathering (which admits every surface class to the positioning).
void wall_model()
{
    host({R"({"kind":"plane_patch","id":1,"origin":[0,0,0],"u_axis":[1,0,0],"v_axis":[0,1,0],"u":[0,100],"v":[0,80]})",
          R"({"kind":"plane_patch","id":2,"origin":[40,0,0],"u_axis":[0,0,1],"v_axis":[0,1,0],"u":[0,30],"v":[0,80]})"});
    init_badsrf();
    FRETRI();
    allrst();
    STPFLG(0);
    const i32 ids[2] = {1, 2}, nrm[2] = {1, 1};
    i32 work = 0, st = 0;
    allsrf(1, 2, ids, nrm, 0, nullptr, nullptr, 1, 0.01f, 0.0f, 2, work, st);
    ASSERT_EQ(st, 0);
    i32 flags = 0;
    GTPFLG(flags);
    EXPECT_EQ(flags, 0x3F);
}

TEST(Approach, AGougingApproachFallsBackToVertical)
{
    // The ball stands on the floor 0.1 before the wall. A shaped approach
    // or retract that would pass through the wall falls back to the
    // vertical one, with the warning and the point; one that keeps off the
    // wall is written as drawn.
    wall_model();
    params(1, 0.01f);
    CURTOL = BALL;
    MACTYP = MACTYP_TRIMMED;
    const f32 from[3] = {0, 0, 50}, p[3] = {34.9f, 40, 0}, q[3] = {34.9f, 50, 0}, into[3] = {1, 0, 0},
              away[3] = {-1, 0, 0}, up[3] = {0, 0, 1};
    auto gouging = [&](bool approach, i32 kind, const f32* axis, const f32* dir) {
        stand(approach ? from : p, kind);
        LNKPAR.gouge = 1;
        const size_t before = norak::transcript_count(approach ? "EXECUTING Z_UP APPROACH" : "EXECUTING Z_UP RETRACT");
        i32 st = 0;
        if (approach)
            SRFAPR(2, p, dir, axis, up, 3, st);
        else
            SRFRET(2, p, dir, axis, up, 3, st);
        EXPECT_EQ(st, 0);
        return norak::transcript_count(approach ? "EXECUTING Z_UP APPROACH" : "EXECUTING Z_UP RETRACT") > before;
    };
    // Along the horizontal normal into the wall, and away from it.
    EXPECT_TRUE(gouging(true, 6, into, q));
    EXPECT_TRUE(norak::transcript_has("WARNING:  APPROACH MOTION AT:"));
    EXPECT_TRUE(norak::transcript_has("message: GOUGING THE|SURFACES, EXECUTING Z_UP APPROACH"));
    auto m = moves();
    ASSERT_GE(m.size(), 2u);
    EXPECT_NEAR(m[m.size() - 2].x, 34.9, 1e-4);  // straight down instead
    EXPECT_NEAR(m[m.size() - 2].z, 2, 1e-4);
    EXPECT_FALSE(gouging(true, 6, away, q));
    m = moves();
    EXPECT_NEAR(m[m.size() - 2].x, 28.9, 1e-4);
    // The vertical arcs coming down from the wall's side (kind 4, behind p
    // as seen from the direction point) and from the open side (kind 3, the
    // direction point's).
    const f32 behind[3] = {29.9f, 40, 0};
    EXPECT_TRUE(gouging(true, 4, up, behind));
    EXPECT_FALSE(gouging(true, 3, up, behind));
    m = moves();
    EXPECT_LT(m[m.size() - 5].x, 34.9 - 2.8);
    // Without the gouge test the gouging approach is written as drawn.
    stand(from, 6);
    i32 st = 0;
    SRFAPR(2, p, q, into, up, 3, st);
    m = moves();
    EXPECT_NEAR(m[m.size() - 2].x, 40.9, 1e-4);
    // Retracts likewise: into the wall the tool only goes up.
    EXPECT_TRUE(gouging(false, 6, into, q));
    EXPECT_TRUE(norak::transcript_has("WARNING: RETRACT MOTION AT:"));
    EXPECT_TRUE(norak::transcript_has("message: GOUGING THE|SURFACES, EXECUTING Z_UP RETRACT"));
    for (const Pt& r : moves()) EXPECT_NEAR(r.x, 34.9, 1e-4);
    EXPECT_FALSE(gouging(false, 6, away, q));
    EXPECT_NEAR(moves().front().x, 28.9, 1e-4);
    // A target just under the floor, reached along a slanted axis: only the
    // tool at the target stands higher than the motion. Dimension code 4
    // takes the motion's own end there and writes the approach as drawn;
    // code 2 counts it as a gouge. Under surface milling the end-of-pass
    // retract made first (from the pass's last point, where the tool stands)
    // leaves the rule to the approach.
    const f32 under[3] = {20, 40, -0.02f}, q2[3] = {20, 50, -0.02f}, slant[3] = {0.6f, 0, 0.8f};
    for (i32 type : {MACTYP_TRIMMED, MACTYP_SURFACES}) {
        for (i32 dim : {2, 4}) {
            stand(from, LINK_AXIS);
            MACTYP = type;
            std::memcpy(PASOUT.last, from, sizeof PASOUT.last);
            PASOUT.prev[0] = from[0] - 5, PASOUT.prev[1] = from[1], PASOUT.prev[2] = from[2];
            std::memcpy(PASOUT.axis, up, sizeof PASOUT.axis);
            PASOUT.npnts = 2, PASOUT.retknd = 1;
            LNKPAR.gouge = 1;
            const size_t before = norak::transcript_count("EXECUTING Z_UP APPROACH");
            SRFAPR(dim, under, q2, slant, up, 3, st);
            EXPECT_EQ(st, 0) << dim;
            EXPECT_EQ(norak::transcript_count("EXECUTING Z_UP APPROACH") > before, dim == 2) << type << " " << dim;
        }
    }
    MACTYP = MACTYP_TRIMMED;
    FRETRI();
    allfre(st);
}

// A gouge test whose positioning fails (here the positioning refuses a zero
// tolerance) has tested nothing: the shaped approach or retract fails with
// its error and writes nothing, neither the shaped motion nor the fallback.
TEST(Approach, AGougeTestThatCannotBeMadeFailsTheMotion)
{
    wall_model();
    params(1, 0.01f);
    CURTOL = BALL;
    MACTYP = MACTYP_TRIMMED;
    const f32 p[3] = {20, 40, 0}, q[3] = {20, 50, 0}, away[3] = {-1, 0, 0}, up[3] = {0, 0, 1};
    for (bool approach : {true, false}) {
        for (i32 kind = 2; kind <= 7; ++kind) {
            const f32 from[3] = {0, 0, 50};
            stand(approach ? from : p, kind);
            LNKPAR.gouge = 1;
            LNKPAR.tol = 0.0f;
            const char* err = approach ? "SRFAPR, ERRORS IN LIST" : "SRFRET, ERRORS IN LIST";
            const size_t before = norak::transcript_count(err);
            i32 st = 0;
            if (approach)
                SRFAPR(2, p, q, away, up, 3, st);
            else
                SRFRET(2, p, q, away, up, 3, st);
            EXPECT_EQ(st, -1) << approach << kind;
            EXPECT_EQ(norak::transcript_count(err), before + 1) << approach << kind;
            EXPECT_TRUE(moves().empty()) << approach << kind;
        }
    }
    i32 st = 0;
    FRETRI();
    allfre(st);
}

// Runs call with the host refusing its fail-th allocation from now (none
// for 0), and answers how many allocations the call asked for.
template <class Call>
long long refusing(i32 fail, Call call)
{
    const long long from = norak::allocations();
    if (fail > 0) norak::fail_alloc_after(fail);
    call();
    norak::fail_alloc_after(0);
    return norak::allocations() - from;
}

// Markers of the given code in the tool path list.
int marks(i32 code)
{
    int n = 0;
    for (const auto& e : norak::main_list().elems)
        if (e.words.size() > 2 && e.words[0] == 99 && e.words[2] == code) ++n;
    return n;
}

// A shaped retract of each kind with each of its writes refused in turn:
// once its start marker is in the list, a failure is closed by the end
// marker. Only a refused end marker itself leaves the list without one, and
// then everything else of the retract is written.
TEST(Retract, AFailedShapedRetractClosesItsStartMarker)
{
    const f32 p[3] = {20, 40, 0}, before[3] = {20, 30, 0}, axis[3] = {0.6f, 0, 0.8f}, up[3] = {0, 0, 1};
    for (i32 kind = 2; kind <= 7; ++kind) {
        auto run = [&](i32 fail, i32& st) {
            host({});
            stand(p, kind);
            return refusing(fail, [&] { SRFRET(2, p, before, axis, up, 3, st); });
        };
        i32 st = 0;
        const long long total = run(0, st);
        ASSERT_EQ(st, 0) << kind;
        ASSERT_EQ(marks(11), 1) << kind;
        const size_t whole = norak::main_list().elems.size();
        for (long long k = 1; k <= total; ++k) {
            run(static_cast<i32>(k), st);
            if (st >= 0 || marks(11) == 0) continue;
            if (marks(12) == 0) {
                EXPECT_EQ(norak::main_list().elems.size(), whole - 1) << kind << " " << k;
            } else {
                EXPECT_EQ(marks(12), 1) << kind << " " << k;
            }
        }
        tp_mrkr_fin(1);
    }
}

// An approach (each kind) or the multi-axis final link whose list refuses
// any of its allocations: no end marker is written without its start
// marker, so the marker stack never finds an end it did not open.
TEST(Approach, AnApproachWhoseStartMarkerIsRefusedWritesNoEndMarker)
{
    const f32 from[3] = {0, 40, 30}, p[3] = {20, 40, 0}, q[3] = {30, 40, 0}, axis[3] = {0.6f, 0, 0.8f},
              up[3] = {0, 0, 1};
    for (i32 kind = 1; kind <= 8; ++kind) {
        auto run = [&](i32 fail, i32& st) {
            host({});
            params(1, 0.01f);
            CURTOL = BALL;
            stand(from, kind == 8 ? LINK_VERTICAL : kind);
            MACTYP = MACTYP_TRIMMED;
            HEI8[HEI8_RETRACT] = 1;
            return refusing(fail, [&] {
                if (kind == 8)
                    MXFINL(st);
                else
                    SRFAPR(2, p, q, axis, up, 3, st);
            });
        };
        i32 st = 0;
        const long long total = run(0, st);
        ASSERT_EQ(st, 0) << kind;
        const i32 open = kind == 8 ? 11 : 9;
        ASSERT_EQ(marks(open), 1) << kind;
        for (long long k = 1; k <= total; ++k) {
            run(static_cast<i32>(k), st);
            if (st >= 0) continue;
            EXPECT_LE(marks(open + 1), marks(open)) << kind << " " << k;
            EXPECT_FALSE(norak::transcript_has("MISSING MARKER")) << kind << " " << k;
        }
        tp_mrkr_fin(1);
    }
}

// A boundary that keeps every position of the gouge test out leaves the
// positioning with nothing: surface milling takes that as a gouge at the
// motion's end (the retract comes up vertically and names that point), while
// the fast move's test of cutting the part takes it as no cut.
TEST(Retract, APositioningThatFindsNothingIsAGougeAtTheEndOnlyForSurfaceMilling)
{
    wall_model();
    params(1, 0.01f);
    CURTOL = BALL;
    MACTYP = MACTYP_TRIMMED;
    i32 st = 0, one = 1;
    polbuf_init(2, 200, st);
    polbuf_select(2, one, st);
    const f32 far[8] = {500, 500, 600, 500, 600, 600, 500, 600};
    polbuf_set_np(1, 4, st);
    for (i32 j = 0; j < 4; ++j) polbuf_put_point(1, j + 1, far[2 * j], far[2 * j + 1], st);
    polbuf_set_npol(1, st);
    BNDACT = 1;
    const f32 p[3] = {34.9f, 40, 0}, q[3] = {34.9f, 50, 0}, up[3] = {0, 0, 1};
    // Along the horizontal normal and along a slanted axis, each named at
    // its end, 6 from p; along a vertical axis the retract goes straight up
    // untested (as the approach comes straight down) and is written as drawn.
    struct Row {
        i32 kind;
        f32 axis[3];
        const char* end;  // the point the warning names; null: no warning
    };
    const Row rows[] = {{6, {-1, 0, 0}, "28.9"}, {2, {-0.6f, 0, 0.8f}, "31.3"}, {2, {0, 0, 1}, nullptr}};
    for (const Row& r : rows) {
        stand(p, r.kind);
        LNKPAR.gouge = 1;
        const size_t from = norak::transcript().size();
        SRFRET(2, p, q, r.axis, up, 3, st);
        EXPECT_EQ(st, 0);
        const auto& t = norak::transcript();
        std::string said;
        for (size_t k = from; k < t.size(); ++k) said += t[k] + "\n";
        EXPECT_EQ(said.find("WARNING: RETRACT MOTION AT:") != std::string::npos, r.end != nullptr) << said;
        if (r.end) {
            EXPECT_NE(said.find(r.end), std::string::npos) << said;
        } else {
            ASSERT_FALSE(moves().empty());
            EXPECT_NEAR(moves().front().z, 6, 1e-4);  // up by the approach length first
        }
        for (const Pt& m : moves()) EXPECT_NEAR(m.x, 34.9, 1e-4) << r.kind;
    }
    // The fast move through the wall goes straight: nothing found, no cut.
    const f32 b[3] = {30, 40, 10}, c[3] = {60, 40, 10};
    stand(b, 1);
    HFLINI();
    HEI8[HEI8_RETRACT] = 0;
    FAST2M(2, c, up, 1, 0.0f, st);
    EXPECT_EQ(st, 0);
    const auto m = moves();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].x, 60.0);
    BNDACT = 0;
    polbuf_release_all(1, st);
    FRETRI();
    allfre(st);
}

// With the retracts left out (hold state set, clearance switch 0) the fast
// move goes straight where that keeps off the part, and over the clearance
// plane where the straight move would run through the wall; without the
// gouge flag too.
TEST(Links, AFastMoveWithoutTheClearanceSwitchNeverCutsThePart)
{
    wall_model();
    params(1, 0.01f);
    CURTOL = BALL;
    const f32 a[3] = {10, 40, 10}, b[3] = {30, 40, 10}, c[3] = {60, 40, 10}, up[3] = {0, 0, 1};
    auto fast = [&](const f32* from, const f32* to) {
        stand(from, 1);
        HFLINI();
        HEI8[HEI8_RETRACT] = 0;
        i32 st = 0;
        FAST2M(2, to, up, 1, 0.0f, st);
        EXPECT_EQ(st, 0);
        return moves();
    };
    auto m = fast(a, b);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].x, 30.0);
    EXPECT_EQ(m[0].z, 10.0);
    m = fast(b, c);
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].x, 30.0);
    EXPECT_EQ(m[0].z, 100.0);
    EXPECT_EQ(m[1].x, 60.0);
    EXPECT_EQ(m[1].z, 100.0);
    EXPECT_EQ(m[2].z, 10.0);
    FRETRI();
    i32 st = 0;
    allfre(st);
}

TEST(Retract, NeverMovesDownIntoThePart)
{
    host({tilted_plane(1)});
    params(1, 0.01f);
    CURTOL = BALL;
    const f32 p[3] = {50, 40, 30}, before[3] = {50, 30, 30}, axis[3] = {0, 0, 1};
    for (i32 kind = 1; kind <= 7; ++kind) {
        stand(p, kind);
        // Absolute heights with a retract plane below the point.
        HEI8[HEI8_ABSOLUTE] = 1;
        HEI8[HEI8_PLANE2] = r2wrd(10.0f);
        i32 st = 0;
        SRFRET(2, p, before, axis, axis, 3, st);
        EXPECT_EQ(st, 0) << kind;
        for (const Pt& q : moves()) EXPECT_GE(q.z, 30.0 - 1e-4) << kind;
    }
    stand(p, 1);
    HEI8[HEI8_ABSOLUTE] = 1;
    HEI8[HEI8_PLANE2] = r2wrd(10.0f);
    i32 st = 0;
    ZRET(2, p, axis, st);
    for (const Pt& q : moves()) EXPECT_GE(q.z, 30.0 - 1e-4);
}

// Degenerate links: a plane move to where the tool stands writes nothing;
// the vertical-arc and in-line approaches without a direction (the
// direction point on the target) fall back to the vertical one with the
// host's message; a held clearance switch of 0 keeps the retract back.
TEST(Approach, DegenerateTargetsFallBackOrWriteNothing)
{
    host({tilted_plane(1)});
    params(1, 0.01f);
    CURTOL = BALL;
    MACTYP = MACTYP_TRIMMED;
    const f32 from[3] = {0, 0, 30}, p[3] = {50, 40, 10}, axis[3] = {0.6f, 0, 0.8f}, up[3] = {0, 0, 1};
    stand(from, 1);
    i32 st = 0;
    PLNZUP(2, from, up, 3.0f, st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(moves().empty());
    for (i32 kind = 3; kind <= 5; ++kind) {
        stand(from, kind);
        MACTYP = MACTYP_SURFACES;
        std::memcpy(PASOUT.last, from, sizeof PASOUT.last);
        PASOUT.npnts = 2, PASOUT.retknd = 1;
        const size_t said = norak::transcript().size();
        SRFAPR(2, p, p, axis, up, 3, st);
        ASSERT_EQ(st, 0) << kind;
        const auto m = moves();
        ASSERT_GE(m.size(), 2u) << kind;
        // Straight down from the safety height onto the target.
        EXPECT_LT(dist(m.back(), p), 1e-4) << kind;
        EXPECT_NEAR(m[m.size() - 2].x, 50, 1e-4) << kind;
        EXPECT_NEAR(m[m.size() - 2].y, 40, 1e-4) << kind;
        EXPECT_NEAR(m[m.size() - 2].z, 12, 1e-4) << kind;
        // The message names the target; no end-of-pass retract comes first.
        bool told = false;
        for (size_t k = said; k < norak::transcript().size(); ++k)
            told = told || (norak::transcript()[k].find("host message 320/240") != std::string::npos &&
                            norak::transcript()[k].find("X =") != std::string::npos);
        EXPECT_TRUE(told) << kind;
        EXPECT_EQ(PASOUT.npnts, 2) << kind;
        // A list that refuses the moves fails the approach in its own name.
        stand(from, kind);
        norak::fail_list_call("lacces", 1);
        SRFAPR(2, p, p, axis, up, 3, st);
        norak::fail_list_call("lacces", 0);
        EXPECT_LT(st, 0) << kind;
        EXPECT_TRUE(norak::transcript_has("SRFAPR, ERRORS IN LIST")) << kind;
    }
    // Hold state on: the switch decides; 0 writes nothing, 1 goes to the
    // clearance plane.
    for (i32 sw = 0; sw <= 1; ++sw) {
        stand(p, 1);
        HFLSET(1);
        HEI8[HEI8_RETRACT] = sw;
        ZRET(2, p, up, st);
        EXPECT_EQ(st, 0);
        const auto m = moves();
        if (sw == 0) {
            EXPECT_TRUE(m.empty());
        } else {
            ASSERT_FALSE(m.empty());
            EXPECT_NEAR(m.back().z, 100, 1e-4);
        }
    }
}

// The words of the heights record the links read (counted from 0): 0 the
// clearance plane, 24 the absolute plane, 48 the incremental height, 73 the
// clearance switch, 76 the height mode. Each is set alone and moves the
// retract, the end-of-string move and the fast move to its own height; the
// hold state chooses between the clearance plane and the other two.
TEST(HeightsRecord, EachWordDrivesItsLinkHeight)
{
    host({});
    params(1, 0.01f);
    CURTOL = BALL;
    const f32 p[3] = {10, 20, 5}, q[3] = {40, 20, 8}, up[3] = {0, 0, 1};
    struct Case {
        const char* name;
        i32 hold, mode, sw;  // hold state, height mode (word 76), clearance switch (word 73)
        f32 zret, strend, fast;  // the height each routine goes up to (-1: no move up)
    } cases[] = {
        {"incremental", 0, 0, 0, 5 + 20, 8 + 20, 5 + 20},
        {"absolute", 0, 1, 0, 55, 55, 55},
        {"clearance plane", 1, 0, 1, 100, 100, 100},
        {"clearance plane, absolute mode", 1, 1, 1, 100, 100, 100},
        {"switch off", 1, 1, 0, -1, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto setup = [&] {
            stand(p, 1);  // clearance 100 (word 0), incremental 20 (word 48)
            HEI8[HEI8_PLANE2] = r2wrd(55.0f);
            HEI8[HEI8_ABSOLUTE] = c.mode;
            HEI8[HEI8_RETRACT] = c.sw;
            HFLINI();
            if (c.hold == 0) HFLSET(0);
            i32 h = -1;
            HFLGET(h);
            ASSERT_EQ(h, c.hold);
        };
        i32 st = 0;
        setup();
        ZRET(2, p, up, st);
        ASSERT_EQ(st, 0);
        auto m = moves();
        if (c.zret < 0) {
            EXPECT_TRUE(m.empty());
        } else {
            ASSERT_EQ(m.size(), 1u);
            EXPECT_EQ(m[0].x, 10.0);
            EXPECT_EQ(m[0].z, c.zret);
        }
        // The end-of-string move towards q: up, then across at the height.
        setup();
        STREND(2, q, up, 1, 0.0f, st);
        ASSERT_EQ(st, 0);
        m = moves();
        if (c.strend < 0) {
            // Only up to q's height where the tool stands.
            ASSERT_EQ(m.size(), 1u);
            EXPECT_EQ(m[0].x, 10.0);
            EXPECT_EQ(m[0].z, 8.0);
        } else {
            ASSERT_EQ(m.size(), 2u);
            EXPECT_EQ(m[0].x, 10.0);
            EXPECT_EQ(m[0].z, c.strend);
            EXPECT_EQ(m[1].x, 40.0);
            EXPECT_EQ(m[1].z, c.strend);
        }
        // The fast move to q: up, across, down onto q.
        setup();
        FAST2M(2, q, up, 1, 0.0f, st);
        ASSERT_EQ(st, 0);
        m = moves();
        if (c.fast < 0) {
            EXPECT_TRUE(m.empty());  // the tool stands below q: no move at all
        } else {
            ASSERT_EQ(m.size(), 3u);
            EXPECT_EQ(m.back().x, 40.0);
            EXPECT_EQ(m.back().z, 8.0);
            EXPECT_EQ(m[0].x, 10.0);
            EXPECT_EQ(m[0].z, c.fast);
            EXPECT_EQ(m[1].x, 40.0);
            EXPECT_EQ(m[1].z, c.fast);
        }
    }
}

TEST(MultiAxisLink, AxisTurnsInThirdsOnTheWayToTheClearancePlane)
{
    host({});
    const f32 p[3] = {10, 20, 5};
    stand(p, 1);
    TPMACH = 25;  // a machine that carries the tool axis
    const f32 tilted[6] = {10, 20, 5, 0.6f, 0, 0.8f}, vertical[6] = {10, 20, 5, 0, 0, 1};
    i32 st = 0;
    MXVERT(1, tilted, st);
    EXPECT_EQ(moves().size(), 4u);
    EXPECT_NEAR(moves().back().z, 100.0, 1e-4);
    // The axes of the multi-axis lines: a third and two thirds of the way
    // from the tilted axis to the vertical, made unit, then vertical.
    std::vector<std::array<double, 3>> axes;
    for (const auto& e : norak::main_list().elems)
        if (!e.words.empty() && e.words[0] == BT_LINE5 && e.words.size() >= 8)
            axes.push_back({wrd2r(e.words[5]), wrd2r(e.words[6]), wrd2r(e.words[7])});
    ASSERT_EQ(axes.size(), 4u);
    for (int k = 1; k <= 2; ++k) {
        const double x = 0.6 - 0.6 * k / 3.0, z = 0.8 + 0.2 * k / 3.0, l = std::hypot(x, z);
        EXPECT_NEAR(axes[k - 1][0], x / l, 1e-5) << k;
        EXPECT_NEAR(axes[k - 1][1], 0.0, 1e-6) << k;
        EXPECT_NEAR(axes[k - 1][2], z / l, 1e-5) << k;
    }
    EXPECT_NEAR(axes[2][2], 1.0, 1e-6);
    stand(p, 1);  // at the point again
    TPMACH = 25;
    MXVERT(2, tilted, st);
    auto m = moves();
    ASSERT_EQ(m.size(), 5u);
    EXPECT_NEAR(m[1].z, 5 + 9.5, 1e-3);  // a tenth of the rise next to the point
    EXPECT_NEAR(m.back().z, 5, 1e-4);
    clearlist();
    MXVERT(1, vertical, st);
    EXPECT_EQ(moves().size(), 1u);
}

// With the axis turned vertical on the way to and from the clearance plane
// the link climbs there and comes down turning, and still ends with the
// approach onto its target.
TEST(MultiAxisLink, TheLinkOverTheClearancePlaneEndsOnItsTarget)
{
    host({});
    const f32 from[3] = {10, 20, 5};
    stand(from, 1);
    TPMACH = 25;
    HEI8[HEI8_AXIS] = 2;
    const f32 rec[12] = {40, 20, 5, 0.6f, 0, 0.8f, 0, 0, 1, 0, 0, 1};
    i32 st = 0;
    MXLINK(rec, 1, 0, st);
    EXPECT_EQ(st, 0);
    const auto m = moves();
    ASSERT_GE(m.size(), 3u);
    EXPECT_LT(dist(m.back(), rec), 1e-4);
    // The turning descent ends on the far point above the target (far 28:
    // incremental 20, safety 2, approach 6), where the approach begins.
    const f32 far[3] = {40, 20, 33};
    EXPECT_LT(dist(m[m.size() - 3], far), 1e-4);
    EXPECT_NEAR(m[m.size() - 2].x, 40, 1e-4);  // the approach comes straight down onto it
    EXPECT_GT(m[m.size() - 2].z, 5.0);
    bool cleared = false;
    for (const Pt& r : m) cleared = cleared || std::fabs(r.z - 100.0) < 1e-3;
    EXPECT_TRUE(cleared);
}

// A move of the link that cannot be written fails it: from the move to
// above the target on, a refused element is never answered by success (the
// approach's start marker used to clear the failure of the move before it).
TEST(MultiAxisLink, AFailedMoveFailsTheLink)
{
    const f32 from[3] = {10, 20, 5};
    const f32 rec[12] = {40, 20, 5, 0.6f, 0, 0.8f, 0, 0, 1, 0, 0, 1};
    auto run = [&](long long fail, i32& st) {
        host({});
        stand(from, 1);
        TPMACH = 25;
        NPASS = 1;
        const long long before = norak::allocations();
        if (fail > 0) norak::fail_alloc_after(static_cast<i32>(fail));
        MXLINK(rec, 2, 1, st);
        norak::fail_alloc_after(0);
        tp_mrkr_fin(1);
        return norak::allocations() - before;
    };
    i32 st = 0;
    host({});
    stand(from, 1);
    TPMACH = 25;
    NPASS = 1;
    long long before = norak::allocations();
    MXRETR(rec, 2, 1, st);
    const long long retract = norak::allocations() - before;
    const long long total = run(0, st);
    ASSERT_EQ(st, 0);
    ASSERT_GT(total, retract);
    for (long long k = retract + 1; k <= total; ++k) {
        run(k, st);
        EXPECT_LT(st, 0) << k;
    }
}

// The pass-record switch, set as a pass is entered, turns both halves of
// the multi-axis link that enters it: the retract leaves along the exit
// vector of the pass before, the approach comes in along the pass's start
// normal; the link clears it. Without it both take the record's vectors
// (straight up here). Each row: the switch, then the first retract move
// and the move to above the target, against the tool's place and the
// target (far 28, near 6 for a jump).
TEST(MultiAxisLink, ThePassRecordSwitchTurnsBothHalvesOfTheLink)
{
    const f32 from[3] = {10, 20, 5};
    const f32 rec[12] = {40, 20, 5, 0, 0, 1, 0, 0, 1, 0, 0, 1};
    struct Row {
        i32 sw;
        f32 out[3], in[3];
    };
    const Row rows[] = {{1, {0.6f, 0, 0.8f}, {0, 0.6f, 0.8f}}, {0, {0, 0, 1}, {0, 0, 1}}};
    for (const Row& r : rows) {
        host({});
        stand(from, 1);
        TPMACH = 25;
        NPASS = 1;
        PASOUT.exitv[0] = 0.6f, PASOUT.exitv[1] = 0, PASOUT.exitv[2] = 0.8f;
        PASOUT.pasrec[0] = 0, PASOUT.pasrec[1] = 0.6f, PASOUT.pasrec[2] = 0.8f;
        PASOUT.recsw = r.sw;
        i32 st = 0;
        MXLINK(rec, 2, 1, st);
        ASSERT_EQ(st, 0) << r.sw;
        EXPECT_EQ(PASOUT.recsw, 0) << r.sw;
        const auto m = moves();
        ASSERT_GE(m.size(), 4u) << r.sw;
        const f32 out[3] = {from[0] + 6 * r.out[0], from[1] + 6 * r.out[1], from[2] + 6 * r.out[2]};
        const f32 above[3] = {rec[0] + 28 * r.in[0], rec[1] + 28 * r.in[1], rec[2] + 28 * r.in[2]};
        EXPECT_LT(dist(m[0], out), 1e-4) << r.sw;
        bool over = false;
        for (const Pt& q : m) over = over || dist(q, above) < 1e-4;
        EXPECT_TRUE(over) << r.sw;
        EXPECT_LT(dist(m.back(), rec), 1e-4) << r.sw;
    }
}

// A straight move with the rapid flag runs at the rapid feed and leaves the
// cutting feed behind it; without the flag the other way round.
TEST(Links, ARapidMoveLeavesTheCuttingFeed)
{
    const f32 from[3] = {10, 20, 5}, to[3] = {10, 20, 25};
    for (i32 rapid : {1, 0}) {
        host({});
        stand(from, 1);
        HFLSET(1);  // the rapid feed written as itself, not as travel over the part
        TECHST.status[1] = 1;
        STPV01(3);
        i32 st = 0;
        MOVRPD(2, to, nullptr, rapid, st);
        ASSERT_EQ(st, 0) << rapid;
        i32 feed = 0;
        for (const auto& e : norak::main_list().elems)
            if (e.words.size() >= 5 && e.words[0] == 1 && e.words[2] == 1) feed = e.words[4];
        EXPECT_EQ(feed, rapid == 1 ? 4 : 1) << rapid;
        EXPECT_EQ(TECHST.requested[1], rapid == 1 ? 1 : 4) << rapid;
    }
}

// The final link of a multi-axis pass: along the exit vector (word 465 = 2),
// first at the feed in force, then rapid by the incremental height less the
// rotary axis's height; else along the tool axis (link kind 2) or straight
// up, at the rapid feed when the hold state is set, then on by the
// incremental height. Each row: word 465, link kind, expected ends of both
// moves along its direction, the feed code of the first move.
TEST(MultiAxisLink, TheFinalLinkLeavesByItsWordAndKind)
{
    struct Row {
        i32 ref, kind;
        f32 dir[3], first, second;
        i32 feed;
    };
    const Row rows[] = {{2, 1, {0.6f, 0, 0.8f}, 8, 23, 1}, {1, 2, {0, 0.6f, 0.8f}, 6, 26, 4}, {1, 1, {0, 0, 1}, 2, 22, 4}};
    const f32 from[3] = {10, 20, 5}, axis[3] = {0, 0.6f, 0.8f};
    for (const Row& r : rows) {
        host({});
        params(1, 0.01f);
        CURTOL = BALL;
        stand(from, r.kind);
        TPMACH = 25;
        i32 st = 0;
        MOVLIN(3, from, axis, st);
        clearlist();
        pw(TLTREF) = r.ref;
        NPT1[5] = r2wrd(5.0f);
        PASOUT.exitv[0] = 0.6f, PASOUT.exitv[1] = 0, PASOUT.exitv[2] = 0.8f;
        HFLSET(1);
        HEI8[HEI8_RETRACT] = 1;
        TECHST.status[1] = 1;  // feed codes written as codes
        STPV01(1);
        MXFINL(st);
        ASSERT_EQ(st, 0) << r.ref << r.kind;
        std::vector<std::pair<Pt, i32>> m;
        i32 feed = 1;
        for (const auto& e : norak::main_list().elems) {
            const auto& w = e.words;
            if (w.size() >= 5 && w[0] == 1 && w[2] == 1) feed = w[4];
            if (w.size() >= 5 && (w[0] == 2 || w[0] == 22 || w[0] == 222))
                m.push_back({Pt{wrd2r(w[2]), wrd2r(w[3]), wrd2r(w[4])}, feed});
        }
        ASSERT_EQ(m.size(), 2u) << r.ref << r.kind;
        for (int k = 0; k < 2; ++k) {
            const f32 t = k == 0 ? r.first : r.second;
            const f32 q[3] = {from[0] + t * r.dir[0], from[1] + t * r.dir[1], from[2] + t * r.dir[2]};
            EXPECT_LT(dist(m[static_cast<size_t>(k)].first, q), 1e-3) << r.ref << r.kind << k;
        }
        EXPECT_EQ(m[0].second, r.feed) << r.ref << r.kind;
        EXPECT_EQ(m[1].second, 4) << r.ref << r.kind;
        i32 h = 0;
        HFLGET(h);
        EXPECT_EQ(h, 0) << r.ref << r.kind;
    }
}

// A string entered by a retract and an approach: the approach leaves the
// cutting feed, so the down-feed counts as off and a string descending from
// its first point takes it again. Under machining type 11 the approach after
// a retract that rose by the incremental height travels at the height reached.
TEST(Links, AfterARetractAndAnApproach)
{
    const f32 from[3] = {0, 0, 10}, s3[9] = {20, 0, 5, 21, 0, 4, 22, 0, 3};
    const i32 n3 = 3;
    auto first_string = [&](i32 mactyp) {
        host({});
        params(1, 0.01f);
        stand(from, 1);
        std::memset(PRM9, 0, sizeof PRM9);
        PRM9[0] = r2wrd(1000.0f);
        PRM9[6] = 50;  // the down-feed: 50 %
        TECHCL();
        STPV01(1);
        i32 open = 0, st = 0;
        const f32 up[3] = {0, 0, 12};
        PLGRST();
        PLGFED(up, from, open);  // the down-feed on
        EXPECT_EQ(TECHST.requested[1], 26);
        MACTYP = mactyp;
        MSTPUT(from, ZUP3, 2);
        MILBF2(3, 1, 1, s3, nullptr, nullptr, 1, &n3, 0, 5, 6, 3, st);
        MACTYP = MACTYP_SURFACES;
        EXPECT_EQ(st, 0);
        f64 top = -1e9;
        for (const Pt& p : moves()) top = std::max(top, p.z);
        return top;
    };
    // Retract to 10 + 20, the approach down onto the string; the descent
    // along it at the down-feed.
    EXPECT_DOUBLE_EQ(first_string(MACTYP_SURFACES), 50.0);
    EXPECT_EQ(TECHST.requested[1], 26);
    // Type 11: the fast move of the approach at the retract's height.
    EXPECT_DOUBLE_EQ(first_string(MACTYP_TYPE4), 30.0);
    EXPECT_EQ(LNKPAR.clrA, 0);
    // The pass writer's strings alike, behind a jump, an approach from
    // beside or a vertical approach: the descent at the down-feed, though the
    // down-feed was on before the link. Last, a jump so short that it is a
    // plain move, into a level string: that string runs at the cutting feed,
    // not at the down-feed left on.
    const f32 down[3][3] = {{20, 0, 5}, {21, 0, 4}, {22, 0, 3}}, level[3][3] = {{0.005f, 0, 10}, {1, 0, 10}, {2, 0, 10}};
    const f32 vv[3][6] = {{0, 0, 1, 0, 0, 1}, {0, 0, 1, 0, 0, 1}, {0, 0, 1, 0, 0, 1}};
    for (i32 code : {2, 3, 4, 0}) {
        host({});
        params(1, 0.01f);
        stand(from, 1);
        std::memset(PRM9, 0, sizeof PRM9);
        PRM9[0] = r2wrd(1000.0f);
        PRM9[6] = 50;
        TECHCL();
        STPV01(1);
        i32 open = 0, st = 0;
        const f32 up[3] = {0, 0, 12};
        PLGRST();
        PLGFED(up, from, open);
        ASSERT_EQ(TECHST.requested[1], 26);
        BPNTWR(code ? down : level, vv, 3, code ? code : 2, 1, open, st);
        if (open) PCLST1();
        EXPECT_EQ(st, 0) << code;
        EXPECT_EQ(TECHST.requested[1], code ? 26 : 1) << code;
    }
}

// The link parameters as the caller gives them: both link distances and the
// heights record's mode and incremental height; the clearance flags cleared.
TEST(Links, TheLinkParametersAreStoredAsGiven)
{
    LNKPAR.clrA = LNKPAR.clrB = 1;
    const f32 dists[2] = {3.0f, 4.0f};
    const i32 hmode = 1, hinc = r2wrd(7.5f);
    SETMOC(5, 6.0f, 7.0f, dists, 8.0f, 0.01f, 0.2f, 0.3f, 1, 4, 2, &hmode, &hinc);
    EXPECT_EQ(LNKPAR.kind, 5);
    EXPECT_EQ(LNKPAR.dist[0], 3.0f);
    EXPECT_EQ(LNKPAR.dist[1], 4.0f);
    EXPECT_EQ(LNKPAR.safety, 8.0f);
    EXPECT_EQ(LNKPAR.count, 2);
    EXPECT_EQ(LNKPAR.hmode, 1);
    EXPECT_EQ(LNKPAR.hinc, 7.5f);
    EXPECT_EQ(LNKPAR.clrA + LNKPAR.clrB, 0);
    PRCSTK = PRCCHK = 0.0f;
}

// The link set-up's part and check stock reach the tool-shape helpers: over a
// plate of the part class the tool stands higher by the part stock, over one
// of the check class by the check stock (both roads of the point helper).
TEST(Links, TheLinkSetUpGivesThePositioningItsStocks)
{
    host({});
    params(1, 0.01f);
    CURTOL = BALL;
    const f32 dists[2] = {0.0f, 0.0f};
    const i32 hmode = 0, hinc = 0;
    for (const i32 cls : {1, 2}) {
        meshes::Mesh plate = meshes::grid(-50, -50, 50, 50, 1, 1, [](f64, f64) { return 0.0; });
        plate.cls = cls;
        FRETRI();
        ASSERT_EQ(meshes::build({plate}), 0);
        STPFLG(0x3F);
        PRCSTK = PRCCHK = 0.0f;
        SETMOC(1, 5.0f, 5.0f, dists, 2.0f, 0.01f, 0.25f, 0.5f, 1, 1, 0, &hmode, &hinc);
        const f32 stock = cls == 1 ? 0.25f : 0.5f, p[3] = {3.0f, -2.0f, 0.0f};
        f32 pos[3], con[3], nrm[3];
        i32 st = -5;
        LOCSEG(p, pos, nrm, st);
        EXPECT_EQ(st, 0) << cls;
        EXPECT_NEAR(pos[2], stock, 1e-5) << cls;
        st = -5;
        LOCSGP(p, 2, pos, con, nrm, st);
        EXPECT_EQ(st, cls == 1 ? 0 : 4) << cls;  // 4: the contact lies on a check surface
        EXPECT_NEAR(pos[2], stock, 1e-5) << cls;
    }
    FRETRI();
    PRCSTK = PRCCHK = 0.0f;
}

TEST(Links, ShortHopLiftsAndComesDownAtTheApproachFeed)
{
    host({});
    params(1, 0.01f);
    CURTOL = BALL;
    pws(JMPLF1, 1.0f);
    pws(JMPLF2, 0.5f);
    const f32 from[3] = {0, 0, 0}, to[3] = {3, 0, 0}, up[3] = {0, 0, 1};
    stand(from, 1);
    i32 st = 0;
    BJMPWR(to, up, st);
    const auto m = moves();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_NEAR(m[0].z, 1.0, 1e-5);
    EXPECT_NEAR(m[1].x, 3.0, 1e-5);
    EXPECT_NEAR(m[1].z, 0.5, 1e-5);
    EXPECT_NEAR(m[2].z, 0.0, 1e-5);
}

// Link code 11 with the first-string word 0 enters a string below the tool
// by one straight move at the approach feed: on a multi-axis string a line
// with the first point's axis, as every other link move of the string.
TEST(Links, AStringBelowTheToolIsEnteredWithItsFirstAxis)
{
    host({});
    params(2, 0.01f);
    const f32 from[3] = {0, 0, 30};
    stand(from, 1);
    TPMACH = 25;  // a machine that carries the tool axis
    const f32 pts[6] = {10, 0, 5, 20, 0, 5}, axes[6] = {0.6f, 0, 0.8f, 0.6f, 0, 0.8f};
    const i32 n = 2;
    i32 st = 0;
    MILBF2(11, 2, 0, pts, axes, nullptr, 1, &n, 0, 5, 6, 3, st);
    ASSERT_EQ(st, 0);
    bool entered = false;
    for (const auto& e : norak::main_list().elems) {
        const auto& w = e.words;
        if (w.size() < 5 || std::fabs(wrd2r(w[2]) - 10) > 1e-5 || std::fabs(wrd2r(w[4]) - 5) > 1e-5) continue;
        entered = true;
        ASSERT_EQ(w[0], BT_LINE5);
        ASSERT_GE(w.size(), 8u);
        EXPECT_NEAR(wrd2r(w[5]), 0.6, 1e-6);
        EXPECT_NEAR(wrd2r(w[7]), 0.8, 1e-6);
    }
    EXPECT_TRUE(entered);
}

}  // namespace

namespace {

// A later string of a surface, far from the tool, is entered once by its
// link (code 4); its second piece follows the first without a jump that
// would go nowhere.
TEST(Links, ALaterStringIsEnteredOnceWithoutAZeroJump)
{
    host({tilted_plane(1)});
    params(1, 0.01f);
    CURTOL = BALL;
    MACTYP = MACTYP_SURFACES;
    pw(GCHMOD) = 1;
    pw(ZIGZAG) = 1;
    const f32 from[3] = {0, 0, 30};
    stand(from, 1);
    RSTPAS();
    PasStr& s = PASSTR;
    s.PSNSRF = 1, s.PSMODE[0] = 1, s.PSKIND[0] = 3, s.PSSURF[0] = 1, s.PSSCNT[0] = 2;
    const f32 pts[6][3] = {{10, 10, 5}, {20, 10, 5}, {30, 10, 5}, {10, 40, 5}, {20, 40, 5}, {30, 40, 5}};
    for (int k = 0; k < 6; ++k) {
        for (int c = 0; c < 3; ++c) s.PSPNTS[k][c] = pts[k][c];
        for (int c = 0; c < 6; ++c) s.PSVECS[k][c] = c == 2 || c == 5 ? 1.0f : 0.0f;
    }
    s.PSNSTR = 2, s.PSSLEN[0] = 3, s.PSSLEN[1] = 3, s.PSNPNT = 6;
    i32 st = 0;
    BSURAL(0, st);
    ASSERT_EQ(st, 0);
    const auto m = moves();
    ASSERT_GE(m.size(), 6u);
    for (size_t k = 1; k < m.size(); ++k) {
        const double d = std::sqrt(std::pow(m[k].x - m[k - 1].x, 2) + std::pow(m[k].y - m[k - 1].y, 2) +
                                   std::pow(m[k].z - m[k - 1].z, 2));
        EXPECT_GT(d, 1e-6) << "a move that goes nowhere, at " << k;
    }
    // Every point of the second string is reached.
    for (int k = 3; k < 6; ++k) {
        bool reached = false;
        for (const Pt& q : m) reached |= dist(q, pts[k]) < 1e-5;
        EXPECT_TRUE(reached) << k;
    }
}

}  // namespace

namespace {

// The pocketing procedures (codes 34 and 38) cross over the part by the
// clearance path: the tool travels at the height it finds by moving towards
// the target over the triangle model and scanning beyond the touch, lifted
// by the incremental height; without a touch, at that height alone. The
// wall of 30 between the two points is cleared.
TEST(Links, ThePocketingCodesCrossOverThePartByTheClearancePath)
{
    wall_model();
    params(1, 0.01f);
    CURTOL = BALL;
    MACTYP = MACTYP_TRIMMED;
    const f32 from[3] = {20, 40, 0}, to[3] = {60, 40, 0}, up[3] = {0, 0, 1};
    for (i32 code : {34, 0}) {
        stand(from, 1);
        nu_sgcd_set_code(code);
        i32 st = 0;
        FAST2M(2, to, up, 1, 0.0f, st);
        ASSERT_EQ(st, 0) << code;
        const auto m = moves();
        ASSERT_GE(m.size(), 2u) << code;
        EXPECT_LT(dist(m.back(), to), 1e-4) << code;
        double over = 1e30;  // lowest height of the moves that pass over the wall
        for (size_t k = 1; k < m.size(); ++k)
            if ((m[k - 1].x - 40) * (m[k].x - 40) <= 0 && std::fabs(m[k].x - m[k - 1].x) > 1e-3)
                over = std::min(over, std::min(m[k - 1].z, m[k].z));
        if (code == 34)
            EXPECT_NEAR(over, 30.0 + 20.0, 0.05) << "the wall's top and the incremental height";
        else
            EXPECT_NEAR(over, 20.0, 1e-4) << "the plain height above the points";
    }
    // STREND of a stepped procedure takes the same path.
    stand(from, 1);
    nu_sgcd_set_code(38);
    i32 st = 0;
    STREND(2, to, up, 1, 0.0f, st);
    ASSERT_EQ(st, 0);
    double top = -1e30;
    for (const Pt& q : moves()) top = std::max(top, q.z);
    EXPECT_GT(top, 30.0);
    nu_sgcd_set_code(0);
    FRETRI();
    allfre(st);
}

}  // namespace

namespace {

// The down-feed: taken while the tool descends when its machine value is
// below that of the feed code in force, left when the tool stops
// descending; never a down-feed whose value is not set.
TEST(Links, TheDownFeedAgainstTheFeedInForce)
{
    host({});
    params(1, 0.01f);
    const f32 hi[3] = {0, 0, 5}, lo[3] = {1, 0, 2}, lo2[3] = {2, 0, 2};
    std::memset(PRM9, 0, sizeof PRM9);
    PRM9[0] = r2wrd(1000.0f);  // the feed
    PRM9[5] = 30;              // code 25: 30 %
    PRM9[6] = 50;              // code 26: 50 %
    TECHCL();
    i32 open = 0;
    // Under the feed (code 1) the down-feed is slower: taken while the tool
    // descends (not on a level move), then left.
    STPV01(1);
    PLGFED(lo, lo2, open);
    EXPECT_EQ(TECHST.requested[1], 1);
    PLGFED(hi, lo, open);
    EXPECT_EQ(TECHST.requested[1], 26);
    PLGFED(lo, lo2, open);
    EXPECT_EQ(TECHST.requested[1], 1);
    // On a surface of pass kind 6 (code 25, 300) the down-feed (500) is
    // faster: kept at 25.
    STPV01(25);
    PLGFED(hi, lo, open);
    EXPECT_EQ(TECHST.requested[1], 25);
    PLGFED(lo, lo2, open);
    EXPECT_EQ(TECHST.requested[1], 25);
    // A down-feed percentage not set gives no down-feed.
    PRM9[6] = 0;
    STPV01(1);
    PLGFED(hi, lo, open);
    EXPECT_EQ(TECHST.requested[1], 1);
    PLGFED(lo, lo2, open);
    EXPECT_EQ(open, 0);
}

}  // namespace

namespace {

// A circular pass is entered by the link its pass kind asks for: none (1),
// a jump to its start (2), an approach from beside the start (3), a
// vertical approach onto it (4); then the arc.
TEST(Links, ACircleIsEnteredByItsPassKind)
{
    const f32 from[3] = {12, 0, 5}, beg[3] = {10, 0, 5}, end[3] = {-10, 0, 5};
    auto run = [&](i32 kind) {
        host({});
        params(1, 0.01f);
        CURTOL = BALL;
        MACTYP = MACTYP_SURFACES;
        stand(from, 2);
        RSTPAS();
        PasStr& s = PASSTR;
        s.PSNSRF = 1, s.PSMODE[0] = 2, s.PSKIND[0] = kind, s.PSSURF[0] = 1;
        s.PSNCIR = 1;
        s.PSCANG[0] = 3.14159265f;
        s.PSCCEN[0][0] = 0, s.PSCCEN[0][1] = 0;
        for (int c = 0; c < 3; ++c) s.PSCBEG[0][c] = beg[c], s.PSCEND[0][c] = end[c];
        PASOUT.apaxis[0] = PASOUT.apaxis[1] = 0, PASOUT.apaxis[2] = 1;
        i32 st = 0;
        BSURCR(0, 0, st);
        EXPECT_EQ(st, 0) << kind;
        return moves();
    };
    auto at = [](const Pt& p, const f32* q) { return dist(p, q) < 1e-4; };
    auto m = run(1);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_TRUE(at(m[0], end));
    m = run(2);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_TRUE(at(m[0], beg));
    // The approach from beside the start comes down from the retract
    // height; the vertical approach only from the link's own height above
    // the start.
    auto top = [](const std::vector<Pt>& v) {
        double z = -1e30;
        for (const Pt& q : v) z = std::max(z, q.z);
        return z;
    };
    const auto m3 = run(3), m4 = run(4);
    ASSERT_GE(m3.size(), 3u);
    ASSERT_GE(m4.size(), 3u);
    EXPECT_TRUE(at(m3[m3.size() - 2], beg));
    EXPECT_TRUE(at(m4[m4.size() - 2], beg));
    EXPECT_LT(std::hypot(m4[m4.size() - 3].x - beg[0], m4[m4.size() - 3].y - beg[1]), 1e-4);
    EXPECT_LT(top(m4), top(m3));
}

}  // namespace

namespace {

// The first string of a surface in a one-way pass is entered by the pass
// kind's link however far the tool stands (pass kind 1: no link, its first
// point counts as reached); only later strings, or zigzag passes, jump.
TEST(Links, TheFirstStringOfAOneWayPassTakesThePassKindsLink)
{
    host({tilted_plane(1)});
    params(1, 0.01f);
    CURTOL = BALL;
    MACTYP = MACTYP_SURFACES;
    pw(GCHMOD) = 1;
    pw(ZIGZAG) = 0;
    const f32 from[3] = {0, 0, 30};
    stand(from, 1);
    RSTPAS();
    PasStr& s = PASSTR;
    s.PSNSRF = 1, s.PSMODE[0] = 1, s.PSKIND[0] = 1, s.PSSURF[0] = 1, s.PSSCNT[0] = 1;
    const f32 pts[3][3] = {{10, 10, 5}, {20, 10, 5}, {30, 10, 5}};
    for (int k = 0; k < 3; ++k) {
        for (int c = 0; c < 3; ++c) s.PSPNTS[k][c] = pts[k][c];
        for (int c = 0; c < 6; ++c) s.PSVECS[k][c] = c == 2 || c == 5 ? 1.0f : 0.0f;
    }
    s.PSNSTR = 1, s.PSSLEN[0] = 3, s.PSNPNT = 3;
    i32 st = 0;
    BSURAL(0, st);
    ASSERT_EQ(st, 0);
    const auto m = moves();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_LT(dist(m[0], pts[1]), 1e-5);
    EXPECT_LT(dist(m[1], pts[2]), 1e-5);
}

// A string written without the gouge check (pass kind 3, the approach along
// the horizontal normal) comes in along the surface normal at its first
// point, whatever approach normal an earlier string left.
TEST(Links, AnUncheckedStringIsApproachedAlongItsOwnNormal)
{
    for (const f32 left : {0.0f, -1.0f}) {
        host({tilted_plane(1)});
        params(1, 0.01f);
        CURTOL = BALL;
        MACTYP = MACTYP_SURFACES;
        pw(GCHMOD) = 1;
        const f32 from[3] = {0, 0, 30};
        stand(from, LINK_NORMAL);
        RSTPAS();
        PASOUT.appnrm[0] = left, PASOUT.appnrm[1] = 0, PASOUT.appnrm[2] = 0;
        PasStr& s = PASSTR;
        s.PSNSRF = 1, s.PSMODE[0] = 1, s.PSKIND[0] = 3, s.PSSURF[0] = 1, s.PSSCNT[0] = 1;
        const f32 pts[2][3] = {{10, 10, 5}, {20, 10, 5}}, nrm[6] = {0.6f, 0, 0.8f, 0.6f, 0, 0.8f};
        for (int k = 0; k < 2; ++k) {
            for (int c = 0; c < 3; ++c) s.PSPNTS[k][c] = pts[k][c];
            for (int c = 0; c < 6; ++c) s.PSVECS[k][c] = nrm[c];
        }
        s.PSNSTR = 1, s.PSSLEN[0] = 2, s.PSNPNT = 2;
        i32 st = 0;
        BSURAL(0, st);
        ASSERT_EQ(st, 0) << left;
        EXPECT_FALSE(norak::transcript_has("host message 320/240")) << left;
        const f32 side[3] = {16, 10, 5};  // the approach length (6) along the normal's horizontal part
        bool seen = false;
        for (const Pt& q : moves()) seen = seen || dist(q, side) < 1e-4;
        EXPECT_TRUE(seen) << left;
    }
}

}  // namespace

namespace {

// A retract along the horizontal normal leaves the point along the axis's
// horizontal part, then climbs; a shaped retract in the incremental height
// mode marks the next fast move to start from the current height
// (clearance-move flag A), not in the absolute mode.
TEST(Retract, AlongTheHorizontalNormalAndTheClearanceFlag)
{
    host({tilted_plane(1)});
    params(1, 0.01f);
    CURTOL = BALL;
    MACTYP = MACTYP_TRIMMED;
    const f32 p[3] = {50, 40, 10}, before[3] = {45, 40, 10}, axis[3] = {0.36f, 0.48f, 0.8f}, up[3] = {0, 0, 1};
    for (i32 absolute : {0, 1}) {
        stand(p, 6);
        HEI8[HEI8_ABSOLUTE] = absolute;
        HEI8[HEI8_PLANE2] = r2wrd(60.0f);
        LNKPAR.clrA = 0;
        i32 st = 0;
        SRFRET(2, p, before, axis, up, 3, st);
        ASSERT_EQ(st, 0) << absolute;
        const auto m = moves();
        ASSERT_GE(m.size(), 2u) << absolute;
        EXPECT_NEAR(m[0].x, 50 + 6 * 0.6, 1e-3) << absolute;
        EXPECT_NEAR(m[0].y, 40 + 6 * 0.8, 1e-3) << absolute;
        EXPECT_NEAR(m[0].z, 10, 1e-3) << absolute;
        EXPECT_NEAR(m.back().z, absolute ? 60 : 30, 1e-3) << absolute;
        EXPECT_EQ(LNKPAR.clrA, absolute ? 0 : 1) << absolute;
    }
}

// An unknown dimension is reported and the approach is still written, as
// the vertical one onto the target.
TEST(Approach, AnUnknownDimensionIsReportedAndTheApproachWritten)
{
    host({tilted_plane(1)});
    params(1, 0.01f);
    CURTOL = BALL;
    MACTYP = MACTYP_TRIMMED;
    const f32 from[3] = {0, 0, 30}, p[3] = {50, 40, 10}, q[3] = {50, 50, 10}, up[3] = {0, 0, 1};
    stand(from, LINK_VERTICAL);
    i32 st = 0;
    SRFAPR(3, p, q, up, up, 3, st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(norak::transcript_has("SRFAPR, ONLY DIM2/3 IS PERMITTED"));
    const auto m = moves();
    ASSERT_GE(m.size(), 2u);
    EXPECT_NEAR(m[m.size() - 2].x, 50, 1e-4);
    EXPECT_NEAR(m[m.size() - 2].z, 12, 1e-4);
    EXPECT_LT(dist(m.back(), p), 1e-4);
}

// A fast move from above the plane it would travel on never goes down
// before the traverse: it crosses at the height it stands at, says the
// plane may be too low, and only then comes down onto the point.
TEST(Links, AFastMoveFromAboveItsPlaneCrossesAtItsOwnHeight)
{
    host({});
    params(1, 0.01f);
    CURTOL = BALL;
    const f32 from[3] = {0, 0, 30}, to[3] = {50, 0, 2}, up[3] = {0, 0, 1};
    stand(from, LINK_VERTICAL);
    HEI8[HEI8_ABSOLUTE] = 1;
    HEI8[HEI8_PLANE2] = r2wrd(5.0f);
    HEI8[HEI8_RETRACT] = 1;
    i32 st = 0;
    FAST2M(2, to, up, 0, 0.0f, st);
    EXPECT_EQ(st, 0);
    const auto m = moves();
    ASSERT_GE(m.size(), 2u);
    EXPECT_NEAR(m[0].x, 50, 1e-4);
    EXPECT_NEAR(m[0].z, 30, 1e-4);
    for (const Pt& r : m) EXPECT_GE(r.z, 2 - 1e-4);
    EXPECT_LT(dist(m.back(), to), 1e-4);
    EXPECT_TRUE(norak::transcript_has("WARNING, CLEARANCE PLANE MIGHT BE TOO LOW"));
    // Over the point it comes down to its plane first, then onto the point.
    ASSERT_GE(m.size(), 3u);
    EXPECT_NEAR(m[m.size() - 2].x, 50, 1e-4);
    EXPECT_NEAR(m[m.size() - 2].z, 5, 1e-4);
}

// A horizontal arc approach that falls back to the horizontal normal (the
// move runs along the axis) is that approach exactly: the end-of-pass link
// is made once.
TEST(Approach, AHorizontalArcAlongTheAxisIsTheNormalApproach)
{
    host({tilted_plane(1)});
    params(1, 0.01f);
    CURTOL = BALL;
    const f32 p[3] = {50, 40, 10}, up[3] = {0, 0, 1};
    const f32 from[3] = {0, 40, 30}, q[3] = {60, 40, 10}, ax[3] = {0.6f, 0, 0.8f};
    std::vector<Pt> seen[2];
    for (i32 k = 0; k < 2; ++k) {
        stand(from, k == 0 ? LINK_NORMAL : LINK_HARC);
        MACTYP = MACTYP_SURFACES;
        std::memcpy(PASOUT.last, from, sizeof PASOUT.last);
        PASOUT.npnts = 2, PASOUT.retknd = 1;
        i32 st = 0;
        SRFAPR(2, p, q, ax, up, 3, st);
        EXPECT_EQ(st, 0) << k;
        seen[k] = moves();
    }
    ASSERT_EQ(seen[0].size(), seen[1].size());
    for (size_t k = 0; k < seen[0].size(); ++k) {
        EXPECT_NEAR(seen[1][k].x, seen[0][k].x, 1e-4) << k;
        EXPECT_NEAR(seen[1][k].z, seen[0][k].z, 1e-4) << k;
    }
}

// The clearance-plane warning shows once in a procedure and again in the
// next procedure of the same session.
TEST(Links, TheClearancePlaneWarningShowsOncePerProcedure)
{
    host({});
    params(1, 0.01f);
    CURTOL = BALL;
    const f32 from[3] = {0, 0, 30}, to[3] = {50, 0, 2}, up[3] = {0, 0, 1};
    for (i32 proc = 1; proc <= 2; ++proc) {
        stand(from, LINK_VERTICAL);  // the procedure's start arms the warning
        HEI8[HEI8_ABSOLUTE] = 1;
        HEI8[HEI8_PLANE2] = r2wrd(5.0f);
        HEI8[HEI8_RETRACT] = 1;
        for (i32 twice = 0; twice < 2; ++twice) {
            i32 st = 0;
            MOVLIN(2, from, nullptr, st);
            FAST2M(2, to, up, 0, 0.0f, st);
            EXPECT_EQ(st, 0);
        }
        EXPECT_EQ(norak::transcript_count("WARNING, CLEARANCE PLANE MIGHT BE TOO LOW"), static_cast<size_t>(proc));
    }
}

// The clearance path of a pocketing procedure climbs from the higher of its
// two ends: to a target above the tool it travels the incremental height
// over the target. The calling engine's stock values change the travel: the
// stock step grid (from the stock top down) and the wider short-travel limit
// of codes 34 and 38, the stock lift, the spiral switch, and code 48's stock
// switch that makes every travel long. Heights are incremental (20); the
// ball's diameter 10 makes a travel under 20 short, and a short travel over
// the floor keeps the height of its ends.
TEST(Links, TheClearancePathClimbsFromTheHigherEnd)
{
    wall_model();
    params(1, 0.01f);
    CURTOL = BALL;
    MACTYP = MACTYP_TRIMMED;
    const f32 up[3] = {0, 0, 1};
    const f32 low[3] = {60, 40, 0}, high[3] = {95, 40, 25};  // 43 apart: long
    const f32 a[3] = {60, 40, 10}, b25[3] = {85, 40, 10}, b15[3] = {75, 40, 10}, bxy[3] = {84, 60, 10};
    struct Row {
        i32 code;
        f32 stk[3];  // stock top, step, lift
        i32 spiral, s48;
        const f32 *from, *to;
        double top;  // highest height of the moves
        i32 request;  // the spiral-entry request left
    };
    const Row rows[] = {
        {34, {0, 0, 0}, 0, 0, low, high, 25.0 + 20.0, 0},
        {34, {100, 7, 0}, 0, 0, low, high, 30.0 + 20.0, 0},      // 25 onto the grid 100, 93, .., 23: 30
        {34, {100, 15, 0}, 0, 0, low, high, 40.0 + 20.0, 0},     // 25 on a grid line: one step up
        {34, {20, 7, 0}, 0, 0, low, high, 27.0 + 20.0, 0},       // above the stock top: the top and one step
        {34, {1.0e6f, 0.5f, 0}, 0, 0, low, high, 25.5 + 20.0, 0},  // two million lines down
        {34, {0, 0, 0}, 0, 0, a, b25, 10.0 + 20.0, 0},           // 25 long
        {34, {0, 0, 0}, 0, 0, a, bxy, 10.0 + 20.0, 0},           // 31.2 long, across x and y
        {34, {100, 7, 0}, 0, 0, a, b25, 10.0, 0},                // short within 20 + 1.4142135 x 7
        {38, {0, 0, 35}, 0, 0, low, high, 25.0 + 35.0, 0},       // the lift above the incremental height
        {34, {100, 7, 0}, 2, 0, a, b25, 10.0, 1},                // short: the spiral entry asked for
        {34, {100, 7, 0}, 2, 0, low, high, 30.0 + 20.0, 0},      // long: not
        {34, {100, 7, 0}, 1, 0, a, b25, 10.0, 0},
        {48, {0, 0, 0}, 0, 0, a, b15, 10.0, 0},                  // 15 short
        {48, {0, 0, 0}, 0, 1, a, b15, 10.0 + 20.0, 0},           // the stock switch: long
    };
    i32 st = 0;
    for (size_t k = 0; k < std::size(rows); ++k) {
        const Row& r = rows[k];
        stand(r.from, LINK_VERTICAL);
        nu_sgcd_set_code(r.code);
        std::memcpy(CLRSTK, r.stk, sizeof CLRSTK);
        CLRSPR = r.spiral, CLRS48 = r.s48;
        TWLSET(1 - r.request);
        // Code 48 takes the clearance path at the end of a string only.
        if (r.code == 48)
            STREND(2, r.to, up, 1, 0.0f, st);
        else
            FAST2M(2, r.to, up, 1, 0.0f, st);
        ASSERT_EQ(st, 0) << k;
        double top = -1e30;
        for (const Pt& q : moves()) top = std::max(top, q.z);
        EXPECT_NEAR(top, r.top, 0.05) << k;
        EXPECT_EQ(TWLGET(), r.request) << k;
        if (r.code != 48) {
            EXPECT_LT(dist(moves().back(), r.to), 1e-4) << k;
        }
    }
    // Right after a clearance move the pocketing procedures cross at the
    // height the tool stands at, to above the point, then down onto it.
    stand(high, LINK_VERTICAL);
    nu_sgcd_set_code(34);
    LNKPAR.clrA = 1;
    FAST2M(2, bxy, up, 1, 0.0f, st);
    ASSERT_EQ(st, 0);
    const auto m = moves();
    ASSERT_EQ(m.size(), 2u);
    const f32 across[3] = {bxy[0], bxy[1], high[2]};
    EXPECT_LT(dist(m[0], across), 1e-4);
    EXPECT_LT(dist(m[1], bxy), 1e-4);
    EXPECT_EQ(LNKPAR.clrA, 0);
    std::memset(CLRSTK, 0, sizeof CLRSTK);
    CLRSPR = CLRS48 = 0;
    TWLSET(0);
    nu_sgcd_set_code(0);
    FRETRI();
    allfre(st);
}

// The end of a string outside the stepped procedures goes up and across
// whatever the clearance-move flag says, and leaves the flag as it was.
TEST(Links, TheStringEndOfAPlainProcedureIgnoresTheClearanceFlag)
{
    host({});
    params(1, 0.01f);
    CURTOL = BALL;
    const f32 p[3] = {10, 20, 5}, q[3] = {40, 20, 8}, up[3] = {0, 0, 1};
    stand(p, LINK_VERTICAL);
    nu_sgcd_set_code(0);
    LNKPAR.clrA = 1;
    i32 st = 0;
    STREND(2, q, up, 1, 0.0f, st);
    ASSERT_EQ(st, 0);
    const auto m = moves();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_NEAR(m[0].z, 8 + 20, 1e-4);
    EXPECT_NEAR(m[1].x, 40, 1e-4);
    EXPECT_NEAR(m[1].z, 8 + 20, 1e-4);
    EXPECT_EQ(LNKPAR.clrA, 1);
}

// A plane move from the height of its raised target goes straight down onto
// the point; from above it, first across at the raised height.
TEST(Links, APlaneMoveComesDownAcrossFromAboveOnly)
{
    host({});
    params(1, 0.01f);
    CURTOL = BALL;
    const f32 level[3] = {0, 0, 13}, high[3] = {0, 0, 20}, p[3] = {50, 40, 10}, up[3] = {0, 0, 1};
    stand(level, LINK_VERTICAL);
    i32 st = 0;
    PLNZUP(2, p, up, 3.0f, st);
    ASSERT_EQ(st, 0);
    auto m = moves();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_LT(dist(m[0], p), 1e-4);
    stand(high, LINK_VERTICAL);
    PLNZUP(2, p, up, 3.0f, st);
    m = moves();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_NEAR(m[0].x, 50, 1e-4);
    EXPECT_NEAR(m[0].z, 13, 1e-4);
    EXPECT_LT(dist(m[1], p), 1e-4);
    // A string without axes (dimension code 1, a zero axis) written with
    // normals: its plane moves carry the vertical, never a zero normal; an
    // axis that is given (one with x = 0 too) is carried as it is.
    const f32 none[3] = {0, 0, 0}, tilt[3] = {0, 0.6f, 0.8f};
    for (const f32* ax : {none, static_cast<const f32*>(nullptr), tilt}) {
        const f32* want = ax == tilt ? tilt : ZUP3;
        stand(high, LINK_VERTICAL);
        PRM9[PRM9_SHOWTOOL] = 1;
        PLNZUP(1, p, ax, 3.0f, st);
        PRM9[PRM9_SHOWTOOL] = 0;
        ASSERT_EQ(st, 0);
        i32 lines = 0;
        for (const auto& e : norak::main_list().elems) {
            if (e.words.size() < 8 || e.words[0] != 222) continue;
            ++lines;
            for (i32 c = 0; c < 3; ++c) EXPECT_EQ(wrd2r(e.words[5 + c]), want[c]) << c;
        }
        EXPECT_EQ(lines, 2);
        EXPECT_EQ(MOVST.normal[2], want[2]);
    }
    // The approach of a pocketing procedure to a target above its stock top
    // and safety distance comes down onto the target, never below it.
    for (i32 code : {34, 38}) {
        stand(high, LINK_VERTICAL);
        nu_sgcd_set_code(code);
        HEI8[HEI8_ZMAX] = r2wrd(5.0f);
        LNKPAR.safety = 2.0f;
        ZAPR(2, p, up, st);
        nu_sgcd_set_code(0);
        HEI8[HEI8_ZMAX] = r2wrd(1.0e10f);
        LNKPAR.safety = 0.0f;
        ASSERT_EQ(st, 0) << code;
        m = moves();
        ASSERT_FALSE(m.empty()) << code;
        for (const Pt& q : m) EXPECT_GE(q.z, p[2] - 1e-4) << code;
        EXPECT_LT(dist(m.back(), p), 1e-4) << code;
    }
}

// Inside one string the down-feed reaches the moves it belongs to: the
// string block is closed and opened again around each switch, so the feed
// written in front of a descending point is the down-feed, and the cutting
// feed comes back with the first point that no longer descends. Strings of
// three and more points, and of two (a straight move): the feed written in
// front of each point.
TEST(Links, TheDownFeedSwitchesInsideAString)
{
    struct Row {
        std::vector<f32> z;   // heights of points 1, 2, ... at x = 0, 10, ...
        std::vector<i32> feed;  // the feed in force at points 2, 3, ...
    };
    const Row rows[] = {{{10, 10, 5, 5, 8}, {1, 26, 1, 1}}, {{10, 5, 5, 2, 2}, {26, 1, 26, 1}}, {{10, 4}, {26}}};
    for (const Row& r : rows) {
        const f32 from[3] = {0, 0, r.z[0]};
        host({});
        params(1, 0.01f);
        stand(from, 1);
        std::memset(PRM9, 0, sizeof PRM9);
        PRM9[0] = r2wrd(1000.0f);
        PRM9[6] = 50;  // the down-feed: 50 %
        TECHCL();
        TECHST.status[1] = 1;  // feed codes written as codes
        STPV01(1);
        PLGRST();
        std::vector<f32> p;
        for (size_t k = 0; k < r.z.size(); ++k) p.insert(p.end(), {10.0f * f32(k), 0, r.z[k]});
        const i32 n = static_cast<i32>(r.z.size());
        i32 st = 0;
        MILBF2(1, 1, 0, p.data(), nullptr, nullptr, 1, &n, 0, 5, 6, 3, st);
        ASSERT_EQ(st, 0) << n;
        std::vector<i32> got;
        i32 feed = 0;
        for (const auto& e : norak::main_list().elems) {
            const auto& w = e.words;
            if (w.size() >= 5 && w[0] == 1 && w[2] == 1) feed = w[4];
            if (!w.empty() && (w[0] == 2 || w[0] == 22 || w[0] == 222)) got.push_back(feed);
            if (!w.empty() && (w[0] == 7 || w[0] == 27 || w[0] == 227))
                for (size_t k = 1; k + 4 <= w.size(); k += 4) got.push_back(feed);
        }
        EXPECT_EQ(got, r.feed) << n;
    }
}

}  // namespace

// The feed in force after a fast move or an approach, and the retract's
// message for a missing direction. Rows: a vertical approach with and
// without a safety distance (the cutting feed follows either way); a fast
// move with the feed flag onto a point above its plane (the move onto the
// point at the cutting feed); a retract that needs a direction, by count and
// whether the point before is the point itself (message 250 only then).
TEST(Links, TheFeedAfterAnApproachAndTheRetractsDirectionMessage)
{
    const f32 from[3] = {0, 0, 0}, p[3] = {40, 0, 12}, up[3] = {0, 0, 1};
    for (i32 row = 0; row < 3; ++row) {
        host({});
        params(1, 0.01f);
        CURTOL = BALL;
        stand(from, LINK_VERTICAL);
        TECHST.status[1] = 1;  // feed codes written as codes
        i32 st = 0;
        if (row < 2) {
            LNKPAR.safety = row == 0 ? 0.0f : 2.0f;
            ZAPR(2, p, up, st);
        } else {
            HEI8[HEI8_ABSOLUTE] = 1;
            HEI8[HEI8_PLANE2] = r2wrd(5.0f);
            FAST2M(2, p, up, 1, 0.0f, st);
        }
        ASSERT_EQ(st, 0) << row;
        EXPECT_EQ(TECHST.requested[1], 1) << row;
        i32 feed = 0, last = 0;
        for (const auto& e : norak::main_list().elems) {
            const auto& w = e.words;
            if (w.size() >= 5 && w[0] == 1 && w[2] == 1) feed = w[4];
            if (w.size() >= 5 && w[0] == 2) last = feed;
        }
        if (row == 2) {
            EXPECT_EQ(last, 1);
        }
        ASSERT_FALSE(moves().empty()) << row;
        EXPECT_LT(dist(moves().back(), p), 1e-4) << row;
        if (row == 1) {
            // Over the part at the incremental height above p, the safety
            // distance taken out of the allowance again.
            double top = -1e30;
            for (const Pt& m : moves()) top = std::max(top, m.z);
            EXPECT_NEAR(top, p[2] + 20.0, 1e-4);
        }
    }
    // A retract whose last move was straight down (the point before over
    // the start, or off it in plan by rounding noise only) has no direction
    // to leave by: the message, then up. The arc approach of kind 7 with its
    // direction point so placed comes straight down after its message.
    for (i32 kind : {LINK_VARC_A, LINK_VARC_B, LINK_INLINE, LINK_HARC}) {
        for (f32 hair : {0.0f, 4.0e-6f}) {
            host({});
            params(1, 0.01f);
            CURTOL = BALL;
            const f32 at[3] = {40, 0, 12}, over[3] = {40 + hair, 0, 20};
            stand(at, kind);
            i32 st = 0;
            SRFRET(2, at, over, up, up, 3, st);
            EXPECT_EQ(st, 0) << kind;
            EXPECT_TRUE(norak::transcript_has("host message 320/250")) << kind << " " << hair;
            for (const Pt& m : moves()) EXPECT_NEAR(std::hypot(m.x - 40, m.y), 0.0, 1e-4) << kind << " " << hair;
            if (kind != LINK_HARC) continue;
            host({});
            params(1, 0.01f);
            CURTOL = BALL;
            stand(over, kind);
            const f32 tilt[3] = {0, 0.6f, 0.8f};
            SRFAPR(2, at, over, tilt, up, 3, st);
            EXPECT_EQ(st, 0);
            EXPECT_TRUE(norak::transcript_has("host message 320/240")) << hair;
            for (const Pt& m : moves()) EXPECT_NEAR(std::hypot(m.x - 40, m.y), 0.0, 1e-4) << hair;
        }
    }
    const f32 q[3] = {40, 0, 12}, other[3] = {30, 0, 12};
    for (i32 count : {1, 3}) {
        for (bool same : {true, false}) {
            host({});
            params(1, 0.01f);
            CURTOL = BALL;
            stand(q, LINK_VARC_A);
            i32 st = 0;
            SRFRET(2, q, same ? q : other, up, up, count, st);
            EXPECT_EQ(st, 0);
            EXPECT_EQ(norak::transcript_has("host message 320/250"), same) << count << same;
        }
    }
}

// The angular step of a horizontal arc link: the chord straying by half the
// tolerance, from 0.01 to 11.25 degrees; a radius too small for any such
// step (below a quarter of the tolerance, or none) takes the coarsest.
TEST(Links, TheHorizontalArcsAngularStep)
{
    struct Row {
        f32 r, deg;
    };
    const Row rows[] = {{0.0f, 11.25f}, {0.001f, 11.25f}, {0.0025f, 11.25f}, {4.0f, 5.7300f}, {1.0e8f, 0.01f}};
    LNKPAR.tol = 0.01f;
    for (const Row& r : rows) EXPECT_NEAR(harc_step(r.r), r.deg, 1e-3) << r.r;
}

// The end-of-pass link: from the pass's last point the retract of the pass
// (kind 1, or any kind on three-axis output), else the multi-axis final
// link; from elsewhere a vertical retract for kind 1 (or three-axis) and
// nothing otherwise; a pass that wrote nothing has no last point, so a tool
// standing on PASOUT's point then retracts as from elsewhere. Each row: tool at the last point, points written, retract kind,
// axis mode, whether the tool rises straight up. The pass's count is 1 after.
TEST(Links, TheEndOfPassLinkByWhereTheToolStandsAndTheRetractKind)
{
    struct Row {
        bool at_last;
        i32 npnts, retknd, axsmod;
        bool rises;
    };
    const Row rows[] = {{false, 3, 1, 1, true}, {false, 3, 1, 2, true}, {false, 3, 2, 1, true}, {false, 3, 2, 2, false},
                        {true, 3, 1, 2, true},  {true, 3, 2, 1, true},  {true, 0, 1, 1, true}};
    const f32 from[3] = {10, 20, 5}, other[3] = {40, 20, 5};
    for (const Row& r : rows) {
        host({});
        params(1, 0.01f);
        CURTOL = BALL;
        stand(from, LINK_VERTICAL);
        pw(AXSMOD) = r.axsmod;
        std::memcpy(PASOUT.last, r.at_last ? from : other, sizeof PASOUT.last);
        PASOUT.prev[0] = 0, PASOUT.prev[1] = 20, PASOUT.prev[2] = 5;
        PASOUT.axis[0] = PASOUT.axis[1] = 0, PASOUT.axis[2] = 1;
        PASOUT.npnts = r.npnts, PASOUT.retknd = r.retknd;
        i32 st = 0;
        ENDPLK(st);
        EXPECT_EQ(st, 0) << r.at_last << r.retknd << r.axsmod;
        const auto m = moves();
        EXPECT_EQ(!m.empty(), r.rises) << r.at_last << r.retknd << r.axsmod;
        for (const Pt& q : m) {
            EXPECT_NEAR(q.x, from[0], 1e-4);
            EXPECT_NEAR(q.z, from[2] + 20, 1e-4);
        }
        EXPECT_EQ(PASOUT.npnts, 1);
    }
    pw(AXSMOD) = 1;
}
