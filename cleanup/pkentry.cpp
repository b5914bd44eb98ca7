// The entry moves of the pocket cutting and the entry list.
#include "cleanup/pkentry.h"

#include <algorithm>
#include <cmath>

#include "blocks/merge.h"
#include "blocks/movement.h"
#include "blocks/tech.h"
#include "cleanup/lansrf.h"
#include "cleanup/pknear.h"
#include "cleanup/twlst.h"
#include "core/host.h"
#include "core/modflg.h"
#include "core/ptwarn.h"
#include "core/records.h"
#include "core/seggeo.h"
#include "cutter/linntb.h"
#include "cutter/loccom.h"
#include "passes/milbf.h"
#include "passes/retract.h"
#include "passes/services.h"
#include "passes/twirl.h"
#include "passes/updown.h"
#include "pocket/pokmain.h"
#include "pocket/pokvals.h"
#include "pocket/polbuf.h"
#include "surfaces/srflist.h"
#include "tools/toolcache.h"

i32 pk_note = 0;
i32 pk_link_done = 0;
i32 pk_entry_mode = 11;

namespace {

// The entry list: a host array of float triples, grown by 10.
i32 g_list = -1;
i32 g_cap = 0;
std::vector<f32> g_points;  // the list's view, three floats a point

const f64 AXIS[3] = {0.0, 0.0, 1.0};

// One straight move; false (status set) when the writer fails.
bool line_to(const f64* p, i32& status)
{
    MOVLNS(1, p, AXIS, status);
    return status >= 0;
}

// Moves through the rounded descent's points, in order or from the last.
bool ramp_moves(const f64* from, const f64* to, bool backwards, i32& status)
{
    f64 pts[3 * 10];
    i32 n = 0;
    pkentry_ramp(from, to, n, pts, status);
    for (i32 k = 0; k < n; ++k)
        if (!line_to(pts + 3 * (backwards ? n - 1 - k : k), status)) return false;
    return true;
}

// The feed of the descent: 27 with the first feed flag, 25 with the second,
// else 1 (the flags are the driver's words left 0 by the set-up).
void descent_feed()
{
    STPV01(pokpar.drv_sw1 != 0 ? 27 : (pokpar.drv_sw2[1] != 0 ? 25 : 1));
}

// The marker that opens an entry, and the entry-mode word.
void entry_marker(i32& status)
{
    tp_marker(1, 5, 9, 0.0f, 0, status);
    ENTMOD(pokpar.drv_sw3[2] == 1 ? -1 : 1);
}

// The approach of a full entry from where the tool stands (M) to P.
void approach(f64* P, bool surf, i32& status)
{
    // a tool already at P moves nothing: a success, whatever status the
    // caller came with
    status = 0;
    const f64 H = pokpar.entry_height;
    f64 M[3];
    for (i32 k = 0; k < 3; ++k) M[k] = wrd2r(DSP8[DSP8_POS + k]);
    if (eqptd(3, M, P) != 0) return;
    if (!surf) {
        P[2] += H + pokpar.approach_dist;
        // The fast move's offset above the raised point: the incremental
        // height of the record's third item, not the clearance plane (an
        // absolute height, which would make the least rise above a point
        // its height over Z 0).
        f64 e = hei8r(HEI8_INCR) + pokpar.clear_extra - pokpar.approach_dist;
        if (!(e > 0.0)) e = 0.0;
        // The entry's links are three-axis moves (dimension code 1): they
        // carry no axes of their own.
        FST2MD(1, P, AXIS, 0, e, status);
        if (status != 0) return;
        P[2] -= pokpar.approach_dist;
        STPV01(3);
        line_to(P, status);
        return;
    }
    P[2] = H + pokpar.small_val;
    const f64 f = hei8r(HEI8_ZMIN);
    f64 r = f > -1.0e10 ? f - pokpar.small_val + H : H;
    r += pokpar.approach_dist;
    if (pokpar.entry_base != H) r -= H > 0.0 ? 2.0 * H : pokpar.entry_base;
    if (r < 0.0) r = 0.0;
    // The string-end move, the Z-up plane move and the clearing of the
    // twirl-link request all belong to the move across: with M straight
    // above P no approach move is written and the request stays as it is.
    if (M[0] != P[0] || M[1] != P[1]) {
        STRNDD(1, P, AXIS, 3, r, status);
        if (status >= 0 && !(TWLGET() != 0 && TWLDON() != 0)) PLNZPD(1, P, AXIS, r, status);
        TWLSET(0);
    }
}

}  // namespace

void ENTMOD(const i32& value) { pk_entry_mode = value == -1 ? 9 : (value == 1 ? 10 : 11); }

void nc_entr_add(const f32* point, i32& status)
{
    status = 0;
    const size_t n = g_points.size() / 3;
    for (size_t k = 0; k < n; ++k) {
        f32* e = &g_points[3 * k];
        if (eqpt2(e, point) == 0) continue;
        if (geval(e[2], point[2]) != 0) e[2] = point[2];
        void* base = nullptr;
        mmcptr(g_list, base);
        if (base) static_cast<f32*>(base)[3 * k + 2] = e[2];
        return;
    }
    void* base = nullptr;
    if (g_list < 0) {
        MM_OPEN_ARRAY(12, 10, g_list, base, status);
        if (status != 0) {
            eroutc("nc_entr_add, OPEN DYNAMIC MEMORY ERROR", 0);
            g_list = -1;
            status = -1;
            return;
        }
        g_cap = 10;
    } else if (static_cast<i32>(n) >= g_cap) {
        MM_RESIZE_ARRAY(g_list, 10, base, status);  // the host adds that many
        if (status != 0) {
            eroutc("nc_entr_add, DYNAMIC MEMORY ERROR - CANNOT ALLOCATE", 0);
            status = -1;
            return;
        }
        g_cap += 10;
    }
    mmcptr(g_list, base);
    f32* e = static_cast<f32*>(base) + 3 * n;
    for (i32 c = 0; c < 3; ++c) {
        e[c] = point[c];
        g_points.push_back(point[c]);
    }
}

const std::vector<f32>& nc_entr_list() { return g_points; }

void pkentry_ramp(const f64* from, const f64* to, i32& count, f64* points, i32& status)
{
    const f64 H = pokpar.entry_height;
    const i32 n = eqptd(2, from, to) != 0 ? 2 : 9;
    for (i32 i = 0; i <= n; ++i) {
        const f64 a = static_cast<f64>(n - i) / n, b = static_cast<f64>(i) / n;
        points[3 * i] = a * from[0] + b * to[0];
        points[3 * i + 1] = a * from[1] + b * to[1];
        points[3 * i + 2] = to[2] + (1.0 - std::sqrt(1.0 - a * a)) * H;
    }
    count = n + 1;
    status = 0;
}

void pkentry(i32& value, const i32& stage, const f64* P, const f64* Q, i32& status)
{
    if (pokpar.retry_sw_a != 0)
        pkentry_spline(value, stage, P, Q, status);
    else
        pkentry_plain(value, stage, P, Q, status);
}

void pkentry_plain(i32& value, const i32& stage, const f64* P0, const f64* Q0, i32& status)
{
    const i32 code = nu_sgcd_get_code();
    bool surf = code == 34 || code == 38;
    if (code == 48) {
        // The extra approach height is the link value of the link
        // parameters, the first of their two link distances (the procedure's
        // link word 87; the second is only kept). The host's link word, the
        // link value kept between procedures, switches the surface approach
        // on (0 from the start-up, so code 48 approaches with it off until a
        // procedure stores 1).
        i32 link = 0;
        LNKVAL(1, link);
        pokpar.approach_dist = LNKPAR.dist[0];
        surf = link == 1 && stage == 2;
    }
    const i32 v = value;
    i32 kind = v;
    bool rounded = false, marker = false;
    if (v >= 11 && v <= 19) {
        kind = v - 10;
        rounded = marker = true;
    } else if (v >= 21) {
        kind = v - 20;
        rounded = kind == 1;
    }
    f64 P[3] = {P0[0], P0[1], P0[2]}, Q[3] = {Q0[0], Q0[1], Q0[2]};
    if (stage < 3) P[2] = Q[2] = pokpar.small_val;
    const f64 H = pokpar.entry_height;
    if (kind == 1) {
        if (rounded && H > 0.0) {
            if (!ramp_moves(Q, P, true, status)) return;
        } else if (!line_to(Q, status)) {
            return;
        }
        status = 0;
    } else if (kind == 2) {
        descent_feed();
        if (marker && H > 0.0) {
            if (!ramp_moves(P, Q, false, status)) return;
        } else if (!line_to(P, status)) {
            return;
        }
        if (marker) {
            entry_marker(status);
            if (status < 0) return;
        }
        if (!line_to(Q, status)) return;
        status = 0;
    } else if (kind == 3) {
        if (pokdim != 2) {
            f64 S[3], N[3] = {0.0, 0.0, 1.0};
            srf_proj_pt(0, P, S, N, status);
            if (status < 0) return;
            // P is replaced by its projection: the approach runs to the
            // point on the surfaces, with the normal found there
            for (i32 k = 0; k < 3; ++k) P[k] = S[k];
            const f32 t[3] = {f32(P[0]), f32(P[1]), f32(P[2])}, d[3] = {f32(Q[0]), f32(Q[1]), f32(Q[2])},
                      n[3] = {f32(N[0]), f32(N[1]), f32(N[2])}, ax[3] = {0.0f, 0.0f, 1.0f};
            // A three-axis approach (dimension code 1): the clean-up moves
            // with the vertical axis; the normal found shapes the approach
            // only.
            SRFAPR(1, t, d, n, ax, 2, status);
            if (status < 0) return;
        }
        i32 state = 0;
        pkflag_gs(1, state);
        if (pk_note == 1 || state != 0) pk_note = 1;
        approach(P, surf, status);
        if (status != 0) return;
        if (marker) {
            entry_marker(status);
            if (status < 0) return;
        }
        descent_feed();
        pk_link_done = 1;
        if (marker && H > 0.0) {
            if (!ramp_moves(P, Q, false, status)) return;
        } else if (!line_to(Q, status)) {
            return;
        }
        status = 0;
    }
}

void ZCLRLN(const i32* buf, const i32& npol, const f32& margin, const f32* start, const f32* end, i32& ia,
            i32& ib, i32& count, f32* hits, i32* pols, i32& status)
{
    status = 0;
    count = 0;
    ia = ib = 0;
    // the hatch frame of the line: its direction turned onto the x axis, so
    // that x is the parameter along the line and y the offset across it
    f32 dx = end[0] - start[0], dy = end[1] - start[1];
    const f32 len = std::sqrt(dx * dx + dy * dy);
    if (len > 0.0f) {
        dx /= len;
        dy /= len;
    } else {
        dx = 1.0f;
        dy = 0.0f;
    }
    const f32 c = dx, s = -dy;
    f32 a[2] = {start[0], start[1]}, b[2] = {end[0], end[1]};
    hatchx(c, s, a);
    hatchx(c, s, b);
    // the line moved across itself by 0, 0.01, ... 0.1, then by 0, -0.01,
    // ... -0.1, until it meets the polygons at no vertex
    for (i32 tried = 0;; ++tried) {
        if (tried >= 22) {
            status = -1;
            return;
        }
        const i32 k = tried % 11;
        const f32 y = a[1] + (tried < 11 ? 1.0f : -1.0f) * static_cast<f32>(k) * 0.01f;
        count = 0;
        const i32* w = buf;
        for (i32 p = 1; p <= npol; ++p) {
            const i32 n = *w;
            const f32* xy = reinterpret_cast<const f32*>(w + 1);
            const i32 first = count;
            for (i32 j = 0; j + 1 < n; ++j) {
                f32 P[2] = {xy[2 * j], xy[2 * j + 1]}, Q[2] = {xy[2 * j + 2], xy[2 * j + 3]};
                hatchx(c, s, P);
                hatchx(c, s, Q);
                f32 x = 0.0f, t = 0.0f;
                i32 hit = 0;
                hatint(P, Q, y, x, t, hit);
                if (hit == 0) continue;
                bool seen = false;
                for (i32 m = first; m < count && !seen; ++m) seen = eqval(hits[m], x) != 0;
                if (seen) continue;
                if (count == ZCLRLN_MAX) {
                    eroutc("ZCLRLN,ARRAY OF HATCH POINTS IS NOT LARGE ENOUGH", 0);
                    status = -1;
                    return;
                }
                hits[count] = x;
                pols[count] = p;
                ++count;
            }
            w += 1 + 2 * (n > 0 ? n : 0);
        }
        // the hits in order along the line
        for (bool swapped = true; swapped;) {
            swapped = false;
            for (i32 m = 0; m + 1 < count; ++m)
                if (hits[m] > hits[m + 1]) {
                    std::swap(hits[m], hits[m + 1]);
                    std::swap(pols[m], pols[m + 1]);
                    swapped = true;
                }
        }
        if (count % 2 == 0) break;  // an odd count grazes a vertex
    }
    f32 lo = a[0], hi = b[0];
    if (lo > hi) std::swap(lo, hi);
    // each inside stretch widened by the margin at both ends
    for (i32 m = 0; m + 1 < count; m += 2) {
        hits[m] -= margin;
        hits[m + 1] += margin;
    }
    // the interval of a point: the first i (1-based) with hit i <= x <=
    // hit i + 1; any other (beyond the last hit) count + 1
    auto interval = [&](f32 x) {
        for (i32 m = 0; m + 1 < count; ++m)
            if ((hits[m] <= x || eqval(hits[m], x) != 0) && (x <= hits[m + 1] || eqval(x, hits[m + 1]) != 0))
                return m + 1;
        return count + 1;
    };
    ia = interval(lo);
    ib = interval(hi);
}

i32 pkline_inside(const f32* from, const f32* to)
{
    const f32 margin = static_cast<f32>(1.5 * pokpar.retry_allow);
    f64 vc = 0.0, vs = 0.0;
    i32 st = 0, npol = 0;
    polbuf_get_vals(vc, vs, st);
    if (st != 0) return 0;
    polbuf_get_npol(npol, st);
    if (st != 0 || npol < 1) return 0;
    const void* first = polbuf_get_pol(1, 1, st);
    if (st != 0 || !first) return 0;
    f32 a[2] = {from[0], from[1]}, b[2] = {to[0], to[1]};
    const f32 c = static_cast<f32>(vc), s = static_cast<f32>(vs);
    hatchx(c, s, a);
    hatchx(c, s, b);
    std::vector<f32> hits(ZCLRLN_MAX);
    std::vector<i32> pols(ZCLRLN_MAX);
    i32 ia = 0, ib = 0, count = 0;
    ZCLRLN(static_cast<const i32*>(first), npol, margin, a, b, ia, ib, count, hits.data(), pols.data(), st);
    if (st != 0) return 0;
    return ia == ib && ia >= 1 && ia <= count && ia % 2 == 1 ? 1 : 0;
}

i32 pk_twirl_switch = 0;

namespace {

// A string of the spline entry: points and normals (float triples) and its
// piece table.
struct LinkString {
    std::vector<f32> p, n;
    std::vector<i32> len;
    i32 pieces = 0;
    i32 total() const
    {
        i32 t = 0;
        for (i32 k = 0; k < pieces; ++k) t += len[static_cast<size_t>(k)];
        return t;
    }
    f32* at(i32 k) { return p.data() + 3 * k; }
    void two(const f32* a, const f32* b)
    {
        std::copy(a, a + 3, p.begin());
        std::copy(b, b + 3, p.begin() + 3);
        for (i32 k = 0; k < 6; ++k) n[static_cast<size_t>(k)] = k % 3 == 2 ? 1.0f : 0.0f;
        len[0] = 2;
        pieces = 1;
    }
};

constexpr i32 SPL_PIECES = 50;
// The spline's work strings: the link string and the one from the current
// point, module-wide.
LinkString& spline_string(i32 which)
{
    static LinkString s[2];
    LinkString& r = s[which];
    if (r.p.empty()) {
        r.p.assign(3 * PK_LINK_MAX, 0.0f);
        r.n.assign(3 * PK_LINK_MAX, 0.0f);
        r.len.assign(SPL_PIECES, 0);
    }
    r.pieces = 0;
    return r;
}

f32 plane_dist(const f32* a, const f32* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

// The string from a to b: the two points when they lie within R (never in
// stage 2), else positioned on the part (tool code `code`, radius R), along
// the nearest contour when `along` is set. status: the positioning's.
void link_string(const f32* a, const f32* b, i32 stage, f32 R, i32 code, bool along, LinkString& s, i32& status)
{
    status = 0;
    const f32 d = stage == 2 ? 1.0e10f : plane_dist(a, b);
    if (d <= R) {
        s.two(a, b);
        return;
    }
    const f32 zup[3] = {0.0f, 0.0f, 1.0f};
    LOCSET(-1, zup, zup, code, R, LNKPAR.tol);
    if (along) {
        const f64 A[3] = {a[0], a[1], a[2]}, B[3] = {b[0], b[1], b[2]};
        std::vector<f32> link;
        pknear_contour(A, B, link, status);
        if (status != 0) return;
        const i32 m = static_cast<i32>(link.size() / 3);
        std::copy(link.begin(), link.end(), s.p.begin());
        for (i32 k = 0; k < m; ++k) std::copy(zup, zup + 3, s.n.begin() + 3 * k);
        s.len[0] = m;
        s.pieces = m > 0 ? 1 : 0;
        return;
    }
    std::vector<i32> flags(PK_LINK_MAX);
    i32 total = 0;
    LINNTB(1, 0, a, b, LNKPAR.tol, LNKPAR.pofs, LNKPAR.cofs, 3 * PK_LINK_MAX, 0, 1, s.p.data(), s.n.data(),
           flags.data(), s.pieces, SPL_PIECES, s.len.data(), total, status);
}

// Every point of the string raised by h.
void raise(LinkString& s, f32 h)
{
    for (i32 k = 0, t = s.total(); k < t; ++k) s.at(k)[2] += h;
}


// The string lifted so that it never dips under the path towards B, as one
// piece: walking its points with a reference (first the first point), a
// point not above the reference (and the first) gets the height and normal
// of the path at it; a higher height replaces its own, and the point
// becomes the reference when it lies above it.
void lift(LinkString& S, const f32* B)
{
    const i32 total = S.total();
    f32 ref[3], rn[3];
    std::copy(S.at(0), S.at(0) + 3, ref);
    std::copy(S.n.begin(), S.n.begin() + 3, rn);
    for (i32 j = 0; j < total; ++j) {
        f32* q = S.at(j);
        if (j > 0 && q[2] > ref[2]) {
            std::copy(q, q + 3, ref);
            std::copy(S.n.begin() + 3 * j, S.n.begin() + 3 * j + 3, rn);
            continue;
        }
        f32 z = 0.0f, v[3] = {0.0f, 0.0f, 1.0f};
        i32 flat = 0;
        SEGPRM(ref, B, rn, rn, q, z, v, flat);
        if (z > q[2]) {
            q[2] = z;
            std::copy(v, v + 3, S.n.begin() + 3 * j);
        }
        if (z > ref[2]) {
            std::copy(q, q + 3, ref);
            std::copy(S.n.begin() + 3 * j, S.n.begin() + 3 * j + 3, rn);
        }
    }
    S.len[0] = total;
    S.pieces = 1;
}

}  // namespace

void pkentry_spline(i32& value, const i32& stage, const f64* P, const f64* Q, i32& status)
{
    // 1. the module flags and the procedure's surface list
    i32 m1 = 0, t = 0;
    f32 m2 = 0.0f;
    MFLGS1(1, m1);
    MFLGS2(1, m2);
    MFLGT1(t);
    i32 nsrf = 0;
    nc_surf_srfbuf(0, nsrf, status);
    if (status < 0) return;
    const i32 bytes = static_cast<i32>(sizeof(i32)) * std::max(nsrf, 1);
    struct Held {
        void* p;
        i32 bytes;
        ~Held()
        {
            if (p) DM_FREE(p, bytes);
        }
    } srf{DM_ALLOC(bytes), bytes};
    if (!srf.p) {
        status = -1;
        return;
    }
    nc_surf_nrms(static_cast<i32*>(srf.p), std::max(nsrf, 1), status);
    if (status < 0) return;
    status = 0;
    // 2. the work copies, on the plane in stage 2
    f32 A[3] = {f32(P[0]), f32(P[1]), f32(P[2])}, B[3] = {f32(Q[0]), f32(Q[1]), f32(Q[2])};
    if (stage == 2) A[2] = B[2] = 0.0f;
    // 3. where the tool stands
    f32 M[3];
    const f32 tool[3] = {wrd2r(DSP8[DSP8_POS]), wrd2r(DSP8[DSP8_POS + 1]), wrd2r(DSP8[DSP8_POS + 2])};
    UDLAST(tool, M);
    // 4. kind, tool radius and diameter
    i32 k = value > 10 ? value - 10 : value;
    const f32 R = 0.5f * LOCDIA;
    f32 D = 0.0f;
    GTDIAM(CURTOL, D);
    // 5. the link string from A to B
    LinkString& S = spline_string(0);
    i32 placed = 0;
    link_string(A, B, stage, R, 1, m1 != 0 && m2 != 0.0f, S, placed);
    const i32 n = S.total();
    // 6. the twirl state
    bool to_flag = false;
    if (pk_twirl_switch == 1) {
        if (n < 2) {
            TWLRST();
        } else if (TWLST.phase == 1) {
            std::copy(S.at(0), S.at(0) + 3, TWLST.t2);
            std::copy(S.at(1), S.at(1) + 3, TWLST.p2);
            TWLST.startflag = 1;
            TWLST.wanted = 1;
            to_flag = true;
        } else if (placed != 0) {
            TWLRST();
        } else {
            std::copy(S.at(n - 2), S.at(n - 2) + 3, TWLST.p1);
            std::copy(S.at(n - 1), S.at(n - 1) + 3, TWLST.q1);
            TWLST.endflag = 1;
        }
    }
    // 7. the link from the current point
    if (!to_flag) {
        if (S.pieces < 1 || n < 1) return;
        if (t > 1) raise(S, 2.0f * R);
        if (stage != 2) {
            S.at(0)[2] = A[2];
            S.at(n - 1)[2] = B[2];
        }
        f32* s0 = S.at(0);
        if (eqpt2(M, s0) != 0) {
            const bool level = eqval(M[2], s0[2]) != 0;
            k = level ? 1 : 3;
            f32 l = 0.0f;
            LNKDST(l);
            if (k == 3 && eqval(M[2], s0[2] + l) != 0) k = 1;
            if (level) s0[2] -= l;
        } else if (k != 3) {
            if (plane_dist(M, s0) > 2.0f * D) {
                if (pk_link_done == 0)
                    k = 3;
                else
                    pk_link_done = 0;
            }
            if (k != 3 && pkline_inside(M, s0) == 0) k = 3;
            if (k != 3) {
                LinkString& S2 = spline_string(1);
                link_string(M, s0, stage, R, 0, m1 != 0 && m2 != 0.0f, S2, placed);
                i32 m = S2.total();
                if (t > 0) raise(S2, 2.0f * R);
                if (t == 1 && m < PK_LINK_MAX && S2.pieces > 0) {
                    std::copy(s0, s0 + 3, S2.at(m));
                    std::copy(S.n.begin(), S.n.begin() + 3, S2.n.begin() + 3 * m);
                    ++S2.len[static_cast<size_t>(S2.pieces - 1)];
                    ++m;
                }
                if (m > 0 && stage != 2) {
                    S2.at(0)[2] = M[2];
                    S2.at(m - 1)[2] = s0[2];
                }
                if (m < 1 || eqpt3(M, S2.at(0)) == 0) k = 3;
                constexpr i32 CAP = 3 * (PK_LINK_MAX / 2);
                MRGGST(1, 1, CAP, S.p.data(), S.n.data(), nullptr, SPL_PIECES, S.pieces, S.len.data(), CAP,
                       S2.p.data(), S2.n.data(), nullptr, 0, S2.pieces, S2.len.data(), status);
                if (status < 0 || S.pieces < 1) return;
                status = 0;
            }
        }
    }
    // 8. the full approach when the tool comes from far
    const i32 full = k == 3 ? 1 : 0;
    // 9. the string lifted so that it never dips under the path, as one piece
    const i32 total = S.total();
    if (stage != 2 && total > 0) lift(S, B);
    // 10. the twirl into the string
    if (k != 3 && pk_twirl_switch == 1 && TWLST.wanted != 0) TWLENT(TWLST);
    // 11. the string as cutting moves
    UDMILB(3, 2, full, S.p.data(), S.n.data(), nullptr, S.pieces, S.len.data(), full ? 1 : 2, 0, 0, 0, status);
    if (status < 0) return;
    // 12. the notice of a full approach that met the entry state (every road
    // here has a string of a point or more, step 7 ends the entry without
    // one: the count test only keeps the read of the first point safe)
    if (pk_note == 1 && total > 0) {
        WRNPNT("ENTRY POINT:", 3, S.at(0), "");
        pk_note = 0;
        HFLSET(0);
        // the notice asked for is given: the entry state is stored back
        // cleared, so that the next full approach does not ask again
        i32 cleared = 0;
        pkflag_gs(PK_PUT, cleared);
    }
    // 13. the link done and the stored entry point
    if (S.pieces >= 1) pk_link_done = 1;
    if (total > 0)
        for (i32 c = 0; c < 3; ++c) pk_last_pos[c] = S.at(total - 1)[c];
}
