// Arc fitting of pocket contours: windows of points are fitted by circles
// through their ends, checked against a band about the circle, grown while
// they hold, and written as arcs; a fitted piece that crosses itself keeps
// its points.
#include "pocket/arcfit.h"

#include <cmath>
#include <vector>

#include "pocket/pkgeom.h"
#include "pocket/pkmath.h"

namespace {

constexpr f64 WIDE_ARC = 3.1084313978019007;     // 178.1 degrees
constexpr f64 WIDE_ARC_INV = 0.32170566823740776;  // its reciprocal
constexpr f64 MIN_SWEEP = 0.03490658503988659;    // 2 degrees
constexpr i32 MIN_WINDOW = 6;
constexpr i32 MAX_GROWTH = 60;

// Orientation of three points: +1 counter-clockwise, -1 clockwise, 0 in line.
// The exact sign of the cross product stands in for the host's orientation
// test and its tolerant comparisons: the two differ only for points in line
// within the host's tolerance, where the fit's window has no sweep (which
// the check refuses) and the turn test passes over a turn of 0.
i32 turn(f64 ax, f64 ay, f64 bx, f64 by, f64 cx, f64 cy)
{
    const f64 c = pk_cross2(bx - ax, by - ay, cx - ax, cy - ay);
    return c > 0.0 ? 1 : (c < 0.0 ? -1 : 0);
}

bool put(pokarr& out, f64 x, f64 y)
{
    i32 e = 0;
    pokarr_add_vals(x, &y, nullptr, nullptr, out, e);
    return e == 0;
}

// Fits one piece (entries off .. off + n - 1 of src) into out.
bool fit_piece(const pokarr& src, i32 off, i32 n, const f64& tol, i32 pass, pokarr& out)
{
    const i32 end = off + n - 1;
    const f64* x = src.x;
    const f64* y = src.y;
    if (!put(out, x[off], y[off])) return false;
    i32 i = off;
    while (i < end) {
        if (pk_arc_at(x[i + 1]) && i + 4 <= end) {  // an arc stands: copied through
            for (i32 k = i + 1; k <= i + 4; ++k)
                if (!put(out, x[k], y[k])) return false;
            i += 4;
            continue;
        }
        // A window of at least 6 points must fit before the piece's end; it
        // may then grow up to the end (the last points of a piece can close
        // an arc as well as its first ones open one). Stopping every window
        // 6 points short of the end would leave the last six points of every
        // piece as chords where they lie on the arc before them: a circle
        // would keep six chords at its seam, and a piece of 6 to 11 points
        // on an arc could never be fitted.
        i32 bestj = -1, bestdir = 0;
        f64 bc[2] = {0.0, 0.0}, br = 0.0, bvalue = 0.0;
        // No window holds an arc marker, neither among its first points nor
        // among those it grows by: an arc standing within them starts no
        // window here.
        bool standing = false;
        for (i32 k = i + 1; k < i + MIN_WINDOW - 1 && k <= end; ++k) standing = standing || pk_arc_at(x[k]);
        for (i32 j = i + MIN_WINDOW - 1; !standing && j <= end; ++j) {
            if (pk_arc_at(x[j])) break;
            // "The last accepted arc": the one accepted in this window, and
            // before one is, the window's start (an arc written earlier in
            // the walk ended there or before): the rule bounds the window.
            if (j - (bestj >= 0 ? bestj : i) > MAX_GROWTH) break;
            // Past 15 points from the start and 10 beyond the accepted arc,
            // the window grows on only while that arc's fit value is above
            // 5 tolerances. The window grows one point at a time and, once
            // an arc is accepted, the first rejected window ends the growth,
            // so it never stands more than one point past the accepted arc:
            // this rule, as the 60-point one after an accepted arc, stops
            // nothing the rejection has not stopped already (and an accepted
            // arc's fit value, its points' largest deviation, is at most 1.2
            // tolerances). It is kept so that the growth keeps its bounds
            // should a window ever grow past a rejected one.
            if (bestj >= 0 && j - i >= 15 && j - bestj >= 10 && !(bvalue > 5.0 * tol)) break;
            f64 c[2], r = 0.0, value = 0.0;
            i32 dir = 0;
            if (!pk_arc_fit(x + i, y + i, j - i + 1, tol, c, r, dir, value)) break;
            if (bestj >= 0 && dir != bestdir) break;
            if (pk_arc_check(x + i, y + i, j - i + 1, tol, pass, c, r, dir) != 0) {
                if (bestj >= 0) break;
                // no arc accepted yet: a window refused for any of the
                // checks grows on (a longer one may sweep enough, or fit
                // the band), within the 60 points
                continue;
            }
            bestj = j;
            bestdir = dir;
            bvalue = value;
            bc[0] = c[0];
            bc[1] = c[1];
            br = r;
        }
        if (bestj >= 0) {
            if (!put(out, PK_ARC_MARK, 0.0) || !put(out, br, bestdir) || !put(out, bc[0], bc[1]) ||
                !put(out, x[bestj], y[bestj]))
                return false;
            i = bestj;
        } else {
            if (!put(out, x[i + 1], y[i + 1])) return false;
            ++i;
        }
    }
    return true;
}

// Copies entries off .. off + n - 1 of src to the end of out.
bool copy_through(const pokarr& src, i32 off, i32 n, pokarr& out)
{
    for (i32 k = off; k < off + n; ++k)
        if (!put(out, src.x[k], src.y[k])) return false;
    return true;
}

}  // namespace

// No module-wide fit factor (0.8, stepped by 0.05 after each check) is kept
// beside the fit: nothing inside the fit would read it, so the fit judges
// every window by the tolerance alone.
bool pk_arc_fit(const f64* x, const f64* y, i32 n, const f64& tol, f64* centre, f64& radius, i32& dir, f64& value)
{
    if (n < 3) return false;
    const f64 x0 = x[0], y0 = y[0], x1 = x[n - 1], y1 = y[n - 1];
    const f64 dx = x1 - x0, dy = y1 - y0;
    if (std::fabs(dx) < tol && std::fabs(dy) < tol) return false;
    const f64 len = std::hypot(dx, dy);
    const f64 mx = 0.5 * (x0 + x1), my = 0.5 * (y0 + y1), nx = -dy / len, ny = dx / len;
    const f64 e3 = tol * tol * tol;
    f64 sum = 0.0;
    i32 count = 0;
    // Where the chord's bisector meets the bisector of (ax, ay)-(bx, by).
    auto estimate = [&](f64 ax, f64 ay, f64 bx, f64 by) {
        const f64 ex = bx - ax, ey = by - ay;
        const f64 det = pk_cross2(dx, dy, ex, ey);
        if (std::fabs(det) <= e3) return;
        const f64 qx = 0.5 * (ax + bx) - mx, qy = 0.5 * (ay + by) - my;
        sum += pk_dot2(qx, qy, ex, ey) / pk_dot2(nx, ny, ex, ey);
        ++count;
    };
    for (i32 k = n / 5 + 1; k <= (9 * n) / 10 - 2 && k < n - 1; ++k) {
        estimate(x0, y0, x[k], y[k]);
        estimate(x[k], y[k], x1, y1);
    }
    if (count == 0) return false;
    const f64 lam = sum / count;
    centre[0] = mx + lam * nx;
    centre[1] = my + lam * ny;
    radius = std::hypot(x0 - centre[0], y0 - centre[1]);
    dir = turn(x0, y0, x[n / 2], y[n / 2], x1, y1) >= 0 ? 1 : -1;
    value = 0.0;
    for (i32 k = 0; k < n; ++k)
        value = std::max(value, std::fabs(std::hypot(x[k] - centre[0], y[k] - centre[1]) - radius));
    return true;
}

i32 pk_arc_check(const f64* x, const f64* y, i32 n, const f64& tol, i32 pass, const f64* centre, const f64& radius,
                 i32 dir, f64* deviation)
{
    const f64 f1 = pass == 2 ? 1.2 : 1.0, f2 = pass == 2 ? 0.1 : 0.6;
    const f64 cx = centre[0], cy = centre[1], r = radius;
    const f64 s = pk_arc_sweep(dir, cx, cy, x[0], y[0], x[n - 1], y[n - 1]);
    f64 dev = 0.0;
    if (!deviation) deviation = &dev;
    *deviation = 10.0 * tol;
    if (r < 10.0 * tol || s * r < 10.0 * tol || s > PK_2PI || s < MIN_SWEEP ||
        (s < 0.5 * PK_PI && (1.0 - std::cos(0.5 * s)) * r < 2.0 * tol))
        return 1;
    *deviation = 0.0;
    // A point (or chord midpoint) within the band: 0, else 1 or 2 (outside R + tol).
    auto band = [&](f64 px, f64 py, f64 f) {
        const f64 d = std::hypot(px - cx, py - cy);
        *deviation = std::max(*deviation, std::fabs(d - r));
        const bool ok = std::fabs(d - r) <= f * f1 * tol && (pass == 2 ? d >= r - f2 * tol : d <= r + f2 * tol);
        if (ok) return 0;
        return d > r + tol ? 2 : 1;
    };
    // The points first (their sweep, band and turn), then the midpoints of
    // their chords. A point refused by any of its tests answers 2 when it
    // lies outside R + tol.
    auto refused = [&](i32 k) { return std::hypot(x[k] - cx, y[k] - cy) > r + tol ? 2 : 1; };
    i32 side = 0;
    for (i32 k = 0; k < n; ++k) {
        if (k > 0 && k < n - 1 && pk_arc_sweep(dir, cx, cy, x[0], y[0], x[k], y[k]) > s + 1e-12) return refused(k);
        if (i32 b = band(x[k], y[k], 1.0)) return b;
        if (k + 1 < n && n > 3) {
            const i32 t = turn(x[k], y[k], x[k + 1], y[k + 1], cx, cy);
            if (t != 0) {
                if (side != 0 && t != side) return refused(k);
                side = t;
            }
        }
    }
    for (i32 k = 0; k + 1 < n; ++k)
        if (i32 b = band(0.5 * (x[k] + x[k + 1]), 0.5 * (y[k] + y[k + 1]), 1.5)) return b;
    return 0;
}

void pk_fit_arcs(const f64& tol, pokarr& pts, const i32& npieces, i32* sizes, const i32& start_pass, i32& keep,
                 i32& status)
{
    status = 0;
    const i32 ask = keep;
    keep = 0;
    if (npieces <= 0) return;
    i32 total = 0;
    for (i32 k = 0; k < npieces; ++k) total += sizes[k];
    // Pieces that add up to more than the list holds, or a list that is not
    // plane, are refused as a storage failure (11, the list unchanged): the
    // walk would read past the list's points, or fit arcs to points that
    // are not plane.
    if (total > pts.count || pts.dims != 2) {
        status = 11;
        return;
    }
    std::vector<i32> newsizes(static_cast<size_t>(npieces));
    // The work arrays are pocket arrays of this call, not arrays kept for
    // the module's life: the pool keeps a freed buffer for the next request
    // that fits it, so a later fit gets the same room back without holding
    // the largest piece's room to the end of the run; a growth that fails
    // gives 11 as before.
    pokarr out, piece;
    pokarr_init(2, out);
    pokarr_init(2, piece);
    auto fail = [&]() {
        pokarr_free(out);
        pokarr_free(piece);
        status = 11;
    };
    for (i32 pass = start_pass; pass <= 2; ++pass) {
        i32 e = 0;
        pokarr_clear(out, total + 1, e);
        if (e != 0) return fail();
        i32 off = 0;
        for (i32 k = 0; k < npieces; ++k) {
            const i32 n = sizes[k];
            const i32 before = out.count;
            if (n < MIN_WINDOW) {
                if (!copy_through(pts, off, n, out)) return fail();
            } else {
                pokarr_clear(piece, n + 1, e);
                if (e != 0 || !fit_piece(pts, off, n, tol, pass, piece)) return fail();
                i32 cross = 0;
                pk_self_int_xy(piece.x, piece.y, piece.count, cross);
                if (cross == 0) {
                    if (!copy_through(piece, 0, piece.count, out)) return fail();
                } else {
                    if (!copy_through(pts, off, n, out)) return fail();
                }
                // the keep flag tells of the last piece examined (one long
                // enough to fit) as the last pass left it: a later pass that
                // fits it cleanly clears it
                if (ask != 0) keep = cross != 0 ? 1 : 0;
            }
            newsizes[static_cast<size_t>(k)] = out.count - before;
            off += n;
        }
        total = out.count;
        pokarr_copy(out, pts, e);
        if (e != 0) return fail();
        for (i32 k = 0; k < npieces; ++k) sizes[k] = newsizes[static_cast<size_t>(k)];
    }
    // Arcs of 178.1 degrees or more become equal arcs below that.
    i32 e = 0;
    pokarr_clear(out, total + 1, e);
    if (e != 0) return fail();
    i32 off = 0;
    for (i32 k = 0; k < npieces; ++k) {
        const i32 n = sizes[k], before = out.count;
        for (i32 i = off; i < off + n; ++i) {
            if (!(pk_arc_at(pts.x[i]) && i > off && i + 3 < off + n)) {
                if (!put(out, pts.x[i], pts.y[i])) return fail();
                continue;
            }
            const f64 r = pts.x[i + 1], cx = pts.x[i + 2], cy = pts.y[i + 2];
            const i32 dir = pts.y[i + 1] < 0.0 ? -1 : 1;
            const f64 sx = pts.x[i - 1], sy = pts.y[i - 1], ex = pts.x[i + 3], ey = pts.y[i + 3];
            const f64 sw = pk_arc_sweep(dir, cx, cy, sx, sy, ex, ey);
            const i32 parts = sw >= WIDE_ARC ? static_cast<i32>(sw * WIDE_ARC_INV + 1.0) : 1;
            const f64 a0 = std::atan2(sy - cy, sx - cx);
            for (i32 m = 1; m <= parts; ++m) {
                const f64 a = a0 + dir * sw * m / parts;
                const f64 px = m == parts ? ex : cx + r * std::cos(a), py = m == parts ? ey : cy + r * std::sin(a);
                if (!put(out, PK_ARC_MARK, 0.0) || !put(out, r, dir) || !put(out, cx, cy) || !put(out, px, py))
                    return fail();
            }
            i += 3;
        }
        sizes[k] = out.count - before;
        off += n;
    }
    pokarr_copy(out, pts, e);
    if (e != 0) return fail();
    pokarr_free(out);
    pokarr_free(piece);
}
