#include "passes/trmpol.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "core/host.h"
#include "core/params.h"
#include "core/util.h"
#include "passes/geodef.h"
#include "passes/pasdat.h"
#include "passes/pntseg.h"
#include "passes/trmlin.h"
#include "surfaces/srfbuf.h"
#include "tools/toolcache.h"

namespace {

f64 srf_buf[SB_CAP];

// Closes a raw array when it is open.
void drop(i32& h)
{
    i32 st = 0;
    if (h >= 0) MM_CLOSE(h, st);
    h = -1;
}

// Cosine and sine of 0 or 90 degrees, exactly.
void quarter(i32 turn, f32& sn, f32& cs)
{
    cs = turn == 1 ? 0.0f : 1.0f;
    sn = turn == 1 ? 1.0f : 0.0f;
}

}  // namespace

const f32* plloop(const f32* set, i32 k)
{
    const f32* l = set;
    for (i32 j = 1; j < k; ++j) l = plnext(l);
    return l;
}

void chnpol(const i32& flag3d, const i32& id, const i32& nloops, i32* counts, i32& huv, i32& hxyz, i32& total,
            i32& hpol, i32& status)
{
    hpol = -1;
    auto fail = [&]() {
        drop(huv);
        drop(hxyz);
        eroutc("chnpol, not enough memory", 0);
        status = -1;
    };
    void* base = nullptr;
    mmcptr(huv, base);
    if (!base) {
        fail();
        return;
    }
    // No loop at all, or a loop without a vertex, is no boundary: refused
    // before a closing point would be read from beyond the raw array. It is
    // bad data, not a want of memory, so the memory message is not given;
    // the callers name the data base.
    bool empty = nloops < 1;
    for (i32 l = 0; l < nloops && !empty; ++l) empty = counts[l] < 1;
    if (empty) {
        drop(huv);
        drop(hxyz);
        status = -1;
        return;
    }
    f32* uv = static_cast<f32*>(base);
    // Loops after the first run the other way round.
    for (i32 l = 1, at = counts[0]; l < nloops; at += counts[l], ++l) revdim(counts[l], 2, uv + 2 * at);
    LDSRFB(id, srf_buf, status);
    f32 lim[6], len[2];
    if (status >= 0) SBFLIM(1, srf_buf, lim, status);
    // The parameter-to-length data are asked with the tolerance alone: the
    // host's call takes no limit value besides, and the polygons read none
    // of its answer (a failure still ends the polygons).
    if (status >= 0) srfcds(srf_buf, pwr(PRTTOL), len, status);
    f32 umin = 0, umax = 0, vmin = 0, vmax = 0;
    if (status >= 0) SBFUVR(1, srf_buf, umin, umax, vmin, vmax, status);
    if (status < 0) return;
    // The longest edge allowed in u and in v: a 29th of the range, not more
    // than the surface's own parameter increment (its size: a negative one
    // is a step downwards). An increment of 0 sets no limit: taken as it
    // is it would allow no edge at all and split every one into pieces
    // without end.
    auto most = [](f32 range, f32 inc) {
        f32 m = std::fabs(range) * 0.03448276f;
        if (std::fabs(inc) > 0.0f && std::fabs(inc) < m) m = std::fabs(inc);
        return m;
    };
    const f32 dumax = most(umax - umin, lim[2]), dvmax = most(vmax - vmin, lim[5]);
    // The first loop's edges split into equal pieces where they are longer.
    const i32 n0 = counts[0];
    std::vector<f32> nuv, nxyz;
    const f32* xyz = nullptr;
    if (flag3d == 1) {
        mmcptr(hxyz, base);
        xyz = static_cast<const f32*>(base);
        if (!xyz) {
            fail();
            return;
        }
    }
    for (i32 k = 0; k < n0; ++k) {
        const f32* a = uv + 2 * k;
        const f32* b = uv + 2 * ((k + 1) % n0);
        nuv.insert(nuv.end(), a, a + 2);
        if (xyz) nxyz.insert(nxyz.end(), xyz + 3 * k, xyz + 3 * k + 3);
        const f32 du = std::fabs(b[0] - a[0]), dv = std::fabs(b[1] - a[1]);
        if (!(du > dumax && dumax > 0.0f) && !(dv > dvmax && dvmax > 0.0f)) continue;
        const f64 ru = dumax > 0 ? std::trunc(f64(du) / dumax) : 0.0, rv = dvmax > 0 ? std::trunc(f64(dv) / dvmax) : 0.0;
        const i32 m = 1 + static_cast<i32>(ru > rv ? ru : rv);
        for (i32 q = 1; q < m; ++q) {
            const f32 w = static_cast<f32>(q) / static_cast<f32>(m);
            const f32 p[2] = {a[0] + w * (b[0] - a[0]), a[1] + w * (b[1] - a[1])};
            nuv.insert(nuv.end(), p, p + 2);
            if (xyz) {
                f32 e[3];
                evsrf(srf_buf, p[0], p[1], 0, e, status);
                if (status < 0) {
                    // A vertex the surface cannot give a point for: the
                    // polygons fail with -1 like every other failure here,
                    // whatever the host answered; the callers name the data
                    // base.
                    drop(huv);
                    drop(hxyz);
                    status = -1;
                    return;
                }
                nxyz.insert(nxyz.end(), e, e + 3);
            }
        }
    }
    const i32 added = static_cast<i32>(nuv.size() / 2) - n0;
    if (added > 0) {
        MM_RESIZE_ARRAY(huv, 2 * added, base, status);
        if (status < 0) {
            fail();
            return;
        }
        uv = static_cast<f32*>(base);
        std::memmove(uv + nuv.size(), uv + 2 * n0, sizeof(f32) * 2 * static_cast<size_t>(total - n0));
        std::memcpy(uv, nuv.data(), sizeof(f32) * nuv.size());
        counts[0] += added;
        total += added;
    }
    // The 3D points of the first loop, closed with its first point.
    if (xyz) {
        MM_RESIZE_ARRAY(hxyz, 3 * (added + 1), base, status);
        if (status < 0) {
            fail();
            return;
        }
        f32* x = static_cast<f32*>(base);
        std::memcpy(x, nxyz.data(), sizeof(f32) * nxyz.size());
        std::memcpy(x + nxyz.size(), x, 3 * sizeof(f32));
    }
    MM_OPEN_ARRAY(4, 3 * nloops + 2 * total, hpol, base, status);
    if (status < 0) {
        fail();
        return;
    }
    f32* out = static_cast<f32*>(base);
    mmcptr(huv, base);
    uv = static_cast<f32*>(base);
    f32* l = out;
    for (i32 k = 0, at = 0; k < nloops; at += counts[k], ++k) {
        l[0] = static_cast<f32>(counts[k] + 1);
        std::memcpy(l + 1, uv + 2 * at, sizeof(f32) * 2 * static_cast<size_t>(counts[k]));
        std::memcpy(l + 1 + 2 * counts[k], uv + 2 * at, 2 * sizeof(f32));
        l = plnext(l);
    }
    // Every loop runs with a negative sum of (x2 - x1)(y2 + y1), that is
    // counter-clockwise in (u, v): the sense in which the side step walks
    // the boundary (trmcnt). A loop of no area is turned too, as one of
    // the wrong sense. The 3D points follow the first loop.
    l = out;
    for (i32 k = 1; k <= nloops; ++k, l = plnext(l)) {
        if (LOOPSM(l) < 0) continue;
        revdim(plcnt(l), 2, l + 1);
        if (k == 1 && xyz) {
            mmcptr(hxyz, base);
            revdim(counts[0] + 1, 3, static_cast<f32*>(base));
        }
    }
    status = 0;
}

void clspb(i32& handle, i32& status)
{
    MM_CLOSE(handle, status);
    if (status != 0) {
        userrc("[clspb]PROBLEM CLOSING DYNAMIC MEMORY", 0);
        status = -1;
    }
}

void ROTPOL(const f32& cs, const f32& sn, const i32& nloops, const i32& hpol, const i32& grid, const f32* ref,
            const f32& step, f32& ymin, f32& ymax)
{
    void* base = nullptr;
    mmcptr(hpol, base);
    ymin = 1.0e20f;
    ymax = -1.0e20f;
    if (!base) return;
    HATRNG(cs, sn, nloops, grid, ref, step, static_cast<f32*>(base), ymin, ymax);
}

namespace {

// The polygon set of surface id from the raw loops of one of the host's
// reads (counts, (u, v) pairs and with 3D points their triples), turned.
void tpoly(const i32& id, const i32& turn, std::vector<i32>& counts, i32& huv, i32& h3d, const i32& flag3d, f32& sn,
           f32& cs, i32& hpol, i32& status)
{
    i32 total = 0;
    for (i32 c : counts) total += c;
    chnpol(flag3d, id, static_cast<i32>(counts.size()), counts.data(), huv, h3d, total, hpol, status);
    drop(huv);
    if (status < 0) {
        drop(h3d);
        eroutc("TRMRT1, ERRORS IN DATA BASE", 0);
        status = -1;
        return;
    }
    quarter(turn, sn, cs);
    f32 lo = 0, hi = 0;
    const f32 none[2] = {0, 0};
    ROTPOL(cs, sn, static_cast<i32>(counts.size()), hpol, 1, none, 0.0f, lo, hi);
}

}  // namespace

void TRMPLY(const i32& id, i32& hpol, i32& nloops, i32& status)
{
    hpol = -1;
    nloops = 0;
    f32 tol = pwr(PRTTOL);
    gstrmtol(2, tol);
    i32 h = -1, total = 0;
    trsgdp(id, h, nloops, total, status);
    if (status != 0 || nloops < 1) {
        drop(h);
        status = -1;
        nloops = 0;
        return;
    }
    void* base = nullptr;
    mmcptr(h, base);
    const i32* w = static_cast<const i32*>(base);
    std::vector<i32> counts(w, w + nloops);
    i32 huv = -1, h3d = -1;
    void* raw = nullptr;
    MM_OPEN_ARRAY(4, 2 * total, huv, raw, status);
    if (status == 0) std::memcpy(raw, w + nloops, sizeof(f32) * 2 * static_cast<size_t>(total));
    drop(h);
    if (status == 0) chnpol(0, id, nloops, counts.data(), huv, h3d, total, hpol, status);
    drop(huv);
    drop(h3d);
    if (status != 0) {
        status = -1;
        nloops = 0;
    }
}

void TRMRT1(const i32& id, const i32& turn, f32& sn, f32& cs, i32& hpol, i32& nloops, i32& status)
{
    TRMPLY(id, hpol, nloops, status);
    if (status < 0) {
        eroutc("TRMRT1, ERRORS IN DATA BASE", 0);
        return;
    }
    quarter(turn, sn, cs);
    f32 lo = 0, hi = 0;
    const f32 none[2] = {0, 0};
    ROTPOL(cs, sn, nloops, hpol, 1, none, 0.0f, lo, hi);
}

void TRMRT2(const i32& id, const i32& turn, f32& sn, f32& cs, i32& hpol, i32& nloops, i32& h3d, i32& status)
{
    hpol = h3d = -1;
    f32 tol = pwr(PRTTOL);
    gstrmtol(2, tol);
    gstrmtol(1, tol);
    if (tol > 0.001f) {
        tol = 0.001f;
        gstrmtol(2, tol);
    }
    i32 total = 0;
    trsgdp_ini(id, nloops, total, status);
    auto bad = [&]() {
        trsgdp_free();
        eroutc("TRMRT1, ERRORS IN DATA BASE", 0);
        status = -1;
        nloops = 0;
    };
    if (status != 0 || nloops < 1) {
        bad();
        return;
    }
    std::vector<i32> counts(static_cast<size_t>(nloops));
    i32 huv = -1;
    void* raw = nullptr;
    MM_OPEN_ARRAY(4, 2 * total, huv, raw, status);
    if (status != 0) {
        bad();
        return;
    }
    std::vector<f64> duv, dxyz;
    for (i32 l = 0, at = 0; l < nloops; ++l) {
        i32 n = 0;
        trsgdp2(l, 0, n, nullptr, nullptr, status);
        duv.assign(2 * static_cast<size_t>(n), 0.0);
        dxyz.assign(3 * static_cast<size_t>(n), 0.0);
        trsgdp2(l, n, n, duv.data(), dxyz.data(), status);
        if (status != 0 || at + n > total) {
            drop(huv);
            drop(h3d);
            bad();
            return;
        }
        counts[static_cast<size_t>(l)] = n;
        mmcptr(huv, raw);
        R8TOR4(duv.data(), 1, 2 * n, static_cast<f32*>(raw), 2 * at + 1);
        if (l == 0) {
            MM_OPEN_ARRAY(4, 3 * n, h3d, raw, status);
            if (status != 0) {
                drop(huv);
                bad();
                return;
            }
            R8TOR4(dxyz.data(), 1, 3 * n, static_cast<f32*>(raw), 1);
        }
        at += n;
    }
    trsgdp_free();
    tpoly(id, turn, counts, huv, h3d, 1, sn, cs, hpol, status);
    if (status < 0) nloops = 0;
}

void TRMTOL(const i32& i, f32& tol)
{
    const f32 range = std::fabs(PASTAB.PEND[i - 1] - PASTAB.PSTART[i - 1]);
    tol = range == 0.0f ? 1.0e-4f : range / 30.0f / 10.0f;
    if (tol > 0.001f) tol = 0.001f;
}

void RCTPOL(const i32& id, i32& count, i32& handle, i32& status)
{
    count = 0;
    handle = -1;
    f32 umin = 0, umax = 0, vmin = 0, vmax = 0;
    LDSRFB(id, srf_buf, status);
    if (status >= 0) SBFUVR(1, srf_buf, umin, umax, vmin, vmax, status);
    if (status < 0) return;
    void* base = nullptr;
    MM_OPEN_ARRAY(4, 235, handle, base, status);
    if (status < 0) return;
    f32* p = static_cast<f32*>(base);
    p[0] = 117.0f;
    const f32 c[5][2] = {{umin, vmin}, {umax, vmin}, {umax, vmax}, {umin, vmax}, {umin, vmin}};
    i32 k = 1;
    for (i32 e = 0; e < 4; ++e)
        for (i32 q = 0; q < 29; ++q, k += 2) {
            const f32 w = static_cast<f32>(q) / 29.0f;
            p[k] = c[e][0] + w * (c[e + 1][0] - c[e][0]);
            p[k + 1] = c[e][1] + w * (c[e + 1][1] - c[e][1]);
        }
    p[k] = umin;
    p[k + 1] = vmin;
    count = 1;
}

void GRDLIN(const i32& dir, const i32& count, const f32& u, const f32& v, const f32& step, f32* out)
{
    for (i32 k = 0; k < count; ++k) {
        out[2 * k] = dir == 1 ? u + static_cast<f32>(k) * step : u;
        out[2 * k + 1] = dir == 1 ? v : v + static_cast<f32>(k) * step;
    }
}

void TRMSRF(const i32& i, const i32& list, i32& id, i32& status)
{
    status = 0;
    if (MACTYP != MACTYP_ONESURF) {
        id = i >= 1 && i <= MAXSRF ? SRFGEO.SRFIDS[i - 1] : 0;
        status = id > 0 ? 0 : -1;
        return;
    }
    i32 count = 0;
    nc_surf_count(1, list, count, status);
    if (status < 0 || count < 1) {
        status = -1;
        return;
    }
    std::vector<i32> ids(static_cast<size_t>(count));
    nc_surf_ids(ids.data(), count, status);
    if (status < 0) return;
    id = ids[0];
}

void trmpar(const i32& i, f32& p, f32* first, f32* last, i32& status)
{
    static f32 pts[2 * NCRMAX];
    static i32 lps[NCRMAX], sgs[NCRMAX], kds[NCRMAX];
    constexpr i32 MAXINT = 400;
    i32 id = 0;
    TRMSRF(i, 0, id, status);
    if (status < 0) return;
    const i32* lim = SRFGEO.LIMREC[MACTYP == MACTYP_ONESURF ? 0 : i - 1];
    const i32 code = lim[LR_CODE];
    f32 sn = 0, cs = 1;
    i32 hpol = -1, nl = 0;
    TRMRT1(id, code == 1 ? 1 : 0, sn, cs, hpol, nl, status);
    if (status < 0) {
        status = -1;
        return;
    }
    void* base = nullptr;
    mmcptr(hpol, base);
    const f32* pol = static_cast<const f32*>(base);
    const f32 w3 = limr(lim, LR_SST), w4 = limr(lim, LR_SEND);
    // The crossings of the line at value q: even and nonzero, their count.
    auto line = [&](f32 q) {
        f32 pt[2];
        PARPAIR(code, q, w3, pt);
        hatchx(cs, sn, pt);
        i32 n = 0;
        NCRLIN(pol, nl, pt[1], 1, NCRMAX, n, pts, lps, sgs, kds, nullptr);
        if (n > MAXINT) {
            eroutc("trmpar,ARRAYS OF INTERSECTION POINTS IS LIMITED TO 400 POINTS", 0);
            n = MAXINT;
        }
        return n;
    };
    auto usable = [](i32 n) { return n > 0 && n % 2 == 0; };
    f32 e = 0;
    TRMTOL(i, e);
    const f32 pd = std::fabs(PASTAB.PDELTA[i - 1]);
    i32 n = line(p);
    const bool firsttry = usable(n);
    if (!firsttry) {
        const f32 shifts[10] = {e, 2 * e, 4 * e, 8 * e, pd, -e, -2 * e, -4 * e, -8 * e, -pd};
        for (f32 s : shifts) {
            n = line(p + s);
            if (usable(n)) break;
        }
    }
    if (!usable(n)) {
        dir_close_dm(hpol, status);
        status = -1;
        return;
    }
    auto back = [&](const f32* q, f32* out) {
        out[0] = q[0], out[1] = q[1];
        hatchx(cs, -sn, out);
    };
    f32 a[2], b[2];
    back(pts, a);
    back(pts + 2 * (n - 1), b);
    // Near an end of the first range a line moved inward is tried as well.
    const f32 w1 = limr(lim, LR_FST), w2 = limr(lim, LR_FEND);
    if (firsttry && (std::fabs(p - w1) <= pd || std::fabs(p - w2) <= pd)) {
        const f32 mid = 0.5f * (w1 + w2), in = p + (mid >= p ? e : -e);
        const i32 m = line(in);
        if (usable(m)) {
            f32 c[2], d[2];
            back(pts, c);
            back(pts + 2 * (m - 1), d);
            if (std::hypot(d[0] - c[0], d[1] - c[1]) > std::hypot(b[0] - a[0], b[1] - a[1])) {
                std::memcpy(a, c, sizeof a);
                std::memcpy(b, d, sizeof b);
                p = in;
            }
        }
    }
    // Ordered along the second range.
    const i32 sc = code == 1 ? 1 : 0;
    const bool swap = (w4 >= w3) ? a[sc] > b[sc] : a[sc] < b[sc];
    for (i32 c = 0; c < 2; ++c) {
        first[c] = swap ? b[c] : a[c];
        last[c] = swap ? a[c] : b[c];
    }
    dir_close_dm(hpol, status);
    status = 0;
}

i32 PLYNRS(const f32* x, const f32* poly, const i32& n, i32& seg, f32& par, f32& dist)
{
    f32 d = 0;
    GTDIAM(CURTOL, d);
    if (!(d > 0.0f)) d = 10.0f;
    i32 found = 0;
    f32 best = d;
    for (i32 j = 1; j <= n; ++j) {
        const f32* a = poly + 3 * (j - 1);
        const f32* b = poly + 3 * (j % n);
        f32 t = 0, dd = 0;
        i32 st = 0;
        PNSEG1(x, a, b, t, dd, st);
        if (st == 0) {
            seg = j, par = t, dist = dd;
            return 1;
        }
        if (st == 1 && dd < best) {
            best = dd;
            seg = j, par = t, dist = dd;
            found = 1;
        }
    }
    return found;
}

i32 PLYDIR(const f32* x, const f32* d1, const f32* d2, const f32* poly, const i32& n, const i32& first,
           const i32& last, i32& seg, f32& par, f32& dist)
{
    if (n < 1 || first < 1 || first > n || last < 1 || last > n) return 0;
    for (i32 j = first, k = 0; k < n; ++k, j = j % n + 1) {
        if (PNSEG2(x, d1, d2, poly + 3 * (j - 1), poly + 3 * (j % n), par, dist)) {
            seg = j;
            return 1;
        }
        if (j == last) break;
    }
    return 0;
}

i32 PLYHIT(const f32* x, const f32* poly, const i32& n, i32& seg)
{
    for (i32 j = 1; j <= n; ++j) {
        f32 t = 0;
        if (PNSEG3(x, poly + 3 * (j - 1), poly + 3 * (j % n), t)) {
            seg = j;
            return 1;
        }
    }
    return 0;
}
