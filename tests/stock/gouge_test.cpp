// The gouge run: a path measured against the reference surface in the second
// height, each gouging block reported once at its end in the report's format,
// the pending gouge cleared once written, runs that could not check never
// passing as "no gouges", and the check tool two cells narrower after a tool
// change.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "blocks/format.h"
#include "blocks/writers.h"
#include "common.h"
#include "path.h"
#include "core/codedio.h"
#include "core/load.h"
#include "frame/entry.h"
#include "frame/intctl.h"
#include "core/names.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "stock/gouge.h"
#include "stock/movecur.h"
#include "stock/optwords.h"
#include "stock/stkrun.h"
#include "stock/stkseries.h"
#include "stock/tppoints.h"
#include "tests/common/surfeval.h"
#include "tests/common/tooldefs.h"
#include "tools/toolcache.h"
#include "tests/common/hostreset.h"

namespace {

struct Gouge : ::testing::Test {
    void SetUp() override
    {
        stocktest::fresh(0.25f);
        std::memset(CMPBLK, 0, sizeof(i32) * CMPBLK_N);
        std::memset(NPT1, 0, sizeof(i32) * NPT1_N);
        CMPBLK[CMP_ENLARGE_PCT] = r2wrd(20.0f);
        norak::start_toolpath();
        i32 a = 0;
        lacces(3, a);
        ASSERT_EQ(stocktest::open(-5, -5, 30, 5), 0);
        StkCell* c = stk_cells();
        for (i32 k = 0; k < stk_grid.ncells; ++k) c[k].h1 = 10.0f;
        reference([](f64, f64) { return 5.0f; });
        GOUGRP = GougeReport{};
        kept = STKPOS;
        STKPOS = nullptr;  // the list in force is the procedure's
    }
    // The frame's positioning stands again for the tests that run the frame.
    void TearDown() override { STKPOS = kept; }
    StkProcPosFn kept = nullptr;
    // The stock procedure before procedure 3 (index 1 of level 1) whose
    // table, full rows over the grid, gives the reference heights h(x, y);
    // it sets the report's X shift.
    template <class F>
    void reference(F h, f32 xshift = 0.0f)
    {
        using GV = norak::GenValue;
        std::vector<GV> t{{1, 1}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, f64(stk_grid.nx)}, {1, f64(stk_grid.ny)}};
        for (f64 v : {-5.0, -5.0, 0.0, 30.0, 5.0, 10.0}) t.push_back({2, v});
        for (i32 j = 0; j < stk_grid.ny; ++j)
            for (i32 i = 0; i < stk_grid.nx; ++i) t.push_back({2, f64(h(stocktest::cx(i), stocktest::cy(j)))});
        t.push_back({2, 0.0});
        t.push_back({2, 0.0});
        norak::ProcRow r;
        r.code = 53;
        r.npt[2] = xshift;
        r.table = norak::add_gen_table(t);
        norak::set_proc_row(1, 1, r);
    }
    stocktest::Path path;
    void feed(f32 f) { path.feed(f); }
    void tool(i32 id) { path.tool(id); }
    i32 line(f32 x, f32 y, f32 z) { return path.line(x, y, z); }
    i32 string(const std::vector<std::array<f32, 3>>& pts) { return path.string(pts); }
    i32 run()
    {
        i32 st = 0;
        stk_gouge_run(3, st);
        return st;
    }
};

TEST_F(Gouge, EachGougingBlockIsReportedOnceAtItsEndInTheReportsFormat)
{
    tooldefs::use_mill(2.0f, 1.0f);
    norak::settings().part_file = "../../work/Parts/Mould.prt";
    std::memcpy(NPT1, "AB/C DEF", 8);
    reference([](f64, f64) { return 5.0f; }, 100.0f);  // X shift 100 from the stock procedure
    NPT1[NPT1_ORIGIN + 1] = r2wrd(-50.0f);
    feed(-1.0f);
    line(0, 0, 20);
    feed(200.0f);
    line(0, 0, 6);
    line(10, 0, 6);
    const i32 planted = line(11, 0, 3);           // the first gouge: 2 below the reference
    line(12, 0, 6);
    const i32 twice = string({{{13, 0, 4}}, {{14, 0, 6}}, {{15, 0, 4}}, {{16, 0, 6}}});  // dips twice
    line(18, 0, 6);                                // clean: the pending gouge is not carried on
    line(20, 0, 6);
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(GOUGRP.count, 3);  // the planted line, the way back up out of it, the string
    EXPECT_EQ(GOUGRP.first, planted);
    const std::string name = gouge_rep_name(nu_sgcd_get_code(), 3);
    EXPECT_EQ(name.rfind("Mould.prt.ab_c-", 0), 0u) << name;
    EXPECT_EQ(name.find('/'), std::string::npos);
    EXPECT_EQ(name.substr(name.size() - 4), "3.gr");
    const std::string* text = norak::text_file(name);
    ASSERT_TRUE(text);
    char type[9] = {0};
    FNCNAM(nu_sgcd_get_code(), type);
    std::string t;
    for (char c : std::string(type))
        if (c != ' ') t += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    char l3[120], l4[120], l5[120];
    std::snprintf(l3, sizeof l3, "       1         %4d     % 6.6f\t% 6.6f\n", planted, 111.0, -50.0);
    std::snprintf(l4, sizeof l4, "       2         %4d     % 6.6f\t% 6.6f\n", planted + 1, 112.0, -50.0);
    std::snprintf(l5, sizeof l5, "       3         %4d     % 6.6f\t% 6.6f\n", twice, 116.0, -50.0);
    EXPECT_EQ(*text, "Procedure " + t + " Number 3\nGouge Number Block Number X Coordinate\tY Coordinate  \n" +
                         l3 + l4 + l5);
    EXPECT_EQ(text->find('\r'), std::string::npos);
    EXPECT_FALSE(norak::transcript_has("339/122"));
    // Lines the disk refuses are lost: the user is told once per line, and
    // the report keeps its heading.
    norak::settings().nc["file_write_fails"] = 1;
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(norak::transcript_count("339/122"), 3u);
    EXPECT_EQ(norak::text_file(name)->find("       1 "), std::string::npos);
    norak::settings().nc["file_write_fails"] = 0;
}

TEST_F(Gouge, AClearPathGivesNoLineAndNoFileAndRunsThatCannotCheckSaySo)
{
    tooldefs::use_mill(2.0f, 1.0f);
    feed(-1.0f);
    line(0, 0, 20);
    feed(200.0f);
    line(0, 0, 5.2f);  // the check tool (two cells narrower, a cell higher) clears the reference
    line(20, 0, 5.2f);
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(GOUGRP.count, 0);
    EXPECT_FALSE(norak::text_file(gouge_rep_name(nu_sgcd_get_code(), 3)));

    // No displayed stock: the zoomed stock is not available; not checked,
    // with the set-up's message alone.
    norak::settings().nc["disp_stock"] = 0;
    EXPECT_LT(run(), 0);
    EXPECT_TRUE(norak::transcript_has("RUN_ZOOMED_STOCK, DUMMY ROUTINE"));
    EXPECT_FALSE(norak::transcript_has("NOT CHECKED FOR GOUGES"));
    norak::settings().nc["disp_stock"] = 1;

    // A mill two cells wide leaves no check tool: the run fails, saying so.
    tooldefs::use_mill(0.5f, 0.0f);
    EXPECT_EQ(run(), -1);
    EXPECT_TRUE(norak::transcript_has("NOT CHECKED FOR GOUGES"));

    // A report name of 257 characters or more is refused: 339/121 with an
    // empty name, and no report is opened; one of 256 is taken.
    const i32 code = nu_sgcd_get_code();
    norak::settings().part_file = "P";
    const size_t n1 = gouge_rep_name(code, 3).size();
    for (size_t want : {size_t(256), size_t(257)}) {
        norak::settings().part_file = std::string(1 + want - n1, 'P');
        EXPECT_EQ(gouge_rep_name(code, 3).size(), want == 256 ? want : 0u);
    }
    gouge_rep_open(code, 3);
    EXPECT_EQ(GOUGRP.open, 0);
    EXPECT_TRUE(norak::transcript_has("339/121"));
    norak::settings().part_file = "PART";

    // A drill is checked at its own diameter, not two cells narrower: a
    // flat drill of 2.5 reaches a wall at 1.25 beside the path that a check
    // tool of 2.0 would pass.
    CURTOL = tooldefs::make_tool(1, 2.5f, 0.0f, 170.0f, 0.0f);
    reference([](f64 x, f64 y) { return x > 2.0 && y > 1.2 && y < 1.3 ? 8.0f : 5.0f; });
    ASSERT_EQ(run(), 0);
    EXPECT_GE(GOUGRP.count, 1);
    reference([](f64 x, f64 y) { return x > 2.0 && y > 1.45 && y < 1.55 ? 8.0f : 5.0f; });
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(GOUGRP.count, 0);
}

TEST_F(Gouge, AfterAToolChangeTheRecordedToolIsTheCheckToolAsItIs)
{
    const i32 small = tooldefs::make_tool(2, 1.0f, 0.0f, 20.0f, 0.0f);
    const i32 pointed = tooldefs::make_tool(1, 2.0f, 0.0f, 118.0f, 0.0f);  // a drill's record is 0.01 wide
    struct Case {
        i32 tool;
        f64 lo, hi;  // the wall of the reference at 8 beside the last cut, from x 2 on
        bool gouges;
    };
    // The flat D1 reaches 0.5 from its axis; the pointed drill's record, a
    // tip with its cone, reaches no further than the drill's radius.
    for (const Case& c : {Case{small, 0.45, 0.55, true}, Case{small, 0.2, 0.3, true}, Case{small, 0.7, 0.8, false},
                          Case{pointed, 0.2, 0.3, true},
                          Case{pointed, 1.4, 1.6, false}}) {
        path = stocktest::Path();
        norak::start_toolpath();
        i32 a = 0;
        lacces(3, a);
        tooldefs::use_mill(2.0f, 0.0f);
        feed(-1.0f);
        line(0, 0, 20);
        feed(200.0f);
        line(0, 0, 5.0f);
        tool(c.tool);
        line(0, 0, 5.0f);
        reference([&](f64 x, f64 y) { return x > 2.0 && y > c.lo && y < c.hi ? 8.0f : 5.0f; });
        line(20, 0, 5.0f);
        ASSERT_EQ(run(), 0) << c.tool << " " << c.lo;
        EXPECT_EQ(GOUGRP.count >= 1, c.gouges) << c.tool << " " << c.lo;
    }
}

// The cavity example run with the gouge check against its own part: the
// stock procedure before it holds the part's heights, from the tests' own
// evaluation of the surface, in the second height; the path, cut by the
// ball it was computed for, never dips below it.
TEST(GougeOfTheCavity, ItsOwnPartGivesNoGougeLineAndNoFile)
{
    std::ifstream f(std::string(TAVREK_SOURCE_DIR) + "/examples/cavity.json");
    std::stringstream text;
    text << f.rdbuf();
    const auto surfaces = surfeval::surfaces_of(nlohmann::json::parse(text.str()));
    ASSERT_EQ(surfaces.size(), 1u);
    const surfeval::Surface& srf = surfaces[0].second;
    // X runs with u alone and Y with v alone (the control net is a grid).
    auto solve = [&](double want, int axis) {
        double lo = 0.0, hi = 1.0;
        for (int k = 0; k < 60; ++k) {
            const double m = 0.5 * (lo + hi);
            double p[3];
            srf.eval(axis == 0 ? m : 0.0, axis == 0 ? 0.0 : m, p);
            (p[axis] < want ? lo : hi) = m;
        }
        return 0.5 * (lo + hi);
    };

    hostreset::empty_host();
    norak::load_session_text(text.str());
    std::vector<i32> dx(STK_DX79_N, r2wrd(-1.0f));
    dx[0] = r2wrd(0.5f);
    norak::set_record("DX79", 4, dx);
    norak::settings().nc["disp_stock"] = 1;
    norak::settings().nc["verify"] = 2;
    // The stock procedure (index 0): full rows over the part's box widened by
    // the tool, cells of 0.5 from the box's corner; no reference off the part.
    using GV = norak::GenValue;
    const f64 x0 = -10.0, y0 = -10.0, cell = 0.5;
    const i32 nx = 241, ny = 201;
    std::vector<GV> t{{1, 1}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, f64(nx)}, {1, f64(ny)}};
    for (f64 v : {x0, y0, -30.0, x0 + (nx - 1) * cell, y0 + (ny - 1) * cell, 10.0}) t.push_back({2, v});
    // The grid's corner lies 0.001 below the box's (its floor less 0.001).
    for (i32 j = 0; j < ny; ++j)
        for (i32 i = 0; i < nx; ++i) {
            const f64 x = x0 - 0.001 + i * cell, y = y0 - 0.001 + j * cell;
            if (x < 0 || x > 100 || y < 0 || y > 80) {
                t.push_back({2, 1.0e10});
                continue;
            }
            double p[3];
            srf.eval(solve(x, 0), solve(y, 1), p);
            t.push_back({2, p[2]});
        }
    t.push_back({2, 0.0});
    t.push_back({2, 0.0});
    norak::ProcRow stock;
    stock.code = 53;
    stock.table = norak::add_gen_table(t);
    // The stock procedure's own view, view parameter and origin X: taken for
    // the set-up only, the procedure's words stand again after the run.
    stock.npt[0] = 7.0f, stock.npt[1] = 9.0f, stock.npt[2] = 100.0f;
    norak::set_proc_row(1, 0, stock);

    module_load(nullptr, 1, nullptr);
    DSPMOD = 3;
    tavrek();
    EXPECT_NE(NPT1[NPT1_VIEW], r2wrd(7.0f));
    EXPECT_NE(NPT1[NPT1_VIEWPAR], r2wrd(9.0f));
    EXPECT_NE(NPT1[NPT1_ORIGIN], r2wrd(100.0f));
    std::string all;
    for (const std::string& l : norak::transcript()) all += l + "\n";
    EXPECT_TRUE(norak::transcript_has("stock: display grid 241 x 201 cell 0.5")) << all;
    EXPECT_FALSE(norak::transcript_has("NOT CHECK"));
    EXPECT_FALSE(norak::transcript_has("internal:")) << all;
    EXPECT_EQ(GOUGRP.count, 0);
    EXPECT_FALSE(norak::text_file(gouge_rep_name(nu_sgcd_get_code(), 1)));
    // The reference was there, in the second height.
    StkCell* c = stk_cells();
    ASSERT_TRUE(c);
    i32 measured = 0;
    for (i32 k = 0; k < stk_grid.ncells; ++k) measured += c[k].h2 < STK_EMPTY;
    EXPECT_GT(measured, 30000);
    norak::reset();
}

}  // namespace
