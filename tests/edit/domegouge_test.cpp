// The dome's tool path edited passes the gouge check against the dome: the
// dome is executed with the stock procedure before it holding the dome's
// heights, a run of its passes is deleted THROUGH CLEAR and a loop cut out
// of a figure eight above it, and the path is checked after each.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/writers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/load.h"
#include "core/records.h"
#include "edit/delete.h"
#include "edit/loops.h"
#include "edit/stepping.h"
#include "frame/entry.h"
#include "frame/intctl.h"
#include "platform/norak/norak.h"
#include "stock/gouge.h"
#include "stock/stkgrid.h"
#include "stock/stkseries.h"
#include "tests/common/surfeval.h"

namespace {
// The motion block numbers of the procedure's sub-list, which is left open.
std::vector<i32> open_dome(i32& type12)
{
    std::vector<i32> numbers;
    i32 answer = 0, st = 0, last = -1, k = 0;
    lacces(2, answer);
    while (answer >= 0) {
        i32 size = 0, type = 0, cls = 0;
        TPBLKH(AM_LIST, size, type, cls, st);
        lclos();
        if (type == 12) last = k;
        lacces(1, answer);
        ++k;
    }
    type12 = last;
    lacces(2, answer);
    for (i32 j = 0; j < last; ++j) lacces(1, answer);
    OPNSBL(st);
    if (st < 0) return numbers;
    lacces(2, answer);
    while (answer >= 0) {
        i32 size = 0, type = 0, cls = 0, number = 0;
        TPBLKH(AM_LIST, size, type, cls, st);
        tpget(AM_LIST, 1, DT_INT, &number, st);
        lclos();
        if (cls == BC_MOVE && (type == 2 || type == 22 || type == 222)) numbers.push_back(number);
        // A string's points carry the numbers after its own.
        if (cls == BC_MOVE && (type == 7 || type == 27 || type == 227))
            for (i32 m = 0; m < (size - 1) / (type == 7 ? 4 : 7); ++m) numbers.push_back(number + m);
        lacces(1, answer);
    }
    return numbers;
}
}  // namespace

TEST(DomeGouge, AGapClosedThroughClearAndALoopCutOutPassTheGougeCheck)
{
    std::ifstream f(std::string(TAVREK_SOURCE_DIR) + "/examples/dome.json");
    std::stringstream text;
    text << f.rdbuf();
    const auto surfaces = surfeval::surfaces_of(nlohmann::json::parse(text.str()));
    ASSERT_EQ(surfaces.size(), 1u);
    const surfeval::Surface& srf = surfaces[0].second;

    norak::reset();
    norak::load_session_text(text.str());
    std::vector<i32> dx(STK_DX79_N, r2wrd(-1.0f));
    dx[0] = r2wrd(0.5f);
    norak::set_record("DX79", 4, dx);
    norak::settings().nc["disp_stock"] = 1;
    norak::settings().nc["verify"] = 2;
    // The stock procedure: the dome's heights (its control net is an even
    // grid: x = 100 u, y = 80 v) over its box widened by the tool.
    using GV = norak::GenValue;
    const f64 x0 = -10.0, y0 = -10.0, cell = 0.5;
    const i32 nx = 241, ny = 201;
    std::vector<GV> t{{1, 1}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, f64(nx)}, {1, f64(ny)}};
    for (f64 v : {x0, y0, 0.0, x0 + (nx - 1) * cell, y0 + (ny - 1) * cell, 60.0}) t.push_back({2, v});
    for (i32 j = 0; j < ny; ++j)
        for (i32 i = 0; i < nx; ++i) {
            const f64 x = x0 - 0.001 + i * cell, y = y0 - 0.001 + j * cell;
            if (x < 0 || x > 100 || y < 0 || y > 80) {
                t.push_back({2, 1.0e10});
                continue;
            }
            double p[3];
            srf.eval(x / 100.0, y / 80.0, p);
            t.push_back({2, p[2]});
        }
    t.push_back({2, 0.0});
    t.push_back({2, 0.0});
    norak::ProcRow stock;
    stock.code = 53;
    stock.table = norak::add_gen_table(t);
    norak::set_proc_row(1, 0, stock);

    module_load(nullptr, 1, nullptr);
    DSPMOD = 3;
    tavrek();
    std::string all;
    for (const std::string& l : norak::transcript()) all += l + "\n";
    ASSERT_FALSE(norak::transcript_has("NOT CHECK")) << all;
    ASSERT_EQ(GOUGRP.count, 0) << all;

    // A run of passes in the middle of the path deleted THROUGH CLEAR.
    i32 proc = -1;
    const std::vector<i32> moves = open_dome(proc);
    ASSERT_GT(moves.size(), 200u) << all;
    i32 start[KEY_N], end[KEY_N], result[KEY_N], type = 0, changed = 0, request = 0, st = 0;
    blkkey(start, moves[moves.size() / 3]);
    blkkey(end, moves[moves.size() / 2]);
    std::memcpy(result, start, sizeof result);
    norak::Reply yes;
    yes.kind = "question";
    yes.answer = "yes";
    norak::add_reply(yes);
    DLTBLK(2, 0, result, type, start, end, changed, request, st);
    ASSERT_EQ(st, 0) << all;
    ASSERT_EQ(changed, 1);
    CLSSBL(st);
    GOUGRP = GougeReport{};
    stk_gouge_run(1, st);
    all.clear();
    for (const std::string& l : norak::transcript()) all += l + "\n";
    EXPECT_EQ(st, 0) << all;
    EXPECT_EQ(GOUGRP.count, 0) << all;
    EXPECT_FALSE(norak::transcript_has("internal:")) << all;
    EXPECT_TRUE(norak::transcript_has("question: OK TO DELETE ?"));

    // A figure eight above the dome after the path, its loop deleted.
    open_dome(proc);
    i32 answer = 0;
    lacces(3, answer);
    const f32 eight[5][2] = {{20, 20}, {40, 40}, {40, 20}, {20, 40}, {20, 20}};
    const f32 up[3] = {0, 0, 1};
    for (const auto& e : eight) {
        const f32 p[3] = {e[0], e[1], 45.0f};
        PTBT2(AM_APPEND, 2, p, up, 0, st);
        ASSERT_EQ(st, 0);
    }
    CLSSBL(st);
    const std::vector<i32> after = open_dome(proc);
    ASSERT_GT(after.size(), 5u);
    blkkey(start, after[after.size() - 4]);
    blkkey(end, after.back());
    norak::add_reply(yes);
    lmark(1, 7, answer);  // the editor's position, as DELETE leaves it
    EDTLOP(start, end, type, changed, request, st);
    all.clear();
    for (const std::string& l : norak::transcript()) all += l + "\n";
    EXPECT_EQ(st, 0) << all.substr(all.size() > 3000 ? all.size() - 3000 : 0);
    EXPECT_EQ(changed, 1);
    CLSSBL(st);
    EXPECT_EQ(open_dome(proc).size(), after.size() - 1);
    CLSSBL(st);
    GOUGRP = GougeReport{};
    stk_gouge_run(1, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(GOUGRP.count, 0);

    // The check is live: a move down into the dome after the path is found.
    open_dome(proc);
    lacces(3, answer);
    const f32 in[3] = {50.0f, 40.0f, 5.0f};
    PTBT2(AM_APPEND, 2, in, up, 0, st);
    ASSERT_EQ(st, 0);
    CLSSBL(st);
    GOUGRP = GougeReport{};
    stk_gouge_run(1, st);
    EXPECT_EQ(st, 0);
    EXPECT_GT(GOUGRP.count, 0);
    norak::reset();
}
