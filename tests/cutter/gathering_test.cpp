// The list of triangles under the tool at scale: whatever the gathering
// keeps beside the quadtree, it lists the entries of its cells whose boxes
// meet the tool's square, in the cells' order and each cell's entry order,
// with the keys, the best entry and the reach test of the running best; it
// follows the model as the model grows; the drop passes over entries only
// where nothing could change.
#include <gtest/gtest.h>

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
#include "cutter/under.h"
#include "core/params.h"
#include "platform/norak/norak.h"
#include "surfaces/qtside.h"
#include "surfaces/trimodel.h"

namespace {

class Gathering : public ::testing::Test {
protected:
    void SetUp() override { positioning::reset(); }
    void TearDown() override { FRETRI(); }
    void context(f32 a, f32 b)
    {
        i32 st = 0;
        CNTPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
        LOCPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
        ASSERT_TRUE(LOCTOL(a, b));
    }
};

struct Listed {
    i32 node, index;
    f32 key;
};

// The list as the gathering defines it, entry by entry over the cells it
// gathered (an untapered tool): the admitted entries whose boxes meet the
// square, keyed by their top (or the estimate when the top reaches the
// running best), those that could raise the best kept only within reach.
std::vector<Listed> expected(const f32* point, i32& best, f32& best_z)
{
    const i32 h = static_cast<i32>(LOCRCH * 1000.0f + 1.0f);
    const i32 ix = static_cast<i32>(point[0] * 1000.0f), iy = static_cast<i32>(point[1] * 1000.0f);
    const i32 sq[4] = {ix - h, iy - h, ix + h, iy + h};
    const f64 pxy[2] = {f64(point[0]) * 1000.0, f64(point[1]) * 1000.0};
    std::vector<Listed> out;
    f32 B = -1.0e10f;
    best = 0;
    const i32* srf = srfbas();
    const f32* nod = nodbas();
    for (i32 row = 0; row < ELMNCL; ++row) {
        const i32 node = ELMCLS[row * QC_ROW + QC_NODE];
        const i32* e = qtnbas(node);
        for (i32 k = 0; e && k < ELMCLS[row * QC_ROW + QT_COUNT]; ++k, e += TRG_WORDS) {
            const i32* b = e + TRG_BOX;
            if (!(b[2] >= sq[0] && b[0] <= sq[2] && b[3] >= sq[1] && b[1] <= sq[3])) continue;
            const i32 cls = srf[(e[TRG_SRF] - 1) * SRF_WORDS];
            if (!(LOCFLG & (1 << (cls - 1)))) continue;
            const f32 al = (cls == 1 || cls == 3) ? LOCOFA : LOCOFB;
            const i32 kind = (cls == 1 || cls == 3) ? LOCKDA : LOCKDB;
            const f32 d2 = static_cast<f32>(LOCDIA + 2.0 * al * std::tan(PI * 0.5 * 0.5));
            const f32 R = d2 * 0.5f, Rc = al + LOCCRN;
            const f32* v[3];
            for (int j = 0; j < 3; ++j) v[j] = nod + 3 * (e[TRG_NODE + j] - 1);
            const f32 top = std::fmax(v[0][2], std::fmax(v[1][2], v[2][2]));
            f32 est = top;
            i32 st = 0;
            if (B - al <= top) TRGEST(pxy, b, top, 1, R, Rc, kind, est, st);
            const f32 key = est + al;
            if (key > B - 0.001f) {
                f32 ed[9], vv[9];
                i32 es[3];
                for (int j = 0; j < 3; ++j) {
                    ed[3 * j] = v[(j + 1) % 3][0] - v[j][0], ed[3 * j + 1] = v[(j + 1) % 3][1] - v[j][1], ed[3 * j + 2] = 0;
                    f32 len;
                    V2NRMS(ed + 3 * j, len, es[j]);
                    for (int c = 0; c < 3; ++c) vv[3 * j + c] = v[j][c];
                }
                i32 res = 0;
                TRGRCH(point, R, vv, eqval0(R), ed, es, res);
                if (res == 1) continue;
                B = key;
                best = static_cast<i32>(out.size()) + 1;
            }
            out.push_back({node, k, key});
        }
    }
    best_z = B;
    return out;
}

// Checks the gathering at a point against the definition; the count.
i32 check_at(f32 x, f32 y, int& lists)
{
    f32 p[3] = {x, y, 0.0f};
    i32 ixy[2] = {static_cast<i32>(x * 1000.0f), static_cast<i32>(y * 1000.0f)};
    i32 n = 0, best = 0, part = 0, check = 0, other = 0, st = 0;
    f32 bz = 0;
    const f32 radius = 0.01f;
    elm2nd(0, p, ixy, radius, ELMCAP, n, best, bz, part, check, other, st);
    EXPECT_EQ(st, 0);
    i32 xbest = 0;
    f32 xbz = 0;
    const auto want = expected(p, xbest, xbz);
    EXPECT_EQ(n, static_cast<i32>(want.size())) << x << " " << y;
    if (n == 0 || n != static_cast<i32>(want.size())) return n;
    ++lists;
    EXPECT_EQ(best, xbest) << x << " " << y;
    EXPECT_EQ(bz, xbz) << x << " " << y;
    elm_keys();
    const i32* lst = elmlst();
    for (i32 k = 0; k < n; ++k) {
        const i32* le = lst + k * ELM_WORDS;
        if (le[ELM_NODE] != want[k].node || le[ELM_INDEX] != want[k].index || wrd2r(le[ELM_KEY]) != want[k].key) {
            ADD_FAILURE() << "entry " << k << " at " << x << " " << y;
            break;
        }
    }
    return n;
}

// The same for the gathering under a straight move from a to b: the
// admitted entries whose boxes meet the box of the move's squares and whose
// tops reach z_ref less their allowance.
void check_move(f32 ax, f32 ay, f32 bx, f32 by, f32 z_ref, int& lists)
{
    const f32 a[2] = {ax, ay}, b[2] = {bx, by};
    i32 n = 0, part = 0, check = 0, other = 0, st = 0;
    elm2n2(0, a, b, z_ref, ELMCAP, n, part, check, other, st);
    EXPECT_EQ(st, 0);
    const f64 h = std::trunc(elm_reach() * 1000.0 + 1.0);
    const f64 x0 = std::trunc(f64(ax) * 1000.0), y0 = std::trunc(f64(ay) * 1000.0);
    const f64 x1 = std::trunc(f64(bx) * 1000.0), y1 = std::trunc(f64(by) * 1000.0);
    const i32 sq[4] = {static_cast<i32>(std::fmin(x0, x1) - h), static_cast<i32>(std::fmin(y0, y1) - h),
                       static_cast<i32>(std::fmax(x0, x1) + h), static_cast<i32>(std::fmax(y0, y1) + h)};
    std::vector<Listed> want;
    const i32* srf = srfbas();
    const f32* nod = nodbas();
    for (i32 row = 0; row < ELMNCL; ++row) {
        const i32 node = ELMCLS[row * QC_ROW + QC_NODE];
        const i32* e = qtnbas(node);
        for (i32 k = 0; e && k < ELMCLS[row * QC_ROW + QT_COUNT]; ++k, e += TRG_WORDS) {
            const i32* bb = e + TRG_BOX;
            if (!(bb[2] >= sq[0] && bb[0] <= sq[2] && bb[3] >= sq[1] && bb[1] <= sq[3])) continue;
            const i32 cls = srf[(e[TRG_SRF] - 1) * SRF_WORDS];
            if (!(LOCFLG & (1 << (cls - 1)))) continue;
            const f32 al = (cls == 1 || cls == 3) ? LOCOFA : LOCOFB;
            f32 top = -1e30f;
            for (int j = 0; j < 3; ++j) top = std::fmax(top, nod[3 * (e[TRG_NODE + j] - 1) + 2]);
            if (z_ref - al > top) continue;
            want.push_back({node, k, top});
        }
    }
    EXPECT_EQ(n, static_cast<i32>(want.size())) << ax << " " << ay << " " << bx << " " << by;
    if (n != static_cast<i32>(want.size())) return;
    if (n > 0) ++lists;
    const i32* lst = elmlst();
    for (i32 k = 0; k < n; ++k) {
        const i32* le = lst + k * ELM_WORDS;
        if (le[ELM_NODE] != want[k].node || le[ELM_INDEX] != want[k].index || wrd2r(le[ELM_KEY]) != want[k].key) {
            ADD_FAILURE() << "move entry " << k;
            break;
        }
    }
}

// Triangles of every size (from tenths to tens of units, at every level of
// the tree, many straddling cell lines and runs of entries), on surfaces of
// four classes, some not admitted.
std::vector<meshes::Mesh> mixed()
{
    std::vector<meshes::Mesh> ms;
    const f64 sides[] = {0.3, 2.0, 9.0, 40.0};
    for (int s = 0; s < 8; ++s) {
        auto m = meshes::random_triangles(s < 4 ? 4000 : 150, 100.0, 20.0, sides[s % 4], 31 + s);
        m.cls = 1 + s % 4;
        m.id = 10 + s;
        ms.push_back(m);
    }
    auto t = meshes::terrain(100.0, 60);
    t.id = 30;
    ms.push_back(t);
    return ms;
}

TEST_F(Gathering, ListsWhatTheSquareMeetsInTheCellsOrder)
{
    ASSERT_EQ(meshes::build(mixed()), 0);
    std::mt19937 g(5);
    std::uniform_real_distribution<f32> c(-8.0f, 108.0f);
    int lists = 0;
    struct Case {
        f32 d, r, a, b;
        i32 flags;
    } cases[] = {{10, 5, 0, 0, 0x0F}, {10, 0, 0.4f, 1.5f, 0x0B}, {6, 2, -0.5f, 0.2f, 0x05}, {0.5f, 0, 0, 0, 0x0F}};
    for (const Case& cs : cases) {
        tooldefs::use_mill(cs.d, cs.r);
        context(cs.a, cs.b);
        STPFLG(cs.flags);
        for (int k = 0; k < 150; ++k) check_at(c(g), c(g), lists);
        // Points on a row, as a pass takes them.
        for (int k = 0; k < 100; ++k) check_at(20.0f + 0.37f * k, 50.0f, lists);
        // Moves, short and long, at heights through the model's.
        for (int k = 0; k < 60; ++k) {
            const f32 x = c(g), y = c(g), len = (k % 3 == 0) ? 40.0f : 3.0f;
            check_move(x, y, x + len * std::cos(0.3f * k), y + len * std::sin(0.3f * k), -2.0f + 0.4f * k, lists);
        }
    }
    EXPECT_GT(lists, 1000);
}

// Under the sort switch the index array takes the list by key, highest
// first, keys within 1e-4 of each other in list order; the list itself and
// the best entry are those of the unsorted gathering.
TEST_F(Gathering, TheSortSwitchOrdersTheIndexByKey)
{
    ASSERT_EQ(meshes::build(mixed()), 0);
    tooldefs::use_mill(10, 5);
    context(0.4f, 1.5f);
    std::mt19937 g(7);
    std::uniform_real_distribution<f32> c(-8.0f, 108.0f);
    int sorted = 0;
    for (int k = 0; k < 60; ++k) {
        f32 p[3] = {c(g), c(g), 0.0f};
        i32 ixy[2] = {static_cast<i32>(p[0] * 1000.0f), static_cast<i32>(p[1] * 1000.0f)};
        i32 n = 0, best = 0, part = 0, check = 0, other = 0, st = 0;
        f32 bz = 0;
        elm2nd(0, p, ixy, 0.01f, ELMCAP, n, best, bz, part, check, other, st);
        // After the last case's sort the index is the identity again.
        for (i32 i = 0; i < n; ++i) ASSERT_EQ(elmidx()[i], i) << k;
        elm_keys();
        const std::vector<i32> plain(elmlst(), elmlst() + static_cast<size_t>(n) * ELM_WORDS);
        ELMSRT = 1;
        i32 sn = 0, sbest = 0;
        f32 sbz = 0;
        elm2nd(0, p, ixy, 0.01f, ELMCAP, sn, sbest, sbz, part, check, other, st);
        ELMSRT = 0;
        ASSERT_EQ(st, 0);
        ASSERT_EQ(sn, n);
        EXPECT_EQ(sbest, best);
        EXPECT_EQ(sbz, bz);
        if (n < 2) continue;
        ++sorted;
        const i32* lst = elmlst();
        ASSERT_TRUE(std::equal(plain.begin(), plain.end(), lst));
        const i32* idx = elmidx();
        std::vector<char> seen(static_cast<size_t>(n), 0);
        for (i32 i = 0; i < n; ++i) {
            ASSERT_TRUE(idx[i] >= 0 && idx[i] < n && !seen[static_cast<size_t>(idx[i])]);
            seen[static_cast<size_t>(idx[i])] = 1;
            if (i == 0) continue;
            const f32 a = wrd2r(lst[idx[i - 1] * ELM_WORDS + ELM_KEY]), b = wrd2r(lst[idx[i] * ELM_WORDS + ELM_KEY]);
            ASSERT_GE(a, b - 1.0e-4f) << k << " " << i;
            if (std::fabs(a - b) <= 1.0e-4f) {
                ASSERT_LT(idx[i - 1], idx[i]) << k << " " << i;
            }
        }
    }
    EXPECT_GT(sorted, 30);
}

// In tool-axis mode the gathering turns the point into the tool's frame in
// place and hands it back so, with its thousandths.
TEST_F(Gathering, ATiltedGatheringHandsThePointBackTurned)
{
    ASSERT_EQ(meshes::build(mixed()), 0);
    tooldefs::use_mill(10, 5);
    context(0.0f, 0.0f);
    const f32 axes[][3] = {{0.0f, 0.0f, 1.0f}, {0.6f, 0.0f, 0.8f}, {0.0f, -0.28f, 0.96f}, {0.36f, 0.48f, 0.8f}};
    for (const auto& a : axes) {
        f32 p[3] = {40.0f, 60.0f, 30.0f}, want[3] = {p[0], p[1], p[2]};
        const f32 at[3] = {p[0], p[1], p[2]};
        FRMROT(at, a, want);
        LOCAXM = 1;
        for (int c = 0; c < 3; ++c) LOCTAX[c] = a[c];
        i32 ixy[2] = {40000, 60000}, n = 0, best = 0, part = 0, check = 0, other = 0, st = 0;
        f32 bz = 0;
        elm2nd(0, p, ixy, 0.01f, ELMCAP, n, best, bz, part, check, other, st);
        LOCAXM = 0;
        ASSERT_EQ(st, 0);
        EXPECT_GT(n, 0);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(p[c], want[c]) << a[0] << " " << c;
        EXPECT_EQ(ixy[0], static_cast<i32>(want[0] * 1000.0f));
        EXPECT_EQ(ixy[1], static_cast<i32>(want[1] * 1000.0f));
    }
}

// The height estimate over an entry's box: the ball and the corner end
// sink by their arc at the farthest box corner (or the nearest point, for
// the box bound), the flat and the tapered tools keep the top.
TEST(Estimate, SinksByTheArcAtTheFarthestCorner)
{
    const f64 p[2] = {0.0, 0.0};
    const i32 far5[4] = {1000, 0, 3000, 4000};  // farthest corner (3, 4)
    const i32 far3[4] = {1000, 0, 3000, 0};     // farthest corner (3, 0)
    const i32 around[4] = {-1000, -1000, 1000, 1000};
    const i32 near3[4] = {3000, 0, 5000, 0};      // nearest point (3, 0)
    const i32 beyond[4] = {6000, 0, 8000, 1000};  // nearest point 6 away
    struct Case {
        i32 kind, code;
        const i32* box;
        f32 R, rc, want;  // want: how far below the top; -1: out of reach
    } cases[] = {
        {1, 1, far5, 5, 5, 5},  {1, 1, far3, 5, 5, 1},  {1, 1, around, 5, 5, 0}, {1, 3, far5, 5, 1, 1},
        {1, 3, far3, 5, 1, 0},  {1, 2, far5, 5, 0, 0},  {1, 12, far5, 5, 0, 0},  {1, 11, far5, 5, 5, 0},
        {2, 1, near3, 5, 5, 1}, {2, 1, beyond, 5, 5, -1}, {2, 2, beyond, 5, 0, -1},
    };
    for (const Case& c : cases) {
        f32 est = 0;
        i32 st = 0;
        const f32 top = 7.0f;
        TRGEST(p, c.box, top, c.kind, c.R, c.rc, c.code, est, st);
        if (c.want < 0) {
            EXPECT_EQ(st, 1) << c.kind << " " << c.code;
            continue;
        }
        EXPECT_EQ(st, 0);
        EXPECT_NEAR(est, top - c.want, 1e-5) << c.kind << " " << c.code << " " << c.box[0];
    }
}

// A node that claims entries but holds no array leaves the index beside the
// tree unbuilt: both gatherings then walk the other nodes entry by entry
// and list what the definition lists.
TEST_F(Gathering, WithoutTheIndexEveryEntryIsTestedInTurn)
{
    ASSERT_EQ(meshes::build(mixed()), 0);
    i32 hollow = -1;
    for (i32 n = QT_NODES - 1; n > 0 && hollow < 0; --n)
        if (qtrow(n)[QT_COUNT] == 0 && !qtnbas(n)) hollow = n;
    ASSERT_GT(hollow, 0);
    qtrow(hollow)[QT_COUNT] = 3;
    qt_side_drop();
    ASSERT_EQ(qt_side(), nullptr);
    std::mt19937 g(9);
    std::uniform_real_distribution<f32> c(-8.0f, 108.0f);
    int lists = 0;
    tooldefs::use_mill(8.0f, 4.0f);
    context(0.3f, 0.6f);
    STPFLG(0x0F);
    for (int k = 0; k < 120; ++k) check_at(c(g), c(g), lists);
    for (int k = 0; k < 60; ++k) {
        const f32 x = c(g), y = c(g);
        check_move(x, y, x + 6.0f * std::cos(0.5f * k), y + 6.0f * std::sin(0.5f * k), -3.0f + 0.4f * k, lists);
    }
    EXPECT_GT(lists, 120);
    qtrow(hollow)[QT_COUNT] = 0;
    qt_side_drop();
}

TEST_F(Gathering, FollowsTheModelAsItGrows)
{
    auto plate = meshes::grid(0, 0, 64, 64, 64, 64, [](f64 x, f64) { return 0.01 * x; });
    ASSERT_EQ(meshes::build({plate}), 0);
    tooldefs::use_mill(10.0f, 5.0f);
    context(0.0f, 0.0f);
    int lists = 0;
    check_at(30.3f, 30.7f, lists);
    // A triangle added to the built model is listed at the next gathering,
    // in its node after the node's earlier entries.
    i32 entry[TRG_WORDS];
    i32 node = -1, index = -1, st = 0;
    for (i32 n = QT_NODES - 1; n >= 0 && node < 0; --n) {
        const i32* e = qtnbas(n);
        for (i32 k = 0; e && k < qtrow(n)[QT_COUNT]; ++k, e += TRG_WORDS)
            if (e[TRG_BOX] <= 30300 && e[TRG_BOX + 2] >= 30300 && e[TRG_BOX + 1] <= 30700 && e[TRG_BOX + 3] >= 30700) {
                std::copy(e, e + TRG_WORDS, entry);
                node = n;
                break;
            }
    }
    ASSERT_GE(node, 0);
    const i32 before = qtrow(node)[QT_COUNT];
    qt_insert(entry, node, index, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(index, before);
    const i32 n = check_at(30.3f, 30.7f, lists);
    const i32* lst = elmlst();
    bool seen = false;
    for (i32 k = 0; k < n && !seen; ++k) seen = lst[k * ELM_WORDS] == node && lst[k * ELM_WORDS + 1] == index;
    EXPECT_TRUE(seen);
    // Another model in its place.
    FRETRI();
    auto hill = meshes::grid(0, 0, 64, 64, 40, 40, [](f64 x, f64 y) { return 5.0 - 0.001 * ((x - 32) * (x - 32) + (y - 32) * (y - 32)); });
    ASSERT_EQ(meshes::build({hill}), 0);
    context(0.0f, 0.0f);
    check_at(30.3f, 30.7f, lists);
    check_at(3.0f, 60.0f, lists);
    EXPECT_EQ(lists, 4);
}

// Under a roof listed first (a large triangle in the root), the runs of
// the fine surfaces below can raise nothing: they are listed as they come,
// keyed by top plus allowance, and the notes beside the list (tops,
// surfaces, class passes, the last winner's position) match the list.
TEST_F(Gathering, RunsUnderARoofAreListedAsEntryByEntry)
{
    meshes::Mesh roof;
    roof.node(-100, -100, 30), roof.node(300, -100, 30), roof.node(-100, 300, 30);
    roof.add(1, 2, 3);
    roof.id = 1;
    auto part = meshes::terrain(100.0, 150);
    part.id = 2;
    auto check = meshes::grid(3, 3, 97, 97, 50, 50, [](f64 x, f64 y) { return 0.02 * x - 0.01 * y; });
    check.cls = 2, check.id = 3;
    auto off = meshes::grid(5, 5, 95, 95, 30, 30, [](f64 x, f64) { return 0.03 * x; });
    off.cls = 4, off.id = 4;
    ASSERT_EQ(meshes::build({roof, part, check, off}), 0);
    tooldefs::use_mill(16.0f, 1.0f);
    context(0.25f, -0.1f);
    std::mt19937 g(11);
    std::uniform_real_distribution<f32> c(2.0f, 98.0f);
    int lists = 0;
    for (i32 flags : {0x0F, 0x07, 0x02}) {
        STPFLG(flags);
        for (int k = 0; k < 60; ++k) {
            const f32 x = c(g), y = c(g);
            // The last winner: an entry of the list at this point.
            LOCLST[0] = LOCLST[1] = -1;
            const i32 n0 = check_at(x, y, lists);
            if (n0 < 3) continue;
            const i32 pick = static_cast<i32>(g() % static_cast<unsigned>(n0));
            LOCLST[0] = elmlst()[pick * ELM_WORDS + ELM_NODE];
            LOCLST[1] = elmlst()[pick * ELM_WORDS + ELM_INDEX];
            const i32 n = check_at(x, y, lists);
            ASSERT_EQ(n, n0);
            ElmSide side{};
            ASSERT_TRUE(elm_side(n, side));
            EXPECT_EQ(side.last, pick) << x << " " << y;
            const i32* lst = elmlst();
            for (i32 p = 0; p < n; ++p) {
                const i32* le = lst + p * ELM_WORDS;
                const i32 srfno = qtnbas(le[ELM_NODE])[static_cast<size_t>(le[ELM_INDEX]) * TRG_WORDS + TRG_SRF];
                const i32 cls = srfbas()[(srfno - 1) * SRF_WORDS + SRF_CLASS];
                if (side.top[p] != wrd2r(le[ELM_TOP]) || side.srf[p] != srfno ||
                    side.pass[p] != (cls == 2 || cls == 3 ? 2 : 1)) {
                    ADD_FAILURE() << "note " << p << " at " << x << " " << y;
                    break;
                }
            }
        }
    }
    LOCLST[0] = LOCLST[1] = -1;
    EXPECT_GT(lists, 300);
}

// A surface the flags leave out, met between entries of an admitted one,
// changes nothing the admitted entries report: the part flag stays, and no
// other-part entry is reported where none was listed.
TEST_F(Gathering, ALeftOutSurfaceBetweenEntriesKeepsTheReportedKind)
{
    // In the root, in this order: a large part triangle, a large check
    // triangle; in the leaves, small part triangles.
    meshes::Mesh part, check;
    part.node(-50, -50, 0), part.node(50, -50, 0), part.node(0, 50, 0);
    part.add(1, 2, 3);
    const auto small = meshes::grid(-2, -2, 2, 2, 4, 4, [](f64, f64) { return 0.5; });
    for (size_t k = 0; k < small.tri.size(); ++k) part.tri.push_back(small.tri[k] + part.nnod());
    part.xyz.insert(part.xyz.end(), small.xyz.begin(), small.xyz.end());
    check.node(-50, -40, 1), check.node(50, -40, 1), check.node(0, 40, 1);
    check.add(1, 2, 3);
    check.cls = 2, check.id = 2;
    ASSERT_EQ(meshes::build({part, check}), 0);
    tooldefs::use_mill(4.0f, 0.0f);
    context(0.0f, 0.0f);
    STPFLG(0x01);
    f32 p[3] = {0.3f, 0.2f, 0.0f};
    i32 ixy[2] = {300, 200};
    i32 n = 0, best = 0, part_seen = 0, check_seen = 0, other_seen = 0, st = 0;
    f32 bz = 0;
    elm2nd(0, p, ixy, 0.0f, ELMCAP, n, best, bz, part_seen, check_seen, other_seen, st);
    ASSERT_EQ(st, 0);
    EXPECT_GT(n, 2);
    EXPECT_EQ(part_seen, 1);
    EXPECT_EQ(check_seen, 0);
    EXPECT_EQ(other_seen, 0);
}

// After a change of surface, an entry of the new surface too low to be
// examined still brings the other-surface note when it stands within the
// margin of the height reached; every entry here sits in the root, in
// this order: the plate, a deep triangle of a second surface, a shallow one.
TEST_F(Gathering, PassedOverEntriesAfterASurfaceChangeKeepTheNote)
{
    for (f64 shallow : {-0.2, -0.8}) {
        FRETRI();
        meshes::Mesh plate, low;
        plate.node(-20, -20, 0), plate.node(20, -20, 0), plate.node(0, 20, 0);
        plate.add(1, 2, 3);
        low.node(-1, -1, -3), low.node(1, -1, -3), low.node(0, 1, -3);
        low.node(-1.5, -1.5, shallow), low.node(1.5, -1.5, shallow), low.node(0, 1.5, shallow);
        low.add(1, 2, 3);
        low.add(4, 5, 6);
        low.id = 2;
        ASSERT_EQ(meshes::build({plate, low}), 0);
        for (i32 n = 1; n < QT_NODES; ++n) ASSERT_EQ(qtrow(n)[QT_COUNT], 0);
        tooldefs::use_mill(10.0f, 0.0f);
        context(0.0f, 0.0f);
        static f32 cz[8], cpt[24];
        static i32 ck[8], cp[8];
        const LocRes res{cz, ck, cp, cpt};
        f32 p[3] = {0.1f, 0.2f, 0}, z = 0, n[3] = {0, 0, 1};
        i32 ntri = 0, count = 0, st = 0;
        LOCNRM = 1;
        LOCPNT(1, 0, p, 0.01f, ntri, z, n, 8, count, res, st);
        EXPECT_EQ(ntri, 3);
        EXPECT_EQ(z, 0.0f);
        // Within D / 22 of the plate: the note; deeper: none.
        EXPECT_EQ(st, shallow > -0.45 ? 10 : 0) << shallow;
    }
}

}  // namespace

namespace {

// A list whose check word no longer matches its handle is refused with the
// check word message: every routine that lists or reads through it fails
// with status -1 instead of writing or reading through the refused address.
TEST_F(Gathering, AWrongCheckWordFailsTheCallerWithStatusMinusOne)
{
    ASSERT_EQ(meshes::build(mixed()), 0);
    tooldefs::use_mill(10, 5);
    context(0.0f, 0.0f);
    const f32 tilt[3] = {0.6f, 0.0f, 0.8f};
    enum Road { Point, Tilted, Move, Choice };
    const struct {
        i32* word;
        Road road;
    } cases[] = {{ELMLST, Point}, {ELMIDX, Point}, {ELMCPY, Tilted}, {ELMLST, Move},
                 {ELMIDX, Move},  {ELMLST, Choice}, {ELMIDX, Choice}};
    for (const auto& cs : cases) {
        // A sound gathering first opens every list, the turned copies too.
        for (const i32 axis : {1, 0}) {
            f32 p[3] = {40.0f, 60.0f, 30.0f};
            i32 ixy[2] = {40000, 60000}, n = 0, best = 0, part = 0, check = 0, other = 0, st = 0;
            f32 bz = 0;
            LOCAXM = axis;
            for (int c = 0; c < 3; ++c) LOCTAX[c] = tilt[c];
            elm2nd(0, p, ixy, 0.01f, ELMCAP, n, best, bz, part, check, other, st);
            LOCAXM = 0;
            ASSERT_EQ(st, 0);
            ASSERT_GT(n, 0);
        }
        const size_t said = norak::transcript_count("elm2nd, CHECK WORD OF A LIST IS WRONG");
        cs.word[1] += 1;
        i32 st = 0, n = 0, part = 0, check = 0, other = 0;
        if (cs.road == Point || cs.road == Tilted) {
            f32 p[3] = {40.0f, 60.0f, 30.0f}, bz = 0;
            i32 ixy[2] = {40000, 60000}, best = 0;
            LOCAXM = cs.road == Tilted;
            elm2nd(0, p, ixy, 0.01f, ELMCAP, n, best, bz, part, check, other, st);
            LOCAXM = 0;
        } else if (cs.road == Move) {
            const f32 a[2] = {30.0f, 60.0f}, b[2] = {50.0f, 60.0f};
            elm2n2(0, a, b, -100.0f, ELMCAP, n, part, check, other, st);
        } else {
            const f32 p[3] = {40.0f, 60.0f, 30.0f}, cz[1] = {1.0f}, cpt[3] = {40.0f, 60.0f, 1.0f};
            const i32 ckind[1] = {1}, ctri[1] = {1};
            f32 z = 1.0f, nrm[3], con[3];
            i32 srf = -1, higher = 0;
            LOCSEL(0.01f, p, z, nrm, con, srf, -1, 1, cz, ckind, ctri, cpt, higher, st);
        }
        cs.word[1] -= 1;
        EXPECT_EQ(st, -1) << cs.road;
        EXPECT_EQ(n, 0) << cs.road;
        EXPECT_GT(norak::transcript_count("elm2nd, CHECK WORD OF A LIST IS WRONG"), said) << cs.road;
    }
}

}  // namespace
