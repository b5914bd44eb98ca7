#include <gtest/gtest.h>

#include <vector>

#include "core/host.h"
#include "library.h"

namespace {

std::vector<i32> flags()
{
    std::vector<i32> on;
    for (i32 t = 1; t <= 10; ++t)
        if (TLFILT[t - 1]) on.push_back(t);
    return on;
}

std::vector<i32> slot_ids(i32 slot)
{
    std::vector<i32> ids;
    i32 n = 0;
    TLSCNT(slot, n);
    for (i32 k = 1; k <= n; ++k) {
        i32 id = 0, st = 0;
        TLSGET(slot, k, id, st);
        ids.push_back(id);
    }
    return ids;
}

TEST(ToolLibrary, TypeFilterFamilies)
{
    TYPFLT(0, 2); EXPECT_EQ(flags(), (std::vector<i32>{2}));
    TYPFLT(0, 9); EXPECT_EQ(flags(), (std::vector<i32>{9}));
    TYPFLT(1, 1); EXPECT_EQ(flags(), (std::vector<i32>{1, 2}));
    TYPFLT(1, 2); EXPECT_EQ(flags(), (std::vector<i32>{1, 2}));
    for (i32 t : {3, 8, 9, 10}) { TYPFLT(1, t); EXPECT_EQ(flags(), (std::vector<i32>{3, 8, 9, 10})); }
    for (i32 t : {4, 5, 6, 7}) { TYPFLT(1, t); EXPECT_EQ(flags(), (std::vector<i32>{t})); }
    TYPFLT(1, 11); EXPECT_TRUE(flags().empty());
    TYPFLT(0, 0); EXPECT_TRUE(flags().empty());
}

TEST(ToolLibrary, SlotsKeepTheFirstPlaceOfEachTool)
{
    fresh();
    i32 st = 0, id = 0, n = 0;
    TLSRST(1);
    TLSADD(1, 103, st); EXPECT_EQ(st, 0);
    TLSADD(1, 101, st); EXPECT_EQ(st, 0);
    TLSADD(1, 103, st); EXPECT_EQ(st, 1);
    TLSADD(1, -1, st); EXPECT_EQ(st, 1);  // no tool: nothing added
    EXPECT_EQ(slot_ids(1), (std::vector<i32>{103, 101}));
    TLSGET(1, 3, id, st); EXPECT_EQ(st, -5); EXPECT_EQ(id, -1);
    TLSGET(1, 0, id, st); EXPECT_EQ(st, -5);
    TLSGET(11, 1, id, st); EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("TLSGET, WRONG SLOT NUMBER 11"));

    // Growth past the first block of entries, then the release.
    for (i32 k = 0; k < 70; ++k) TLSADD(2, 1000 + k, st);
    TLSCNT(2, n); EXPECT_EQ(n, 70);
    TLSGET(2, 70, id, st); EXPECT_EQ(id, 1069);
    EXPECT_EQ(norak::open_arrays(), 2);
    reltol(1, st); EXPECT_EQ(st, 0);
    reltol(2, st); EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::open_arrays(), 0);
    TLSCNT(2, n); EXPECT_EQ(n, 0);
    TLSRST(1);
    TLSCNT(1, n); EXPECT_EQ(n, 0);
}

TEST(ToolLibrary, SlotMemoryFailuresAreReported)
{
    fresh();
    i32 st = 0;
    norak::fail_alloc_after(1);
    TLSADD(1, 101, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("TLSADD, DYNAMIC MEMORY ERROR"));
    TLSADD(1, 101, st); EXPECT_EQ(st, 0);
    norak::reset();  // the host forgot the slot's memory
    reltol(1, st);
    EXPECT_EQ(st, -5);
    EXPECT_TRUE(norak::transcript_has("reltol, CLOSE DYNAMIC MEMORY ERROR"));
    TLSINI();
}

TEST(ToolLibrary, FillAndCheckHonourTheFilter)
{
    fresh();
    i32 n = 0, st = 0;
    TYPFLT(0, TT_MILL);
    TLSFIL(1, n, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(slot_ids(1), (std::vector<i32>{101, 102, 103, 104, 105}));
    TLSRST(1);
    TYPFLT(1, TT_DRILL);
    TLSFIL(1, n, st);
    EXPECT_EQ(n, 6);
    EXPECT_EQ(slot_ids(1), (std::vector<i32>{110, 101, 102, 103, 104, 105}));
    TLSRST(1);
    TYPFLT(0, TT_THREAD);  // a type without tools in this part: no table applies
    TLSFIL(1, n, st);
    EXPECT_EQ(st, 1); EXPECT_EQ(n, 0);
    TYPFLT(0, 0);
    TLSFIL(1, n, st);
    EXPECT_EQ(st, 1);

    TYPFLT(0, TT_MILL);
    TLSCHK(101, st); EXPECT_EQ(st, 0);
    TLSCHK(110, st); EXPECT_EQ(st, 1);
    TLSCHK(999, st); EXPECT_EQ(st, 1);
    TLSCHK(200, st); EXPECT_EQ(st, 1);
    reltol(1, st);
}

TEST(ToolLibrary, RecordTablesNamesAndCycles)
{
    fresh();
    i32 id = 0, found = 0, st = 0;
    FNDTNM("Ball 8              ", 0, id, found);
    EXPECT_EQ(found, 1); EXPECT_EQ(id, 102);
    FNDTNM("BALL 8              ", TT_DRILL, id, found);
    EXPECT_EQ(found, 0); EXPECT_EQ(id, -1);
    FNDTNM("BALL                ", 0, id, found);
    EXPECT_EQ(found, 0);

    // Names from the tables leave the cache alone.
    f32 v = 0;
    GTDIAM(104, v);
    char n[20];
    GTTNMI(101, n, st, 20);
    EXPECT_EQ(st, 0); EXPECT_EQ(std::string(n, 20), pad20("FLAT 10"));
    GTTNMI(999, n, st, 20);
    EXPECT_EQ(st, -1); EXPECT_EQ(std::string(n, 20), std::string(20, ' '));
    EXPECT_EQ(TLCBLK.id, 104);

    GTCYNM(81, n); EXPECT_EQ(std::string(n, 20), pad20("DRILL"));
    GTCYNM(82, n); EXPECT_EQ(std::string(n, 20), std::string(20, ' '));

    CRTTAB(TT_MILL, st); EXPECT_EQ(st, 0);
    CRTTAB(TT_THREAD, st); EXPECT_EQ(st, -1);
    LSTTLB(TT_PUNCH, 3, st); EXPECT_EQ(st, 0);
    EXPECT_EQ(slot_ids(3), (std::vector<i32>{130, 131}));
    reltol(3, st);
}

}  // namespace
