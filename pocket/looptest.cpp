// Containment and side tests of plane loops, their searches over the offset
// loop table, and nearest points and distances of loops.
#include "pocket/looptest.h"

#include <cmath>

#include "cleanup/lanecut.h"
#include "cleanup/lansrf.h"
#include "cleanup/mapgrid.h"
#include "core/host.h"
#include "pocket/crossing.h"
#include "pocket/luptab.h"
#include "pocket/pkgeom.h"
#include "pocket/pkmath.h"
#include "pocket/pokvals.h"

// ----------------------------------------------------------- containment

void lup_arc_sweep(const f64&, const i32& dir, const f64& cx, const f64& cy, const f64& sx, const f64& sy,
                   const f64& ex, const f64& ey, f64& sweep)
{
    const f64 full = 6.2831854820251465;
    f64 as = std::atan2(sy - cy, sx - cx), ae = std::atan2(ey - cy, ex - cx);
    sweep = dir == 1 ? ae - as : as - ae;
    if (sweep < 0.0) sweep += full;
    if (sweep >= full) sweep -= full;
}

void lup_arc_chords(const f64& tol, const f64& r, const i32& dir, const f64& cx, const f64& cy, const f64& sx,
                    const f64& sy, const f64& ex, const f64& ey, f64* ox, f64* oy, i32& n)
{
    // A radius below half the tolerance: one chord may span the whole turn.
    f64 c = r > 0.0 ? 1.0 - tol / r : -1.0;
    f64 step = 2.0 * pk_arcos(c);
    f64 sweep = 0.0;
    lup_arc_sweep(r, dir, cx, cy, sx, sy, ex, ey, sweep);
    i32 m = step > 0.0 ? static_cast<i32>(sweep / step) + 1 : 90;
    if (m < 3) m = 3;
    if (m > 90) m = 90;
    f64 rot = sweep / m * (dir == -1 ? -1.0 : 1.0);
    f64 ux = sx - cx, uy = sy - cy, l = 0.0;
    pk_unit2(ux, uy, l);
    ox[0] = sx;
    oy[0] = sy;
    for (i32 i = 1; i < m; ++i) {
        f64 a = rot * i, ca = std::cos(a), sa = std::sin(a);
        ox[i] = cx + r * (ux * ca - uy * sa);
        oy[i] = cy + r * (ux * sa + uy * ca);
    }
    ox[m] = ex;
    oy[m] = ey;
    n = m + 1;
}

void lup_first_side(const pokarr& piece, const pokarr& loop, i32& answer, i32& status)
{
    answer = 2;
    status = 0;
    for (i32 k = 0; k < piece.count; ++k) {
        if (pk_arc_at(piece.x[k])) {
            k += 2;
            continue;
        }
        lup_inside(piece.x[k], piece.y[k], loop, answer, status);
        if (status != 0 || answer != 2) return;
    }
    answer = 2;
}

void lup_inside(const f64& x, const f64& y, const pokarr& loop, i32& result, i32& status)
{
    status = 0;
    result = 0;
    if (loop.count < 1 || loop.dims < 2) return;
    pokarr w;
    pokarr_init_dyn(1, 2 * loop.count + 2, w, status);
    if (status != 0) {
        pokarr_free(w);
        status = 11;
        return;
    }
    auto add = [&](f64 px, f64 py) -> bool {
        if (w.count >= 2 && pk_eq(px, w.x[w.count - 2]) && pk_eq(py, w.x[w.count - 1])) return true;
        i32 st = 0;
        pokarr_add_vals(px, &py, nullptr, nullptr, w, st);
        return st == 0;
    };
    bool ok = add(loop.x[0], loop.y[0]);
    f64 ax[91], ay[91];
    for (i32 k = 1; ok && k < loop.count; ++k) {
        if (pk_arc_at(loop.x[k]) && k + 3 < loop.count) {
            i32 n = 0;
            lup_arc_chords(0.001, loop.x[k + 1], loop.y[k + 1] < 0.0 ? -1 : 1, loop.x[k + 2], loop.y[k + 2],
                           loop.x[k - 1], loop.y[k - 1], loop.x[k + 3], loop.y[k + 3], ax, ay, n);
            i32 st = 0;
            pokarr_resize(w, w.count + 2 * n, st);
            ok = st == 0;
            for (i32 m = 0; ok && m < n; ++m) ok = add(ax[m], ay[m]);
            k += 3;
            continue;
        }
        ok = add(loop.x[k], loop.y[k]);
    }
    if (!ok) {
        pokarr_free(w);
        status = 11;
        return;
    }
    f64 tol = pokdim == 2 ? (pokpar.side < 0.001 ? pokpar.side : 0.001) : 1.0e-6;
    const f64 p[2] = {x, y};
    i32 ans = 0;
    inpold(tol, w.x, w.count / 2, 1, p, ans);
    result = ans == 3 ? 0 : ans;
    pokarr_free(w);
}

namespace {

// Height reached by a walk over the map grid from (x, y, z) along the
// segment `seg` of loop a (end minus start, times sign) for `len`; false
// (status set) when the direction has no length or the grid refuses.
bool walk_along(const pokarr& a, i32 seg, f64 sign, f64 x, f64 y, f64 z, f64 len, f64& zend, i32& status)
{
    if (seg < 1 || seg >= a.count) {
        status = 11;
        return false;
    }
    // An arc segment is numbered by its marker entry, which holds no point:
    // the walk then goes along the arc's chord, to its end entry.
    const i32 e = seg + 3 < a.count && pk_arc_at(a.x[seg]) ? seg + 3 : seg;
    f64 d[3] = {sign * (a.x[e] - a.x[seg - 1]), sign * (a.y[e] - a.y[seg - 1]), sign * (a.z[e] - a.z[seg - 1])},
        l = 0.0;
    if (!pk_unit3(d, l)) {
        status = 11;
        return false;
    }
    f64 rec[12] = {x, y, z, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    i32 st = 0;
    seg_on_grid(0, rec, d, len, nullptr, st);
    if (st < 0) {
        status = st;
        return false;
    }
    zend = rec[5];
    return true;
}

}  // namespace

void lup_side(const pokarr& a, const pokarr& b, i32 sign, const f64& distance, i32& result, i32& status)
{
    status = 0;
    result = 2;
    // The height test needs heights on both loops: with either of them a
    // plane loop there is none to compare, and the plane test below decides.
    if (a.dims != 2 && b.dims != 2) {
        // on the surfaces: the first crossing whose heights differ enough
        // tells the side by the way the surface rises along A there
        const f64 thr = pokpar.side <= 0.5 * distance ? pokpar.side : 0.5 * distance;
        CrossTable t;
        i32 count = 0, st = 0;
        lup_intersect_kept(102, a, b, t, count, st);
        if (st < 0) {
            status = 11;
            return;
        }
        for (i32 k = 0; k < count; ++k) {
            const size_t u = static_cast<size_t>(k);
            const f64 za = t.h1[u], zb = t.h2[u];
            if (std::fabs(zb - za) < thr) continue;
            f64 z = 0.0;
            if (!walk_along(a, std::abs(t.aseg[u]), sign, t.x[u], t.y[u], za, 0.5 * std::fabs(zb - za), z, status))
                return;
            result = !(z > za) ? (zb > za ? 1 : 0) : (zb <= za ? 1 : 0);
            return;
        }
    }
    for (i32 k = 0; k < b.count && result == 2 && status == 0;) {
        lup_inside(b.x[k], b.y[k], a, result, status);
        k += k + 1 < b.count && pk_arc_at(b.x[k + 1]) ? 4 : 1;
    }
}

namespace {

// The loop of row k into `loop`; false when it cannot be loaded.
bool load_row(i32 k, pokarr& loop)
{
    i32 st = 0;
    lup_get_pokarr(k, loop, st);
    return st == 0;
}

// Whether the two loops cross (mode of the crossing walk), -1 on failure
// (`st` then holds the search's status, 11 when it failed without one).
i32 crossing(i32 mode, const pokarr& a, const pokarr& b, i32& st)
{
    CrossTable t;
    i32 count = 0;
    st = 0;
    lup_intersect_kept(mode, a, b, t, count, st);
    if (st < 0 || count < 0) {
        if (st >= 0) st = 11;
        return -1;
    }
    return count != 0 ? 1 : 0;
}

}  // namespace

void lup_vs_islands(i32 mode, i32 skip, i32 ownrow, const pokarr& loop, i32& result, i32& status)
{
    status = 0;
    result = 0;
    if (loop.count < 1) return;
    f64 own[4] = {0, 0, 0, 0};
    if (ownrow != -1) {
        pokarr tmp = loop;  // a window on the loop's points for the box
        tmp.storage = PKS_CHILD;
        lup_box(ownrow, -1, tmp, own, status);
        if (status != 0) {
            status = 11;
            return;
        }
    }
    pokarr isl;
    pokarr_init(loop.dims, isl);
    for (i32 n = 1; n <= pk_nisland; ++n) {
        i32 key = 10000 + n;
        if (key == skip || n <= pk_isl_skip) continue;
        i32 row = 0;
        if (mode == 1 || mode == 2) {
            // island n sits at row n + 1; a row that cannot be loaded is a
            // failure, not an island passed over with no answer
            row = n + 1;
            if (row > lup_count || !load_row(row, isl)) {
                status = 11;
                break;
            }
        } else {
            lup_find(0, 1, key, 1, row, isl, status);
            if (status != 0) {
                status = 11;
                break;
            }
            if (row == 0) continue;
        }
        if (ownrow != -1) {
            f64 ib[4];
            lup_box(row, -1, isl, ib, status);
            if (status != 0) {
                status = 11;
                break;
            }
            if (!pk_box_ovl2(own[0], own[1], own[2], own[3], ib[0], ib[1], ib[2], ib[3])) continue;
        }
        i32 ans = 0;
        lup_inside(loop.x[0], loop.y[0], isl, ans, status);
        if (status != 0) break;
        if ((mode == 1 && ans != 0) || (mode == 2 && ans == 1)) {
            result = ans;
            break;
        }
        result = 0;
        i32 cst = 0, c = crossing(100, isl, loop, cst);
        if (c < 0) {
            status = 11;
            break;
        }
        if (c > 0) {
            result = 2;
            break;
        }
    }
    pokarr_free(isl);
}

void lup_vs_loops(i32 count, const pokarr& loop, i32& stop, i32& status)
{
    status = 0;
    stop = 0;
    if (loop.count < 1) return;
    pokarr found;
    pokarr_init(loop.dims, found);
    bool any = false;
    f64 found_value = 0.0;
    for (i32 key = 1; key <= count && stop != 1; ++key) {
        i32 row = 0;
        pokarr cand;
        pokarr_init(loop.dims, cand);
        lup_find(0, 1, key, 1, row, cand, status);
        if (status != 0) {
            pokarr_free(cand);
            status = 11;
            break;
        }
        if (row == 0) {
            pokarr_free(cand);
            continue;
        }
        any = true;
        found_value = lup_row(row).value;
        i32 st = 0;
        pokarr_free(found);
        pokarr_move(cand, found, st);
        pokarr_free(cand);
        i32 ans = 0;
        if (loop.dims != 2)
            lup_side(found, loop, key < 10000 ? 1 : -1, pokpar.radius, ans, status);
        else
            lup_inside(loop.x[0], loop.y[0], found, ans, status);
        if (status != 0) {
            status = 11;  // a failed test (the grid walk's own status too)
            break;
        }
        if (ans == 1) stop = 1;
    }
    if (status == 0 && any && pk_cnt_kind(1) == 2) {
        CrossTable t;
        i32 c = 0, st = 0;
        lup_intersect_kept(4, found, loop, t, c, st);
        if (st < 0 || c < 0) {
            status = 11;
        } else if (c > 0 && loop.dims != 2) {
            const f64 lim = 0.5 * (found_value > 0.0 ? std::min(pokpar.radius, found_value) : pokpar.radius);
            for (i32 k = 0; k < c && stop != 1; ++k)
                if (std::fabs(t.h1[static_cast<size_t>(k)]) < lim) stop = 1;
        } else if (c > 0) {
            stop = 2;
        }
    }
    pokarr_free(found);
}

namespace {

// The islands other than keys a and b (kind not 2), found by key with
// sub-key 1, handed to `test` until it answers true (the search ends).
template <class Test>
void each_island(i32 dims, i32 keya, i32 keyb, i32& status, Test test)
{
    pokarr isl;
    pokarr_init(dims, isl);
    for (i32 n = 1; n <= pk_nisland && status == 0; ++n) {
        i32 key = 10000 + n;
        if (key == keya || key == keyb || pk_cnt_kind(key) == 2) continue;
        i32 row = 0;
        lup_find(0, 1, key, 1, row, isl, status);
        if (status != 0) {
            status = 11;
            break;
        }
        if (row == 0) continue;
        if (test(isl, row)) break;
    }
    pokarr_free(isl);
}

}  // namespace

namespace {

// The test of a 3-D loop against one island: the crossings with heights
// (mode 2 all, 102 the first). A crossing nearer in height than any before
// it and less than the side value above the loop gives 2; else, at the
// crossing nearest in height, a walk of half the tool radius along the
// loop's segment backwards tells whether the island lies on the loop's side
// (1). Without crossings the loop's first point inside the island decides.
// True when the search ends.
bool vs_island3d(i32 mode, const pokarr& loop, const pokarr& isl, i32& result, i32& status)
{
    CrossTable t;
    i32 count = 0, st = 0;
    lup_intersect_kept(mode, loop, isl, t, count, st);
    if (st < 0 || count < 0) {
        // lup_vs_loops3d (mode 2) hands a negative status of the crossing
        // search on as it is; lup_vs_comlup makes every failure 11
        status = mode == 2 && st < 0 ? st : 11;
        return true;
    }
    if (count == 0) {
        i32 ans = 0;
        lup_inside(loop.x[0], loop.y[0], isl, ans, status);
        if (status != 0) {
            status = 11;
            return true;
        }
        if (ans != 0) result = ans;
        return ans != 0;
    }
    f64 best = 1.0e10;
    i32 bk = -1;
    for (i32 k = 0; k < count; ++k) {
        const f64 dz = t.h2[static_cast<size_t>(k)] - t.h1[static_cast<size_t>(k)];
        if (!(std::fabs(dz) < best)) continue;
        best = std::fabs(dz);
        bk = k;
        if (dz < pokpar.side) {
            result = 2;
            return true;
        }
    }
    // The walk goes along the loop's segment of that crossing as the
    // crossing table names it, for lup_vs_comlup as well: the table's
    // segment is the one the crossing search's line intersection and arc
    // point compare found, which is the pair that routine would name.
    const size_t u = static_cast<size_t>(bk);
    const f64 za = t.h1[u], dz = t.h2[u] - za;
    f64 z = 0.0;
    if (!walk_along(loop, std::abs(t.aseg[u]), -1.0, t.x[u], t.y[u], za, 0.5 * pokpar.radius, z, status)) {
        status = 11;
        return true;
    }
    if ((dz != 0.0) != (z > za)) {
        result = 1;
        return true;
    }
    return false;
}

}  // namespace

void lup_vs_loops3d(const pokarr& loop, const i32& keya, const i32& keyb, i32& result, i32& status)
{
    status = 0;
    result = 0;
    if (loop.count < 1) return;
    each_island(loop.dims, keya, keyb, status, [&](const pokarr& isl, i32) {
        if (loop.dims != 2) return vs_island3d(2, loop, isl, result, status);
        i32 cst = 0, c = crossing(100, loop, isl, cst);
        if (c < 0) {
            status = cst;  // a negative status of the crossing search as it is
            return true;
        }
        if (c > 0) {
            result = 2;
            return true;
        }
        i32 ans = 0;
        lup_inside(loop.x[0], loop.y[0], isl, ans, status);
        if (status != 0) {
            status = 11;
            return true;
        }
        if (ans != 0) {
            result = 1;
            return true;
        }
        return false;
    });
}

void lup_vs_comlup(const pokarr& loop, const i32& keya, const i32& keyb, i32& result, i32& status)
{
    status = 0;
    result = 0;
    if (loop.count < 1) return;
    each_island(loop.dims, keya, keyb, status, [&](const pokarr& isl, i32) {
        if (loop.dims != 2) return vs_island3d(102, loop, isl, result, status);
        i32 ans = 0;
        lup_inside(loop.x[0], loop.y[0], isl, ans, status);
        if (status != 0) {
            status = 11;
            return true;
        }
        if (ans != 0) {
            // The side is taken against the island found here: the island of
            // key k sits at row k - 10000 + 1 (the outer contour at row 1),
            // so row "key - 10000" would be the island before it.
            lup_side(isl, loop, -1, pokpar.radius, result, status);
            if (status != 0) status = 11;
            return true;
        }
        i32 cst = 0, c = crossing(100, loop, isl, cst);
        if (c < 0) {
            status = 11;
            return true;
        }
        if (c > 0) {
            result = 2;
            return true;
        }
        return false;
    });
}

void lup_pick_first(const i32& i, const i32& j, i32& status)
{
    status = 0;
    if (i >= j || i < 1 || j > lup_count) return;
    i32 first = 0;
    for (i32 k = i; k <= j && first == 0; ++k)
        if (lup_row(k).key == 1) first = k;
    if (first == 0) return;
    const f64 p[3] = {pkoff.start[0] - pokorigin[0], pkoff.start[1] - pokorigin[1], 0.0};
    i32 best = 0;
    f64 bd = 1.0e7;
    pokarr loop;
    pokarr_init(pokdim == 2 ? 2 : 3, loop);
    for (i32 k = i; k <= j; ++k) {
        if (!load_row(k, loop)) {
            status = 11;
            break;
        }
        i32 seg = -1;
        f64 t = 0.0, foot[3], d = 0.0;
        pk_seg_locate(2, p, loop, seg, t, foot, d);
        if (d < bd) {
            bd = d;
            best = k;
        }
    }
    pokarr_free(loop);
    if (status != 0 || best == 0 || best == first) return;
    lup_row(first).key = lup_row(best).key;
    lup_row(best).key = 1;
}

void lane_cross_find(i32 rowa, i32 rowb, const pokarr& lane, const f64* lanedata, i32& row, i32& status)
{
    (void)lanedata;
    status = 0;
    row = 0;
    if (lane.count < 2) return;
    const f64 from[2] = {lane.x[0], lane.y[0]}, to[2] = {lane.x[lane.count - 1], lane.y[lane.count - 1]};
    pokarr loop;
    pokarr_init(2, loop);
    auto test = [&](i32 k) -> bool {
        if (!load_row(k, loop)) {
            status = -1;
            return true;
        }
        f64 pt[2];
        i32 found = 0;
        lup_seg_cross(3, from, to, loop, pt, found);
        if (found == 0 || (found == 1 && (k == rowa || k == rowb))) return false;
        row = k;
        status = found;
        return true;
    };
    bool done = false;
    if (d3ds_running()) {
        // The surface algorithm's variant: the rows that end a loop (negative
        // sub-key) stand for their parents, tested while those are live.
        for (i32 k = 1; k <= lup_count && !done; ++k) {
            const i32 p = lup_row(k).parent;
            if (lup_row(k).subkey < 0 && p >= 1 && p <= lup_count && lup_row(p).subkey > 0) done = test(p);
        }
        pokarr_free(loop);
        return;
    }
    for (i32 n = 1; n <= pk_nisland && !done; ++n) {
        i32 key = 10000 + n;
        if (pk_cnt_kind(key) == 2) continue;
        i32 k = 0, st = 0;
        lup_find(0, 1, key, 1, k, loop, st);
        if (st != 0) {
            status = -1;
            done = true;
        } else if (k != 0) {
            done = test(k);
        }
    }
    // Every island row of sub-key 1: no row is passed over for its island's
    // kind here (the kind table is indexed by island, not by row).
    for (i32 k = 1; k <= lup_count && !done; ++k)
        if (lup_row(k).key >= 10001 && lup_row(k).subkey == 1) done = test(k);
    pokarr_free(loop);
}

// -------------------------------------------------------- nearest points

namespace {

// One segment of a point list: start entry, kind and data.
struct ListSeg {
    i32 num;  // segment number (its closing entry)
    bool arc;
    f64 sx, sy, ex, ey, cx, cy, r;
    i32 dir;
};

// Box of a segment grown by m on every side.
void list_seg_box(const ListSeg& s, f64 m, f64* lo, f64* hi)
{
    if (s.arc) {
        pk_arc_box(s.cx, s.cy, s.r, s.dir, s.sx, s.sy, s.ex, s.ey, lo[0], lo[1], hi[0], hi[1]);
    } else {
        lo[0] = std::min(s.sx, s.ex);
        lo[1] = std::min(s.sy, s.ey);
        hi[0] = std::max(s.sx, s.ex);
        hi[1] = std::max(s.sy, s.ey);
    }
    for (int c = 0; c < 2; ++c) {
        lo[c] -= m;
        hi[c] += m;
    }
}

// Walks the segments of a list of entries (arcs inline).
template <class Visit>
void each_seg(const f64* x, const f64* y, i32 n, Visit visit)
{
    for (i32 k = 1; k < n;) {
        ListSeg s{};
        s.num = k;
        s.sx = x[k - 1];
        s.sy = y[k - 1];
        if (pk_arc_at(x[k]) && k + 3 < n) {
            s.arc = true;
            s.r = x[k + 1];
            s.dir = y[k + 1] < 0.0 ? -1 : 1;
            s.cx = x[k + 2];
            s.cy = y[k + 2];
            s.ex = x[k + 3];
            s.ey = y[k + 3];
            k += 4;
        } else if (pk_arc_at(x[k])) {
            break;
        } else {
            s.arc = false;
            s.ex = x[k];
            s.ey = y[k];
            k += 1;
        }
        if (!visit(s)) break;
    }
}

// Distance, foot and parameter of a point on a segment.
void seg_foot(const ListSeg& s, f64 px, f64 py, f64& d, f64& fx, f64& fy, f64& t)
{
    if (s.arc) {
        pk_pnt_arc(2, px, py, s.r, s.dir, s.cx, s.cy, s.sx, s.sy, s.ex, s.ey, d, fx, fy, t);
        if (t == 99.0) {  // the point at the centre: the arc's start
            fx = s.sx;
            fy = s.sy;
            t = 0.0;
        }
        return;
    }
    pk_dist_seg(1, px, py, s.sx, s.sy, s.ex, s.ey, d, fx, fy);
    const f64 a[2] = {s.sx, s.sy}, b[2] = {s.ex, s.ey}, f[2] = {fx, fy};
    pk_max_axis(2, a, b, f, t);
}

// The nearest-point scan with the tie rule (a later candidate within 1e-6
// wins) and the exclusion of the previous answer.
void near_scan(f64 px, f64 py, const f64* x, const f64* y, i32 n, i32& seg, f64& t, f64& fx, f64& fy, f64& dist,
               bool stop_at_zero)
{
    bool has_prev = seg > 0;
    i32 pseg = seg;
    f64 pt = t, pd = dist, pfx = fx, pfy = fy;
    seg = 0;
    t = 0.0;
    fx = fy = 0.0;
    dist = 1.0e7;
    auto offer = [&](i32 s, f64 d, f64 cx, f64 cy, f64 ct) {
        if (has_prev && s == pseg && pk_eq(d, pd) && pk_eq(ct, pt)) d = 1.0e10;
        if (d < dist + 1.0e-6) {
            seg = s;
            dist = d;
            fx = cx;
            fy = cy;
            t = ct;
        }
    };
    each_seg(x, y, n, [&](const ListSeg& s) {
        offer(s.num, std::hypot(px - s.sx, py - s.sy), s.sx, s.sy, 0.0);
        f64 d = 0.0, cx = 0.0, cy = 0.0, ct = 0.0;
        seg_foot(s, px, py, d, cx, cy, ct);
        offer(s.num, d, cx, cy, ct);
        return !(stop_at_zero && dist <= 0.0);
    });
    if (has_prev && dist > pd + 1.0e-6) {
        seg = pseg;
        t = pt;
        dist = pd;
        fx = pfx;
        fy = pfy;
    }
}

}  // namespace

void pk_near_point(const f64& px, const f64& py, const f64* x, const f64* y, const i32& n, i32& seg, f64& t,
                   f64& fx, f64& fy, f64& dist)
{
    near_scan(px, py, x, y, n, seg, t, fx, fy, dist, false);
}

namespace {

f64 dist3(const f64* a, const f64* b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

// Entry k of a loop as a 3-D point (0 height in a plane loop).
void entry3(const pokarr& a, i32 k, f64* q)
{
    q[0] = a.x[k];
    q[1] = a.y[k];
    q[2] = a.dims >= 3 ? a.z[k] : 0.0;
}

// The nearest-point scan in 3-D, with the tie rule and the exclusion of the
// previous answer of the plane scan. A straight segment runs from entry to
// entry in space; an arc is measured in plan by the point-to-arc routine, its
// foot at the height of the arc's centre entry, and is named by its marker
// entry, as the plane scan names it.
void near_scan3(const f64* p, const pokarr& a, i32& seg, f64& t, f64* foot, f64& dist)
{
    const bool has_prev = seg > 0;
    const i32 pseg = seg;
    const f64 pt = t, pd = dist, pf[3] = {foot[0], foot[1], foot[2]};
    seg = 0;
    t = 0.0;
    dist = 1.0e7;
    auto offer = [&](i32 s, f64 d, const f64* f, f64 ct) {
        if (has_prev && s == pseg && pk_eq(d, pd) && pk_eq(ct, pt)) d = 1.0e10;
        if (d < dist + 1.0e-6) {
            seg = s;
            dist = d;
            t = ct;
            for (i32 c = 0; c < 3; ++c) foot[c] = f[c];
        }
    };
    for (i32 k = 0; k + 1 < a.count && dist > 0.0;) {
        const bool arc = pk_arc_at(a.x[k + 1]);
        if (arc && k + 4 >= a.count) break;  // an arc cut short by the array's end
        const i32 e = arc ? k + 4 : k + 1;
        f64 s0[3], s1[3];
        entry3(a, k, s0);
        entry3(a, e, s1);
        offer(k + 1, dist3(p, s0), s0, 0.0);
        if (arc) {
            ListSeg g{};
            g.num = k + 1;
            g.arc = true;
            g.sx = s0[0];
            g.sy = s0[1];
            g.r = a.x[k + 2];
            g.dir = a.y[k + 2] < 0.0 ? -1 : 1;
            g.cx = a.x[k + 3];
            g.cy = a.y[k + 3];
            g.ex = s1[0];
            g.ey = s1[1];
            f64 d = 0.0, ct = 0.0, f[3] = {0.0, 0.0, a.dims >= 3 ? a.z[k + 3] : 0.0};
            seg_foot(g, p[0], p[1], d, f[0], f[1], ct);
            offer(k + 1, dist3(p, f), f, ct);
        } else {
            const f64 u[3] = {s1[0] - s0[0], s1[1] - s0[1], s1[2] - s0[2]};
            const f64 uu = u[0] * u[0] + u[1] * u[1] + u[2] * u[2];
            f64 ct = uu > 0.0 ? ((p[0] - s0[0]) * u[0] + (p[1] - s0[1]) * u[1] + (p[2] - s0[2]) * u[2]) / uu : 0.0;
            ct = std::min(1.0, std::max(0.0, ct));
            const f64 f[3] = {s0[0] + ct * u[0], s0[1] + ct * u[1], s0[2] + ct * u[2]};
            offer(k + 1, dist3(p, f), f, ct);
        }
        k = e;
    }
    if (has_prev && dist > pd + 1.0e-6) {
        seg = pseg;
        t = pt;
        dist = pd;
        for (i32 c = 0; c < 3; ++c) foot[c] = pf[c];
    }
}

bool plane_dims(i32 dim, const pokarr& loop) { return dim == 2 || loop.dims == 2; }

}  // namespace

i32 pk_surf_dist(const f64* a, const f64* b, f64& length)
{
    length = 0.0;
    if (pk_eqpt3(a, b) != 0) return 0;
    pokarr w;
    i32 st = 0;
    pokarr_init_dyn(3, 2, w, st);
    if (st == 0) {
        w.count = 0;
        pokarr_add_pnt(a, w, st);
        if (st == 0) pokarr_add_pnt(b, w, st);
    }
    const f64 step = 0.5 * pkoff.seg_tol;
    if (st == 0) lan_on_grid(0, w, &step, st);
    if (st == 0)
        for (i32 k = 1; k < w.count; ++k) {
            f64 p[3], q[3];
            entry3(w, k - 1, p);
            entry3(w, k, q);
            length += dist3(p, q);
        }
    pokarr_free(w);
    if (st != 0) {
        // a failure is not a length: the caller keeps its straight distance
        length = dist3(a, b);
        return -1;
    }
    return 0;
}

void pk_seg_locate(i32 dim, const f64* p, const pokarr& loop, i32& seg, f64& t, f64* foot, f64& dist)
{
    const bool reference = seg < -1;
    const f64 ref = dist;
    if (seg < -1) seg = -1;
    if (seg < 1) seg = 0;
    if (plane_dims(dim, loop)) {
        f64 fx = foot[0], fy = foot[1];
        near_scan(p[0], p[1], loop.x, loop.y, loop.count, seg, t, fx, fy, dist, true);
        foot[0] = fx;
        foot[1] = fy;
    } else {
        near_scan3(p, loop, seg, t, foot, dist);
        // Near the reference the distance becomes the way over the surfaces
        // to the foot found: the way to the loop's last point would measure
        // a point that has nothing to do with the nearest one.
        f64 len = 0.0;
        if (reference && dist < ref + 1.0e-6 && pk_surf_dist(p, foot, len) == 0) dist = len;
    }
    if (seg == 0) seg = -1;
}

void pk_far_vertex(i32 dim, const f64* p, const pokarr& loop, i32& vertex, f64& t, f64* foot, f64& dist)
{
    const bool plane = plane_dims(dim, loop);
    dist = -1.0e7;
    vertex = -1;
    t = 0.0;
    for (i32 k = 0; k < loop.count; ++k) {
        if (pk_arc_at(loop.x[k])) {
            k += 2;
            continue;
        }
        f64 q[3];
        entry3(loop, k, q);
        const f64 d = plane ? std::hypot(q[0] - p[0], q[1] - p[1]) : dist3(p, q);
        if (gtvald(d, dist)) {
            dist = d;
            vertex = k;
            for (i32 c = 0; c < (plane ? 2 : 3); ++c) foot[c] = q[c];
        }
    }
    if (!plane && vertex >= 0) {
        f64 len = 0.0;
        if (pk_surf_dist(p, foot, len) == 0) dist = len;
    }
}

// "Each vertex of loop 2 (its segment boxes, also enlarged)" is read as the
// vertex's own box, a point enlarged by the margin on every side: the
// candidates are vertices, and a vertex near a segment of loop 1 is exactly
// one whose margin box meets that segment's margin box.
void lup_min_dist(const f64& margin, const f64* x2, const f64* y2, const i32& n2, const f64* x1, const f64* y1,
                  const i32& n1, i32& seg, f64& t, f64& fx, f64& fy, f64& dist, i32& word)
{
    word = 0;
    dist = 1.0e7;
    if (n1 < 2) return;
    each_seg(x1, y1, n1, [&](const ListSeg& s) {
        f64 b[4];
        list_seg_box(s, margin, b, b + 2);
        for (i32 k = 0; k < n2; ++k) {
            if (pk_arc_at(x2[k])) {
                k += 2;
                continue;
            }
            f64 vx = x2[k], vy = y2[k];
            if (!pk_box_ovl2(b[0], b[1], b[2], b[3], vx - margin, vy - margin, vx + margin, vy + margin)) continue;
            f64 d = std::hypot(vx - s.sx, vy - s.sy);
            if (levald(d, dist)) {
                dist = d;
                seg = s.num;
                t = 0.0;
                fx = s.sx;
                fy = s.sy;
            }
            f64 cx = 0.0, cy = 0.0, ct = 0.0;
            seg_foot(s, vx, vy, d, cx, cy, ct);
            if (levald(d, dist)) {
                dist = d;
                seg = s.num;
                t = ct;
                fx = cx;
                fy = cy;
            }
        }
        return true;
    });
}

namespace {

// One segment of a pocket array in space: its number (the closing entry, or
// an arc's marker) and its ends; an arc is taken as its chord.
struct Seg3 {
    i32 num;
    f64 s[3], e[3];
};

template <class Visit>
void each_seg3(const pokarr& a, Visit visit)
{
    for (i32 k = 1; k < a.count;) {
        Seg3 g{};
        g.num = k;
        i32 end = k;
        if (pk_arc_at(a.x[k])) {
            if (k + 3 >= a.count) break;
            end = k + 3;
        }
        entry3(a, k - 1, g.s);
        entry3(a, end, g.e);
        if (!visit(g)) break;
        k = end + 1;
    }
}

// Distance of p from the segment, its foot and parameter.
f64 foot3(const Seg3& g, const f64* p, f64* f, f64& t)
{
    const f64 u[3] = {g.e[0] - g.s[0], g.e[1] - g.s[1], g.e[2] - g.s[2]};
    const f64 uu = u[0] * u[0] + u[1] * u[1] + u[2] * u[2];
    t = uu > 0.0 ? ((p[0] - g.s[0]) * u[0] + (p[1] - g.s[1]) * u[1] + (p[2] - g.s[2]) * u[2]) / uu : 0.0;
    t = std::min(1.0, std::max(0.0, t));
    for (i32 c = 0; c < 3; ++c) f[c] = g.s[c] + t * u[c];
    return dist3(p, f);
}

// Box of a segment in space grown by m.
void seg3_box(const Seg3& g, f64 m, f64* lo, f64* hi)
{
    for (i32 c = 0; c < 3; ++c) {
        lo[c] = std::min(g.s[c], g.e[c]) - m;
        hi[c] = std::max(g.s[c], g.e[c]) + m;
    }
}

}  // namespace

void pk_nearest_pair(f64 margin, const pokarr& a, i32 a0, i32 a1, const pokarr& b, i32 b0, i32 b1, i32& sega,
                     f64& ta, i32& segb, f64& tb, f64& dist, f64* point, i32& kind)
{
    dist = 1.0e10;
    kind = -1;
    sega = segb = 0;
    ta = tb = 0.0;
    f64 m = margin + 1.0e-6;
    const bool space = a.dims != 2;
    auto take = [&](f64 d, i32 sa, f64 pa, i32 sb, f64 pb, const f64* q, i32 k) {
        if (d <= dist) {
            dist = d;
            sega = sa;
            ta = pa;
            segb = sb;
            tb = pb;
            for (i32 c = 0; c < (space ? 3 : 2); ++c) point[c] = q[c];
            kind = k;
        }
    };
    if (space) {
        // A on the surfaces: the same candidates measured in space
        each_seg3(a, [&](const Seg3& sa) {
            if (sa.num < a0) return true;
            if (sa.num > a1) return false;
            f64 alo[3], ahi[3];
            seg3_box(sa, m, alo, ahi);
            each_seg3(b, [&](const Seg3& sb) {
                if (sb.num < b0) return true;
                if (sb.num > b1) return false;
                f64 blo[3], bhi[3], f[3], t = 0.0;
                seg3_box(sb, m, blo, bhi);
                if (!pk_box_ovln(3, 0.0, alo, ahi, blo, bhi)) return true;
                take(dist3(sa.s, sb.s), sa.num, 0.0, sb.num, 0.0, sa.s, 0);
                take(foot3(sa, sb.s, f, t), sa.num, t, sb.num, 0.0, f, 1);
                if (sb.num >= b1) take(foot3(sa, sb.e, f, t), sa.num, t, sb.num, 1.0, f, 2);
                take(foot3(sb, sa.s, f, t), sa.num, 0.0, sb.num, t, sa.s, 3);
                if (sa.num >= a1) take(foot3(sb, sa.e, f, t), sa.num, 1.0, sb.num, t, sa.e, 4);
                return true;
            });
            return true;
        });
        return;
    }
    each_seg(a.x, a.y, a.count, [&](const ListSeg& sa) {
        if (sa.num < a0) return true;
        if (sa.num > a1) return false;
        f64 alo[2], ahi[2];
        list_seg_box(sa, m, alo, ahi);
        each_seg(b.x, b.y, b.count, [&](const ListSeg& sb) {
            if (sb.num < b0) return true;
            if (sb.num > b1) return false;
            f64 blo[2], bhi[2];
            list_seg_box(sb, m, blo, bhi);
            if (!pk_box_ovln(2, 0.0, alo, ahi, blo, bhi)) return true;
            f64 d = 0.0, t = 0.0, f[2] = {0.0, 0.0};
            const f64 as[2] = {sa.sx, sa.sy}, ae[2] = {sa.ex, sa.ey};
            take(std::hypot(sa.sx - sb.sx, sa.sy - sb.sy), sa.num, 0.0, sb.num, 0.0, as, 0);
            seg_foot(sa, sb.sx, sb.sy, d, f[0], f[1], t);
            take(d, sa.num, t, sb.num, 0.0, f, 1);
            if (sb.num >= b1) {
                seg_foot(sa, sb.ex, sb.ey, d, f[0], f[1], t);
                take(d, sa.num, t, sb.num, 1.0, f, 2);
            }
            seg_foot(sb, sa.sx, sa.sy, d, f[0], f[1], t);
            take(d, sa.num, 0.0, sb.num, t, as, 3);
            if (sa.num >= a1) {
                seg_foot(sb, sa.ex, sa.ey, d, f[0], f[1], t);
                take(d, sa.num, 1.0, sb.num, t, ae, 4);
            }
            return true;
        });
        return true;
    });
}

void oneoff_max_dist(const f64* x1, const f64* y1, const i32& n1, const f64* x2, const f64* y2, const i32& n2,
                     const f64& limit, f64& dist, i32& flag)
{
    dist = -1.0e10;
    flag = 0;
    for (i32 k = 0; k + 1 < n2; ++k) {
        if (pk_arc_at(x2[k])) {
            k += 2;
            continue;
        }
        i32 seg = 0;
        f64 t = 0.0, fx = 0.0, fy = 0.0, d = 0.0;
        pk_near_point(x2[k], y2[k], x1, y1, n1, seg, t, fx, fy, d);
        if (d > dist) dist = d;
        if (gtvald(dist, limit)) {
            flag = 1;
            return;
        }
    }
}

// The corner question of the nearest-segment rule asks whether the offset
// corner at v gives two points (the answer 2). The lane code's corner routine
// gives two normals and no such answer, so the decision is the loop offset's
// own corner rule (lup_corner) over the same two directions: the same
// thresholds for a straight run and a reversal, two points at a concave
// corner whose offset reaches past the limit, and at a convex one that turns
// by more than a right angle. It is that rule cut to the decision: the turn
// is taken as the loop runs (side +1, no side factor), and the limit is four
// times the incoming squared length capped by the outgoing squared length,
// as lup_corner caps its limit by the outgoing length.
i32 lup_corner_kind(const f64* x, const f64* y, const i32& n, i32 v, const f64& distance)
{
    if (n < 3 || v < 0 || v >= n) return 1;
    // Incoming direction: the chord from the point before, or the tangent
    // at the end of an arc that ends at v; outgoing the same at its start.
    auto dir_at = [&](i32 from, i32 to, f64* d) {
        d[0] = x[to] - x[from];
        d[1] = y[to] - y[from];
        f64 l = 0.0;
        return pk_unit2(d[0], d[1], l);
    };
    i32 prev = v > 0 ? v - 1 : n - 2, next = v + 1 < n ? v + 1 : 1;
    f64 a[2], b[2];
    if (prev >= 2 && pk_arc_at(x[prev - 2])) {
        f64 tx = 0.0, ty = 0.0;
        pk_seg_normal(2, x[prev], y[prev], 0.0, y[prev - 1] < 0.0 ? -1 : 1, x[prev - 3], y[prev - 3], x[v], y[v], tx,
                      ty);
        a[0] = tx;
        a[1] = ty;
    } else if (!dir_at(prev, v, a)) {
        return 1;
    }
    f64 L2;
    if (pk_arc_at(x[next]) && next + 3 < n) {
        f64 tx = 0.0, ty = 0.0;
        pk_seg_normal(1, x[next + 2], y[next + 2], 0.0, y[next + 1] < 0.0 ? -1 : 1, x[v], y[v], x[next + 3],
                      y[next + 3], tx, ty);
        b[0] = tx;
        b[1] = ty;
        L2 = 0.0001;
    } else {
        if (!dir_at(v, next, b)) return 1;
        L2 = (x[next] - x[v]) * (x[next] - x[v]) + (y[next] - y[v]) * (y[next] - y[v]);
    }
    f64 lin = (x[v] - x[prev]) * (x[v] - x[prev]) + (y[v] - y[prev]) * (y[v] - y[prev]);
    f64 t = pk_cross2(a[0], a[1], b[0], b[1]), d = pk_dot2(a[0], a[1], b[0], b[1]);
    if (std::fabs(t) < 0.033) t = 0.0;
    if (d >= 0.9999) {
        t = 0.0;
        d = 1.0;
    }
    if (std::fabs(d) >= 0.9995 && d < 0.0) d = -1.0;
    if (t == 0.0 && d == 1.0) return 1;
    if (t == 0.0 && d == -1.0) return 2;
    f64 r = distance;
    f64 q = d > -1.0 ? (1.0 - d) / (1.0 + d) * r * r : 1.0e30;
    f64 m = std::min(4.0 * lin, L2);
    if (t < 0.0) return q > m + 1e-12 ? 2 : 1;
    return d < -0.08 ? 2 : 1;
}

void lup_nearest_seg(const f64& distance, const f64* x, const f64* y, const i32& n, i32& seg, f64& t, f64& fx,
                     f64& fy, i32& status)
{
    status = 0;
    if (n < 2) {
        status = 9;
        return;
    }
    f64 qx = pkoff.start[0] - pokorigin[0], qy = pkoff.start[1] - pokorigin[1], limit = 1.0 * distance;
    seg = 0;
    f64 d = 0.0;
    pk_near_point(qx, qy, x, y, n, seg, t, fx, fy, d);
    if (seg < 1 || d > 1.0e6) {
        status = 9;
        return;
    }
    bool arc = pk_arc_at(x[seg]) && seg + 3 < n;
    i32 s0 = seg - 1, e0 = arc ? seg + 3 : seg;
    if (t == 0.0 || t == 1.0) {
        i32 vertex = t == 0.0 ? s0 : e0;
        if (lup_corner_kind(x, y, n, vertex, distance) == 2) {
            f64 ds = std::hypot(x[s0] - fx, y[s0] - fy), de = std::hypot(x[e0] - fx, y[e0] - fy);
            if (1.0 - t < 0.2 && de < limit)
                t = 0.8;
            else if (t < 0.2 && ds < limit)
                t = 0.2;
            if (arc)
                pk_arc_point(x[seg + 1], y[seg + 1] < 0.0 ? -1 : 1, x[seg + 2], y[seg + 2], x[s0], y[s0], x[e0], y[e0],
                             t, fx, fy);
            else
                pk_lin_point(x[s0], y[s0], x[e0], y[e0], t, fx, fy);
        }
    }
    fx += pokorigin[0];
    fy += pokorigin[1];
}
