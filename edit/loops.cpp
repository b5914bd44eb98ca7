#include "edit/loops.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/listdsp.h"
#include "blocks/modal.h"
#include "blocks/navig.h"
#include "blocks/readers.h"
#include "blocks/writers.h"
#include "core/codedio.h"
#include "core/seggeo.h"
#include "core/host.h"
#include "core/vec.h"
#include "edit/alter/search.h"
#include "edit/stepping.h"

namespace {
// List marks: the editor's position, the run's start, the range's end, the
// run's end.
constexpr i32 SLOT_EDITOR = 7, SLOT_RUN = 5, SLOT_END = 6, SLOT_RUNEND = 8;
constexpr f32 TWO_PI = 6.2831855f;

// The two in-plane co-ordinates and the third of an arc plane.
void plane_axes(i32 plane, int& a, int& b, int& c)
{
    a = plane == 3 ? 1 : 0;
    b = plane == 1 ? 1 : 2;
    c = plane == 1 ? 2 : plane == 2 ? 1 : 0;
}

bool is_line(i32 type) { return type == BT_LINE || type == BT_LINEN; }
bool is_arc(i32 type) { return type == BT_ARC || type == BT_ARCN; }

// Header and number of the block at the position.
bool head(i32& size, i32& type, i32& cls, i32& number)
{
    i32 st = 0;
    TPBLKH(AM_LIST, size, type, cls, st);
    if (st >= 0) tpget(AM_LIST, 1, DT_INT, &number, st);
    lclos();
    return st >= 0;
}
}  // namespace

void arc_sweep(i32 plane, const f32* centre, const f32* start, const f32* end, f32 sense, f32& sweep, i32& status)
{
    int a = 0, b = 1, c = 2;
    plane_axes(plane, a, b, c);
    const f32 u[2] = {start[a] - centre[0], start[b] - centre[1]};
    const f32 w[2] = {end[a] - centre[0], end[b] - centre[1]};
    const f32 lu = std::hypot(u[0], u[1]), lw = std::hypot(w[0], w[1]);
    status = lu > 0.0f && lw > 0.0f ? 0 : -1;
    if (status < 0) {
        sweep = 0.0f;
        return;
    }
    sweep = std::atan2(u[0] * w[1] - u[1] * w[0], u[0] * w[0] + u[1] * w[1]);
    // A crossing at the arc's very end leaves no arc: a sweep of about 0,
    // turned into the arc's sense, would be a whole circle.
    if (eqval0(sweep) != 0) {
        sweep = 0.0f;
        return;
    }
    // The short angle turns the wrong way when more than half a turn is
    // left of the arc: the arc keeps its sense.
    if (sense > 0.0f && sweep < 0.0f) sweep += TWO_PI;
    if (sense < 0.0f && sweep > 0.0f) sweep -= TWO_PI;
}

void ARC2PL(i32 first, i32 plane, f32 sweep, const f32* centre, const f32* start, const f32* end, const f32* svec,
            const f32* evec, f32 tol, i32 room, LoopPoint* out, i32& added, i32& status)
{
    added = 0;
    status = 0;
    int a = 0, b = 1, c = 2;
    plane_axes(plane, a, b, c);
    const f32 r = std::hypot(start[a] - centre[0], start[b] - centre[1]);
    f32 step = r > tol ? 2.0f * std::acos(1.0f - tol / r) : 0.0f;
    i32 n = 4;
    ARCSTP(sweep, step, n);
    if (n + first > room) {
        eroutc("ARC2PL, POLIGON BUFFER IS NOT BIG ENOUGH", 0);
        status = -1;
        return;
    }
    if (first != 0) {
        LoopPoint& q = out[added++];
        std::memcpy(q.p, start, sizeof q.p);
        std::memcpy(q.v, svec, sizeof q.v);
    }
    const f32 a0 = std::atan2(start[b] - centre[1], start[a] - centre[0]);
    // The third co-ordinate goes linearly from the start's to the end's and
    // the last point is the arc's end itself: a helical arc keeps its rise,
    // so the crossing heights on it are right and the polygon meets the next
    // block. The vectors blend from the start's to the end's, point k taking
    // k/n of the end's, so the last point carries the arc's end vector.
    for (i32 k = 1; k <= n; ++k) {
        LoopPoint& q = out[added++];
        const f32 t = static_cast<f32>(k) / static_cast<f32>(n);
        q.p[a] = centre[0] + r * std::cos(a0 + step * static_cast<f32>(k));
        q.p[b] = centre[1] + r * std::sin(a0 + step * static_cast<f32>(k));
        q.p[c] = start[c] + t * (end[c] - start[c]);
        if (k == n) std::memcpy(q.p, end, sizeof q.p);
        for (int j = 0; j < 3; ++j) q.v[j] = (1.0f - t) * svec[j] + t * evec[j];
        unit3f(q.v);
    }
}

namespace {
// The plane's working frame: origin o, rows of m (Z the normal).
struct Frame {
    f32 o[3], m[9];
    void to(const f32* p, f32* q, bool point) const
    {
        f32 d[3];
        for (int k = 0; k < 3; ++k) d[k] = point ? p[k] - o[k] : p[k];
        m3vec(m, d, q);
    }
    void back(const f32* q, f32* p, bool point) const
    {
        f32 t[9];
        m3tpos(m, t);
        m3vec(t, q, p);
        if (point)
            for (int k = 0; k < 3; ++k) p[k] += o[k];
    }
};

bool fit_plane(const LoopPoint* points, i32 n, Frame& f)
{
    std::vector<f64> xyz(static_cast<size_t>(3 * n));
    for (i32 i = 0; i < n; ++i)
        for (int k = 0; k < 3; ++k) xyz[static_cast<size_t>(3 * i + k)] = points[i].p[k];
    f64 pl[4];
    i32 st = 0;
    lsqrpl(n, xyz.data(), pl, st);
    if (st < 0) return false;
    const f32 P = static_cast<f32>(pl[0]), Q = static_cast<f32>(pl[1]), R = static_cast<f32>(pl[2]),
              S = static_cast<f32>(pl[3]);
    f32 o[3] = {0, 0, 0};
    if (eqval0(R) == 0) o[2] = -S / R;
    else if (eqval0(Q) == 0) o[1] = -S / Q;
    else o[0] = -S / P;
    const f32 top[3] = {o[0] + P, o[1] + Q, o[2] + R};
    zsys3(o, top, f.m, st);
    std::memcpy(f.o, o, sizeof o);
    return st >= 0;
}

// Height of the segment a-b at the plane point x, linear along it.
f32 height_at(const f32* a, const f32* b, const f32* x)
{
    const f32 l = dist_xy(a, b);
    const f32 t = l > 0.0f ? dist_xy(a, x) / l : 0.0f;
    return a[2] + t * (b[2] - a[2]);
}
}  // namespace

void find_loops(LoopPoint* points, i32 n, i32 maxloops, Loop* loops, i32& nloops, i32& status)
{
    nloops = 0;
    status = -1;
    if (n < 3) {
        userrc("THREE POINTS ARE REQUIRED TO DEFINE A PLANE", 0);
        return;
    }
    Frame f{};
    if (!fit_plane(points, n, f)) {
        userrc("THE STRING OF POINTS CANNOT DEFINE A PLANE", 0);
        return;
    }
    i32 saved = 0, view = 0;
    gsvnum(saved);
    wvsave();
    trchk(f.m, view);
    if (view > 0) {
        wvputc("WVPTR", static_cast<f32>(view));
        setwv(view);
    }
    std::vector<LoopPoint> q(points, points + n);
    for (LoopPoint& p : q) {
        f.to(p.p, p.p, true);
        f.to(p.v, p.v, false);
    }
    while (n >= 3 && eqpt2(q[static_cast<size_t>(n - 1)].p, q[static_cast<size_t>(n - 2)].p)) --n;
    for (i32 i = 1; n >= 3 && i <= n - 3 && nloops < maxloops; ++i) {
        const f32* a1 = q[static_cast<size_t>(i - 1)].p;
        const f32* a2 = q[static_cast<size_t>(i)].p;
        if (eqpt2(a1, a2)) continue;
        for (i32 j = i + 2; j <= n - 1; ++j) {
            const f32* b1 = q[static_cast<size_t>(j - 1)].p;
            const f32* b2 = q[static_cast<size_t>(j)].p;
            if (eqpt2(b1, b2)) continue;
            f32 x[3];
            i32 st = 0;
            int2l(a1, a2, b1, b2, x, st);
            if (st != 0) continue;
            // A closed path's first and last segments meet at its ends.
            if (i == 1 && j == n - 1 && (eqpt2(x, q[0].p) || eqpt2(x, q[static_cast<size_t>(n - 1)].p))) continue;
            Loop& l = loops[nloops++];
            l.number1 = q[static_cast<size_t>(i)].number;
            l.type1 = q[static_cast<size_t>(i)].type;
            l.number2 = q[static_cast<size_t>(j)].number;
            l.type2 = q[static_cast<size_t>(j)].type;
            const f32 la = dist_xy(a1, a2);
            const f32 w = la > 0.0f ? 1.0f - dist_xy(a1, x) / la : 1.0f;
            f32 v[3];
            for (int k = 0; k < 3; ++k)
                v[k] = w * q[static_cast<size_t>(i)].v[k] + (1.0f - w) * q[static_cast<size_t>(j - 1)].v[k];
            unit3f(v);
            x[2] = 0.5f * (height_at(a1, a2, x) + height_at(b1, b2, x));
            f.back(x, l.p, true);
            f.back(v, l.v, false);
            unit3f(l.v);
            i = j;  // the search goes on after the loop
            break;
        }
    }
    if (view > 0) setwv(saved);
    status = 0;
}

namespace {
// Shows the block at the position again (the blocks of the loop were taken
// off the display). The display reads the block from the list: a failure
// there is a list failure, after which the position cannot be trusted.
void redisplay(i32& status)
{
    if (status < 0) return;
    i32 flag = 0;
    DISPLB(1, flag, status);
}

// Rewrites the arc at the position from `from` to `to` (the other end kept
// when null) in its own sense, ending with to_vec when cut at `to`; the
// block keeps its number.
void cut_arc(i32 type, const f32* from, const f32* to, const f32* to_vec, i32& status)
{
    i32 number = 0, plane = 1;
    f32 angle = 0, step = 0, centre[3] = {0, 0, 0}, end[3], vec[3];
    i32 size = 0, t = 0, cls = 0;
    TPBLKH(AM_LIST, size, t, cls, status);
    if (status >= 0) RDBT3(AM_LIST, type, number, plane, angle, step, centre, end, vec, status);
    lclos();
    if (status < 0) return;
    f32 start[3], dir[3];
    i32 pn = -1;
    PRVPNT(0, start, dir, pn, status);
    if (status < 0) return;
    const f32* s = from ? from : start;
    const f32* e = to ? to : end;
    f32 sweep = 0.0f;
    i32 st = 0;
    arc_sweep(plane, centre, s, e, angle, sweep, st);
    TPDELB(1, status);
    if (status < 0) return;
    // An arc cut short ends at the crossing with the crossing's vector, as
    // the line to the crossing does.
    PTBT3(AM_LIST, type, plane, sweep, step, centre, e, to ? to_vec : vec, number, status);
}
}  // namespace

void trim_one_loop(const Loop& loop, i32* key, i32& changed, i32& status)
{
    status = 0;
    // Both crossings in one block is no loop of the path (an arc of less than
    // a whole turn cannot cross itself): nothing to take out.
    if (loop.number1 == loop.number2) return;
    bool inside = false;
    while (status >= 0) {
        i32 size = 0, type = 0, cls = 0, number = 0;
        if (!head(size, type, cls, number)) {
            status = -1;
            break;
        }
        if (cls == BC_MOVE && number == loop.number1) inside = true;
        if (inside && cls == BC_MOVE) {
            blkkey(key, number);
            ncd_delete_blocks(0, key);
            changed = 1;
            i32 answer = 0;
            lmark(1, SLOT_END, answer);
            if (number == loop.number2) {
                // An arc goes on from the crossing to its end; a line
                // already starts there.
                if (is_arc(type)) cut_arc(type, loop.p, nullptr, nullptr, status);
                break;
            }
            if (number == loop.number1 && is_arc(type)) {
                cut_arc(type, nullptr, loop.p, loop.v, status);
                lmark(1, SLOT_RUN, answer);
                redisplay(status);
            } else {
                TPDELB(1, status);
                if (status < 0) break;
                if (number == loop.number1) {
                    // The first crossing line now ends at the crossing.
                    // Only the upward axis is the plain line's; any other,
                    // (0, 0, -1) too, needs the line that carries it.
                    const bool vertical = eqval0(loop.v[0]) != 0 && eqval0(loop.v[1]) != 0 && loop.v[2] > 0.0f;
                    PTBT2(AM_LIST, vertical ? 2 : 222, loop.p, loop.v, loop.number1, status);
                    // The next loop is searched from here: the run's
                    // start may have been the block just replaced.
                    if (status >= 0) lmark(1, SLOT_RUN, answer);
                    // The display goes on from the new line: the second
                    // crossing block, which always follows it, is its next
                    // point.
                    i32 dst = 0;
                    if (status >= 0) ncd_set_block_position(loop.number1, 1, dst);
                    redisplay(status);
                }
            }
            // A block that could not be cut or written is a list error, not
            // lost under the next step's status.
            if (status < 0) break;
        }
        TPJUMP(1, status);
    }
    redisplay(status);
    if (status < 0) status = -3;
}

namespace {
enum class RunEnd { Range, Marker, Full, Refused, Error };

// The cursor forward onto the block of the number, from the position on.
bool find_forward(const i32 number)
{
    while (true) {
        i32 size = 0, type = 0, cls = 0, n = 0, st = 0;
        if (!head(size, type, cls, n)) return false;
        if (n == number) return true;
        TPJUMP(1, st);
        if (st < 0) return false;
    }
}

// Collects the points of one run from the position on: lines and arcs
// outside a marked section, until the range's end block, a closing marker
// or a full buffer. The position after each block is list mark 8, and
// last the number of that block.
RunEnd collect(i32* end, std::vector<LoopPoint>& pts, i32& last)
{
    bool section = false;
    while (true) {
        i32 size = 0, type = 0, cls = 0, number = 0, st = 0;
        if (!head(size, type, cls, number)) return RunEnd::Error;
        last = number;
        if (type == BT_MARKER) {
            i32 bn = 0, kind = 0, iv = 0;
            f32 rv = 0;
            TPBLKH(AM_LIST, size, type, cls, st);
            RDBHED(AM_LIST, bn, kind, rv, iv, st);
            lclos();
            if (st < 0) return RunEnd::Error;
            if (kind == 32 || kind == 6) section = true;
            if ((kind == 31 || kind == 5) && section) {
                i32 answer = 0;
                lmark(1, SLOT_RUNEND, answer);
                return number == end[2] ? RunEnd::Range : RunEnd::Marker;
            }
        } else if (cls == BC_MOVE && !section) {
            LoopPoint q{};
            q.type = type;
            q.number = number;
            TPBLKH(AM_LIST, size, type, cls, st);
            if (st < 0) {
                lclos();
                return RunEnd::Error;
            }
            if (is_line(type)) {
                i32 records = 0, n = 0;
                RDBT2(AM_LIST, type, size, records, n, q.p, q.v, st);
                lclos();
                if (st < 0) return RunEnd::Error;
                pts.push_back(q);
            } else if (is_arc(type)) {
                i32 plane = 1;
                f32 angle = 0, step = 0, centre[3] = {0, 0, 0}, e[3], v[3];
                RDBT3(AM_LIST, type, q.number, plane, angle, step, centre, e, v, st);
                lclos();
                if (st < 0) return RunEnd::Error;
                std::vector<LoopPoint> arc(LOOP_POINTS);
                i32 added = 0;
                const LoopPoint& last = pts.back();
                ARC2PL(0, plane, angle, centre, last.p, e, last.v, v, 0.01f,
                       LOOP_POINTS - static_cast<i32>(pts.size()), arc.data(), added, st);
                if (st < 0) return RunEnd::Error;
                for (i32 k = 0; k < added; ++k) {
                    arc[static_cast<size_t>(k)].type = type;
                    arc[static_cast<size_t>(k)].number = number;
                    pts.push_back(arc[static_cast<size_t>(k)]);
                }
            } else {
                lclos();
                userrc("TRIMMING LOOPS CAN ONLY WORK ON :|LINEAR OR CIRCULAR MOTION BLOCKS", 0);
                return RunEnd::Refused;
            }
        }
        i32 answer = 0;
        lmark(1, SLOT_RUNEND, answer);
        if (number == end[2]) return RunEnd::Range;
        if (static_cast<i32>(pts.size()) >= LOOP_POINTS) {
            end[2] = number;
            user1c("NUMBER OF POINTS THAT CAN BE TAKEN AT A TIME IS LIMITTED TO", LOOP_POINTS);
            return RunEnd::Full;
        }
        // The range's end block ends the walk; a list that cannot step on
        // before it has failed.
        TPJUMP(1, st);
        if (st < 0) return RunEnd::Error;
    }
}
}  // namespace

void EDTLOP(i32* start, i32* end, i32& type, i32& changed, i32& request, i32& status)
{
    changed = request = status = 0;
    if (start[2] == -1 || end[2] == -1 || start[2] == end[2]) return;
    auto list_error = [&]() {
        eroutc("EDTLOP, ERRORS IN LIST", 0);
        status = -3;
        if (changed == 0) request = 0;
    };
    i32 st = 0, inmarker = 0, prevblock = -1;
    f32 prev[3], pdir[3];
    TPTOP(SLOT_EDITOR, st);
    FNDRNG(SLOT_RUN, SLOT_END, start, end, 0, inmarker, prevblock, prev, pdir, st);
    if (st < 0) return list_error();
    ncd_set_blocks_attention(-1, start, end, 1);
    i32 reply = -3;
    while (reply == -3) irepyc("OK TO TRIM ?", reply);
    ncd_set_blocks_attention(-1, start, end, 0);
    if (reply != 1) {
        TPTOP(SLOT_END, st);
        if (reply == 0 || reply == -2) status = -2;
        return;
    }
    TPTOP(SLOT_RUN, st);
    if (st < 0) return list_error();
    while (true) {
        std::vector<LoopPoint> pts;
        LoopPoint first{};
        std::memcpy(first.p, prev, sizeof prev);
        std::memcpy(first.v, pdir, sizeof pdir);
        first.number = prevblock;
        pts.push_back(first);
        i32 last = -1;
        const RunEnd how = collect(end, pts, last);
        if (how == RunEnd::Error) return list_error();
        if (how == RunEnd::Refused) {
            TPTOP(SLOT_EDITOR, st);
            status = 0;
            break;
        }
        // Fewer than three points make no loop (and no plane to look in).
        if (pts.size() >= 3) {
            Loop loops[LOOP_MAX];
            i32 nloops = 0;
            find_loops(pts.data(), static_cast<i32>(pts.size()), LOOP_MAX, loops, nloops, st);
            if (st < 0) return list_error();
            i32 key[KEY_N];
            for (i32 k = 0; k < nloops; ++k) {
                TPTOP(SLOT_RUN, st);
                if (st >= 0) trim_one_loop(loops[k], key, changed, st);
                if (st < 0) return list_error();
            }
        }
        TPTOP(SLOT_RUNEND, st);
        // A second crossing arc that ended the run was written again and
        // took its mark with it: the run's end is found again by its
        // number, from the run's start.
        if (st < 0) {
            TPTOP(SLOT_RUN, st);
            if (st >= 0 && !find_forward(last)) st = -1;
            i32 answer = 0;
            if (st >= 0) lmark(1, SLOT_RUNEND, answer);
        }
        if (st >= 0 && how != RunEnd::Marker) UPDBOT(st);
        if (st < 0) return list_error();
        if (how != RunEnd::Marker) {
            // A range that ends the list has no motion to step to: that is
            // no list error, and the block stays marked where it is.
            i32 key[KEY_N];
            blkkey(key, -1);
            MRKSTP(1, key, type, st);
            status = 0;
            break;
        }
        i32 answer = 0;
        lmark(1, SLOT_RUN, answer);
        i32 size = 0, t = 0, cls = 0;
        if (answer < 1 || !head(size, t, cls, start[2])) return list_error();
        PRVPNT(0, prev, pdir, prevblock, st);
        if (st < 0) return list_error();
    }
    if (changed == 0) request = 0;
}
