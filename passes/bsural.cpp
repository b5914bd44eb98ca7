#include "passes/bsural.h"

#include <cstdio>
#include <cmath>
#include <cstring>

#include "blocks/movement.h"
#include "blocks/tech.h"
#include "cleanup/clnstore.h"
#include "cutter/frames.h"
#include "cutter/line5x.h"
#include "cutter/linnetn.h"
#include "cutter/linntb.h"
#include "cutter/loccom.h"
#include "blocks/merge.h"
#include "core/ptwarn.h"
#include "core/host.h"
#include "core/params.h"
#include "core/records.h"
#include "passes/mxlink.h"
#include "passes/orient.h"
#include "passes/pastab.h"
#include "passes/pasdat.h"
#include "passes/retract.h"
#include "passes/milbf.h"
#include "passes/spline.h"
#include "passes/updown.h"
#include "surfaces/allsrf.h"
#include "surfaces/trimodel.h"
#include "tools/toolcache.h"

// Passes written since the module was loaded: the clean-up's pass store
// tells the strings of one pass from those of the next by it (every driver
// writes a pass through one call of BSURAL).
namespace {
i32 WRTPAS = 0;
}

namespace {

const f32 ZUP[3] = {0, 0, 1};
i32 dnfeed = 0;  // the down-feed is on
i32 mkcode = 5;  // start marker code of the strings of the surface being written

bool updown() { return UDBUF.mode != 1; }
bool spline() { return SPLOUT() == 1; }

// Points handed to the up/down buffers as one string.
void udput(const f32* p, i32 n, i32& status)
{
    const i32 three = 3, zero = 0, one = 1;
    UDMILB(three, one, zero, p, nullptr, nullptr, one, &n, zero, mkcode, mkcode + 1, (mkcode + 1) / 2, status);
}

bool three() { return pw(AXSMOD) == 1; }

f32 d3(const f32* a, const f32* b)
{
    return static_cast<f32>(std::sqrt(std::pow(f64(a[0]) - b[0], 2) + std::pow(f64(a[1]) - b[1], 2) + std::pow(f64(a[2]) - b[2], 2)));
}
f32 dxy(const f32* a, const f32* b) { return static_cast<f32>(std::hypot(f64(a[0]) - b[0], f64(a[1]) - b[1])); }

// The tool's last position: the up/down buffers and the spline writer hold
// points the tool path has not received yet, so the position of the last
// move written is not where the tool will stand.
void toolpos(f32* p) { UDLAST(MOVST.point, p); }

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

// Changes the feed code between moves: the open string is closed before
// the change and a new one requested after it.
void switch_feed(i32 code, i32& open)
{
    const i32 was = open;
    closeopen(open);
    STPV01(code);
    if (was) {
        i32 s = 0;
        PCLSRQ(s);
        open = 1;
    }
}

}  // namespace

void PLGRST() { dnfeed = 0; }

void PLGFED(const f32* q, const f32* p, i32& open)
{
    if (!dnfeed && p[2] < q[2]) {
        // The down-feed against the feed of the code in force (25 on the
        // surfaces of pass kind 6). A down-feed of 0 (its percentage not
        // set) is never taken: a mend, the tool would stand still.
        i32 k = 0, iv = 0, st = 0, st2 = 0;
        f32 v26 = 0, vcur = 0;
        MCHVAL(26, k, iv, v26, st);
        MCHVAL(TECHST.requested[1] > 0 ? TECHST.requested[1] : 1, k, iv, vcur, st2);
        if (st >= 0 && st2 >= 0 && v26 > 0 && v26 < vcur) {
            dnfeed = 1;
            switch_feed(26, open);
        }
    } else if (dnfeed && !(p[2] < q[2]) && !eqpt3(p, q)) {
        dnfeed = 0;
        switch_feed(1, open);
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
        f32 at[3];
        toolpos(at);
        const f32 dd = dxy(at, p);
        if (spline()) SPLFLS(status);
        // A chain the list refused ends the jump with its status: the move
        // written after it would answer for it and report success.
        if (status < 0) {
            LNKPAR.kind = kind;
            return;
        }
        if (updown()) {
            // The up/down buffers take the point, after what they hold
            // unless the tool stands beside it.
            closeopen(open);
            if (dd > 2.0f * tol) UDFLSH(status);
            if (status >= 0) udput(p, 1, status);
        } else if (dd <= 2.0f * tol) {
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
            LNKPAR.kind = LINK_VERTICAL;
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
        if (t3 && spline()) SPLFLS(status);
        // A chain the list refused ends the writing: the approach would
        // overwrite its status and the pass go on as if it stood there.
        if (status < 0) return;
        if (t3 && updown()) {
            UDFLSH(status);
            if (status >= 0) udput(pts[0], 1, status);
        } else if (t3) {
            if (code == 3) {
                if (n > 1)
                    SRFAPR(2, pts[0], pts[1], PASOUT.appnrm, vecs[1], n, status);
                else
                    // One point: it is its own direction point, and its own
                    // vector serves as the axis vector and the second vector
                    // alike (both are that point's normal; the approach
                    // normal was taken for a step this point has no second
                    // end of).
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
    // A jump or an approach ends at the cutting feed: the down-feed of the
    // string before is off, and the string's own descent switches it on
    // again. A short jump is a plain move that sets no feed, so the cutting
    // feed is asked for here when the down-feed is still in force.
    if (code >= 2 && code <= 4) {
        PLGRST();
        if (TECHST.requested[1] == 26) STPV01(1);
    }
    f32 prev[3];
    std::memcpy(prev, open ? PASOUT.last : MOVST.point, sizeof prev);
    i32 k0 = 0;
    if (reached) {
        record(pts[0], vecs[0]);
        std::memcpy(prev, pts[0], sizeof prev);
        k0 = 1;
    }
    // Only three-axis points go to the spline writer: its fitted curves are
    // three-axis blocks with no tool axis, so multi-axis points are written
    // as string blocks with their axes also with spline output on.
    if (t3 && (updown() || spline())) {
        // The up/down buffers, or the spline writer, take the points at once.
        // With both switched on the up/down buffers come first: they fit the
        // splines of their runs themselves as they write them, so both the
        // up/down order and the fitted curves are kept.
        // No down-feed switch and no string block here: both hold the points
        // back, so a feed code written now would land in front of points
        // still waiting in them, and one fitted curve or buffered run cannot
        // change its feed part-way (the up/down writer and the string writer
        // behind it set the feeds of what they write).
        i32 k = k0;
        // A first point on the last point written is left out for the
        // spline writer as well: its chain ends on that point already, and
        // a repeated point gives the fit a chord of no length.
        if (k == 0 && pw(GCHMOD) == 1 && d3(pts[0], PASOUT.last) == 0.0f) ++k;
        if (k < n) {
            if (updown())
                udput(pts[k], n - k, status);
            else {
                // The chain takes the point the link reached as well.
                const i32 ks = reached ? 0 : k;
                SPLWRT(n - ks, pts[ks], nullptr, nullptr, status);
            }
        }
        for (; k < n; ++k) record(pts[k], vecs[k]);
        return;
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
    f32 here[3];
    toolpos(here);
    const f32 d0 = d3(here, s.PSPNTS[pnt]);
    const bool far_jump = kind != 3 && kind != 4 && d0 > f * tol && (j > 1 || pw(ZIGZAG) != 0);
    const bool later = j > 1;
    if (pw(CLNFLG) == 1 && kind != 6) {
        // The surface normals of the string, out of the six-word vectors.
        static f32 nrm[PS_PNT][3];
        for (i32 k = 0; k < n; ++k)
            for (i32 m = 0; m < 3; ++m) nrm[k][m] = s.PSVECS[pnt + k][3 + m];
        const i32 one = 1, skip = 0;
        storps(tol, WRTPAS, s.PSPNTS[pnt], nrm[0], one, &n, n, skip, status);
        if (status < 0) return;
    }
    // The approach into this string comes in along the surface normal at
    // its first point: without the gouge check nothing else sets it, and the
    // normal left by another string (or none at all) would shape the
    // approach from a wrong direction or turn it vertical.
    std::memcpy(PASOUT.appnrm, s.PSVECS[pnt] + 3, sizeof PASOUT.appnrm);
    i32 open = 0;
    bool ruled = false;
    for (i32 i = pnt; i < pnt + n - 1 && status >= 0; ++i) {
        i32 code = 0, newstr = 0;
        // The later-string and long-jump rules take the first piece only:
        // a jump on a later piece would go nowhere (the tool stands at the
        // piece's first point already).
        const bool first = i == pnt;
        if (first && later) {
            code = 4, newstr = 1;
        } else if (first && far_jump) {
            code = 2, newstr = 1;
        } else if (!ruled) {
            ruled = true;
            code = d3(s.PSPNTS[i], PASOUT.last) <= f * tol ? 0 : kind;
            newstr = 1;
        }
        // Every piece hands its own points' vectors: a link made on a later
        // piece approaches point i, whose own normal is the one to come in
        // along (the point before it lies a whole step back).
        const f32 (*pp)[3] = &s.PSPNTS[i];
        const f32 (*vv)[6] = &s.PSVECS[i];
        BPNTWR(pp, vv, 2, code, newstr, open, status);
        // Both points of the piece were written; the next piece starts at
        // its second point, which the writer skips as already reached.
    }
    if (status < 0) eroutc("BLNREG, ERRORS IN WRITING TO LIST", 0);
    closeopen(open);
}

void MAXDZS(const f32* a, const f32* b, const f32* pts, const i32& n, f32& dev, i32& status)
{
    status = 0;
    dev = -1.0e10f;
    for (i32 k = 0; k < n; ++k) {
        f32 z = 0;
        i32 st = 0;
        ZONSEG(a, b, pts + 3 * k, z, st);
        dev = std::fmax(dev, std::fabs(z - pts[3 * k + 2]));
    }
}

namespace {

// Surface states of the triangle model for a gouge check on surface srf of
// the procedure's list: the machined surface 1, the other part surfaces 3
// (checked against all part surfaces) or 0, the check surfaces 2. The
// surface is found by its id: when each picked surface is machined by
// itself (word 466 = 2) the execute callback makes the surface the only one
// of the geometry for its run, so its number 1 names it and no lookup of
// the first picked surface or resetting of the counts is needed here.
void gugsta(i32 srf)
{
    i32* base = srfbas();
    if (!base || srf < 1 || srf > SRFGEO.NSRF) return;
    const i32 id = SRFGEO.SRFIDS[srf - 1];
    const i32 other = pw(GCHMOD) == 3 ? SCL_PART : SCL_IGNORED;
    for (i32 k = 0; k < TRIMDL[TM_NSRF]; ++k) {
        i32* r = base + static_cast<size_t>(k) * SRF_WORDS;
        if (r[SRF_KIND] == 1)
            r[SRF_CLASS] = SCL_CHECK;
        else
            r[SRF_CLASS] = r[SRF_ID] == id ? SCL_MACHINED : other;
    }
}

// Reverses n points of three values and the string order of their lengths.
void revset(i32 n, f32* a, f32* b, f32* c, i32* flags, i32 nstr, i32* lens)
{
    revdim(n, 3, a);
    revdim(n, 3, b);
    revdim(n, 3, c);
    revi(n, flags);
    revi(nstr, lens);
}

}  // namespace

void GUGLNK(const f32& tol, const f32& pofs, const f32& cofs, const f32* a, const f32* b, const f32* na,
            const f32* nb, const f32* ta, const f32* tb, f32* pts, f32* vecs, f32* nrms, i32* flags, i32& nstr,
            i32* lens, i32& total, const i32& srf, const i32& mode, const i32& revflag, i32& status)
{
    (void)mode;
    status = 0;
    nstr = 0;
    total = 0;
    f32 A[3], B[3], NA[3], NB[3], TA[3], TB[3];
    const bool rev = revflag != 0;
    for (i32 c = 0; c < 3; ++c) {
        A[c] = rev ? b[c] : a[c], B[c] = rev ? a[c] : b[c];
        NA[c] = rev ? nb[c] : na[c], NB[c] = rev ? na[c] : nb[c];
        TA[c] = rev ? tb[c] : ta[c], TB[c] = rev ? ta[c] : tb[c];
    }
    const bool t3 = three();
    if (t3 && pw(GCHMOD) == 3) {
        const f32 za = eqval0(NA[2]) ? 0.0f : NA[2], zb = eqval0(NB[2]) ? 0.0f : NB[2];
        if (za < 0 && zb < 0) return;
        if (za < 0 || zb < 0) {
            // The end facing down is replaced by the point where the
            // interpolated normal turns horizontal.
            const f32 t = zb / (zb - za);
            f32 q[3], n[3];
            for (i32 c = 0; c < 3; ++c) {
                q[c] = t * A[c] + (1 - t) * B[c];
                n[c] = t * NA[c] + (1 - t) * NB[c];
            }
            std::memcpy(za < 0 ? A : B, q, sizeof q);
            std::memcpy(za < 0 ? NA : NB, n, sizeof n);
        }
    }
    const f32 aux = 0.0f;
    if (MACTYP == MACTYP_ONESURF) {
        // The geometry record holds no surface under machining type 14: the
        // one surface is the first of the procedure's host list, and a list
        // that cannot be read fails the check like a failed positioning.
        i32 id = -1, side = 1;
        if (idside(srf, id, side))
            LOCSET(id, t3 ? NA : TA, t3 ? NB : TB, 1, aux, tol);
        else
            status = -1;
    } else {
        gugsta(srf);
        LOCSET(-1, t3 ? NA : TA, t3 ? NB : TB, 1, aux, tol);
    }
    // The step is checked against the model itself: the drop rules of the
    // surface passes, which measure a contact against the pass's own
    // reference (the step itself), would let the tool into the model by up
    // to the tolerance, and in tool-axis mode take a steep flank under the
    // step as touched at the step's height.
    const i32 keep = MACTYP;
    if (mactyp_surfaces(MACTYP)) MACTYP = 0;  // no surface-milling type: the model alone
    const bool with_linntb = t3 || pw(GCHMOD) < 2;
    // The step's arrays hold GG_CAP floats each, that is GG_CAP / 3 points
    // (13,334). The limit handed on is counted so that both positionings
    // stop at that many points: LINNTB reads its capacity as floats (three
    // per point), LINE5X counts points and is given the third. A limit of
    // GG_CAP points would let either write three times past the arrays.
    if (status < 0) {
    } else if (with_linntb)
        LINNTB(1, 0, A, B, tol, pofs, cofs, GG_CAP, 0, 5, pts, vecs, flags, nstr, GG_STR, lens, total, status);
    else
        LINE5X(0, A, B, tol, pofs, cofs, GG_CAP / 3, GG_STR, pts, vecs, nstr, lens, total, status);
    MACTYP = keep;
    if (!with_linntb) {
        for (i32 k = 0; k < total; ++k) flags[k] = 0;
        if (status >= 0 && total == 0) {
            // Nothing positioned along the link: the step stays straight.
            // Returning nothing would leave the step out of the pass (a step
            // without result closes the collection and is skipped), so a
            // multi-axis pass would lose its moves; a failed check takes the
            // straight step too.
            std::memcpy(pts, A, sizeof A);
            std::memcpy(pts + 3, B, sizeof B);
            std::memcpy(vecs, TA, sizeof TA);
            std::memcpy(vecs + 3, TB, sizeof TB);
            flags[0] = flags[1] = 0;
            nstr = 1, lens[0] = 2, total = 2;
        }
    }
    if (status < 0) {
        eroutc("PROBLEMS IN GOUGE CHECK BETWEEN THE FOLLOWING POINTS:|NOTE: NO CHECK IS PERFORMED BETWEEN THEM", 0);
        WRNPNT("", 3, A, " ");
        WRNPNT("", 3, B, " ");
        return;
    }
    // Surface normals between the two ends, by distance.
    for (i32 k = 0; k < total; ++k) {
        i32 st = 0;
        NRMINT(A, B, NA, NB, pts + 3 * k, nrms + 3 * k, st);
        if (st < 0) std::memcpy(nrms + 3 * k, ZUP, sizeof ZUP);
    }
    if (rev) revset(total, pts, vecs, nrms, flags, nstr, lens);
    i32 m = 0;
    for (i32 k = 0; k < nstr; ++k)
        if (lens[k] > 0) lens[m++] = lens[k];
    nstr = m;
}

namespace {

// A set of point strings: points, tool normals (or axes), surface normals.
struct PtSet {
    f32 p[GG_CAP], v[GG_CAP], n[GG_CAP];
    i32 f[GG_CAP / 3];
    i32 len[GG_STR];
    i32 nst, tot;
};
PtSet col_set;  // the collection of gouge-free positions being built
PtSet step_set;  // one step's positions
PtSet link_set;  // the positions of a merge link
PtSet tmp_set;  // copies for merging the second vectors
f32 pnt6[GG_CAP / 3][6];
f32 last_dir[2] = {0, 0};  // XY direction of the last step processed

void clear(PtSet& s) { s.nst = s.tot = 0; }

// Appends strings of b to a; the first one joins a's last string when join.
void append(PtSet& a, const PtSet& b, bool join)
{
    i32 from = 0, k0 = 0;
    if (join && a.nst > 0) {
        const i32 n = b.len[0] - 1;
        std::memcpy(a.p + 3 * a.tot, b.p + 3, sizeof(f32) * 3 * static_cast<size_t>(n));
        std::memcpy(a.v + 3 * a.tot, b.v + 3, sizeof(f32) * 3 * static_cast<size_t>(n));
        std::memcpy(a.n + 3 * a.tot, b.n + 3, sizeof(f32) * 3 * static_cast<size_t>(n));
        a.len[a.nst - 1] += n;
        a.tot += n;
        from = b.len[0];
        k0 = 1;
    }
    const i32 n = b.tot - from;
    std::memcpy(a.p + 3 * a.tot, b.p + 3 * from, sizeof(f32) * 3 * static_cast<size_t>(n));
    std::memcpy(a.v + 3 * a.tot, b.v + 3 * from, sizeof(f32) * 3 * static_cast<size_t>(n));
    std::memcpy(a.n + 3 * a.tot, b.n + 3 * from, sizeof(f32) * 3 * static_cast<size_t>(n));
    a.tot += n;
    for (i32 k = k0; k < b.nst; ++k) a.len[a.nst++] = b.len[k];
}

// Thins every string of more than two points at the tolerance (from its
// end when reversed, so that the same points survive both ways).
void thin(PtSet& s, f32 tol, bool rev)
{
    i32 in = 0, out = 0;
    for (i32 k = 0; k < s.nst; ++k) {
        i32 n = s.len[k];
        for (i32 q = 0; q < n; ++q) {
            // The strings close up in place: until a string is thinned the
            // point is moved onto itself, so the copy may overlap.
            std::memmove(s.p + 3 * (out + q), s.p + 3 * (in + q), sizeof(f32) * 3);
            for (i32 c = 0; c < 3; ++c) {
                pnt6[q][c] = s.v[3 * (in + q) + c];
                pnt6[q][3 + c] = s.n[3 * (in + q) + c];
            }
        }
        if (n > 2) {
            if (rev) revdim(n, 3, s.p + 3 * out), revdim(n, 6, pnt6[0]);
            dilula(n, s.p + 3 * out, 3, pnt6[0], 6, tol);
            if (rev) revdim(n, 3, s.p + 3 * out), revdim(n, 6, pnt6[0]);
        }
        for (i32 q = 0; q < n; ++q)
            for (i32 c = 0; c < 3; ++c) {
                s.v[3 * (out + q) + c] = pnt6[q][c];
                s.n[3 * (out + q) + c] = pnt6[q][3 + c];
            }
        in += s.len[k];
        out += n;
        s.len[k] = n;
    }
    s.tot = out;
}

// One string's gouge-checked writing: the string's switches, and what carries from one collection
// of gouge-free positions to the next.
struct GugRun {
    i32 e, j, kind, srf, n;
    i32 revflag;
    i32 netsw;       // the net switch: a looser join and a shorter merge reach
    f32 tol, L, T;   // tolerance, merge reach, the gap that starts a new string
    i32 code;        // the link code of the next collection
    bool written = false, firstcoll = true;
    i32 open = 0;
    i32 keepkind;    // the link kind to restore after each string
};

// Links the collection to the tool's position by a gouge-checked move merged into its first
// string; clrfirst when the link fails or strays beyond the reach, joined when the positions go
// on from the tool.
void gugmerge(GugRun& r, const f32* f0, bool& clrfirst, bool& joined, i32& status)
{
    f32 here[3];
    toolpos(here);
    i32 st = 0;
    GUGLNK(r.tol, pwr(PRTOFS), pwr(CHKOFS), here, f0, PASOUT.axis, col_set.n, PASOUT.axis, col_set.v, link_set.p, link_set.v,
           link_set.n, link_set.f, link_set.nst, link_set.len, link_set.tot, r.srf, 0, 0, st);
    f32 dev = 0;
    if (st >= 0) MAXDZS(here, f0, link_set.p, link_set.tot, dev, st);
    if (st < 0 || dev > r.L) {
        clrfirst = true;
        return;
    }
    if (link_set.tot == 0) {
        r.code = 4;
        return;
    }
    const f32 lnk0[3] = {link_set.p[0], link_set.p[1], link_set.p[2]};
    // The second vectors follow the points through a copy.
    tmp_set.nst = col_set.nst, tmp_set.tot = col_set.tot;
    std::memcpy(tmp_set.p, col_set.p, sizeof(f32) * 3 * static_cast<size_t>(col_set.tot));
    std::memcpy(tmp_set.len, col_set.len, sizeof(i32) * static_cast<size_t>(col_set.nst));
    i32 bn = link_set.nst, blen[GG_STR];
    std::memcpy(blen, link_set.len, sizeof(i32) * static_cast<size_t>(link_set.nst));
    const i32 one = 1, none = 0, cap = GG_CAP, scap = GG_STR;
    MRGGST(one, one, cap, tmp_set.p, col_set.n, nullptr, scap, tmp_set.nst, tmp_set.len, cap, link_set.p, link_set.n, nullptr, none,
           bn, blen, status);
    if (status >= 0)
        MRGGST(one, one, cap, col_set.p, col_set.v, nullptr, scap, col_set.nst, col_set.len, cap, link_set.p, link_set.v, nullptr,
               none, link_set.nst, link_set.len, status);
    if (status < 0) {
        eroutc("BLNGUG, ERRORS IN MERGE", 0);
        return;
    }
    col_set.tot = 0;
    for (i32 k = 0; k < col_set.nst; ++k) col_set.tot += col_set.len[k];
    // The merge drops the link's first point where the tool
    // stands: the positions go on from there when the link
    // began at the tool.
    r.code = eqpt2(lnk0, here) ? 0 : 4;
    joined = r.code == 0;
}

// Writes the collection's strings: the first with the link its place asks for, each later one
// going on from the last position or, beyond the gap, entered afresh over a clearance move.
void gugstrings(GugRun& r, bool clrfirst, bool joined, i32& status)
{
    i32 off = 0;
    for (i32 k = 0; k < col_set.nst && status >= 0; ++k) {
        const i32 m = col_set.len[k];
        const f32* q = col_set.p + 3 * off;
        for (i32 i = 0; i < m; ++i)
            for (i32 c = 0; c < 3; ++c) {
                pnt6[i][c] = col_set.v[3 * (off + i) + c];
                pnt6[i][3 + c] = col_set.n[3 * (off + i) + c];
            }
        off += m;
        if (m == 0) continue;
        const bool far = dxy(q, PASOUT.last) > r.T;
        i32 c = 0, newstr = 1;
        bool clr = false;
        if (!r.written) {
            // A merged link goes on from the tool's position, however
            // far its next point lies (a mend: the far rule would enter
            // it by a vertical approach and skip the link just merged).
            if (joined)
                c = 0;
            else if (r.code == 1 || r.code == 6)
                c = far ? 4 : 0;
            else
                c = far && r.firstcoll && r.code != 3 && r.code != 4 ? 4 : r.code;
            clr = clrfirst;
        } else if (!far) {
            c = 0, newstr = 0;
        } else {
            c = 4, clr = true;
        }
        if (r.written) LNKPAR.kind = LINK_VERTICAL;
        const i32 keepclr = HEI8[HEI8_RETRACT];
        if (clr) HEI8[HEI8_RETRACT] = 1;
        BPNTWR(reinterpret_cast<const f32(*)[3]>(q), pnt6, m, c, newstr, r.open, status);
        HEI8[HEI8_RETRACT] = keepclr;
        LNKPAR.kind = r.keepkind;
        r.written = true;
        r.code = r.kind;
    }
}

// Writes the collection with the link its place asks for.
void gugwrite(GugRun& r, i32& status)
{
    if (col_set.tot == 0) return;
    // Thinned as the positioning thins its strings, so that the written
    // chords stay within the tolerance of the gouge-free positions.
    if (r.n > 1) thin(col_set, 0.2f * r.tol, r.revflag != 0);
    const f32* f0 = col_set.p;
    f32 here[3];
    toolpos(here);
    f32 d = dxy(here, f0);
    if (r.netsw != 0 && d < 5.0f * r.tol) d = 1.5f * r.tol;
    const bool cand = !PNDAPP && !r.written && (r.kind == 1 || r.kind == 2 || r.kind == 6) && d > 2.0f * r.tol && r.j == 1;
    bool clrfirst = false, merge = false, joined = false;
    if (cand)
        merge = d <= r.L && pw(ZIGZAG) != 0, clrfirst = !merge;
    else if (d > r.L)
        clrfirst = !(r.e == 0 && r.j == 1 && r.firstcoll);
    if (pw(CLNFLG) == 1 && r.kind != 6) {
        const i32 skip = 0;
        storps(r.tol, WRTPAS, col_set.p, col_set.n, col_set.nst, col_set.len, col_set.tot, skip, status);
        if (status < 0) return;
    }
    if (merge) {
        gugmerge(r, f0, clrfirst, joined, status);
        if (status < 0) return;
    }
    gugstrings(r, clrfirst, joined, status);
    if (status < 0) eroutc("BLNGUG, ERRORS IN WRITING TO LIST", 0);
    clear(col_set);
    r.firstcoll = false;
    r.code = 1;
}

// The gouge-free positions of the step from point i to i + 1 of the pass into step_set; the
// straight step where the check fails.
void gugstep(const GugRun& r, i32 i)
{
    const PasStr& s = PASSTR;
    const f32* a = s.PSPNTS[i];
    const f32* b = s.PSPNTS[i + 1];
    i32 st = 0;
    GUGLNK(r.tol, pwr(PRTOFS), pwr(CHKOFS), a, b, s.PSVECS[i] + 3, s.PSVECS[i + 1] + 3, s.PSVECS[i],
           s.PSVECS[i + 1], step_set.p, step_set.v, step_set.n, step_set.f, step_set.nst, step_set.len, step_set.tot, r.srf,
           r.kind == 6 ? 3 : 2, r.revflag, st);
    if (st < 0) {
        // Not checked: the straight step.
        std::memcpy(step_set.p, a, sizeof(f32) * 3);
        std::memcpy(step_set.p + 3, b, sizeof(f32) * 3);
        std::memcpy(step_set.v, s.PSVECS[i], sizeof(f32) * 3);
        std::memcpy(step_set.v + 3, s.PSVECS[i + 1], sizeof(f32) * 3);
        std::memcpy(step_set.n, s.PSVECS[i] + 3, sizeof(f32) * 3);
        std::memcpy(step_set.n + 3, s.PSVECS[i + 1] + 3, sizeof(f32) * 3);
        step_set.f[0] = step_set.f[1] = 0;
        step_set.nst = 1, step_set.len[0] = 2, step_set.tot = 2;
    }
    f32 d[3] = {b[0] - a[0], b[1] - a[1], 0}, l = 0;
    i32 s2 = 0;
    v2unit(d, l, s2);
    last_dir[0] = d[0], last_dir[1] = d[1];
}

// Adds step i's positions to the collection: joined to its last string when they go on from it,
// else after writing what the collection holds (also when a table would overflow).
void gugadd(GugRun& r, i32 i, i32& status)
{
    const PasStr& s = PASSTR;
    gugstep(r, i);
    if (step_set.tot == 0) {
        gugwrite(r, status);
        return;
    }
    bool joins = false;
    if (col_set.tot > 0) {
        const f32* last = col_set.p + 3 * (col_set.tot - 1);
        joins = r.netsw != 0 ? d3(step_set.p, last) <= 3.0f * r.tol : eqpt3(step_set.p, last) != 0;
        if (!joins) gugwrite(r, status);
    }
    if (status < 0) return;
    if (col_set.tot > 0 && col_set.nst + step_set.nst - 1 > GG_STR) {
        // A notice to the user, not an error: the host's message with one
        // value has no closing text, so the line is laid out here.
        char note[64];
        std::snprintf(note, sizeof note, "[BLNGUG]ONLY %d NUMBER OF STRINGS ARE AVAILABLE", GG_STR);
        usmsgc(note);
        gugwrite(r, status);
        joins = false;
    } else if (col_set.tot > 0 && 3 * (col_set.tot + step_set.tot - 1) > GG_CAP) {
        // Thinned as at the write (a fifth of the tolerance), so that a full
        // collection keeps the same chords as any other.
        thin(col_set, 0.2f * r.tol, r.revflag != 0);
        if (3 * (col_set.tot + step_set.tot - 1) > GG_CAP) {
            // Still too large: the collection starts again from this step.
            // What it holds is written first, as at the limit of strings,
            // rather than thrown away: every position in it is gouge-free
            // and the tool path would otherwise have a gap.
            gugwrite(r, status);
            joins = false;
        }
    }
    if (status < 0) return;
    if (col_set.tot == 0) {
        // The step opens a collection: the approach normal at its start.
        const f32* a = s.PSPNTS[i];
        const f32* b = s.PSPNTS[i + 1];
        i32 s2 = 0;
        if (MACTYP == MACTYP_ONESURF) {
            // Type 14 machines over the triangle model: the first normal the
            // positioning found there, not one interpolated between the
            // pass's own end normals.
            std::memcpy(PASOUT.appnrm, step_set.v, sizeof PASOUT.appnrm);
        } else {
            NRMINT(a, b, s.PSVECS[i] + 3, s.PSVECS[i + 1] + 3, step_set.p, PASOUT.appnrm, s2);
            if (s2 < 0) std::memcpy(PASOUT.appnrm, ZUP, sizeof ZUP);
        }
        joins = false;
    }
    append(col_set, step_set, joins);
}

}  // namespace

void BLNGUG(const i32& e, const i32& j, const i32& str, const i32& pnt, const i32& revflag, i32& status)
{
    status = 0;
    const PasStr& s = PASSTR;
    GugRun r;
    r.e = e;
    r.j = j;
    r.n = s.PSSLEN[str];
    r.kind = s.PSKIND[e];
    r.srf = s.PSSURF[e];
    r.revflag = revflag;
    r.tol = pwr(PRTTOL);
    const f32 D = diam();
    r.netsw = 0;
    GTNFLG(r.netsw);
    r.L = r.netsw != 0 ? 0.5f * D : D > 0 ? 2.0f * D : 1200.0f * r.tol;
    r.T = D > 0 && 0.5f * D < 10.0f * r.tol ? 0.5f * D : 10.0f * r.tol;
    i32 p = pnt;
    // A string that turns straight back at its first point starts one point later.
    if (p > 0 && r.n > 2 && eqpt3(s.PSVECS[p], ZUP)) {
        f32 d[3] = {s.PSPNTS[p + 1][0] - s.PSPNTS[p][0], s.PSPNTS[p + 1][1] - s.PSPNTS[p][1], 0}, l = 0;
        i32 st = 0;
        v2unit(d, l, st);
        if (st == 0 && eqval(d[0] * last_dir[0] + d[1] * last_dir[1], -1.0f)) ++p, --r.n;
    }
    r.code = r.kind;
    r.keepkind = LNKPAR.kind;

    clear(col_set);
    for (i32 i = p; i < p + r.n - 1 && status >= 0; ++i) gugadd(r, i, status);
    if (status >= 0) gugwrite(r, status);
    closeopen(r.open);
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
    // The circle lies in the horizontal plane through its start (plane code
    // 1 for the arc writer, as the circle's flag has it) about the stored
    // centre; the turning sign is the sign of the stored angle. A side point
    // lies beside the start (or the end) on the circle's tangent there, one
    // radius out, as the circle builder takes its own side point.
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
    mkcode = k6 ? 15 : 5;
    // Under up/down milling every buffered point carries its marker code and
    // the markers are written around the runs.
    if (!(updown() && three())) PUTMRK(1, k6 ? 8 : 3, k6 ? 15 : 5, 0.0f, 0, status);
    if (k6) STPV01(25);
    if (status < 0) {
        eroutc("BSURPS, ERRORS IN LIST", 0);
        return;
    }
    if (s.PSMODE[e] == 1) {
        for (i32 j = 1; j <= s.PSSCNT[e] && status >= 0; ++j) {
            const i32 n = s.PSSLEN[str];
            if (n > 0) {
                if (pw(GCHMOD) == 1) {
                    BLNREG(e, j, str, pnt, status);
                } else {
                    if (MACTYP == MACTYP_ONESURF && pw(ZIGZAG) != 0 && j > 1) PASSTR.PSKIND[e] = 3;
                    BLNGUG(e, j, str, pnt, revflag, status);
                }
            }
            ++str;
            pnt += n;
        }
    } else {
        BSURCR(e, cir, status);
        ++cir;
    }
    if (status < 0) return;
    // The chain the spline writer still holds is the surface's last cut: it
    // is flushed while the surface's feed is in force (a mend: with the feed
    // set back first, a kind-6 surface's last chain went out at feed 1).
    // Only a three-axis pass hands its points to the spline writer (the fit
    // would drop the tool axes), so only then is there a chain to flush.
    if (spline() && three()) SPLFLS(status);
    if (k6) STPV01(1);
    // A chain the list refused ends the surface as a failed string does:
    // the end marker would clear its status, and the pass go on as written.
    if (status >= 0 && !(updown() && three())) PUTMRK(2, k6 ? 8 : 3, k6 ? 16 : 6, 0.0f, 0, status);
    if (status < 0) eroutc("BSURPS, ERRORS IN LIST", 0);
}

void BSURAL(const i32& revflag, i32& status)
{
    status = 0;
    ++WRTPAS;
    PASOUT.retknd = three() ? 1 : 2;
    i32 str = 0, pnt = 0, cir = 0;
    for (i32 e = 0; e < PASSTR.PSNSRF && status >= 0; ++e) BSURPS(e, str, pnt, cir, PASSTR.PSKIND[e] == 6 ? 0 : revflag, status);
    std::memcpy(PASOUT.exitv, PASOUT.pasrec + 3, sizeof PASOUT.exitv);
    if (status >= 0 && updown() && three()) UDFLSH(status);
}
