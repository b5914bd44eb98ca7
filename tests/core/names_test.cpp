#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/host.h"
#include "core/names.h"
#include "core/records.h"
#include "platform/norak/norak.h"

namespace {
class Names : public ::testing::Test {
protected:
    void SetUp() override { norak::reset(); }
    std::string last() { return norak::transcript().empty() ? "" : norak::transcript().back(); }
};
}  // namespace

TEST_F(Names, ProcedureTypeNames)
{
    char n[8];
    FNCNAM(28, n);
    EXPECT_EQ(std::string(n, 8), "TAVREK  ");
    FNCNAM(9, n);
    EXPECT_EQ(std::string(n, 8), "TAVREK  ");
    char a[8], b[8];
    for (auto [x, y] : {std::pair{2, 3}, {4, 27}, {13, 37}, {15, 36}, {21, 31}, {22, 32}, {34, 38}}) {
        FNCNAM(x, a);
        FNCNAM(y, b);
        EXPECT_EQ(std::string(a, 8), std::string(b, 8)) << x << " " << y;
    }
    FNCNAM(57, n);
    EXPECT_EQ(std::string(n, 8), "        ");
    EXPECT_EQ(last(), "internal: FNCNAM, ERROR IN CODE");
}

TEST_F(Names, UserProcedureNames)
{
    norak::settings().user_names = {"MILLING", "SURFACE"};
    norak::settings().user_map[8] = 2;   // code 9
    norak::settings().user_map[9] = 3;   // index past the count
    gtncfn(NCFNAM, NCFCNT, NCFMAP);
    char n[8];
    PRCNAM(9, n);
    EXPECT_EQ(std::string(n, 8), "SURFACE ");
    PRCNAM(10, n);
    EXPECT_EQ(std::string(n, 8), "        ");
    PRCNAM(101, n);
    EXPECT_EQ(std::string(n, 8), "        ");
    char t[16] = "XXXXXXXXXXXX";
    PRCNMC(9, t);
    EXPECT_STREQ(t, "SURFACE");
    norak::settings().extflag = 1;
    PRCNAM(10, n);
    EXPECT_EQ(std::string(n, 8), "GO      ");
}

TEST_F(Names, StatusLineFields)
{
    MUTBLN(1, 123456789);
    EXPECT_EQ(last(), "field 1.14: [BLK=1234567 ]");
    MUTBLN(1, -1);
    EXPECT_EQ(last(), "field 1.14: [            ]");
    MUTTXT(1, "TOOL", 1234);
    EXPECT_EQ(last(), "field 2.13: [TOOL    =123]");
    MUTTX8(1, "LONGLABELTEXT", 7);
    EXPECT_EQ(last(), "field 2.13: [LONGLABE=7  ]");
    MUTTXT(1, "TOOL", 0);
    EXPECT_EQ(last(), "field 2.13: [            ]");
}

TEST_F(Names, PositionFieldsByMachineKind)
{
    f32 pos[3] = {10, 20, 30}, axis[3] = {0, 0, 1}, origin[3] = {1, 2, 3};
    NPT1[NPT1_MACHINE] = 25;
    MUTPOS(1, pos, axis, origin);
    EXPECT_TRUE(norak::transcript_has("field 1.1: [X=9.000     ]"));
    EXPECT_TRUE(norak::transcript_has("field 1.3: [Z=27.000    ]"));
    EXPECT_TRUE(norak::transcript_has("field 1.10: [K=1.000     ]"));
    norak::reset();
    NPT1[NPT1_MACHINE] = 31;
    MUTPOS(1, pos, axis, origin);
    EXPECT_TRUE(norak::transcript_has("field 1.1: [MACHINE COOR]"));
    EXPECT_TRUE(norak::transcript_has("field 1.8: [MACSYS COOR ]"));
    EXPECT_TRUE(norak::transcript_has("field 1.9: [X=9.000     ]"));
    EXPECT_TRUE(norak::transcript_has("field 1.10: [Y=18.000    ]"));
    EXPECT_TRUE(norak::transcript_has("field 1.2: [X=18.000    ]"));
    EXPECT_TRUE(norak::transcript_has("field 1.3: [Z=9.000     ]"));
    // A value that cannot be converted ends the display after the fields
    // already drawn.
    norak::reset();
    NPT1[NPT1_MACHINE] = 0;
    pos[1] = std::nanf("");
    MUTPOS(1, pos, axis, origin);
    EXPECT_TRUE(norak::transcript_has("field 1.1: [X=9.000     ]"));
    EXPECT_TRUE(norak::transcript_has("internal: MUTPOS, ERROR IN CVR2TD"));
    EXPECT_FALSE(norak::transcript_has("field 1.2:"));
    EXPECT_FALSE(norak::transcript_has("field 1.8:"));
}

TEST_F(Names, MenuLayoutFollowsScreenHeight)
{
    norak::settings().screen_height = 1000;
    MNULAY();
    EXPECT_EQ(MNULYW.rows, 22);
    EXPECT_EQ(MNULYW.columns, 6);
    norak::settings().screen_height = 1001;
    MNULAY();
    EXPECT_EQ(MNULYW.rows, 28);
    EXPECT_EQ(MNULYW.columns, 7);
    EXPECT_EQ(MNULYW.fixed_rows, 22);
    i32 current = 0, st = -1;
    MNUINT(0, 5, current, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(current, 5);
}

TEST_F(Names, SpaceKeyAndForcedBreak)
{
    norak::Reply key;
    key.kind = "key";
    key.after_polls = 2;
    norak::add_reply(key);
    i32 hit = 0;
    SPCHIT(hit);
    EXPECT_EQ(hit, 0);
    SPCHIT(hit);
    EXPECT_EQ(hit, 1);
    SPCARM(3);
    SPCHIT(hit);
    EXPECT_EQ(hit, 0);
    SPCHIT(hit);
    EXPECT_EQ(hit, 0);
    SPCHIT(hit);
    EXPECT_EQ(hit, 1);
    SPCHIT(hit);
    EXPECT_EQ(hit, 0);
}
