// Links of the offset loops: the first stage of the cutting and the start
// point stage.
#include "cleanup/clrlink.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <utility>

#include "cleanup/lanecut.h"
#include "core/host.h"
#include "core/intchk.h"
#include "core/progress.h"
#include "pocket/looptest.h"
#include "pocket/luptab.h"
#include "pocket/pkgeom.h"
#include "pocket/pkmath.h"
#include "pocket/pokvals.h"
#include "pocket/selfint.h"

ClrLinks clr_links;

bool lnk_clear(ClrLinks& l, i32 rows)
{
    const size_t n = static_cast<size_t>(std::clamp(rows, 0, LNK_ROWS)) + 1;
    l.n_chains = 0;
    try {
        l.index.assign(n, 0);
        l.x.assign(n, 0.0);
        l.y.assign(n, 0.0);
        l.frac.assign(n, 0.0);
        l.from.assign(n, 0);
    } catch (const std::bad_alloc&) {
        l = ClrLinks{};
        return false;
    }
    return true;
}

std::vector<i32> lup_link_segs(const pokarr& loop)
{
    std::vector<i32> segs;
    const i32 last = pk_seg_last(loop);
    for (i32 k = 1; k <= last; k += pk_arc_at(loop.x[k]) ? 4 : 1) segs.push_back(k);
    return segs;
}

bool lnk_has(const ClrLinks& l, i32 row) { return row >= 1 && static_cast<size_t>(row) < l.index.size(); }

i32 lnk_seg(const ClrLinks& l, i32 row) { return lnk_has(l, row) ? l.index[static_cast<size_t>(row)] : 0; }

void lnk_landed(ClrLinks& l, i32 row, i32 from)
{
    if (lnk_has(l, row)) l.from[static_cast<size_t>(row)] = from;
}

void lnk_set(ClrLinks& l, i32 row, i32 seg, f64 frac, const f64* p)
{
    if (!lnk_has(l, row)) return;
    const size_t k = static_cast<size_t>(row);
    l.index[k] = seg;
    l.frac[k] = frac;
    l.x[k] = p[0];
    l.y[k] = p[1];
}

namespace {

// Length of a described segment.
f64 seg_length(const PkSegDesc& d)
{
    if (d.arc == 0) return std::hypot(d.e[0] - d.s[0], d.e[1] - d.s[1]);
    return d.r * pk_arc_sweep(d.dir, d.c[0], d.c[1], d.s[0], d.s[1], d.e[0], d.e[1]);
}

// Point at fraction t of a described segment.
void seg_point(const PkSegDesc& d, f64 t, f64* p)
{
    if (d.arc == 0)
        pk_lin_point(d.s[0], d.s[1], d.e[0], d.e[1], t, p[0], p[1]);
    else
        pk_arc_point(d.r, d.dir, d.c[0], d.c[1], d.s[0], d.s[1], d.e[0], d.e[1], t, p[0], p[1]);
}

}  // namespace

void lup_link_dir(i32 mode, i32 row, i32 index, f64 frac, pokarr& loop, const f64& radius, f64* out_pt,
                  f64* out_far, f64* out_in, i32& status)
{
    status = 0;
    PkSegDesc d;
    if (!pk_seg_desc(loop, index, d)) {
        status = 11;
        return;
    }
    const f64 minlen = std::clamp(0.5 * pkoff.seg_tol, 0.0001, 0.001);
    if (seg_length(d) < minlen) {
        status = 1;
        return;
    }
    seg_point(d, frac, out_pt);
    f64 u[2];
    pk_seg_dir(loop, index, 0, out_pt, u);
    if (mode == 2) {
        f64 b[2];
        pk_seg_dir(loop, pk_seg_step(loop, index, 2), 2, d.s, b);
        f64 l = 0.0;
        u[0] += b[0];
        u[1] += b[1];
        if (!pk_unit2(u[0], u[1], l)) pk_seg_dir(loop, index, 0, out_pt, u);
    }
    if (loop.direction == 0) pokarr_area(loop);
    // square to the loop, away from its inside (contours) or into it (islands)
    f64 n[2] = {u[1], -u[0]};
    if (loop.direction < 0) n[0] = -n[0], n[1] = -n[1];
    if (lup_row(row).key > 10000) n[0] = -n[0], n[1] = -n[1];
    out_far[0] = out_pt[0] + 10000.0 * n[0];
    out_far[1] = out_pt[1] + 10000.0 * n[1];
    out_in[0] = out_pt[0] - 0.25 * radius * n[0];
    out_in[1] = out_pt[1] - 0.25 * radius * n[1];
}

void lup_link_cross(i32 row, const pokarr& loop, const f64* from, const f64* to, i32 angle_test, i32& found,
                    f64* out_pt, i32& out_seg, f64& out_frac)
{
    (void)row;
    out_seg = 0;
    out_frac = 0.0;
    lup_seg_cross(1, from, to, loop, out_pt, found, &out_seg, &out_frac);
    if (found == 0 || angle_test == 0) return;
    PkSegDesc d;
    // A crossing on a segment that cannot be read cannot pass the angle
    // test: it is refused.
    if (!pk_seg_desc(loop, out_seg, d)) {
        found = -1;
        return;
    }
    f64 v[2] = {to[0] - from[0], to[1] - from[1]}, l = 0.0;
    if (!pk_unit2(v[0], v[1], l)) return;
    f64 w[2];
    if (d.arc == 0) {
        w[0] = d.e[0] - d.s[0];
        w[1] = d.e[1] - d.s[1];
        if (!pk_unit2(w[0], w[1], l)) return;
        const f64 sine = std::fabs(pk_cross2(v[0], v[1], w[0], w[1]));
        if (sine < (pokdim == 2 ? 1.0 - 0.001 : 0.7071)) found = -1;
    } else {
        w[0] = out_pt[0] - d.c[0];
        w[1] = out_pt[1] - d.c[1];
        if (!pk_unit2(w[0], w[1], l)) return;
        if (std::fabs(pk_cross2(v[0], v[1], w[0], w[1])) > 0.001) found = -1;
    }
}

namespace {

// A link: from point pt on segment seg of row's loop to the point cross on
// segment pseg of its parent's loop.
struct Cand {
    i32 row = 0, seg = 0, pseg = 0;
    f64 frac = 0.0, pfrac = 0.0, d2 = 1.0e300;
    f64 pt[2] = {0.0, 0.0}, cross[2] = {0.0, 0.0};
};

// The row's loop into `a` (emptied first); false on a failure.
bool load(i32 row, pokarr& a)
{
    pokarr_free(a);
    pokarr_init(2, a);
    i32 st = 0;
    lup_get_pokarr(row, a, st);
    return st == 0;
}

// Whether the straight move p-q crosses an island other than rows a and b:
// 0 no, 1 yes, negative a failure of the search.
i32 link_blocked(i32 a, i32 b, const f64* p, const f64* q)
{
    pokarr lane;
    i32 st = 0;
    pokarr_init_dyn(2, 2, lane, st);
    if (st != 0) return -1;
    lane.x[0] = p[0], lane.y[0] = p[1], lane.x[1] = q[0], lane.y[1] = q[1];
    lane.count = 2;
    i32 row = 0;
    lane_cross_find(a, b, lane, nullptr, row, st);
    pokarr_free(lane);
    return st < 0 ? st : (st != 0 ? 1 : 0);
}

// A candidate point that coincides with an end of its segment.
bool at_vertex(const pokarr& loop, i32 seg, const f64* p)
{
    PkSegDesc d;
    if (!pk_seg_desc(loop, seg, d)) return true;
    auto near = [&](const f64* q) { return std::fabs(q[0] - p[0]) < 1.0e-4 && std::fabs(q[1] - p[1]) < 1.0e-4; };
    return near(d.s) || near(d.e);
}

// The squared length a link must stay below: in plan the side step with a
// small allowance, in a surface pocket the step raised by the lift.
f64 link_limit(f64 radius)
{
    return pokdim == 2 ? radius * radius + 0.001 : std::pow((pokpar.lift + 1.0) * radius * 1.2, 2);
}

// The shortest link from one of the loops `alts` (rows sharing one parent)
// to the parent's loop, fraction after fraction: 0 found, 1 none, 11 failure.
i32 link_search(const std::vector<i32>& alts, std::vector<pokarr>& loops, i32 par, const pokarr& ploop,
                f64 radius, Cand& best)
{
    const f64 limit = link_limit(radius);
    // The second series runs whenever the first met a longer link, also
    // when it found short ones that crossings all refused: a longer link
    // past the obstacle (its direction averaged with the segment before)
    // keeps the chain together, where ending it would split the chain and
    // lift the tool between its loops.
    bool longer = false;
    for (i32 series = 1; series <= 2; ++series) {
        if (series == 2 && !longer) break;
        const f64 lim = series == 1 ? limit : 12.0 * limit;
        for (i32 k = 0; k < 10; ++k) {
            Cand c;
            for (size_t a = 0; a < alts.size(); ++a) {
                // an island's fraction and segment order are its own, also
                // when it competes with a contour's loop for one parent
                const bool isl = lup_row(alts[a]).key > 10000;
                f64 f = 0.5 + 0.09 * k + (isl ? 0.06 : 0.0);
                if (f > 1.0) f -= 1.0;
                pokarr& loop = loops[a];
                if (loop.direction == 0) pokarr_area(loop);
                const std::vector<i32> segs = lup_link_segs(loop);
                const i32 last = static_cast<i32>(segs.size());
                // in 3-D, from the third fraction on, only segments of at
                // least 0.05 of the loop's length are tried; the length is
                // the plan length of its segments, the measure the link
                // search works in (the links are made in plan)
                f64 shortest = 0.0;
                if (pokdim != 2 && k >= 2) {
                    for (i32 sg : segs) {
                        PkSegDesc d;
                        if (pk_seg_desc(loop, sg, d)) shortest += seg_length(d);
                    }
                    shortest *= 0.05;
                }
                for (i32 j = 0; j < last; ++j) {
                    const i32 seg = segs[static_cast<size_t>(isl ? last - 1 - j : j)];
                    if (shortest > 0.0) {
                        PkSegDesc d;
                        if (!pk_seg_desc(loop, seg, d) || seg_length(d) < shortest) continue;
                    }
                    f64 pt[2], far[2], in[2], x[2], pf = 0.0;
                    i32 st = 0, found = 0, ps = 0;
                    lup_link_dir(series, alts[a], seg, f, loop, radius, pt, far, in, st);
                    // a segment too short is passed over; a kernel routine
                    // that fails ends the stage with 11
                    if (st == 11) return 11;
                    if (st != 0) continue;
                    if (lup_row(alts[a]).level != 3 && at_vertex(loop, seg, pt)) continue;
                    lup_link_cross(par, ploop, pt, far, 1, found, x, ps, pf);
                    if (found != 1) continue;
                    const f64 d2 = (x[0] - pt[0]) * (x[0] - pt[0]) + (x[1] - pt[1]) * (x[1] - pt[1]);
                    if (d2 >= lim) {
                        longer = true;
                        continue;
                    }
                    if (d2 < c.d2) c = {alts[a], seg, ps, f, pf, d2, {pt[0], pt[1]}, {x[0], x[1]}};
                }
            }
            // The best candidate is the shortest of this fraction; one that
            // crosses an island or another loop is refused and the next
            // fraction is tried, the chain ending only when none is left: a
            // link refused at one fraction may pass at another, and each
            // split starts a chain of its own.
            if (c.row == 0) continue;
            const i32 b = link_blocked(c.row, par, c.pt, c.cross);
            if (b < 0) return 11;
            if (b == 0) {
                best = c;
                return 0;
            }
        }
    }
    return 1;
}

// The link of a row that already carries its point. That point is where the
// tool arrives from the loop inside, and a row has one link point, where its
// tour starts and ends: the tool leaves for the parent from the same point.
// So the fractions and segments are not searched again (a new point would
// move the tour's start away from the end of the link coming in, and that
// link would no longer be the straight move that was checked); the ray from
// the kept point is put to the same tests as a searched one: met square, in
// the first series below the limit, in the second (only after the first
// found a longer link) below 12 times the limit with the direction averaged
// with the preceding segment's. 0 found, 1 none, 11 failure.
i32 link_fixed(i32 cur, pokarr& loop, i32 par, const pokarr& ploop, f64 radius, const ClrLinks& l, Cand& c)
{
    const size_t k = static_cast<size_t>(cur);
    const i32 seg = std::abs(l.index[k]);
    const f64 limit = link_limit(radius);
    for (i32 series = 1; series <= 2; ++series) {
        f64 pt[2], far[2], in[2], x[2], pf = 0.0;
        i32 st = 0, found = 0, ps = 0;
        lup_link_dir(series, cur, seg, l.frac[k], loop, radius, pt, far, in, st);
        if (st == 11) return 11;
        if (st != 0) return 1;
        pt[0] = l.x[k], pt[1] = l.y[k];
        lup_link_cross(par, ploop, pt, far, 1, found, x, ps, pf);
        if (found != 1) return 1;
        const f64 d2 = (x[0] - pt[0]) * (x[0] - pt[0]) + (x[1] - pt[1]) * (x[1] - pt[1]);
        if (d2 >= (series == 1 ? limit : 12.0 * limit)) continue;
        const i32 b = link_blocked(cur, par, pt, x);
        if (b < 0) return 11;
        if (b != 0) return 1;
        c = {cur, seg, ps, l.frac[k], pf, d2, {pt[0], pt[1]}, {x[0], x[1]}};
        return 0;
    }
    return 1;
}

// Ends a chain below `par`: a reference row makes `par` the end of a chain
// of its own, and the rows after `par` that carry its key (the inner part)
// take a new chain key. Status 0 or 10.
i32 link_split(i32 par, ClrLinks& l)
{
    const i32 old = lup_row(par).key, last = lup_count;
    // Key 9999 marks the terminator rows: a new chain may never take it,
    // so the split is refused as too many loops before it would.
    if (l.n_chains + 1 >= 9999) return 10;
    // The reference row takes the parent's inherited word but not its start:
    // it is added like any reference row, without points, its start the next
    // free index. A row's points run from its start to the next row's start,
    // so a start copied from `par` would make the new row hold the points of
    // every row from `par` up to it.
    i32 st = 0;
    lup_add_ref(1 + lup_row(par).subkey, old, par, st);
    if (st != 0) return 10;
    ++l.n_chains;
    for (i32 r = par + 1; r <= last; ++r)
        if (lup_row(r).key == old) lup_row(r).key = l.n_chains;
    return 0;
}

// Links the chain that ends at row `end`, from its inner loop outward.
i32 link_chain(i32 end, f64 radius, ClrLinks& l, i32& handled)
{
    const i32 mark = pk_isl_skip + 1;
    i32 cur = std::abs(lup_row(end).parent);
    pokarr cl, pl;
    pokarr_init(2, cl);
    pokarr_init(2, pl);
    i32 status = 0;
    for (i32 steps = 0; status == 0 && steps <= lup_count; ++steps) {
        if (cur <= mark || cur > lup_count) break;
        const i32 par = lup_row(cur).parent;
        if (par <= mark || par > lup_count || lup_row(par).key != lup_row(cur).key || lup_row(par).subkey <= 0) break;
        if (++handled % 15 == 0) CHKINT();
        if (!load(par, pl) || !load(cur, cl)) {
            status = 11;
            break;
        }
        Cand c;
        i32 got = 1;
        if (lnk_seg(l, cur) != 0) {
            got = link_fixed(cur, cl, par, pl, radius, l, c);
        } else {
            // rows that compete for the same parent: same sub-key and
            // parent, islands included; a row that holds its link already
            // does not compete again: it has one link point, where its
            // chain's link leaves it, and won again it would move that
            // point away from the link its chain was made with
            std::vector<i32> alts{cur};
            std::vector<pokarr> loops{cl};
            for (i32 r = lup_count; r >= 1 && alts.size() < 250; --r) {
                const LupRow& w = lup_row(r);
                if (r == cur || w.parent != par || w.subkey != lup_row(cur).subkey || lnk_seg(l, r) != 0)
                    continue;
                pokarr a;
                pokarr_init(2, a);
                if (!load(r, a)) got = 11;
                alts.push_back(r);
                loops.push_back(a);
            }
            if (got != 11) got = link_search(alts, loops, par, pl, radius, c);
            for (size_t a = 1; a < loops.size(); ++a) pokarr_free(loops[a]);
        }
        if (got == 11) {
            status = 11;
        } else if (got == 0) {
            // Only the two rows the link joins are set. A row between them
            // that was linked before to the same parent (a sibling, whose end
            // on the parent this link has just moved: the parent keeps one
            // link point) keeps its own link all the same: its point on its
            // own loop is still where its tour starts and ends, the point its
            // way out was tested from; cleared, its tour would start at its
            // loop's first point, reached by a move no link test has seen.
            lnk_set(l, c.row, c.seg, c.frac, c.pt);
            lnk_set(l, par, c.pseg, c.pfrac, c.cross);
            lnk_landed(l, par, c.row);
            cur = par;
        } else {
            status = link_split(par, l);
            cur = par;
        }
    }
    pokarr_free(cl);
    pokarr_free(pl);
    return status;
}

}  // namespace

void clr_link_loops(i32 select, const f64& radius, const i32& direction, const i32& cut_mode, ClrLinks& l,
                    i32& status)
{
    (void)select;
    (void)direction;
    status = 0;
    const i32 rows = lup_count;
    if (rows >= LNK_ROWS + 1) {
        status = 10;
        return;
    }
    // The link arrays are the module's own; memory that cannot be had for
    // them fails the stage with -1 and a message, as the engine's pool
    // failures do, rather than ending the run.
    if (!lnk_clear(l, 2 * (rows + 1))) {
        eroutc("[clr_link_loops] DYNAMIC MEMORY ERROR - CANNOT ALLOCATE", 0);
        status = -1;
        return;
    }
    for (i32 r = 1; r <= rows; ++r)
        if (lup_row(r).key <= 10000 && lup_row(r).key != 9999) l.n_chains = std::max(l.n_chains, lup_row(r).key);
    const bool shown = cut_mode != 1 && pokpar.progress_mode != 5;
    if (shown) PRGLOP(0, rows, 0);
    i32 handled = 0;
    const i32 mark = pk_isl_skip + 1;
    for (i32 r = rows; r >= 1 && status == 0; --r) {
        if (shown && (rows - r + 1) % 20 == 0) PRGLOP(1, rows, rows - r + 1);
        const LupRow& e = lup_row(r);
        if (e.subkey >= 0 || lnk_seg(l, r) != 0 || std::abs(e.parent) <= mark) continue;
        status = link_chain(r, radius, l, handled);
    }
    if (shown) PRGLOP(2, rows, rows);
}

bool lup_link_locate(const pokarr& loop, const f64* p, i32& seg, f64& frac, f64* foot)
{
    f64 best = 1.0e300;
    seg = 0;
    for (const i32 s : lup_link_segs(loop)) {
        PkSegDesc d;
        if (!pk_seg_desc(loop, s, d)) continue;
        f64 dist = 0.0, fx = 0.0, fy = 0.0, t = 0.0;
        if (d.arc == 0) {
            pk_dist_seg(0, p[0], p[1], d.s[0], d.s[1], d.e[0], d.e[1], dist, fx, fy);
            const f64 len = std::hypot(d.e[0] - d.s[0], d.e[1] - d.s[1]);
            t = len > 0.0 ? std::hypot(fx - d.s[0], fy - d.s[1]) / len : 0.0;
        } else {
            pk_pnt_arc(2, p[0], p[1], d.r, d.dir, d.c[0], d.c[1], d.s[0], d.s[1], d.e[0], d.e[1], dist, fx, fy, t);
            const f64 q[2] = {fx, fy};
            pk_arc_frac(d.r, d.dir, d.c, d.s, d.e, q, t);
        }
        if (dist < best) {
            best = dist;
            seg = s;
            frac = std::clamp(t, 0.0, 1.0);
            foot[0] = fx;
            foot[1] = fy;
        }
    }
    return seg != 0;
}

namespace {

// The chain of the first contour re-linked from the start point outward:
// 100 done, 0 nothing to move or a link would cross an island, negative a
// failed search.
i32 relink_from_start(const f64& radius, ClrLinks& l)
{
    const i32 mark = pk_isl_skip + 1;
    i32 end = 0;
    for (i32 r = lup_count; r >= 1 && end == 0; --r)
        if (lup_row(r).key == 1 && lup_row(r).subkey < 0) end = r;
    if (end == 0) return 0;
    i32 cur = std::abs(lup_row(end).parent);
    if (cur <= mark || cur > lup_count) return 0;
    pokarr cl, pl;
    pokarr_init(2, cl);
    pokarr_init(2, pl);
    i32 status = 100;
    const f64 start[2] = {pkoff.start[0] - pokorigin[0], pkoff.start[1] - pokorigin[1]};
    i32 seg = 0;
    f64 frac = 0.0, foot[2] = {0.0, 0.0};
    if (!load(cur, cl) || !lup_link_locate(cl, start, seg, frac, foot)) status = -1;
    if (status == 100) {
        lnk_set(l, cur, seg, frac, foot);
        lnk_landed(l, cur, 0);
    }
    for (i32 steps = 0; status == 100 && steps <= lup_count; ++steps) {
        const i32 par = std::abs(lup_row(cur).parent);
        if (par <= mark || par > lup_count || lup_row(par).key != 1 || lup_row(par).subkey <= 0) break;
        if (!lnk_has(l, cur) || !lnk_has(l, par)) {
            status = 10;
            break;
        }
        if (!load(cur, cl) || !load(par, pl)) {
            status = -1;
            break;
        }
        const size_t k = static_cast<size_t>(cur), kp = static_cast<size_t>(par);
        f64 pt[2], far[2], in[2], x[2], pf = 0.0;
        i32 st = 0, found = 0, ps = 0;
        lup_link_dir(1, cur, std::abs(l.index[k]), l.frac[k], cl, radius, pt, far, in, st);
        pt[0] = l.x[k], pt[1] = l.y[k];
        if (st == 0) lup_link_cross(par, pl, pt, far, 0, found, x, ps, pf);
        const f64 d2 = found == 1 ? (x[0] - pt[0]) * (x[0] - pt[0]) + (x[1] - pt[1]) * (x[1] - pt[1]) : 1.0e300;
        if (found == 1 && d2 < 2.501 * radius * radius) {
            lnk_set(l, par, ps, pf, x);
        } else {
            // no square link: the straight move to the parent's own link point
            const f64 q[2] = {l.x[kp], l.y[kp]};
            const i32 b = link_blocked(cur, par, pt, q);
            if (b < 0) status = b;
            if (b > 0) status = 0;
        }
        // either way the tool leaves this loop for the parent's link point
        lnk_landed(l, par, cur);
        cur = par;
    }
    pokarr_free(cl);
    pokarr_free(pl);
    // The chain's last row, the one that gets an empty link, is read as its
    // end row (the reference row the walk began from), not as the outermost
    // loop the walk reached. That loop's link entry is the point where the
    // link from the loop inside arrives, and its tour or lane starts there:
    // emptied, the tour would start at the loop's first entry (the lane at
    // its first segment's middle) and the tool would get there from the
    // inner loop by a move that no link test has checked. The end row has no
    // points and takes no link in the first stage; kept empty, it is never
    // taken for the lane exit of the innermost loop it was made from.
    if (status == 100) {
        const f64 zero[2] = {0.0, 0.0};
        lnk_set(l, end, 0, 0.0, zero);
    }
    return status;
}

}  // namespace

void cutluk(const f64& radius, const i32& direction, ClrLinks& l, i32& status)
{
    (void)direction;
    status = 0;
    if (pokdim != 2) {
        eroutc("[cutluk], 3D POCKET NOT SUPPORTED !!", 0);
        status = -1;
        return;
    }
    if (lup_count >= LNK_ROWS + 1) {
        status = 10;
        return;
    }
    // 100 tells the caller that the start was moved: only a walk that
    // reaches the chain's end answers it. With no first-contour chain to
    // move, or when a link would cross an island (the links are given back
    // as they were), the start was not moved: 0 (both count as success).
    // The copy is the module's own memory: one that cannot be had fails the
    // stage with -1 and a message, as for the link arrays themselves.
    ClrLinks kept;
    try {
        kept = l;
    } catch (const std::bad_alloc&) {
        eroutc("[cutluk] DYNAMIC MEMORY ERROR - CANNOT ALLOCATE", 0);
        status = -1;
        return;
    }
    status = relink_from_start(radius, l);
    if (status == 0) l = std::move(kept);
}
