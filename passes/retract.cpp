#include "passes/retract.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "blocks/movement.h"
#include "blocks/tech.h"
#include "cutter/frames.h"
#include "cutter/linntb.h"
#include "cutter/loccom.h"
#include "cutter/locdir.h"
#include "core/proc.h"
#include "passes/twirl.h"
#include "core/ptwarn.h"
#include "core/host.h"
#include "core/modflg.h"
#include "core/params.h"
#include "core/records.h"
#include "passes/pasout.h"
#include "passes/services.h"
#include "surfaces/allsrf.h"
#include "tools/toolcache.h"

PasOut PASOUT;
f32 CLRSTK[3] = {0.0f, 0.0f, 0.0f};
i32 CLRSPR = 0;
i32 CLRS48 = 0;
LnkPar LNKPAR = {1, 0, 0, {1, 1}, 0, 0.01f, 0, 0, 0, 0, 0, 0, 0, 0, 0};

namespace {

const f32 ZUP[3] = {0, 0, 1};

i32 hold()
{
    i32 h = 0;
    HFLGET(h);
    return h;
}
const f32* cur() { return MOVST.point; }
bool stepped()
{
    const i32 c = nu_sgcd_get_code();
    return c == 34 || c == 38 || c == 48;
}
i32 dimok(const i32& dim, const char* msg)
{
    if (dim == 3) {
        eroutc(msg, 0);
        return 1;
    }
    return dim;
}
// A straight three-axis move (move type 2) to p: the axis is always given,
// so the dimension code of the caller does not change the move. A caller
// without axes (dimension code 1) passes none or a zero vector: the move
// then carries the vertical, as the string writer's own three-axis moves
// do, not a normal of no length written into the tool path.
void mv(const f32* p, const f32* axis, i32& st)
{
    const bool none = !axis || (axis[0] == 0.0f && axis[1] == 0.0f && axis[2] == 0.0f);
    MOVLIN(2, p, none ? ZUP : axis, st);
}
// The clearance-plane warning is shown once per procedure: the link flag of
// the module flags is armed at the procedure's start and cleared here.
void warnlow()
{
    i32 armed = 0;
    MFLGS3(1, armed);
    if (!armed) return;
    i32 off = 0;
    MFLGS3(2, off);
    usmsgc("WARNING, CLEARANCE PLANE MIGHT BE TOO LOW");
}

// A height taken onto the stock step grid of the pocketing procedures: the
// grid line one step above the highest line, counted from the stock top down
// by the stock step, that is not above z (a z at or above the stock top
// gives the top plus one step). The line is found by division, not by
// walking down the grid, so a stock top far above z costs nothing and no
// walk has to be cut short. A step that is not above 0 (unset) has no grid:
// a walk by it would never come down to z, so z is kept as it is; so it is
// for values that are not finite.
f32 stkgrid(f32 z)
{
    const f64 top = CLRSTK[0], step = CLRSTK[1];
    if (!(step > 0.0) || !std::isfinite(top) || !std::isfinite(step) || !std::isfinite(z)) return z;
    f64 k = std::ceil((top - z) / step);  // the lines walked down: top - k x step is the first not above z
    if (k < 0.0) k = 0.0;
    // A quotient rounded just past a whole number walks one line too far.
    if (k > 0.0 && top - (k - 1.0) * step <= z) k -= 1.0;
    return static_cast<f32>(top - (k - 1.0) * step);
}

// The clearance path from the current point to b, for the stepped
// procedures and moves that must cross the part: the travel height is
// found by moving the tool (a little smaller, the stocks a little larger)
// towards b over the triangle model and scanning the heights from where it
// touches; then up to that height and across to above b.
void clrpth(i32 d, const f32* b, const f32* axis, i32& status)
{
    status = 0;
    const i32 code = nu_sgcd_get_code();
    const bool pocket = code == 34 || code == 38;
    const f32 a[3] = {cur()[0], cur()[1], cur()[2]};
    f32 d0 = 0, r0 = 0;
    GTDIAM(CURTOL, d0);
    GTCRNR(CURTOL, r0);
    const f32 stk = PRCSTK, chk = PRCCHK;
    i32 flags = 0;
    GTPFLG(flags);
    const f32 ds = std::fmax(0.0f, d0 - 0.004f), rs = std::fmax(0.0f, r0 - 0.002f);
    STDIAM(ds);
    STCRNR(rs);
    PRCSTK = stk + 0.002f, PRCCHK = chk + 0.002f;
    STPFLG(flags & 0x3F);  // the triangle model only
    // The positioning tool is the cached tool made smaller above: its radius
    // is half that diameter. A tool of no diameter has none, so no travel
    // counts as short and the scan steps by the tolerance.
    const f32 rpos = 0.5f * ds;
    // D is the tool's own diameter, saved before the shrink: the travel
    // kind and the short travel's scan are those of the tool that cuts, and
    // the shrink only keeps the positioning clear of what it touches.
    const f32 D = d0 > 0.0f ? d0 : 5.0f * rpos;
    const f32 tol = pwr(PRTTOL);
    const bool incr = HEI8[HEI8_ABSOLUTE] == 0;
    const f32 base = std::fmax(a[2], b[2]);
    const f32 lift = std::fmax(hei8r(HEI8_INCR), CLRSTK[2]);
    auto snap = [&](f32 z) { return pocket ? stkgrid(z) : z; };
    f32 travel = base;
    i32 feed = 1;
    bool spiral = false;
    if (!eqpt3(a, b)) {
        const f32 len = static_cast<f32>(std::sqrt(std::pow(f64(b[0]) - a[0], 2) + std::pow(f64(b[1]) - a[1], 2) + std::pow(f64(b[2]) - a[2], 2)));
        const bool shrt = len < (pocket ? 2.0f * D + 1.4142135f * CLRSTK[1] : 2.0f * D) && !(code == 48 && CLRS48);
        f32 scan;
        if (shrt) {
            TWLSET(pocket && CLRSPR == 2 ? 1 : 0);
            const f32 h = 0.5f * D;
            scan = 2.0f * std::sqrt(std::fmax(0.0f, h * h - (h - rpos) * (h - rpos)));
        } else {
            TWLSET(0);
            feed = 27;
            scan = 5.0f * rpos;
        }
        // A tool without a radius would scan forever: the tolerance then.
        if (!(scan > tol)) scan = tol > 0.0f ? tol : 0.001f;
        // The spiral entry may write the link itself.
        TWLDST(0);
        f64 value = 0.0;
        i32 ts = 0;
        TWLLNK(pocket ? 1 : 2, value, ts);
        spiral = TWLDON() != 0;
        i32 st = 0;
        SRKON(st);
        const f32 cand = incr ? (shrt ? base : snap(base) + lift) : (shrt ? base : hei8r(HEI8_PLANE2));
        f32 pos[3], con[3];
        i32 ls = 0;
        LOCDIR(a, b, cand, pos, con, ls);
        if (ls < 0) {
            status = ls;
        } else if (ls != 0) {
            travel = cand;
        } else {
            // From the touch to b: the tool's height at every scan step.
            f32 top = -1.0e10f;
            const f32 dx = b[0] - con[0], dy = b[1] - con[1];
            const i32 n = std::max(1, static_cast<i32>(std::ceil(std::sqrt(dx * dx + dy * dy) / scan)));
            const f32 up[3] = {0.0f, 0.0f, 1.0f};
            for (i32 k = 0; k <= n && status >= 0; ++k) {
                const f32 w = static_cast<f32>(k) / static_cast<f32>(n);
                f32 p[3] = {con[0] + w * dx, con[1] + w * dy, 0.0f}, res[3], c[3], nrm[3];
                i32 srf = 0, ps = 0;
                const i32 none = -1, one = 1;
                const f32 aux = 0.0f;
                LOCSET(none, up, up, one, aux, tol);
                PNTNET(0, p, tol, PRCSTK, PRCCHK, res, c, nrm, srf, ps);
                // Nothing under the tool (1) leaves the height as it is; a
                // positioning that failed has not found the point free, so
                // it fails the path rather than let the travel cross there
                // at a height never checked.
                if (ps == 0 || ps == 4)
                    top = std::fmax(top, res[2]);
                else if (ps < 0)
                    status = ps;
            }
            travel = std::fmax(top, base);
            if (incr) {
                if (!shrt || top >= base) travel = snap(travel) + lift, feed = 27;
            } else {
                travel = std::fmax(travel, hei8r(HEI8_PLANE2));
                feed = 27;
            }
        }
        SRKOFF(st);
        travel = std::fmin(travel, std::fmax(hei8r(HEI8_CLEARANCE), hei8r(HEI8_PLANE2)));
    }
    STDIAM(d0);
    STCRNR(r0);
    PRCSTK = stk, PRCCHK = chk;
    STPFLG(flags);
    if (status < 0 || spiral) return;
    STPV01(feed);
    const f32 p1[3] = {a[0], a[1], travel}, p2[3] = {b[0], b[1], travel};
    if (!eqpt3(cur(), p1)) mv(p1, axis, status);
    if (status >= 0 && !eqpt3(cur(), p2)) mv(p2, axis, status);
}

// Retract height of a point.
f32 rethgt(const f32* p)
{
    if (hold() != 0) return hei8r(HEI8_CLEARANCE);
    return HEI8[HEI8_ABSOLUTE] != 0 ? hei8r(HEI8_PLANE2) : p[2] + hei8r(HEI8_INCR);
}

// Whether a straight motion from a to b gouges: the tool is positioned over
// the triangle model along it, and the motion gouges where it runs more than
// the tolerance below a position. A positioning that fails leaves status
// negative (and answers no cut): the caller must not take that as a motion
// found clear.
bool cuts(const f32* a, const f32* b, f32* where, bool empty_bad, i32& status);

// A gouging shaped motion is replaced by the vertical one: the warning says
// so, then the point is posted under its label with a blank second line, as
// every point warning of the passes is.
void gouge_warning(const char* warning, const char* label, const f32* where)
{
    usmsgc(warning);
    WRNPNT(label, 3, where, " ");
}

// Set while a motion of dimension code 4 is tested: the caller's target is
// the motion's own end, reached by the motion whatever lies there, so the
// last position along it takes the motion's own height and never counts.
bool GUGEND = false;
bool gouges(const f32* a, const f32* b, f32* where, i32& status)
{
    if (LNKPAR.gouge == 0) return false;
    return cuts(a, b, where, mactyp_surfaces(MACTYP), status);
}

// Whether a straight motion from a to b cuts the part, whatever the gouge
// flag says; empty_bad counts a positioning that found nothing as a cut.
bool cuts(const f32* a, const f32* b, f32* where, bool empty_bad, i32& status)
{
    constexpr i32 CAP = 9000, MAXS = 50;
    static f32 pts[CAP], nrm[CAP];
    static i32 flg[CAP / 3], lens[MAXS];
    status = 0;
    i32 st = 0;
    SRKON(st);
    const i32 keep = HEI8[HEI8_RETRACT];
    HEI8[HEI8_RETRACT] = 0;
    const f32 aux = 0.0f;
    i32 nstr = 0, total = 0;
    if (st >= 0) {
        LOCSET(-1, ZUP, ZUP, 1, aux, LNKPAR.tol);
        LINNTB(1, 0, a, b, LNKPAR.tol, LNKPAR.pofs, LNKPAR.cofs, CAP, 0, 1, pts, nrm, flg, nstr, MAXS, lens, total,
               st);
    }
    // A positioning that failed has tested nothing: its points (or the lack
    // of them) say nothing of a gouge, so the test fails instead of
    // answering. A positive status (the line's end over nothing) is no
    // failure: the points found stand.
    if (st < 0) {
        HEI8[HEI8_RETRACT] = keep;
        i32 off = 0;
        SRKOFF(off);
        status = st;
        return false;
    }
    bool bad = false;
    // The difference is compared as it stands: the positioning gives no
    // factor per point here (every point weighs 1).
    for (i32 k = 0; k < total && !bad; ++k) {
        const f32* q = pts + 3 * k;
        f32 z = 0;
        i32 zs = 0;
        ZONSEG(a, b, q, z, zs);
        const f32 zq = GUGEND && k == total - 1 ? z : q[2];
        if (zq - z > LNKPAR.tol) {
            bad = true;
            std::memcpy(where, q, sizeof(f32) * 3);
        }
    }
    if (total == 0 && empty_bad) {
        bad = true;
        std::memcpy(where, b, sizeof(f32) * 3);
    }
    HEI8[HEI8_RETRACT] = keep;
    SRKOFF(st);
    return bad;
}

// With the retracts left out (hold state set, clearance switch 0) the fast
// move would go straight from the current position to p. A rapid move must
// never cut the part: when the straight move would, it is made as with the
// switch set, over the clearance plane, as the string writers do for their
// far links.
//
// A test that cannot be made counts as a crossing: the way over the
// clearance plane is safe whatever lies between.
bool crosses(const f32* p)
{
    f32 where[3];
    if (hold() == 0 || HEI8[HEI8_RETRACT] != 0 || eqpt3(cur(), p)) return false;
    i32 st = 0;
    const bool cut = cuts(cur(), p, where, false, st);
    return cut || st < 0;
}

// Writes a link's moves between its start marker (class kind, code) and
// its end marker (code + 1). A start marker the list refused ends the link
// with that status: nothing more is written, and no end marker is left
// without its start (the marker stack would close an outer one).
template <class Body>
void marked(i32 kind, i32 code, i32& st, Body body)
{
    PUTMRK(1, kind, code, 0.0f, 0, st);
    if (st < 0) return;
    body();
    i32 s2 = 0;
    PUTMRK(2, kind, code + 1, 0.0f, 0, s2);
    if (st >= 0) st = s2;
}

void vertapr(i32 dim, const f32* p, const f32* axis, i32& st)
{
    marked(5, 9, st, [&] { ZAPR(dim, p, axis, st); });
}

void vertret(i32 dim, const f32* p, const f32* axis, i32& st)
{
    if (HEI8[HEI8_RETRACT] == 0 && hold() != 0) return;
    if (hold() == 0) {
        if (stepped()) return;
        if (HEI8[HEI8_ABSOLUTE] == 0) LNKPAR.clrB = 1;
    }
    marked(6, 11, st, [&] {
        // A tool already above the retract height stays at its own height:
        // a retract never moves the tool down towards the part.
        const f32 q[3] = {cur()[0], cur()[1], std::fmax(rethgt(p), cur()[2])};
        MOVRPD(dim, q, axis, 1, st);
    });
}

// Points of a vertical arc of radius r in the vertical plane through p
// along the unit horizontal direction h (pointing along the motion): the
// centre r above p; angle 270 degrees is p itself.
void arcpt(const f32* p, const f32* h, f32 r, f32 deg, f32* out)
{
    const f64 a = deg * M_PI / 180.0;
    out[0] = static_cast<f32>(p[0] + r * std::cos(a) * h[0]);
    out[1] = static_cast<f32>(p[1] + r * std::cos(a) * h[1]);
    out[2] = static_cast<f32>(p[2] + r + r * std::sin(a));
}

// Whether a motion along the axis (kind 2) goes straight up or down: a
// vertical axis. Such a motion is not tested for gouging, the retract as the
// approach: it leaves the point the way the vertical retract does, and its
// string positioning, which may come out empty on a vertical line, would
// otherwise count as gouging and turn it, with a spurious warning, into the
// vertical retract.
bool upaxis(i32 k, const f32* axis) { return k == LINK_AXIS && eqpt3(axis, ZUP); }

// The unit direction in plan from `from` to `to`; false, with no direction,
// when the two coincide in plan within the module's tolerance (a difference
// of rounding noise is no direction to leave or come in by).
bool hdir(const f32* from, const f32* to, f32* h)
{
    if (eqpt2(from, to)) return false;
    h[0] = to[0] - from[0];
    h[1] = to[1] - from[1];
    h[2] = 0;
    f32 l = 0;
    i32 st = 0;
    v2unit(h, l, st);
    return st == 0;
}

}  // namespace

void MOVRPD(const i32& dim, const f32* point, const f32* axis, const i32& rapid, i32& status)
{
    STPV01(rapid == 1 ? 4 : 1);
    mv(point, axis, status);
    STPV01(rapid == 1 ? 1 : 4);
}

void MOVLN3(const i32& dim, const f32* point, const f32* axis, i32& status)
{
    STPV01(3);
    mv(point, axis, status);
    STPV01(1);
}

// The angular step of a horizontal arc link of radius r, in degrees: the
// step whose chord strays by half the tolerance, from 0.01 to 11.25. A
// radius below a quarter of the tolerance (or none) has no such step: any
// chord stays within it, so the coarsest step serves.
f32 harc_step(f32 r)
{
    const f64 c = r > 0.0f ? 1.0 - 0.5 * LNKPAR.tol / r : -1.0;
    const f64 d = 2.0 * std::acos(std::clamp(c, -1.0, 1.0)) * 180.0 / M_PI;
    return static_cast<f32>(std::fmin(std::fmax(d, 0.01), 11.25));
}

void ZRET(const i32& dim, const f32* point, const f32* axis, i32& status)
{
    status = 0;
    const i32 d = dimok(dim, "ZRET, ONLY DIM2/3 IS PERMITTED ");
    if (hold() != 0 && HEI8[HEI8_RETRACT] == 0) return;
    // A retract plane below the point would take the tool down into the
    // part: the tool stays at the point's height then.
    const f32 h = std::fmax(rethgt(point), point[2]);
    const f32 p[3] = {point[0], point[1], h};
    MOVRPD(d, p, axis, 1, status);
}

void PLNZUP(const i32& dim, const f32* point, const f32* axis, const f32& offset, i32& status)
{
    status = 0;
    dimok(dim, "PLNZUP, ONLY DIM2/3 IS PERMITTED");
    if (eqpt3(cur(), point)) return;
    if (offset != 0.0f) {
        const f32 r[3] = {point[0], point[1], point[2] + offset};
        if (cur()[2] > r[2]) mv(r, axis, status);
        STPV01(3);
    } else {
        STPV01(4);
    }
    if (status >= 0) mv(point, axis, status);
    STPV01(1);
}

void STREND(const i32& dim, const f32* point, const f32* axis, const i32& mode, const f32& offset, i32& status)
{
    status = 0;
    const i32 d = dimok(dim, "STREND, ONLY DIM2/3 IS PERMITTED ");
    if (mode < 1 || mode > 3) return;
    f32 h;
    if (hold() == 0)
        h = HEI8[HEI8_ABSOLUTE] != 0 ? hei8r(HEI8_PLANE2) : std::fmax(point[2] + hei8r(HEI8_INCR), cur()[2] + hei8r(HEI8_INCR));
    else
        h = hei8r(HEI8_CLEARANCE);
    STPV01(27);
    if (hold() != 0 && HEI8[HEI8_RETRACT] == 0 && !eqval(cur()[2], hei8r(HEI8_CLEARANCE))) {
        if (cur()[2] < point[2] + offset) {
            const f32 q[3] = {cur()[0], cur()[1], point[2] + offset};
            mv(q, axis, status);
        }
        if (status >= 0 && stepped()) clrpth(d, point, axis, status);
        return;
    }
    if (hold() != 0 || !stepped()) {
        if (cur()[2] < h) {
            const f32 q[3] = {cur()[0], cur()[1], h};
            mv(q, axis, status);
        }
        // A tool above the height crosses at its own height: a slanted move
        // down to the height over the part could cut into what lies between;
        // the way down is made above the point by the caller's next move.
        const f32 a[3] = {point[0], point[1], std::fmax(h, cur()[2])};
        if (status >= 0) mv(a, axis, status);
        return;
    }
    if (LNKPAR.clrA) {
        LNKPAR.clrA = 0;
        return;
    }
    clrpth(d, point, axis, status);
}

void FAST2M(const i32& dim, const f32* point, const f32* axis, const i32& feed, const f32& offset, i32& status)
{
    status = 0;
    i32 d = dim > 10 ? dim - 10 : dim;
    // A code above 10 sets the fast feed again once the moves over the part
    // are written (after the clearance path, or after the climb and the move
    // across): whatever feed those moves left in force, the moves after them
    // start from the fast feed. The clearance path's own moves keep the
    // feeds it sets for them.
    const bool again = dim > 10;
    d = dimok(d, "FAST2M, ONLY DIM2/3 IS PERMITTED ");
    STPV01(4);
    const i32 code = nu_sgcd_get_code();
    if (hold() == 0 && (code == 34 || code == 38)) {
        // The pocketing procedures cross over the part by the clearance
        // path, or at the current height right after a clearance move.
        if (!LNKPAR.clrA) {
            clrpth(d, point, axis, status);
        } else {
            LNKPAR.clrA = 0;
            const f32 a[3] = {point[0], point[1], cur()[2]};
            if (!eqpt3(a, point)) mv(a, axis, status);
        }
        if (again) STPV01(4);
    } else if (hold() == 0 || HEI8[HEI8_RETRACT] != 0 || crosses(point)) {
        f32 h;
        if (hold() != 0)
            h = hei8r(HEI8_CLEARANCE);
        else if (HEI8[HEI8_ABSOLUTE] != 0)
            h = hei8r(HEI8_PLANE2);
        else {
            h = std::fmax((LNKPAR.clrA ? cur()[2] : cur()[2] + hei8r(HEI8_INCR)), point[2] + offset);
            LNKPAR.clrA = 0;
        }
        if (!eqval(cur()[2], h)) {
            if (cur()[2] < h) {
                const f32 q[3] = {cur()[0], cur()[1], h};
                mv(q, axis, status);
            } else {
                warnlow();
                const f32 q[3] = {point[0], point[1], cur()[2]};
                mv(q, axis, status);
            }
        }
        if (point[2] > h) {
            // p lies higher: up to its height here; the move onto p is the
            // last one, below, at the feed asked for.
            warnlow();
            const f32 q[3] = {cur()[0], cur()[1], point[2]};
            if (status >= 0) mv(q, axis, status);
        } else {
            // Above p at the height found (a tool that crossed higher comes
            // down to it there, at the fast feed).
            const f32 a[3] = {point[0], point[1], h};
            if (status >= 0) mv(a, axis, status);
        }
        if (again) STPV01(4);
    }
    // The feed flag sets the cutting feed (code 1) again for the last move
    // down onto p: the fast feed set above is for the moves over the part.
    if (feed) STPV01(1);
    if (status >= 0 && cur()[2] >= point[2]) mv(point, axis, status);
}

void ZAPR(const i32& dim, const f32* point, const f32* axis, i32& status)
{
    status = 0;
    const i32 d = dimok(dim, "ZAPR, ONLY DIM2/3 IS PERMITTED ");
    const i32 code = nu_sgcd_get_code();
    if (code == 34 || code == 38 || code == 48) {
        f32 ofs = 0;
        if (code != 48) ofs = hei8r(HEI8_ZMAX) >= 1.0e9f ? LNKPAR.safety : LNKPAR.safety + hei8r(HEI8_ZMAX) - point[2];
        // A target above the stock top and its safety distance is reached
        // from above as well: a negative offset would put the plane move's
        // point below the target and plunge the tool into the part there.
        if (ofs < 0.0f) ofs = 0.0f;
        STREND(d, point, axis, 3, ofs, status);
        if (status >= 0) PLNZUP(d, point, axis, ofs, status);
        return;
    }
    const f32 s[3] = {point[0], point[1], point[2] + LNKPAR.safety};
    const f32 allow = hei8r(HEI8_INCR) >= LNKPAR.safety ? hei8r(HEI8_INCR) - LNKPAR.safety : 0.0f;
    FAST2M(d, s, axis, 0, allow, status);
    // Without a safety distance the fast move ends on p itself; the cutting
    // feed is set again, or the string written next would run at the fast
    // feed.
    if (status >= 0 && LNKPAR.safety != 0.0f)
        MOVLN3(d, point, axis, status);
    else if (status >= 0)
        STPV01(1);
}

// Three-axis output retracts as retract kind 1 whatever kind the pass
// output holds: the multi-axis final link writes moves with tool axes, which
// a three-axis tool path does not take.
void ENDPLK(i32& status)
{
    status = 0;
    if (eqpt3(PASOUT.last, cur()) && PASOUT.npnts > 0) {
        if (PASOUT.retknd == 1 || pw(AXSMOD) == 1)
            SRFRET(2, PASOUT.last, PASOUT.prev, PASOUT.axis, ZUP, PASOUT.npnts, status);
        else
            MXFINL(status);
    } else if (PASOUT.retknd == 1 || pw(AXSMOD) == 1) {
        // A pass that has written nothing has no last point: the tool stands
        // where the procedure put it, and PASOUT's point says nothing of the
        // part there even where the two happen to meet (both start at the
        // origin). So it retracts as a tool standing elsewhere does.
        ZRET(2, cur(), ZUP, status);
    }
    PASOUT.npnts = 1;
}

namespace {

// The host's message that a shaped approach cannot be built, with the
// target's coordinates so that the user sees where.
void apr_refused(const f32* p)
{
    char at[161] = {0};
    i32 len = 0;
    PNTTXT(3, p, at, len);
    msg_mdlt(320, 240, at);
}

// The shaped approach's fallback: the host's message, then the vertical approach.
void apr_fallback(i32 dm, const f32* p, const f32* axis2, i32& status)
{
    apr_refused(p);
    vertapr(dm, p, axis2, status);
}

// A gouging shaped approach: the warning with the point, then the vertical approach.
void apr_gouging(const f32* where, i32 dm, const f32* p, const f32* axis2, i32& status)
{
    gouge_warning("GOUGING THE|SURFACES, EXECUTING Z_UP APPROACH", "WARNING:  APPROACH MOTION AT:", where);
    vertapr(dm, p, axis2, status);
}

// Link kind 7: the horizontal arc of radius R ending tangentially at p,
// turning to the side of the move across the axis; a move along the axis
// takes kind 6. True when a fallback or kind 6 wrote the approach instead.
void shaped_approach(i32 k, const f32* p, const f32* dirpt, const f32* axis, const f32* axis2, i32 dm, i32& status);
void arc_approach(const f32* p, const f32* dirpt, const f32* axis, const f32* axis2, i32 dm, i32& status)
{
    const f32 R = LNKPAR.radius;
    f32 where[3];
    // Horizontal arc ending tangentially at p.
    f32 m[3], h[3] = {axis[0], axis[1], 0}, l = 0;
    i32 st = 0;
    if (!hdir(dirpt, p, m)) {
        apr_fallback(dm, p, axis2, status);
        return;
    }
    for (f32& c : m) c = -c;  // the move runs from the start towards p
    v2unit(h, l, st);
    if (st < 0) {
        apr_fallback(dm, p, axis2, status);
        return;
    }
    const f32 cr = m[0] * h[1] - m[1] * h[0];
    if (eqval0(cr)) {
        // Kind 6 in its place, the end-of-pass link being made already.
        usmsgc("[SRFAPR]MOVEMENT IN NORMAL DIRECTION,  PERFORM NORMAL HORIZONTAL APPROACH");
        shaped_approach(LINK_NORMAL, p, dirpt, axis, axis2, dm, status);
        return;
    }
    const f32 dstep = harc_step(R);
    const f32 side = cr > 0 ? 1.0f : -1.0f;
    // Centre R to the side of p across the move; the arc runs backwards
    // from p by up to 45 degrees.
    const f32 c[3] = {p[0] - side * R * m[1], p[1] + side * R * m[0], p[2]};
    auto onarc = [&](f32 deg, f32* q) {
        const f64 a = -side * deg * M_PI / 180.0;
        const f64 rx = p[0] - c[0], ry = p[1] - c[1];
        q[0] = static_cast<f32>(c[0] + rx * std::cos(a) - ry * std::sin(a));
        q[1] = static_cast<f32>(c[1] + rx * std::sin(a) + ry * std::cos(a));
        q[2] = p[2];
    };
    // The chords tested are those of the arc written, its last one ending at
    // the 45-degree start: a chord past it lies off the motion, and a gouge
    // there would send a motion that never goes there to the vertical one.
    f32 ang = 0, prev[3] = {p[0], p[1], p[2]};
    while (ang < 45.0f) {
        const f32 na = std::fmin(45.0f, ang + dstep);
        f32 q[3];
        onarc(na, q);
        i32 gs = 0;
        if (gouges(q, prev, where, gs)) {
            apr_gouging(where, dm, p, axis2, status);
            return;
        }
        if (gs < 0) {
            status = -1;  // untested: nothing is written
            return;
        }
        std::memcpy(prev, q, sizeof prev);
        ang = na;
    }
    marked(5, 9, status, [&] {
        ZAPR(dm, prev, axis2, status);
        // The arc writer takes its angle in radians: the 45 degrees tested.
        if (status >= 0) PARCLK(2, 1, side * static_cast<f32>(M_PI / 4.0), c, p, axis2 ? axis2 : ZUP, status);
    });
}

}  // namespace

namespace {

// The shaped approach of link kind k to p, the end-of-pass link already made.
void shaped_approach(i32 k, const f32* p, const f32* dirpt, const f32* axis, const f32* axis2, i32 dm, i32& status)
{
    // Every shape that cannot be built from the points given falls back to
    // the vertical approach after the host's message.
    auto fallback = [&]() { apr_fallback(dm, p, axis2, status); };
    f32 where[3];
    auto gougewarn = [&]() { apr_gouging(where, dm, p, axis2, status); };
    const f32 L = LNKPAR.length, R = LNKPAR.radius;
    if (link_straight(k)) {
        f32 s[3];
        if (k == LINK_AXIS) {
            f32 u[3] = {axis[0], axis[1], axis[2]}, l = 0;
            i32 st = 0;
            v3unit(u, l, st);
            for (i32 c = 0; c < 3; ++c) s[c] = p[c] + L * u[c];
        } else if (k == LINK_INLINE) {
            f32 u[3] = {dirpt[0] - p[0], dirpt[1] - p[1], dirpt[2] - p[2]}, l = 0;
            i32 st = 0;
            v3unit(u, l, st);
            if (eqval(dirpt[0], p[0]) && eqval(dirpt[1], p[1])) {
                fallback();
                return;
            }
            s[0] = p[0] - L * u[0], s[1] = p[1] - L * u[1], s[2] = p[2];
        } else {
            f32 h[3] = {axis[0], axis[1], 0}, l = 0;
            i32 st = 0;
            v2unit(h, l, st);
            if (st < 0) {
                fallback();
                return;
            }
            s[0] = p[0] + L * h[0], s[1] = p[1] + L * h[1], s[2] = p[2];
        }
        i32 gs = 0;
        if (!upaxis(k, axis) && gouges(s, p, where, gs)) {
            gougewarn();
            return;
        }
        if (gs < 0) {
            status = -1;  // untested: nothing is written
            return;
        }
        marked(5, 9, status, [&] {
            ZAPR(dm, s, axis2, status);
            if (status >= 0) MOVLN3(dm, p, axis2, status);
        });
    } else if (k == LINK_VARC_A || k == LINK_VARC_B) {
        f32 h[3];
        if (!hdir(dirpt, p, h)) {
            fallback();
            return;
        }
        // The arc lies in the vertical plane along the direction from the
        // direction point to p and ends at p (270 degrees): kind 3 starts at
        // 225 degrees, on the direction point's side, kind 4 at 315 degrees,
        // behind p, and comes down moving towards the direction point. The
        // retract measures its angles along the last move the same way, so
        // each kind leaves a string as it enters one (kind 4 tangent to the
        // string, kind 3 over the string's own side).
        const f32 a0 = k == LINK_VARC_A ? 225.0f : 315.0f, da = (270.0f - a0) / 4.0f;
        f32 pts[5][3];
        for (i32 i = 0; i < 5; ++i) arcpt(p, h, R, a0 + da * static_cast<f32>(i), pts[i]);
        for (i32 i = 0; i < 4; ++i) {
            // Under machining type 2 the first chord is tested from half a
            // step further out.
            f32 from[3];
            std::memcpy(from, pts[i], sizeof from);
            if (i == 0 && MACTYP == MACTYP_SURFACES) arcpt(p, h, R, a0 - 0.5f * da, from);
            i32 gs = 0;
            if (gouges(from, pts[i + 1], where, gs)) {
                gougewarn();
                return;
            }
            if (gs < 0) {
                status = -1;  // untested: nothing is written
                return;
            }
        }
        marked(5, 9, status, [&] {
            ZAPR(dm, pts[0], axis2, status);
            STPV01(3);
            if (status >= 0) PCLSRQ(status);
            for (i32 i = 1; i < 5 && status >= 0; ++i) MOVSTR(2, pts[i], axis2 ? axis2 : ZUP, status);
            PCLST1();
            STPV01(1);
        });
    } else {
        arc_approach(p, dirpt, axis, axis2, dm, status);
    }
}

}  // namespace

void SRFAPR(const i32& dim, const f32* target, const f32* dirpt, const f32* axis, const f32* axis2, const i32& count,
            i32& status)
{
    status = 0;
    if (count == 0) return;
    i32 d = dim;
    if (d != 1 && d != 2 && d != 4) {
        eroutc("SRFAPR, ONLY DIM2/3 IS PERMITTED  ", 0);
        d = 1;
    }
    const i32 dm = d == 4 ? 2 : d;
    const f32* p = target;
    const i32 k = LNKPAR.kind;
    // The end-of-pass link goes before the shaped approaches only. The
    // vertical approach climbs from where the tool stands to the retract
    // height itself before it crosses (its fast move), so a retract in front
    // of it would only climb a second time; and a long jump inside a pass
    // asks for this approach (link kind 1 for the while) to cross to the
    // next point without ending the pass.
    if (k == LINK_VERTICAL || count == 1) {
        vertapr(dm, p, axis2, status);
    } else if (k >= LINK_VARC_A && k <= LINK_INLINE && eqpt3(dirpt, p)) {
        // No direction to shape the approach by: the host's message with
        // the target, before anything else is written.
        apr_refused(p);
        vertapr(dm, p, axis2, status);
    } else {
        if (MACTYP == MACTYP_SURFACES || MACTYP == MACTYP_ONESURF || MACTYP == MACTYP_TYPE13 || MACTYP == MACTYP_TYPE15)
            ENDPLK(status);
        // Dimension code 4 ends the gouge test's positions at the target's
        // own height (see cuts). Set after the end-of-pass link: its retract
        // sets the flag for its own motion and clears it on the way out.
        GUGEND = d == 4;
        if (status >= 0) shaped_approach(k, p, dirpt, axis, axis2, dm, status);
    }
    GUGEND = false;
    // Every failure of the approach, also of its fallbacks, is named once.
    if (status < 0) eroutc("SRFAPR, ERRORS IN LIST", 0);
}

namespace {

// The common tail of a shaped retract: up to the retract height, never
// downwards; a rapid move, but a straight one after the vertical arcs. The
// retract's end marker closes it. The height is that of the point the tool
// stands at after the shaped motion, not of the point it left: in the
// incremental mode the tool then stands the incremental distance above where
// it ended, whatever the shaped motion rose, as a vertical retract stands
// above its own point.
void ret_tail(bool arced, i32 d, const f32* axis2, i32& status)
{
    auto rise = [&](const f32* q) {
        if (status < 0) return;
        if (arced)
            mv(q, axis2, status);
        else
            MOVRPD(d, q, axis2, 1, status);
    };
    if (hold() == 0) {
        if (!stepped()) {
            if (HEI8[HEI8_ABSOLUTE] == 0) LNKPAR.clrA = 1;
            const f32 q[3] = {cur()[0], cur()[1], std::fmax(rethgt(cur()), cur()[2])};
            rise(q);
        }
    } else if (HEI8[HEI8_RETRACT] != 0) {
        const f32 q[3] = {cur()[0], cur()[1], std::fmax(hei8r(HEI8_CLEARANCE), cur()[2])};
        rise(q);
    }
    i32 s2 = 0;
    PUTMRK(2, 6, 12, 0.0f, 0, s2);
    if (status >= 0) status = s2;
}

}  // namespace

namespace {

// Whether a retract of kind k from p has no direction to go by: the point
// before is p itself, or, for a vertical arc, lies over p (a last move
// straight up or down gives the arc no vertical plane).
bool no_direction(i32 k, const f32* before, const f32* p)
{
    return eqpt3(before, p) || ((k == LINK_VARC_A || k == LINK_VARC_B) && eqpt2(before, p));
}

// The horizontal direction h of a retract in line with the last move (kind
// 5) or along the horizontal part of the axis (kind 6). The horizontal
// normal needs no last move: a point before that lies over the start
// refuses the arc (kind 7), which follows the last move, not this leave
// along the axis's projection. Where there is no direction, host message 250
// of module 320 is shown, without coordinates, and the caller retracts
// vertically: every retract that cannot take its shape says 250, as the
// other retract kinds do, also kind 6, whose approach says 240 with the
// target's coordinates (a retract leaves from where the tool stands).
bool retdir(i32 k, const f32* before, const f32* p, const f32* axis, f32* h)
{
    bool ok = k == LINK_INLINE ? hdir(before, p, h) : false;
    if (k == LINK_NORMAL) {
        h[0] = axis[0], h[1] = axis[1], h[2] = 0;
        f32 l = 0;
        i32 st = 0;
        v2unit(h, l, st);
        ok = st == 0;
    }
    if (!ok) msg_mdls(320, 250);
    return ok;
}

}  // namespace

void SRFRET(const i32& dim, const f32* start, const f32* before, const f32* axis, const f32* axis2, const i32& count,
            i32& status)
{
    status = 0;
    LNKPAR.clrB = 0;
    if (count == 0) return;
    const i32 d = dimok(dim, "SRFRET, ONLY DIM2/3 IS PERMITTED");
    GUGEND = d == 4;
    const f32 plane = hold() != 0 ? hei8r(HEI8_CLEARANCE) : (HEI8[HEI8_ABSOLUTE] != 0 ? hei8r(HEI8_PLANE2) : 1.0e30f);
    if (plane < cur()[2]) warnlow();
    const f32* p = start;
    i32 k = LNKPAR.kind;
    if (k >= LINK_VARC_A && k <= LINK_INLINE && (no_direction(k, before, p) || count == 1)) {
        if (no_direction(k, before, p)) msg_mdls(320, 250);
        k = 1;
    }
    f32 where[3];
    auto gougewarn = [&]() {
        gouge_warning("GOUGING THE|SURFACES, EXECUTING Z_UP RETRACT", "WARNING: RETRACT MOTION AT:", where);
        k = 1;
    };
    // A gouge test that cannot be made fails the retract before anything is
    // written: neither the shaped motion (it may gouge) nor the vertical one
    // (the failure is the caller's to handle).
    auto test = [&](const f32* a, const f32* b) {
        i32 gs = 0;
        if (gouges(a, b, where, gs)) gougewarn();
        if (gs < 0) status = -1;
        return status >= 0 && k != LINK_VERTICAL;
    };
    const f32 L = LNKPAR.length, R = LNKPAR.radius;
    f32 s[3];
    bool shaped = false;
    // Whether the start marker of a shaped retract is in the list.
    bool opened = false;
    if (link_straight(k)) {
        if (k == LINK_AXIS) {
            f32 u[3] = {axis[0], axis[1], axis[2]}, l = 0;
            i32 st = 0;
            v3unit(u, l, st);
            for (i32 c = 0; c < 3; ++c) s[c] = p[c] + L * u[c];
        } else {
            f32 h[3];
            if (!retdir(k, before, p, axis, h))
                k = LINK_VERTICAL;
            else
                s[0] = p[0] + L * h[0], s[1] = p[1] + L * h[1], s[2] = p[2];
        }
        if (k != LINK_VERTICAL && !upaxis(k, axis)) test(p, s);
        shaped = k != LINK_VERTICAL && status >= 0;
        if (shaped) {
            PUTMRK(1, 6, 11, 0.0f, 0, status);
            opened = status >= 0;
            if (status >= 0) MOVRPD(d, s, axis2, 1, status);
        }
    } else if (k == LINK_VARC_A || k == LINK_VARC_B) {
        f32 h[3];
        hdir(before, p, h);
        f32 pts[4][3], prev[3] = {p[0], p[1], p[2]};
        const f32 da = k == LINK_VARC_A ? -11.25f : 11.25f;
        // Under machining type 2 the first chord is tested from the point
        // half a step along the arc.
        if (MACTYP == MACTYP_SURFACES) arcpt(p, h, R, 270.0f + 0.5f * da, prev);
        for (i32 i = 0; i < 4; ++i) {
            arcpt(p, h, R, 270.0f + da * static_cast<f32>(i + 1), pts[i]);
            if (!test(prev, pts[i])) break;
            std::memcpy(prev, pts[i], sizeof prev);
        }
        if (k != LINK_VERTICAL && status >= 0) {
            shaped = true;
            PUTMRK(1, 6, 11, 0.0f, 0, status);
            opened = status >= 0;
            STPV01(3);
            if (status >= 0) PCLSRQ(status);
            for (i32 i = 0; i < 4 && status >= 0; ++i) MOVSTR(2, pts[i], axis2 ? axis2 : ZUP, status);
            PCLST1();
            STPV01(1);
        }
    } else if (k == LINK_HARC) {
        // Horizontal arc leaving p tangentially along the last move.
        f32 m[3], h[3] = {axis[0], axis[1], 0}, l = 0;
        i32 st = 0;
        if (!hdir(before, p, m)) {
            msg_mdls(320, 250);
            k = LINK_VERTICAL;
        } else {
            v2unit(h, l, st);
            const f32 cr = m[0] * h[1] - m[1] * h[0];
            if (st < 0 || eqval0(cr)) {
                msg_mdls(320, 270);
                LNKPAR.kind = LINK_NORMAL;
                // The dimension code is passed as already checked (its
                // error said once); the retract along the normal then has
                // its own fallback, with its own message, when the axis has
                // no horizontal part.
                SRFRET(d, start, before, axis, axis2, count, status);
                LNKPAR.kind = LINK_HARC;
                return;
            }
            const f32 side = cr > 0 ? 1.0f : -1.0f;
            const f32 c[3] = {p[0] - side * R * m[1], p[1] + side * R * m[0], p[2]};
            const f32 dstep = harc_step(R);
            f32 ang = 0, prev[3] = {p[0], p[1], p[2]}, q[3] = {p[0], p[1], p[2]};
            while (ang < 45.0f && k == LINK_HARC && status >= 0) {
                ang = std::fmin(45.0f, ang + dstep);
                const f64 a = side * ang * M_PI / 180.0;
                const f64 rx = p[0] - c[0], ry = p[1] - c[1];
                q[0] = static_cast<f32>(c[0] + rx * std::cos(a) - ry * std::sin(a));
                q[1] = static_cast<f32>(c[1] + rx * std::sin(a) + ry * std::cos(a));
                test(prev, q);
                std::memcpy(prev, q, sizeof prev);
            }
            if (k == LINK_HARC && status >= 0) {
                shaped = true;
                PUTMRK(1, 6, 11, 0.0f, 0, status);
                opened = status >= 0;
                // The arc writer takes its angle in radians: the 45 degrees tested.
                if (status >= 0) PARCLK(2, 1, side * static_cast<f32>(M_PI / 4.0), c, q, axis2 ? axis2 : ZUP, status);
            }
        }
    }
    // After a failed gouge test nothing is written.
    if (status >= 0 && !shaped) {
        vertret(d, p, axis2, status);
    } else if (status >= 0) {
        ret_tail(k == LINK_VARC_A || k == LINK_VARC_B, d, axis2, status);
    } else if (opened) {
        // The shaped motion failed after its start marker was written: the
        // tail (and its end marker) does not run, so the marker is closed
        // here, or it would stay open in the list and on the marker stack.
        i32 s2 = 0;
        PUTMRK(2, 6, 12, 0.0f, 0, s2);
    }
    GUGEND = false;
    if (status < 0) {
        eroutc("SRFRET, ERRORS IN LIST", 0);
        status = -1;
    }
}

void MXFINL(i32& status)
{
    status = 0;
    if (HEI8[HEI8_RETRACT] == 0) return;
    marked(6, 11, status, [&] {
        f32 dir[3];
        f32 first, second;
        const f32 rise = std::fmax(0.0f, hei8r(HEI8_INCR) - wrd2r(NPT1[5]));
        if (pw(TLTREF) == 2) {
            std::memcpy(dir, PASOUT.exitv, sizeof dir);
            first = LNKPAR.safety + LNKPAR.length;
            second = first + rise;
        } else if (LNKPAR.kind == LINK_AXIS) {
            // Link kind 2 leaves along the tool axis of the last move (the
            // direction the last-move record holds), as every kind-2 link
            // leaves and enters along the axis; the direction of travel
            // would run on into the part at the end of a descending move.
            std::memcpy(dir, MOVST.axis, sizeof dir);
            first = LNKPAR.length;
            second = first + std::fmax(0.0f, hei8r(HEI8_INCR));
        } else {
            dir[0] = 0, dir[1] = 0, dir[2] = 1;
            first = LNKPAR.safety;
            second = first + std::fmax(0.0f, hei8r(HEI8_INCR));
        }
        f32 l = 0;
        i32 st = 0;
        v3unit(dir, l, st);
        const f32 p0[3] = {cur()[0], cur()[1], cur()[2]}, a0[3] = {MOVST.axis[0], MOVST.axis[1], MOVST.axis[2]};
        f32 q[3];
        for (i32 c = 0; c < 3; ++c) q[c] = p0[c] + first * dir[c];
        // Along the exit vector the first move leaves the part at the feed in
        // force; only the other leave (along the axis or straight up) is rapid
        // from its start while the hold state is set.
        if (pw(TLTREF) != 2 && hold() != 0) STPV01(4);
        if (status >= 0) MOVLIN(3, q, a0, status);
        for (i32 c = 0; c < 3; ++c) q[c] = p0[c] + second * dir[c];
        STPV01(4);
        if (status >= 0) MOVLIN(3, q, a0, status);
    });
    HFLSET(0);
}

namespace {
struct Single {
    f32 p[3], a[3], o;
    Single(const f64* point, const f64* axis, const f64& offset)
    {
        for (i32 k = 0; k < 3; ++k) {
            p[k] = static_cast<f32>(point[k]);
            a[k] = axis ? static_cast<f32>(axis[k]) : (k == 2 ? 1.0f : 0.0f);
        }
        o = static_cast<f32>(offset);
    }
};
}  // namespace

void PLNZPD(const i32& dim, const f64* point, const f64* axis, const f64& offset, i32& status)
{
    const Single s(point, axis, offset);
    PLNZUP(dim, s.p, s.a, s.o, status);
}

void STRNDD(const i32& dim, const f64* point, const f64* axis, const i32& mode, const f64& offset, i32& status)
{
    const Single s(point, axis, offset);
    STREND(dim, s.p, s.a, mode, s.o, status);
}

void FST2MD(const i32& dim, const f64* point, const f64* axis, const i32& feed, const f64& offset, i32& status)
{
    const Single s(point, axis, offset);
    FAST2M(dim, s.p, s.a, feed, s.o, status);
}
