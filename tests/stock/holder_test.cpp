// The tool with its holder: the section table and images, lengthened
// copies, numbered new tools, the tool change written into the path, and
// the library search for a tool that cuts alike and clears the stock.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common.h"
#include "optpath.h"
#include "stock/holder.h"
#include "stock/stkimage.h"
#include "tools/toollib.h"

namespace {

struct Holder : ::testing::Test {
    void SetUp() override
    {
        stocktest::fresh(0.25f);
        std::memset(CMPBLK, 0, sizeof(i32) * CMPBLK_N);
        CMPBLK[CMP_ENLARGE_PCT] = r2wrd(20.0f);
        ASSERT_EQ(stocktest::open(-10, -10, 10, 10), 0);
    }
    std::string name(i32 id)
    {
        char t[21];
        optim_tool_name(id, t);
        return t;
    }
};

TEST_F(Holder, TheSectionsStartAboveTheClearLengthAndAreImagedWidened)
{
    // D4, clear 20; a cone from D10 to D14 over 5 in a step of 8, a step
    // of next to no length widening from D16 to D18, then a cylinder D20.
    const i32 t = opttest::tool("SECTIONS", 4.0f, 1.0f, 12.0f, 20.0f, {{10, 14, 5, 8}, {16, 18, 0, 0.005f}, {20, 20, 0, 30}});
    f32 lengths[HD_MAXS], upper[HD_MAXS];
    i32 flag = -1, st = 0;
    optim_holder_images(t, lengths, upper, flag, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(flag, 0);
    ASSERT_EQ(holder_steps.n, 3);
    EXPECT_EQ(stk_sections, 3);
    EXPECT_FLOAT_EQ(holder_steps.z[0], 20.0f);
    EXPECT_FLOAT_EQ(holder_steps.z[1], 28.0f);
    EXPECT_FLOAT_EQ(holder_steps.z[2], 28.005f);
    EXPECT_FLOAT_EQ(lengths[0], 5.0f);
    EXPECT_FLOAT_EQ(lengths[1], 0.005f);
    EXPECT_FLOAT_EQ(lengths[2], 30.0f);
    // Widened by 20 % (the enlargement word beats sqrt(2) x 0.25 x 200 / 4).
    EXPECT_FLOAT_EQ(upper[0], 14.0f * 1.2f);
    EXPECT_FLOAT_EQ(upper[2], 20.0f * 1.2f);
    // Slot 1 a cone (its key: D, R, taper, length), slot 2 a cylinder of
    // the short step, slot 4 the widened tool.
    for (i32 slot : {1, 2, 3, 4}) {
        stk_image_select(slot, st);
        EXPECT_EQ(st, 0) << slot;
    }
    stk_image_select(1, st);
    EXPECT_GT(stk_img.diam, 12.0f);
    // The short step is imaged as a cylinder of its widened lower diameter.
    stk_image_select(2, st);
    EXPECT_FLOAT_EQ(stk_img.diam, 16.0f * 1.2f);
    EXPECT_FLOAT_EQ(upper[1], 18.0f * 1.2f);
    EXPECT_EQ(stk_enlarged_slot(), 4);
    // A holder that is not used: no sections, the widened tool in slot 1.
    const i32 u = opttest::tool("UNUSED", 4.0f, 1.0f, 12.0f, 20.0f, {{10, 14, 5, 8}}, 1);
    optim_holder_images(u, lengths, upper, flag, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(holder_steps.n, 0);
    EXPECT_EQ(stk_enlarged_slot(), 1);
}

TEST_F(Holder, ExtendedCopiesNewNamesAndTheSameTool)
{
    CURTOL = opttest::tool("ROUGHING CUTTER 12", 4.0f, 1.0f, 12.0f, 20.0f, {{10, 10, 0, 8}, {20, 20, 0, 30}});
    f32 mill[MLREC_N];
    i32 hold[HLDREC_N];
    const f32 lengthen[3] = {3.0f, 2.0f, 0.0f};
    optim_extend_tool(lengthen, 1, mill, hold);
    EXPECT_FLOAT_EQ(mill[ML_CLRLNG], 23.0f);
    EXPECT_FLOAT_EQ(wrd2r(hold[HD_STEP]), 10.0f);
    EXPECT_FLOAT_EQ(wrd2r(hold[HD_STEP + 1]), 30.0f);
    const f32 insert[3] = {0.0f, 4.0f, 1.0f};
    optim_extend_tool(insert, 2, mill, hold);
    EXPECT_EQ(hold[HD_NSTEP], 3);
    EXPECT_FLOAT_EQ(wrd2r(hold[HD_LOWER]), 10.0f);
    EXPECT_FLOAT_EQ(wrd2r(hold[HD_UPPER]), 10.0f);
    EXPECT_FLOAT_EQ(wrd2r(hold[HD_STEP]), 4.0f);
    EXPECT_FLOAT_EQ(wrd2r(hold[HD_STEP + 1]), 9.0f);
    const f32 longer[3] = {2.0f, 1.0f, 0.0f};
    optim_extend_tool(longer, 2, mill, hold);
    EXPECT_FLOAT_EQ(mill[ML_LNGTHN], 1.0f);
    EXPECT_FLOAT_EQ(mill[ML_CLRLNG], 22.0f);
    EXPECT_EQ(hold[HD_NSTEP], 3);
    EXPECT_FLOAT_EQ(wrd2r(hold[HD_LOWER + 1]), 10.0f);
    // New tools: the first 15 characters, an underscore, three digits.
    i32 id = 0, st = 0;
    optim_new_tool(mill, hold, id, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(name(id), "ROUGHING CUTTER_001");
    f32 clear = 0;
    GTCLRL(id, clear);
    EXPECT_FLOAT_EQ(clear, 22.0f);
    i32 id2 = 0;
    optim_new_tool(mill, hold, id2, st);
    EXPECT_EQ(name(id2), "ROUGHING CUTTER_002");
    EXPECT_EQ(optim_same_tool(CURTOL, id), 1);
    const i32 tapered = opttest::tool("TAPERED", 4.0f, 1.0f, 12.0f, 20.0f, {}, 2, 3.0f);
    EXPECT_EQ(optim_same_tool(CURTOL, tapered), 0);
    const i32 blank = opttest::tool("", 4.0f, 1.0f, 12.0f, 20.0f, {});
    EXPECT_EQ(name(blank), "");
}

// The record's drop flag takes its first section out (and is handed back);
// on a record that counts no section it leaves none, and the images are
// built. A holder of twelve steps has no room for a section more: a copy
// asked to grow one stays as it is.
TEST_F(Holder, TheDropFlagTakesTheFirstSectionOutAndAFullHolderGetsNoSectionMore)
{
    const i32 t = opttest::tool("DROPPED", 4.0f, 1.0f, 12.0f, 20.0f, {{10, 14, 5, 8}, {20, 20, 0, 30}});
    std::vector<i32>& h = norak::entities()[norak::entities()[t].words[TH_HOLD]].words;
    h[HD_DROP] = 1;
    TLCCLR();
    f32 lengths[HD_MAXS], upper[HD_MAXS];
    i32 flag = -1, st = 0;
    optim_holder_images(t, lengths, upper, flag, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(flag, 1);
    ASSERT_EQ(holder_steps.n, 1);
    EXPECT_FLOAT_EQ(lengths[0], 30.0f);
    EXPECT_FLOAT_EQ(upper[0], 20.0f * 1.2f);
    h[HD_NSTEP] = 0;
    TLCCLR();
    optim_holder_images(t, lengths, upper, flag, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(holder_steps.n, 0);
    // A full holder whose first section is dropped: every later section
    // moves down whole, the last one too.
    std::vector<opttest::Step> steps;
    auto d = [](i32 k) { return 10.0f + 1.37f * f32(k); };
    auto len = [](i32 k) { return 3.1f + 0.29f * f32(k); };
    for (i32 k = 0; k < HD_MAXS; ++k) steps.push_back({d(k), d(k), 0.0f, len(k)});
    const i32 full = opttest::tool("FULL DROPPED", 4.0f, 1.0f, 12.0f, 20.0f, steps);
    norak::entities()[norak::entities()[full].words[TH_HOLD]].words[HD_DROP] = 1;
    TLCCLR();
    optim_holder_images(full, lengths, upper, flag, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(holder_steps.n, HD_MAXS - 1);
    f32 z = 20.0f;
    for (i32 i = 0; i < HD_MAXS - 1; ++i) {
        EXPECT_FLOAT_EQ(lengths[i], len(i + 1)) << i;
        EXPECT_NEAR(upper[i], d(i + 1) * 1.2f, 1e-4f) << i;
        EXPECT_NEAR(holder_steps.z[i], z, 1e-4f) << i;
        z += len(i + 1);
    }

    CURTOL = opttest::tool("FULL HOLDER", 4.0f, 1.0f, 12.0f, 20.0f, std::vector<opttest::Step>(HD_MAXS, {20, 20, 0, 5}));
    f32 mill[MLREC_N];
    i32 hold[HLDREC_N];
    // No room for a section more: the lengths go onto the clear length and
    // the sections as they are, so the copy is not the same tool.
    f32 grow[HD_MAXS] = {2.0f, 1.0f};
    optim_extend_tool(grow, 2, mill, hold);
    EXPECT_EQ(hold[HD_NSTEP], HD_MAXS);
    EXPECT_FLOAT_EQ(mill[ML_CLRLNG], 22.0f);
    EXPECT_FLOAT_EQ(mill[ML_LNGTHN], 0.0f);
    EXPECT_FLOAT_EQ(wrd2r(hold[HD_STEP]), 6.0f);
}

// The required lengths go onto the sections in use as the section table
// counts them: behind a dropped first section (which stays as it is), and
// onto the extensions after the steps. Sections A (step 8), B (30), C (12),
// each way: lengthened in place, a new first section in front of those in
// use, the tool lengthened and the sections moved up.
TEST_F(Holder, TheLengthsGoOntoTheSectionsInUse)
{
    struct Case {
        i32 drop, steps, extensions, mode;
        std::vector<f32> required, clear_len;  // clear_len: the clear length and the record's steps
        i32 count;                              // the record's step count after
        f32 inserted_lower;                     // lower diameter of the section put in front (-1: none)
    } cases[] = {
        {1, 3, 0, 1, {3, 2, 5}, {23, 8, 32, 12}, 3, -1},             // B grows, C is the last in use
        {1, 3, 0, 2, {0, 4, 1}, {20, 8, 4, 31, 12}, 4, 12},          // a section of B's lower diameter in front of B
        {1, 3, 0, 2, {2, 1, 0.5f}, {22, 8, 1, 30.5f, 12}, 4, 0},     // a zero section in front of B
        {0, 2, 1, 1, {0, 2, 3}, {20, 10, 33, 12}, 2, -1},            // C an extension: N = 3
        {0, 2, 1, 2, {0, 4, 1, 2}, {20, 4, 9, 32, 12}, 3, 10},       // the extension stays behind the steps
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.drop << " " << c.steps << " " << c.extensions << " " << c.mode << " "
                                          << c.required[0]);
        CURTOL = opttest::tool("IN USE", 4.0f, 1.0f, 12.0f, 20.0f, {{10, 10, 0, 8}, {12, 14, 3, 30}, {20, 20, 0, 12}});
        std::vector<i32>& h = norak::entities()[norak::entities()[CURTOL].words[TH_HOLD]].words;
        h[HD_DROP] = c.drop, h[HD_NSTEP] = c.steps, h[HD_EXTN] = c.extensions;
        TLCCLR();
        f32 required[HD_MAXS + 1] = {0}, mill[MLREC_N];
        std::copy(c.required.begin(), c.required.end(), required);
        i32 hold[HLDENT_N];
        optim_extend_tool(required, c.mode, mill, hold);
        EXPECT_FLOAT_EQ(mill[ML_CLRLNG], c.clear_len[0]);
        for (size_t k = 1; k < c.clear_len.size(); ++k)
            EXPECT_FLOAT_EQ(wrd2r(hold[HD_STEP + k - 1]), c.clear_len[k]) << "section " << k - 1;
        EXPECT_EQ(hold[HD_NSTEP], c.count);
        EXPECT_EQ(hold[HD_EXTN], c.extensions);
        if (c.inserted_lower >= 0.0f) {
            EXPECT_FLOAT_EQ(wrd2r(hold[HD_LOWER + c.drop]), c.inserted_lower);
        }
    }
}

TEST(HolderPasses, TheBlockNumberBasesOfAPassFollowTheHolderMode)
{
    // base 500; mode 5 with four rows in use (passes 0 to 3), mode 4, mode 3.
    struct Case {
        i32 mode, pass, first, next;
    } cases[] = {{5, 0, 500, 1500}, {5, 2, 2500, 3500}, {5, 3, 3500, 500}, {4, 1, 1500, 10500}, {3, 0, 500, 500}};
    for (const Case& c : cases) {
        CMPBLK[CMP_HOLDER] = c.mode;
        CMPBLK[CMP_TOOL_ROWS] = 4;
        i32 first = 0, next = 0;
        optim_pass_blocks(c.pass, 500, first, next);
        EXPECT_EQ(first, c.first) << c.mode << " " << c.pass;
        EXPECT_EQ(next, c.next) << c.mode << " " << c.pass;
    }
}

TEST_F(Holder, TheReplacementIsTheToolOfSmallestClearLengthWithinTheLengthenedProfile)
{
    const std::vector<opttest::Step> holder{{10, 10, 0, 30}};
    const i32 cur = opttest::tool("CURRENT", 4.0f, 1.0f, 12.0f, 20.0f, holder);
    CURTOL = cur;
    const f32 ext[2] = {5.0f, 0.0f};
    i32 best = 0, st = 0;
    EXPECT_EQ(optim_find_tool(cur, ext, best, st), 0);  // only the current tool
    const i32 longer = opttest::tool("LONGER", 4.0f, 1.0f, 12.0f, 30.0f, holder);
    const i32 exact = opttest::tool("EXACT", 4.0f, 1.0f, 12.0f, 25.0f, holder);
    opttest::tool("SHORT", 4.0f, 1.0f, 12.0f, 22.0f, holder);                      // holder too low
    opttest::tool("WIDER", 4.0001f, 1.0f, 12.0f, 25.0f, holder);                   // cuts otherwise
    opttest::tool("IGNORED", 4.0f, 1.0f, 12.0f, 24.0f, {{10, 10, 0, 30}}, 1);      // holder not in use
    EXPECT_EQ(optim_find_tool(cur, ext, best, st), 1);
    EXPECT_EQ(best, exact);
    const f32 more[2] = {8.0f, 0.0f};
    EXPECT_EQ(optim_find_tool(cur, more, best, st), 1);
    EXPECT_EQ(best, longer);
    const f32 most[2] = {12.0f, 0.0f};
    EXPECT_EQ(optim_find_tool(cur, most, best, st), 0);
    // The host lets go of its arrays (a new session): the search lists the
    // library into a new one.
    SetUp();
    const i32 again = opttest::tool("AGAIN", 4.0f, 1.0f, 12.0f, 20.0f, holder);
    const i32 fits = opttest::tool("FITS", 4.0f, 1.0f, 12.0f, 25.0f, holder);
    EXPECT_EQ(optim_find_tool(again, ext, best, st), 1);
    EXPECT_EQ(best, fits);
}

// The first tool the library lists is looked at too; a candidate whose
// record counts its sections as two extensions, the first no wider than the
// tool, is measured with that section taken into its clear length.
TEST_F(Holder, TheSearchLooksAtTheFirstToolListedAndTakesANarrowFirstExtensionIntoTheClearLength)
{
    const std::vector<opttest::Step> holder{{10, 10, 0, 30}};
    const i32 first = opttest::tool("LISTED FIRST", 4.0f, 1.0f, 12.0f, 25.0f, holder);
    const i32 cur = opttest::tool("CURRENT", 4.0f, 1.0f, 12.0f, 20.0f, holder);
    CURTOL = cur;
    const f32 ext[2] = {5.0f, 0.0f};
    i32 best = 0, st = 0;
    EXPECT_EQ(optim_find_tool(cur, ext, best, st), 1);
    EXPECT_EQ(best, first);
    // A neck of the tool's width over 5, then the holder: as high as the
    // first tool's, and of the smaller clear length.
    const i32 necked = opttest::tool("NECKED", 4.0f, 1.0f, 12.0f, 20.0f, {{4, 4, 0, 5}, {10, 10, 0, 30}});
    std::vector<i32>& h = norak::entities()[norak::entities()[necked].words[TH_HOLD]].words;
    h[HD_NSTEP] = 0;
    h[HD_EXTN] = 2;
    TLCCLR();
    EXPECT_EQ(optim_find_tool(cur, ext, best, st), 1);
    EXPECT_EQ(best, necked);
}

}  // namespace

namespace {
// The current tool's holder narrows to a neck over its first 10 above the
// clear length: a tool whose holder is wide right from the lengthened clear
// length would stand where the neck leaves room, and is no replacement even
// when listed first; one of the same holder is.
TEST_F(Holder, TheSearchKeepsTheNeckOfTheCurrentHolder)
{
    const std::vector<opttest::Step> necked{{6, 6, 0, 10}, {10, 10, 0, 30}};
    const i32 cur = opttest::tool("CURRENT", 4.0f, 1.0f, 12.0f, 20.0f, necked);
    CURTOL = cur;
    const i32 wide = opttest::tool("WIDE", 4.0f, 1.0f, 12.0f, 25.0f, {{10, 10, 0, 30}});
    const i32 same = opttest::tool("SAME", 4.0f, 1.0f, 12.0f, 25.0f, necked);
    const f32 ext[3] = {5.0f, 0.0f, 0.0f};
    i32 best = 0, st = 0;
    EXPECT_EQ(optim_find_tool(cur, ext, best, st), 1);
    EXPECT_EQ(best, same);
    // A holder whose record counts its sections as two extensions, the last
    // narrower than the one before, is measured without that last one: both
    // candidates of clear length 25 then fit, and the first listed stays.
    const i32 topped = opttest::tool("TOPPED", 4.0f, 1.0f, 12.0f, 20.0f, {{10, 10, 0, 30}, {6, 6, 0, 10}});
    std::vector<i32>& h = norak::entities()[norak::entities()[topped].words[TH_HOLD]].words;
    h[HD_NSTEP] = 0;
    h[HD_EXTN] = 2;
    TLCCLR();
    CURTOL = topped;
    EXPECT_EQ(optim_find_tool(topped, ext, best, st), 1);
    EXPECT_EQ(best, wide);
}
}  // namespace
