// The tool menu: the current tool, its feed, speeds, spindle direction,
// maximum feed and machine values in "PRM9", with the modal state kept in
// step as each value is chosen and the tool cache written on leaving.
#include "frame/tolmnu.h"

#include <cmath>
#include <cstring>
#include <string>

#include "blocks/regdsp.h"
#include "blocks/stfield.h"
#include "core/host.h"
#include "core/names.h"
#include "core/params.h"
#include "core/records.h"
#include "frame/srvmnu.h"
#include "tools/toolcache.h"
#include "tools/tooldlg.h"

i32 FEEDMD = 1;

namespace {
constexpr f64 FEET = 0.0032808398950131233;

bool in(i32 v, std::initializer_list<i32> set)
{
    for (i32 s : set)
        if (v == s) return true;
    return false;
}

f32 real(i32 word) { return wrd2r(PRM9[word]); }

// The tool option: "TOOL=" and the name, with the choices it offers.
std::string tool_option(bool select, bool picked)
{
    char name[24] = {0};
    GTTNMC(PRM9[PRM9_TOOL], name);
    std::string t = std::string("TOOL=") + std::string(name, strnlen(name, 19));
    if (t.size() > 22) t.resize(22);
    if (!select) return t + "@SHOW TOOL PARAMETERS";
    if (picked) return t + "@SHOW TOOL PARAMETERS@SELECT NEW TOOL";
    // Padded, or cut, to 21 before the ">": a 22-character name text would
    // make the first option one wider than the two after it, which the host
    // shows at the width of the first.
    t.resize(21, ' ');
    return t + ">@SHOW TOOL PARAMETERS >@SELECT NEW TOOL      >";
}
}  // namespace

void SPNSPD(const f32& diameter, const f32& speed, i32& spindle)
{
    if (eqval0(diameter) != 0) {
        spindle = 999999;
        return;
    }
    constexpr f32 PI = 3.14159f;
    const long double n = std::fabs(static_cast<long double>(speed)) * 1000.0L /
                          (static_cast<long double>(diameter) * static_cast<long double>(PI));
    // A quotient that is no number (a speed or size that is none) takes the
    // cap as well: converting it to an integer would be undefined.
    if (!std::isfinite(static_cast<double>(n)) || n >= 999999.0L) {
        spindle = 999999;
        return;
    }
    spindle = static_cast<i32>(std::llround(n));
    if (spindle >= 999999) spindle = 999999;
}

namespace {

// Row of each item (0 none), filled at each build.
enum Item { I_COOL, I_F13, I_SMODE, I_SPEED, I_SPIN, I_DIR, I_FEED, I_V5, I_V4, I_V6, I_C16, I_C15, I_V7,
            I_FMODE, I_FEED2, I_M19, I_V20, I_V21, I_MAXC, I_MAXV, I_C23, I_G1, I_TABLE, I_COUNT };

// The words the menu's items edit besides "PRM9" and the feed mode. They
// outlive a call: driven by the host, the menu is built and left at once
// and the host edits the words of its items afterwards.
struct ItemWords {
    i32 maxchoice = 2, flag13 = 1, shown_speed = 0, maxw = 0, feedmode = 1, choice = 1;
};
ItemWords WORDS;

// One run of the tool menu: the call, what the machine and tool offer, the
// values the items edit and the rows shown.
struct Tol {
    i32& printcell;
    const i32* options;
    const i32& kind;
    i32& status;
    bool hostdriven = false, imperial = false, A = false, B = false, T16 = false, T38 = false, L = false, P = false,
         N = false, S = false, has_text = false, picked = false, build = true;
    i32 mt = 0, ttype = -1, machine = 0, ncol = 0;
    bool column[11] = {false};
    char ttext[24] = {};
    f32 maxf = 0, mxf1 = 0;
    // The menu start's word: 0 starts afresh (the area cleared whole); after
    // that it holds the menu the start left in it, so each rebuild after a
    // choice is the same menu shown again and its rows are cleared in place.
    i32 restart = 0;
    i32 &maxchoice = WORDS.maxchoice, &flag13 = WORDS.flag13, &shown_speed = WORDS.shown_speed, &maxw = WORDS.maxw,
        &feedmode = WORDS.feedmode, &choice = WORDS.choice;
    std::string toolopt{};
    i32 row_tool = -1, row_text = -1, row = 0;
    i32 row_of[I_COUNT] = {};
    i32 smode_built = 0, fmode_built = 1, m19_built = 0;

    bool opt(i32 n) const { return options[n - 1] != 0; }
    // The tool's text; false when it has none.
    bool tool_text()
    {
        std::memset(ttext, 0, 24);
        GTTTXT(PRM9[PRM9_TOOL], ttext);
        return std::strncmp(ttext, "NO TEXT", 7) != 0;
    }
    // A blank row (none when driven by the host).
    void blank()
    {
        if (!hostdriven) {
            moduc2();
            ++row;
        }
    }
    // A value or choice item on the next row. The host's value kinds here
    // are 1 integer, 3 and 4 choices and 8 reals (with the unit handling the
    // host gives every real): its kinds 2 and 5 are both 8. The tool option
    // is a row of options (modmsl) with or without tool selection: modmc and
    // modmpc belong to the host's option menus, not to its forms.
    void item(Item it, i32 vkind, const char* label, i32 code, i32* word, f32 lo, f32 hi)
    {
        i32 s = 0;
        nu_mod_exec(vkind, label, code, word, lo, hi, s);
        row_of[it] = ++row;
    }
};

// The columns the machine and options offer; the starting values.
void setup(Tol& t)
{
    t.has_text = !t.hostdriven && t.tool_text();
    t.machine = NPT1[NPT1_MACHINE];
    t.L = mach_punch(t.machine);
    t.P = t.machine == MACH_LATHE && t.ttype != 8;
    t.N = !t.L && !t.P;
    bool* column = t.column;
    column[1] = true;
    column[2] = (t.opt(4) && !t.L) || t.opt(5);
    column[3] = (t.opt(1) && !t.L) || t.opt(2) || t.opt(3) || t.opt(11);
    column[4] = ((t.opt(1) || t.opt(4)) && t.L) || t.opt(12);
    column[5] = t.opt(9);
    column[6] = t.opt(10);
    column[7] = t.N;
    column[8] = column[9] = column[10] = t.T38;
    // Column 1 (the tool) is always offered, so there is always a column to
    // show and no call leaves here for want of one.
    for (int c = 1; c <= 10; ++c) t.ncol += column[c] ? 1 : 0;
    t.S = t.P && t.opt(4) && t.opt(5) && !t.T16;
    if (t.N) {
        t.maxf = -real(PRM9_MAXF);
        t.maxchoice = eqval(t.maxf, 2.0f) != 0 ? 1 : 2;
        GTMXF1(1, t.mxf1);
    }
    t.toolopt = tool_option(t.opt(8), t.picked);
    t.shown_speed = r2wrd(static_cast<f32>(real(PRM9_SPEED) * 1000.0 * FEET));
    t.maxw = r2wrd(t.maxf);
    t.feedmode = FEEDMD;
    t.smode_built = PRM9[PRM9_SPMODE];
    t.fmode_built = t.feedmode;
    t.m19_built = PRM9[PRM9_P56];
}

// Column 1: the tool, its text, the coolant, the tool check.
void build_tool(Tol& t)
{
    if (!t.hostdriven) {
        modmsl(t.toolopt.c_str(), t.choice);
        t.row_tool = ++t.row;
    }
    // The tool's text is a row that cannot be chosen: no reply acts on it,
    // and an option that does nothing when chosen would only invite a try.
    if (t.has_text) {
        char text[21];
        std::memcpy(text, t.ttext, 20);
        text[20] = '\0';
        modmtx(text);
        t.row_text = ++t.row;
    } else {
        t.blank();
    }
    if (t.opt(6)) t.item(I_COOL, 3, "COOLANT:ON@OFF", t.P || t.mt == MACTYP_TYPE23 ? 614 : 615, &PRM9[PRM9_COOL], 0, 0);
    else t.blank();
    // The word-13 choice shows word 13 as it is now: the word-23 choice may
    // have cleared it since the last build.
    t.flag13 = PRM9[PRM9_SHOWTOOL] == 0 ? 1 : 2;
    if (t.opt(7)) t.item(I_F13, 3, "TOOL CHECK:NO@YES", t.A ? 619 : 623, &t.flag13, 0, 0);
    else t.blank();
}

// Column 2: the speed mode, the cutting and spindle speeds, the spindle direction.
void build_speeds(Tol& t)
{
    const bool speed_on = t.S ? PRM9[PRM9_SPMODE] == 1 : t.opt(5);
    const bool spin_on = t.S ? PRM9[PRM9_SPMODE] == 2 : t.opt(4);
    if (t.S) t.item(I_SMODE, 4, "SPEED MODE:CUTTING SPEED@SPINDLE SPEED", 627, &PRM9[PRM9_SPMODE], 0, 0);
    else t.blank();
    if (speed_on && PRM9[PRM9_DIR] != 3) {
        if (t.imperial) t.item(I_SPEED, 8, "CUTTING SPEED (FT/MIN)", -1, &t.shown_speed, 3.2808399f, 32808.07f);
        else t.item(I_SPEED, 8, "CUTTING SPEED", -1, &PRM9[PRM9_SPEED], 1.0f, 9999.9f);
    } else {
        t.blank();
    }
    if (spin_on && PRM9[PRM9_DIR] != 3) t.item(I_SPIN, 1, "SPINDLE SPEED", -1, &PRM9[PRM9_SPIN], 1, 999999);
    else t.blank();
    if (t.opt(4) && !t.T16) t.item(I_DIR, 3, "SPINDLE:CW@CCW@OFF", 634, &PRM9[PRM9_DIR], 0, 0);
    else t.blank();
}

// Columns 3 and 4: the feed, the machine values, the punch values.
void build_values(Tol& t)
{
    if (t.column[3]) {
        if (t.opt(1)) t.item(I_FEED, 8, "FEED", -1, &PRM9[PRM9_FEED], 0.0001f, 99999.9f);
        else t.blank();
        if (t.opt(2)) t.item(I_V5, 1, "MACHINE VALUE 5", -1, &PRM9[PRM9_PCT3], 1, 999);
        else t.blank();
        if (t.opt(3)) t.item(I_V4, 1, "MACHINE VALUE 4", -1, &PRM9[PRM9_PCT2], 1, 999);
        else t.blank();
        if (t.opt(11)) t.item(I_V6, 1, "MACHINE VALUE 6", -1, &PRM9[PRM9_PCT25], 1, 999);
        else t.blank();
    }
    if (t.column[4]) {
        if (t.L && t.opt(1)) t.item(I_C16, 3, "PUNCH VALUE 16:1@2", 638, &PRM9[PRM9_P53], 0, 0);
        else t.blank();
        if (t.L && t.opt(4)) t.item(I_C15, 3, "PUNCH VALUE 15:1@2", 642, &PRM9[PRM9_P52], 0, 0);
        else t.blank();
        t.blank();
        if (t.opt(12)) t.item(I_V7, 1, "MACHINE VALUE 7", -1, &PRM9[PRM9_PCT26], 1, 999);
        else t.blank();
    }
}

// Columns 5 to 7: the motion mode, mode 19 and its values, the maximum feed.
void build_motion(Tol& t)
{
    if (t.column[5]) {
        t.item(I_FMODE, 3, "MOTION:FEED@RAPID", 646, &t.feedmode, 0, 0);
        if (t.feedmode == 1) t.item(I_FEED2, 8, "FEED", -1, &PRM9[PRM9_FEED], 0.0001f, 99999.9f);
        else t.blank();
        t.blank();
        t.blank();
    }
    if (t.column[6]) {
        t.item(I_M19, 3, "MODE 19:1@2@3@4@5@6", 659, &PRM9[PRM9_P56], 0, 0);
        const i32 m19 = PRM9[PRM9_P56];
        t.item(I_V20, 8, m19 == 1 || m19 == 4 ? "VALUE 20 A" : m19 == 2 || m19 == 5 ? "VALUE 20 B" : "VALUE 20", -1,
               &PRM9[PRM9_P57], 0.0001f, 9999.9f);
        // The second value edits word 20, as the first does: word 21 is only
        // cleared on leaving for modes 1 to 3, and nothing here says the item
        // moved to it, so the word it is known to edit is kept.
        if (m19 >= 4 && m19 <= 6) t.item(I_V21, 8, "SECOND VALUE", -1, &PRM9[PRM9_P57], 0.00001f, 9999.9f);
        else t.blank();
        t.blank();
    }
    if (t.column[7]) {
        if (!t.hostdriven) t.item(I_MAXC, 3, "MAX FEED:MACHINE@GIVEN", 918, &t.maxchoice, 0, 0);
        if (t.maxchoice == 2) t.item(I_MAXV, 8, "MAXIMUM FEED", -1, &t.maxw, real(PRM9_FEED), 99999.9f);
        else t.blank();
        if (t.B && !t.hostdriven) t.item(I_C23, 3, "VALUE 23:1@2", 1119, &PRM9[PRM9_FIT], 0, 0);
        else t.blank();
        t.blank();
    }
}

// Columns 8 to 10 (machining type 38): the host's ten machine-table words
// g1 to g10 and the feed.
void build_table(Tol& t)
{
    i32* g = MCHTBL;
    // With option 13 the g1 choice gives way to a text row that cannot be
    // chosen, as the tool's text: the row only tells which mode is in
    // force, and an option that does nothing when chosen would invite a try.
    if (t.opt(13)) {
        modmtx("TABLE MODE");
        ++t.row;
    } else {
        t.item(I_G1, 3, "TABLE MODE:1@2", 1296, &g[0], 0, 0);
    }
    if (g[0] == 1) t.item(I_TABLE, 1, "TABLE VALUE 7", -1, &g[6], 1, 999);
    else t.item(I_TABLE, 1, "TABLE ANGLE", -1, &g[1], 0.0f, 360.0f);
    if (g[0] == 2) t.item(I_TABLE, 8, "TABLE VALUE 3", -1, &g[2], 0.0f, 999.0f);
    else t.blank();
    t.blank();
    t.item(I_TABLE, 8, "TABLE VALUE 4", -1, &g[3], 0.0f, 999.0f);
    t.item(I_TABLE, 1, "TABLE VALUE 8", -1, &g[7], 1, 999);
    t.blank();
    t.item(I_TABLE, 8, "FEED", -1, &PRM9[PRM9_FEED], 0.0001f, 99999.9f);
    t.item(I_TABLE, 8, "TABLE VALUE 5", -1, &g[4], 0.0f, 999.0f);
    t.item(I_TABLE, 1, "TABLE VALUE 9", -1, &g[8], 1, 999);
    t.item(I_TABLE, 8, "TABLE VALUE 6", -1, &g[5], 0.0f, 999.0f);
    t.item(I_TABLE, 1, "TABLE VALUE 10", -1, &g[9], 1, 999);
}

// Builds the menu. False: it could not be opened (status set).
bool build_menu(Tol& t)
{
    if (t.printcell == 0) prcont();
    i32 st = 0;
    MNUINT(t.printcell, t.ncol, t.restart, st);
    if (st < 0) {
        t.status = st;
        return false;
    }
    t.choice = 1;
    std::memset(t.row_of, 0, sizeof t.row_of);
    t.row = 0;
    build_tool(t);
    if (t.column[2]) build_speeds(t);
    build_values(t);
    build_motion(t);
    if (t.T38) build_table(t);
    t.smode_built = PRM9[PRM9_SPMODE];
    t.fmode_built = t.feedmode;
    t.m19_built = PRM9[PRM9_P56];
    t.build = false;
    return true;
}

// Leaving by a confirming reply: the modal state, the maximum feed and the
// tool cache written; warnings for a spindle not turning clockwise.
void accept(Tol& t)
{
    if (PRM9[PRM9_P56] >= 1 && PRM9[PRM9_P56] <= 3) PRM9[PRM9_P58] = 0;
    STFEED(real(PRM9_FEED));
    STSPIN(PRM9[PRM9_SPIN]);
    STVLOC(real(PRM9_SPEED));
    if (t.N) PRM9[PRM9_MAXF] = r2wrd(-wrd2r(t.maxw));
    i32 s = 0;
    SGTOOL(6, PRM9[PRM9_TOOL], s);
    if (s != 0) t.status = -1;
    if (t.N && PRM9[PRM9_DIR] == 2) usmsgc("WARNING: SPINDLE IS CCW!");
    if (t.N && PRM9[PRM9_DIR] == 3) usmsgc("WARNING: SPINDLE IS OFF!");
}

// The tool row: SHOW TOOL PARAMETERS, or SELECT NEW TOOL and the menu
// made for the new tool.
void tool_row(Tol& t)
{
    if (t.choice == 2) {
        i32 s = 0;
        DEFTOL(t.ttype, 10, 1, s);
        t.restart = 0;
    } else if (t.choice == 3) {
        MNUCLR();
        char chosen[24] = {0};
        i32 s = 0;
        CHSTLC(1, chosen, s);
        if (s >= 0 && CURTOL > 0) PRM9[PRM9_TOOL] = CURTOL;
        t.picked = true;
        t.toolopt = tool_option(t.opt(8), t.picked);
        GTTTYP(PRM9[PRM9_TOOL], t.ttype);
        // The lathe rule is taken again for the new tool: a cutting-speed
        // change asks the size of the tool now current for the spindle speed
        // unless P holds. The columns stay as this call laid them out.
        t.P = t.machine == MACH_LATHE && t.ttype != 8;
        t.has_text = t.tool_text();
        t.shown_speed = r2wrd(static_cast<f32>(real(PRM9_SPEED) * 1000.0 * FEET));
        t.restart = 0;
    }
    t.build = true;
}

// A new cutting speed: the spindle speed follows it (but for a lathe).
// False: the tool has no size, the menu is left.
bool cutting_speed(Tol& t)
{
    if (t.imperial) PRM9[PRM9_SPEED] = r2wrd(static_cast<f32>(wrd2r(t.shown_speed) * 0.3048));
    if (t.P) {
        SMOD10(0, real(PRM9_SPEED));
        return true;
    }
    f32 size = 0;
    GTTSIZ(PRM9[PRM9_TOOL], size);
    if (size < 0) return false;
    SPNSPD(size, real(PRM9_SPEED), PRM9[PRM9_SPIN]);
    SMOD02(0, PRM9[PRM9_SPIN]);
    t.build = true;
    return true;
}

// Acts on the row chosen, the modal state kept in step. False: leave.
bool act(Tol& t, i32 reply)
{
    const i32* row_of = t.row_of;
    if (reply == t.row_tool) {
        tool_row(t);
    } else if (reply == t.row_text) {
        // The tool's text cannot be chosen.
    } else if (reply == row_of[I_F13]) {
        if (t.flag13 == 1) {
            PRM9[PRM9_SHOWTOOL] = 0;
        } else {
            PRM9[PRM9_SHOWTOOL] = 1;
            if (t.A) PRM9[PRM9_FIT] = 2;
        }
        t.build = true;
    } else if (reply == row_of[I_COOL]) {
        SMOD03(0, PRM9[PRM9_COOL]);
    } else if (reply == row_of[I_SMODE]) {
        if (PRM9[PRM9_SPMODE] != t.smode_built) {
            if (PRM9[PRM9_SPMODE] == 1) SMOD10(0, real(PRM9_SPEED));
            else SMOD02(0, PRM9[PRM9_SPIN]);
            t.build = true;
        }
    } else if (reply == row_of[I_SPEED]) {
        return cutting_speed(t);
    } else if (reply == row_of[I_SPIN]) {
        SMOD02(0, PRM9[PRM9_SPIN]);
    } else if (reply == row_of[I_DIR]) {
        SMD210(0, PRM9[PRM9_SPIN], real(PRM9_SPEED));
        t.build = true;
    } else if (reply == row_of[I_FEED] || reply == row_of[I_FEED2]) {
        if (t.feedmode == 1) SMOD01(0, real(PRM9_FEED));
    } else if (reply == row_of[I_C16]) {
        SMOD53(0, PRM9[PRM9_P53]);
    } else if (reply == row_of[I_C15]) {
        SMOD52(0, PRM9[PRM9_P52]);
    } else if (reply == row_of[I_FMODE]) {
        if (t.feedmode != t.fmode_built) {
            SMOD01(0, t.feedmode == 1 ? real(PRM9_FEED) : -1.0f);
            FEEDMD = t.feedmode;
            t.build = true;
        }
    } else if (reply == row_of[I_MAXC]) {
        t.maxw = r2wrd(t.maxchoice == 1 ? 2.0f : -t.mxf1);
        t.build = true;
    } else if (reply == row_of[I_M19]) {
        if (PRM9[PRM9_P56] != t.m19_built) t.build = true;
    } else if (reply == row_of[I_C23]) {
        if (t.A && PRM9[PRM9_FIT] == 1) PRM9[PRM9_SHOWTOOL] = 0;
        t.build = true;
    } else if (reply == row_of[I_G1]) {
        t.build = true;
    }
    return true;
}

}  // namespace

void TOLMNU(i32& printcell, const i32* options, const i32& kind, i32& status)
{
    status = 0;
    WORDS = ItemWords{};
    Tol t{printcell, options, kind, status};
    t.hostdriven = nu_mod_get_flag() != 0;
    const f32 unit = gtmesu();
    t.imperial = eqval(unit, 25.4f) != 0 || eqval(unit, 304.8f) != 0;
    t.mt = MACTYP;
    t.A = mactyp_shows_tool(t.mt);
    t.B = kind != 1 && in(t.mt, {MACTYP_SURFACES, MACTYP_TRIMMED, MACTYP_TYPE4, MACTYP_ONESURF, MACTYP_TYPE27,
                                 MACTYP_TYPE7, MACTYP_TYPE48});
    t.T16 = t.mt == MACTYP_TYPE6;
    t.T38 = t.mt == MACTYP_MCHTBL;
    GTTTYP(PRM9[PRM9_TOOL], t.ttype);
    if (t.ttype < 0) {
        i32 s = 0;
        MNUMOD(printcell, s);
        return;
    }
    setup(t);
    while (true) {
        if (t.build && !build_menu(t)) break;
        if (t.hostdriven) {
            i32 s = 0;
            DEFTOL(t.ttype, 10, 1, s);
            return;
        }
        if (printcell != 0) break;
        REDSPL();
        // The menu is a host form (MNUINT and its value rows), so its reply
        // comes from the form's reader (modrpl); modif1 reads the column
        // menus of the editor and the GO menu, not a form.
        i32 reply = 0;
        modrpl(reply);
        if (reply == -3) continue;
        if (reply == 0 || reply == -1 || reply == -2) {
            accept(t);
            break;
        }
        if (!act(t, reply)) break;
    }
    i32 s = 0;
    MNUMOD(printcell, s);
}
