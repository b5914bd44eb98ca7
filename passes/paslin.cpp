#include "passes/paslin.h"

#include <cmath>
#include <cstring>

#include "core/vec.h"
#include "core/host.h"
#include "core/params.h"
#include "passes/ncevs.h"
#include "core/params.h"
#include "passes/pasdat.h"
#include "passes/trmlin.h"
#include "surfaces/srfbuf.h"

namespace {

constexpr i32 REC = 9;         // tool point, tool axis, surface normal
// Trials of one step. A rejected trial halves until a stop rule holds, but
// an accepted one only grows the step by at most 1.75 increments, so over a
// long flat stretch with a small increment the growing could take very many
// trials before the deviation or the range end stops it: the count bounds
// that work, and at the bound the last accepted trial is the step.
constexpr i32 MAXIT = 200;
constexpr i32 PNTLIM = 99997;  // points before a string must be thinned

// Evaluation of the tool point record at (u, v), travelling along (du, dv).
// The pass line asks for no placing on the triangle model (on-model flag 0):
// its points stay the tool's places on the surface itself, and where the
// model is to be followed the pass writer replaces each step by the
// gouge-free positions over it (gouge-check modes 2 and 3). Placing every
// sampled point on the model here as well would measure the chord and turn
// tests of the step search against the model's facets instead of the
// surface, and the tolerance would then no longer bound the distance to the
// surface.
i32 evalpt(const f64* buf, f32 u, f32 v, f32 du, f32 dv, i32 side, f32 a1, f32 a2, f32* rec)
{
    f32 ev[9];
    i32 st = -1;
    NCEVS1(buf, u, v, du, dv, side, pw(AXSMOD), SRFEVL, a1, a2, 0, ev, rec, st);
    return st;
}

f32 sgnlike(f32 mag, f32 like) { return like < 0 ? -std::fabs(mag) : std::fabs(mag); }

struct Trial {
    f32 u, v, dev;
    f32 mid[REC], next[REC];
};

// Pass-line sampling state of one surface entry.
struct Line {
    i32 steep = 0, notflat = 0;
    i32 strbeg = 0;  // first point of the current string
};

void fullmsg() { eroutc("surlin,BUFFER IS NOT LARGE ENOUGH", 0); }

void putpt(const f32* rec)
{
    PasStr& s = PASSTR;
    const i32 p = s.PSNPNT++;
    std::memcpy(s.PSPNTS[p], rec, 3 * sizeof(f32));
    std::memcpy(s.PSVECS[p], rec + 3, 6 * sizeof(f32));
}

f32 thintol(const Line& ln, f32 fine, f32 medium, f32 normal)
{
    if (ln.steep || MACTYP == MACTYP_ONESURF) return fine;
    return ln.notflat ? medium : normal;
}

void thin(Line& ln, f32 tol)
{
    PasStr& s = PASSTR;
    i32 n = s.PSNPNT - ln.strbeg;
    if (n <= 2) return;
    dilula(n, s.PSPNTS[ln.strbeg], 3, s.PSVECS[ln.strbeg], 6, 0.5f * tol);
    s.PSNPNT = ln.strbeg + n;
}

// Closes the current string; status -1 when the string table is full.
void closestr(Line& ln, f32 tol, i32& status)
{
    PasStr& s = PASSTR;
    thin(ln, tol);
    if (s.PSNSTR >= PS_STR) {
        fullmsg();
        status = -1;
        return;
    }
    s.PSSLEN[s.PSNSTR++] = s.PSNPNT - ln.strbeg;
    ln.strbeg = s.PSNPNT;
}


}  // namespace

void surstp(const i32& seg, const f64* buf, const i32& side, f32& u, const f32& ue, f32& v, const f32& ve,
            const f32& dus, const f32& dvs, const f32& a1, const f32& a2, f32& ustep, f32& vstep, const f32* prev,
            f32& dev, f32* mid, f32* next, i32& endflag, i32& status)
{
    status = 0;
    endflag = 0;
    const f32 t = pwr(WRKTOL);
    pws(RLXTOL, 1.1f * t);
    const f32 up = u, vp = v;
    if (eqvald(up, ue) && eqvald(vp, ve)) {
        if (evalpt(buf, ue, ve, dus, dvs, side, a1, a2, next) < 0 || eqpt3(next, prev)) {
            endflag = 1;
            return;
        }
        std::memcpy(mid, next, REC * sizeof(f32));
        dev = 0;
        ustep = ue - up;
        vstep = ve - vp;
        u = ue;
        v = ve;
        return;
    }
    {
        f32 half[REC];
        if (evalpt(buf, 0.5f * (up + ue), 0.5f * (vp + ve), dus, dvs, side, a1, a2, half) < 0 || eqpt3(half, prev)) {
            if (evalpt(buf, ue, ve, dus, dvs, side, a1, a2, half) < 0 || eqpt3(half, prev)) {
                endflag = 1;
                return;
            }
        }
    }
    f32 lim[6] = {0, 0, 0, 0, 0, 0};
    i32 st = 0;
    SBFLIM(1, const_cast<f64*>(buf), lim, st);
    f32 iu = std::fabs(lim[2]), iv = std::fabs(lim[5]);
    const bool movu = seg != 1 && !eqvald(up, ue), movv = seg != 2 && !eqvald(vp, ve);
    // Without increments the step could not grow or be bounded: the
    // segment ends here and keeps its points, as after a failed evaluation
    // (-2, which the pass line clears).
    if (st < 0 || (movu && !(iu > 0.0f)) || (movv && !(iv > 0.0f))) {
        eroutc("surstp,NO PARAMETER INCREMENT OF THE SURFACE", 0);
        endflag = 1;
        status = -2;
        return;
    }
    f32 us = seg == 1 ? 0.0f : ustep, vs = seg == 2 ? 0.0f : vstep;
    // A zero step carried over from the last call would try the previous
    // point again and never move: it becomes the rest of the segment, which
    // the search halves as it needs.
    if (movu && us == 0.0f) us = ue - up;
    if (movv && vs == 0.0f) vs = ve - vp;
    iu = sgnlike(iu, us);
    iv = sgnlike(iv, vs);
    if (std::fabs(us) > 10.0f * std::fabs(iu)) us = 10.0f * iu;
    if (std::fabs(vs) > 10.0f * std::fabs(iv)) vs = 10.0f * iv;

    const f32 cturn = static_cast<f32>(std::cos(radian(pwr(AXSTRN) / 8.0f)));
    bool halved = false, accepted = false, have_best = false;
    Trial best{}, acc{}, cur{};
    best.dev = 1.0e10f;
    f32 lastdev = -1.0f;
    i32 same = 0;
    const Trial* ret = nullptr;
    for (i32 it = 0; it < MAXIT && !ret; ++it) {
        f32 ut = up + us, vt = vp + vs;
        bool endu = seg == 1, endv = seg == 2;
        if (seg != 1 && (ue - up) * (ut - ue) >= 0.0f) {
            ut = ue;
            us = ue - up;
            endu = true;
        }
        if (seg != 2 && (ve - vp) * (vt - ve) >= 0.0f) {
            vt = ve;
            vs = ve - vp;
            endv = true;
        }
        cur.u = ut;
        cur.v = vt;
        if (evalpt(buf, ut, vt, dus, dvs, side, a1, a2, cur.next) < 0 ||
            evalpt(buf, up + 0.5f * us, vp + 0.5f * vs, dus, dvs, side, a1, a2, cur.mid) < 0) {
            endflag = 1;
            return;
        }
        i32 pst = 0;
        p3tol(prev, cur.next, cur.mid, cur.dev, pst);
        if (pst < 0) cur.dev = 2.0f * t;
        const f32 dt = cur.mid[3] * cur.next[3] + cur.mid[4] * cur.next[4] + cur.mid[5] * cur.next[5];
        const bool turn = dt > cturn;
        if (cur.dev < best.dev) {
            best = cur;
            have_best = true;
        }
        if (cur.dev < t && turn) {
            if (eqval(cur.dev, t) || halved || (endu && endv)) {
                ret = &cur;
                break;
            }
            acc = cur;
            std::memcpy(acc.mid, acc.next, REC * sizeof(f32));
            accepted = true;
            us += sgnlike(std::fmin(std::fabs(us), 1.75f * std::fabs(iu)), us);
            vs += sgnlike(std::fmin(std::fabs(vs), 1.75f * std::fabs(iv)), vs);
            continue;
        }
        if (cur.dev <= pwr(RLXTOL) && turn) {
            ret = &cur;
            break;
        }
        pws(RLXTOL, 1.5f * t);
        halved = true;
        if (accepted) {
            ret = &acc;
            break;
        }
        us *= 0.5f;
        vs *= 0.5f;
        same = eqval(cur.dev, lastdev) ? same + 1 : 0;
        lastdev = cur.dev;
        if ((eqvl0d(us) && eqvl0d(vs)) || same >= 5) ret = &best;
    }
    if (!ret) ret = accepted ? &acc : (have_best ? &best : nullptr);
    if (!ret) {
        endflag = 1;
        return;
    }
    if (ret->u == up && ret->v == vp) {
        // No step forward: calling again would try the same point without
        // end, so the segment ends with the points it has.
        eroutc("surstp,NO PROGRESS ALONG THE PASS LINE", 0);
        endflag = 1;
        status = -2;
        return;
    }
    u = ret->u;
    v = ret->v;
    ustep = u - up;
    vstep = v - vp;
    dev = ret->dev;
    std::memcpy(mid, ret->mid, REC * sizeof(f32));
    std::memcpy(next, ret->next, REC * sizeof(f32));
}

namespace {

// One surface entry's pass line: the tolerances it samples with and the switches of the walk.
struct LineWalk {
    const f64* buf;
    i32 side, k, n, cutflp;
    bool firstentry;  // the first entry of the pass
    // Surface clean-up (machining type 14) in three-axis work: the tool axis
    // is held at (0, 0, 1), so the slope cannot be read from it and every
    // stretch is taken as steep and sampled at the fine tolerance.
    bool vert;
    f32 t, fine, medium, normal;
    f32 a1, a2;  // lead and tilt of the current direction
    i32 revflag;
};

// Tolerances: finer on steep and sloping stretches when the gouge check asks for it.
void walktols(LineWalk& w)
{
    w.t = pwr(WRKTOL);
    w.fine = w.t;
    w.medium = w.t;
    if (pw(GCHMOD) >= 3) {
        w.medium = w.t / 6.0f;
        w.fine = w.t / 12.0f;
        if (w.t / 12.0f < 0.001f) w.fine = w.t / 6.0f > 0.001f ? 0.001f : w.t / 6.0f;
    }
    w.normal = MACTYP == MACTYP_ONESURF ? w.medium : w.t;
    w.vert = MACTYP == MACTYP_ONESURF && pw(AXSMOD) == 1;
}

// Start of one segment: the first tool point, the ends it sets in the pass record and the tolerance
// to step with.  Status -1 when the surface cannot be evaluated.
i32 segstart(LineWalk& w, Line& ln, f32 ua, f32 va, f32 du, f32 dv, i32& firstpt, f32* prev, f32& tol)
{
    // -1 is the answer of a tool that cannot be placed and of a surface the
    // host cannot evaluate (its evaluation answers -1 for every failure), so
    // it is the one status that ends the line here.
    if (evalpt(w.buf, ua, va, du, dv, w.side, w.a1, w.a2, prev) == -1) {
        // The tool placing names its own failures; a surface the host cannot
        // evaluate at all is named by nobody else, so it is named here, once.
        f32 ev[9], nrm[3];
        i32 hs = 0;
        evsrfn(w.buf, ua, va, 2, ev, nrm, hs);
        if (hs < 0) eroutc("surlin,THE SURFACE CANNOT BE EVALUATED", 0);
        return -1;
    }
    if (firstpt) {
        f32* dst = !w.revflag && ((w.firstentry && w.cutflp == 1) || w.cutflp == 2) ? PASOUT.pasrec
                                                                                      : PASOUT.pasrec + 3;
        std::memcpy(dst, prev + 6, 3 * sizeof(f32));
    }
    const f32 az = std::fabs(prev[5]);
    tol = (az < 0.3f || w.vert) ? w.fine : (az >= 0.53f ? w.normal : w.medium);
    if (tol == w.fine && (az < 0.3f || w.vert)) ln.steep = 1;
    if (!(az < 0.3f || w.vert) && az < 0.53f) ln.notflat = 1;
    if (firstpt && (w.k == 1 || (pw(ZIGZAG) == 0 && w.cutflp == 2))) {
        firstpt = 0;
        std::memcpy(w.revflag ? PASOUT.enaxis : PASOUT.staxis, prev + 3, 3 * sizeof(f32));
    }
    return 0;
}

// Steps along one segment from prev to its end, storing the points of the string; each step
// picks the next step's tolerance from the slope at its ends.  Status -1 on a failed step or a
// full table.
i32 segsteps(LineWalk& w, Line& ln, i32 seg, f32 ua, f32 va, f32 ub, f32 vb, f32 du, f32 dv, f32 us, f32 vs,
             f32 tol, f32* prev)
{
    PasStr& s = PASSTR;
    f32 mid[REC], next[REC];
    f32 u = ua, v = va;
    for (;;) {
        f32 dev = 0;
        i32 endflag = 0, st = 0;
        pws(WRKTOL, tol);
        surstp(seg, w.buf, w.side, u, ub, v, vb, du, dv, w.a1, w.a2, us, vs, prev, dev, mid, next, endflag, st);
        if (st == -1) return -1;
        if (endflag) return 0;
        const f32 zp = std::fabs(prev[5]), zn = std::fabs(next[5]);
        const f32 steptol = tol;
        bool flat = false;
        if (zp < 0.3f || zn < 0.3f || w.vert)
            tol = w.fine;
        else if (zp < 0.53f || zn < 0.53f)
            tol = w.medium;
        else
            tol = w.normal, flat = true;
        if (!flat) ln.notflat = 1;
        if (s.PSNPNT > PNTLIM) {
            thin(ln, thintol(ln, w.fine, w.medium, w.normal));
            if (s.PSNPNT > PNTLIM) {
                fullmsg();
                return -1;
            }
        }
        // The previous point opens the string; later steps start on the
        // point the step before stored as its next one, which is not
        // stored twice.
        if (s.PSNPNT == ln.strbeg) putpt(prev);
        // The midpoint is kept when the step's deviation reaches the
        // tolerance the step was searched with (not the one just chosen
        // for the next step): that is the bound the search held it to, so
        // a step accepted only within the relaxed bound keeps its middle.
        if (dev > steptol || eqval(dev, steptol)) putpt(mid);
        putpt(next);
        if (!w.revflag)
            std::memcpy(PASOUT.enaxis, mid + 3, 3 * sizeof(f32));
        else if (w.k == w.n)
            std::memcpy(PASOUT.staxis, mid + 3, 3 * sizeof(f32));
        std::memcpy(prev, next, REC * sizeof(f32));
    }
}

// End of one segment: the end it sets in the pass record, and a segment that stored no point
// stores its end twice.  Status -1 when the table is full.
i32 segend(const LineWalk& w, const Line& ln, i32 before, const f32* prev)
{
    PasStr& s = PASSTR;
    if (!w.revflag)
        std::memcpy(PASOUT.pasrec + 3, prev + 6, 3 * sizeof(f32));
    else if ((w.firstentry && w.cutflp == 1) || w.cutflp == 2)
        std::memcpy(PASOUT.pasrec, prev + 6, 3 * sizeof(f32));
    // Only a string still empty gets the start point twice: a segment that
    // added nothing to a string with points already ends on its last point.
    if (s.PSNPNT == before && s.PSNPNT == ln.strbeg) {
        if (s.PSNPNT >= 99999) {
            fullmsg();
            return -1;
        }
        putpt(prev);
        putpt(prev);
        std::memcpy(w.revflag ? PASOUT.staxis : PASOUT.enaxis, prev + 3, 3 * sizeof(f32));
    }
    return 0;
}

// One walk over the segments in the current direction: a string per segment pair (pairs), else one
// string through every segment; a reversed walk turns its points and strings round.
void walkline(LineWalk& w, i32 e, bool pairs, i32 nseg, const f32* segpts, f32 ustep, f32 vstep, i32 str0,
              i32 pnt0, i32& status)
{
    PasStr& s = PASSTR;
    Line ln;
    ln.strbeg = s.PSNPNT;
    i32 firstpt = 1;
    f32 prev[REC];
    for (i32 g = 0; g < nseg; ++g) {
        const f32* pa = pairs ? segpts + 6 * g : segpts + 3 * g;
        const f32* pb = pa + 3;
        const f32 ua = pa[1], va = pa[2], ub = pb[1], vb = pb[2];
        i32 seg = 0;
        f32 us = ub - ua, vs = vb - va;
        if (eqvald(ua, ub)) {
            seg = 1;
            us = 0.0f;
            vs = sgnlike(vstep, vb - va);
        } else if (eqvald(va, vb)) {
            seg = 2;
            us = sgnlike(ustep, ub - ua);
            vs = 0.0f;
        }
        const f32 du = ub - ua, dv = vb - va;
        f32 tol = 0;
        if (segstart(w, ln, ua, va, du, dv, firstpt, prev, tol) < 0) {
            status = -1;
            return;
        }
        if (pairs && g > 0) {
            closestr(ln, thintol(ln, w.fine, w.medium, w.normal), status);
            if (status < 0) return;
            ++s.PSSCNT[e];
        }
        const i32 before = s.PSNPNT;
        if (segsteps(w, ln, seg, ua, va, ub, vb, du, dv, us, vs, tol, prev) < 0 || segend(w, ln, before, prev) < 0) {
            status = -1;
            return;
        }
    }
    closestr(ln, thintol(ln, w.fine, w.medium, w.normal), status);
    if (status < 0) return;
    if (w.revflag) {
        const i32 np = s.PSNPNT - pnt0;
        revdim(np, 3, s.PSPNTS[pnt0]);
        revdim(np, 6, s.PSVECS[pnt0]);
        revi(s.PSNSTR - str0, s.PSSLEN + str0);
    }
}

}  // namespace

void surlin(const i32& cutflp, const i32& kind, const i32& segmode, i32& nearflag, i32& revflag, const f64* buf,
            const i32& side, const i32& k, const i32& n, const f32* segpts, const i32& npts, const f32& ustep,
            const f32& vstep, i32& status)
{
    status = 0;
    PasStr& s = PASSTR;
    const f32 tlt = pwr(TLTCMP), lead = pwr(LEADAN);
    LineWalk w{};
    walktols(w);
    w.buf = buf;
    w.side = side;
    w.k = k;
    w.n = n;
    w.cutflp = cutflp;

    // The entry table holds one entry per surface of the procedure and one
    // for the side-step link (121): a pass that would need another is
    // stopped like a full point table rather than written past the table's
    // end.
    if (s.PSNSRF >= PS_SRF) {
        fullmsg();
        status = -1;
        return;
    }
    const i32 e = s.PSNSRF++;
    s.PSSURF[e] = k;
    s.PSMODE[e] = 1;
    s.PSKIND[e] = kind;
    s.PSSCNT[e] = 1;
    const i32 str0 = s.PSNSTR, pnt0 = s.PSNPNT;
    w.firstentry = s.PSNSRF == 1;
    const bool pairs = segmode == 2 && npts >= 3 && kind != 6;
    const i32 nseg = pairs ? npts / 2 : npts - 1;

    // Walk the line; asked to start near the previous line's end (nearflag) and ending nearer it than
    // it began, walk it once more the other way round.
    for (;;) {
        // The angles follow the reverse flag, so a walk the other way round
        // takes them afresh.
        w.revflag = revflag;
        w.a1 = kind == 6 ? -tlt : (revflag ? -lead : lead);
        w.a2 = kind == 6 ? CUTSGN * lead : CUTSGN * tlt;
        walkline(w, e, pairs, nseg, segpts, ustep, vstep, str0, pnt0, status);
        if (status < 0) break;
        if (!nearflag || s.PSNPNT == pnt0) break;
        const f32 d1 = dist3(PASOUT.last, s.PSPNTS[pnt0]);
        const f32 d2 = dist3(PASOUT.last, s.PSPNTS[s.PSNPNT - 1]);
        if (d1 < d2) break;
        nearflag = 0;
        revflag = revflag ? 0 : 1;
        s.PSNSTR = str0;
        s.PSNPNT = pnt0;
        s.PSSCNT[e] = 1;
    }
    pws(WRKTOL, w.t);
}

void SIDLIN(const f64* buf, const i32& side, const i32& k, const i32& n, const i32& trimmed, const i32& dircode,
            const f32& cur, const f32& a, const f32& b, const f32& prev, const f32& ustep, const f32& vstep,
            const i32& cutflp, i32& status)
{
    constexpr i32 MAXTRM = 400;
    static f32 pts[3 * MAXTRM];
    i32 count = 0;
    auto uv = [&](f32 val, f32 edge, f32* p) {
        p[0] = dircode == 1 ? val : edge;
        p[1] = dircode == 1 ? edge : val;
    };
    if (trimmed != 0) {
        f32 three[6];
        uv(prev, a, three);
        uv(prev, b, three + 2);
        uv(cur, b, three + 4);
        trmcnt(k - 1, MAXTRM, count, pts, dircode, three, three + 2, three + 4, status);
        if (status < 0) return;
        const i32 w = dircode == 1 ? 2 : 1;
        for (i32 p = 0; p < count; ++p) {
            f32& c = pts[3 * p + w];
            if ((b - a) * (c - b) > 0.0f) c = b;
        }
    } else {
        for (i32 p = 0; p < 2; ++p) {
            pts[3 * p] = 1.0f;
            uv(p == 0 ? prev : cur, b, pts + 3 * p + 1);
        }
        count = 2;
    }
    i32 nearflag = 0, revflag = 0;
    surlin(cutflp, 6, 1, nearflag, revflag, buf, side, k, n, pts, count, ustep, vstep, status);
}
