// The host's exact surface model and the surface-buffer services over it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"
#include "surfaces/srfbuf.h"
#include "surfaces/srflist.h"
#include "tests/surfaces/shapes.h"

namespace {

std::vector<f64> buf(SB_CAP);

void load(const std::vector<std::string>& ents, const std::string& replies = "[]")
{
    norak::reset();
    norak::load_session_text(shapes::session(ents, replies));
}

f64 dist_axis(const f64* p) { return std::hypot(p[0], p[1]); }

// Point, derivatives and normal of the loaded surface; checks the normal
// against a finite-difference Su x Sv of points.
void check_normal(f64 u, f64 v)
{
    f64 e[12], a[12], b[12], c[12], d[12];
    i32 st = 0;
    evsrfd(buf.data(), u, v, 2, e, st);
    ASSERT_EQ(st, 0);
    EXPECT_NEAR(std::sqrt(e[9] * e[9] + e[10] * e[10] + e[11] * e[11]), 1.0, 1e-12);
    const f64 h = 1e-6;
    evsrfd(buf.data(), u + h, v, 0, a, st);
    evsrfd(buf.data(), u - h, v, 0, b, st);
    evsrfd(buf.data(), u, v + h, 0, c, st);
    evsrfd(buf.data(), u, v - h, 0, d, st);
    f64 su[3], sv[3], n[3];
    for (int k = 0; k < 3; ++k) {
        su[k] = (a[k] - b[k]) / (2 * h);
        sv[k] = (c[k] - d[k]) / (2 * h);
        EXPECT_NEAR(su[k], e[3 + k], 1e-5 * (1 + std::fabs(e[3 + k])));
        EXPECT_NEAR(sv[k], e[6 + k], 1e-5 * (1 + std::fabs(e[6 + k])));
    }
    n[0] = su[1] * sv[2] - su[2] * sv[1];
    n[1] = su[2] * sv[0] - su[0] * sv[2];
    n[2] = su[0] * sv[1] - su[1] * sv[0];
    f64 l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(n[k] / l, e[9 + k], 1e-6);
}

TEST(SurfaceModel, NurbsCylinderAndSphereLieOnTheirRadius)
{
    load({shapes::nurbs_cylinder(1, 20.0, -5.0, 30.0), shapes::nurbs_sphere(2, 25.0, 3, 4, 5)});
    i32 st = 0;
    LDSRFB(1, buf.data(), st);
    ASSERT_EQ(st, 0);
    for (int i = 0; i <= 40; ++i)
        for (int j = 0; j <= 4; ++j) {
            f64 u = i / 40.0, v = j / 4.0, e[12];
            evsrfd(buf.data(), u, v, 2, e, st);
            ASSERT_EQ(st, 0);
            EXPECT_NEAR(dist_axis(e), 20.0, 1e-9);
            EXPECT_NEAR(e[2], -5.0 + 35.0 * v, 1e-9);
            // outward normal
            EXPECT_NEAR(e[9], e[0] / 20.0, 1e-9);
            EXPECT_NEAR(e[10], e[1] / 20.0, 1e-9);
        }
    check_normal(0.13, 0.4);
    check_normal(0.61, 0.9);

    LDSRFB(2, buf.data(), st);
    ASSERT_EQ(st, 0);
    for (int i = 0; i <= 40; ++i)
        for (int j = 1; j < 40; ++j) {
            f64 e[12];
            evsrfd(buf.data(), i / 40.0, j / 40.0, 2, e, st);
            ASSERT_EQ(st, 0);
            f64 r = std::sqrt((e[0] - 3) * (e[0] - 3) + (e[1] - 4) * (e[1] - 4) + (e[2] - 5) * (e[2] - 5));
            EXPECT_NEAR(r, 25.0, 1e-9);
            EXPECT_NEAR(e[9], (e[0] - 3) / 25.0, 1e-9);
        }
    check_normal(0.3, 0.3);
    check_normal(0.77, 0.66);
}

TEST(SurfaceModel, PoleReportsItsStatusAndAnOffsetMovesAlongTheNormal)
{
    load({shapes::nurbs_sphere(2, 25.0), shapes::nurbs_cylinder(3, 20.0, 0, 10, 0, 0, ",\"offset\":2.5")});
    i32 st = 0;
    LDSRFB(2, buf.data(), st);
    f64 e[12];
    evsrfd(buf.data(), 0.3, 1.0, 2, e, st);
    EXPECT_EQ(st, 1);
    for (f64 x : e) EXPECT_TRUE(std::isfinite(x));
    EXPECT_NEAR(e[2], 25.0, 1e-9);
    EXPECT_NEAR(e[11], 1.0, 1e-3);  // the normal met next to the north pole
    evsrfd(buf.data(), 0.3, 0.0, 2, e, st);
    EXPECT_EQ(st, 1);
    EXPECT_NEAR(e[11], -1.0, 1e-3);

    LDSRFB(3, buf.data(), st);
    evsrfd(buf.data(), 0.2, 0.5, 2, e, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(dist_axis(e), 22.5, 1e-9);
    f32 off = 0;
    SBFPRM(1, buf.data(), off, st);
    EXPECT_FLOAT_EQ(off, 2.5f);
    off = -1.0f;
    SBFPRM(2, buf.data(), off, st);
    evsrfd(buf.data(), 0.2, 0.5, 2, e, st);
    EXPECT_NEAR(dist_axis(e), 19.0, 1e-9);
    check_normal(0.2, 0.5);
    // a parameter that is no number is refused
    evsrfd(buf.data(), NAN, 0.5, 2, e, st);
    EXPECT_EQ(st, -1);
}

std::string revolution(int id, const char* axis)
{
    return "{\"kind\":\"revolution\",\"id\":" + std::to_string(id) + ",\"origin\":[0,0,0],\"axis\":" + axis +
           ",\"profile\":{\"degree\":1,\"count\":2,\"knots\":[0,0,1,1],\"points\":[[10,0,0],[10,0,50]]}}";
}

TEST(SurfaceModel, RevolutionAxesAndBufferAccessors)
{
    load({revolution(1, "[0,0,1]"), revolution(2, "[0,0,-1]"), revolution(3, "[1,0,0]"), shapes::plane(4, 0, 0, 0, 100, 50)});
    i32 st = 0;
    const i32 expect[4] = {1, -1, 0, 0};
    for (i32 id = 1; id <= 4; ++id) {
        LDSRFB(id, buf.data(), st);
        ASSERT_EQ(st, 0);
        EXPECT_EQ(CHKRVL(buf.data()), expect[id - 1]) << id;
    }
    // a cylinder of revolution: v is an angle in degrees
    LDSRFB(1, buf.data(), st);
    f32 lim[6];
    SBFLIM(1, buf.data(), lim, st);
    EXPECT_EQ(st, 0);
    EXPECT_FLOAT_EQ(lim[3], 0.0f);
    EXPECT_FLOAT_EQ(lim[4], 360.0f);
    EXPECT_GT(lim[2], 0.0f);
    EXPECT_FLOAT_EQ(lim[5], 90.0f);
    f64 e[12];
    evsrfd(buf.data(), 0.5, 90.0, 2, e, st);
    EXPECT_NEAR(e[0], 0.0, 1e-12);
    EXPECT_NEAR(e[1], 10.0, 1e-12);
    EXPECT_NEAR(e[2], 25.0, 1e-12);
    check_normal(0.5, 33.0);

    // limits, frame and ranges round-trip
    f32 put[6] = {1, 2, 0.5f, 3, 4, 0.25f}, got[6];
    SBFLIM(2, buf.data(), put, st);
    SBFLIM(1, buf.data(), got, st);
    for (int k = 0; k < 6; ++k) EXPECT_FLOAT_EQ(got[k], put[k]);
    f32 umin, umax, vmin, vmax;
    SBFUVR(1, buf.data(), umin, umax, vmin, vmax, st);
    EXPECT_FLOAT_EQ(umax, 3.0f);
    EXPECT_FLOAT_EQ(vmax, 7.0f);
    put[2] = 0.0f;  // an increment must stay above 0
    SBFLIM(2, buf.data(), put, st);
    EXPECT_EQ(st, -1);
    f32 o[3] = {1, 2, 3}, m[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1}, o2[3], m2[9];
    SBFMTX(2, buf.data(), o, m, st);
    SBFMTX(1, buf.data(), o2, m2, st);
    EXPECT_EQ(st, 0);
    for (int k = 0; k < 9; ++k) EXPECT_FLOAT_EQ(m2[k], m[k]);
    EXPECT_FLOAT_EQ(o2[2], 3.0f);

    // the plane: one parameter step over each range, its frame
    LDSRFB(4, buf.data(), st);
    SBFLIM(1, buf.data(), got, st);
    EXPECT_FLOAT_EQ(got[2], 100.0f);
    EXPECT_FLOAT_EQ(got[5], 50.0f);
    SBFMTX(1, buf.data(), o2, m2, st);
    EXPECT_EQ(st, 0);
    EXPECT_FLOAT_EQ(m2[8], 1.0f);

    // a damaged buffer is refused with the routine's message
    buf[SB_TAG] = 0.0;
    EXPECT_EQ(CHKRVL(buf.data()), 0);
    EXPECT_TRUE(norak::transcript_has("internal: CHKRVL - BAD FORMAT OF SURFACE BUFFER"));
    SBFLIM(1, buf.data(), got, st);
    EXPECT_EQ(st, -1);
    LDSRFB(4, buf.data(), st);
    buf[SB_LEN] = 3.0 * SB_CAP;
    i32 uid = euid(4), side = 1, count = 1;
    f32 refs[9], nrm[3];
    // a sound surface gives its middle point and normal
    TSTSRF(0, count, &uid, buf.data(), &side, 1, refs, nrm, 1, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(count, 1);
    EXPECT_FLOAT_EQ(refs[0], 50.0f);
    EXPECT_FLOAT_EQ(nrm[2], 1.0f);
    side = -1;
    TSTSRF(0, count, &uid, buf.data(), &side, 1, refs, nrm, 1, st);
    EXPECT_FLOAT_EQ(nrm[2], -1.0f);
}

TEST(SurfaceModel, TrimmedSurfaceGivesItsLoopsAndTheBoxOfItsRegion)
{
    std::string trimmed =
        "{\"kind\":\"trimmed_surface\",\"id\":7,\"tolerance\":0.01,"
        "\"base\":" + shapes::plane(0, 0, 0, 5, 200, 200).replace(0, 0, "") + ","
        "\"loops\":[{\"points\":[[10,20],[110,20],[110,120],[10,120]]},{\"circle\":{\"center\":[60,70],\"radius\":20}}]}";
    // the base has no id of its own
    size_t at = trimmed.find("\"id\":0,");
    trimmed.erase(at, 7);
    load({trimmed});
    i32 handle = -1, nloops = 0, total = 0, st = 0;
    trsgdp(7, handle, nloops, total, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(nloops, 2);
    void* base = nullptr;
    mmcptr(handle, base);
    const i32* counts = static_cast<const i32*>(base);
    const f32* uv = reinterpret_cast<const f32*>(counts + nloops);
    EXPECT_EQ(counts[0], 4);
    EXPECT_GT(counts[1], 30);
    EXPECT_EQ(counts[0] + counts[1], total);
    EXPECT_FLOAT_EQ(uv[0], 10.0f);
    // the hole's points lie on its circle, within the tolerance of its chords
    for (i32 k = 0; k < counts[1]; ++k) {
        f32 u = uv[8 + 2 * k] - 60, v = uv[8 + 2 * k + 1] - 70;
        EXPECT_NEAR(std::hypot(u, v), 20.0, 1e-4);
    }
    // a point of the hole is outside the region; one of the ring inside
    const f32 hole[2] = {60, 70}, ring[2] = {20, 30}, out[2] = {150, 150};
    i32 a = 0;
    inpolr(0.001f, uv, counts, nloops, hole, a);
    EXPECT_EQ(a, 3);
    inpolr(0.001f, uv, counts, nloops, ring, a);
    EXPECT_EQ(a, 1);
    inpolr(0.001f, uv, counts, nloops, out, a);
    EXPECT_EQ(a, 3);
    const i32 hole_points = counts[1];
    i32 h2 = handle;
    trsgdp(7, h2, nloops, total, st);  // the caller's array is reused
    EXPECT_EQ(norak::open_arrays(), 1);
    MM_CLOSE(h2, st);

    // a coarser host tolerance cuts the circle into fewer chords
    f32 tol = 0.5f;
    gstrmtol(2, tol);
    i32 n2 = 0;
    trsgdp_ini(7, n2, total, st);
    std::vector<f64> duv(2 * total), xyz(3 * total);
    i32 cnt = 0;
    trsgdp2(1, total, cnt, duv.data(), xyz.data(), st);
    EXPECT_EQ(st, 0);
    EXPECT_LT(cnt, hole_points);
    EXPECT_DOUBLE_EQ(xyz[2], 5.0);
    trsgdp2(1, cnt - 1, cnt, duv.data(), xyz.data(), st);  // too small an area is refused
    EXPECT_EQ(st, -1);
    trsgdp_free();

    f32 box[6];
    trsbox(7, box, st);
    ASSERT_EQ(st, 0);
    EXPECT_FLOAT_EQ(box[0], 10.0f);
    EXPECT_FLOAT_EQ(box[1], 20.0f);
    EXPECT_FLOAT_EQ(box[3], 110.0f);
    EXPECT_FLOAT_EQ(box[4], 120.0f);
    EXPECT_FLOAT_EQ(box[2], 5.0f);
    f64 dbox[6];
    DBDSRX(1, 7, dbox, st);
    EXPECT_DOUBLE_EQ(dbox[3], 110.0);
}

TEST(SurfaceModel, CoordinateSystemAndPlaneEntities)
{
    load({"{\"kind\":\"ucs\",\"id\":30,\"origin\":[1,2,3],\"x_axis\":[0,1,0],\"z_axis\":[0,0,1],\"name\":\"FIXTURE1\",\"value\":7.5,\"number\":42}",
          "{\"kind\":\"plane\",\"id\":31,\"normal\":[0,0,2],\"offset\":12.5}", shapes::plane(32, 0, 0, 0, 1, 1)});
    f32 origin[3], m[9], real = 0;
    i32 name[2], integer = 0, st = 0;
    DBDUCS(1, 30, origin, m, real, name, integer, st);
    ASSERT_EQ(st, 0);
    EXPECT_FLOAT_EQ(real, 7.5f);
    EXPECT_FLOAT_EQ(origin[0], 1.0f);
    EXPECT_FLOAT_EQ(origin[2], 3.0f);
    EXPECT_FLOAT_EQ(m[1], 1.0f);   // x axis (0, 1, 0)
    EXPECT_FLOAT_EQ(m[3], -1.0f);  // y axis (-1, 0, 0)
    EXPECT_FLOAT_EQ(m[8], 1.0f);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(name), 8), "FIXTURE1");
    EXPECT_EQ(integer, 42);
    DBDUCS(1, 31, origin, m, real, name, integer, st);
    EXPECT_EQ(st, -1);
    DBDUCS(1, 99, origin, m, real, name, integer, st);
    EXPECT_EQ(st, -1);
    f32 off = 0;
    DBRVAL(1, 31, off, st);
    EXPECT_EQ(st, 0);
    EXPECT_FLOAT_EQ(off, 12.5f);
    DBRVAL(1, 32, off, st);
    EXPECT_EQ(st, -1);

    i32 id = 0;
    f32 p[3] = {1, 2, 3};
    GCPT0(id, p, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::entities().at(id).cls, 1);
    norak::fail_alloc_after(1);
    GCPT0(id, p, st);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("GCPT0: ERROR IN ESTORE"));
}

TEST(SurfaceModel, MalformedSurfacesAreRefusedNamingTheEntity)
{
    struct Case {
        std::string ent, words;
    };
    std::string sph = shapes::nurbs_sphere(5, 10.0);
    std::vector<Case> cases = {
        {[&] { std::string s = sph; s.replace(s.find("[0,0,0,0.5,0.5,1,1,1]"), 21, "[0,0,0,0.5,0.4,1,1,1]"); return s; }(),
         "knots are not non-decreasing"},
        {[&] { std::string s = sph; size_t k = s.find(",0.70710678118654757]"); s.replace(k, 21, ",-0.5]"); return s; }(),
         "weights are not positive"},
        {[&] { std::string s = sph; s.replace(s.find("\"degree\":[2,2]"), 14, "\"degree\":[2,5]"); return s; }(),
         "too few control points"},
        {"{\"kind\":\"trimmed_surface\",\"id\":6,\"base\":{\"kind\":\"plane_patch\",\"origin\":[0,0,0],\"u_axis\":[1,0,0],"
         "\"v_axis\":[0,1,0]},\"loops\":[{\"points\":[]}]}",
         "the trim loop is empty"},
    };
    for (const auto& c : cases) {
        norak::reset();
        try {
            norak::load_session_text(shapes::session({shapes::plane(1, 0, 0, 0, 1, 1), c.ent}));
            ADD_FAILURE() << "accepted: " << c.words;
        } catch (const norak::session_error& e) {
            std::string m = e.what();
            EXPECT_NE(m.find("entities[1] (id "), std::string::npos) << m;
            EXPECT_NE(m.find(c.words), std::string::npos) << m;
        }
    }
}

TEST(SurfaceSelection, ScriptedMenuRedefinesAddsAndDeletes)
{
    std::string replies = R"([
        {"menu": "PART SURFACES"}, {"menu": "REDEFINE"},
        {"pick": 1}, {"pick": 2}, {"pick": 9}, {"end": true},
        {"menu": "RETURN"},
        {"menu": "CHECK SURFACES"}, {"menu": "ADD"}, {"pick": 3}, {"pick": 4}, {"pick": 3}, {"end": true},
        {"menu": "DELETE"}, {"pick": 3},
        {"menu": "MODIFY"}, {"pick": 4},
        {"menu": "RETURN"},
        {"menu": "ACCEPT"},
        {"menu": "PART SURFACES"}, {"menu": "DELETE"}, {"pick": 1}, {"menu": "RETURN"},
        {"menu": 1, "escape": true}
    ])";
    load({shapes::plane(1, 0, 0, 0, 1, 1), shapes::plane(2, 0, 0, 1, 1, 1), shapes::plane(3, 0, 0, 2, 1, 1),
          shapes::plane(4, 0, 0, 3, 1, 1), shapes::plane(5, 0, 0, 4, 1, 1), "{\"kind\":\"point\",\"id\":9,\"at\":[0,0,0]}"},
         replies);
    nc_surf_init(1, 0);
    i32 n = 1, st = 0;
    nc_surf_list_count(2, 0, n, st);  // one stale part surface
    i32 stale = 5, one = 1;
    nc_surf_put(1, &stale, &one, st);

    i32 changed = -1;
    nc_surf_aprx_menu(0, 1, 0, 2, changed, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(changed, 1);
    EXPECT_TRUE(norak::transcript_has("user: ENTITY IS NOT A SURFACE"));
    EXPECT_TRUE(norak::transcript_has("user: SURFACE ALREADY IN THE LIST"));
    i32 ids[8], nrms[8], uids[8];
    nc_surf_list_count(1, 0, n, st);
    ASSERT_EQ(n, 2);
    nc_surf_ids(ids, 8, st);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], 2);
    nc_surf_list_count(1, 1, n, st);
    ASSERT_EQ(n, 1);
    nc_surf_ids(ids, 8, st);
    nc_surf_nrms(nrms, 8, st);
    nc_surf_uids(uids, 8, st);
    EXPECT_EQ(ids[0], 4);
    EXPECT_EQ(nrms[0], -1);
    EXPECT_EQ(euid2id(uids[0]), 4);
    nc_surf_ids(ids, 0, st);  // a list longer than the area is refused
    EXPECT_EQ(st, -1);

    // a second menu deletes a part surface and is cancelled: nothing changes
    nc_surf_aprx_menu(0, 1, 0, 2, changed, st);
    EXPECT_EQ(st, -2);
    EXPECT_EQ(changed, 0);
    nc_surf_list_count(1, 0, n, st);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(norak::replies_left(), 0u);
}

TEST(SurfaceSelection, CriteriaSelectByAttributesAndReleaseClearsPicks)
{
    load({shapes::plane(1, 0, 0, 0, 1, 1, ",\"attrs\":{\"LV\":5}"), shapes::plane(2, 0, 0, 0, 1, 1, ",\"attrs\":{\"LV\":6}"),
          shapes::plane(3, 0, 0, 0, 1, 1, ",\"attrs\":{\"LV\":5,\"DE\":1,\"SL\":1}")});
    const i32 mask[5] = {-1, 5, -1, -1, -1};
    i32 st = 0, n = 0, ids[4];
    nc_geomsk_lst_add(1, mask, st);
    nc_surf_sel_crit(1, 1, st);
    EXPECT_EQ(st, 0);
    nc_surf_list_count(1, 1, n, st);
    ASSERT_EQ(n, 2);
    nc_surf_ids(ids, 4, st);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], 3);

    i32 uids[3] = {euid(1), euid(2), euid(3)}, flag = 1;
    SRFATC(2, uids, flag);
    EXPECT_EQ(flag, 1);
    SRFATC(3, uids, flag);
    EXPECT_EQ(flag, 0);
    SRFASO(0, 77, 3, uids);
    i32 as = 0;
    eattc(2, 1, "AS", as);
    EXPECT_EQ(as, 77);

    PSHSRF(3, uids, nullptr);
    EXPECT_EQ(pkscnt(), 3);
    i32 count = 2;
    REJPCK(1, count);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(pkscnt(), 1);
    SRFSEL[3][0] = 9;
    SRFSEL[3][1] = 4;
    nc_surf_release_lists();
    EXPECT_EQ(pkscnt(), 0);
    EXPECT_EQ(SRFSEL[3][0], 0);
    EXPECT_EQ(SRFSEL[3][1], -1);
}

TEST(SurfaceSelection, PointPicksSurfaceChoiceAndPickRanges)
{
    load({shapes::plane(1, 0, 0, 2, 100, 50), shapes::plane(2, 0, 0, 0, 1, 1), shapes::plane(3, 0, 0, 0, 1, 1)},
         R"([{"pick": 2, "u": 0.5, "v": 0.5}, {"pick": 1, "u": 120, "v": 10}, {"pick": 1, "u": 30, "v": 10},
             {"pick": 1, "escape": true},
             {"pick": 1}, {"pick": 3}])");
    i32 count = 0, mode = 12, st = 0;
    f32 p[3], uv[2];
    PCKPSR(1, count, p, uv, mode, nullptr, nullptr, st);
    EXPECT_EQ(st, 1);  // another surface
    EXPECT_EQ(count, 0);
    PCKPSR(1, count, p, uv, mode, nullptr, nullptr, st);
    EXPECT_EQ(st, 1);  // outside its range
    PCKPSR(1, count, p, uv, mode, nullptr, nullptr, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(count, 1);
    EXPECT_FLOAT_EQ(p[0], 30.0f);
    EXPECT_FLOAT_EQ(p[2], 2.0f);
    EXPECT_FLOAT_EQ(uv[0], 30.0f);
    EXPECT_TRUE(norak::transcript_has("user: THE POINT IS NOT ON THE SURFACE. PICK AGAIN"));
    PCKPSR(1, count, p, uv, mode, nullptr, nullptr, st);
    EXPECT_EQ(st, -2);

    i32 uids[2] = {euid(2), euid(3)}, chosen = -1;
    PCKSF1("PICK SURFACE", uids, 2, "PLEASE CHOOSE ONE OF THE PART SURFACES", chosen, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(chosen, 1);
    EXPECT_TRUE(norak::transcript_has("message: PLEASE CHOOSE ONE OF THE PART SURFACES"));

    slclr();
    for (i32 id : {1, 2, 3, 1, 2}) pkspsh(id);
    i32 pairs[4][2] = {{0, 1}, {2, 3}, {0, -1}, {4, 4}};
    RMVSRW(pairs, 4, 1);
    EXPECT_EQ(pkscnt(), 3);
    EXPECT_EQ(pairs[0][1], -1);
    EXPECT_EQ(pairs[1][0], 0);
    EXPECT_EQ(pairs[1][1], 1);
    EXPECT_EQ(pairs[2][1], -1);
    EXPECT_EQ(pairs[3][0], 2);
    i32 ids[3], n = 0;
    pksget(ids, 3, n);
    EXPECT_EQ(ids[0], 3);
    EXPECT_EQ(ids[2], 2);
}

TEST(SurfaceModel, BadSurfaceBufferKeepsEachIdOnce)
{
    norak::reset();
    init_badsrf();
    i32 st = 0;
    put_id_in_buf_badsrf(12, st);
    put_id_in_buf_badsrf(12, st);
    put_id_in_buf_badsrf(4, st);
    EXPECT_EQ(count_badsrf(), 2);
    EXPECT_EQ(find_id_in_buf_badsrf(4), 1);
    EXPECT_EQ(find_id_in_buf_badsrf(5), -1);
    end_badsrf();
    EXPECT_EQ(count_badsrf(), 0);
}

}  // namespace
