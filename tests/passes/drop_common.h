// The written tool path against the independent reference drop of the
// tool over the exact surfaces (the tests' own evaluator and drop): every
// move sampled; no point lies below the drop (a gouge) by more than the
// tolerance, and no cutting point above it by more than the tolerance.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/surfeval.h"
#include "core/words.h"
#include "platform/norak/norak.h"
#include "tests/passes/checker.h"

namespace drp {

struct Move {
    double a[3], b[3];
    bool cuts;  // a string move inside the strings of a surface, not in an approach
};

// The moves of the tool path list in order: lines and strings, with the
// markers of surface strings (5 and 6) and of approaches (9 and 10); the
// moves of string blocks there cut, lines (links) do not.
inline std::vector<Move> moves()
{
    std::vector<Move> out;
    bool in = false, approach = false, have = false;
    double last[3] = {0, 0, 0};
    for (const auto& e : norak::main_list().elems) {
        const auto& w = e.words;
        if (w.empty()) continue;
        if (w[0] == 99 && w.size() >= 3) {
            if (w[2] == 5) in = true;
            if (w[2] == 6) in = false;
            if (w[2] == 9) approach = true;
            if (w[2] == 10) approach = false;
            continue;
        }
        auto to = [&](size_t k, bool string) {
            const double p[3] = {wrd2r(w[k]), wrd2r(w[k + 1]), wrd2r(w[k + 2])};
            if (have) out.push_back({{last[0], last[1], last[2]}, {p[0], p[1], p[2]}, string && in && !approach});
            std::copy(p, p + 3, last);
            have = true;
        };
        if (w[0] == 2 || w[0] == 22) to(2, false);
        if (w[0] == 7)
            for (size_t k = 1; k + 4 <= w.size(); k += 4) to(k + 1, true);
    }
    return out;
}

struct Result {
    double deepest = -1e9;  // largest depth below the drop
    double highest = -1e9;  // largest height of a cutting point above it
    double sag = 0;         // distance of the reference's triangles from the surfaces
    int samples = 0, cutting = 0;
    double at[3] = {0, 0, 0};  // where the cutting point highest above lies
};

// The moves against the drop of a tool (kind 1 ball, radius, corner radius
// as dropref takes them) over the surfaces with the given ids, sampled
// every `step`; the reference's triangles are about `cell` wide.
inline Result check(const std::vector<Move>& mv, const std::vector<int>& ids, const dropref::Tool& tool,
                    double cell, double step)
{
    std::vector<surfeval::Surface> srf;
    for (int id : ids) srf.emplace_back(chk::described().at(id));
    const surfeval::Reference ref(srf, cell);
    Result r;
    r.sag = ref.sag;
    for (const Move& m : mv) {
        const double len = std::hypot(std::hypot(m.b[0] - m.a[0], m.b[1] - m.a[1]), m.b[2] - m.a[2]);
        const int n = std::max(1, int(len / step));
        for (int k = 0; k <= n; ++k) {
            double p[3];
            for (int c = 0; c < 3; ++c) p[c] = m.a[c] + (m.b[c] - m.a[c]) * k / n;
            const double z = ref.bk.drop_all(tool, p);
            ++r.samples;
            if (z == dropref::NONE) continue;
            r.deepest = std::max(r.deepest, z - p[2]);
            if (m.cuts) {
                ++r.cutting;
                if (p[2] - z > r.highest) r.highest = p[2] - z, std::copy(p, p + 3, r.at);
            }
        }
    }
    return r;
}

}  // namespace drp
