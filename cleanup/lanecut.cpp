// The crossings of a straight lane with a loop.
#include "cleanup/lanecut.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "pocket/selfint.h"

void lup_seg_cross(const i32& mode, const f64* from, const f64* to, const pokarr& loop, f64* pt, i32& found)
{
    pt[0] = pt[1] = 0.0;
    found = 0;
    PkSegDesc s;
    s.s[0] = from[0];
    s.s[1] = from[1];
    s.e[0] = to[0];
    s.e[1] = to[1];
    struct Hit {
        f64 at, x, y;
    };
    std::vector<Hit> hits;
    const i32 last = pk_seg_last(loop);
    for (i32 seg = 1; seg <= last; ++seg) {
        PkSegDesc d;
        if (!pk_seg_desc(loop, seg, d)) continue;
        f64 p[2][2];
        i32 touch[2] = {0, 0};
        const i32 n = pk_pair_cross(s, d, true, false, p, touch);
        for (i32 k = 0; k < n; ++k) hits.push_back({std::hypot(p[k][0] - from[0], p[k][1] - from[1]), p[k][0], p[k][1]});
    }
    std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) { return a.at < b.at; });
    // a crossing through a joint is met on both segments that share it
    std::vector<Hit> kept;
    for (const Hit& h : hits)
        if (kept.empty() || std::hypot(h.x - kept.back().x, h.y - kept.back().y) > 1e-9) kept.push_back(h);
    if (kept.empty()) return;
    pt[0] = kept.front().x;
    pt[1] = kept.front().y;
    found = mode == 1 ? 1 : static_cast<i32>(kept.size());
}
