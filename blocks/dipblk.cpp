#include "blocks/dipblk.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "blocks/dspblk.h"
#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/modal.h"
#include "blocks/readers.h"
#include "blocks/regdsp.h"
#include "blocks/stfield.h"
#include "core/host.h"
#include "core/records.h"
#include "tools/toolcache.h"
#include "tools/tooldsp.h"

CycleState CYCST = {0, 0, 0, 0, 0, 0, 0, 0};
UcsReader DSPUCS = nullptr;

namespace {
constexpr i32 RECORDING = 8;
const f32 ZUP[3] = {0, 0, 1};

void get3(const i32* words, f32* v)
{
    for (int k = 0; k < 3; ++k) v[k] = wrd2r(words[k]);
}
void put3(i32* words, const f32* v)
{
    for (int k = 0; k < 3; ++k) words[k] = r2wrd(v[k]);
}

void set_position(const f32* p) { put3(DSP8 + DSP8_POS, p); }

// The tool figure shown again at the current position.
void redraw_tool()
{
    tm_inst_delete();
    f32 p[3];
    get3(DSP8 + DSP8_POS, p);
    i32 fig = -1;
    DISPT0(CURTOL, p, fig);
    if (fig >= 0) tm_inst_id(2, fig);
}

void hide_symbols() { edsym(0, 0); }
void show_symbols()
{
    edsym(2, 1);
    edsym(3, 1);
}

// The height words of "HEI8" that follow home Z.
void home_heights(f32 z)
{
    HEI8[HEI8_CLEARANCE] = r2wrd(z);
    HEI8[HEI8_PLANE2] = r2wrd(z);
    HEI8[HEI8_ZPLANE] = r2wrd(z);
}

void view_words(i32 view, f32 depth, const f32* matrix)
{
    wvputc("WVPTR", static_cast<f32>(view));
    wvputc("DEPTH", depth);
    setwv(view);
    wvsave();
    i32 words[9], st = 0;
    for (int k = 0; k < 9; ++k) words[k] = r2wrd(matrix[k]);
    mdputn("STVW", RK_WORDS, 9, words, st);
}

// The plane's two axes (0 x, 1 y, 2 z).
void plane_axes(i32 plane, int& u, int& v)
{
    u = plane == 3 ? 1 : 0;
    v = plane == 1 ? 1 : 2;
}
}  // namespace

f32 figstp()
{
    f32 size = 0;
    GTTSIZ(CURTOL, size);
    return size * 0.5f;
}

void DIPBT0(const i32& source, const i32& mode, const i32& number, const i32* header, i32& status)
{
    status = 0;
    DSPBEG(source, mode, number);
    if (mode == 0) return;
    const i32 eff = source == 8 || source == 9 ? source - 7 : source == 10 ? 1 : source;
    if (eff != 1) hide_symbols();
    if (eff != 3) std::memcpy(NPT1, header, 22 * sizeof(i32));
    if (eff == 1) {
        i32 state[2];
        eginfo(state);
        setuap(header[NPT1_VIEW], wrd2r(header[NPT1_VIEWPAR]));
        i32 st = 0;
        esinfo(state, st);
    }
    PRM9[PRM9_UCS] = header[NPT1_UCS];
    SETMOD(55, header[NPT1_UCS], 0.0f);
    f32 home[3];
    get3(header + NPT1_HOME, home);
    set_position(home);
    setdsp(header[NPT1_VIEW]);
    if (eff != 3 && source != 10) {
        f32 m[9];
        for (int k = 0; k < 9; ++k) m[k] = wrd2r(header[NPT1_FRAME + k]);
        view_words(header[NPT1_VIEW], wrd2r(header[NPT1_VIEWPAR]), m);
    }
    if (eff != 1) {
        COORUP();
        show_symbols();
    }
    BLSK[1] = BLSK[2] = 0;
    DSPINI(source == 10 ? 1 : eff);
    DSPBEG(source, mode, number);
    DSPMOV(source, mode, number, status);
    // A move to home that the display or the recording refuses stops the
    // header there, as it stops every displayer: the display goes no further
    // than the last move it could show or record.
    if (status < 0) return;
    // A recording that refuses the machine type still fails the header, as
    // a refused move fails its block; the display state below is completed
    // all the same, so that the blocks after the header start from it.
    bool refused = false;
    if (source == 8 || source == 9) {
        char name[9];
        movi2t(header, 8, name);
        name[8] = '\0';
        refused = mrm_tptype(header[NPT1_MACHINE], name) < 0;
    }
    put3(DSP8 + DSP8_AXIS, ZUP);
    put3(DSP8 + DSP8_NORMAL, ZUP);
    std::memcpy(DSP8 + DSP8_PREV, DSP8 + DSP8_POS, 6 * sizeof(i32));
    std::memcpy(LSP2, DSP8, 9 * sizeof(i32));
    LSP2[LSP2_MOVED] = 1;
    std::memcpy(DSP8 + DSP8_FIGPOS, DSP8 + DSP8_POS, 6 * sizeof(i32));
    std::memcpy(DSP8 + DSP8_FIGMAT, header + NPT1_FRAME, 9 * sizeof(i32));
    DSPATT(source, mode, 4, DSPST.colour, DSPST.pen);
    if (refused) status = -1;
}

namespace {
// The technology displayer's change of coordinate system (code 55).
void ucs_change(const i32& source, const i32& eff, i32& status)
{
    const i32 ucs = DSP8[DSP8_UCS];
    i32 state[2] = {0, 0};
    if (eff == 1) {
        // The tool path entity is closed while the coordinate system's own
        // entity is read, its place kept to open it there again; a block
        // read from the entity with no entity open cannot be taken further.
        eginfo(state);
        if (state[0] == 0) {
            eroutc("DIPBT1,UNABLE TO TEMPORARILY CLOSE THE TP ID", 0);
            status = -1;
            return;
        }
        eclose();
    } else {
        hide_symbols();
    }
    f32 origin[3], m[9];
    i32 st = -1;
    if (DSPUCS) DSPUCS(ucs, origin, m, st);
    auto reopen = [&] {
        if (eff != 1) return true;
        i32 rst = 0;
        esinfo(state, rst);
        if (rst < 0) eroutc("DIPBT1,UNABLE TO REOPEN THE TOOL PATH", 0);
        return rst >= 0;
    };
    // A change that cannot be made leaves the display as it found it: the
    // tool path entity opened again, or the symbols hidden for the change
    // shown again, so a failed block does not leave the screen without them.
    auto give_up = [&](i32 failed) {
        reopen();
        if (eff != 1) show_symbols();
        status = failed;
    };
    if (st < 0) {
        eroutc("DIPBT1,UNABLE TO GET UCS DATA", 0);
        give_up(-1);
        return;
    }
    i32 view = 0;
    trchk(m, view);
    if (view == -3) {
        give_up(-3);
        return;
    }
    f32 t[9];
    m3tpos(m, t);
    for (int k = 0; k < 9; ++k) NPT1[NPT1_FRAME + k] = r2wrd(t[k]);
    NPT1[NPT1_VIEW] = view;
    NPT1[NPT1_UCS] = ucs;
    if (source != 10) view_words(view, wrd2r(NPT1[NPT1_VIEWPAR]), m);
    ncd_update_current_vptr(view);
    // The coordinate system's origin is a model point: the header keeps it
    // in world coordinates, as the rotation block's origin is kept. Where it
    // goes back is read as the header's origin words (3-5), the place of the
    // origin of the machine system the change makes current, which the
    // coordinate update and the rotary-axis display below read.
    mapm2w(origin, origin);
    put3(NPT1 + NPT1_ORIGIN, origin);
    if (!reopen()) {
        status = -1;
        return;
    }
    if (eff != 1) {
        COORUP();
        show_symbols();
        if (NPT1[NPT1_MACHINE] == 31) UPDRAX(origin, t);
    }
}
}  // namespace

void DIPBT1(const i32& source, const i32& mode, const i32& number, const i32& code, const i32& ivalue,
            const f32& rvalue, const i32& machine, const i32& showtool, i32& status)
{
    (void)machine;
    status = 0;
    DSPBEG(source, mode, number);
    if (mode == 0) return;
    SETMOD(code, ivalue, rvalue);
    if (code == 1 || code == 59 || code == 52 || code == 53) {
        i32 font = -1, colour = -1, pen = -1;
        if (code == 1 || code == 59) {
            // The second feed (code 59) is treated as code 1 is: the line
            // attributes follow the modal feed, as the drill moves' do.
            const f32 feed = wrd2r(DSM4[DSM4_FEED]);
            if (feed == -1.0f)
                font = RAPID_FONT, colour = RAPID_COLOUR, pen = RAPID_PEN;
            else if (feed <= -2.0f)
                colour = RAPID_COLOUR;
        } else if (DSM4[DSM4_PUNCH] == 1) {
            font = RAPID_FONT, colour = RAPID_COLOUR, pen = RAPID_PEN;
        } else if (DSM4[DSM4_NIBBLE] == 2 && DSM4[DSM4_PUNCH] == 2) {
            font = 6, colour = RAPID_COLOUR, pen = RAPID_PEN;
        }
        DSPATT(source, mode, font, colour, pen);
    }
    // The recording sources 8 to 11 reduce to 1 to 4 by taking 7 off, the
    // block display's rule for every displayer: source 10 is the current
    // list (3), and so not "the entity" of the coordinate-system change.
    // Only the header displayer reads 10 as 1, by a rule of its own.
    const i32 eff = source >= RECORDING ? source - 7 : source;
    if (code == 54) {
        DSP8[DSP8_ROTANG] = PRM9[PRM9_COMP];
    } else if (code == 5) {
        if (PRM9[PRM9_SHOWTOOL] != 0 && source == 3) MUTOOL(DSM4[DSM4_P5] == 0 ? 2 : 4);
    } else if (code == 55) {
        if (DSP8[DSP8_UCS] > 0) {
            ucs_change(source, eff, status);
            if (status < 0) return;
        }
    } else if (code == 100) {
        if (ivalue < 1) return;
        if (showtool != 0) {
            tm_inst_delete();
            if (mode != 3 && TLER[TLER_MODE] < TLER_HIDE) {
                redraw_tool();
                put3(DSP8 + DSP8_FIGAXIS, ZUP);
            }
        }
    }
    if (source == 8 || source == 9) {
        RECPRM(source, mode, code, status);
        if (status < 0) {
            eroutc("DIPBT1, ERRORS IN SIMULATION PARAMS", 0);
            status = -1;
        }
    } else if (source == 3) {
        if (code == 1 || code == 53 || code == 59)
            MUFEED(1);
        else if (code == 2 || code == 52)
            MUSPIN(1);
        else if (code == 3)
            MUCOOL(1);
        else if (code == 100)
            MUTOOL(PRM9[PRM9_SHOWTOOL] != 0 && DSM4[DSM4_P5] != 0 ? 4 : 2);
    }
}

void DIPBT2(const i32& source, const i32& mode, const i32& type, const i32& number, const f32* point,
            const f32* vector, const i32& machine, const i32& showtool, i32& status)
{
    status = 0;
    DSPBEG(source, mode, number);
    if (mode == 0) return;
    set_position(point);
    if (type == BT_LINE5 || type == BT_STRING5) put3(DSP8 + DSP8_AXIS, vector);
    if (type == BT_LINEN || type == BT_STRINGN) put3(DSP8 + DSP8_NORMAL, vector);
    DSPMOV(source, mode, number, status);
    if (status < 0 || showtool == 0) return;
    f32 axis[3];
    get3(DSP8 + DSP8_AXIS, axis);
    if (mach_punch(machine)) {
        TOLMOV(TOLFIG(), point, axis, 0);
        return;
    }
    f32 prev[3], pax[3];
    get3(DSP8 + DSP8_PREV, prev);
    get3(DSP8 + DSP8_PREVAXIS, pax);
    TOLLIN(1, point, axis, prev, pax, figstp());
}

void DIPBT3(const i32& source, const i32& mode, const i32& type, const i32& number, const i32& plane,
            const f32& angle, const f32& step, const f32* centre, const f32* end, const f32* vector,
            const i32& machine, const i32& showtool, i32& status)
{
    status = 0;
    DSPBEG(source, mode, number);
    if (mode == 0) return;
    i32 pl = plane;
    if (pl != 1 && pl != 2 && pl != 3) {
        eroutc("WRONG CODE FOR ARC PLANE", 0);
        pl = 1;
    }
    int u = 0, v = 0;
    plane_axes(pl, u, v);
    f32 start[3];
    get3(DSP8 + DSP8_POS, start);
    const f32 su = start[u] - centre[0], sv = start[v] - centre[1];
    if (source == 8 || source == 9) {
        i32 n = 1;
        setdel(angle, step, n);
        set_position(end);
        const f32 turn = n > 0 ? angle / static_cast<f32>(n) : angle;
        for (i32 j = 1; j < n && status >= 0; ++j) {
            const f32 a = turn * static_cast<f32>(j), c = std::cos(a), s = std::sin(a);
            f32 p[3];
            std::memcpy(p, end, sizeof p);
            p[u] = centre[0] + su * c - sv * s;
            p[v] = centre[1] + su * s + sv * c;
            set_position(p);
            DSPMOV(source, mode, number, status);
        }
        if (status < 0) return;
    } else if (mode == 1) {
        // Only a drawn arc is defined to the host: in mode 2 no point is
        // drawn, and a definition handed then would stay pending and bend
        // the next move that is drawn.
        f32 ang = angle, cu = centre[0], cv = centre[1], st[3];
        std::memcpy(st, start, sizeof st);
        if (TRS1[TRS1_ON] == 1) {
            f32 m[9];
            for (int k = 0; k < 9; ++k) m[k] = wrd2r(TRS1[TRS1_MATRIX + k]);
            f32 c3[3];
            std::memcpy(c3, end, sizeof c3);
            c3[u] = centre[0];
            c3[v] = centre[1];
            TRS1PT(c3, c3);
            cu = c3[u];
            cv = c3[v];
            TRS1PT(start, st);
            if (m3det(m) < 0.0f) ang = -ang;
        }
        i32 n = 1;
        setdel_nc(ang, step, n);
        const f32 du = st[u] - cu, dv = st[v] - cv;
        f32 a0 = std::atan2(dv, du);
        if (a0 < 0.0f) a0 += 6.28318f;
        // The arc's height is the start point's coordinate off its plane: Z
        // for the XY plane, Y for XZ, X for YZ; the plane goes with it, so
        // that the host places an arc of the XZ or YZ plane in that plane.
        const f32 def[7] = {a0, ang, step, cu, cv, st[3 - u - v], std::sqrt(du * du + dv * dv)};
        ncd_update_arc_def(def, pl);
    }
    set_position(end);
    if (type == BT_ARC5) put3(DSP8 + DSP8_AXIS, vector);
    if (type == BT_ARCN) put3(DSP8 + DSP8_NORMAL, vector);
    DSPMOV(source, mode, number, status);
    if (status < 0 || showtool == 0) return;
    if (mach_punch(machine)) {
        f32 axis[3];
        get3(DSP8 + DSP8_AXIS, axis);
        TOLMOV(TOLFIG(), end, axis, 0);
        return;
    }
    f32 pax[3];
    get3(DSP8 + DSP8_PREVAXIS, pax);
    TOLARC(centre, wrd2r(DSP8[DSP8_PREV + 2]), pax, su, sv, angle, figstp());
}

void DIPBT5(const i32& source, const i32& mode, const i32& size, const f32* matrix, const f32* translation,
            const i32& showtool, i32& status)
{
    status = 0;
    // The block's size bounds its order and point count.
    const i32 cap = size > 4 ? size : 4;
    std::vector<f32> knots(static_cast<size_t>(cap)), pts(static_cast<size_t>(3 * (cap / 4 + 1)));
    i32 number = 0, k = 0, n = 0;
    // The block is read whole before its display begins, so that the
    // cursor stands after it in every mode, display mode 0 included, as
    // after any other block.
    RDBT5(source, cap, cap / 4 + 1, number, k, n, knots.data(), pts.data(), status);
    if (status < 0) return;
    DSPBEG(source, mode, number);
    if (mode == 0) return;
    // A curve of no control points or of order below 1 has no first point
    // to move to and no span to draw: its evaluation would read knots and
    // points that are not there, so it is refused with its counts.
    if (n < 1 || k < 1) {
        erou2c("DIPBT5, WRONG ORDER OR POINT COUNT ", k, n);
        status = -1;
        return;
    }
    // dp: the curve handed to the host's display, through "TRS1" and in
    // model coordinates. mp: the same control points before "TRS1", in model
    // coordinates, from which the recording's polygon is made. wp: the same
    // before "TRS1" in world coordinates, along which the tool figure goes.
    std::vector<f64> dk(static_cast<size_t>(n + k)), dp(static_cast<size_t>(3 * n)), mp(static_cast<size_t>(3 * n)),
        wp(static_cast<size_t>(3 * n));
    for (i32 j = 0; j < n + k; ++j) dk[static_cast<size_t>(j)] = knots[static_cast<size_t>(j)];
    for (i32 j = 0; j < n; ++j) {
        f32* p = pts.data() + 3 * j;
        f32 q[3];
        for (int r = 0; r < 3; ++r)
            q[r] = matrix[3 * r] * p[0] + matrix[3 * r + 1] * p[1] + matrix[3 * r + 2] * p[2] + translation[r];
        set_position(q);
        const f64 u[3] = {q[0], q[1], q[2]};
        for (int r = 0; r < 3; ++r) wp[static_cast<size_t>(3 * j + r)] = u[r];
        madw2m(u, mp.data() + 3 * j);
        TRS1PT(q, q);
        const f64 w[3] = {q[0], q[1], q[2]};
        madw2m(w, dp.data() + 3 * j);
    }
    // A curve the host refuses to define ends the display, and it fails the
    // block: neither drawn nor recorded, the curve would otherwise be lost
    // while the block reported success.
    if (ncd_update_spline_def(k, n, dk.data(), dp.data()) != 0) {
        eroutc("DIPBT5, ERRORS IN CURVE DEFINITION", 0);
        status = -1;
        return;
    }
    if (source == 8 || source == 9) {
        // The polygon's points become current positions, which are world
        // points before "TRS1" as every other block leaves them, and DSPMOV
        // hands each to the recording through "TRS1" once. The recording's
        // curve is therefore made from the control points before "TRS1" and
        // its points are taken back to world coordinates: made from the
        // display's curve, every recorded move would be transformed twice
        // and left in model coordinates, and the next blocks would start
        // from that displaced position.
        i32 curve = 0, st = 0;
        evbcre_bsp(k, n, dk.data(), mp.data(), -1, 3, curve, st);
        if (st == 0) {
            f32 tol = 0;
            srfdds(tol);
            std::vector<f64> poly(3 * 1000);
            i32 count = 0;
            crvpld2(curve, tol, 1000, count, poly.data(), st);
            for (i32 j = 1; st == 0 && j < count && status >= 0; ++j) {
                f64 w[3];
                madm2w(poly.data() + 3 * j, w);
                const f32 p[3] = {static_cast<f32>(w[0]), static_cast<f32>(w[1]), static_cast<f32>(w[2])};
                set_position(p);
                DSPMOV(source, mode, number, status);
            }
            evbfre(curve);
        }
        // A curve the host cannot make or turn into points would leave its
        // moves out of the recording while the block reported success: it
        // fails the block instead. Nothing of it has been recorded then, and
        // a curve that was made is freed above.
        if (st != 0) {
            eroutc("DIPBT5, ERRORS IN SIMULATION CURVE", 0);
            status = -1;
            return;
        }
    } else {
        DSPMOV(source, mode, number, status);
    }
    // The figure goes along the curve's world points before "TRS1", as it
    // goes along every other block's moves: its placing takes world points
    // and converts them itself, so the display's curve (already through
    // "TRS1" and in model coordinates) would put it off the path, and the
    // next block's figure would start from there.
    if (status >= 0 && showtool != 0) TOLSPL(k, n, wp.data(), dk.data(), figstp());
}

void DIPBT6(const i32& source, const i32& mode, const i32& number, const f32* home, const i32& showtool,
            i32& status)
{
    (void)source;
    (void)mode;
    (void)number;
    status = 0;
    put3(NPT1 + NPT1_HOME, home);
    set_position(home);
    home_heights(home[2]);
    if (showtool != 0) redraw_tool();
}

void DIPBT9(const i32& source, const i32& mode, const i32& number, const i32& axes, const f32* centre,
            const f32& angle, const i32& view, const f32& vvalue, const f32* point, const i32& showtool,
            i32& status)
{
    status = 0;
    DSPBEG(source, mode, number);
    if (mode == 0) return;
    // Sources 8 to 11 reduce by taking 7 off (10 is the list, 3), as above.
    const i32 access = source >= RECORDING ? source - 7 : source;
    f32 before[3];
    get3(DSP8 + DSP8_POS, before);
    set_position(point);
    put3(DSP8 + DSP8_AXIS, ZUP);
    put3(DSP8 + DSP8_NORMAL, ZUP);
    PLN1[0] = 0;
    PLN1[2] = -1;
    PLN1[4] = PLN1[5] = 0;
    PLN1[6] = r2wrd(1.0f);
    PLN1[7] = 0;
    PLN1[8] = -1;
    // Home turned by the rotation about the origin, read as the tool path's
    // origin (header words 3-5): the origin of the machine system that the
    // block turns, converted with home below.
    const i32 k = axes > 2 ? axes - 2 : axes;
    f32 rot[9];
    m3def(k, angle, rot);
    f32 origin[3], home[3], o2[3], h2[3];
    get3(NPT1 + NPT1_ORIGIN, origin);
    get3(NPT1 + NPT1_HOME, home);
    f32 rel[3] = {home[0] - origin[0], home[1] - origin[1], home[2] - origin[2]};
    m3vec(rot, rel, rel);
    for (int c = 0; c < 3; ++c) home[c] = origin[c] + rel[c];
    mapw2m(origin, o2);
    mapw2m(home, h2);
    if (access != 1) hide_symbols();
    // The rotated MACSYS frame and its view, in which the turn is drawn.
    f32 frame[9], rframe[9];
    for (int c = 0; c < 9; ++c) frame[c] = wrd2r(NPT1[NPT1_FRAME + c]);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            f32 s = 0;
            for (int j = 0; j < 3; ++j) s += frame[3 * r + j] * rot[3 * j + c];
            rframe[3 * r + c] = s;
        }
    i32 v = 0;
    trchk(rframe, v);
    // A frame that no view fits (-3) leaves the view in force: no such view
    // can be made current.
    if (v > 0) {
        setwv(v);
        setdsp(v);
    }
    f32 c3[3], b3[3];
    m3vec(rframe, centre, c3);
    m3vec(rframe, before, b3);
    const f32 du = b3[0] - c3[0], dv = b3[1] - c3[1];
    const f32 r = std::sqrt(du * du + dv * dv);
    f32 stepv = angle;
    if (r > 0.0f) {
        f32 cs = 1.0f - 0.1f / r;
        cs = cs > 1.0f ? 1.0f : cs < -1.0f ? -1.0f : cs;
        stepv = 2.0f * std::acos(cs);
        if (angle < 0.0f) stepv = -stepv;
    }
    const f32 arc[7] = {r > 0.0f ? std::atan2(dv, du) : 0.0f, angle, stepv, c3[0], c3[1], b3[2], r};
    DSPARC(source, mode, arc, 1);
    if (access == 3) tm_inst_delete();
    // "STVW" takes the rotated frame, the matrix the view was chosen for
    // (trchk above), not the header words set from trget below. It is the
    // one rule of every writer of "STVW": the coordinate-system change keeps
    // the matrix it hands trchk (the UCS matrix, whose transpose becomes the
    // header words) and the header block, which names its view instead of
    // choosing one, keeps the header's own matrix, the one its view goes
    // with. When no view fits, the frame still says how the machine system
    // stands, which the view in force does not.
    view_words(view, vvalue, rframe);
    NPT1[NPT1_VIEW] = view;
    NPT1[NPT1_VIEWPAR] = r2wrd(vvalue);
    f32 vm[9], t[9];
    trget(view, vm);
    m3tpos(vm, t);
    for (int c = 0; c < 9; ++c) NPT1[NPT1_FRAME + c] = r2wrd(t[c]);
    mapm2w(o2, origin);
    mapm2w(h2, home);
    put3(NPT1 + NPT1_ORIGIN, origin);
    put3(NPT1 + NPT1_HOME, home);
    COORUP();
    // Drawn again as the home block draws it: the figure shown before the
    // turn is deleted and the new one registered, so that the moves after
    // the turn move the figure that is shown, not a deleted one.
    if (showtool != 0) redraw_tool();
    if (access != 1) show_symbols();
    // Home turned and mapped there and back comes back with rounding: a Z
    // that is 0 within the tolerance is taken as exactly 0.
    home_heights(eqval0(home[2]) ? 0.0f : home[2]);
}

void DIPB10(const i32& i1, const f32* first, const f32* second, const i32& i2, const f32& r)
{
    RAXN[RAXN_AXIS] = i1;
    put3(RAXN + RAXN_FIRST, first);
    put3(RAXN + RAXN_SECOND, second);
    RAXN[RAXN_INT] = i2;
    RAXN[RAXN_REAL] = r2wrd(r);
    i32 st = 0;
    mdputn("RAXN", RK_TEXT, RAXN_N, RAXN, st);
}

void DIPB11(const i32& source, const i32& mode, const i32& number, const f32& value, const i32& showtool,
            i32& status)
{
    status = 0;
    DSPBEG(source, mode, number);
    if (mode == 0) return;
    f32 from[3], axis[3];
    get3(DSP8 + DSP8_POS, from);
    get3(DSP8 + DSP8_AXIS, axis);
    f32 pts[6] = {from[0] - value, from[1], from[2], from[0], from[1], from[2]};
    set_position(pts);
    DSPDRL(source, mode, 0, number, status);
    if (status < 0) return;
    set_position(from);
    DSPDRL(source, mode, 0, number, status);
    if (status < 0 || showtool == 0) return;
    f32 dia = 0;
    GTDRDI(CURTOL, dia);
    const f32 axes[6] = {axis[0], axis[1], axis[2], axis[0], axis[1], axis[2]};
    TOLLIN(2, pts, axes, from, axis, dia * 0.5f);
}

void DIPB1C(const i32& source, const i32& mode, const i32& number, const i32& blank)
{
    (void)mode;
    i32 level = 1;
    if (source != AM_ENTITY) gtlstn(1, level);
    blsk_note(level, number);
    DSPST.procblank = blank != 0 ? 1 : 0;
    ncd_update_blank_attribute(DSPST.procblank);
}

void DIPB12(const i32& source, const i32& mode, const i32& number, const i32& blank, i32& status)
{
    i32 level = 1;
    if (source != AM_ENTITY) gtlstn(1, level);
    blsk_note(level, number);
    DSPRST(source, mode);
    DSPST.procblank = blank != 0 ? 1 : 0;
    ncd_update_blank_attribute(DSPST.procblank);
    if (source == AM_APPEND) {
        eroutc("DIPB12, THIS ROUTINE SHOULD NOT BE CALLED DURING CREATION", 0);
        status = -1;
        return;
    }
    status = 0;
    if (source == AM_ENTITY) {
        TPDNLV(number);
    } else if (PRCFLG[5] != 0) {
        // A sub-list that cannot be opened fails the block with its status:
        // the display would otherwise go on reading the procedure's blocks
        // from the parent list.
        OPNSBL(status);
        if (status > 0) status = 0;
    } else {
        status = 1;
    }
}

void DIPB13(const i32& source, const i32& mode, const i32& number, const f32* end, i32& status)
{
    status = 0;
    DSPBEG(source, mode, number);
    if (mode == 0) return;
    set_position(end);
    DSPMOV(source, mode, number, status);
}

void DIPB14(const i32& source, const i32& mode, const i32& number, const f32* start, const f32* end,
            const f32* six, const i32& machine, const i32& showtool, i32& status)
{
    (void)machine;
    status = 0;
    DSPBEG(source, mode, number);
    if (mode == 0) return;
    set_position(end);
    DSPMOV(source, mode, number, status);
    if (status < 0) return;
    set_position(start);
    DSPMOV(source, mode, number, status);
    if (status < 0) return;
    f32 axis[3];
    get3(DSP8 + DSP8_AXIS, axis);
    if (showtool != 0) {
        f32 prev[3], pax[3];
        get3(DSP8 + DSP8_PREV, prev);
        get3(DSP8 + DSP8_PREVAXIS, pax);
        TOLLIN(1, end, axis, prev, pax, six[1]);
        // "The previous position becomes the current one" is read as the
        // previous position taking the current one's value, the groove's
        // start point, where the tool stands again after going to the end
        // and back: the next move's figure starts from there. The other
        // reading would set the current position back to the one before the
        // groove, and the next move would be drawn from there, not from the
        // groove's start.
        std::memcpy(DSP8 + DSP8_PREV, DSP8 + DSP8_POS, 3 * sizeof(i32));
    }
    // Sources 8 to 11 reduce by taking 7 off (10 is the list, 3), as above.
    const i32 access = source >= RECORDING ? source - 7 : source;
    if (access == 3) TOLMOV(TOLFIG(), end, axis, 1);
}

void DIPB30(const i32& kind, const f32& first, const f32& depth, const f32& clearance, const i32& retract,
            const f32& height)
{
    CYCST.active = 1;
    CYCST.kind = kind;
    CYCST.first = first;
    CYCST.depth = depth;
    CYCST.clearance = clearance;
    CYCST.retract = retract;
    CYCST.height = height;
    CYCST.running = height;
}

void DIPB31(const i32& source, const i32& mode, const i32& number, const f32* point, const f32* direction,
            const i32& machine, const i32& showtool, i32& status)
{
    status = 0;
    DSPBEG(source, mode, number);
    if (mode == 0) return;
    const f32 zero[3] = {0, 0, 0};
    f32 m[9];
    i32 st = 0;
    zsys3(zero, direction, m, st);
    if (st < 0) {
        eroutc("DIPB31, THE DIRECTION VECTOR IS ZEROED", 0);
        status = -1;
        return;
    }
    f32 t[9];
    m3tpos(m, t);
    f32 cur[3], axis[3], p[3], c[3];
    get3(DSP8 + DSP8_POS, cur);
    get3(DSP8 + DSP8_AXIS, axis);
    m3vec(m, point, p);
    m3vec(m, cur, c);
    const bool turned = eqpt3(direction, axis) == 0;
    if (turned) CYCST.running = CYCST.height;
    put3(DSP8 + DSP8_AXIS, direction);
    const f32 z1 = CYCST.clearance + p[2], z2 = CYCST.running + p[2], bottom = p[2] - CYCST.depth;
    const bool recording = source == 8 || source == 9;
    std::vector<f32> path;
    auto move = [&](f32 x, f32 y, f32 z, bool feed) {
        if (status < 0) return;
        const f32 local[3] = {x, y, z};
        f32 w[3];
        m3vec(t, local, w);
        set_position(w);
        DSPDRL(source, mode, feed ? 0 : 1, number, status);
        path.insert(path.end(), w, w + 3);
    };
    if (recording) mrm_feed(-1.0f);
    f32 cz = c[2];
    if (cz < z1) {
        move(c[0], c[1], z1, false);
        if (recording && turned) mrm_ijk(direction);
        cz = z1;
    }
    if (cz > z1) {
        if (CYCST.retract == 2 && machine == MACH_MILL5) cz = z2;
        move(p[0], p[1], cz, false);
    }
    move(p[0], p[1], z1, false);
    if (recording) mrm_feed(wrd2r(DSM4[DSM4_FEED]));
    move(p[0], p[1], bottom, true);
    move(p[0], p[1], z1, true);
    if (recording) mrm_feed(-1.0f);
    if (CYCST.retract == 2) move(p[0], p[1], z2, false);
    if (status < 0) return;
    ncd_flush_blocks();
    if (showtool != 0 && !path.empty()) {
        const i32 count = static_cast<i32>(path.size() / 3);
        std::vector<f32> axes;
        for (i32 j = 0; j < count; ++j) axes.insert(axes.end(), direction, direction + 3);
        TOLLIN(count, path.data(), axes.data(), cur, axis, figstp());
    }
}

void DIPB32(const f32& height) { CYCST.height = height; }

void DIPB33(const f32& value)
{
    CYCST.running -= value;
    CYCST.first = value;
}

// The retract mode in force from a retract-mode block on is the block's
// first int (the caller hands it): the display and the stock, the two
// readers that act on the mode, both take that word, so the drill moves
// shown and the stock computed from them follow one mode. The listing
// prints the two ints as they stand, the first under "OLD"; it acts on
// neither, and the module writes no such block whose order could settle it.
void DIPB34(const i32& retract) { CYCST.retract = retract; }
void DIPB35() { CYCST.active = 0; }
void DIPB36(const f32& depth) { CYCST.depth = depth; }

void DIPB40(const f32* matrix, const f32* translation)
{
    TRS1[TRS1_ON] = 1;
    for (int k = 0; k < 9; ++k) TRS1[TRS1_MATRIX + k] = r2wrd(matrix[k]);
    put3(TRS1 + TRS1_SHIFT, translation);
}
