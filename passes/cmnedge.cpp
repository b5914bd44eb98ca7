// Common edge of two surfaces of a chain when one of them is trimmed: the
// piece of boundary they share orients both so that the passes of the first
// end on it and those of the second start on it.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/host.h"
#include "passes/gdutil.h"
#include "passes/geodef.h"
#include "passes/srfgeo.h"
#include "surfaces/srfbuf.h"

namespace {
constexpr i32 EDGE_PTS = 16;  // points per side of a parameter rectangle
constexpr i32 LOOP_PTS = 64;  // about as many points along a trim loop

// Boundary of one surface: the closed outline in (u, v) and in space (host
// arrays), the bounds and whether it is trimmed.
struct Bnd {
    i32 id = 0;
    i32 huv = -1, hxyz = -1;  // host arrays: (u, v) pairs, xyz triples
    i32 n = 0;
    f32 box[4] = {};  // umin, umax, vmin, vmax
    bool trimmed = false;
    std::vector<std::vector<f32>> loops;  // trim loops, for the inside test
    const f32* uv() const
    {
        void* b = nullptr;
        mmcptr(huv, b);
        return static_cast<const f32*>(b);
    }
    const f32* xyz() const
    {
        void* b = nullptr;
        mmcptr(hxyz, b);
        return static_cast<const f32*>(b);
    }
};

// Trim loops read with the surface's trim tolerance (1.0e10 without one).
void read_loops(Bnd& s, i32& status)
{
    f32 tol = 0;
    i32 st = 0;
    gt_tolvars(s.id, tol, st);
    if (st < 0) tol = 1.0e10f;
    gstrmtol(2, tol);
    gd::loops(s.id, s.loops, status);
}

void build(Bnd& s, i32 id, i32& status)
{
    s.id = id;
    const i32 t = gd::trimmed(id, status);
    if (t < 0) return;
    s.trimmed = t == 1;
    f32 umin, umax, vmin, vmax;
    gd::load(id, gd::buf(gd::BA), umin, umax, vmin, vmax, status);
    if (status != 0) return;
    std::vector<f32> uv;
    if (!s.trimmed) {
        const f32 c[5][2] = {{umin, vmin}, {umax, vmin}, {umax, vmax}, {umin, vmax}, {umin, vmin}};
        for (int e = 0; e < 4; ++e)
            for (int k = 0; k < EDGE_PTS; ++k) {
                const f32 t = static_cast<f32>(k) / EDGE_PTS;
                uv.push_back(c[e][0] + t * (c[e + 1][0] - c[e][0]));
                uv.push_back(c[e][1] + t * (c[e + 1][1] - c[e][1]));
            }
        s.box[0] = umin, s.box[1] = umax, s.box[2] = vmin, s.box[3] = vmax;
    } else {
        read_loops(s, status);
        if (status != 0) return;
        const auto& l = s.loops[0];
        const size_t m = l.size() / 2;
        f64 per = 0;
        for (size_t k = 0; k < m; ++k) per += std::hypot(l[2 * ((k + 1) % m)] - l[2 * k], l[2 * ((k + 1) % m) + 1] - l[2 * k + 1]);
        s.box[0] = s.box[2] = 1e30f;
        s.box[1] = s.box[3] = -1e30f;
        for (size_t k = 0; k < m; ++k) {
            const f32* a = &l[2 * k];
            const f32* b = &l[2 * ((k + 1) % m)];
            const f64 len = std::hypot(b[0] - a[0], b[1] - a[1]);
            const int pieces = std::max(1, static_cast<int>(std::ceil(len * LOOP_PTS / std::max(per, 1e-30))));
            for (int p = 0; p < pieces; ++p) {
                const f32 t = static_cast<f32>(p) / pieces;
                uv.push_back(a[0] + t * (b[0] - a[0]));
                uv.push_back(a[1] + t * (b[1] - a[1]));
            }
            s.box[0] = std::min(s.box[0], a[0]), s.box[1] = std::max(s.box[1], a[0]);
            s.box[2] = std::min(s.box[2], a[1]), s.box[3] = std::max(s.box[3], a[1]);
        }
    }
    s.n = static_cast<i32>(uv.size() / 2);
    void* base = nullptr;
    MM_OPEN_ARRAY(8, s.n, s.huv, base, status);
    if (status != 0) return;
    std::memcpy(base, uv.data(), uv.size() * sizeof(f32));
    PLY3D(id, uv.data(), s.n, s.hxyz, status);
}

// Distance of p from the segment a-b, with the segment parameter.
f64 seg_dist(const f32* p, const f32* a, const f32* b, f64& t)
{
    f64 ab[3], ap[3], l2 = 0, d = 0;
    for (int c = 0; c < 3; ++c) {
        ab[c] = f64(b[c]) - a[c];
        ap[c] = f64(p[c]) - a[c];
        l2 += ab[c] * ab[c];
        d += ab[c] * ap[c];
    }
    t = l2 > 0 ? std::clamp(d / l2, 0.0, 1.0) : 0.0;
    f64 s = 0;
    for (int c = 0; c < 3; ++c) {
        const f64 x = ap[c] - t * ab[c];
        s += x * x;
    }
    return std::sqrt(s);
}

// Nearest place on a closed polyline: segment index plus parameter.
f64 nearest_on(const Bnd& s, const f32* p, f64& pos)
{
    const f32* x = s.xyz();
    f64 best = 1e30;
    for (i32 k = 0; k < s.n; ++k) {
        f64 t = 0;
        const f64 d = seg_dist(p, x + 3 * k, x + 3 * ((k + 1) % s.n), t);
        if (d < best) {
            best = d;
            pos = k + t;
        }
    }
    return best;
}

// (u, v) at a place of a closed polyline.
void uv_at(const Bnd& s, f64 pos, f32* uv)
{
    const i32 k = static_cast<i32>(std::floor(pos)) % s.n;
    const f64 t = pos - std::floor(pos);
    const f32 *a = s.uv() + 2 * k, *b = s.uv() + 2 * ((k + 1) % s.n);
    for (int c = 0; c < 2; ++c) uv[c] = static_cast<f32>(a[c] + t * (f64(b[c]) - a[c]));
}

// The piece of A's boundary that lies on B's: the longest run of A's points
// within the distance tolerance of B, each further point within twice the
// first one's distance. Its ends on A (indices) and on B (places).
bool shared_piece(const Bnd& a, const Bnd& b, f64 tol, i32& first, i32& last, f64& pb0, f64& pb1)
{
    std::vector<f64> d(static_cast<size_t>(a.n)), pos(d.size());
    for (i32 k = 0; k < a.n; ++k) d[static_cast<size_t>(k)] = nearest_on(b, a.xyz() + 3 * k, pos[static_cast<size_t>(k)]);
    // Start the walk at a point off B (all on B: a closed shared outline is
    // no edge).
    i32 start = -1;
    for (i32 k = 0; k < a.n && start < 0; ++k)
        if (d[static_cast<size_t>(k)] > tol) start = k;
    if (start < 0) return false;
    i32 bestlen = 0;
    for (i32 s = 0; s < a.n;) {
        const i32 k = (start + s) % a.n;
        if (d[static_cast<size_t>(k)] > tol) {
            ++s;
            continue;
        }
        const f64 d0 = d[static_cast<size_t>(k)];
        const f64 lim = std::max(2 * d0, tol);
        i32 len = 1;
        while (s + len < a.n && d[static_cast<size_t>((start + s + len) % a.n)] <= lim) ++len;
        if (len > bestlen) {
            bestlen = len;
            first = k;
            last = (start + s + len - 1) % a.n;
        }
        s += len;
    }
    if (bestlen < 2) return false;
    // Coincident points at the ends of the piece are dropped.
    const f32* x = a.xyz();
    while (bestlen > 2 && dist3_sq(x + 3 * first, x + 3 * ((first + 1) % a.n)) <= tol * tol) {
        first = (first + 1) % a.n;
        --bestlen;
    }
    while (bestlen > 2 && dist3_sq(x + 3 * last, x + 3 * ((last + a.n - 1) % a.n)) <= tol * tol) {
        last = (last + a.n - 1) % a.n;
        --bestlen;
    }
    if (std::sqrt(dist3_sq(x + 3 * first, x + 3 * last)) <= tol) return false;
    pb0 = pos[static_cast<size_t>(first)];
    pb1 = pos[static_cast<size_t>(last)];
    return true;
}

// The shared piece as places on both outlines (A's first). A's points are
// walked against B's outline, and, when that finds nothing, B's against
// A's: a piece shorter than two of A's sample spacings (a small surface
// beside a large one) holds too few of A's points, but B's.
bool common_piece(const Bnd& a, const Bnd& b, f64 tol, f64& pa0, f64& pa1, f64& pb0, f64& pb1)
{
    i32 first = 0, last = 0;
    if (shared_piece(a, b, tol, first, last, pb0, pb1)) {
        pa0 = first, pa1 = last;
        return true;
    }
    if (!shared_piece(b, a, tol, first, last, pa0, pa1)) return false;
    pb0 = first, pb1 = last;
    return true;
}

i32 along_code(const f32* e0, const f32* e1, const Bnd& s)
{
    f32 ue = std::fabs(s.box[1] - s.box[0]), ve = std::fabs(s.box[3] - s.box[2]);
    if (eqval0(ue)) ue = 1;
    if (eqval0(ve)) ve = 1;
    return std::fabs(e1[0] - e0[0]) / ue >= std::fabs(e1[1] - e0[1]) / ve ? 1 : 2;
}

// The inward point of a piece: its first end moved by a little along it
// (the smaller of 0.01 and 1.25 % of its length in (u, v)). The second
// surface's too is moved along the chord, not towards the neighbouring point
// of its outline: the point serves only to find the piece next to its first
// end (the trimmed side takes the outline's nearest point to it), and a
// hundredth along either direction finds the same place.
void inward(const f32* e0, const f32* e1, f32* p)
{
    const f64 du = f64(e1[0]) - e0[0], dv = f64(e1[1]) - e0[1], len = std::hypot(du, dv);
    const f64 step = len > 0 ? std::min(0.01, 0.0125 * len) / len : 0.0;
    p[0] = static_cast<f32>(e0[0] + step * du);
    p[1] = static_cast<f32>(e0[1] + step * dv);
}

// Limit mode of a trimmed surface from the side of the piece on which its
// trimmed region lies: probes across the piece, both ways, from the point of
// its outline nearest to the inward point (on the piece itself: a curved
// piece's chord runs off it, inside or outside the region).
void dir_tsurf(const i32& which, const Bnd& s, const i32& code, const f32* e0, const f32* e1, i32& mode, i32& status)
{
    const int c = code == 1 ? 0 : 1, o = 1 - c;
    f32 in[2], on[2] = {e0[0], e0[1]};
    inward(e0, e1, in);
    f64 best = 1e30;
    for (i32 k = 0; k < s.n; ++k) {
        const f32 *a = s.uv() + 2 * k, *b = s.uv() + 2 * ((k + 1) % s.n);
        const f32 a3[3] = {a[0], a[1], 0}, b3[3] = {b[0], b[1], 0}, p3[3] = {in[0], in[1], 0};
        f64 t = 0;
        const f64 d = seg_dist(p3, a3, b3, t);
        if (d < best) {
            best = d;
            on[0] = static_cast<f32>(a[0] + t * (f64(b[0]) - a[0]));
            on[1] = static_cast<f32>(a[1] + t * (f64(b[1]) - a[1]));
        }
    }
    const f32 ext = std::fabs(s.box[2 * o + 1] - s.box[2 * o]);
    const f32 h = std::max(ext * 0.01f, 1e-4f);
    // The points of all loops for the inside test, outer loop first, in a
    // work array of the host.
    i32 total = 0;
    std::vector<i32> counts;
    for (const auto& l : s.loops) {
        counts.push_back(static_cast<i32>(l.size() / 2));
        total += counts.back();
    }
    i32 h2 = -1;
    void* base = nullptr;
    MM_OPEN_ARRAY(8, total, h2, base, status);
    if (status != 0) return;
    f32* pts = static_cast<f32*>(base);
    for (const auto& l : s.loops) pts = std::copy(l.begin(), l.end(), pts);
    const i32 nl = static_cast<i32>(counts.size());
    auto inside = [&](f32 dh) {
        f32 q[2] = {on[0], on[1]};
        q[o] += dh;
        i32 ans = 3;
        inpolr(get_tolerance(), static_cast<const f32*>(base), counts.data(), nl, q, ans);
        return ans == 1;
    };
    const bool hi = inside(h), lo = inside(-h);
    MM_CLOSE(h2, status);
    if (status != 0) {
        eroutc("dir_tsurf,PROBLEMS IN CLOSING THE DYNAMIC MEMEORY", 0);
        return;
    }
    // Inside on the high side only; where both probes or neither lie
    // inside, the region lies towards the middle of its box.
    const bool inside_high = hi != lo ? hi : 0.5f * (s.box[2 * o] + s.box[2 * o + 1]) > on[o];
    const bool fdown = e1[c] < e0[c];
    // The second surface starts at the piece, the first ends there.
    const bool sdown = which == 1 ? !inside_high : inside_high;
    mode = (code == 1 ? 4 : 0) + (fdown ? 1 : 0) + (sdown ? 2 : 0);
}

// Orients one surface at the piece (ends e0, e1 in its (u, v)).
void orient(const i32& which, Bnd& s, i32 index, const f32* e0, const f32* e1, i32* lim, i32* crn, i32& status)
{
    const i32 code = along_code(e0, e1, s);
    i32 mode = 0;
    if (!s.trimmed) {
        f32 in[2];
        inward(e0, e1, in);
        f32 dir[2] = {e1[0] - e0[0], e1[1] - e0[1]};
        DIRPLN(which, s.id, code, in, dir, mode, status);
        if (status < 0) return;
        LIMSET(mode, s.box[0], s.box[1], s.box[2], s.box[3], lim, crn);
        return;
    }
    dir_tsurf(which, s, code, e0, e1, mode, status);
    if (status != 0) return;
    // The trimmed-surface tables again from the outer trim boundary.
    read_loops(s, status);
    if (status != 0) return;
    TRMBND(index, s.loops[0].data(), static_cast<i32>(s.loops[0].size() / 2), s.id);
    TRMSET(index, mode, lim, crn);
}
}  // namespace

void dir_close_dm(i32& handle, i32& status)
{
    status = 0;
    // Only a negative handle counts as closed: the host's handles start at
    // 0 (a mend: taken as closed, the array of handle 0 would never be
    // released).
    if (handle < 0) {
        handle = -1;
        return;
    }
    i32 h = handle;
    MM_CLOSE(h, status);
    if (status != 0) {
        eroutc(" dir_close_dm,PROBLEMS IN CLOSING THE DYNAMIC MEMEORY", 0);
        return;
    }
    handle = -1;
}

void PLY3D(const i32& id, const f32* uv, const i32& count, i32& handle, i32& status)
{
    f64* b = gd::buf(gd::BB);
    LDSRFB(id, b, status);
    if (status != 0) return;
    void* base = nullptr;
    MM_OPEN_ARRAY(12, count, handle, base, status);
    if (status != 0) return;
    f32* p = static_cast<f32*>(base);
    for (i32 k = 0; k < count; ++k) {
        status = gd::eval(b, uv[2 * k], uv[2 * k + 1], 0, p + 3 * k);
        if (status < 0) return;
    }
    status = 0;
}

void DIRPLN(const i32& which, const i32& id, const i32& code, const f32* point, const f32* dir, i32& mode,
            i32& status)
{
    f32 umin, umax, vmin, vmax;
    gd::load(id, gd::buf(gd::BB), umin, umax, vmin, vmax, status);
    if (status != 0) return;
    const int c = code == 1 ? 0 : 1, o = 1 - c;
    const f32 lo = o == 0 ? umin : vmin, hi = o == 0 ? umax : vmax;
    // The piece lies on the side of the nearer bound of the other parameter.
    const bool at_low = std::fabs(point[o] - lo) <= std::fabs(point[o] - hi);
    const bool fdown = dir[c] < 0;
    const bool sdown = which == 1 ? !at_low : at_low;
    mode = (code == 1 ? 4 : 0) + (fdown ? 1 : 0) + (sdown ? 2 : 0);
    status = 0;
}

void CMNEDG(const i32& mode, const i32& ida, const i32& idb, const i32& ia, const i32& ib, i32* lima, i32* limb,
            i32* crna, i32* crnb, i32& status)
{
    Bnd a, b;
    auto close_all = [&](i32& st) {
        i32 s1 = 0;
        i32* hs[4] = {&a.huv, &a.hxyz, &b.huv, &b.hxyz};
        for (i32* h : hs) {
            dir_close_dm(*h, s1);
            if (s1 != 0 && st >= 0) st = s1;
        }
    };
    build(a, ida, status);
    if (status == 0) build(b, idb, status);
    if (status != 0) {
        close_all(status);
        return;
    }
    f32 ta = 0, tb = 0;
    i32 st = 0;
    gt_tolvars(ida, ta, st);
    if (st < 0) ta = 0;
    gt_tolvars(idb, tb, st);
    if (st < 0) tb = 0;
    const f64 tol = std::max({1.0e-3, 10.0 * get_tolerance(), f64(ta), f64(tb)});
    f64 pa0 = 0, pa1 = 0, pb0 = 0, pb1 = 0;
    if (!common_piece(a, b, tol, pa0, pa1, pb0, pb1)) {
        userrc("SELECTED SURFACES DO NOT HAVE A COMMON EDGE", 0);
        status = -1;
        i32 s2 = 0;
        close_all(s2);
        return;
    }
    f32 ea[2][2], eb[2][2];
    uv_at(a, pa0, ea[0]);
    uv_at(a, pa1, ea[1]);
    uv_at(b, pb0, eb[0]);
    uv_at(b, pb1, eb[1]);
    if (mode == 2) {
        // The end nearer to the start of A's first range comes first.
        const int c = lima[LR_CODE] == 1 ? 0 : 1;
        const f32 w1 = limr(lima, LR_FST);
        if (std::fabs(ea[1][c] - w1) < std::fabs(ea[0][c] - w1)) {
            std::swap(ea[0], ea[1]);
            std::swap(eb[0], eb[1]);
        }
    }
    i32 sa[LIMR_N], sb[LIMR_N], sca[CRNR_N], scb[CRNR_N];
    std::copy(lima, lima + LIMR_N, sa);
    std::copy(limb, limb + LIMR_N, sb);
    std::copy(crna, crna + CRNR_N, sca);
    std::copy(crnb, crnb + CRNR_N, scb);
    if (mode == 0) orient(0, a, ia, ea[0], ea[1], lima, crna, status);
    if (status == 0) orient(1, b, ib, eb[0], eb[1], limb, crnb, status);
    if (status != 0) {
        // The records stay as they were.
        std::copy(sa, sa + LIMR_N, lima);
        std::copy(sb, sb + LIMR_N, limb);
        std::copy(sca, sca + CRNR_N, crna);
        std::copy(scb, scb + CRNR_N, crnb);
    }
    close_all(status);
}
