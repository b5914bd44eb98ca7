// Sub-loops of one offset: nested and near sub-loops dropped, short lanes
// from the loop being offset into small sub-loops, ordering by size and tag.
#include "pocket/lanes.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <cstring>

#include "cleanup/hatch.h"
#include "cleanup/mapgrid.h"
#include "core/host.h"
#include "pocket/crossing.h"
#include "pocket/looptest.h"
#include "pocket/pkdebug.h"
#include "pocket/luptab.h"
#include "pocket/pkgeom.h"
#include "pocket/pkmath.h"
#include "pocket/pokvals.h"

i32 PkPieces::start(i32 i) const
{
    i32 s = 0;
    for (i32 k = 0; k < i; ++k) s += counts[static_cast<size_t>(k)];
    return s;
}

void PkPieces::clear()
{
    counts.clear();
    tags.clear();
    kinds.clear();
    areas.clear();
    pts.count = 0;
}

void PkPieces::add(const pokarr& src, i32 i, i32 n, i32 tag, f64 area, i32 kind, i32& ierr)
{
    ierr = 0;
    if (pts.count == 0 && pts.dims != src.dims) {
        // an empty list takes the dimension of its first piece
        pokarr_free(pts);
        pokarr_init(src.dims, pts);
    }
    if (pts.storage == PKS_EMPTY) pokarr_init(src.dims, pts);
    pokarr_append_part(n, src, i, pts, ierr);
    if (ierr != 0) return;
    counts.push_back(n);
    tags.push_back(tag);
    areas.push_back(area);
    kinds.push_back(kind);
}

namespace {

// The lane output array shared by the lane routines.
HatchOut g_lane_out;

void window(const PkPieces& s, i32 i, pokarr& w)
{
    pokarr_init_child(s.pts, s.start(i), s.counts[static_cast<size_t>(i)], w);
}

// Vertices of a loop in order, arc data passed over: the entry after a
// vertex followed by a marker is the arc's end, four entries on.
i32 next_vertex(const pokarr& a, i32 k) { return k + 1 < a.count && pk_arc_at(a.x[k + 1]) ? k + 4 : k + 1; }

// Rebuilds the sub-loops in the given order (`draw`: the result and each
// sub-loop drawn); status 11 on a pool failure.
void take_order(PkPieces& s, const std::vector<i32>& order, i32& status, bool draw = false)
{
    PkPieces o;
    pokarr_init(s.pts.dims, o.pts);
    i32 ierr = 0;
    for (i32 k : order) {
        const auto u = static_cast<size_t>(k);
        o.add(s.pts, s.start(k), s.counts[u], s.tags[u], s.areas[u], s.kinds[u], ierr);
        if (ierr != 0) break;
    }
    if (ierr == 0) {
        s.pts.count = 0;
        pokarr_append_part(o.pts.count, o.pts, 0, s.pts, ierr);
    }
    if (ierr == 0 && draw) {
        // the reordered array, then each sub-loop in its new place
        pokarr_draw(s.pts);
        for (i32 k = 0, at = 0; k < o.n(); at += o.counts[static_cast<size_t>(k)], ++k) {
            pokarr w;
            pokarr_init_child(s.pts, at, o.counts[static_cast<size_t>(k)], w);
            pokarr_draw(w);
        }
    }
    pokarr_free(o.pts);
    if (ierr != 0) {
        status = 11;
        return;
    }
    s.counts = o.counts;
    s.tags = o.tags;
    s.areas = o.areas;
    s.kinds = o.kinds;
}

// The order of the sub-loops of tag other than T, then those of tag T.
std::vector<i32> others_first(const PkPieces& s, i32 T)
{
    std::vector<i32> order;
    for (i32 pass = 0; pass < 2; ++pass)
        for (i32 k = 0; k < s.n(); ++k)
            if ((s.tags[static_cast<size_t>(k)] == T) == (pass == 1)) order.push_back(k);
    return order;
}

}  // namespace

void lup_drop_sub(i32 i, PkPieces& s, i32& ierr)
{
    ierr = 0;
    if (i < 0 || i >= s.n()) {
        ierr = -1;
        return;
    }
    const i32 at = s.start(i), n = s.counts[static_cast<size_t>(i)];
    if (i == s.n() - 1)
        s.pts.count = at;
    else
        pokarr_remove_pnts(s.pts, 0, at, n, ierr);
    if (ierr != 0) return;
    const auto k = static_cast<std::ptrdiff_t>(i);
    s.counts.erase(s.counts.begin() + k);
    s.tags.erase(s.tags.begin() + k);
    s.areas.erase(s.areas.begin() + k);
    s.kinds.erase(s.kinds.begin() + k);
}

void lup_sort_sub(i32 mode, PkPieces& s, i32& status)
{
    status = 0;
    const i32 n = s.n();
    if (n < 2) return;
    if (n > PK_PIECES_MAX) {
        status = 11;
        return;
    }
    i32 big = 0;
    for (i32 k = 1; k < n; ++k)
        if (std::fabs(s.areas[static_cast<size_t>(k)]) > std::fabs(s.areas[static_cast<size_t>(big)])) big = k;
    const i32 T = s.tags[static_cast<size_t>(big)];
    std::vector<i32> order;
    if (mode == 0) {
        order.push_back(big);
        for (i32 k = 0; k < n; ++k)
            if (k != big && s.tags[static_cast<size_t>(k)] == T) order.push_back(k);
        for (i32 k = 0; k < n; ++k)
            if (s.tags[static_cast<size_t>(k)] != T) order.push_back(k);
    } else {
        order = others_first(s, T);
    }
    take_order(s, order, status, sort_sub_draw != 0);
}

void lup_split_cross(const PkPieces& s, i32& status)
{
    status = 0;
    for (i32 i = 0; i < s.n(); ++i)
        for (i32 j = i + 1; j < s.n(); ++j) {
            pokarr a, b;
            window(s, i, a);
            window(s, j, b);
            i32 st = 0;
            pk_arr_int(100, a, b, st);
            if (st < 0) {
                status = 11;
                return;
            }
            if (st > 0) {
                status = 1;
                return;
            }
        }
}

void lup_chk_sub(const PkPieces& s, const pokarr& other, i32& result, i32& status)
{
    status = 0;
    result = 0;
    for (i32 i = 0; i < s.n(); ++i) {
        pokarr a;
        window(s, i, a);
        if (a.count < 1) continue;
        lup_inside(a.x[0], a.y[0], other, result, status);
        if (status != 0) {
            status = 11;
            return;
        }
        if (result != 0) return;
        CrossTable t;
        i32 count = 0;
        lup_intersect_kept(100, a, other, t, count, status);
        // Status 1 of the crossing search means contacts that were all
        // removed as touches: the loops meet without crossing, which is an
        // answer (no crossing), not a failure of the search.
        if (status == 1 && count == 0) status = 0;
        if (status != 0 || count < 0) {
            status = 11;
            return;
        }
        if (count > 0) {
            result = 2;
            return;
        }
    }
}

namespace {

// The points of a 2-D loop as a polyline: straight entries as they are,
// each arc by its points at the chord tolerance (its start already given),
// the first point repeated at the end when the loop does not close on it
// (a closed loop repeats it already). `put` answers false to stop.
template <class Put>
void poly_points(const pokarr& a, f64 tol, Put put)
{
    for (i32 k = 0; k < a.count; ++k) {
        if (pk_arc_at(a.x[k]) && k > 0 && k + 3 < a.count) {
            f64 ox[91], oy[91];
            i32 m = 0;
            lup_arc_chords(tol, a.x[k + 1], a.y[k + 1] < 0.0 ? -1 : 1, a.x[k + 2], a.y[k + 2], a.x[k - 1], a.y[k - 1],
                           a.x[k + 3], a.y[k + 3], ox, oy, m);
            for (i32 j = 1; j < m; ++j)
                if (!put(ox[j], oy[j])) return;
            k += 3;
            continue;
        }
        if (!put(a.x[k], a.y[k])) return;
    }
    if (a.count > 0 && (a.x[a.count - 1] != a.x[0] || a.y[a.count - 1] != a.y[0])) put(a.x[0], a.y[0]);
}

// The polyline at one chord tolerance; false when it passes 7,000 points.
bool lane_poly_at(const pokarr& a, f64 tol, std::vector<f32>& buf)
{
    buf.assign(1, 0.0f);
    i32 n = 0;
    poly_points(a, tol, [&](f64 x, f64 y) {
        buf.push_back(static_cast<f32>(x));
        buf.push_back(static_cast<f32>(y));
        return ++n <= PK_STATIC_MAX;
    });
    std::memcpy(buf.data(), &n, sizeof(i32));
    return n <= PK_STATIC_MAX;
}

}  // namespace

void lup_poly_arcs(const pokarr& loop, pokarr& poly, i32& status)
{
    status = 0;
    pokarr_clear(poly, loop.count + 1, status);
    if (status != 0 || poly.dims < 2) {
        status = 11;
        return;
    }
    poly_points(loop, 0.01, [&](f64 x, f64 y) {
        const f64 p[3] = {x, y, 0.0};
        pokarr_insert_pnt(p, nullptr, poly, poly.count, status);
        return status == 0;
    });
    if (status != 0) status = 11;
}

void lup_poly_xy(const f64* x, const f64* y, const i32& n, f64* ox, f64* oy, const i32& room, i32& on, i32& status)
{
    on = 0;
    pokarr in, out;
    pokarr_init_static(2, const_cast<f64*>(x), const_cast<f64*>(y), nullptr, nullptr, n, in);
    pokarr_init(2, out);
    lup_poly_arcs(in, out, status);
    if (status == 0 && out.count > room) status = 11;  // the caller's arrays cannot hold it
    if (status == 0) {
        for (i32 k = 0; k < out.count; ++k) {
            ox[k] = out.x[k];
            oy[k] = out.y[k];
        }
        on = out.count;
    }
    pokarr_free(out);
}

void lup_polyline(const pokarr& l, std::vector<f64>& x, std::vector<f64>& y)
{
    x.clear();
    y.clear();
    for (i32 k = 0; k < l.count; ++k) {
        if (pk_arc_at(l.x[k])) {
            k += 2;
            continue;
        }
        x.push_back(l.x[k]);
        y.push_back(l.y[k]);
    }
    if (x.size() > 1 && x.front() == x.back() && y.front() == y.back()) {
        x.pop_back();
        y.pop_back();
    }
}

void lup_dilute(const i32& rowa, const i32& rowb, f64& dist, i32& status)
{
    dist = 1.0e10;
    status = 0;
    std::vector<f64> px[2], py[2];
    pokarr l;
    pokarr_init(pk_dims(), l);
    const i32 rows[2] = {rowa, rowb};
    const f64 tol = 10.0 * std::max(0.01, pkoff.side);
    for (i32 m = 0; m < 2 && status == 0; ++m) {
        lup_get_pokarr(rows[m], l, status);
        if (status != 0) break;
        // the polyline thinned in packed x, y pairs; the closing point
        // dropped when it repeats the first
        std::vector<f64> x, y;
        lup_polyline(l, x, y);
        if (!x.empty()) x.push_back(x.front()), y.push_back(y.front());
        std::vector<f64> xy;
        for (size_t k = 0; k < x.size(); ++k) xy.insert(xy.end(), {x[k], y[k]});
        i32 n = static_cast<i32>(x.size());
        if (n > 2) diluld(2, tol, xy.data(), n);
        for (i32 k = 0; k < n; ++k) {
            px[m].push_back(xy[static_cast<size_t>(2 * k)]);
            py[m].push_back(xy[static_cast<size_t>(2 * k + 1)]);
        }
        if (px[m].size() > 1 && px[m].front() == px[m].back() && py[m].front() == py[m].back()) {
            px[m].pop_back();
            py[m].pop_back();
        }
    }
    pokarr_free(l);
    if (status != 0) {
        status = 11;
        return;
    }
    // every vertex is measured (a margin that takes in every segment)
    for (i32 dir = 0; dir < 2; ++dir) {
        const i32 u = dir, w = 1 - dir;
        i32 seg = 0, word = 0;
        f64 t = 0.0, fx = 0.0, fy = 0.0, d = 0.0;
        lup_min_dist(1.0e9, px[u].data(), py[u].data(), static_cast<i32>(px[u].size()), px[w].data(), py[w].data(),
                     static_cast<i32>(px[w].size()), seg, t, fx, fy, d, word);
        if (d < 1.0e7) dist = std::min(dist, d);
    }
}

void lup_lane_poly(const pokarr& loop, std::vector<f32>& buf, i32& status)
{
    status = 0;
    if (lane_poly_at(loop, 0.01, buf)) return;
    if (!(pkoff.side > 0.01)) {
        status = 11;
        return;
    }
    if (!lane_poly_at(loop, pkoff.side, buf)) status = 1;
}

i32 oneoff_lanes_alt_on = 0;
i32 lanes_alt_draw[3] = {0, 0, 0};
i32 sort_sub_draw = 0;

namespace {

// The working values of the lane routines.
struct LaneVals {
    f64 A = 0.0, N = 0.0, R = 0.0, D0 = 0.0, L = 0.0, d = 0.0;
    i32 t = 0;
};

LaneVals lane_vals(const PkPieces& s, const f64& b, const f64& nest, const f64& d, const f64& r, i32 t)
{
    LaneVals v;
    f64 M = 0.0;
    for (f64 a : s.areas) M = std::max(M, std::fabs(a));
    v.A = 10.0 * std::max(d * d / 2.0, pkoff.second_area);
    v.N = std::min(nest, M / 3.0);
    const f64 m = std::min(r, d);
    v.R = std::min(std::max(3.0 * b, 1.5 * PK_PI * m * m), M / 2.0);
    v.D0 = 0.75 * d;
    v.L = s.pts.dims == 2 ? d : d * (1.0 - pokpar.lift);
    v.d = d;
    v.t = t;
    return v;
}

f64 sub_area(const PkPieces& s, i32 k) { return std::fabs(s.areas[static_cast<size_t>(k)]); }

// Nested test of sub-loop i: whether it lies inside another sub-loop (or on
// one larger than it). `every`: every entry is tested, the closing point
// included, of a sub-loop with a point; else the entries up to the third
// from the end of a sub-loop of 3 points or more. `draw`: each other
// sub-loop is drawn before it is tested. Status 11 on a failure.
bool nested_drop(const PkPieces& s, i32 i, i32 t, bool every, bool draw, i32& status)
{
    const size_t si = static_cast<size_t>(i);
    if (s.tags[si] != t || s.counts[si] < (every ? 1 : 3)) return false;
    pokarr wi;
    window(s, i, wi);
    const i32 upto = every ? wi.count - 1 : wi.count - 3;
    for (i32 j = 0; j < s.n(); ++j) {
        if (j == i) continue;
        pokarr wj;
        window(s, j, wj);
        if (draw) pokarr_draw(wj);
        const bool F = sub_area(s, i) < sub_area(s, j);
        bool remembered = false, ended = false;
        for (i32 k = 0; k <= upto && !ended; k = next_vertex(wi, k)) {
            i32 ans = 0, st = 0;
            lup_inside(wi.x[k], wi.y[k], wj, ans, st);
            if (st == 11) {
                status = 11;
                return false;
            }
            if (st != 0) continue;
            if (ans == 1) return true;
            if (ans == 2 && F) remembered = true;
            if (ans == 0) ended = true;
        }
        if (!ended && remembered) return true;
    }
    return false;
}

// Near test of sub-loop i: small and within d of a larger sub-loop (its
// first point, with its height in a split array on the surfaces, located on
// the larger one against the reference distance D0); on the surfaces a
// sub-loop whose first point lies on the larger one is marked kind 5 and
// dropped. `draw`: the other sub-loop is drawn before it is tested.
bool near_drop(PkPieces& s, i32 i, const LaneVals& v, bool draw)
{
    if (!(sub_area(s, i) <= v.R)) return false;
    pokarr wi;
    window(s, i, wi);
    const bool flat = s.pts.dims == 2;
    const f64 P[3] = {wi.x[0], wi.y[0], flat ? 0.0 : wi.z[0]};
    i32& kind = s.kinds[static_cast<size_t>(i)];
    for (i32 j = 0; j < s.n(); ++j) {
        if (j == i || !(sub_area(s, j) > v.N) || !(sub_area(s, j) > sub_area(s, i))) continue;
        pokarr wj;
        window(s, j, wj);
        if (draw) pokarr_draw(wj);
        i32 seg = -2, vx = 0;
        f64 tt = 0.0, Q[3] = {0, 0, 0}, e = v.D0, far[3] = {0, 0, 0};
        pk_seg_locate(3, P, wj, seg, tt, Q, e);
        if (levald(e, v.D0)) {
            if (eqvl0d(e) && !flat)
                kind = 5;
            else
                pk_far_vertex(3, Q, wi, vx, tt, far, e);
        }
        if (levald(e, v.d) || (!flat && kind == 5)) return true;
    }
    return false;
}

// The point of a lane try on sub-loop window wi (the middle of the segment
// at 0.75 of its segments, then at 0.25) in P, its foot on the loop being
// offset in Q and the foot's segment; false when the foot is not nearer
// than L.
bool lane_start(const pokarr& wi, i32 attempt, const pokarr& loop, f64 L, f64* P, f64* Q, i32& seg)
{
    i32 g = static_cast<i32>(wi.count * (attempt == 0 ? 0.75 : 0.25));
    // segments are numbered from 1: a sub-loop of three entries or fewer
    // would give segment 0 at the second try, which has no point
    g = std::min(std::max(g, 1), wi.count - 1);
    f64 e = 0.0, tt = 0.0;
    pokarr_point_at(wi, g, 0.5, P);
    seg = -1;
    pk_seg_locate(3, P, loop, seg, tt, Q, e);
    return ltvald(e, L);
}

// Lane pass on sub-loop i (2-D): a short lane from the loop being offset
// that the hatch fill carries through the sub-loop, tried at 0.75 and 0.25
// of its segments.
bool lane_taken(const pokarr& loop, const PkPieces& s, i32 i, const LaneVals& v, std::vector<f32>& buf)
{
    if (!(sub_area(s, i) <= v.A)) return false;
    pokarr wi;
    window(s, i, wi);
    for (i32 attempt = 0; attempt < 2; ++attempt) {
        f64 P[3] = {0, 0, 0}, Q[3] = {0, 0, 0};
        i32 seg = -1;
        if (!lane_start(wi, attempt, loop, v.L, P, Q, seg)) return false;
        // P on the loop itself gives no direction: that try is passed over
        f64 ux = P[0] - Q[0], uy = P[1] - Q[1], len = 0.0;
        if (!pk_unit2(ux, uy, len)) continue;
        i32 st = 0;
        lup_lane_poly(wi, buf, st);
        // No fill over a polyline that could not be made whole (cut at 7,000
        // points, or no second tolerance): the fill would answer for another
        // loop than the sub-loop, and its status could take the lane.
        if (st != 0) continue;
        const f64 target[2] = {Q[0] + v.d * ux, Q[1] + v.d * uy};
        i32 got = 0, flag = 0;
        g_lane_out.offset = 0;
        // The polyline is handed as both loop sets, each a set of one loop:
        // the fill reads the two words beside the sets as their loop
        // counts, and with 0 it would scan no loop and never take a lane.
        lan_hatch_fill(6, buf.data(), 1, buf.data(), 1, Q, target, got, g_lane_out, flag, st);
        if (got >= 2 && st == 0) return true;
    }
    return false;
}

// Crossings of the walked polyline with sub-loop w (segments tested in 3-D
// with their boxes): true at the second.
bool crossed_twice(const pokarr& walked, const pokarr& w)
{
    i32 n = 0;
    for (i32 a = 0; a + 1 < walked.count; ++a)
        for (i32 b = 0; b + 1 < w.count; ++b) {
            const f64 pts[12] = {walked.x[a], walked.y[a], walked.z[a], walked.x[a + 1], walked.y[a + 1],
                                 walked.z[a + 1], w.x[b],      w.y[b],      w.z[b],      w.x[b + 1],
                                 w.y[b + 1],  w.z[b + 1]};
            f64 box[12];
            for (i32 c = 0; c < 3; ++c) {
                box[c] = std::min(pts[c], pts[3 + c]);
                box[3 + c] = std::max(pts[c], pts[3 + c]);
                box[6 + c] = std::min(pts[6 + c], pts[9 + c]);
                box[9 + c] = std::max(pts[6 + c], pts[9 + c]);
            }
            f64 x[3], ta = 0.0, tb = 0.0;
            i32 ans = 0;
            pk_lnln3(pts, box, x, ta, tb, ans);
            if (ans == 1 && ++n >= 2) return true;
        }
    return false;
}

// Lane pass on sub-loop i of a 3-D offset: a walk over the map grid from the
// loop being offset, across the way to the sub-loop, for the length L; the
// lane is taken when the walk crosses the sub-loop twice. Status 19 when
// the grid refuses the walk, -1 for a walk direction of no length.
bool lane_taken3d(const pokarr& loop, const PkPieces& s, i32 i, const LaneVals& v, pokarr& walked, i32& status)
{
    if (!(sub_area(s, i) <= v.A)) return false;
    pokarr wi;
    window(s, i, wi);
    for (i32 attempt = 0; attempt < 2; ++attempt) {
        f64 P[3] = {0, 0, 0}, Q[3] = {0, 0, 0};
        i32 seg = -1;
        if (!lane_start(wi, attempt, loop, v.L, P, Q, seg)) return false;
        const f64 w = -static_cast<f64>(v.t);
        const i32 sg = std::min(std::max(seg, 1), loop.count - 1);
        f64 d[3] = {w * (P[1] - Q[1]), -w * (P[0] - Q[0]), w * (loop.z[sg] - loop.z[sg - 1])}, l = 0.0;
        if (!pk_unit3(d, l)) {
            status = -1;
            return false;
        }
        walked.count = 0;
        f64 rec[12] = {Q[0], Q[1], Q[2], 0, 0, 0, 0, 0, 0, 0, 0, 0};
        i32 st = 0;
        seg_on_grid(0, rec, d, v.L, &walked, st);
        if (st < 0) {
            status = 19;
            return false;
        }
        if (crossed_twice(walked, wi)) return true;
    }
    return false;
}

// The lane pass: every sub-loop a lane takes is dropped; `restart`: the
// pass then starts again from the first sub-loop; `draw`: each sub-loop is
// drawn before it is tried. Status 11 on a failure of the removal, 19 when
// the grid refuses a 3-D lane walk.
void lane_pass(const pokarr& loop, PkPieces& s, const LaneVals& v, bool restart, bool draw, i32& status)
{
    const bool flat = loop.dims == 2;
    // The walk's point list takes the dimension of the loop the walk starts
    // from: the sub-loops are pieces of that loop's offset and share it, and
    // a walk over the surfaces always carries heights.
    pokarr walked;
    if (!flat) pokarr_init(loop.dims == 4 ? 4 : 3, walked);
    std::vector<f32> buf;
    for (i32 i = 0; i < s.n() && status == 0;) {
        if (draw) {
            pokarr wi;
            window(s, i, wi);
            pokarr_draw(wi);
        }
        const bool taken = flat ? lane_taken(loop, s, i, v, buf) : lane_taken3d(loop, s, i, v, walked, status);
        if (!taken) {
            ++i;
            continue;
        }
        i32 ierr = 0;
        lup_drop_sub(i, s, ierr);
        if (ierr != 0) {
            status = 11;
            break;
        }
        if (restart) i = 0;
    }
    if (!flat) pokarr_free(walked);
    // The fill's output array is shared by both lane routines but closed at
    // the end of every pass (the fill opens it again when it next needs
    // it): an array left open between offsets would be held past the
    // pocket run that opened it, and nothing is read from it after the pass.
    hatch_close(g_lane_out);
}

}  // namespace

void oneoff_lanes(i32 lanemode, const pokarr& loop, const f64& b, const f64& nest, const f64& d, const f64& r,
                  const i32& t, PkPieces& s, i32& status)
{
    if (oneoff_lanes_alt_on != 0) {
        oneoff_lanes_alt(lanemode, loop, b, nest, d, r, t, s, status);
        return;
    }
    status = 0;
    if (s.n() == 0) return;
    const LaneVals v = lane_vals(s, b, nest, d, r, t);
    i32 ierr = 0;
    i32 T = 0;
    if (s.n() >= 2) {
        // each sub-loop nested, then near, before the next
        for (i32 i = 0; i < s.n();) {
            bool dropped = nested_drop(s, i, t, false, false, status);
            if (status != 0) return;
            if (!dropped) dropped = near_drop(s, i, v, false);
            if (!dropped) {
                ++i;
                continue;
            }
            lup_drop_sub(i, s, ierr);
            if (ierr != 0) {
                status = 11;
                return;
            }
        }
        lup_sort_sub(0, s, status);
        if (status != 0) return;
        if (s.n() > 0) T = s.tags[0];
    }
    // lanes from the loop being offset into small sub-loops; after a lane
    // the pass starts again from the first
    lane_pass(loop, s, v, true, false, status);
    if (status != 0) return;
    if (lanemode != 0 && s.n() >= 2) take_order(s, others_first(s, T), status);
}

void oneoff_lanes_alt(i32 lanemode, const pokarr& loop, const f64& b, const f64& nest, const f64& d, const f64& r,
                      const i32& t, PkPieces& s, i32& status)
{
    status = 0;
    if (s.n() == 0) return;
    const LaneVals v = lane_vals(s, b, nest, d, r, t);
    i32 ierr = 0;
    // the nested test over all sub-loops, then the near test over all (the
    // debug switches draw the sub-loop under test, the one it is tested
    // against, and the sub-loop of the lane pass)
    for (i32 pass = 0; pass < 2 && s.n() >= 2; ++pass)
        for (i32 i = 0; i < s.n();) {
            if (lanes_alt_draw[0] != 0) {
                pokarr wi;
                window(s, i, wi);
                pokarr_draw(wi);
            }
            const bool draw = lanes_alt_draw[1] != 0;
            const bool dropped = pass == 0 ? nested_drop(s, i, t, true, draw, status) : near_drop(s, i, v, draw);
            if (status != 0) return;
            if (!dropped) {
                ++i;
                continue;
            }
            lup_drop_sub(i, s, ierr);
            if (ierr != 0) {
                status = 11;
                return;
            }
        }
    // lanes; after a lane the pass goes on with the sub-loop now at its place
    lane_pass(loop, s, v, false, lanes_alt_draw[2] != 0, status);
    if (status != 0) return;
    lup_sort_sub(lanemode, s, status);
}

i32 lup_tree_find(i32 rowa, i32 rowb, i32 deep)
{
    if (rowa < 1 || rowa > lup_count) return 0;
    const LupRow& a = lup_row(rowa);
    i32 p = a.tag1, q = a.tag2;
    if (a.inherited != 0 && a.tag1 == 1) {
        p = a.inherited;
        q = 0;
    }
    // the relation test, following one chain: the next sibling, otherwise
    // (deep) the first son; a row with both is not searched down both ways
    for (i32 b = rowb, guard = 0; b >= 1 && b <= lup_count && guard <= lup_count; ++guard) {
        const LupRow& r = lup_row(b);
        const i32 p2 = r.tag1, q2 = r.tag2;
        if ((p2 > 0 && (p2 == p || p2 == q)) || (q2 >= 1 && (q2 == p || q2 == q))) return 1;
        if (q2 >= 1)
            b = q2;
        else if (deep && p2 >= 1)
            b = p2;
        else
            break;
    }
    return 0;
}
