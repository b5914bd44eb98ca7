#include "passes/pasloop.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "blocks/movement.h"
#include "cleanup/clngrid.h"
#include "cleanup/clnstore.h"
#include "cleanup/clntrace.h"
#include "core/host.h"
#include "core/params.h"
#include "core/records.h"
#include "passes/bsural.h"
#include "passes/ncevs.h"
#include "passes/onepas.h"
#include "passes/pasdat.h"
#include "passes/pastab.h"
#include "passes/sidstp.h"
#include "passes/srfbox.h"
#include "surfaces/srfbuf.h"
#include "tools/toolcache.h"

namespace {

f64 srf_buf[SB_CAP];

i32 nsurf() { return MACTYP == MACTYP_ONESURF ? 1 : SRFGEO.NSRF; }

void setevl()
{
    f32 a = 0;
    GTTAPA(CURTOL, a);
    SRFEVL = pw(GCHMOD) == 1 || a >= 0.01f ? 1 : 0;
}

// The start both pass loops share: a test hook set runs instead of the loop
// (mode 1 one way, 2 the other); else the loop runs when the clean-up grid
// could be laid (status negative otherwise), with the evaluation switch set
// for the tool.
bool loop_starts(i32 mode, i32& status)
{
    if (SRMHOOK) {
        SRMHOOK(mode, status);
        return false;
    }
    if (!CLNGON(status, mode == 1 ? "SURM1, ERRORS IN DATA BASE" : "SURMP1, ERRORS IN DATA BASE")) return false;
    setevl();
    return true;
}

// Clamp between the lower and the upper of two values.
f32 clampr(f32 v, f32 a, f32 b)
{
    const f32 lo = a < b ? a : b, hi = a < b ? b : a;
    return v < lo ? lo : (v > hi ? hi : v);
}

// The step proposal of one surface: next pass value and its metric.
void propose(i32 i, f32& next, f32& metric, i32& status)
{
    const i32 x = i - 1;
    PasTab& p = PASTAB;
    // The along direction's sign, in the place of the scallop step's side
    // sign (the scallop step reads neither).
    const i32 dirsign = p.AEND[x] - p.ASTART[x] < 0 ? -1 : 1;
    f32 guess = p.PCODE[x] == 1 ? p.USTEP[x] : p.VSTEP[x];
    const f32 five = 0.05f * (p.PEND[x] - p.PCUR[x]);
    i32 id = 0, side = 1;
    idside(i, id, side);
    status = 0;
    if (pw(STPMOD) == 1) {
        SCLSTP(srf_buf, pwr(SCLHGT), p.ASTART[x], p.AEND[x], guess, p.PCUR[x], p.PEND[x], p.PEND[x] - p.PSTART[x],
               p.PCODE[x], side, pw(AXSMOD), dirsign, pwr(LEADAN), pwr(TLTCMP), next, metric);
    } else {
        SPCSTP(srf_buf, pwr(SIDSTP), pwr(PRTTOL), p.PCUR[x], p.PEND[x], guess, p.ASTART[x], p.AEND[x], p.PCODE[x], side,
               pw(AXSMOD), next, metric, status);
        if (status == 1 && std::fabs(five) < std::fabs(guess)) {
            guess = five;
            SPCSTP(srf_buf, pwr(SIDSTP), pwr(PRTTOL), p.PCUR[x], p.PEND[x], guess, p.ASTART[x], p.AEND[x], p.PCODE[x],
                   side, pw(AXSMOD), next, metric, status);
        }
    }
}

// Set-back rule: a move behind the old value, or none, is undone.
void setback(i32 x, f32 old, f32 before, i32 st)
{
    f32& c = PASTAB.PCUR[x];
    const f32 d = PASTAB.PDELTA[x];
    if (st == 1 || (d > 0 && c < old) || (d < 0 && c > old) || c == old) c = before;
}

}  // namespace

void CLNEND(const i32& status, const bool& run, const f32& cleanup)
{
    if (pw(CLNFLG) != 1) return;
    i32 st = 0;
    if (run && status >= 0) {
        // The tolerance is the side step of the comparison's reach. The
        // driver's clean-up value is not handed on in the comparison's
        // second place: that place is the clean-up's skip-neighbour flag,
        // and a clean-up value there (at least 0.001 for a run) would always
        // skip comparing the last pass with the one before it, which no
        // other call compares, so the material left between the last two
        // passes would never be cleaned up. The value has its effect where
        // the passes are spaced: the scallop side step keeps the passes at
        // least that far apart (word 405, set to the run's value).
        (void)cleanup;
        const i32 skip = 0;
        clnpas(pwr(PRTTOL), skip, st);
        if (st >= 0) clndsp(st);
        if (st >= 0) {
            clnrst();
            const i32 mode = 0, option = 0;
            clndrv(mode, option, st);
        }
    }
    clnrls(st);
    strrel(st);
}

bool CLNGON(i32& status, const char* listmsg)
{
    status = 0;
    if (pw(CLNFLG) != 1) return true;
    f64 box[6] = {0, 0, 0, 0, 0, 0};
    // The box is that of the surfaces the passes cut. Under machining type
    // 14 that is the one surface of the host's list 1, as for every pass
    // routine: the geometry record's ids are not filled for that type (0,
    // or left from an earlier procedure), and a box taken from them would
    // fail (no pass at all) or lay the grid over another surface. The
    // clean-up switch can be on under that type: the word is read from a
    // stored procedure or template like every other.
    i32 id14 = 0;
    if (MACTYP == MACTYP_ONESURF) {
        i32 side = 1;
        if (!idside(1, id14, side)) {
            if (listmsg) eroutc(listmsg, 0);
            status = -1;
        }
    }
    if (status >= 0) SURFSBOX(MACTYP == MACTYP_ONESURF ? &id14 : SRFGEO.SRFIDS, nsurf(), box, status);
    if (status >= 0) {
        f32 fbox[6];
        for (i32 k = 0; k < 6; ++k) fbox[k] = static_cast<f32>(box[k]);
        clnini(fbox, status);
    }
    if (status >= 0) return true;
    // No grid (no part box to lay it over, or no room for it): no pass is
    // made, and whatever the clean-up holds is released.
    i32 st = 0;
    clnrls(st);
    strrel(st);
    return false;
}

namespace {

// The pass ends: points and directions at both ends of the new pass (of
// every surface into DIRTAB when every surface is gouge-checked), and
// whether the pass closes on itself (CLSFLG: its ends meet within dmin,
// going the same way). 1 when done, 0 when an end cannot be evaluated,
// negative when a surface cannot be loaded (said).
i32 pass_ends(i32 n, f32 dmin);

// The pass's start and end along surface x (0-based) from the limits of
// surface number `surface`, in the cut direction's parameter.
void pass_range(i32 surface, i32 x)
{
    f32 v[4];
    GLMVAL(surface, v);
    PASTAB.ASTART[x] = SRFGEO.CUTFLP == 1 ? v[2] : v[0];
    PASTAB.AEND[x] = SRFGEO.CUTFLP == 1 ? v[3] : v[1];
}

i32 pass_ends(i32 n, f32 dmin)
{
    PasTab& p = PASTAB;
    f32 sp[3] = {0, 0, 0}, sd[3] = {0, 0, 0}, ep[3] = {0, 0, 0}, ed[3] = {0, 0, 0};
    for (i32 i = 1; i <= n; ++i) {
        const bool all = pw(GCHMOD) == 3;
        if (!all && i != 1 && i != n) continue;
        const i32 x = i - 1;
        i32 st = 0;
        LDPSRF(i, srf_buf, st);
        if (st < 0) {
            DIRVLD = 0;
            eroutc("newtc,ERRORS IN DATA BASE", 0);
            return st;
        }
        const bool pu = SRFGEO.LIMREC[MACTYP == MACTYP_ONESURF ? 0 : x][LR_CODE] == 1;
        i32 id = 0, side = 1;
        idside(i, id, side);
        for (i32 end = 0; end < 2; ++end) {
            if (!all && ((i == 1 && end == 1 && n > 1) || (i == n && end == 0 && n > 1))) continue;
            const f32 a = end == 0 ? p.ASTART[x] : p.AEND[x];
            const f32 da = p.AEND[x] - p.ASTART[x];
            f32 ev[9], out[9];
            i32 est = -1;
            NCEVS1(srf_buf, pu ? p.PCUR[x] : a, pu ? a : p.PCUR[x], pu ? 0.0f : da, pu ? da : 0.0f, side, pw(AXSMOD), SRFEVL,
                   pwr(LEADAN), pwr(TLTCMP), 0, ev, out, est);
            // Any negative status, not only -1: the positioning can also
            // answer the surface evaluation's own failure, and then writes
            // no point, so the pass ends would be taken from values never
            // computed.
            if (est < 0) {
                DIRVLD = 0;
                return 0;
            }
            f32 dir[3] = {pu ? ev[6] : ev[3], pu ? ev[7] : ev[4], pu ? ev[8] : ev[5]}, len = 0;
            i32 ust = 0;
            v3unit(dir, len, ust);
            if (da < 0)
                for (f32& c : dir) c = -c;
            if (i == 1 && end == 0) std::memcpy(sp, out, sizeof sp), std::memcpy(sd, dir, sizeof sd);
            if (i == n && end == 1) std::memcpy(ep, out, sizeof ep), std::memcpy(ed, dir, sizeof ed);
            if (all && x < DIRMAX) {
                std::memcpy(DIRTAB[end * 2][x], out, 3 * sizeof(f32));
                std::memcpy(DIRTAB[end * 2 + 1][x], dir, 3 * sizeof(f32));
            }
        }
    }
    if (pw(GCHMOD) == 3) DIRVLD = 1;
    const f32 gap = std::sqrt((sp[0] - ep[0]) * (sp[0] - ep[0]) + (sp[1] - ep[1]) * (sp[1] - ep[1]) + (sp[2] - ep[2]) * (sp[2] - ep[2]));
    CLSFLG = gap < dmin && sd[0] * ed[0] + sd[1] * ed[1] + sd[2] * ed[2] > 0.985f ? 1 : 0;
    return 1;
}

// A failed adjustment of a pair of surfaces ends the step with its status.
bool adjust_failed(i32 st, i32& status)
{
    if (st >= 0) return false;
    eroutc("newtc,COULD NOT ADJUST SURFACES", 0);
    status = st;
    return true;
}

// The step's first phase: each surface proposes its next pass value (its
// step kept in PDELTA); the fraction of the remaining range the step takes
// is the smallest proposed, and imin the surface of the smallest metric.
// Negative status when a surface cannot be loaded.
f32 step_fraction(i32 npass, i32 n, i32& imin, i32& status)
{
    PasTab& p = PASTAB;
    f32 frac = 100.0f;
    if (pw(STPMOD) != 2 && npass > 0) {
        f32 best = 1.0e10f;
        for (i32 i = 1; i <= n; ++i) {
            const i32 x = i - 1;
            LDPSRF(i, srf_buf, status);
            if (status < 0) {
                eroutc("newtc,ERRORS IN DATA BASE", 0);
                return frac;
            }
            const i32* l = SRFGEO.LIMREC[MACTYP == MACTYP_ONESURF ? 0 : x];
            if (eqval(limr(l, LR_SST), limr(l, LR_SEND))) {
                p.PDELTA[x] = p.PEND[x] - p.PSTART[x];
                continue;
            }
            f32 next = p.PCUR[x], metric = 1.0e10f;
            i32 st = 0;
            propose(i, next, metric, st);
            p.PDELTA[x] = next - p.PCUR[x];
            if (metric < best) best = metric, imin = i;
            const f32 ratio = eqvald(p.PCUR[x], p.PEND[x]) ? 1.0f
                                                             : std::fabs((next - p.PCUR[x]) / (p.PEND[x] - p.PCUR[x]));
            frac = std::fmin(frac, ratio);
        }
    }
    // A fraction above 1 (no surface proposed a step) would carry every
    // surface past its end, where the clamp below takes it back: held at 1
    // it stops at the end in the first place.
    return frac > 1.0f ? 1.0f : frac;
}

// The step's backward phase (step mode 1): the surfaces before imin are
// adjusted to it, pair by pair towards the first. False when a pair cannot
// be adjusted (status set).
bool adjust_back(i32 imin, const f32* old, f32 ofs, i32& status)
{
    PasTab& p = PASTAB;
    pass_range(MACTYP == MACTYP_ONESURF ? 1 : imin, imin - 1);
    for (i32 j = imin - 1; j >= 1; --j) {
        // A pair whose second surface does not continue the first has no
        // common edge for the passes to meet at: adjusting it would pull
        // the pass towards an edge the two do not share (the forward
        // adjustment skips such a pair too).
        if (SRFGEO.SRFLNK[j] == 0) continue;
        f32 before = p.PCUR[j - 1], s = p.PCUR[j - 1];
        i32 st = 0;
        PASLIM(1, j + 1, p.PCUR[j - 1], p.PCUR[j], 2.0f * pwr(PRTTOL), s, st);
        if (adjust_failed(st, status)) return false;
        setback(j - 1, old[j - 1], before, st);
        if (pw(AXSMOD) == 1) {
            before = p.PCUR[j - 1];
            s = p.PCUR[j - 1];
            ADJNXT(1, j + 1, p.PCUR[j - 1], p.PCUR[j], ofs, s, p.AEND[j - 1], p.ASTART[j], st);
            if (adjust_failed(st, status)) return false;
            setback(j - 1, old[j - 1], before, 0);
        }
    }
    return true;
}

}  // namespace

void newtc(const i32& npass, i32& status)
{
    DIRVLD = 0;
    CLSFLG = 0;
    const i32 n = nsurf();
    PasTab& p = PASTAB;
    f32 d = 0;
    GTDIAM(CURTOL, d);
    const f32 dmin = std::fmax(0.2f * d, 2.0f * pwr(PRTTOL));
    f32 r[MAXSRF], old[MAXSRF];
    for (i32 x = 0; x < n; ++x) r[x] = p.PEND[x] - p.PCUR[x];
    i32 reached = 0, imin = 1;
    status = 0;
    const f32 frac = step_fraction(npass, n, imin, status);
    if (status < 0) return;
    for (i32 i = 1; i <= n; ++i) {
        const i32 x = i - 1;
        old[x] = p.PCUR[x];
        if (pw(STPMOD) == 2 || npass == 0) {
            if (npass > 0) p.PCUR[x] += p.PDELTA[x];
        } else {
            p.PCUR[x] += (p.PEND[x] - p.PCUR[x]) * frac;
        }
        p.PCUR[x] = clampr(p.PCUR[x], p.PSTART[x], p.PEND[x]);
        if (eqval(p.PCUR[x], p.PEND[x]) && (i == imin || pw(STPMOD) == 2)) reached = 1;
    }
    const f32 ofs = pwr(PRTOFS);
    if (pw(STPMOD) == 1 && npass > 0 && !adjust_back(imin, old, ofs, status)) return;
    pass_range(1, 0);
    for (i32 i = 2; i <= n; ++i) {
        const i32 x = i - 1;
        pass_range(i, x);
        if (SRFGEO.SRFLNK[x] == 0) continue;
        i32 st = 0;
        f32 before = p.PCUR[x], s = p.PCUR[x];
        PASLIM(0, i, p.PCUR[x - 1], p.PCUR[x], 2.0f * pwr(PRTTOL), s, st);
        if (adjust_failed(st, status)) return;
        if (pw(AXSMOD) != 1) continue;
        if (npass > 0) setback(x, old[x], before, st);
        before = p.PCUR[x];
        s = p.PCUR[x];
        ADJNXT(0, i, p.PCUR[x - 1], p.PCUR[x], ofs, s, p.AEND[x - 1], p.ASTART[x], st);
        if (adjust_failed(st, status)) return;
        if (npass > 0) setback(x, old[x], before, 0);
        if (st == 1) {
            for (i32 k = 1; k <= i; ++k)
                if (eqval(p.PCUR[k - 1], p.PEND[k - 1])) reached = 1;
            // Surface i was clamped at a limit: the surfaces before it are
            // adjusted to it again, backward, then forward up to it. The
            // pair (k, k + 1): surface k moves in mode 1, k + 1 in mode 0.
            auto sweep = [&](i32 mode, i32 k) {
                const i32 mv = mode == 1 ? k - 1 : k;  // index of the surface that moves
                // An unlinked pair shares no edge: nothing to meet at.
                if (SRFGEO.SRFLNK[k] == 0) return true;
                const f32 was = p.PCUR[mv];
                f32 s2 = p.PCUR[mv];
                i32 st2 = 0;
                ADJNXT(mode, k + 1, p.PCUR[k - 1], p.PCUR[k], ofs, s2, p.AEND[k - 1], p.ASTART[k], st2);
                if (adjust_failed(st2, status)) return false;
                if (npass > 0) setback(mv, old[mv], was, 0);
                return true;
            };
            for (i32 k = i - 1; k >= 1; --k)
                if (!sweep(1, k)) return;
            for (i32 k = 2; k <= i; ++k)
                if (!sweep(0, k - 1)) return;
        }
    }
    // Pass ends: directions and points at both ends of the pass. An end
    // that cannot be evaluated ends the step as it is; a surface that cannot
    // be loaded is a failure.
    const i32 ends = pass_ends(n, dmin);
    if (ends <= 0) {
        status = ends < 0 ? ends : reached;
        return;
    }
    for (i32 x = 0; x < n; ++x)
        if (ltval(std::fabs(r[x]), std::fabs(p.PEND[x] - p.PCUR[x]))) {
            status = 2;
            return;
        }
    status = reached;
}

void SRFSTP(const i32& i, const f64* buf, i32& status)
{
    DIRVLD = 0;
    CLSFLG = 0;
    status = 0;
    const i32 x = i - 1;
    if (pw(STPMOD) == 2) {
        PASTAB.PCUR[x] += PASTAB.PDELTA[x];
        return;
    }
    // The step proposal works on the loop's own surface buffer. The pass
    // loop hands that very buffer, and a copy of a buffer onto itself is
    // undefined (memcpy's ranges must not overlap): it is copied only when
    // another buffer is given.
    if (buf != srf_buf) std::memcpy(srf_buf, buf, sizeof srf_buf);
    f32 next = PASTAB.PCUR[x], metric = 0;
    propose(i, next, metric, status);
    if (status > 0) status = 0;
    PASTAB.PCUR[x] = next;
}

void BKUPNC(const i32& count, i32& status)
{
    status = 0;
    usmsgc(" ");
    PUTRECS(status);
    if (status < 0) {
        eroutc("BKUPNC: PROBLEMS WITH SEGFIN", 0);
        return;
    }
    // The count leads the line. The host's one-value message would show it
    // after the text ("... BACKUP STARTING5"), so the line is put together
    // here and shown as a plain message.
    char line[64];
    std::snprintf(line, sizeof line, "%d PASSES COMPLETED. BACKUP STARTING", static_cast<int>(count));
    usmsgc(line);
    updtwa(2);
    usmsgc("BACKUP FINISHED");
}

namespace {

void backup(i32& status)
{
    status = 0;
    ++NBKUP;
    const i32 every = UPWEVR();
    if (every > 0 && NBKUP % every == 0) BKUPNC(NBKUP, status);
}

// A resumed run goes on from the last pass written: every surface's pass
// value is put at the fraction of its range where the last pass lay. The
// pass table is built afresh for every execution with each pass value at
// its start, so without this the first step of a resumed run would be
// taken from the start and the passes already written would be made again.
void resume()
{
    const i32 n = nsurf();
    const i32 last = pw(ZIGZAG) != 0 && (NPASS - 1) % 2 == 1 ? 1 : n;
    const i32 x = pw(ZIGZAG) != 0 ? last - 1 : 0;
    const f32 span = PASTAB.PEND[x] - PASTAB.PSTART[x];
    const f32 frac = span != 0.0f ? (LSTPAR - PASTAB.PSTART[x]) / span : 0.0f;
    for (i32 k = 0; k < n; ++k)
        PASTAB.PCUR[k] = clampr(PASTAB.PSTART[k] + frac * (PASTAB.PEND[k] - PASTAB.PSTART[k]), PASTAB.PSTART[k],
                                PASTAB.PEND[k]);
}

}  // namespace

void SURM1(const f32& cleanup, i32& status)
{
    if (!loop_starts(1, status)) return;
    const i32 n = nsurf();
    i32 rev = pw(ZIGZAG) != 0 && NPASS % 2 == 1 ? 1 : 0;
    i32 made = 1;
    RSTMOV();
    if (NPASS > 0) {
        const bool three = pw(AXSMOD) == 1;
        const f32* pt = reinterpret_cast<const f32*>(DSP8);
        const f32* ax = reinterpret_cast<const f32*>(DSP8) + (three ? 6 : 3);
        MOVLIN(three ? 2 : 3, pt, ax, status);
        if (status < 0) {
            eroutc("SURM1, ERRORS IN LIST", 0);
            return;
        }
        resume();
    }
    i32 s = 0;
    newtc(NPASS, s);
    if (s < 0 || s == 2) {
        status = 1;
        CLNEND(status, true, cleanup);
        return;
    }
    if (NPASS == 0) SETFST();
    for (;;) {
        backup(status);
        if (status < 0) return;
        PASFST = rev ? n : 1;
        RSTPAS();
        LDPSRF(PASFST, srf_buf, status);
        if (status < 0) {
            eroutc("SURM1, ERRORS IN DATA BASE", 0);
            return;
        }
        i32 kind = 3, linked = 0;
        PASLNK(NPASS == 0 ? 1 : 3, PASFST, srf_buf, kind, linked, status);
        i32 lasti = PASFST;
        for (i32 j = 1; j <= n && status >= 0; ++j) {
            const i32 i = rev ? n + 1 - j : j;
            if (i != PASFST) kind = 2;
            LDPSRF(i, srf_buf, status);
            if (status < 0) {
                eroutc("SURM1, ERRORS IN DATA BASE", 0);
                return;
            }
            i32 sign = 0, nearf = 0;
            PASSGN(i, sign, status);
            if (status >= 0) SURPAS(kind, i, srf_buf, nearf, rev, status);
            lasti = i;
        }
        if (status < 0) return;
        BSURAL(rev, status);
        if (status < 0) return;
        ++NPASS;
        const i32 x = lasti - 1;
        if (pw(ZIGZAG) == 0) {
            LSTPAR = PASTAB.PCUR[0];
            LSTEND = PASTAB.ASTART[0];
            LSTBEG = PASTAB.AEND[0];
        } else {
            LSTPAR = PASTAB.PCUR[x];
            LSTEND = rev ? PASTAB.ASTART[x] : PASTAB.AEND[x];
            LSTBEG = rev ? PASTAB.AEND[x] : PASTAB.ASTART[x];
        }
        bool end = s == 1;
        for (i32 i = 0; i < n; ++i)
            if (eqval(PASTAB.PCUR[i], PASTAB.PEND[i])) end = true;
        if (end) {
            status = 1;
            break;
        }
        if (made >= pw(MAXPAS)) {
            status = 2;
            break;
        }
        ++made;
        newtc(NPASS, s);
        if (s < 0 || s == 2) {
            status = 1;
            break;
        }
        if (pw(ZIGZAG) != 0) rev = 1 - rev;
    }
    CLNEND(status, true, cleanup);
}

void SURMP1(const f32& cleanup, i32& status)
{
    if (!loop_starts(2, status)) return;
    const i32 n = nsurf();
    PASFST = 1;
    SETFST();
    RSTMOV();
    i32 d = 0;
    // Set when a pass gave nothing after others were written: the next pass,
    // on this surface or the next, is entered by an approach.
    i32 retry = 0;
    for (i32 i = 1; i <= n; ++i) {
        backup(status);
        if (status < 0) return;
        LDPSRF(i, srf_buf, status);
        if (status < 0) {
            eroutc("SURMP1, ERRORS IN DATA BASE", 0);
            return;
        }
        i32 first = 1, written = 0;
        i32 nearf = pw(ZIGZAG) != 0 && i > 1 ? 1 : 0;
        const i32 x = i - 1;
        // Bounded, as a mend: a surface whose passes never reach its end
        // must not hold the run for ever; a step that does not move is ended
        // sooner by the no-progress test below.
        for (i32 guard = 0; guard < 100000; ++guard) {
            RSTPAS();
            const i32 lm = !first && !retry ? 3 : (i == 1 || retry ? 1 : 2);
            first = 0;
            i32 st = 0, sign = 0, kind = 3, linked = 0;
            PASSGN(i, sign, st);
            if (st >= 0) PASLNK(lm, i, srf_buf, kind, linked, st);
            if (st >= 0) SURPAS(kind, i, srf_buf, nearf, d, st);
            if (st < 0) break;
            if (st == 0) {
                written = 1;
                retry = 0;
            } else if (!written) {
                first = 1;
            } else {
                retry = 1;
            }
            nearf = 0;
            BSURAL(d, st);
            if (st < 0) break;
            LSTPAR = PASTAB.PCUR[x];
            LSTEND = d == 0 ? PASTAB.AEND[x] : PASTAB.ASTART[x];
            LSTBEG = d == 0 ? PASTAB.ASTART[x] : PASTAB.AEND[x];
            ++NPASS;
            if (pw(ZIGZAG) != 0) d = 1 - d;
            if (eqval(PASTAB.PCUR[x], PASTAB.PEND[x])) break;
            const f32 before = PASTAB.PCUR[x];
            SRFSTP(i, srf_buf, st);
            if (st < 0) break;
            // A step that does not move would repeat the pass for ever.
            if (PASTAB.PCUR[x] == before) {
                eroutc("SRFSTP,NO PROGRESS OF THE PASSES", 0);
                break;
            }
            // A step past the end of the range is held at the end (a mend:
            // unclamped, the end test below would never meet it and the
            // passes would run on beyond the surface's limits).
            const bool up = PASTAB.PEND[x] >= PASTAB.PSTART[x];
            if ((up && PASTAB.PCUR[x] > PASTAB.PEND[x]) || (!up && PASTAB.PCUR[x] < PASTAB.PEND[x]))
                PASTAB.PCUR[x] = PASTAB.PEND[x];
        }
    }
    status = 1;
    CLNEND(status, true, cleanup);
}
