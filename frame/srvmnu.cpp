// The SERVICE menu: information about the current tool path, the listings,
// the tool display mode, the origin, messages, relations, the part box, the
// criteria list and three height items. Seven columns of four slots; a slot
// whose option is not offered is a blank row so that later slots keep their
// numbers within a built column.
#include "frame/srvmnu.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "blocks/copy.h"
#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/navig.h"
#include "blocks/readers.h"
#include "blocks/tpent.h"
#include "core/host.h"
#include "core/listname.h"
#include "core/names.h"
#include "core/records.h"
#include "edit/report/listing.h"
#include "frame/cmpblk.h"
#include "frame/crit.h"
#include "frame/defrel.h"
#include "frame/intctl.h"
#include "frame/machtype.h"
#include "edit/msgblk.h"
#include "frame/prclist.h"
#include "surfaces/srfbuf.h"

i32 SRVFLG[SRV_FLAGS] = {1, 1, 1, 1, 0, 1, 0};

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

// The rotary axis code of a stored tool path: the first word of its
// rotation-axes block (its entry of kind 10); 0 (the Z axis) without one.
i32 stored_axis(i32 tp)
{
    TpEntries entries(tp);
    i32 axis = 0;
    for (i32 k = 0; k < entries.n; ++k) {
        if (entries.kind(k) != 10) continue;
        i32 count = 0, st = 0;
        open_movmnt(entries.id(k), count, st);
        if (st < 0) continue;
        i32 size = 0, type = 0, cls = 0;
        TPBLKH(AM_ENTITY, size, type, cls, st);
        if (st >= 0 && type == BT_RAXES) {
            i32 number = 0, i2 = 0, code = 0;
            f32 a[3], b[3], r = 0;
            RDBT10(AM_ENTITY, number, code, a, b, i2, r, st);
            if (st >= 0) axis = code;
        }
        close_entity();
        if (type == BT_RAXES) break;
    }
    return axis;
}
}  // namespace

void TXTEDT(i32& status)
{
    status = 0;
    // The status window, where the old text is shown, cleared first: the
    // host here has no clearing of a form by its number, so the window is
    // blanked from its first column.
    const i32 col = col1st();
    dblnk(col, 1000);
    prmptc("ENTER TEXT /<CR>");
    char old[24] = {0};
    GSTXT1(1, old);
    std::string shown(old, strnlen(old, 20));
    shown.resize(20, ' ');
    size_t last = shown.find_last_not_of(' ');
    for (size_t k = last == std::string::npos ? 0 : last + 1; k < 20; ++k) shown[k] = '_';
    // The old text after its label in the status window, and the new one read
    // with the old one as the field's contents. The host interface here
    // (core/host.h) has no call that shows a label and a text at given widths
    // in a form, nor one that reads a text at a column of a form: its
    // status-window text (dntxtc) shows the 9-character label and the
    // 20-character text as one line from the first column, and its prompt
    // for a text (prmtxt) reads the answer. That prompt hands back the text,
    // not a count, so the number of characters read is the answer's length.
    dntxtc(("OLD TEXT=" + shown).c_str(), col);
    char text[24] = {0};
    std::memcpy(text, shown.data(), 20);
    i32 st = 0;
    // The length is the field's size with its terminator: 21 lets all 20
    // characters of a name in.
    prmtxt("NEW TEXT= ", text, 21, st);
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
    if (machine == MACH_MILL4) {
        const i32 axis = current != 0 ? RAXN[RAXN_AXIS] : stored_axis(tp);
        std::string t = "TYPE = " + trimmed(mname, 10) + (axis == 1 ? "(A-AXIS)" : axis == 2 ? "(Y-AXIS)" : "(Z-AXIS)");
        std::memset(type, ' ', 22);
        std::memcpy(type, t.data(), std::min<size_t>(t.size(), 22));
    } else {
        info(type, "TYPE", std::string(mname, 10));
    }
    std::memset(size, ' ', 22);
    i32 bytes = 0, st = -1;
    if (current != 0) GTTPSZ(bytes, st);
    else get_tp_size_bytes(tp, bytes, st);
    if (st >= 0) info(size, "TP SIZE", std::to_string(bytes) + " BYTES");
    i32 free = 0;
    gtdas(free, st);
    if (st < 0) free = 0;
    info(left, "BYTES LEFT", std::to_string(free));
    i32 view = 0, kind = 0;
    if (current != 0 || tp < 1) gsvnum(view);
    else eattc(tp, 1, "VN", view);
    char vname[9] = {0};
    gvtdat(view, kind, vname);
    info(macsys, "MACSYS", std::string(vname, strnlen(vname, 8)));
    char lname[7] = {0};
    i32 lev = CLP1[CLP1_LEVEL];
    if (current == 0) eattc(tp, 1, "LE", lev);
    gultab(1);
    gsname(1, lev + 1, lname);
    info(level, "LEVEL", std::string(lname, strnlen(lname, 6)));
}

void TPHDRT(const i32& tp, const i32& current, char (*texts)[23])
{
    char f[6][22];
    TPHDRF(tp, current, f[0], f[2], f[3], f[1], f[5], f[4]);
    for (int k = 0; k < 6; ++k) fs2cs(f[k], 22, texts[k]);
}

namespace {

// The choices the menu's items edit. They outlive a call: driven by the
// host, the menu is built and left at once and the host edits the words of
// its items afterwards.
struct ItemWords {
    i32 toggle = 2, tooldsp = 3, clmode = 3;
};
ItemWords WORDS;

// One run of the SERVICE menu: the call, the columns built, the values the
// items edit and the rows shown.
struct Srv {
    const i32& editing;
    const i32& whole;
    i32& printcell;
    const i32* options;
    i32* flags;
    i32& status;
    const i32& machine;
    bool hostdriven = false, crit_none = false, sub2 = false, build = true, texts_anew = false;
    bool column[8] = {false};
    i32 slots_saved[2 * NSLOTS] = {};
    i32 relations = 0, ncol = 0, restart = 0, clbuilt = 3, opt9 = 0;
    i32 &toggle = WORDS.toggle, &tooldsp = WORDS.tooldsp, &clmode = WORDS.clmode;
    i32 dspref = -1;
    char texts[6][23] = {};
    i32 ucsname[4] = {0};
    Menu m{};

    bool opt(i32 n) const { return options[n - 1] != 0; }
    bool flg(i32 n) const { return flags[n - 1] != 0; }
    // The procedure selector of the listings: the whole list or the current one.
    i32 selector() const { return whole != 0 ? -1 : CLP1[CLP1_TOOLPATH]; }
    // Every way out: the slots and the UPW2 switch restored, the menu closed.
    void common_exit()
    {
        std::memcpy(GSLOTS, slots_saved, sizeof GSLOTS);
        UPW2[UPW2_SWITCH] = r2wrd(UPW2_OFF);
        flags[2] = 1;
        i32 s = 0;
        MNUMOD(printcell, s);
    }
};

// A blank row keeping the slot's number.
void blank(Menu& m, i32 slot)
{
    moduc2();
    m.add(-slot);
}

// An action row.
void action(Menu& m, i32 slot, const char* text)
{
    modm(text);
    m.add(slot);
}

// The columns the options and flags offer; none but the heights while
// printing or driven by the host.
void choose_columns(Srv& v)
{
    bool* column = v.column;
    column[1] = v.opt(2) || v.opt(9) || v.flg(4);
    column[2] = v.opt(2);
    column[3] = v.opt(1) || v.opt(7) || v.opt(6);
    column[4] = v.flg(5) || v.opt(8);
    column[5] = v.opt(3) || v.opt(4);
    column[6] = true;
    column[7] = v.flg(1) || v.flg(2) || v.flg(6);
    if (v.printcell != 0 || v.hostdriven)
        for (int c = 1; c <= 5; ++c) column[c] = false;
    for (int c = 1; c <= 7; ++c) v.ncol += column[c] ? 1 : 0;
}

// The starting choices: the relative-height toggle, the tool display choice
// from the tool display record (kept in range), the clearance mode.
void initial_values(Srv& v)
{
    v.toggle = HEI8[HEI8_ZMIN] != 0 ? 1 : 2;
    if (get_fdflg() == 1) {
        v.tooldsp = 4;
        TLER[TLER_MODE] = TLER_NOFAST;
    } else if (TLER[TLER_MODE] >= TLER_SHOW && TLER[TLER_MODE] <= TLER_HIDE) {
        v.tooldsp = TLER[TLER_MODE] + 1;
    } else if (TLER[TLER_MODE] == TLER_BLANK) {
        v.tooldsp = 5;
    } else {
        v.tooldsp = 3;
        TLER[TLER_MODE] = TLER_HIDE;
    }
    v.sub2 = v.flg(7);
    v.clmode = 3;
    if (v.flg(6)) {
        if (v.sub2) HEI8[HEI8_ABSOLUTE] = 0;
        v.clmode = HEI8[HEI8_ABSOLUTE] != 0 ? 1 : 3;
    }
    // The "UPW2" switch is not remembered: it is kept only to see a change
    // of the frequent-backup choice, which this menu never offers (its two
    // slots stay blank and every exit switches frequent backup off).
    if (v.opt(2)) TPHDRT(0, 1, v.texts);
    v.clbuilt = v.clmode;
    v.opt9 = v.options[8];
}

// Column 1: the tool path's name and type, BLANK PROCEDURE, the tool display.
void build_info(Srv& v)
{
    Menu& m = v.m;
    if (v.opt(2)) {
        modmtx(v.texts[0]);
        m.add(-S_NAME);
        modmtx(v.texts[1]);
        m.add(-S_TYPE);
    } else {
        blank(m, S_NAME);
        blank(m, S_TYPE);
    }
    if (v.opt9 != 0) action(m, S_BLANK, "BLANK PROCEDURE");
    else blank(m, S_BLANK);
    if (v.flg(4)) {
        modmsl(TOOL_DISPLAY, v.tooldsp);
        m.add(S_TOOLDSP);
    } else {
        blank(m, S_TOOLDSP);
    }
}

// Columns 2 and 3: the header texts, the listings.
void build_lists(Srv& v)
{
    Menu& m = v.m;
    if (v.column[2]) {
        for (int k = 2; k < 6; ++k) {
            modmtx(v.texts[k]);
            m.add(-(S_SIZE + k - 2));
        }
    }
    if (!v.column[3]) return;
    if (v.opt(1)) action(m, S_TPLIST, "TP LIST");
    else blank(m, S_TPLIST);
    if (v.opt(7)) action(m, S_PROCHD, "PROCEDURE HEADER LIST");
    else blank(m, S_PROCHD);
    if (v.opt(6)) action(m, S_TOOLS, "TOOL LIST");
    else blank(m, S_TOOLS);
    if (v.opt(7) && v.editing != 0) action(m, S_PROCS, "PROCEDURE LIST");
    else blank(m, S_PROCS);
}

// Column 4: SAVE APPROX. FILE and the origin (named after the user frame).
void build_files(Srv& v)
{
    Menu& m = v.m;
    if (v.flg(5)) {
        modmsl("SAVE APPROX. FILE:OFF@SAVE APPROX. FILE:ON", SVAPRX);
        m.add(S_SVAP);
    } else {
        blank(m, S_SVAP);
    }
    blank(m, S_BKUP);
    blank(m, S_BKUPN);
    if (!v.opt(8)) {
        blank(m, S_ORIGIN);
        return;
    }
    f32 origin[3], matrix[9], real = 0;
    i32 integer = 0, s = 0;
    std::memset(v.ucsname, 0, sizeof v.ucsname);
    DBDUCS(1, NPT1[NPT1_UCS], origin, matrix, real, v.ucsname, integer, s);
    if (s < 0) {
        msg_mdls(319, 30);
        action(m, S_ORIGIN, "CHANGE ORIGIN");
    } else {
        char n6[7] = {0};
        std::memcpy(n6, v.ucsname, 6);
        action(m, S_ORIGIN, ("ORIGIN = " + std::string(n6, strnlen(n6, 6))).c_str());
    }
}

// Columns 5 and 6: messages, relations, the part box, the criteria list.
void build_services(Srv& v)
{
    Menu& m = v.m;
    if (v.column[5]) {
        blank(m, S_M1);
        blank(m, S_M2);
        if (v.opt(3)) action(m, S_INSERT, "INSERT MESSAGE / CODE");
        else blank(m, S_INSERT);
        if (v.opt(3) && v.editing != 0) action(m, S_EDITGO, "EDIT MESSAGE");
        else if (v.opt(4)) action(m, S_EDITGO, "GO TO POINT");
        else blank(m, S_EDITGO);
    }
    if (!v.column[6]) return;
    if (v.relations >= 1) {
        // The label is the module's own: the host's text for its
        // clear-relations entry is named by no message number or parameter
        // code this host interface could ask for, and a row of this form
        // shows only the text it is given.
        action(m, S_RELCLR, "CLEAR RELATIONS");
        action(m, S_RELLIST, "RELATION LIST");
    } else {
        blank(m, S_RELCLR);
        blank(m, S_RELLIST);
    }
    action(m, S_PARTBOX, "CALCULATE PARTBOX");
    if (v.editing == 0) action(m, S_CRIT, "CRITERIA LIST");
    else blank(m, S_CRIT);
}

// Column 7: the clearance height, the relative toggle, the clearance mode and value.
// The labels (and a choice's options) are the module's own texts: the host's
// texts for these parameter codes lie in the item-descriptor table it fills
// at a procedure's start in a layout of its own, which this module is not
// given, and its value row shows the label and options of the descriptor it
// is handed, with none of its own for a code (as on the parameter page).
void build_heights(Srv& v)
{
    Menu& m = v.m;
    i32 s = 0;
    if (v.flg(1)) {
        nu_mod_exec(8, "CLEARANCE HEIGHT", 366, &HEI8[HEI8_CLEARANCE], -9999.999f, 9999.999f, s);
        m.add(S_HEIGHT);
    } else {
        blank(m, S_HEIGHT);
    }
    if (v.flg(2)) {
        nu_mod_exec(3, "HEIGHT RELATIVE:YES@NO", 874, &v.toggle, 0, 0, s);
        m.add(S_TOGGLE);
    } else {
        blank(m, S_TOGGLE);
    }
    if (!v.flg(6)) {
        blank(m, S_CLMODE);
        blank(m, S_CLVALUE);
        return;
    }
    if (v.sub2) nu_mod_exec(3, "CLEARANCE:ABSOLUTE@INCREMENTAL", 1343, &HEI8[HEI8_AXIS], 0, 0, s);
    else nu_mod_exec(3, "CLEARANCE MODE:POINT@IND. POINT@DISTANCE", 879, &v.clmode, 0, 0, s);
    m.add(S_CLMODE);
    if (v.clmode == 1) nu_mod_exec(8, "CLEARANCE POINT Z", 3303, &HEI8[HEI8_PLANE2], -9999.999f, 9999.999f, s);
    else nu_mod_exec(8, "CLEARANCE DISTANCE", 3304, &HEI8[HEI8_INCR], 0.0f, 999.999f, s);
    m.add(S_CLVALUE);
}

// Builds the menu's columns. False: the menu could not be opened.
bool build_menu(Srv& v)
{
    i32 st = 0;
    MNUINT(v.printcell, v.ncol, v.restart, st);
    if (st < 0) {
        v.status = st;
        v.common_exit();
        return false;
    }
    // The option state words are cleared, and stay so: this host's menu
    // rows answer by their number through the one reply (modrpl), and an
    // action row keeps no state word of its own to be handed.
    std::memset(v.m.state, 0, sizeof v.m.state);
    v.m.rows = 0;
    v.clbuilt = v.clmode;
    if (v.column[1]) build_info(v);
    if (v.column[2] || v.column[3]) build_lists(v);
    if (v.column[4]) build_files(v);
    if (v.column[5] || v.column[6]) build_services(v);
    if (v.column[7]) build_heights(v);
    v.build = false;
    return true;
}

// Leaving by a confirming reply: the toggle and the tool display kept.
void accept(Srv& v)
{
    if (v.flg(2)) HEI8[HEI8_ZMIN] = v.toggle == 1 ? 1 : 0;
    if (v.flg(4)) {
        set_fdflg_off();
        const i32 c = v.tooldsp >= 1 && v.tooldsp <= 5 ? v.tooldsp : 3;
        TLER[TLER_MODE] = TLER_OF_CHOICE[c];
        if (c == 4) set_fdflg_on();
        // The module's copy of the host's display mode follows the choice at
        // once: the execution, the display options and the GO menu read the
        // copy, and would otherwise draw by the mode held before the choice
        // until "TLER" is read again.
        DSPMOD = TLER[TLER_MODE];
    }
    v.common_exit();
}

// A new clearance mode: IND. POINT asks for the point (kept when it is new)
// and becomes POINT; the menu is built again from the start.
void clearance_mode(Srv& v)
{
    if (v.clmode == v.clbuilt) return;
    if (v.clmode == 2) {
        MNUCLR();
        prmptc("IND. CLEAR POINT");
        f32 p[3] = {0, 0, 0};
        i32 s = 0;
        getpt(7, p, s);
        if (s < 0) {
            v.clmode = v.clbuilt;
            v.build = v.texts_anew = true;
            return;
        }
        p[2] -= zshift();
        bool same = true;
        for (int k = 0; k < 3; ++k)
            if (eqval(p[k], wrd2r(HEI8[HEI8_PLANE2 + k])) == 0) same = false;
        if (same) {
            v.build = v.texts_anew = true;
            return;
        }
        HEI8[HEI8_PLANE2] = r2wrd(p[2]);
        rel_nc_init_cng_expr(3303);
        v.clmode = 1;
    }
    HEI8[HEI8_ABSOLUTE] = v.clmode == 1 ? 1 : 0;
    v.build = true;
}

// The listings of the menu.
void listing(Srv& v, i32 slot)
{
    modcom();
    if (slot == S_TPLIST) {
        NCLIST(v.dspref, 1);
        if (modkey() < 1) v.build = true;
        else modcom();
    } else if (slot == S_PROCHD) {
        PROCHD(v.selector());
        if (modkey() < 1) v.build = true;
        else modcom();
    } else if (slot == S_TOOLS) {
        i32 s = 0;
        TOLTBL(v.selector(), 2, s);
        v.build = true;
    } else if (slot == S_PROCS) {
        PROCTL(v.selector(), 2);
        v.build = true;
    } else {
        i32 s = 0;
        if (!v.crit_none) criteria_list(type_prefix().c_str(), s);
        else tp_criteria_list(s);
        v.build = true;
    }
}

// The part box calculated again, the heights shifted around it outside editing.
void partbox(Srv& v)
{
    modcom();
    msg_prompt(319, 0);
    calculate_partbox();
    if (v.editing == 0) {
        i32 s = 0;
        HGTSHF(2, zshift(), s);
        update_min_max_pz();
        HGTSHF(1, zshift(), s);
        partbox_not_calculated_msg(1);
    }
    v.build = true;
}

// CHANGE ORIGIN, the heights shifted around it outside editing.
void origin(Srv& v)
{
    MNUCLR();
    i32 s = 0;
    if (v.editing == 0) HGTSHF(2, zshift(), s);
    RPSPRC(1, 0, 0);
    if (v.editing == 0) {
        update_min_max_pz();
        HGTSHF(1, zshift(), s);
    }
    partbox_not_calculated_msg(1);
    v.build = true;
}

// Acts on the row chosen.
void act(Srv& v, i32 slot)
{
    switch (slot) {
    case S_TPLIST:
    case S_PROCHD:
    case S_TOOLS:
    case S_PROCS:
    case S_CRIT: listing(v, slot); break;
    case S_RELCLR:
        modcom();
        rel_nc_clear_all_relations();
        v.build = true;
        break;
    case S_RELLIST:
        modcom();
        rel_nc_print_symb_tab(type_prefix().c_str());
        v.build = true;
        break;
    case S_PARTBOX: partbox(v); break;
    case S_INSERT: {
        MNUCLR();
        i32 done = 0;
        i32 st = 0;
        INSMSG(v.editing, done, st);
        v.build = v.texts_anew = true;
        break;
    }
    case S_EDITGO: {
        i32 st = 0;
        if (v.opt(3) && v.editing != 0) {
            MNUCLR();
            EDTMSG(st);
        } else {
            SVAPRX = 1;
            MCHSET(v.machine, v.editing, st);
        }
        v.build = v.texts_anew = true;
        break;
    }
    case S_ORIGIN: origin(v); break;
    case S_BLANK: {
        modcom();
        i32 second = 0;
        EDA2BL(v.opt9, second);
        v.build = true;
        break;
    }
    case S_CLMODE: clearance_mode(v); break;
    case S_HEIGHT:
    case S_CLVALUE: v.build = true; break;
    default:
        break;  // choices, info rows and blanks leave the menu as it is
    }
}

}  // namespace

void SRVMNU(const i32& editing, const i32& whole, i32& printcell, const i32& machine, const i32* options,
            i32* flags, i32& status)
{
    WORDS = ItemWords{};
    Srv v{editing, whole, printcell, options, flags, status, machine};
    v.hostdriven = nu_mod_get_flag() != 0;
    v.crit_none = CRTNON() == 1;
    flags[2] = 0;
    choose_columns(v);
    std::memcpy(v.slots_saved, GSLOTS, sizeof GSLOTS);
    v.relations = rel_nc_get_num();
    if (v.ncol == 0) {
        v.common_exit();
        return;
    }
    initial_values(v);
    while (true) {
        if (v.build && !build_menu(v)) return;
        if (v.hostdriven) {
            std::memcpy(GSLOTS, v.slots_saved, sizeof GSLOTS);
            status = 0;
            return;
        }
        if (printcell != 0) {
            status = 0;
            v.common_exit();
            return;
        }
        prcont();
        REDSPL();
        // The rows of this host's procedure menu form are read with modrpl;
        // its modif1 reads the execution and column forms, whose rows and
        // state words this menu does not build.
        i32 reply = 0;
        modrpl(reply);
        status = reply;
        if (reply == 0 || reply == -1 || reply == -2) {
            accept(v);
            return;
        }
        v.texts_anew = false;
        const i32 slot = v.m.slot_of_row(reply);
        act(v, slot);
        // The restart word is the menu number the first build left in it:
        // the rebuilds after the heights items and a clearance-mode choice
        // keep it, so the menu start clears the rows and redraws the menu in
        // place; every other rebuild starts from 0 and clears the whole menu
        // area first.
        if (v.build && slot != S_HEIGHT && slot != S_CLVALUE && slot != S_CLMODE) v.restart = 0;
        if (v.texts_anew && v.opt(2)) TPHDRT(0, 1, v.texts);
    }
}
