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

void SURM1T(i32& work, i32& status)
{
    (void)work;
    if (SRMHOOK) {
        SRMHOOK(3, status);
        return;
    }
    status = 0;
    i32 sign = 0, st = 0;
    PASSGN(1, sign, st);
    if (!CLNGON(status)) return;
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
        CLNEND(status, false);
        return;
    }
    // Hatch angle: lines of constant v when v is the pass parameter
    // (PCODE 2, the lines run along u), turned by a quarter when u is
    // (PCODE 1, the lines run along v); by a half turn more when the
    // first-guess step along the lines is negative (USTEP for PCODE 2, VSTEP
    // for PCODE 1: the along steps of the pass table). The pass direction
    // is HATDIR's: with both signs the turned polygon runs from the pass
    // start level upwards, and the direction it answers makes the hatch
    // lines' sense turn over with the along step's sign. (With the host's
    // counter-clockwise turn, lines of constant v run from the along start
    // and lines of constant u, turned a quarter, from the along end.)
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
    CLNEND(status, true);
}
