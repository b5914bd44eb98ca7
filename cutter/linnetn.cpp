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
#include "core/util.h"
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
// growth. It follows the array actually open rather than being set back to
// 10,000 on every call: set back, a grown array would grow again by 10,000
// records on every long line, without end over a run. The host's handles are
// reused, so an array opened afresh is told by its opening (here, or by the
// stock's owner when it had none), never by its handle: a released array
// reopened at 10,000 under the same number must not keep the grown count, or
// records would be written past it.
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

bool net_fits(const f32* P0, const f32* P1, const f32* P2, f32 tol, bool flat_end, bool at_first)
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

// The span check runs on the triangle road only: with the projector the
// line is positioned by the segment projection, whose points need no
// check, so the diagonal projection's travel-only form has no caller here.
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
    // Only a move that rises is turned round: a level one travels from A
    // to B, as handed in.
    const bool rises = B[2] > A[2];
    const f32* lo = rises ? A : B;
    const f32* hi = rises ? B : A;
    i32 count = 0, ps, cs, os, st = 0;
    elm2n2(0, lo, hi, lo[2], ELMCAP, count, ps, cs, os, st);
    if (st < 0) {
        status = st;
        return 0;
    }
    const i32* lst = elmlst();
    const i32* idx = elmidx();
    // Lists refused for a wrong check word (said by elmbase): a failure, not
    // a read through nothing.
    if (count > 0 && (!lst || !idx)) {
        status = -1;
        return 0;
    }
    LocClassTable classes;
    classes.fill(LOCFLG);
    // The tool travels from the higher end towards the lower one: the XY
    // track of its axis, from the higher end along ux, uy for `track`.
    const f64 hxy = std::hypot(f64(lo[0]) - hi[0], f64(lo[1]) - hi[1]);
    const f64 ux = hxy > 0.0 ? (f64(lo[0]) - hi[0]) / hxy : 0.0, uy = hxy > 0.0 ? (f64(lo[1]) - hi[1]) / hxy : 0.0;
    const f64 track = hxy > 0.0 ? l : 0.0;
    // The tool travels from the higher end towards the lower one, its tip
    // starting a quarter tolerance above it: the start, the direction and
    // the length of the travel are those of every triangle.
    const f64 P[3] = {hi[0], hi[1], f64(hi[2]) + tol / 4};
    f64 dv[3] = {f64(lo[0]) - hi[0], f64(lo[1]) - hi[1], f64(lo[2]) - hi[2]};
    const f64 span = std::sqrt(dot3(dv, dv));
    if (span < 0.001) return 0;
    for (f64& c : dv) c /= span;
    if (dv[2] > -0.001) dv[2] = -0.001;
    if (dv[2] < -0.999) dv[2] = -0.999;
    const f64 hz = std::sqrt(std::fmax(0.0, 1.0 - dv[2] * dv[2]));
    const f64 hl = std::hypot(dv[0], dv[1]);
    if (hl > 0.0) dv[0] *= hz / hl, dv[1] *= hz / hl;
    // A meeting counts when its horizontal run lies between tol and 2 tol
    // short of the span's: none can when that range is empty.
    if (hz * span - 2.0 * tol < tol) return 0;
    // The floor of the tool swept along the move, for the allowance last met,
    // over the travel a meeting can count at: its run at most 2 tol short of
    // the span's, so its travel at most that run over hz.
    const f64 counts = (hz * span - 2.0 * tol) / hz;
    SweepFloor floor;
    f32 floor_e = 0.0f;
    bool floor_set = false;
    ElmRun run;
    for (i32 i = 0; i < count; ++i) {
        const i32* le = lst + static_cast<size_t>(idx[i]) * ELM_WORDS;
        const i32* ent = run.triangle(le);
        if (!ent) continue;
        // The span check leaves out the classes positioned without allowance.
        const i32 cls = srfrec(LOCSRB, ent[TRG_SRF])[SRF_CLASS];
        LocClass row;
        if (cls == SCL_BARE || cls == SCL_GRID || !classes.get(cls, row)) continue;
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
        f64 travel = 0, con[3], pos[3];
        i32 ks = 0;
        const f64 Rr = R + e, rr = r + e;
        // A triangle under the swept tool's floor, beside its reach, beyond
        // its ends or under its own plane's side of the sweep gives the
        // kernel no contact within the travel that counts: it cannot be hit.
        if (!floor_set || e != floor_e) floor = TRICNB_floor(P, Rr, rr, dv, counts), floor_e = e, floor_set = true;
        if (floor.clears(tri)) continue;
        TRICNB(tri, P, Rr, rr, dv, travel, con, pos, ks);
        if (ks != 0 || travel < 0.0 || travel > span) continue;
        // The horizontal run is measured from where the travel starts, the
        // first end handed to the kernel (the higher one): that end keeps the
        // one-tolerance margin, the end the tool travels to the two.
        f64 d = hz * travel;
        if (d > hz * span - 2.0 * tol || d < tol) continue;
        return 1;
    }
    return 0;
}

namespace {

// One call of the string positioning: its arguments, the line and its steps,
// the work array and the records in use, shared by the steps below.
struct NetCall {
    // arguments
    i32 restart, line3d;
    const f32* start;
    const f32* end;
    f32 tol, allowance_a, allowance_b;
    i32 capacity;
    f32 *pntxyz, *pntnrm, *pntsnm;
    i32* pntflg;
    i32& pntnst;
    i32 pntmxs;
    i32* pntlen;
    i32& pnttot;
    i32& status;
    // the mode's switches (LINNETN's contract)
    i32 mode = 0;
    bool with_snm = false, from_height = false, raw = false;
    // roads and context
    i32 avail = 0, swt = 0, prj_index = -1;
    bool loaded = false;
    Work W{};
    // the line and its steps
    f32 dir[2] = {0, 0}, L = 0;
    bool point_line = false;
    f32 step = 0, flat = 0, thin = 0;
    bool flat_end = false, zero_dia = false;
    // first record of the line (f), first positioned by this call (g), the
    // first distance, the last record in use (n)
    i32 f = 1, g = 1, n = 1;
    f32 t0 = 0.0f;
    i32 npos = 0;
    bool height_abort = false;
    // the strings written
    i32 last_len = 0;
    f32 tail[16] = {};  // the temporary records of the last string's last two points
    LocRes res{nullptr, nullptr, nullptr, nullptr};

    bool tool_normals() const { return mode != 2 && pntnrm; }
    bool surface_normals() const { return with_snm && pntsnm; }
    bool codes_out() const { return (mode == 4 || mode == 5) && pntflg; }
};

f32 axis_dot(const f32* r) { return NETAXM == 1 ? static_cast<f32>(dot3f(r + NRTNM, r + NRSNM)) : 1.0f; }

// Leaves a call that ends early: no continuation, the tool's values back.
// The tool is written back only when LOCTOL has loaded it for this call: an
// end before that (zero tolerance, or a tool that is not a milling tool)
// would otherwise write the previous call's values into the tool cache.
void finish_early(NetCall& c)
{
    NETCNT = 0;
    if (c.loaded) LOCRST();
}

bool net_bind(NetCall& c, i32 h);

// The mode's switches, the tolerance, the model's pointers, the tool, the
// projection road and the work array. False when the call ends here.
bool net_open(NetCall& c, i32 mode_in)
{
    c.mode = mode_in;
    c.with_snm = c.mode >= 100;
    if (c.with_snm) c.mode -= 100;
    c.from_height = c.mode >= 10;
    if (c.from_height) c.mode -= 10;
    c.raw = c.mode == 6 || c.mode == 7;
    c.avail = prj_get_avail();
    GTNFLG(c.swt);
    if (eqval0(c.tol)) {
        userrc("[LINNET]ALGORITHM CANNOT WORK WITH ZERO TOLERANCE", 0);
        c.status = -1;
        finish_early(c);
        return false;
    }
    // A negative tolerance is refused like a zero one: the tolerance comes
    // from the callers' parameter words (a stored page can hold any value),
    // and below zero no spacing ever satisfies the refinement, which would
    // insert points at one place until its pass bound or the memory ran out.
    if (c.tol < 0.0f) {
        userrc("[LINNET]ALGORITHM CANNOT WORK WITH NEGATIVE TOLERANCE", 0);
        c.status = -1;
        finish_early(c);
        return false;
    }
    i32 st = 0;
    CNTPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
    LOCPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
    c.loaded = LOCTOL(c.allowance_a, c.allowance_b);
    if (!c.loaded) {
        finish_early(c);
        return false;  // not a milling tool: no strings
    }
    // The projection road: the projector prepared for the tool.
    if (c.avail) {
        c.prj_index = prj_tool_index();
        if (c.prj_index < 0) {
            c.status = -1;
            finish_early(c);
            return false;
        }
    }
    // Projection road: the work array alone, opened when it is not (the
    // projector needs no profile tables).
    i32 h = -1;
    void* base = nullptr;
    if (c.avail) {
        const bool fresh = CUTHKS.net_rec() < 0;  // the owner opens it now
        CUTHKS.net_open(NET_START, h, base, st);
        if (st != 0) {
            c.status = -1;
            finish_early(c);
            return false;
        }
        if (fresh || h != net_handle) NETCNT = 0, work_cap = NET_START;
        net_handle = h;
        return net_bind(c, h);
    }
    // Work array: opened with the stock's profile tables, which answer -1
    // when they are not built (the array went with them).
    CUTHKS.net_hdl(1, h);
    if (h >= 0 && !(array_open(h) && array_open(CUTHKS.net_rec()))) {
        // Tables whose host arrays are gone are forgotten (not closed: their
        // numbers may name other arrays now) and built again.
        h = -1;
        CUTHKS.net_hdl(2, h);
    }
    if (h < 0) {
        f32 deg = static_cast<f32>(LOCTAP / (PI * 0.005555555555555556));
        h = -1;
        CUTHKS.net_prof(c.tol, LOCDIA, LOCCRN, LOCCUT, deg, 0, c.allowance_a, NET_START, h, base, st);
        if (st == 0 && c.allowance_b != c.allowance_a)
            CUTHKS.net_prof(c.tol, LOCDIA, LOCCRN, LOCCUT, deg, 1, c.allowance_b, NET_START, h, base, st);
        if (st != 0) {
            c.status = -1;
            finish_early(c);
            return false;
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
    return net_bind(c, h);
}

// The work array h as the call's records, and the z range of the heights
// record. True.
bool net_bind(NetCall& c, i32 h)
{
    void* base = nullptr;
    mmcptr(h, base);
    c.W.b = static_cast<f32*>(base);
    c.W.cap = work_cap;
    c.W.par(0) = 0.0f;
    LOCZCL = HEI8[HEI8_CLAMP];
    LOCZMN = hei8r(HEI8_ZMIN);
    LOCZMX = hei8r(HEI8_ZMAX);
    return true;
}

// The line's geometry into LOCCOM, the steps, and whether the call goes on
// with the last string (records 0 and 1 kept).
void net_line(NetCall& c)
{
    const f32* start = c.start;
    const f32* end = c.end;
    c.dir[0] = end[0] - start[0], c.dir[1] = end[1] - start[1];
    i32 ls = 0;
    V2NRMS(c.dir, c.L, ls);
    c.point_line = ls < 0;
    if (c.point_line) c.L = 0.0f;
    if (c.line3d) {
        f64 d3[3] = {f64(end[0]) - start[0], f64(end[1]) - start[1], f64(end[2]) - start[2]};
        f64 l3 = std::sqrt(dot3(d3, d3));
        for (i32 k = 0; k < 3; ++k) LOCSDR[k] = l3 > 0 ? static_cast<f32>(d3[k] / l3) : 0.0f;
        LOCSW1 = static_cast<f32>(l3);
        LOCSZL = std::fmax(start[2], end[2]);
    } else {
        LOCSW1 = 0.0f;
    }
    LOCSW2 = c.L;
    LOCSW3 = 0.0f;
    LOCSGM = c.line3d ? 1 : 0;
    for (i32 k = 0; k < 3; ++k) LOCSP1[k] = start[k], LOCSP2[k] = end[k];
    const f32 tol = c.tol, L = c.L;
    c.step = std::fmax(2.0f * tol, LOCDIA / 6.0f);
    if (c.step > L / 2 && L > 0) c.step = L / 2;
    // The segment-length limit holds only when set: a limit of 0 (none
    // handed over) would make a step of 0, and the line would never end.
    if (LOCCST == 3 && !c.raw && c.step > LOCSLM && LOCSLM > 0) c.step = LOCSLM;
    c.flat = std::fmax(4.0f * tol, 0.4f * c.step);
    if (c.raw) c.step = 0.5f, c.flat = 0.4f;
    c.thin = 0.2f * tol;
    c.flat_end = eqval0(LOCCRN) != 0;
    c.zero_dia = LOCZDI != 0;
    // Continuation of the previous string.
    c.f = 1, c.g = 1;
    c.t0 = 0.0f;
    if (!c.raw && c.restart == 0 && NETCNT >= 2) {
        const f32* ref = c.swt ? last_normal_point : c.W.pnt(1);
        if (eqval(start[0], ref[0]) && eqval(start[1], ref[1])) {
            c.f = 0, c.g = 2;
            c.t0 = std::fmax(5.0f * tol, c.step / 4);
            c.t0 = std::fmin(c.t0, c.step);
            if (c.t0 > L / 2) c.t0 = L / 2;
        }
    }
}

// The normal approach against the stored 3-D line (string switch on): the
// tool moved towards the line's point from its side. False when the triangle
// road must answer instead.
bool net_normal_approach(NetCall& c, f32* r, const f32* p)
{
    const f32 tol = c.tol;
    f32 q[3] = {p[0], p[1], 0}, qz = 0;
    i32 zs = 0;
    ZONSEG(LOCSP1, LOCSP2, q, qz, zs);
    // Without the line's height at the point the approach fails at both
    // distances: the point keeps the height it was handed.
    q[2] = zs < 0 ? p[2] : qz;
    f32 nq[3] = {0, 0, 1};
    i32 ns = 0;
    if (zs >= 0) {
        NRMINT(LOCSP1, LOCSP2, LOCSN1, LOCSN2, q, nq, ns);
        if (eqval0(nq[0]) && eqval0(nq[1])) return false;
    }
    bool done = false;
    for (f32 dd : {0.1f * LOCDIA, 0.2f * LOCDIA}) {
        if (zs < 0) break;
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
            code = (rec[SRF_CLASS] == SCL_CHECK || rec[SRF_CLASS] == SCL_PART) ? -rec[SRF_ID] : rec[SRF_ID];
            if (code == -1) code = 1;
        }
        reinterpret_cast<i32*>(r)[NRCOD] = code;
        done = true;
        break;
    }
    if (!done) {
        // Both approaches failed: the point keeps its XY and stands at the
        // line's own height there (the height it was handed only when the
        // line gave none). The line's height is what the caller asked to
        // follow; the handed-in height is 0 or the start's and would put
        // the point off the line by the line's whole slope.
        r[NRPNT] = p[0], r[NRPNT + 1] = p[1], r[NRPNT + 2] = q[2];
        r[NRTNM + 2] = 1.0f;
        reinterpret_cast<i32*>(r)[NRCOD] = -1;
    }
    // The road's last point is the line's point it positioned at: a
    // continuation starts at the line's end, and the tool stands off the
    // line along the normal, so its position would never meet that start.
    for (i32 k = 0; k < 3; ++k) last_normal_point[k] = q[k];
    return true;
}

// The drop over the triangles at p into record r: the contact chosen, its
// code (negative on check surfaces) and the tool and surface normals. False
// when the call must end (status set, or the height above the start).
bool net_drop(NetCall& c, f32* r, f32* p)
{
    const f32 tol = c.tol;
    i32 ntri = 0, count = 0, ds = 0;
    f32 z = 0, dn[3] = {0, 0, 1};
    // The drop is handed type 0, not the tool-type code worked out for the
    // line: the drop reads the tool's kind from the context (LOCKDA, LOCKDB
    // set from that same code), and the type word only steers the gathering.
    // An odd code (ball end 1, corner radius 3, 11, 13) would reuse the
    // previous point's quadtree cells, which one step along the line need
    // not cover the tool's square, so triangles could be missed.
    const i32 dmode = c.from_height ? 11 : 1, ttype = 0;
    LOCPNT(dmode, ttype, p, tol, ntri, z, dn, CONTACTS, count, c.res, ds);
    if (ds < 0) {
        c.status = -1;
        return false;
    }
    if (c.from_height && z > c.start[2] + 0.5f * tol) {
        c.height_abort = true;
        return false;
    }
    i32 code = 0;
    f32 sn[3] = {0, 0, 1}, con[3] = {p[0], p[1], z}, tn[3] = {0, 0, 1};
    if (count > 0) {
        i32 srf = 0, higher = 0, ss = 0;
        const i32 ref = -1;
        LOCSEL(tol, p, z, sn, con, srf, ref, count, c.res.cz, c.res.ckind, c.res.cpos, c.res.cpt, higher, ss);
        if (ss < 0) {
            // No contact qualified: a failure (-2 is the segment-code answer).
            c.status = -1;
            return false;
        }
        code = ss == 4 ? -srf : srf;
        if (ss == 0 && code == 0 && c.line3d) code = 1;
        if (!c.zero_dia) {
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
    return true;
}

// Positions the tool at distance t along the line into record i.
bool net_position(NetCall& c, i32 i, f32 t)
{
    if (++c.npos % 200 == 0) CHKINT();
    f32* r = c.W.rec(i);
    if (c.mode == 7) {
        // Nothing is positioned and the record keeps what it held, but its
        // distance is stored: the walk steps on from the distances and
        // measures its spacing by them, so with a stale distance it would
        // end at once or never reach the line's end.
        r[NRPAR] = t;
        return true;
    }
    NETPOS += 1.0;
    std::memset(r, 0, NR_WORDS * sizeof(f32));
    r[NRPAR] = t;
    f32 p[3] = {c.start[0] + t * c.dir[0], c.start[1] + t * c.dir[1], c.from_height ? c.start[2] : 0.0f};
    if (c.point_line) p[0] = c.start[0], p[1] = c.start[1];
    const bool use_triangles = !c.swt || !net_normal_approach(c, r, p);
    if (use_triangles && !net_drop(c, r, p)) return false;
    r[NRDOT] = axis_dot(r);
    return true;
}

// Room for record `need` in the work array, grown by 10,000 records when
// fewer than 100 remain; false (with the message) when it cannot grow.
bool net_grow(NetCall& c, i32 need)
{
    if (need < c.W.cap - 100) return true;
    void* nb = nullptr;
    i32 gs = 0;
    MM_RESIZE_ARRAY(net_handle, NET_START, nb, gs);
    if (gs != 0) {
        // The line is given up (no strings): the message tells the user why
        // a pass is missing, and the callers set -1, so that the empty result
        // is not taken for a line with nothing under the tool (status 0).
        eroutc("LINNETN, DYNAMIC MEMORY ERROR", 0);
        return false;
    }
    c.W.b = static_cast<f32*>(nb);
    c.W.cap += NET_START;
    work_cap = c.W.cap;
    return true;
}

// The projection road: the library's pieces, point by point, from record 1
// on; a copy of a piece's last record with code 0 breaks the strings
// between two pieces. False when the work array cannot grow.
bool net_project(NetCall& c)
{
    Work& W = c.W;
    c.f = c.g = 1;
    c.n = 0;
    i32& n = c.n;
    prj_segment(c.prj_index, c.start, c.end);
    bool more = prj_seg_first() != 0;
    while (more) {
        if (n >= 1) {
            if (!net_grow(c, n + 1)) return false;
            std::memcpy(W.rec(n + 1), W.rec(n), NR_WORDS * sizeof(f32));
            W.code(n + 1) = 0;
            ++n;
        }
        while (prj_pt_next()) {
            if (!net_grow(c, n + 1)) return false;
            ++n;
            f32 words[2], word = 0, tn[3], sn[3];
            i32 marker = 0, code = 0;
            f32* r = W.rec(n);
            prj_pt_read(r + NRPNT, words, word, tn, sn, marker, code);
            for (i32 k = 0; k < 3; ++k) r[NRTNM + k] = tn[k], r[NRSNM + k] = sn[k];
            if (marker == 1 && prj_get_use() == 0) code = -code;
            W.code(n) = code;
            W.par(n) = static_cast<f32>(std::hypot(f64(r[NRPNT]) - c.start[0], f64(r[NRPNT + 1]) - c.start[1]));
            r[NRDOT] = axis_dot(r);
        }
        more = prj_seg_next() != 0;
    }
    return true;
}

// Whether record i may follow record i - 1 without a point between them;
// i may step back by one (the first triple of the line does not fit). An
// error of the span check goes to the status.
bool net_accept(NetCall& c, i32& i)
{
    Work& W = c.W;
    const i32 f = c.f, g = c.g;
    const f32 tol = c.tol;
    if (i - 1 < f) return true;
    const f32 dt = W.par(i) - W.par(i - 1);
    const f32 dz = std::fabs(W.pnt(i - 1)[2] - W.pnt(i)[2]);
    const i32 c0 = W.code(i - 1), c1 = W.code(i);
    bool change = false;
    if (!(i - 1 < g || c0 == c1))
        change = c0 == 0 || c1 == 0 || dt > LOCCRN || ((c0 < 0) != (c1 < 0)) || dot3f(W.tnm(i - 1), W.tnm(i)) < 0.999;
    if (dt < tol / 4 || (dt < tol && !change) || (c0 < 0 && c1 < 0 && i - 1 >= g)) return true;
    if (change) return false;
    if (i == f + 2 && !net_fits(W.pnt(f), W.pnt(f + 1), W.pnt(f + 2), tol, c.flat_end, true)) {
        i -= 1;
        return false;
    }
    if (i - 2 >= f && !net_fits(W.pnt(i - 2), W.pnt(i - 1), W.pnt(i), tol, c.flat_end, false)) return false;
    if (NETAXM == 1 && ((W.dot(i - 1) < 0.999999f) != (W.dot(i) < 0.999999f))) return false;
    if (normal_asks(W.pnt(i - 1), W.pnt(i), W.tnm(i - 1), W.tnm(i), W.snm(i - 1), W.snm(i), tol)) return false;
    if (c.zero_dia || i - 1 < f || (dt <= c.flat && dz <= c.step)) return true;
    i32 ss = 0;
    const bool clear = NETSPN(W.pnt(i - 1), W.pnt(i), tol, ss) == 0;
    if (ss < 0) c.status = ss;
    return clear;
}

// Refinement along the line (triangle road): positions from the first
// distance on, a point inserted between two records wherever the checks
// ask, the next step taken where they are content. False when the call ends
// early (status set; a drop above the start height ends it with status 0).
bool net_refine(NetCall& c)
{
    Work& W = c.W;
    i32& n = c.n;
    auto failed = [&]() {
        if (c.height_abort) c.status = 0;
        return false;
    };
    if (!net_position(c, c.g, c.t0)) {
        if (c.status == 0 && !c.height_abort) c.status = -1;
        return failed();
    }
    i32 i = c.g;
    // The passes are bounded so that a line whose refinement cannot settle
    // still ends: a step below the spacing of single-precision distances at
    // the line's length adds points at one place for ever, and so does a
    // coordinate that is not a number. Ten million passes lie far beyond a
    // line that settles (its points at most a quarter tolerance apart); what
    // was positioned until then is kept and cut into strings as usual.
    for (i32 guard = 0; guard < 10000000; ++guard) {
        if (c.point_line) break;
        const bool accept = net_accept(c, i);
        if (c.status < 0) return false;
        if (!accept) {
            // A point between i - 1 and i.
            if (!net_grow(c, n + 1)) {
                c.status = -1;
                return false;
            }
            const f32 t = 0.5f * (W.par(i - 1) + W.par(i));
            std::memmove(W.rec(i + 1), W.rec(i), static_cast<size_t>(n - i + 1) * NR_WORDS * sizeof(f32));
            ++n;
            if (!net_position(c, i, t)) return failed();
            continue;
        }
        if (geval(W.par(i), c.L)) break;
        if (i < n) {
            ++i;
            continue;
        }
        if (!net_grow(c, n + 1)) {
            c.status = -1;
            return false;
        }
        f32 t = W.par(n) + c.step;
        if (t > c.L) t = c.L;
        ++n;
        i = n;
        if (!net_position(c, i, t)) return failed();
    }
    return true;
}

// The records of the line in order, with their heights and codes.
struct NetRun {
    std::vector<i32> order;  // record indices in line order, records doubled where lifted
    std::vector<f32> zs;
    std::vector<i32> codes;
    void push(i32 o, f32 z, i32 code) { order.push_back(o), zs.push_back(z), codes.push_back(code); }
};

// Runs of negative codes that end in a positive code are lifted over the
// check surfaces by the incremental height; then every code is made
// positive and the records without contact at either end are dropped (the
// first string begins at the first record with a contact).
void net_lift(NetRun& run)
{
    NetRun out;
    const std::vector<i32>& codes = run.codes;
    size_t k = 0;
    while (k < run.order.size()) {
        if (codes[k] >= 0) {
            out.push(run.order[k], run.zs[k], codes[k]);
            ++k;
            continue;
        }
        size_t e = k;
        while (e < run.order.size() && codes[e] < 0) ++e;
        if (e >= run.order.size() || codes[e] == 0) {
            for (; k < e; ++k) out.push(run.order[k], run.zs[k], codes[k]);
            continue;
        }
        f32 top = -1.0e30f;
        for (size_t j = k; j <= e; ++j) top = std::fmax(top, run.zs[j]);
        top += hei8r(HEI8_INCR);
        out.push(run.order[k], run.zs[k], codes[k]);  // first copy keeps its height
        for (size_t j = k; j < e; ++j) out.push(run.order[j], top, codes[j]);
        out.push(run.order[e - 1], top, codes[e - 1]);  // last doubled
        out.push(run.order[e], top, codes[e]);          // the positive end
        k = e + 1;
    }
    for (i32& code : out.codes) code = code < 0 ? -code : code;
    size_t a = 0, b = out.order.size();
    while (a < b && out.codes[a] <= 0) ++a;
    while (b > a && out.codes[b - 1] <= 0) --b;
    run.order.assign(out.order.begin() + a, out.order.begin() + b);
    run.zs.assign(out.zs.begin() + a, out.zs.begin() + b);
    run.codes.assign(out.codes.begin() + a, out.codes.begin() + b);
}

// The records cut into runs of equal code; each run of positive code, thinned,
// becomes a string of the output.
void net_strings(NetCall& c, const NetRun& run)
{
    Work& W = c.W;
    const i32 most = c.capacity / 3;
    // The points of a run and their 8-word records (tool normal, surface
    // normal, code, dot flag) are held in the call's own vectors rather than
    // a host block: they are freed on every road out of the call, a stop's
    // unwinding included, where a host block would stay allocated.
    std::vector<f32> pts, tmp;
    size_t k = 0;
    while (k < run.order.size()) {
        size_t e = k;
        while (e < run.order.size() && run.codes[e] == run.codes[k]) ++e;
        if (run.codes[k] <= 0) {
            k = e;
            continue;
        }
        pts.clear();
        tmp.clear();
        for (size_t j = k; j < e; ++j) {
            const i32 r = run.order[j];
            pts.insert(pts.end(), {W.pnt(r)[0], W.pnt(r)[1], run.zs[j]});
            f32 t8[8] = {W.tnm(r)[0], W.tnm(r)[1], W.tnm(r)[2], W.snm(r)[0], W.snm(r)[1], W.snm(r)[2],
                         wrd2r(run.codes[j]), (NETAXM == 1 && W.dot(r) < 0.999999f) ? 1.0f : 0.0f};
            tmp.insert(tmp.end(), t8, t8 + 8);
        }
        i32 np = static_cast<i32>(e - k);
        if (np > 2) {
            const i32 dim = 3, pd = 8;
            // The temporary records are thinned with their points in every
            // mode, mode 2 too: the surface normals of mode 102 and the last
            // two records kept for a continuation are read from them by the
            // points' new places, which untouched records would not match
            // (a normal or a code of some point thinned away).
            if (LOCCST == 3)
                dladst(np, pts.data(), dim, tmp.data(), pd, c.thin, LOCSLM);
            else
                dilula(np, pts.data(), dim, tmp.data(), pd, c.thin);
        }
        // A run that does not fit whole after thinning is refused whole:
        // a string cut at the array's end would be written as a pass that
        // stops short on the surface, with nothing to tell its end from a
        // real one. The strings written before it stay.
        if (c.pnttot + np > most) {
            erou1c("[LINNETN] MAXIMUM NUMBER OF POINTS IN A STRING :", hval(most));
            c.status = -1;
            break;
        }
        if (c.pntnst >= c.pntmxs) {
            erou1c("[LINNETN] ONLY ", hval(c.pntmxs), " STRINGS ARE AVAILABLE");
            c.pntnst = c.pntmxs;
            c.status = -1;
            break;
        }
        for (i32 j = 0; j < np; ++j) {
            const i32 o = c.pnttot + j;
            for (i32 d = 0; d < 3; ++d) c.pntxyz[3 * o + d] = pts[3 * j + d];
            if (c.tool_normals())
                for (i32 d = 0; d < 3; ++d) c.pntnrm[3 * o + d] = tmp[8 * j + d];
            if (c.surface_normals())
                for (i32 d = 0; d < 3; ++d) c.pntsnm[3 * o + d] = tmp[8 * j + 3 + d];
            if (c.codes_out()) {
                i32 code = r2wrd(tmp[8 * j + 6]);
                c.pntflg[o] = (NETAXM == 1 && tmp[8 * j + 7] != 0.0f) ? -code : code;
            }
        }
        c.pntlen[c.pntnst] = np;
        ++c.pntnst;
        c.pnttot += np;
        c.last_len = np;
        if (np > 1)
            std::memcpy(c.tail, tmp.data() + 8 * (np - 2), sizeof c.tail);
        else  // a lone point's record, for the upright string of a vertical line
            std::memcpy(c.tail + 8, tmp.data(), 8 * sizeof(f32));
        k = e;
    }
}

void net_carry_tail(NetCall& c);

// Record 1 keeps the last positioned record, at distance 0; the last
// string's last two points, with their normals, codes and surface normals as
// output, go into records 0 and 1 for a continuation.
void net_carry(NetCall& c)
{
    Work& W = c.W;
    if (c.n > 1) std::memcpy(W.rec(1), W.rec(c.n), NR_WORDS * sizeof(f32));
    // With the string switch on, record 1 holds the normal approach's last
    // point, which a continuation is matched against.
    if (c.swt)
        for (i32 k = 0; k < 3; ++k) W.pnt(1)[k] = last_normal_point[k];
    W.par(1) = 0.0f;
    if (c.pntnst > 0 && c.last_len > 1) net_carry_tail(c);
}

// Records 0 and 1 take the output's last two points, with the temporary
// records of c.tail, for a line that continues the last string.
void net_carry_tail(NetCall& c)
{
    Work& W = c.W;
    const f32* xyz = c.pntxyz;
    const i32 o = c.pnttot - 2;
    for (i32 j = 0; j < 2; ++j) {
        f32* r = W.rec(j);
        const f32* t8 = c.tail + 8 * j;
        for (i32 d = 0; d < 3; ++d)
            r[NRPNT + d] = xyz[3 * (o + j) + d], r[NRTNM + d] = t8[d], r[NRSNM + d] = t8[3 + d];
        // The code carried is the temporary record's own (lifted, never
        // negated), not the output code that axis mode 1 negates where
        // the normals part: in a work record a negative code means a
        // check-surface contact, which the continuation would misread.
        reinterpret_cast<i32*>(r)[NRCOD] = r2wrd(t8[6]);
        r[NRDOT] = axis_dot(r);
    }
    W.par(0) = -std::sqrt((xyz[3 * (o + 1)] - xyz[3 * o]) * (xyz[3 * (o + 1)] - xyz[3 * o]) +
                          (xyz[3 * (o + 1) + 1] - xyz[3 * o + 1]) * (xyz[3 * (o + 1) + 1] - xyz[3 * o + 1]));
    W.par(1) = 0.0f;
}

// Three-dimensional ends: the strings' ends as the drop left them, raised
// to the line's ends where they lie under them; a vertical line whose one
// point lies at or below its upper end gives one string of two points in
// the line's direction, the upper end added (a point below the lower end
// becomes the lower end).
void net_ends(NetCall& c)
{
    const f32* start = c.start;
    const f32* end = c.end;
    f32* xyz = c.pntxyz;
    const bool hi_start = start[2] >= end[2];
    const f32* hi = hi_start ? LOCSP1 : LOCSP2;
    const f32* lo = hi_start ? LOCSP2 : LOCSP1;
    const bool lone = c.pntnst == 1 && c.pnttot == 1;
    if (c.L >= 0.0005f || !lone || (xyz[2] > hi[2] && !eqval(xyz[2], hi[2]))) {
        if (c.pntnst > 0) {
            f32* first = xyz;
            f32* last = xyz + 3 * (c.pnttot - 1);
            if (eqval(first[0], start[0]) && eqval(first[1], start[1]) && first[2] < start[2]) first[2] = start[2];
            if (eqval(last[0], end[0]) && eqval(last[1], end[1]) && last[2] < end[2]) last[2] = end[2];
        }
        return;
    }
    // The two points of the upright string need room for two; with less, the
    // one point stands as positioned rather than being written past the
    // caller's arrays.
    if (c.capacity / 3 < 2) return;
    const bool nrm_out = c.tool_normals(), snm_out = c.surface_normals(), flg_out = c.codes_out();
    f32 p[3] = {xyz[0], xyz[1], xyz[2]}, pn[3] = {0, 0, 1}, ps[3] = {0, 0, 1};
    i32 pc = flg_out ? c.pntflg[0] : LOCSRF;
    if (nrm_out) std::memcpy(pn, c.pntnrm, sizeof pn);
    if (snm_out) std::memcpy(ps, c.pntsnm, sizeof ps);
    const f32* lon = hi_start ? LOCSN2 : LOCSN1;
    const bool replaced = p[2] < lo[2];
    if (replaced) {
        std::memcpy(p, lo, sizeof p);
        std::memcpy(pn, lon, sizeof pn);
        std::memcpy(ps, lon, sizeof ps);
        pc = LOCSRF;
    }
    const f32* hin = hi_start ? LOCSN1 : LOCSN2;
    const i32 at_p = hi_start ? 1 : 0, at_hi = 1 - at_p;
    std::memcpy(xyz + 3 * at_p, p, sizeof p);
    std::memcpy(xyz + 3 * at_hi, hi, 3 * sizeof(f32));
    if (nrm_out) std::memcpy(c.pntnrm + 3 * at_p, pn, sizeof pn), std::memcpy(c.pntnrm + 3 * at_hi, hin, sizeof pn);
    if (snm_out) std::memcpy(c.pntsnm + 3 * at_p, ps, sizeof ps), std::memcpy(c.pntsnm + 3 * at_hi, hin, sizeof ps);
    if (flg_out) c.pntflg[at_p] = pc, c.pntflg[at_hi] = LOCSRF;
    c.pntlen[0] = 2;
    c.pnttot = 2;
    c.last_len = 2;
    // The continuation marker offers this string to the next line, so
    // records 0 and 1 must hold its two points: they were carried while it
    // still had one, and record 0 would otherwise hand a point of some
    // earlier line to the continuing string as its first point.
    f32 own[8];
    std::memcpy(own, c.tail + 8, sizeof own);
    f32* tp = c.tail + 8 * at_p;
    f32* th = c.tail + 8 * at_hi;
    std::memcpy(tp, own, sizeof own);
    if (replaced) {
        for (i32 d = 0; d < 3; ++d) tp[d] = lon[d], tp[3 + d] = lon[d];
        tp[6] = wrd2r(LOCSRF);
        tp[7] = 0.0f;
    }
    for (i32 d = 0; d < 3; ++d) th[d] = hin[d], th[3 + d] = hin[d];
    th[6] = wrd2r(LOCSRF);
    th[7] = 0.0f;
    net_carry_tail(c);
}

// The end of a call that wrote its strings: the continuation marker, the
// heights clamped, the status of a line ending over empty space, the tool's
// values back and the notches taken out.
void net_finish(NetCall& c)
{
    NETCNT = 0;
    if (c.pntnst > 0 && c.last_len > 1) {
        // The string switch on: the normal approach's last point, and the
        // last positioned point on something.
        const f32* lp = c.swt ? last_normal_point : c.pntxyz + 3 * (c.pnttot - 1);
        if (eqval(lp[0], c.end[0]) && eqval(lp[1], c.end[1]) && (!c.swt || (c.n >= 1 && c.W.code(c.n) > 0)))
            NETCNT = c.last_len > 2 ? 3 : 2;
    }
    if (HEI8[HEI8_CLAMP] != 0)
        for (i32 j = 0; j < c.pnttot; ++j)
            c.pntxyz[3 * j + 2] = std::fmin(std::fmax(c.pntxyz[3 * j + 2], LOCZMN), LOCZMX);
    if (c.status >= 0 && HEI8[HEI8_ABSOLUTE] != 0 && c.n >= c.f && c.W.code(c.n) == 0) {
        c.status = 1;
        // Reading chosen: the line's end over nothing gives -2 when the
        // host's current segment code is -54. A code cannot be 54 and
        // negative at once; -54 is the one value that is code 54 (by its
        // size) and negative, where a test for 54 would drop the sign
        // condition altogether.
        if (nu_sgcd_get_code() == -54) c.status = -2;
    }
    LOCRST();
    if (NETAXM == 2 && c.mode != 2)
        NETNCH(c.thin, c.pntxyz, c.pntnrm, c.surface_normals() ? c.pntsnm : nullptr,
               c.codes_out() ? c.pntflg : nullptr, c.pntnst, c.pntlen, c.pnttot);
}

}  // namespace

void LINNETN(const i32& restart, const i32& line3d, const f32* start, const f32* end, const f32& tolerance,
             const f32& allowance_a, const f32& allowance_b, const i32& capacity, const i32& mode_in, f32* pntxyz,
             f32* pntnrm, f32* pntsnm, i32* pntflg, i32& pntnst, const i32& pntmxs, i32* pntlen, i32& pnttot,
             i32& status)
{
    pntnst = 0;
    if (pntlen) pntlen[0] = 0;
    pnttot = 0;
    status = 0;
    static f32 cz[CONTACTS], cpt[3 * CONTACTS];
    static i32 ck[CONTACTS], cp[CONTACTS];
    NetCall c{restart, line3d, start, end, tolerance, allowance_a, allowance_b, capacity, pntxyz, pntnrm, pntsnm,
              pntflg, pntnst, pntmxs, pntlen, pnttot, status};
    c.res = LocRes{cz, ck, cp, cpt};
    if (!net_open(c, mode_in)) return;
    net_line(c);
    c.n = c.g;
    const bool positioned = c.avail ? net_project(c) : net_refine(c);
    if (!positioned) {
        if (c.avail) c.status = -1;
        return finish_early(c);
    }
    if (c.point_line && c.W.code(c.g) == 0) c.n = c.g - 1;  // nothing under the tool: no point
    if (c.raw) {
        // The count of the work array's records in use, read from its
        // start: record 0 (the line's guard, the continuation's point)
        // with the line's records 1 to n.
        pnttot = c.n + 1;
        NETCNT = 0;
        LOCRST();
        return;
    }
    NetRun run;
    for (i32 k = c.f; k <= c.n; ++k) run.push(k, c.W.pnt(k)[2], c.W.code(k));
    if (HEI8[HEI8_ABSOLUTE] == 0) net_lift(run);
    net_strings(c, run);
    net_carry(c);
    if (line3d || MACTYP == MACTYP_SURFACES) net_ends(c);
    net_finish(c);
}
