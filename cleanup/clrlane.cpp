// The lane stage of the pocket cutting.
#include "cleanup/clrlane.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "cleanup/clrcut.h"
#include "cleanup/clrlink.h"
#include "cleanup/clrout.h"
#include "cleanup/lansrf.h"
#include "cleanup/mapgrid.h"
#include "core/host.h"
#include "core/records.h"
#include "cutter/loccom.h"
#include "pocket/looptest.h"
#include "pocket/luptab.h"
#include "pocket/pkclean.h"
#include "pocket/pkgeom.h"
#include "pocket/pkmath.h"
#include "pocket/pokvals.h"
#include "pocket/selfint.h"

i32 lane_proj = 0;
i32 lane_proj_on = 1;

i32 lane_proj_now()
{
    return lane_proj_on == 0 || (HEI8[HEI8_ABSOLUTE] == 1 && eqvald(hei8r(HEI8_INCR), 78.78) != 0) ? 0 : 1;
}

namespace {

// The end of the previous lane (with its normal) and its projected end,
// kept from one lane to the next.
f64 prev_end[3] = {0.0, 0.0, 0.0}, prev_nrm[3] = {0.0, 0.0, 1.0}, prev_proj[3] = {0.0, 0.0, 0.0};

// The point of segment s of the loop `a` at the plan point x, with its
// height and, in 4-D, its normal: on a straight segment the height where
// the segment-height routine puts it; on an arc the height of its centre
// entry. The normal is the start's and the end's blended by the point's
// place along the segment in plan, made a unit vector again, as at the
// point where the loop is turned to start at the lane's entry. The
// segment-height routine blends them by the height fraction instead: the
// same blend where the segment rises, but on a level segment it gives the
// end's normal all along it, so that a lane ending near the start of a
// level stretch would take the normal of its far end; and it leaves the
// blend unnormalised.
void seg_point(const pokarr& a, i32 s, const f64* x, bool arc, f64* p, f64* nrm)
{
    p[0] = x[0];
    p[1] = x[1];
    p[2] = 0.0;
    nrm[0] = nrm[1] = 0.0;
    nrm[2] = 1.0;
    if (a.dims < 3) return;
    if (arc) {
        p[2] = a.z[s + 2];
        return;
    }
    f64 v[3];
    i32 flat = 0, st = 0;
    pk_get_seg(a, s, p, v, flat, st);
    if (a.dims != 4) return;
    const f64 dx = a.x[s] - a.x[s - 1], dy = a.y[s] - a.y[s - 1], l2 = dx * dx + dy * dy;
    f64 u = l2 > 0.0 ? ((x[0] - a.x[s - 1]) * dx + (x[1] - a.y[s - 1]) * dy) / l2 : 1.0;
    u = std::clamp(u, 0.0, 1.0);
    for (i32 c = 0; c < 3; ++c) nrm[c] = (1.0 - u) * a.vec[3 * (s - 1) + c] + u * a.vec[3 * s + c];
    f64 l = 0.0;
    if (!pk_unit3(nrm, l)) nrm[0] = nrm[1] = 0.0, nrm[2] = 1.0;
}

// Keeps the loop `a` (a closed loop starting at the lane's entry point)
// from its start up to the point x on its segment s.
void cut_at(pokarr& a, i32 s, const f64* x, i32& status)
{
    PkSegDesc d;
    if (!pk_seg_desc(a, s, d)) {
        status = 11;
        return;
    }
    // The lane's end takes the loop's height there (and its normal in 4-D),
    // read before the loop is cut: the exit is a plan point, and a lane
    // that ended at height 0 (or at whatever follows the plan point in
    // memory) would dive to the floor at its last move.
    f64 p[3], nrm[3];
    seg_point(a, s, x, d.arc != 0, p, nrm);
    a.count = s;
    if (d.arc != 0)
        pokarr_add_arc(x[0], x[1], &p[2], d.c[0], d.c[1], d.r, d.dir, a, status);
    else if (!pk_eqpt2(x, d.s))
        pokarr_insert_pnt(p, nrm, a, a.count, status);
}

// The exit row of the lane from the entry's link point: the row made from
// the entry whose link point comes next along the entry loop in the cutting
// direction. Out: the exit row (0 none), its point, the candidates. A row
// that ends its chain on another key is chosen by the same rule: the lane
// may end at it, and ending there at once would leave the rest of the entry
// loop uncut.
// The places are compared on the entry loop. An exit row's own stored
// parameter is a place on its own loop, and the two loops number their
// segments each their own way (an arc takes four entries, an offset gains
// and loses segments at its corners), so that parameter says nothing of
// where the link meets the entry loop: the exit's point is found there
// instead. The row whose link ends at the entry's own link point leaves from
// that point, once round: the foot of its point, where its link met the
// entry loop a little obliquely, would lie just ahead of the entry point
// and leave a sliver of a lane with the rest of the loop uncut.
i32 lane_exit(const ClrLinks& l, i32 row, const pokarr& loop, const i32& direction, f64* xp, i32& count)
{
    const size_t e = static_cast<size_t>(row);
    const f64 pe = std::abs(l.index[e]) + l.frac[e], n = loop.count;
    f64 best = 1.0e10;
    i32 exit = 0;
    count = 0;
    for (i32 r = 1; r <= lup_count; ++r) {
        if (r == row || std::abs(lup_row(r).parent) != row || lup_row(r).subkey == 0 || lnk_seg(l, r) == 0) continue;
        ++count;
        const f64 p[2] = {l.x[static_cast<size_t>(r)], l.y[static_cast<size_t>(r)]};
        i32 seg = 0;
        f64 frac = 0.0, foot[2] = {l.x[e], l.y[e]};
        f64 dist = n;
        if (l.from[e] != r) {
            if (!lup_link_locate(loop, p, seg, frac, foot)) continue;
            dist = direction == 1 ? seg + frac - pe : pe - (seg + frac);
            if (dist <= 0.0) dist += n;
        }
        if (dist < best) {
            best = dist;
            exit = r;
            xp[0] = foot[0];
            xp[1] = foot[1];
        }
    }
    return exit;
}

// The lane's piece: the entry loop from the entry's link point to the exit
// point in the cutting direction, once round when there is no exit.
// "With no exit row the lane runs to the end of the chain" is read as once
// round the loop back to the entry point: the loop is turned to start at the
// link, so its end is the entry point again. Running only to the stored
// loop's last entry (forward without wrap) would leave the stretch from the
// loop's first entry to the link uncut, a stretch that depends only on where
// the loop happened to be started.
void lane_piece(const ClrLinks& l, i32 row, pokarr& loop, const i32& direction, i32 exit, const f64* xp,
                i32& status)
{
    const size_t e = static_cast<size_t>(row);
    f64 px = l.x[e], py = l.y[e];
    pokarr_start_at(loop, std::abs(l.index[e]), 0, 0.0, px, py, status);
    if (status != 0) return;
    if (direction != 1) pokarr_reverse(loop);
    const f64 s0[2] = {loop.x[0], loop.y[0]};
    if (exit == 0 || pk_eqpt2(xp, s0) != 0) return;  // an exit at the entry point: once round
    i32 seg = 0;
    f64 frac = 0.0, foot[2];
    if (lup_link_locate(loop, xp, seg, frac, foot)) cut_at(loop, seg, xp, status);
}

// Carries a 3-D lane onto the surfaces and joins it to the previous one.
void lane_3d(bool first, pokarr& piece, i32& status)
{
    status = 0;
    // the next start with its normal: the piece's own in dimension mode 4
    const f64 up[3] = {0.0, 0.0, 1.0};
    const f64* snrm = piece.dims == 4 && piece.vec != nullptr ? piece.vec : up;
    f64 start[3] = {piece.x[0], piece.y[0], piece.z != nullptr ? piece.z[0] : 0.0};
    if (lane_proj == 0) {
        if (!first) connect_lanes(prev_end, prev_nrm, start, snrm, prev_proj, start, piece, status);
        // while the library's road runs, a connection that fails is left
        // out and the lane taken as drawn; otherwise the lane ends on it
        if (status != 0 && d3ds_running()) status = 0;
        return;
    }
    pokarr out, raw;
    pokarr_init(piece.dims, out);
    pokarr_init(piece.dims, raw);
    lan_on_srf(1, 0, 1, 0, piece, out, raw, status);
    // The carried lane is the raw copy, which both roads fill (the map
    // grid's road copies it to the output as well, the library's does not).
    if (status != 0 || raw.count == 0) {
        if (gncalw() != 0) eroutc("[notlif] UNABLE TO PROJECT LANE ONTO SURFACE", 0);
        status = -1;
    } else {
        const f64 q[3] = {raw.x[0], raw.y[0], raw.z != nullptr ? raw.z[0] : 0.0};
        const i32 k = raw.count - 1;
        const f64 last[3] = {raw.x[k], raw.y[k], raw.z != nullptr ? raw.z[k] : 0.0};
        if (!first) connect_lanes(prev_end, prev_nrm, start, snrm, prev_proj, q, raw, status);
        for (i32 m = 0; m < 3; ++m) prev_proj[m] = last[m];
        if (status == 0) pokarr_copy(raw, piece, status);
    }
    pokarr_free(out);
    pokarr_free(raw);
}

}  // namespace

void notlif(i32 select, i32 mode, const f64& radius, ClrLinks& l, i32 row, const i32& direction, i32& next_row,
            i32& count)
{
    (void)select;
    (void)radius;
    const bool first = mode >= 10;
    count = 0;
    lane_proj = lane_proj_now();
    // A row outside the table, or one the link arrays do not hold, has no
    // loop and no link to cut from: the lane fails (-11) rather than read
    // past either.
    if (row < 1 || row > lup_count || !lnk_has(l, row)) {
        next_row = -11;
        return;
    }
    if (next_row > 0 && next_row < row) {
        // the entry must descend from the given row: a parent chain that cycles is refused
        bool ends = false;
        for (i32 cur = row, k = 0; k <= lup_count && !ends; ++k) {
            const i32 p = std::abs(lup_row(cur).parent);
            ends = p == next_row || p < 2 || p > lup_count;
            cur = p;
        }
        if (!ends) {
            next_row = -10;
            return;
        }
    }
    next_row = 9999;
    pokarr loop;
    pokarr_init(pokdim == 2 ? 2 : pokdim, loop);
    i32 st = 0;
    lup_get_pokarr(row, loop, st);
    if (st == 0 && loop.count > 1) {
        const size_t e = static_cast<size_t>(row);
        if (l.index[e] == 0) {
            // no link yet: the middle of the first segment
            i32 seg = 1;
            f64 p[3] = {0.0, 0.0, 0.0};
            pokarr_point_at(loop, seg, 0.5, p);
            lnk_set(l, row, seg, 0.5, p);
        }
        f64 xp[2] = {0.0, 0.0};
        const i32 exit = lane_exit(l, row, loop, direction, xp, count);
        lane_piece(l, row, loop, direction, exit, xp, st);
        if (st == 0) {
            pk_del_short(loop);
            const LupRow r = lup_row(row);
            if (r.subkey > 1) {
                pk_arc_to_pts(loop);
                pk_flat_arcs(loop);
            }
            // The lane's own last point (with its normal in mode 4) is the
            // next lane's previous end, taken before the piece is carried
            // onto the surfaces; the projected end is kept apart by lane_3d.
            f64 end[3] = {0.0, 0.0, 0.0}, end_nrm[3] = {0.0, 0.0, 1.0};
            if (loop.count > 1) {
                const i32 k = loop.count - 1;
                end[0] = loop.x[k], end[1] = loop.y[k], end[2] = loop.z != nullptr ? loop.z[k] : 0.0;
                if (loop.dims == 4)
                    for (i32 c = 0; c < 3; ++c) end_nrm[c] = loop.vec[3 * k + c];
            }
            if (loop.count > 1 && pokdim != 2) lane_3d(first, loop, st);
            if (st == 0 && loop.count > 1) {
                for (i32 c = 0; c < 3; ++c) prev_end[c] = end[c], prev_nrm[c] = end_nrm[c];
                i32 start = 0;
                lup_add(r.subkey, r.key, row, count, count, r.value, 0, loop, start, st);
                if (st == 0) lup_row(lup_count).inherited = r.inherited;
            }
        }
        l.index[e] = -std::abs(l.index[e]);
        if (exit != 0) next_row = exit;
    }
    pokarr_free(loop);
    if (st == -1) next_row = -1;
    else if (st != 0) next_row = -11;
}

namespace {

// The first chain of a key (its end row: negative sub-key, positive parent)
// among the rows before the cutting; its parent is negated. 0 none.
i32 chain_of(i32 key, i32 cap, bool from_last)
{
    const i32 mark = pk_isl_skip + 1;
    for (i32 k = 0; k < cap - mark; ++k) {
        const i32 r = from_last ? cap - k : mark + 1 + k;
        LupRow& w = lup_row(r);
        if (w.key == key && w.subkey < 0 && w.parent > 0) {
            w.parent = -w.parent;
            return r;
        }
    }
    return 0;
}

// Whether the straight move from the link point of row a to that of row b
// (a's own point when b has no link yet) crosses a loop.
bool crosses(const ClrLinks& l, i32 a, i32 b, i32& st)
{
    const f64 pa[2] = {l.x[static_cast<size_t>(a)], l.y[static_cast<size_t>(a)]};
    const bool linked = lnk_seg(l, b) != 0;
    const f64 pb[2] = {linked ? l.x[static_cast<size_t>(b)] : pa[0], linked ? l.y[static_cast<size_t>(b)] : pa[1]};
    pokarr lane;
    pokarr_init_dyn(2, 2, lane, st);
    i32 ans = 0;
    if (st == 0) {
        lane.x[0] = pa[0], lane.y[0] = pa[1], lane.x[1] = pb[0], lane.y[1] = pb[1];
        lane.count = 2;
        i32 hit = 0;
        lane_cross_find(a, b, lane, nullptr, hit, ans);
    }
    pokarr_free(lane);
    // A search that failed (a negative answer) counts as a crossing: the
    // move is not known to be free, so the walk takes the safe way (a
    // terminator, the tool lifted) rather than stop the cutting on it.
    return ans != 0;
}

}  // namespace

void notlf2(i32 select, i32& new_chain, ClrLinks& l, i32 cur, i32 prev, i32& level, i32& next_row, i32 n_chains)
{
    (void)select;
    new_chain = 0;
    const i32 cap = clr_cut_mark - 1, mark = pk_isl_skip + 1;
    i32 st = 0;
    auto terminate = [&]() {
        if (new_chain == 0) cut_terminator(st);
        new_chain = 1;
    };
    const LupRow c = lup_row(cur);
    i32 next = 0;
    bool outward = false;
    if (cur == prev || (c.subkey < 0 && c.parent < 0)) {
        // the end row of a chain: its loop comes next
        // Besides sub-key 0, a parent with a negative sub-key (the end row
        // of another chain), a used link (negated once its lane is cut) or
        // a row past the cut mark (a lane of this cutting) also goes to the
        // level step: taking it would cut a loop a second time.
        next = std::abs(c.parent);
        if (next < 1 || next > cap || lup_row(next).subkey <= 0 || lnk_seg(l, next) < 0) next = 0;
    } else {
        // The loop this one was made from comes first, when its lane is
        // still to cut; only then another chain of the same key, then a
        // loop made from the same parent. Taking another chain first would
        // leave the outer loops of this one uncut: its end row is taken
        // already, so nothing leads back to them.
        const i32 p = std::abs(c.parent);
        if (p > mark && p <= cap && lup_row(p).key == c.key && lup_row(p).subkey > 0 && lnk_seg(l, p) >= 0) {
            next = p;
            outward = true;
            if (crosses(l, cur, p, st)) terminate();
        }
        // another chain of the same key
        if (next == 0) next = chain_of(c.key, cap, true);
        // a loop made from the same parent whose lane is still to cut; a
        // move to it that crosses a loop starts a new chain
        for (i32 r = mark + 1; next == 0 && p != 0 && r <= cap; ++r) {
            const LupRow& w = lup_row(r);
            if (r == cur || std::abs(w.parent) != p || w.key != c.key || w.subkey <= 0 || lnk_seg(l, r) < 0) continue;
            next = r;
            if (crosses(l, cur, r, st)) terminate();
        }
    }
    if (next == 0) {
        // The next level with a chain left. The step goes on past n_chains
        // to the island keys 10001 and up: the island loops' chains are cut
        // like the others (the run itself starts at the first island when no
        // level holds a chain), and stopping at n_chains would leave every
        // island chain uncut once a plain level was cut.
        i32 top = 10000;
        for (i32 r = 1; r <= cap; ++r)
            if (lup_row(r).key > top && lup_row(r).key != 9999) top = lup_row(r).key;
        next = 9999;
        for (i32 k = level; k <= top && next == 9999; ++k) {
            if (k > n_chains && k <= 10000) k = 10001;
            const i32 r = chain_of(k, cap, false);
            if (r != 0) {
                terminate();
                next = r;
                level = k;
            }
        }
    }
    // A row without a link is reported only on the move outward, where the
    // link that joins the two loops should be. The first loop of a chain
    // reached from its end row, or a loop of the same parent, has none when
    // it was never linked (a chain of one loop): its lane takes a link at
    // the middle of its first segment, and reporting it would break a sound
    // walk with a terminator.
    if (outward && lnk_seg(l, next) == 0) {
        // the loop made from the current one should carry the link that joins them
        char text[80];
        std::snprintf(text, sizeof text, "[notlif] CUTPAS FAILED IN LANE INDEX %d", next);
        eroutc(text, 0);
        terminate();
    }
    next_row = st != 0 ? -11 : next;
}

namespace {

f64 gap3(const f64* a, const f64* b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }

void point_of(const pokarr& a, i32 k, f64* p)
{
    p[0] = a.x[k];
    p[1] = a.y[k];
    p[2] = a.z != nullptr ? a.z[k] : 0.0;
}

// Puts p at entry i of rec (i = the count: at its end); in an array with
// normals it carries n, or the vertical where no normal is known.
void put_point(const f64* p, const f64* n, pokarr& rec, i32 i, i32& status)
{
    static const f64 up[3] = {0.0, 0.0, 1.0};
    pokarr_insert_pnt(p, n != nullptr ? n : up, rec, i, status);
}

// The straight move a-b (normals na, nb, when known) carried across the map
// grid (unless the library's road runs) into `move`; with `onto`, carried
// onto the surfaces as well.
void mapped_move(const f64* a, const f64* na, const f64* b, const f64* nb, bool onto, pokarr& move, i32& status)
{
    status = 0;
    move.count = 0;
    put_point(a, na, move, 0, status);
    if (status == 0) put_point(b, nb, move, 1, status);
    if (status == 0 && !d3ds_running()) lan_on_grid(0, move, nullptr, status);
    if (status != 0 || !onto) return;
    lan_onto_srf(move, 1, status);
}

// The projected gap from the projected connection's end `at` to q (q1 at
// the start, q2 at the end), joined to the connection.
void join_end(bool start, const f64* q, pokarr& conn, i32& status)
{
    f64 at[3];
    point_of(conn, start ? 0 : conn.count - 1, at);
    if (gap3(at, q) <= 1.0e-6) return;
    const f64 R = pokpar.radius;
    if (gap3(at, q) <= R) {
        put_point(q, nullptr, conn, start ? 0 : conn.count, status);
        return;
    }
    pokarr g;
    pokarr_init_dyn(conn.dims, 2, g, status);
    if (status == 0) mapped_move(start ? q : at, nullptr, start ? at : q, nullptr, true, g, status);
    if (status != 0 || g.count == 0) {
        if (gncalw() != 0)
            eroutc(start ? "[connect_lanes] UNABLE TO PROJECT START OF CONNECTION ONTO SURFACE"
                         : "[connect_lanes] UNABLE TO PROJECT END OF CONNECTION ONTO SURFACE",
                   0);
        status = -1;
        pokarr_free(g);
        return;
    }
    // the gap's inner points not too near its ends, then its far end
    f64 ends[2][3];
    point_of(g, 0, ends[0]);
    point_of(g, g.count - 1, ends[1]);
    pokarr in;
    pokarr_init_dyn(conn.dims, g.count, in, status);
    if (status == 0) in.count = 0;
    for (i32 k = 0; k < g.count && status == 0; ++k) {
        f64 p[3];
        point_of(g, k, p);
        const bool end = k == 0 || k == g.count - 1;
        if (!end && (gap3(p, ends[0]) < 0.1 * R || gap3(p, ends[1]) < 0.1 * R)) continue;
        if ((start && k == g.count - 1) || (!start && k == 0)) continue;  // the connection's own end
        put_point(p, g.dims == 4 && g.vec != nullptr ? g.vec + 3 * k : nullptr, in, in.count, status);
    }
    if (status == 0 && in.count > 0) pokarr_copy_ins(in.count, in, 0, conn, start ? 0 : conn.count, status);
    pokarr_free(in);
    pokarr_free(g);
}

}  // namespace

void connect_lanes(const f64* p1, const f64* n1, const f64* p2, const f64* n2, const f64* q1, const f64* q2,
                   pokarr& piece, i32& status)
{
    status = 0;
    pokarr conn;
    pokarr_init_dyn(piece.dims, 2, conn, status);
    if (status == 0) mapped_move(p1, n1, p2, n2, false, conn, status);
    if (status == 0 && lane_proj == 0) {
        f64 e1[3], e2[3];
        point_of(conn, 0, e1);
        point_of(conn, conn.count - 1, e2);
        if (gap3(e1, p1) > 1e-6) put_point(p1, n1, conn, 0, status);
        if (status == 0 && gap3(e2, p2) > 1e-6) put_point(p2, n2, conn, conn.count, status);
    } else if (status == 0) {
        pokarr out, raw;
        pokarr_init(piece.dims, out);
        pokarr_init(piece.dims, raw);
        lan_on_srf(1, 0, 1, 1, conn, out, raw, status);
        if (status != 0 || raw.count == 0) {
            if (gncalw() != 0) eroutc("[connect_lanes] UNABLE TO PROJECT CONNECTION ONTO SURFACE", 0);
            status = -1;
        } else {
            pokarr_copy(raw, conn, status);
            if (status == 0) join_end(true, q1, conn, status);
            if (status == 0) join_end(false, q2, conn, status);
        }
        pokarr_free(out);
        pokarr_free(raw);
    }
    // the connection, less its last point, in front of the piece
    if (status == 0 && conn.count > 1) pokarr_copy_ins(conn.count - 1, conn, 0, piece, 0, status);
    if (status != 0) status = -1;
    pokarr_free(conn);
}

void cut_lanes(CutProgress& pg, i32 select, const f64& radius, const i32& direction, i32& status)
{
    status = 0;
    const i32 cap = clr_cut_mark - 1, mark = pk_isl_skip + 1;
    const i32 n_chains = clr_links.n_chains;
    // The row to start from: levels 1 .. n_chains, then the first island.
    // Every end row met is marked taken (its parent negated); the first whose
    // parent is an offset loop (a row past the contour rows, which end at
    // `mark`) starts the run. The first offset, row mark + 1, is one: it ends
    // a chain of its own when it is the only level or when the loop inside it
    // could not be linked, and once its end row is marked nothing else leads
    // to it. The scan stops above the contour rows: the loader registers
    // them with sub-key 0, so none of them is an end row to mark.
    i32 cur = 0, level = 1;
    for (i32 k = 1; k <= n_chains + 1 && cur == 0; ++k) {
        const i32 key = k <= n_chains ? k : 10001;
        for (i32 r = cap; r > mark && cur == 0; --r) {
            LupRow& w = lup_row(r);
            if (w.key != key || w.subkey >= 0) continue;
            const i32 p = std::abs(w.parent);
            w.parent = -p;
            if (p > mark) cur = r, level = key;
        }
    }
    if (cur == 0) return;
    i32 prev = 0;
    // Every lane cuts a row or steps to another one, so a sound walk ends
    // long before 4 x cap + 10 lanes; the bound only keeps a walk that
    // steps among the same rows from running without end. What was cut
    // stays, closed by its terminator.
    // The first lane of the run is the first that cuts a piece: the walk
    // starts on a chain's end row, which holds no points, and a lane after
    // it taken as a later one would be joined from a previous end that no
    // lane of this run has left (the origin, or another pocket's).
    bool first = true;
    for (i32 guard = 0; guard <= 4 * cap + 10; ++guard) {
        // No next row is asked of a lane (0): after each lane the walk picks
        // the next row itself, so the ancestor test a given next row would
        // start in the lane does not run on this road.
        i32 next = 0, count = 0, nc = 0;
        const i32 rows = lup_count;
        notlif(select, first ? 10 : 0, radius, clr_links, cur, direction, next, count);
        if (next < 0) {
            status = -next;
            return;
        }
        // progress by the pieces cut: a chain's end row cuts none
        if (lup_count > rows) {
            cut_progress(pg);
            first = false;
        }
        notlf2(select, nc, clr_links, cur, prev, level, next, n_chains);
        if (next < 0) {
            status = -next;
            return;
        }
        if (next == 9999) {
            cut_terminator(status);
            return;
        }
        prev = cur;
        cur = next;
    }
    // A walk that ran out of its bound never reached the end of the rows:
    // what was cut stays, closed by its terminator, but the cutting fails
    // (51, it cannot move between the loops) rather than report done a
    // pocket it left partly uncut.
    cut_terminator(status);
    if (status == 0) status = 51;
}
