#include "stock/feedcopy.h"

#include <cmath>
#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/readers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "stock/airlink.h"
#include "stock/movecur.h"
#include "stock/optedit.h"
#include "stock/optwords.h"

f32 optim_scan_feed = -1.0f;

namespace {
constexpr i32 SLOT_RUN = 3;  // list mark of the run being copied

// The feed factor f of a feed argument and the factor p of the row before.
struct Factor {
    bool on = false;
    f32 f = 1.0f, p = 1.0f;
};

Factor factor_of(i32 arg)
{
    Factor r;
    if (arg >= 10000) {
        r.on = true;
        r.f = wrd2r(CMPBLK[CMP_HOLDER_FEED]) * 0.01f;
    } else if (arg >= 1000) {
        const i32 row = std::min(arg / 1000 - 1, 9);
        r.on = true;
        r.f = static_cast<f32>(CMPBLK[CMP_ROW_FEED + row]) * 0.01f;
        if (row >= 1) r.p = static_cast<f32>(CMPBLK[CMP_ROW_FEED + row - 1]) * 0.01f;
    }
    return r;
}

// The feed form of one copied feed (K: the feed value rounded to a whole
// number, V the plunge value). A feed of the copy is written as its value
// (form 1), even where it equals a named feed: the copy's feeds follow the
// factor of the run, not the named feeds of the machine.
void copy_feed(f32 feed, i32 V, const Factor& fac, f32 F0, i32& status)
{
    // K is rounded as V is (a feed of 100 read back as 99.99999 is 100):
    // truncated, a plunge feed would miss its own value and a rapid's -1
    // read as -0.99999 would come out as a cut.
    const i32 K = static_cast<i32>(std::lround(feed));
    if (K == V) {
        if (fac.on)
            write_feed_value(static_cast<f32>(PRM9[4]) * fac.f * 0.01f * F0, status);
        else
            write_feed_code(3, status);
    } else if (K == -1) {
        write_feed_code(4, status);
    } else if (K >= 0) {
        write_feed_value(fac.on ? fac.f * F0 : feed, status);
    } else {
        write_feed_code(27, status);
    }
}

// The cursor to the list's start (2) or end (3). A refused access fails the
// copy: the cursor would stay where it stands, and the copy be written into
// the middle of the path or the run read from another move.
void list_at(i32 mode, i32& status)
{
    i32 a = 0;
    lacces(mode, a);
    if (a < 0 && status >= 0) status = -1;
}

// The run's place remembered (1) or returned to (2); refused, as above.
void run_mark(i32 op, i32& status)
{
    i32 a = 0;
    lmark(op, SLOT_RUN, a);
    if (a < 1 && status >= 0) status = -1;
}

// Reads the move under the cursor and writes it again at the list's end.
void copy_move(i32 type, i32& status)
{
    i32 size = 0, t = 0, cls = 0, number = 0;
    TPBLKH(MV_LIST, size, t, cls, status);
    if (status < 0) return;
    if (mv_line(type) || mv_string(type)) {
        i32 records = 1;
        std::vector<f32> pts;
        for (i32 r = 0; r < records && status >= 0; ++r) {
            f32 p[3], v[3];
            RDBT2(MV_LIST, type, size, records, number, p, v, status);
            pts.insert(pts.end(), p, p + 3);
        }
        list_at(3, status);
        if (status < 0) return;
        for (size_t k = 0; k < pts.size() && status >= 0; k += 3) optim_line(&pts[k], status);
    } else if (mv_arc(type)) {
        i32 plane = 0;
        f32 angle = 0, step = 0, c[2], e[3], v[3];
        RDBT3(MV_LIST, type, number, plane, angle, step, c, e, v, status);
        list_at(3, status);
        if (status < 0) return;
        PARCOP(1, plane, angle, c, e, v, status);
    } else if (mv_nurbs(type)) {
        i32 k = 0, n = 0;
        std::vector<f32> kn(static_cast<size_t>(size) + 1), pt(3 * static_cast<size_t>(size) + 3);
        RDBT5(MV_LIST, size, size, number, k, n, kn.data(), pt.data(), status);
        if (status < 0) return;
        std::vector<f64> knots(kn.begin(), kn.begin() + n + k), points(pt.begin(), pt.begin() + 3 * n);
        list_at(3, status);
        if (status >= 0) PNURB1(k, n, knots.data(), points.data(), status);
    }
}

// Copies the moves after the cursor up to block `to` to the list's end.
void copy_run(i32 to, const Factor& fac, f32 F0, i32& status)
{
    // Rounded, not truncated: 20 % of 1000 x 0.5 comes out as 99.99999 in
    // single precision.
    const i32 V = static_cast<i32>(std::lround(static_cast<f32>(PRM9[4]) * 0.01f * F0 * fac.p));
    i32 in_force = 0;
    bool first = true;
    while (status >= 0) {
        i32 number = 0, type = 0, size = 0, tc = 0;
        f32 feed = 0;
        TPJUMP(1, status);
        if (status < 0) return;
        find_move(MV_LIST, 1, number, type, size, feed, tc, status);
        if (status < 0) return;
        if (first) {
            // A list failure while the feed in force is looked for fails the
            // copy: the cursor is then anywhere, and the machine state
            // written next would clear the status and leave a copy of
            // whatever move it stands on.
            feed_at_move(1, number, feed, status);
            if (status < 0) return;
        }
        const i32 K = static_cast<i32>(std::lround(feed));
        run_mark(1, status);
        // The first move's machine state is written only when a feed is in
        // force at it. With none (0) there is no code to ask for: forced out,
        // the machine state would only repeat the code written last, which
        // can stand for another feed than the one in force at the path's end
        // (an explicit feed leaves code 1, the base feed, behind); not forced,
        // it writes nothing, the move to the run's start having written every
        // change. The copied move, as the run's, sets no feed of its own.
        if (status >= 0 && (first || (feed != 0.0f && K != in_force)) && K != 0) {
            list_at(3, status);
            if (status >= 0) copy_feed(feed, V, fac, F0, status);
            in_force = K;
            run_mark(2, status);
        }
        first = false;
        if (status >= 0) {
            BaseFeedKeep keep;
            copy_move(type, status);
        }
        run_mark(2, status);
        if (status < 0 || number == to) return;
    }
}
}  // namespace

void optim_feed_code(const i32& v, i32& status)
{
    status = 0;
    // A feed that is no named feed of the machine goes in its explicit form
    // (the value itself, the base feed word replaced for the write), not as
    // code 1: code 1 stands for the base feed, and a piece whose feed differs
    // from it would be cut at another feed than the move it comes from.
    if (v != 0) write_feed_form(static_cast<f32>(v), status);
}

i32 optim_block_here()
{
    i32 size = 0, type = 0, cls = 0, st = 0, number = -1;
    TPBLKH(MV_LIST, size, type, cls, st);
    if (st >= 0) tpget(MED_LIST, 1, DT_INT, &number, st);
    return st < 0 ? -1 : number;
}

void optim_feed_copy(const i32& from, const i32& to, const i32& feed_arg, const i32& hand_on, i32& new_start,
                     i32& status)
{
    // The base feed goes back to F0 at the end, also when a factor was in
    // force: the rapid worker handed the copy scales by the factor itself,
    // and would scale the copied feeds a second time from a scaled base.
    BaseFeedKeep keep;
    const f32 F0 = wrd2r(PRM9[0]);
    const Factor fac = factor_of(feed_arg);
    i32 before = 0;
    status = 0;
    list_at(2, status);
    if (status >= 0) goto_block(1, from, status);
    f32 P[3];
    if (status >= 0) move_end_point(P, status);
    if (status < 0) return;
    jump_moves(99, before, status);
    if (status < 0) return;
    // The copy starts where the path ends.
    goto_block(1, before, status);
    if (status >= 0) move_end_point(MOVST.point, status);
    list_at(3, status);
    if (status < 0) return;
    PathEdit edit;
    edit.begin();
    RSTMOV();
    MOVST.strtype = 0;
    optim_line(P, status);
    new_start = optim_block_here();
    if (status >= 0) list_at(2, status);
    if (status >= 0) goto_block(1, from, status);
    if (status >= 0) copy_run(to, fac, F0, status);
    list_at(3, status);
    // A copy that fails is taken away whole: a part of a run left at the
    // path's end would be machined as if it were the run.
    edit.finish(status);
    if (status < 0 || hand_on == 0) return;
    optim_air_link_copied(before, new_start, feed_arg, status);
    if (status < 0) return;
    jump_moves(99, new_start, status);
}

// The rapid-move worker of this module is the air link with the forced-link
// flag set (the flag is the worker's, set and cleared around the call).
void optim_air_rapid(const i32& from, const i32& to, const i32& feed_arg, i32& status)
{
    optim_air_link_forced(from, to, feed_arg, status);
}

void optim_split_line(const f32* P, f32* Q, const f32* A, const f32* B, i32& piece, i32& status)
{
    MOVST.point[0] = P[0], MOVST.point[1] = P[1], MOVST.point[2] = P[2];
    CMPBLK[CMP_CHANGED] = 1;
    const i32 v = static_cast<i32>(optim_scan_feed);
    PathEdit edit;
    edit.begin();
    edit.doom();
    const bool from_start = eqpt3(A, P) != 0;
    status = 0;
    if (!from_start) {
        optim_feed_code(v, status);
        RSTMOV();
        if (status >= 0) optim_line(A, status);
        piece = optim_block_here();
    }
    if (status >= 0) optim_feed_code(v, status);
    RSTMOV();
    if (status >= 0) optim_line(B, status);
    if (from_start) piece = optim_block_here();
    if (status >= 0 && eqpt3(Q, B) == 0) {
        optim_feed_code(v, status);
        if (status >= 0) optim_line(Q, status);
    }
    edit.finish(status);
    // The pieces were written before the move is deleted; a write that failed
    // has taken them away and put the move and the writers' state back, and
    // its status goes up: a move cut short with its rest missing would leave
    // a gap that the tool crosses in a straight line, and the stage that
    // asked for the split would go on from pieces that are not there.
    if (status < 0) return;
    const f32* end = from_start ? B : A;
    Q[0] = end[0], Q[1] = end[1], Q[2] = end[2];
    goto_block(-1, piece, status);
}

void optim_split_arc(const f32* P, f32* Q, const f32* A, const f32* B, const f32& a1, const f32& a2, i32& piece,
                     i32& piece2, i32& status)
{
    MOVST.point[0] = P[0], MOVST.point[1] = P[1], MOVST.point[2] = P[2];
    CMPBLK[CMP_CHANGED] = 1;
    i32 number = 0, type = 0, size = 0, tc = 0, cls = 0, plane = 0;
    f32 feed = 0, angle = 0, step = 0, c[2], e[3], v[3];
    TPJUMP(1, status);
    if (status >= 0) find_move(MV_LIST, 1, number, type, size, feed, tc, status);
    if (status >= 0 && !mv_arc(type)) status = -1;
    if (status >= 0) TPBLKH(MV_LIST, size, type, cls, status);
    if (status >= 0) RDBT3(MV_LIST, type, number, plane, angle, step, c, e, v, status);
    if (status >= 0) feed_at_move(1, number, feed, status);
    if (status < 0) return;
    const f32 a3 = angle - a1 - a2;
    const i32 fv = static_cast<i32>(feed);
    for (i32 k = 0; k < 3; ++k) DSP8[k] = r2wrd(P[k]);
    PathEdit edit;
    edit.begin();
    edit.doom();
    const bool from_start = eqpt3(A, P) != 0;
    if (!from_start) {
        optim_feed_code(fv, status);
        if (status >= 0) PARCOP(1, plane, a1, c, A, v, status);
        piece = optim_block_here();
    }
    if (status >= 0) optim_feed_code(fv, status);
    if (status >= 0) PARCOP(1, plane, a2, c, B, v, status);
    (from_start ? piece : piece2) = optim_block_here();
    if (status >= 0 && eqpt3(Q, B) == 0) {
        optim_feed_code(fv, status);
        if (status >= 0) PARCOP(1, plane, a3, c, Q, v, status);
        if (from_start) piece2 = optim_block_here();
    }
    edit.finish(status);
    // As for the line: a failed write leaves the arc as it was, no piece of it.
    if (status < 0) return;
    const f32* end = from_start ? B : A;
    Q[0] = end[0], Q[1] = end[1], Q[2] = end[2];
    goto_block(-1, piece, status);
}
