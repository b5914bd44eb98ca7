// One offset of a pocket loop: preparation, the raw offset and its clean-up,
// the split into pieces free of crossings with their tests, the lanes of
// the sub-loops, registration, and the lane merge of the radius sweep.
#include "pocket/oneoff.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "cleanup/mapgrid.h"
#include "core/host.h"
#include "core/params.h"
#include "pocket/comlup.h"
#include "pocket/crossing.h"
#include "pocket/looptest.h"
#include "pocket/lupoff.h"
#include "pocket/luptab.h"
#include "pocket/pkclean.h"
#include "pocket/pkgeom.h"
#include "pocket/pkmath.h"
#include "pocket/pokvals.h"
#include "pocket/selfint.h"

namespace {

// The piece list, the lane list, the lane work list and the first-phase
// list (module-wide: calls are never nested).
PkPieces g_pieces, g_lanes, g_lanework, g_first;

// Where a call stands: its arguments and working values.
struct Call {
    i32 kind, inward, side, level, key, row, outward;
    i32* K;
    f64 r, d, prevd, eps, A, base, floor;
    i32 expdir;
    bool talk, start_choice;
    bool three;  // the loop came with exactly three entries
    pokarr* loop;
};

// A status that ends the call (set by the steps below).
struct Stop {
    i32 status;
};

// A working pocket array given back when it goes out of scope, so that a
// stop thrown by any step frees it as well.
struct Owned {
    pokarr a;
    explicit Owned(i32 dims) { pokarr_init(dims, a); }
    ~Owned() { pokarr_free(a); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
};

void clear_all()
{
    g_pieces.clear();
    g_lanes.clear();
    g_lanework.clear();
    g_first.clear();
    DELREL();
}

bool near0(f64 v) { return std::fabs(v) <= 1.0e-6; }

// Rotates a result to start on its segment nearest the start point, at the
// kept parameter. Throws the status of a failed search (9: no segment
// reaches the start point) or rotation: a result that could not be turned
// to its start is not cut from a start the run did not choose.
void start_near(pokarr& a)
{
    i32 seg = 0, st = 0;
    f64 t = 0.0, fx = 0.0, fy = 0.0;
    lup_nearest_seg(0.0, a.x, a.y, a.count, seg, t, fx, fy, st);
    if (st != 0) throw Stop{st};
    f64 px = 0.0, py = 0.0;
    pokarr_start_at(a, seg, 1, pkoff.start[2], px, py, st);
    if (st != 0) throw Stop{st};
}

// Makes and cleans the raw offset of `src` by `dist` to side `sd` into
// `raw`; `same` tells that the raw offset is the loop itself. Throws the
// status that ends the call.
void raw_offset(const Call& c, const pokarr& src, f64 dist, i32 sd, bool back, pokarr& raw, bool& same)
{
    i32 st = 0;
    same = near0(dist);
    raw.count = 0;
    if (same) {
        pokarr_copy(src, raw, st);
        if (st != 0) throw Stop{11};
    } else {
        lup_offset(sd, c.inward, dist, src, raw, st);
        if (raw.count < 3 && st == -3) {
            // the loop leaves the surface: carried onto the grid, and the
            // offset made again with the grid's projection mode off. A copy
            // is carried, not the loop itself: the loop keeps the heights its
            // row holds, and the pieces are tested for crossings against it
            // as it was given (the other sweep offsets it as given as well).
            // A copy the pool refuses (11) or a failed grid walk (its status)
            // ends the call: an offset that could not be tried has not
            // vanished.
            pokarr w;
            pokarr_init(src.dims, w);
            pokarr_copy(src, w, st);
            i32 fail = st != 0 ? 11 : 0;
            if (fail == 0) {
                lan_on_grid(0, w, nullptr, st);
                fail = st;
            }
            set_grid_mode(0);
            if (fail == 0) lup_offset(sd, c.inward, dist, w, raw, st);
            pokarr_free(w);
            if (fail != 0) throw Stop{fail};
        }
        if (st > 1) throw Stop{st == 9 ? 1 : st};
        if (raw.count < 3) throw Stop{1};
    }
    (void)back;
    if (raw.dims == 2) {
        pk_flat_arcs(raw);
        pk_split_arcs(raw, st);
        if (st != 0) throw Stop{11};
        pk_del_short(raw);
        if (raw.count < 3) throw Stop{1};
        pk_del_colin(1, 0, raw, nullptr);
        if (raw.count < 3) throw Stop{1};
    }
    if (c.start_choice) start_near(raw);
    if (raw.dims == 2) {
        OFFSEG(1, 0, pkoff.seg_tol, raw);
        if (c.level > 1) {
            pk_arc_to_pts(raw);
            pk_del_short(raw);
        }
        if (raw.count < 3) throw Stop{1};
    }
}

// First vertex of `piece` that `lup_inside` places off `loop`: 0 outside,
// 1 inside, 2 when every vertex lies on it.
i32 first_decided(const pokarr& piece, const pokarr& loop)
{
    i32 ans = 0, st = 0;
    lup_first_side(piece, loop, ans, st);
    if (st != 0) throw Stop{11};
    return ans;
}

// Whether a 3-D piece that crosses the loop given to the call is kept: the
// heights of the piece over the loop at the crossings must keep one sign
// and stay apart; at the crossing where they come nearest, a walk along the
// loop's segment (by half the smaller positive distance) tells on which side
// the surface rises, and so whether the piece lies on the offset's side.
bool keep3d(const Call& c, const pokarr& given, const CrossTable& t, i32 count)
{
    f64 best = 1.0e10, bdz = 0.0;
    i32 bk = -1;
    for (i32 k = 0; k < count; ++k) {
        const f64 dz = t.h2[static_cast<size_t>(k)] - t.h1[static_cast<size_t>(k)];
        if (std::fabs(dz) < best) {
            if (std::fabs(dz) < 1.0e-6) return false;
            best = std::fabs(dz);
            bdz = dz;
            bk = k;
        } else if ((dz > 0.0) != (bdz > 0.0)) {
            return false;
        }
    }
    if (bk < 0) return false;
    const i32 seg = std::abs(t.aseg[static_cast<size_t>(bk)]);
    if (seg < 1 || seg >= given.count) return false;
    const f64 zl = t.h1[static_cast<size_t>(bk)];
    f64 u[3] = {c.expdir * (given.x[seg] - given.x[seg - 1]), c.expdir * (given.y[seg] - given.y[seg - 1]),
                c.expdir * (given.z[seg] - given.z[seg - 1])},
        l = 0.0;
    if (!pk_unit3(u, l)) return false;
    f64 len = c.prevd;
    if (c.d > 0.0 && (!(c.prevd > 0.0) || c.d < c.prevd)) len = c.d;
    f64 walk[12] = {t.x[static_cast<size_t>(bk)], t.y[static_cast<size_t>(bk)], zl, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    i32 st = 0;
    seg_on_grid(0, walk, u, 0.5 * len, nullptr, st);
    if (st < 0) throw Stop{st};
    const bool up = walk[5] > zl;
    bool keep = c.inward < 1 ? (bdz > 0.0) != up : (bdz > 0.0) == up;
    if (c.outward) keep = !keep;
    return keep;
}

// The tests of one piece of a split; true when it is kept (kind 5 for a
// 3-D piece kept under machining type 29).
bool keep_piece(const Call& c, pokarr& p, const pokarr& given, bool first, bool phase1, i32& kind)
{
    kind = 1;
    pk_del_short(p);
    if (p.dims == 2) {
        pk_del_colin(1, 0, p, nullptr);
        if (c.level > 1) {
            pk_arc_to_pts(p);
            pk_flat_arcs(p);
            pk_del_short(p);
            pk_del_colin(1, 0, p, nullptr);
        }
    }
    if (p.count < 4) return false;
    p.direction = 0;
    pokarr_area(p);
    // the loop as it came (its start, chosen since, adds an entry)
    if (first && c.three && c.level == 1 && c.outward && p.direction == -1) {
        pokarr_reverse(p);
        p.direction = 1;
    }
    const bool turned = p.direction != c.expdir;
    if (turned && c.inward < 1 && !(c.level == 1 && c.inward == 0 && c.outward)) return false;
    if (p.area <= c.A) return false;
    // a distance below 0.013: kept without the crossing, loop and repair steps
    if (c.d < 0.013) return p.count >= 4;
    bool keep = true;
    {
        CrossTable t;
        i32 count = 0, st = 0;
        lup_intersect_kept(102, given, p, t, count, st);
        // Status 1 with no crossing left says that every contact found was a
        // touch and taken out: the piece does not cross the loop, and is
        // judged by its vertices like one that meets it nowhere. Only a
        // failure of the crossing search (negative) ends the run.
        if (st < 0 || count < 0) throw Stop{11};
        if (count == 0) {
            const i32 ans = first_decided(p, given);
            bool drop = (c.inward < 1 && ans == 0) || (c.inward >= 1 && ans == 1);
            if (c.outward) drop = !drop;
            keep = !drop;
        } else {
            keep = p.dims != 2 && keep3d(c, given, t, count);
        }
        if (!keep) {
            if (c.talk) {
                char text[120];
                // the three texts joined to their numbers as the host joins a
                // value and the text after it: one blank before a text that
                // starts with a letter, none before one that starts with a
                // blank
                std::snprintf(text, sizeof text, "[oneoff_pokarr] LANE: %d OFFSET %d INTERSECTS PREVIOUS OFFSET",
                              lup_count, g_pieces.n());
                eroutc(text, 0);
            }
            if (MACTYP == MACTYP_TYPE48 && !(c.inward == 1 && c.level == 1)) {
                keep = true;
                if (p.dims > 2) kind = 5;
            }
        }
    }
    if (!keep) return false;
    i32 st = 0;
    if (turned && (c.level > 1 || c.inward == 1)) {
        i32 stop = 0;
        lup_vs_loops(*c.K, p, stop, st);
        if (st != 0) throw Stop{11};
        if (stop == 0) return false;
    } else if (c.kind == 0 || phase1) {
        i32 res = 0;
        lup_vs_loops3d(p, 0, 0, res, st);
        if (st != 0) throw Stop{st};
        if (res == 1) return false;
    }
    if (p.area > 4.0 * pkoff.side) OFFSEG(0, 0, pkoff.seg_tol, p);
    return p.count >= 4;
}

// The split's status on each piece it gives, the first or a later one:
// too many loops (1) end the call with 10, an internal failure (11) on the
// loop itself ends it with 11 (a retry at a smaller distance would split
// the same loop again), any other failure is a split failure (false).
bool split_went(i32 st, bool same)
{
    if (st == 1) throw Stop{10};
    if (st == 11 && same) throw Stop{11};
    return st == 0;
}

// Splits a raw offset into pieces and collects the kept ones into `into`
// (kind 2 in the radius sweep); false on a split failure.
bool split(const Call& c, const pokarr& raw, bool same, const pokarr& given, bool phase1, bool radius, PkPieces& into)
{
    i32 more = 0, st = 0;
    Owned held(raw.dims);
    pokarr& piece = held.a;
    DELUPS(raw, piece, more, st);
    if (!split_went(st, same)) return false;
    for (i32 k = 0;; ++k) {
        i32 kind = 1, ierr = 0;
        const bool kept = keep_piece(c, piece, given, k == 0, phase1, kind);
        if (kept) {
            if (into.n() >= PK_PIECES_MAX) ierr = 10;
            if (ierr == 0) into.add(piece, 0, piece.count, piece.direction, piece.area * piece.direction,
                                    radius ? 2 : kind, ierr);
        }
        pokarr_free(piece);
        if (ierr != 0) throw Stop{ierr == 10 ? 10 : 11};
        if (k >= more) break;
        pokarr_init(raw.dims, piece);
        i32 m = more;
        DELUPS(raw, piece, m, st);
        if (!split_went(st, same)) return false;
    }
    return true;
}

// The hatch lanes over a list just filled.
void lanes_of(const Call& c, PkPieces& list, const pokarr& last, f64 dist)
{
    i32 st = 0;
    const i32 mode = c.level == 1 && c.inward == 0 && c.outward ? 1 : 0;
    oneoff_lanes(mode, last, c.base, pkoff.min_area, dist, c.r, c.expdir, list, st);
    if (st == 11) throw Stop{11};
}

// Appends a loop with its point count to the common-loop builder's second
// collection.
void collect_second(const pokarr& p)
{
    i32 st = 0;
    ComlupStore& second = comlup_second();
    if (second.pts.storage == PKS_EMPTY) pokarr_init(p.dims, second.pts);
    pokarr_append_part(p.count, p, 0, second.pts, st);
    if (st != 0) throw Stop{11};
    second.counts.push_back(p.count);
    second.dirs.push_back(p.direction);
}

// Registers a piece as a row (kind 0) or collects it (kinds 1, 2) with the
// keys of its kind; `plain` tells that a piece of the expected direction
// was registered before in this call. `lane`: a lane loop, whose tag 1 is
// its parent. Answers the parent row the piece was given.
i32 register_piece(const Call& c, const pokarr& p, bool turned, f64 value, i32 levelword, bool& plain,
                   bool lane = false)
{
    i32 sub = c.level, key = c.key, parent = c.row;
    bool island = false;
    // A new contour key must stay below 9999, the key that ends a chain of
    // cut pieces (islands follow from 10001): a row keyed past it would be
    // read as a chain's end or as an island. Too many contours fail the run
    // as a full table does, and the key count is left as it was.
    auto new_key = [&c]() {
        if (*c.K >= LUP_KEY_LAST) throw Stop{10};
        return ++*c.K;
    };
    if (c.level == 1 && c.inward == 0 && c.outward && turned) {
        key = 10000 + lup_count;
        sub = 0;
        parent = 0;
        island = true;
    } else if (turned && c.inward == 1) {
        key = new_key();
        sub = 1;
        parent = 1;
    } else if (plain) {
        key = new_key();
    }
    if (!turned) plain = true;
    i32 st = 0;
    if (c.kind == 0) {
        i32 start = 0;
        lup_add(sub, key, parent, lane ? parent : c.row, 0, value, levelword, p, start, st);
        if (st != 0) throw Stop{st};
        if (turned) lup_row(lup_count).inherited = c.row;
        if (island) ++pk_nisland;
        return parent;
    }
    collect_second(p);
    return parent;
}

// Sub-loop i of a list as a pocket array of its own (freed by the caller).
void take(const PkPieces& l, i32 i, pokarr& p)
{
    i32 st = 0;
    pokarr_free(p);
    pokarr_init(l.pts.dims, p);
    pokarr_copy_range(l.counts[static_cast<size_t>(i)], l.pts, l.start(i), p, st);
    if (st != 0) throw Stop{11};
    p.direction = 0;
    pokarr_area(p);
}

// The lane merge for a registered piece S (given the parent row `sparent`):
// the lane loops are cut back to what the step offset leaves between S and
// its offset by r + eps.
void lane_merge(const Call& c, const pokarr& S, i32 sparent, i32 sd)
{
    i32 st = 0, seg = 0;
    Owned hw(S.dims), hraw(S.dims), hp(S.dims);
    pokarr &w = hw.a, &raw = hraw.a, &P = hp.a;
    // A copy the pool refuses (11), a failed restart (its status) or an
    // offset failing above 1 (9 as 1) ends the call: an internal failure is
    // not a merge that found no piece, which would drop the lanes silently.
    pokarr_copy(S, w, st);
    if (st != 0) throw Stop{11};
    f64 px = 0.0, py = 0.0;
    pk_longest_seg(w, seg);
    pokarr_start_at(w, seg, 1, 0.5, px, py, st);
    if (st != 0) throw Stop{st};
    // To the opposite of the given side, whichever way the outward switch
    // turned the pass: the offset must grow S, as the piece taken next needs
    // an area above S's. Without the switch that looks back across the
    // step; with it (the pass went outward, to the opposite side already)
    // it goes on outward, and looking back would shrink S so that no piece
    // could ever be taken and the lanes were always dropped.
    lup_offset(-c.side, c.inward, c.r + c.eps, w, raw, st);
    if (st > 1) throw Stop{st == 9 ? 1 : st};
    bool found = false;
    if (st == 0 && raw.count >= 3) {
        pk_del_short(raw);
        pk_arc_to_pts(raw);
        pk_del_short(raw);
        i32 more = 0;
        DELUPS(raw, P, more, st);
        for (i32 k = 0; st == 0; ++k) {
            P.direction = 0;
            pokarr_area(P);
            if ((c.expdir == -1 || P.direction == c.expdir) && P.area > S.area) {
                found = true;
                break;
            }
            if (k >= more) break;
            pokarr_free(P);
            pokarr_init(S.dims, P);
            i32 m = more;
            DELUPS(raw, P, m, st);
        }
        // A cut the pool refused (its crossing search included) is a
        // failure too, not a cut with no piece. A cut that failed on the
        // loop's own geometry (1 too many loops, 2) leaves no piece to merge
        // with: the lanes of this merge are dropped, the step loop stands.
        if (st == 11) throw Stop{11};
    }
    if (!found) {
        DELREL();
        g_lanes.clear();
        return;
    }
    pokarr_reverse(P);
    g_lanework.clear();
    for (i32 i = 0; i < g_lanes.n(); ++i) {
        Owned hl(g_lanes.pts.dims);
        pokarr& L = hl.a;
        take(g_lanes, i, L);
        const i32 lkind = g_lanes.kinds[static_cast<size_t>(i)];
        ComlupStore& col = comlup_collection();
        col.pts.count = 0;
        col.counts.clear();
        col.dirs.clear();
        const f64 side = pkoff.side;
        pkoff.side = 0.0001;
        i32 outrow = 0, lastrow = 0, parent = sparent;
        comlup_pokarr(1, L, P, parent, c.d, c.level, parent, 0, 0, 0, *c.K, outrow, lastrow, st);
        pkoff.side = side;
        // 11 is the builder's pool, lookup or test failure: the call fails
        // with it rather than drop L, which would end the offset with
        // status 0 and the material L stands for left uncut unannounced. A
        // full table or a key past the last (10, 15) still drops L: the
        // lanes are extra loops, and the rows already made stay sound.
        if (st == 11) {
            pokarr_free(col.pts);
            pokarr_init(pk_dims(), col.pts);
            col.counts.clear();
            col.dirs.clear();
            throw Stop{11};
        }
        i32 ierr = 0;
        if (st == 1) {
            for (size_t q = 0, at = 0; q < col.counts.size(); at += static_cast<size_t>(col.counts[q]), ++q) {
                pokarr Q;
                pokarr_init_child(col.pts, static_cast<i32>(at), col.counts[q], Q);
                i32 kind = 0;
                for (i32 j = 0; j < g_pieces.n() && kind == 0; ++j) {
                    pokarr pj;
                    pokarr_init_child(g_pieces.pts, g_pieces.start(j), g_pieces.counts[static_cast<size_t>(j)], pj);
                    if (first_decided(pj, Q) != 0) kind = 1;
                }
                if (kind == 0) {
                    f64 dist = 0.0;
                    i32 flag = 0;
                    oneoff_max_dist(S.x, S.y, S.count, Q.x, Q.y, Q.count, c.r + 2.0 * c.eps, dist, flag);
                    kind = flag ? 4 : 3;
                }
                Q.direction = 0;
                pokarr_area(Q);
                g_lanework.add(Q, 0, Q.count, Q.direction, Q.area * Q.direction, kind, ierr);
            }
        } else if (st == 2 || st == 3) {
            g_lanework.add(L, 0, L.count, L.direction, L.area * L.direction, 1, ierr);
        } else if (st == 0) {
            const i32 ans = first_decided(L, P);
            g_lanework.add(L, 0, L.count, L.direction, L.area * L.direction, ans != 0 ? 1 : lkind, ierr);
        }
        pokarr_free(col.pts);
        pokarr_init(pk_dims(), col.pts);
        col.counts.clear();
        col.dirs.clear();
        if (ierr != 0) throw Stop{11};
    }
    std::swap(g_lanes, g_lanework);
    g_lanework.clear();
    DELREL();
}

// The loop cleaned (short and collinear pieces, spikes at level 1) and
// started where the cut is to end (at the driver's start point) or at the
// middle of its longest segment; throws 1 when too little is left.
void prepare_loop(Call& c, pokarr& loop)
{
    // clean-up of the loop
    if (!(c.three && c.level == 1 && c.outward)) {
        pk_del_short(loop);
        if (loop.count <= 2) throw Stop{1};
        pk_del_colin(1, 0, loop, nullptr);
        if (loop.count <= 2) throw Stop{1};
        if (c.level == 1) {
            const i32 open = c.key > 10000 && c.row >= 1 && c.row <= lup_count && lup_row(c.row).level == 3;
            OFFSEG(0, open, pkoff.seg_tol, loop);
            if (loop.count <= 2) throw Stop{1};
        }
    }
    // where the loop starts
    i32 st = 0, seg = 0;
    f64 px = 0.0, py = 0.0;
    if (pkoff.end_mode >= 1 && (c.key == 1 || (c.key > 10000 && c.level == 1 && pkoff.several == 0))) {
        if (c.level == 1) {
            f64 t = 0.0, fx = 0.0, fy = 0.0;
            lup_nearest_seg(c.r, loop.x, loop.y, loop.count, seg, t, fx, fy, st);
            if (st != 0) throw Stop{st};
            if (c.key == 1) {
                pkoff.start[0] = fx;
                pkoff.start[1] = fy;
            }
            if (pk_eqval0(t) || pk_eqval(t, 1.0)) t = 0.5;
            pkoff.start[2] = t;
            pokarr_start_at(loop, seg, 1, t, px, py, st);
            // the raw offsets of this call start nearest the start point too
            c.start_choice = true;
        } else {
            pokarr_start_at(loop, 1, 1, pkoff.start[2], px, py, st);
        }
    } else {
        pk_longest_seg(loop, seg);
        pokarr_start_at(loop, seg, 1, 0.5, px, py, st);
    }
    if (st != 0) throw Stop{st};
    pk_del_short(loop);
    if (loop.count < 3) throw Stop{1};
}

// The lane loops where the step offset leaves material, registered when
// no loop holds them and they are large enough (as second-collection loops
// in lane mode 2 of the common-loop builder's kinds).
void register_lanes(Call& c, i32 lanemode, bool had_pieces, bool& plain, i32& made)
{
    i32 st = 0;
    for (i32 i = 0; i < g_lanes.n(); ++i) {
        const i32 k = g_lanes.kinds[static_cast<size_t>(i)];
        if (k != 2 && k != 4) continue;
        Owned hl(g_lanes.pts.dims);
        pokarr& L = hl.a;
        take(g_lanes, i, L);
        i32 res = 0;
        lup_vs_loops3d(L, 0, 0, res, st);
        if (st == 0 && res == 0) lup_chk_sub(g_pieces, L, res, st);
        if (st != 0) throw Stop{st};
        if (res != 0 || L.area <= c.floor) continue;
        if (lanemode == 2 && (c.kind == 1 || c.kind == 2)) {
            // only collected: the common-loop builder keys what it makes of
            // it, so no contour key is taken here
            collect_second(L);
        } else {
            Call lc = c;
            lc.outward = 0;
            const bool turned = L.direction != c.expdir;
            const i32 sub_if = turned && c.inward == 1 ? 1 : c.level;
            register_piece(lc, L, turned, c.r, sub_if == 1 ? 6 : (had_pieces ? 4 : 5), plain, true);
        }
        ++made;
    }
}

// One call of the engine; throws the status that ends it early.
i32 run(Call& c, i32 lanemode)
{
    pokarr& loop = *c.loop;
    const i32 rows0 = lup_count;
    const f64 e = pkoff.end_val;
    const bool over0 = pkoff.phase == 1 && !near0(e);
    if (loop.dims == 2 && pokdim == 2 && !over0 && (near0(c.d) || near0(c.d - 0.0001))) {
        loop.direction = 0;
        pokarr_area(loop);
        c.A = std::max(c.A, loop.area / 2.0);
    }
    c.base = std::max(40.0 * c.A, c.r * c.r);
    c.floor = std::min(0.0001, c.A);
    prepare_loop(c, loop);
    set_grid_mode(1);
    i32 st = 0, seg = 0;
    f64 px = 0.0, py = 0.0;

    // the lane mode is left off at distance 0: the step sweep copies the loop
    const bool lanes = (lanemode == 2 || (lanemode == 1 && (c.level == 1 || !near0(c.d)))) && !near0(c.d);
    const i32 sd = c.outward ? -c.side : c.side;
    bool over = over0;
    f64 cur = over ? c.d + e : c.d, rad = c.level == 1 || lanemode == 2 ? c.d : c.r, regd = c.d;
    i32 failures = 0;
    Owned hraw(loop.dims), hw(loop.dims);
    pokarr &raw = hraw.a, &w = hw.a;
    bool had_pieces = false;
    for (;;) {
        clear_all();
        bool same = false;
        f64* failed = nullptr;  // the distance to reduce after a split failure
        if (lanes) {
            raw_offset(c, loop, rad, sd, false, raw, same);
            if (!split(c, raw, same, loop, true, true, g_lanes))
                failed = &rad;
            else
                lanes_of(c, g_lanes, loop, rad);
        }
        if (failed == nullptr) {
            raw_offset(c, loop, cur, sd, false, raw, same);
            if (!split(c, raw, same, loop, true, false, g_pieces))
                failed = &cur;
            else
                lanes_of(c, g_pieces, loop, cur);
        }
        regd = over ? cur - e : cur;
        if (failed == nullptr && over) {
            std::swap(g_first, g_pieces);
            g_pieces.clear();
            for (i32 i = 0; i < g_first.n() && failed == nullptr; ++i) {
                take(g_first, i, w);
                pk_longest_seg(w, seg);
                pokarr_start_at(w, seg, 1, 0.5, px, py, st);
                if (st != 0) throw Stop{st};
                raw_offset(c, w, e, -sd, true, raw, same);
                if (!split(c, raw, same, loop, false, false, g_pieces)) failed = &cur;
            }
            if (failed == nullptr) {
                // The lanes measure from the offset they are handed, the last
                // first-phase piece, and its pieces of this phase lie e from it.
                if (g_first.n() > 0) lanes_of(c, g_pieces, w, e);
                if (g_pieces.n() >= 2) {
                    lup_split_cross(g_pieces, st);
                    if (st == 11) throw Stop{11};
                    if (st == 1) {
                        over = false;
                        failures = 0;
                        cur = regd;
                        continue;
                    }
                }
            }
        }
        // A failed split restarts phase 1 at the distance it was made with,
        // reduced: in the overshoot mode that is d + e, so phase 2 still
        // takes the whole e off (reducing d alone and adding no e back would
        // leave the offset e short). Only the failed sweep's distance is
        // reduced and kept for the rest of the call: the radius sweep and
        // the step sweep offset by distances of their own (r and d), and the
        // sweep whose split went through needs no other distance.
        if (failed != nullptr) {
            ++failures;
            if (c.talk) erou1c("[oneoff_pokarr] DELUPS HAS FAILED ", failures, " TIMES");
            if (same || failures >= 10) throw Stop{10};
            *failed *= 1.0 - 0.001 * failures;
            continue;
        }
        break;
    }
    had_pieces = g_pieces.n() > 0;

    // registration
    i32 made = 0;
    bool plain = false;
    for (i32 i = 0; i < g_pieces.n(); ++i) {
        Owned hp(g_pieces.pts.dims);
        pokarr& p = hp.a;
        take(g_pieces, i, p);
        const bool turned = p.direction != c.expdir;
        if ((turned && c.inward < 1 && !(c.level == 1 && c.inward == 0 && c.outward)) || p.area <= c.A ||
            p.count < 4)
            continue;
        const i32 parent = register_piece(c, p, turned, regd, 0, plain);
        ++made;
        if (lanes) lane_merge(c, p, parent, sd);
    }
    if (lanes) register_lanes(c, lanemode, had_pieces, plain, made);
    if (made == 0) return 1;
    // the first loop to cut is chosen among rows this call added; loops
    // handed to the common-loop builder (kinds 1, 2) are no rows yet
    if (pkoff.end_mode >= 1 && c.kind == 0 && lup_count > rows0) {
        const i32 a = rows0 + 1, b = lup_count;
        lup_pick_first(a, b, st);
        if (st != 0) return 11;
    }
    return 0;
}

}  // namespace

void oneoff_pokarr(const i32& kind, pokarr& loop, const i32& inward, const i32& side, const f64& radius,
                   const f64& distance, const f64& prevdist, const i32& row, const i32& level, const i32& key,
                   i32& nkeys, const i32& outward, i32 lanemode, i32& status)
{
    Call c{};
    c.kind = kind;
    c.inward = inward;
    c.side = side;
    c.level = level;
    c.key = key;
    c.row = row;
    c.outward = outward;
    c.K = &nkeys;
    c.r = radius;
    c.d = distance;
    c.prevd = prevdist;
    c.eps = std::min(std::max(std::min(pkoff.side / 2.0, distance / 1000.0), 0.001), 0.1);
    c.A = inward == 0 ? 0.001 : (level == 1 ? 0.009 : 0.003);
    c.expdir = inward < 1 ? 1 : -1;
    c.talk = gncalw() != 0;
    c.start_choice = false;
    c.three = loop.count == 3;
    c.loop = &loop;
    try {
        status = run(c, lanemode);
    } catch (const Stop& s) {
        status = s.status;
    }
    // The further offset of a common loop vanished: the common-loop builder
    // answers 2 (or 3) instead of leaving the pair as if nothing had met.
    if ((kind == 1 || kind == 2) && status == 1) comlup_offset_flag = 1;
    DELREL();
    oneoff_release();
}

void oneoff_release()
{
    clear_all();
    pokarr_free(g_pieces.pts);
    pokarr_free(g_lanes.pts);
    pokarr_free(g_lanework.pts);
    pokarr_free(g_first.pts);
    pokarr_init(pk_dims(), g_pieces.pts);
    pokarr_init(pk_dims(), g_lanes.pts);
    pokarr_init(pk_dims(), g_lanework.pts);
    pokarr_init(pk_dims(), g_first.pts);
}
