// GO procedures: each GO type's procedure block and motions read back from
// the list, the targets of the Z modes and of GO HOME, the tool's height on
// the part plane, the seven ways of defining that plane, the GO menu's
// scripted dialog and the machine change behind GO TO POINT.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "blocks/movement.h"
#include "blocks/tech.h"
#include "core/modflg.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "frame/cmpblk.h"
#include "frame/driver.h"
#include "frame/gomenu.h"
#include "frame/intctl.h"
#include "frame/machtype.h"
#include "passes/services.h"
#include "proc_common.h"
#include "tools/toolcache.h"

// Times the stand-in wrote the pending display blocks out (ncd_flush_blocks).
namespace norak {
i32 blocks_flushed();
}

namespace {

struct Move {
    i32 type;
    f32 p[3];
};

struct ReadBack {
    std::vector<Move> moves;
    std::vector<i32> procs;  // procedure codes of the procedure blocks
};

void collect(const norak::List& list, ReadBack& out)
{
    for (const auto& e : list.elems) {
        const auto& w = e.words;
        if (w.size() > 2 && w[0] == 12) out.procs.push_back(w[2]);
        if (w.size() > 4 && (w[0] == 2 || w[0] == 22 || w[0] == 222))
            out.moves.push_back({w[0], {wrd2r(w[2]), wrd2r(w[3]), wrd2r(w[4])}});
        if (e.sub) collect(*e.sub, out);
    }
}

ReadBack read_back()
{
    ReadBack r;
    collect(norak::main_list(), r);
    return r;
}

constexpr f32 START[3] = {10, 20, 30};

// An open tool path on the machine, the ball tool (D 10, R 5) current, the
// tool standing at START.
void go_fresh(const std::string& replies = "[]", i32 machine = 23)
{
    proct::fresh(replies, machine);
    norak::settings().mactype = machine;
    norak::start_toolpath();
    i32 answer = 0, st = 0;
    lacces(3, answer);
    SGTOOL(3, 101, st);
    MOVCLR();
    for (int k = 0; k < 3; ++k) MOVST.point[k] = START[k];
    TPMACH = machine;
    PRM9[17] = 60;  // the coordinate system the technology blocks name
    GOST = GoState{};
    DSPMOD = 2;
}

// One GO motion of the type and kind to the target; answers the read-back.
ReadBack go(i32 type, i32 kind, std::array<f32, 3> target, i32 zmode = Z_FREE, const f32* plane = nullptr)
{
    const f32 flat[4] = {0, 0, 1, 0};
    f32 t[3] = {target[0], target[1], target[2]}, axis[3] = {0, 0, 1};
    i32 moved = 0, st = 0;
    GOMOVE(type, 1, kind, 1, zmode, plane ? plane : flat, moved, t, GOST.delta, axis, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(moved, 1);
    return read_back();
}

bool near3(const f32* a, std::array<f32, 3> b, f32 tol = 1e-4f)
{
    return std::fabs(a[0] - b[0]) < tol && std::fabs(a[1] - b[1]) < tol && std::fabs(a[2] - b[2]) < tol;
}

TEST(GoMotions, EachGoTypeWritesItsProcedureBlockAndItsLine)
{
    struct Case {
        i32 type, machine, code;
        std::array<f32, 3> want;
    };
    // The two-axis type keeps the current z; the turning type takes the
    // procedure Z (7).
    const Case cases[] = {{GT_MILL, 23, 10, {5, 6, -7}},
                          {GT_MULTI, 25, 10, {5, 6, -7}},
                          {GT_TWOAXIS, 12, 19, {5, 6, 30}},
                          {GT_TURN, 31, 20, {5, 6, 7}},
                          {GT_WIRE, 62, 26, {5, 6, -7}}};
    for (const Case& c : cases) {
        go_fresh("[]", c.machine);
        NPT1[5] = r2wrd(7.0f);
        ReadBack r = go(c.type, GO_POINT, {5, 6, -7});
        ASSERT_EQ(r.procs.size(), 1u) << c.type;
        EXPECT_EQ(r.procs[0], c.code) << c.type;
        ASSERT_FALSE(r.moves.empty()) << c.type;
        EXPECT_TRUE(near3(r.moves.back().p, c.want)) << c.type << ": " << r.moves.back().p[2];
        EXPECT_EQ(MOTMOD, 2);
    }
    // A second motion writes no second procedure block.
    go_fresh();
    go(GT_MILL, GO_POINT, {1, 1, 1});
    f32 t[3] = {2, 2, 2}, axis[3] = {0, 0, 1};
    const f32 flat[4] = {0, 0, 1, 0};
    i32 moved = 1, st = 0;
    GOMOVE(GT_MILL, 1, GO_POINT, 1, Z_FREE, flat, moved, t, GOST.delta, axis, st);
    ReadBack r = read_back();
    EXPECT_EQ(r.procs.size(), 1u);
    EXPECT_TRUE(near3(r.moves.back().p, {2, 2, 2}));
}

TEST(GoMotions, TargetsOfTheZModesTheDeltaAndTheHeights)
{
    // FREE Z: a point below the part is written as indicated (no gouge check).
    go_fresh();
    EXPECT_TRUE(near3(go(GT_MILL, GO_POINT, {5, 6, -500}).moves.back().p, {5, 6, -500}));
    go_fresh();
    EXPECT_TRUE(near3(go(GT_MILL, GO_POINT, {5, 6, -7}, Z_SAME).moves.back().p, {5, 6, 30}));
    go_fresh();
    EXPECT_TRUE(near3(go(GT_MILL, GO_POINT, {5, 6, -7}, Z_ONLY).moves.back().p, {10, 20, -7}));
    // Z ON PLANE: the ball on the plane x + z = 0 (normal not unit) above
    // x = 10 touches at z = -10 + 5 sqrt 2 - 5.
    go_fresh();
    const f32 slope[4] = {1, 0, 1, 0};
    const f32 want = -10.0f + 5.0f * std::sqrt(2.0f) - 5.0f;
    ReadBack r = go(GT_MILL, GO_AXIS, {10, 6, 99}, Z_PLANE, slope);
    EXPECT_TRUE(near3(r.moves.back().p, {10, 6, want})) << r.moves.back().p[2];
    go_fresh();
    GOST.delta[0] = 1, GOST.delta[1] = -2, GOST.delta[2] = 3;
    EXPECT_TRUE(near3(go(GT_MILL, GO_DELTA, {0, 0, 0}).moves.back().p, {11, 18, 33}));
    go_fresh();
    HEI8[HEI8_CLEARANCE] = r2wrd(50.0f);
    EXPECT_TRUE(near3(go(GT_MILL, GO_CLEAR, {0, 0, 0}).moves.back().p, {10, 20, 50}));
    go_fresh();
    HEI8[72] = r2wrd(-4.0f);
    EXPECT_TRUE(near3(go(GT_MILL, GO_ZPLANE, {0, 0, 0}).moves.back().p, {10, 20, -4}));
}

TEST(GoMotions, GoHomeWritesItsFirstLegByTheHomeHeightOrTheTurningSide)
{
    auto home = [](f32 x, f32 y, f32 z) {
        NPT1[NPT1_HOME] = r2wrd(x), NPT1[NPT1_HOME + 1] = r2wrd(y), NPT1[NPT1_HOME + 2] = r2wrd(z);
    };
    // From below the home height: up first, then across.
    go_fresh();
    home(0, 0, 100);
    ReadBack r = go(GT_MILL, GO_HOME, {0, 0, 0});
    ASSERT_EQ(r.moves.size(), 2u);
    EXPECT_TRUE(near3(r.moves[0].p, {10, 20, 100}));
    EXPECT_TRUE(near3(r.moves[1].p, {0, 0, 100}));
    // From above: across at the current height, then down.
    go_fresh();
    home(0, 0, 5);
    r = go(GT_MILL, GO_HOME, {0, 0, 0});
    ASSERT_EQ(r.moves.size(), 2u);
    EXPECT_TRUE(near3(r.moves[0].p, {0, 0, 30}));
    EXPECT_TRUE(near3(r.moves[1].p, {0, 0, 5}));
    // Turning: along y when the home lies beyond the current y on the normal
    // side, along x on the reversed side; the home at the procedure Z.
    for (i32 side : {1, 2}) {
        go_fresh("[]", 31);
        NPT1[5] = r2wrd(7.0f);
        home(0, 50, 0);
        GOST.turn_side = side;
        r = go(GT_TURN, GO_HOME, {0, 0, 0});
        ASSERT_EQ(r.moves.size(), 2u) << side;
        EXPECT_TRUE(near3(r.moves[0].p, side == 1 ? std::array<f32, 3>{10, 50, 30} : std::array<f32, 3>{0, 20, 30}))
            << side;
        EXPECT_TRUE(near3(r.moves[1].p, {0, 50, 7})) << side;
    }
}

TEST(GoMotions, OnlyTheWireTypeKeepsTheFeedCodeOfItsFirstMotion)
{
    for (i32 type : {GT_MILL, GT_MULTI, GT_TURN, GT_WIRE}) {
        go_fresh("[]", type == GT_WIRE ? 62 : type == GT_TURN ? 31 : 25);
        go(type, GO_POINT, {1, 1, 1});
        EXPECT_EQ(TECHST.requested[1], 1) << type;  // at feed
        TECHST.requested[1] = 99;
        f32 t[3] = {2, 2, 2}, axis[3] = {0, 0, 1};
        const f32 flat[4] = {0, 0, 1, 0};
        i32 moved = 1, st = 0;
        GOMOVE(type, 1, GO_POINT, 1, Z_FREE, flat, moved, t, GOST.delta, axis, st);
        EXPECT_EQ(st, 0) << type;
        EXPECT_EQ(TECHST.requested[1], type == GT_WIRE ? 99 : 1) << type;
    }
}

TEST(PartPlane, TheToolHeightOnThePlane)
{
    go_fresh();
    f32 p[3] = {10, 0, 99};
    // Horizontal: -d / Nz whatever the tool, also for a normal not unit.
    const f32 level[4] = {0, 0, 2, -6};
    EXPECT_EQ(PLNZ(p, level), 0);
    EXPECT_NEAR(p[2], 3.0f, 1e-5f);
    // Inclined, flat end mill D 10: the rim touches R tan(45) = 5 above.
    STCRNR(0.0f);
    const f32 slope[4] = {0, -3, 3, 0};
    p[1] = 10;
    EXPECT_EQ(PLNZ(p, slope), 0);
    EXPECT_NEAR(p[2], 15.0f, 1e-4f);
    // Vertical plane and a tool with a negative size: reported, z kept.
    p[2] = 99;
    const f32 wall[4] = {1, 0, 0, 0};
    EXPECT_EQ(PLNZ(p, wall), -1);
    EXPECT_TRUE(norak::transcript_has("user: PART PLANE CANNOT BE PARALLEL TO Z AXIS !"));
    STDIAM(-1.0f);
    EXPECT_EQ(PLNZ(p, slope), -2);
    EXPECT_EQ(p[2], 99.0f);
    EXPECT_TRUE(norak::transcript_has("user: PLNZ, NEGATIVE TOOL DIAMETER OR CORNER RADIUS: Z NOT CHANGED"));
    // The output Z shift raises the height on either kind of plane.
    go_fresh();
    SETZSH(2.0f);
    p[0] = 10, p[1] = 0, p[2] = 99;
    const bool flat_ok = PLNZ(p, level) == 0;
    const f32 flat_z = p[2];
    STCRNR(0.0f);
    p[1] = 10;
    const bool slope_ok = PLNZ(p, slope) == 0;
    // Starting the up/down state clears the shift.
    i32 w429 = 0, item[24] = {}, w455 = 0, w456 = 0, w457 = 0;
    UDINIT(w429, item, w455, w456, w457);
    EXPECT_EQ(OUTZSH, 0.0f);
    EXPECT_TRUE(flat_ok && slope_ok);
    EXPECT_NEAR(flat_z, 5.0f, 1e-5f);
    EXPECT_NEAR(p[2], 17.0f, 1e-4f);
    p[2] = 0;
    EXPECT_EQ(PLNZ(p, level), 0);
    EXPECT_NEAR(p[2], 3.0f, 1e-5f);
}

// The plane of a way with the replies given; status 0 expected.
std::array<f32, 4> plane_of(i32 way, const std::string& replies, i32 defined = -1)
{
    go_fresh(replies);
    NPT1[5] = r2wrd(3.0f);
    GOST.plane_defined = defined;
    GOST.plane[0] = 0.6f, GOST.plane[1] = 0, GOST.plane[2] = 0.8f, GOST.plane[3] = -8;
    GOST.stored_normal[0] = 0, GOST.stored_normal[1] = 0.6f, GOST.stored_normal[2] = 0.8f;
    f32 plane[4] = {0, 0, 1, 0};
    i32 st = 0;
    PLNDEF("PLANE", way, plane, st);
    EXPECT_EQ(st, 0) << way;
    EXPECT_EQ(norak::replies_left(), 0u) << way;
    return {plane[0], plane[1], plane[2], plane[3]};
}

void expect_plane(std::array<f32, 4> got, std::array<f32, 4> want)
{
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(got[k], want[k], 1e-5f) << k;
}

TEST(PartPlane, TheSevenWays)
{
    // 1: a plane entity 2z = 6 (its offset negated), picked after a surface,
    // which is no plane.
    auto with_plane = [](const std::string& replies) {
        go_fresh(replies);
        norak::Entity e;
        e.id = 900, e.cls = 5, e.type = 1;
        e.words = {r2wrd(0.0f), r2wrd(0.0f), r2wrd(2.0f), r2wrd(6.0f)};
        norak::entities()[900] = e;
        f32 plane[4] = {0, 0, 1, 0};
        i32 way = 1, st = 0;
        PLNDEF("PLANE", way, plane, st);
        EXPECT_EQ(st, 0);
        return std::array<f32, 4>{plane[0], plane[1], plane[2], plane[3]};
    };
    expect_plane(with_plane(R"([{"pick": 11}, {"pick": 900}])"), {0, 0, 2, -6});
    EXPECT_TRUE(norak::transcript_has("host message 320/110: NOT A PLANE: PICK AGAIN"));
    EXPECT_EQ(norak::replies_left(), 0u);
    // 2: the normal from (0,0,2) to (0,0,0), the plane through (1,1,5) after
    // a first point refused: d > 0, so the plane is turned.
    expect_plane(plane_of(2, R"([{"point": [0,0,2]}, {"point": [0,0,0]}, {"point": [0,0,9]},
        {"question": "IS THE POINT ON THE PLANE?", "answer": "no"}, {"point": [1,1,5]}, {"answer": "yes"}])"),
                 {0, 0, 1, -5});
    EXPECT_EQ(norak::transcript_count("prompt: INDICATE POINT ON PLANE"), 2u);
    // 3: three points; with the third left out, (-a.y, a.x, 0) stands in.
    expect_plane(plane_of(3, R"([{"point": [0,0,1]}, {"point": [1,0,1]}, {"point": [0,1,1]}])"), {0, 0, 1, -1});
    const f32 r = 1.0f / std::sqrt(2.0f);
    expect_plane(plane_of(3, R"([{"point": [0,0,0]}, {"point": [1,0,1]}, {"end": true}])"), {-r, 0, r, 0});
    // 4: typed coefficients, scaled; all-zero normal asked again.
    expect_plane(plane_of(4, R"([{"answer": 0}, {"answer": 0}, {"answer": 0}, {"answer": 1},
        {"answer": 0}, {"answer": 0}, {"answer": 2}, {"answer": -4}])"),
                 {0, 0, 1, -2});
    // 5: a Z level, indicated or typed above the procedure Z (3).
    expect_plane(plane_of(5, R"([{"menu": "INDICATE POINT"}, {"point": [4,4,2.5]}])"), {0, 0, 1, -2.5f});
    expect_plane(plane_of(5, R"([{"menu": "TYPE Z"}, {"answer": 4}])"), {0, 0, 1, -7});
    // 6 and 7: the stored plane, and the stored normal through a point.
    expect_plane(plane_of(6, "[]", 0), {0.6f, 0, 0.8f, -8});
    expect_plane(plane_of(7, R"([{"point": [0,5,10]}])", 0), {0, 0.6f, 0.8f, -11});
    // Nothing stored: refused.
    go_fresh();
    f32 plane[4] = {0, 0, 1, 0};
    i32 way = 6, st = 0;
    PLNDEF("PLANE", way, plane, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("host message 320/220: NO PART PLANE DEFINED YET"));
}

// A line entity of the part (two ends, six doubles).
void line_entity(i32 id, std::array<f64, 3> from, std::array<f64, 3> to)
{
    norak::Entity e;
    e.id = id, e.cls = 2, e.type = 1;
    const f64 d[6] = {from[0], from[1], from[2], to[0], to[1], to[2]};
    e.words.resize(12);
    std::memcpy(e.words.data(), d, sizeof d);
    norak::entities()[id] = e;
}

// The plane of way 1 with the replies given, the lines 901-906 and the
// plane entity 910 (normal (0.6, 0, 0.8), offset 4) in the part; turned:
// the model stands a quarter turn about z and 5 higher in the world.
std::array<f32, 4> way_one(const std::string& replies, i32& status, bool turned = false)
{
    go_fresh(replies);
    if (turned) {
        const f64 turn[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1}, lift[3] = {0, 0, 5};
        norak::set_model_to_world(turn, lift);
    }
    line_entity(901, {0, 0, 1}, {1, 0, 2});  // 901 and 902 cross in z = x + 1
    line_entity(902, {0, 0, 1}, {0, 5, 1});
    line_entity(903, {0, 0, 2}, {5, 0, 2});  // 903 and 904 run parallel in z = 2
    line_entity(904, {0, 3, 2}, {5, 3, 2});
    line_entity(905, {0, 0, 0}, {1, 0, 0});  // 905 and 906 are skew
    line_entity(906, {0, 0, 1}, {0, 1, 1});
    norak::Entity e;
    e.id = 910, e.cls = 5, e.type = 1;
    e.words = {r2wrd(0.6f), r2wrd(0.0f), r2wrd(0.8f), r2wrd(4.0f)};
    norak::entities()[910] = e;
    f32 plane[4] = {0, 0, 1, 0};
    i32 way = 1;
    PLNDEF("PLANE", way, plane, status);
    EXPECT_EQ(norak::replies_left(), 0u);
    return {plane[0], plane[1], plane[2], plane[3]};
}

TEST(PartPlane, WayOneTakesTwoLinesAndThePlaneIntoWorld)
{
    const f32 r = 1.0f / std::sqrt(2.0f);
    i32 st = 9;
    // Two crossing lines: z = x + 1; the picks are rejected on the way out.
    expect_plane(way_one(R"([{"pick": 901}, {"pick": 902}])", st), {-r, 0, r, -r});
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(norak::transcript_has("prompt: PICK SECOND LINE"));
    EXPECT_EQ(norak::transcript_count("host: pick of entity 90"), 2u);
    i32 left = -1;
    sllen(left);
    EXPECT_EQ(left, 0);
    // Parallel lines; skew lines refused and picked again; an escape at the
    // second line starts afresh.
    expect_plane(way_one(R"([{"pick": 905}, {"pick": 906}, {"pick": 903}, {"escape": true},
        {"pick": 903}, {"pick": 904}])",
                         st),
                 {0, 0, 1, -2});
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::transcript_count("host message 320/110: NOT A PLANE: PICK AGAIN"), 1u);
    EXPECT_EQ(norak::transcript_count("prompt: PICK PLANE OR LINE"), 3u);
    // An escape at the first pick leaves with its status.
    way_one(R"([{"escape": true}])", st);
    EXPECT_EQ(st, -2);
    // The model turned and lifted: the plane entity 0.6 x + 0.8 z = 4
    // becomes 0.6 y + 0.8 z = 8, and the lines' plane z = x + 1 becomes
    // z = y + 6 (the lift moves the plane, not only the turn).
    expect_plane(way_one(R"([{"pick": 910}])", st, true), {0, 0.6f, 0.8f, -8});
    EXPECT_EQ(st, 0);
    expect_plane(way_one(R"([{"pick": 901}, {"pick": 902}])", st, true), {0, -r, r, -6 * r});
    EXPECT_EQ(st, 0);
}

TEST(GoMenu, AVerticalPartPlaneIsRefusedThenThePointGoesOnThePlane)
{
    go_fresh(R"([{"menu": "Z ON PLANE"}, {"menu": "DEFINE PART PLANE"},
        {"menu": "A,B,C,D"}, {"answer": 1}, {"answer": 0}, {"answer": 0}, {"answer": 0},
        {"menu": "A,B,C,D"}, {"answer": 1}, {"answer": 0}, {"answer": 0.00001}, {"answer": 0},
        {"menu": "A,B,C,D"}, {"answer": 0}, {"answer": 0}, {"answer": 1}, {"answer": -10},
        {"point": [5, 5, -100]}, {"escape": true}])");
    i32 tool[30] = {}, disp[20] = {}, opts[11] = {}, moved = 0, changed = 0, st = 0;
    GOMENU(GT_MILL, 1, tool, disp, opts, moved, changed, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(moved, 1);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(norak::replies_left(), 0u);
    // Vertical, then nearly so (PLNZ could not stand the tool on it): both
    // refused at the definition.
    EXPECT_EQ(norak::transcript_count("user: PART PLANE CANNOT BE PARALLEL TO Z.AXIS!"), 2u);
    EXPECT_FALSE(norak::transcript_has("user: PART PLANE CANNOT BE PARALLEL TO Z AXIS !"));
    EXPECT_TRUE(norak::transcript_has("prompt: INDICATE POINT"));
    ReadBack r = read_back();
    ASSERT_EQ(r.procs.size(), 1u);
    EXPECT_EQ(r.procs[0], 10);
    ASSERT_FALSE(r.moves.empty());
    EXPECT_TRUE(near3(r.moves.back().p, {5, 5, 10}));
    // The GO menu goes fast; its state keeps the plane and the Z mode.
    EXPECT_EQ(GOST.speed, 2);
    EXPECT_EQ(GOST.zmode, Z_PLANE);
    EXPECT_EQ(GOST.plane_defined, 0);
    EXPECT_EQ(wrd2r(DSM4[0]), -1.0f);
}

TEST(GoMenu, TheWireTypesDeltaAndItsTopAndBasePoints)
{
    // Wire: the fourth kind is the indicated point with its tool axis (two
    // points); top and base the same are refused with the module's own spelling.
    go_fresh(R"([{"menu": "GO DELTA"}, {"menu": "DX", "value": 2}, {"menu": 0},
        {"menu": "GO IND. POINT 4X"}, {"point": [1,1,1]}, {"point": [1,1,1]},
        {"point": [0,0,0]}, {"point": [0,0,5]}, {"escape": true}])",
             62);
    i32 tool[30] = {}, disp[20] = {}, opts[11] = {}, moved = 0, changed = 0, st = 0;
    GOMENU(GT_WIRE, 1, tool, disp, opts, moved, changed, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_TRUE(norak::transcript_has("user: THE TOP & BASE START POINTS ARE SIMILIAR, NOT LEGAL!"));
    EXPECT_TRUE(norak::transcript_has("prompt: INDICATE TOP POINT"));
    ReadBack r = read_back();
    ASSERT_GE(r.moves.size(), 2u);
    EXPECT_TRUE(near3(r.moves[r.moves.size() - 2].p, {12, 20, 30}));
    EXPECT_TRUE(near3(r.moves.back().p, {0, 0, 0}));
    EXPECT_EQ(r.moves.back().type, 22);  // with the tool axis
}

TEST(GoMenu, TurningDeltaTakesItsDzRowAlongTheTurningAxis)
{
    // Turning moves in x and y at the procedure Z: its "DZ" row moves the
    // tool along y, and a y delta left by another GO menu is that row's.
    go_fresh(R"([{"menu": "DZ", "value": 4}, {"menu": 0}, {"escape": true}])", 31);
    NPT1[5] = r2wrd(7.0f);
    GOST.kind = GO_DELTA;
    GOST.delta[0] = 2, GOST.delta[1] = 5, GOST.delta[2] = 9;
    i32 tool[30] = {}, disp[20] = {}, opts[11] = {}, moved = 0, changed = 0, st = 0;
    GOMENU(GT_TURN, 1, tool, disp, opts, moved, changed, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(norak::transcript_count("DY"), 0u);
    ReadBack r = read_back();
    ASSERT_FALSE(r.moves.empty());
    EXPECT_TRUE(near3(r.moves.back().p, {12, 24, 7})) << r.moves.back().p[1];
}

TEST(GoMenu, TypesWithoutTheZModeItemGoFreeWhateverAMillingMenuLeft)
{
    // ONLY Z left by a milling GO menu (x and y kept) is not shown in these
    // menus and moves nothing of theirs: the point goes as for FREE Z.
    struct Case {
        i32 type, machine;
        std::array<f32, 3> want;
    };
    const Case cases[] = {{GT_TWOAXIS, 12, {5, 6, 30}}, {GT_TURN, 31, {5, 6, 7}}, {GT_WIRE, 62, {5, 6, -7}}};
    for (const Case& c : cases) {
        go_fresh(R"([{"point": [5, 6, -7]}, {"escape": true}])", c.machine);
        NPT1[5] = r2wrd(7.0f);
        GOST.zmode = Z_ONLY;
        i32 tool[30] = {}, disp[20] = {}, opts[11] = {}, moved = 0, changed = 0, st = 0;
        GOMENU(c.type, 1, tool, disp, opts, moved, changed, st);
        EXPECT_EQ(st, 0) << c.type;
        EXPECT_EQ(norak::replies_left(), 0u) << c.type;
        ReadBack r = read_back();
        ASSERT_FALSE(r.moves.empty()) << c.type;
        EXPECT_TRUE(near3(r.moves.back().p, c.want)) << c.type << ": " << r.moves.back().p[0];
    }
}

TEST(GoMenu, ZOnPlaneKeepsAskingTheAxisPointUntilAPlaneIsDefined)
{
    go_fresh(R"([{"menu": "GO IND. POINT 5X"}, {"menu": "Z ON PLANE"}, {"point": [0, 0, 0]},
        {"point": [0, 0, 1]}, {"escape": true}])",
             26);
    RAXN[0] = 6;
    i32 tool[30] = {}, disp[20] = {}, opts[11] = {}, moved = 0, changed = 0, st = 0;
    GOMENU(GT_MULTI, 1, tool, disp, opts, moved, changed, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(norak::transcript_count("prompt: IND TOOL AXIS DIR"), 1u);
}

TEST(GoMenu, GoAtFeedSetsTheFeedAndDyMovesAlongY)
{
    // Going at feed takes the procedure's feed into the modal state; the DY
    // row moves the tool along y alone.
    go_fresh(R"([{"menu": "GO AT FEED"}, {"escape": true}])");
    PRM9[0] = r2wrd(250.0f);
    i32 tool[30] = {}, disp[20] = {}, opts[11] = {}, moved = 0, changed = 0, st = 0;
    GOMENU(GT_MILL, 1, tool, disp, opts, moved, changed, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(GOST.speed, 1);
    EXPECT_EQ(wrd2r(DSM4[0]), 250.0f);
    go_fresh(R"([{"menu": "GO DELTA"}, {"menu": "DY", "value": 4}, {"menu": 0}, {"escape": true}])");
    GOMENU(GT_MILL, 1, tool, disp, opts, moved, changed, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    ReadBack r = read_back();
    ASSERT_FALSE(r.moves.empty());
    EXPECT_TRUE(near3(r.moves.back().p, {10, 24, 30})) << r.moves.back().p[1] << " " << r.moves.back().p[2];
}

TEST(GoMenu, WritesTheDisplayBlocksOutAfterEveryMotionThatFailedToo)
{
    // GO HOME from below the home height: the first leg is written before the
    // second may fail. Every n-th allocation refused in turn: whenever the
    // motion ran, the display blocks are written out, failed or not.
    i32 failed = 0;
    for (i32 n = 1; n <= 40; ++n) {
        go_fresh(R"([{"menu": "GO HOME"}, {"menu": 0}, {"escape": true}])");
        NPT1[NPT1_HOME + 2] = r2wrd(100.0f);
        i32 tool[30] = {}, disp[20] = {}, opts[11] = {}, moved = 0, changed = 0, st = 0;
        const i32 before = norak::blocks_flushed();
        norak::fail_alloc_after(n);
        GOMENU(GT_MILL, 1, tool, disp, opts, moved, changed, st);
        norak::fail_alloc_after(0);
        if (st == -3) ++failed;
        if (st == -3 || changed == 1) {
            EXPECT_GE(norak::blocks_flushed() - before, 1) << n << " " << st;
        }
    }
    EXPECT_GT(failed, 0);
}

TEST(GoMenu, TheToolAxisOfTwoPointsOnAFourAxisMachine)
{
    // Rotary axis X (setting 1): the axis loses its x, so two points apart
    // in x alone define none and are asked again; an escape at the second
    // point starts afresh.
    go_fresh(R"([{"point": [0, 0, 0]}, {"point": [5, 0, 0]}, {"point": [1, 1, 1]}, {"escape": true},
        {"point": [0, 0, 0]}, {"point": [1, 3, 4]}])",
             25);
    RAXN[0] = 1;
    f32 point[3], axis[3];
    i32 mode = 3, st = 9;
    GOPICK(1, GO_AXIS, mode, point, axis, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(norak::transcript_count(
                  "user: THE TOOL AXIS DIRECTION CAN NOT BE PROPERLY DEFINED BY THOSE TWO POINTS"),
              1u);
    EXPECT_EQ(norak::transcript_count("prompt: INDICATE BASE POINT"), 3u);
    EXPECT_EQ(norak::transcript_count("prompt: IND TOOL AXIS DIR"), 3u);
    EXPECT_TRUE(near3(axis, {0, 0.6f, 0.8f}));
    EXPECT_EQ(mode, 3);
    // Two rotary axes (setting 6): the axis as indicated.
    go_fresh(R"([{"point": [0, 0, 0]}, {"point": [1, 3, 4]}])", 26);
    RAXN[0] = 6;
    GOPICK(1, GO_AXIS, mode, point, axis, st);
    const f32 l = std::sqrt(26.0f);
    EXPECT_TRUE(near3(axis, {1 / l, 3 / l, 4 / l}));
    // The multi-axis menu names its sixth kind by the machine; chosen, it
    // asks for the base point.
    for (i32 rot : {1, 6}) {
        const std::string kind = rot == 6 ? "GO IND. POINT 5X" : "GO IND. POINT 4X";
        go_fresh(R"([{"menu": ")" + kind + R"("}, {"escape": true}])", 26);
        RAXN[0] = rot;
        i32 tool[30] = {}, disp[20] = {}, opts[11] = {}, moved = 0, changed = 0;
        GOMENU(GT_MULTI, 1, tool, disp, opts, moved, changed, st);
        EXPECT_EQ(norak::replies_left(), 0u) << rot;
        EXPECT_FALSE(norak::transcript_has(rot == 6 ? "GO IND. POINT 4X" : "GO IND. POINT 5X")) << rot;
        EXPECT_TRUE(norak::transcript_has("prompt: INDICATE BASE POINT")) << rot;
    }
}

TEST(GoMenu, TheCommentRowOnlyInAToolPathAndTheKindKeptFromTheLastCall)
{
    // The kind of the last GO menu stays (here the delta, whose DX row the
    // reply needs); outside a tool path no comment row is offered.
    for (i32 intp : {1, 0}) {
        go_fresh(R"([{"menu": "DX", "value": 2}, {"menu": 0}, {"escape": true}])");
        GOST.kind = GO_DELTA;
        i32 tool[30] = {}, disp[20] = {}, opts[11] = {}, moved = 0, changed = 0, st = 0;
        GOMENU(GT_MILL, intp, tool, disp, opts, moved, changed, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(norak::replies_left(), 0u) << intp;
        EXPECT_EQ(norak::transcript_has("COMMENT"), intp == 1) << intp;
    }
}

TEST(GoMenu, FillsTheItemDescriptionsOnlyWhenNobodyHasAndReleasesThem)
{
    i32 tool[30] = {}, disp[20] = {}, opts[11] = {}, moved = 0, changed = 0, st = 0;
    // Registered already (by the driver): left alone.
    go_fresh(R"([{"escape": true}])");
    GOMENU(GT_MILL, 1, tool, disp, opts, moved, changed, st);
    EXPECT_EQ(norak::description_fills(), 0);
    EXPECT_EQ(nu_modl_get_did_init(), 1);
    // Not registered: filled for the menu and released after it, also when
    // the machining type does not fit (a lathe GO on a milling machine) or
    // the host will not start the menu's interaction; neither refusal is a
    // success, and neither menu asks anything.
    struct Case {
        i32 type;
        const char* refused;
        i32 status;
    };
    for (const Case& c : {Case{GT_MILL, "", 0}, Case{GT_TURN, "", -1}, Case{GT_MILL, "modint", -1}}) {
        go_fresh(c.status == 0 ? R"([{"escape": true}])" : "[]");
        nu_modl_rels(PARDSC1, PARDSC2);
        if (*c.refused) norak::fail_list_call(c.refused, 1);
        GOMENU(c.type, 1, tool, disp, opts, moved, changed, st);
        EXPECT_EQ(st, c.status) << c.type << c.refused;
        EXPECT_EQ(norak::description_fills(), 1) << c.type;
        EXPECT_EQ(nu_modl_get_did_init(), 0) << c.type;
        EXPECT_EQ(norak::replies_left(), 0u);
        EXPECT_EQ(moved, 0);
        EXPECT_EQ(norak::transcript_has("SEGMENT NOT FIT FOR CURRENT MACHINING TYPE"), c.type == GT_TURN);
    }
}

TEST(GoMenu, ItsToolMenuWaitsForItsOwnReplyInAProcedureTheHostKeeps)
{
    // The tool menu has a print-mode cell of its own: in a procedure the
    // host keeps it still waits for its reply, so the accept goes to it and
    // not to the GO menu as a motion.
    go_fresh(R"([{"menu": "MACHINE PARAMS ..."}, {"menu": 0}, {"escape": true}])");
    EDA2[EDA2_HELD] = 1;
    GOST.kind = GO_DELTA;
    i32 tool[30] = {}, disp[20] = {}, opts[11] = {}, moved = 0, changed = 0, st = 0;
    GOMENU(GT_MILL, 1, tool, disp, opts, moved, changed, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(moved, 0);
}

TEST(MachineSet, GoToPointSetsTheMachineStateAndNotesTheNewProcedure)
{
    go_fresh(R"([{"point": [1, 2, 3]}, {"escape": true}])");
    EDA2[EDA2_SUSP] = EDA2[13] = 1;
    MCHSTW[1] = 5;
    MODRST = 0;
    i32 st = 0;
    MCHSET(1, 0, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(MODRST, 1);
    EXPECT_EQ(MCHSTW[1], 0);
    EXPECT_EQ(EDA2[EDA2_SUSP], 0);
    EXPECT_EQ(EDA2[13], 0);
    EXPECT_EQ(CURTOL, 101);
    EXPECT_EQ(norak::replies_left(), 0u);
    bool noted = false;
    for (const auto& l : norak::transcript())
        if (l.rfind("user: NOTE: PARAMETERS SET IN ", 0) == 0 && l.find("WILL NOT AFFECT ACTIVE FUNCTION") != std::string::npos)
            noted = true;
    EXPECT_TRUE(noted);
    i32 pos = 0;
    lgtpos(pos);
    EXPECT_EQ(pos, 1);  // back on the block it started from
    ReadBack r = read_back();
    EXPECT_TRUE(near3(r.moves.back().p, {1, 2, 3}));
    // The display record follows the motion by itself: the tool is drawn
    // where the GO procedure left it.
    EXPECT_EQ(wrd2r(DSP8[DSP8_POS]), 1.0f);
    EXPECT_EQ(wrd2r(DSP8[DSP8_POS + 2]), 3.0f);

    // Punch: the two-axis codes are requested; keep leaves no note.
    go_fresh(R"([{"escape": true}])", 12);
    MCHSET(3, 1, st);
    EXPECT_EQ(TECHST.requested[52], 14);
    EXPECT_EQ(TECHST.requested[53], 17);
    EXPECT_FALSE(norak::transcript_has("user: NOTE: PARAMETERS SET IN "));

    // The tool menu of a milling GO: feed, spindle and speed, the modal
    // code 3 choice and the tool selection (">"), no integer machine values.
    go_fresh(R"([{"menu": "MACHINE PARAMS ..."}, {"menu": 0}, {"escape": true}])");
    MCHSET(1, 1, st);
    EXPECT_EQ(norak::replies_left(), 0u);
    std::string tools;
    for (const auto& l : norak::transcript())
        if (l.rfind("menu: ", 0) == 0 && l.find("TOOL=") != std::string::npos) tools = l;
    for (const char* row : {"@FEED", "@SPINDLE SPEED", "@CUTTING SPEED", "@COOLANT", ">@"}) EXPECT_NE(tools.find(row), std::string::npos) << tools;
    EXPECT_EQ(tools.find("MACHINE VALUE"), std::string::npos) << tools;
}

}  // namespace
