#include "passes/trmlin.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <cstring>
#include <numeric>
#include <vector>

#include "core/host.h"
#include "core/intchk.h"
#include "core/params.h"
#include "passes/geodef.h"
#include "passes/pasdat.h"
#include "passes/trmpol.h"

namespace {

// The hatch-segment store: handle (-1 closed) and the last record linked.
i32 hsg_handle = -1, hsg_tail = 0;

struct Crossing {
    f32 x;
    i32 loop, seg, dir;
};

}  // namespace

// The room for crossings is the caller's (cap), not a fixed 2,000: the pass
// and limit lines hand 2,000, the hatch driver 7,001, so that its own check
// for more than 7,000 crossings on a line can be met at all.
void NCRLIN(const f32* pol, const i32& nloops, const f32& y, const i32& sense, const i32& cap, i32& count, f32* pts,
            i32* loops, i32* segs, i32* kinds, i32* dirs)
{
    CHKINT();
    count = 0;
    std::vector<Crossing> c;
    bool full = false;
    const f32* l = pol;
    for (i32 k = 1; k <= nloops && !full; ++k, l = plnext(l)) {
        const i32 n = plcnt(l) - 1;
        auto P = [&](i32 j) { return plvtx(l, j); };
        auto Q = [&](i32 j) { return plvtx(l, j + 1); };
        auto zero = [&](i32 j) { return P(j)[0] == Q(j)[0] && P(j)[1] == Q(j)[1]; };
        auto along = [&](i32 j) { return P(j)[1] == y && Q(j)[1] == y && P(j)[0] != Q(j)[0]; };
        auto crosses = [&](i32 j) {
            f32 x = 0, t = 0;
            i32 a = 0;
            hatint(P(j), Q(j), y, x, t, a);
            return a == 1;
        };
        auto rises = [&](i32 j) { return Q(j)[1] > P(j)[1]; };
        // The segment before and after j, passing over points repeated.
        auto before = [&](i32 j) {
            for (i32 q = 0, b = j; q < n; ++q) {
                b = b == 1 ? n : b - 1;
                if (!zero(b)) return b;
            }
            return j;
        };
        auto after = [&](i32 j) {
            for (i32 q = 0, b = j; q < n; ++q) {
                b = b % n + 1;
                if (!zero(b)) return b;
            }
            return j;
        };
        // A run of segments along the line through which the boundary goes
        // on (the segments before and after the run rise alike) counts once:
        // the segment after the run gives no crossing at its start. The two
        // ends of the run lie apart on the line, so the merging of equal
        // crossings below would keep both, and the line would count two
        // crossings where the boundary passes it once: every piece after it
        // would pair inside with outside.
        auto runs_on = [&](i32 j) {
            i32 b = before(j), q = 0;
            if (!along(b)) return false;
            while (along(b) && q++ < n) b = before(b);
            return !along(b) && b != j && rises(b) == rises(j);
        };
        for (i32 j = 1; j <= n; ++j) {
            // A point repeated in the loop is a segment of no length: it has
            // no direction, and on the line it would add a crossing of its
            // own beside those of its neighbours.
            if (zero(j)) continue;
            f32 x = 0, t = 0;
            i32 a = 0;
            hatint(P(j), Q(j), y, x, t, a);
            if (a != 1) continue;
            if (along(j) && crosses(before(j)) && crosses(after(j))) continue;
            if (!along(j) && P(j)[1] == y && runs_on(j)) continue;
            if (static_cast<i32>(c.size()) >= cap) {
                eroutc("NCRLIN, ARRAY OF HATCH POINTS IS NOT LARGE ENOUGH", 0);
                full = true;
                break;
            }
            c.push_back({x, k, j, rises(j) ? 1 : -1});
        }
    }
    std::stable_sort(c.begin(), c.end(),
                     [&](const Crossing& a, const Crossing& b) { return sense == 1 ? a.x < b.x : a.x > b.x; });
    // A vertex where the boundary goes on through the line is met by both
    // its segments: one crossing.
    for (size_t i = 0; i + 1 < c.size();) {
        if (eqval(c[i].x, c[i + 1].x) && c[i].loop == c[i + 1].loop && c[i].dir == c[i + 1].dir)
            c.erase(c.begin() + static_cast<std::ptrdiff_t>(i + 1));
        else
            ++i;
    }
    count = static_cast<i32>(c.size());
    for (i32 k = 0; k < count; ++k) {
        pts[2 * k] = c[static_cast<size_t>(k)].x;
        pts[2 * k + 1] = y;
        loops[k] = c[static_cast<size_t>(k)].loop;
        segs[k] = c[static_cast<size_t>(k)].seg;
        kinds[k] = 1;
        if (dirs) dirs[k] = c[static_cast<size_t>(k)].dir;
    }
}

namespace {

// A crossing table of the pass routines.
struct Table {
    f32 pts[2 * NCRMAX];
    i32 loops[NCRMAX], segs[NCRMAX], kinds[NCRMAX];
    i32 n = 0;
};
Table tbl;

// The turned boundary of trimmed surface i (as trmpas names it), closed by
// its destructor.
struct Boundary {
    i32 hpol = -1, nl = 0;
    f32 sn = 0, cs = 1;
    const f32* pol = nullptr;
    ~Boundary()
    {
        i32 st = 0;
        dir_close_dm(hpol, st);
    }
    bool open(i32 i, i32 turn)
    {
        i32 id = 0, st = 0;
        TRMSRF(i, MACTYP == MACTYP_ONESURF && SRFGEO.CRNREC[0][CR_HELD] != 0 ? 2 : 0, id, st);
        if (st < 0) return false;
        TRMRT1(id, turn, sn, cs, hpol, nl, st);
        if (st < 0) return false;
        void* base = nullptr;
        mmcptr(hpol, base);
        pol = static_cast<const f32*>(base);
        return pol != nullptr;
    }
    void back(const f32* q, f32* uv) const
    {
        uv[0] = q[0], uv[1] = q[1];
        hatchx(cs, -sn, uv);
    }
};

// The crossings of the line through the (u, v) point p, shifted by 0, +off
// and -off until a valid set is found: an even, nonzero count, two
// crossings apart. At most maxpts are kept (with the message who, when
// given).
bool crossings(const Boundary& b, const f32* p, f32 off, i32 maxpts, const char* who, Table& t)
{
    f32 q[2] = {p[0], p[1]};
    hatchx(b.cs, b.sn, q);
    for (f32 s : {0.0f, off, -off}) {
        NCRLIN(b.pol, b.nl, q[1] + s, 1, NCRMAX, t.n, t.pts, t.loops, t.segs, t.kinds, nullptr);
        if (t.n > maxpts) {
            if (who) eroutc(who, 0);
            t.n = maxpts - maxpts % 2;
        }
        if (t.n > 0 && t.n % 2 == 0 && !(t.n == 2 && eqval(t.pts[0], t.pts[2]))) return true;
    }
    t.n = 0;
    return false;
}

f32 offset(i32 i)
{
    f32 t = 0;
    TRMTOL(i, t);
    return 0.5f * t;
}

void triple(f32* out, const f32* uv)
{
    out[0] = 1.0f;
    out[1] = uv[0];
    out[2] = uv[1];
}

}  // namespace

void trmpas(const i32& x, const i32& maxpts, i32& count, f32* pts, const i32& pcode, const i32& revflag,
            const f32* online, const f32* first, const f32* last, i32& status)
{
    // The surface comes counted from 0, as the pass table's entries; the
    // boundary and trim tolerance routines count it from 1.
    const i32 i = x + 1;
    count = 0;
    status = 0;
    Boundary b;
    if (!b.open(i, pcode == 1 ? 1 : 0)) {
        status = -1;
        return;
    }
    Table& t = tbl;
    if (!crossings(b, online, offset(i), maxpts, "trmpas,ARRAYS OF INTERSECTION POINTS IS LIMITED TO 400 POINTS", t))
        return;
    f32 f[2], l[2];
    b.back(t.pts, f);
    b.back(t.pts + 2 * (t.n - 1), l);
    const bool agree = f64(l[0] - f[0]) * (last[0] - first[0]) + f64(l[1] - f[1]) * (last[1] - first[1]) > 0;
    const bool forward = agree != (revflag != 0);
    for (i32 k = 0; k < t.n; ++k) {
        const i32 c = forward ? k : t.n - 1 - k;
        f32 uv[2];
        b.back(t.pts + 2 * c, uv);
        triple(pts + 3 * k, uv);
    }
    count = t.n;
}

void trmcnt(const i32& x, const i32& maxpts, i32& count, f32* pts, const i32& pcode, const f32* ref, const f32* e1,
            const f32* e2, i32& status)
{
    // Counted from 0 here, from 1 by the boundary routines (as trmpas).
    const i32 i = x + 1;
    count = 0;
    status = -1;
    Boundary b;
    if (!b.open(i, pcode == 1 ? 1 : 0)) return;
    const f32 off = offset(i);
    // The along coordinate of the pass lines.
    const i32 ac = pcode == 1 ? 1 : 0;
    struct End {
        f32 bp[2];  // boundary point
        i32 loop, seg;
        bool inside;
    } end[2];
    const f32* ends[2] = {e1, e2};
    for (i32 k = 0; k < 2; ++k) {
        Table& t = tbl;
        if (!crossings(b, ends[k], off, NCRMAX, nullptr, t))
            return;
        f32 f[2], l[2];
        b.back(t.pts, f);
        b.back(t.pts + 2 * (t.n - 1), l);
        const f32 e = ends[k][ac];
        const bool nearf = std::fabs(f[ac] - e) <= std::fabs(l[ac] - e);
        const i32 w = nearf ? 0 : t.n - 1;
        std::memcpy(end[k].bp, nearf ? f : l, sizeof end[k].bp);
        end[k].loop = t.loops[w];
        end[k].seg = t.segs[w];
        const f32 lo = std::fmin(f[ac], l[ac]), hi = std::fmax(f[ac], l[ac]);
        end[k].inside = gtval(e, lo) && ltval(e, hi);
    }
    if (maxpts < 2) return;
    if (end[0].inside && end[1].inside) {
        triple(pts, e1);
        triple(pts + 3, e2);
        count = 2;
        status = 0;
        return;
    }
    // Ends whose boundary points lie on different loops (the edge line
    // crossing a hole) have no stretch of one loop between them: the walk
    // would take the second end's segment number on the first end's loop.
    // Refused, the caller links another way.
    if (end[0].loop != end[1].loop) return;
    // The walk runs with the loop's order or against it as the side step
    // and the passes turn.
    const i32 fc = pcode == 1 ? 1 : 0;  // the coordinate the side step holds fixed
    const f32 d1 = e1[fc] - ref[fc], d2 = e2[1 - fc] - e1[1 - fc];
    const bool same = (d1 > 0 && d2 > 0) || (d1 < 0 && d2 < 0);
    const i32 sense = pcode == 2 ? (same ? 1 : -1) : (same ? -1 : 1);
    Boundary u;
    if (!u.open(i, 0)) return;
    BNDWLK(plloop(u.pol, end[0].loop), end[0].seg, end[1].seg, sense, end[0].bp, end[1].bp, maxpts, count, pts,
           status);
}

void BNDWLK(const f32* l, const i32& a, const i32& b, const i32& sense, const f32* p1, const f32* p2,
            const i32& maxpts, i32& count, f32* pts, i32& status)
{
    status = 0;
    count = 0;
    // The caller's array holds maxpts points: a longer chain is refused
    // (status -1) rather than written past it.
    auto add = [&](const f32* uv) {
        if (count >= maxpts) {
            status = -1;
            return;
        }
        triple(pts + 3 * count++, uv);
    };
    add(p1);
    if (a == b) {
        add(p2);
        return;
    }
    const i32 n = plcnt(l) - 1;
    const f32* lastv = nullptr;
    walkvtx(n, a, b, sense, [&](i32 v) {
        const f32* q = plvtx(l, v);
        if (eqval(q[0], pts[3 * count - 2]) && eqval(q[1], pts[3 * count - 1])) return;
        add(q);
        lastv = q;
    });
    if (!(lastv && eqpt2(p2, lastv))) add(p2);
}

i32 HSGOPN()
{
    i32 st = 0;
    if (hsg_handle >= 0) MM_CLOSE(hsg_handle, st);
    MM_OPEN_FDS(4 * HSG_WORDS, hsg_handle, st);
    hsg_tail = 0;
    return st < 0 ? -1 : 0;
}

i32* HSGREC(i32 n)
{
    void* base = nullptr;
    mmcptr(hsg_handle, base);
    if (!base || n < 1) return nullptr;
    return static_cast<i32*>(base) + static_cast<size_t>(n - 1) * HSG_WORDS;
}

void HSGSET(i32* r, const f64& level, const f32* pts, const i32* kinds, const i32* loops, const i32* segs,
            const i32* flags, const i32& k)
{
    r[HSG_LEVEL] = r2wrd(static_cast<f32>(level));
    r[HSG_X1] = r2wrd(pts[2 * k]);
    r[HSG_X2] = r2wrd(pts[2 * k + 2]);
    r[HSG_Y1] = r2wrd(pts[2 * k + 1]);
    r[HSG_Y2] = r2wrd(pts[2 * k + 3]);
    for (i32 e = 0; e < 2; ++e) {
        r[HSG_KIND + e] = r2wrd(static_cast<f32>(kinds[k + e]));
        r[HSG_LOOP + e] = loops[k + e];
        r[HSG_SEG + e] = segs[k + e];
        r[HSG_FLAG + e] = flags[k + e];
    }
}

void HSGSTO(const f64& level, const f32* pts, const i32* kinds, const i32* loops, const i32* segs,
            const i32* flags, const i32& count, i32& head, i32& status)
{
    status = 0;
    if (count < 1) return;
    for (i32 k = 0; k + 1 < count; k += 2) {
        i32 el = 0;
        MM_FALLOC(hsg_handle, el, status);
        if (status < 0) {
            status = -1;
            return;
        }
        i32* r = HSGREC(el);
        HSGSET(r, level, pts, kinds, loops, segs, flags, k);
        r[HSG_PREV] = hsg_tail;
        r[HSG_NEXT] = 0;
        if (hsg_tail > 0)
            HSGREC(hsg_tail)[HSG_NEXT] = el;
        else
            head = el;
        hsg_tail = el;
    }
}

void CLSLNS(i32& status)
{
    status = 0;
    hsg_tail = 0;
    if (hsg_handle < 0) return;
    MM_CLOSE(hsg_handle, status);
    if (status != 0) {
        eroutc("CLSLNS, PROBLEMS IN DYNAMIC MEMORY", 0);
        status = -1;
    }
    hsg_handle = -1;
}

f64 LOOPSM(const f32* l)
{
    const i32 m = plcnt(l);
    f64 s = 0;
    for (i32 j = 1; j < m; ++j) {
        const f32 *p = plvtx(l, j), *q = plvtx(l, j + 1);
        s += (f64(q[0]) - p[0]) * (f64(q[1]) + p[1]);
    }
    return s;
}

void LOOPOR(const i32& id, f32* l, i32& best, f32& area)
{
    const i32 m = plcnt(l);
    // The loop's area is signed by the sum of (x2 - x1)(y2 + y1), which is
    // negative for a counter-clockwise loop: a positive one is reversed.
    // This sign is the one the side step's walk along the boundary takes
    // (its sense with or against the vertex order assumes loops running
    // counter-clockwise), and the one the trim polygons are built with.
    const f64 s = LOOPSM(l);
    if (s > 0) revdim(m, 2, l + 1);
    const f32 a = static_cast<f32>(0.5 * std::fabs(s));
    if (a > area) {
        area = a;
        best = id;
    }
}

void HATRNG(const f32& cs, const f32& sn, const i32& nloops, const i32& mode, const f32* ref, const f32& step,
            f32* loops, f32& ymin, f32& ymax)
{
    ymin = 1.0e20f;
    ymax = -1.0e20f;
    f32* l = loops;
    for (i32 k = 0; k < nloops; ++k, l = plnext(l))
        for (i32 j = 1; j <= plcnt(l); ++j) {
            f32* p = plvtx(l, j);
            hatchx(cs, sn, p);
            ymin = std::fmin(ymin, p[1]);
            ymax = std::fmax(ymax, p[1]);
        }
    // A grid of no step has no line to move to: the smallest stays (the
    // move below would divide by it). Otherwise the smallest goes down to
    // the grid line through the turned reference point below it and half a
    // step further: the grid mode's minimum is taken by this rule, not left
    // on the grid line itself. The fractional part is taken as q - floor(q),
    // never negative, so that a reference below the smallest value gives the
    // same grid line as one above it.
    if (mode == 2 && step != 0.0f) {
        f32 r[2] = {ref[0], ref[1]};
        hatchx(cs, sn, r);
        const f64 q = (f64(r[1]) - ymin) / step;
        const f64 f = q - std::floor(q);
        ymin = static_cast<f32>(ymin - (1.0 - f + 0.5) * step);
    }
}
