// Outline tracing of the clean-up: new patches are started at their highest
// spot, the outer outline is traced by pivoting a disc of radius R round the
// spots, then each hole of the patch is found through the empty cells the
// patch encloses and traced the same way. Outlines go to the polyline store
// with their width, area, box and direction.
#include "cleanup/clntrace.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>

#include "cleanup/clngrid.h"
#include "core/host.h"
#include "pocket/clrpok.h"
#include "surfaces/cntsrf.h"
#include "pocket/findreg.h"

namespace {

struct Ref {
    i32 row = -1, col = -1, idx = -1;
    bool ok() const { return idx >= 0; }
    bool operator==(const Ref& o) const { return row == o.row && col == o.col && idx == o.idx; }
};

struct ChainEnt {
    Ref ref;
    f32 spot[3], p1[3], p2[3];
};

struct Poly {
    i32 npt;
    f32 width, area;
    std::array<f32, 4> box;
    i32 dir;
    i32 patch;
};

struct Trace {
    std::vector<ChainEnt> chain;
    Ref start, second;
    f32 idir[2] = {0, 0};
    std::vector<f32> xy;     // every polyline's points, one after another
    std::vector<Poly> poly;  // one a polyline
    i32 group = 0;           // first polyline of the patch being traced
    i32 patch = -1;
    std::vector<char> tried; // cells taken as a hole start in this patch (see hole_cell)
    std::vector<std::vector<char>> mine; // spots of the patch (by record array, record), see patch_spots
    std::vector<Ref> minerefs; // spots set in mine, cleared at the next patch
    std::vector<i32> marked; // cells set in tried, cleared at the next patch
    std::vector<Ref> taken;  // records appended to a chain in this patch
    std::vector<Ref> flagged; // records the boundary walk flagged
    i32 row0 = 0;            // rows above hold no free spot of an open cell
    std::vector<ClnOutline> kept;
    i32 clearings = 0;
    i32 spots = 0;
} T;

ClnGrd& G() { return CLNGRD; }
ClnCell& cell(i32 r, i32 c) { return G().cells[static_cast<size_t>(r) * G().ncol + c]; }
ClnSpot& rec(const Ref& f) { return G().recs[cell(f.row, f.col).rec][f.idx]; }

// Offset of polyline k in the point store.
size_t first_point(i32 k)
{
    size_t o = 0;
    for (i32 j = 0; j < k; ++j) o += 2 * static_cast<size_t>(T.poly[j].npt);
    return o;
}

struct Window {
    i32 r0, r1, c0, c1;
};
Window window(i32 row, i32 col, i32 w = 1)
{
    return {std::max(row - w, 0), std::min(row + w, G().nrow - 1), std::max(col - w, 0), std::min(col + w, G().ncol - 1)};
}

// Visits every record of the window's cells, rows upward, columns left to
// right, records in order.
template <class F>
void each(const Window& w, F f)
{
    for (i32 r = w.r0; r <= w.r1; ++r)
        for (i32 c = w.c0; c <= w.c1; ++c) {
            const ClnCell& k = cell(r, c);
            for (i32 i = 0; i < k.count; ++i) f(Ref{r, c, i});
        }
}

bool unit2(f32* v)
{
    const f32 l = std::hypot(v[0], v[1]);
    if (l == 0) return false;
    v[0] /= l, v[1] /= l;
    return true;
}

// Disc centre of radius R through p and q on the given side (0 left, 1
// right of p -> q), and the half distance h; status 2 for coincident points.
i32 clnctr(const f32* p, const f32* q, f32 R, i32 side, f32* c, f32& h)
{
    f32 d[2] = {q[0] - p[0], q[1] - p[1]};
    h = 0.5f * std::hypot(d[0], d[1]);
    if (!unit2(d)) return 2;
    if (h > R) {
        c[0] = q[0] - R * d[0], c[1] = q[1] - R * d[1];
        return 0;
    }
    const f32 s2 = R * R - h * h, s = s2 > 0 ? std::sqrt(s2) : 0.0f;
    const f32 nx = side == 0 ? -d[1] : d[1], ny = side == 0 ? d[0] : -d[0];
    c[0] = 0.5f * (p[0] + q[0]) + s * nx, c[1] = 0.5f * (p[1] + q[1]) + s * ny;
    return 0;
}

// Next point of the outline by pivoting the disc round the current spot.
i32 clnnxt(f32 R, const Ref& cur, const f32* z, Ref& chosen, f32* centre)
{
    const f32 e = std::clamp(0.1f * R, 0.001f, 0.01f);
    const f32* p = rec(cur).spot;
    f32 u[2] = {z[0] - p[0], z[1] - p[1]};
    unit2(u);
    bool have = false;
    f32 best = 0;
    chosen = Ref{};
    each(window(cur.row, cur.col), [&](const Ref& f) {
        ClnSpot& s = rec(f);
        if (s.state == CLN_DONE || s.state == CLN_SAME || f == cur || s.wflag != 0) return;
        f32 c[2], h = 0;
        if (clnctr(p, s.spot, R, 0, c, h) == 2) {
            s.state = CLN_SAME;
            return;
        }
        if (h > R + e) return;
        if (s.state == CLN_FREE) s.state = CLN_SEEN;
        f32 v[2] = {c[0] - p[0], c[1] - p[1]};
        unit2(v);
        const f32 a = std::atan2(-(u[0] * v[1] - u[1] * v[0]), u[0] * v[0] + u[1] * v[1]);
        bool take;
        if (!have) take = true;
        else if (best == 0) take = a != 0;
        else if (a == 0) take = false;
        else if ((a > 0) != (best > 0)) take = a > 0;
        else take = a < best;
        if (take) {
            have = true;
            best = a;
            chosen = f;
            centre[0] = c[0], centre[1] = c[1];
        }
    });
    if (!have) return 1;
    const i32 n = static_cast<i32>(T.chain.size());
    if (n > 2 && chosen == T.second && cur == T.start && rec(T.second).visits > 1) return 1;
    if (cur == T.start && n > 2) {
        const f32* q = rec(chosen).spot;
        const f32* s = rec(T.start).spot;
        f32 d[2] = {s[0] - q[0], s[1] - q[1]};
        unit2(d);
        if (d[0] * T.idir[0] + d[1] * T.idir[1] > 0.9f) return 2;
    }
    return 0;
}

// Appends a record to the chain.
void cndins(const Ref& f, i32& status)
{
    ClnSpot& s = rec(f);
    s.state = CLN_TAKEN;
    ++s.visits;
    ChainEnt e{f, {s.spot[0], s.spot[1], 0.0f}, {}, {}};
    for (i32 m = 0; m < 3; ++m) e.p1[m] = s.p1[m], e.p2[m] = s.p2[m];
    try {
        T.taken.push_back(f);
        T.chain.push_back(e);
    } catch (const std::bad_alloc&) {
        eroutc("cndins,dynamic memory error", 0);
        status = -1;
        return;
    }
    const size_t n = T.chain.size();
    if (n == 1) T.start = f;
    if (n == 2) {
        T.second = f;
        const f32* a = rec(T.start).spot;
        T.idir[0] = a[0] - s.spot[0], T.idir[1] = a[1] - s.spot[1];
        unit2(T.idir);
    }
    if (n >= 3 && T.chain[n - 3].ref == f) ++rec(T.chain[n - 2].ref).visits;
}

// Area (not signed) and box of a polygon. The area is kept by its size:
// the direction flag takes "area <= 0" as no direction and asks polccw
// otherwise, which only makes sense for an area without sign.
void area_box(const f32* xy, i32 n, f32& area, std::array<f32, 4>& box)
{
    plarea(xy, n, area);
    area = std::fabs(area);
    box = {1.0e30f, 1.0e30f, -1.0e30f, -1.0e30f};
    for (i32 k = 0; k < n; ++k) {
        box[0] = std::min(box[0], xy[2 * k]), box[1] = std::min(box[1], xy[2 * k + 1]);
        box[2] = std::max(box[2], xy[2 * k]), box[3] = std::max(box[3], xy[2 * k + 1]);
    }
}

i32 direction(const f32* xy, i32 n, f32 area)
{
    if (area <= 0) return 0;
    return polccw(xy, n) == 1 ? -1 : 1;
}

f32 ratio(f32 o, f32 n) { return n == 0 ? (o == 0 ? 1.0f : 2.0f) : o / n; }

// Stores the chain as a polyline.
void clnpol(f32 R, i32& status)
{
    const i32 n = static_cast<i32>(T.chain.size());
    if (n < 2) return;
    std::vector<f32> pts(2 * static_cast<size_t>(n));
    for (i32 i = 0; i < n; ++i) pts[2 * i] = T.chain[i].spot[0], pts[2 * i + 1] = T.chain[i].spot[1];
    f32 w = -1.0e10f;
    for (i32 i = 0; i < n; ++i) {
        const ChainEnt& a = T.chain[i];
        const ChainEnt& b = T.chain[(i + 1) % n];
        f32 d[2] = {b.spot[0] - a.spot[0], b.spot[1] - a.spot[1]};
        unit2(d);
        for (const f32* q : {a.p1, a.p2}) w = std::max(w, d[0] * (q[1] - a.spot[1]) - d[1] * (q[0] - a.spot[0]));
    }
    Poly p{n, std::min(std::fabs(w), R), 0, {}, 0, T.patch};
    if (p.npt > 3) dilula(p.npt, pts.data(), 2, nullptr, 0, 0.01f);
    area_box(pts.data(), p.npt, p.area, p.box);
    p.dir = direction(pts.data(), p.npt, p.area);
    // A hole outline that repeats an earlier one of the patch is dropped.
    for (i32 k = T.group + 1; k < static_cast<i32>(T.poly.size()); ++k) {
        const Poly& o = T.poly[k];
        const f32 r[6] = {ratio(o.width, p.width), ratio(o.area, p.area), ratio(o.box[0], p.box[0]),
                          ratio(o.box[1], p.box[1]), ratio(o.box[2], p.box[2]), ratio(o.box[3], p.box[3])};
        bool same = o.dir == p.dir;
        for (f32 x : r) same = same && x > 0.97f && x < 1.03f;
        if (same) return;
    }
    try {
        T.xy.insert(T.xy.end(), pts.begin(), pts.begin() + 2 * p.npt);
        T.poly.push_back(p);
    } catch (const std::bad_alloc&) {
        eroutc("clnpol,dynamic memory error", 0);
        status = -1;
    }
}

// Distance from p to polyline k, each segment moved by the width to its
// left (the closing segment not included).
f32 clndpl(i32 k, const f32* p)
{
    const f32* xy = T.xy.data() + first_point(k);
    const Poly& pl = T.poly[k];
    f32 best = 1.0e20f;
    for (i32 i = 0; i + 1 < pl.npt; ++i) {
        const f32 *a = xy + 2 * i, *b = a + 2;
        f32 d[2] = {b[0] - a[0], b[1] - a[1]};
        unit2(d);
        const f32 o[2] = {-d[1] * pl.width, d[0] * pl.width};
        const f32 a2[2] = {a[0] + o[0], a[1] + o[1]}, b2[2] = {b[0] + o[0], b[1] + o[1]};
        const f32 s[2] = {b2[0] - a2[0], b2[1] - a2[1]}, e[2] = {p[0] - a2[0], p[1] - a2[1]};
        const f32 ss = s[0] * s[0] + s[1] * s[1];
        const f32 t = ss > 0 ? std::clamp((e[0] * s[0] + e[1] * s[1]) / ss, 0.0f, 1.0f) : 0.0f;
        best = std::min(best, std::hypot(e[0] - t * s[0], e[1] - t * s[1]));
    }
    return best;
}

// Whether p lies inside polyline k (or on it).
bool inside(i32 k, const f32* p)
{
    if (T.poly[k].npt < 3) return false;
    i32 ans = 3;
    inpol(T.xy.data() + first_point(k), T.poly[k].npt, 1, p, ans);
    return ans != 3;
}

// The spot lies inside an odd number of stored polylines.
bool clninp(const f32* p)
{
    i32 n = 0;
    for (i32 k = 0; k < static_cast<i32>(T.poly.size()); ++k) n += inside(k, p) ? 1 : 0;
    return n % 2 == 1;
}

// Four neighbours of a cell (sharing its row or its column).
template <class F>
void neighbours(i32 r, i32 c, F f)
{
    const i32 dr[4] = {-1, 1, 0, 0}, dc[4] = {0, 0, -1, 1};
    for (i32 k = 0; k < 4; ++k) {
        const i32 rr = r + dr[k], cc = c + dc[k];
        if (rr >= 0 && rr < G().nrow && cc >= 0 && cc < G().ncol) f(rr, cc);
    }
}

// Flood fill over the stack from (r, c): mark decides and marks a cell.
template <class Follow, class Mark>
void flood(i32 r, i32 c, Follow follow, Mark mark)
{
    std::vector<i32>& st = G().stack;
    size_t depth = 0;
    mark(r, c);
    st[depth++] = r, st[depth++] = c;
    while (depth > 0) {
        const i32 cc = st[--depth], rr = st[--depth];
        neighbours(rr, cc, [&](i32 r2, i32 c2) {
            if (!follow(r2, c2) || depth + 2 > st.size()) return;
            mark(r2, c2);
            st[depth++] = r2, st[depth++] = c2;
        });
    }
}

// Discards a patch that was traced already: its cells' records are finished.
void clnkil(i32 r, i32 c)
{
    flood(
        r, c, [](i32 r2, i32 c2) { return cell(r2, c2).label == 0 && cell(r2, c2).type < 10; },
        [](i32 r2, i32 c2) {
            ClnCell& k = cell(r2, c2);
            for (i32 i = 0; i < k.count; ++i) G().recs[k.rec][i].state = CLN_DONE;
            k.type += 10;
        });
}

// Labels the empty region of (r, c) with L; answers whether it is enclosed
// (touches no border cell); a region that touches the border loses its labels.
// Only the cells of the region tested are cleared: the labels of the holes
// found before in the patch stay, since the next search refuses an enclosed
// cell near one of them by its label.
bool clnlab_brd(i32 r, i32 c, i32 L)
{
    std::vector<i32> cells;
    flood(
        r, c, [](i32 r2, i32 c2) { return cell(r2, c2).count == 0 && cell(r2, c2).label == 0; },
        [&](i32 r2, i32 c2) {
            cell(r2, c2).label = L;
            cells.push_back(r2 * G().ncol + c2);
        });
    bool border = false;
    for (i32 k : cells) {
        const i32 r2 = k / G().ncol, c2 = k % G().ncol;
        border = border || r2 == 0 || c2 == 0 || r2 == G().nrow - 1 || c2 == G().ncol - 1;
    }
    if (border)
        for (i32 k : cells) G().cells[k].label = 0;
    return !border;
}

void centre_of(i32 r, i32 c, f32* p)
{
    p[0] = G().lo[0] + (static_cast<f32>(c) + 0.5f) * G().cw;
    p[1] = G().lo[1] + (static_cast<f32>(r) + 0.5f) * G().ch;
}

// Distance from p to the nearest hole outline of the patch.
f32 hole_distance(const f32* p)
{
    f32 d = 1.0e20f;
    for (i32 k = T.group + 1; k < static_cast<i32>(T.poly.size()); ++k) d = std::min(d, clndpl(k, p));
    return d;
}

// Whether the empty cell k may start a hole of the patch. A cell already
// taken as a hole start in this patch is refused: an enclosed cell keeps
// its label, and its outline, traced again, is dropped as a duplicate, so
// the search would take the same cell again without end.
bool hole_cell(i32 k, f32 R, i32 L)
{
    const i32 r = k / G().ncol, c = k % G().ncol;
    if (T.tried[k]) return false;
    f32 p[2];
    centre_of(r, c, p);
    if (!inside(T.group, p)) return false;
    if (cell(r, c).label != 0 && hole_distance(p) < 2 * R) return false;
    return clnlab_brd(r, c, L);
}

// The patch mark of spot f (set when the spot belongs to the patch traced).
char& patch_mark(const Ref& f)
{
    return T.mine[static_cast<size_t>(cell(f.row, f.col).rec)][static_cast<size_t>(f.idx)];
}

// The spots of the patch of the start: those joined to it through spots
// within the pivot's reach of each other (in the window of a spot's cell,
// at most 2 x (R + e) apart). Joining whole cells instead misses or merges
// patches: through cells that share a side, a band running at 45 degrees to
// the grid (its cells meet only at corners) falls apart, and a hole whose
// nearest spots lie beyond such a corner finds no start and is lost; through
// corners too, a patch standing in another's hole joins it wherever their
// cells touch at a corner, though the disc never reaches across.
void patch_spots(const Ref& from, f32 R)
{
    const f32 reach = 2 * (R + std::clamp(0.1f * R, 0.001f, 0.01f));
    auto add = [&](const Ref& f) {
        patch_mark(f) = 1;
        T.minerefs.push_back(f);
    };
    std::vector<Ref> st{from};
    add(from);
    while (!st.empty()) {
        const Ref k = st.back();
        st.pop_back();
        const f32* p = rec(k).spot;
        each(window(k.row, k.col), [&](const Ref& f) {
            if (patch_mark(f)) return;
            const f32* q = rec(f).spot;
            if (std::hypot(q[0] - p[0], q[1] - p[1]) > reach) return;
            add(f);
            st.push_back(f);
        });
    }
}

// The spot of the patch nearest to the centre of cell k within two cells.
Ref nearest_spot(i32 k)
{
    const i32 r = k / G().ncol, c = k % G().ncol;
    f32 p[2];
    centre_of(r, c, p);
    f32 best = 1.0e20f;
    Ref out;
    each(window(r, c, 2), [&](const Ref& f) {
        const ClnSpot& s = rec(f);
        if (s.state == CLN_DONE) return;
        // A spot of another patch standing in the hole is no start of it.
        if (!patch_mark(f)) return;
        const f32 d = std::hypot(s.spot[0] - p[0], s.spot[1] - p[1]);
        if (d < best) best = d, out = f;
    });
    return out;
}

// The cells from a - 1 to b + 1 along one axis of the grid (lower, upper).
void cell_span(f32 a, f32 b, f32 lo, f32 size, i32 count, i32& i0, i32& i1)
{
    auto at = [&](f32 v) {
        const f32 f = (v - lo) / size;
        if (!(f >= 0)) return 0;
        return f >= static_cast<f32>(count) ? count - 1 : static_cast<i32>(f);
    };
    i0 = std::max(std::min(at(a), at(b)) - 1, 0);
    i1 = std::min(std::max(at(a), at(b)) + 1, count - 1);
}

// The start of the next hole outline of the patch: status 0 with the start
// and the disc centre placed towards the hole, 2 when there is none.
i32 clnstr(f32 R, i32 L, Ref& start, f32* z)
{
    if (static_cast<i32>(T.poly.size()) <= T.group || T.poly[T.group].npt == 0) return 2;
    // Every hole is searched by the full scan; the cell of the last hole is
    // not tried first with the patch's free spots. That try starts, in a
    // patch wider than a few cells, at a free spot inside the patch, and the
    // walk from it leads back onto an outline already traced: the outer one
    // is stored again as a hole of the patch (a disc standing in a ring's
    // hole gave eleven outlines for three), and the tries go on for as long
    // as free spots remain. A hole whose trace did not go all the way round
    // is found again by the scan through its other enclosed cells.
    auto take = [&](i32 k) {
        start = nearest_spot(k);
        if (!start.ok()) return false;
        const f32* s = rec(start).spot;
        f32 p[2];
        centre_of(k / G().ncol, k % G().ncol, p);
        f32 d[2] = {p[0] - s[0], p[1] - s[1]};
        unit2(d);
        z[0] = s[0] + R * d[0], z[1] = s[1] + R * d[1];
        T.tried[k] = 1;
        T.marked.push_back(k);
        return true;
    };
    // A hole lies inside the outer outline: only the cells over its box
    // (and one more each side) are scanned.
    const std::array<f32, 4>& b = T.poly[T.group].box;
    i32 r0 = 0, r1 = 0, c0 = 0, c1 = 0;
    cell_span(b[1], b[3], G().lo[1], G().ch, G().nrow, r0, r1);
    cell_span(b[0], b[2], G().lo[0], G().cw, G().ncol, c0, c1);
    const bool up = G().ch > 0;
    for (i32 n = 0; n < G().nrow; ++n) {
        const i32 r = up ? G().nrow - 1 - n : n;
        if (r < r0 || r > r1) continue;
        i32 runs = 0, rem = -1;
        bool inrun = false;
        for (i32 c = c0; c <= c1; ++c) {
            const ClnCell& k = cell(r, c);
            bool full = false;
            for (i32 i = 0; i < k.count && !full; ++i) full = G().recs[k.rec][i].state != CLN_DONE;
            if (full) {
                if (!inrun) {
                    ++runs;
                    if (runs >= 2 && rem >= 0 && hole_cell(rem, R, L) && take(rem)) return 0;
                    rem = -1;
                }
                inrun = true;
            } else {
                inrun = false;
                if (runs >= 1 && k.count == 0 && rem < 0) rem = r * G().ncol + c;
            }
        }
    }
    return 2;
}

// The first spot of the window within R of the centre c, not visited.
Ref clnfnd(const Ref& around, const f32* c, f32 R)
{
    Ref out;
    each(window(around.row, around.col), [&](const Ref& f) {
        if (out.ok()) return;
        const ClnSpot& s = rec(f);
        // visited spots and finished ones are passed over: a finished spot
        // belongs to a patch already done and is no free spot
        if (s.state == CLN_DONE || s.visits != 0) return;
        if (ltval(std::hypot(s.spot[0] - c[0], s.spot[1] - c[1]), R)) out = f;
    });
    return out;
}

// Walks from the hole start onto the hole's boundary: status 1 with the
// start of the outline, 2 when the walk finds no boundary.
i32 clnhol(f32 R, const Ref& from, const f32* z, Ref& start)
{
    Ref cho;
    f32 centre[2];
    start = from;
    // With no first pivot from the hole start, the start itself begins the
    // chain: a chain of that one point stores no outline, and the patch goes
    // on to its next hole.
    if (clnnxt(R, from, z, cho, centre) != 0) return 1;
    Ref last = from;
    for (;;) {
        const f32 *p = rec(last).spot, *q = rec(cho).spot;
        f32 c1[2], c2[2], h = 0;
        if (clnctr(p, q, R, 0, c1, h) == 2) return 2;
        clnctr(p, q, R, 1, c2, h);
        const Ref f1 = clnfnd(cho, c1, R), f2 = clnfnd(cho, c2, R);
        if (!f1.ok() || !f2.ok()) {
            // the pair (last, chosen) lies on the boundary: the chain starts
            // at its first point, the one the walk stood on
            start = last;
            return 1;
        }
        Ref next;
        if (rec(f1).visits == 0 && rec(f1).wflag == 0) next = f1;
        else if (rec(f2).visits == 0 && rec(f2).wflag == 0) next = f2;
        else return 2;
        // Each step flags its spot, so the walk ends.
        rec(next).wflag = 1;
        T.flagged.push_back(next);
        last = cho;
        cho = next;
    }
}

void clear_flags(const Window& w)
{
    each(w, [](const Ref& f) { rec(f).wflag = 0; });
}

// Finishes the taken spots and closes their cells.
void clnfin()
{
    for (const Ref& f : T.taken) {
        ClnSpot& s = rec(f);
        ClnCell& k = cell(f.row, f.col);
        if (s.state == CLN_TAKEN) s.state = CLN_DONE;
        if (k.type < 10) k.type += 10;
    }
    T.taken.clear();
}

// Clears the visit counts of the patch's taken spots (and the window flags
// the boundary walk set).
void clnclv(bool flags)
{
    for (const Ref& f : T.taken) rec(f).visits = 0;
    if (!flags) return;
    for (const Ref& f : T.flagged) rec(f).wflag = 0;
    T.flagged.clear();
}

// The highest free spot of the open cells (the first met on equal heights),
// from the top row down, stopping after the first row that holds one.
Ref new_start()
{
    const bool up = G().ch > 0;
    Ref out;
    f32 best = -1.0e20f;
    for (i32 n = T.row0; n < G().nrow && !out.ok(); ++n) {
        const i32 r = up ? G().nrow - 1 - n : n;
        for (i32 c = 0; c < G().ncol; ++c) {
            const ClnCell& k = cell(r, c);
            if (k.type >= 10) continue;
            for (i32 i = 0; i < k.count; ++i) {
                const ClnSpot& s = G().recs[k.rec][i];
                if (s.state == CLN_FREE && s.spot[1] > best) best = s.spot[1], out = Ref{r, c, i};
            }
        }
        // A spot never becomes free again while tracing: the rows above stay
        // without one.
        T.row0 = n;
    }
    return out;
}

// A kept loop shown as a curve entity at height 0: the host's polyline
// curve through its points, which are thinned within 0.01 already.
void show_loop(const f32* pts, i32 n)
{
    std::vector<f64> p;
    for (i32 k = 0; k < n; ++k) p.insert(p.end(), {f64(pts[2 * k]), f64(pts[2 * k + 1]), 0.0});
    i32 id = 0, st = 0;
    crcmpl(n, p.data(), id, st);
    if (st != 0 || id == 0) return;
    // The curve's vector is its placement point (its first point): it is
    // read as stored and only its height is set to 0, written back in the
    // work plane, whose coordinates the loop's points are. A vector of
    // (0, 0, 0) put instead would move the whole loop onto the origin.
    f64 level[3] = {0.0, 0.0, 0.0};
    DBDPTW(1, id, 1, level, st);
    level[2] = 0.0;
    if (st == 0) DBDPTW(2, id, 2, level, st);
    edisp(id, 1);
}

// Clears the patch's outlines through the pocket engine and keeps the tours
// in their place; with the option set each kept tour is also shown as a
// curve entity.
void clnpok(f32 R, i32 option)
{
    const i32 n = static_cast<i32>(T.poly.size()) - T.group;
    if (n <= 0) return;  // nothing traced: no contour to clear
    std::vector<i32> counts(n);
    std::vector<f32> allow(n);
    const size_t o = first_point(T.group);
    for (i32 k = 0; k < n; ++k) {
        const Poly& p = T.poly[T.group + k];
        counts[k] = p.npt;
        allow[k] = k == 0 || p.dir == -1 ? -p.width : p.width;
    }
    constexpr i32 ROOM = 700, POINTS = 7000;
    std::vector<i32> lc(ROOM, 0);
    std::vector<f32> lp(2 * POINTS, 0.0f);
    i32 nloops = ROOM, st = 0;
    ++T.clearings;
    clrpok(0, 0, 0.01f, 0.01f, n, counts.data(), T.xy.data() + o, allow.data(), nloops, lc.data(), lp.data(), st);
    // A clearing that fails hands back no loops: the patch keeps its traced
    // outlines rather than losing them to an empty result.
    if (st < 0) return;
    try {
        std::vector<f32> xy(T.xy.begin(), T.xy.begin() + static_cast<std::ptrdiff_t>(o));
        std::vector<Poly> poly(T.poly.begin(), T.poly.begin() + T.group);
        size_t at = 0;
        for (i32 k = 0; k < nloops && k < ROOM; ++k) {
            std::vector<f32> pts(lp.begin() + static_cast<std::ptrdiff_t>(at),
                                 lp.begin() + static_cast<std::ptrdiff_t>(at + 2 * static_cast<size_t>(lc[k])));
            at += 2 * static_cast<size_t>(lc[k]);
            f32 a = 0;
            plarea(pts.data(), lc[k], a);
            // The host's area is signed (negative for a clockwise loop): a
            // loop is kept by the size of its area, whichever way it turns,
            // or every clockwise tour would be lost.
            if (!(std::fabs(a) > R * R * 0.25f)) continue;
            Poly p{lc[k], 0, 0, {}, 0, T.patch};
            if (p.npt > 3) dilula(p.npt, pts.data(), 2, nullptr, 0, 0.01f);
            area_box(pts.data(), p.npt, p.area, p.box);
            p.dir = direction(pts.data(), p.npt, p.area);
            if (option != 0) show_loop(pts.data(), p.npt);
            xy.insert(xy.end(), pts.begin(), pts.begin() + 2 * p.npt);
            poly.push_back(p);
        }
        T.xy.swap(xy);
        T.poly.swap(poly);
    } catch (const std::bad_alloc&) {
        return;  // the old polylines stay
    }
    i32 rs = 0;
    find_regions_total(rs);
}

void keep()
{
    T.kept.clear();
    size_t o = 0;
    for (const Poly& p : T.poly) {
        ClnOutline out{p.patch, std::vector<f32>(T.xy.begin() + static_cast<std::ptrdiff_t>(o),
                                                 T.xy.begin() + static_cast<std::ptrdiff_t>(o + 2 * static_cast<size_t>(p.npt))),
                       p.width, p.area, {p.box[0], p.box[1], p.box[2], p.box[3]}, p.dir};
        T.kept.push_back(std::move(out));
        o += 2 * static_cast<size_t>(p.npt);
    }
}

}  // namespace

void clntrc_clear()
{
    T.xy.clear();
    T.poly.clear();
}

void clntrc_release()
{
    // The chain and the stores are the module's own growable arrays: their
    // release cannot fail, so there is no close error to post.
    std::vector<ChainEnt>().swap(T.chain);
    std::vector<f32>().swap(T.xy);
    std::vector<Poly>().swap(T.poly);
    std::vector<char>().swap(T.tried);
    std::vector<std::vector<char>>().swap(T.mine);
    std::vector<Ref>().swap(T.minerefs);
    std::vector<i32>().swap(T.marked);
    std::vector<Ref>().swap(T.taken);
    std::vector<Ref>().swap(T.flagged);
}

const std::vector<ClnOutline>& clntrc_outlines() { return T.kept; }
i32 clntrc_clearings() { return T.clearings; }
i32 clntrc_spots() { return T.spots; }

void clndrv(const i32& mode, const i32& option, i32& status)
{
    status = 0;
    T.kept.clear();
    T.clearings = 0;
    T.spots = 0;
    if (!G().open) return;
    const f32 R = 0.5f * clntool().d;
    size_t nrec = 0;
    for (const auto& v : G().recs) nrec += v.size();
    T.spots = static_cast<i32>(nrec);
    // An outline never holds more points than a few rounds of every spot: a
    // longer chain is closed where it stands.
    const size_t maxchain = 4 * nrec + 16;
    T.group = static_cast<i32>(T.poly.size());
    T.chain.clear();
    T.patch = -1;
    T.row0 = 0;
    T.taken.clear();
    T.flagged.clear();
    T.marked.clear();
    T.tried.assign(G().cells.size(), 0);
    T.mine.assign(G().recs.size(), {});
    for (size_t h = 0; h < G().recs.size(); ++h) T.mine[h].assign(G().recs[h].size(), 0);
    T.minerefs.clear();
    bool newpatch = true;
    i32 label = 0;
    while (status >= 0) {
        Ref start;
        f32 z[2];
        if (newpatch) {
            if (mode == 1) clnpok(R, option);
            T.group = static_cast<i32>(T.poly.size());
            start = new_start();
            if (!start.ok()) break;
            const f32* s = rec(start).spot;
            if (clninp(s)) {
                clnkil(start.row, start.col);
                continue;
            }
            ++T.patch;
            label = 0;
            for (i32 k : T.marked) T.tried[static_cast<size_t>(k)] = 0;
            T.marked.clear();
            for (const Ref& f : T.minerefs) patch_mark(f) = 0;
            T.minerefs.clear();
            patch_spots(start, R);
            z[0] = s[0] - R, z[1] = s[1];
        } else {
            if (clnstr(R, label, start, z) == 2) {
                clnclv(false);
                clnfin();
                T.chain.clear();
                newpatch = true;
                continue;
            }
            Ref from = start;
            const i32 st = clnhol(R, from, z, start);
            if (st == 2 || st < 0) {
                clnfin();
                T.chain.clear();
                newpatch = true;
                continue;
            }
            clnclv(true);
        }
        cndins(start, status);
        Ref cur = start;
        Window w = window(cur.row, cur.col);
        while (status >= 0 && T.chain.size() < maxchain) {
            Ref cho;
            f32 c[2];
            const i32 st = clnnxt(R, cur, z, cho, c);
            if (st != 0) break;
            cndins(cho, status);
            clear_flags(w);
            cur = cho;
            w = window(cur.row, cur.col);
            z[0] = c[0], z[1] = c[1];
        }
        if (status < 0) break;
        clear_flags(w);
        clnpol(R, status);
        ++label;
        newpatch = false;
        T.chain.clear();
    }
    T.chain.clear();
    keep();
}
