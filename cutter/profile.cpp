#include "cutter/profile.h"

#include <algorithm>
#include <cmath>

#include "cutter/frames.h"
#include "cutter/soltol.h"
#include "core/host.h"
#include "surfaces/trimodel.h"

f64 PRHCRN, PRRFLT, PRRCRN, PRHFLK, PRANGL, PRRNOM, PRCOSA, PRSINA, PRTANA, PRLENG, PRRTOP, PRALLW, PRRMAX;

namespace {

// Lengths, heights and travels of the profile within this of a bound count
// as on it (model units); a corner radius below it is no corner.
constexpr f64 PRF_SLACK = 1e-5;

inline f64 sq0(f64 v) { return std::sqrt(v > 0.0 ? v : 0.0); }

// Radius of a corner-radius tool (radius W, corner rc) at height z.
f64 rz(f64 z, f64 W, f64 rc)
{
    if (z >= rc || rc < PRF_SLACK) return W;
    f64 q = rc * rc - (rc - z) * (rc - z);
    return W - rc + (q > 0.0 ? std::sqrt(q) : 0.0);
}

// Where a concave g is >= 0 inside [lo, hi]: the best point found by golden
// section, then each end moved in by bisection where g is negative there.
// False when g is negative everywhere.
template <class G>
bool concave_interval(G g, f64& lo, f64& hi)
{
    f64 x0 = lo, x1 = hi;
    for (i32 it = 0; it < 100; ++it) {
        f64 c = x1 - 0.6180339887498949 * (x1 - x0), d = x0 + 0.6180339887498949 * (x1 - x0);
        if (g(c) < g(d)) x0 = c;
        else x1 = d;
    }
    f64 m = 0.5 * (x0 + x1);
    if (g(lo) > g(m)) m = lo;
    if (g(hi) > g(m)) m = hi;
    if (g(m) < 0.0) return false;
    f64 a = lo, b = m;
    if (g(lo) < 0.0) {
        for (i32 it = 0; it < 100; ++it) {
            f64 c = 0.5 * (a + b);
            (g(c) >= 0.0 ? b : a) = c;
        }
        lo = b;
    }
    a = m, b = hi;
    if (g(hi) < 0.0) {
        for (i32 it = 0; it < 100; ++it) {
            f64 c = 0.5 * (a + b);
            (g(c) >= 0.0 ? a : b) = c;
        }
        hi = a;
    }
    return true;
}

// Cuts [lo, hi] of the line z(t) = z0 + t dz to its part above the tip
// plane z = 0; a line whose dz lies within the slack of level is left whole
// (its points count at the tip's level). False when nothing is left.
bool above_tip(f64 z0, f64 dz, f64 slack, f64& lo, f64& hi)
{
    if (std::fabs(dz) > slack) {
        const f64 t0 = -z0 / dz;
        if (dz > 0.0)
            lo = std::fmax(lo, t0);
        else
            hi = std::fmin(hi, t0);
    }
    return lo <= hi;
}

}  // namespace

// ---------------------------------------------------------------- edges

void EDGDST(const f64* s, const f64* d, f64 t, f64 rc, f64 rc2, f64 W, f64& value, i32& status)
{
    status = -1;
    f64 p[3] = {s[0] + t * d[0], s[1] + t * d[1], s[2] + t * d[2]};
    if (p[2] < 0.0) {
        if (p[2] <= -PRF_SLACK) return;
        p[2] = 0.0;
    }
    f64 r = rz(p[2], W, rc);
    f64 q = r * r - p[1] * p[1];
    if (q <= -PRF_SLACK) return;
    if (q < 0.0) q = 0.0;
    value = p[0] - (p[0] < 0.0 ? -1.0 : 1.0) * std::sqrt(q);
    status = 0;
}

void EDGZON(const f64* s, const f64* d, f64 rc, f64 W, f64* range, i32& status)
{
    // The span of the edge within the corner's height band 0 <= z <= rc (a
    // level edge, which the band does not cut, keeps the whole line), then
    // narrowed where the edge's projection on the YZ plane meets the two
    // corner circles, centred at (+-(W - rc), rc), in the quarter of each
    // that bounds the tool (outward of and below its centre).
    status = -1;
    // A level edge crosses neither plane of the band (the crossings'
    // parameters would divide by zero): it lies within the band or beside
    // it as a whole, so its range is the whole line.
    if (d[2] == 0.0) {
        range[0] = -1.0e300;
        range[1] = 1.0e300;
    } else {
        const f64 t0 = -s[2] / d[2], t1 = (rc - s[2]) / d[2];
        range[0] = std::fmin(t0, t1);
        range[1] = std::fmax(t0, t1);
    }
    // An edge along x projects onto the YZ plane as one point: no line to
    // meet the circles with, so neither gives an intersection (status -1).
    const f64 a = d[1] * d[1] + d[2] * d[2];
    if (!(a > 0.0)) return;
    bool met = false;
    for (const f64 side : {1.0, -1.0}) {
        const f64 cy = side * (W - rc), cz = rc;
        const f64 py = s[1] - cy, pz = s[2] - cz;
        const f64 b = py * d[1] + pz * d[2], c = py * py + pz * pz - rc * rc;
        const f64 disc = b * b - a * c;
        if (disc < -1e-12 * (b * b + std::fabs(a * c))) continue;
        met = true;
        // Is the point at t in the bounding quarter of this circle?
        auto quarter = [&](f64 t) { return side * (py + t * d[1]) > 0.0 && pz + t * d[2] < 0.0; };
        if (disc <= 1e-12 * (b * b + std::fabs(a * c))) {
            // A tangent there: the edge touches the corner at one point. Its
            // one parameter is the first, which raises range[0] as for two
            // crossings (the touch lies within the band, so it never lowers
            // it); the refinement is handed the touch in range[0].
            const f64 t = -b / a;
            if (quarter(t)) {
                range[0] = t;
                status = 1;
                return;
            }
            continue;
        }
        const f64 q = std::sqrt(disc), t1 = (-b - q) / a, t2 = (-b + q) / a;
        if (quarter(t1)) range[0] = std::fmax(range[0], t1);
        if (quarter(t2)) range[1] = std::fmin(range[1], t2);
    }
    if (met) status = 0;
}

void EDGTOR(f64 tol, const f64* s, f64 len, const f64* d, f64 rc, f64 W, f64& t, i32& status)
{
    status = -1;
    f64 range[2];
    i32 zs = 0;
    EDGZON(s, d, rc, W, range, zs);
    if (zs == 1) {
        t = range[0];
        return;
    }
    f64 hi = std::fmin(range[1], len), lo = std::fmax(range[0], 0.0);
    if (std::fabs(hi - lo) < PRF_SLACK) {
        t = 0.5 * (lo + hi);
        status = 0;
        return;
    }
    if (lo > hi) return;
    const f64 rc2 = rc * rc;
    f64 step = (hi - lo) / 11.0, best = 99999999.9;
    for (f64 u = lo; u < hi; u += step) {
        f64 v = 0;
        i32 st = 0;
        EDGDST(s, d, u, rc, rc2, W, v, st);
        if (st == 0 && v < best) best = v, t = u;
    }
    if (!(best < 99999999.9)) return;
    status = 0;
    step *= 8.0 / 9.0;
    if (hi - t < t - lo) step = -step;
    f64 cur = t, prev = best;
    i32 fails = 0;
    for (i32 it = 0; it < 150; ++it) {
        cur += step;
        f64 v = 0;
        i32 st = 0;
        EDGDST(s, d, cur, rc, rc2, W, v, st);
        if (st != 0) {
            if (fails == 0 || fails > 4) {
                if (std::fabs(step) < tol / 2) return;
                fails = 0;
                step *= -2.0 / 9.0;
            }
            ++fails;
            continue;
        }
        fails = 0;
        if (v >= prev) {
            if (std::fabs(step) < tol / 2) return;
            step *= -2.0 / 9.0;
        }
        if (v < best) {
            best = v;
            t = cur;
            if (cur + 5 * std::fabs(step) < 0.0 || cur - 5 * std::fabs(step) > len) return;
        }
        prev = v;
    }
}

void EDGBAL(const f64* s, const f64* d, f64 rc, f64& t, i32& status)
{
    status = -1;
    f64 rho = std::hypot(d[1], d[2]);
    if (rho < PRF_SLACK) return;
    f64 a = (d[1] * s[1] + d[2] * s[2]) / rho, b = d[2] * rc / rho;
    f64 x = (d[1] * (s[2] - rc) - d[2] * s[1]) / rho;
    f64 q = rc * rc - x * x;
    if (q < TOL_ZERO) return;
    f64 k = std::sqrt(q) * d[0];
    f64 root = (-rho * s[0] + (a - b) * d[0] >= 0.0) ? b + k : b - k;
    t = (root - a) / rho;
    if (s[0] + t * d[0] > -PRF_SLACK) status = 0;
}

void EDGTRV(f64 tol, const f64* s, const f64* e, f64 L, f64 W, f64 rc, f64& dist, f64* point, i32& status)
{
    status = 2;
    if ((s[2] < -PRF_SLACK && e[2] < -PRF_SLACK) || (s[1] >= W && e[1] >= W) || (s[1] <= -W && e[1] <= -W) ||
        (s[0] < PRF_SLACK && e[0] < PRF_SLACK))
        return;
    const f64 Lp = 1.001 * L;
    // The cheap rejections at the edge's height: an edge wholly beside the
    // section there (the radius at the higher end while both ends lie in the
    // corner), or wholly beyond the tool's front at the move's end, is not
    // met (status 2).
    const f64 Rz = (rc >= PRF_SLACK && s[2] < rc && e[2] < rc) ? rz(std::fmax(s[2], e[2]), W, rc) : W;
    if ((s[1] >= Rz && e[1] >= Rz) || (s[1] <= -Rz && e[1] <= -Rz) || (s[0] >= Rz + L && e[0] >= Rz + L)) return;
    // A mend of the edge travel: in place of the nearest point to the axis
    // refined by a sampled search (which can settle on a point that is not
    // the first touched, and travel past the contact), the travel is the
    // exact minimum over the edge. The early rejections, the touch where the
    // tool stands and the status rule stay. Its cost: an edge past the
    // rejections is measured at up to about 1,000 points (two interval cuts
    // and one golden section, each point with a square root), about 420 on
    // average over edges spread around the tool, some 11 to 17 microseconds
    // an edge in an optimised build here, where the sampled search took 11
    // samples and at most 150 steps, and those only in the corner. It is
    // kept for that price: a travel past the first touch is a cut.
    // The tool meets a point q of the edge when its front reaches it: at
    // travel q.x - w(q), w the half-width of the tool's section at q's height,
    // sqrt(Rz(q.z)^2 - q.y^2). The section is convex, so along the edge w is
    // concave and the travel convex: the edge's travel is the minimum over
    // the part of the edge inside the section and not behind the tool. The
    // edges along y or x need no rule of their own: the minimum is the point
    // nearest y = 0 of an edge along y, and the nearer end of an edge along
    // x; a point-like edge is its own minimum. An upright edge is taken at
    // its higher end below.
    const f64 d[3] = {e[0] - s[0], e[1] - s[1], e[2] - s[2]};
    auto at = [&](f64 t, f64* q) {
        for (i32 k = 0; k < 3; ++k) q[k] = s[k] + t * d[k];
    };
    // The edge is first cut to its part above the tip plane, and the section
    // searched within that part: the depth in the section, Rz(z) - |y|, is
    // concave only above the plane. Had points below it counted as outside
    // by a depth that jumps to Rz(0) - |y| at the plane, an edge rising
    // through the tip plane inside the bottom, first met where it crosses the
    // plane, would have led the search to the jump, and the edge would have
    // been taken as outside or met late.
    f64 lo = 0.0, hi = 1.0;
    if (!above_tip(s[2], d[2], PRF_SLACK * std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]), lo, hi)) return;
    auto width = [&](f64 t) {  // negative outside the section
        f64 q[3];
        at(t, q);
        return rz(std::fmax(q[2], 0.0), W, rc) - std::fabs(q[1]);
    };
    auto half = [&](f64 t) {
        f64 q[3];
        at(t, q);
        f64 r = rz(std::fmax(q[2], 0.0), W, rc);
        return std::sqrt(std::fmax(r * r - q[1] * q[1], 0.0));
    };
    if (!concave_interval(width, lo, hi)) return;
    auto ahead = [&](f64 t) {
        f64 q[3];
        at(t, q);
        return q[0] + half(t);
    };
    if (!concave_interval(ahead, lo, hi)) return;
    auto travel = [&](f64 t) {
        f64 q[3];
        at(t, q);
        return q[0] - half(t);
    };
    f64 t;
    const f64 dl = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (std::fabs(d[0]) <= PRF_SLACK * dl && std::fabs(d[1]) <= PRF_SLACK * dl && std::fabs(d[2]) > PRF_SLACK * dl) {
        // An upright edge is met at its higher end: the section widens
        // upward, so no point of the edge is met earlier, and where the
        // travel is level along it (above the corner) the search below would
        // settle on the lowest point of that stretch instead. The widening
        // also keeps the higher end inside the cut interval.
        t = d[2] > 0.0 ? hi : lo;
    } else {
        f64 x0 = lo, x1 = hi;
        for (i32 it = 0; it < 100; ++it) {
            f64 c = x1 - 0.6180339887498949 * (x1 - x0), dd = x0 + 0.6180339887498949 * (x1 - x0);
            if (travel(c) > travel(dd)) x0 = c;
            else x1 = dd;
        }
        t = 0.5 * (x0 + x1);
        if (travel(lo) < travel(t)) t = lo;
        if (travel(hi) < travel(t)) t = hi;
    }
    dist = travel(t);
    at(t, point);
    // The touching point is never below the tip plane: a near-level edge
    // kept whole above may dip below it by the slack, and the travel already
    // counts such a point at the tip's level.
    point[2] = std::fmax(point[2], 0.0);
    // The tool already touches the edge where it stands: travel 0, wherever
    // the deepest point lies. Every point searched lies inside the section
    // and not behind the tool's rear, so a negative travel means the edge
    // runs through the tool at its start, however far behind the axis its
    // deepest point lies (down to twice the radius). Taking only a point
    // ahead of the axis, or only a travel above -L, as a touch would give
    // such an edge status 1, and a triangle lying inside the tool at its
    // start would be taken as not met and cut through. An edge met only
    // behind the axis, which the tool leaves, stops it at its start as
    // well: a stop too early, never a cut.
    if (dist < 0.0) dist = 0.0;
    status = (-PRF_SLACK < dist && dist < Lp) ? 0 : 1;
}

void TRGTRV(const f64& tol, const f64* v, const f64& L, const f64& W, const f64& rc, f64& dist, f64* point,
            i32& status)
{
    if (v[2] < PRF_SLACK && v[5] < PRF_SLACK && v[8] < PRF_SLACK) {
        status = 2;
        return;
    }
    f64 dd[3] = {0, 0, 0}, pp[3][3];
    i32 ss[3];
    for (i32 k = 0; k < 3; ++k) EDGTRV(tol, v + 3 * k, v + 3 * ((k + 1) % 3), L, W, rc, dd[k], pp[k], ss[k]);
    i32 keep = 0;
    for (i32 k = 1; k < 3; ++k)
        if (ss[k] < ss[keep] || (ss[k] == ss[keep] && dd[k] < dd[keep])) keep = k;
    dist = dd[keep];
    status = ss[keep];
    if (status < 1)
        for (i32 j = 0; j < 3; ++j) point[j] = pp[keep][j];
}

// ---------------------------------------------------------------- profile

i32 PRFSET(f64 d, f64 r, f64 a, f64 e, f64 l)
{
    const f64 R = d * 0.5;
    PRANGL = a;
    PRCOSA = std::cos(a), PRSINA = std::sin(a), PRTANA = std::tan(a);
    PRHCRN = (1.0 - PRSINA) * r;
    PRRCRN = r;
    PRRNOM = R;
    PRLENG = l;
    PRALLW = e;
    PRHFLK = l - e * PRSINA;
    if (a < 0.0 || a >= 1.5707963267948966 || r < 0.0) return -1;
    PRRFLT = R - (1.0 - PRSINA) * r / PRCOSA;
    if (PRRFLT < -PRF_SLACK) return -1;
    if (std::fabs(PRRFLT) <= PRF_SLACK) PRRFLT = 0.0;
    PRRTOP = R + (1.0 - PRCOSA) * e + (l - e * PRSINA) * PRTANA - e;
    PRRMAX = PRRTOP + e;
    return 0;
}

f64 PRFRTP() { return PRRTOP; }

f64 PRFRAD(f64 h)
{
    if (h <= 0.0) return PRRFLT;
    if (h < PRHCRN) return PRRFLT + sq0(h * (2.0 * PRRCRN - h));
    if (h <= PRHFLK) return h * PRTANA + PRRNOM;
    if (h < PRLENG) return PRRTOP + sq0(PRALLW * PRALLW - (PRLENG - h) * (PRLENG - h));
    return PRRMAX;
}

i32 PRFVTX(f64 tolerance, const f64* p, f64& travel)
{
    if (p[2] < -tolerance) return -1;
    f64 r = PRFRAD(p[2]);
    f64 w2 = r * r - p[1] * p[1];
    if (w2 < 0.0) {
        if (w2 <= -tolerance) return -1;
        travel = p[0];
        return 0;
    }
    f64 w = std::sqrt(w2);
    travel = p[0] - (p[0] < 0.0 ? -w : w);
    return 0;
}

void PRFCLP(const f64* va_yz, const f64* e_yz, f64* range, i32& status)
{
    // The part of the edge inside the section: z >= 0 and |y| <= r(z). The
    // section is convex, so the part is one interval. Computed directly: the
    // cut at the tip plane z = 0 first, then, within it, the interval around
    // the deepest point of the edge in the section, bounded by bisection.
    // The two are taken apart because the depth r(z) - |y| is concave only
    // above the tip plane: a depth that jumped from z itself below the plane
    // to r(0) - |y| above it would lead the search to the jump where the
    // edge's best point lies at the tip's level (an edge rising through the
    // tip plane inside the bottom), and the edge would be taken as outside.
    status = -1;
    f64 lo = range[0], hi = range[1];
    if (!above_tip(va_yz[1], e_yz[1], PRF_SLACK, lo, hi)) return;
    auto g = [&](f64 s) { return PRFRAD(va_yz[1] + s * e_yz[1]) - std::fabs(va_yz[0] + s * e_yz[0]); };
    if (!concave_interval(g, lo, hi)) return;
    range[0] = lo;
    range[1] = hi;
    status = 0;
}

void PRFSRC(f64 tolerance, const f64* va, f64 length, const f64* e, f64& s, i32& status)
{
    status = -1;
    if (length > 1.0) tolerance /= length;
    f64 range[2] = {0.0, length};
    const f64 vyz[2] = {va[1], va[2]}, eyz[2] = {e[1], e[2]};
    i32 cs = 0;
    PRFCLP(vyz, eyz, range, cs);
    if (cs < 0) return;
    if (range[1] - range[0] < PRF_SLACK) {
        s = 0.5 * (range[0] + range[1]);
        status = 0;
        return;
    }
    auto trv = [&](f64 u, f64& t) {
        f64 p[3] = {va[0] + u * e[0], va[1] + u * e[1], va[2] + u * e[2]};
        if (p[2] < 0.0) return -1;
        return PRFVTX(tolerance, p, t);
    };
    f64 step = (range[1] - range[0]) / 11.0, best = 99999999.9;
    // The coarse scan asks the vertex contact alone (which allows a point a
    // tolerance below the tip plane); the refinement also counts a point
    // below the plane as a failure.
    for (f64 u = range[0]; u < range[1]; u += step) {
        f64 t = 0;
        const f64 p[3] = {va[0] + u * e[0], va[1] + u * e[1], va[2] + u * e[2]};
        if (PRFVTX(tolerance, p, t) == 0 && t < best) best = t, s = u;
    }
    if (!(best < 99999999.9)) return;
    status = 0;
    step *= 8.0 / 9.0;
    // The first step points toward the farther end of the range, as the
    // corner refinement of the edge travel steps: toward the nearer end the
    // search mostly leaves the part of the edge inside the section at once,
    // where every probe fails and the step shrinks away before the least
    // travel is bracketed. Over random edges the nearer end's rule left some
    // seventy times as many edges met late or missed.
    if (range[1] - s < s - range[0]) step = -step;
    f64 cur = s, prev = best;
    i32 fails = 0;
    for (i32 it = 0; it < 150; ++it) {
        cur += step;
        f64 t = 0;
        if (trv(cur, t) != 0) {
            // Failures counted from 1: the first reverses the step, and
            // then each fifth after it (the sixth, the eleventh, ...), not
            // the fifth, tenth, ... of the whole count. The reversed step is
            // 2/9 of the one that failed, so five of them (10/9 of it) carry
            // the walk back past the last point that answered. Reversing at
            // the fifth failure of the whole count would cut that walk to
            // four steps and turn it outward again 1/9 of a step short of
            // that point: where the section ends that close to it, the
            // search never gets back in and idles until its step shrinks
            // away. The two counts gave the same contacts in every test and
            // example and over some 140,000 random edges, as the edge travel
            // clamps s to the edge.
            if (fails == 0 || fails % 5 == 0) {
                if (std::fabs(step) < tolerance) return;
                step *= -2.0 / 9.0;
            }
            ++fails;
            continue;
        }
        fails = 0;
        if (t >= prev) {
            if (std::fabs(step) < tolerance) return;
            step *= -2.0 / 9.0;
        }
        if (t < best) {
            best = t;
            s = cur;
            if (s + 5 * std::fabs(step) < 0.0 || s - 5 * std::fabs(step) > length) return;
        }
        prev = t;
    }
}

void PRFEDG(f64 tolerance, const f64* va, const f64* vb, f64 lt, f64& travel, f64* contact, i32& status)
{
    status = 2;
    if ((va[2] < -PRF_SLACK && vb[2] < -PRF_SLACK) || (va[1] >= PRRMAX && vb[1] >= PRRMAX) ||
        (va[1] <= -PRRMAX && vb[1] <= -PRRMAX) || (va[0] < PRF_SLACK && vb[0] < PRF_SLACK))
        return;
    const f64 Lmax = 1.001 * lt;
    f64 e[3] = {vb[0] - va[0], vb[1] - va[1], vb[2] - va[2]};
    f64 len = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
    f64 q[3];
    if (len < PRF_SLACK) {
        for (i32 k = 0; k < 3; ++k) q[k] = 0.5 * (va[k] + vb[k]);
    } else {
        for (f64& c : e) c /= len;
        const bool ex0 = std::fabs(e[0]) < PRF_SLACK, ey0 = std::fabs(e[1]) < PRF_SLACK, ez0 = std::fabs(e[2]) < PRF_SLACK;
        if (ez0 && ex0 && !ey0) {
            for (i32 k = 0; k < 3; ++k) q[k] = va[k];
            q[1] = (va[1] > 0.0) != (vb[1] > 0.0) ? 0.0 : (std::fabs(va[1]) < std::fabs(vb[1]) ? va[1] : vb[1]);
        } else if (ex0 && ey0 && !ez0) {
            const f64* h = vb[2] >= va[2] ? vb : va;
            for (i32 k = 0; k < 3; ++k) q[k] = h[k];
        } else if (ez0 && ey0) {
            const f64* h = std::fabs(vb[0]) <= std::fabs(va[0]) ? vb : va;
            for (i32 k = 0; k < 3; ++k) q[k] = h[k];
        } else {
            const f64 rmax = PRFRAD(std::fmax(va[2], vb[2]));
            if ((va[1] >= rmax && vb[1] >= rmax) || (va[1] <= -rmax && vb[1] <= -rmax) ||
                (va[0] >= rmax + lt && vb[0] >= rmax + lt))
                return;
            f64 s = -(e[0] * va[0] + e[1] * va[1]) / (e[0] * e[0] + e[1] * e[1]);
            for (i32 k = 0; k < 3; ++k) q[k] = va[k] + s * e[k];
            f64 qh = std::hypot(q[0], q[1]);
            if (qh > PRF_SLACK) {
                if (!ey0) {
                    q[1] = q[1] * rmax / qh;
                    if (q[0] < 0.0) q[1] = -q[1];
                    s = (q[1] - va[1]) / e[1];
                } else if ((va[0] > 0.0) != (vb[0] > 0.0)) {
                    s = -va[0] / e[0];
                } else {
                    s = std::fabs(vb[0]) <= std::fabs(va[0]) ? len : 0.0;
                }
            }
            s = std::clamp(s, 0.0, len);
            for (i32 k = 0; k < 3; ++k) q[k] = va[k] + s * e[k];
            if (q[2] + PRF_SLACK <= PRLENG && !ez0 && (q[2] + PRF_SLACK <= va[2] || q[2] + PRF_SLACK <= vb[2])) {
                if (q[2] < -PRF_SLACK) {
                    s = -va[2] / e[2];
                    for (i32 k = 0; k < 3; ++k) q[k] = va[k] + s * e[k];
                }
                f64 w2 = rmax * rmax - q[1] * q[1];
                if (w2 < -PRF_SLACK) return;
                if (w2 < 0.0) w2 = 0.0;
                if (q[0] - std::sqrt(w2) > Lmax) {
                    status = 1;
                    return;
                }
                i32 st = 0;
                PRFSRC(tolerance, va, len, e, s, st);
                if (st < 0) return;
                if (s >= len)
                    for (i32 k = 0; k < 3; ++k) q[k] = vb[k];
                else if (s <= 0.0)
                    for (i32 k = 0; k < 3; ++k) q[k] = va[k];
                else
                    for (i32 k = 0; k < 3; ++k) q[k] = va[k] + s * e[k];
            }
        }
    }
    if (q[2] < 0.0) q[2] = 0.0;
    f64 r = PRFRAD(q[2]);
    f64 w2 = r * r - q[1] * q[1];
    if (w2 < -PRF_SLACK) return;
    f64 w = std::sqrt(std::fmax(w2, 0.0));
    if (q[0] < 0.0) w = -w;
    travel = q[0] - w;
    for (i32 k = 0; k < 3; ++k) contact[k] = q[k];
    status = (-PRF_SLACK < travel && travel < Lmax) ? 0 : 1;
}

namespace {

// Is (x, y) inside the triangle's outline in the first two coordinates?
bool in_triangle(const f64* a, const f64* b, const f64* c, f64 x, f64 y)
{
    auto side = [](const f64* p, const f64* q, f64 x, f64 y) {
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0]);
    };
    f64 s1 = side(a, b, x, y), s2 = side(b, c, x, y), s3 = side(c, a, x, y);
    bool neg = s1 < 0 || s2 < 0 || s3 < 0, pos = s1 > 0 || s2 > 0 || s3 > 0;
    return !(neg && pos);
}

}  // namespace

void PRFFAC(const f64* vn, f64 lt, f64& travel, f64* contact, i32& status)
{
    status = -1;
    const f64* u1 = vn;
    const f64* u2 = vn + 3;
    const f64* u3 = vn + 6;
    f64 m[3] = {vn[9], vn[10], vn[11]};
    if (m[2] >= 0.0) m[0] = -m[0], m[1] = -m[1], m[2] = -m[2];
    bool horizontal = eqvald(m[2], -1.0) != 0;
    if (horizontal) {
        bool below = u1[2] < 0 || u2[2] < 0 || u3[2] < 0, above = u1[2] > 0 || u2[2] > 0 || u3[2] > 0;
        if (below && above) horizontal = false;
    }
    if (eqvl0d(m[2]) || horizontal || levald(m[0], 0.0)) return;
    f64 mh = std::hypot(m[0], m[1]);
    f64 w[2] = {m[0] / mh, m[1] / mh};
    f64 q[3];
    if (-m[2] / mh <= PRTANA) {
        q[0] = PRRTOP * w[0] + PRALLW * m[0];
        q[1] = PRRTOP * w[1] + PRALLW * m[1];
        q[2] = PRLENG + PRALLW * m[2];
    } else {
        q[0] = PRRFLT * w[0] + PRRCRN * m[0];
        q[1] = PRRFLT * w[1] + PRRCRN * m[1];
        q[2] = PRRCRN + PRRCRN * m[2];
    }
    const f64 mu = m[0] * u1[0] + m[1] * u1[1] + m[2] * u1[2];
    const f64 X = -(m[1] * q[1] + m[2] * q[2] - mu) / m[0];
    travel = X - q[0];
    // Inside the triangle, in the triangle's own plane: the component along
    // the normal is dropped and the outline tested.
    f64 e1[3] = {u2[0] - u1[0], u2[1] - u1[1], u2[2] - u1[2]};
    f64 e2[3] = {u3[0] - u1[0], u3[1] - u1[1], u3[2] - u1[2]};
    f64 p[3] = {X - u1[0], q[1] - u1[1], q[2] - u1[2]};
    f64 a11 = e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2], a12 = e1[0] * e2[0] + e1[1] * e2[1] + e1[2] * e2[2];
    f64 a22 = e2[0] * e2[0] + e2[1] * e2[1] + e2[2] * e2[2];
    f64 b1 = e1[0] * p[0] + e1[1] * p[1] + e1[2] * p[2], b2 = e2[0] * p[0] + e2[1] * p[1] + e2[2] * p[2];
    f64 det = a11 * a22 - a12 * a12;
    if (det == 0.0) return;
    f64 bu = (b1 * a22 - b2 * a12) / det, bw = (a11 * b2 - a12 * b1) / det;
    if (bu < 0.0 || bw < 0.0 || bu + bw > 1.0) return;
    contact[0] = X, contact[1] = q[1], contact[2] = q[2];
    if (travel >= lt) {
        status = 1;
    } else if (travel >= 0.0) {
        status = 0;
    } else if (in_triangle(u1, u2, u3, q[0], q[1]) && m[0] * q[0] + m[1] * q[1] + m[2] * q[2] - mu > 0.0) {
        // The tool stands in the face already: m points into the material,
        // so the start contact lies behind the plane where m.q exceeds m.u1.
        travel = 0.0;
        status = 0;
    }
}

void PRFTRV(f64 tolerance, const f64* vn, f64 lt, f64& travel, f64* contact, i32& status)
{
    PRFFAC(vn, lt, travel, contact, status);
    if (status >= 0) return;
    f64 tr[3] = {0, 0, 0}, cp[3][3];
    i32 st[3];
    for (i32 k = 0; k < 3; ++k) PRFEDG(tolerance, vn + 3 * k, vn + 3 * ((k + 1) % 3), lt, tr[k], cp[k], st[k]);
    i32 keep = 1;
    for (i32 k : {0, 2})
        if ((st[keep] >= 1 && st[k] < 2) || (st[keep] == 0 && st[k] == 0 && tr[k] < tr[keep])) keep = k;
    status = st[keep];
    travel = tr[keep];
    for (i32 j = 0; j < 3; ++j) contact[j] = cp[keep][j];
}

void PRFTRI(const f64& tolerance, const f64* vn, const f64& lt, f64& travel, f64* contact, i32& status)
{
    PRFTRV(tolerance, vn, lt, travel, contact, status);
}

namespace {

// The travel of a flat, ball or corner-radius tool to one triangle.
void trvcyl(i32 ori, const f64* v, f64 lt, f64 R, f64 r, i32 kind, const f64* ey, const f64* cz, const i32* est,
            const f64* n, f64 pc, f64 tol, f64 travel_in, f64* position, f64* contact, f64& travel, i32& status)
{
    position[0] = position[1] = position[2] = 0.0;
    f64 xmin = std::fmin(v[0], std::fmin(v[3], v[6]));
    if (R + travel_in - 0.0001 < xmin) {
        status = 1;
        return;
    }
    f64 q[3];
    if (kind == 1) {
        q[0] = -r * n[0], q[1] = -r * n[1], q[2] = r - r * n[2];
    } else {
        f64 wh = std::hypot(n[0], n[1]);
        f64 w[2] = {wh > 0 ? n[0] / wh : 0.0, wh > 0 ? n[1] / wh : 0.0};
        q[0] = -(R - r) * w[0] - r * n[0];
        q[1] = -(R - r) * w[1] - r * n[1];
        q[2] = r - r * n[2];
    }
    bool sound = est[0] == 0 && est[1] == 0 && est[2] == 0;
    bool horizontal = eqvald(n[2], 1.0) != 0;
    if (horizontal) {
        bool below = q[2] < v[2] || q[2] < v[5] || q[2] < v[8], above = q[2] > v[2] || q[2] > v[5] || q[2] > v[8];
        if (below && above) horizontal = false;
    }
    bool take = sound && !eqvl0d(n[2]) && !horizontal && std::abs(ori) != 2 && !gtvald(n[0], 0.0);
    if (take) {
        i32 side = 0;
        for (i32 k = 0; k < 3 && take; ++k) {
            f64 g = ey[2 * k + 1] * q[1] - ey[2 * k] * q[2] + cz[k];
            i32 sg = g > 0 ? 1 : (g < 0 ? -1 : 0);
            if (sg == 0) continue;
            if (side == 0) side = sg;
            else if (sg != side) take = false;
        }
    }
    if (take) {
        if (std::fabs(n[0]) >= 0.00015) {
            f64 X = -(n[1] * q[1] + n[2] * q[2] + pc) / n[0];
            f64 t = X - q[0];
            if (t >= 0.0) {
                travel = t;
                contact[0] = X, contact[1] = q[1], contact[2] = q[2];
                position[0] = t;
                status = gtvald(t, lt) ? 1 : 0;
                return;
            }
            auto sidexy = [&](const f64* a, const f64* b) {
                return (b[0] - a[0]) * (q[1] - a[1]) - (b[1] - a[1]) * (q[0] - a[0]);
            };
            f64 s1 = sidexy(v, v + 3), s2 = sidexy(v + 3, v + 6), s3 = sidexy(v + 6, v);
            bool inside = !((s1 < 0 || s2 < 0 || s3 < 0) && (s1 > 0 || s2 > 0 || s3 > 0));
            if (inside && n[0] * q[0] + n[1] * q[1] + n[2] * q[2] + pc < 0.0) {
                travel = 0.0;
                contact[0] = X, contact[1] = q[1], contact[2] = q[2];
                status = 0;
                return;
            }
        } else {
            f64 ymax = std::fmax(std::fabs(v[1]), std::fmax(std::fabs(v[4]), std::fabs(v[7])));
            if (gevald(ymax, R)) {
                status = -1;
                return;
            }
        }
    }
    f64 t = 1.0e10;
    i32 st = -1;
    f64 pt[3];
    TRGTRV(tol, v, lt, R, r, t, pt, st);
    status = -1;
    if (st == 0) {
        travel = t;
        for (i32 k = 0; k < 3; ++k) contact[k] = pt[k];
        status = 0;
        position[0] = t;
    }
}

}  // namespace

void TRVCNT(const f32* u1, const f32* u2, const f32* u3, const i32* entry, const f32* a, const f32* b, const f32& z,
            const i32& dircls, const f64* m, const f64* mt, const i32& kind, const i32& zero_r, const f32& tolerance,
            const f32& d, const f32& r, f32* position, f32* contact, f32& travel, i32& status)
{
    const bool taper = kind > 10;
    const i32 shape = taper ? kind - 10 : kind;
    f64 A[3] = {a[0], a[1], z}, B[3] = {b[0], b[1], z}, At[3], Bt[3];
    V3QTRN(dircls, m, A, At);
    V3QTRN(dircls, m, B, Bt);
    f64 n0[3] = {wrd2r(entry[TRG_NRM]), wrd2r(entry[TRG_NRM + 1]), wrd2r(entry[TRG_NRM + 2])}, n[3];
    V3QTRN(dircls, m, n0, n);
    const f64 pc = n0[0] * A[0] + n0[1] * A[1] + n0[2] * A[2] + wrd2r(entry[TRG_PLANE]);
    f64 vn[12];
    const f32* u[3] = {u1, u2, u3};
    for (i32 k = 0; k < 3; ++k) {
        f64 p[3] = {u[k][0], u[k][1], u[k][2]}, pt[3];
        V3QTRN(dircls, m, p, pt);
        for (i32 j = 0; j < 3; ++j) vn[3 * k + j] = pt[j] - At[j];
    }
    for (i32 j = 0; j < 3; ++j) vn[9 + j] = n[j];
    const f64 lt = Bt[0] - At[0];
    f64 ey[6], cz[3];
    i32 est[3];
    for (i32 k = 0; k < 3; ++k) {
        const f64* c = vn + 3 * k;
        const f64* nx = vn + 3 * ((k + 1) % 3);
        f64 ey0 = nx[1] - c[1], ez0 = nx[2] - c[2], l = std::hypot(ey0, ez0);
        est[k] = l > 0.0 ? 0 : -1;
        ey[2 * k] = l > 0 ? ey0 / l : 0.0;
        ey[2 * k + 1] = l > 0 ? ez0 / l : 0.0;
        cz[k] = ey[2 * k] * c[2] - ey[2 * k + 1] * c[1];
    }
    f64 pos[3] = {0, 0, 0}, con[3] = {0, 0, 0}, trv = travel;
    status = 0;
    if (taper) {
        f64 tolv = tolerance;
        PRFTRI(tolv, vn, lt, trv, con, status);
        pos[0] = trv, pos[1] = 0, pos[2] = 0;
    } else {
        trvcyl(trgori(entry), vn, lt, d * 0.5, r, shape, ey, cz, est, n, pc, tolerance, travel, pos, con, trv,
               status);
    }
    if (status < 0) status = 1;
    if (status != 0) return;
    f64 pb[3], cb[3];
    for (i32 j = 0; j < 3; ++j) pos[j] += At[j], con[j] += At[j];
    V3QTRN(-dircls, mt, pos, pb);
    V3QTRN(-dircls, mt, con, cb);
    for (i32 j = 0; j < 3; ++j) {
        position[j] = static_cast<f32>(pb[j]);
        contact[j] = static_cast<f32>(cb[j]);
    }
    travel = static_cast<f32>(trv);
}
