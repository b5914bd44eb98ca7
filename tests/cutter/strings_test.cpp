// Strings of positions along lines: chordal tolerance against the reference,
// spacing on flat ground, strings split and lifted at check surfaces, limits.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <random>
#include <vector>

#include "common/dropref.h"
#include "common/meshes.h"
#include "common/tooldefs.h"
#include "cutter/linnetn.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "frame/params.h"
#include "frame/records.h"
#include "platform/norak/norak.h"
#include "stock/netgrid.h"
#include "surfaces/trimodel.h"

namespace {

class Strings : public ::testing::Test {
protected:
    void SetUp() override
    {
        norak::reset();
        FRETRI();
        stk_net_rels();
        MACTYP = 0;
        LOCAXM = 0;
        LOCCST = 0;
        NETAXM = 0;
        NETFLG(0);
        STPFLG(0x3F);
        for (i32& w : HEI8) w = 0;
    }
    void TearDown() override
    {
        FRETRI();
        stk_net_rels();
    }
    struct Out {
        std::vector<f32> xyz, nrm;
        std::vector<i32> flg, len;
        i32 nst = 0, tot = 0, status = 0;
    };
    Out line(const f32* a, const f32* b, f32 tol, i32 cap = 9000, i32 maxs = 50, i32 restart = 1)
    {
        Out o;
        o.xyz.resize(cap), o.nrm.resize(cap), o.flg.resize(cap / 3 + 1), o.len.resize(maxs + 1);
        const i32 mode = 5, line3d = 0;
        LINNETN(restart, line3d, a, b, tol, 0.0f, 0.0f, cap, mode, o.xyz.data(), o.nrm.data(), nullptr, o.flg.data(),
                o.nst, maxs, o.len.data(), o.tot, o.status);
        return o;
    }
};

std::vector<double> all_triangles(const std::vector<meshes::Mesh>& ms)
{
    std::vector<double> t;
    for (const auto& m : ms)
        for (size_t k = 0; k < m.tri.size(); ++k)
            for (int j = 0; j < 3; ++j) t.push_back(m.xyz[3 * (m.tri[k] - 1) + j]);
    return t;
}

TEST_F(Strings, ChordsStayWithinTheTolerance)
{
    auto ms = meshes::hemisphere_on_plate(20.0, 30.0, 8000);
    ASSERT_EQ(meshes::build(ms), 0);
    dropref::Buckets bk;
    bk.build(all_triangles(ms), 3.0);
    const f32 tol = 0.01f;
    struct T {
        f32 d, r;
        dropref::Tool ref;
    } tools[] = {{6.0f, 3.0f, {1, 3.0, 3.0}}, {6.0f, 1.0f, {3, 3.0, 1.0}}};
    std::mt19937 g(8);
    std::uniform_real_distribution<f64> u(0.0, 6.283185307179586), off(-8.0, 8.0);
    double worst_above = 0, worst_below = 0, worst_above_n = 0, worst_below_n = 0;
    for (const T& t : tools) {
        tooldefs::use_mill(t.d, t.r);
        for (int i = 0; i < 3; ++i) {
            // A line across the model through a point near the middle.
            f64 ang = u(g), cx = off(g), cy = off(g);
            f32 a[3] = {static_cast<f32>(cx - 20 * std::cos(ang)), static_cast<f32>(cy - 20 * std::sin(ang)), 0};
            f32 b[3] = {static_cast<f32>(cx + 20 * std::cos(ang)), static_cast<f32>(cy + 20 * std::sin(ang)), 0};
            Out o = line(a, b, tol);
            ASSERT_EQ(o.status, 0);
            ASSERT_GE(o.nst, 1);
            i32 at = 0;
            for (i32 s = 0; s < o.nst; ++s) {
                for (i32 k = at; k + 1 < at + o.len[s]; ++k) {
                    const f32* p = &o.xyz[3 * k];
                    const f32* q = &o.xyz[3 * k + 3];
                    double l = std::hypot(q[0] - p[0], q[1] - p[1]);
                    int n = std::max(1, static_cast<int>(l / (tol / 10)));
                    // The triangles near a stretch of 200 samples, highest
                    // bound first.
                    std::vector<std::pair<double, int>> cand;
                    int chunk = -1;
                    auto ref_at = [&](const double* P, int j) {
                        if (j / 200 != chunk) {
                            chunk = j / 200;
                            cand.clear();
                            for (int ti : bk.near(P, t.ref.rmax() + 200 * tol / 10 + 0.01))
                                cand.push_back({std::max({bk.tri[9 * ti + 2], bk.tri[9 * ti + 5], bk.tri[9 * ti + 8]}), ti});
                            std::sort(cand.begin(), cand.end(), [](auto& x, auto& y) { return x.first > y.first; });
                        }
                        double best = dropref::NONE;
                        for (auto [top, ti] : cand) {
                            if (top <= best) break;
                            // The tool's surface at the nearest box distance
                            // bounds what the triangle can give.
                            const double* tv = &bk.tri[9 * ti];
                            double bx0 = std::min({tv[0], tv[3], tv[6]}), bx1 = std::max({tv[0], tv[3], tv[6]});
                            double by0 = std::min({tv[1], tv[4], tv[7]}), by1 = std::max({tv[1], tv[4], tv[7]});
                            double gx = std::max({bx0 - P[0], 0.0, P[0] - bx1}), gy = std::max({by0 - P[1], 0.0, P[1] - by1});
                            double dmin = std::hypot(gx, gy);
                            if (dmin > t.ref.rmax() || top - t.ref.h(dmin) <= best) continue;
                            double v[3][3];
                            for (int a2 = 0; a2 < 3; ++a2)
                                for (int b2 = 0; b2 < 3; ++b2) v[a2][b2] = bk.tri[9 * ti + 3 * a2 + b2];
                            best = std::max(best, dropref::drop(t.ref, P, v));
                        }
                        return best;
                    };
                    for (int j = 0; j <= n; ++j) {
                        double w = double(j) / n;
                        double P[2] = {p[0] + w * (q[0] - p[0]), p[1] + w * (q[1] - p[1])};
                        double z = p[2] + w * (q[2] - p[2]);
                        double ref = ref_at(P, j);
                        // Vertical gap, and the gap across the reference
                        // surface (the vertical one times its cosine).
                        double c = 1.0;
                        if (std::fabs(z - ref) > 0.9 * tol) {
                            const double h = 1e-3;
                            double Px[2] = {P[0] + h, P[1]}, Py[2] = {P[0], P[1] + h};
                            double gx = (ref_at(Px, j) - ref) / h, gy = (ref_at(Py, j) - ref) / h;
                            c = 1.0 / std::sqrt(1.0 + gx * gx + gy * gy);
                        }
                        worst_above = std::max(worst_above, z - ref);
                        worst_below = std::max(worst_below, ref - z);
                        worst_above_n = std::max(worst_above_n, (z - ref) * c);
                        worst_below_n = std::max(worst_below_n, (ref - z) * c);
                        ASSERT_LE((z - ref) * c, 1.2 * tol) << "line " << i << " point " << k;
                        ASSERT_LE((ref - z) * c, tol) << "line " << i << " point " << k;
                    }
                }
                at += o.len[s];
            }
        }
    }
    std::printf("chords: vertical gap above the reference %.4g, below %.4g; across the surface above %.4g, below %.4g\n",
                worst_above, worst_below, worst_above_n, worst_below_n);
}

TEST_F(Strings, FlatGroundAndCheckSurfaces)
{
    // A plate, and a check-surface block standing on it across the line.
    auto plate = meshes::grid(-30, -30, 30, 30, 4, 4, [](f64, f64) { return 0.0; });
    meshes::Mesh block = meshes::grid(-2, -10, 2, 10, 2, 2, [](f64, f64) { return 3.0; });
    block.cls = 2, block.id = 7;
    ASSERT_EQ(meshes::build({plate, block}), 0);
    tooldefs::use_mill(2.0f, 1.0f);
    const f32 tol = 0.01f;
    HEI8[49 - 1] = r2wrd(1.5f);  // lift of check-surface runs
    f32 a[3] = {-20, 0, 0}, b[3] = {20, 0, 0};
    Out o = line(a, b, tol);
    ASSERT_EQ(o.status, 0);
    // The part before the block, the lifted run over it, the part after.
    ASSERT_EQ(o.nst, 3);
    EXPECT_EQ(o.flg[0], 1);
    // The first point of the first string is the line's start.
    EXPECT_NEAR(o.xyz[0], -20.0f, 1e-5);
    EXPECT_NEAR(o.xyz[2], 0.0f, 1e-5);
    // The middle string: its first point where the run began, then over the
    // block at the run's highest point plus the lift.
    i32 s1 = o.len[0];
    EXPECT_LE(o.xyz[3 * s1 + 2], 3.0f + 1e-4f);
    for (i32 k = s1 + 1; k < s1 + o.len[1]; ++k) EXPECT_NEAR(o.xyz[3 * k + 2], 3.0f + 1.5f, 1e-4);
    EXPECT_EQ(o.flg[s1], 7);
    // With word 77 set the runs keep their heights and signs.
    HEI8[77 - 1] = 1;
    Out o2 = line(a, b, tol);
    bool negative = false;
    for (i32 k = 0; k < o2.tot; ++k) negative |= o2.flg[k] < 0;
    EXPECT_FALSE(negative);  // only positive runs become strings
    HEI8[77 - 1] = 0;
    // Flat ground, a line over the plate only: the spacing of the Part,
    // thinned to its ends.
    f32 c[3] = {-20, 20, 0}, d[3] = {20, 20, 0};
    Out o3 = line(c, d, tol);
    ASSERT_EQ(o3.nst, 1);
    EXPECT_EQ(o3.tot, 2);
    EXPECT_NEAR(o3.xyz[0], -20.0f, 1e-5);
    EXPECT_NEAR(o3.xyz[3], 20.0f, 1e-5);
    // Limits: too few strings, too few points.
    Out o4 = line(a, b, tol, 9000, 1);
    EXPECT_EQ(o4.status, -1);
    EXPECT_EQ(o4.nst, 1);
    EXPECT_TRUE(norak::transcript_has("[LINNETN] ONLY "));
    EXPECT_TRUE(norak::transcript_has(" STRINGS ARE AVAILABLE"));
    Out o5 = line(a, b, tol, 6, 50);
    EXPECT_EQ(o5.status, -1);
    EXPECT_TRUE(norak::transcript_has("[LINNETN] MAXIMUM NUMBER OF POINTS IN A STRING :"));
    // Zero tolerance.
    Out o6 = line(a, b, 0.0f);
    EXPECT_EQ(o6.status, -1);
    EXPECT_TRUE(norak::transcript_has("[LINNET]ALGORITHM CANNOT WORK WITH ZERO TOLERANCE"));
}

}  // namespace
