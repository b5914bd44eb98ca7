// The procedure definition block: written with its groups, updated, read
// back, copied through the database, and its geometry slots.
#include <algorithm>
#include <string>

#include "blocks/copy.h"
#include "blocks/dspblk.h"
#include "blocks/geoslot.h"
#include "blocks/navig.h"
#include "blocks/procblk.h"
#include "frame/cmpblk.h"
#include "tests/blocks/common.h"

using dump::R;
using dump::Words;

namespace {
i32 surface_calls = 0;
i32 geometry_id = 0;

void surface_cb(const i32& mode, const i32& flag, i32& work, i32& status)
{
    ++surface_calls;
    status = 0;
}

void param_cb(const i32& code, const i32& medium, i32& counter, i32& status)
{
    const f32 r = 0.75f;
    const i32 w[2] = {4, 5};
    tpptntl(medium, 3001, 1, DT_REAL, &r, counter, status);
    if (status >= 0) tpptntl(medium, 3002, 2, DT_INT, w, counter, status);
}

void geometry_cb(const i32& code, const i32& medium, i32& count, i32& status)
{
    i32 id = 0, slot = 0;
    create_geom_ent(10002, "        ", id, slot, status);
    if (status < 0) return;
    const f32 x = 2.5f;
    TPPUTNT(medium, 5, 1, DT_REAL, &x, status);
    eclose();
    update_geom_slot(10002, id, slot, 4, status);
    geometry_id = id;
}

void failing_cb(const i32& code, const i32& medium, i32& count, i32& status) { status = -1; }

const i32 GLOBAL_CODES[] = {20,  150, 21,  22,  31,  35,  44,  57,  58,  36,  37,  48,  49,  50,  129, 38,
                            39,  5,   27,  7,   9,   11,  12,  6,   28,  8,   10,  13,  14,  40,  41,  42,
                            45,  46,  47,  29,  30,  43,  113, 116, 117, 107, 119, 59,  60,  61,  114, 62,
                            63,  64,  65,  66,  67,  122, 68,  69,  70,  71,  72,  73,  74,  75,  76,  77,
                            108, 78,  79,  80,  81,  109, 110, 111, 112, 115, 120, 121, 125, 126, 127, 128};

// Codes of the segments of one group standing at w[k] (its code), checking
// that its length covers them exactly; k moves past the group.
std::vector<i32> group_codes(const Words& w, size_t& k, i32 group)
{
    std::vector<i32> codes;
    EXPECT_EQ(w[k], group);
    i32 length = w[k + 1];
    size_t end = k + 2 + static_cast<size_t>(length);
    k += 2;
    while (k < end) {
        codes.push_back(w[k]);
        k += static_cast<size_t>(w[k + 1]) + 2;
    }
    EXPECT_EQ(k, end) << "group " << group;
    return codes;
}

struct ProcTest : BlocksTest {
    void SetUp() override
    {
        BlocksTest::SetUp();
        i32 st = 0;
        PRCFLG[0] = -1;
        PRCFLG[1] = 0;
        reset_geom_slots(st);
        std::memset(HEI8, 0, sizeof HEI8);
        std::memset(EDA2, 0, sizeof EDA2);
        std::memset(CLP1, 0, sizeof CLP1);
        std::memset(CMPBLK, 0, sizeof CMPBLK);
        for (i32 k = 0; k < 79; ++k) HEI8[k] = R(static_cast<f32>(k) + 0.5f);
        HEI8[HEI8_ABSOLUTE] = 1;
        HEI8[HEI8_AXIS] = 2;  // the tool axis turned vertical at the clearance plane
        for (i32 k = 0; k < 23; ++k) PRM9[k] = 10 + k;
        PRM9[0] = R(300.0f);
        PRM9[1] = R(4.5f);
        PRM9[12] = 1;
        PRM9[21] = R(-2.0f);
        MOVST.newproc = 0;
        TPMACH = 23;
        surface_calls = 0;
        geometry_id = 0;
    }
    // Writes a procedure block after one line of the main list.
    void write_proc(i32& status, PrcCallback geom = geometry_cb, i32 machine = 22)
    {
        PTBT12(9, 1, -1, surface_cb, param_cb, geom, machine, status);
    }
};

i32 level()
{
    i32 l = 0;
    gtlstn(1, l);
    return l;
}
}  // namespace

TEST_F(ProcTest, BlockHasItsGroupsInOrderAndOpensItsSubList)
{
    const f32 p[3] = {0, 0, 50}, v[3] = {0, 0, 1};
    i32 st = 0;
    PTBT2(AM_APPEND, 2, p, v, 0, st);
    DSPST.keep = 1;
    write_proc(st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(level(), 2);
    EXPECT_EQ(MOVST.newproc, 1);
    // The block display starts over for the procedure's blocks, in the
    // procedure's colour and pen, the attributes set at the first move.
    EXPECT_EQ(DSPST.moveto, 1);
    EXPECT_EQ(DSPST.keep, 0);
    EXPECT_EQ(DSPST.colour, CLP1[CLP1_COLOUR]);
    EXPECT_EQ(surface_calls, 1);
    i32 nprc[1] = {0}, n = 1;
    mdgetn("NPRC", nprc, n, st);
    EXPECT_EQ(nprc[0], 1);
    EXPECT_EQ(BLSK[0], 1);
    EXPECT_EQ(BLSK[1], 1);

    // Motions after the block land in its sub-list, numbered from 0.
    const f32 a[3] = {1, 0, 0}, b[3] = {2, 0, 0};
    PLINE(1, a, v, 2, st);
    PLINE(1, b, v, 2, st);
    auto sub = dump::sub_list(1);
    ASSERT_EQ(sub.size(), 2u);
    EXPECT_EQ(sub[0][1], 0);
    EXPECT_EQ(sub[1][1], 1);
    CLSSBL(st);
    ASSERT_EQ(st, 0);

    Words w = dump::main_list()[1];
    EXPECT_EQ(Words(w.begin(), w.begin() + 3), (Words{12, 1, 9}));
    size_t k = 3;
    std::vector<i32> g24 = group_codes(w, k, GR_GLOBAL);
    EXPECT_EQ(g24, std::vector<i32>(std::begin(GLOBAL_CODES), std::end(GLOBAL_CODES)));
    std::vector<i32> g27 = group_codes(w, k, GR_FLAGS);
    ASSERT_EQ(g27.size(), 30u);
    EXPECT_EQ(w[8], 2);  // code 20: the sub-list's blocks
    std::vector<i32> g23 = group_codes(w, k, GR_MACHINE);
    EXPECT_EQ(g23, (std::vector<i32>{0, 1, 2, 6, 7, 8, 10, 47, 11, 3, 9}));
    std::vector<i32> g25 = group_codes(w, k, GR_LOCAL);
    EXPECT_EQ(g25, (std::vector<i32>{3001, 3002}));
    EXPECT_EQ(Words(w.begin() + static_cast<long>(k), w.end()), (Words{1, 9, 2, 0, 0, 0, 0, 0, 0, 0, 0}));

    // The geometry slot of kind 10002 holds the entity the callback stored.
    i32 id = 0, count = 1;
    i32 answer = 0;
    lacces(0, answer);
    TPGETN(AM_LIST, GR_FLAGS, 94, count, DT_INT, &id, st);
    EXPECT_EQ(id, geometry_id);
    Words g = dump::entity(geometry_id);
    ASSERT_GE(g.size(), 6u);
    EXPECT_EQ(g[0], -1);
    EXPECT_EQ(g[3], 9000102);  // release 9.0.0, position 1, source 2
    EXPECT_EQ(g[4], 10002);
}

TEST_F(ProcTest, MachineGroupFollowsTheMachineType)
{
    i32 st = 0;
    write_proc(st, geometry_cb, 77);
    ASSERT_EQ(st, 0);
    CLSSBL(st);
    Words w = dump::main_list()[0];
    size_t k = 3;
    group_codes(w, k, GR_GLOBAL);
    group_codes(w, k, GR_FLAGS);
    EXPECT_EQ(group_codes(w, k, GR_MACHINE), (std::vector<i32>{0, 47}));

    write_proc(st, geometry_cb, -1);
    ASSERT_EQ(st, 0);
    CLSSBL(st);
    w = dump::main_list()[1];
    k = 3;
    group_codes(w, k, GR_GLOBAL);
    group_codes(w, k, GR_FLAGS);
    size_t at = k;
    EXPECT_EQ(group_codes(w, k, GR_MACHINE), (std::vector<i32>{0, 10, 47, 11}));
    EXPECT_EQ(w[at + 2 + 7], -1);
    EXPECT_EQ(w[at + 2 + 15], 1);
    EXPECT_EQ(PRM9[11], -1);
    EXPECT_EQ(PRM9[12], 1);

    write_proc(st, geometry_cb, 26);
    CLSSBL(st);
    w = dump::main_list()[2];
    k = 3;
    group_codes(w, k, GR_GLOBAL);
    group_codes(w, k, GR_FLAGS);
    EXPECT_EQ(group_codes(w, k, GR_MACHINE),
              (std::vector<i32>{0, 1, 2, 6, 7, 8, 10, 47, 11, 55, 56, 57, 61, 58, 62, 59, 63, 60, 64, 53}));
}

TEST_F(ProcTest, ProcedureLimitAndFailedGeometry)
{
    i32 st = 0;
    const i32 full = 199;
    mdputn("NPRC", RK_TEXT, 1, &full, st);
    write_proc(st);
    EXPECT_EQ(st, 0);
    CLSSBL(st);
    i32 nprc[1] = {0}, n = 1;
    mdgetn("NPRC", nprc, n, st);
    EXPECT_EQ(nprc[0], 200);
    const auto before = dump::main_list();
    write_proc(st);
    EXPECT_EQ(st, 1);
    EXPECT_TRUE(norak::transcript_has("user: NUMBER OF PROCEDURES IN TOOL PATH EXCEEDED199"));
    EXPECT_EQ(dump::main_list(), before);

    // A failing geometry callback: the half-written block goes, the counter
    // and the new-procedure flag stay as they were.
    const i32 some = 4;
    mdputn("NPRC", RK_TEXT, 1, &some, st);
    MOVST.newproc = 0;
    write_proc(st, failing_cb);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("[wgeom - ]ERROR IN INSERT DATA FOR SEGMENT WITH CODE9"));
    EXPECT_TRUE(norak::transcript_has("PTBT12, ERROR IN WRITING A PROCEDURE BLOCK, PROCEDURE IS DELETED"));
    EXPECT_EQ(dump::main_list(), before);
    EXPECT_EQ(level(), 1);
    n = 1;
    mdgetn("NPRC", nprc, n, st);
    EXPECT_EQ(nprc[0], 4);
    EXPECT_EQ(MOVST.newproc, 0);
    EXPECT_EQ(norak::open_elements(), 0);
}

TEST_F(ProcTest, HeaderUpdateSuspensionAndReadBack)
{
    i32 st = 0;
    write_proc(st);
    const f32 v[3] = {0, 0, 1};
    const f32 a[3] = {1, 2, 3}, b[3] = {4, 5, 6};
    PLINE(1, a, v, 2, st);
    PLINE(1, b, v, 2, st);
    CLSSBL(st);
    NPT1[19] = 6;
    NPT1[18] = R(2.5f);
    NPT1[3] = R(7), NPT1[4] = R(8), NPT1[5] = R(9);
    NPT1[6] = R(1), NPT1[7] = R(1), NPT1[8] = R(1);
    HEI8[HEI8_CLEARANCE] = R(50.0f);
    PTUB12(1, 1, 1, 3, st);
    ASSERT_EQ(st, 0);
    auto get = [](i32 group, i32 code, i32 n) {
        std::vector<i32> out(static_cast<size_t>(n) + 1);
        i32 count = n + 1, s = 0, answer = 0;
        lacces(0, answer);
        TPGETN(AM_LIST, group, code, count, DT_INT, out.data(), s);
        out.resize(static_cast<size_t>(count));
        return out;
    };
    EXPECT_EQ(get(GR_GLOBAL, 5, 3), (std::vector<i32>{R(1), R(2), R(3)}));
    EXPECT_EQ(get(GR_GLOBAL, 6, 3), (std::vector<i32>{R(4), R(5), R(6)}));
    EXPECT_EQ(get(GR_GLOBAL, 28, 3), (std::vector<i32>{R(0), R(0), R(1)}));
    EXPECT_EQ(get(GR_GLOBAL, 8, 1), (std::vector<i32>{6}));
    EXPECT_EQ(get(GR_GLOBAL, 10, 1), (std::vector<i32>{R(2.5f)}));
    EXPECT_EQ(get(GR_GLOBAL, 13, 3), (std::vector<i32>{R(7), R(8), R(9)}));
    EXPECT_EQ(get(GR_GLOBAL, 36, 24)[0], R(50.0f));
    EXPECT_EQ(get(GR_GLOBAL, 20, 1), (std::vector<i32>{2}));
    EXPECT_EQ(get(GR_GLOBAL, 44, 1), (std::vector<i32>{3}));
    EXPECT_EQ(get(GR_GLOBAL, 22, 1), (std::vector<i32>{2}));
    EXPECT_EQ(get(GR_GLOBAL, 31, 1), (std::vector<i32>{3}));

    // Suspension zeroes the sub-list header and its count and sets flag 6.
    const i32 sonh[8] = {0, 7, 1, 2, 3, 4, 5, 6};
    mdputn("SONH", RK_WORDS, 8, sonh, st);
    WUPDSL(1);
    EXPECT_TRUE(norak::transcript_has("status: PROCEDURE EXECUTION IS SUSPENDED"));
    EXPECT_EQ(get(GR_TOP, 1, 8)[1], 0);
    EXPECT_EQ(get(GR_GLOBAL, 20, 1), (std::vector<i32>{0}));
    EXPECT_EQ(get(GR_FLAGS, 82, 1), (std::vector<i32>{1}));
    WUPDSL(0);
    EXPECT_TRUE(norak::transcript_has("status: PROCEDURE HEADER IS UPDATED"));
    EXPECT_EQ(get(GR_TOP, 1, 8), std::vector<i32>(sonh, sonh + 8));
    EXPECT_EQ(get(GR_GLOBAL, 20, 1), (std::vector<i32>{7}));
    // The header as the take-over stores it (nine words) is written; with
    // no header record the unsuspended update leaves the block as it is.
    const i32 taken[9] = {0, 9, 8, 7, 6, 5, 4, 3, 0};
    mdputn("SONH", RK_TEXT, 9, taken, st);
    WUPDSL(0);
    EXPECT_EQ(get(GR_TOP, 1, 8), std::vector<i32>(taken, taken + 8));
    EXPECT_EQ(get(GR_GLOBAL, 20, 1), (std::vector<i32>{9}));
    norak::records().erase("SONH");
    const auto unread = dump::main_list();
    WUPDSL(0);
    EXPECT_EQ(dump::main_list(), unread);
    EXPECT_FALSE(norak::transcript_has("WUPDSL, ERRORS IN LIST"));
    // With flag 6 at 0 the unsuspended update leaves the block alone.
    const i32 zero = 0;
    TPCHNN(AM_LIST, GR_FLAGS, 82, DT_INT, &zero, st);
    const auto kept = dump::main_list();
    WUPDSL(0);
    EXPECT_EQ(dump::main_list(), kept);
    // A movement sub-list that cannot be opened (its entity is gone) is said.
    i32 movement = 0, one = 1;
    TPGETN(AM_LIST, GR_FLAGS, 51, one, DT_INT, &movement, st);
    const i32 gone = 9999;
    i32 lost = 8888;  // the movement entity the host names for it is not there
    get_set_movmnt_id(2, gone, lost);
    TPCHNN(AM_LIST, GR_FLAGS, 51, DT_INT, &gone, st);
    WUPDSL(0);
    EXPECT_TRUE(norak::transcript_has("WUPDSL, ERRORS IN LIST"));
    TPCHNN(AM_LIST, GR_FLAGS, 51, DT_INT, &movement, st);
    EXPECT_EQ(dump::main_list(), kept);

    // The reader restores the module's words exactly.
    i32 flags[6], slots[24], prm9[PRM9_N], mcht[MCHT_N], hei8[HEI8_N];
    std::memcpy(flags, PRCFLG, sizeof flags);
    std::memcpy(slots, GSLOTS, sizeof slots);
    std::memcpy(prm9, PRM9, sizeof prm9);
    std::memcpy(mcht, MCHTBL, sizeof mcht);
    std::memcpy(hei8, HEI8, sizeof hei8);
    i32 colour = CLP1[2], pen = CLP1[3];
    ASSERT_GT(colour, 0);
    std::memset(PRCFLG, 0x55, sizeof PRCFLG);
    std::memset(GSLOTS, 0x55, sizeof GSLOTS);
    std::memset(PRM9, 0x55, sizeof PRM9);
    for (i32 k = 24; k < 72; ++k) HEI8[k] = 0;
    HEI8[HEI8_ABSOLUTE] = HEI8[HEI8_AXIS] = 7;
    CLP1[2] = CLP1[3] = DSP8[16] = DSP8[17] = 0;
    i32 size = 0, type = 0, cls = 0, remaining = 0, number = -1;
    TPBLKH(AM_LIST, size, type, cls, st);
    RDBT12(AM_LIST, remaining, number, st);
    EXPECT_EQ(st, 2);  // code 31 holds 3
    EXPECT_EQ(number, 0);
    EXPECT_EQ(std::memcmp(flags, PRCFLG, sizeof flags) == 0, false);  // flag 6 was set to 0 above
    flags[5] = 0;
    EXPECT_EQ(std::memcmp(flags, PRCFLG, sizeof flags), 0);
    EXPECT_EQ(std::memcmp(slots, GSLOTS, sizeof slots), 0);
    // The words that group 23 carries for machine type 22.
    for (i32 word : {0, 1, 2, 7, 8, 9, 10, 11, 12, 17}) EXPECT_EQ(PRM9[word], prm9[word]) << word;
    EXPECT_EQ(std::memcmp(mcht, MCHTBL, sizeof mcht), 0);
    EXPECT_EQ(std::memcmp(hei8 + 24, HEI8 + 24, 48 * 4), 0);
    EXPECT_EQ(HEI8[HEI8_ABSOLUTE], 1);
    EXPECT_EQ(HEI8[HEI8_AXIS], 2);  // kept as stored, not made a logical
    EXPECT_EQ(CLP1[2], colour);
    EXPECT_EQ(CLP1[3], pen);
    EXPECT_EQ(DSP8[16], colour);
    EXPECT_EQ(BLKDSW, 0);

    // A header update on a block that is no procedure.
    const f32 c[3] = {0, 0, 0};
    PTBT2(AM_APPEND, 2, c, c, 0, st);
    PTUB12(0, 0, 0, 0, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("PTUB12, THE CURRENT BLOCK IS NOT A PROCEDURE"));
}

TEST_F(ProcTest, CopiedThroughTheDatabaseReadsBackIdentical)
{
    i32 st = 0;
    write_proc(st);
    ASSERT_EQ(st, 0);
    CLSSBL(st);
    const Words original = dump::main_list()[0];
    cpbt12(AM_LIST, AM_ENTITY, 0, st);
    ASSERT_EQ(st, 0);
    ASSERT_GT(PRCENT, 0);
    // The procedure entity keeps a zeroed sub-list header of the block's
    // eight words.
    const Words pe = dump::entity(PRCENT);
    const size_t at = 6 + static_cast<size_t>(pe[5]) + 2;
    ASSERT_GT(pe.size(), at + 8);
    EXPECT_EQ(Words(pe.begin() + static_cast<long>(at), pe.begin() + static_cast<long>(at) + 9),
              (Words{8, 0, 0, 0, 0, 0, 0, 0, 0}));
    i32 mid = -1, mn = 0, lid = -1, ln = 0;
    get_mchprm_info(PRCENT, mid, mn, st);
    get_lclprm_info(PRCENT, lid, ln, st);
    EXPECT_GT(mid, 0);
    EXPECT_GT(lid, 0);
    EXPECT_EQ(ln, 9);
    auto& nc = norak::nc_entities();
    EXPECT_EQ(nc.size(), 4u);  // procedure, machine values, local parameters, geometry

    // Back into an empty list.
    i32 answer = 0;
    lacces(0, answer);
    TPDELB(1, st);
    ASSERT_TRUE(dump::main_list().empty());
    cpbt12(AM_ENTITY, AM_LIST, 0, st);
    ASSERT_EQ(st, 0);
    const Words copy = dump::main_list()[0];
    size_t a = 3, b = 3;
    group_codes(original, a, GR_GLOBAL);
    group_codes(copy, b, GR_GLOBAL);
    EXPECT_EQ(Words(original.begin(), original.begin() + static_cast<long>(a)),
              Words(copy.begin(), copy.begin() + static_cast<long>(b)));
    size_t fa = a, fb = b;
    group_codes(original, a, GR_FLAGS);
    group_codes(copy, b, GR_FLAGS);
    // The flags say "stored": flag 1 the procedure entity, the rest 0; the
    // geometry slot keeps its entity.
    EXPECT_EQ(copy[fb + 2 + 3], PRCENT);
    EXPECT_EQ(copy[fb + 2 + 4 * 9 + 3], geometry_id);
    EXPECT_EQ(Words(original.begin() + static_cast<long>(a), original.end()),
              Words(copy.begin() + static_cast<long>(b), copy.end()));
    (void)fa;

    // And the procedure entity reads back into the same machine values.
    i32 prm9[PRM9_N];
    std::memcpy(prm9, PRM9, sizeof prm9);
    std::memset(PRM9, 0, sizeof PRM9);
    i32 c, t, l, number = -1, remaining = 0;
    eopen(PRCENT, c, t, l, st);
    RDBT12(AM_ENTITY, remaining, number, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(number, 0);
    for (i32 word : {0, 1, 2, 7, 8, 9, 10, 11, 12, 17}) EXPECT_EQ(PRM9[word], prm9[word]) << word;
    // The same entity with no words behind its word count reads alike: a
    // count of 0 is no damaged count.
    {
        const Words w = dump::entity(PRCENT);
        const size_t at = 5 + 1 + static_cast<size_t>(w[5]) + 2;  // the count after the machine id and one word
        ASSERT_LT(at, w.size());
        Words none(w.begin(), w.begin() + static_cast<long>(at));
        none.push_back(0);
        none.insert(none.end(), w.begin() + static_cast<long>(at) + 1 + w[at], w.end());
        const i32 id = open_stream();
        eputn(static_cast<i32>(none.size()), none.data());
        eclose();
        std::memset(PRM9, 0, sizeof PRM9);
        eopen(id, c, t, l, st);
        RDBT12(AM_ENTITY, remaining, number, st);
        EXPECT_EQ(st, 0);
        for (i32 word : {0, 1, 2, 7, 8, 9, 10, 11, 12, 17}) EXPECT_EQ(PRM9[word], prm9[word]) << word;
        // Where the sub-list item stands another code: the read fails and
        // says so.
        none[at + 1] = 2;
        const i32 bad = open_stream();
        eputn(static_cast<i32>(none.size()), none.data());
        eclose();
        eopen(bad, c, t, l, st);
        RDBT12(AM_ENTITY, remaining, number, st);
        EXPECT_EQ(st, -1);
        EXPECT_TRUE(norak::transcript_has("RDSBLH, WRONG ITEM CODE 2"));
        eclose();
    }

    // A copy whose machine and local flags are 0 keeps the stored entities.
    answer = 0;
    lacces(0, answer);
    cpbt12(AM_LIST, AM_ENTITY, 0, st);
    ASSERT_EQ(st, 0);
    i32 mid2 = -1;
    get_mchprm_info(PRCENT, mid2, mn, st);
    EXPECT_EQ(mid2, mid);
}

// A stored procedure whose machine values are gone cannot be brought back:
// the copy fails and leaves no half-written block in the list.
TEST_F(ProcTest, CopyFromTheDatabaseThatFailsLeavesNoBlock)
{
    i32 st = 0;
    write_proc(st);
    ASSERT_EQ(st, 0);
    CLSSBL(st);
    cpbt12(AM_LIST, AM_ENTITY, 0, st);
    ASSERT_EQ(st, 0);
    i32 mid = -1, n = 0;
    get_mchprm_info(PRCENT, mid, n, st);
    ASSERT_GT(mid, 0);
    edelet(mid, st);
    i32 answer = 0;
    lacces(0, answer);
    TPDELB(1, st);
    ASSERT_TRUE(dump::main_list().empty());
    cpbt12(AM_ENTITY, AM_LIST, 0, st);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("cpbt12, ERRORS IN LIST"));
    EXPECT_TRUE(dump::main_list().empty());
    EXPECT_EQ(norak::open_elements(), 0);
}

TEST_F(ProcTest, StoredBlockWithOversizedItemsIsRefused)
{
    // Group 27 with a flag item of five values.
    Words bad{12, 3, 9, 24, 0, 27, 8, 51, 6, 0, 1, 2, 3, 4, 5, 23, 0, 25, 0, 1, 9, 2, 0, 0, 0, 0, 0, 0, 0, 0};
    i32 st = 0;
    BLKOPN(AM_LIST, 12, 0, st);
    TPPUT(AM_LIST, static_cast<i32>(bad.size()) - 1, DT_INT, bad.data() + 1, st);
    BLKCLS(AM_LIST);
    i32 flags[6];
    std::memcpy(flags, PRCFLG, sizeof flags);
    i32 remaining = 0, number = 0;
    RDBT12(AM_LIST, remaining, number, st);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("get_flags, ERRORS IN LIST"));
    EXPECT_EQ(std::memcmp(flags, PRCFLG, sizeof flags), 0);
    // A flag group cut short by the element's end: the failed read is
    // reported as a list error too.
    const size_t said = norak::transcript_count("get_flags, ERRORS IN LIST");
    const Words cut{12, 5, 9, 24, 0, 23, 0, 25, 0, 27, 8, 51, 2};
    BLKOPN(AM_LIST, 12, 0, st);
    TPPUT(AM_LIST, static_cast<i32>(cut.size()) - 1, DT_INT, cut.data() + 1, st);
    BLKCLS(AM_LIST);
    RDBT12(AM_LIST, remaining, number, st);
    EXPECT_LT(st, 0);
    EXPECT_EQ(norak::transcript_count("get_flags, ERRORS IN LIST"), said + 1);

    // An expression item of group 24 longer than its 24 words.
    Words bad2{12, 4, 9, 24, 33, 49, 31, 10};
    for (int k = 0; k < 30; ++k) bad2.push_back(k);
    bad2.insert(bad2.end(), {27, 0, 23, 0, 25, 0});
    BLKOPN(AM_LIST, 12, 0, st);
    TPPUT(AM_LIST, static_cast<i32>(bad2.size()) - 1, DT_INT, bad2.data() + 1, st);
    BLKCLS(AM_LIST);
    i32 hei8[HEI8_N];
    std::memcpy(hei8, HEI8, sizeof hei8);
    RDBT12(AM_LIST, remaining, number, st);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("rmchtb, ITEM LONGER THAN ITS AREA, CODE AND COUNT = 49 30"));
    EXPECT_EQ(std::memcmp(hei8, HEI8, sizeof hei8), 0);
}

// Tool paths older than version 830 keep a plain real for the two height
// items (codes 49 and 50); the read turns each into an expression item.
// From version 830 on an item of one word is refused as before.
TEST_F(ProcTest, OldToolPathsKeepOneWordForTheHeightItems)
{
    Words blk{12, 4, 9, 24, 8, 49, 2, 1, r2wrd(7.5f), 50, 2, 1, r2wrd(2.25f)};
    for (i32 version : {829, 1100}) {
        tp_vnum_set(version);
        i32 st = 0;
        BLKOPN(AM_LIST, 12, 0, st);
        TPPUT(AM_LIST, static_cast<i32>(blk.size()) - 1, DT_INT, blk.data() + 1, st);
        BLKCLS(AM_LIST);
        for (i32& w : HEI8) w = 0;
        i32 number = 0, code = 0, count = 0;
        tpget(AM_LIST, 1, DT_INT, &number, st);
        tpget(AM_LIST, 1, DT_INT, &code, st);
        rmchtb(AM_LIST, count, st);
        if (version < 830) {
            EXPECT_EQ(st, 0);
            EXPECT_EQ(wrd2r(HEI8[HEI8_PLANE2]), 7.5f);
            EXPECT_EQ(wrd2r(HEI8[HEI8_INCR]), 2.25f);
            EXPECT_EQ(HEI8[24 + 23], 1);  // a real expression item
        } else {
            EXPECT_LT(st, 0);
            EXPECT_TRUE(norak::transcript_has("rmchtb, ITEM LONGER THAN ITS AREA, CODE AND COUNT = 49 1"));
        }
    }
    tp_vnum_set(1100);
}

// The value of code 45 goes to the host as stored, except that a code 46 of
// 2 turns it into -1 when the group is read from the list (media 2, 3); from
// an entity and in the converting list read (4) it stays.
TEST_F(ProcTest, CodeFortyFiveIsTurnedOffByCodeFortySixOnTheList)
{
    for (i32 medium : {AM_LIST, AM_APPEND, AM_LISTCNV, AM_ENTITY})
        for (i32 c46 : {1, 2}) {
            const Words segs{45, 2, 0, 7, 46, 2, 0, c46};
            const i32 length = static_cast<i32>(segs.size());
            i32 st = 0, count = 0;
            if (medium == AM_ENTITY) {
                const i32 id = open_stream();
                TPPUT(AM_ENTITY, 1, DT_INT, &length, st);
                TPPUT(AM_ENTITY, length, DT_INT, segs.data(), st);
                rewind(id);
            } else {
                Words blk{12, 4, 9, 24, length};
                blk.insert(blk.end(), segs.begin(), segs.end());
                put_block(blk);
                i32 skip = 0;
                tpget(AM_LIST, 1, DT_INT, &skip, st);
            }
            CLTVAL = 99;
            rmchtb(medium, count, st);
            EXPECT_EQ(st, 0) << medium << " " << c46;
            EXPECT_EQ(CLTVAL, c46 == 2 && medium != AM_ENTITY && medium != AM_LISTCNV ? -1 : 7) << medium << " " << c46;
        }
    // The block reader reads a converting medium as the plain list, yet the
    // value stays for it as it does when the group is read directly.
    for (i32 medium : {AM_LIST, AM_LISTCNV, AM_LISTCNV + 7}) {
        put_block({12, 4, 9, 24, 8, 45, 2, 0, 7, 46, 2, 0, 2, 27, 0, 23, 0, 25, 0, 1, 1, 0});
        i32 st = 0, remaining = 0, number = 0, size = 0, type = 0, cls = 0;
        TPBLKH(AM_LIST, size, type, cls, st);
        CLTVAL = 99;
        RDBT12(medium, remaining, number, st);
        EXPECT_EQ(st, 0) << medium;
        EXPECT_EQ(number, 4) << medium;
        EXPECT_EQ(CLTVAL, medium == AM_LIST ? -1 : 7) << medium;
    }
    // The value goes to the host with the block display's visibility table;
    // before that table is handed down, with one of the same rows all 0.
    const i32* keep = DSPVTB;
    i32 rows[DSP_ROWS + 1] = {0, 1, 2};
    for (const i32* table : {static_cast<const i32*>(rows), static_cast<const i32*>(nullptr)}) {
        DSPVTB = table;
        put_block({12, 4, 9, 24, 4, 45, 2, 0, 7, 27, 0, 23, 0, 25, 0, 1, 1, 0});
        i32 st = 0, remaining = 0, number = 0, size = 0, type = 0, cls = 0;
        TPBLKH(AM_LIST, size, type, cls, st);
        RDBT12(AM_LIST, remaining, number, st);
        const auto [value, given] = norak::transformation_in();
        EXPECT_EQ(value, 7);
        ASSERT_NE(given, nullptr);
        if (table) {
            EXPECT_EQ(given, table);
        } else {
            EXPECT_EQ(std::count(given, given + DSP_ROWS + 1, 0), DSP_ROWS + 1);
        }
    }
    DSPVTB = keep;
}

TEST_F(ProcTest, GeometrySlotsAndMovementSubList)
{
    i32 table[24];
    init_geom_slots(table);
    i32 before[24];
    std::memcpy(before, table, sizeof before);
    set_geom_slot(1, 10012, 55, table);
    EXPECT_EQ(std::memcmp(before, table, sizeof table), 0);
    i32 count = -1, ids[12], st = 0;
    find_geom_buf(table, count, ids, st);
    EXPECT_EQ(count, 0);
    // After a version change every slot with an entity is marked changed.
    i32 s0 = 0;
    reset_geom_slots(s0);
    for (i32 s = 0; s < NSLOTS; ++s) GSLOTS[2 * s] = 0;
    GSLOTS[2 * 3 + 1] = 40;
    PRCFLG[2] = PRCFLG[3] = PRCFLG[4] = 0;
    mark_geom_version();
    EXPECT_EQ(GSLOTS[2 * 3], 1);
    EXPECT_EQ(GSLOTS[0], 0);
    EXPECT_EQ(PRCFLG[3], 1);
    PRCFLG[4] = 0;
    mark_local_geom(10003);
    EXPECT_EQ(PRCFLG[4], 1);
    i32 keep = 9;
    open_sub_list(2, 0, keep);
    EXPECT_EQ(keep, 9);

    // A stored procedure whose motions lie in a movement entity: the sub-list
    // is filled from it and flag 6 is set.
    norak::Entity mov;
    mov.cls = 9, mov.type = 8;
    mov.words = {0, 0, 0, 2, 0, 5, 2, 40, R(1), R(2), R(3), 5, 2, 41, R(4), R(5), R(6)};
    i32 mid = norak::add_entity(mov);
    norak::Entity proc;
    proc.cls = 9, proc.type = 3;
    i32 pid = norak::add_entity(proc);
    get_set_movmnt_id(2, pid, mid);
    PRCFLG[0] = pid;
    PRCFLG[5] = 0;
    wflags(st);  // a free-standing flag group is enough for the reads below
    norak::reset();
    const Words block{12, 8, 9, 24, 4, 20, 2, 0, 0, 27, 8, 51, 2, 0, pid, 82, 2, 0, 0, 23, 0, 25, 0, 1, 9, 2, 0,
                      0,  0, 0, 0,  0, 0,  0};
    mid = norak::add_entity(mov);
    pid = norak::add_entity(proc);
    Words b = block;
    b[14] = pid;
    get_set_movmnt_id(2, pid, mid);
    BLKOPN(AM_LIST, 12, 0, st);
    TPPUT(AM_LIST, static_cast<i32>(b.size()) - 1, DT_INT, b.data() + 1, st);
    BLKCLS(AM_LIST);
    OPNMVL(3, st);
    EXPECT_EQ(st, 0);
    auto sub = dump::sub_list(0);
    ASSERT_EQ(sub.size(), 2u);
    EXPECT_EQ(sub[0], (Words{2, 0, R(1), R(2), R(3)}));
    EXPECT_EQ(sub[1], (Words{2, 1, R(4), R(5), R(6)}));
    Words now = dump::main_list()[0];
    EXPECT_EQ(now[8], 2);   // code 20
    EXPECT_EQ(now[18], 1);  // flag 6
    EXPECT_EQ(level(), 1);
    // Now flag 6 is set: mode 2 opens the sub-list itself.
    OPNMVL(2, st);
    EXPECT_EQ(st, 2);
    EXPECT_EQ(level(), 2);
}

TEST_F(ProcTest, ProcedureTexts)
{
    char t[21] = {0}, finish[21] = "FINISH PASSES";
    PRCTX1(2, 5, finish);
    PRCTX1(1, 5, t);
    EXPECT_EQ(std::string(t, 20), "FINISH PASSES       ");
    PRCTX2(1, 6, t);
    EXPECT_EQ(std::string(t, 20), std::string(20, ' '));
    char n[7] = {0};
    PRCUCS(1, 5, n);
    EXPECT_EQ(std::string(n, 6), "NO_UCS");
    norak::Entity ucs;
    ucs.cls = 3, ucs.type = 1, ucs.name = "UCS_A";
    PRCUID[4] = norak::add_entity(ucs);
    PRCUCS(1, 5, n);
    EXPECT_EQ(std::string(n, 6), "UCS_A ");
    PRCUID[4] = 0;
    char name[5] = "XXXX", mirror[5] = "MIRR";
    PRCTRF(2, 7, mirror);
    PRCTRF(1, 7, name);
    EXPECT_EQ(std::string(name, 4), "MIRR");
    PRCTRF(1, 6, name);
    EXPECT_EQ(std::string(name, 4), "    ");
    PRCTRF(2, 201, name);  // the scratch slot
    // A number outside the tables reads as blanks and no coordinate system,
    // never as what the caller's text held.
    for (i32 proc : {0, -3, 202}) {
        std::memset(t, 'X', 20);
        PRCTX1(1, proc, t);
        EXPECT_EQ(std::string(t, 20), std::string(20, ' ')) << proc;
        std::memset(t, 'X', 20);
        PRCTX2(1, proc, t);
        EXPECT_EQ(std::string(t, 20), std::string(20, ' ')) << proc;
        std::memcpy(name, "XXXX", 4);
        PRCTRF(1, proc, name);
        EXPECT_EQ(std::string(name, 4), "    ") << proc;
        std::memcpy(n, "XXXXXX", 6);
        PRCUCS(1, proc == 202 ? 201 : proc, n);
        EXPECT_EQ(std::string(n, 6), "NO_UCS") << proc;
    }
}

namespace {
// The values of a segment of a group written into the element at the
// cursor, from the group's first segment on.
i32 item(const Words& w, size_t first, i32 code)
{
    for (size_t k = first; k + 3 < w.size(); k += static_cast<size_t>(w[k + 1]) + 2)
        if (w[k] == code) return w[k + 3];
    return -999;
}

// The global group written alone into a new element of the list.
Words global_group(i32& count, i32& status)
{
    BLKOPN(AM_LIST, 12, 0, status);
    wglprm(AM_APPEND, count, status);
    BLKCLS(AM_LIST);
    return dump::main_list().back();
}
}  // namespace

// Codes 21, 44 and 81 of the global group from the request record, the
// criteria flag and the modify state; the rerun word made 4 when code 81 is
// written for a suspended procedure.
TEST_F(ProcTest, GlobalGroupItemsOfTheRequestRecord)
{
    struct Case {
        i32 manual, susp, intr, rerun, crit, modify;
        i32 c21, c44, c81;
    };
    const Case cases[] = {{0, 0, 0, 0, 1, 0, 1, 1, 0}, {1, 0, 0, 0, 1, 0, 2, 1, 0}, {1, 0, 0, 0, 0, 1, 2, 1, 0},
                          {1, 1, 0, 0, 0, 1, 1, 2, 0}, {0, 0, 1, 0, 0, 1, 1, 3, 0}, {0, 0, 1, 0, 0, 0, 1, 1, 0},
                          {0, 1, 0, 5, 0, 0, 1, 2, 4}, {0, 0, 0, 5, 0, 0, 1, 1, 5}};
    for (const Case& c : cases) {
        EDA2[EDA2_MANUAL] = c.manual;
        EDA2[EDA2_SUSP] = c.susp;
        EDA2[EDA2_INTR] = c.intr;
        CMPBLK[CMP_RERUN] = c.rerun;
        norak::settings().criteria = c.crit;
        norak::settings().modify = c.modify;
        i32 count = 0, st = 0;
        const Words w = global_group(count, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(w[1], GR_GLOBAL);
        EXPECT_EQ(w[2], count);
        EXPECT_EQ(item(w, 3, 21), c.c21) << c.manual << c.crit << c.modify;
        EXPECT_EQ(item(w, 3, 44), c.c44) << c.susp << c.intr << c.modify;
        EXPECT_EQ(item(w, 3, 81), c.c81) << c.rerun << c.susp;
        EXPECT_EQ(CMPBLK[CMP_RERUN], c.c81);
    }

    // A segment that fails between codes 43 and 81: what was written keeps
    // its length, the write fails, and the rerun word is not made 4.
    EDA2[EDA2_SUSP] = 1;
    CMPBLK[CMP_RERUN] = 5;
    const Words whole = dump::main_list().back();
    size_t at = 3;
    while (whole[at] != 60) at += static_cast<size_t>(whole[at + 1]) + 2;
    norak::settings().element_capacity = static_cast<i32>(at);
    i32 count = 0, st = 0;
    const Words cut = global_group(count, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("[wglprm , ]ERRORS IN LIST"));
    EXPECT_EQ(cut[2], count);
    EXPECT_EQ(static_cast<size_t>(count), at - 3);
    EXPECT_EQ(item(cut, 3, 43), prgvrs());
    EXPECT_EQ(CMPBLK[CMP_RERUN], 5);
}

// The global group's positions and frame come twice, each pair from the
// same words: position 5/6 and axis 27/28 from the shown tool, view 7/8,
// view parameter 9/10, origin 11/13 and home 12/14 from the machine frame.
TEST_F(ProcTest, GlobalGroupRepeatsItsPositionsAndFrame)
{
    for (i32 k = 0; k < 6; ++k) DSP8[DSP8_POS + k] = 300 + k;
    for (i32 k = 0; k < NPT1_N; ++k) NPT1[k] = 100 + k;
    i32 count = 0, st = 0;
    const Words w = global_group(count, st);
    ASSERT_EQ(st, 0);
    const auto values = [&](i32 code, i32 n) {
        Words out;
        for (size_t k = 3; k + 2 < w.size(); k += static_cast<size_t>(w[k + 1]) + 2)
            if (w[k] == code) out.assign(w.begin() + static_cast<std::ptrdiff_t>(k) + 3, w.begin() + static_cast<std::ptrdiff_t>(k) + 3 + n);
        return out;
    };
    const i32 pairs[][5] = {{5, 6, 3, 300, 0},     {27, 28, 3, 303, 0},         {7, 8, 1, 100 + NPT1_VIEW, 0},
                            {9, 10, 1, 100 + NPT1_VIEWPAR, 0}, {11, 13, 3, 100 + NPT1_ORIGIN, 0}, {12, 14, 3, 100 + NPT1_HOME, 0}};
    for (const auto& p : pairs) {
        Words want;
        for (i32 j = 0; j < p[2]; ++j) want.push_back(p[3] + j);
        EXPECT_EQ(values(p[0], p[2]), want) << p[0];
        EXPECT_EQ(values(p[1], p[2]), want) << p[1];
    }
}

// Each optimizer and machining word of the global group carries its own
// words of the machining-parameter block, as many as its item holds.
TEST_F(ProcTest, GlobalGroupCarriesTheMachiningParameterWords)
{
    for (i32 k = 0; k < CMPBLK_N; ++k) CMPBLK[k] = 700 + k;
    const i32 rows[][3] = {{59, 0, 1},   {60, 1, 1},   {61, 2, 1},   {114, 48, 1}, {62, 3, 1},   {63, 4, 1},
                           {64, 5, 1},   {65, 6, 1},   {66, 7, 1},   {67, 8, 1},   {122, 9, 1},  {68, 10, 1},
                           {69, 11, 1},  {70, 12, 1},  {71, 13, 1},  {72, 14, 1},  {73, 15, 1},  {74, 16, 1},
                           {75, 17, 1},  {76, 18, 1},  {77, 19, 1},  {108, 20, 1}, {78, 21, 1},  {79, 22, 1},
                           {80, 23, 1},  {81, 25, 1},  {109, 26, 5}, {110, 31, 6}, {111, 37, 5}, {112, 42, 6},
                           {115, 55, 1}, {120, 56, 1}, {121, 57, 1}, {125, 58, 10}, {126, 68, 1}, {127, 69, 10},
                           {128, 79, 10}};
    i32 count = 0, st = 0;
    const Words w = global_group(count, st);
    ASSERT_EQ(st, 0);
    for (const auto& r : rows) {
        size_t k = 3;
        while (k + 2 < w.size() && w[k] != r[0]) k += static_cast<size_t>(w[k + 1]) + 2;
        ASSERT_LT(k + 2, w.size()) << r[0];
        EXPECT_EQ(w[k + 1], r[2] + 1) << r[0];
        for (i32 j = 0; j < r[2]; ++j) EXPECT_EQ(w[k + 3 + static_cast<size_t>(j)], 700 + r[1] + j) << r[0] << " " << j;
    }
}

// The flag, machine and local groups cut short by a full element: the length
// of the one segment written is patched, and the write fails.
TEST_F(ProcTest, GroupWritersFailWhenASegmentCannotBeWritten)
{
    const auto flags = [](i32& st) { wflags(st); };
    const auto machine = [](i32& st) {
        i32 count = 0;
        wmchtb(AM_APPEND, 22, count, st);
    };
    const auto local = [](i32& st) { wlcprm(7, param_cb, st); };
    const std::pair<const char*, void (*)(i32&)> writers[] = {
        {"[wflags], ERRORS IN LIST", flags},
        {"[wmchtb , ]ERRORS IN LIST", machine},
        {"[wlcprm - ]ERROR IN INSERT DATA FOR SEGMENT WITH CODE", local}};
    // Room for the first segment only (7 words), then none even for the
    // group's code and length (1 word): each writer fails with its message,
    // and in the second case leaves the block as it was.
    for (const i32 room : {7, 1}) {
        for (const auto& [text, write] : writers) {
            const size_t before = norak::transcript_count(text);
            i32 st = 0;
            BLKOPN(AM_LIST, 12, 0, st);
            norak::settings().element_capacity = room;
            write(st);
            BLKCLS(AM_LIST);
            norak::settings().element_capacity = 32768;
            EXPECT_EQ(st, -1) << text << " " << room;
            EXPECT_EQ(norak::transcript_count(text), before + 1) << text << " " << room;
            const Words w = dump::main_list().back();
            ASSERT_EQ(w.size(), static_cast<size_t>(room)) << text;
            if (room == 7) {
                EXPECT_EQ(w[2], 4) << text;
            }
        }
    }
    // Machine type -1 cut at code 0: the tool and show-tool words of the
    // machine record stay as they were, their segments never reached.
    PRM9[PRM9_TOOL] = 8;
    PRM9[PRM9_SHOWTOOL] = 0;
    i32 st = 0, count = 0;
    BLKOPN(AM_LIST, 12, 0, st);
    norak::settings().element_capacity = 3;
    wmchtb(AM_APPEND, -1, count, st);
    BLKCLS(AM_LIST);
    norak::settings().element_capacity = 32768;
    EXPECT_EQ(st, -1);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(PRM9[PRM9_TOOL], 8);
    EXPECT_EQ(PRM9[PRM9_SHOWTOOL], 0);
}

// Updates that cannot read or write a block whole fail with their message:
// a flag group that cannot be found, a header that cannot be read, and
// segments holding more words than the update gives.
TEST_F(ProcTest, UpdatesRefuseWhatTheyCannotReadOrWriteWhole)
{
    i32 st = 0;
    const f32 c[3] = {0, 0, 0};
    PTBT2(AM_APPEND, 2, c, c, 0, st);
    update_flags(st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("[update_flags], ERRORS IN LIST"));
    put_block({15, 1, 0});
    PTUB12(0, 0, 0, 0, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("PTUB12, ERRORS IN LIST"));
    EXPECT_FALSE(norak::transcript_has("PTUB12, THE CURRENT BLOCK IS NOT A PROCEDURE"));

    // A stored block whose code 20 holds two words.
    write_proc(st);
    ASSERT_EQ(st, 0);
    Words& w = norak::main_list().elems.back().words;
    ASSERT_EQ(w[5], 20);
    w[6] = 3;
    w.insert(w.begin() + 9, 0);
    w[4] += 1;
    const Words bad = w;
    CLSSBL(st);  // its count is not written into the block
    EXPECT_LT(st, 0);
    PTUB12(0, 0, 0, 0, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("TPCHNN, ITEM LONGER THAN ITS AREA, CODE = 20 2"));
    const i32 sonh[8] = {0, 7, 1, 2, 3, 4, 5, 6};
    mdputn("SONH", RK_WORDS, 8, sonh, st);
    for (i32 suspended : {0, 1}) {
        const size_t before = norak::transcript_count("WUPDSL, ERRORS IN LIST");
        WUPDSL(suspended);
        EXPECT_EQ(norak::transcript_count("WUPDSL, ERRORS IN LIST"), before + 1) << suspended;
    }
    EXPECT_EQ(Words(w.begin() + 5, w.begin() + 10), Words(bad.begin() + 5, bad.begin() + 10));
}

// The copy into the database: a block naming a procedure entity that is
// gone fails before anything is stored; a block asking for a new entity
// without the machine group's flag stores no machine values for it.
TEST_F(ProcTest, CopyIntoTheDatabaseChecksTheEntityTheBlockNames)
{
    i32 st = 0;
    write_proc(st);
    ASSERT_EQ(st, 0);
    CLSSBL(st);
    cpbt12(AM_LIST, AM_ENTITY, 0, st);
    ASSERT_EQ(st, 0);
    const i32 stored = PRCENT;
    auto flags = [&](i32 f1, i32 f2) {
        i32 answer = 0, s = 0;
        lacces(0, answer);
        const i32 zero = 0;
        TPCHNN(AM_LIST, GR_FLAGS, 51, DT_INT, &f1, s);
        TPCHNN(AM_LIST, GR_FLAGS, 52, DT_INT, &f2, s);
        TPCHNN(AM_LIST, GR_FLAGS, 54, DT_INT, &zero, s);
        TPCHNN(AM_LIST, GR_FLAGS, 55, DT_INT, &zero, s);
        lacces(0, answer);
    };
    flags(stored, 1);
    const size_t entities = norak::entities().size();
    cpbt12(AM_LIST, AM_ENTITY, 0, st);
    EXPECT_EQ(st, 0);
    EXPECT_NE(PRCENT, stored);
    EXPECT_EQ(norak::entities().size(), entities + 1);  // the procedure entity alone
    i32 mid = 0, n = 0;
    get_mchprm_info(PRCENT, mid, n, st);
    EXPECT_LE(mid, 0);

    const i32 fresh = PRCENT;
    edelet(fresh, st);
    flags(fresh, 0);
    const size_t now = norak::entities().size();
    cpbt12(AM_LIST, AM_ENTITY, 0, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("cpbt12, ERRORS IN LIST"));
    EXPECT_EQ(norak::entities().size(), now);

    // A flag 1 of 0 names no entity: a new one is made.
    flags(0, 0);
    cpbt12(AM_LIST, AM_ENTITY, 0, st);
    EXPECT_EQ(st, 0);
    EXPECT_GT(PRCENT, 0);
    EXPECT_EQ(norak::entities().size(), now + 1);

    // A list that cannot be read, at the block or at its sub-list item, is
    // a failure of the copy and said as one.
    for (i32 call : {1, 2}) {
        flags(PRCENT, 0);
        const size_t said = norak::transcript_count("cpbt12, ERRORS IN LIST");
        norak::fail_list_call("lacces", call);
        cpbt12(AM_LIST, AM_ENTITY, 0, st);
        EXPECT_EQ(st, -1) << call;
        EXPECT_EQ(norak::transcript_count("cpbt12, ERRORS IN LIST"), said + 1) << call;
    }
}

// Storing the geometry: a working copy of kind 10012 is dropped with the
// slot's entity left out; any other copy is copied onto the slot's entity,
// which is registered and listed.
TEST_F(ProcTest, GeometryWorkingCopiesAreStoredOrDropped)
{
    auto geometry = [](i32 kind, i32 word) {
        norak::Entity e;
        e.cls = 9, e.type = 7;
        e.words = {-1, 0, 0, 0, kind, 0, word};
        return norak::add_entity(e);
    };
    const i32 a = geometry(10001, 1), b = geometry(10002, 3);
    i32 ta = geometry(10012, 2), tb = geometry(10002, 4), st = 0;
    get_set_idtmp(2, a, ta);
    get_set_idtmp(2, b, tb);
    add_nc_entity(ta, st);
    add_nc_entity(tb, st);
    i32 table[24];
    init_geom_slots(table);
    set_geom_slot(1, 10001, a, table);
    set_geom_slot(1, 10002, b, table);
    i32 count = 0, ids[NSLOTS];
    save_geom_entities(table, count, ids, st);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(ids[0], b);
    EXPECT_EQ(norak::entities().count(ta), 0u);
    EXPECT_EQ(dump::entity(b).back(), 4);
    const auto& nc = norak::nc_entities();
    EXPECT_EQ(std::count(nc.begin(), nc.end(), b), 1);
    EXPECT_EQ(std::count(nc.begin(), nc.end(), ta) + std::count(nc.begin(), nc.end(), tb), 0);
}
