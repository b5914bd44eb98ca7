// Crossings of two loops: the walk over the first loop, the bookkeeping of
// the crossings, the vertex cases and the limits.
#include "pocket/crossing.h"

#include <cmath>
#include <memory>

#include "core/host.h"
#include "pocket/pkclean.h"
#include "pocket/pkgeom.h"
#include "pocket/pkmath.h"
#include "pocket/pokvals.h"

CrossTable::CrossTable()
    : aseg(LUP_CROSS_MAX10 + 2), bseg(LUP_CROSS_MAX10 + 2), x(LUP_CROSS_MAX10 + 2), y(LUP_CROSS_MAX10 + 2),
      h1(LUP_CROSS_MAX10 + 2), h2(LUP_CROSS_MAX10 + 2)
{
}

namespace {

LupWork work;
i32 restarts_made = 0;

void work_size()
{
    size_t n = LUP_CROSS_MAX10 + 2;
    if (work.adist.size() == n) return;
    work.adist.assign(n, 0.0);
    work.bdist.assign(n, 0.0);
    work.touch.assign(n, 0);
    work.mark.assign(n, 0);
    work.ain.assign(2 * n, 0.0);
    work.aout.assign(2 * n, 0.0);
    work.bin.assign(2 * n, 0.0);
    work.bout.assign(2 * n, 0.0);
}

// Distance of a point from its segment's start (an arc: the angle).
f64 dist_from_start(const PkSegDesc& d, f64 x, f64 y)
{
    if (!d.arc) return std::hypot(x - d.s[0], y - d.s[1]);
    return pk_arc_sweep(d.dir, d.c[0], d.c[1], d.s[0], d.s[1], x, y);
}

// Two consecutive segments of a loop (the closing joint included); a
// segment is not its own neighbour, so a loop passing one point twice on
// the same segment of the other leaves two entries there.
bool neighbours(const pokarr& a, i32 s1, i32 s2)
{
    s1 = std::abs(s1);
    s2 = std::abs(s2);
    return s1 != s2 && (pk_seg_step(a, s1, 1) == s2 || pk_seg_step(a, s2, 1) == s1);
}

bool same_dir(const f64* u, const f64* v) { return pk_eq(u[0], v[0]) && pk_eq(u[1], v[1]); }

// Moves entry k of the table (and its working data) to place j.
void move_entry(CrossTable& t, i32 j, i32 k)
{
    t.aseg[j] = t.aseg[k];
    t.bseg[j] = t.bseg[k];
    t.x[j] = t.x[k];
    t.y[j] = t.y[k];
    work.adist[j] = work.adist[k];
    work.bdist[j] = work.bdist[k];
    work.touch[j] = work.touch[k];
    work.mark[j] = work.mark[k];
    for (int c = 0; c < 2; ++c) {
        work.ain[2 * j + c] = work.ain[2 * k + c];
        work.aout[2 * j + c] = work.aout[2 * k + c];
        work.bin[2 * j + c] = work.bin[2 * k + c];
        work.bout[2 * j + c] = work.bout[2 * k + c];
    }
}

void remove_entry(CrossTable& t, i32& count, i32 k)
{
    for (i32 m = k; m + 1 < count; ++m) move_entry(t, m, m + 1);
    --count;
}

}  // namespace

const LupWork& luplup_work() { return work; }
i32 luplup_restarts() { return restarts_made; }


void chkjunc(i32 flag, const f64* ain, const f64* aout, const f64* bin, const f64* bout, i32& result)
{
    f64 v[4][2] = {{-ain[0], -ain[1]}, {aout[0], aout[1]}, {-bin[0], -bin[1]}, {bout[0], bout[1]}};
    if (flag) {
        for (auto& w : v) {
            f64 l = 0.0;
            if (!pk_unit2(w[0], w[1], l)) {
                eroutc("[chkjunc] UNABLE TO CALCULATE 2D PROJECTION", 0);
                result = 0;
                return;
            }
        }
    }
    f64 ang[4];
    for (int k = 0; k < 4; ++k) ang[k] = std::atan2(v[k][1], v[k][0]);
    // Each loop's pair ordered (lower, upper) with its vectors.
    i32 alo = ang[0] <= ang[1] ? 0 : 1, ahi = 1 - alo, blo = ang[2] <= ang[3] ? 2 : 3, bhi = 5 - blo;
    if (pk_eq(ang[ahi], ang[bhi])) {
        result = 0;
        return;
    }
    i32 plo, phi, qlo, qhi;
    if (ang[ahi] > ang[bhi]) {
        plo = alo;
        phi = ahi;
        qlo = blo;
        qhi = bhi;
    } else {
        plo = blo;
        phi = bhi;
        qlo = alo;
        qhi = ahi;
    }
    (void)phi;
    if (gevald(ang[plo], ang[qlo]) && levald(ang[plo], ang[qhi])) {
        result = 0;  // the sectors interleave: the loops cross
        return;
    }
    // The sectors apart: a touch, unless the two lower directions are
    // parallel. Only that pair is compared; B's lower direction is not
    // compared with A's upper one as well, since nothing settles how a
    // second parallel pair would change the answer, and the sectors alone
    // decide every other case.
    const f64* al = v[alo];
    const f64* bl = v[blo];
    result = pk_eq(bl[0] * al[1], bl[1] * al[0]) ? 0 : 1;
}

void angle_ccw_greater(const f64& r, const f64& a, const f64& b, i32& result)
{
    const f64 full = 6.2831854820251465;
    f64 da = pk_turn(a - r, full), db = pk_turn(b - r, full);
    result = db > da ? 1 : 0;
}

void luplup_angles(const f64* a1, const f64* a2, const f64* b1, const f64* b2, const f64* ref, i32& result)
{
    f64 r = std::atan2(-ref[1], -ref[0]);
    i32 f1 = 0, f2 = 0;
    angle_ccw_greater(r, std::atan2(a1[1], a1[0]), std::atan2(b1[1], b1[0]), f1);
    angle_ccw_greater(r, std::atan2(a2[1], a2[0]), std::atan2(b2[1], b2[0]), f2);
    result = f1 != f2 ? 1 : 0;
}

void luplup_cut(pokarr& loop, i32 i, i32 j, i32& status)
{
    status = 0;
    i = std::abs(i);
    j = std::abs(j);
    // A loop on the surfaces held in a pool buffer is left as it is; any
    // other loop has its x and y moved, its heights kept.
    if (loop.dims != 2 && loop.storage >= 0) return;
    PkSegDesc di, dj;
    bool si = pk_seg_desc(loop, i, di) && !di.arc, sj = pk_seg_desc(loop, j, dj) && !dj.arc;
    if (!si && !sj) {
        status = 1;
        return;
    }
    auto arc_neighbours = [&](i32 s) {
        i32 n = 0;
        PkSegDesc d;
        if (pk_seg_desc(loop, pk_seg_step(loop, s, 2), d) && d.arc) ++n;
        if (pk_seg_desc(loop, pk_seg_step(loop, s, 1), d) && d.arc) ++n;
        return n;
    };
    i32 seg = si && sj ? (arc_neighbours(j) < arc_neighbours(i) ? j : i) : (si ? i : j);
    PkSegDesc d;
    pk_seg_desc(loop, seg, d);
    f64 dx = d.e[0] - d.s[0], dy = d.e[1] - d.s[1], l = 0.0;
    // A segment of no length has no side to move it to: nothing is nudged,
    // answered as for two arcs (1), so that the walk goes on unrestarted.
    if (!pk_unit2(dx, dy, l)) {
        status = 1;
        return;
    }
    f64 mx = 0.0005 * dy, my = -0.0005 * dx;
    PkSegDesc before, after;
    bool arc_before = pk_seg_desc(loop, pk_seg_step(loop, seg, 2), before) && before.arc;
    bool arc_after = pk_seg_desc(loop, pk_seg_step(loop, seg, 1), after) && after.arc;
    i32 st = seg - 1, en = seg;
    const f64 zs = loop.dims >= 3 ? loop.z[st] : 0.0, ze = loop.dims >= 3 ? loop.z[en] : 0.0;
    const f64 ps[3] = {d.s[0] + mx, d.s[1] + my, zs}, pe[3] = {d.e[0] + mx, d.e[1] + my, ze};
    const f64* vs = loop.dims == 4 ? loop.vec + 3 * st : nullptr;
    const f64* ve = loop.dims == 4 ? loop.vec + 3 * en : nullptr;
    // An arc on either side keeps its end: the moved point is inserted beside
    // it (before the start of the arc after, behind the end of the arc before).
    // The arc is left whole and on its circle, and the loop stays closed, so
    // there is no arc to refit and no entry to take out; the short step to
    // the moved point is a straight segment that the offset repair below
    // judges with the rest.
    if (arc_after) {
        const f64 v[3] = {ve ? ve[0] : 0.0, ve ? ve[1] : 0.0, ve ? ve[2] : 1.0};
        pokarr_insert_pnt(pe, v, loop, en, status);
        if (status != 0) return;
    } else {
        loop.x[en] = pe[0];
        loop.y[en] = pe[1];
        if (en == loop.count - 1) {
            loop.x[0] = pe[0];
            loop.y[0] = pe[1];
        }
    }
    if (arc_before) {
        const f64 v[3] = {vs ? vs[0] : 0.0, vs ? vs[1] : 0.0, vs ? vs[2] : 1.0};
        pokarr_insert_pnt(ps, v, loop, st + 1, status);
        if (status != 0) return;
    } else {
        loop.x[st] = ps[0];
        loop.y[st] = ps[1];
        if (st == 0) {
            loop.x[loop.count - 1] = ps[0];
            loop.y[loop.count - 1] = ps[1];
        }
    }
    loop.direction = 0;
    // The repair runs at the fixed offset tolerance (0.001), not at the
    // pocket's segment tolerance: that one reaches 0.01 of the step, and the
    // repair drops steps shorter than a tenth of its tolerance, which would
    // take out the 0.0005 steps made above beside an arc and undo the nudge.
    OFFSEG(1, 0, pk_offset_tol, loop);
    status = 0;
}

namespace {

// Two entries within 0.001 of each other, one of them a touch, that share a
// segment become one entry (the lower A and the higher B segment).
void join_touch_pairs(CrossTable& t, i32& count)
{
    bool touch2 = false;
    for (i32 k = 0; k < count; ++k) touch2 = touch2 || work.touch[k] == 2;
    for (i32 k = 0; touch2 && count > 1 && k < count; ++k) {
        i32 m = k + 1 < count ? k + 1 : 0;
        if (m == k) break;
        if (t.bseg[k] <= 0 || t.bseg[m] <= 0 || (work.touch[k] != 2 && work.touch[m] != 2)) continue;
        if (std::fabs(t.x[k] - t.x[m]) >= 0.001 || std::fabs(t.y[k] - t.y[m]) >= 0.001) continue;
        bool share = t.bseg[k] == t.bseg[m] || t.aseg[k] == t.aseg[m] || t.aseg[k] == t.bseg[m] ||
                     t.bseg[k] == t.aseg[m];
        if (!share) continue;
        i32 lo = k < m ? k : m, hi = k < m ? m : k;
        t.aseg[lo] = std::min(t.aseg[k], t.aseg[m]);
        t.bseg[lo] = std::max(t.bseg[k], t.bseg[m]);
        remove_entry(t, count, hi);
        --k;
    }
}

// Two crossings at one point: when B leaves it once on each side of A (B's
// directions after the point, measured counter-clockwise from A's way in
// against A's directions after it), B goes in and out there and both are
// touches; otherwise the later one is. Such pairs are settled in every mode
// of the search, whether its clean-up pass ran or not.
void settle_pairs(CrossTable& t, i32 count)
{
    for (i32 k = 0; k < count; ++k)
        for (i32 m = k + 1; m < count; ++m) {
            const f64 p[2] = {t.x[k], t.y[k]}, q[2] = {t.x[m], t.y[m]};
            if (t.bseg[k] <= 0 || t.bseg[m] <= 0 || !pk_eqpt2(p, q)) continue;
            i32 res = 0;
            luplup_angles(&work.aout[2 * k], &work.aout[2 * m], &work.bout[2 * k], &work.bout[2 * m],
                          &work.ain[2 * k], res);
            if (res == 1 && t.aseg[k] > 0 && t.aseg[m] > 0) t.bseg[k] = -t.bseg[k];
            t.bseg[m] = -t.bseg[m];
        }
}

// An odd number of crossings left: the first one the clean-up pass marked
// becomes a touch, so that the crossings alternate in and out.
void make_even(CrossTable& t, i32 count)
{
    i32 pos = 0;
    for (i32 k = 0; k < count; ++k) pos += t.bseg[k] > 0 ? 1 : 0;
    if (pos % 2 == 1)
        for (i32 k = 0; k < count; ++k)
            if (work.mark[k] && t.bseg[k] > 0) {
                t.bseg[k] = -t.bseg[k];
                break;
            }
}

// One entry per point: a point at a vertex found again on the neighbouring
// segment of A or of B is already in the table.
bool found_before(const pokarr& a, const pokarr& b, const CrossTable& t, i32 count, const f64* p, i32 aseg, i32 bseg)
{
    for (i32 k = 0; k < count; ++k) {
        const f64 q[2] = {t.x[k], t.y[k]};
        if (pk_eqpt2(p, q) && (neighbours(a, t.aseg[k], aseg) || neighbours(b, t.bseg[k], bseg))) return true;
    }
    return false;
}

}  // namespace

// The segment offered to the nudge beside A's segment `seg` (d its
// description) at a crossing point p: at a vertex of A the other segment
// meeting there; inside the segment (a vertex of B) the segment itself, the
// only one of A that passes through the point.
namespace {
i32 nudge_partner(const pokarr& a, i32 seg, const PkSegDesc& d, const f64* p)
{
    if (pk_eqpt2(p, d.e)) return pk_seg_step(a, seg, 1);
    if (pk_eqpt2(p, d.s)) return pk_seg_step(a, seg, 2);
    return seg;
}
}  // namespace

void LUPLUP(i32 mode, pokarr& a, const pokarr& b, const PkBox& boxb, CrossTable& t, i32& count, i32& status)
{
    bool talk = clr_kind == 0;
    i32 hundreds = (mode / 100) % 10, tens = (mode / 10) % 10, units = mode % 10;
    i32 cap = tens ? LUP_CROSS_MAX10 : LUP_CROSS_MAX;
    bool self = &a == &b;
    status = 0;
    count = 0;
    restarts_made = 0;
    work_size();
    PkBox* rebuilt = nullptr;
    PkBox local;
    const PkBox* box = &boxb;
    bool any = false;
    // A crossing place (its number in the table) is nudged at once per call:
    // the marks outlive the restarts, so no place starts the walk twice and
    // the restarts end.
    std::vector<char> nudged(static_cast<size_t>(cap) + 2, 0);
restart:
    count = 0;
    for (i32 seg = 1; seg < a.count && !(hundreds && count >= 1);) {
        PkSegDesc d;
        if (!pk_seg_desc(a, seg, d)) break;
        i32 next = d.arc ? seg + 4 : seg + 1;
        if (d.arc && pk_eqpt2(d.s, d.e)) {
            seg = next;
            continue;
        }
        LupsegHit prev, hit;
        // The tens mode of the search is read as that of the walk: the
        // search itself runs alike in every mode (B's chunks from the first,
        // every segment to B's last), so it takes no mode, and the tens digit
        // acts through the clean-up's nudge below.
        for (;;) {
            LUPSEG(d, seg, b, *box, 0, self, prev, hit);
            if (!hit.found) break;
            any = true;
            prev = hit;
            const f64 p[2] = {hit.x, hit.y};
            i32 aseg = seg, bseg = hit.bseg;
            // A repeat is dropped before the capacity test: it is no new
            // crossing and takes no place, so a full table that meets one is
            // not reported as overflowing.
            if (found_before(a, b, t, count, p, aseg, bseg)) continue;
            if (count + 1 > cap) {
                if (talk) eroutc("LUPLUP,TOO MANY INTERSECTION POINTS WITH ISLAND ", 0);
                count = -1;
                return;
            }
            PkSegDesc db;
            pk_seg_desc(b, bseg, db);
            i32 k = count++;
            const f64 closing[2] = {a.x[a.count - 1], a.y[a.count - 1]};
            const f64 bclose[2] = {b.x[b.count - 1], b.y[b.count - 1]};
            PkSegDesc da = d;
            if (pk_eqpt2(p, closing) && pk_eqpt2(p, d.e)) {
                aseg = 1;
                pk_seg_desc(a, 1, da);
            }
            if (pk_eqpt2(p, bclose) && pk_eqpt2(p, db.e)) {
                bseg = 1;
                pk_seg_desc(b, 1, db);
            }
            t.aseg[k] = aseg;
            t.bseg[k] = bseg;
            t.x[k] = hit.x;
            t.y[k] = hit.y;
            work.adist[k] = dist_from_start(da, hit.x, hit.y);
            work.bdist[k] = dist_from_start(db, hit.x, hit.y);
            work.touch[k] = hit.found;
            work.mark[k] = 0;
            pk_dirs_at(a, aseg, da, p, &work.ain[2 * k], &work.aout[2 * k]);
            pk_dirs_at(b, bseg, db, p, &work.bin[2 * k], &work.bout[2 * k]);
            // Ordered by A's segment and the distance along it.
            while (k > 0 && (t.aseg[k - 1] > t.aseg[k] ||
                             (t.aseg[k - 1] == t.aseg[k] && work.adist[k - 1] > work.adist[k]))) {
                move_entry(t, LUP_CROSS_MAX10 + 1, k);
                move_entry(t, k, k - 1);
                move_entry(t, k - 1, LUP_CROSS_MAX10 + 1);
                --k;
            }
            if (hundreds) break;
        }
        seg = next;
    }
    if (units || tens) {
        for (i32 k = 0; k < count; ++k) {
            if (t.bseg[k] < 0) continue;
            const f64 p[2] = {t.x[k], t.y[k]};
            PkSegDesc da, db;
            pk_seg_desc(a, t.aseg[k], da);
            pk_seg_desc(b, t.bseg[k], db);
            bool vertex = pk_eqpt2(p, da.s) || pk_eqpt2(p, da.e) || pk_eqpt2(p, db.s) || pk_eqpt2(p, db.e);
            if (!vertex) continue;
            const f64 *ai = &work.ain[2 * k], *ao = &work.aout[2 * k], *bi = &work.bin[2 * k],
                      *bo = &work.bout[2 * k];
            if (same_dir(ai, bi) || same_dir(ai, bo) || same_dir(ao, bi) || same_dir(ao, bo)) {
                work.mark[k] = 1;
                // A loop on the surfaces held in a pool is not nudged: the
                // nudge leaves it as it is and answers success, and a walk
                // restarted over the same loop would only meet the point again.
                if (tens && !nudged[static_cast<size_t>(k)] && (a.dims == 2 || a.storage < 0)) {
                    // The loops run along each other here: A is moved off B
                    // at a segment through the point, and walked again.
                    nudged[static_cast<size_t>(k)] = 1;
                    i32 other = nudge_partner(a, t.aseg[k], da, p);
                    i32 st = 0;
                    luplup_cut(a, t.aseg[k], other, st);
                    if (st < 0) {
                        // A nudge that could not be stored leaves the table
                        // half built: the walk fails (count -1 with the
                        // nudge's status) rather than handing out its first
                        // entry as the only crossing.
                        count = -1;
                        status = st;
                        return;
                    }
                    if (st == 0) {
                        ++restarts_made;
                        // The box table searched is B's, and B is not moved
                        // by the nudge (A is): it is rebuilt from B, so that
                        // the walk over the moved A searches B's own
                        // segments. A table built from A would send the
                        // search for B's segments to A's boxes.
                        pkbox_make(b, local);
                        rebuilt = &local;
                        box = rebuilt;
                        goto restart;
                    }
                }
            }
            i32 res = 0;
            chkjunc(1, ai, ao, bi, bo, res);
            if (res == 1) t.bseg[k] = -t.bseg[k];
        }
    }
    settle_pairs(t, count);
    if (units) make_even(t, count);
    if (tens) join_touch_pairs(t, count);
    if (count == 0 && any) status = 1;
}

void lup_intersect(i32 mode, pokarr& a, const pokarr& b, const PkBox& boxb, CrossTable& t, i32& count,
                   i32& status)
{
    i32 units = mode % 10;
    LUPLUP(mode, a, b, boxb, t, count, status);
    if (units > 1 && count > 0 && a.dims != 2) {
        for (i32 k = 0; k < count; ++k) {
            f64 pa[3] = {t.x[k], t.y[k], 0.0}, pb[3] = {t.x[k], t.y[k], 0.0}, v[3];
            i32 flat = 0, st = 0;
            pk_get_seg(a, std::abs(t.aseg[k]), pa, v, flat, st);
            pk_get_seg(b, std::abs(t.bseg[k]), pb, v, flat, st);
            if (units == 4) {
                t.h1[k] = pa[2] - pb[2];
            } else {
                t.h1[k] = pa[2];
                t.h2[k] = pb[2];
            }
        }
    }
}

void lup_intersect_kept(i32 mode, const pokarr& a, const pokarr& b, CrossTable& t, i32& count, i32& status)
{
    pokarr w;
    pokarr_init(a.dims, w);
    pokarr_copy(a, w, status);
    if (status != 0) {
        pokarr_free(w);
        count = -1;
        status = -1;
        return;
    }
    const pokarr& bw = &a == &b ? w : b;
    auto box = std::make_unique<PkBox>();
    pkbox_make(bw, *box);
    lup_intersect(mode, w, bw, *box, t, count, status);
    pokarr_free(w);
}
