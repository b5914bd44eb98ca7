// Combined offsets: the plane distance that gives a wanted step on the part.
#include "cleanup/combofs.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "cleanup/lanecut.h"
#include "core/host.h"
#include "core/proc.h"
#include "cutter/loccom.h"
#include "pocket/pkgeom.h"
#include "pocket/pokvals.h"

void comb_pos(const f64& tol, const f64* point, const f64* vec, const f64& dist, f64* out_pt, f64* out_nrm,
              i32& status)
{
    const f32 p[3] = {static_cast<f32>(point[0] + dist * vec[0]), static_cast<f32>(point[1] + dist * vec[1]), 0.0f};
    f32 res[3] = {p[0], p[1], 0.0f}, con[3] = {0.0f, 0.0f, 0.0f}, nrm[4] = {0.0f, 0.0f, 1.0f, 0.0f};
    i32 srf = 0;
    status = 0;
    PNTLC1(0, p, static_cast<f32>(tol), PRCSTK, PRCCHK, res, con, nrm, srf, status);
    if (status == 4) status = 0;  // a height found at the reach's edge
    for (i32 k = 0; k < 3; ++k) {
        out_pt[k] = status == 0 ? res[k] : 1.0e10;
        out_nrm[k] = nrm[k];
    }
}

namespace {

// Largest 3-D move of the tool between the kept samples' base positions and
// the samples moved by d; 2e10 when nothing could be positioned.
f64 largest_move(f64 tol, const std::vector<i32>& kept, const f64* points, const f64* normals,
                 const std::vector<f64>& base, f64 d)
{
    f64 m = -1.0;
    for (size_t k = 0; k < kept.size(); ++k) {
        const i32 i = kept[k];
        f64 q[3], nrm[3];
        i32 st = 0;
        comb_pos(tol, points + 3 * i, normals + 2 * i, d, q, nrm, st);
        if (st != 0 || q[2] >= 1.0e10) continue;
        const f64* b = &base[3 * k];
        m = std::max(m, std::hypot(q[0] - b[0], q[1] - b[1], q[2] - b[2]));
    }
    return m < 0.0 ? 2.0e10 : m;
}

}  // namespace

void combcont(const f64& v, const i32& n, const f64* points, const f64* normals, const f64& target,
              const f64& lower, const f64& ref, const f64& start, f64& out, i32& status)
{
    status = 0;
    // The work lists are the module's own growable arrays: releasing them
    // cannot fail, so there is no close to report.
    const f64 tol = std::min(v, 0.01);
    // the tool at every sample itself; samples it cannot reach are left out
    std::vector<i32> kept;
    std::vector<f64> base;
    for (i32 i = 0; i < n; ++i) {
        f64 q[3], nrm[3];
        const f64 none[2] = {0.0, 0.0};
        i32 st = 0;
        comb_pos(tol, points + 3 * i, none, 0.0, q, nrm, st);
        if (st != 0) continue;
        kept.push_back(i);
        base.insert(base.end(), q, q + 3);
    }
    if (kept.empty()) {
        status = 11;
        return;
    }
    f64 d = start > 0.0 && start <= target ? start : target;
    d = std::max(d, lower);
    f64 lo = 0.0, hi = -1.0, m_lo = -1.0;
    out = d;
    for (i32 round = 0; round < 20; ++round) {
        const f64 m = largest_move(tol, kept, points, normals, base, d);
        if (m <= target) {
            lo = d;
            m_lo = m;
            out = d;
            if (gtvald(d, ref) != 0) return;
            if (hi < 0.0)
                d *= m < 0.2 * target ? 3.0 : (m < 0.5 * target ? 2.0 : 1.5);
        } else {
            // "below the lower limit" is read of the distance d, not of m
            // (the sentence allows either): here m already exceeds the
            // target, so read of m it could hold only with a lower limit
            // above the target, and the lower limit bounds the distance (the
            // result is d, at least the lower limit)
            if (std::fabs(m - target) <= tol || (m_lo >= 0.0 && std::fabs(m - m_lo) <= tol) || d < lower) {
                out = std::max(d, lower);
                return;
            }
            hi = d;
        }
        if (hi >= 0.0) {
            // bracketed: the middle, until the brackets meet. Then the middle
            // itself is the answer, not half of it (nor half the first
            // distance when no bracket had a positive m): halving would give
            // half the step that was looked for.
            d = 0.5 * (lo + hi);
            out = m_lo > 0.0 ? lo : d;
            if (eqvl0d(hi - lo) != 0) {
                out = d;
                return;
            }
        }
    }
}

void comb_offsets(const i32& mode, const f64& side, const f64& a, const f64* x, const f64* y, const i32& n,
                  const f64& b, const f64& start, const f64& target, const f64& lower, const f64& ref, f64& out,
                  i32& status)
{
    status = 0;
    out = 0.0;
    const f64 v = std::max(side, 1.0), step = 5.0 * std::max(a, b);
    std::vector<f64> pts, nrms;
    // one sample: the point in world coordinates and the outward normal
    auto sample = [&](f64 px, f64 py, const f64* dir) {
        if (pts.size() >= 3 * 7000u) return;
        pts.insert(pts.end(), {px + pokorigin[0], py + pokorigin[1], 0.0});
        nrms.insert(nrms.end(), {dir[1], -dir[0]});
    };
    for (i32 k = 1; k < n; ++k) {
        if (pk_arc_at(x[k]) && k + 3 >= n) break;
        const bool arc = pk_arc_at(x[k]);
        const i32 e = arc ? k + 3 : k;
        const f64 len = arc ? x[k + 1] * pk_arc_sweep(static_cast<i32>(y[k + 1]), x[k + 2], y[k + 2], x[k - 1], y[k - 1],
                                                      x[e], y[e])
                            : std::hypot(x[k] - x[k - 1], y[k] - y[k - 1]);
        const i32 parts = std::max(1, static_cast<i32>(std::ceil(step > 0.0 ? len / step : 1.0)));
        for (i32 j = 0; j < parts; ++j) {
            const f64 t = static_cast<f64>(j) / parts;
            f64 p[2], dir[2];
            i32 st = 0;
            if (arc)
                pk_arc_point(x[k + 1], static_cast<i32>(y[k + 1]), x[k + 2], y[k + 2], x[k - 1], y[k - 1], x[e], y[e],
                             t, p[0], p[1]);
            else
                pk_lin_point(x[k - 1], y[k - 1], x[k], y[k], t, p[0], p[1]);
            pk_seg_dir_at(x, y, n, k, t, dir, st);
            if (mode == 2 && j == 0) {
                // the segment's start blended with the segment before
                f64 din[2], dout[2], l = 0.0;
                pk_corner_nrm(k - 1, x, y, n, din, dout);
                dir[0] = din[0] + dout[0], dir[1] = din[1] + dout[1];
                l = std::hypot(dir[0], dir[1]);
                if (l > 0.0) dir[0] /= l, dir[1] /= l;
            }
            if (st == 0) sample(p[0], p[1], dir);
        }
        k = e;
    }
    const i32 count = static_cast<i32>(pts.size() / 3);
    combcont(v, count, pts.data(), nrms.data(), target, lower, ref, start, out, status);
    if (status == 11) status = -1;
}
