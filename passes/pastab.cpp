#include "passes/pastab.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "core/vec.h"
#include "core/host.h"
#include "core/params.h"
#include "passes/geodef.h"
#include "passes/ncevs.h"
#include "passes/pasdat.h"
#include "passes/pasmet.h"
#include "passes/trmlin.h"
#include "passes/trmpol.h"
#include "surfaces/srfbuf.h"
#include "tools/toolcache.h"

namespace {

f64 buf_a[SB_CAP], buf_b[SB_CAP];
f32 widpt[2][2];

f32 lo(f32 a, f32 b) { return a < b ? a : b; }
f32 hi(f32 a, f32 b) { return a < b ? b : a; }
f32 clampr(f32 v, f32 a, f32 b) { return v < lo(a, b) ? lo(a, b) : (v > hi(a, b) ? hi(a, b) : v); }

const i32* limof(i32 i) { return SRFGEO.LIMREC[MACTYP == MACTYP_ONESURF ? 0 : i - 1]; }

void resetalong(i32 i)
{
    const i32* l = limof(i);
    const i32 x = i - 1;
    if (SRFGEO.CUTFLP == 1) {
        PASTAB.ASTART[x] = limr(l, LR_SST);
        PASTAB.AEND[x] = limr(l, LR_SEND);
    } else {
        PASTAB.ASTART[x] = limr(l, LR_FST);
        PASTAB.AEND[x] = limr(l, LR_FEND);
    }
}


}  // namespace

// The surface i of the procedure, its id and side. Under machining type 14
// the one surface comes from the procedure's surface list (host list 1) for
// every caller: the pair adjusters, which would read host list 0, are never
// reached then, as a single surface has no neighbour to meet.
bool idside(i32 i, i32& id, i32& side)
{
    if (MACTYP != MACTYP_ONESURF) {
        id = SRFGEO.SRFIDS[i - 1];
        side = SRFGEO.SRFSID[i - 1];
        return true;
    }
    // The one surface of machining type 14 is the first of the host's list
    // 1, which the host hands only whole. This is asked at every side step,
    // so the two buffers are kept and only ever grow: once they hold the
    // list, nothing is allocated per pass.
    static std::vector<i32> ids, nrms;
    i32 count = 0, st = 0;
    nc_surf_count(1, 1, count, st);
    if (st < 0 || count < 1) return false;
    if (ids.size() < static_cast<size_t>(count)) {
        ids.resize(static_cast<size_t>(count));
        nrms.resize(static_cast<size_t>(count));
    }
    nc_surf_ids(ids.data(), count, st);
    if (st >= 0) nc_surf_nrms(nrms.data(), count, st);
    if (st < 0) return false;
    id = ids[0];
    side = nrms[0] < 0 ? -1 : 1;
    return true;
}

void LDPSRF(const i32& i, f64* buf, i32& status)
{
    i32 id = 0, side = 1;
    status = -1;
    if (!idside(i, id, side)) return;
    LDSRFB(id, buf, status);
    if (status < 0 || MACTYP == MACTYP_ONESURF) return;
    f32 ofs = 0;
    SBFPRM(1, buf, ofs, status);
    if (status < 0) return;
    ofs += static_cast<f32>(side) * pwr(PRTOFS);
    SBFPRM(2, buf, ofs, status);
}

void CLIMIT(i32& status)
{
    status = 0;
    const i32 n = MACTYP == MACTYP_ONESURF ? 1 : SRFGEO.NSRF;
    for (i32 i = 1; i <= n; ++i) {
        const i32 x = i - 1;
        const i32* l = limof(i);
        const i32 d = l[LR_CODE];
        const f32 a1 = limr(l, LR_FST), a2 = limr(l, LR_FEND), b1 = limr(l, LR_SST), b2 = limr(l, LR_SEND);
        PasTab& p = PASTAB;
        if (SRFGEO.CUTFLP == 1) {
            p.PCODE[x] = d, p.PSTART[x] = a1, p.PEND[x] = a2, p.ASTART[x] = b1, p.AEND[x] = b2;
        } else {
            p.PCODE[x] = d == 1 ? 2 : 1, p.PSTART[x] = b1, p.PEND[x] = b2, p.ASTART[x] = a1, p.AEND[x] = a2;
        }
        f32 lim[6];
        // Under machining type 14 the one surface is the host list's; the
        // geometry record's slot holds none for that type, and loading it
        // first would say a surface is missing where none was asked for.
        if (MACTYP == MACTYP_ONESURF) {
            i32 id = 0, side = 1;
            status = idside(i, id, side) ? 0 : -1;
            if (status == 0) LDSRFB(id, buf_a, status);
        } else {
            LDSRFB(SRFGEO.SRFIDS[x], buf_a, status);
        }
        if (status >= 0) SBFLIM(1, buf_a, lim, status);
        // The third and sixth limits are the surface's own parameter
        // increments, which a surface buffer only ever holds positive (its
        // writer refuses others): a zero or a value that is no number read
        // back is a damaged surface record, refused like a failed read
        // rather than stepped with a first guess of nothing.
        if (status < 0 || !(std::fabs(lim[2]) > 0.0f) || !(std::fabs(lim[5]) > 0.0f)) {
            eroutc("CLIMIT,ERRORS IN DATA BASE", 0);
            status = -1;
            return;
        }
        const f32 s3 = std::fabs(lim[2]), s6 = std::fabs(lim[5]);
        if (p.PCODE[x] == 1) {
            p.USTEP[x] = p.PEND[x] - p.PSTART[x] < 0 ? -s3 : s3;
            p.VSTEP[x] = p.AEND[x] - p.ASTART[x] < 0 ? -s6 : s6;
            p.REVFLG[x] = CHKRVL(buf_a);
        } else {
            p.VSTEP[x] = p.PEND[x] - p.PSTART[x] < 0 ? -s6 : s6;
            p.USTEP[x] = p.AEND[x] - p.ASTART[x] < 0 ? -s3 : s3;
            p.REVFLG[x] = 0;
        }
        p.PCUR[x] = p.PSTART[x];
    }
    // The fixed count spaces the passes over the whole range, the first on
    // its start and the last on its end. A resumed run (NPASS > 0) goes on
    // from the last pass written (the pass loop puts the current pass
    // there) at that same spacing: a spacing of one pass more would leave
    // the passes uneven and make one pass too many.
    i32 k = 30;
    if (pw(STPMOD) == 2) k = pw(NPSREQ) - 1;
    for (i32 x = 0; x < n; ++x)
        PASTAB.PDELTA[x] = k > 0 ? (PASTAB.PEND[x] - PASTAB.PCUR[x]) / static_cast<f32>(k) : PASTAB.PEND[x] - PASTAB.PCUR[x];
}

void adjlim(i32& status)
{
    status = 0;
    const i32 n = MACTYP == MACTYP_ONESURF ? 1 : SRFGEO.NSRF;
    const f32 dist = 2.0f * pwr(PRTTOL);
    f32 w[MAXSRF];
    for (i32 stage = 0; stage < 2; ++stage) {
        for (i32 x = 0; x < n; ++x) w[x] = stage == 0 ? PASTAB.PCUR[x] : PASTAB.PEND[x];
        w[0] = clampr(w[0], PASTAB.PSTART[0], PASTAB.PEND[0]);
        resetalong(1);
        for (i32 i = 2; i <= n; ++i) {
            const i32 x = i - 1;
            f32 t = clampr(w[x], PASTAB.PSTART[x], PASTAB.PEND[x]);
            resetalong(i);
            if (SRFGEO.SRFLNK[x] == 0) {
                w[x] = t;
                continue;
            }
            PASLIM(0, i, w[x - 1], w[x], dist, t, status);
            if (status >= 0 && pw(AXSMOD) == 1) {
                t = w[x];
                ADJNXT(0, i, w[x - 1], w[x], pwr(PRTOFS), t, PASTAB.AEND[x - 1], PASTAB.ASTART[x], status);
                if (status == 1) {
                    for (i32 k = i - 2; k >= 1; --k) {
                        f32 s = w[k];
                        ADJNXT(1, k + 1, w[k - 1], w[k], pwr(PRTOFS), s, PASTAB.AEND[k - 1], PASTAB.ASTART[k], status);
                        if (status < 0) break;
                    }
                    for (i32 k = 2; k <= i && status >= 0; ++k) {
                        f32 s = w[k - 1];
                        ADJNXT(0, k, w[k - 2], w[k - 1], pwr(PRTOFS), s, PASTAB.AEND[k - 2], PASTAB.ASTART[k - 1], status);
                    }
                }
            }
            if (status < 0) {
                eroutc("adjlim,COULD NOT ADJUST SURFACES", 0);
                return;
            }
        }
        for (i32 x = 0; x < n; ++x) (stage == 0 ? PASTAB.PSTART[x] : PASTAB.PEND[x]) = w[x];
        // The current pass starts where the stepping range starts: a start
        // moved here moves it too, or the first pass would lie off the
        // adjusted start.
        if (stage == 0)
            for (i32 x = 0; x < n; ++x) PASTAB.PCUR[x] = PASTAB.PSTART[x];
    }
    status = 0;
}

void PASLIM(const i32& mode, const i32& i, f32& prev, f32& cur, const f32& dist, const f32& start, i32& status)
{
    status = 0;
    (mode == 0 ? cur : prev) = start;
    // Surface i - 1 in buf_a at the end of its second range, surface i in
    // buf_b at its start: the point of each pass there and the two corners
    // of that edge (a trimmed surface: the crossing of its pass line with
    // its boundary, and the corners its corner record holds).
    LDPSRF(i - 1, buf_a, status);
    if (status >= 0) LDPSRF(i, buf_b, status);
    if (status < 0) return;
    struct Edge {
        const i32* lim;
        bool trimmed;
        f32 uv[3][2];  // the pass point, then the two corners
        f32 xyz[3][3];
        i32 fc;  // the first coordinate of a (u, v) pair
    } e[2];
    for (i32 s = 0; s < 2; ++s) {
        const i32 k = i - 1 + s, x = MACTYP == MACTYP_ONESURF ? 0 : k - 1;
        Edge& g = e[s];
        g.lim = limof(k);
        g.trimmed = SRFGEO.CRNREC[x][CR_HELD] != 0;
        g.fc = g.lim[LR_CODE] == 1 ? 0 : 1;
        f32 pass = s == 0 ? prev : cur;
        if (g.trimmed) {
            f32 first[2], last[2];
            trmpar(k, pass, first, last, status);
            if (status < 0) return;
            std::memcpy(g.uv[0], s == 0 ? last : first, sizeof g.uv[0]);
        } else {
            PARPAIR(g.lim[LR_CODE], pass, limr(g.lim, s == 0 ? LR_SEND : LR_SST), g.uv[0]);
        }
        for (i32 c = 1; c <= 2; ++c) SRFCNR(g.lim[LR_CODE], g.lim, SRFGEO.CRNREC[x], s == 0 ? c + 1 : c - 1, g.uv[c]);
        for (i32 c = 0; c < 3; ++c) {
            f32 ev[9], nrm[3];
            evsrfn(s == 0 ? buf_a : buf_b, g.uv[c][0], g.uv[c][1], 1, ev, nrm, status);
            if (status < 0) return;
            std::memcpy(g.xyz[c], ev, sizeof g.xyz[c]);
        }
    }
    Edge& fx = e[mode == 0 ? 0 : 1];
    Edge& mv = e[mode == 0 ? 1 : 0];
    // The moving pass at a corner of its edge, and that edge collapsed.
    const bool at1 = std::fabs(mv.uv[0][mv.fc] - mv.uv[1][mv.fc]) < 0.05f;
    const bool at2 = std::fabs(mv.uv[0][mv.fc] - mv.uv[2][mv.fc]) < 0.05f;
    const bool degenerate = dist3(mv.xyz[1], mv.xyz[2]) < 0.001f;
    widpt[0][0] = fx.uv[0][0], widpt[0][1] = fx.uv[0][1];
    // The point of the moving surface's edge nearest to the fixed pass
    // point: within a tenth of its first range either side of the start
    // value, or where its boundary meets the edge line.
    const i32* lm = mv.lim;
    const f32 edge = limr(lm, mode == 0 ? LR_SST : LR_SEND);
    f32 best = start, bp[3] = {0, 0, 0};
    if (mv.trimmed) {
        i32 id = 0, side = 1;
        f32 d = 0;
        if (!idside(mode == 0 ? i : i - 1, id, side)) {
            status = -1;
            return;
        }
        EDGTRM(fx.xyz[0], id, mode == 0 ? buf_b : buf_a, lm[LR_CODE], edge, best, d, status);
        if (status < 0) return;
    } else {
        const f32 a = limr(lm, LR_FST), b = limr(lm, LR_FEND), win = 0.1f * std::fabs(b - a);
        const f32 from = clampr(start - win, a, b), to = clampr(start + win, a, b);
        EDGNRS(fx.xyz[0], mode == 0 ? buf_b : buf_a, lm[LR_CODE], edge, from, to, best, bp, status);
        if (status < 0) return;
    }
    // On a collapsed edge every point of it lies where the other's pass
    // ends: a pass at one corner stays there rather than jumping to the
    // other one.
    if (degenerate && (at1 || at2)) {
        const i32 here = at1 ? 1 : 2, there = at1 ? 2 : 1;
        f32 f[2];
        PARPAIR(lm[LR_CODE], best, edge, f);
        const bool nearer = mv.trimmed
                                ? std::hypot(f[0] - mv.uv[there][0], f[1] - mv.uv[there][1]) <
                                      std::hypot(f[0] - mv.uv[here][0], f[1] - mv.uv[here][1])
                                : std::fabs(best - mv.uv[there][mv.fc]) < std::fabs(best - mv.uv[here][mv.fc]);
        if (nearer) best = mv.uv[here][mv.fc];
    }
    PARPAIR(lm[LR_CODE], best, edge, widpt[1]);
    f32 ev[9], nrm[3];
    evsrfn(mode == 0 ? buf_b : buf_a, widpt[1][0], widpt[1][1], 1, ev, nrm, status);
    if (status < 0) return;
    std::memcpy(bp, ev, sizeof bp);
    (mode == 0 ? cur : prev) = best;
    status = dist3(fx.xyz[0], bp) > 2.0f * dist ? 1 : 0;
}

void ADJNXT(const i32& mode, const i32& i, f32& prev, f32& cur, const f32& ofs, f32& start, f32& prevend,
            f32& curstart, i32& status)
{
    // The offset argument is not applied a second time: every caller hands
    // the part offset (word 283), which the surface loader (LDPSRF) already
    // puts on each surface's own side.
    (void)ofs;
    const f32 keepend = prevend, keepstart = curstart;
    LDPSRF(i - 1, buf_a, status);
    if (status >= 0) LDPSRF(i, buf_b, status);
    if (status < 0) return;
    // The pass of each surface; on a trimmed surface the ends of its inside
    // pieces bound it. Answers 1 with the pass set up, 0 for a trimmed pass
    // line with no inside piece (nothing to meet), negative when the pass
    // line could not be trimmed: that is a failure of the adjustment, not
    // an empty pass, and the callers report it.
    auto surface = [&](i32 k, const f64* buf, f32 pass, f32 a0, f32 a1, bool last, MetSrf& m) -> i32 {
        const i32 x = k - 1;
        m = MetSrf{buf, PASTAB.PCODE[x], pass, SRFGEO.SRFSID[MACTYP == MACTYP_ONESURF ? 0 : x], {a0, a1, std::fabs(a1 - a0)}};
        if (SRFGEO.CRNREC[MACTYP == MACTYP_ONESURF ? 0 : x][CR_HELD] == 0) return 1;
        static f32 pts[3 * 400];
        f32 p0[2], p1[2];
        PARPAIR(m.pcode, pass, a0, p0);
        PARPAIR(m.pcode, pass, a1, p1);
        i32 count = 0, st = 0;
        trmpas(x, 400, count, pts, m.pcode, 0, p0, p0, p1, st);
        if (st < 0) return -1;
        if (count < 2) return 0;
        const i32 w = m.pcode == 1 ? 2 : 1;
        (last ? m.along[1] : m.along[0]) = last ? pts[3 * (count - 1) + w] : pts[w];
        m.along[2] = std::fabs(m.along[1] - m.along[0]);
        return 1;
    };
    auto meet = [&](i32 md) -> i32 {
        MetSrf a, b;
        i32 got = surface(i - 1, buf_a, prev, PASTAB.ASTART[i - 2], prevend, true, a);
        if (got <= 0) return got;
        got = surface(i, buf_b, cur, curstart, PASTAB.AEND[i - 1], false, b);
        if (got <= 0) return got;
        i32 st = 0;
        PASMET(md, a, b, prevend, curstart, st);
        (md == 0 ? cur : prev) = md == 0 ? b.pass : a.pass;
        return 1;
    };
    if (meet(mode) < 0) {
        status = -1;
        return;
    }
    const i32 mov = mode == 0 ? i : i - 1;
    f32& pm = mode == 0 ? cur : prev;
    const i32* lm = limof(mov);
    const f32 w1 = limr(lm, LR_FST), w2 = limr(lm, LR_FEND);
    const bool up = w2 >= w1;
    status = 0;
    if ((up && pm > w2) || (!up && pm < w2)) {
        pm = w2;
        status = 1;
    } else if ((up && pm < w1) || (!up && pm > w1)) {
        pm = w1;
        status = 1;
    }
    if (mode == 0) start = pm;
    prevend = keepend;
    curstart = keepstart;
    if (mode == 1) {
        status = 1;
        return;
    }
    if (status == 1) {
        // Surface i-1 moves to meet the clamped pass of surface i: the
        // along end that meeting gives it is kept, so that its pass ends
        // where it meets surface i's rather than at its own limit; only the
        // along start of surface i is restored.
        if (meet(1) < 0) {
            status = -1;
            return;
        }
        curstart = keepstart;
    }
}

void RSTSID()
{
    for (i32 k = 0; k < SRFGEO.NSRF && k < MAXSRF; ++k) SRFGEO.SRFLNK[k] = 0;
    SRFGEO.CUTFLP = 1;
}

void GETWID(f32* first, f32* second)
{
    first[0] = widpt[0][0], first[1] = widpt[0][1];
    second[0] = widpt[1][0], second[1] = widpt[1][1];
}
