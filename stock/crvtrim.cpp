#include "stock/crvtrim.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <tuple>
#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/movement.h"
#include "blocks/readers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/prcwrd.h"
#include "stock/feedcopy.h"
#include "stock/movecur.h"
#include "stock/optedit.h"
#include "stock/optwords.h"

i32 is_plunge(const f32* P, const f32* Q)
{
    return eqval0(Q[0] - P[0]) && eqval0(Q[1] - P[1]) && Q[2] < P[2] ? 1 : 0;
}

f64 dist_pt_line(const f64* p, const f64* a, const f64* b)
{
    const f64 dx = b[0] - a[0], dy = b[1] - a[1], len = std::hypot(dx, dy);
    if (len == 0.0) return std::hypot(p[0] - a[0], p[1] - a[1]);
    return std::fabs(dx * (p[1] - a[1]) - dy * (p[0] - a[0])) / len;
}

namespace {
constexpr f64 STEP = 0.1;   // bracket width and move
constexpr i32 HALVINGS = 100;

// Value of the search at a parameter: the curve's point there and its
// signed distance from the target (status -1 outside the curve).
using Target = std::function<f64(const f64*)>;

f64 at(const i32& curve, bool world, f64 t, f64* p, const Target& f, i32& status)
{
    f64 m[3];
    evbcrv(curve, t, m, status);
    if (status != 0) return 0.0;
    if (world)
        madm2w(m, p);
    else
        std::copy(m, m + 3, p);
    return f(p);
}

// The bracket search and the halving that keeps the target between the
// ends (an end is replaced by the middle when their values lie on the same
// side of it).
void search(f64* point, f64& t, const i32& curve, bool world, const Target& f, i32& status)
{
    f64 lo0 = 0, hi0 = 0;
    evbrng(curve, lo0, hi0, status);
    if (status != 0) return;
    f64 a = std::max(t - STEP, lo0), b = std::min(t + STEP, hi0), pa[3], pb[3];
    f64 fa = at(curve, world, a, pa, f, status), fb = at(curve, world, b, pb, f, status);
    if (status != 0) return;
    // The window's moves, bounded: a curve that turns between the ends can
    // send the window back and forth.
    const i32 budget = 2 * static_cast<i32>(std::ceil((hi0 - lo0) / STEP)) + 4;
    for (i32 moves = 0; fa * fb > 0.0 && moves < budget; ++moves) {
        if (a <= lo0 && b >= hi0) break;
        // Move on beyond the end nearer the target (it becomes the other
        // bound); at the curve's end, widen the other way instead.
        const bool low = std::fabs(fa) < std::fabs(fb);
        if ((low && a > lo0) || b >= hi0) {
            if (low) b = a, fb = fa, std::copy(pa, pa + 3, pb);
            a = std::max(a - STEP, lo0);
            fa = at(curve, world, a, pa, f, status);
        } else {
            if (!low) a = b, fa = fb, std::copy(pb, pb + 3, pa);
            b = std::min(b + STEP, hi0);
            fb = at(curve, world, b, pb, f, status);
        }
        if (status != 0) return;
    }
    if (fa * fb > 0.0) {
        // Steps of the bracket's width outwards from t, both ways at once:
        // the first that holds the target is taken; none, never reached.
        bool found = false;
        for (f64 r = 0.0; !found && (t - r > lo0 || t + r < hi0); r += STEP)
            for (f64 side : {-1.0, 1.0}) {
                const f64 u = std::clamp(t + side * r, lo0, hi0), v = std::clamp(u + side * STEP, lo0, hi0);
                f64 pu[3], pv[3];
                const f64 fu = at(curve, world, u, pu, f, status), fv = at(curve, world, v, pv, f, status);
                if (status != 0) return;
                if (!found && u != v && fu * fv <= 0.0) {
                    a = std::min(u, v), b = std::max(u, v);
                    fa = u < v ? fu : fv, fb = u < v ? fv : fu;
                    std::copy(u < v ? pu : pv, (u < v ? pu : pv) + 3, pa);
                    std::copy(u < v ? pv : pu, (u < v ? pv : pu) + 3, pb);
                    found = true;
                }
            }
        if (!found) {
            status = -1;
            return;
        }
    }
    // An end already on the target is the answer: the halving keeps the
    // target between ends of opposite sides, and an end of value zero lies
    // on neither, so the halving could drop it and lose the target.
    for (const auto& [u, fu, pu] : {std::tuple{a, fa, pa}, std::tuple{b, fb, pb}})
        if (eqvl0d(fu)) {
            t = u;
            std::copy(pu, pu + 3, point);
            return;
        }
    for (i32 k = 0; k < HALVINGS; ++k) {
        // The middle of the bracket as it is, not its absolute value: a
        // curve whose parameters run below 0 would otherwise be probed
        // outside the bracket.
        const f64 m = (a + b) / 2.0;
        f64 pm[3];
        const f64 fm = at(curve, world, m, pm, f, status);
        if (status != 0) return;
        if (eqvl0d(fm)) {
            t = m;
            std::copy(pm, pm + 3, point);
            return;
        }
        // The end on the same side of the target as the middle gives way
        // to it, not the end whose value is farther from the target: that
        // one can be the end across the target (ends at -0.01 and 0.19,
        // middle at -0.005), and replacing it would leave both ends on one
        // side, the target lost.
        if ((fm > 0.0) == (fa > 0.0))
            a = m, fa = fm;
        else
            b = m, fb = fm;
    }
    status = -1;
}
}  // namespace

void bcrv_par_at_z(f64* point, f64& t, const i32& curve, const f64& z, i32& status)
{
    search(point, t, curve, true, [&](const f64* p) { return p[2] - z; }, status);
}

void bcrv_par_at_line(const i32& flag, f64* point, f64& t, const i32& curve, const f64* a, const f64* b,
                      i32& status)
{
    const f64 dx = b[0] - a[0], dy = b[1] - a[1], len = std::hypot(dx, dy);
    if (len == 0.0) {
        status = -1;
        return;
    }
    // The distance signed by the side of the line, so that a crossing is a
    // change of sign. The line through a and b, not the segment between
    // them: a curve is trimmed where it crosses the edge's line, which its
    // callers have found it to cross on the edge, and a crossing just past
    // an end of the segment (the curve leaving at a corner) still cuts it.
    search(point, t, curve, flag == 0,
           [&](const f64* p) { return (dx * (p[1] - a[1]) - dy * (p[0] - a[0])) / len; }, status);
}

namespace {
// Writes the piece of the curve between two parameters as a NURBS move.
void write_piece(i32 k, i32 n, const f64* knots, const f64* points, i32 dim, f64 t0, f64 t1, i32& number,
                 i32& status)
{
    std::vector<f64> U(static_cast<size_t>(n + 3 * k)), P(static_cast<size_t>((n + 2 * k) * dim));
    std::copy(knots, knots + n + k, U.begin());
    std::copy(points, points + n * dim, P.begin());
    i32 m = n;
    bcrtrme(k, m, U.data(), P.data(), dim, t0, t1, status);
    if (status != 0) {
        eroutc("trim_nurbs_move, THE CURVE CANNOT BE CUT THERE", 0);
        status = -1;
        return;
    }
    std::vector<f64> xyz(static_cast<size_t>(3 * m), 0.0);
    for (i32 i = 0; i < m; ++i)
        for (i32 d = 0; d < std::min(dim, 3); ++d) xyz[static_cast<size_t>(3 * i + d)] = P[static_cast<size_t>(i * dim + d)];
    PNURB2(k, m, U.data(), xyz.data(), status);
    if (status >= 0) number = optim_block_here();
}
}  // namespace

void trim_nurbs_move(const f64* trim1, const f64* trim2, const f64* start, const f64* end, const f64& t1,
                     const f64& t2, i32& n, const f64* knots, const f64* points, const i32& k, const i32& dim,
                     i32& block, i32& block2, i32& status)
{
    CMPBLK[CMP_CHANGED] = 1;
    i32 number = 0, type = 0, size = 0, tc = 0;
    f32 feed = 0;
    find_move(MV_LIST, 1, number, type, size, feed, tc, status);
    if (status >= 0 && !mv_nurbs(type)) status = -1;
    if (status >= 0) feed_at_move(-1, number, feed, status);
    if (status < 0) return;
    PathEdit edit;
    edit.begin();
    edit.doom();
    for (i32 c = 0; c < 3; ++c) MOVST.point[c] = static_cast<f32>(trim1[c]);
    // The first piece starts and the last piece ends at the ends of the
    // curve's domain (knots k-1 and n), which are its first and last knots
    // for the clamped knots the paths carry; for unclamped knots the knots
    // outside the domain give no point of the curve.
    const bool head = eqptd(3, trim1, start) == 0, tail = eqptd(3, trim2, end) == 0;
    if (head) write_piece(k, n, knots, points, dim, knots[k - 1], t1, block, status);
    // The pieces after the first are written behind the move's own feed,
    // with its fraction and in the form the feed writer gives that value (a
    // named feed by its code): a feed cut to a whole number would move the
    // rest of the curve at another feed, and an explicit value would not
    // follow a later change of the named feed. A feed not found (0) writes
    // nothing: the feed in force before the move goes on.
    auto refeed = [&] {
        if (status >= 0 && feed != 0.0f) write_feed_form(feed, status);
    };
    if (head) refeed();
    if (status >= 0) write_piece(k, n, knots, points, dim, t1, t2, block2, status);
    // Without a first piece the number handed in is the deleted move's:
    // the middle piece's number goes back in its place, so that the caller
    // and the return below find a block that is in the path.
    if (!head) block = block2;
    if (tail) refeed();
    if (status >= 0 && tail) {
        i32 last = 0;
        write_piece(k, n, knots, points, dim, t2, knots[n], last, status);
    }
    edit.finish(status);
    if (status < 0) return;
    goto_block(-1, block, status);
}

void crv_nearest(const i32& curve, const f32* at, f64& t, f64* point, i32& status)
{
    const f64 w[3] = {at[0], at[1], at[2]};
    f64 m[3], q[3], d2 = 0;
    madw2m(w, m);
    cptcrv2(curve, m, t, q, d2, status);
    if (status != 0) {
        status = -1;
        return;
    }
    madm2w(q, point);
}

i32 crv_cut_at(const NurbsMove& c, const f64& t, const f64* cut, const f32* start, i32& block, i32& status)
{
    status = 0;
    const f64 t1 = c.knots[static_cast<size_t>(c.n)];
    if (!(t > c.knots[static_cast<size_t>(c.k - 1)] && t < t1)) return 0;
    const f64 S[3] = {start[0], start[1], start[2]};
    const f64* end = c.pts.data() + 3 * (c.n - 1);
    // A cut point on the move's start or end is an end of the move too: the
    // trim would write no piece before it (or none after it), and the piece
    // handed back as the one before the cut would be the whole move.
    if (eqptd(3, cut, S) != 0 || eqptd(3, cut, end) != 0) return 0;
    i32 a = 0, n = c.n, rest = 0;
    goto_block(-1, block, status);
    if (status < 0) return 0;
    lacces(0, a);
    trim_nurbs_move(cut, end, S, end, t, t1, n, c.knots.data(), c.pts.data(), c.k, 3, block, rest, status);
    return status < 0 ? 0 : 1;
}
