// The stand-in host's stock simulation, array marking, double thinning and
// trigonometric equation, as platform/norak/README.md states them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"

namespace {

class StockSim : public ::testing::Test {
protected:
    void SetUp() override { norak::reset(); }
};

TEST_F(StockSim, KeyAndValidityAreKeptUntilTheHostIsReset)
{
    i32 key = 0, valid = 0, level = 9, ucs = 9;
    sim_stk_key_get(key);
    sim_get_valid(valid, level, ucs);
    EXPECT_EQ(key, -1);
    EXPECT_EQ(valid, -1);  // no grid yet
    sim_stk_key_set(7);
    sim_stk_key_get(key);
    EXPECT_EQ(key, 7);
    sim_stk_key_set(-5);
    sim_stk_key_get(key);
    EXPECT_EQ(key, -1);
    sim_mark_valid(3, 2, 11);
    sim_get_valid(valid, level, ucs);
    EXPECT_EQ(valid, 3);
    EXPECT_EQ(level, 2);
    EXPECT_EQ(ucs, 11);
    sim_mark_valid(-4, 1, 0);
    sim_get_valid(valid, level, ucs);
    EXPECT_EQ(valid, 0);
    norak::reset();
    sim_get_valid(valid, level, ucs);
    EXPECT_EQ(valid, -1);
}

// A coordinate-system entity of that origin and axes (x, y, z one after another).
i32 ucs_entity(const std::vector<f32>& origin_axes)
{
    norak::Entity e;
    e.cls = 8;
    e.type = 1;
    e.words = {0, 0, 0, r2wrd(0.0f)};
    for (f32 v : origin_axes) e.words.push_back(r2wrd(v));
    e.words.insert(e.words.end(), {0, 0, 0});
    return norak::add_entity(e);
}

TEST_F(StockSim, CoordinateSystemsAreTheSameByIdOrByTheirOriginAndAxes)
{
    const i32 world = ucs_entity({0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1});
    const i32 shifted = ucs_entity({0, 0, 5, 1, 0, 0, 0, 1, 0, 0, 0, 1});
    const i32 turned = ucs_entity({0, 0, 0, 0, 1, 0, -1, 0, 0, 0, 0, 1});
    const i32 again = ucs_entity({0, 0, 5, 1, 0, 0, 0, 1, 0, 0, 0, 1.000001f});
    struct Case {
        i32 a, b, answer;
    };
    for (const Case& c : {Case{0, 0, 0}, Case{77, 77, 0}, Case{0, world, 0}, Case{world, 0, 0}, Case{shifted, again, 0},
                          Case{0, shifted, 1}, Case{0, turned, 1}, Case{shifted, turned, 1}, Case{0, 77, 1},
                          Case{77, 78, 1}}) {
        EXPECT_EQ(if_rotate_ucs(c.a, c.b), c.answer) << c.a << " " << c.b;
    }
    // The setting answers the question without a pair.
    EXPECT_EQ(if_rotate_ucs(), 0);
    norak::settings().nc["rotate_ucs"] = 1;
    EXPECT_EQ(if_rotate_ucs(), 1);
}

TEST_F(StockSim, TheGridHandedOverIsKeptAndNoted)
{
    const f32 box[6] = {-1.5f, 2.0f, 0.0f, 10.0f, 20.25f, 0.0f};
    const i32 flags[4] = {-1, -1, -2, 0};
    int cells = 0;
    init_nc_df_stk_vars(1, &cells, 4, 93, 147, box, 0.125f, flags);
    const norak::StockSim& s = norak::stock_sim();
    EXPECT_EQ(s.handed, 1);
    EXPECT_EQ(s.not_display, 1);
    EXPECT_EQ(s.base, &cells);
    EXPECT_EQ(s.handle, 4);
    EXPECT_EQ(s.nx, 93);
    EXPECT_EQ(s.ny, 147);
    EXPECT_EQ(s.box[4], 20.25f);
    EXPECT_EQ(s.cell, 0.125f);
    EXPECT_EQ(s.flags[2], -2);
    EXPECT_TRUE(norak::transcript_has("stock: working grid 93 x 147 cell 0.125 from (-1.5, 2) to (10, 20.25)"));
    init_nc_df_stk_vars(0, &cells, 4, 1, 1, box, 2.0f, flags);
    EXPECT_TRUE(norak::transcript_has("stock: display grid 1 x 1 cell 2"));
}

TEST_F(StockSim, StockNumberAndSystemArrays)
{
    i32 k = -1;
    gsvnum(1, k);
    EXPECT_EQ(k, 0);
    norak::settings().nc["stock_number"] = 12;
    gsvnum(1, k);
    EXPECT_EQ(k, 12);
    i32 h = -1, st = 0;
    void* b = nullptr;
    MM_OPEN_ARRAY(16, 10, h, b, st);
    ASSERT_EQ(st, 0);
    MM_SYSTEM(h, st);
    EXPECT_EQ(st, 0);
    MM_CLOSE(h, st);
    MM_SYSTEM(3, st);
    EXPECT_EQ(st, -1);
}

TEST(HostGeometry, DoubleThinningKeepsEveryDroppedPointWithinTheTolerance)
{
    // A quarter circle of 200 points in the plane, then a helix in space.
    for (i32 dim : {2, 3}) {
        std::vector<f64> p;
        const i32 n0 = 200;
        for (i32 k = 0; k < n0; ++k) {
            const f64 t = 0.5 * M_PI * k / (n0 - 1);
            p.push_back(5.0 * std::cos(t));
            p.push_back(5.0 * std::sin(t));
            if (dim == 3) p.push_back(0.3 * t);
        }
        const std::vector<f64> orig = p;
        i32 n = n0;
        diluld(dim, 0.01, p.data(), n);
        EXPECT_LT(n, n0 / 4);
        EXPECT_GT(n, 2);
        EXPECT_EQ(p[0], orig[0]);
        EXPECT_EQ(p[static_cast<size_t>(dim) * (n - 1)], orig[static_cast<size_t>(dim) * (n0 - 1)]);
        // Every original point lies within the tolerance of the kept polyline.
        for (i32 k = 0; k < n0; ++k) {
            f64 best = 1e30;
            for (i32 s = 0; s + 1 < n; ++s) {
                const f64* a = &p[static_cast<size_t>(dim) * s];
                const f64* b = a + dim;
                const f64* q = &orig[static_cast<size_t>(dim) * k];
                f64 ab = 0, aq = 0;
                for (i32 c = 0; c < dim; ++c) ab += (b[c] - a[c]) * (b[c] - a[c]), aq += (q[c] - a[c]) * (b[c] - a[c]);
                f64 t = std::fmin(1.0, std::fmax(0.0, aq / ab)), d = 0;
                for (i32 c = 0; c < dim; ++c) d += std::pow(q[c] - a[c] - t * (b[c] - a[c]), 2);
                best = std::fmin(best, std::sqrt(d));
            }
            EXPECT_LE(best, 0.01 + 1e-12) << dim << " " << k;
        }
    }
    f64 four[8] = {0, 0, 1, 1e-9, 2, 0, 3, 0};
    i32 n = 4;
    diluld(4, 1.0, four, n);  // a dimension it does not know: unchanged
    EXPECT_EQ(n, 4);
}

TEST(HostGeometry, TrigonometricEquation)
{
    f64 r[2];
    i32 count = 0;
    trigo_abc(1.0, 1.0, 1.0, r, count);  // cos + sin = 1: 0 and pi/2
    ASSERT_EQ(count, 2);
    for (f64 phi : r) EXPECT_NEAR(std::cos(phi) + std::sin(phi), 1.0, 1e-12);
    EXPECT_NEAR(std::fmin(r[0], r[1]), 0.0, 1e-12);
    EXPECT_NEAR(std::fmax(r[0], r[1]), M_PI / 2, 1e-12);
    trigo_abc(-3.0, 0.5, 2.0, r, count);
    ASSERT_EQ(count, 2);
    for (f64 phi : r) {
        EXPECT_NEAR(-3.0 * std::cos(phi) + 0.5 * std::sin(phi), 2.0, 1e-12);
        EXPECT_GT(phi, -M_PI);
        EXPECT_LE(phi, M_PI);
    }
    trigo_abc(1.0, 0.0, 1.0, r, count);  // tangent: the root twice
    ASSERT_EQ(count, 2);
    EXPECT_NEAR(r[0], 0.0, 1e-12);
    EXPECT_NEAR(r[1], 0.0, 1e-12);
    trigo_abc(1.0, 1.0, 2.0, r, count);
    EXPECT_EQ(count, 0);
    trigo_abc(0.0, 0.0, 0.0, r, count);
    EXPECT_EQ(count, 0);
}

}  // namespace

TEST_F(StockSim, GenericTablesAreReadInOrderAndRefuseTheWrongKindOrTheEnd)
{
    const i32 t = norak::add_gen_table({{1, 3}, {2, 1.5}, {2, -2.25}, {1, 7}});
    i32 st = 0, iv[2] = {0, 0};
    f32 rv[2] = {0, 0};
    gen_table_get_int(iv, 1, st);
    EXPECT_EQ(st, -1);  // not open
    gen_table_open(t + 1, 1, st);
    EXPECT_EQ(st, -1);
    gen_table_open(t, 2, st);
    EXPECT_EQ(st, -1);
    gen_table_open(t, 1, st);
    ASSERT_EQ(st, 0);
    gen_table_get_real(rv, 1, st);
    EXPECT_EQ(st, -1);  // an int comes first: nothing taken
    gen_table_get_int(iv, 1, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(iv[0], 3);
    gen_table_get_real(rv, -1, st);
    EXPECT_EQ(st, -1);  // a negative count: refused, the reader stays
    gen_table_get_real(rv, 2, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(rv[0], 1.5f);
    EXPECT_EQ(rv[1], -2.25f);
    gen_table_get_int(iv, 2, st);
    EXPECT_EQ(st, -1);  // one value left
    gen_table_get_int(iv, 1, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(iv[0], 7);
    gen_table_get_int(iv, 0, st);
    EXPECT_EQ(st, 0);  // nothing asked, nothing taken
    gen_table_close();
    gen_table_get_int(iv, 1, st);
    EXPECT_EQ(st, -1);
    gen_table_open(t, 1, st);  // again from the start
    gen_table_get_int(iv, 1, st);
    EXPECT_EQ(iv[0], 3);
    gen_table_close();
}

TEST_F(StockSim, ProcedureTablesStocksAndTheKeptGridAnswerWhatWasSet)
{
    i32 row[PTAB_N], st = 0;
    get_proc_table(1, 0, row, st);
    EXPECT_EQ(st, -1);  // no rows yet
    const i32 before = sim_work_on(1);
    norak::ProcRow s;
    s.code = 52, s.ucs = 3, s.id = 40, s.movement = 41, s.table = 2, s.kind = 2;
    s.box[3] = 9.5f, s.heights[1] = 4.0f, s.npt[2] = 1.25f;
    norak::set_proc_row(1, 2, s);
    EXPECT_EQ(sim_work_on(1), std::max(before, 3));  // the next procedure comes after the rows
    get_proc_table(1, 0, row, st);  // a row skipped over: a procedure of code 0
    EXPECT_EQ(st, 0);
    EXPECT_EQ(row[PTAB_CODE], 0);
    EXPECT_EQ(row[PTAB_CALC], 1);
    EXPECT_EQ(row[PTAB_LINK], -1);
    get_proc_table(1, 2, row, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(row[PTAB_CODE], 52);
    EXPECT_EQ(row[PTAB_UCS], 3);
    EXPECT_EQ(row[PTAB_ID], 40);
    EXPECT_EQ(row[PTAB_MOVE], 41);
    get_proc_table(1, 3, row, st);
    EXPECT_EQ(st, -1);
    get_proc_table(2, 0, row, st);
    EXPECT_EQ(st, -1);  // no such level
    i32 table = 0, kind = 0;
    f32 box[6], h[2], npt[3];
    get_stockid_and_minmax(1, 2, table, box, kind, h, npt, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(table, 2);
    EXPECT_EQ(kind, 2);
    EXPECT_EQ(box[3], 9.5f);
    EXPECT_EQ(h[1], 4.0f);
    EXPECT_EQ(npt[2], 1.25f);
    get_stockid_and_minmax(1, 0, table, box, kind, h, npt, st);
    EXPECT_EQ(st, -1);  // no stock procedure

    i32 hdl = 5, nx = 1, ny = 1, n = 1;
    f32 gb[6] = {1, 2, 3, 4, 5, 6}, cell = 1.0f;
    set_get_stock_vars(1, hdl, nx, ny, n, gb, cell);
    EXPECT_EQ(hdl, -1);  // nothing kept yet
    hdl = 7, nx = 3, ny = 4, n = 12, cell = 0.5f, gb[4] = 8.0f;
    set_get_stock_vars(2, hdl, nx, ny, n, gb, cell);
    hdl = nx = ny = n = 0, cell = 0.0f, gb[4] = 0.0f;
    set_get_stock_vars(1, hdl, nx, ny, n, gb, cell);
    EXPECT_EQ(hdl, 7);
    EXPECT_EQ(n, 12);
    EXPECT_EQ(cell, 0.5f);
    EXPECT_EQ(gb[4], 8.0f);
    hdl = -5;
    set_get_stock_vars(2, hdl, nx, ny, n, gb, cell);
    hdl = 0;
    set_get_stock_vars(1, hdl, nx, ny, n, gb, cell);
    EXPECT_EQ(hdl, -1);  // any negative handle is kept as -1
    norak::reset();
    set_get_stock_vars(1, hdl, nx, ny, n, gb, cell);
    EXPECT_EQ(hdl, -1);
    get_proc_table(1, 2, row, st);
    EXPECT_EQ(st, -1);
}
