#include "passes/bsural.h"

#include <cmath>
#include <cstring>

#include "blocks/movement.h"
#include "blocks/tech.h"
#include "cleanup/clnpass.h"
#include "frame/host.h"
#include "frame/params.h"
#include "frame/records.h"
#include "passes/mxlink.h"
#include "passes/orient.h"
#include "passes/pasdat.h"
#include "passes/retract.h"
#include "tools/toolcache.h"

namespace {

const f32 ZUP[3] = {0, 0, 1};
i32 DNFEED = 0;  // the down-feed is on

bool three() { return pw(AXSMOD) == 1; }

f32 d3(const f32* a, const f32* b)
{
    return static_cast<f32>(std::sqrt(std::pow(f64(a[0]) - b[0], 2) + std::pow(f64(a[1]) - b[1], 2) + std::pow(f64(a[2]) - b[2], 2)));
}
f32 dxy(const f32* a, const f32* b) { return static_cast<f32>(std::hypot(f64(a[0]) - b[0], f64(a[1]) - b[1])); }

void record(const f32* p, const f32* axis)
{
    std::memcpy(PASOUT.prev, PASOUT.last, sizeof PASOUT.prev);
    std::memcpy(PASOUT.last, p, sizeof PASOUT.last);
    std::memcpy(PASOUT.axis, axis, sizeof PASOUT.axis);
    ++PASOUT.npnts;
}

void closeopen(i32& open)
{
    if (open) PCLST1();
    open = 0;
}

f32 diam()
{
    f32 d = 0;
    GTDIAM(CURTOL, d);
    return d < 0 ? 0.0f : d;
}

// The multi-axis link to a point with its axis and approach vector.
void mxto(const f32* p, const f32* axis, const f32* nrm, i32 kind, i32& status)
{
    f32 rec[12];
    for (i32 c = 0; c < 3; ++c) {
        rec[c] = p[c];
        rec[3 + c] = axis[c];
        rec[6 + c] = PASOUT.exitv[c];
        rec[9 + c] = nrm[c];
    }
    MXLINK(rec, kind, 1, status);
}

}  // namespace

void PLGFED(const f32* q, const f32* p, i32& open)
{
    if (!DNFEED && p[2] < q[2]) {
        i32 k = 0, iv = 0, st = 0, st2 = 0;
        f32 v26 = 0, vcur = 0;
        MCHVAL(26, k, iv, v26, st);
        MCHVAL(1, k, iv, vcur, st2);
        if (st >= 0 && st2 >= 0 && v26 > 0 && v26 < vcur) {
            DNFEED = 1;
            const i32 was = open;
            closeopen(open);
            STPV01(26);
            if (was) {
                i32 s = 0;
                PCLSRQ(s);
                open = 1;
            }
        }
    } else if (DNFEED && !(p[2] < q[2]) && !eqpt3(p, q)) {
        DNFEED = 0;
        const i32 was = open;
        closeopen(open);
        STPV01(1);
        if (was) {
            i32 s = 0;
            PCLSRQ(s);
            open = 1;
        }
    }
}

void BJMPWR(const f32* p, const f32* v, i32& status)
{
    status = 0;
    const i32 kind = LNKPAR.kind;
    const f32 tol = pwr(PRTTOL), d = diam();
    const f32 jmp = d > 0 ? d : 100.0f * tol;
    i32 open = 1;
    if (three()) {
        const f32 dd = dxy(MOVST.point, p);
        if (dd <= 2.0f * tol) {
            closeopen(open);
            MOVLIN(2, p, ZUP, status);
        } else if (dd < jmp) {
            closeopen(open);
            const f32 here[3] = {MOVST.point[0], MOVST.point[1], MOVST.point[2]};
            if (pwr(JMPLF1) != 0.0f) {
                const f32 up[3] = {here[0], here[1], here[2] + pwr(JMPLF1)};
                MOVRPD(2, up, ZUP, 1, status);
            }
            if (status >= 0 && pwr(JMPLF2) != 0.0f) {
                const f32 over[3] = {p[0], p[1], p[2] + pwr(JMPLF2)};
                MOVLIN(2, over, ZUP, status);
            }
            if (status >= 0) MOVLN3(2, p, ZUP, status);
        } else {
            LNKPAR.kind = 1;
            SRFAPR(2, p, p, v, ZUP, 1, status);
        }
    } else {
        closeopen(open);
        if (d3(MOVST.point, p) > 5.0f * tol)
            mxto(p, v, v + 3, 2, status);
        else
            MOVLIN(3, p, v, status);
    }
    LNKPAR.kind = kind;
}

void BPNTWR(const f32 (*pts)[3], const f32 (*vecs)[6], const i32& n, i32 code, const i32& newstr, i32& open,
            i32& status)
{
    status = 0;
    if (n <= 0) return;
    if (PNDAPP) {
        code = 3;
        PNDAPP = 0;
    }
    const bool t3 = three();
    bool reached = false;
    switch (code) {
    case 1:
    case 6: reached = true; break;
    case 2:
        BJMPWR(pts[0], vecs[0], status);
        reached = true;
        break;
    case 3:
    case 4:
        closeopen(open);
        if (t3) {
            if (code == 3) {
                if (n > 1)
                    SRFAPR(2, pts[0], pts[1], PASOUT.appnrm, vecs[1], n, status);
                else
                    SRFAPR(2, pts[0], pts[0], vecs[0], vecs[0], 2, status);
            } else {
                ZAPR(2, pts[0], ZUP, status);
            }
        } else {
            mxto(pts[0], vecs[0], vecs[0] + 3, code, status);
        }
        reached = true;
        break;
    default: break;
    }
    if (status < 0) return;
    f32 prev[3];
    std::memcpy(prev, open ? PASOUT.last : MOVST.point, sizeof prev);
    i32 k0 = 0;
    if (reached) {
        record(pts[0], vecs[0]);
        std::memcpy(prev, pts[0], sizeof prev);
        k0 = 1;
    }
    if (t3 && k0 < n) PLGFED(prev, pts[k0], open);
    if (newstr) {
        closeopen(open);
        PCLSRQ(status);
        open = 1;
        if (status < 0) return;
    }
    for (i32 k = k0; k < n && status >= 0; ++k) {
        if (k == 0 && pw(GCHMOD) == 1 && t3 && d3(pts[k], PASOUT.last) == 0.0f) continue;
        if (t3 && k > k0) PLGFED(prev, pts[k], open);
        MOVSTR(t3 ? 2 : 3, pts[k], t3 ? ZUP : vecs[k], status);
        open = 1;
        record(pts[k], vecs[k]);
        std::memcpy(prev, pts[k], sizeof prev);
    }
}

void BLNREG(const i32& e, const i32& j, const i32& str, const i32& pnt, i32& status)
{
    status = 0;
    const PasStr& s = PASSTR;
    const i32 n = s.PSSLEN[str];
    const i32 kind = s.PSKIND[e];
    const f32 tol = pwr(PRTTOL);
    const f32 f = eqval0(pwr(LEADAN)) && eqval0(pwr(TLTCMP)) ? 2.0f : 10.0f;
    const f32 d0 = d3(PASOUT.last, s.PSPNTS[pnt]);
    bool longjmp = kind != 3 && kind != 4 && d0 > f * tol && (j > 1 || pw(ZIGZAG) != 0);
    bool later = j > 1;
    if (pw(CLNFLG) == 1 && kind != 6) {
        storps(tol, 1, s.PSPNTS[pnt], n, status);
        if (status < 0) return;
    }
    i32 open = 0;
    bool ruled = false;
    for (i32 i = pnt; i < pnt + n - 1 && status >= 0; ++i) {
        i32 code = 0, newstr = 0;
        if (later) {
            code = 4, newstr = 1;
            later = false;
        } else if (longjmp) {
            code = 2, newstr = 1;
            longjmp = false;
        } else if (!ruled) {
            ruled = true;
            code = d3(s.PSPNTS[i], PASOUT.last) <= f * tol ? 0 : kind;
            newstr = 1;
        }
        const f32 (*pp)[3] = &s.PSPNTS[i];
        const f32 (*vv)[6] = &s.PSVECS[i];
        BPNTWR(pp, vv, 2, code, newstr, open, status);
        // Both points of the piece were written; the next piece starts at
        // its second point, which the writer skips as already reached.
    }
    if (status < 0) eroutc("BLNREG, ERRORS IN WRITING TO LIST", 0);
    closeopen(open);
}

void BSURCR(const i32& e, const i32& cir, i32& status)
{
    status = 0;
    const PasStr& s = PASSTR;
    i32 code = s.PSKIND[e];
    if (PNDAPP) {
        code = 3;
        PNDAPP = 0;
    }
    const f32* beg = s.PSCBEG[cir];
    const f32* end = s.PSCEND[cir];
    const f32 cen[3] = {s.PSCCEN[cir][0], s.PSCCEN[cir][1], beg[2]};
    const f32 sg = s.PSCANG[cir] >= 0 ? 1.0f : -1.0f;
    if (code == 2) {
        BJMPWR(beg, ZUP, status);
    } else if (code == 3) {
        f32 side[3];
        PRPPNT(beg, cen, sg, side);
        SRFAPR(2, beg, side, PASOUT.apaxis, ZUP, 2, status);
    } else if (code == 4) {
        ZAPR(2, beg, ZUP, status);
    }
    if (status >= 0) PARCPT(2, pwr(PRTTOL), 1, s.PSCANG[cir], cen, end, ZUP, status);
    if (status < 0) {
        eroutc("BSURCR, ERRORS IN WRITING TO LIST", 0);
        return;
    }
    f32 side[3];
    PRPPNT(end, cen, -sg, side);
    std::memcpy(PASOUT.last, end, sizeof PASOUT.last);
    std::memcpy(PASOUT.prev, side, sizeof PASOUT.prev);
    std::memcpy(PASOUT.axis, ZUP, sizeof PASOUT.axis);
    ++PASOUT.npnts;
}

void BSURPS(const i32& e, i32& str, i32& pnt, i32& cir, const i32& revflag, i32& status)
{
    status = 0;
    const PasStr& s = PASSTR;
    const bool k6 = s.PSKIND[e] == 6;
    PUTMRK(1, k6 ? 8 : 3, k6 ? 15 : 5, 0.0f, 0, status);
    if (k6) STPV01(25);
    if (status < 0) {
        eroutc("BSURPS, ERRORS IN LIST", 0);
        return;
    }
    if (s.PSMODE[e] == 1) {
        for (i32 j = 1; j <= s.PSSCNT[e] && status >= 0; ++j) {
            const i32 n = s.PSSLEN[str];
            // Gouge-checked steps over the triangle model need the string
            // positioning along a segment; until it is there the steps are
            // written straight, as after a failed check.
            if (n > 0) BLNREG(e, j, str, pnt, status);
            ++str;
            pnt += n;
        }
    } else {
        BSURCR(e, cir, status);
        ++cir;
    }
    if (status < 0) return;
    if (k6) STPV01(1);
    PUTMRK(2, k6 ? 8 : 3, k6 ? 16 : 6, 0.0f, 0, status);
    if (status < 0) eroutc("BSURPS, ERRORS IN LIST", 0);
    (void)revflag;
}

void BSURAL(const i32& revflag, i32& status)
{
    status = 0;
    PASOUT.retknd = three() ? 1 : 2;
    i32 str = 0, pnt = 0, cir = 0;
    for (i32 e = 0; e < PASSTR.PSNSRF && status >= 0; ++e) BSURPS(e, str, pnt, cir, PASSTR.PSKIND[e] == 6 ? 0 : revflag, status);
    std::memcpy(PASOUT.exitv, PASOUT.pasrec + 3, sizeof PASOUT.exitv);
}
