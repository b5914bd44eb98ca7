// The common head of every procedure menu (status title, name, machining
// parameters, SERVICE, templates, optimizer), its reply handling, and the
// question whether the geometry is to be redefined.
#include <cstdio>
#include <cstring>
#include <string>

#include "blocks/movement.h"
#include "core/listname.h"
#include "frame/cmpblk.h"
#include "frame/defrel.h"
#include "frame/driver.h"
#include "frame/gomenu.h"
#include "core/host.h"
#include "core/names.h"
#include "core/params.h"
#include "frame/srvmnu.h"
#include "tools/toolcache.h"
#include "tools/toollib.h"
#include "frame/tolmnu.h"
#include "frame/prmmnu.h"
#include "core/records.h"
#include "stock/optim.h"
#include "stock/optwords.h"

i32 TPLSUB = 1, OPTTGL = 1;
char PRCSTT[20] = "-----      TAVREK  ";
// The part-surface change word. Nothing in this module sets it: the part
// surfaces change only in the definition, which saves them with the
// procedure. So it stays 0: the title shows 'G' and REDGEO asks.
i32 PSCHGW = 0;

namespace {
const char* const APPLY_SUB = "TEMPLATE:APPLY     -->@LOAD TECH PARAM@LOAD GEOM PARAM@LOAD ALL  PARAM";
const char* const TOGGLE = "USE OPTIMIZER : OFF  >@USE OPTIMIZER : ON   >";

i32 machine() { return NPT1[NPT1_MACHINE]; }

// The tool menu's option table as the main menu passes it: the caller's
// (the parameter page's own when it hands none), with the axis-mode option
// offered on a one-axis-mode page.
void tool_options(const i32* base, i32* t)
{
    if (base) {
        std::memcpy(t, base, 13 * sizeof(i32));
    } else {
        std::memset(t, 0, 13 * sizeof(i32));
        for (i32 k : {1, 2, 4, 5, 6, 8, 11, 12}) t[k - 1] = 1;
    }
    if (pw(AXSMOD) == 1) t[6] = 1;
}

i32 machine_class()
{
    i32 mt = machine();
    if (mt == MACH_MILL4 || mt == MACH_MILL5) return 2;
    if (mach_punch(mt)) return 3;
    if (mt == MACH_LATHE) return 4;
    if (mach_wire(mt)) return 5;
    return 1;
}

// The SERVICE menu's option table for the last digit of the mode code:
// GO TO POINT off for 4, ORIGIN off for 2, BLANK PROCEDURE only for a
// stored procedure not yet blanked; a table of its own for 5. The last
// flag word tells the sub-mode 2 of the procedure.
void service_options(i32 u, const i32* base, i32* t)
{
    static constexpr i32 FIVE[SRV_OPTIONS] = {1, 1, 0, 0, 0, 1, 1, 0, 0};
    static constexpr i32 STANDARD[SRV_OPTIONS] = {1, 1, 1, 1, 0, 1, 1, 1, 0};
    if (u == 5) {
        std::memcpy(t, FIVE, sizeof FIVE);
    } else {
        // The caller's table, with what the mode and the procedure decide:
        // GO TO POINT and ORIGIN taken off, BLANK PROCEDURE set by the state.
        std::memcpy(t, base ? base : STANDARD, SRV_OPTIONS * sizeof(i32));
        if (u == 4) t[3] = 0;
        if (u == 2) t[7] = 0;
        t[8] = EDA2[EDA2_OPENED] != 0 && EDA2[EDA2_BLANK] == 0 ? 1 : 0;
    }
    SRVFLG[6] = pw(AXSMOD) == 2 ? 1 : 0;
}

// Template load mode of the sub-menu state: plain apply and "LOAD ALL"
// read everything, "LOAD TECH" all but the geometry masks, "LOAD GEOM"
// only those.
i32 load_mode() { return TPLSUB == 2 ? 1 : TPLSUB == 3 ? 2 : 3; }

void run_side_menus(i32 u, i32 tens, const i32* toolflags, const i32* srvflags)
{
    i32 st = 0, opts[13];
    tool_options(toolflags, opts);
    if (u == 0 || u == 2 || u == 4) {
        // The main menu's tool menu is always at feed, so its feed item sets
        // modal code 1 whatever mode the editor's tool menu left in the word.
        FEEDMD = 1;
        TOLMNU(EDA2[EDA2_HELD], opts, tens, st);
    }
    if (u != 3 && u != 5) {
        i32 ctx = 0, whole = 1, srv[SRV_OPTIONS];
        service_options(u, srvflags, srv);
        SRVMNU(ctx, whole, EDA2[EDA2_HELD], machine_class(), srv, SRVFLG, st);
    }
}

// A common item chosen in the menu.
void common_item(const i32 reply, const i32 u, const i32 tens, const i32* toolflags, const i32* srvflags, i32* index,
                 PrcPutCb prm, PrcPutCb geo, PrcReadCb reader, i32& toolchanged, i32& status)
{
    if (reply == index[IX_NAME]) {
        MNUCLR();
        // The text edit keeps the old name when nothing is typed or the
        // edit is left.
        i32 st = 0;
        TXTEDT(st);
        status = 0;
    } else if (reply == index[IX_MACH] && (u == 0 || u == 2 || u == 4)) {
        char name[24] = {0};
        GSTXT1(1, name);
        i32 before = PRM9[PRM9_TOOL], opts[13], st = 0;
        tool_options(toolflags, opts);
        // Always at feed here, whatever mode the editor's or an earlier tool
        // menu left in the word.
        FEEDMD = 1;
        TOLMNU(EDA2[EDA2_HELD], opts, tens, st);
        if (PRM9[PRM9_TOOL] != before) toolchanged = 1;
        GSTXT1(2, name);
        status = 0;
    } else if (reply == index[IX_SERVICE] && u != 3) {
        char name[24] = {0};
        GSTXT1(1, name);
        char stt[20];
        std::memcpy(stt, PRCSTT, sizeof stt);
        // The SERVICE menu may change the machine and with it the
        // tool-type filter: the procedure's own is put back.
        i32 filter[10];
        std::memcpy(filter, TLFILT, sizeof filter);
        i32 ctx = 0, whole = 1, st = 0, srv[SRV_OPTIONS];
        service_options(u, srvflags, srv);
        SRVMNU(ctx, whole, EDA2[EDA2_HELD], machine_class(), srv, SRVFLG, st);
        GSTXT1(2, name);
        std::memcpy(PRCSTT, stt, sizeof stt);
        std::memcpy(TLFILT, filter, sizeof filter);
        status = 0;
    } else if (reply == index[IX_APPLY]) {
        MNUCLR();
        // The menu's shift flags are kept: the template's own shift sets
        // others for its heights.
        i32 flags[7];
        std::memcpy(flags, HGTFLS, sizeof flags);
        const i32 alt = HGTALT;
        HGTNPT(2);
        template_dir(1);
        template_init_load();
        template_set_read_mode(load_mode());
        i32 before = PRM9[PRM9_TOOL], st = 0;
        template_MultiTPRead_PROCdata(9, reader, st);
        if (st == 0) {
            // The template's tool, machine values, clearances, texts and
            // optimizer words, as a procedure made from a template takes them.
            i32 fetched = 0;
            fetch_from_host(fetched);
            if (PRM9[PRM9_TOOL] != before) toolchanged = 1;
        }
        // The menu goes on with its heights relative again, whatever the read
        // answered, not only for 11 and 12: heights left absolute after an
        // applied template would be shifted up by the origin's Z once more
        // when the page is accepted, and saved so. The template's shift
        // made them absolute at this origin; the menu's flags shift them.
        std::memcpy(HGTFLS, flags, sizeof flags);
        HGTALT = alt;
        HGTNPT(1);
        // The host keeps the read mode after the read: the sub-menu's choice
        // (technology only, geometry only) is this apply's alone, so the mode
        // goes back to the whole read (3) for the template loads that follow
        // (a procedure created from a template must not lose half of it).
        template_set_read_mode(3);
        template_dir(2);
        status = 0;
    } else if (reply == index[IX_SAVE]) {
        HGTNPT(2);
        MNUCLR();
        i32 proc = EDA2[EDA2_PROC], st = 0;
        if (EDA2[EDA2_OPENED] == 0) CURBLK(proc);
        MUTBLN(1, proc);
        template_dir(1);
        set_GlobalParameters_ToMain(HEI8, TXT2, CMPBLK, PRM9, COOR, MCHTBL);
        TPLFCL();
        template_MultiTPWrite_PROCdata(9, prm, geo, st);
        TPLFCL();
        template_dir(2);
        status = 0;
        HGTNPT(1);
    } else if (reply == index[IX_TOGGLE]) {
        CMPBLK[CMP_MASTER] = OPTTGL == 2 ? 2 : 1;
        status = -status;
    } else if (reply == index[IX_OPTIM]) {
        // The optimizer screens report their own leaving; the menu goes on.
        i32 st = 0;
        optim_menu(0, PRM9[PRM9_TOOL], st);
        status = 0;
    }
}
}  // namespace

void PRCMNU(i32& m, i32& shown, const i32* groups, i32* index, i32& item, i32& status)
{
    i32 mm = m;
    const bool hide_tpl = mm >= 100;
    if (hide_tpl) mm -= 100;
    const bool hide_opt = hide_tpl || mm >= 10;
    const i32 u = mm % 10;
    if (shown < 0) shown = 0;
    i32 sections = 1;
    for (i32 k = 0; k < 20; ++k)
        if (groups[k] != 0) ++sections;
    const bool tpl = EDA2[EDA2_HELD] == 0 && !hide_tpl;
    if (tpl) ++sections;

    if (EDA2[EDA2_HELD] == 0 && EDA2[EDA2_NOQUEST] == 0) prcont();
    MNUINT(EDA2[EDA2_HELD], sections, shown, status);
    if (status < 0) return;
    status = 0;
    item = 1;
    // Every index word is cleared, not only the template and optimizer ones:
    // an item this mode hides must not keep the number an earlier menu gave it.
    for (i32 k = 0; k < 8; ++k) index[k] = 0;

    // Status title.
    i32 changed = 0;
    for (i32 k = 0; k < 4; ++k) {
        i32 a = 0, c = 0;
        active_mask_gs(k, 1, a);
        crit_gs_change(k, 1, c);
        if (a != 0 && c != 0) changed = 1;
    }
    EDA2[EDA2_CRIT] = changed;
    PRCSTT[0] = changed ? 's' : EDA2[EDA2_SUSPST] != 0 ? 'S' : EDA2[EDA2_INTR] != 0 ? 'I' : '-';
    PRCSTT[1] = PSCHGW == 0 ? 'G' : '-';
    PRCSTT[3] = (EDA2[EDA2_OPENED] != 0 && EDA2[EDA2_BLANK] != 0) ? 'B' : '-';
    i32 proc = DRVST.proc;
    char title[64];
    // The host answers the criteria question for the current procedure,
    // which is the one numbered here; the title is a row that cannot be
    // chosen.
    std::snprintf(title, sizeof title, "%s%c%d", PRCSTT, if_geom_by_crit() ? '*' : '=', proc);
    modmtx(title);
    ++item;

    char name[24] = {0};
    GSTXT1(1, name);
    name[20] = '\0';
    index[IX_NAME] = item++;
    modm(name);

    if (u == 1) {
        modmtx("AUTO MACHINE PARAM ..");
    } else if (u == 3 || u == 5) {
        moduc2();
    } else {
        index[IX_MACH] = item;
        modm("MACHINING PARAMS ...");
    }
    ++item;
    if (u == 3) {
        moduc2();
    } else {
        index[IX_SERVICE] = item;
        modm("SERVICE ...");
    }
    ++item;

    if (tpl) {
        TPLSUB = 1;
        i32 mt = machine();
        index[IX_APPLY] = item++;
        if (mt == MACH_MILL25 || mt == MACH_MILL3 || mt == MACH_MILL4 || mt == MACH_MILL5) modmsl(APPLY_SUB, TPLSUB);
        else modm("TEMPLATE:APPLY");
        index[IX_SAVE] = item++;
        modm("TEMPLATE:SAVE");
        OPTTGL = CMPBLK[CMP_MASTER] == 2 ? 2 : 1;
        if (hide_opt) {
            moduc2();
        } else {
            index[IX_TOGGLE] = item;
            modmsl(TOGGLE, OPTTGL);
        }
        ++item;
        if (!hide_opt && OPTTGL == 2) {
            index[IX_OPTIM] = item;
            modm("OPTIMIZER ...");
        } else {
            moduc2();
        }
        ++item;
    }
}

void PRCMND(const i32& m, const i32& error, const i32* toolflags, const i32* srvflags, i32* index, PrcPutCb prm,
            PrcPutCb geo, PrcReadCb reader, i32& reply, i32& toolchanged, i32& status)
{
    i32 mm = m >= 100 ? m - 100 : m;
    const i32 u = mm % 10, tens = mm / 10;
    // The host warns once about its min/max table and the part box; a new
    // menu may warn again.
    i32 table = 0, partbox = 0;
    gs_minmax_warn(2, table, partbox);
    const i32 flag = nu_mod_get_flag();
    toolchanged = 0;
    status = 0;
    GOST.speed = 1;
    const f32 z = wrd2r(NPT1[NPT1_ORIGIN + 2]);

    if (EDA2[EDA2_NOQUEST] != 0) {
        reply = error != 0 ? -1 : 0;
    } else if (flag != 0) {
        // The menus the host drives carry the machine's name as their title.
        char title[11] = {0};
        MCHTNM(machine(), title);
        nu_mod_title(title);
        run_side_menus(u, tens, toolflags, srvflags);
        status = 1;
        reply = -1;
        index[IX_APPLY] = 0;
    } else if (EDA2[EDA2_HELD] != 0) {
        modrpl(reply);
        MNUMOD(EDA2[EDA2_HELD], status);
        run_side_menus(u, tens, toolflags, srvflags);
        status = 1;
        reply = -1;
    } else {
        REDSPL();
        // The rows of this host's menu form are read with modrpl (its modif1
        // reads the forms of columns).
        if (u == 3 && EDA2[EDA2_OPENED] != 0) contin(reply);
        else modrpl(reply);
        if (reply == -2 && EDA2[EDA2_OPENED] != 0) reply = -1;
        if (reply > 0) common_item(reply, u, tens, toolflags, srvflags, index, prm, geo, reader, toolchanged, status);
    }
    if (reply == 0) {
        i32 st = 0;
        HGTSH2(2, z, st);
        recalculate_partbox();
        HGTSH2(1, z, st);
    }
    if (toolchanged != 0) {
        // A tool other than a mill has no corner radius (answered as -1).
        f32 r = 0;
        GTCRNR(PRM9[PRM9_TOOL], r);
        f32 offset = r > 0 ? -r : 0.0f;
        gs_min_srf_offset(2, offset);
    }
}

void REDGEO(const i32& flag, i32& status)
{
    if (EDA2[EDA2_HELD] != 0 || status == -1) {
        status = -1;
    } else if (status == -2) {
        MNUCLR();
        if (EDA2[EDA2_OPENED] != 0 && PSCHGW == 0) {
            i32 r = 0;
            irepyc("REDEFINE GEOMETRY?", r);
            if (r == 1 || r == -2) status = 1;
            else if (r == -1) status = -2;
            else status = 2;
        }
    } else if (status == 0 && flag == 0) {
        if (orbis_flag_get() == 0 && PSCHGW == 0) msg_mdls(319, 560);
    } else if (status > 0) {
        status = 2;
    }
    if (EDA2[EDA2_HELD] == 0) MNUCLR();
}
