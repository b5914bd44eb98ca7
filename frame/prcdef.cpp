// Definition of the surface-milling procedure and its remaining callbacks:
// the set-up and release of a procedure, the checks of its surfaces, the
// start of machining, its translation rows and the update of its lists.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "blocks/geoslot.h"
#include "frame/crit.h"
#include "frame/defrel.h"
#include "core/host.h"
#include "core/params.h"
#include "frame/callbacks.h"
#include "frame/prmmnu.h"
#include "core/records.h"
#include "passes/pasdat.h"
#include "passes/services.h"
#include "passes/srfgeo.h"
#include "pocket/pokmain.h"
#include "pocket/polbuf.h"
#include "surfaces/allsrf.h"
#include "surfaces/srfbuf.h"
#include "surfaces/srflist.h"
#include "surfaces/svap.h"
#include "surfaces/trimodel.h"
#include "tools/toolcache.h"

namespace {

constexpr i32 KIND_PART = 10004, KIND_CHECK = 10002;

f32 tool_diameter()
{
    f32 d = 0.0f;
    GTDIAM(PRM9[PRM9_TOOL], d);
    return d < 0.0f ? 0.0f : d;
}

// The expression items registered with the host's relations, by item code.
struct Sym {
    i32 code, word;
};
constexpr Sym SYMBOLS[17] = {{57, PRTTOL}, {218, CHKTOL}, {48, APRLEN}, {49, APRRAD}, {16, SAFDST},
                             {217, AXSTRN}, {54, SCLHGT}, {55, PRTOFS}, {56, CHKOFS}, {425, LEADAN},
                             {26, SIDSTP},  {58, APXTL1}, {59, APXTL2}, {298, APXTL3}, {258, CLNMIN},
                             {275, UDSLOP}, {214, TILTAN}};

// Stores the picked surfaces in the host's part list.
void store_part_list(i32& status)
{
    i32 n = SRFGEO.NSRF;
    nc_surf_list_count(2, 0, n, status);
    if (status >= 0 && n > 0) nc_surf_put(n, SRFGEO.SRFIDS, SRFGEO.SRFSID, status);
    if (status >= 0 && n > 0) nc_surf_put_uids(n, SRFGEO.SRFUID, status);
}

// Connection words of consecutive picked surfaces.
void connect_surfaces()
{
    SrfGeo& g = SRFGEO;
    if (g.NSRF < 1) return;
    g.SRFLNK[0] = 1;
    f32 d = tool_diameter();
    f32 gap = d == 0.0f ? 10.0f : d / 2.0f;
    for (i32 i = 1; i < g.NSRF; ++i) {
        if (g.SRFLNK[i] != 0) continue;
        if (g.SRFIDS[i - 1] < 0 || g.SRFIDS[i] < 0) continue;
        i32 r = 0, st = 0;
        SRFCRN(2, i - 1, i, gap, r, st);
        if (st >= 0) g.SRFLNK[i] = r;
    }
}

// Requests of one definition.
struct Req {
    i32 pick = 0, redefine = 0, cutdir = 0, corner = 0, trim = 0, addchk = 0;
};

// What a step of the definition tells its cycle.
enum class Next { Go, Leave, Again, Done };

// One definition: the call, the requests and where the cycle stands.
struct Def {
    const i32& defonly;
    const i32& moved;
    const i32& copied;
    const i32& append;
    const i32& back;
    i32& reread;
    i32& status;
    bool tplread = false, isnew = false, anyreq = false, geometry = true, first = true, picked_any = false;
    // Set when an escape sends the cycle back to the cut direction: the
    // surfaces are not picked again (a mend: run again with the redefine
    // request the picker would turn the chain's side over).
    bool at_cutdir = false;
    i32 manage = 0, menuflag = 0;
    Req rq{};
};

// The surfaces picked (or the trimming curves, outside surface milling);
// a failed or refused pick drops the direction requests. Leave: escaped;
// Done: a request that needs no more geometry.
Next pick(Def& d, i32& st)
{
    bool picked = false;
    if (!d.tplread) {
        if (MACTYP == MACTYP_SURFACES) {
            i32 changed = 0;
            // The picker turns the chain over on its second request
            // only when it does not pick anew.
            const i32 flip = d.rq.pick ? 0 : d.rq.redefine;
            PCKSRS(d.rq.pick, flip, pwr(PRTTOL), changed, st);
            picked = changed != 0;
            if (picked && !d.reread) d.reread = 1;
            if ((picked || d.rq.redefine) && d.isnew) PRCGUS[0] = 1;
            if (picked) {
                i32 s2 = 0;
                store_part_list(s2);
            }
        } else {
            PCKTRM(st);
            picked = st >= 0;
        }
        // Surfaces just picked need their direction confirmed.
        if (picked && st >= 0 && SRFGEO.NSRF > 0) PRCDST.dirflag = 1;
    }
    d.picked_any = d.picked_any || picked;
    // An escape from the picker leaves the definition with -2, as the
    // cycle's own step has it, rather than showing the picker again: the
    // driver brings a -2 back into the definition with its back-to-definition
    // request, so the user is not held in a picker the escape was meant to
    // leave.
    if (st == -2) {
        d.status = -2;
        return Next::Leave;
    }
    // A -1 from the picker is the user ending the picking, not a failure:
    // the surfaces picked so far stand, the direction, corner and trim
    // questions are dropped and the definition goes on to its parameters.
    // Only the questions after the picking leave the definition with -1.
    if (st == -1 || PRCDST.dirflag == 0) {
        PRCDST.dirflag = 0;
        d.rq.cutdir = d.rq.corner = d.rq.trim = 0;
        st = 0;
    }
    if (!d.first && d.anyreq) return Next::Done;
    d.first = false;
    return Next::Go;
}

// The cut direction and the start corner. Leave: cancelled; Again: an
// escape back to the pick or to the cut direction.
Next direction_and_corner(Def& d, i32& st)
{
    if (PRCDST.dirflag && !d.tplread) {
        i32 changed = 0;
        CUTDIR(d.rq.cutdir, changed, st);
        if (st == -1) {
            d.status = -1;
            return Next::Leave;
        }
        if (st == -2) {
            d.rq.pick = 1;
            return Next::Again;
        }
    }
    if (d.rq.corner && !d.tplread) {
        i32 changed = 0;
        STCORN(changed, st);
        if (st == -1) {
            d.status = -1;
            return Next::Leave;
        }
        if (st == -2) {
            PRCDST.dirflag = 1;
            d.at_cutdir = true;
            return Next::Again;
        }
        if (changed) d.rq.trim = 1;
    }
    return Next::Go;
}

// The limits, the surface lists' order and the approximation menu (or the
// template's reading). True: the geometry is done; false: an escape in the
// menu sends the cycle back to the cut direction.
bool close_geometry(Def& d, i32& st)
{
    TRMLIM(d.rq.trim, st);
    d.rq.trim = 0;
    for (i32 list : {1, 0}) {
        const i32 a = PRCDST.seq[list][0], b = PRCDST.seq[list][1];
        if (a >= 0 && b >= a) {
            i32 s2 = 0;
            nc_surf_sls(list, a + 1, s2);
        }
    }
    i32 menu_changed = 0;
    st = 0;
    if (!d.tplread) {
        nc_surf_aprx_menu(d.rq.redefine, d.rq.addchk, 0, 2, menu_changed, st);
        if (menu_changed) d.reread = 1;
    } else {
        i32 any = 0, part = 0, part2 = 0, s2 = 0;
        TPLRDF(any, part, part2, s2);
    }
    if ((d.rq.addchk || (d.isnew && d.rq.redefine)) && menu_changed) PRCGUS[1] = 1;
    // Leaving the surface-selection menu with -1 keeps its lists as they
    // stand and goes on, as after the picker.
    if (st == -1) st = 0;
    if (st == -2) return false;
    for (i32 list : {1, 0}) {
        i32 a = 0, b = -1;
        nc_surf_seq(list, a, b);
        PRCDST.seq[list][0] = a - 1;
        PRCDST.seq[list][1] = b - 1;
    }
    PRCCST.first = d.reread;
    if (d.picked_any && pw(WIDDEF) == 2) connect_surfaces();
    return true;
}

// The geometry cycle: pick, direction, corner, limits, lists. False: the
// definition is left (status set).
bool geometry_cycle(Def& d)
{
    while (d.geometry) {
        i32 st = 0;
        if (!d.at_cutdir) {
            const Next n = pick(d, st);
            if (n == Next::Leave) return false;
            if (n == Next::Done) break;
        }
        d.at_cutdir = false;
        const Next n = direction_and_corner(d, st);
        if (n == Next::Leave) return false;
        if (n == Next::Again) continue;
        if (close_geometry(d, st)) break;
        d.at_cutdir = true;
    }
    return true;
}

// The approximation values most used by the procedures, offered to the
// parameter menu when the module keeps them. A saved approximation is found
// again by its mode, the tolerance it was made with and the third mode's
// value, and records nothing else of the procedure; so those three are all
// a most used set can propose: word 5, the mode's own tolerance (word 113,
// or 137 for mode 2, as the change detection takes it) and word 161. Word
// 15 goes the other way: after the menu it is handed to the saved
// approximations as their user tolerance; word 357, the check surfaces'
// tolerance, is not recorded with an approximation. Neither has a most used
// value, and both are left as the procedure has them.
void most_used_approximation(const Def& d)
{
    if (!lin_svap_flag()) return;
    i32 amode = pw(APXMOD), s2 = 0;
    f32 tol = PRCATL(PRCPAR), side = pwr(APXTL3);
    lin_svap_most_used_values(d.isnew ? 1 : 0, amode, tol, side, s2);
    if (s2 == 0) {
        pw(APXMOD) = amode;
        pws(pw(APXMOD) == 2 ? APXTL2 : APXTL1, tol);
        pws(APXTL3, side);
    }
}

// After the parameter menu: the geometry read again; the requests its
// answers make for another round. False: the definition is done.
bool after_parameters(Def& d, const i32* out)
{
    const i32 flag = out[0] | out[1] | out[2] | out[3] | out[5];
    REDGEO(flag, d.status);
    const bool pending = flag != 0;
    if (d.status == 0 && !pending) {
        i32 changed = 0;
        CHGGEO(changed);
        if (changed) d.reread = 1;
        if (d.append == 0) NPASS = 0;
        d.status = 0;
        return false;
    }
    if (d.status == -1) return false;
    if (d.status == 2) return true;
    Req& rq = d.rq;
    rq = Req();
    if (d.status == -2) {
        rq.pick = rq.redefine = rq.addchk = rq.cutdir = 1;
        PRCDST.dirflag = 1;
    } else {
        if (out[0]) rq.pick = rq.redefine = 1;
        if (out[1]) {
            rq.cutdir = 1;
            PRCDST.dirflag = 1;
        }
        if (out[2]) rq.trim = 1;
        if (out[3]) rq.corner = 1;
        if (out[5]) rq.addchk = 1;
    }
    d.status = 0;
    d.first = true;
    d.geometry = true;
    return true;
}

// The parameter step: the parameter menu and what follows it. False: the
// definition is done.
bool parameter_step(Def& d)
{
    TPLCLR();
    d.tplread = false;
    i32 P = 0, st = 0;
    nc_surf_list_count(1, 1, P, st);
    PRCDST.bothlists = (PRCDST.dirflag == 0 || (PRCDST.dirflag2 == 0 && P > 0)) ? 0 : 1;
    if (d.manage == 1) return false;
    if (is_create_from_TPtemplate()) {
        d.status = 0;
        return false;
    }
    const i32 mactyp = MACTYP;
    if (MACTYP == MACTYP_SURFACES && SRFGEO.NSRF == 1 && SRFGEO.CRNREC[0][CR_HELD] == 1) MACTYP = MACTYP_TRIMMED;
    most_used_approximation(d);
    i32 error = 0, out[7] = {0, 0, 0, 0, 0, 0, 0};
    // The append flag makes the page's check strict: passes appended to a
    // run whose start and end lie on the same pass would add nothing.
    PRMMNU(d.append, 0, error, out, d.status);
    // The machining type shown for the menus is put back on every way out,
    // the menu-flag and single-procedure exits included: the procedure
    // keeps its own type whatever the page showed.
    if (d.menuflag) {
        MACTYP = mactyp;
        return false;
    }
    if (is_read_singlePROC()) {
        MACTYP = mactyp;
        d.tplread = true;
        d.geometry = true;
        return true;
    }
    lin_svap_set_user_tol(pwr(PRTTOL));
    MACTYP = mactyp;
    return after_parameters(d, out);
}

}  // namespace

// The end-after-definition flag is not touched: the parameter menu takes
// no such flag (its arguments are the error word, the seven out-flags and
// the status), so nothing here could set it.
void PRCDEF(const i32& proc, const i32& defonly, const i32& moved, const i32& copied, const i32& append,
            const i32& back, i32& reread, i32&, i32& status)
{
    status = 0;
    Def d{defonly, moved, copied, append, back, reread, status};
    d.tplread = is_some_template_CreateRead_operation() != 0;
    d.manage = get_ManageTp_TemplateFlag();
    SAVGEO();
    d.menuflag = nu_mod_get_flag();
    if (reread) nc_geomsk_apply();
    i32 key = 0;
    GEOKEY(1, key);
    d.anyreq = defonly || moved || copied || back;
    // The driver numbers a new procedure by its block already: a new one is
    // also told by the request record.
    d.isnew = proc <= 0 || EDA2[EDA2_OPENED] == 0;
    if (d.isnew) d.rq.pick = d.rq.cutdir = d.rq.corner = d.rq.redefine = d.rq.addchk = 1;
    else d.rq.trim = 1;
    d.geometry = !(key == 0 && d.anyreq);
    while (true) {
        if (d.geometry && !geometry_cycle(d)) return;
        d.geometry = false;
        if (!parameter_step(d)) return;
    }
}

void PRCINI(const i32& mode, i32& status)
{
    status = 0;
    if (mode != 1) {
        FRETRI();
        FIGDAL();
        nc_surf_init(2, 1);
        DELGEO();
        // Every release runs, also after one fails, so that a pocket array
        // that cannot be let go does not keep the polygon buffers or the
        // model's arrays held; the first failure is handed on, not taken
        // for success.
        POKREL(1, status);
        i32 st = 0;
        polbuf_release_all(1, st);
        if (status >= 0) status = st;
        FRESRF(TRIMDL[TM_SRFHDL]);
        if (status > 0) status = 0;
        return;
    }
    SRFGEO.NSRF = 0;
    // A new procedure also starts with no direction to confirm and no
    // geometry marked to be stored anew: both are left by the procedure
    // before, and a pick that never happened in this one must not ask for a
    // direction or store the earlier procedure's surfaces with it.
    PRCDST.dirflag = PRCDST.dirflag2 = 0;
    PRCGUS[0] = PRCGUS[1] = 0;
    UDINIT(pw(UDSWCH), pwa(UDSLOP), pw(UDOPT1), pw(UDOPT2), pw(UDOPT3));
    // Without the part's heights the height relations have nothing to refer
    // to: the procedure is not set up, and the user is told why.
    RELSYM(status);
    if (status < 0) {
        userrc("PRCINI, THE PART HEIGHTS CANNOT BE HAD", 0);
        return;
    }
    f32 r = 0.0f;
    GTCRNR(PRM9[PRM9_TOOL], r);
    rel_nc_add_tool_data(tool_diameter(), r < 0.0f ? 0.0f : r, status);
    if (status < 0) return;
    for (const Sym& s : SYMBOLS) {
        rel_nc_add_symbol(s.code, 3, pwa(s.word), status);
        if (status < 0) return;
    }
    DEFREL(status);
    if (status < 0) return;
    for (i32 w : {ZIGSEL, AXSMOD, AXSSUB, LNKKND, APXMOD, STPMOD, GCHMOD, ALLPAS, TLTREF, SPLMOD}) pw(w) = 1;
    pw(APXKND) = 2;
    pw(PASEXE) = 3;
    pw(NPSREQ) = 10;
    pw(WIDDEF) = pw(CLNFLG) = 2;
    pws(LNKDS1, 1.0f);
    pws(LNKDS2, 1.0f);
    pws(JMPLF1, 0.0f);
    pws(JMPLF2, 0.0f);
    pw(LNKSTA) = 0;
    pw(WRKTOL) = pw(PRTTOL);
    for (i32 k = 0; k < 4; ++k) {
        pw(GMASKS + k) = 0;
        active_mask_gs(k, 2, pw(GMASKS + k));
    }
    const i32 classes[5] = {0, 1, 0, 0, 0};
    CRTFLG(classes);
    PRCCST.first = 1;
    PRCCST.rebuild = 1;
    PRCCST.second = 0;
    PRCCST.mode = pw(APXMOD);
    PRCCST.tol = pwr(APXTL1);
    RSTTRI();
    FIGCLR();
    // Of the engine words a new procedure starts, only the code-112 word is
    // named: the two set to 0 and 1 and the one cleared with it are not, and
    // the engines here keep no such words outside what INIGEO and the resets
    // above start.
    NPASS = 0;
    // The backup rhythm counts from the new procedure (kept from the one
    // before, a backup would fall on passes of its count), and the surface
    // evaluation switch starts on until the pass loop sets it for the tool.
    NBKUP = 0;
    SRFEVL = 1;
    nc_surf_init(2, 1);
    INIGEO();
    POKREL(0, status);
    if (status < 0) return;
    polbuf_init(2, 9000, status);
    if (status < 0) return;
    // A new procedure starts without a geometry key: a key left by an
    // earlier procedure's pick would make the first pick of this one skip
    // the side question and keep that procedure's cut direction.
    i32 key = 0;
    GEOKEY(2, key);
    TRIMDL[TM_SRFHDL] = -1;
    status = 0;
}

void PRCSRF(const i32& mode, const i32& geoarg, i32& flag, i32& status)
{
    status = 0;
    i32 m = 0;
    nc_surf_list_count(1, 1, m, status);
    if (status < 0) return;
    std::vector<i32> cuids(static_cast<size_t>(std::max(m, 1))), catrs(static_cast<size_t>(std::max(m, 1)));
    std::vector<i32> collected;
    if (m > 0) {
        nc_surf_uids(cuids.data(), m, status);
        if (status >= 0) nc_surf_atrs(catrs.data(), m, status);
        if (status < 0) return;
        for (i32 k = 0; k < m; ++k)
            if (catrs[static_cast<size_t>(k)] == 0) collected.push_back(cuids[static_cast<size_t>(k)]);
    }
    SrfGeo& g = SRFGEO;
    i32 pid = -1, cid = -1, f = 0;
    get_geom_slot(KIND_PART, GSLOTS, pid, f);
    get_geom_slot(KIND_CHECK, GSLOTS, cid, f);
    if (mode == 1) {
        static f64 work[SB_CAP];
        if (g.NSRF > 0) {
            i32 n = g.NSRF;
            TSTSRF(pid, n, g.SRFUID, work, g.SRFSID, 1, &g.SRFPNT[0][0], &g.SRFNRM[0][0], PRCDST.dirflag, status);
            if (status < 0) return;
            i32 cnt = g.NSRF;
            nc_surf_list_count(2, 0, cnt, status);
            if (status >= 0) nc_surf_put_uids(g.NSRF, g.SRFUID, status);
            if (status < 0) return;
        }
        if (m > 0) {
            std::vector<i32> nrms(static_cast<size_t>(m));
            std::vector<f32> refs(static_cast<size_t>(9 * m)), nrm3(static_cast<size_t>(3 * m));
            nc_surf_list_count(1, 1, m, status);
            if (status >= 0) nc_surf_nrms(nrms.data(), m, status);
            if (status < 0) return;
            i32 n = m;
            TSTSRF(cid, n, cuids.data(), work, nrms.data(), 2, refs.data(), nrm3.data(), PRCDST.dirflag2, status);
            if (status >= 0) nc_surf_list_count(1, 1, m, status);
            if (status >= 0) nc_surf_put_uids(m, cuids.data(), status);
            if (status >= 0) nc_surf_psrf(m, refs.data(), status);
            if (status >= 0) nc_surf_norm(m, nrms.data(), status);
        }
    } else if (mode == 2) {
        if (PRCGUS[0] && g.NSRF > 0) {
            SRFASO(pid, geoarg, g.NSRF, g.SRFUID);
            // The host's store of unique ids (its mode 3) is the put call
            // of this interface: the list is made current by asking its
            // count, then its unique ids are stored as they are.
            i32 cnt = 0;
            nc_surf_list_count(1, 0, cnt, status);
            if (status >= 0) nc_surf_put_uids(g.NSRF, g.SRFUID, status);
        }
        if (status >= 0 && PRCGUS[1] && !collected.empty()) {
            SRFASO(cid, geoarg, static_cast<i32>(collected.size()), collected.data());
            // The check list's unique ids are stored back whole: the list keeps
            // one per row, and the collected ones alone would cut the rows of
            // the surfaces that are not check surfaces.
            i32 cnt = 0;
            nc_surf_list_count(1, 1, cnt, status);
            if (status >= 0) nc_surf_put_uids(m, cuids.data(), status);
        }
    } else if (mode == 3) {
        flag = 1;
        SRFATC(g.NSRF, g.SRFUID, flag);
        if (!collected.empty()) SRFATC(static_cast<i32>(collected.size()), collected.data(), flag);
    }
}

void PRCNRM(const i32&, i32& count, f32* points, i32& dirs_present, f32* dirs, i32& normals_present, f32* normals,
            i32& status)
{
    status = 0;
    SrfGeo& g = SRFGEO;
    i32 id = 0, code = 1, nrm = 1;
    bool swap = false;
    if (MACTYP == MACTYP_ONESURF) {
        // The one surface of type 14 and its side: the first of the host's
        // list 1, as the passes take them.
        i32 n = 0;
        // No surface in the list (or the list unreadable) leaves with -1:
        // there is no start to hand back, and the execute dialog stops its
        // tool display on a failure rather than draw the tool at a point
        // never evaluated.
        nc_surf_list_count(1, 1, n, status);
        if (status < 0 || n < 1) {
            status = -1;
            return;
        }
        std::vector<i32> ids(static_cast<size_t>(n)), nrms(static_cast<size_t>(n));
        nc_surf_ids(ids.data(), n, status);
        if (status >= 0) nc_surf_nrms(nrms.data(), n, status);
        if (status < 0) return;
        id = ids[0];
        nrm = nrms[0];
    }
    // With no picked surface nothing can be evaluated: -1, for the same
    // reason, rather than a start read from an empty surface slot.
    if (g.NSRF < 1 && MACTYP != MACTYP_ONESURF) {
        status = -1;
        return;
    }
    i32 s = 1;
    if (g.CUTFLP == 2) {
        swap = true;
    } else if (!(pw(ZIGZAG) == 0 || NPASS <= 0 || NPASS % 2 == 0)) {
        // An odd count of zigzag passes ends on the last surface. The one
        // surface of the surface clean-up holds no part surface (NSRF 0):
        // its record is the first, never one before the table.
        s = std::max(g.NSRF, 1);
    }
    if (MACTYP != MACTYP_ONESURF) {
        id = g.SRFIDS[s - 1];
        nrm = g.SRFSID[s - 1];
    }
    f32 lim[4];
    GLMVAL(s, lim);
    GLMDIR(s, code);
    // The record's code orders its two ranges (code 1: u first); the swap
    // turns only the pass direction, so the start is still read from the
    // ranges in the record's own order, and the pass runs along the first
    // range instead of the second. Read in the swapped order, the start
    // would take each parameter from the other's range and could lie off
    // the surface, and the direction's sense would follow the wrong range.
    const i32 order = code;
    if (swap) code = code == 1 ? 2 : 1;
    static f64 buf[SB_CAP];
    LDSRFB(id, buf, status);
    if (status < 0) return;
    f32 u, v;
    if ((MACTYP == MACTYP_SURFACES || MACTYP == MACTYP_ONESURF) && g.CRNREC[s - 1][CR_HELD] == 0) {
        u = order == 1 ? lim[0] : lim[2];
        v = order == 1 ? lim[2] : lim[0];
    } else {
        f32 u2 = 0, v2 = 0;
        GETCRN(u, v, u2, v2);
    }
    f32 ev[9];
    evsrf(buf, u, v, 2, ev, status);
    if (status < 0) return;
    // The pass runs along the record's second range (the first when
    // swapped), towards its end: the weights of the movement direction in
    // (u, v).
    const f32 sense = ltval(swap ? lim[1] - lim[0] : lim[3] - lim[2], 0.0f) ? -1.0f : 1.0f;
    const f32 wu = code == 1 ? 0.0f : sense, wv = code == 1 ? sense : 0.0f;
    f32 tool[9];
    NCEVSW(buf, u, v, wu, wv, nrm, pw(AXSMOD), SRFEVL, pwr(LEADAN), pwr(TLTCMP), tool, status);
    if (status < 0) return;
    const f32* along = code == 1 ? ev + 6 : ev + 3;
    f32 d[3] = {sense * along[0], sense * along[1], sense * along[2]};
    f32 len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (len > 0.0f)
        for (f32& x : d) x /= len;
    for (i32 k = 0; k < 3; ++k) {
        points[k] = tool[k];
        normals[k] = tool[3 + k];
        dirs[k] = d[k];
    }
    count = 1;
    dirs_present = 1;
    if (pw(AXSMOD) != 1) normals_present = 1;
}

void PRCTRN(i32& status)
{
    UDTRNS(status);
    if (status != 0) return;
    static constexpr i32 ROWS[23][4] = {
        {454, 82, 2, 126},  {462, 81, 2, 869},   {77, 54, 1, -1},    {78, 80, 2, -1},   {867, 26, 1, -1},
        {860, 258, 1, -1},  {178, 217, 3, -1},   {179, 425, 3, -1},  {180, 214, 3, -1}, {973, 400, 2, 972},
        {1226, 506, 2, 1229}, {447, 24, 2, 21},  {464, 17, 2, 127},  {138, 48, 1, -1},  {139, 49, 1, -1},
        {145, 16, 1, -1},   {11, 62, 2, 18},     {150, 56, 1, -1},   {151, 218, 1, -1}, {152, 55, 1, -1},
        {153, 57, 1, -1},   {580, 63, 4, 579},   {581, 298, 1, -1}};
    for (const auto& r : ROWS) {
        nu_trns_add(r[0], r[1], r[2], r[3], status);
        if (status != 0) return;
    }
}

void PRCUPD(const i32&, i32& status)
{
    status = 0;
    ncs_table_re_explode(status);
    if (status < 0) return;
    SrfGeo& g = SRFGEO;
    if (g.NSRF > 0) {
        ncs_update_surfaces(g.NSRF, g.SRFUID, g.SRFIDS, status);
        i32 n = g.NSRF;
        if (status >= 0) nc_surf_list_count(2, 0, n, status);
        if (status >= 0) nc_surf_put(n, g.SRFIDS, g.SRFSID, status);
        if (status >= 0) nc_surf_put_uids(n, g.SRFUID, status);
        if (status < 0) return;
    }
    i32 m = 0;
    nc_surf_list_count(1, 1, m, status);
    if (status < 0) return;
    if (m > 0) {
        std::vector<i32> uids(static_cast<size_t>(m)), ids(static_cast<size_t>(m)), nrms(static_cast<size_t>(m));
        nc_surf_uids(uids.data(), m, status);
        if (status >= 0) nc_surf_nrms(nrms.data(), m, status);
        if (status >= 0) ncs_update_surfaces(m, uids.data(), ids.data(), status);
        if (status >= 0) nc_surf_put(m, ids.data(), nrms.data(), status);
        if (status >= 0) nc_surf_put_uids(m, uids.data(), status);
        if (status < 0) return;
    }
    i32 one = 1;
    GEOKEY(2, one);
}
