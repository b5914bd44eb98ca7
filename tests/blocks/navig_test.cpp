// Tool positions around the cursor over lists that mix motions, technology,
// texts, markers and procedures with sub-lists; end points by block type;
// first and last positions of a procedure; the size of the whole tool path.
#include "blocks/endpt.h"
#include "blocks/navig.h"
#include "tests/blocks/common.h"

using dump::R;
using dump::Words;

namespace {
const f32 UP[3] = {0, 0, 1};

// A procedure block with groups 24 (code 20: the sub-list's block count),
// 27 (procedure entity, sub-list flag, geometry of the first slot), 23 and
// 25, then the closing item.
Words proc_words(i32 number, i32 entity, i32 sublist, i32 geometry)
{
    Words g24{20, 2, 0, 0};
    Words g27{51, 2, 0, entity, 82, 2, 0, sublist, 93, 2, 0, geometry};
    Words w{12, number, 9, 24, static_cast<i32>(g24.size())};
    w.insert(w.end(), g24.begin(), g24.end());
    w.push_back(27);
    w.push_back(static_cast<i32>(g27.size()));
    w.insert(w.end(), g27.begin(), g27.end());
    w.insert(w.end(), {23, 0, 25, 0, 1, 9, 2, 0, 0, 0, 0, 0, 0, 0, 0});
    return w;
}

void line(i32 type, f32 x, f32 y, f32 z, const f32* v, i32 number)
{
    const f32 p[3] = {x, y, z};
    i32 st = 0;
    PTBT2(AM_LIST, type, p, v, number, st);
    ASSERT_EQ(st, 0);
}

void text(const char* t, i32 number)
{
    i32 st = 0;
    PUTBT4(AM_LIST, 4, static_cast<i32>(std::strlen(t)), t, number, st);
}

void marker(i32 kind, i32 number)
{
    i32 st = 0;
    PTBT99(AM_LIST, kind, 0.0f, 0, number, st);
}

void tech(i32 number)
{
    i32 st = 0;
    PTBT1C(AM_LIST, 1, 4, number, st);
}

// A string of type 7 or 27 with the points given, numbered from `first`.
void string(i32 type, const std::vector<std::array<f32, 6>>& pts, i32 first)
{
    const i32 rec = type == 7 ? 4 : 7;
    i32 st = 0;
    BLKOPN(AM_LIST, type, 1 + rec * static_cast<i32>(pts.size()), st);
    for (size_t k = 0; k < pts.size(); ++k)
        PTSTRP(AM_LIST, type, first + static_cast<i32>(k), pts[k].data(), pts[k].data() + 3, st);
    BLKCLS(AM_LIST);
    ASSERT_EQ(st, 0);
}

// The cursor: its position and the element's code.
std::pair<i32, i32> cursor()
{
    i32 pos = 0, code = 0;
    lgtpos(pos);
    lacces(0, code);
    return {pos, code};
}

void go(i32 position)
{
    i32 answer = 0;
    lacces(2, answer);
    for (i32 k = 1; k < position; ++k) lacces(1, answer);
}

void expect_point(const f32* p, f32 x, f32 y, f32 z)
{
    EXPECT_FLOAT_EQ(p[0], x);
    EXPECT_FLOAT_EQ(p[1], y);
    EXPECT_FLOAT_EQ(p[2], z);
}

struct NavTest : BlocksTest {
    // Main list: 1 tech, 2 text, 3 marker, 4 line to (1, 1, 1), 5 procedure
    // (sub-list: tech, line to (5, 5, 5), marker, string 27 ending at
    // (8, 8, 8) with axis (0, 0.6, 0.8), text), 6 arc 23 to (9, 9, 9) with
    // axis (0, 1, 0), 7 marker, 8 text.
    void build(i32 geometry = 0)
    {
        tech(1);
        text("HELLO", 2);
        marker(1, 3);
        line(2, 1, 1, 1, UP, 4);
        put_block(proc_words(5, 0, 1, geometry));
        i32 st = 0;
        OPNSBL(st);
        ASSERT_EQ(st, 0);
        tech(6);
        line(2, 5, 5, 5, UP, 7);
        marker(2, 8);
        string(27, {{{6, 6, 6, 0, 0, 1}}, {{7, 7, 7, 0, 0, 1}}, {{8, 8, 8, 0, 0.6f, 0.8f}}}, 9);
        text("BYE", 12);
        CLSSBL(st);
        ASSERT_EQ(st, 0);
        const f32 c[2] = {9, 8}, e[3] = {9, 9, 9}, v[3] = {0, 1, 0};
        PTBT3(AM_LIST, 23, 1, 1.0f, 0.1f, c, e, v, 13, st);
        marker(1, 14);
        text("END", 15);
        for (int k = 0; k < 3; ++k) DSP8[DSP8_POS + k] = R(-1.0f);
        for (int k = 0; k < 3; ++k) DSP8[DSP8_AXIS + k] = R(k == 2 ? 1.0f : 0.0f);
    }
};
}  // namespace

TEST_F(NavTest, PositionsAroundTheCursorAndTheCursorBackAtItsMark)
{
    build();
    f32 p[3], d[3];
    i32 number = 0, st = 0;

    // Before the arc: the line of the main list, past the procedure.
    go(6);
    const auto at = cursor();
    PRVPNT(0, p, d, number, st);
    EXPECT_EQ(st, 0);
    expect_point(p, 1, 1, 1);
    expect_point(d, 0, 0, 1);
    EXPECT_EQ(number, 4);
    EXPECT_EQ(cursor(), at);
    // With the block at the cursor: the arc itself and its tool axis.
    PRVPNT(1, p, d, number, st);
    EXPECT_EQ(st, 0);
    expect_point(p, 9, 9, 9);
    expect_point(d, 0, 1, 0);
    EXPECT_EQ(cursor(), at);

    // After the first block: the line; from the first block backwards:
    // nothing before it, the status line's position and status 1.
    go(1);
    NXTPOI(0, p, d, number, st);
    EXPECT_EQ(st, 0);
    expect_point(p, 1, 1, 1);
    EXPECT_EQ(cursor().first, 1);
    PRVPNT(0, p, d, number, st);
    EXPECT_EQ(st, 1);
    expect_point(p, -1, -1, -1);
    EXPECT_EQ(number, -1);

    // After the last block there is nothing: a list failure.
    go(8);
    const auto last = cursor();
    NXTPOI(0, p, d, number, st);
    EXPECT_EQ(st, -2);
    EXPECT_TRUE(norak::transcript_has("NXTPOI,ERRORS IN LIST"));
    EXPECT_EQ(cursor(), last);

    // Within the procedure's sub-list: the string's last point and axis
    // before the closing text; the line after the technology block.
    go(5);
    OPNSBL(st);
    ASSERT_EQ(st, 0);
    go(5);
    const auto sub = cursor();
    PRVPNT(0, p, d, number, st);
    EXPECT_EQ(st, 0);
    expect_point(p, 8, 8, 8);
    expect_point(d, 0, 0.6f, 0.8f);
    EXPECT_EQ(number, 11);
    EXPECT_EQ(cursor(), sub);
    go(1);
    NXTPOI(0, p, d, number, st);
    expect_point(p, 5, 5, 5);
    EXPECT_EQ(number, 7);
    CLSSBL(st);
    EXPECT_EQ(st, 0);

    // First and last positions of the procedure.
    go(5);
    f32 f[3], fd[3], l[3], ld[3];
    i32 none = 1;
    FSTLST(f, fd, l, ld, none, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(none, 0);
    expect_point(f, 5, 5, 5);
    expect_point(l, 8, 8, 8);
    expect_point(ld, 0, 0.6f, 0.8f);
    i32 level = 0;
    gtlstn(1, level);
    EXPECT_EQ(level, 1);
}

TEST_F(NavTest, EndPointsByBlockType)
{
    // A technology block followed by an arc of type 23.
    tech(0);
    const f32 c[2] = {0, 0}, e[3] = {3, 4, 5}, v[3] = {0.6f, 0, 0.8f};
    i32 st = 0;
    PTBT3(AM_LIST, 23, 1, 0.5f, 0.1f, c, e, v, 1, st);
    go(1);
    f32 p[3], d[3];
    i32 number = 0;
    ENDPT(p, d, number, st);
    EXPECT_EQ(st, 0);
    expect_point(p, 3, 4, 5);
    expect_point(d, 0.6f, 0, 0.8f);
    EXPECT_EQ(cursor().first, 2);

    // Strings of five points and of one point; a NURBS block's last
    // control point; a drill location's direction.
    string(7, {{{1, 0, 0}}, {{2, 0, 0}}, {{3, 0, 0}}, {{4, 0, 0}}, {{5, 0, 0}}}, 2);
    string(7, {{{7, 0, 0}}}, 7);
    const f64 knots[7] = {0, 0, 0, 1, 1, 1, 1}, pts[9] = {0, 0, 0, 1, 2, 3, 4, 5, 6};
    PTBT5(AM_LIST, 5, 4, 3, knots, pts, 8, st);
    const f32 dp[3] = {1, 1, 1}, dd[3] = {0, 1, 0};
    PTBT31(AM_LIST, dp, dd, 0, 9, st);
    PTBT3(AM_LIST, 223, 2, 0.5f, 0.1f, c, e, v, 10, st);  // a normal, no tool axis
    const f32 want[5][6] = {
        {5, 0, 0, 0, 0, 1}, {7, 0, 0, 0, 0, 1}, {4, 5, 6, 0, 0, 1}, {1, 1, 1, 0, 1, 0}, {3, 4, 5, 0, 0, 1}};
    for (int k = 0; k < 5; ++k) {
        go(3 + k);
        i32 size = 0, type = 0, cls = 0;
        TPBLKH(AM_LIST, size, type, cls, st);
        WENDPT(AM_LIST, type, size, p, d, number, st);
        EXPECT_EQ(st, 0) << k;
        expect_point(p, want[k][0], want[k][1], want[k][2]);
        expect_point(d, want[k][3], want[k][4], want[k][5]);
    }

    // A block cut short fails.
    put_block({3, 20, 1});
    i32 size = 0, type = 0, cls = 0;
    TPBLKH(AM_LIST, size, type, cls, st);
    WENDPT(AM_LIST, type, size, p, d, number, st);
    EXPECT_LT(st, 0);

    // No movement after the cursor: ENDPNT reports it with -2.
    text("X", 11);
    ENDPT(p, d, number, st);
    EXPECT_EQ(st, -2);
    EXPECT_TRUE(norak::transcript_has("ENDPNT, A MOVEMENT BLOCK WAS NOT FOUND"));
}

TEST_F(NavTest, FromBeforeTheFirstBlockTheFirstIsLookedAt)
{
    tech(1);
    line(2, 1, 1, 1, UP, 2);
    norak::main_list().cur = 0;  // the cursor before the first block
    f32 p[3], d[3];
    i32 number = 0, st = 0;
    NXTPOI(0, p, d, number, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(number, -1);  // the first block moves nothing: the status line's position
    EXPECT_EQ(norak::main_list().cur, 0u);
    PRVPNT(0, p, d, number, st);
    EXPECT_EQ(st, -1);  // no position to step back from
}

TEST_F(NavTest, ProcedureWithoutMovesAndTheWrongBlock)
{
    put_block({12, 1, 9, 24, 4, 20, 2, 0, 0, 27, 0, 23, 0, 25, 0, 1, 9, 2, 0, 0, 0, 0, 0, 0, 0, 0});
    f32 f[3], fd[3], l[3], ld[3];
    i32 none = 0, st = 0;
    FSTLST(f, fd, l, ld, none, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(none, 1);
    // A stored procedure whose moves lie in its movement entity (flag 6 at
    // 0, a procedure entity named) has none in the list: no movement, and
    // no sub-list is opened under its block.
    put_block(proc_words(2, 7, 0, 0));
    none = 0;
    FSTLST(f, fd, l, ld, none, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(none, 1);
    EXPECT_FALSE(norak::main_list().elems.back().sub);
    // A sub-list without its block count cannot be opened.
    put_block({12, 2, 9, 24, 0, 27, 4, 82, 2, 0, 1, 23, 0, 25, 0, 1, 9, 2, 0, 0, 0, 0, 0, 0, 0, 0});
    FSTLST(f, fd, l, ld, none, st);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("FSTLST - list errors"));
    line(2, 1, 1, 1, UP, 3);
    FSTLST(f, fd, l, ld, none, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("FSTLST,THE CURRENT BLOCK IS NOT A PROCEDURE DEFINITION BLOCK"));
}

TEST_F(NavTest, SizeOfTheToolPathCountsEveryElementAndTheProceduresEntities)
{
    i32 size = -1, st = 0;
    GTTPSZ(size, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(size, 0);  // an empty list

    // A geometry entity of the first procedure, and a second procedure
    // whose blocks lie in its movement entity.
    norak::Entity geom;
    geom.cls = 9;
    geom.type = 7;
    geom.words.assign(17, 0);
    const i32 gid = norak::add_entity(geom);
    norak::Entity mov;
    mov.cls = 9;
    mov.type = 8;
    mov.words.assign(41, 0);
    const i32 mid = norak::add_entity(mov);
    norak::Entity proc;
    proc.cls = 9;
    proc.type = 3;
    proc.words.assign(5, 0);
    const i32 pid = norak::add_entity(proc);
    norak::movement_entities()[pid] = mid;

    build(gid);
    // A procedure whose second slot holds the geometry entity, then one whose
    // flag group names no second slot: its size counts no entity there.
    Words slot2 = proc_words(16, 0, 0, 0);
    slot2.insert(slot2.begin() + 23, {94, 2, 0, gid});
    slot2[10] += 4;
    put_block(slot2);
    put_block(proc_words(17, pid, 0, 0));
    go(3);
    const auto at = cursor();

    GTTPSZ(size, st);
    EXPECT_EQ(st, 0);
    long long words = 0;
    for (const auto& e : dump::main_list()) words += static_cast<long long>(e.size()) + 1;
    for (size_t k = 0; k < norak::main_list().elems.size(); ++k)
        for (const auto& e : dump::sub_list(k)) words += static_cast<long long>(e.size()) + 1;
    words += 17 + 17 + 41;
    EXPECT_EQ(size, 4 * words);
    EXPECT_EQ(cursor(), at);

    // Not on a sub-list.
    go(5);
    OPNSBL(st);
    GTTPSZ(size, st);
    EXPECT_EQ(st, -1);
    CLSSBL(st);
}


// The obsolete type 8 is a movement by its class but holds no point: every
// search passes over it to the next block that moves the tool, and its own
// end point is refused.
TEST_F(NavTest, ObsoleteBlocksArePassedOverAsTheyHoldNoPoint)
{
    line(2, 1, 1, 1, UP, 1);
    put_block({8, 2, 0, 0, 0});
    line(2, 2, 2, 2, UP, 3);
    put_block({8, 4, 0, 0, 0});
    text("END", 5);
    struct Case {
        const char* what;
        i32 at;
        void (*search)(f32*, f32*, i32&, i32&);
        f32 x;
        i32 number;
    };
    const Case cases[] = {
        {"ENDPT", 2, [](f32* p, f32* d, i32& n, i32& s) { ENDPT(p, d, n, s); }, 2, 3},
        {"PRVPNT with the block", 4, [](f32* p, f32* d, i32& n, i32& s) { PRVPNT(1, p, d, n, s); }, 2, 3},
        {"PRVPNT", 3, [](f32* p, f32* d, i32& n, i32& s) { PRVPNT(0, p, d, n, s); }, 1, 1},
        {"NXTPOI with the block", 2, [](f32* p, f32* d, i32& n, i32& s) { NXTPOI(1, p, d, n, s); }, 2, 3},
        {"NXTPOI", 1, [](f32* p, f32* d, i32& n, i32& s) { NXTPOI(0, p, d, n, s); }, 2, 3},
    };
    for (const Case& c : cases) {
        go(c.at);
        f32 p[3] = {-9, -9, -9}, d[3] = {-9, -9, -9};
        i32 number = -9, st = -9;
        c.search(p, d, number, st);
        EXPECT_GE(st, 0) << c.what;
        expect_point(p, c.x, c.x, c.x);
        expect_point(d, 0, 0, 1);
        EXPECT_EQ(number, c.number) << c.what;
    }
    go(2);
    i32 size = 0, type = 0, cls = 0, st = 0, number = 0;
    TPBLKH(AM_LIST, size, type, cls, st);
    f32 p[3], d[3];
    WENDPT(AM_LIST, type, size, p, d, number, st);
    EXPECT_LT(st, 0);
}

// A sub-list whose blocks cannot be read is a list failure, not a procedure
// without moves.
TEST_F(NavTest, FirstAndLastPositionsFailOnABlockThatCannotBeRead)
{
    put_block(proc_words(1, 0, 1, 0));
    i32 st = 0;
    OPNSBL(st);
    ASSERT_EQ(st, 0);
    put_block({15, 1, 0});
    line(2, 1, 1, 1, UP, 2);
    CLSSBL(st);
    ASSERT_EQ(st, 0);
    go(1);
    f32 f[3], fd[3], l[3], ld[3];
    i32 none = 0;
    FSTLST(f, fd, l, ld, none, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(none, 1);
    EXPECT_TRUE(norak::transcript_has("FSTLST - list errors"));
    i32 level = 0;
    gtlstn(1, level);
    EXPECT_EQ(level, 1);
}

// A list access the host refuses anywhere in the search ends it as a list
// failure: it is never answered as a procedure without moves.
TEST_F(NavTest, FirstAndLastPositionsFailOnARefusedListAccess)
{
    build();
    for (i32 n = 1;; ++n) {
        go(5);
        const size_t refusals = norak::transcript_count("list: lacces refused");
        const size_t before = norak::transcript_count("FSTLST");
        norak::fail_list_call("lacces", n);
        f32 f[3] = {}, fd[3] = {}, l[3] = {}, ld[3] = {};
        i32 none = 0, st = 0;
        FSTLST(f, fd, l, ld, none, st);
        const bool refused = norak::transcript_count("list: lacces refused") > refusals;
        norak::fail_list_call("lacces", 0);
        i32 level = 0;
        gtlstn(1, level);
        if (level != 1) {
            CLSSBL(level);
            ADD_FAILURE() << "left in the sub-list, refused call " << n;
        }
        if (!refused) {
            EXPECT_EQ(st, 0);
            EXPECT_EQ(none, 0);
            expect_point(l, 8, 8, 8);
            EXPECT_GT(n, 2);
            break;
        }
        EXPECT_EQ(st, -1) << "refused call " << n;
        EXPECT_EQ(norak::transcript_count("FSTLST"), before + 1) << "refused call " << n;
    }
}

// Two sub-list levels down, the searches come back to the block they
// started from, at the level they started at.
TEST_F(NavTest, PositionsTwoSubListLevelsDown)
{
    put_block(proc_words(1, 0, 1, 0));
    i32 st = 0;
    OPNSBL(st);
    line(2, 1, 1, 1, UP, 1);
    put_block(proc_words(2, 0, 1, 0));
    OPNSBL(st);
    ASSERT_EQ(st, 0);
    tech(1);
    line(2, 3, 3, 3, UP, 2);
    text("X", 3);
    line(2, 4, 4, 4, UP, 4);
    go(3);
    const auto at = cursor();
    f32 p[3], d[3];
    i32 number = 0;
    PRVPNT(0, p, d, number, st);
    EXPECT_EQ(st, 0);
    expect_point(p, 3, 3, 3);
    EXPECT_EQ(cursor(), at);
    NXTPOI(0, p, d, number, st);
    EXPECT_EQ(st, 0);
    expect_point(p, 4, 4, 4);
    EXPECT_EQ(cursor(), at);
    i32 level = 0;
    gtlstn(1, level);
    EXPECT_EQ(level, 3);
    CLSSBL(st);
    CLSSBL(st);
}

// A stored tool path's size: its own entity, every entity its entries name,
// the geometry of its procedures, and a nested tool path.
TEST_F(NavTest, SizeOfAStoredToolPathAndItsBuffers)
{
    auto entity = [](i32 type, size_t words) {
        norak::Entity e;
        e.cls = 9;
        e.type = type;
        e.words.assign(words, 0);
        return norak::add_entity(e);
    };
    const i32 g1 = entity(7, 17), g2 = entity(7, 9), mov = entity(8, 41);
    const i32 g24[4] = {20, 2, 0, 0};
    i32 proc = 0, number = 1, code = 9, nw = 4, ng = 0, st = 0;
    dbd_proc(3, proc, number, code, const_cast<i32*>(g24), nw, nullptr, ng, st);
    ASSERT_EQ(st, 0);
    i32 geoms[2] = {g1, g2};
    nw = 8, ng = 2;
    dbd_proc(2, proc, number, code, nullptr, nw, geoms, ng, st);
    ASSERT_EQ(st, 0);
    i32 bytes = 0;
    GTGEOS(proc, bytes, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(bytes, 4 * (17 + 9));

    const i32 inner = norak::add_toolpath_entity({}, {{{4, mov}}});
    const i32 outer = norak::add_toolpath_entity({}, {{{1, proc}}, {{2, inner}}});
    const long long tp = static_cast<long long>(dump::entity(outer).size());
    const long long pr = static_cast<long long>(dump::entity(proc).size());
    get_tp_size_bytes(outer, bytes, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(bytes, 4 * (tp + pr + 17 + 9 + tp + 41));
    // The procedure's movement entity is one of the tool path's entries:
    // counted there, once.
    i32 m = mov;
    get_set_movmnt_id(2, proc, m);
    const i32 both = norak::add_toolpath_entity({}, {{{1, proc}}, {{4, mov}}});
    get_tp_size_bytes(both, bytes, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(bytes, 4 * (tp + pr + 17 + 9 + 41));

    // A procedure whose record cannot be read, or whose geometry is gone.
    GTGEOS(mov, bytes, st);
    EXPECT_EQ(st, -1);
    norak::entities().erase(g2);
    GTGEOS(proc, bytes, st);
    EXPECT_EQ(st, -1);
    get_tp_size_bytes(outer, bytes, st);
    EXPECT_EQ(st, -1);
}
