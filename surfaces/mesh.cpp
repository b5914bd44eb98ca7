#include "surfaces/mesh.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <deque>
#include <unordered_map>

#include "core/host.h"

// ------------------------------------------------------------ ear clipping

namespace {

f64 area2(const std::vector<f64>& p)
{
    f64 a = 0;
    size_t n = p.size() / 2;
    for (size_t i = 0, j = n - 1; i < n; j = i++) a += p[2 * j] * p[2 * i + 1] - p[2 * i] * p[2 * j + 1];
    return a;
}

struct XY {
    f64 x, y;
};

f64 orient(XY a, XY b, XY c) { return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x); }

bool in_tri(XY p, XY a, XY b, XY c)
{
    // inside or on the border of the counter-clockwise triangle a b c
    return orient(a, b, p) >= 0 && orient(b, c, p) >= 0 && orient(c, a, p) >= 0;
}

bool same(XY a, XY b) { return a.x == b.x && a.y == b.y; }

}  // namespace

bool POLTRI(const std::vector<std::vector<f64>>& loops, std::vector<i32>& tri)
{
    tri.clear();
    if (loops.empty()) return false;
    std::vector<XY> pts;
    std::vector<std::vector<i32>> idx;
    for (size_t l = 0; l < loops.size(); ++l) {
        size_t n = loops[l].size() / 2;
        if (n < 3) return false;
        std::vector<i32> ring;
        for (size_t k = 0; k < n; ++k) {
            ring.push_back(static_cast<i32>(pts.size()));
            pts.push_back({loops[l][2 * k], loops[l][2 * k + 1]});
        }
        f64 a = area2(loops[l]);
        if ((l == 0) != (a > 0)) std::reverse(ring.begin(), ring.end());  // outer CCW, holes CW
        idx.push_back(std::move(ring));
    }
    std::vector<i32> poly = idx[0];
    // holes bridged in the order of their largest x, farthest right first
    std::vector<size_t> holes;
    for (size_t h = 1; h < idx.size(); ++h) holes.push_back(h);
    auto maxx = [&](size_t h) {
        i32 best = idx[h][0];
        for (i32 v : idx[h])
            if (pts[static_cast<size_t>(v)].x > pts[static_cast<size_t>(best)].x) best = v;
        return best;
    };
    std::sort(holes.begin(), holes.end(), [&](size_t a, size_t b) { return pts[static_cast<size_t>(maxx(a))].x > pts[static_cast<size_t>(maxx(b))].x; });
    for (size_t h : holes) {
        i32 mv = maxx(h);
        XY m = pts[static_cast<size_t>(mv)];
        // nearest crossing of the ray to +x with the polygon
        f64 bestx = 1e300;
        size_t bi = SIZE_MAX;
        size_t n = poly.size();
        for (size_t i = 0; i < n; ++i) {
            XY a = pts[static_cast<size_t>(poly[i])], b = pts[static_cast<size_t>(poly[(i + 1) % n])];
            if ((a.y > m.y) == (b.y > m.y) && a.y != m.y && b.y != m.y) continue;
            if (a.y == b.y) {
                if (a.y != m.y) continue;
                f64 x = std::min(a.x, b.x);
                if (x >= m.x && x < bestx) {
                    bestx = x;
                    bi = a.x < b.x ? i : (i + 1) % n;
                }
                continue;
            }
            f64 x = a.x + (m.y - a.y) * (b.x - a.x) / (b.y - a.y);
            if (x >= m.x && x < bestx) {
                bestx = x;
                bi = a.x > b.x ? i : (i + 1) % n;
            }
        }
        if (bi == SIZE_MAX) return false;
        // a vertex inside the triangle (M, I, P) is visible instead: the one nearest the ray
        XY I{bestx, m.y}, P = pts[static_cast<size_t>(poly[bi])];
        if (!same(I, P)) {
            f64 best = 1e300;
            for (size_t i = 0; i < n; ++i) {
                XY q = pts[static_cast<size_t>(poly[i])];
                if (i == bi || q.x < m.x) continue;
                bool inside = P.y > m.y ? in_tri(q, m, I, P) : in_tri(q, m, P, I);
                if (!inside) continue;
                f64 ang = std::fabs(std::atan2(q.y - m.y, q.x - m.x));
                f64 d = ang * 1e6 + std::hypot(q.x - m.x, q.y - m.y);
                if (d < best) {
                    best = d;
                    bi = i;
                }
            }
        }
        // splice: ... P, M, hole from M round to M, M, P ...
        std::vector<i32> ring = idx[h];
        size_t start = static_cast<size_t>(std::find(ring.begin(), ring.end(), mv) - ring.begin());
        std::vector<i32> ins;
        for (size_t k = 0; k <= ring.size(); ++k) ins.push_back(ring[(start + k) % ring.size()]);
        ins.push_back(poly[bi]);
        poly.insert(poly.begin() + static_cast<long>(bi) + 1, ins.begin(), ins.end());
    }
    // clip ears
    std::vector<i32> v = poly;
    size_t guard = 0;
    while (v.size() > 3) {
        size_t n = v.size();
        bool clipped = false;
        for (size_t i = 0; i < n && !clipped; ++i) {
            size_t ip = (i + n - 1) % n, in = (i + 1) % n;
            XY a = pts[static_cast<size_t>(v[ip])], b = pts[static_cast<size_t>(v[i])], c = pts[static_cast<size_t>(v[in])];
            if (orient(a, b, c) <= 0) continue;
            bool ear = true;
            for (size_t k = 0; k < n && ear; ++k) {
                if (k == ip || k == i || k == in) continue;
                XY q = pts[static_cast<size_t>(v[k])];
                if (same(q, a) || same(q, b) || same(q, c)) continue;
                if (in_tri(q, a, b, c)) ear = false;
            }
            if (!ear) continue;
            tri.insert(tri.end(), {v[ip], v[i], v[in]});
            v.erase(v.begin() + static_cast<long>(i));
            clipped = true;
        }
        if (!clipped) {
            // no clean ear (touching or collinear points): drop a vertex with no area
            size_t drop = SIZE_MAX;
            for (size_t i = 0; i < n && drop == SIZE_MAX; ++i) {
                XY a = pts[static_cast<size_t>(v[(i + n - 1) % n])], b = pts[static_cast<size_t>(v[i])], c = pts[static_cast<size_t>(v[(i + 1) % n])];
                if (orient(a, b, c) == 0) drop = i;
            }
            if (drop == SIZE_MAX || ++guard > 100000) return false;
            v.erase(v.begin() + static_cast<long>(drop));
        }
    }
    XY a = pts[static_cast<size_t>(v[0])], b = pts[static_cast<size_t>(v[1])], c = pts[static_cast<size_t>(v[2])];
    if (orient(a, b, c) > 0) tri.insert(tri.end(), {v[0], v[1], v[2]});
    return !tri.empty();
}

// ------------------------------------------------------------ refinement

f64 root_limit(f64 lim)
{
    if (!(lim >= 0.0)) return std::nan("");
    // The square rounds to within an ulp or two of the limit: the steps
    // below settle it on the last number whose root stays within lim.
    f64 t = lim * lim;
    while (t > 0.0 && std::sqrt(t) > lim) t = std::nextafter(t, 0.0);
    while (std::isfinite(t) && !(std::sqrt(std::nextafter(t, HUGE_VAL)) > lim)) t = std::nextafter(t, HUGE_VAL);
    return t;
}

namespace {

struct Vtx {
    f64 u, v;
    f64 p[3];
    f64 n[3];
    i32 nst;  // 0 normal defined, 1 not
};

struct Tri {
    i32 v[3];
    i32 nb[3];  // neighbour across edge k = (v[k], v[k+1]), -1 none
    bool alive;
    bool ok;    // checked and within the limits
    int split;  // checked and outside them: the edge to split (as within answers), else -1
};

// The evaluated midpoints of the edges, by edge key: an open table with
// linear probing, a power of two in size and at most half full, keys
// scattered by a multiplication. The refinement asks for a midpoint three
// times per triangle checked, a million times on a fine mesh: the standard
// map walked a chain of scattered nodes with a division per node. A key
// is never ~0 (both node numbers are below 2^31), so ~0 marks a free slot.
class EdgeMids {
public:
    // The midpoint kept for key, -1 none.
    i32 find(std::uint64_t key) const
    {
        if (keys_.empty()) return -1;
        for (size_t i = home(key);; i = (i + 1) & mask_) {
            if (keys_[i] == key) return vals_[i];
            if (keys_[i] == FREE) return -1;
        }
    }
    // Keeps m for key (a key not yet kept).
    void put(std::uint64_t key, i32 m)
    {
        if (2 * (used_ + 1) > keys_.size()) grow();
        size_t i = home(key);
        while (keys_[i] != FREE) i = (i + 1) & mask_;
        keys_[i] = key;
        vals_[i] = m;
        ++used_;
    }
    // Forgets key, when kept: the entries after it in its run move back so
    // that no search stops short of them.
    void erase(std::uint64_t key)
    {
        if (keys_.empty()) return;
        size_t i = home(key);
        while (keys_[i] != key) {
            if (keys_[i] == FREE) return;
            i = (i + 1) & mask_;
        }
        for (size_t j = (i + 1) & mask_; keys_[j] != FREE; j = (j + 1) & mask_) {
            // The entry at j may fill the gap at i when its home does not
            // lie cyclically within (i, j].
            const size_t h = home(keys_[j]);
            if (((j - h) & mask_) >= ((j - i) & mask_)) {
                keys_[i] = keys_[j];
                vals_[i] = vals_[j];
                i = j;
            }
        }
        keys_[i] = FREE;
        --used_;
    }

private:
    static constexpr std::uint64_t FREE = ~std::uint64_t{0};
    std::vector<std::uint64_t> keys_;
    std::vector<i32> vals_;
    size_t mask_ = 0, used_ = 0;
    int shift_ = 64;

    size_t home(std::uint64_t key) const { return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_); }
    void grow()
    {
        const size_t n = keys_.empty() ? 1024 : 2 * keys_.size();
        std::vector<std::uint64_t> old_keys(n, FREE);
        std::vector<i32> old_vals(n, -1);
        old_keys.swap(keys_);
        old_vals.swap(vals_);
        mask_ = n - 1;
        shift_ = 64 - std::countr_zero(n);
        used_ = 0;
        for (size_t i = 0; i < old_keys.size(); ++i)
            if (old_keys[i] != FREE) put(old_keys[i], old_vals[i]);
    }
};

struct Mesher {
    const f64* buf;
    f64 tol, maxside;
    f64 share = 0.9;  // the part of the tolerance the triangles may sag
    f64 ueps, veps;  // smallest parameter steps worth splitting
    f64 uscale = 1, vscale = 1;  // mean lengths of Su and Sv
    std::vector<Vtx> vs;
    std::vector<Tri> ts;
    EdgeMids mids;  // edge -> its evaluated midpoint
    std::deque<i32> queue;
    void (*poll)() = nullptr;
    i32 checks = 0;
    bool failed = false;
    f64 sq_for = std::nan(""), sq_lim = std::nan("");  // a limit and its root_limit

    i32 add_vertex(f64 u, f64 v)
    {
        Vtx x{u, v, {0, 0, 0}, {0, 0, 0}, 0};
        f64 e[12];
        i32 st = 0;
        evsrfd(buf, u, v, 2, e, st);
        if (st < 0) {
            // Nothing was evaluated: the node keeps zeros and the surface
            // is refused once the current step ends.
            failed = true;
            x.nst = 1;
        } else {
            for (int a = 0; a < 3; ++a) x.p[a] = e[a], x.n[a] = e[9 + a];
            x.nst = st;
        }
        vs.push_back(x);
        return static_cast<i32>(vs.size() - 1);
    }

    static std::uint64_t key(i32 a, i32 b)
    {
        if (a > b) std::swap(a, b);
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) | static_cast<std::uint32_t>(b);
    }

    i32 midpoint(i32 a, i32 b)
    {
        const i32 kept = mids.find(key(a, b));
        if (kept >= 0) return kept;
        i32 m = add_vertex(0.5 * (vs[static_cast<size_t>(a)].u + vs[static_cast<size_t>(b)].u), 0.5 * (vs[static_cast<size_t>(a)].v + vs[static_cast<size_t>(b)].v));
        mids.put(key(a, b), m);
        return m;
    }

    f64 chord(i32 a, i32 b) const
    {
        const f64 *p = vs[static_cast<size_t>(a)].p, *q = vs[static_cast<size_t>(b)].p;
        return std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) + (p[2] - q[2]) * (p[2] - q[2]));
    }

    // An edge still worth splitting in the parameters.
    bool splittable(i32 a, i32 b) const
    {
        return std::fabs(vs[static_cast<size_t>(a)].u - vs[static_cast<size_t>(b)].u) > ueps ||
               std::fabs(vs[static_cast<size_t>(a)].v - vs[static_cast<size_t>(b)].v) > veps;
    }

    // The edge to split: the longest in the parameters scaled to lengths (a
    // fixed metric, so that the bisection of longest edges ends as in the
    // plane); ties go to the first.
    int longest(const Tri& t) const
    {
        int best = 0;
        f64 bl = -1;
        for (int k = 0; k < 3; ++k) {
            const Vtx& a = vs[static_cast<size_t>(t.v[k])];
            const Vtx& b = vs[static_cast<size_t>(t.v[(k + 1) % 3])];
            f64 du = (a.u - b.u) * uscale, dv = (a.v - b.v) * vscale, l = du * du + dv * dv;
            if (l > bl * (1 + 1e-12)) {
                best = k;
                bl = l;
            }
        }
        return best;
    }

    f64 deviation(const f64* s, const f64* p0, const f64* p1, const f64* p2, f64 b0, f64 b1, f64 b2) const
    {
        f64 d = 0;
        for (int a = 0; a < 3; ++a) {
            f64 x = s[a] - (b0 * p0[a] + b1 * p1[a] + b2 * p2[a]);
            d += x * x;
        }
        return std::sqrt(d);
    }

    // -1 within the tolerance and the side limit; else the edge to split,
    // 3 + k for the longest edge k, its neighbour brought to it first (splitting
    // the edge of the largest sag instead makes slivers that never converge).
    int within(i32 ti)
    {
        Tri& t = ts[static_cast<size_t>(ti)];
        if (poll && (++checks & 255) == 0) poll();
        const i32* v = t.v;
        bool can = splittable(v[0], v[1]) || splittable(v[1], v[2]) || splittable(v[2], v[0]);
        if (!can) return -1;
        const int lepp = 3 + longest(t);
        if (maxside > 0)
            for (int k = 0; k < 3; ++k)
                if (chord(v[k], v[(k + 1) % 3]) > maxside && splittable(v[k], v[(k + 1) % 3])) return lepp;
        // the edge midpoints (evaluated once, shared with the neighbours and
        // kept as the nodes of a later split) give the quadratic part of the
        // deviation; inner points catch what that misses
        f64 m[3][3];
        f64 lim = share * tol;
        // The model's deviations are compared by their squares: the same
        // answers without a root at each of the grid's 45 points.
        if (!(lim == sq_for)) sq_for = lim, sq_lim = root_limit(lim);
        const bool squares = !std::isnan(sq_lim);
        i32 mid[3];
        for (int k = 0; k < 3; ++k) mid[k] = midpoint(v[k], v[(k + 1) % 3]);  // may move the nodes
        const Vtx &A = vs[static_cast<size_t>(v[0])], &B = vs[static_cast<size_t>(v[1])], &C = vs[static_cast<size_t>(v[2])];
        int worst = -1;
        f64 wsag = lim;
        for (int k = 0; k < 3; ++k) {
            const Vtx& M = vs[static_cast<size_t>(mid[k])];
            const Vtx& P = vs[static_cast<size_t>(v[k])];
            const Vtx& Q = vs[static_cast<size_t>(v[(k + 1) % 3])];
            for (int a = 0; a < 3; ++a) m[k][a] = M.p[a] - 0.5 * (P.p[a] + Q.p[a]);
            f64 sag = std::sqrt(m[k][0] * m[k][0] + m[k][1] * m[k][1] + m[k][2] * m[k][2]);
            if (sag > wsag && splittable(v[k], v[(k + 1) % 3])) {
                wsag = sag;
                worst = k;
            }
        }
        if (worst >= 0) return lepp;
        // the quadratic model d(b) = 4 (m01 b0 b1 + m12 b1 b2 + m20 b2 b0) over a fine grid
        constexpr int G = 8;
        for (int i = 0; i <= G; ++i)
            for (int j = 0; i + j <= G; ++j) {
                f64 b0 = f64(i) / G, b1 = f64(j) / G, b2 = 1.0 - b0 - b1, d = 0;
                for (int a = 0; a < 3; ++a) {
                    f64 x = 4.0 * (m[0][a] * b0 * b1 + m[1][a] * b1 * b2 + m[2][a] * b2 * b0);
                    d += x * x;
                }
                if (squares ? d > sq_lim : std::sqrt(d) > lim) return lepp;
            }
        static const f64 inner[4][3] = {{1.0 / 3, 1.0 / 3, 1.0 / 3}, {2.0 / 3, 1.0 / 6, 1.0 / 6}, {1.0 / 6, 2.0 / 3, 1.0 / 6}, {1.0 / 6, 1.0 / 6, 2.0 / 3}};
        for (const auto& b : inner) {
            f64 e[12];
            i32 st = 0;
            evsrfd(buf, b[0] * A.u + b[1] * B.u + b[2] * C.u, b[0] * A.v + b[1] * B.v + b[2] * C.v, 0, e, st);
            if (st < 0) continue;
            if (deviation(e, A.p, B.p, C.p, b[0], b[1], b[2]) > lim) return lepp;
        }
        return -1;
    }

    i32 new_tri(i32 a, i32 b, i32 c)
    {
        ts.push_back(Tri{{a, b, c}, {-1, -1, -1}, true, false, -1});
        return static_cast<i32>(ts.size() - 1);
    }

    int edge_of(i32 ti, i32 a, i32 b) const
    {
        const Tri& t = ts[static_cast<size_t>(ti)];
        for (int k = 0; k < 3; ++k)
            if (t.v[k] == a && t.v[(k + 1) % 3] == b) return k;
        return -1;
    }

    void relink(i32 ti, i32 from, i32 to)
    {
        if (ti < 0) return;
        Tri& t = ts[static_cast<size_t>(ti)];
        for (int k = 0; k < 3; ++k)
            if (t.nb[k] == from) t.nb[k] = to;
    }

    // Splits triangle ti at the midpoint m of its edge k = (a, b): ti becomes
    // (a, m, c), the new one (m, b, c). Answers the new triangle.
    i32 split_one(i32 ti, int k, i32 m)
    {
        Tri t = ts[static_cast<size_t>(ti)];
        i32 a = t.v[k], b = t.v[(k + 1) % 3], c = t.v[(k + 2) % 3];
        i32 nbc = t.nb[(k + 1) % 3], nca = t.nb[(k + 2) % 3];
        i32 t2 = new_tri(m, b, c);
        Tri& t1 = ts[static_cast<size_t>(ti)];
        t1 = Tri{{a, m, c}, {-1, t2, nca}, true, false, -1};
        ts[static_cast<size_t>(t2)].nb[0] = -1;
        ts[static_cast<size_t>(t2)].nb[1] = nbc;
        ts[static_cast<size_t>(t2)].nb[2] = ti;
        relink(nbc, ti, t2);
        return t2;
    }

    // Bisects edge k of triangle ti with its neighbour, the neighbour first
    // brought to have the same edge as its longest.
    void bisect(i32 ti, int k, bool lepp, int depth = 0)
    {
        Tri& t = ts[static_cast<size_t>(ti)];
        i32 a = t.v[k], b = t.v[(k + 1) % 3];
        i32 n = t.nb[k];
        if (lepp && n >= 0 && depth < 64) {
            int kn = edge_of(n, b, a);
            int ln = longest(ts[static_cast<size_t>(n)]);
            if (kn >= 0 && ln != kn) {
                bisect(n, ln, true, depth + 1);
                return;  // the caller looks at ti again
            }
        }
        i32 m = midpoint(a, b);
        mids.erase(key(a, b));
        i32 t2 = split_one(ti, k, m);
        queue.push_back(ti);
        queue.push_back(t2);
        if (n >= 0) {
            int kn = edge_of(n, b, a);
            i32 n2 = split_one(n, kn, m);  // n = (b, m, d), n2 = (m, a, d)
            ts[static_cast<size_t>(ti)].nb[0] = n2;
            ts[static_cast<size_t>(n2)].nb[0] = ti;
            ts[static_cast<size_t>(t2)].nb[0] = n;
            ts[static_cast<size_t>(n)].nb[0] = t2;
            queue.push_back(n);
            queue.push_back(n2);
        }
    }

    void link_all()
    {
        std::unordered_map<std::uint64_t, std::pair<i32, int>> open;
        for (i32 ti = 0; ti < static_cast<i32>(ts.size()); ++ti)
            for (int k = 0; k < 3; ++k) {
                i32 a = ts[static_cast<size_t>(ti)].v[k], b = ts[static_cast<size_t>(ti)].v[(k + 1) % 3];
                auto it = open.find(key(a, b));
                if (it == open.end()) {
                    open.emplace(key(a, b), std::make_pair(ti, k));
                } else {
                    auto [tj, kj] = it->second;
                    // neighbours only across an edge run in opposite directions
                    if (ts[static_cast<size_t>(tj)].v[kj] == b) {
                        ts[static_cast<size_t>(ti)].nb[k] = tj;
                        ts[static_cast<size_t>(tj)].nb[kj] = ti;
                    }
                    open.erase(it);
                }
            }
    }

    bool refine()
    {
        for (i32 ti = 0; ti < static_cast<i32>(ts.size()); ++ti) queue.push_back(ti);
        while (!queue.empty()) {
            i32 ti = queue.front();
            queue.pop_front();
            while (true) {
                Tri& t = ts[static_cast<size_t>(ti)];
                if (t.ok) break;
                int k = t.split;
                if (k < 0) {
                    k = within(ti);
                    if (failed) return true;  // a midpoint could not be evaluated
                    if (k < 0) {
                        ts[static_cast<size_t>(ti)].ok = true;
                        break;
                    }
                    ts[static_cast<size_t>(ti)].split = k;
                }
                if (static_cast<i32>(ts.size()) >= MSH_MAXTRG) return false;
                bisect(ti, k % 3, k >= 3);
            }
        }
        return true;
    }
};

}  // namespace

void SRFMSH(const f64* buf, const i32& id, const f64& tol, const f64& maxside, SrfMesh& out, void (*poll)(), i32& status)
{
    out = SrfMesh{};
    status = -1;
    if (!(tol > 0.0)) return;
    Mesher M;
    M.buf = buf;
    M.tol = tol;
    M.maxside = maxside > 0 ? maxside : 0.0;
    M.poll = poll;
    f64 lim[6];
    i32 st = 0;
    lim[0] = buf[SB_LIM];
    for (int k = 0; k < 6; ++k) lim[k] = buf[SB_LIM + k];
    M.ueps = std::max(std::fabs(lim[1]) * 1e-7, 1e-12);
    M.veps = std::max(std::fabs(lim[4]) * 1e-7, 1e-12);
    {
        // the metric of the bisection: mean derivative lengths over a 5 x 5 grid
        f64 su = 0, sv = 0, e[12];
        i32 ns = 0;
        for (int i = 0; i < 5; ++i)
            for (int j = 0; j < 5; ++j) {
                evsrfd(buf, lim[0] + lim[1] * (i + 0.5) / 5, lim[3] + lim[4] * (j + 0.5) / 5, 1, e, st);
                if (st < 0) continue;
                su += std::sqrt(e[3] * e[3] + e[4] * e[4] + e[5] * e[5]);
                sv += std::sqrt(e[6] * e[6] + e[7] * e[7] + e[8] * e[8]);
                ++ns;
            }
        if (ns > 0 && su > 0 && sv > 0 && std::isfinite(su) && std::isfinite(sv)) {
            M.uscale = su / ns;
            M.vscale = sv / ns;
        }
    }

    // stage 1: patches
    if (buf[SB_TRIM] == 0.0) {
        i32 nu = static_cast<i32>(std::clamp(std::round(lim[1] / lim[2]), 1.0, 256.0));
        i32 nv = static_cast<i32>(std::clamp(std::round(lim[4] / lim[5]), 1.0, 256.0));
        for (i32 j = 0; j <= nv; ++j)
            for (i32 i = 0; i <= nu; ++i) M.add_vertex(lim[0] + lim[1] * i / nu, lim[3] + lim[4] * j / nv);
        for (i32 j = 0; j < nv; ++j)
            for (i32 i = 0; i < nu; ++i) {
                i32 a = j * (nu + 1) + i, b = a + 1, c = a + nu + 1, d = c + 1;
                M.new_tri(a, b, d);
                M.new_tri(a, d, c);
            }
        out.patches = nu * nv;
    } else {
        // A trimmed surface starts from the fan of its trim loops, whose
        // refinement leaves large facets sagging to the limit all over it
        // (where the even bisection of an untrimmed surface keeps most well
        // within): a ball riding them at 0.9 of the tolerance sank 0.0218
        // into a surface milled at 0.02, where the same surface untrimmed
        // gave 0.015. Its triangles keep within 0.7, so that with the 0.2 by
        // which the positioning thins its strings the path stays within the
        // tolerance of the exact surface.
        M.share = 0.7;
        i32 handle = -1, nloops = 0, total = 0;
        trsgdp(id, handle, nloops, total, st);
        if (st != 0) {
            erou1c("[allsrf] TRIM LOOPS OF SURFACE CANNOT BE READ: ", id);
            return;
        }
        void* base = nullptr;
        mmcptr(handle, base);
        std::vector<std::vector<f64>> loops;
        const i32* counts = static_cast<const i32*>(base);
        const f32* uv = reinterpret_cast<const f32*>(counts + nloops);
        for (i32 l = 0, at = 0; l < nloops; at += counts[l], ++l) {
            std::vector<f64> ring;
            for (i32 k = 0; k < counts[l]; ++k) {
                ring.push_back(uv[2 * (at + k)]);
                ring.push_back(uv[2 * (at + k) + 1]);
            }
            loops.push_back(std::move(ring));
        }
        MM_CLOSE(handle, st);
        std::vector<i32> tri;
        if (!POLTRI(loops, tri)) {
            erou1c("[allsrf] TRIM LOOPS CANNOT BE TRIANGULATED, SURFACE ", id);
            return;
        }
        for (auto& l : loops)
            for (size_t k = 0; k + 1 < l.size(); k += 2) M.add_vertex(l[k], l[k + 1]);
        for (size_t k = 0; k < tri.size(); k += 3) M.new_tri(tri[k], tri[k + 1], tri[k + 2]);
        out.patches = nloops;
    }
    if (M.failed) {
        erou1c("[allsrf] SURFACE CANNOT BE EVALUATED: ", id);
        return;
    }
    M.link_all();

    // stage 2: refinement
    if (!M.refine()) {
        user1c("[allsrf] TOO MANY TRIANGLES FOR SURFACE ", id);
        return;
    }
    if (M.failed) {
        erou1c("[allsrf] SURFACE CANNOT BE EVALUATED: ", id);
        return;
    }

    // the nodes in use, numbered from 1
    std::vector<i32> num(M.vs.size(), 0);
    i32 nn = 0, defined = 0;
    f64 area = 0;
    for (const Tri& t : M.ts) {
        if (!t.alive) continue;
        for (int k = 0; k < 3; ++k) {
            i32& n = num[static_cast<size_t>(t.v[k])];
            if (n == 0) {
                n = ++nn;
                const Vtx& x = M.vs[static_cast<size_t>(t.v[k])];
                out.uv.insert(out.uv.end(), {x.u, x.v});
                for (int a = 0; a < 3; ++a) {
                    out.xyz.push_back(static_cast<f32>(x.p[a]));
                    out.nrm.push_back(static_cast<f32>(x.n[a]));
                }
                if (x.nst == 0) ++defined;
            }
            out.tri.push_back(n);
        }
        const f64 *a = M.vs[static_cast<size_t>(t.v[0])].p, *b = M.vs[static_cast<size_t>(t.v[1])].p, *c = M.vs[static_cast<size_t>(t.v[2])].p;
        f64 e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, e2[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        area += std::hypot(e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]);
    }
    status = (defined == 0 || !(area > 0)) ? 1 : 0;
}
