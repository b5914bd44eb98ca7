#include "edit/alter/walk.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/movement.h"
#include "blocks/navig.h"
#include "blocks/readers.h"
#include "blocks/tech.h"
#include "core/host.h"
#include "edit/alter/motion.h"
#include "edit/alter/project.h"
#include "edit/alter/search.h"
#include "edit/alter/state.h"
#include "edit/alter/zmove.h"
#include "edit/stepping.h"
#include "stock/crvtrim.h"

namespace {
constexpr f64 TOL = 0.0006;
constexpr i32 MAXCROSS = 100;
constexpr i32 ARC_STEPS = 10;  // an arc's sweep is divided into ten
constexpr f32 TWO_PI = 6.2831855f;

void copy3(f32* to, const f32* from) { std::copy(from, from + 3, to); }
bool is_line(i32 t) { return t == 2 || t == 22 || t == 222; }
bool is_arc(i32 t) { return t == 3 || t == 23 || t == 223; }
bool is_nurbs(i32 t) { return t == 5 || t == 25 || t == 225; }
bool is_string(i32 t) { return t == 7 || t == 27 || t == 227; }
bool fast(f32 f) { return f == -1.0f || f <= -2.0f; }
f32 dist2(const f32* a, const f32* b)
{
    return (a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]);
}

// The contour lies in its own plane: the points are carried into it.
bool in_plane() { return trim_state.mode == SEL_PLANE && trim_state.inplane != 0; }

// A point of the tool path in the contour's plane (x, y there).
void to_plane(const f32* p, f64* q)
{
    if (!in_plane()) {
        q[0] = p[0];
        q[1] = p[1];
        return;
    }
    const f64* m = trim_state.plane;
    for (int r = 0; r < 2; ++r) q[r] = m[4 * r] * p[0] + m[4 * r + 1] * p[1] + m[4 * r + 2] * p[2] + m[4 * r + 3];
}

// One crossing of the motion with the polygon.
struct Cross {
    f32 p[3];   // the crossing, its height on the motion
    i32 mseg;   // motion segment (from 1)
    f64 mfrac;
    i32 pseg;   // polygon segment (from 1)
    f64 pfrac;
};

std::vector<Cross> crossings(const std::vector<f32>& pts, i32& status)
{
    const TrimState& t = trim_state;
    const i32 k = static_cast<i32>(pts.size() / 3);
    std::vector<f64> xy(static_cast<size_t>(2 * k));
    for (i32 i = 0; i < k; ++i) to_plane(&pts[static_cast<size_t>(3 * i)], &xy[static_cast<size_t>(2 * i)]);
    f64 at[2 * MAXCROSS], fr[2 * MAXCROSS];
    i32 sg[2 * MAXCROSS], count = 0;
    ind2po(k, xy.data(), t.npoly, t.polygon.data(), MAXCROSS, count, at, fr, sg, status);
    std::vector<Cross> out;
    for (i32 c = 0; c < count && status >= 0; ++c) {
        const i32 s = sg[2 * c];
        const f32* a = &pts[static_cast<size_t>(3 * (s - 1))];
        const f32* b = a + 3;
        Cross x{};
        for (int j = 0; j < 3; ++j) x.p[j] = static_cast<f32>(a[j] + fr[2 * c] * (static_cast<f64>(b[j]) - a[j]));
        if (!in_plane()) {
            x.p[0] = static_cast<f32>(at[2 * c]);
            x.p[1] = static_cast<f32>(at[2 * c + 1]);
        }
        x.mseg = s;
        x.mfrac = fr[2 * c];
        x.pseg = sg[2 * c + 1];
        x.pfrac = fr[2 * c + 1];
        out.push_back(x);
    }
    return out;
}

// Steps over the motion: the cursor to the next element; -2 at the end of
// the list, -1 when the list cannot be read. The list error keeps a status
// of its own: ALTERATIONS takes -2 for the procedure's end and would finish
// its walk over a list it could not read as if it were complete.
void pass(i32& status)
{
    i32 answer = 0;
    lacces(1, answer);
    status = answer >= 1 ? 0 : answer == -2 ? -1 : -2;
}

// After a motion reader found no motion: -2 when the list is readable (its
// end was met), -1 when the list itself answers an error. The reader gives
// one answer for both, so the list is asked where its cursor stands.
i32 end_or_error()
{
    i32 answer = 0;
    lacces(0, answer);
    return answer == -2 ? -1 : -2;
}

// Steps back over one motion: the cursor on the motion before; its end
// point and normal. The feed in force is kept.
void back_over_motion(f32* point, f32* normal, i32& status)
{
    const f32 feed = EDTFED;
    i32 answer = 0, number = 0, type = 0;
    lacces(-1, answer);
    next_motion(-1, number, type, point, normal, status);
    EDTFED = feed;
}

// Sets the list mark on the element before the cursor.
void mark_before(i32 slot)
{
    i32 answer = 0;
    lacces(-1, answer);
    lmark(1, slot, answer);
    lacces(1, answer);
}

bool chosen(i32 side, i32 inside_side, bool on_counts_inside)
{
    const bool in = side == 1 || (side == 2 && on_counts_inside);
    return (in && inside_side == 1) || (!in && inside_side == 0);
}

// The host's dynamic array of the resampled points (50 entries of three
// floats), closed on every way out.
struct Scratch {
    i32 capacity = 50;
    bool open(i32& status)
    {
        void* base = nullptr;
        MM_OPEN_ARRAY(12, capacity, trim_state.arrays[TA_SCRATCH], base, status);
        if (status >= 0 && base != nullptr) return true;
        eroutc("get_next_movment, DYNAMIC MEMORY PROBLEM, CHECK DISK SPACE", 0);
        if (status >= 0) status = -1;
        return false;
    }
    ~Scratch()
    {
        i32 st = 0;
        if (trim_state.arrays[TA_SCRATCH] >= 0) MM_CLOSE(trim_state.arrays[TA_SCRATCH], st);
    }
};

// The motion under the cursor resampled from its start, in ten steps of an
// arc's sweep; empty when the block gives no points.
std::vector<f32> resample(Scratch& s, const f32* start, const f32* snormal, i32& status)
{
    f32 end[3], vec[3], radius = 0, centre[2];
    i32 count = 0, plane = 0;
    f32* p = block_to_points(end, vec, start, snormal, trim_state.arrays[TA_SCRATCH], s.capacity, ARC_STEPS, count,
                             plane, radius, centre, status);
    if (p == nullptr) return {};
    std::vector<f32> out(p, p + 3 * count);
    DM_FREE(p, count * 12);
    return out;
}

// What one call of the walk works with and hands back.
struct Step {
    f32* point;
    f32* prev_point;
    f32* normal;
    f32* prev_normal;
    i32 inside_side;
    i32& cut_block;
    i32& before_in;
    i32& after_in;
    i32& type;
    i32& region_block;
    i32& contour_seg;
    f64& contour_frac;
    i32& dim_kind;
    i32& status;
    i32 number = 0;             // the motion's block number
    std::vector<f32> pts;       // its points from its start
};

// The test point before the crossing: the middle of the way from the
// motion's start, or on an arc or NURBS the point that begins the crossing's
// segment when that lies nearer to the start. The start itself is never
// taken: it may lie on the contour, where it tells no side.
i32 side_before(const Step& s, const Cross& q)
{
    f32 m[3];
    for (int k = 0; k < 3; ++k) m[k] = (s.prev_point[k] + q.p[k]) * 0.5f;
    if (is_arc(s.type) || is_nurbs(s.type)) {
        const f32* b = &s.pts[static_cast<size_t>(3 * (q.mseg - 1))];
        if (points_differ(b, s.prev_point) != 0 && ltval(dist2(b, s.prev_point), dist2(m, s.prev_point)) != 0)
            copy3(m, b);
    }
    return contour_side(m);
}

// The test point after the crossing: the middle of the way to the next
// crossing (or the motion's end), or on an arc or NURBS the first point
// after the crossing when that lies nearer to it.
i32 side_after(const Step& s, const Cross& q, const f32* next)
{
    f32 m[3];
    for (int k = 0; k < 3; ++k) m[k] = (q.p[k] + next[k]) * 0.5f;
    if (is_arc(s.type) || is_nurbs(s.type)) {
        const size_t n = s.pts.size() / 3;
        for (size_t i = static_cast<size_t>(q.mseg); i < n; ++i) {
            const f32* b = &s.pts[3 * i];
            if (points_differ(b, q.p) == 0) continue;
            if (ltval(dist2(b, q.p), dist2(m, q.p)) != 0) copy3(m, b);
            break;
        }
    }
    return contour_side(m);
}

// The answer of a motion that follows one on the contour: 1 inside, 2 on
// it, 3 outside; on_run is set while the motion runs on along the contour.
i32 along_test(i32 type, const f32* start, const f32* snormal, const f32* end, Scratch& scratch, bool& on_run,
               i32& status)
{
    on_run = false;
    if (is_line(type)) {
        f32 p[3];
        for (int k = 0; k < 3; ++k) p[k] = start[k] + 0.1f * (end[k] - start[k]);
        const i32 side = contour_side(p);
        if (side != 2) return side;
        on_run = contour_side(end) == 2;
        return 2;
    }
    if (is_arc(type)) {
        i32 size = 0, t = 0, cls = 0, number = 0, plane = 0;
        f32 angle = 0, step = 0, centre[2], e[3], v[3];
        TPBLKH(AM_LIST, size, t, cls, status);
        if (status >= 0) RDBT3(AM_LIST, t, number, plane, angle, step, centre, e, v, status);
        lclos();
        if (status < 0) return 3;
        status = 0;
        // The start turned about the centre by the arc's step, in its plane;
        // for an arc in XZ or YZ the turned point's own x and y are tested,
        // as every other point of the walk is. The step is stored as a size
        // (from an arccos), not with the arc's sense of turning: turned by
        // it as stored, a clockwise arc's test point would lie off the arc,
        // behind its start. Its size with the sweep's sign is the arc's own
        // first step, whichever way the arc turns.
        const int a = plane == 3 ? 1 : 0, b = plane == 1 ? 1 : 2;
        const f32 w = std::copysign(std::fabs(step), angle), da = start[a] - centre[0], db = start[b] - centre[1];
        f32 p[3];
        copy3(p, start);
        p[a] = centre[0] + da * std::cos(w) - db * std::sin(w);
        p[b] = centre[1] + da * std::sin(w) + db * std::cos(w);
        const i32 side = contour_side(p);
        on_run = side == 2;
        return side;
    }
    // A curve is tested on its resampled points, held in the scratch array
    // and a vector: no second host array or curve record is opened.
    if (is_nurbs(type)) {
        const std::vector<f32> pts = resample(scratch, start, snormal, status);
        if (status < 0) return 3;
        for (size_t i = 0; i < pts.size(); i += 3) {
            const i32 side = contour_side(&pts[i]);
            if (side != 2) return side;
        }
        on_run = true;
        return 2;
    }
    if (is_string(type)) {
        BRKSTR(1, status);
        on_run = status >= 0;
        return 2;
    }
    return 3;
}

// The place on the contour of the first crossing of the chord from the
// motion's start to the point, when it has one.
void chord_crossing(Step& s, const f32* to)
{
    const std::vector<f32> chord = {s.prev_point[0], s.prev_point[1], s.prev_point[2], to[0], to[1], to[2]};
    const std::vector<Cross> cx = crossings(chord, s.status);
    if (cx.empty()) return;
    s.contour_seg = cx.front().pseg;
    s.contour_frac = cx.front().pfrac;
}

// The motion after the crossing runs along the contour: the motions that
// follow are passed while they stay on it, and the first that leaves it
// decides the side after.
void on_contour_run(Step& s, Scratch& scratch)
{
    TrimState& t = trim_state;
    i32& status = s.status;
    if (is_string(s.type)) {
        BRKSTR(1, status);
        if (status >= 0) next_motion(1, s.number, s.type, s.point, s.normal, status);
        if (status < 0) return;
    }
    i32 passed = 0, before = s.number, answer = 3;
    for (bool on_run = true; on_run;) {
        pass(status);
        if (status < 0) return;
        copy3(s.prev_point, s.point);
        copy3(s.prev_normal, s.normal);
        i32 number = 0, type = 0;
        next_motion(1, number, type, s.point, s.normal, status);
        if (status < 0) {
            status = end_or_error();
            return;
        }
        if (++passed == 1) {
            s.region_block = number;
            copy3(t.region, s.prev_point);
            mark_before(11);
        }
        answer = along_test(type, s.prev_point, s.prev_normal, s.point, scratch, on_run, status);
        if (status < 0) return;
        if (on_run) before = number;
    }
    s.after_in = (answer == 1 && s.inside_side == 1) || (answer != 1 && s.inside_side == 0) ? 1 : 0;
    if (s.after_in == 0) s.region_block = before;
    if (s.after_in == s.before_in) {
        if (passed > 1) {
            back_over_motion(s.point, s.normal, status);
            if (status >= 0) pass(status);
        }
        return;
    }
    f32 p[3], n[3];
    // The region's bound lies where the run began (entering) or where it
    // ended (leaving).
    if (passed > 1)
        for (i32 k = 0; k < (s.after_in == 0 ? 1 : passed - 1) && status >= 0; ++k) back_over_motion(p, n, status);
    if (status < 0) return;
    if (s.after_in == 0)
        chord_crossing(s, s.point);
    else
        mark_before(10);
    s.cut_block = s.region_block;
    copy3(s.point, s.prev_point);
}

// The feed request of a motion written in place of a cut one.
void request_feed()
{
    const f32 F = EDTFED;
    STPV01(F == -1.0f ? 4 : F <= -2.0f ? 27 : 1);
}

// The feed state that held before the cut motion is written again.
void restate_feed(i32& status)
{
    const i32 codes[1] = {1};
    PRVMCH(1, 1, codes, status);
    if (status > 0) status = 0;
    STPV01(1);
    if (status >= 0) PTAMCH(status);
}

// Between the two pieces of a cut motion: the region starts after the
// crossing when the side after is the chosen one. The place after the first
// piece is remembered (mark 13), so that the walk goes on at the second
// piece: stepping two blocks on from where the motion was deleted would
// stop on the first piece whenever the machine state was written as a
// technology block ahead of it, and the next step would walk that piece
// again instead of the second.
void between_pieces(Step& s, const f32* q)
{
    i32 first = 0, answer = 0;
    lmark(1, 13, answer);
    LSTBLN(first);
    if (s.before_in != 0) s.region_block = first;
    if (s.after_in != 0 && EDTFED > 0) {
        copy3(trim_state.region, q);
        lmark(1, 10, answer);
    }
}

// After the second piece: its number bounds an entering region; the
// cursor goes back to the second piece's first block, which the next step
// walks from the crossing.
void after_pieces(Step& s, const f32* q)
{
    i32 second = 0;
    LSTBLN(second);
    if (s.after_in != 0) s.region_block = second;
    ncd_connect_toolpath();
    TPTOP(13, s.status);
    if (s.status >= 0) TPJUMP(1, s.status);
    if (s.status > 0) s.status = 0;
    copy3(s.point, q);
}

// Removes the motion under the cursor, and its drawing, and remembers the
// place (mark 13).
void remove_motion(i32 number, i32& status)
{
    i32 key[KEY_N];
    blkkey(key, number);
    ncd_delete_blocks(1, key);
    TPDELB(1, status);
    if (status < 0) return;
    i32 answer = 0;
    lmark(1, 13, answer);
}

// Splits the line at the crossing: the two pieces written in its place.
void cut_line(Step& s, const Cross& q)
{
    if (points_differ(q.p, s.prev_point) == 0 || points_differ(q.p, s.point) == 0) {
        pass(s.status);
        s.region_block = s.number;
        return;
    }
    s.cut_block = s.number;
    f32 qp[3] = {q.p[0], q.p[1], q.p[2]}, qn[3];
    f64 t = q.mfrac;
    if (!in_plane()) line_z_at_xy(s.prev_point, s.point, qp, t);
    for (int k = 0; k < 3; ++k)
        qn[k] = static_cast<f32>(s.prev_normal[k] + t * (static_cast<f64>(s.normal[k]) - s.prev_normal[k]));
    remove_motion(s.number, s.status);
    if (s.status < 0) return;
    request_feed();
    PTAMCH(s.status);
    copy3(MOVST.point, s.prev_point);
    // Both pieces are written with PLINE and the line's own kind, not MOVLIN:
    // MOVLIN writes a line with normals as a plain line when the normal flag
    // is off, and the pieces of a cut line keep the type and the vectors of
    // the line they replace, whatever the flag says now.
    if (s.status >= 0) PLINE(s.dim_kind, qp, qn, 1, s.status);
    if (s.status < 0) return;
    between_pieces(s, qp);
    PLINE(s.dim_kind, s.point, s.normal, 1, s.status);
    if (s.status < 0) return;
    after_pieces(s, qp);
}

// The sweep of the arc's first piece, from its start to the crossing, with
// the direction of the whole sweep. The host's angle from the start answers
// from 0 up to a full turn whichever way the arc turns: a counter-clockwise
// arc takes it as it is and a clockwise one takes it less a full turn, so
// that neither piece turns against its arc.
f32 first_sweep(const f32* centre, const f32* from, const f32* to, f32 sweep, bool full)
{
    f32 a = 0;
    if (full) {
        angpnt(2, centre, from, to, a);
        if ((a < 0) != (sweep < 0)) a += std::copysign(TWO_PI, sweep);
        return a;
    }
    angpnt(3, centre, from, to, a);
    return sweep < 0 && a > 0 ? a - TWO_PI : a;
}

// Splits the arc at the crossing into two arcs about its centre.
void cut_arc(Step& s, const Cross& q)
{
    s.cut_block = s.number;
    if (points_differ(q.p, s.prev_point) == 0 || points_differ(q.p, s.point) == 0) {
        if (s.before_in == 0) {
            f32 np[3], nd[3];
            i32 st = 0;
            NXTPOI(0, np, nd, s.cut_block, st);
            // No next point (the list's end, -2, or a list error) fails the
            // step with that status: the search leaves the number at -1,
            // which is no block to bound the region at.
            if (st < 0) {
                s.status = st;
                return;
            }
            if (EDTFED > 0) {
                i32 answer = 0;
                lmark(1, 10, answer);
            }
        }
        pass(s.status);
        s.region_block = s.cut_block;
        return;
    }
    i32 size = 0, type = 0, cls = 0, number = 0, plane = 0;
    f32 sweep = 0, step = 0, centre[2], end[3], vec[3];
    TPBLKH(AM_LIST, size, type, cls, s.status);
    if (s.status >= 0) RDBT3(AM_LIST, type, number, plane, sweep, step, centre, end, vec, s.status);
    lclos();
    if (s.status < 0) return;
    s.status = 0;
    while (std::fabs(sweep) > TWO_PI) sweep -= std::copysign(TWO_PI, sweep);
    const int a = plane == 3 ? 1 : 0, b = plane == 1 ? 1 : 2;
    const f32 from[2] = {s.prev_point[a], s.prev_point[b]}, to[2] = {q.p[a], q.p[b]};
    const f32 first = first_sweep(centre, from, to, sweep, points_differ(s.prev_point, s.point) == 0);
    remove_motion(s.number, s.status);
    if (s.status >= 0) restate_feed(s.status);
    if (s.status < 0) return;
    copy3(MOVST.point, s.prev_point);
    PARCLK(s.dim_kind, plane, first, centre, q.p, vec, s.status);
    if (s.status < 0) return;
    between_pieces(s, q.p);
    PARCLK(s.dim_kind, plane, sweep - first, centre, end, vec, s.status);
    if (s.status < 0) return;
    after_pieces(s, q.p);
}

// The curve parameter of the crossing: the curve's point nearest to the
// crossing, moved onto the polygon segment it crosses. The nearest point,
// not the crossing's place among the resampled points: the host spaces
// those by its chord tolerance, not by even parameters. For a contour in
// its own plane the crossing is sought on the curve carried into that
// plane: the transformation is affine, so carrying the control points
// carries the curve exactly and keeps its parameters.
// A curve call that fails fails the step with its status, before the path
// is touched: a cut at a guessed parameter would split the curve off the
// contour and bound the region there, reported as a cut that went well.
f64 crossing_parameter(const Step& s, const Cross& q, const Nurbs& c, i32 curve, i32& st)
{
    f64 t0 = 0, t1 = 1;
    evbrng(curve, t0, t1, st);
    if (st < 0) return t0;
    const i32 k = static_cast<i32>(s.pts.size() / 3);
    f64 t = t0 + (t1 - t0) * (q.mseg - 1 + q.mfrac) / std::max(1, k - 1), on[3];
    crv_nearest(curve, q.p, t, on, st);
    if (st < 0) return t;
    i32 carried = curve;
    if (in_plane()) {
        Nurbs there = c;
        const f64* m = trim_state.plane;
        for (size_t i = 0; i + 2 < c.pts.size(); i += 3)
            for (size_t r = 0; r < 3; ++r)
                there.pts[i + r] =
                    m[4 * r] * c.pts[i] + m[4 * r + 1] * c.pts[i + 1] + m[4 * r + 2] * c.pts[i + 2] + m[4 * r + 3];
        carried = nurbs_curve(there, st);
        if (st < 0) return t;
    }
    const f64* poly = trim_state.polygon.data();
    const f64 a[3] = {poly[2 * q.pseg - 2], poly[2 * q.pseg - 1], 0}, b[3] = {poly[2 * q.pseg], poly[2 * q.pseg + 1], 0};
    f64 p[3];
    bcrv_par_at_line(0, p, t, carried, a, b, st);
    if (carried != curve) evbfre(carried);
    return t;
}

// Splits the NURBS at the crossing into its two pieces.
void cut_nurbs(Step& s, const Cross& q)
{
    s.cut_block = s.number;
    if (points_differ(q.p, s.prev_point) == 0 || points_differ(q.p, s.point) == 0) {
        pass(s.status);
        s.region_block = s.number;
        return;
    }
    Nurbs c;
    read_nurbs(c, s.status);
    if (s.status < 0) return;
    const i32 curve = nurbs_curve(c, s.status);
    if (s.status < 0) return;
    const f64 t = crossing_parameter(s, q, c, curve, s.status);
    evbfre(curve);
    if (s.status < 0) return;
    Nurbs first, second;
    const f64 t0 = c.knots[static_cast<size_t>(c.k - 1)], t1 = c.knots[static_cast<size_t>(c.n)];
    if (!nurbs_piece(c, t0, t, first) || !nurbs_piece(c, t, t1, second)) {
        s.status = -1;
        return;
    }
    remove_motion(s.number, s.status);
    if (s.status >= 0) restate_feed(s.status);
    if (s.status < 0) return;
    const f64* e = &first.pts[static_cast<size_t>(3 * (first.n - 1))];
    const f32 qp[3] = {static_cast<f32>(e[0]), static_cast<f32>(e[1]), static_cast<f32>(e[2])};
    PNURB1(first.k, first.n, first.knots.data(), first.pts.data(), s.status);
    if (s.status < 0) return;
    between_pieces(s, qp);
    PNURB1(second.k, second.n, second.knots.data(), second.pts.data(), s.status);
    if (s.status < 0) return;
    after_pieces(s, qp);
}

// A crossing at the motion's start that bounds the region there: true
// when the call ends on it.
bool start_bound(Step& s, std::vector<Cross>& cx)
{
    const TrimState& t = trim_state;
    while (!cx.empty() && points_differ(cx.front().p, s.prev_point) == 0) {
        const i32 side = contour_side(s.point);
        if (cx.size() == 1 && ((side == 1 && t.walk_side == 3) || (side == 3 && t.walk_side == 1))) {
            s.after_in =
                (t.walk_side == 3 && s.inside_side == 1) || (t.walk_side == 1 && s.inside_side == 0) ? 1 : 0;
            i32 pnum = -1, st = 0;
            f32 pp[3], pd[3];
            PRVPNT(0, pp, pd, pnum, st);
            // A list that cannot be read back fails the step: the region
            // would otherwise end at no block (-1).
            if (st < 0) {
                s.status = -1;
                return true;
            }
            s.cut_block = s.region_block = s.after_in != 0 ? s.number : pnum;
            s.contour_seg = cx.front().pseg;
            s.contour_frac = cx.front().pfrac;
            if (s.after_in != 0) {
                chord_crossing(s, s.point);
                mark_before(10);
            }
            copy3(s.point, s.prev_point);
            return true;
        }
        cx.erase(cx.begin());
    }
    return false;
}

// The motion is passed whole: it does not bound the region.
void pass_whole(Step& s)
{
    s.region_block = s.number;
    s.before_in = s.after_in = 0;
    pass(s.status);
}

// The sides of the first crossing and what follows from them.
void at_crossing(Step& s, std::vector<Cross>& cx, Scratch& scratch)
{
    const TrimState& t = trim_state;
    const Cross q = cx.front();
    s.contour_seg = q.pseg;
    s.contour_frac = q.pfrac;
    s.before_in = chosen(side_before(s, q), s.inside_side, t.walk_side == 1) ? 1 : 0;
    if ((s.inside_side == 0 && t.walk_side == 1) || (s.inside_side == 1 && t.walk_side == 3)) s.before_in = 0;
    const i32 aside = side_after(s, q, cx.size() > 1 ? cx[1].p : s.point);
    if (aside == 2) return on_contour_run(s, scratch);
    s.after_in = chosen(aside, s.inside_side, false) ? 1 : 0;
    s.region_block = s.number;
    if (s.before_in == s.after_in) {
        if (is_string(s.type)) {
            BRKSTR(1, s.status);
            copy3(s.point, s.pts.data());
        } else {
            pass(s.status);
        }
        return;
    }
    // The side changes: the motion is cut at the crossing.
    if (is_line(s.type)) return cut_line(s, q);
    if (is_arc(s.type)) return cut_arc(s, q);
    if (is_nurbs(s.type)) return cut_nurbs(s, q);
    if (is_string(s.type)) {
        BRKSTR(1, s.status);
        // The break leaves the cursor on the line of the first segment (the
        // resampled points begin with the motion's start), so the line of
        // segment mseg lies mseg - 1 steps on.
        const i32 step = q.mseg - 1;
        if (s.status >= 0 && step > 0) TPJUMP(step, s.status);
        if (s.status > 0) s.status = 0;
        copy3(s.point, &s.pts[static_cast<size_t>(3 * (q.mseg - 1))]);
        return;
    }
    pass(s.status);
}
}  // namespace

i32 contour_side(const f32* p)
{
    const TrimState& t = trim_state;
    f64 q[2];
    to_plane(p, q);
    i32 answer = 3;
    inpold(TOL, t.polygon.data(), t.npoly, 1, q, answer);
    if (answer == 1 || answer == 2) return answer;
    i32 touch = 0;
    tchptpol(2, TOL, t.polygon.data(), t.npoly, q, touch);
    return touch == 1 ? 2 : 3;
}

void get_next_movment(f32* point, f32* prev_point, f32* normal, f32* prev_normal, i32 inside_side, i32& cut_block,
                      i32& before_in, i32& after_in, i32& type, i32& region_block, i32& contour_seg,
                      f64& contour_frac, i32& dim_kind, i32& status)
{
    TrimState& t = trim_state;
    status = 0;
    copy3(prev_point, point);
    copy3(prev_normal, normal);
    copy3(MOVST.point, point);
    Step s{point, prev_point, normal, prev_normal, inside_side, cut_block, before_in, after_in, type, region_block,
           contour_seg, contour_frac, dim_kind, status, 0, {}};
    next_motion(1, s.number, type, point, normal, status);
    // The motion reader answers -1 both past the list's end and on a
    // failure; the list tells which: its end ends the walk as the
    // procedure's end, an error fails it.
    if (status < 0) {
        status = end_or_error();
        return;
    }
    // The word holds the first rapid (or maximum-feed) motion met since
    // ALTERATIONS set it to -1 before its entering walk: it is taken while
    // still -1. Taken only when it is not -1, it would never leave the -1
    // it is set to, and no walk would ever record a rapid.
    if (fast(EDTFED) && t.first_rapid == -1) t.first_rapid = s.number;
    // The motion's start: the point before it in the list, else (the first
    // motion) the end of the previous piece as given.
    i32 pnum = -1, st = 0;
    f32 before_pt[3], before_n[3];
    PRVPNT(0, before_pt, before_n, pnum, st);
    // A failed read back fails the step (1 is the first motion: no point
    // before it, and the given one stands).
    if (st < 0) {
        status = -1;
        return;
    }
    if (st == 0 && pnum != -1) {
        copy3(prev_point, before_pt);
        copy3(prev_normal, before_n);
    }
    Scratch scratch;
    if (!scratch.open(status)) return;
    dim_kind = bt_dim_kind(type);
    s.pts = resample(scratch, prev_point, prev_normal, status);
    if (status < 0) return;
    cut_block = 0;
    // A motion that gives fewer than two points has no crossing: it is passed
    // whole, and its sides and region block are set as for any motion that
    // misses the contour, not left from the call before.
    if (s.pts.size() < 6) return pass_whole(s);
    std::vector<Cross> cx = crossings(s.pts, status);
    if (status < 0) return;
    // A rapid move of a deletion that enters and leaves is not cut.
    if (zqa(ZQA_ACTION) == ACT_DELETE && fast(EDTFED) && cx.size() % 2 == 0) return pass_whole(s);
    if (start_bound(s, cx)) return;
    if (cx.empty()) return pass_whole(s);
    at_crossing(s, cx, scratch);
}
