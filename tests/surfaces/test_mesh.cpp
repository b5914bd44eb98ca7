// Triangulation of single surfaces: patches, chordal tolerance, side limit, trim loops.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"
#include "surfaces/mesh.h"
#include "surfaces/srfbuf.h"
#include "tests/surfaces/shapes.h"

namespace {

std::vector<f64> buf(SB_CAP);

SrfMesh mesh_of(const std::string& ent, i32 id, f64 tol, f64 side = 0.0, i32* status = nullptr)
{
    norak::reset();
    norak::load_session_text(shapes::session({ent}));
    i32 st = 0;
    LDSRFB(id, buf.data(), st);
    EXPECT_EQ(st, 0);
    SrfMesh m;
    SRFMSH(buf.data(), id, tol, side, m, nullptr, st);
    if (status) *status = st;
    else EXPECT_EQ(st, 0);
    return m;
}

// Foot of the perpendicular from q on the surface by Gauss-Newton from (u, v).
f64 surface_distance(const f32* q, f64 u, f64 v)
{
    f64 e[12];
    i32 st = 0;
    f64 u0 = buf[SB_LIM], u1 = u0 + buf[SB_LIM + 1], v0 = buf[SB_LIM + 3], v1 = v0 + buf[SB_LIM + 4];
    for (int it = 0; it < 12; ++it) {
        evsrfd(buf.data(), u, v, 1, e, st);
        f64 r[3] = {e[0] - q[0], e[1] - q[1], e[2] - q[2]};
        f64 a = 0, b = 0, c = 0, g1 = 0, g2 = 0;
        for (int k = 0; k < 3; ++k) {
            a += e[3 + k] * e[3 + k];
            b += e[3 + k] * e[6 + k];
            c += e[6 + k] * e[6 + k];
            g1 += r[k] * e[3 + k];
            g2 += r[k] * e[6 + k];
        }
        f64 det = a * c - b * b;
        if (!(std::fabs(det) > 1e-30)) break;
        f64 du = (c * g1 - b * g2) / det, dv = (a * g2 - b * g1) / det;
        u = std::clamp(u - du, u0, u1);
        v = std::clamp(v - dv, v0, v1);
        if (std::fabs(du) < 1e-13 && std::fabs(dv) < 1e-13) return std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
    }
    evsrfd(buf.data(), u, v, 0, e, st);
    return std::sqrt((e[0] - q[0]) * (e[0] - q[0]) + (e[1] - q[1]) * (e[1] - q[1]) + (e[2] - q[2]) * (e[2] - q[2]));
}

// Largest distance of the triangles from the true surface over a dense
// barycentric grid of each triangle.
f64 worst_distance(const SrfMesh& m, f64 (*exact)(const f32*) = nullptr)
{
    f64 worst = 0;
    const int G = exact ? 6 : 4;
    for (size_t t = 0; t < m.tri.size(); t += 3) {
        const i32* v = &m.tri[t];
        for (int i = 0; i <= G; ++i)
            for (int j = 0; i + j <= G; ++j) {
                f64 b[3] = {f64(i) / G, f64(j) / G, 1.0 - f64(i + j) / G};
                f32 q[3];
                f64 u = 0, w = 0;
                for (int k = 0; k < 3; ++k) {
                    q[k] = 0;
                    for (int c = 0; c < 3; ++c) q[k] += static_cast<f32>(b[c] * m.xyz[3 * (v[c] - 1) + k]);
                    u += b[k] * m.uv[2 * (v[k] - 1)];
                    w += b[k] * m.uv[2 * (v[k] - 1) + 1];
                }
                f64 d = exact ? exact(q) : surface_distance(q, u, w);
                worst = std::max(worst, d);
            }
    }
    return worst;
}

f64 cyl20(const f32* q) { return std::fabs(std::hypot(f64(q[0]), f64(q[1])) - 20.0); }
f64 sph25(const f32* q) { return std::fabs(std::sqrt(f64(q[0]) * q[0] + f64(q[1]) * q[1] + f64(q[2]) * q[2]) - 25.0); }

TEST(Mesh, PlaneGivesTwoTrianglesPerPatch)
{
    SrfMesh m = mesh_of(shapes::plane(1, 0, 0, 0, 100, 60), 1, 0.01);
    EXPECT_EQ(m.patches, 1);
    EXPECT_EQ(m.tri.size(), 6u);
    // a NURBS plane of 3 x 2 knot spans: six patches, twelve triangles
    std::string np = "{\"kind\":\"nurbs_surface\",\"id\":2,\"degree\":[1,1],\"counts\":[4,3],"
                     "\"u_knots\":[0,0,1,2,3,3],\"v_knots\":[0,0,1,2,2],\"points\":[";
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 4; ++i) np += std::string(i + j ? "," : "") + "[" + std::to_string(10 * i) + "," + std::to_string(10 * j) + ",5]";
    np += "]}";
    m = mesh_of(np, 2, 0.001);
    EXPECT_EQ(m.patches, 6);
    EXPECT_EQ(m.tri.size(), 36u);
}

TEST(Mesh, CurvedSurfacesStayWithinTheChordalTolerance)
{
    SrfMesh m = mesh_of(shapes::nurbs_cylinder(1, 20.0, 0.0, 40.0), 1, 0.01);
    EXPECT_LE(worst_distance(m, cyl20), 0.01);
    size_t coarse = m.tri.size();
    m = mesh_of(shapes::nurbs_cylinder(1, 20.0, 0.0, 40.0), 1, 0.005);
    EXPECT_LE(worst_distance(m, cyl20), 0.005);
    EXPECT_GE(m.tri.size(), coarse);

    m = mesh_of(shapes::nurbs_sphere(2, 25.0), 2, 0.01);
    EXPECT_LE(worst_distance(m, sph25), 0.01);
    // the normals of the nodes are unit and point outward, the poles too
    for (size_t k = 0; k < m.xyz.size(); k += 3) {
        f64 r = std::sqrt(f64(m.xyz[k]) * m.xyz[k] + f64(m.xyz[k + 1]) * m.xyz[k + 1] + f64(m.xyz[k + 2]) * m.xyz[k + 2]);
        f64 dot = (m.xyz[k] * m.nrm[k] + m.xyz[k + 1] * m.nrm[k + 1] + m.xyz[k + 2] * m.nrm[k + 2]) / r;
        EXPECT_NEAR(dot, 1.0, 1e-3);
    }

    m = mesh_of(shapes::freeform(3), 3, 0.01);
    EXPECT_LE(worst_distance(m), 0.01);
    size_t ff = m.tri.size();
    m = mesh_of(shapes::freeform(3), 3, 0.005);
    EXPECT_GE(m.tri.size(), ff);
}

TEST(Mesh, SideLimitHoldsOnEveryEdge)
{
    SrfMesh m = mesh_of(shapes::freeform(3), 3, 0.05, 2.0);
    for (size_t t = 0; t < m.tri.size(); t += 3)
        for (int k = 0; k < 3; ++k) {
            const f32* a = &m.xyz[3 * (m.tri[t + k] - 1)];
            const f32* b = &m.xyz[3 * (m.tri[t + (k + 1) % 3] - 1)];
            EXPECT_LE(std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2])), 2.0f);
        }
}

TEST(Mesh, TrimmedPlaneKeepsOutOfItsHole)
{
    std::string ent = shapes::plane(4, 0, 0, 0, 100, 100, ",\"tolerance\":0.001,\"loops\":[{\"points\":[[0,0],[100,0],[100,100],[0,100]]},"
                                                          "{\"circle\":{\"center\":[50,50],\"radius\":20}}]");
    SrfMesh m = mesh_of(ent, 4, 0.01);
    f64 area = 0;
    for (size_t t = 0; t < m.tri.size(); t += 3) {
        const f32 *a = &m.xyz[3 * (m.tri[t] - 1)], *b = &m.xyz[3 * (m.tri[t + 1] - 1)], *c = &m.xyz[3 * (m.tri[t + 2] - 1)];
        f64 s = 0.5 * ((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]));
        EXPECT_GT(s, 0.0);
        area += s;
        f64 cx = (a[0] + b[0] + c[0]) / 3 - 50, cy = (a[1] + b[1] + c[1]) / 3 - 50;
        EXPECT_GT(std::hypot(cx, cy), 19.99);
    }
    // the chords of the hole lie within 0.001 inside the circle
    f64 exact = 10000.0 - 400.0 * M_PI;
    EXPECT_LE(area, exact + 2 * M_PI * 20 * 0.001 + 1e-6);
    EXPECT_GE(area, exact - 1e-6);
}

TEST(Mesh, TrimmedCylinderStaysWithinTheToleranceAndOutOfItsHole)
{
    std::string ent = shapes::nurbs_cylinder(6, 20.0, 0.0, 40.0, 0, 0,
                                             ",\"tolerance\":0.001,\"loops\":[{\"points\":[[0.05,0.1],[0.7,0.1],[0.7,0.9],[0.05,0.9]]},"
                                             "{\"circle\":{\"center\":[0.3,0.5],\"radius\":0.1}}]");
    SrfMesh m = mesh_of(ent, 6, 0.01);
    EXPECT_LE(worst_distance(m, cyl20), 0.01);
    for (size_t t = 0; t < m.tri.size(); t += 3) {
        f64 u = 0, v = 0;
        for (int k = 0; k < 3; ++k) {
            u += m.uv[2 * (m.tri[t + k] - 1)] / 3;
            v += m.uv[2 * (m.tri[t + k] - 1) + 1] / 3;
        }
        EXPECT_GT(std::hypot(u - 0.3, v - 0.5), 0.099);  // outside the hole's chords
        EXPECT_GE(u, 0.05);
        EXPECT_LE(u, 0.7);
    }
}

TEST(Mesh, DegenerateSurfaceIsReported)
{
    i32 st = 0;
    std::string flat = "{\"kind\":\"plane_patch\",\"id\":5,\"origin\":[0,0,0],\"u_axis\":[1,0,0],\"v_axis\":[0,0,0]}";
    mesh_of(flat, 5, 0.01, 0.0, &st);
    EXPECT_EQ(st, 1);
}

// A surface that stops evaluating while it is refined (its buffer spoilt
// from the poll) is refused as a whole: no node is made of values the
// evaluation never wrote.
TEST(Mesh, EvaluationFailingDuringRefinementRefusesTheSurface)
{
    static i32 polls = 0;
    polls = 0;
    norak::reset();
    norak::load_session_text(shapes::session({shapes::nurbs_sphere(2, 25.0)}));
    i32 st = 0;
    LDSRFB(2, buf.data(), st);
    ASSERT_EQ(st, 0);
    const f64 tag = buf[SB_TAG];
    SrfMesh m;
    SRFMSH(buf.data(), 2, 0.001, 0.0, m, [] {
        if (++polls == 1) buf[SB_TAG] = 0.0;
    }, st);
    buf[SB_TAG] = tag;
    ASSERT_GE(polls, 1);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(m.tri.empty());
    EXPECT_TRUE(norak::transcript_has("[allsrf] SURFACE CANNOT BE EVALUATED: "));
}

TEST(Mesh, EarClippingOfAPolygonWithTwoHoles)
{
    std::vector<std::vector<f64>> loops = {{0, 0, 10, 0, 10, 10, 0, 10}, {2, 2, 2, 4, 4, 4, 4, 2}, {6, 6, 8, 6, 8, 8, 6, 8}};
    std::vector<i32> tri;
    ASSERT_TRUE(POLTRI(loops, tri));
    std::vector<f64> p;
    for (auto& l : loops) p.insert(p.end(), l.begin(), l.end());
    f64 area = 0;
    for (size_t t = 0; t < tri.size(); t += 3) {
        const f64 *a = &p[2 * tri[t]], *b = &p[2 * tri[t + 1]], *c = &p[2 * tri[t + 2]];
        f64 s = 0.5 * ((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]));
        EXPECT_GT(s, 0.0);
        area += s;
    }
    EXPECT_NEAR(area, 100.0 - 4.0 - 4.0, 1e-9);
}

}  // namespace

// The square limit of the refinement's deviation test answers as the root
// does, for every square: at the limits' own squares and the numbers beside
// them, far from them, and for the squares no root handles (negative, not a
// number, infinite), over limits from the smallest to the largest.
TEST(Mesh, SquareLimitAnswersAsTheRoot)
{
    std::mt19937_64 rng(1210);
    std::uniform_real_distribution<f64> mant(0.5, 1.0);
    std::uniform_int_distribution<int> expo(-1074, 1023);
    std::vector<f64> lims = {0.0, 5e-324, 1e-170, 1e-162, 1e-155, 0.0009, 0.009, 1.0, 3.7, 1e154, 1e300, DBL_MAX, HUGE_VAL};
    for (int k = 0; k < 20000; ++k) lims.push_back(k % 2 ? std::ldexp(mant(rng), expo(rng)) : 0.9 * 0.001 * mant(rng));
    for (f64 lim : lims) {
        const f64 t = root_limit(lim);
        ASSERT_FALSE(std::isnan(t)) << lim;
        std::vector<f64> ds = {-1.0, -0.0, 0.0, std::nan(""), HUGE_VAL, DBL_MAX, 5e-324, t, lim * lim};
        for (f64 base : {t, lim * lim}) {
            f64 lo = base, hi = base;
            for (int j = 0; j < 4; ++j) ds.push_back(lo = std::nextafter(lo, 0.0)), ds.push_back(hi = std::nextafter(hi, HUGE_VAL));
        }
        for (int j = 0; j < 8; ++j) ds.push_back(lim * lim * mant(rng) * 2.0);
        for (f64 d : ds) ASSERT_EQ(std::sqrt(d) > lim, d > t) << "limit " << lim << ", square " << d;
    }
    EXPECT_TRUE(std::isnan(root_limit(-1.0)));
    EXPECT_TRUE(std::isnan(root_limit(std::nan(""))));
}
