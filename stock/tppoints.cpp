#include "stock/tppoints.h"

#include <algorithm>
#include <cmath>

#include "blocks/format.h"
#include "blocks/readers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/names.h"
#include "core/prcwrd.h"
#include "stock/movecur.h"
#include "stock/optwords.h"
#include "stock/stkgrid.h"
#include "tools/toolcache.h"

void plane_axes(i32 plane, int& u, int& v, int& w)
{
    u = plane == 3 ? 1 : 0;
    v = plane == 1 ? 1 : 2;
    w = plane == 1 ? 2 : plane == 2 ? 1 : 0;
}

namespace {

// The growing point and block arrays.
struct PointList {
    i32 ph = -1, bh = -1, n = 0, cap = 0;
    f32* p = nullptr;
    i32* b = nullptr;
    void open(i32& st)
    {
        void *pb = nullptr, *bb = nullptr;
        MM_OPEN_ARRAY(12, 500, ph, pb, st);
        if (st >= 0) MM_OPEN_ARRAY(4, 500, bh, bb, st);
        p = static_cast<f32*>(pb);
        b = static_cast<i32*>(bb);
        cap = 500;
    }
    bool room(i32 more, i32& st)
    {
        if (n + more <= cap) return true;
        const i32 add = std::max(500, more + 2);
        void *pb = nullptr, *bb = nullptr;
        MM_RESIZE_ARRAY(ph, add, pb, st);
        if (st >= 0) MM_RESIZE_ARRAY(bh, add, bb, st);
        if (st < 0) return false;
        p = static_cast<f32*>(pb);
        b = static_cast<i32*>(bb);
        cap += add;
        return true;
    }
    void add(const f32* q, i32 block)
    {
        std::copy(q, q + 3, p + 3 * n);
        b[n++] = block;
    }
    void close()
    {
        i32 st = 0;
        if (ph >= 0) MM_CLOSE(ph, st);
        if (bh >= 0) MM_CLOSE(bh, st);
        ph = bh = -1;
    }
};

// The two points of a tool record for tool `id`, by its type: a mill gives
// its diameter, corner radius, cut length and taper; a drill with a
// diameter above 0 a 0.01 wide cone of its tip, or a cylinder of its cut
// length when its tip is flat. Any other tool, and a drill of no diameter,
// gives the first X alone, the record's other words 0: the stamping has no
// shape for it and refuses a diameter of 0 with its message, as it refuses
// such a tool when it is the procedure's own, rather than cut the stock
// with a stand-in. The words are written 0, not left as the array holds
// them: a grown array keeps whatever was there, which could read as a tool.
void tool_record(i32 id, f32* two)
{
    f32 D = 0, R = 0, L = 0, T = 0;
    i32 type = -1;
    GTTTYP(id, type);
    if (type == TT_MILL) {
        GTDIAM(id, D);
        GTCRNR(id, R);
        GTCUTL(id, L);
        GTTAPA(id, T);
    } else if (type == TT_DRILL) {
        f32 d = 0;
        GTDRDI(id, d);
        if (d > 0.0f) {
            GTDRTA(id, T);
            T *= 0.5f;
            if (T > 89.0f) {
                // A flat-tipped drill is stamped as a cylinder of its own
                // diameter and cut length, as the stock run shapes the
                // procedure's own tool. A 0.01 wide record with no taper
                // would stamp a needle that cuts no stock under the drill.
                T = 0.0f;
                D = d;
                GTDRCU(id, L);
            } else {
                D = 0.01f;
                L = static_cast<f32>((d - 0.01) * 0.5 / std::tan(f64(T) * M_PI / 180.0));
            }
        }
    }
    // The values go as the tool gives them: a mill's diameter not above 0,
    // or a negative corner radius, cut length or taper, is a broken tool,
    // which the stamping refuses with its own message rather than cutting
    // the stock with another shape.
    const f32 rec[6] = {TP_TOOLREC, D, R, L, T, 0.0f};
    std::copy(rec, rec + 6, two);
}
}  // namespace

void arc_points(const f32* start, const i32& plane, const f32& angle, const f32* centre, const f32* end,
                const f32& tol, i32 n_steps, std::vector<f32>& out)
{
    int u = 0, v = 1, w = 2;
    plane_axes(plane, u, v, w);
    // The radius on the arc plane's own axes: the centre's two values lie
    // there, so for an XZ or YZ arc a distance in XY would mix a height into
    // the radius.
    const f64 r = std::hypot(f64(end[u]) - centre[0], f64(end[v]) - centre[1]);
    i32 n = n_steps;
    // An arc of no radius, a tolerance of 0 or one that spans the whole
    // diameter has one chord; the count is held to a million so that a tiny
    // tolerance cannot overflow it.
    if (n < 1) {
        const f64 c = 1.0 - f64(tol) / r;
        if (!(r > 0.0) || c <= -1.0 || !(tol > 0.0f)) {
            n = 1;
        } else {
            const f64 a = std::acos(std::min(1.0, c));
            n = a > 0.0 ? static_cast<i32>(std::min(1.0e6, std::fabs(f64(angle) / a))) + 1 : 1;
        }
    }
    // n chords: n - 1 points rotated by 1 .. n - 1 steps, then the end
    // point itself. A point rotated by the n-th step would be the end again
    // (the step is the angle / n), one chord of no length.
    const f64 s = f64(angle) / n;
    f64 du = f64(start[u]) - centre[0], dv = f64(start[v]) - centre[1];
    const f64 cs = std::cos(s), sn = std::sin(s);
    for (i32 k = 1; k < n; ++k) {
        const f64 nu = du * cs - dv * sn, nv = du * sn + dv * cs;
        du = nu;
        dv = nv;
        f32 q[3];
        q[u] = static_cast<f32>(centre[0] + du);
        q[v] = static_cast<f32>(centre[1] + dv);
        q[w] = end[w];
        out.insert(out.end(), q, q + 3);
    }
    out.insert(out.end(), end, end + 3);
}

void arc_chords(const i32& type, const f32* start, std::vector<f32>& out, f32* end, i32& plane, f32& angle,
                i32& status, f32* centre)
{
    i32 h = 0;
    f32 step = 0, c[2], v[3], D = 0;
    RDBT3(MV_LIST, type, h, plane, angle, step, c, end, v, status);
    if (centre) centre[0] = c[0], centre[1] = c[1];
    GTDIAM(CURTOL, D);
    const f32 tol = std::min(wrd2r(CMPBLK[CMP_ENLARGE_PCT]) * D * 0.01f, stk_grid.cell) * 0.25f;
    if (status >= 0) arc_points(start, plane, angle, c, end, tol, 0, out);
}

void arc_point_at(const f32* start, const i32& plane, const f32* centre, const f32* end, const f32& a, f32* out)
{
    int u = 0, v = 1, w = 2;
    plane_axes(plane, u, v, w);
    const f64 du = f64(start[u]) - centre[0], dv = f64(start[v]) - centre[1];
    const f64 cs = std::cos(f64(a)), sn = std::sin(f64(a));
    out[u] = static_cast<f32>(centre[0] + du * cs - dv * sn);
    out[v] = static_cast<f32>(centre[1] + du * sn + dv * cs);
    out[w] = end[w];
}

f64 poly_point_at(const f32* start, const std::vector<f32>& pts, const f32& s, f32* at)
{
    f32 Q[3] = {start[0], start[1], start[2]}, left = s;
    const size_t n = pts.size() / 3;
    for (size_t k = 0; k < n; ++k) {
        const f32* E = pts.data() + 3 * k;
        const f64 l = std::hypot(std::hypot(f64(E[0]) - Q[0], f64(E[1]) - Q[1]), f64(E[2]) - Q[2]);
        if (l > 0.0 && left <= l) {
            const f64 f = left / l;
            for (int c = 0; c < 3; ++c) at[c] = static_cast<f32>(Q[c] + (f64(E[c]) - Q[c]) * f);
            return f64(k) + f;
        }
        left -= static_cast<f32>(l);
        std::copy(E, E + 3, Q);
    }
    std::copy(Q, Q + 3, at);
    return f64(n);
}

void move_chords(const i32& type, const i32& size, const f32* start, std::vector<f32>& out, f32* end,
                 i32& status)
{
    out.clear();
    status = 0;
    i32 h = 0;
    if (mv_arc(type)) {
        i32 plane = 0;
        f32 angle = 0;
        arc_chords(type, start, out, end, plane, angle, status);
    } else if (mv_nurbs(type)) {
        nurbs_points(MV_LIST, size, stk_grid.cell * 0.25f, h, out, status);
        if (status >= 0 && !out.empty()) std::copy(out.end() - 3, out.end(), end);
    } else {
        status = -1;
    }
}

void nurbs_move_read(const i32& mode, const i32& size, NurbsMove& c, i32& status)
{
    // The scratch of a curve (the knots and points read here, the points
    // converted in nurbs_move_curve) is held in vectors, not taken from the
    // host allocator: it lives only within the call and is never handed to
    // the host by handle, and a vector is given back on every return, the
    // early ones of a failed read too, where each return would otherwise
    // have to free every block taken with its size.
    const i32 cap = std::max(size, 4);
    std::vector<f32> knots(static_cast<size_t>(2 * cap)), pts(static_cast<size_t>(3 * cap));
    RDBT5(mode, 2 * cap, cap, c.number, c.k, c.n, knots.data(), pts.data(), status);
    if (status < 0) return;
    if (c.n < 1 || c.k < 1 || c.n > cap) {
        status = -1;
        return;
    }
    // The knot vector of n + k values: the remaining knots are the first one
    // stored after the control points, repeated.
    c.knots.resize(static_cast<size_t>(c.n + c.k));
    for (i32 i = 0; i < c.n + c.k; ++i) c.knots[static_cast<size_t>(i)] = knots[static_cast<size_t>(std::min(i, c.n))];
    c.pts.assign(pts.begin(), pts.begin() + 3 * c.n);
}

i32 nurbs_move_curve(const NurbsMove& c)
{
    std::vector<f64> mp(c.pts.size());
    for (i32 i = 0; i < c.n; ++i) madw2m(c.pts.data() + 3 * i, mp.data() + 3 * i);
    i32 curve = 0, status = 0;
    evbcre_bsp(c.k, c.n, c.knots.data(), mp.data(), -1, 3, curve, status);
    return status == 0 ? curve : 0;
}

void nurbs_move_poly(const NurbsMove& c, const i32& curve, const f32& tol, std::vector<f32>& out, i32& status)
{
    status = 0;
    if (curve == 0) {
        // Not a curve the host can build (knots it refuses): the move is
        // still a move of the path, and its control points, which the curve
        // lies within, stand for it rather than fail the whole list; at most 999 of them
        // after the first, as many as the host's flattening gives, evenly
        // spread and the last always kept: a move never gives more than
        // 1000 points, however many control points it holds.
        const i32 m = std::min(c.n - 1, NURBS_POINTS_MAX - 1);
        for (i32 j = 1; j <= m; ++j) {
            const i32 i = m == c.n - 1 ? j : static_cast<i32>((static_cast<long long>(j) * (c.n - 1) + m - 1) / m);
            for (i32 a = 0; a < 3; ++a) out.push_back(static_cast<f32>(c.pts[static_cast<size_t>(3 * i + a)]));
        }
        return;
    }
    std::vector<f64> poly(3 * NURBS_POINTS_MAX);
    i32 count = 0;
    crvpld2(curve, tol, NURBS_POINTS_MAX, count, poly.data(), status);
    if (status != 0) {
        status = -1;
        return;
    }
    // The curve's first point is its start, the end of the move before it,
    // already in the list: appending it would give a chord of no length and
    // take one of the move's 1000 points.
    for (i32 i = 1; i < count; ++i) {
        f64 wq[3];
        madm2w(poly.data() + 3 * i, wq);
        const f32 q[3] = {f32(wq[0]), f32(wq[1]), f32(wq[2])};
        out.insert(out.end(), q, q + 3);
    }
}

i32 nurbs_move_open(const i32& size, NurbsMove& c, std::vector<f32>& pts, f32* end, i32& status)
{
    nurbs_move_read(MV_LIST, size, c, status);
    if (status < 0) return 0;
    const i32 curve = nurbs_move_curve(c);
    nurbs_move_poly(c, curve, stk_grid.cell * 0.25f, pts, status);
    if (status < 0) {
        if (curve != 0) evbfre(curve);
        return 0;
    }
    for (i32 k = 0; k < 3; ++k) end[k] = static_cast<f32>(c.pts[static_cast<size_t>(3 * (c.n - 1) + k)]);
    if (!pts.empty()) std::copy(pts.end() - 3, pts.end(), end);
    return curve;
}

void nurbs_points(const i32& mode, const i32& size, const f32& tol, i32& number, std::vector<f32>& out,
                  i32& status)
{
    NurbsMove c;
    nurbs_move_read(mode, size, c, status);
    number = c.number;
    if (status < 0) return;
    const i32 curve = nurbs_move_curve(c);
    nurbs_move_poly(c, curve, tol, out, status);
    if (curve != 0) evbfre(curve);
}

void tp_to_points(const i32& purpose, const i32& mode, i32& points, i32& blocks, i32& count, i32& status)
{
    points = blocks = -1;
    count = 0;
    PointList L;
    L.open(status);
    if (status < 0) {
        L.close();
        return;
    }
    ent_blk_count(mode);
    const f32 tol = stk_grid.cell * 0.25f;
    f32 last[3] = {0.0f, 0.0f, 0.0f};  // the last real position (a tool record is none)
    bool have_last = false;
    // Drilling cycle state.
    f32 H = 0, R = 0, Dp = 0;
    i32 K = 0, K2 = 0, first = 1, last_drill = -1;
    std::vector<f32> add;
    status = 0;
    while (true) {
        i32 hit = 0;
        SPCHIT(hit);
        if (hit != 0) {
            // The stock and optimizer's user stop: 1000, which the stock and
            // gouge runs hand up as a stop, not as a failure.
            status = 1000;
            break;
        }
        const i32 tool = CURTOL;
        i32 number = 0, type = 0, size = 0, tc = 0, st = 0;
        f32 feed = 0;
        find_move(mode, 1, number, type, size, feed, tc, st);
        if (st < 0) break;
        add.clear();
        if (CURTOL != tool && purpose != 3) {
            f32 two[6];
            tool_record(CURTOL, two);
            if (!L.room(2, status)) break;
            // Both points carry the block number of the move that follows.
            L.add(two, number);
            L.add(two + 3, number);
        }
        i32 h = 0;  // find_move left the cursor on the block's number
        f32 p[3], v[3];
        if (mv_line(type) || mv_string(type)) {
            i32 records = 1;
            for (i32 r = 0; r < records; ++r) {
                RDBT2(mode, type, size, records, h, p, v, st);
                if (st < 0) break;
                add.insert(add.end(), p, p + 3);
            }
        } else if (mv_arc(type)) {
            i32 plane = 0;
            f32 angle = 0, step = 0, c[2];
            RDBT3(mode, type, h, plane, angle, step, c, p, v, st);
            if (st >= 0) {
                int u = 0, w = 1, z = 2;
                plane_axes(plane, u, w, z);
                const f32 r = std::hypot(p[u] - c[0], p[w] - c[1]);
                const f32 a = r > 0.0f && tol < 2.0f * r ? std::acos(1.0f - tol / r) : 0.0f;
                i32 n = 1;
                if (a > 0.0f) setdel_nc(angle, a, n);
                // With no point before it (the path's first move) the arc's
                // start is unknown: turned from its end, the chords would go
                // on past it by the whole sweep, where the tool never went.
                // Its end point alone is appended, as a first line's is.
                if (have_last)
                    arc_points(last, plane, angle, c, p, tol, n, add);
                else
                    add.insert(add.end(), p, p + 3);
            }
        } else if (mv_nurbs(type)) {
            nurbs_points(mode, size, tol, h, add, st);
        } else if (type == 30) {
            i32 code = 0, i1 = 0;
            // The activation's reals: del-Z surface, depth, clearance, then
            // the initial distance. Retract mode 2 retracts to the initial
            // plane and 1 to the R-plane, so the height H a cycle starts at
            // and retracts to in mode 2 is the initial distance (made
            // absolute at the first location), and the retract offset R
            // above each point the clearance; the del-Z surface is not used.
            f32 surface = 0;
            RDBT30(mode, h, code, i1, surface, Dp, R, K, H, st);
            K2 = K;
            first = 1;
        } else if (type == 34) {
            // The retract mode in force after the block is its first int:
            // the tool path display takes the same word as the cycle's
            // retract mode, so the stock follows the moves the user is
            // shown. The second int is not used here.
            i32 b = 0;
            RDBT34(mode, h, K, b, st);
            K2 = K;
        } else if (type == 36) {
            f32 b = 0;
            RDBT36(mode, h, Dp, b, st);
        } else if (type == 31) {
            f32 d[3];
            i32 i1 = 0;
            RDBT31(mode, size, h, p, d, i1, st);
            if (st >= 0) {
                f32 S = 0;
                if (first) {
                    H += p[2];
                    S = H;
                    first = 0;
                } else {
                    S = K == 2 && K2 == 2 ? H : p[2] + R;
                    if (last_drill >= 0) L.p[3 * last_drill + 2] = std::max(L.p[3 * last_drill + 2], S);
                    if (K == 2) K2 = 2;
                }
                const f32 q[9] = {p[0], p[1], S, p[0], p[1], p[2] - Dp, p[0], p[1], K != 2 ? p[2] + R : H};
                add.insert(add.end(), q, q + 9);
            }
        } else if (mode == MV_ENTITY && size > 1) {
            // A motion the list takes nothing from: its words are passed
            // over here. Reading an entity, the step to the next block only
            // counts the blocks down, and find_move left the cursor on this
            // block's number, so its words would be read as the next header.
            tpskpn(MED_ENTITY, size - 1, DT_INT, st);
        }
        if (st < 0) break;  // a read error ends the list where it is
        const i32 np = static_cast<i32>(add.size() / 3);
        if (!L.room(np, status)) break;
        for (i32 k = 0; k < np; ++k) L.add(add.data() + 3 * k, number);
        if (type == 31) last_drill = L.n - 1;
        if (np > 0) {
            std::copy(add.end() - 3, add.end(), last);
            have_last = true;
        }
        next_block(mode, st);
        if (st < 0) break;
    }
    if (status < 0 && status != 1000) {
        L.close();
        return;
    }
    points = L.ph;
    blocks = L.bh;
    count = L.n;
}
