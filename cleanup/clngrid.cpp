// The clean-up grid: its opening over the part, the comparison of a finished
// pass with itself (a jump of the tool positions over a short stretch) and
// with the pass before it (facing points whose tool positions drift apart),
// the filing of the spots found, and the resets and release.
#include "cleanup/clngrid.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "cleanup/clnstore.h"
#include "cleanup/clntrace.h"
#include "core/host.h"
#include "cutter/frames.h"
#include "tools/toolcache.h"

ClnGrd CLNGRD;

namespace {

f32 dist2(const f32* a, const f32* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

f32 dot3(const f32* a, const f32* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void cross(const f32* a, const f32* b, f32* c)
{
    c[0] = a[1] * b[2] - a[2] * b[1];
    c[1] = a[2] * b[0] - a[0] * b[2];
    c[2] = a[0] * b[1] - a[1] * b[0];
}

// Unit length in place; a zero vector stays zero.
void unit(f32* v)
{
    const f32 l = std::sqrt(dot3(v, v));
    if (l > 0)
        for (i32 k = 0; k < 3; ++k) v[k] /= l;
}

void copy3(f32* d, const f32* s) { d[0] = s[0], d[1] = s[1], d[2] = s[2]; }

// The pairs of one comparison, filed into the grid whenever the pair array
// is full and once at the end.
struct Pairs {
    f32 pair[3 * CLN_PAIRS];
    f32 spot[3 * CLN_PAIRS];
    i32 n = 0;
    i32 status = 0;
    void add(const f32* a, const f32* b, const f32* s)
    {
        if (status < 0) return;
        copy3(pair + 6 * n, a);
        copy3(pair + 6 * n + 3, b);
        copy3(spot + 3 * n, s);
        if (++n == CLN_PAIRS / 2) flush();
    }
    void flush()
    {
        if (n > 0 && status >= 0) clnins(0.0f, n, pair, spot, status);
        n = 0;
    }
};

// Contact point of the tool placed at p over a surface of normal n.
void contact(const ClnTool& t, const f32* p, const f32* n, f32* c)
{
    i32 st = 0;
    CNTTIP(t.d, t.r, t.a, p, n, c, st);
}

ClnPass pass_of(i32 b)
{
    const ClnBuf& s = CLNBUF;
    return {s.pts[b].data(), s.nrms[b].data(), s.npnt[b], s.lens[b].data(), static_cast<i32>(s.lens[b].size())};
}

// Spots inside one pass: two consecutive tool points close together whose
// contact points jump apart.
void clnone(const ClnTool& t, const ClnPass& ps, const f32& step, Pairs& out)
{
    const i32 N = ps.npnt;
    if (!t.mill || N == 0) return;
    const bool flat = t.r == 0;
    const f32* P = ps.pts;
    const f32* Nr = ps.nrms;
    const bool closed = dist2(P, P + 3 * (N - 1)) < t.d;
    const f32 L = std::fmax(5.0f * step, 0.05f * t.d), M = 0.14f * t.d;
    const f32 shortw = std::fmax(t.d / 20.0f, 0.05f);
    // A pair (a, b): a's piece starts at alo, b's piece ends before bhi, so
    // that the neighbouring steps are taken within the pieces, never across
    // the gap from one piece to the next.
    auto test = [&](i32 ia, i32 ib, i32 alo, i32 bhi) {
        const f32 *a = P + 3 * ia, *b = P + 3 * ib, *na = Nr + 3 * ia, *nb = Nr + 3 * ib;
        f32 ta[3], tb[3];
        contact(t, a, na, ta);
        contact(t, b, nb, tb);
        const f32 dc = dist2(a, b), dt = dist2(ta, tb);
        if (dc > L) return;
        if (flat && (na[2] == 1.0f || nb[2] == 1.0f)) return;
        const f32 r = dc == 0 ? (dt == 0 ? 1.0f : 2.0f) : dt / dc;
        if (r < 2.75f || dt < M) return;
        if (!(na[2] == 1.0f && nb[2] == 1.0f)) {
            f32 w[3] = {b[0] - a[0], b[1] - a[1], 0};
            f32 wl = std::hypot(w[0], w[1]);
            if (wl < shortw) {
                // The longer neighbouring step gives the direction.
                const i32 ns = ib + 1 < bhi ? ib + 1 : -1, np = ia - 1 >= alo ? ia - 1 : -1;
                const f32 ls = ns >= 0 ? dist2(b, P + 3 * ns) : -1.0f;
                const f32 lp = np >= 0 ? dist2(P + 3 * np, a) : -1.0f;
                const f32* f = nullptr;
                const f32* g = nullptr;
                if (ls > wl && ls >= lp) f = b, g = P + 3 * ns;
                else if (lp > wl) f = P + 3 * np, g = a;
                if (f) {
                    w[0] = g[0] - f[0], w[1] = g[1] - f[1];
                    wl = std::hypot(w[0], w[1]);
                }
            }
            unit(w);
            f32 u1[3], u2[3];
            cross(na, w, u1);
            cross(na, nb, u2);
            unit(u1);
            unit(u2);
            if (gtval(dot3(u1, u2), 0.0f) && gtval(dot3(na, nb), 0.0f)) return;
        }
        const f32 mid[3] = {0.5f * (a[0] + b[0]), 0.5f * (a[1] + b[1]), 0.5f * (a[2] + b[2])};
        out.add(ta, tb, mid);
    };
    i32 o = 0;
    for (i32 k = 0; k < ps.npcs; ++k) {
        const i32 l = std::min(ps.lens[k], N - o);
        if (l >= 2) {
            for (i32 i = o; i < o + l - 1; ++i) test(i, i + 1, o, o + l);
            if (k == ps.npcs - 1 && closed) test(N - 1, 0, o, std::min(ps.lens[0], N));
        }
        o += std::max(l, 0);
    }
}

// One sample of the current pass against its nearest point on the previous
// pass: a spot when the contact points drift apart faster than the tool
// positions, or stand at different heights on facing walls.
bool btw_spot(const ClnTool& t, bool flat, const f32* dir, bool degen, const f32* c, const f32* n, const f32* cb,
              const f32* nb, const f32* ta, const f32* tb)
{
    if (flat && (n[2] == 1.0f || nb[2] == 1.0f)) return false;
    const f32 dc = dist2(c, cb);
    f32 T = dist2(ta, tb);
    bool second = false;
    for (;;) {
        const f32 r = dc == 0 ? (T == 0 ? 1.0f : 2.0f) : T / dc;
        f32 thr = 1.7f;
        bool chance = false;
        if (!degen && !second) {
            const f32 z1 = n[0] * dir[1] - n[1] * dir[0], z2 = nb[0] * dir[1] - nb[1] * dir[0];
            if ((z1 > 0 && z2 > 0) || (z1 < 0 && z2 < 0)) return false;
            if (std::fabs(z1) < 0.68f && std::fabs(z2) < 0.68f) {
                if (flat) return false;
                chance = true;
            } else {
                thr = 1.25f;
            }
        }
        if (!chance && r < thr) {
            if (second || flat) return false;
            chance = true;
        }
        if (!chance) break;
        T = std::fabs(ta[2] - tb[2]);
        if (!(dot3(n, nb) >= 0.975f && nb[2] > 0.94f)) return false;
        second = true;
    }
    if (T < 0.3f * t.d) return false;
    f32 w[3] = {cb[0] - c[0], cb[1] - c[1], cb[2] - c[2]}, u1[3], u2[3];
    unit(w);
    cross(n, w, u1);
    cross(n, nb, u2);
    unit(u1);
    unit(u2);
    f32 s = dot3(u1, u2);
    if (s == 0) s = dot3(n, nb);
    if (s > 0) return false;
    return (n[2] <= 0.997f && nb[2] <= 0.997f) || std::fabs(ta[2] - tb[2]) >= 0.15f * t.d;
}

// Spots between the current pass and the previous one.
void clnbtw(const ClnTool& t, const ClnPass& cur, const ClnPass& prev, Pairs& out)
{
    if (!t.mill || cur.npnt == 0 || prev.npnt == 0) return;
    const bool flat = t.r == 0;
    const f32 h = 0.5f * t.d;
    ClnIndex index;
    index.build(prev, t.d);
    i32 o = 0;
    for (i32 k = 0; k < cur.npcs; ++k) {
        const i32 l = std::min(cur.lens[k], cur.npnt - o);
        for (i32 i = o; l >= 2 && i < o + l - 1; ++i) {
            const f32 *p = cur.pts + 3 * i, *q = p + 3, *np = cur.nrms + 3 * i, *nq = np + 3;
            const f32 len = std::sqrt((q[0] - p[0]) * (q[0] - p[0]) + (q[1] - p[1]) * (q[1] - p[1]) +
                                      (q[2] - p[2]) * (q[2] - p[2]));
            const i32 ks = len > h ? static_cast<i32>(len / (0.95f * h) + 0.99f) : 0;
            f32 dir[3] = {q[0] - p[0], q[1] - p[1], 0};
            const bool degen = dir[0] == 0 && dir[1] == 0;
            unit(dir);
            for (i32 j = 0; j <= ks; ++j) {
                const f32 u = ks > 0 ? static_cast<f32>(j) / static_cast<f32>(ks) : 0.0f;
                f32 c[3], n[3], cb[3], nb[3], ta[3], tb[3];
                for (i32 m = 0; m < 3; ++m) c[m] = p[m] + u * (q[m] - p[m]), n[m] = np[m] + u * (nq[m] - np[m]);
                contact(t, c, n, ta);
                i32 st = 0;
                index.nearest(c, cb, nb, st);
                if (st != 0) break;
                contact(t, cb, nb, tb);
                if (btw_spot(t, flat, dir, degen, c, n, cb, nb, ta, tb)) {
                    out.add(ta, c, c);
                    out.add(tb, cb, cb);
                }
            }
        }
        o += std::max(l, 0);
    }
}

// Projection of q onto the segment a-b (clamped to its ends): distance and
// parameter.
f64 project(const f32* q, const f32* a, const f32* b, f64& t)
{
    const f64 d[3] = {f64(b[0]) - a[0], f64(b[1]) - a[1], f64(b[2]) - a[2]};
    const f64 e[3] = {f64(q[0]) - a[0], f64(q[1]) - a[1], f64(q[2]) - a[2]};
    const f64 dd = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    t = dd > 0 ? (e[0] * d[0] + e[1] * d[1] + e[2] * d[2]) / dd : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const f64 x = e[0] - t * d[0], y = e[1] - t * d[1], z = e[2] - t * d[2];
    return std::sqrt(x * x + y * y + z * z);
}

void at(const ClnPass& ps, i32 i, f64 t, f32* point, f32* normal)
{
    const f32 *a = ps.pts + 3 * i, *na = ps.nrms + 3 * i;
    for (i32 m = 0; m < 3; ++m) {
        point[m] = static_cast<f32>(a[m] + t * (f64(a[m + 3]) - a[m]));
        normal[m] = static_cast<f32>(na[m] + t * (f64(na[m + 3]) - na[m]));
    }
}

void close_grid()
{
    ClnGrd& g = CLNGRD;
    g.open = false;
    std::vector<ClnCell>().swap(g.cells);
    std::vector<std::vector<ClnSpot>>().swap(g.recs);
    std::vector<i32>().swap(g.stack);
    g.ncol = g.nrow = 0;
}

}  // namespace

ClnTool clntool()
{
    ClnTool t{0, 0, 0, false};
    f32 deg = 0;
    GTDIAM(CURTOL, t.d);
    GTCRNR(CURTOL, t.r);
    GTTAPA(CURTOL, deg);
    // A zero diameter would give cells of no size and divide by it.
    t.mill = t.d > 0 && t.r >= 0 && deg >= 0;
    t.a = radian(deg);
    return t;
}

void clnini(const f32* box, i32& status)
{
    status = 0;
    const ClnTool t = clntool();
    CLNBUF.npass = 0;
    i32 st = 0;
    strrel(st);
    close_grid();
    clntrc_release();
    ClnGrd& g = CLNGRD;
    // No grid for a diameter not above 0 (none, or the -1 answered for a
    // tool that is not a milling tool): the cells would have no size, or a
    // negative one. A tool that other words rule out (a negative taper, say)
    // keeps its grid, and the comparisons, which stop on such a tool, file
    // nothing into it.
    if (!(t.d > 0)) return;
    const f32 D = t.d;
    g.z[0] = box[2], g.z[1] = box[5];
    g.lo[0] = box[0] - 2 * D, g.lo[1] = box[1] - 2 * D;
    g.hi[0] = box[3] + 2 * D, g.hi[1] = box[4] + 2 * D;
    i32 n[2];
    f64 cells = 1;
    for (i32 k = 0; k < 2; ++k) {
        const f32 w = g.hi[k] - g.lo[k];
        const f64 c = std::trunc(std::fabs(f64(w) / D));
        n[k] = c < 1.0e9 ? static_cast<i32>(c) : 1000000000;
        if (!eqval(static_cast<f32>(n[k]) * D, w)) ++n[k];
        // A box inverted by exactly four diameters has no width at all: it
        // still gets one cell, as a grid of none would file spots outside it.
        if (n[k] < 1) n[k] = 1;
        cells *= n[k];
    }
    // The grid is taken whole before a single spot is known (24 bytes a
    // cell with its stack entry): a fine tool over a large part would ask
    // for hundreds of megabytes or more. Past CLN_MAXCELLS (about 48 MB) the
    // passes are made without the clean-up, and the user is told so.
    if (cells > CLN_MAXCELLS) {
        usmsgc("WARNING, THE PART IS TOO LARGE FOR THE CLEAN-UP GRID: NO CLEAN-UP");
        return;
    }
    g.ncol = n[0], g.nrow = n[1];
    g.cw = g.hi[0] - g.lo[0] < 0 ? -D : D;
    g.ch = g.hi[1] - g.lo[1] < 0 ? -D : D;
    g.hi[0] = g.lo[0] + g.ncol * g.cw;
    g.hi[1] = g.lo[1] + g.nrow * g.ch;
    try {
        g.cells.assign(static_cast<size_t>(cells), ClnCell{0, 0, 0, -1});
        g.stack.assign(2 * static_cast<size_t>(cells), 0);
    } catch (const std::bad_alloc&) {
        close_grid();
        eroutc("clnini,dynamic memory error", 0);
        status = -1;
        return;
    }
    g.open = true;
}

void clnpas(const f32& step, const i32& skip, i32& status)
{
    status = 0;
    if (!CLNGRD.open || CLNBUF.npass < 1) return;
    const ClnTool t = clntool();
    const i32 c = CLNBUF.cur;
    static Pairs out;  // two arrays of 1000 triples: kept off the stack
    out.n = 0;
    out.status = 0;
    clnone(t, pass_of(c), step, out);
    out.flush();
    status = out.status;
    if (status < 0 || CLNBUF.npass < 2 || skip != 0) return;
    clnbtw(t, pass_of(c), pass_of(1 - c), out);
    out.flush();
    status = out.status;
}

void clnins(const f32& z, const i32& npair, const f32* pairs, const f32* spots, i32& status)
{
    status = 0;
    ClnGrd& g = CLNGRD;
    if (!g.open) return;
    auto index = [](f32 v, f32 lo, f32 size, i32 count) {
        const f32 f = (v - lo) / size;
        // A spot outside the grid is filed in its edge cell: below the
        // lower corner the index would go negative, and past the last cell
        // it would address cells that do not exist (a cell size negated
        // clamps at 0 too).
        if (!(f >= 0)) return 0;
        if (f >= static_cast<f32>(count)) return count - 1;
        return std::min(static_cast<i32>(f), count - 1);
    };
    for (i32 k = 0; k < npair; ++k) {
        const f32* s = spots + 3 * k;
        const i32 row = index(s[1], g.lo[1], g.ch, g.nrow), col = index(s[0], g.lo[0], g.cw, g.ncol);
        ClnCell& cell = g.cells[static_cast<size_t>(row) * g.ncol + col];
        try {
            if (cell.rec < 0) {
                cell.rec = static_cast<i32>(g.recs.size());
                g.recs.emplace_back();
            }
            ClnSpot sp{CLN_FREE, 0, 0, {s[0], s[1], z}, {}, {}};
            copy3(sp.p1, pairs + 6 * k);
            copy3(sp.p2, pairs + 6 * k + 3);
            g.recs[cell.rec].push_back(sp);
        } catch (const std::bad_alloc&) {
            eroutc("clnins,dynamic memory error", 0);
            status = -1;
            return;
        }
        ++cell.count;
        cell.type = 1;
    }
}

void clnrst()
{
    ClnGrd& g = CLNGRD;
    for (ClnCell& c : g.cells) {
        if (c.type >= 10) c.type -= 10;
        c.label = 0;
        if (c.rec >= 0)
            for (ClnSpot& s : g.recs[c.rec]) s.state = s.wflag = s.visits = 0;
    }
    clntrc_clear();
}

void clndsp(i32& status)
{
    // The spots are drawn only by the debug drawing, which nothing turns on:
    // the entity list stays empty and nothing is shown.
    status = 0;
}

void clnrls(i32& status)
{
    // The grid, the chain and the polyline store are the module's own
    // growable arrays: their release cannot fail, so there is no close
    // error to post.
    status = 0;
    clntrc_release();
    close_grid();
}

void clnnpt(const ClnPass& ps, const f32* q, const f32& d, f32* point, f32* normal, i32& status)
{
    f64 best = 1.0e10, bt = 0;
    i32 bi = -1, o = 0;
    for (i32 k = 0; k < ps.npcs; ++k) {
        const i32 l = std::min(ps.lens[k], ps.npnt - o);
        for (i32 i = o; l >= 2 && i < o + l - 1; ++i) {
            f64 t = 0;
            const f64 dd = project(q, ps.pts + 3 * i, ps.pts + 3 * i + 3, t);
            if (dd < best) best = dd, bi = i, bt = t;
        }
        o += std::max(l, 0);
    }
    status = 1;
    if (bi < 0 || !(best < d)) return;
    at(ps, bi, bt, point, normal);
    status = 0;
}

void ClnIndex::build(const ClnPass& ps, f32 d)
{
    pass_ = ps;
    d_ = d;
    seg_.clear();
    wide_.clear();
    i32 o = 0;
    f64 lo[2] = {1.0e30, 1.0e30}, hi[2] = {-1.0e30, -1.0e30};
    for (i32 k = 0; k < ps.npcs; ++k) {
        const i32 l = std::min(ps.lens[k], ps.npnt - o);
        for (i32 i = o; l >= 2 && i < o + l - 1; ++i) seg_.push_back(i);
        for (i32 i = o; i < o + l; ++i)
            for (i32 m = 0; m < 2; ++m) lo[m] = std::min(lo[m], f64(ps.pts[3 * i + m])), hi[m] = std::max(hi[m], f64(ps.pts[3 * i + m]));
        o += std::max(l, 0);
    }
    nx_ = ny_ = 0;
    if (seg_.empty()) return;
    const f64 ext = std::max(hi[0] - lo[0], hi[1] - lo[1]);
    s_ = std::max({f64(d), ext / 1024.0, 1.0e-6});
    x0_ = lo[0], y0_ = lo[1];
    nx_ = static_cast<i32>((hi[0] - lo[0]) / s_) + 1;
    ny_ = static_cast<i32>((hi[1] - lo[1]) / s_) + 1;
    auto cellx = [&](f64 v) { return std::clamp(static_cast<i32>(std::floor((v - x0_) / s_)), 0, nx_ - 1); };
    auto celly = [&](f64 v) { return std::clamp(static_cast<i32>(std::floor((v - y0_) / s_)), 0, ny_ - 1); };
    start_.assign(static_cast<size_t>(nx_) * ny_ + 1, 0);
    // Two sweeps: count the entries of each cell, then place them.
    for (i32 sweep = 0; sweep < 2; ++sweep) {
        std::vector<i32> fill;
        if (sweep == 1) {
            for (size_t c = 1; c < start_.size(); ++c) start_[c] += start_[c - 1];
            ids_.assign(static_cast<size_t>(start_.back()), 0);
            fill.assign(start_.begin(), start_.end() - 1);
        }
        for (i32 s = 0; s < static_cast<i32>(seg_.size()); ++s) {
            const f32 *a = ps.pts + 3 * seg_[s], *b = a + 3;
            const i32 x0 = cellx(std::min(a[0], b[0])), x1 = cellx(std::max(a[0], b[0]));
            const i32 y0 = celly(std::min(a[1], b[1])), y1 = celly(std::max(a[1], b[1]));
            if ((x1 - x0 + 1) * (y1 - y0 + 1) > 64) {
                if (sweep == 0) wide_.push_back(s);
                continue;
            }
            for (i32 y = y0; y <= y1; ++y)
                for (i32 x = x0; x <= x1; ++x) {
                    const size_t c = static_cast<size_t>(y) * nx_ + x;
                    if (sweep == 0) ++start_[c + 1];
                    else ids_[static_cast<size_t>(fill[c]++)] = s;
                }
        }
    }
}

void ClnIndex::nearest(const f32* q, f32* point, f32* normal, i32& status)
{
    status = 1;
    if (nx_ == 0) return;
    // Every segment closer than d in space is closer than d in the plane:
    // the cells within d of q (and a little more for rounding) hold it.
    const f64 r = f64(d_) + 1.0e-3 * s_;
    const i32 x0 = static_cast<i32>(std::floor((q[0] - r - x0_) / s_)), x1 = static_cast<i32>(std::floor((q[0] + r - x0_) / s_));
    const i32 y0 = static_cast<i32>(std::floor((q[1] - r - y0_) / s_)), y1 = static_cast<i32>(std::floor((q[1] + r - y0_) / s_));
    cand_.assign(wide_.begin(), wide_.end());
    for (i32 y = std::max(y0, 0); y <= std::min(y1, ny_ - 1); ++y)
        for (i32 x = std::max(x0, 0); x <= std::min(x1, nx_ - 1); ++x) {
            const size_t c = static_cast<size_t>(y) * nx_ + x;
            cand_.insert(cand_.end(), ids_.begin() + start_[c], ids_.begin() + start_[c + 1]);
        }
    std::sort(cand_.begin(), cand_.end());
    cand_.erase(std::unique(cand_.begin(), cand_.end()), cand_.end());
    f64 best = 1.0e10, bt = 0;
    i32 bi = -1;
    for (i32 s : cand_) {
        f64 t = 0;
        const f64 dd = project(q, pass_.pts + 3 * seg_[s], pass_.pts + 3 * seg_[s] + 3, t);
        if (dd < best) best = dd, bi = seg_[s], bt = t;
    }
    if (bi < 0 || !(best < d_)) return;
    at(pass_, bi, bt, point, normal);
    status = 0;
}
