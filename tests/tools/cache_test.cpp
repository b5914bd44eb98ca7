#include <gtest/gtest.h>

#include <cstring>

#include "core/host.h"
#include "library.h"

namespace {

struct Mill {
    i32 id;
    f32 d, r, cut, clr, taper;
};

TEST(ToolCache, MillsLoadByIdAndAnswerTheirFields)
{
    fresh();
    const Mill mills[] = {{101, 10, 0, 25, 40, 0}, {102, 8, 4, 20, 30, 0}, {103, 12, 2, 30, 45, 0}, {104, 6, 0.5f, 18, 35, 5}};
    // Twice round, so that every read reloads another tool.
    for (int pass = 0; pass < 2; ++pass)
        for (const Mill& m : mills) {
            f32 v = 0;
            f64 dv = 0;
            i32 t = 0;
            GTDIAM(m.id, v); EXPECT_FLOAT_EQ(v, m.d);
            GTDIAD(m.id, dv); EXPECT_DOUBLE_EQ(dv, m.d);
            GTCRNR(m.id, v); EXPECT_FLOAT_EQ(v, m.r);
            GTCUTL(m.id, v); EXPECT_FLOAT_EQ(v, m.cut);
            GTCLRL(m.id, v); EXPECT_FLOAT_EQ(v, m.clr);
            GTTAPA(m.id, v); EXPECT_FLOAT_EQ(v, m.taper);
            GTTSIZ(m.id, v); EXPECT_FLOAT_EQ(v, m.d);
            GTTTYP(m.id, t); EXPECT_EQ(t, TT_MILL);
            // The drill accessors have nothing to say about a mill.
            GTDRDI(m.id, v); EXPECT_EQ(v, -1.0f);
            GTDRTA(m.id, v); EXPECT_EQ(v, -1.0f);
            EXPECT_EQ(TLCBLK.id, m.id);
        }
    EXPECT_EQ(name20(101), pad20("FLAT 10"));  // upper-cased
    char c[20], text[20];
    GTTNMC(102, c);
    EXPECT_STREQ(c, "BALL 8");
    GTTTXT(102, text);
    EXPECT_EQ(std::string(text, 20), pad20("FINISHING"));
    GTTTXT(101, text);
    EXPECT_EQ(std::string(text, 20), pad20("NO TEXT"));

    f32 rec[12];
    GTMREC(101, rec);
    EXPECT_FLOAT_EQ(rec[ML_DIAMTR], 10);
    EXPECT_FLOAT_EQ(rec[ML_CLRLNG], 40);
    EXPECT_FLOAT_EQ(rec[ML_LIFLNG], 2.5f);
    EXPECT_FLOAT_EQ(TLCBLK.LIFLNG, 2.5f);
    // No accessor call leaves a message.
    EXPECT_EQ(norak::transcript().size(), 0u);
}

TEST(ToolCache, DrillsAnswerTheirOwnAccessorsOnly)
{
    fresh();
    f32 v = 0;
    f64 dv = 0;
    f32 rec[12];
    for (i32 id : {110, 111}) {
        GTDIAM(id, v); EXPECT_EQ(v, -1.0f);
        GTDIAD(id, dv); EXPECT_EQ(dv, -1.0);
        GTCRNR(id, v); EXPECT_EQ(v, -1.0f);
        GTCUTL(id, v); EXPECT_EQ(v, -1.0f);
        GTCLRL(id, v); EXPECT_EQ(v, -1.0f);
        GTTAPA(id, v); EXPECT_EQ(v, -1.0f);
        GTMREC(id, rec); EXPECT_EQ(rec[0], -1.0f); EXPECT_EQ(rec[11], -1.0f);
        EXPECT_EQ(TLCBLK.LIFLNG, -1.0f);
    }
    GTDRDI(110, v); EXPECT_FLOAT_EQ(v, 8.5f);
    GTDRTA(110, v); EXPECT_FLOAT_EQ(v, 118);
    GTDRCU(110, v); EXPECT_FLOAT_EQ(v, 40);
    GTDRCL(110, v); EXPECT_FLOAT_EQ(v, 60);
    GTTSIZ(110, v); EXPECT_FLOAT_EQ(v, 8.5f);
    GTDRDI(111, v); EXPECT_FLOAT_EQ(v, 3);
    GTDRTA(111, v); EXPECT_FLOAT_EQ(v, 90);
    i32 t = 0;
    GTTTYP(111, t); EXPECT_EQ(t, TT_LDRILL);
}

TEST(ToolCache, OldestRecordsAnswerTaperZero)
{
    fresh();
    f32 v = -5;
    GTTAPA(105, v); EXPECT_EQ(v, 0.0f);  // version 591: the taper word is not read
    GTDIAM(105, v); EXPECT_FLOAT_EQ(v, 6);
    GTTAPA(104, v); EXPECT_FLOAT_EQ(v, 5);  // version 592 has it
}

TEST(ToolCache, WhatCannotBeLoadedAnswersNothing)
{
    fresh();
    for (i32 id : {999, -1, 0, 200}) {  // unknown, none, none, an entity of another class
        f32 v = 0;
        i32 t = 0, s = 0, codes[5];
        char c[20] = "X";
        GTDIAM(id, v); EXPECT_EQ(v, -1.0f);
        GTTSIZ(id, v); EXPECT_EQ(v, -1.0f);
        GTFEED(id, v); EXPECT_EQ(v, -1.0f);
        GTVLOC(id, v); EXPECT_EQ(v, -1.0f);
        GTSPIN(id, s); EXPECT_EQ(s, -1);
        GTTTYP(id, t); EXPECT_EQ(t, -1);
        GTSYMM(id, s); EXPECT_EQ(s, -1);
        GTAGGN(id, s); EXPECT_EQ(s, -1);
        GTCHGC(id, codes); EXPECT_EQ(codes[4], -1);
        EXPECT_EQ(name20(id), std::string(20, ' '));
        GTTNMC(id, c); EXPECT_STREQ(c, "");
        EXPECT_EQ(TLCBLK.id, -1);
    }
    EXPECT_EQ(norak::transcript().size(), 0u);
}

TEST(ToolCache, WireAndPunchToolsAnswerTheirFields)
{
    fresh();
    i32 v = 0, codes[5];
    f32 r = 0;
    GTAGGN(120, v); EXPECT_EQ(v, 3);
    GTAGFL(120, v); EXPECT_EQ(v, 2);
    GTAGOF(120, v); EXPECT_EQ(v, 11);
    GTAGPA(120, r); EXPECT_FLOAT_EQ(r, 1.5f);
    GTMKCC(120, v); EXPECT_EQ(v, -1);
    GTCHGC(121, codes);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(codes[k], k + 1);
    GTCHOF(121, v); EXPECT_EQ(v, 7);
    GTCHCR(121, v); EXPECT_EQ(v, 21);
    GTCHAR(121, v); EXPECT_EQ(v, 22);
    GTAGOF(121, v); EXPECT_EQ(v, -1);
    GTMKCC(122, v); EXPECT_EQ(v, 42);
    GTMKOF(122, v); EXPECT_EQ(v, 9);
    GTCHOF(122, v); EXPECT_EQ(v, -1);
    for (i32 id : {120, 121, 122}) { GTTSIZ(id, r); EXPECT_EQ(r, 10.0f); }
    GTTSIZ(130, r); EXPECT_FLOAT_EQ(r, 20);  // round punch: its diameter
    GTTSIZ(131, r); EXPECT_FLOAT_EQ(r, 15);  // other shapes: the length
    GTTSIZ(140, r); EXPECT_EQ(r, -1.0f);     // lathe tools have no drawing size
    GTDIAM(130, r); EXPECT_EQ(r, -1.0f);
}

TEST(ToolCache, OverrideLastsUntilTheNextReload)
{
    fresh();
    f32 v = 0;
    GTDIAM(101, v);
    STDIAM(11.0f);
    STCRNR(0.25f);
    STCUTL(27.0f);
    GTDIAM(101, v); EXPECT_FLOAT_EQ(v, 11);
    GTCRNR(101, v); EXPECT_FLOAT_EQ(v, 0.25f);
    GTCUTL(101, v); EXPECT_FLOAT_EQ(v, 27);
    GTDIAM(102, v); EXPECT_FLOAT_EQ(v, 8);  // another id reloads
    GTDIAM(101, v); EXPECT_FLOAT_EQ(v, 10);  // and the override is gone
    GTCRNR(101, v); EXPECT_FLOAT_EQ(v, 0);
    GTCUTL(101, v); EXPECT_FLOAT_EQ(v, 25);

    // An override never reaches the entity, nor a tool of another type.
    STDIAM(13.0f);
    TLTINI();
    GTDIAM(101, v); EXPECT_FLOAT_EQ(v, 10);
    GTDRDI(110, v);
    STDIAM(99.0f);
    GTDRDI(110, v); EXPECT_FLOAT_EQ(v, 8.5f);
}

TEST(ToolCache, TechnologyOfTheCurrentCase)
{
    fresh();
    i32 s = 0;
    f32 v = 0, f = 0;
    TLTCAS = 1;
    GTSPIN(101, s), GTVLOC(101, v), GTFEED(101, f);
    EXPECT_EQ(s, 3000); EXPECT_FLOAT_EQ(v, 94.2f); EXPECT_FLOAT_EQ(f, 600);
    TLTCAS = 2;
    GTSPIN(101, s), GTFEED(101, f);
    EXPECT_EQ(s, 2000); EXPECT_FLOAT_EQ(f, 400);
    TLTCAS = 3;
    GTFEED(101, f); EXPECT_LT(f, 0.0f);  // given without a feed: not set
    GTSPIN(101, s); EXPECT_EQ(s, 1000);
    TLTCAS = 4;
    GTFEED(101, f); EXPECT_LT(f, 0.0f);  // no such case
    TLTCAS = 9;
    GTSPIN(101, s); EXPECT_EQ(s, 3000);  // out of range: case 1
    TLTCAS = 1;
}

TEST(ToolCache, EditedFeedsPersistThroughModeSix)
{
    fresh();
    i32 st = -9, s = 0;
    f32 f = 0, v = 0;
    TLTCAS = 2;
    SGTOOL(3, 101, st);
    ASSERT_EQ(st, 0);
    STFEED(450.0f);
    STSPIN(2500);
    STVLOC(70.0f);
    GTFEED(101, f); EXPECT_FLOAT_EQ(f, 450);
    SGTOOL(6, 101, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(CURTOL, 101);

    TLTINI();  // a fresh cache reads the entities again
    TLTCAS = 2;
    GTFEED(101, f), GTSPIN(101, s), GTVLOC(101, v);
    EXPECT_FLOAT_EQ(f, 450); EXPECT_EQ(s, 2500); EXPECT_FLOAT_EQ(v, 70);
    TLTCAS = 1;
    GTFEED(101, f); EXPECT_FLOAT_EQ(f, 600);  // the other cases are untouched

    // A tool without technology entities gets one for the edited case.
    size_t before = norak::entities().size();
    TLTCAS = 3;
    SGTOOL(3, 102, st);
    GTFEED(102, f); EXPECT_LT(f, 0.0f);
    STFEED(300.0f);
    SGTOOL(6, 102, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::entities().size(), before + 1);
    TLTINI();
    TLTCAS = 3;
    GTFEED(102, f); EXPECT_FLOAT_EQ(f, 300);
    TLTCAS = 1;
    GTFEED(102, f); EXPECT_LT(f, 0.0f);
}

TEST(ToolCache, EditsStayWhenTheyCannotBeStored)
{
    fresh();
    i32 st = 0;
    f32 f = 0;
    TLTCAS = 1;
    SGTOOL(3, 101, st);
    STFEED(123.0f);
    norak::entities().erase(101);  // the tool vanished from the part
    SGTOOL(6, 101, st);
    EXPECT_NE(st, 0);
    EXPECT_TRUE(norak::transcript_has("TLSTEC, CANNOT STORE THE TECHNOLOGY OF TOOL 101"));
    EXPECT_FLOAT_EQ(wrd2r(TLCBLK.tech[0][TC_FEED]), 123.0f);
    EXPECT_EQ(TLCBLK.id, 101);
    (void)f;
}

TEST(ToolCache, CurrentToolAndCachedToolAreKeptApart)
{
    fresh();
    i32 st = 0;
    f32 v = 0;
    SGTOOL(3, 102, st);
    EXPECT_EQ(st, 0); EXPECT_EQ(CURTOL, 102);
    GTDIAM(101, v);  // loads another tool into the cache only
    EXPECT_EQ(CURTOL, 102); EXPECT_EQ(TLCBLK.id, 101);
    TLCACH(3, 103, st);
    EXPECT_EQ(st, 0); EXPECT_EQ(CURTOL, 102); EXPECT_EQ(TLCBLK.id, 103);
    SGTOOL(3, 999, st);  // a failed load keeps the current tool
    EXPECT_NE(st, 0); EXPECT_EQ(CURTOL, 102);
    RLDTOL(104, st);
    EXPECT_EQ(st, 0); EXPECT_EQ(CURTOL, 104);
    SGTOOL(4, 101, st);
    EXPECT_NE(st, 0);
    EXPECT_TRUE(norak::transcript_has("SGTOOL, WRONG MODE VALUE 4"));
}

TEST(ToolCache, LoadingLeavesTheOpenEntityAlone)
{
    fresh();
    i32 cls = 0, type = 0, len = 0, st = 0, w = 0;
    eopen(200, cls, type, len, st);
    ASSERT_EQ(st, 0);
    egeti(1, &w); EXPECT_EQ(w, 1);
    f32 v = 0;
    GTDIAM(101, v);
    i32 hold[HLDREC_N];
    RDTHLD(101, hold, st);
    egeti(1, &w); EXPECT_EQ(w, 2);  // the cursor went on where it was
    EXPECT_EQ(norak::open_entity(), 200);
    eclose();
}

TEST(ToolCache, CorruptToolEntitiesAreReported)
{
    std::string s = LIBRARY;
    s.insert(s.find("\"entities\": [") + 13,
             R"({"kind": "raw", "id": 300, "class": 20, "type": 2, "words": [700, 2]},
                {"kind": "raw", "id": 301, "class": 20, "type": 2,
                 "words": [700, 2, 0,0,0,0,0, 0,0,0,0,0, 0, 0, 0, 9, 0,0,0,0,0, 12]},)");
    fresh(s);
    f32 v = 0;
    i32 t = 0;
    GTDIAM(300, v); EXPECT_EQ(v, -1.0f);
    GTTTYP(301, t); EXPECT_EQ(t, -1);
    EXPECT_TRUE(norak::transcript_has("TLLOAD, CORRUPT TOOL ENTITY. id = 300"));
    EXPECT_TRUE(norak::transcript_has("TLLOAD, CORRUPT TOOL ENTITY. id = 301"));
    GTDIAM(101, v); EXPECT_FLOAT_EQ(v, 10);
}

TEST(ToolCache, HoldersAreReadAndWritten)
{
    fresh();
    i32 hdr[TLHDR_N], holder = 0, hmode = 0, st = 0;
    RDTOOL(101, hdr, holder, hmode, st);
    EXPECT_EQ(st, 0); EXPECT_EQ(holder, 50); EXPECT_EQ(hmode, 2); EXPECT_EQ(hdr[TH_TYPE], TT_MILL);
    RDTOOL(999, hdr, holder, hmode, st);
    EXPECT_NE(st, 0); EXPECT_EQ(holder, 0); EXPECT_EQ(hmode, 0);

    i32 rec[HLDREC_N];
    HLDREC(1, 50, rec, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(rec[HD_NSTEP], 2);
    EXPECT_FLOAT_EQ(wrd2r(rec[HD_LOWER]), 30); EXPECT_FLOAT_EQ(wrd2r(rec[HD_UPPER]), 40);
    EXPECT_FLOAT_EQ(wrd2r(rec[HD_CONE]), 10); EXPECT_FLOAT_EQ(wrd2r(rec[HD_STEP]), 50);
    EXPECT_FLOAT_EQ(wrd2r(rec[HD_LOWER + 1]), 40); EXPECT_FLOAT_EQ(wrd2r(rec[HD_STEP + 1]), 30);
    EXPECT_EQ(rec[HD_DROP], 0); EXPECT_EQ(rec[HD_EXTN], 1);

    // The cache carries the holder; a written holder reaches it and the area.
    f32 v = 0;
    GTDIAM(101, v);
    EXPECT_EQ(TLCBLK.hold[HD_NSTEP], 2);
    rec[HD_STEP] = r2wrd(65.0f);
    HLDREC(2, 50, rec, st);
    EXPECT_EQ(st, 0);
    EXPECT_FLOAT_EQ(wrd2r(TLCBLK.hold[HD_STEP]), 65);
    dbdholdr(1, 50, st);
    EXPECT_EQ(st, 0); EXPECT_FLOAT_EQ(wrd2r(HLDARA[HD_STEP]), 65);
    i32 other[HLDREC_N];
    RDTHLD(101, other, st);
    EXPECT_EQ(st, 0); EXPECT_EQ(std::memcmp(other, rec, sizeof rec), 0);
    RDTHLD(102, other, st);  // no holder: no steps
    EXPECT_EQ(st, 0); EXPECT_EQ(other[HD_NSTEP], 0);

    // A step count past 12 is refused both ways.
    rec[HD_NSTEP] = 13;
    HLDREC(2, 50, rec, st);
    EXPECT_NE(st, 0);
    norak::entities()[50].words[HD_NSTEP] = 13;
    HLDREC(1, 50, rec, st);
    EXPECT_EQ(st, -2);
    EXPECT_TRUE(norak::transcript_has("HLDREC, CORRUPT HOLDER ENTITY. id = 50"));
}

TEST(ToolCache, SymbolOfTheToolOrOfItsType)
{
    std::string s = LIBRARY;
    fresh(s);
    i32 sym = 0;
    GTSYMM(103, sym); EXPECT_EQ(sym, 77);
    GTSYMM(101, sym); EXPECT_EQ(sym, 0);
    // The library index names a symbol master per type.
    auto& ix = norak::records()["SYT2"].words;
    ix[3 * (TT_MILL - 1) + SY_SYMB] = 5;
    TLTINI();
    GTSYMM(101, sym); EXPECT_EQ(sym, 5);
    GTSYMM(103, sym); EXPECT_EQ(sym, 77);
}

}  // namespace
