#include "stock/optholder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/readers.h"
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

// The current section image at the fraction t of the lifted move: clear
// when it finds no stock there.
bool clear_at(const f32* Q, const f32* P, f64 t)
{
    f32 pt[3], md = 0, sd = 0;
    optim_lerp3(Q, P, static_cast<f32>(t), pt);
    stk_tool_at(0, pt, 0, md, sd);
    return eqval0(md) != 0;
}

// Bisection between a clear fraction and a contact fraction: the clear end
// of the last bracket (at most 10 halvings, down to one cell along the
// move, so that with the rounding to samples the border stays within three
// cells of the contact).
f64 border(const f32* Q, const f32* P, f64 clear, f64 contact, f64 L)
{
    const f64 stop = stk_grid.cell / std::max(L, 1e-9);
    for (i32 k = 0; k < 10 && std::fabs(contact - clear) >= stop; ++k) {
        const f64 m = 0.5 * (clear + contact);
        (clear_at(Q, P, m) ? clear : contact) = m;
    }
    return clear;
}

// The contact flags of the current section along the lifted move Q to P
// (S steps), each run's borders refined and the samples up to them flagged.
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
            const f64 hi = std::min(1.0, f64(b + 1 + (7 * whole) / 8) / S);
            const f64 x = border(Q, P, hi, f64(b) / S, L);
            const f64 at = x * S;
            i32 end = static_cast<i32>(at) + (at - std::floor(at) > 0.0 ? 1 : 0);
            for (i32 k = b + 1; k <= std::min(end, S); ++k) out[k] = 1;
        }
        a = b + 1;
    }
    f.swap(out);
}

// Clear gaps between contact runs shorter than 1.5 D along the move are
// flagged as contact; a leading gap counts the free length before it.
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

// Depth of the current section image at a point lifted by `lift`.
f32 depth_at(const f32* p, f32 lift)
{
    f32 q[3] = {p[0], p[1], p[2] + lift}, md = 0, sd = 0;
    stk_tool_at(0, q, 0, md, sd);
    return md;
}
}  // namespace

void optim_lerp3(const f32* A, const f32* B, const f32& t, f32* out)
{
    for (int c = 0; c < 3; ++c) out[c] = A[c] + (B[c] - A[c]) * t;
}

i32 optim_holder_line_check(const f32* Q, const f32* P, const f32* widths, const f32& free_before, f32* required,
                            std::vector<char>& mask, i32& steps, i32& status)
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
    const bool vertical = (std::fabs(P[0] - Q[0]) <= cell && std::fabs(P[1] - Q[1]) <= cell) ||
                          std::atan2(std::fabs(f64(P[2]) - Q[2]), f64(h)) * 180.0 / M_PI >= 89.5;
    bool any = false;
    for (i32 i = 0; i < N; ++i) {
        stk_image_select(i + 1, status);
        if (status != 0) return 0;
        const f32 lift = holder_steps.z[i] - s;
        if (vertical) {
            // Measured at the end, and at the start of a move up.
            f32 d = depth_at(P, lift);
            if (P[2] > Q[2]) d = std::max(d, depth_at(Q, lift));
            required[i] = std::max(required[i], d);
            if (gtval(d, 0.0f) != 0) any = true, mask[0] = 1;
            continue;
        }
        const f32 q[3] = {Q[0], Q[1], Q[2] + lift}, p[3] = {P[0], P[1], P[2] + lift};
        f32 md = 0, ed = 0, v = 0, ev = 0, pt[3], len = 0;
        stk_move(0, 2, q, p, 0, md, ed, v, ev, pt, len, status);
        if (status < 0) return 0;
        const i32 S = std::max(1, std::min(stk_sweep.steps, STK_STEPS_MAX));
        if (steps == 0) steps = S, mask.assign(static_cast<size_t>(S) + 1, 0);
        std::vector<char> f(stk_sweep.flags, stk_sweep.flags + std::min(S, steps) + 1);
        f.resize(static_cast<size_t>(steps) + 1, 0);
        if (!(md > 0.0f)) continue;
        any = true;
        required[i] = std::max(required[i], md);
        refine(q, p, steps, widths[i], h / steps, L, f);
        for (i32 k = 0; k <= steps; ++k) mask[k] = mask[k] || f[k];
    }
    i32 st = 0;
    stk_image_select(0, st);
    if (any && steps > 0) close_gaps(mask, steps, L / steps, D, free_before);
    return any ? 1 : 0;
}

namespace {
// A stretch of contact pieces: the move before it and its last piece.
struct Stretch {
    i32 before = -1, last = -1;
};

// What the walk of the stage keeps.
struct Walk {
    f32 point[3] = {0, 0, 0};
    bool known = false;
    i32 prev = -1;        // the last move walked (or piece written)
    f32 free = 0;         // clear length since the last contact
    bool open = false;    // a stretch is open
    Stretch cur;
    std::vector<Stretch> done;
    bool contact = false;  // any section came too close
};

void stamp(const f32* a, const f32* b, i32 move, i32& status)
{
    f32 md = 0, ed = 0, v = 0, ev = 0, q[3], len = 0;
    stk_image_select(0, status);
    if (status == 0) stk_move(1, 0, a, b, move, md, ed, v, ev, q, len, status);
}

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

// A line Q to P (block `number`): checked, cut at the contact borders in
// modes 3 to 5, each piece stamped with the cutter.
void holder_line(Walk& w, i32 number, f32 feed, f32* P, const f32* widths, f32* required, i32 mode, i32& status)
{
    std::vector<char> mask;
    i32 steps = 0;
    const bool contact = optim_holder_line_check(w.point, P, widths, w.free, required, mask, steps, status) != 0;
    if (status < 0) return;
    w.contact = w.contact || contact;
    if (mode == 2 || !contact || steps < 1) {
        // Outside mode 2 the tool leaves a contact piece: it is not stamped.
        if (mode == 2 || !contact) stamp(w.point, P, number, status);
        piece(w, number, contact, len3(w.point, P));
        return;
    }
    // Cut at every change of the mask, piece by piece from the start.
    const f32 end[3] = {P[0], P[1], P[2]};
    f32 Q[3] = {w.point[0], w.point[1], w.point[2]};
    i32 at = number;
    i32 k = 1;
    while (status >= 0) {
        i32 t = k;
        while (t <= steps && mask[t] == mask[k - 1]) ++t;
        const bool last = t > steps;
        f32 X[3] = {end[0], end[1], end[2]};
        if (!last) optim_lerp3(w.point, end, f32(t) / f32(steps), X);
        f32 B[3] = {end[0], end[1], end[2]};
        if (!last && eqpt3(X, Q) == 0 && eqpt3(X, end) == 0) {
            optim_scan_feed = feed;
            optim_split_line(Q, B, Q, X, at, status);
            if (status < 0) return;
        }
        if (mask[k - 1] == 0) stamp(Q, X, at, status);
        piece(w, at, mask[k - 1] != 0, len3(Q, X));
        if (last) break;
        std::copy(X, X + 3, Q);
        // On to the rest of the line, the piece after the one written.
        i32 st = 0, type = 0, size = 0, tc = 0;
        f32 f = 0;
        TPJUMP(1, st);
        find_move(MV_LIST, 1, at, type, size, f, tc, st);
        if (st < 0) return;
        k = t + 1;
    }
}

// A stretch of samples of one state along an arc or a curve: from and to
// as path lengths from the move's start, contact when a section came too
// close there.
struct Span {
    f32 from, to;
    bool contact;
};

void add_span(std::vector<Span>& sp, f32 from, f32 to, bool contact)
{
    if (!sp.empty() && sp.back().contact == contact)
        sp.back().to = to;
    else
        sp.push_back(Span{from, to, contact});
}

// The chords of an arc or a curve from the walk point checked for every
// section (the required lengths raised): the spans of contact and clear
// samples along the move. contact: any section came too close.
std::vector<Span> chord_spans(const Walk& w, const std::vector<f32>& pts, const f32* widths, f32* required,
                              bool& contact, i32& status)
{
    std::vector<Span> sp;
    f32 Q[3] = {w.point[0], w.point[1], w.point[2]}, s = 0;
    contact = false;
    for (size_t k = 0; k + 2 < pts.size() && status >= 0; k += 3) {
        const f32* E = pts.data() + k;
        // The clear length before the chord closes a short leading gap.
        const f32 free = sp.empty() ? w.free : !sp.back().contact ? sp.back().to - sp.back().from : 0.0f;
        std::vector<char> mask;
        i32 steps = 0;
        const bool c = optim_holder_line_check(Q, E, widths, free, required, mask, steps, status) != 0;
        const f32 L = len3(Q, E);
        contact = contact || c;
        if (!c || steps < 1) {
            add_span(sp, s, s + L, c && mask[0] != 0);
        } else {
            i32 from = 0;
            for (i32 t = 1; t <= steps; ++t)
                if (t == steps || mask[t] != mask[from]) {
                    const i32 to = mask[t] != mask[from] ? t : steps;
                    add_span(sp, s + L * f32(from) / f32(steps), s + L * f32(to) / f32(steps), mask[from] != 0);
                    if (to < steps) from = to;
                }
        }
        s += L;
        std::copy(E, E + 3, Q);
    }
    return sp;
}

// Where an arc or a curve is cut (path length), -1 when nowhere: its first
// border between a contact span and a clear one, not within a cell of
// either end. A curve is cut at every border; an arc only beside a clear
// span longer than 2 D (the span at its start counting the free length
// before it), shorter gaps machined with the contact.
f32 first_border(const std::vector<Span>& sp, bool arc, f32 free_before, f32 D)
{
    if (sp.empty()) return -1.0f;
    const f32 cell = stk_grid.cell, total = sp.back().to;
    for (size_t k = 0; k + 1 < sp.size(); ++k) {
        const f32 at = sp[k].to;
        if (at < cell || at > total - cell) continue;
        if (!arc) return at;
        const Span& clear = sp[k].contact ? sp[k + 1] : sp[k];
        const f32 len = clear.to - clear.from + (k == 0 && !sp[0].contact ? free_before : 0.0f);
        if (len > 2.0f * D) return at;
    }
    return -1.0f;
}

// An arc or a NURBS move at the cursor: what the holder walk reads of it.
struct Bent {
    bool arc = false;
    i32 plane = 0;
    f32 angle = 0, centre[2] = {0, 0};
    NurbsMove c;
    i32 curve = 0;  // the host curve of a NURBS move (0 none)
};

// Cuts the arc or curve `number` at path length `at` along its chords
// (pts from the walk point, P its end); the cursor stays before the first
// piece. false when the move stays whole (a curve point at its end).
bool cut_bent(const Walk& w, i32 number, const Bent& b, const std::vector<f32>& pts, f32 at, f32* P, i32& status)
{
    f32 X[3];
    const f64 pos = poly_point_at(w.point, pts, at, X);
    if (b.arc) {
        const f32 a1 = static_cast<f32>(f64(b.angle) * pos / f64(pts.size() / 3));
        f32 A[3];
        arc_point_at(w.point, b.plane, b.centre, P, a1, A);
        i32 piece = number, piece2 = 0, st = 0;
        goto_block(-1, number, status);
        if (status >= 0) TPJUMP(-1, st);
        if (status >= 0 && st == 0) optim_split_arc(w.point, P, A, P, a1, b.angle - a1, piece, piece2, status);
        if (st != 0) status = -1;
        return status >= 0;
    }
    f64 t = 0, cut[3];
    crv_nearest(b.curve, X, t, cut, status);
    i32 block = number;
    return status >= 0 && crv_cut_at(b.c, t, cut, w.point, block, status) == 1;
}

// An arc or a curve: measured chord by chord for every section. Outside
// mode 2 it is cut at its first border that counts (true: the walk reads
// the first piece next); else walked as one piece, stamped with the cutter
// unless a section came too close outside mode 2 (the tool leaves it).
bool holder_bent(Walk& w, i32 number, const Bent& b, const std::vector<f32>& pts, f32* P, const f32* widths,
                 f32* required, i32 mode, i32& status)
{
    bool contact = false;
    std::vector<Span> sp = chord_spans(w, pts, widths, required, contact, status);
    if (status < 0) return false;
    // A contact span within a cell of an end (where a piece was cut at a
    // border, rounded to samples) counts as clear.
    const f32 cell = stk_grid.cell;
    if (sp.size() > 1 && sp.front().contact && sp.front().to - sp.front().from < cell) sp.front().contact = false;
    if (sp.size() > 1 && sp.back().contact && sp.back().to - sp.back().from < cell) sp.back().contact = false;
    contact = false;
    for (const Span& x : sp) contact = contact || x.contact;
    w.contact = w.contact || contact;
    f32 D = 0;
    GTDIAM(CURTOL, D);
    const f32 at = mode == 2 || !contact ? -1.0f : first_border(sp, b.arc, w.free, D);
    if (at > 0.0f && (b.arc || b.curve != 0) && cut_bent(w, number, b, pts, at, P, status)) return true;
    if (status < 0) return false;
    f32 Q[3] = {w.point[0], w.point[1], w.point[2]}, length = 0;
    for (size_t k = 0; k + 2 < pts.size() && status >= 0; k += 3) {
        if (mode == 2 || !contact) stamp(Q, pts.data() + k, number, status);
        length += len3(Q, pts.data() + k);
        std::copy(pts.data() + k, pts.data() + k + 3, Q);
    }
    piece(w, number, contact, length);
    return false;
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

// Reads and walks the move find_move found; true when it was cut and the
// walk reads its first piece next.
bool walk_move(Walk& w, i32 number, i32 type, i32 size, f32 feed, const f32* widths, f32* required, i32 mode,
               i32& status)
{
    f32 P[3];
    if (feed < 0.0f || !w.known) {
        move_end_point(P, status);
        if (status >= 0) piece(w, number, false, w.known ? len3(w.point, P) : 0.0f);
    } else if (mv_line(type)) {
        move_end_point(P, status);
        if (status >= 0 && eqpt3(P, w.point) == 0) holder_line(w, number, feed, P, widths, required, mode, status);
    } else if (mv_arc(type) || mv_nurbs(type)) {
        Bent b;
        std::vector<f32> pts;
        b.arc = mv_arc(type);
        if (b.arc)
            arc_chords(type, w.point, pts, P, b.plane, b.angle, status, b.centre);
        else
            b.curve = nurbs_move_open(size, b.c, pts, P, status);
        const bool cut = status >= 0 && !pts.empty() &&
                         holder_bent(w, number, b, pts, P, widths, required, mode, status);
        if (b.curve != 0) evbfre(b.curve);
        if (cut || pts.empty()) return cut;
    } else {
        return false;
    }
    if (status >= 0) std::copy(P, P + 3, w.point), w.known = true;
    return false;
}
}  // namespace

namespace {
// Walks the moves after block `from` (-1: the whole list) with the holder of
// the current tool, its images built: every move checked and stamped with
// the cutter, cut at the contact borders outside mode 2.
void walk_pass(i32 from, const f32* widths, f32* required, i32 mode, Walk& w, i32& status)
{
    i32 a = 0, counter = 0, st = 0;
    lacces(2, a);
    if (from > 0) {
        // The cutter stands at the end of block `from`.
        goto_block(1, from, status);
        if (status >= 0) move_end_point(w.point, status);
        if (status < 0) return;
        w.known = true;
        w.prev = from;
        TPJUMP(1, st);
        if (st != 0) return;
    }
    f32 last_feed = -1.0f;
    while (true) {
        if (optim_progress(1, counter, 25) != 0) {
            status = 1000;
            return;
        }
        i32 number = 0, type = 0, size = 0, tc = 0;
        f32 feed = 0;
        find_move(MV_LIST, 1, number, type, size, feed, tc, st);
        if (st < 0) break;
        if (move_feed_read == 0) feed = last_feed;  // no feed of its own
        last_feed = feed;
        if (mv_string(type)) {
            BRKSTR(1, status);
            if (status < 0) return;
            continue;
        }
        const bool cut = walk_move(w, number, type, size, feed, widths, required, mode, status);
        if (status < 0) return;
        if (cut) continue;
        TPJUMP(1, st);
        if (st != 0) break;
    }
    if (w.open) w.done.push_back(w.cur), w.open = false;
}

// The contact stretches rebuilt as links over the stock: the tool leaves
// them uncut.
void relink(const Walk& w, i32& status)
{
    for (const Stretch& s : w.done) {
        if (s.before > 0 && s.last > 0) optim_air_link(s.before, s.last, 0, status);
        if (status < 0) return;
        CMPBLK[CMP_CHANGED] = 1;
    }
    if (!w.done.empty()) msg_mdls(339, 100);
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
    if (mode == 5) optim_check_tools();
    if (mode == 5 && CMPBLK[CMP_TOOL_ROWS] <= 1) mode = 3;
    const i32 tool0 = CURTOL, feed0 = PRM9[0], spin0 = PRM9[7];
    // Passes: mode 4 the tool and its adapted copy; mode 5 the tool and
    // those of the rows (the last row is the empty one).
    const i32 passes = mode == 5 ? CMPBLK[CMP_TOOL_ROWS] : mode == 4 ? 2 : 1;
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
        if (N > 0) walk_pass(from, upper, required, mode, w, status);
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
            relink(w, status);
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
