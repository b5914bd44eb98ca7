// The tool along a tilted axis: the drop in the tool's frame against the
// reference drop of a vertical tool over the triangles turned so that the
// axis points up (the turn about the axis changes nothing), for the tool
// kinds over a hemisphere on a plate; and the reach of a tilted tool over
// the quadtree's nodes against every triangle the tool can touch.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "common/dropref.h"
#include "common/meshes.h"
#include "common/positioning.h"
#include "common/tooldefs.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/qtreach.h"
#include "surfaces/qtcell.h"
#include "surfaces/trimodel.h"

namespace {

// An orthonormal frame whose third axis is a.
void frame_of(const double* a, double* e1, double* e2)
{
    const double t[3] = {std::fabs(a[0]) < 0.9 ? 1.0 : 0.0, std::fabs(a[0]) < 0.9 ? 0.0 : 1.0, 0.0};
    e1[0] = t[1] * a[2] - t[2] * a[1], e1[1] = t[2] * a[0] - t[0] * a[2], e1[2] = t[0] * a[1] - t[1] * a[0];
    const double l = std::sqrt(e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2]);
    for (int k = 0; k < 3; ++k) e1[k] /= l;
    e2[0] = a[1] * e1[2] - a[2] * e1[1], e2[1] = a[2] * e1[0] - a[0] * e1[2], e2[2] = a[0] * e1[1] - a[1] * e1[0];
}

double dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

class Axis : public ::testing::Test {
protected:
    void SetUp() override { positioning::reset(); }
    void TearDown() override
    {
        LOCAXM = 0;
        FRETRI();
    }
};

TEST_F(Axis, TiltedDropsMatchTheTurnedReference)
{
    auto ms = meshes::hemisphere_on_plate(20.0, 30.0, 6000);
    ASSERT_EQ(meshes::build(ms), 0);
    const std::vector<double> soup = meshes::soup(ms);
    std::mt19937 g(5);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    const f32 tol = 0.01f;
    int checked = 0;
    double worst = 0;
    for (const auto& kind : positioning::KINDS) {
        if (kind.taper > 0) continue;  // the taper's flank is not turned with the frame
        tooldefs::use_mill(kind.d, kind.r, kind.l, kind.taper);
        for (int ax = 0; ax < 6; ++ax) {
            // An axis up to 35 degrees off the vertical.
            const double tilt = (5.0 + 30.0 * (0.5 + 0.5 * u(g))) * M_PI / 180.0, az = M_PI * u(g);
            const double a[3] = {std::sin(tilt) * std::cos(az), std::sin(tilt) * std::sin(az), std::cos(tilt)};
            double e1[3], e2[3];
            frame_of(a, e1, e2);
            std::vector<double> turned(soup.size());
            for (size_t k = 0; k < soup.size(); k += 3) {
                const double* q = &soup[k];
                turned[k] = dot(q, e1), turned[k + 1] = dot(q, e2), turned[k + 2] = dot(q, a);
            }
            dropref::Buckets bk;
            bk.build(turned, 3.0);
            for (int i = 0; i < 60; ++i) {
                const double P[3] = {18 * u(g), 18 * u(g), 40.0};
                const f32 up[3] = {static_cast<f32>(a[0]), static_cast<f32>(a[1]), static_cast<f32>(a[2])};
                LOCSET(-1, up, up, 1, 0.0f, tol);
                LOCAXM = 1;
                for (int c = 0; c < 3; ++c) LOCTAX[c] = up[c], LOCAN1[c] = LOCAN2[c] = up[c];
                f32 p[3] = {static_cast<f32>(P[0]), static_cast<f32>(P[1]), static_cast<f32>(P[2])}, res[3], con[3],
                    nrm[3];
                i32 srf = 0, st = 0;
                PNTNET(0, p, tol, 0.0f, 0.0f, res, con, nrm, srf, st);
                LOCAXM = 0;
                const double q[2] = {dot(P, e1), dot(P, e2)};
                const double h = bk.drop_all(kind.ref, q);
                if (h == dropref::NONE) continue;
                ASSERT_TRUE(st == 0 || st == 4) << kind.name << " status " << st;
                // The tip on the axis through P at the reference height.
                const double t = h - dot(P, a);
                const double want[3] = {P[0] + t * a[0], P[1] + t * a[1], P[2] + t * a[2]};
                const double err = std::hypot(std::hypot(res[0] - want[0], res[1] - want[1]), res[2] - want[2]);
                worst = std::max(worst, err);
                ASSERT_LT(err, 2e-4) << kind.name << " axis " << a[0] << " " << a[1] << " " << a[2] << " at " << P[0]
                                     << " " << P[1];
                ++checked;
            }
        }
    }
    std::printf("MEASURE tilted drops: %d positions, largest distance from the reference %.2e\n", checked, worst);
    EXPECT_GE(checked, 500);
}

// In tool-axis mode the drop answers the tool-side normal at the winning
// contact. With an allowance the grown tool touches a slope where its corner
// (or ball) centre, the real tool's, stands on the slope's normal through
// the contact: the answer is the slope's normal, pointing from the contact
// to that centre.
TEST_F(Axis, ToolSideNormalWithAnAllowanceIsTheSlopes)
{
    auto ms = std::vector<meshes::Mesh>{meshes::grid(-40, -40, 40, 40, 4, 4, [](f64 x, f64 y) { return 0.5 * x + 0.2 * y; })};
    ASSERT_EQ(meshes::build(ms), 0);
    const double sl = std::sqrt(1.0 + 0.25 + 0.04), want[3] = {-0.5 / sl, -0.2 / sl, 1.0 / sl};
    const f32 up[3] = {0, 0, 1}, tol = 0.01f;
    for (const auto& kind : positioning::KINDS) {
        if (kind.taper > 0) continue;
        tooldefs::use_mill(kind.d, kind.r, kind.l, kind.taper);
        for (const f32 e : {0.0f, 0.5f, 2.0f}) {
            LOCSET(-1, up, up, 1, 0.0f, tol);
            LOCAXM = 1;
            for (int c = 0; c < 3; ++c) LOCTAX[c] = LOCAN1[c] = LOCAN2[c] = up[c];
            f32 p[3] = {1.0f, 2.0f, 40.0f}, res[3], con[3], nrm[3];
            i32 srf = 0, st = 0;
            PNTNET(0, p, tol, e, e, res, con, nrm, srf, st);
            LOCAXM = 0;
            ASSERT_EQ(st, 0) << kind.name << " " << e;
            // A flat end's sharp rim, not grown round, has no one normal.
            if (kind.r == 0.0f && e == 0.0f) continue;
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(nrm[c], want[c], 1e-5) << kind.name << " " << e << " " << c;
            if (kind.r == 0.0f) continue;
            // From the contact on the real tool to its corner centre.
            const double ux = con[0] - res[0], uy = con[1] - res[1], ul = std::hypot(ux, uy);
            const double ring = kind.d * 0.5 - kind.r;
            const double k[3] = {res[0] + ring * ux / ul, res[1] + ring * uy / ul, res[2] + kind.r};
            for (int c = 0; c < 3; ++c) EXPECT_NEAR((k[c] - con[c]) / kind.r, want[c], 1e-4) << kind.name << " " << e;
        }
    }
}

// The nodes a tilted tool reaches: every triangle that the tool standing
// over a point can touch (its turned XY box within the tool's reach of the
// turned point) lies in a node the gathering lists.
TEST_F(Axis, TiltedReachListsEveryNodeATriangleInReachLiesIn)
{
    auto ms = std::vector<meshes::Mesh>{meshes::terrain(100.0, 40), meshes::random_triangles(1500, 100.0, 10.0, 6.0, 9)};
    ms[1].id = 2;
    ASSERT_EQ(meshes::build(ms), 0);
    tooldefs::use_mill(10.0f, 2.0f);
    std::mt19937 g(3);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<i32> rows(QT_NODES * QC_ROW);
    int listed = 0, checked = 0;
    for (int k = 0; k < 800; ++k) {
        // Every tenth axis vertical: the node's box against the tool's square.
        const double tilt = k % 10 == 0 ? 0.0 : 40.0 * (0.5 + 0.5 * u(g)) * M_PI / 180.0, az = M_PI * u(g);
        const f32 a[3] = {static_cast<f32>(std::sin(tilt) * std::cos(az)), static_cast<f32>(std::sin(tilt) * std::sin(az)),
                          static_cast<f32>(std::cos(tilt))};
        LOCSET(-1, a, a, 1, 0.0f, 0.01f);
        LOCAXM = 1;
        for (int c = 0; c < 3; ++c) LOCTAX[c] = a[c];
        ASSERT_TRUE(LOCTOL(0.0f, 0.0f));
        LOCRCH = 5.0f;  // the reach a drop of this tool sets: half its diameter
        f32 p[3] = {static_cast<f32>(50 + 50 * u(g)), static_cast<f32>(50 + 50 * u(g)), 12.0f};
        const f32 dummy[3] = {0, 0, 0};
        i32 rcount = 0, st = 0;
        const i32 box[4] = {0, 0, 0, 0};
        qt_collect_axis(box, p, rcount, rows.data(), st);
        ASSERT_EQ(st, 0);
        std::vector<char> in(QT_NODES, 0);
        for (i32 r = 0; r < rcount; ++r) in[size_t(rows[size_t(r * QC_ROW + QC_NODE)])] = 1;
        listed += rcount;
        // Brute force: the triangles whose corners come within the tool's
        // reach of the axis through p (distance across the axis).
        const double ad[3] = {a[0], a[1], a[2]};
        for (i32 n = 0; n < QT_NODES; ++n) {
            const i32* e = qtnbas(n);
            for (i32 t = 0; e && t < qtrow(n)[QT_COUNT]; ++t, e += TRG_WORDS) {
                bool near = false;
                for (i32 v = 0; v < 3 && !near; ++v) {
                    const f32* q = nodbas() + 3 * (e[TRG_NODE + v] - 1);
                    const double w[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
                    const double along = dot(w, ad);
                    const double across = std::sqrt(std::max(0.0, dot(w, w) - along * along));
                    near = across < 5.0 && along > -1.0;
                }
                if (!near) continue;
                ++checked;
                EXPECT_TRUE(in[size_t(n)]) << "node " << n << " not reached, axis " << a[0] << " " << a[1] << " " << a[2];
            }
        }
        (void)dummy;
        LOCRST();
    }
    LOCAXM = 0;
    std::printf("MEASURE tilted reach: %d nodes listed, %d triangles in reach checked\n", listed, checked);
    EXPECT_GE(checked, 900);
}

}  // namespace
