// The tool path listing "TP_LIST": of the current tool path, walking its
// list and the movement sub-lists or entities of its procedures, or of a
// stored tool path entity and its entries.
#include <cstring>

#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "edit/report/listing.h"
#include "edit/report/lstate.h"
#include "edit/report/procinfo.h"
#include "core/codedio.h"
#include "core/entity.h"
#include "core/listname.h"
#include "core/records.h"

namespace {
constexpr i32 MARK_LIST = 1;  // list mark of the position the listing returns to
constexpr i32 NAMLEN = 256;

// The module's list-level words and the host's block counters of the two
// levels the walk opens, kept over a listing: it changes neither.
struct Levels {
    i32 blsk[BLSK_N];
    i32 counters[3];
    void save()
    {
        std::memcpy(blsk, BLSK, sizeof blsk);
        for (i32 l = 1; l <= 2; ++l) gsblkn(1, l, counters[l]);
    }
    void restore()
    {
        std::memcpy(BLSK, blsk, sizeof blsk);
        for (i32 l = 1; l <= 2; ++l) gsblkn(2, l, counters[l]);
    }
};

void heading(const char* name, i32 plen, bool entity)
{
    const i32 u = LST_UNIT;
    msg_prompt(322, 10);
    lnout(u, {lnB(11), lnS("TOOL PATH LISTING")});
    lnout(u, {lnB(11), lnS("=================")});
    lnout(u, {lnB(11), lnS("PART FILE NAME: "), lnS("\""), lnT(name, plen), lnS(entity ? "\" " : "\"")});
    lnblank(u);
    lnout(u, {lnB(3), lnS("BLOCK")});
    lnout(u, {lnB(3), lnS("NUMBER"), lnB(11), lnS("BLOCK DESCRIPTION")});
    lnout(u, {lnB(3), lnS("------"), lnB(11), lnS("-----------------")});
}

void procedure_end()
{
    const i32 u = LST_UNIT;
    lnblank(u);
    lnout(u, {lnS("END PROCEDURE NUMBER "), lnI(LSTST.proc), lnS(" ")});
    std::memset(LSTST.lval, '-', sizeof LSTST.lval);
    filtxt(u, LSTST.lval, 60);
}

void file_end(const char* name, i32 length)
{
    const i32 u = LST_UNIT;
    lnblank(u);
    lnblank(u);
    lnout(u, {lnS("END OF TOOL PATH")});
    aclose(u);
    usrms4("OUTPUT TO FILE", name, length);
}

// Opens the listing file; false when it has no name or cannot be opened
// (reported).
bool open_file(char* name, i32& length, i32& plen)
{
    i32 st = 0;
    CRTPNM(1, "TP_LIST", 7, name, length, plen, st);
    if (st != 0) return false;
    aopen(LST_UNIT, name, length, 2, st);
    if (st != 0) {
        errou4("NCLIST, CANNOT OPEN FILE", name, length);
        return false;
    }
    return true;
}

// The lengths of the tool path listing in the part's unit.
f32 listing_scale() { return 1.0f / gtmesu(); }

// Prints the count blocks of the open movement entity; false when one failed.
bool entity_blocks(i32 count, i32 tp, f32 scale)
{
    for (i32 k = 0; k < count; ++k) {
        i32 type = 0, st = 0;
        PRTBLK(LM_TPLIST, LST_UNIT, AM_ENTITY, tp, scale, type, st);
        if (st < 0) return false;
    }
    return true;
}

}  // namespace

void close_entity()
{
    i32 open = 0, position = 0, id = 0;
    eginfo(open, position, id);
    if (open != 0) eclose();
    reset_open_proc();
}

void NCLIST(const i32& tp, const i32& mode)
{
    if (tp > 0 && tp != CLP1[CLP1_TOOLPATH]) {
        nclist_ent(tp, mode);
        return;
    }
    i32 none = -1, answer = 0, st = 0;
    gs_proc_id(2, none);
    lmark(1, MARK_LIST, answer);
    if (answer <= 0) return;
    const f32 scale = listing_scale();
    char name[NAMLEN];
    i32 length = 0, plen = 0;
    if (open_file(name, length, plen)) {
        Levels levels;
        levels.save();
        LSTRST();
        heading(name, plen, false);
        // The tool path's elements are those of its main list, wherever the
        // cursor stood (an empty movement sub-list holds none).
        lclos();
        ltop();
        i32 lines = 0;
        llines(lines);
        if (lines < 1) {
            usmsgc("TOOL PATH LIST IS EMPTY");
            aclose(LST_UNIT);
            usrms4("OUTPUT TO FILE", name, length);
        } else {
            // The whole tool path from its main list, wherever the cursor stood.
            lclos();
            ltop();
            i32 access = 2;
            while (true) {
                lacces(access, answer);
                access = 1;
                if (answer <= -2) break;
                if (answer == -1) {
                    i32 level = 0;
                    gtlstn(1, level);
                    if (level <= 1) break;
                    procedure_end();
                    CLSSBL(st);
                    if (st < 0) break;
                    continue;
                }
                i32 type = 0;
                PRTBLK(LM_TPLIST, LST_UNIT, AM_LIST, -1, scale, type, st);
                if (st < 0) {
                    eroutc("NCLIST, ERRORS IN CREATING TOOL PATH LIST", 0);
                    break;
                }
                if (type != BT_PROC) continue;
                // The procedure's own function code: stock and part
                // procedures have no movements to list. It is the code of the
                // procedure block just printed, not the next entry of the
                // frame's table of codes: taken from the block the listing
                // stands on, it always belongs to the procedure whose lines
                // follow, however the table counts its entries.
                const i32 code = PRCINF.type[PI_LIST];
                if (code == 52 || code == 53) {
                    procedure_end();
                    continue;
                }
                OPNMVL(1, st);
                if (st < 0) break;
                if (is_open_proc() != 0) {
                    i32 count = 0;
                    tpget(AM_ENTITY, 1, DT_INT, &count, st);
                    if (st >= 0) eskipn(1);
                    const bool done = st >= 0 && entity_blocks(count, -1, scale);
                    close_entity();
                    if (!done) {
                        eroutc("NCLIST, ERRORS IN CREATING TOOL PATH LIST", 0);
                        break;
                    }
                    // No sub-list was opened, so no end of one will close
                    // this procedure: its end is written here, as for a
                    // stored tool path's procedure.
                    procedure_end();
                    continue;
                }
                i32 level = 0;
                gtlstn(1, level);
                if (level < 2) {
                    OPNSBL(st);
                    if (st < 0) break;
                }
                access = 2;
            }
            file_end(name, length);
        }
        levels.restore();
    }
    TPTOP(MARK_LIST, st);
}

void nclist_ent(const i32& id, const i32&)
{
    i32 answer = 0, st = 0;
    lmark(1, MARK_LIST, answer);
    const f32 scale = listing_scale();
    char name[NAMLEN];
    i32 length = 0, plen = 0;
    // The list position is marked before the file is asked for, and put
    // back on every way out: the caller's cursor is where it was, whether
    // or not a file was opened.
    if (!open_file(name, length, plen)) {
        if (answer > 0) TPTOP(MARK_LIST, st);
        return;
    }
    LSTRST();
    heading(name, plen, true);
    i32 n = 0;
    get_tp_info(id, n, st);
    i32* pairs = st >= 0 && n > 0 ? static_cast<i32*>(DM_ALLOC(8 * n)) : nullptr;
    if (st >= 0 && n > 0 && !pairs) st = -1;
    if (st >= 0 && pairs) dbd_tp(1, id, pairs, n, st);
    if (st < 0) {
        eroutc("nclist_ent, PROBLEMS IN OPENNING ENTITY", 0);
    } else {
        i32 cls = 0, type = 0, len = 0;
        eopen(id, cls, type, len, st);
        if (st >= 0) set_open_proc(id);
        if (st < 0 || cls != EC_NC || type != ET_TOOLPATH) {
            erou1c("nclist_ent, NOT A TOOL PATH ENTITY. id = ", id);
            st = -1;
        } else {
            PRTBLK(LM_TPLIST, LST_UNIT, AM_ENTITY, id, scale, type, st);
            if (st < 0) eroutc("nclist_ent, ERRORS IN CREATING TOOL PATH ENTITY", 0);
        }
        close_entity();
        for (i32 k = 0; k < n && st >= 0; ++k) {
            const i32 kind = pairs[2 * k], entry = pairs[2 * k + 1];
            if (kind == 1) {
                i32 movement = -1;
                get_set_movmnt_id(1, entry, movement);
                eopen(entry, cls, type, len, st);
                if (st < 0 || cls != EC_NC || type != ET_PROC) {
                    erou1c("nclist_ent, NOT A PROCEDURE ENTITY. id = ", entry);
                    st = -1;
                    close_entity();  // what was opened is not left open
                    break;
                }
                set_open_proc(entry);
                i32 proc = entry;
                gs_proc_id(2, proc);
                PRTBLK(LM_TPLIST, LST_UNIT, AM_ENTITY, id, scale, type, st);
                close_entity();
                if (st >= 0 && movement > 0) {
                    i32 count = 0;
                    open_movmnt(movement, count, st);
                    if (st >= 0 && !entity_blocks(count, id, scale)) st = -1;
                    close_entity();
                }
                if (st < 0) {
                    eroutc("nclist_ent, ERRORS IN CREATING TOOL PATH ENTITY", 0);
                    break;
                }
                procedure_end();
            } else if (kind == 3 || kind == 4 || kind == 10) {
                i32 count = 0, movement = entry;
                open_movmnt(entry, count, st);
                if (st >= 0) {
                    gs_proc_id(2, movement);
                    PRTBLK(LM_TPLIST, LST_UNIT, AM_ENTITY, id, scale, type, st);
                }
                close_entity();
                if (st < 0) {
                    eroutc("nclist_ent, ERRORS IN CREATING TOOL PATH ENTITY", 0);
                    break;
                }
            }
        }
    }
    file_end(name, length);
    if (answer > 0) TPTOP(MARK_LIST, st);
    if (pairs) DM_FREE(pairs, 8 * n);
}
