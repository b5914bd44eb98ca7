// The entry moves of the pocket cutting and the entry list.
#include "cleanup/pkentry.h"

#include <cmath>

#include "blocks/movement.h"
#include "blocks/tech.h"
#include "cleanup/lansrf.h"
#include "core/host.h"
#include "core/records.h"
#include "passes/retract.h"
#include "passes/services.h"
#include "passes/twirl.h"
#include "pocket/pokmain.h"
#include "pocket/pokvals.h"

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
    const f64 H = pokpar.entry_height;
    f64 M[3];
    for (i32 k = 0; k < 3; ++k) M[k] = wrd2r(DSP8[DSP8_POS + k]);
    if (eqptd(3, M, P) != 0) return;
    if (!surf) {
        P[2] += H + pokpar.approach_dist;
        f64 e = hei8r(HEI8_CLEARANCE) + pokpar.clear_extra - pokpar.approach_dist;
        if (!(e > 0.0)) e = 0.0;
        FST2MD(3, P, AXIS, 0, e, status);
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
    if (M[0] != P[0] || M[1] != P[1]) {
        STRNDD(3, P, AXIS, 3, r, status);
        if (status >= 0 && !(TWLGET() != 0 && TWLDON() != 0)) PLNZPD(3, P, AXIS, r, status);
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
        MM_RESIZE_ARRAY(g_list, g_cap + 10, base, status);
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
    // The spline-entry variant (retry_sw_a set) is not built: every set-up
    // leaves retry_sw_a 0, and the plain entry serves it as well.
    pkentry_plain(value, stage, P, Q, status);
}

void pkentry_plain(i32& value, const i32& stage, const f64* P0, const f64* Q0, i32& status)
{
    const i32 code = nu_sgcd_get_code();
    bool surf = code == 34 || code == 38;
    if (code == 48) {
        i32 link = 0;
        LNKVAL(1, link);
        pokpar.approach_dist = link;
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
            const f32 t[3] = {f32(P[0]), f32(P[1]), f32(P[2])}, d[3] = {f32(Q[0]), f32(Q[1]), f32(Q[2])},
                      n[3] = {f32(N[0]), f32(N[1]), f32(N[2])}, ax[3] = {0.0f, 0.0f, 1.0f};
            SRFAPR(3, t, d, n, ax, 2, status);
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
