// The crossings of a straight lane with a loop.
#include "cleanup/lanecut.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "pocket/pkgeom.h"
#include "pocket/selfint.h"

void lup_seg_cross(const i32& mode, const f64* from, const f64* to, const pokarr& loop, f64* pt, i32& found,
                   i32* seg_out, f64* frac_out)
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
        i32 seg;
        f64 frac;
    };
    std::vector<Hit> hits;
    // Mode 3 on a loop with heights (from and to then carry theirs): a
    // crossing is passed over when both ends of the segment lie more than
    // 1e6 above it, or both more than 1e6 below it; the height there is
    // taken along the loop segment by its fraction.
    const bool heights = mode == 3 && loop.dims >= 3;
    auto over_or_under = [&](f64 zs, f64 ze, f64 f) {
        const f64 z = zs + f * (ze - zs);
        return (from[2] - z > 1.0e6 && to[2] - z > 1.0e6) || (z - from[2] > 1.0e6 && z - to[2] > 1.0e6);
    };
    const i32 last = pk_seg_last(loop);
    for (i32 seg = 1; seg <= last; seg += pk_arc_at(loop.x[seg]) ? 4 : 1) {
        PkSegDesc d;
        if (!pk_seg_desc(loop, seg, d)) continue;
        f64 p[2][2];
        i32 touch[2] = {0, 0};
        const i32 n = pk_pair_cross(s, d, true, false, p, touch);
        for (i32 k = 0; k < n; ++k) {
            f64 f = 0.0;
            if (d.arc != 0) {
                pk_arc_frac(d.r, d.dir, d.c, d.s, d.e, p[k], f);
            } else {
                const f64 len = std::hypot(d.e[0] - d.s[0], d.e[1] - d.s[1]);
                f = len > 0.0 ? std::hypot(p[k][0] - d.s[0], p[k][1] - d.s[1]) / len : 0.0;
            }
            if (heights && over_or_under(loop.z[seg - 1], loop.z[d.arc != 0 ? seg + 3 : seg], f)) continue;
            hits.push_back({std::hypot(p[k][0] - from[0], p[k][1] - from[1]), p[k][0], p[k][1], seg, f});
        }
    }
    // The crossing given back is the one nearest to `from`, in every mode,
    // not the first one met walking the loop: along a link ray or a lane
    // the nearest crossing is where the move meets the loop, while the
    // first in the loop's order depends on where the loop happens to start
    // (on a loop the ray crosses twice it would give the far side).
    std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) { return a.at < b.at; });
    // a crossing through a joint is met on both segments that share it
    std::vector<Hit> kept;
    for (const Hit& h : hits)
        if (kept.empty() || std::hypot(h.x - kept.back().x, h.y - kept.back().y) > 1e-9) kept.push_back(h);
    if (kept.empty()) return;
    pt[0] = kept.front().x;
    pt[1] = kept.front().y;
    if (seg_out) *seg_out = kept.front().seg;
    if (frac_out) *frac_out = kept.front().frac;
    found = mode == 1 ? 1 : static_cast<i32>(kept.size());
}

namespace {

// The segments (closing entries) of a plane loop, first to last.
std::vector<i32> loop_segs(const pokarr& a)
{
    std::vector<i32> s;
    const i32 last = pk_seg_last(a);
    for (i32 k = 1; k <= last; k += pk_arc_at(a.x[k]) ? 4 : 1) s.push_back(k);
    return s;
}

// A window on the caller's arrays.
pokarr window(const f64* x, const f64* y, i32 n)
{
    pokarr a;
    pokarr_init(2, a);
    a.x = const_cast<f64*>(x);
    a.y = const_cast<f64*>(y);
    a.count = n;
    a.storage = PKS_CHILD;
    return a;
}

}  // namespace

void pk_seg_dir_at(const f64* x, const f64* y, const i32& n, i32 seg, const f64& t, f64* dir, i32& status)
{
    status = 0;
    dir[0] = dir[1] = 0.0;
    const pokarr a = window(x, y, n);
    const std::vector<i32> segs = loop_segs(a);
    if (segs.empty()) {
        status = 11;
        return;
    }
    if (seg < segs.front()) seg = segs.back();
    if (seg > segs.back()) seg = segs.front();
    PkSegDesc d;
    if (std::find(segs.begin(), segs.end(), seg) == segs.end() || !pk_seg_desc(a, seg, d)) {
        status = 11;
        return;
    }
    f64 p[2] = {0.0, 0.0};
    if (d.arc != 0) pk_arc_point(d.r, d.dir, d.c[0], d.c[1], d.s[0], d.s[1], d.e[0], d.e[1], t, p[0], p[1]);
    pk_seg_dir(a, seg, 0, p, dir);
}

void pk_corner_nrm(i32 index, const f64* x, const f64* y, const i32& n, f64* dir_in, f64* dir_out)
{
    dir_in[0] = dir_in[1] = dir_out[0] = dir_out[1] = 0.0;
    const pokarr a = window(x, y, n);
    const std::vector<i32> segs = loop_segs(a);
    if (segs.empty()) return;
    const size_t m = segs.size();
    // the arriving segment ends at the entry; at the loop's start it is the last one
    size_t in = m - 1;
    for (size_t k = 0; k < m; ++k) {
        const i32 end = pk_arc_at(a.x[segs[k]]) ? segs[k] + 3 : segs[k];
        if (end == index) in = k;
    }
    const size_t out = (in + 1) % m;
    pk_seg_dir(a, segs[in], 2, nullptr, dir_in);
    pk_seg_dir(a, segs[out], 1, nullptr, dir_out);
}

void entry_pt_unused(const f64* point, i32& answer)
{
    (void)point;
    answer = 1;
}
