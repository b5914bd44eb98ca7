#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "core/host.h"
#include "core/records.h"
#include "frame/segstr.h"
#include "platform/norak/norak.h"
#include "platform/norak/recordcalls.h"
#include "session_util.h"
#include "tools/toolcache.h"

namespace {
std::vector<i32> seq(i32 n, i32 base)
{
    std::vector<i32> w(static_cast<size_t>(n));
    for (i32 k = 0; k < n; ++k) w[static_cast<size_t>(k)] = base + k;
    return w;
}

class Records : public ::testing::Test {
protected:
    void SetUp() override
    {
        norak::reset();
        std::memset(PRM9, 0, sizeof PRM9);
        std::memset(HEI8, 0, sizeof HEI8);
    }
};
}  // namespace

TEST_F(Records, StartReadsTheSetAndSavingWritesItInTableOrder)
{
    norak::set_record("BLSK", 4, seq(BLSK_N, 100));
    norak::set_record("HEI8", 1, seq(HEI8_N, 200));
    norak::set_record("NPT1", 4, seq(NPT1_N, 300));
    norak::set_record("UPW2", 1, seq(UPW2_N, 400));
    norak::set_record("PLN1", 4, seq(PLN1_N, 500));
    i32 st = 1;
    SEGSTR(1, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(BLSK[10], 110);
    EXPECT_EQ(HEI8[78], 278);
    EXPECT_EQ(UPW2[1], 401);
    EXPECT_EQ(PRM9[PRM9_TOOL], -1);  // no record: no current tool
    // COOR takes the frame of NPT1 and its origin in machine coordinates.
    EXPECT_EQ(COOR[COOR_FRAME], 300 + NPT1_FRAME);
    EXPECT_EQ(COOR[COOR_ORIGIN + 2], 300 + NPT1_ORIGIN + 2);

    size_t before = norak::record_writes().size();
    PUTRECS(st);
    EXPECT_EQ(st, 0);
    std::vector<std::string> order(norak::record_writes().begin() + static_cast<long>(before),
                                   norak::record_writes().end());
    const std::vector<std::string> want = {"BLSK", "CLP1", "DSM4", "DSP8", "EDA2", "HEI8", "LSP2", "PRM9",
                                           "MCHT", "WRMB", "NPT1", "PLN1", "RAXN", "TLER", "TRS1", "UPW2"};
    EXPECT_EQ(order, want);
    EXPECT_EQ(norak::records()["HEI8"].words, seq(HEI8_N, 200));
    EXPECT_EQ(norak::records()["HEI8"].kind, 1);
    EXPECT_EQ(norak::records()["EDA2"].kind, 3);
    const auto& pln = norak::records()["PLN1"].words;
    EXPECT_EQ(pln[0], 0);
    EXPECT_EQ(pln[2], -1);
    EXPECT_EQ(pln[3], -1);
    EXPECT_EQ(pln[8], -1);
    EXPECT_EQ(pln[1], 501);
    // A refused record fails the set, and every other record is still written.
    norak::refuse_record_store("DSM4", 1);
    before = norak::record_writes().size();
    PUTRECS(st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(norak::record_writes().size() - before, want.size() - 1);
    EXPECT_EQ(norak::record_writes().back(), "UPW2");
}

TEST_F(Records, ToolOfPrm9MustExist)
{
    std::vector<i32> prm(PRM9_N, 0);
    prm[PRM9_TOOL] = 42;
    norak::set_record("PRM9", 4, prm);
    i32 st = 0;
    SEGSTR(1, st);
    EXPECT_EQ(PRM9[PRM9_TOOL], -1);
}

TEST_F(Records, ViewNumberMustBeInRange)
{
    i32 st = 0;
    norak::settings().view = 48;
    SEGSTR(1, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("SEGSTR - VIEW NUMBER OUT OF RANGE !"));
    norak::settings().view = 0;
    SEGSTR(1, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("SEGSTR, NO MACSYS IS CURRENTLY SELECTED"));
    norak::settings().view = 47;
    SEGSTR(1, st);
    EXPECT_EQ(st, 0);
}

TEST_F(Records, OversizedRecordIsRefusedNotWrittenPastTheArea)
{
    norak::set_record("UPW2", 1, seq(50, 1));
    UPW2[0] = 7;
    UPW2[1] = 8;
    i32 guard = TLER[0];
    i32 st = 0;
    SEGSTR(3, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(UPW2[0], 7);
    EXPECT_EQ(UPW2[1], 8);
    EXPECT_EQ(TLER[0], guard);
    EXPECT_TRUE(norak::transcript_has("RECORD UPW2 IS LARGER THAN THE READER'S AREA"));
}

TEST_F(Records, TextsAndNameRecords)
{
    char field[20];
    GSTXT2(2, const_cast<char*>("ABCDEFGHIJKLMNOP"));
    std::memset(field, '#', sizeof field);
    GSTXT2(1, field);
    EXPECT_EQ(std::string(field, 12), "ABCDEFGHIJKL");
    EXPECT_EQ(reinterpret_cast<char*>(TXT2)[21 + 12], '\0');
    GSTXT1(2, const_cast<char*>("FIRST"));
    GSTXT1(1, field);
    EXPECT_EQ(std::string(field, 20), "FIRST               ");
    i32 st = 0;
    PUTTXT(st);
    EXPECT_EQ(norak::records()["TXT2"].words.size(), 17u);
    EXPECT_EQ(norak::records()["TXT2"].kind, 3);

    PPNGS(2, const_cast<char*>("PROCEDURE NAME 12345"));
    PPNPUT(st);
    std::memset(PPN4, 0, sizeof PPN4);
    PPNGET();
    char name[19];
    PPNGS(1, name);
    EXPECT_EQ(std::string(name, 19), "PROCEDURE NAME 1234");

    EDARST(1);
    const auto& eda = norak::records()["EDA2"].words;
    ASSERT_EQ(eda.size(), 20u);
    for (int k = 0; k < 20; ++k) EXPECT_EQ(eda[static_cast<size_t>(k)], (k == 1 || k == 2 || k == 5) ? -1 : 0);
}

TEST_F(Records, TranslationRowsRegisterInOrder)
{
    i32 st = 0;
    TRNREG1(st);
    EXPECT_EQ(st, 0);
    TRNREG2(st);
    EXPECT_EQ(st, 0);
    const auto& rows = norak::translation_rows();
    ASSERT_EQ(rows.size(), 106u);
    EXPECT_EQ(rows[0], (std::array<i32, 4>{696, 3001, 5, -1}));
    EXPECT_EQ(rows[59], (std::array<i32, 4>{732, 3050, 1, -1}));
    EXPECT_EQ(rows[60], (std::array<i32, 4>{607, 3209, 2, 615}));
    EXPECT_EQ(rows[105], (std::array<i32, 4>{835, 3113, 1, -1}));
}

TEST(RecordsSession, PresetRecordsComeBackThroughTheRunner)
{
    RunResult r = run_session(R"({
        "settings": {"machine_type": 23},
        "entities": [{"kind": "plane_patch", "id": 11, "origin": [0, 0, 0], "u_axis": [50, 0, 0],
                      "v_axis": [0, 40, 0]}],
        "records": {"HEI8": {"kind": 1, "words": [50.0, 5.0, 3]},
                    "PLN1": {"kind": 4, "words": [9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9]}},
        "calls": ["tavrek"],
        "replies": [{"pick": 0, "exit": true}, {"pick": 0, "end": true}, {"menu": "ACCEPT", "note": "no surfaces"},
                    {"menu": -1, "note": "leave the parameters"}]})",
                              "records");
    ASSERT_EQ(r.rc, 0) << r.err;
    std::string recs = read_file(r.dir + "/out/records.txt");
    // (the first item's value stays; its expression text is the relation's)
    EXPECT_NE(recs.find("HEI8 kind 1 words 79: 50.0 5.0 "), std::string::npos) << recs;
    EXPECT_NE(recs.find("PLN1 kind 4 words 16: 0 9 -1 -1 9 9 9 9 -1 9"), std::string::npos) << recs;
    // The procedure's parameters and request record, then the record set.
    EXPECT_NE(recs.find("TV27 EDA2 BLSK CLP1 DSM4 DSP8 EDA2 HEI8 LSP2 PRM9 MCHT WRMB NPT1 PLN1 RAXN TLER TRS1 UPW2\n"),
              std::string::npos)
        << recs;
}

TEST(FrequentBackup, IsReadFromTheRealsOfItsRecord)
{
    UPW2[0] = r2wrd(2.0f);
    UPW2[1] = r2wrd(25.0f);
    EXPECT_EQ(UPWEVR(), 25);
    UPW2[0] = 2;  // the integer 2 is no switch of 2.0
    EXPECT_EQ(UPWEVR(), 0);
    UPW2[0] = r2wrd(1.0f);
    EXPECT_EQ(UPWEVR(), 0);
    UPW2[0] = r2wrd(2.0f);
    for (f32 bad : {0.0f, -3.0f, 100000.0f, std::numeric_limits<f32>::quiet_NaN()}) {
        UPW2[1] = r2wrd(bad);
        EXPECT_EQ(UPWEVR(), 0) << bad;
    }
}
