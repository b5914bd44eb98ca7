// Machine table from a procedure block's group 23, values by subtype,
// parameter types, and the modal state by parameter code.
#include "tests/blocks/common.h"

using dump::R;
using dump::Words;

namespace {
const i32 CODES[23] = {1, 2, 3, 4, 5, 51, 52, 6, 7, 8, 9, 10, 11, 13, 12, 14, 46, 47, 48, 49, 50, 53, 54};

void put_group23(const Words& segs)
{
    Words w{12, 0, 9, 24, 0, 27, 0, 23, static_cast<i32>(segs.size())};
    w.insert(w.end(), segs.begin(), segs.end());
    w.insert(w.end(), {25, 0});
    i32 st = 0;
    BLKOPN(AM_LIST, 12, 0, st);
    TPPUT(AM_LIST, static_cast<i32>(w.size()) - 1, DT_INT, w.data() + 1, st);
    BLKCLS(AM_LIST);
}

// The technology block last written to the list: its parameter, kind (0
// integer, 1 real) and value.
struct TechBlock {
    i32 param = 0, kind = -1, iv = 0, status = 0;
    f32 rv = 0;
};
TechBlock last_technology_block()
{
    TechBlock b;
    i32 answer = 0, size = 0, type = 0, cls = 0, number = 0;
    lacces(3, answer);
    TPBLKH(AM_LIST, size, type, cls, b.status);
    RDBT1(AM_LIST, number, b.param, b.kind, b.iv, b.rv, b.status);
    return b;
}
}  // namespace

TEST_F(BlocksTest, MachineGroupResolvesEveryValue)
{
    Words segs{0, 2, 0, 26};
    for (i32 w = 0; w < 23; ++w) {
        i32 c = CODES[w];
        bool real = NTBDEF(c) == 1;
        i32 value = real ? R(10.0f * static_cast<f32>(w) + 0.5f) : 100 + w;
        if (c == 7) value = 2;  // spindle direction: negative
        if (c == 4 || c == 5 || c == 51 || c == 52) value = 10 * w;  // percentages
        segs.insert(segs.end(), {c, 2, w % 2 == 0 ? -1 : (real ? 1 : 0), value});
    }
    for (i32 c = 55; c <= 64; ++c) segs.insert(segs.end(), {c, 2, 0, 1000 + c});
    put_group23(segs);
    i32 count = 0, st = 0;
    RMCHTB(AM_APPEND, count, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(count, static_cast<i32>(segs.size()));
    EXPECT_EQ(wrd2r(PRM9[0]), 0.5f);
    EXPECT_EQ(PRM9[12], 1);  // code 11 is kept as 0 or 1
    EXPECT_EQ(MCHTBL[9], 1064);
    const f32 feed = 0.5f;
    struct Want {
        i32 subtype, kind;
        f64 value;
    };
    const Want want[] = {{1, 1, feed},
                         {2, 1, 30 * feed * 0.01},
                         {3, 1, 40 * feed * 0.01},
                         {4, 1, -1.0},
                         {5, 0, -107},
                         {6, 0, 109},
                         {7, 1, -10.5},
                         {8, 0, 110},
                         {9, 0, -1},
                         {10, 0, 1},
                         {11, 0, 0},
                         {12, 0, 111},
                         {13, 0, 2},
                         {14, 0, 1},
                         {16, 0, 2},
                         {17, 0, 1},
                         {18, 0, 1},
                         {19, 0, 2},
                         {20, 1, 160.5},
                         {21, 0, 117},
                         {22, 0, 118},
                         {23, 1, 190.5},
                         {24, 1, 200.5},
                         {25, 1, 50 * feed * 0.01},
                         {26, 1, 60 * feed * 0.01},
                         {27, 1, 210.5}};
    for (const Want& x : want) {
        SCOPED_TRACE(x.subtype);
        i32 kind = -1, iv = 0;
        f32 rv = 0;
        MCHVAL(x.subtype, kind, iv, rv, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(kind, x.kind);
        if (kind == 1)
            EXPECT_FLOAT_EQ(rv, static_cast<f32>(x.value));
        else
            EXPECT_EQ(iv, static_cast<i32>(x.value));
    }
    i32 kind = 0, iv = 0;
    f32 rv = 0;
    MCHVAL(15, kind, iv, rv, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("MCHVAL, ERROR IN SUBTYP"));

    // A group of code 0 alone changes only words 12 and 21.
    i32 saved[PRM9_N];
    std::memcpy(saved, PRM9, sizeof saved);
    put_group23(Words{0, 2, 0, 26, 77, 2, 0, 5});
    RMCHTB(AM_APPEND, count, st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(norak::transcript_has("RMCHTB: WRONG PARAMETER, PARAMETER =77"));
    saved[12] = 0;
    saved[21] = R(-2.0f);
    EXPECT_EQ(std::memcmp(saved, PRM9, sizeof saved), 0);
    // A segment longer than a value: its first word is the value, the rest
    // is passed over and reading goes on; one that runs past its block fails.
    Words longer{1, 31, 1, R(7.5f)};
    longer.resize(33, 0);
    longer.insert(longer.end(), {3, 2, 0, 9});
    put_group23(longer);
    RMCHTB(AM_APPEND, count, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(wrd2r(PRM9[0]), 7.5f);
    EXPECT_EQ(PRM9[2], 9);
    put_group23(Words{1, 40, 1});
    RMCHTB(AM_APPEND, count, st);
    EXPECT_LT(st, 0);
    // Segments of count 0 carry no value: their words keep what they held.
    MCHTBL[2] = 44;
    put_group23(Words{1, 1, 1, 57, 1, 1, 3, 2, 0, 12});
    RMCHTB(AM_APPEND, count, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(wrd2r(PRM9[0]), 7.5f);
    EXPECT_EQ(MCHTBL[2], 44);
    EXPECT_EQ(PRM9[2], 12);
}

// A machine-parameter entity is read with its group; an id that cannot be
// opened, or names another kind of entity, fails with its message and
// leaves no entity open and the machine values as they were.
TEST_F(BlocksTest, MachineParameterEntityIsCheckedBeforeItIsRead)
{
    const i32 good = norak::add_entity({0, 9, norak::MCHPRM_TYPE, {0, 0, 0, 4, 1, 2, 1, R(55.0f)}, {}, ""});
    const i32 other = norak::add_entity({0, 9, norak::LCLPRM_TYPE, {0, 0, 0, 4, 1, 2, 1, R(66.0f)}, {}, ""});
    struct Case {
        i32 id, status;
        const char* text;
        f32 feed;
    };
    const Case cases[] = {{good, 0, nullptr, 55.0f},
                          {other, -1, "get_mchprm, NOT A MCHPRM ENTITY. id = ", 55.0f},
                          {other + 50, -1, "get_mchprm, PROBLEMS IN OPENNING ENTITY", 55.0f}};
    for (const Case& c : cases) {
        i32 count = -1, st = 0;
        get_mchprm(c.id, count, st);
        EXPECT_EQ(st, c.status) << c.id;
        if (c.text) {
            EXPECT_TRUE(norak::transcript_has(c.text)) << c.id;
        }
        EXPECT_EQ(norak::open_entity(), 0) << c.id;
        EXPECT_EQ(wrd2r(PRM9[0]), c.feed) << c.id;
    }
}

TEST_F(BlocksTest, TechnologyParametersKeepOneTypePerCode)
{
    for (i32 w = 0; w < 23; ++w) PRM9[w] = NTBDEF(CODES[w]) == 1 ? R(3.5f + static_cast<f32>(w)) : 7 + w;
    PRM9[8] = 1;
    for (i32 k = 0; k < 27; ++k) WRMB[k] = k < 21 ? 40 + k : R(0.25f * static_cast<f32>(k));
    TECHST.requested[1] = 1;
    i32 st = 0;
    std::vector<i32> params{1, 2, 3, 10, 51, 52, 53, 54, 56, 57, 58, 59};
    for (i32 p = 11; p <= 16; ++p) params.push_back(p);
    for (i32 p = 20; p <= 40; ++p) params.push_back(p);
    PRM9[21] = R(12.0f);
    for (i32 p : params) {
        SCOPED_TRACE(p);
        TECHST.status[p] = 2;
        TECHST.wflag[p] = 2;
        PT1MCH(1, p, st);
        ASSERT_EQ(st, 0);
        const TechBlock b = last_technology_block();
        ASSERT_EQ(b.status, 0);
        EXPECT_EQ(b.param, p);
        EXPECT_EQ(b.kind, PRMDEF(p));
        const i32 iv = b.iv;
        const f32 rv = b.rv;
        // The modal state keeps the value in the same type.
        if ((p >= 11 && p <= 16) || (p >= 20 && p <= 40)) {
            i32 word = p <= 16 ? p - 11 : p - 14;
            i32 before = WRMB[word];
            SETMOD(p, iv, rv);
            EXPECT_EQ(WRMB[word], before);
        }
    }
    EXPECT_FALSE(norak::transcript_has("PRMDEF"));
}

// Without the forcing flag a parameter from the machine values or the modal
// state is written when it differs from what was last written, and only then:
// a machine integer (3) and real (51), a modal integer code (12) and a modal
// real (35).
TEST_F(BlocksTest, TechnologyParametersAreWrittenWhenTheyChange)
{
    PRM9[8] = 1;
    PRM9[9] = 4;
    PRM9[13] = R(2.5f);
    WRMB[12 - 11] = 6;
    WRMB[35 - 14] = R(1.5f);
    i32 st = 0;
    for (const i32 p : {3, 51, 12, 35}) {
        SCOPED_TRACE(p);
        TECHST.status[p] = 2;
        TECHST.wflag[p] = 0;
        const size_t before = dump::main_list().size();
        PT1MCH(1, p, st);
        ASSERT_EQ(st, 0);
        EXPECT_EQ(dump::main_list().size(), before + 1);  // new value: written
        PT1MCH(1, p, st);
        EXPECT_EQ(dump::main_list().size(), before + 1);  // the same again: not
    }
    PRM9[9] = 5;
    PRM9[13] = R(3.0f);
    WRMB[12 - 11] = 7;
    WRMB[35 - 14] = R(2.0f);
    for (const i32 p : {3, 51, 12, 35}) {
        SCOPED_TRACE(p);
        const size_t before = dump::main_list().size();
        PT1MCH(1, p, st);
        EXPECT_EQ(dump::main_list().size(), before + 1);
        const TechBlock b = last_technology_block();
        EXPECT_EQ(b.param, p);
        if (b.kind == 0)
            EXPECT_EQ(b.iv, p == 3 ? 5 : 7);
        else
            EXPECT_EQ(b.rv, p == 51 ? 3.0f : 2.0f);
    }
}

TEST_F(BlocksTest, ModalStateByParameterCode)
{
    PRM9[8] = 1;
    SETMOD(2, -500, 0);
    EXPECT_EQ(DSM4[1], 500);
    PRM9[8] = 2;
    SETMOD(2, -500, 0);
    EXPECT_EQ(DSM4[1], -500);
    PRM9[8] = 0;
    SETMOD(2, -500, 0);
    EXPECT_EQ(DSM4[1], 0);
    PRM9[8] = 2;
    SETMOD(10, 0, -3.5f);
    EXPECT_EQ(wrd2r(DSM4[6]), -3.5f);
    PRM9[8] = 1;
    SETMOD(10, 0, -3.5f);
    EXPECT_EQ(wrd2r(DSM4[6]), 3.5f);
    PRM9[12] = 0;
    SETMOD(5, 8, 0);
    EXPECT_EQ(DSM4[4], 0);
    SETMOD(20, 17, 0);
    EXPECT_EQ(WRMB[6], 17);
    SETMOD(35, 0, 2.5f);
    EXPECT_EQ(wrd2r(WRMB[21]), 2.5f);
    SETMOD(55, 4, 0);
    EXPECT_EQ(DSP8[34], 4);
    i32 dsm[DSM4_N];
    std::memcpy(dsm, DSM4, sizeof dsm);
    SETMOD(9, 1, 1);
    EXPECT_EQ(norak::transcript().size(), 0u);
    for (i32 bad : {0, 6, 17, 41, 60, 99, 101, -3}) SETMOD(bad, 1, 1);
    EXPECT_EQ(norak::transcript_count("SETMOD: WRONG PARAMETER"), 8u);
    EXPECT_EQ(std::memcmp(dsm, DSM4, sizeof dsm), 0);
    // Parameter states follow the machine table after it was read.
    TECHST.status[4] = 1;
    TECHST.requested[4] = 6;
    TECHST.status[2] = 2;
    TECHST.status[20] = 2;
    TECHST.wflag[20] = 2;
    PRM9[7] = 900;
    i32 st = 0;
    PRMSTS(st);
    EXPECT_EQ(TECHST.lastcode[4], 6);
    EXPECT_EQ(TECHST.spindle, 900);
    EXPECT_EQ(TECHST.wflag[20], 0);
    PT1MCH(1, 2, st);
    EXPECT_TRUE(dump::main_list().empty());  // nothing changed since the table was read
}

// After the parameter status is applied, each parameter written from the
// machine values holds the value of its own word as the last one written:
// the same value is not written again, a changed one is.
TEST_F(BlocksTest, ParameterStatusPrimesEachSlotFromItsWord)
{
    const auto real = [](i32 w) { return w == 0 || w == 1 || w == 13 || w == 16 || w == 19 || w == 20; };
    for (i32 w = 0; w < PRM9_N; ++w) PRM9[w] = real(w) ? R(1.5f + static_cast<f32>(w)) : 5 + w;
    PRM9[PRM9_DIR] = 1;
    const i32 params[][2] = {{1, 0}, {2, 7}, {3, 9}, {100, 11}, {55, 17}, {10, 1}, {51, 13},
                             {54, 16}, {56, 18}, {57, 19}, {58, 20}};
    for (const auto& pw : params) TECHST.status[pw[0]] = 2;
    TECHST.requested[1] = 1;  // the feed itself
    i32 st = 0;
    PRMSTS(st);
    EXPECT_EQ(st, 0);
    for (const auto& pw : params) {
        PT1MCH(1, pw[0], st);
        EXPECT_TRUE(dump::main_list().empty()) << pw[0];
    }
    for (const auto& pw : params) {
        PRM9[pw[1]] = real(pw[1]) ? R(wrd2r(PRM9[pw[1]]) + 1.0f) : PRM9[pw[1]] + 1;
        const size_t before = dump::main_list().size();
        PT1MCH(1, pw[0], st);
        EXPECT_EQ(dump::main_list().size(), before + 1) << pw[0];
    }
    // A reversed spindle rewrites the spindle speed and then the cutting
    // speed, each with its new sign.
    PRM9[PRM9_DIR] = 2;
    for (i32 p : {2, 10}) {
        const size_t before = dump::main_list().size();
        PT1MCH(1, p, st);
        EXPECT_EQ(dump::main_list().size(), before + 1) << p;
    }
}

// A parameter type outside the table is reported and read as an integer.
TEST_F(BlocksTest, ParameterTypeOutsideTheTableIsReported)
{
    for (i32 t : {0, 6, 8, 41, 50, 60, 99, 101}) {
        const size_t before = norak::transcript_count("PRMDEF: ERROR IN PARAMETER TYPE, PRMTYP =");
        EXPECT_EQ(PRMDEF(t), 0) << t;
        EXPECT_EQ(norak::transcript_count("PRMDEF: ERROR IN PARAMETER TYPE, PRMTYP ="), before + 1) << t;
    }
}
