// Block routines that few paths reach: the transformed copy of thread,
// groove and procedure blocks, the header update of a procedure, the
// geometry slot save, the level table of a displayed entity, the clearance
// retract, the cycle reads through the list transformation, the template
// failures of the machine readers and the words of the machine table.
#include <cstring>
#include <string>

#include "blocks/listdsp.h"
#include "blocks/procblk.h"
#include "tests/blocks/common.h"

using dump::R;
using dump::Words;

namespace {
const f32 MIRROR[9] = {-1, 0, 0, 0, 1, 0, 0, 0, 1};
const f32 SHIFT[3] = {10, 0, 0};

Words r3(const f32* p) { return {R(p[0]), R(p[1]), R(p[2])}; }

// A procedure block of group 24 only: the counter (code 20), the start and
// end points with their vectors (codes 5, 27, 6, 28), code 35 and code 43.
Words procedure_block(i32 number, const f32* p5, const f32* v27, const f32* p6, const f32* v28)
{
    Words g{20, 2, DT_INT, 0};
    const std::pair<i32, const f32*> reals[4] = {{5, p5}, {27, v27}, {6, p6}, {28, v28}};
    for (const auto& [code, v] : reals) {
        Words seg{code, 4, DT_REAL};
        for (i32 x : r3(v)) seg.push_back(x);
        g.insert(g.end(), seg.begin(), seg.end());
    }
    g.insert(g.end(), {35, 2, DT_INT, 0, 43, 2, DT_INT, 1100});
    Words w{12, number, 9, GR_GLOBAL, static_cast<i32>(g.size())};
    w.insert(w.end(), g.begin(), g.end());
    w.insert(w.end(), {27, 0, 23, 0, 25, 0, 1, 9, 2, 0, 0, 0, 0, 0, 0, 0, 0});
    return w;
}

// The values of a coded segment of the block at the list cursor.
std::vector<i32> segment(i32 group, i32 code, i32 n)
{
    std::vector<i32> out(static_cast<size_t>(n), -7);
    i32 count = n, st = 0;
    TPGETN(AM_LIST, group, code, count, DT_INT, out.data(), st);
    EXPECT_EQ(st, 0) << "code " << code;
    out.resize(static_cast<size_t>(count));
    return out;
}

void first_element()
{
    i32 answer = 0;
    lacces(2, answer);
}
}  // namespace

TEST_F(BlocksTest, MirroredCopyMovesThreadGrooveAndProcedurePoints)
{
    CLP1[CLP1_COLOUR] = 3;
    CLP1[CLP1_PEN] = 1;
    i32 st = 0;
    const f32 a[3] = {1, 2, 3}, b[3] = {4, 5, 6}, six[6] = {1, 2, 3, 4, 5, 6};
    const f32 v[3] = {0.6f, 0, 0.8f}, w[3] = {0, 0, 1};
    PTBT40(AM_LIST, MIRROR, SHIFT, 1, st);
    put_block(procedure_block(2, a, v, b, w));
    PTBT13(AM_LIST, a, b, 3, 1, 3, st);
    PTBT14(AM_LIST, 2, a, b, six, 4, st);
    ASSERT_EQ(st, 0);

    // Into an entity as they stand, the type-40 block with them.
    const i32 id = open_stream();
    first_element();
    for (i32 k = 0; k < 4; ++k) {
        i32 type = 0, size = 0, answer = 0;
        CPYBLK(AM_LIST, AM_ENTITY, type, size, st);
        ASSERT_EQ(st, 0) << k;
        lacces(1, answer);
    }
    eclose();
    i32 n = 0, answer = 0;
    llines(n);
    first_element();
    ldelet(n, st);

    // Back into the list: the transformation taken and applied, not written.
    rewind(id);
    for (i32 k = 0; k < 4; ++k) {
        i32 type = 0, size = 0;
        if (k == 1) {
            type = BT_PROC;
            TPBLKS(AM_ENTITY, size, st);
        }
        CPYBLK(AM_ENTITY, AM_LIST, type, size, st);
        ASSERT_EQ(st, 0) << k;
    }
    const auto l = dump::main_list();
    ASSERT_EQ(l.size(), 3u);
    // (x, y, z) becomes (10 - x, y, z); vectors (-x, y, z).
    const f32 ma[3] = {9, 2, 3}, mb[3] = {6, 5, 6};
    Words thread{13, 3};
    for (const Words& part : {r3(ma), r3(mb), Words{3, 1}}) thread.insert(thread.end(), part.begin(), part.end());
    EXPECT_EQ(l[1], thread);
    Words groove{14, 4, 2};
    for (const Words& part : {r3(ma), r3(mb), r3(six), r3(six + 3)}) groove.insert(groove.end(), part.begin(), part.end());
    EXPECT_EQ(l[2], groove);

    first_element();
    EXPECT_EQ(segment(GR_GLOBAL, 35, 1), (std::vector<i32>{1}));  // marked as transformed
    EXPECT_EQ(segment(GR_GLOBAL, 5, 3), r3(ma));
    EXPECT_EQ(segment(GR_GLOBAL, 27, 3), (std::vector<i32>{R(-0.6f), R(0.0f), R(0.8f)}));
    EXPECT_EQ(segment(GR_GLOBAL, 6, 3), r3(mb));
    EXPECT_EQ(segment(GR_GLOBAL, 28, 3), r3(w));
    EXPECT_EQ(segment(GR_GLOBAL, 116, 1), (std::vector<i32>{3}));  // the present colour went in first

    // A block without the point codes cannot be transformed.
    put_block({12, 5, 9, GR_GLOBAL, 4, 35, 2, DT_INT, 0});
    i32 size = 0, type = 0, cls = 0;
    lacces(0, answer);
    TPBLKH(AM_LIST, size, type, cls, st);
    TRPRCB(AM_LIST, MIRROR, SHIFT, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(segment(GR_GLOBAL, 35, 1), (std::vector<i32>{1}));
}

TEST_F(BlocksTest, HeaderUpdateTakesTheFirstAndLastPointsOfTheSubList)
{
    i32 st = 0;
    const f32 zero[3] = {0, 0, 0}, up[3] = {0, 0, 1};
    Words w = procedure_block(0, zero, zero, zero, zero);
    // Codes 8, 10, 13, 14, 36 and 44 as the header update wants them.
    const Words more{8, 2, DT_INT, 0, 10, 2, DT_REAL, 0, 13, 4, DT_REAL, 0, 0, 0, 14, 4, DT_REAL, 0, 0, 0,
                     36, 2, DT_REAL, 0, 44, 2, DT_INT, 9};
    w.insert(w.begin() + 5 + 4, more.begin(), more.end());
    w[4] += static_cast<i32>(more.size());
    // A flag group that is not empty: the sub-list is looked at.
    const size_t g27 = w.size() - 17;
    w.erase(w.begin() + static_cast<long>(g27), w.begin() + static_cast<long>(g27) + 2);
    w.insert(w.begin() + static_cast<long>(g27), {GR_FLAGS, 4, 82, 2, DT_INT, 0});
    put_block(w);
    OPNSBL(st);
    ASSERT_EQ(st, 0);
    // The rapid moves go up first: (0, 0, 3), a, (1, 2, 9), b.
    const f32 a[3] = {1, 2, 3}, b[3] = {7, 8, 9};
    PLINE(1, a, up, 2, st);
    PLINE(1, b, up, 2, st);
    ASSERT_EQ(dump::sub_list(0).size(), 4u);
    CLSSBL(st);
    ASSERT_EQ(st, 0);
    NPT1[NPT1_VIEW] = 4;
    HEI8[HEI8_CLEARANCE] = R(25.0f);
    first_element();
    PTUB1(st);
    ASSERT_EQ(st, 0);
    first_element();
    const f32 first[3] = {0, 0, 3};
    EXPECT_EQ(segment(GR_GLOBAL, 5, 3), r3(first));
    EXPECT_EQ(segment(GR_GLOBAL, 6, 3), r3(b));
    EXPECT_EQ(segment(GR_GLOBAL, 28, 3), r3(up));
    EXPECT_EQ(segment(GR_GLOBAL, 20, 1), (std::vector<i32>{4}));
    EXPECT_EQ(segment(GR_GLOBAL, 8, 1), (std::vector<i32>{4}));
    EXPECT_EQ(segment(GR_GLOBAL, 36, 1), (std::vector<i32>{R(25.0f)}));
    EXPECT_EQ(segment(GR_GLOBAL, 44, 1), (std::vector<i32>{9}));  // the quiet marks are not set
}

TEST_F(BlocksTest, SlotTableAndFlagsGoOutAndComeBackWhole)
{
    i32 st = 0;
    reset_geom_slots(st);
    PRCFLG[0] = 7;
    set_geom_slot(3, 10004, 55, GSLOTS);
    i32 table[2 * NSLOTS], flags[6];
    geom_slots_io(1, table, flags);
    EXPECT_EQ(std::memcmp(table, GSLOTS, sizeof table), 0);
    EXPECT_EQ(table[2 * 3], 0);
    EXPECT_EQ(table[2 * 3 + 1], 55);
    EXPECT_EQ(flags[0], 7);
    EXPECT_EQ(flags[5], 1);

    init_geom_slots(GSLOTS);
    std::memset(PRCFLG, 0, sizeof PRCFLG);
    geom_slots_io(3, table, flags);  // another mode moves nothing
    EXPECT_EQ(GSLOTS[7], -1);
    EXPECT_EQ(PRCFLG[0], 0);
    geom_slots_io(2, table, flags);
    EXPECT_EQ(GSLOTS[7], 55);
    EXPECT_EQ(GSLOTS[0], 1);
    EXPECT_EQ(PRCFLG[0], 7);
    EXPECT_EQ(PRCFLG[2], 1);
}

TEST_F(BlocksTest, ProcedureShownFromAnEntityOpensTheNextLevel)
{
    i32 two = 2, five = 5, st = 0;
    gsblkn(2, two, five);
    DIPB12(AM_ENTITY, 1, 17, 0, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(BLSK[0], 2);
    EXPECT_EQ(BLSK[1], 17);
    EXPECT_EQ(BLSK[2], 0);
    i32 counter = -1;
    gsblkn(1, two, counter);
    EXPECT_EQ(counter, 0);
    EXPECT_TRUE(dump::main_list().empty());  // nothing written, no list opened
}

TEST_F(BlocksTest, ClearanceRetractGoesStraightUpWhenTheSwitchIsSet)
{
    // The hold taken with the switch off: the release puts it back off
    // and no move is made.
    i32 st = -5;
    HEI8[HEI8_RETRACT] = 0;
    HFLINI();
    HFLSET(0);
    EXPECT_EQ(HEI8[HEI8_RETRACT], 1);
    HLDDSP(1, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(HEI8[HEI8_RETRACT], 0);
    EXPECT_TRUE(dump::main_list().empty());
    EXPECT_NE(TECHST.requested[1], 4);

    // With the switch on: straight up to the clearance height.
    HEI8[HEI8_RETRACT] = 1;
    HEI8[HEI8_CLEARANCE] = R(40.0f);
    DSP8[DSP8_POS] = R(3.0f), DSP8[DSP8_POS + 1] = R(-4.0f), DSP8[DSP8_POS + 2] = R(1.0f);
    HFLSET(0);
    HLDDSP(1, st);
    EXPECT_EQ(st, 0);
    i32 hold = 0;
    HFLGET(hold);
    EXPECT_EQ(hold, 1);  // released
    const auto l = dump::main_list();
    ASSERT_FALSE(l.empty());
    // Feed code 4 asked for the move, which ends over the tool at the
    // clearance height.
    EXPECT_EQ(TECHST.requested[1], 4);
    const Words& last = l.back();
    ASSERT_GE(last.size(), 5u);
    EXPECT_EQ(Words(last.begin() + 2, last.begin() + 5), (Words{R(3.0f), R(-4.0f), R(40.0f)}));
}

TEST_F(BlocksTest, CycleHeightsFollowTheListTranslationAndTheConversion)
{
    const f32 ident[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, up5[3] = {1, 1, 5};
    norak::set_list_transform(ident, up5);
    // The conversion tilts: z' = z + 0.5 x + 2, so a height at the
    // reference x = 4 gains 4.
    const f64 tilt[9] = {1, 0, 0, 0, 1, 0, 0.5, 0, 1}, off[3] = {0, 0, 2}, ref[3] = {4, 9, 0};
    CNVSET(tilt, off, ref);
    i32 st = 0;
    PTBT30(AM_LIST, 81, 1, 2.0f, 3.0f, 4.0f, 2, 50.0f, 1, st);
    PTBT35(AM_LIST, 80, 1, 2.0f, 3.0f, 4.0f, 2, 50.0f, 2, st);
    PTBT32(AM_LIST, 6.0f, 7.0f, 3, st);
    ASSERT_EQ(st, 0);
    i32 answer = 0, size = 0, type = 0, cls = 0;
    first_element();
    for (i32 k = 0; k < 2; ++k) {
        if (k == 1) lacces(1, answer);
        TPBLKH(AM_LIST, size, type, cls, st);
        i32 num = -1, code = 0, a = 0, b = 0;
        f32 r1, r2, r3, r4;
        if (k == 0)
            RDBT30(AM_LISTCNV, num, code, a, r1, r2, r3, b, r4, st);
        else
            RDBT35(AM_LISTCNV, num, code, a, r1, r2, r3, b, r4, st);
        EXPECT_EQ(st, 0);
        EXPECT_FLOAT_EQ(r1, k == 0 ? 7.0f : 11.0f) << k;
        EXPECT_FLOAT_EQ(r2, 3.0f);
        EXPECT_FLOAT_EQ(r3, 4.0f);
        EXPECT_FLOAT_EQ(r4, 55.0f);
    }
    lacces(1, answer);
    TPBLKH(AM_LIST, size, type, cls, st);
    i32 num = 0;
    f32 r1 = 0, r2 = 0;
    RDBT32(AM_LISTCNV, num, r1, r2, st);
    EXPECT_FLOAT_EQ(r1, 11.0f);
    EXPECT_FLOAT_EQ(r2, 12.0f);
    // Read plainly the values stay as written.
    TPBLKH(AM_LIST, size, type, cls, st);
    RDBT32(AM_LIST, num, r1, r2, st);
    EXPECT_FLOAT_EQ(r1, 6.0f);

    f32 h = 1.0f;
    CNVZVL(h);
    EXPECT_FLOAT_EQ(h, 5.0f);
}

TEST_F(BlocksTest, TemplateReadFailureIsReportedWithTheFileName)
{
    // A value record longer than one word: the template read fails short
    // of its end.
    norak::templates()["MILL7"] = {{0, {116}}, {0, {2}}, {0, {DT_INT}}, {0, {5, 6}}};
    norak::template_open("MILL7", false);
    i32 count = 100, st = 0;
    rmchtb(MED_TPLREAD, count, st);
    norak::template_close();
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("CANNOT READ FROM FILEMILL7|READING TERMINATED"));
    EXPECT_TRUE(norak::transcript_has("rmchtb, ERRORS IN TEMPLATE LIST"));

    norak::reset();
    norak::templates()["MILL8"] = {{0, {1}}, {0, {2}}, {0, {DT_REAL}}, {0, {R(1.5f), 0}}};
    norak::template_open("MILL8", false);
    RMCHTB(MED_TPLREAD, count, st);
    norak::template_close();
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("CANNOT READ FROM FILEMILL8|READING TERMINATED"));
    EXPECT_TRUE(norak::transcript_has("rmchtb, ERRORS IN TEMPLATE LIST"));

    // At the end of the file reading stops well.
    norak::reset();
    norak::templates()["MILL9"] = {{0, {1}}, {0, {2}}, {0, {DT_REAL}}, {0, {R(1.5f)}}};
    norak::template_open("MILL9", false);
    RMCHTB(MED_TPLREAD, count, st);
    norak::template_close();
    EXPECT_EQ(st, 0);
    EXPECT_FLOAT_EQ(wrd2r(PRM9[0]), 1.5f);
    EXPECT_FALSE(norak::transcript_has("CANNOT READ FROM FILE"));
    // The global group's end of file completes the read: the status code
    // answers and the missing code 107 clears its word.
    norak::templates()["MILL10"] = {{0, {31}}, {0, {2}}, {0, {DT_INT}}, {0, {3}}};
    norak::template_open("MILL10", false);
    BLKDSW = 5;
    count = 100;
    rmchtb(MED_TPLREAD, count, st);
    norak::template_close();
    EXPECT_EQ(st, 2);
    EXPECT_EQ(BLKDSW, 0);
}

TEST_F(BlocksTest, MachineTableWordsAreTheMachineAndItsValues)
{
    NPT1[NPT1_MACHINE] = 12;
    for (i32 k = 0; k < PRM9_N; ++k) PRM9[k] = 100 + k;
    EXPECT_EQ(machine_table(1), 12);
    EXPECT_EQ(machine_table(5), 100);  // the base feed
    EXPECT_EQ(machine_table(8), 103);  // the first feed percentage
    EXPECT_EQ(machine_table(16), 111);  // the tool
    EXPECT_EQ(machine_table(19), 114);
    EXPECT_EQ(machine_table(20), 115);
    EXPECT_EQ(machine_table(27), 122);
    for (i32 word : {0, 2, 3, 4, 28, -1}) EXPECT_EQ(machine_table(word), 0) << word;
}
