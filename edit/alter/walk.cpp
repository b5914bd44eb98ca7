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
#include "edit/alter/state.h"
#include "edit/alter/zmove.h"

namespace {
constexpr f64 TOL = 0.0006;
constexpr i32 MAXCROSS = 100;

void copy3(f32* to, const f32* from) { std::copy(from, from + 3, to); }
bool is_line(i32 t) { return t == 2 || t == 22 || t == 222; }
bool is_arc(i32 t) { return t == 3 || t == 23 || t == 223; }
bool is_string(i32 t) { return t == 7 || t == 27 || t == 227; }
bool fast(f32 f) { return f == -1.0f || f <= -2.0f; }

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
    for (i32 i = 0; i < k; ++i) {
        xy[static_cast<size_t>(2 * i)] = pts[static_cast<size_t>(3 * i)];
        xy[static_cast<size_t>(2 * i + 1)] = pts[static_cast<size_t>(3 * i + 1)];
    }
    f64 at[2 * MAXCROSS], fr[2 * MAXCROSS];
    i32 sg[2 * MAXCROSS], count = 0;
    ind2po(k, xy.data(), t.npoly, t.polygon.data(), MAXCROSS, count, at, fr, sg, status);
    std::vector<Cross> out;
    for (i32 c = 0; c < count && status >= 0; ++c) {
        const i32 s = sg[2 * c];
        const f32* a = &pts[static_cast<size_t>(3 * (s - 1))];
        const f32* b = a + 3;
        Cross x{};
        x.p[0] = static_cast<f32>(at[2 * c]);
        x.p[1] = static_cast<f32>(at[2 * c + 1]);
        x.p[2] = static_cast<f32>(a[2] + fr[2 * c] * (static_cast<f64>(b[2]) - a[2]));
        x.mseg = s;
        x.mfrac = fr[2 * c];
        x.pseg = sg[2 * c + 1];
        x.pfrac = fr[2 * c + 1];
        out.push_back(x);
    }
    return out;
}

// Steps over the motion: the cursor to the next element; -2 at the end.
void pass(i32& status)
{
    i32 answer = 0;
    lacces(1, answer);
    status = answer >= 1 ? 0 : -2;
}

bool chosen(i32 side, i32 inside_side, bool on_counts_inside)
{
    const bool in = side == 1 || (side == 2 && on_counts_inside);
    return (in && inside_side == 1) || (!in && inside_side == 0);
}

// Splits the line at the cursor (from s to e) at q: the two pieces written
// in its place; region_block and the region point as the sides ask; the
// cursor left on the second piece.
void cut_line(const f32* s, const f32* sn, const f32* e, const f32* en, Cross& q, i32 dim, i32 before_in,
              i32 after_in, i32& region_block, i32& status)
{
    f32 qp[3] = {q.p[0], q.p[1], 0}, qn[3];
    f64 t = 0;
    line_z_at_xy(s, e, qp, t);
    for (int k = 0; k < 3; ++k) qn[k] = static_cast<f32>(sn[k] + t * (static_cast<f64>(en[k]) - sn[k]));
    TPDELB(1, status);
    if (status < 0) return;
    i32 answer = 0;
    lmark(1, 13, answer);
    const f32 F = EDTFED;
    STPV01(F == -1.0f ? 4 : F <= -2.0f ? 27 : 1);
    PTAMCH(status);
    copy3(MOVST.point, s);
    PLINE(dim, qp, qn, 1, status);
    if (status < 0) return;
    i32 first = 0;
    LSTBLN(first);
    if (before_in != 0) region_block = first;
    if (after_in != 0 && F > 0) {
        copy3(trim_state.region, qp);
        lmark(1, 10, answer);
    }
    PLINE(dim, e, en, 1, status);
    if (status < 0) return;
    i32 second = 0;
    LSTBLN(second);
    if (after_in != 0) region_block = second;
    ncd_connect_toolpath();
    TPTOP(13, status);
    if (status >= 0) TPJUMP(2, status);
    if (status > 0) status = 0;
    copy3(q.p, qp);
}

// Writes a motion other than a line as the lines of its points in its
// place, the cursor on the first of them, so that the walk meets its
// crossings on lines.
void as_lines(const std::vector<f32>& pts, const f32* en, i32 dim, i32& status)
{
    TPDELB(1, status);
    if (status < 0) return;
    i32 answer = 0;
    lmark(1, 13, answer);
    copy3(MOVST.point, pts.data());
    const f32 up[3] = {0, 0, 1};
    const size_t k = pts.size() / 3;
    for (size_t i = 1; i < k && status >= 0; ++i) PLINE(dim, &pts[3 * i], i + 1 == k ? en : up, 1, status);
    TPTOP(13, status);
    if (status >= 0) TPJUMP(1, status);
    if (status > 0) status = 0;
}
}  // namespace

i32 contour_side(const f32* p)
{
    const TrimState& t = trim_state;
    const f64 q[2] = {p[0], p[1]};
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
    i32 number = 0;
    next_motion(1, number, type, point, normal, status);
    if (status < 0) {
        status = -2;
        return;
    }
    if (fast(EDTFED) && t.first_rapid != -1) t.first_rapid = number;
    // The motion's start: the point before it in the list, else (the first
    // motion) the end of the previous piece as given.
    i32 pnum = -1, st = 0;
    f32 before_pt[3], before_n[3];
    PRVPNT(0, before_pt, before_n, pnum, st);
    if (st == 0 && pnum != -1) {
        copy3(prev_point, before_pt);
        copy3(prev_normal, before_n);
    }
    dim_kind = type == 22 || type == 23 || type == 25 || type == 27 ? 3
               : type == 222 || type == 223 || type == 225 || type == 227 ? 2 : 1;
    const std::vector<f32> pts = motion_points(prev_point, status);
    if (status < 0 || pts.size() < 6) {
        if (status >= 0) pass(status);
        return;
    }
    std::vector<Cross> cx = crossings(pts, status);
    if (status < 0) return;
    cut_block = 0;
    auto none = [&]() {
        region_block = number;
        before_in = after_in = 0;
        pass(status);
    };
    // A rapid move of a deletion that enters and leaves is not cut.
    if (zqa(ZQA_ACTION) == ACT_DELETE && fast(EDTFED) && cx.size() % 2 == 0) return none();
    // Crossings at the motion's start.
    while (!cx.empty() && points_differ(cx.front().p, prev_point) == 0) {
        const i32 side = contour_side(point);
        if (cx.size() == 1 && ((side == 1 && t.walk_side == 3) || (side != 1 && side != 2 && t.walk_side == 1))) {
            after_in = (t.walk_side == 3 && inside_side == 1) || (t.walk_side == 1 && inside_side == 0) ? 1 : 0;
            cut_block = region_block = after_in != 0 ? number : pnum;
            if (after_in != 0) {
                i32 answer = 0;
                lacces(-1, answer);
                lmark(1, 10, answer);
                lacces(1, answer);
            }
            contour_seg = cx.front().pseg;
            contour_frac = cx.front().pfrac;
            copy3(point, prev_point);
            return;
        }
        cx.erase(cx.begin());
    }
    if (cx.empty()) return none();
    const Cross& q = cx.front();
    contour_seg = q.pseg;
    contour_frac = q.pfrac;
    // The sides before and after the first crossing.
    f32 mid[3] = {(prev_point[0] + q.p[0]) * 0.5f, (prev_point[1] + q.p[1]) * 0.5f, 0};
    before_in = chosen(contour_side(mid), inside_side, t.walk_side == 1) ? 1 : 0;
    if ((inside_side == 0 && t.walk_side == 1) || (inside_side == 1 && t.walk_side == 3)) before_in = 0;
    const f32* next = cx.size() > 1 ? cx[1].p : point;
    const f32 after[3] = {(q.p[0] + next[0]) * 0.5f, (q.p[1] + next[1]) * 0.5f, 0};
    const i32 aside = contour_side(after);
    after_in = chosen(aside, inside_side, false) ? 1 : 0;
    region_block = number;
    if (before_in == after_in) {
        if (is_string(type)) {
            BRKSTR(1, status);
            copy3(point, prev_point);
        } else {
            pass(status);
        }
        return;
    }
    // The side changes: the motion is cut at the crossing.
    if (is_line(type)) {
        if (points_differ(q.p, prev_point) == 0 || points_differ(q.p, point) == 0) return none();
        cut_block = number;
        Cross c = q;
        cut_line(prev_point, prev_normal, point, normal, c, dim_kind, before_in, after_in, region_block, status);
        copy3(point, c.p);
        return;
    }
    if (is_string(type)) {
        BRKSTR(1, status);
        i32 step = q.mseg - 1;
        if (status >= 0 && step > 0) TPJUMP(step, status);
        if (status > 0) status = 0;
        copy3(point, &pts[static_cast<size_t>(3 * (q.mseg - 1))]);
        return;
    }
    // Arcs and NURBS are met again as lines through their points.
    as_lines(pts, normal, dim_kind, status);
    copy3(point, prev_point);
    (void)is_arc;
}
