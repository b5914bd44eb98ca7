// Limits of the surfaces: where the passes start and end, the widths of
// neighbouring surfaces fitted to each other, and the bounds of trimmed
// surfaces taken from their trim boundaries.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/host.h"
#include "core/params.h"
#include "passes/gdutil.h"
#include "passes/geodef.h"
#include "passes/srfgeo.h"
#include "surfaces/srfbuf.h"
#include "surfaces/sidearw.h"

namespace {
constexpr i32 MAXINT = 400;  // intersections of one parameter line with a trim boundary

i32 pick_mode_srf = 12, pick_mode_face = 7;

// The host's point-pick mode of surface k, kept apart for surfaces and for
// faces of solids. Under machining type 14 the surface is the one of host
// list 2, whose unique id tells which it is (as the width-point pick reads
// it); a list that cannot be read is taken as a surface.
i32& pick_mode(i32 k)
{
    i32 uid = 0;
    if (MACTYP == MACTYP_ONESURF) {
        i32 n = 0, st = 0;
        nc_surf_count(1, 2, n, st);
        if (st == 0 && n >= 1 && n <= MAXSRF) {
            std::vector<i32> uids(static_cast<size_t>(n));
            nc_surf_uids(uids.data(), n, st);
            if (st == 0) uid = uids[0];
        }
    } else {
        uid = SRFGEO.SRFUID[k];
    }
    return uid == 0 || ncs_id_is_not_solid(uid) ? pick_mode_srf : pick_mode_face;
}

// Second coordinate (in the other parameter than code) of a (u, v) pair.
inline i32 second_of(i32 code) { return code == 1 ? 1 : 0; }

// Within the half-open range from a towards b: the range is mirrored by the
// order of its two ends as they are given (the trimmed corners always run
// upwards), so its own first end is taken and its far end is not.
bool within(f32 x, f32 a, f32 b) { return a <= b ? (x >= a && x < b) : (x <= a && x > b); }

// Crossings of the parameter line (first parameter of code) = f with the
// loops: the second-parameter values, at most MAXINT; n counts them all.
// The line runs along a parameter axis, so the crossings are found in the
// (u, v) of the loops as they are: the hatching's turn of the loops onto the
// line's direction would be no turn at all here.
std::vector<f32> crossings(const std::vector<std::vector<f32>>& lp, i32 code, f32 f, i32& n)
{
    const int c = code == 1 ? 0 : 1, s = 1 - c;
    std::vector<f32> out;
    n = 0;
    for (const auto& l : lp) {
        const size_t m = l.size() / 2;
        for (size_t k = 0; k < m; ++k) {
            const f32* a = &l[2 * k];
            const f32* b = &l[2 * ((k + 1) % m)];
            if ((a[c] <= f) == (b[c] <= f)) continue;
            const f64 t = (f64(f) - a[c]) / (f64(b[c]) - a[c]);
            ++n;
            if (out.size() < static_cast<size_t>(MAXINT)) out.push_back(static_cast<f32>(a[s] + t * (f64(b[s]) - a[s])));
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

bool usable(const std::vector<f32>& s)
{
    if (s.size() < 2 || s.size() % 2 != 0) return false;
    for (size_t k = 1; k < s.size(); ++k)
        if (eqval(s[k - 1], s[k])) return false;
    return true;
}
}  // namespace

// ------------------------------------------------------------ user limits

void SETLIM(i32& status)
{
    status = 0;
    while (true) {
        modinz();
        prmptc("SET LIMITS & EXIT");
        i32 ch = 0;
        menuc("AT START@AT END", ch);
        if (ch == -3) continue;
        if (ch < 0) return;
        const i32 k = ch == 1 ? 0 : gd::nchain() - 1, end = ch == 1 ? 1 : 2;
        if (k < 0) return;
        if (SRFGEO.CRNREC[k][CR_HELD] == 1 && gd::nchain() == 1) {
            userrc("LENGTH OF A TRIMMED SURFACE CANNOT BE CHANGED", 0);
            continue;
        }
        const i32 id = gd::srfid(k);
        prmptc("INDICATE POINT");
        f32 pt[3], uv[2];
        i32 st = 0, npk = 0;
        do PCKPSR(id, npk, pt, uv, pick_mode(k), nullptr, nullptr, st);
        while (st == -3 || st > 0);
        if (st == -2) continue;
        if (st < 0) {
            status = st;
            return;
        }
        LIMPNT(k, end, uv[0], uv[1], status);
        if (status < 0) return;
        SRFDSP(id, k, SRFGEO.LIMREC[k], SRFGEO.CRNREC[k], status);
        if (status < 0) return;
    }
}

void LIMPNT(const i32& k, const i32& end, const f32& u, const f32& v, i32& status)
{
    status = 0;
    i32 *lim = SRFGEO.LIMREC[k], *crn = SRFGEO.CRNREC[k];
    const i32 code = lim[LR_CODE];
    const f32 val = code == 1 ? v : u;
    const i32 w = end == 1 ? LR_SST : LR_SEND;
    if (crn[CR_HELD] == 0) {
        limput(lim, w, val);
        return;
    }
    i32 tl[LIMR_N], tc[CRNR_N];
    TRMREC(k, code, tl, tc);
    const i32 sc = second_of(code);
    auto cs = [&](i32 c) { return wrd2r(tc[1 + 2 * c + sc]); };
    if (!within(val, cs(0), cs(2)) || !within(val, cs(1), cs(3))) {
        userrc("LENGTH OF THIS TRIMMED SURFACE CANNOT BE CHANGED|PLEASE TRIM THE SURFACE INSTEAD", 0);
        return;
    }
    limput(lim, w, val);
    for (i32 c = end == 1 ? 0 : 2, e = c + 2; c < e; ++c) crn[1 + 2 * c + sc] = r2wrd(val);
}

void LIMPRM(const i32& k, const i32& end, i32& status)
{
    status = 0;
    i32 *lim = SRFGEO.LIMREC[k], *crn = SRFGEO.CRNREC[k];
    const i32 code = lim[LR_CODE], id = gd::srfid(k);
    const bool up = limr(lim, LR_SST) < limr(lim, LR_SEND) && !eqval(limr(lim, LR_SST), limr(lim, LR_SEND));
    f32 lo, hi;
    i32 tl[LIMR_N], tc[CRNR_N];
    if (crn[CR_HELD] == 0) {
        f32 umin, umax, vmin, vmax;
        gd::load(id, gd::buf(gd::BA), umin, umax, vmin, vmax, status);
        if (status != 0) return;
        lo = code == 1 ? vmin : umin;
        hi = code == 1 ? vmax : umax;
    } else {
        TRMREC(k, code, tl, tc);
        lo = limr(tl, LR_SST);
        hi = limr(tl, LR_SEND);
    }
    const f32 start = up ? lo : hi, stop = up ? hi : lo;
    limput(lim, end == 1 ? LR_SST : LR_SEND, end == 1 ? start : stop);
    if (crn[CR_HELD] == 1) {
        // The held corners of that end take the boundary points of the
        // bounds; the record may run against the bounds in either range.
        const i32 sc = second_of(code);
        const bool frev = limr(lim, LR_FST) > limr(lim, LR_FEND);
        for (i32 c = end == 1 ? 0 : 2, e = c + 2; c < e; ++c) {
            const i32 t = c ^ (frev ? 1 : 0) ^ (up ? 0 : 2);
            crn[1 + 2 * c + sc] = tc[1 + 2 * t + sc];
        }
    }
    SRFDSP(id, k, lim, crn, status);
}

void PARLIM(i32& status)
{
    LIMPRM(0, 1, status);
    if (status < 0) return;
    LIMPRM(gd::nchain() - 1, 2, status);
}

void ALLLIM(i32& status)
{
    status = 0;
    const i32 n = gd::nchain();
    for (i32 i = 0; i < n; ++i) {
        LIMRST(i, 1, status);
        if (status < 0) return;
    }
    for (i32 i = 1; i < n; ++i) SRFGEO.SRFLNK[i] = 0;
}

void LIMRST(const i32& i, const i32& show, i32& status)
{
    status = 0;
    i32 *lim = SRFGEO.LIMREC[i], *crn = SRFGEO.CRNREC[i];
    const i32 id = gd::srfid(i);
    if ((MACTYP == MACTYP_SURFACES || MACTYP == MACTYP_ONESURF) && crn[CR_HELD] == 0) {
        f64 r[4], umin, umax, vmin, vmax;
        f64* b = gd::buf(gd::BA);
        LDSRFB(id, b, status);
        if (status == 0) SBDUVR(1, b, umin, umax, vmin, vmax, status);
        if (status != 0) return;
        const bool u = lim[LR_CODE] == 1;
        r[0] = u ? umin : vmin;
        r[1] = u ? umax : vmax;
        r[2] = u ? vmin : umin;
        r[3] = u ? vmax : umax;
        LIMFRM(i, r, status);
    } else {
        // A trimmed surface takes the bounds of its trim boundary but, like a
        // plain one, keeps the directions its record has now: a chain turned
        // by the start corner or by the width points must stay turned on
        // every surface, or its passes no longer carry on from one surface to
        // the next. Only a range of no direction yet (both ends equal) takes
        // the direction of the set-up.
        const bool fdown = limr(lim, LR_FST) > limr(lim, LR_FEND);
        const bool sdown = limr(lim, LR_SST) > limr(lim, LR_SEND);
        const bool fset = limr(lim, LR_FST) != limr(lim, LR_FEND);
        const bool sset = limr(lim, LR_SST) != limr(lim, LR_SEND);
        TRMORI(i, lim, crn);
        if (fset && fdown != (limr(lim, LR_FST) > limr(lim, LR_FEND))) {
            std::swap(lim[LR_FST], lim[LR_FEND]);
            CNRSWP1(crn);
        }
        if (sset && sdown != (limr(lim, LR_SST) > limr(lim, LR_SEND))) {
            std::swap(lim[LR_SST], lim[LR_SEND]);
            CNRSWP2(crn);
        }
    }
    if (status == 0 && show == 1) SRFDSP(id, i, lim, crn, status);
}

void LIMFRM(const i32& i, const f64* ranges, i32& status)
{
    status = 0;
    // The ranges keep the directions the record has: a width turned for the
    // whole chain stays turned when a surface is reset or fitted.
    i32* lim = SRFGEO.LIMREC[i];
    auto put = [&](i32 w0, i32 w1, f64 a, f64 b) {
        f32 lo = static_cast<f32>(std::min(a, b)), hi = static_cast<f32>(std::max(a, b));
        if (limr(lim, w0) > limr(lim, w1)) std::swap(lo, hi);
        limput(lim, w0, lo);
        limput(lim, w1, hi);
    };
    put(LR_FST, LR_FEND, ranges[0], ranges[1]);
    put(LR_SST, LR_SEND, ranges[2], ranges[3]);
}

void LIMFIT(const i32& i, const f32& p0, const f32& p1, const f32& p2, const f32& p3, const i32& all, i32& status)
{
    status = 0;
    i32 *lim = SRFGEO.LIMREC[i], *crn = SRFGEO.CRNREC[i];
    const i32 code = lim[LR_CODE];
    // The candidate in the order of the points given, not sorted low to
    // high: so the order in which the points were picked can turn the chain
    // (see the exchange at the end); sorted, it never could.
    f32 fa = code == 1 ? p0 : p1, sa = code == 1 ? p1 : p0;
    f32 fb = code == 1 ? p2 : p3, sb = code == 1 ? p3 : p2;
    const i32* org = SRFGEO.LIMORG[i];
    const bool odown = !(limr(org, LR_FST) < limr(org, LR_FEND));
    const bool cup = fa < fb;
    const bool exch = (odown && cup) || (!odown && !cup);
    if (exch) {
        std::swap(fa, fb);
        std::swap(sa, sb);
    }
    if (MACTYP == MACTYP_TRIMMED || crn[CR_HELD] == 1) {
        f32 a[2], b[2];
        PARPAIR(code, fa, sa, a);
        PARPAIR(code, fb, sb, b);
        width_trm(i, a[0], a[1], b[0], b[1], lim, crn);
        fa = code == 1 ? a[0] : a[1];
        fb = code == 1 ? b[0] : b[1];
    }
    limput(lim, LR_FST, fa);
    limput(lim, LR_FEND, fb);
    if (!all) return;
    // The whole chain runs the way the points were picked: against its
    // set-up when they were picked against it, else with it (a chain turned
    // before, by the start corner, follows the points too).
    for (i32 s = 0; s < gd::nchain(); ++s) {
        i32* r = SRFGEO.LIMREC[s];
        const i32* o = SRFGEO.LIMORG[s];
        const bool against = (limr(r, LR_FST) > limr(r, LR_FEND)) != (limr(o, LR_FST) > limr(o, LR_FEND));
        if (against == exch || limr(r, LR_FST) == limr(r, LR_FEND)) continue;
        std::swap(r[LR_FST], r[LR_FEND]);
        if (SRFGEO.CRNREC[s][CR_HELD] == 1) CNRSWP1(SRFGEO.CRNREC[s]);
    }
}

// --------------------------------------------------- widths of neighbours

void WIDFIT(const i32& mode, const i32& i, const i32& j, const f32& tol, i32& status)
{
    (void)tol;
    const i32 idi = gd::srfid(i), idj = gd::srfid(j);
    f64 *bi = gd::buf(gd::BA), *bj = gd::buf(gd::BB);
    f32 r[4];
    gd::load(idi, bi, r[0], r[1], r[2], r[3], status);
    if (status == 0) gd::load(idj, bj, r[0], r[1], r[2], r[3], status);
    if (status != 0) return;
    const i32 *limi = SRFGEO.LIMREC[i], *crni = SRFGEO.CRNREC[i];
    i32* limj = SRFGEO.LIMREC[j];
    const i32 codej = limj[LR_CODE];
    const f32 edge = limr(limj, mode == 2 ? LR_SST : LR_SEND);
    const bool trm = SRFGEO.CRNREC[j][CR_HELD] == 1;
    f64 found[2];
    for (i32 n = 0; n < 2; ++n) {
        const i32 k = (mode == 2 ? 2 : 0) + n;
        f32 uv[2], p[9];
        SRFCNR(limi[LR_CODE], limi, crni, k, uv);
        status = gd::eval(bi, uv[0], uv[1], 0, p);
        if (status < 0) return;
        f32 t = 0;
        if (trm) {
            // On a trimmed neighbour the width ends where its trim boundary
            // meets the edge line: a nearer point of the whole edge line may
            // lie outside the trimmed region, on no surface the user sees,
            // and the passes would run off the part there. The whole line is
            // searched only when the boundary does not meet it at all.
            f32 d = 0;
            EDGTRM(p, idj, bj, codej, edge, t, d, status);
            if (status < 0) return;
            if (d < 1.0e15f) {
                found[n] = t;
                continue;
            }
        }
        f32 q[3];
        EDGNRS(p, bj, codej, edge, limr(limj, LR_FST), limr(limj, LR_FEND), t, q, status);
        if (status < 0) return;
        found[n] = t;
    }
    f64 ranges[4] = {found[0], found[1], limr(limj, LR_SST), limr(limj, LR_SEND)};
    LIMFRM(j, ranges, status);
}

void EDGNRS(const f32* point, const f64* buf, const i32& code, const f32& edge, const f32& from, const f32& to,
            f32& best, f32* bestpt, i32& status)
{
    status = 0;
    f64 a = from, b = to;
    f64 bt = a, bd = 1e30;
    bool any = false;
    for (int pass = 0; pass < 2; ++pass) {
        const f64 step = (b - a) / 128.0;
        for (int k = 0; k <= 128; ++k) {
            const f64 t = a + k * step;
            f32 uv[2], p[3];
            PARPAIR(code, static_cast<f32>(t), edge, uv);
            const i32 st = gd::eval(buf, uv[0], uv[1], 0, p);
            if (st < 0) {
                // A sample that cannot be evaluated is passed over; when
                // none of the line can be, the line has no point to give and
                // the evaluation's failure is the answer.
                if (!any) status = st;
                continue;
            }
            const f64 d = dist3_sq(point, p);
            if (d < bd) {
                bd = d;
                bt = t;
                for (int c = 0; c < 3; ++c) bestpt[c] = p[c];
            }
            any = true;
            status = 0;
        }
        if (!any) return;
        // Around the best, one step either side, not beyond the line.
        const f64 lo = std::min(f64(from), f64(to)), hi = std::max(f64(from), f64(to));
        a = std::clamp(bt - step, lo, hi);
        b = std::clamp(bt + step, lo, hi);
    }
    best = static_cast<f32>(bt);
}

void EDGTRM(const f32* point, const i32& id, const f64* buf, const i32& code, const f32& edge, f32& best, f32& dist,
            i32& status)
{
    std::vector<std::vector<f32>> lp;
    gd::loops(id, lp, status);
    dist = 1.0e15f;
    if (status != 0) return;
    // Where the boundary crosses the line, and its corners lying on it (a
    // line at the boundary's bound touches it there without crossing).
    const i32 linecode = code == 1 ? 2 : 1, c = second_of(code);
    i32 n = 0;
    std::vector<f32> at = crossings(lp, linecode, edge, n);
    for (const auto& l : lp)
        for (size_t k = 0; k + 1 < l.size(); k += 2)
            if (eqval(l[k + static_cast<size_t>(c)], edge)) at.push_back(l[k + 1 - static_cast<size_t>(c)]);
    f64 bd = 1e30;
    for (const f32 t : at) {
        f32 uv[2], p[3];
        PARPAIR(code, t, edge, uv);
        if (gd::eval(buf, uv[0], uv[1], 0, p) < 0) continue;
        const f64 d = dist3_sq(point, p);
        if (d < bd) {
            bd = d;
            best = t;
            dist = static_cast<f32>(std::sqrt(d));
        }
    }
}

// ------------------------------------------------------ trimmed surfaces

void TRMBND(const i32& i, const f32* pts, const i32& count, const i32& id)
{
    (void)id;
    if (i < 0 || i >= MAXSRF || count < 1) return;
    TrmBox& t = TRMANA[i];
    // Per side: the lowest and the highest point along it (indices).
    struct Side {
        f32 at;
        i32 lo, hi;
    } s[4];  // u = umin, u = umax, v = vmin, v = vmax
    s[0] = {pts[0] + 1, 0, 0};
    s[1] = {pts[0] - 1, 0, 0};
    s[2] = {pts[1] + 1, 0, 0};
    s[3] = {pts[1] - 1, 0, 0};
    for (i32 k = 0; k < count; ++k) {
        for (int side = 0; side < 4; ++side) {
            const int c = side < 2 ? 0 : 1, o = 1 - c;  // coordinate fixed on the side, the one along it
            const f32 x = pts[2 * k + c], y = pts[2 * k + o];
            Side& d = s[side];
            const bool beyond = side % 2 == 0 ? x < d.at : x > d.at;
            if (eqval(x, d.at)) {
                if (y < pts[2 * d.lo + o] && neval(y, pts[2 * d.lo + o])) d.lo = k;
                if (y > pts[2 * d.hi + o] && neval(y, pts[2 * d.hi + o])) d.hi = k;
            } else if (beyond) {
                d.at = x;
                d.lo = d.hi = k;
            }
        }
    }
    f32 lo[4][2], hi[4][2];
    for (int side = 0; side < 4; ++side) {
        const int o = side < 2 ? 1 : 0;
        i32 a = s[side].lo, b = s[side].hi;
        if (eqval(pts[2 * a], pts[2 * b]) && eqval(pts[2 * a + 1], pts[2 * b + 1])) {
            // A side touched in one point: its neighbours along the boundary.
            const i32 p = (a + count - 1) % count, n = (a + 1) % count;
            a = pts[2 * p + o] <= pts[2 * n + o] ? p : n;
            b = a == p ? n : p;
        }
        for (int c = 0; c < 2; ++c) {
            lo[side][c] = pts[2 * a + c];
            hi[side][c] = pts[2 * b + c];
        }
    }
    t.box[0] = s[0].at;
    t.box[1] = s[1].at;
    t.box[2] = s[2].at;
    t.box[3] = s[3].at;
    // Box corners: 0 (umin,vmin), 1 (umax,vmin), 2 (umin,vmax), 3 (umax,vmax).
    const f32* uf[4] = {lo[0], lo[1], hi[0], hi[1]};
    const f32* vf[4] = {lo[2], hi[2], lo[3], hi[3]};
    for (int k = 0; k < 4; ++k)
        for (int c = 0; c < 2; ++c) {
            t.ufirst[k][c] = uf[k][c];
            t.vfirst[k][c] = vf[k][c];
        }
}

void width_trm(const i32& i, f32& p0, f32& p1, f32& p2, f32& p3, i32* lim, i32* crn)
{
    const i32 code = lim[LR_CODE], id = gd::srfid(i);
    std::vector<std::vector<f32>> lp;
    i32 st = 0;
    gd::loops(id, lp, st);
    if (st != 0) return;
    const int c = code == 1 ? 0 : 1;
    const bool up = limr(lim, LR_SST) <= limr(lim, LR_SEND);
    f32* pu[2][2] = {{&p0, &p1}, {&p2, &p3}};
    const TrmBox& t = TRMANA[i];
    const f32 extent = std::fabs(c == 0 ? t.box[1] - t.box[0] : t.box[3] - t.box[2]);
    const f32 eps = extent > 0 ? 0.001f * extent : 0.0001f;
    f32 ends[2][2];  // entry and exit of each line in the second parameter
    f32 first[2];
    for (int line = 0; line < 2; ++line) {
        const f32 f0 = *pu[line][c], other = *pu[1 - line][c], want = *pu[line][1 - c];
        const f32 inward = other >= f0 ? 1.0f : -1.0f;
        const f32 tries[3] = {f0, f0 + inward * 0.5f * eps, f0 - inward * 0.5f * eps};
        std::vector<f32> s;
        int used = -1;
        for (int k = 0; k < 3 && used < 0; ++k) {
            i32 n = 0;
            s = crossings(lp, code, tries[k], n);
            if (n > MAXINT)
                eroutc(line == 0 ? "width_trm,ARRAYS OF INTERSECTION POINTS IS LIMITED TO 400 POINTS"
                                 : "width_trm, ARRAYS OF INTERSECTION POINTS IS LIMITED TO 400 POINTS",
                       0);
            if (usable(s)) used = k;
        }
        if (used < 0) return;
        // The piece of the line that holds the requested value, else the nearest.
        size_t best = 0;
        f32 bd = 1e30f;
        for (size_t k = 0; k + 1 < s.size(); k += 2) {
            const f32 d = want < s[k] ? s[k] - want : want > s[k + 1] ? want - s[k + 1] : 0.0f;
            if (d < bd) {
                bd = d;
                best = k;
            }
        }
        first[line] = tries[used];
        ends[line][0] = up ? s[best] : s[best + 1];
        ends[line][1] = up ? s[best + 1] : s[best];
    }
    crn[CR_HELD] = 1;
    for (int k = 0; k < 4; ++k) {
        f32 uv[2];
        PARPAIR(code, first[k & 1], ends[k & 1][k >> 1], uv);
        crn[1 + 2 * k] = r2wrd(uv[0]);
        crn[2 + 2 * k] = r2wrd(uv[1]);
    }
    *pu[0][c] = first[0];
    *pu[1][c] = first[1];
}

void TRMLIM(const i32& redo, i32& status)
{
    status = 0;
    if (redo) {
        for (i32 i = 0; i < gd::nchain(); ++i) {
            if (SRFGEO.CRNREC[i][CR_HELD] != 1 && MACTYP != MACTYP_TRIMMED) continue;
            f32 tol = pwr(PRTTOL);
            gstrmtol(2, tol);
            const i32 id = gd::srfid(i);
            // Each surface's boundary is read into its own host array, copied
            // out and the array closed at once, rather than one array renewed
            // for every surface and closed after the last: the bounds found
            // are the same, and no array is left open when a surface fails
            // half-way through the loop (nor a handle the host may have
            // closed in a failed renewal closed a second time).
            std::vector<std::vector<f32>> lp;
            gd::loops(id, lp, status);
            if (status != 0) return;
            // A trimmed surface without a boundary loop has no bounds to
            // find: TRMBND would leave the last surface's bounds in place and
            // the passes would be cut to them, so the limits are refused
            // rather than ended as if they had been found.
            if (lp.empty() || lp[0].size() < 2) {
                eroutc("TRMLIM, THE SURFACE HAS NO TRIM BOUNDARY", 0);
                status = -1;
                return;
            }
            // The outer loop's points, as when the surface was set up: the
            // holes lie inside it and add nothing to the bounds, and the walk
            // along a side touched in one point must stay on one loop.
            TRMBND(i, lp[0].data(), static_cast<i32>(lp[0].size() / 2), id);
        }
    }
    SRFALL(status);
    status = 0;
}

void SRFCRN(const i32& kind, const i32& i, const i32& j, const f32& tol, i32& connected, i32& status)
{
    connected = 0;
    const i32 idi = gd::srfid(i), idj = gd::srfid(j);
    f64 *bi = gd::buf(gd::BA), *bj = gd::buf(gd::BB);
    LDSRFB(idi, bi, status);
    if (status == 0) LDSRFB(idj, bj, status);
    if (status != 0) return;
    const i32 pairs[2][2] = {{kind == 2 ? 2 : 0, kind == 2 ? 0 : 2}, {kind == 2 ? 3 : 1, kind == 2 ? 1 : 3}};
    bool met = true;
    for (const auto& pr : pairs) {
        f32 a[2], b[2], pa[3], pb[3];
        SRFCNR(SRFGEO.LIMREC[i][LR_CODE], SRFGEO.LIMREC[i], SRFGEO.CRNREC[i], pr[0], a);
        SRFCNR(SRFGEO.LIMREC[j][LR_CODE], SRFGEO.LIMREC[j], SRFGEO.CRNREC[j], pr[1], b);
        // A corner that cannot be evaluated leaves with the host's own status.
        status = gd::eval(bi, a[0], a[1], 0, pa);
        if (status >= 0) status = gd::eval(bj, b[0], b[1], 0, pb);
        if (status < 0) return;
        if (!(std::sqrt(dist3_sq(pa, pb)) < tol)) met = false;
    }
    connected = met ? 1 : 0;
    status = 0;
}
