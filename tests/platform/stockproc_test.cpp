// Stock procedures described in a session and the picture of the stock
// grid, as platform/norak/README.md states them: the rows and generic
// tables they become, the heights sampled from the surfaces, refusals of
// malformed descriptions; the PNG decoded back to its pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"
#include "tests/common/pngread.h"

namespace {

std::string session(const std::string& entities)
{
    return R"({"entities": [)" + entities + "]}";
}

// The generic table of the stock procedure at row `index`, read as the
// module reads it: the format and the four ignored ints, then the rest.
struct Table {
    i32 format = 0, nx = 0, ny = 0;
    f32 box[6] = {};
    std::vector<f32> heights;  // format 1: the rows; format 3: the one height
};

Table table_of(i32 index)
{
    Table t;
    i32 id = 0, kind = 0, st = 0;
    f32 box[6], heights[2], npt[3];
    get_stockid_and_minmax(1, index, id, box, kind, heights, npt, st);
    EXPECT_EQ(st, 0);
    gen_table_open(id, 1, st);
    EXPECT_EQ(st, 0);
    i32 head[5];
    gen_table_get_int(head, 5, st);
    t.format = head[0];
    if (t.format == 3) {
        i32 w[6];
        gen_table_get_int(w, 6, st);
        t.heights.resize(1);
        gen_table_get_real(t.heights.data(), 1, st);
        gen_table_get_real(t.box, 6, st);
    } else {
        i32 w[2];
        gen_table_get_int(w, 2, st);
        t.nx = w[0], t.ny = w[1];
        gen_table_get_real(t.box, 6, st);
        t.heights.resize(size_t(t.nx) * size_t(t.ny));
        gen_table_get_real(t.heights.data(), t.nx * t.ny, st);
        f32 tail[2];
        gen_table_get_real(tail, 2, st);
    }
    EXPECT_EQ(st, 0);
    f32 more = 0;
    gen_table_get_real(&more, 1, st);
    EXPECT_EQ(st, -1);  // nothing after the table's end
    gen_table_close();
    return t;
}

TEST(StockProcedures, ABlockAndTheHeightsOfATrimmedTiltedPlaneBecomeRowsInOrder)
{
    norak::reset();
    // A plane z = 5 + 0.5 x over 0..10 x 0..8, a square hole in (u, v)
    // from 0.4 to 0.6 in both.
    norak::load_session_text(session(R"(
      {"kind": "plane_patch", "id": 11, "origin": [0, 0, 5], "u_axis": [10, 0, 5], "v_axis": [0, 8, 0],
       "loops": [{"points": [[0, 0], [1, 0], [1, 1], [0, 1]]}, {"points": [[0.4, 0.4], [0.6, 0.4], [0.6, 0.6], [0.4, 0.6]]}]},
      {"kind": "stock_procedure", "code": 52, "box": [-2, -2, 0, 12, 10, 20], "top": 15},
      {"kind": "stock_procedure", "code": 53, "box": [-2, -2, 0, 12, 10, 20], "cell": 0.5, "surfaces": [11], "ucs": 4})"));
    i32 row[PTAB_N], st = 0;
    get_proc_table(1, 0, row, st);  // the level's start: no procedure
    ASSERT_EQ(st, 0);
    EXPECT_EQ(row[PTAB_CODE], 0);
    get_proc_table(1, 1, row, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(row[0], 52);
    get_proc_table(1, 2, row, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(row[0], 53);
    EXPECT_EQ(row[6], 4);  // its coordinate system
    EXPECT_EQ(sim_work_on(0), 3);  // the module's procedures come after them
    // The procedure being worked on has its row, to be stamped; none after it.
    get_proc_table(1, 3, row, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(row[PTAB_CODE], nu_sgcd_get_code());
    EXPECT_EQ(row[PTAB_CALC], 1);
    EXPECT_EQ(row[PTAB_LINK], -1);
    get_proc_table(1, 4, row, st);
    EXPECT_EQ(st, -1);

    const Table block = table_of(1);
    EXPECT_EQ(block.format, 3);
    EXPECT_FLOAT_EQ(block.heights[0], 15.0f);
    EXPECT_FLOAT_EQ(block.box[3], 12.0f);

    const Table ref = table_of(2);
    ASSERT_EQ(ref.format, 1);
    ASSERT_EQ(ref.nx, 29);
    ASSERT_EQ(ref.ny, 25);
    int none = 0, hole = 0;
    for (i32 j = 0; j < ref.ny; ++j)
        for (i32 i = 0; i < ref.nx; ++i) {
            const f64 x = -2 + 0.5 * i, y = -2 + 0.5 * j;
            const f32 h = ref.heights[size_t(j * ref.nx + i)];
            const bool on = x >= 0 && x <= 10 && y >= 0 && y <= 8;
            const bool in_hole = x > 4.1 && x < 5.9 && y > 3.3 && y < 4.7;
            if (!on || in_hole) {
                EXPECT_GE(h, 1.0e9f) << x << " " << y;
                none += !on, hole += in_hole;
            } else if (x > 0.1 && x < 9.9 && y > 0.1 && y < 7.9 && !(x > 3.9 && x < 6.1 && y > 3.1 && y < 4.9)) {
                EXPECT_NEAR(h, 5.0 + 0.5 * x, 1e-4) << x << " " << y;
            }
        }
    EXPECT_GT(none, 0);
    EXPECT_GT(hole, 0);
    norak::reset();
}

TEST(StockProcedures, EveryProcedureMadeKeepsItsRowAndTheStockIsAskedForUntilMarkedAtTheLast)
{
    norak::reset();
    norak::load_session_text(session(R"(
      {"kind": "stock_procedure", "code": 52, "box": [0, 0, 0, 10, 10, 5], "top": 5})"));
    EXPECT_EQ(sim_work_on(1), 2);
    EXPECT_TRUE(norak::stock_left_uncomputed());
    // Two procedures made one after the other, each with its tool drawn:
    // each keeps its row with that tool when the counter moves on, and the
    // third is the one worked on (with the tool in use).
    const f32 rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, at[3] = {0, 0, 0}, up[3] = {0, 0, 1};
    i32 fig = 0, st = 0;
    figtol(0, 101, rows, at, fig, st);
    EXPECT_EQ(sim_work_on(2), 3);
    figtol(0, 102, rows, at, fig, st);
    figaro(at, up, fig, st);  // an arrow drawn after it changes nothing
    EXPECT_EQ(sim_work_on(2), 4);
    i32 row[PTAB_N];
    const i32 tools[3] = {101, 102, 0};
    for (i32 k : {2, 3, 4}) {
        get_proc_table(1, k, row, st);
        ASSERT_EQ(st, 0) << k;
        EXPECT_EQ(row[PTAB_TOOL], tools[k - 2]) << k;
    }
    for (i32 k : {2, 3, 4}) {
        get_proc_table(1, k, row, st);
        ASSERT_EQ(st, 0) << k;
        EXPECT_EQ(row[PTAB_CODE], nu_sgcd_get_code()) << k;
        EXPECT_EQ(row[PTAB_CALC], 1) << k;
        EXPECT_EQ(row[PTAB_CHANGED], 0) << k;
        EXPECT_EQ(row[PTAB_LINK], -1) << k;
    }
    get_proc_table(1, 5, row, st);
    EXPECT_EQ(st, -1);
    // The stock marked valid at the start of the level or at the first
    // procedure does not reach the last one made (3); marked there, it does.
    sim_mark_valid(0, 1, 0);
    sim_mark_valid(2, 1, 0);
    EXPECT_TRUE(norak::stock_left_uncomputed());
    sim_mark_valid(3, 1, 0);
    sim_mark_valid(0, 1, 0);  // a later grid opened: the furthest mark stays
    EXPECT_FALSE(norak::stock_left_uncomputed());

    // Without stock procedures no rows are kept and nothing is asked for.
    norak::reset();
    EXPECT_FALSE(norak::stock_left_uncomputed());
    sim_work_on(2);
    get_proc_table(1, 0, row, st);
    EXPECT_EQ(st, -1);
    norak::reset();
}

TEST(StockProcedures, MalformedDescriptionsStopTheLoadNamingThePlace)
{
    const std::vector<std::pair<std::string, std::string>> bad = {
        {R"({"kind": "stock_procedure", "code": 54, "box": [0, 0, 0, 1, 1, 1], "top": 1})", "52 or 53"},
        {R"({"kind": "stock_procedure", "code": 52, "box": [0, 0, 0, 1, 1], "top": 1})", "six numbers"},
        {R"({"kind": "stock_procedure", "code": 52, "box": [2, 0, 0, 1, 1, 1], "top": 1})", "above the minimum"},
        {R"({"kind": "stock_procedure", "code": 53, "box": [0, 0, 0, 1, 1, 1], "surfaces": [99]})", "no surface"},
        {R"({"kind": "stock_procedure", "code": 53, "box": [0, 0, 0, 1, 1, 1], "cell": 0, "surfaces": [99]})",
         "above 0"},
        {R"({"kind": "stock_procedure", "code": 53, "box": [0, 0, 0, 10000, 10000, 1], "cell": 1, "surfaces": [9]})",
         "4,000,000"},
    };
    for (const auto& [entity, why] : bad) {
        norak::reset();
        try {
            norak::load_session_text(session(entity));
            ADD_FAILURE() << entity << " was taken";
        } catch (const norak::session_error& e) {
            EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("entities[0]"), std::string::npos) << e.what();
        }
        i32 row[PTAB_N], st = 0;
        get_proc_table(1, 0, row, st);
        EXPECT_EQ(st, -1) << entity;
    }
    norak::reset();
}

// ---- the picture

struct Cell {
    std::uint16_t w1, w2;
    i32 move;
    f32 h1, h2;
};

TEST(StockPicture, TheKeptGridIsDrawnNorthUpFromDarkToWhiteAndBlackWithoutStock)
{
    norak::reset();
    const std::string dir = ::testing::TempDir() + "stockpic_" + std::to_string(getpid());
    ASSERT_EQ(std::system(("mkdir -p '" + dir + "'").c_str()), 0);
    // No grid held: nothing written.
    EXPECT_EQ(norak::write_stock_picture(dir), "");
    EXPECT_FALSE(std::ifstream(dir + "/stock.png").good());

    // 100 x 3 cells: rising along X in the first row, no stock in the
    // second (its first half empty, its second half cut through the raw
    // block's bottom at Z -10, keeping the depth the tool reached), the top
    // in the third.
    norak::load_session_text(session(R"(
      {"kind": "stock_procedure", "code": 52, "box": [0, 0, -10, 50, 1.5, 99], "top": 99})"));
    i32 nx = 100, ny = 3, ncells = 300, handle = -1, st = 0;
    void* base = nullptr;
    MM_OPEN_ARRAY(16, ncells, handle, base, st);
    ASSERT_EQ(st, 0);
    Cell* c = static_cast<Cell*>(base);
    for (i32 i = 0; i < nx; ++i) {
        c[i] = {7, 7, 1, f32(i), -5.0f};
        c[nx + i] = {0, 0, 0, i < nx / 2 ? 1.0e10f : -10.0f - f32(i) / 10.0f, 0.0f};
        c[2 * nx + i] = {0, 0, 0, 99.0f, 0.0f};
    }
    f32 box[6] = {0, 0, 0, 50, 1.5f, 0}, cell = 0.5f;
    set_get_stock_vars(2, handle, nx, ny, ncells, box, cell);
    EXPECT_EQ(norak::write_stock_picture(dir), "");
    std::ifstream f(dir + "/stock.png", std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    std::uint32_t w = 0, h = 0;
    std::vector<unsigned char> pix;
    ASSERT_TRUE(pngread::decode(s.str(), w, h, pix));
    ASSERT_EQ(w, 400u);  // four pixels a cell
    ASSERT_EQ(h, 12u);
    auto at = [&](std::uint32_t x, std::uint32_t y) { return pix[size_t(y) * w + x]; };
    for (std::uint32_t x = 0; x < w; ++x) {
        EXPECT_EQ(at(x, 0), 255) << x;  // the third row, the highest, on top
        EXPECT_EQ(at(x, 5), 0) << x;    // no stock
        if (x >= 4) {
            EXPECT_GT(at(x, 11), at(x - 4, 11)) << x;
        }
    }
    EXPECT_EQ(at(0, 11), 40);  // the lowest
    for (std::uint32_t y = 8; y < 12; ++y)
        for (std::uint32_t x = 1; x < 4; ++x) EXPECT_EQ(at(x, y), at(0, 8));  // one cell, one square
    MM_CLOSE(handle, st);
    EXPECT_EQ(norak::write_stock_picture(dir + "/gone"), "");  // closed: nothing drawn
    ASSERT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
    norak::reset();
}

}  // namespace
