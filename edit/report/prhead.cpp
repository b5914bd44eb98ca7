// Header block printer.
#include <cstring>

#include "edit/report/lstate.h"
#include "edit/report/printers.h"
#include "core/listname.h"
#include "core/records.h"
#include "surfaces/srfbuf.h"

void PRTBT0(const i32& mode, const i32& tp, const i32& unit, const i32& number, const char* name,
            const i32& machine, f32* origin, f32* home, const f32& scale, const i32& ucs)
{
    char mtype[10];
    MCHTNM(machine, mtype);
    const i32 id = tp == -1 ? CLP1[CLP1_TOOLPATH] : tp;
    char level[6], macsys[8];
    i32 view = 0;
    if (id == 0) {
        gtalev(level);
        gsvnum(view);
    } else {
        i32 lev = 0;
        eattc(id, 1, "LE", lev);
        eattc(id, 1, "VN", view);
        gultab(1);
        gsname(1, lev + 1, level);
    }
    i32 kind = 0;
    gvtdat(view, kind, macsys);
    char ucsname[6];
    std::memset(ucsname, ' ', 6);
    if (ucs > 0) {
        f32 o[3], m[9], r = 0;
        i32 words[2] = {0, 0}, integer = 0, st = 0;
        DBDUCS(1, ucs, o, m, r, words, integer, st);
        if (st != 0)
            eroutc("PRTBT0, ERRORS IN OPENING UCS", 0);
        else
            std::memcpy(ucsname, words, 6);
        for (char& c : ucsname)
            if (c == '\0') c = ' ';
    }
    // Quoted fields: the text in double quotes and one blank behind.
    char qmacsys[13], qlevel[9], qname[13], qtype[13], qucs[9], tpname[10];
    std::memset(tpname, ' ', sizeof tpname);
    std::memcpy(tpname, name, 8);
    for (char& c : tpname)
        if (c == '\0') c = ' ';
    char macsys10[10];
    std::memset(macsys10, ' ', sizeof macsys10);
    std::memcpy(macsys10, macsys, 8);
    quoted(qmacsys, 13, macsys10, 10);
    quoted(qlevel, 9, level, 6);
    quoted(qname, 13, tpname, 10);
    quoted(qtype, 13, mtype, 10);
    quoted(qucs, 9, ucsname, 6);
    if (mode == LM_TPLIST || mode == LM_PROCS) {
        const i32 b = mode == LM_TPLIST ? 11 : 2;
        if (mode == LM_TPLIST) {
            lnblank(unit);
            FMTPRC(number);
            lnout(unit, {lnNUM(), lnS("HEADER")});
        }
        lnout(unit, {lnB(b), lnS("MACSYS NAME     : "), lnX(), lnT(qmacsys, 13)});
        lnout(unit, {lnB(b), lnS("TOOL PATH LEVEL : "), lnX(), lnT(qlevel, 9)});
        lnout(unit, {lnB(b), lnS("TOOL PATH NAME  : "), lnX(), lnT(qname, 13)});
        lnout(unit, {lnB(b), lnS("MACHINE TYPE    : "), lnX(), lnT(qtype, 13)});
        if (mode == LM_TPLIST) {
            lnblank(unit);
            lnout(unit, {lnB(6), lnS("(NOTE: The Tool Path origin is expressed in the MACSYS")});
            lnout(unit, {lnB(13), lnS("coordinate system!  All other points are expressed")});
            lnout(unit, {lnB(13), lnS("relative to the active origin.)")});
            lnblank(unit);
            FMTVAL(1, origin, scale);
            lnout(unit, {lnB(11), lnS("TOOL PATH ORIGIN: "), lnX(), lnVAL()});
            FMTVAL(1, home, scale);
            lnout(unit, {lnB(11), lnS("HOME            : "), lnX(), lnVAL()});
        }
        lnout(unit, {lnB(b), lnS("UCS NAME        : "), lnX(), lnT(qucs, 9)});
        lnblank(unit);
        if (mode == LM_PROCS) lnblank(unit);
    } else {
        // "('|',74('='),'|')" and the row
        // "('| ','TOOL PATH',3x,'NAME= ',a8,2x,'LEVEL= ',a6,2x,'UCS= ',a6,2x,'TYPE= ',a10,' |')"
        char rule[76];
        std::memset(rule, '=', sizeof rule);
        rule[0] = rule[75] = '|';
        filtxt(unit, rule, 76);
        char row[76];
        std::memset(row, ' ', sizeof row);
        std::memcpy(row, "| TOOL PATH", 11);
        std::memcpy(row + 14, "NAME= ", 6);
        fmta(row + 20, 8, tpname, 8);
        std::memcpy(row + 30, "LEVEL= ", 7);
        fmta(row + 37, 6, level, 6);
        std::memcpy(row + 45, "UCS= ", 5);
        fmta(row + 50, 6, ucsname, 6);
        std::memcpy(row + 58, "TYPE= ", 6);
        fmta(row + 64, 10, mtype, 10);
        std::memcpy(row + 74, " |", 2);
        filtxt(unit, row, 76);
    }
    LSTST.last = 0;
}
