#include "edit/manedt.h"

#include <cstring>

#include "blocks/dspblk.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "core/host.h"
#include "core/intchk.h"
#include "core/modflg.h"
#include "core/names.h"
#include "core/records.h"
#include "edit/least.h"
#include "edit/proctab.h"
#include "edit/report/estimate.h"
#include "edit/report/service.h"
#include "edit/stepping.h"
#include "edit/support.h"
#include "tools/tooldsp.h"

i32 EDTACT = 0;
EdtHooks EDTHKS = {nullptr, nullptr, nullptr};

namespace {

const char* const JUMP4 = "JUMP START  >@JUMP END    >@JUMP LAYER/Z>@JUMP BLOCK  >";
const char* const JUMP3 = "JUMP START  >@JUMP END    >@JUMP BLOCK  >";
const char* const TOOLS = "TOOL:DISPLAY>@TOOL:TRACE  >@TOOL:NO DISP>";
const char* const BLANKS = "BLANK OPT.  >@BLANK ALL@BLANK 2STRT@BLANK 2END@UNBLANK ALL";
const char* const ESTIMATE = "ESTIMATED TIME>@PRINT TO SCREEN@PRINT TO FILE@PRINT TO FILE AND SCREEN";

// Item positions of the menu.
constexpr i32 IT_MOVE = 1, IT_DELETE = 2, IT_TOEND = 3, IT_ALTER = 4, IT_SERVICE = 5, IT_PARAMS = 6, IT_JUMP = 7,
              IT_FORWARD = 8, IT_BACKWARD = 9, IT_TOOL = 12, IT_BLOCK = 13, IT_ZDELAY = 14, IT_COUNT = 15,
              IT_STEP = 16, IT_SHOW = 17, IT_BLANK = 18, IT_EXIT = 24;

f32 zshift() { return wrd2r(NPT1[NPT1_ORIGIN + 2]); }

void column(i32 count)
{
    const i32 attrs[8] = {2, 2, 2, 2, 2, 2, 2, 2};
    modcls(count, attrs);
}

void empty()
{
    i32 none = 0;
    modumc(" ", none);
}

// The whole list as a key of depth 1.
void list_key(i32* key)
{
    blkkey(key, -1);
    key[0] = 1;
}

void blank_keys(const i32* first, const i32* last, i32 blank)
{
    if (first[2] < 0 || last[2] < 0) return;
    ncd_set_block_or_proc_blank(first, last, blank);
}

void whole_blank(i32 blank)
{
    i32 k[KEY_N];
    list_key(k);
    ncd_set_block_or_proc_blank(k, k, blank);
}

// Draws the tool of the machine values at the shown point when no tool
// image is registered.
void tool_image(bool axis)
{
    i32 inst = 0;
    tm_inst_id(1, inst);
    if (inst != 0) return;
    f32 p[3], a[3];
    for (int k = 0; k < 3; ++k) {
        p[k] = wrd2r(DSP8[DSP8_POS + k]);
        a[k] = wrd2r(DSP8[DSP8_AXIS + k]);
    }
    i32 fig = -1;
    if (axis) DISPT1(PRM9[PRM9_TOOL], p, a, fig);
    else DISPT0(PRM9[PRM9_TOOL], p, fig);
    if (fig >= 0) tm_inst_id(2, fig);
}

}  // namespace

void EDTSRV(const i32* flags, i32& changed, i32& code22, i32& pathchg, i32& callers, i32& request, i32& subchg,
            i32& type, i32* key, i32& count, i32& status)
{
    status = 0;
    while (true) {
        MNUCLR();
        i32 last = 0, st = 0;
        MNUINT(0, 2, last, st);
        if (st < 0) break;
        column(8);
        i32 one[4] = {1, 1, 1, 1};
        modmc2("BLOCK LIST", one[0], 0);
        if (flags[EDF_ALTER] != 0) modmc2("ADD:GO", one[1], 0);
        else empty();
        if (flags[EDF_MESSAGE] != 0) {
            modmc2("ADD MESSAGE", one[2], 0);
            modmc2("EDIT.MESSAGE", one[3], 0);
        } else {
            empty();
            empty();
        }
        i32 est = 1;
        modmc(ESTIMATE, est);
        empty();
        empty();
        empty();
        prcont();
        i32 reply = 0;
        modif1(reply);
        if (reply == 1) {
            BLKLST(st);
        } else if (reply == 2) {
            i32 inserted = 0;
            EDTGO(key, type, inserted, changed, st);
            if (inserted != 0) request = 1;
            if (request != 0) code22 = 1;
            if (changed != 0) pathchg = callers = subchg = 1;
        } else if (reply == 3) {
            MNUCLR();
            changed = 0;
            i32 state = 0;
            INSMSG(state, changed, st);
            if (changed != 0) {
                i32 lst = 0;
                code22 = CHKLYR(lst);
                pathchg = callers = 1;
            }
        } else if (reply == 4) {
            CNTMSG(count, st);
            if (st < 0) {
                status = st;
                break;
            }
            if (st > 0) continue;  // not counted: nothing to edit
            if (count < 1) {
                usmsgc("NO MESSAGES FOUND");
            } else {
                MNUCLR();
                EDTMSG(st);
                MSGMRK(key, st);
            }
        } else if (reply == 5) {
            if (est >= 2 && est <= 4) {
                set_estimate_mode(est - 1);
                i32 first = 1;
                estimate_time(first, 2, st);
            }
        } else {
            break;
        }
    }
    i32 st = 0;
    MNUMOD(0, st);
}

void manedt(const i32& procedure, const i32* flags, const i32& start_at_end, const i32& blank_outside,
            i32& changed, i32& status)
{
    const bool single = procedure > 0;
    // Entry.
    f32 delay = 0.001f;
    {
        i32 word = 0, count = 1, st = 0;
        mdgetn("MEDZ", &word, count, st);
        if (st == 0 && count >= 1) delay = wrd2r(word);
    }
    MOVSTA.layerz = 0.0f;
    i32 cmode = 1, toolstate = 1;
    i32 registered = 0;
    if (nu_modl_get_did_init() == 0) {
        static i32 area1[64], area2[64];
        nu_modl_init(area1, area2);
        registered = 1;
    }
    const i32 nckind = NPT1[NPT1_MACHINE];
    const bool alter_ok = nckind == 22 || nckind == 23 || nckind == 25 || nckind == 26;
    const i32 tler = TLER[0];
    TLER[0] = 0;
    if (single) {
        i32 colour = 0, pen = 0, a = 0, b = 0;
        gs_proc_color_pen(procedure, colour, pen, a, b);
        DSP8[15] = 4;
        DSP8[16] = colour;
        DSP8[17] = pen;
    }
    EDTACT = 0;
    {
        i32 st = 0;
        PRCTBF(st);  // the procedure tables of the tool path as it stands
    }

    DSPINI(2);
    MFLST1(-1);

    i32 key[KEY_N], delstart[KEY_N];
    blkkey(key, -1);
    blkkey(delstart, -1);
    i32 type = 0, pathchg = 0, code22 = 0, subchg = 0, open = 0, redraw = 0, pickmade = 0, srfpkt = 0;
    bool first = true, passed = false, leave = false, zfirst = true;
    i32 savedshow = 1, prevstep = 1, prevjump = MOVSTA.jump, showtwo = 1;
    i32 picksave[2] = {0, 0};
    bool picksaved = false;
    i32 msgcount = 0;
    status = 0;
    auto errors = [&]() {
        eroutc("manedt,ERRORS IN LIST", 0);
        status = -3;
        leave = true;
    };

    enum class At { Startup, Top, Build, Wait } at = At::Startup;
    i32 reply = 0;
    // Item state words (the host writes the chosen alternative into them).
    i32 jstate = 1, fwd = 1, bwd = 1, mv = 1, del = 1, toend = 1, alt = 1, srv = 1, prm = 1, ex = 1, blockval = 0,
        count = 1, stepstate = 1, showstate = 1, blank = 1;
    f32 zfield = 0.0f;
    i32 dirbefore = 0, showbefore = 1, stepbefore = 1;
    bool zitem = false, delayitem = false;

    auto step = [&](i32 target, const f32& d, const f32& z) {
        i32 st = 0;
        STEPTL(target, delstart[2], cmode, key, type, d, z, st);
        if (st < 0 && st != -2) errors();
    };

    while (!leave) {
        if (at == At::Startup) {
            if (single) {
                i32 st = 0;
                if (EDTHKS.take) EDTHKS.take(procedure, st);
                if (st >= 0) EDTCTX(procedure, st);
                if (st >= 0) OPNMVL(2, st);
                if (st < 0) {
                    errors();
                    break;
                }
                open = 1;
                CURPRC.number = procedure;
                if (first) {
                    // The procedure's user name in the status line.
                    PPNGET();
                    MUTTX8(1, reinterpret_cast<const char*>(PPN4), procedure);
                }
                // A path no longer the computed one, about to be cut by hand.
                if (PRCKND(0) == 1 && (flags[EDF_DELETE] != 0 || flags[EDF_TOEND] != 0) && proc_marked(procedure))
                    msg_mdls(317, 36);
            }
            i32 lines = 0;
            llines(lines);
            if (lines < 1) {
                usmsgc("NOTE: PROCEDURE LIST IS EMPTY");
                break;
            }
            i32 nomotion = 1, st = 0;
            MRKPOS(single ? 1 : 2, nomotion, st);
            if (st < 0) {
                errors();
                break;
            }
            if (nomotion != 0) {
                usmsgc("NOTE: NO MOVEMENTS IN PROCEDURE LIST");
                break;
            }
            i32 atend = start_at_end;
            STPINI(single ? 1 : 0, atend, st);
            if (st < 0) {
                errors();
                break;
            }
            if (!first) MOVSTA.show = savedshow;
            if (first && blank_outside != 0) {
                MOVSTA.shown[0] = MOVSTA.shown[1] = -1;
                MOVSTA.show = 2;
            }
            segchk("SRFPKT", 6, 3, srfpkt);
            blkkey(key, -1);
            step(-1, delay, MOVSTA.layerz - zshift());
            if (leave) break;
            MNUCLR();
            passed = true;
            first = false;
            at = At::Top;
        }
        if (at == At::Top) {
            cmode = 1;
            blkkey(delstart, -1);
            if (subchg != 0) {
                i32 st = 0;
                PRCRNG(st);
                whole_blank(0);
                MOVSTA.show = 1;
                subchg = 0;
            }
            at = At::Build;
        }
        if (at == At::Build) {
            if (picksaved) {
                MOVSTA.follow = picksave[0];
                TLER[0] = picksave[1];
                picksaved = false;
            }
            i32 st = 0;
            MNUIN3("", st);
            if (st < 0) {
                errors();
                break;
            }
            const i32 layering = MOVSTA.layering;
            dirbefore = MOVSTA.direction;
            // Column 1: the commands.
            column(6);
            mv = del = toend = alt = srv = prm = 1;
            modmc2("MOVE TOOL", mv, cmode == 1);
            if (flags[EDF_DELETE] != 0) modmc2("DELETE", del, cmode == 2);
            else empty();
            if (flags[EDF_TOEND] != 0) modmc2("DELETE TO END", toend, 0);
            else empty();
            if (flags[EDF_TOEND] != 0 && flags[EDF_ALTER] != 0 && alter_ok) modmc2("ALTERATIONS", alt, 0);
            else empty();
            if (flags[EDF_TOEND] != 0 && flags[EDF_ALTER] != 0) modmc2("SERVICE", srv, 0);
            else empty();
            if (flags[EDF_PARAMS] != 0) modmc2("MACH.PARAMS", prm, 0);
            else empty();
            // Column 2: the directions and the tool.
            column(6);
            bool jmark = MOVSTA.direction == 3;
            if (layering == 4) {
                if (MOVSTA.step == 1 && prevstep == 2 && MOVSTA.jump == 3) {
                    MOVSTA.jump = 4;
                    MOVSTA.direction = 1;
                    jmark = false;
                }
                jstate = MOVSTA.jump;
                modmc2(JUMP4, jstate, jmark);
            } else {
                if (MOVSTA.jump == 3) MOVSTA.jump = 4;
                jstate = MOVSTA.jump == 4 ? 3 : MOVSTA.jump;
                modmc2(JUMP3, jstate, jmark);
            }
            fwd = bwd = 1;
            modmc2("FORWARD", fwd, MOVSTA.direction == 1);
            modmc2("BACKWARD", bwd, MOVSTA.direction == 2);
            empty();
            empty();
            modmc2(TOOLS, toolstate, MOVSTA.direction == 1);
            // Column 3: the values.
            column(6);
            const bool jblock = MOVSTA.direction == 3 && MOVSTA.jump == 4;
            const bool jz = MOVSTA.direction == 3 && MOVSTA.jump == 3;
            {
                char label[8] = "L:BLK";
                if (type == 3 || type == 23 || type == 223) label[0] = 'C';
                if (type == 5) label[0] = 'S';
                blockval = key[2];
                if (jblock) modic2(label, blockval, 1, 999999, 1);
                else modic2(label, blockval, blockval, blockval, 0);
            }
            if (layering == 4 && jz) MOVSTA.step = 2;
            zitem = delayitem = false;
            zfield = MOVSTA.layerz - zshift();
            if (jz) {
                modrc2("Z", zfield, -9999.0f, 9999.0f, 1);
                zitem = true;
            } else if (layering == 4) {
                if (MOVSTA.step == 2 && MOVSTA.show == 3) {
                    modrc2("Z", zfield, zfield, zfield, 0);
                } else {
                    modrc2("DELAY", delay, 0.0f, 10.0f, 0);
                    delayitem = true;
                }
            } else if (layering == 6 && MOVSTA.step == 2) {
                empty();
            } else {
                modrc2("DELAY", delay, 0.0f, 10.0f, 0);
                delayitem = true;
            }
            count = MOVSTA.count;
            modic2("COUNT", count, 1, 9999, MOVSTA.direction != 3);
            prevstep = MOVSTA.step;
            if (layering < 1) {
                MOVSTA.step = 1;
                stepstate = 1;
                modmc2("BLOCK STEP", stepstate, MOVSTA.direction != 3);
            } else {
                stepstate = MOVSTA.step;
                modmc2(layering == 4 ? "BLOCK STEP  >@LAYER STEP  >" : "BLOCK STEP  >@PASS STEP   >", stepstate,
                       MOVSTA.direction != 3);
            }
            stepbefore = MOVSTA.step;
            showbefore = MOVSTA.show;
            if (jz && MOVSTA.show == 2) MOVSTA.show = 3;
            if ((layering == 4 || layering == 6) && MOVSTA.step == 2) {
                showtwo = MOVSTA.show == 1 ? 1 : 2;
                if (layering == 4 && MOVSTA.jump == 3 && prevjump != 3) showtwo = 2;
                showstate = showtwo;
                modmc2(layering == 4 ? "SHOW ALL    >@SHOW LAYER  >" : "SHOW ALL    >@SHOW PASS   >", showstate, 1);
                MOVSTA.show = showtwo == 1 ? 1 : 3;
                if (layering == 4) prevjump = MOVSTA.jump;
            } else if (layering == 4 || layering == 6) {
                showstate = MOVSTA.show;
                modmc2(layering == 4 ? "SHOW ALL    >@SHOW BLOCK  >@SHOW LAYER  >"
                                     : "SHOW ALL    >@SHOW BLOCK  >@SHOW PASS   >",
                       showstate, 1);
            } else {
                if (MOVSTA.show > 2) MOVSTA.show = 1;
                showstate = MOVSTA.show;
                mdmpc2("SHOW ALL    >@SHOW BLOCK  >", showstate, 1);
            }
            blank = 1;
            modmc2(BLANKS, blank, 0);
            // Column 4: the way out.
            column(6);
            for (int k = 0; k < 5; ++k) empty();
            i32 colour = 0;
            setcolr(0, -1, IT_EXIT, colour);
            ex = 1;
            modmc2("EXIT", ex, 0);
            setcolr(0, -2, IT_EXIT + 1, colour);
            if (single && EDTHKS.tools) EDTHKS.tools(procedure);
            setcolr(0, -1, IT_EXIT + 1, colour);
            at = At::Wait;
        }
        // Waiting for the answer.
        do {
            REDSPL();
            if (MOVSTA.direction == 3 && MOVSTA.jump == 4) {
                msg_prompt(317, 20);
                setir();
                enatpo();
                setatn(0);
                pick(reply);
                setatn(1);
                if (reply == 0) {
                    EDTACT = 1;
                    pickmade = 1;
                    picksave[0] = MOVSTA.follow;
                    picksave[1] = TLER[0];
                    picksaved = true;
                    MOVSTA.follow = 1;
                    TLER[0] = 0;
                }
            } else if (MOVSTA.direction == 3 && MOVSTA.jump == 3 && zfirst) {
                zfirst = false;
                step(-1, -1.0f, zfield);
                reply = -4;  // rebuild
            } else if (MOVSTA.direction == 3 && MOVSTA.jump == 3) {
                prmptc("PICK POINT");
                setir();
                setatn(0);
                f32 p[3] = {0, 0, 0};
                ncs_get_point(18, p, reply);
                setatn(1);
                if (reply == 0) {
                    zfield = p[2] - zshift();
                    reply = IT_ZDELAY;
                }
            } else {
                prcont();
                modif1(reply);
            }
        } while (reply == -3 && !leave);
        if (leave) break;
        if (reply == -4) {
            at = At::Build;
            continue;
        }
        // The values typed in the menu.
        MOVSTA.count = count < 1 ? 1 : count > 9999 ? 9999 : count;
        at = At::Build;
        bool after_change = false;
        i32 chg = 0, request = 0;
        if ((reply == IT_EXIT || reply == -1) && cmode == 2) {
            // DELETE: the range from the delete start to the tool
            i32 st = 0;
            EDTDLT(delstart, key, type, chg, request, st);
            if (st < 0 && st != -2) {
                errors();
                break;
            }
            after_change = true;
        } else if (reply == IT_EXIT) {
            if (key[2] != -1) ncd_set_block_or_proc_attn(key, 0);
            after_change = true;
        } else if (reply == -1) {
            // the confirm reply means something only while DELETE marks a range
        } else if (reply == -2) {
            if (key[2] != -1) ncd_set_block_or_proc_attn(key, 0);
            if (cmode != 1) {
                at = At::Top;
            } else {
                i32 st = 0;
                mnedup(open, pathchg, code22, redraw, st);
                if (st < 0) errors();
                break;
            }
        } else if (reply == 0) {
            step(-1, delay, zfield);
            gsclr(0);
        } else if (reply == IT_TOOL) {
            TLER[0] = toolstate - 1;
            if (toolstate == 3) {
                tm_inst_delete();
            } else if (toolstate == 2) {
                MOVSTA.follow = 2;
                TLXOFF();
            } else {
                MOVSTA.follow = 1;
                TLXON2();
            }
            if (toolstate != 3) tool_image(true);
            at = At::Wait;
        } else if (reply == IT_MOVE) {
            cmode = 1;
            gsclr(0);
        } else if (reply == IT_DELETE && flags[EDF_DELETE] != 0) {
            if (cmode == 1) std::memcpy(delstart, key, sizeof delstart);
            else if (delstart[2] != -1 && delstart[2] != key[2]) ncd_set_block_or_proc_attn(delstart, 0);
            cmode = 2;
            gsclr(0);
            EDTACT = 1;
        } else if (reply == IT_TOEND && flags[EDF_TOEND] != 0) {
            MNUCLR();
            i32 st = 0;
            EDTTRM(key, type, chg, request, st);
            if (request != 0) code22 = 1;
            if (chg != 0) pathchg = changed = subchg = 1;
            i32 nomotion = 1;
            MRKPOS(2, nomotion, st);
            if (st < 0) {
                errors();
                break;
            }
            if (nomotion == 0) {
                at = At::Top;
            } else {
                usmsgc("NOTE: NO MOVEMENTS IN PROCEDURE LIST");
                if (pathchg != 0) redraw = 1;
                mnedup(open, pathchg, code22, redraw, st);
                if (st < 0) errors();
                break;
            }
        } else if (reply == IT_ALTER && flags[EDF_TOEND] != 0 && flags[EDF_ALTER] != 0 && alter_ok) {
            if (pickmade == 0) EDTACT = 0;
            i32 done = 0;
            trim_tp(procedure, srfpkt, done);
            if (done > 0) pathchg = changed = subchg = 1;
            EDTACT = 0;
            pickmade = 0;
            if (pathchg != 0) redraw = 1;
            i32 st = 0;
            mnedup(open, pathchg, code22, redraw, st);
            if (st < 0) {
                errors();
                break;
            }
            if (split_by_tool_get_set(1, 0) == 0) at = At::Startup;
            else break;
        } else if (reply == IT_PARAMS && flags[EDF_PARAMS] != 0) {
            i32 st = 0;
            EDTPRM(key, chg, request, st);
            if (request != 0) code22 = 1;
            if (chg != 0) pathchg = changed = 1;
            at = At::Top;
        } else if (reply == IT_SERVICE && flags[EDF_TOEND] != 0 && flags[EDF_ALTER] != 0) {
            i32 st = 0, schg = 0;
            EDTSRV(flags, schg, code22, pathchg, changed, request, subchg, type, key, msgcount, st);
            MNUCLR();
            at = At::Top;
        } else if (reply == IT_FORWARD || reply == IT_BACKWARD || reply == IT_JUMP) {
            MOVSTA.direction = reply == IT_FORWARD ? 1 : reply == IT_BACKWARD ? 2 : 3;
            if (reply == IT_JUMP) MOVSTA.jump = MOVSTA.layering == 4 ? jstate : (jstate == 3 ? 4 : jstate);
            gsclr(0);
            if (MOVSTA.jump == 3 && prevjump != 3) MOVSTA.show = 2;
            prevjump = MOVSTA.jump;
            if (MOVSTA.direction == 3 && (MOVSTA.jump == 3 || MOVSTA.jump == 4)) {
                zfirst = true;
            } else if (MOVSTA.direction != 3 && MOVSTA.direction != dirbefore) {
                // only the direction changes
            } else {
                step(-1, delay, zfield);
                pickmade = 1;
            }
        } else if (reply == IT_BLOCK) {
            step(blockval, delay, zfield);
            gsclr(0);
        } else if (reply == IT_ZDELAY && zitem) {
            step(-1, delay, zfield);
            gsclr(0);
        } else if (reply == IT_STEP) {
            if (stepstate == stepbefore) {
                at = At::Wait;
            } else {
                MOVSTA.step = stepstate;
                gsclr(0);
                if (MOVSTA.layering == 4 || MOVSTA.layering == 6) reply = IT_SHOW;
            }
        }
        if (reply == IT_SHOW) {
            i32 show = showstate;
            if ((MOVSTA.layering == 4 || MOVSTA.layering == 6) && MOVSTA.step == 2) {
                show = showstate == 2 ? 3 : 1;
                if (prevstep != 2) show = 3;
            }
            MOVSTA.show = show;
            if (show != showbefore) {
                if (get_win_mode() != 0) {
                    EnableHideTool();
                    nc_tool_disp_hide(0);
                }
                if (show == 1) {
                    whole_blank(0);
                    MOVSTA.shown[0] = MOVSTA.first[2];
                    MOVSTA.shown[1] = MOVSTA.last[2];
                } else if (show == 2) {
                    blank_keys(MOVSTA.first, MOVSTA.last, 1);
                    MOVSTA.shown[0] = MOVSTA.shown[1] = -1;
                } else {
                    MOVSTA.shown[0] = MOVSTA.first[2];
                    MOVSTA.shown[1] = MOVSTA.last[2];
                    SHWLYR();
                }
                gsclr(0);
            }
        } else if (reply == IT_BLANK) {
            if (get_win_mode() != 0) {
                EnableHideTool();
                nc_tool_disp_hide(0);
            }
            if (blank == 1) {
                at = At::Wait;
            } else {
                if (blank == 2) {
                    whole_blank(1);
                    MOVSTA.shown[0] = MOVSTA.shown[1] = -1;
                } else if (blank == 3) {
                    blank_keys(MOVSTA.first, key, 1);
                    MOVSTA.shown[1] = MOVSTA.first[2];
                } else if (blank == 4) {
                    blank_keys(key, MOVSTA.last, 1);
                    MOVSTA.shown[0] = MOVSTA.last[2];
                } else {
                    whole_blank(0);
                    MOVSTA.shown[0] = MOVSTA.first[2];
                    MOVSTA.shown[1] = MOVSTA.last[2];
                }
                MOVSTA.show = 2;
                gsclr(0);
            }
        }
        if (leave) break;
        if (after_change) {
            if (request != 0) code22 = 1;
            if (chg != 0) pathchg = changed = subchg = 1;
            if (pathchg != 0) redraw = 1;
            i32 st = 0;
            mnedup(open, pathchg, code22, redraw, st);
            EDTACT = 0;
            if (st < 0) {
                errors();
                break;
            }
            if (cmode == 1) break;
            i32 lk[KEY_N];
            list_key(lk);
            ncd_set_block_or_proc_attn(lk, 1);
            if (EDTHKS.display) {
                i32 ds = 0;
                EDTHKS.display(2, ds);
            }
            savedshow = MOVSTA.show;
            at = At::Startup;
        }
    }

    // The way out, on every road.
    {
        i32 word = r2wrd(delay), st = 0;
        mdputn("MEDZ", 1, 1, &word, st);
    }
    MNUCLR();
    if (open != 0) {
        i32 st = 0;
        CLSSBL(st);
    }
    if (passed) {
        if (blank_outside == 0) {
            if (MOVSTA.show != 1) whole_blank(0);
        } else {
            blank_keys(MOVSTA.first, MOVSTA.last, 1);
        }
        if (!single) {
            MOVSTA.direction = 3;
            MOVSTA.jump = 2;
            MOVSTA.step = 1;
            MOVSTA.show = 1;
            i32 st = 0;
            STEPTL(-1, -1, 1, key, type, -1.0f, 0.0f, st);
            if (key[2] != -1) ncd_set_block_or_proc_attn(key, 0);

        }
    }
    TLER[0] = tler;
    if (registered != 0) {
        static i32 area1[64], area2[64];
        nu_modl_rels(area1, area2);
    }
    tool_image(false);
    MDLDRP(1);
}
