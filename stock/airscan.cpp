#include "stock/airscan.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/readers.h"
#include "core/host.h"
#include "core/prcwrd.h"
#include "stock/airlink.h"
#include "stock/crvtrim.h"
#include "stock/feedcopy.h"
#include "stock/movecur.h"
#include "stock/optedit.h"
#include "stock/optwords.h"
#include "stock/stkgrid.h"
#include "stock/stkimage.h"
#include "stock/stkrun.h"
#include "stock/stkstamp.h"
#include "stock/tppoints.h"
#include "tools/toolcache.h"

i32 air_found = 0;

namespace {
// What the scan keeps between calls.
struct Scan {
    f32 point[3] = {0, 0, 0};  // where the cutter stands
    bool known = false;        // point is a position of the cutter
    i32 state = 1;             // 1 in the air, 2 cutting
    i32 candidate = -1;        // the last move looked at
    i32 resume = -1;           // the cutting move that ended the last run
    i32 last_cut = -1;         // the last cutting move seen
    i32 trust = 0;             // pieces of a split still to come, measured without a new cut
    i32 open_first = -1;       // first move of a run left open at the list's end (-2 none)
} SC;

// A run being collected.
struct Run {
    bool open = false;
    f32 air = 0;          // its air length
    i32 first = -1;       // the cutting move before it
    i32 last = -1;        // its last move
    i32 moves = 0;        // air moves in it
    i32 last_rapid = -1;  // the last rapid move seen
};

f32 len3(const f32* a, const f32* b)
{
    return static_cast<f32>(std::hypot(std::hypot(f64(b[0]) - a[0], f64(b[1]) - a[1]), f64(b[2]) - a[2]));
}

// The deepest cut of the cutter along a to b; the stock is cut when `cut`.
f32 sweep_depth(const f32* a, const f32* b, i32 move, bool cut, i32& status)
{
    f32 md = 0, ed = 0, v = 0, ev = 0, q[3], len = 0;
    stk_move(cut ? 1 : 0, 0, a, b, move, md, ed, v, ev, q, len, status);
    return md;
}

void open_run(Run& r)
{
    if (r.open) return;
    r.open = true;
    r.first = SC.candidate;
}

// A move in the air: its length joins the run, which it opens when none is
// open. A run of feed moves in the air is a run to link over whether or not
// a rapid comes before it: the stage is to find every feed move that cuts
// nothing, and linking from the last cut is what turns such moves into
// rapids over the stock.
void air_move(Run& r, f32 length)
{
    r.air += length;
    SC.state = 1;
    air_found = 1;
    open_run(r);
    ++r.moves;
}

// A cutting move: it ends an open run.
void cutting_move(Run& r, i32 number)
{
    SC.last_cut = number;
    if (r.open) {
        r.last = SC.candidate;
        r.open = false;
        SC.resume = number;
        return;
    }
    SC.state = 2;
}

// A straight move S to P: asked whether it is partly in the air (then cut,
// and the scan goes on with its first piece: answers false), measured and
// cut into the stock.
bool line_move(Run& r, i32 number, f32 feed, f32* P, i32& status)
{
    f32 depth = 0;
    // The pieces of a split are measured and cut, not asked again where
    // they leave the air: their cut points are already half a diameter
    // clear of the contact, and asked again a piece starting there would be
    // split once more at each half diameter on its way into the stock.
    if (SC.trust > 0) {
        --SC.trust;
        depth = sweep_depth(SC.point, P, number, false, status);
    } else {
        f32 A[3], B[3];
        if (optim_air_entry(SC.point, P, SC.state, r.air, A, B, depth, status) == 1 && status >= 0) {
            optim_scan_feed = feed;
            const i32 pieces = (eqpt3(A, SC.point) == 0 ? 1 : 0) + 1 + (eqpt3(B, P) == 0 ? 1 : 0);
            i32 piece = number;
            optim_split_line(SC.point, P, A, B, piece, status);
            // A split that failed ends the scan with its failure (answered
            // as a move handled, so the scan's own check sees the status):
            // read again, the whole move would be taken as one of the pieces
            // and the next read would clear the failure, reported as success
            // with the move never cut. The pieces are trusted only once they
            // stand in the list.
            if (status < 0) return true;
            SC.trust = pieces;
            return false;
        }
    }
    if (status < 0) return true;
    if (SC.state == 2 || depth > 0.0f) sweep_depth(SC.point, P, number, true, status);
    if (depth > 0.0f)
        cutting_move(r, number);
    else
        air_move(r, len3(SC.point, P));
    return true;
}

// An arc or a curve as chords from the scan point, each cut into the stock:
// wholly in the air it joins the run, else it ends an open run.
void chord_move(Run& r, i32 number, const std::vector<f32>& pts, i32& status)
{
    f32 Q[3] = {SC.point[0], SC.point[1], SC.point[2]}, length = 0;
    bool touched = false;
    for (size_t k = 0; k + 2 < pts.size() && status >= 0; k += 3) {
        const f32* P = pts.data() + k;
        touched = sweep_depth(Q, P, 0, true, status) > 0.0f || touched;
        length += len3(Q, P);
        std::copy(P, P + 3, Q);
    }
    if (touched)
        cutting_move(r, number);
    else
        air_move(r, length);
}

// An arc that runs in the air over at least 2 x D (with the air length
// of an open run) before the cutter first finds stock is cut half a
// diameter before that contact, as a straight move or a curve is: the air
// piece joins the run and the link that replaces it comes down clear of the
// stock's edge, the rest ends the run and enters the stock at its feed.
// true when it was cut (the scan goes on with the first piece).
bool arc_entry(const Run& r, i32 number, const std::vector<f32>& pts, f32* P, f32 angle, i32 plane,
               const f32* centre, i32& status)
{
    f32 D = 0;
    GTDIAM(CURTOL, D);
    const size_t n = pts.size() / 3;
    f32 Q[3] = {SC.point[0], SC.point[1], SC.point[2]}, run = 0, contact = -1.0f;
    for (size_t j = 0; j < n && status >= 0; ++j) {
        const f32* E = pts.data() + 3 * j;
        f32 md = 0, ed = 0, top = 0, v = 0, ev = 0, q[3], len = 0;
        stk_move_sweep(0, 1, Q, E, 0, md, ed, top, v, ev, q, len, status);
        if (md > 0.0f) {
            contact = run + len3(Q, q);
            break;
        }
        run += len3(Q, E);
        std::copy(E, E + 3, Q);
    }
    const f32 air = (r.open ? r.air : 0.0f) + contact;
    const f32 at = contact - 0.5f * D;
    if (status < 0 || contact < 0.0f || air < 2.0f * D || !(at > 0.0f)) return false;
    f32 A[3];
    const f64 place = poly_point_at(SC.point, pts, at, A);
    const f32 a1 = static_cast<f32>(f64(angle) * place / f64(n));
    arc_point_at(SC.point, plane, centre, P, a1, A);
    // The split reads the arc from the element before it. A step back that
    // lands on the list's first element answers 1 and stands there all the
    // same: taken for a failed step, the arc would be cut whole into the
    // stock from there and then read again as the move after.
    i32 piece = number, piece2 = 0, st = 0;
    goto_block(-1, number, status);
    if (status >= 0) TPJUMP(-1, st);
    if (status >= 0 && st >= 0) optim_split_arc(SC.point, P, A, P, a1, angle - a1, piece, piece2, status);
    return status >= 0 && st >= 0;
}

// A curve that runs in the air over at least 2 x D (with the air length of
// an open run) before the cutter first finds stock is cut half a diameter
// before that contact, at the curve point nearest to it: the air piece
// joins the run, the rest ends it. true when it was cut (the scan goes on
// with the first piece).
bool curve_entry(const Run& r, const NurbsMove& c, i32 curve, const std::vector<f32>& pts, i32 number, i32& status)
{
    f32 D = 0;
    GTDIAM(CURTOL, D);
    f32 Q[3] = {SC.point[0], SC.point[1], SC.point[2]}, run = 0, contact = -1.0f;
    for (size_t k = 0; k + 2 < pts.size() && status >= 0; k += 3) {
        const f32* E = pts.data() + k;
        f32 md = 0, ed = 0, top = 0, v = 0, ev = 0, q[3], len = 0;
        stk_move_sweep(0, 1, Q, E, 0, md, ed, top, v, ev, q, len, status);
        if (md > 0.0f) {
            contact = run + len3(Q, q);
            break;
        }
        run += len3(Q, E);
        std::copy(E, E + 3, Q);
    }
    const f32 air = (r.open ? r.air : 0.0f) + contact;
    const f32 s = contact - 0.5f * D;
    if (status < 0 || contact < 0.0f || air < 2.0f * D || !(s > 0.0f)) return false;
    f32 at[3];
    poly_point_at(SC.point, pts, s, at);
    f64 t = 0, cut[3];
    crv_nearest(curve, at, t, cut, status);
    if (status < 0) return false;
    i32 block = number;
    if (crv_cut_at(c, t, cut, SC.point, block, status) != 1) return false;
    SC.trust = 2;  // the two pieces are taken as they are
    return true;
}

// A NURBS move: cut where it enters the stock after a long way in the air
// (false: the scan goes on with the first piece), else walked as chords.
// P gets its end.
bool curve_move(Run& r, i32 number, i32 size, f32* P, i32& status)
{
    NurbsMove c;
    std::vector<f32> pts;
    const i32 curve = nurbs_move_open(size, c, pts, P, status);
    if (status < 0) return true;
    bool cut = false;
    if (!pts.empty() && SC.known) {
        if (SC.trust > 0)
            --SC.trust;
        else if (curve != 0)
            cut = curve_entry(r, c, curve, pts, number, status);
        if (!cut && status >= 0) chord_move(r, number, pts, status);
    }
    if (curve != 0) evbfre(curve);
    return !cut || status < 0;
}

// A cycle's settings (activation, retract mode, depth): no motion of the
// tool, and no block that the link's search by number finds.
bool cycle_setting(i32 type) { return type == 30 || type == 34 || type == 36; }

// A string of lines from the scan point (pts: its points). A rapid string
// is one rapid move to its last point, its length the way along its points.
// A feed string is measured point by point as straight moves, first without
// cutting the stock: when no point needs a cut and the string is wholly in
// the air or wholly cutting, it is handled whole like one straight move and
// the path keeps it as it is. Otherwise it is broken into its lines
// (false: the scan reads the first of them): a point that needs a cut, and
// also a run that would begin or end at a point inside the string, where a
// run's ends are block numbers: taken whole, the string's cutting points
// would go with the link, or its air points stay at feed.
// Measured before any of its points is cut, a point that passes again over
// a cut of the same string counts as cutting: it stays at its feed, never
// is a cut taken for air.
bool string_move(Run& r, i32 number, f32 feed, const std::vector<f32>& pts, i32& status)
{
    const f32* start = SC.known ? SC.point : pts.data();
    const size_t from = SC.known ? 0 : 3;  // no point known: the first only places the cutter
    if (feed < 0.0f) {
        f32 length = 0;
        for (size_t k = from; k + 2 < pts.size(); k += 3) length += len3(k == from ? start : &pts[k - 3], &pts[k]);
        if (!SC.known || !(length > 0.0f)) return true;
        r.last_rapid = number;
        SC.state = 1;
        open_run(r);
        r.air += length;
        ++r.moves;
        return true;
    }
    i32 state = SC.state, kind = 0;  // kind: 1 in the air, 2 cutting
    f32 air = r.air;
    bool whole = true;
    const f32* Q = start;
    for (size_t k = from; whole && k + 2 < pts.size(); k += 3) {
        const f32* E = &pts[k];
        if (eqpt3(E, Q) != 0) continue;
        f32 A[3], B[3], depth = 0;
        const i32 cut = optim_air_entry(Q, E, state, air, A, B, depth, status);
        if (status < 0) return true;
        const i32 now = depth > 0.0f ? 2 : 1;
        whole = cut == 0 && (kind == 0 || kind == now);
        kind = now;
        if (now == 1) air += len3(Q, E), state = 1;
        else if (!r.open) state = 2;
        Q = E;
    }
    if (!whole) {
        BRKSTR(1, status);
        return status < 0;
    }
    if (kind == 0) return true;  // no length
    bool sweep = SC.state == 2 || kind == 2;
    f32 length = 0;
    Q = start;
    for (size_t k = from; k + 2 < pts.size() && status >= 0; k += 3) {
        const f32* E = &pts[k];
        if (eqpt3(E, Q) != 0) continue;
        if (sweep) sweep_depth(Q, E, number, true, status);
        sweep = kind == 2;
        length += len3(Q, E);
        Q = E;
    }
    if (status < 0) return true;
    if (kind == 2)
        cutting_move(r, number);
    else
        air_move(r, length);
    return true;
}

// Reads and handles the move find_move found. false: read the next one
// without taking this one as the candidate (a split or a broken string).
bool scan_move(Run& r, i32 number, i32 type, i32 size, f32 feed, i32& status)
{
    f32 P[3];
    if (mv_string(type)) {
        std::vector<f32> pts;
        string_move_points(pts, status);
        if (status < 0 || pts.empty()) return true;
        if (!string_move(r, number, feed, pts, status)) return false;
        std::copy(pts.end() - 3, pts.end(), P);
    } else if (mv_line(type) || (feed < 0.0f && (mv_arc(type) || mv_nurbs(type)))) {
        move_end_point(P, status);
        if (status < 0) return true;
        if (SC.known && eqpt3(P, SC.point) != 0) return true;  // no length
        if (!SC.known) {
            // Nothing to measure from: the move only places the cutter.
        } else if (feed < 0.0f) {
            r.last_rapid = number;
            SC.state = 1;
            open_run(r);
            r.air += len3(SC.point, P);
            ++r.moves;
        } else if (!line_move(r, number, feed, P, status)) {
            return false;
        }
    } else if (mv_arc(type)) {
        std::vector<f32> pts;
        i32 plane = 0;
        f32 angle = 0, centre[2] = {0, 0};
        arc_chords(type, SC.point, pts, P, plane, angle, status, centre);
        if (status < 0 || pts.empty()) return true;
        if (SC.known && arc_entry(r, number, pts, P, angle, plane, centre, status)) return false;
        if (SC.known && status >= 0) chord_move(r, number, pts, status);
    } else if (mv_nurbs(type)) {
        if (!curve_move(r, number, size, P, status)) return false;
        if (status < 0) return true;
    } else {
        // A cycle's block, or a motion of another kind (a drill location, a
        // rotation), whatever the feed in force: no end point to measure to,
        // so it is passed over and the scan goes on; it fails nothing. No
        // link is made across it: a run open there is dropped as it is (the
        // link would take the moves between its ends, a drill location with
        // them, and comes down onto the move after its last, which a cycle's
        // block is not), and where the tool stands after it is not followed,
        // so the move after it only places the cutter and no run opens
        // behind the block.
        if (r.open) r = Run{};
        SC.known = false;
        return true;
    }
    if (status >= 0) {
        std::copy(P, P + 3, SC.point);
        SC.known = true;
    }
    return true;
}

// The scan ends on the answer st of the list cursor: at the list's end
// (-2, or a step that did not move) with status 0, a run still open left to
// the stage; on a failed access (-1) with that failure. The two are told
// apart because the stage closes a run open at the list's end by a retract
// that takes every move after the run's start away: a failure taken for the
// end would delete the cuts the scan never reached and report success.
void scan_end(i32 st, const Run& r, i32& at_end, i32& status)
{
    at_end = 1;
    if (st == -1)
        status = -1;
    else if (r.open)
        SC.open_first = r.first;
}

// Places the cursor behind the move numbered `number`; false when that
// move ends the list or the list failed (status then below 0).
bool behind(i32 number, i32& status)
{
    i32 a = 0, st = 0;
    lacces(2, a);
    if (a == -2) status = -1;
    if (status >= 0) goto_block(1, number, status);
    if (status >= 0) TPJUMP(1, st);
    if (st == -1) status = -1;
    return status >= 0 && st == 0;
}
}  // namespace

void optim_air_point(const f32* p)
{
    std::copy(p, p + 3, SC.point);
    SC.known = true;
}

void optim_air_from_set(const i32& n) { SC.candidate = n; }
i32 optim_air_from_get() { return SC.candidate; }

i32 optim_air_entry(const f32* S, const f32* E, i32& state, const f32& air, f32* A, f32* B, f32& depth,
                    i32& status)
{
    status = 0;
    depth = 0.0f;
    std::copy(S, S + 3, A);
    std::copy(E, E + 3, B);
    const f32 d = optim_safety(status);
    if (status < 0) return 0;
    f32 D = 0, R = 0;
    GTDIAM(CURTOL, D);
    GTCRNR(CURTOL, R);
    R = std::max(R, 0.0f);
    if (is_plunge(S, E) != 0) {
        f32 r[3];
        i32 st = 0;
        stk_tool_drop(E, r, st);
        if (st == 1) return 0;  // no stock under the cutter: all air
        const f32 H = r[2] + d;
        if (state == 1 && S[2] > H && H > E[2]) {
            A[0] = E[0], A[1] = E[1], A[2] = H;
            return 1;
        }
        // A plunge that starts within the safety distance above the stock
        // (H above both its ends) counts as air even where it ends in the
        // stock: the link that takes its run comes down at the approach
        // feed from the safety distance over the stock onto its end, so
        // what it cut is still cut, and a rapid that came down into the
        // stock before it is lifted with the run.
        depth = !(E[2] > H) && !(H > S[2] && H > E[2]) ? 1.0f : 0.0f;
        return 0;
    }
    f32 md = 0, ed = 0, top = 0, v = 0, ev = 0, q[3], len = 0;
    stk_move_sweep(0, 1, S, E, 0, md, ed, top, v, ev, q, len, status);
    depth = md;
    const i32 steps = std::min(stk_sweep.steps, STK_STEPS_MAX);
    if (status < 0 || steps <= 0 || !(md > 0.0f)) return 0;
    // The last step touches when the cutter stands in the stock at the
    // move's end (its end depth): with the deepest cut of the move every
    // move that touches at all would touch at its end, and none would be
    // cut where it leaves the stock.
    if (ed > 0.0f) stk_sweep.flags[steps] = 1;
    i32 k0 = 0, k1 = steps;
    while (k0 <= steps && !stk_sweep.flags[k0]) ++k0;
    while (k1 >= 0 && !stk_sweep.flags[k1]) --k1;
    if (k0 > steps) return 0;
    // The flags stand one a step from the start to the end: a move of one
    // step is measured over its whole length.
    const f32 L = len3(S, E), step = L / f32(steps);
    const bool cut_start = k0 > 0 && f32(k0) * step + air - R >= 2.0f * D;
    const bool cut_end = k1 < steps && f32(steps - k1) * step - R >= 1.5f * D;
    // The pieces in the air keep half a diameter clear of the first and the
    // last contact. At the start the cut lies half a diameter before the
    // first touching step, back towards the move's start, as for an arc or
    // a curve: moved on towards the end instead it would lie past the
    // contact, and the air piece handed to the link would run into the stock
    // at rapid. At the end it lies half a diameter past the last touching
    // step, which the flags give, rather than past the first step clear of
    // it: the two are one step apart, and the step in the stock is the one
    // that is known to touch.
    const f32 a = cut_start ? std::max(0.0f, f32(k0) * step - 0.5f * D) : 0.0f;
    const f32 b = cut_end ? std::min(L, f32(k1) * step + 0.5f * D) : L;
    if (!(a > 0.0f || b < L) || !(a < b)) return 0;
    for (int c = 0; c < 3; ++c) {
        A[c] = static_cast<f32>(S[c] + (f64(E[c]) - S[c]) * a / L);
        B[c] = static_cast<f32>(S[c] + (f64(E[c]) - S[c]) * b / L);
    }
    if (!(b < L)) std::copy(E, E + 3, B);
    state = b < L ? 1 : 2;
    return 1;
}

namespace {
i32 air_polls = 0;  // moves scanned, for the keyboard poll
}  // namespace

void optim_air_scan(i32& first, i32& last, i32& at_end, i32& long_run, i32& status)
{
    status = 0;
    at_end = 0;
    f32 D = 0;
    GTDIAM(CURTOL, D);
    if (first == -1) {
        i32 a = 0;
        lacces(2, a);
        if (a == -2) {
            // Not at the path's start, the scan would take the list for
            // empty and the stage report a path it never walked as done.
            at_end = 1;
            status = -1;
            return;
        }
        // The walk starts at the path's start, where the cutter stands
        // nowhere known: a point an earlier stage set belongs to where that
        // stage stopped, and measured from it the first move would sweep
        // stock the tool never met.
        SC = Scan{};
        optim_scan_feed = -1.0f;
    } else if (long_run != 0 && SC.resume > 0 && !behind(SC.resume, status)) {
        // After a long run the scan goes on behind the cutting move that
        // ended it, not from a position remembered before the run: the
        // link has replaced the run's moves, so that position is gone, and
        // the cutting move is already cut into the stock. Scanned again it
        // would be measured against the stock it took itself, read as air
        // and handed to the next link.
        at_end = 1;
        long_run = 0;
        SC.open_first = -2;
        return;
    }
    // The move before the next one scanned is that cutting move: the run's
    // moves are gone, and a run that opens next starts from it.
    if (long_run != 0 && first >= 0) SC.candidate = SC.resume;
    long_run = 0;
    SC.open_first = -2;
    Run r;
    while (true) {
        // The keyboard every 5 moves: a long stretch with no run of air can
        // be stopped as well.
        if (optim_scan_stopped(air_polls, at_end, status)) return;
        i32 number = 0, type = 0, size = 0, tc = 0, st = 0;
        f32 feed = 0;
        stk_image_select(0, st);
        find_move(MV_LIST, 1, number, type, size, feed, tc, st);
        if (st < 0) return scan_end(st, r, at_end, status);
        if (move_feed_read == 0) feed = optim_scan_feed;  // no feed of its own
        optim_scan_feed = feed;
        const bool was_open = r.open;
        if (!scan_move(r, number, type, size, feed, status)) continue;
        if (status < 0) {
            at_end = 1;
            return;
        }
        if (was_open && !r.open) {
            // A run ended: long enough, it goes to the link. The scan
            // returns with the cursor on the cutting move that ended it,
            // not on the run's last move: the link finds its two blocks by
            // their numbers whatever the cursor stands on, and the next
            // scan goes on behind that cutting move.
            if (r.air >= 2.0f * D && (r.moves > 1 || r.last != r.last_rapid)) {
                first = r.first;
                last = r.last;
                long_run = 1;
                return;
            }
            r = Run{};
            SC.state = 2;
        }
        TPJUMP(1, st);
        // A cycle's settings are no candidate: the link finds its ends by
        // their numbers among the moves, and would not find it.
        if (!cycle_setting(type)) SC.candidate = number;
        if (st != 0) return scan_end(st, r, at_end, status);
    }
}

void optim_aircut_stage(i32& status)
{
    status = 0;
    air_found = 0;
    i32 first = -1, last = -1, at_end = 0, long_run = 0, counter = 0;
    // The scan polls the keyboard every 5 moves; a stop (1000) ends the
    // stage with no link made of the run it was in.
    while (true) {
        if (optim_progress(1, counter, 5) != 0) {
            status = 1000;
            return;
        }
        optim_air_scan(first, last, at_end, long_run, status);
        if (status < 0 || at_end != 0) break;
        // The rapid fix of this stage is the air link: the same worker the
        // link stage uses turns the run into rapids over the stock (retract,
        // traverse, plunge); it is the only rapid fix this module has.
        // The move after a run is the cut that ended it: a link over one XY
        // leaves it, and the cuts below it, in place.
        optim_air_keep_after(1);
        optim_air_link(first, last, 0, status);
        optim_air_keep_after(0);
        if (status < 0) return;
        first = std::max(last, 0);
    }
    if (status < 0 || status == 1000) return;
    // Air after the last cut: one retract, only when a run was still open
    // at the list's end, and from the cutting move before that run. The
    // retract takes every move after its start away: started from the last
    // run found (whose moves its link has since replaced) it would take
    // away every cut after that run; with no air at the path's end there
    // is nothing for it to replace.
    if (SC.open_first > 0) optim_air_link(SC.open_first, -1, 0, status);
}
