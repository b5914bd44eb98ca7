#include "frame/bookkeep.h"

#include <cstring>

#include "blocks/dspblk.h"
#include "blocks/endpt.h"
#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/regdsp.h"
#include "blocks/tech.h"
#include "edit/proctab.h"
#include "core/codedio.h"
#include "core/gomove.h"
#include "core/host.h"
#include "frame/gocomp.h"
#include "frame/machtype.h"
#include "core/records.h"
#include "tools/toolcache.h"

namespace {
void tset(i32 p, i32 s, i32 m, i32 w)
{
    TECHST.status[p] = s;
    if (m >= 0) TECHST.requested[p] = m;
    if (w >= 0) TECHST.wflag[p] = w;
}

// Reads one item of group 24 (or another group) into words; 1 when absent.
i32 item(i32 group, i32 code, i32 count, i32 type, void* value, i32& status)
{
    i32 c = count, st = 0;
    TPGETC(MED_LIST, group, code, c, type, value, st);
    if (st < 0) status = -1;
    return st;
}
}  // namespace

void INITMC(const i32& set)
{
    for (i32 p = 0; p <= NTPAR; ++p) {
        TECHST.status[p] = 0;
        TECHST.lastcode[p] = 0;
        TECHST.requested[p] = 0;
        TECHST.wflag[p] = 1;
    }
    const i32 s = set;
    const bool A = s == 1 || s == 2 || s == 4 || s == 6;
    const bool B = s >= 21 && s <= 25;
    const bool P26 = s == 26;
    const bool G3 = s == 3, G20 = s == 20;
    const bool other = (s >= 16 && s <= 19);
    if (!(A || B || P26 || G3 || G20 || other)) {
        erou1c("INITMC, FOR CODE=", set, "NO INITIALIZATION IS DONE");
        return;
    }
    const i32 mv2 = PRM9[PRM9_SPMODE];
    if (A || B || P26) tset(1, 1, 1, 2);
    else if (G3 || G20) tset(1, 2, 1, 2);
    if (A || P26) tset(59, 1, 27, 2);
    else if (G3) tset(59, 2, 27, 2);
    if ((A && s != 6) || P26 || (B && mv2 == 1)) tset(10, 1, 7, 2);
    else if (G3 || (G20 && mv2 == 1)) tset(10, 2, -1, 2);
    if (A || P26 || (B && mv2 == 2)) tset(2, 1, 5, 2);
    else if (G3 || (G20 && mv2 == 2)) tset(2, 2, -1, 2);
    if (A || B || P26) tset(3, 1, 6, 2);
    else if (G3 || G20) tset(3, 2, -1, 2);
    if ((A && s != 4) || B || s == 16 || P26) tset(100, 1, 12, 2);
    else if (s != 4) tset(100, 2, -1, 2);
    if (A || B || s == 16 || P26) tset(55, 1, 21, 2);
    else tset(55, 2, -1, 2);
    if (s == 1 || s == 21 || s == 22 || s == 25 || s == 26 || (s == 2 && MACTYP == MACTYP_CLEARAREA))
        TECHST.status[5] = 1;
    if (B || G20) tset(9, 1, mv2 == 1 ? 18 : 19, 2);
    if (s == 25) tset(4, 1, 8, 2);
    if (s == 24) {
        tset(56, 1, 22, 2);
        tset(57, 1, 23, 2);
        tset(58, 1, 24, 2);
    }
    if (s == 19) {
        for (i32 p = 11; p <= 16; ++p) TECHST.status[p] = 2;
        for (i32 p = 20; p <= 40; ++p) TECHST.status[p] = 2;
    }
    if (s == 16) {
        TECHST.status[51] = 2;
        TECHST.status[54] = 2;
    }
    if (s >= 16 && s <= 18) {
        tset(52, 1, 14, 2);
        tset(53, 1, 16, 2);
    }
}

void EDA2IO(const i32& mode, const char* key, const i32& count, i32* block, PrcIniFn cb7, i32& status)
{
    status = 0;
    if (mode != 1 && mode != 3) {
        if (cb7) cb7(mode, status);
        i32 st = 0;
        WRREC(key, RK_REAL, block, count, st);
        if (MACTYP == MACTYP_MCHTBL) plg_mchtbl_mdput(2, MCHTBL);
        EDA2[EDA2_HELD] = 0;
        EDA2[EDA2_OPENED] = 0;
        WRREC("EDA2", RK_TEXT, EDA2, EDA2_N, st);
        return;
    }
    EDARST(0);
    i32 st = 0;
    RDREC("EDA2", EDA2, EDA2_N, st);
    st = 0;
    if (EDA2[EDA2_HELD] == 0) {
        i32 ask = (mode == 1 && EDA2[EDA2_OPENED] == 0) ? 1 : 0;
        SUITOL(ask, st);
    } else {
        const i32 m = NPT1[NPT1_MACHINE];
        const bool wire = m == 61 || m == 62 || m == 63 || m == 65 || m == 80;
        if (!wire && PRM9[PRM9_TOOL] > 0) SGTOOL(3, PRM9[PRM9_TOOL], st);
    }
    if (st < 0) {
        status = mode == 3 ? -11 : st;
        return;
    }
    if (cb7) cb7(1, status);
    if (status < 0) return;
    if (EDA2[EDA2_OPENED] == 0) {
        RDREC(key, block, count, st);
        FNDTOL(st);
        if (MACTYP == MACTYP_MCHTBL) plg_mchtbl_mdget(MCHTBL);
    }
}

void CURCOM(const i32& common, const i32& machine, const i32& display, const i32& heights, const i32& upw,
            const i32& mode, i32& status)
{
    status = 0;
    const bool second = mode == 2;
    i32 st = 0;
    if (common) {
        i32 v = 0;
        f32 r = 0;
        f32 p[3];
        if (item(GR_GLOBAL, second ? 8 : 7, 1, DT_INT, &v, st) == 0) NPT1[NPT1_VIEW] = v;
        if (item(GR_GLOBAL, second ? 10 : 9, 1, DT_REAL, &r, st) == 0) NPT1[NPT1_VIEWPAR] = r2wrd(r);
        if (item(GR_GLOBAL, second ? 13 : 11, 3, DT_REAL, p, st) == 0) std::memcpy(NPT1 + NPT1_ORIGIN, p, sizeof p);
        if (item(GR_GLOBAL, second ? 14 : 12, 3, DT_REAL, p, st) == 0) std::memcpy(NPT1 + NPT1_HOME, p, sizeof p);
        if (item(GR_MACHINE, 47, 1, DT_INT, &v, st) == 0 && v > 0) NPT1[NPT1_UCS] = v;
        if (st < 0) goto fail;
        GSCARG(0, 0);
    }
    if (machine) {
        PRM9[PRM9_UCS] = 0;
        i32 count = 0;
        RMCHTB(MED_LIST, count, st);
        if (st < 0) goto fail;
        if (PRM9[PRM9_UCS] == 0 && common) PRM9[PRM9_UCS] = NPT1[NPT1_UCS];
    }
    if (display) {
        f32 p[3], a[3];
        if (item(GR_GLOBAL, second ? 6 : 5, 3, DT_REAL, p, st) == 0) std::memcpy(DSP8 + DSP8_POS, p, sizeof p);
        if (item(GR_GLOBAL, second ? 28 : 27, 3, DT_REAL, a, st) == 0) {
            std::memcpy(DSP8 + DSP8_AXIS, a, sizeof a);
            std::memcpy(DSP8 + DSP8_NORMAL, a, sizeof a);
        }
        if (st < 0) goto fail;
    }
    if (heights) {
        i32 v = 0;
        if (item(GR_GLOBAL, 43, 1, DT_INT, &v, st) == 0) tp_vnum_set(v);
        if (item(GR_GLOBAL, 113, 1, DT_INT, &v, st) == 0 && v > 0) tp_vnum_set(v);
        orbis_version_set(0);
        if (item(GR_GLOBAL, 150, 1, DT_INT, &v, st) == 0) orbis_version_set(v);
        i32 expr[EXPR_WORDS];
        if (item(GR_GLOBAL, 36, EXPR_WORDS, DT_EXPR, expr, st) == 0) std::memcpy(HEI8, expr, sizeof expr);
        if (item(GR_GLOBAL, 37, 1, DT_INT, &v, st) == 0) HEI8[HEI8_RETRACT] = v == 1 ? 1 : 0;
        std::memcpy(HEI8 + HEI8_PLANE2, HEI8, EXPR_WORDS * sizeof(i32));
        rel_nc_init_expr(HEI8 + HEI8_PLANE2);
        if (item(GR_GLOBAL, 48, 1, DT_INT, &v, st) == 0) HEI8[HEI8_ABSOLUTE] = v == 1 ? 1 : 0;
        if (item(GR_GLOBAL, 49, EXPR_WORDS, DT_EXPR, expr, st) == 0) std::memcpy(HEI8 + HEI8_PLANE2, expr, sizeof expr);
        if (item(GR_GLOBAL, 50, EXPR_WORDS, DT_EXPR, expr, st) == 0) std::memcpy(HEI8 + HEI8_INCR, expr, sizeof expr);
        if (item(GR_GLOBAL, 129, 1, DT_INT, &v, st) == 0) HEI8[HEI8_AXIS] = v;
        if (st < 0) goto fail;
    }
    if (upw) {
        // The block keeps the frequent-backup switch and the passes between
        // backups as integers; "UPW2" holds them as reals. A switch other
        // than 2 (on) is off, 1.0: blocks written before the switch was kept
        // hold 0 there.
        i32 v = 0;
        if (item(GR_GLOBAL, 38, 1, DT_INT, &v, st) == 0) UPW2[UPW2_SWITCH] = r2wrd(v == 2 ? UPW2_ON : UPW2_OFF);
        if (item(GR_GLOBAL, 39, 1, DT_INT, &v, st) == 0) UPW2[UPW2_PASSES] = r2wrd(static_cast<f32>(v));
        if (st < 0) goto fail;
    }
    {
        i32 g = 1;
        if (item(GR_GLOBAL, 119, 1, DT_INT, &g, st) != 0) g = 1;
        if (st < 0) goto fail;
        set_ProcGeomStatus(g);
    }
    return;
fail:
    eroutc("CURCOM, ERROR IN LIST", 0);
    status = -1;
}

void PRCPOS(f32* spoint, f32* saxis, f32* epoint, f32* eaxis, i32& status)
{
    status = 0;
    i32 size = 0, type = 0, cls = 0, st = 0;
    TPBLKH(3, size, type, cls, st);
    if (st < 0 || type != BT_PROC) {
        eroutc("PRCPOS, CURRENT BLOCK IS NOT A PROCEDURE DEFINITION BLOCK", 0);
        status = -1;
        return;
    }
    f32* out[4] = {spoint, saxis, epoint, eaxis};
    const i32 codes[4] = {5, 27, 6, 28};
    for (i32 k = 0; k < 4; ++k) {
        i32 c = 3;
        TPGETN(MED_LIST, GR_GLOBAL, codes[k], c, DT_REAL, out[k], st);
        if (st < 0) {
            eroutc("PRCPOS,ERRORS IN LIST", 0);
            status = -1;
            return;
        }
    }
}

void GETPOS(f32* point, f32* axis, i32& attop, f32* npoint, f32* naxis, i32& atend, i32& status)
{
    status = 0;
    attop = atend = 0;
    i32 size = 0, type = 0, cls = 0, st = 0;
    TPBLKH(3, size, type, cls, st);
    if (st < 0 || type != BT_PROC) {
        eroutc("GETPOS, THE CURRENT BLOCK IS NOT A PROCEDURE DEFINITION BLOCK", 0);
        status = -1;
        return;
    }
    PRCPOS(point, axis, npoint, naxis, st);
    if (st < 0) {
        status = -1;
        return;
    }
    i32 answer = 0;
    lmark(1, 1, answer);
    if (answer < 1) {  // the host answers 1 for a position kept
        eroutc("GETPOS, CANNOT SET A MARKER", 0);
        status = -1;
        return;
    }
    auto fail = [&] {
        eroutc("GETPOS, ERRORS IN LIST", 0);
        status = -1;
        i32 t = 0;
        TPTOP(1, t);
    };
    // TPJUMP answers -1 for a move onto position 0, before the first block
    // (an end of the walk, as -2 is), and also for a list access that
    // failed, which leaves the cursor on a block (or on no list at all).
    // Only the first ends the walk: a failure taken for the top or the end
    // would hand back the home point, or no next procedure, with status 0.
    auto failed = [](i32 jst, i32 at) { return jst == -1 && at != 0; };
    // Backwards: the position the tool had before the procedure.
    while (true) {
        i32 jst = 0;
        const i32 at = TPJUMP(-1, jst);
        if (failed(jst, at)) return fail();
        if (jst == -1 || jst == -2) {
            attop = 1;
            std::memcpy(point, NPT1 + NPT1_HOME, 3 * sizeof(f32));
            axis[0] = axis[1] = 0.0f;
            axis[2] = 1.0f;
            break;
        }
        TPBLKH(3, size, type, cls, st);
        if (st < 0) return fail();
        if (type == BT_PROC) {
            f32 a[3], b[3];
            PRCPOS(a, b, point, axis, st);
            if (st < 0) return fail();
            break;
        }
        if (cls == BC_MOVE) {
            i32 num = 0;
            ENDPT(point, axis, num, st);
            if (st < 0) return fail();
            break;
        }
        if (jst == 1) {
            attop = 1;
            std::memcpy(point, NPT1 + NPT1_HOME, 3 * sizeof(f32));
            axis[0] = axis[1] = 0.0f;
            axis[2] = 1.0f;
            break;
        }
    }
    TPTOP(1, st);
    if (st < 0) return fail();
    // Forwards: where the next procedure starts.
    while (true) {
        i32 jst = 0;
        const i32 at = TPJUMP(1, jst);
        if (failed(jst, at)) return fail();
        if (jst == -2 || jst == -1) {
            atend = 1;
            break;
        }
        TPBLKH(3, size, type, cls, st);
        if (st < 0) return fail();
        if (type == BT_PROC) {
            f32 a[3], b[3];
            PRCPOS(npoint, naxis, a, b, st);
            if (st < 0) return fail();
            break;
        }
        if (cls == BC_MOVE) break;
    }
    TPTOP(1, st);
    if (st < 0) return fail();
}

void UPDCMC(i32& status)
{
    status = 0;
    i32 answer = 0;
    lacces(0, answer);
    i32 size = 0, type = 0, cls = 0, st = 0;
    if (answer > 0) TPBLKH(3, size, type, cls, st);
    if (answer <= 0 || st < 0 || cls != BC_PROC) {
        eroutc("UPDCMC-THE CURRENT BLOCK IS NOT A PROCEDURE", 0);
        status = -1;
        return;
    }
    const i32 codes[2] = {10, 47};
    for (i32 code : codes) {
        i32 v = 0, c = 1;
        TPGETC(MED_LIST, GR_MACHINE, code, c, DT_INT, &v, st);
        if (st < 0) {
            status = -1;
            return;
        }
        if (st == 0) ASATTW(v, st);
    }
}

void NXTCNT(const i32& cls, const i32& n, i32& status)
{
    const i32 want = n < 0 ? -n : n;
    i32 found = 0;
    status = 0;
    // A count of 0 asks for no block: the list stays where it stands, with
    // success. Stepping on would run to the end of the list and answer a
    // failure for a request that asked for nothing.
    if (want == 0) return;
    while (true) {
        i32 jst = 0;
        TPJUMP(1, jst);
        if (jst == -1 || jst == -2) {
            if (n > 0) eroutc("NXTCNT, ERROR IN LIST", 0);
            status = -1;
            return;
        }
        i32 size = 0, type = 0, c = 0, st = 0;
        TPBLKH(3, size, type, c, st);
        if (st < 0) {
            if (n > 0) eroutc("NXTCNT, ERROR IN LIST", 0);
            status = -1;
            return;
        }
        if (c == cls && ++found == want) return;
    }
}

namespace {
// The procedures ahead of procedure `number` in the table that have display
// blocks of their own.
i32 procedures_shown_ahead(i32 number)
{
    i32 shown_ahead = 0;
    for (i32 k = 1; k <= PRCTAB.count && k <= PRT_MAX; ++k) {
        if (PRCTAB.number[k] == number) break;
        const bool none = PRCTAB.state[k] == 2 || PRCTAB.type[k] == 52 || PRCTAB.type[k] == 53 || PRCTAB.number[k] == 0;
        if (!none) ++shown_ahead;
    }
    return shown_ahead;
}

// The block display state for a walk over the procedure's blocks. The
// procedure's attributes the host gives back (the feed font, its colour and
// pen) are the defaults the walk starts from, as when the procedure's block
// was written and first shown: the display record holds the attributes that
// the block drawn last applied, and after a display that ended on a rapid
// (the retract at the end of a run) those are the rapid's, which would draw
// every cut of the procedure as a rapid.
void start_walk()
{
    i32 colour = CLP1[CLP1_COLOUR], pen = CLP1[CLP1_PEN];
    ncd_update_current_attrs(1, colour, pen);
    DSP8[DSP8_FONT] = FEED_FONT;
    DSP8[DSP8_COLOUR] = colour;
    DSP8[DSP8_PEN] = pen;
    DSPINI(1);
}
}  // namespace

void DSPROC(const i32& mode, i32& status)
{
    status = 0;
    i32 d = mode, number = -1;
    const bool byproc = d >= 1000;
    if (byproc) {
        number = d - 1000;
        d = 1;
    }
    const i32 t = d < 8 ? d : d - 7;
    const i32 lmode = d < 8 ? 2 : d;
    if (t < 0 || t > 4) {
        erou1c("DSPROC,INVALID DMODE TYPE. DMODE = ", t);
        status = -1;
        return;
    }
    const i32 shown = (t == 3 || t == 4) ? 1 : t;
    if (shown == 1) start_walk();
    i32 size = 0, type = 0, cls = 0, st = 0;
    TPBLKH(AM_LIST, size, type, cls, st);
    if (st < 0) {
        eroutc("DSPROC - ERROR IN LIST", 0);
        status = -1;
        return;
    }
    if (type != BT_PROC) {
        eroutc("DSPROC,THE CURRENT BLOCK IS NOT A PROCEDURE", 0);
        status = -1;
        return;
    }
    CURCOM(1, 1, 0, 1, 1, 1, st);
    if (st < 0) {
        status = -1;
        return;
    }
    f32 point[3], axis[3], np[3], na[3];
    i32 attop = 0, atend = 0;
    GETPOS(point, axis, attop, np, na, atend, st);
    if (st < 0) {
        status = -1;
        return;
    }
    std::memcpy(DSP8 + DSP8_POS, point, sizeof point);
    std::memcpy(DSP8 + DSP8_AXIS, axis, sizeof axis);
    std::memcpy(DSP8 + DSP8_NORMAL, axis, sizeof axis);
    if (!byproc) {
        TMINST(CURTOL, point, axis, st);
        i32 c = 1;
        TPGETN(MED_LIST, GR_LEAD, 33, c, DT_INT, &number, st);
        if (st < 0) {
            eroutc("DSPROC - ERROR IN LIST", 0);
            status = -1;
            return;
        }
    }

    const i32 shown_ahead = procedures_shown_ahead(number);
    if (t != 2 && t != 4) {
        ncd_set_block_position(shown_ahead > 0 ? number : 0, 99, st);
        if (st < 0 && t != 3) {
            eroutc("DSPROC, ERRORS IN THE DISPLAY FILE", 0);
            status = -1;
            return;
        }
        ncd_delete_block_or_proc(number);
    }

    // Every block of the procedure's sub-list, and of the sub-lists below it
    // that the display of a procedure block enters (DSPBLK opens them), each
    // left at its end; the procedure's own sub-list is closed last.
    auto list_error = [&] {
        eroutc("DSPROC - ERROR IN LIST", 0);
        status = -1;
    };
    OPNSBL(st);
    if (st < 0) return list_error();
    i32 own = 0;
    gtlstn(1, own);
    // Back up to the procedure's own level and out of it.
    auto close_all = [&] {
        i32 level = 0, cst = 0;
        gtlstn(1, level);
        for (; level > own; --level) CLSSBL(cst);
        CLSSBL(st);
    };
    if (lmode > 7) mrm_set_reallocation_size(7);
    while (true) {
        i32 answer = 0;
        lacces(1, answer);
        if (answer == -2) {
            close_all();
            return list_error();
        }
        if (answer < 0) {
            i32 level = 0;
            gtlstn(1, level);
            if (level <= own) break;
            i32 cst = 0;
            cltran(cst);
            CLSSBL(st);
            if (st < 0) {
                close_all();
                return list_error();
            }
            continue;
        }
        // The position before the block becomes the previous one; the modal state
        // keeps no position and no record holds a second one: it is not copied.
        std::memcpy(DSP8 + DSP8_PREV, DSP8 + DSP8_POS, 6 * sizeof(i32));
        i32 btype = 0, hit = 0, dst = -1;
        DSPBLK(shown, lmode, btype, hit, dst);
        if (dst < 0) {
            close_all();
            return list_error();
        }
        if (dst == 3 && btype == BT_PROC && PRCFLG[0] > 0) {
            // A procedure whose blocks lie in its database entity: shown
            // once. Procedure flag 1 keeps the entity's id while they are
            // shown, so repeating while it is above 0 would never end.
            i32 pst = 0, cst = 0;
            DSPPRC(lmode, shown, PRCFLG[0], pst);
            cltran(cst);
            // Ends the redraw with status 0: the entity display reports its
            // own failure, and the procedure's blocks and records are whole,
            // so its callers go on with the picture as far as it was drawn.
            if (pst < 0 || cst != 0) {
                close_all();
                return;
            }
        }
    }
    CLSSBL(st);
    if (st < 0) return list_error();
    if (!byproc) {
        i32 inst = 0;
        tm_inst_id(1, inst);
        if (inst > 0) TOLMOV(inst, point, axis, 1);
        MUALL(1);
    }
}
