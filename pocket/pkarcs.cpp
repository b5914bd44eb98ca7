// Arc conditioning of pocket loops, loop boxes, box overlaps and the restart
// of a loop at a point.
#include <cmath>

#include "core/host.h"
#include "pocket/pkgeom.h"
#include "pocket/pkmath.h"
#include "pocket/pokvals.h"

namespace {

// Sine and cosine of an arc's opening about C, from S to E, in its direction.
void arc_sc(f64 sx, f64 sy, f64 cx, f64 cy, f64 ex, f64 ey, f64 r, i32 dir, f64& s, f64& c)
{
    f64 ax = sx - cx, ay = sy - cy, bx = ex - cx, by = ey - cy, r2 = r * r;
    // A radius of 0 opens no angle: sine and cosine 0, so that such a block
    // is neither split nor merged, instead of dividing by 0.
    if (r2 <= 0.0) {
        s = c = 0.0;
        return;
    }
    s = pk_cross2(ax, ay, bx, by) * dir / r2;
    c = pk_dot2(ax, ay, bx, by) / r2;
}

}  // namespace

void pk_split_arcs(pokarr& a, i32& status)
{
    status = 0;
    if (a.dims != 2 || a.count <= 3) return;
    for (i32 k = 1; k + 3 <= a.count - 1;) {
        if (!pk_arc_at(a.x[k])) {
            ++k;
            continue;
        }
        f64 sx = a.x[k - 1], sy = a.y[k - 1], r = a.x[k + 1], cx = a.x[k + 2], cy = a.y[k + 2];
        f64 ex = a.x[k + 3], ey = a.y[k + 3];
        i32 dir = static_cast<i32>(a.y[k + 1]);
        f64 s = 0.0, c = 0.0;
        arc_sc(sx, sy, cx, cy, ex, ey, r, dir, s, c);
        if (s < -1e-6 || (s < 0.035 && c < -0.99)) {
            // The second arc (marker, radius, centre, the old end) goes in
            // behind the first; only when all four entries are in does the
            // first arc end a quarter turn from its start. An insertion that
            // fails takes out the entries put in before it, so that the
            // arc is left whole, with its end point, and not as a part block.
            const f64 mk[3] = {PK_ARC_MARK, 0.0, 0.0}, rd[3] = {r, a.y[k + 1], 0.0}, ce[3] = {cx, cy, 0.0},
                      en[3] = {ex, ey, 0.0};
            const f64* ins[4] = {mk, rd, ce, en};
            for (i32 j = 0; j < 4; ++j) {
                pokarr_add_pnt_at(ins[j], a, k + 4 + j, status);
                if (status != 0) {
                    pokarr_drop(a, k + 4, j);
                    return;
                }
            }
            a.x[k + 3] = cx - dir * (sy - cy);
            a.y[k + 3] = cy + dir * (sx - cx);
            continue;  // the quarter arc passes; the rest is examined next
        }
        k += 4;
    }
}

void pk_flat_arcs(pokarr& a)
{
    if (a.dims != 2 || a.count <= 4) return;
    i32 j = 0;
    for (i32 k = 0; k < a.count; ++k) {
        if (k > 0 && pk_arc_at(a.x[k]) && k + 3 < a.count) {
            f64 sx = a.x[j - 1], sy = a.y[j - 1], r = a.x[k + 1], cx = a.x[k + 2], cy = a.y[k + 2];
            f64 ex = a.x[k + 3], ey = a.y[k + 3];
            i32 dir = a.y[k + 1] < 0.0 ? -1 : 1;
            f64 dot = (ex - cx) * (sx - cx) + (ey - cy) * (sy - cy);
            // Only an arc below a half turn can be nearly flat: one near a
            // full turn has the same end radii. An end less than a sine of
            // 1e-6 behind the start is round-off of a null arc, as the split
            // of long arcs takes it too: that arc is flat, not a full turn
            // whose box and area would take in the whole circle.
            bool short_way = pk_cross2(sx - cx, sy - cy, ex - cx, ey - cy) * dir >= -1e-6 * r * r;
            if (dot > r * (r - 0.0009) && short_way) {
                k += 2;  // marker, radius and centre dropped; the end point follows
                continue;
            }
            for (i32 m = 0; m < 4; ++m) {
                a.x[j] = a.x[k + m];
                a.y[j] = a.y[k + m];
                ++j;
            }
            k += 3;
            continue;
        }
        a.x[j] = a.x[k];
        a.y[j] = a.y[k];
        ++j;
    }
    a.count = j;
}

void pk_arc_to_pts(pokarr& a)
{
    if (a.dims != 2 || a.count <= 4) return;
    f64 L = 0.1 * pk_radius < 0.1 ? 0.1 * pk_radius : 0.1;
    for (i32 k = 1; k + 3 < a.count; ++k) {
        if (!pk_arc_at(a.x[k])) continue;
        f64 sx = a.x[k - 1], sy = a.y[k - 1], ex = a.x[k + 3], ey = a.y[k + 3];
        f64 ch = (ex - sx) * (ex - sx) + (ey - sy) * (ey - sy);
        if (ch < 0.1 * L * L) {
            f64 r = a.x[k + 1], cx = a.x[k + 2], cy = a.y[k + 2];
            i32 dir = static_cast<i32>(a.y[k + 1]);
            f64 px[3], py[3];
            for (int m = 0; m < 3; ++m) pk_arc_point(r, dir, cx, cy, sx, sy, ex, ey, 0.25 * (m + 1), px[m], py[m]);
            for (int m = 0; m < 3; ++m) {
                a.x[k + m] = px[m];
                a.y[k + m] = py[m];
            }
        }
        k += 2;
    }
}

void pk_merge_arcs(pokarr& a)
{
    if (a.dims != 2) return;
    for (i32 k = 1; k + 7 < a.count;) {
        if (!pk_arc_at(a.x[k]) || !pk_arc_at(a.x[k + 4])) {
            ++k;
            continue;
        }
        // The point compare reads three coordinates outside a plane pocket:
        // the centres of this plane array carry a height of 0.
        const f64 c1[3] = {a.x[k + 2], a.y[k + 2], 0.0}, c2[3] = {a.x[k + 6], a.y[k + 6], 0.0};
        bool same = pk_eq(a.x[k + 1], a.x[k + 5]) && pk_eq(a.y[k + 1], a.y[k + 5]) && pk_eqpt(c1, c2);
        if (same) {
            f64 s = 0.0, c = 0.0;
            arc_sc(a.x[k - 1], a.y[k - 1], c1[0], c1[1], a.x[k + 7], a.y[k + 7], a.x[k + 1],
                   static_cast<i32>(a.y[k + 1]), s, c);
            if (!pk_le0(s) && c >= -0.9) {
                i32 from = k + 7;
                for (i32 m = from; m < a.count; ++m) {
                    a.x[m - 4] = a.x[m];
                    a.y[m - 4] = a.y[m];
                }
                a.count -= 4;
                continue;  // a third arc may follow
            }
        }
        k += 4;
    }
}

void pk_arc_box(const f64& cx, const f64& cy, const f64& r, const i32& dir, const f64& sx, const f64& sy,
                const f64& ex, const f64& ey, f64& xmin, f64& ymin, f64& xmax, f64& ymax)
{
    xmin = sx < ex ? sx : ex;
    xmax = sx < ex ? ex : sx;
    ymin = sy < ey ? sy : ey;
    ymax = sy < ey ? ey : sy;
    f64 ax = sx, ay = sy, bx = ex, by = ey;
    if (dir < 1) {
        ax = ex;
        ay = ey;
        bx = sx;
        by = sy;
    }
    auto quad = [&](f64 px, f64 py) {
        if (py > cy && px >= cx) return 0;
        if ((py > cy && px < cx) || (py == cy && px <= cx)) return 1;
        if (py < cy && px <= cx) return 2;
        return 3;
    };
    i32 qa = quad(ax, ay), qb = quad(bx, by);
    i32 steps = (qb - qa + 4) % 4;
    // Both ends in one quadrant: the arc runs round the whole circle when its
    // end lies behind its start there.
    if (steps == 0 && pk_cross2(ax - cx, ay - cy, bx - cx, by - cy) < 0.0) steps = 4;
    for (i32 q = qa, k = 0; k < steps; ++k, q = (q + 1) % 4) {
        switch (q) {
        case 0:
            if (cy + r > ymax) ymax = cy + r;
            break;
        case 1:
            if (cx - r < xmin) xmin = cx - r;
            break;
        case 2:
            if (cy - r < ymin) ymin = cy - r;
            break;
        default:
            if (cx + r > xmax) xmax = cx + r;
            break;
        }
    }
}

void pk_arr_box(const pokarr& a, f64& xl, f64& yl, f64& xh, f64& yh)
{
    xl = yl = 1.0e12;
    xh = yh = -1.0e12;
    auto widen = [&](f64 x0, f64 y0, f64 x1, f64 y1) {
        if (x0 < xl) xl = x0;
        if (y0 < yl) yl = y0;
        if (x1 > xh) xh = x1;
        if (y1 > yh) yh = y1;
    };
    for (i32 k = 0; k < a.count - 1;) {
        if (pk_arc_at(a.x[k + 1]) && k + 4 < a.count) {
            f64 b[4];
            pk_arc_box(a.x[k + 3], a.y[k + 3], a.x[k + 2], a.y[k + 2] < 0.0 ? -1 : 1, a.x[k], a.y[k], a.x[k + 4],
                       a.y[k + 4], b[0], b[1], b[2], b[3]);
            widen(b[0], b[1], b[2], b[3]);
            k += 4;
        } else {
            widen(a.x[k], a.y[k], a.x[k], a.y[k]);
            k += 1;
        }
    }
    // An array of one entry has no segment to walk; its box is that point,
    // as its box table's one chunk is, not the empty start box, which no
    // box would be found to overlap.
    if (a.count == 1) widen(a.x[0], a.y[0], a.x[0], a.y[0]);
}

i32 pk_box_ovl2(const f64& xl1, const f64& yl1, const f64& xh1, const f64& yh1, const f64& xl2, const f64& yl2,
                const f64& xh2, const f64& yh2)
{
    return gevald(xh1, xl2) && levald(xl1, xh2) && gevald(yh1, yl2) && levald(yl1, yh2) ? 1 : 0;
}

i32 pk_box_ovln(i32 m, const f64& tol, const f64* lo1, const f64* hi1, const f64* lo2, const f64* hi2)
{
    for (i32 j = 0; j < m; ++j)
        if (!(hi1[j] + tol >= lo2[j] && hi2[j] + tol >= lo1[j])) return 0;
    return 1;
}

namespace {

// Entry k of the array as one entry record (for appends one at a time).
bool same_entry(const pokarr& a, i32 k, const pokarr& b, i32 m)
{
    if (!pk_eqval(a.x[k], b.x[m]) || !pk_eqval(a.y[k], b.y[m])) return false;
    if (a.dims >= 3 && !pk_eqval(a.z[k], b.z[m])) return false;
    if (a.dims == 4)
        for (int c = 0; c < 3; ++c)
            if (!pk_eqval(a.vec[3 * k + c], b.vec[3 * m + c])) return false;
    return true;
}

}  // namespace

void pokarr_start_at(pokarr& a, i32 i, i32 mode, const f64& t, f64& px, f64& py, i32& status)
{
    status = 0;
    i32 n = a.count;
    // No segment i to restart on (a number outside 1 .. n - 1, an arc block
    // cut short by the array's end) or an array without points: refused
    // with the status of a failed restart (11), the loop unchanged, rather
    // than read outside the array.
    if (i < 1 || i >= n || a.dims < 2) {
        status = 11;
        return;
    }
    bool arc = pk_arc_at(a.x[i]);
    if (arc && i + 3 >= n) {
        status = 11;
        return;
    }
    pokarr w;
    pokarr_init_dyn(a.dims, n + 4, w, status);
    if (status != 0) {
        pokarr_free(w);
        status = 11;
        return;
    }
    f64 P[3] = {px, py, 0.0}, nrm[3] = {0.0, 0.0, 1.0};
    // An arc is split whenever the point lies beyond its start: in mode 0
    // the given point decides it, t being no part of that call (keyed on t,
    // a mode-0 split in the arc's middle would close the loop with a chord
    // from the arc's start to the point).
    bool past_start = true;
    if (mode == 0) {
        if (arc) {
            f64 cx = a.x[i + 2], cy = a.y[i + 2], r = a.x[i + 1], ux = px - cx, uy = py - cy, l = 0.0;
            if (pk_unit2(ux, uy, l)) {
                P[0] = cx + r * ux;
                P[1] = cy + r * uy;
            }
            const f64 s[2] = {a.x[i - 1], a.y[i - 1]};
            past_start = !pk_eqpt2(P, s);
        }
    } else {
        if (arc)
            pk_arc_point(a.x[i + 1], static_cast<i32>(a.y[i + 1]), a.x[i + 2], a.y[i + 2], a.x[i - 1], a.y[i - 1],
                         a.x[i + 3], a.y[i + 3], t, P[0], P[1]);
        else
            pk_lin_point(a.x[i - 1], a.y[i - 1], a.x[i], a.y[i], t, P[0], P[1]);
        px = P[0];
        py = P[1];
        past_start = t > 0.0 && !pk_eqval0(t);
    }
    if (a.dims >= 3) {
        // The height of P: on a straight segment where the segment-height
        // routine puts it; on an arc the height of its centre entry, which
        // is an arc's height in the segment model.
        i32 e = arc ? i + 3 : i;
        f64 u = 0.0;
        if (arc) {
            P[2] = a.z[i + 2];
            pk_arc_range(a.x[i + 1], a.y[i + 1] < 0.0 ? -1 : 1, a.x[i + 2], a.y[i + 2], a.x[i - 1], a.y[i - 1],
                         a.x[e], a.y[e], P[0], P[1], u);
        } else {
            f64 v[3];
            i32 flat = 0, st = 0;
            pk_get_seg(a, i, P, v, flat, st);
            const f64 e0[3] = {a.x[i - 1], a.y[i - 1], 0.0}, e1[3] = {a.x[i], a.y[i], 0.0};
            pk_max_axis(2, e0, e1, P, u);
        }
        if (a.dims == 4) {
            // The normal at P: the start's and the end's blended by P's place
            // along the segment, made a unit vector again. The segment-height
            // routine blends them by the height fraction, which on a level
            // segment gives the end's normal all along it, and leaves the
            // blend unnormalised.
            if (u < 0.0 || u > 1.0) u = u < 0.0 ? 0.0 : 1.0;
            for (int c = 0; c < 3; ++c) nrm[c] = (1.0 - u) * a.vec[3 * (i - 1) + c] + u * a.vec[3 * e + c];
            f64 l = 0.0;
            if (!pk_unit3(nrm, l)) nrm[0] = nrm[1] = 0.0, nrm[2] = 1.0;
        }
    }
    auto fail = [&]() {
        pokarr_free(w);
        status = 11;
    };
    pokarr_insert_pnt(P, nrm, w, 0, status);
    if (status != 0) return fail();
    auto copy = [&](i32 from, i32 to) -> bool {
        for (i32 k = from; k <= to && k < n;) {
            if (pk_arc_at(a.x[k]) && k + 3 < n) {
                for (i32 m = 0; m < 4; ++m) {
                    pokarr_append_part(1, a, k + m, w, status);
                    if (status != 0) return false;
                }
                k += 4;
                continue;
            }
            if (!same_entry(a, k, w, w.count - 1)) {
                pokarr_append_part(1, a, k, w, status);
                if (status != 0) return false;
            }
            ++k;
        }
        return true;
    };
    if (!copy(i, n - 1)) return fail();
    if (i != 1 && !copy(1, i - 1)) return fail();
    if (arc && past_start)
        for (i32 m = 0; m < 3; ++m) {
            pokarr_append_part(1, a, i + m, w, status);
            if (status != 0) return fail();
        }
    pokarr_insert_pnt(P, nrm, w, w.count, status);
    if (status != 0) return fail();
    i32 c = w.count;
    if (c >= 2) {
        bool same = pk_eqval0(w.x[c - 1] - w.x[c - 2]) && pk_eqval0(w.y[c - 1] - w.y[c - 2]) &&
                    (w.dims == 2 || pk_eqval0(w.z[c - 1] - w.z[c - 2]));
        if (same) --w.count;
    }
    // A caller's static window takes the new loop by a copy: one it cannot
    // hold is refused here, with the loop unchanged, rather than emptied by
    // the copy's failure.
    if (a.storage == PKS_STATIC && a.room < w.count) return fail();
    pokarr_move(w, a, status);
    pokarr_free(w);
    if (status != 0) status = 11;
}
