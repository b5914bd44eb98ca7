#include "stock/stepdown.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/movement.h"
#include "blocks/readers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "stock/movecur.h"
#include "stock/optedit.h"
#include "stock/stkimage.h"
#include "stock/stkstamp.h"
#include "tools/toolcache.h"

namespace {
// One move of the run as read: its family, end, and for arcs and NURBS
// what their writers need again.
struct RunMove {
    i32 type = 0;
    f32 end[3] = {0, 0, 0};
    i32 plane = 0;
    f32 angle = 0, centre[2] = {0, 0}, normal[3] = {0, 0, 1};
    i32 k = 0;
    std::vector<f64> knots, points;
};

void read_move(i32 type, std::vector<RunMove>& run, i32& status)
{
    i32 size = 0, t = 0, cls = 0, number = 0;
    TPBLKH(MV_LIST, size, t, cls, status);
    if (status < 0) return;
    RunMove m;
    m.type = type;
    if (mv_line(type) || mv_string(type)) {
        i32 records = 1;
        f32 v[3];
        for (i32 r = 0; r < records && status >= 0; ++r) {
            RDBT2(MV_LIST, type, size, records, number, m.end, v, status);
            m.type = 2;
            run.push_back(m);
        }
    } else if (mv_arc(type)) {
        f32 step = 0;
        RDBT3(MV_LIST, type, number, m.plane, m.angle, step, m.centre, m.end, m.normal, status);
        run.push_back(m);
    } else if (mv_nurbs(type)) {
        i32 n = 0;
        std::vector<f32> kn(static_cast<size_t>(size) + 1), pt(3 * static_cast<size_t>(size) + 3);
        RDBT5(MV_LIST, size, size, number, m.k, n, kn.data(), pt.data(), status);
        if (status < 0 || n < 1) return;
        // The block holds the whole knot vector, count + order values: all of
        // them are taken. Completing it by repeating the first knot stored
        // after the control points would change the ends of a curve whose
        // knots are not clamped, and the copy would no longer lie over the
        // move it repeats.
        m.knots.assign(kn.begin(), kn.begin() + n + m.k);
        m.points.assign(pt.begin(), pt.begin() + 3 * n);
        std::copy(pt.begin() + 3 * (n - 1), pt.begin() + 3 * n, m.end);
        run.push_back(m);
    }
}

// The moves after the cursor up to block j3, and the feed in force at the
// first. The run is read into memory once and the passes are written from
// it through one edit that a failed write takes back whole: no list marks
// are kept for the place of insertion or the walk over the run, and no
// block number is read back from the copies.
void read_run(i32 j3, std::vector<RunMove>& run, f32& feed, i32& status)
{
    bool first = true;
    while (true) {
        i32 number = 0, type = 0, size = 0, tc = 0;
        f32 f = 0;
        TPJUMP(1, status);
        if (status < 0) return;
        find_move(MV_LIST, 1, number, type, size, f, tc, status);
        if (status < 0) return;
        if (first) feed_at_move(1, number, feed, status);
        if (status < 0) return;
        first = false;
        read_move(type, run, status);
        if (status < 0 || number == j3) return;
    }
}

struct Passes {
    f32 s = 0, T = 0, feed = 0, dz = 0;
    i32 status = 0;
    // With a safety distance of 0 a link's rise from the stock's height
    // and its plunge after the descent go to where the tool stands: the
    // line writer writes no such move.
    void line(const f32* p)
    {
        if (status >= 0) optim_line(p, status);
    }
    // The feed blocks of the passes are written, not drawn one by one: the
    // run shows the procedure anew when it ends, passes and all, and a draw
    // of each block reads the list around the cursor, which a refused
    // access there would leave one element on while the write goes through.
    void form(i32 code)
    {
        if (status >= 0) write_feed_code(code, status);
    }
    // From A to B: up, across and down a safety distance above the stock
    // found along the way, then the plunge onto B. B lies on a pass (or the
    // run) a step dz below the pass above it, which has left the material
    // there at B's height + dz: the rapid goes down to a safety distance
    // above that level, not above B. Down to B + s, with s below dz, the
    // rapid would dive into the layer still to be cut by the plunge.
    void link(const f32* A, const f32* B)
    {
        f32 h = std::max(A[2], B[2]);
        if (A[0] != B[0] || A[1] != B[1]) {
            f32 tm = 0, te = 0;
            i32 st = 0;
            stk_move_top(A, B, tm, te, st);
            if (st == 0) h = std::max(h, tm);
        }
        const f32 Z = h + s;
        const f32 low = std::min(B[2] + dz + s, Z);
        const f32 up[3] = {A[0], A[1], Z}, over[3] = {B[0], B[1], Z}, down[3] = {B[0], B[1], low};
        form(27);
        line(up);
        line(over);
        if (low < Z) line(down);
        form(3);
        line(B);
    }
    // The cutting moves' feed: the feed in force as an explicit value, also
    // when it equals a named feed of the machine values. A feed in force
    // below 0 is the rapid or the maximum feed, written in its own form: as
    // an explicit value it would be no feed the machine can run at.
    void cut_feed()
    {
        if (status < 0) return;
        if (feed < 0.0f)
            write_feed_form(feed, status);
        else
            write_feed_value(feed, status);
    }
    void copy(const RunMove& m, f32 off)
    {
        cut_feed();
        const f32 e[3] = {m.end[0], m.end[1], m.end[2] + off};
        if (m.type == 2) {
            line(e);
        } else if (mv_arc(m.type)) {
            // The centre is raised with the arc: in the XZ and YZ planes its
            // second value is its height, which the arc writer takes as
            // given. Left where it was, the raised ends would lie on
            // another circle about it, a larger arc that dips below the
            // pass. An XY arc's centre has no height.
            const f32 c[2] = {m.centre[0], m.plane == 1 ? m.centre[1] : m.centre[1] + off};
            if (status >= 0) PARCOP(1, m.plane, m.angle, c, e, m.normal, status);
        } else if (status >= 0) {
            std::vector<f64> p = m.points;
            for (size_t i = 2; i < p.size(); i += 3) p[i] += off;
            const i32 n = static_cast<i32>(p.size() / 3);
            PNURB2(m.k, n, m.knots.data(), p.data(), status);
        }
    }
    bool reaches(const RunMove& m, const f32* prev, f32 off) const
    {
        if (m.type == 2) return m.end[2] + off <= T || prev[2] + off <= T;
        if (mv_arc(m.type)) return m.end[2] + off <= T;
        for (size_t i = 2; i < m.points.size(); i += 3)
            if (static_cast<f32>(m.points[i]) + off < T) return true;
        return false;
    }
};
}  // namespace

void step_down_passes(const i32& j1, const i32& j2, const i32& j3, const i32& n, const f32& d, const f32& top,
                      i32& status)
{
    Passes w;
    w.s = optim_safety(status);
    if (status < 0) return;
    f32 D = 0;
    GTDIAM(CURTOL, D);
    w.T = top + D;
    stk_image_select(0, status);
    if (status < 0) return;
    const f32 dz = d / static_cast<f32>(n);
    w.dz = dz;
    i32 a = 0;
    lacces(2, a);
    goto_block(1, j2, status);
    f32 P0[3];
    if (status >= 0) move_end_point(P0, status);
    std::vector<RunMove> run;
    if (status >= 0) read_run(j3, run, w.feed, status);
    if (status < 0) return;
    // The move after the run and the feed in force there (its own, else the
    // one found back from it), read before the path changes.
    i32 after = -1;
    f32 after_feed = 0.0f;
    {
        i32 st = 0, type = 0, size = 0, tc = 0;
        TPJUMP(1, st);
        if (st == 0) find_move(MV_LIST, 1, after, type, size, after_feed, tc, st);
        if (st >= 0 && after > 0 && after_feed == 0.0f) feed_at_move(1, after, after_feed, st);
        // A run that ends the path has no move after it (the list's end):
        // it is still stepped down, with no feed to write again. A step or
        // a read the list refuses fails here, before the path changes.
        if (st < 0 && st != -2) {
            status = st;
            return;
        }
        if (st != 0) after = -1;
    }
    // The lines after j1 up to j2 give way to one rapid above P0.
    std::vector<i32> gone;
    lacces(2, a);
    goto_block(1, j1, status);
    // The writers go on from where the tool stands after j1 (or j2).
    f32 here[3] = {P0[0], P0[1], P0[2]};
    if (status >= 0 && j1 != j2) move_end_point(here, status);
    while (status >= 0 && j1 != j2) {
        i32 number = 0, type = 0, size = 0, tc = 0, pos = 0;
        f32 f = 0;
        TPJUMP(1, status);
        if (status >= 0) find_move(MV_LIST, 1, number, type, size, f, tc, status);
        if (status < 0) break;
        if (!mv_line(type)) {
            // An arc or a curve in the stretch: the stretch stays whole. An
            // arc kept behind deleted lines would start from a point the
            // tool no longer passes, off its own circle; the tool then
            // stands at P0 after the stretch, as when j1 = j2.
            gone.clear();
            std::copy(P0, P0 + 3, here);
            break;
        }
        lgtpos(pos);
        gone.push_back(pos);
        if (number == j2) break;
    }
    if (status < 0) return;
    lacces(2, a);
    goto_block(1, j2, status);
    if (status < 0) return;
    PathEdit edit;
    edit.begin();
    for (i32 k : gone) edit.doom_at(k);
    std::copy(here, here + 3, MOVST.point);
    // The rapid above P0 only where P0 clears the stock top by the safety
    // distance: the stretch then ran in the air. Lower down it ran in the
    // stock, and the first pass is reached from where the tool stands by
    // the plunge-feed line below, not by a rapid through the stock.
    if (!gone.empty() && top + w.s < P0[2]) {
        const f32 above[3] = {P0[0], P0[1], std::max(top + w.s, static_cast<f32>(n - 1) * dz + P0[2])};
        w.form(27);
        w.line(above);
    }
    // The first pass goes on from the last point written: the rapid above
    // P0, or where the tool stands after j1 when none was written, so that
    // a link from there is measured from where the tool is.
    f32 last[3] = {MOVST.point[0], MOVST.point[1], MOVST.point[2]};
    for (i32 k = 1; k <= n - 1 && w.status >= 0; ++k) {
        const f32 off = static_cast<f32>(n - k) * dz;
        f32 prev[3] = {P0[0], P0[1], P0[2]}, air[3] = {0, 0, 0};
        bool in_air = false, first = true;
        for (const RunMove& m : run) {
            const f32 ps[3] = {prev[0], prev[1], prev[2] + off};
            if (!w.reaches(m, prev, off)) {
                if (!in_air) std::copy(last, last + 3, air);
                in_air = true;
            } else {
                if (in_air) {
                    w.link(air, ps);
                } else if (first && k > 1) {
                    w.link(last, ps);
                } else if (first && eqpt3(ps, last) == 0) {
                    w.form(3);
                    w.line(ps);
                }
                in_air = first = false;
                w.copy(m, off);
                last[0] = m.end[0], last[1] = m.end[1], last[2] = m.end[2] + off;
            }
            std::copy(m.end, m.end + 3, prev);
        }
        if (in_air) std::copy(air, air + 3, last);
    }
    // The last pass links to P0 as the passes link to each other: down to a
    // safety distance above the level the last pass left over the run's
    // start (P0 + dz), where the run's own cut begins; not into the layer
    // between them, which the run still has to cut.
    if (n > 1) w.link(last, P0);
    // The run's own feed in front of it, also for a single pass: after the
    // rapid above P0 that replaced the lines from j1 the run would
    // otherwise go on at the rapid form.
    w.cut_feed();
    status = w.status;
    // A failed write takes back every block written here and the tool path
    // is left as it was: a pass broken off part-way would end without its
    // link back to the run, and the tool would go from there at feed
    // straight into the moves after it. The status still tells the caller.
    edit.finish(status);
    // The move after the run keeps its feed: written again in front of it.
    // It is written last, in the same place as before the passes, so that
    // a write taken back above leaves nothing of it; a move after which no
    // feed stands anywhere (0) gets none.
    if (status >= 0 && after > 0 && after_feed != 0.0f) {
        lacces(3, a);
        put_feed(after_feed, after, status);
    }
}
