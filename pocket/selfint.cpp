// Box tables, segment walking, the first crossing of a segment with a loop,
// and the cut of a self-crossing loop into loops free of crossings.
#include "pocket/selfint.h"

#include <cmath>

#include "core/host.h"
#include "pocket/comlup.h"
#include "pocket/pkdebug.h"
#include "pocket/pkgeom.h"
#include "pocket/pkmath.h"
#include "pocket/pokvals.h"
#include "pocket/selfint3.h"

PkIngo pkingo;

// ------------------------------------------------------------ box table

void pkbox_make(const pokarr& a, PkBox& box)
{
    i32 n = a.count;
    box.count = 0;
    if (n < 1) return;
    if (n == 1) {
        box.count = 1;
        box.start[0] = 1;
        box.start[1] = 2;
        box.xmin[0] = box.xmax[0] = a.x[0];
        box.ymin[0] = box.ymax[0] = a.y[0];
        return;
    }
    i32 arcs = 0;
    for (i32 k = 1; k < n; ++k)
        if (pk_arc_at(a.x[k])) ++arcs;
    i32 s = n - 3 * arcs - 1;
    if (s < 1) s = 1;
    i32 c = static_cast<i32>(std::sqrt(static_cast<f64>(s)) + 0.5);
    if (c < 1) c = 1;
    i32 cnt = s / c, r = s % c;
    while (cnt > PKBOX_MAX - 1) {  // only for loops far beyond the array limit
        ++c;
        cnt = s / c;
        r = s % c;
    }
    box.count = cnt;
    box.start[0] = 1;
    for (i32 k = 1; k < cnt; ++k) box.start[k] = box.start[k - 1] + c + (k <= r ? 1 : 0);
    box.start[cnt] = s + 1;
    // Segment numbers become entry positions: each arc counts as one segment.
    for (i32 p = 2; p <= n - 3; ++p)
        if (pk_arc_at(a.x[p - 1]))
            for (i32 k = 0; k <= cnt; ++k)
                if (box.start[k] >= p) box.start[k] += 3;
    for (i32 k = 0; k < cnt; ++k) {
        f64 xl = 1e12, yl = 1e12, xh = -1e12, yh = -1e12;
        i32 to = box.start[k + 1] < n ? box.start[k + 1] : n;
        // The chunk's points run up to the next chunk's first point, which
        // the two share; an arc that starts there is the next chunk's, so
        // its box widens that chunk only, not this one as well.
        for (i32 p = box.start[k]; p <= to;) {
            i32 e = p - 1;  // entry from 0
            if (p < to && e + 1 < n && pk_arc_at(a.x[e + 1]) && e + 4 < n) {
                f64 b[4];
                pk_arc_box(a.x[e + 3], a.y[e + 3], a.x[e + 2], a.y[e + 2] < 0.0 ? -1 : 1, a.x[e], a.y[e], a.x[e + 4],
                           a.y[e + 4], b[0], b[1], b[2], b[3]);
                xl = std::min(xl, b[0]);
                yl = std::min(yl, b[1]);
                xh = std::max(xh, b[2]);
                yh = std::max(yh, b[3]);
                p += 4;
                continue;
            }
            xl = std::min(xl, a.x[e]);
            yl = std::min(yl, a.y[e]);
            xh = std::max(xh, a.x[e]);
            yh = std::max(yh, a.y[e]);
            ++p;
        }
        box.xmin[k] = xl;
        box.ymin[k] = yl;
        box.xmax[k] = xh;
        box.ymax[k] = yh;
    }
}

// -------------------------------------------------------- segment walking

bool pk_seg_desc(const pokarr& a, i32 seg, PkSegDesc& d)
{
    if (seg < 1 || seg >= a.count || a.dims < 2) return false;
    d.s[0] = a.x[seg - 1];
    d.s[1] = a.y[seg - 1];
    if (pk_arc_at(a.x[seg])) {
        if (seg + 3 >= a.count) return false;
        d.arc = 1;
        d.r = a.x[seg + 1];
        d.dir = a.y[seg + 1] < 0.0 ? -1 : 1;
        d.c[0] = a.x[seg + 2];
        d.c[1] = a.y[seg + 2];
        d.e[0] = a.x[seg + 3];
        d.e[1] = a.y[seg + 3];
        return true;
    }
    d.arc = 0;
    d.e[0] = a.x[seg];
    d.e[1] = a.y[seg];
    return true;
}

i32 pk_seg_last(const pokarr& a)
{
    i32 last = 0;
    for (i32 k = 1; k < a.count;) {
        last = k;
        k += pk_arc_at(a.x[k]) ? 4 : 1;
    }
    if (last > 0 && pk_arc_at(a.x[last]) && last + 3 >= a.count) {
        // an unfinished arc block at the end is no segment
        i32 prev = 0;
        for (i32 k = 1; k < last;) {
            prev = k;
            k += pk_arc_at(a.x[k]) ? 4 : 1;
        }
        last = prev;
    }
    return last;
}

i32 pk_seg_step(const pokarr& a, i32 seg, i32 mode)
{
    i32 last = pk_seg_last(a);
    if (last < 1) return 0;
    if (mode == 1) {
        i32 end = pk_arc_at(a.x[seg]) ? seg + 3 : seg;
        return end + 1 <= last ? end + 1 : 1;
    }
    i32 st = seg - 1;
    if (st <= 0) return last;
    if (st >= 4 && pk_arc_at(a.x[st - 3])) return st - 3;
    return st;
}

// Directions in plan only: every user judges crossings met in plan (the
// tangency of two branches, the sides at a junction), where a climb of one
// branch does not change which way it runs across the other.
void pk_seg_dir(const pokarr& a, i32 seg, i32 which, const f64* p, f64* d)
{
    d[0] = d[1] = 0.0;
    PkSegDesc s;
    if (!pk_seg_desc(a, seg, s)) return;
    f64 l = 0.0;
    if (!s.arc) {
        d[0] = s.e[0] - s.s[0];
        d[1] = s.e[1] - s.s[1];
        pk_unit2(d[0], d[1], l);
        return;
    }
    const f64* q = which == 1 ? s.s : (which == 2 ? s.e : p);
    f64 rx = q[0] - s.c[0], ry = q[1] - s.c[1];
    d[0] = -s.dir * ry;
    d[1] = s.dir * rx;
    pk_unit2(d[0], d[1], l);
}

void pk_desc_box(const PkSegDesc& d, f64& xl, f64& yl, f64& xh, f64& yh)
{
    if (d.arc) {
        pk_arc_box(d.c[0], d.c[1], d.r, d.dir, d.s[0], d.s[1], d.e[0], d.e[1], xl, yl, xh, yh);
        return;
    }
    xl = std::min(d.s[0], d.e[0]);
    xh = std::max(d.s[0], d.e[0]);
    yl = std::min(d.s[1], d.e[1]);
    yh = std::max(d.s[1], d.e[1]);
}

void pk_dirs_at(const pokarr& a, i32 seg, const PkSegDesc& d, const f64* p, f64* before, f64* after)
{
    if (pk_eqpt2(p, d.e)) {
        pk_seg_dir(a, seg, 2, p, before);
        pk_seg_dir(a, pk_seg_step(a, seg, 1), 1, p, after);
    } else if (pk_eqpt2(p, d.s)) {
        pk_seg_dir(a, pk_seg_step(a, seg, 2), 2, p, before);
        pk_seg_dir(a, seg, 1, p, after);
    } else {
        pk_seg_dir(a, seg, 0, p, before);
        after[0] = before[0];
        after[1] = before[1];
    }
}

// ------------------------------------------------ first crossing (LUPSEG)

// The answers read here for "found" and "touching contact": a straight pair
// counts as crossing when the 2-D intersection finds its point directly (1)
// or through its nearly parallel branch (3); a crossing with an arc is a
// touching contact where the two run tangent (the radius at the point square
// to the line, or the two radii in line), marked so that the caller can tell
// it. Which line/arc contacts come back at all is the caller's LINCIRC mode:
// the first-crossing search (LUPSEG) asks in mode 1, where a line that only
// touches an arc gives no point (such a contact does not cut the loop, and
// the walk passes it over as it passes touches), so its touching contacts
// are those of two arcs; the walk's next-crossing search asks in mode 2
// where a tangent point is to count.
i32 pk_pair_cross(const PkSegDesc& A, const PkSegDesc& B, bool a_first, bool neighbour, f64 pts[2][2], i32 touch[2],
                  i32 lc_mode, i32 line_snap)
{
    i32 n = 0;
    auto add = [&](f64 x, f64 y, i32 t) {
        const f64 p[2] = {x, y};
        if (n == 1 && pk_eqpt2(p, pts[0])) return;
        pts[n][0] = x;
        pts[n][1] = y;
        touch[n] = t;
        ++n;
    };
    if (!A.arc && !B.arc) {
        const f64 none[2] = {PK_NOGUIDE, PK_NOGUIDE};
        f64 x = 0.0, y = 0.0;
        i32 st = 0;
        if (a_first)
            pk_lnln_off(0, A.s, A.e, B.s, B.e, A.s, A.e, B.s, B.e, none, none, x, y, st);
        else
            pk_lnln_off(0, B.s, B.e, A.s, A.e, B.s, B.e, A.s, A.e, none, none, x, y, st);
        if (st == 1 || st == 3) add(x, y, 0);
        return n;
    }
    // A straight segment and an arc go to LINCIRC; two arcs to the arc pair
    // routine, which is made for them: LINCIRC takes one side as a line.
    if (!A.arc || !B.arc) {
        const PkSegDesc& L = A.arc ? B : A;
        const PkSegDesc& C = A.arc ? A : B;
        LinCirc sel;
        sel.snap = A.arc ? 1 : line_snap;
        sel.order = A.arc ? 1 : 2;
        for (i32 pick : {0, 2}) {
            sel.pick = pick;
            i32 mode = lc_mode, cnt = 0;
            f64 x = 0.0, y = 0.0;
            LINCIRC(mode, sel, C.c[0], C.c[1], C.r, C.dir, L.s, L.e, C.s, C.e, L.s, L.e, x, y, cnt);
            if (cnt != 1) continue;
            f64 rx = x - C.c[0], ry = y - C.c[1], dx = L.e[0] - L.s[0], dy = L.e[1] - L.s[1], l = 0.0;
            pk_unit2(rx, ry, l);
            pk_unit2(dx, dy, l);
            add(x, y, std::fabs(pk_dot2(rx, ry, dx, dy)) < 1e-6 ? 1 : 0);
        }
        return n;
    }
    // Two neighbouring arcs meet at their joint: only the other candidate counts.
    i32 exclude = neighbour ? 1 : 0;
    for (int k = 0; k < 2; ++k) {
        f64 x = 0.0, y = 0.0;
        i32 cnt = 0;
        if (k == 0)
            pk_arc_arc(1, exclude, A.c[0], A.c[1], A.r, A.dir, A.s, A.e, B.c[0], B.c[1], B.r, B.dir, B.s, B.e, x, y,
                       cnt);
        else
            pk_arc_arc(1, exclude, A.c[0], A.c[1], A.r, -A.dir, A.e, A.s, B.c[0], B.c[1], B.r, B.dir, B.s, B.e, x, y,
                       cnt);
        if (cnt != 1) continue;
        f64 ux = x - A.c[0], uy = y - A.c[1], vx = x - B.c[0], vy = y - B.c[1], l = 0.0;
        pk_unit2(ux, uy, l);
        pk_unit2(vx, vy, l);
        add(x, y, std::fabs(pk_cross2(ux, uy, vx, vy)) < 1e-6 ? 1 : 0);
    }
    return n;
}

namespace {

// Position of a point along segment A (distance from its start, or the
// fraction of an arc).
f64 position_on(const PkSegDesc& A, f64 x, f64 y)
{
    if (!A.arc) return std::hypot(x - A.s[0], y - A.s[1]);
    f64 f = 0.0;
    pk_arc_frac_xy(A.r, A.dir, A.c[0], A.c[1], A.s[0], A.s[1], A.e[0], A.e[1], x, y, f);
    return f;
}

// Whether a crossing at (pos, bseg) comes after one at (ppos, pbseg) along
// the segment. Crossings at an equal distance are told apart by B's segment
// number, the lower one first: the nearest crossing is then the one of the
// lowest segment, and going on past the crossing found before reaches the
// others at that distance in the order of their segments, none twice.
bool key_after(f64 pos, i32 bseg, f64 ppos, i32 pbseg)
{
    return pos > ppos || (pos == ppos && bseg > pbseg);
}

}  // namespace

void LUPSEG(const PkSegDesc& seg, i32 aseg, const pokarr& b, const PkBox& box, i32 chunk0, bool self,
            const LupsegHit& prev, LupsegHit& hit)
{
    hit = LupsegHit{};
    f64 xl, yl, xh, yh;
    pk_desc_box(seg, xl, yl, xh, yh);
    i32 anext = self ? pk_seg_step(b, aseg, 1) : -1, aprev = self ? pk_seg_step(b, aseg, 2) : -1;
    if (chunk0 < 0) chunk0 = 0;
    // On one loop only B's segments numbered above A's are searched: the
    // walk over A's segments runs upwards, so every pair is met once, from
    // its lower segment. A neighbour of A is searched when one of the two is
    // an arc (an arc can cross its neighbour away from their joint); only the
    // joint they share is no crossing. The crossings at A's own start that
    // the three-dimensional run's crossing copy holds play no part here: the
    // copy belongs to that run, and a pair is never met twice.
    for (i32 k = chunk0; k < box.count; ++k) {
        if (k != chunk0 && !pk_box_ovl2(box.xmin[k], box.ymin[k], box.xmax[k], box.ymax[k], xl, yl, xh, yh)) continue;
        if (self && box.start[k + 1] <= aseg) continue;  // the loop's own segments before this one
        for (i32 p = box.start[k]; p < box.start[k + 1] && p < b.count;) {
            i32 bseg = p;
            bool barc = pk_arc_at(b.x[p]);
            p += barc ? 4 : 1;
            if (self && bseg <= aseg) continue;
            PkSegDesc B;
            if (!pk_seg_desc(b, bseg, B)) continue;
            bool neighbour = self && (bseg == anext || bseg == aprev);
            if (neighbour && !B.arc && !seg.arc) continue;
            f64 bxl, byl, bxh, byh;
            pk_desc_box(B, bxl, byl, bxh, byh);
            if (!pk_box_ovl2(bxl, byl, bxh, byh, xl, yl, xh, yh)) continue;
            f64 pts[2][2];
            i32 touch[2] = {0, 0};
            // The lower-numbered segment goes first, on two loops as on one,
            // so that a tie between end points snaps the same way whichever
            // loop is A.
            i32 n = pk_pair_cross(seg, B, aseg < bseg, neighbour, pts, touch);
            for (i32 m = 0; m < n; ++m) {
                if (neighbour) {
                    // the joint the two neighbours share is no crossing
                    const f64* joint = bseg == anext ? seg.e : seg.s;
                    if (pk_eqpt2(pts[m], joint)) continue;
                }
                f64 pos = position_on(seg, pts[m][0], pts[m][1]);
                if (prev.found && !key_after(pos, bseg, prev.pos, prev.bseg)) continue;
                if (hit.found && !key_after(hit.pos, hit.bseg, pos, bseg)) continue;
                hit.found = touch[m] ? 2 : 1;
                hit.bseg = bseg;
                hit.chunk = k;
                hit.x = pts[m][0];
                hit.y = pts[m][1];
                hit.pos = pos;
            }
        }
    }
}

// ------------------------------------------------ self-intersection run

namespace {

pokarr store[PKINGO_MAX];  // the loops of the last cut
i32 made = 0, given = 0;
i32 run_state = 1;         // 1 idle, 3 while a cut is being made

void store_clear()
{
    for (i32 k = 0; k < made; ++k) pokarr_free(store[k]);
    made = given = 0;
}

// Appends entries from..to of the source, an arc block whole, leaving out a
// point that repeats the last one and an arc that would end where it starts.
// A crossing at a vertex puts the same point in twice; kept, it would make a
// null segment without a direction for the side tests and the clean-up, and
// an arc from a point back to it would be read as a whole circle.
bool append_range(const pokarr& src, i32 from, i32 to, pokarr& w)
{
    i32 st = 0;
    for (i32 k = from; k <= to && k < src.count;) {
        if (pk_arc_at(src.x[k]) && k + 3 < src.count) {
            const f64 e[2] = {src.x[k + 3], src.y[k + 3]};
            const f64 last[2] = {w.x[w.count - 1], w.y[w.count - 1]};
            if (!pk_eqpt2(e, last)) {
                pokarr_append_part(4, src, k, w, st);
                if (st != 0) return false;
            }
            k += 4;
            continue;
        }
        const f64 p[2] = {src.x[k], src.y[k]};
        bool repeat = false;
        if (w.count > 0) {
            const f64 last[2] = {w.x[w.count - 1], w.y[w.count - 1]};
            repeat = pk_eqpt2(p, last) != 0;
        }
        if (!repeat) {
            pokarr_append_part(1, src, k, w, st);
            if (st != 0) return false;
        }
        ++k;
    }
    return true;
}

// Appends the head of the arc `seg` (when it is one) and the crossing point.
bool append_to_cross(const pokarr& src, i32 seg, f64 x, f64 y, pokarr& w)
{
    i32 st = 0;
    const f64 p[2] = {x, y};
    const f64 last[2] = {w.x[w.count - 1], w.y[w.count - 1]};
    if (pk_eqpt2(p, last)) return true;
    if (pk_arc_at(src.x[seg])) {
        pokarr_append_part(3, src, seg, w, st);
        if (st != 0) return false;
    }
    pokarr_add_pnt(p, w, st);
    return st == 0;
}

// The 2-D cut: walks from crossing to crossing, switching branches.
i32 cut2d(const pokarr& src)
{
    PkIngo& t = pkingo;
    i32 n = t.count;
    for (i32 k = 0; k < n; ++k) {
        t.left1[k] = t.left2[k] = 0;
        for (int b = 0; b < 2; ++b) {
            i32 seg = b == 0 ? t.ingo[k] : t.ingo1[k];
            PkSegDesc d;
            f64 u = 0.0;
            if (pk_seg_desc(src, seg, d)) {
                if (d.arc)
                    pk_arc_range(d.r, d.dir, d.c[0], d.c[1], d.s[0], d.s[1], d.e[0], d.e[1], t.xing[k], t.ying[k], u);
                else
                    pk_lin_int(d.s[0], d.s[1], d.e[0], d.e[1], t.xing[k], t.ying[k], u);
            }
            u = (u < 0.0 ? 0.0 : (u > 1.0 ? 1.0 : u)) * 0.9999;
            (b == 0 ? t.u1 : t.u2)[k] = u;
        }
    }
    if (pkdbg_dump_counter() >= 0) ingos(pkdbg_dump_counter(), n, t.ingo, t.ingo1, t.xing, t.ying, t.u1, t.u2);
    i32 last_entry = src.count - 1;
    for (i32 L = 0; L <= n; ++L) {
        i32 st = 0, cs, side, ce, start;
        pokarr& w = store[made];
        pokarr_init_dyn(src.dims, src.count + 8, w, st);
        if (st != 0) return 11;
        ++made;
        if (L == 0) {
            if (!append_range(src, 0, 0, w)) return 11;
            if (!append_range(src, 1, t.ingo[0] - 1, w)) return 11;
            if (!append_to_cross(src, t.ingo[0], t.xing[0], t.ying[0], w)) return 11;
            cs = t.ingo1[0];
            side = 2;
            ce = 0;
            start = -1;
            // Loop 0 starts at the array's first point, not at crossing 0:
            // it closes by running on to the array's end. Its second side is
            // marked left at once, so that the walk does not stop on meeting
            // crossing 0 again and leave out the piece from the array's
            // start to it.
            t.left2[0] = 1;
        } else {
            start = -1;
            for (i32 k = L - 1; k < n; ++k)
                if (!t.left1[k] || !t.left2[k]) {
                    start = k;
                    break;
                }
            if (start < 0) {
                pokarr_free(w);
                --made;
                return 0;
            }
            const f64 p[2] = {t.xing[start], t.ying[start]};
            pokarr_add_pnt(p, w, st);
            if (st != 0) return 11;
            // The side it leaves on is marked when the walk comes back.
            ce = start;
            if (t.left2[start]) {
                cs = t.ingo[start];
                side = 1;
            } else {
                cs = t.ingo1[start];
                side = 2;
            }
        }
        i32 from = L > 0 ? L - 1 : 0;
        for (i32 steps = 0;; ++steps) {
            // A loop meets each crossing at most twice; the limit allows two
            // steps more (loop 0's run from the array's start and on to its
            // end), so that no loop that can close is stopped by it.
            // A loop that has not closed after more steps than its crossings
            // allow goes round without end: the cut fails (status 2) and the
            // caller drops the offset or tries it again at another distance,
            // rather than take loop 0 alone as the whole cut and lose the rest
            // of the offset without a word.
            if (steps > 2 * n + 2) return 2;
            f64 pos = cs + (side == 1 ? t.u1[ce] : t.u2[ce]);
            f64 best = 1e25;
            i32 bk = -1, bside = 0;
            for (i32 k = from; k < n; ++k) {
                if (!t.left2[k] && !(side == 1 && k == ce)) {
                    f64 p = t.ingo[k] + t.u1[k];
                    if (p > pos && p < best) {
                        best = p;
                        bk = k;
                        bside = 1;
                    }
                }
                if (!t.left1[k] && !(side == 2 && k == ce)) {
                    f64 p = t.ingo1[k] + t.u2[k];
                    if (p > pos && p < best) {
                        best = p;
                        bk = k;
                        bside = 2;
                    }
                }
            }
            if (best >= 1e20) {
                // A loop after loop 0 that finds no next crossing cannot
                // close: the table is inconsistent. The cut fails (status 2)
                // instead of handing out the loops made so far, which would
                // drop this part of the offset as if the cut had succeeded.
                if (L > 0) return 2;
                if (!append_range(src, cs, last_entry, w)) return 11;
                break;
            }
            i32 tseg = bside == 1 ? t.ingo[bk] : t.ingo1[bk];
            if (!append_range(src, cs, tseg - 1, w)) return 11;
            if (!append_to_cross(src, tseg, t.xing[bk], t.ying[bk], w)) return 11;
            // Met on one branch, the walk leaves on the other.
            (bside == 1 ? t.left2 : t.left1)[bk] = 1;
            if (L > 0 && bk == start) break;
            ce = bk;
            cs = bside == 1 ? t.ingo1[bk] : t.ingo[bk];
            side = bside == 1 ? 2 : 1;
        }
        // close exactly on the first point
        if (w.count >= 2) {
            w.x[w.count - 1] = w.x[0];
            w.y[w.count - 1] = w.y[0];
        }
    }
    return 0;
}

}  // namespace

void DELUPS(const pokarr& src, pokarr& result, i32& more, i32& status)
{
    status = 0;
    if (more != 0) {
        if (given >= made) {
            status = 2;
            return;
        }
        pokarr_move(store[given], result, status);
        pokarr_free(store[given]);
        ++given;
        if (status != 0) {
            store_clear();
            status = 11;
        }
        return;
    }
    if (run_state != 1) {
        // A nested run is refused after the message: the crossing table and
        // the loop store are the running cut's, and going on would overwrite
        // the loops it has still to hand out.
        eroutc("[DELUPS] We shouldnt be meeting like this!", 0);
        status = 2;
        return;
    }
    run_state = 3;
    store_clear();
    pkingo.count = 0;
    if (src.dims == 2) {
        ComlupLists l;
        i32 cnt = 0;
        cre_comlups_array(11, src, src, 0.0, cnt, l);
        const pokarr& walked = l.loop.count > 0 ? l.loop : src;  // the loop the table names
        if (cnt < 0) {
            // A crossing search the pool refused is a pool failure (11), not
            // a loop of too many crossings: the one offset retries such a
            // cut, or fails with 11 where a retry cannot help.
            status = l.refused ? 11 : 1;
        } else if (cnt == 0) {
            // No crossing: the loop comes back as it was given, not the
            // search's copy, which may have a stretch nudged aside where the
            // loop runs along itself.
            pokarr_copy(src, result, status);
            if (status != 0) status = 11;
            pokarr_free(l.loop);
            run_state = 1;
            return;
        } else if (cnt > PKINGO_MAX) {
            status = 1;
        } else {
            for (i32 k = 0; k < cnt; ++k) {
                pkingo.ingo[k] = l.a.aseg[k];
                pkingo.ingo1[k] = l.a.bseg[k];
                pkingo.xing[k] = l.a.x[k];
                pkingo.ying[k] = l.a.y[k];
            }
            pkingo.count = cnt;
            status = cut2d(walked);
        }
        pokarr_free(l.loop);
    } else {
        status = delups3d(src, store, made);
    }
    run_state = 1;
    if (status != 0 || made < 1) {
        if (status == 0) status = 2;
        store_clear();
        return;
    }
    pokarr_move(store[0], result, status);
    pokarr_free(store[0]);
    given = 1;
    more = made - 1;
    if (status != 0) {
        store_clear();
        status = 11;
    }
}

void DELREL()
{
    for (i32 k = given; k < made; ++k) pokarr_free(store[k]);
    made = given = 0;
}

i32& delups_state() { return run_state; }
i32 delups_made() { return made; }
i32 delups_given() { return given; }
