#include "frame/segstr.h"

#include <cstring>

#include "core/host.h"
#include "core/names.h"
#include "core/records.h"
#include "tools/toolcache.h"

void SEGSTR(const i32& mode, i32& status)
{
    status = 0;
    i32 st = 0;
    if (mode == 1 || mode == 3) gtncfn(NCFNAM, NCFCNT, NCFMAP);
    if (mode == 1) {
        i32 view = 0;
        gsvnum(view);
        if (view == 0) {
            eroutc("SEGSTR, NO MACSYS IS CURRENTLY SELECTED", 0);
            status = -1;
            return;
        }
        if (view < 0 || view > 47) {
            eroutc("SEGSTR - VIEW NUMBER OUT OF RANGE !", 0);
            status = -1;
            return;
        }
        tbinit();
    }
    if (mode == 1 || mode == 3) {
        RDREC("BLSK", BLSK, BLSK_N, st);
        RDREC("CLP1", CLP1, CLP1_N, st);
        RDREC("TPFO", TPFO, TPFO_N, st);
        RDREC("DSM4", DSM4, DSM4_N, st);
        RDREC("DSP8", DSP8, DSP8_N, st);
        RDREC("EDA2", EDA2, EDA2_N, st);
        RDREC("GCY4", GCY4, GCY4_N, st);
        RDREC("HEI8", HEI8, HEI8_N, st);
        RDREC("LSP2", LSP2, LSP2_N, st);
        PRM9[PRM9_TOOL] = -1;
        TLMFLG = 1;
        RDREC("PRM9", PRM9, PRM9_N, st);
        if (PRM9[PRM9_TOOL] > 0 && etool(PRM9[PRM9_TOOL]) == 0) PRM9[PRM9_TOOL] = -1;
        plg_mchtbl_mdget(MCHTBL);
        RDREC("WRMB", WRMB, WRMB_N, st);
        RDREC("NPT1", NPT1, NPT1_N, st);
        RDREC("PLN1", PLN1, PLN1_N, st);
        RDREC("RAXN", RAXN, RAXN_N, st);
        RDREC("TLER", TLER, TLER_N, st);
        RDREC("TRS1", TRS1, TRS1_N, st);
        RDREC("UPW2", UPW2, UPW2_N, st);
        TLTINI();
        tm_inst_id(-1);
        if (PRM9[PRM9_TOOL] > 0) {
            SGTOOL(3, PRM9[PRM9_TOOL], st);
            CURTOL = PRM9[PRM9_TOOL];
        }
    }
    MNULAY();
    if (mode == 1) {
        f32 frame[9];
        std::memcpy(frame, NPT1 + NPT1_FRAME, sizeof frame);
        i32 view = 0;
        gsvnum(view);
        setwap(frame);
        setdsp(view);
        edsym(0, 0);
        COORUP();
        edsym(2, 1);
        edsym(3, 1);
    }
}
