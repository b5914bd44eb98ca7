#include "passes/sidstp.h"

#include <cmath>
#include <initializer_list>

#include "core/host.h"
#include "core/params.h"
#include "passes/ncevs.h"
#include "passes/orient.h"
#include "passes/pasdat.h"
#include "tools/toolcache.h"

namespace {

// A point given by its offset v from the tool's tip, about the tool's
// axis: its height w along the axis and its distance rho from it (v is
// left as the part across the axis).
[[gnu::always_inline]] inline void about_axis(const ScallopTool& tool, f64* v, f64& w, f64& rho)
{
    const f32* axis = tool.axis;
    w = v[0] * axis[0] + v[1] * axis[1] + v[2] * axis[2];
    for (i32 k = 0; k < 3; ++k) v[k] -= w * axis[k];
    rho = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// The test of scallop_in_tool, expanded where the entry searches call it.
[[gnu::always_inline]] inline bool in_tool(const ScallopTool& tool, const f64* q, const f64* n, f64 t)
{
    const f32* t0 = tool.tip;
    const f64 R = tool.R, r = tool.r, flat = tool.flat;
    f64 v[3], w, rho;
    for (i32 k = 0; k < 3; ++k) v[k] = q[k] + t * n[k] - t0[k];
    about_axis(tool, v, w, rho);
    if (rho > R) return false;
    f64 prof = 0.0;
    if (rho > flat) {
        const f64 u = rho - flat;
        // A comparison in place of the library's maximum, which is a call:
        // the same value, 0 for a negative or not-a-number difference.
        const f64 sq = f64(r) * r - u * u;
        prof = r - std::sqrt(sq > 0.0 ? sq : 0.0);
    }
    return w >= prof;
}

}  // namespace

bool scallop_in_tool(const ScallopTool& tool, const f64* q, const f64* n, f64 t) { return in_tool(tool, q, n, t); }

f64 scallop_entry_floor(const ScallopTool& tool, const f64* q, const f64* n)
{
    f64 v[3], w, rho;
    for (i32 k = 0; k < 3; ++k) v[k] = q[k] - tool.tip[k];
    about_axis(tool, v, w, rho);
    // The end lies within r of the flat ring's disc (height r over the tip,
    // radius R - r); above the disc's height the tool is the radius about
    // the axis.
    const f64 dr = std::fmax(0.0, rho - tool.flat), dz = w - tool.r;
    const f64 end = std::sqrt(dz * dz + dr * dr) - tool.r;
    const f64 out = std::fmax(0.0, rho - tool.R), below = std::fmax(0.0, tool.r - w);
    const f64 side = std::sqrt(out * out + below * below);
    const f64 gap = std::fmin(end, side);
    const f64 len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    // The margin covers the test's rounding, the widest at the rim, where
    // the corner's root of a difference near zero keeps half the digits.
    const f64 floor = (gap - 1.0e-6 * (1.0 + std::fabs(w) + rho + tool.R)) / (len * (1.0 + 1.0e-9));
    return std::isfinite(floor) && floor > 0.0 ? floor : 0.0;
}

namespace {

// Tool record at (pass value, along value), travelling along (dir).
bool tool(const f64* buf, i32 pcode, f32 p, f32 a, f32 da, i32 side, i32 axsmod, f32 a1, f32 a2, f32* ev, f32* out)
{
    i32 st = -1;
    const bool pu = pcode == 1;
    NCEVS1(buf, pu ? p : a, pu ? a : p, pu ? 0.0f : da, pu ? da : 0.0f, side, axsmod, SRFEVL, a1, a2, 0, ev, out, st);
    return st == 0;
}

f32 sgn(f32 mag, f32 like) { return like < 0 ? -std::fabs(mag) : std::fabs(mag); }

f32 d3(const f32* a, const f32* b)
{
    return static_cast<f32>(std::sqrt(std::pow(f64(a[0]) - b[0], 2) + std::pow(f64(a[1]) - b[1], 2) + std::pow(f64(a[2]) - b[2], 2)));
}

// A mend of the scallop height (side step and scallop routines): the
// height between two tool positions takes the surface between their
// contacts as flat. On a concave surface the surface falls away from that
// flat between them and more material stays. So the material left between
// the two tools is measured twice, over the surface between the two
// contacts (along the same along value) and over the straight line of the
// two contacts: over a point, along the surface's normal there, the
// material reaches up to where that ray enters the nearer of the two tools.
// Moving from the first contact to the second, the first tool's reach grows
// and the second's shrinks: the highest material stands where the two
// meet, found by bisection. What the surface leaves beyond the straight
// line is added to the flat height; a plane or a convex surface adds
// nothing, so the passes over them stay as they were.
f32 concave_excess(const f64* buf, i32 pcode, f32 p0, f32 step, f32 x, i32 side, const f32* ea, const f32* eb,
                   const f32* ta, const f32* tb, const f32* axis, f32 d, f32 r)
{
    const f64 R = 0.5 * d, flat = R - r;
    // Distance along the ray q + t n to where it enters the tool of tip t0
    // (1.0e30 when it passes by the tool). Once the ray is known to stay
    // outside the tool up to `beyond`, the search stops with 1.0e30: the
    // entry lies past `beyond` and the caller needs no more than that.
    auto entry = [&](const f64* q, const f64* n, const f32* t0, f64 beyond) {
        const ScallopTool tool{t0, axis, R, r, flat};
        // Trial points nearer than the floor lie outside the tool for sure:
        // they are answered without the test, the search runs as before.
        const f64 none_before = scallop_entry_floor(tool, q, n);
        auto inside = [&](f64 t) { return t >= none_before && in_tool(tool, q, n, t); };
        if (inside(0.0)) return 0.0;
        f64 lo = 0.0, hi = 0.0005;
        if (lo >= beyond) return 1.0e30;
        while (!inside(hi)) {
            lo = hi;
            hi *= 1.25;
            if (hi > 2.0 * R || lo >= beyond) return 1.0e30;
        }
        for (i32 it = 0; it < 40 && hi - lo > 1.0e-9; ++it) {
            const f64 m = 0.5 * (lo + hi);
            (inside(m) ? hi : lo) = m;
            if (lo >= beyond) return 1.0e30;
        }
        return hi;
    };
    // The highest material over the surface (line false) or over the
    // straight line of the contacts (line true); false when the surface
    // cannot be evaluated.
    auto highest = [&](bool line, f64& best) {
        f64 lo = 0.0, hi = 1.0;
        best = 0.0;
        for (i32 it = 0; it < 24; ++it) {
            const f64 w = 0.5 * (lo + hi);
            const f32 p = static_cast<f32>(p0 + w * step);
            f32 ev[9], nv[3];
            i32 st = 0;
            evsrfn(buf, pcode == 1 ? p : x, pcode == 1 ? x : p, 2, ev, nv, st);
            if (st < 0) return false;
            f64 q[3];
            for (i32 k = 0; k < 3; ++k) q[k] = line ? ea[k] + w * (f64(eb[k]) - ea[k]) : ev[k];
            const f64 n[3] = {side == -1 ? -nv[0] : nv[0], side == -1 ? -nv[1] : nv[1], side == -1 ? -nv[2] : nv[2]};
            // Past the first tool's entry the second's only has to be
            // known to lie further: the nearer entry and the side are the same.
            const f64 ha = entry(q, n, ta, 1.0e30), hb = entry(q, n, tb, ha);
            const f64 h = std::fmin(ha, hb);
            if (h < 1.0e29) best = std::fmax(best, h);
            if (ha < hb)
                lo = w;
            else
                hi = w;
        }
        return true;
    };
    f64 over_surface = 0.0, over_line = 0.0;
    if (!highest(false, over_surface) || !highest(true, over_line)) return 0.0f;
    return static_cast<f32>(std::fmax(0.0, over_surface - over_line));
}

// Moves the sampling off collapsed edges (the host's degenerate-edge query
// over the patch of the along range and the pass values): a pass value on a
// collapsed edge moves forward by a twentieth of the first trial step
// (unless it is the end of the range), an along end on one moves inwards by
// one sampling interval of (places - 1) over the along range. Poles give no
// normal and no direction, so a tool placed exactly there is no measure.
void off_degenerate(const f64* buf, i32 pcode, f32 step, f32 pend, i32 places, f32& p, f32& a0, f32& a1)
{
    i32 f[4] = {0, 0, 0, 0}, st = 0;
    if (pcode == 1)
        srfdgf(buf, p, pend, a0, a1, f, st);
    else
        srfdgf(buf, a0, a1, p, pend, f, st);
    if (st < 0) return;
    const bool at_pass = pcode == 1 ? f[0] : f[2], at_start = pcode == 1 ? f[2] : f[0], at_end = pcode == 1 ? f[3] : f[1];
    const f32 d = (a1 - a0) / static_cast<f32>(places - 1);
    if (at_pass && p != pend) p += step / 20.0f;
    if (at_start) a0 += d;
    if (at_end) a1 -= d;
}

}  // namespace

void SCLBRK(const f32& good, const f32& bad, const f32& range, const f32& prevsize, const f32& proposed, f32& step,
            i32& status)
{
    status = 0;
    f32 s = sgn(std::fmin(std::fabs(proposed), std::fabs(range)), step);
    const f32 g = std::fabs(good), b = std::fabs(bad);
    if (std::fabs(s) >= b && std::fabs(s) <= g) {
        status = -1;
        return;
    }
    if (std::fabs(s) <= g) s = good + (bad - good) * 0.1f;
    if (std::fabs(s) >= b) s = bad - (bad - good) * 0.1f;
    const f32 old = step;
    if (std::fabs(s) <= prevsize)
        step = s;
    else
        step = sgn(0.5f * (std::fabs(step) + prevsize), step);
    if (eqval(old, step)) status = -1;
}

void SCLPOS(const f64* buf, const f32& p0, f32& step, const f32& x, const f32& limit, const f32& x2, const i32& side,
            const i32& pcode, const f32& target, const i32& axsmod, const f32& a1, const f32& a2, f32& dist,
            i32& status)
{
    status = -1;
    f32 d = 0, r = 0;
    GTDIAM(CURTOL, d);
    GTCRNR(CURTOL, r);
    if (d < 0 || r < 0) return;
    const f32 range = limit - p0;
    f32 bad = 1.001f * range, good = 0.0f, bestsc = 1.0e20f, badstep = 0.0f;
    bool havebad = false;
    const f32 da = x2 - x;
    f32 eva[9], pa[9], evb[9], pb[9];
    f32 s = step;
    bool okA = false;
    f32 place = p0;
    for (i32 t = 0; t < 12 && !okA; ++t) {
        okA = tool(buf, pcode, place, x, da, side, axsmod, a1, a2, eva, pa);
        if (!okA) {
            const f32 q = p0 + s / static_cast<f32>(2 << t);
            place = (range >= 0) ? std::fmin(q, limit) : std::fmax(q, limit);
        }
    }
    if (!okA) return;
    // The distance ratio divides by the clean-up value: one of 0 (not set)
    // is taken as the thousandth the execution puts in its place.
    const f32 clnmin = pwr(CLNMIN) > 0 ? pwr(CLNMIN) : 0.001f;
    i32 retries = 0;
    bool lastgood = false;
    for (i32 it = 0; it < 20; ++it) {
        bool atlim = false;
        if ((range >= 0 && p0 + s >= limit) || (range < 0 && p0 + s <= limit)) {
            s = limit - p0;
            atlim = true;
        }
        // Back halfway towards the largest good step, a retry; no change
        // leaves nothing usable.
        auto back = [&]() {
            const f32 ns = 0.5f * (s + good);
            if (eqval(ns, s)) return false;
            s = ns;
            return true;
        };
        if (!tool(buf, pcode, p0 + s, x, da, side, axsmod, a1, a2, evb, pb)) {
            // Past the twelfth retry the search stops with what it found:
            // the good or bad steps already measured are still usable, and
            // more halvings towards them only repeat failing evaluations.
            if (++retries > 12) break;
            if (!back()) return;
            continue;
        }
        f32 mean[3] = {pa[3] + pb[3], pa[4] + pb[4], pa[5] + pb[5]}, len = 0, h = 0;
        i32 st = 0;
        v3unit(mean, len, st);
        if (axsmod == 1)
            SCLHT3(d, r, 0, 0, pa, pb, mean, h, st);
        else
            SCLHTA(d, r, 0, 0, pa, pb, pa + 3, pb + 3, mean, h, st);
        if (st > 0 && lastgood) {
            // An answer without a height after a good trial forms no ratio:
            // back towards the good step.
            if (++retries > 12) break;
            if (!back()) return;
            continue;
        }
        if (st == 0) {
            static const f32 up[3] = {0.0f, 0.0f, 1.0f};
            h += concave_excess(buf, pcode, p0, s, x, side, eva, evb, pa, pb, axsmod == 1 ? up : mean, d, r);
        }
        const f32 q = st == 0 ? h / std::fabs(target) : 2.0f;
        f32 dd = MACTYP == MACTYP_ONESURF ? std::hypot(eva[0] - evb[0], eva[1] - evb[1]) : d3(eva, evb);
        dist = dd;
        f32 ratio, tol;
        bool isgood;
        if (dd <= clnmin) {
            ratio = dd / clnmin, tol = 0.05f, isgood = ratio <= 1.05f;
        } else {
            ratio = q, tol = 0.1f, isgood = q <= 1.1f;
        }
        lastgood = isgood;
        if (isgood) {
            if (std::fabs(s) > std::fabs(good)) good = s;
        } else {
            if (std::fabs(s) < std::fabs(bad)) bad = s;
            if (h < bestsc) bestsc = h, badstep = s, havebad = true;
        }
        if (std::fabs(1.0f - ratio) <= tol || (atlim && isgood)) break;
        const f32 xy = std::hypot(pa[0] - pb[0], pa[1] - pb[1]);
        f32 prop;
        if (ratio >= 0.05f && ratio < 1.0f)
            prop = std::fmin(s / std::sqrt(ratio), 3.0f * s);
        else if (ratio >= 1.0f)
            prop = 0.5f * s;
        else
            prop = xy > 0 ? s * std::fmin(3.0f, std::fmax(1.1f, d / xy)) : 3.0f * s;
        if (s < 0 && ratio >= 0.05f && ratio < 1.0f) prop = std::fmax(s / std::sqrt(ratio), 3.0f * s);
        // The size the bracket lets a step reach: three times the previous
        // step, as much as a proposal grows. With the previous step's own
        // size a larger proposal would be cut back to the step itself, which
        // ends the search: the step could never grow.
        i32 bst = 0;
        SCLBRK(good, bad, range, 3.0f * std::fabs(s), prop, s, bst);
        if (bst != 0) break;
    }
    f32 res;
    if (good != 0.0f) {
        status = 0;
        res = good;
    } else if (havebad) {
        status = 1;
        res = badstep;
    } else {
        return;
    }
    if (target < 0 || std::fabs(res) < std::fabs(step)) step = res;
    if (tool(buf, pcode, p0 + step, x, da, side, axsmod, a1, a2, evb, pb))
        dist = MACTYP == MACTYP_ONESURF ? std::hypot(eva[0] - evb[0], eva[1] - evb[1]) : d3(eva, evb);
}

void SCLSTP(const f64* buf, const f32& sclhgt, const f32& astart_in, const f32& aend_in, const f32& guess,
            const f32& pcur_in, const f32& pend, const f32& whole, const i32& pcode, const i32& side, const i32& axsmod,
            const i32& cutsgn, const f32& a1, const f32& a2, f32& next, f32& metric)
{
    const f32 twelfth = whole / 12.0f;
    f32 step = guess > 0 ? std::fmin(guess, twelfth) : std::fmax(guess, twelfth);
    // A first step of 0 makes no progress and no ratio: a twelfth instead.
    if (step == 0.0f) step = twelfth;
    f32 pcur = pcur_in, astart = astart_in, aend = aend_in;
    off_degenerate(buf, pcode, step, pend, 12, pcur, astart, aend);
    const f32 d = (aend - astart) / 11.0f;
    f32 limit = pend;
    bool any = false;
    for (i32 k = 0; k < 12; ++k) {
        const f32 x = k == 11 ? aend : astart + static_cast<f32>(k) * d;
        // The direction of travel is the pass's own at every place, the last
        // one too (x2 is read for the direction only).
        const f32 x2 = x + d;
        const f32 target = k == 0 ? -sclhgt : sclhgt;
        i32 st = 0;
        // The metric is the distance the scallop solver measured at the last
        // place it solved: in XY under machining type 14, as it decides the
        // step there by that distance (one surface, compared with none).
        SCLPOS(buf, pcur, step, x, limit, x2, side, pcode, target, axsmod, a1, a2, metric, st);
        if (st == 0 || st == 1) any = true;
        if (st == 0) limit = pcur + step;
    }
    if (!any && MACTYP != MACTYP_ONESURF)
        usmsgc("NO SCALLOP CALCULATION IN THIS PASS!|SIDE STEP IS FUNCTION OF NUMBER OF DISPLAYED SURFACE POINTS.");
    next = pcur + step;
    if ((pend >= pcur && next > limit) || (pend < pcur && next < limit)) next = limit;
}

void SPCSTP(const f64* buf, const f32& sidstp, const f32& tol, const f32& pcur_in, const f32& pend, f32& guess,
            const f32& astart_in, const f32& aend_in, const i32& pcode, const i32& side, const i32& axsmod, f32& next,
            f32& metric, i32& status)
{
    status = 0;
    const f32 e = std::fmin(tol, 0.01f);
    f32 step = guess;
    // A guess of 0 would never move off the pass: a thirtieth of what
    // remains of the range instead.
    if (step == 0.0f) step = (pend - pcur_in) / 30.0f;
    f32 pcur = pcur_in, astart = astart_in, aend = aend_in;
    off_degenerate(buf, pcode, step, pend, 10, pcur, astart, aend);
    f32 known = step;
    if (pend - pcur > 0 && known > pend - pcur) known = pend - pcur;
    f32 pts[10][9];
    bool ok[10];
    i32 nok = 0;
    const f32 da = (aend - astart) / 9.0f;
    for (i32 i = 0; i < 10; ++i) {
        f32 ev[9];
        ok[i] = tool(buf, pcode, pcur, astart + static_cast<f32>(i) * da, da, side, axsmod, pwr(LEADAN), pwr(TLTCMP), ev,
                     pts[i]);
        if (ok[i]) ++nok;
    }
    if (nok == 0) {
        next = pcur + step;
        // The guess comes back as the step taken here too: a zero guess
        // stepped by a thirtieth, or a pass value moved off a collapsed
        // edge, takes another step than the one handed in.
        guess = next - pcur_in;
        status = 1;
        return;
    }
    auto dmax = [&](f32 p) {
        f32 m = 0;
        for (i32 i = 0; i < 10; ++i) {
            if (!ok[i]) continue;
            f32 ev[9], q[9];
            if (!tool(buf, pcode, p, astart + static_cast<f32>(i) * da, da, side, axsmod, pwr(LEADAN), pwr(TLTCMP), ev, q))
                continue;
            m = std::fmax(m, d3(q, pts[i]));
        }
        return m;
    };
    const bool up = pend >= pcur;
    f32 lastgood = pcur, lastd = 0, hibr = 0;
    bool bisect = false;
    f32 res = pcur + step;
    f32 resd = -1.0f;  // the largest distance of the result, -1 while not measured
    bool found = false;
    for (i32 it = 0; it < 20 && !found; ++it) {
        f32 p;
        if (!bisect) {
            p = lastgood + step;
            if ((up && p >= pend) || (!up && p <= pend)) p = pend;
        } else {
            p = 0.5f * (lastgood + hibr);
        }
        const f32 d = dmax(p);
        metric = d;
        if (bisect && (d - lastd < e || std::fabs(d - sidstp) < e)) {
            res = p, resd = d;
            found = true;
            break;
        }
        if (d <= sidstp) {
            lastgood = p;
            lastd = d;
            if (p == pend) {
                res = p, resd = d;
                found = true;
                break;
            }
            if (!bisect) step *= d / sidstp < 0.2f ? 3.0f : (d / sidstp < 0.5f ? 2.0f : 1.5f);
        } else {
            hibr = p;
            bisect = true;
        }
        if (bisect && eqvl0d(f64(hibr) - f64(lastgood))) {
            res = lastgood, resd = lastd;
            found = true;
        }
    }
    // At the iteration limit the last good value, when there is one: the
    // current value and the step may lie beyond the side step, the last good
    // one keeps within it.
    if (!found && lastgood != pcur) res = lastgood, resd = lastd;
    if (!found && lastgood == pcur) res = pcur + step;
    // A result that does not move while the search moved (a distance or a
    // step): half the known step instead, added until it moves; 30 times at
    // most, for a known step of 0 never moves it.
    if (eqval(res * 1000.0f, pcur * 1000.0f) && (metric > 0.0f || step != 0.0f)) {
        guess = 0.5f * known;
        res = pcur + guess;
        for (i32 k = 0; k < 30 && eqval(res * 1000.0f, pcur * 1000.0f); ++k) res += guess;
        resd = -1.0f;
    }
    // The metric compares the surfaces by the step each takes: the distance of
    // the value returned, measured again where the search ended elsewhere (a
    // bad last trial, the iteration limit, the guard).
    metric = resd >= 0.0f ? resd : dmax(res);
    guess = res - pcur_in;
    next = res;
}
