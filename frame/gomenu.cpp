#include "frame/gomenu.h"

#include <cmath>
#include <cstring>
#include <string>

#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/modal.h"
#include "blocks/movement.h"
#include "blocks/procblk.h"
#include "blocks/tech.h"
#include "core/host.h"
#include "core/modflg.h"
#include "core/names.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "frame/bookkeep.h"
#include "frame/cmpblk.h"
#include "frame/driver.h"
#include "frame/dspopt.h"
#include "frame/exedlg.h"
#include "frame/gocomp.h"
#include "frame/intctl.h"
#include "frame/machtype.h"
#include "frame/srvmnu.h"
#include "frame/tolmnu.h"
#include "passes/services.h"
#include "surfaces/srfbuf.h"
#include "tools/toolcache.h"
#include "tools/tooldsp.h"

GoState GOST;

namespace {

// Procedure codes of the GO types.
constexpr i32 GO_CODE[6] = {0, 10, 10, 19, 20, 26};

const char* const KINDS_MILL =
    "GO IND. POINT        >@GO DELTA             >@GO HOME              >@GO TO CLEAR          >@GO TO Z-PLANE        >";
const char* const KINDS_TWO = "GO IND. POINT       >@GO DELTA             >";
const char* const KINDS_TURN = "GO IND. POINT        >@GO DELTA             >@GO HOME              >";
const char* const KINDS_WIRE =
    "GO IND. POINT        >@GO DELTA             >@GO HOME              >@GO IND. POINT 4X     >";
const char* const ZMODES = "FREE Z               >@SAME Z               >@ONLY Z               >@Z ON PLANE           >";
const char* const PLANES = "CURRENT PLANE        >@DEFINE PART PLANE    >";
const char* const WIRES = "THREAD WIRE          >@CUT WIRE             >";
const char* const SPEEDS = "GO AT FEED           >@GO FAST              >";

// Rows of the menu (fixed by blank placeholders).
enum GoRow : i32 { R_BLOCK = 1, R_COMMENT, R_PARAMS, R_SERVICE, R_KIND, R_FIRST, R_SECOND, R_THIRD, R_SPEED };

constexpr f32 LIMIT = 99999.0f;
constexpr i32 GO_MENU_NUMBER = 1;  // the menu number the interaction is started with

void empty()
{
    i32 none = 0;
    modumc(" ", none);
}

void usrerr(const char* text) { userrc(text, 0); }

// The rotary-axis setting of the machine (6: two rotary axes).
i32 rotary() { return RAXN[RAXN_AXIS]; }

// The kind toggle's options for the type; the menu shows kind 6 of the
// wire type as its fourth option.
std::string kind_options(const i32 type)
{
    switch (type) {
    case GT_MULTI:
        return std::string(KINDS_MILL) + (rotary() == 6 ? "@GO IND. POINT 5X     >" : "@GO IND. POINT 4X     >");
    case GT_TWOAXIS: return KINDS_TWO;
    case GT_TURN: return KINDS_TURN;
    case GT_WIRE: return KINDS_WIRE;
    default: return KINDS_MILL;
    }
}

// The pick and two-point flags of the kind (after a change of the kind).
void kind_flags(const i32 type)
{
    GoState& g = GOST;
    if (type == GT_WIRE && g.kind == GO_CLEAR) g.kind = GO_AXIS;
    const bool axis_multi = g.kind == GO_AXIS && type == GT_MULTI;
    const bool axis_wire = g.kind == GO_AXIS && type == GT_WIRE;
    g.pick = g.kind == GO_POINT || axis_multi || axis_wire ? 1 : 0;
    g.two_point = (axis_multi && g.zmode != Z_PLANE) || axis_wire ? 1 : 0;
}

// Menu cycle: the rows of the type and kind; the pointers are the
// alternatives' current numbers the replies change.
struct GoMenuRows {
    i32 block = 0, comment = 1, params = 1, service = 1, kind = 1, zmode = 1, plane = 1, speed = 1;
    f32 zplane = 0;
};

void build_rows(const i32 type, const i32 intp, const i32 moved, GoMenuRows& m)
{
    GoState& g = GOST;
    const i32 attrs[1] = {2};
    modcls(9, attrs);
    if (intp != 0) {
        CURBLK(m.block);
        modic2("-----              ", m.block, m.block, m.block, 0);
    } else {
        empty();
    }
    if (intp != 0 && moved == 0) {
        char comment[24] = {0};
        GSTXT1(1, comment);
        std::string text(comment, strnlen(comment, 20));
        while (!text.empty() && text.back() == ' ') text.pop_back();
        // A blank comment would show as a blank placeholder, which cannot
        // be told from one and looks as if it could not be chosen: the row
        // is named instead until a comment is given.
        modmc2(text.empty() ? "COMMENT" : text.c_str(), m.comment, 0);
    } else {
        empty();
    }
    modmc2("MACHINE PARAMS ...", m.params, 0);
    modmc2("SERVICE ...", m.service, 0);
    m.kind = type == GT_WIRE && g.kind == GO_AXIS ? 4 : g.kind;
    modmc2(kind_options(type).c_str(), m.kind, 0);
    if (g.kind == GO_DELTA) {
        modrc2("DX", g.delta[0], -LIMIT, LIMIT, 0);
        // Turning moves in x and y, z staying at the procedure Z (GOMOVE):
        // its second delta is the y word, named "DZ" as the lathe names that
        // axis. Bound to the z word, the typed value would never move the
        // tool while a y delta left by another GO menu still would.
        if (type == GT_TURN) modrc2("DZ", g.delta[1], -LIMIT, LIMIT, 0);
        else modrc2("DY", g.delta[1], -LIMIT, LIMIT, 0);
        if (type != GT_TWOAXIS && type != GT_TURN) modrc2("DZ", g.delta[2], -LIMIT, LIMIT, 0);
        else empty();
    } else if ((g.kind == GO_POINT || g.kind == GO_AXIS) && (type == GT_MILL || type == GT_MULTI)) {
        m.zmode = g.zmode;
        modmc2(ZMODES, m.zmode, 0);
        m.plane = g.plane_choice;
        if (g.zmode == Z_PLANE) modmc2(PLANES, m.plane, 0);
        else empty();
        empty();
    } else if (g.kind == GO_ZPLANE) {
        m.zplane = wrd2r(HEI8[HEI8_ZPLANE]);
        modrc2("Z", m.zplane, -LIMIT, LIMIT, 0);
        empty();
        empty();
    } else {
        empty();
        empty();
        empty();
    }
    if (type != GT_TWOAXIS) {
        m.speed = type == GT_WIRE ? g.wire : g.speed;
        modmc2(type == GT_WIRE ? WIRES : SPEEDS, m.speed, 0);
        empty();
        empty();
        empty();
    }
}

}  // namespace

void GOPICK(const i32& two_point, const i32& kind, i32& axis_mode, f32* point, f32* axis, i32& status)
{
    while (true) {
        if (axis_mode == 1) {
            axis[0] = axis[1] = 0.0f;
            axis[2] = 1.0f;
        } else {
            for (int k = 0; k < 3; ++k) axis[k] = MOVST.axis[k];
        }
        prmptc(kind == GO_POINT ? "INDICATE POINT" : "INDICATE BASE POINT");
        getpt(1, point, status);
        if (status != 0 || two_point == 0) return;
        f32 second[3] = {0, 0, 0};
        prmptc(kind == GO_AXIS ? "IND TOOL AXIS DIR" : "INDICATE TOP POINT");
        getpt(1, second, status);
        if (status == -2) continue;
        if (status != 0) return;
        if (kind == GO_CLEAR) axis_mode = 3;
        f32 a[3] = {second[0] - point[0], second[1] - point[1], second[2] - point[2]};
        if (kind == GO_AXIS && rotary() != 6) a[rotary() == 1 ? 0 : rotary() == 2 ? 1 : 2] = 0.0f;
        const f64 len = std::sqrt(static_cast<f64>(a[0]) * a[0] + static_cast<f64>(a[1]) * a[1] +
                                  static_cast<f64>(a[2]) * a[2]);
        if (len > 1e-9) {
            for (int k = 0; k < 3; ++k) axis[k] = static_cast<f32>(a[k] / len);
            return;
        }
        usrerr(kind == GO_CLEAR ? "THE TOP & BASE START POINTS ARE SIMILIAR, NOT LEGAL!"
                                : "THE TOOL AXIS DIRECTION CAN NOT BE PROPERLY DEFINED BY THOSE TWO POINTS");
    }
}

namespace {
// The plane scaled to a unit normal (all zero for a plane of no normal): the
// plane may come with a normal of any length (a plane entity, the stored
// plane), and the height formula needs it unit.
void unit_plane(const f32* plane, f64* n)
{
    const f64 len = std::sqrt(static_cast<f64>(plane[0]) * plane[0] + static_cast<f64>(plane[1]) * plane[1] +
                              static_cast<f64>(plane[2]) * plane[2]);
    for (int k = 0; k < 4; ++k) n[k] = len > 0 ? plane[k] / len : 0;
}

// A plane the tool cannot stand on: parallel to the Z axis, or nearly so.
bool parallel_to_z(const f32* plane)
{
    f64 n[4];
    unit_plane(plane, n);
    return std::fabs(n[2]) < 0.0001;
}
}  // namespace

i32 PLNZ(f32* point, const f32* plane)
{
    f64 n[4];
    unit_plane(plane, n);
    const f64 nx = n[0], ny = n[1], nz = n[2], d = n[3];
    if (parallel_to_z(plane)) {
        usrerr("PART PLANE CANNOT BE PARALLEL TO Z AXIS !");
        return -1;
    }
    if (std::fabs(nx) + std::fabs(ny) < 0.0001) {
        point[2] = static_cast<f32>(-d / nz + OUTZSH);
        return 0;
    }
    f32 dt = 0, r = 0;
    if (CURTOL > 0) {
        GTDIAM(CURTOL, dt);
        GTCRNR(CURTOL, r);
    }
    // A tool of negative size has no height on the plane: z stays, and the
    // user is told why the motion does not go onto the plane.
    if (dt < 0 || r < 0) {
        usrerr("PLNZ, NEGATIVE TOOL DIAMETER OR CORNER RADIUS: Z NOT CHANGED");
        return -2;
    }
    const f64 s = std::sqrt(nx * nx + ny * ny);
    const f64 z = ((dt / 2.0 + (s - 1.0) * r) * s) / std::fabs(nz) - (nx * point[0] + ny * point[1] + d) / nz -
                  (1.0 - std::fabs(nz)) * r + OUTZSH;
    point[2] = static_cast<f32>(z);
    return 0;
}

namespace {

// First motion in a tool path: the procedure block and the machine state.
void open_procedure(const i32& type, const i32 feed, i32& moved, i32& status)
{
    status = 0;
    STLINE(-1, GO_CODE[type], 0);
    i32 st = 0, set = 0, pausable = 0;
    // The machining type was decided, and its refusal seen, when the menu
    // was set up; it is asked again only for the machine-parameter set the
    // procedure block and the block initialisation need, which the set-up
    // keeps nowhere. The same type gives the same answer, so its status is
    // not tested a second time.
    MCHTYP(GO_CODE[type], set, pausable, st);
    // No associations are copied (flag 1), so no procedure is named as
    // their source (-1).
    PTBT12(GO_CODE[type], 1, -1, NOGEOM, NOGEOM, NOGEOM, set, st);
    if (st != 0) {
        status = -1;
        return;
    }
    moved = 1;
    if (type == GT_TWOAXIS || type == GT_TURN) {
        if (type == GT_TWOAXIS) {
            TECHST.status[52] = TECHST.status[53] = 2;
            TECHST.requested[52] = 14;
            TECHST.requested[53] = 17;
        }
        TECHST.wflag[1] = TECHST.wflag[100] = 2;
    } else {
        INITMC(set);
        STPV01(feed);
    }
    PRMSTS(st);
    RSTMOV();
}

// The tool figure follows the display mode.
void tool_figure()
{
    i32 shown = 0;
    tm_inst_id(1, shown);
    // Without a current tool there is no figure to draw: the motion goes
    // out all the same.
    if (shown <= 0 && DSPMOD < 2 && CURTOL > 0) {
        i32 figure = -1;
        DISPT1(CURTOL, MOVST.point, MOVST.axis, figure);
        if (figure >= 0) tm_inst_id(2, figure);
    } else if (shown > 0 && DSPMOD >= 2) {
        tm_inst_delete();
    }
}

}  // namespace

void GOMOVE(const i32& type, const i32& intp, const i32& kind, const i32& axis_mode, const i32& zmode,
            const f32* plane, i32& moved, f32* target, const f32* delta, f32* axis, i32& status)
{
    status = 0;
    const i32 feed = GOST.speed == 1 ? 1 : 4;
    const i32 code53 = PRM9[PRM9_P53] != 2 ? 17 : 16;
    if (intp != 0 && moved == 0) {
        open_procedure(type, feed, moved, status);
        if (status < 0) return;
    }
    tool_figure();
    MOTMOD = 2;
    // The wire type keeps the technology parameter 1 its first motion set.
    if (type == GT_TWOAXIS) STPV53(code53);
    else if (type != GT_WIRE) STPV01(feed);
    const f32* cur = MOVST.point;
    i32 st = 0;
    switch (kind) {
    case GO_POINT:
    case GO_AXIS:
        if (zmode == Z_SAME) target[2] = cur[2];
        if (zmode == Z_ONLY) target[0] = cur[0], target[1] = cur[1];
        if (zmode == Z_PLANE) {
            PLNZ(target, plane);
            axis[0] = axis[1] = 0.0f;
            axis[2] = 1.0f;
        }
        break;
    case GO_DELTA:
        for (int k = 0; k < 3; ++k) target[k] = cur[k] + delta[k];
        break;
    case GO_HOME: {
        f32 home[3], leg[3] = {cur[0], cur[1], cur[2]};
        for (int k = 0; k < 3; ++k) home[k] = wrd2r(NPT1[NPT1_HOME + k]);
        if (type == GT_TURN) {
            const bool reversed = GOST.turn_side == 2;
            if ((!reversed && cur[1] < home[1]) || (reversed && home[1] < cur[1])) leg[1] = home[1];
            else leg[0] = home[0];
        } else if (home[2] <= cur[2]) {
            leg[0] = home[0], leg[1] = home[1];
        } else {
            leg[2] = home[2];
        }
        MOVLIN(axis_mode, leg, axis, st);
        if (st < 0) {
            status = -1;
            return;
        }
        for (int k = 0; k < 3; ++k) target[k] = home[k];
        break;
    }
    case GO_CLEAR:
        target[0] = cur[0], target[1] = cur[1], target[2] = wrd2r(HEI8[HEI8_CLEARANCE]);
        break;
    case GO_ZPLANE:
        target[0] = cur[0], target[1] = cur[1], target[2] = wrd2r(HEI8[HEI8_ZPLANE]);
        break;
    default: break;
    }
    if (type == GT_TWOAXIS) target[2] = cur[2];
    if (type == GT_TURN) target[2] = wrd2r(NPT1[NPT1_ORIGIN + 2]);
    MOVLIN(axis_mode, target, axis, st);
    status = st < 0 ? -1 : 0;
}

namespace {

void host_text(const i32 number, std::string& out)
{
    char text[161] = {0};
    msg_get(320, number, text, 160);
    out.assign(text, strnlen(text, 160));
}

// A point indicated after the host prompt 320/number: status as getpt's.
void point_after(const i32 number, f32* p, i32& status)
{
    std::string text;
    host_text(number, text);
    prmptc(text.c_str());
    getpt(1, p, status);
}

f64 dot3(const f32* a, const f32* b)
{
    return static_cast<f64>(a[0]) * b[0] + static_cast<f64>(a[1]) * b[1] + static_cast<f64>(a[2]) * b[2];
}

bool unit3(f32* v)
{
    const f64 len = std::sqrt(dot3(v, v));
    if (len < 1e-9) return false;
    for (int k = 0; k < 3; ++k) v[k] = static_cast<f32>(v[k] / len);
    return true;
}

// The entity of the last pick (0 when the pick stack is empty).
i32 picked()
{
    i32 n = 0, id = 0, st = 0;
    f32 u = 0, v = 0;
    sllen(n);
    if (n > 0) slgtuv(n, id, u, v, st);
    return n > 0 && st == 0 ? id : 0;
}

// Rejects the picks made since the pick stack held count entries.
void reject_picks(const i32 count)
{
    i32 n = 0;
    sllen(n);
    for (; n > count; --n) slrjct();
}

// A plane of model coordinates taken to world: the normal turns with the
// model's axes, and d follows the plane's point nearest the model origin
// (so a moved model moves the plane, not only a turned one).
void plane_to_world(f32* plane)
{
    const f64 n[3] = {plane[0], plane[1], plane[2]};
    const f64 nn = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
    if (!(nn > 0.0)) return;
    const f64 zero[3] = {0, 0, 0}, foot[3] = {-plane[3] * n[0] / nn, -plane[3] * n[1] / nn, -plane[3] * n[2] / nn};
    f64 o[3], tip[3], p[3];
    madm2w(zero, o);
    madm2w(n, tip);
    madm2w(foot, p);
    f64 d = 0.0;
    for (int k = 0; k < 3; ++k) {
        plane[k] = static_cast<f32>(tip[k] - o[k]);
        d -= (tip[k] - o[k]) * p[k];
    }
    plane[3] = static_cast<f32>(d);
}

// The plane of a picked plane entity: its normal, d the negated offset
// (model coordinates). Status 0, -1 for another entity.
void entity_plane(const i32 id, f32* plane, i32& status)
{
    i32 cls = 0, type = 0, len = 0;
    eopen(id, cls, type, len, status);
    if (status != 0) return;
    f32 n[3] = {0, 0, 0}, value = 0;
    const bool plane_entity = cls == 5 && type == 1 && len >= 4;
    if (plane_entity) egetr(3, n);
    eclose();
    status = -1;
    if (!plane_entity) return;
    DBRVAL(1, id, value, status);
    if (status != 0 || !(dot3(n, n) > 0)) {
        status = -1;
        return;
    }
    for (int k = 0; k < 3; ++k) plane[k] = n[k];
    plane[3] = -value;
}

// Way 1: a plane entity picked, or two lines, one after the other, and the
// plane through them; either taken to world. A pick that gives no plane is
// reported and picked again; an escape at the second line picks afresh.
void plane_by_entity(f32* plane, i32& status)
{
    while (true) {
        prmptc("PICK PLANE OR LINE");
        pick(status);
        if (status != 0) return;
        const i32 first = picked();
        i32 cls = 0, type = 0, len = 0, st = 0;
        eopen(first, cls, type, len, st);
        if (st == 0) eclose();
        f32 work[4] = {0, 0, 0, 0};
        if (st == 0 && cls == 2 && type == 1) {
            prmptc("PICK SECOND LINE");
            pick(status);
            if (status == -2) continue;
            if (status != 0) return;
            plan2l(first, picked(), work, st);
        } else {
            entity_plane(first, work, st);
        }
        if (st == 0) {
            plane_to_world(work);
            for (int k = 0; k < 4; ++k) plane[k] = work[k];
            return;
        }
        msg_mdls(320, 110);
    }
}

// Way 2: the normal from two points, the plane through a third.
void plane_by_normal(f32* plane, i32& status)
{
    f32 a[3], b[3], c[3], n[3];
    while (true) {
        point_after(120, a, status);
        if (status == 0) point_after(130, b, status);
        if (status != 0) return;
        for (int k = 0; k < 3; ++k) n[k] = b[k] - a[k];
        if (unit3(n)) break;
        // Shown as a message rather than as the prompt: the first point is
        // asked again at once under its own prompt, which would take the
        // prompt line before the user could read why.
        msg_mdls(320, 150);
    }
    i32 answer = 2;
    while (answer != 1) {
        point_after(140, c, status);
        if (status != 0) return;
        msg_quest(320, 160, answer);
        if (answer < 0) {
            status = answer;
            return;
        }
    }
    const f32 d = static_cast<f32>(-dot3(n, c));
    const f32 sign = d > 1e-9f ? -1.0f : 1.0f;
    for (int k = 0; k < 3; ++k) plane[k] = sign * n[k];
    plane[3] = sign * d;
}

// Way 3: three points on the plane (the third may be left out).
void plane_by_points(f32* plane, i32& status)
{
    f32 p[3][3], n[3];
    while (true) {
        point_after(170, p[0], status);
        if (status == 0) point_after(180, p[1], status);
        if (status != 0) return;
        point_after(190, p[2], status);
        // The third point is "not given" when the user ends the point input
        // (the host's end answer -3); an exit or escape leaves the definition.
        const f32 u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
        f32 v[3] = {-u[1], u[0], 0};
        if (status == 0) {
            for (int k = 0; k < 3; ++k) v[k] = p[2][k] - p[0][k];
        } else if (status != -3) {
            return;
        }
        status = 0;
        n[0] = u[1] * v[2] - u[2] * v[1];
        n[1] = u[2] * v[0] - u[0] * v[2];
        n[2] = u[0] * v[1] - u[1] * v[0];
        if (unit3(n)) break;
        msg_mdls(320, 150);
    }
    for (int k = 0; k < 3; ++k) plane[k] = n[k];
    plane[3] = static_cast<f32>(-dot3(n, p[0]));
}

// Way 4: the four coefficients typed, scaled to a unit normal.
void plane_by_coefficients(f32* plane, i32& status)
{
    while (true) {
        msg_prompt(320, 200);
        f32 c[4] = {plane[0], plane[1], plane[2], plane[3]};
        const char* labels[4] = {"A", "B", "C", "D"};
        for (int k = 0; k < 4; ++k) {
            prmreal(labels[k], c[k], status);
            if (status != 0) return;
            // A value out of range is asked again, and the user told why.
            if (c[k] < -LIMIT || c[k] > LIMIT) {
                usrerr("VALUE OUT OF RANGE");
                --k;
            }
        }
        const f64 len = std::sqrt(dot3(c, c));
        if (len > 1e-9) {
            for (int k = 0; k < 4; ++k) plane[k] = static_cast<f32>(c[k] / len);
            return;
        }
        msg_prompt(320, 210);
    }
}

// Way 5: a horizontal plane at an indicated or typed height.
void plane_by_level(f32* plane, i32& status)
{
    std::string options;
    host_text(230, options);
    i32 choice = 0;
    menuc(options.c_str(), choice);
    if (choice < 1) {
        // A menu left without a choice gives no level: the definition ends
        // as an escape, so that the caller does not take a plane unchanged
        // for a new one.
        status = choice < 0 ? choice : -2;
        return;
    }
    f32 z = 0;
    if (choice == 1) {
        f32 p[3];
        point_after(140, p, status);
        if (status != 0) return;
        z = p[2];
    } else {
        f32 value = 0;
        do {
            prmreal("Z", value, status);
            if (status != 0) return;
        } while (value < -1.0e6f || value > 1.0e6f);
        z = wrd2r(NPT1[NPT1_ORIGIN + 2]) + value;
    }
    plane[0] = plane[1] = 0.0f;
    plane[2] = 1.0f;
    plane[3] = -z;
}

// The definition of PLNDEF, the picks it makes left on the pick stack.
void plane_way(const char* title, i32& way, f32* plane, i32& status)
{
    // Reading: the title (cut to 25 characters by PLNMNU) would head the
    // host's own menu of ways. This host's menu call (menuc) takes no title
    // and the numbered menu texts carry their own head, and no step of the
    // definition shows the title elsewhere, so it is handed down and not
    // shown: printing it as a message of its own would add a line the
    // definition never asks for.
    (void)title;
    status = 0;
    GoState& g = GOST;
    if (way < 1 || way > 7) {
        std::string options;
        host_text(g.plane_defined == -1 ? 70 : g.plane_defined == -2 ? 80 : 90, options);
        i32 choice = 0;
        menuc(options.c_str(), choice);
        if (choice < 0) {
            status = choice;
            return;
        }
        way = choice;
    }
    f32 work[4] = {plane[0], plane[1], plane[2], plane[3]};
    switch (way) {
    case 2: plane_by_normal(work, status); break;
    case 3: plane_by_points(work, status); break;
    case 4: plane_by_coefficients(work, status); break;
    case 5: plane_by_level(work, status); break;
    case 6:
    case 7:
        // The plane and its normal count as stored only once a plane was
        // defined since this GO menu was set up (its set-up makes the
        // plane-defined word -1 again): a plane kept from an earlier menu,
        // perhaps on another machine, is not offered as this one's.
        if (g.plane_defined != 0) {
            // Nothing stored to take: after the message the definition ends
            // as a leave (-1), and the GO menu keeps the point's own Z.
            msg_mdls(320, 220);
            status = -1;
            break;
        }
        if (way == 7) {
            f32 p[3];
            point_after(140, p, status);
            if (status != 0) break;
            for (int k = 0; k < 3; ++k) work[k] = g.stored_normal[k];
            work[3] = static_cast<f32>(-dot3(work, p));
        } else {
            for (int k = 0; k < 4; ++k) work[k] = g.plane[k];
        }
        break;
    default: plane_by_entity(work, status); break;
    }
    if (status != 0) return;
    for (int k = 0; k < 4; ++k) plane[k] = work[k];
}

}  // namespace

void PLNDEF(const char* title, i32& way, f32* plane, i32& status)
{
    i32 picks = 0;
    sllen(picks);
    plane_way(title, way, plane, status);
    reject_picks(picks);
}

void PLNMNU(const char* title, i32& way, f32* plane, i32& status)
{
    char cut[26] = {0};
    std::strncpy(cut, title, 25);
    PLNDEF(cut, way, plane, status);
}

namespace {

// Set-up of the GO menu; false when the machining type does not fit (status
// MCHTYP's, which reported it).
bool go_setup(const i32 type, i32& status)
{
    GoState& g = GOST;
    g.axis_mode = type == GT_MULTI || type == GT_WIRE ? 3 : 1;
    MOTKND = type == GT_MULTI || type == GT_WIRE ? 5 : 3;
    g.speed = 2;
    g.plane_defined = -1;
    // The kind kept from another GO menu may have no place in this type's
    // toggle (which would show no option then): it starts at the point.
    if (type == GT_TWOAXIS && g.kind > GO_DELTA) g.kind = GO_POINT;
    if (type == GT_TURN && g.kind > GO_HOME) g.kind = GO_POINT;
    if ((type == GT_MILL || type == GT_TURN) && g.kind == GO_AXIS) g.kind = GO_POINT;
    kind_flags(type);
    i32 set = 0, pausable = 0;
    MCHTYP(GO_CODE[type], set, pausable, status);
    if (status < 0) return false;
    i32 st = 0;
    if (type == GT_MILL || type == GT_MULTI || type == GT_TURN) SETMOD(1, 0, -1.0f);
    reset_geom_slots(st);
    // The menu's interaction, started once here and switched off when the
    // menu ends; a host that will not start it ends the menu with its status.
    i32 current = 0;
    MNUINT(0, GO_MENU_NUMBER, current, status);
    if (status < 0) return false;
    status = 0;
    return true;
}

// The part plane asked for by "DEFINE PART PLANE"; again while it is vertical.
void define_plane()
{
    GoState& g = GOST;
    while (true) {
        i32 way = 0, st = 0;
        f32 plane[4] = {g.plane[0], g.plane[1], g.plane[2], g.plane[3]};
        PLNMNU(" DEFINE PART PLANE:", way, plane, st);
        if (st < 0) {
            g.zmode = Z_ONLY;
            if (g.kind == GO_AXIS) g.two_point = 1;
            return;
        }
        // Refused by the same test PLNZ makes: a plane it would refuse at
        // every motion would leave the tool at the indicated z.
        if (parallel_to_z(plane)) {
            usrerr("PART PLANE CANNOT BE PARALLEL TO Z.AXIS!");
            continue;
        }
        for (int k = 0; k < 4; ++k) g.plane[k] = plane[k];
        for (int k = 0; k < 3; ++k) g.stored_normal[k] = plane[k];
        g.plane_defined = 0;
        if (g.kind == GO_AXIS) g.two_point = 0;
        return;
    }
}

// A reply that changes the menu's state.
void menu_reply(const i32 type, const i32 reply, const i32 moved, GoMenuRows& m, const i32* toolflags,
                const i32* display, const i32* options)
{
    GoState& g = GOST;
    i32 st = 0;
    switch (reply) {
    case R_COMMENT:
        if (moved == 0) TXTEDT(st);
        else usrerr("IN GO POINT, THE COMMENT MAY BE ENTERED ONLY BEFORE THE FIRST MOVEMENT");
        return;
    case R_PARAMS: {
        // The tool menu gets a print-mode cell of its own and caller kind 0:
        // the procedure's host-kept word would run it in print mode, shown
        // and left at once with nothing stored, whenever the procedure is
        // kept by the host.
        i32 cell = 0;
        TOLMNU(cell, toolflags, 0, st);
        return;
    }
    case R_SERVICE: {
        i32 inserted = 0;
        DSPOPT(0, options, display, inserted, st);
        return;
    }
    case R_KIND: {
        const i32 kind = type == GT_WIRE && m.kind == 4 ? GO_AXIS : m.kind;
        if (kind == g.kind) return;
        g.kind = kind;
        kind_flags(type);
        return;
    }
    case R_FIRST:
        if (g.kind == GO_ZPLANE) {
            HEI8[HEI8_ZPLANE] = r2wrd(m.zplane);
            return;
        }
        if ((g.kind != GO_POINT && g.kind != GO_AXIS) || m.zmode == g.zmode) return;
        g.zmode = m.zmode;
        // Z ON PLANE keeps the axis point asked until a part plane is
        // defined (the plane reply clears it).
        if (g.kind == GO_AXIS && g.zmode != Z_PLANE) g.two_point = 1;
        return;
    case R_SECOND:
        if (g.zmode != Z_PLANE || g.kind == GO_DELTA || g.kind == GO_ZPLANE) return;
        g.plane_choice = m.plane;
        if (m.plane == 2) define_plane();
        return;
    case R_SPEED:
        if (type == GT_WIRE) {
            g.wire = m.speed;
            return;
        }
        if (m.speed == g.speed) return;
        g.speed = m.speed;
        SETMOD(1, 0, g.speed == 1 ? wrd2r(PRM9[PRM9_FEED]) : -1.0f);
        return;
    default: return;
    }
}

}  // namespace

void GOMENU(const i32& type, const i32& intp, const i32* toolflags, const i32* display, const i32* options,
            i32& moved, i32& changed, i32& status)
{
    GoState& g = GOST;
    moved = changed = 0;
    status = 0;
    i32 picks = 0;
    sllen(picks);
    // A type outside the five families is taken as milling: the procedure
    // code and the toggle are then the milling ones, never read past.
    const i32 t = type >= GT_MILL && type <= GT_WIRE ? type : GT_MILL;
    // The host fills the module's item-descriptor table when nobody has;
    // then this call releases it again, also when the menu cannot start.
    const bool filled = nu_modl_get_did_init() == 0;
    if (filled) nu_modl_init(PARDSC1, PARDSC2);
    if (!go_setup(t, status)) {
        if (filled) nu_modl_rels(PARDSC1, PARDSC2);
        return;
    }
    GoMenuRows m;
    while (true) {
        // The rows are laid out again before every wait: the host reads the
        // replies from the menu shown last.
        build_rows(t, intp, moved, m);
        i32 reply = 0;
        f32 point[3] = {0, 0, 0}, axis[3] = {0, 0, 1};
        if (g.pick != 0) {
            // The wire type's fourth option is kind 4 of its toggle, kept as
            // kind 6: its points are read as kind 4's, a base and a top
            // point through which the wire stands (axis mode 3, the top and
            // base refusal). Kind 6's texts speak of a tool axis, and
            // kind 4's prompts have no other kind that reaches them.
            const i32 asked = t == GT_WIRE && g.kind == GO_AXIS ? GO_CLEAR : g.kind;
            GOPICK(g.two_point, asked, g.axis_mode, point, axis, reply);
        } else {
            modif1(reply);
            for (int k = 0; k < 3; ++k) axis[k] = g.axis_mode == 1 ? (k == 2 ? 1.0f : 0.0f) : MOVST.axis[k];
        }
        if (reply == -3) continue;
        if (reply < 0) break;
        if (reply == 0) {
            i32 st = 0;
            // The Z mode has its item only for milling: another type goes
            // free whatever mode a milling GO menu left, so that no plane or
            // kept height or position it cannot show moves its tool.
            const i32 zmode = t == GT_MILL || t == GT_MULTI ? g.zmode : Z_FREE;
            GOMOVE(t, intp, g.kind, g.axis_mode, zmode, g.plane, moved, point, g.delta, axis, st);
            // The display block is written out whether the motion went or
            // not: a failed motion may already have written part of itself
            // (GO HOME's first leg), which the display must show.
            ncd_flush_blocks();
            if (st < 0) {
                status = -3;
                break;
            }
            changed = 1;
            continue;
        }
        menu_reply(t, reply, moved, m, toolflags, display, options);
    }
    reject_picks(picks);
    i32 st = 0;
    if (intp != 0) {
        char blank[9] = "        ";
        MUTTXT(1, blank, -1);
    }
    MNUMOD(0, st);
    if (filled) nu_modl_rels(PARDSC1, PARDSC2);
}
