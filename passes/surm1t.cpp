// The driver of one trimmed surface: its trim boundary turned so that the
// passes become hatch lines, the hatch lines created and milled, the
// boundary turned back, then the clean-up.
#include <cmath>

#include "core/host.h"
#include "core/params.h"
#include "passes/geodef.h"
#include "passes/hatch.h"
#include "passes/onepas.h"
#include "passes/pasdat.h"
#include "passes/pasloop.h"
#include "passes/services.h"
#include "passes/trmpol.h"

void SURM1T(const f32& cleanup, i32& status)
{
    if (SRMHOOK) {
        SRMHOOK(3, status);
        return;
    }
    status = 0;
    i32 sign = 0, st = 0;
    PASSGN(1, sign, st);
    // The driver fails with -1 whatever status the part box or the grid
    // gave: its callers read -1 as the failure of the trimmed driver, and
    // a host status passed through would be a value it never promises.
    if (!CLNGON(status)) {
        status = -1;
        return;
    }
    opnpol(st);
    i32 hpol = -1, nloops = 0;
    TRMPLY(SRFGEO.SRFIDS[0], hpol, nloops, st);
    if (st < 0) {
        // Nothing is machined, but the polygon store just opened and the
        // clean-up grid laid above are given back: left open they would
        // outlive the procedure.
        eroutc("SURM1T, ERRORS IN DATA BASE", 0);
        status = -1;
        clspol(st);
        CLNEND(status, false, cleanup);
        return;
    }
    // Hatch angle. The pass table defines PCODE 1 as u stepped and 2 as v
    // stepped; the hatch rule names the codes the other way round ("u
    // stepped" for 2). Reading chosen: the rule's numbers are kept as they
    // stand (PCODE 2: angle 0, PCODE 1: a quarter turn), because with them
    // the hatch lines are the lines of constant pass parameter the pass
    // table asks for (v constant, running along u, for PCODE 2; u constant,
    // running along v and so turned a quarter, for PCODE 1). The half turn
    // follows the step of the parameter the rule names with each code (u for
    // PCODE 2, v for PCODE 1), which is the step along the lines (USTEP for
    // PCODE 2, VSTEP for PCODE 1): a negative along step makes the lines run
    // the other way, which is what the half turn is for. The pass step in
    // its place would only cancel HATDIR's own turn, and the lines would
    // never follow the along direction. HATDIR gives the pass direction:
    // with both signs the turned polygon runs from the pass start level
    // upwards. (With the host's counter-clockwise turn, lines of constant v
    // run from the along start and lines of constant u, turned a quarter,
    // from the along end.)
    const PasTab& p = PASTAB;
    f32 angle = p.PCODE[0] == 2 ? 0.0f : 0.5f * 3.1415925f;
    if ((p.PCODE[0] == 2 ? p.USTEP[0] : p.VSTEP[0]) < 0.0f) angle += 3.1415925f;
    i32 dir = 1;
    f32 extra = 0, ys = 0, ye = 0;
    HATDIR(angle, dir, extra, ys, ye);
    const f32 turned = extra + angle;
    f32 cs = 1, sn = 0, lo = 0, hi = 0;
    HATCSN(turned, cs, sn);
    const f32 none[2] = {0, 0};
    ROTPOL(cs, sn, nloops, hpol, 1, none, 0.0f, lo, hi);
    HATSET(dir, pw(ZIGSEL), hpol, pwr(SIDSTP) / 10.0f, cs, sn);
    HATCRE(hpol, ys, ye, nloops, st);
    // Nothing to hatch (-2) skips the milling but not the release below:
    // the polygon set, the hatch path and the host's polygon store were
    // opened and are closed whatever the creation found.
    if (st == -1) {
        eroutc("SURM1T,CLRCRE PROBLEMS !!", 0);
        status = -1;
    } else if (st >= 0) {
        MACTYP = MACTYP_SURFACES;
        PSLOOP(st);
        MACTYP = MACTYP_TRIMMED;
        if (st < 0) status = -1;
    }
    ROTPOL(cs, -sn, nloops, hpol, 1, none, 0.0f, lo, hi);
    // The hatch path and the polygon store are released even when the
    // polygon set would not close (clspb has said so): kept open they would
    // outlive the procedure.
    clspb(hpol, st);
    HATREL(st);
    clspol(st);
    CLNEND(status, true, cleanup);
}
