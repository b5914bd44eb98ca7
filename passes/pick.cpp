// Picking the chain of part surfaces (one by one or several at once, at most
// 120) or the one trimmed surface, with the milling side of the chain.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/host.h"
#include "core/params.h"
#include "passes/gdutil.h"
#include "passes/geodef.h"
#include "passes/srfgeo.h"
#include "surfaces/srfbuf.h"
#include "surfaces/sidearw.h"

namespace {
SrfGeo& G() { return SRFGEO; }

i32 g_pickmode = 0;  // the pick mode value exchanged with the host

// Reads pick-stack entry `index` (from 1): the surface and its unique id; a
// face of a solid becomes the surface it explodes to and is registered.
void read_entry(i32 index, i32& id, i32& uid, i32& status)
{
    i32 ent = 0, face = 0, faceid = 0;
    f32 uv[2];
    slseq3m(index, ent, uv, face, faceid, status);
    if (status < 0) return;
    if (!face) {
        id = ent;
        // The host's unique id of the surface, not its id: the host's
        // procedure surface lists and the template's unique ids (turned back
        // into ids through them) know a surface by it, and the surface's own
        // id would name no entity there.
        uid = euid(ent);
        return;
    }
    uid = faceid;
    i32 gen = 0;
    ncs_explode_face_to_surf(faceid, id, status);
    if (status >= 0) ncs_get_generation_number(faceid, gen, status);
    if (status >= 0) {
        static const i32 none[5] = {-1, -1, -1, -1, -1};
        ncs_table_insert(faceid, gen, uid, none, status);
    }
}

void release_face(i32 uid)
{
    if (ncs_id_is_not_solid(uid)) return;
    i32 st = 0;
    ncs_table_delete_faces(1, &uid, st);
}

// Takes the pick of a surface off the stack: its entry is found by the
// entity picked, or for a face by the face's id (the stack holds the face,
// not the surface it explodes to). Found rather than rejected from the top:
// after a multi-pick, ordered into the chain, the last surface of the chain
// need not be the last entry of the stack.
void unpick(i32 id, i32 uid)
{
    i32 idx = 0, st = 0;
    if (ncs_id_is_not_solid(uid)) {
        slfind(id, idx);
    } else {
        i32 l = 0;
        sllen(l);
        for (i32 e = l; e > 0 && idx == 0; --e) {
            i32 ent = 0, face = 0, faceid = 0;
            f32 uv[2];
            slseq3m(e, ent, uv, face, faceid, st);
            if (st >= 0 && face && faceid == uid) idx = e;
        }
    }
    if (idx > 0) sldel(idx, st);
}

// Takes back the last surface of the chain: its pick, its markers (slot 0
// too when one surface remains, which is set up only at the end) and its face.
void take_back(i32& count)
{
    --count;
    unpick(G().SRFIDS[count], G().SRFUID[count]);
    FIGDEL(count);
    if (count == 1) FIGDEL(0);
    release_face(G().SRFUID[count]);
}

// Start of a new pick: the procedure's picks and markers go away.
void start_pick(i32& count, i32& status)
{
    RMVSRW(G().PCKRNG, 4, 1);
    CLRGEO(status);
    if (status < 0) return;
    if (G().NSRF > 0) ncs_table_delete_faces(G().NSRF, G().SRFUID, status);
    status = 0;
    i32 l = 0;
    sllen(l);
    G().PCKRNG[0][0] = l;
    count = 0;
}

// The geometry as it was before a new pick, for a pick that is escaped:
// everything but what the display and the pick stack now hold.
SrfGeo g_before;
TrmBox g_trm_before[MAXSRF];

void keep_geometry()
{
    g_before = G();
    std::copy(TRMANA, TRMANA + MAXSRF, g_trm_before);
}

void restore_geometry()
{
    SrfGeo& g = G();
    SrfGeo now = g;
    g = g_before;
    std::copy(g_trm_before, g_trm_before + MAXSRF, TRMANA);
    std::copy(&now.SRFFIG[0][0], &now.SRFFIG[0][0] + MAXSRF * 6, &g.SRFFIG[0][0]);
    std::copy(&now.PCKRNG[0][0], &now.PCKRNG[0][0] + 8, &g.PCKRNG[0][0]);
    g.SIDFIG = now.SIDFIG;
    g.CUTFIG[0] = now.CUTFIG[0];
    g.CUTFIG[1] = now.CUTFIG[1];
}

// The faces a new pick released at its start are registered again when the
// pick is escaped: the surfaces restored name them.
void reregister_faces()
{
    const SrfGeo& g = G();
    for (i32 i = 0; i < g.NSRF; ++i) {
        if (ncs_id_is_not_solid(g.SRFUID[i])) continue;
        i32 gen = 0, st = 0;
        static const i32 none[5] = {-1, -1, -1, -1, -1};
        ncs_get_generation_number(g.SRFUID[i], gen, st);
        if (st >= 0) ncs_table_insert(g.SRFUID[i], gen, g.SRFUID[i], none, st);
    }
}

enum class Loop { end, leave, leave_defined };

// The surfaces picked several at once, ordered after the chain; back to the
// single picks afterwards.
Loop multi_pick(i32& count, i32& status)
{
    enaunp(g_pickmode);
    i32 l0 = 0, l1 = 0, st = 0;
    sllen(l0);
    do mpckfc("PICK SRF. & EXIT", st);
    while (st == -3);
    sllen(l1);
    const i32 m = std::min(l1 - l0, MAXSRF - count);
    // Picks beyond the room of the chain are not taken.
    for (i32 e = l1; e > l0 + std::max(m, 0); --e) sldel(e, status);
    if (st == -1 && m < 1) {
        FIGDAL();
        return Loop::end;  // back to the single picks
    }
    if (st == -2) {
        // The surfaces of the escaped multi-pick leave the stack with the
        // last surface: they would stay there as picks of the procedure.
        for (i32 e = l0 + m; e > l0; --e) sldel(e, status);
        take_back(count);
        return Loop::end;
    }
    if (m < 1) return Loop::end;
    std::vector<i32> ids(static_cast<size_t>(m)), uids(ids.size()), ents(ids.size());
    for (i32 q = 0; q < m; ++q) {
        read_entry(l0 + 1 + q, ids[static_cast<size_t>(q)], uids[static_cast<size_t>(q)], status);
        if (status < 0) return Loop::leave_defined;
        ents[static_cast<size_t>(q)] = l0 + 1 + q;
    }
    i32 chained = m;
    CHNORD(G().SRFIDS[count - 1], G().SRFUID[count - 1], G().LIMREC[count - 1], G().CRNREC[count - 1], ids.data(),
           uids.data(), ents.data(), chained, st);
    // Surfaces whose corners the host cannot give cannot be ordered: none
    // of the multi-pick joins the chain, and all of it leaves the stack.
    if (st < 0) chained = 0;
    for (i32 q = chained; q < m; ++q) {
        unpick(ids[static_cast<size_t>(q)], uids[static_cast<size_t>(q)]);
        release_face(uids[static_cast<size_t>(q)]);
    }
    for (i32 q = 0; q < chained; ++q) {
        G().SRFIDS[count + q] = ids[static_cast<size_t>(q)];
        G().SRFUID[count + q] = uids[static_cast<size_t>(q)];
    }
    for (i32 q = 0; q < chained; ++q) {
        SRFSET(count + q, st);
        if (st >= 0) continue;
        // Not accepted: none of this pick joins the chain.
        for (i32 r = 0; r < chained; ++r) {
            unpick(ids[static_cast<size_t>(r)], uids[static_cast<size_t>(r)]);
            release_face(uids[static_cast<size_t>(r)]);
            FIGDEL(count + r);
        }
        return Loop::end;
    }
    count += chained;
    return Loop::end;
}

// Steps of the pick loop until the end of picking or a leave.
Loop pick_loop(i32& count, i32& status)
{
    i32 last = 0;
    while (count < MAXSRF) {
        mulpck(0);
        stmpok(g_pickmode);
        enasts();
        setmf();
        modinz();
        if (count >= 2 && last == -3) {
            last = 0;
            Loop r = multi_pick(count, status);
            if (r != Loop::end) return r;
            continue;
        }
        prmp1c("PICK", count + 1, "S", "SRF./EXIT");
        const bool faces = ncs_can_solid() != 0;
        if (faces) pickm_enable(2);
        i32 st = 0;
        pick(st);
        if (faces) pickm_enable(0);
        last = st;
        if (st == -3) continue;
        if (st == -1) {
            if (count > 0) return Loop::end;
            G().NSRF = 0;
            G().GEODEF = 1;
            status = -1;
            return Loop::leave;
        }
        if (st == -2) {
            if (count == 0) {
                status = -2;
                return Loop::leave;
            }
            take_back(count);
            continue;
        }
        i32 l = 0, id = 0, uid = 0;
        sllen(l);
        read_entry(l, id, uid, status);
        if (status < 0) return Loop::leave_defined;
        G().SRFIDS[count] = id;
        G().SRFUID[count] = uid;
        if (count > 0) {
            if (count == 1) prmptc("PLEASE WAIT");
            SRFSET(count, st);
            if (st < 0) {
                // The pick just made is the stack's last entry. Its face is
                // released too: registered by the reading, it would stay
                // registered for a surface the chain does not hold.
                slrjct();
                FIGDEL(count);
                if (count == 1) FIGDEL(0);
                release_face(uid);
                continue;
            }
        } else {
            FIGDAL();
        }
        ++count;
    }
    return Loop::end;
}

// Middle of the parameter ranges of a surface entity: a point in (u, v)
// needs a value of both ranges, and the middle of each is taken, for a face
// (of the chain or the one trimmed surface) as for the retry of a point the
// host could not use.
void middle(i32 id, f32& u, f32& v, i32& status)
{
    f32 vals[4];
    SRFPRS(1, id, vals, status);
    u = vals[0] + 0.5f * vals[1];
    v = vals[2] + 0.5f * vals[3];
}

// Side flag, reference evaluation and normal of every surface at its pick
// point (a face, which has no pick point: the middle of its ranges).
void reference_points(i32& status)
{
    SrfGeo& g = G();
    for (i32 i = 0; i < g.NSRF; ++i) {
        i32 idx = i, ent = 0;
        f32 u = 0, v = 0;
        if (ncs_id_is_not_solid(g.SRFUID[i])) {
            slgtuv(g.PCKRNG[0][0] + 1 + i, ent, u, v, status);
            idx = 0;
            if (status < 0) {
                // No pick entry for this surface (the stack holds fewer
                // entries than surfaces): its own middle point, as for a
                // face, rather than a point of no entity read into surface 0.
                idx = i;
                middle(g.SRFIDS[i], u, v, status);
                if (status < 0) return;
            } else if (MACTYP != MACTYP_ONESURF) {
                for (i32 k = 0; k < g.NSRF; ++k)
                    if (g.SRFIDS[k] == ent) {
                        idx = k;
                        break;
                    }
            }
        } else {
            middle(g.SRFIDS[i], u, v, status);
            if (status < 0) return;
        }
        nc_surf_inf(g.SRFIDS[idx], idx, u, v, g.SRFSID[idx], g.SRFPNT[idx], g.SRFNRM[idx], status);
        if (status == 2) {
            middle(g.SRFIDS[idx], u, v, status);
            if (status < 0) return;
            nc_surf_inf(g.SRFIDS[idx], idx, u, v, g.SRFSID[idx], g.SRFPNT[idx], g.SRFNRM[idx], status);
        }
        if (status < 0) return;
    }
    status = 0;
}

void end_of_picking(i32 count, i32& status)
{
    SrfGeo& g = G();
    status = 0;
    if (count == 1) {
        SRFSET(0, status);
        if (status < 0) return;
    }
    g.NSRF = count;
    i32 l = 0;
    sllen(l);
    g.PCKRNG[0][1] = l - 1;
    if (count == MAXSRF) {
        user1c("END OF PICKING OF SURFACES. MAX NO =", MAXSRF, ".");
    } else {
        const std::string t = "NOTE : " + std::to_string(count < 2 ? 1 : count) +
                              (count < 2 ? " SURFACE WAS PICKED" : " SURFACES WERE PICKED");
        usmsgc(t.c_str());
    }
    modinz();
    prmptc("PLEASE WAIT");
}
}  // namespace

void PCKSRS(const i32& repick, const i32& flip, const f32& tol, i32& defined, i32& status)
{
    SrfGeo& g = G();
    status = 0;
    if (flip) {
        SIDFLP(status);
        return;
    }
    enaunp(g_pickmode);
    auto out = [&] {
        g.GEODEF = 1;
        defined = 1;
        stmpok(g_pickmode);
    };
    i32 count = g.NSRF;
    bool pick = repick != 0, restart = repick != 0;
    if (!repick) {
        if (g.PCKRNG[0][1] < g.PCKRNG[0][0]) {
            i32 l = 0;
            sllen(l);
            g.PCKRNG[0][0] = l;
            PSHSRF(g.NSRF, g.SRFUID, &g.SRFPNT[0][0]);
            sllen(l);
            g.PCKRNG[0][1] = l - 1;
        }
        if (g.GEOKWD == 0) {
            if (g.NSRF > 0 && g.GEODEF) ARWSHW(1, g.NSRF, g.SRFPNT, g.SRFNRM, g.SIDFIG);
            return;
        }
        for (i32 i = 0; i < g.NSRF; ++i) {
            SRFSET(i, status);
            if (status < 0) return out();
        }
    }
    while (true) {
        if (pick) {
            if (restart) {
                keep_geometry();
                start_pick(count, status);
                if (status < 0) return out();
            }
            Loop r = pick_loop(count, status);
            if (r == Loop::leave) {
                // An escaped new pick leaves the procedure with the surfaces
                // it had: cleared here and not restored, the procedure would
                // lose its whole definition to an escape.
                if (status == -2 && restart) {
                    restore_geometry();
                    reregister_faces();
                }
                stmpok(g_pickmode);
                return;
            }
            if (r == Loop::leave_defined) return out();
            end_of_picking(count, status);
            if (status < 0) return out();
        }
        reference_points(status);
        if (status < 0) return out();
        // The key word as it stands, also after a new pick: a nonzero key
        // (a pick mode the host keeps) takes the sides as the reference
        // points gave them, without the question.
        if (g.GEOKWD == 0) {
            i32 st = 0;
            SIDEOK(1, 0, 1, g.NSRF, g.SRFIDS, g.SRFPNT, g.SRFNRM, g.SRFSID, g.SIDFIG, 4, 1, g.PCKRNG, st);
            if (st == -2) {
                pick = true;
                restart = g.NSRF >= MAXSRF;
                count = g.NSRF;
                continue;
            }
            if (st == -1) {
                FIGDAL();
                status = -1;
                return out();
            }
            SIDPRP(status);
            if (status < 0) return out();
            g.CUTFLP = 1;
        }
        break;
    }
    GEOKEY(2, g_pickmode);
    // Chain fitting: each surface's width to its predecessor, then back.
    // The first surface begins the chain: its connection flag is always 1.
    g.SRFLNK[0] = 1;
    for (i32 i = 0; i + 1 < g.NSRF; ++i) {
        LIMRST(i + 1, 0, status);
        if (status == 0) WIDFIT(2, i, i + 1, tol, status);
        if (status < 0) return out();
        g.SRFLNK[i + 1] = 1;
        if (i + 2 == g.NSRF) {
            SRFDSP(g.SRFIDS[i + 1], i + 1, g.LIMREC[i + 1], g.CRNREC[i + 1], status);
            if (status < 0) return out();
        }
    }
    for (i32 i = g.NSRF - 1; i >= 1; --i) {
        LIMRST(i - 1, 0, status);
        if (status == 0) WIDFIT(1, i, i - 1, tol, status);
        if (status < 0) return out();
        g.SRFLNK[i] = 1;
        SRFDSP(g.SRFIDS[i - 1], i - 1, g.LIMREC[i - 1], g.CRNREC[i - 1], status);
        if (status < 0) return out();
    }
    status = 0;
    out();
}

void PCKTRM(i32& status)
{
    SrfGeo& g = G();
    status = 0;
    RMVSRW(g.PCKRNG, 4, 1);
    CLRGEO(status);
    if (status < 0) {
        g.GEODEF = 1;
        return;
    }
    i32 l = 0;
    sllen(l);
    g.PCKRNG[0][0] = l;
    keep_geometry();
    while (true) {
        enatrs();
        setmf();
        modinz();
        prmptc("PICK TRIMMED SURFACE");
        const bool faces = ncs_can_solid() != 0;
        if (faces) pickm_enable(2);
        i32 st = 0;
        pick(st);
        if (faces) pickm_enable(0);
        if (st == -3) continue;
        g.GEODEF = 1;
        if (st == -1) {
            g.NSRF = 0;
            status = -1;
            return;
        }
        if (st == -2) {
            // An escaped pick leaves the procedure with the surface it had,
            // as an escaped new chain does.
            restore_geometry();
            status = -2;
            return;
        }
        sllen(l);
        read_entry(l, g.SRFIDS[0], g.SRFUID[0], status);
        if (status < 0) return;
        SRFSET(-1, status);
        if (status < 0) return;
        g.NSRF = 1;
        sllen(l);
        g.PCKRNG[0][1] = l - 1;
        modinz();
        prmptc("PLEASE WAIT");
        f32 u = 0, v = 0;
        if (ncs_id_is_not_solid(g.SRFUID[0])) {
            i32 ent = 0;
            slgtuv(g.PCKRNG[0][0] + 1, ent, u, v, status);
        } else {
            middle(g.SRFIDS[0], u, v, status);
        }
        if (status < 0) return;
        WRGNRM(0, g.SRFIDS[0], u, v, g.SRFSID[0], g.SRFPNT[0], g.SRFNRM[0], status);
        if (status < 0) return;
        SIDEOK(1, 0, 1, 1, g.SRFIDS, g.SRFPNT, g.SRFNRM, g.SRFSID, g.SIDFIG, 4, 1, g.PCKRNG, st);
        if (st == -2) {
            sllen(l);
            g.PCKRNG[0][0] = l;
            continue;
        }
        if (st == -1) {
            status = -1;
            return;
        }
        SIDPRP(status);
        if (status < 0) return;
        g.CUTFLP = 1;
        status = 0;
        return;
    }
}

// --------------------------------------------------------------- the side

void SIDFLP(i32& status)
{
    SrfGeo& g = G();
    ARWDEL(1, &g.SIDFIG);
    for (f32& x : g.SRFNRM[0]) x = -x;
    g.SRFSID[0] = -g.SRFSID[0];
    ARWSH2(1, 1, g.SRFPNT, g.SRFNRM, g.SIDFIG);
    SIDPRP(status);
}

void SIDPRP(i32& status)
{
    SrfGeo& g = G();
    status = 0;
    f64 *ba = gd::buf(gd::BA), *bb = gd::buf(gd::BB);
    for (i32 i = 1; i < g.NSRF; ++i) {
        const i32 *la = g.LIMREC[i - 1], *lb = g.LIMREC[i];
        const i32 *ca = g.CRNREC[i - 1], *cb = g.CRNREC[i];
        LDSRFB(g.SRFIDS[i - 1], ba, status);
        if (status == 0) LDSRFB(g.SRFIDS[i], bb, status);
        if (status != 0) return;
        f32 a0[2], a2[2], b0[2], b2[2];
        SRFCNR(la[LR_CODE], la, ca, 0, a0);
        SRFCNR(la[LR_CODE], la, ca, 2, a2);
        SRFCNR(lb[LR_CODE], lb, cb, 0, b0);
        SRFCNR(lb[LR_CODE], lb, cb, 2, b2);
        // The pair of points where the surfaces meet: the end of the first
        // pass of i-1 and the start of the first pass of i, or a closer pair
        // further along their first ranges.
        f32 ea[9], eb[9], na[3], nb[3];
        evsrfn(ba, a2[0], a2[1], 2, ea, na, status);
        if (status >= 0) evsrfn(bb, b0[0], b0[1], 2, eb, nb, status);
        if (status < 0) return;
        // The closer pair is looked for at the same thirds of the two first
        // ranges, each surface evaluated there: the pair adjuster of the pass
        // table works on the pass table's entries, which the execution
        // builds and which do not exist while the surfaces are picked.
        if (!gd::eqpt(ea, eb)) {
            f64 best = std::sqrt(dist3_sq(ea, eb));
            const int sa = la[LR_CODE] == 1 ? 1 : 0, sb = lb[LR_CODE] == 1 ? 1 : 0;
            for (int k = 1; k <= 3; ++k) {
                f32 ua[2], ub[2], ta[9], tb[9], ma[3], mb[3];
                const f32 fa = limr(la, LR_FST) + (k / 3.0f) * (limr(la, LR_FEND) - limr(la, LR_FST));
                const f32 fb = limr(lb, LR_FST) + (k / 3.0f) * (limr(lb, LR_FEND) - limr(lb, LR_FST));
                PARPAIR(la[LR_CODE], fa, a2[sa], ua);
                PARPAIR(lb[LR_CODE], fb, b0[sb], ub);
                i32 st1 = 0, st2 = 0;
                evsrfn(ba, ua[0], ua[1], 2, ta, ma, st1);
                evsrfn(bb, ub[0], ub[1], 2, tb, mb, st2);
                if (st1 < 0 || st2 < 0) continue;
                const f64 d = std::sqrt(dist3_sq(ta, tb));
                if (ltval(static_cast<f32>(d), static_cast<f32>(best))) {
                    best = d;
                    std::copy(ta, ta + 9, ea);
                    std::copy(tb, tb + 9, eb);
                    std::copy(ma, ma + 3, na);
                    std::copy(mb, mb + 3, nb);
                }
            }
        }
        if (g.SRFSID[i - 1] == -1)
            for (f32& x : na) x = -x;
        if (!unit3f(na) || !unit3f(nb)) {
            status = -1;
            return;
        }
        // Tangents along the passes, from the start of a pass to its end.
        f32 ta[3], tb[3], xa[3], xb[3];
        const bool reva = a2[la[LR_CODE] == 1 ? 1 : 0] < a0[la[LR_CODE] == 1 ? 1 : 0];
        const bool revb = b2[lb[LR_CODE] == 1 ? 1 : 0] < b0[lb[LR_CODE] == 1 ? 1 : 0];
        for (int c = 0; c < 3; ++c) {
            ta[c] = ea[(la[LR_CODE] == 1 ? 6 : 3) + c] * (reva ? -1.0f : 1.0f);
            tb[c] = eb[(lb[LR_CODE] == 1 ? 6 : 3) + c] * (revb ? -1.0f : 1.0f);
        }
        cross3f(na, ta, xa);
        cross3f(nb, tb, xb);
        unit3f(xa);
        unit3f(xb);
        unit3f(ta);
        unit3f(tb);
        const f32 dx = static_cast<f32>(dot3f(xa, xb)), dt = static_cast<f32>(dot3f(ta, tb));
        if (gtval(std::fabs(dx), 0.85f) || gtval(std::fabs(dt), 0.85f)) {
            const i32 side = dx > 0 ? 1 : -1;
            // The oriented normal follows the side.
            if (side != g.SRFSID[i])
                for (f32& x : g.SRFNRM[i]) x = -x;
            g.SRFSID[i] = side;
        }
    }
}

// ------------------------------------------------------- chain ordering

namespace {
struct ChnEntry {
    i32 id = 0, uid = 0, entry = 0, state = 0;
    std::vector<f64> pts;      // corner points, xyz each
    std::vector<bool> used;
};

// The next surface of the chain from entry e, or -1.
i32 next_of(std::vector<ChnEntry>& t, i32 e, i32 corners[2])
{
    ChnEntry& E = t[static_cast<size_t>(e)];
    f64 kd[2] = {1e10, 1e10};
    i32 kn[2] = {-1, -1}, kc[2] = {-1, -1};
    bool have[2] = {false, false};
    for (size_t c = 0; c < E.used.size(); ++c) {
        if (E.used[c]) continue;
        f64 bd = 1e10;
        i32 bn = -1, bc = -1;
        for (size_t n = 0; n < t.size(); ++n) {
            if (t[n].state != 0) continue;
            for (size_t q = 0; q < t[n].used.size(); ++q) {
                f64 d = 0;
                for (int x = 0; x < 3; ++x) {
                    const f64 dd = E.pts[3 * c + x] - t[n].pts[3 * q + x];
                    d += dd * dd;
                }
                d = std::sqrt(d);
                if (d < bd) {
                    bd = d;
                    bn = static_cast<i32>(n);
                    bc = static_cast<i32>(q);
                }
            }
        }
        if (bn < 0) continue;
        // Keep the two corners with the smallest distances: a new one
        // replaces the larger kept one when it is not greater (tolerantly)
        // than that one. (Replacing only when it is not greater than both
        // would drop a distance lying between the two and keep a larger
        // one.)
        int slot = !have[0] ? 0 : !have[1] ? 1 : (kd[0] >= kd[1] ? 0 : 1);
        if (have[0] && have[1] && !levald(bd, kd[slot])) continue;
        have[slot] = true;
        kd[slot] = bd;
        kn[slot] = bn;
        kc[slot] = bc;
    }
    if (!have[0] || !have[1] || kn[0] != kn[1] || kc[0] == kc[1]) return -1;
    corners[0] = kc[0];
    corners[1] = kc[1];
    return kn[0];
}
}  // namespace

void CHNORD(const i32& previd, const i32& prevuid, const i32* prevlim, const i32* prevcrn, i32* ids, i32* uids,
            i32* entries, i32& count, i32& status)
{
    status = 0;
    const i32 k = count;
    if (k > MAXSRF) {
        status = -1;
        return;
    }
    std::vector<ChnEntry> t(static_cast<size_t>(k) + 1);
    // Entry 0: the edge at the end of the second range of the last surface.
    {
        ChnEntry& e = t[0];
        e.id = previd;
        e.uid = prevuid;
        e.state = 1;
        f64* b = gd::buf(gd::BA);
        LDSRFB(previd, b, status);
        if (status != 0) return;
        for (i32 c = 2; c <= 3; ++c) {
            f32 uv[2], p[3];
            SRFCNR(prevlim[LR_CODE], prevlim, prevcrn, c, uv);
            if (gd::eval(b, uv[0], uv[1], 0, p) < 0) {
                status = -1;
                return;
            }
            e.pts.insert(e.pts.end(), p, p + 3);
            e.used.push_back(false);
        }
    }
    for (i32 q = 0; q < k; ++q) {
        ChnEntry& e = t[static_cast<size_t>(q) + 1];
        e.id = ids[q];
        e.uid = uids[q];
        e.entry = entries[q];
        f64 pts[3 * 64];
        i32 n = 0;
        gsrfcrn(ids[q], 64, n, pts, status);
        if (status < 0 || n < 1) {
            status = -1;
            return;
        }
        e.pts.assign(pts, pts + 3 * n);
        e.used.assign(static_cast<size_t>(n), false);
    }
    std::vector<i32> oid, ouid, oent;
    i32 cursor = 0;
    for (;;) {
        i32 corners[2];
        const i32 n = next_of(t, cursor, corners);
        if (n < 0) break;
        t[static_cast<size_t>(cursor)].state = 2;
        ChnEntry& N = t[static_cast<size_t>(n)];
        N.state = 1;
        N.used[static_cast<size_t>(corners[0])] = true;
        N.used[static_cast<size_t>(corners[1])] = true;
        cursor = n;
        oid.push_back(N.id);
        ouid.push_back(N.uid);
        oent.push_back(N.entry);
        ids[n - 1] = -ids[n - 1];
        uids[n - 1] = -uids[n - 1];
        entries[n - 1] = -entries[n - 1];
    }
    const i32 chained = static_cast<i32>(oid.size());
    for (i32 q = 0; q < k; ++q)
        if (ids[q] > 0) {
            oid.push_back(ids[q]);
            ouid.push_back(uids[q]);
            oent.push_back(entries[q]);
        }
    for (i32 q = 0; q < k; ++q) {
        ids[q] = oid[static_cast<size_t>(q)];
        uids[q] = ouid[static_cast<size_t>(q)];
        entries[q] = oent[static_cast<size_t>(q)];
    }
    count = chained;
}
