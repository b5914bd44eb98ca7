#include "blocks/regdsp.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "blocks/dspblk.h"
#include "blocks/geoslot.h"
#include "blocks/modal.h"
#include "core/host.h"
#include "core/records.h"
#include "tools/toolcache.h"

DisplayState DSPST = {4, 0, 0, 0, 0, 1, 1, 0};

namespace {
constexpr i32 RECORDING = 8;  // sources from 8 on take the recording road
// The most placements of the tool figure along one move or curve: a step
// length tiny beside the move would otherwise ask for more than an int can
// count, and for a walk without end.
constexpr f64 MAX_STEPS = 100000.0;

f32 modal_feed() { return wrd2r(DSM4[DSM4_FEED]); }

bool shown(const i32& source, const i32& mode) { return mode == 1 || source >= RECORDING; }

// The list level of the block shown and the level table's words for it.
void level_table(const i32& number)
{
    i32 level = 0;
    gtlstn(1, level);
    if (PRCFLG[5] == 0) ++level;
    if (level > 2) --level;
    blsk_note(level, number);
}

void position(f32* p)
{
    const f32 pos[3] = {wrd2r(DSP8[DSP8_POS]), wrd2r(DSP8[DSP8_POS + 1]), wrd2r(DSP8[DSP8_POS + 2])};
    TRS1PT(pos, p);
}

// The current position to draw, through "TRS1". On the recording road it is
// handed to the host and the answer is false; otherwise a pending move-to
// lifts the pen there (lifted set).
bool pen_at(const i32& source, const i32& number, f32* p, bool& lifted, i32& status)
{
    position(p);
    if (source >= RECORDING) {
        if (mrm_tpmov(p, number) < 0) status = -1;
        return false;
    }
    lifted = DSPST.moveto != 0;
    if (lifted) {
        moveto(p);
        if (DSPST.blank == 0) DSPST.moveto = 0;
    }
    return true;
}

// The blank attribute of a drawn point: set for a hidden block, else off
// unless the procedure is blanked.
void blank_attribute()
{
    if (DSPST.blank != 0)
        ncd_update_blank_attribute(1);
    else if (DSPST.procblank == 0)
        ncd_update_blank_attribute(0);
}

f32 distance(const f32* a, const f32* b)
{
    f64 s = 0;
    for (int k = 0; k < 3; ++k) s += (f64(b[k]) - a[k]) * (f64(b[k]) - a[k]);
    return static_cast<f32>(std::sqrt(s));
}
}  // namespace

i32 TOLFIG()
{
    i32 id = 0;
    tm_inst_id(1, id);
    return id;
}

void TRS1PT(const f32* in, f32* out)
{
    f32 q[3] = {in[0], in[1], in[2]};
    if (TRS1[TRS1_ON] == 1) {
        for (int r = 0; r < 3; ++r) {
            f64 s = wrd2r(TRS1[TRS1_SHIFT + r]);
            for (int c = 0; c < 3; ++c) s += f64(wrd2r(TRS1[TRS1_MATRIX + 3 * r + c])) * in[c];
            q[r] = static_cast<f32>(s);
        }
    }
    std::memcpy(out, q, sizeof q);
}

void DSPBEG(const i32& source, const i32& mode, const i32& number)
{
    DSPST.moveto = DSPST.blank;
    DSPST.blank = 0;
    DSPST.fastblank = 0;
    if (mode == 0) {
        level_table(number);
        ncd_delete_blocks(-1, BLSK);
    } else if (mode == 1) {
        if (source == 3 && TLER[TLER_MODE] == TLER_BLANK) DSPST.blank = 1;
        const f32 feed = modal_feed();
        if ((feed == -1.0f || feed <= -2.0f) && get_fdflg() == 1) DSPST.fastblank = 1;
        level_table(number);
        ncd_register_block(BLSK[1], BLSK[2]);
    }
}

void DSPMOV(const i32& source, const i32& mode, const i32& number, i32& status)
{
    status = 0;
    if (!shown(source, mode)) return;
    blank_attribute();
    f32 p[3];
    bool lifted = false;
    if (!pen_at(source, number, p, lifted, status)) return;
    if (lifted) {
        if (DSPST.keep == 0) {
            setlf(DSP8[DSP8_FONT]);
            setclr(DSP8[DSP8_COLOUR]);
            setpen(DSP8[DSP8_PEN]);
        }
        if (DSPST.blank == 0) DSPST.keep = 0;
    }
    if (mode == 1) ncd_update_fast_blank_attribute(DSPST.fastblank);
    const bool added = ncd_add_registered_block(p) != 3;
    const bool moved = ncd_move_to(p) == 0;
    if (!added || !moved) status = -1;
}

void DSPDRL(const i32& source, const i32& mode, const i32& kind, const i32& number, i32& status)
{
    status = 0;
    if (!shown(source, mode)) return;
    if (DSPST.blank != 0) ncd_update_blank_attribute(1);
    f32 p[3];
    bool lifted = false;
    if (!pen_at(source, number, p, lifted, status)) return;
    const bool feed = kind == 0;
    const i32 font = feed ? FEED_FONT : RAPID_FONT;
    const i32 colour = feed ? DSPST.colour : RAPID_COLOUR;
    const i32 pen = feed ? DSPST.pen : RAPID_PEN;
    setlf(font);
    ncd_add_registered_drill_block(BLSK[1], BLSK[2]);
    ncd_add_drill_attrs(ncd_attr_list_to_int(262140, colour, font, pen));
    if (ncd_move_to(p) != 0) status = -1;
}

void DSPATT(const i32& source, const i32& mode, const i32& font, const i32& colour, const i32& pen)
{
    (void)source;
    if (mode != 1) return;
    if (DSPST.blank != 0)
        ncd_update_blank_attribute(1);
    else
        DSPST.moveto = 0;
    const i32 a[3] = {font < 0 ? DSPST.font : font, colour < 0 ? DSPST.colour : colour, pen < 0 ? DSPST.pen : pen};
    DSP8[DSP8_FONT] = a[0];
    DSP8[DSP8_COLOUR] = a[1];
    DSP8[DSP8_PEN] = a[2];
    ncd_update_current_attrs(a);
}

void DSPRST(const i32& source, const i32& mode)
{
    DSPST.font = 4;
    DSPST.colour = DSP8[DSP8_COLOUR];
    DSPST.pen = DSP8[DSP8_PEN];
    DSPATT(source, mode, DSPST.font, DSPST.colour, DSPST.pen);
}

// The plane goes with the arc's values to the host's arc call, which reads
// the centre's two coordinates and the third one in that plane; the
// displayers draw in their frame's XY plane (1).
void DSPARC(const i32& source, const i32& mode, const f32* arc, const i32& plane)
{
    if (!shown(source, mode)) return;
    if (DSPST.blank != 0)
        ncd_update_blank_attribute(1);
    else
        DSPST.moveto = 0;
    DSPST.keep = 0;
    dparca(1, arc, plane);
}

void RECPRM(const i32& source, const i32& mode, const i32& code, i32& status)
{
    (void)mode;
    status = 0;
    if (source < RECORDING) return;
    i32 answer = 0;
    switch (code) {
    case 1: answer = mrm_feed(modal_feed()); break;
    case 2: answer = mrm_spin(wrd2r(DSM4[DSM4_SPEED]), PRM9[PRM9_SPMODE], DSM4[DSM4_SPIN]); break;
    case 3: answer = mrm_cool(DSM4[DSM4_COOL]); break;
    case 55: {
        const f32 origin[3] = {wrd2r(NPT1[NPT1_ORIGIN]), wrd2r(NPT1[NPT1_ORIGIN + 1]), wrd2r(NPT1[NPT1_ORIGIN + 2])};
        answer = mrm_org(origin, NPT1[NPT1_VIEW], wrd2r(NPT1[NPT1_VIEWPAR]));
        break;
    }
    case 100: {
        i32 type = -1;
        GTTTYP(CURTOL, type);
        f32 v[5] = {0, 0, 0, 0, 0};
        if (type == TT_DRILL) {
            GTDRDI(CURTOL, v[0]);
            GTDRCL(CURTOL, v[1]);
            GTDRCU(CURTOL, v[2]);
            GTDRTA(CURTOL, v[3]);
        } else if (type == TT_MILL) {
            GTDIAM(CURTOL, v[0]);
            GTCLRL(CURTOL, v[1]);
            GTCUTL(CURTOL, v[2]);
            GTCRNR(CURTOL, v[3]);
            GTTAPA(CURTOL, v[4]);
        } else {
            return;
        }
        i32 symbol = 0;
        GTSYMM(CURTOL, symbol);
        f32 p[3];
        position(p);
        answer = mrm_tppar(v, symbol, p, DSM4[DSM4_TOOL]);
        break;
    }
    default: break;
    }
    if (answer < 0) status = answer;
}

void TOLLIN(const i32& count, const f32* points, const f32* axes, const f32* start, const f32* startaxis,
            const f32& step)
{
    if (!(step > 0.0f) || TOLFIG() <= 0) return;
    f32 prev[3], pax[3];
    std::memcpy(prev, start, sizeof prev);
    std::memcpy(pax, startaxis, sizeof pax);
    for (i32 m = 0; m < count; ++m) {
        const f32* to = points + 3 * m;
        const f32* tax = axes + 3 * m;
        const f32 len = distance(prev, to);
        if (len != 0.0f) {
            const f64 ratio = static_cast<f64>(len) / step - 0.01;
            const i32 k = !(ratio > 0.0) ? 0 : ratio > MAX_STEPS ? static_cast<i32>(MAX_STEPS) : static_cast<i32>(ratio);
            const f32 s = len / static_cast<f32>(k + 1);
            for (i32 j = 1; j <= k; ++j) {
                const f32 w = static_cast<f32>(j) * s / len;
                f32 p[3], a[3];
                for (int c = 0; c < 3; ++c) {
                    p[c] = prev[c] + (to[c] - prev[c]) * w;
                    a[c] = pax[c] + (tax[c] - pax[c]) * w;
                }
                TOLMOV(TOLFIG(), p, a, 0);
            }
        }
        TOLMOV(TOLFIG(), to, tax, 0);
        std::memcpy(prev, to, sizeof prev);
        std::memcpy(pax, tax, sizeof pax);
    }
}

void TOLARC(const f32* centre, const f32& height, const f32* axis, const f32& u, const f32& v, const f32& angle,
            const f32& step)
{
    if (!(step > 0.0f) || TOLFIG() <= 0) return;
    const f32 radius = std::sqrt(u * u + v * v);
    // The count of turns is taken in double and bounded like the steps of a
    // line: a step tiny beside the arc would otherwise overflow the count or
    // place the figure without end.
    const f64 x = std::fabs(static_cast<f64>(radius) * angle / step);
    if (!(x > 1.0)) return;
    const i32 n = x + 0.99 > MAX_STEPS ? static_cast<i32>(MAX_STEPS) : static_cast<i32>(x + 0.99);
    if (n <= 1) return;
    const f32 turn = angle / static_cast<f32>(n);
    const f32 c = std::cos(turn), s = std::sin(turn);
    f32 ou = u, ov = v;
    for (i32 j = 1; j <= n; ++j) {
        const f32 nu = ou * c - ov * s, nv = ou * s + ov * c;
        ou = nu;
        ov = nv;
        const f32 p[3] = {centre[0] + ou, centre[1] + ov, height};
        TOLMOV(TOLFIG(), p, axis, 0);
    }
}

void TOLSPL(const i32& k, const i32& n, const f64* points, const f64* knots, const f32& step)
{
    if (!(step > 0.0f) || TOLFIG() <= 0) return;
    i32 curve = 0, st = 0;
    evbcre_bsp(k, n, knots, points, -1, 3, curve, st);
    if (st != 0) return;
    f32 tol = 0;
    srfdds(tol);
    // The polygon has room for (knot n+1 - knot 1) / tolerance + 1 points,
    // counted in double so that a tiny tolerance cannot overflow the count;
    // without a tolerance (0 or less, which divides nothing) the two ends
    // alone, and never more than the placements one walk may make. It has
    // room for two points at the least, also where that count is below 2:
    // a polygon of one point has no move along which the figure could go.
    const f64 span = knots[n] - knots[0];
    const f64 want = tol > 0.0f ? span / tol + 1.0 : 2.0;
    const i32 cap = !(want > 2.0) ? 2 : want > MAX_STEPS ? static_cast<i32>(MAX_STEPS) : static_cast<i32>(want);
    std::vector<f64> poly(static_cast<size_t>(3 * cap));
    i32 count = 0;
    crvpld2(curve, tol, cap, count, poly.data(), st);
    if (st == 0 && count > 1) {
        std::vector<f32> pts(static_cast<size_t>(3 * (count - 1))), axes(pts.size());
        for (i32 j = 1; j < count; ++j)
            for (int c = 0; c < 3; ++c) {
                pts[static_cast<size_t>(3 * (j - 1) + c)] = static_cast<f32>(poly[static_cast<size_t>(3 * j + c)]);
                axes[static_cast<size_t>(3 * (j - 1) + c)] = c == 2 ? 1.0f : 0.0f;
            }
        const f32 start[3] = {static_cast<f32>(poly[0]), static_cast<f32>(poly[1]), static_cast<f32>(poly[2])};
        const f32 up[3] = {0, 0, 1};
        TOLLIN(count - 1, pts.data(), axes.data(), start, up, step);
    }
    evbfre(curve);
}

void GTMXF1(const i32& mode, f32& value)
{
    if (mode == 1) {
        i32 w = 0, count = 1, st = 0;
        mdgetn("MXF1", &w, count, st);
        value = st == 0 && count == 1 ? wrd2r(w) : -15000.0f;
    } else if (mode == 2) {
        const i32 w = r2wrd(value);
        i32 st = 0;
        mdputn("MXF1", RK_REAL, 1, &w, st);
    }
}
