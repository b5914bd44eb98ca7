#include "cutter/linnetn.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cutter/congeo.h"
#include "cutter/frames.h"
#include "cutter/kernel.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/planar.h"
#include "cutter/prjbrg.h"
#include "cutter/travel.h"
#include "cutter/under.h"
#include "core/host.h"
#include "core/intchk.h"
#include "core/params.h"
#include "core/records.h"
#include "cutter/uphooks.h"
#include "surfaces/trimodel.h"
#include "tools/toolcache.h"

i32 NETCNT = 0;
i32 NETAXM = 0;
f64 NETPOS = 0.0;

namespace {

constexpr i32 NET_START = 10000;  // records of the work array at first, and its growth
constexpr i32 CONTACTS = 10000;

i32 net_handle = -1;
// Records the work array holds: 10,000 when it is opened, raised with every
// growth. The host's handles are reused, so an array opened afresh is told
// by its opening here, not by its handle.
i32 work_cap = NET_START;
f32 last_normal_point[3] = {0, 0, 0};


struct Work {
    f32* b = nullptr;
    i32 cap = 0;
    f32* rec(i32 i) { return b + static_cast<size_t>(i) * NR_WORDS; }
    i32& code(i32 i) { return reinterpret_cast<i32*>(rec(i))[NRCOD]; }
    f32& par(i32 i) { return rec(i)[NRPAR]; }
    f32* pnt(i32 i) { return rec(i) + NRPNT; }
    f32* tnm(i32 i) { return rec(i) + NRTNM; }
    f32* snm(i32 i) { return rec(i) + NRSNM; }
    f32& dot(i32 i) { return rec(i)[NRDOT]; }
};

// Sag of a triple measured at end point A, B the middle, C the other end.
f64 sag(const f32* A, const f32* B, const f32* C)
{
    f64 u[3], w[3];
    for (i32 k = 0; k < 3; ++k) u[k] = f64(B[k]) - A[k], w[k] = f64(C[k]) - A[k];
    f64 lu = std::sqrt(dot3(u, u)), lw = std::sqrt(dot3(w, w));
    if (lu < 0.001 || lw < 0.001) return 0.0;
    f64 cs = std::fabs(dot3(u, w) / (lu * lw));
    f64 h = 0.5 * std::sqrt((f64(C[0]) - B[0]) * (f64(C[0]) - B[0]) + (f64(C[1]) - B[1]) * (f64(C[1]) - B[1]) +
                            (f64(C[2]) - B[2]) * (f64(C[2]) - B[2]));
    f64 s = std::sqrt(std::fabs(1.0 - cs * cs));
    return s == 0.0 ? 0.0 : (1.0 - cs) * h / s;
}

// Does the triple fit the tolerance? first: sag measured at the first point.
bool triple_fits(const f32* P0, const f32* P1, const f32* P2, f32 tol, bool flat_end, bool at_first)
{
    f32 dev = 0;
    i32 st = 0;
    p3tol(P0, P2, P1, dev, st);
    if (st != 0) return true;
    f64 limit = tol;
    if (flat_end) {
        // Height of the chord at the middle, along the dominant XY axis.
        f64 dx = f64(P2[0]) - P0[0], dy = f64(P2[1]) - P0[1];
        f64 t = std::fabs(dx) >= std::fabs(dy) ? (dx != 0 ? (P1[0] - P0[0]) / dx : 0.0)
                                               : (dy != 0 ? (P1[1] - P0[1]) / dy : 0.0);
        f64 zc = P0[2] + t * (f64(P2[2]) - P0[2]);
        if (P1[2] - zc > 0.1 * tol) limit = 0.48 * tol;
    }
    f64 sg = at_first ? sag(P0, P1, P2) : sag(P2, P1, P0);
    return dev <= limit && sg <= limit;
}

// Whether the normals between two points ask for a point between them.
bool normal_asks(const f32* p0, const f32* p1, const f32* t0, const f32* t1, const f32* s0, const f32* s1, f32 tol)
{
    f64 c1 = dot3f(t0, t1), c2 = dot3f(s0, s1);
    if (c1 > 0.999847 && c2 > 0.999847) return false;
    if (c1 < 0.7071 || c2 < 0.7071) return true;
    auto test = [&](const f32* a, const f32* b, f64 c) {
        f64 na[3] = {a[0], a[1], a[2]}, nb[3] = {b[0], b[1], b[2]}, ax[3];
        cross3(nb, na, ax);
        if (v3unitd(ax) != 0) return true;
        f64 d[3] = {f64(p1[0]) - p0[0], f64(p1[1]) - p0[1], f64(p1[2]) - p0[2]};
        f64 along = dot3(d, ax);
        for (i32 k = 0; k < 3; ++k) d[k] -= along * ax[k];
        f64 l = std::sqrt(dot3(d, d));
        c = std::fmin(1.0, std::fmax(-1.0, c));
        return l >= 0.0001 && tol < std::tan(std::acos(c) / 2) * l * 0.5;
    };
    if (c2 <= 0.999847 && test(s1, s0, c2)) return true;
    if (c1 <= 0.999847) return test(t1, t0, c1);
    return false;
}

// Does the triangle (XY of its three corners) lie wholly beyond distance
// `far` of the track from A along (ux, uy) for length `len`? Tested on the
// track's side axis and along it, so a yes is always right.
bool clear_of_track(const f64* tri, const f32* A, f64 ux, f64 uy, f64 len, f64 far)
{
    f64 s[3], n[3];
    for (i32 j = 0; j < 3; ++j) {
        const f64 dx = tri[3 * j] - A[0], dy = tri[3 * j + 1] - A[1];
        if (len > 0.0) {
            s[j] = dx * ux + dy * uy;
            n[j] = dy * ux - dx * uy;
        } else {
            s[j] = dx;
            n[j] = dy;
        }
    }
    auto beyond = [](const f64* v, f64 lo, f64 hi) {
        return (v[0] < lo && v[1] < lo && v[2] < lo) || (v[0] > hi && v[1] > hi && v[2] > hi);
    };
    return beyond(s, -far, len + far) || beyond(n, -far, far);
}

}  // namespace

i32 NETSPN(const f32* A, const f32* B, const f32& tol, i32& status)
{
    status = 0;
    f64 u[3] = {f64(B[0]) - A[0], f64(B[1]) - A[1], f64(B[2]) - A[2]};
    f64 l = std::sqrt(dot3(u, u));
    if (!(l > 0.0)) return 0;
    for (f64& c : u) c /= l;
    const f64 R = LOCDIA * 0.5, r = LOCCRN;
    f64 uxy = std::hypot(u[0], u[1]);
    f64 a = std::atan2(std::fabs(u[2]), uxy);
    f64 reach = r == 0.0 ? R : std::cos(a) * ((R - r) + std::tan(a) * r);
    f64 w0 = tol, w1 = l - tol;
    if (eqval0(static_cast<f32>(u[2])) && w1 <= w0) return 0;
    const f32* lo = A[2] <= B[2] ? A : B;
    const f32* hi = A[2] <= B[2] ? B : A;
    i32 count = 0, ps, cs, os, st = 0;
    elm2n2(0, lo, hi, lo[2], ELMCAP, count, ps, cs, os, st);
    if (st < 0) {
        status = st;
        return 0;
    }
    const i32* lst = elmlst();
    const i32* idx = elmidx();
    const i32 flags = LOCFLG;
    // The tool travels from the higher end towards the lower one: the XY
    // track of its axis, from the higher end along ux, uy for `track`.
    const f64 hxy = std::hypot(f64(lo[0]) - hi[0], f64(lo[1]) - hi[1]);
    const f64 ux = hxy > 0.0 ? (f64(lo[0]) - hi[0]) / hxy : 0.0, uy = hxy > 0.0 ? (f64(lo[1]) - hi[1]) / hxy : 0.0;
    const f64 track = hxy > 0.0 ? l : 0.0;
    ElmRun run;
    for (i32 i = 0; i < count; ++i) {
        const i32* le = lst + static_cast<size_t>(idx[i]) * ELM_WORDS;
        const i32* ent = run.triangle(le);
        if (!ent) continue;
        // The span check leaves out the classes positioned without allowance.
        const i32 cls = srfrec(LOCSRB, ent[TRG_SRF])[SRF_CLASS];
        LocClass row;
        if (cls == CLS_BARE || cls == CLS_GRID || !loc_class(cls, flags, row)) continue;
        const f32 e = row.e;
        // Nodes along the move: inside the window?
        f64 tri[9];
        bool inside = false;
        for (i32 j = 0; j < 3; ++j) {
            const f32* nd = nodept(LOCNDB, ent[TRG_NODE + j]);
            for (i32 c = 0; c < 3; ++c) tri[3 * j + c] = nd[c];
            f64 s = (nd[0] - A[0]) * u[0] + (nd[1] - A[1]) * u[1] + (nd[2] - A[2]) * u[2];
            // The window reaches the reach further toward the move's higher
            // end: down (back before its start) for a descending or level
            // move, up (on past its end) for a rising one. Moved whole, it
            // would leave the far part of the move unchecked: it grows.
            const f64 lo = u[2] <= 0.0 ? w0 - reach : w0, hi = u[2] <= 0.0 ? w1 : w1 + reach;
            if (s > lo && s < hi) inside = true;
        }
        if (!inside) continue;
        // A triangle that lies, in XY, farther than the tool's radius from
        // the whole track cannot be met along the move.
        const f64 far = R + e + 0.01;
        if (far > 0.0 && clear_of_track(tri, hi, ux, uy, track, far)) continue;
        // The tool travels from the higher end towards the lower one.
        f64 P[3] = {hi[0], hi[1], f64(hi[2]) + tol / 4};
        f64 dv[3] = {f64(lo[0]) - hi[0], f64(lo[1]) - hi[1], f64(lo[2]) - hi[2]};
        f64 span = std::sqrt(dot3(dv, dv));
        if (span < 0.001) continue;
        for (f64& c : dv) c /= span;
        if (dv[2] > -0.001) dv[2] = -0.001;
        if (dv[2] < -0.999) dv[2] = -0.999;
        f64 hz = std::sqrt(std::fmax(0.0, 1.0 - dv[2] * dv[2]));
        f64 hl = std::hypot(dv[0], dv[1]);
        if (hl > 0.0) dv[0] *= hz / hl, dv[1] *= hz / hl;
        f64 travel = 0, con[3], pos[3];
        i32 ks = 0;
        const f64 Rr = R + e, rr = r + e;
        TRICNB(tri, P, Rr, rr, dv, travel, con, pos, ks);
        if (ks != 0 || travel < 0.0 || travel > span) continue;
        f64 d = hz * travel;
        if (d > hz * span - 2.0 * tol || d < tol) continue;
        return 1;
    }
    return 0;
}

void LINNETN(const i32& restart, const i32& line3d, const f32* start, const f32* end, const f32& tolerance,
             const f32& allowance_a, const f32& allowance_b, const i32& capacity, const i32& mode_in, f32* pntxyz,
             f32* pntnrm, f32* pntsnm, i32* pntflg, i32& pntnst, const i32& pntmxs, i32* pntlen, i32& pnttot,
             i32& status)
{
    pntnst = 0;
    if (pntlen) pntlen[0] = 0;
    pnttot = 0;
    status = 0;
    i32 mode = mode_in;
    const bool with_snm = mode >= 100;
    if (with_snm) mode -= 100;
    const bool from_height = mode >= 10;
    if (from_height) mode -= 10;
    const bool raw = mode == 6 || mode == 7;
    const i32 avail = prj_get_avail();
    i32 swt = 0;
    GTNFLG(swt);
    if (eqval0(tolerance)) {
        userrc("[LINNET]ALGORITHM CANNOT WORK WITH ZERO TOLERANCE", 0);
        status = -1;
        return;
    }
    const f32 tol = tolerance;
    i32 st = 0;
    CNTPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
    LOCPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
    bool loaded = LOCTOL(allowance_a, allowance_b);
    auto finish_early = [&]() {
        NETCNT = 0;
        if (loaded) LOCRST();
    };
    if (!loaded) {
        finish_early();
        return;  // not a milling tool: no strings
    }
    // The projection road: the projector prepared for the tool.
    i32 prj_index = -1;
    if (avail) {
        prj_index = prj_tool_index();
        if (prj_index < 0) {
            status = -1;
            return finish_early();
        }
    }
    // Work array: opened with the stock's profile tables, which answer -1
    // when they are not built (the array went with them).
    i32 h = -1;
    CUTHKS.net_hdl(1, h);
    void* base = nullptr;
    if (h < 0) {
        f32 deg = static_cast<f32>(LOCTAP / (PI * 0.005555555555555556));
        h = -1;
        CUTHKS.net_prof(tol, LOCDIA, LOCCRN, LOCCUT, deg, 0, allowance_a, NET_START, h, base, st);
        if (st == 0 && allowance_b != allowance_a)
            CUTHKS.net_prof(tol, LOCDIA, LOCCRN, LOCCUT, deg, 1, allowance_b, NET_START, h, base, st);
        if (st != 0) {
            status = -1;
            return finish_early();
        }
        // A fresh array: its first records hold no earlier string.
        net_handle = h;
        work_cap = NET_START;
        NETCNT = 0;
    } else {
        h = CUTHKS.net_rec();
        if (h != net_handle) NETCNT = 0, work_cap = NET_START;
        net_handle = h;
    }
    mmcptr(h, base);
    Work W;
    W.b = static_cast<f32*>(base);
    W.cap = work_cap;
    W.par(0) = 0.0f;
    LOCZCL = HEI8[HEI8_CLAMP];
    LOCZMN = hei8r(HEI8_ZMIN);
    LOCZMX = hei8r(HEI8_ZMAX);
    // Line geometry.
    f32 dir[2] = {end[0] - start[0], end[1] - start[1]}, L = 0;
    i32 ls = 0;
    V2NRMS(dir, L, ls);
    const bool point_line = ls < 0;
    if (point_line) L = 0.0f;
    if (line3d) {
        f64 d3[3] = {f64(end[0]) - start[0], f64(end[1]) - start[1], f64(end[2]) - start[2]};
        f64 l3 = std::sqrt(dot3(d3, d3));
        for (i32 k = 0; k < 3; ++k) LOCSDR[k] = l3 > 0 ? static_cast<f32>(d3[k] / l3) : 0.0f;
        LOCSW1 = static_cast<f32>(l3);
        LOCSZL = std::fmax(start[2], end[2]);
    } else {
        LOCSW1 = 0.0f;
    }
    LOCSW2 = L;
    LOCSW3 = 0.0f;
    LOCSGM = line3d ? 1 : 0;
    for (i32 k = 0; k < 3; ++k) LOCSP1[k] = start[k], LOCSP2[k] = end[k];
    f32 step = std::fmax(2.0f * tol, LOCDIA / 6.0f);
    if (step > L / 2 && L > 0) step = L / 2;
    if (LOCCST == 3 && !raw && step > LOCSLM && LOCSLM > 0) step = LOCSLM;
    f32 flat = std::fmax(4.0f * tol, 0.4f * step);
    if (raw) step = 0.5f, flat = 0.4f;
    const f32 thin = 0.2f * tol;
    const bool flat_end = eqval0(LOCCRN) != 0;
    const bool zero_dia = LOCZDI != 0;
    // Continuation of the previous string.
    i32 f = 1, g = 1;
    f32 t0 = 0.0f;
    if (!raw && restart == 0 && NETCNT >= 2) {
        const f32* ref = swt ? last_normal_point : W.pnt(1);
        if (eqval(start[0], ref[0]) && eqval(start[1], ref[1])) {
            f = 0, g = 2;
            t0 = std::fmax(5.0f * tol, step / 4);
            t0 = std::fmin(t0, step);
            if (t0 > L / 2) t0 = L / 2;
        }
    }
    static f32 cz[CONTACTS], cpt[3 * CONTACTS];
    static i32 ck[CONTACTS], cp[CONTACTS];
    const LocRes res{cz, ck, cp, cpt};
    i32 npos = 0;
    bool height_abort = false;
    // Positions the tool at distance t into record i.
    const bool mode7 = mode == 7;
    auto position = [&](i32 i, f32 t) -> bool {
        if (++npos % 200 == 0) CHKINT();
        f32* r = W.rec(i);
        if (mode7) {
            // The walk keeps its distances; the record keeps what it held.
            r[NRPAR] = t;
            return true;
        }
        NETPOS += 1.0;
        std::memset(r, 0, NR_WORDS * sizeof(f32));
        r[NRPAR] = t;
        f32 p[3] = {start[0] + t * dir[0], start[1] + t * dir[1], from_height ? start[2] : 0.0f};
        if (point_line) p[0] = start[0], p[1] = start[1];
        bool use_triangles = !swt;
        if (swt) {
            // Normal approach against the stored 3-D line.
            f32 q[3] = {p[0], p[1], 0}, qz = 0;
            i32 zs = 0;
            ZONSEG(LOCSP1, LOCSP2, q, qz, zs);
            q[2] = qz;
            f32 nq[3];
            i32 ns = 0;
            NRMINT(LOCSP1, LOCSP2, LOCSN1, LOCSN2, q, nq, ns);
            if (zs < 0 || (eqval0(nq[0]) && eqval0(nq[1]))) {
                use_triangles = true;
            } else {
                bool done = false;
                for (f32 dd : {0.1f * LOCDIA, 0.2f * LOCDIA}) {
                    f32 A[3] = {q[0] + dd * nq[0], q[1] + dd * nq[1], q[2] + dd * nq[2]};
                    f32 B[3] = {q[0] - dd * nq[0], q[1] - dd * nq[1], q[2] - dd * nq[2]};
                    f32 pos[3], con[3], nrm[3];
                    i32 ts = 0;
                    LINNETH(4, A, B, std::fmin(A[2], q[2]), tol, LOCOFA, LOCOFB, pos, con, nrm, ts);
                    if (ts < 0) continue;
                    f64 tl, th;
                    i32 fd;
                    TRVGET(tl, th, fd);
                    if (tl > dd + tol) continue;
                    if (th > dd) {
                        for (i32 k = 0; k < 3; ++k) pos[k] = q[k], nrm[k] = nq[k];
                    }
                    for (i32 k = 0; k < 3; ++k) r[NRPNT + k] = pos[k], r[NRTNM + k] = nrm[k], r[NRSNM + k] = nrm[k];
                    i32 node, index;
                    TRVTRI(node, index);
                    i32 code = 1;
                    if (node >= 0) {
                        const i32* ent = qtnbas(node) + static_cast<size_t>(index) * TRG_WORDS;
                        const i32* rec = srfrec(LOCSRB, ent[TRG_SRF]);
                        code = (rec[0] == 2 || rec[0] == 3) ? -rec[SRF_ID] : rec[SRF_ID];
                        if (code == -1) code = 1;
                    }
                    reinterpret_cast<i32*>(r)[NRCOD] = code;
                    done = true;
                    break;
                }
                if (!done) {
                    r[NRPNT] = p[0], r[NRPNT + 1] = p[1], r[NRPNT + 2] = q[2];
                    r[NRTNM + 2] = 1.0f;
                    reinterpret_cast<i32*>(r)[NRCOD] = -1;
                }
                for (i32 k = 0; k < 3; ++k) last_normal_point[k] = r[NRPNT + k];
            }
        }
        if (use_triangles) {
            i32 ntri = 0, count = 0, ds = 0;
            f32 z = 0, dn[3] = {0, 0, 1};
            const i32 dmode = from_height ? 11 : 1, ttype = 0;
            LOCPNT(dmode, ttype, p, tol, ntri, z, dn, CONTACTS, count, res, ds);
            if (ds < 0) {
                status = -1;
                return false;
            }
            if (from_height && z > start[2] + 0.5f * tol) {
                height_abort = true;
                return false;
            }
            i32 code = 0;
            f32 sn[3] = {0, 0, 1}, con[3] = {p[0], p[1], z}, tn[3] = {0, 0, 1};
            if (count > 0) {
                i32 srf = 0, higher = 0, ss = 0;
                const i32 ref = -1;
                LOCSEL(tol, p, z, sn, con, srf, ref, count, cz, ck, cp, cpt, higher, ss);
                if (ss < 0) {
                    // No contact qualified: a failure (-2 is the segment-code answer).
                    status = -1;
                    return false;
                }
                code = ss == 4 ? -srf : srf;
                if (ss == 0 && code == 0 && line3d) code = 1;
                if (!zero_dia) {
                    f32 tip[3] = {p[0], p[1], z};
                    i32 ns = 0;
                    const f32 e0 = 0.0f;
                    CNTNRM(LOCDIA, LOCCRN, LOCTAP, e0, LOCCUT, tip, con, tn, ns);
                } else {
                    for (i32 k = 0; k < 3; ++k) tn[k] = sn[k];
                }
                if (tn[2] > -1e-6f && tn[2] < 1e-6f) {
                    f32 vx = p[0] - con[0], vy = p[1] - con[1];
                    if (tn[0] * vx + tn[1] * vy < 0.0f) tn[0] = -tn[0], tn[1] = -tn[1];
                }
            }
            r[NRPNT] = p[0], r[NRPNT + 1] = p[1], r[NRPNT + 2] = z;
            for (i32 k = 0; k < 3; ++k) r[NRTNM + k] = tn[k], r[NRSNM + k] = sn[k];
            reinterpret_cast<i32*>(r)[NRCOD] = code;
        }
        r[NRDOT] = NETAXM == 1 ? static_cast<f32>(dot3f(r + NRTNM, r + NRSNM)) : 1.0f;
        return true;
    };
    auto grow = [&](i32 need) -> bool {
        if (need < W.cap - 100) return true;
        void* nb = nullptr;
        i32 gs = 0;
        MM_RESIZE_ARRAY(net_handle, NET_START, nb, gs);
        if (gs != 0) {
            eroutc("LINNETN, DYNAMIC MEMORY ERROR", 0);
            return false;
        }
        W.b = static_cast<f32*>(nb);
        W.cap += NET_START;
        work_cap = W.cap;
        return true;
    };
    i32 n = g;  // last record in use
    if (avail) {
        // The projection road: the library's pieces, point by point, from
        // record 1 on; a copy of a piece's last record with code 0 breaks
        // the strings between two pieces.
        f = g = 1;
        n = 0;
        prj_segment(prj_index, start, end);
        bool more = prj_seg_first() != 0;
        while (more) {
            if (n >= 1) {
                if (!grow(n + 1)) {
                    status = -1;
                    return finish_early();
                }
                std::memcpy(W.rec(n + 1), W.rec(n), NR_WORDS * sizeof(f32));
                W.code(n + 1) = 0;
                ++n;
            }
            while (prj_pt_next()) {
                if (!grow(n + 1)) {
                    status = -1;
                    return finish_early();
                }
                ++n;
                f32 words[2], word = 0, tn[3], sn[3];
                i32 marker = 0, code = 0;
                f32* r = W.rec(n);
                prj_pt_read(r + NRPNT, words, word, tn, sn, marker, code);
                for (i32 k = 0; k < 3; ++k) r[NRTNM + k] = tn[k], r[NRSNM + k] = sn[k];
                if (marker == 1 && prj_get_use() == 0) code = -code;
                W.code(n) = code;
                W.par(n) = static_cast<f32>(std::hypot(f64(r[NRPNT]) - start[0], f64(r[NRPNT + 1]) - start[1]));
                r[NRDOT] = NETAXM == 1 ? static_cast<f32>(dot3f(r + NRTNM, r + NRSNM)) : 1.0f;
            }
            more = prj_seg_next() != 0;
        }
    } else {
        // Refinement along the line.
        if (!position(g, t0)) {
            if (status == 0 && !height_abort) status = -1;
            if (height_abort) status = 0;
            return finish_early();
        }
        i32 i = g;
        for (i32 guard = 0; guard < 10000000; ++guard) {
            bool accept = false;
            if (point_line) break;
            if (i - 1 < f) {
                accept = true;
            } else {
                const f32 dt = W.par(i) - W.par(i - 1);
                const f32 dz = std::fabs(W.pnt(i - 1)[2] - W.pnt(i)[2]);
                const i32 c0 = W.code(i - 1), c1 = W.code(i);
                bool change = false;
                if (!(i - 1 < g || c0 == c1))
                    change = c0 == 0 || c1 == 0 || dt > LOCCRN || ((c0 < 0) != (c1 < 0)) ||
                             dot3f(W.tnm(i - 1), W.tnm(i)) < 0.999;
                if (dt < tol / 4 || (dt < tol && !change) || (c0 < 0 && c1 < 0 && i - 1 >= g)) {
                    accept = true;
                } else if (change) {
                    accept = false;
                } else if (i == f + 2 && !triple_fits(W.pnt(f), W.pnt(f + 1), W.pnt(f + 2), tol, flat_end, true)) {
                    i -= 1;
                    accept = false;
                } else if (i - 2 >= f && !triple_fits(W.pnt(i - 2), W.pnt(i - 1), W.pnt(i), tol, flat_end, false)) {
                    accept = false;
                } else if (NETAXM == 1 && ((W.dot(i - 1) < 0.999999f) != (W.dot(i) < 0.999999f))) {
                    accept = false;
                } else if (normal_asks(W.pnt(i - 1), W.pnt(i), W.tnm(i - 1), W.tnm(i), W.snm(i - 1), W.snm(i), tol)) {
                    accept = false;
                } else if (zero_dia || i - 1 < f || (dt <= flat && dz <= step)) {
                    accept = true;
                } else {
                    i32 ss = 0;
                    accept = NETSPN(W.pnt(i - 1), W.pnt(i), tol, ss) == 0;
                    if (ss < 0) {
                        status = ss;
                        return finish_early();
                    }
                }
            }
            if (!accept) {
                // A point between i - 1 and i.
                if (!grow(n + 1)) {
                    status = -1;
                    return finish_early();
                }
                const f32 t = 0.5f * (W.par(i - 1) + W.par(i));
                std::memmove(W.rec(i + 1), W.rec(i), static_cast<size_t>(n - i + 1) * NR_WORDS * sizeof(f32));
                ++n;
                if (!position(i, t)) {
                    if (height_abort) status = 0;
                    return finish_early();
                }
                continue;
            }
            if (geval(W.par(i), L)) break;
            if (i < n) {
                ++i;
                continue;
            }
            if (!grow(n + 1)) {
                status = -1;
                return finish_early();
            }
            f32 t = W.par(n) + step;
            if (t > L) t = L;
            ++n;
            i = n;
            if (!position(i, t)) {
                if (height_abort) status = 0;
                return finish_early();
            }
        }
    }
    if (point_line && W.code(g) == 0) n = g - 1;  // nothing under the tool: no point
    if (raw) {
        pnttot = n + 1;
        NETCNT = 0;
        LOCRST();
        return;
    }
    // Strings.
    std::vector<i32> order;  // record indices in line order, records doubled where lifted
    for (i32 k = f; k <= n; ++k) order.push_back(k);
    std::vector<f32> zs(order.size());
    std::vector<i32> codes(order.size());
    for (size_t k = 0; k < order.size(); ++k) zs[k] = W.pnt(order[k])[2], codes[k] = W.code(order[k]);
    if (HEI8[HEI8_ABSOLUTE] == 0) {
        // Runs of negative codes that end in a positive code are lifted.
        std::vector<i32> o2;
        std::vector<f32> z2;
        std::vector<i32> c2;
        size_t k = 0;
        while (k < order.size()) {
            if (codes[k] >= 0) {
                o2.push_back(order[k]), z2.push_back(zs[k]), c2.push_back(codes[k]);
                ++k;
                continue;
            }
            size_t e = k;
            while (e < order.size() && codes[e] < 0) ++e;
            if (e >= order.size() || codes[e] == 0) {
                for (; k < e; ++k) o2.push_back(order[k]), z2.push_back(zs[k]), c2.push_back(codes[k]);
                continue;
            }
            f32 top = -1.0e30f;
            for (size_t j = k; j <= e; ++j) top = std::fmax(top, zs[j]);
            top += hei8r(HEI8_INCR);
            o2.push_back(order[k]), z2.push_back(zs[k]), c2.push_back(codes[k]);  // first copy keeps its height
            for (size_t j = k; j < e; ++j) o2.push_back(order[j]), z2.push_back(top), c2.push_back(codes[j]);
            o2.push_back(order[e - 1]), z2.push_back(top), c2.push_back(codes[e - 1]);  // last doubled
            o2.push_back(order[e]), z2.push_back(top), c2.push_back(codes[e]);          // the positive end
            k = e + 1;
        }
        order.swap(o2), zs.swap(z2), codes.swap(c2);
        for (i32& c : codes) c = c < 0 ? -c : c;
        // Leading and trailing records without contact are dropped; the
        // first string begins at the first record with a contact.
        size_t a = 0, b = order.size();
        while (a < b && codes[a] <= 0) ++a;
        while (b > a && codes[b - 1] <= 0) --b;
        order = std::vector<i32>(order.begin() + a, order.begin() + b);
        zs = std::vector<f32>(zs.begin() + a, zs.begin() + b);
        codes = std::vector<i32>(codes.begin() + a, codes.begin() + b);
    }
    const i32 most = capacity / 3;
    std::vector<f32> pts, tmp;
    i32 last_len = 0;
    f32 tail[16];  // the temporary records of the last string's last two points
    size_t k = 0;
    while (k < order.size()) {
        size_t e = k;
        while (e < order.size() && codes[e] == codes[k]) ++e;
        if (codes[k] <= 0) {
            k = e;
            continue;
        }
        pts.clear();
        tmp.clear();
        for (size_t j = k; j < e; ++j) {
            const i32 r = order[j];
            pts.insert(pts.end(), {W.pnt(r)[0], W.pnt(r)[1], zs[j]});
            f32 t8[8] = {W.tnm(r)[0], W.tnm(r)[1], W.tnm(r)[2], W.snm(r)[0], W.snm(r)[1], W.snm(r)[2],
                         wrd2r(codes[j]), (NETAXM == 1 && W.dot(r) < 0.999999f) ? 1.0f : 0.0f};
            tmp.insert(tmp.end(), t8, t8 + 8);
        }
        i32 np = static_cast<i32>(e - k);
        if (np > 2) {
            const i32 dim = 3, pd = 8;
            if (LOCCST == 3)
                dladst(np, pts.data(), dim, mode == 2 ? nullptr : tmp.data(), pd, thin, LOCSLM);
            else
                dilula(np, pts.data(), dim, mode == 2 ? nullptr : tmp.data(), pd, thin);
        }
        if (pnttot + np > most) {
            erou1c("[LINNETN] MAXIMUM NUMBER OF POINTS IN A STRING :", hval(most));
            status = -1;
            break;
        }
        if (pntnst >= pntmxs) {
            erou1c("[LINNETN] ONLY ", hval(pntmxs), " STRINGS ARE AVAILABLE");
            pntnst = pntmxs;
            status = -1;
            break;
        }
        for (i32 j = 0; j < np; ++j) {
            const i32 o = pnttot + j;
            for (i32 c = 0; c < 3; ++c) pntxyz[3 * o + c] = pts[3 * j + c];
            if (mode != 2 && pntnrm)
                for (i32 c = 0; c < 3; ++c) pntnrm[3 * o + c] = tmp[8 * j + c];
            if (with_snm && pntsnm)
                for (i32 c = 0; c < 3; ++c) pntsnm[3 * o + c] = tmp[8 * j + 3 + c];
            if ((mode == 4 || mode == 5) && pntflg) {
                i32 c = r2wrd(tmp[8 * j + 6]);
                pntflg[o] = (NETAXM == 1 && tmp[8 * j + 7] != 0.0f) ? -c : c;
            }
        }
        pntlen[pntnst] = np;
        ++pntnst;
        pnttot += np;
        last_len = np;
        if (np > 1) std::memcpy(tail, tmp.data() + 8 * (np - 2), sizeof tail);
        k = e;
    }
    // Record 1 keeps the last positioned record, at distance 0; the last
    // string's last two points, with their normals, codes and surface
    // normals as output, go into records 0 and 1 for a continuation.
    if (n > 1) std::memcpy(W.rec(1), W.rec(n), NR_WORDS * sizeof(f32));
    W.par(1) = 0.0f;
    if (pntnst > 0 && last_len > 1) {
        const i32 o = pnttot - 2;
        for (i32 j = 0; j < 2; ++j) {
            f32* r = W.rec(j);
            const f32* t8 = tail + 8 * j;
            for (i32 c = 0; c < 3; ++c)
                r[NRPNT + c] = pntxyz[3 * (o + j) + c], r[NRTNM + c] = t8[c], r[NRSNM + c] = t8[3 + c];
            reinterpret_cast<i32*>(r)[NRCOD] = r2wrd(t8[6]);
            r[NRDOT] = NETAXM == 1 ? static_cast<f32>(dot3f(r + NRTNM, r + NRSNM)) : 1.0f;
        }
        W.par(0) = -std::sqrt((pntxyz[3 * (o + 1)] - pntxyz[3 * o]) * (pntxyz[3 * (o + 1)] - pntxyz[3 * o]) +
                              (pntxyz[3 * (o + 1) + 1] - pntxyz[3 * o + 1]) * (pntxyz[3 * (o + 1) + 1] - pntxyz[3 * o + 1]));
        W.par(1) = 0.0f;
    }
    // Three-dimensional ends.
    if (line3d || MACTYP == 2) {
        // The ends as the drop left them: on a vertical line it raises the
        // lower end to the contact it meets.
        const bool hi_start = start[2] >= end[2];
        const f32* hi = hi_start ? LOCSP1 : LOCSP2;
        const f32* lo = hi_start ? LOCSP2 : LOCSP1;
        const bool lone = pntnst == 1 && pnttot == 1;
        if (L >= 0.0005f || !lone || (pntxyz[2] > hi[2] && !eqval(pntxyz[2], hi[2]))) {
            if (pntnst > 0) {
                f32* first = pntxyz;
                f32* last = pntxyz + 3 * (pnttot - 1);
                if (eqval(first[0], start[0]) && eqval(first[1], start[1]) && first[2] < start[2])
                    first[2] = start[2];
                if (eqval(last[0], end[0]) && eqval(last[1], end[1]) && last[2] < end[2]) last[2] = end[2];
            }
        } else if (capacity / 3 >= 2) {
            // A vertical line whose one point lies at or below its upper end:
            // one string of two points in the line's direction, the upper end
            // added; a point below the lower end becomes the lower end.
            const bool nrm_out = mode != 2 && pntnrm;
            const bool snm_out = with_snm && pntsnm;
            const bool flg_out = (mode == 4 || mode == 5) && pntflg;
            f32 p[3] = {pntxyz[0], pntxyz[1], pntxyz[2]}, pn[3] = {0, 0, 1}, ps[3] = {0, 0, 1};
            i32 pc = flg_out ? pntflg[0] : LOCSRF;
            if (nrm_out) std::memcpy(pn, pntnrm, sizeof pn);
            if (snm_out) std::memcpy(ps, pntsnm, sizeof ps);
            const f32* lon = hi_start ? LOCSN2 : LOCSN1;
            if (p[2] < lo[2]) {
                std::memcpy(p, lo, sizeof p);
                std::memcpy(pn, lon, sizeof pn);
                std::memcpy(ps, lon, sizeof ps);
                pc = LOCSRF;
            }
            const f32* hin = hi_start ? LOCSN1 : LOCSN2;
            const i32 at_p = hi_start ? 1 : 0, at_hi = 1 - at_p;
            std::memcpy(pntxyz + 3 * at_p, p, sizeof p);
            std::memcpy(pntxyz + 3 * at_hi, hi, 3 * sizeof(f32));
            if (nrm_out) std::memcpy(pntnrm + 3 * at_p, pn, sizeof pn), std::memcpy(pntnrm + 3 * at_hi, hin, sizeof pn);
            if (snm_out) std::memcpy(pntsnm + 3 * at_p, ps, sizeof ps), std::memcpy(pntsnm + 3 * at_hi, hin, sizeof ps);
            if (flg_out) pntflg[at_p] = pc, pntflg[at_hi] = LOCSRF;
            pntlen[0] = 2;
            pnttot = 2;
            last_len = 2;
        }
    }
    // Finish.
    NETCNT = 0;
    if (pntnst > 0 && last_len > 1) {
        const f32* lp = pntxyz + 3 * (pnttot - 1);
        if (eqval(lp[0], end[0]) && eqval(lp[1], end[1])) NETCNT = last_len > 2 ? 3 : 2;
    }
    if (HEI8[HEI8_CLAMP] != 0)
        for (i32 j = 0; j < pnttot; ++j) pntxyz[3 * j + 2] = std::fmin(std::fmax(pntxyz[3 * j + 2], LOCZMN), LOCZMX);
    if (status >= 0 && HEI8[HEI8_ABSOLUTE] != 0 && n >= f && W.code(n) == 0) status = 1;
    LOCRST();
    if (NETAXM == 2 && mode != 2)
        NETNCH(thin, pntxyz, pntnrm, (with_snm && pntsnm) ? pntsnm : nullptr,
               (mode == 4 || mode == 5) ? pntflg : nullptr, pntnst, pntlen, pnttot);
}

namespace {

// Foot of Q on the segment A-B and its distance from Q; code -1 for a
// degenerate segment (foot A), 1 and 2 at A and B, 3 and 4 before A and
// beyond B (foot at that end), 0 between.
f64 segfoot(const f32* Q, const f32* A, const f32* B, f32* foot, i32& code)
{
    f64 d[3] = {f64(B[0]) - A[0], f64(B[1]) - A[1], f64(B[2]) - A[2]};
    const f64 l = std::sqrt(dot3(d, d));
    f64 s = 0.0;
    if (v3unitd(d) != 0) {
        code = -1;
    } else {
        s = (f64(Q[0]) - A[0]) * d[0] + (f64(Q[1]) - A[1]) * d[1] + (f64(Q[2]) - A[2]) * d[2];
        if (eqvl0d(s)) code = 1, s = 0.0;
        else if (eqvald(s, l)) code = 2, s = l;
        else if (s < 0.0) code = 3, s = 0.0;
        else if (s > l) code = 4, s = l;
        else code = 0;
    }
    for (i32 k = 0; k < 3; ++k) foot[k] = static_cast<f32>(A[k] + s * d[k]);
    f64 q = 0.0;
    for (i32 k = 0; k < 3; ++k) q += (f64(Q[k]) - foot[k]) * (f64(Q[k]) - foot[k]);
    return std::sqrt(q);
}

}  // namespace

void NETNCH(const f32& e, f32* xyz, f32* nrm, f32* snm, i32* flg, const i32& nst, i32* len, i32& tot)
{
    if (!nrm) return;  // the test needs the tool normals
    i32 at = 0;
    for (i32 s = 0; s < nst; ++s) {
        for (i32 i = 0; i + 3 < len[s]; ++i) {
            const i32 o = at + i;
            const f32* P0 = xyz + 3 * o;
            const f32* P1 = P0 + 3;
            const f32* P2 = P0 + 6;
            const f32* P3 = P0 + 9;
            const f64 dx = f64(P1[0]) - P2[0], dy = f64(P1[1]) - P2[1], dz = f64(P1[2]) - P2[2];
            if (std::sqrt(dx * dx + dy * dy) > 0.5 * e || std::sqrt(dx * dx + dy * dy + dz * dz) > 2.0 * e) continue;
            if (!(dot3f(nrm + 3 * (o + 1), nrm + 3 * (o + 2)) > 0.9)) continue;
            f64 u[3] = {f64(P0[0]) - P1[0], f64(P0[1]) - P1[1], f64(P0[2]) - P1[2]};
            f64 w[3] = {f64(P2[0]) - P3[0], f64(P2[1]) - P3[1], f64(P2[2]) - P3[2]};
            if (v3unitd(u) != 0 || v3unitd(w) != 0 || !(dot3(u, w) < 0.3)) continue;
            f32 f1[3], f2[3];
            i32 c1 = 0, c2 = 0;
            const f32 d1 = static_cast<f32>(segfoot(P1, P0, P3, f1, c1));
            const f32 d2 = static_cast<f32>(segfoot(P2, P0, P3, f2, c2));
            const f32 lim = 4.0f * e;
            if (!(c1 == -1 || !gtval(d1, lim)) || !(c2 == -1 || !gtval(d2, lim))) continue;
            if (!ltval(P1[2], f1[2]) || !ltval(P2[2], f2[2])) continue;
            // The two points go; the rest of the output moves down by two.
            const i32 from = o + 3, rest = tot - from;
            auto down = [&](f32* a, i32 w) {
                if (a) std::memmove(a + w * (o + 1), a + w * from, static_cast<size_t>(rest) * w * sizeof(f32));
            };
            down(xyz, 3), down(nrm, 3), down(snm, 3);
            if (flg) std::memmove(flg + o + 1, flg + from, static_cast<size_t>(rest) * sizeof(i32));
            len[s] -= 2;
            tot -= 2;
        }
        at += len[s];
    }
}

namespace {

// Link-string record (16 words).
struct Ln5Rec {
    f32 pos[3], lin[3], nrm[3], axs[3];
    i32 tri;
    f32 par;
    i32 far, ok;
};
static_assert(sizeof(Ln5Rec) == 64, "16 words");

i32 ln5_handle = -1, ln5_cap = -1;
Ln5Rec LN5CAR;

void ln5_reset_carry()
{
    std::memset(&LN5CAR, 0, sizeof LN5CAR);
    for (i32 k = 0; k < 3; ++k) LN5CAR.lin[k] = LN5CAR.axs[k] = 1.0e8f;
}

const bool ln5_ready = (ln5_reset_carry(), true);

Ln5Rec* ln5_base()
{
    void* b = nullptr;
    mmcptr(ln5_handle, b);
    return static_cast<Ln5Rec*>(b);
}

}  // namespace

void LN5INI()
{
    ln5_handle = -1;
    ln5_cap = -1;
    ln5_reset_carry();
}

void LN5FRE(i32& status)
{
    status = 0;
    if (ln5_handle >= 0) MM_CLOSE(ln5_handle, status);
    LN5INI();
}

void LINE5X(const i32& unused, const f32* start, const f32* end, const f32& tolerance, const f32& allowance_a,
            const f32& allowance_b, const i32& maxpoints, const i32& maxstrings, f32* points, f32* axes,
            i32& nstrings, i32* counts, i32& total, i32& status)
{
    status = 0;
    nstrings = 0;
    total = 0;
    for (i32 k = 0; k < maxstrings; ++k) counts[k] = 0;
    f32 d = 0, cr = 0;
    GTDIAM(CURTOL, d);
    LOCDIA = d;
    if (!(d > 0.0f)) return;
    GTCRNR(CURTOL, cr);
    const f32 R = d * 0.5f;
    const f32 tol = tolerance;
    f64 len3 = std::sqrt((f64(end[0]) - start[0]) * (f64(end[0]) - start[0]) +
                         (f64(end[1]) - start[1]) * (f64(end[1]) - start[1]) +
                         (f64(end[2]) - start[2]) * (f64(end[2]) - start[2]));
    const f32 L = static_cast<f32>(len3);
    f32 step = std::fmax(2.0f * tol, R);
    if (step > L / 2 && L > 0) step = L / 2;
    const f32 farlim = std::fmax(std::fmin(10.0f * tol, R / 2), cr);
    const f32 thin = tol / 4;
    LOCAXM = 1;
    if (ln5_handle < 0) {
        void* b = nullptr;
        i32 st = 0;
        const i32 cap = maxpoints > 8 ? maxpoints : 8;
        MM_OPEN_ARRAY(static_cast<i32>(sizeof(Ln5Rec)), cap, ln5_handle, b, st);
        if (st != 0) {
            ln5_handle = -1;
            status = st;
            return;
        }
        ln5_cap = cap;
    }
    Ln5Rec* W = ln5_base();
    W[0].par = 0.0f;
    auto position = [&](i32 i) -> i32 {
        Ln5Rec& r = W[i];
        const f64 w = L > 0 ? f64(r.par) / L : 0.0;
        for (i32 k = 0; k < 3; ++k) {
            r.lin[k] = static_cast<f32>((1.0 - w) * start[k] + w * end[k]);
            r.axs[k] = static_cast<f32>((1.0 - w) * LOCSN1[k] + w * LOCSN2[k]);
            LOCTAX[k] = r.axs[k];
        }
        const Ln5Rec& prev = i == 0 ? LN5CAR : W[i - 1];
        if (eqvl0d(dist3_sq(r.lin, prev.lin)) && eqvl0d(dist3_sq(r.axs, prev.axs)) && (prev.ok || i == 0)) {
            const f32 par = r.par;
            r = prev;
            r.par = par;
            return 0;
        }
        f32 p[3] = {r.lin[0], r.lin[1], r.lin[2]}, res[3], con[3];
        i32 srf = -1, st = 0;
        const i32 m0 = 0;
        PNTNET(m0, p, tol, allowance_a, allowance_b, res, con, r.nrm, srf, st);
        if (st < 0) return st;
        for (i32 k = 0; k < 3; ++k) r.pos[k] = res[k];
        // A contact on a protected surface counts where the tool stands on
        // the link itself.
        if (MACTYP != 14 && st == 4 && dist3_sq(r.pos, r.lin) <= f64(tol) * tol) st = 0;
        r.tri = srf;
        r.ok = st == 0 ? 1 : 0;
        r.far = (MACTYP != 14 && r.ok && dist3_sq(r.pos, r.lin) >= f64(farlim) * farlim) ? 1 : 0;
        return 0;
    };
    i32 i = 0, n = 0;
    i32 ps = position(0);
    if (ps < 0) {
        status = ps;
        return;
    }
    for (i32 guard = 0; guard < 1000000; ++guard) {
        if (i > ln5_cap - 3 || n > ln5_cap - 3) {
            void* b = nullptr;
            i32 st = 0;
            MM_RESIZE_ARRAY(ln5_handle, 1000, b, st);
            if (st != 0) {
                status = -1;
                return;
            }
            ln5_cap += 1000;
            W = ln5_base();
        }
        bool accept = i == 0;
        if (!accept) {
            const f64 d2 = dist3_sq(W[i].pos, W[i - 1].pos);
            const f32 dp = W[i].par - W[i - 1].par;
            if (d2 <= 4.0 * tol * tol || dp <= tol / 4) {
                accept = true;
            } else {
                bool same = W[i].far == W[i - 1].far && W[i].ok == W[i - 1].ok &&
                            (!W[i].ok || d2 <= f64(R) * R) && dot3f(W[i].nrm, W[i - 1].nrm) >= 0.9962 &&
                            (i < 2 || triple_fits(W[i - 2].pos, W[i - 1].pos, W[i].pos, tol, false, false) ||
                             !W[i].ok);
                accept = (dp <= tol || same) && (W[i].tri == W[i - 1].tri || !W[i].ok || !W[i - 1].ok);
            }
        }
        if (accept) {
            if (geval(W[i].par, L)) break;
            if (i > n) n = i;
            ++i;
            if (i > n) {
                f32 t = W[i - 1].par + (i == 1 ? 0.3f * step : step);
                if (t > L) t = L;
                W[i].par = t;
                ps = position(i);
                if (ps < 0) {
                    status = ps;
                    return;
                }
            }
            continue;
        }
        if (i > n) {
            W[i + 1] = W[i];
            n += 2;
        } else {
            std::memmove(W + i + 1, W + i, static_cast<size_t>(n - i + 1) * sizeof(Ln5Rec));
            n += 1;
        }
        W[i].par = 0.5f * (W[i - 1].par + W[i + 1].par);
        ps = position(i);
        if (ps < 0) {
            status = ps;
            return;
        }
    }
    if (i > n) n = i;
    // Strings.
    i32 cur = -1;
    bool gap = false;
    const f32* lastp = nullptr;
    for (i32 k = 0; k <= n; ++k) {
        const Ln5Rec& r = W[k];
        if (MACTYP == 14 && !r.ok) {
            gap = true;
            continue;
        }
        bool fresh = cur < 0;
        if (!fresh && counts[cur] > 0 && lastp && dist3_sq(lastp, r.pos) > f64(R) * R)
            fresh = MACTYP == 14 ? gap : (r.far == 0 && r.ok == 1);
        if (fresh) {
            if (cur + 1 >= maxstrings) {
                erou1c("[LINE5X]ONLY ", hval(maxstrings), " STRINGS ARE AVAILABLE");
                nstrings = maxstrings;
                status = -1;
                return;
            }
            ++cur;
        }
        gap = false;
        if (total >= maxpoints - 2) {
            erou1c("[LINE5X]MAXIMUM NUMBER OF POINTS IN A STRING :", hval(total));
            status = -1;
            break;
        }
        for (i32 c = 0; c < 3; ++c) points[3 * total + c] = r.pos[c], axes[3 * total + c] = r.axs[c];
        lastp = points + 3 * total;
        ++counts[cur];
        ++total;
    }
    LN5CAR = W[n];
    // Thin each string, closing the gaps.
    i32 at = 0, out = 0;
    for (i32 s2 = 0; s2 <= cur; ++s2) {
        i32 np = counts[s2];
        if (np > 0) {
            std::memmove(points + 3 * out, points + 3 * at, static_cast<size_t>(np) * 3 * sizeof(f32));
            std::memmove(axes + 3 * out, axes + 3 * at, static_cast<size_t>(np) * 3 * sizeof(f32));
            const i32 dim = 3;
            i32 m = np;
            dilula(m, points + 3 * out, dim, axes + 3 * out, dim, thin);
            at += np;
            counts[s2] = m;
            out += m;
        }
    }
    total = out;
    nstrings = cur + 1 > 1 ? cur + 1 : 1;
    (void)ln5_ready;
}
