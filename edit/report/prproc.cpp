// Procedure block printer, the procedure information of a procedure block or
// a stored procedure entity, and its correction by the geometry associations.
#include <cstring>
#include <vector>

#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/procblk.h"
#include "edit/proctab.h"
#include "edit/report/lstate.h"
#include "edit/report/procinfo.h"
#include "core/codedio.h"
#include "core/intchk.h"
#include "core/listname.h"
#include "core/names.h"
#include "core/records.h"
#include "tools/toollib.h"

ProcInfo PRCINF = {};

namespace {
constexpr i32 MARK_PROC = 10;  // list mark of the procedure block being printed
constexpr i32 NO_GEOMETRY = 10012;

// The cursor on the first block of the current tool path. The list is
// closed down to its main list and taken from its first element: the
// marker slots of the list (TPTOP) hold no mark of the top that this could
// go back to.
void to_top(i32& status)
{
    lclos();
    ltop();
    i32 answer = 0;
    lacces(2, answer);
    status = answer < 1 ? -1 : 0;
}

// One integer item of the current procedure block: required (TPGETN) or
// tolerant (TPGETC, status 1 when absent). n values at most.
void item(bool tolerant, i32 group, i32 code, i32 n, i32* values, i32& status)
{
    i32 count = n;
    if (tolerant)
        TPGETC(AM_LIST, group, code, count, DT_INT, values, status);
    else
        TPGETN(AM_LIST, group, code, count, DT_INT, values, status);
}

// Slot entries before reading, and the rules shared by both readers.
void preset(const i32& reset, const i32& slot)
{
    ProcInfo& p = PRCINF;
    p.number[slot] = p.type[slot] = -1;
    if (reset != 0) p.flagb[slot] = 0;
    p.status[slot] = -1;
    p.tool[slot] = p.trans[slot] = -1;
    p.transown[slot] = 0;
    p.c31[slot] = -1;
    p.deleted[slot] = 0;
    p.moves[slot] = 0;
    char blank[20];
    std::memset(blank, ' ', sizeof blank);
    PRCTX1(2, slot, blank);
    PRCTX2(2, slot, blank);
    PRCTRF(2, slot, blank);
}

// The value of flag A from code 21 (the flag as it is while the host
// modifies the procedure). It becomes the flag only for a procedure whose
// status is 2 (rule44).
i32 rule21(i32 slot, i32 value)
{
    i32 modify = 0;
    gs_modify(1, modify);
    if (modify == 1) return PRCINF.flaga[slot];
    return value == 2 && ISMTYP(PRCINF.type[slot]) == 0 ? 1 : 0;
}

void rule44(i32 slot, i32 flaga)
{
    if (PRCINF.status[slot] == 2) PRCINF.flaga[slot] = flaga;
}

// Flag B from the value of code 35.
void rule35(i32 slot, i32 value)
{
    i32& b = PRCINF.flagb[slot];
    b = b == 1 || (value == 1 && ISMTYP(PRCINF.type[slot]) == 0) ? 1 : 0;
}

// Transformation name and tool name of a slot from their ids.
void names(i32 slot)
{
    ProcInfo& p = PRCINF;
    if (p.trans[slot] > 0) {
        char t[4];
        dbttna(p.trans[slot], t);
        PRCTRF(2, slot, t);
    }
    if (NOTLPR(p.type[slot])) p.tool[slot] = -1;
    if (p.tool[slot] > 0) {
        char t[20];
        i32 st = 0;
        GTTNMI(p.tool[slot], t, st, 20);
        PRCTX2(2, slot, t);
    }
}

// The 11-character field of a quoted text: quote, text, quote, blanks.
void quoted_line(const i32& unit, i32 b, const char* label, const char* text, i32 length)
{
    char field[24];
    quoted(field, length + 3, text, length);
    lnout(unit, {lnB(b), lnT(label, 15), lnX(), lnT(field, length + 3)});
}
}  // namespace

i32 LSTPOS(const i32& n, const i32* list, const i32& value)
{
    if (n < 1) return 1;
    for (i32 k = 0; k < n; ++k)
        if (list[k] == value) return k + 1;
    return n + 1;
}

bool NOTLPR(const i32& type) { return ISMTYP(type) != 0 || type == 8 || type == 17 || type == 24 || type == 25; }

void PRCINB(const i32& reset, const i32& tp, const i32& entity, const i32& slot, i32& c47, i32* date,
            i32& status)
{
    if (entity > 0 && tp != CLP1[CLP1_TOOLPATH]) {
        PRCINE(reset, entity, slot, c47, date, status);
        return;
    }
    ProcInfo& p = PRCINF;
    preset(reset, slot);
    i32 v119 = 1;
    auto done = [&]() {
        if (v119 == 2) p.flagb[slot] = 1;
    };
    status = 0;
    i32 v = 0, st = 0, flaga = p.flaga[slot];
    item(false, GR_LEAD, 33, 1, &p.number[slot], status);
    if (status >= 0) item(false, GR_LEAD, 34, 1, &p.type[slot], status);
    if (status >= 0 && p.type[slot] == 48) {
        item(true, GR_LOCAL, 320, 1, &v, st);
        if (st == 0 && v == 1) p.deleted[slot] = -1;
    }
    if (status >= 0) item(false, GR_GLOBAL, 21, 1, &v, status);
    if (status >= 0) flaga = rule21(slot, v);
    if (status >= 0) item(false, GR_GLOBAL, 35, 1, &v, status);
    if (status >= 0) rule35(slot, v);
    // Code 119 is read whatever the reads before it answered: its value 2
    // sets flag B on every way out (done()), a failed reading included.
    item(true, GR_GLOBAL, 119, 1, &v119, st);
    if (status >= 0) item(false, GR_GLOBAL, 22, 1, &v, status);
    if (status >= 0) p.subs[slot] = v == 1 ? 1 : 0;
    if (status >= 0) item(false, GR_GLOBAL, 31, 1, &p.c31[slot], status);
    if (status < 0) {
        status = -1;
        done();
        return;
    }
    p.status[slot] = -1;
    item(true, GR_GLOBAL, 44, 1, &p.status[slot], st);
    if (st == 1) p.status[slot] = 1;
    rule44(slot, flaga);
    p.c57[slot] = p.c58[slot] = 0;
    item(true, GR_GLOBAL, 57, 1, &p.c57[slot], st);
    if (st == 1) p.c57[slot] = 1;
    item(true, GR_GLOBAL, 58, 1, &p.c58[slot], st);
    if (st == 1) p.c58[slot] = 1;
    c47 = 0;
    item(true, GR_GLOBAL, 47, 1, &c47, st);
    if (st == 1) c47 = 0;
    item(false, GR_GLOBAL, 41, 3, date, status);
    if (status >= 0) item(false, GR_GLOBAL, 42, 3, date + 3, status);
    char text[20];
    std::memset(text, ' ', sizeof text);
    if (status >= 0) {
        i32 length = 0, textlen = 0;
        GTTEXT(AM_LIST, slot, GR_GLOBAL, 29, 20, length, text, status, textlen);
    }
    if (status >= 0) PRCTX1(2, slot, text);
    if (status >= 0) {
        item(true, GR_GLOBAL, 45, 1, &p.trans[slot], st);
        if (st == 1) p.trans[slot] = -1;
        if (p.trans[slot] > 0) {
            v = 0;
            item(true, GR_GLOBAL, 46, 1, &v, st);
            p.transown[slot] = v == 1 ? 1 : 0;
        }
        item(true, GR_MACHINE, 10, 1, &p.tool[slot], st);
        if (st == 1) p.tool[slot] = -1;
        names(slot);
        // Required are the items every procedure block carries (its number
        // and type, codes 21, 35, 22 and 31, the machine's code 47); those a
        // block may lack (320, 46, the tool 10, the "C" flag 11, 81) are
        // read tolerantly and keep their presets when absent.
        item(false, GR_MACHINE, 47, 1, &p.c47m[slot], status);
    }
    if (status >= 0) {
        v = 0;
        item(true, GR_MACHINE, 11, 1, &v, st);
        p.cflag[slot] = st == 0 && v != 0 && !NOTLPR(p.type[slot]) ? 1 : 0;
        p.c81[slot] = 0;
        item(true, GR_GLOBAL, 81, 1, &p.c81[slot], st);
        if (st == 1) p.c81[slot] = 0;
        if (gs_check_movmnt(1) != 0) p.moves[slot] = is_there_movmnt(status) ? 1 : 0;
    }
    if (status < 0)
        status = -1;
    else
        status = 0;
    done();
}

void PRCINE(const i32& reset, const i32& entity, const i32& slot, i32& c47, i32* date, i32& status)
{
    ProcInfo& p = PRCINF;
    preset(reset, slot);
    // Read as: the presets and rules carry over, the failure rule of the
    // list's reader does not: a stored procedure's values come from the
    // host whole, and one it lacks keeps its preset (status stays 0).
    status = 0;
    i32 nwords = 0, ngeom = 0;
    get_proc_info(entity, nwords, ngeom, status);
    if (status < 0) return;
    std::vector<i32> global(static_cast<size_t>(nwords) + 1), geoms(static_cast<size_t>(ngeom) + 1);
    i32 proc = entity, number = 0, code = 0;
    dbd_proc(1, proc, number, code, global.data(), nwords, geoms.data(), ngeom, status);
    if (status < 0) return;
    p.number[slot] = number;
    p.type[slot] = code;
    i32 mchprm = -1, lclprm = -1, count = 0;
    get_mchprm_info(entity, mchprm, count, status);
    if (status >= 0) get_lclprm_info(entity, lclprm, count, status);
    if (status < 0) return;
    // A value of the procedure (group 4 for the codes the block keeps in
    // group 24) or of its machine parameters (group 5 for group 23): status
    // 1 when the item is absent. The host delivers a whole item: it lands in
    // a scratch area and only the n words asked for are kept, whatever a
    // stored item holds.
    auto get = [&](i32 id, i32 group, i32 c, i32 n, i32* values, i32& st) {
        i32 item[GS_PARAM_MAX];
        std::memcpy(item, values, static_cast<size_t>(n) * sizeof(i32));
        gs_param(3, id, 9, group, c, item, st);
        if (st == 0) std::memcpy(values, item, static_cast<size_t>(n) * sizeof(i32));
    };
    auto g24 = [&](i32 c, i32 n, i32* values, i32& st) { get(entity, 4, c, n, values, st); };
    auto g23 = [&](i32 c, i32* values, i32& st) { get(mchprm, 5, c, 1, values, st); };
    i32 v = 0, st = 0, flaga = p.flaga[slot];
    if (code == 48) {
        // A whole item, as for every other value: into the scratch area.
        i32 deleted[GS_PARAM_MAX] = {};
        gs_param(1, lclprm, 9, 6, 320, deleted, st);
        if (st == 0 && deleted[0] == 1) p.deleted[slot] = -1;
    }
    g24(21, 1, &v, st);
    if (st == 0) flaga = rule21(slot, v);
    g24(35, 1, &v, st);
    if (st == 0) rule35(slot, v);
    // A failed read of code 119 counts as its preset value 1, which sets
    // nothing; only the value 2 sets flag B.
    i32 v119 = 1;
    g24(119, 1, &v119, st);
    if (st == 0 && v119 == 2) p.flagb[slot] = 1;
    g24(22, 1, &v, st);
    p.subs[slot] = st == 0 && v == 1 ? 1 : 0;
    g24(31, 1, &p.c31[slot], st);
    if (st != 0) p.c31[slot] = -1;
    g24(44, 1, &p.status[slot], st);
    if (st != 0) p.status[slot] = 1;
    rule44(slot, flaga);
    p.c57[slot] = p.c58[slot] = 0;
    g24(57, 1, &p.c57[slot], st);
    if (st != 0) p.c57[slot] = 1;
    g24(58, 1, &p.c58[slot], st);
    if (st != 0) p.c58[slot] = 1;
    c47 = 0;
    g24(47, 1, &c47, st);  // an absent item leaves the preset
    for (int k = 0; k < 6; ++k) date[k] = 0;
    g24(41, 3, date, st);
    g24(42, 3, date + 3, st);
    i32 words[5];
    std::memset(words, ' ', sizeof words);
    g24(29, 5, words, st);
    char text[20];
    std::memcpy(text, words, 20);
    for (char& c : text)
        if (c == '\0') c = ' ';
    PRCTX1(2, slot, text);
    g24(45, 1, &p.trans[slot], st);  // -1, the preset, when absent
    if (p.trans[slot] > 0) {
        v = 0;
        g24(46, 1, &v, st);
        p.transown[slot] = v == 1 ? 1 : 0;
    }
    g23(10, &p.tool[slot], st);
    if (st != 0) p.tool[slot] = -1;
    names(slot);
    g23(47, &p.c47m[slot], st);
    p.c81[slot] = 0;
    g24(81, 1, &p.c81[slot], st);
    if (st != 0) p.c81[slot] = 0;
    v = 0;
    g23(11, &v, st);
    p.cflag[slot] = st == 0 && v != 0 && !NOTLPR(p.type[slot]) ? 1 : 0;
    status = 0;
}

namespace {
// Whether the associations of the tool path are worked out on a tree of
// its own: the current tool path, named by -1 or by its id while it is open.
// The current tool path's id is read from its "CLP1" record as the host
// holds it now (the module's copy when the record cannot be read).
bool own_tree(const i32 tp)
{
    if (tp == -1) return true;
    i32 clp1[CLP1_N] = {}, st = 0;
    RDREC("CLP1", clp1, CLP1_N, st);
    const i32 current = st == 0 ? clp1[CLP1_TOOLPATH] : CLP1[CLP1_TOOLPATH];
    return tp == current && lopnls() != 0;
}
}  // namespace

void ASCTRE(const i32& count, i32& status)
{
    to_top(status);
    if (status < 0) return;
    i32 view = 0, root = 0;
    gsvnum(view);
    ncn_assoc_create_tree(view, status);
    if (status >= 0) ncn_assoc_add_node(1, -1, 0, -1, root, status);
    for (i32 k = 0; k < count && status >= 0; ++k) {
        FNDTYP(12, status);
        if (status < 0) break;
        i32 number = -1, n = 1, node = 0;
        TPGETN(AM_LIST, GR_LEAD, 33, n, DT_INT, &number, status);
        if (status >= 0) ncn_assoc_add_node(2, root, number, -1, node, status);
        if (status >= 0) PLFIND(GR_TOP, GR_FLAGS, status);
        // The slots into a copy: the current procedure's own stay untouched.
        // Cleared first: a flag record that holds fewer slots leaves the
        // rest without an id, not with whatever the stack held.
        i32 f[6] = {}, slots[2 * NSLOTS] = {}, words = 0;
        if (status >= 0) get_flags(f[1], f[0], f[2], f[3], f[4], f[5], slots, words, status);
        for (i32 s = 0; s < NSLOTS && status >= 0; ++s) {
            if (slots[2 * s + 1] <= 0) continue;
            i32 id = 0, kind = 0, st = 0, geo = 0;
            last_geom_temp_id(slots[2 * s + 1], id);
            get_geom_type(id, kind, st);
            if (kind != NO_GEOMETRY) ncn_assoc_add_node(4, node, 0, id, geo, status);
        }
        if (status >= 0) TPJUMP(1, status);
        if (status > 0) status = 0;
    }
    i32 st = 0;
    to_top(st);
    if (status >= 0) status = st;
}

void PRCASC(const i32& mode, const i32& tp, const i32& count, const i32* numbers, const i32* c47, i32* flagb,
            i32* status, i32* uflag)
{
    if (count < 1 || mode < 1 || mode > 3 || (count != 1 && mode != 1)) return;
    const bool own = own_tree(tp);
    if (own) {
        i32 st = 0;
        ASCTRE(PRCTAB.count < PRT_MAX ? PRCTAB.count : PRT_MAX, st);
        if (st < 0) {
            ncn_assoc_delete_node(1, -1, 0, 0, -1);
            return;
        }
    }
    const i32 lookup = own ? -1 : tp;
    for (i32 k = 0; k < count; ++k) uflag[k] = 0;
    std::vector<i32> users(PI_SLOTS);
    i32 nusers = 0, last = 0;
    bool first = true;
    while (true) {
        bool all = true;
        for (i32 k = 0; k < count; ++k)
            if (flagb[k] != 1 || status[k] != 2) all = false;
        if (all) break;
        i32 proc = 0, elem = 0, ucs = 0, kind = 0, sub = 0, state = 0, code = -1;
        asseqa(first ? 1 : 2, proc, elem, ucs, kind, sub, state, code);
        if (code < 0) break;
        if (first || proc != last)
            ncn_assoc_find_geom_proc(elem, users.data(), PI_SLOTS, nusers);
        first = false;
        last = proc;
        if (proc != lookup && nusers < 1) continue;
        if (code > 0) state = 0;
        const bool edited = asedit(elem) != 0;
        // The positions concerned.
        std::vector<i32> at;
        if (mode == 3) {
            at.push_back(1);
        } else if (proc == lookup) {
            i32 pos = LSTPOS(count, numbers, elem);
            if (pos > count) continue;
            at.push_back(pos);
        } else {
            for (i32 u = 0; u < nusers; ++u) {
                i32 number = users[static_cast<size_t>(u)];
                if (tp > 0) get_set_blknum(1, number, number);
                i32 pos = LSTPOS(count, numbers, number);
                if (pos <= count) at.push_back(pos);
            }
        }
        for (i32 pos : at) {
            const i32 q = pos - 1;
            uflag[q] = 0;
            if (kind == 20 && edited) {
                status[q] = 2;
                uflag[q] = 1;
                if (own) PRCINF.flaga[PI_LIST] = 0;
                break;
            }
            if (kind == 20 || (kind == 22 && sub == 1) ||
                (kind == 8 && sub == 1 && eucs(ucs) != 0 && ((state & 1) != 0 || code > 0)))
                break;
            if (code == 0 && (!edited || mode == 3)) {
                if (aschge(elem) != 0 || (state & 32) != 0)
                    flagb[q] = 1;
                else
                    break;
            } else if (code == 0) {
                if ((kind == 4 && sub == 1) || ((kind == 1 || kind == 2) && sub == 15))
                    status[q] = 2;
                else if (c47[q] == 1)
                    status[q] = 2;
                else
                    flagb[q] = 1;
            } else {
                flagb[q] = 1;
            }
        }
    }
    if (own) ncn_assoc_delete_node(1, -1, 0, 0, -1);
}

bool is_there_movmnt(i32& status)
{
    i32 flag = 0, n = 1;
    bool found = false, opened = false;
    TPGETN(AM_LIST, GR_FLAGS, 82, n, DT_INT, &flag, status);
    if (status >= 0) {
        OPNMVL(1, status);
        opened = status >= 0 && flag != 0;
    }
    if (status >= 0 && flag != 0) {
        // The sub-list's first block, then the search forward from it.
        i32 answer = 0;
        lacces(2, answer);
        if (answer >= 1) {
            i32 size = 0, type = 0, cls = 0, none = 1;
            TPBLKH(AM_LIST, size, type, cls, status);
            found = status >= 0 && cls == BC_MOVE;
            if (status >= 0 && !found) {
                MRKPOS(1, none, status);
                found = status >= 0 && none == 0;
            }
        }
    } else if (status >= 0 && is_open_proc() != 0) {
        i32 count = 0;
        tpget(AM_ENTITY, 1, DT_INT, &count, status);
        if (status >= 0) eskipn(1);
        for (i32 k = 0; k < count && status >= 0 && !found; ++k) {
            i32 size = 0, type = 0, cls = 0;
            TPBLKH(AM_ENTITY, size, type, cls, status);
            if (status < 0) break;
            if (cls == BC_MOVE)
                found = true;
            else
                TPSKIP(AM_ENTITY, size - 1, DT_INT, status);
        }
    }
    // Any failure on the way (the movement item, the sub-list, the mark,
    // a block header or skip) leaves the answer unknown: the same message
    // and -1, not only for the header and skip.
    if (status < 0) {
        eroutc("[is_there_movmnt],ERRORS IN LIST", 0);
        status = -1;
    } else {
        status = 0;
    }
    if (is_open_proc() != 0) {
        eclose();
        reset_open_proc();
    }
    if (opened) {
        i32 st = 0;
        CLSSBL(st);
    }
    return found;
}

void PRCCOL(const i32& slot, char* column)
{
    std::memcpy(column, "-----              ", 19);
    if (slot < 1 || slot > PI_SLOTS) return;
    const ProcInfo& p = PRCINF;
    if (p.status[slot] == 2) column[0] = 'S';
    if (p.status[slot] == 3) column[0] = 'I';
    if (p.trans[slot] > 0) {
        char t[4];
        PRCTRF(1, slot, t);
        column[5] = '(';
        std::memcpy(column + 6, t, 4);
        column[10] = ')';
    }
    if (p.type[slot] > 0) PRCNAM(p.type[slot], column + 11);
}

void PRBT12(const i32& medium, const i32& tp, const i32& entity, const i32& mode, const i32& unit, i32& number,
            i32& status)
{
    const i32 s = PI_LIST;
    ProcInfo& p = PRCINF;
    i32 c47 = 0, date[6] = {0, 0, 0, 0, 0, 0};
    // The list position is remembered for a block of an entity as well,
    // whenever a list is open: the tree below walks the current list
    // whatever the block was read from.
    i32 kept = 0;
    if (medium != AM_ENTITY || lopnls() != 0) lmark(1, MARK_PROC, kept);
    if (medium == AM_ENTITY)
        PRCINE(1, entity, s, c47, date, status);
    else
        PRCINB(1, tp, entity, s, c47, date, status);
    if (status < 0) return;
    PRCASC(2, tp, 1, &p.number[s], &c47, &p.flagb[s], &p.status[s], &p.uflag[s]);
    // The association tree of the current tool path walks its list and ends
    // at the top, whether the current tool path was named by -1 or by its
    // own id: back to the position remembered in both cases, or a walker
    // that steps on from here meets the same block again and never ends.
    // A block read from an entity goes back only to a position it
    // remembered itself (with no list open nothing was walked), never to a
    // mark an earlier block left.
    if (own_tree(tp) && (medium != AM_ENTITY || kept > 0)) {
        TPTOP(MARK_PROC, status);
        if (status < 0) return;
    }
    if (ISMTYP(p.type[s]) != 0 || p.type[s] == 8) {
        p.status[s] = 1;
        p.flagb[s] = 0;
    }
    number = p.number[s];
    LSTST.proc = number;
    char fname[8], numtext[11];
    PRCNAM(p.type[s], fname);
    std::memset(numtext, ' ', sizeof numtext);
    i32 len = 0, st = 0;
    cvi2t(number, numtext, len, st);
    for (char& c : numtext)
        if (c == '\0') c = ' ';
    bool marked = false;
    if (medium != AM_ENTITY) {
        // The flags into a copy: the current procedure's own stay untouched.
        i32 f[6] = {0, 0, 0, 0, 0, 0}, slots[2 * NSLOTS], words = 0;
        PLFIND(GR_TOP, GR_FLAGS, st);
        if (st >= 0) get_flags(f[1], f[0], f[2], f[3], f[4], f[5], slots, words, st);
        if (st >= 0 && f[0] > 0 && f[5] == 0) marked = indbug() != 0;
    }
    char comment[20], tool[20], trans[4];
    PRCTX1(1, s, comment);
    PRCTX2(1, s, tool);
    PRCTRF(1, s, trans);
    if (mode == LM_TPLIST || mode == LM_PROCS) {
        const i32 b = mode == LM_TPLIST ? 11 : 2;
        for (int k = 0; k < 3; ++k) lnblank(unit);
        if (mode == LM_TPLIST) {
            FMTPRC(number);
            lnout(unit, {lnNUM(), lnX(), lnS(marked ? "*** PROCEDURE NUMBER = " : "PROCEDURE NUMBER = "), lnI(number)});
        } else {
            lnout(unit, {lnB(2), lnS("PROCEDURE NUMBER = "), lnI(number)});
        }
        lnout(unit, {lnB(b), lnS("CREATION DATE: "), lnC(date)});
        quoted_line(unit, b, "FUNCTION NAME: ", fname, 8);
        quoted_line(unit, b, "COMMENT      : ", comment, 20);
        if (p.status[s] == 2) lnout(unit, {lnB(b), lnS("SUSPENDED")});
        if (p.status[s] == 3) lnout(unit, {lnB(b), lnS("INTERRUPTED")});
        if (p.subs[s] != 0) lnout(unit, {lnB(b), lnS("HAS SUBROUTINES")});
        if (p.trans[s] > 0) quoted_line(unit, b, "TRANSFORM    : ", trans, 4);
    } else {
        char column[19], flags[3] = {'-', '-', ' '};
        PRCCOL(s, column);
        if (p.cflag[s] != 0) flags[0] = 'C';
        if (p.uflag[s] != 0) flags[1] = 'U';
        // "('| ',a18,'= ',a3,'| ',a20,'   | ',23x,'|')", or with a tool
        // "('| ',a18,'= ',a3,'| ',a20,'   | ',a3,'TOOL= ',a14,'|')"; "~ " for "= " when code 57 is 2.
        // The row is the format's 76 characters, written as one line: the
        // blanks the 80-character value field would add after its closing
        // bar are not written.
        char row[76];
        std::memset(row, ' ', sizeof row);
        std::memcpy(row, "| ", 2);
        fmta(row + 2, 18, column, 19);
        std::memcpy(row + 20, p.c57[s] == 2 ? "~ " : "= ", 2);
        fmta(row + 22, 3, numtext, 11);
        std::memcpy(row + 25, "| ", 2);
        fmta(row + 27, 20, comment, 20);
        std::memcpy(row + 47, "   | ", 5);
        if (p.tool[s] >= 1) {
            fmta(row + 52, 3, flags, 3);
            std::memcpy(row + 55, "TOOL= ", 6);
            fmta(row + 61, 14, tool, 20);
        }
        row[75] = '|';
        filtxt(unit, row, 76);
    }
    LSTST.last = 12;
    status = 0;
}
