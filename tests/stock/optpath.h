// What the optimizer edit tests share: a tool with holder sections stored
// as the tool library keeps it, the machine values and heights of a run, a
// snapshot of the tool path list, the moves of the list as points, and a
// harness that makes a write fail at every place of an edit.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/readers.h"
#include "core/codedio.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "platform/norak/norak.h"
#include "platform/norak/state.h"
#include "stock/movecur.h"
#include "stock/optwords.h"
#include "tools/toolcache.h"
#include "tools/toollib.h"

namespace opttest {

// A holder step: lower and upper diameter, cone length, step length.
using Step = std::array<f32, 4>;

// A milling tool (taper 0) with a holder of the given steps, listed in the
// tool table of milling tools; hmode 2 uses the holder.
inline i32 tool(const char* name, f32 D, f32 R, f32 cut, f32 clear, const std::vector<Step>& steps, i32 hmode = 2,
                f32 taper = 0.0f)
{
    i32 hid = 0;
    if (!steps.empty()) {
        std::vector<i32> h(HLDENT_N, 0);
        h[HD_NSTEP] = static_cast<i32>(steps.size());
        for (size_t i = 0; i < steps.size(); ++i) {
            h[HD_LOWER + i] = r2wrd(steps[i][0]);
            h[HD_UPPER + i] = r2wrd(steps[i][1]);
            h[HD_CONE + i] = r2wrd(steps[i][2]);
            h[HD_STEP + i] = r2wrd(steps[i][3]);
        }
        hid = norak::add_entity(norak::Entity{0, EC_HOLDER, 1, h, {}, ""});
    }
    std::vector<i32> w(TLHDR_N + MLREC_N, 0);
    w[TH_VERS] = 700;
    w[TH_TYPE] = TT_MILL;
    char nm[20];
    std::memset(nm, ' ', 20);
    std::memcpy(nm, name, std::min<size_t>(20, std::strlen(name)));
    std::memcpy(&w[TH_NAME], nm, 20);
    w[TH_HOLD] = hid;
    w[TH_HMOD] = hid > 0 ? hmode : 0;
    w[TH_NREC] = MLREC_N;
    const f32 rec[MLREC_N] = {D, R, cut, clear, taper, 100.0f, 0, 0, 0, 0, 0, 0};
    for (i32 k = 0; k < MLREC_N; ++k) w[TLHDR_N + k] = r2wrd(rec[k]);
    const i32 id = norak::add_entity(norak::Entity{0, EC_TOOL, 1, w, {}, ""});
    i32 st = 0;
    TLTADD(TT_MILL, id, nm, st);
    TLCCLR();
    return id;
}

// The machine values of the tests: base feed 1000, named feeds 50, 20, 70
// and 80 % (plunge 200), the maximum feed (form 27) read as -2; heights:
// clearance 4.
inline void machine()
{
    PRM9[0] = r2wrd(1000.0f);
    PRM9[21] = r2wrd(-2.0f);
    PRM9[3] = 50;
    PRM9[4] = 20;
    PRM9[5] = 70;
    PRM9[6] = 80;
    HEI8[0] = r2wrd(4.0f);
    HEI8[24] = r2wrd(4.0f);
    HEI8[76] = 0;
}

// Moves the list's block counter past the numbers a test path gave.
inline void counter_past(i32 number)
{
    i32 list = 0, v = number + 1;
    gtlstn(1, list);
    gsblkn(2, list, v);
}

// The list's elements, words only.
inline std::vector<std::vector<i32>> snapshot()
{
    std::vector<std::vector<i32>> s;
    for (const auto& e : norak::main_list().elems) s.push_back(e.words);
    return s;
}

// One motion of the list: its block number, type, end point, the feed
// in force, the tool of the last tool change before it (0 none) and the
// spindle value in force (0 none).
// A clamped cubic B-spline of four control points (one span), with its
// points by the Bernstein form and a point's distance from it.
struct Cubic {
    std::vector<f64> U{0, 0, 0, 0, 1, 1, 1, 1}, P;
    explicit Cubic(std::vector<f64> points) : P(std::move(points)) {}
    std::array<f64, 3> at(f64 t) const
    {
        const f64 b[4] = {(1 - t) * (1 - t) * (1 - t), 3 * t * (1 - t) * (1 - t), 3 * t * t * (1 - t), t * t * t};
        std::array<f64, 3> q{0, 0, 0};
        for (int i = 0; i < 4; ++i)
            for (int a = 0; a < 3; ++a) q[size_t(a)] += b[i] * P[size_t(3 * i + a)];
        return q;
    }
    // Squared distance of p from the curve, by dense samples.
    f64 dist2(const f32* p) const
    {
        f64 best = 1e300;
        for (int i = 0; i <= 20000; ++i) {
            const auto q = at(i / 20000.0);
            best = std::min(best, std::pow(q[0] - p[0], 2) + std::pow(q[1] - p[1], 2) + std::pow(q[2] - p[2], 2));
        }
        return best;
    }
};

struct Move {
    i32 number, type;
    f32 p[3];
    f32 feed;
    i32 tool = 0, spindle = 0;
};

// end_tool (when given): the tool in force at the list's end.
inline std::vector<Move> moves(i32* end_tool = nullptr)
{
    std::vector<Move> out;
    i32 a = 0, tool = 0, spindle = 0;
    lacces(2, a);
    f32 feed = 0;
    while (true) {
        i32 size = 0, type = 0, cls = 0, st = 0;
        TPBLKH(MV_LIST, size, type, cls, st);
        if (st < 0) break;
        if (cls == BC_TECH) {
            i32 n = 0, p = 0, kind = 0, iv = 0;
            f32 rv = 0;
            RDBT1(MV_LIST, n, p, kind, iv, rv, st);
            if (p == 1) feed = rv;
            if (p == 100) tool = iv;
            if (p == 2) spindle = iv;
        } else if (cls == BC_MOVE) {
            Move m{0, type, {0, 0, 0}, feed, tool, spindle};
            i32 records = 1;
            f32 v[3];
            if (mv_line(type) || mv_string(type)) {
                for (i32 r = 0; r < records; ++r) {
                    RDBT2(MV_LIST, type, size, records, m.number, m.p, v, st);
                    out.push_back(m);
                }
            } else {
                tpget(MED_LIST, 1, DT_INT, &m.number, st);
                move_end_point(m.p, st);
                out.push_back(m);
            }
        }
        lacces(1, a);
        if (a < 0) break;
    }
    if (end_tool) *end_tool = tool;
    return out;
}

// Runs `edit` on a fresh path from `make` with the list refused past its
// size plus k words, for k from 0 up; every failed run must leave the list
// and the base feed as they were. Answers the number of failed runs before
// the first that succeeded.
inline i32 every_failure(const std::function<void()>& make, const std::function<i32()>& edit, i32 step = 1)
{
    i32 failed = 0;
    for (i32 k = 0; k < 4000; k += step) {
        make();
        const auto before = snapshot();
        const i32 base = PRM9[0];
        norak::settings().list_capacity = static_cast<i32>(norak::total_list_words()) + k;
        const i32 st = edit();
        norak::settings().list_capacity = 64 * 1024 * 1024;
        EXPECT_EQ(PRM9[0], base) << "the base feed after k = " << k;
        if (st >= 0) return failed;
        ++failed;
        EXPECT_EQ(snapshot(), before) << "the list after a failure at k = " << k;
    }
    ADD_FAILURE() << "the edit never succeeded";
    return failed;
}

// The n-th list access refused, for every n until one goes through
// untouched: make() builds the case, run() runs it and answers its status,
// and a run that does not fail is handed to whole(n) to check its result.
// Answers the number of runs that failed.
inline i32 every_refusal(const std::function<void()>& make, const std::function<i32()>& run,
                         const std::function<void(i32)>& whole, i32 most = 3000)
{
    i32 failed = 0;
    bool untouched = false;
    for (i32 n = 1; n < most && !untouched; ++n) {
        make();
        norak::fail_list_call("lacces", n);
        const i32 st = run();
        norak::fail_list_call("lacces", 0);
        untouched = !norak::transcript_has("lacces refused");
        if (st < 0)
            ++failed;
        else
            whole(n);
    }
    EXPECT_TRUE(untouched);
    return failed;
}

}  // namespace opttest
