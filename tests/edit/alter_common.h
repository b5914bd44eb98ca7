// Tool paths for the alteration tests: motions written at absolute
// coordinates after a feed block, the motions read back, the reset of the
// alteration state.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "blocks/format.h"
#include "blocks/listdsp.h"
#include "blocks/movement.h"
#include "blocks/writers.h"
#include "core/modflg.h"
#include "core/params.h"
#include "edit/alter/motion.h"
#include "edit/alter/state.h"
#include "tests/edit/editor_common.h"

namespace alt {

// A fresh editor host, the alteration state and defaults reset, the
// writers' last point at start.
inline void fresh(std::array<f32, 3> start = {0, 0, 20})
{
    ed::fresh();
    trim_state_reset();
    zqa1_defaults();
    ALTPDF = AlterDefaults{};
    HFLSET(1);  // rapids stay rapids (a gap reconnection may have cleared the hold)
    ZBASE = 0.0f;
    EDTFED = -1.0f;
    for (int k = 0; k < 3; ++k) MOVST.point[k] = start[k];
    PRM9[0] = r2wrd(100.0f);
    PRM9[4] = 50;
    PRM9[6] = 70;
}

// A line (type 2) to the absolute point.
inline void line(f32 x, f32 y, f32 z, i32 type = 2)
{
    const f32 p[3] = {x, y, z}, v[3] = {0, 0, 1};
    i32 st = 0;
    PTBT2(AM_APPEND, type, p, v, 0, st);
}

// An arc (type 3) in the plane (1 XY, 2 XZ, 3 YZ) about the centre to the
// absolute end, swept by the angle, stepped at 0.1.
inline void arc(i32 plane, f32 sweep, std::array<f32, 2> centre, std::array<f32, 3> end)
{
    const f32 v[3] = {0, 0, 1};
    i32 st = 0;
    PTBT3(AM_APPEND, 3, plane, sweep, 0.1f, centre.data(), end.data(), v, 0, st);
}

// A string of lines (type 7) through the absolute points.
inline void string(const std::vector<std::array<f32, 3>>& points)
{
    i32 st = 0;
    BLKOPN(AM_APPEND, 7, 1, st);
    const f32 v[3] = {0, 0, 1};
    for (const auto& q : points) {
        i32 number = 0;
        NXTBLN(number);
        PTSTRP(AM_APPEND, 7, number, q.data(), v, st);
    }
    BLKCLS(AM_APPEND);
}

// A feed block of the value (-1 rapid).
inline void feed(f32 value) { fix::tech(1, value); }

// One motion read back: type, number and end point.
struct Move {
    i32 type, number;
    f32 x, y, z;
};
// Every motion block of the main list in order (a string gives each point).
inline std::vector<Move> moves()
{
    std::vector<Move> out;
    const auto& elems = norak::main_list().elems;
    for (size_t k = 1; k < elems.size(); ++k) {
        const auto& w = elems[k].words;
        if (w.size() < 5) continue;
        const i32 t = w[0];
        auto r = [&](size_t i) { return wrd2r(w[i]); };
        if (t == 2 || t == 22 || t == 222) out.push_back({t, w[1], r(2), r(3), r(4)});
        if (t == 3 || t == 23 || t == 223) out.push_back({t, w[1], r(7), r(8), r(9)});
        if (t == 7 || t == 27 || t == 227) {
            const size_t rec = t == 7 ? 4 : 7;
            for (size_t i = 1; i + 3 < w.size(); i += rec) out.push_back({t, w[i], r(i + 1), r(i + 2), r(i + 3)});
        }
    }
    return out;
}

// Every block of the main list drawn, in order.
inline void draw_all()
{
    i32 answer = 0, pause = 0, st = 0;
    for (lacces(2, answer); answer >= 1; lacces(1, answer)) DISPLB(1, pause, st);
}

// The drawing shows the list as it is: every motion is drawn ending at its
// block's end, and nothing is drawn of a motion the list no longer holds
// (the list head, block 0, aside).
inline void expect_drawn_as_listed(const std::string& what)
{
    std::map<i32, Move> ends;
    for (const auto& m : moves()) ends[m.number] = m;
    std::map<i32, const norak::DisplayBlock*> drawn;
    for (const auto& d : norak::display_blocks())
        if (!d.points.empty() && d.key1 != 0) drawn[d.key1] = &d;
    for (const auto& [number, d] : drawn) EXPECT_TRUE(ends.count(number)) << what << ": block " << number << " is drawn but gone";
    for (const auto& [number, m] : ends) {
        const auto at = drawn.find(number);
        if (at == drawn.end()) {
            ADD_FAILURE() << what << ": block " << number << " is not drawn";
            continue;
        }
        EXPECT_NEAR(at->second->points.back()[0], m.x, 1e-4) << what << ": block " << number;
        EXPECT_NEAR(at->second->points.back()[2], m.z, 1e-4) << what << ": block " << number;
    }
}

// The number of transcript lines that hold the text.
inline size_t count(const std::string& text)
{
    size_t n = 0;
    for (const std::string& l : norak::transcript())
        if (l.find(text) != std::string::npos) ++n;
    return n;
}

}  // namespace alt
