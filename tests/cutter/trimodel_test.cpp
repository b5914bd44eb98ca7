// The triangle model: layout of its records, the quadtree placement and
// gathering, and its release.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <vector>

#include "common/meshes.h"
#include "core/host.h"
#include "cutter/loccom.h"
#include "surfaces/qtcell.h"
#include "platform/norak/norak.h"
#include "surfaces/trimodel.h"

namespace {

struct Cell {
    i32 box[4];
};

// Cell of every node, from the halving rule of the tree.
std::vector<Cell> all_cells()
{
    std::vector<Cell> c(QT_NODES);
    for (i32 k = 0; k < 4; ++k) c[0].box[k] = QTBOX[k];
    for (i32 n = 0; 4 * n + 1 < QT_NODES; ++n) {
        i32 w2 = (c[n].box[2] - c[n].box[0]) >> 1, h2 = (c[n].box[3] - c[n].box[1]) >> 1;
        for (i32 k = 0; k < 4; ++k) {
            i32 ix = k % 2, iy = k / 2;
            Cell& ch = c[4 * n + 1 + k];
            ch.box[0] = c[n].box[0] + ix * w2;
            ch.box[2] = c[n].box[0] + (ix + 1) * w2;
            ch.box[1] = c[n].box[1] + iy * h2;
            ch.box[3] = c[n].box[1] + (iy + 1) * h2;
        }
    }
    return c;
}

// A box lies in a cell: the halving truncates odd sizes, so a high child may
// end short of its parent by one thousandth a level (slack).
bool holds(const Cell& c, const i32* b, i32 slack = 0)
{
    return b[0] >= c.box[0] && b[1] >= c.box[1] && b[2] <= c.box[2] + slack && b[3] <= c.box[3] + slack;
}

class TriModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        norak::reset();
        FRETRI();
        LOCAXM = 0;
    }
    void TearDown() override { FRETRI(); }
};

TEST_F(TriModel, RecordsHoldTheirTriangles)
{
    auto ms = meshes::hemisphere_on_plate(30.0, 50.0, 20000);
    ms.push_back(meshes::random_triangles(2000, 100.0, 20.0, 4.0, 7));
    ms.back().cls = 2;
    ms.back().id = 77;
    ASSERT_EQ(meshes::build(ms), 0);
    i32 total = 0;
    for (auto& m : ms) total += m.ntri();
    EXPECT_EQ(TRIMDL[TM_NTRG] + TRIMDL[TM_NDEG], total);
    EXPECT_EQ(TRIMDL[TM_NSRF], 3);
    const i32* srf = srfbas();
    EXPECT_EQ(srf[2 * SRF_WORDS + SRF_ID], 77);
    EXPECT_EQ(srf[2 * SRF_WORDS + SRF_CLASS], 2);

    const f32* nod = nodbas();
    const f32* nrm = nrmbas();
    auto cells = all_cells();
    i32 sum = 0;
    for (i32 n = 0; n < QT_NODES; ++n) {
        const i32* row = qtrow(n);
        sum += row[QT_COUNT];
        if (row[QT_COUNT] == 0) continue;
        EXPECT_EQ(row[QT_CHECK], hdlchk(row[QT_HANDLE]));
        const i32* e = qtnbas(n);
        ASSERT_NE(e, nullptr);
        for (i32 k = 0; k < row[QT_COUNT]; ++k, e += TRG_WORDS) {
            f64 nx = wrd2r(e[TRG_NRM]), ny = wrd2r(e[TRG_NRM + 1]), nz = wrd2r(e[TRG_NRM + 2]);
            ASSERT_NEAR(nx * nx + ny * ny + nz * nz, 1.0, 1e-6);
            ASSERT_GE(nz, 0.0);
            i32 ori = trgori(e);
            ASSERT_TRUE(ori == 1 || ori == -1);
            ASSERT_EQ((e[TRG_FLAGS] >> 8) & 0xFF, 0x15);
            ASSERT_EQ((e[TRG_FLAGS] >> 16) & 0xFF, 0x15);
            for (i32 v = 0; v < 3; ++v) {
                const f32* p = nod + 3 * (e[TRG_NODE + v] - 1);
                f64 pl = nx * p[0] + ny * p[1] + nz * p[2] + wrd2r(e[TRG_PLANE]);
                ASSERT_NEAR(pl, 0.0, 2e-5 * (1 + std::fabs(p[0]) + std::fabs(p[1]) + std::fabs(p[2])));
                ASSERT_LE(e[TRG_BOX], p[0] * 1000.0);
                ASSERT_LE(e[TRG_BOX + 1], p[1] * 1000.0);
                ASSERT_GE(e[TRG_BOX + 2], p[0] * 1000.0);
                ASSERT_GE(e[TRG_BOX + 3], p[1] * 1000.0);
                const f32* q = nrm + 3 * (e[TRG_NODE + v] - 1);
                ASSERT_NEAR(q[0] * q[0] + q[1] * q[1] + q[2] * q[2], 1.0, 1e-5);
            }
            // Smallest node whose cell holds the box: in this cell (the
            // root takes everything) and in none of its children.
            if (n > 0) { ASSERT_TRUE(holds(cells[n], e + TRG_BOX, 5)) << n; }
            if (4 * n + 1 < QT_NODES) {
                for (i32 c = 4 * n + 1; c <= 4 * n + 4; ++c) ASSERT_FALSE(holds(cells[c], e + TRG_BOX)) << n;
            }
            // Node bounds hold the box.
            EXPECT_GE(wrd2r(qtrow(n)[QT_XMAX]), e[TRG_BOX + 2] * 0.001f - 1e-3f);
            EXPECT_LE(wrd2r(qtrow(n)[QT_XMIN]), e[TRG_BOX] * 0.001f + 1e-3f);
        }
    }
    EXPECT_EQ(sum, TRIMDL[TM_NTRG]);
}

TEST_F(TriModel, GatheringEqualsBruteForce)
{
    auto ms = std::vector<meshes::Mesh>{meshes::terrain(100.0, 60), meshes::random_triangles(3000, 100.0, 10.0, 8.0, 3)};
    ms[1].id = 2;
    ASSERT_EQ(meshes::build(ms), 0);
    // Every entry once, by (node, index).
    std::mt19937 g(11);
    std::uniform_real_distribution<f64> u(-10.0, 110.0), s(0.0, 15.0);
    std::vector<i32> rows(QT_NODES * QC_ROW);
    for (i32 q = 0; q < 2000; ++q) {
        f64 cx = u(g), cy = u(g), h = s(g);
        i32 sq[4] = {static_cast<i32>((cx - h) * 1000), static_cast<i32>((cy - h) * 1000),
                     static_cast<i32>((cx + h) * 1000), static_cast<i32>((cy + h) * 1000)};
        i32 count = 0, status = 0;
        qt_collect_cells(sq, count, rows.data(), status);
        ASSERT_EQ(status, 0);
        std::set<std::pair<i32, i32>> got, want, nodes;
        for (i32 r = 0; r < count; ++r) {
            i32 node = rows[r * QC_ROW + QC_NODE];
            ASSERT_TRUE(nodes.insert({node, 0}).second) << "node listed twice";
            const i32* e = qtnbas(node);
            for (i32 k = 0; k < rows[r * QC_ROW + QT_COUNT]; ++k, e += TRG_WORDS)
                if (e[TRG_BOX + 2] >= sq[0] && e[TRG_BOX] <= sq[2] && e[TRG_BOX + 3] >= sq[1] && e[TRG_BOX + 1] <= sq[3])
                    got.insert({node, k});
        }
        for (i32 n = 0; n < QT_NODES; ++n) {
            const i32* e = qtnbas(n);
            for (i32 k = 0; k < qtrow(n)[QT_COUNT]; ++k, e += TRG_WORDS)
                if (e[TRG_BOX + 2] >= sq[0] && e[TRG_BOX] <= sq[2] && e[TRG_BOX + 3] >= sq[1] && e[TRG_BOX + 1] <= sq[3])
                    want.insert({n, k});
        }
        ASSERT_EQ(got, want) << "square " << q;
    }
}

TEST_F(TriModel, CellDescentAtMidLines)
{
    // A model whose tree box is 0..64000 in both axes (nodes at 0.001 and
    // 63.998 with a margin of one thousandth).
    meshes::Mesh m;
    m.node(0.001, 0.001, 0);
    m.node(63.998, 0.001, 0);
    m.node(63.998, 63.998, 0);
    m.add(1, 2, 3);
    ASSERT_EQ(meshes::build({m}), 0);
    ASSERT_EQ(QTBOX[0], 0);
    ASSERT_EQ(QTBOX[2], 64000);
    i32 node = -1, count = 0, cell[4];
    i32 straddle[4] = {31000, 1000, 33000, 2000};
    qt_find_cell(straddle, nullptr, node, 0, count, nullptr, cell);
    EXPECT_EQ(node, 0);
    i32 leaf[4] = {100, 100, 200, 200};
    qt_find_cell(leaf, nullptr, node, 0, count, nullptr, cell);
    EXPECT_EQ(node, 341);  // low-low child five times
    // xmin on the root's mid-line goes to the high half; xmax on it to the low half.
    i32 hi[4] = {32000, 100, 32100, 200};
    qt_find_cell(hi, nullptr, node, 0, count, nullptr, cell);
    // High-x child of the root (2), then the low-low child four times down to a leaf.
    EXPECT_EQ(node, 597);
    i32 path = node;
    while (path > 4) path = (path - 1) / 4;
    EXPECT_EQ(path, 2);
    i32 lo[4] = {31900, 100, 32000, 200};
    qt_find_cell(lo, nullptr, node, 0, count, nullptr, cell);
    EXPECT_EQ(node, 426);  // low-x child of the root (1), then its high-x low-y child four times
    path = node;
    while (path > 4) path = (path - 1) / 4;
    EXPECT_EQ(path, 1);
    // Outside the tree box: the nearest quadrants, a leaf at most.
    i32 out[4] = {-90000, -90000, -80000, -80000};
    qt_find_cell(out, nullptr, node, 0, count, nullptr, cell);
    EXPECT_EQ(node, 341);
}

TEST_F(TriModel, ReleaseIsCompleteAndRepeatable)
{
    i32 before = norak::open_arrays();
    FRETRI();  // nothing built
    EXPECT_EQ(norak::open_arrays(), before);
    ASSERT_EQ(meshes::build({meshes::terrain(10.0, 30)}), 0);
    EXPECT_GT(norak::open_arrays(), before);
    i32 status = 5;
    FRETRI(status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(norak::open_arrays(), before);
    FRETRI(status);
    EXPECT_EQ(status, 0);
    for (i32 n = 0; n < QT_NODES; ++n) ASSERT_EQ(qtrow(n)[QT_HANDLE], -1);
    // A close that fails in the middle of the walk (the array of a node
    // holding triangles closed behind the tree's back): the message, the
    // node and its sub-tree left, the walk goes on, and the release says it
    // failed.
    ASSERT_EQ(meshes::build({meshes::terrain(10.0, 30)}), 0);
    std::vector<i32> walk;
    auto visit = [&](auto&& self, i32 n) -> void {
        if (qtrow(n)[QT_HANDLE] >= 0) walk.push_back(n);
        if (4 * n + 1 < QT_NODES)
            for (i32 c = 4 * n + 1; c <= 4 * n + 4; ++c) self(self, c);
    };
    visit(visit, 0);
    ASSERT_GT(walk.size(), 4u);
    const i32 failing = walk[walk.size() / 2];
    auto under = [&](i32 n) {
        while (n > failing) n = (n - 1) / 4;
        return n == failing;
    };
    ASSERT_FALSE(under(walk.back()));
    i32 h = qtrow(failing)[QT_HANDLE], cs = 0;
    MM_CLOSE(h, cs);
    ASSERT_EQ(cs, 0);
    qt_release_mem(status);
    EXPECT_NE(status, 0);
    EXPECT_TRUE(norak::transcript_has("qt_release_mem1,Close dynamic memory error"));
    for (i32 n : walk) EXPECT_EQ(qtrow(n)[QT_HANDLE] >= 0, under(n)) << n;
}

TEST_F(TriModel, BadInputIsRefusedWhole)
{
    i32 status = 0;
    TRMOPN(status);
    ASSERT_EQ(status, 0);
    i32 rec[SRF_WORDS] = {1};
    f32 xyz[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    i32 bad[3] = {1, 2, 4};
    TRMSRF(rec, 3, xyz, nullptr, 1, bad, status);
    EXPECT_LT(status, 0);
    EXPECT_EQ(TRIMDL[TM_NSRF], 0);
    f32 far[9] = {0, 0, 0, 3.0e6f, 0, 0, 0, 1, 0};
    i32 ok[3] = {1, 2, 3};
    TRMSRF(rec, 3, far, nullptr, 1, ok, status);
    EXPECT_LT(status, 0);
    // A degenerate triangle is left out and counted.
    f32 line[9] = {0, 0, 0, 1, 1, 1, 2, 2, 2};
    TRMSRF(rec, 3, line, nullptr, 1, ok, status);
    ASSERT_EQ(status, 0);
    TRMSRF(rec, 3, xyz, nullptr, 1, ok, status);
    ASSERT_EQ(status, 0);
    TRMCLS(status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(TRIMDL[TM_NTRG], 1);
    EXPECT_EQ(TRIMDL[TM_NDEG], 1);
    // A failing allocation is reported, and the release still closes all.
    FRETRI();
    i32 before = norak::open_arrays();
    TRMOPN(status);
    norak::fail_alloc_after(2);
    TRMSRF(rec, 3, xyz, nullptr, 1, ok, status);
    EXPECT_LT(status, 0);
    norak::fail_alloc_after(0);
    FRETRI();
    EXPECT_EQ(norak::open_arrays(), before);
}

// A node array the host refuses is named by its node in the message; the
// model is left as it was before the surface (no triangle half entered) and
// the release still closes everything. A refused growth of a node's array
// fails the same way.
TEST_F(TriModel, RefusedNodeArrayIsNamedAndNothingIsHalfWritten)
{
    const i32 before = norak::open_arrays();
    i32 status = 0;
    i32 rec[SRF_WORDS] = {1};
    // One small triangle in the low-low leaf of a 0..64 tree (node 341).
    const f32 xyz[9] = {0.001f, 0.001f, 0, 63.998f, 0.001f, 0, 63.998f, 63.998f, 0};
    const f32 small[9] = {0.1f, 0.1f, 0, 0.2f, 0.1f, 0, 0.1f, 0.2f, 0};
    const i32 one[3] = {1, 2, 3};
    TRMOPN(status);
    ASSERT_EQ(status, 0);
    TRMSRF(rec, 3, small, nullptr, 1, one, status);
    ASSERT_EQ(status, 0);
    TRMSRF(rec, 3, xyz, nullptr, 1, one, status);  // sets the tree box
    ASSERT_EQ(status, 0);
    norak::fail_alloc_after(2);  // the second node array of the close: the leaf's (the root's is first)
    TRMCLS(status);
    norak::fail_alloc_after(0);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(norak::transcript().back(), "internal: qt_insert, DYNAMIC MEMORY ERROR AT NODE341");
    EXPECT_EQ(norak::transcript_count("DYNAMIC MEMORY ERROR"), 1u);
    EXPECT_EQ(TRIMDL[TM_NTRG], 0);
    EXPECT_NE(TRIMDL[TM_STATE], 2);
    for (i32 n = 0; n < QT_NODES; ++n) ASSERT_EQ(qtrow(n)[QT_COUNT], 0) << n;
    FRETRI();
    EXPECT_EQ(norak::open_arrays(), before);

    // Built whole, then one more entry into the full leaf: its array must
    // grow, the host refuses, and the leaf keeps its one entry.
    TRMOPN(status);
    TRMSRF(rec, 3, small, nullptr, 1, one, status);
    TRMSRF(rec, 3, xyz, nullptr, 1, one, status);
    TRMCLS(status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(qtrow(341)[QT_COUNT], 1);
    i32 entry[TRG_WORDS];
    std::copy(qtnbas(341), qtnbas(341) + TRG_WORDS, entry);
    i32 node = -1, index = -1;
    norak::fail_alloc_after(1);
    qt_insert(entry, node, index, status);
    norak::fail_alloc_after(0);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(node, 341);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(norak::transcript().back(), "internal: qt_insert, DYNAMIC MEMORY ERROR AT NODE341");
    EXPECT_EQ(qtrow(341)[QT_COUNT], 1);
    EXPECT_EQ(TRIMDL[TM_NTRG], 2);
    // Granted, the entry goes in as the second.
    qt_insert(entry, node, index, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(qtrow(341)[QT_COUNT], 2);
    EXPECT_EQ(TRIMDL[TM_NTRG], 3);
    FRETRI();
    EXPECT_EQ(norak::open_arrays(), before);
}

TEST(HandleCheck, StaysWithinAWord)
{
    EXPECT_EQ(hdlchk(3), 10);
    EXPECT_EQ(hdlchk(46341), static_cast<i32>(46341u * 46341u + 1u));
    EXPECT_EQ(hdlchk(-1), 2);
}

}  // namespace
