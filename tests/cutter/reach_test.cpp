// Cutter routines few roads reach: the readers of the tapered tool's values,
// the height on a segment, the tip over a point, the box distances of the
// gathering, the edge refinements of the travel, the reference records and
// the triangle behind a listed entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "common/meshes.h"
#include "common/positioning.h"
#include "common/tooldefs.h"
#include "cutter/congeo.h"
#include "cutter/frames.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/planar.h"
#include "cutter/profile.h"
#include "cutter/refrec.h"
#include "cutter/under.h"
#include "surfaces/qtcell.h"
#include "surfaces/trimodel.h"

TEST(TaperValues, ReadersGiveTheSetAndTheEnlargedTool)
{
    positioning::reset();
    const i32 id = tooldefs::use_mill(10.0f, 1.0f, 20.0f, 30.0f);
    TAPSET(id);
    f32 axis[3] = {9, 9, 9}, v = -1;
    TAPAXS(axis);
    EXPECT_NEAR(axis[0], 0.8660254f, 1e-6);
    EXPECT_EQ(axis[1], 0.0f);
    EXPECT_NEAR(axis[2], 0.5f, 1e-6);
    TAPRFL(v);
    EXPECT_NEAR(v, 5.0f - 0.5f / 0.8660254f, 1e-5);  // R - r (1 - sin a) / cos a
    TAPALW(v);
    EXPECT_EQ(v, 0.0f);
    TAPLEN(v);
    EXPECT_EQ(v, 20.0f);

    // Enlarged by 0.5: the flank ends e sin a lower.
    TAPOFS(12.0f, 22.0f, 0.5f, 1.5f);
    TAPALW(v);
    EXPECT_EQ(v, 0.5f);
    TAPLEN(v);
    EXPECT_NEAR(v, 21.75f, 1e-5);
    TAPRFL(v);
    EXPECT_NEAR(v, 6.0f - 0.75f / 0.8660254f, 1e-5);
    // A negative allowance counts as none.
    TAPOFS(12.0f, 22.0f, -0.5f, 1.5f);
    TAPALW(v);
    EXPECT_EQ(v, 0.0f);
    TAPLEN(v);
    EXPECT_EQ(v, 22.0f);
    TAPAXS(axis);
    EXPECT_NEAR(axis[2], 0.5f, 1e-6);  // the axis stays
}

TEST(SmallGeometry, HeightOnASegmentAndTipOverAPoint)
{
    const f32 p1[3] = {0, 0, 0}, p2[3] = {4, 8, 2}, q1[3] = {1, 0, 0}, q2[3] = {0, 1, 0};
    f32 p[3], q[3];
    ZINTPL(p1, p2, q1, q2, 0.5f, p, q);
    EXPECT_FLOAT_EQ(p[0], 1.0f);
    EXPECT_FLOAT_EQ(p[1], 2.0f);
    EXPECT_FLOAT_EQ(p[2], 0.5f);
    EXPECT_FLOAT_EQ(q[0], 0.75f);
    EXPECT_FLOAT_EQ(q[1], 0.25f);
    EXPECT_FLOAT_EQ(q[2], 0.0f);
    ZINTPL(p2, p1, q2, q1, 0.0f, p, q);  // from the upper end down to the lower
    EXPECT_FLOAT_EQ(p[0], 0.0f);
    EXPECT_FLOAT_EQ(q[0], 1.0f);
    ZINTPL(p1, p2, q1, q2, 2.0f, p, q);  // at the upper end
    EXPECT_FLOAT_EQ(p[1], 8.0f);
    EXPECT_FLOAT_EQ(q[1], 1.0f);
    const f32 level[3] = {4, 8, 0};  // a level segment: its first end
    ZINTPL(p1, level, q1, q2, 1.0f, p, q);
    EXPECT_EQ(p[0], 0.0f);
    EXPECT_EQ(p[2], 1.0f);
    EXPECT_EQ(q[0], 1.0f);

    // Outer radius 5, flat radius 2: corner radius 3.
    const f32 ax[2] = {0, 0};
    const f32 corner[3] = {3, 0, 10}, rim[3] = {5, 0, 10}, flat[3] = {1, 1, 10}, out[3] = {4, 4, 10};
    EXPECT_NEAR(TORTIP(ax, corner, 5.0f, 2.0f), 10.0f - (3.0f - std::sqrt(8.0f)), 1e-5);
    EXPECT_NEAR(TORTIP(ax, rim, 5.0f, 2.0f), 7.0f, 1e-5);
    EXPECT_EQ(TORTIP(ax, flat, 5.0f, 2.0f), 10.0f);
    EXPECT_EQ(TORTIP(ax, out, 5.0f, 2.0f), -1.0e10f);
}

// The frame of a tilted axis and the small routines around it.
TEST(SmallGeometry, FramesTipsSegmentsAndTurns)
{
    // The frame is kept while the axis moves by at most 1e-5 and the point
    // by at most 1e-4; beyond either it is built again.
    const f32 a1[3] = {0, 0.6f, 0.8f}, o[3] = {1, 2, 3}, x[3] = {3, -1, 2};
    auto turned = [&](const f32* axis, const f32* point) {
        f32 p[3] = {x[0], x[1], x[2]};
        FRMROT(point, axis, p);
        return std::vector<f32>(p, p + 3);
    };
    const std::vector<f32> t1 = turned(a1, o);
    const f32 a2[3] = {0, 0.6f + 5e-6f, 0.8f}, a3[3] = {0, 0.6f + 2e-5f, 0.8f};
    const f32 o2[3] = {1 + 5e-5f, 2, 3};
    EXPECT_EQ(turned(a2, o2), t1);
    EXPECT_NE(turned(a3, o2), t1);
    f32 back[3] = {t1[0], t1[1], t1[2]};
    FRMSET(o, a1);
    FRMBCK(back);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(back[k], x[k], 1e-5);
    // A triangle whose normal turns downward in the frame of the axis +x:
    // its normal and plane offset are negated; its box in thousandths is
    // widened by one and truncated toward zero.
    const f32 nodes[9] = {-1.2345f, 0, 0, 2, 1, 0.5f, 0, -3, 1};
    i32 entry[TRG_WORDS] = {}, copy[TRG_WORDS], box[4];
    entry[TRG_NODE] = 1, entry[TRG_NODE + 1] = 2, entry[TRG_NODE + 2] = 3;
    const f32 n[3] = {-0.6f, 0, 0.8f}, ax[3] = {1, 0, 0};
    for (int k = 0; k < 3; ++k) entry[TRG_NRM + k] = r2wrd(n[k]);
    f32 corners[9];
    TRGROT(o, ax, nodes, entry, copy, box, corners);
    f32 nt[3] = {n[0], n[1], n[2]};
    FRMROT(o, ax, nt);
    ASSERT_LT(nt[2], 0.0f);
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(wrd2r(copy[TRG_NRM + k]), -nt[k]);
    EXPECT_FLOAT_EQ(wrd2r(copy[TRG_PLANE]), corners[0] * nt[0] + corners[1] * nt[1] + corners[2] * nt[2]);
    f32 lo[2] = {1e30f, 1e30f}, hi[2] = {-1e30f, -1e30f};
    for (int v = 0; v < 3; ++v)
        for (int c = 0; c < 2; ++c) lo[c] = std::fmin(lo[c], corners[3 * v + c]), hi[c] = std::fmax(hi[c], corners[3 * v + c]);
    EXPECT_EQ(box[0], static_cast<i32>(lo[0] * 1000.0f - 1.0f));
    EXPECT_EQ(box[1], static_cast<i32>(lo[1] * 1000.0f - 1.0f));
    EXPECT_EQ(box[2], static_cast<i32>(hi[0] * 1000.0f + 1.0f));
    EXPECT_EQ(box[3], static_cast<i32>(hi[1] * 1000.0f + 1.0f));
    for (int k : {0, 1, 2, 3, 12}) EXPECT_EQ(copy[k], entry[k]) << "unturned word " << k;

    // The contact on the tool from the tip and the normal: straight up, the
    // tip itself (2); a ball under a downward normal, the tip (-2); a flat
    // bottom under a normal within the snap, the tip (2); a flank normal -3.
    const f32 tip[3] = {0, 0, 1}, up[3] = {0, 0, 1}, down[3] = {0, 0, -1}, snap[3] = {0.009f, 0, 0.99996f};
    const f32 side[3] = {0.6f, 0, 0.8f};
    f32 c[3];
    i32 st = 0;
    CNTTIP(10.0f, 0.0f, 0.0f, tip, up, c, st);
    EXPECT_EQ(st, 2);
    EXPECT_EQ(c[2], 1.0f);
    CNTTIP(10.0f, 5.0f, 0.0f, tip, down, c, st);
    EXPECT_EQ(st, -2);
    EXPECT_EQ(c[0], 0.0f);
    CNTTIP(10.0f, 1.0f, 0.0f, tip, snap, c, st);
    EXPECT_EQ(st, 2);
    EXPECT_EQ(c[0], 0.0f);
    CNTTIP(10.0f, 1.0f, 0.0f, tip, side, c, st);  // the corner: tip - 4 u + r (1 - n)
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(c[0], -4.0f - 0.6f, 1e-6);
    EXPECT_NEAR(c[2], 1.0f + 0.2f, 1e-6);
    CNTTIP(6.0f, 1.0f, 1.0f, tip, side, c, st);  // 57 degrees of taper: the flank
    EXPECT_EQ(st, -3);

    // The height of a segment over a point; a vertical segment its lower end.
    const f32 s1[3] = {0, 0, 1}, s2[3] = {4, 2, 3}, q[2] = {2, 7};
    f32 z = 0;
    ZONSEG(s1, s2, q, z, st);
    EXPECT_EQ(st, 0);
    EXPECT_FLOAT_EQ(z, 2.0f);
    const f32 v1[3] = {1, 1, 5}, v2[3] = {1, 1, 2};
    ZONSEG(v1, v2, q, z, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(z, 2.0f);
    // The normal midway between two points: the mean made unit.
    const f32 na[3] = {1, 0, 0}, nb[3] = {0, 0, 1}, mid[3] = {2, 1, 2};
    f32 nn[3];
    NRMINT(s1, s2, na, nb, mid, nn, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(nn[0], std::sqrt(0.5f), 1e-6);
    EXPECT_NEAR(nn[2], std::sqrt(0.5f), 1e-6);
    // Quarter turns and their inverses.
    const f64 m[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1}, v[3] = {1.5, -2, 3};
    for (i32 code : {2, 3, 4}) {
        f64 w[3], back3[3];
        V3QTRN(code, m, v, w);
        V3QTRN(-code, m, w, back3);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(back3[k], v[k]) << code;
    }
    f64 w0[3];
    V3QTRN(0, m, v, w0);
    EXPECT_EQ(w0[0], -2.0);
    EXPECT_EQ(w0[1], -1.5);

    // The highest tip over a segment: its higher end over the flat bottom
    // (status 1); one that grazes the corner's rim, no lower than the
    // highest of a dense sampling and on the segment.
    const f32 org[2] = {0, 0};
    const f32 e1[3] = {-4, 0, 0}, e2[3] = {1, 0.5f, 2}, el = std::sqrt(29.25f),
              u1[3] = {5 / el, 0.5f / el, 2 / el};
    f32 bp[3];
    EXPECT_EQ(SEGTOR(e1, e2, u1, org, 5.0f, 2.0f, bp, st), 2.0f);
    EXPECT_EQ(st, 1);
    const f32 g1[3] = {-6, 4.9f, 0}, g2[3] = {6, 4.9f, 1};
    const f32 gl = std::sqrt(144.0f + 1.0f), ug[3] = {12 / gl, 0, 1 / gl};
    const f32 top = SEGTOR(g1, g2, ug, org, 5.0f, 2.0f, bp, st);
    f32 dense = -1.0e10f;
    for (int k = 0; k <= 100000; ++k) {
        const f32 t = k / 100000.0f, p[3] = {-6 + 12 * t, 4.9f, t};
        dense = std::fmax(dense, TORTIP(org, p, 5.0f, 2.0f));
    }
    EXPECT_GE(top, dense - 1e-6f);
    EXPECT_GE(bp[0], -6.0f);
    EXPECT_LE(bp[0], 6.0f);
    EXPECT_NEAR(bp[1], 4.9f, 1e-6);
}

TEST(BoxDistances, NearestAndFarthestInUnits)
{
    const i32 box[4] = {1000, 1000, 3000, 2000};
    const f64 left[2] = {0, 1500}, inside[2] = {2000, 1200}, far[2] = {10000, 5000};
    f32 d = -1;
    i32 res = -1;
    BOXNEA(left, box, 5.0f, d, res);
    EXPECT_FLOAT_EQ(d, 1.0f);
    EXPECT_EQ(res, 0);
    BOXNEA(inside, box, 5.0f, d, res);
    EXPECT_EQ(d, 0.0f);
    BOXNEA(far, box, 5.0f, d, res);  // 7.6 away: beyond the reach
    EXPECT_EQ(d, 5.0f);
    EXPECT_EQ(res, 1);

    BOXFAR(left, box, 5.0f, d, res);  // 3 across, 0.5 to the farther side
    EXPECT_NEAR(d, std::sqrt(9.25f), 1e-5);
    EXPECT_EQ(res, 0);
    BOXFAR(inside, box, 5.0f, d, res);
    EXPECT_EQ(d, 0.0f);
    BOXFAR(left, box, 2.0f, d, res);
    EXPECT_EQ(d, 2.0f);
    EXPECT_EQ(res, 0);
    BOXFAR(left, box, 1.0f, d, res);  // 3 beyond 1000 R in x
    EXPECT_EQ(d, 1.0f);
}

// The reach test of the gathering over the triangle (0,0) (1,0) (0,1): 0
// where the tool of radius R at the point reaches it (or, with R zero, where
// the point lies within the needle's margin of 0.004), 1 where it does not.
TEST(BoxDistances, TriangleWithinTheToolsReach)
{
    const f32 v[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const f32 h = std::sqrt(0.5f);
    const f32 unit[9] = {1, 0, 0, -h, h, 0, 0, -1, 0};
    const i32 es[3] = {0, 0, 0};
    struct Case {
        f32 x, y, R;
        i32 want;
    };
    const Case cases[] = {
        {-0.001f, -0.001f, 0.0f, 0},  // just outside the first vertex: the margin's sides agree
        {1.002f, -0.001f, 0.0f, 1},   // just outside the second: the sides carried disagree
        {0.2f, 0.2f, 0.0f, 0},        // inside
        {0.5f, 0.00005f, 0.5f, 0},    // on an edge's line
        {0.5f, -0.3f, 0.5f, 0},       // outside, the circle crossing the first edge
        {2.0f, -0.3f, 0.5f, 1},       // outside, every edge missed
        {3.0f, 3.0f, 0.5f, 1},        // farther than R from every edge's line
    };
    for (const Case& c : cases) {
        const f32 p[2] = {c.x, c.y};
        i32 res = -1;
        f32 ed[9];
        std::copy(unit, unit + 9, ed);
        TRGRCH(p, c.R, v, c.R == 0.0f ? 1 : 0, ed, es, res);
        EXPECT_EQ(res, c.want) << c.x << " " << c.y << " R " << c.R;
        // Each edge keeps the point's signed distance from its line: the
        // first edge runs along X, the third down the Y axis.
        EXPECT_NEAR(ed[2], -c.y, 1e-6f);
        EXPECT_NEAR(ed[8], -c.x, 1e-6f);
    }
}

// What the gathering and the drop take from a triangle's box alone answers
// as the full tests do: a box within the tool's circle holds only triangles
// the reach test finds reached, and the ball's bounds found without roots
// never lie under its estimates at the box's nearest point and farthest
// corner. Triangles from a thousandth to
// twenty across (needles among them) about points near the origin and far
// from it, tools from a thousandth to fifty across, boxes made as the model
// makes them.
TEST(BoxDistances, ShortcutsFromTheBoxAnswerAsTheFullTests)
{
    std::mt19937 g(83);
    std::uniform_real_distribution<f64> u(-1.0, 1.0);
    const f64 sizes[] = {0.001, 0.01, 0.3, 2.0, 20.0};
    const f64 offsets[] = {0.0, 731.25, -40000.5};
    const f32 radii[] = {0.001f, 0.05f, 1.0f, 5.0f, 25.0f};
    i32 within = 0, below_top = 0, far_below_top = 0;
    for (f32 R : radii)
        for (f64 off : offsets)
            for (i32 n = 0; n < 2000; ++n) {
                const f64 sz = sizes[n % 5] * (R < 0.01f ? 0.01 : 1.0);
                const f32 p[3] = {f32(off + 1.3 * R * u(g)), f32(off + 1.3 * R * u(g)), 0.0f};
                const f64 c[2] = {off + 1.3 * R * u(g), off + 1.3 * R * u(g)};
                f32 v[9];
                for (i32 j = 0; j < 3; ++j) {
                    v[3 * j] = f32(c[0] + sz * u(g));
                    v[3 * j + 1] = f32(c[1] + sz * u(g));
                    v[3 * j + 2] = f32(sz * u(g));
                }
                if (n % 7 == 0) v[3] = v[0], v[4] = v[1];  // a needle: an edge with no length in XY
                const i32 box[4] = {
                    i32(std::floor(std::fmin(f64(v[0]), std::fmin(f64(v[3]), f64(v[6]))) * 1000.0)),
                    i32(std::floor(std::fmin(f64(v[1]), std::fmin(f64(v[4]), f64(v[7]))) * 1000.0)),
                    i32(std::ceil(std::fmax(f64(v[0]), std::fmax(f64(v[3]), f64(v[6]))) * 1000.0)),
                    i32(std::ceil(std::fmax(f64(v[1]), std::fmax(f64(v[4]), f64(v[7]))) * 1000.0))};
                const f64 pxy[2] = {f64(p[0]) * 1000.0, f64(p[1]) * 1000.0};
                if (trg_within(pxy, box, R, 0)) {
                    ++within;
                    f32 ed[9];
                    i32 es[3];
                    for (i32 j = 0; j < 3; ++j) {
                        const f32* a = v + 3 * j;
                        const f32* b = v + 3 * ((j + 1) % 3);
                        ed[3 * j] = b[0] - a[0], ed[3 * j + 1] = b[1] - a[1], ed[3 * j + 2] = 0.0f;
                        f32 len = 0;
                        v2nrms(ed + 3 * j, len, es[j]);
                    }
                    i32 res = -1;
                    TRGRCH(p, R, v, 0, ed, es, res);
                    ASSERT_EQ(res, 0) << "R " << R << " at " << p[0] << " " << p[1] << " case " << n;
                }
                const f32 top = std::fmax(v[2], std::fmax(v[5], v[8]));
                f32 Y = 0, est = 0;
                i32 st = -1;
                if (ball_far_cap(pxy, box, top, R, ball_cap(R), Y)) {
                    TRGEST(pxy, box, top, 1, R, R, 1, est, st);
                    ASSERT_LE(est, Y) << "far, R " << R << " at " << p[0] << " " << p[1] << " case " << n;
                    if (Y < top) ++far_below_top;
                }
                if (!ball_near_cap(pxy, box, top, ball_cap(R), Y)) continue;
                TRGEST(pxy, box, top, 2, R, R, 1, est, st);
                if (st != 0) continue;
                ASSERT_LE(est, Y) << "R " << R << " at " << p[0] << " " << p[1] << " case " << n;
                if (Y < top) ++below_top;
            }
    EXPECT_GT(within, 2000);
    EXPECT_GT(below_top, 5000);
    EXPECT_GT(far_below_top, 2000);
}

TEST(EdgeRefinements, BallCornerZoneAndDistance)
{
    // The ball of radius 1 meets a vertical edge at the height of its centre.
    const f64 up_s[3] = {3, 0, 0}, up_d[3] = {0, 0, 1};
    f64 t = -1;
    i32 st = 5;
    EDGBAL(up_s, up_d, 1.0, t, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(t, 1.0, 1e-12);
    // An edge across the path at height 0.5: met where it crosses y = 0.
    const f64 across_s[3] = {3, -5, 0.5}, across_d[3] = {0, 10, 0};
    EDGBAL(across_s, across_d, 1.0, t, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(t, 0.5, 1e-12);
    // Along the path, or behind the tool: nothing.
    const f64 along_d[3] = {1, 0, 0}, behind_s[3] = {-3, 0, 0};
    EDGBAL(up_s, along_d, 1.0, t, st);
    EXPECT_EQ(st, -1);
    EDGBAL(behind_s, up_d, 1.0, t, st);
    EXPECT_EQ(st, -1);

    // The corner zone 0 <= z <= 1 in the edge's parameters, either way up;
    // status -1 for an edge that meets neither corner circle.
    f64 range[2];
    const f64 low[3] = {0, 0, -1}, high[3] = {0, 0, 2}, down[3] = {0, 0, -1};
    EDGZON(low, up_d, 1.0, 5.0, range, st);
    EXPECT_EQ(st, -1);
    EXPECT_DOUBLE_EQ(range[0], 1.0);
    EXPECT_DOUBLE_EQ(range[1], 2.0);
    EDGZON(high, down, 1.0, 5.0, range, st);
    EXPECT_DOUBLE_EQ(range[0], 1.0);
    EXPECT_DOUBLE_EQ(range[1], 2.0);
    EDGZON(high, along_d, 1.0, 5.0, range, st);
    EXPECT_EQ(st, -1);
    // An edge through the corner arc (y = 4.5 of either side) enters the
    // section where it meets the arc: z = 1 - sqrt(0.75).
    for (f64 y : {4.5, -4.5}) {
        const f64 through[3] = {8, y, -1};
        EDGZON(through, up_d, 1.0, 5.0, range, st);
        EXPECT_EQ(st, 0) << y;
        EXPECT_NEAR(range[0], 2.0 - std::sqrt(0.75), 1e-12) << y;
        EXPECT_DOUBLE_EQ(range[1], 2.0) << y;
    }
    // An edge touching the arc at 45 degrees below its centre: status 1 at
    // the touch, and the refinement stops there.
    const f64 h = std::sqrt(0.5), slope[3] = {0, h, h}, at1[3] = {8, 4.0, 1.0 - 2.0 * h};
    EDGZON(at1, slope, 1.0, 5.0, range, st);
    EXPECT_EQ(st, 1);
    EXPECT_NEAR(range[0], 1.0, 1e-9);
    t = -1;
    EDGTOR(0.001, at1, 6.0, slope, 1.0, 5.0, t, st);
    EXPECT_EQ(st, -1);
    EXPECT_NEAR(t, 1.0, 1e-9);

    // The travel to one point of an edge: radius 5 above the corner, 4 at
    // the tip; below the tip or off to the side there is none.
    f64 v = 0;
    const f64 s[3] = {8, 3, 2}, d[3] = {0, 0, -1};
    EDGDST(s, d, 0.0, 1.0, 1.0, 5.0, v, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(v, 4.0, 1e-12);
    const f64 tip[3] = {8, 0, 2};
    EDGDST(tip, d, 2.0, 1.0, 1.0, 5.0, v, st);
    EXPECT_NEAR(v, 4.0, 1e-12);
    EDGDST(tip, d, 2.5, 1.0, 1.0, 5.0, v, st);
    EXPECT_EQ(st, -1);
    const f64 side[3] = {8, 6, 2};
    EDGDST(side, d, 0.0, 1.0, 1.0, 5.0, v, st);
    EXPECT_EQ(st, -1);
    const f64 back[3] = {-8, 0, 2};
    EDGDST(back, d, 0.0, 1.0, 1.0, 5.0, v, st);
    EXPECT_NEAR(v, -3.0, 1e-12);  // behind the axis the far side of the tool

    // The corner refinement: an edge across the path above the corner is
    // first met where it crosses the axis's plane, y = 0.
    const f64 a[3] = {8, -3, 2}, y1[3] = {0, 1, 0};
    t = -1;
    EDGTOR(0.001, a, 6.0, y1, 1.0, 5.0, t, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(t, 3.0, 0.002);
    const f64 wide[3] = {8, 6, 2};
    EDGTOR(0.001, wide, 6.0, y1, 1.0, 5.0, t, st);
    EXPECT_EQ(st, -1);
}

TEST(ReferenceRecords, NoneWhileThePassesWriteNone)
{
    f32 p[3] = {1, 2, 3}, n[3] = {0, 0, 1};
    EXPECT_EQ(REFSWT, 0);
    EXPECT_FALSE(REFGET(1, 1, p, n));
    EXPECT_FALSE(REFGET(1, 2, p, n));
    EXPECT_EQ(p[0], 1.0f);  // nothing written
}

TEST(ListedTriangle, EntryOfTheListIsTheModelsTriangle)
{
    positioning::reset();
    meshes::Mesh part;
    part.node(-5, -5, 1), part.node(5, -5, 1), part.node(0, 5, 2);
    part.add(1, 2, 3);
    part.id = 7;
    ASSERT_EQ(meshes::build({part}), 0);
    tooldefs::use_mill(4.0f, 0.0f);
    i32 st = 0;
    CNTPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
    LOCPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
    ASSERT_TRUE(LOCTOL(0.0f, 0.0f));
    STPFLG(0x01);
    f32 p[3] = {0.5f, 0.5f, 0.0f};
    i32 ixy[2] = {500, 500};
    i32 n = 0, best = 0, part_seen = 0, check_seen = 0, other_seen = 0;
    f32 bz = 0;
    elm2nd(0, p, ixy, 0.0f, ELMCAP, n, best, bz, part_seen, check_seen, other_seen, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(n, 1);
    i32 entry[TRG_WORDS];
    std::fill(entry, entry + TRG_WORDS, -9);
    TRGGET(1, entry);
    EXPECT_EQ(srfbas()[(entry[TRG_SRF] - 1) * SRF_WORDS + SRF_ID], 7);
    std::vector<f32> zs;
    for (i32 j = 0; j < 3; ++j) zs.push_back(nodbas()[3 * (entry[TRG_NODE + j] - 1) + 2]);
    std::sort(zs.begin(), zs.end());
    EXPECT_EQ(zs, (std::vector<f32>{1, 1, 2}));
    EXPECT_EQ(entry[TRG_BOX], -5000);
    EXPECT_EQ(entry[TRG_BOX + 3], 5000);
    FRETRI();
}

namespace {
// A face x = c + z (relative to the tool tip) facing the oncoming tool, its
// unit normal (up) after the three vertices.
void face(f64 c, const f64 (&xy)[3][2], f64* vn)
{
    for (i32 k = 0; k < 3; ++k) {
        vn[3 * k] = xy[k][0];
        vn[3 * k + 1] = xy[k][1];
        vn[3 * k + 2] = xy[k][0] - c;
    }
    vn[9] = -std::sqrt(0.5), vn[10] = 0.0, vn[11] = std::sqrt(0.5);
}
}  // namespace

TEST(FaceTravel, TaperedToolAlreadyInTheFaceStaysWhereItIs)
{
    // Diameter 6, corner 1, 10 degrees, cut length 20: on a 45-degree face
    // the corner touches at q = (Rf + r sin 45, 0, r - r cos 45), Rf the
    // flat radius 3 - (1 - sin 10) / cos 10.
    ASSERT_EQ(PRFSET(6.0, 1.0, 10.0 * PI / 180.0, 0.0, 20.0), 0);
    const f64 rf = 3.0 - (1.0 - std::sin(10.0 * PI / 180.0)) / std::cos(10.0 * PI / 180.0);
    const f64 s45 = std::sqrt(0.5), qx = rf + s45, qz = 1.0 - s45;
    f64 vn[12], travel = 7, contact[3];
    i32 st = 9;
    // Ahead of the tool: the face at x = 5 + z is met after 5 + qz - qx.
    face(5.0, {{5, -10}, {5, 10}, {15, 0}}, vn);
    PRFFAC(vn, 100.0, travel, contact, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(travel, 5.0 + qz - qx, 1e-9);
    EXPECT_NEAR(contact[0], 5.0 + qz, 1e-9);
    EXPECT_NEAR(contact[2], qz, 1e-9);
    PRFFAC(vn, 1.0, travel, contact, st);  // farther than the move
    EXPECT_EQ(st, 1);
    // At x = 2 + z the corner is in the face already: no travel.
    face(2.0, {{2, -10}, {2, 10}, {12, 0}}, vn);
    PRFFAC(vn, 100.0, travel, contact, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(travel, 0.0);
    // The same face cut short before the corner's XY: the edges decide.
    face(2.0, {{2, -10}, {2, 10}, {2.5, 0}}, vn);
    PRFFAC(vn, 100.0, travel, contact, st);
    EXPECT_EQ(st, -1);
}

TEST(FaceTravel, CornerToolAlreadyInTheFaceStaysWhereItIs)
{
    // Diameter 10, corner 1 on the same 45-degree face: q = (4 + sin 45, 0,
    // 1 - cos 45) from the tip.
    const f32 s45 = std::sqrt(0.5f);
    i32 entry[TRG_WORDS] = {};
    entry[TRG_FLAGS] = trgflg(1);
    const f32 n[3] = {-s45, 0.0f, s45};
    for (i32 k = 0; k < 3; ++k) entry[TRG_NRM + k] = r2wrd(n[k]);
    const f64 ident[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const f32 a[2] = {0, 0}, b[2] = {100, 0};
    for (f32 c : {8.0f, 3.0f}) {
        // The plane x - z = c: n . p + d = 0 with d = c sin 45.
        entry[TRG_PLANE] = r2wrd(c * s45);
        const f32 u1[3] = {c, -10, 0}, u2[3] = {c, 10, 0}, u3[3] = {c + 10, 0, 10};
        f32 pos[3], con[3], travel = 1.0e10f;
        i32 st = 9;
        TRVCNT(u1, u2, u3, entry, a, b, 0.0f, 1, ident, ident, 3, 0, 0.001f, 10.0f, 1.0f, pos, con, travel, st);
        EXPECT_EQ(st, 0) << c;
        if (c == 8.0f) {
            EXPECT_NEAR(travel, 8.0f + (1 - s45) - (4 + s45), 1e-4);
            EXPECT_NEAR(pos[0], travel, 1e-5);
        } else {
            EXPECT_EQ(travel, 0.0f);
            EXPECT_EQ(pos[0], 0.0f);
        }
    }
}

TEST(TreeDescent, ToolAxisReachCarriesTheDescentPastAStraddledCell)
{
    positioning::reset();
    // A large triangle over the whole tree in the root, small ones in the
    // low corner.
    meshes::Mesh m;
    m.node(-50, -50, 0), m.node(50, -50, 0), m.node(0, 50, 0);
    m.add(1, 2, 3);
    const auto small = meshes::grid(-49, -49, -45, -45, 2, 2, [](f64, f64) { return 1.0; });
    for (i32 t : small.tri) m.tri.push_back(t + 3);
    m.xyz.insert(m.xyz.end(), small.xyz.begin(), small.xyz.end());
    ASSERT_EQ(meshes::build({m}), 0);
    const f32 up[3] = {0, 0, 1};
    LOCSET(-1, up, up, 1, 0.0f, 0.01f);
    for (i32 c = 0; c < 3; ++c) LOCTAX[c] = up[c];
    LOCRCH = 2.0f;
    std::vector<i32> rows(QT_NODES * QC_ROW);
    i32 node = -1, count = 0, cell[4];
    const f32 near[3] = {-47, -47, 5}, far[3] = {40, 40, 5};
    auto listed = [&](const f32* p, i32 axis) {
        LOCAXM = axis;
        qt_find_cell(QTBOX, p, node, 1, count, rows.data(), cell);
        LOCAXM = 0;
        std::vector<i32> nodes;
        for (i32 k = 0; k < count; ++k) nodes.push_back(rows[k * QC_ROW + QC_NODE]);
        return nodes;
    };
    // The whole tree straddles the root's middle: only the root is listed.
    EXPECT_EQ(listed(near, 0), std::vector<i32>{0});
    EXPECT_EQ(listed(far, 1), std::vector<i32>{0});  // the tool reaches no child
    const auto deep = listed(near, 1);
    ASSERT_GT(deep.size(), 1u);
    EXPECT_EQ(deep[0], 0);
    // Each further node is a low-corner child of the one before it and holds
    // the small triangles the tool stands over.
    for (size_t k = 1; k < deep.size(); ++k) {
        EXPECT_GT(deep[k], deep[k - 1]);
        EXPECT_LE(wrd2r(qtrow(deep[k])[QT_XMIN]), -45.0f);
        EXPECT_GE(wrd2r(qtrow(deep[k])[QT_XMAX]), -49.0f);
    }
    FRETRI();
}

// The horizontal travel of a tapered tool to an edge, against the edge
// sampled densely: every edge whose points the tool meets within the move
// gets that travel, also where the first touch lies at the tip's level (an
// edge rising through the tip plane inside the tool's bottom).
TEST(EdgeTravel, TaperedToolsMeetEdgesAtTheirFirstTouch)
{
    struct Tool {
        f64 d, r, deg, e;
    } tools[] = {{8.0, 0.0, 15.0, 0.0}, {6.0, 0.0, 5.0, 0.0}, {6.0, 0.3, 10.0, 0.3}, {6.0, 1.0, 10.0, 0.0}};
    const f64 lt = 10.0, L = 12.0;
    std::mt19937 rng(60);
    std::uniform_real_distribution<f64> ux(0.5, 14.0), uy(-6.0, 6.0), uz(-3.0, 4.0);
    for (const Tool& t : tools) {
        ASSERT_EQ(PRFSET(t.d, t.r, t.deg * PI / 180.0, t.e, L), 0);
        i32 met = 0, wrong = 0;
        for (i32 n = 0; n < 400; ++n) {
            const f64 a[3] = {ux(rng), uy(rng), uz(rng)}, b[3] = {ux(rng), uy(rng), uz(rng)};
            // The reference: the least travel over the edge's points inside
            // the tool's section (z >= 0, |y| <= r(z)), ahead of the tool.
            f64 ref = 1e30, at = -1.0;
            auto sample = [&](f64 s) {
                const f64 q[3] = {a[0] + s * (b[0] - a[0]), a[1] + s * (b[1] - a[1]), a[2] + s * (b[2] - a[2])};
                if (q[2] < 0.0 || s < 0.0 || s > 1.0) return;
                const f64 w2 = PRFRAD(q[2]) * PRFRAD(q[2]) - q[1] * q[1];
                if (w2 < 0.0) return;
                if (q[0] - std::sqrt(w2) < ref) ref = q[0] - std::sqrt(w2), at = s;
            };
            for (i32 k = 0; k <= 20000; ++k) sample(k / 20000.0);
            if (b[2] != a[2]) sample(-a[2] / (b[2] - a[2]));  // the tip plane's crossing
            const f64 near = at;  // and finer about the best sample
            for (i32 k = -1000; near >= 0.0 && k <= 1000; ++k) sample(near + k * 1e-7);
            if (!(ref > 0.0 && ref < lt)) continue;
            ++met;
            f64 travel = 0, contact[3];
            i32 st = 9;
            PRFEDG(1e-6, a, b, lt, travel, contact, st);
            if (st != 0 || std::fabs(travel - ref) > 2e-3) {
                if (++wrong <= 3)
                    ADD_FAILURE() << "tool " << t.d << "/" << t.r << "/" << t.deg << " status " << st << " travel "
                                  << travel << " first touch " << ref;
            }
        }
        EXPECT_GT(met, 40);
        EXPECT_EQ(wrong, 0) << "tool " << t.d << "/" << t.r << "/" << t.deg << " of " << met;
    }
}

// The tool profile joins its pieces without a step (corner arc to flank,
// flank to top rounding, rounding to the largest radius), stores a flat
// radius within 1e-5 of 0 as exactly 0, and refuses the shapes it cannot
// describe.
TEST(ToolProfile, PiecesJoinAndImpossibleShapesAreRefused)
{
    struct Shape {
        f64 d, r, deg, e, L;
    };
    // Tapered ends with large, small and no corners, with and without an
    // allowance; the last has its flat radius 4e-6 above zero.
    const f64 a10 = 10.0 * PI / 180.0, flat0 = 2.0 * (1.0 - std::sin(a10)) * 1.5 / std::cos(a10);
    for (const Shape s : {Shape{6, 3, 5, 0, 20}, Shape{10, 1, 30, 0.5, 25}, Shape{8, 0, 15, 0.2, 12},
                          Shape{12, 2, 45, 1, 30}, Shape{flat0 + 8e-6, 1.5, 10, 0.3, 18}}) {
        ASSERT_EQ(PRFSET(s.d, s.r, s.deg * PI / 180.0, s.e, s.L), 0) << s.d;
        if (std::fabs(s.d * 0.5 - (1.0 - std::sin(s.deg * PI / 180.0)) * s.r / std::cos(s.deg * PI / 180.0)) <
            1e-5) {
            EXPECT_EQ(PRRFLT, 0.0) << s.d;
        }
        // At the corner's top the arc may sit off the flank by the snapped
        // flat radius.
        const f64 dh = 1e-9;
        if (PRHCRN > 0.0) {
            EXPECT_NEAR(PRFRAD(PRHCRN - dh), PRFRAD(PRHCRN + dh), 1.01e-5) << s.d;
        }
        EXPECT_NEAR(PRFRAD(PRHFLK - dh), PRFRAD(PRHFLK + dh), 1e-6) << s.d;
        EXPECT_NEAR(PRFRAD(PRLENG - dh), PRFRAD(PRLENG + dh), 1e-6) << s.d;
        EXPECT_EQ(PRFRAD(PRLENG + 1.0), PRRMAX);
        EXPECT_EQ(PRFRAD(-1.0), PRRFLT);
    }
    EXPECT_EQ(PRFSET(6, 1, -0.1, 0, 20), -1);
    EXPECT_EQ(PRFSET(6, 1, 1.5707963267948966, 0, 20), -1);
    EXPECT_EQ(PRFSET(6, -0.5, 0.2, 0, 20), -1);
    EXPECT_EQ(PRFSET(1, 2, 0.2, 0, 20), -1);  // corner wider than the tool
}
