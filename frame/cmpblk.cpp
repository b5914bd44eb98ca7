#include "frame/cmpblk.h"

#include <cstring>

#include "blocks/listacc.h"
#include "blocks/procblk.h"
#include "blocks/geoslot.h"
#include "core/codedio.h"
#include "frame/callbacks.h"
#include "core/names.h"
#include "stock/optim.h"
#include "core/host.h"
#include "frame/machtype.h"
#include "core/records.h"
#include "stock/optwords.h"

i32 MOTMOD = 0;
i32 MODRST = 0;
i32 TORSTW = 0;
i32 OLDVER = 0;

namespace {
// A word and the item that stores it in group 24.
struct Item {
    i32 word, count, item, real;
};

// Single items in the order they are read back.
constexpr Item ITEMS1[] = {
    {0, 1, 59, 0},  {1, 1, 60, 1},  {2, 1, 61, 1},  {3, 1, 62, 0},  {4, 1, 63, 1},  {5, 1, 64, 1},
    {6, 1, 65, 0},  {7, 1, 66, 1},  {9, 1, 122, 0}, {8, 1, 67, 1},  {10, 1, 68, 0}, {11, 1, 69, 1},
    {12, 1, 70, 1}, {13, 1, 71, 0}, {14, 1, 72, 0}, {15, 1, 73, 0}, {16, 1, 74, 1}, {17, 1, 75, 1},
    {18, 1, 76, 0}, {19, 1, 77, 1}, {20, 1, 108, 0}, {21, 1, 78, 0}, {22, 1, 79, 1}, {23, 1, 80, 1},
    {25, 1, 81, 0}, {55, 1, 115, 0},
};
constexpr Item ITEMS2[] = {
    {26, 5, 109, 1}, {31, 6, 110, 0}, {37, 5, 111, 1}, {42, 6, 112, 0}, {48, 1, 114, 0}, {56, 1, 120, 0},
    {57, 1, 121, 0}, {58, 10, 125, 0}, {68, 1, 126, 0}, {69, 10, 127, 0}, {79, 10, 128, 0},
};

f32 R(const i32* b, i32 w) { return wrd2r(b[w]); }

// Snapshot of the settings taken at the start of a define cycle.
struct Snapshot {
    char txt1[20], txt2[12];
    i32 hei[6];
    i32 upw[2];
    i32 modrst;
    i32 ucs;
    i32 wrmb4;
    i32 motmod;
    i32 torst;
    i32 prm[PRM9_N];
    i32 mcht[MCHT_N];
};
Snapshot SNAP;
constexpr i32 HEI_WORDS[6] = {0, 24, 48, 73, 76, 78};

void read_items(const Item* items, size_t n, i32& status)
{
    for (size_t k = 0; k < n && status >= 0; ++k) {
        const Item& it = items[k];
        i32 buf[10] = {0};
        i32 count = it.count;
        i32 st = 0;
        TPGETC(MED_LIST, GR_GLOBAL, it.item, count, it.real ? 1 : 0, buf, st);
        if (st < 0) {
            status = st;
            return;
        }
        if (st == 1) continue;
        if (count > it.count) count = it.count;
        for (i32 w = 0; w < count; ++w) CMPBLK[it.word + w] = buf[w];
    }
}

bool rotates_ucs() { return if_rotate_ucs() != 0; }
}  // namespace

void CMPDEF()
{
    i32* b = CMPBLK;
    auto I = [&](i32 w, i32 v) { b[w] = v; };
    auto F = [&](i32 w, f32 v) { b[w] = r2wrd(v); };
    I(0, 1);
    F(1, -0.5f);
    F(2, 20.0f);
    I(3, 1);
    F(4, 100.0f);
    F(5, 100.0f);
    I(6, 1);
    F(7, -99999.99f);
    F(8, 99999.99f);
    I(9, 1);
    I(10, 1);
    F(11, 0.0f);
    F(12, 90.0f);
    I(13, 1);
    I(14, 23);
    I(15, 1);
    F(16, 90.0f);
    F(17, 90.0f);
    I(18, 1);
    F(19, 10.0f);
    I(20, 10);
    I(21, 1);
    F(22, 10.0f);
    F(23, 10.0f);
    I(25, 0);
    const f32 vol[5] = {0.5f, 1.2f, 1.5f, 2.0f, 3.0f};
    const f32 ang[5] = {30.0f, -1.0f, -20.0f, -45.0f, -75.0f};
    const i32 fac[6] = {110, 100, 80, 65, 50, 30};
    for (i32 k = 0; k < 5; ++k) {
        F(26 + k, vol[k]);
        F(37 + k, ang[k]);
    }
    for (i32 k = 0; k < 6; ++k) {
        I(31 + k, fac[k]);
        I(42 + k, fac[k]);
    }
    I(48, 3);
    I(55, 2);
    I(56, 0);
    I(57, 0);
    for (i32 k = 58; k <= 67; ++k) I(k, -1);
    I(68, 1);
    for (i32 k = 69; k <= 88; ++k) I(k, 100);
}

void CMPGTP(i32& status)
{
    status = 0;
    CMPDEF();
    read_items(ITEMS1, sizeof ITEMS1 / sizeof ITEMS1[0], status);
    if (status < 0) return;
    i32 code = 0, count = 1, st = 0;
    TPGETN(MED_LIST, GR_LEAD, 34, count, 0, &code, st);
    if (st < 0) {
        status = st;
        return;
    }
    if (optim_all_off() != 0 && code != 38 && code != 54) CMPBLK[CMP_RERUN] = 0;
    read_items(ITEMS2, sizeof ITEMS2 / sizeof ITEMS2[0], status);
    if (status < 0) return;
    i32 tool = 0;
    count = 1;
    TPGETC(MED_LIST, GR_MACHINE, 10, count, 0, &tool, st);
    if (st < 0) {
        status = st;
        return;
    }
    if (st == 0) PRM9[PRM9_TOOL] = tool;
}

i32 CMPACT()
{
    const i32* b = CMPBLK;
    return (b[0] == 1 && b[3] == 1 && b[6] == 1 && b[13] == 1 && b[18] == 1) ? 0 : 1;
}

void CMPPUT(const i32* old, i32& result)
{
    i32* nw = CMPBLK;
    const i32* o = old;
    i32 r = nw[25];
    auto finish = [&] {
        if (MOTKND == 4 || MOTKND == 5) {
            nw[25] = 0;
            r = 0;
        }
        result = r;
    };

    // Switching the optimizer on or off.
    if (o[55] == 2 && nw[55] == 1) {
        if (o[25] != 2 && o[25] != 4) {
            if (o[25] == 3 || o[25] == 1) nw[25] = 0;
            r = RR_UPDATE;
        } else {
            r = RR_EXEC;
        }
        return finish();
    }
    if (o[55] == 1) {
        if (nw[55] == 2) {
            r = (CMPACT() == 0 && o[25] != 3) ? RR_UPDATE : RR_OPT;
            return finish();
        }
        if (nw[55] == 1) return finish();
    }

    // Whether optimization alone can follow the change.
    const bool opt_only = nw[0] >= o[0] && (nw[3] == o[3] || o[3] < 3) && nw[6] >= o[6] &&
                          !(nw[6] == 3 && o[6] == 2) && nw[9] == o[9] && nw[13] >= o[13] &&
                          (o[18] == 1 || nw[18] == o[18]) && nw[25] != 4;
    if (!opt_only) {
        r = RR_EXEC;
        return finish();
    }
    const i32 t = (o[18] == 3 && nw[18] == 3) ? 1 : 0;
    if (nw[0] > o[0] || nw[3] != o[3] || nw[13] > o[13] || (o[6] == 1 && nw[6] > o[6]) || nw[18] > o[18]) {
        r = RR_OPT + t;
        return finish();
    }
    if (R(nw, 2) < R(o, 2)) {
        if (nw[0] == 2) {
            r = RR_EXEC;
            return finish();
        }
        r = RR_UPDATE;
    }
    if (nw[20] != o[20]) {
        if (nw[18] == 3) {
            r = RR_EXEC;
            return finish();
        }
        r = RR_UPDATE;
    }
    if (nw[48] != o[48] || nw[1] != o[1]) {
        if (nw[0] == 2) {
            if (t == 1) {
                r = RR_EXEC;
                return finish();
            }
            r = RR_OPT;
        } else {
            r = RR_UPDATE;
        }
    }

    // Feed tables.
    if (r != 0) {
        auto table_rule = [&] { r = nw[18] == 2 ? RR_OPT : (r == RR_OPT ? RR_OPT : RR_UPDATE); };
        for (i32 i = 0; i < 5; ++i) {
            const f32 ov = R(o, 26 + i), nv = R(nw, 26 + i), oa = R(o, 37 + i), na = R(nw, 37 + i);
            if (neval(nv, ov) || nw[31 + i] != o[31 + i] || neval(na, oa) || nw[42 + i] != o[42 + i]) {
                table_rule();
                break;
            }
        }
        if (nw[36] != o[36] || nw[47] != o[47]) table_rule();
    }
    if (nw[3] == 5) {
        bool changed = false;
        for (i32 k = 58; k <= 67; ++k) changed |= nw[k] != o[k];
        // Rows 69-78 and 79-88 hold ten entries each: a count in word 68
        // beyond that is not read past the rows into the words after them.
        i32 m = nw[68] - 1;
        if (m > 10) m = 10;
        for (i32 k = 0; k < m; ++k) changed |= nw[69 + k] != o[69 + k] || nw[79 + k] != o[79 + k];
        if (changed) {
            r = RR_EXEC;
            return finish();
        }
    }

    // Limits.
    const i32 o6 = o[6], n6 = nw[6];
    const f32 olo = R(o, 7), nlo = R(nw, 7), ohi = R(o, 8), nhi = R(nw, 8);
    bool lower = false;
    if ((n6 == o6 && n6 != 1) || (n6 == 4 && o6 == 2)) {
        if (n6 != 3 && o6 != 3 && nhi > ohi) {
            r = RR_EXEC;
            return finish();
        }
        lower = !(n6 == 2 || o6 == 2);
    } else if (n6 == 4 && o6 == 3) {
        lower = true;
    } else {
        return finish();
    }
    if (lower && nlo < olo) {
        r = RR_EXEC;
        return finish();
    }
    if ((n6 != 3 && o6 != 3 && nhi < ohi) || (n6 != 2 && o6 != 2 && nlo > olo) || n6 != o6) {
        if (r < RR_OPT) r = RR_OPT;
    }
    finish();
}

void TXTDEF(const i32& read)
{
    char t1[21] = "No Text", t2[13] = "No Text";
    GSTXT1(2, t1);
    GSTXT2(2, t2);
    if (read != 0) {
        i32 st = 0;
        RDREC("TXT2", TXT2, TXT2_N, st);
    }
}

i32 TXTCHG()
{
    char t1[20], t2[12];
    GSTXT1(1, t1);
    GSTXT2(1, t2);
    return (std::memcmp(t1, SNAP.txt1, 20) != 0 || std::memcmp(t2, SNAP.txt2, 12) != 0) ? 1 : 0;
}

void CPYROT(const i32& mode, i32& recompute, i32& update, i32& feedchg)
{
    if (mode == 1) {
        std::memcpy(SNAP.prm, PRM9, sizeof SNAP.prm);
        std::memcpy(SNAP.mcht, MCHTBL, sizeof SNAP.mcht);
        SNAP.wrmb4 = WRMB[WRMB_WORD4];
        SNAP.motmod = MOTMOD;
        return;
    }
    const i32* o = SNAP.prm;
    const i32* n = PRM9;
    auto ch = [&](i32 w) { return o[w] != n[w]; };
    static const i32 RECOMPUTE[] = {PRM9_TOOL, PRM9_PCT2, PRM9_P52, PRM9_P56, PRM9_SPMODE, PRM9_P9, PRM9_FIT};
    static const i32 UPDATE[] = {PRM9_SPEED, PRM9_SPIN, PRM9_DIR,  PRM9_FEED, PRM9_PCT3, PRM9_PCT25,
                                 PRM9_P53,   PRM9_COOL, PRM9_PCT26, PRM9_P57, PRM9_P58,  PRM9_MAXF};
    const bool show_type = mactyp_shows_tool(MACTYP);
    bool rc = ch(PRM9_SHOWTOOL) && show_type, up = ch(PRM9_SHOWTOOL) && !show_type;
    for (i32 w : RECOMPUTE) rc |= ch(w);
    rc |= SNAP.wrmb4 != WRMB[WRMB_WORD4];
    for (i32 w : UPDATE) up |= ch(w);
    up |= SNAP.motmod != MOTMOD;
    if (rc) {
        recompute = 1;
        PRCFLG[3] = 1;
    }
    if (up) {
        update = 1;
        PRCFLG[3] = 1;
    }
    if (ch(17)) {
        PRCCST.rebuild = 1;  // the triangle model is built again
        PRCCST.second = 0;
        if (rotates_ucs())
            recompute = 1;
        else
            update = 1;
    }
    if (ch(0) && CMPBKP[18] == 2) feedchg = 1;
    if (MACTYP == MACTYP_MCHTBL) {
        const i32* a = SNAP.mcht;
        const i32* b = MCHTBL;
        bool c = a[0] != b[0];
        if (b[0] == 2) c |= a[1] != b[1] || a[2] != b[2];
        for (i32 k = 3; k <= 5; ++k) c |= neval(wrd2r(a[k]), wrd2r(b[k]));
        if (b[0] == 1) c |= a[6] != b[6];
        for (i32 k = 7; k <= 9; ++k)
            if (b[k - 4] != 0) c |= a[k] != b[k];
        if (c) recompute = 1;
    }
}

void CHGSNP(const i32& mode, const i32& size, const i32* block, PrcChgFn cb6, i32* copy, i32& recompute,
            i32& update, const i32& append, i32& level)
{
    (void)append;
    if (mode == 1) {
        GSTXT1(1, SNAP.txt1);
        GSTXT2(1, SNAP.txt2);
        for (i32 k = 0; k < 6; ++k) SNAP.hei[k] = HEI8[HEI_WORDS[k]];
        SNAP.upw[0] = UPW2[UPW2_SWITCH];
        SNAP.upw[1] = UPW2[UPW2_PASSES];
        SNAP.modrst = MODRST;
        SNAP.ucs = NPT1[NPT1_UCS];
        SNAP.torst = TORSTW;
        i32 z = 0;
        CPYROT(1, z, z, z);
        if (block && copy && size > 0) std::memcpy(copy, block, static_cast<size_t>(size) * sizeof(i32));
        std::memcpy(CMPBKP, CMPBLK, sizeof CMPBKP);
        return;
    }

    // Flags already raised on entry.
    if (recompute) PRCFLG[4] = 1;
    if (update == 0)
        update = TXTCHG();
    else
        PRCFLG[2] = update;

    i32 feedchg = 0;
    CPYROT(2, recompute, update, feedchg);

    // Heights.
    const i32* h = SNAP.hei;
    const bool absolute = HEI8[HEI8_ABSOLUTE] != 0;
    bool same = eqval(hei8r(HEI8_CLEARANCE), wrd2r(h[0])) && ((HEI8[HEI8_RETRACT] != 0) == (h[3] != 0)) &&
                TORSTW == SNAP.torst && MODRST == SNAP.modrst && HEI8[HEI8_ABSOLUTE] == h[4] &&
                HEI8[HEI8_AXIS] == h[5] && (!absolute || HEI8[HEI8_PLANE2] == h[1]) &&
                (absolute || HEI8[HEI8_INCR] == h[2]);
    if (!same) {
        recompute = 1;
        PRCFLG[2] = 1;
    }
    if (UPW2[UPW2_SWITCH] != SNAP.upw[0] || UPW2[UPW2_PASSES] != SNAP.upw[1]) {
        update = 1;
        PRCFLG[2] = 1;
    }
    if (NPT1[NPT1_UCS] != SNAP.ucs) {
        if (rotates_ucs())
            recompute = 1;
        else
            update = 1;
        PRCFLG[2] = 1;
    }

    // The procedure's own comparison of its parameter block.
    if (cb6) {
        i32 rc = 0, up = 0, st = 0;
        cb6(rc, up, st);
        if (rc != 0) {
            PRCFLG[4] = 1;
            recompute = 1;
        }
        if (up != 0) {
            PRCFLG[4] = 1;
            update = 1;
        }
    }

    i32 r = 0;
    CMPPUT(CMPBKP, r);
    if (r == RR_OPT)
        level = recompute == 0 ? 1 : 2;
    else if (r == RR_EXEC)
        recompute = 1;
    else if (r == RR_UPDATE)
        update = 1;
    if (feedchg && recompute == 0 && level != 2) level = 3;
}

void RDPINF(PrcReadFn cb5, const i32& opened, i32& oldver, i32& status)
{
    status = 0;
    i32 medium = MED_LIST;
    if (EDA2[EDA2_HELD] != 0) {
        i32 id = gs_proc_id();
        i32 tps[20], n = 0;
        if (id > 0) ncn_assoc_find_proc_tp(id, tps, 20, n);
        if (n > 0) {
            medium = MED_ENTITY;
            for (i32 k = 0; k < n && k < 20; ++k)
                if (tps[k] == CLP1[CLP1_TOOLPATH]) medium = MED_LIST;
        }
    }
    i32 type = -1, version = -1, item113 = -1, count = 0;
    if (medium == MED_LIST) {
        i32 c = 1, st = 0;
        TPGETN(MED_LIST, GR_LEAD, 34, c, 0, &type, st);
        if (st < 0) {
            status = st;
            return;
        }
        c = 1;
        TPGETC(MED_LIST, GR_GLOBAL, 43, c, 0, &version, st);
        if (st < 0) {
            status = st;
            return;
        }
        if (st == 1) version = -1;
        c = 1;
        TPGETC(MED_LIST, GR_GLOBAL, 113, c, 0, &item113, st);
        if (st < 0) {
            status = st;
            return;
        }
        if (st == 1) item113 = -1;
        c = 1;
        i32 w47 = 0;
        TPGETC(MED_LIST, GR_GLOBAL, 47, c, 0, &w47, st);
        if (st < 0) {
            status = st;
            return;
        }
        MCHSTW[1] = st == 1 ? 0 : w47;
        PLFIND(GR_TOP, 25, st);
        if (st < 0) {
            status = st;
            return;
        }
        i32 words[3] = {0};
        tpget(MED_LIST, 1, DT_INT, words, st);
        if (st < 0) {
            status = st;
            return;
        }
        count = words[0];
    } else {
        i32 w47 = 0;
        gs_param(34, type);
        gs_param(43, version);
        gs_param(113, item113);
        gs_param(47, w47);
        MCHSTW[1] = w47;
        // The procedure record must be readable before its local
        // parameters are: a procedure the host cannot read stops here.
        i32 nwords = 0, ngeom = 0, st = 0;
        get_proc_info(gs_proc_id(), nwords, ngeom, st);
        if (st < 0) {
            status = st;
            return;
        }
        i32 lid = 0;
        get_lclprm_info(gs_proc_id(), lid, count, st);
        if (st < 0) {
            status = st;
            return;
        }
        i32 cls = 0, t = 0, len = 0;
        eopen(lid, cls, t, len, st);
        if (st < 0) {
            status = st;
            return;
        }
        eskipn(4);
    }
    oldver = 1;
    i32 below515 = 1;
    if (version >= 0) {
        oldver = version < 1001 ? 1 : 0;
        below515 = version < 515 ? 1 : 0;
    }
    tp_vnum_set(version);
    if (item113 > 0) tp_vnum_set(item113);
    i32 st = 0;
    if (cb5) cb5(medium, type, version, below515, count, st);
    if (medium == MED_ENTITY) eclose();
    if (st < 0) {
        status = st;
        return;
    }
    if (opened == 0) MODRST = 1;
    TLDREC();
}

void RDPFLG(i32& status)
{
    status = 0;
    get_proc_flags(status);
    if (status > 0) status = 0;
}

void GSLOT2()
{
    if (GSLOTS[0] != 0) GSLOTS[2] = 1;
}

// The host here takes the common arguments as whole records: "NPT1" holds
// the machine-system matrix, home point, origin, UCS id, view number and
// view parameter; "HEI8" holds its word 24; "PRM9" machine value 17; so
// handing the four records over gives the host every one of the values,
// and taking them back takes every one back. There is no call of single
// values to hand them one by one.
void RPSPRC(const i32& a, const i32& b, const i32& c)
{
    gs_common_arguments(1, NPT1, DSP8, HEI8, PRM9);
    repos_proc(a, b, c);
    gs_common_arguments(2, NPT1, DSP8, HEI8, PRM9);
}
