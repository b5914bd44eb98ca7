// A whole optimizer run over two slots in a block joined by feed moves in
// the air: the air becomes a rapid link, the feeds follow the stock the
// slots cut, the run gives the same blocks twice, and the rewritten path
// re-stamped into a fresh stock removes what the original path removes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common.h"
#include "frame/cmpblk.h"
#include "optpath.h"
#include "path.h"
#include "blocks/procblk.h"
#include "core/codedio.h"
#include "stock/holder.h"
#include "stock/optedit.h"
#include "stock/optrun.h"
#include "stock/stkrun.h"
#include "stock/stkstamp.h"
#include "stock/stkimage.h"
#include "tests/common/tooldefs.h"

namespace {

using opttest::Move;
using stocktest::Path;

constexpr f32 D = 10.0f;

struct OptimRun : ::testing::Test {
    i32 tool = 0;
    // The holder's images and the tool's, and the path open, as the run
    // leaves them before the enlarged-tool stage.
    void ready_for_the_stage()
    {
        i32 st = 0, flag = 0;
        f32 lengths[HD_MAXS], upper[HD_MAXS];
        optim_holder_images(CURTOL, lengths, upper, flag, st);
        ASSERT_EQ(st, 0);
        stk_tool_image(0, D, 0.0f, 20.0f, 0.0f, st);
        ASSERT_EQ(st, 0);
        optim_open_list(2, st);
        ASSERT_GE(st, 0);
    }
    // The holder: one section clear of the block (steps -1), or twelve
    // sized sections of which the record counts `steps` as steps and
    // `extensions` as extensions.
    i32 steps = -1, extensions = 0;
    void SetUp() override { fresh(); }
    // island: an island of 10 over x 20..30 and a path of two cuts joined
    // by a rapid at z 3 through it, instead of the two slots; without its
    // tail the second cut is the plunge alone, the path's last move.
    std::vector<i32> cuts;  // the island path's cutting moves
    void fresh(bool island = false, bool tail = true)
    {
        stocktest::fresh(0.25f);
        STKPOS = nullptr;  // the list in force is the procedure's
        CMPDEF();
        CMPBLK[CMP_SAFETY] = r2wrd(1.0f);
        CMPBLK[CMP_LINK_HEIGHT] = 2;
        opttest::machine();
        tool = opttest::tool("RUNNER", D, 0.0f, 20.0f, 30.0f, {{20, 20, 0, 30}});  // a holder clear of the block
        if (steps >= 0) {
            tool = opttest::tool("MANY STEPS", D, 0.0f, 20.0f, 30.0f, std::vector<opttest::Step>(HD_MAXS, {20, 20, 0, 5}));
            std::vector<i32>& h = norak::entities()[norak::entities()[tool].words[TH_HOLD]].words;
            h[HD_NSTEP] = steps;
            h[HD_EXTN] = extensions;
            TLCCLR();
        }
        CURTOL = tool;
        ASSERT_EQ(stocktest::open(-40, -30, 90, 30), 0);
        StkCell* c = stk_cells();
        for (i32 j = 0; j < stk_grid.ny; ++j)
            for (i32 i = 0; i < stk_grid.nx; ++i) {
                const double x = stocktest::cx(i), y = stocktest::cy(j);
                c[j * stk_grid.nx + i].h1 = x >= 0 && x < 60 && std::fabs(y) < 20 ? 0.0f : STK_NONE;
                if (island && x >= 20 && x <= 30 && std::fabs(y) < 5) c[j * stk_grid.nx + i].h1 = 10.0f;
            }
        i32 a = 0;
        norak::start_toolpath();
        lacces(3, a);
        if (island) {
            Path p;
            p.tool(tool);
            p.feed(-1.0f);
            p.line(5.0f, 0.0f, 5.0f);
            p.feed(1000.0f);
            cuts = {p.line(5.0f, 0.0f, -1.0f), p.line(12.0f, 0.0f, -1.0f)};
            p.feed(-1.0f);
            p.line(12.0f, 0.0f, 3.0f);
            p.line(40.0f, 0.0f, 3.0f);
            p.feed(1000.0f);
            cuts.push_back(p.line(40.0f, 0.0f, -1.0f));
            if (tail) cuts.push_back(p.line(55.0f, 0.0f, -1.0f));
            opttest::counter_past(p.next);
            return;
        }
        // Two slots at y -8 and 8, 2 deep, joined by feed moves in the air.
        Path p;
        p.tool(tool);
        p.feed(-1.0f);
        p.line(-20.0f, -8.0f, 10.0f);
        p.feed(1000.0f);
        p.line(-20.0f, -8.0f, -2.0f);
        p.line(50.0f, -8.0f, -2.0f);
        p.line(50.0f, -8.0f, 5.0f);
        p.line(50.0f, 8.0f, 5.0f);
        p.line(50.0f, 8.0f, -2.0f);
        p.line(-20.0f, 8.0f, -2.0f);
        p.feed(-1.0f);
        p.line(-20.0f, 8.0f, 10.0f);
        opttest::counter_past(p.next);
    }
    void stages(bool on)
    {
        CMPBLK[CMP_HOLDER] = on ? 3 : 1;
        CMPBLK[CMP_ENLARGE] = on ? 2 : 1;
        CMPBLK[CMP_LINK] = on ? 2 : 1;
        CMPBLK[CMP_FEED] = on ? 2 : 1;
    }
    i32 run(i32 mode)
    {
        i32 st = 0;
        stk_optim_run(mode, 0, st);
        return st;
    }
    std::vector<f32> heights()
    {
        std::vector<f32> h;
        StkCell* c = stk_cells();
        for (i32 k = 0; k < stk_grid.ncells; ++k) h.push_back(c[k].h1);
        return h;
    }
};

TEST_F(OptimRun, TheAirBecomesRapidsTheFeedsFollowTheStockAndTheRunIsRepeatable)
{
    stages(true);
    ASSERT_EQ(run(1), 0);
    const auto once = opttest::snapshot();
    const std::vector<Move> m = opttest::moves();
    EXPECT_EQ(CMPBLK[CMP_CHANGED], 1);
    for (const Move& k : m) {
        // No feed move is left running at z 5 between the slots.
        if (k.p[2] == 5.0f) {
            EXPECT_LT(k.feed, 0.0f) << k.number;
        }
        // Through the block at the base feed, out to the air at 110 %.
        if (k.p[2] == -2.0f && k.p[0] == 50.0f && k.p[1] == -8.0f) {
            EXPECT_EQ(k.feed, 1000.0f);
        }
    }
    ASSERT_GE(m.size(), 3u);
    EXPECT_EQ(m[m.size() - 2].feed, 1100.0f);  // the second slot leaving the block
    EXPECT_LT(m.back().feed, 0.0f);             // the air after it: one retract
    EXPECT_EQ(m.back().p[0], m[m.size() - 2].p[0]);
    fresh();
    stages(true);
    ASSERT_EQ(run(1), 0);
    EXPECT_EQ(opttest::snapshot(), once);
}

TEST_F(OptimRun, TheRewrittenPathRemovesWhatTheOriginalRemovesWithinOneCell)
{
    stages(false);
    ASSERT_EQ(run(1), 0);  // every stage off: the stock only
    const std::vector<f32> original = heights();
    fresh();
    stages(true);
    ASSERT_EQ(run(1), 0);
    const std::vector<f32> optimized = heights();
    const i32 nx = stk_grid.nx, ny = stk_grid.ny;
    i32 differ = 0;
    for (i32 j = 0; j < ny; ++j)
        for (i32 i = 0; i < nx; ++i) {
            const f32 h = optimized[j * nx + i];
            bool near = false;
            for (i32 dj = -1; dj <= 1 && !near; ++dj)
                for (i32 di = -1; di <= 1 && !near; ++di) {
                    const i32 a = i + di, b = j + dj;
                    if (a < 0 || b < 0 || a >= nx || b >= ny) continue;
                    near = std::fabs(original[b * nx + a] - h) < 1e-3f;
                }
            differ += near ? 0 : 1;
        }
    EXPECT_EQ(differ, 0);
    // With every stage off, mode 1 is mode 0: the stock only, the path as it was.
    fresh();
    const auto path = opttest::snapshot();
    ASSERT_EQ(run(0), 0);
    EXPECT_EQ(heights(), original);
    EXPECT_EQ(opttest::snapshot(), path);
}

// A point list whose first point begins a tool record is stamped from its
// third point, as the same list without the record.
TEST_F(OptimRun, APointListBeginningWithAToolRecordIsStampedFromItsThirdPoint)
{
    auto stamp = [&](const std::vector<f32>& pts) {
        i32 ph = -1, bh = -1, st = 0;
        void *pb = nullptr, *bb = nullptr;
        const i32 n = static_cast<i32>(pts.size() / 3);
        stk_tool_image(0, D, 0.0f, 20.0f, 0.0f, st);
        EXPECT_EQ(st, 0);
        MM_OPEN_ARRAY(12, n, ph, pb, st);
        MM_OPEN_ARRAY(4, n, bh, bb, st);
        std::copy(pts.begin(), pts.end(), static_cast<f32*>(pb));
        for (i32 k = 0; k < n; ++k) static_cast<i32*>(bb)[k] = k + 1;
        stk_stamp_points(ph, bh, n, st);
        MM_CLOSE(ph, st);
        MM_CLOSE(bh, st);
        return st;
    };
    const std::vector<f32> path = {10, 0, 5, 10, 0, -1, 30, 0, -1};
    ASSERT_EQ(stamp(path), 0);
    const std::vector<f32> plain = heights();
    EXPECT_LT(plain[static_cast<size_t>(stk_grid.nx * (stk_grid.ny / 2) + stk_grid.nx / 2)], 0.0f);
    fresh();
    std::vector<f32> with = {1.0e8f, D, 0.0f, 20.0f, 0.0f, 0.0f};
    with.insert(with.end(), path.begin(), path.end());
    ASSERT_EQ(stamp(with), 0);
    EXPECT_EQ(heights(), plain);
}

// A drill is stamped as a flat cylinder of its cut length when its half tip
// angle is above 89 degrees, else as a cone 0.01 wide of its tip's height.
TEST(StockToolShape, ADrillIsACylinderAboveEightyNineDegreesElseTheConeOfItsTip)
{
    stocktest::fresh(0.25f);
    struct Case {
        f32 cut, D, L, T;  // the cut length (the tip angle is 10 more), the shape
    };
    for (const Case& c : {Case{170.0f, 6.0f, 170.0f, 0.0f}, Case{168.5f, 6.0f, 168.5f, 0.0f},
                          Case{108.0f, 0.01f, 5.99f * 0.5f / std::tan(59.0f * f32(M_PI) / 180.0f), 59.0f},
                          Case{167.0f, 0.01f, 5.99f * 0.5f / std::tan(88.5f * f32(M_PI) / 180.0f), 88.5f}}) {
        const i32 drill = tooldefs::make_tool(1, 6.0f, 0.0f, c.cut, 0.0f);
        f32 d = 0, r = -1, l = 0, t = 0;
        stk_tool_shape(drill, d, r, l, t);
        EXPECT_FLOAT_EQ(d, c.D) << c.cut;
        EXPECT_EQ(r, 0.0f);
        EXPECT_NEAR(l, c.L, 1e-4f * c.L) << c.cut;
        EXPECT_FLOAT_EQ(t, c.T) << c.cut;
    }
    // A mill's values go as it gives them: a negative corner radius is kept,
    // for the image to refuse.
    f32 d = 0, r = 0, l = 0, t = 0;
    stk_tool_shape(tooldefs::make_tool(2, 6.0f, -1.0f, 20.0f, 0.0f), d, r, l, t);
    EXPECT_EQ(r, -1.0f);
    i32 st = 0;
    stk_tool_image(0, d, r, l, t, st);
    EXPECT_EQ(st, -1);
}

}  // namespace

namespace {

// The rapid is lifted over the island, and every cut stays: also the
// plunge after it when that plunge is the path's last move (the walk counts
// the list's last move, and does not take the path for ending in rapids).
TEST_F(OptimRun, TheEnlargedToolStageLiftsARapidThroughAnIslandOverIt)
{
    // The origin and home set below are put back for the tests after this one.
    struct KeepNpt1 {
        i32 words[NPT1_N];
        KeepNpt1() { std::copy(NPT1, NPT1 + NPT1_N, words); }
        ~KeepNpt1() { std::copy(words, words + NPT1_N, NPT1); }
    } keep;
    for (bool tail : {true, false}) {
        SCOPED_TRACE(tail);
        fresh(true, tail);
        CMPBLK[CMP_ENLARGE] = 2;
        NPT1[NPT1_ORIGIN + 2] = r2wrd(1.5f);  // the warning's height is over the origin's Z
        NPT1[NPT1_HOME] = r2wrd(9.0f);
        ASSERT_EQ(run(1), 0);
        bool over = false;
        const std::vector<Move> m = opttest::moves();
        for (const Move& k : m) {
            if (k.p[0] > 14.0f && k.p[0] < 38.0f) {
                EXPECT_GE(k.p[2], 11.0f - 1e-4f) << k.p[0];
            }
            if (k.p[0] == 40.0f && k.p[2] >= 11.0f - 1e-4f && k.feed < 0.0f) over = true;
        }
        EXPECT_TRUE(over);
        for (i32 c : cuts) EXPECT_EQ(std::count_if(m.begin(), m.end(), [&](const Move& k) { return k.number == c && k.feed > 0.0f; }), 1) << c;
        ASSERT_FALSE(m.empty());
        EXPECT_EQ(m.back().number, cuts.back());
        EXPECT_GE(rapid_top, 11.0f - 1e-4f);
        // The rapids rose above the clearance height: said once for the run,
        // after the tool is drawn where the path ends.
        EXPECT_EQ(norak::transcript_count("WARNING : DUE TO GOUGING - FAST MOTION EXCEEDS CLEAR HEIGHT Z = "), 1u);
        const std::vector<std::string>& t = norak::transcript();
        size_t drawn = t.size(), warned = t.size();
        for (size_t k = 0; k < t.size(); ++k) {
            if (t[k].rfind("figure ", 0) == 0 && t[k].find(": tool " + std::to_string(tool)) != std::string::npos)
                drawn = k;
            if (t[k].find("WARNING : DUE TO GOUGING") != std::string::npos) warned = k;
        }
        EXPECT_LT(drawn, warned);
        ASSERT_LT(warned, t.size());
        const std::string& w = t[warned];
        EXPECT_NEAR(std::stof(w.substr(w.find("Z = ") + 4)), rapid_top - 1.5f, 1e-3f) << w;
    }
}

// A list access refused at any place of the enlarged tool's walk (the n-th,
// n over the whole stage): the stage fails, or goes through with the rapid
// lifted over the island; either way every cut stays. Taken for the list's
// end, a refusal after the rapids would relink them to the path's end and
// delete the cuts after them; one before them would leave the rapid through
// the island and report the stage done.
TEST_F(OptimRun, ARefusedListAccessFailsTheEnlargedToolStageAndKeepsEveryCut)
{
    for (bool tail : {true, false}) {
        SCOPED_TRACE(tail);
        i32 refused = 0, done = 0;
        for (i32 n = 1; n < 400 && done < 3; ++n) {
            fresh(true, tail);
            i32 st = 0;
            ready_for_the_stage();
            norak::fail_list_call("lacces", n);
            optim_enlarged_stage(st);
            const bool hit = norak::transcript_has("lacces refused");
            norak::fail_list_call("lacces", 0);
            const std::vector<Move> m = opttest::moves();
            for (i32 c : cuts) {
                EXPECT_EQ(std::count_if(m.begin(), m.end(), [&](const Move& k) { return k.number == c; }), 1)
                    << "n = " << n << ", cut " << c;
            }
            if (st < 0) {
                ++refused;
                continue;
            }
            EXPECT_EQ(st, 0) << n;
            done += hit ? 0 : 1;  // no refusal left to come: the stage went through whole
            bool over = false;
            for (const Move& k : m) over = over || (k.p[0] == 40.0f && k.p[2] >= 11.0f - 1e-4f && k.feed < 0.0f);
            EXPECT_TRUE(over) << "n = " << n;
        }
        EXPECT_GT(refused, 5);
        EXPECT_GT(done, 0);
    }
}

// A line block cut short after the island path's rapids, as a rapid or as
// a cut: the stage fails (it does not walk on for ever relinking the rapids
// in front of the damaged block) and no cut is lost. Taken for the path's
// end, the block would end the stage as done and relink the rapids before
// it to the path's end, deleting the cuts after them.
TEST_F(OptimRun, ABlockCutShortAfterRapidsFailsTheEnlargedToolStageAndKeepsEveryCut)
{
    for (f32 feed : {-1.0f, 1000.0f}) {
        SCOPED_TRACE(feed);
        fresh(true);
        i32 a = 0;
        norak::start_toolpath();
        lacces(3, a);
        Path p;
        p.tool(tool);
        p.feed(-1.0f);
        p.line(5.0f, 0.0f, 5.0f);
        p.feed(1000.0f);
        std::vector<i32> kept = {p.line(5.0f, 0.0f, -1.0f), p.line(12.0f, 0.0f, -1.0f)};
        p.feed(-1.0f);
        p.line(12.0f, 0.0f, 3.0f);
        p.feed(feed);
        p.raw({2, p.next++, r2wrd(40.0f), r2wrd(0.0f)});  // a line without its Z
        p.feed(1000.0f);
        kept.push_back(p.line(40.0f, 0.0f, -1.0f));
        kept.push_back(p.line(55.0f, 0.0f, -1.0f));
        opttest::counter_past(p.next);
        i32 st = 0;
        ready_for_the_stage();
        optim_enlarged_stage(st);
        EXPECT_EQ(st, -1);
        const std::vector<Move> m = opttest::moves();
        for (i32 c : kept)
            EXPECT_GE(std::count_if(m.begin(), m.end(), [&](const Move& k) { return k.number == c; }), 1) << c;
    }
}

// A drill location followed by rapids, with a cut after them or with the
// path ending in them: the drill location has no end point to link from, so
// the rapids after it stay as they are and the stage goes through with the
// cycle and every cut kept.
TEST_F(OptimRun, TheEnlargedToolStageLinksNoRapidsFromADrillLocation)
{
    for (bool cut_after : {true, false}) {
        SCOPED_TRACE(cut_after);
        fresh();
        i32 a = 0, st = 0;
        norak::main_list().elems.clear();
        norak::start_toolpath();
        lacces(3, a);
        Path p;
        p.tool(tool);
        p.feed(-1.0f);
        p.line(5.0f, 0.0f, 5.0f);
        p.feed(1000.0f);
        const i32 first = p.line(5.0f, 0.0f, -1.0f);
        const f32 z[3] = {0, 0, 1}, hole[3] = {20, 0, 0};
        PTBT30(AM_LIST, 81, 0, 1.0f, 4.0f, 2.0f, 1, 10.0f, p.next++, st);
        const i32 drill = p.next;
        PTBT31(AM_LIST, hole, z, 0, p.next++, st);
        PTBT34(AM_LIST, 2, 0, p.next++, st);
        ASSERT_EQ(st, 0);
        p.feed(-1.0f);
        p.line(20.0f, 0.0f, 8.0f);
        p.line(40.0f, 0.0f, 8.0f);
        i32 last = -1;
        if (cut_after) p.feed(1000.0f), last = p.line(40.0f, 0.0f, -1.0f);
        opttest::counter_past(p.next);
        ready_for_the_stage();
        optim_enlarged_stage(st);
        EXPECT_EQ(st, 0);
        const std::vector<Move> m = opttest::moves();
        for (i32 n : {first, drill, last}) {
            if (n <= 0) continue;
            EXPECT_EQ(std::count_if(m.begin(), m.end(), [&](const Move& k) { return k.number == n; }), 1) << n;
        }
    }
}

// A tool path list the host cannot reach fails the run, stock only or with
// the stages: nothing is stamped or rewritten, and the failure is the run's
// status (a run ended with 0 has its stock marked valid).
TEST_F(OptimRun, AListTheHostCannotReachFailsTheRun)
{
    for (bool on : {false, true}) {
        SCOPED_TRACE(on);
        fresh();
        stages(on);
        const auto before = opttest::snapshot();
        const std::vector<f32> stock = heights();
        norak::fail_list_call("lacces", 1);
        EXPECT_LT(run(on ? 1 : 0), 0);
        norak::fail_list_call("lacces", 0);
        EXPECT_TRUE(norak::transcript_has("optim_open_list, ERROR IN LIST"));
        EXPECT_EQ(opttest::snapshot(), before);
        EXPECT_EQ(heights(), stock);
    }
}

// A holder record counting more sections than its 12 steps hold (12 steps
// and 4 extensions) stops the run with a message before any stage, and the
// path stays as it was; a record of 11 steps and one extension is run.
TEST_F(OptimRun, AHolderCountingMoreSectionsThanItsRecordHoldsIsRefused)
{
    steps = 12, extensions = 4;
    fresh();
    stages(true);
    const auto before = opttest::snapshot();
    EXPECT_EQ(run(1), -1);
    EXPECT_TRUE(norak::transcript_has("TOO MANY SECTIONS: 16"));
    EXPECT_EQ(opttest::snapshot(), before);
    EXPECT_EQ(holder_steps.n, 0);
    EXPECT_EQ(CMPBLK[CMP_CHANGED], 0);
    steps = 11, extensions = 1;
    fresh();
    stages(true);
    EXPECT_EQ(run(1), 0);
    EXPECT_EQ(holder_steps.n, 12);
    EXPECT_FALSE(norak::transcript_has("TOO MANY SECTIONS"));
}

// An extension the record gives no sizes for (two sized steps and one
// extension) stops the run with a message naming the section, and the path
// stays as it was.
TEST_F(OptimRun, AHolderSectionWithoutSizesIsRefusedWithItsNumber)
{
    steps = 2, extensions = 1;
    fresh();
    std::vector<i32>& h = norak::entities()[norak::entities()[tool].words[TH_HOLD]].words;
    for (i32 i = 2; i < HD_MAXS; ++i)
        for (i32 a : {HD_LOWER, HD_UPPER, HD_CONE, HD_STEP}) h[a + i] = r2wrd(0.0f);
    TLCCLR();
    stages(true);
    const auto before = opttest::snapshot();
    EXPECT_EQ(run(1), -1);
    EXPECT_TRUE(norak::transcript_has("THE HOLDER SECTION HAS NO DIAMETER: 3"));
    EXPECT_EQ(opttest::snapshot(), before);
    EXPECT_EQ(holder_steps.n, 0);
}

// The reference volume of the feed stage follows the pass sizes that a
// procedure keeps in its block (code 81 for the surface types 34 and 38,
// 3305 for types 1 and 7: the width, then the depth when the item holds
// two), within the tool (width at most D = 10, depth at most the cut
// length 20); a size of 0 or none takes 0.8 D and 0.25 D.
std::vector<f32> pass_item;
i32 pass_code = 0;
void pass_params(const i32&, const i32& medium, i32& counter, i32& status)
{
    status = 0;
    if (!pass_item.empty())
        tpptntl(medium, pass_code, static_cast<i32>(pass_item.size()), DT_REAL, pass_item.data(), counter, status);
}
void no_callback(const i32&, const i32&, i32&, i32& status) { status = 0; }

TEST(ReferenceVolume, ThePassSizesOfTheProceduresBlockWithinTheTool)
{
    struct Case {
        i32 type, item;
        std::vector<f32> values;
        f32 L, ref;
    } cases[] = {
        {34, 81, {5.0f, 1.0f}, 20.0f, 5.0f},     // a half-width slot 1 deep
        {38, 81, {4.0f}, 20.0f, 10.0f},          // width only: depth 0.25 D
        {1, 3305, {6.0f, 3.0f}, 20.0f, 18.0f},
        {7, 3305, {0.0f, 4.0f}, 20.0f, 32.0f},   // width 0: 0.8 D
        {1, 3305, {15.0f, 30.0f}, 20.0f, 200.0f}, // at most D wide and L deep
        {1, 3305, {15.0f}, 2.0f, 20.0f},          // the default depth within L
        {1, 3305, {0.5f, 0.1f}, 20.0f, 2.5f},     // at least 0.025 D^2
        {34, 3305, {5.0f, 1.0f}, 20.0f, 20.0f},   // not the code of its type
        {12, 81, {5.0f, 1.0f}, 20.0f, 20.0f},     // a type that keeps none
    };
    for (const Case& c : cases) {
        stocktest::fresh(0.25f);
        norak::start_toolpath();
        i32 a = 0, st = 0;
        lacces(3, a);
        pass_item = c.values;
        pass_code = c.item;
        char text[21] = "PASSES";
        GSTXT1(2, text);
        PTBT12(c.type, 1, -1, no_callback, pass_params, no_callback, 22, st);
        ASSERT_EQ(st, 0);
        CLSSBL(st);
        lclos();
        ltop();
        lacces(2, a);
        FNDTYP(12, st);
        ASSERT_GE(st, 0);
        f32 width = -1, depth = -1;
        optim_pass_size(c.type, width, depth);
        EXPECT_NEAR(optim_reference_volume(width, depth, D, c.L), c.ref, 1e-4f) << c.type << " " << c.item;
        // The stock run of the procedure (row 0, of that code) reads the
        // same, under its own code and not the one of the procedure in hand.
        norak::ProcRow row;
        row.code = c.type;
        norak::set_proc_row(1, 0, row);
        nu_sgcd_set_code(c.type == 1 ? 34 : 1);
        CURTOL = opttest::tool("PASSES", D, 0.0f, c.L, 30.0f, {});
        ASSERT_EQ(stocktest::open(-20, -20, 20, 20), 0);
        CMPDEF();
        CMPBLK[CMP_FEED] = 2;
        STKPOS = [](const i32&, i32& status) {
            i32 b = 0;
            ltop();
            lacces(2, b);
            FNDTYP(12, status);
            if (status > 0) status = 0;
        };
        stk_optim_run(0, 0, st);
        STKPOS = nullptr;
        nu_sgcd_set_code(0);
        EXPECT_EQ(st, 0);
        EXPECT_NEAR(optim_ref_volume, c.ref, 1e-4f) << c.type << " " << c.item << " in the stock run";
    }
}

}  // namespace
