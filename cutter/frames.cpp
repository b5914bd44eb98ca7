#include "cutter/frames.h"

#include <cmath>

#include "cutter/congeo.h"
#include "core/host.h"
#include "core/hostmat.h"
#include "surfaces/trimodel.h"

namespace {

// Frame cache: the last axis and reference point, the rotation and its inverse.
f32 last_axis[3] = {-10.0f, -10.0f, -10.0f};
f32 last_point[3] = {-99999.0f, -99999.0f, -99999.0f};
f32 M[9], MI[9];

}  // namespace

void FRMSET(const f32* point, const f32* axis)
{
    bool same = true;
    for (i32 k = 0; k < 3; ++k)
        if (std::fabs(axis[k] - last_axis[k]) > 1e-5f || std::fabs(point[k] - last_point[k]) > 1e-4f) same = false;
    if (same) return;
    for (i32 k = 0; k < 3; ++k) last_axis[k] = axis[k], last_point[k] = point[k];
    const f32 plane[4] = {axis[0], axis[1], axis[2],
                          static_cast<f32>(-(f64(point[0]) * axis[0] + f64(point[1]) * axis[1] + f64(point[2]) * axis[2]))};
    plrot(plane, M);
    i32 st = 0;
    m3inv(M, MI, st);
    if (st != 0)
        for (i32 k = 0; k < 9; ++k) MI[k] = M[k];
}

void FRMROT(const f32* point, const f32* axis, f32* p)
{
    FRMSET(point, axis);
    m3vec(M, p, p);
}

void FRMBCK(f32* p)
{
    m3vec(MI, p, p);
}

void TRGROT(const f32* point, const f32* axis, const f32* nodes, const i32* entry, i32* copy, i32* box,
            f32* corners)
{
    FRMSET(point, axis);
    for (i32 k = 0; k < TRG_WORDS; ++k) copy[k] = entry[k];
    for (i32 v = 0; v < 3; ++v) m3vec(M, nodept(nodes, entry[TRG_NODE + v]), corners + 3 * v);
    f32 n[3] = {wrd2r(entry[TRG_NRM]), wrd2r(entry[TRG_NRM + 1]), wrd2r(entry[TRG_NRM + 2])}, nt[3];
    m3vec(M, n, nt);
    f32 d = -(corners[0] * nt[0] + corners[1] * nt[1] + corners[2] * nt[2]);
    if (nt[2] < 0.0f) {
        for (f32& c : nt) c = -c;
        d = -d;
    }
    for (i32 k = 0; k < 3; ++k) copy[TRG_NRM + k] = r2wrd(nt[k]);
    copy[TRG_PLANE] = r2wrd(d);
    f32 xlo = corners[0], xhi = corners[0], ylo = corners[1], yhi = corners[1];
    for (i32 v = 1; v < 3; ++v) {
        xlo = std::fmin(xlo, corners[3 * v]);
        xhi = std::fmax(xhi, corners[3 * v]);
        ylo = std::fmin(ylo, corners[3 * v + 1]);
        yhi = std::fmax(yhi, corners[3 * v + 1]);
    }
    copy[TRG_BOX] = static_cast<i32>(xlo * 1000.0f - 1.0f);
    copy[TRG_BOX + 1] = static_cast<i32>(ylo * 1000.0f - 1.0f);
    copy[TRG_BOX + 2] = static_cast<i32>(xhi * 1000.0f + 1.0f);
    copy[TRG_BOX + 3] = static_cast<i32>(yhi * 1000.0f + 1.0f);
    for (i32 k = 0; k < 4; ++k) box[k] = copy[TRG_BOX + k];
}

void CNTTIP(const f32& d, const f32& r, const f32& a, const f32* tip, const f32* n, f32* contact, i32& status)
{
    status = 0;
    f32 k = eqval0(a) ? r : static_cast<f32>((1.0 - std::sin(f64(a))) * r / std::cos(f64(a)));
    f32 f = d * 0.5f - k;
    f32 m[3] = {n[0], n[1], n[2]};
    if (std::fabs(1.0f - std::fabs(n[2])) <= 0.00005f && !eqval0(f)) m[0] = 0, m[1] = 0, m[2] = 1;
    if (std::fabs(m[2]) < 0.05f) status = 1;
    if (m[2] < -0.0001f) status = -2;
    if (!eqval0(a) && ltval(m[2], static_cast<f32>(std::sin(f64(a))))) status = -3;
    f32 u[2] = {m[0], m[1]};
    if (v2unit(u) != 0) {
        contact[0] = tip[0], contact[1] = tip[1], contact[2] = tip[2];
        if (status == 0) status = 2;
        return;
    }
    contact[0] = tip[0] - f * u[0] - r * n[0];
    contact[1] = tip[1] - f * u[1] - r * n[1];
    contact[2] = tip[2] + r - r * n[2];
}

void ZONSEG(const f32* p1, const f32* p2, const f32* q, f32& z, i32& status)
{
    f32 dx = p2[0] - p1[0], dy = p2[1] - p1[1], dz = p2[2] - p1[2];
    status = 0;
    if (std::fabs(dy) < std::fabs(dx) && !eqval0(dx)) {
        z = (q[0] - p1[0]) / dx * dz + p1[2];
    } else if (eqval0(dy) || (eqval0(dx) && std::fabs(dy) <= std::fabs(dx))) {
        z = p1[2] < p2[2] ? p1[2] : p2[2];
        status = 1;
    } else {
        z = (q[1] - p1[1]) / dy * dz + p1[2];
    }
}

void NRMINT(const f32* p1, const f32* p2, const f32* na, const f32* nb, const f32* q, f32* n, i32& status)
{
    f64 d1 = 0, d2 = 0;
    for (i32 k = 0; k < 3; ++k) {
        d1 += (f64(q[k]) - p1[k]) * (f64(q[k]) - p1[k]);
        d2 += (f64(q[k]) - p2[k]) * (f64(q[k]) - p2[k]);
    }
    d1 = std::sqrt(d1), d2 = std::sqrt(d2);
    f64 w = eqvl0d(d1 + d2) ? 1.0 : d2 / (d1 + d2);
    f64 v[3];
    for (i32 k = 0; k < 3; ++k) v[k] = w * na[k] + (1.0 - w) * nb[k];
    status = v3unitd(v);
    for (i32 k = 0; k < 3; ++k) n[k] = static_cast<f32>(v[k]);
}

void V3QTRN(const i32& code, const f64* m, const f64* v, f64* w)
{
    f64 x = v[0], y = v[1], z = v[2];
    switch (code) {
    case 0:
        w[0] = m[0] * x + m[1] * y + m[2] * z;
        w[1] = m[3] * x + m[4] * y + m[5] * z;
        w[2] = m[6] * x + m[7] * y + m[8] * z;
        return;
    case 2:
    case -2: w[0] = -x, w[1] = -y, w[2] = z; return;
    case 3:
    case -4: w[0] = y, w[1] = -x, w[2] = z; return;
    case 4:
    case -3: w[0] = -y, w[1] = x, w[2] = z; return;
    default: w[0] = x, w[1] = y, w[2] = z; return;
    }
}

namespace {
// The host's tolerant equality of two doubles (eqvald), asked of the host
// only when their difference lies too near its tolerance to tell from tf,
// that tolerance as the host gives it in single precision.
inline bool tolerant_eq(f64 a, f64 b, f64 tf)
{
    const f64 d = std::fabs(a - b);
    if (tf > 1.0e-30) {
        if (d > tf * (1.0 + 1.0e-6)) return false;
        if (d < tf * (1.0 - 1.0e-6)) return true;
    }
    return eqvald(a, b) != 0;
}

// Tip height of the tool over a point given in double precision (TORTIP's
// rule without rounding the point); tf as above.
f64 tortip_d(const f32* ax, const f64* q, f64 R, f64 r, f64 tf)
{
    f64 dx = f64(ax[0]) - q[0], dy = f64(ax[1]) - q[1];
    f64 d = std::sqrt(dx * dx + dy * dy);
    if (d > R) return -1.0e10;
    if (d - r > 0.0) {
        f64 c = R - r, dd = d - r;
        f64 t = tolerant_eq(c, dd, tf) ? c : c - std::sqrt(std::fmax(c * c - dd * dd, 0.0));
        return q[2] - t;
    }
    return q[2];
}
}  // namespace

f32 TORTIP(const f32* ax, const f32* q, const f32& R, const f32& r)
{
    // In double inside: near the corner's rim the root loses every digit of
    // a single-precision difference.
    const f64 qd[3] = {q[0], q[1], q[2]};
    return static_cast<f32>(tortip_d(ax, qd, R, r, get_tolerance()));
}

f32 SEGTOR(const f32* p1, const f32* p2, const f32* u, const f32* ax, const f32& R, const f32& r, f32* best,
           i32& status)
{
    status = 0;
    const f32* h = p1[2] <= p2[2] ? p2 : p1;
    f32 dh = dist_xy(h, ax);
    if (dh <= r || eqval(dh, r)) {
        best[0] = h[0], best[1] = h[1], best[2] = h[2];
        status = 1;
        return h[2];
    }
    // The samples are taken by their distance from p1 along u, each point
    // computed afresh: a point advanced step by step in single precision
    // drifts off the segment by a rounding per step, and near the corner's
    // rim that drift lifts the height found by many times itself.
    const f64 L = dist3(p1, p2);
    auto at = [&](f64 t, f64* q) {
        for (i32 k = 0; k < 3; ++k) q[k] = p1[k] + t * u[k];
    };
    const f64 tf = get_tolerance();
    auto f = [&](f64 t) {
        f64 q[3];
        at(t, q);
        return tortip_d(ax, q, R, r, tf);
    };
    f64 b = f(0.0), tb = 0.0;
    f64 step = L / 10.0, ta = 0.0, te = L;
    while (!eqval0(static_cast<f32>(step))) {
        for (i32 i = 0; i <= 10; ++i) {
            const f64 t = i < 10 ? ta + i * step : te;
            const f64 v = f(t);
            if (v > b) b = v, tb = t;
            if (t >= te) break;
        }
        if (std::fabs(step) < 0.1 || b < -1.0e9) break;
        // The zoomed interval is held to the segment, 0 to L: one step either
        // side of the best sample can reach past an end, and a sample there
        // would measure the segment's extension, a point the tool never
        // passes, and could pick it as the highest.
        if (tb != ta) ta = std::fmax(0.0, tb - step);
        if (tb != te) te = std::fmin(L, tb + step);
        step = (te - ta) / 10.0;
    }
    // The sweeps stop at a step of 0.1, which leaves the edge's top up to a
    // few thousandths short (the tool below the edge): the function is
    // concave along the edge, so a golden-section search on the last
    // interval finishes the job.
    if (b > -1.0e9) {
        f64 x0 = std::fmax(0.0, tb - std::fabs(step)), x1 = std::fmin(L, tb + std::fabs(step));
        for (i32 it = 0; it < 60 && x1 - x0 > 1e-7 * (1.0 + L); ++it) {
            f64 c = x1 - 0.6180339887498949 * (x1 - x0), d = x0 + 0.6180339887498949 * (x1 - x0);
            if (f(c) < f(d)) x0 = c;
            else x1 = d;
        }
        const f64 t = 0.5 * (x0 + x1);
        const f64 v = f(t);
        if (v > b) b = v, tb = t;
    }
    f64 q[3];
    at(tb, q);
    for (i32 k = 0; k < 3; ++k) best[k] = static_cast<f32>(q[k]);
    if (eqval(best[0], h[0]) && eqval(best[1], h[1])) status = 1;
    return static_cast<f32>(b);
}

void CNTNRM(const f32& d, const f32& r, const f32& a, const f32& e, const f32& l, const f32* tool_point,
            const f32* contact, f32* normal, i32& status)
{
    status = 0;
    f64 R = d * 0.5;
    f32 dv[2] = {contact[0] - tool_point[0], contact[1] - tool_point[1]};
    f64 rho = std::sqrt(f64(dv[0]) * dv[0] + f64(dv[1]) * dv[1]);
    if (v2unit(dv) != 0) {
        normal[0] = 0, normal[1] = 0, normal[2] = 1;
        status = 2;
        return;
    }
    f64 rf;
    f64 rr = r;
    if (!eqval0(a)) {
        f64 sa = std::sin(f64(a)), ca = std::cos(f64(a)), t = sa / ca;
        rf = R - (1.0 - sa) * r / ca;
        f64 rc = R + (1.0 - sa) * r * t;
        f64 rt = R + (l - sa * e) * t;
        if (gtvald(rho, rc) && levald(rho, rt)) {
            if (ca <= 0.0) {
                normal[0] = 0, normal[1] = 0, normal[2] = 1;
                return;
            }
            // From the contact toward the axis, tilted up by the flank.
            normal[0] = static_cast<f32>(-ca * dv[0]);
            normal[1] = static_cast<f32>(-ca * dv[1]);
            normal[2] = static_cast<f32>(sa);
            return;
        }
        if (rho > rt) {
            // Beyond the top of the flank: its edge taken as a sharp corner,
            // without the corner radius of the tip as well as without its
            // flat part: the normal then runs from the contact to the tool
            // point. (The tip's corner radius belongs to the bottom of the
            // tool and says nothing of the edge at the top.)
            rf = 0.0;
            rr = 0.0;
        }
    } else {
        rf = R - r;
    }
    if (gevald(rho, rf)) {
        f64 v[3];
        if (rr != 0.0) {
            f64 k[3] = {tool_point[0] + rf * dv[0], tool_point[1] + rf * dv[1], f64(tool_point[2]) + rr};
            v[0] = k[0] - contact[0], v[1] = k[1] - contact[1], v[2] = k[2] - contact[2];
        } else {
            v[0] = f64(tool_point[0]) - contact[0], v[1] = f64(tool_point[1]) - contact[1],
            v[2] = f64(tool_point[2]) - contact[2];
        }
        // A contact at the corner's centre itself gives no direction: the
        // normal of a level touch stands in rather than a vector of no length.
        if (v3unitd(v) != 0) v[0] = 0, v[1] = 0, v[2] = 1;
        for (i32 k = 0; k < 3; ++k) normal[k] = static_cast<f32>(v[k]);
        return;
    }
    normal[0] = 0, normal[1] = 0, normal[2] = 1;
    status = 2;
}

void CONSEG(const f32* p0, const f32* p1, const f32& rad, f32* contact, f32& z, f32& z2, i32& status)
{
    status = 1;
    f64 d[3] = {f64(p1[0]) - p0[0], f64(p1[1]) - p0[1], f64(p1[2]) - p0[2]};
    f64 q2 = d[0] * d[0] + d[1] * d[1];
    f64 A = q2 * CGCOT2 - d[2] * d[2];
    f64 t1, t2;
    if (q2 == 0.0) {
        // An edge without length in XY (a vertical edge or a point): the
        // tangency parameter below would divide 0 by 0; the higher end is
        // taken, as where the edge is steeper than the flank.
        t1 = t2 = d[2] >= 0.0 ? 1.0 : 0.0;
    } else if (eqvl0d(A)) {
        t1 = t2 = -(f64(p0[0]) * d[0] + f64(p0[1]) * d[1]) / q2;
    } else if (A < 0.0) {
        t1 = t2 = d[2] >= 0.0 ? 1.0 : 0.0;
    } else {
        f64 q = std::sqrt(A);
        f64 c1 = -(f64(p0[0]) * d[0] + f64(p0[1]) * d[1]) * q;
        f64 c2 = (f64(p0[1]) * d[0] - f64(p0[0]) * d[1]) * d[2];
        t2 = (c2 + c1) / (q * q2);
        t1 = (c1 - c2) / (q * q2);
    }
    auto tip = [&](f64 t, f64* Q) {
        t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
        for (i32 k = 0; k < 3; ++k) Q[k] = p0[k] + t * d[k];
        return Q[2] - std::sqrt(Q[0] * Q[0] + Q[1] * Q[1]) * CGCOTA + CGZAPX;
    };
    f64 Q1[3], Q2[3];
    f64 h1 = tip(t1, Q1), h2 = tip(t2, Q2);
    const f64* Q = Q1;
    f64 h = h1;
    if (gevald(h2, h1)) Q = Q2, h = h2;
    z = static_cast<f32>(h);
    for (i32 k = 0; k < 3; ++k) contact[k] = static_cast<f32>(Q[k]);
    // Where on the tool the cone touches: 1 on the flank, below it -10
    // (the corner decides), above it 10 (the top). The shape routines and
    // the grid drop send the segment to the corner or to the tool's top by
    // this answer; a status of 1 alone would leave them measuring the flank
    // where it does not reach.
    f64 rho = std::sqrt(Q[0] * Q[0] + Q[1] * Q[1]);
    if (rho < CGRCRN) status = -10;
    else if (rho > CGRTP2) status = 10;
    // z2: the edge's height where it crosses the radius at which the flank ends.
    const f32* E = d[2] >= 0.0 ? p0 : p1;
    f64 e2 = f64(E[0]) * E[0] + f64(E[1]) * E[1];
    z2 = E[2];
    if (e2 > CGRTP2 * CGRTP2 && d[2] != 0.0 && q2 > 0.0) {
        // Parameter of the crossing nearest to the lower end.
        f64 b = f64(p0[0]) * d[0] + f64(p0[1]) * d[1], c = f64(p0[0]) * p0[0] + f64(p0[1]) * p0[1] - CGRTP2 * CGRTP2;
        f64 disc = b * b - q2 * c;
        if (disc >= 0.0) {
            f64 s = std::sqrt(disc);
            f64 ta = (-b - s) / q2, tb = (-b + s) / q2;
            f64 t = d[2] >= 0.0 ? ta : tb;
            if (t >= 0.0 && t <= 1.0) z2 = static_cast<f32>(p0[2] + t * d[2]);
        }
    }
}

void DIRFRM(const f32* p0, const f32* p1, f32* frame, i32& status)
{
    f64 w[3] = {f64(p1[0]) - p0[0], f64(p1[1]) - p0[1], f64(p1[2]) - p0[2]};
    status = v3unitd(w);
    if (status != 0) return;
    f64 u[3], v[3];
    if (w[2] == 0.0) {
        u[0] = -w[1], u[1] = w[0], u[2] = 0.0;
        cross3(w, u, v);
    } else if (w[0] == 0.0 && w[1] == 0.0) {
        u[0] = w[2], u[1] = 0, u[2] = 0;
        v[0] = 0, v[1] = w[2], v[2] = 0;
    } else {
        f64 h[3] = {w[0], w[1], 0.0};
        cross3(w, h, u);
        v3unitd(u);
        cross3(w, u, v);
    }
    for (i32 k = 0; k < 3; ++k) {
        frame[k] = static_cast<f32>(u[k]);
        frame[3 + k] = static_cast<f32>(v[k]);
        frame[6 + k] = static_cast<f32>(w[k]);
    }
}
