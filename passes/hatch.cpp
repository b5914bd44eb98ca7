#include "passes/hatch.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "core/host.h"
#include "core/params.h"
#include "core/records.h"
#include "blocks/movement.h"
#include "passes/bsural.h"
#include "passes/pasdat.h"
#include "passes/paslin.h"
#include "passes/pasloop.h"
#include "passes/trmlin.h"
#include "passes/trmpol.h"
#include "surfaces/srfbuf.h"

namespace {

// Hatch state.
struct HatState {
    i32 dir = 1, zig = 0;
    f32 cs = 1.0f, sn = 0.0f;
    i32 path = -1;             // path store: nodes of 6 words
    i32 head = 0, tail = 0;    // first and last node
    i32 cursor = 0;            // walk cursor (0: past the last node)
};
HatState HS;

// Words of a path node: role, kind, a word not read, u, v, next node.
constexpr i32 ND_WORDS = 6, ND_ROLE = 0, ND_KIND = 1, ND_U = 3, ND_V = 4, ND_NEXT = 5;

// The module's integer array (vertex counts of the loops).
i32 iarr = -1;

// Crossings of one hatch line: one more than a line may have, so that too
// many are seen.
constexpr i32 HCAP = HATMAX + 1;
f32 hpts[2 * HCAP];
i32 hlps[HCAP], hsgs[HCAP], hkds[HCAP], hflg[HCAP];

// The trimming tolerance of the surface: the nudge of a line.
f64 ttol = 0.001;

// Remaining pieces while the path is built: head of their list.
i32 rem_count = 0;

// Tilt of the pieces: the signs of the first piece's u and v changes and
// the working tilting angle as it was (kept while set).
struct Tilt {
    i32 su = 0, sv = 0;
    f32 angle = 0;
    bool set = false;
} TILT;

f32 lvl(const i32* r) { return wrd2r(r[HSG_Y1]); }
f32 xof(const i32* r, i32 e) { return wrd2r(r[e == 0 ? HSG_X1 : HSG_X2]); }

i32* node(i32 n)
{
    void* base = nullptr;
    mmcptr(HS.path, base);
    if (!base || n < 1) return nullptr;
    return static_cast<i32*>(base) + static_cast<size_t>(n - 1) * ND_WORDS;
}

// Appends a node at the turned point (x, y), turned back into (u, v).
i32 addnode(f32 role, f32 kind, f32 x, f32 y)
{
    i32 el = 0, st = 0;
    MM_FALLOC(HS.path, el, st);
    if (st < 0) return -1;
    f32 p[2] = {x, y};
    hatchx(HS.cs, -HS.sn, p);
    i32* nd = node(el);
    nd[ND_ROLE] = r2wrd(role);
    nd[ND_KIND] = r2wrd(kind);
    nd[ND_U] = r2wrd(p[0]);
    nd[ND_V] = r2wrd(p[1]);
    nd[ND_NEXT] = 0;
    if (HS.tail > 0)
        node(HS.tail)[ND_NEXT] = el;
    else
        HS.head = el;
    HS.tail = el;
    return 0;
}

// The piece's end e (kind as given) and then its other end (kind 6).
i32 HATLEP(i32 rec, i32 e, f32 kind)
{
    const i32* r = HSGREC(rec);
    const f32 y = lvl(r);
    if (addnode(kind == 3.0f ? -1.0f : 1.0f, kind, xof(r, e), y) < 0) return -1;
    return addnode(1.0f, 6.0f, xof(HSGREC(rec), 1 - e), y);
}

// Takes a piece out of the remaining ones.
void HATUNL(i32 rec)
{
    i32* r = HSGREC(rec);
    const i32 p = r[HSG_PREV], n = r[HSG_NEXT];
    if (p > 0)
        HSGREC(p)[HSG_NEXT] = n;
    else
        rem_count = n;
    if (n > 0) HSGREC(n)[HSG_PREV] = p;
    r[HSG_PREV] = r[HSG_NEXT] = 0;
}

// The boundary vertices between the crossings on segments a and b of a
// loop, walking in direction d, as nodes of kind 6.
i32 HATWLK(const f32* pol, i32 a, i32 b, i32 loop, i32 d)
{
    const f32* l = plloop(pol, loop);
    i32 st = 0;
    walkvtx(plcnt(l) - 1, a, b, d, [&](i32 v) {
        if (st == 0) st = addnode(2.0f, 6.0f, plvtx(l, v)[0], plvtx(l, v)[1]);
    });
    return st;
}

// The next piece of a zigzag chain after piece cur left at its end e,
// walking in direction d; the side of the found piece at which it is met.
// 0 when there is none; status negative when the look-ahead failed.
i32 HATNXL(const f32* pol, i32 cur, i32 e, i32 d, f64 q, f64 end, const i32* counts, i32& side, i32& status)
{
    status = 0;
    const i32* r = HSGREC(cur);
    const f64 cl = lvl(r);
    const i32 loop = r[HSG_LOOP + e], seg = r[HSG_SEG + e];
    const bool atend = eqvald(cl, end);
    f64 next = cl, spacing = 0;
    if (!atend) {
        HATNXT(2, HS.cs, HS.sn, next, status);
        if (status < 0) return 0;
        spacing = std::fabs(next - cl);
    }
    const bool nudged = !eqval(lvl(r), wrd2r(r[HSG_LEVEL]));
    i32 best = -1, found = 0;
    // From the first remaining piece on the current level on.
    i32 c = rem_count;
    while (c > 0 && ltvald(lvl(HSGREC(c)), cl) && !eqvald(lvl(HSGREC(c)), cl)) c = HSGREC(c)[HSG_NEXT];
    for (; c > 0; c = HSGREC(c)[HSG_NEXT]) {
        const i32* k = HSGREC(c);
        const f64 lc = lvl(k);
        const bool same = eqvald(lc, cl), onq = eqvald(lc, q), onu = eqvald(lc, end);
        if (atend ? !same && !onq : !same && std::fabs(lc - next) >= 0.5 * spacing && !onq && !onu) break;
        for (i32 s = 0; s < 2; ++s) {
            if (k[HSG_LOOP + s] != loop) continue;
            i32 dist = d == 1 ? k[HSG_SEG + s] - seg : seg - k[HSG_SEG + s];
            if (dist < 0) dist += counts[loop - 1];
            if (nudged) {
                f32 lo = 0, hi = 0;
                LOPRNG(pol, seg, k[HSG_SEG + s], d, loop, static_cast<f32>(lc), static_cast<f32>(cl), lo, hi);
                const bool near = q < end ? levald(hi, end) : gevald(lo, q);
                const f32 room = std::fabs(static_cast<f32>(lc) - wrd2r(k[HSG_LEVEL]));
                if (!near || !leval(hi - lo, room)) continue;
            }
            if (best < 0 || dist < best) {
                best = dist;
                found = c;
                side = s;
            }
        }
    }
    return found;
}

// Closes the integer array and the segment store of the line creation.
i32 linesdone()
{
    i32 st = 0, bad = IARRCL();
    CLSLNS(st);
    return bad < 0 || st < 0 ? -1 : 0;
}

}  // namespace

void HATSET(const i32& dir, const i32& zig, const i32& hpol, const f32& tol, const f32& cs, const f32& sn)
{
    (void)hpol;
    (void)tol;
    HS.dir = dir;
    HS.zig = zig;
    HS.cs = cs;
    HS.sn = sn;
    HS.path = -1;
    HS.head = HS.tail = HS.cursor = 0;
}

void HATCRE(const i32& hpol, const f64& start, const f64& end, const i32& nloops, i32& status)
{
    void* base = nullptr;
    mmcptr(hpol, base);
    if (!base) {
        status = -1;
        return;
    }
    status = HATLIN(static_cast<const f32*>(base), start, end, nloops);
}

i32 HATLIN(const f32* pol, const f64& start, const f64& end, const i32& nloops)
{
    f32 t = 0;
    TRMTOL(1, t);
    ttol = t;
    i32* counts = nullptr;
    if (HSGOPN() < 0 || IARROP(nloops, counts) < 0) {
        linesdone();
        return -1;
    }
    const f32* l = pol;
    for (i32 k = 0; k < nloops; ++k, l = plnext(l)) counts[k] = plcnt(l) - 1;
    const f64 lower = start + t, upper = end;
    f64 y = lower;
    i32 n = 0, head = 0, st = 0;
    auto fail = [&](i32 code) {
        linesdone();
        return code;
    };
    // The first line: nothing to hatch when no line up to the end level
    // meets the region.
    if (CLR_MAKE_HATCH(pol, nloops, upper, HS.dir, n, y) < 0) return fail(n > 0 ? -1 : -2);
    HSGSTO(lower, hpts, hkds, hlps, hsgs, hflg, n, head, st);
    if (st < 0) return fail(-1);
    f64 p = y;
    HATNXT(1, HS.cs, HS.sn, y, st);
    if (st < 0) return fail(-1);
    while (y < upper) {
        if (eqvald(y, upper) || eqvald(y, p)) break;
        if (CLR_MAKE_HATCH(pol, nloops, upper, HS.dir, n, y) < 0) {
            if (n > 0 || !eqvald(y, upper)) return fail(-1);
            break;
        }
        HSGSTO(p, hpts, hkds, hlps, hsgs, hflg, n, head, st);
        if (st < 0) return fail(-1);
        p = y;
        HATNXT(1, HS.cs, HS.sn, y, st);
        if (st < 0) return fail(-1);
    }
    // The last line: from the end level down towards the previous one.
    f64 last = p;
    if (NCR_CRE(pol, nloops, lower, last, HS.dir, n, upper, p) < 0) return fail(-1);
    if (!eqvald(last, p)) {
        HSGSTO(p, hpts, hkds, hlps, hsgs, hflg, n, head, st);
        if (st < 0) return fail(-1);
    }
    const i32 chained = HATCHN(pol, p, upper, counts, head);
    const i32 closed = linesdone();
    return chained < 0 || closed < 0 ? -1 : 0;
}

i32 CLR_MAKE_HATCH(const f32* pol, const i32& nloops, const f64& upper, const i32& dir, i32& count, f64& y)
{
    while (y <= upper) {
        NCRLIN(pol, nloops, static_cast<f32>(y), dir == 1 ? 1 : 2, HCAP, count, hpts, hlps, hsgs, hkds, nullptr);
        if (count > HATMAX) {
            eroutc(" CLR_MAKE_HATCH,BUFFER OF HATCHING POINT IS TOO SMALL! ", 0);
            return -1;
        }
        if (count > 0 && count % 2 == 0) {
            HATPAR(count, hlps, hflg);
            return 0;
        }
        y += ttol;
    }
    y = upper;
    count = 0;
    return -1;
}

i32 NCR_CRE(const f32* pol, const i32& nloops, const f64& lower, f64& level, const i32& dir, i32& count, f64 y,
            const f64& p)
{
    f64 w = y - p, s = ttol;
    if (ttol > w) s = w / 2;
    while (y >= lower) {
        NCRLIN(pol, nloops, static_cast<f32>(y), dir == 1 ? 1 : 2, HCAP, count, hpts, hlps, hsgs, hkds, nullptr);
        if (count > HATMAX) {
            eroutc(" CLR_MAKE_HATCH,BUFFER OF HATCHING POINT IS TOO SMALL! ", 0);
            return -1;
        }
        bool apart = count > 0 && count % 2 == 0;
        for (i32 k = 0; apart && k < count; k += 2) apart = !eqpt2(hpts + 2 * k, hpts + 2 * k + 2);
        if (apart) {
            level = y;
            HATPAR(count, hlps, hflg);
            return 0;
        }
        const f64 was = y;
        y -= s;
        w = y - p;
        // Down to the previous line (or no nearer to it in single precision):
        // no further line.
        if (w <= 0.0 || static_cast<f32>(y) == static_cast<f32>(was)) {
            level = p;
            return 0;
        }
        if (w < s) s = w / 2;
    }
    userrc("[NCR_CRE]HATCH LINE PRECEEDED YMIN! ", 0);
    return -1;
}

void HATPAR(const i32& count, const i32* loops, i32* flags)
{
    static i32 stack[HATMAX];
    i32 depth = 0;
    for (i32 k = 0; k < count; ++k) {
        flags[k] = 0;
        if (depth > 0 && loops[k] == loops[stack[depth - 1]]) {
            const i32 f = (depth - 1) % 2 == 0 ? 1 : -1;
            flags[k] = flags[stack[depth - 1]] = f;
            --depth;
        } else if (depth < HATMAX) {
            stack[depth++] = k;
        }
    }
}

void HATNXT(const i32& mode, const f32& cs, const f32& sn, f64& y, i32& status)
{
    f32 pt[2] = {0.0f, static_cast<f32>(y)};
    hatchx(cs, -sn, pt);
    const i32 c = PASTAB.PCODE[0] == 1 ? 0 : 1;
    f32& cur = PASTAB.PCUR[0];
    const f32 old = cur;
    cur = pt[c];
    newtc(1, status);
    if (status >= 0) {
        pt[c] = cur;
        hatchx(cs, sn, pt);
        y = pt[1];
        status = 0;
    }
    if (mode == 2) cur = old;
}

i32 HATCHN(const f32* pol, const f64& q, const f64& end, const i32* counts, const i32& head)
{
    i32 st = 0;
    MM_OPEN_FDS(4 * ND_WORDS, HS.path, st);
    if (st < 0) return -1;
    HS.head = HS.tail = HS.cursor = 0;
    rem_count = head;
    auto endchain = [&]() { node(HS.tail)[ND_KIND] = r2wrd(8.0f); };
    while (rem_count > 0) {
        i32 cur = rem_count, d = HS.dir, dd = HS.dir, e = 0;
        bool first = true;
        for (;;) {
            if (HATLEP(cur, e, first ? 3.0f : 1.0f) < 0) return -1;
            const i32 s = e;  // side at which the piece was entered
            e = 1 - e;
            HATUNL(cur);
            if (HS.zig != 1) {
                endchain();
                break;
            }
            const i32* r = HSGREC(cur);
            if (r[HSG_FLAG + e] != 1) d = -d;
            i32 sp = 0;
            const i32 nxt = HATNXL(pol, cur, e, d, q, end, counts, sp, st);
            if (st < 0) return -1;
            if (nxt == 0) {
                endchain();
                break;
            }
            const i32* k = HSGREC(nxt);
            r = HSGREC(cur);
            if (!eqval(lvl(k), lvl(r))) {
                if (xof(k, 0) == xof(k, 1) && sp == s) sp = 1 - sp;
                if (sp == s)
                    d = -d;
                else
                    dd = -dd;
            }
            if (HATWLK(pol, r[HSG_SEG + e], k[HSG_SEG + sp], r[HSG_LOOP + e], d) < 0) return -1;
            d = dd;
            e = sp;
            cur = nxt;
            first = false;
        }
    }
    return 0;
}

void HATREL(i32& status)
{
    status = 0;
    if (HS.path >= 0) MM_CLOSE(HS.path, status);
    HS.path = -1;
    HS.head = HS.tail = HS.cursor = 0;
    status = 0;
}

void HLNRWD() { HS.cursor = HS.head; }

void HLNPNT(f32* out)
{
    const i32* nd = node(HS.cursor);
    if (!nd) return;
    out[0] = wrd2r(nd[ND_KIND]);
    out[1] = wrd2r(nd[ND_U]);
    out[2] = wrd2r(nd[ND_V]);
}

void HLNNXT()
{
    const i32* nd = node(HS.cursor);
    HS.cursor = nd ? nd[ND_NEXT] : 0;
}

bool HLNEND() { return HS.cursor == 0; }

void LOPRNG(const f32* pol, const i32& a, const i32& b, const i32& d, const i32& loop, const f32& y1,
            const f32& y2, f32& ymin, f32& ymax)
{
    ymin = std::fmin(y1, y2);
    ymax = std::fmax(y1, y2);
    const f32* l = plloop(pol, loop);
    walkvtx(plcnt(l) - 1, a, b, d, [&](i32 v) {
        ymin = std::fmin(ymin, plvtx(l, v)[1]);
        ymax = std::fmax(ymax, plvtx(l, v)[1]);
    });
}

i32 IARROP(const i32& count, i32*& base)
{
    i32 st = 0;
    void* b = nullptr;
    if (iarr >= 0) MM_CLOSE(iarr, st);
    MM_OPEN_ARRAY(4, count, iarr, b, st);
    base = static_cast<i32*>(b);
    return st < 0 ? -1 : 0;
}

i32 IARRCL()
{
    i32 st = 0;
    if (iarr >= 0) MM_CLOSE(iarr, st);
    iarr = -1;
    return st < 0 ? -1 : 0;
}

void trmlin(i32& hpar, const f64* buf, const i32& side, const i32& first, i32& status)
{
    status = 1;
    if (HLNEND()) return;
    void* base = nullptr;
    mmcptr(hpar, base);
    f32* par = static_cast<f32*>(base);
    i32 room = 100;
    f32 a[3];
    HLNPNT(a);
    i32 kind = static_cast<i32>(a[0]);
    if (a[0] == 8.0f) {
        HLNNXT();
        if (HLNEND()) return;
        HLNPNT(a);
        kind = 3;
    }
    HLNNXT();
    std::memcpy(par, a, sizeof a);
    i32 n = 1;
    while (!HLNEND()) {
        if (3 * (n + 1) > room) {
            i32 st = 0;
            MM_RESIZE_ARRAY(hpar, 100, base, st);
            if (st < 0) {
                eroutc("trmlin,DYNAMIC MEMORY ERROR", 0);
                status = -1;
                return;
            }
            par = static_cast<f32*>(base);
            room += 100;
        }
        HLNPNT(par + 3 * n);
        ++n;
        if (par[3 * (n - 1)] != 7.0f) break;
        HLNNXT();
    }
    if (n < 2) return;
    // The tilting angle follows the piece's direction in multi-axis work:
    // word 209 is the one word the hatch loop writes besides the pass
    // line's tolerances, and it is put back when the loop ends (below).
    auto sign = [](f32 d) { return eqval0(d) ? 0 : (d > 0 ? 1 : -1); };
    const i32 su = sign(par[3 * (n - 1) + 1] - par[1]), sv = sign(par[3 * (n - 1) + 2] - par[2]);
    if (first) {
        TILT = {su, sv, pwr(TLTCMP), true};
    } else if (kind == 6) {
        pws(TLTCMP, TILT.angle);
    } else if ((TILT.su != 0 && su == -TILT.su) || (TILT.sv != 0 && sv == -TILT.sv)) {
        pws(TLTCMP, -TILT.angle);
    }
    i32 nearf = 0, rev = 0;
    const i32 cut = MACTYP == MACTYP_ONESURF ? 1 : SRFGEO.CUTFLP;
    surlin(cut, kind, 1, nearf, rev, buf, side, 1, 1, par, n, PASTAB.USTEP[0], PASTAB.VSTEP[0], status);
    if (status >= 0) status = 0;
}

void PSLOOP(i32& status)
{
    static f64 buf[SB_CAP];
    status = 0;
    RSTMOV();
    if (NPASS == 0) SETFST();
    const i32 side = SRFGEO.SRFSID[0];
    i32 st = 0;
    LDSRFB(SRFGEO.SRFIDS[0], buf, st);
    f32 ofs = 0;
    if (st >= 0) SBFPRM(1, buf, ofs, st);
    ofs += static_cast<f32>(side) * pwr(PRTOFS);
    if (st >= 0) SBFPRM(2, buf, ofs, st);
    i32 hpar = -1;
    void* base = nullptr;
    if (st >= 0) {
        HLNRWD();
        MM_OPEN_ARRAY(4, 100, hpar, base, st);
    }
    if (st < 0) {
        eroutc("PSLOOP,TRMLIN, ERRORS IN DATA BASE", 0);
        status = -1;
        return;
    }
    TILT.set = false;
    for (i32 first = 1; !HLNEND(); first = 0) {
        ++NBKUP;
        if (UPWEVR() > 0 && NBKUP % UPWEVR() == 0) {
            BKUPNC(NBKUP, st);
            if (st < 0) break;
        }
        RSTPAS();
        trmlin(hpar, buf, side, first, st);
        if (st < 0) break;
        if (st == 0) BSURAL(0, st);
        if (st < 0) break;
    }
    // A piece that could not be milled stops the loop, and is no success:
    // the driver hears of it (the failing routine has said why).
    if (st < 0) status = -1;
    // The tilting angle is the procedure's again: the loop changed word 209
    // for its pieces, and a procedure left with a piece's angle would write
    // its next execution with it.
    if (TILT.set) pws(TLTCMP, TILT.angle);
    MM_CLOSE(hpar, st);
    if (st < 0) {
        eroutc("PSLOOP,CLPARY, CANNOT CLOSE PARARY", 0);
        status = -1;
    }
}

void HATDIR(const f32& angle, i32& dir, f32& extra, f32& start, f32& end)
{
    auto levels = [&](f32 a) {
        f32 c = 1, s = 0;
        HATCSN(a, c, s);
        const i32 x = 0;
        f32 ps[2], pe[2];
        PARPAIR(PASTAB.PCODE[x], PASTAB.PSTART[x], PASTAB.ASTART[x], ps);
        PARPAIR(PASTAB.PCODE[x], PASTAB.PEND[x], PASTAB.ASTART[x], pe);
        hatchx(c, s, ps);
        hatchx(c, s, pe);
        start = ps[1];
        end = pe[1];
    };
    levels(angle);
    dir = 1;
    extra = 0.0f;
    if (start < end) return;
    dir = -1;
    extra = 3.1415925f;
    levels(angle + extra);
}

void HATCSN(const f32& angle, f32& c, f32& s)
{
    c = std::cos(angle);
    s = std::sin(angle);
    for (f32* v : {&c, &s})
        for (f32 k : {0.0f, 1.0f, -1.0f})
            if (eqval(*v, k)) *v = k;
}
