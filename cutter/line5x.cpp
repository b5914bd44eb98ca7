// The five-axis link walk: the tool carried along a straight link with its
// axis turning from one end's axis to the other's, positioned at each step
// over the triangle model, the walk refined where the contact changes.
#include "cutter/line5x.h"

#include <cmath>
#include <cstring>

#include "core/host.h"
#include "core/params.h"
#include "core/vec.h"
#include "cutter/linnetn.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "tools/toolcache.h"

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
Ln5Rec ln5_carry;

void ln5_reset_carry()
{
    std::memset(&ln5_carry, 0, sizeof ln5_carry);
    for (i32 k = 0; k < 3; ++k) ln5_carry.lin[k] = ln5_carry.axs[k] = 1.0e8f;
}

const bool ln5_ready = (ln5_reset_carry(), true);

Ln5Rec* ln5_base()
{
    void* b = nullptr;
    mmcptr(ln5_handle, b);
    return static_cast<Ln5Rec*>(b);
}

// The walk's records (0 to n) cut into strings: a new string where a sound
// position lies farther than R from the last one written (machining type
// 14: after a gap of unsound positions, which are left out). cur: the last
// string's index. When the strings or the points run out the storing stops
// (status -1) and what was stored stays.
void ln5_strings(const Ln5Rec* W, i32 n, f32 R, const i32& maxpoints, const i32& maxstrings, f32* points, f32* axes,
                 i32& nstrings, i32* counts, i32& total, i32& cur, i32& status)
{
    cur = -1;
    bool gap = false;
    const f32* lastp = nullptr;
    for (i32 k = 0; k <= n; ++k) {
        const Ln5Rec& r = W[k];
        if (MACTYP == MACTYP_ONESURF && !r.ok) {
            gap = true;
            continue;
        }
        bool fresh = cur < 0;
        if (!fresh && counts[cur] > 0 && lastp && dist3_sq(lastp, r.pos) > f64(R) * R)
            fresh = MACTYP == MACTYP_ONESURF ? gap : (r.far == 0 && r.ok == 1);
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
}

// Each string thinned within thin, the strings closed up.
void ln5_thin(f32 thin, i32 cur, f32* points, f32* axes, i32* counts, i32& total)
{
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

namespace {
// Opens the walk's work array when none is open, with room for the caller's
// points; status is the host's answer when it refuses.
void ln5_open(i32 maxpoints, i32& status)
{
    if (ln5_handle >= 0) return;
    void* b = nullptr;
    i32 st = 0;
    // At least 8 records: the walk writes its first records before it
    // first grows the array (with three records' margin), so a caller's
    // capacity of a few points, or none, must not leave it writing past
    // the array.
    const i32 cap = maxpoints > 8 ? maxpoints : 8;
    MM_OPEN_ARRAY(static_cast<i32>(sizeof(Ln5Rec)), cap, ln5_handle, b, st);
    if (st != 0) {
        ln5_handle = -1;
        status = st;
        return;
    }
    ln5_cap = cap;
}
}  // namespace

namespace {
// The link context one record is positioned in: the link's ends and length,
// the tolerance, the allowances and the distance beyond which a position
// counts as far from the link.
struct Ln5Link {
    const f32* start;
    const f32* end;
    f32 L, tol, allowance_a, allowance_b, farlim;
};

// Positions record i of the work array W at its distance along the link:
// 0, or a negative status of the front end.
i32 ln5_position(const Ln5Link& c, Ln5Rec* W, i32 i)
{
    const f32* start = c.start;
    const f32* end = c.end;
    const f32 L = c.L, tol = c.tol, allowance_a = c.allowance_a, allowance_b = c.allowance_b, farlim = c.farlim;
    Ln5Rec& r = W[i];
    // A link of no length has every record at its start: weight 0, as
    // p / L would be 0 / 0 and carry NaN into the point, the axis and
    // the front end.
    const f64 w = L > 0 ? f64(r.par) / L : 0.0;
    for (i32 k = 0; k < 3; ++k) {
        r.lin[k] = static_cast<f32>((1.0 - w) * start[k] + w * end[k]);
        r.axs[k] = static_cast<f32>((1.0 - w) * LOCSN1[k] + w * LOCSN2[k]);
        LOCTAX[k] = r.axs[k];
    }
    const Ln5Rec& prev = i == 0 ? ln5_carry : W[i - 1];
    if (eqvl0d(std::sqrt(dist3_sq(r.lin, prev.lin))) && eqvl0d(std::sqrt(dist3_sq(r.axs, prev.axs))) &&
        (prev.ok || i == 0)) {
        // The record keeps its own distance: for the first record the
        // carried one's is the previous link's length, and the walk
        // would start there, far along, or stop at once at the end.
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
    if (st == 1) {
        // Nothing under the tool: the front end gives no position (only
        // its Z marker -1e10, X and Y unset) and no normal. The tool
        // stands free at the link point itself, along its own axis; the
        // record is still stored outside machining type 14, and a marker
        // height or stale X/Y would go out as a link position.
        for (i32 k = 0; k < 3; ++k) res[k] = r.lin[k], r.nrm[k] = r.axs[k];
        srf = -1;
    }
    for (i32 k = 0; k < 3; ++k) r.pos[k] = res[k];
    // A contact on a protected surface counts where the tool stands on
    // the link itself.
    if (MACTYP != MACTYP_ONESURF && st == 4 && dist3_sq(r.pos, r.lin) <= f64(tol) * tol) st = 0;
    r.tri = srf;
    r.ok = st == 0 ? 1 : 0;
    r.far = (MACTYP != MACTYP_ONESURF && r.ok && dist3_sq(r.pos, r.lin) >= f64(farlim) * farlim) ? 1 : 0;
    return 0;
}
}  // namespace

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
    const bool flat_end = eqval0(cr) != 0;
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
    ln5_open(maxpoints, status);
    if (status != 0) return;
    Ln5Rec* W = ln5_base();
    W[0].par = 0.0f;
    const Ln5Link link{start, end, L, tol, allowance_a, allowance_b, farlim};
    auto position = [&](i32 i) { return ln5_position(link, W, i); };
    i32 i = 0, n = 0;
    i32 ps = position(0);
    if (ps < 0) {
        status = ps;
        return;
    }
    // The walk ends by itself (insertions halve gaps down to tol / 4); a walk
    // stopped by the bound holds 500,000 records or more, past any caller's
    // capacity, so the strings report its failure rather than pass it whole.
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
                            (i < 2 || net_fits(W[i - 2].pos, W[i - 1].pos, W[i].pos, tol, flat_end, false) ||
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
    // The record at the link's end counts even when newest: left out, the
    // strings would stop a step short and the end's stretch go untested.
    if (i > n) n = i;
    i32 cur = -1;
    ln5_strings(W, n, R, maxpoints, maxstrings, points, axes, nstrings, counts, total, cur, status);
    ln5_carry = W[n];
    ln5_thin(thin, cur, points, axes, counts, total);
    // Nothing stored: one string of no points, in the room given for it; with
    // no room, 0 (a count of 1 would have the caller read past its array).
    nstrings = cur + 1 > 1 ? cur + 1 : (maxstrings > 0 ? 1 : 0);
    (void)ln5_ready;
}
