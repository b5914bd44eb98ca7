#include "blocks/procblk.h"

#include <cstring>

#include "blocks/dspblk.h"
#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/movement.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "core/util.h"

i32 BLKDSW = 0;
i32 CLTVAL = -1;
i32 CLT46 = 1;
i32 PRCENT = -1;

namespace {
// Writes one group: its code and a length word 0, the segments while each
// succeeds, and the patched length.
struct Group {
    i32 medium;
    i32 length = 0;
    i32 status = 0;
    Group(i32 m, i32 code) : medium(m)
    {
        const i32 head[2] = {code, 0};
        TPPUT(medium, 2, DT_INT, head, status);
    }
    bool seg(i32 code, i32 count, i32 type, const void* values)
    {
        if (status < 0) return false;
        tpptntl(medium, code, count, type, values, length, status);
        return status >= 0;
    }
    bool i(i32 code, i32 value) { return seg(code, 1, DT_INT, &value); }
    bool r(i32 code, f32 value) { return seg(code, 1, DT_REAL, &value); }
    // Patches the length of what was written. A failed segment stays the
    // group's status even when the patch succeeds: the group is then short
    // of its segments, and a block writer going on as if it were whole
    // would keep a procedure block that readers cannot rely on.
    void close(const char* message)
    {
        bool failed = status < 0;
        if (failed && message) eroutc(message, 0);
        if (length > 0) {
            i32 st = 0;
            ljmpcg(length, st);
            if (st < 0) status = st;
        }
    }
};

// The frequent-backup switch and the passes between backups are the reals
// of "UPW2", which the pass loop reads; the block keeps them as integers.
// A value no switch or count can be is kept as 0: none is negative, and a
// value too large or not a number has no integer to convert to.
i32 backup_word(i32 word)
{
    const f32 r = wrd2r(word);
    return r >= 0.0f && r <= 1.0e6f ? static_cast<i32>(r + 0.5f) : 0;
}

bool is_wire(i32 code) { return code == 24 || code == 25 || code == 26 || code == 41 || code == 50 || code == 51; }
}  // namespace

void wglprm(const i32& medium, i32& count, i32& status)
{
    i32 colour = CLP1[CLP1_COLOUR], pen = CLP1[CLP1_PEN];
    i32 crit = 0, modify = 0;
    chk_crit_gs(1, crit);
    gs_modify(1, modify);
    Group g(medium, GR_GLOBAL);
    i32 dt[6];
    GETDTM(dt);
    char t1[20], t2[12];
    GSTXT1(1, t1);
    GSTXT2(1, t2);
    i32 w1[5], w2[3];
    std::memcpy(w1, t1, 20);
    std::memcpy(w2, t2, 12);
    const i32* c = CMPBLK;
    auto seq = [&]() {
        return g.i(20, 0) && g.i(150, orbis_flag_get() != 0 ? 1 : 0) &&
               g.i(21, EDA2[EDA2_MANUAL] != 0 && (crit != 0 || (EDA2[EDA2_SUSP] == 0 && modify != 0)) ? 2 : 1) &&
               g.i(22, MCHSTW[0] == 0 ? 2 : 1) && g.i(31, EDA2[EDA2_SAVED] != 0 ? 2 : 1) && g.i(35, 2) &&
               g.i(44, EDA2[EDA2_SUSP] != 0 ? 2 : (modify != 0 && EDA2[EDA2_INTR] != 0 ? 3 : 1)) &&
               g.i(57, EDA2[EDA2_CRIT] != 0 ? 2 : 1) &&
               g.i(58, EDA2[EDA2_BYCRIT] != 0 ? 2 : 1) && g.seg(36, 24, DT_EXPR, HEI8) &&
               g.i(37, HEI8[HEI8_RETRACT] == 0 ? 2 : 1) &&
               g.i(48, HEI8[HEI8_ABSOLUTE] == 0 ? 2 : 1) && g.seg(49, 24, DT_EXPR, HEI8 + HEI8_PLANE2) &&
               g.seg(50, 24, DT_EXPR, HEI8 + HEI8_INCR) && g.i(129, HEI8[HEI8_AXIS]) &&
               g.i(38, backup_word(UPW2[UPW2_SWITCH])) && g.i(39, backup_word(UPW2[UPW2_PASSES])) &&
               g.seg(5, 3, DT_REAL, DSP8 + DSP8_POS) && g.seg(27, 3, DT_REAL, DSP8 + DSP8_AXIS) &&
               g.i(7, NPT1[NPT1_VIEW]) &&
               g.seg(9, 1, DT_REAL, NPT1 + NPT1_VIEWPAR) && g.seg(11, 3, DT_REAL, NPT1 + NPT1_ORIGIN) &&
               g.seg(12, 3, DT_REAL, NPT1 + NPT1_HOME) &&
               g.seg(6, 3, DT_REAL, DSP8 + DSP8_POS) && g.seg(28, 3, DT_REAL, DSP8 + DSP8_AXIS) &&
               g.i(8, NPT1[NPT1_VIEW]) &&
               g.seg(10, 1, DT_REAL, NPT1 + NPT1_VIEWPAR) && g.seg(13, 3, DT_REAL, NPT1 + NPT1_ORIGIN) &&
               g.seg(14, 3, DT_REAL, NPT1 + NPT1_HOME) && g.i(40, MOTKND) && g.seg(41, 3, DT_INT, dt) &&
               g.seg(42, 3, DT_INT, dt + 3) && g.i(45, EDA2[EDA2_TABLE]) && g.i(46, 2) && g.i(47, MCHSTW[1]) &&
               g.seg(29, 5, DT_INT, w1) && g.seg(30, 3, DT_INT, w2);
    };
    auto tail = [&]() {
        if (prgvrs() != tp_vnum_get()) mark_geom_version();
        // Code 81 is the rerun word, made 4 for a suspended procedure as it
        // is written (and only then: a group that ends before it leaves the
        // word as it was).
        auto rerun = [&]() {
            if (CMPBLK[CMP_RERUN] != 0 && EDA2[EDA2_SUSP] != 0) CMPBLK[CMP_RERUN] = 4;
            return CMPBLK[CMP_RERUN];
        };
        return g.i(43, prgvrs()) && g.i(113, prgvrs()) && g.i(116, colour) && g.i(117, pen) && g.i(107, 0) &&
               g.i(119, get_ProcGeomStatus()) && g.i(59, c[0]) && g.seg(60, 1, DT_REAL, c + 1) &&
               g.seg(61, 1, DT_REAL, c + 2) && g.i(114, c[48]) && g.i(62, c[3]) && g.seg(63, 1, DT_REAL, c + 4) &&
               g.seg(64, 1, DT_REAL, c + 5) && g.i(65, c[6]) && g.seg(66, 1, DT_REAL, c + 7) &&
               g.seg(67, 1, DT_REAL, c + 8) && g.i(122, c[9]) && g.i(68, c[10]) && g.seg(69, 1, DT_REAL, c + 11) &&
               g.seg(70, 1, DT_REAL, c + 12) && g.i(71, c[13]) && g.i(72, c[14]) && g.i(73, c[15]) &&
               g.seg(74, 1, DT_REAL, c + 16) && g.seg(75, 1, DT_REAL, c + 17) && g.i(76, c[18]) &&
               g.seg(77, 1, DT_REAL, c + 19) && g.i(108, c[20]) && g.i(78, c[21]) && g.seg(79, 1, DT_REAL, c + 22) &&
               g.seg(80, 1, DT_REAL, c + 23) && g.i(81, rerun()) && g.seg(109, 5, DT_REAL, c + 26) &&
               g.seg(110, 6, DT_INT, c + 31) && g.seg(111, 5, DT_REAL, c + 37) && g.seg(112, 6, DT_INT, c + 42) &&
               g.i(115, c[55]) && g.i(120, c[56]) && g.i(121, c[57]) && g.seg(125, 10, DT_INT, c + 58) &&
               g.i(126, c[68]) && g.seg(127, 10, DT_INT, c + 69) && g.seg(128, 10, DT_INT, c + 79);
    };
    if (g.status >= 0 && seq()) tail();
    g.close("[wglprm , ]ERRORS IN LIST");
    count = g.length;
    status = g.status;
}

void wflags_values(i32 flag2, i32 flag1, i32 flag3, i32 flag4, i32 flag5, i32 flag6, const i32* slots, i32& status)
{
    Group g(AM_APPEND, GR_FLAGS);
    bool ok = g.i(51, flag1) && g.i(52, flag2) && g.i(53, flag3) && g.i(54, flag4) && g.i(55, flag5) && g.i(82, flag6);
    for (i32 s = 0; s < NSLOTS && ok; ++s) {
        i32 fcode = s < 10 ? 83 + s : 103 + 2 * (s - 10);
        i32 icode = s < 10 ? 93 + s : 104 + 2 * (s - 10);
        ok = g.i(fcode, slots[2 * s]) && g.i(icode, slots[2 * s + 1]);
    }
    g.close("[wflags], ERRORS IN LIST");
    status = g.status;
}

void wflags(i32& status)
{
    wflags_values(PRCFLG[1], PRCFLG[0], PRCFLG[2], PRCFLG[3], PRCFLG[4], PRCFLG[5], GSLOTS, status);
}

void wmchtb(const i32& medium, const i32& machine, i32& count, i32& status)
{
    i32 t = machine;
    bool P = t == 1 || t == 2 || t == 4 || t == 6;
    bool Q = t >= 21 && t <= 25;
    bool R = t == 26;
    bool PQR = P || Q || R;
    Group g(medium, GR_MACHINE);
    auto i = [&](bool when, i32 code, i32 value) { return !when || g.i(code, value); };
    auto r = [&](bool when, i32 code, i32 word) { return !when || g.seg(code, 1, DT_REAL, &word); };
    // Machine type -1 writes the tool word as -1 and the show-tool word as 1
    // and keeps them in the machine record, each when its segment is
    // reached: a group that ends before leaves the words as they were.
    auto tool = [&]() {
        if (t == -1) PRM9[PRM9_TOOL] = -1;
        return PRM9[PRM9_TOOL];
    };
    auto showtool = [&]() {
        if (t == -1) PRM9[PRM9_SHOWTOOL] = 1;
        return PRM9[PRM9_SHOWTOOL];
    };
    const i32* m = MCHTBL;
    const bool T16 = t == 16 || t == 17, T24 = t == 24;
    const bool NORM = t == 1 || t == 2 || t == 21 || t == 22 || t == 25 || t == 26 || t == -1;
    const bool TOOL = (P && t != 4) || Q || R || t == 16 || t == 17 || t == 19 || t == -1;
    bool ok = g.status >= 0 && i(true, 0, t) && r(PQR, 1, PRM9[PRM9_FEED]) && r(PQR, 2, PRM9[PRM9_SPEED]) &&
              i(P, 4, PRM9[PRM9_PCT2]) && i(P || t == 21, 5, PRM9[PRM9_PCT3]) && i(P, 51, PRM9[PRM9_PCT25]) &&
              i(P, 52, PRM9[PRM9_PCT26]) && i(PQR, 6, PRM9[PRM9_SPIN]) && i(PQR, 7, PRM9[PRM9_DIR]) &&
              i(PQR, 8, PRM9[PRM9_COOL]) && (!TOOL || g.i(10, tool())) && i(true, 47, PRM9[PRM9_UCS]) &&
              (!NORM || g.i(11, showtool())) && i(Q, 3, PRM9[PRM9_SPMODE]) && i(T24, 48, PRM9[PRM9_P56]) &&
              r(T24, 49, PRM9[PRM9_P57]) && r(T24, 50, PRM9[PRM9_P58]) && i(T16, 12, PRM9[PRM9_P52]) &&
              i(T16, 14, PRM9[PRM9_P53]) && i(R, 55, m[0]) && i(R, 56, m[1]) && r(R, 57, m[2]) && i(R, 61, m[6]) &&
              r(R, 58, m[3]) && i(R, 62, m[7]) && r(R, 59, m[4]) && i(R, 63, m[8]) && r(R, 60, m[5]) &&
              i(R, 64, m[9]) && i(Q, 9, PRM9[PRM9_P9]) && r(P || R, 53, PRM9[PRM9_MAXF]) && i(P, 54, PRM9[PRM9_FIT]);
    (void)ok;
    g.close("[wmchtb , ]ERRORS IN LIST");
    count = g.length;
    status = g.status;
}

void wlcprm(const i32& code, PrcCallback params, i32& status)
{
    Group g(AM_APPEND, GR_LOCAL);
    if (g.status >= 0) params(code, AM_APPEND, g.length, g.status);
    // A group whose code and length word cannot be written is reported as
    // a failed callback is: the local group is missing either way.
    if (g.status < 0) erou1c("[wlcprm - ]ERROR IN INSERT DATA FOR SEGMENT WITH CODE", code);
    g.close(nullptr);
    status = g.status;
}

void wgeom(const i32& code, PrcCallback geometry, i32& status)
{
    i32 count = 0;
    status = 0;
    geometry(code, AM_ENTITY, count, status);
    if (status < 0) erou1c("[wgeom - ]ERROR IN INSERT DATA FOR SEGMENT WITH CODE", code);
}

void PTBT12(const i32& code, const i32& assoc, const i32& source, PrcCallback surface, PrcCallback params,
            PrcCallback geometry, const i32& machine, i32& status)
{
    status = 0;
    i32 newproc = MOVST.newproc;
    MOVST.newproc = 1;
    i32 counter = 0, n = 1, st = 0;
    mdgetn("NPRC", &counter, n, st);
    if (st < 0) counter = 0;
    const i32 kept = st < 0 ? -1 : counter;
    if (counter > PROC_LIMIT) {
        user1c("NUMBER OF PROCEDURES IN TOOL PATH EXCEEDED", PROC_LIMIT);
        status = 1;
        return;
    }
    // The counter and the new-procedure flag go back when the block cannot
    // be written whole: a counter left raised would count deleted blocks
    // against the tool path's limit of procedures, and a flag left raised
    // would make the next move open a procedure start that no procedure
    // block heads.
    auto undo = [&]() {
        MOVST.newproc = newproc;
        i32 s = 0;
        if (kept >= 0) {
            mdputn("NPRC", RK_TEXT, 1, &kept, s);
        } else {
            i32 zero = 0;
            mdputn("NPRC", RK_TEXT, 1, &zero, s);
        }
    };
    ++counter;
    mdputn("NPRC", RK_TEXT, 1, &counter, st);
    i32 level = 0;
    gtlstn(1, level);
    BLKOPN(AM_APPEND, BT_PROC, 0, status);
    if (status < 0) {
        eroutc("PTBT12, ERROR IN OPENNING PROCEDURE BLOCK", 0);
        lclos();
        undo();
        return;
    }
    i32 number = 0;
    NXTBLN(number);
    if (number == 0) eroutc("[ptbt12: ]ATTENTION: PROCEDURE NUMBER 0 WAS CREATED", 0);
    TPPUT(AM_APPEND, 1, DT_INT, &number, status);
    if (status >= 0) blsk_note(level, number);
    if (status >= 0) {
        i32 colour = 0, pen = 0;
        if (is_wire(code)) {
            ncd_update_blank_attribute(0);
            ncd_update_current_attrs(4, colour, pen);
        } else {
            ncd_update_current_attrs(-1, colour, pen);
        }
        CLP1[CLP1_COLOUR] = colour;
        CLP1[CLP1_PEN] = pen;
        DSP8[DSP8_FONT] = 4;
        DSP8[DSP8_COLOUR] = colour;
        DSP8[DSP8_PEN] = pen;
        DSPINI(3);
        TPPUT(AM_APPEND, 1, DT_INT, &code, status);
    }
    i32 count = 0;
    if (status >= 0) wglprm(AM_APPEND, count, status);
    if (status >= 0) wflags(status);
    if (status >= 0) wmchtb(AM_APPEND, machine, count, status);
    if (status >= 0) wlcprm(code, params, status);
    if (status >= 0) wgeom(code, geometry, status);
    if (status >= 0) put_zero_lst(status);
    lclos();
    if (status >= 0 && assoc == 0) {
        i32 last = 0;
        LSTBLN(last);
        ascopy(-1, source, -1, last);
    }
    i32 work = 0;
    if (status >= 0) surface(2, assoc, work, status);
    if (status >= 0) update_flags(status);
    if (status >= 0) PLFIND(GR_TOP, 1, status);
    if (status >= 0) TPSKIP(AM_APPEND, -1, DT_INT, status);
    if (status >= 0) newls1(2, status);
    if (status >= 0) {
        i32 zero = 0;
        gsblkn(2, level + 1, zero);
        status = 0;
        return;
    }
    eroutc("PTBT12, ERROR IN WRITING A PROCEDURE BLOCK, PROCEDURE IS DELETED", 0);
    lclos();
    // A sub-list opened by this call is closed before the block goes (a
    // mend: the test "level above 1" would close the caller's own sub-list
    // when the block is written below the top level).
    i32 now = 0;
    gtlstn(1, now);
    if (now > level) {
        i32 cst = 0;
        CLSSBL(cst);
        if (cst < 0) {
            status = cst;
            return;
        }
    }
    i32 dst = 0;
    TPDELB(1, dst);
    undo();
    if (status >= 0) status = -1;
}
