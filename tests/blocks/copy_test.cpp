// Block copy between a movement entity and the list: the transformation of a
// type-40 block, round trips, the transformation helpers.
#include <cmath>

#include "blocks/copy.h"
#include "tests/blocks/common.h"

using dump::R;
using dump::Words;

namespace {
const f32 MIRROR[9] = {-1, 0, 0, 0, 1, 0, 0, 0, 1};
const f32 SHIFT[3] = {10, 0, 0};
const f32 UP[3] = {0, 0, 1};

struct CopyTest : BlocksTest {
    void SetUp() override
    {
        BlocksTest::SetUp();
        i32 st = 0;
        i32 type = 0, size = 0;
        CPYBLK(-1, 0, type, size, st);
    }
    // Copies `count` blocks from the entity's start into the list.
    void into_list(i32 entity, i32 count, i32 target = AM_LIST)
    {
        rewind(entity);
        for (i32 k = 0; k < count; ++k) {
            i32 type = 0, size = 0, st = 0;
            CPYBLK(AM_ENTITY, target, type, size, st);
            ASSERT_EQ(st, 0) << k;
        }
    }
    // Copies every element of the main list into a new entity.
    i32 into_entity()
    {
        const i32 id = open_stream();
        i32 answer = 0;
        lacces(2, answer);
        while (answer > 0) {
            i32 type = 0, size = 0, st = 0;
            CPYBLK(AM_LIST, AM_ENTITY, type, size, st);
            EXPECT_EQ(st, 0);
            lacces(1, answer);
        }
        eclose();
        return id;
    }
    void clear_list()
    {
        i32 n = 0, st = 0, answer = 0;
        llines(n);
        lacces(2, answer);
        if (n > 0) ldelet(n, st);
    }
};
}  // namespace

TEST_F(CopyTest, MirrorOfAMovementEntityIsAppliedAndNotWritten)
{
    const i32 id = open_stream();
    i32 st = 0;
    PTBT40(AM_ENTITY, MIRROR, SHIFT, 0, st);
    const f32 c[2] = {2, 3}, e[3] = {4, 5, 6};
    PTBT3(AM_ENTITY, 3, 1, 1.0f, 0.1f, c, e, UP, 1, st);
    const f32 p[3] = {1, 2, 3};
    PTBT2(AM_ENTITY, 2, p, UP, 2, st);
    PTBT1C(AM_ENTITY, 5, 9, 3, st);
    PTBT2(AM_ENTITY, 2, p, UP, 5, st);
    eclose();
    into_list(id, 4);

    auto l = dump::main_list();
    ASSERT_EQ(l.size(), 3u);
    for (const auto& w : l) EXPECT_NE(w[0], 40);
    // The arc: angle reversed, centre and end point mirrored and shifted.
    EXPECT_EQ(l[0], (Words{3, 1, 1, R(-1.0f), R(0.1f), R(8), R(3), R(6), R(5), R(6)}));
    EXPECT_EQ(l[1], (Words{2, 2, R(9), R(2), R(3)}));
    // Parameter 5: the codes 9 and 10 swap under a mirror.
    EXPECT_EQ(l[2], (Words{1, 3, 5, 1, 10}));

    // A header block copied on the way switches the transformation off.
    i32 header[HDR_WORDS] = {0};
    PTBT0(AM_LIST, header, 4, st);
    i32 type = 0, size = 0;
    CPYBLK(AM_LIST, AM_APPEND, type, size, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(CPYTRF.active, 0);
    i32 cl = 0, ty = 0, len = 0;
    eopen(id, cl, ty, len, st);
    eskipn(15 + 11 + 6 + 6);
    type = size = 0;  // nothing named: the block's header is read
    CPYBLK(AM_ENTITY, AM_LIST, type, size, st);
    EXPECT_EQ(st, 0);
    l = dump::main_list();
    ASSERT_EQ(l.size(), 6u);
    EXPECT_EQ(l[4][0], 0);
    EXPECT_EQ(l[4][23], prgvrs());  // the copy carries the program's version
    EXPECT_EQ(l[5], (Words{2, 5, R(1), R(2), R(3)}));
    // A header in an entity stands without a type word: named by the caller
    // with the size it read, it is copied whole; an old one is announced.
    for (i32 k = 0; k < HDR_WORDS; ++k) header[k] = 100 + k;
    header[21] = 500;
    const i32 hid = open_stream();
    PTBT0(AM_ENTITY, header, 3, st);
    eclose();
    rewind(hid);
    type = 0;
    TPBLKS(AM_ENTITY, size, st);
    CPYBLK(AM_ENTITY, AM_LIST, type, size, st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(norak::transcript_has("TOOLPATH WAS CREATED IN VER. 5.0!"));
    Words want{0, 3};
    for (i32 k = 0; k < HDR_WORDS; ++k) want.push_back(k == 21 ? prgvrs() : k == 25 || k == 26 ? 0 : 100 + k);
    const Words got = dump::main_list().back();
    ASSERT_GE(got.size(), want.size());
    EXPECT_EQ(Words(got.begin(), got.begin() + static_cast<long>(want.size())), want);

    // A drill location after a mirror is mirrored too.
    const i32 did = open_stream();
    PTBT40(AM_ENTITY, MIRROR, SHIFT, 0, st);
    PTBT31(AM_ENTITY, p, UP, 0, 6, st);
    eclose();
    into_list(did, 2);
    const Words drill = dump::main_list().back();
    ASSERT_GE(drill.size(), 5u);
    EXPECT_EQ(Words(drill.begin(), drill.begin() + 5), (Words{31, 6, R(9), R(2), R(3)}));
}

TEST_F(CopyTest, ListToEntityToListKeepsEveryBlock)
{
    i32 st = 0;
    const f32 p[3] = {1, 2, 3}, v[3] = {0, 0.6f, 0.8f}, c[2] = {4, 5}, q[3] = {7, 8, 9};
    PTBT1C(AM_LIST, 1, 4, 1, st);
    PTBT1V(AM_LIST, 2, 0, 3000, 0.0f, 2, st);
    PTBT2(AM_LIST, 22, p, v, 3, st);
    PTBT3(AM_LIST, 23, 2, -0.5f, 0.05f, c, q, v, 4, st);
    PUTBT4(AM_LIST, 4, 6, "DONE. ", 5, st);
    const f64 knots[7] = {0, 0, 0, 0.5, 1, 1, 1}, pts[9] = {0, 0, 0, 1, 2, 3, 4, 5, 6};
    PTBT5(AM_LIST, 5, 4, 3, knots, pts, 6, st);
    BLKOPN(AM_LIST, 27, 15, st);
    PTSTRP(AM_LIST, 27, 7, p, v, st);
    PTSTRP(AM_LIST, 27, 8, q, v, st);
    BLKCLS(AM_LIST);
    PTBT99(AM_LIST, 3, 12.5f, 0, 9, st);
    PTBT99(AM_LIST, 9, 0.0f, 44, 10, st);
    PTBT6(AM_LIST, 6, p, q, 11, st);
    PTBT13(AM_LIST, p, q, 3, 1, 12, st);
    const f32 six[6] = {1, 2, 3, 4, 5, 6};
    PTBT14(AM_LIST, 2, p, q, six, 13, st);
    PTBT30(AM_LIST, 81, 0, 1.5f, 2.5f, 3.5f, 2, 4.5f, 14, st);
    PTBT31(AM_LIST, p, v, 0, 15, st);
    PTBT32(AM_LIST, 1.0f, 2.0f, 16, st);
    PTBT33(AM_LIST, 1.5f, 0.5f, 17, st);
    PTBT34(AM_LIST, 1, 2, 18, st);
    PTBT36(AM_LIST, 3.0f, 4.0f, 19, st);
    PTBT35(AM_LIST, 80, 0, 1, 2, 3, 1, 4, 20, st);
    PTBT9(AM_LIST, 3, p, 0.25f, 1, 2.0f, 1, 0.5f, q, 21, st);
    PTBT10(AM_LIST, 1, p, q, 2, 3.0f, 22, st);
    PTBT11(AM_LIST, 1, 2.0f, p, 3, 4.0f, 23, st);
    ASSERT_EQ(st, 0);
    const auto before = dump::main_list();

    const i32 id = into_entity();
    clear_list();
    into_list(id, static_cast<i32>(before.size()));
    EXPECT_EQ(dump::main_list(), before);

    // With a type-40 block in the list: the entity keeps it, the way back
    // applies it to the blocks after it and writes none.
    clear_list();
    PTBT2(AM_LIST, 2, p, UP, 1, st);
    PTBT40(AM_LIST, MIRROR, SHIFT, 2, st);
    PTBT3(AM_LIST, 3, 1, 1.0f, 0.1f, c, q, UP, 3, st);
    const i32 id2 = into_entity();
    EXPECT_EQ(dump::entity(id2)[7], 40);
    clear_list();
    into_list(id2, 3);
    const auto l = dump::main_list();
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0], (Words{2, 1, R(1), R(2), R(3)}));
    EXPECT_EQ(l[1], (Words{3, 3, 1, R(-1.0f), R(0.1f), R(6), R(5), R(3), R(8), R(9)}));
}

TEST_F(CopyTest, ResetAndNumbersOfTheAppendingCopy)
{
    const i32 id = open_stream();
    i32 st = 0;
    PTBT40(AM_ENTITY, MIRROR, SHIFT, 0, st);
    const f32 p[3] = {1, 2, 3};
    PTBT2(AM_ENTITY, 2, p, UP, 7, st);
    eclose();
    into_list(id, 1);
    EXPECT_EQ(CPYTRF.active, 1);
    i32 type = 0, size = 0;
    CPYBLK(-1, AM_LIST, type, size, st);
    EXPECT_EQ(CPYTRF.active, 0);
    EXPECT_TRUE(dump::main_list().empty());
    // The rest copied with the list's own numbers, untransformed.
    i32 c = 0, t = 0, l = 0;
    eopen(id, c, t, l, st);
    eskipn(15);
    CPYBLK(AM_ENTITY, AM_APPEND, type, size, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(dump::main_list()[0], (Words{2, 0, R(1), R(2), R(3)}));
    // An unknown type is refused.
    eopen(id, c, t, l, st);
    norak::entities()[id].words[1] = 25;
    CPYBLK(AM_ENTITY, AM_LIST, type, size, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("DSPBLK - UNEXPECTED BLOCK TYPE"));
}

TEST_F(CopyTest, ABlockCutShortIsNotWritten)
{
    put_block({11, 5, 1, R(2.0f)});
    put_block({2, 6, R(1.0f)});
    const i32 id = open_stream();
    i32 answer = 0;
    lacces(2, answer);
    for (int k = 0; k < 2; ++k) {
        i32 type = 0, size = 0, st = 0;
        CPYBLK(AM_LIST, AM_ENTITY, type, size, st);
        EXPECT_LT(st, 0) << k;
        lacces(1, answer);
    }
    eclose();
    EXPECT_TRUE(dump::entity(id).empty());
}

TEST_F(CopyTest, AnObsoleteBlockIsPassedOver)
{
    const i32 id = open_stream();
    const i32 old[6] = {5, 8, 1, 2, 3, 4};
    eputn(6, old);
    i32 st = 0;
    const f32 p[3] = {4, 5, 6};
    PTBT2(AM_ENTITY, 2, p, UP, 7, st);
    eclose();
    into_list(id, 2);
    const auto l = dump::main_list();
    ASSERT_EQ(l.size(), 1u);
    EXPECT_EQ(l[0], (Words{2, 7, R(4), R(5), R(6)}));
}

TEST_F(CopyTest, EveryBlockTypeCutShortIsRefused)
{
    for (i32 type : {1, 2, 3, 4, 5, 6, 9, 10, 11, 13, 14, 22, 23, 30, 31, 32, 33, 34, 35, 36, 40, 99}) {
        clear_list();
        put_block({type, 1});
        const i32 id = open_stream();
        i32 answer = 0, t = 0, size = 0, st = 0;
        lacces(2, answer);
        CPYBLK(AM_LIST, AM_ENTITY, t, size, st);
        eclose();
        EXPECT_LT(st, 0) << type;
        EXPECT_TRUE(dump::entity(id).empty()) << type;
    }
}

TEST(CopyHelpers, ArcsDepthsAndPoints)
{
    // An arc in each plane: its centre completed from the end point.
    f32 a = 0.5f, c[2] = {1, 2}, e[3] = {3, 4, 5}, v[3] = {0, 0, 1};
    const f32 turn[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1}, t[3] = {1, 1, 1};
    TRMARC(1, a, c, e, v, turn, t);
    EXPECT_FLOAT_EQ(c[0], -1);
    EXPECT_FLOAT_EQ(c[1], 2);
    EXPECT_FLOAT_EQ(e[0], -3);
    EXPECT_FLOAT_EQ(e[1], 4);
    EXPECT_FLOAT_EQ(e[2], 6);
    EXPECT_FLOAT_EQ(a, 0.5f);  // a turn keeps the angle
    f32 c2[2] = {1, 2}, e2[3] = {3, 4, 5};
    TRMARC(2, a, c2, e2, nullptr, turn, t);  // centre (1, 4, 2)
    EXPECT_FLOAT_EQ(c2[0], -3);
    EXPECT_FLOAT_EQ(c2[1], 3);
    f32 c3[2] = {1, 2}, e3[3] = {3, 4, 5};
    TRMARC(3, a, c3, e3, nullptr, MIRROR, t);  // centre (3, 1, 2)
    EXPECT_FLOAT_EQ(c3[0], 2);
    EXPECT_FLOAT_EQ(c3[1], 3);
    EXPECT_FLOAT_EQ(a, -0.5f);
    f32 z1 = 1, z2 = 2;
    TRMZZ(z1, z2, t);
    EXPECT_FLOAT_EQ(z1, 2);
    EXPECT_FLOAT_EQ(z2, 3);
    i32 code = 10;
    TRMSWP(5, code, MIRROR);
    EXPECT_EQ(code, 9);
    TRMSWP(4, code, MIRROR);
    EXPECT_EQ(code, 9);
    TRMSWP(5, code, turn);
    EXPECT_EQ(code, 9);
    f32 p[3] = {1, 0, 0}, d[3] = {1, 0, 0};
    TRMPTW(p, d, turn, t);
    EXPECT_FLOAT_EQ(p[1], 2);
    EXPECT_FLOAT_EQ(d[0], 0);
    EXPECT_FLOAT_EQ(d[1], 1);
}

TEST_F(CopyTest, ProcedureBlockThroughAnEntityTakesThePresentColourAndPen)
{
    CLP1[CLP1_COLOUR] = 6;
    CLP1[CLP1_PEN] = 2;
    const Words tail{27, 0, 23, 0, 25, 0, 1, 9, 2, 0, 0, 0, 0, 0, 0, 0, 0};
    Words full{12, 7, 9, 24, 20, 20, 2, 0, 0, 116, 2, 0, 6, 117, 2, 0, 2, 107, 2, 0, 0, 43, 2, 0, 1100};
    full.insert(full.end(), tail.begin(), tail.end());
    Words bare{12, 8, 9, 24, 8, 20, 2, 0, 0, 43, 2, 0, 1100};
    bare.insert(bare.end(), tail.begin(), tail.end());
    put_block(full);
    put_block(bare);
    const i32 id = into_entity();
    EXPECT_EQ(dump::entity(id)[0], 0);  // a procedure block stands with size 0 and no type word
    clear_list();

    rewind(id);
    // A procedure block copied into the list only notes its level and
    // number: the display's attributes are not restored for it.
    DSPST.colour = 33;
    for (int k = 0; k < 2; ++k) {
        i32 size = 0, st = 0, type = 12;
        TPBLKS(AM_ENTITY, size, st);
        EXPECT_EQ(size, 0);
        CPYBLK(AM_ENTITY, AM_LIST, type, size, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(BLSK[0], 1);
        EXPECT_EQ(BLSK[1], 7 + k);
    }
    EXPECT_EQ(DSPST.colour, 33);
    const auto l = dump::main_list();
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0], full);
    // The block without them gets codes 116, 117 and 107 before code 43.
    Words want{12, 8, 9, 24, 20, 20, 2, 0, 0, 116, 2, 0, 6, 117, 2, 0, 2, 107, 2, 0, 0, 43, 2, 0, 1100};
    want.insert(want.end(), tail.begin(), tail.end());
    EXPECT_EQ(l[1], want);
}

// The procedure block's update after a copy fails when the list cannot be
// read or cannot grow, and leaves the block as it was: a colour item that
// cannot be read is not changed, and items that cannot be inserted are not
// passed over.
TEST_F(CopyTest, ProcedureBlockUpdateTheListRefusesFailsAndKeepsTheBlock)
{
    CLP1[CLP1_COLOUR] = 5;
    CLP1[CLP1_PEN] = 2;
    const Words tail{27, 0, 23, 0, 25, 0, 1, 9, 2, 0, 0, 0, 0, 0, 0, 0, 0};
    Words full{12, 7, 9, 24, 20, 20, 2, 0, 0, 116, 2, 0, 6, 117, 2, 0, 2, 107, 2, 0, 0, 43, 2, 0, 1100};
    Words bare{12, 8, 9, 24, 8, 20, 2, 0, 0, 43, 2, 0, 1100};
    full.insert(full.end(), tail.begin(), tail.end());
    bare.insert(bare.end(), tail.begin(), tail.end());
    for (const bool unreadable : {true, false}) {
        clear_list();
        const Words& block = unreadable ? full : bare;
        put_block(block);
        i32 answer = 0, st = 0;
        lacces(2, answer);
        if (unreadable)
            norak::fail_list_call("lacces", 1);
        else
            norak::settings().list_capacity = static_cast<i32>(block.size());
        TPRCTC(AM_LIST, st);
        norak::settings().list_capacity = 64 * 1024 * 1024;
        EXPECT_LT(st, 0) << unreadable;
        ASSERT_EQ(dump::main_list().size(), 1u);
        EXPECT_EQ(dump::main_list()[0], block) << unreadable;
    }
}

// A header copied into an entity describes the stored tool path: the
// surface table in force (once one is set up) and the main list's block
// count; a copy into the list keeps the source's words.
TEST_F(CopyTest, HeaderIntoAnEntityCarriesTheSurfaceTableAndTheBlockCount)
{
    i32 header[HDR_WORDS] = {0}, st = 0;
    header[22] = 77;  // word 24
    header[24] = 55;  // word 26
    PTBT0(AM_LIST, header, 0, st);
    const f32 p[3] = {1, 2, 3};
    PTBT2(AM_LIST, 2, p, UP, 1, st);
    i32 blocks = 42;
    gsblkn(2, 1, blocks);
    struct Case {
        bool table;
        i32 target, word24, word26;
    };
    for (const Case& c : {Case{false, AM_ENTITY, 42, 55}, Case{true, AM_ENTITY, 42, 9}, Case{true, AM_APPEND, 77, 55}}) {
        if (c.table) {
            ncs_table_init();
            ncs_table_set_table_id(9);
        }
        i32 answer = 0, type = 0, size = 0;
        lacces(2, answer);
        const i32 id = c.target == AM_ENTITY ? open_stream() : 0;
        CPYBLK(AM_LIST, c.target, type, size, st);
        EXPECT_EQ(st, 0);
        Words w;
        if (c.target == AM_ENTITY) {
            eclose();
            w = dump::entity(id);
        } else {
            w = dump::main_list()[1];  // the copy, right after the header it came from
        }
        ASSERT_GE(w.size(), 27u);
        EXPECT_EQ(w[24], c.word24) << c.table << c.target;
        EXPECT_EQ(w[26], c.word26) << c.table << c.target;
    }
}

// A movement entity with a NURBS variant that no copy handles: the copy
// into the sub-list stops at it, the blocks before it copied.
TEST_F(CopyTest, AnUnhandledBlockEndsTheMovementEntitysCopy)
{
    const i32 mov = open_stream();
    const i32 head[5] = {0, 0, 0, 3, 0};
    eputn(5, head);
    i32 st = 0;
    const f32 a[3] = {1, 0, 0}, b[3] = {2, 0, 0};
    PTBT2(AM_ENTITY, 2, a, UP, 1, st);
    const f64 kn[6] = {0, 0, 0, 1, 1, 1}, cp[9] = {0, 0, 0, 1, 1, 1, 2, 2, 2};
    PTBT5(AM_ENTITY, 225, 3, 3, kn, cp, 2, st);
    PTBT2(AM_ENTITY, 2, b, UP, 3, st);
    eclose();
    put_block({12, 1, 9, 24, 4, 20, 2, 0, 0, 27, 0, 23, 0, 25, 0, 1, 9, 2, 0, 0, 0, 0, 0, 0, 0, 0});
    open_sub_list(2, mov, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("DSPBLK - UNEXPECTED BLOCK TYPE"));
    const auto sub = dump::sub_list(0);
    ASSERT_EQ(sub.size(), 1u);
    EXPECT_EQ(sub[0], (Words{2, 0, R(1), R(0), R(0)}));
    i32 level = 0;
    gtlstn(1, level);
    EXPECT_EQ(level, 1);
    EXPECT_EQ(norak::open_entity(), 0);
}

// A procedure block brought into the list under a transformation: its
// start and end positions and directions move with it, and code 35 says so.
TEST_F(CopyTest, ProcedureBlockUnderATransformationMovesItsPositions)
{
    i32 st = 0;
    PTBT40(AM_LIST, MIRROR, SHIFT, 1, st);
    auto block = [](f32 sx, f32 ex, f32 dx, i32 moved) {
        Words w{12, 7, 9, 24, 48, 20, 2, 0, 0, 116, 2, 0, 6, 117, 2, 0, 2, 107, 2, 0, 0, 35, 2, 0, moved};
        const Words seg{5, 4, 1, R(sx), R(2), R(3), 27, 4, 1, R(dx), R(0), R(0),
                        6, 4, 1, R(ex), R(5), R(6), 28, 4, 1, R(dx), R(1), R(0), 43, 2, 0, 1100};
        w.insert(w.end(), seg.begin(), seg.end());
        const Words tail{27, 0, 23, 0, 25, 0, 1, 9, 2, 0, 0, 0, 0, 0, 0, 0, 0};
        w.insert(w.end(), tail.begin(), tail.end());
        return w;
    };
    put_block(block(1, 4, 1, 0));
    CLP1[CLP1_COLOUR] = 6;
    CLP1[CLP1_PEN] = 2;
    const i32 id = into_entity();
    clear_list();
    rewind(id);
    i32 type = 0, size = 0;
    CPYBLK(AM_ENTITY, AM_LIST, type, size, st);  // the transformation, not written
    ASSERT_EQ(st, 0);
    type = 12;
    TPBLKS(AM_ENTITY, size, st);
    CPYBLK(AM_ENTITY, AM_LIST, type, size, st);
    ASSERT_EQ(st, 0);
    const auto l = dump::main_list();
    ASSERT_EQ(l.size(), 1u);
    // x mirrored and shifted by 10: 1 -> 9, 4 -> 6; the directions mirrored.
    EXPECT_EQ(l[0], block(9, 6, -1, 1));
}

// Damaged blocks: a curve block whose size word is larger than any block
// is refused before room is taken for it; flag items of the procedure block
// (codes 35 and 31) that hold more words than the one value a change hands
// over are refused and the block is kept as it was.
TEST_F(CopyTest, DamagedSizesAndItemsAreRefusedAndNothingIsCopiedFromThem)
{
    const i32 id = open_stream();
    const i32 curve[4] = {1 << 30, BT_NURBS, 3, 3};
    eputn(4, curve);
    eclose();
    rewind(id);
    i32 type = 0, size = 0, st = 0;
    CPYBLK(AM_ENTITY, AM_LIST, type, size, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("CPYBLK, ERRORS IN THE CURVE BLOCK"));
    EXPECT_TRUE(dump::main_list().empty());

    Words block{12, 8, 9, 24, 20, 35, 4, 0, 1, 2, 3, 31, 4, 0, 1, 2, 3, 20, 2, 0, 0, 43, 2, 0, 1100};
    const Words tail{27, 0, 23, 0, 25, 0, 1, 9, 2, 0, 0, 0, 0, 0, 0, 0, 0};
    block.insert(block.end(), tail.begin(), tail.end());
    for (const i32 code : {35, 31}) {
        clear_list();
        put_block(block);
        i32 answer = 0;
        lacces(2, answer);
        st = 0;
        if (code == 35)
            TRPRCB(AM_LIST, MIRROR, SHIFT, st);
        else
            TPRCTC(AM_APPEND, st);
        EXPECT_EQ(st, -1) << code;
        EXPECT_TRUE(norak::transcript_has("TPCHNN, ITEM LONGER THAN ITS AREA")) << code;
        ASSERT_EQ(dump::main_list().size(), 1u);
        EXPECT_EQ(dump::main_list()[0], block) << code;
    }
}
