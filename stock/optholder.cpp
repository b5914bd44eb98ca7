#include "stock/optholder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/readers.h"
#include "blocks/tech.h"
#include "core/host.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "stock/airlink.h"
#include "stock/crvtrim.h"
#include "stock/feedcopy.h"
#include "stock/holder.h"
#include "stock/optim.h"
#include "stock/movecur.h"
#include "stock/optedit.h"
#include "stock/optwords.h"
#include "stock/stkgrid.h"
#include "stock/stkimage.h"
#include "stock/stkpeak.h"
#include "stock/stkrun.h"
#include "stock/stkstamp.h"
#include "stock/tppoints.h"
#include "tools/toolcache.h"

static_assert(HD_MAXS <= HOLDER_SECTIONS_MAX, "the stage keeps state for every section a holder record holds");

namespace {
f32 len3(const f32* a, const f32* b)
{
    return static_cast<f32>(std::hypot(std::hypot(f64(b[0]) - a[0], f64(b[1]) - a[1]), f64(b[2]) - a[2]));
}
f32 len2(const f32* a, const f32* b) { return static_cast<f32>(std::hypot(f64(b[0]) - a[0], f64(b[1]) - a[1])); }

// What the holder move keeps between calls.
struct HolderMove {
    f32 prev[3] = {0, 0, 0};  // where the tool stands
    bool known = false;       // prev is a position of the tool
    f32 saved_feed = -1.0f;   // feed of the current move
    f32 last_feed = -1.0f;    // feed of the last move that had one
    // The pending split of a line: transitions still to write (0 none),
    // where the next is searched, the line as it was measured and its mask.
    i32 pending = 0, search = 1, S = 0;
    f32 start[3] = {0, 0, 0}, end[3] = {0, 0, 0};
    std::vector<char> mask;
    f32 sample_len = 0, sample_run = 0, min_len = 0, max_len = 0;
    // Depth of each section's last chord walked, kept for the record; whether
    // an arc's first chord follows a contact is told by the clear length
    // before it (free_before of 0), which carries across calls as well and
    // also counts a line's contact, where these depths know only arcs.
    f32 section[HOLDER_SECTIONS_MAX] = {};
    f32 lift = 0;                           // clearance of the section selected
} HM;

// The stock's peaks over blocks of cells while the stage walks the path:
// the sections stand high above most of the stock, and the measures pass
// over the blocks they cannot reach. Built when a walk starts, told the box
// of every cut the walk makes, dropped when it ends; outside a walk the
// measures visit every cell (with the same answers).
StkPeaks peaks;

// The sweep of the current image from a to b measuring the first height
// (stk_move, cut 0): mode 2 records the engagement per step.
void measure(i32 mode, const f32* a, const f32* b, f32& md, f32& ed, f32& v, f32& ev, f32* pt, f32& len, i32& status)
{
    if (peaks.ready())
        stk_move_depth(mode, a, b, peaks, md, ed, v, ev, pt, len, status);
    else
        stk_move(0, mode, a, b, 0, md, ed, v, ev, pt, len, status);
}

// Selects section i's image (slot i + 1) and its clearance over the tip.
void select_section(i32 i, f32 safety, i32& status)
{
    stk_image_select(i + 1, status);
    HM.lift = holder_steps.z[i] - safety;
}

// Depth of the current section image at the tool point p (lifted by its
// clearance); measures only.
f32 depth_at(const f32* p)
{
    f32 q[3] = {p[0], p[1], p[2] + HM.lift}, md = 0, sd = 0;
    if (peaks.ready())
        stk_tool_depth(q, peaks, md, sd);
    else
        stk_tool_at(0, q, 0, md, sd);
    return md;
}

// The current section image at the fraction t of the move Q to P: clear
// when it finds no stock there.
bool clear_at(const f32* Q, const f32* P, f64 t)
{
    f32 pt[3];
    optim_lerp3(Q, P, static_cast<f32>(t), pt);
    return eqval0(depth_at(pt)) != 0;
}

// Bisection between a clear fraction and a contact fraction of the move: the
// clear end of the last bracket (at most 10 halvings, stopping when the
// bracket is shorter than three cells along the move).
f64 border(const f32* Q, const f32* P, f64 clear, f64 contact, f64 L)
{
    const f64 stop = 3.0 * stk_grid.cell / std::max(L, 1e-9);
    for (i32 k = 0; k < 10 && std::fabs(contact - clear) >= stop; ++k) {
        const f64 m = 0.5 * (clear + contact);
        (clear_at(Q, P, m) ? clear : contact) = m;
    }
    return clear;
}

// The contact flags of the current section along the move Q to P (S
// samples), each run's borders refined by bisection and the samples between
// a border and its run flagged: before a run from sample a the bracket
// reaches back three quarters of the half width, after a run to sample b it
// runs from the next sample over seven eighths of the width.
void refine(const f32* Q, const f32* P, i32 S, f32 width, f32 run, f64 L, std::vector<char>& f)
{
    const i32 half = static_cast<i32>(width * 0.5f / std::max(run, 1e-6f) + 0.99f);
    const i32 whole = static_cast<i32>(width / std::max(run, 1e-6f) + 0.99f);
    std::vector<char> out = f;
    for (i32 a = 0; a <= S;) {
        if (!f[a]) {
            ++a;
            continue;
        }
        i32 b = a;
        while (b + 1 <= S && f[b + 1]) ++b;
        if (a > 0) {
            const f64 lo = std::max(0.0, f64(a - (3 * half) / 4) / S);
            const f64 x = border(Q, P, lo, f64(a) / S, L);
            for (i32 k = static_cast<i32>(std::ceil(x * S)); k < a; ++k) out[std::max(k, 0)] = 1;
        }
        if (b < S) {
            const f64 lo = std::min(1.0, f64(b + 1) / S), hi = std::min(1.0, f64(b + 1 + (7 * whole) / 8) / S);
            const f64 x = border(Q, P, hi, lo, L);
            const f64 at = x * S;
            const i32 end = static_cast<i32>(at) + (at - std::floor(at) > 0.0 ? 1 : 0);
            for (i32 k = b + 1; k <= std::min(end, S); ++k) out[k] = 1;
        }
        a = b + 1;
    }
    f.swap(out);
}

// Clear gaps between contact runs shorter than 1.5 D along the move are
// flagged as contact; a leading gap counts the free length before it.
// A gap is measured as its samples times the sample length (the move's
// length over its samples), the way the tool travels, and not as its run
// over the cosine of the slope rounded to a whole degree: the rounding is
// the sweep's choice of rows, and on a steep move the cosine of the rounded
// slope stretches the gap (at 88.6 degrees, taken as 89, by 1.4 times), so
// that gaps the tool runs through in well under 1.5 D would stay open.
void close_gaps(std::vector<char>& m, i32 S, f32 sample, f32 D, f32 free_before)
{
    i32 k = 0;
    while (k <= S) {
        if (m[k]) {
            ++k;
            continue;
        }
        i32 e = k;
        while (e + 1 <= S && !m[e + 1]) ++e;
        const bool after = e < S, before = k > 0;
        const f32 gap = f32(e - k + 1) * sample + (before ? 0.0f : free_before);
        if (after && gap < 1.5f * D)
            for (i32 j = k; j <= e; ++j) m[j] = 1;
        k = e + 1;
    }
    if (S >= 1 && m[1]) m[0] = 1;
}

// The tool path's own feed of a contact piece of pass code k: the holder
// mode's percentage of the feed where the feed is the base feed or the
// named feed (mode 5 also a feed that an earlier tool row made of them),
// any other feed kept; mode 4 changes feeds for code 100 only.
// The written form of the feed returned is chosen against the machine's
// own base feed (optim_feed_here): the base is replaced for the time of the
// write only where the feed is written as an explicit value, so a contact
// feed that equals a named feed is stored as that named feed's code.
f32 contact_feed(i32 k, f32 F)
{
    const i32 mode = CMPBLK[CMP_HOLDER];
    f32 factor = 1.0f;
    if (k >= 1 && mode == 5) factor = static_cast<f32>(CMPBLK[CMP_ROW_FEED + std::min(k, 10) - 1]) * 0.01f;
    if (k >= 1 && mode == 4) factor = wrd2r(CMPBLK[CMP_HOLDER_FEED]) * 0.01f;
    const f32 base = wrd2r(PRM9[0]), named = base * static_cast<f32>(PRM9[4]) / 100.0f;
    if (mode == 5 && k >= 0 && F > 0.0f) {
        if (F == base || F == named) return F * factor;
        auto p = [](i32 j) { return static_cast<f32>(CMPBLK[CMP_ROW_FEED + j - 1]); };
        for (i32 j = 1; j <= std::min(k, 10); ++j)
            if (F == base * p(j) / 100.0f) return base * factor;
        for (i32 j = 1; j <= std::min(k, 10); ++j)
            if (F == named * p(j) / 100.0f) return named * factor;
        return F;
    }
    if (mode == 4 && k == 100 && F > 0.0f && (F == base || F == named)) return F * factor;
    return F;
}

// The contact piece's feed written around the move `number` handled whole:
// in front of it, and the move's own feed behind it for what follows.
// A move handled whole in contact (a contact with no border on the move,
// the rest of a move behind its last border, an arc or a curve in contact
// to its end) is a contact piece as much as one that a split writes: the
// holder modes give every contact piece the contact feed, and without it
// such a move would run at its full feed with a section in the stock.
void feed_around(i32 number, f32 feed, f32 F, i32& status)
{
    if (feed == F) return;
    CMPBLK[CMP_CHANGED] = 1;
    put_feed(feed, number, status);
    i32 a = 0;
    if (status >= 0) goto_block(1, number, status);
    if (status < 0) return;
    lacces(0, a);
    optim_feed_here(F, status);
}

// Cuts the piece Q to P into the stock with the cutter (slot 0).
void stamp(const f32* a, const f32* b, i32 move, i32& status)
{
    f32 md = 0, ed = 0, v = 0, ev = 0, q[3], len = 0;
    stk_image_select(0, status);
    if (status == 0) stk_move(1, 0, a, b, move, md, ed, v, ev, q, len, status);
    // The cells the cutter may have lowered: within its outer radius of the
    // piece, two cells more for the end stamp's window.
    const f64 r = f64(stk_img.diam) * 0.5 + 2.0 * stk_grid.cell;
    peaks.lowered(std::fmin(a[0], b[0]) - r, std::fmin(a[1], b[1]) - r, std::fmax(a[0], b[0]) + r,
                  std::fmax(a[1], b[1]) + r);
}

// The chords of the handled piece cut into the stock: every piece in mode
// 2 (the path stays as it is), else only the pieces the tool still cuts.
void stamp_piece(const f32* from, const std::vector<f32>& pts, i32 number, bool contact, i32& status)
{
    if (contact && CMPBLK[CMP_HOLDER] != 2) return;
    f32 Q[3] = {from[0], from[1], from[2]};
    for (size_t k = 0; k + 2 < pts.size() && status >= 0; k += 3) {
        stamp(Q, pts.data() + k, number, status);
        std::copy(pts.data() + k, pts.data() + k + 3, Q);
    }
}

// Measures the line Q to P for every section, the part of a line's handling
// that needs no list: the mask of the move's samples (any section too close;
// each run's borders refined, short clear gaps closed), the required lengths
// raised. Answers 1 when some section came too close; vertical is set for a
// move along Z (measured at its ends only); steps: the sample count.
i32 measure_line(const f32* Q, const f32* P, const f32* widths, f32 free_before, f32* required,
                 std::vector<char>& mask, i32& steps, bool& vertical, f32* entry, i32& status)
{
    status = 0;
    steps = 0;
    mask.assign(1, 0);
    const f32 s = optim_safety(status);
    if (status < 0) return 0;
    f32 D = 0;
    GTDIAM(CURTOL, D);
    const i32 N = std::min(holder_steps.n, HOLDER_SECTIONS_MAX);
    const f32 cell = stk_grid.cell, L = len3(Q, P), h = len2(Q, P);
    const f32 dx = P[0] - Q[0], dy = P[1] - Q[1];
    vertical = (eqval0(dx) != 0 && eqval0(dy) != 0) || (leval(std::fabs(dx), cell) != 0 && leval(std::fabs(dy), cell) != 0) ||
               std::lround(std::atan2(std::fabs(f64(P[2]) - Q[2]), f64(h)) * 180.0 / M_PI) >= 90;
    bool any = false;
    HM.min_len = 1e30f, HM.max_len = 0.0f;
    f32 cross = P[2] < Q[2] ? -1e30f : 1e30f;  // where the first section enters or leaves the stock
    for (i32 i = 0; i < N; ++i) {
        select_section(i, s, status);
        if (status != 0) return 0;
        if (vertical) {
            // Measured at the end, and at the start of a move up.
            const f32 de = depth_at(P), ds = P[2] > Q[2] ? depth_at(Q) : 0.0f;
            const f32 d = std::max(de, ds);
            required[i] = std::max(required[i], d);
            if (gtval(d, 0.0f) != 0) {
                any = true, mask[0] = 1;
                // Going down it enters where its bottom passes the stock
                // under the end; going up it leaves where it passes the
                // stock under the start.
                if (P[2] < Q[2])
                    cross = std::max(cross, P[2] + de);
                else if (gtval(ds, 0.0f) != 0)
                    cross = std::min(cross, Q[2] + ds);
            }
            continue;
        }
        const f32 q[3] = {Q[0], Q[1], Q[2] + HM.lift}, p[3] = {P[0], P[1], P[2] + HM.lift};
        f32 md = 0, ed = 0, v = 0, ev = 0, pt[3], len = 0;
        measure(2, q, p, md, ed, v, ev, pt, len, status);
        if (status < 0) return 0;
        // The move's sample count is the sweep's step count, the cells along
        // the move's longer axis: one count for every section whose sweep
        // runs. A section whose image lies wholly beside the grid runs none
        // (0 steps, no flags, no depth) and does not fix it: fixed at one
        // sample there, a wider section after it that meets the stock would
        // keep only its first two flags, and its contact in mid-move would
        // be lost (the move neither split nor told). A depth without steps
        // (a move the sweep took for vertical) counts one sample.
        const i32 S = std::min(stk_sweep.steps, STK_STEPS_MAX);
        if (steps == 0 && (S > 0 || md > 0.0f)) {
            steps = std::max(S, 1);
            mask.assign(static_cast<size_t>(steps) + 1, 0);
        }
        if (!(md > 0.0f)) continue;
        std::vector<char> f(stk_sweep.flags, stk_sweep.flags + std::min(S, steps) + 1);
        f.resize(static_cast<size_t>(steps) + 1, 0);
        any = true;
        required[i] = std::max(required[i], md);
        HM.sample_len = L / f32(steps), HM.sample_run = h / f32(steps);
        HM.min_len = std::min(HM.min_len, HM.sample_len), HM.max_len = std::max(HM.max_len, HM.sample_len);
        refine(Q, P, steps, widths[i], HM.sample_run, L, f);
        for (i32 k = 0; k <= steps; ++k) mask[k] = mask[k] || f[k];
    }
    // No section swept over the move (all beside the grid): one sample, as
    // a move that meets nothing.
    if (!vertical && steps == 0) steps = 1, mask.assign(2, 0);
    if (entry) *entry = cross;
    i32 st = 0;
    stk_image_select(0, st);
    if (any && steps > 0) close_gaps(mask, steps, L / f32(steps), D, free_before);
    return any ? 1 : 0;
}
}  // namespace

void optim_lerp3(const f32* A, const f32* B, const f32& t, f32* out)
{
    for (int c = 0; c < 3; ++c) out[c] = A[c] + (B[c] - A[c]) * t;
}

i32 optim_holder_line_check(const f32* Q, const f32* P, const f32* widths, const f32& free_before, f32* required,
                            std::vector<char>& mask, i32& steps, i32& status)
{
    bool vertical = false;
    const i32 any = measure_line(Q, P, widths, free_before, required, mask, steps, vertical, nullptr, status);
    if (vertical) steps = 0;
    return any;
}

void optim_feed_here(const f32& feed, i32& status)
{
    status = 0;
    // A move without a feed of its own keeps the one in force.
    if (feed == 0.0f) return;
    // The machine state goes out as the movement writers write theirs, the
    // block written shown.
    write_feed_form(feed, status, true);
}

namespace {
// A contact piece rewritten in place of the move `block`: the edit starts on
// the move, which goes when the pieces are committed.
bool replace_move(i32 block, PathEdit& edit, i32& status)
{
    i32 a = 0;
    goto_block(-1, block, status);
    if (status < 0) return false;
    lacces(0, a);
    edit.begin();
    edit.doom();
    return true;
}

// The pieces committed: the handled piece (block `piece`, ending at `at`,
// feed fk) becomes the current move, with the cursor just behind its number.
void replaced(PathEdit& edit, const f32* at, i32 piece, f32 fk, f32* end, i32& block, i32& k, i32& status)
{
    edit.finish(status);
    if (status < 0) return;
    std::copy(at, at + 3, end);
    block = piece;
    k = static_cast<i32>(fk);
    goto_block(-1, piece, status);
}
}  // namespace

void optim_holder_line(const f32* prev, f32* end, const f32* split_start, const f32* split, i32& block, i32& k,
                       i32& status)
{
    // The handled piece (up to the split, through the split start when that
    // lies apart) runs at the feed of pass code k; the rest keeps the move's
    // own feed, so that what follows runs as before.
    const f32 F = HM.saved_feed, fk = contact_feed(k, F);
    MOVST.point[0] = prev[0], MOVST.point[1] = prev[1], MOVST.point[2] = prev[2];
    CMPBLK[CMP_CHANGED] = 1;
    PathEdit edit;
    if (!replace_move(block, edit, status)) return;
    const bool from_start = eqpt3(split_start, prev) != 0;
    i32 piece = block;
    if (!from_start) {
        optim_feed_here(fk, status);
        RSTMOV();
        if (status >= 0) optim_line(split_start, status);
        piece = optim_block_here();
    }
    if (status >= 0) optim_feed_here(from_start ? fk : F, status);
    RSTMOV();
    if (status >= 0) optim_line(split, status);
    if (from_start) piece = optim_block_here();
    if (status >= 0 && eqpt3(end, split) == 0) {
        optim_feed_here(F, status);
        if (status >= 0) optim_line(end, status);
    }
    replaced(edit, from_start ? split : split_start, piece, fk, end, block, k, status);
}

void optim_holder_arc(const f32* prev, f32* end, const f32& a1, i32& block, i32& k, i32& status)
{
    // As the line: the first piece (angle a1) at the feed of pass code k,
    // the rest about the same centre at the move's own feed.
    const f32 F = HM.saved_feed, fk = contact_feed(k, F);
    CMPBLK[CMP_CHANGED] = 1;
    i32 number = 0, type = 0, size = 0, cls = 0, plane = 0;
    f32 angle = 0, step = 0, c[2], e[3], v[3];
    goto_block(1, block, status);
    if (status >= 0) TPBLKH(MV_LIST, size, type, cls, status);
    if (status >= 0 && !mv_arc(type)) status = -1;
    if (status >= 0) RDBT3(MV_LIST, type, number, plane, angle, step, c, e, v, status);
    if (status < 0) return;
    f32 A[3];
    arc_point_at(prev, plane, c, e, a1, A);
    for (i32 j = 0; j < 3; ++j) DSP8[j] = r2wrd(prev[j]), MOVST.point[j] = prev[j];
    PathEdit edit;
    if (!replace_move(block, edit, status)) return;
    optim_feed_here(fk, status);
    if (status >= 0) PARCOP(1, plane, a1, c, A, v, status);
    const i32 piece = optim_block_here();
    if (status >= 0) optim_feed_here(F, status);
    if (status >= 0) PARCOP(1, plane, angle - a1, c, e, v, status);
    replaced(edit, A, piece, fk, end, block, k, status);
}

i32 optim_arc_border(const i32& direction, const f32* start, const f32* end, const i32& plane, const f32* centre,
                     f32& angle, f32* point)
{
    int u = 0, v = 1, w = 2;
    plane_axes(plane, u, v, w);
    const f64 r = std::hypot(f64(start[u]) - centre[0], f64(start[v]) - centre[1]);
    const f64 stop = 3.0 * stk_grid.cell / std::max(r, 1e-9);
    // direction 1: clear at the start, contact at the angle (a clear trial
    // moves the low end on); -1: contact at the start, clear at the angle.
    f64 lo = 0.0, hi = angle;
    for (i32 k = 0; k < 10 && std::fabs(hi - lo) >= stop; ++k) {
        const f64 m = 0.5 * (lo + hi);
        f32 pt[3];
        arc_point_at(start, plane, centre, end, static_cast<f32>(m), pt);
        const bool clear = eqval0(depth_at(pt)) != 0;
        if (direction > 0)
            (clear ? lo : hi) = m;
        else
            (clear ? hi : lo) = m;
    }
    const f64 b = direction > 0 ? lo : hi;
    if (std::fabs(b) < stop) {
        angle = 0.0f;
        std::copy(start, start + 3, point);
        return 0;
    }
    if (std::fabs(f64(angle) - b) < stop) {
        std::copy(end, end + 3, point);
        return 0;
    }
    angle = static_cast<f32>(b);
    arc_point_at(start, plane, centre, end, angle, point);
    return 1;
}

namespace {
// The scan of optim_holder_scan; `after` looks only past the first run (a
// piece that begins at a border found before).
void scan_border(const f32* P0, const f32* P1, f32 width, bool after, f32* border_point, i32& status);
}  // namespace

void optim_holder_scan(const f32* P0, const f32* P1, const f32& width, f32* border_point, i32& status)
{
    scan_border(P0, P1, width, false, border_point, status);
}

namespace {
void scan_border(const f32* P0, const f32* P1, f32 width, bool after, f32* border_point, i32& status)
{
    status = 0;
    const f32 q0[3] = {P0[0], P0[1], P0[2] + HM.lift}, q1[3] = {P1[0], P1[1], P1[2] + HM.lift};
    f32 md = 0, ed = 0, v = 0, ev = 0, pt[3], len = 0;
    measure(2, q0, q1, md, ed, v, ev, pt, len, status);
    std::copy(P1, P1 + 3, border_point);
    if (status < 0) return;
    const i32 S = std::min(stk_sweep.steps, STK_STEPS_MAX);
    const f32 L = len3(P0, P1), run = len2(P0, P1);
    const f32 sample = S >= 1 ? L / f32(S) : L, srun = S >= 1 ? run / f32(S) : run;
    const i32 w = static_cast<i32>(width / std::max(srun, 1e-6f) + 0.99f);
    std::vector<char> f(stk_sweep.flags, stk_sweep.flags + std::max(S, 0) + 1);
    if (eqval0(v) != 0 && eqval0(ev) != 0) {
        if (!after && eqval0(depth_at(P0)) != 0) {
            std::copy(P0, P0 + 3, border_point);
            return;
        }
        f[0] = 1;
    }
    auto trial = [&](f64 samples) {
        const f64 t = std::clamp(samples * sample / std::max(f64(L), 1e-9), 0.0, 1.0);
        optim_lerp3(P0, P1, static_cast<f32>(t), pt);
        return eqval0(depth_at(pt)) != 0;
    };
    for (i32 i = 0; i <= S; ++i) {
        if (!f[size_t(i)]) continue;
        if (!after && trial(f64(i) - 2.0)) {
            std::copy(pt, pt + 3, border_point);
            return;
        }
        i32 e = i;
        while (e + 1 <= S && f[size_t(e + 1)]) ++e;
        for (f64 x : {0.5, 0.75, 1.0})
            if (trial(f64(e + 1) + x * w)) {
                std::copy(pt, pt + 3, border_point);
                return;
            }
        i = e;
    }
}

}  // namespace

namespace {
// Reads the move at the cursor as find_move found it and handles it (or
// the first piece of it); the handled piece ends at P.
struct Handled {
    i32 number = 0;
    bool contact = false;
    f32 length = 0;
};

// A line (types 2, 22, 222) from the tool's point to P.
void line_move(Handled& h, f32* P, const f32* widths, f32* required, const f32& free_before, i32 k, i32 in_contact,
               i32& status)
{
    const i32 mode = CMPBLK[CMP_HOLDER];
    const f32* Q = HM.prev;
    if (eqpt3(P, Q) != 0) {
        // Nothing moves: the contact stays as it was, no split is pending.
        h.contact = in_contact != 0;
        HM.pending = 0, HM.search = 1;
        return;
    }
    f32 Q0[3] = {Q[0], Q[1], Q[2]};
    if (HM.pending == 0) {
        bool vertical = false;
        f32 cross = 0;
        i32 S = 0;
        const bool any = measure_line(Q, P, widths, free_before, required, HM.mask, S, vertical, &cross, status) != 0;
        if (status < 0) return;
        if (vertical) {
            h.contact = any;
            const f32 F = HM.saved_feed;
            bool split = false;
            if (any && mode >= 3 && mode <= 5 && F > 0.0f) {
                // The section enters the stock part-way down (or leaves it
                // part-way up): the move is split there, the part in the
                // stock a contact piece at the reduced feed.
                const f32 t = (cross - Q[2]) / (P[2] - Q[2]);
                if (t > 0.0f && t < 1.0f) {
                    f32 X[3], E[3] = {P[0], P[1], P[2]};
                    optim_lerp3(Q, P, t, X);
                    if (eqpt3(X, Q) == 0 && eqpt3(X, P) == 0) {
                        const bool down = P[2] < Q[2];
                        // Going down, the piece handled is the clear part
                        // above the entry: it keeps the move's feed (code
                        // -1), as any clear piece (see the split of a line).
                        i32 code = down ? -1 : k;
                        optim_holder_line(Q, E, Q, X, h.number, code, status);
                        if (status < 0) return;
                        std::copy(E, E + 3, P);
                        // Going up, the piece handled is the part still in
                        // the stock: it stays a contact piece, so that the
                        // stage links over it or hands it to the next tool
                        // instead of dragging the holder up through the
                        // stock on this one.
                        h.contact = !down;
                        std::fill(HM.section, HM.section + HOLDER_SECTIONS_MAX, 0.0f);
                        split = true;
                    }
                }
            }
            // A split wrote the contact piece's feed in front of it and the
            // move's own behind it already: written again they would stand
            // twice around the piece.
            if (h.contact && mode >= 3 && !split) feed_around(h.number, contact_feed(k, F), F, status);
            return;
        }
        if (!any) {
            h.contact = false;
            return;
        }
        HM.S = S;
        std::copy(Q, Q + 3, HM.start);
        std::copy(P, P + 3, HM.end);
        // The transitions before the end point: a change at the end point
        // would make a "piece" of the whole move, and the cursor would step
        // on to the next move without measuring it.
        i32 n = 0;
        for (i32 i = 1; i < S; ++i) n += HM.mask[size_t(i)] != HM.mask[size_t(i - 1)] ? 1 : 0;
        HM.pending = n + 1;
        HM.search = 1;
    }
    const std::vector<char>& m = HM.mask;
    if (mode == 2 || HM.pending == 1) {
        // Nothing left to cut here: the rest of the move is one piece, in
        // contact as the flag behind its last transition (the first flag
        // when it has none). A change at the end point itself counts for
        // nothing: a line clear up to within its last sample is a clear
        // piece (cut, not linked over) and the move after it, measured by
        // itself, begins in the contact. Mode 2 cuts nothing: any contact
        // on the move is told. A move of one sample is handled whole,
        // in contact when either of its two flags is.
        h.contact = m[size_t(std::max(HM.search - 1, 0))] != 0;
        if (mode == 2 || HM.S == 1)
            for (char c : m) h.contact = h.contact || c != 0;
        HM.pending = 0, HM.search = 1;
        if (h.contact && mode >= 3) feed_around(h.number, contact_feed(k, HM.saved_feed), HM.saved_feed, status);
        return;
    }
    // The next transition: the piece up to it is written and handled now,
    // the rest of the move is the next call's. A change of the flags at the
    // end point itself is no transition: the move after it is measured by
    // itself.
    i32 i = HM.search;
    while (i < HM.S && m[size_t(i)] == m[size_t(i - 1)]) ++i;
    h.contact = m[size_t(i - 1)] != 0;
    f32 X[3];
    optim_lerp3(HM.start, HM.end, f32(i) / f32(HM.S), X);
    f32 E[3] = {P[0], P[1], P[2]};
    // Only a contact piece takes the pass code's feed; a clear piece keeps
    // the move's own (code -1). The reduced feed is for where a section
    // meets the stock: a clear move handled whole keeps its feed, and the
    // clear part of a split move is cut as that move would be, not slowed
    // because a contact lies further along it.
    i32 code = h.contact ? k : -1;
    if (i < HM.S && eqpt3(X, Q0) == 0 && eqpt3(X, P) == 0) {
        optim_holder_line(Q0, E, Q0, X, h.number, code, status);
        if (status < 0) return;
        std::copy(E, E + 3, P);
    }
    // After the last transition the count stands at 1, not 0: the next call
    // takes the rest of the move from this mask (the flag behind that
    // transition) and does not measure it afresh. The rest lies within one
    // run of the mask measured with the whole move, its borders refined and
    // its gaps closed with the whole move's free length, and that run's flag
    // is the rest's. Measured again, every section would sweep the rest a
    // second time on every split move, to find that run once more.
    --HM.pending;
    HM.search = i + 1;
    if (i >= HM.S) HM.pending = 0, HM.search = 1;
}

// A string of lines (types 7, 27, 227) in mode 2: each of its lines
// measured for every section, the contact told for the whole string; the
// handled piece is the string, its points in `handled`.
void string_move(Handled& h, i32 type, i32 size, f32* P, const f32* widths, f32* required, const f32& free_before,
                 std::vector<f32>& handled, i32& status)
{
    handled.clear();
    i32 records = 1, number = 0, cls = 0;
    TPBLKH(MV_LIST, size, type, cls, status);
    for (i32 r = 0; r < records && status >= 0; ++r) {
        f32 p[3], v[3];
        RDBT2(MV_LIST, type, size, records, number, p, v, status);
        if (status >= 0) handled.insert(handled.end(), p, p + 3);
    }
    if (status < 0 || handled.empty()) return;
    std::copy(handled.end() - 3, handled.end(), P);
    f32 Q[3] = {HM.prev[0], HM.prev[1], HM.prev[2]}, free = free_before;
    for (size_t k = 0; k + 2 < handled.size() && status >= 0; k += 3) {
        const f32* E = handled.data() + k;
        if (eqpt3(Q, E) != 0) continue;
        std::vector<char> mask;
        i32 steps = 0;
        bool vertical = false;
        if (measure_line(Q, E, widths, free, required, mask, steps, vertical, nullptr, status) != 0) h.contact = true;
        free = h.contact ? 0.0f : free + len3(Q, E);
        std::copy(E, E + 3, Q);
    }
}

// Every section swept along the chords of an arc from the arc's start: the
// required lengths raised, and per chord whether a section met the stock
// (c), its length (l) and the first section that did (sec).
void measure_chords(const std::vector<f32>& pts, f32 s, f32* required, std::vector<char>& c, std::vector<f32>& l,
                    std::vector<i32>& sec, i32& status)
{
    const i32 N = std::min(holder_steps.n, HOLDER_SECTIONS_MAX);
    const size_t n = pts.size() / 3;
    for (i32 i = 0; i < N; ++i) {
        select_section(i, s, status);
        if (status != 0) return;
        f32 Q[3] = {HM.prev[0], HM.prev[1], HM.prev[2]};
        for (size_t j = 0; j < n; ++j) {
            const f32* E = pts.data() + 3 * j;
            const f32 q[3] = {Q[0], Q[1], Q[2] + HM.lift}, e[3] = {E[0], E[1], E[2] + HM.lift};
            f32 md = 0, ed = 0, v = 0, ev = 0, pt[3], len = 0;
            measure(0, q, e, md, ed, v, ev, pt, len, status);
            if (status < 0) return;
            required[i] = std::max(required[i], md);
            HM.section[i] = md;
            if (gtval(md, 0.0f) != 0) {
                c[j] = 1;
                if (sec[j] < 0) sec[j] = i;
            }
            l[j] = len3(Q, E);
            std::copy(E, E + 3, Q);
        }
    }
}

// An arc (types 3, 23, 223): its chords walked for every section.
void arc_move(Handled& h, i32 type, f32* P, const f32* widths, f32* required, const f32& free_before, i32 k,
              std::vector<f32>& handled, i32& status)
{
    const i32 mode = CMPBLK[CMP_HOLDER];
    std::vector<f32> pts;
    i32 plane = 0;
    f32 angle = 0, centre[2] = {0, 0};
    arc_chords(type, HM.prev, pts, P, plane, angle, status, centre);
    handled = pts;
    if (status < 0 || pts.empty()) return;
    const f32 s = optim_safety(status);
    if (status < 0) return;
    f32 D = 0;
    GTDIAM(CURTOL, D);
    const i32 N = std::min(holder_steps.n, HOLDER_SECTIONS_MAX);
    const size_t n = pts.size() / 3;
    std::vector<char> c(n, 0);
    std::vector<f32> l(n, 0.0f);
    std::vector<i32> sec(n, -1);  // the first section that met the stock on each chord
    measure_chords(pts, s, required, c, l, sec, status);
    if (status != 0) return;
    i32 st = 0;
    stk_image_select(0, st);
    bool any = false;
    for (char x : c) any = any || x != 0;
    h.contact = any;
    if (mode == 2 || !any) return;
    // The walk: a contact after more than 2 D clear (the free length before
    // the move counted while no contact was met on the arc) ends the handled
    // piece where the contact begins; after a contact, a clear stretch longer
    // than 2 D ends it where that stretch begins. Shorter gaps go with the
    // contact.
    const f32 step = angle / f32(n);
    // A first chord in contact after a clear way of over 2 D before the
    // move: the arc is cut where the contact begins, unless it begins in
    // the contact already (the border then lies at its start and there is
    // nothing clear to cut off).
    bool start_clear = false;
    if (c[0] && free_before > 2.0f * D) {
        start_clear = true;
        for (i32 i = 0; i < N && start_clear; ++i) {
            select_section(i, s, status);
            if (status != 0) return;
            start_clear = eqval0(depth_at(HM.prev)) != 0;
        }
        stk_image_select(0, st);
    }
    // The border inside chord j, as the angle from the arc's start: the
    // angle the halving answers, which is the chord's start or its end when
    // the border lies within the tolerance of one of them, searched with the
    // image of a section that met the stock on that chord.
    auto border_at = [&](i32 dir, size_t j) {
        select_section(sec[j] >= 0 ? sec[j] : 0, s, status);
        f32 A0[3], X[3], a = step;
        arc_point_at(HM.prev, plane, centre, P, step * f32(j), A0);
        if (status == 0) optim_arc_border(dir, A0, P, plane, centre, a, X);
        stk_image_select(0, st);
        return step * f32(j) + a;
    };
    // The chord in which a contact ends, the clear run starting at chord j.
    // A chord's sweep meets the stock ahead of the tool and under the tool
    // at the chord's end, not under the tool at its start: the first chord
    // of the clear run can still start in the stock, the tool's back leaving
    // it on the way, and the contact then ends in that chord; with its start
    // clear, it ends in the contact chord before it. Searched in the wrong
    // one, the halving finds no border and leaves it at a chord's end.
    auto contact_end = [&](size_t j) {
        if (j == 0) return border_at(-1, 0);
        f32 A[3];
        arc_point_at(HM.prev, plane, centre, P, step * f32(j), A);
        for (i32 i = 0; i < N && sec[j] < 0; ++i) {
            select_section(i, s, status);
            if (status != 0) return 0.0f;
            if (gtval(depth_at(A), 0.0f) != 0) sec[j] = i;
        }
        stk_image_select(0, st);
        return border_at(-1, sec[j] >= 0 ? j : j - 1);
    };
    f32 free = free_before;
    bool seen = false;
    size_t free_from = 0;
    i32 dir = 0;
    f32 a1 = 0.0f;
    for (size_t j = 0; j < n && dir == 0; ++j) {
        if (!c[j]) {
            if (free == 0.0f || (seen && j > 0 && c[j - 1])) free_from = j;
            free += l[j];
            continue;
        }
        if (!seen && free > 2.0f * D && (j > 0 || start_clear)) {
            a1 = border_at(1, j);
            if (status != 0) return;
            // A border at the arc's start (as where the cut before ended
            // the clear piece: that border is clear only within the
            // halving's tolerance): nothing clear to cut off. The arc
            // begins in the contact, and the walk goes on for where that
            // contact ends.
            if (std::fabs(a1) > 0.0f) dir = 1;
        } else if (seen && free > 2.0f * D) {
            // A clear run of over 2 D after a contact, before a new one:
            // the handled piece ends where that run begins (where the
            // earlier contact ends), not at the new contact's border. The
            // piece handled is the contact; the clear run and the new
            // contact are the next call's, which cuts the arc again where
            // that contact begins. Cut at the new contact instead, the
            // contact piece would take the clear run with it, more than
            // 2 D that the tool then leaves (linked over, or run at the
            // reduced feed), where a clear gap that long is cut as clear.
            dir = -1, a1 = contact_end(free_from);
            if (status != 0) return;
        }
        seen = true;
        free = 0.0f;
    }
    if (dir == 0 && seen && free > 2.0f * D && !c[n - 1]) {
        dir = -1, a1 = contact_end(free_from);
        if (status != 0) return;
    }
    // A border at an end of the arc leaves it whole: in contact when it lies
    // on the contact's side of that border (a contact that ends at the
    // arc's end, or begins at its start), clear when on the other.
    if (dir != 0 && std::fabs(a1) <= 0.0f) h.contact = dir > 0, dir = 0;
    if (dir != 0 && std::fabs(a1) >= std::fabs(angle)) h.contact = dir < 0, dir = 0;
    if (dir == 0) {
        // Handled whole: in contact, at the contact feed, as a line or a
        // curve handled whole in contact runs.
        if (h.contact && mode >= 3) feed_around(h.number, contact_feed(k, HM.saved_feed), HM.saved_feed, status);
        return;
    }
    // The piece handled is in contact when the border ends a contact; a
    // clear first piece, cut where a contact begins, keeps the move's own
    // feed (code -1) as a clear piece of a line does: it is not slowed for
    // a contact that lies further along. In every mode that splits, the
    // flag goes to the stage, which links over or hands on the contact
    // pieces of arcs as it does those of lines.
    h.contact = dir < 0;
    i32 code = h.contact ? k : -1;
    f32 E[3];
    optim_holder_arc(HM.prev, E, a1, h.number, code, status);
    if (status < 0) return;
    std::copy(E, E + 3, P);
    int u = 0, v = 1, w = 2;
    plane_axes(plane, u, v, w);
    const f32 r = static_cast<f32>(std::hypot(f64(HM.prev[u]) - centre[0], f64(HM.prev[v]) - centre[1]));
    h.length = r * std::fabs(a1);
    handled.clear();
    arc_points(HM.prev, plane, a1, centre, E, 0.25f * stk_grid.cell, 0, handled);
}

// A NURBS move (types 5, 25, 225): its polyline measured piece by piece;
// outside mode 2 the move is cut at the border next to the first piece with
// contact.
void curve_move(Handled& h, i32 size, f32* P, const f32* widths, f32* required, i32 k, std::vector<f32>& handled,
                i32& status)
{
    const i32 mode = CMPBLK[CMP_HOLDER];
    NurbsMove c;
    std::vector<f32> pts;
    const i32 curve = nurbs_move_open(size, c, pts, P, status);
    handled = pts;
    if (status < 0 || pts.empty()) {
        if (curve != 0) evbfre(curve);
        return;
    }
    const f32 s = optim_safety(status);
    const i32 N = std::min(holder_steps.n, HOLDER_SECTIONS_MAX);
    f32 Q[3] = {HM.prev[0], HM.prev[1], HM.prev[2]}, Q0[3] = {0, 0, 0};
    i32 hit = -1;       // the section of the first piece with contact
    size_t first = 0;  // that piece
    for (size_t j = 0; j + 2 < pts.size() && status >= 0; j += 3) {
        const f32* E = pts.data() + j;
        for (i32 i = 0; i < N && status >= 0; ++i) {
            select_section(i, s, status);
            if (status != 0) break;
            const f32 q[3] = {Q[0], Q[1], Q[2] + HM.lift}, e[3] = {E[0], E[1], E[2] + HM.lift};
            f32 md = 0, ed = 0, v = 0, ev = 0, pt[3], len = 0;
            measure(0, q, e, md, ed, v, ev, pt, len, status);
            required[i] = std::max(required[i], md);
            if (gtval(md, 0.0f) != 0 && hit < 0) hit = i, first = j, std::copy(Q, Q + 3, Q0);
        }
        std::copy(E, E + 3, Q);
    }
    h.contact = hit >= 0;
    if (status >= 0 && hit >= 0 && mode != 2 && curve != 0) {
        // The border next to the first contact: before its run when that
        // piece starts clear (the handled part is then clear), after it when
        // the piece starts in contact (the handled part is the contact).
        const f32* E = pts.data() + first;
        f32 B[3];
        select_section(hit, s, status);
        bool start_clear = status == 0 && eqval0(depth_at(Q0)) != 0;
        if (status == 0) optim_holder_scan(Q0, E, widths[hit], B, status);
        if (status >= 0 && first == 0 && len3(B, HM.prev) <= 3.0f * stk_grid.cell) {
            // The move begins at the border of a cut before: its handled
            // part is the contact, up to the clear point past the run.
            scan_border(Q0, E, widths[hit], true, B, status);
            start_clear = false;
        }
        if (status >= 0 && eqpt3(B, HM.prev) == 0 && eqpt3(B, P) == 0) {
            f64 t = 0, cut[3];
            crv_nearest(curve, B, t, cut, status);
            i32 block = h.number;
            if (status >= 0 && crv_cut_at(c, t, cut, HM.prev, block, status) == 1) {
                for (int a = 0; a < 3; ++a) P[a] = static_cast<f32>(cut[a]);
                h.number = block;
                h.contact = !start_clear;
                handled.assign(pts.begin(), pts.begin() + static_cast<long>(first));
                handled.insert(handled.end(), P, P + 3);
            }
        }
    }
    i32 st = 0;
    stk_image_select(0, st);
    if (curve != 0) evbfre(curve);
    if (status >= 0 && h.contact && mode >= 3)
        feed_around(h.number, contact_feed(k, HM.saved_feed), HM.saved_feed, status);
}
}  // namespace

void optim_holder_move(const i32& list, const f32* widths, i32& block, i32& contact, i32& code_end, f32* required,
                       f32& length, const f32& free_before, i32& status)
{
    (void)list;
    status = 0;
    length = 0.0f;
    const i32 k = code_end, in_contact = contact;
    code_end = 0;
    contact = 0;
    if (block == -1 || block == -2) {
        HM.saved_feed = HM.last_feed = -1.0f;
        std::fill(HM.section, HM.section + HOLDER_SECTIONS_MAX, 0.0f);
        // A run begun at -1 as well as at -2 drops what an earlier walk
        // left: its pending split belongs to a move of that walk, and its
        // last point is no place of the tool on this one, so the first move
        // of a run begun at -1 only places the tool.
        HM.pending = 0, HM.search = 1;
        HM.known = false;
        if (block == -2) {
            // The tool stands at the end of the move at the cursor: the walk
            // goes on behind it. Its caller puts the cursor on that move
            // itself (goto_block onto the last move it keeps), so its end
            // point is taken where the cursor stands, with no step first,
            // and the cursor left one block past it, not back on it: found
            // again, the move would be handled once more as a piece of no
            // length from its own end.
            i32 number = 0, type = 0, size = 0, tc = 0, st = 0;
            f32 feed = 0;
            find_move(MV_LIST, 1, number, type, size, feed, tc, st);
            if (st >= 0) move_end_point(HM.prev, st);
            if (st >= 0) {
                if (move_feed_read != 0) HM.last_feed = feed;
                HM.known = true;
                TPJUMP(1, st);
            }
            // The list's end answers -2: nothing behind the move, the walk
            // is done. A failed access or read (-1) is the walk's failure.
            if (st != 0) {
                block = 0;
                code_end = 1;
                if (st == -1) status = -1;
                return;
            }
        }
    }
    block = 0;
    Handled h;
    f32 P[3] = {0, 0, 0};
    std::vector<f32> pts;  // the handled piece's chords (empty: a straight piece)
    bool curved = false;
    while (true) {
        i32 number = 0, type = 0, size = 0, tc = 0, st = 0;
        f32 feed = 0;
        find_move(MV_LIST, 1, number, type, size, feed, tc, st);
        if (st < 0) {
            // No move left at the list's end (-2). A failed access or read
            // (-1: a block of no known type, a block that cannot be read)
            // fails the walk: taken for the end, the rest of the path would
            // go unchecked and the stage go on as if it had walked it all.
            code_end = 1;
            if (st == -1) status = -1;
            return;
        }
        if (move_feed_read == 0) feed = HM.last_feed;  // no feed of its own
        HM.last_feed = feed;
        // A string is broken into its lines, each then handled by itself; in
        // mode 2, which leaves the path as it is, it is measured in place.
        if (mv_string(type) && CMPBLK[CMP_HOLDER] != 2) {
            BRKSTR(1, status);
            if (status < 0) return;
            continue;
        }
        if (!(mv_line(type) || mv_string(type) || mv_arc(type) || mv_nurbs(type))) {
            // Another motion (a cycle): nothing is measured.
            TPJUMP(1, st);
            if (st != 0) {
                code_end = 1;
                if (st == -1) status = -1;
                return;
            }
            continue;
        }
        if (HM.pending == 0) HM.saved_feed = feed;
        h.number = number;
        if (!HM.known) {
            // The first move only places the tool.
            move_end_point(P, status);
            if (status < 0) return;
        } else if (mv_line(type)) {
            move_end_point(P, status);
            if (status >= 0) line_move(h, P, widths, required, free_before, k, in_contact, status);
        } else if (mv_string(type)) {
            curved = true;
            string_move(h, type, size, P, widths, required, free_before, pts, status);
        } else if (mv_arc(type)) {
            curved = true;
            arc_move(h, type, P, widths, required, free_before, k, pts, status);
        } else {
            curved = true;
            curve_move(h, size, P, widths, required, k, pts, status);
        }
        if (status < 0) return;
        break;
    }
    // The handled piece is cut into the stock here, by the move handler, and
    // not replayed by its caller: the handler holds the piece's points (the
    // chords it walked, the pieces it wrote), where a replay would read each
    // move from the list a second time; and the next call measures against
    // the stock this piece left. Not cut: the first move of a run, which
    // only places the tool (no sweep from a place it never stood); a contact
    // piece outside mode 2, which the tool leaves (linked over, or cut by
    // the next tool); and a rapid, with which the path's stamping (a
    // replay's too) carries the point along and cuts nothing: a rapid
    // through stock is no cut but a collision, lifted by the links and the
    // rapid clean-up, and cut here it would lower the stock the later checks
    // measure and hide a contact that the path still meets.
    if (HM.known && HM.saved_feed >= 0.0f) {
        if (curved)
            stamp_piece(HM.prev, pts, h.number, h.contact, status);
        else if (!(h.contact && CMPBLK[CMP_HOLDER] != 2))
            stamp(HM.prev, P, h.number, status);
        if (status < 0) return;
    }
    if (HM.known && h.length == 0.0f) {
        f32 Q[3] = {HM.prev[0], HM.prev[1], HM.prev[2]};
        if (curved)
            for (size_t j = 0; j + 2 < pts.size(); j += 3) h.length += len3(Q, pts.data() + j), std::copy(pts.data() + j, pts.data() + j + 3, Q);
        else
            h.length = len3(Q, P);
    }
    std::copy(P, P + 3, HM.prev);
    HM.known = true;
    block = h.number;
    contact = h.contact ? 1 : 0;
    length = HM.saved_feed < 0.0f ? -h.length : h.length;
    // One block past the handled move (its pieces' feed behind it passed too
    // by the next find_move). The handled move not found either way, or a
    // failed step (-1), is the walk's failure; only the list's end (-2)
    // after it ends the walk.
    i32 st = 0;
    goto_block(-1, block, st);
    if (st < 0) goto_block(1, block, st);
    if (st >= 0) TPJUMP(1, st);
    code_end = st != 0 ? 1 : 0;
    if (st == -1) status = -1;
}

namespace {
// A stretch of contact pieces: the move before it and its last piece.
struct Stretch {
    i32 before = -1, last = -1;
};

// What the walk of the stage keeps: the words of the cut record and the
// run record, held here for the one walk rather than in host work arrays,
// since nothing outside the stage reads them; there are no arrays to close
// when it ends, whichever way.
struct Walk {
    i32 prev = -1;        // the last move walked (or piece written)
    f32 free = 0;         // clear length since the last contact
    bool open = false;    // a stretch is open
    Stretch cur;
    std::vector<Stretch> done;
    bool contact = false;  // any section came too close
};

// A piece walked: its contact opens or extends the stretch, a clear piece
// ends it.
void piece(Walk& w, i32 number, bool contact, f32 length)
{
    if (contact) {
        if (!w.open) w.open = true, w.cur.before = w.prev;
        w.cur.last = number;
        w.free = 0;
    } else {
        if (w.open) w.done.push_back(w.cur), w.open = false;
        w.free += length;
    }
    w.prev = number;
}

// The lengths the tool needs, as extensions of its clear length (ext[0])
// and of each section's step below the next (ext[i]): each section's
// reach beyond the one before, never below 0.
void extension(const f32* required, i32 N, f32* ext)
{
    for (i32 i = 0; i < N; ++i) ext[i] = std::max(0.0f, required[i] - (i > 0 ? required[i - 1] : 0.0f));
}

// The report of holder mode 2: each section's reach beyond the one before,
// the length the tool would need there, and a library tool that fits.
void report(const f32* required, const f32* lengths, i32 N)
{
    msg_mdls(339, 72);
    f32 inc[HD_MAXS + 1] = {0};
    extension(required, N, inc);
    f32 clear = 0;
    GTCLRL(CURTOL, clear);
    f32 value = clear;
    for (i32 i = 0; i < N; ++i) {
        value += inc[i];
        if (inc[i] > 0.0f) {
            char t[48];
            std::snprintf(t, sizeof t, "%d %.3f", i + 1, static_cast<double>(value));
            msg_mdlt(339, 144, t);
        }
        value += lengths[i];
    }
    i32 best = -1, st = 0;
    if (optim_find_tool(CURTOL, inc, best, st) == 1) {
        char name[21];
        optim_tool_name(best, name);
        msg_mdlt(339, 142, name);
    } else {
        msg_mdls(339, 143);
    }
}

// Walks the moves after block `from` (-1: the whole list) with the holder of
// the current tool, its images built: every move checked by the holder
// move (pass code k) and cut with the cutter, split at the contact borders
// outside mode 2.
void walk_pass(i32 from, i32 k, const f32* widths, f32* required, Walk& w, i32& status)
{
    // The peaks hold while the walk lowers the stock by its own cuts only.
    struct Peaks {
        Peaks() { peaks.build(); }
        ~Peaks() { peaks.drop(); }
    } in_walk;
    i32 a = 0, counter = 0, block = -1;
    lacces(2, a);
    // A list without blocks (-1) is walked at once; a refused access (-2)
    // is the walk's failure.
    if (a == -2) status = -1;
    if (a < 0) return;
    if (from > 0) {
        // The cutter stands at the end of block `from`.
        goto_block(1, from, status);
        if (status < 0) return;
        w.prev = from;
        block = -2;
    }
    i32 end = 0;
    while (end == 0) {
        if (optim_progress(1, counter, 25) != 0) {
            status = 1000;
            return;
        }
        i32 contact = 0, code = k;
        f32 length = 0;
        optim_holder_move(MV_LIST, widths, block, contact, code, required, length, w.free, status);
        if (status < 0) return;
        end = code;
        if (block <= 0) break;
        w.contact = w.contact || contact != 0;
        piece(w, block, contact != 0, std::fabs(length));
    }
    if (w.open) w.done.push_back(w.cur), w.open = false;
}
}  // namespace

namespace {
// The contact stretches rebuilt as links over the stock: the tool leaves
// them uncut. The user is told so (339/100) in the split mode (3) alone,
// whose outcome the links are: modes 4 and 5 link a stretch over only when
// no tool is left to cut it (the last tool row, or no adapted tool).
void relink(const Walk& w, i32 mode, i32& status)
{
    for (const Stretch& s : w.done) {
        if (s.before > 0 && s.last > 0) optim_air_link(s.before, s.last, 0, status);
        if (status < 0) return;
        CMPBLK[CMP_CHANGED] = 1;
    }
    if (mode == 3 && !w.done.empty()) msg_mdls(339, 100);
}

// The tool that cuts the stretches of pass `pass` in the next pass, with its
// spindle value and the feed code of the copies; next -1 when none.
// Mode 4: a library tool that cuts alike and whose holder stays clear with
// the lengths needed, else a new lengthened copy of the tool. Mode 5: the
// tool of the next tool row.
void next_tool(i32 mode, i32 pass, const f32* required, i32 N, i32 spin, i32& next, i32& value, i32& code,
               i32& status)
{
    next = -1;
    if (mode == 5) {
        const i32 row = pass + 1;  // tool rows from 1: words 58.., 69.., 79..
        next = CMPBLK[CMP_TOOLS + row - 1];
        value = static_cast<i32>(static_cast<f32>(CMPBLK[CMP_ROW_PRM9 + row - 1]) * f32(spin) * 0.01f);
        code = 1000 * row;
        return;
    }
    f32 ext[HD_MAXS + 1] = {0};
    extension(required, N, ext);
    value = static_cast<i32>(wrd2r(CMPBLK[CMP_HOLDER_PRM9]) * f32(spin) * 0.01f);
    code = 10000;
    char name[21];
    if (optim_find_tool(CURTOL, ext, next, status) == 1) {
        optim_tool_name(next, name);
        msg_mdlt(339, 141, name);
        return;
    }
    next = -1;
    f32 mill[MLREC_N];
    i32 holder[HLDENT_N];
    optim_extend_tool(ext, 1, mill, holder);
    i32 st = 0;
    optim_new_tool(mill, holder, next, st);
    if (st < 0) next = -1;
}

// The stretches of the walk machined by `tool` at the end of the tool path:
// a retract from the last move, the tool change, each stretch copied with
// its feeds scaled by `code` and linked over the stock from the move before
// it; then the stretches of the tool before are linked over. mark: the
// last move before the copies (the retract).
// The stretches of a pass are machined together after the path, with one
// tool change there and one back at the stage's end, rather than a change
// in front of each stretch and back after it: every change costs a retract
// and the change itself, and the tool before finishes its own path first,
// so each stretch meets the stock that tool left. The copies take their
// block numbers from the list's counter, which keeps them apart from the
// path's own; no block-number bases per pass are needed.
// The split mode (3) links the stretches over and stays in that mode: the
// further tools are the user's choice of mode 5.
void hand_over(const Walk& w, i32 tool, i32 value, i32 code, i32& mark, i32& status)
{
    i32 run[4] = {0, 0, 0, 0};
    optim_final_retract(1, run);
    // The retract (or the rapid that ended the path) is in no stretch: the
    // links below keep it.
    jump_moves(99, mark, status);
    if (status < 0) return;
    i32 a = 0;
    lacces(3, a);
    PathEdit edit;
    edit.begin();
    optim_tool_change(tool, value, status);
    edit.finish(status);
    for (const Stretch& s : w.done) {
        i32 start = 0;
        if (status >= 0 && s.before > 0 && s.last > 0) optim_feed_copy(s.before, s.last, code, 1, start, status);
    }
    for (const Stretch& s : w.done)
        if (status >= 0 && s.before > 0 && s.last > 0) optim_air_link(s.before, s.last, 0, status);
    CMPBLK[CMP_CHANGED] = 1;
}

// The cutter of the current tool in slot 0.
void cutter_image(i32& status)
{
    f32 D = 0, R = 0, L = 0, T = 0;
    stk_tool_shape(CURTOL, D, R, L, T);
    stk_tool_image(0, D, R, L, T, status);
}

// Mode 5: the tool rows from `row` on whose tools were never needed.
void unneeded_rows(i32 row, i32 rows)
{
    for (i32 j = row; j < rows; ++j) {
        // An empty row names no tool: nothing to tell of it.
        if (CMPBLK[CMP_TOOLS + j - 1] <= 0) continue;
        char name[21];
        optim_tool_name(CMPBLK[CMP_TOOLS + j - 1], name);
        msg_mdlt(339, 148, name);
    }
}
}  // namespace

void optim_holder_stage(i32& status)
{
    status = 0;
    const i32 word = CMPBLK[CMP_HOLDER];
    i32 mode = word == 2 || word == 4 || word == 5 ? word : 3;
    // The tool rows are cleaned in every mode: rows whose tools left the
    // library or cut otherwise are gone before any mode reads them.
    optim_check_tools();
    if (mode == 5 && CMPBLK[CMP_TOOL_ROWS] <= 1) mode = 3;
    const i32 tool0 = CURTOL, feed0 = PRM9[0], spin0 = PRM9[7];
    // Passes: mode 4 the tool and its adapted copy; mode 5 the tool and
    // those of the rows (the last row is the empty one).
    // Mode 3 links the stretches over in one pass and stays mode 3: the user
    // asked for the stretches to be split off, not cut by further tools;
    // tool rows that are filled belong to mode 5, which the user chooses to
    // have them used.
    // A procedure holds ten tool rows: a count above that (a damaged block)
    // would take the words after the rows for tools and read past the
    // parameter block. The tool check above already drops the rows without
    // a tool from the count; this holds the passes to the rows whatever
    // the count says.
    const i32 passes = mode == 5 ? std::clamp(CMPBLK[CMP_TOOL_ROWS], 0, 10) : mode == 4 ? 2 : 1;
    i32 from = -1, pass = 0;
    for (; pass < passes && status == 0; ++pass) {
        f32 lengths[HD_MAXS], upper[HD_MAXS];
        i32 flag = 0;
        optim_holder_images(CURTOL, lengths, upper, flag, status);
        if (status == 0 && pass > 0) cutter_image(status);
        if (status != 0) break;
        const i32 N = holder_steps.n;  // at most the record's 12 (the images refuse more)
        f32 required[HOLDER_SECTIONS_MAX] = {0};
        Walk w;
        // The first walk leaves its contact pieces' feeds as they are (they
        // are machined by the next tool, or linked over); the walks of the
        // later passes reduce them by the pass code: 100 for the adapted
        // tool, the tool row of the pass in mode 5.
        const i32 pass_code = pass == 0 ? -1 : mode == 4 ? 100 : pass;
        if (N > 0) walk_pass(from, pass_code, upper, required, w, status);
        if (status != 0) break;
        if (mode == 2) {
            if (w.contact) report(required, lengths, N);
            break;
        }
        if (w.done.empty()) break;
        i32 next = -1, value = 0, code = 0;
        if (pass + 1 < passes) next_tool(mode, pass, required, N, spin0, next, value, code, status);
        if (status < 0) break;
        if (next < 1) {
            relink(w, mode, status);
            break;
        }
        hand_over(w, next, value, code, from, status);
    }
    if (mode == 5) unneeded_rows(pass + 1, passes);
    if (CURTOL != tool0) {
        // Back to the procedure's tool after the last pass, from above.
        i32 a = 0, st = 0, run[4] = {0, 0, 0, 0};
        optim_final_retract(1, run);
        lacces(3, a);
        PathEdit edit;
        edit.begin();
        optim_tool_change(tool0, spin0, st);
        edit.finish(st);
        cutter_image(st);
        if (status == 0) status = st < 0 ? st : 0;
    }
    PRM9[0] = feed0;
    PRM9[7] = spin0;
}
