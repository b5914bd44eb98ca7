// Procedure block flags read and rewritten in place, the header update after
// execution, the sub-list header, and the copy between the database and the
// list.
#include <cstring>
#include <vector>

#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/navig.h"
#include "blocks/procblk.h"
#include "blocks/readers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/records.h"

namespace {
// The word that a flag-group code names; null for an unknown code.
i32* flag_word(i32 code, i32* f2, i32* f1, i32* f3, i32* f4, i32* f5, i32* f6, i32* slots)
{
    switch (code) {
    case 51: return f1;
    case 52: return f2;
    case 53: return f3;
    case 54: return f4;
    case 55: return f5;
    case 82: return f6;
    default: break;
    }
    if (code >= 83 && code <= 92) return &slots[2 * (code - 83)];
    if (code >= 93 && code <= 102) return &slots[2 * (code - 93) + 1];
    if (code == 103) return &slots[20];
    if (code == 104) return &slots[21];
    if (code == 105) return &slots[22];
    if (code == 106) return &slots[23];
    return nullptr;
}

i32 list_word(i32& w, i32& status)
{
    tpget(AM_APPEND, 1, DT_INT, &w, status);
    return status;
}
}  // namespace

void get_flags(i32& flag2, i32& flag1, i32& flag3, i32& flag4, i32& flag5, i32& flag6, i32* slots, i32& count,
               i32& status)
{
    status = 0;
    // Any read that fails is a list failure, reported as such.
    const auto failed = [&]() {
        eroutc("get_flags, ERRORS IN LIST", 0);
        status = -1;
    };
    i32 length = 0;
    if (list_word(length, status) < 0) return failed();
    count = length;
    while (length > 0) {
        i32 head[3];
        tpget(AM_APPEND, 3, DT_INT, head, status);
        if (status < 0) return failed();
        length -= 3;
        i32* target = flag_word(head[0], &flag2, &flag1, &flag3, &flag4, &flag5, &flag6, slots);
        i32 n = head[1] - 1;
        // Every flag and slot is one word: a segment of another count is a
        // corrupt group, whose words would run into the next flag or past
        // the caller's word.
        if (!target || n != 1) return failed();
        tpget(AM_APPEND, 1, DT_INT, target, status);
        if (status < 0) return failed();
        length -= n;
    }
    status = 0;
}

void get_proc_flags(i32& status)
{
    PLFIND(GR_TOP, GR_FLAGS, status);
    if (status < 0) return;
    i32 count = 0;
    get_flags(PRCFLG[1], PRCFLG[0], PRCFLG[2], PRCFLG[3], PRCFLG[4], PRCFLG[5], GSLOTS, count, status);
}

void update_flags(i32& status)
{
    PLFIND(GR_TOP, GR_FLAGS, status);
    i32 length = 0;
    if (status >= 0) list_word(length, status);
    while (status >= 0 && length > 0) {
        i32 head[3];
        tpget(AM_APPEND, 3, DT_INT, head, status);
        if (status < 0) break;
        i32* source = flag_word(head[0], &PRCFLG[1], &PRCFLG[0], &PRCFLG[2], &PRCFLG[3], &PRCFLG[4], &PRCFLG[5], GSLOTS);
        // One word from one module word: a segment of another count is
        // refused, as get_flags refuses it, rather than written from past it.
        if (!source || head[1] != 2) {
            status = -1;
            break;
        }
        TPCHNG(1, source, status);
        length -= 4;
    }
    if (status < 0) {
        eroutc("[update_flags], ERRORS IN LIST", 0);
        status = -1;
        return;
    }
    status = 0;
}

namespace {
// Overwrites the n values of a segment of the block at the cursor.
void change(i32 group, i32 code, const void* values, i32 n, i32& status)
{
    if (status >= 0) change_values(AM_LIST, group, code, DT_INT, n, values, status);
}
}  // namespace

void PTUB12(const i32& first, const i32& quiet, const i32& set31, const i32& value31, i32& status)
{
    status = 0;
    if (first != 0) {
        f32 v[4][3];
        i32 none = 1;
        FSTLST(v[0], v[1], v[2], v[3], none, status);
        if (status >= 0 && none == 0) {
            change(GR_GLOBAL, 5, v[0], 3, status);
            change(GR_GLOBAL, 27, v[1], 3, status);
            change(GR_GLOBAL, 6, v[2], 3, status);
            change(GR_GLOBAL, 28, v[3], 3, status);
        }
        if (status < 0) {
            eroutc("PTUB12, ERRORS IN LIST", 0);
            return;
        }
    }
    i32 size = 0, type = 0, cls = 0;
    TPBLKH(AM_LIST, size, type, cls, status);
    if (status < 0) {
        eroutc("PTUB12, ERRORS IN LIST", 0);
        status = -1;
        return;
    }
    if (cls != BC_PROC) {
        eroutc("PTUB12, THE CURRENT BLOCK IS NOT A PROCEDURE", 0);
        status = -1;
        return;
    }
    i32 level = 0, blocks = 0;
    gtlstn(1, level);
    gsblkn(1, level + 1, blocks);
    change(GR_GLOBAL, 8, &NPT1[NPT1_VIEW], 1, status);
    change(GR_GLOBAL, 10, &NPT1[NPT1_VIEWPAR], 1, status);
    change(GR_GLOBAL, 13, &NPT1[NPT1_ORIGIN], 3, status);
    change(GR_GLOBAL, 14, &NPT1[NPT1_HOME], 3, status);
    if (status >= 0) PLFIND(GR_GLOBAL, 36, status);
    if (status >= 0) TPSKIP(AM_LIST, 2, DT_INT, status);
    if (status >= 0) TPCHNG(1, HEI8 + HEI8_CLEARANCE, status);
    change(GR_GLOBAL, 20, &blocks, 1, status);
    i32 proc = 0, one = 1;
    if (status >= 0) TPGETN(AM_LIST, GR_LEAD, 34, one, DT_INT, &proc, status);
    if (proc == 100) change(GR_MACHINE, 10, &PRM9[PRM9_TOOL], 1, status);
    if (quiet != 0) {
        const i32 three = 3, two = 2;
        change(GR_GLOBAL, 44, &three, 1, status);
        change(GR_GLOBAL, 22, &two, 1, status);
    }
    if (set31 != 0) change(GR_GLOBAL, 31, &value31, 1, status);
    if (status < 0) {
        eroutc("PTUB12, ERRORS IN LIST", 0);
        status = -1;
        return;
    }
    status = 0;
}

void WUPDSL(const i32& suspended)
{
    i32 crit = 0;
    chk_crit_gs(1, crit);
    if (crit == 0) shmsgc(suspended != 0 ? "PROCEDURE EXECUTION IS SUSPENDED" : "PROCEDURE HEADER IS UPDATED");
    i32 status = 0;
    if (suspended == 0) {
        i32 f6 = 0, one = 1;
        TPGETN(AM_LIST, GR_FLAGS, 82, one, DT_INT, &f6, status);
        if (status >= 0 && f6 == 0) {
            // The update has no status of its own: a sub-list that cannot be
            // opened is said here, or the procedure's moves would miss it
            // unnoticed.
            OPNMVL(3, status);
            if (status < 0) eroutc("WUPDSL, ERRORS IN LIST", 0);
            return;
        }
    }
    // The take-over of a procedure stores the header as nine words (the
    // item's eight and a word after them); the first eight are the header.
    i32 sonh[9] = {0};
    i32 n = 9, st = 0;
    mdgetn("SONH", sonh, n, st);
    // Without a header record (no procedure was taken over) the unsuspended
    // update has nothing to write: the header stays as the run left it,
    // where zeros in its place would lose the sub-list's block count.
    if (suspended == 0 && st != 0) {
        if (status < 0) eroutc("WUPDSL, ERRORS IN LIST", 0);  // flag 6 could not be read
        return;
    }
    const i32 zeros[8] = {0};
    if (status >= 0) PLFIND(GR_TOP, 1, status);
    if (status >= 0) TPSKIP(AM_LIST, 2, DT_INT, status);
    if (status >= 0) TPCHNG(8, suspended != 0 ? zeros : sonh, status);
    if (status >= 0) {
        i32 level = 0;
        gtlstn(1, level);
        gsblkn(2, level + 1, sonh[1]);
    }
    const i32 count = suspended != 0 ? 0 : sonh[1];
    change(GR_GLOBAL, 20, &count, 1, status);
    if (suspended != 0) {
        const i32 one = 1;
        change(GR_FLAGS, 82, &one, 1, status);
    }
    if (status < 0) eroutc("WUPDSL, ERRORS IN LIST", 0);
}

void read_proc_record(const i32& proc, i32& number, i32& code, std::vector<i32>& global, std::vector<i32>& geoms,
                      i32& status)
{
    i32 nwords = 0, ngeom = 0;
    get_proc_info(proc, nwords, ngeom, status);
    if (status < 0) return;
    global.assign(static_cast<size_t>(nwords) + 1, 0);
    geoms.assign(static_cast<size_t>(ngeom) + 1, 0);
    i32 id = proc;
    dbd_proc(1, id, number, code, global.data(), nwords, geoms.data(), ngeom, status);
    if (status < 0) return;
    global.resize(static_cast<size_t>(nwords));
    geoms.resize(static_cast<size_t>(ngeom));
}

void save_geom_entities(const i32* slots, i32& count, i32* ids, i32& status)
{
    status = 0;
    count = 0;
    for (i32 s = 0; s < NSLOTS; ++s) {
        i32 id = slots[2 * s + 1];
        if (id <= 0) continue;
        i32 copy = -1;
        get_set_idtmp(1, id, copy);
        i32 st = 0;
        if (copy > 0) {
            i32 kind = 0;
            get_geom_type(copy, kind, st);
            if (st >= 0 && kind == 10012) {
                asdeta(copy);
                del_nc_entity(copy);
                edelet(copy, st);
                continue;
            }
            if (st >= 0) cpy_geom(copy, id, st);
            if (st >= 0) {
                asdeta(id);
                ascopa(copy, id);
                del_nc_entity(copy);
            }
        }
        if (st >= 0) add_nc_entity(id, st);
        if (st < 0) {
            eroutc("save_geom_entities, ERRORS IN LIST", 0);
            status = -1;
            return;
        }
        ids[count++] = id;
    }
}

namespace {
// Words of a group read from the list: its code, length and words. A group
// out of its place, or of a length below 0 or beyond any block, is a corrupt
// block: its words would be taken for another group's or not fit in memory.
bool read_group(i32 expect, std::vector<i32>& words, i32& status)
{
    i32 head[2] = {0, 0};
    tpget(AM_APPEND, 2, DT_INT, head, status);
    if (status < 0) return false;
    if (head[0] != expect || head[1] < 0 || head[1] > 1 << 20) {
        status = -1;
        return false;
    }
    words.assign(static_cast<size_t>(head[1]), 0);
    tpget(AM_APPEND, head[1], DT_INT, words.data(), status);
    return status >= 0;
}

void to_database(i32& status)
{
    // Every list failure of the copy is said in the copy's words: the
    // searches report only a code that is not there, a failed read not.
    const auto failed = [&]() {
        eroutc("cpbt12, ERRORS IN LIST", 0);
        status = -1;
    };
    i32 lead[2] = {0, 0};
    i32 answer = 0;
    lacces(0, answer);
    if (answer < 0) return failed();
    TPSKIP(AM_APPEND, 1, DT_INT, status);
    if (status >= 0) tpget(AM_APPEND, 2, DT_INT, lead, status);
    std::vector<i32> global, words;
    if (status >= 0) read_group(GR_GLOBAL, global, status);
    i32 code = 0;
    if (status >= 0) tpget(AM_APPEND, 1, DT_INT, &code, status);
    if (status < 0 || code != GR_FLAGS) {
        eroutc("cpbt12, ERRORS IN LIST", 0);
        status = -1;
        return;
    }
    i32 f[6] = {0}, slots[2 * NSLOTS], count = 0;
    init_geom_slots(slots);
    get_flags(f[1], f[0], f[2], f[3], f[4], f[5], slots, count, status);
    if (status < 0) return;
    i32 proc = f[0];
    if (proc > 0) {
        // The procedure entity the block names must still be there: one that
        // is gone fails here, before anything is stored for it.
        i32 number = 0, code = 0;
        std::vector<i32> old, geoms;
        read_proc_record(proc, number, code, old, geoms, status);
        if (status < 0) {
            eroutc("cpbt12, ERRORS IN LIST", 0);
            status = -1;
            return;
        }
    }
    // A flag 1 of 0 names no entity either: a new one is made, as for a
    // negative flag, rather than entity 0 taken for the procedure.
    if (proc <= 0 || f[1] != 0) {
        i32 nw = static_cast<i32>(global.size()), ng = 0;
        dbd_proc(3, proc, lead[0], lead[1], global.data(), nw, nullptr, ng, status);
        if (status >= 0) add_nc_entity(proc, status);
        if (status < 0) {
            eroutc("cpbt12, ERRORS IN LIST", 0);
            return;
        }
    }
    PRCENT = proc;
    // Machine values and local parameters are stored again when flagged.
    for (i32 g : {GR_MACHINE, GR_LOCAL}) {
        bool again = (g == GR_MACHINE ? f[3] : f[4]) != 0;
        if (!read_group(g, words, status)) {
            eroutc("cpbt12, ERRORS IN LIST", 0);
            return;
        }
        if (!again) continue;
        i32 old = -1, n = 0, st = 0;
        if (g == GR_MACHINE)
            get_mchprm_info(proc, old, n, st);
        else
            get_lclprm_info(proc, old, n, st);
        if (old > 0) {
            del_nc_entity(old);
            edelet(old, st);
        }
        i32 id = -1;
        n = static_cast<i32>(words.size());
        if (g == GR_MACHINE)
            dbd_mchprm(3, proc, id, words.data(), n, status);
        else
            dbd_lclprm(3, proc, id, words.data(), n, status);
        if (status >= 0) add_nc_entity(id, status);
        if (status < 0) {
            eroutc("cpbt12, ERRORS IN LIST", 0);
            return;
        }
    }
    i32 ids[NSLOTS], nids = 0;
    save_geom_entities(slots, nids, ids, status);
    if (status < 0) return;
    PLFIND(GR_TOP, 1, status);
    i32 b = 0;
    if (status >= 0) tpget(AM_APPEND, 1, DT_INT, &b, status);
    if (status < 0) return failed();
    i32 nw = b - 1, num = 0, pc = 0;
    dbd_proc(2, proc, num, pc, nullptr, nw, ids, nids, status);
    if (status < 0) failed();
}

void from_database(i32& status)
{
    std::vector<i32> global, geoms;
    i32 proc = PRCENT, number = 0, code = 0;
    read_proc_record(proc, number, code, global, geoms, status);
    const i32 nwords = static_cast<i32>(global.size()), ngeom = static_cast<i32>(geoms.size());
    if (status < 0) {
        eroutc("cpbt12, ERRORS IN LIST", 0);
        return;
    }
    // The element is made as every block's is (the host's create at the
    // cursor, after it at the list's end), so the copy lands where a block
    // written in its place would.
    TPCREL(status);
    if (status < 0) {
        eroutc("cpbt12 - CANNOT APPEND LINE TO LIST", 0);
        status = -2;
        return;
    }
    const i32 head[5] = {12, number, code, GR_GLOBAL, nwords};
    TPPUT(AM_APPEND, 5, DT_INT, head, status);
    if (status >= 0) TPPUT(AM_APPEND, nwords, DT_INT, global.data(), status);
    i32 slots[2 * NSLOTS];
    init_geom_slots(slots);
    for (i32 k = 0; k < ngeom && status >= 0; ++k) {
        i32 kind = 0;
        get_geom_info(geoms[static_cast<size_t>(k)], kind, status);
        if (status >= 0) set_geom_slot(1, kind, geoms[static_cast<size_t>(k)], slots);
    }
    if (status >= 0) wflags_values(0, proc, 0, 0, 0, 0, slots, status);
    for (i32 g : {GR_MACHINE, GR_LOCAL}) {
        if (status < 0) break;
        i32 id = -1, n = 0;
        if (g == GR_MACHINE)
            get_mchprm_info(proc, id, n, status);
        else
            get_lclprm_info(proc, id, n, status);
        std::vector<i32> words(static_cast<size_t>(n) + 1);
        if (status >= 0 && id > 0) {
            if (g == GR_MACHINE)
                dbd_mchprm(1, proc, id, words.data(), n, status);
            else
                dbd_lclprm(1, proc, id, words.data(), n, status);
        } else if (g == GR_LOCAL) {
            n = 0;
        }
        const i32 gh[2] = {g, n};
        if (status >= 0) TPPUT(AM_APPEND, 2, DT_INT, gh, status);
        if (status >= 0 && n > 0) TPPUT(AM_APPEND, n, DT_INT, words.data(), status);
    }
    if (status >= 0) put_zero_lst(status);
    lclos();
    if (status < 0) {
        eroutc("cpbt12, ERRORS IN LIST", 0);
        // A block that could not be written whole is taken out again, as the
        // procedure block writer takes out its own: left in the list, it
        // would stand as a procedure block without its groups.
        i32 dst = 0;
        TPDELB(1, dst);
    }
}
}  // namespace

void cpbt12(const i32& source, const i32& target, const i32& record, i32& status)
{
    // The block always goes to the list as an element of its own (whichever
    // list medium is named: 2 to 4 are the list alike), and the host's
    // procedure-record calls here take no record argument to hand on.
    (void)target;
    (void)record;
    status = 0;
    if (source == AM_ENTITY)
        from_database(status);
    else
        to_database(status);
}
