#include "stock/zband.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "blocks/format.h"
#include "blocks/height.h"
#include "blocks/listacc.h"
#include "blocks/readers.h"
#include "core/host.h"
#include "core/modflg.h"
#include "core/prcwrd.h"
#include "stock/airlink.h"
#include "stock/airscan.h"
#include "stock/crvtrim.h"
#include "stock/feedcopy.h"
#include "stock/movecur.h"
#include "stock/optedit.h"
#include "stock/optwords.h"
#include "stock/stkgrid.h"
#include "stock/stkrun.h"
#include "stock/tppoints.h"
#include "tools/toolcache.h"

namespace {
// What the scan keeps between calls.
struct Band {
    f32 point[3] = {0, 0, 0};  // where the tool stands
    bool known = false;
    i32 prev = -1;            // the previous move
    i32 open_first = -2;      // first move of a run left open at the list's end (-2 none)
    bool trust = false;       // the next curve is the piece before a cut: taken as it is
    bool cut_seen = false;    // a feed move came before the scan point
    bool fence = false;       // a cycle's block or another motion came since the previous move
    bool fence_early = false; // one came before the path's first feed move
} BZ;

f32 upper() { return wrd2r(CMPBLK[CMP_ZHIGH]); }
f32 lower() { return wrd2r(CMPBLK[CMP_ZLOW]); }
bool above(f32 z) { return (CMPBLK[CMP_ZRANGE] == 2 || CMPBLK[CMP_ZRANGE] == 4) && gtval(z, upper()) != 0; }
bool below(f32 z) { return (CMPBLK[CMP_ZRANGE] == 3 || CMPBLK[CMP_ZRANGE] == 4) && ltval(z, lower()) != 0; }
bool out(f32 z) { return above(z) || below(z); }
bool on_limit(f32 z) { return eqval(z, upper()) != 0 || eqval(z, lower()) != 0; }

f32 xy(const f32* a, const f32* b) { return static_cast<f32>(std::hypot(f64(b[0]) - a[0], f64(b[1]) - a[1])); }

// The limit a move from z0 to z1 crosses first.
f32 crossed(f32 z0, f32 z1)
{
    const bool up = z1 > z0;
    const f32 lo = lower(), hi = upper();
    if (out(z0)) return above(z0) ? hi : lo;  // coming back in
    return up ? hi : lo;                      // going out
}

// The limit at which a straight step from z0 to z1 is cut first; false when
// it is not cut. A step out of the band or back into it is cut at the limit
// it crosses unless it starts or ends on a limit; one from above the band to
// below it (or back) at the limit it meets first; one that starts on a limit
// and ends beyond the other limit (mode 4: the piece after a cut at the
// first) at that other limit, so that no piece runs through the band.
bool cut_level(f32 z0, f32 z1, f32& z)
{
    if (on_limit(z1)) return false;
    if ((above(z0) && below(z1)) || (below(z0) && above(z1))) {
        z = above(z0) ? upper() : lower();
        return true;
    }
    if (out(z0) == out(z1)) return false;
    if (!on_limit(z0)) {
        z = crossed(z0, z1);
        return true;
    }
    if (above(z1) && eqval(z0, lower()) != 0) {
        z = upper();
        return true;
    }
    if (below(z1) && eqval(z0, upper()) != 0) {
        z = lower();
        return true;
    }
    return false;
}

// The move a run opens behind: the previous move, whatever its feed. Only a
// run that no feed move comes before (the path's first cut, after nothing
// but rapids) opens from the path's start (-1), so that its link comes down
// from the clearance level. A run after a rapid, or after a move of feed 0,
// inside the path keeps the previous move as its first: opened from the
// start, its link would take every move from the path's start with it.
i32 first_of_run() { return BZ.cut_seen ? BZ.prev : -1; }

// A run being collected.
struct Run {
    bool open = false;
    i32 first = -1, side = 0;
    f32 length = 0;
    bool beyond = false;   // the last rapid of the run ended beyond the other limit (mode 4)
    bool crossed = false;  // a feed move followed such a rapid
    i32 returned() const { return crossed ? 2 : side; }
};

// Mode 4: a rapid inside an open run that ends beyond the opposite limit
// makes the run one above the band at the next feed move; a rapid back
// within that limit before it undoes that. Once a feed move has run out
// there the change holds: that move cut on the other side of the band, so
// the run is one of that side whatever rapids come after it, and a later
// rapid back cannot make its cut a cut below the band again.
void rapid_in_run(Run& r, const f32* P)
{
    if (!r.open || CMPBLK[CMP_ZRANGE] != 4) return;
    r.beyond = r.side == 2 ? ltval(P[2], lower()) != 0 : gtval(P[2], upper()) != 0;
}

void place(const f32* P)
{
    std::copy(P, P + 3, BZ.point);
    BZ.known = true;
}

// A straight move Q to P: false when it was cut at the limit and the scan
// goes on with its first piece; done set when the run ended. A run opens
// behind the move before it when that cut (first_of_run).
// A move from above the band to below it (or back) in mode 4 is cut at both
// limits, in the order it meets them: the piece between them stays in the
// band and the pieces outside end one run and begin the next.
bool line_move(Run& r, i32 number, f32* P, bool& done, i32& status)
{
    const f32* Q = BZ.point;
    const bool through = (above(Q[2]) && below(P[2])) || (below(Q[2]) && above(P[2]));
    f32 first = 0.0f;
    // A move that leaves the band is cut at the limit also right after a
    // rapid: its piece inside the band cuts there like any other move in the
    // band; taken out whole it would leave that material behind.
    if (BZ.known && cut_level(Q[2], P[2], first)) {
        i32 piece = number;
        const f32 second = through ? (first == upper() ? lower() : upper()) : P[2];
        optim_zband_clip(Q, P, first, second, piece, status);
        return false;
    }
    if (!r.open && out(P[2])) {
        r.open = true;
        r.first = first_of_run();
        r.side = above(P[2]) ? 2 : 1;
        r.length = 0;
    }
    if (r.open) {
        r.length += BZ.known ? xy(Q, P) : 0.0f;
        // The run ends with the move that comes back onto the limit (or
        // back into the band where it was not cut): its last move is the
        // piece that ends on the limit, for lines as for curves, and the
        // link comes down there. The piece after it, from the limit into
        // the band, is no part of the run and cuts at its feed: a run ended
        // by that piece would have its link come down inside the band and
        // lose the piece's cut, where the run is to begin and end exactly
        // at the limit.
        done = !out(P[2]) || on_limit(P[2]);
    }
    return true;
}
// Whether a path from z0 to z1 changes side: out of the band and back, or
// from above it to below it.
bool changes(f32 z0, f32 z1)
{
    return out(z0) != out(z1) || (above(z0) && below(z1)) || (below(z0) && above(z1));
}

// The points of the string of lines at the cursor (its header read); a
// string of no point reads as the scan point.
void string_points(std::vector<f32>& pts, i32& status)
{
    string_move_points(pts, status);
    if (pts.empty()) pts.assign(BZ.point, BZ.point + 3);
}

// Whether a feed string of these points has to be taken as single lines:
// a run is open, or a point of it lies out of the band or is reached by a
// step that is cut at a limit.
bool string_in_play(const Run& r, const std::vector<f32>& pts)
{
    if (r.open) return true;
    const f32* Q = BZ.known ? BZ.point : nullptr;
    for (size_t k = 0; k + 2 < pts.size(); k += 3) {
        const f32* E = pts.data() + k;
        f32 level = 0.0f;
        if (out(E[2]) || (Q != nullptr && cut_level(Q[2], E[2], level))) return true;
        Q = E;
    }
    return false;
}

// Cuts the curve (read as c, polyline pts from the scan point) where it
// first crosses a limit: inside the first segment to be cut (cut_level),
// or at a polyline point that lies on a limit when the curve changes side
// there (a point of the polyline is no block end, so the curve could not
// end a run or begin one there). The cut is made at the parameter where
// the curve's Z equals the limit, found from the curve point nearest to
// the point at that Z. true when it was cut.
bool curve_cut(const NurbsMove& c, i32 curve, const std::vector<f32>& pts, i32 number, i32& status)
{
    const f32* Q = BZ.point;
    const f32* before = nullptr;  // the polyline point before Q, none at the curve's start
    for (size_t k = 0; k + 2 < pts.size(); k += 3) {
        const f32* E = pts.data() + k;
        f32 level = 0.0f;
        f64 R[3] = {Q[0], Q[1], Q[2]};
        bool cut = false;
        if (before && on_limit(Q[2]) && changes(before[2], E[2])) {
            level = eqval(Q[2], upper()) != 0 ? upper() : lower();
            R[2] = level;
            cut = true;
        } else if (cut_level(Q[2], E[2], level)) {
            // A segment through the whole band is cut at the limit it meets
            // first; the piece after that cut starts on it and is cut at
            // the other limit when the scan comes to it.
            const f64 q[3] = {Q[0], Q[1], Q[2]}, e[3] = {E[0], E[1], E[2]};
            optim_pt_at_z(q, e, level, R);
            cut = true;
        }
        if (cut) {
            const f64 z = level;
            f64 pt[3], t = 0;
            const f32 at[3] = {f32(R[0]), f32(R[1]), f32(R[2])};
            crv_nearest(curve, at, t, pt, status);
            if (status >= 0) bcrv_par_at_z(pt, t, curve, z, status);
            if (status < 0) {
                status = 0;  // no point of the curve at the limit there: taken whole
                return false;
            }
            i32 block = number;
            return crv_cut_at(c, t, pt, BZ.point, block, status) == 1;
        }
        before = Q;
        Q = E;
    }
    return false;
}

// A NURBS move from the scan point: cut where it crosses a limit (false:
// the scan goes on with the first piece). Otherwise it opens a run when a
// point of it lies out of the band, adds its XY length to an open run and
// ends the run when it comes back into the band or onto the limit. P gets
// its end.
bool curve_move(Run& r, i32 number, i32 size, f32* P, bool& done, i32& status)
{
    NurbsMove c;
    std::vector<f32> pts;
    const i32 curve = nurbs_move_open(size, c, pts, P, status);
    if (status < 0) return true;
    const bool trusted = BZ.trust;
    BZ.trust = false;
    bool cut = false;
    if (status >= 0 && curve != 0 && BZ.known && !trusted) cut = curve_cut(c, curve, pts, number, status);
    if (curve != 0) evbfre(curve);
    if (cut) BZ.trust = true;
    if (cut || status < 0) return !cut;
    f32 Q[3] = {BZ.point[0], BZ.point[1], BZ.point[2]}, length = 0;
    i32 side = 0;
    for (size_t k = 0; k + 2 < pts.size(); k += 3) {
        const f32* E = pts.data() + k;
        if (side == 0 && out(E[2])) side = above(E[2]) ? 2 : 1;
        length += xy(Q, E);
        std::copy(E, E + 3, Q);
    }
    if (!r.open && side != 0) {
        r.open = true;
        r.first = first_of_run();
        r.side = side;
        r.length = 0;
    }
    if (r.open) {
        r.length += BZ.known ? length : 0.0f;
        done = !out(P[2]) || on_limit(P[2]);
    }
    return true;
}
// A run out of the band that would take a cycle's block out with its
// moves: the link removes every block between the run's ends, and a cycle
// lost there would drill where nothing says, or not at all. The stage stops
// with a message instead, the path as it is.
void fenced(i32& status)
{
    user1c("Z BAND: A CYCLE WITHIN A RUN OUT OF THE BAND ENDS THE OPTIMIZER, AFTER BLOCK ", BZ.prev);
    status = -1;
}
}  // namespace

void optim_pt_at_z(const f64* P, const f64* Q, const f64& z, f64* R)
{
    const f64 t = (z - P[2]) / (Q[2] - P[2]);
    R[0] = P[0] + t * (Q[0] - P[0]);
    R[1] = P[1] + t * (Q[1] - P[1]);
    R[2] = z;
}

void optim_zband_clip(const f32* P, f32* Q, const f32& za, const f32& zb, i32& piece, i32& status)
{
    status = 0;
    if (eqpt3(P, Q) != 0 || (P[2] == za && Q[2] == zb)) return;
    // Where the move meets each level, as a fraction of it: za first, then zb.
    const f64 dz = f64(Q[2]) - P[2];
    const f64 ta = dz == 0.0 ? -1.0 : (za - f64(P[2])) / dz, tb = dz == 0.0 ? -1.0 : (zb - f64(P[2])) / dz;
    if (!(ta >= 0.0 && ta <= tb && tb <= 1.0)) {
        status = -1;  // the move does not reach both levels in that order
        return;
    }
    const f64 p[3] = {P[0], P[1], P[2]}, q[3] = {Q[0], Q[1], Q[2]};
    f64 a[3], b[3];
    optim_pt_at_z(p, q, za, a);
    optim_pt_at_z(p, q, zb, b);
    const f32 A[3] = {P[2] == za ? P[0] : f32(a[0]), P[2] == za ? P[1] : f32(a[1]), za};
    const f32 B[3] = {Q[2] == zb ? Q[0] : f32(b[0]), Q[2] == zb ? Q[1] : f32(b[1]), zb};
    optim_split_line(P, Q, A, B, piece, status);
}

namespace {
i32 zband_polls = 0;  // moves scanned, for the keyboard poll
}  // namespace

void optim_zband_scan(i32& first, i32& last, i32& side, f32& length, i32& at_end, i32& status)
{
    status = 0;
    at_end = 0;
    length = 0;
    BZ.open_first = -2;
    Run r;
    // The walk ends at the list's end (-2) with a run still open handed
    // over; a failed step or access (-1) ends it with that failure: taken
    // for the end, the stage would retract from an open run and take every
    // move after its start away, the ones the scan never reached with them.
    auto end = [&](i32 st) {
        at_end = 1;
        if (st == -1) {
            status = -1;
            return;
        }
        if (r.open) BZ.open_first = r.first, first = r.first, last = -1, side = r.returned(), length = r.length;
    };
    if (first == -1) {
        i32 a = 0;
        lacces(2, a);
        if (a == -2) return end(-1);
        BZ = Band{};
        optim_scan_feed = -1.0f;
    } else if (first > 0) {
        // Goes on after the move `first`: the tool stands at its end, at the
        // feed in force there.
        i32 a = 0, st = 0;
        f32 f = 0, P[3];
        lacces(2, a);
        goto_block(1, first, st);
        if (st >= 0) move_end_point(P, st);
        if (st >= 0) lacces(2, a), feed_at_move(1, first, f, st);
        if (st >= 0) lacces(2, a), goto_block(1, first, st);
        if (st < 0) return end(-1);
        place(P);
        BZ.prev = first;
        BZ.trust = BZ.fence = false;
        if (f != 0.0f) optim_scan_feed = f;
        if (optim_scan_feed >= 0.0f) BZ.cut_seen = true;
        TPJUMP(1, st);
        if (st != 0) return end(st);
    } else {
        erou1c("optim_zband_scan, NO MOVE TO GO ON AFTER ", first);
        at_end = 1;
        status = -1;
        return;
    }
    while (true) {
        // The keyboard every 5 moves: a long stretch with no run in it can
        // be stopped as well.
        if (optim_scan_stopped(zband_polls, at_end, status)) return;
        i32 number = 0, type = 0, size = 0, tc = 0, st = 0;
        f32 feed = 0, P[3];
        find_move(MV_LIST, 1, number, type, size, feed, tc, st);
        if (st < 0) return end(st == -2 ? -2 : -1);
        if (move_feed_read == 0) feed = optim_scan_feed;  // no feed of its own
        optim_scan_feed = feed;
        bool done = false;
        if (!mv_line(type) && !mv_arc(type) && !mv_nurbs(type) && !mv_string(type)) {
            // A cycle's block or a motion of another kind (a drill location,
            // a rotation), whatever the feed in force: no end point for the
            // band to test, so it is passed over, and only a run that would
            // take it out fails the stage (below). Where the tool stands
            // after a motion is not followed: the move after it only places
            // the scan point. It is never the move a run opens behind: the
            // link reads that move's end.
            if (r.open) return fenced(status);
            BZ.fence = true;
            if (!BZ.cut_seen) BZ.fence_early = true;
            if (type != 30 && type != 34 && type != 36) BZ.known = false;
            TPJUMP(1, st);
            if (st != 0) return end(st);
            continue;
        }
        if (mv_string(type)) {
            // A string that the band touches is broken into its lines: each
            // of its points may be a place to cut at a limit or to end a run,
            // and as lines they are read, cut and removed as moves of their
            // own (the lines are the string's own moves, so the path cuts as
            // before). Any other string stays whole and only carries the
            // scan point to its end, so a path the band leaves alone is not
            // changed.
            std::vector<f32> pts;
            string_points(pts, status);
            if (status < 0) return;
            if (feed >= 0.0f && string_in_play(r, pts)) {
                BRKSTR(1, status);
                if (status < 0) return;
                continue;
            }
            std::copy(pts.end() - 3, pts.end(), P);
            if (feed < 0.0f) rapid_in_run(r, P);
        } else if (mv_arc(type)) {
            i32 h = 0, plane = 0;
            f32 angle = 0, step = 0, c[2], v[3];
            RDBT3(MV_LIST, type, h, plane, angle, step, c, P, v, status);
            if (status < 0) return;
            if (plane != 1 && feed >= 0.0f) {
                // The band is measured in Z over the XY plane, so a cutting
                // arc in another plane cannot be cut at its limits and the
                // run fails. The user is told which block ends it: the run
                // would otherwise stop without a word and leave no clue in a
                // long path as to where the optimizer gave up.
                user1c("Z BAND: AN ARC OUT OF THE XY PLANE ENDS THE OPTIMIZER, BLOCK ", number);
                status = -1;
                return;
            }
            // A rapid arc only carries the scan point (out of the XY plane
            // too: it cuts nothing that the band could take out); a feed
            // arc adds its length to an open run.
            if (r.open && feed >= 0.0f)
                r.length += static_cast<f32>(std::hypot(f64(P[0]) - c[0], f64(P[1]) - c[1]) * std::fabs(angle));
            // An arc counts in a run's change of side as a line does: a
            // rapid one may end beyond the other limit or back within it,
            // and a feed one is the feed move that makes the change hold.
            if (feed < 0.0f) rapid_in_run(r, P);
            if (feed >= 0.0f && r.beyond) r.crossed = true, r.beyond = false;
        } else if (feed >= 0.0f && mv_nurbs(type)) {
            if (!curve_move(r, number, size, P, done, status)) continue;
            if (status < 0) return;
            if (r.beyond) r.crossed = true, r.beyond = false;
        } else {
            move_end_point(P, status);
            if (status < 0) return;
            if (feed >= 0.0f && mv_line(type) && !line_move(r, number, P, done, status)) {
                if (status < 0) return;
                continue;
            }
            if (feed < 0.0f) rapid_in_run(r, P);
            if (feed >= 0.0f && r.beyond) r.crossed = true, r.beyond = false;
        }
        // A run that opens behind a cycle's block (or, from the path's
        // start, after one) would take that block out with its moves.
        if (r.open && (BZ.fence || (r.first == -1 && BZ.fence_early))) return fenced(status);
        place(P);
        BZ.prev = number;
        BZ.fence = false;
        if (feed >= 0.0f) BZ.cut_seen = true;
        if (done) {
            first = r.first, last = number, side = r.returned(), length = r.length;
            return;
        }
        TPJUMP(1, st);
        if (st != 0) return end(st);
    }
}

namespace {
// The clearance level of a link over a point at height z: the clearance
// height while the host holds its flag, else the link clearance when the
// heights record asks for it, else z raised by the record's distance.
f32 clearance(f32 z)
{
    i32 held = 0;
    HFLGET(held);
    if (held != 0) return wrd2r(HEI8[0]);
    if (HEI8[76] != 0) return wrd2r(HEI8[24]);
    return z + wrd2r(HEI8[48]);
}

bool same_xy(const f32* a, const f32* b) { return eqval(a[0], b[0]) != 0 && eqval(a[1], b[1]) != 0; }

// Puts the cursor behind the move `number` (the list's start for none):
// status -2 when nothing comes behind it, -1 when the list fails or the
// move is not found.
void behind(i32 number, i32& status)
{
    i32 a = 0, st = 0;
    status = 0;
    lacces(2, a);
    if (a == -2) status = -1;
    if (number <= 0 || status < 0) return;
    goto_block(1, number, status);
    if (status >= 0) TPJUMP(1, st);
    if (st == -1) status = -1;
    else if (st != 0) status = -2;  // nothing behind it
}

// The cursor on the move `number` (negative: just behind its number),
// searched from the list's start.
void seek(i32 number, i32& status)
{
    i32 a = 0;
    lacces(2, a);
    goto_block(1, number, status);
}

// Writes the feed in front of the move `number`, searched back from the
// list's end.
void feed_before(f32 feed, i32 number, i32& status)
{
    i32 a = 0;
    lacces(3, a);
    put_feed(feed, number, status);
}

// Straight moves of the link written at the list position: the writer's
// last point is `from`, then each point in turn.
void link_lines(const f32* from, const std::vector<const f32*>& pts, i32& status)
{
    for (i32 c = 0; c < 3; ++c) MOVST.point[c] = from[c];
    const f32* last = from;
    for (const f32* q : pts) {
        if (status < 0) return;
        if (eqpt3(q, last) != 0) continue;
        optim_line(q, status);
        last = q;
    }
}

// Removes the moves after `first` (from the path's start when below 1) up to
// `last` (to the list's end when below 1), each by optim_zband_drop; top is
// raised to the highest Z they reach (an arc, flat in XY, by its end).
// The list's end ends the walk of a run open to it (last below 1); for any
// other run it, like a failed seek or read, ends the link with a failure:
// the link is not written over moves that were never taken out.
void drop_run(i32 first, i32 last, i32 side, f32& top, i32& status)
{
    i32 from = first;
    auto ended = [&](i32 st) {
        if (st == -2 && last < 1) return;
        status = -1;
    };
    while (status >= 0) {
        i32 st = 0;
        behind(from, st);
        if (st < 0) return ended(st);
        i32 number = 0, type = 0, size = 0, tc = 0;
        f32 feed = 0;
        find_move(MV_LIST, 1, number, type, size, feed, tc, st);
        if (st < 0) return ended(st);
        const bool stays = CMPBLK[CMP_ZCHOICE] == 2 && side == 1;
        f32 end[3];
        if (mv_arc(type)) {
            move_end_point(end, st);
            if (st >= 0) top = std::max(top, end[2]);
        } else {
            move_top_z(type, top, st);
        }
        if (st < 0) {
            status = st;
            return;
        }
        optim_zband_drop(MV_LIST, side, status);
        if (stays) from = number;
        if (number == last) return;
    }
}
}  // namespace

void optim_zband_drop(const i32& mode, const i32& side, i32& status)
{
    status = 0;
    i32 size = 0, type = 0, cls = 0;
    TPBLKH(mode, size, type, cls, status);
    if (status < 0) return;
    if (CMPBLK[CMP_ZCHOICE] == 2 && side == 1) {
        // Kept in place: what ends below the lower limit, and every curve,
        // is put onto it. A line, arc or string keeps its kind and takes
        // the limit as its Z where it stands; only a curve is rebuilt, as a
        // curve within the tolerance. Made a curve, a straight move on the
        // limit would be the same way with more words, and the moves of the
        // path around it would change kind for no cut of theirs.
        f32 P[3];
        move_end_point(P, status);
        if (status >= 0 && (mv_nurbs(type) || ltval(P[2], lower()) != 0)) {
            TPBLKH(mode, size, type, cls, status);
            i32 n = 0;
            if (status >= 0) NRBCNV(mode, 0, type, size, lower(), 0.25 * stk_grid.cell, n, status);
        }
        return;
    }
    i32 a = 0;
    lacces(0, a);
    TPDELB(1, status);
}

namespace {
// The move after `number` and the feed in force at it (fN when no feed
// block lies before it); after stays -1 when there is none, or when its own
// feed block stands between the two. A list that fails on the way (-1; the
// end answers -2) sets status: taken for "no move after", the feed written
// for the move down would hold for the moves after it with the link done.
void move_after(i32 number, f32 fN, i32& after, f32& feed, i32& status)
{
    after = -1;
    feed = 0.0f;
    i32 st = 0, next = 0, type = 0, size = 0, tc = 0;
    f32 f = 0.0f;
    seek(number, st);
    if (st >= 0) TPJUMP(1, st);
    if (st == -1) status = -1;
    if (st != 0) return;
    find_move(MV_LIST, 1, next, type, size, f, tc, st);
    if (st == -1) status = -1;
    if (st < 0 || move_feed_read != 0) return;
    feed_at_move(1, next, feed, st);
    if (st < 0) status = -1;
    if (st < 0) return;
    if (feed == 0.0f) feed = fN;
    if (feed != 0.0f) after = next;
}

// The run's end E straight above its start S (the run removed): the moves
// after it that stay at S's XY above it are taken out; the tool rises by
// rapid to the last point kept before a move leaves that XY, and a move down
// below S plunges from the safety distance d over S (at the plunge feed when
// the point kept is within it). fN: the feed in force after the run.
void above_start(i32 first, const f32* S, const f32* E, f32 fN, f32 d, i32& status)
{
    i32 a = 0, st = 0;
    PathEdit edit;
    f32 kept[3] = {E[0], E[1], E[2]};
    while (status >= 0) {
        behind(first, st);
        if (st == -1) status = -1;  // a failed seek: no end of the path
        if (st < 0) break;
        i32 number = 0, type = 0, size2 = 0, tc = 0;
        f32 feed = 0, P[3];
        find_move(MV_LIST, 1, number, type, size2, feed, tc, st);
        // -2: no move after the run. A failed search ends the link with a
        // failure: the moves at S's XY already taken out would be left
        // without the rapid that replaces them, and the stage would carry
        // on as if the link had been laid.
        if (st == -1) status = -1;
        if (st < 0) break;
        // Only a line can stay at S's XY; any other move leaves it, and a
        // block with no end point (a drill location) is not asked for one.
        // A line whose end cannot be read is a damaged block, not a move
        // that leaves: the link fails instead of laying a rapid beside it.
        const bool line = mv_line(type);
        if (line) move_end_point(P, st);
        if (line && st < 0) {
            status = -1;
            break;
        }
        if (!line || !same_xy(P, S)) {
            // Leaving S's XY: a rapid up to where the path stood.
            if (eqpt3(kept, S) == 0) {
                seek(first, status);
                if (status < 0) return;
                lacces(0, a);
                edit.begin();
                write_feed_code(27, status);
                link_lines(S, {kept}, status);
                edit.finish(status);
                if (status >= 0 && number > 0) feed_before(feed != 0.0f ? feed : fN, number, status);
            }
            break;
        }
        if (!(P[2] < S[2])) {
            std::copy(P, P + 3, kept);
            optim_zband_drop(MV_LIST, 2, status);
            continue;
        }
        // Down below S. Whether the plunge starts within the safety distance
        // is asked of the point the move starts from (the last point kept):
        // its end lies below S and so always within it. From a point within
        // it the tool rises there by rapid and the move itself runs at the
        // plunge feed; from higher up the move is replaced by a rapid to the
        // safety distance over S and a plunge (code 3) from there.
        i32 after = -1;
        f32 f_after = 0.0f;
        move_after(number, fN, after, f_after, status);
        if (status < 0) return;
        seek(number, status);
        if (status < 0) return;
        if (kept[2] < S[2] + d) {
            const f32 plunge = static_cast<f32>(PRM9[4]) * wrd2r(PRM9[0]) * 0.01f;
            seek(first, status);
            if (status < 0) return;
            lacces(0, a);
            edit.begin();
            if (eqpt3(kept, S) == 0) {
                write_feed_code(27, status);
                link_lines(S, {kept}, status);
            }
            edit.finish(status);
            if (status >= 0) feed_before(plunge, number, status);
        } else {
            const f32 Z[3] = {S[0], S[1], S[2] + d};
            // A drop that failed leaves the move in the list: the rapid and
            // the plunge written beside it would run the move down twice.
            optim_zband_drop(MV_LIST, 2, status);
            if (status < 0) return;
            seek(first, status);
            if (status < 0) return;
            lacces(0, a);
            edit.begin();
            write_feed_code(27, status);
            link_lines(S, {Z}, status);
            if (status >= 0) write_feed_code(3, status);
            if (status >= 0) optim_line(P, status);
            edit.finish(status);
            std::copy(P, P + 3, kept);
        }
        // The plunge feed (or code 3) written for the move down would hold
        // for the moves after it too: the feed in force there is written
        // back in front of the next one.
        if (status >= 0 && after > 0) feed_before(f_after, after, status);
        break;
    }
    optim_air_point(kept);
}

}  // namespace

void optim_zband_link(const i32& first, const i32& last, const i32& message, f32& safety, const i32& side,
                      f32& length, i32& status)
{
    status = 0;
    CMPBLK[CMP_CHANGED] = 1;
    // The floor mode switched for one run: a short run below the band stays.
    const i32 floor = CMPBLK[CMP_ZCHOICE];
    f32 size = 0;
    GTTSIZ(CURTOL, size);
    // Only a run with both ends inside the path is switched; one that
    // touches an end stays in place only under floor mode 2 itself.
    if (floor == 1 && side == 1 && length <= 2.0f * size && first > 0 && last > 0) CMPBLK[CMP_ZCHOICE] = 2;
    struct FloorBack {
        i32 v;
        ~FloorBack() { CMPBLK[CMP_ZCHOICE] = v; }
    } back{floor};
    const bool stays = CMPBLK[CMP_ZCHOICE] == 2 && side == 1;
    // A safety word of 0 takes the caller's distance; so does one not set
    // (negative): the caller's is the optimizer's own.
    const f32 w = wrd2r(CMPBLK[CMP_SAFETY]), d = w > 0.0f ? w : safety;
    f32 E[3] = {0, 0, 0}, S[3] = {0, 0, 0}, fN = 0;
    i32 N = -1, a = 0, st = 0;
    lacces(2, a);
    if (last > 0) {
        // The run's end and the move after it, with the feed in force there.
        goto_block(1, last, status);
        if (status >= 0) move_end_point(E, status);
        if (status < 0) return;
        TPJUMP(1, st);
        i32 type = 0, size2 = 0, tc = 0;
        f32 feed = 0;
        if (st == 0) find_move(MV_LIST, 1, N, type, size2, feed, tc, st);
        if (st >= 0 && N > 0) {
            lacces(2, a);
            feed_at_move(1, N, fN, status);
        }
        if (status < 0) return;
        // Only the list's end (-2) means no move after the run: a failed
        // step or read is the link's failure, not a run to the path's end.
        if (st == -1) {
            status = -1;
            return;
        }
        if (st < 0) N = -1;
    }
    if (first > 0) {
        lacces(2, a);
        seek(first, status);
        if (status >= 0) move_end_point(S, status);
        if (status < 0) return;
    } else if (last < 0) {
        // The whole path: the tool ends where the path ended.
        i32 end = 0;
        jump_moves(99, end, status);
        if (status >= 0) goto_block(1, end, status);
        if (status >= 0) move_end_point(E, status);
        if (status < 0) return;
    }
    f32 top = std::max(S[2], E[2]);
    drop_run(first, last, side, top, status);
    if (status < 0 || stays) return;
    PathEdit edit;
    if (first > 0 && last > 0) {
        if (!same_xy(S, E) || !(E[2] > S[2])) {
            // Up from S, across at the clearance level, down to the safety
            // distance over E and the plunge onto it. The traverse passes
            // over the whole run, so the point below it is the run's highest
            // (its ends and every move taken out): a run above the band
            // climbs where the part stands high, and a traverse over its
            // ends alone would run through that. A clearance height set
            // below that point is raised to it, so that the link never goes
            // lower than the moves it replaces.
            const f32 C = std::max(clearance(top), top);
            // The approach point stays below the traverse: the tool does not
            // rise again on its way down onto E.
            const f32 R[3] = {S[0], S[1], C}, T[3] = {E[0], E[1], C}, D[3] = {E[0], E[1], std::min(E[2] + d, C)};
            seek(first, status);
            if (status < 0) return;
            lacces(0, a);
            edit.begin();
            if (eqpt3(R, T) == 0) {
                write_feed_code(27, status);
                link_lines(S, {R, T, D}, status);
                if (status >= 0 && eqpt3(D, E) == 0) {
                    write_feed_code(3, status);
                    if (status >= 0) optim_line(E, status);
                }
            } else if (E[2] < S[2]) {
                // The run comes back below its start at one XY: the clearance
                // points coincide and no link is written; the tool goes down
                // from the run's start to its end at the plunge feed, so the
                // move after it starts where it did.
                write_feed_code(3, status);
                link_lines(S, {E}, status);
            }
            edit.finish(status);
            if (status >= 0 && N > 0) feed_before(fN, N, status);
            return;
        }
        above_start(first, S, E, fN, d, status);
        return;
    }
    if (first <= 0 && last > 0) {
        // From the top down onto the run's end, in front of the move after it
        // (so that a tool change before it stays first), or at the list's
        // end when the run's end is the path's last move.
        if (N > 0) {
            seek(-N, status);
            if (status >= 0) TPJUMP(-1, status);
        } else {
            lacces(3, a);
        }
        if (status < 0) return;
        const f32 T[3] = {E[0], E[1], clearance(E[2])}, D[3] = {E[0], E[1], E[2] + d};
        edit.begin();
        write_feed_code(4, status);
        if (status >= 0) optim_line(T, status);
        link_lines(T, {D}, status);
        if (status >= 0 && eqpt3(D, E) == 0) {
            write_feed_code(3, status);
            if (status >= 0) optim_line(E, status);
        }
        edit.finish(status);
        if (status >= 0 && N > 0) feed_before(fN, N, status);
        return;
    }
    if (first > 0) {
        // Up from the run's start to the clearance level, and the path ends.
        seek(first, status);
        if (status < 0) return;
        lacces(0, a);
        const f32 R[3] = {S[0], S[1], clearance(S[2])};
        edit.begin();
        write_feed_code(4, status);
        link_lines(S, {R}, status);
        edit.finish(status);
        return;
    }
    // The whole path out of the band: one rapid to where it ended.
    lacces(3, a);
    edit.begin();
    optim_whole_rapid(E, status);
    edit.finish(status);
    // The message table belongs to the host: the module hands it the index
    // of the entry, and the host's message 10 of 339 shows the entry that
    // index picks. The module keeps no copy of the table's texts.
    char t[16];
    std::snprintf(t, sizeof t, "%d", message);
    msg_mdlt(339, 10, t);
}

void optim_zband_stage(i32& status)
{
    status = 0;
    i32 last = -1, side = 0, at_end = 0, counter = 0;
    f32 length = 0;
    // The distance the links take where word 1 is 0: the one the tool gives
    // (as for a word not set). 0 is no distance the optimizer screen lets
    // the user give, and a link with none would come down onto the cut at
    // rapid; a tool that gives none leaves it at 0.
    f32 safety = 0.0f;
    if (wrd2r(CMPBLK[CMP_SAFETY]) == 0.0f) {
        f32 clear = 0.0f, cut = 0.0f;
        GTCLRL(CURTOL, clear);
        GTCUTL(CURTOL, cut);
        safety = std::max({0.0f, 0.2f * clear, clear - cut});
    } else {
        safety = optim_safety(status);
        if (status < 0) return;
    }
    // Each run found is linked and the scan starts again from the list's
    // start: the linked moves lie in the band or are rapids. The scan polls
    // the keyboard every 5 moves; a stop (1000) ends the stage with no link
    // made of the run it was in.
    while (true) {
        if (optim_progress(1, counter, 5) != 0) {
            status = 1000;
            return;
        }
        i32 first = -1;
        optim_zband_scan(first, last, side, length, at_end, status);
        if (status < 0 || status == 1000) return;
        if (at_end != 0) break;
        optim_zband_link(first, last, 0, safety, side, length, status);
        if (status < 0) return;
    }
    // A run left open at the list's end (from the path's start: the whole
    // path) is linked to the end.
    if (BZ.open_first != -2) optim_zband_link(BZ.open_first, -1, 0, safety, side, length, status);
}
