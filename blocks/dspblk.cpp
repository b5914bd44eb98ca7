#include "blocks/dspblk.h"

#include <cmath>
#include <cstring>

#include "blocks/copy.h"
#include "blocks/dipblk.h"
#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/modal.h"
#include "blocks/procblk.h"
#include "blocks/readers.h"
#include "blocks/regdsp.h"
#include "blocks/stfield.h"
#include "blocks/writers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/names.h"
#include "core/records.h"
#include "tools/toolcache.h"

DispatchState DSPKPT = {-1, 0.0f, 0, 0.0f, 0};
ProcVisibility DSPVIS = nullptr;
const i32* DSPVTB = nullptr;

namespace {
// The current list's transformation: p -> M p + t.
struct ListXf {
    f32 m[9], t[3];
    void point(f32* p) const { TRMPTV(p, nullptr, m, t); }
    void vector(f32* v) const { TRMPTV(v, nullptr, m, ZERO3); }
    static constexpr f32 ZERO3[3] = {0, 0, 0};
};

ListXf list_xf()
{
    ListXf x{};
    lgtrns(x.m, x.t);
    return x;
}

i32 machine() { return NPT1[NPT1_MACHINE]; }

void skip(const i32& access, const i32& size, i32& st)
{
    if (size > 1) TPSKIP(rdmode(access), size - 1, DT_INT, st);
    if (st > 0) st = 0;
}
}  // namespace

namespace {

// One block's display: how it is read and shown, and what it reports back.
struct Show {
    i32 source, access;  // where the block comes from, and the medium it is read from
    i32 dm, disp;        // display mode, and the mode handed to the block's display
    i32 size;            // the block's length in words
    i32 showtool;        // the tool is shown at the block's position
    ListXf x;            // the current list's transformation
    i32 number = 0;      // the block's number, as read
    bool procedure_elsewhere = false;  // a procedure block whose procedure is shown elsewhere
};

// The header, parameter, move and arc blocks and the rest of types 0 to 8 (and their
// variants); false when the type is not one of them.
bool show_moves(Show& c, i32 type, i32& st)
{
    switch (type) {
    case BT_HEADER: {
        i32 header[HDR_WORDS];
        RDBT0(c.access, c.size, c.number, header, st);
        if (st < 0) return true;
        if (c.source != 9) {
            f32 home[3] = {wrd2r(header[6]), wrd2r(header[7]), wrd2r(header[8])};
            ncd_open_registered_tool_path(home);
            if (ncs_table_initialized() == 0 && c.access != 1) {
                ncs_table_init();
                ncs_table_set_table_id(header[24]);
                i32 rst = 0;
                ncs_table_read_table(rst);
            }
        }
        DIPBT0(c.source, c.disp, c.number, header, st);
        if (st < 0) return true;
        ncd_update_current_vptr(header[19]);
        break;
    }
    case BT_TECH: {
        i32 param = 0, kind = 0, iv = 0;
        f32 rv = 0;
        RDBT1(c.access, c.number, param, kind, iv, rv, st);
        if (st < 0) return true;
        TRMSWP(param, iv, c.x.m);
        if (c.source == 3) c.showtool = 1;
        DIPBT1(c.source, c.dm, c.number, param, iv, rv, machine(), c.showtool, st);
        break;
    }
    case BT_LINE: case BT_LINE5: case BT_LINEN: case BT_STRING: case BT_STRING5: case BT_STRINGN: {
        i32 records = 1;
        for (i32 r = 0; r < records; ++r) {
            if (r > 0) {
                std::memcpy(DSP8 + DSP8_PREV, DSP8 + DSP8_POS, 6 * sizeof(i32));
                std::memcpy(LSP2, DSP8, 9 * sizeof(i32));
            }
            f32 p[3], v[3];
            RDBT2(c.access, type, c.size, records, c.number, p, v, st);
            if (st < 0) return true;
            c.x.point(p);
            c.x.vector(v);
            DIPBT2(c.source, c.disp, type, c.number, p, v, machine(), c.showtool, st);
            if (st < 0) return true;
        }
        break;
    }
    case BT_ARC: case BT_ARC5: case BT_ARCN: {
        i32 plane = 0;
        f32 angle = 0, step = 0, centre[2], end[3], v[3];
        RDBT3(c.access, type, c.number, plane, angle, step, centre, end, v, st);
        if (st < 0) return true;
        TRMARC(plane, angle, centre, end, v, c.x.m, c.x.t);
        DIPBT3(c.source, c.disp, type, c.number, plane, angle, step, centre, end, v, machine(), c.showtool, st);
        break;
    }
    case BT_TEXT:
    case BT_MARKER:
        skip(c.access, c.size, st);
        break;
    case BT_NURBS:
        DIPBT5(c.source, c.disp, c.size, c.x.m, c.x.t, c.showtool, st);
        break;
    case BT_HOME: {
        f32 home[3], second[3];
        RDBT6(c.access, c.number, home, second, st);
        if (st < 0) return true;
        if (c.source == 3) c.showtool = 1;
        DIPBT6(c.source, c.disp, c.number, home, c.showtool, st);
        break;
    }
    case BT_OBSOLETE:
        usmsgc("WARNING! OLD DRILL FORMAT NO LONGER EXISTS!");
        skip(c.access, c.size, st);
        break;
    default:
        return false;
    }
    return true;
}

// The blocks of types 9 to 14, the procedure block among them; false when the type is not one
// of them.
bool show_elements(Show& c, i32 type, i32& st)
{
    switch (type) {
    case BT_ROTATION: {
        i32 axes = 0, i2 = 0, view = 0;
        f32 centre[3], angle = 0, r2 = 0, vvalue = 0, p[3];
        RDBT9(c.access, c.number, axes, centre, angle, i2, r2, view, vvalue, p, st);
        if (st < 0) return true;
        if (c.source == 3) c.showtool = 1;
        DIPBT9(c.source, c.disp, c.number, axes, centre, angle, view, vvalue, p, c.showtool, st);
        break;
    }
    case BT_RAXES: {
        i32 i1 = 0, i2 = 0;
        f32 a[3], b[3], r = 0;
        RDBT10(c.access, c.number, i1, a, b, i2, r, st);
        if (st < 0) return true;
        DIPB10(i1, a, b, i2, r);
        break;
    }
    case BT_LDRILL: {
        i32 i1 = 0, i2 = 0;
        f32 r1 = 0, p[3], r2 = 0;
        RDBT11(c.access, c.number, i1, r1, p, i2, r2, st);
        if (st < 0) return true;
        c.x.point(p);
        DIPB11(c.source, c.disp, c.number, r1, c.showtool, st);
        break;
    }
    case BT_PROC: {
        i32 remaining = 0;
        RDBT12(c.access, remaining, c.number, st);
        if (st < 0) return true;
        const i32 blank = st;
        DIPB12(c.access, c.disp, c.number, blank, st);
        c.procedure_elsewhere = st == 1;
        break;
    }
    case BT_THREAD: {
        i32 total = 0, current = 0;
        f32 a[3], b[3];
        RDBT13(c.access, c.number, a, b, total, current, st);
        if (st < 0) return true;
        c.x.point(a);
        c.x.point(b);
        DIPB13(c.source, c.disp, c.number, b, st);
        break;
    }
    case BT_GROOVE: {
        i32 gtype = 0;
        f32 a[3], b[3], six[6];
        RDBT14(c.access, c.number, gtype, a, b, six, st);
        if (st < 0) return true;
        c.x.point(a);
        c.x.point(b);
        DIPB14(c.source, c.disp, c.number, a, b, six, machine(), c.showtool, st);
        break;
    }
    default:
        return false;
    }
    return true;
}

// The cycle blocks (types 30 to 36) and type 40; false when the type is not one of them.
bool show_cycles(Show& c, i32 type, i32& st)
{
    switch (type) {
    case BT_CYCLE:
    case BT_CYCLEOFF: {
        i32 code = 0, flag = 0, retract = 0;
        f32 r1 = 0, r2 = 0, r3 = 0, r4 = 0;
        if (type == BT_CYCLE)
            RDBT30(c.access, c.number, code, flag, r1, r2, r3, retract, r4, st);
        else
            RDBT35(c.access, c.number, code, flag, r1, r2, r3, retract, r4, st);
        if (st < 0) return true;
        if (type == BT_CYCLE && flag == 0) r1 = 0.0f;
        DSPKPT.cyfirst = r1;
        DSPKPT.cyflag = flag;
        DSPKPT.cylast = r4;
        if (type == BT_CYCLE)
            DIPB30(code, r1, r2, r3, retract, r4);
        else
            DIPB35();
        break;
    }
    case BT_DRILLPT: {
        i32 i1 = 0;
        f32 p[3], d[3];
        RDBT31(c.access, c.size, c.number, p, d, i1, st);
        if (st < 0) return true;
        if (DSPKPT.cyflag == 0 && DSPKPT.lasttype == BT_CYCLE) {
            // The cycle's last real is its retract height, which the cycle
            // state holds as the retract and the running height: lowered,
            // both follow, or the drill moves would not see it.
            DSPKPT.cylast -= p[2];
            CYCST.height = CYCST.running = DSPKPT.cylast;
        }
        c.x.point(p);
        c.x.vector(d);
        DIPB31(c.source, c.disp, c.number, p, d, machine(), c.showtool, st);
        break;
    }
    case BT_SETTING: {
        f32 a = 0, b = 0;
        RDBT32(c.access, c.number, a, b, st);
        if (st < 0) return true;
        a += c.x.t[2];
        DIPB32(a);
        break;
    }
    case BT_DELZ: {
        f32 a = 0, b = 0;
        RDBT33(c.access, c.size, c.number, a, b, st);
        if (st < 0) return true;
        DSPKPT.cyfirst = a - b;
        DIPB33(DSPKPT.cyfirst);
        break;
    }
    case BT_RETMODE: {
        i32 a = 0, b = 0;
        RDBT34(c.access, c.number, a, b, st);
        if (st < 0) return true;
        DIPB34(a);
        break;
    }
    case BT_DEPTH: {
        f32 a = 0, b = 0;
        RDBT36(c.access, c.number, a, b, st);
        if (st < 0) return true;
        DIPB36(a);
        break;
    }
    case BT_TRANSFORM: {
        f32 m[9], t[3];
        RDBT40(c.access, c.number, m, t, st);
        if (st < 0) return true;
        DIPB40(m, t);
        break;
    }
    default:
        return false;
    }
    return true;
}

}  // namespace

void DSPBLK(const i32& mode, const i32& source, i32& type, i32& hit, i32& status)
{
    hit = 0;
    status = -1;
    Show c;
    c.source = source;
    c.dm = mode > 10 ? mode - 10 : mode;
    c.access = source >= 8 ? source - 7 : source;
    c.showtool = TLER[TLER_MODE] == TLER_TRACE && (source == 2 || source == 3) ? 1 : 0;
    c.disp = c.dm == 3 ? 2 : c.dm;

    i32 cls = 0, st = 0;
    c.size = 0;
    TPBLKH(c.access, c.size, type, cls, st);
    if (st < 0) return;
    c.x = list_xf();
    if (!show_moves(c, type, st) && !show_elements(c, type, st) && !show_cycles(c, type, st)) {
        erou1c("DSPBLK - UNEXPECTED BLOCK TYPE", type);
        return;
    }
    if (st < 0) return;
    status = c.procedure_elsewhere ? 3 : 0;
    DSPKPT.lasttype = type;
    rdrint_int();
    if (cls == BC_MOVE) {
        if (c.dm == 1) SPCHIT(hit);
        if (source == 3 && mode < 10) MUTBLN(1, c.number);
    }
}

void DSPINI(const i32& mode)
{
    DSPST.blank = 1;
    DSPST.moveto = 1;
    DSPST.fastblank = 1;
    DSPST.font = DSP8[DSP8_FONT];
    DSPST.colour = DSP8[DSP8_COLOUR];
    DSPST.pen = DSP8[DSP8_PEN];
    DSPST.keep = mode != 3 ? 1 : 0;
}

void DSPPRC(const i32& source, const i32& mode, const i32& index, i32& status)
{
    status = 0;
    ++DSPKPT.subprocs;
    const i32 src = source < 8 ? 1 : 8;
    i32 dm = mode;
    if (dm == 4) {
        if (BLKDSW == 0) return;
        static bool positioned = false;
        if (!positioned) {
            i32 pst = 0;
            ncd_set_block_position(0, 99, pst);
            positioned = true;
        }
        i32 colour = 0, pen = 0, a = 0, b = 0;
        gs_proc_color_pen(1, colour, pen, a, b);
        DSP8[DSP8_COLOUR] = colour;
        DSP8[DSP8_PEN] = pen;
        i32 zero = 0, pst = 0;
        gs_param(2, index, 9, 4, 107, &zero, pst);
        // The sub-procedure counter picks the row. It counts the
        // sub-procedures shown in the module's life and is never reset (a
        // reading: no display names a point where the rows start over), so
        // a row past the table (or a table that was never handed down)
        // reads as not 1 and the blocks are drawn blanked.
        const i32 entry = DSPVIS ? DSPVIS(DSPKPT.subprocs) : 0;
        DSPST.procblank = entry == 1 ? 0 : 1;
        ncd_update_blank_attribute(DSPST.procblank);
        dm = 1;
    }
    // The host answers a procedure's movement entity by its own call and has
    // no call for the movement's block count: the entity comes from that
    // call (none, or the host's -1: nothing shown), and the count from the
    // entity's head below. The procedure record itself is not needed here.
    i32 movement = -1;
    get_set_movmnt_id(1, index, movement);
    if (movement <= 0) return;
    i32 cls = 0, etype = 0, len = 0;
    eopen(movement, cls, etype, len, status);
    if (status != 0) {
        eroutc(" PROBLEMS IN OPENNING ENTITY", 0);
        return;
    }
    // The block count is the movement entity's own count word (its fourth);
    // the walk ends at the first block that cannot be shown, those before
    // it staying shown, as a count above the blocks stored ends it.
    i32 head[5] = {0, 0, 0, 0, 0};
    egeti(5, head);
    const i32 count = head[3];
    if (src >= 8) mrm_set_reallocation_size(7 * count);
    for (i32 k = 0; k < count; ++k) {
        i32 type = 0, hit = 0, st = -1;
        DSPBLK(dm, src, type, hit, st);
        if (st < 0) break;
    }
    eclose();
}

void TOLMOV(const i32& fig, const f32* point, const f32* axis, const i32& mode)
{
    if (machine() == MACH_PUNCHX) {
        const f32 up[3] = {0, 0, 1};
        f32 m[9];
        m3axis(up, wrd2r(DSP8[DSP8_ROTANG]), m);
        for (int k = 0; k < 9; ++k) DSP8[DSP8_FIGMAT + k] = r2wrd(m[k]);
    }
    f32 model[3];
    mapw2m(point, model);
    f32 last[3] = {wrd2r(DSP8[DSP8_FIGAXIS]), wrd2r(DSP8[DSP8_FIGAXIS + 1]), wrd2r(DSP8[DSP8_FIGAXIS + 2])};
    if (eqpt3(axis, last) == 0) {
        const f32 to[3] = {point[0] + 10.0f * axis[0], point[1] + 10.0f * axis[1], point[2] + 10.0f * axis[2]};
        f32 rows[9], t[9];
        i32 st = 0;
        zsys3(point, to, rows, st);
        if (st < 0) {
            eroutc("TOLMOV,ERRORS IN CALCULATING TOOL ORIENTATION MATRIX", 0);
        } else {
            m3tpos(rows, t);
            for (int k = 0; k < 9; ++k) DSP8[DSP8_FIGMAT + k] = r2wrd(t[k]);
        }
    }
    if (fig > 0 && TLER[TLER_MODE] < TLER_HIDE) {
        f32 m[9];
        for (int k = 0; k < 9; ++k) m[k] = wrd2r(DSP8[DSP8_FIGMAT + k]);
        figmvx(fig, m, model, 1.0f, mode);
    }
    for (int k = 0; k < 3; ++k) {
        DSP8[DSP8_FIGPOS + k] = r2wrd(point[k]);
        DSP8[DSP8_FIGAXIS + k] = r2wrd(axis[k]);
    }
}

void MUTOOL(const i32& mode)
{
    if (CURTOL > 0) {
        // Brings the current tool's header into the cache.
        i32 type = -1;
        GTTTYP(CURTOL, type);
    }
    hand_status_state(mode);
    char f[13];
    std::memset(f, ' ', 12);
    f[12] = '\0';
    std::memcpy(f, "T=", 2);
    // The name comes from the tool cache: with no tool in it there is no
    // name to show, and the label stands alone as for tool number 0.
    if (mode != 1 && DSM4[DSM4_TOOL] > 0 && CURTOL > 0) {
        char name[21];
        GTTNAM(CURTOL, name, 20);
        std::memcpy(f + 2, name, 10);
    }
    bmshow(mode == 1 ? 1 : 2, 1, FLD_TOOL, f, mode == 4 ? 0 : 1, 12);
}

void MUALL(const i32& mode)
{
    win_start_paint_on_main_wnd();
    MUTPSW(mode);
    MUFEED(mode);
    MUSPIN(mode);
    MUCOOL(mode);
    MUTOOL(mode);
    MUTPRC(mode);
    MUTTXT(mode, "        ", -1);
    MUTBLN(mode, -1);
    win_end_paint_on_main_wnd();
}
