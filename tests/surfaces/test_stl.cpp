// ASCII STL writing and reading of saved approximations.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"
#include "surfaces/allsrf.h"
#include "surfaces/svap.h"
#include "surfaces/trimodel.h"
#include "tests/surfaces/shapes.h"

namespace {

std::string tmp(const char* name) { return ::testing::TempDir() + name; }

void write_file(const std::string& path, const std::string& text)
{
    std::ofstream f(path, std::ios::binary);
    f << text;
}

i32 saved_count() { return elstcls(SVA_CLASS, nullptr, 0); }

TEST(Stl, WrittenThenReadKeepsFacetsAndVertices)
{
    norak::reset();
    norak::load_session_text(shapes::session({shapes::nurbs_sphere(3, 25.0, 1, 2, 3), shapes::plane(1, 0, 0, 0, 10, 10)}));
    init_badsrf();
    i32 ids[2] = {3, 1}, nrm[2] = {1, 1}, work = 0, st = 0;
    allsrf(1, 2, ids, nrm, 0, nullptr, nullptr, 1, 0.1f, 0.0f, 0, work, st);
    ASSERT_EQ(st, 0);
    std::vector<i32> eids(2);
    ASSERT_EQ(elstcls(SVA_CLASS, eids.data(), 2), 2);
    std::string path = tmp("round.stl");
    STLWRT(2, eids.data(), path.c_str(), st);
    ASSERT_EQ(st, 0);
    i32 eid = 0;
    STLRED(path.c_str(), eid, st);
    ASSERT_EQ(st, 0);
    SvapMesh a, b, r;
    lin_svap_load(eids[0], a, st);
    lin_svap_load(eids[1], b, st);
    lin_svap_load(eid, r, st);
    ASSERT_EQ(r.tri.size(), a.tri.size() + b.tri.size());
    // facet by facet, the vertices agree to the six digits printed
    size_t t = 0;
    for (const SvapMesh* m : {&a, &b})
        for (size_t k = 0; k < m->tri.size(); ++k, ++t)
            for (int c = 0; c < 3; ++c) {
                f32 x = m->xyz[3 * (m->tri[k] - 1) + c], y = r.xyz[3 * (r.tri[t] - 1) + c];
                EXPECT_NEAR(x, y, 5e-6 * std::max(1.0f, std::fabs(x)));
            }
    i32 sid = -1;
    f32 box[6];
    dbdsl1(eid, box, st);
    EXPECT_NEAR(box[2], -22.0f, 1e-4);
    i32 c = 0, t2 = 0, len = 0;
    eopen(eid, c, t2, len, st);
    i32 head[2];
    egeti(2, head);
    eclose();
    sid = head[1];
    EXPECT_EQ(sid, 0);
    FRETRI();
    allfre(st);
}

TEST(Stl, BadFilesGiveOneErrorAndCreateNothing)
{
    const std::string facet =
        "facet normal 0 0 1\n outer loop\n  vertex 0 0 0\n  vertex 1 0 0\n  vertex 0 1 0\n endloop\nendfacet\n";
    struct Case {
        std::string text, message;
    };
    std::string binary = "solid SLUMOLD";
    binary.append(80 - binary.size(), '\0');
    binary += std::string("\x01\x00\x00\x00", 4) + std::string(50, '\0');
    std::vector<Case> cases = {
        {"solid a\nfacet normal 0 0 1\n outer loop\n  vertex 0 0 0\n  vertex 1 0 0\n  vertex 0 1 0\nendfacet\nendsolid a\n",
         "[STLRED] endloop EXPECTED AT LINE 7"},
        {"solid a\n" + facet + "facet normal 0 0 1\n outer loop\n  vertex 0 0 0\n  vertex 1 0x 0\n", "[STLRED] BAD NUMBER AT LINE 12"},
        {"solid a\n" + facet + "facet normal 0 0 1\n outer loop\n  vertex 0 0 0\n", "[STLRED] UNEXPECTED END OF FILE, vertex EXPECTED"},
        {binary, "[STLRED] BINARY STL FILE: ONLY ASCII STL IS READ"},
        {"solid empty\nendsolid empty\n", "[STLRED] THE FILE HOLDS NO FACET"},
        {"", "[STLRED] solid EXPECTED AT LINE 1"},
    };
    for (const auto& c : cases) {
        norak::reset();
        std::string path = tmp("bad.stl");
        write_file(path, c.text);
        i32 eid = 7, st = 0;
        STLRED(path.c_str(), eid, st);
        EXPECT_LT(st, 0) << c.message;
        EXPECT_EQ(eid, 0);
        EXPECT_EQ(saved_count(), 0);
        EXPECT_EQ(norak::transcript().size(), 1u) << c.message;
        EXPECT_TRUE(norak::transcript_has(c.message)) << norak::transcript().back();
    }
    norak::reset();
    i32 eid = 0, st = 0;
    STLRED(tmp("no-such-file.stl").c_str(), eid, st);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("[STLRED] CANNOT OPEN THE FILE"));
}

TEST(Stl, PublishedPartsAreRead)
{
    struct Part {
        const char* file;
        size_t facets;
    };
    for (Part p : {Part{"demo.stl", 1894}, Part{"cone_on_side.stl", 676}}) {
        norak::reset();
        std::string path = std::string(TAVREK_SOURCE_DIR) + "/tests/data/" + p.file;
        i32 eid = 0, st = 0;
        STLRED(path.c_str(), eid, st);
        ASSERT_EQ(st, 0) << p.file;
        SvapMesh m;
        lin_svap_load(eid, m, st);
        EXPECT_EQ(m.tri.size() / 3, p.facets);
        EXPECT_LT(m.xyz.size() / 3, p.facets * 3);  // shared vertices are merged
    }
    // the binary part whose header begins with "solid", where the shared data is present
    std::string bin = std::string(TAVREK_DATA_DIR) + "/stl/ktoolcav.stl";
    if (std::ifstream(bin)) {
        norak::reset();
        i32 eid = 0, st = 0;
        STLRED(bin.c_str(), eid, st);
        EXPECT_LT(st, 0);
        EXPECT_TRUE(norak::transcript_has("[STLRED] BINARY STL FILE"));
    }
}

}  // namespace
