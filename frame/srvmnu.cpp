// The SERVICE menu: information about the current tool path, the listings,
// the tool display mode, the origin, messages, relations, the part box, the
// criteria list and three height items. Seven columns of four slots; a slot
// whose option is not offered is a blank row so that later slots keep their
// numbers within a built column.
#include "frame/srvmnu.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "blocks/geoslot.h"
#include "blocks/navig.h"
#include "core/host.h"
#include "core/listname.h"
#include "core/names.h"
#include "core/records.h"
#include "edit/report/listing.h"
#include "frame/cmpblk.h"
#include "frame/crit.h"
#include "frame/defrel.h"
#include "frame/intctl.h"
#include "frame/least.h"
#include "frame/prclist.h"
#include "surfaces/srfbuf.h"

i32 SRVFLG[SRV_FLAGS] = {1, 1, 1, 1, 0, 1, 0};
i32 SVAPRX = 1;

namespace {
constexpr i32 SLOTS = 28;
const char* const TOOL_DISPLAY =
    "TOOL: DISPLAY@TOOL: TRACE@TOOL: NO DISPLAY@MOTION: NO FAST DISP.@MOTION: CREATE BLANK";
// The tool display record's value for each choice 1 to 5.
constexpr i32 TLER_OF_CHOICE[6] = {0, 0, 1, 2, 4, 3};

// Slots of the menu (from 1).
enum Slot : i32 {
    S_NAME = 1, S_TYPE, S_BLANK, S_TOOLDSP,
    S_SIZE, S_LEFT, S_MACSYS, S_LEVEL,
    S_TPLIST, S_PROCHD, S_TOOLS, S_PROCS,
    S_SVAP, S_BKUP, S_BKUPN, S_ORIGIN,
    S_M1, S_M2, S_INSERT, S_EDITGO,
    S_RELCLR, S_RELLIST, S_PARTBOX, S_CRIT,
    S_HEIGHT, S_TOGGLE, S_CLMODE, S_CLVALUE
};

// Heights record words (from 0) the menu edits.
constexpr i32 H_VALUE = 0, H_POINT = 24, H_DIST = 48, H_TOGGLE = 74, H_CLFLAG = 76, H_SUB2 = 78;

// What one run of the menu keeps between builds.
struct Menu {
    i32 row_slot[SLOTS + 1] = {};  // slot of each row shown (rows from 1)
    i32 rows = 0;
    i32 state[SLOTS + 1] = {};     // option state words, cleared at each build
    void add(i32 slot)
    {
        if (rows < SLOTS) row_slot[++rows] = slot;
    }
    i32 slot_of_row(i32 row) const { return row >= 1 && row <= rows ? row_slot[row] : 0; }
};

f32 zshift() { return wrd2r(NPT1[NPT1_ORIGIN + 2]); }

// One message for a service whose own subsystem is not here yet.
void not_built(const char* what) { usmsgc((std::string("SRVMNU, ") + what + " IS NOT AVAILABLE").c_str()); }

// The procedure-type name of the current procedure code: its last word.
std::string type_prefix()
{
    char name[9] = {0};
    FNCNAM(nu_sgcd_get_code(), name);
    std::string s(name, strnlen(name, 8));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    size_t blank = s.find_last_of(' ');
    if (blank != std::string::npos) s = s.substr(blank + 1);
    return s;
}

// "LABEL = VALUE" cut to 22 characters and blank-padded (not terminated).
void info(char* out, const char* label, const std::string& value)
{
    std::string s = std::string(label) + " = " + value;
    if (s.size() > 22) s.resize(22);
    std::memset(out, ' ', 22);
    std::memcpy(out, s.data(), s.size());
}

std::string trimmed(const char* text, size_t n)
{
    std::string s(text, strnlen(text, n));
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}
}  // namespace

void TXTEDT(i32& status)
{
    status = 0;
    ofmod(0);
    const i32 col = col1st();
    prmptc("ENTER TEXT /<CR>");
    char old[24] = {0};
    GSTXT1(1, old);
    std::string shown(old, strnlen(old, 20));
    shown.resize(20, ' ');
    size_t last = shown.find_last_not_of(' ');
    for (size_t k = last == std::string::npos ? 0 : last + 1; k < 20; ++k) shown[k] = '_';
    dntxtc(("OLD TEXT=" + shown).c_str(), col);
    char text[24] = {0};
    std::memcpy(text, shown.data(), 20);
    i32 st = 0;
    prmtxt("NEW TEXT= ", text, 20, st);
    i32 n = st == 0 ? static_cast<i32>(strnlen(text, 20)) : 0;
    if (n >= 1) {
        char field[24];
        std::memset(field, ' ', 20);
        std::memcpy(field, text, static_cast<size_t>(n));
        field[20] = '\0';
        GSTXT1(2, field);
    }
    status = n >= 1 ? 0 : status;
    modinz();
}

void TPHDRF(const i32& tp, const i32& current, char* name, char* size, char* left, char* type, char* level,
            char* macsys)
{
    char tpname[9] = {0};
    i32 machine = 0;
    i32 header[48] = {0};
    if (current != 0) {
        std::memcpy(tpname, NPT1, 8);
        machine = NPT1[NPT1_MACHINE];
    } else {
        get_set_tp_header(1, tp, header);
        std::memcpy(tpname, header, 8);
        machine = header[NPT1_MACHINE];
    }
    char mname[11] = {0};
    MCHTNM(machine, mname);
    info(name, "TP NAME", std::string(tpname, strnlen(tpname, 8)));
    if (machine == 25) {
        i32 axis = RAXN[0];
        std::string t = "TYPE = " + trimmed(mname, 10) + (axis == 1 ? "(A-AXIS)" : axis == 2 ? "(Y-AXIS)" : "(Z-AXIS)");
        std::memset(type, ' ', 22);
        std::memcpy(type, t.data(), std::min<size_t>(t.size(), 22));
    } else {
        info(type, "TYPE", std::string(mname, 10));
    }
    std::memset(size, ' ', 22);
    i32 bytes = 0, st = -1;
    if (current != 0) GTTPSZ(bytes, st);
    if (st >= 0) info(size, "TP SIZE", std::to_string(bytes) + " BYTES");
    i32 free = 0;
    gtdas(free, st);
    if (st < 0) free = 0;
    info(left, "BYTES LEFT", std::to_string(free));
    i32 view = 0, kind = 0;
    gsvnum(view);
    char vname[9] = {0};
    gvtdat(view, kind, vname);
    info(macsys, "MACSYS", std::string(vname, strnlen(vname, 8)));
    char lname[7] = {0};
    gultab(1);
    gsname(1, CLP1[4] + 1, lname);
    info(level, "LEVEL", std::string(lname, strnlen(lname, 6)));
}

void TPHDRT(const i32& tp, const i32& current, char (*texts)[23])
{
    char f[6][22];
    TPHDRF(tp, current, f[0], f[2], f[3], f[1], f[5], f[4]);
    for (int k = 0; k < 6; ++k) fs2cs(f[k], 22, texts[k]);
}

void SRVMNU(const i32& editing, const i32& whole, i32& printcell, const i32& machine, const i32* options,
            i32* flags, i32& status)
{
    auto opt = [&](i32 n) { return options[n - 1] != 0; };
    auto flg = [&](i32 n) { return flags[n - 1] != 0; };
    const bool hostdriven = nu_mod_get_flag() != 0;
    const bool crit_none = CRTNON() == 1;
    flags[2] = 0;
    i32 dspref = -1;
    (void)machine;

    bool column[8] = {false};
    column[1] = opt(2) || opt(9) || flg(4);
    column[2] = opt(2);
    column[3] = opt(1) || opt(7) || opt(6);
    column[4] = flg(5) || opt(8);
    column[5] = opt(3) || opt(4);
    column[6] = true;
    column[7] = flg(1) || flg(2) || flg(6);
    if (printcell != 0 || hostdriven)
        for (int c = 1; c <= 5; ++c) column[c] = false;

    i32 slots_saved[2 * NSLOTS];
    std::memcpy(slots_saved, GSLOTS, sizeof GSLOTS);
    const i32 relations = rel_nc_get_num();
    i32 ncol = 0;
    for (int c = 1; c <= 7; ++c) ncol += column[c] ? 1 : 0;

    i32 st = 0;
    auto common_exit = [&]() {
        std::memcpy(GSLOTS, slots_saved, sizeof GSLOTS);
        UPW2[0] = r2wrd(UPW2_OFF);
        flags[2] = 1;
        i32 s = 0;
        MNUMOD(printcell, s);
    };
    if (ncol == 0) {
        common_exit();
        return;
    }
    const i32 selector = whole != 0 ? -1 : CLP1[1];
    (void)selector;

    i32 toggle = HEI8[H_TOGGLE] != 0 ? 1 : 2;
    i32 tooldsp;
    if (get_fdflg() == 1) {
        tooldsp = 4;
        TLER[0] = 4;
    } else if (TLER[0] >= 0 && TLER[0] <= 2) {
        tooldsp = TLER[0] + 1;
    } else if (TLER[0] == 3) {
        tooldsp = 5;
    } else {
        tooldsp = 3;
        TLER[0] = 2;
    }
    const bool sub2 = flg(7);
    i32 clmode = 3;
    if (flg(6)) {
        if (sub2) HEI8[H_CLFLAG] = 0;
        clmode = HEI8[H_CLFLAG] != 0 ? 1 : 3;
    }
    char texts[6][23] = {};
    if (opt(2)) TPHDRT(0, 1, texts);
    i32 ucsname[4] = {0};

    i32 restart = 0, clbuilt = clmode;
    i32 opt9 = options[8];
    Menu m;
    bool build = true;
    while (true) {
        if (build) {
            MNUINT(printcell, ncol, restart, st);
            if (st < 0) {
                status = st;
                common_exit();
                return;
            }
            std::memset(m.state, 0, sizeof m.state);
            m.rows = 0;
            clbuilt = clmode;
            auto blank = [&](i32 slot) {
                moduc2();
                m.add(-slot);
            };
            auto action = [&](i32 slot, const char* text) {
                modm(text);
                m.add(slot);
            };
            if (column[1]) {
                if (opt(2)) {
                    modmtx(texts[0]);
                    m.add(-S_NAME);
                    modmtx(texts[1]);
                    m.add(-S_TYPE);
                } else {
                    blank(S_NAME);
                    blank(S_TYPE);
                }
                if (opt9 != 0) action(S_BLANK, "BLANK PROCEDURE");
                else blank(S_BLANK);
                if (flg(4)) {
                    modmsl(TOOL_DISPLAY, tooldsp);
                    m.add(S_TOOLDSP);
                } else {
                    blank(S_TOOLDSP);
                }
            }
            if (column[2]) {
                for (int k = 2; k < 6; ++k) {
                    modmtx(texts[k]);
                    m.add(-(S_SIZE + k - 2));
                }
            }
            if (column[3]) {
                if (opt(1)) action(S_TPLIST, "TP LIST");
                else blank(S_TPLIST);
                if (opt(7)) action(S_PROCHD, "PROCEDURE HEADER LIST");
                else blank(S_PROCHD);
                if (opt(6)) action(S_TOOLS, "TOOL LIST");
                else blank(S_TOOLS);
                if (opt(7) && editing != 0) action(S_PROCS, "PROCEDURE LIST");
                else blank(S_PROCS);
            }
            if (column[4]) {
                if (flg(5)) {
                    modmsl("SAVE APPROX. FILE:OFF@SAVE APPROX. FILE:ON", SVAPRX);
                    m.add(S_SVAP);
                } else {
                    blank(S_SVAP);
                }
                blank(S_BKUP);
                blank(S_BKUPN);
                if (opt(8)) {
                    f32 origin[3], matrix[9], real = 0;
                    i32 integer = 0, s = 0;
                    std::memset(ucsname, 0, sizeof ucsname);
                    DBDUCS(1, NPT1[NPT1_UCS], origin, matrix, real, ucsname, integer, s);
                    if (s < 0) {
                        msg_mdls(319, 30);
                        action(S_ORIGIN, "CHANGE ORIGIN");
                    } else {
                        char n6[7] = {0};
                        std::memcpy(n6, ucsname, 6);
                        action(S_ORIGIN, ("ORIGIN = " + std::string(n6, strnlen(n6, 6))).c_str());
                    }
                } else {
                    blank(S_ORIGIN);
                }
            }
            if (column[5]) {
                blank(S_M1);
                blank(S_M2);
                if (opt(3)) action(S_INSERT, "INSERT MESSAGE / CODE");
                else blank(S_INSERT);
                if (opt(3) && editing != 0) action(S_EDITGO, "EDIT MESSAGE");
                else if (opt(4)) action(S_EDITGO, "GO TO POINT");
                else blank(S_EDITGO);
            }
            if (column[6]) {
                if (relations >= 1) {
                    action(S_RELCLR, "CLEAR RELATIONS");
                    action(S_RELLIST, "RELATION LIST");
                } else {
                    blank(S_RELCLR);
                    blank(S_RELLIST);
                }
                action(S_PARTBOX, "CALCULATE PARTBOX");
                if (editing == 0) action(S_CRIT, "CRITERIA LIST");
                else blank(S_CRIT);
            }
            if (column[7]) {
                i32 s = 0;
                if (flg(1)) {
                    nu_mod_exec(8, "CLEARANCE HEIGHT", 366, &HEI8[H_VALUE], -9999.999f, 9999.999f, s);
                    m.add(S_HEIGHT);
                } else {
                    blank(S_HEIGHT);
                }
                if (flg(2)) {
                    nu_mod_exec(3, "HEIGHT RELATIVE:YES@NO", 874, &toggle, 0, 0, s);
                    m.add(S_TOGGLE);
                } else {
                    blank(S_TOGGLE);
                }
                if (flg(6)) {
                    if (sub2)
                        nu_mod_exec(3, "CLEARANCE:ABSOLUTE@INCREMENTAL", 1343, &HEI8[H_SUB2], 0, 0, s);
                    else
                        nu_mod_exec(3, "CLEARANCE MODE:POINT@IND. POINT@DISTANCE", 879, &clmode, 0, 0, s);
                    m.add(S_CLMODE);
                    if (clmode == 1)
                        nu_mod_exec(8, "CLEARANCE POINT Z", 3303, &HEI8[H_POINT], -9999.999f, 9999.999f, s);
                    else
                        nu_mod_exec(8, "CLEARANCE DISTANCE", 3304, &HEI8[H_DIST], 0.0f, 999.999f, s);
                    m.add(S_CLVALUE);
                } else {
                    blank(S_CLMODE);
                    blank(S_CLVALUE);
                }
            }
            build = false;
        }

        if (hostdriven) {
            std::memcpy(GSLOTS, slots_saved, sizeof GSLOTS);
            status = 0;
            return;
        }
        if (printcell != 0) {
            status = 0;
            common_exit();
            return;
        }
        prcont();
        REDSPL();
        i32 reply = 0;
        modrpl(reply);
        status = reply;
        if (reply == 0 || reply == -1 || reply == -2) {
            if (flg(2)) HEI8[H_TOGGLE] = toggle == 1 ? 1 : 0;
            if (flg(4)) {
                set_fdflg_off();
                const i32 c = tooldsp >= 1 && tooldsp <= 5 ? tooldsp : 3;
                TLER[0] = TLER_OF_CHOICE[c];
                if (c == 4) set_fdflg_on();
                DSPMOD = TLER[0];
            }
            common_exit();
            return;
        }
        const i32 slot = m.slot_of_row(reply);
        bool texts_anew = false;
        restart = 0;
        switch (slot) {
        case S_TPLIST: {
            modcom();
            NCLIST(dspref, 1);
            if (modkey() < 1) {
                build = true;
            } else {
                modcom();
            }
            break;
        }
        case S_PROCHD:
            modcom();
            PROCHD(whole != 0 ? -1 : CLP1[1]);
            if (modkey() < 1) build = true;
            else modcom();
            break;
        case S_TOOLS: {
            modcom();
            i32 s = 0;
            TOLTBL(whole != 0 ? -1 : CLP1[1], 2, s);
            build = true;
            break;
        }
        case S_PROCS:
            modcom();
            PROCTL(whole != 0 ? -1 : CLP1[1], 2);
            build = true;
            break;
        case S_CRIT: {
            modcom();
            i32 s = 0;
            if (!crit_none) criteria_list(type_prefix().c_str(), s);
            else tp_criteria_list(s);
            build = true;
            break;
        }
        case S_RELCLR:
            modcom();
            rel_nc_clear_all_relations();
            build = true;
            break;
        case S_RELLIST:
            modcom();
            rel_nc_print_symb_tab(type_prefix().c_str());
            build = true;
            break;
        case S_PARTBOX: {
            modcom();
            msg_prompt(319, 0);
            calculate_partbox();
            if (editing == 0) {
                i32 s = 0;
                HGTSHF(2, zshift(), s);
                update_min_max_pz();
                HGTSHF(1, zshift(), s);
                partbox_not_calculated_msg(1);
            }
            build = true;
            break;
        }
        case S_INSERT: {
            MNUCLR();
            i32 done = 0;
            INSMSG(editing, done);
            build = texts_anew = true;
            break;
        }
        case S_EDITGO:
            if (opt(3) && editing != 0) not_built("EDIT MESSAGE");
            else not_built("GO TO POINT");
            build = texts_anew = true;
            break;
        case S_ORIGIN: {
            MNUCLR();
            i32 s = 0;
            if (editing == 0) HGTSHF(2, zshift(), s);
            RPSPRC(1, 0, 0);
            if (editing == 0) {
                update_min_max_pz();
                HGTSHF(1, zshift(), s);
            }
            partbox_not_calculated_msg(1);
            build = true;
            break;
        }
        case S_BLANK:
            modcom();
            not_built("BLANK PROCEDURE");
            build = true;
            break;
        case S_CLMODE: {
            if (clmode == clbuilt) break;
            if (clmode == 2) {
                MNUCLR();
                prmptc("IND. CLEAR POINT");
                f32 p[3] = {0, 0, 0};
                i32 s = 0;
                getpt(7, p, s);
                if (s < 0) {
                    clmode = clbuilt;
                    build = texts_anew = true;
                    break;
                }
                p[2] -= zshift();
                bool same = true;
                for (int k = 0; k < 3; ++k)
                    if (eqval(p[k], wrd2r(HEI8[H_POINT + k])) == 0) same = false;
                if (same) {
                    build = texts_anew = true;
                    break;
                }
                HEI8[H_POINT] = r2wrd(p[2]);
                rel_nc_init_cng_expr(3303);
                clmode = 1;
            }
            HEI8[H_CLFLAG] = clmode == 1 ? 1 : 0;
            restart = 1;
            build = true;
            break;
        }
        case S_HEIGHT:
        case S_CLVALUE:
            restart = 1;
            build = true;
            break;
        default:
            break;  // choices, info rows and blanks leave the menu as it is
        }
        if (texts_anew && opt(2)) TPHDRT(0, 1, texts);
    }
}
