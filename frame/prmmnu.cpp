// The surface-milling procedure's parameter page and its validation.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "frame/cmpblk.h"
#include "frame/crit.h"
#include "frame/defrel.h"
#include "frame/exedlg.h"
#include "core/host.h"
#include "core/modflg.h"
#include "core/params.h"
#include "core/prcwrd.h"
#include "frame/callbacks.h"
#include "frame/prmmnu.h"
#include "core/records.h"
#include "passes/services.h"
#include "passes/srfgeo.h"
#include "surfaces/srflist.h"
#include "tools/toolcache.h"
#include "stock/optwords.h"

namespace {

// Item descriptors of the parameter page (label, then the choices). The
// host still fills its descriptor table at the procedure's start and frees
// it at the end (PARDSC1/PARDSC2), but what it writes there is its own
// layout, which this module is not given; the page hands the host these
// texts instead, so that every item shows the same label and choices
// whatever host runs it.
const char* const D_AXIS26 = "AXES:3 AXES@5 AXES@4 AXES";
const char* const D_AXIS25 = "AXES:3 AXES@4 AXES@4 AXES BY SURFACE";
const char* const D_STEP = "SIDE STEP:SCALLOP HEIGHT@NUMBER OF PASSES@SIDE STEP";
const char* const D_SCALLOP = "SCALLOP HEIGHT";
const char* const D_NPASS = "NUMBER OF PASSES";
const char* const D_SIDSTP = "SIDE STEP VALUE";
const char* const D_CLNMIN = "CLEAN-UP VALUE";
const char* const D_LEAD = "LEADING ANGLE";
const char* const D_TILT = "TILTING ANGLE";
const char* const D_TLTREF = "TILTING REFERENCE:ABSOLUTE@RELATIVE";
const char* const D_ZIGZAG = "DIRECTION:ZIGZAG@ONE WAY";
const char* const D_LINK3 = "APPROACH:DIRECT@STRAIGHT@ARC@ARC ACROSS@STRAIGHT UP@STRAIGHT ACROSS@ARC UP";
const char* const D_LINK5 = "APPROACH 5X:DIRECT@STRAIGHT@ARC@ARC ACROSS@STRAIGHT UP@STRAIGHT ACROSS@ARC UP";
const char* const D_APRLEN = "APPROACH LENGTH";
const char* const D_APRRAD = "APPROACH RADIUS";
const char* const D_ORDER = "SURFACES:ALL TOGETHER@ONE BY ONE";
const char* const D_ORDER2 = "SURFACE ORDER";
const char* const D_SAFDST = "SAFETY DISTANCE";
const char* const D_GOUGE = "GOUGE CHECK:PART SURFACES@ALL SURFACES";
const char* const D_GOUGE5 = "GOUGE CHECK 5X:PART SURFACES@ALL SURFACES";
const char* const D_AXTURN = "MAX AXIS TURN";
const char* const D_OFSKND = "APPROXIMATION:BY TOLERANCE@BY MAX SIDE";
const char* const D_APXTL3 = "MAX TRIANGLE SIDE";
const char* const D_CHKOFS = "CHECK OFFSET";
const char* const D_CHKTOL = "CHECK TOLERANCE";
const char* const D_PRTOFS = "PART OFFSET";
const char* const D_PRTTOL = "TOLERANCE";

// The current-tool cache answers -1.0 when there is no current tool. It is
// taken as a tool of no size: the limits [0, D] and [-R, 999] and the checks
// below then stay well-formed instead of running below zero.
f32 tool_diameter()
{
    f32 d = 0.0f;
    GTDIAM(PRM9[PRM9_TOOL], d);
    return d < 0.0f ? 0.0f : d;
}

f32 corner_radius()
{
    f32 r = 0.0f;
    GTCRNR(PRM9[PRM9_TOOL], r);
    return r < 0.0f ? 0.0f : r;
}

f32 taper()
{
    f32 t = 0.0f;
    GTTAPA(PRM9[PRM9_TOOL], t);
    return t;
}

i32 machine() { return NPT1[NPT1_MACHINE]; }

bool plain(i32 code) { return rel_nc_is_number(code) != 0; }

// A real word that may be bound to a relation: the relation takes the value.
void set_real(i32 code, i32 word, f32 value)
{
    i32 st = -1;
    if (rel_nc_find(code) >= 0) valex_setp(code, value, st);
    if (st < 0) pws(word, value);
}

void tool_limits(f32 d)
{
    rel_nc_min_max_set(54, 0.0001, d / 2.0);
    rel_nc_min_max_set(258, 0.0, d);
}

// Writes the local axis value back into words 2 and 3.
void write_axis(i32 A, bool reply)
{
    const i32 mt = machine();
    if (mt == MACH_MILL5) {
        pw(AXSMOD) = pw(AXSSUB) = A;
    } else if (mt == MACH_MILL4) {
        if (A == 1) pw(AXSMOD) = pw(AXSSUB) = 1;
        else if (A == 2) pw(AXSMOD) = pw(AXSSUB) = 3;
        else { pw(AXSMOD) = 3; pw(AXSSUB) = 4; }
    } else {
        pw(AXSMOD) = pw(AXSSUB) = 1;
    }
    if (reply && (mt == MACH_MILL4 || mt == MACH_MILL5)) pw(UDSWCH) = 1;
}

// The scallop companion follows the scallop height while it is a plain number.
void scallop_companion()
{
    if (plain(258) && neval(pwr(CLNMIN), 0.0f)) {
        f32 out = 0.0f;
        RELPAS(pwr(SCLHGT), out);
        pws(CLNMIN, out);
    }
}

// The item numbers the reply is matched against.
struct Items {
    i32 axis, step, scallop, npass, sidstp, clnmin, lead, tilt, tltref, zigzag, pattern, aprlen, aprrad, order,
        safdst, link, axturn, ofsknd, apxtl3, chkofs, chktol, prtofs, prttol, limw, liml, resw, resl, surfaces,
        geo20, geo10, corner, part2;
    i32 updown[4];
};

// The tool and SERVICE options the page's menu offers.
const i32 TOOLFLAGS[13] = {1, 1, 0, 1, 1, 1, 0, 1, 0, 0, 1, 1, 0};
const i32 SRVFLAGS[9] = {1, 1, 1, 1, 0, 1, 1, 1, 1};

std::string host_text(i32 module, i32 number)
{
    char t[96] = {0};
    msg_get(module, number, t, sizeof t);
    return t;
}

}  // namespace

void PRMCHK(const i32& strict, i32& error)
{
    error = 0;
    // The warnings flag speaks for this check alone: a warning of an earlier
    // check (or of another procedure) must not show in the execute notes.
    PRMWRN = 0;
    MSGBXT(0, 0, "");
    const f32 D = tool_diameter(), T = taper(), R = corner_radius();
    auto err = [&](const std::string& t) { MSGBXT(1, 1, t.c_str()); error = 1; };
    // A "WARNING" line raises the flag that the execute dialog's notes read
    // ("ATTENTION: WARNINGS ISSUED"); "ATTENTION" lines are remarks, not
    // warnings, and leave it as it is.
    auto warn = [&](const char* t) { MSGBXT(1, 2, t); PRMWRN = 1; };
    const f32 w283 = pwr(PRTOFS), w307 = pwr(CHKOFS);
    if (T > 0.0f && (w283 < 0.0f || w307 < 0.0f))
        err("NOT ALLOWED NEGTIVE OFFSET FOR CONIC TOOL");
    else if ((w283 < 0.0f && w283 < -R) || (w307 < 0.0f && pw(AXSMOD) == 1 && w307 < -R))
        err("NOT ALLOWED NEGTIVE OFFSET LARGER THAN CORNER RADIUS");
    if (eqval(D, 2.0f * R) && eqval(w283, -R)) MSGBXT(1, 3, host_text(316, 40).c_str());
    if (pw(STPMOD) == 1 && D < 0.0001f) err(host_text(413, 27));
    if (SRFGEO.NSRF > 0) {
        i32 k = 0;
        LIMKND(k);
        if (k != 0) {
            const char* t = "START AND END POINT ARE ON THE SAME PASS FOR SOME SURFACES";
            if (k < 0 || (k == 1 && strict != 0)) err(t);
            else warn(t);
        }
    }
    if (machine() == MACH_MILL3 && HEI8[HEI8_ABSOLUTE] == 0 && !(CMPBLK[CMP_MASTER] == 2 && CMPBLK[CMP_ENLARGE] == 2))
        msg_mdls(413, 30);
    if (pw(STPMOD) == 3 && D < pwr(SIDSTP)) warn(host_text(413, 28).c_str());
    if (pw(APXMOD) != 3) MSGBXT(1, 3, host_text(365, 30).c_str());
    i32 n = 0, st = 0;
    nc_surf_srfbuf(0, n, st);
    if (st >= 0) {
        if (pw(STPMOD) == 1 && R != 0.0f && pwr(SCLHGT) > R) MSGBXT(1, 3, host_text(413, 26).c_str());
        if (pwr(PRTTOL) > D) MSGBXT(1, 3, host_text(413, 19).c_str());
    }
    // The box is shown also when the part-surface list cannot be read: the
    // lines gathered before (errors among them) must reach the user, or the
    // page would come back after an accept without saying why.
    MSGBXT(2, 0, "");
}

namespace {

// What an answer of the parameter page tells the menu loop.
enum class Next { Again, Restart, Done };

// One run of the parameter page: the call, the local choices (axes A, gouge
// check L, approximation O, geometry state G), the page's tables and the
// item numbers of the page as last built.
struct Prm {
    const i32& strict;
    i32& error;
    i32* out;
    i32& status;
    i32 P = 0, mt = 0;
    f32 D = 0.0f;
    bool single = false, menuflag = false;
    i32 A = 1, L = 1, O = 1, G = 0, shown = 0;
    i32 groups[20] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    i32 index[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    i32 m = 0, item = 0;
    Items it{};

    void blank()
    {
        moduc2();
        ++item;
    }
    // A blank that only counts the item when the host drives the menu.
    void oblank()
    {
        if (menuflag) ++item;
        else blank();
    }
    // A value or choice item; at takes its number.
    void value(i32& at, i32 kind, const char* d, i32 code, i32* word, f32 lo, f32 hi)
    {
        i32 st = 0;
        at = item++;
        nu_mod_exec(kind, d, code, word, lo, hi, st);
        if (st < 0 && status >= 0) status = st;  // the page is not shown
    }
    // The local choices taken again from the parameter words.
    void restart()
    {
        L = (pw(GCHMOD) == 1 || pw(GCHMOD) == 2) ? 1 : 2;
        if (pw(GCHMOD) == 2 && P == 0) pw(GCHMOD) = 1;
        A = pw(AXSMOD);
        if (pw(AXSMOD) == 3 && pw(AXSSUB) != 4) A = 2;
        G = SRFGEO.GEODEF;
        shown = 0;
    }
};

// Group 1: the axes and the side step.
void build_step(Prm& p)
{
    Items& it = p.it;
    const i32 mt = p.mt;
    if (mt >= MACH_MILL4) p.value(it.axis, 4, mt == MACH_MILL4 ? D_AXIS25 : D_AXIS26, mt == MACH_MILL4 ? 1262 : 4, &p.A, 1, 3);
    else p.blank();
    p.value(it.step, 3, D_STEP, 869, pwa(STPMOD), 1, 3);
    if (pw(STPMOD) == 1) {
        if (p.D < 0.0001f) userrc("NOT PERMITTED TO WORK BY SCALLOP WITH TOOL DIAMETER < 0.0001", 0);
        p.value(it.scallop, 8, D_SCALLOP, 54, pwa(SCLHGT), 0.0001f, p.D / 2.0f);
    } else if (pw(STPMOD) == 2) {
        p.value(it.npass, 1, D_NPASS, 0, pwa(NPSREQ), 1, 9999);
    } else {
        p.value(it.sidstp, 8, D_SIDSTP, 26, pwa(SIDSTP), 0.001f, 9999.9f);
    }
    if (pw(STPMOD) == 1) {
        p.D = tool_diameter();
        p.value(it.clnmin, 8, D_CLNMIN, 258, pwa(CLNMIN), 0.0f, p.D);
    } else {
        p.blank();
    }
}

// Groups 2 and 3: the angles, the tilt reference, zigzag; the approach, the
// surface order and the safety distance.
void build_passes(Prm& p)
{
    Items& it = p.it;
    const i32 A = p.A;
    if (A == 2 || A == 3) {
        p.value(it.lead, 9, D_LEAD, 425, pwa(LEADAN), -89, 89);
        p.value(it.tilt, 9, D_TILT, 214, pwa(TILTAN), -89, 89);
    } else {
        p.blank();
        p.blank();
    }
    if (pw(AXSMOD) == 2) {
        p.value(it.tltref, 3, D_TLTREF, 972, pwa(TLTREF), 1, 2);
    } else {
        pw(TLTREF) = 1;
        p.blank();
    }
    if (pw(UDSWCH) == 1) {
        p.value(it.zigzag, 3, D_ZIGZAG, 21, pwa(ZIGSEL), 1, 2);
    } else {
        pw(ZIGZAG) = 2;
        p.blank();
    }
    p.value(it.pattern, 3, A == 1 ? D_LINK3 : D_LINK5, A == 1 ? 127 : 1230, pwa(LNKKND), 1, 7);
    const i32 w4 = pw(LNKKND);
    if (w4 == LINK_VERTICAL) p.blank();
    else if (link_straight(w4)) p.value(it.aprlen, 8, D_APRLEN, 48, pwa(APRLEN), 0, 9999.0f);
    else p.value(it.aprrad, 8, D_APRRAD, 49, pwa(APRRAD), 0.0001f, 9999.0f);
    // "Surface mode 1" is read as the machining type of picked part surfaces
    // (2): the only type whose passes can take the surfaces one at a time in
    // their picking order (word 466), so the only one offered the choice.
    if (SRFGEO.NSRF >= 2 && MACTYP == MACTYP_SURFACES) {
        p.value(it.order, 4, D_ORDER, 1229, pwa(SPLMOD), 1, 2);
    } else if (SRFGEO.NSRF >= 2) {
        it.order = p.item++;
        modm(D_ORDER2);
    } else {
        p.blank();
    }
    p.value(it.safdst, 8, D_SAFDST, 16, pwa(SAFDST), 0, 9999.0f);
}

// Group 4: the gouge check, the axis turn, the approximation, the offsets
// and tolerances (offsets bounded by the corner radius).
void build_checks(Prm& p)
{
    Items& it = p.it;
    const i32 A = p.A, P = p.P;
    if (A == 2 && p.mt == MACH_MILL5 && P > 0) {
        p.L = 2;
        p.value(it.link, 3, D_GOUGE5, 16, &p.L, 1, 2);
    } else {
        p.value(it.link, 4, D_GOUGE, 18, &p.L, 1, 2);
    }
    if ((A == 2 || A == 3) && p.L == 2) p.value(it.axturn, 9, D_AXTURN, 217, pwa(AXSTRN), 0.001f, 10.0f);
    else p.blank();
    const f32 R = corner_radius();
    rel_nc_min_max_set(55, -R, 999.0);
    rel_nc_min_max_set(56, -R, 999.0);
    i32 K = 1;
    if (pw(GCHMOD) == 3 || P > 0) {
        K = 2;
        pw(APXKND) = 2;
    }
    if (p.O < 1 || p.O > 3) p.O = 1;
    if (K == 2) p.value(it.ofsknd, 3, D_OFSKND, 32, &p.O, 1, 2);
    else p.oblank();
    if (K == 2 && p.O == 2) {
        p.value(it.apxtl3, 8, D_APXTL3, 298, pwa(APXTL3), 0.00001f, 9999.0f);
    } else {
        if (plain(58)) set_real(58, APXTL1, pwr(PRTTOL));
        p.oblank();
    }
    if (P >= 1) {
        if (pwr(CHKOFS) < -R && plain(56)) set_real(56, CHKOFS, -R);
        p.value(it.chkofs, 8, D_CHKOFS, 56, pwa(CHKOFS), -R, 999.0f);
        if (pwr(CHKTOL) < pwr(PRTTOL) && plain(218)) set_real(218, CHKTOL, pwr(PRTTOL));
        p.value(it.chktol, 8, D_CHKTOL, 218, pwa(CHKTOL), pwr(PRTTOL), 999.9f);
    } else {
        p.oblank();
        p.oblank();
    }
    if (pwr(PRTOFS) < -R && plain(55)) set_real(55, PRTOFS, -R);
    p.value(it.prtofs, 8, D_PRTOFS, 55, pwa(PRTOFS), -R, 999.0f);
    p.value(it.prttol, 8, D_PRTTOL, 57, pwa(PRTTOL), 0.0001f, 999.9f);
}

// Groups 5 to 8: the limits, the up/down options, the geometry and the
// part-2 surfaces.
void build_geometry(Prm& p)
{
    Items& it = p.it;
    i32& item = p.item;
    const i32 G = p.G;
    const bool picked = MACTYP == MACTYP_SURFACES;
    it.limw = item++;
    CRTEDT(G, 17, "MILLING WIDTH", -1);
    if (picked) {
        it.liml = item++;
        CRTEDT(G, 17, "MILLING LENGTH", -1);
    } else {
        p.blank();
    }
    it.resw = item++;
    CRTEDT(G, 16, "MILLING WIDTH", -1);
    if (picked) {
        it.resl = item++;
        CRTEDT(G, 16, "MILLING LENGTH", -1);
    } else {
        p.blank();
    }
    if (p.A == 1) UDOPTM(pw(UDSWCH), pwa(UDSLOP), pw(UDOPT1), item, it.updown);
    it.surfaces = item++;
    CRTEDT(SRFGEO.NSRF > 0 ? 1 : 0, SRFGEO.NSRF > 0 ? 1 : 2, host_text(392, 30).c_str(), 0);
    it.geo20 = item++;
    CRTEDT(G, 1, host_text(365, 20).c_str(), -1);
    it.geo10 = item++;
    CRTEDT(G, 1, host_text(365, 10).c_str(), -1);
    it.corner = item++;
    CRTEDT(G, 1, "START CORNER", -1);
    it.part2 = item++;
    CRTED2((p.P == 0 || SRFDEF[1] != 0) ? 1 : 0, p.P, host_text(392, 40).c_str(), 1);
    p.blank();
    p.blank();
    p.blank();
}

// Builds the page. False: the menu could not be started or an item not
// added (status set).
bool build_page(Prm& p)
{
    p.it = Items{};
    p.item = 0;
    p.m = p.A == 1 ? 0 : 10;
    p.O = pw(APXMOD) == 3 ? 2 : pw(APXMOD);
    PRCMNU(p.m, p.shown, p.groups, p.index, p.item, p.status);
    if (p.status < 0) return false;
    build_step(p);
    build_passes(p);
    build_checks(p);
    build_geometry(p);
    return p.status >= 0;
}

// A new tool: the limits, the scallop and triangle side it bounds, the
// relations' tool data.
void tool_changed(Prm& p)
{
    p.D = tool_diameter();
    const f32 D = p.D;
    tool_limits(D);
    // A plain scallop height above half the new tool's diameter is lowered
    // to it here, when the tool changes, and not again when the page is
    // accepted: a typed value cannot pass the menu's range [0.0001, D/2]
    // set just above, so the height is lowered where a new tool comes under
    // a height chosen for an earlier one. A relation is the user's own rule
    // and is kept.
    if (D / 2.0f < pwr(SCLHGT) && plain(54)) set_real(54, SCLHGT, D / 2.0f);
    scallop_companion();
    if (plain(298)) set_real(298, APXTL3, D == 0.0f ? 10.0f : D / 2.0f);
    // The host's update works on the tool data it was given: the new tool's
    // diameter and corner radius are handed over first, or the relations
    // over the tool ("%r*0.5") would be worked out for the old tool.
    i32 s2 = 0;
    rel_nc_add_tool_data(D, corner_radius(), s2);
    rel_nc_update_tool_data();
}

// An item of the page chosen: the value written back, a limit or geometry
// editor run, or a geometry request handed to the caller.
Next item_answer(Prm& p, i32 Rp, i32 A0, i32& st)
{
    const Items& it = p.it;
    i32* out = p.out;
    // The gouge check chosen: the page is built again also with part-2
    // surfaces, where a changed choice could have shown the same page: the
    // axis-turn row belongs to the second choice, and a page kept as it was
    // would offer it for the first or leave it out for the second.
    if (Rp == it.link) {
        if (p.L == 1) pw(GCHMOD) = p.P > 0 ? 2 : 1;
        else pw(GCHMOD) = 3;
        return Next::Again;
    }
    if (Rp == it.axis) {
        if (p.A == A0 && p.A <= 1) return Next::Again;
        write_axis(p.A, true);
        return Next::Again;
    }
    if (Rp == it.step || Rp == it.pattern) return Next::Again;
    if (Rp == it.scallop) {
        scallop_companion();
        return Next::Again;
    }
    if (Rp == it.ofsknd) {
        pw(APXMOD) = p.O == 2 ? 3 : p.O;
        return Next::Again;
    }
    const bool limit = Rp == it.limw || Rp == it.liml || Rp == it.resw || Rp == it.resl;
    if ((limit || Rp == it.geo20 || Rp == it.geo10 || Rp == it.corner) && p.G == 0) {
        userrc("PART SURFACES ARE NOT UPDATED. PLEASE REDEFINE THEM", 0);
        return Next::Again;
    }
    if (Rp == it.limw) PCKWID(pw(WIDDEF), pwr(PRTTOL), st);
    else if (Rp == it.liml) SETLIM(st);
    else if (Rp == it.resw) ALLLIM(st);
    else if (Rp == it.resl) PARLIM(st);
    if (limit) return Next::Again;
    if (Rp == it.surfaces) {
        out[0] = out[1] = out[2] = out[3] = 1;
    } else if (Rp == it.geo20 || Rp == it.geo10 || Rp == it.corner) {
        out[Rp == it.geo20 ? 1 : Rp == it.geo10 ? 2 : 3] = 1;
    } else if (Rp == it.part2) {
        out[5] = 1;
    } else {
        return Next::Again;
    }
    p.status = 0;
    return Next::Done;
}

// Runs the page once and acts on its reply.
Next answer(Prm& p)
{
    const i32 A0 = p.A;
    i32 Rp = 0, toolchanged = 0, st = 0;
    PRCMND(p.m, p.error, TOOLFLAGS, SRVFLAGS, p.index, PRCPRM, PRCGEO, block_read_tavrek, Rp, toolchanged, st);
    if (toolchanged) tool_changed(p);
    // The template applied, the menu has its heights relative again; when
    // the page ends here (a single procedure read from a template) they go
    // back to absolute values, as on every other way out.
    if (Rp > 0 && Rp == p.index[IX_APPLY]) {
        if (!p.single) return Next::Restart;
        HGTNPT(2);
        return Next::Done;
    }
    // Without interaction the menu start records no shown menu; the
    // menu then ends with the reply it was given.
    const bool interactive = EDA2[EDA2_HELD] == 0 && EDA2[EDA2_NOQUEST] == 0 && !p.menuflag;
    if (interactive && p.shown < 1) return Next::Again;
    const Items& it = p.it;
    // A geometry item that is refused (no part surfaces yet) shows the page
    // again, so its heights stay relative: shifted to absolute here, they
    // would be shifted once more when the page is left, and every clearance
    // and part height would move by the origin's Z.
    const bool refused = p.G == 0 && (Rp == it.geo20 || Rp == it.geo10 || Rp == it.corner);
    const bool geo_item =
        Rp > 0 && !refused && (Rp == it.surfaces || Rp == it.geo20 || Rp == it.geo10 || Rp == it.corner);
    if (Rp == 0 || Rp == -1 || Rp == -2 || (Rp > 0 && Rp == it.part2) || geo_item) HGTNPT(2);
    if (Rp == 0) {
        // "Word 22" of the machine values is the fitting word, counted from
        // 0 as the record's words are indexed here; counted from 1 it would
        // be the maximum feed, which a multi-axis page has no cause to set.
        if (pw(AXSMOD) != 1) PRM9[PRM9_FIT] = 2;
        PRMCHK(p.strict, p.error);
        if (p.error) {
            HGTNPT(1);
            return Next::Again;
        }
        p.status = 0;
        return Next::Done;
    }
    if (Rp == -1 || Rp == -2) {
        p.status = Rp;
        return Next::Done;
    }
    if (Rp < 0 || (!interactive && st == 1)) {
        if (interactive) return Next::Again;
        p.status = p.error ? -1 : 0;
        return Next::Done;
    }
    return item_answer(p, Rp, A0, st);
}

// The words the passes read, derived from the page's values on leaving.
void finish(const Prm& p)
{
    const i32 P = p.P;
    pws(TLTCMP, pw(TLTREF) == 1 ? pwr(TILTAN) : 90.0f - std::fabs(pwr(TILTAN)));
    if (!p.single) write_axis(p.A, false);
    pw(APXOPT) = pw(APXKND) == 1 ? 1 : 0;
    pw(WRKTOL) = pw(PRTTOL);
    pw(PNTVAL) = 3;
    if (plain(58)) set_real(58, APXTL1, pwr(PRTTOL));
    if (pw(ALLPAS) != 1) pw(MAXPAS) = pw(PASEXE);
    else pw(MAXPAS) = (pw(NPSREQ) == 1 && pw(STPMOD) == 2) ? 1 : 99999;
    if (pw(GCHMOD) == 2 && P == 0) {
        pw(GCHMOD) = 1;
        pw(LNKSTA) = 1;
    }
    if (pw(GCHMOD) == 1 && P > 0) pw(GCHMOD) = pw(AXSMOD) == 1 ? 2 : 3;
    if (pw(GCHMOD) != 1) pw(LNKSTA) = (pwr(JMPLF1) == 0.0f && pwr(JMPLF2) == 0.0f) ? 2 : 1;
    else pw(LNKSTA) = 1;
    pws(RLXTOL, 1.5f * pwr(WRKTOL));
    pw(ZIGZAG) = pw(ZIGSEL) == 1 ? 1 : 0;
    PRMLNK(P);
    MOTKND = pw(AXSMOD) != 1 ? 5 : 3;
}

}  // namespace

void PRMLNK(const i32& npart2)
{
    const f32 dists[2] = {pwr(LNKDS1), pwr(LNKDS2)};
    // The two ranges of the heights record are read as the words the links
    // take from it: the height mode (word 76) and the incremental height
    // item (word 48 on).
    SETMOC(pw(LNKKND), pwr(APRLEN), pwr(APRRAD), dists, pwr(SAFDST), pwr(PRTTOL), pwr(PRTOFS), pwr(CHKOFS),
           pw(GCHMOD) != 1 ? 1 : 0, SRFGEO.NSRF, npart2, &HEI8[HEI8_ABSOLUTE], &HEI8[HEI8_INCR]);
}

void PRMMNU(const i32& strict, const i32&, i32& error, i32* out, i32& status)
{
    for (i32 k = 0; k < 7; ++k) out[k] = 0;
    status = 0;
    const i32 hflags[7] = {1, 1, 1, 1, 0, 0, 0};
    HGTFLG(hflags);
    Prm p{strict, error, out, status};
    nc_surf_srfbuf(1, p.P, status);
    if (status < 0) return;
    p.D = tool_diameter();
    tool_limits(p.D);
    HGTNPT(1);
    p.mt = machine();
    if (pw(AXSMOD) >= 2 && p.mt < MACH_MILL4) pw(AXSMOD) = 1;
    if (pw(AXSMOD) == 3 && p.mt == MACH_MILL5) pw(AXSMOD) = 2;
    if (pw(AXSMOD) == 2 && p.mt == MACH_MILL4) pw(AXSMOD) = 3;
    p.single = is_read_singlePROC() != 0;
    p.menuflag = nu_mod_get_flag() != 0;
    p.restart();
    // The page is built anew before every showing, also where the reply
    // only asks for the same menu again: a menu form of this host is used up
    // by its reply, and built from unchanged words it shows the same items
    // with the same numbers.
    while (true) {
        if (!build_page(p)) {
            // A menu that cannot be started ends the page as every other exit
            // does: the heights go back to absolute values and the words of
            // the leaving are set, so that nothing is saved relative to the
            // origin's Z. The failure's status is kept.
            HGTNPT(2);
            finish(p);
            return;
        }
        const Next n = answer(p);
        if (n == Next::Done) break;
        if (n == Next::Restart) p.restart();
    }
    finish(p);
}
