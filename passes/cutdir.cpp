// Set-up of the surfaces of a chain (which parameter is stepped, in which
// direction, from which edge each pass starts) and the cut direction.
#include <cmath>
#include <vector>

#include "core/host.h"
#include "core/params.h"
#include "passes/gdutil.h"
#include "passes/geodef.h"
#include "passes/srfgeo.h"
#include "surfaces/srfbuf.h"
#include "surfaces/sidearw.h"

namespace {
void keep_org(i32 i)
{
    for (i32 w = 0; w < LIMR_N; ++w) SRFGEO.LIMORG[i][w] = SRFGEO.LIMREC[i][w];
}

void set_dlt(i32 i) { SRFGEO.SRFDLT[i] = 0.01f * (limr(SRFGEO.LIMREC[i], LR_FST) - limr(SRFGEO.LIMREC[i], LR_FEND)); }

// Trimmed-surface analysis of surface i (records at index i) from its trim
// boundary, read with the host's trim tolerance.
void analyse_trimmed(i32 i, i32 id, i32& status)
{
    f32 tol = 0;
    i32 st = 0;
    gt_tolvars(id, tol, st);
    if (st < 0) tol = 1.0e10f;
    gstrmtol(2, tol);
    std::vector<std::vector<f32>> lp;
    gd::loops(id, lp, status);
    if (status != 0) return;
    // The outer loop alone: the holes lie inside it, so its points hold the
    // bounds, and the points found near a collapsed side are walked along
    // one loop (a walk over the loops run together would step from the end
    // of one loop to the start of the next).
    TRMBND(i, lp[0].data(), static_cast<i32>(lp[0].size() / 2), id);
}
}  // namespace

void SRFSET(const i32& i, i32& status)
{
    status = 0;
    if (i < -1 || i >= MAXSRF) {
        status = -1;
        return;
    }
    const i32 k = i < 0 ? 0 : i;
    i32* lim = SRFGEO.LIMREC[k];
    i32* crn = SRFGEO.CRNREC[k];
    if (i <= 0) {
        const i32 id = gd::srfid(0);
        const i32 trm = i < 0 ? 1 : gd::trimmed(id, status);
        if (trm < 0) return;
        if (trm == 1) {
            analyse_trimmed(0, id, status);
            if (status == 0) TRMREC(0, 1, lim, crn);
        } else {
            f32 umin, umax, vmin, vmax;
            gd::load(id, gd::buf(gd::BA), umin, umax, vmin, vmax, status);
            if (status == 0) LIMSET(4, umin, umax, vmin, vmax, lim, crn);
        }
        if (status == 0) {
            set_dlt(0);
            keep_org(0);
            SRFDSP(id, 0, lim, crn, status);
        }
        return;
    }
    const i32 ida = gd::srfid(i - 1), idb = gd::srfid(i);
    const i32 ta = gd::trimmed(ida, status);
    if (ta < 0) return;
    const i32 tb = gd::trimmed(idb, status);
    if (tb < 0) return;
    i32 *lima = SRFGEO.LIMREC[i - 1], *crna = SRFGEO.CRNREC[i - 1];
    if (i == 1) {
        if (ta == 0 && tb == 0)
            DIR_TWO_SURF(ida, idb, lima, lim, crna, crn, status);
        else
            CMNEDG(0, ida, idb, 0, 1, lima, lim, crna, crn, status);
        // A set-up that failed keeps no record: the picking refuses the
        // surface, and its slot is set up afresh by the next surface picked
        // there (the same holds for a failed first or further surface).
        if (status < 0) return;
        SRFDSP(ida, 0, lima, crna, status);
        if (status == 0) SRFDSP(idb, 1, lim, crn, status);
        set_dlt(0);
        set_dlt(1);
        keep_org(0);
        keep_org(1);
        return;
    }
    if (ta == 0 && tb == 0)
        DIR_NEXT_SURF(ida, lima, crna, idb, lim, crn, status);
    else
        CMNEDG(2, ida, idb, i - 1, i, lima, lim, crna, crn, status);
    if (status < 0) return;
    SRFDSP(idb, i, lim, crn, status);
    set_dlt(i - 1);
    set_dlt(i);
    keep_org(i);
}

void SMPLIN(const f64* buf, const f32& u0, const f32& v0, const f32& step, const i32& code, const i32& n, f32* pts)
{
    f32 u = u0, v = v0;
    for (i32 k = 0; k < n; ++k) {
        gd::eval(buf, u, v, 0, pts + 3 * k);
        if (code == 1)
            u += step;
        else
            v += step;
    }
}

void SMPCMP(const f32* ref, const f32* pts, f32& same, f32& reversed)
{
    f64 chords = 0;
    for (int k = 0; k < 9; ++k) chords += dist3_sq(pts + 3 * k, pts + 3 * k + 3);
    if (chords < 0.0001) {
        same = reversed = 1.0e10f;
        return;
    }
    f64 s = 0, r = 0;
    for (int k = 0; k < 10; ++k) {
        s += dist3_sq(ref + 3 * k, pts + 3 * k);
        r += dist3_sq(ref + 3 * k, pts + 3 * (9 - k));
    }
    same = static_cast<f32>(s);
    reversed = static_cast<f32>(r);
}

void EDGMTC(const f32* ref, const f64* buf, const f32& umin, const f32& umax, const f32& vmin, const f32& vmax,
            f32& best, i32& index)
{
    const f32 su = (umax - umin) / 9.0f, sv = (vmax - vmin) / 9.0f;
    f32 pts[30], res[8];
    SMPLIN(buf, umin, vmin, sv, 2, 10, pts);
    SMPCMP(ref, pts, res[0], res[1]);
    SMPLIN(buf, umax, vmin, sv, 2, 10, pts);
    SMPCMP(ref, pts, res[2], res[3]);
    SMPLIN(buf, umin, vmin, su, 1, 10, pts);
    SMPCMP(ref, pts, res[4], res[5]);
    SMPLIN(buf, umin, vmax, su, 1, 10, pts);
    SMPCMP(ref, pts, res[6], res[7]);
    index = 0;
    best = res[0];
    for (i32 k = 1; k < 8; ++k)
        if (res[k] < best) {
            best = res[k];
            index = k;
        }
}

void DIR_NEXT_SURF(const i32& previd, const i32* prevlim, const i32* prevcrn, const i32& id, i32* lim, i32* crn,
                   i32& status)
{
    f32 umin, umax, vmin, vmax;
    f64* pb = gd::buf(gd::BA);
    gd::load(previd, pb, umin, umax, vmin, vmax, status);
    f64* nb = gd::buf(gd::BB);
    if (status == 0) gd::load(id, nb, umin, umax, vmin, vmax, status);
    if (status != 0) {
        eroutc("DIR_NEXT_SURF, ERRORS IN DATA BASE", 0);
        return;
    }
    // The edge where the passes of the previous surface end, in their order.
    f32 c2[2];
    SRFCNR(prevlim[LR_CODE], prevlim, prevcrn, 2, c2);
    const f32 step = (limr(prevlim, LR_FEND) - limr(prevlim, LR_FST)) / 9.0f;
    f32 ref[30];
    SMPLIN(pb, c2[0], c2[1], step, prevlim[LR_CODE], 10, ref);
    f32 best = 0;
    i32 index = 0;
    EDGMTC(ref, nb, umin, umax, vmin, vmax, best, index);
    LIMSET(index, umin, umax, vmin, vmax, lim, crn);
    status = 0;
}

void DIR_TWO_SURF(const i32& id0, const i32& id1, i32* lim0, i32* lim1, i32* crn0, i32* crn1, i32& status)
{
    f32 r0[4], r1[4];
    f64 *b0 = gd::buf(gd::BA), *b1 = gd::buf(gd::BB);
    gd::load(id0, b0, r0[0], r0[1], r0[2], r0[3], status);
    if (status == 0) gd::load(id1, b1, r1[0], r1[1], r1[2], r1[3], status);
    if (status != 0) {
        eroutc("DIR_TWO_SURF, ERRORS IN DATA BASE", 0);
        return;
    }
    // The four boundary lines of surface 0 in increasing order of their own
    // parameter, each with the mode that ends its second range there.
    const f32 su = (r0[1] - r0[0]) / 9.0f, sv = (r0[3] - r0[2]) / 9.0f;
    struct Line {
        f32 u0, v0, step;
        i32 code, mode;
    } lines[4] = {{r0[0], r0[2], sv, 2, 2}, {r0[1], r0[2], sv, 2, 0}, {r0[0], r0[2], su, 1, 6}, {r0[0], r0[3], su, 1, 4}};
    f32 best = 0;
    i32 mode0 = 0, mode1 = 0;
    for (i32 l = 0; l < 4; ++l) {
        f32 ref[30], d = 0;
        i32 idx = 0;
        SMPLIN(b0, lines[l].u0, lines[l].v0, lines[l].step, lines[l].code, 10, ref);
        EDGMTC(ref, b1, r1[0], r1[1], r1[2], r1[3], d, idx);
        if (l == 0 || d < best) {
            best = d;
            mode0 = lines[l].mode;
            mode1 = idx;
        }
    }
    LIMSET(mode0, r0[0], r0[1], r0[2], r0[3], lim0, crn0);
    LIMSET(mode1, r1[0], r1[1], r1[2], r1[3], lim1, crn1);
    status = 0;
}

void CUTASK(const i32& index, const i32& code, const i32& ask, i32& chosen, i32* slots, i32& status)
{
    chosen = code;
    status = 0;
    const f32* ref = SRFGEO.SRFPNT[index];
    // Machining type 14: the record the host keeps with the surface of the
    // procedure's list.
    std::vector<f32> recs;
    if (MACTYP == MACTYP_ONESURF) {
        i32 n = 0;
        nc_surf_count(1, 2, n, status);
        if (status >= 0 && (n < 1 || index < 0 || index >= n)) status = -1;
        if (status < 0) return;
        recs.resize(9 * static_cast<size_t>(n));
        nc_surf_get_psrf(recs.data(), n, status);
        if (status < 0) return;
        ref = recs.data() + 9 * index;
    }
    f32 vec[2][3];
    for (int c = 0; c < 3; ++c) {
        vec[0][c] = ref[(code == 2 ? 3 : 6) + c];
        vec[1][c] = ref[(code == 2 ? 6 : 3) + c];
    }
    unit3f(vec[0]);
    unit3f(vec[1]);
    for (i32 shown = 0;; shown = 1 - shown) {
        ARWDEL(2, slots);
        f32 back[3] = {-vec[shown][0], -vec[shown][1], -vec[shown][2]};
        i32 st = 0;
        figaro(ref, vec[shown], slots[0], st);
        figaro(ref, back, slots[1], st);
        if (ask < 0) return;
        i32 reply = 0;
        irepyc("CUT DIRECTION OK?", reply);
        if (reply < 0) {
            status = reply == -1 ? -1 : -2;
            return;
        }
        if (reply == 1) {
            chosen = shown == 0 ? code : (code == 1 ? 2 : 1);
            return;
        }
    }
}

void CUTDIR(const i32& ask, i32& changed, i32& status)
{
    const i32 code0 = SRFGEO.LIMREC[0][LR_CODE];
    const i32 shown = SRFGEO.CUTFLP == 1 ? code0 : (code0 == 1 ? 2 : 1);
    i32 chosen = shown;
    CUTASK(0, shown, ask ? 0 : -1, chosen, SRFGEO.CUTFIG, status);
    if (status < 0 || !ask || chosen == shown) return;
    changed = 1;
    if (MACTYP != MACTYP_ONESURF && SRFGEO.NSRF > 1) {
        SRFGEO.CUTFLP = SRFGEO.CUTFLP == 1 ? 2 : 1;
        return;
    }
    SRFGEO.CUTFLP = 1;
    i32 *lim = SRFGEO.LIMREC[0], *crn = SRFGEO.CRNREC[0];
    const i32 id = gd::srfid(0);
    if (crn[CR_HELD] == 0) {
        f32 umin, umax, vmin, vmax;
        gd::load(id, gd::buf(gd::BA), umin, umax, vmin, vmax, status);
        if (status != 0) return;
        LIMSET(chosen == 1 ? 4 : 0, umin, umax, vmin, vmax, lim, crn);
    } else {
        TRMREC(0, chosen, lim, crn);
    }
    SRFDSP(id, 0, lim, crn, status);
}

void SRFALL(i32& status)
{
    status = 0;
    if (MACTYP == MACTYP_ONESURF) {
        const i32 id = gd::srfid(0);
        if (id > 0) SRFDSP(id, 0, SRFGEO.LIMREC[0], SRFGEO.CRNREC[0], status);
        return;
    }
    for (i32 i = 0; i < SRFGEO.NSRF && status == 0; ++i)
        SRFDSP(SRFGEO.SRFIDS[i], i, SRFGEO.LIMREC[i], SRFGEO.CRNREC[i], status);
}
