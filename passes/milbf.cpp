#include "passes/milbf.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "blocks/movement.h"
#include "blocks/tech.h"
#include "core/host.h"
#include "core/modflg.h"
#include "core/params.h"
#include "core/records.h"
#include "passes/bsural.h"
#include "passes/retract.h"
#include "passes/spline.h"

i32 MILCMD = 0;
f32 UDLDIS = 0.0f;

namespace {

const f32 ZUP[3] = {0, 0, 1};
const f32 ZERO[3] = {0, 0, 0};

// The state of the string writer kept between strings.
struct StrState {
    i32 join = 0;        // string-join flag
    f32 point[3] = {0, 0, 0};  // last string's last-but-one point
    f32 axis[3] = {0, 0, 1};   // its last axis
    i32 count = 0;       // its point count
    i32 code2 = 0;       // a code-2 link was done in this run
};
StrState mst;

void flush_spline(i32& status)
{
    if (SPLOUT() != 1 || status < 0) return;
    SPLFLS(status);
}

// A straight move of the string writer to p: a multi-axis string of
// dimension 2 moves with p's axis (block type 3), any other as a three-axis
// line.
void line_to(i32 dim, const f32* p, const f32* axis, i32& status)
{
    MOVLIN(dim == 2 && pw(AXSMOD) != 1 ? 3 : 2, p, dim == 2 ? axis : ZUP, status);
}

// The same move with the feed down-switch first.
void straight(i32 dim, const f32* p, const f32* axis, i32& status)
{
    i32 open = 0;
    PLGFED(MOVST.point, p, open);
    line_to(dim, p, axis, status);
}

// The continuation of a string after its link: its markers closed and
// opened again around the join marker, then a straight move to its first
// point.
void continuation(i32 cls, i32 scode, i32 ecode, const f32* p1, i32& status)
{
    flush_spline(status);
    // Each marker that cannot be written ends the string with its status
    // (a marker starts its status afresh, so one status for all three
    // would keep only the last).
    if (status >= 0) PUTMRK(2, cls, ecode, 0.0f, 0, status);
    if (status >= 0) PUTMRK(1, 2, 3, 0.0f, mst.count, status);
    if (status >= 0) {
        mst.join = 1;
        PUTMRK(1, cls, scode, 0.0f, 0, status);
    }
    if (status >= 0) {
        RSTMOV();
        if (!eqpt3(p1, MOVST.point)) MOVLIN(2, p1, ZUP, status);  // no move of nothing
    }
}

// The points after the first of a string of n points (raised by lift) as
// string blocks, the down-feed switched between them.
void string_block(const f32* pts, const f32* ax, i32 n, f32 lift, bool multi, const f32* p1, const f32* p2,
                  i32& status)
{
    i32 open = 0;
    PLGFED(MOVST.point, p2, open);
    PCLSRQ(status);
    // The string counts as open from here: a feed switch between its points
    // then closes the block and opens a new one behind the new feed (a mend:
    // a feed code changed inside an open block is written only in front of
    // the next block, so the down-feed missed the descending points it was
    // switched on for).
    open = 1;
    f32 prev[3], q[3];
    std::memcpy(prev, p1, sizeof prev);
    for (i32 k = 1; k < n && status >= 0; ++k) {
        q[0] = pts[3 * k], q[1] = pts[3 * k + 1], q[2] = pts[3 * k + 2] + lift;
        PLGFED(prev, q, open);
        MOVSTR(multi ? 3 : 2, q, multi ? (ax ? ax + 3 * k : ZUP) : ZUP, status);
        std::memcpy(prev, q, sizeof prev);
    }
    PCLST1();
}

}  // namespace

i32 SPLOUT() { return PRM9[PRM9_FIT] == 1 ? 1 : 2; }

void LNKDST(f32& dist) { dist = UDLDIS != 0.0f ? UDLDIS : 0.0f; }

void MSTJGS(const i32& mode, i32& value)
{
    if (mode == 1)
        value = mst.join;
    else
        mst.join = value;
}

void MSTPUT(const f32* point, const f32* axis, const i32& count)
{
    std::memcpy(mst.point, point, sizeof mst.point);
    std::memcpy(mst.axis, axis, sizeof mst.axis);
    mst.count = count;
}

void MSTGET(f32* point, f32* axis, i32& count)
{
    std::memcpy(point, mst.point, sizeof mst.point);
    std::memcpy(axis, mst.axis, sizeof mst.axis);
    count = mst.count;
}

void MSTRST() { mst = StrState{}; }

void MILBF2(const i32& link, const i32& dim, const i32& first, const f32* pts, const f32* axes, const i32* feeds,
            const i32& nstr, const i32* cnt, const i32& apponly, const i32& scode, const i32& ecode, const i32& cls,
            i32& status)
{
    status = 0;
    i32 d = dim;
    if (d == 3) {
        eroutc("MILBF2, ONLY DIM2/3 IS PERMITTED ", 0);
        d = 1;
    }
    i32 cont = MILCMD == 3 && link < 0 ? 1 : 0;
    const i32 l = std::abs(link);
    i32 total = 0;
    for (i32 j = 0; j < nstr; ++j) total += cnt[j] > 0 ? cnt[j] : 0;
    // A set of one point has no second point: its first stands in for it, so
    // the link's direction is read from a point that exists, not past the
    // caller's array.
    const f32* second = total > 1 ? pts + 3 : pts;
    i32 at = 0;
    for (i32 j = 0; j < nstr && status >= 0; ++j) {
        const i32 n = cnt[j];
        if (n < 1) continue;
        const i32 fs = j == 0 ? 1 : 0;
        const i32 fw = j > 0 && l != 13 ? 1 : first;
        MILST2(l, d, fw, cont, pts + 3 * at, axes ? axes + 3 * at : nullptr, feeds ? feeds + at : nullptr, n, fs,
               apponly, total, second, scode, ecode, cls, status);
        HFLSET(0);
        cont = 0;
        at += n;
    }
}

void MILST2(i32 link, i32 dim, const i32& first, const i32& cont, const f32* pts, const f32* axes, const i32* feeds,
            const i32& n, const i32& firststr, const i32& apponly, const i32& total, const f32* second,
            const i32& scode, const i32& ecode, const i32& cls, i32& status)
{
    (void)total;
    status = 0;
    // A string without points has nothing to link, write or remember: the
    // state of the last string stays as it was.
    if (n < 1) return;
    // The link distance lifts the points for this call only: the caller's
    // arrays are left as they were.
    f32 lift = 0;
    LNKDST(lift);
    const f32* ax = axes && dim == 2 ? axes : nullptr;
    auto P = [&](i32 k, f32* out) {
        out[0] = pts[3 * k];
        out[1] = pts[3 * k + 1];
        out[2] = pts[3 * k + 2] + lift;
    };
    auto A = [&](i32 k) { return ax ? ax + 3 * k : (dim == 2 ? ZUP : ZERO); };
    const i32 unreduced = link;
    if (link > 10) link -= 10;
    const i32 code = nu_sgcd_get_code();
    if (scode != 0) flush_spline(status);
    if (status >= 0) PUTMRK(1, cls, scode, 0.0f, 0, status);
    const bool started = status >= 0;
    f32 p1[3], p2[3];
    P(0, p1);
    if (n > 1) {
        P(1, p2);
    } else {
        // The direction point of a one-point string is raised with the
        // string, so that the approach's direction stays level with it.
        std::memcpy(p2, second, sizeof p2);
        p2[2] += lift;
    }
    const f32* a1 = A(0);
    if (status >= 0) {
        if (link == 2) {
            if ((apponly == 1 && firststr) || !mst.code2 || first != 0) {
                flush_spline(status);
                const f32 z0 = 0.0f;
                if (status >= 0 && !eqpt2(p1, MOVST.point)) STREND(dim, p1, a1, 3, z0, status);
                if (status >= 0) PLNZUP(dim, p1, a1, z0, status);
                mst.code2 = 1;
                PLGRST();
                // A move onto the point the tool stands on would be a move of
                // nothing in the tool path.
                if (status >= 0 && !eqpt3(p1, MOVST.point)) straight(dim, p1, a1, status);
            }
        } else if (apponly == 1 && firststr) {
            flush_spline(status);
            if (status >= 0) SRFAPR(dim, p1, p2, a1, ZUP, n > 1 ? n : 2, status);
            // The approach ends at the cutting feed: the down-feed is off.
            PLGRST();
        } else if (first == 0) {
            if (unreduced > 10 && p1[2] < MOVST.point[2]) {
                flush_spline(status);
                // The approach feed (code 3) down onto p1 by the string's
                // own straight move, with p1's axis on a multi-axis string
                // like every other link move; without the down-feed switch,
                // which would replace the approach feed.
                STPV01(3);
                if (status >= 0) line_to(dim, p1, a1, status);
                STPV01(1);
            } else if (dim == 2 || n == 1 || SPLOUT() == 2) {
                // A string that does not begin where the tool stands is
                // reached by a straight move, whatever its kind. The tool
                // stands where the chain the spline writer holds ends; that
                // chain is flushed before the move (a mend: written ahead of
                // the chain, the move came out of order in the tool path).
                f32 here[3];
                i32 fs = -1;
                if (SPLOUT() == 1) FITLST(here, fs);
                if (fs < 0) std::memcpy(here, MOVST.point, sizeof here);
                if (!eqpt3(p1, here)) {
                    flush_spline(status);
                    if (status >= 0) straight(dim, p1, a1, status);
                }
            }
        } else {
            flush_spline(status);
            f32 bp[3], bax[3];
            i32 bn = 0;
            MSTGET(bp, bax, bn);
            if (status >= 0) SRFRET(dim, MOVST.point, bp, bax, ZUP, bn, status);
            // Machining type 11, first string: a retract that has risen by
            // the incremental height (flag B) lets the approach's fast move
            // travel at the height reached (flag A) instead of rising again,
            // except in the procedures 34, 38 and 48, which cross by their
            // clearance path.
            if (status >= 0 && MACTYP == MACTYP_TYPE4 && firststr && LNKPAR.clrB != 0 && code != 34 && code != 38 &&
                code != 48)
                LNKPAR.clrA = 1;
            if (status >= 0) SRFAPR(dim, p1, p2, a1, ZUP, n > 1 ? n : 2, status);
            PLGRST();
        }
    }
    if (status >= 0 && cont) continuation(cls, scode, ecode, p1, status);
    if (status >= 0 && n > 1) {
        // Multi-axis strings go to the string writer also with spline output
        // on: the fitted curves are three-axis blocks without the tool axis,
        // so a multi-axis string fitted would lose its axes.
        const bool multi = dim == 2 && pw(AXSMOD) != 1;
        if (n == 2) {
            if (scode == 15)
                STPV01(25);
            else {
                i32 open = 0;
                PLGFED(MOVST.point, p2, open);
            }
            if (SPLOUT() == 1 && !multi) {
                const i32 one = 1;
                SPLWRT(one, p2, ax ? ax + 3 : nullptr, feeds ? feeds + 1 : nullptr, status);
            } else {
                MOVLIN(multi ? 3 : 2, p2, multi ? A(1) : ZUP, status);
            }
        } else if (SPLOUT() == 2 || multi) {
            string_block(pts, ax, n, lift, multi, p1, p2, status);
        } else {
            // The spline writer takes the whole string, its first point
            // included, with its axes (dimension 2) and its feed words, by
            // which it ends a chain.
            std::vector<f32> lifted(3 * static_cast<size_t>(n));
            for (i32 k = 0; k < n; ++k) P(k, &lifted[3 * static_cast<size_t>(k)]);
            SPLWRT(n, lifted.data(), ax, feeds, status);
        }
    }
    if (status >= 0 && ecode != 0) flush_spline(status);
    // The end marker closes a started string also after a failure, so that
    // the markers of the list stay in pairs; the failure is what is passed on.
    if (started) {
        i32 s2 = 0;
        PUTMRK(2, cls, ecode, 0.0f, 0, s2);
        if (status >= 0) status = s2;
    }
    if (link != 2) {
        if (n >= 2) {
            f32 q[3];
            P(n - 2, q);
            MSTPUT(q, A(n - 1), n);
        } else {
            MSTPUT(p1, A(0), 1);
        }
    }
    if (status < 0) {
        eroutc("MILST2, ERROR IN LIST", 0);
        status = -1;
    }
}
