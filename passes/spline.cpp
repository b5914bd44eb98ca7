#include "passes/spline.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "blocks/movement.h"
#include "core/host.h"
#include "passes/bsural.h"
#include "tools/toolcache.h"

i32 FITFAIL = 0;

namespace {

constexpr f64 COSTRN = 0.642788, COSAXS = 0.766044;
constexpr i32 MAXINS = 30;

// The chain and the fit's work arrays are kept in the module's own growing
// arrays, not in host dynamic arrays: the chain lives from execution to
// execution, where a host array would have to stay open across the host's
// own clean-ups and be fetched again after every growth. A growth that the
// memory refuses is caught where it happens and ends as a refused host
// allocation would: a chain that cannot take a point fails the write with a
// message, a fit that cannot get its work arrays goes to the polyline.
struct Fit {
    f64 t = 0.01, t4 = 0.000025, t2x2 = 0.0002;  // tolerance, t^2/4, 2t^2
    std::vector<f64> chain;                      // x, y, z per point
    i32 newchain = 1;
    f32 last[3] = {0, 0, 0};
    i32 lastmark = 0, chainmark = 0;
    f32 lastaxis[3] = {0, 0, 1};
    f32 fitlast[3] = {0, 0, 0};
    i32 fitvalid = 0;
    i32 nurbs = 0, polys = 0;
};
Fit F;

const f32 ZUP[3] = {0, 0, 1};

i32 cnt() { return static_cast<i32>(F.chain.size() / 3); }
const f64* at(i32 k) { return &F.chain[3 * static_cast<size_t>(k)]; }

f64 dist(const f64* a, const f64* b) { return std::sqrt(std::pow(a[0] - b[0], 2) + std::pow(a[1] - b[1], 2) + std::pow(a[2] - b[2], 2)); }

// Appends p to the chain; false (nothing taken) when the chain cannot grow.
[[nodiscard]] bool take(const f64* p, i32 mark, const f32* axis)
{
    // The room grows here, ahead of the insert, so that a refusal is met
    // before anything is taken; it doubles (300 values at first) to keep the
    // copies of a long chain few.
    try {
        const size_t cap = F.chain.capacity();
        if (F.chain.size() + 3 > cap) F.chain.reserve(cap + std::max<size_t>(cap, 300));
    } catch (const std::bad_alloc&) {
        return false;
    }
    F.chain.insert(F.chain.end(), p, p + 3);
    for (i32 k = 0; k < 3; ++k) F.last[k] = static_cast<f32>(p[k]);
    F.newchain = 0;
    F.lastmark = mark;
    if (cnt() == 1) F.chainmark = mark;
    if (axis) std::memcpy(F.lastaxis, axis, sizeof F.lastaxis);
    return true;
}

void refused(i32& status)
{
    eroutc("SPLWRT, DYNAMIC MEMORY ERROR", 0);
    status = -1;
}

void line(const f64* p, i32& status)
{
    const f32 q[3] = {static_cast<f32>(p[0]), static_cast<f32>(p[1]), static_cast<f32>(p[2])};
    i32 open = 0;
    PLGFED(MOVST.point, q, open);
    MOVLIN(1, q, ZUP, status);
}

void tool(f64& d, f64& rc)
{
    f32 dd = 0, rr = 0;
    GTDIAM(CURTOL, dd);
    GTCRNR(CURTOL, rr);
    d = dd > 0 ? dd : 0.0;
    rc = rr > 0 ? rr : 0.0;
}

// The chain as a thinned polyline of straight moves. It is thinned in place
// (it is emptied after the flush anyway), so the fallback needs no memory of
// its own and stays open to a chain whose fit found none.
void fallback(i32& status)
{
    i32 n = cnt();
    diluld(3, F.t, F.chain.data(), n);
    for (i32 k = 0; k < n && status >= 0; ++k) line(&F.chain[3 * static_cast<size_t>(k)], status);
    ++F.polys;
}

// A chosen fit point: its place along the chain (index and fraction) and
// its coordinates.
struct Pick {
    f64 pos;
    f64 p[3];
};

bool fit(const std::vector<Pick>& picks, std::vector<f64>& knots, std::vector<f64>& ctrl, i32& handle)
{
    const i32 n = static_cast<i32>(picks.size());
    std::vector<f64> pts;
    for (const auto& k : picks) pts.insert(pts.end(), k.p, k.p + 3);
    const i32 m = std::max(n, 4);
    knots.assign(static_cast<size_t>(m + 4), 0.0);
    ctrl.assign(3 * static_cast<size_t>(m), 0.0);
    // Knots that cannot be made leave the chain to the polyline; only a
    // spline that cannot interpolate the chosen points is approximated.
    i32 st = FITFAIL ? -1 : 0;
    if (st >= 0) cal_i_knt(n, pts.data(), knots.data(), st);
    if (st < 0) return false;
    calbsp(n, pts.data(), knots.data(), ctrl.data(), st);
    i32 nctrl = m;
    if (st < 0) {
        // The approximation within a tenth of the tolerance.
        const i32 cap = std::max(n, 4);
        std::vector<f64> k2(static_cast<size_t>(cap + 4)), c2(3 * static_cast<size_t>(cap));
        itrnrpt(n, pts.data(), 0.1 * F.t, cap, nctrl, k2.data(), c2.data(), st);
        if (st >= 0) {
            knots.assign(k2.begin(), k2.begin() + nctrl + 4);
            ctrl.assign(c2.begin(), c2.begin() + 3 * nctrl);
        }
    }
    if (st < 0 || nctrl < 4) return false;
    // The control points stay in the frame of the chain (the tool path's
    // world frame): the curve is measured against the chain's points and
    // written as the block, both in that frame, and control points turned
    // into the model frame would be compared with world points wherever the
    // two frames differ.
    evbcre_bsp(3, nctrl, knots.data(), ctrl.data(), handle, st);
    return st >= 0;
}

f64 far2(i32 handle, const f64* p)
{
    f64 c[3], d2 = 0;
    i32 st = 0;
    cptcrv2(handle, p, c, d2, st);
    return st < 0 ? 1e300 : d2;
}

}  // namespace

void FITINI(const i32&, const f32& tol)
{
    F = Fit{};
    // A tolerance of 0 or less would take every point as apart and verify
    // every chain against nothing (the samples a length divided by 0): the
    // fit keeps a hundredth instead.
    F.t = tol > 0 ? tol : 0.01;
    F.t4 = F.t * F.t / 4;
    F.t2x2 = 2 * F.t * F.t;
}

void FITLST(f32* point, i32& status)
{
    status = F.fitvalid ? 0 : -1;
    if (F.fitvalid) std::memcpy(point, F.fitlast, sizeof F.fitlast);
}

void FITTOL(const i32& mode, f32& value)
{
    if (mode == 1)
        value = static_cast<f32>(F.t);
    else if (mode == 2)
        F.t = value;
}

void FITCNT(i32& nurbs, i32& polylines)
{
    nurbs = F.nurbs;
    polylines = F.polys;
}

i32 FITPTS(i32 m, i32* chosen)
{
    i32 n = 0;
    if (m <= 4) {
        for (i32 k = 0; k < m; ++k) chosen[n++] = k;
    } else if (m < 64) {
        const i32 c[4] = {0, m / 3, 2 * m / 3, m - 1};
        for (i32 k : c)
            if (n == 0 || chosen[n - 1] != k) chosen[n++] = k;
    } else {
        for (i32 k = 0; k < m - 1; k += 16) chosen[n++] = k;
        chosen[n++] = m - 1;
    }
    return n;
}

void SPLWRT(const i32& n, const f32* pts, const f32* axes, const i32* marks, i32& status)
{
    status = 0;
    f64 D = 0, Rc = 0;
    tool(D, Rc);
    const f64 t = F.t;
    for (i32 i = 0; i < n && status >= 0; ++i) {
        const f64 p[3] = {pts[3 * i], pts[3 * i + 1], pts[3 * i + 2]};
        const i32 mk = marks ? marks[i] : 0;
        const f32* ax = axes ? axes + 3 * i : nullptr;
        const f64 lastp[3] = {F.last[0], F.last[1], F.last[2]};
        if (cnt() < 2) {
            if ((F.newchain || std::pow(dist(p, lastp), 2) > F.t4) && !take(p, mk, ax)) return refused(status);
            continue;
        }
        const i32 nb = cnt();
        const f64* b = at(nb - 1);
        const f64 s = dist(p, b), sxy = std::hypot(p[0] - b[0], p[1] - b[1]);
        if (s == 0.0) continue;
        // The previous length: back to the nearest point at least t/2 away.
        i32 k = nb - 2;
        while (k > 0 && dist(b, at(k)) < t / 2) --k;
        const f64 q = dist(b, at(k));
        f64 qd[3] = {0, 0, 0};
        if (q > 0)
            for (i32 c = 0; c < 3; ++c) qd[c] = (b[c] - at(k)[c]) / q;
        bool a = q != 0.0;
        if (a && s < q / 3 && i < n - 1) {
            if (!(marks && i > 0 && std::abs(marks[i]) != std::abs(marks[i - 1]))) {
                const f64 nx[3] = {pts[3 * i + 3], pts[3 * i + 4], pts[3 * i + 5]};
                const f64 r = dist(nx, p);
                if (r < q / 3) {
                    if (marks && (marks[i] < 0 || marks[i + 1] < 0)) a = false;
                    if (20 * s < q && 20 * r < q) a = false;
                }
            }
        }
        if (a && s > 3 * q) {
            if (nb == 2) {
                if (s > 20 * q) a = false;
            } else {
                const f64 q2 = dist(at(nb - 2), at(nb - 3));
                if (s > 3 * q2) {
                    if (marks && i >= 2 && (marks[i - 1] < 0 || marks[i - 2] < 0)) a = false;
                    if (s > 20 * q && s > 20 * q2) a = false;
                }
            }
        }
        if (sxy < 0.3 * t && s > Rc) a = false;
        if (20 * sxy < s && s > D / 2) a = false;
        const bool marker = !marks || std::abs(mk) == std::abs(F.chainmark);
        f64 cosv = 0;
        for (i32 c = 0; c < 3; ++c) cosv += (p[c] - b[c]) / s * qd[c];
        bool turn = cosv > COSTRN || q < t / 2;
        if (nb == 2 && i >= 2 && axes) {
            const f32* a1 = axes + 3 * (i - 1);
            const f32* a2 = axes + 3 * (i - 2);
            if (a1[0] * a2[0] + a1[1] * a2[1] + a1[2] * a2[2] < 0) turn = false;
        }
        const bool axis = !ax || F.newchain ||
                          F.lastaxis[0] * ax[0] + F.lastaxis[1] * ax[1] + F.lastaxis[2] * ax[2] > COSAXS;
        if (a && marker && turn && axis) {
            if (std::pow(dist(p, lastp), 2) > F.t4 && !take(p, mk, ax)) return refused(status);
            continue;
        }
        const f64 keep[3] = {b[0], b[1], b[2]};
        const i32 kmark = F.lastmark;
        SPLFLS(status);
        if (i > 0 && !take(keep, kmark, nullptr)) return refused(status);
        --i;  // p is examined again
    }
    if (n > 0) {
        std::memcpy(F.fitlast, pts + 3 * (n - 1), sizeof F.fitlast);
        F.fitvalid = 1;
    }
}

void FITREF(i32 curve, const f64* points, f64* chosen, f64* index, i32& count, i32 room, bool& changed)
{
    changed = false;
    if (count < 2 || room < count) return;
    // Between every two chosen points the chain point farthest from the
    // curve, when beyond t/2, joins the chosen set. The new set is built
    // aside, as the scan reads the old one, and copied back within room.
    std::vector<f64> np, ni;
    auto keep = [&](const f64* p, f64 pos) {
        np.insert(np.end(), p, p + 3);
        ni.push_back(pos);
    };
    for (i32 c = 0; c + 1 < count; ++c) {
        keep(chosen + 3 * c, index[c]);
        const i32 a = static_cast<i32>(std::ceil(index[c] + 1e-9));
        const i32 b = static_cast<i32>(index[c + 1]);
        f64 worst = F.t4;
        i32 wk = -1;
        for (i32 j = a; j < b; ++j) {
            if (j == index[c]) continue;
            const f64 d2 = far2(curve, points + 3 * j);
            if (d2 > worst) {
                worst = d2;
                wk = j;
            }
        }
        // A set that would outgrow its room keeps the points found so far.
        if (wk >= 0 && static_cast<i32>(ni.size()) + (count - c) <= room) {
            keep(points + 3 * wk, static_cast<f64>(wk));
            changed = true;
        }
    }
    keep(chosen + 3 * (count - 1), index[count - 1]);
    if (!changed) return;
    count = static_cast<i32>(ni.size());
    std::memcpy(chosen, np.data(), np.size() * sizeof(f64));
    std::memcpy(index, ni.data(), ni.size() * sizeof(f64));
}

void SPLFLS(i32& status)
{
    status = 0;
    F.newchain = 1;
    F.fitvalid = 0;
    const i32 m = cnt();
    if (m == 0) return;
    if (m <= 2) {
        if (m == 2) {
            const f64* a = at(0);
            const f64* b = at(1);
            if (std::fabs(a[0] - b[0]) + std::fabs(a[1] - b[1]) + std::fabs(a[2] - b[2]) > F.t / 2) line(a, status);
            if (status >= 0) line(b, status);
        } else {
            line(at(0), status);
        }
        F.chain.clear();
        F.chainmark = 0;
        return;
    }
    f64 D = 0, Rc = 0;
    tool(D, Rc);
    std::vector<f64> knots, ctrl;
    i32 handle = 0;
    bool ok = false;
    try {
        std::vector<i32> idx(static_cast<size_t>(m));
        const i32 nc = FITPTS(m, idx.data());
        std::vector<Pick> picks;
        for (i32 k = 0; k < nc; ++k) {
            Pick pk{static_cast<f64>(idx[static_cast<size_t>(k)]), {}};
            std::memcpy(pk.p, at(idx[static_cast<size_t>(k)]), sizeof pk.p);
            picks.push_back(pk);
        }
        i32 inserted = 0;
        bool refined = false, failed = false;
        // Samples a quarter diameter or ten tolerances apart; a tool without a
        // diameter (no step: the sample count a division by 0) samples at ten
        // tolerances.
        const f64 step = std::min(D / 4, 10 * F.t) > 0 ? std::min(D / 4, 10 * F.t) : 10 * F.t;
        while (!ok && !failed) {
            if (handle) evbfre(handle);
            handle = 0;  // a fit refused its memory must leave no freed handle behind
            if (!fit(picks, knots, ctrl, handle)) {
                failed = true;
                break;
            }
            if (m > 4 && !refined) {
                const i32 room = 2 * static_cast<i32>(picks.size());
                std::vector<f64> cp(3 * static_cast<size_t>(room)), ci(static_cast<size_t>(room));
                i32 nc2 = 0;
                for (const Pick& pk : picks) {
                    std::memcpy(&cp[3 * static_cast<size_t>(nc2)], pk.p, sizeof pk.p);
                    ci[static_cast<size_t>(nc2++)] = pk.pos;
                }
                bool changed = false;
                FITREF(handle, F.chain.data(), cp.data(), ci.data(), nc2, room, changed);
                if (changed) {
                    picks.clear();
                    for (i32 k = 0; k < nc2; ++k) {
                        Pick pk{ci[static_cast<size_t>(k)], {}};
                        std::memcpy(pk.p, &cp[3 * static_cast<size_t>(k)], sizeof pk.p);
                        picks.push_back(pk);
                    }
                    continue;
                }
                refined = true;
            }
            // Verification: samples along every chain segment.
            bool redo = false;
            for (i32 j = 0; j + 1 < m && !redo; ++j) {
                const f64 L = dist(at(j), at(j + 1));
                i32 ns = 1;
                if (L >= 3 * F.t) {
                    ns = static_cast<i32>(L / step);
                    if (ns < 5) ns = 4;
                }
                for (i32 k = 0; k < ns; ++k) {
                    f64 s[3];
                    for (i32 c = 0; c < 3; ++c)
                        s[c] = at(j)[c] + (static_cast<f64>(k) / ns) * (at(j + 1)[c] - at(j)[c]);
                    if (far2(handle, s) > (k > 0 ? F.t2x2 : F.t4)) {
                        const f64 pos = j + static_cast<f64>(k) / ns;
                        auto it = std::find_if(picks.begin(), picks.end(), [&](const Pick& x) { return x.pos >= pos; });
                        if (it != picks.end() && it->pos == pos) {
                            failed = true;  // the curve misses one of its own points
                        } else {
                            Pick pk{pos, {s[0], s[1], s[2]}};
                            picks.insert(it, pk);
                        }
                        // At most MAXINS points are inserted: the chain is
                        // fitted again with the thirtieth, and only one
                        // that needs more goes to the polyline.
                        if (++inserted > MAXINS) failed = true;
                        redo = true;
                        break;
                    }
                }
            }
            if (!redo) ok = true;
        }
    } catch (const std::bad_alloc&) {
        // Work arrays the memory refused: the chain goes to the polyline.
        ok = false;
    }
    if (ok) {
        const f32 first[3] = {static_cast<f32>(at(0)[0]), static_cast<f32>(at(0)[1]), static_cast<f32>(at(0)[2])};
        if (!eqpt3(first, MOVST.point)) line(at(0), status);
        const i32 nctrl = static_cast<i32>(ctrl.size() / 3);
        if (status >= 0) PNURB1(4, nctrl, knots.data(), ctrl.data(), status);
        ++F.nurbs;
    } else {
        fallback(status);
    }
    if (handle) evbfre(handle);
    F.chain.clear();
    F.chainmark = 0;
}
