#include "stock/zband.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "blocks/format.h"
#include "blocks/height.h"
#include "blocks/listacc.h"
#include "blocks/readers.h"
#include "core/host.h"
#include "core/prcwrd.h"
#include "stock/airlink.h"
#include "stock/crvtrim.h"
#include "stock/feedcopy.h"
#include "stock/movecur.h"
#include "stock/optedit.h"
#include "stock/optwords.h"
#include "stock/stkgrid.h"
#include "stock/stkrun.h"
#include "stock/tppoints.h"
#include "tools/toolcache.h"

namespace {
// What the scan keeps between calls.
struct Band {
    f32 point[3] = {0, 0, 0};  // where the tool stands
    bool known = false;
    i32 prev = -1;            // the previous move
    i32 open_first = -2;      // first move of a run left open at the list's end (-2 none)
    bool trust = false;       // the next curve is the piece before a cut: taken as it is
} BZ;

f32 upper() { return wrd2r(CMPBLK[CMP_ZHIGH]); }
f32 lower() { return wrd2r(CMPBLK[CMP_ZLOW]); }
bool above(f32 z) { return (CMPBLK[CMP_ZRANGE] == 2 || CMPBLK[CMP_ZRANGE] == 4) && gtval(z, upper()) != 0; }
bool below(f32 z) { return (CMPBLK[CMP_ZRANGE] == 3 || CMPBLK[CMP_ZRANGE] == 4) && ltval(z, lower()) != 0; }
bool out(f32 z) { return above(z) || below(z); }
bool on_limit(f32 z) { return eqval(z, upper()) != 0 || eqval(z, lower()) != 0; }

f32 xy(const f32* a, const f32* b) { return static_cast<f32>(std::hypot(f64(b[0]) - a[0], f64(b[1]) - a[1])); }

// The limit a move from z0 to z1 crosses first.
f32 crossed(f32 z0, f32 z1)
{
    const bool up = z1 > z0;
    const f32 lo = lower(), hi = upper();
    if (out(z0)) return above(z0) ? hi : lo;  // coming back in
    return up ? hi : lo;                      // going out
}

// A run being collected.
struct Run {
    bool open = false;
    i32 first = -1, side = 0;
    f32 length = 0;
    bool beyond = false;   // the last rapid of the run ended beyond the other limit (mode 4)
    bool crossed = false;  // a feed move followed such a rapid
    i32 returned() const { return crossed ? 2 : side; }
};

// Mode 4: a rapid inside an open run that ends beyond the opposite limit
// makes the run one above the band at the next feed move; a rapid back
// within that limit before it undoes that.
void rapid_in_run(Run& r, const f32* P)
{
    if (!r.open || CMPBLK[CMP_ZRANGE] != 4) return;
    r.beyond = r.side == 2 ? ltval(P[2], lower()) != 0 : gtval(P[2], upper()) != 0;
}

void place(const f32* P)
{
    std::copy(P, P + 3, BZ.point);
    BZ.known = true;
}

// A straight move Q to P: false when it was cut at the limit and the scan
// goes on with its first piece; done set when the run ended. A run opens
// behind the move before it, whatever its feed (-1 only at the path's start).
// A move from above the band to below it (or back) in mode 4 is cut at both
// limits, in the order it meets them: the piece between them stays in the
// band and the pieces outside end one run and begin the next.
bool line_move(Run& r, i32 number, f32* P, bool& done, i32& status)
{
    const f32* Q = BZ.point;
    const bool through = (above(Q[2]) && below(P[2])) || (below(Q[2]) && above(P[2]));
    const bool crosses = out(P[2]) != out(Q[2]) && !on_limit(Q[2]) && !on_limit(P[2]);
    if (BZ.known && (through || crosses)) {
        i32 piece = number;
        const f32 first = crossed(Q[2], P[2]);
        const f32 second = through ? (first == upper() ? lower() : upper()) : P[2];
        optim_zband_clip(Q, P, first, second, piece, status);
        return false;
    }
    if (!r.open && out(P[2])) {
        r.open = true;
        r.first = BZ.prev;
        r.side = above(P[2]) ? 2 : 1;
        r.length = 0;
    }
    if (r.open) {
        r.length += BZ.known ? xy(Q, P) : 0.0f;
        done = !out(P[2]) || on_limit(P[2]);
    }
    return true;
}
// Cuts the curve (read as c, polyline pts from the scan point) where a
// segment first crosses a limit without starting or ending on one: at the
// parameter where the curve's Z equals the limit, found from the curve
// point nearest to the segment's point at that Z. true when it was cut.
bool curve_cut(const NurbsMove& c, i32 curve, const std::vector<f32>& pts, i32 number, i32& status)
{
    const f32* Q = BZ.point;
    for (size_t k = 0; k + 2 < pts.size(); k += 3) {
        const f32* E = pts.data() + k;
        if (out(E[2]) != out(Q[2]) && !on_limit(Q[2]) && !on_limit(E[2])) {
            const f64 z = crossed(Q[2], E[2]);
            const f64 q[3] = {Q[0], Q[1], Q[2]}, e[3] = {E[0], E[1], E[2]};
            f64 R[3], pt[3], t = 0;
            optim_pt_at_z(q, e, z, R);
            const f32 at[3] = {f32(R[0]), f32(R[1]), f32(R[2])};
            crv_nearest(curve, at, t, pt, status);
            if (status >= 0) bcrv_par_at_z(pt, t, curve, z, status);
            if (status < 0) {
                status = 0;  // no point of the curve at the limit there: taken whole
                return false;
            }
            i32 block = number;
            return crv_cut_at(c, t, pt, BZ.point, block, status) == 1;
        }
        Q = E;
    }
    return false;
}

// A NURBS move from the scan point: cut where it crosses a limit (false:
// the scan goes on with the first piece). Otherwise it opens a run when a
// point of it lies out of the band, adds its XY length to an open run and
// ends the run when it comes back into the band or onto the limit. P gets
// its end.
bool curve_move(Run& r, i32 number, i32 size, f32* P, bool& done, i32& status)
{
    NurbsMove c;
    std::vector<f32> pts;
    const i32 curve = nurbs_move_open(size, c, pts, P, status);
    if (status < 0) return true;
    const bool trusted = BZ.trust;
    BZ.trust = false;
    bool cut = false;
    if (status >= 0 && curve != 0 && BZ.known && !trusted) cut = curve_cut(c, curve, pts, number, status);
    if (curve != 0) evbfre(curve);
    if (cut) BZ.trust = true;
    if (cut || status < 0) return !cut;
    f32 Q[3] = {BZ.point[0], BZ.point[1], BZ.point[2]}, length = 0;
    i32 side = 0;
    for (size_t k = 0; k + 2 < pts.size(); k += 3) {
        const f32* E = pts.data() + k;
        if (side == 0 && out(E[2])) side = above(E[2]) ? 2 : 1;
        length += xy(Q, E);
        std::copy(E, E + 3, Q);
    }
    if (!r.open && side != 0) {
        r.open = true;
        r.first = BZ.prev;
        r.side = side;
        r.length = 0;
    }
    if (r.open) {
        r.length += BZ.known ? length : 0.0f;
        done = !out(P[2]) || on_limit(P[2]);
    }
    return true;
}
}  // namespace

void optim_pt_at_z(const f64* P, const f64* Q, const f64& z, f64* R)
{
    const f64 t = (z - P[2]) / (Q[2] - P[2]);
    R[0] = P[0] + t * (Q[0] - P[0]);
    R[1] = P[1] + t * (Q[1] - P[1]);
    R[2] = z;
}

void optim_zband_clip(const f32* P, f32* Q, const f32& za, const f32& zb, i32& piece, i32& status)
{
    status = 0;
    if (eqpt3(P, Q) != 0 || (P[2] == za && Q[2] == zb)) return;
    // Where the move meets each level, as a fraction of it: za first, then zb.
    const f64 dz = f64(Q[2]) - P[2];
    const f64 ta = dz == 0.0 ? -1.0 : (za - f64(P[2])) / dz, tb = dz == 0.0 ? -1.0 : (zb - f64(P[2])) / dz;
    if (!(ta >= 0.0 && ta <= tb && tb <= 1.0)) {
        status = -1;  // the move does not reach both levels in that order
        return;
    }
    const f64 p[3] = {P[0], P[1], P[2]}, q[3] = {Q[0], Q[1], Q[2]};
    f64 a[3], b[3];
    optim_pt_at_z(p, q, za, a);
    optim_pt_at_z(p, q, zb, b);
    const f32 A[3] = {P[2] == za ? P[0] : f32(a[0]), P[2] == za ? P[1] : f32(a[1]), za};
    const f32 B[3] = {Q[2] == zb ? Q[0] : f32(b[0]), Q[2] == zb ? Q[1] : f32(b[1]), zb};
    optim_split_line(P, Q, A, B, piece, status);
}

void optim_zband_scan(i32& first, i32& last, i32& side, f32& length, i32& at_end, i32& status)
{
    status = 0;
    at_end = 0;
    length = 0;
    if (first == -1) {
        i32 a = 0;
        lacces(2, a);
        BZ = Band{};
        optim_scan_feed = -1.0f;
    }
    BZ.open_first = -2;
    Run r;
    while (true) {
        i32 number = 0, type = 0, size = 0, tc = 0, st = 0;
        f32 feed = 0, P[3];
        find_move(MV_LIST, 1, number, type, size, feed, tc, st);
        if (st < 0) {
            at_end = 1;
            if (r.open) BZ.open_first = r.first, first = r.first, last = -1, side = r.returned(), length = r.length;
            return;
        }
        if (move_feed_read == 0) feed = optim_scan_feed;  // no feed of its own
        optim_scan_feed = feed;
        bool done = false;
        if (mv_string(type)) {
            BRKSTR(1, status);
            if (status < 0) return;
            continue;
        }
        if (mv_arc(type)) {
            i32 h = 0, plane = 0;
            f32 angle = 0, step = 0, c[2], v[3];
            RDBT3(MV_LIST, type, h, plane, angle, step, c, P, v, status);
            if (status < 0) return;
            if (plane != 1 && feed >= 0.0f) {
                user1c("Z BAND: AN ARC OUT OF THE XY PLANE ENDS THE OPTIMIZER, BLOCK ", number);
                status = -1;
                return;
            }
            if (r.open) r.length += static_cast<f32>(std::hypot(f64(P[0]) - c[0], f64(P[1]) - c[1]) * std::fabs(angle));
        } else if (feed >= 0.0f && mv_nurbs(type)) {
            if (!curve_move(r, number, size, P, done, status)) continue;
            if (status < 0) return;
            if (r.beyond) r.crossed = true, r.beyond = false;
        } else {
            move_end_point(P, status);
            if (status < 0) return;
            if (feed >= 0.0f && mv_line(type) && !line_move(r, number, P, done, status)) {
                if (status < 0) return;
                continue;
            }
            if (feed < 0.0f) rapid_in_run(r, P);
            if (feed >= 0.0f && r.beyond) r.crossed = true, r.beyond = false;
        }
        place(P);
        BZ.prev = number;
        if (done) {
            first = r.first, last = number, side = r.returned(), length = r.length;
            return;
        }
        TPJUMP(1, st);
        if (st != 0) {
            at_end = 1;
            if (r.open) BZ.open_first = r.first, first = r.first, last = -1, side = r.returned(), length = r.length;
            return;
        }
    }
}

namespace {
// A run below the band kept in place: every move of it after `first` up to
// `last` that ends below the lower limit, and every curve, put onto it.
void floor_run(i32 first, i32 last, i32& status)
{
    i32 a = 0, st = 0;
    lacces(2, a);
    if (first > 0) {
        goto_block(1, first, status);
        if (status < 0) return;
        TPJUMP(1, st);
    }
    CMPBLK[CMP_CHANGED] = 1;
    while (st == 0) {
        i32 number = 0, type = 0, size = 0, tc = 0, cls = 0;
        f32 feed = 0, P[3];
        find_move(MV_LIST, 1, number, type, size, feed, tc, st);
        if (st < 0) return;
        move_end_point(P, st);
        if (st >= 0 && (mv_nurbs(type) || ltval(P[2], lower()) != 0)) {
            TPBLKH(MV_LIST, size, type, cls, st);
            i32 n = 0;
            if (st >= 0) NRBCNV(MV_LIST, 0, type, size, lower(), 0.25 * stk_grid.cell, n, status);
            if (status < 0) return;
        }
        if (number == last) return;
        TPJUMP(1, st);
    }
}

// A run below the band stays in place when the floor mode asks for it, or
// when it is not longer than twice the tool's size.
bool stays(i32 side, f32 length)
{
    f32 size = 0;
    GTTSIZ(CURTOL, size);
    const i32 floor = CMPBLK[CMP_ZCHOICE];
    return side == 1 && (floor == 2 || (floor == 1 && length <= 2.0f * size));
}
}  // namespace

void optim_zband_stage(i32& status)
{
    status = 0;
    i32 last = -1, side = 0, at_end = 0, counter = 0;
    f32 length = 0;
    // Each run found is linked and the scan starts again from the list's
    // start: the linked moves lie in the band or are rapids.
    while (true) {
        if (optim_progress(1, counter, 5) != 0) {
            status = 1000;
            return;
        }
        i32 first = -1;
        optim_zband_scan(first, last, side, length, at_end, status);
        if (status < 0) return;
        if (at_end != 0) break;
        CMPBLK[CMP_CHANGED] = 1;
        if (stays(side, length))
            floor_run(first, last, status);
        else
            optim_air_link(first, last, 0, status);
        if (status < 0) return;
    }
    if (BZ.open_first > 0) {
        CMPBLK[CMP_CHANGED] = 1;
        optim_air_link(BZ.open_first, -1, 0, status);
    }
}
