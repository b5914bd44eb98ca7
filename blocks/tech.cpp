#include "blocks/tech.h"

#include <cstring>

#include "core/entity.h"
#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/modal.h"
#include "blocks/stfield.h"
#include "blocks/writers.h"
#include "core/codedio.h"
#include "core/gomove.h"
#include "core/host.h"
#include "core/intchk.h"
#include "blocks/listdsp.h"
#include "core/modflg.h"
#include "core/names.h"
#include "core/records.h"

TechState TECHST;

void TECHCL() { std::memset(&TECHST, 0, sizeof TECHST); }

void STPV01(const i32& value) { TECHST.requested[1] = value; }
void STPV52(const i32& value) { TECHST.requested[52] = value; }
void STPV53(const i32& value) { TECHST.requested[53] = value; }

namespace {
f32 rw(i32 word) { return wrd2r(PRM9[word]); }
f32 percent(i32 word) { return static_cast<f32>(PRM9[word]) * rw(0) * 0.01f; }
i32 sign_i(i32 v) { return PRM9[PRM9_DIR] == 1 ? v : PRM9[PRM9_DIR] == 2 ? -v : 0; }
f32 sign_r(f32 v) { return PRM9[PRM9_DIR] == 1 ? v : PRM9[PRM9_DIR] == 2 ? -v : 0.0f; }

// Machine record word of each integer or real parameter written from the
// machine values.
i32 int_word(i32 p)
{
    switch (p) {
    case 3: return 9;
    case 52: return 14;
    case 53: return 15;
    case 55: return 17;
    case 56: return 18;
    case 100: return 11;
    default: return -1;
    }
}
i32 real_word(i32 p)
{
    switch (p) {
    case 51: return 13;
    case 54: return 16;
    case 57: return 19;
    case 58: return 20;
    default: return -1;
    }
}
bool modal_code(i32 p) { return (p >= 11 && p <= 16) || (p >= 20 && p <= 40); }
}  // namespace

void PT1MCH(const i32& display, const i32& param, i32& status)
{
    i32 p = param;
    if (p < 1 || p > NTPAR) return;
    TechState& t = TECHST;
    if (t.status[p] == 0) return;
    if (t.status[p] != 1 && t.status[p] != 2) {
        eroutc("PUTMCH, ERROR IN PARAMETER STATUS", 0);
        return;
    }
    bool forced = t.wflag[p] == 2;
    if (p == 1) {
        i32 hold = 1;
        HFLGET(hold);
        if (hold == 0 && t.requested[1] == 4) t.requested[1] = 27;
    }
    i32 st = 0;
    bool written = false;
    bool show = true;
    if (t.status[p] == 1) {
        if (forced || t.requested[p] != t.lastcode[p]) {
            PTBT1C(AM_APPEND, p, t.requested[p], 0, st);
            t.lastcode[p] = t.requested[p];
            written = true;
        }
    } else {
        i32 itype = DT_INT;
        i32 iv = 0;
        f32 rv = 0;
        bool write = false;
        if (p == 1 || p == 59) {
            itype = DT_REAL;
            i32 mode = p == 59 ? 27 : t.requested[1];
            bool compare = true;
            switch (mode) {
            case 1: rv = rw(0); break;
            case 2: rv = percent(3); break;
            case 3: rv = percent(4); break;
            case 25: rv = percent(5); break;
            case 26: rv = percent(6); break;
            case 4: rv = -1.0f; break;
            case 27: rv = rw(21); compare = false; break;
            default: rv = t.feed; compare = false; break;
            }
            // The second feed (word 21) is a maximum or rapid feed when it is
            // -2.0 or below; it is written unless the feed slot already holds
            // such a feed. The slot is tested, not word 21: word 21 holds the
            // negative maximum feed, so testing it would never write the
            // rapid feed and rapids would go on at the last cutting feed.
            if (mode == 27)
                write = forced || t.feed > -2.0f;
            else
                write = forced || !compare || neval(rv, t.feed);
            if (write) t.feed = rv;
        } else if (p == 2) {
            iv = sign_i(PRM9[PRM9_SPIN]);
            write = forced || PRM9[PRM9_SPIN] != t.spindle || PRM9[PRM9_DIR] != t.direction;
            if (write) t.spindle = PRM9[PRM9_SPIN], t.direction = PRM9[PRM9_DIR];
        } else if (p == 10) {
            itype = DT_REAL;
            rv = sign_r(rw(1));
            write = forced || neval(rw(1), t.rslot[10]) || PRM9[PRM9_DIR] != t.direction10;
            if (write) t.rslot[10] = rw(1), t.direction10 = PRM9[PRM9_DIR];
        } else if (int_word(p) >= 0) {
            iv = PRM9[int_word(p)];
            write = forced || iv != t.islot[p];
            if (write) t.islot[p] = iv;
        } else if (real_word(p) >= 0) {
            itype = DT_REAL;
            rv = rw(real_word(p));
            write = forced || neval(rv, t.rslot[p]);
            if (write) t.rslot[p] = rv;
        } else if (modal_code(p)) {
            i32 w = p <= 16 ? p - 11 : p - 14;
            // The codes whose value the parameter table gives as a real (35
            // to 40) are written as reals: readers take such a block's value
            // by the same table, and an integer word would be read as a real.
            if (PRMDEF(p) == 1) {
                itype = DT_REAL;
                rv = wrd2r(WRMB[w]);
                write = forced || neval(rv, t.rslot[p]);
                if (write) t.rslot[p] = rv;
            } else {
                iv = WRMB[w];
                write = forced || iv != t.islot[p];
                if (write) t.islot[p] = iv;
            }
        }
        if (write) {
            PTBT1V(AM_APPEND, p, itype, iv, rv, 0, st);
            written = true;
            // The tool (100) and the parameter 55 entity are associated when
            // their value is written: the association goes with the block
            // that names it, and a value not written again is associated
            // already. A status-1 parameter writes a code of the machine
            // table, which names no entity, so it associates nothing.
            if (st >= 0 && (p == 100 || p == 55)) {
                i32 value = PRM9[p == 100 ? 11 : 17];
                i32 ast = -1;
                if (value > 0) ASATTW(value, ast);
                if (ast < 0) {
                    eroutc("PT1MCH, ERRORS IN WRITTING ASSOCIATION", 0);
                    t.wflag[p] = 1;
                    status = -1;
                    return;
                }
            }
            if (p == 55) show = false;
        }
    }
    t.wflag[p] = 1;
    if (st < 0) {
        eroutc("PT1MCH, ERRORS IN LIST", 0);
        status = -1;
        return;
    }
    // Only a block just written is shown: the block under the cursor is
    // otherwise another one, shown already.
    if (written && show && display == 0) {
        i32 flag = 0, dst = 0;
        DISPLB(1, flag, dst);
        if (flag != 0) INTMNU(1);
    }
}

void PTAMCH(i32& status)
{
    status = 0;
    for (i32 p = 1; p <= NTPAR && status >= 0; ++p) PT1MCH(0, p, status);
}

void PTAMC1(i32& status)
{
    status = 0;
    for (i32 p = 1; p <= NTPAR && status >= 0; ++p) PT1MCH(1, p, status);
}

i32 NTBDEF(const i32& code)
{
    switch (code) {
    case 0: case 3: case 4: case 5: case 6: case 7: case 8: case 9: case 10: case 11: case 12: case 14: case 47:
    case 48: case 51: case 52: return 0;
    case 1: case 2: case 13: case 46: case 49: case 50: case 53: return 1;
    default:
        erou1c("NTBDEF: ERROR IN PARAMETER NAME, NAME =", code);
        return 0;
    }
}

i32 PRMDEF(const i32& type)
{
    // Parameter 34 is an integer: the modal state keeps it among the integer
    // words of the codes 20 to 34, so that a value written, read back and
    // set as a mode stays the same word; 35 to 40 are the real ones.
    i32 t = type;
    if ((t >= 2 && t <= 5) || t == 9 || (t >= 11 && t <= 34) || t == 52 || t == 53 || t == 55 || t == 56 || t == 100)
        return 0;
    if (t == 1 || t == 10 || (t >= 35 && t <= 40) || t == 51 || t == 54 || t == 57 || t == 58 || t == 59) return 1;
    erou1c("PRMDEF: ERROR IN PARAMETER TYPE, PRMTYP =", type);
    return 0;
}

namespace {
// "PRM9" word of a machine group code, -1 for none.
i32 prm9_word(i32 code)
{
    static const i32 codes[23] = {1, 2, 3, 4, 5, 51, 52, 6, 7, 8, 9, 10, 11, 13, 12, 14, 46, 47, 48, 49, 50, 53, 54};
    for (i32 w = 0; w < 23; ++w)
        if (codes[w] == code) return w;
    return -1;
}

// Said as the global group's reader says it (three texts of one user
// message).
void template_failure()
{
    char name[81] = {0};
    template_get_name(name, 80);
    user5c("CANNOT READ FROM FILE", name, "|READING TERMINATED", "", "");
    eroutc("rmchtb, ERRORS IN TEMPLATE LIST", 0);
}
}  // namespace

void RMCHTB(const i32& medium, i32& count, i32& status)
{
    status = 0;
    PRM9[PRM9_SHOWTOOL] = 0;
    PRM9[PRM9_MAXF] = r2wrd(-2.0f);
    if (medium == MED_ENTITY) {
        tpget(medium, 1, DT_INT, &count, status);
    } else if (medium != MED_TPLREAD) {
        PLFIND(26, 23, status);
        if (status == 0) tpget(medium, 1, DT_INT, &count, status);
    }
    if (status < 0) return;
    i32 done = 0;
    while (done < count) {
        i32 head[3] = {0, 0, 0};
        tpget(medium, 1, DT_INT, &head[0], status);
        if (status >= 0) tpget(medium, 1, DT_INT, &head[1], status);
        if (status >= 0) tpget(medium, 1, DT_INT, &head[2], status);
        i32 n = head[1] - 1;
        // A negative count is no segment at all: what follows cannot be
        // found again. A longer segment than a value needs is read for its
        // first 24 words and the rest passed over, and reading goes on.
        if (status >= 0 && n < 0) {
            erou1c("RMCHTB: WRONG PARAMETER, PARAMETER =", head[0]);
            status = -1;
        }
        i32 value[24] = {0};
        if (status >= 0) {
            i32 type = head[2] == -1 ? NTBDEF(head[0]) : head[2];
            tpget(medium, n < 24 ? n : 24, type == DT_REAL ? DT_REAL : DT_INT, value, status);
            if (status >= 0 && n > 24) TPSKIP(medium, n - 24, DT_INT, status);
            if (status > 0) status = 0;
        }
        if (status < 0) {
            if (medium == MED_TPLREAD) {
                if (status == -2)
                    status = 0;  // the end of the template file
                else
                    template_failure();
            }
            return;
        }
        i32 code = head[0];
        i32 w = prm9_word(code);
        // A segment of count 0 holds no value: its word keeps what it held,
        // not a zero that was never read.
        if (code == 0) {
        } else if (w >= 0) {
            if (n > 0) PRM9[w] = code == 11 ? (value[0] != 0 ? 1 : 0) : value[0];
        } else if (code >= 55 && code <= 64) {
            if (n > 0) MCHTBL[code - 55] = value[0];
        } else {
            erou1c("RMCHTB: WRONG PARAMETER, PARAMETER =", code);
        }
        done += n + 3;
    }
    status = 0;
}

void get_mchprm(const i32& id, i32& count, i32& status)
{
    i32 cls = 0, type = 0, len = 0;
    eopen(id, cls, type, len, status);
    if (status < 0) {
        eroutc("get_mchprm, PROBLEMS IN OPENNING ENTITY", 0);
        return;
    }
    if (cls != EC_NC || type != ET_MCHPRM) {
        erou1c("get_mchprm, NOT A MCHPRM ENTITY. id = ", id);
        status = -1;
        // The entity opened here is closed again: left open, it would stay
        // the current entity of the caller's next entity reads and writes.
        eclose();
        return;
    }
    eskipn(3);
    RMCHTB(MED_ENTITY, count, status);
    eclose();
}

void MCHVAL(const i32& subtype, i32& kind, i32& ivalue, f32& rvalue, i32& status)
{
    status = 0;
    kind = 0;
    switch (subtype) {
    case 1: kind = 1, rvalue = rw(0); break;
    case 2: kind = 1, rvalue = percent(3); break;
    case 3: kind = 1, rvalue = percent(4); break;
    case 4: kind = 1, rvalue = -1.0f; break;
    case 5: ivalue = sign_i(PRM9[PRM9_SPIN]); break;
    case 6: ivalue = PRM9[PRM9_COOL]; break;
    case 7: kind = 1, rvalue = sign_r(rw(1)); break;
    case 8: ivalue = PRM9[PRM9_P9]; break;
    case 9: ivalue = -1; break;
    case 10: ivalue = 1; break;
    case 11: ivalue = 0; break;
    case 12: ivalue = PRM9[PRM9_TOOL]; break;
    case 13: ivalue = 2; break;
    case 14: ivalue = 1; break;
    case 16: ivalue = 2; break;
    case 17: ivalue = 1; break;
    case 18: ivalue = 1; break;
    case 19: ivalue = 2; break;
    case 20: kind = 1, rvalue = rw(16); break;
    case 21: ivalue = PRM9[PRM9_UCS]; break;
    case 22: ivalue = PRM9[PRM9_P56]; break;
    case 23: kind = 1, rvalue = rw(19); break;
    case 24: kind = 1, rvalue = rw(20); break;
    case 25: kind = 1, rvalue = percent(5); break;
    case 26: kind = 1, rvalue = percent(6); break;
    case 27: kind = 1, rvalue = rw(21); break;
    default:
        eroutc("MCHVAL, ERROR IN SUBTYP", 0);
        status = -1;
    }
}

void PRMSTS(i32& status)
{
    status = 0;
    TechState& t = TECHST;
    for (i32 p = 1; p <= NTPAR; ++p)
        if (t.status[p] == 1) t.lastcode[p] = t.requested[p];
    if (t.status[1] == 2) t.feed = t.requested[1] == 1 ? rw(0) : -1.0f;
    if (t.status[2] == 2) t.spindle = PRM9[PRM9_SPIN], t.direction = PRM9[PRM9_DIR];
    if (t.status[3] == 2) t.islot[3] = PRM9[PRM9_COOL];
    if (t.status[100] == 2) t.islot[100] = PRM9[PRM9_TOOL];
    if (t.status[55] == 2) t.islot[55] = PRM9[PRM9_UCS];
    if (t.status[10] == 2) t.rslot[10] = rw(1), t.direction10 = PRM9[PRM9_DIR];
    if (t.status[51] == 2) t.rslot[51] = rw(13);
    if (t.status[54] == 2) t.rslot[54] = rw(16);
    if (t.status[56] == 2) t.islot[56] = PRM9[PRM9_P56];
    if (t.status[57] == 2) t.rslot[57] = rw(19);
    if (t.status[58] == 2) t.rslot[58] = rw(20);
    for (i32 p = 11; p <= 54; ++p)
        if ((p <= 16 || (p >= 20 && p <= 34) || p >= 49) && t.status[p] == 2) t.wflag[p] = 0;
}

void MUMCHT(const i32& mode)
{
    MUTPSW(mode);
    if (mach_punch(NPT1[NPT1_MACHINE])) {
        SMOD52(mode, PRM9[PRM9_P52]);
        SMOD53(mode, PRM9[PRM9_P53]);
    } else {
        SMOD01(mode, rw(0));
        SMOD02(mode, PRM9[PRM9_SPIN]);
    }
    SMOD03(mode, PRM9[PRM9_COOL]);
    SMD100(mode, PRM9[PRM9_TOOL]);
    MUTPRC(mode);
    MUTTXT(mode, "        ", -1);
    MUTBLN(mode, -1);
}

i32 machine_table(const i32& word)
{
    if (word == 1) return NPT1[NPT1_MACHINE];
    if (word >= 5 && word <= MACHINE_TABLE_WORDS) return PRM9[word - 5];
    return 0;
}
