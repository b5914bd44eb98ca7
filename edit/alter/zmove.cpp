#include "edit/alter/zmove.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "blocks/format.h"
#include "blocks/height.h"
#include "blocks/listacc.h"
#include "blocks/movement.h"
#include "blocks/readers.h"
#include "core/host.h"
#include "edit/alter/motion.h"
#include "edit/alter/project.h"
#include "edit/alter/state.h"
#include "stock/crvtrim.h"

namespace {
// The parameter of q on the line p1-p2 from the larger of its XY extents.
f64 xy_parameter(const f32* p1, const f32* p2, const f32* q)
{
    const f64 dx = static_cast<f64>(p2[0]) - p1[0], dy = static_cast<f64>(p2[1]) - p1[1];
    if (std::fabs(dx) <= std::fabs(dy) && eqvl0d(dy) == 0) return (q[1] - static_cast<f64>(p1[1])) / dy;
    if (std::fabs(dx) > std::fabs(dy) && eqvl0d(dx) == 0) return (q[0] - static_cast<f64>(p1[0])) / dx;
    return 1.0;
}

void copy3(f32* to, const f32* from) { std::copy(from, from + 3, to); }

// The current feed is rapid or the maximum feed.
bool fast_feed() { return EDTFED == -1.0f || EDTFED <= -2.0f; }

// The two ends lie strictly on both sides of the plane.
bool crosses(const f32* a, const f32* b, f32 plane)
{
    return (gtval(b[2], plane) != 0 && ltval(a[2], plane) != 0) || (gtval(a[2], plane) != 0 && ltval(b[2], plane) != 0);
}

// The side of the plane a height lies on: 1 above, -1 below, 0 on it.
i32 side_of(f32 z, f32 plane) { return gtval(z, plane) != 0 ? 1 : ltval(z, plane) != 0 ? -1 : 0; }

// A string or polygon crosses the plane where a point lies on the other
// side from the last point off the plane before it. Points lying on the
// plane are passed over: a string that goes down through a point on the
// plane has no segment with its ends strictly on both sides, and would
// otherwise be neither cut nor laid on the plane, its part below staying
// below.
bool side_changes(i32& last, f32 z, f32 plane)
{
    const i32 side = side_of(z, plane);
    if (side != 0 && side == -last) return true;
    if (side != 0) last = side;
    return false;
}

// Sets (mode 0) or shifts (mode 1) the heights of the block at the cursor.
void set_heights(i32 mode, f32 value, i32& number, i32& status)
{
    i32 size = 0, type = 0, cls = 0;
    TPBLKH(AM_LIST, size, type, cls, status);
    if (status >= 0) NRBCNV(AM_LIST, mode, type, size, value, static_cast<f64>(ALTPDF.srftol), number, status);
    lclos();
    if (status > 0) status = 0;
}

// Writes a line from the writers' last point to p.
void write_line(i32 dim, const f32* p, const f32* n, i32& status) { PLINE(dim, p, n, 1, status); }

// The normal at t between two normals, of unit length when it has one.
void normal_at(const f32* a, const f32* b, f64 t, f32* out)
{
    f64 v[3], len = 0;
    for (int k = 0; k < 3; ++k) {
        v[k] = a[k] + t * (static_cast<f64>(b[k]) - a[k]);
        len += v[k] * v[k];
    }
    len = std::sqrt(len);
    for (int k = 0; k < 3; ++k) out[k] = static_cast<f32>(len > 0 ? v[k] / len : v[k]);
}

// Writes the line from s to e as the projection below the plane needs it:
// split at the plane when it crosses it, its end raised onto the plane.
// s advances to the end written; split is set when it was split.
void write_projected(i32 dim, f32* s, const f32* sn, const f32* e, const f32* en, f32 plane, i32& split,
                     i32& status)
{
    if (crosses(s, e, plane)) {
        f32 q[3] = {0, 0, plane}, qn[3];
        f64 t = 0;
        line_point_at_z(s, e, q, t);
        normal_at(sn, en, t, qn);
        write_line(dim, q, qn, status);
        split = 1;
        if (status < 0) return;
    }
    f32 to[3];
    copy3(to, e);
    if (ltval(to[2], plane) != 0) to[2] = plane;
    write_line(dim, to, en, status);
    copy3(s, to);
}

// Kind 1 on a line: split where it crosses the plane, else put onto the
// plane (DEL Z-UP above it at rapid or maximum feed) when its end is below.
// The start point goes on to the end as written, not as read: the next
// block now starts there, so its crossing test is made from where the tool
// really is.
void line_below(const f32* e, const f32* en, f32* s, const f32* sn, i32 type, i32 dim, f32 plane, i32& split,
                i32& block, i32& status)
{
    if (crosses(s, e, plane)) {
        f32 q[3] = {0, 0, plane}, qn[3];
        f64 t = 0;
        line_point_at_z(s, e, q, t);
        normal_at(sn, en, t, qn);
        copy3(MOVST.point, s);
        split_block_at_z(e, en, q, qn, plane, type, dim, 0.0, status);
        if (status < 0) return;
        split = 1;
        LSTBLN(block);
        copy3(s, e);
        if (ltval(s[2], plane) != 0) s[2] = plane;
        return;
    }
    if (ltval(e[2], plane) != 0) {
        const f32 z = plane + (fast_feed() ? ALTPDF.zup : 0.0f);
        set_heights(0, z, block, status);
        copy3(s, e);
        s[2] = z;
        return;
    }
    copy3(s, e);
}

// The points of the arc at the cursor from s, its sweep divided so that
// the chords keep within the reference-surface tolerance.
std::vector<f32> arc_points(const f32* s, const f32* sn, i32 plane, f32 angle, const f32* centre, i32& status)
{
    const int a = plane == 3 ? 1 : 0, b = plane == 1 ? 1 : 2;
    const f32 r = std::hypot(s[a] - centre[0], s[b] - centre[1]);
    const f32 sweep = std::fabs(angle), step = arc_step_angle(ALTPDF.srftol, r, sweep);
    const i32 n = step > 0 ? std::clamp(static_cast<i32>(std::ceil(sweep / step)), 1, 1000) : 1;
    f32 end[3], vec[3], radius = 0, c[2];
    i32 handle = -1, capacity = 50, count = 0, pl = 0;
    void* base = nullptr;
    MM_OPEN_ARRAY(12, capacity, handle, base, status);
    if (status < 0) return {};
    f32* pts = block_to_points(end, vec, s, sn, handle, capacity, n, count, pl, radius, c, status);
    std::vector<f32> out;
    if (pts != nullptr) {
        out.assign(pts, pts + 3 * count);
        DM_FREE(pts, count * 12);
    } else if (status >= 0) {
        status = -1;
    }
    i32 st = 0;
    MM_CLOSE(handle, st);
    return out;
}

// Kind 1 on an arc. An arc in the XY plane whose end is below is put onto
// the plane whole, whether it starts above, on or below it: its height runs
// from start to end, so its end below takes it onto the plane and nothing
// of it stays below. An XY arc that neither ends nor starts below stays.
// Any other arc with a point below the plane is resampled (within the chord
// tolerance) and written as lines projected like lines, so that no part of
// it stays below the plane: an arc in XZ or YZ that dips below between its
// ends, or one that crosses the plane and ends above it, would otherwise
// still cut below the plane the projection is meant to keep the tool above.
void arc_below(const f32* e, const f32* en, f32* s, const f32* sn, i32 dim, f32 plane, i32& split, i32& block,
               i32& status)
{
    i32 size = 0, type = 0, cls = 0, number = 0, arcpl = 0;
    f32 angle = 0, step = 0, centre[2], end[3], vec[3];
    TPBLKH(AM_LIST, size, type, cls, status);
    if (status >= 0) RDBT3(AM_LIST, type, number, arcpl, angle, step, centre, end, vec, status);
    lclos();
    if (status < 0) return;
    if (status > 0) status = 0;
    block = number;
    if (arcpl == 1 && ltval(e[2], plane) != 0) {
        set_heights(0, plane, block, status);
        copy3(s, e);
        s[2] = plane;
        return;
    }
    if (arcpl == 1 && ltval(s[2], plane) == 0) {
        copy3(s, e);
        return;
    }
    const std::vector<f32> pts = arc_points(s, sn, arcpl, angle, centre, status);
    if (status < 0) return;
    const size_t n = pts.size() / 3;
    bool below = false;
    for (size_t i = 1; i < n; ++i)
        below = below || ltval(pts[3 * i + 2], plane) != 0 || crosses(&pts[3 * i - 3], &pts[3 * i], plane);
    if (!below) {
        copy3(s, e);
        return;
    }
    TPDELB(1, status);
    if (status < 0) return;
    copy3(MOVST.point, s);
    // The tool axis of each line goes from the arc's start vector to its end
    // vector by the part of the sweep passed, so a tilted axis stays tilted.
    f32 from[3], to[3];
    copy3(from, sn);
    for (size_t i = 1; i < n && status >= 0; ++i) {
        normal_at(sn, en, static_cast<f64>(i) / static_cast<f64>(n - 1), to);
        write_projected(dim, s, from, &pts[3 * i], to, plane, split, status);
        copy3(from, to);
    }
    LSTBLN(block);
}

// Kind 1 on a string: at the first segment that crosses the plane the
// string is broken into lines, which are then projected one by one; with no
// crossing and none of its points above the plane it is put onto the plane.
// The lines are projected here rather than handed back unprojected: the
// break leaves the cursor on the first line, which the block loop would
// step past before its next read, and the lines carry the numbers of the
// string's points, so when the string ends the region the loop would stop
// at its first line and leave the others below the plane.
void string_below(f32* s, const f32* sn, i32 dim, f32 plane, i32& split, i32& block, i32& status)
{
    i32 size = 0, type = 0, cls = 0, records = 0, number = 0;
    TPBLKH(AM_LIST, size, type, cls, status);
    if (status < 0) return;
    const i32 rec = bt_point_words(type);
    const i32 m = (size - 1) / rec;
    f32 prev[3], p[3], v[3];
    copy3(prev, s);
    bool cut = false, above = false;
    i32 last = side_of(prev[2], plane);
    for (i32 i = 0; i < m && status >= 0; ++i) {
        RDBT2(AM_LIST, type, size, records, number, p, v, status);
        if (status < 0) break;
        if (side_changes(last, p[2], plane)) {
            cut = true;
            break;
        }
        above = above || gtval(p[2], plane) != 0;
        copy3(prev, p);
    }
    lclos();
    if (status > 0) status = 0;
    if (status < 0) return;
    if (!cut) {
        // Only a string with no point above the plane goes onto it: one that
        // comes down from above and ends on the plane stays where it is.
        if (m > 0 && !above && geval(plane, prev[2]) != 0) {
            set_heights(0, plane, block, status);
            prev[2] = plane;
        }
        block = number;
        copy3(s, prev);
        return;
    }
    split_block_at_z(p, v, p, v, plane, type, dim, 0.0, status);
    if (status < 0) return;
    // Each piece starts with the vector of the piece before it.
    f32 n0[3];
    copy3(n0, sn);
    for (i32 i = 0; i < m && status >= 0; ++i) {
        i32 answer = 0;
        if (i > 0) lacces(1, answer);
        i32 t = 0;
        f32 e[3], en[3];
        next_motion(1, number, t, e, en, status);
        if (status < 0) return;
        block = number;
        line_below(e, en, s, n0, t, dim, plane, split, block, status);
        copy3(n0, en);
    }
    split = 0;
}

// The highest height of the block at the cursor (end of a line or arc, the
// highest point of a string, the highest control point of a NURBS). The
// shift of MOVE BY DELTA Z is clamped by it rather than by the end height
// alone: a string or curve that rises above its end would otherwise be
// lifted above the absolute clearance. A curve lies within its control
// points, so their highest is a bound the curve never passes.
f32 block_top(const f32* end, i32& status)
{
    i32 size = 0, type = 0, cls = 0;
    TPBLKH(AM_LIST, size, type, cls, status);
    f32 top = end[2];
    if (status >= 0 && bt_string(type)) {
        const i32 m = (size - 1) / bt_point_words(type);
        for (i32 i = 0; i < m && status >= 0; ++i) {
            i32 records = 0, number = 0;
            f32 p[3], v[3];
            RDBT2(AM_LIST, type, size, records, number, p, v, status);
            if (status >= 0) top = std::max(top, p[2]);
        }
    } else if (status >= 0 && bt_nurbs(type)) {
        std::vector<f32> knots(static_cast<size_t>(size)), pts(static_cast<size_t>(3 * size));
        i32 number = 0, k = 0, n = 0;
        RDBT5(AM_LIST, size, size, number, k, n, knots.data(), pts.data(), status);
        for (i32 i = 0; i < n && status >= 0; ++i) top = std::max(top, pts[static_cast<size_t>(3 * i + 2)]);
    }
    lclos();
    if (status > 0) status = 0;
    return top;
}

}  // namespace

void read_nurbs(Nurbs& c, i32& status)
{
    i32 size = 0, type = 0, cls = 0;
    TPBLKH(AM_LIST, size, type, cls, status);
    if (status < 0) {
        lclos();
        return;
    }
    std::vector<f32> kn(static_cast<size_t>(size)), pt(static_cast<size_t>(3 * size));
    RDBT5(AM_LIST, size, size, c.number, c.k, c.n, kn.data(), pt.data(), status);
    lclos();
    if (status > 0) status = 0;
    if (status < 0) return;
    c.knots.assign(kn.begin(), kn.begin() + c.n + c.k);
    c.pts.assign(pt.begin(), pt.begin() + 3 * c.n);
}

i32 nurbs_curve(const Nurbs& c, i32& status)
{
    std::vector<f64> model(c.pts.size());
    for (i32 i = 0; i < c.n; ++i) madw2m(&c.pts[static_cast<size_t>(3 * i)], &model[static_cast<size_t>(3 * i)]);
    i32 curve = 0;
    status = 0;
    evbcre_bsp(c.k, c.n, c.knots.data(), model.data(), -1, 3, curve, status);
    if (status != 0) status = -1;
    return curve;
}

namespace {
// The curve of a NURBS as a polygon within the tolerance (at most 1000
// points, world coordinates) with the parameter range of the curve.
bool nurbs_polygon(const Nurbs& c, std::vector<f64>& poly, f64& t0, f64& t1)
{
    i32 st = 0, count = 0;
    const i32 curve = nurbs_curve(c, st);
    if (st != 0) return false;
    // The knots and points of the curve are held in the module's own
    // vectors, not a host curve record: no record to open or end around
    // the host curve, which is freed below.
    poly.assign(3000, 0.0);
    crvpld2(curve, ALTPDF.srftol, 1000, count, poly.data(), st);
    if (st == 0) evbrng(curve, t0, t1, st);
    evbfre(curve);
    if (st != 0 || count < 2) return false;
    poly.resize(static_cast<size_t>(3 * count));
    for (i32 i = 0; i < count; ++i) madm2w(&poly[static_cast<size_t>(3 * i)], &poly[static_cast<size_t>(3 * i)]);
    return true;
}

// Kind 1 on a NURBS: split at the first polygon segment that crosses the
// plane, else put onto the plane when none of its points is above it.
void nurbs_below(f32* s, const f32* e, i32 type, i32 dim, f32 plane, i32& split, i32& block, i32& status)
{
    Nurbs c;
    read_nurbs(c, status);
    if (status < 0) return;
    block = c.number;
    std::vector<f64> poly;
    f64 t0 = 0, t1 = 1;
    if (!nurbs_polygon(c, poly, t0, t1)) {
        status = -1;
        return;
    }
    const i32 m = static_cast<i32>(poly.size() / 3);
    i32 last = side_of(static_cast<f32>(poly[2]), plane);
    for (i32 i = 1; i < m; ++i) {
        // Only the heights decide; the segment ends where the side changes.
        const f32 a[3] = {0, 0, static_cast<f32>(poly[3 * i - 1])};
        const f32 b[3] = {0, 0, static_cast<f32>(poly[3 * i + 2])};
        if (!side_changes(last, b[2], plane)) continue;
        // The crossing on the polygon, the curve's parameter nearest to it,
        // refined to where the curve itself reaches the plane.
        const f32 pa[3] = {static_cast<f32>(poly[3 * i - 3]), static_cast<f32>(poly[3 * i - 2]), a[2]};
        const f32 pb[3] = {static_cast<f32>(poly[3 * i]), static_cast<f32>(poly[3 * i + 1]), b[2]};
        f32 q[3] = {0, 0, plane};
        f64 tq = 0;
        line_point_at_z(pa, pb, q, tq);
        f64 t = 0, on[3];
        const i32 curve = nurbs_curve(c, status);
        if (status < 0) return;
        crv_nearest(curve, q, t, on, status);
        if (status >= 0) bcrv_par_at_z(on, t, curve, static_cast<f64>(plane), status);
        evbfre(curve);
        if (status < 0) return;
        const f32 up[3] = {0, 0, 1};
        split_block_at_z(e, up, q, up, plane, type, dim, t, status);
        if (status < 0) return;
        split = 1;
        LSTBLN(block);
        // The start goes on to the curve's end, raised onto the plane when
        // below, not to the polygon point before the crossing: both pieces
        // are written and the one below follows the plane, so the next
        // block starts where the second piece now ends.
        copy3(s, e);
        if (ltval(s[2], plane) != 0) s[2] = plane;
        return;
    }
    // Only a curve with no point above the plane goes onto it (see the strings).
    bool above = false;
    for (i32 i = 0; i < m; ++i) above = above || gtval(static_cast<f32>(poly[static_cast<size_t>(3 * i + 2)]), plane) != 0;
    if (!above && geval(plane, static_cast<f32>(poly[poly.size() - 1])) != 0) {
        set_heights(0, plane, block, status);
        copy3(s, e);
        s[2] = plane;
        return;
    }
    copy3(s, e);
}

}  // namespace

bool nurbs_piece(const Nurbs& c, f64 a, f64 b, Nurbs& piece)
{
    piece.k = c.k;
    piece.n = c.n;
    piece.knots.assign(static_cast<size_t>(c.n + 3 * c.k), 0.0);
    piece.pts.assign(static_cast<size_t>(3 * (c.n + 2 * c.k)), 0.0);
    std::copy(c.knots.begin(), c.knots.end(), piece.knots.begin());
    std::copy(c.pts.begin(), c.pts.end(), piece.pts.begin());
    i32 st = 0;
    bcrtrme(piece.k, piece.n, piece.knots.data(), piece.pts.data(), 3, a, b, st);
    if (st != 0) return false;
    piece.knots.resize(static_cast<size_t>(piece.n + piece.k));
    piece.pts.resize(static_cast<size_t>(3 * piece.n));
    return true;
}

namespace {

// The piece made again through its polygon's points at the plane's height.
bool flatten_piece(Nurbs& piece, f32 plane)
{
    std::vector<f64> poly;
    f64 t0 = 0, t1 = 1;
    if (!nurbs_polygon(piece, poly, t0, t1)) return false;
    const i32 m = static_cast<i32>(poly.size() / 3);
    for (i32 i = 0; i < m; ++i) poly[static_cast<size_t>(3 * i + 2)] = plane;
    const i32 cap = m + 2;
    std::vector<f64> knots(static_cast<size_t>(cap + 4)), ctrl(static_cast<size_t>(3 * cap));
    i32 nctrl = 0, st = 0;
    itrnrpt(m, poly.data(), static_cast<f64>(ALTPDF.srftol), cap, nctrl, knots.data(), ctrl.data(), st);
    if (st != 0 || nctrl < 4) return false;
    for (i32 i = 0; i < nctrl; ++i) ctrl[static_cast<size_t>(3 * i + 2)] = plane;
    piece.k = 4;
    piece.n = nctrl;
    piece.knots.assign(knots.begin(), knots.begin() + nctrl + 4);
    piece.pts.assign(ctrl.begin(), ctrl.begin() + 3 * nctrl);
    return true;
}
}  // namespace

void line_point_at_z(const f32* p1, const f32* p2, f32* q, f64& t)
{
    if (p1[2] != p2[2]) {
        const f32 r = (p1[2] - q[2]) / (p1[2] - p2[2]);
        q[0] = p1[0] - r * (p1[0] - p2[0]);
        q[1] = p1[1] - r * (p1[1] - p2[1]);
    }
    t = xy_parameter(p1, p2, q);
}

void line_z_at_xy(const f32* p1, const f32* p2, f32* q, f64& t)
{
    t = xy_parameter(p1, p2, q);
    q[2] = static_cast<f32>(p1[2] + t * (static_cast<f64>(p2[2]) - p1[2]));
}

i32 points_differ(const f32* p1, const f32* p2)
{
    const f32 sum = std::fabs(p1[0] - p2[0]) + std::fabs(p1[1] - p2[1]) + std::fabs(p1[2] - p2[2]);
    return sum > 0.001f ? 1 : 0;
}

void split_nurbs_at_z(const f64& nurbs_param, const f32& z_plane, i32& status)
{
    Nurbs c;
    read_nurbs(c, status);
    if (status < 0) return;
    Nurbs first, second;
    // The pieces run over the curve's own range, knot k to knot n + 1: on a
    // clamped curve the first piece starts at the first knot, and on one that
    // is not clamped a cut from the first knot would start before the curve.
    const f64 t0 = c.knots[static_cast<size_t>(c.k - 1)], t1 = c.knots[static_cast<size_t>(c.n)];
    if (!nurbs_piece(c, t0, nurbs_param, first) || !nurbs_piece(c, nurbs_param, t1, second)) {
        status = -1;
        return;
    }
    // The piece below the plane follows the plane.
    if (gtval(z_plane, static_cast<f32>(first.pts[2])) != 0) {
        if (!flatten_piece(first, z_plane)) status = -1;
    } else if (gtval(z_plane, static_cast<f32>(second.pts[second.pts.size() - 1])) != 0) {
        if (!flatten_piece(second, z_plane)) status = -1;
    }
    if (status < 0) return;
    // The block is deleted only once both pieces are made: a failed trim or
    // interpolation leaves the curve in the list instead of losing it.
    TPDELB(1, status);
    if (status < 0) return;
    // Mark 13 keeps the curve's place; the cursor is left on the second
    // piece, as after a line split (see split_block_at_z), not taken back
    // there and two blocks on.
    i32 answer = 0;
    lmark(1, 13, answer);
    PNURB1(first.k, first.n, first.knots.data(), first.pts.data(), status);
    if (status >= 0) PNURB1(second.k, second.n, second.knots.data(), second.pts.data(), status);
}

void split_block_at_z(const f32* end_point, const f32* end_normal, const f32* cut_point, const f32* cut_normal,
                      const f32& z_plane, const i32& type, const i32& dim_kind, const f64& nurbs_param, i32& status)
{
    status = 0;
    if (bt_nurbs(type)) return split_nurbs_at_z(nurbs_param, z_plane, status);
    if (bt_string(type)) return BRKSTR(1, status);
    if (!bt_line(type)) return;
    // The cursor stays on the second piece instead of going back to the
    // line's place and two blocks on: the block loop steps on itself before
    // every read, and the writer may put a technology block ahead of the
    // first piece, so a count of two from the line's place could stop short.
    TPDELB(1, status);
    if (status < 0) return;
    write_line(dim_kind, cut_point, cut_normal, status);
    if (status < 0) return;
    f32 to[3];
    copy3(to, end_point);
    if (ltval(to[2], z_plane) != 0) to[2] = z_plane;
    write_line(dim_kind, to, end_normal, status);
}

void move_block_z(const f32* end_point, const f32* end_normal, f32* start_point, const f32* start_normal,
                  const i32& kind, const i32& dim_kind, const f32& z_plane, i32& split, i32& block, i32& status)
{
    status = 0;
    split = 0;
    i32 size = 0, type = 0, cls = 0;
    TPBLKH(AM_LIST, size, type, cls, status);
    lclos();
    if (status < 0) return;
    status = 0;
    block = -1;
    const bool line = bt_line(type), arc = bt_arc(type), nurbs = bt_nurbs(type), string = bt_string(type);
    if (!line && !arc && !nurbs && !string) {
        copy3(start_point, end_point);
        return;
    }
    if (kind == ZK_DELTA) {
        f32 shift = zqar(ZQA_DELTAZ);
        const f32 top = block_top(end_point, status);
        if (status < 0) return;
        if (alt_clearance() < top + shift) {
            shift = alt_clearance() - top;
            if (trim_state.msg31 == 0) msg_mdls(317, 31);
            trim_state.msg31 = 1;
        }
        set_heights(1, shift, block, status);
        copy3(start_point, end_point);
        start_point[2] += shift;
        return;
    }
    if (kind == ZK_ALL) {
        const f32 z = z_plane + (fast_feed() ? 5.0f : 0.0f);
        set_heights(0, z, block, status);
        copy3(start_point, end_point);
        start_point[2] = z;
        return;
    }
    if (line)
        line_below(end_point, end_normal, start_point, start_normal, type, dim_kind, z_plane, split, block, status);
    else if (arc)
        arc_below(end_point, end_normal, start_point, start_normal, dim_kind, z_plane, split, block, status);
    else if (string)
        string_below(start_point, start_normal, dim_kind, z_plane, split, block, status);
    else
        nurbs_below(start_point, end_point, type, dim_kind, z_plane, split, block, status);
}
