#include "passes/onepas.h"

#include <vector>

#include "core/host.h"
#include "core/params.h"
#include "passes/ncevs.h"
#include "passes/orient.h"
#include "passes/paslin.h"
#include "core/params.h"
#include "passes/pasdat.h"
#include "passes/pasout.h"
#include "passes/pastab.h"
#include "passes/trmlin.h"
#include "surfaces/srfbuf.h"

namespace {

// Side of the machining-type-14 surface from the host's list 1, read as the
// pass table reads it (into buffers kept between passes, so that no pass
// allocates).
bool side14(i32& side)
{
    i32 id = 0;
    return idside(1, id, side);
}

}  // namespace

void PASLNK(const i32& linkmode, const i32& i, const f64* buf, i32& kind, i32& linked, i32& status)
{
    linked = 0;
    status = 0;
    // The pass-record switch: the multi-axis link that enters this pass
    // takes its directions from the pass record (the exit vector of the pass
    // before and this pass's start normal) and clears it.
    PASOUT.recsw = 1;
    if (linkmode == 1) {
        kind = 3;
        return;
    }
    if (linkmode == 2) {
        kind = pw(ZIGZAG) != 0 ? 2 : 3;
        return;
    }
    if (pw(ZIGZAG) == 0 && CLSFLG == 0) {
        kind = 3;
        return;
    }
    const i32 x = six(i);
    i32 side = SRFGEO.SRFSID[x];
    const i32 n = MACTYP == MACTYP_ONESURF ? 1 : SRFGEO.NSRF;
    i32 st = 0;
    if (MACTYP == MACTYP_ONESURF && !side14(side)) st = -1;
    if (st == 0)
        SIDLIN(buf, side, i, n, SRFGEO.CRNREC[x][CR_HELD], PASTAB.PCODE[x], PASTAB.PCUR[x], LSTBEG, LSTEND, LSTPAR,
               PASTAB.USTEP[x], PASTAB.VSTEP[x], SRFGEO.CUTFLP, st);
    if (st == 0) {
        kind = 1;
        linked = 1;
        return;
    }
    PASSTR.PSNSRF = 0;
    PASSTR.PSNSTR = 0;
    PASSTR.PSNPNT = 0;
    kind = 3;
}

void PASSGN(const i32& i, i32& sign, i32& status)
{
    static f64 buf[SB_CAP];
    const i32 x = six(i);
    status = 0;
    // The surface and its side are taken as every other pass routine takes
    // them: under machining type 14 from the host's list 1. The geometry
    // record's ids and sides are not filled for that type (they hold 0, or
    // whatever an earlier procedure left), so reading them would fail the
    // first pass or take the sign from a surface that is not being cut,
    // turning the lead and tilt the wrong way.
    i32 id = 0, side = 1;
    if (!idside(i, id, side)) {
        status = -1;
        return;
    }
    LDSRFB(id, buf, status);
    if (status < 0) return;
    const i32* l = SRFGEO.LIMREC[x];
    const bool ufirst = l[LR_CODE] == 1;
    const f32 w1 = limr(l, LR_FST), w2 = limr(l, LR_FEND), w3 = limr(l, LR_SST), w4 = limr(l, LR_SEND);
    const f32 us = ufirst ? w1 : w3, vs = ufirst ? w3 : w1;
    const f32 du = ufirst ? w2 - w1 : w4 - w3, dv = ufirst ? w4 - w3 : w2 - w1;
    f32 ev[9], nrm[3];
    evsrfn(buf, us, vs, 2, ev, nrm, status);
    if (status < 0) return;
    if (side < 0)
        for (f32& c : nrm) c = -c;
    f32 su[3] = {ev[3], ev[4], ev[5]}, sv[3] = {ev[6], ev[7], ev[8]}, len = 0;
    v3unit(su, len, status);
    if (status < 0) return;
    v3unit(sv, len, status);
    if (status < 0) return;
    for (i32 c = 0; c < 3; ++c) {
        su[c] *= du;
        sv[c] *= dv;
    }
    const bool valong = (ufirst && SRFGEO.CUTFLP == 1) || (!ufirst && SRFGEO.CUTFLP != 1);
    const f32* a = valong ? sv : su;
    const f32* b = valong ? su : sv;
    f32 na[3];
    v3cros(nrm, a, na);
    sign = na[0] * b[0] + na[1] * b[1] + na[2] * b[2] < 0 ? 1 : -1;
    CUTSGN = sign;
    status = 0;
}

void SURPAS(const i32& kind, const i32& i, const f64* buf, i32& nearflag, i32& revflag, i32& status)
{
    constexpr i32 MAXTRM = 400;
    static f32 pts[3 * MAXTRM];
    status = 0;
    const i32 x = six(i);
    i32 n = SRFGEO.NSRF, side = SRFGEO.SRFSID[x];
    if (MACTYP == MACTYP_ONESURF) {
        n = 1;
        if (!side14(side)) {
            eroutc("SURPAS, ERRORS IN LIST", 0);
            status = -1;
            return;
        }
    }
    const PasTab& p = PASTAB;
    if (p.REVFLG[x] != 0 && pw(AXSMOD) == 1 && pw(GCHMOD) == 1 && pw(UDSWCH) == 1) {
        i32 st = 0;
        SURCRC(kind, 1, buf, side, i, p.REVFLG[x], revflag, p.PCUR[x], p.ASTART[x], p.AEND[x], p.PCODE[x], st);
        if (st == -1) {
            status = -1;
            return;
        }
        if (st == -2) {
            eroutc("SURPAS, ERRORS IN LIST", 0);
            status = -2;
            return;
        }
        status = 1;
        return;
    }
    i32 count = 0, segmode = 1;
    const f32 as = p.ASTART[x], ae = p.AEND[x];
    auto setpt = [&](f32* q, f32 a) {
        q[0] = 1.0f;
        q[1] = p.PCODE[x] == 1 ? p.PCUR[x] : a;
        q[2] = p.PCODE[x] == 1 ? a : p.PCUR[x];
    };
    if (SRFGEO.CRNREC[x][CR_HELD] == 0) {
        setpt(pts, as);
        setpt(pts + 3, ae);
        count = 2;
    } else {
        segmode = 2;
        f32 from[3], to[3];
        setpt(from, revflag ? ae : as);
        setpt(to, revflag ? as : ae);
        trmpas(x, MAXTRM, count, pts, p.PCODE[x], revflag, from + 1, from + 1, to + 1, status);
        if (status < 0) return;
        if (count < 2) {
            status = 0;
            return;
        }
        const i32 w = p.PCODE[x] == 1 ? 2 : 1;
        const f32 dir = ae - as;
        auto before = [&](f32 s) { return dir >= 0 ? s < as : s > as; };
        auto beyond = [&](f32 s) { return dir >= 0 ? s > ae : s < ae; };
        f32& first = pts[w];
        f32& last = pts[3 * (count - 1) + w];
        if (SRFGEO.CUTFLP == 1 && pw(AXSMOD) == 1) {
            if (i > 1 || before(first)) first = as;
            if (i < n || beyond(last)) last = ae;
        } else {
            if (before(first)) first = as;
            if (beyond(last)) last = ae;
        }
    }
    if (eqpt2(pts + 1, pts + 4)) {
        status = 1;
        return;
    }
    surlin(SRFGEO.CUTFLP, kind, segmode, nearflag, revflag, buf, side, i, n, pts, count, p.USTEP[x], p.VSTEP[x],
           status);
    if (status >= 0) status = 0;
}

void SURCRC(const i32& kind, const i32& mode, const f64* buf, const i32& side, const i32& k, const i32& revflg,
            const i32& revflag, const f32& pcur, const f32& astart, const f32& aend, const i32& pcode, i32& status)
{
    PasStr& s = PASSTR;
    status = 0;
    if (s.PSNSRF >= PS_SRF || s.PSNCIR >= PS_CIR) {
        // The tables are bounded: a pass that would fill them is refused,
        // in this routine's own name, rather than written past them.
        eroutc("SURCRC,BUFFER IS NOT LARGE ENOUGH", 0);
        status = -1;
        return;
    }
    const i32 e = s.PSNSRF++;
    s.PSMODE[e] = 2;
    s.PSKIND[e] = kind;
    s.PSSURF[e] = k;
    s.PSSCNT[e] = 0;
    f32 org[3], mtx[9];
    SBFMTX(1, const_cast<f64*>(buf), org, mtx, status);
    if (status < 0) {
        eroutc("SURCRC - BAD FORMAT OF SURFACE BUFFER", 0);
        --s.PSNSRF;
        status = -1;
        return;
    }
    f32 cen[3];
    mapm2w(org, cen);
    const f32 hand = m3det(mtx) >= 0.0f ? 1.0f : -1.0f;
    f32 ang = (aend - astart) * static_cast<f32>(revflg) * hand;
    f32 first = aend, second = astart;
    if (revflag) {
        first = astart;
        second = aend;
        ang = -ang;
    }
    const f32 dd = second - first;
    const f32 du = pcode == 1 ? 0.0f : dd, dv = pcode == 1 ? dd : 0.0f;
    f32 ev[9], r1[9], r2[9];
    const f32 lead = pwr(LEADAN), tlt = pwr(TLTCMP);
    // One end of the circle: the tool at the pass value and `along`. Each
    // evaluation starts as failed: the positioning leaves the status and the
    // point untouched for a tool that is not a mill. Any negative status is
    // a failure, not only -1: the positioning can also answer the surface
    // evaluation's own failure, and then writes no point.
    auto end_at = [&](f32 along, f32* r) {
        i32 st = -1;
        NCEVS1(buf, pcode == 1 ? pcur : along, pcode == 1 ? along : pcur, du, dv, side, pw(AXSMOD), SRFEVL, lead,
               tlt, 0, ev, r, st);
        return st >= 0;
    };
    // Without both ends there is no circle: the surface entry made for it
    // is taken back on every failure (here and at the frame) and the pass
    // fails, so that the table never holds an entry whose circle would be
    // whatever its slot last held.
    if (!end_at(first, r1) || !end_at(second, r2)) {
        --s.PSNSRF;
        status = -1;
        return;
    }
    const i32 c = s.PSNCIR++;
    s.PSCFLG[c] = 1;
    s.PSCANG[c] = ang;
    s.PSCCEN[c][0] = cen[0];
    s.PSCCEN[c][1] = cen[1];
    for (i32 q = 0; q < 3; ++q) {
        s.PSCEND[c][q] = r1[q];
        s.PSCBEG[c][q] = r2[q];
    }
    if (s.PSNSRF == 1)
        for (i32 q = 0; q < 3; ++q) PASOUT.staxis[q] = r2[3 + q];
    for (i32 q = 0; q < 3; ++q) {
        PASOUT.apaxis[q] = r2[3 + q];
        PASOUT.enaxis[q] = r1[3 + q];
    }
    const f32 sg = -ang;
    PRPPNT(s.PSCEND[c], cen, sg, PASOUT.sidept);
    ++PASOUT.npnts;
}
