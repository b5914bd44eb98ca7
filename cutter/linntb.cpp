#include "cutter/linntb.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/host.h"
#include "core/params.h"
#include "core/proc.h"
#include "cutter/frames.h"
#include "cutter/linnetn.h"
#include "cutter/loccom.h"
#include "cutter/uphooks.h"
#include "tools/toolcache.h"

i32 BNDSW1 = 0, BNDACT = 0, BNDSHW = 0, BNDRPS = 0;
f32 BNDTOL = 0.0f;

namespace {

// A host block of count elements, released when it goes.
template <class T>
struct Block {
    T* p = nullptr;
    i32 bytes = 0;
    bool get(std::int64_t count)
    {
        if (count < 1) count = 1;
        const std::int64_t b = count * static_cast<std::int64_t>(sizeof(T));
        if (b > 0x7fffffff) return false;
        bytes = static_cast<i32>(b);
        p = static_cast<T*>(DM_ALLOC(bytes));
        if (p) std::memset(p, 0, static_cast<size_t>(bytes));
        return p != nullptr;
    }
    ~Block()
    {
        if (p) DM_FREE(p, bytes);
    }
};

// The tool's diameter, corner radius and taper angle (radians).
struct Shape {
    f32 d = 0, r = 0, a = 0;
    Shape()
    {
        f32 deg = 0;
        GTDIAM(CURTOL, d);
        GTCRNR(CURTOL, r);
        GTTAPA(CURTOL, deg);
        a = radian(deg);
    }
};

void copy3(const f32* from, f32* to) { to[0] = from[0], to[1] = from[1], to[2] = from[2]; }

// A tapered tool's normal carries a marker (+-1000) in its first component:
// the component is rebuilt from the unit length, its sign from the hint.
void strip_marker(f32* n, const f32* hint)
{
    if (std::fabs(n[0]) != 1000.0f) return;
    const f32 s = 1.0f - n[1] * n[1] - n[2] * n[2];
    const f32 x = s > 0.0f ? std::sqrt(s) : 0.0f;
    n[0] = hint[0] < 0.0f ? -x : x;
}

// The inside answer of the boundary for a test point: 1 inside, 0 outside;
// a buffer without an outer contour bounds nothing. The polygon buffers'
// test answers -1 both for a buffer without an outer contour and for a
// buffer it cannot reach, so the failed access cannot end the clipping with
// its status: it counts as inside, which keeps the string's points (and the
// buffers report the failed access themselves).
i32 inside(const f32* p, const f32& tol, i32& status)
{
    i32 ans = 0;
    CUTHKS.inpol(p, tol, ans);
    status = 0;
    return ans != 0 ? 1 : 0;
}

// The tool positioned at the point as the clipping does it: PNTNET with mode
// code 0, the chordal tolerance and the stocks.
void position(const f32* at, f32* result, f32* contact, f32* normal, i32& code, i32& status)
{
    f32 p[3] = {at[0], at[1], at[2]};
    const f32 tol = pwr(PRTTOL);
    PNTNET(0, p, tol, PRCSTK, PRCCHK, result, contact, normal, code, status);
}

// The five arrays of one string, index for index, with the tool normals.
struct Str {
    f32 *p, *s, *t;
    i32* c;
    f32* q;
    i32* f;
    void put(i32 to, const Str& from, i32 k) const
    {
        copy3(from.p + 3 * k, p + 3 * to);
        copy3(from.s + 3 * k, s + 3 * to);
        copy3(from.t + 3 * k, t + 3 * to);
        if (c && from.c) c[to] = from.c[k];
        copy3(from.q + 3 * k, q + 3 * to);
        f[to] = from.f[k];
    }
};

}  // namespace

i32 GTCLPM(i32 which) { return which == 1 ? BNDSW1 : BNDACT; }

void BNDCRS(const f32* outside, const f32* inside_pt, f32* crossing, f32* normal, i32& code, i32& status)
{
    status = 0;
    const f32 limit = 0.05f * BNDTOL;
    f32 A[3], B[3];
    copy3(outside, A);
    copy3(inside_pt, B);
    f32 res[3], con[3], nrm[3];
    i32 tri = -1;
    for (i32 halvings = 0; halvings < 20; ++halvings) {
        const f64 dx = f64(A[0]) - B[0], dy = f64(A[1]) - B[1];
        if (!(std::sqrt(dx * dx + dy * dy) > limit)) break;
        const f32 M[3] = {0.5f * (A[0] + B[0]), 0.5f * (A[1] + B[1]), 0.5f * (A[2] + B[2])};
        position(M, res, con, nrm, tri, status);
        if (status != 0) return;
        const i32 in = inside(con, limit, status);
        if (status != 0) return;
        copy3(M, in ? B : A);
    }
    position(B, res, con, nrm, tri, status);
    if (status != 0) return;
    copy3(res, crossing);
    copy3(nrm, normal);
    code = tri;
}

void BNDTRM(const f32* points, const f32* normals, i32 n, i32* range, i32& status)
{
    status = 0;
    range[0] = 0;
    range[1] = n - 1;
    const Shape tool;
    const f32 step = 5.0f * BNDTOL;
    f32 prev[3], cur[3];
    i32 cs = 0;
    if (n > 0) CNTTIP(tool.d, tool.r, tool.a, points, normals, prev, cs);
    f64 length = 0.0;
    for (i32 i = 1; i < n; ++i) {
        CNTTIP(tool.d, tool.r, tool.a, points + 3 * i, normals + 3 * i, cur, cs);
        const f64 dx = f64(cur[0]) - prev[0], dy = f64(cur[1]) - prev[1], dz = f64(cur[2]) - prev[2];
        const f64 d = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (d >= step) {
            range[0] = i - 1;
            return;
        }
        length += d;
        copy3(cur, prev);
    }
    if (length < step) status = 1;
}

void BNDGAP(i32 n, const i32* flags, i32* gaps, i32& ngaps, i32& status)
{
    status = 0;
    ngaps = 0;
    bool any = false, open = false;
    i32 start = 0;
    for (i32 i = 0; i < n; ++i) {
        if (!flags[i]) {
            if (!open) open = true, start = i;
            continue;
        }
        any = true;
        // An inside point closes the open run: a gap unless it began the
        // string or the string's last point closes it.
        if (open && start != 0 && i != n - 1) gaps[ngaps++] = start;
        open = false;
    }
    if (!any) ngaps = -1;
}

void BNDSPL(const i32* gaps, i32 ngaps, f32* points, f32* normals, f32* tnormals, i32* codes, f32* test_points,
            i32* flags, i32& npts, i32& nstr, i32* lengths, i32& status)
{
    status = 0;
    const i32 n = npts;
    // From the back: each gap's first point is written twice.
    i32 write = n + ngaps - 1, g = ngaps - 1;
    for (i32 i = n - 1; i >= 0; --i) {
        const i32 times = (g >= 0 && gaps[g] == i) ? 2 : 1;
        for (i32 t = 0; t < times; ++t, --write) {
            copy3(points + 3 * i, points + 3 * write);
            copy3(normals + 3 * i, normals + 3 * write);
            copy3(tnormals + 3 * i, tnormals + 3 * write);
            copy3(test_points + 3 * i, test_points + 3 * write);
            if (codes) codes[write] = codes[i];
            flags[write] = flags[i];
        }
        if (times == 2) --g;
    }
    npts = n + ngaps;
    nstr = ngaps + 1;
    i32 prev = 0;
    for (i32 k = 0; k < ngaps; ++k) {
        lengths[k] = gaps[k] - prev + 1;
        prev = gaps[k];
    }
    lengths[ngaps] = n - prev;
}

namespace {

// A string with no point inside the boundary: a probe along its chord
// (halving from the first point towards the last, then back) that lies
// inside makes it the string of the first point, the probe and the last.
void probe_inside(Str& w, i32 n, i32& np, i32* lengths, i32& status)
{
    const f32* first = w.p;
    const f32* last = w.p + 3 * (n - 1);
    bool found = false;
    f32 pr[3], pn[3], pq[3];
    i32 ptri = -1;
    for (i32 pass = 0; pass < 2 && !found; ++pass) {
        f32 A[3], B[3];
        copy3(first, A);
        copy3(last, B);
        for (i32 probe = 0; probe < 5 && !found; ++probe) {
            const f32 M[3] = {0.5f * (A[0] + B[0]), 0.5f * (A[1] + B[1]), 0.5f * (A[2] + B[2])};
            position(M, pr, pq, pn, ptri, status);
            if (status != 0) return;
            const i32 in = inside(pq, BNDTOL, status);
            if (status != 0) return;
            if (in)
                found = true;
            else
                copy3(M, pass == 0 ? B : A);
        }
    }
    if (found) {
        // The string becomes the first point, the probe and the last.
        copy3(last, w.p + 6);
        copy3(w.s + 3 * (n - 1), w.s + 6);
        copy3(w.t + 3 * (n - 1), w.t + 6);
        copy3(w.q + 3 * (n - 1), w.q + 6);
        if (w.c) w.c[2] = w.c[n - 1];
        w.f[2] = w.f[n - 1];
        // PNTNET marks a tapered tool's normal with +-1000 in its first
        // component, where the string's own points carry unit normals. The
        // probe's normal goes on as its surface normal, which BNDTRM hands
        // to CNTTIP for the test point (the marker would throw that point far
        // aside, a false step for the trimming of the start), and as its tool
        // normal; so the unit normal is rebuilt, its side taken from the
        // first and the last point between which the probe lies.
        f32 hint[3] = {w.t[0] + w.t[6], w.t[1] + w.t[7], w.t[2] + w.t[8]};
        strip_marker(pn, hint);
        copy3(pr, w.p + 3);
        copy3(pn, w.s + 3);
        copy3(pn, w.t + 3);
        copy3(pq, w.q + 3);
        if (w.c) w.c[1] = ptri;
        w.f[1] = 1;
        np = 3;
        lengths[0] = 3;
    }
}

}  // namespace

void BNDSTR(const f32* points, const f32* normals, const f32* tnormals, const i32* codes, i32 n, f32* out_points,
            f32* out_normals, f32* out_tnormals, i32* out_codes, i32& out_nstr, i32* out_lengths, i32& out_npts,
            i32& status)
{
    status = 0;
    out_nstr = 0;
    out_npts = 0;
    if (n < 1) {
        // A string without points stays one piece of length 0; the chord
        // search, which probes between its first and last point, has none
        // to probe between.
        out_nstr = 1;
        out_lengths[0] = 0;
        return;
    }
    const Shape tool;
    // The string's copy grows by its gaps (at most n) or to three points.
    const std::int64_t room = 2 * static_cast<std::int64_t>(n) + 3;
    Block<f32> bp, bs, bt, bq;
    Block<i32> bc, bf, bg, bl;
    if (!bp.get(3 * room) || !bs.get(3 * room) || !bt.get(3 * room) || !bq.get(3 * room) || !bc.get(room) ||
        !bf.get(room) || !bg.get(n + 1) || !bl.get(n + 2)) {
        status = BND_NOROOM;
        return;
    }
    Str w{bp.p, bs.p, bt.p, codes ? bc.p : nullptr, bq.p, bf.p};
    std::memcpy(w.p, points, sizeof(f32) * 3 * static_cast<size_t>(n));
    std::memcpy(w.s, normals, sizeof(f32) * 3 * static_cast<size_t>(n));
    std::memcpy(w.t, tnormals, sizeof(f32) * 3 * static_cast<size_t>(n));
    if (codes) std::memcpy(w.c, codes, sizeof(i32) * static_cast<size_t>(n));
    i32 np = n, nstr = 1;
    i32* lengths = bl.p;
    lengths[0] = n;
    // Test points and inside flags.
    for (i32 i = 0; i < n; ++i) {
        f32* q = w.q + 3 * i;
        if (BNDRPS) {
            f32 res[3], nrm[3];
            i32 tri = -1;
            position(w.p + 3 * i, res, q, nrm, tri, status);
            if (status != 0) return;
        } else {
            i32 cs = 0;
            CNTTIP(tool.d, tool.r, tool.a, w.p + 3 * i, w.s + 3 * i, q, cs);
        }
        w.f[i] = inside(q, BNDTOL, status);
        if (status != 0) return;
    }
    i32 ngaps = 0;
    BNDGAP(n, w.f, bg.p, ngaps, status);
    if (status != 0) return;
    if (ngaps > 0) {
        BNDSPL(bg.p, ngaps, w.p, w.s, w.t, w.c, w.q, w.f, np, nstr, lengths, status);
        if (status != 0) return;
    } else if (ngaps < 0) {
        probe_inside(w, n, np, lengths, status);
        if (status != 0) return;
    }
    // Output of each piece from the start of the arrays.
    Str o{out_points, out_normals, out_tnormals, out_codes, nullptr, nullptr};
    i32 outn = 0, s = 0;
    auto write_point = [&](i32 k) {
        copy3(w.p + 3 * k, o.p + 3 * outn);
        copy3(w.s + 3 * k, o.s + 3 * outn);
        copy3(w.t + 3 * k, o.t + 3 * outn);
        if (o.c && w.c) o.c[outn] = w.c[k];
        ++outn;
    };
    auto write_crossing = [&](i32 out, i32 in) {
        f32 x[3], nrm[3];
        i32 code = -1;
        BNDCRS(w.p + 3 * out, w.p + 3 * in, x, nrm, code, status);
        if (status != 0) return;
        // As for the chord's probe: the crossing's normal from PNTNET carries
        // a tapered tool's +-1000 marker, and BNDTRM hands the written normals
        // to CNTTIP for the test points, so the unit normal is rebuilt, its
        // side taken from the two points the crossing lies between.
        f32 hint[3] = {w.t[3 * out] + w.t[3 * in], w.t[3 * out + 1] + w.t[3 * in + 1],
                       w.t[3 * out + 2] + w.t[3 * in + 2]};
        strip_marker(nrm, hint);
        copy3(x, o.p + 3 * outn);
        copy3(nrm, o.s + 3 * outn);
        copy3(nrm, o.t + 3 * outn);
        if (o.c) o.c[outn] = code;
        ++outn;
    };
    for (i32 j = 0; j < nstr; ++j) {
        const i32 e = s + lengths[j] - 1;
        const i32 begin = outn;
        for (i32 i = s + 1; i <= e; ++i) {
            const i32 a = w.f[i - 1], b = w.f[i];
            if (a && b) {
                write_point(i - 1);
            } else if (!a && b) {
                write_crossing(i - 1, i);
            } else if (a && !b) {
                write_point(i - 1);
                write_crossing(i, i - 1);
            }
            if (status != 0) return;
        }
        if (e >= s && w.f[e]) write_point(e);
        i32 len = outn - begin;
        if (len > 0) {
            i32 range[2] = {0, len - 1};
            BNDTRM(o.p + 3 * begin, o.s + 3 * begin, len, range, status);
            if (status < 0) return;
            if (status == 1) {
                outn = begin;
                len = 0;
                status = 0;
            } else if (range[0] > 0) {
                const i32 keep = range[1] - range[0] + 1;
                for (i32 k = 0; k < keep; ++k) {
                    const i32 from = begin + range[0] + k, to = begin + k;
                    copy3(o.p + 3 * from, o.p + 3 * to);
                    copy3(o.s + 3 * from, o.s + 3 * to);
                    copy3(o.t + 3 * from, o.t + 3 * to);
                    if (o.c) o.c[to] = o.c[from];
                }
                outn = begin + keep;
                len = keep;
            }
        }
        out_lengths[j] = len;
        s = e + 1;
    }
    out_nstr = nstr;
    out_npts = outn;
}

void LINNTB(const i32& restart, const i32& line3d, const f32* start, const f32* end, const f32& tolerance,
            const f32& allowance_a, const f32& allowance_b, const i32& capacity, const i32& spare, const i32& mode,
            f32* pntxyz, f32* pntnrm, i32* pntflg, i32& pntnst, const i32& pntmxs, i32* pntlen, i32& pnttot,
            i32& status)
{
    (void)spare;
    if (BNDSHW) {
        const i32 one = 1, counts[1] = {2};
        const f32 xy[4] = {start[0], start[1], end[0], end[1]}, z = 0.0f;
        CUTHKS.drwpol(one, counts, xy, z, status);
    }
    if (!BNDACT) {
        LINNETN(restart, line3d, start, end, tolerance, allowance_a, allowance_b, capacity, mode, pntxyz, pntnrm,
                nullptr, pntflg, pntnst, pntmxs, pntlen, pnttot, status);
        return;
    }
    // Pieces no longer than the tool's diameter while the line is positioned.
    const i32 kept_mode = LOCCST;
    const f32 kept_limit = LOCSLM;
    if (LOCCST != 3) {
        f32 d = 0;
        GTDIAM(CURTOL, d);
        LOCSLM = d < tolerance ? 100.0f * tolerance : d;
        LOCCST = 3;
    }
    // Without room for the surface normals the line is positioned in the
    // same pieces and not clipped: the strings and the status stand.
    Block<f32> snm;
    const bool room = snm.get(capacity);
    LINNETN(restart, line3d, start, end, tolerance, allowance_a, allowance_b, capacity, room ? mode + 100 : mode,
            pntxyz, pntnrm, room ? snm.p : nullptr, pntflg, pntnst, pntmxs, pntlen, pnttot, status);
    LOCCST = kept_mode;
    LOCSLM = kept_limit;
    if (!room || pntnst < 1) return;
    const std::int64_t N = pnttot;
    Block<f32> cp, cs, ct, sp, ss, st;
    Block<i32> cc, cl, sc, sl;
    if (!cp.get(9 * N) || !cs.get(9 * N) || !ct.get(9 * N) || !cc.get(3 * N) || !cl.get(3 * N + pntnst) ||
        !sp.get(9 * N) || !ss.get(9 * N) || !st.get(9 * N) || !sc.get(3 * N) || !sl.get(3 * N + 1))
        return;  // no room: the strings stay as positioned
    i32 total = 0, pieces = 0, first = 0, clip_status = 0;
    for (i32 k = 0; k < pntnst; ++k) {
        const i32 n = pntlen[k];
        i32 nstr = 0, npts = 0;
        BNDSTR(pntxyz + 3 * first, snm.p + 3 * first, pntnrm + 3 * first, pntflg ? pntflg + first : nullptr, n,
               sp.p, ss.p, st.p, pntflg ? sc.p : nullptr, nstr, sl.p, npts, clip_status);
        // Without room for the clipping it is given up: the strings and
        // the status of the positioning stand.
        if (clip_status == BND_NOROOM) return;
        if (clip_status != 0) {
            status = clip_status;
            return;
        }
        if (total + npts > 3 * N || pieces + nstr > 3 * N + pntnst) {
            status = -1;
            return;
        }
        std::memcpy(cp.p + 3 * total, sp.p, sizeof(f32) * 3 * static_cast<size_t>(npts));
        std::memcpy(cs.p + 3 * total, ss.p, sizeof(f32) * 3 * static_cast<size_t>(npts));
        std::memcpy(ct.p + 3 * total, st.p, sizeof(f32) * 3 * static_cast<size_t>(npts));
        if (pntflg) std::memcpy(cc.p + total, sc.p, sizeof(i32) * static_cast<size_t>(npts));
        std::memcpy(cl.p + pieces, sl.p, sizeof(i32) * static_cast<size_t>(nstr));
        total += npts;
        pieces += nstr;
        first += n;
    }
    // The caller's arrays hold capacity floats and pntmxs strings.
    if (3 * total > capacity || pieces > pntmxs) {
        status = -1;
        return;
    }
    std::memcpy(pntxyz, cp.p, sizeof(f32) * 3 * static_cast<size_t>(total));
    // The tool normals of the clipped points, without the tapered marker:
    // left as positioned, the normals would belong to the points before the
    // clipping, and a caller would pair each clipped point with another
    // point's normal (the crossings added, the points cut away).
    for (i32 i = 0; i < total; ++i) {
        copy3(ct.p + 3 * i, pntnrm + 3 * i);
        strip_marker(pntnrm + 3 * i, cs.p + 3 * i);
    }
    if (pntflg) std::memcpy(pntflg, cc.p, sizeof(i32) * static_cast<size_t>(total));
    std::memcpy(pntlen, cl.p, sizeof(i32) * static_cast<size_t>(pieces));
    pntnst = pieces;
    pnttot = total;
    status = 0;
}
