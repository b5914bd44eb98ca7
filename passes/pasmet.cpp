#include "passes/pasmet.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "core/ptwarn.h"
#include "core/host.h"
#include "core/vec.h"
#include "cutter/frames.h"
#include "passes/orient.h"
#include "tools/toolcache.h"

namespace {

constexpr f64 NONE = std::numeric_limits<f64>::infinity();

// (u, v) of a pass value and an along value.
void uvof(i32 pcode, f64 pass, f64 along, f64* uv)
{
    uv[0] = pcode == 1 ? pass : along;
    uv[1] = pcode == 1 ? along : pass;
}

f64 alongat(const MetSrf& s, f64 t) { return s.along[0] + t * (f64(s.along[1]) - s.along[0]); }

// Point (with its tangents) and normal turned to the side at (u, v).
bool evalat(const MetSrf& s, f64 u, f64 v, f32* sp, f32* n)
{
    i32 st = 0;
    evsrfn(s.buf, static_cast<f32>(u), static_cast<f32>(v), 2, sp, n, st);
    if (st < 0) return false;
    if (s.side != 1)
        for (i32 k = 0; k < 3; ++k) n[k] = -n[k];
    return true;
}

struct Tool {
    f32 d, r, a;  // diameter, corner radius, taper angle in degrees
    i32 warn;     // the tool placing's warnings not yet shown
};

// The three-axis tool on a surface point; false when it cannot stand there.
// Only status -1 (no normal, or the taper gouges) is a failed placing, as
// for every other caller of the tool placing: an under-cut (-2) still
// places the tool, with its warning, and the meeting is sought from that
// position rather than the search being ended at the first under-cut.
bool place(Tool& t, const f32* sp, const f32* n, f32* tip)
{
    f32 nn[3] = {n[0], n[1], n[2]};
    i32 st = 0;
    TL3POS(t.d, t.r, t.a, sp, 0, nn, tip, st, t.warn);
    return st != -1;
}

f64 dist(const f32* a, const f32* b)
{
    return std::sqrt((f64(a[0]) - b[0]) * (f64(a[0]) - b[0]) + (f64(a[1]) - b[1]) * (f64(a[1]) - b[1]) +
                     (f64(a[2]) - b[2]) * (f64(a[2]) - b[2]));
}


// One probe of the meeting at the along fraction t of the sampled surface.
struct Probe {
    f64 t = 0;
    f64 u = 0, v = 0;    // the target's parameters there
    f32 tips[3]{};       // the tool on the sampled surface
    f64 d = NONE;        // the distance of the tools on both surfaces
    f64 reach = 0;       // from the sampled surface's point to the tool on the target
    bool ahead = false;  // the meeting lies further from the edge
    bool unsure = false; // the contact reference lay on the target: no answer
    bool out = false;    // the target's along value outside its limits
    bool halved = false; // the target's parameters were drawn back
    bool flat = false;   // both normals almost vertical
    f64 ndot = 0;        // the normals' dot product
    f32 sp[3]{}, sn[3]{}, mp[3]{}, mn[3]{};  // the points and normals of both surfaces
};

// The solver's state over all its probes: the target's current parameters
// and normal, and the meetings recorded.
class Meeting {
public:
    Meeting(i32 mode, const MetSrf& s, const MetSrf& m, Tool& tl) : mode_(mode), s_(s), m_(m), tl_(tl)
    {
        taper_ = radian(tl.a);
        probe_ = mode == 0 ? -0.001 : 0.001;
        near_ = 0.1 * tl.d;
        f64 uv[2];
        uvof(m.pcode, m.pass, mode == 0 ? m.along[0] : m.along[1], uv);
        u_ = uv[0], v_ = uv[1];
    }

    // The target's normal where its pass starts (ends); false when it
    // cannot be evaluated.
    bool begin()
    {
        f32 mp[9];
        return evalat(m_, u_, v_, mp, mn_);
    }

    // Steps 2 to 5 at t; a contact reference lying on the target is probed
    // again one probe step further. False when an evaluation or a tool
    // placing fails.
    bool at(f64 t, Probe& p)
    {
        if (!once(t, p)) return false;
        if (p.unsure && !once(t + probe_, p)) return false;
        return true;
    }

    // The target's parameters put back to those of a recorded meeting.
    void resume(const Probe& p) { u_ = p.u, v_ = p.v; }

    bool any() const { return best_.d < NONE; }
    const Probe& best() const { return best_; }
    // The meeting taken among those nearer than the acceptance distance:
    // the nearest within the near distance or on flat ground, else the
    // nearest. A preferred meeting beyond the acceptance (flat ground far
    // off) does not hide a nearer one that is accepted.
    const Probe& chosen(f64 accept) const { return pref_.d < accept ? pref_ : best_; }
    bool preferred() const { return pref_.d < NONE; }

private:
    bool once(f64 t, Probe& p)
    {
        p = Probe{};
        p.t = t;
        f64 uv[2], uv2[2];
        uvof(s_.pcode, s_.pass, alongat(s_, t), uv);
        uvof(s_.pcode, s_.pass, alongat(s_, t + 2.0 * probe_), uv2);
        f32 sp[9], sn[3], back[9], nb[3];
        if (!evalat(s_, uv[0], uv[1], sp, sn) || !evalat(s_, uv2[0], uv2[1], back, nb)) return false;
        // The tangent along the pass, towards the edge.
        f32 tan[3] = {sp[0] - back[0], sp[1] - back[1], sp[2] - back[2]}, len = 0;
        i32 st = 0;
        v3unit(tan, len, st);
        if (st < 0 || !place(tl_, sp, sn, p.tips)) return false;
        // The contact reference: the point of the tool on the sampled
        // surface that faces the target, projected onto the target.
        f32 ref[3], refm[3];
        CNTTIP(tl_.d, tl_.r, taper_, p.tips, mn_, ref, st);
        mapw2m(ref, refm);
        const f64 pt[3] = {refm[0], refm[1], refm[2]};
        const f64 u0 = u_, v0 = v_;
        f64 u = u_, v = v_;
        nrmsrd(m_.buf, pt, u, v, st);
        if (st < 0) return false;
        f32 mp[9], mn[3], tipm[3];
        if (!evalat(m_, u, v, mp, mn) || !place(tl_, mp, mn, tipm)) return false;
        // A tool on the target behind the one on the sampled surface is
        // drawn back towards where the target's parameters were, at most
        // five times.
        for (i32 k = 0; k < 5; ++k) {
            const f64 ahead = (f64(tipm[0]) - p.tips[0]) * tan[0] + (f64(tipm[1]) - p.tips[1]) * tan[1];
            if (ahead >= 0.0 || eqpt3(tipm, p.tips)) break;
            const f64 hu = 0.5 * (u + u0), hv = 0.5 * (v + v0);
            f32 hp[9], hn[3], ht[3];
            if (!evalat(m_, hu, hv, hp, hn) || !place(tl_, hp, hn, ht)) break;
            u = hu, v = hv, p.halved = true;
            std::memcpy(mp, hp, sizeof hp);
            std::memcpy(mn, hn, sizeof hn);
            std::memcpy(tipm, ht, sizeof ht);
        }
        u_ = u, v_ = v;
        std::memcpy(mn_, mn, sizeof mn);
        p.u = u, p.v = v;
        // The ahead test: the reference on the target's near side (a gap)
        // or beyond it, seen along the tangent.
        f32 w[3] = {refm[0] - mp[0], refm[1] - mp[1], refm[2] - mp[2]}, wl = 0;
        v3unit(w, wl, st);
        p.unsure = st < 0 || wl < 0.0005f;
        p.ahead = !p.unsure && dot3f(w, tan) > 0.0;
        const f64 ma = m_.pcode == 1 ? v : u;
        p.out = ma < std::fmin(m_.along[0], m_.along[1]) - 1.0e-6 || ma > std::fmax(m_.along[0], m_.along[1]) + 1.0e-6;
        p.d = dist(p.tips, tipm);
        p.reach = dist(sp, tipm);
        p.flat = std::fabs(sn[2]) > 0.999f && std::fabs(mn[2]) > 0.999f;
        p.ndot = dot3f(sn, mn);
        std::memcpy(p.sp, sp, sizeof p.sp);
        std::memcpy(p.sn, sn, sizeof p.sn);
        std::memcpy(p.mp, mp, sizeof p.mp);
        std::memcpy(p.mn, mn, sizeof p.mn);
        if (p.d < best_.d) best_ = p;
        if ((p.d < near_ || p.flat) && p.d < pref_.d) pref_ = p;
        return true;
    }

    i32 mode_;
    const MetSrf& s_;
    const MetSrf& m_;
    Tool& tl_;
    f32 taper_;
    f64 probe_, near_;
    f64 u_, v_;     // the target's current parameters
    f32 mn_[3]{};   // and its normal there
    Probe best_, pref_;
};

}  // namespace

void METSLV(const i32& mode, const MetSrf& s, MetSrf& m, f32& salong, f32& malong, MetRes& res, f32& best,
            i32& status)
{
    status = -1;
    best = 1.0e10f;
    Tool tl{0, 0, 0, 1};
    GTDIAM(CURTOL, tl.d);
    GTCRNR(CURTOL, tl.r);
    GTTAPA(CURTOL, tl.a);
    // A negative diameter or corner radius is no tool a surface can be
    // touched with: no meeting is sought (the corner would put the flat
    // radius beyond the tool's own).
    if (tl.d < 0.0f || tl.r < 0.0f) return;
    // A negative taper is no mill's flank: the tool is taken as straight
    // (taken as it is, it would put the corner's centre beyond its radius).
    if (tl.a < 0.0f) tl.a = 0.0f;
    const f64 accept = tl.d > 0.0f ? std::sqrt(2.0) * 0.5 * tl.d : 1.0e10;
    const bool flatbottom = 0.5f * tl.d - tl.r > 0.0f && !eqval0(0.5f * tl.d - tl.r);
    // The pass end (mode 0, t from 1 down) or its start (mode 1, t from 0
    // up) of the sampled surface; t grows away from the edge by `inward`.
    const f64 edge = mode == 0 ? 1.0 : 0.0, inward = mode == 0 ? -1.0 : 1.0;
    Meeting mt(mode, s, m, tl);
    Probe p;
    if (!mt.begin() || !mt.at(edge, p)) return;
    // At the edge: a meeting behind with the normals almost parallel is
    // searched with fewer tries; the meeting ahead or flat ground with a
    // flat-bottomed tool moves the start of the stepping.
    const bool parallel = !p.ahead && p.ndot > 0.995;
    const i32 still = parallel ? 5 : 10;
    bool ahead = p.ahead;
    const bool overshoot = p.flat && flatbottom;
    // Ends a search: a meeting behind, or ahead with the target's along
    // value outside its limits, while the tool on the target is farther
    // than a diameter from the sampled surface's point.
    // The test ends the scan and the round it meets, not the whole search,
    // and is not made at the edge or at a round's start: at the edge of a
    // concave corner or a slot the tool on the target first lies behind and
    // far off, and the meeting lies a little inside. Ending the whole search
    // there takes the corner's meeting 0.2 mm off the true one and leaves a
    // slot a flat end mill bridges unbridged (the tools 2 mm apart); the next
    // round, started further inside, finds both.
    auto beyond = [&](const Probe& q) { return (!q.ahead || q.out) && q.reach > tl.d; };
    // The first step: the nearest meeting of a scan over the along range
    // from the edge inwards.
    constexpr i32 NS = 32;
    // A probe that cannot be evaluated or placed ends the whole search with
    // the meetings recorded so far, in the scan as in the stepping.
    bool failed = false;
    for (i32 k = 1; k < NS; ++k) {
        Probe q;
        if (!mt.at(edge + inward * static_cast<f64>(k) / NS, q)) {
            failed = true;
            break;
        }
        if (beyond(q)) break;
    }
    const f64 first = inward * std::fmax(std::fabs(mt.best().t - edge), 1.0 / NS);
    // The stepping: from the start, t moves by the step; when the ahead
    // test changes its answer, d grows, or the target's along value leaves
    // its limits (without being drawn back, or more than twice running), the
    // step is reversed and halved. Up to two restarts further inside, with
    // the step damped to a fifth, when no near meeting was found.
    f64 damp = 1.0;
    for (i32 round = 0; round <= 2 && !failed; ++round) {
        f64 t = edge;
        if (overshoot)
            t = edge - 0.04 * inward;
        else if (ahead)
            t = edge + (round == 0 ? 0.04 : 0.07) * inward;
        f64 step = first * damp;
        mt.resume(mt.best());
        if (!mt.at(t, p)) break;
        t = p.t;
        if (!p.unsure) ahead = p.ahead;
        f64 dprev = p.d;
        i32 same = 0, outs = 0;
        for (i32 it = 0; it < 1000; ++it) {
            if (static_cast<f32>(t + step) == static_cast<f32>(t)) break;
            t += step;
            if ((mode == 0 ? t < 0.01 : t > 1.0) || std::fabs(t) > 3.0) break;
            Probe q;
            if (!mt.at(t, q)) {
                round = 2;
                break;
            }
            t = q.t;
            const bool ah = q.unsure ? ahead : q.ahead;
            q.ahead = ah;
            if (beyond(q)) break;
            outs = q.out ? outs + 1 : 0;
            if (ah != ahead || static_cast<f32>(q.d) > static_cast<f32>(dprev) || (q.out && (!q.halved || outs > 2)))
                step = -0.5 * step;
            same = eqval(static_cast<f32>(q.d), static_cast<f32>(dprev)) ? same + 1 : 0;
            ahead = ah;
            dprev = q.d;
            if (same > still) break;
        }
        if (mt.preferred()) break;
        damp *= 0.2;
    }
    if (!mt.any()) return;
    const Probe& b = mt.chosen(accept);
    if (!(b.d < accept)) return;
    best = static_cast<f32>(b.d);
    m.pass = static_cast<f32>(m.pcode == 1 ? b.u : b.v);
    malong = static_cast<f32>(m.pcode == 1 ? b.v : b.u);
    salong = static_cast<f32>(alongat(s, b.t));
    // Three-axis: the tool stands along Z.
    std::memcpy(res.tool, b.tips, sizeof b.tips);
    res.axis[0] = 0.0f, res.axis[1] = 0.0f, res.axis[2] = 1.0f;
    std::memcpy(res.spnt, b.sp, sizeof b.sp);
    std::memcpy(res.snrm, b.sn, sizeof b.sn);
    std::memcpy(res.mpnt, b.mp, sizeof b.mp);
    std::memcpy(res.mnrm, b.mn, sizeof b.mn);
    status = 0;
}

void PASMET(const i32& mode, MetSrf& first, MetSrf& second, f32& along1, f32& along2, i32& status)
{
    status = 0;
    // Both surfaces next to their common edge: the first near the end of
    // its pass, the second near its start; a normal turned down is an
    // under-cut a three-axis tool cannot reach.
    const MetSrf* srf[2] = {&first, &second};
    const f64 at[2] = {0.999, 0.001};
    for (i32 k = 0; k < 2; ++k) {
        f64 uv[2];
        uvof(srf[k]->pcode, srf[k]->pass, alongat(*srf[k], at[k]), uv);
        // A surface that cannot be evaluated there has no point to show:
        // the warning names the origin in its place.
        f32 sp[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0}, n[3] = {0, 0, 1};
        const bool ok = evalat(*srf[k], uv[0], uv[1], sp, n);
        if (!ok || n[2] < -0.0001f) {
            WRNPNT("WARNING :THERE IS AN UNDER-CUT:", 3, sp, " ");
            return;
        }
    }
    if (eqval(first.along[0], first.along[1]) || eqval(second.along[0], second.along[1])) return;
    MetSrf& s = mode == 0 ? first : second;
    MetSrf& m = mode == 0 ? second : first;
    // The solver steps towards the edge in thousandths of the along range
    // (the step the evaluations at 0.999 and 0.001 leave); a thousandth
    // never exceeds the along span, which is the range's own length.
    f32 sa = 0, ma = 0, best = 0;
    MetRes res{};
    i32 st = 0;
    METSLV(mode, s, m, sa, ma, res, best, st);
    if (st < 0) return;
    along1 = mode == 0 ? sa : ma;
    along2 = mode == 0 ? ma : sa;
}
