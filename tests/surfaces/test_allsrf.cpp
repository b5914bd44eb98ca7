// The triangle model built by allsrf: records, quadtree, saved approximations,
// release and the bad surfaces.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <vector>

#include "cutter/loccom.h"
#include "surfaces/qtcell.h"
#include "core/host.h"
#include "frame/intctl.h"
#include "platform/norak/norak.h"
#include "surfaces/allsrf.h"
#include "surfaces/srfbuf.h"
#include "surfaces/svap.h"
#include "surfaces/trimodel.h"
#include "tests/surfaces/shapes.h"

namespace {

class AllSrf : public ::testing::Test {
protected:
    void SetUp() override
    {
        norak::reset();
        FRETRI();
        allrst();
        LOCAXM = 0;
    }
    void TearDown() override
    {
        i32 st = 0;
        FRETRI(st);
        allfre(st);
    }
    void load(const std::vector<std::string>& ents, const std::string& replies = "[]")
    {
        norak::load_session_text(shapes::session(ents, replies));
        init_badsrf();
    }
    i32 build(std::vector<i32> ids, f32 tol, i32 amode = 1, f32 side = 0.0f, std::vector<i32> nrms = {},
              std::vector<i32> checks = {})
    {
        if (nrms.empty()) nrms.assign(ids.size(), 1);
        std::vector<i32> cn(checks.size(), 1);
        i32 work = 0, st = 0;
        allsrf(1, static_cast<i32>(ids.size()), ids.data(), nrms.data(), static_cast<i32>(checks.size()), checks.data(),
               cn.data(), amode, tol, side, 0, work, st);
        return st;
    }
};

// Every triangle entry of the quadtree.
template <class F>
void each_entry(F f)
{
    for (i32 n = 0; n < QT_NODES; ++n) {
        const i32* e = qtnbas(n);
        for (i32 k = 0; k < qtrow(n)[QT_COUNT]; ++k, e += TRG_WORDS) f(n, e);
    }
}

TEST_F(AllSrf, TriangleRecordsAreSound)
{
    load({shapes::plane(1, -50, -50, 0, 100, 100), shapes::nurbs_cylinder(2, 20.0, 0.0, 30.0),
          shapes::nurbs_sphere(3, 25.0, 0, 0, 10), shapes::freeform(4, 5.0)});
    ASSERT_EQ(build({1, 2, 3}, 0.05f, 1, 0.0f, {1, -1, 1}, {4}), 0);
    EXPECT_EQ(ALLSTA.meshed, 4);
    // the stages shown: 1 + 4 + 8 + 9 patches
    EXPECT_TRUE(norak::transcript_has("[APPROXIMATING SURF.]"));
    EXPECT_TRUE(norak::transcript_has("[1 STAGE. PATCHES=]"));
    EXPECT_TRUE(norak::transcript_has("[2 STAGE. PATCHES=22 DONE=]"));
    EXPECT_TRUE(norak::transcript_has("[22]"));
    const f32* nod = nodbas();
    i32 total = 0;
    each_entry([&](i32, const i32* e) {
        ++total;
        f32 n[3] = {wrd2r(e[TRG_NRM]), wrd2r(e[TRG_NRM + 1]), wrd2r(e[TRG_NRM + 2])};
        EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0, 1e-5);
        EXPECT_GE(n[2], 0.0f);
        EXPECT_TRUE(trgori(e) == 1 || trgori(e) == -1);
        f32 d = wrd2r(e[TRG_PLANE]);
        for (int c = 0; c < 3; ++c) {
            const f32* p = nod + 3 * (e[TRG_NODE + c] - 1);
            EXPECT_NEAR(n[0] * p[0] + n[1] * p[1] + n[2] * p[2] + d, 0.0, 1e-3);
            EXPECT_LE(e[TRG_BOX], p[0] * 1000.0f + 0.5f);
            EXPECT_GE(e[TRG_BOX + 2], p[0] * 1000.0f - 0.5f);
            EXPECT_LE(e[TRG_BOX + 1], p[1] * 1000.0f + 0.5f);
            EXPECT_GE(e[TRG_BOX + 3], p[1] * 1000.0f - 0.5f);
        }
    });
    EXPECT_EQ(total, TRIMDL[TM_NTRG]);
    EXPECT_EQ(total + TRIMDL[TM_NDEG], ALLSTA.triangles);
    // the records: classes, ids, indices, nodes
    i32 rec[SRF_WORDS];
    SRKGET(TRIMDL[TM_SRFHDL], 2, rec);
    EXPECT_EQ(rec[SRF_ID], 2);
    EXPECT_EQ(rec[SRF_CLASS], SCL_MACHINED);
    EXPECT_EQ(rec[SRF_NRMFLG], -1);
    EXPECT_EQ(rec[SRF_INDEX], 2);
    SRKGET(TRIMDL[TM_SRFHDL], 4, rec);
    EXPECT_EQ(rec[SRF_CLASS], SCL_CHECK);
    EXPECT_EQ(rec[SRF_NODE1] + rec[SRF_NNOD] - 1, TRIMDL[TM_NNOD]);
    // the reversed cylinder: its node normals point to the axis
    SRKGET(TRIMDL[TM_SRFHDL], 2, rec);
    const f32* nr = nrmbas();
    for (i32 k = rec[SRF_NODE1]; k < rec[SRF_NODE1] + rec[SRF_NNOD]; ++k) {
        const f32* p = nod + 3 * (k - 1);
        const f32* q = nr + 3 * (k - 1);
        EXPECT_LT(p[0] * q[0] + p[1] * q[1], 0.0f);
    }
}

TEST_F(AllSrf, ToleranceAndSideLimitHoldInTheModel)
{
    load({shapes::nurbs_cylinder(2, 20.0, 0.0, 30.0), shapes::nurbs_sphere(3, 25.0, 100, 0, 0)});
    ASSERT_EQ(build({2, 3}, 0.01f), 0);
    const f32* nod = nodbas();
    i32 coarse = TRIMDL[TM_NTRG];
    each_entry([&](i32, const i32* e) {
        const f32* p[3];
        for (int c = 0; c < 3; ++c) p[c] = nod + 3 * (e[TRG_NODE + c] - 1);
        bool sphere = p[0][0] > 50;
        for (int i = 0; i <= 5; ++i)
            for (int j = 0; i + j <= 5; ++j) {
                f64 b[3] = {i / 5.0, j / 5.0, 1.0 - (i + j) / 5.0}, q[3];
                for (int a = 0; a < 3; ++a) q[a] = b[0] * p[0][a] + b[1] * p[1][a] + b[2] * p[2][a];
                f64 d = sphere ? std::fabs(std::sqrt((q[0] - 100) * (q[0] - 100) + q[1] * q[1] + q[2] * q[2]) - 25.0)
                               : std::fabs(std::hypot(q[0], q[1]) - 20.0);
                EXPECT_LE(d, 0.0101);
            }
    });
    ASSERT_EQ(build({2, 3}, 0.005f), 0);
    EXPECT_GE(TRIMDL[TM_NTRG], coarse);

    // mode 3: no side longer than the limit
    ASSERT_EQ(build({2}, 0.05f, 3, 2.0f), 0);
    EXPECT_FLOAT_EQ(LOCSLM, 2.0f);
    EXPECT_EQ(LOCCST, 3);
    nod = nodbas();
    each_entry([&](i32, const i32* e) {
        for (int c = 0; c < 3; ++c) {
            const f32* a = nod + 3 * (e[TRG_NODE + c] - 1);
            const f32* b = nod + 3 * (e[TRG_NODE + (c + 1) % 3] - 1);
            EXPECT_LE(std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2])), 2.0f);
        }
    });
}

TEST_F(AllSrf, QuadtreeGivesWhatABruteForceSearchGives)
{
    load({shapes::nurbs_sphere(3, 25.0, 30, 40, 0), shapes::plane(1, 0, 0, -30, 100, 80)});
    ASSERT_EQ(build({3, 1}, 0.2f, 3, 6.0f), 0);
    std::vector<i32> rows(QT_NODES * QC_ROW);
    std::mt19937 g(5);
    std::uniform_real_distribution<f64> u(-10.0, 110.0), s(0.0, 12.0);
    for (i32 q = 0; q < 10000; ++q) {
        f64 cx = u(g), cy = u(g), h = s(g);
        i32 sq[4] = {static_cast<i32>((cx - h) * 1000), static_cast<i32>((cy - h) * 1000), static_cast<i32>((cx + h) * 1000),
                     static_cast<i32>((cy + h) * 1000)};
        i32 count = 0, status = 0;
        qt_collect_cells(sq, count, rows.data(), status);
        std::set<std::pair<i32, i32>> got, want;
        auto touches = [&](const i32* e) {
            return e[TRG_BOX + 2] >= sq[0] && e[TRG_BOX] <= sq[2] && e[TRG_BOX + 3] >= sq[1] && e[TRG_BOX + 1] <= sq[3];
        };
        for (i32 r = 0; r < count; ++r) {
            i32 node = rows[r * QC_ROW + QC_NODE];
            const i32* e = qtnbas(node);
            for (i32 k = 0; k < qtrow(node)[QT_COUNT]; ++k, e += TRG_WORDS)
                if (touches(e)) got.insert({node, k});
        }
        for (i32 n = 0; n < QT_NODES; ++n) {
            const i32* e = qtnbas(n);
            for (i32 k = 0; k < qtrow(n)[QT_COUNT]; ++k, e += TRG_WORDS)
                if (touches(e)) want.insert({n, k});
        }
        ASSERT_EQ(got, want) << "square " << q;
    }
}

TEST_F(AllSrf, SavedApproximationsAreReusedUntilAValueChanges)
{
    load({shapes::nurbs_cylinder(2, 20.0, 0.0, 30.0), shapes::freeform(4, 5.0)});
    ASSERT_EQ(build({2, 4}, 0.05f), 0);
    EXPECT_EQ(ALLSTA.meshed, 2);
    i32 first = TRIMDL[TM_NTRG];
    ASSERT_EQ(build({2, 4}, 0.05f), 0);
    EXPECT_EQ(ALLSTA.meshed, 0);
    EXPECT_EQ(ALLSTA.reused, 2);
    EXPECT_EQ(TRIMDL[TM_NTRG], first);
    ASSERT_EQ(build({2, 4}, 0.04f), 0);
    EXPECT_EQ(ALLSTA.meshed, 2);
    // a changed surface is triangulated again
    auto& w = norak::entities().at(2).words;
    f64 off = 1.0;
    std::memcpy(&w[2 * SB_OFFSET], &off, 8);
    ASSERT_EQ(build({2, 4}, 0.05f), 0);
    EXPECT_EQ(ALLSTA.meshed, 1);
    EXPECT_EQ(ALLSTA.reused, 1);

    // the values most used by the part surfaces' approximations are proposed
    nc_surf_init(1, 0);
    i32 n = 2, st = 0, ids[2] = {2, 4};
    nc_surf_count(2, 0, n, st);
    nc_surf_put(2, ids, nullptr, st);
    i32 amode = 0;
    f32 tol = 0, side = -1;
    lin_svap_most_used_values(1, amode, tol, side, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(amode, 1);
    EXPECT_FLOAT_EQ(tol, 0.05f);
    EXPECT_FLOAT_EQ(side, 0.0f);
    i32 eid = 0;
    lin_svap_find(4, 1, 0.04f, 0.0f, [] {
        std::vector<f64> b(SB_CAP);
        LDSRFB(4, b.data());
        return srf_stamp(b.data());
    }(), eid);
    ASSERT_GT(eid, 0);
    f32 box[6];
    dbdsl1(eid, box, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(box[0], 0.0f, 1e-4);
    EXPECT_NEAR(box[4], 100.0f, 1e-4);
}

TEST_F(AllSrf, WrongModeAndBadSurfaces)
{
    load({shapes::nurbs_cylinder(2, 20.0, 0.0, 30.0),
          "{\"kind\":\"plane_patch\",\"id\":5,\"origin\":[0,0,0],\"u_axis\":[1,0,0],\"v_axis\":[0,0,0]}",
          "{\"kind\":\"point\",\"id\":6,\"at\":[0,0,0]}"});
    EXPECT_LT(build({2}, 0.05f, 4), 0);
    EXPECT_TRUE(norak::transcript_has("internal: [allsrf] WRONG APPROXIMATION MODE"));
    EXPECT_EQ(TRIMDL[TM_STATE], 0);
    EXPECT_LT(build({2}, 0.0f), 0);
    EXPECT_LT(build({2}, 0.05f, 3, 0.0f), 0);

    ASSERT_EQ(build({5, 2, 6}, 0.05f), 0);
    EXPECT_EQ(ALLSTA.bad, 2);
    EXPECT_EQ(ALLSTA.meshed, 1);
    EXPECT_EQ(find_id_in_buf_badsrf(5), 0);
    EXPECT_EQ(find_id_in_buf_badsrf(6), 1);
    EXPECT_EQ(TRIMDL[TM_NSRF], 1);
    i32 rec = 0;
    SRKFND(2, rec);
    EXPECT_EQ(rec, 1);
    SRKFND(5, rec);
    EXPECT_EQ(rec, -1);
    // nothing to model at all
    EXPECT_LT(build({5}, 0.05f), 0);
    EXPECT_TRUE(norak::transcript_has("[allsrf] NO SURFACE COULD BE APPROXIMATED"));
}

// The model of a freeform and a plane at a fine tolerance, run as an
// execution that is stopped.
void build_stopped(const i32& mode, i32& status)
{
    status = 0;
    if (mode != 1) return;
    std::vector<i32> ids = {1, 4}, nrms = {1, 1}, none;
    i32 work = 0;
    allsrf(1, 2, ids.data(), nrms.data(), 0, none.data(), none.data(), 1, 0.002f, 0.0f, 0, work, status);
}

TEST_F(AllSrf, ReleaseIsHarmlessAndAStopLeavesNothingOpen)
{
    i32 st = 0;
    FRETRI(st);
    FRETRI(st);
    allfre(st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::open_arrays(), 0);

    load({shapes::freeform(4, 20.0), shapes::nurbs_sphere(3, 25.0, 100, 0, 0), shapes::plane(1, 0, 0, -5, 100, 100)});
    ASSERT_EQ(build({3}, 0.05f), 0);  // a model to lose
    // a pause asked in the middle of the meshing, and STOP in the execution
    // menu: the runner catches the stop
    norak::Reply key;
    key.kind = "key";
    key.after_polls = 30;
    norak::add_reply(key);
    norak::Reply stop;
    stop.kind = "menu";
    stop.answer = "EXECUTION:STOP";
    stop.expect = "EXECUTION:RESUME";
    norak::add_reply(stop);
    norak::Reply accept;
    accept.kind = "menu";
    accept.answer = "ACCEPT";
    norak::add_reply(accept);
    norak::Reply yes;
    yes.kind = "question";
    yes.expect = "STOP EXECUTION?";
    yes.answer = "yes";
    norak::add_reply(yes);
    i32 stopped = 0, changed = 0, word = 0;
    INTSTA(build_stopped, 1, 0, stopped, changed, word, st);
    EXPECT_EQ(stopped, 1);
    EXPECT_GT(norak::open_arrays(), 0);  // the plane's mesh waits for the model
    allfre(st);
    FRETRI(st);
    FRETRI(st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::open_arrays(), 0);
    EXPECT_EQ(norak::replies_left(), 0u);
}

i32 hook_calls = 0;
void hook(i32& status)
{
    ++hook_calls;
    status = 0;
}

TEST_F(AllSrf, SurfaceRecordServicesAndReleaseHook)
{
    load({shapes::plane(1, 0, 0, 0, 10, 10), shapes::plane(2, 20, 0, 0, 10, 10), shapes::plane(3, 40, 0, 0, 10, 10)});
    i32 ids[2] = {1, 2}, chk = 3, nrm[2] = {1, 1}, cn = 1, work = 0, st = 0;
    allsrf(1, 2, ids, nrm, 1, &chk, &cn, 1, 0.01f, 0.0f, 0, work, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(work, 3);
    auto cls = [](i32 k) {
        i32 r[SRF_WORDS];
        SRKGET(TRIMDL[TM_SRFHDL], k, r);
        return r[SRF_CLASS];
    };
    SRKON(st);
    EXPECT_EQ(cls(3), SCL_ACTIVE);
    EXPECT_EQ(SRKPRJ, 1);
    i32 only = 2;
    SRKCLR(&only, 1);
    EXPECT_EQ(cls(1), SCL_IGNORED);
    EXPECT_EQ(cls(2), SCL_MACHINED);
    EXPECT_EQ(cls(3), SCL_IGNORED);
    SRKOFF(st);
    EXPECT_EQ(cls(1), SCL_MACHINED);
    EXPECT_EQ(cls(3), SCL_CHECK);
    EXPECT_EQ(SRKPRJ, 0);
    SRKCLI(&only, 1);
    EXPECT_EQ(cls(2), SCL_IGNORED);
    SRKOFF(st);
    const i32 states[3] = {3, 0, 2};
    SRKSTA(states, st);
    EXPECT_EQ(cls(1), SCL_PART);
    EXPECT_EQ(cls(2), SCL_IGNORED);

    hook_calls = 0;
    allhook(hook);
    allhook(hook);
    allfre(st);
    EXPECT_EQ(hook_calls, 1);

    // the surface records freed apart from the model
    i32 h = TRIMDL[TM_SRFHDL];
    FRESRF(h);
    EXPECT_EQ(h, -1);
    EXPECT_EQ(TRIMDL[TM_SRFHDL], -1);
    i32 rec = 0;
    SRKFND(1, rec);
    EXPECT_EQ(rec, -1);
}

}  // namespace
