// The SERVICE entry and the procedure block list "BLOCK_n".
#include <cstring>

#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/listname.h"
#include "core/names.h"
#include "edit/report/listing.h"
#include "edit/report/lstate.h"
#include "edit/report/service.h"

CurProc CURPRC = {0, 0, 0};

namespace {
constexpr i32 MARK_LIST = 1;
constexpr i32 NAMLEN = 256;

// The number of the block under the cursor; false when it cannot be read.
bool block_number(i32& type, i32& number)
{
    i32 size = 0, cls = 0, st = 0;
    TPBLKH(AM_LIST, size, type, cls, st);
    if (st >= 0) tpget(AM_LIST, 1, DT_INT, &number, st);
    lclos();
    return st >= 0;
}

void to_top()
{
    lclos();
    ltop();
}
}  // namespace

void SRVPOS(const i32& proc, const i32& block, i32& status)
{
    status = -1;
    to_top();
    i32 answer = 0, access = 2;
    while (true) {
        lacces(access, answer);
        access = 1;
        if (answer < 0) {
            erou1c("SRVPOS, NO PROCEDURE NUMBER ", proc);
            to_top();
            return;
        }
        i32 type = 0, number = 0;
        if (!block_number(type, number)) break;
        if (type != BT_PROC) continue;
        i32 n = 1, st = 0, code = 0;
        TPGETN(AM_LIST, GR_LEAD, 33, n, DT_INT, &number, st);
        if (st < 0) break;
        if (number != proc) continue;
        n = 1;
        TPGETN(AM_LIST, GR_LEAD, 34, n, DT_INT, &code, st);
        if (st < 0) break;
        i32 position = 0;
        lgtpos(position);
        CURPRC = CurProc{number, code, position};
        OPNMVL(2, st);
        lacces(2, answer);
        if (st < 0 || answer < 0) {
            erou1c("SRVPOS, NO MOVEMENTS IN PROCEDURE ", proc);
            to_top();
            return;
        }
        if (block <= 0) {
            status = 0;
            return;
        }
        for (;;) {
            i32 btype = 0, bnumber = 0;
            if (!block_number(btype, bnumber)) break;
            if (bnumber == block) {
                status = 0;
                return;
            }
            lacces(1, answer);
            if (answer < 0) {
                erou2c("SRVPOS, NO BLOCK NUMBER IN PROCEDURE ", block, proc);
                to_top();
                return;
            }
        }
        break;
    }
    eroutc("SRVPOS, ERRORS IN LIST", 0);
    to_top();
}

void BLKLST(i32& status)
{
    status = -1;
    i32 answer = 0, st = 0;
    lmark(1, MARK_LIST, answer);
    if (answer <= 0) return;
    const f32 scale = 1.0f / gtmesu();
    char digits[21];
    std::memset(digits, ' ', sizeof digits);
    i32 n = 0;
    cvi2t(CURPRC.number, digits, n, st);
    char name[NAMLEN];
    i32 length = 0, plen = 0;
    bool opened = false;
    if (st == 0 && n >= 1 && n <= 20) {
        // "BLOCK_" and the first four characters of the number, blank-padded.
        char file[10];
        std::memcpy(file, "BLOCK_", 6);
        for (i32 k = 0; k < 4; ++k) file[6 + k] = k < n ? digits[k] : ' ';
        CRTPNM(1, file, 10, name, length, plen, st);
        if (st == 0) {
            aopen(LST_UNIT, name, length, 2, st);
            if (st != 0)
                errou4("BLKLST, CANNOT OPEN FILE", name, length);
            else
                opened = true;
        }
    }
    if (opened) {
        const i32 u = LST_UNIT;
        // A fresh listing state: the origin of the current tool path's
        // header, whatever an earlier listing left.
        LSTRST();
        LSTST.proc = CURPRC.number;
        prmptc("W R I T I N G");
        lnout(u, {lnB(11), lnS("PROCEDURE BLOCK LISTING")});
        lnout(u, {lnB(11), lnS("=======================")});
        lnout(u, {lnB(11), lnS("PART FILE NAME: "), lnX(), lnS("\""), lnT(name, plen), lnS("\"")});
        lnout(u, {lnB(3), lnS("BLOCK")});
        lnout(u, {lnB(3), lnS("NUMBER"), lnB(11), lnS("BLOCK DESCRIPTION")});
        lnout(u, {lnB(3), lnS("------"), lnB(11), lnS("-----------------")});
        lnblank(u);
        lnblank(u);
        FMTPRC(CURPRC.number);
        lnout(u, {lnNUM(), lnX(), lnS("PROCEDURE NUMBER = "), lnI(CURPRC.number), lnS(" ")});
        char fname[8];
        PRCNAM(CURPRC.code, fname);
        lnout(u, {lnB(11), lnS("FUNCTION NAME    : "), lnX(), lnS("\""), lnT(fname, 8), lnS("\"")});
        lnblank(u);
        // The listing starts at the editor's current block: the host's
        // access of the current element (in this host mode 2 is the list's
        // first). Without a current element nothing is listed, and the
        // file ends without end lines.
        lacces(0, answer);
        const bool any = answer >= 0;
        while (answer >= 0) {
            i32 type = 0;
            PRTBLK(LM_TPLIST, u, AM_LIST, -1, scale, type, st);
            if (st < 0) break;
            lacces(1, answer);
        }
        if (any && st >= 0 && answer == -1) {
            lnblank(u);
            lnout(u, {lnS("END PROCEDURE NUMBER = "), lnI(CURPRC.number), lnS(" ")});
            std::memset(LSTST.lval, '-', sizeof LSTST.lval);
            filtxt(u, LSTST.lval, 59);
            lnblank(u);
            status = 0;
        }
    }
    TPTOP(MARK_LIST, st);
    if (st < 0) status = -1;
    // The host's close of a unit answers no status, so a close that fails
    // cannot set the listing's status here.
    if (opened) aclose(LST_UNIT);
    if (status == 0) usrms4("OUTPUT TO FILE", name, length);
}
