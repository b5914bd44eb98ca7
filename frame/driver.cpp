// The procedure driver: entry loop, create/open step, cycle start, template
// step and the parameter read and template transfer.
#include "frame/driver.h"

#include <cstdio>
#include <cstring>

#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/movement.h"
#include "stock/optim.h"
#include "stock/stkgrid.h"
#include "blocks/procblk.h"
#include "frame/defrel.h"
#include "frame/crit.h"
#include "surfaces/srflist.h"
#include "tools/toolcache.h"
#include "frame/bookkeep.h"
#include "frame/cmpblk.h"
#include "core/host.h"
#include "frame/intctl.h"
#include "core/names.h"
#include "core/records.h"

DrvArg DRVARG;
i32 DRVSTS = 0;
DrvState DRVST;
i32 DRVASK1 = 1, DRVFSV = 1;
i32 DRVBKT[DRV_KEYS];
i32 PARDSC1[64], PARDSC2[64];

namespace {
// Solid and whole-database permissions kept by DRVSOL.
i32 SOLSAV = 0, DBSAV = 0;

bool is_new() { return EDA2[EDA2_OPENED] == 0; }

void leave_by_release(i32& status)
{
    i32 st = 0;
    DRVREL(st);
    status = -1;
}

void take_label()
{
    std::memset(DRVST.label, ' ', 19);
    DRVST.label[19] = '\0';
    std::memcpy(DRVST.label, "-----", 5);
}
}  // namespace

void fetch_from_host(i32& status)
{
    status = 0;
    const i32 ext = get_extflag();
    i32 filter[4] = {1, 1, 1, 1};
    init_BlockUseMode();
    get_Block_Filter_Array(filter);
    update_BlockUseMode();
    const i32 newtool = get_tpl_new_tool();
    const i32 rmode = get_tpl_read_mode();
    const i32 newucs = get_tpl_new_ucs();
    if (filter[0]) get_prmtbl_ptr_FromMain(PRM9);
    if (filter[1] && newtool > 0) {
        i32 st = 0;
        RLDTOL(newtool, st);
        if (st == 0) {
            // The machine values name the tool now loaded: left at the old id,
            // the procedure block would be written with the old tool while
            // the cache holds the template's.
            PRM9[PRM9_TOOL] = newtool;
            if (rmode != 1001) rel_nc_update_tool_data();
        }
    }
    if (filter[2] && newucs > 0) {
        NPT1[NPT1_UCS] = newucs;
        RPSPRC(0, 0, 0);
    }
    if (filter[3]) {
        get_ClearV_FromMain(HEI8);
        get_AbsclrV_FromMain(HEI8 + HEI8_PLANE2);
        get_IncclrV_FromMain(HEI8 + HEI8_INCR);
        rel_nc_cng_expr_without_calc(HEI8, 366);
        rel_nc_cng_expr_without_calc(HEI8 + HEI8_PLANE2, 3303);
        HEI8[HEI8_RETRACT] = get_Onclr_FromMain();
        HEI8[HEI8_ABSOLUTE] = get_Aiclr_FromMain();
        get_Ctext_FromMain(TXT2);
        if (ext == 0) CMPDEF();
        get_OPT_PARAMS_FromMain(CMPBLK);
        get_PLGmchtbl_PARAMS_FromMain(MCHTBL);
    }
    TPLSHF();
    i32 st = 0;
    DRVSYM(st);
}

i32 DRVORB() { return orbis_flag_get() != 0 ? 1 : 0; }

void DRVSET(const i32& type, PrcDefFn cb1, PrcExeFn cb2, PrcPutFn cb3, PrcPutFn cb4, PrcReadFn cb5, PrcChgFn cb6,
            PrcIniFn cb7, PrcSrfFn cb8, PrcNrmFn cb9, PrcTrnFn cb10, PrcUpdFn cb11, const char* key, const i32& size,
            i32* block, i32* copy)
{
    DRVARG.type = type;
    DRVARG.cb1 = cb1;
    DRVARG.cb2 = cb2;
    DRVARG.cb3 = cb3;
    DRVARG.cb4 = cb4;
    DRVARG.cb5 = cb5;
    DRVARG.cb6 = cb6;
    DRVARG.cb7 = cb7;
    DRVARG.cb8 = cb8;
    DRVARG.cb9 = cb9;
    DRVARG.cb10 = cb10;
    DRVARG.cb11 = cb11;
    fixtxt(DRVARG.key, 4, key);
    DRVARG.key[4] = '\0';
    DRVARG.size = size;
    DRVARG.block = block;
    DRVARG.copy = copy;
}

void PRCDRV(const i32& type, PrcDefFn cb1, PrcExeFn cb2, PrcPutFn cb3, PrcPutFn cb4, PrcReadFn cb5, PrcChgFn cb6,
            PrcIniFn cb7, PrcSrfFn cb8, PrcNrmFn cb9, PrcTrnFn cb10, PrcUpdFn cb11, const char* key, const i32& size,
            i32* block, i32* copy)
{
    DRVSET(type, cb1, cb2, cb3, cb4, cb5, cb6, cb7, cb8, cb9, cb10, cb11, key, size, block, copy);
    i32& st = DRVSTS;
    st = 0;
    DRVCRE(0, st);
    if (st != 0) return;
    while (true) {
        DRVRND(st);
        if (st < 0) return;
        DRVTPL(st);
        if (st < 0) return;
        while (true) {
            DRVDEF(st);
            if (st < 0) return;
            i32 skip = 0;
            DRVASK(st, skip);
            if (skip == 0) {
                DRVSAV(st);
                if (st == 0) {
                    DRVEXE(0, st);
                    if (st < 0) return;
                }
            }
            if (st != 1) break;
            DRVTPL(st);
            if (st < 0) return;
        }
        if (st < 0) return;
        DRVFIN(st);
        if (st != 0) return;
    }
}

// ------------------------------------------------------------ create/open

void DRVCRE(const i32& first, i32& status)
{
    (void)first;
    const i32 type = DRVARG.type;
    std::memset(&DRVST, 0, sizeof DRVST);
    DRVST.clp1_refresh = 1;
    TPLFCL();

    const i32 mf = get_ManageTp_TemplateFlag(), tf = get_TP_TemplateFlag();
    DRVST.tpl_read = (mf == 3 || is_create_from_TPtemplate() != 0) ? 1 : 0;
    DRVST.tpl_write = (mf == 2 || tf == 5) ? 1 : 0;
    chk_crit_gs(1, DRVST.crit_check);
    tp_crit_list_gs(1, DRVST.crit_list);

    DRVST.proc = -1;
    status = 0;
    take_label();
    PPNGS(2, DRVST.label);

    nu_modl_init(PARDSC1, PARDSC2);
    rel_nc_init();

    DRVST.stock_disp = get_disp_stock() == 0 ? 1 : 0;
    // The host hands the stock parameters (the Z-map grid) by a call of
    // their own beside the stock-display flag and the block.
    sim_get_set(1, DRVST.stock_disp, CMPBLK);
    stk_grid_vars(1);

    // The machine values are the record's: the words a shorter record does
    // not hold are cleared, not kept from a procedure of another part or one
    // left without saving.
    i32 st = 0;
    i32 prm[PRM9_N] = {};
    RDREC("PRM9", prm, PRM9_N, st);
    if (st >= 0) std::memcpy(PRM9, prm, sizeof PRM9);
    DRVST.showtool_old = PRM9[PRM9_SHOWTOOL];
    nc_geomsk_lst_init_all();

    MODSTR(type, DRVST.machtype, DRVST.pausable, status);
    if (status < 0) return leave_by_release(status);

    if (is_new() && !DRVST.tpl_read) RPSPRC(0, 1, 0);
    if (is_new()) CMPDEF();  // a new procedure starts from the optimizer's defaults; a template read may replace them

    DRVST.showtool_changed = PRM9[PRM9_SHOWTOOL] != DRVST.showtool_old ? 1 : 0;
    if (DRVARG.cb10) DRVARG.cb10(status);
    if (status >= 0) TRNREG1(status);
    if (status >= 0) TRNREG2(status);
    if (status < 0) return leave_by_release(status);
    nu_trns_sort();

    DRVSOL(1, type);

    char name[9];
    PRCNAM(type, name);
    std::memcpy(DRVST.label + 11, name, 8);
    nu_set_pname(DRVST.label);

    DRVRDP(DRVST.tpl_read, type, DRVARG.key, DRVARG.size, DRVARG.block, DRVARG.cb5, DRVARG.cb7, status);
    if (status < 0) return leave_by_release(status);
    DRVST.initialised = 1;

    for (i32 c = 0; c < 4; ++c) {
        i32 zero = 0;
        crit_gs_change(c, 2, zero);
        active_mask_gs(c, 2, zero);
    }
    CRTTXC();

    i32 block = 0;
    CURBLK(block);
    DRVST.proc = is_new() ? block : EDA2[EDA2_PROC];
    set_curr_proc_number(DRVST.proc);

    if (is_new()) {
        DRVST.first_block = block;
        i32 nprc = 0;
        RDREC("NPRC", &nprc, 1, st);
        DRVST.nprc = nprc;
        char pname[9];
        PRCNAM(type, pname);
        usrer5("CREATING", 8, pname, 8, "PROCEDURES", 10);
        shmsgc(" ");
        ncs_table_set_proc_num(DRVST.first_block, st);
        if (st < 0) return leave_by_release(status);
        status = 0;
        return;
    }

    // An existing procedure.
    ncs_table_set_proc_num(EDA2[EDA2_PROC], st);
    if (st < 0) return leave_by_release(status);
    PPNGET();
    const bool defonly = EDA2[EDA2_HELD] != 0;
    if (!defonly) {
        RDPFLG(st);
    } else {
        i32 id = gs_proc_id();
        if (id > 0) {
            init_geom_slots(GSLOTS);
            i32 ids[2 * NSLOTS], n = 0;
            get_geom_buf(id, ids, 2 * NSLOTS, n);
            for (i32 k = 0; k < n && k < 2 * NSLOTS; ++k) {
                i32 kind = 0, gst = 0;
                get_geom_type(ids[k], kind, gst);
                if (gst == 0) set_geom_slot(1, kind, ids[k], GSLOTS);
            }
        } else {
            // -1 (no procedure kept) reads the flags from the tool path; so
            // does any other id that names no procedure entity, which has no
            // geometry buffer to fill the slots from: they are not left as
            // the previous procedure set them.
            RDPFLG(st);
        }
    }
    // Flags that cannot be read mean a procedure block that is not whole:
    // the procedure is not opened over it, as a failing block read below
    // would not open it either, rather than run with the slots of another.
    if (st < 0) return leave_by_release(status);
    RDPINF(DRVARG.cb5, EDA2[EDA2_NOQUEST], OLDVER, st);
    if (st < 0) return leave_by_release(status);
    if (EDA2[EDA2_MOVED] == 0 && !DRVST.tpl_write && !DRVST.crit_check && !DRVST.crit_list) {
        if (!defonly) msg_prompt(319, 40);
        i32 result = 0;
        if (DRVARG.cb8) DRVARG.cb8(1, 0, result, st);
        if (st < 0) return leave_by_release(status);
    }
    nc_geomsk_refresh(type, 1, EDA2[EDA2_CRIT]);
    if (DRVST.crit_list) {
        proc_criteria_list(type);
        DRVEND(status);
        status = -1;
        return;
    }
    if (!defonly) {
        // One block back: the procedure is written anew after it. The first
        // block of a list has none before it; the new block then follows
        // the old one, which the host replaces. A cursor on no block (before
        // the first) stands on no procedure block to write anew, so that is
        // a failed jump.
        i32 jst = 0, pos = 0;
        lgtpos(pos);
        TPJUMP(-1, jst);
        if (pos <= 0 || (jst < 0 && pos != 1)) return leave_by_release(status);
    }
    DRVST.proc = EDA2[EDA2_PROC];
    DRVST.proc_block = EDA2[EDA2_PROC];
    status = 0;
}

// ------------------------------------------------------------- cycle start

void DRVRND(i32& status)
{
    std::memcpy(CMPBKP, CMPBLK, sizeof CMPBKP);
    DRVST.backup = 0;
    DRVST.level = 0;
    i32 st = 0;
    DRVSYM(st);
    TXTDEF(is_new() ? 0 : 1);
    i32 block = 0;
    CURBLK(block);
    if (is_new()) {
        DRVST.proc_block = block;
        PRCFLG[0] = -1;
        PRCFLG[1] = 1;
        reset_geom_slots(st);
    }
    const bool defonly = EDA2[EDA2_HELD] != 0;
    if (!defonly) {
        // The procedure label: five dashes, six blanks, then the type's
        // name from position 12 (19 characters).
        char name[9], label[20];
        PRCNAM(DRVARG.type, name);
        std::snprintf(label, sizeof label, "-----      %-8.8s", name);
        MUTTXT(1, label, DRVST.proc_block);
        MUTBLN(1, DRVST.proc_block);
    }
    DRVST.back = DRVST.reread = DRVST.enddef = 0;
    if (EDA2[EDA2_MOVED] != 0 && !defonly) usmsgc("WARNING: TOOL PATH WAS MOVED. GEOMETRY IS NOT UPDATED.");

    ncs_table_write_table(st);
    if (st >= 0 && DRVST.copied) {
        i32 prev = ncs_table_get_proc_num();
        ncs_table_copy_proc(prev, DRVST.proc_block, st);
        if (st >= 0) ncs_table_set_proc_num(DRVST.proc_block, st);
    }
    if (st < 0) return leave_by_release(status);

    if (!DRVST.crit_check) {
        i32 z = 0;
        CHGSNP(1, DRVARG.size, DRVARG.block, DRVARG.cb6, DRVARG.copy, DRVST.gchanged, DRVST.pchanged, z, z);
    }
    DRVST.clp1_refresh = 1;
    status = 0;
}

// ------------------------------------------------------------ template step

void DRVTPL(i32& status)
{
    DRVST.tplread_needed = 1;
    DRVST.reread = 0;
    if (EDA2[EDA2_CRIT] != 0 && (EDA2[EDA2_NOQUEST] != 0 || DRVST.reask != 0)) {
        DRVST.reread = 1;
        DRVST.reask = 0;
    }
    nu_parm_set_proc_num(DRVST.proc);
    if (TPLACT()) {
        i32 defined = 0, st = 0;
        DRVTMR(DRVARG.type, DRVARG.cb3, DRVARG.cb4, DRVARG.cb5, defined, st);
        // Any status the transfer leaves is a failure: a template read that
        // answered neither 0 nor 11 (no data) has not read the procedure, and
        // a positive answer is such a failure as much as a negative one.
        if (st != 0) return leave_by_release(status);
    }
    if (DRVST.crit_check) GEODEF = 1;
    if (DRVST.tplread_needed && DRVST.clp1_refresh) {
        i32 colour = 0, pen = 0;
        if (is_new()) {
            gtmdla(colour, pen);
        } else {
            i32 a = 0, b = 0;
            gs_proc_color_pen(1, colour, pen, a, b);
        }
        if (is_some_template_CreateRead_operation() != 0) tpl_color_pen(colour, pen);
        i32 a = 0, b = 0;
        gs_proc_color_pen(3, colour, pen, a, b);
        CLP1[CLP1_COLOUR] = colour;
        CLP1[CLP1_PEN] = pen;
        i32 st = 0;
        WRREC("CLP1", RK_WORDS, CLP1, CLP1_N, st);
        DRVST.clp1_refresh = 0;
    }
    status = 0;
}

// ---------------------------------------------------------------- helpers

void DRVSOL(const i32& mode, const i32& type)
{
    if (mode != 1) {
        // Only what this call saved is put back. A create step that fails at
        // the module start-up or at the translation table leaves through the
        // release before the save: the host's permissions were not touched,
        // and restoring the saved pair would set them to 0/0 on a session's
        // first call, or to what an earlier call found.
        if (DRVST.perm_saved) ps_perm_set(SOLSAV, DBSAV);
        DRVST.perm_saved = 0;
        return;
    }
    ps_perm_get(SOLSAV, DBSAV);
    DRVST.perm_saved = 1;
    static constexpr i32 SOLID[] = {1, 2, 5, 7, 9, 27, 30, 31, 32, 35, 36, 37, 38, 48, 49, 52, 53, 54, 56};
    static constexpr i32 WHOLE[] = {5, 7, 27, 35, 37, 38, 48, 52, 53, 54, 56};
    bool solids = false, whole = false;
    for (i32 t : SOLID) solids |= t == type;
    solids = solids && ps_sol_num_get() > 0;
    for (i32 t : WHOLE) whole |= t == type;
    whole = whole && solids;
    ps_perm_set(solids ? 1 : 0, whole ? 1 : 0);
}

void DRVRDP(const i32& tplread, const i32& type, const char* key, const i32& size, i32* block, PrcReadFn cb5,
            PrcIniFn cb7, i32& status)
{
    const i32 mode = tplread ? 3 : 1;
    EDA2IO(mode, key, size, block, cb7, status);
    if (mode != 3 || status != -11) return;
    status = 0;
    template_set_read_mode(1001);
    if (is_create_from_TPtemplate() != 0)
        template_MultiTPRead_PROCdata(type, cb5, status);
    else
        template_MultiMngTpRead_PROCdata(type, cb5, status);
    template_set_read_mode(1000);
    if (status == 0) EDA2IO(1, key, size, block, cb7, status);
}

void DRVTMR(const i32& type, PrcPutFn cb3, PrcPutFn cb4, PrcReadFn cb5, i32& defined, i32& status)
{
    status = 0;
    const i32 mf = get_ManageTp_TemplateFlag(), tf = get_TP_TemplateFlag();
    if (mf == 2 || tf == 5) {
        set_GlobalParameters_ToMain(HEI8, TXT2, CMPBLK, PRM9, COOR, MCHTBL);
        set_MainProcBlkToMain(DRVBKT, DRV_KEYS);
        if (mf == 2)
            template_MultiMngTpWrite_PROCdata(type, cb3, cb4, status);
        else
            template_MultiTPWrite_PROCdata(type, cb3, cb4, status);
        if (status == 0) GEODEF = 1;
        DRVST.tplread_needed = 0;
        defined = GEODEF;
        return;
    }
    i32 r = 0;
    bool read = false;
    if (mf == 1 || mf == 3) {
        template_MultiMngTpRead_PROCdata(type, cb5, r);
        read = true;
        if (r == 11) {
            status = 0;
            DRVFSV = 0;
            DRVST.tplread_needed = 1;
            defined = GEODEF;
            return;
        }
    } else if (tf == 4 || tf == 6) {
        template_MultiTPRead_PROCdata(type, cb5, r);
        read = true;
    }
    if (read) {
        status = r;
        if (r == 0) fetch_from_host(status);
    }
    DRVST.tplread_needed = 1;
    defined = GEODEF;
}

void DRVSYM(i32& status)
{
    i32 st = 0;
    rel_nc_sym_refresh(st);
    if (st < 0) {
        rel_nc_replace_global();
        rel_nc_sym_refresh(st);
    }
    status = 0;
}

void POSLBK(const i32& direction, const i32& count, i32& status)
{
    status = 0;
    const i32 dir = direction > 0 ? -1 : 99;
    // A count beyond the table starts at its last key: the table holds
    // DRV_KEYS keys, and a larger count would read past it.
    for (i32 i = count < DRV_KEYS ? count : DRV_KEYS - 1; i >= 1; --i) {
        i32 st = 0;
        ncd_set_block_position(DRVBKT[i], dir, st);
        if (st >= 0) break;
    }
    status = 0;
}
