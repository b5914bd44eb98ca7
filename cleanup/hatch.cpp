// The hatch fill of lanes: crossings of one line with float loops, in the
// line's own frame (position u along it, offset v across it).
#include "cleanup/hatch.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "cleanup/clrclean.h"
#include "cleanup/pkentry.h"
#include "cleanup/twlst.h"
#include "core/host.h"
#include "core/records.h"
#include "cutter/locdir.h"
#include "pocket/pokvals.h"
#include "tools/toolcache.h"

namespace {

// Loops of set B are numbered from here on in the hatch-point table.
constexpr i32 SET_B = 2000;

// The hatch-point table: position and offset, side flag, loop and edge; the
// classification marks and the index stack of the boundary-following kinds.
struct HatchTable {
    f32 uv[2 * HATCH_MAX];
    i32 side[HATCH_MAX];
    i32 loop[HATCH_MAX];
    i32 edge[HATCH_MAX];
    i32 mark[HATCH_MAX];
    i32 stack[HATCH_MAX];
    i32 n;
};
HatchTable g_tab;

// Work copy of set B (points only) and the point count of each loop.
std::vector<f32> g_work;
std::vector<i32> g_counts;

PkDbgView g_view = {};

// What one call of the fill works with.
struct Fill {
    i32 k = 0;           // kind without the alternate flag
    bool alt = false;    // alternate flag (kind given as 10 or more)
    const f32* seta = nullptr;
    i32 na = 0;
    const f32* setb = nullptr;
    i32 nb = 0;
    f32 S[2] = {}, T[2] = {};  // start and target in the line frame
    f32 c = 1.0f, sn = 0.0f;   // the frame: u = (c, -sn) . p
    f32 s = 0.0f;              // lane tolerance
    bool surface = false;      // surface clearance check instead of the 2-D one
    i32 ans_start = 0, ans_target = 0;
    bool rejected = false;
    bool flipped = false;
    f32 start[2] = {}, target[2] = {};  // start and target as given
    HatchOut* out = nullptr;
    void* base = nullptr;
};

void swap_entries(HatchTable& t, i32 i, i32 j)
{
    std::swap(t.uv[2 * i], t.uv[2 * j]);
    std::swap(t.uv[2 * i + 1], t.uv[2 * j + 1]);
    std::swap(t.side[i], t.side[j]);
    std::swap(t.loop[i], t.loop[j]);
    std::swap(t.edge[i], t.edge[j]);
}

void drop(HatchTable& t, i32 i) { pkhatch_drop(t.n - i - 1, i, t.uv, t.side, t.loop, t.edge, t.n); }

i32 loop_count(const f32* lp)
{
    i32 m = 0;
    std::memcpy(&m, lp, sizeof(i32));
    return m;
}

// The loop k (1-based) of a set and its point count.
const f32* nth_loop(const f32* loops, i32 k, i32& n)
{
    const f32* lp = loops;
    for (i32 j = 1; j < k; ++j) lp += 1 + 2 * loop_count(lp);
    n = loop_count(lp);
    return lp + 1;
}

// Grows the lane array so that `need` doubles fit from its start, by
// multiples of `step`.
void grow(HatchOut& out, void*& base, i32 need, i32 step, i32& status)
{
    const i32 e = need - out.capacity;
    if (e <= 0) return;
    const i32 more = (e / step + 1) * step;
    MM_RESIZE_ARRAY(out.handle, more, base, status);
    if (status == 0) out.capacity += more;
}

// Appends one point to the lane (count raised first), growing by `step`.
void put_point(HatchOut& out, void*& base, i32& count, f64 x, f64 y, i32 step, i32& status)
{
    ++count;
    grow(out, base, out.offset + 2 * count, step, status);
    if (status != 0) return;
    f64* o = static_cast<f64*>(base);
    o[out.offset + 2 * (count - 1)] = x;
    o[out.offset + 2 * (count - 1) + 1] = y;
}

// The lane array opened on first use or its base fetched again.
void open_output(Fill& f, i32& status)
{
    HatchOut& out = *f.out;
    f.base = nullptr;
    if (out.handle != -1) mmcptr(out.handle, f.base);
    // A handle the host no longer answers for (its array closed) is opened
    // again like a first use, from the start: writing through its null base
    // would write nowhere the caller can read.
    if (f.base != nullptr) return;
    out.capacity = f.k >= 4 ? 200 : 14000;
    MM_OPEN_ARRAY(8, out.capacity, out.handle, f.base, status);
    if (status != 0) {
        out.handle = -1;
        return;
    }
    out.offset = 0;
}

// The work copy of set B (points one loop after another) and its counts,
// in the module's own growable arrays rather than a host array: the host
// only reads it (the point tests), and growing it cannot fail with a host
// status to hand back (a lack of memory ends the run as everywhere else).
void copy_setb(const Fill& f)
{
    g_counts.assign(static_cast<size_t>(f.nb), 0);
    g_work.clear();
    const f32* lp = f.setb;
    for (i32 L = 0; L < f.nb; ++L) {
        const i32 m = loop_count(lp);
        g_counts[static_cast<size_t>(L)] = m;
        g_work.insert(g_work.end(), lp + 1, lp + 1 + 2 * m);
        lp += 1 + 2 * m;
    }
}

i32 inside_answer(const Fill& f, f32 tol, const f32* p)
{
    i32 ans = 0;
    inpolr(tol, g_work.data(), g_counts.data(), f.nb, p, ans);
    return ans;
}

// The crossings of the line with the edges of one set's loops, numbered from
// `first`; false when the table is full.
bool collect_set(Fill& f, const f32* loops, i32 nloops, i32 first)
{
    HatchTable& t = g_tab;
    const f32 w = f.S[1];
    const i32 dir = pokpar.direction;
    const f32* lp = loops;
    for (i32 L = 1; L <= nloops; ++L) {
        const i32 m = loop_count(lp);
        const f32* pts = lp + 1;
        for (i32 j = 2; j <= m; ++j) {
            f32 P[2] = {pts[2 * (j - 2)], pts[2 * (j - 2) + 1]}, Q[2] = {pts[2 * (j - 1)], pts[2 * (j - 1) + 1]};
            hatchx(f.c, f.sn, P);
            hatchx(f.c, f.sn, Q);
            const bool pon = eqval(P[1], w) != 0, qon = eqval(Q[1], w) != 0;
            f32 u = 0.0f;
            i32 side = 0;
            if (pon && qon) {
                u = (P[0] + Q[0]) * 0.5f;
            } else {
                if (pon)
                    u = P[0];
                else if (qon)
                    u = Q[0];
                else {
                    f32 tt = 0.0f;
                    i32 ans = 0;
                    hatint(P, Q, w, u, tt, ans);
                    if (ans != 1) continue;
                }
                side = Q[1] > P[1] ? dir : -dir;
            }
            if (t.n == HATCH_MAX) return false;
            t.uv[2 * t.n] = u;
            t.uv[2 * t.n + 1] = w;
            t.side[t.n] = side;
            t.loop[t.n] = first + L - 1;
            t.edge[t.n] = j - 1;
            ++t.n;
        }
        lp += 1 + 2 * m;
    }
    return true;
}

// Sorted along the line; edges on the line and doubles taken out; the order
// of two sets' crossings at one place made consistent.
void clean_table(const Fill& f)
{
    HatchTable& t = g_tab;
    for (bool moved = true; moved;) {
        moved = false;
        for (i32 i = 0; i + 1 < t.n; ++i)
            if (t.uv[2 * i] > t.uv[2 * i + 2]) {
                swap_entries(t, i, i + 1);
                moved = true;
            }
    }
    // edges on the line: through the line one crossing, touching none extra
    for (i32 i = 1; i + 1 < t.n;) {
        if (t.side[i] != 0) {
            ++i;
            continue;
        }
        if (t.side[i - 1] == t.side[i + 1]) {
            const bool later = t.side[i - 1] == -1;
            drop(t, i);
            drop(t, later ? i : i - 1);
        } else {
            drop(t, i);
        }
        i += 2;
    }
    // doubles: one position, one side, one loop
    for (bool again = true; again;) {
        again = false;
        for (i32 i = 1; i < t.n; ++i)
            if (eqval(t.uv[2 * i - 2], t.uv[2 * i]) && t.side[i - 1] == t.side[i] && t.loop[i - 1] == t.loop[i]) {
                drop(t, i);
                again = true;
                break;
            }
    }
    if (t.n < 2) return;
    // one side at one place: set A's leaving first, set B's entering first
    for (i32 i = 0; i + 1 < t.n; ++i) {
        if (!(std::fabs(t.uv[2 * i] - t.uv[2 * i + 2]) < f.s) || t.side[i] != t.side[i + 1]) continue;
        const bool a_then_b = t.loop[i] <= SET_B && t.loop[i + 1] > SET_B;
        const bool b_then_a = t.loop[i] > SET_B && t.loop[i + 1] <= SET_B;
        if ((t.side[i] == -1 && a_then_b) || (t.side[i] == 1 && b_then_a)) {
            std::swap(t.loop[i], t.loop[i + 1]);
            std::swap(t.edge[i], t.edge[i + 1]);
        }
    }
}

void to_xy(const Fill& f, const f32* uv, f32* p)
{
    p[0] = uv[0];
    p[1] = uv[1];
    hatchx(f.c, -f.sn, p);
}

// The checks of the finished lane: a place between two set B loops outside
// the area, or a stretch the tool would not clear; flag 1 when one fails.
void check_lane(Fill& f, i32& flag, i32& status)
{
    HatchTable& t = g_tab;
    if (!f.surface) {
        for (i32 i = 0; i + 1 < t.n; ++i) {
            if (t.loop[i] <= SET_B || t.loop[i + 1] <= SET_B || t.loop[i] == t.loop[i + 1]) continue;
            const f32 mid[2] = {0.5f * (t.uv[2 * i] + t.uv[2 * i + 2]), 0.5f * (t.uv[2 * i + 1] + t.uv[2 * i + 3])};
            f32 p[2];
            to_xy(f, mid, p);
            if (inside_answer(f, f.s, p) == 3) {
                flag = 1;
                return;
            }
        }
        return;
    }
    // The stretches tested run from the start over the crossings to the
    // target: only the crossings between the two are handed on. The kinds 4
    // and 5 keep those before the start and beyond the target in the table;
    // handed on, they would make the test run stretches backwards from the
    // start and on past the target, over ground the lane never crosses.
    std::vector<f32> uv;
    std::vector<i32> loops;
    for (i32 i = 0; i < t.n; ++i) {
        const f32 u = t.uv[2 * i];
        if (f.k >= 4 && (ltval(u, f.S[0]) || gtval(u, f.T[0]))) continue;
        uv.insert(uv.end(), {u, t.uv[2 * i + 1]});
        loops.push_back(t.loop[i]);
    }
    i32 hit = 0;
    pkhatch_segment(f.start, f.target, uv.data(), loops.data(), static_cast<i32>(loops.size()), hit, status);
    if (hit != 0) flag = 1;
}

// The crossings from the start to the target (kind 4 also before the start)
// written as the lane.
void write_crossings(Fill& f, i32& count, i32& status)
{
    HatchTable& t = g_tab;
    HatchOut& out = *f.out;
    grow(out, f.base, out.offset + 2 * t.n, 200, status);
    if (status != 0) return;
    f64* o = static_cast<f64*>(f.base);
    for (i32 i = 0; i < t.n; ++i) {
        const f32 u = t.uv[2 * i];
        if (!leval(u, f.T[0])) continue;
        if (f.k != 4 && !geval(u, f.S[0])) continue;
        f32 p[2];
        to_xy(f, t.uv + 2 * i, p);
        o[out.offset + 2 * count] = p[0];
        o[out.offset + 2 * count + 1] = p[1];
        ++count;
    }
}

// Crossings before the start and beyond the target taken out, repeated
// crossings of one loop thinned, loose leaving and entering ends dropped.
// False when fewer than two are left.
bool trim_ends(Fill& f)
{
    HatchTable& t = g_tab;
    for (i32 i = 0; i < t.n;) {
        const f32 u = t.uv[2 * i];
        if (gtval(f.S[0], u)) {
            if (f.ans_start == 2 && f.alt && !(f.S[0] - u > f.s)) {
                t.uv[0] = f.S[0];
                t.uv[1] = f.S[1];
                ++i;
            } else {
                drop(t, i);
            }
            continue;
        }
        if (ltval(f.T[0], u) && (f.ans_target == 1 || u - f.T[0] > f.s)) {
            t.n = i;
            break;
        }
        ++i;
    }
    if (t.n < 2) return false;
    for (i32 i = 0; i + 1 < t.n;) {
        if (eqval(t.uv[2 * i], t.uv[2 * i + 2]) && eqval(t.uv[2 * i + 1], t.uv[2 * i + 3]) && t.loop[i] == t.loop[i + 1] &&
            t.side[i] == t.side[i + 1]) {
            drop(t, t.loop[i] <= SET_B ? i : i + 1);
            continue;
        }
        ++i;
    }
    while (t.n > 0 && t.side[0] == -1) drop(t, 0);
    while (t.n > 0 && t.side[t.n - 1] == 1) --t.n;
    return t.n >= 2;
}

// One classification level: crossings marked L or more are taken out.
void classify(i32 L)
{
    HatchTable& t = g_tab;
    i32 top = 0;
    for (i32 i = 0; i < t.n; ++i) t.mark[i] = 0;
    for (i32 i = 0; i < t.n; ++i) {
        if (top > 0 && t.side[i] != t.side[t.stack[top - 1]]) {
            const i32 o = t.stack[--top];
            if (t.loop[o] != t.loop[i]) {
                t.mark[o] = t.mark[i] = 2;
            } else if (top > 0) {
                t.mark[o] = t.mark[i] = 1;
            }
            continue;
        }
        if (t.side[i] == -1)
            t.mark[i] = 2;
        else
            t.stack[top++] = i;
    }
    while (top > 0) t.mark[t.stack[--top]] = 2;
    for (i32 i = t.n - 1; i >= 0; --i)
        if (t.mark[i] >= L) drop(t, i);
}

// Writes crossing i: an entry move to it (kind 1) or a lane point (kind 2).
void lane_point(Fill& f, i32 i, i32& count, i32& status)
{
    f32 p[2];
    to_xy(f, g_tab.uv + 2 * i, p);
    pk_last_pos[0] = wrd2r(DSP8[DSP8_POS]);
    pk_last_pos[1] = wrd2r(DSP8[DSP8_POS + 1]);
    if (f.k == 1) {
        i32 entry = pokpar.retry_sw_a != 0 ? 2 : 1;
        const f64 from[3] = {wrd2r(DSP8[DSP8_POS]), wrd2r(DSP8[DSP8_POS + 1]), wrd2r(DSP8[DSP8_POS + 2])};
        const f64 to[3] = {p[0], p[1], pokpar.small_val};
        pkentry(entry, 2, from, to, status);
        return;
    }
    put_point(*f.out, f.base, count, p[0], p[1], 1000, status);
}

// Kinds 1 and 2: the lane along the line, detouring along the boundary of
// each loop it meets.
void walk_lane(Fill& f, i32& count, i32& status)
{
    HatchTable& t = g_tab;
    const i32 step = f.flipped ? -1 : 1;
    status = 0;
    for (i32 i = f.flipped ? t.n - 1 : 0; i + step >= 0 && i + step < t.n;) {
        const i32 j = i + step;
        lane_point(f, i, count, status);
        if (status < 0 || (f.k == 2 && status != 0)) return;
        status = 0;
        if (t.loop[i] != t.loop[j]) {
            i = j;
            continue;
        }
        const bool b = t.loop[i] > SET_B;
        i32 kind = f.k, sense = 1, nloops = b ? f.nb : f.na, L = b ? t.loop[i] - SET_B : t.loop[i];
        i32 ea = t.edge[i], eb = t.edge[j];
        pkbound_walk(kind, b ? f.setb : f.seta, nloops, ea, eb, sense, L, count, *f.out, status);
        if (status != 0) return;
        mmcptr(f.out->handle, f.base);
        lane_point(f, j, count, status);
        if (status < 0 || (f.k == 2 && status != 0)) return;
        status = 0;
        i += 2 * step;
    }
}

// Kinds 1 to 3 after the common road: the outermost stretches inside each
// loop kept, checked, and counted (3) or followed (1, 2). True when too few
// crossings are left and the final check of the lane follows.
bool boundary_kinds(Fill& f, i32& count, i32& flag, i32& status)
{
    HatchTable& t = g_tab;
    if (!trim_ends(f)) return true;
    // every set B loop is entered as often as it is left
    std::vector<i32> per(static_cast<size_t>(f.nb) + 1, 0);
    for (i32 i = 0; i < t.n; ++i)
        if (t.loop[i] > SET_B && t.loop[i] - SET_B <= f.nb) ++per[static_cast<size_t>(t.loop[i] - SET_B)];
    for (i32 v : per)
        if (v % 2 != 0) {
            flag = 1;
            return false;
        }
    for (i32 L = 2; L >= 1; --L) {
        classify(L);
        if (t.n < 2) return true;
    }
    i32 hit = 0;
    check_lane(f, hit, status);
    if (hit != 0 || status < 0) {
        if (hit != 0) flag = 1;
        return false;
    }
    if (f.k == 3)
        count = t.n;
    else
        walk_lane(f, count, status);
    return false;
}

}  // namespace

void pkhatch_drop(i32 k, i32 i, f32* uv, i32* sides, i32* loops, i32* edges, i32& count)
{
    // Entries that do not exist are not moved: an index or a count beyond
    // the list would read and write past its arrays; the list stays as it is.
    if (i < 0 || k < 0 || i + k >= count) return;
    std::memmove(uv + 2 * i, uv + 2 * i + 2, sizeof(f32) * 2 * static_cast<size_t>(k));
    std::memmove(sides + i, sides + i + 1, sizeof(i32) * static_cast<size_t>(k));
    std::memmove(loops + i, loops + i + 1, sizeof(i32) * static_cast<size_t>(k));
    std::memmove(edges + i, edges + i + 1, sizeof(i32) * static_cast<size_t>(k));
    --count;
}

const f64* hatch_points(const HatchOut& out)
{
    if (out.handle < 0) return nullptr;
    void* base = nullptr;
    mmcptr(out.handle, base);
    return static_cast<const f64*>(base);
}

void hatch_close(HatchOut& out)
{
    i32 st = 0;
    if (out.handle >= 0) MM_CLOSE(out.handle, st);
    out.handle = -1;
    out.capacity = 0;
    out.offset = 0;
}

void lan_hatch_fill(const i32& kind, const f32* setb, const i32& nb, const f32* seta, const i32& na,
                    const f64* start, const f64* target, i32& count, HatchOut& out, i32& flag, i32& status)
{
    status = 0;
    count = 0;
    flag = 0;
    Fill f;
    f.alt = kind >= 10;
    f.k = f.alt ? kind - 10 : kind;
    f.seta = seta;
    f.na = na;
    f.setb = setb;
    f.nb = nb;
    f.out = &out;
    // A kind the fill does not have is refused rather than taken for one of
    // its neighbours: the kinds decide what is written where.
    if (f.k < 1 || f.k > 6) {
        eroutc("LAN_HATCH_FILL, KIND NOT AVAILABLE", 0);
        status = -1;
        return;
    }
    open_output(f, status);
    if (status != 0) return;
    if (f.k < 5) copy_setb(f);
    f.s = static_cast<f32>(pokpar.side);
    f.start[0] = static_cast<f32>(start[0]);
    f.start[1] = static_cast<f32>(start[1]);
    f.target[0] = static_cast<f32>(target[0]);
    f.target[1] = static_cast<f32>(target[1]);
    const i32 code = nu_sgcd_get_code();
    f.surface = code == 34 || code == 38;
    if (f.k < 5 && !f.surface) {
        f.ans_start = inside_answer(f, 1.5f * f.s, f.start);
        f.ans_target = inside_answer(f, f.s, f.target);
        if (f.ans_start == 3 || f.ans_target == 3) {
            flag = 1;
            f.rejected = true;
            if (f.k == 3) return;
        }
    }
    HatchTable& t = g_tab;
    t.n = 0;
    f32 d[2] = {f.target[0] - f.start[0], f.target[1] - f.start[1]}, len = 0.0f;
    i32 st = 0;
    v2unit(d, len, st);
    if (st == 0) {
        // into the frame of the line: u = d . p, v = d x p
        f.c = d[0];
        f.sn = -d[1];
        std::memcpy(f.S, f.start, sizeof f.S);
        std::memcpy(f.T, f.target, sizeof f.T);
        hatchx(f.c, f.sn, f.S);
        hatchx(f.c, f.sn, f.T);
        bool whole = collect_set(f, seta, na, 1);
        if (whole && f.k <= 3) whole = collect_set(f, setb, nb, SET_B + 1);
        if (!whole) {
            // the lane would be built from a part of the crossings: refused
            eroutc("LAN_HATCH_FILL, NUMBER OF CROSSINGS IS LIMITED TO 2000", 0);
            status = 12;
            return;
        }
    }
    if (t.n > 0) {
        if (f.S[0] > f.T[0]) {
            std::swap(f.S, f.T);
            f.flipped = true;
        }
        clean_table(f);
        if (t.n >= 2 && f.k <= 3 && !boundary_kinds(f, count, flag, status)) return;
        if (t.n >= 2) write_crossings(f, count, status);
        if (status != 0) return;
    }
    if (f.k != 6 && !f.rejected) check_lane(f, flag, status);
}

void pkbound_walk(i32& kind, const f32* loops, const i32& nloops, const i32& a, const i32& b, i32& sense,
                  const i32& k, i32& count, HatchOut& out, i32& status)
{
    status = 0;
    // A loop or an edge that the set does not hold gives no walk: reading it
    // would go past the loop buffer. Nothing is gathered; the fill goes on
    // with the crossings it has (status 0, as for two crossings on one edge).
    if (a == b || k < 1 || k > nloops) return;
    i32 n = 0;
    const f32* pts = nth_loop(loops, k, n);
    if (a < 1 || b < 1 || a > n || b > n) return;
    // the point indices (1-based) of the walk in sense s
    auto walk = [&](i32 s) {
        std::vector<i32> idx;
        if (s == 1) {
            if (a < b)
                for (i32 p = a + 1; p <= b; ++p) idx.push_back(p);
            else {
                for (i32 p = a + 1; p <= n; ++p) idx.push_back(p);
                for (i32 p = 2; p <= b; ++p) idx.push_back(p);
            }
        } else {
            if (a > b)
                for (i32 p = a; p >= b + 1; --p) idx.push_back(p);
            else {
                for (i32 p = a; p >= 2; --p) idx.push_back(p);
                for (i32 p = n; p >= b + 1; --p) idx.push_back(p);
            }
        }
        return idx;
    };
    // The length of a trial is that of the boundary points it walks (the
    // crossings, which the walk does not receive, are not part of it): a
    // walk of one point is 0 long, under 0.1, and the other way is taken.
    auto length = [&](const std::vector<i32>& idx) {
        f64 l = 0.0;
        for (size_t q = 1; q < idx.size(); ++q) {
            const f32* p0 = pts + 2 * (idx[q - 1] - 1);
            const f32* p1 = pts + 2 * (idx[q] - 1);
            l += std::hypot(static_cast<f64>(p1[0] - p0[0]), static_cast<f64>(p1[1] - p0[1]));
        }
        return l;
    };
    const std::vector<i32> given = walk(sense), other = walk(-sense);
    const f64 l1 = length(given), l2 = length(other);
    const bool keep = l1 >= 0.1 && l2 > 0.8 * l1;
    if (!keep) sense = -sense;
    const std::vector<i32>& idx = keep ? given : other;
    void* base = nullptr;
    mmcptr(out.handle, base);
    for (i32 p : idx) {
        const f32* q = pts + 2 * (p - 1);
        if (kind == 1) {
            i32 entry = pokpar.retry_sw_a != 0 ? 2 : 1;
            pk_last_pos[0] = wrd2r(DSP8[DSP8_POS]);
            pk_last_pos[1] = wrd2r(DSP8[DSP8_POS + 1]);
            const f64 from[3] = {wrd2r(DSP8[DSP8_POS]), wrd2r(DSP8[DSP8_POS + 1]), wrd2r(DSP8[DSP8_POS + 2])};
            const f64 to[3] = {q[0], q[1], pokpar.small_val};
            pkentry(entry, 2, from, to, status);
            if (status < 0) return;
            status = 0;
            continue;
        }
        put_point(out, base, count, q[0], q[1], 1000, status);
        if (status != 0) return;
    }
}

void pkhatch_segment(const f32* start, const f32* target, const f32* uv, const i32* loops, i32 m, i32& hit,
                     i32& status)
{
    (void)loops;
    status = 0;
    hit = 0;
    f32 D = 0.0f, r = 0.0f;
    GTDIAM(CURTOL, D);
    GTCRNR(CURTOL, r);
    const f64 side = pokpar.side;
    const f32 d2 = static_cast<f32>(D - 2.0 * side);
    STDIAM(d2);
    STCRNR(std::min(r, 0.5f * d2));
    f32 d[2] = {target[0] - start[0], target[1] - start[1]}, len = 0.0f;
    i32 st = 0;
    v2unit(d, len, st);
    const f32 h = static_cast<f32>(pokpar.small_val + side);
    auto done = [&]() {
        STDIAM(D);
        STCRNR(r);
    };
    if (st != 0) return done();
    f32 p0[3] = {start[0], start[1], h}, pos[3], nrm[3], contact[3];
    LOCSEG(p0, pos, nrm, st);
    if (st == -1) {
        status = -1;
        return done();
    }
    if (st == 0 && pos[2] > h) {
        hit = 1;
        return done();
    }
    // the places met in order from the start (the crossings are ordered
    // along the line from the start to the target): the start, the crossings
    // that leave one loop for another, the target
    std::vector<f32> at;
    at.insert(at.end(), {start[0], start[1]});
    for (i32 i = 0; i < m; ++i) {
        f32 p[2] = {uv[2 * i], uv[2 * i + 1]};
        hatchx(d[0], d[1], p);
        at.insert(at.end(), {p[0], p[1]});
    }
    at.insert(at.end(), {target[0], target[1]});
    const i32 np = static_cast<i32>(at.size() / 2);
    for (i32 q = 0; q + 1 < np; ++q) {
        if (q >= 1 && q + 1 < np - 1) {
            if (loops != nullptr && loops[q - 1] == loops[q]) continue;
        }
        const f32* p = at.data() + 2 * q;
        const f32* e = at.data() + 2 * q + 2;
        const f32 a[3] = {0.05f * p[0] + 0.95f * e[0], 0.05f * p[1] + 0.95f * e[1], h + 10.0f};
        const f32 b[3] = {0.95f * p[0] + 0.05f * e[0], 0.95f * p[1] + 0.05f * e[1], h - 10.0f};
        LOCDIR(a, b, h, pos, contact, st);
        if (st == -1) {
            status = -1;
            break;
        }
        if (st == 0) {
            hit = 1;
            break;
        }
    }
    done();
}

void pkdbg_view_init()
{
    for (i32 i = 0; i < 3; ++i)
        for (i32 j = i + 1; j < 3; ++j) std::swap(g_view.m[3 * i + j], g_view.m[3 * j + i]);
    g_view.state = 2;
}

void pkdbg_view(const f64* point, f32* out)
{
    if (g_view.state == 0) {
        for (i32 k = 0; k < 3; ++k) out[k] = static_cast<f32>(point[k]);
        return;
    }
    if (g_view.state == 1) pkdbg_view_init();
    for (i32 i = 0; i < 3; ++i) {
        f64 v = g_view.origin[i];
        for (i32 j = 0; j < 3; ++j) v += g_view.m[3 * i + j] * point[j];
        out[i] = static_cast<f32>(v);
    }
}

PkDbgView& pkdbg_view_state() { return g_view; }

void ccl_pass_set(i32 value) { clr_nest_mode = value; }
void ccl_pass_get(i32& value) { value = clr_nest_mode; }
