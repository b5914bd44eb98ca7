#include "passes/twirl.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "blocks/movement.h"
#include "core/ptwarn.h"
#include "core/records.h"
#include "cutter/locdir.h"
#include "passes/milbf.h"
#include "passes/retract.h"
#include "passes/services.h"
#include "passes/spline.h"
#include "passes/updown.h"
#include "surfaces/allsrf.h"
#include "tools/toolcache.h"

namespace {

i32 request = 0;
i32 done = 1;
i32 switches[2] = {0, 0};

constexpr f64 PI = 3.14159265358979323846;
constexpr i32 BUF_OPEN = 500, BUF_STEP = 300, MAXCTL = 1000, MAXSMP = 400;
constexpr i32 LEG1 = 0, LEG2 = 1, MID = 2, AXS = 3;

// The three point buffers and the axis buffer: host arrays of 12-byte points.
struct Buf {
    i32 handle = -1, cap = 0;
};
Buf bufs[4];

// Room for n points in buffer k: opened with 500 points, grown by as many
// 300-point steps as needed; the axis buffer follows the largest.
void need(i32 k, i32 n, i32& status)
{
    status = 0;
    Buf& b = bufs[k];
    void* base = nullptr;
    if (b.handle < 0) {
        MM_OPEN_ARRAY(3 * sizeof(f32), BUF_OPEN, b.handle, base, status);
        if (status < 0) {
            b.handle = -1;
            return;
        }
        b.cap = BUF_OPEN;
    }
    if (n > b.cap) {
        const i32 add = BUF_STEP * ((n - b.cap + BUF_STEP - 1) / BUF_STEP);
        MM_RESIZE_ARRAY(b.handle, add, base, status);
        if (status < 0) return;
        b.cap += add;
    }
    if (k == AXS) return;
    need(AXS, b.cap, status);
    if (status < 0) return;
    f32* a = twlbuf(AXS);
    for (i32 j = 0; j < bufs[AXS].cap; ++j) a[3 * j] = 0.0f, a[3 * j + 1] = 0.0f, a[3 * j + 2] = 1.0f;
}

f32 rtol() { return LNKPAR.tol; }
f32 radius() { return static_cast<f32>(TWLRAD); }
f32 diameter()
{
    f32 d = 0.0f;
    GTDIAM(CURTOL, d);
    return d > 0.0f ? d : 0.0f;
}
bool pocket_code()
{
    const i32 c = nu_sgcd_get_code();
    return c == 34 || c == 38;
}
f64 dxy(const f32* a, const f32* b) { return std::hypot(f64(b[0]) - a[0], f64(b[1]) - a[1]); }
// The XY distance from s to e and the unit XY direction d between them
// (along x when they coincide).
f64 along(const f32* s, const f32* e, f64* d)
{
    const f64 f = dxy(s, e);
    d[0] = f > 0.0 ? (f64(e[0]) - s[0]) / f : 1.0;
    d[1] = f > 0.0 ? (f64(e[1]) - s[1]) / f : 0.0;
    return f;
}

// Points of a piece being built, then copied into its host buffer.
using Pts = std::vector<f32>;
void add(Pts& v, f64 x, f64 y, f64 z)
{
    const f32 p[3] = {static_cast<f32>(x), static_cast<f32>(y), static_cast<f32>(z)};
    // A point repeating the one before it adds nothing to the piece.
    if (v.size() >= 3 && eqpt3(p, v.data() + v.size() - 3)) return;
    v.insert(v.end(), p, p + 3);
}
void store(i32 k, const Pts& v, i32& n, i32& status)
{
    n = static_cast<i32>(v.size() / 3);
    need(k, n, status);
    if (status < 0) {
        n = 0;
        return;
    }
    if (n > 0) std::memcpy(twlbuf(k), v.data(), v.size() * sizeof(f32));
}

// Leg points for radius rad: the arc tangent to u at q turning towards the
// unit side vector s (horizontal), over the angle th.
void leg_points(const f32* q, const f64* u, const f64* s, f64 rad, f64 th, Pts& v)
{
    f32 step = 0.0f;
    ANGRHT(static_cast<f32>(rad), rtol(), step);
    i32 n = step > 0.0f ? static_cast<i32>(th / step) + 1 : 4;
    n = std::max(n, 4);
    const f64 st = th / n;
    v.clear();
    for (i32 k = 0; k <= n; ++k) {
        const f64 c = std::cos(k * st), sn = std::sin(k * st);
        // centre q + rad.s; the point centre - rad.cos.s + rad.sin.u
        f64 p[3];
        for (i32 j = 0; j < 3; ++j) p[j] = q[j] + rad * s[j] * (1.0 - c) + rad * sn * u[j];
        add(v, p[0], p[1], p[2]);
    }
}

void reverse_pts(Pts& v)
{
    const size_t n = v.size() / 3;
    for (size_t a = 0, b = n ? n - 1 : 0; a < b; ++a, --b)
        for (size_t c = 0; c < 3; ++c) std::swap(v[3 * a + c], v[3 * b + c]);
}

// Writes n points of buffer k as one string through the up/down layer.
void write(i32 k, i32 n, i32 first, const i32& apponly, i32& status)
{
    if (n < 1 || status < 0) return;
    if (SPLOUT() == 1) SPLFLS(status);
    if (status < 0) return;
    const i32 link = 3, dim = 2, one = 1, scode = 15, ecode = 16, cls = 8;
    UDMILB(link, dim, first, twlbuf(k), twlbuf(AXS), nullptr, one, &n, apponly, scode, ecode, cls, status);
    if (status >= 0 && SPLOUT() == 1) SPLFLS(status);
}

}  // namespace

f32* twlbuf(i32 which)
{
    if (which < 0 || which > 3 || bufs[which].handle < 0) return nullptr;
    void* b = nullptr;
    mmcptr(bufs[which].handle, b);
    return static_cast<f32*>(b);
}

i32 twlcap(i32 which) { return which < 0 || which > 3 ? 0 : bufs[which].cap; }

void TWLREL()
{
    for (Buf& b : bufs) {
        i32 st = 0;
        if (b.handle >= 0) MM_CLOSE(b.handle, st);
        b = Buf{};
    }
}

i32 TWLGET() { return request; }
void TWLSET(i32 value) { request = value; }
i32 TWLDON() { return done; }
void TWLDST(i32 value) { done = value; }
void TWLOFF() { switches[0] = switches[1] = 0; }

void TWLLNK(const i32& mode, f64& value, i32& status)
{
    // Mode 1 takes the pocket entry's value; the others a module value that
    // nothing sets.
    value = mode == 1 ? TWLLKV : 0.0;
    dam_ini();
    nbcrv c{3, 4, MAXCTL, 0, 0};
    i32 st = 0;
    dam_nrc(1, 0, c, st);
    // With both switches set the curve would be drawn here; nothing sets
    // them, so the status and the done flag stay as they are.
    (void)status;
    dam_end();
}

void ANGRHT(const f32& r, const f32& h, f32& angle)
{
    // A sagitta beyond the diameter (a middle piece whose radius, half the
    // gap, is small against the chord tolerance) or a circle of no radius has
    // no chord: the half angle is bounded to a half turn, and 0 for no
    // radius, where acos would give no number and the step counts built on
    // it none either.
    if (!(r > 0.0f)) {
        angle = 0.0f;
        return;
    }
    const f64 c = std::clamp((f64(r) - h) / r, -1.0, 1.0);
    angle = static_cast<f32>(std::acos(c));
}

void TWLCHK(const i32& mode, const nbcrv& curve, i32& reject, i32& status)
{
    reject = 0;
    std::vector<f64> s(3 * static_cast<size_t>(MAXSMP));
    i32 n = 0;
    nb_appbypol2(curve, 2.0 * rtol(), MAXSMP, n, s.data(), status);
    if (status < 0 || n > MAXSMP) {
        status = -1;
        return;
    }
    status = 0;
    if (mode != 0) {
        // Mode 1 serves the twirl link of the clearance path: its curve must
        // keep under the height the clearance path travels at most (the
        // higher of the clearance plane and the second plane); the first
        // sample above it rejects the curve.
        const f64 bound = std::max(hei8r(HEI8_CLEARANCE), hei8r(HEI8_PLANE2));
        for (i32 k = 0; k < n && !reject; ++k)
            if (s[3 * static_cast<size_t>(k) + 2] > bound) reject = 1;
        return;
    }
    for (i32 k = 0; k + 1 < n; ++k) {
        const f32 a[3] = {f32(s[3 * k]), f32(s[3 * k + 1]), f32(s[3 * k + 2])};
        const f32 b[3] = {f32(s[3 * k + 3]), f32(s[3 * k + 4]), f32(s[3 * k + 5])};
        f32 pos[3], nrm[3];
        i32 ans = 0;
        LOCMVW(a, b, pos, nrm, ans);
        if (ans != 1) {
            reject = 1;
            return;
        }
    }
}

void TWLLEG(const i32& mode, const f32* p, const f32* q, const f32* toward, i32& n, i32& status)
{
    status = 0;
    n = 0;
    const i32 k = mode == 1 ? LEG1 : LEG2;
    const f32 r = rtol();
    f64 rad = radius();
    Pts v;
    auto single = [&]() {
        v.clear();
        add(v, q[0], q[1], q[2]);
        store(k, v, n, status);
    };
    if (rad < r && !eqval(static_cast<f32>(rad), r)) {
        if (!pocket_code()) {
            char text[133] = {0};
            msg_get(392, 60, text, 132);
            WRNPNT(text, 3, q, " ");
        }
        single();
        return;
    }
    // The arc plane: the direction p -> q and its horizontal normal, turned
    // towards the other lane.
    f64 u[3] = {f64(q[0]) - p[0], f64(q[1]) - p[1], f64(q[2]) - p[2]};
    const f64 lu = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    const f64 lh = std::hypot(u[0], u[1]);
    // A lane end on its start, or one straight above or below it, gives no
    // direction to turn from or no horizontal normal for the arc's plane:
    // no leg can be built, and the leg is its end point q alone.
    if (!(lu > 0.0) || !(lh > 0.0)) {
        single();
        return;
    }
    for (f64& c : u) c /= lu;
    f64 s[3] = {-u[1] * lu / lh, u[0] * lu / lh, 0.0};
    const f64 side = s[0] * (f64(toward[0]) - q[0]) + s[1] * (f64(toward[1]) - q[1]);
    if (side < 0.0) s[0] = -s[0], s[1] = -s[1];
    // A quarter turn: the leg leaves along the lane and ends heading across.
    const f64 th = 0.5 * PI;
    leg_points(q, u, s, rad, th, v);
    // Each point after the first is tested against the tool's height there;
    // the first one more than r under it makes the leg smaller. The smaller
    // leg is tested once more: when it still runs under the tool's height
    // the leg is its end point alone.
    auto under = [&]() -> size_t {
        for (size_t j = 1; j < v.size() / 3; ++j) {
            const f32* pt = v.data() + 3 * j;
            f32 pos[3], nrm[3];
            i32 ls = 0;
            LOCSEG(pt, pos, nrm, ls);
            if (ls == 0 && pt[2] < pos[2] - r) return j;
        }
        return 0;
    };
    i32 st = 0;
    SRKON(st);
    if (const size_t j = under()) {
        rad = dxy(q, v.data() + 3 * (j - 1)) / (1.0 + std::cos(th - PI));
        if (rad < r) {
            // A radius below the tolerance is no arc (as for a twirl radius
            // below it, the leg is its end point alone).
            v.clear();
        } else {
            leg_points(q, u, s, rad, th, v);
            // The shrunken leg is tested again: a leg that still runs under
            // the part would gouge, and is given up for the point itself.
            if (under()) v.clear();
        }
        if (v.empty()) add(v, q[0], q[1], q[2]);
    }
    SRKOFF(st);
    if (mode == 2) reverse_pts(v);
    store(k, v, n, status);
}

void TWLMID(const i32& mode, const f32* a, const f32* b, i32& n, i32& status)
{
    status = 0;
    n = 0;
    const f32 r = rtol();
    const f64 half = 0.5 * dxy(a, b);
    const f64 rho = mode == 0 ? std::min(f64(radius()), half) : f64(radius());
    const i32 m = mode == 0 ? 1 : 3;
    f32 al = 0.0f;
    ANGRHT(static_cast<f32>(rho), 5.0f * r, al);
    i32 cnt = al > 0.0f ? 1 + static_cast<i32>((m * PI / 2) / al) : 4 * m;
    cnt = std::max(cnt, 4 * m);
    const f64 zh = std::max(a[2], b[2]) + (mode == 0 ? 0.0 : rho);
    const f64 A[3] = {a[0], a[1], zh}, B[3] = {b[0], b[1], zh};
    f64 u[3] = {B[0] - A[0], B[1] - A[1], 0.0};
    const f64 l = std::hypot(u[0], u[1]);
    if (l > 0.0)
        u[0] /= l, u[1] /= l;
    else
        u[0] = 1.0, u[1] = 0.0;
    if (mode != 1) u[0] = -u[0], u[1] = -u[1];
    const f64 w[3] = {-u[0], -u[1], 0.0};
    Pts v;
    v.reserve(3 * static_cast<size_t>(2 * cnt + 4));
    add(v, a[0], a[1], a[2]);
    for (i32 k = 0; k <= cnt; ++k) {
        const f64 t = k * m * (PI / 2) / cnt, c = std::cos(t), sn = std::sin(t);
        add(v, A[0] + rho * w[0] + rho * c * u[0], A[1] + rho * w[1] + rho * c * u[1], zh + rho * sn);
    }
    for (i32 k = cnt; k >= 0; --k) {
        const f64 t = k * m * (PI / 2) / cnt, c = std::cos(t), sn = std::sin(t);
        add(v, B[0] + rho * u[0] + rho * c * w[0], B[1] + rho * u[1] + rho * c * w[1], zh + rho * sn);
    }
    add(v, b[0], b[1], b[2]);
    store(MID, v, n, status);
    if (status < 0) return;
    TWLGOU(1, 1, a, b, n, status);
}

void TWLMD2(const i32& mode, const f32* a, const f32* b, i32& n, i32& status)
{
    status = 0;
    n = 0;
    const f32* s = mode == 2 ? b : a;
    const f32* e = mode == 2 ? a : b;
    const f64 R = radius();
    f32 al = 0.0f;
    ANGRHT(static_cast<f32>(R), 5.0f * rtol(), al);
    i32 q = al > 0.0f ? 1 + static_cast<i32>((PI / 2) / al) : 4;
    q = std::max(q, 4);
    const i32 h = std::max(2 * q, 8);
    const f64 zh = std::max(a[2], b[2]);
    f64 d[2];
    const f64 f = along(s, e, d);
    // Positions in the vertical plane: x along d from the start, z.
    Pts v;
    v.reserve(3 * static_cast<size_t>(4 * q + 10));
    auto put = [&](f64 x, f64 z) { add(v, s[0] + x * d[0], s[1] + x * d[1], z); };
    add(v, s[0], s[1], s[2]);
    // Quarter arc rising backwards about the centre R behind the start.
    for (i32 k = 0; k <= q; ++k) {
        const f64 t = k * (PI / 2) / q;
        put(-R + R * std::cos(t), zh + R * std::sin(t));
    }
    // Half loop over it, about the centre R above its top, ending heading on.
    for (i32 k = 1; k <= h; ++k) {
        const f64 t = k * PI / h;
        put(-R - R * std::sin(t), zh + 2 * R - R * std::cos(t));
    }
    // The straight run over the distance of the ends.
    const i32 runs = std::max(1, static_cast<i32>(std::ceil(f / std::max(1.0, 4.0 * R))));
    for (i32 k = 1; k <= std::min(runs, 4); ++k) put(-R + f * k / std::min(runs, 4), zh + 3 * R);
    // Falling quarter arc, then the end itself.
    for (i32 k = 1; k <= q; ++k) {
        const f64 t = k * (PI / 2) / q;
        put(f - R + R * std::sin(t), zh + 2 * R + R * std::cos(t));
    }
    add(v, e[0], e[1], e[2]);
    if (mode == 2) reverse_pts(v);
    store(MID, v, n, status);
    if (status < 0) return;
    TWLGOU(1, 1, a, b, n, status);
}

void TWLGOU(const i32& mode, const i32& side, const f32* a, const f32* b, const i32& n, i32& status)
{
    status = 0;
    f32* p = twlbuf(MID);
    if (!p || n < 1) return;
    const f32 r = rtol(), D = diameter();
    i32 st = 0;
    SRKON(st);
    bool free = true;
    for (i32 k = 0; k + 1 < n && free; ++k) {
        if (eqpt3(p + 3 * k, p + 3 * k + 3)) continue;
        f32 pos[3], nrm[3];
        i32 ans = 0;
        LOCMVW(p + 3 * k, p + 3 * k + 3, pos, nrm, ans);
        free = ans == 1;
    }
    if (free) {
        SRKOFF(st);
        return;
    }
    // The probe line at the higher end, extended past the ends.
    const f64 z = std::max(a[2], b[2]);
    const f64 ext = 2.0 * radius() + 5.0 * r;
    const f32* s = mode == 2 ? b : a;
    const f32* e = mode == 2 ? a : b;
    f64 d[2];
    const f64 f = along(s, e, d);
    f64 lo = -ext, hi = f + ext;
    if (mode == 3) (side == 1 ? hi : lo) = side == 1 ? f : 0.0;
    const f64 step = std::max(0.25 * D, f64(5.0f * r));
    const i32 m = std::min(2000, std::max(2, static_cast<i32>(std::ceil((hi - lo) / step)) + 1));
    f64 H = -1.0e30;
    for (i32 k = 0; k < m; ++k) {
        const f64 x = lo + (hi - lo) * k / (m - 1);
        const f32 q[3] = {static_cast<f32>(s[0] + x * d[0]), static_cast<f32>(s[1] + x * d[1]), static_cast<f32>(z)};
        f32 pos[3], nrm[3];
        i32 ls = 0;
        LOCSEG(q, pos, nrm, ls);
        if (ls == 0) H = std::max(H, f64(pos[2]));
    }
    SRKOFF(st);
    if (!(H + 2.0 * r > z)) return;
    status = 2;
    const f64 lift = 0.5 * D + (H + 2.0 * r - z);
    const f32 top = hei8r(HEI8_CLEARANCE);
    p = twlbuf(MID);
    for (i32 k = 0; k < n; ++k) {
        f32& pz = p[3 * k + 2];
        const f32 raised = static_cast<f32>(pz + lift);
        pz = raised > top ? std::max(pz, top) : raised;
    }
}

void TWLPTS(const f32* p1, const f32* q1, const f32* p2, const f32* t2, const i32& apponly, const i32& road,
            i32& flag, i32& status)
{
    flag = 0;
    status = 0;
    LNKPAR.kind = 1;
    const bool pocket = pocket_code();
    auto giveup = [&]() {
        flag = 1;
        LNKPAR.kind = 3;
    };
    i32 n1 = 0, n2 = 0, nm = 0;
    TWLLEG(1, p1, q1, t2, n1, status);
    if (status >= 0) TWLLEG(2, p2, t2, q1, n2, status);
    if (status < 0) return giveup();
    // A leg with no points is the lane's end itself.
    if (n1 < 1) {
        const Pts one(q1, q1 + 3);
        store(LEG1, one, n1, status);
    }
    if (n2 < 1 && status >= 0) {
        const Pts one(t2, t2 + 3);
        store(LEG2, one, n2, status);
    }
    if (status < 0) return giveup();
    if (pocket && TWLONE != 0 && (n1 < 2 || n2 < 2)) return giveup();
    const f32* e1 = twlbuf(LEG1) + 3 * (n1 - 1);
    const f32 s2[3] = {twlbuf(LEG2)[0], twlbuf(LEG2)[1], twlbuf(LEG2)[2]};
    const f32 a[3] = {e1[0], e1[1], e1[2]};
    const f64 f = dxy(a, s2);
    const f64 D = diameter();
    const bool direct = pocket ? f >= 2.0 * D + 1.4142135 * TWLSTK : f >= 2.0 * D;
    if (!direct) {
        i32 ms = 0;
        if (f >= 2.0 * radius() || road == 2)
            TWLMID(0, a, s2, nm, ms);
        else if (TWLMMD == 1 || TWLMMD == 2)
            TWLMID(TWLMMD, a, s2, nm, ms);
        else
            TWLMD2(1, a, s2, nm, ms);
        if (ms < 0) {
            status = ms;
            return giveup();
        }
        if (ms == 2 && pocket) return giveup();
    }
    i32 st = 0;
    UDFLSH(st);
    if (st < 0) {
        status = st;
        return giveup();
    }
    write(LEG1, n1, 0, apponly, status);
    if (nm > 0) {
        f32 keep = 0.0f;
        const bool spl = SPLOUT() == 1;
        if (spl) {
            FITTOL(1, keep);
            f32 wide = 10.0f * rtol();
            FITTOL(2, wide);
        }
        write(MID, nm, 0, apponly, status);
        if (spl) FITTOL(2, keep);
    }
    write(LEG2, n2, nm > 0 ? 0 : 1, apponly, status);
    LNKPAR.kind = 3;
}

void TWLENT(const TwlSt& rec)
{
    dam_ini();
    i32 st = 0;
    UDFLSH(st);
    if (SPLOUT() == 1) SPLFLS(st);
    const f64 q1[3] = {rec.q1[0], rec.q1[1], rec.q1[2]};
    const f32 r = rtol();
    const f64 Rt = TWLRAD;
    if (eqptd(2, q1, pk_last_pos) && Rt != 0.0) {
        const f64 t1[3] = {f64(rec.q1[0]) - rec.p1[0], f64(rec.q1[1]) - rec.p1[1], f64(rec.q1[2]) - rec.p1[2]};
        const f64 t2[3] = {f64(rec.p2[0]) - rec.t2[0], f64(rec.p2[1]) - rec.t2[1], f64(rec.p2[2]) - rec.t2[2]};
        const f64 end[3] = {rec.t2[0], rec.t2[1], rec.t2[2]};
        f64 e = 0.01 * Rt;
        if (e < 0.001) e = 0.001;
        if (!(std::max(e, 0.001) > r)) e = r;
        // The spline road.
        bool written = false;
        nbcrv c{3, 4, MAXCTL, 0, 0}, ap{3, 4, MAXCTL, 0, 0};
        i32 s = 0;
        dam_nrc(1, 0, c, s);
        if (s >= 0) get_twirl_spline(1, q1, t1, end, t2, Rt, c, s);
        if (s >= 0) dam_nrc(1, 0, ap, s);
        if (s >= 0) nb_c0approx(c, e, ap, s);
        i32 reject = 0;
        if (s >= 0) {
            i32 cs = 0;
            TWLCHK(0, ap, reject, cs);
        }
        if (s >= 0 && !reject) {
            // The curve's block ends the entry, written or not: a tool path
            // list that refused it would refuse the polyline's moves as well
            // (the entry keeps its statuses inside).
            i32 ws = 0;
            PNURB1(ap.order, ap.count, dam_ptr(ap.knots), dam_ptr(ap.points), ws);
            written = true;
        }
        // The polyline road.
        if (!written) {
            i32 flag = 0, ps = 0;
            const i32 apponly = 2, road = 2;
            TWLPTS(rec.p1, rec.q1, rec.p2, rec.t2, apponly, road, flag, ps);
        }
    }
    TWLRST();
    dam_end();
}
