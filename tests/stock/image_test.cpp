// Tool height images and slope profiles: the image against the tool's own
// height profile, each slope row against the lowest envelope of the tool
// moving at that slope, the cache of slots, and the memory cap.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common.h"

namespace {

using stocktest::Tool;

class Images : public ::testing::Test {
protected:
    void SetUp() override
    {
        stocktest::fresh(0.125f);
        ASSERT_EQ(stocktest::open(-10, -10, 10, 10), 0);
    }
};

TEST_F(Images, ABallOfTenOnEighthCells)
{
    i32 st = 0;
    stk_tool_image(0, 10.0f, 5.0f, 30.0f, 0.0f, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(stk_img.slot, 0);
    EXPECT_EQ(stk_img.k8, 320);
    EXPECT_EQ(stk_img.n, 321);
    EXPECT_EQ(stk_img.diam, 10.0f);
    EXPECT_EQ(stk_img.image[0], 0.0f);
    EXPECT_EQ(stk_img.image[320], STK_NONE);
    EXPECT_EQ(stk_img.image[320 * 321], STK_NONE);
    EXPECT_EQ(stk_image_bytes(), 321 * 321 * 4 + 91 * 321 * 8);
}

TEST_F(Images, EveryEntryIsTheToolsHeightAtItsRadius)
{
    for (const Tool& t : stocktest::tools()) {
        t.make_current();
        ASSERT_NE(stk_img.image, nullptr) << t.name;
        const i32 n = stk_img.n;
        // The image reaches the whole outer radius, whatever it is in cells.
        EXPECT_GE((n - 1) / 8 * 0.125, t.ro()) << t.name;
        EXPECT_FLOAT_EQ(stk_img.diam, f32(2 * t.ro())) << t.name;
        for (i32 j = 0; j < n; j += 3)
            for (i32 i = 0; i < n; i += 5) {
                const double rho = std::hypot(i, j) * 0.125 / 8;
                const double want = t.H(rho);
                const f32 got = stk_img.image[j * n + i];
                if (want == stocktest::INF || (j == 0 && i == n - 1) || (i == 0 && j == n - 1))
                    ASSERT_EQ(got, STK_NONE) << t.name << " " << i << " " << j;
                else
                    ASSERT_NEAR(got, want, 2e-5 * (1 + want)) << t.name << " " << i << " " << j;
                ASSERT_EQ(got, stk_img.image[i * n + j]);
            }
    }
}

TEST_F(Images, EachSlopeRowIsTheLowestEnvelopeAtThatSlope)
{
    // For lateral offset x and slope a, the envelope's height at the row's
    // point less the rise to it, h - tan(a) f, is the least over the tool of
    // H(sqrt(x^2 + f^2)) - tan(a) f; within a quarter of the image step
    // (the silhouette of a corner is sampled).
    for (const Tool& t : stocktest::tools()) {
        t.make_current();
        const i32 n = stk_img.n, k8 = stk_img.k8;
        const double ro = t.ro(), e = ro / k8;
        double worst = 0;
        for (i32 a = 0; a < 90; a += (a < 10 ? 1 : 7)) {
            const double ta = std::tan(a * M_PI / 180);
            for (i32 j = 0; j < n; j += 4) {
                const double x = j * ro / k8;
                const f32* pr = stk_img.profile + 2 * (a * n + j);
                const double f = pr[0], h = pr[1];
                if (x >= ro * (1 - 1e-6)) continue;
                const double fm = std::sqrt(ro * ro - x * x);
                double lo = 0, hi = fm * (1 - 1e-12);
                auto g = [&](double ff) { return t.H(std::hypot(x, ff)) - ta * ff; };
                for (int k = 0; k < 100; ++k) {
                    const double m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
                    if (g(m1) <= g(m2))
                        hi = m2;
                    else
                        lo = m1;
                }
                const double want = std::min(g(0.5 * (lo + hi)), g(fm * (1 - 1e-12)));
                ASSERT_LT(h, STK_EMPTY) << t.name << " row " << a << " column " << j;
                // The row's point lies on the tool.
                EXPECT_NEAR(h, t.H(std::min(std::hypot(x, f), ro * (1 - 1e-7))), e / 4) << t.name << " row " << a << " column " << j;
                const double got = h - ta * f;
                worst = std::max(worst, std::fabs(got - want));
                EXPECT_NEAR(got, want, e / 4) << t.name << " row " << a << " column " << j;
            }
        }
        if (std::getenv("STOCK_FIGURES")) std::printf("%s: profile rows within %.2e of the envelope\n", t.name, worst);
        // The tool's edge belongs to every row: the last column is a point of the tool.
        for (i32 a = 0; a < 90; ++a) ASSERT_LT(stk_img.profile[2 * (a * n + k8) + 1], STK_EMPTY) << t.name << " " << a;
    }
}

TEST_F(Images, AFlatMillHasOneRowForEverySlope)
{
    const Tool t = stocktest::tools()[0];
    t.make_current();
    const i32 n = stk_img.n;
    for (i32 a = 1; a < 91; ++a)
        for (i32 j = 0; j < n; ++j) {
            ASSERT_EQ(stk_img.profile[2 * (a * n + j)], stk_img.profile[2 * j]);
            ASSERT_EQ(stk_img.profile[2 * (a * n + j) + 1], 0.0f);
        }
    EXPECT_FLOAT_EQ(stk_img.profile[0], 3.05f);
}

TEST_F(Images, TheCacheOfSlots)
{
    i32 st = 0;
    stk_tool_image(20, 6.0f, 1.0f, 20.0f, 0.0f, st);
    EXPECT_EQ(st, -1);
    stk_tool_image(19, 6.0f, 1.0f, 20.0f, 0.0f, st);  // the last slot it builds
    EXPECT_EQ(st, 0);
    EXPECT_EQ(stk_img.slot, 19);
    stk_image_free(19);
    stk_tool_image(-2, 6.0f, 1.0f, 20.0f, 0.0f, st);
    EXPECT_EQ(st, -1);
    stk_tool_image(3, 0.0f, 0.0f, 20.0f, 0.0f, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(norak::open_arrays(), 1);  // the grid only
    stk_image_select(20, st);
    EXPECT_EQ(st, -1);
    stk_image_free(20);
    stk_image_free(21);
    // Slot 3 built, then slot 0: the current image is slot 0's.
    stk_tool_image(3, 6.0f, 1.0f, 20.0f, 0.0f, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(stk_img.slot, 3);
    const i32 h3 = stk_img.img;
    stk_tool_image(0, 4.0f, 2.0f, 20.0f, 0.0f, st);
    ASSERT_EQ(st, 0);
    const i32 arrays = norak::open_arrays();
    // Slot 3 again for the same tool: kept, not rebuilt, not selected.
    stk_tool_image(3, 6.0f, 1.0f, 20.0f, 0.0f, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(stk_img.slot, 0);
    EXPECT_EQ(norak::open_arrays(), arrays);
    stk_image_select(3, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(stk_img.img, h3);
    EXPECT_EQ(stk_img.diam, 6.0f);
    // Another tool in slot 3: rebuilt.
    stk_tool_image(3, 6.0f, 1.5f, 20.0f, 0.0f, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(stk_img.slot, 3);
    EXPECT_EQ(norak::open_arrays(), arrays);
    // Freeing the current slot leaves no image; freeing another keeps it
    // usable, with the slot number -2.
    stk_image_select(0, st);
    stk_image_free(3);
    EXPECT_EQ(stk_img.slot, -2);
    EXPECT_NE(stk_img.image, nullptr);
    EXPECT_EQ(norak::open_arrays(), arrays - 2);
    stk_image_select(3, st);
    EXPECT_EQ(st, -1);
    stk_image_select(0, st);
    stk_image_free(0);
    EXPECT_EQ(stk_img.image, nullptr);
    EXPECT_EQ(norak::open_arrays(), 1);
    // An image whose array has the handle 0 is closed as any other.
    {
        norak::reset();
        stk_image_clear(0);
        stk_tool_image(-1, 6.0f, 3.0f, 20.0f, 0.0f, st);
        ASSERT_EQ(st, 0);
        ASSERT_EQ(stk_img.prof, 0);
        stk_image_free(-1);
        EXPECT_EQ(norak::open_arrays(), 0);
        ASSERT_EQ(stocktest::open(-10, -10, 10, 10), 0);
    }
    // The temporary image has a profile table only and is never cached.
    stk_tool_image(-1, 6.0f, 3.0f, 20.0f, 0.0f, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(stk_img.slot, -1);
    EXPECT_EQ(stk_img.image, nullptr);
    EXPECT_NE(stk_img.profile, nullptr);
    EXPECT_EQ(norak::open_arrays(), 2);
    stk_image_free(-1);
    EXPECT_EQ(stk_img.profile, nullptr);
    EXPECT_EQ(norak::open_arrays(), 1);
}

TEST_F(Images, BadShapesAndNoGrid)
{
    i32 st = 0;
    for (auto bad : {std::vector<f32>{6, -1, 20, 0}, {6, 1, 20, 90}, {6, 1, 20, -3}, {6, 1, -20, 5}}) {
        stk_tool_image(0, bad[0], bad[1], bad[2], bad[3], st);
        EXPECT_EQ(st, -1);
    }
    EXPECT_EQ(norak::transcript_count("stk_tool_image, WRONG TOOL SHAPE"), 4u);
    stk_grid.cell = 0.0f;
    stk_tool_image(0, 6.0f, 1.0f, 20.0f, 0.0f, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("stk_tool_image, NO STOCK GRID"));
    stk_grid.cell = 0.125f;
    norak::fail_alloc_after(2);  // the profile table cannot be opened
    stk_tool_image(0, 6.0f, 1.0f, 20.0f, 0.0f, st);
    EXPECT_LT(st, 0);
    EXPECT_EQ(norak::open_arrays(), 1);
    stk_image_select(0, st);
    EXPECT_EQ(st, -1);
}

TEST_F(Images, ImageMemoryHasACap)
{
    // A holder section of diameter 2,000 on eighth-cell steps: 64,001 squared entries.
    i32 st = 0;
    stk_tool_image(2, 2000.0f, 0.0f, 10.0f, 0.0f, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("stk_tool_image, IMAGE MEMORY IS LIMITED TO 256 MB"));
    EXPECT_EQ(norak::open_arrays(), 1);
    // Images that fit one by one, until together they would not.
    i32 built = 0;
    for (i32 slot = 1; slot < 20; ++slot) {
        stk_tool_image(slot, 100.0f, 0.0f, 10.0f, f32(slot), st);  // about 41 MB each
        if (st != 0) break;
        ++built;
    }
    EXPECT_GE(built, 2);
    EXPECT_LT(built, 19);
    EXPECT_LE(stk_image_bytes(), STK_IMAGE_CAP);
    EXPECT_EQ(norak::transcript_count("IMAGE MEMORY IS LIMITED"), 2u);
    // Freeing one makes room again.
    stk_image_free(1);
    stk_tool_image(1, 100.0f, 0.0f, 10.0f, 1.0f, st);
    EXPECT_EQ(st, 0);
}

TEST_F(Images, HeightAndNormalOfTheShape)
{
    f32 h = 0, nrm[3] = {9, 9, 9}, rf = 0;
    i32 st = 0;
    stk_tool_height(1.5f, 6.0f, 1.0f, 0.0f, 20.0f, h, nrm, rf, st);  // torus: within the flat end
    EXPECT_EQ(st, 0);
    EXPECT_EQ(h, 0.0f);
    EXPECT_EQ(rf, 2.0f);
    EXPECT_EQ(nrm[0], 0.0f);
    EXPECT_EQ(nrm[1], 1.0f);
    EXPECT_EQ(nrm[2], 0.0f);
    stk_tool_height(-2.6f, 6.0f, 1.0f, 0.0f, 20.0f, h, nrm, rf, st);  // on the corner, negative radius
    EXPECT_NEAR(h, 1.0 - std::sqrt(1.0 - 0.36), 1e-6);
    EXPECT_NEAR(nrm[0], 0.6, 1e-6);
    EXPECT_NEAR(nrm[1], std::sqrt(0.64), 1e-6);
    stk_tool_height(2.6f, 6.0f, 1.0f, 0.0f, 20.0f, h, nrm, rf, st);
    EXPECT_NEAR(nrm[0], -0.6, 1e-6);
    stk_tool_height(3.01f, 6.0f, 1.0f, 0.0f, 20.0f, h, nrm, rf, st);
    EXPECT_EQ(st, -1);
    // Taper: the corner meets the flank with the flank's height; beyond, the flank.
    const Tool t = stocktest::tools()[3];
    for (f32 rho : {0.5f, 1.2f, 1.3f, 1.45f, 1.6f, 2.5f}) {
        stk_tool_height(rho, 3.0f, 0.5f, 10.0f, 8.0f, h, nrm, rf, st);
        EXPECT_EQ(st, 0);
        EXPECT_NEAR(h, t.H(rho), 1e-5) << rho;
    }
    stk_tool_height(2.5f, 3.0f, 0.5f, 10.0f, 8.0f, h, nrm, rf, st);
    EXPECT_NEAR(nrm[0], std::sin(10 * M_PI / 180), 1e-6);
    EXPECT_NEAR(nrm[1], std::cos(10 * M_PI / 180), 1e-6);
}

TEST_F(Images, TheTorusSilhouette)
{
    const f64 A = 2.0, Rt = 1.0;
    std::vector<f64> pts(3 * 41);
    i32 st = 0;
    for (f64 deg : {10.0, 45.0, 80.0}) {
        for (f64 yaw : {0.0, 0.7}) {
            const f64 a = deg * M_PI / 180;
            const f64 n[3] = {std::cos(a) * std::cos(yaw), std::cos(a) * std::sin(yaw), std::sin(a)};
            for (f64 beta : {1.570796327, 1.2}) {
                torus_silhouette(A, Rt, beta, n, 41, pts.data(), st);
                if (beta < 1.5 && deg > 60) {
                    // The cone of normals never turns across so steep a direction.
                    EXPECT_EQ(st, -1);
                    continue;
                }
                ASSERT_EQ(st, 0);
                for (i32 k = 0; k < 41; ++k) {
                    const f64* p = &pts[3 * k];
                    // On the torus, with its normal across the direction.
                    const f64 rad = std::hypot(p[0], p[1]);
                    const f64 dr = rad - A, dz = p[2] - Rt;
                    EXPECT_NEAR(std::hypot(dr, dz), Rt, 1e-9);
                    const f64 nrm[3] = {dr / Rt * p[0] / rad, dr / Rt * p[1] / rad, dz / Rt};
                    EXPECT_NEAR(nrm[0] * n[0] + nrm[1] * n[1] + nrm[2] * n[2], 0.0, 1e-9);
                    if (beta > 1.5) { EXPECT_LE(p[2], Rt + 1e-9); }  // the lower half
                }
                // In turn from the first root to the second.
                for (i32 k = 1; k < 41; ++k) {
                    f64 d = std::atan2(pts[3 * k + 1], pts[3 * k]) - std::atan2(pts[3 * k - 2], pts[3 * k - 3]);
                    d = std::remainder(d, 2 * M_PI);
                    EXPECT_GT(d, 0.0) << deg << " " << yaw << " " << beta << " " << k;
                }
                if (beta > 1.5) {
                    // From one side across to the other, through the front in the middle.
                    const f64 side = std::hypot(pts[0], pts[1]);
                    EXPECT_NEAR(side, A + Rt, 1e-9);
                    const f64* mid = &pts[3 * 20];
                    EXPECT_NEAR(std::atan2(mid[1], mid[0]), yaw, 1e-9);
                }
            }
        }
    }
    const f64 up[3] = {0, 0, 1}, flat[3] = {1, 0, 0};
    torus_silhouette(A, Rt, 1.570796327, up, 41, pts.data(), st);
    EXPECT_EQ(st, -1);
    torus_silhouette(A, Rt, 1.570796327, flat, 41, pts.data(), st);
    EXPECT_EQ(st, -1);
    const f64 ok[3] = {0.6, 0, 0.8};
    torus_silhouette(A, Rt, 1.570796327, ok, 40, pts.data(), st);
    EXPECT_EQ(st, -1);  // an even count
}

}  // namespace
