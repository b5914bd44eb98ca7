#include "edit/gapcon.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/movement.h"
#include "blocks/readers.h"
#include "blocks/tech.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/modflg.h"
#include "core/records.h"
#include "cutter/loccom.h"
#include "cutter/linntb.h"
#include "edit/alter/motion.h"
#include "edit/alter/search.h"
#include "edit/support.h"
#include "passes/orient.h"
#include "passes/retract.h"
#include "passes/services.h"
#include "surfaces/trimodel.h"

namespace {
const f32 ZUP[3] = {0.0f, 0.0f, 1.0f};

// Reads the end vector of one motion block met while walking; false for a
// block that is not a motion.
bool motion_vector(i32 side, const f32* given, f32* vector, i32& status)
{
    i32 size = 0, type = 0, cls = 0;
    TPBLKH(AM_LIST, size, type, cls, status);
    if (status < 0 || cls != BC_MOVE) {
        lclos();
        return false;
    }
    bool found = true;
    if (bt_line(type) || bt_string(type)) {
        i32 records = 0, number = 0;
        f32 p[3], v[3];
        RDBT2(AM_LIST, type, size, records, number, p, v, status);
        // Walking backward, a string gives its last point's values.
        for (i32 r = 1; side == 1 && r < records && status >= 0; ++r)
            RDBT2(AM_LIST, type, size, records, number, p, v, status);
        std::memcpy(vector, v, sizeof v);
    } else if (bt_arc(type)) {
        // The point beside the arc's end, square to the radius there; the
        // block holds only the centre's two plane coordinates.
        i32 number = 0, plane = 0;
        f32 angle = 0, step = 0, centre[3] = {0, 0, 0}, end[3], v[3];
        RDBT3(AM_LIST, type, number, plane, angle, step, centre, end, v, status);
        PRPPNT(side == 1 ? given : end, centre, angle >= 0.0f ? 1.0f : -1.0f, vector);
    } else if (bt_nurbs(type)) {
        // The first control point walking forward, the last walking back.
        const size_t room = static_cast<size_t>(size > 0 ? size : 1);
        std::vector<f32> knots(room), points(3 * room);
        i32 number = 0, k = 0, n = 0;
        RDBT5(AM_LIST, size, size, number, k, n, knots.data(), points.data(), status);
        if (status >= 0 && n > 0) {
            const size_t at = side == 1 ? static_cast<size_t>(3 * (n - 1)) : 0;
            std::memcpy(vector, points.data() + at, 3 * sizeof(f32));
        } else {
            found = false;
        }
    } else {
        found = false;
    }
    lclos();
    return found && status >= 0;
}
}  // namespace

i32 GAPDIR(const i32& side, const f32& x, const f32& y, const f32& z, f32* vector)
{
    const f32 given[3] = {x, y, z};
    vector[0] = vector[1] = 0.0f;
    vector[2] = 1.0f;
    i32 answer = 0;
    lmark(1, 3, answer);
    if (answer < 1) return 0;
    i32 found = 0, st = 0;
    // The links go in after the block under the cursor, so walking back
    // that block is the first one met: skipping it would give the gap the
    // end vector of the motion before the last one kept.
    bool here = side == 1;
    while (found == 0) {
        if (!here) {
            i32 jst = 0;
            TPJUMP(side == 1 ? -1 : 1, jst);
            if (jst < 0) break;
        }
        here = false;
        i32 position = 0;
        lgtpos(position);
        if (position < 1) break;
        if (motion_vector(side, given, vector, st)) found = 1;
        if (st < 0) break;
    }
    TPTOP(3, st);
    return found;
}

namespace {
// The words of the positioning context that a reconnection's positionings
// set, kept to be put back.
struct PositionContext {
    i32 surface = LOCSRF, code = LOCTCD, zcl = LOCZCL, axm = LOCAXM;
    f32 n1[3] = {LOCSN1[0], LOCSN1[1], LOCSN1[2]}, n2[3] = {LOCSN2[0], LOCSN2[1], LOCSN2[2]};
    f32 aux = LOCAUX, radius = LOCTL2, zmin = LOCZMN, zmax = LOCZMX, a = LOCOFA, b = LOCOFB;
    void put_back() const
    {
        LOCSRF = surface, LOCTCD = code, LOCZCL = zcl, LOCAXM = axm;
        for (i32 k = 0; k < 3; ++k) LOCSN1[k] = n1[k], LOCSN2[k] = n2[k];
        LOCAUX = aux, LOCTL2 = radius, LOCZMN = zmin, LOCZMX = zmax, LOCOFA = a, LOCOFB = b;
    }
};

// What a reconnection changes once it links: the heights record's
// clearance, the edit context's Z-up, the positioning, the host's segment
// code and the live model. All are put back on every way out, a stop of the
// trimming that unwinds through the model's build or the links included:
// the editor goes on with its own clearance and Z-up, and a model half
// built when the stop came is not left live with nothing holding it.
struct GapPutBack {
    i32 clearance = HEI8[HEI8_CLEARANCE];
    f32 zup = EDTCX.zup;
    PositionContext pos;
    i32 segcode = 0;
    bool armed = false, model = false;
    GapPutBack() = default;
    GapPutBack(const GapPutBack&) = delete;
    GapPutBack& operator=(const GapPutBack&) = delete;
    void arm()
    {
        segcode = nu_sgcd_get_code();
        armed = true;
    }
    ~GapPutBack()
    {
        if (!armed) return;
        // The model stays only in the store: its quadtree's handles are
        // closed too, or the next build would park a half-closed state
        // whose node arrays the store frees on leaving. A link that built no
        // model (a vertical link) closes nothing: the live model then is
        // another's, which this call did not make.
        if (model) model_leave_live();
        pos.put_back();
        HEI8[HEI8_CLEARANCE] = clearance;
        EDTCX.zup = zup;
        nu_sgcd_set_code(segcode);
    }
};
}  // namespace

i32 GAPPOS(const f32& x, const f32& y, const f32& z, i32& flag)
{
    flag = 0;
    LOCSET(-1, ZUP, ZUP, 1, 0.0f, EDTCX.linktol);
    // The tool is dropped at the point's XY (a flat line of no length, with
    // contact codes). The line lies far under any model, so the rule that
    // raises a point to the ends of a line in surface milling leaves the
    // dropped height alone; the drop itself does not read the height.
    const f32 deep = -1.0e9f;
    f32 p[3] = {x, y, deep};
    f32 xyz[3 * 8], nrm[3 * 8];
    i32 flg[8] = {0}, len[4] = {0}, nst = 0, tot = 0, st = 0;
    const i32 codes = 4;
    LINNTB(1, 0, p, p, EDTCX.linktol, EDTCX.linka, EDTCX.linkb, 3 * 8, 0, codes, xyz, nrm, flg, nst, 4, len, tot, st);
    if (st != 0 || tot < 1) return 0;
    flag = flg[0];
    return flag != 0 && z - xyz[2] < 0.03f ? 1 : 0;
}

void GAPCON(const f32& clearance, const f32& z_up, f32 p1x, f32 p1y, f32 p1z, f32 p2x, f32 p2y, f32 p2z)
{
    const f32 p1[3] = {p1x, p1y, p1z}, p2[3] = {p2x, p2y, p2z};
    GapPutBack putback;
    f32 v1[3], v2[3];
    const i32 before = GAPDIR(1, p1x, p1y, p1z, v1);
    const i32 after = GAPDIR(0, p2x, p2y, p2z, v2);
    // Coinciding ends need no link. A side without a motion has no point of
    // its own (the caller hands the other end again), so only two real ends
    // are compared; a gap with no motion on either side still restores and
    // writes the machine state and sets the feed in force.
    if (before != 0 && after != 0 && eqpt3(p1, p2)) return;
    i32 st = 0;
    // The machine state restored before the gap is the feed (code 1) alone:
    // it is the one value the rapid test of the straight move below reads,
    // in the modal record where the restore puts it (the writers' own last
    // feed may be one written anywhere since).
    const i32 feedcode = 1;
    PRVMCH(2, 1, &feedcode, st);
    const bool rapid = wrd2r(DSM4[DSM4_FEED]) < 0.0f;
    if (before != 0 && after != 0 && rapid && eqval(p1z, clearance) && eqval(p2z, clearance)) {
        MOVLIN(2, p2, ZUP, st);
        return;
    }
    putback.arm();
    nu_sgcd_set_code(0);
    HEI8[HEI8_CLEARANCE] = r2wrd(clearance);
    EDTCX.zup = z_up;
    HFLSET(before == 0 || after == 0 ? 1 : 0);
    i32 n1 = 0, n2 = 0;
    SRFCNT(n1, n2);
    const f32 dists[2] = {0.0f, 0.0f};
    // The factor's item is the approach length and the length's item the arc
    // radius, as the procedure's own links take them.
    SETMOC(EDTCX.onsurf != 0 ? EDTCX.linkkind : 1, EDTCX.linkfac, EDTCX.linklen, dists, EDTCX.zup, EDTCX.linktol,
           EDTCX.linka, EDTCX.linkb, 1, n1, n2, HEI8 + HEI8_ABSOLUTE, HEI8 + HEI8_INCR);
    i32 on1 = 0, on2 = 0;
    // Without an edit context (the whole tool path) the links are vertical.
    const bool surfaces = EDTCX.linkkind != 1 && EDTCX.onsurf != 0;
    if (surfaces) {
        putback.model = true;
        LOCTL2 = EDTCX.linktol;
        LOCOFA = EDTCX.linka;
        LOCOFB = EDTCX.linkb;
        GAPMDL();
        i32 flag = 0;
        on2 = GAPPOS(p2x, p2y, p2z, flag);
        on1 = GAPPOS(p1x, p1y, p1z, flag);
    }
    TECHST.status[1] = 2;
    if (before != 0) {
        // Read as: the gap's end stands for the point before it and the end
        // vector of its motion for the axis, with one point (count 1): the
        // link is made from the end alone, as the gap leaves no further
        // motion to take a direction point from. The approach likewise.
        if (on1 != 0) {
            SRFRET(2, p1, p1, v1, ZUP, 1, st);
        } else if (after != 0) {
            ZRET(2, p1, ZUP, st);
        } else if (clearance > p1z) {
            // Nothing follows: a plain rise to the clearance height (the
            // retract of the passes leaves the tool where it is here).
            const f32 up[3] = {p1x, p1y, clearance};
            MOVRPD(2, up, ZUP, 1, st);
        }
    }
    // The approach is written even after a failed retract: that motion has
    // told its own failure, and the gap would otherwise stay open.
    if (after != 0) {
        if (before == 0) {
            // Nothing before: the tool comes down from the clearance height
            // over the point.
            const f32 over[3] = {p2x, p2y, std::fmax(clearance, p2z)};
            std::memcpy(MOVST.point, over, sizeof over);
            std::memcpy(MOVST.axis, ZUP, sizeof over);
        }
        i32 ast = 0;
        if (on2 == 0) ZAPR(2, p2, ZUP, ast);
        else SRFAPR(2, p2, p2, v2, ZUP, 1, ast);
    }
    PTAMCH(st);
    // The feed in force after the link, by the requested feed code.
    switch (TECHST.requested[1]) {
    case 1: EDTFED = wrd2r(PRM9[PRM9_FEED]); break;
    case 3: EDTFED = static_cast<f32>(PRM9[PRM9_PCT3]) * wrd2r(PRM9[PRM9_FEED]) * 0.01f; break;
    case 4: EDTFED = -1.0f; break;
    case 27: EDTFED = wrd2r(PRM9[PRM9_MAXF]); break;
    default: break;
    }
    // The put-back follows on leaving, whatever road was taken.
}
