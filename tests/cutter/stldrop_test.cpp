// Every tool kind dropped over grids of points on the published STL parts,
// read by the module's own STL reader: every point gets a height, and the
// height agrees with the exact drop of the test's reference, computed in
// double precision from the same single-precision vertices.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "common/dropref.h"
#include "common/positioning.h"
#include "common/tooldefs.h"
#include "core/host.h"
#include "core/params.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "platform/norak/norak.h"
#include "surfaces/svap.h"
#include "surfaces/trimodel.h"

namespace {

// Points a side of the grid: 30 in the suite; TAVREK_STL_GRID sets
// another (300 for the full measurement).
int grid_side()
{
    const char* s = std::getenv("TAVREK_STL_GRID");
    const int n = s ? std::atoi(s) : 0;
    return n > 1 ? n : 30;
}

struct Part {
    std::vector<f32> xyz;
    std::vector<i32> tri;
    f32 box[4];  // xmin, ymin, xmax, ymax
};

// Reads the part with the module's reader; false when the file is absent.
bool read_part(const std::string& file, Part& p)
{
    // The repository's copy, else the shared data beside it.
    std::string path = std::string(TAVREK_SOURCE_DIR) + "/tests/data/" + file;
    if (!std::ifstream(path)) path = std::string(TAVREK_DATA_DIR) + "/stl/" + file;
    if (!std::ifstream(path)) return false;
    i32 eid = 0, st = 0;
    STLRED(path.c_str(), eid, st);
    EXPECT_EQ(st, 0) << file;
    SvapMesh m;
    lin_svap_load(eid, m, st);
    EXPECT_EQ(st, 0) << file;
    p.xyz = m.xyz;
    p.tri = m.tri;
    p.box[0] = p.box[1] = 1e30f, p.box[2] = p.box[3] = -1e30f;
    for (size_t k = 0; k < p.xyz.size(); k += 3) {
        p.box[0] = std::fmin(p.box[0], p.xyz[k]), p.box[2] = std::fmax(p.box[2], p.xyz[k]);
        p.box[1] = std::fmin(p.box[1], p.xyz[k + 1]), p.box[3] = std::fmax(p.box[3], p.xyz[k + 1]);
    }
    return !p.tri.empty();
}

i32 build(const Part& p)
{
    i32 st = 0;
    TRMOPN(st);
    if (st != 0) return st;
    i32 rec[SRF_WORDS] = {0};
    rec[SRF_CLASS] = 1, rec[SRF_ID] = 1, rec[SRF_INDEX] = 1;
    const i32 nn = static_cast<i32>(p.xyz.size() / 3), nt = static_cast<i32>(p.tri.size() / 3);
    TRMSRF(rec, nn, p.xyz.data(), nullptr, nt, p.tri.data(), st);
    if (st != 0) return st;
    TRMCLS(st);
    return st;
}

std::vector<double> soup(const Part& p)
{
    std::vector<double> t;
    for (i32 v : p.tri)
        for (int c = 0; c < 3; ++c) t.push_back(p.xyz[3 * (v - 1) + c]);
    return t;
}

struct Kind {
    const char* name;
    f32 d, r, l, taper;
    dropref::Tool ref;
};

// Flat, ball and corner-radius D10; tapered with a rounded tip; cones
// whose tip has no diameter, of 30 and 10 degrees.
const Kind KINDS[] = {
    {"flat", 10.0f, 0.0f, 30.0f, 0.0f, {2, 5.0, 0.0}},
    {"ball", 10.0f, 5.0f, 30.0f, 0.0f, {1, 5.0, 5.0}},
    {"corner", 10.0f, 2.0f, 30.0f, 0.0f, {3, 5.0, 2.0}},
    {"taper", 6.0f, 1.0f, 20.0f, 10.0f, {4, 3.0, 1.0, 10.0 * 3.141592653589793 / 180.0, 20.0}},
    {"cone", 0.0f, 0.0f, 10.0f, 30.0f, {4, 0.0, 0.0, 30.0 * 3.141592653589793 / 180.0, 10.0}},
    {"cone10", 0.0f, 0.0f, 10.0f, 10.0f, {4, 0.0, 0.0, 10.0 * 3.141592653589793 / 180.0, 10.0}},
};

class StlDrop : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { positioning::reset(); }
    void TearDown() override { FRETRI(); }
};

TEST_P(StlDrop, EveryToolKindMatchesTheExactDrop)
{
    const std::string file = GetParam();
    Part part;
    if (!read_part(file, part)) GTEST_SKIP() << file << " is not at hand";
    ASSERT_EQ(build(part), 0);
    dropref::Buckets bk;
    bk.build(soup(part), 2.0);
    const int n = grid_side();
    const f32 tol = 0.01f;
    for (const Kind& k : KINDS) {
        tooldefs::use_mill(k.d, k.r, k.l, k.taper);
        double worst = 0.0;
        int fails = 0, off = 0, empty = 0;
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
                const f32 x = part.box[0] + (part.box[2] - part.box[0]) * static_cast<f32>(i) / static_cast<f32>(n - 1);
                const f32 y = part.box[1] + (part.box[3] - part.box[1]) * static_cast<f32>(j) / static_cast<f32>(n - 1);
                f32 p[3] = {x, y, 0.0f}, res[3] = {0, 0, 0}, con[3], nrm[3];
                i32 srf = 0, st = 0;
                PNTLC1(0, p, tol, 0.0f, 0.0f, res, con, nrm, srf, st);
                const double q[2] = {x, y};
                const double ref = bk.drop_all(k.ref, q);
                if (ref == dropref::NONE) {
                    // Nothing within the tool's reach.
                    ++empty;
                    EXPECT_EQ(st, 1) << file << " " << k.name << " at " << x << " " << y;
                    continue;
                }
                if (st != 0 && st != 4) {
                    if (++fails <= 3) ADD_FAILURE() << file << " " << k.name << " status " << st << " at " << x << " " << y;
                    continue;
                }
                const double z = res[2];
                const double err = std::fabs(z - ref);
                const double lim = 1e-5 + 2.0 * std::fabs(std::nextafter(static_cast<f32>(z), 1e30f) - static_cast<f32>(z));
                worst = std::fmax(worst, err);
                if (!(err <= lim) && ++off <= 3)
                    ADD_FAILURE() << file << " " << k.name << " at " << x << " " << y << ": " << z << " exact " << ref;
            }
        std::printf("%-20s %-7s %dx%d: %d with nothing under the tool, %d without a height, %d off, largest "
                    "difference %.3g\n",
                    file.c_str(), k.name, n, n, empty, fails, off, worst);
        EXPECT_EQ(fails, 0) << file << " " << k.name;
        EXPECT_EQ(off, 0) << file << " " << k.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Parts, StlDrop, ::testing::Values("demo.stl", "cone_on_side.stl", "sphere_on_plate.stl"),
                         [](const auto& info) {
                             std::string s = info.param;
                             return s.substr(0, s.find('.'));
                         });

}  // namespace
