// The exact clearance of a general tool over triangles: signed distances of
// one triangle against the reference of clearref.h for every tool shape, and
// the loop over the triangles under the tool.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "clearref.h"
#include "common/meshes.h"
#include "common/positioning.h"
#include "common/tooldefs.h"
#include "core/host.h"
#include "core/params.h"
#include "core/proc.h"
#include "cutter/cntcas.h"
#include "cutter/cntsol.h"
#include "cutter/congeo.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/under.h"
#include "platform/norak/norak.h"
#include "surfaces/svap.h"
#include "surfaces/trimodel.h"
#include "tools/toolcache.h"

namespace {

constexpr double PI = 3.141592653589793;

struct Kind {
    const char* name;
    double tool[5];  // D, r, L, a, e as the solver takes them
    clearref::Tool ref;
    int shape, sub;
    int triangles;
    const char* slots;  // elements that must win somewhere: y, o, c, t, b, s
    double slack = 1.0;  // the bound, in units of 1e-7 of the triangle's size
};

// Diameter of a tapered tool whose corner reaches the axis.
double ball_diameter(double r, double a)
{
    const double hb = (a + 1.5707963267948966) * 0.5;
    return 2.0 * (r / (std::sin(hb) / std::cos(hb)));
}

Kind untapered(const char* name, double R, double r, double e, int shape, int n, const char* slots)
{
    return Kind{name, {2 * R, r, 30.0, 0.0, e}, clearref::mill(R, r, e), shape, 0, n, slots};
}

Kind tapered(const char* name, double D, double r, double L, double deg, double e, int sub, int n, const char* slots)
{
    const double a = deg * PI / 180.0;
    return Kind{name, {D, r, L, a, e}, clearref::taper(D, r, L, a, e), SHP_TAPER, sub, n, slots};
}

// A ball-tipped tapered tool whose diameter went through single precision:
// measured as the exact ball tip, to within the diameter's rounding.
Kind rounded(const char* name, double r, double L, double deg, int side, int sub)
{
    const double a = deg * PI / 180.0, D = ball_diameter(r, a);
    f32 d = f32(D);
    if (side) d = std::nextafter(d, side < 0 ? 0.0f : 1e9f);
    return Kind{name, {d, r, L, a, 0.0}, clearref::taper(D, r, L, a, 0.0), SHP_TAPER, sub, 1000, "", 10.0};
}

std::vector<Kind> kinds()
{
    const double b7 = ball_diameter(2.0, 10.0 * PI / 180.0), b8 = ball_diameter(3.0, PI / 6);
    return {
        untapered("flat", 5.0, 0.0, 0.0, SHP_FLAT, 10000, "ytb"),
        untapered("ball", 5.0, 5.0, 0.0, SHP_BALL, 10000, "ys"),
        untapered("torus", 5.0, 1.5, 0.0, SHP_TORUS, 10000, "ytb"),
        tapered("taper5", 6.0, 1.0, 20.0, 10.0, 0.0, SUB_FLAT, 10000, "yoctb"),
        tapered("taper6", 10.0, 1.0, 2.0, 20.0, 0.0, SUB_SHORT, 10000, "yoctb"),
        tapered("taper7", b7, 2.0, 15.0, 10.0, 0.0, SUB_BALL, 10000, "yocs"),
        tapered("taper8", b8, 3.0, 2.5, 30.0, 0.0, SUB_HIGHBALL, 10000, "yocs"),
        // allowances, a sharp corner, a steep flank whose bottom bisector
        // reaches the axis above the flank's top
        untapered("torus+e", 5.0, 1.5, 0.4, SHP_TORUS, 1000, ""),
        untapered("torus-e", 5.0, 1.5, -0.5, SHP_TORUS, 1000, ""),
        untapered("flat+e", 5.0, 0.0, 0.3, SHP_TORUS, 1000, ""),
        untapered("flat-e", 5.0, 0.0, -0.5, SHP_FLAT, 1000, ""),
        tapered("taper5+e", 6.0, 1.0, 20.0, 10.0, 0.3, SUB_FLAT, 1000, ""),
        tapered("taper6+e", 10.0, 1.0, 2.0, 20.0, 0.3, SUB_SHORT, 1000, ""),
        tapered("taper7+e", b7, 2.0, 15.0, 10.0, 0.25, SUB_BALL, 1000, ""),
        tapered("taper8+e", b8, 3.0, 2.5, 30.0, 0.2, SUB_HIGHBALL, 1000, ""),
        tapered("taper5 sharp", 4.0, 0.0, 12.0, 30.0, 0.0, SUB_FLAT, 1000, ""),
        tapered("taper5 steep", 2.5118347201329949, 0.40847174177386014, 1.6827222089075082, 19.485, 0.0, SUB_FLAT,
                3000, ""),
        rounded("taper7 f32", 2.0, 15.0, 10.0, 0, SUB_BALL),
        rounded("taper7 f32-", 2.0, 15.0, 10.0, -1, SUB_BALL),
        rounded("taper7 f32+", 2.0, 15.0, 10.0, 1, SUB_BALL),
        rounded("taper8 f32-", 3.0, 2.5, 30.0, -1, SUB_HIGHBALL),
        rounded("taper8 f32+", 3.0, 2.5, 30.0, 1, SUB_HIGHBALL),
    };
}

// Random triangles around a tool standing at the origin, of four families;
// the answer tells the edges through the axis apart: 0 level, 1 steeper than
// any flank, 2 any slope, 3 along the axis; -1 for the other families.
const char* FAMILY[] = {"general", "large tilted", "thin", "edge through the axis"};

int triangle(std::mt19937& g, int family, double size, double height, double* v)
{
    std::uniform_real_distribution<double> u(0.0, 1.0);
    auto in_box = [&](double* p) {
        p[0] = (u(g) - 0.5) * 3.0 * size;
        p[1] = (u(g) - 0.5) * 3.0 * size;
        p[2] = (u(g) - 0.45) * height;
    };
    switch (family) {
    case 0:
        for (int j = 0; j < 3; ++j) in_box(v + 3 * j);
        if (g() % 4 == 0) v[3] = v[0], v[4] = v[1];  // a vertical edge
        return -1;
    case 1: {
        // a plane through a point near the axis, tilted up to 80 degrees,
        // cut as a triangle around the axis of ten tool sizes
        double c[3];
        in_box(c);
        c[0] *= 0.3, c[1] *= 0.3;
        double tilt = u(g) * 80.0 * PI / 180.0, az = u(g) * 2 * PI;
        double n[3] = {std::sin(tilt) * std::cos(az), std::sin(tilt) * std::sin(az), std::cos(tilt)};
        double a[3] = {-n[1], n[0], 0.0};
        double al = std::hypot(a[0], a[1]);
        if (al < 1e-9) a[0] = 1, a[1] = 0, al = 1;
        a[0] /= al, a[1] /= al;
        double b[3] = {n[1] * a[2] - n[2] * a[1], n[2] * a[0] - n[0] * a[2], n[0] * a[1] - n[1] * a[0]};
        double R = 10.0 * size, ph = u(g) * 2 * PI;
        for (int j = 0; j < 3; ++j) {
            double t = ph + j * 2 * PI / 3;
            for (int k = 0; k < 3; ++k) v[3 * j + k] = c[k] + R * (std::cos(t) * a[k] + std::sin(t) * b[k]);
        }
        return -1;
    }
    case 2: {
        // two vertices close together, the third far: a sliver
        in_box(v);
        in_box(v + 6);
        double w = (u(g) < 0.5 ? 1e-3 : 0.05) * size;
        for (int k = 0; k < 3; ++k) v[3 + k] = v[k] + (u(g) - 0.5) * w;
        if (g() % 4 == 0) v[3] = v[0], v[4] = v[1];  // a vertical edge
        return -1;
    }
    default: {
        // an edge through the axis: level, steeper than the flank, any, or
        // along the axis
        double z = (u(g) - 0.3) * height, az = u(g) * 2 * PI;
        int m = g() % 4;
        if (m == 3) {
            const double z1 = z + (u(g) - 0.5) * height;
            const double e[6] = {0, 0, z, 0, 0, z1};
            for (int k = 0; k < 6; ++k) v[k] = e[k];
            in_box(v + 6);
            return m;
        }
        double slope = m == 0 ? 0.0 : (m == 1 ? (u(g) < 0.5 ? 1 : -1) * (3.0 + 20.0 * u(g)) : (u(g) - 0.5) * 4.0);
        double d[3] = {std::cos(az), std::sin(az), slope};
        double s0 = u(g) * 2.0 * size, s1 = u(g) * 2.0 * size;
        double dl = std::sqrt(1 + slope * slope);
        s0 /= dl, s1 /= dl;
        for (int k = 0; k < 3; ++k) {
            v[k] = (k == 2 ? z : 0.0) - s0 * d[k];
            v[3 + k] = (k == 2 ? z : 0.0) + s1 * d[k];
        }
        in_box(v + 6);
        if (g() % 4 == 0)  // a vertical triangle through the axis line
            for (int k = 0; k < 2; ++k) v[6 + k] = v[k] + (v[3 + k] - v[k]) * u(g);
        return m;
    }
    }
}

double longest(const double* v)
{
    double m = 0;
    for (int j = 0; j < 3; ++j) {
        const double* a = v + 3 * j;
        const double* b = v + 3 * ((j + 1) % 3);
        m = std::max(m, std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                                  (a[2] - b[2]) * (a[2] - b[2])));
    }
    return std::max(m, 1.0);
}

// Tool radius and height around which the triangles are spread.
void spread(const double* tool, double& size, double& height)
{
    const bool tapered = tool[3] > 0.0001;
    size = tapered ? tool[0] * 0.5 + tool[2] * std::tan(tool[3]) + std::max(tool[4], 0.0) : tool[0] * 0.5;
    size = std::max(size, 1e-3);
    height = tapered ? 1.5 * (tool[2] + size) : 3.0 * size;
}

// Measures n triangles against the reference: the count of those outside
// the bound, and of those whose signs differ beyond it.
struct Tally {
    int bad = 0, signs = 0, points = 0, faces[4] = {0}, pos = 0, neg = 0, axis[4] = {0};
    int won[CNT_SLOTS] = {0};
    double worst = 0;
};

void measure(const double* tool, const clearref::Tool& ref, int n, std::mt19937& g, const char* name, Tally& t,
             double slack = 1.0)
{
    std::uniform_real_distribution<double> u(-10.0, 10.0);
    double size = 0, height = 0;
    spread(tool, size, height);
    for (int i = 0; i < n; ++i) {
        const int fam = i % 4;
        double v[9];
        const int m = triangle(g, fam, size, height, v);
        // the tool stands anywhere: the triangle moves with it
        const double tip[3] = {u(g), u(g), u(g)};
        for (int j = 0; j < 9; ++j) v[j] += tip[j % 3];
        double d = 0, pts[6];
        CNTSLV(tool, tip, v, d, pts);
        for (int s = 0; s < CNT_SLOTS; ++s)
            if (CNTSOL.RES[s].F == 0 && CNTSOL.RES[s].D == d) {
                t.won[s]++;
                break;
            }
        if (CNTFCE()) t.faces[fam]++;  // the face case, run again on the same set-up
        const double r = clearref::clearance(ref, tip, v);
        const double bound = 1e-7 * slack * longest(v);
        // the two points realise the distance: the part point lies on the
        // triangle at that signed distance, the tool point on the tool
        const double* Q = pts;
        const double* P = pts + 3;
        if (d < 1e25 && (clearref::off_triangle(v, P) > bound || std::fabs(clearref::sdf(ref, tip, P) - d) > bound ||
                         std::fabs(clearref::sdf(ref, tip, Q)) > bound ||
                         std::fabs(std::sqrt((P[0] - Q[0]) * (P[0] - Q[0]) + (P[1] - Q[1]) * (P[1] - Q[1]) +
                                             (P[2] - Q[2]) * (P[2] - Q[2])) - std::fabs(d)) > bound)) {
            if (t.points < 3)
                std::printf("%s, %s: points of %.12g: P %.12g %.12g %.12g Q %.12g %.12g %.12g\n", name, FAMILY[fam], d,
                            P[0], P[1], P[2], Q[0], Q[1], Q[2]);
            ++t.points;
        }
        if (std::fabs(d - r) > bound) {
            if (t.bad < 3)
                std::printf("%s, %s: solver %.12g reference %.12g\n  {%.17g,%.17g,%.17g, %.17g,%.17g,%.17g, "
                            "%.17g,%.17g,%.17g}\n",
                            name, FAMILY[fam], d, r, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
            ++t.bad;
            t.worst = std::max(t.worst, std::fabs(d - r) / bound);
        }
        if (std::fabs(r) > bound) {
            if ((d > 0) != (r > 0)) ++t.signs;
            (r > 0 ? t.pos : t.neg)++;
        }
        if (m >= 0) t.axis[m]++;
    }
}

TEST(Clearance, SignedDistancesAgreeWithTheReference)
{
    const char* letters = "yoctbs";
    for (const Kind& k : kinds()) {
        std::mt19937 g(12345);
        // The solver measures every kind; the exact road leaves sub-shape 8
        // to the drop.
        ASSERT_EQ(CNTSET(0, k.tool), k.shape == SHP_TAPER && k.sub == SUB_HIGHBALL ? 0 : 1) << k.name;
        EXPECT_EQ(CNTSOL.SHAPE, k.shape) << k.name;
        if (k.shape == SHP_TAPER) {
            EXPECT_EQ(CNTSOL.SUBSHP, k.sub) << k.name;
        }
        Tally t;
        measure(k.tool, k.ref, k.triangles, g, k.name, t, k.slack);
        EXPECT_EQ(t.bad, 0) << k.name << ": worst error " << t.worst << " times the bound";
        EXPECT_EQ(t.signs, 0) << k.name;
        EXPECT_EQ(t.points, 0) << k.name;
        if (k.triangles < 10000) continue;
        // what was covered: clearances and penetrations, the face case on
        // the large tilted triangles, the edges on the thin ones, each slope
        // of the edges through the axis, and every element of the tool
        EXPECT_GT(t.pos, 1000) << k.name;
        EXPECT_GT(t.neg, 1000) << k.name;
        EXPECT_GT(t.faces[1], 1000) << k.name;
        EXPECT_LT(t.faces[2], 500) << k.name;
        for (int m = 0; m < 4; ++m) EXPECT_GT(t.axis[m], 400) << k.name;
        for (const char* c = k.slots; *c; ++c) {
            const int s = static_cast<int>(std::strchr(letters, *c) - letters);
            EXPECT_GT(t.won[s], 0) << k.name << " element " << *c;
        }
    }
}

// Random tools of every shape, with and without an allowance, each against
// random triangles of the four families.
TEST(Clearance, RandomToolsAgreeWithTheReference)
{
    std::mt19937 g(99);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    int shapes[5] = {0}, subs[10] = {0};
    for (int i = 0; i < 300; ++i) {
        const double e = u(g) < 0.5 ? 0.0 : 0.5 * u(g);
        double tool[5];
        clearref::Tool ref;
        if (i % 3 == 0) {
            const double R = 0.1 + 10 * u(g);
            const double r = i % 2 ? 0.0 : (u(g) < 0.2 ? R : R * u(g));
            tool[0] = 2 * R, tool[1] = r, tool[2] = 30, tool[3] = 0, tool[4] = e;
            ref = clearref::mill(R, r, e);
        } else {
            const double a = (2 + 40 * u(g)) * PI / 180, r = u(g) < 0.2 ? 0.0 : 0.2 + 5 * u(g);
            const double fl = u(g) < 0.3 ? 0.0 : 6 * u(g);
            const double D = fl > 0 ? 2 * fl + ball_diameter(r, a) : ball_diameter(r, a);
            const double L = r * (1 - std::sin(a)) + (u(g) < 0.5 ? 8 * u(g) : 1.5 * u(g));
            tool[0] = D, tool[1] = r, tool[2] = L, tool[3] = a, tool[4] = e;
            ref = clearref::taper(D, r, L, a, e);
        }
        const i32 taken = CNTSET(0, tool);
        shapes[CNTSOL.SHAPE]++;
        if (CNTSOL.SHAPE == SHP_TAPER) subs[CNTSOL.SUBSHP]++;
        const bool measured = !(CNTSOL.SHAPE == SHP_TAPER && CNTSOL.SUBSHP == SUB_NONE);
        EXPECT_EQ(taken, measured && !(CNTSOL.SHAPE == SHP_TAPER && CNTSOL.SUBSHP == SUB_HIGHBALL));
        if (!measured) continue;
        Tally t;
        measure(tool, ref, 100, g, "random", t);
        EXPECT_EQ(t.bad, 0) << "tool " << tool[0] << " " << tool[1] << " " << tool[2] << " " << tool[3] << " " << tool[4];
        EXPECT_EQ(t.signs, 0);
        EXPECT_EQ(t.points, 0);
    }
    for (int s = 1; s <= 4; ++s) EXPECT_GT(shapes[s], 5) << s;
    for (int s = 5; s <= 9; ++s) EXPECT_GT(subs[s], 3) << s;
}

// ------------------------------------------------------ over the triangles

class Gen : public ::testing::Test {
protected:
    void SetUp() override
    {
        positioning::reset();
        LOCNRM = 1;
        LOCLST[0] = LOCLST[1] = -1;
    }
    void TearDown() override { FRETRI(); }
};

// The sphere-on-plate part: the plate's triangles (lowest level) as a part
// surface of class 1, the sphere's as a check surface of class 2.
bool sphere_on_plate(std::vector<meshes::Mesh>& out)
{
    const std::string path = std::string(TAVREK_DATA_DIR) + "/stl/sphere_on_plate.stl";
    if (!std::ifstream(path)) return false;
    i32 eid = 0, st = 0;
    STLRED(path.c_str(), eid, st);
    if (st != 0) return false;
    SvapMesh m;
    lin_svap_load(eid, m, st);
    if (st != 0) return false;
    meshes::Mesh plate, sphere;
    plate.cls = 1, plate.id = 1;
    sphere.cls = 2, sphere.id = 2;
    plate.xyz = sphere.xyz = m.xyz;
    for (size_t k = 0; k < m.tri.size(); k += 3) {
        f32 top = -1e30f;
        for (int j = 0; j < 3; ++j) top = std::max(top, m.xyz[3 * (m.tri[k + j] - 1) + 2]);
        (top <= -0.999f ? plate : sphere).add(m.tri[k], m.tri[k + 1], m.tri[k + 2]);
    }
    out = {plate, sphere};
    return true;
}

// The smallest distance over the triangles that the gathering lists at the
// point, the flag word admits and that reach 1e-6 above the tip, with the
// discards of a tool point lying on the triangle; capped at 1000.
f64 brute_force(const f32* point, f32 tol)
{
    f32 gp[3] = {point[0], point[1], point[2]};
    i32 ixy[2] = {static_cast<i32>(point[0] * 1000.0f), static_cast<i32>(point[1] * 1000.0f)};
    i32 n = 0, b = 0, ps = 0, cs = 0, os = 0, st = 0;
    f32 bz = 0;
    elm2nd(0, gp, ixy, tol, ELMCAP, n, b, bz, ps, cs, os, st);
    EXPECT_EQ(st, 0);
    f64 best = 1000.0;
    for (i32 k = 0; k < n; ++k) {
        const i32* ent = elmtrg(elmlst() + static_cast<size_t>(elmidx()[k]) * ELM_WORDS);
        const i32* rec = srfbas() + (ent[TRG_SRF] - 1) * SRF_WORDS;
        const i32 cls = rec[SRF_CLASS];
        if (!(LOCFLG & (1 << (cls - 1)))) continue;
        const f32 e = (cls == 1 || cls == 3) ? LOCOFA : LOCOFB;
        f64 tri[9];
        f32 top = -1e30f;
        for (int j = 0; j < 3; ++j) {
            const f32* nd = nodbas() + 3 * (ent[TRG_NODE + j] - 1);
            for (int c = 0; c < 3; ++c) tri[3 * j + c] = nd[c];
            top = std::max(top, nd[2]);
        }
        if ((top + e) - point[2] < 1e-6f) continue;
        const f64 tool[5] = {LOCDIA, LOCCRN, LOCCUT, LOCTAP, e};
        const f64 tip[3] = {point[0], point[1], f64(point[2]) - e};
        f64 d = 0, pts[6];
        CNTSLV(tool, tip, tri, d, pts);
        if (d >= best) continue;
        f32 v[3] = {f32(pts[0] - pts[3]), f32(pts[1] - pts[4]), f32(pts[2] - pts[5])};
        f32 len = 0;
        i32 us = 0;
        v3unit(v, len, us);
        if (us != 0) {
            // flat radius of the enlarged tool
            const f64 a = LOCTAP;
            const f32 d2 = f32(LOCDIA + 2.0 * e * std::tan((PI * 0.5 - a) * 0.5)), r2 = e + LOCCRN;
            const f32 l2 = e >= 0 ? e + LOCCUT : f32((1.0 - std::sin(a)) * e + LOCCUT);
            f32 flat = d2 * 0.5f - r2;
            if (LOCTPF) TAPOFS(d2, l2, e, r2), TAPRFL(flat);
            flat = std::max(flat, 0.0f);
            const f32 h = std::hypot(f32(pts[0]) - point[0], f32(pts[1]) - point[1]);
            if (h < 0.0001f || h < flat - 0.0001f || (eqval(h, flat) && eqval(top + e, point[2]))) continue;
        }
        best = d;
    }
    return best;
}

TEST_F(Gen, SphereOnPlateEqualsTheBruteForceMinimum)
{
    std::vector<meshes::Mesh> ms;
    if (!sphere_on_plate(ms)) GTEST_SKIP() << "sphere_on_plate.stl not present";
    ASSERT_EQ(meshes::build(ms), 0);
    struct T {
        f32 d, r, l, taper;
    };
    const T tools[] = {{8.0f, 0.0f, 30.0f, 0.0f}, {8.0f, 4.0f, 30.0f, 0.0f}, {8.0f, 1.0f, 30.0f, 0.0f},
                       {4.0f, 0.5f, 20.0f, 10.0f}};
    std::mt19937 g(7);
    std::uniform_real_distribution<f32> u(0.0f, 1.0f);
    const f32 tol = 0.01f;
    int deep = 0, near = 0, clear = 0, none = 0;
    for (int i = 0; i < 2000; ++i) {
        if (i % 500 == 0) {
            const T& t = tools[i / 500];
            tooldefs::use_mill(t.d, t.r, t.l, t.taper);
        }
        // allowances and admitted classes vary: the check surface (the
        // sphere) may be left out or given its own allowance
        const f32 ea = (i % 3 == 0) ? 0.3f : 0.0f, eb = (i % 5 == 0) ? -0.2f : 0.5f;
        STPFLG(i % 7 == 0 ? 0x01 : 0x3F);
        // most positions stand near the height where the tool rests
        f32 p[3] = {u(g) * 86.0f - 5.0f, u(g) * 86.0f - 5.0f, u(g) * 36.0f - 3.0f};
        if (i % 4 != 0) {
            f32 res[3], con[3], nrm[3];
            i32 srf = 0, ds = 0;
            PNTLC1(0, p, tol, ea, eb, res, con, nrm, srf, ds);
            if (ds == 0 || ds == 4) p[2] = res[2] + (u(g) - 0.3f) * 2.0f;
        }
        ASSERT_TRUE(loc_model_and_tool(ea, eb));
        f32 tp[3] = {0, 0, 0}, pp[3] = {0, 0, 0}, dir[3], dist = 0;
        i32 st = 0;
        LOCGEN(p, tol, tp, pp, dist, dir, st);
        ASSERT_EQ(st, 0);
        const f64 ref = brute_force(p, tol);
        LOCRST();  // the gathering enlarged the cached tool
        if (ref < -10.0 * tol) {
            EXPECT_LT(dist, -10.0f * tol) << i;
            ++deep;
        } else {
            EXPECT_EQ(dist, f32(ref)) << i << " at " << p[0] << " " << p[1] << " " << p[2];
            if (ref == 1000.0) {
                ++none;
                EXPECT_EQ(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2], 0.0f);
            } else {
                (ref < 1.0 ? near : clear)++;
                // the direction is a unit vector from the part to the tool,
                // pointing up, or zero where the two points coincide
                const f32 l2 = dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2];
                if (l2 != 0.0f) {
                    EXPECT_NEAR(l2, 1.0f, 1e-5f);
                    EXPECT_GE(dir[2], 0.0f);
                    const f32 w[3] = {tp[0] - pp[0], tp[1] - pp[1], tp[2] - pp[2]};
                    const f32 wl = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
                    EXPECT_NEAR(wl, std::fabs(dist), 1e-3f);
                }
            }
        }
    }
    LOCRST();
    // every outcome was met
    EXPECT_GT(deep, 100);
    EXPECT_GT(near, 100);
    EXPECT_GT(clear, 10);
    EXPECT_GT(none, 100);
}


TEST(Clearance, ToolShapesAndWhatTheExactRoadTakes)
{
    struct Case {
        f64 D, r, L, deg, e;
        i32 shape, sub, taken;
    };
    const f64 b7 = ball_diameter(2.0, 10.0 * PI / 180.0);
    const Case cases[] = {
        {10, 0, 30, 0, 0, SHP_FLAT, 0, 1},
        {10, 5, 30, 0, 0, SHP_BALL, 0, 1},
        {10, 2.5, 30, 0, 0, SHP_TORUS, 0, 1},
        {10, 0, 30, -1, 0, SHP_FLAT, 0, 1},  // 0.0001 radians is not a taper
        {10, 0, 30, 0, 1e-4, SHP_TORUS, 0, 1},  // the allowance rounds the flat tool's corner
        {10, 0, 30, 0, 4e-5, SHP_FLAT, 0, 1},
        {6, 1, 20, 10, 0, SHP_TAPER, SUB_FLAT, 1},
        {10, 1, 2, 20, 0, SHP_TAPER, SUB_SHORT, 1},
        {b7, 2, 15, 10, 0, SHP_TAPER, SUB_BALL, 1},
        {ball_diameter(3.0, PI / 6), 3, 2.5, 30, 0, SHP_TAPER, SUB_HIGHBALL, 0},
        {ball_diameter(5.0, 10.0 * PI / 180.0), 5, 1, 10, 0, SHP_TAPER, SUB_NONE, 0},
        // a ball tip from single-precision values is a ball tip
        {f32(b7), 2, 15, 10, 0, SHP_TAPER, SUB_BALL, 1},
        {f32(ball_diameter(5.0, 10.0 * PI / 180.0)), 5, 4.5, 10, 0, SHP_TAPER, SUB_NONE, 0},
        // corner centres above the flank's top, with or without crossing bisectors
        {10, 4, 3, 20, 0, SHP_TAPER, SUB_NONE, 0},
        {ball_diameter(4.0, 40.0 * PI / 180.0) + 0.2, 4, 3.5, 40, 0, SHP_TAPER, SUB_NONE, 0},
    };
    for (const Case& c : cases) {
        const f64 tool[5] = {c.D, c.r, c.L, c.deg < 0 ? 0.0001 : c.deg * PI / 180.0, c.e};
        EXPECT_EQ(CNTSET(0, tool), c.taken) << c.D << " " << c.r << " " << c.deg;
        EXPECT_EQ(CNTSOL.SHAPE, c.shape) << c.D << " " << c.r << " " << c.deg;
        if (c.shape == SHP_TAPER) {
            EXPECT_EQ(CNTSOL.SUBSHP, c.sub) << c.D << " " << c.r << " " << c.deg;
        }
    }
    // the sub-shape-9 tool measures nothing when asked
    const f64 tool9[5] = {ball_diameter(5.0, 10.0 * PI / 180.0), 5, 1, 10.0 * PI / 180.0, 0};
    const f64 tip[3] = {0, 0, 0}, tri[9] = {-9, -9, 1, 9, -9, 1, 0, 9, 1};
    f64 d = 0, pts[6];
    CNTSLV(tool9, tip, tri, d, pts);
    EXPECT_EQ(d, 1.0e26);
    // a new tool value re-classifies; the same values keep the classification
    const f64 flat[5] = {10, 0, 30, 0, 0}, grown[5] = {10, 0, 30, 0, 0.5};
    CNTSLV(flat, tip, tri, d, pts);
    EXPECT_EQ(CNTSOL.SHAPE, SHP_FLAT);
    EXPECT_DOUBLE_EQ(d, -1.0);
    CNTSLV(grown, tip, tri, d, pts);
    EXPECT_EQ(CNTSOL.SHAPE, SHP_TORUS);
    EXPECT_DOUBLE_EQ(d, -1.0);
    CNTSOL.SHAPE = 99;  // a stale shape would measure nothing
    CNTSLV(grown, tip, tri, d, pts);
    EXPECT_EQ(d, 1.0e26);
}

// Distances and points that the flat tool's geometry fixes exactly: the tool
// (radius 5) stands at (1, 2, 3).
TEST(Clearance, ExactPointsOfTheFlatTool)
{
    const f64 tool[5] = {10, 0, 30, 0, 0}, tip[3] = {1, 2, 3};
    struct Case {
        f64 v[9];
        f64 d, P[3], Q[3];
    };
    auto at = [&](f64 x, f64 y, f64 z) { return std::vector<f64>{tip[0] + x, tip[1] + y, tip[2] + z}; };
    auto level = [&](f64 z) {  // a level triangle around the axis
        Case c{};
        const f64 v[9] = {-20, -20, z, 30, -20, z, -20, 30, z};
        for (int k = 0; k < 9; ++k) c.v[k] = v[k] + tip[k % 3];
        return c;
    };
    std::vector<Case> cases;
    // below the tip: the rim (taken on the +x side) at the plane's depth
    Case c = level(-2);
    c.d = 2;
    cases.push_back(c);
    // between the tip and the radius above it: the bottom, where the plane
    // meets the bisector of bottom and shank
    c = level(1);
    c.d = -1;
    cases.push_back(c);
    // above the radius: the shank, its depth the radius
    c = level(6);
    c.d = -5;
    cases.push_back(c);
    const f64 P[3][3] = {{5, 0, -2}, {4, 0, 1}, {0, 0, 6}}, Q[3][3] = {{5, 0, 0}, {4, 0, 0}, {5, 0, 6}};
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j) {
            cases[k].P[j] = P[k][j] + tip[j];
            cases[k].Q[j] = Q[k][j] + tip[j];
        }
    // an upright triangle with an edge lying on the bisector cone of bottom
    // and shank through its apex: the apex, measured against the bottom
    Case e{};
    const std::vector<f64> a = at(-4, 0, 1), b = at(6, 0, 11), d = at(10, 0, 1);
    for (int j = 0; j < 3; ++j) e.v[j] = a[j], e.v[3 + j] = b[j], e.v[6 + j] = d[j];
    e.d = -5;
    const std::vector<f64> ep = at(0, 0, 5), eq = at(0, 0, 0);
    for (int j = 0; j < 3; ++j) e.P[j] = ep[j], e.Q[j] = eq[j];
    cases.push_back(e);
    for (const Case& k : cases) {
        f64 dist = 0, pts[6];
        CNTSLV(tool, tip, k.v, dist, pts);
        EXPECT_NEAR(dist, k.d, 1e-12) << k.v[2];
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(pts[j], k.Q[j], 1e-12) << k.v[2] << " tool point " << j;
            EXPECT_NEAR(pts[3 + j], k.P[j], 1e-12) << k.v[2] << " triangle point " << j;
        }
    }
}

// Contacts where a direction fails: a level triangle through a ball tip's
// centre (the corner circle shrunk to that centre) keeps the tool point on
// the tool, the tip, however near the centre it passes; a triangle with two
// vertices in one has no face and writes no normal that is not a number.
TEST(Clearance, DegenerateContactsKeepTheirPointsOnTheTool)
{
    const f64 a = 10.0 * PI / 180.0, ball7[5] = {ball_diameter(2.0, a), 2, 15, a, 0}, tip[3] = {0, 0, 0};
    for (f64 below : {5e-10, 1e-6, 1e-3}) {
        const f64 z = 2.0 - below, tri[9] = {-9, -9, z, 9, -9, z, 0, 9, z};
        f64 d = 0, pts[6];
        CNTSLV(ball7, tip, tri, d, pts);
        EXPECT_NEAR(d, -z, 1e-12) << below;
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(pts[j], 0.0, 1e-9) << below << " tool point " << j;
    }
    const f64 tools[][5] = {{10, 0, 30, 0, 0}, {10, 2, 30, 0, 0}, {10, 5, 30, 0, 0}, {6, 1, 20, a, 0},
                            {ball_diameter(2.0, a), 2, 15, a, 0}};
    for (const auto& t : tools) {
        const f64 tri[9] = {-3, 1, 0.5, -3, 1, 0.5, 4, -2, 1.5};
        for (int j = 0; j < 3; ++j) CNTSOL.TRINML[j] = CNTSOL.CRNCTR[j] = 0.0;
        f64 d = 0, pts[6];
        CNTSLV(t, tip, tri, d, pts);
        EXPECT_FALSE(std::isnan(d)) << t[0] << " " << t[1];
        for (int j = 0; j < 3; ++j) {
            EXPECT_FALSE(std::isnan(CNTSOL.TRINML[j])) << t[0] << " " << t[1];
            EXPECT_FALSE(std::isnan(CNTSOL.CRNCTR[j])) << t[0] << " " << t[1];
        }
    }
}

// A tapered tool with a flat bottom (sub-shape 5) and an edge crossing its
// axis exactly at the flank's top, no steeper than the flank: the flank is
// measured there (the flank's top radius deep, along its normal) and the
// edge counts as accepted, so its vertices are not measured on their own.
TEST(Clearance, EdgeThroughTheAxisAtTheFlanksTop)
{
    const f64 a = 10.0 * PI / 180.0, tool[5] = {6, 1, 20, a, 0}, tip[3] = {0, 0, 0};
    const f64 tri[9] = {-5, 0, 19.5, 5, 0, 20.5, 0, 0, 5};  // vertical: no face
    f64 d = 0, pts[6];
    CNTSLV(tool, tip, tri, d, pts);
    ASSERT_EQ(CNTSOL.SUBSHP, SUB_FLAT);
    for (CntRes& r : CNTSOL.RES) r.F = 1;
    const f64 lo[3] = {-5, 0, 19.5}, hi[3] = {5, 0, 20.5};
    for (int j = 0; j < 3; ++j) CNTSOL.EDGLO[j] = lo[j], CNTSOL.EDGHI[j] = hi[j];
    CNTEDG();
    EXPECT_EQ(CNTSOL.EDGFLG, 1);
    const CntRes& con = CNTSOL.RES[CON];
    ASSERT_EQ(con.F, 0);
    EXPECT_NEAR(con.P[0], 0.0, 1e-12);
    EXPECT_NEAR(con.P[2], 20.0, 1e-12);
    EXPECT_NEAR(con.D, -CNTSOL.TOPRAD * std::cos(a), 1e-12);
    for (int k = 0; k < CNT_SLOTS; ++k) {
        if (k == CON) continue;
        EXPECT_EQ(CNTSOL.RES[k].F, 1) << k;
    }
}

// A tapered tool with a flat bottom and a steep flank (31 degrees), and a
// triangle whose nearest edge passes far out under the flank, where neither
// the corner nor the flank accepts its point: the rounding of the junction
// is measured, and the distance is the reference's.
TEST(Clearance, EdgeFarOutUnderASteepFlankFacesTheJunction)
{
    const f64 tool[5] = {4.0238700627176325, 3.0350414297795556, 3.6594969444355323, 0.54502432424668568, 0};
    const f64 tip[3] = {8.2391953986617992, -2.6736096908482532, -4.5039307464838974};
    const f64 tri[9] = {3.4812960972237246, 3.268137031315165,  -1.8583770356115461, 11.971986357153861, 2.8753293317885467,
                        -6.6372963584058375, 10.402865650138114, 2.3677903730946763, -1.3845273220006353};
    f64 d = 0, pts[6];
    CNTSLV(tool, tip, tri, d, pts);
    ASSERT_EQ(CNTSOL.SUBSHP, SUB_FLAT);
    const clearref::Tool ref = clearref::taper(tool[0], tool[1], tool[2], tool[3], tool[4]);
    EXPECT_NEAR(d, clearref::clearance(ref, tip, tri), 1e-7 * longest(tri));
}

// A tapered tool whose corner is wider than the flank leaves room for (its
// corner-centre circle of negative radius): near the axis under the corner
// centres the corner is nearest, not the bottom.
TEST(Clearance, CornerWiderThanItsFlankHoldsTheAxis)
{
    const f64 a = 10.0 * PI / 180.0, tool[5] = {2, 2, 10, a, 0}, tip[3] = {0, 0, 0};
    const f64 tri[9] = {-9, -9, -1, 9, -9, -1, 0, 9, -1};
    f64 d = 0, pts[6];
    CNTSLV(tool, tip, tri, d, pts);
    ASSERT_EQ(CNTSOL.SUBSHP, SUB_FLAT);
    ASSERT_LT(CNTSOL.FLATR, 0.0);
    const f64 P[3] = {0.1, 0, 0.5};
    EXPECT_EQ(CNREGN(P, 4), 1);
    EXPECT_EQ(CNREGN(P, 5), 0);
}

// A plate at z = 0 over [-50, 50]^2 (class 1, id 1) and a step at z = 2 over
// x >= 10 (class 1, id 2); a wall at x = wx when wx is given (class 2, id 3).
std::vector<meshes::Mesh> plate_and_step(f64 wx = 1e30)
{
    meshes::Mesh plate, step, wall;
    plate.id = 1, step.id = 2, wall.id = 3, wall.cls = 2;
    auto quad = [](meshes::Mesh& m, f64 x0, f64 x1, f64 y0, f64 y1, f64 z) {
        i32 a = m.node(x0, y0, z), b = m.node(x1, y0, z), c = m.node(x1, y1, z), d = m.node(x0, y1, z);
        m.add(a, b, c);
        m.add(a, c, d);
    };
    quad(plate, -50, 50, -50, 50, 0.0);
    quad(step, 10, 50, -50, 50, 2.0);
    std::vector<meshes::Mesh> out = {plate, step};
    if (wx < 1e29) {
        i32 a = wall.node(wx, -50, -10), b = wall.node(wx, 50, -10), c = wall.node(wx, 50, 10), d = wall.node(wx, -50, 10);
        wall.add(a, b, c);
        wall.add(a, c, d);
        out.push_back(wall);
    }
    return out;
}

TEST_F(Gen, LoopOrderAdmissionAndDiscards)
{
    ASSERT_EQ(meshes::build(plate_and_step()), 0);
    tooldefs::use_mill(10.0f, 0.0f);
    auto gen = [](f32 x, f32 y, f32 z, f32 tol, f32* dir) {
        EXPECT_TRUE(loc_model_and_tool(0.0f, 0.0f));
        f32 p[3] = {x, y, z}, tp[3], pp[3], dist = 0;
        i32 st = -5;
        LOCGEN(p, tol, tp, pp, dist, dir, st);
        EXPECT_EQ(st, 0);
        LOCRST();
        return dist;
    };
    f32 dir[3];
    // the tool above everything, or its flat bottom resting on the plate:
    // no obstacle
    EXPECT_EQ(gen(0, 0, 0.5f, 0.01f, dir), 1000.0f);
    EXPECT_EQ(gen(0, 0, 0.0f, 0.01f, dir), 1000.0f);
    EXPECT_EQ(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2], 0.0f);
    // below the plate, clear of the step: the bottom's depth, straight up
    EXPECT_FLOAT_EQ(gen(0, 0, -1.0f, 0.01f, dir), -1.0f);
    EXPECT_FLOAT_EQ(dir[2], 1.0f);
    // beside the step: its edge reaches half a unit into the shank
    EXPECT_NEAR(gen(5.5f, 0, 1.0f, 0.01f, dir), -0.5f, 1e-6f);
    EXPECT_NEAR(dir[0], 1.0f, 1e-6f);
    EXPECT_EQ(dir[2], 0.0f);
    // no class admitted: nothing measured
    STPFLG(0);
    EXPECT_EQ(gen(8, 0, -1.0f, 0.01f, dir), 1000.0f);
    STPFLG(0x3F);
    // With the drop's last winner (a plate triangle) tried first, a depth of
    // 1 beyond ten tolerances ends the loop before the step's depth of 3 is
    // met; without it, the gathering's best estimate (the step) comes first.
    f32 p[3] = {4, -4, 0}, res[3], con[3], nrm[3];
    i32 srf = 0, st = 0;
    PNTLC1(0, p, 0.01f, 0.0f, 0.0f, res, con, nrm, srf, st);  // one plate triangle under the tool
    ASSERT_EQ(st, 0);
    ASSERT_EQ(LOCNRM, 0);
    EXPECT_FLOAT_EQ(gen(8, 0, -1.0f, 0.01f, dir), -1.0f);
    EXPECT_FLOAT_EQ(gen(8, 0, -1.0f, 0.5f, dir), -3.0f);  // not deep enough to stop
    LOCNRM = 1;
    EXPECT_FLOAT_EQ(gen(8, 0, -1.0f, 0.01f, dir), -3.0f);
    EXPECT_EQ(LOCLST[0], -1);
}

// Surfaces of classes 5 and 7 take no allowance, class 7 is admitted by
// either of the two grid bits alone, class 5 by its own.
TEST_F(Gen, ClassesFiveAndSevenTakeNoAllowance)
{
    for (i32 cls : {1, 5, 7}) {
        FRETRI();
        meshes::Mesh plate;
        const i32 a = plate.node(-50, -50, 0), b = plate.node(50, -50, 0), c = plate.node(50, 50, 0),
                  d = plate.node(-50, 50, 0);
        plate.add(a, b, c);
        plate.add(a, c, d);
        plate.cls = cls;
        ASSERT_EQ(meshes::build({plate}), 0);
        tooldefs::use_mill(10.0f, 0.0f);
        for (i32 flags : {0x3F, 0x40, 0x80}) {
            STPFLG(flags);
            ASSERT_TRUE(loc_model_and_tool(0.5f, 0.5f));
            f32 p[3] = {0, 0, -1.0f}, tp[3], pp[3], dist = 0, dir[3];
            i32 st = -5;
            LOCGEN(p, 0.01f, tp, pp, dist, dir, st);
            LOCRST();
            EXPECT_EQ(st, 0);
            const bool in = cls == 7 ? (flags & 0xC0) != 0 : (flags & (1 << (cls - 1))) != 0;
            EXPECT_FLOAT_EQ(dist, !in ? 1000.0f : (cls == 1 ? -1.5f : -1.0f)) << cls << " " << flags;
        }
    }
    STPFLG(0x3F);
}

// What a caller of mode code 10 or more receives: the clearance at the point
// in four values of normal.
TEST_F(Gen, ModeCodeTenAndAboveAnswersTheClearance)
{
    ASSERT_EQ(meshes::build(plate_and_step(4.99)), 0);
    const i32 id = tooldefs::use_mill(10.0f, 0.0f);
    pwrs(PRCPAR, PRTTOL, 0.01f);
    PRCSTK = 0.0f, PRCCHK = 0.0f;
    // the lane-point reading: usable when clear, or touched straight from
    // below; flagged when deeper than five tolerances
    auto usable = [](const f32* n, f32 tol, i32& flag) {
        flag = n[0] < -5.0f * tol ? 1 : 0;
        if (n[0] > 0.0f) return true;
        if (n[1] != 0.0f || n[2] != 0.0f) return false;
        return n[3] == 1.0f;
    };
    struct Case {
        f32 x, y, z;
        f32 dist;
        bool use;
        i32 flag;
    };
    const Case cases[] = {
        {-20, 0, 1.0f, 1000.0f, true, 0},  // above the plate
        {-20, 0, 0.0f, 1000.0f, true, 0},  // resting on it
        {-20, 0, -1.0f, -1.0f, true, 1},   // below it, straight up
        {-20, 0, -0.02f, -0.02f, true, 0},
        {0, 0, 1.0f, -0.01f, false, 0},    // the wall reaches into the shank
    };
    for (i32 road = 0; road < 3; ++road)
        for (const Case& c : cases) {
            f32 p[3] = {c.x, c.y, c.z}, res[3] = {0, 0, 0}, con[3] = {0, 0, 0}, nrm[4] = {0, 0, 0, 0};
            i32 srf = 7, st = -5;
            const i32 mode = 10 + road % 2;
            if (road == 0) {
                PNTNET(mode, p, 0.01f, 0.0f, 0.0f, res, con, nrm, srf, st);
            } else if (road == 1) {
                // the wrappers position at Z = 0: the point's height is
                // taken by the tool's standing
                if (c.z != 0.0f) continue;
                PNTLC1(mode, p, 0.01f, 0.0f, 0.0f, res, con, nrm, srf, st);
            } else {
                if (c.z != 0.0f) continue;
                PNTLC2(mode, p, res, con, nrm, srf, st);
            }
            EXPECT_EQ(st, 0);
            EXPECT_EQ(srf, -1);
            EXPECT_NEAR(nrm[0], c.dist, 1e-5f) << road << " " << c.x << " " << c.z;
            i32 flag = 0;
            EXPECT_EQ(usable(nrm, 0.01f, flag), c.use) << road << " " << c.x << " " << c.z;
            EXPECT_EQ(flag, c.flag) << road << " " << c.x << " " << c.z;
            if (c.dist < 1000.0f) {
                // the tool point and the part point, apart by the distance
                const f32 w[3] = {res[0] - con[0], res[1] - con[1], res[2] - con[2]};
                EXPECT_NEAR(std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]), std::fabs(c.dist), 1e-5f);
            }
            // the cached tool keeps its own values
            f32 d = 0;
            GTDIAM(id, d);
            EXPECT_EQ(d, 10.0f);
        }
    // below 10 the plain drop answers, with a three-value normal
    f32 p[3] = {-20, 0, 0}, res[3], con[3], nrm[4] = {0, 0, 0, 7};
    i32 srf = 0, st = 0;
    PNTNET(0, p, 0.01f, 0.0f, 0.0f, res, con, nrm, srf, st);
    EXPECT_EQ(st, 0);
    EXPECT_FLOAT_EQ(res[2], 0.0f);
    EXPECT_FLOAT_EQ(nrm[2], 1.0f);
    EXPECT_EQ(nrm[3], 7.0f);
}

// Tapered tools that the exact road leaves to the drop: a ball tip whose
// centre stands above the flank's top (sub-shape 8), and those it cannot
// measure (sub-shape 9): a ball tip standing above its top bisector's apex,
// and corner centres above the flank's top. Mode code 10 then takes the
// limited drop, whose normal is three values with the tapered tool's marker
// first.
TEST_F(Gen, ToolsTheExactRoadLeavesFallBackToTheDrop)
{
    ASSERT_EQ(meshes::build(plate_and_step()), 0);
    struct T {
        f32 d, r, l, deg;
        i32 sub;
    };
    const T tools[] = {{f32(ball_diameter(5.0, 10.0 * PI / 180.0)), 5.0f, 1.0f, 10.0f, SUB_NONE},
                       {10.0f, 4.0f, 3.0f, 20.0f, SUB_NONE},
                       {f32(ball_diameter(3.0, PI / 6)), 3.0f, 2.5f, 30.0f, SUB_HIGHBALL}};
    for (const T& t : tools) {
        tooldefs::use_mill(t.d, t.r, t.l, t.deg);
        ASSERT_TRUE(LOCTOL(0.0f, 0.0f));
        const f64 tool[5] = {LOCDIA, LOCCRN, LOCCUT, LOCTAP, 0.0};
        EXPECT_EQ(CNTSET(0, tool), 0);
        EXPECT_EQ(CNTSOL.SUBSHP, t.sub);
        LOCRST();
        CNTSOL.TIPPNT[0] = 12345.0;  // left alone unless the solver runs
        f32 p[3] = {0, 0, 5.0f}, res[3] = {0, 0, 0}, con[3], nrm[4] = {0, 0, 0, 0};
        i32 srf = 0, st = -5;
        PNTNET(10, p, 0.01f, 0.0f, 0.0f, res, con, nrm, srf, st);
        EXPECT_EQ(CNTSOL.TIPPNT[0], 12345.0);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(nrm[0], 1000.0f);  // the marker of a tapered tool that stays below the point
        EXPECT_FLOAT_EQ(nrm[2], 1.0f);
    }
}

}  // namespace
