#include "frame/machtype.h"

#include <cstring>

#include "blocks/movement.h"
#include "core/host.h"
#include "blocks/dspblk.h"
#include "blocks/modal.h"
#include "frame/gocomp.h"
#include "frame/tolmnu.h"
#include "passes/services.h"
#include "tools/toolcache.h"
#include "tools/tooldlg.h"
#include "tools/tooldsp.h"
#include "tools/toollib.h"
#include "core/records.h"


namespace {
// Wire tools of the CHARMILLE kind: the seven generator flags, the six saved
// register values and the four saved mode flags. No service of this module
// saves register values: they stay 0 and so do the record's register words,
// but for the C and A registers that the tool itself gives.
i32 WIRGEN[7];
i32 WIRREG[6];
i32 WIRSAV[4];
}  // namespace

namespace {
constexpr i32 KEEP = -1;  // MACTYP stays as it is

// Tool types.
constexpr i32 T_NONE = 0, T_DRILL = 1, T_MILL = 2, T_LATHE = 3, T_PUNCH = 4, T_LDRILL = 8, T_THREAD = 9,
              T_GROOVE = 10;

struct MillRow {
    i32 codes[4];
    i32 mactyp;
    i32 set;
    i32 tcase;   // 0: 2 when the current tool is a MILL, else 1
    i32 tool;
    i32 family;
    i32 pausable;
    i32 least;
    i32 value22;  // machine value 22 becomes 2
    i32 mv12;     // machine value 12 becomes 0
};

// Machining types that no engine tests stay plain numbers in these tables.
constexpr MillRow MILL[] = {
    {{10, 11, 12, 39}, KEEP, 3, 0, T_DRILL, 1, 0, 22, 1, 0},
    {{6}, MACTYP_TYPE6, 6, 1, T_DRILL, 1, 1, 22, 1, 0},
    {{1}, MACTYP_TYPE1, 1, 1, T_MILL, 0, 1, 22, 1, 0},
    {{2, 3, 33}, MACTYP_TYPE2, 1, 2, T_MILL, 0, 1, 22, 1, 0},
    {{9, 28}, MACTYP_SURFACES, 2, 3, T_MILL, 0, 1, 23, 0, 0},
    {{4}, MACTYP_TYPE4, 2, 3, T_MILL, 0, 1, 23, 0, 0},
    {{35}, MACTYP_ONESURF, 2, 3, T_MILL, 0, 1, 23, 0, 0},
    {{7}, MACTYP_TYPE7, 2, 3, T_MILL, 0, 1, 23, 0, 1},
    {{27}, MACTYP_TYPE27, 1, 3, T_MILL, 0, 1, 23, 0, 0},
    {{48}, MACTYP_TYPE48, 1, 3, T_MILL, 0, 1, 23, 0, 0},
    {{15, 36}, MACTYP_TYPE15, 1, 3, T_MILL, 0, 1, 23, 1, 0},
    {{5}, MACTYP_TYPE5, 2, 2, T_MILL, 0, 1, 23, 1, 1},
    {{34, 38}, MACTYP_CLEARAREA, 2, 2, T_MILL, 0, 1, 23, 1, 0},
    {{13, 37}, MACTYP_TYPE13, 1, 1, T_MILL, 0, 1, 23, 1, 0},
    {{14}, MACTYP_TYPE13, 1, 3, T_MILL, 0, 1, 23, 1, 0},
    {{49}, 30, 1, 1, T_MILL, 0, 1, 26, 1, 0},
    {{8}, 21, 4, 2, T_NONE, 0, 0, 24, 1, 0},
    {{52}, MACTYP_TYPE52, 4, 2, T_NONE, 0, 1, 22, 1, 0},
    {{53}, MACTYP_TYPE53, 4, 2, T_NONE, 0, 1, 22, 1, 0},
    {{54}, MACTYP_MCHTBL, 26, 4, T_MILL, 0, 1, 23, 1, 1},
    {{55}, KEEP, 2, 2, T_MILL, 0, 1, 23, 1, 1},
    {{56}, MACTYP_TYPE56, 1, 3, T_MILL, 0, 1, 23, 0, 0},
};

struct OtherRow {
    i32 codes[2];
    i32 mactyp;
    i32 set;
    i32 tool;  // 0: the machine's own tool type
    i32 family;
    i32 pausable;
};

constexpr OtherRow LATHE[] = {
    {{20, 40}, KEEP, 20, T_LATHE, 1, 0}, {{8}, 21, 4, T_LATHE, 1, 0},  {{21, 31}, 5, 21, T_LATHE, 0, 1},
    {{22, 32}, 10, 21, T_LATHE, 0, 1},   {{23}, MACTYP_TYPE23, 23, T_LDRILL, 0, 1}, {{29}, 26, 24, T_THREAD, 0, 1},
    {{30}, 4, 25, T_GROOVE, 0, 1},
};
constexpr OtherRow WIRE[] = {
    {{26, 41}, KEEP, 19, 0, 0, 0}, {{24}, 23, 19, 0, 0, 1}, {{25}, 24, 19, 0, 0, 1},
    {{50}, 31, 19, 0, 0, 1},       {{51}, 32, 19, 0, 0, 1},
};
constexpr OtherRow PUNCH[] = {
    {{19, 42}, KEEP, 16, T_PUNCH, 0, 0},
    {{18}, 19, 16, T_PUNCH, 0, 1},
    {{17}, 18, 17, T_PUNCH, 0, 1},
    {{16}, 20, 16, T_PUNCH, 0, 1},
};

template <typename Row, size_t N>
const Row* find(const Row (&rows)[N], i32 code)
{
    for (const auto& r : rows)
        for (i32 c : r.codes)
            if (c != 0 && c == code) return &r;
    return nullptr;
}

// Machine type of the tool path the procedure belongs to.
i32 machine_type()
{
    i32 m = NPT1[NPT1_MACHINE];
    if (EDA2[EDA2_HELD] == 0) return m;
    i32 id = gs_proc_id();
    if (id <= 0) return m;
    i32 tps[20], n = 0;
    ncn_assoc_find_proc_tp(id, tps, 20, n);
    if (n <= 0) return m;
    for (i32 k = 0; k < n && k < 20; ++k)
        if (tps[k] == CLP1[CLP1_TOOLPATH]) return m;
    i32 header[24] = {0};
    get_set_tp_header(1, tps[0], header);
    // A stored header keeps the words of "NPT1": its machine type is the
    // third word, where the tool path information texts read it too.
    return header[NPT1_MACHINE];
}
}  // namespace

void MCHTYP(const i32& type, i32& set, i32& pausable, i32& status)
{
    status = -1;
    const i32 m = machine_type();
    TPMACH = m;
    i32 tcase = 1, tool = T_MILL, family = 0, p = 1, mt = KEEP, s = set;
    if (m >= MACH_MILL25 && m <= MACH_MILL5) {
        const MillRow* r = find(MILL, type);
        if (!r) {
            userrc("SEGMENT NOT FIT FOR CURRENT MACHINING TYPE", 0);
            return;
        }
        if (m < r->least) {
            userrc("PATH NOT FIT FOR CURRENT MACHINING TYPE", 0);
            return;
        }
        mt = r->mactyp;
        s = r->set;
        tool = r->tool;
        family = r->family;
        p = r->pausable;
        if (r->tcase == 0) {
            i32 tt = -1;
            GTTTYP(CURTOL, tt);
            tcase = tt == T_MILL ? 2 : 1;
        } else {
            tcase = r->tcase;
        }
        if (r->value22) PRM9[PRM9_FIT] = 2;
        if (r->mv12) PRM9[PRM9_SHOWTOOL] = 0;
    } else if (m == MACH_LATHE || (m >= MACH_AGIE && m <= MACH_MAKINO) || m == MACH_PUNCH) {
        const OtherRow* r = m == MACH_LATHE ? find(LATHE, type) : m == MACH_PUNCH ? find(PUNCH, type) : find(WIRE, type);
        if (!r) {
            userrc("SEGMENT NOT FIT FOR CURRENT MACHINING TYPE", 0);
            return;
        }
        mt = r->mactyp;
        s = r->set;
        p = r->pausable;
        family = r->family;
        tool = r->tool;
        if (m >= MACH_AGIE && m <= MACH_MAKINO) tool = m == MACH_AGIE ? 5 : m == MACH_CHARMILLE ? 6 : m == MACH_MAKINO ? 7 : T_NONE;
    } else {
        return;
    }
    if (mt != KEEP) MACTYP = mt;
    set = s;
    pausable = p;
    TLTCAS = tcase;
    TYPFLT(family, tool);
    status = 0;
}

void NCFTAB() { gtncfn(NCFNAM, NCFCNT, NCFMAP); }

void EXETOL(PrcExeFn cb, const i32& mode, i32& status)
{
    auto milling = [] {
        i32 ty = 0;
        if (CURTOL > 0) eattc(CURTOL, 1, "TY", ty);
        return ty == 2;
    };
    const bool kept = !mactyp_toolless(MACTYP);
    if (kept && mode == 1 && milling()) TOLSAV();
    if (mode == 2) UDRSTN();
    cb(mode, status);
    if (kept && milling()) TOLRST();
}

void TLDREC()
{
    i32 id = PRM9[PRM9_TOOL];
    i32 type = -1;
    if (id > 0) GTTTYP(id, type);
    if (type < 5 || type > 7) return;
    for (i32 k = 0; k <= 3; ++k) WRMB[k] = 0;
    for (i32 k = WRMB_GENFLAG; k < WRMB_N; ++k) WRMB[k] = 0;
    SETMOD(100, id, 0.0f);
    if (type == 5) {
        i32 gen = 0, flush = 0, offset = 0;
        f32 angle = 0;
        GTAGGN(id, gen);
        GTAGPA(id, angle);
        GTAGOF(id, offset);
        GTAGFL(id, flush);
        WRMB[WRMB_GEN] = gen;
        WRMB[WRMB_ANGLE] = r2wrd(angle);
        WRMB[WRMB_OFFSET] = offset;
        WRMB[WRMB_FLUSH] = flush;
    } else if (type == 7) {
        i32 cond = 0, offset = 0;
        GTMKCC(id, cond);
        GTMKOF(id, offset);
        WRMB[WRMB_GEN] = cond;
        WRMB[WRMB_OFFSET] = offset;
    } else {
        i32 g[5] = {0};
        i32 offset = 0;
        GTCHGC(id, g);
        GTCHOF(id, offset);
        WRMB[WRMB_OFFSET] = offset;
        // A generator index outside 1 to 7 names no generator: no flag is set.
        i32 n = g[0];
        if (n >= 1 && n <= 7) {
            WRMB[WRMB_GENFLAG + n - 1] = 1;
            for (i32 k = 0; k < 7; ++k) WIRGEN[k] = k == n - 1 ? 1 : 0;
        }
        for (i32 k = 0; k < 6; ++k) WRMB[WRMB_REGS + k] = WIRREG[k];
        if (n == 7) {
            i32 creg = 0;
            GTCHCR(id, creg);
            for (i32 k = 0; k < 5; ++k) WRMB[WRMB_REGS + k] = creg;
        }
        if (g[1] == 1 || g[1] == 2) {
            i32 areg = 0;
            GTCHAR(id, areg);
            WRMB[WRMB_AREG] = areg;
        }
        for (i32 k = 0; k < 4; ++k) {
            i32 md = g[1 + k];
            if (md == 1 || md == 2) {
                WRMB[WRMB_MODES + 2 * k + (md - 1)] = 1;
                WIRSAV[k] = 0;
            }
        }
    }
}

void TMINST(const i32& id, const f32* point, const f32* axis, i32& status)
{
    status = 0;
    if (id < 0) {
        SUITOL(1, status);
        if (status < 0) return;
        i32 tool = PRM9[PRM9_TOOL];
        i32 inst = 0;
        tm_inst_id(1, inst);
        (void)tool;
        TOLMOV(inst, point, axis, 1);
        return;
    }
    tm_inst_delete();
    i32 fig = -1;
    DISPT1(id, point, axis, fig);
    if (fig >= 0) tm_inst_id(2, fig);
}

void FNDTOL(i32& status)
{
    status = 0;
    i32 id = PRM9[PRM9_TOOL];
    i32 type = -1;
    GTTTYP(id, type);
    if (type == 1 || type == 2 || type == 3 || type == 8 || type == 9 || type == 10) {
        i32 spin = 0;
        f32 vloc = 0, feed = 0;
        GTSPIN(id, spin);
        GTVLOC(id, vloc);
        PRM9[PRM9_SPIN] = spin;
        PRM9[PRM9_SPEED] = r2wrd(vloc);
        SETMOD(2, PRM9[PRM9_SPIN], 0.0f);
        SETMOD(10, 0, vloc);
        GTFEED(id, feed);
        if (feed < 0.0f) {
            feed = wrd2r(PRM9[PRM9_FEED]);
            STFEED(feed);
            i32 st = 0;
            SGTOOL(6, id, st);
        }
        PRM9[PRM9_FEED] = r2wrd(feed);
        SETMOD(1, 0, feed);
    } else if (type == 4) {
        f32 size = -1.0f, vloc = 0;
        GTTSIZ(id, size);
        if (size < 0.0f) {
            status = -1;
            return;
        }
        GTVLOC(id, vloc);
        // The tool menu's spindle-speed rule: a size within the host's
        // tolerance of 0, or a speed of 999,999 or more, gives 999999, the
        // most the tool menu takes; a plain conversion of |v| x 1000 / (D x pi)
        // for a tiny size would not fit an integer.
        i32 spin = 0;
        SPNSPD(size, vloc, spin);
        PRM9[PRM9_SPIN] = spin;
        SETMOD(2, spin, 0.0f);
    }
}

void SUITOL(const i32& ask, i32& status)
{
    constexpr i32 SLOT = 1;
    TLSRST(SLOT);
    const bool wire = TLFILT[4] || TLFILT[5] || TLFILT[6];
    i32 chosen = -1;
    status = 0;
    i32 pid = PRM9[PRM9_TOOL];
    i32 chk = 1;
    if (pid > 0) TLSCHK(pid, chk);
    if (pid > 0 && chk == 0) {
        chosen = pid;
    } else {
        i32 count = 0, fst = 0;
        TLSFIL(SLOT, count, fst);
        if (fst == 1 || fst < 0) {
            // No tool type applies: no tool is wanted. A list that could not
            // be filled is a failure: no tool was made current.
            i32 rst = 0;
            reltol(SLOT, rst);
            status = rst < 0 || fst < 0 ? -1 : 0;
            return;
        }
        if (count > 0) {
            i32 gst = 0;
            TLSGET(SLOT, 1, chosen, gst);
            if (gst < 0) {
                // The first tool listed could not be had: none is current.
                chosen = -1;
                status = -1;
            }
        } else if (ask == 0) {
            status = -1;
        } else {
            userrc("WARNING! NO SUITABLE TOOL EXISTS", 0);
            char menu[200] = {0};
            i32 types[10], n = 0;
            for (i32 t = 1; t <= 10; ++t) {
                if (!TLFILT[t - 1]) continue;
                char name[12];
                std::memcpy(name, TLTNAM[t - 1], 11);
                name[11] = '\0';
                i32 len = 11;
                while (len > 0 && name[len - 1] == ' ') --len;
                name[len] = '\0';
                if (n > 0) std::strcat(menu, "@");
                std::strcat(menu, name);
                std::strcat(menu, " TOOL");
                types[n++] = t;
            }
            i32 choice = 0;
            if (n == 1) {
                irply1("CREATE TOOL?", menu, choice);
                choice = choice == 1 ? 1 : 0;
            } else if (n > 1) {
                prmptc("CREATE TOOL?");
                topopt(menu, choice);
            }
            if (choice >= 1 && choice <= n) {
                i32 id = -1, cst = 0;
                CPLTOL(types[choice - 1], SLOT, id, cst);
                if (cst >= 0 && id > 0) chosen = id;
            }
            if (chosen <= 0) status = -1;
        }
    }
    if (chosen > 0) {
        i32 rst = 0;
        reltol(SLOT, rst);
        i32 keep = 1, sst = 0;
        SELTOL(keep, chosen, sst);
        if (sst < 0) {
            status = -1;
        } else {
            PRM9[PRM9_TOOL] = chosen;
            if (wire) TLDREC();
            status = 0;
        }
    }
    i32 rst = 0;
    reltol(SLOT, rst);
    if (rst < 0) status = -1;
}
