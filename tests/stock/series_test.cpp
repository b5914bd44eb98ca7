// The stock of a series of procedures: set up from the stock procedure
// before them, each procedure's tool path stamped in order with its own
// tool, against the test's own stamping of their point lists and against
// the analytic swept envelope; the stock procedure searched back through
// the tables, a series carried on from where its stock was valid, and the
// procedures that are left out.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/procblk.h"
#include "blocks/tech.h"
#include "common.h"
#include "path.h"
#include "core/codedio.h"
#include "core/names.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "stock/movecur.h"
#include "stock/optwords.h"
#include "stock/stkrun.h"
#include "stock/stkseries.h"
#include "stock/stkstamp.h"
#include "stock/tppoints.h"
#include "tests/common/tooldefs.h"
#include "tools/toolcache.h"

namespace {

using stocktest::Tool;

void nothing(const i32&, const i32&, i32&, i32& status) { status = 0; }

// The common host arguments handed over: how often, and the stock
// procedure's three values of "NPT1" as the host got them.
i32 arg_calls = 0;
f32 arg_value = 0.0f, arg_values[2] = {0.0f, 0.0f};
void common_arguments()
{
    ++arg_calls;
    arg_value = wrd2r(NPT1[19]);
    arg_values[0] = wrd2r(NPT1[18]), arg_values[1] = wrd2r(NPT1[3]);
}

// The test's own positioning: the k-th procedure block of the main list.
void at_proc(const i32& proc, i32& status)
{
    status = -1;
    i32 a = 0, st = 0;
    lclos();
    ltop();
    lacces(2, a);
    for (i32 k = 0; k <= proc; ++k) {
        if (k > 0) {
            TPJUMP(1, st);
            if (st != 0) return;
        }
        FNDTYP(12, st);
        if (st < 0) return;
    }
    status = 0;
}

// The procedures shown again after their runs: (procedure, second saved
// block); each leaves the display record at (procedure, 2, 3).
std::vector<std::pair<i32, i32>> shown;
void show(const i32& proc, const i32& second, i32& status)
{
    shown.emplace_back(proc, second);
    DSP8[DSP8_POS] = r2wrd(f32(proc)), DSP8[DSP8_POS + 1] = r2wrd(2.0f), DSP8[DSP8_POS + 2] = r2wrd(3.0f);
    status = 0;
}

// A straight move or an XY arc of a procedure's path, in the test's terms.
struct Move {
    bool rapid;
    std::array<double, 3> p;
    double cx = 0, cy = 0, angle = 0;  // arc: centre and sweep (0: a line)
};

struct Series : ::testing::Test {
    stocktest::Path path;
    i32 procs = 0;
    void SetUp() override
    {
        stocktest::fresh(0.25f);
        std::memset(CMPBLK, 0, sizeof(i32) * CMPBLK_N);
        CMPBLK[CMP_ENLARGE] = CMPBLK[CMP_MASTER] = 1;
        norak::start_toolpath();
        i32 a = 0;
        lacces(3, a);
        STKPOS = at_proc;
        STKGTP = nullptr;
    }
    void TearDown() override { STKPOS = nullptr, STKARG = nullptr, STKDSP = kept_show; }
    StkShowFn kept_show = STKDSP;
    // A stock procedure of code 52 or 53: a block of height `top` over the
    // box, as its generic table (format 3), at the next index.
    i32 stock(i32 code, const std::array<f64, 6>& box, f64 top, i32 ucs = 0, i32 kind = 0)
    {
        using GV = norak::GenValue;
        std::vector<GV> t{{1, 3}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 1000}, {1, 1000}, {1, 0}, {1, 0},
                          {1, 0}, {1, 0}, {2, top}};
        for (f64 v : box) t.push_back({2, v});
        norak::ProcRow r;
        r.code = code;
        r.ucs = ucs;
        r.kind = kind;
        r.heights[0] = -1.5f, r.heights[1] = 12.5f;
        r.npt[0] = 7.0f, r.npt[1] = 9.0f, r.npt[2] = 11.0f;
        r.table = norak::add_gen_table(t);
        for (int k = 0; k < 6; ++k) r.box[k] = f32(box[static_cast<size_t>(k)]);
        return procedure(r, {});
    }
    // A procedure block with its moves in its sub-list, and its row in the
    // host's tables at the next index.
    i32 procedure(norak::ProcRow row, const std::vector<Move>& moves)
    {
        i32 st = 0, a = 0;
        char text[21] = "SERIES";
        GSTXT1(2, text);
        PTBT12(row.code, 1, -1, nothing, nothing, nothing, 22, st);
        EXPECT_EQ(st, 0);
        CLSSBL(st);
        OPNSBL(st);
        EXPECT_EQ(st, 0);
        lacces(3, a);
        if (!moves.empty()) path.tool(row.tool);
        f32 feed = 0.0f;
        for (const Move& m : moves) {
            const f32 want = m.rapid ? -1.0f : 250.0f;
            if (want != feed) path.feed(feed = want);
            if (m.angle == 0)
                path.line(f32(m.p[0]), f32(m.p[1]), f32(m.p[2]));
            else
                path.arc(1, f32(m.angle), f32(m.cx), f32(m.cy), f32(m.p[0]), f32(m.p[1]), f32(m.p[2]));
        }
        CLSSBL(st);
        EXPECT_EQ(st, 0);
        lacces(3, a);
        norak::set_proc_row(1, procs, row);
        return procs++;
    }
    // A movement entity of straight moves through the points.
    static i32 movement(const std::vector<std::array<f32, 3>>& pts)
    {
        norak::Entity m;
        m.cls = 9;
        m.type = norak::MOVMNT_TYPE;
        m.words = {0, 0, 0, static_cast<i32>(pts.size()), 0};
        i32 n = 0;
        for (const auto& p : pts) m.words.insert(m.words.end(), {5, 2, ++n, r2wrd(p[0]), r2wrd(p[1]), r2wrd(p[2])});
        return norak::add_entity(m);
    }
    // The first height of the cell nearest (x, y).
    static f32 height_at(double x, double y)
    {
        const i32 i = stk_cell_round((x - stk_grid.box[0]) / stk_grid.cell);
        const i32 j = stk_cell_round((y - stk_grid.box[1]) / stk_grid.cell);
        return stk_cells()[j * stk_grid.nx + i].h1;
    }
    norak::ProcRow milling(i32 tool) const
    {
        norak::ProcRow r;
        r.code = 1;
        r.tool = tool;
        return r;
    }
    std::vector<f32> heights() const
    {
        std::vector<f32> h;
        const StkCell* c = stk_cells();
        for (i32 k = 0; k < stk_grid.ncells; ++k) h.push_back(c[k].h1);
        return h;
    }
    // The test's own reading: procedure k's point list stamped segment by
    // segment with stk_move (cut 1, mode 0) and the procedure's tool.
    void stamp_by_hand(i32 k, const Tool& t)
    {
        i32 st = 0;
        at_proc(k, st);
        ASSERT_EQ(st, 0);
        OPNSBL(st);
        ASSERT_EQ(st, 0);
        i32 a = 0, ph = -1, bh = -1, n = 0;
        lacces(2, a);
        tp_to_points(0, MV_LIST, ph, bh, n, st);
        ASSERT_EQ(st, 0);
        void *pb = nullptr, *bb = nullptr;
        mmcptr(ph, pb);
        mmcptr(bh, bb);
        const f32* p = static_cast<const f32*>(pb);
        const i32* b = static_cast<const i32*>(bb);
        t.make_current();
        f32 dm, de, v, ve, q[3], len;
        for (i32 i = tp_is_tool(p) ? 2 : 0; i + 1 < n; ++i) {
            ASSERT_FALSE(tp_is_tool(&p[3 * (i + 1)]));
            stk_move(1, 0, &p[3 * i], &p[3 * (i + 1)], b[i + 1], dm, de, v, ve, q, len, st);
            ASSERT_GE(st, 0);
        }
        MM_CLOSE(ph, st);
        MM_CLOSE(bh, st);
        CLSSBL(st);
    }
};

// The lowest tip height of the tools over the moves at (x, y): straight
// moves exactly, arcs as 200 short chords; `top` where no tool reaches.
double swept(const std::vector<std::pair<Tool, std::vector<Move>>>& series, double x, double y, double top)
{
    double h = top;
    for (const auto& [t, moves] : series) {
        std::array<double, 3> at{0, 0, 0};
        bool known = false;
        for (const Move& m : moves) {
            if (known && !m.rapid) {
                if (m.angle == 0) {
                    h = std::min(h, stocktest::envelope(t, at.data(), m.p.data(), x, y));
                } else {
                    const double r = std::hypot(at[0] - m.cx, at[1] - m.cy), a0 = std::atan2(at[1] - m.cy, at[0] - m.cx);
                    std::array<double, 3> q = at;
                    for (int s = 1; s <= 200; ++s) {
                        const double a = a0 + m.angle * s / 200.0;
                        const std::array<double, 3> e{m.cx + r * std::cos(a), m.cy + r * std::sin(a),
                                                      at[2] + (m.p[2] - at[2]) * s / 200.0};
                        h = std::min(h, stocktest::envelope(t, q.data(), e.data(), x, y));
                        q = e;
                    }
                }
            }
            at = m.p;
            known = true;
        }
    }
    return h;
}

TEST_F(Series, TheStockOfASeriesIsEachPointListStampedInOrderAndTheSweptEnvelope)
{
    const Tool flat{"flat D4", 4.0, 0.0, 30.0, 0.0}, ball{"ball D6", 6.0, 3.0, 30.0, 0.0};
    const i32 tflat = tooldefs::make_tool(2, 4.0f, 0.0f, 30.0f, 0.0f);
    const i32 tball = tooldefs::make_tool(2, 6.0f, 3.0f, 30.0f, 0.0f);
    const std::vector<Move> m1 = {{true, {0, 0, 20}}, {false, {0, 0, 8}}, {false, {24, 0, 8}}, {false, {24, 12, 9}}};
    const std::vector<Move> m2 = {{true, {4, 14, 20}},
                                  {false, {4, 14, 7}},
                                  {false, {20, 6, 6.5}},
                                  {false, {28, 6, 6.5}, 24, 6, M_PI}};  // a half circle about (24, 6)
    const std::vector<Move> m3 = {{true, {30, -2, 20}}, {false, {30, -2, 5}}, {false, {10, 12, 7.5}}};
    // The procedures' own view, view parameter and origin, as their blocks
    // keep them.
    NPT1[NPT1_VIEW] = 3, NPT1[NPT1_VIEWPAR] = r2wrd(0.5f), NPT1[NPT1_ORIGIN] = r2wrd(4.0f);
    // A procedure before the stock procedure is not part of its stock.
    procedure(milling(tball), {{true, {10, 10, 20}}, {false, {10, 10, 1}}, {false, {12, 10, 1}}});
    stock(52, {-6, -6, 0, 36, 20, 10}, 10.0);
    procedure(milling(tflat), m1);
    procedure(milling(tball), m2);
    procedure(milling(tflat), m3);

    NPT1[5] = r2wrd(2.0f);  // the Z reference
    // The technology state a run before left: the series starts it afresh.
    TECHST.status[1] = 2, TECHST.requested[1] = 3, TECHST.lastcode[1] = 3, TECHST.feed = 123.0f;
    STKARG = common_arguments;
    arg_calls = 0;
    i32 st = 0;
    stk_calc_procs(0, 4, nullptr, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(TECHST.status[1], 0);
    EXPECT_EQ(TECHST.lastcode[1], 0);
    EXPECT_EQ(TECHST.feed, 0.0f);
    // The host's common arguments were set from the stock procedure's
    // values, once, at the set-up; each procedure ran in its own words,
    // which stand again after the series. Its stock box lies above the Z
    // reference.
    EXPECT_EQ(arg_calls, 1);
    EXPECT_EQ(arg_value, 7.0f);
    EXPECT_EQ(arg_values[0], 9.0f);
    EXPECT_EQ(arg_values[1], 11.0f);
    EXPECT_EQ(NPT1[NPT1_VIEW], 3);
    EXPECT_EQ(wrd2r(NPT1[NPT1_VIEWPAR]), 0.5f);
    EXPECT_EQ(wrd2r(NPT1[NPT1_ORIGIN]), 4.0f);
    EXPECT_EQ(stk_grid.stock[2], 2.0f);
    EXPECT_EQ(stk_grid.stock[5], 12.0f);
    const std::vector<f32> series = heights();
    i32 valid = 0, level = 0, ucs = 0;
    sim_get_valid(valid, level, ucs);
    EXPECT_EQ(valid, 4);
    EXPECT_EQ(level, 1);

    // The same stock by the test's own stamping of the point lists.
    stocktest::fill(10.0f);
    stamp_by_hand(2, flat);
    stamp_by_hand(3, ball);
    stamp_by_hand(4, flat);
    const std::vector<f32> by_hand = heights();
    ASSERT_EQ(series.size(), by_hand.size());
    i32 differ = 0, cut = 0;
    for (size_t k = 0; k < series.size(); ++k) {
        differ += series[k] != by_hand[k];
        cut += series[k] < 9.99f;
    }
    EXPECT_EQ(differ, 0);
    EXPECT_GT(cut, 1500);

    // Against the analytic envelope, with the tolerance of the single sweeps:
    // each cell lies between the lowest and the highest envelope within a
    // cell of its centre, widened by one step of the tool's height image;
    // nearly all match their centre. Cells within two image steps of the
    // outer radius of a tool standing at a move's end are not judged (the
    // side of the tool is a wall there, where a sampled image can fall
    // either way).
    const std::vector<std::pair<Tool, std::vector<Move>>> all = {{flat, m1}, {ball, m2}, {flat, m3}};
    ball.make_current();
    const double CELL = stk_grid.cell, e = double(stk_img.diam) / 2 / stk_img.k8 + 1e-4;
    i32 outside = 0, centred = 0, n = 0, walls = 0;
    for (i32 j = 0; j < stk_grid.ny; ++j)
        for (i32 i = 0; i < stk_grid.nx; ++i) {
            const double x = stocktest::cx(i), y = stocktest::cy(j);
            if (x < -5 || x > 35 || y < -5 || y > 19) continue;
            const double h = series[static_cast<size_t>(j * stk_grid.nx + i)], c = swept(all, x, y, 10.0);
            if (c >= 10.0 && h >= 10.0f) continue;
            bool wall = false;
            for (const auto& [t, moves] : all)
                for (const Move& m : moves)
                    if (!m.rapid && std::fabs(std::hypot(x - m.p[0], y - m.p[1]) - t.ro()) < 2 * e) wall = true;
            if (wall) {
                ++walls;
                continue;
            }
            ++n;
            if (std::fabs(h - c) <= e) {
                ++centred;
                continue;
            }
            double lo = c, hi = c;
            for (double dx : {-CELL, 0.0, CELL})
                for (double dy : {-CELL, 0.0, CELL}) {
                    const double v = swept(all, x + dx, y + dy, 10.0);
                    lo = std::min(lo, v), hi = std::max(hi, v);
                }
            if (h < lo - e || h > hi + e) ++outside;
        }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(centred, 0.9 * n) << centred << " of " << n;
    EXPECT_LT(walls, n / 10);
    // The plunge of the first procedure and the arc's lowest point.
    auto at = [&](double x, double y) {
        const i32 i = stk_cell_round((x - stk_grid.box[0]) / CELL), j = stk_cell_round((y - stk_grid.box[1]) / CELL);
        return series[static_cast<size_t>(j * stk_grid.nx + i)];
    };
    EXPECT_FLOAT_EQ(at(0, 0), 8.0f);
    EXPECT_NEAR(at(28, 6), 6.5f, 0.01);
    EXPECT_NEAR(at(24 + 4 * std::cos(1.75 * M_PI), 6 + 4 * std::sin(1.75 * M_PI)), 6.5f, 0.02);
}

TEST_F(Series, TheStockProcedureIsSearchedBackAndTheReasonsWhyNoneServes)
{
    const i32 t = tooldefs::make_tool(2, 4.0f, 0.0f, 30.0f, 0.0f);
    const std::array<f64, 6> box{-6, -6, 0, 36, 20, 10};
    auto find = [&](i32 code, i32 proc, i32& index, i32& reason) {
        i32 found = 0, level = 0, id = 0;
        stk_find_proc(code, proc, found, level, index, id, reason);
        return found;
    };
    const i32 s0 = stock(52, box, 10.0);
    norak::ProcRow off;  // a stock procedure not computed
    off.code = 52, off.calc = 2;
    const i32 s1 = procedure(off, {});
    const i32 p = procedure(milling(t), {{true, {0, 0, 20}}, {false, {0, 0, 8}}});
    i32 index = -1, reason = -1;
    EXPECT_EQ(find(52, p, index, reason), 1);
    EXPECT_EQ(index, s0);  // the one not computed is passed over
    EXPECT_EQ(find(52, s0, index, reason), 0);
    EXPECT_EQ(reason, 0);
    // Code 999 takes a stock procedure of code 53 in any state.
    norak::ProcRow ref;
    ref.code = 53, ref.calc = 2;
    norak::set_proc_row(1, s1, ref);
    EXPECT_EQ(find(53, p, index, reason), 0);
    EXPECT_EQ(reason, 1);
    EXPECT_EQ(find(999, p, index, reason), 1);
    EXPECT_EQ(index, s1);
    // Changed, or in another coordinate system: none serves, and why.
    norak::ProcRow row = ref;
    row.calc = 1, row.changed = 1;
    norak::set_proc_row(1, s1, row);
    EXPECT_EQ(find(53, p, index, reason), 0);
    EXPECT_EQ(reason, 2);
    row.changed = 0, row.ucs = 7;
    norak::set_proc_row(1, s1, row);
    EXPECT_EQ(find(53, p, index, reason), 0);
    EXPECT_EQ(reason, 3);
    // Another id for the same system (the world's origin and axes) serves;
    // one shifted along Z does not.
    auto ucs = [](f32 z) {
        norak::Entity e;
        e.cls = 8, e.type = 1;
        e.words = {0, 0, 0, 0};
        for (f32 v : {0.0f, 0.0f, z, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f}) e.words.push_back(r2wrd(v));
        e.words.insert(e.words.end(), {0, 0, 0});
        return norak::add_entity(e);
    };
    row.ucs = ucs(0.0f);
    norak::set_proc_row(1, s1, row);
    EXPECT_EQ(find(53, p, index, reason), 1);
    EXPECT_EQ(index, s1);
    row.ucs = ucs(5.0f);
    norak::set_proc_row(1, s1, row);
    EXPECT_EQ(find(53, p, index, reason), 0);
    EXPECT_EQ(reason, 3);
    // The set-up says why, with the stock shown or not: with none shown
    // the zoomed stock would stand in for the set-up alone.
    i32 found = 0, st = 0;
    for (i32 shown : {0, 1}) {
        norak::settings().nc["disp_stock"] = shown;
        const size_t told = norak::transcript_count("THE STOCK PROCEDURE HAS ANOTHER COORDINATE SYSTEM");
        stk_setup_from_proc(53, p, found, st);
        EXPECT_EQ(st, -1);
        EXPECT_EQ(found, 0);
        EXPECT_EQ(norak::transcript_count("THE STOCK PROCEDURE HAS ANOTHER COORDINATE SYSTEM"), told + 1) << shown;
        EXPECT_FALSE(norak::transcript_has("RUN_ZOOMED_STOCK")) << shown;
    }
    // A stock procedure of an earlier level is found when the current has none.
    CLP1[0] = 2;
    norak::set_proc_row(2, 0, milling(t));
    norak::set_proc_row(1, s1, ref);
    i32 level = 0, id = 0;
    stk_find_proc(52, 1, found, level, index, id, reason);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(level, 1);
    EXPECT_EQ(index, s0);
    CLP1[0] = 1;
    // No stock procedure at all: the series says so and fails.
    norak::set_proc_row(1, s0, milling(t));
    stk_calc_procs(0, p, nullptr, st);
    EXPECT_EQ(st, -2);
    EXPECT_TRUE(norak::transcript_has("NO STOCK PROCEDURE BEFORE THE PROCEDURE"));
}

TEST_F(Series, TheNoteOfProceduresLeftOutNamesAnotherSystemALinkOrABlockValueAboveThree)
{
    // A procedure before the last one, in another coordinate system, linked
    // or with its block's value set: the note comes for each reason alone.
    struct Case {
        i32 ucs, link, value;
        bool note;
    };
    for (const Case& c : {Case{0, -1, 0, false}, Case{4, -1, 0, true}, Case{0, 0, 0, false}, Case{0, 1, 0, true},
                          Case{0, -1, 3, false}, Case{0, -1, 4, true}}) {
        SCOPED_TRACE(std::to_string(c.ucs) + " " + std::to_string(c.link) + " " + std::to_string(c.value));
        SetUp();
        procs = 0;
        const i32 t = tooldefs::make_tool(2, 4.0f, 0.0f, 30.0f, 0.0f);
        stock(52, {-6, -6, 0, 36, 20, 10}, 10.0);
        norak::ProcRow row = milling(t);
        row.ucs = c.ucs, row.link = c.link;
        const i32 k = procedure(row, {{true, {0, 0, 20}}, {false, {0, 0, 8}}});
        const i32 last = procedure(milling(t), {{true, {9, 0, 20}}, {false, {9, 0, 8}}});
        i32 st = 0;
        at_proc(k, st);
        ASSERT_EQ(st, 0);
        PLFIND(GR_GLOBAL, 81, st);
        ASSERT_GE(st, 0);
        TPSKIP(MED_LIST, 2, DT_INT, st);
        TPCHNG(1, &c.value, st);
        ASSERT_GE(st, 0);
        stk_calc_procs(0, last, nullptr, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(norak::transcript_has("339/40"), c.note);
    }
}

TEST_F(Series, ASeriesValidUpToTheLastButOneStampsOnlyTheLastAndLeavesOutWhatIsNotInTheChain)
{
    const Tool flat{"flat D4", 4.0, 0.0, 30.0, 0.0};
    const i32 t = tooldefs::make_tool(2, 4.0f, 0.0f, 30.0f, 0.0f);
    stock(52, {-6, -6, 0, 36, 20, 10}, 10.0, 0, 2);  // kind 2: the two heights are the Z limits
    const i32 p1 = procedure(milling(t), {{true, {0, 0, 20}}, {false, {0, 0, 8}}, {false, {20, 0, 8}}});
    norak::ProcRow other = milling(t);
    other.ucs = 4;  // another coordinate system: not in the stock
    const i32 p2 = procedure(other, {{true, {0, 10, 20}}, {false, {0, 10, 2}}, {false, {20, 10, 2}}});
    norak::ProcRow linked = milling(t);
    linked.link = 1;  // not in the stock chain
    procedure(linked, {{true, {0, 14, 20}}, {false, {0, 14, 2}}});
    norak::ProcRow uncomputed = milling(t);
    uncomputed.calc = 2;  // not computed: not in the stock
    procedure(uncomputed, {{true, {6, 14, 20}}, {false, {6, 14, 2}}});
    const i32 p4 = procedure(milling(t), {{true, {30, 0, 20}}, {false, {30, 0, 7}}, {false, {30, 15, 7}}});

    i32 st = 0;
    stk_calc_procs(0, p1, nullptr, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(stk_grid.stock[2], -1.5f);
    EXPECT_EQ(stk_grid.stock[5], 12.5f);
    const std::vector<f32> after1 = heights();
    // The module's own copy of the grid's words lost (loaded afresh): the
    // series takes them from the host, which keeps the grid.
    const StkGrid kept = stk_grid;
    stk_grid.hdl = -1, stk_grid.nx = stk_grid.ny = stk_grid.ncells = 0;
    // Valid up to p1: the next series stamps p4 only, on the stock kept.
    stk_calc_procs(0, p4, nullptr, st);
    EXPECT_EQ(stk_grid.hdl, kept.hdl);
    ASSERT_EQ(st, 0);
    EXPECT_TRUE(norak::transcript_has("NOTE: PROCEDURES IN ANOTHER COORDINATE SYSTEM"));
    EXPECT_TRUE(norak::transcript_has("NOTE: PROCEDURES NOT COMPUTED OR CHANGED ARE NOT IN THE STOCK"));
    EXPECT_FALSE(norak::transcript_has("CALCULATING THE STOCK OF THE PROCEDURES"));
    const std::vector<f32> series = heights();
    stocktest::fill(10.0f);
    stamp_by_hand(p1, flat);
    EXPECT_EQ(heights(), after1);
    stamp_by_hand(p4, flat);
    EXPECT_EQ(heights(), series);
    (void)p2;
    // Asked again for p1 with the stock valid at p4: the stock is set up
    // again and holds p1's cut alone, not the cuts of the procedures after.
    stk_calc_procs(0, p1, nullptr, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(heights(), after1);

    // Marked valid in another level: set up again and all stamped; a
    // procedure that has to be executed again before the last stops it.
    sim_mark_valid(0, 2, 0);
    norak::ProcRow again = milling(t);
    again.exec = 4;
    norak::set_proc_row(1, p1, again);
    stk_calc_procs(0, p4, nullptr, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("A PROCEDURE BEFORE THIS ONE HAS TO BE EXECUTED AGAIN"));
    const i32 flags[8] = {0, 1, 0, 0, 0, 0, 0, 0};  // only to be optimized: still refused
    stk_calc_procs(1, p4, flags, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("CALCULATING THE STOCK OF THE PROCEDURES"));
    EXPECT_FALSE(norak::transcript_has("CANNOT CALCULATE STOCK"));
    // Flagged as changed, it passes the check; its own stock run refuses it
    // with the user's message, nothing stamped, and the series fails.
    again.changed = 1;
    norak::set_proc_row(1, p1, again);
    stocktest::fill(10.0f);
    const std::vector<f32> whole = heights();
    stk_calc_procs(0, p4, nullptr, st);
    EXPECT_EQ(st, -2);
    EXPECT_TRUE(norak::transcript_has("CANNOT CALCULATE STOCK, PROC. HAS TO RERUN FIRST"));
    // The series ends there: no procedure after the failed one is marked
    // valid, so the next series does not carry a stock without its cut.
    i32 valid = 0, level = 0, ucs = 0;
    sim_get_valid(valid, level, ucs);
    EXPECT_LT(valid, p1);
    // The stock procedure itself (row 0) stamps nothing.
    stocktest::fill(10.0f);
    stk_optim_run(0, 0, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(heights(), whole);
}


TEST_F(Series, AStockOnlyRunReadsTheMovementEntityAndLeavesTheToolPathAsItIs)
{
    const i32 t = tooldefs::make_tool(2, 4.0f, 0.0f, 30.0f, 0.0f);
    stock(52, {-6, -6, 0, 36, 20, 10}, 10.0);
    const i32 k = procedure(milling(t), {});
    // The procedure's moves are kept in its movement entity, not in its sub-list.
    norak::movement_entities()[900] = movement({{0, 0, 20}, {0, 0, 8}, {20, 0, 8}});
    i32 st = 0;
    at_proc(k, st);
    ASSERT_EQ(st, 0);
    const i32 zero = 0, proc = 900;
    TPCHNN(AM_LIST, GR_FLAGS, 82, DT_INT, &zero, st);
    TPCHNN(AM_LIST, GR_FLAGS, 51, DT_INT, &proc, st);
    ASSERT_GE(st, 0);
    stk_calc_procs(0, k, nullptr, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(height_at(10, 0), 8.0f);
    EXPECT_EQ(height_at(10, 8), 10.0f);
    // No sub-list was made of the entity: the block's sub-list flag is as it was.
    at_proc(k, st);
    i32 flag = -1, n = 1;
    TPGETN(AM_LIST, GR_FLAGS, 82, n, DT_INT, &flag, st);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(norak::open_entity(), 0);
}

// A procedure whose movement entity cannot be opened, stock only or with
// the stages: its run fails and so does the series, which leaves its stock
// unmarked (the stock lacks its cut) and ends there.
TEST_F(Series, AProcedureWhoseMovesCannotBeReachedFailsTheSeries)
{
    for (i32 mode : {0, 1}) {
        SCOPED_TRACE(mode);
        SetUp();
        procs = 0;
        const i32 t = tooldefs::make_tool(2, 4.0f, 0.0f, 30.0f, 0.0f);
        stock(52, {-6, -6, 0, 36, 20, 10}, 10.0);
        const i32 k = procedure(milling(t), {});
        const i32 after = procedure(milling(t), {{true, {0, 8, 20}}, {false, {0, 8, 8}}, {false, {20, 8, 8}}});
        norak::movement_entities()[900] = 99999;  // no such entity
        i32 st = 0;
        at_proc(k, st);
        ASSERT_EQ(st, 0);
        const i32 zero = 0, proc = 900;
        TPCHNN(AM_LIST, GR_FLAGS, 82, DT_INT, &zero, st);
        TPCHNN(AM_LIST, GR_FLAGS, 51, DT_INT, &proc, st);
        ASSERT_GE(st, 0);
        for (i32 w : {CMP_ENLARGE, CMP_HOLDER, CMP_ZRANGE, CMP_STAGE10, CMP_LINK, CMP_STAGE15, CMP_STAGE21}) CMPBLK[w] = 1;
        CMPBLK[CMP_FEED] = CMPBLK[CMP_MASTER] = 2;
        i32 flags[STK_PROC_ROWS] = {0};
        flags[k] = flags[after] = 1;
        stk_calc_procs(mode, after, flags, st);
        EXPECT_EQ(st, -2);
        EXPECT_TRUE(norak::transcript_has("PROBLEMS IN OPENNING ENTITY"));
        i32 valid = 0, level = 0, ucs = 0;
        sim_get_valid(valid, level, ucs);
        EXPECT_LT(valid, k);
        EXPECT_EQ(height_at(10, 8), 10.0f);
    }
}

// A procedure of code 54 runs without the link stage and says so; one of
// code 38, whose block does not mark it, keeps the stage.
TEST_F(Series, AProcedureOfCode54RunsWithoutTheLinkStageAndOneOfCode38KeepsIt)
{
    for (i32 code : {38, 54}) {
        SCOPED_TRACE(code);
        SetUp();
        procs = 0;
        const i32 t = tooldefs::make_tool(2, 4.0f, 0.0f, 30.0f, 0.0f);
        stock(52, {-6, -6, 0, 36, 20, 10}, 10.0);
        norak::ProcRow row = milling(t);
        row.code = code;
        const i32 k = procedure(row, {{true, {0, 0, 20}}, {false, {0, 0, 8}}, {false, {20, 0, 8}}});
        for (i32 w : {CMP_ENLARGE, CMP_HOLDER, CMP_ZRANGE, CMP_STAGE10, CMP_STAGE15, CMP_FEED, CMP_STAGE21}) CMPBLK[w] = 1;
        CMPBLK[CMP_LINK] = CMPBLK[CMP_MASTER] = 2;
        i32 flags[STK_PROC_ROWS] = {0};
        flags[k] = 1;
        i32 st = 0;
        stk_calc_procs(1, k, flags, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(CMPBLK[CMP_LINK], code == 54 ? 1 : 2);
        EXPECT_FALSE(norak::transcript_has("NO LINK OPTIMIZATION FOR THIS PROCEDURE"));
        EXPECT_EQ(norak::transcript_has("NO LINK OPTIMIZATION FOR THIS KIND OF PROCEDURE"), code == 54);
        EXPECT_EQ(height_at(10, 0), 8.0f);
    }
}

// Each procedure is shown again after its run, from its second saved block
// when the series optimizes in mode 3 (the run's mode 4), and the tool is
// drawn where the display ended.
TEST_F(Series, EachProcedureIsShownAgainAfterItsRunAndTheToolDrawnWhereItEnded)
{
    for (i32 mode : {0, 1, 3}) {
        SCOPED_TRACE(mode);
        SetUp();
        procs = 0;
        STKDSP = show;
        shown.clear();
        const i32 t = tooldefs::make_tool(2, 4.0f, 0.0f, 30.0f, 0.0f);
        stock(52, {-6, -6, 0, 36, 20, 10}, 10.0);
        const i32 p1 = procedure(milling(t), {{true, {0, 0, 20}}, {false, {0, 0, 8}}, {false, {20, 0, 8}}});
        const i32 p2 = procedure(milling(t), {{true, {0, 8, 20}}, {false, {0, 8, 8}}, {false, {20, 8, 8}}});
        for (i32 w : {CMP_ENLARGE, CMP_HOLDER, CMP_ZRANGE, CMP_STAGE10, CMP_LINK, CMP_STAGE15, CMP_STAGE21}) CMPBLK[w] = 1;
        CMPBLK[CMP_FEED] = 2, CMPBLK[CMP_MASTER] = 2;
        i32 flags[STK_PROC_ROWS] = {0};
        flags[p2] = 1;
        i32 st = 0;
        stk_calc_procs(mode, p2, flags, st);
        EXPECT_EQ(st, 0);
        const std::vector<std::pair<i32, i32>> want = {{p1, 0}, {p2, mode == 3 ? 1 : 0}};
        EXPECT_EQ(shown, want);
        EXPECT_TRUE(norak::transcript_has(": tool " + std::to_string(t) + " symbol 0 at " + std::to_string(p2) + " 2 3"));
    }
}

// A procedure whose movement sub-list holds no move has nothing to stamp,
// to optimize or to check: its stock run, with or without the stages, and
// its gouge run end with status 0 and change nothing.
TEST_F(Series, AProcedureWithoutMovesHasNothingToDo)
{
    const i32 t = tooldefs::make_tool(2, 4.0f, 0.0f, 30.0f, 0.0f);
    CURTOL = t;
    stock(52, {-6, -6, 0, 36, 20, 10}, 10.0);
    stock(53, {-6, -6, 0, 36, 20, 10}, 10.0);
    const i32 k = procedure(milling(t), {});
    for (i32 w : {CMP_ENLARGE, CMP_HOLDER, CMP_ZRANGE, CMP_STAGE10, CMP_STAGE15, CMP_STAGE21}) CMPBLK[w] = 1;
    CMPBLK[CMP_LINK] = CMPBLK[CMP_FEED] = CMPBLK[CMP_MASTER] = 2;
    i32 flags[STK_PROC_ROWS] = {0};
    flags[k] = 1;
    for (i32 mode : {0, 1}) {
        i32 st = 0;
        stk_calc_procs(mode, k, flags, st);
        EXPECT_EQ(st, 0) << mode;
        EXPECT_EQ(CMPBLK[CMP_CHANGED], 0) << mode;
        EXPECT_EQ(height_at(10, 0), 10.0f) << mode;
    }
    i32 st = 0;
    stk_gouge_run(k, st);
    EXPECT_EQ(st, 0);
    EXPECT_FALSE(norak::transcript_has("339/120"));
    EXPECT_FALSE(norak::transcript_has("internal:"));
}

TEST_F(Series, AProcedureOfAnEarlierLevelIsLeftOutForABlockValueAboveThree)
{
    for (i32 value : {0, 4}) {
        SCOPED_TRACE(value);
        SetUp();
        procs = 0;
        const i32 t = tooldefs::make_tool(2, 4.0f, 0.0f, 30.0f, 0.0f);
        stock(52, {-6, -6, 0, 36, 20, 10}, 10.0);
        // Level 1: the stock procedure and a stored procedure whose block
        // holds the value (item 81 of group 24), its moves in its entity.
        norak::Entity stored;
        stored.cls = 9;
        stored.type = norak::PROC_TYPE;
        stored.words = {0, 0, 0, 1, 1, 4, 81, 2, 0, value};
        norak::ProcRow row = milling(t);
        row.id = norak::add_entity(stored);
        row.movement = movement({{0, 0, 20}, {0, 0, 8}, {20, 0, 8}});
        norak::set_proc_row(1, procs++, row);
        // Level 2, the current one: the last procedure.
        CLP1[0] = 2;
        norak::set_proc_row(2, 0, milling(t));
        i32 st = 0;
        stk_calc_procs(0, 0, nullptr, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(norak::transcript_has("339/40"), value == 4);
        EXPECT_EQ(height_at(10, 0), value == 4 ? 10.0f : 8.0f);
        // The stored block gets the result of its run (1: stamped, the path
        // as it was); one left out keeps its value.
        i32 v[GS_PARAM_MAX] = {0};
        gs_param(3, row.id, 9, 4, 81, v, st);
        EXPECT_EQ(v[0], value == 4 ? 4 : 1);
        CLP1[0] = 1;
    }
}
}  // namespace
