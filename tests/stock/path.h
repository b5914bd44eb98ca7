// A tool path list for the stock tests, written block by block after the
// header: feeds and tools as technology blocks, lines, arcs and strings.
#pragma once

#include <array>
#include <vector>

#include "blocks/format.h"
#include "blocks/writers.h"
#include "core/codedio.h"
#include "core/words.h"

namespace stocktest {

struct Path {
    i32 next = 1;
    void raw(std::vector<i32> w)
    {
        i32 st = 0;
        BLKOPN(AM_LIST, w[0], 0, st);
        TPPUT(MED_LIST, static_cast<i32>(w.size()) - 1, DT_INT, w.data() + 1, st);
        BLKCLS(AM_LIST);
    }
    void feed(f32 f) { raw({1, next++, 1, 0, r2wrd(f)}); }
    void tool(i32 id) { raw({1, next++, 100, 0, id}); }
    i32 line(f32 x, f32 y, f32 z)
    {
        const f32 p[3] = {x, y, z}, v[3] = {0, 0, 1};
        i32 st = 0;
        PTBT2(AM_LIST, 2, p, v, next, st);
        return next++;
    }
    i32 arc(i32 plane, f32 angle, f32 c0, f32 c1, f32 x, f32 y, f32 z)
    {
        const f32 c[2] = {c0, c1}, e[3] = {x, y, z}, v[3] = {0, 0, 1};
        i32 st = 0;
        PTBT3(AM_LIST, 3, plane, angle, 0.0f, c, e, v, next, st);
        return next++;
    }
    // A string of lines: every record carries the block's number.
    i32 string(const std::vector<std::array<f32, 3>>& pts)
    {
        std::vector<i32> w{7};
        for (const auto& p : pts) {
            w.push_back(next);
            for (f32 c : p) w.push_back(r2wrd(c));
        }
        raw(w);
        return next++;
    }
};

}  // namespace stocktest
