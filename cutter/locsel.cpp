// The contact choice of the drop: among the contacts the drop recorded at a
// point, the one the tool stands on, its surface and normal.
#include <cmath>
#include <cstring>

#include "core/host.h"
#include "core/params.h"
#include "core/proc.h"
#include "cutter/congeo.h"
#include "cutter/frames.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/under.h"
#include "tools/toolcache.h"

namespace {

i32 first_part_surface()
{
    const i32* srf = srfbas();
    for (i32 k = 1; srf && k <= TRIMDL[TM_NSRF]; ++k) {
        const i32* rec = srfrec(srf, k);
        if (rec[SRF_CLASS] == SCL_ACTIVE || rec[SRF_CLASS] == SCL_MACHINED) return rec[SRF_ID];
    }
    return -1;
}

}  // namespace

void LOCSEL(const f32& tol, const f32* point, f32& z, f32* normal, f32* contact, i32& surface,
            const i32& surface_ref, const i32& n, const f32* cz, const i32* ckind, const i32* ctri, const f32* cpt,
            i32& higher, i32& status)
{
    const f32 zin = z;
    f32 H = -1.0e10f, S = -1.0e10f, Sseg = 0.0f;
    bool seg = false;
    i32 found = -1, prot = 0, rev = 0, cls_kept = 0;
    const bool modeA = mactyp_surfaces(MACTYP) && !LOCAXM;
    const bool modeB = (mactyp_surfaces(MACTYP) || MACTYP == MACTYP_ONESURF) && !LOCAXM;
    if (LOCSGM && MACTYP != MACTYP_ONESURF) {
        f32 zs = 0;
        i32 st = 0;
        ZONSEG(LOCSP1, LOCSP2, point, zs, st);
        if (st >= 0) {
            S = zs;
            Sseg = zs;
            seg = true;
        }
    }
    const i32* srf = srfbas();
    // With no contact at all there is no first entry to read: the choice
    // then finds nothing (status -2), as for contacts none of which counts.
    if (n >= 1 && ctri[0] == -1) {
        H = z;
        for (i32 k = 0; k < 3; ++k) contact[k] = cpt[k];
        found = 0;
        surface = first_part_surface();
    } else {
        higher = -1;
        // The list and its index are fetched once for all the contacts.
        const i32* lidx = n > 0 ? elmidx() : nullptr;
        const i32* llst = n > 0 ? elmlst() : nullptr;
        // Lists refused for a wrong check word (said by elmbase): the choice
        // fails (status -1) rather than read the contacts through nothing.
        if (n > 0 && (!lidx || !llst)) {
            status = -1;
            return;
        }
        for (i32 k = 0; k < n; ++k) {
            i32 ent[TRG_WORDS];
            const i32* t = elmtrg(llst + static_cast<size_t>(lidx[ctri[k] - 1]) * ELM_WORDS);
            // A contact whose triangle cannot be had (its node's array or
            // the turned copies gone) is passed over, not read from nothing.
            if (!t) continue;
            std::memcpy(ent, t, TRG_WORDS * sizeof(i32));
            const i32* rec = srfrec(srf, ent[TRG_SRF]);
            const i32 cls = rec[0];
            const i32 kind = (cls == SCL_CHECK || cls == SCL_PART) ? 2 : ((cls == SCL_MACHINED || cls == SCL_ACTIVE) ? 1 : cls);
            if (kind == 1 && S < cz[k]) S = cz[k];
            // The lift test (e1) and the same/other-surface test (e2) are
            // the host's two double-precision equalities; this host keeps
            // one tolerance for all its comparisons, so its eqvald answers
            // both, and the two tests stay apart by their use only.
            const bool e1 = eqvald(cz[k], zin) != 0;
            const bool e2 = eqvald(cz[k], zin) != 0;
            i32 g = 0;
            if (cz[k] > H + 3.0f * tol) {
                higher = ctri[k];
                g = 2;
            }
            bool take;
            if (!modeA && !LOCAXM) {
                take = cz[k] > H || (e1 && kind == 1 && prot);
            } else {
                const bool lift = e1 && kind == 1 && prot;
                const bool same = LOCTPF && surface == surface_ref && e2;
                const bool other = LOCTPF && surface != surface_ref && e2;
                if (lift || (cz[k] > H && !e1))
                    take = !(same && g == 0);
                else if (rev)
                    take = !(same && g == 0);
                else
                    // A contact at the drop's height above the choice so far
                    // is taken too: the height never falls below the drop's.
                    take = other || g == 2 || (e1 && cz[k] > H && !eqval(cz[k], H) && !same);
            }
            // A mend of the contact choice and of the height at a point: a
            // face vertical within rounding (its normal's z at most 1.0e-6)
            // has no meaningful side, so it never counts as reversed; the
            // noise of its vertices would otherwise fail the drop.
            const bool reversed = trgori(ent) < 0 && !(std::fabs(wrd2r(ent[TRG_NRM + 2])) <= 1.0e-6f);
            // A mend of the same rule: where a reversed contact ties with an
            // upward one, the upward one governs, as in the drop's winner
            // test: a wall leaning a
            // little outward-down meets a level top at their shared edge at
            // the top's height within rounding, and taking the wall there
            // would refuse a height that exists.
            if (take && reversed && found == 0 && !rev && eqval(cz[k], H)) take = false;
            if (!take) {
                if (eqval(cz[k], H)) {
                    if (kind == 1) prot = 0;
                    if (trgori(ent) > 0) rev = 0;
                }
                continue;
            }
            H = cz[k];
            for (i32 j = 0; j < 3; ++j) {
                normal[j] = wrd2r(ent[TRG_NRM + j]);
                contact[j] = cpt[3 * k + j];
            }
            surface = rec[SRF_ID];
            cls_kept = cls;
            prot = kind == 2 ? 1 : 0;
            rev = reversed ? 1 : 0;
            found = 0;
        }
        if (prot && (cls_kept == 2 || (LOCSGM && LOCTCD == 2) || LOCDIA * 0.5f >= LOCSW3)) {
            f32 m = modeB ? ((!LOCSGM || LOCTCD == 2) ? 2.0f : 1.0f) : (LOCTCD == 1 ? 1.0f : 2.0f);
            if (H - S >= 0.0f && H - S <= m * tol && (cls_kept == 3 || !modeB || MACTYP == MACTYP_ONESURF)) {
                prot = 0;
                if (surface_ref > 0) surface = surface_ref;
            }
            // The segment-height release is one of this step's releases and
            // stands under the same condition: a protected choice that
            // meets none of its tests stays protected wherever it stands.
            if (modeA && seg && eqval(zin, Sseg)) prot = 0;
        }
        if (LOCSGM && LOCTCD != 2 && prot) {
            bool keep;
            if (LOCSW2 <= 0.0f) {
                keep = LOCSZL <= H && !eqval(H, LOCSZL);
            } else {
                f64 w[3] = {f64(point[0]) - LOCSP1[0], f64(point[1]) - LOCSP1[1], f64(H) - LOCSP1[2]};
                f64 dr[3] = {LOCSDR[0], LOCSDR[1], LOCSDR[2]}, c[3];
                cross3(dr, w, c);
                keep = std::sqrt(dot3(c, c)) >= 0.001 || LOCSZL <= H;
            }
            if (!keep) {
                prot = 0;
                surface = first_part_surface();
            }
        }
    }
    if (H <= -1.0e9f || found < 0) {
        status = -2;
        return;
    }
    z = H;
    status = (rev && !prot) ? 3 : (prot ? 4 : 0);
}

