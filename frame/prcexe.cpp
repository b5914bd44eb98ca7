// Execution of the surface-milling procedure and the change detection that
// decides whether the stored tool path and the triangle model still fit.
#include <cstring>
#include <memory>

#include "cutter/services.h"
#include "cutter/under.h"
#include "core/host.h"
#include "core/progress.h"
#include "core/params.h"
#include "core/proc.h"
#include "frame/callbacks.h"
#include "frame/prmmnu.h"
#include "core/records.h"
#include "passes/milbf.h"
#include "passes/pasdat.h"
#include "passes/services.h"
#include "passes/srfgeo.h"
#include "surfaces/allsrf.h"
#include "surfaces/srfchk.h"
#include "surfaces/srflist.h"
#include "edit/support.h"
#include "surfaces/trimodel.h"
#include "tools/toolcache.h"

ChgState PRCCST = {1, 1, 1, 1, 0.0f, 0};
DefState PRCDST = {};
i32 PRCGUS[2] = {0, 0};
f32 PRTBOX[6] = {0, 0, 0, 0, 0, 0};
i32 TRMOPT = 0;

f32 PRCATL(const i32* block)
{
    i32 mode = pwrd(block, APXMOD);
    return pwrr(block, mode == 2 ? APXTL2 : APXTL1);
}

namespace {

// What an execution changes for its own run and puts back on every road:
// word 405, the machining type, the cached tool's diameter, and the
// surface-milling geometry and pass table while the surfaces are machined
// one at a time.
struct RunState {
    i32 w405 = 0;
    i32 mactyp = 2;
    f32 diameter = 0.0f;
    bool tool_kept = false;
    bool mactyp_kept = false;
    std::unique_ptr<SrfGeo> geometry;  // kept while the one-surface loop runs
    std::unique_ptr<PasTab> table;     // likewise
};
RunState RUN;

// Restores what an execution changed; runs when the execution ends, fails
// or is stopped by an interruption unwinding through it. An interruption is
// an exception here, not a jump past the closing step, so word 405, the
// machining type and the cached tool's diameter are put back on that road
// too: the procedure that is saved after the stop, and the next run, see
// the values the user set rather than the ones the run set for itself.
struct Restore {
    ~Restore()
    {
        if (RUN.geometry) {
            SRFGEO = *RUN.geometry;
            RUN.geometry.reset();
        }
        if (RUN.table) {
            PASTAB = *RUN.table;
            RUN.table.reset();
        }
        if (RUN.mactyp_kept) MACTYP = RUN.mactyp;
        if (RUN.tool_kept) STDIAM(RUN.diameter);
        pw(CLNMIN) = RUN.w405;
    }
};

// The triangle model must be built again; the second model flag goes with
// every such request.
void need_rebuild()
{
    PRCCST.rebuild = 1;
    PRCCST.second = 0;
}

// Moves the entries of surface i into the first place of the geometry.
void first_place(const SrfGeo& all, i32 i)
{
    SrfGeo& g = SRFGEO;
    g.NSRF = 1;
    g.SRFIDS[0] = all.SRFIDS[i];
    g.SRFUID[0] = all.SRFUID[i];
    g.SRFSID[0] = all.SRFSID[i];
    std::memcpy(g.SRFPNT[0], all.SRFPNT[i], sizeof g.SRFPNT[0]);
    std::memcpy(g.SRFNRM[0], all.SRFNRM[i], sizeof g.SRFNRM[0]);
    g.SRFLNK[0] = all.SRFLNK[i];
    std::memcpy(g.LIMREC[0], all.LIMREC[i], sizeof g.LIMREC[0]);
    std::memcpy(g.CRNREC[0], all.CRNREC[i], sizeof g.CRNREC[0]);
    std::memcpy(g.LIMORG[0], all.LIMORG[i], sizeof g.LIMORG[0]);
    std::memcpy(g.SRFFIG[0], all.SRFFIG[i], sizeof g.SRFFIG[0]);
    g.SRFDLT[0] = all.SRFDLT[i];
}

// Moves the pass table entries of surface i into the first slot: each
// surface runs from its own start to its own end, not from the first
// surface's (where that one's run left the current pass at its end).
void first_slot(const PasTab& all, i32 i)
{
    PasTab& p = PASTAB;
    for (const auto f : {&PasTab::PSTART, &PasTab::PEND, &PasTab::ASTART, &PasTab::AEND, &PasTab::PCUR,
                         &PasTab::USTEP, &PasTab::VSTEP, &PasTab::PDELTA})
        (p.*f)[0] = (all.*f)[i];
    p.PCODE[0] = all.PCODE[i];
    p.REVFLG[0] = all.REVFLG[i];
}

// A buffer of check-surface words taken from the host's dynamic memory and
// given back when it goes out of scope, on every road.
struct ChkBuf {
    i32* w = nullptr;
    i32 bytes = 0;
    ChkBuf() = default;
    ChkBuf(const ChkBuf&) = delete;
    ChkBuf& operator=(const ChkBuf&) = delete;
    ~ChkBuf()
    {
        if (w) DM_FREE(w, bytes);
    }
    // False when the host cannot give m words (or m is beyond a byte count).
    bool take(i32 m)
    {
        if (m > 0x1fffffff) return false;
        bytes = 4 * m;
        w = static_cast<i32*>(DM_ALLOC(bytes));
        return w != nullptr;
    }
};

// The triangle model over the picked part surfaces and the check surfaces.
void build_model(i32& status)
{
    FRETRI();
    i32 m = 0;
    nc_surf_list_count(1, 1, m, status);
    if (status < 0) return;
    // The check-surface buffers live only while the model is built: allsrf
    // copies what it needs into the model and keeps no pointer into them, so
    // they go back to the host here on every road, not at the run's closing
    // step, and no run can leave them behind.
    ChkBuf cids, cnrms;
    if (m > 0) {
        // The two buffers come from the host's memory, which answers a
        // refusal: a count the host cannot serve ends the run with a failure
        // status and the gouge-check message, where a buffer of our own would
        // throw out of the execution past its closing step.
        if (!cids.take(m) || !cnrms.take(m)) {
            status = -1;
            return;
        }
        nc_surf_ids(cids.w, m, status);
        if (status >= 0) nc_surf_nrms(cnrms.w, m, status);
        if (status < 0) return;
    }
    TRMOPT = pw(AXSMOD) > 1 ? 1 : 0;
    const f32 tol = PRCATL(PRCPAR);
    i32 work = 0;
    allsrf(1, SRFGEO.NSRF, SRFGEO.SRFIDS, SRFGEO.SRFSID, m, cids.w, cnrms.w, pw(APXMOD), tol, pwr(APXTL3),
           pw(APXOPT), work, status);
}

// The pass loops of the picked surfaces.
void pass_loops(const f32& work, i32& status)
{
    if (SRFGEO.CUTFLP != 1) {
        SURMP1(work, status);
        return;
    }
    adjlim(status);
    if (status < 0) return;
    if (SRFGEO.NSRF > 1 && pw(SPLMOD) == 2) {
        // The whole geometry and pass-table structures are saved, not the
        // 4,082 and 1,444 words of the older word layout: our structures hold
        // those values under their own layout, and a copy of the whole puts
        // back every per-surface value, whatever its place, so nothing the
        // one-surface loop moves is left behind.
        RUN.geometry = std::make_unique<SrfGeo>(SRFGEO);
        RUN.table = std::make_unique<PasTab>(PASTAB);
        const SrfGeo& all = *RUN.geometry;
        for (i32 i = 0; i < all.NSRF && status >= 0; ++i) {
            first_place(all, i);
            first_slot(*RUN.table, i);
            NPASS = 0;
            SURM1(work, status);
        }
        SRFGEO = all;
        PASTAB = *RUN.table;
        RUN.geometry.reset();
        RUN.table.reset();
        return;
    }
    SURM1(work, status);
}

}  // namespace

void PRCEXE(const i32& mode, i32& status)
{
    status = 0;
    RUN.w405 = pw(CLNMIN);
    if (eqval0(pwr(CLNMIN))) pws(CLNMIN, 0.001f);
    Restore restore;
    if (mode != 2) {
        allrst();
        LN5INI();
        rstnuv();
        RUN.mactyp = MACTYP;
        RUN.mactyp_kept = true;
        GTDIAM(PRM9[PRM9_TOOL], RUN.diameter);
        RUN.tool_kept = true;
        if (PRM9[PRM9_FIT] == 1) FITINI(3, pwr(PRTTOL));
        AXSCPY = pw(AXSMOD);
        if (MACTYP == MACTYP_SURFACES && SRFGEO.NSRF == 1 && SRFGEO.CRNREC[0][CR_HELD] == 1) MACTYP = MACTYP_TRIMMED;
        UDSETP(pw(UDSWCH), pwa(UDSLOP), pw(UDOPT1), pw(UDOPT2), pw(UDOPT3), 0);
        bool failed = false;
        // A tool the positioning grid cannot hold is refused before anything
        // is computed with it.
        ELMTOL(pwr(PRTOFS), pwr(CHKOFS), status);
        // The positioning's stock cells are the procedure's own for the
        // whole run, also when it runs again without its parameter page (the
        // page's link set-up fills them too): every helper that positions
        // the tool leaves this stock on the part and check surfaces.
        PRCSTK = pwr(PRTOFS);
        PRCCHK = pwr(CHKOFS);
        // The links of the run are the procedure's own, set up afresh with
        // their clearance flags cleared: the manual editor and the projection
        // fill the same block with their values, and a run without its page
        // linked by whatever they left there.
        {
            i32 npart2 = 0, s2 = 0;
            nc_surf_srfbuf(1, npart2, s2);
            PRMLNK(s2 >= 0 ? npart2 : 0);
        }
        // The string writer's state belongs to this run: no code-2 link done
        // yet and no last string to retract from. Kept from an earlier run,
        // a code-2 link would enter this run's first string with no link at
        // all, and a retract would start from the earlier run's last string.
        MSTRST();
        // So is a part surface the module cannot hold.
        if (status >= 0 && MACTYP != MACTYP_ONESURF) SRFCKL(SRFGEO.SRFIDS, SRFGEO.NSRF, status);
        if (status < 0) failed = true;
        // A model the editor freed since it was built is not there any more.
        if (PRCCST.freed != MDLFRE) need_rebuild();
        if (!failed && PRCCST.rebuild) {
            if (pw(GCHMOD) == 2 || pw(GCHMOD) == 3) {
                build_model(status);
                if (status < 0) {
                    userrc("PROBLEMS WITH GOUGE CHECK. PLEASE CHANGE OPTION", 0);
                    failed = true;
                }
            } else {
                f64 box[6] = {0, 0, 0, 0, 0, 0};
                SURFSBOX(SRFGEO.SRFIDS, SRFGEO.NSRF, box, status);
                if (status < 0) failed = true;
                else for (i32 k = 0; k < 6; ++k) PRTBOX[k] = static_cast<f32>(box[k]);
            }
            if (!failed) {
                PRCCST.rebuild = 0;
                PRCCST.freed = MDLFRE;
            }
        }
        // The drivers' clean-up value: word 405 as this run has it.
        const f32 work = pwr(CLNMIN);
        if (!failed) {
            PRGSHW(1);
            CLIMIT(status);
        }
        if (!failed && status >= 0) {
            // Only the trimmed-surface type (3) runs the loop over one
            // trimmed surface; the surface clean-up's type 14 runs the pass
            // loops of type 2, which take its one surface and side from the
            // host's surface list: that loop is the one built for it.
            if (MACTYP == MACTYP_TRIMMED) SURM1T(work, status);
            else pass_loops(work, status);
        }
        if (!failed && status >= 0 && pw(UDSWCH) != 1) UDFLSH(status);
        if (!failed && status >= 0) ENDRET(status);
    }
    // Closing, on every road.
    if (RUN.mactyp_kept) MACTYP = RUN.mactyp;
    if (RUN.tool_kept) STDIAM(RUN.diameter);
    pw(CLNMIN) = RUN.w405;
    i32 st = 0;
    CLSLNS(st);
    allfre(st);
    LN5FRE(st);
    elnuv(st);
}

void PRCCHG(i32& changed, i32&, i32& status)
{
    if (PRCCST.freed != MDLFRE) need_rebuild();  // the editor freed the model

    const i32* b = PRCPAR;
    const i32* c = PRCCPY;
    auto di = [&](i32 n) { return pwrd(b, n) != pwrd(c, n); };
    auto dr = [&](i32 n) { return neval(pwrr(b, n), pwrr(c, n)) != 0; };
    const i32 w2 = pwrd(b, AXSMOD), w4 = pwrd(b, LNKKND), w5 = pwrd(b, APXMOD), w8 = pwrd(b, STPMOD),
              w10 = pwrd(b, GCHMOD);

    if (w10 == 2 || w10 == 3) {
        f32 tol = PRCATL(b);
        if (!PRCCST.first && w5 == PRCCST.mode) {
            if (neval(tol, PRCCST.tol)) need_rebuild();
        } else {
            need_rebuild();
        }
        PRCCST.tol = tol;
        PRCCST.mode = w5;
        PRCCST.first = 0;
    }

    bool d = false;
    if (w10 != 1)
        d = di(APXMOD) || di(APXKND) || (w5 == 3 && dr(APXTL3)) || (w5 == 1 && dr(APXTL1)) ||
            (w5 == 2 && dr(APXTL2)) || dr(AXSTRN);
    for (i32 n : {ZIGSEL, AXSMOD, AXSSUB, LNKKND, STPMOD, GCHMOD, ALLPAS, WIDDEF, UDSWCH, UDOPT1, UDOPT2, UDOPT3})
        d = d || di(n);
    d = d || (w8 == 2 && di(NPSREQ)) || (w2 == 2 && di(TLTREF));
    d = d || dr(PRTTOL) || dr(CHKTOL) || (link_straight(w4) && dr(APRLEN)) ||
        (link_arc(w4) && dr(APRRAD)) || (w2 == 2 && (dr(LNKDS1) || dr(LNKDS2))) ||
        dr(SAFDST) || (w2 != 1 && (dr(LEADAN) || dr(TILTAN)));
    d = d || (w8 == 1 && (dr(SCLHGT) || dr(CLNMIN))) || dr(PRTOFS) || dr(CHKOFS) || dr(JMPLF1) ||
        dr(JMPLF2) || dr(UDSLOP) || (w8 == 3 && dr(SIDSTP)) ||
        (MACTYP == MACTYP_ONESURF && (dr(WRKTOL) || di(CLNCHG))) || di(SPLMOD);
    if (d) changed = 1;
    if (pwrd(b, ALLPAS) == 2 && di(PASEXE)) changed = 1;
    status = 0;
}
