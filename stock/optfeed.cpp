#include "stock/optfeed.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/readers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "stock/crvtrim.h"
#include "stock/feedcopy.h"
#include "stock/movecur.h"
#include "stock/optim.h"
#include "stock/optwords.h"
#include "stock/stepdown.h"
#include "stock/stkgrid.h"
#include "stock/stkimage.h"
#include "stock/stkrun.h"
#include "stock/stkstamp.h"
#include "stock/stkwin.h"
#include "stock/tppoints.h"
#include "tools/toolcache.h"

namespace {
constexpr f32 BAND_LOW = 0.83f, BAND_HIGH = 1.2f;  // ratios within the band keep the previous one
constexpr f32 ALLOW = 1.2f;                        // a pass may remove 20 % over the reference
constexpr f32 NO_TOP = -100000.0f;

// What a run of the feed stage keeps between moves.
struct FeedRun {
    f32 prev[3] = {0, 0, 0};  // where the tool stands
    bool known = false;       // prev is a position of the tool
    f32 last_feed = -1.0f;    // feed of the last move that had one
    f32 prev_ratio = -1.0f;   // volume ratio of the last move handled
    f32 up = 0, down = 0;     // slopes of vertical moves up and down
    f32 min_factor = 0;       // least factor of the split search and of curves
    i32 mode = 2;             // feed mode (word 18)
    f32 D = 0;                // tool diameter
} FR;

f32 len3(const f32* a, const f32* b)
{
    return static_cast<f32>(std::hypot(std::hypot(f64(b[0]) - a[0], f64(b[1]) - a[1]), f64(b[2]) - a[2]));
}
f32 len2(const f32* a, const f32* b) { return static_cast<f32>(std::hypot(f64(b[0]) - a[0], f64(b[1]) - a[1])); }

// One straight piece cut into the stock; its removed volume.
struct Cut {
    f32 depth = 0, top = NO_TOP, volume = 0;
};
Cut stamp(const f32* a, const f32* b, i32 move, i32& status)
{
    Cut c;
    f32 ed = 0, ev = 0, q[3], len = 0;
    stk_move_sweep(1, 0, a, b, move, c.depth, ed, c.top, c.volume, ev, q, len, status);
    return c;
}

// The factor of a volume ratio and a slope (mode 2).
f32 table_factor(f32 ratio, f32 slope) { return feed_factor(1, ratio) * feed_factor(2, slope); }

// The pass count of a volume V over a length l and its flag: 1 when the
// passes are nearly full, -1 when the last one is nearly empty. With `rule`
// (lines, curve segments and the samples of a split), a count of 2 whose
// last pass is nearly empty after a one-pass state stays 1; the chords of
// an arc count without it. Only the samples of a split (`cap`) are held to
// the highest pass count here; the stage caps every other count itself.
i32 pass_count(f32 V, f32 l, f32 ref, f32 running, i32& flag, bool rule = true, bool cap = false)
{
    flag = 0;
    const f32 r = V / (l * ref);
    i32 n = static_cast<i32>(std::max(1.0f, V / (l * ref * ALLOW) + 0.999f));
    if (cap) n = std::min(n, std::max(1, CMPBLK[CMP_PASSES]));
    if (f32(n) * ALLOW - r <= 0.1f)
        flag = 1;
    else if (r - f32(n - 1) * ALLOW <= 0.1f)
        flag = -1;
    if (rule && n == 2 && running == 1.0f && flag == -1) n = 1, flag = 0;
    return n;
}

void start_run()
{
    FR.last_feed = -1.0f;
    FR.prev_ratio = -1.0f;
    FR.known = false;
    auto sentinel = [](i32 w, f32 edge, f32 inside, f32 step) {
        f32 a = wrd2r(CMPBLK[w]);
        if (a == edge) a = inside;
        return static_cast<f32>(std::tan(f64(a) * M_PI / 180.0)) + step;
    };
    FR.up = sentinel(CMP_ANGLE_ROW, 90.0f, 89.99f, 1.0f);
    FR.down = sentinel(CMP_ANGLE_ROW + 4, -90.0f, -89.99f, -1.0f);
    FR.min_factor = static_cast<f32>(PRM9[4]) * 0.01f;  // machine-table word 9
}

// The result of one call as the caller sees it.
struct Out {
    i32 plunge = 0, pass_flag = 0;
    f32 length = 0, factor = 1.0f, depth = 0, top = NO_TOP;
    f32 entry = 1.0f;  // the previous move's factor
    bool end = false;  // the path ended behind a move passed over
};

void raise(Out& o, const Cut& c)
{
    o.depth = std::max(o.depth, c.depth);
    o.top = std::max(o.top, c.top);
}

void mark_changed(f32 factor, f32 feed)
{
    if (wrd2r(PRM9[0]) * factor != feed) CMPBLK[CMP_CHANGED] = 1;
}

// A line Q to P: the split search on long lines, then the factor.
void line_move(i32& block, f32* P, f32 feed, f32 ref, Out& o, i32& status)
{
    const f32* Q = FR.prev;
    if (optim_is_vertical(Q, P) && FR.mode == 3) {
        raise(o, stamp(Q, P, block, status));
        o.plunge = P[2] < Q[2] ? 1 : 0;
        return;
    }
    Cut c;
    if (len3(Q, P) <= 0.5f * FR.D) {
        c = stamp(Q, P, block, status);
    } else {
        save_array_aside(1, Q, P, status);
        if (status < 0) return;
        f32 first[3], split[3];
        Cut s;
        if (optim_feed_split(Q, P, first, split, ref, s.volume, s.depth, s.top, status) == 1) {
            if (status >= 0) optim_line_split(Q, P, first, split, block, status);
            if (status >= 0) c = stamp(Q, P, block, status);
        } else {
            c = s;
        }
    }
    if (status < 0) return;
    raise(o, c);
    const f32 L = std::max(len3(Q, P), 0.001f);
    o.length = L;
    const f32 V = c.volume;
    f32 a = V / (L * ref);
    if (FR.mode == 3) {
        o.factor = 1.0f;
        if (V / L + 1.0f > ref * ALLOW + 1.0f) o.factor = f32(pass_count(V, L, ref, o.entry, o.pass_flag));
    } else {
        const f32 h = len2(Q, P);
        const f32 s = h > 0.0f ? (P[2] - Q[2]) / h : (Q[2] <= P[2] ? FR.up : FR.down);
        if (FR.prev_ratio * BAND_LOW < a && a < FR.prev_ratio * BAND_HIGH) a = FR.prev_ratio;
        o.factor = table_factor(a, s);
        // Short, nearly vertical moves in light material keep the previous state.
        if (a < wrd2r(CMPBLK[CMP_VOLUME_ROW]) && L < 3.0f * stk_grid.cell && h < 0.5f * stk_grid.cell) {
            a = FR.prev_ratio;
            o.factor = o.entry;
        }
        mark_changed(o.factor, feed);
    }
    FR.prev_ratio = a;
}

// The chords of an arc from the previous point, each stamped and measured
// as lines are; an arc is never cut.
void chord_move(const std::vector<f32>& pts, i32 move, f32 feed, f32 ref, Out& o, i32& status)
{
    o.factor = FR.mode == 3 ? 1.0f : 1.1f;
    f32 passes = 1.0f, amax = 0.0f;
    f32 Q[3] = {FR.prev[0], FR.prev[1], FR.prev[2]};
    for (size_t k = 0; k + 2 < pts.size() && status >= 0; k += 3) {
        const f32* P = pts.data() + k;
        const Cut c = stamp(Q, P, move, status);
        raise(o, c);
        const f32 l = len3(Q, P);
        if (FR.mode == 3) {
            if (l > 0.0f && c.volume / l > ALLOW * ref) {
                i32 flag = 0;
                passes = std::max(passes, f32(pass_count(c.volume, l, ref, o.entry, flag, false)));
            }
        } else if (l > 0.0f) {
            // A chord of no length (an arc's end on a chord end already)
            // removes nothing per length: it leaves the factor as it is
            // rather than divide its volume by 0.
            const f32 a = c.volume / (l * ref);
            amax = std::max(amax, a);
            o.factor = std::min(o.factor, table_factor(a, (P[2] - Q[2]) / l));
            mark_changed(o.factor, feed);
        }
        std::copy(P, P + 3, Q);
        o.length += l;
    }
    if (FR.mode == 3) o.factor = passes;
    FR.prev_ratio = amax;
}

// The factor of one curve segment Q to P of removed volume V: the pass
// count (mode 3) or the table factor of its ratio and slope, never below
// the least factor (mode 2); its ratio goes to `a`.
f32 segment_factor(const f32* Q, const f32* P, f32 V, f32 l, f32 ref, const Out& o, f32& a)
{
    a = V / (l * ref);
    if (FR.mode == 3) {
        i32 flag = 0;
        return V / l > ALLOW * ref ? f32(pass_count(V, l, ref, o.entry, flag)) : 1.0f;
    }
    const f32 h = len2(Q, P);
    const f32 s = h > 0.0f ? (P[2] - Q[2]) / h : (Q[2] <= P[2] ? FR.up : FR.down);
    return std::max(table_factor(a, s), FR.min_factor);
}

// The polyline of a NURBS move from the previous point, each segment
// stamped and measured like a line, its split searched as a line's. The
// first segment sets the curve's factor; a later one within its band lowers
// it to the smaller of the two. The line's band about the previous move's
// ratio and its short-move rule do not apply to a segment: the segments of
// one curve are one move, whose factor the band of the curve holds, and a
// curve's short segments are no short moves of the path.
// A segment outside the band (mode 3: of another pass count) or a change
// inside a long segment ends the move there when `may_cut`: the point goes
// to `at`, the stock beyond it is left as it was, and true is returned.
bool curve_segments(const std::vector<f32>& pts, f32 feed, f32 ref, bool may_cut, Out& o, f32* at, i32& status)
{
    o.factor = FR.mode == 3 ? 1.0f : 1.1f;
    f32 curve_factor = -1.0f, amax = 0.0f;
    f32 Q[3] = {FR.prev[0], FR.prev[1], FR.prev[2]};
    bool cut = false;
    for (size_t k = 0; k + 2 < pts.size() && status >= 0 && !cut; k += 3) {
        const f32* P = pts.data() + k;
        const f32 l = len3(Q, P);
        if (l <= 0.0f) continue;
        if (may_cut) save_array_aside(1, Q, P, status);
        if (status < 0) break;
        Cut c;
        f32 first[3], split[3], E[3] = {P[0], P[1], P[2]};
        bool changes = false;  // the factor changes inside this segment
        if (l <= 0.5f * FR.D || !may_cut) {
            c = stamp(Q, P, 0, status);
        } else if (optim_feed_split(Q, P, first, split, ref, c.volume, c.depth, c.top, status) == 1) {
            // As on a line, the trial stamping is undone and the piece up to
            // the change is stamped and measured again: its own factor then
            // enters the curve's (and sets it on the first segment), and the
            // move ends at the change.
            const f32* X = eqpt3(first, Q) != 0 ? split : first;
            std::copy(X, X + 3, E);
            if (status >= 0) c = stamp(Q, E, 0, status);
            changes = true;
        }
        if (status < 0) break;
        const f32 le = changes ? std::max(len3(Q, E), 0.001f) : l;
        f32 a = 0;
        const f32 f = segment_factor(Q, E, c.volume, le, ref, o, a);
        if (curve_factor < 0.0f) {
            curve_factor = f;
        } else if (FR.mode != 3 && f > curve_factor * BAND_LOW && f < curve_factor * BAND_HIGH) {
            curve_factor = std::min(curve_factor, f);
        } else if (may_cut && f != curve_factor) {
            // This segment (or its piece before the change) runs at another
            // feed: the move ends at its start, its stamp undone.
            restore_array(1, status);
            std::copy(Q, Q + 3, at);
            cut = true;
            break;
        } else {
            curve_factor = FR.mode == 3 ? std::max(curve_factor, f) : std::min(curve_factor, f);
        }
        raise(o, c);
        amax = std::max(amax, a);
        o.length += le;
        std::copy(E, E + 3, Q);
        if (changes) {
            std::copy(E, E + 3, at);
            cut = true;
            break;
        }
    }
    // In mode 2 the curve's factor stays at 1.1 at most, as an arc's does:
    // the curve (or its piece) runs at one feed over all its segments, and
    // segments in light material or in the air must not raise that feed
    // above what a whole move may take, 110 %.
    if (curve_factor >= 0.0f) o.factor = FR.mode == 3 ? curve_factor : std::min(o.factor, curve_factor);
    if (FR.mode != 3) mark_changed(o.factor, feed);
    FR.prev_ratio = amax;
    return cut && status >= 0;
}

// Cuts the NURBS move `block` (read as c, its curve `curve`) at the curve
// point nearest to `at`: the piece before it stays the handled move, the
// rest follows as the next move. P becomes the cut point; a point at an end
// of the curve leaves the move whole.
void cut_curve(const NurbsMove& c, i32 curve, const f32* at, i32& block, f32* P, i32& status)
{
    f64 t = 0, cw[3];
    crv_nearest(curve, at, t, cw, status);
    if (status < 0) return;
    if (crv_cut_at(c, t, cw, FR.prev, block, status) == 1)
        for (i32 k = 0; k < 3; ++k) P[k] = static_cast<f32>(cw[k]);
}

// A NURBS move: its polyline measured, the move cut where its
// feed changes. P gets the end of the handled piece.
void curve_move(i32 size, f32 feed, f32 ref, i32& block, f32* P, Out& o, i32& status)
{
    NurbsMove c;
    std::vector<f32> pts;
    const i32 curve = nurbs_move_open(size, c, pts, P, status);
    if (status < 0) return;
    f32 at[3];
    if (FR.known && curve_segments(pts, feed, ref, curve != 0, o, at, status))
        cut_curve(c, curve, at, block, P, status);
    if (curve != 0) evbfre(curve);
}

// A rapid: the point carried along, factor -1.
void rapid_move(const f32* P, Out& o)
{
    o.length = 4.0f * FR.D;
    if (optim_is_vertical(FR.prev, P) && P[2] < FR.prev[2]) o.top = -10000.0f, o.plunge = 1;
    o.factor = -1.0f;
    FR.prev_ratio = -1.0f;
}

// A block of the path that cannot be read, or a list that cannot be set or
// stepped: the feed stage fails with that status and says so, since the
// failure ends the whole optimizer run, which would otherwise stop with no
// word of why.
void read_failed(i32 st, i32& status)
{
    eroutc("optim_feed_move, A BLOCK OF THE TOOL PATH CANNOT BE READ", 0);
    status = st;
}

// Steps past the block at the cursor, which is passed over: false when the
// next move is to be read. Behind the list's last element the cursor cannot
// step: that is the end of the path, not a failure of the stage. A step the
// list refuses is no end: the moves behind the block are not known, so the
// stage fails.
bool pass_over(Out& o, i32& status)
{
    i32 st = 0;
    TPJUMP(1, st);
    if (st == 0) return false;
    if (st < 0 && st != -2) {
        read_failed(st, status);
        return true;
    }
    o.end = true;
    return true;
}

// Reads and handles the move that find_move found; false when it is to be
// passed over (a zero-length line, a broken string, a cycle block or
// another motion) and the next one read.
bool handle(i32 type, i32 size, f32 feed, f32 ref, i32& block, Out& o, i32& status)
{
    f32 P[3];
    if (!mv_line(type) && !mv_arc(type) && !mv_nurbs(type) && !mv_string(type)) {
        // A cycle block, a drill location or another motion: nothing is
        // computed for it, whatever the feed in force, and the walk goes on
        // behind it. It has no end point to read and no feed to take, and
        // the moves after it are cuts like any others; ending the walk here
        // would leave them at their old feeds.
        return pass_over(o, status);
    }
    if (feed < 0.0f) {
        move_end_point(P, status);
        if (status < 0) return true;
        if (FR.known) rapid_move(P, o);
        else o.factor = -1.0f, o.length = 4.0f * FR.D;
    } else if (mv_string(type)) {
        BRKSTR(1, status);
        return status < 0;
    } else if (mv_line(type)) {
        move_end_point(P, status);
        if (status < 0) return true;
        if (FR.known && eqpt3(P, FR.prev) != 0) {
            // A zero-length line is passed over and the move after it read.
            return pass_over(o, status);
        }
        // The first move of a run has nothing to be cut from: the point
        // stored is an earlier run's. It is not stamped here either; the
        // path stamped anew after the stages covers its stock.
        if (FR.known) line_move(block, P, feed, ref, o, status);
    } else if (mv_nurbs(type)) {
        curve_move(size, feed, ref, block, P, o, status);
    } else if (mv_arc(type)) {
        std::vector<f32> pts;
        move_chords(type, size, FR.prev, pts, P, status);
        if (!FR.known) pts.clear();
        if (status < 0) return true;
        if (!pts.empty()) chord_move(pts, 0, feed, ref, o, status);
    }
    if (status >= 0) {
        std::copy(P, P + 3, FR.prev);
        FR.known = true;
    }
    return true;
}
}  // namespace

i32 optim_is_vertical(const f32* A, const f32* B)
{
    return eqval0(A[0] - B[0]) != 0 && eqval0(A[1] - B[1]) != 0 && eqval0(A[2] - B[2]) == 0 ? 1 : 0;
}

void optim_feed_move(i32& block, i32& end, i32& plunge, const f32& ref, f32& length, f32& factor, f32& depth,
                     i32& pass_flag, f32* point, f32& top, i32& status)
{
    status = 0;
    end = 0;
    FR.mode = CMPBLK[CMP_FEED];
    GTDIAM(CURTOL, FR.D);
    if (block == -1) {
        start_run();
    } else {
        std::copy(point, point + 3, FR.prev);
        FR.known = true;
    }
    Out o;
    o.entry = factor;
    block = 0;
    bool done = false;
    while (!done) {
        i32 number = 0, type = 0, size = 0, tc = 0;
        f32 feed = 0;
        find_move(MV_LIST, 1, number, type, size, feed, tc, status);
        if (status == -2) {
            // No move left: the run ends here.
            status = 0;
            end = 1;
            break;
        }
        if (status < 0) {
            // A block that cannot be read, or a list that cannot be stepped:
            // the moves behind it are not known, so the stage fails rather
            // than end there as if the path were done. The end flag stays 0:
            // the path has not ended, and the callers read the status first.
            read_failed(status, status);
            return;
        }
        // A move with no feed block of its own takes the last feed. A feed
        // block of 0 is kept as 0: it is the feed of a path whose feed is
        // not set, whose moves are cuts; taking the last feed for it would
        // make the first of them, after the run's start value of -1, a rapid.
        if (move_feed_read == 0) feed = FR.last_feed;
        FR.last_feed = feed;
        block = number;
        done = handle(type, size, feed, ref, block, o, status);
        if (status < 0) return;
        if (!done || o.end) block = 0;
        if (o.end) end = 1;
    }
    if (block > 0) {
        // Behind the move handled: the list's end ends the path, a cursor
        // that cannot be set or stepped fails the call as a failed read does.
        i32 st = 0;
        goto_block(1, block, st);
        if (st >= 0) TPJUMP(1, st);
        if (st < 0 && st != -2) {
            read_failed(st, status);
            return;
        }
        end = st != 0 ? 1 : 0;
    }
    plunge = o.plunge;
    pass_flag = o.pass_flag;
    length = o.length;
    factor = o.factor;
    depth = o.depth;
    top = o.top;
    std::copy(FR.prev, FR.prev + 3, point);
}

i32 optim_feed_split(const f32* Q, const f32* P, f32* first_start, f32* split, const f32& ref, f32& volume,
                     f32& depth, f32& top, i32& status)
{
    status = 0;
    const f32 L = len3(Q, P);
    const i32 n = static_cast<i32>(L / (0.5f * FR.D) + 0.999f);
    if (n < 1) return 0;
    std::copy(Q, Q + 3, first_start);
    f32 a1 = 0, f1 = 0, R = 1, run = 0;
    i32 low = -1;  // first sample of a stretch below the running count (mode 3)
    f32 S0[3] = {Q[0], Q[1], Q[2]};
    for (i32 k = 1; k <= n; ++k) {
        f32 S[3];
        for (int c = 0; c < 3; ++c) S[c] = static_cast<f32>((f64(n - k) * Q[c] + f64(k) * P[c]) / n);
        const Cut c = stamp(S0, S, 0, status);
        if (status < 0) return 0;
        volume += c.volume;
        depth = std::max(depth, c.depth);
        top = std::max(top, c.top);
        const f32 l = len3(S0, S);
        bool change = false;
        if (FR.mode == 3) {
            i32 flag = 0;
            const i32 m = l > 0.0f ? pass_count(c.volume, l, ref, R, flag, true, true) : 1;
            if (k == 1) {
                R = f32(m);
            } else if (f32(m) == R) {
                run = 0, low = -1;
            } else if (f32(m) > R) {
                change = !(f32(m) == R + 1 && flag == -1);
                if (change) std::copy(S0, S0 + 3, split);
            } else if (!(f32(m) == R - 1 && flag == 1)) {
                if (low < 0) low = k, std::copy(S0, S0 + 3, split);
                run += l;
                change = run > 2.0f * FR.D;
            }
        } else {
            const f32 h = len2(S0, S);
            const f32 a = c.volume / (std::max(l, 0.001f) * ref);
            const f32 s = h > 0.0f ? (S[2] - S0[2]) / h : (S[2] >= S0[2] ? 0.0f : -10000000.0f);
            const f32 f = std::max(table_factor(a, s), FR.min_factor);
            if (k == 1) {
                a1 = a, f1 = f;
            } else if (f != f1 && !(a * BAND_LOW <= a1 && a1 <= a * BAND_HIGH)) {
                change = true;
                std::copy(S0, S0 + 3, split);
            }
        }
        if (change) {
            restore_array(1, status);
            return 1;
        }
        std::copy(S, S + 3, S0);
    }
    return 0;
}

void optim_line_split(const f32* prev, f32* end, const f32* first_start, const f32* split, i32& block,
                      i32& status)
{
    // The pieces are written as lines only (the scans' feed 0 writes no
    // feed in front of them): they run at the feed in force, as the move
    // did, and the stage's own feed goes in front of each afterwards (mode
    // 2) or none at all (mode 3). A feed block of the last feed written in
    // front of each would carry it as a whole number in its explicit form:
    // a fractional feed, or a named one, would change for the pieces and for
    // every move behind them that runs on it.
    const f32 scans = optim_scan_feed;
    optim_scan_feed = 0.0f;
    i32 a = 0;
    goto_block(-1, block, status);
    if (status >= 0) {
        lacces(0, a);
        optim_split_line(prev, end, first_start, split, block, status);
    }
    optim_scan_feed = scans;
}

namespace {
// A run of feed mode 3: moves of one pass count after the block `first`.
struct PassRun {
    bool open = false;
    i32 R = 1;                // its pass count
    i32 first = -1;           // the block before its first move
    i32 before_air = -1;      // the last cutting move before an air move
    // The remembered block is read as the run's last move before the count
    // dropped: closing there keeps the lower-count moves out of the run,
    // which they would join if the run closed at the first of them.
    i32 dec_block = -1;       // where a lower count began (the run's last move)
    i32 dec_m = 0;            // that lower count
    i32 alt_end = -1;         // a later end of the same lower count
    f32 length = 0, depth = 0, top = -10000.0f;
    f32 dec_len = 0, dec_run = 0, saved = -1.0f;
    bool switched = false;    // the count was raised once on a short run
};

// Windows of the stock ahead: kept as each move joins the run (2) or becomes
// its alternative end (3), so that the moves walked after the run's end are
// measured again against the stock they met the first time.
constexpr i32 WIN_RUN = 2, WIN_ALT = 3;
i32 RESUME = 0;  // the block the walk went back behind when a run closed

// Keeps in `slot` the stock over the end point P of the move just walked
// and the path ahead of it.
void keep_ahead(i32 slot, const f32* P, i32& status)
{
    f32 lo[3] = {P[0], P[1], P[2]}, hi[3] = {P[0], P[1], P[2]};
    path_ahead_box(P, lo, hi, status);
    if (status >= 0) save_array_aside(slot, lo, hi, status);
}

// Closes the run at block `end`: its moves repeated at rising depths in
// front of it; the walk goes on behind `end`, from its end point (`point`),
// over the stock as it was when `end` was walked (window `win`).
void close_run(PassRun& r, i32 end, i32 win, i32 m, f32* point, i32& status)
{
    const bool real = r.R > 1 && (r.saved < 0.0f || r.saved >= 0.02f * FR.D || m != 1);
    if (real && end > 0) {
        const i32 j1 = r.before_air > 0 ? r.before_air : r.first;
        step_down_passes(j1, r.first, end, r.R, r.depth, r.top, status);
        if (status >= 0) {
            CMPBLK[CMP_CHANGED] = 1;
            i32 a = 0, st = 0;
            lacces(2, a);
            goto_block(1, end, status);
            if (status >= 0) move_end_point(point, status);
            if (status >= 0) restore_array(win, status);
            if (status >= 0) TPJUMP(1, st);
            if (status >= 0) RESUME = end;
        }
    }
    const i32 keep = r.before_air;
    r = PassRun{};
    r.before_air = keep;
}

// Closes a run in a lower count at its alternative end, else where the
// lower count began.
void close_lower(PassRun& r, i32 m, f32* point, i32& status)
{
    if (r.alt_end > 0)
        close_run(r, r.alt_end, WIN_ALT, m, point, status);
    else
        close_run(r, r.dec_block, WIN_RUN, m, point, status);
}

// One move of the walk of feed mode 3 (its pass count m, length, depth,
// top, pass flag, end point P, whether it plunges) joined to, opening or
// closing the run.
void track(PassRun& r, i32 block, i32 prev, bool cut_before, i32 m, i32 flag, f32 len, f32 depth, f32 top,
           f32* P, bool plunges, i32& status)
{
    if (m == 1 && !cut_before) r.before_air = -1;
    auto join = [&]() {
        r.length += len;
        r.depth = std::max(r.depth, depth);
        r.top = std::max(r.top, top);
        r.dec_len = r.dec_run = 0, r.saved = -1.0f, r.dec_block = r.alt_end = -1, r.dec_m = 0;
        keep_ahead(WIN_RUN, P, status);
    };
    if (!r.open) {
        if (m >= 2) r.open = true, r.R = m, r.first = prev, r.length = 0, r.depth = 0, join();
    } else if (m == r.R || (m == r.R - 1 && flag == 1) || (m == r.R + 1 && flag == -1)) {
        join();
    } else if (m < r.R) {
        // A lower count: the run's length is kept aside and the lower
        // stretch counted from 0 (dec_run, the run length restarted);
        // within a diameter of it, a move of the same lower count is the
        // run's alternative end. When the run's count comes back, the run
        // goes on with its own length, not the restarted one: a short lower
        // stretch passed over would otherwise make a long run look short,
        // and the switch to a higher count below would raise the whole run
        // for the sake of one move.
        if (r.dec_block < 0) r.saved = r.length, r.dec_block = prev, r.dec_m = m;
        r.dec_len += len;
        r.dec_run += len;
        if (r.dec_run > FR.D) {
            r.alt_end = -1;
        } else if (m == r.dec_m) {
            r.alt_end = block;
            keep_ahead(WIN_ALT, P, status);
        }
        if (r.dec_len > 2.0f * FR.D || plunges) close_lower(r, m, P, status);
    } else if (r.length <= FR.D && !r.switched) {
        r.R = m, r.switched = true;
        join();
    } else {
        close_run(r, prev, WIN_RUN, m, P, status);
    }
}

// The walk of feed mode 3: no feed written, runs of several passes stepped down.
void pass_runs(const f32& ref, i32& status)
{
    i32 counter = 0, block = -1, end = 0, prev = -1;
    bool cut_before = false;
    f32 factor = 1.0f, point[3] = {0, 0, 0};
    PassRun r;
    while (end == 0 && status >= 0) {
        if (optim_progress(1, counter, 25) != 0) {
            status = 1000;
            return;
        }
        i32 plunge = 0, pass = 0;
        f32 len = 0, depth = 0, top = 0;
        optim_feed_move(block, end, plunge, ref, len, factor, depth, pass, point, top, status);
        if (status < 0 || block <= 0) break;
        RESUME = 0;
        if (factor < 0.0f || (plunge != 0 && !r.open)) {
            // An air move (a rapid that plunges too) ends the run (one in a
            // lower count at its alternative end); a plunge's top counts. An
            // air move is not taken as a move of one pass that a run may
            // pass over: the copies of a run are cut at the feed of its
            // first move, and a rapid inside the run would be copied as a
            // cut at that feed. Counted as one pass of its own, such a move
            // is the first of a lower count: the run's length up to it is
            // the one saved, and a run shorter than 0.02 D is not worth its
            // copies. A plunge at feed while no run is open only raises the
            // top and, after a cut, marks the move before it; one inside a
            // run is a move of its own count below, which closes the run
            // when that count is lower.
            if (r.open && r.dec_block > 0) {
                // The air move counts its length (4 D) into the lower
                // stretch like any move of a lower count: past a diameter
                // the alternative end is dropped, and the run closes where
                // the lower count began. Closed at the alternative end, the
                // lower moves up to it would be repeated at the run's count
                // instead of their own.
                r.dec_len += len;
                r.dec_run += len;
                if (r.dec_run > FR.D) r.alt_end = -1;
                close_lower(r, 1, point, status);
            } else if (r.open) {
                r.saved = r.length;
                close_run(r, prev, WIN_RUN, 1, point, status);
            }
            if (RESUME == 0) {
                if (plunge != 0) r.top = std::max(r.top, top);
                // The block remembered is the cutting move's before the air
                // move. A rapid after a cut marks the cut too, not a plunge alone:
                // a run that opens after the rapids is stepped down from
                // the cut, and its passes take the rapids' place with a
                // rapid of their own above the run's start.
                if (cut_before) r.before_air = prev;
                cut_before = false;
            }
        } else {
            const i32 m = std::clamp(static_cast<i32>(factor), 1, std::max(1, CMPBLK[CMP_PASSES]));
            track(r, block, prev, cut_before, m, pass, len, depth, top, point, plunge != 0, status);
            cut_before = true;
        }
        // A run closed behind an earlier move: the walk goes on from there,
        // after a cut, also when the move that closed it was the path's
        // last: the moves after the close are still to be walked.
        if (RESUME > 0) cut_before = true, end = 0;
        prev = RESUME > 0 ? RESUME : block;
    }
    // A run still open at the path's end is closed there: it has no move
    // after it to close it, and left open it would never be stepped down.
    if (status >= 0 && r.open) close_run(r, prev, WIN_RUN, 1, point, status);
}

// The walk of feed mode 2: the factor's feed written in front of every move.
void feed_writes(const f32& ref, i32& status)
{
    const f32 programmed = wrd2r(PRM9[0]);
    const f32 least = std::trunc(programmed * f32(PRM9[4]) * 0.01f);
    i32 counter = 0, block = -1, end = 0;
    f32 factor = 1.0f, point[3] = {0, 0, 0};
    while (end == 0) {
        if (optim_progress(1, counter, 50) != 0) {
            status = 1000;
            return;
        }
        i32 plunge = 0, pass = 0, st = 0;
        f32 len = 0, depth = 0, top = 0;
        optim_feed_move(block, end, plunge, ref, len, factor, depth, pass, point, top, st);
        if (st < 0) {
            status = st;
            return;
        }
        if (block <= 0) return;
        // Truncated with a hair of allowance, so that a table's 80 % of 1000
        // (0.8 as a float, a little below it) gives 800 and not 799.
        f32 feed = static_cast<f32>(std::trunc(f64(factor) * programmed + 1.0e-3));
        if (!(feed > 0.0f)) continue;
        feed = std::max(feed, least);
        put_feed(feed, block, st);
        if (st >= 0) goto_block(1, block, st);
        if (st < 0) {
            status = st;
            return;
        }
        TPJUMP(1, st);
        if (st < 0 && st != -2) {
            // A step the list refuses is not the path's end: fail, so that
            // the moves behind it are not left at feeds of the old table.
            status = st;
            return;
        }
        if (st != 0) end = 1;
    }
}
}  // namespace

void optim_feed_stage(const f32& ref, i32& status)
{
    status = 0;
    stk_arr_init(status);
    stk_image_select(0, status);
    if (status != 0) return;
    i32 a = 0, st = 0;
    lacces(2, a);
    // A path without blocks has no move to give a feed: the stage is done
    // (the move cursor would find no block to read there).
    if (a == -1) {
        stk_arr_rels(status);
        return;
    }
    // A list that cannot be put at its start: the walk would begin wherever
    // the cursor stands and take that for the whole path.
    if (a < -1) {
        read_failed(-1, status);
        stk_arr_rels(st);
        return;
    }
    if (CMPBLK[CMP_FEED] == 3)
        pass_runs(ref, status);
    else
        feed_writes(ref, status);
    // A release that fails after a stage that went well is the stage's
    // status; a failure before it keeps its own.
    stk_arr_rels(st);
    if (status == 0 && st < 0) status = st;
}
