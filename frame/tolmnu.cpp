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
// "PRM9" words of the menu (from 0).
constexpr i32 W_FEED = 0, W_SPEED = 1, W_SMODE = 2, W_V4 = 3, W_V5 = 4, W_V6 = 5, W_V7 = 6, W_SPIN = 7,
              W_DIR = 8, W_COOL = 9, W_TOOL = 11, W_F13 = 12, W_C15 = 14, W_C16 = 15, W_M19 = 18, W_V20 = 19,
              W_V21 = 20, W_MAXF = 21, W_C23 = 22;
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
    GTTNMC(PRM9[W_TOOL], name);
    std::string t = std::string("TOOL=") + std::string(name, strnlen(name, 19));
    if (t.size() > 22) t.resize(22);
    if (!select) return t + "@SHOW TOOL PARAMETERS";
    if (picked) return t + "@SHOW TOOL PARAMETERS@SELECT NEW TOOL";
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
    if (!std::isfinite(static_cast<double>(n)) || n >= 999999.0L) {
        spindle = 999999;
        return;
    }
    spindle = static_cast<i32>(std::llround(n));
    if (spindle >= 999999) spindle = 999999;
}

void TOLMNU(i32& printcell, const i32* options, const i32& kind, i32& status)
{
    auto opt = [&](i32 n) { return options[n - 1] != 0; };
    status = 0;
    const bool hostdriven = nu_mod_get_flag() != 0;
    const f32 unit = gtmesu();
    const bool imperial = eqval(unit, 25.4f) != 0 || eqval(unit, 304.8f) != 0;
    const i32 mt = MACTYP;
    const bool A = in(mt, {2, 3, 11, 14, 15, 29, 39});
    const bool B = kind != 1 && in(mt, {2, 3, 11, 14, 15, 25, 29});
    const bool T16 = mt == 16;
    i32 ttype = -1;
    GTTTYP(PRM9[W_TOOL], ttype);
    if (ttype < 0) {
        i32 s = 0;
        MNUMOD(printcell, s);
        return;
    }
    auto tool_text = [&](char* text) {
        std::memset(text, 0, 24);
        GTTTXT(PRM9[W_TOOL], text);
        return std::strncmp(text, "NO TEXT", 7) != 0;
    };
    char ttext[24];
    bool has_text = !hostdriven && tool_text(ttext);
    const i32 machine = NPT1[NPT1_MACHINE];
    const bool L = machine == 12 || machine == 13;
    bool P = machine == 31 && ttype != 8;
    const bool N = !L && !P;
    bool column[8] = {false};
    column[1] = true;
    column[2] = (opt(4) && !L) || opt(5);
    column[3] = (opt(1) && !L) || opt(2) || opt(3) || opt(11);
    column[4] = ((opt(1) || opt(4)) && L) || opt(12);
    column[5] = opt(9);
    column[6] = opt(10);
    column[7] = N;
    i32 ncol = 0;
    for (int c = 1; c <= 7; ++c) ncol += column[c] ? 1 : 0;
    const bool S = P && opt(4) && opt(5) && !T16;
    f32 maxf = 0;
    i32 maxchoice = 2;
    f32 mxf1 = 0;
    if (N) {
        maxf = -real(W_MAXF);
        maxchoice = eqval(maxf, 2.0f) != 0 ? 1 : 2;
        GTMXF1(1, mxf1);
    }
    bool picked = false;
    std::string toolopt = tool_option(opt(8), picked);
    i32 restart = 0;
    i32 flag13 = PRM9[W_F13] == 0 ? 1 : 2;
    i32 shown_speed = r2wrd(static_cast<f32>(real(W_SPEED) * 1000.0 * FEET));
    i32 maxw = r2wrd(maxf);
    i32 feedmode = FEEDMD;

    bool build = true;
    i32 choice = 1;
    i32 row_tool = -1, row_text = -1;
    std::string rows;
    // Row of each item (0 none), filled at each build.
    enum Item { I_COOL, I_F13, I_SMODE, I_SPEED, I_SPIN, I_DIR, I_FEED, I_V5, I_V4, I_V6, I_C16, I_C15, I_V7,
                I_FMODE, I_FEED2, I_M19, I_V20, I_V21, I_MAXC, I_MAXV, I_C23, I_COUNT };
    i32 row_of[I_COUNT] = {};
    i32 smode_built = PRM9[W_SMODE], fmode_built = feedmode, m19_built = PRM9[W_M19];
    while (true) {
        if (build) {
            if (printcell == 0) prcont();
            i32 st = 0;
            MNUINT(printcell, ncol, restart, st);
            if (st < 0) {
                status = st;
                break;
            }
            choice = 1;
            std::memset(row_of, 0, sizeof row_of);
            i32 row = 0;
            auto blank = [&]() {
                if (!hostdriven) {
                    moduc2();
                    ++row;
                }
            };
            auto item = [&](Item it, i32 vkind, const char* label, i32 code, i32* word, f32 lo, f32 hi) {
                i32 s = 0;
                nu_mod_exec(vkind, label, code, word, lo, hi, s);
                row_of[it] = ++row;
            };
            // Column 1.
            if (!hostdriven) {
                modmsl(toolopt.c_str(), choice);
                row_tool = ++row;
            }
            if (has_text) {
                char t[21];
                std::memcpy(t, ttext, 20);
                t[20] = '\0';
                modmtx(t);
                row_text = ++row;
            } else {
                blank();
            }
            if (opt(6)) item(I_COOL, 3, "COOLANT:ON@OFF", P || mt == 17 ? 614 : 615, &PRM9[W_COOL], 0, 0);
            else blank();
            if (opt(7)) item(I_F13, 3, "TOOL CHECK:NO@YES", A ? 619 : 623, &flag13, 0, 0);
            else blank();
            // Column 2.
            if (column[2]) {
                const bool speed_on = S ? PRM9[W_SMODE] == 1 : opt(5);
                const bool spin_on = S ? PRM9[W_SMODE] == 2 : opt(4);
                if (S) item(I_SMODE, 4, "SPEED MODE:CUTTING SPEED@SPINDLE SPEED", 627, &PRM9[W_SMODE], 0, 0);
                else blank();
                if (speed_on && PRM9[W_DIR] != 3) {
                    if (imperial) item(I_SPEED, 8, "CUTTING SPEED (FT/MIN)", -1, &shown_speed, 3.2808399f, 32808.07f);
                    else item(I_SPEED, 8, "CUTTING SPEED", -1, &PRM9[W_SPEED], 1.0f, 9999.9f);
                } else {
                    blank();
                }
                if (spin_on && PRM9[W_DIR] != 3) item(I_SPIN, 1, "SPINDLE SPEED", -1, &PRM9[W_SPIN], 1, 999999);
                else blank();
                if (opt(4) && !T16) item(I_DIR, 3, "SPINDLE:CW@CCW@OFF", 634, &PRM9[W_DIR], 0, 0);
                else blank();
            }
            // Column 3.
            if (column[3]) {
                if (opt(1)) item(I_FEED, 8, "FEED", -1, &PRM9[W_FEED], 0.0001f, 99999.9f);
                else blank();
                if (opt(2)) item(I_V5, 1, "MACHINE VALUE 5", -1, &PRM9[W_V5], 1, 999);
                else blank();
                if (opt(3)) item(I_V4, 1, "MACHINE VALUE 4", -1, &PRM9[W_V4], 1, 999);
                else blank();
                if (opt(11)) item(I_V6, 1, "MACHINE VALUE 6", -1, &PRM9[W_V6], 1, 999);
                else blank();
            }
            // Column 4.
            if (column[4]) {
                if (L && opt(1)) item(I_C16, 3, "PUNCH VALUE 16:1@2", 638, &PRM9[W_C16], 0, 0);
                else blank();
                if (L && opt(4)) item(I_C15, 3, "PUNCH VALUE 15:1@2", 642, &PRM9[W_C15], 0, 0);
                else blank();
                blank();
                if (opt(12)) item(I_V7, 1, "MACHINE VALUE 7", -1, &PRM9[W_V7], 1, 999);
                else blank();
            }
            // Column 5.
            if (column[5]) {
                item(I_FMODE, 3, "MOTION:FEED@RAPID", 646, &feedmode, 0, 0);
                if (feedmode == 1) item(I_FEED2, 8, "FEED", -1, &PRM9[W_FEED], 0.0001f, 99999.9f);
                else blank();
                blank();
                blank();
            }
            // Column 6.
            if (column[6]) {
                item(I_M19, 3, "MODE 19:1@2@3@4@5@6", 659, &PRM9[W_M19], 0, 0);
                const i32 m19 = PRM9[W_M19];
                item(I_V20, 8, m19 == 1 || m19 == 4 ? "VALUE 20 A" : m19 == 2 || m19 == 5 ? "VALUE 20 B" : "VALUE 20",
                     -1, &PRM9[W_V20], 0.0001f, 9999.9f);
                if (m19 >= 4 && m19 <= 6) item(I_V21, 8, "SECOND VALUE", -1, &PRM9[W_V20], 0.00001f, 9999.9f);
                else blank();
                blank();
            }
            // Column 7.
            if (column[7]) {
                if (!hostdriven) item(I_MAXC, 3, "MAX FEED:MACHINE@GIVEN", 918, &maxchoice, 0, 0);
                if (maxchoice == 2)
                    item(I_MAXV, 8, "MAXIMUM FEED", -1, &maxw, real(W_FEED), 99999.9f);
                else
                    blank();
                if (B && !hostdriven) item(I_C23, 3, "VALUE 23:1@2", 1119, &PRM9[W_C23], 0, 0);
                else blank();
                blank();
            }
            smode_built = PRM9[W_SMODE];
            fmode_built = feedmode;
            m19_built = PRM9[W_M19];
            build = false;
        }
        if (hostdriven) {
            i32 s = 0;
            DEFTOL(ttype, 10, 1, s);
            return;
        }
        if (printcell != 0) break;
        REDSPL();
        i32 reply = 0;
        modrpl(reply);
        if (reply == -3) continue;
        if (reply == 0 || reply == -1 || reply == -2) {
            if (PRM9[W_M19] >= 1 && PRM9[W_M19] <= 3) PRM9[W_V21] = 0;
            STFEED(real(W_FEED));
            STSPIN(PRM9[W_SPIN]);
            STVLOC(real(W_SPEED));
            if (N) PRM9[W_MAXF] = r2wrd(-wrd2r(maxw));
            i32 s = 0;
            SGTOOL(6, PRM9[W_TOOL], s);
            if (s != 0) status = -1;
            if (N && PRM9[W_DIR] == 2) usmsgc("WARNING: SPINDLE IS CCW!");
            if (N && PRM9[W_DIR] == 3) usmsgc("WARNING: SPINDLE IS OFF!");
            break;
        }
        restart = 1;
        if (reply == row_tool) {
            if (choice == 2) {
                i32 s = 0;
                DEFTOL(ttype, 10, 1, s);
                restart = 0;
            } else if (choice == 3) {
                MNUCLR();
                char chosen[24] = {0};
                i32 s = 0;
                CHSTLC(1, chosen, s);
                if (s >= 0 && CURTOL > 0) PRM9[W_TOOL] = CURTOL;
                picked = true;
                toolopt = tool_option(opt(8), picked);
                GTTTYP(PRM9[W_TOOL], ttype);
                P = machine == 31 && ttype != 8;
                has_text = tool_text(ttext);
                shown_speed = r2wrd(static_cast<f32>(real(W_SPEED) * 1000.0 * FEET));
                restart = 0;
            }
            build = true;
        } else if (reply == row_text) {
            // The tool's text cannot be chosen.
        } else if (reply == row_of[I_F13]) {
            if (flag13 == 1) {
                PRM9[W_F13] = 0;
            } else {
                PRM9[W_F13] = 1;
                if (A) PRM9[W_C23] = 2;
            }
            build = true;
        } else if (reply == row_of[I_COOL]) {
            SMOD03(0, PRM9[W_COOL]);
        } else if (reply == row_of[I_SMODE]) {
            if (PRM9[W_SMODE] != smode_built) {
                if (PRM9[W_SMODE] == 1) SMOD10(0, real(W_SPEED));
                else SMOD02(0, PRM9[W_SPIN]);
                build = true;
            }
        } else if (reply == row_of[I_SPEED]) {
            if (imperial) PRM9[W_SPEED] = r2wrd(static_cast<f32>(wrd2r(shown_speed) * 0.3048));
            if (!P) {
                f32 size = 0;
                GTTSIZ(PRM9[W_TOOL], size);
                if (size < 0) break;
                SPNSPD(size, real(W_SPEED), PRM9[W_SPIN]);
                SMOD02(0, PRM9[W_SPIN]);
                build = true;
            } else {
                SMOD10(0, real(W_SPEED));
            }
        } else if (reply == row_of[I_SPIN]) {
            SMOD02(0, PRM9[W_SPIN]);
        } else if (reply == row_of[I_DIR]) {
            SMD210(0, PRM9[W_SPIN], real(W_SPEED));
            build = true;
        } else if (reply == row_of[I_FEED] || reply == row_of[I_FEED2]) {
            if (feedmode == 1) SMOD01(0, real(W_FEED));
        } else if (reply == row_of[I_C16]) {
            SMOD53(0, PRM9[W_C16]);
        } else if (reply == row_of[I_C15]) {
            SMOD52(0, PRM9[W_C15]);
        } else if (reply == row_of[I_FMODE]) {
            if (feedmode != fmode_built) {
                SMOD01(0, feedmode == 1 ? real(W_FEED) : -1.0f);
                FEEDMD = feedmode;
                build = true;
            }
        } else if (reply == row_of[I_MAXC]) {
            maxw = r2wrd(maxchoice == 1 ? 2.0f : -mxf1);
            build = true;
        } else if (reply == row_of[I_M19]) {
            if (PRM9[W_M19] != m19_built) build = true;
        } else if (reply == row_of[I_C23]) {
            if (A && PRM9[W_C23] == 1) PRM9[W_F13] = 0;
            build = true;
        }
    }
    i32 s = 0;
    MNUMOD(printcell, s);
}
