// Start corner of the passes and the width point: the ranges are turned so
// that the passes start at the corner the user indicates, and the width of
// one surface is set from two points picked on it, the others fitted to it.
#include <cmath>
#include <utility>

#include "core/host.h"
#include "core/params.h"
#include "passes/gdutil.h"
#include "passes/geodef.h"
#include "passes/srfgeo.h"
#include "surfaces/srfbuf.h"
#include "surfaces/sidearw.h"

namespace {
// Start-corner block: the four corner points (xyz), their (u, v), the start
// (u, v), the corner at the other end of the first pass and the corner where
// the last pass starts.
constexpr i32 SC_PNT = 0, SC_UV = 12, SC_START = 20, SC_OTHER = 22, SC_LAST = 24;

f32* stc() { return SRFGEO.STCBLK; }

void turn_first_ranges(i32 n)
{
    for (i32 i = 0; i < n; ++i) {
        std::swap(SRFGEO.LIMREC[i][LR_FST], SRFGEO.LIMREC[i][LR_FEND]);
        if (SRFGEO.CRNREC[i][CR_HELD] == 1) CNRSWP1(SRFGEO.CRNREC[i]);
    }
}

// Whether a range (a to b) runs against the direction from s to t.
bool against(f32 a, f32 b, f32 s, f32 t)
{
    if (eqval(a, b) || eqval(s, t)) return false;
    return (b > a) != (t > s);
}

// Point-pick modes of the width points, kept between calls: surfaces, faces.
i32 wid_modes[2][2] = {{12, 12}, {7, 7}};
}  // namespace

void STCORN(i32& changed, i32& status)
{
    changed = 0;
    status = 0;
    modinz();
    prmptc("IND.START CORNR/EXIT");
    // The host's point-pick mode, 8 at first; kept from pick to pick (and
    // procedure to procedure) as the host hands it back, as the host keeps
    // the mode a user has switched to.
    static i32 pick_mode = 8;
    i32 st = 0;
    do {
        st = 0;
        if (SRFGEO.CRNREC[0][CR_HELD] == 1) {
            i32 l0 = 0, l1 = 0;
            sllen(l0);
            f32 p[3];
            getpt(8, p, st);
            sllen(l1);
            i32 n = l1 - l0;
            REJPCK(1, n);
            if (st == 0) {
                f32 corner[3];
                CRNNEAR(p[0], p[1], p[2], corner, st);
            }
        } else if (MACTYP == MACTYP_SURFACES || MACTYP == MACTYP_ONESURF) {
            f32 p[3];
            i32 npk = 0;
            PCKPSR(gd::srfid(0), npk, p, stc() + SC_START, pick_mode, nullptr, nullptr, st);
            // A positive status (a point the host could not place on the
            // surface) asks again, like -3: it names no corner.
            if (st > 0) st = -3;
        }
    } while (st == -3);
    if (st == -2) {
        status = -2;
        return;
    }
    if (st == -1) return;
    if (st < 0) {
        status = st;
        return;
    }
    wrk2df();
    figatn(3, 1);
    STCSET(changed, status);
}

void CRNNEAR(const f32& x, const f32& y, const f32& z, f32* corner, i32& status)
{
    static const i32 other[4] = {2, 3, 0, 1}, last[4] = {1, 0, 3, 2};
    const f32 p[3] = {x, y, z};
    i32 best = 0;
    f64 bd = 0;
    for (i32 k = 0; k < 4; ++k) {
        const f64 d = dist3_sq(p, stc() + SC_PNT + 3 * k);
        if (k == 0 || d < bd) {
            bd = d;
            best = k;
        }
    }
    for (int c = 0; c < 3; ++c) corner[c] = stc()[SC_PNT + 3 * best + c];
    for (int c = 0; c < 2; ++c) {
        stc()[SC_START + c] = stc()[SC_UV + 2 * best + c];
        stc()[SC_OTHER + c] = stc()[SC_UV + 2 * other[best] + c];
        stc()[SC_LAST + c] = stc()[SC_UV + 2 * last[best] + c];
    }
    status = 0;
}

void STCSET(i32& changed, i32& status)
{
    changed = 0;
    status = 0;
    const i32 n = gd::nchain();
    i32* lim = SRFGEO.LIMREC[0];
    i32* crn = SRFGEO.CRNREC[0];
    const bool plain = (MACTYP == MACTYP_SURFACES || MACTYP == MACTYP_ONESURF) && crn[CR_HELD] == 0;
    const f32* s = stc() + SC_START;
    const i32 code = lim[LR_CODE];
    if (plain) {
        const f32 f = code == 1 ? s[0] : s[1];
        if (std::fabs(f - limr(lim, LR_FEND)) < std::fabs(f - limr(lim, LR_FST))) {
            turn_first_ranges(n);
            changed = 1;
        }
    } else if (STCREV1()) {
        turn_first_ranges(n);
        changed = 1;
    }
    if (n != 1) return;
    if (plain) {
        const f32 g = code == 1 ? s[1] : s[0];
        if (std::fabs(g - limr(lim, LR_SEND)) < std::fabs(g - limr(lim, LR_SST))) {
            std::swap(lim[LR_SST], lim[LR_SEND]);
            changed = 1;
        }
    } else if (STCREV2()) {
        std::swap(lim[LR_SST], lim[LR_SEND]);
        if (MACTYP == MACTYP_TRIMMED || crn[CR_HELD] == 1) CNRSWP2(crn);
        changed = 1;
    }
}

bool STCREV1()
{
    const i32* lim = SRFGEO.LIMREC[0];
    const int c = lim[LR_CODE] != 2 ? 0 : 1;
    return against(limr(lim, LR_FST), limr(lim, LR_FEND), stc()[SC_START + c], stc()[SC_LAST + c]);
}

bool STCREV2()
{
    const i32* lim = SRFGEO.LIMREC[0];
    const int c = lim[LR_CODE] != 2 ? 1 : 0;
    return against(limr(lim, LR_SST), limr(lim, LR_SEND), stc()[SC_START + c], stc()[SC_OTHER + c]);
}

void CRNSTO(f32 (*evals)[9], f32 (*uvs)[2])
{
    for (i32 k = 0; k < 4; ++k) {
        for (int c = 0; c < 3; ++c) stc()[SC_PNT + 3 * k + c] = evals[k][c];
        for (int c = 0; c < 2; ++c) stc()[SC_UV + 2 * k + c] = uvs[k][c];
    }
}

void GETCRN(f32& u0, f32& v0, f32& u2, f32& v2)
{
    u0 = stc()[SC_UV];
    v0 = stc()[SC_UV + 1];
    u2 = stc()[SC_UV + 4];
    v2 = stc()[SC_UV + 5];
}

void PCKWID(i32& widdef, const f32& tol, i32& status)
{
    // The surfaces to choose from: the chain, or the host's list 2.
    i32 n = SRFGEO.NSRF;
    const i32* ids = SRFGEO.SRFIDS;
    const i32* uids = SRFGEO.SRFUID;
    i32* work = nullptr;
    i32 bytes = 0;
    if (MACTYP == MACTYP_ONESURF) {
        nc_surf_count(1, 2, n, status);
        if (status != 0) return;
        // The list's count is checked before the work arrays are sized
        // from it, and a refused allocation is reported: an id written past
        // the arrays or a list read into nothing would corrupt memory.
        if (n < 1 || n > MAXSRF) {
            status = -1;
            return;
        }
        bytes = 2 * n * static_cast<i32>(sizeof(i32));
        work = static_cast<i32*>(DM_ALLOC(bytes));
        if (!work) {
            eroutc("PCKWID, DYNAMIC MEMORY ERROR", 0);
            status = -1;
            return;
        }
        // A refused list call leaves with the host's status: the arrays
        // would hold no ids, and a list whose count changed between the
        // calls no longer fits them.
        i32 again = n;
        nc_surf_ids(work, n, status);
        if (status == 0) nc_surf_count(1, 2, again, status);
        if (status == 0 && again != n) {
            eroutc("PCKWID, THE SURFACE LIST CHANGED WHILE IT WAS READ", 0);
            status = -1;
        }
        if (status == 0) nc_surf_uids(work + n, n, status);
        if (status != 0) {
            DM_FREE(work, bytes);
            return;
        }
        ids = work;
        uids = work + n;
    }
    auto done = [&] {
        if (work) DM_FREE(work, bytes);
    };
    if (n < 1) {
        status = -1;
        done();
        return;
    }
    i32 k = 0;
    f32 p1[3], p2[3], uv1[2], uv2[2];
    while (true) {
        if (n > 1) {
            PCKSF1("PICK SURFACE", uids, n, "PLEASE CHOOSE ONE OF THE PART SURFACES", k, status);
            if (status < 0) {
                done();
                return;
            }
        }
        i32* modes = wid_modes[ncs_id_is_not_solid(uids[k]) ? 0 : 1];
        i32 adjust = 0;
        WIDPNT(ids[k], p1, p2, adjust, uv1, modes[0], uv2, modes[1], status);
        if (status == -2 && n > 1) continue;
        if (status < 0) {
            done();
            return;
        }
        break;
    }
    f64* b = gd::buf(gd::BDSP);
    bool shown = false;
    auto fail = [&] {
        if (n > 1 && shown) {
            i32 st = 0;
            SRFARW(2, ids[k], b, st);
        }
        done();
    };
    LIMRST(k, 0, status);
    if (status == 0) LIMFIT(k, uv1[0], uv1[1], uv2[0], uv2[1], 1, status);
    if (status < 0) return fail();
    SRFARW(2, ids[k], b, status);
    shown = status == 0;
    if (status == 0) SRFDSP(ids[k], k, SRFGEO.LIMREC[k], SRFGEO.CRNREC[k], status);
    if (status < 0) return fail();
    SRFGEO.SRFLNK[0] = 1;
    modinz();
    prexec();
    for (i32 j = k + 1; j < n; ++j) {
        LIMRST(j, 0, status);
        if (status == 0) WIDFIT(2, j - 1, j, tol, status);
        if (status == 0) SRFDSP(ids[j], j, SRFGEO.LIMREC[j], SRFGEO.CRNREC[j], status);
        if (status < 0) return fail();
    }
    for (i32 j = k - 1; j >= 0; --j) {
        LIMRST(j, 0, status);
        if (status == 0) WIDFIT(1, j + 1, j, tol, status);
        if (status == 0) SRFDSP(ids[j], j, SRFGEO.LIMREC[j], SRFGEO.CRNREC[j], status);
        if (status < 0) return fail();
    }
    widdef = 2;
    done();
}
