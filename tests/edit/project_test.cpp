// PROJECT MOTIONS onto reference surfaces: a region of motions over a flat
// reference surface and over a dome, modelled and kept in slot 0 of the
// model store as ALTERATIONS keeps it, projected by the three surface
// options; and the resampling of single motion blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "blocks/listacc.h"
#include "blocks/movement.h"
#include "blocks/writers.h"
#include "core/host.h"
#include "core/params.h"
#include "core/records.h"
#include "cutter/linntb.h"
#include "cutter/loccom.h"
#include "edit/alter/project.h"
#include "edit/alter/trimact.h"
#include "edit/alter/trimtp.h"
#include "edit/alter/state.h"
#include "edit/support.h"
#include "frame/callbacks.h"
#include "passes/retract.h"
#include "surfaces/allsrf.h"
#include "surfaces/trimodel.h"
#include "platform/norak/state.h"
#include "tests/edit/alter_common.h"
#include "tests/edit/fixture.h"
#include "tools/toolcache.h"

namespace {

constexpr i32 TOOL = 101, FLAT_SURFACE = 1, DOME = 2;
constexpr f32 Y = 40.0f;

// A convex cap over 100 x 80 (one bicubic patch) and a flat plane at z 5.
std::string surfaces_json()
{
    const double b2[4] = {0, 0, 1.0 / 3, 1};
    std::ostringstream s;
    s.precision(17);
    s << R"({"kind":"plane_patch","id":1,"origin":[0,0,5],"u_axis":[1,0,0],"v_axis":[0,1,0],"u":[0,100],"v":[0,80]},)"
      << R"({"kind":"nurbs_surface","id":2,"degree":[3,3],"counts":[4,4],"u_knots":[0,0,0,0,1,1,1,1],)"
      << R"("v_knots":[0,0,0,0,1,1,1,1],"points":[)";
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) {
            const double z = 13.6 + 48.2 * i / 3 - 40 * b2[i] + 22.4 * j / 3 - 19.2 * b2[j] - 6.4 * (i / 3.0) * (j / 3.0);
            s << (i + j ? "," : "") << "[" << 100.0 * i / 3 << "," << 80.0 * j / 3 << "," << z << "]";
        }
    s << "]}";
    return s.str();
}

// A fresh host with the tools and the surfaces, an open tool path, and the
// reference-surface model of the chosen surfaces saved in slot 0.
void fresh_with(const std::string& surfaces, const std::vector<i32>& chosen, i32 option)
{
    const std::string text = std::string(R"({"entities": [)") +
                             R"({"kind":"tool","id":101,"type":"MILL","name":"BALL 10","diameter":10,"corner_radius":5},)" +
                             surfaces + "]}";
    fix::fresh_session(text);
    MDLDRP(0);
    MDLDRP(1);
    FRETRI();
    NPT1[NPT1_MACHINE] = 22;
    i32 st = 0;
    SGTOOL(3, TOOL, st);
    CURTOL = PRM9[PRM9_TOOL] = TOOL;
    init_badsrf();
    FRETRI();
    allrst();
    STPFLG(0);
    const i32 n = static_cast<i32>(chosen.size());
    const std::vector<i32> nrm(chosen.size(), 1);
    i32 work = 0;
    allsrf(n, n, chosen.data(), nrm.data(), 0, nullptr, nullptr, 1, 0.01f, 0.0f, 2, work, st);
    ASSERT_EQ(st, 0);
    MDLSAV();
    trim_state_reset();
    zqa1_defaults();
    alteration_defaults[ZQA_PROJOPT] = option;
    zqas(ZQA_SRFOFF, 0.0f);
    ALTPDF = AlterDefaults{};
    trim_state.mode = SEL_PICK;
    HEI8[HEI8_CLEARANCE] = r2wrd(100.0f);
    MACTYP = 33;  // the machining type of the alterations: no floor under the segments
}

// The same with one surface of the cap and the plane.
void fresh(i32 surface, i32 option) { fresh_with(surfaces_json(), {surface}, option); }

// The region: lines through the points (absolute) after a first line to the
// first of them, the region's blocks from the second line on (list mark 14
// on it); the points and vectors in the alterations' arrays. Answers the
// region's last block number.
i32 region(const std::vector<std::array<f32, 3>>& pts)
{
    const f32 up[3] = {0, 0, 1};
    i32 st = 0;
    for (size_t k = 0; k < pts.size(); ++k) {
        PTBT2(AM_APPEND, 2, pts[k].data(), up, 0, st);
        if (k == 1) {
            i32 answer = 0;
            lmark(1, 14, answer);
        }
    }
    void* base = nullptr;
    MM_OPEN_ARRAY(12, static_cast<i32>(pts.size()), trim_state.arrays[TA_POINTS], base, st);
    auto* p = static_cast<f32*>(base);
    for (size_t k = 0; k < pts.size(); ++k)
        for (int c = 0; c < 3; ++c) p[3 * k + c] = pts[k][static_cast<size_t>(c)];
    MM_OPEN_ARRAY(12, static_cast<i32>(pts.size()), trim_state.arrays[TA_VECTORS], base, st);
    auto* v = static_cast<f32*>(base);
    for (size_t k = 0; k < pts.size(); ++k) v[3 * k + 2] = 1.0f;
    trim_state.npoints = static_cast<i32>(pts.size());
    return static_cast<i32>(pts.size());
}

void close_input()
{
    i32 st = 0;
    MM_CLOSE(trim_state.arrays[TA_POINTS], st);
    MM_CLOSE(trim_state.arrays[TA_VECTORS], st);
}

struct Motion {
    i32 type;
    f32 p[3];
};
// The motion points of the main list after the header, in order (string
// points one by one).
std::vector<Motion> motions()
{
    std::vector<Motion> out;
    const auto& e = norak::main_list().elems;
    for (size_t k = 1; k < e.size(); ++k) {
        const auto& w = e[k].words;
        const i32 t = w[0];
        if ((t == 2 || t == 22 || t == 222) && w.size() >= 5) {
            out.push_back({t, {wrd2r(w[2]), wrd2r(w[3]), wrd2r(w[4])}});
        } else if (t == 7 || t == 27 || t == 227) {
            const size_t rec = t == 7 ? 4 : 7;
            for (size_t j = 1; j + 3 < w.size(); j += rec)
                out.push_back({t, {wrd2r(w[j + 1]), wrd2r(w[j + 2]), wrd2r(w[j + 3])}});
        }
    }
    return out;
}

// The flat surface chosen and not yet modelled (the command must model it
// itself), a path of three lines at height 60 over it, and in the
// alterations all the procedure's blocks chosen to be laid on the surface
// picked as the reference, accepted.
void all_blocks_onto_the_flat_surface()
{
    fresh(FLAT_SURFACE, PRJ_BELOW_Z);
    MDLDRP(0);
    FRETRI();
    alt::feed(100.0f);
    for (f32 x : {10.0f, 30.0f, 70.0f}) alt::line(x, Y, 60.0f);
    ed::menu("ALL PROCEDURE BLOCKS");
    ed::menu("PROJECT MOTIONS");
    ed::menu("PROJ.:ALL BLK ON SRF.");
    ed::menu("REF. SURFACES");
    norak::Reply r;
    r.kind = "pick";
    r.entity = FLAT_SURFACE;
    norak::add_reply(r);
    r = norak::Reply{};
    r.kind = "pick";
    r.end = true;
    norak::add_reply(r);
    ed::menu("ACCEPT");
}

// The drop of the current tool onto the model at an XY point.
f32 drop(f32 x, f32 y)
{
    MDLRST();
    LOCSET(-1, fix::ORIGIN, fix::ORIGIN, 1, 0.0f, 0.01f);
    const f32 up[3] = {0, 0, 1};
    LOCSET(-1, up, up, 1, 0.0f, 0.01f);
    f32 p[3] = {x, y, 500.0f}, q[3] = {x, y, -500.0f};
    f32 xyz[3 * 8], nrm[3 * 8];
    i32 flg[8] = {}, len[4] = {}, nst = 0, tot = 0, st = 0;
    LINNTB(1, 0, p, q, 0.01f, 0.0f, 0.0f, 24, 0, 5, xyz, nrm, flg, nst, 4, len, tot, st);
    return tot > 0 ? xyz[2] : -1e9f;
}

TEST(ProjectOnSurfaces, AllOntoAFlatSurfaceAndTheDome)
{
    for (const i32 surface : {FLAT_SURFACE, DOME}) {
        fresh(surface, PRJ_ALL_SRF);
        const i32 last = region({{10, Y, 60}, {30, Y, 60}, {70, Y, 60}});
        i32 continuing = 0, st = 0;
        project_on_surf(1, continuing, 2, last, st);
        EXPECT_EQ(st, 0) << surface;
        close_input();
        // Every new motion point inside the region lies where the tool drops
        // onto the surface at that XY.
        i32 checked = 0;
        for (const Motion& m : motions()) {
            if (m.p[0] <= 10.5f || m.p[0] >= 69.5f || std::fabs(m.p[1] - Y) > 1e-3f) continue;
            EXPECT_NEAR(m.p[2], drop(m.p[0], m.p[1]), 2e-3f) << surface << " at x " << m.p[0];
            ++checked;
        }
        EXPECT_GE(checked, surface == DOME ? 3 : 1) << surface;
        if (surface == FLAT_SURFACE) {
            EXPECT_NEAR(drop(40, Y), 5.0f, 1e-3f);
        }
        // The new motions end at the region's last point, at its own height.
        const auto all = motions();
        ASSERT_FALSE(all.empty());
        EXPECT_NEAR(all.back().p[0], 70.0f, 1e-4f);
        EXPECT_NEAR(all.back().p[2], 60.0f, 1e-4f);
        // The arrays of the projection are closed.
        EXPECT_EQ(trim_state.arrays[TA_OUTPTS], -1);
        EXPECT_EQ(trim_state.arrays[TA_STRINGS], -1);
    }
}

TEST(ProjectOnSurfaces, TheTrimActionResamplesTheRegionAndLaysItOnTheSurface)
{
    fresh(FLAT_SURFACE, PRJ_ALL_SRF);
    alteration_defaults[ZQA_ACTION] = ACT_PROJECT;
    // Blocks 2 and 3 (from x 10 to 70 at z 60) form the region; the motion
    // to x 90 after it stays.
    const f32 up[3] = {0, 0, 1};
    const std::vector<std::array<f32, 3>> pts = {{10, Y, 60}, {30, Y, 60}, {70, Y, 60}, {90, Y, 60}};
    i32 st = 0;
    for (const auto& p : pts) PTBT2(AM_APPEND, 2, p.data(), up, 0, st);
    ASSERT_EQ(st, 0);
    f32 sp[3], sd[3];
    i32 first = 2, last = 3, continuing = 0;
    delete_trimed_blocks(first, last, sp, sd, 100.0f, 1, continuing, 1, 0, 0.0f, st);
    EXPECT_GE(st, 0);
    i32 lowered = 0;
    for (const Motion& m : motions()) {
        if (m.p[0] <= 10.5f || m.p[0] >= 69.5f) continue;
        EXPECT_NEAR(m.p[2], 5.0f, 2e-3f) << "at x " << m.p[0];
        ++lowered;
    }
    EXPECT_GE(lowered, 1);
    const auto all = motions();
    ASSERT_FALSE(all.empty());
    EXPECT_NEAR(all.back().p[0], 90.0f, 1e-4f);
    EXPECT_NEAR(all.back().p[2], 60.0f, 1e-4f);
    // The working arrays are closed again.
    EXPECT_EQ(trim_state.arrays[TA_POINTS], -1);
    EXPECT_EQ(trim_state.arrays[TA_SCRATCH], -1);
}

// A surface projection has no Z plane: a region under the plane of the
// alterations gets no move up to it, and a check leaves the path as it was.
TEST(ProjectOnSurfaces, TheTrimActionWritesNoMoveToTheZPlane)
{
    const f32 up[3] = {0, 0, 1};
    for (const i32 option : {PRJ_BELOW_SRF, PRJ_ALL_SRF, PRJ_CHECK}) {
        fresh(FLAT_SURFACE, option);
        alteration_defaults[ZQA_ACTION] = ACT_PROJECT;
        i32 st = 0;
        for (const f32 x : {10.0f, 30.0f, 70.0f, 90.0f}) {
            const f32 p[3] = {x, Y, 20};
            PTBT2(AM_APPEND, 2, p, up, 0, st);
        }
        std::vector<std::vector<i32>> before;
        for (const auto& e : norak::main_list().elems) before.push_back(e.words);
        f32 sp[3], sd[3];
        i32 first = 2, last = 3, continuing = 0;
        delete_trimed_blocks(first, last, sp, sd, 100.0f, 1, continuing, 1, 0, 50.0f, st);
        EXPECT_GE(st, 0) << option;
        for (const Motion& m : motions()) EXPECT_GT(std::fabs(m.p[2] - 50.0f), 1e-3f) << option << " at x " << m.p[0];
        if (option != PRJ_CHECK) continue;
        std::vector<std::vector<i32>> after;
        for (const auto& e : norak::main_list().elems) after.push_back(e.words);
        EXPECT_EQ(after, before);
    }
}

TEST(ProjectOnSurfaces, AContinuingRegionStartsAfterTheRepeatedAndRapidMotions)
{
    // The last written point is (10, Y, 60); the region's first motion
    // repeats it, or only its place in XY (a move straight up), and a rapid
    // motion to x 20 follows, then the feed motion to x 70 and one to x 90
    // after the region.
    const f32 up[3] = {0, 0, 1};
    for (const f32 rise : {0.0f, 2.0f})
        for (const f32 clear : {100.0f, 60.0f}) {
            fresh(FLAT_SURFACE, PRJ_ALL_SRF);
            alteration_defaults[ZQA_ACTION] = ACT_PROJECT;
            i32 st = 0;
            alt::feed(100.0f);
            const f32 a[3] = {10, Y, 60}, b[3] = {10, Y, 60 + rise}, c[3] = {20, Y, 60}, d[3] = {70, Y, 60},
                      e[3] = {90, Y, 60};
            PTBT2(AM_APPEND, 2, a, up, 0, st);
            PTBT2(AM_APPEND, 2, b, up, 0, st);
            alt::feed(-1.0f);
            PTBT2(AM_APPEND, 2, c, up, 0, st);
            alt::feed(100.0f);
            PTBT2(AM_APPEND, 2, d, up, 0, st);
            PTBT2(AM_APPEND, 2, e, up, 0, st);
            ASSERT_EQ(st, 0);
            const auto before = alt::moves();
            ASSERT_EQ(before.size(), 5u);
            i32 first = before[1].number, last = before[3].number, continuing = 1;
            for (int k = 0; k < 3; ++k) MOVST.point[k] = a[k];
            f32 sp[3], sd[3];
            delete_trimed_blocks(first, last, sp, sd, clear, 1, continuing, 1, 0, 0.0f, st);
            EXPECT_GE(st, 0) << clear << rise;
            // The resampling starts after the rapid motion; at the clearance
            // the real motion's end is taken instead.
            EXPECT_NEAR(sp[0], clear == 60.0f ? 70.0f : 20.0f, 1e-4f) << clear << rise;
            EXPECT_NEAR(sp[2], 60.0f, 1e-4f) << clear << rise;
            if (clear != 100.0f) continue;
            // Nothing was laid on the surface before x 20; the region from x 20
            // to 70 lies on it.
            i32 lowered = 0;
            for (const Motion& m : motions()) {
                if (std::fabs(m.p[2] - 5.0f) > 2e-3f) continue;
                EXPECT_GE(m.p[0], 20.0f - 1e-3f);
                EXPECT_LE(m.p[0], 70.0f + 1e-3f);
                ++lowered;
            }
            EXPECT_GE(lowered, 2);
        }
}

// The offset from the reference surfaces goes down to minus the tool's
// corner radius (5), no further.
TEST(ProjectOnSurfaces, TheSurfaceOffsetStopsAtTheToolsCorner)
{
    all_blocks_onto_the_flat_surface();
    ed::menu("REF.SRF.OFFSET", "-7");
    ed::menu("REF.SRF.OFFSET", "-5");
    ed::menu("EXIT");
    i32 reply = 0;
    trim_tp(0, 1, reply);
    EXPECT_TRUE(norak::transcript_has("VALUE OUT OF RANGE -5"));
    EXPECT_EQ(zqar(ZQA_SRFOFF), -5.0f);
}

// A STOP while the reference surfaces are modelled comes back to the menu
// of the same mode: the model's work arrays are given back and the path is
// left as it was.
TEST(ProjectOnSurfaces, AStopWhileModellingComesBackToTheMenu)
{
    all_blocks_onto_the_flat_surface();
    const auto before = motions();
    const size_t arrays = norak::open_arrays();
    // The procedure's own model is live (no slot holds it): the reference
    // model replaces it, so it is freed and counted, and the procedure
    // builds it again, even though no reference model is kept.
    {
        const i32 ids[1] = {DOME}, nrm[1] = {1};
        i32 work = 0, st = 0;
        allrst();
        allsrf(1, 1, ids, nrm, 0, nullptr, nullptr, 1, 0.01f, 0.0f, 2, work, st);
        ASSERT_EQ(st, 0);
        ASSERT_GE(TRIMDL[TM_SRFHDL], 0);
    }
    const i32 freed = MDLFRE;
    ed::menu("FORWARD: TO END");
    norak::Reply r;
    r.kind = "question";
    r.answer = "YES";
    norak::add_reply(r);
    r = norak::Reply{};
    r.kind = "key";
    r.after_polls = 1;
    norak::add_reply(r);
    r = norak::Reply{};
    r.kind = "menu";
    r.answer = "EXECUTION:STOP";
    r.expect = "EXECUTION:RESUME@";
    norak::add_reply(r);
    ed::menu("ACCEPT");
    r = norak::Reply{};
    r.kind = "question";
    r.answer = "YES";  // STOP EXECUTION?
    norak::add_reply(r);
    ed::menu("EXIT");
    i32 reply = 0;
    ASSERT_NO_THROW(trim_tp(0, 1, reply));
    EXPECT_EQ(reply, 0);
    EXPECT_FALSE(norak::transcript_has("INTSTP, NO EXECUTION TO STOP"));
    EXPECT_EQ(motions().size(), before.size());
    for (const Motion& m : motions()) EXPECT_NEAR(m.p[2], 60.0f, 1e-4f);
    EXPECT_LE(norak::open_arrays(), arrays);
    EXPECT_GT(MDLFRE, freed);
}

TEST(ProjectOnSurfaces, AlterationsModelTheChosenSurfaceAndLayAllBlocksOnIt)
{
    all_blocks_onto_the_flat_surface();
    ed::menu("FORWARD: TO END");
    norak::Reply r;
    r.kind = "question";
    r.answer = "YES";
    norak::add_reply(r);
    ed::menu("EXIT");
    PRCGUS[0] = 0;
    i32 reply = -7;
    ASSERT_NO_THROW(trim_tp(0, 1, reply));
    // The procedure learns that its surfaces changed.
    EXPECT_EQ(PRCGUS[0], 1);
    PRCGUS[0] = 0;
    std::string script;
    for (const auto& l : norak::transcript()) script += l + "\n";
    EXPECT_EQ(reply, 1) << script;
    i32 lowered = 0;
    for (const Motion& m : motions()) {
        if (m.p[0] <= 10.5f || m.p[0] >= 69.5f) continue;
        EXPECT_NEAR(m.p[2], 5.0f, 2e-3f) << "at x " << m.p[0] << script;
        ++lowered;
    }
    EXPECT_GE(lowered, 1) << script;
    EXPECT_EQ(norak::replies_left(), 0u) << script;
}

TEST(ProjectOnSurfaces, AlterationsModelTheSurfacesAgainOnlyForANewToleranceAndDropTheModelOnLeaving)
{
    all_blocks_onto_the_flat_surface();
    auto forward = [] {
        ed::menu("FORWARD: TO END");
        norak::Reply yes;
        yes.kind = "question";
        yes.answer = "YES";
        norak::add_reply(yes);
    };
    forward();
    forward();  // the same tolerance: the model is kept
    ed::menu("HIDE PROC DEFAULTS");
    ed::menu("REF.SRF.TOL.", "0.02");
    forward();  // a new tolerance: modelled again
    ed::menu("EXIT");
    i32 reply = -7;
    ASSERT_NO_THROW(trim_tp(0, 1, reply));
    std::string script;
    for (const auto& l : norak::transcript()) script += l + "\n";
    EXPECT_EQ(reply, 3) << script;
    EXPECT_EQ(alt::count("prompt: " + norak::host_message(317, 30)), 2u) << script;
    EXPECT_EQ(norak::replies_left(), 0u) << script;
    // Leaving put the model of slot 0 back and freed it.
    EXPECT_EQ(MDLGET(0), 0);
}

TEST(ProjectOnSurfaces, BelowTheSurfacesTakesTheHigherWithTheCrossings)
{
    for (const i32 surface : {FLAT_SURFACE, DOME}) {
        fresh(surface, PRJ_BELOW_SRF);
        // Down from 60 to -40 and up again: the middle part lies below.
        const std::vector<std::array<f32, 3>> pts = {{10, Y, 60}, {20, Y, 60}, {50, Y, -40}, {80, Y, 60}};
        const i32 last = region(pts);
        i32 continuing = 0, st = 0;
        project_on_surf(1, continuing, 2, last, st);
        EXPECT_EQ(st, 0);
        close_input();
        auto own = [&](f32 x) {
            return x <= 50 ? 60.0f + (x - 20.0f) * (-100.0f / 30.0f) : -40.0f + (x - 50.0f) * (100.0f / 30.0f);
        };
        bool crossed_down = false, crossed_up = false;
        i32 checked = 0;
        for (const Motion& m : motions()) {
            if (m.p[0] <= 20.5f || m.p[0] >= 79.5f || std::fabs(m.p[1] - Y) > 1e-3f) continue;
            const f32 want = std::max(own(m.p[0]), drop(m.p[0], m.p[1]));
            EXPECT_NEAR(m.p[2], want, 0.05f) << surface << " at x " << m.p[0];
            // A crossing: a point where the motion meets the surface.
            if (std::fabs(own(m.p[0]) - drop(m.p[0], m.p[1])) < 0.05f) (m.p[0] < 50 ? crossed_down : crossed_up) = true;
            ++checked;
        }
        EXPECT_GE(checked, 3) << surface;
        EXPECT_TRUE(crossed_down) << surface;
        EXPECT_TRUE(crossed_up) << surface;
    }
}

TEST(ProjectOnSurfaces, CheckOnlyMarksTheGougesAndLeavesThePath)
{
    for (const i32 surface : {FLAT_SURFACE, DOME}) {
        fresh(surface, PRJ_CHECK);
        const i32 last = region({{10, Y, 20}, {30, Y, 20}, {50, Y, 0}, {70, Y, 20}});
        std::vector<std::vector<i32>> before;
        for (const auto& e : norak::main_list().elems) before.push_back(e.words);
        const size_t entities = norak::entities().size();
        i32 continuing = 0, st = 0;
        project_on_surf(1, continuing, 2, last, st);
        EXPECT_EQ(st, 0);
        close_input();
        std::vector<std::vector<i32>> after;
        for (const auto& e : norak::main_list().elems) after.push_back(e.words);
        EXPECT_EQ(after, before) << surface;
        EXPECT_EQ(norak::transcript_count("WARNING: GOUGING!! (marked in red points) "), 1u);
        // Red points and red lines, shown.
        i32 points = 0, lines = 0;
        for (const auto& [id, e] : norak::entities()) {
            if (e.attrs.count("CO") == 0 || e.attrs.at("CO") != 2) continue;
            if (e.cls == 1 && e.attrs.at("PE") == 3) ++points;
            if (e.cls == 2 && e.attrs.at("PE") == 1) ++lines;
        }
        EXPECT_GT(points, 0) << surface;
        EXPECT_EQ(points, lines);
        EXPECT_EQ(norak::entities().size(), entities + static_cast<size_t>(points + lines));
    }
}

TEST(ProjectOnSurfaces, MotionsOffTheSurfacesStayAndAToolOfDiameterZeroLinksAsTen)
{
    fresh(FLAT_SURFACE, PRJ_ALL_SRF);
    // Beyond the model (x from 150 on): the motions come back unchanged.
    const i32 last = region({{150, Y, 20}, {170, Y, 20}, {190, Y, 30}});
    i32 continuing = 0, st = 0;
    project_on_surf(1, continuing, 2, last, st);
    EXPECT_EQ(st, 0);
    close_input();
    std::vector<f32> zs;
    for (const Motion& m : motions())
        if (m.p[0] > 171.0f) zs.push_back(m.p[2]);
    ASSERT_FALSE(zs.empty());
    EXPECT_NEAR(zs.back(), 30.0f, 1e-4f);
    // The cached tool's diameter made 0 (the library refuses such a tool).
    fresh(FLAT_SURFACE, PRJ_CHECK);
    region({{150, Y, 20}, {170, Y, 20}});
    TLCBLK.rec[ML_DIAMTR] = r2wrd(0.0f);
    project_on_surf(1, continuing, 2, 2, st);
    close_input();
    EXPECT_FLOAT_EQ(LNKPAR.length, 10.0f);
}

TEST(ProjectOnSurfaces, NothingToProjectAnswersOneAndNoModelFails)
{
    fresh(FLAT_SURFACE, PRJ_ALL_SRF);
    region({{10, Y, 20}});
    i32 continuing = 0, st = 0;
    project_on_surf(1, continuing, 1, 1, st);
    EXPECT_EQ(st, 1);
    close_input();
    // No model of the reference surfaces kept: the path stays as it was.
    fresh(FLAT_SURFACE, PRJ_ALL_SRF);
    const i32 last = region({{10, Y, 60}, {30, Y, 60}, {70, Y, 60}});
    std::vector<std::vector<i32>> before;
    for (const auto& e : norak::main_list().elems) before.push_back(e.words);
    MDLDRP(0);
    st = 0;
    project_on_surf(1, continuing, 2, last, st);
    close_input();
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("internal: project_on_surf, NO MODEL OF THE REFERENCE SURFACES"));
    std::vector<std::vector<i32>> after;
    for (const auto& e : norak::main_list().elems) after.push_back(e.words);
    EXPECT_EQ(after, before);
    EXPECT_EQ(trim_state.arrays[TA_OUTPTS], -1);
}

TEST(BlockToPoints, LinesStringsAndArcs)
{
    fix::fresh();
    const f32 up[3] = {0, 0, 1}, start[3] = {0, 0, 0};
    i32 st = 0;
    i32 handle = -1;
    void* base = nullptr;
    MM_OPEN_ARRAY(12, 2, handle, base, st);
    i32 capacity = 2;
    // An arc in the XY plane: a quarter turn of radius 10 about the origin
    // from (10, 0, 0) to (0, 10, 4).
    const f32 centre[2] = {0, 0}, end[3] = {0, 10, 4};
    PTBT3(AM_APPEND, 3, 1, 1.5707964f, 0.1f, centre, end, up, 0, st);
    ASSERT_EQ(st, 0);
    const f32 s[3] = {10, 0, 0};
    f32 e[3], ev[3], c[2], radius = 0;
    i32 count = 0, plane = 0;
    // Divided in 4 by the caller, or handed over whole (1) and divided so
    // that its chords stay within 0.01 of the circle (acos(1 - 0.01 / 10)
    // a step: 36 steps).
    for (i32 n : {4, 1}) {
        i32 last = 0;
        lacces(3, last);
        f32* pts = block_to_points(e, ev, s, up, handle, capacity, n, count, plane, radius, c, st);
        ASSERT_NE(pts, nullptr);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(count, n == 4 ? 5 : 37) << n;
        EXPECT_EQ(plane, 1);
        EXPECT_NEAR(radius, 10.0f, 1e-4f);
        EXPECT_GE(capacity, count);
        EXPECT_FLOAT_EQ(pts[0], 10.0f);
        EXPECT_FLOAT_EQ(pts[3 * (count - 1) + 2], 4.0f);
        // The points between lie on the circle at the end's height.
        for (i32 k = 1; k < count - 1; ++k) {
            EXPECT_NEAR(std::hypot(pts[3 * k], pts[3 * k + 1]), 10.0f, 1e-3f);
            EXPECT_FLOAT_EQ(pts[3 * k + 2], 4.0f);
        }
        DM_FREE(pts, count * 12);
    }
    f32* pts = nullptr;
    // A string of three points: four points with the start.
    std::vector<std::array<f32, 3>> sp = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}}, sv = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    fix::string(7, sp, sv);
    i32 answer = 0;
    lacces(3, answer);
    pts = block_to_points(e, ev, start, up, handle, capacity, 1, count, plane, radius, c, st);
    ASSERT_NE(pts, nullptr);
    EXPECT_EQ(count, 4);
    EXPECT_FLOAT_EQ(pts[9], fix::ORIGIN[0] + 3.0f);
    EXPECT_FLOAT_EQ(e[2], fix::ORIGIN[2] + 3.0f);
    DM_FREE(pts, count * 12);
    // A block that is no motion gives no points.
    fix::tech(1, 100.0f);
    pts = block_to_points(e, ev, start, up, handle, capacity, 1, count, plane, radius, c, st);
    EXPECT_EQ(pts, nullptr);
    EXPECT_EQ(count, 0);
    MM_CLOSE(handle, st);
}

}  // namespace

namespace {

TEST(ProjectOnSurfaces, AGapBetweenSurfacesIsBridgedAtTheMotionsOwnHeight)
{
    // Two flat patches at z 5, over x 0..100 and 140..240, the gap between
    // them 40 wide: a motion at z 0 across both goes onto each patch and
    // crosses the gap at its own height from the last point over the first
    // patch to the first point over the second.
    fresh_with(R"({"kind":"plane_patch","id":1,"origin":[0,0,5],"u_axis":[1,0,0],"v_axis":[0,1,0],"u":[0,100],"v":[0,80]},)"
               R"({"kind":"plane_patch","id":3,"origin":[140,0,5],"u_axis":[1,0,0],"v_axis":[0,1,0],"u":[0,100],"v":[0,80]})",
               {1, 3}, PRJ_BELOW_SRF);
    i32 st = 0;
    const i32 last = region({{10, Y, 0}, {20, Y, 0}, {220, Y, 0}});
    i32 continuing = 0;
    project_on_surf(1, continuing, 2, last, st);
    EXPECT_EQ(st, 0);
    close_input();
    const std::vector<Motion> ms = motions();
    // the points at the motion's own height 0 between the ends: the bridge
    std::vector<f32> low;
    for (const Motion& m : ms)
        if (m.p[0] > 20.5f && m.p[0] < 219.5f && std::fabs(m.p[2]) < 1e-3f) low.push_back(m.p[0]);
    ASSERT_EQ(low.size(), 2u);
    // the ball leaves the first patch's edge at x 105 and meets the second's
    // at 135: the bridge runs between those two points at height 0
    EXPECT_NEAR(low[0], 105.0f, 0.01f);
    EXPECT_NEAR(low[1], 135.0f, 0.01f);
}

}  // namespace

namespace {

// The heights, in order, of the new motion points at x 20 (the vertical
// segment's XY), a point repeated in place counted once.
std::vector<f32> heights_at_20()
{
    std::vector<f32> z;
    for (const Motion& m : motions())
        if (std::fabs(m.p[0] - 20.0f) < 1e-3f && std::fabs(m.p[1] - Y) < 1e-3f &&
            (z.empty() || std::fabs(z.back() - m.p[2]) > 1e-4f))
            z.push_back(m.p[2]);
    return z;
}

TEST(ProjectOnSurfaces, AVerticalSegmentThroughTheSurfaceStopsOnItOnceEitherWay)
{
    // Over the plane at z 5, below the surfaces only: a plunge from 60 to
    // -40 ends on the surface without going back up; a rise from -40 to 60
    // starts on it; one wholly below stays on it; one wholly above is kept.
    struct Case {
        f32 from, to;
        std::vector<f32> want;
    };
    for (const Case& c : {Case{60, -40, {60, 5}}, Case{-40, 60, {5, 60}}, Case{-40, -20, {5}},
                          Case{60, 30, {60, 30}}, Case{30, 60, {30, 60}}}) {
        fresh(FLAT_SURFACE, PRJ_BELOW_SRF);
        const i32 last = region({{10, Y, c.from}, {20, Y, c.from}, {20, Y, c.to}, {30, Y, c.to}});
        i32 continuing = 0, st = 0;
        project_on_surf(1, continuing, 2, last, st);
        EXPECT_EQ(st, 0);
        close_input();
        std::vector<f32> got = heights_at_20();
        ASSERT_EQ(got.size(), c.want.size()) << c.from << " to " << c.to;
        for (size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], c.want[k], 1e-3f) << c.from << " to " << c.to;
    }
}

}  // namespace

namespace {

TEST(ProjectOnSurfaces, ASegmentLeavingTheSurfacesGoesOnAtItsOwnHeightToItsEnd)
{
    // All onto the plate (z 5 over x 0..100): from x 60 to 150 at z 0 the
    // ball stays on the plate up to its edge at x 105, goes down there to
    // the segment's own height and runs on to the segment's end.
    fresh(FLAT_SURFACE, PRJ_ALL_SRF);
    const i32 last = region({{50, Y, 0}, {60, Y, 0}, {150, Y, 0}});
    i32 continuing = 0, st = 0;
    project_on_surf(1, continuing, 2, last, st);
    EXPECT_EQ(st, 0);
    close_input();
    std::vector<Motion> after;
    for (const Motion& m : motions())
        if (m.p[0] > 60.5f) after.push_back(m);
    ASSERT_GE(after.size(), 3u);
    EXPECT_NEAR(after.back().p[0], 150.0f, 1e-3f);
    EXPECT_NEAR(after.back().p[2], 0.0f, 1e-3f);
    const Motion& off = after[after.size() - 2];
    EXPECT_NEAR(off.p[0], 105.0f, 0.01f);
    EXPECT_NEAR(off.p[2], 0.0f, 1e-3f);
    // The last point of the tool on the plate's edge, above the own height.
    const Motion& edge = after[after.size() - 3];
    EXPECT_NEAR(edge.p[0], 105.0f, 0.01f);
    EXPECT_GT(edge.p[2], 0.0f);
}

}  // namespace

// A projection that fails ends the trim action there: no technology block
// is written after the region, which stays as it was.
TEST(ProjectOnSurfaces, AFailedProjectionInTheTrimActionWritesNothing)
{
    fresh(FLAT_SURFACE, PRJ_ALL_SRF);
    alteration_defaults[ZQA_ACTION] = ACT_PROJECT;
    const f32 up[3] = {0, 0, 1};
    i32 st = 0;
    PTBT2(AM_APPEND, 2, std::array<f32, 3>{10, Y, 60}.data(), up, 0, st);
    PTBT2(AM_APPEND, 2, std::array<f32, 3>{30, Y, 60}.data(), up, 0, st);
    PTBT2(AM_APPEND, 2, std::array<f32, 3>{70, Y, 60}.data(), up, 0, st);
    std::vector<std::vector<i32>> before;
    for (const auto& e : norak::main_list().elems) before.push_back(e.words);
    MDLDRP(0);
    f32 sp[3], sd[3];
    i32 first = 2, last = 3, continuing = 0;
    delete_trimed_blocks(first, last, sp, sd, 100.0f, 1, continuing, 1, 0, 0.0f, st);
    EXPECT_EQ(st, -1);
    std::vector<std::vector<i32>> after;
    for (const auto& e : norak::main_list().elems) after.push_back(e.words);
    EXPECT_EQ(after, before);
}
