// Ground services that only later subsystems call: the value forms of the
// coded reads, the height translation rows, the module flag words and the
// third and fourth procedure texts.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "core/codedio.h"
#include "core/hgttrn.h"
#include "core/host.h"
#include "core/modflg.h"
#include "core/records.h"
#include "platform/norak/norak.h"

namespace {
// An open entity holding the words.
void open_words(const std::vector<i32>& words)
{
    norak::Entity e;
    e.cls = 9, e.type = 8, e.words = words;
    const i32 id = norak::add_entity(e);
    i32 cls = 0, type = 0, len = 0, st = 0;
    eopen(id, cls, type, len, st);
    ASSERT_EQ(st, 0);
}
}  // namespace

TEST(CodedValueReads, LogicalsFoldAndLegacyWordsPassUnchanged)
{
    norak::reset();
    open_words({0, 5, -3, 1, 0x7f000000, 9});
    i32 buf[4] = {7, 7, 7, 7}, st = 1;
    tpgetl(MED_ENTITY, 3, DT_LOGICAL, buf, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(buf[1], 1);
    EXPECT_EQ(buf[2], 1);
    EXPECT_EQ(buf[3], 7);  // only the count read
    // An integer read by the same route keeps its values.
    tpgetl(MED_ENTITY, 1, DT_INT, buf, st);
    EXPECT_EQ(buf[0], 1);
    // The third argument is not looked at: the words come as integers.
    tpget3(MED_ENTITY, 1, DT_REAL, buf, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(buf[0], 0x7f000000);
    // Past the end of the entity.
    tpget3(MED_ENTITY, 4, 0, buf, st);
    EXPECT_EQ(st, -2);
    eclose();
}

TEST(HeightRows, RegisteredInOrder)
{
    norak::reset();
    i32 st = 5;
    HGTTRN(st);
    EXPECT_EQ(st, 0);
    const std::vector<std::array<i32, 4>> want = {{870, 366, 1, -1},   {873, 367, 2, 874},   {878, 368, 2, 879},
                                                 {880, 3303, 1, -1},  {881, 3304, 1, -1},   {1340, 3325, 2, 1343},
                                                 {1047, 3302, 1, -1}, {1048, 3301, 1, -1}};
    EXPECT_EQ(norak::translation_rows(), want);
}

TEST(ModuleFlags, StoresSurviveTheResetAndTheFlagsDoNot)
{
    i32 d = 41;
    f32 e = 2.5f;
    MFLGS1(2, d);
    MFLGS2(2, e);
    i32 f = 0;
    MFLGS3(2, f);  // any mode but 1 sets the link word
    MFLRST();
    i32 a = -1, b = -1;
    MFLGT3(a);
    MFLGT1(b);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
    i32 d2 = 0;
    f32 e2 = 0;
    MFLGS1(1, d2);
    MFLGS2(1, e2);
    EXPECT_EQ(d2, 41);
    EXPECT_EQ(e2, 2.5f);
    // Other modes neither get nor set.
    i32 d3 = 99;
    f32 e3 = 9.5f;
    MFLGS1(3, d3);
    MFLGS2(0, e3);
    EXPECT_EQ(d3, 99);
    EXPECT_EQ(e3, 9.5f);
    MFLGS1(1, d3);
    MFLGS2(1, e3);
    EXPECT_EQ(d3, 41);
    EXPECT_EQ(e3, 2.5f);
    // The link word: back to 1 at the reset, then set by mode 7.
    i32 link = 0;
    MFLGS3(1, link);
    EXPECT_EQ(link, 1);
    i32 zero = 0;
    MFLGS3(7, zero);
    MFLGS3(1, link);
    EXPECT_EQ(link, 0);
    MFLRST();
}

TEST(ProcedureTexts, ThirdAndFourthTextsKeepTheirOwnFields)
{
    std::memset(TXT2, 0, sizeof TXT2);
    char t1[21] = "FIRST TEXT", t3[21] = "THIRD TEXT OF TWENTY", t4[13] = "FOURTH";
    GSTXT1(2, t1);
    GSTXT3(2, t3);
    GSTXT4(2, t4);
    char out3[21] = {0}, out4[13] = {0}, out1[21] = {0};
    GSTXT3(1, out3);
    GSTXT4(1, out4);
    GSTXT1(1, out1);
    EXPECT_EQ(std::string(out3, 20), "THIRD TEXT OF TWENTY");
    EXPECT_EQ(std::string(out4, 12), "FOURTH      ");  // blank-padded to 12
    EXPECT_EQ(std::string(out1, 20), "FIRST TEXT          ");
    // The 68 bytes: text 3 starts after text 1 and 2 with their NULs.
    const char* raw = reinterpret_cast<const char*>(TXT2);
    EXPECT_EQ(std::string(raw + 34, 20), "THIRD TEXT OF TWENTY");
    EXPECT_EQ(raw[54], '\0');
    EXPECT_EQ(std::string(raw + 55, 6), "FOURTH");
    EXPECT_EQ(raw[61], '\0');
    // A shorter text replaces a longer one whole.
    char t3b[21] = "SHORT";
    GSTXT3(2, t3b);
    GSTXT3(1, out3);
    EXPECT_EQ(std::string(out3, 20), "SHORT               ");
    std::memset(TXT2, 0, sizeof TXT2);
}
